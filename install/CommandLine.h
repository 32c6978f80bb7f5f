#pragma once
// install.exe's options: none runs the wizard; /S installs without windows,
// /S /uninstall removes without windows, /uninstall alone removes and says so
// in a message box (the command of the system's list of programs); /? lists
// them. Options are case-insensitive and may start with '-' too.
struct InstallOptions {
    bool silent = false;
    bool uninstall = false;
    bool help = false;
    bool invalid = false;  // an option this program does not know
};

// `commandLine` as GetCommandLineA gives it: the program's name first.
InstallOptions parseInstallOptions(const char* commandLine);

// Exit codes of the runs without the wizard.
enum InstallExitCode { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

// Runs what the options ask for other than the wizard; failures are written
// to the standard error (silent) or shown in a box.
int runWithoutWizard(const InstallOptions& options);
