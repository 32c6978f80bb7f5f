#include "install/Installation.h"

#include "foundation/VByteBuffer.h"
#include "foundation/VString.h"
#include "foundation/Wow64.h"
#include "install/res/InstallResources.h"

namespace {
// Where install.exe keeps a copy of itself for the uninstall command.
constexpr char INSTALLER_COPY_NAME[] = "DRAVINST.EXE";

void installerCopyPath(VString& path) { windowsDirectoryPath(path, INSTALLER_COPY_NAME); }

// install.exe copies itself into the Windows directory (unless it runs from
// there already, as the upgrade started from the entry does) and names that
// copy in the entry of the system's list of programs.
bool recordUninstallEntry() {
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    VString copy;
    installerCopyPath(copy);
    if (length == 0 || length >= MAX_PATH || copy.isEmpty()) return false;
    if (lstrcmpiA(self, copy.cStr()) != 0 && !CopyFileA(self, copy.cStr(), FALSE)) return false;
    VString command;
    command.format("\"%s\" /uninstall", copy.cStr());
    return writeUninstallEntry(HKEY_LOCAL_MACHINE, nativeRegistryView(), command);
}

void merge(RemovalResult& result, RemoveOutcome outcome) {
    if (outcome == REMOVE_FAILED) result.succeeded = false;
    if (outcome == REMOVE_AT_RESTART) result.restartNeeded = true;
}
}  // namespace

CopyOutcome copyDriverFiles(VString& path) {
    VByteBuffer image;
    image.loadResource(IDR_CODEC_DRIVER);
    VByteBuffer image64;
    bool wow64 = runsUnderWow64();
    if (wow64) image64.loadResource(IDR_CODEC64_DRIVER);
    codecTargetPath(path);
    CopyOutcome outcome = writeCodecFile(path, image);
    if (outcome != COPY_DONE || !wow64) return outcome;
    NativeFileSystem native;
    codecTargetPath(path, CODEC64_FILE_NAME);
    // With redirection still on, the file would land beside the 32-bit one.
    return native.active() ? writeCodecFile(path, image64) : COPY_CREATE_FAILED;
}

bool registerDrivers(DWORD platformId) {
    bool registered;
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
        VString iniPath;
        systemIniPath(iniPath);
        registered = registerInSystemIni(iniPath);
    } else {
        registered = registerInRegistry(HKEY_LOCAL_MACHINE);
        if (runsUnderWow64())
            registered = registerInRegistry(HKEY_LOCAL_MACHINE, CODEC64_FILE_NAME, KEY_WOW64_64KEY) && registered;
    }
    if (registered) recordUninstallEntry();
    return registered;
}

RemovalResult removeInstallation(DWORD platformId) {
    RemovalResult result;
    VString path;
    codecTargetPath(path);
    merge(result, removeFile(path, platformId));
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
        VString iniPath;
        systemIniPath(iniPath);
        result.succeeded = unregisterInSystemIni(iniPath) && result.succeeded;
    } else {
        result.succeeded = unregisterInRegistry(HKEY_LOCAL_MACHINE) && result.succeeded;
    }
    if (runsUnderWow64()) {
        {
            NativeFileSystem native;
            codecTargetPath(path, CODEC64_FILE_NAME);
            merge(result, native.active() ? removeFile(path, platformId) : REMOVE_FAILED);
        }
        result.succeeded =
            unregisterInRegistry(HKEY_LOCAL_MACHINE, CODEC64_FILE_NAME, KEY_WOW64_64KEY) && result.succeeded;
    }
    result.succeeded = removeUninstallEntry(HKEY_LOCAL_MACHINE, nativeRegistryView()) && result.succeeded;
    // The copy that runs the removal cannot delete itself now: it goes at the
    // restart, which is nothing to tell the user about.
    installerCopyPath(path);
    removeFile(path, platformId);
    return result;
}
