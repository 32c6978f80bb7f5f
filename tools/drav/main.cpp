// drav: the command-line tool for DRAV recordings.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "ffmpeg_support.h"
#include "interruption.h"
#include "large_block_memory.h"
#include "process_heap.h"
#include "tool_error.h"

namespace {

int run(const drav::tool::CommandLine& line) {
    using drav::tool::Command;
    switch (line.command) {
        case Command::Help:
            std::fputs(drav::tool::helpText(line.helpTopic).c_str(), stdout);
            return drav::tool::EXIT_OK;
        case Command::Version: std::printf("drav %s\n", DRAV_VERSION); return drav::tool::EXIT_OK;
        case Command::Encode: return drav::tool::runEncode(line.encode);
        case Command::Decode: return drav::tool::runDecode(line.decode);
        case Command::Info: return drav::tool::runInfo(line.info);
    }
    return drav::tool::EXIT_FAILURE_RUN;
}

// Runs the command line; prints what went wrong and gives the exit code.
int runReporting(const std::vector<std::string>& arguments) {
    try {
        return run(drav::tool::parseCommandLine(arguments));
    } catch (const drav::tool::ToolError& error) {
        drav::tool::printDiagnostic(error.what());
        return error.code();
    } catch (const std::bad_alloc&) {
        drav::tool::printDiagnostic("not enough memory");
    } catch (const std::exception& error) {
        drav::tool::printDiagnostic(error.what());
    }
    return drav::tool::EXIT_FAILURE_RUN;
}

}  // namespace

int main(int argc, char** argv) {
    drav::tool::keepLargeBuffersInHeap();
    drav::setStreamMemory(drav::tool::largeBlockStreamMemory());
    drav::tool::quietenFfmpegLog();
    drav::tool::InterruptionHandlers handlers;
    const int code = runReporting(std::vector<std::string>(argv + 1, argv + argc));
    handlers.endIfInterrupted();
    return code;
}
