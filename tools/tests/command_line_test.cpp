#include "command_line.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace drav::tool
