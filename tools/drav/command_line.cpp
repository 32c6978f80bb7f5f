#include "command_line.h"

#include <cstdlib>
#include <functional>
#include <set>

#include "codec/stream_format.h"
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
    "            unsupported depth or size); 2 wrong command line (also an output that\n"
    "            is the input, binary video to or from a terminal, a container that\n"
    "            takes no fitting encoder); 3 done, but the input has corrupt or\n"
    "            missing frames (decode, info), or broke off part way (encode: the\n"
    "            AVI holds the frames before), or decoding stopped at the first\n"
    "            corrupt frame (decode --strict)\n"
    "\n"
    "Outputs are written under a temporary name beside their own and renamed at\n"
    "the end: a run that fails leaves nothing that looks like a result. A\n"
    "recording that stops early, also by Ctrl+C, is finished with the frames it has.\n";

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
    "  --frames N             stop after N frames (an input that breaks off earlier\n"
    "                         gives exit code 3, the AVI finished with the frames\n"
    "                         before the break)\n"
    "  --input-format FMT     FFmpeg input format (demuxer), e.g. rawvideo, image2\n"
    "  --input-option K=V     an option of that demuxer, e.g. video_size=1280x720,\n"
    "                         pixel_format=bgr0, framerate=12 (repeatable)\n"
    "  --threads N            threads decoding the input (default: FFmpeg's choice)\n"
    "  --jobs N               frames compressed side by side, 1 to 64 (default: one\n"
    "                         a processor core); the AVI is the same for any N\n"
    "  -q, --quiet            no progress bar and no summary\n";

const char* const DECODE_HELP =
    "usage: drav decode INPUT.avi OUTPUT [options]\n"
    "\n"
    "Decompresses a DRAV stream and writes the frames with FFmpeg: a PNG sequence\n"
    "(out%05d.png, numbered from 0 like drav info's frames), an uncompressed AVI,\n"
    "FFV1 in Matroska, raw frames to a pipe (OUTPUT \"-\"). One image file without\n"
    "a number in its name (one.png) takes one frame: add --frames 1.\n"
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
    "  --codec NAME           FFmpeg encoder; default: a lossless one the container\n"
    "                         takes: an image sequence's own format, else the first\n"
    "                         of rawvideo, ffv1, libx264rgb (-qp 0), libvpx-vp9\n"
    "                         (lossless), png, apng. A named encoder the container\n"
    "                         does not take is refused with those it takes.\n"
    "  -q, --quiet            no progress bar and no summary\n";

const char* const INFO_HELP =
    "usage: drav info FILE.avi [--brief]\n"
    "\n"
    "Prints the stream's format, frame and key-frame counts, the compression ratio\n"
    "(the DIB frames the stream decodes to against its compressed frames, as\n"
    "encode reports it), and for every frame its size, its chunks and their CRC\n"
    "check. Where the index is lost, key frames are told from the frames' bytes.\n"
    "\n"
    "  --brief                the summary only, without the table of frames\n";

[[noreturn]] void usageError(const std::string& message, const std::string& helpTopic = "") {
    throw ToolError(message + " (see drav " + (helpTopic.empty() ? "" : helpTopic + " ") + "--help)", EXIT_USAGE);
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

bool isCountIn(const std::string& text, int64_t minimum, int64_t maximum) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return value >= minimum && value <= maximum;
}

// Digits only: no sign, no spaces, nothing after them.
int64_t parseCount(const std::string& option, const std::string& text, int64_t minimum, int64_t maximum) {
    if (!isCountIn(text, minimum, maximum))
        usageError(option + " needs a whole number from " + std::to_string(minimum) + " to " + std::to_string(maximum) +
                   ", not " + quoted(text));
    return std::strtoll(text.c_str(), nullptr, 10);
}

void parseSize(const std::string& text, uint32_t& width, uint32_t& height) {
    const size_t cross = text.find('x');
    if (cross == std::string::npos || !isCountIn(text.substr(0, cross), 1, 65535) ||
        !isCountIn(text.substr(cross + 1), 1, 65535))
        usageError("--size needs WIDTHxHEIGHT, each from 1 to 65535, not " + quoted(text));
    width = uint32_t(std::stoul(text.substr(0, cross)));
    height = uint32_t(std::stoul(text.substr(cross + 1)));
}

