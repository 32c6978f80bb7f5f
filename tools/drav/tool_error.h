// The tool's failures and the exit codes a script can rely on.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace drav::tool {

enum ExitCode : int {
    EXIT_OK = 0,
    EXIT_FAILURE_RUN = 1,  // the work could not be done: unreadable, unwritable, not DRAV, unsupported
    EXIT_USAGE = 2,        // the command line is wrong
    EXIT_DAMAGED = 3,      // the work was done, but the input has corrupt or missing frames
};

// Thrown where work cannot go on; main() prints the message and exits with the code.
class ToolError : public std::runtime_error {
public:
    ToolError(const std::string& message, ExitCode code = EXIT_FAILURE_RUN)
        : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

// A message about one file, and optionally one frame of it: "FILE: frame N: text".
std::string fileMessage(const std::string& file, const std::string& text);
std::string frameMessage(const std::string& file, int64_t frame, const std::string& text);

// Writes "drav: text" on its own line to standard error.
void printDiagnostic(const std::string& text);

}  // namespace drav::tool
