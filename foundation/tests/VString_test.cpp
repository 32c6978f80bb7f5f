#include "foundation/VString.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "AllocationProbe.h"
#include "ExpectThrow.h"
#include "test_resources.h"

namespace {
std::string bytesOf(const VString& s) { return std::string(s.cStr(), static_cast<std::size_t>(s.length())); }

VString repeated(char c, int n) {
    VString s;
    for (int i = 0; i < n; ++i) s.append(c);
    return s;
}
}  // namespace

TEST(VStringConstruction, DefaultOwnsNoBufferAndSharesTheEmptyText) {
    AllocationProbe probe;
    VString none;
    VString other;
    EXPECT_EQ(0, none.capacity());
    EXPECT_STREQ("", none.cStr());
    EXPECT_EQ(none.cStr(), other.cStr());
    EXPECT_EQ(0, probe.requests());
}

TEST(VStringConstruction, EmptyTextStillOwnsSeventeenBytes) {
    VString none;
    VString empty("");
    EXPECT_EQ(0, empty.length());
    EXPECT_EQ(17, empty.capacity());
    EXPECT_NE(none.cStr(), empty.cStr());
    VString fromNull(static_cast<const char*>(nullptr));
    EXPECT_TRUE(fromNull.isEmpty());
    EXPECT_EQ(17, fromNull.capacity());
}

TEST(VStringConstruction, CopyOfEmptyStringOwnsNoBuffer) {
    VString empty("");
    VString copy(empty);
    EXPECT_EQ(0, copy.capacity());
}

TEST(VStringGrowth, CapacityStepsOfSixteenPlusOne) {
    EXPECT_EQ(17, repeated('x', 15).capacity());
    EXPECT_EQ(33, repeated('x', 16).capacity());
    EXPECT_EQ(33, repeated('x', 31).capacity());
    EXPECT_EQ(49, repeated('x', 32).capacity());
}

TEST(VStringGrowth, AppendingCharactersReallocatesOncePerSixteen) {
    AllocationProbe probe;
    repeated('x', 64);
    EXPECT_EQ(5, probe.requests());  // 17, 33, 49, 65, 81
}

TEST(VStringGrowth, NeverShrinks) {
    VString s = repeated('x', 40);
    s.setLength(1);
    EXPECT_EQ(49, s.capacity());
    s.clear();
    EXPECT_EQ(49, s.capacity());
    s.assign("ab");
    EXPECT_EQ(49, s.capacity());
}

TEST(VStringLength, SetLengthPadsWithBlanksAndCutsWithoutReallocating) {
    VString s("ab");
    s.setLength(5);
    EXPECT_EQ("ab   ", bytesOf(s));
    s.setLength(1);
    EXPECT_EQ("a", bytesOf(s));
    EXPECT_EQ(17, s.capacity());
    EXPECT_SYSTEM_EXCEPTION(s.setLength(-1), ErrorIllegalParameter, "VString", VSTRING_LINE_NEGATIVE_LENGTH);
    EXPECT_EQ("a", bytesOf(s));
}

TEST(VStringEdit, RemoveTruncatesMovesTailOrIgnores) {
    VString s("abcdef");
    s.remove(2, 100);
    EXPECT_EQ("ab", bytesOf(s));

    s.assign("abcdef");
    s.remove(6, 1);
    s.remove(-1, 1);
    s.remove(2, 0);
    s.remove(2, -3);
    EXPECT_EQ("abcdef", bytesOf(s));

    s.remove(1, 2);
    EXPECT_EQ("adef", bytesOf(s));
    s.remove(1, 3);  // position + count == length: truncates
    EXPECT_EQ("a", bytesOf(s));
    s.assign("abcdef");
    s.remove(3, INT_MAX);
    EXPECT_EQ("abc", bytesOf(s));
}

TEST(VStringEdit, AppendOfItselfDoublesAcrossAReallocation) {
    VString s = repeated('z', 15);
    s.append('!');
    s.append(s);
    EXPECT_EQ(32, s.length());
    EXPECT_EQ("zzzzzzzzzzzzzzz!zzzzzzzzzzzzzzz!", bytesOf(s));
}

TEST(VStringEdit, AssignmentToItselfAndFromItsOwnText) {
    VString s("hello");
    s.append('\0').append('!');
    VString& alias = s;
    s = alias;
    EXPECT_EQ(std::string("hello\0!", 7), bytesOf(s));

    s.assign("hello world");
    s.assign(s.cStr() + 6);
    EXPECT_EQ("world", bytesOf(s));
}

TEST(VStringEdit, CopiesUseTextSemanticsWhileAppendCopiesBytes) {
    VString s("ab");
    s.append('\0').append('c');
    VString tail("x");
    tail.append(s);
    EXPECT_EQ(std::string("xab\0c", 5), bytesOf(tail));  // append: exact bytes

    VString copy(s);
    EXPECT_EQ(std::string("ab\0\0", 4), bytesOf(copy));  // copy: ends at the NUL, padded
    VString assigned;
    assigned = s;
    EXPECT_EQ(std::string("ab\0\0", 4), bytesOf(assigned));
}