// A name for FFmpeg (a format, an encoder): an empty one would silently mean
// drav's own choice.
std::string parseName(const std::string& option, const std::string& text) {
    if (text.empty()) usageError(option + " needs a name, not " + quoted(text));
    return text;
}

struct OptionSpec {
    const char* name;
    const char* alias;  // a short form, or null
    bool takesValue;
    bool repeatable;
};

const std::vector<OptionSpec> ENCODE_OPTIONS = {
    {"--depth", nullptr, true, false},       {"--keyint", nullptr, true, false},
    {"--frames", nullptr, true, false},      {"--threads", nullptr, true, false},
    {"--jobs", nullptr, true, false},        {"--input-format", nullptr, true, false},
    {"--input-option", nullptr, true, true}, {"--quiet", "-q", false, false},
};
const std::vector<OptionSpec> DECODE_OPTIONS = {
    {"--format", nullptr, true, false},  {"--size", nullptr, true, false},   {"--smooth-half", nullptr, false, false},
    {"--strict", nullptr, false, false}, {"--frames", nullptr, true, false}, {"--container", nullptr, true, false},
    {"--codec", nullptr, true, false},   {"--quiet", "-q", false, false},
};
const std::vector<OptionSpec> INFO_OPTIONS = {{"--brief", nullptr, false, false}};

bool isOptionWord(const std::string& word) { return word.size() > 1 && word[0] == '-'; }
bool isHelpOption(const std::string& argument) { return argument == "--help" || argument == "-h"; }

// Walks a command's arguments: options ("--name value", "--name=value", flags),
// each handed to apply by its full name with its value, and file names; "--"
// makes file names of every later argument. Every mistake is a usage error
// naming the word at fault: an option the command does not have (names are
// case-sensitive), one given twice, a missing or empty value, a flag with a
// value, an empty file name, a file name too many or too few.
class CommandParser {
public:
    using Apply = std::function<void(const std::string& option, const std::string& value)>;

    CommandParser(const std::vector<std::string>& arguments, const char* command,
                  const std::vector<OptionSpec>& options)
        : arguments_(arguments), command_(command), options_(options) {}

    std::vector<std::string> parse(size_t fileCount, const Apply& apply) {
        std::vector<std::string> files;
        bool optionsEnded = false;
        while (next_ < arguments_.size()) {
            const std::string& word = arguments_[next_++];
            if (optionsEnded || !isOptionWord(word))
                files.push_back(fileName(word));
            else if (word == "--")
                optionsEnded = true;
            else
                parseOption(word, apply);
        }
        if (files.size() > fileCount)
            fail("takes " + std::to_string(fileCount) + " file name" + (fileCount > 1 ? "s" : "") + ", and " +
                 quoted(files[fileCount]) + " is one more");
        if (files.size() < fileCount)
            fail("needs " + std::to_string(fileCount) + " file name" + (fileCount > 1 ? "s" : "") + ", got " +
                 std::to_string(files.size()));
        return files;
    }

private:
    [[noreturn]] void fail(const std::string& text) const { usageError(std::string(command_) + " " + text, command_); }

    std::string fileName(const std::string& word) const {
        if (word.empty()) fail("got an empty file name " + quoted(word));
        return word;
    }

    const OptionSpec* find(const std::string& name) const {
        for (const OptionSpec& option : options_)
            if (name == option.name || (option.alias && name == option.alias)) return &option;
        return nullptr;
    }

    void parseOption(const std::string& word, const Apply& apply) {
        const size_t equals = word.compare(0, 2, "--") == 0 ? word.find('=') : std::string::npos;
        const std::string name = word.substr(0, equals);
        const OptionSpec* option = find(name);
        if (!option) fail("has no option " + name);
        if (!option->repeatable && !given_.insert(option->name).second) fail("got " + name + " twice");
        if (!option->takesValue) {
            if (equals != std::string::npos) fail("option " + name + " takes no value");
            return apply(option->name, "");
        }
        if (equals != std::string::npos) return apply(option->name, word.substr(equals + 1));
        if (next_ >= arguments_.size() || isOptionWord(arguments_[next_]))
            fail("option " + name + " needs a value" +
                 (next_ < arguments_.size() ? ", and " + arguments_[next_] + " is an option" : ""));
        apply(option->name, arguments_[next_++]);
    }

