#pragma once
// The one exception type of the library and of both programs: a plain value of
// three 32-bit fields and a file name, thrown by value at the failing check.
#include <cstdint>

class VString;

enum VSystemErrorCode : std::int32_t {
    ErrorGeneral = 1,
    ErrorNotEnoughMemory = 2,
    ErrorWindowsSystem = 3,
    ErrorGui = 4,
    ErrorSubscriptOutOfRange = 5,
    ErrorIllegalParameter = 6,
    ErrorNullPointer = 7,
};

// Indices into systemMessages.
enum SystemMessageIndex {
    MSG_EMPTY = 0,
    MSG_ERROR_CAPTION = 1,
    MSG_ILLEGAL_INTEGER = 2,
    MSG_ILLEGAL_REAL = 3,
    MSG_EXCEPTION_CAPTION = 4,
    MSG_FILE_LINE = 5,
    MSG_UNKNOWN = 6,
    MSG_NOT_ENOUGH_MEMORY = 7,
    MSG_WINDOWS_SYSTEM_ERROR = 8,
    MSG_GUI_ERROR = 9,
    MSG_SUBSCRIPT_OUT_OF_RANGE = 10,
    MSG_ILLEGAL_PARAMETER = 11,
    MSG_NULL_POINTER = 12,
    MSG_OK = 13,
    SYSTEM_MESSAGE_COUNT = 21,
};

// The library's compiled-in English texts, the same in every language setting.
extern const char* const systemMessages[SYSTEM_MESSAGE_COUNT];

class VSystemException {
public:
    // `file` is the throw site's source stem, a static string. For
    // ErrorWindowsSystem the thread's last error is captured here, before any
    // other call can overwrite it.
    VSystemException(std::int32_t code, std::int32_t line, const char* file);

    // The message box text: the code's message, for ErrorWindowsSystem a line
    // feed and the system's own text, then the file and line block.
    VString composeMessage() const;

    // Shows the composed text in a modal error box owned by the active window.
    void show() const;

    // Entry `index` of systemMessages; callers pass constants.
    static const char* getSystemMessage(int index);

    std::int32_t code;
    std::uint32_t systemError;  // read only when code is ErrorWindowsSystem
    std::int32_t line;
    const char* file;
};
