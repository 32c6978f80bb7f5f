// The resources of the built install.exe, read from the file as a data
// module: the licence text and the version record.
// DRAV_INSTALL_EXE names the built file. (The embedded driver is compared
// with the built one by the wizard cases, once installed.)
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "VersionResource.h"
#include "install/res/InstallResources.h"

namespace {

class InstallResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        exePath_ = unixFileAsWindows("DRAV_INSTALL_EXE");
        module_ = LoadLibraryExA(exePath_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    void SetUp() override { ASSERT_NE(module_, nullptr) << "cannot open " << exePath_; }

    static std::string binary(int id) {
        HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(id), "BINARY");
        if (found == nullptr) return "";
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(module_, found)));
        return std::string(bytes, SizeofResource(module_, found));
    }

    static inline std::string exePath_;
    static inline HMODULE module_ = nullptr;
};

// The licence page reads up to the closing NUL and shows CR LF lines.
TEST_F(InstallResources, LicenceIsCrLfTextEndingInItsOwnNul) {
    std::string text = binary(IDR_LICENSE_TEXT);
    ASSERT_GT(text.size(), 100u);
    EXPECT_EQ(text.back(), '\0');
    EXPECT_EQ(text.find('\0'), text.size() - 1);
    for (size_t i = text.find('\n'); i != std::string::npos; i = text.find('\n', i + 1))
        ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at " << i;
}

// The readme part of the text describes the codec and its removal as they
// are: exact pictures at 8 and 16 bits only, removal by the uninstaller.
TEST_F(InstallResources, LicenceReadmeTellsHowToRemoveTheCodec) {
    std::string text = binary(IDR_LICENSE_TEXT);
    EXPECT_NE(text.find("install.exe /uninstall"), std::string::npos);
    EXPECT_NE(text.find("list of installed programs"), std::string::npos);
    EXPECT_EQ(text.find("Every frame comes back exactly"), std::string::npos);
    EXPECT_EQ(text.find("delete that entry"), std::string::npos);
}

// The one version of the build, which the driver file carries too.
TEST_F(InstallResources, VersionRecordIsHungarianUnicodeWithTheDriversVersion) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(exePath_.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(exePath_.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    std::string driverVersion = fileVersionOf(builtDriverFile());
    EXPECT_EQ(fileVersionOf(exePath_), driverVersion);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    WORD* translation = nullptr;
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(translation[0], 0x040E);
    EXPECT_EQ(translation[1], 1200);

    auto text = [&](const char* key) {
        char* value = nullptr;
        std::string path = std::string("\\StringFileInfo\\040e04b0\\") + key;
        if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
            return std::string("<absent>");
        return std::string(value);
    };
    EXPECT_EQ(text("FileDescription"), "Drevantic Installation Program");
    std::string driverText = driverVersion;
    for (size_t dot = driverText.find('.'); dot != std::string::npos; dot = driverText.find('.', dot))
        driverText.replace(dot, 1, ", ");
    EXPECT_EQ(text("FileVersion"), driverText);
    EXPECT_EQ(text("ProductVersion"), driverText);
    EXPECT_EQ(text("InternalName"), "DRAV.EXE");
    EXPECT_EQ(text("OriginalFilename"), "Install.exe");
    EXPECT_EQ(text("ProductName"), "Korvell Install");
    EXPECT_NE(text("LegalCopyright").find("2001"), std::string::npos);
    for (const char* empty : {"Comments", "LegalTrademarks", "PrivateBuild", "SpecialBuild"})
        EXPECT_EQ(text(empty), "") << empty;
}

}  // namespace
