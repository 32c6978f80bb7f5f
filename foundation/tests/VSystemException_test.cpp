#include "foundation/VSystemException.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "foundation/VString.h"

namespace {
std::string messageOf(const VSystemException& e) {
    VString text = e.composeMessage();
    return std::string(text.cStr(), static_cast<std::size_t>(text.length()));
}

std::string systemTextFor(DWORD error) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, 0x400,
                   reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = text ? text : "";
    LocalFree(text);
    return result;
}
}  // namespace

static_assert(sizeof(VSystemException) == (sizeof(void*) == 4 ? 16 : 24),
              "three 32-bit fields and a pointer, copied bitwise");

TEST(SystemMessages, TextsAreTheLibrarysOwn) {
    EXPECT_STREQ("", systemMessages[0]);
    EXPECT_STREQ("Exception", VSystemException::getSystemMessage(MSG_EXCEPTION_CAPTION));
    EXPECT_STREQ("\n\nFile: %s\nLine: %d", VSystemException::getSystemMessage(MSG_FILE_LINE));
    EXPECT_STREQ("NULL pointer assigment.", VSystemException::getSystemMessage(MSG_NULL_POINTER));
    EXPECT_STREQ("Illegal Integer Number", VSystemException::getSystemMessage(MSG_ILLEGAL_INTEGER));
    EXPECT_STREQ("Can't open serial port: ", systemMessages[14]);
    EXPECT_STREQ("Invalid communication parameters.", systemMessages[SYSTEM_MESSAGE_COUNT - 1]);
}

TEST(VSystemExceptionMessage, EveryCodeChoosesItsText) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {0, "Unknown."},
        {ErrorGeneral, "Unknown."},
        {ErrorNotEnoughMemory, "Not Enough Memory"},
        {ErrorGui, "GUI Error"},
        {ErrorSubscriptOutOfRange, "Subscript Out of Range"},
        {ErrorIllegalParameter, "Illegal parameter."},
        {ErrorNullPointer, "NULL pointer assigment."},
        {8, "Unknown."},
        {-1, "Unknown."},
    };
    for (const Case& c : cases) {
        SetLastError(ERROR_FILE_NOT_FOUND);  // must not leak into non-system codes
        VSystemException e(c.code, 113, "VArray");
        EXPECT_EQ(std::string(c.text) + "\n\nFile: VArray\nLine: 113", messageOf(e)) << "code " << c.code;
    }
}

TEST(VSystemExceptionMessage, SystemErrorCarriesTheSystemsOwnText) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    VSystemException e(ErrorWindowsSystem, 268, "VString");
    EXPECT_EQ(static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND), e.systemError);
    std::string systemText = systemTextFor(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(systemText.empty());
    EXPECT_EQ("Windows System Error:\n" + systemText + "\n\nFile: VString\nLine: 268", messageOf(e));
}

TEST(VSystemExceptionMessage, SystemErrorWithoutTextShowsNothingAfterTheBreak) {
    SetLastError(0x2ABCDEF1);
    VSystemException e(ErrorWindowsSystem, 5, "VString");
    ASSERT_TRUE(systemTextFor(0x2ABCDEF1).empty());
    EXPECT_EQ("Windows System Error:\n\n\nFile: VString\nLine: 5", messageOf(e));
}

TEST(VSystemExceptionMessage, CopyKeepsAllFieldsAndText) {
    SetLastError(ERROR_ACCESS_DENIED);
    VSystemException original(ErrorWindowsSystem, 77, "INSTDMain");
    SetLastError(0);
    VSystemException copy = original;
    EXPECT_EQ(original.code, copy.code);
    EXPECT_EQ(original.systemError, copy.systemError);
    EXPECT_EQ(original.line, copy.line);
    EXPECT_EQ(original.file, copy.file);
    EXPECT_EQ(messageOf(original), messageOf(copy));
}
