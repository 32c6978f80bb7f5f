#include "SettingsGuard.h"

namespace drav::test {
namespace {

const char* const COMPANY_KEY = "Software\\Korvell";
const char* const PRODUCT_KEY = "Software\\Korvell\\DRAV";
const char* const VALUE_NAMES[] = {"MMXDisabled", "ResizingDisabled", "ColorDepthConversion"};

bool keyExists(const char* path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void storeValue(const char* name, DWORD type, const BYTE* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, data, size), ERROR_SUCCESS);
    RegCloseKey(key);
}

void deleteValue(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

}  // namespace

void storeSettingText(const char* name, const char* text) {
    storeValue(name, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(strlen(text) + 1));
}

void storeSettingDword(const char* name, DWORD value) {
    storeValue(name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void removeSettingsKey() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, PRODUCT_KEY);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, COMPANY_KEY);  // fails, as it should, when other products live there
}

std::string storedSettingText(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    char text[256] = {};
    DWORD size = sizeof(text) - 1;
    LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? std::string(text) : "<missing>";
}

void SettingsTest::SetUp() {
    companyKeyExisted_ = keyExists(COMPANY_KEY);
    productKeyExisted_ = keyExists(PRODUCT_KEY);
    HKEY key = nullptr;
    if (productKeyExisted_) RegOpenKeyExA(HKEY_LOCAL_MACHINE, PRODUCT_KEY, 0, KEY_READ, &key);
    for (const char* name : VALUE_NAMES) {
        SavedValue value;
        value.name = name;
        DWORD size = 0;
        if (key && RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
            value.data.resize(size);
            value.present =
                RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
        }
        saved_.push_back(value);
    }
    if (key) RegCloseKey(key);
    // Every test starts from the defaults: no key at all.
    for (const char* name : VALUE_NAMES) deleteValue(name);
    if (!productKeyExisted_) removeSettingsKey();
}

void SettingsTest::TearDown() {
    for (const SavedValue& value : saved_) {
        if (value.present) {
            storeValue(value.name.c_str(), value.type, value.data.data(), DWORD(value.data.size()));
        } else {
            deleteValue(value.name.c_str());
        }
    }
    if (!productKeyExisted_) RegDeleteKeyA(HKEY_LOCAL_MACHINE, PRODUCT_KEY);
    if (!companyKeyExisted_) RegDeleteKeyA(HKEY_LOCAL_MACHINE, COMPANY_KEY);
}

}  // namespace drav::test
