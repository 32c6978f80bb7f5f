#include "command_line.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>

#include "tool_error.h"

namespace drav::tool {
namespace {

CommandLine parse(std::vector<std::string> arguments) { return parseCommandLine(arguments); }

ExitCode failureCode(std::vector<std::string> arguments) {
    try {
        parseCommandLine(arguments);
    } catch (const ToolError& error) {
        return error.code();
    }
    return EXIT_OK;
}

TEST(CommandLine, EncodeTakesItsOptionsInAnyOrderAndBothValueForms) {
    CommandLine line = parse({"encode", "--depth", "16", "in.mkv", "--keyint=25", "out.avi", "--frames", "30",
                              "--input-format", "rawvideo", "--input-option", "video_size=64x48", "-q"});
    ASSERT_EQ(line.command, Command::Encode);
    EXPECT_EQ(line.encode.input, "in.mkv");
    EXPECT_EQ(line.encode.output, "out.avi");
    EXPECT_EQ(line.encode.depth, 16u);
    EXPECT_EQ(line.encode.keyInterval, 25u);
    EXPECT_EQ(line.encode.frameLimit, 30);
    EXPECT_EQ(line.encode.inputFormat, "rawvideo");
    ASSERT_EQ(line.encode.inputOptions.size(), 1u);
    EXPECT_EQ(line.encode.inputOptions[0].first, "video_size");
    EXPECT_EQ(line.encode.inputOptions[0].second, "64x48");
    EXPECT_TRUE(line.encode.quiet);
}

TEST(CommandLine, EncodeDefaultsAreTheDriversOnes) {
    CommandLine line = parse({"encode", "a", "b.avi"});
    EXPECT_EQ(line.encode.depth, 0u);  // chosen from the input
    EXPECT_EQ(line.encode.keyInterval, 100u);
    EXPECT_EQ(line.encode.frameLimit, -1);
}

TEST(CommandLine, DecodeOptions) {
    CommandLine line = parse({"decode", "in.avi", "-", "--format", "rgb565", "--size", "640x360", "--smooth-half",
                              "--strict", "--container", "nut", "--codec", "ffv1"});
    ASSERT_EQ(line.command, Command::Decode);
    EXPECT_EQ(line.decode.output, "-");  // the standard output, not an option
    EXPECT_EQ(line.decode.format, DibFormat::Rgb565);
    EXPECT_EQ(line.decode.width, 640u);
    EXPECT_EQ(line.decode.height, 360u);
    EXPECT_TRUE(line.decode.smoothHalf);
    EXPECT_TRUE(line.decode.strict);
    EXPECT_EQ(line.decode.container, "nut");
    EXPECT_EQ(line.decode.codec, "ffv1");
    EXPECT_EQ(parse({"decode", "a.avi", "b"}).decode.format, DibFormat::StreamDefault);
}

TEST(CommandLine, DoubleDashMakesFileNamesOfWhatFollows) {
    CommandLine line = parse({"info", "--brief", "--", "--odd-name.avi"});
    EXPECT_EQ(line.info.file, "--odd-name.avi");
    EXPECT_TRUE(line.info.brief);
}

TEST(CommandLine, HelpForEveryCommand) {
    EXPECT_EQ(parse({"--help"}).command, Command::Help);
    for (const char* command : {"encode", "decode", "info"}) {
        CommandLine line = parse({command, "--help"});
        EXPECT_EQ(line.command, Command::Help);
        EXPECT_EQ(line.helpTopic, command);
        EXPECT_NE(helpText(command).find(std::string("drav ") + command), std::string::npos);
        EXPECT_EQ(parse({"help", command}).helpTopic, command);
    }
    EXPECT_NE(helpText("").find("exit codes"), std::string::npos);
}

TEST(CommandLine, MistakesAreUsageErrors) {
    const std::vector<std::vector<std::string>> mistakes = {
        {},
        {"frob"},
        {"encode", "only-input"},
        {"encode", "a", "b", "c"},
        {"encode", "a", "b", "--depth", "24"},
        {"encode", "a", "b", "--depth", "32x"},
        {"encode", "a", "b", "--keyint", "0"},
        {"encode", "a", "b", "--keyint"},
        {"encode", "a", "b", "--input-option", "novalue"},
        {"encode", "a", "b", "--quiet=yes"},
        {"decode", "a", "b", "--format", "rgb24"},
        {"decode", "a", "b", "--size", "640"},
        {"decode", "a", "b", "--size", "0x10"},
        {"decode", "a", "b", "--size", "70000x10"},
        {"decode", "a", "b", "--frames", "-1"},
        {"info"},
        {"info", "a", "--strict"},
        {"help", "frob"},
    };
    for (const auto& arguments : mistakes) {
        std::string text;
        for (const auto& argument : arguments) text += argument + " ";
        EXPECT_EQ(failureCode(arguments), EXIT_USAGE) << text;
    }
}

// A model of what every argument list must do, written apart from the
// parser: either a usage error whose message names the word at fault, or the
// mode and settings the words name. Nothing may change the mode silently.
class CommandModel {
public:
    // "error:WORD", or a description of the mode as describe() gives it.
    std::string expect(const std::vector<std::string>& words) {
        if (words.empty()) return "error:no command";
        const std::string& command = words[0];
        if (command == "help" || command == "--help" || command == "-h") {
            if (words.size() > 2) return errorAt(words[2]);
            if (words.size() == 2 && !isCommand(words[1])) return errorAt(words[1]);
            return "help " + (words.size() == 2 ? words[1] : "");
        }
        if (command == "--version") return words.size() > 1 ? errorAt(words[1]) : "version";
        if (!isCommand(command)) return errorAt(command);
        for (size_t i = 1; i < words.size() && words[i] != "--"; ++i)
            if (words[i] == "--help" || words[i] == "-h") return "help " + command;
        return walk(words);
    }

