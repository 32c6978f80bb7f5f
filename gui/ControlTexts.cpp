#include "gui/ControlTexts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/VString.h"

bool wholeTextToInt(const char* text, int& value) {
    value = 0;
    VString digits(text);
    if (digits.isEmpty()) return true;
    int parsed = 0;
    int end = 0;
    if (!digits.toInt(parsed, 0, end) || end != digits.length()) return false;
    value = parsed;
    return true;
}

bool wholeTextToReal(const char* text, double& value) {
    value = 0.0;
    if (*text == '\0') return true;
    char* end = nullptr;
    double parsed = std::strtod(text, &end);
    if (end == text || *end != '\0') return false;
    value = parsed;
    return true;
}

bool readWindowInt(HWND window, int& value) {
    char text[NUMBER_TEXT_SIZE] = "";
    GetWindowTextA(window, text, NUMBER_TEXT_SIZE);
    return wholeTextToInt(text, value);
}

bool readWindowReal(HWND window, double& value) {
    char text[NUMBER_TEXT_SIZE] = "";
    GetWindowTextA(window, text, NUMBER_TEXT_SIZE);
    return wholeTextToReal(text, value);
}

BOOL writeWindowInt(HWND window, int value) {
    char text[NUMBER_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%d", value);
    return SetWindowTextA(window, text);
}

BOOL writeWindowReal(HWND window, double value) {
    char text[NUMBER_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%g", value);
    return SetWindowTextA(window, text);
}

LRESULT readListItemText(HWND control, UINT textMessage, int index, LRESULT length, VString& text) {
    // setLength leaves room for the control's terminator past `length`.
    text.setLength(static_cast<int>(length));
    LRESULT read =
        SendMessageA(control, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text.at(0)));
    if (read < 0) {
        text.clear();
        return read;
    }
    text.setLength(static_cast<int>(read < length ? read : length));
    return read;
}
