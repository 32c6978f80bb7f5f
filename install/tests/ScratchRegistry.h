#pragma once
// A scratch key of the test process, in HKEY_CURRENT_USER, standing in for
// HKEY_LOCAL_MACHINE; removed with everything below it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

class ScratchRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = "Software\\DravInstallTests\\" + std::to_string(GetCurrentProcessId());
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, name_.c_str(), &root_), ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(root_);
        RegDeleteTreeA(HKEY_CURRENT_USER, name_.c_str());
    }

    void createKey(const char* path) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(root_, path, &key), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    bool keyExists(const char* path) const {
        HKEY key;
        if (RegOpenKeyA(root_, path, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    // "type:data" with the stored length checked against text + NUL.
    std::string value(const char* path, const char* name) const {
        char data[64] = "";
        DWORD type = 0, size = sizeof data;
        if (RegGetValueA(root_, path, name, RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS) return "<absent>";
        if (size != std::string(data).size() + 1) return "<unterminated>";
        return std::to_string(type) + ":" + data;
    }

    HKEY root_ = nullptr;
    std::string name_;
};
