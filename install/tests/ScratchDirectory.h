#pragma once
// A folder of the test's own in the temporary directory, for files the
// installer writes; removed with what the tests put there.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

class ScratchDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        directory_ = std::string(temp) + "drav-install-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(directory_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const char* name : {"DRAV32.VCM", "DRAV64.VCM", "DRAVINST.EXE", "system.ini", "wininit.ini"})
            DeleteFileA(path(name).c_str());
        RemoveDirectoryA(directory_.c_str());
    }
    std::string path(const char* name) const { return directory_ + "\\" + name; }

    static std::string contents(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void write(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }

    std::string directory_;
};
