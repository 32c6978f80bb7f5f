#include "CodecSettings.h"

#include <windows.h>

#include <cstring>

#include "foundation/Wow64.h"

namespace drav {
namespace {

const char* const SETTINGS_PATH[] = {"Software", "Korvell", "DRAV"};
constexpr int PATH_DEPTH = 3;

// Closes the keys opened along the path, innermost first.
void closeKeys(HKEY* keys, int count) {
    while (count > 0) RegCloseKey(keys[--count]);
}

bool isSwitchAllowed(const char* valueName) {
    SettingText text;
    return !ReadCodecSetting(valueName, text) || std::strcmp(text, "0") == 0;
}

void setSwitchAllowed(const char* valueName, bool allowed) { WriteCodecSetting(valueName, allowed ? "0" : "1"); }

}  // namespace

bool ReadCodecSetting(const char* valueName, SettingText& text) {
    text[0] = 0;
    HKEY keys[PATH_DEPTH];
    HKEY parent = HKEY_LOCAL_MACHINE;
    const REGSAM view = nativeRegistryView();
    for (int depth = 0; depth < PATH_DEPTH; ++depth) {
        if (RegOpenKeyExA(parent, SETTINGS_PATH[depth], 0, KEY_READ | view, &keys[depth]) != ERROR_SUCCESS) {
            closeKeys(keys, depth);
            return false;
        }
        parent = keys[depth];
    }
    BYTE data[SETTING_TEXT_CAPACITY];
    DWORD length = sizeof(data);
    bool read = RegQueryValueExA(parent, valueName, nullptr, nullptr, data, &length) == ERROR_SUCCESS;
    if (read) {
        // The data may lack its terminating zero, or hold one early.
        size_t textLength = strnlen(reinterpret_cast<const char*>(data), length);
        std::memcpy(text, data, textLength);
        text[textLength] = 0;
    }
    closeKeys(keys, PATH_DEPTH);
    return read;
}

bool WriteCodecSetting(const char* valueName, const char* text) {
    // The access RegOpenKeyA and RegCreateKeyA ask for, in the native view.
    const REGSAM access = MAXIMUM_ALLOWED | nativeRegistryView();
    HKEY keys[PATH_DEPTH];
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SETTINGS_PATH[0], 0, access, &keys[0]) != ERROR_SUCCESS) return false;
    int opened = 1;
    for (; opened < PATH_DEPTH; ++opened) {
        if (RegCreateKeyExA(keys[opened - 1], SETTINGS_PATH[opened], 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                            nullptr, &keys[opened], nullptr) != ERROR_SUCCESS)
            break;
    }
    bool stored = opened == PATH_DEPTH &&
                  RegSetValueExA(keys[PATH_DEPTH - 1], valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 DWORD(std::strlen(text) + 1)) == ERROR_SUCCESS;
    closeKeys(keys, opened);
    return stored;
}

bool IsMMXAllowed() { return isSwitchAllowed(SETTING_MMX_DISABLED); }
bool IsResizingAllowed() { return isSwitchAllowed(SETTING_RESIZING_DISABLED); }
bool IsColorDepthConversionAllowed() { return isSwitchAllowed(SETTING_COLOR_DEPTH_CONVERSION); }

void SetMMXAllowed(bool allowed) { setSwitchAllowed(SETTING_MMX_DISABLED, allowed); }
void SetResizingAllowed(bool allowed) { setSwitchAllowed(SETTING_RESIZING_DISABLED, allowed); }
void SetColorDepthConversionAllowed(bool allowed) { setSwitchAllowed(SETTING_COLOR_DEPTH_CONVERSION, allowed); }

}  // namespace drav
