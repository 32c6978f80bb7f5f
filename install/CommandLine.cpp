#include "install/CommandLine.h"

#include <windows.h>

#include <cstdio>

#include "foundation/VString.h"
#include "foundation/VSystemException.h"
#include "install/Installation.h"
#include "install/res/InstallResources.h"

namespace {
// The next blank-separated word of `text` into `word` (quotes group blanks);
// the position after it.
const char* nextWord(const char* text, VString& word) {
    word.clear();
    while (*text == ' ' || *text == '\t') ++text;
    bool quoted = false;
    for (; *text != 0 && (quoted || (*text != ' ' && *text != '\t')); ++text) {
        if (*text == '"')
            quoted = !quoted;
        else
            word.append(*text);
    }
    return text;
}

bool isOption(const VString& word, const char* name) {
    return (word.at(0) == '/' || word.at(0) == '-') && lstrcmpiA(word.cStr() + 1, name) == 0;
}

void writeTo(FILE* stream, int textId) {
    VString text;
    text.loadString(textId);
    std::fputs(text.cStr(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// A silent run's failure goes to the standard error, any other outcome of a
// visible run into a box.
int report(const InstallOptions& options, int textId, bool failed) {
    if (options.silent) {
        if (failed) writeTo(stderr, textId);
    } else {
        VString caption, text;
        caption.loadString(IDS_REMOVAL_TITLE);
        text.loadString(textId);
        MessageBoxA(nullptr, text.cStr(), caption.cStr(), failed ? MB_ICONERROR : MB_ICONINFORMATION);
    }
    return failed ? EXIT_FAILED : EXIT_DONE;
}

int install(const InstallOptions& options, DWORD platformId) {
    VString path;
    CopyOutcome outcome;
    try {
        outcome = copyDriverFiles(path);
    } catch (const VSystemException&) {  // an image not loadable: nothing was written
        std::fputs("The driver images cannot be loaded.\n", stderr);
        return EXIT_FAILED;
    }
    if (outcome != COPY_DONE) {
        VString message;
        message.format(outcome == COPY_CREATE_FAILED ? IDS_FILE_CREATION_ERROR : IDS_FILE_WRITE_ERROR, path.cStr());
        std::fprintf(stderr, "%s\n", message.cStr());
        return EXIT_FAILED;
    }
    return registerDrivers(platformId) ? EXIT_DONE : report(options, IDS_REGISTRATION_FAILED, true);
}

int uninstall(const InstallOptions& options, DWORD platformId) {
    RemovalResult result = removeInstallation(platformId);
    if (!result.succeeded) return report(options, IDS_REMOVAL_FAILED, true);
    if (result.restartNeeded) {
        // Done as far as it can be: an administrator's script learns it on
        // the standard output.
        if (options.silent) writeTo(stdout, IDS_REMOVAL_AT_RESTART);
        return report(options, IDS_REMOVAL_AT_RESTART, false);
    }
    return report(options, IDS_REMOVAL_DONE, false);
}
}  // namespace

InstallOptions parseInstallOptions(const char* commandLine) {
    InstallOptions options;
    VString word;
    const char* rest = nextWord(commandLine, word);  // the program
    for (rest = nextWord(rest, word); !word.isEmpty(); rest = nextWord(rest, word)) {
        if (isOption(word, "S"))
            options.silent = true;
        else if (isOption(word, "uninstall"))
            options.uninstall = true;
        else if (isOption(word, "?"))
            options.help = true;
        else
            options.invalid = true;
    }
    return options;
}

int runWithoutWizard(const InstallOptions& options) {
    if (options.help || options.invalid) {
        writeTo(options.invalid ? stderr : stdout, IDS_USAGE);
        return options.invalid ? EXIT_USAGE : EXIT_DONE;
    }
    OSVERSIONINFOEXA version;
    if (!queryPlatformVersion(version) || !isSupportedPlatform(version.dwPlatformId))
        return report(options, IDS_PLATFORM_NOT_SUPPORTED, true);
    return options.uninstall ? uninstall(options, version.dwPlatformId) : install(options, version.dwPlatformId);
}
