#pragma once
// The installation's dealings with the system, free of any window: naming the
// running platform, writing the driver file and registering it. The Setup
// page runs them one step at a time and shows their outcome.
#include <windows.h>

class VByteBuffer;
class VString;

inline constexpr char CODEC_FILE_NAME[] = "DRAV32.VCM";
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

// The system directory followed by "\DRAV32.VCM"; empty when the system
// does not tell its directory.
void codecTargetPath(VString& path);
// The Windows directory followed by "\system.ini"; empty likewise.
void systemIniPath(VString& path);

enum CopyOutcome { COPY_DONE, COPY_CREATE_FAILED, COPY_WRITE_FAILED };

// Creates (or truncates) `path` and writes every byte of `image` into it.
// The file is closed whatever happens; after a failed write it keeps what
// was written.
CopyOutcome writeCodecFile(const VString& path, const VByteBuffer& image);

// [drivers32] vidc.drav=DRAV32.VCM in the profile file `iniPath`.
bool registerInSystemIni(const VString& iniPath);

// Below `root` (HKEY_LOCAL_MACHINE for the real thing), under
// Software\Microsoft\Windows NT\CurrentVersion: Drivers.Desc\DRAV32.VCM =
// "Drevantic" when that key exists, and Drivers32\vidc.DRAV = "DRAV32.VCM".
// Keys are opened, never created. True once the driver value is written:
// the description alone does not make the codec loadable.
bool registerInRegistry(HKEY root);
