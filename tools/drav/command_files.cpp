#include "command_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include "tool_error.h"

namespace drav::tool {
namespace {

bool identify(const std::string& path, bool output, struct stat& identity) {
    if (path == "-") return fstat(output ? STDOUT_FILENO : STDIN_FILENO, &identity) == 0;
    return stat(path.c_str(), &identity) == 0;
}

}  // namespace

void requireOutputIsNotInput(const std::string& input, const std::string& output) {
    struct stat in {
    }, out{};
    if (!identify(input, false, in) || !identify(output, true, out)) return;
    if (!S_ISREG(in.st_mode) || in.st_dev != out.st_dev || in.st_ino != out.st_ino) return;
    const std::string which = input == output ? "the input file" : "the input file " + input;
    throw ToolError(fileMessage(output, "this is " + which + ", which the output would replace: name another output"),
                    EXIT_USAGE);
}

void requireNoTerminal(const std::string& path, bool output) {
    if (path != "-" || !isatty(output ? STDOUT_FILENO : STDIN_FILENO)) return;
    if (output)
        throw ToolError(
            "-: the standard output is a terminal, and video is binary: redirect it (> frames.raw, | ffplay ...) "
            "or name an output file",
            EXIT_USAGE);
    throw ToolError("-: the standard input is a terminal: pipe a video in (... | drav COMMAND -) or name an input file",
                    EXIT_USAGE);
}

}  // namespace drav::tool