    static std::string describe(const CommandLine& line) {
        std::ostringstream text;
        const EncodeOptions& e = line.encode;
        const DecodeOptions& d = line.decode;
        switch (line.command) {
            case Command::Help: return "help " + line.helpTopic;
            case Command::Version: return "version";
            case Command::Encode:
                text << "encode " << e.input << "|" << e.output << " depth=" << e.depth << " keyint=" << e.keyInterval
                     << " frames=" << e.frameLimit << " threads=" << e.threads << " jobs=" << e.jobs
                     << " input-format=" << e.inputFormat << " quiet=" << e.quiet << " input-options=";
                for (const auto& [key, value] : e.inputOptions) text << key << "=" << value << ";";
                break;
            case Command::Decode:
                text << "decode " << d.input << "|" << d.output
                     << " format=" << (d.format == DibFormat::StreamDefault ? "" : dibFormatName(d.format))
                     << " size=" << d.width << "x" << d.height << " smooth-half=" << d.smoothHalf
                     << " strict=" << d.strict << " frames=" << d.frameLimit << " container=" << d.container
                     << " codec=" << d.codec << " quiet=" << d.quiet;
                break;
            case Command::Info: text << "info " << line.info.file << " brief=" << line.info.brief; break;
        }
        return text.str();
    }

private:
    static std::string errorAt(const std::string& word) { return "error:" + (word.empty() ? "\"\"" : word); }
    static bool isCommand(const std::string& word) { return word == "encode" || word == "decode" || word == "info"; }
    static bool isCount(const std::string& text, int64_t low, int64_t high) {
        if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return false;
        return std::stoll(text) >= low && std::stoll(text) <= high;
    }
    static bool valid(const std::string& option, const std::string& value) {
        if (option == "--depth") return value == "8" || value == "16" || value == "32";
        if (option == "--keyint") return isCount(value, 1, INT32_MAX);
        if (option == "--frames") return isCount(value, 1, INT64_MAX);
        if (option == "--threads") return isCount(value, 0, 64);
        if (option == "--jobs") return isCount(value, 1, 64);
        if (option == "--format") return value == "bgr24" || value == "bgr0" || value == "rgb555" || value == "rgb565";
        if (option == "--size") {
            size_t x = value.find('x');
            return x != std::string::npos && isCount(value.substr(0, x), 1, 65535) &&
                   isCount(value.substr(x + 1), 1, 65535);
        }
        if (option == "--input-option") return value.find('=') != std::string::npos && value[0] != '=';
        return !value.empty();  // names of formats and encoders
    }

    // The options of each command: name to whether it takes a value.
    static std::map<std::string, bool> optionsOf(const std::string& command) {
        if (command == "info") return {{"--brief", false}};
        if (command == "encode")
            return {{"--depth", true}, {"--keyint", true},       {"--frames", true},       {"--threads", true},
                    {"--jobs", true},  {"--input-format", true}, {"--input-option", true}, {"--quiet", false}};
        return {{"--format", true}, {"--size", true},      {"--smooth-half", false}, {"--strict", false},
                {"--frames", true}, {"--container", true}, {"--codec", true},        {"--quiet", false}};
    }

    std::string walk(const std::vector<std::string>& words) {
        const std::string& command = words[0];
        const std::map<std::string, bool> options = optionsOf(command);
        std::map<std::string, std::string> settings;
        std::vector<std::string> files;
        bool ended = false;
        auto isOption = [](const std::string& word) { return word.size() > 1 && word[0] == '-'; };
        for (size_t i = 1; i < words.size(); ++i) {
            const std::string& word = words[i];
            if (ended || !isOption(word)) {
                if (word.empty()) return errorAt(word);
                files.push_back(word);
                continue;
            }
            if (word == "--") {
                ended = true;
                continue;
            }
            const size_t equals = word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
            const std::string written = word.substr(0, equals), name = written == "-q" ? "--quiet" : written;
            if (!options.count(name)) return errorAt(written);
            if (settings.count(name) && name != "--input-option") return errorAt(written);
            if (!options.at(name)) {
                if (equals != std::string::npos) return errorAt(written);
                settings[name] = "1";
                continue;
            }
            std::string value;
            if (equals != std::string::npos) {
                value = word.substr(equals + 1);
            } else {
                if (i + 1 == words.size() || isOption(words[i + 1])) return errorAt(written);
                value = words[++i];
            }
            if (!valid(name, value)) return errorAt(value);
            settings[name] += value + (name == "--input-option" ? ";" : "");
        }
        const size_t needed = command == "info" ? 1 : 2;
        if (files.size() > needed) return errorAt(files[needed]);
        if (files.size() < needed) return "error:file name";
        return describeModel(command, files, settings);
    }

