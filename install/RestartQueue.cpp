#include "install/RestartQueue.h"

#include <climits>
#include <cstring>

#include "foundation/VByteBuffer.h"
#include "foundation/VString.h"
#include "install/CodecInstallation.h"

// --- NT family: PendingFileRenameOperations ----------------------------------

namespace {
constexpr wchar_t SESSION_MANAGER[] = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t PENDING_OPERATIONS[] = L"PendingFileRenameOperations";
// MoveFileEx queues a file as "\??\" and its full path.
constexpr wchar_t NT_PATH_PREFIX[] = L"\\??\\";
constexpr int NT_PATH_PREFIX_LENGTH = 4;

// The value's bytes and type; ERROR_FILE_NOT_FOUND when there is none.
LONG readPendingOperations(HKEY key, VByteBuffer& data, DWORD& type) {
    for (int attempt = 0; attempt < 3; ++attempt) {  // another program may add to it meanwhile
        DWORD size = 0;
        LONG result = RegQueryValueExW(key, PENDING_OPERATIONS, nullptr, &type, nullptr, &size);
        if (result != ERROR_SUCCESS) return result;
        if (size > INT_MAX) return ERROR_NOT_ENOUGH_MEMORY;
        data.setSize(static_cast<int>(size));
        result = RegQueryValueExW(key, PENDING_OPERATIONS, nullptr, &type, data.data(), &size);
        if (result == ERROR_MORE_DATA) continue;
        if (result == ERROR_SUCCESS) data.setSize(static_cast<int>(size));
        return result;
    }
    return ERROR_MORE_DATA;
}

// The index of the NUL that ends the string at `start`, or `units`.
int endOfString(const wchar_t* text, int start, int units) {
    while (start < units && text[start] != 0) ++start;
    return start;
}

// The value holds pairs of NUL-terminated strings, source then target, and
// a closing NUL; an empty target deletes the source. Takes out every pair
// that deletes `source` (compared without regard to case) and keeps all else
// byte for byte, a malformed rest included; the number taken out.
int dropDeletions(VByteBuffer& data, const wchar_t* source) {
    int units = data.size() / 2;
    wchar_t* text = reinterpret_cast<wchar_t*>(data.data());
    int sourceLength = lstrlenW(source);
    int kept = 0, position = 0, dropped = 0;
    while (position < units && text[position] != 0) {  // an empty source closes the list
        int sourceEnd = endOfString(text, position, units);
        int targetEnd = sourceEnd < units ? endOfString(text, sourceEnd + 1, units) : units;
        if (targetEnd >= units) break;  // not a whole pair: kept as it is
        bool deletesSource =
            targetEnd == sourceEnd + 1 && CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, text + position,
                                                         sourceEnd - position, source, sourceLength) == CSTR_EQUAL;
        int next = targetEnd + 1;
        if (deletesSource) {
            ++dropped;
        } else {
            std::memmove(text + kept, text + position, (next - position) * sizeof(wchar_t));
            kept += next - position;
        }
        position = next;
    }
    int rest = data.size() - position * 2;
    std::memmove(data.data() + kept * 2, data.data() + position * 2, rest);
    data.setSize(kept * 2 + rest);
    return dropped;
}

bool holdsNothingButTerminators(const VByteBuffer& data) {
    for (int i = 0; i < data.size(); ++i)
        if (data.data()[i] != 0) return false;
    return true;
}

// The value written back, or removed when no pair is left.
bool writePendingOperations(HKEY key, const VByteBuffer& data, DWORD type) {
    if (holdsNothingButTerminators(data)) return RegDeleteValueW(key, PENDING_OPERATIONS) == ERROR_SUCCESS;
    return RegSetValueExW(key, PENDING_OPERATIONS, 0, type, data.data(), static_cast<DWORD>(data.size())) ==
           ERROR_SUCCESS;
}
}  // namespace

int findQueuedDeletions(HKEY root, const VString& path, bool cancel) {
    wchar_t source[NT_PATH_PREFIX_LENGTH + MAX_PATH];
    std::memcpy(source, NT_PATH_PREFIX, sizeof(wchar_t) * NT_PATH_PREFIX_LENGTH);
    if (path.isEmpty() ||
        MultiByteToWideChar(CP_ACP, 0, path.cStr(), -1, source + NT_PATH_PREFIX_LENGTH, MAX_PATH) == 0)
        return -1;
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExW(root, SESSION_MANAGER, 0, KEY_QUERY_VALUE | (cancel ? KEY_SET_VALUE : 0), &key);
    if (opened == ERROR_FILE_NOT_FOUND) return 0;
    if (opened != ERROR_SUCCESS) return -1;
    VByteBuffer data;
    DWORD type = REG_MULTI_SZ;
    LONG read = readPendingOperations(key, data, type);
    int found = read == ERROR_FILE_NOT_FOUND ? 0 : read == ERROR_SUCCESS ? dropDeletions(data, source) : -1;
    if (cancel && found > 0 && !writePendingOperations(key, data, type)) found = -1;
    RegCloseKey(key);
    return found;
}

