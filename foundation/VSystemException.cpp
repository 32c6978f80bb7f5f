#include "foundation/VSystemException.h"

#include <windows.h>

#include "foundation/VString.h"

namespace {
int messageIndexFor(std::int32_t code) {
    switch (code) {
        case ErrorNotEnoughMemory: return MSG_NOT_ENOUGH_MEMORY;
        case ErrorWindowsSystem: return MSG_WINDOWS_SYSTEM_ERROR;
        case ErrorGui: return MSG_GUI_ERROR;
        case ErrorSubscriptOutOfRange: return MSG_SUBSCRIPT_OUT_OF_RANGE;
        case ErrorIllegalParameter: return MSG_ILLEGAL_PARAMETER;
        case ErrorNullPointer: return MSG_NULL_POINTER;
        default: return MSG_UNKNOWN;
    }
}

// A buffer that FormatMessageA allocated, released whatever happens.
struct SystemTextBuffer {
    char* text = nullptr;
    ~SystemTextBuffer() { LocalFree(text); }
};

// Appends the system's text for `error` as it comes (with its own line
// break); nothing when the system has no text for it.
void appendSystemText(VString& text, std::uint32_t error) {
    SystemTextBuffer systemText;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&systemText.text),
                                  0, nullptr);
    if (length > 0 && systemText.text != nullptr) text.append(VString(systemText.text));
}
}  // namespace

VSystemException::VSystemException(std::int32_t code_, std::int32_t line_, const char* file_)
    : code(code_), systemError(code_ == ErrorWindowsSystem ? GetLastError() : 0), line(line_), file(file_) {}

const char* VSystemException::getSystemMessage(int index) { return systemMessages[index]; }

VString VSystemException::composeMessage() const {
    VString text(getSystemMessage(messageIndexFor(code)));
    if (code == ErrorWindowsSystem) {
        text.append('\n');
        appendSystemText(text, systemError);
    }
    text.appendFormat(getSystemMessage(MSG_FILE_LINE), file, static_cast<int>(line));
    return text;
}

void VSystemException::show() const {
    VString text = composeMessage();
    MessageBoxA(GetActiveWindow(), text.cStr(), getSystemMessage(MSG_EXCEPTION_CAPTION), MB_ICONERROR);
}
