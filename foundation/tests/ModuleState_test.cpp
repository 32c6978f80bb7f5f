#include "foundation/ModuleState.h"

#include <gtest/gtest.h>

#include <string>

#include "TestPaths.h"
#include "foundation/ModuleStartup.h"
#include "foundation/VString.h"

namespace {
std::string moduleDirectory() {
    VString directory;
    getModuleDirectory(directory);
    return directory.cStr();
}

// Each test may start, stop or re-point the module; afterwards the runner's
// own state comes back.
class ModuleState : public testing::Test {
protected:
    void TearDown() override {
        setModuleInstance(GetModuleHandleA(nullptr));
        moduleStartupFromInstance();
    }
};
}  // namespace

TEST_F(ModuleState, StartupFromInstanceTakesItsFilesDirectory) {
    moduleShutdown();
    setModuleInstance(GetModuleHandleA(nullptr));
    moduleStartupFromInstance();
    EXPECT_EQ(GetModuleHandleA(nullptr), getModuleInstance());
    EXPECT_EQ(executableDirectory(), moduleDirectory());
}

TEST_F(ModuleState, DirectoryIsThePathUpToTheLastBackslash) {
    moduleStartup("C:\\Program Files\\Drevantic\\install.exe");
    EXPECT_EQ("C:\\Program Files\\Drevantic", moduleDirectory());
    moduleStartup("C:\\install.exe");
    EXPECT_EQ("C:", moduleDirectory());
    moduleStartup("C:\\windows\\");
    EXPECT_EQ("C:\\windows", moduleDirectory());
}

TEST_F(ModuleState, PathWithoutBackslashIsKeptWhole) {
    moduleStartup("install.exe");
    EXPECT_EQ("install.exe", moduleDirectory());
    moduleStartup("");
    EXPECT_EQ("", moduleDirectory());
}

TEST_F(ModuleState, ShutdownForgetsInstanceAndDirectory) {
    moduleShutdown();
    EXPECT_EQ(nullptr, getModuleInstance());
    EXPECT_EQ("", moduleDirectory());
}
