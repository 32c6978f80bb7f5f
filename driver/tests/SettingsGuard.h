// Tests change the codec's real settings key; this fixture records the key as
// it was and puts it back, so tests neither see nor leave other values.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace drav::test {

// Raw registry writes below HKLM\Software\Korvell\DRAV, independent of the
// driver's own settings code.
void storeSettingText(const char* name, const char* text);
void storeSettingDword(const char* name, DWORD value);
void removeSettingsKey();
// The value's text as stored, or "<missing>".
std::string storedSettingText(const char* name);

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    struct SavedValue {
        std::string name;
        bool present = false;
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    bool companyKeyExisted_ = false;
    bool productKeyExisted_ = false;
    std::vector<SavedValue> saved_;
};

}  // namespace drav::test
