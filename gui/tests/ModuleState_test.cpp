#include "gui/ModuleState.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/VString.h"
#include "gui/ModuleStartup.h"
#include "TestPaths.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

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

TEST_F(ModuleState, WinMainStartedTheRunnersModule) {
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

TEST_F(ModuleState, DllMainTakesTheInstanceOnlyAtProcessAttach) {
    HINSTANCE runner = GetModuleHandleA(nullptr);
    HINSTANCE other = GetModuleHandleA("kernel32.dll");
    for (DWORD reason : {DWORD(DLL_PROCESS_DETACH), DWORD(DLL_THREAD_ATTACH), DWORD(DLL_THREAD_DETACH)}) {
        EXPECT_TRUE(DllMain(other, reason, nullptr)) << "reason " << reason;
        EXPECT_EQ(runner, getModuleInstance()) << "reason " << reason;
    }
    EXPECT_TRUE(DllMain(other, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(other, getModuleInstance());
}
