#include "foundation/VFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "foundation/VByteBuffer.h"
#include "foundation/VString.h"

namespace {
// A file name of this test process in the prefix's temporary directory
// (tests of one executable run in parallel).
std::string scratchPath(const char* name) {
    char directory[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + "drav-vfile-" + std::to_string(GetCurrentProcessId()) + "-" + name;
}

class ScratchFile {
public:
    explicit ScratchFile(const char* name) : path_(scratchPath(name)) { DeleteFileA(path_.c_str()); }
    ~ScratchFile() { DeleteFileA(path_.c_str()); }
    const std::string& path() const { return path_; }
    VString name() const { return VString(path_.c_str()); }

    std::string contents() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    void writeDirectly(const std::string& bytes) const {
        std::ofstream out(path_, std::ios::binary);
        out << bytes;
    }

    // A handle that allows no sharing, or INVALID_HANDLE_VALUE while the file
    // is open elsewhere.
    HANDLE openExclusively() const {
        return CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }

private:
    std::string path_;
};

void fillWith(VByteBuffer& buffer, const std::string& bytes) {
    buffer.setSize(static_cast<int>(bytes.size()));
    bytes.copy(reinterpret_cast<char*>(buffer.data()), bytes.size());
}

const std::string binaryBytes("line\r\nfeed\n\x1a\0\xff end", 19);
}  // namespace

TEST(VFileWrite, WritesEveryByteUntranslated) {
    ScratchFile file("binary");
    VByteBuffer buffer;
    fillWith(buffer, binaryBytes);
    VFile out;
    ASSERT_TRUE(out.create(file.name()));
    EXPECT_TRUE(out.write(buffer));
    out.close();
    EXPECT_EQ(binaryBytes, file.contents());
}

TEST(VFileWrite, CreateTruncatesAnExistingFile) {
    ScratchFile file("truncate");
    file.writeDirectly(std::string(1000, 'o'));
    VByteBuffer buffer;
    fillWith(buffer, "ten bytes!");
    VFile out;
    ASSERT_TRUE(out.create(file.name()));
    EXPECT_TRUE(out.write(buffer));
    out.close();
    EXPECT_EQ("ten bytes!", file.contents());

    ASSERT_TRUE(out.create(file.name()));
    EXPECT_TRUE(out.write(VByteBuffer()));
    out.close();
    EXPECT_EQ("", file.contents());
}

TEST(VFileWrite, WriteWithoutAnOpenFileFails) {
    VByteBuffer buffer;
    fillWith(buffer, "x");
    VFile never;
    EXPECT_FALSE(never.write(buffer));
}

TEST(VFileOpen, FileHeldWithoutSharingCannotBeCreated) {
    ScratchFile file("held");
    HANDLE other = file.openExclusively();
    ASSERT_NE(INVALID_HANDLE_VALUE, other);
    VFile out;
    EXPECT_FALSE(out.create(file.name()));
    EXPECT_EQ(-1, out.handle());
    CloseHandle(other);
    EXPECT_TRUE(out.create(file.name()));
}

TEST(VFileOpen, MissingDirectoryFails) {
    VFile out;
    EXPECT_FALSE(out.create(VString(scratchPath("no-such-dir\\file").c_str())));
    EXPECT_EQ(-1, out.handle());
}

TEST(VFileClose, ClosingTwiceOrNeverOpenedIsHarmless) {
    ScratchFile file("close");
    VFile never;
    never.close();
    EXPECT_EQ(-1, never.handle());

    VFile out;
    ASSERT_TRUE(out.create(file.name()));
    out.close();
    out.close();
    EXPECT_EQ(-1, out.handle());
    HANDLE exclusive = file.openExclusively();
    EXPECT_NE(INVALID_HANDLE_VALUE, exclusive);
    CloseHandle(exclusive);
}

TEST(VFileClose, DestructionReleasesAForgottenFile) {
    ScratchFile file("forgotten");
    {
        VFile out;
        ASSERT_TRUE(out.create(file.name()));
    }
    HANDLE exclusive = file.openExclusively();
    EXPECT_NE(INVALID_HANDLE_VALUE, exclusive);
    CloseHandle(exclusive);
}

TEST(SystemDirectories, SystemDirectoryLiesInTheWindowsDirectory) {
    VString windows;
    VString system;
    getWindowsDirectory(windows);
    getSystemDirectory(system);
    ASSERT_GT(windows.length(), 2);
    ASSERT_GT(system.length(), windows.length());
    EXPECT_NE('\\', windows.at(windows.length() - 1));
    EXPECT_NE('\\', system.at(system.length() - 1));
    EXPECT_EQ(0, _strnicmp(windows.cStr(), system.cStr(), static_cast<std::size_t>(windows.length())));
    EXPECT_EQ('\\', system.at(windows.length()));
    EXPECT_EQ(0, _stricmp("system32", system.cStr() + windows.length() + 1));
}
