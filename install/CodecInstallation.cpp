#include "install/CodecInstallation.h"

#include <cstring>

#include "foundation/SystemDirectories.h"
#include "foundation/VByteBuffer.h"
#include "foundation/VFile.h"
#include "foundation/VString.h"
#include "foundation/Wow64.h"
#include "install/RestartQueue.h"
#include "DravVersion.h"

namespace {
// One key opened below another with RegOpenKeyA and closed at scope end, so
// that nested keys close innermost first.
class OpenedKey {
public:
    // RegOpenKeyA's access, in registry view `view`.
    OpenedKey(HKEY parent, const char* name, REGSAM view = 0) {
        if (parent == nullptr || RegOpenKeyExA(parent, name, 0, MAXIMUM_ALLOWED | view, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
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

// Keys opened one below the other, closed innermost first; last() is null
// when any of them does not open (the ones below it are not tried).
constexpr int MAX_PATH_DEPTH = 6;
class KeyPath {
public:
    KeyPath(HKEY root, const char* const* names, REGSAM view) {
        HKEY parent = root;
        for (; depth_ < MAX_PATH_DEPTH && names[depth_] != nullptr; ++depth_) {
            if (RegOpenKeyExA(parent, names[depth_], 0, MAXIMUM_ALLOWED | view, &keys_[depth_]) != ERROR_SUCCESS) {
                failed_ = true;
                break;
            }
            parent = keys_[depth_];
        }
    }
    ~KeyPath() {
        while (depth_ > 0) RegCloseKey(keys_[--depth_]);
    }
    KeyPath(const KeyPath&) = delete;
    KeyPath& operator=(const KeyPath&) = delete;
    HKEY last() const { return failed_ || depth_ == 0 ? nullptr : keys_[depth_ - 1]; }

private:
    HKEY keys_[MAX_PATH_DEPTH] = {};
    int depth_ = 0;
    bool failed_ = false;
};

const char* const NT_CURRENT_VERSION[] = {"Software", "Microsoft", "Windows NT", "CurrentVersion", nullptr};
const char* const WINDOWS_CURRENT_VERSION[] = {"Software", "Microsoft", "Windows", "CurrentVersion", nullptr};
constexpr char UNINSTALL_KEY[] = "Uninstall";
constexpr char UNINSTALL_ENTRY[] = "Drevantic";
constexpr char PUBLISHER[] = "Korvell";

// A REG_SZ value in subkey `keyName` of `parent`: its text and the closing
// zero byte.
bool setTextValue(HKEY parent, const char* keyName, const char* valueName, const char* text, REGSAM view) {
    OpenedKey key(parent, keyName, view);
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

namespace {
// The system directory of 32-bit programs by its own name: under WoW64 the
// one GetSystemWow64DirectoryA names (XP x64 and later, so looked up at run
// time), elsewhere the system directory.
void systemDirectoryOf32BitPrograms(VString& directory) {
    directory.clear();
    if (!runsUnderWow64()) {
        getSystemDirectory(directory);
        return;
    }
    using GetWow64Directory = UINT(WINAPI*)(LPSTR, UINT);
    auto getWow64Directory = reinterpret_cast<GetWow64Directory>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetSystemWow64DirectoryA")));
    char name[MAX_PATH];
    UINT length = getWow64Directory != nullptr ? getWow64Directory(name, MAX_PATH) : 0;
    if (length > 0 && length < MAX_PATH) directory = name;
}
}  // namespace

void codecTargetPath(VString& path) {
    VString directory;
    systemDirectoryOf32BitPrograms(directory);
    pathInDirectory(path, directory, CODEC_FILE_NAME);
}

void codec64TargetPath(VString& path) {
    VString directory;
    getSystemDirectory(directory);
    pathInDirectory(path, directory, CODEC64_FILE_NAME);
}

void windowsDirectoryPath(VString& path, const char* fileName) {
    VString directory;
    getWindowsDirectory(directory);
    pathInDirectory(path, directory, fileName);
}

void systemIniPath(VString& path) { windowsDirectoryPath(path, "system.ini"); }

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

bool registerInRegistry(HKEY root, const char* fileName, REGSAM view) {
    KeyPath path(root, NT_CURRENT_VERSION, view);
    if (path.last() == nullptr) return false;
    // The description only names the codec in the system's lists; the driver
    // value is what makes it loadable, so it alone decides success.
    setTextValue(path.last(), "Drivers.Desc", fileName, CODEC_DESCRIPTION, view);
    return setTextValue(path.last(), "Drivers32", "vidc.DRAV", fileName, view);
}

RemoveOutcome removeFile(const VString& path, DWORD platformId) {
    if (path.isEmpty()) return REMOVE_FAILED;
    if (DeleteFileA(path.cStr()) || GetFileAttributesA(path.cStr()) == INVALID_FILE_ATTRIBUTES) return REMOVE_DONE;
    return queueDeletionAtRestart(path, platformId) ? REMOVE_AT_RESTART : REMOVE_FAILED;
}

bool isFileKept(const VString& path, DWORD platformId) {
    return !path.isEmpty() && GetFileAttributesA(path.cStr()) != INVALID_FILE_ATTRIBUTES &&
           !isDeletionQueued(path, platformId);
}

bool isRegisteredInSystemIni(const VString& iniPath) {
    if (iniPath.isEmpty()) return false;
    char value[MAX_PATH];
    GetPrivateProfileStringA("drivers32", "vidc.drav", "", value, sizeof value, iniPath.cStr());
    return lstrcmpiA(value, CODEC_FILE_NAME) == 0;
}

bool unregisterInSystemIni(const VString& iniPath) {
    if (iniPath.isEmpty()) return false;
    if (!isRegisteredInSystemIni(iniPath)) return true;
    return WritePrivateProfileStringA("drivers32", "vidc.drav", nullptr, iniPath.cStr()) != 0;
}

namespace {
// Whether `key` has value `valueName`, and, given `onlyIfText`, as REG_SZ
// with that text.
bool hasTextValue(HKEY key, const char* valueName, const char* onlyIfText) {
    char data[MAX_PATH] = {};
    DWORD bytes = sizeof data - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) != ERROR_SUCCESS)
        return false;
    return onlyIfText == nullptr || (type == REG_SZ && lstrcmpiA(data, onlyIfText) == 0);
}

bool hasTextValue(HKEY parent, const char* keyName, const char* valueName, const char* onlyIfText, REGSAM view) {
    OpenedKey key(parent, keyName, view);
    return key.get() != nullptr && hasTextValue(key.get(), valueName, onlyIfText);
}

// Deletes value `valueName` of subkey `keyName`, if it is there and, given
// `onlyIfText`, holds that text; true when it is not there afterwards.
bool deleteTextValue(HKEY parent, const char* keyName, const char* valueName, const char* onlyIfText, REGSAM view) {
    OpenedKey key(parent, keyName, view);
    if (key.get() == nullptr || !hasTextValue(key.get(), valueName, onlyIfText)) return true;
    return RegDeleteValueA(key.get(), valueName) == ERROR_SUCCESS;
}
}  // namespace

bool isRegisteredInRegistry(HKEY root, const char* fileName, REGSAM view) {
    KeyPath path(root, NT_CURRENT_VERSION, view);
    return path.last() != nullptr && (hasTextValue(path.last(), "Drivers32", "vidc.DRAV", fileName, view) ||
                                      hasTextValue(path.last(), "Drivers.Desc", fileName, nullptr, view));
}

bool unregisterInRegistry(HKEY root, const char* fileName, REGSAM view) {
    KeyPath path(root, NT_CURRENT_VERSION, view);
    if (path.last() == nullptr) return true;
    bool driver = deleteTextValue(path.last(), "Drivers32", "vidc.DRAV", fileName, view);
    bool description = deleteTextValue(path.last(), "Drivers.Desc", fileName, nullptr, view);
    return driver && description;
}

bool writeUninstallEntry(HKEY root, REGSAM view, const VString& command) {
    KeyPath path(root, WINDOWS_CURRENT_VERSION, view);
    if (path.last() == nullptr) return false;
    HKEY entry = nullptr;
    VString entryPath(UNINSTALL_KEY);
    entryPath.append("\\");
    entryPath.append(UNINSTALL_ENTRY);
    if (RegCreateKeyExA(path.last(), entryPath.cStr(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE | view, nullptr,
                        &entry, nullptr) != ERROR_SUCCESS)
        return false;
    const char* const values[][2] = {{"DisplayName", CODEC_DESCRIPTION},
                                     {"DisplayVersion", DRAV_VERSION_DOTTED},
                                     {"Publisher", PUBLISHER},
                                     {"UninstallString", command.cStr()}};
    bool written = true;
    for (const auto& value : values) {
        DWORD bytes = static_cast<DWORD>(std::strlen(value[1]) + 1);
        written = RegSetValueExA(entry, value[0], 0, REG_SZ, reinterpret_cast<const BYTE*>(value[1]), bytes) ==
                      ERROR_SUCCESS &&
                  written;
    }
    RegCloseKey(entry);
    return written;
}

bool hasUninstallEntry(HKEY root, REGSAM view) {
    KeyPath path(root, WINDOWS_CURRENT_VERSION, view);
    OpenedKey uninstall(path.last(), UNINSTALL_KEY, view);
    OpenedKey entry(uninstall.get(), UNINSTALL_ENTRY, view);
    return entry.get() != nullptr;
}

bool removeUninstallEntry(HKEY root, REGSAM view) {
    KeyPath path(root, WINDOWS_CURRENT_VERSION, view);
    OpenedKey uninstall(path.last(), UNINSTALL_KEY, view);
    if (uninstall.get() == nullptr) return true;
    // The entry holds values only: RegDeleteKeyA removes it on every family;
    // in another view than the process's own it takes RegDeleteKeyExA (XP
    // x64 and later, so looked up at run time).
    using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
    auto deleteKeyEx = reinterpret_cast<DeleteKeyEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
    LONG result = view == 0 || deleteKeyEx == nullptr ? RegDeleteKeyA(uninstall.get(), UNINSTALL_ENTRY)
                                                      : deleteKeyEx(uninstall.get(), UNINSTALL_ENTRY, view, 0);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}