// --- 95/98 family: wininit.ini -------------------------------------------------

namespace {
// The largest section read whole; wininit.ini's [rename] lists a handful of
// files.
constexpr int MAX_PROFILE_SECTION = 64 * 1024;
constexpr char RENAME_SECTION[] = "rename";

// The lines of [section] as GetPrivateProfileSectionA gives them, each ending
// in a zero byte, then one more zero at lines[length]. False when the section
// does not fit in MAX_PROFILE_SECTION bytes: cut short, it would lose lines.
bool readProfileSection(const VString& iniPath, const char* section, VByteBuffer& lines, DWORD& length) {
    for (int size = 4096; size <= MAX_PROFILE_SECTION; size *= 2) {
        lines.setSize(size);
        length = GetPrivateProfileSectionA(section, reinterpret_cast<char*>(lines.data()), size, iniPath.cStr());
        // size - 2 tells a section cut short (or one that just fits).
        if (length < static_cast<DWORD>(size - 2)) return true;
    }
    return false;
}

bool writeProfileSection(const VString& iniPath, const char* section, const VByteBuffer& lines) {
    return WritePrivateProfileSectionA(section, reinterpret_cast<const char*>(lines.data()), iniPath.cStr()) != 0;
}

// "NUL=" and the short form of `path`, as the 95/98 start-up reads it: the
// short name of the folder, then the file's name (our names are short
// already). Empty when the folder does not exist.
void deletionLine(const VString& path, VString& line) {
    line.clear();
    int separator = path.reverseFind('\\');
    char folder[MAX_PATH];
    if (separator <= 0) return;
    DWORD length = GetShortPathNameA(path.mid(0, separator).cStr(), folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    line = "NUL=";
    line.append(folder);
    line.append(path.mid(separator, path.length() - separator));
}
}  // namespace

// WritePrivateProfileStringA would replace an earlier NUL= line: the section
// is read whole, the line added after the others, and written back.
bool listForDeletionAtRestart(const VString& path, const VString& wininitPath) {
    VString line;
    deletionLine(path, line);
    VByteBuffer lines;
    DWORD length = 0;
    if (line.isEmpty() || wininitPath.isEmpty() || !readProfileSection(wininitPath, RENAME_SECTION, lines, length))
        return false;
    int lineBytes = line.length() + 1;
    lines.setSize(static_cast<int>(length) + lineBytes + 1);
    std::memcpy(lines.data() + length, line.cStr(), lineBytes);
    lines.data()[length + lineBytes] = '\0';
    return writeProfileSection(wininitPath, RENAME_SECTION, lines);
}

int findListedDeletions(const VString& path, const VString& wininitPath, bool cancel) {
    VString ours;
    deletionLine(path, ours);
    if (ours.isEmpty()) return 0;  // no folder, so no file to delete
    VByteBuffer lines;
    DWORD length = 0;
    if (wininitPath.isEmpty() || !readProfileSection(wininitPath, RENAME_SECTION, lines, length)) return -1;
    // The lines kept move down over the ones taken out; the section's closing
    // zero follows them.
    char* text = reinterpret_cast<char*>(lines.data());
    DWORD kept = 0;
    int found = 0;
    for (DWORD position = 0; position < length;) {
        DWORD lineBytes = static_cast<DWORD>(std::strlen(text + position)) + 1;
        if (lstrcmpiA(text + position, ours.cStr()) == 0) {
            ++found;
        } else {
            std::memmove(text + kept, text + position, lineBytes);
            kept += lineBytes;
        }
        position += lineBytes;
    }
    text[kept] = text[kept + 1] = '\0';  // the section's end, also when no line is left
    if (cancel && found > 0 && !writeProfileSection(wininitPath, RENAME_SECTION, lines)) return -1;
    return found;
}

// --- either family -------------------------------------------------------------

namespace {
void wininitFile(VString& path) { windowsDirectoryPath(path, "wininit.ini"); }

int findDeletions(const VString& path, DWORD platformId, bool cancel) {
    if (platformId == VER_PLATFORM_WIN32_NT) return findQueuedDeletions(HKEY_LOCAL_MACHINE, path, cancel);
    VString wininit;
    wininitFile(wininit);
    return findListedDeletions(path, wininit, cancel);
}
}  // namespace

bool queueDeletionAtRestart(const VString& path, DWORD platformId) {
    if (platformId == VER_PLATFORM_WIN32_NT) return MoveFileExA(path.cStr(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
    VString wininit;
    wininitFile(wininit);
    return listForDeletionAtRestart(path, wininit);
}

bool isDeletionQueued(const VString& path, DWORD platformId) { return findDeletions(path, platformId, false) > 0; }

bool cancelQueuedDeletion(const VString& path, DWORD platformId) { return findDeletions(path, platformId, true) >= 0; }
