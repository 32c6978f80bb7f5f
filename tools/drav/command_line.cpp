#include "command_line.h"

#include <cerrno>
#include <cstdlib>
#include <functional>

#include "tool_error.h"

namespace drav::tool {
namespace {

const char* const GENERAL_HELP =
    "drav: make, play back and check DRAV screen recordings (AVI, FOURCC DRAV)\n"
    "\n"
    "usage: drav encode INPUT OUTPUT.avi [options]   compress any video FFmpeg reads\n"
    "       drav decode INPUT.avi OUTPUT [options]   decompress to anything FFmpeg writes\n"
    "       drav info FILE.avi [--brief]             format, frames, chunks and CRC checks\n"
    "       drav COMMAND --help                      the options of a command\n"
    "       drav --version\n"
    "\n"
    "INPUT or OUTPUT \"-\" is the standard input or output.\n"
    "\n"
    "exit codes: 0 done; 1 failed (unreadable or unwritable file, not a DRAV stream,\n"
    "            unsupported depth or size); 2 wrong command line; 3 done, but the input\n"
    "            has corrupt or missing frames (decode, info), or decoding stopped at\n"
    "            the first corrupt frame (decode --strict)\n";

const char* const ENCODE_HELP =
    "usage: drav encode INPUT OUTPUT.avi [options]\n"
    "\n"
    "Reads any video FFmpeg reads (a recording, a PNG sequence such as shot%05d.png,\n"
    "an uncompressed AVI, a pipe) and writes an AVI with one DRAV video stream.\n"
    "\n"
    "  --depth 8|16|32        bits per pixel the codec is given: 32 BGRX, 16 RGB555\n"
    "                         (each channel cut to 5 bits, never dithered), 8 palette\n"
    "                         (needs paletted input). Default: 8 for paletted input,\n"
    "                         16 for RGB555 input, else 32. 32-bit pictures are stored\n"
    "                         at 5 bits per channel, like 16-bit ones.\n"
    "  --keyint N             a key frame every N frames (default 100)\n"
    "  --frames N             stop after N frames\n"
    "  --input-format FMT     FFmpeg input format (demuxer), e.g. rawvideo, image2\n"
    "  --input-option K=V     an option of that demuxer, e.g. video_size=1280x720,\n"
    "                         pixel_format=bgr0, framerate=12 (repeatable)\n"
    "  --threads N            threads decoding the input (default: FFmpeg's choice)\n"
    "  -q, --quiet            no progress bar and no summary\n";

const char* const DECODE_HELP =
    "usage: drav decode INPUT.avi OUTPUT [options]\n"
    "\n"
    "Decompresses a DRAV stream and writes the frames with FFmpeg: a PNG sequence\n"
    "(out%05d.png), an uncompressed AVI, FFV1 in Matroska (--codec ffv1), raw\n"
    "frames to a pipe (OUTPUT \"-\").\n"
    "\n"
    "  --format F             the decoder's output pixels: bgr24, bgr0, rgb555, rgb565\n"
    "                         (default: rgb555 for 16-bit streams, else bgr24)\n"
    "  --size WxH             output size (default: the stream's); other sizes are\n"
    "                         interpolated bilinearly\n"
    "  --smooth-half          the MMX forms of the renderer: a 3x3 smoothing filter\n"
    "                         at exactly half size, 4-bit bilinear weights otherwise\n"
    "  --strict               stop at the first corrupt frame (exit code 3); without\n"
    "                         it a corrupt frame is reported, the last good picture\n"
    "                         is held and decoding recovers at the next key frame\n"
    "  --frames N             stop after N frames\n"
    "  --container FMT        FFmpeg output format (muxer); default from OUTPUT's name,\n"
    "                         raw frames for \"-\"\n"
    "  --codec NAME           FFmpeg encoder; default: uncompressed where the container\n"
    "                         takes it (image sequences: their own format), else ffv1\n"
    "  -q, --quiet            no progress bar and no summary\n";

const char* const INFO_HELP =
    "usage: drav info FILE.avi [--brief]\n"
    "\n"
    "Prints the stream's format, frame and key-frame counts, the compression ratio,\n"
    "and for every frame its size, its chunks and their CRC check.\n"
    "\n"
    "  --brief                the summary only, without the table of frames\n";

[[noreturn]] void usageError(const std::string& message) {
    throw ToolError(message + " (see drav --help)", EXIT_USAGE);
}

int64_t parseCount(const std::string& option, const std::string& text, int64_t minimum, int64_t maximum) {
    errno = 0;
    char* end = nullptr;
    long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < minimum || value > maximum)
        usageError(option + " needs a whole number from " + std::to_string(minimum) + " to " + std::to_string(maximum) +
                   ", not \"" + text + "\"");
    return value;
}

void parseSize(const std::string& text, uint32_t& width, uint32_t& height) {
    size_t cross = text.find('x');
    if (cross == std::string::npos) usageError("--size needs WIDTHxHEIGHT, not \"" + text + "\"");
    width = uint32_t(parseCount("--size width", text.substr(0, cross), 1, 65535));
    height = uint32_t(parseCount("--size height", text.substr(cross + 1), 1, 65535));
}

// Walks the arguments after the command: options (with "--name value" or
// "--name=value") and positional arguments; "--" ends the options.
class ArgumentCursor {
public:
    ArgumentCursor(const std::vector<std::string>& arguments, size_t start) : arguments_(arguments), next_(start) {}

