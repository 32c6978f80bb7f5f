#pragma once
// The files the system deletes when it next starts: on the NT family the
// pairs of PendingFileRenameOperations (below HKLM's Session Manager key, where
// MoveFileEx queues them), on the 95/98 family the NUL=<short path> lines of
// wininit.ini's [rename] section. The installer queues its own files there
// when they are in use, and takes its own entries back when it installs them
// again; other programs' entries stay as they are.
#include <windows.h>

class VString;

// Queues the deletion of the file `path` names (its real name: the queue is
// read before any redirection applies).
bool queueDeletionAtRestart(const VString& path, DWORD platformId);

// Whether a deletion of `path` is queued.
bool isDeletionQueued(const VString& path, DWORD platformId);

// Takes back every queued deletion of `path`; true when none is left.
bool cancelQueuedDeletion(const VString& path, DWORD platformId);

// --- the two stores, for the tests ---

// The NT family's queue below `root` (HKEY_LOCAL_MACHINE for the system's).
// `cancel` takes the deletions of `path` out; the number found either way,
// or -1 when the value cannot be read or written.
int findQueuedDeletions(HKEY root, const VString& path, bool cancel);

// The 95/98 family's start-up deletes each file that the [rename] section of
// wininit.ini (`wininitPath`) names as NUL=<short path>: a line for `path`
// goes after the lines already there, which may be other programs' and may
// repeat the key NUL. False, with the file unchanged, when the section is too
// large to read whole.
bool listForDeletionAtRestart(const VString& path, const VString& wininitPath);
// The NUL= lines for `path`, taken out when `cancel`; the number found, or -1
// when the section cannot be read or written.
int findListedDeletions(const VString& path, const VString& wininitPath, bool cancel);
