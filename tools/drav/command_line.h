// The command line of drav: commands, their options, and their help texts.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "dib_format.h"

namespace drav::tool {

constexpr unsigned MAX_ENCODE_JOBS = 64;

enum class Command { Help, Version, Encode, Decode, Info };

struct EncodeOptions {
    std::string input, output;
    unsigned depth = 0;  // 0: chosen from the input's pixel format
    uint32_t keyInterval = 100;
    int64_t frameLimit = -1;  // -1: every frame
    std::string inputFormat;  // FFmpeg demuxer name; empty: probed
    std::vector<std::pair<std::string, std::string>> inputOptions;
    int threads = 0;    // input decoder threads; 0: FFmpeg's choice
    unsigned jobs = 0;  // frames compressed side by side; 0: one a core
    bool quiet = false;
};

struct DecodeOptions {
    std::string input, output;
    DibFormat format = DibFormat::StreamDefault;
    uint32_t width = 0, height = 0;  // 0: the stream's own size
    bool smoothHalf = false;
    bool strict = false;
    int64_t frameLimit = -1;
    std::string container;  // FFmpeg muxer name; empty: guessed from the output name
    std::string codec;      // FFmpeg encoder name; empty: a lossless one the container takes
    bool quiet = false;
};

struct InfoOptions {
    std::string file;
    bool brief = false;
};

struct CommandLine {
    Command command = Command::Help;
    std::string helpTopic;  // for Command::Help: "", "encode", "decode" or "info"
    EncodeOptions encode;
    DecodeOptions decode;
    InfoOptions info;
};

// Throws ToolError with EXIT_USAGE and a message that says what is wrong.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

// The text of "drav --help" (topic "") or "drav COMMAND --help".
std::string helpText(const std::string& topic);

}  // namespace drav::tool