    bool done() const { return next_ >= arguments_.size(); }

    // The next argument; for an option its name, with any "=value" split off.
    std::string take() {
        std::string argument = arguments_[next_++];
        pendingValue_.clear();
        hasPendingValue_ = false;
        if (!optionsEnded_ && argument == "--") {
            optionsEnded_ = true;  // every later argument is a file name
            isOption_ = true;
            return argument;
        }
        isOption_ = !optionsEnded_ && argument.size() > 1 && argument[0] == '-';
        size_t equals = argument.find('=');
        if (isOption_ && argument.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            pendingValue_ = argument.substr(equals + 1);
            hasPendingValue_ = true;
            argument.resize(equals);
        }
        return argument;
    }

    bool isOption() const { return isOption_; }

    std::string value(const std::string& option) {
        if (hasPendingValue_) {
            hasPendingValue_ = false;
            return pendingValue_;
        }
        if (done()) usageError(option + " needs a value");
        return arguments_[next_++];
    }

    void expectNoValue(const std::string& option) const {
        if (hasPendingValue_) usageError(option + " takes no value");
    }

private:
    const std::vector<std::string>& arguments_;
    size_t next_;
    bool optionsEnded_ = false;
    bool isOption_ = false;
    bool hasPendingValue_ = false;
    std::string pendingValue_;
};

void requirePositionals(const std::vector<std::string>& positionals, size_t count, const char* command) {
    if (positionals.size() != count)
        usageError(std::string(command) + " needs " + std::to_string(count) + " file name" + (count > 1 ? "s" : "") +
                   ", got " + std::to_string(positionals.size()));
}

bool isHelpOption(const std::string& argument) { return argument == "--help" || argument == "-h"; }

using OptionHandler = std::function<bool(const std::string& option, ArgumentCursor& cursor)>;

// The file names of a command, with each option handed to handle, which
// returns false for options the command does not have.
std::vector<std::string> parseArguments(ArgumentCursor& cursor, const char* command, size_t fileCount,
                                        const OptionHandler& handle) {
    std::vector<std::string> positionals;
    while (!cursor.done()) {
        std::string argument = cursor.take();
        if (!cursor.isOption())
            positionals.push_back(argument);
        else if (argument != "--" && !handle(argument, cursor))
            usageError(std::string(command) + " has no option " + argument);
    }
    requirePositionals(positionals, fileCount, command);
    return positionals;
}

bool setFlag(const std::string& option, ArgumentCursor& cursor, bool& flag) {
    cursor.expectNoValue(option);
    flag = true;
    return true;
}

bool parseEncodeOption(const std::string& option, ArgumentCursor& cursor, EncodeOptions& options) {
    if (option == "--depth") {
        int64_t depth = parseCount(option, cursor.value(option), 8, 32);
        if (depth != 8 && depth != 16 && depth != 32) usageError("--depth must be 8, 16 or 32");
        options.depth = unsigned(depth);
    } else if (option == "--keyint") {
        options.keyInterval = uint32_t(parseCount(option, cursor.value(option), 1, INT32_MAX));
    } else if (option == "--frames") {
        options.frameLimit = parseCount(option, cursor.value(option), 1, INT64_MAX);
    } else if (option == "--threads") {
        options.threads = int(parseCount(option, cursor.value(option), 0, 64));
    } else if (option == "--input-format") {
        options.inputFormat = cursor.value(option);
    } else if (option == "--input-option") {
        std::string pair = cursor.value(option);
        size_t equals = pair.find('=');
        if (equals == std::string::npos || equals == 0) usageError("--input-option needs KEY=VALUE");
        options.inputOptions.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
    } else if (option == "--quiet" || option == "-q") {
        return setFlag(option, cursor, options.quiet);
    } else {
        return false;
    }
    return true;
}

bool parseDecodeOption(const std::string& option, ArgumentCursor& cursor, DecodeOptions& options) {
    if (option == "--format") {
        std::string name = cursor.value(option);
        if (!parseDibFormat(name, options.format))
            usageError("--format must be bgr24, bgr0, rgb555 or rgb565, not \"" + name + "\"");
    } else if (option == "--size") {
        parseSize(cursor.value(option), options.width, options.height);
    } else if (option == "--smooth-half") {
        return setFlag(option, cursor, options.smoothHalf);
    } else if (option == "--strict") {
        return setFlag(option, cursor, options.strict);
    } else if (option == "--quiet" || option == "-q") {
        return setFlag(option, cursor, options.quiet);
    } else if (option == "--frames") {
        options.frameLimit = parseCount(option, cursor.value(option), 1, INT64_MAX);
    } else if (option == "--container") {
        options.container = cursor.value(option);
    } else if (option == "--codec") {
        options.codec = cursor.value(option);
    } else {
        return false;
    }
    return true;
}

void parseEncode(ArgumentCursor& cursor, EncodeOptions& options) {
    auto files = parseArguments(cursor, "encode", 2, [&](const std::string& option, ArgumentCursor& c) {
        return parseEncodeOption(option, c, options);
    });
    options.input = files[0];
    options.output = files[1];
}

void parseDecode(ArgumentCursor& cursor, DecodeOptions& options) {
    auto files = parseArguments(cursor, "decode", 2, [&](const std::string& option, ArgumentCursor& c) {
        return parseDecodeOption(option, c, options);
    });
    options.input = files[0];
    options.output = files[1];
}

void parseInfo(ArgumentCursor& cursor, InfoOptions& options) {
    auto files = parseArguments(cursor, "info", 1, [&](const std::string& option, ArgumentCursor& c) {
        return option == "--brief" && setFlag(option, c, options.brief);
    });
    options.file = files[0];
}

bool asksForHelp(const std::vector<std::string>& arguments) {
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--") return false;
        if (isHelpOption(arguments[i])) return true;
    }
    return false;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (arguments.empty()) usageError("no command given");
    const std::string& command = arguments[0];
    if (isHelpOption(command)) return line;
    if (command == "help") {
        if (arguments.size() > 2) usageError("help takes at most one command name");
        line.helpTopic = arguments.size() == 2 ? arguments[1] : "";
        if (!line.helpTopic.empty() && line.helpTopic != "encode" && line.helpTopic != "decode" &&
            line.helpTopic != "info")
            usageError("no command \"" + line.helpTopic + "\"");
        return line;
    }
    if (command == "--version") {
        line.command = Command::Version;
        return line;
    }
    if (command != "encode" && command != "decode" && command != "info") usageError("no command \"" + command + "\"");
    if (asksForHelp(arguments)) {
        line.helpTopic = command;
        return line;
    }
    ArgumentCursor cursor(arguments, 1);
    if (command == "encode") {
        line.command = Command::Encode;
        parseEncode(cursor, line.encode);
    } else if (command == "decode") {
        line.command = Command::Decode;
        parseDecode(cursor, line.decode);
    } else {
        line.command = Command::Info;
        parseInfo(cursor, line.info);
    }
    return line;
}

std::string helpText(const std::string& topic) {
    if (topic == "encode") return ENCODE_HELP;
    if (topic == "decode") return DECODE_HELP;
    if (topic == "info") return INFO_HELP;
    return GENERAL_HELP;
}

}  // namespace drav::tool
