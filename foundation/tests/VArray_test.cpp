#include "foundation/VArray.h"

#include <gtest/gtest.h>

#include <climits>

#include "AllocationProbe.h"
#include "ExpectThrow.h"

namespace {
// Like the tab page record: three fields that its constructor zeroes.
struct PageRecord {
    int window;
    int dialogTemplate;
    int parameter;
    PageRecord() : window(0), dialogTemplate(0), parameter(0) {}
};

// Counts live instances; the constructor fails once `failAt` more are made.
struct Tracked {
    static int live;
    static int failAt;
    Tracked() {
        if (failAt-- == 0) throw 1;
        ++live;
    }
    ~Tracked() { --live; }
};
int Tracked::live = 0;
int Tracked::failAt = -1;

struct PropertyPageRecord {
    char bytes[48];
};
}  // namespace

TEST(VArraySize, SameSizeKeepsTheElements) {
    VArray<PageRecord> pages;
    pages.setSize(3);
    pages.at(2).window = 9;
    PageRecord* block = pages.data();
    pages.setSize(3);
    EXPECT_EQ(9, pages.at(2).window);
    EXPECT_EQ(block, pages.data());
}

TEST(VArraySize, OtherSizeGivesFreshElements) {
    VArray<PageRecord> pages;
    pages.setSize(3);
    pages.at(0).window = 1;
    pages.at(2).parameter = 5;
    pages.setSize(4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(0, pages.at(i).window);
        EXPECT_EQ(0, pages.at(i).parameter);
    }
    pages.clear();
    EXPECT_EQ(0, pages.size());
    EXPECT_EQ(nullptr, pages.data());
}

TEST(VArraySize, NegativeSizeThrowsAndKeepsTheElements) {
    VArray<PageRecord> pages;
    pages.setSize(3);
    pages.at(1).dialogTemplate = 4;
    EXPECT_SYSTEM_EXCEPTION(pages.setSize(-1), ErrorIllegalParameter, "VArray", VARRAY_LINE_NEGATIVE_SIZE);
    EXPECT_EQ(3, pages.size());
    EXPECT_EQ(4, pages.at(1).dialogTemplate);
}

TEST(VArraySize, ElementsAreDestroyedWithTheirBlock) {
    Tracked::live = 0;
    {
        VArray<Tracked> items;
        items.setSize(5);
        EXPECT_EQ(5, Tracked::live);
        items.setSize(2);
        EXPECT_EQ(2, Tracked::live);
    }
    EXPECT_EQ(0, Tracked::live);
}

TEST(VArrayAccess, IndexOutsideThrowsAtLine113) {
    VArray<int> values;
    EXPECT_SYSTEM_EXCEPTION(values.at(0), ErrorSubscriptOutOfRange, "VArray", 113);
    values.setSize(2);
    values.at(1) = 3;
    EXPECT_EQ(3, static_cast<const VArray<int>&>(values).at(1));
    EXPECT_SYSTEM_EXCEPTION(values.at(2), ErrorSubscriptOutOfRange, "VArray", 113);
    EXPECT_SYSTEM_EXCEPTION(values.at(-1), ErrorSubscriptOutOfRange, "VArray", 113);
}

TEST(VArrayFailure, FailedAllocationLeavesAnEmptyUsableArray) {
    VArray<PageRecord> pages;
    pages.setSize(2);
    {
        AllocationProbe probe(0);
        EXPECT_SYSTEM_EXCEPTION(pages.setSize(4), ErrorNotEnoughMemory, "VArray", VARRAY_LINE_NO_MEMORY);
    }
    EXPECT_EQ(0, pages.size());
    EXPECT_EQ(nullptr, pages.data());
    EXPECT_SYSTEM_EXCEPTION(pages.at(0), ErrorSubscriptOutOfRange, "VArray", 113);
    pages.setSize(4);
    EXPECT_EQ(4, pages.size());
}

TEST(VArrayFailure, HugeSizeNeverWrapsIntoASmallBlock) {
    VArray<PropertyPageRecord> pages;
    AllocationProbe probe;
    EXPECT_SYSTEM_EXCEPTION(pages.setSize(INT_MAX), ErrorNotEnoughMemory, "VArray", VARRAY_LINE_NO_MEMORY);
    EXPECT_EQ(0, pages.size());
    // With 32-bit sizes the byte count would wrap: refused before any request.
    // With 64-bit sizes it cannot: the whole size is asked for and refused.
    EXPECT_EQ(sizeof(void*) == 4 ? 0 : 1, probe.requests());
}

TEST(VArrayFailure, FailingElementConstructorUndoesTheBlock) {
    Tracked::live = 0;
    Tracked::failAt = 2;
    VArray<Tracked> items;
    EXPECT_THROW(items.setSize(4), int);
    Tracked::failAt = -1;
    EXPECT_EQ(0, Tracked::live);
    EXPECT_EQ(0, items.size());
}
