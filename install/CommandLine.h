#pragma once
// install.exe's options: none runs the wizard; /S installs without windows,
// /S /uninstall removes without windows, /uninstall alone removes and says so
// in a message box (the command of the system's list of programs); /? lists
// them. Options are case-insensitive and may start with '-' too. Every word
// counts: one that is not an option, the empty word "" included, makes the
// whole command line a usage error.
#include "foundation/VString.h"

struct InstallOptions {
    bool silent = false;
    bool uninstall = false;
    bool help = false;
    bool invalid = false;   // a word this program does not know
    VString unknownOption;  // the first such word, as given
};

// `commandLine` as GetCommandLineA gives it: the program's name first.
InstallOptions parseInstallOptions(const char* commandLine);

// What a command line asks for: each word of it has a say.
enum InstallMode { MODE_WIZARD, MODE_INSTALL, MODE_UNINSTALL, MODE_HELP, MODE_USAGE_ERROR };
InstallMode installMode(const InstallOptions& options);

// Exit codes of the runs without the wizard.
enum InstallExitCode { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_USAGE = 2, EXIT_NOT_INSTALLED = 3 };

// Runs what the options ask for other than the wizard. Without /S every
// outcome is shown in a message box; errors also go to the standard error
// and notices (the list of options, a file left for the restart, nothing to
// remove) to the standard output, where a script running /S reads them.
int runWithoutWizard(const InstallOptions& options);
