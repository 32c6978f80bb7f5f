#include "foundation/VByteBuffer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "AllocationProbe.h"
#include "ExpectThrow.h"
#include "TestPaths.h"
#include "test_resources.h"

namespace {
std::string contentsOf(const VByteBuffer& buffer) {
    return std::string(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(buffer.size()));
}

std::string fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void fillWith(VByteBuffer& buffer, const std::string& bytes) {
    buffer.setSize(static_cast<int>(bytes.size()));
    bytes.copy(reinterpret_cast<char*>(buffer.data()), bytes.size());
}
}  // namespace

TEST(VByteBufferSize, ZeroFreesOrDoesNothing) {
    VByteBuffer buffer;
    buffer.setSize(0);
    EXPECT_EQ(nullptr, buffer.data());
    fillWith(buffer, "abc");
    EXPECT_NE(nullptr, buffer.data());
    buffer.setSize(0);
    EXPECT_EQ(nullptr, buffer.data());
    EXPECT_EQ(0, buffer.size());
}

TEST(VByteBufferSize, ResizingKeepsTheLeadingBytes) {
    VByteBuffer buffer;
    fillWith(buffer, std::string("ab\0cdef", 7));
    buffer.setSize(3);
    EXPECT_EQ(std::string("ab\0", 3), contentsOf(buffer));
    buffer.setSize(5000);
    EXPECT_EQ(5000, buffer.size());
    EXPECT_EQ(std::string("ab\0", 3), contentsOf(buffer).substr(0, 3));
}

TEST(VByteBufferSize, NegativeSizeThrowsAndKeepsTheBytes) {
    VByteBuffer buffer;
    fillWith(buffer, "xyz");
    EXPECT_SYSTEM_EXCEPTION(buffer.setSize(-1), ErrorIllegalParameter, "VByteBuffer", VBYTEBUFFER_LINE_NEGATIVE_SIZE);
    EXPECT_EQ("xyz", contentsOf(buffer));
}

TEST(VByteBufferSize, FailedAllocationKeepsTheBuffer) {
    VByteBuffer buffer;
    fillWith(buffer, "xyz");
    AllocationProbe probe(0);
    EXPECT_SYSTEM_EXCEPTION(buffer.setSize(100), ErrorNotEnoughMemory, "VByteBuffer", VBYTEBUFFER_LINE_NO_MEMORY);
    EXPECT_EQ("xyz", contentsOf(buffer));
    VByteBuffer empty;
    EXPECT_SYSTEM_EXCEPTION(empty.setSize(1), ErrorNotEnoughMemory, "VByteBuffer", VBYTEBUFFER_LINE_NO_MEMORY);
    EXPECT_EQ(0, empty.size());
    EXPECT_EQ(nullptr, empty.data());
}

TEST(VByteBufferResource, LoadsTheResourceByteForByte) {
    std::string expected = fileBytes(besideExecutable("sample.bin"));
    ASSERT_EQ(287u, expected.size());
    VByteBuffer buffer;
    fillWith(buffer, std::string(4000, 'q'));
    EXPECT_TRUE(buffer.loadResource(IDR_SAMPLE));
    EXPECT_EQ(expected, contentsOf(buffer));
}

TEST(VByteBufferResource, OnlyTheLowSixteenBitsNameTheResource) {
    VByteBuffer buffer;
    EXPECT_TRUE(buffer.loadResource(0x10000 | IDR_SAMPLE));
    EXPECT_EQ(287, buffer.size());
}

TEST(VByteBufferResource, MissingOrEmptyResourceThrowsGeneral) {
    VByteBuffer buffer;
    EXPECT_SYSTEM_EXCEPTION(buffer.loadResource(IDR_MISSING), ErrorGeneral, "VByteBuffer", VBYTEBUFFER_LINE_NOT_FOUND);
    EXPECT_SYSTEM_EXCEPTION(buffer.loadResource(0), ErrorGeneral, "VByteBuffer", VBYTEBUFFER_LINE_NOT_FOUND);
    EXPECT_SYSTEM_EXCEPTION(buffer.loadResource(IDR_EMPTY), ErrorGeneral, "VByteBuffer", VBYTEBUFFER_LINE_EMPTY);
    EXPECT_EQ(0, buffer.size());
}

TEST(VByteBufferResource, FailedAllocationWhileLoading) {
    VByteBuffer buffer;
    AllocationProbe probe(0);
    EXPECT_SYSTEM_EXCEPTION(buffer.loadResource(IDR_SAMPLE), ErrorNotEnoughMemory, "VByteBuffer",
                            VBYTEBUFFER_LINE_NO_MEMORY);
    EXPECT_EQ(0, buffer.size());
}
