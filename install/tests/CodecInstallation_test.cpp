// The installation's system work without the wizard: platform naming and
// version text, writing the driver file, and both registration records.
// Registry cases run below a scratch root of their own in HKEY_CURRENT_USER,
// shaped like HKEY_LOCAL_MACHINE where the case needs it.
#include "install/CodecInstallation.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "foundation/VByteBuffer.h"
#include "foundation/VString.h"
#include "ScratchDirectory.h"
#include "ScratchRegistry.h"
#include "VersionResource.h"
#include "install/RestartQueue.h"

namespace {

OSVERSIONINFOA versionOf(DWORD platform, DWORD major, DWORD minor, DWORD build = 0) {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwPlatformId = platform;
    version.dwMajorVersion = major;
    version.dwMinorVersion = minor;
    version.dwBuildNumber = build;
    return version;
}

std::string nameOf(const OSVERSIONINFOA& version) {
    const char* name = platformName(version);
    return name != nullptr ? name : "<none>";
}

TEST(PlatformName, NamesEachFamilyByVersion) {
    EXPECT_EQ(nameOf(versionOf(VER_PLATFORM_WIN32s, 3, 10)), "Microsoft Win32s ");
    EXPECT_EQ(nameOf(versionOf(VER_PLATFORM_WIN32_WINDOWS, 4, 0)), "Microsoft Windows 95 ");
    EXPECT_EQ(nameOf(versionOf(VER_PLATFORM_WIN32_WINDOWS, 4, 10)), "Microsoft Windows 98 ");
    EXPECT_EQ(nameOf(versionOf(VER_PLATFORM_WIN32_WINDOWS, 4, 90)), "Microsoft Windows 98 ");  // Me
    EXPECT_EQ(nameOf(versionOf(VER_PLATFORM_WIN32_WINDOWS, 5, 0)), "Microsoft Windows 98 ");
    EXPECT_EQ(nameOf(versionOf(VER_PLATFORM_WIN32_NT, 4, 0)), "Microsoft Windows NT ");
    EXPECT_EQ(nameOf(versionOf(VER_PLATFORM_WIN32_NT, 5, 0)), "Microsoft Windows 2000 ");
    EXPECT_EQ(nameOf(versionOf(VER_PLATFORM_WIN32_NT, 6, 1)), "Microsoft Windows 2000 ");
}

TEST(PlatformName, UnknownPlatformGetsNoName) {
    EXPECT_EQ(platformName(versionOf(3, 10, 0)), nullptr);
    EXPECT_EQ(platformName(versionOf(0xFFFFFFFF, 10, 0)), nullptr);
}

TEST(PlatformName, OnlyThe95And98AndNtFamiliesAreSupported) {
    EXPECT_FALSE(isSupportedPlatform(VER_PLATFORM_WIN32s));
    EXPECT_TRUE(isSupportedPlatform(VER_PLATFORM_WIN32_WINDOWS));
    EXPECT_TRUE(isSupportedPlatform(VER_PLATFORM_WIN32_NT));
    EXPECT_FALSE(isSupportedPlatform(3));
}

TEST(VersionText, ShowsTheLowWordOfTheBuildAndEndsWithALineBreak) {
    VString text;
    formatVersionText(text, versionOf(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A08AE));
    EXPECT_STREQ(text.cStr(), "4.10 (Build 2222)\n");
    formatVersionText(text, versionOf(VER_PLATFORM_WIN32_NT, 6, 1, 7601));
    EXPECT_STREQ(text.cStr(), "6.1 (Build 7601)\n");
}

TEST(VersionQuery, ReportsTheRunningSystem) {
    OSVERSIONINFOEXA version;
    ASSERT_TRUE(queryPlatformVersion(version));
    EXPECT_TRUE(isSupportedPlatform(version.dwPlatformId));
    EXPECT_GE(version.dwMajorVersion, 4u);
}

TEST(TargetPaths, AreTheSystemAndWindowsDirectoriesWithOneBackslash) {
    char system[MAX_PATH], windows[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    GetWindowsDirectoryA(windows, MAX_PATH);
    VString path;
    codecTargetPath(path);
    EXPECT_EQ(std::string(path.cStr()), std::string(system) + "\\DRAV32.VCM");
    systemIniPath(path);
    EXPECT_EQ(std::string(path.cStr()), std::string(windows) + "\\system.ini");
}

// --- The driver file -----------------------------------------------------------

using DriverFile = ScratchDirectory;

// Bytes a text-mode write would change: CR LF, a lone LF, Ctrl-Z, NUL.
const std::string driverBytes("MZ\r\n\n\x1a\0\xff\x90 PE", 12);

void fill(VByteBuffer& buffer, const std::string& bytes) {
    buffer.setSize(static_cast<int>(bytes.size()));
    bytes.copy(reinterpret_cast<char*>(buffer.data()), bytes.size());
}

TEST_F(DriverFile, IsWrittenByteForByte) {
    VByteBuffer image;
    fill(image, driverBytes);
    EXPECT_EQ(writeCodecFile(VString(path("DRAV32.VCM").c_str()), image), COPY_DONE);
    EXPECT_EQ(contents(path("DRAV32.VCM")), driverBytes);
}

TEST_F(DriverFile, ReplacesALongerFileWhole) {
    write(path("DRAV32.VCM"), std::string(5000, 'x'));
    VByteBuffer image;
    fill(image, driverBytes);
    EXPECT_EQ(writeCodecFile(VString(path("DRAV32.VCM").c_str()), image), COPY_DONE);
    EXPECT_EQ(contents(path("DRAV32.VCM")), driverBytes);
}

TEST_F(DriverFile, IsClosedAfterwards) {
    VByteBuffer image;
    fill(image, driverBytes);
    ASSERT_EQ(writeCodecFile(VString(path("DRAV32.VCM").c_str()), image), COPY_DONE);
    HANDLE exclusive = CreateFileA(path("DRAV32.VCM").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
    CloseHandle(exclusive);
}

TEST_F(DriverFile, CannotBeCreatedInAMissingDirectory) {
    VByteBuffer image;
    fill(image, driverBytes);
    EXPECT_EQ(writeCodecFile(VString(path("missing\\DRAV32.VCM").c_str()), image), COPY_CREATE_FAILED);
}

TEST_F(DriverFile, CannotBeCreatedWhileHeldOpenAndStaysUntouched) {
    write(path("DRAV32.VCM"), "in use");
    HANDLE holder = CreateFileA(path("DRAV32.VCM").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    VByteBuffer image;
    fill(image, driverBytes);
    EXPECT_EQ(writeCodecFile(VString(path("DRAV32.VCM").c_str()), image), COPY_CREATE_FAILED);
    CloseHandle(holder);
    EXPECT_EQ(contents(path("DRAV32.VCM")), "in use");
}

// Wine maps Z: to the Unix root; writing to /dev/full fails with a full disk.
TEST_F(DriverFile, ReportsAFailedWrite) {
    VByteBuffer image;
    fill(image, driverBytes);
    EXPECT_EQ(writeCodecFile(VString("Z:\\dev\\full"), image), COPY_WRITE_FAILED);
}

// An unknown directory must not turn into "\DRAV32.VCM" in a drive's root.
TEST_F(DriverFile, WithoutADirectoryNothingIsCreated) {
    VByteBuffer image;
    fill(image, driverBytes);
    EXPECT_EQ(writeCodecFile(VString(""), image), COPY_CREATE_FAILED);
    EXPECT_FALSE(registerInSystemIni(VString("")));
}

// --- system.ini ------------------------------------------------------------------

using SystemIni = ScratchDirectory;

std::string profileValue(const std::string& file, const char* section, const char* key) {
    char value[64] = "";
    GetPrivateProfileStringA(section, key, "<absent>", value, sizeof value, file.c_str());
    return value;
}

TEST_F(SystemIni, GainsTheDriverKeyBesideTheOthers) {
    write(path("system.ini"), "[drivers32]\r\nvidc.mrle=msrle32.dll\r\n[mci]\r\nAVIVideo=mciavi32.dll\r\n");
    EXPECT_TRUE(registerInSystemIni(VString(path("system.ini").c_str())));
    EXPECT_EQ(profileValue(path("system.ini"), "drivers32", "vidc.drav"), "DRAV32.VCM");
    EXPECT_EQ(profileValue(path("system.ini"), "drivers32", "vidc.mrle"), "msrle32.dll");
    EXPECT_EQ(profileValue(path("system.ini"), "mci", "AVIVideo"), "mciavi32.dll");
}

TEST_F(SystemIni, ReplacesAnEarlierValueOfEitherCase) {
    write(path("system.ini"), "[drivers32]\r\nVIDC.DRAV=OLD.VCM\r\n");
    EXPECT_TRUE(registerInSystemIni(VString(path("system.ini").c_str())));
    EXPECT_EQ(profileValue(path("system.ini"), "drivers32", "vidc.drav"), "DRAV32.VCM");
    EXPECT_EQ(contents(path("system.ini")).find("OLD.VCM"), std::string::npos);
}

TEST_F(SystemIni, RemovalTakesBackOnlyOurKey) {
    write(path("system.ini"), "[drivers32]\r\nvidc.mrle=msrle32.dll\r\nvidc.drav=DRAV32.VCM\r\n");
    EXPECT_TRUE(unregisterInSystemIni(VString(path("system.ini").c_str())));
    EXPECT_EQ(profileValue(path("system.ini"), "drivers32", "vidc.drav"), "<absent>");
    EXPECT_EQ(profileValue(path("system.ini"), "drivers32", "vidc.mrle"), "msrle32.dll");
    // An alias that another codec has taken since stays its.
    write(path("system.ini"), "[drivers32]\r\nvidc.drav=OTHER.DLL\r\n");
    EXPECT_TRUE(unregisterInSystemIni(VString(path("system.ini").c_str())));
    EXPECT_EQ(profileValue(path("system.ini"), "drivers32", "vidc.drav"), "OTHER.DLL");
}

using FileRemoval = ScratchDirectory;

TEST_F(FileRemoval, DeletesOrLeavesAFileInUseForTheRestart) {
    write(path("DRAV32.VCM"), "driver");
    EXPECT_EQ(removeFile(VString(path("DRAV32.VCM").c_str()), VER_PLATFORM_WIN32_NT), REMOVE_DONE);
    EXPECT_EQ(GetFileAttributesA(path("DRAV32.VCM").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(removeFile(VString(path("DRAV32.VCM").c_str()), VER_PLATFORM_WIN32_NT), REMOVE_DONE) << "absent";
    write(path("DRAV32.VCM"), "driver");
    HANDLE held = CreateFileA(path("DRAV32.VCM").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    VString driver(path("DRAV32.VCM").c_str());
    EXPECT_TRUE(isFileKept(driver, VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(removeFile(driver, VER_PLATFORM_WIN32_NT), REMOVE_AT_RESTART);
    CloseHandle(held);
    EXPECT_FALSE(isFileKept(driver, VER_PLATFORM_WIN32_NT)) << "there until the restart";
    EXPECT_TRUE(cancelQueuedDeletion(driver, VER_PLATFORM_WIN32_NT));
    EXPECT_TRUE(isFileKept(driver, VER_PLATFORM_WIN32_NT));
}

// --- The registry ----------------------------------------------------------------

using Registry = ScratchRegistry;

constexpr char CURRENT_VERSION[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr char DRIVERS32[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers32";
constexpr char DRIVERS_DESC[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Drivers.Desc";
const std::string REG_SZ_TEXT = std::to_string(REG_SZ) + ":";

TEST_F(Registry, WritesTheDriverAndItsDescription) {
    createKey(DRIVERS32);
    createKey(DRIVERS_DESC);
    EXPECT_TRUE(registerInRegistry(root_));
    EXPECT_EQ(value(DRIVERS32, "vidc.DRAV"), REG_SZ_TEXT + "DRAV32.VCM");
    EXPECT_EQ(value(DRIVERS_DESC, "DRAV32.VCM"), REG_SZ_TEXT + "Drevantic");
}

TEST_F(Registry, OverwritesAnEarlierInstallation) {
    createKey(DRIVERS32);
    createKey(DRIVERS_DESC);
    HKEY key;
    ASSERT_EQ(RegOpenKeyA(root_, DRIVERS32, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "vidc.DRAV", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\OLD\\DRAV32.VCM"), 18);
    RegCloseKey(key);
    EXPECT_TRUE(registerInRegistry(root_));
    EXPECT_TRUE(registerInRegistry(root_));
    EXPECT_EQ(value(DRIVERS32, "vidc.DRAV"), REG_SZ_TEXT + "DRAV32.VCM");
}

TEST_F(Registry, RegistersWithoutADescriptionKeyAndDoesNotCreateIt) {
    createKey(DRIVERS32);
    EXPECT_TRUE(registerInRegistry(root_));
    EXPECT_EQ(value(DRIVERS32, "vidc.DRAV"), REG_SZ_TEXT + "DRAV32.VCM");
    EXPECT_FALSE(keyExists(DRIVERS_DESC));
}

// A description alone leaves the codec unloadable: that is not an installation.
TEST_F(Registry, FailsWithoutTheDriversKeyAndDoesNotCreateIt) {
    createKey(DRIVERS_DESC);
    EXPECT_FALSE(registerInRegistry(root_));
    EXPECT_FALSE(keyExists(DRIVERS32));
}

TEST_F(Registry, RemovalTakesBackOurValuesAndNothingElse) {
    createKey(DRIVERS32);
    createKey(DRIVERS_DESC);
    ASSERT_TRUE(registerInRegistry(root_));
    HKEY key;
    ASSERT_EQ(RegOpenKeyA(root_, DRIVERS32, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "vidc.MRLE", 0, REG_SZ, reinterpret_cast<const BYTE*>("msrle32.dll"), 12);
    RegCloseKey(key);
    EXPECT_TRUE(isRegisteredInRegistry(root_));
    EXPECT_TRUE(unregisterInRegistry(root_));
    EXPECT_FALSE(isRegisteredInRegistry(root_));
    EXPECT_EQ(value(DRIVERS32, "vidc.DRAV"), "<absent>");
    EXPECT_EQ(value(DRIVERS_DESC, "DRAV32.VCM"), "<absent>");
    EXPECT_EQ(value(DRIVERS32, "vidc.MRLE"), REG_SZ_TEXT + "msrle32.dll");
    // vidc.DRAV naming another file is not ours to remove.
    ASSERT_TRUE(registerInRegistry(root_, "DRAV64.VCM"));
    EXPECT_TRUE(unregisterInRegistry(root_));
    EXPECT_EQ(value(DRIVERS32, "vidc.DRAV"), REG_SZ_TEXT + "DRAV64.VCM");
    EXPECT_TRUE(unregisterInRegistry(root_, "DRAV64.VCM"));
    EXPECT_EQ(value(DRIVERS32, "vidc.DRAV"), "<absent>");
}

TEST_F(Registry, UninstallEntryIsWrittenAgainAndRemoved) {
    constexpr char ENTRY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Drevantic";
    createKey("Software\\Microsoft\\Windows\\CurrentVersion");
    EXPECT_TRUE(writeUninstallEntry(root_, 0, VString("old")));
    EXPECT_TRUE(writeUninstallEntry(root_, 0, VString("\"C:\\WINDOWS\\DRAVINST.EXE\" /uninstall")));
    EXPECT_EQ(value(ENTRY, "DisplayName"), REG_SZ_TEXT + "Drevantic");
    EXPECT_EQ(value(ENTRY, "Publisher"), REG_SZ_TEXT + "Korvell");
    // The version the driver file carries, which the build sets in one place.
    EXPECT_EQ(value(ENTRY, "DisplayVersion"), REG_SZ_TEXT + fileVersionOf(builtDriverFile()));
    EXPECT_EQ(value(ENTRY, "UninstallString"), REG_SZ_TEXT + "\"C:\\WINDOWS\\DRAVINST.EXE\" /uninstall");
    EXPECT_TRUE(hasUninstallEntry(root_, 0));
    EXPECT_TRUE(removeUninstallEntry(root_, 0));
    EXPECT_FALSE(hasUninstallEntry(root_, 0));
    EXPECT_FALSE(keyExists(ENTRY));
    EXPECT_TRUE(keyExists("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    EXPECT_TRUE(removeUninstallEntry(root_, 0)) << "already gone";
}

TEST_F(Registry, FailsWhenAnyParentKeyIsMissing) {
    for (const char* parent : {"Software", "Software\\Microsoft", "Software\\Microsoft\\Windows NT"}) {
        createKey(parent);
        EXPECT_FALSE(registerInRegistry(root_)) << "with only " << parent;
    }
    EXPECT_FALSE(keyExists(CURRENT_VERSION));
}

}  // namespace
