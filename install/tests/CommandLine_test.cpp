// install.exe's options as the command line carries them: a seeded generator
// of argument lists (empty, quoted, repeated, unknown, mixed case, blanks and
// tabs) against what each word must mean. Every word counts.
#include "install/CommandLine.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

namespace {

// Words a script may pass, right or wrong; the ones with a blank or a tab
// can only come as one word quoted.
const char* const WORDS[] = {
    "/S", "-s",      "/s", "/uninstall", "-UNINSTALL",   "/UnInstall",    "/?", "-?",  "", "/x", "S", "/",
    "-",  "/silent", "/u", "uninstall",  "/S/uninstall", "/S /uninstall", "\t", "/?/S"};
const char* const PROGRAMS[] = {"install.exe", "\"C:\\Program Files\\x y\\install.exe\"", "C:\\WINDOWS\\DRAVINST.EXE"};

// What a word means: 'S', 'U', '?', or '!' for one not understood.
char meaning(const std::string& word) {
    std::string lower;
    for (char c : word) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "/s" || lower == "-s") return 'S';
    if (lower == "/uninstall" || lower == "-uninstall") return 'U';
    if (lower == "/?" || lower == "-?") return '?';
    return '!';
}

// The word as a command line may carry it: bare, quoted whole, or with a
// quoted stretch inside ("" alone for the empty word).
std::string written(const std::string& word, std::mt19937& random) {
    bool hasBlank = word.find_first_of(" \t") != std::string::npos;
    int style = word.empty() || hasBlank ? 1 : static_cast<int>(random() % 3);
    if (style == 0) return word;
    if (style == 1) return "\"" + word + "\"";
    size_t from = random() % (word.size() + 1), to = from + random() % (word.size() - from + 1);
    return word.substr(0, from) + "\"" + word.substr(from, to - from) + "\"" + word.substr(to);
}

std::string blanks(std::mt19937& random, int least) {
    std::string text;
    for (int n = least + static_cast<int>(random() % 3); n > 0; --n) text += random() % 2 ? ' ' : '\t';
    return text;
}

TEST(InstallOptions, EveryWordCountsAndNothingChangesTheModeSilently) {
    constexpr unsigned SEED = 20240611;
    std::mt19937 random(SEED);
    for (int round = 0; round < 4000; ++round) {
        std::vector<std::string> words;
        for (int n = static_cast<int>(random() % 5); n > 0; --n)
            words.push_back(WORDS[random() % (sizeof WORDS / sizeof *WORDS)]);
        std::string line = blanks(random, 0) + PROGRAMS[random() % 3];
        for (const std::string& word : words) line += blanks(random, 1) + written(word, random);
        line += blanks(random, 0);
        SCOPED_TRACE("seed " + std::to_string(SEED) + ", round " + std::to_string(round) + ": [" + line + "]");

        std::string meanings;
        std::string firstUnknown;
        for (const std::string& word : words) {
            meanings += meaning(word);
            if (meaning(word) == '!' && meanings.find('!') == meanings.size() - 1) firstUnknown = word;
        }
        InstallOptions options = parseInstallOptions(line.c_str());
        ASSERT_EQ(options.silent, meanings.find('S') != std::string::npos);
        ASSERT_EQ(options.uninstall, meanings.find('U') != std::string::npos);
        ASSERT_EQ(options.help, meanings.find('?') != std::string::npos);
        ASSERT_EQ(options.invalid, meanings.find('!') != std::string::npos);
        ASSERT_EQ(options.unknownOption.cStr(), firstUnknown);
        // Only a line without words runs the wizard; a word not understood,
        // wherever it stands, makes the line a usage error.
        InstallMode mode = installMode(options);
        ASSERT_EQ(mode == MODE_WIZARD, words.empty());
        ASSERT_EQ(mode == MODE_USAGE_ERROR, options.invalid);
    }
}

}  // namespace
