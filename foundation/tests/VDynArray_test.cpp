#include "foundation/VDynArray.h"

#include <gtest/gtest.h>

#include <climits>

#include "AllocationProbe.h"
#include "ExpectThrow.h"

namespace {
// Like the dialog framework's subclass record: three 32-bit words.
struct SubclassRecord {
    int window;
    int procedure;
    int id;
};

void fill(VDynArray<SubclassRecord>& records, int n) {
    for (int i = 0; i < n; ++i) records.add(SubclassRecord{i, i * 2, i * 3});
}

void expectFilled(VDynArray<SubclassRecord>& records, int n) {
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(i, records.at(i).window);
        ASSERT_EQ(i * 3, records.at(i).id);
    }
}
}  // namespace

TEST(VDynArrayAdd, ReturnsTheNewIndex) {
    VDynArray<SubclassRecord> records;
    EXPECT_EQ(0, records.add(SubclassRecord{7, 8, 9}));
    EXPECT_EQ(1, records.add(SubclassRecord{1, 2, 3}));
    EXPECT_EQ(2, records.addEmpty());
    EXPECT_EQ(3, records.count());
    EXPECT_EQ(7, records.at(0).window);
    EXPECT_EQ(3, records.at(1).id);
}

TEST(VDynArrayAdd, AddingACopyOfItsOwnElementIsSafe) {
    VDynArray<SubclassRecord> records;
    fill(records, 32);
    records.add(records.at(5));  // the 33rd element opens a chunk
    EXPECT_EQ(5, records.last().window);
    EXPECT_EQ(15, records.last().id);
}

TEST(VDynArrayChunks, TheThirtyThirdElementOpensTheSecondChunk) {
    VDynArray<SubclassRecord> records;
    AllocationProbe probe;
    records.add(SubclassRecord{});
    EXPECT_EQ(2, probe.requests());  // chunk table and first chunk
    fill(records, 31);
    EXPECT_EQ(2, probe.requests());
    SubclassRecord* first = &records.at(0);
    records.add(SubclassRecord{});
    EXPECT_EQ(4, probe.requests());  // table grows, second chunk
    EXPECT_EQ(first, &records.at(0));
}

TEST(VDynArrayChunks, ShrinkingBelowABoundaryFreesTheChunk) {
    VDynArray<SubclassRecord> records;
    fill(records, 33);
    AllocationProbe probe;
    records.setCount(32);
    int afterShrink = probe.requests();
    records.setCount(33);
    EXPECT_EQ(2, probe.requests() - afterShrink);  // the table and a chunk: the old one was freed
    expectFilled(records, 32);
}

TEST(VDynArrayChunks, ElementsNeverMove) {
    VDynArray<SubclassRecord> records;
    fill(records, 40);
    SubclassRecord* early = &records.at(3);
    SubclassRecord* late = &records.at(39);
    fill(records, 500);
    records.setCount(41);
    EXPECT_EQ(early, &records.at(3));
    EXPECT_EQ(late, &records.at(39));
    expectFilled(records, 40);
}

TEST(VDynArrayAccess, BoundsAndLast) {
    VDynArray<SubclassRecord> records;
    EXPECT_SYSTEM_EXCEPTION(records.last(), ErrorSubscriptOutOfRange, "VDynArray", VDYNARRAY_LINE_SUBSCRIPT);
    fill(records, 3);
    EXPECT_EQ(2, records.last().window);
    EXPECT_SYSTEM_EXCEPTION(records.at(3), ErrorSubscriptOutOfRange, "VDynArray", VDYNARRAY_LINE_SUBSCRIPT);
    EXPECT_SYSTEM_EXCEPTION(records.at(-1), ErrorSubscriptOutOfRange, "VDynArray", VDYNARRAY_LINE_SUBSCRIPT);
    records.setCount(0);
    EXPECT_SYSTEM_EXCEPTION(records.at(0), ErrorSubscriptOutOfRange, "VDynArray", VDYNARRAY_LINE_SUBSCRIPT);
}

TEST(VDynArrayAccess, NegativeCountThrowsAndKeepsTheElements) {
    VDynArray<SubclassRecord> records;
    fill(records, 3);
    EXPECT_SYSTEM_EXCEPTION(records.setCount(-1), ErrorIllegalParameter, "VDynArray", VDYNARRAY_LINE_NEGATIVE_COUNT);
    EXPECT_EQ(3, records.count());
    expectFilled(records, 3);
}

TEST(VDynArrayFailure, FailedChunkKeepsTheOldCount) {
    VDynArray<SubclassRecord> records;
    fill(records, 32);
    {
        AllocationProbe probe(1);  // the table may grow, the chunk may not
        EXPECT_SYSTEM_EXCEPTION(records.add(SubclassRecord{}), ErrorNotEnoughMemory, "VDynArray",
                                VDYNARRAY_LINE_NO_MEMORY);
    }
    EXPECT_EQ(32, records.count());
    expectFilled(records, 32);
    EXPECT_EQ(32, records.add(SubclassRecord{32, 0, 96}));
    expectFilled(records, 33);
}

TEST(VDynArrayFailure, FailurePartWayThroughManyChunks) {
    VDynArray<SubclassRecord> records;
    for (int allowed = 0; allowed < 4; ++allowed) {
        AllocationProbe probe(allowed);
        EXPECT_SYSTEM_EXCEPTION(records.setCount(200), ErrorNotEnoughMemory, "VDynArray", VDYNARRAY_LINE_NO_MEMORY);
        EXPECT_EQ(0, records.count());
    }
    fill(records, 200);
    expectFilled(records, 200);
}

TEST(VDynArrayFailure, ShrinkingNeedsNoMemory) {
    VDynArray<SubclassRecord> records;
    fill(records, 100);
    AllocationProbe probe(0);
    records.setCount(40);
    EXPECT_EQ(40, records.count());
    expectFilled(records, 40);
    records.setCount(0);
    EXPECT_EQ(0, records.count());
}

TEST(VDynArrayFailure, HugeCountNeverWrapsIntoAShrink) {
    VDynArray<SubclassRecord> records;
    fill(records, 5);
    AllocationProbe probe(0);
    EXPECT_SYSTEM_EXCEPTION(records.setCount(INT_MAX), ErrorNotEnoughMemory, "VDynArray", VDYNARRAY_LINE_NO_MEMORY);
    EXPECT_EQ(5, records.count());
    expectFilled(records, 5);
}