    static std::string describeModel(const std::string& command, const std::vector<std::string>& files,
                                     std::map<std::string, std::string> set) {
        auto get = [&](const char* name, const char* otherwise) { return set.count(name) ? set[name] : otherwise; };
        std::ostringstream text;
        if (command == "info") return "info " + files[0] + " brief=" + get("--brief", "0");
        std::string size = get("--size", "0x0");
        text << command << " " << files[0] << "|" << files[1];
        if (command == "encode")
            text << " depth=" << get("--depth", "0") << " keyint=" << get("--keyint", "100")
                 << " frames=" << get("--frames", "-1") << " threads=" << get("--threads", "0")
                 << " jobs=" << get("--jobs", "0") << " input-format=" << get("--input-format", "")
                 << " quiet=" << get("--quiet", "0") << " input-options=" << get("--input-option", "");
        else
            text << " format=" << get("--format", "") << " size=" << size
                 << " smooth-half=" << get("--smooth-half", "0") << " strict=" << get("--strict", "0")
                 << " frames=" << get("--frames", "-1") << " container=" << get("--container", "")
                 << " codec=" << get("--codec", "") << " quiet=" << get("--quiet", "0");
        return text.str();
    }
};

// Argument lists from a seeded generator: commands and options in the right
// and the wrong case, empty and quoted words, repeated options, values valid
// and not, both value forms, "--" and help anywhere.
std::vector<std::string> randomArguments(std::mt19937& random) {
    static const std::vector<std::string> commands = {"encode", "decode", "info",   "encode", "decode",
                                                      "info",   "help",   "--help", "-h",     "--version",
                                                      "Encode", "DECODE", "frob",   ""};
    static const std::vector<std::string> files = {"in.mkv", "out.avi", "-", "", "with space.avi", "-odd.avi", "help"};
    static const std::vector<std::pair<std::string, std::vector<std::string>>> valued = {
        {"--depth", {"8", "16", "32", "24", "", "16x", " 16", "+16", "-8"}},
        {"--keyint", {"1", "50", "2147483647", "0", "2147483648", "1e3"}},
        {"--frames", {"1", "7", "0", "-1", ""}},
        {"--threads", {"0", "64", "65"}},
        {"--jobs", {"1", "64", "0", "65"}},
        {"--input-format", {"rawvideo", ""}},
        {"--input-option", {"video_size=64x48", "k=", "novalue", "=x", ""}},
        {"--format", {"bgr24", "rgb565", "rgb24", "RGB555", ""}},
        {"--size", {"640x360", "1x1", "640", "0x10", "70000x10", "640x360x2"}},
        {"--container", {"nut", ""}},
        {"--codec", {"ffv1", ""}}};
    static const std::vector<std::string> others = {
        "--quiet", "-q", "--smooth-half", "--strict", "--brief",   "--frob", "-x", "--DEPTH", "--Quiet",
        "-Q",      "--", "--help",        "-h",       "--brief=1", "-q=1"};
    auto pick = [&](const auto& list) { return list[random() % list.size()]; };
    std::vector<std::string> words = {pick(commands)};
    for (unsigned count = random() % 7; count > 0; --count) {
        switch (random() % 5) {
            case 0:
            case 1: words.push_back(pick(files)); break;
            case 2: {
                const auto& [option, values] = pick(valued);
                const std::string value = pick(values);
                if (random() % 2)
                    words.push_back(option + "=" + value);
                else
                    words.insert(words.end(), {option, value});
                break;
            }
            case 3: words.push_back(pick(others)); break;
            default: words.push_back(words[random() % words.size()]);  // a repeat
        }
    }
    return words;
}

TEST(CommandLine, EveryArgumentListDoesWhatAModelSays) {
    std::mt19937 random(20261209);
    CommandModel model;
    int errors = 0, lists = 8000;
    for (int i = 0; i < lists; ++i) {
        const std::vector<std::string> words = randomArguments(random);
        std::string shown;
        for (const std::string& word : words) shown += "'" + word + "' ";
        const std::string expected = model.expect(words);
        try {
            const std::string got = CommandModel::describe(parseCommandLine(words));
            ASSERT_EQ(got, expected) << shown;
        } catch (const ToolError& error) {
            ASSERT_EQ(expected.rfind("error:", 0), 0u) << shown << "failed: " << error.what();
            ASSERT_EQ(error.code(), EXIT_USAGE) << shown;
            ASSERT_NE(std::string(error.what()).find(expected.substr(6)), std::string::npos)
                << shown << "the message does not name " << expected.substr(6) << ": " << error.what();
            ++errors;
        }
    }
    EXPECT_GT(errors, lists / 2);  // the generator reaches both outcomes
    EXPECT_LT(errors, lists * 19 / 20);
}

}  // namespace
}  // namespace drav::tool
