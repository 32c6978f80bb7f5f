#pragma once
// The installation and the removal as a whole, for the wizard's steps and for
// unattended runs alike. On 64-bit Windows (install.exe runs under WoW64)
// every step covers both drivers: DRAV32.VCM in the 32-bit system directory
// and registry view, DRAV64.VCM in the native ones.
#include <windows.h>

#include "install/CodecInstallation.h"

class VString;

// Writes every driver file; stops at the first failure, with its path in
// `path`. The images are loaded before any target is touched. A file written
// is kept: a deletion that an earlier removal queued for the next restart is
// taken back (COPY_WRITE_FAILED when it cannot be).
CopyOutcome copyDriverFiles(VString& path, DWORD platformId);

// Registers every driver for the running family (system.ini on 95/98, the
// registry views on NT) and records the uninstall entry, whose program
// (DRAVINST.EXE) is kept like the drivers. False when a driver is not
// registered; the entry does not decide.
bool registerDrivers(DWORD platformId);

struct RemovalResult {
    bool succeeded = true;       // nothing of ours is left, or only for the restart to remove
    bool restartNeeded = false;  // a file in use goes at the next restart
};

// Whether anything of an installation is there to remove: a registration
// or the uninstall entry, in either view, or a driver file that is not
// already queued for deletion.
bool hasInstallation(DWORD platformId);

// Takes back everything the installation added, in both views, and nothing
// else.
RemovalResult removeInstallation(DWORD platformId);
