#include "install/CommandLine.h"

#include <windows.h>

#include <cstdio>

#include "foundation/VSystemException.h"
#include "install/Installation.h"
#include "install/res/InstallResources.h"

namespace {
// The next blank-separated word of `text` into `word`, `text` moved past it;
// quotes group blanks and are dropped, so "" is a word, an empty one. False
// when only blanks are left.
bool nextWord(const char*& text, VString& word) {
    word.clear();
    while (*text == ' ' || *text == '\t') ++text;
    if (*text == 0) return false;
    bool quoted = false;
    for (; *text != 0 && (quoted || (*text != ' ' && *text != '\t')); ++text) {
        if (*text == '"')
            quoted = !quoted;
        else
            word.append(*text);
    }
    return true;
}

bool isOption(const VString& word, const char* name) {
    return !word.isEmpty() && (word.at(0) == '/' || word.at(0) == '-') && lstrcmpiA(word.cStr() + 1, name) == 0;
}

// How a message reaches the user: a box unless the run is silent; besides,
// a notice goes to the standard output and an error to the standard error.
// Plain success needs no words on a stream.
enum MessageKind { MESSAGE_DONE, MESSAGE_NOTICE, MESSAGE_ERROR };

void tell(const InstallOptions& options, const VString& text, MessageKind kind) {
    if (kind != MESSAGE_DONE) {
        FILE* stream = kind == MESSAGE_ERROR ? stderr : stdout;
        std::fputs(text.cStr(), stream);
        std::fputc('\n', stream);
        std::fflush(stream);
    }
    if (options.silent) return;
    VString caption;
    caption.loadString(IDS_MESSAGE_TITLE);
    MessageBoxA(nullptr, text.cStr(), caption.cStr(), kind == MESSAGE_ERROR ? MB_ICONERROR : MB_ICONINFORMATION);
}

int tell(const InstallOptions& options, int textId, MessageKind kind, int exitCode) {
    VString text;
    text.loadString(textId);
    tell(options, text, kind);
    return exitCode;
}

// The list of options, after the word that was not understood if any
// ("unknown option /x"; an empty word shows as "").
int showUsage(const InstallOptions& options) {
    VString usage;
    usage.loadString(IDS_USAGE);
    if (!options.invalid) {
        tell(options, usage, MESSAGE_NOTICE);
        return EXIT_DONE;
    }
    VString text;
    text.format(IDS_UNKNOWN_OPTION, options.unknownOption.isEmpty() ? "\"\"" : options.unknownOption.cStr());
    text.append("\n\n");
    text.append(usage);
    tell(options, text, MESSAGE_ERROR);
    return EXIT_USAGE;
}

int install(const InstallOptions& options, DWORD platformId) {
    VString path;
    CopyOutcome outcome;
    try {
        outcome = copyDriverFiles(path, platformId);
    } catch (const VSystemException&) {  // an image not loadable: nothing was written
        tell(options, VString("The driver images cannot be loaded."), MESSAGE_ERROR);
        return EXIT_FAILED;
    }
    if (outcome != COPY_DONE) {
        VString message;
        message.format(outcome == COPY_CREATE_FAILED ? IDS_FILE_CREATION_ERROR : IDS_FILE_WRITE_ERROR, path.cStr());
        tell(options, message, MESSAGE_ERROR);
        return EXIT_FAILED;
    }
    if (!registerDrivers(platformId)) return tell(options, IDS_REGISTRATION_FAILED, MESSAGE_ERROR, EXIT_FAILED);
    return EXIT_DONE;
}

int uninstall(const InstallOptions& options, DWORD platformId) {
    // Nothing of ours: nothing is touched, DRAVINST.EXE included.
    if (!hasInstallation(platformId)) return tell(options, IDS_NOT_INSTALLED, MESSAGE_NOTICE, EXIT_NOT_INSTALLED);
    RemovalResult result = removeInstallation(platformId);
    if (!result.succeeded) return tell(options, IDS_REMOVAL_FAILED, MESSAGE_ERROR, EXIT_FAILED);
    if (result.restartNeeded) return tell(options, IDS_REMOVAL_AT_RESTART, MESSAGE_NOTICE, EXIT_DONE);
    return tell(options, IDS_REMOVAL_DONE, MESSAGE_DONE, EXIT_DONE);
}
}  // namespace

InstallOptions parseInstallOptions(const char* commandLine) {
    InstallOptions options;
    VString word;
    nextWord(commandLine, word);  // the program
    while (nextWord(commandLine, word)) {
        if (isOption(word, "S")) {
            options.silent = true;
        } else if (isOption(word, "uninstall")) {
            options.uninstall = true;
        } else if (isOption(word, "?")) {
            options.help = true;
        } else if (!options.invalid) {
            options.invalid = true;
            options.unknownOption = word;
        }
    }
    return options;
}

InstallMode installMode(const InstallOptions& options) {
    if (options.invalid) return MODE_USAGE_ERROR;
    if (options.help) return MODE_HELP;
    if (options.uninstall) return MODE_UNINSTALL;
    return options.silent ? MODE_INSTALL : MODE_WIZARD;
}

int runWithoutWizard(const InstallOptions& options) {
    InstallMode mode = installMode(options);
    if (mode == MODE_HELP || mode == MODE_USAGE_ERROR) return showUsage(options);
    OSVERSIONINFOEXA version;
    if (!queryPlatformVersion(version) || !isSupportedPlatform(version.dwPlatformId))
        return tell(options, IDS_PLATFORM_NOT_SUPPORTED, MESSAGE_ERROR, EXIT_FAILED);
    return mode == MODE_UNINSTALL ? uninstall(options, version.dwPlatformId) : install(options, version.dwPlatformId);
}