TEST(VStringAccess, AtChecksBounds) {
    VString s("abc");
    s.at(1) = 'B';
    EXPECT_EQ('B', static_cast<const VString&>(s).at(1));
    EXPECT_SYSTEM_EXCEPTION(s.at(3), ErrorSubscriptOutOfRange, "VString", VSTRING_LINE_AT);
    EXPECT_SYSTEM_EXCEPTION(s.at(-1), ErrorSubscriptOutOfRange, "VString", VSTRING_LINE_AT);
    VString none;
    EXPECT_SYSTEM_EXCEPTION(none.at(0), ErrorSubscriptOutOfRange, "VString", VSTRING_LINE_AT);
}

TEST(VStringAccess, CStrTerminatesAfterShortening) {
    VString s("abcdef");
    s.setLength(3);
    EXPECT_STREQ("abc", s.cStr());
}

TEST(VStringSearch, FindAndReverseFind) {
    VString s("a\\b\\c");
    EXPECT_EQ(1, s.find('\\', -5));
    EXPECT_EQ(3, s.find('\\', 2));
    EXPECT_EQ(-1, s.find('\\', 4));
    EXPECT_EQ(-1, s.find('\\', 99));
    EXPECT_EQ(3, s.reverseFind('\\'));
    EXPECT_EQ(-1, s.reverseFind('x'));
    EXPECT_EQ(-1, VString().reverseFind('x'));
    EXPECT_EQ(-1, VString().find('x'));
}

TEST(VStringSearch, MidClipsAtTheEnd) {
    VString s("abcdef");
    EXPECT_EQ("cd", bytesOf(s.mid(2, 2)));
    EXPECT_EQ("ef", bytesOf(s.mid(4, 100)));
    EXPECT_EQ("ef", bytesOf(s.mid(4, INT_MAX)));
    EXPECT_TRUE(s.mid(6, 1).isEmpty());
    EXPECT_TRUE(s.mid(1, 0).isEmpty());
    EXPECT_SYSTEM_EXCEPTION(s.mid(-1, 2), ErrorSubscriptOutOfRange, "VString", VSTRING_LINE_MID);
}

TEST(VStringNumber, ParsesFromStartAndReportsTheEnd) {
    VString s("  42abc");
    int value = -1;
    int end = -1;
    EXPECT_TRUE(s.toInt(value, 0, end));
    EXPECT_EQ(42, value);
    EXPECT_EQ(4, end);

    EXPECT_TRUE(s.toInt(value, 3, end));
    EXPECT_EQ(2, value);
    EXPECT_EQ(4, end);

    value = 7;
    EXPECT_FALSE(s.toInt(value, 4, end));
    EXPECT_EQ(7, value);
    EXPECT_EQ(4, end);
}

TEST(VStringNumber, SignsAndClamping) {
    int value = 0;
    int end = 0;
    EXPECT_TRUE(VString("-17").toInt(value, 0, end));
    EXPECT_EQ(-17, value);
    EXPECT_TRUE(VString("99999999999").toInt(value, 0, end));
    EXPECT_EQ(INT_MAX, value);
    EXPECT_EQ(11, end);
    EXPECT_TRUE(VString("-99999999999").toInt(value, 0, end));
    EXPECT_EQ(INT_MIN, value);
}

TEST(VStringNumber, NothingToParse) {
    int value = 5;
    int end = 9;
    EXPECT_FALSE(VString("abc").toInt(value, 0, end));
    EXPECT_EQ(5, value);
    EXPECT_EQ(0, end);

    end = 9;
    EXPECT_FALSE(VString().toInt(value, 0, end));
    EXPECT_FALSE(VString("").toInt(value, 3, end));
    EXPECT_EQ(5, value);
    EXPECT_EQ(9, end);

    EXPECT_SYSTEM_EXCEPTION(VString("123").toInt(value, 10, end), ErrorSubscriptOutOfRange, "VString",
                            VSTRING_LINE_TO_INT);
    EXPECT_SYSTEM_EXCEPTION(VString("123").toInt(value, -1, end), ErrorSubscriptOutOfRange, "VString",
                            VSTRING_LINE_TO_INT);
}

TEST(VStringFormat, BoundedAtTheLimit) {
    VString s;
    s.format("%s-%d", "n", 12);
    EXPECT_EQ("n-12", bytesOf(s));

    s.format("%1024d", 7);
    EXPECT_EQ(1024, s.length());
    EXPECT_EQ('7', s.at(1023));

    EXPECT_SYSTEM_EXCEPTION(s.format("%1025d", 7), ErrorGeneral, "VString", VSTRING_LINE_FORMAT_OVERFLOW);
    EXPECT_SYSTEM_EXCEPTION(s.appendFormat("%1025d", 7), ErrorGeneral, "VString", VSTRING_LINE_FORMAT_OVERFLOW);
}

