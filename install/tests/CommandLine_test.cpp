// install.exe's options as the command line carries them.
#include "install/CommandLine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string flags(const char* commandLine) {
    InstallOptions o = parseInstallOptions(commandLine);
    return std::string(o.silent ? "S" : "") + (o.uninstall ? "U" : "") + (o.help ? "?" : "") + (o.invalid ? "!" : "");
}

TEST(InstallOptions, NoneRunsTheWizard) {
    EXPECT_EQ(flags("install.exe"), "");
    EXPECT_EQ(flags("\"C:\\Program Files\\x\\install.exe\"   "), "") << "a quoted program path with blanks";
}

TEST(InstallOptions, AreCaseInsensitiveWithEitherLeader) {
    EXPECT_EQ(flags("install.exe /S"), "S");
    EXPECT_EQ(flags("\"C:\\WINDOWS\\DRAVINST.EXE\" /uninstall"), "U");
    EXPECT_EQ(flags("install.exe -s\t/UNINSTALL"), "SU");
    EXPECT_EQ(flags("install.exe /?"), "?");
}

TEST(InstallOptions, AnythingElseIsAnUnknownOption) {
    EXPECT_EQ(flags("install.exe /S /silent"), "S!");
    EXPECT_EQ(flags("install.exe S"), "!") << "no leader";
    EXPECT_EQ(flags("install.exe /"), "!");
}

}  // namespace
