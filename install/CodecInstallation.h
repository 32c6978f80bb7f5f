#pragma once
// The installation's dealings with the system, free of any window: naming the
// running platform, writing the driver file and registering it. The Setup
// page runs them one step at a time and shows their outcome.
#include <windows.h>

class VByteBuffer;
class VString;

inline constexpr char CODEC_FILE_NAME[] = "DRAV32.VCM";
// The 64-bit driver, installed beside it on 64-bit Windows.
inline constexpr char CODEC64_FILE_NAME[] = "DRAV64.VCM";
inline constexpr char CODEC_DESCRIPTION[] = "Drevantic";

// GetVersionExA with the extended record, then with the plain one; false
// when both fail.
bool queryPlatformVersion(OSVERSIONINFOEXA& version);

// "Microsoft Windows 98 " and its kin, each ending in a blank; null for a
// platform id this program does not know.
const char* platformName(const OSVERSIONINFOA& version);

// "major.minor (Build n)" and a line break; n is the low word of the build
// number, which on the 95/98 family carries the version in its high word.
void formatVersionText(VString& text, const OSVERSIONINFOA& version);

// The 95/98 family and the NT family; Win32s and anything newer are refused.
bool isSupportedPlatform(DWORD platformId);

// Where the 32-bit driver really is: the system directory of 32-bit
// programs followed by "\" and its file name; under WoW64 that directory's
// own name (syswow64), which the restart's queue needs, as redirection does
// not apply to it. Empty when the system does not tell its directory.
void codecTargetPath(VString& path);
// Where the 64-bit driver goes on 64-bit Windows: the native system
// directory (reached with redirection off) and its file name; empty likewise.
void codec64TargetPath(VString& path);
// The Windows directory followed by "\system.ini"; empty likewise.
void systemIniPath(VString& path);
// The Windows directory followed by "\" and `fileName`; empty likewise.
void windowsDirectoryPath(VString& path, const char* fileName);

enum CopyOutcome { COPY_DONE, COPY_CREATE_FAILED, COPY_WRITE_FAILED };

// Creates (or truncates) `path` and writes every byte of `image` into it.
// The file is closed whatever happens; after a failed write it keeps what
// was written.
CopyOutcome writeCodecFile(const VString& path, const VByteBuffer& image);

// [drivers32] vidc.drav=DRAV32.VCM in the profile file `iniPath`.
bool registerInSystemIni(const VString& iniPath);

// Below `root` (HKEY_LOCAL_MACHINE for the real thing), under
// Software\Microsoft\Windows NT\CurrentVersion: Drivers.Desc\<file> =
// "Drevantic" when that key exists, and Drivers32\vidc.DRAV = "<file>".
// Keys are opened, never created, in registry view `view` (0: the process's
// own; KEY_WOW64_64KEY: the 64-bit one). True once the driver value is
// written: the description alone does not make the codec loadable.
bool registerInRegistry(HKEY root, const char* fileName = CODEC_FILE_NAME, REGSAM view = 0);

// --- removal ---

enum RemoveOutcome { REMOVE_DONE, REMOVE_AT_RESTART, REMOVE_FAILED };

// Deletes the file; one that is in use is left for the system to delete at
// the next restart (RestartQueue.h). A file that is not there counts as
// removed.
RemoveOutcome removeFile(const VString& path, DWORD platformId);

// Whether the file is there for good: present, and not queued for deletion at
// the next restart.
bool isFileKept(const VString& path, DWORD platformId);

// Whether the records below hold anything of ours: vidc.drav naming our
// driver in system.ini; vidc.DRAV naming `fileName` or its description value
// in the registry; the uninstall entry.
bool isRegisteredInSystemIni(const VString& iniPath);
bool isRegisteredInRegistry(HKEY root, const char* fileName = CODEC_FILE_NAME, REGSAM view = 0);
bool hasUninstallEntry(HKEY root, REGSAM view);

// Takes back what registerInSystemIni wrote, if the value still names our
// driver.
bool unregisterInSystemIni(const VString& iniPath);

// Takes back what registerInRegistry wrote: vidc.DRAV only while it names
// `fileName` (another codec may have taken the alias since), and the
// description value. Other values stay. True when none of ours is left.
bool unregisterInRegistry(HKEY root, const char* fileName = CODEC_FILE_NAME, REGSAM view = 0);

// The entry of the system's list of installed programs, below `root`'s
// Software\Microsoft\Windows\CurrentVersion\Uninstall\Drevantic in registry
// view `view`: name, version, publisher and `command`, which removes the
// codec again. Rewritten by every installation.
bool writeUninstallEntry(HKEY root, REGSAM view, const VString& command);
bool removeUninstallEntry(HKEY root, REGSAM view);