TEST(VStringFormat, AppendFormatKeepsTheCurrentText) {
    VString s("File");
    s.appendFormat(": %s (%d)", "a.txt", 3);
    EXPECT_EQ("File: a.txt (3)", bytesOf(s));
    s.appendFormat("%s", s.cStr());
    EXPECT_EQ("File: a.txt (3)File: a.txt (3)", bytesOf(s));
}

TEST(VStringFormat, FormattedNulEndsTheTextButKeepsTheLength) {
    VString s;
    s.format("a%cb", 0);
    EXPECT_EQ(std::string("a\0\0", 3), bytesOf(s));
}

TEST(VStringResources, LoadsStringsAndFormats) {
    VString s;
    s.loadString(IDS_GREETING);
    EXPECT_TRUE(s == "Hello from a string table");
    s.format(IDS_FORMAT, 3, "pears");
    EXPECT_TRUE(s == "3 apples, pears");
}

TEST(VStringResources, OverlongResourceIsCutAtTheBuffer) {
    VString s;
    s.loadString(IDS_OVERLONG);
    EXPECT_EQ(1023, s.length());
    EXPECT_EQ('2', s.at(1022));
}

TEST(VStringResources, MissingResourceThrowsSystemError) {
    VString s("kept");
    EXPECT_SYSTEM_EXCEPTION(s.loadString(IDS_MISSING), ErrorWindowsSystem, "VString", VSTRING_LINE_LOAD_STRING);
    EXPECT_SYSTEM_EXCEPTION(s.format(IDS_MISSING, 1), ErrorWindowsSystem, "VString", VSTRING_LINE_LOAD_STRING);
}

TEST(VStringCompare, ByteForByteAgainstText) {
    VString s("Abc");
    EXPECT_TRUE(s == "Abc");
    EXPECT_TRUE(s != "abc");
    EXPECT_TRUE(s != "Ab");
    EXPECT_TRUE(s != "Abcd");
    EXPECT_TRUE(s != nullptr);
    EXPECT_TRUE(VString() == nullptr);
    EXPECT_TRUE(VString("") == nullptr);
    EXPECT_TRUE(VString() == "");
    s.append('\0');
    EXPECT_TRUE(s != "Abc");
}

TEST(VStringAllocationFailure, GrowthThrowsAndKeepsTheString) {
    VString s("0123456789abcde");
    AllocationProbe probe(0);
    EXPECT_SYSTEM_EXCEPTION(s.append('f'), ErrorNotEnoughMemory, "VString", VSTRING_LINE_NO_MEMORY);
    EXPECT_EQ("0123456789abcde", bytesOf(s));
    EXPECT_EQ(17, s.capacity());
    EXPECT_SYSTEM_EXCEPTION(s.setLength(40), ErrorNotEnoughMemory, "VString", VSTRING_LINE_NO_MEMORY);
    EXPECT_SYSTEM_EXCEPTION(s.append(s), ErrorNotEnoughMemory, "VString", VSTRING_LINE_NO_MEMORY);
    EXPECT_SYSTEM_EXCEPTION(s.appendFormat("%20d", 1), ErrorNotEnoughMemory, "VString", VSTRING_LINE_NO_MEMORY);
    EXPECT_SYSTEM_EXCEPTION(VString copy(s), ErrorNotEnoughMemory, "VString", VSTRING_LINE_NO_MEMORY);
    EXPECT_SYSTEM_EXCEPTION(VString text(""), ErrorNotEnoughMemory, "VString", VSTRING_LINE_NO_MEMORY);
    s.assign("short");  // fits the existing buffer
    EXPECT_EQ("short", bytesOf(s));
}

TEST(VStringAllocationFailure, EmptyStringStaysUsableAfterAFailedFirstAllocation) {
    VString s;
    {
        AllocationProbe probe(0);
        EXPECT_SYSTEM_EXCEPTION(s.append('a'), ErrorNotEnoughMemory, "VString", VSTRING_LINE_NO_MEMORY);
    }
    EXPECT_EQ(0, s.length());
    EXPECT_STREQ("", s.cStr());
    s.append('a');
    EXPECT_EQ("a", bytesOf(s));
}

TEST(VStringAllocationFailure, LengthsBeyondTheGrowthRuleNeverWrapAround) {
    VString s("abc");
    AllocationProbe probe;
    EXPECT_SYSTEM_EXCEPTION(s.setLength(INT_MAX), ErrorNotEnoughMemory, "VString", VSTRING_LINE_TOO_LONG);
    EXPECT_SYSTEM_EXCEPTION(s.setLength(VString::MAX_LENGTH + 1), ErrorNotEnoughMemory, "VString",
                            VSTRING_LINE_TOO_LONG);
    EXPECT_EQ(0, probe.requests());
    EXPECT_EQ("abc", bytesOf(s));
}