    const std::vector<std::string>& arguments_;
    const char* command_;
    const std::vector<OptionSpec>& options_;
    std::set<std::string> given_;
    size_t next_ = 1;
};

void applyEncodeOption(const std::string& option, const std::string& value, EncodeOptions& options) {
    if (option == "--depth") {
        int64_t depth = parseCount(option, value, 8, 32);
        if (!isCompressorInputDepth(unsigned(depth))) usageError("--depth must be 8, 16 or 32, not " + quoted(value));
        options.depth = unsigned(depth);
    } else if (option == "--keyint") {
        options.keyInterval = uint32_t(parseCount(option, value, 1, INT32_MAX));
    } else if (option == "--frames") {
        options.frameLimit = parseCount(option, value, 1, INT64_MAX);
    } else if (option == "--threads") {
        options.threads = int(parseCount(option, value, 0, 64));
    } else if (option == "--jobs") {
        options.jobs = unsigned(parseCount(option, value, 1, MAX_ENCODE_JOBS));
    } else if (option == "--input-format") {
        options.inputFormat = parseName(option, value);
    } else if (option == "--input-option") {
        size_t equals = value.find('=');
        if (equals == std::string::npos || equals == 0)
            usageError("--input-option needs KEY=VALUE, not " + quoted(value));
        options.inputOptions.emplace_back(value.substr(0, equals), value.substr(equals + 1));
    } else if (option == "--quiet") {
        options.quiet = true;
    }
}

void applyDecodeOption(const std::string& option, const std::string& value, DecodeOptions& options) {
    if (option == "--format") {
        if (!parseDibFormat(value, options.format))
            usageError("--format must be bgr24, bgr0, rgb555 or rgb565, not " + quoted(value));
    } else if (option == "--size") {
        parseSize(value, options.width, options.height);
    } else if (option == "--smooth-half") {
        options.smoothHalf = true;
    } else if (option == "--strict") {
        options.strict = true;
    } else if (option == "--frames") {
        options.frameLimit = parseCount(option, value, 1, INT64_MAX);
    } else if (option == "--container") {
        options.container = parseName(option, value);
    } else if (option == "--codec") {
        options.codec = parseName(option, value);
    } else if (option == "--quiet") {
        options.quiet = true;
    }
}

// "drav help [COMMAND]", also as "drav --help [COMMAND]".
CommandLine parseHelp(const std::vector<std::string>& arguments) {
    CommandLine line;
    if (arguments.size() > 2)
        usageError("help takes at most one command name, and " + quoted(arguments[2]) + " is more");
    if (arguments.size() == 2) {
        line.helpTopic = arguments[1];
        if (line.helpTopic != "encode" && line.helpTopic != "decode" && line.helpTopic != "info")
            usageError("no command " + quoted(line.helpTopic));
    }
    return line;
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
    if (isHelpOption(command) || command == "help") return parseHelp(arguments);
    if (command == "--version") {
        if (arguments.size() > 1) usageError("--version takes nothing after it, not " + quoted(arguments[1]));
        line.command = Command::Version;
        return line;
    }
    if (command != "encode" && command != "decode" && command != "info")
        usageError("no command " + quoted(command) + " (commands are encode, decode, info; names are lower case)");
    if (asksForHelp(arguments)) {
        line.helpTopic = command;
        return line;
    }
    if (command == "encode") {
        line.command = Command::Encode;
        auto files = CommandParser(arguments, "encode", ENCODE_OPTIONS)
                         .parse(2, [&](const std::string& option, const std::string& value) {
                             applyEncodeOption(option, value, line.encode);
                         });
        line.encode.input = files[0];
        line.encode.output = files[1];
    } else if (command == "decode") {
        line.command = Command::Decode;
        auto files = CommandParser(arguments, "decode", DECODE_OPTIONS)
                         .parse(2, [&](const std::string& option, const std::string& value) {
                             applyDecodeOption(option, value, line.decode);
                         });
        line.decode.input = files[0];
        line.decode.output = files[1];
    } else {
        line.command = Command::Info;
        line.info.file =
            CommandParser(arguments, "info", INFO_OPTIONS).parse(1, [&](const std::string&, const std::string&) {
                line.info.brief = true;
            })[0];
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
