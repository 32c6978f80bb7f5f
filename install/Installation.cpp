#include "install/Installation.h"

#include "foundation/VByteBuffer.h"
#include "foundation/VString.h"
#include "foundation/Wow64.h"
#include "install/RestartQueue.h"
#include "install/res/InstallResources.h"

namespace {
// Where install.exe keeps a copy of itself for the uninstall command.
constexpr char INSTALLER_COPY_NAME[] = "DRAVINST.EXE";

void installerCopyPath(VString& path) { windowsDirectoryPath(path, INSTALLER_COPY_NAME); }

// install.exe copies itself into the Windows directory (unless it runs from
// there already, as the upgrade started from the entry does) and names that
// copy in the entry of the system's list of programs. A removal's queued
// deletion of that copy is taken back before the entry names it, or the
// entry would outlive the file.
bool recordUninstallEntry(DWORD platformId) {
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    VString copy;
    installerCopyPath(copy);
    if (length == 0 || length >= MAX_PATH || copy.isEmpty()) return false;
    if (lstrcmpiA(self, copy.cStr()) != 0 && !CopyFileA(self, copy.cStr(), FALSE)) return false;
    if (!cancelQueuedDeletion(copy, platformId)) return false;
    VString command;
    command.format("\"%s\" /uninstall", copy.cStr());
    return writeUninstallEntry(HKEY_LOCAL_MACHINE, nativeRegistryView(), command);
}

// Writes a driver file and keeps it past the next restart.
CopyOutcome installDriverFile(const VString& path, const VByteBuffer& image, DWORD platformId) {
    CopyOutcome outcome = writeCodecFile(path, image);
    if (outcome == COPY_DONE && !cancelQueuedDeletion(path, platformId)) return COPY_WRITE_FAILED;
    return outcome;
}

void merge(RemovalResult& result, RemoveOutcome outcome) {
    if (outcome == REMOVE_FAILED) result.succeeded = false;
    if (outcome == REMOVE_AT_RESTART) result.restartNeeded = true;
}
}  // namespace

CopyOutcome copyDriverFiles(VString& path, DWORD platformId) {
    VByteBuffer image;
    image.loadResource(IDR_CODEC_DRIVER);
    VByteBuffer image64;
    bool wow64 = runsUnderWow64();
    if (wow64) image64.loadResource(IDR_CODEC64_DRIVER);
    codecTargetPath(path);
    CopyOutcome outcome = installDriverFile(path, image, platformId);
    if (outcome != COPY_DONE || !wow64) return outcome;
    NativeFileSystem native;
    codec64TargetPath(path);
    // With redirection still on, the file would land beside the 32-bit one.
    return native.active() ? installDriverFile(path, image64, platformId) : COPY_CREATE_FAILED;
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
    if (registered) recordUninstallEntry(platformId);
    return registered;
}

bool hasInstallation(DWORD platformId) {
    VString path;
    if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
        systemIniPath(path);
        if (isRegisteredInSystemIni(path)) return true;
    } else if (isRegisteredInRegistry(HKEY_LOCAL_MACHINE)) {
        return true;
    }
    if (hasUninstallEntry(HKEY_LOCAL_MACHINE, nativeRegistryView())) return true;
    codecTargetPath(path);
    if (isFileKept(path, platformId)) return true;
    if (!runsUnderWow64()) return false;
    if (isRegisteredInRegistry(HKEY_LOCAL_MACHINE, CODEC64_FILE_NAME, KEY_WOW64_64KEY)) return true;
    NativeFileSystem native;
    codec64TargetPath(path);
    return native.active() && isFileKept(path, platformId);
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
            codec64TargetPath(path);
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
