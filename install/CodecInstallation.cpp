#include "install/CodecInstallation.h"

#include <cstring>

#include "foundation/SystemDirectories.h"
#include "foundation/VByteBuffer.h"
#include "foundation/VFile.h"
#include "foundation/VString.h"

namespace {
// One key opened below another with RegOpenKeyA and closed at scope end, so
// that nested keys close innermost first.
class OpenedKey {
public:
    OpenedKey(HKEY parent, const char* name) {
        if (parent == nullptr || RegOpenKeyA(parent, name, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~OpenedKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

// A REG_SZ value in subkey `keyName` of `parent`: its text and the closing
// zero byte.
bool setTextValue(HKEY parent, const char* keyName, const char* valueName, const char* text) {
    OpenedKey key(parent, keyName);
    if (key.get() == nullptr) return false;
    DWORD bytes = static_cast<DWORD>(std::strlen(text) + 1);
    return RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) == ERROR_SUCCESS;
}

// `directory` + "\" + `name`, or empty when the directory is unknown: a bare
// "\name" would land in the root of the current drive.
void pathInDirectory(VString& path, const VString& directory, const char* name) {
    if (directory.isEmpty()) {
        path.clear();
        return;
    }
    path = directory;
    path.append("\\");
    path.append(name);
}
}  // namespace

bool queryPlatformVersion(OSVERSIONINFOEXA& version) {
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) return true;
    version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    return GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)) != 0;
}

const char* platformName(const OSVERSIONINFOA& version) {
    switch (version.dwPlatformId) {
        case VER_PLATFORM_WIN32s: return "Microsoft Win32s ";
        case VER_PLATFORM_WIN32_WINDOWS:
            if (version.dwMajorVersion > 4 || (version.dwMajorVersion == 4 && version.dwMinorVersion > 0))
                return "Microsoft Windows 98 ";
            return "Microsoft Windows 95 ";
        case VER_PLATFORM_WIN32_NT:
            return version.dwMajorVersion >= 5 ? "Microsoft Windows 2000 " : "Microsoft Windows NT ";
        default: return nullptr;
    }
}

void formatVersionText(VString& text, const OSVERSIONINFOA& version) {
    text.format("%d.%d (Build %d)\n", static_cast<int>(version.dwMajorVersion),
                static_cast<int>(version.dwMinorVersion), static_cast<int>(LOWORD(version.dwBuildNumber)));
}

bool isSupportedPlatform(DWORD platformId) {
    return platformId == VER_PLATFORM_WIN32_WINDOWS || platformId == VER_PLATFORM_WIN32_NT;
}

void codecTargetPath(VString& path) {
    VString directory;
    getSystemDirectory(directory);
    pathInDirectory(path, directory, CODEC_FILE_NAME);
}

void systemIniPath(VString& path) {
    VString directory;
    getWindowsDirectory(directory);
    pathInDirectory(path, directory, "system.ini");
}

CopyOutcome writeCodecFile(const VString& path, const VByteBuffer& image) {
    if (path.isEmpty()) return COPY_CREATE_FAILED;
    VFile file;
    if (!file.create(path)) return COPY_CREATE_FAILED;
    bool written = file.write(image);
    file.close();
    return written ? COPY_DONE : COPY_WRITE_FAILED;
}

bool registerInSystemIni(const VString& iniPath) {
    if (iniPath.isEmpty()) return false;
    return WritePrivateProfileStringA("drivers32", "vidc.drav", CODEC_FILE_NAME, iniPath.cStr()) != 0;
}

bool registerInRegistry(HKEY root) {
    OpenedKey software(root, "Software");
    OpenedKey microsoft(software.get(), "Microsoft");
    OpenedKey windowsNt(microsoft.get(), "Windows NT");
    OpenedKey currentVersion(windowsNt.get(), "CurrentVersion");
    if (currentVersion.get() == nullptr) return false;
    // The description only names the codec in the system's lists; the driver
    // value is what makes it loadable, so it alone decides success.
    setTextValue(currentVersion.get(), "Drivers.Desc", CODEC_FILE_NAME, CODEC_DESCRIPTION);
    return setTextValue(currentVersion.get(), "Drivers32", "vidc.DRAV", CODEC_FILE_NAME);
}
