// The codec's three machine-wide switches, REG_SZ values below
// HKEY_LOCAL_MACHINE\Software\Korvell\DRAV. Read afresh at every use, never
// cached: the Setup dialog may change them between two calls. The key is
// the one of the native registry view: on 64-bit Windows the 32-bit driver
// (running under WoW64) and the 64-bit driver share one set of switches.
#pragma once

#include <cstddef>

namespace drav {

constexpr const char* SETTING_MMX_DISABLED = "MMXDisabled";
constexpr const char* SETTING_RESIZING_DISABLED = "ResizingDisabled";
constexpr const char* SETTING_COLOR_DEPTH_CONVERSION = "ColorDepthConversion";
constexpr size_t SETTING_TEXT_CAPACITY = 256;  // bytes of value data read
using SettingText = char[SETTING_TEXT_CAPACITY + 1];

// True with the value's text (up to its first zero byte) when the key path
// opens and the value is read, whatever its registry type; false with an
// empty text otherwise.
bool ReadCodecSetting(const char* valueName, SettingText& text);

// Stores the text as REG_SZ, creating the key path when missing.
bool WriteCodecSetting(const char* valueName, const char* text);

// A switch is allowed unless its value reads as a text other than "0".
bool IsMMXAllowed();
bool IsResizingAllowed();
bool IsColorDepthConversionAllowed();

// Write "0" when allowed, "1" when disabled; a failed write goes unnoticed.
void SetMMXAllowed(bool allowed);
void SetResizingAllowed(bool allowed);
void SetColorDepthConversionAllowed(bool allowed);

}  // namespace drav
