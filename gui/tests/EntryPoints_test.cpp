// The entry points as the system calls them: a program's exit code through
// WinMain, the exception box of a failing program, and a DLL's DllMain.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "foundation/ModuleStartup.h"
#include "foundation/ModuleState.h"
#include "foundation/VString.h"
#include "foundation/tests/TestPaths.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {
struct Process {
    PROCESS_INFORMATION info{};
    ~Process() {
        if (info.hProcess) {
            TerminateProcess(info.hProcess, 1);
            CloseHandle(info.hProcess);
            CloseHandle(info.hThread);
        }
    }
};

bool startProbe(Process& process, const char* arguments) {
    std::string commandLine = "\"" + besideExecutable("entry_probe.exe") + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process.info) != FALSE;
}

DWORD exitCodeOf(Process& process) {
    WaitForSingleObject(process.info.hProcess, 30000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.info.hProcess, &code);
    return code;
}

DWORD runProbe(const char* arguments) {
    Process process;
    if (!startProbe(process, arguments)) return 0xFFFFFFFF;
    return exitCodeOf(process);
}

struct WindowSearch {
    DWORD processId;
    const char* title;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    if (owner != search->processId || std::string(title) != search->title) return TRUE;
    search->found = window;
    return FALSE;
}

// Polls for a top-level window of `processId` with `title`; null after 20 s.
HWND waitForWindow(DWORD processId, const char* title) {
    WindowSearch search{processId, title, nullptr};
    for (int attempt = 0; attempt < 400 && search.found == nullptr; ++attempt) {
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr) Sleep(50);
    }
    return search.found;
}

template <typename Function>
Function exported(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

bool haveDisplay() { return GetEnvironmentVariableA("DISPLAY", nullptr, 0) > 0; }

// The runner's DllMain is the library's, called here by hand; the runner's own
// module state comes back afterwards.
class DllMainOfTheRunner : public testing::Test {
protected:
    void TearDown() override {
        setModuleInstance(GetModuleHandleA(nullptr));
        moduleStartupFromInstance();
    }
};
}  // namespace

TEST(WinMainEntry, StartedTheRunnersModule) {
    EXPECT_EQ(GetModuleHandleA(nullptr), getModuleInstance());
    VString directory;
    getModuleDirectory(directory);
    EXPECT_EQ(executableDirectory(), directory.cStr());
}

TEST(WinMainEntry, ReturnsAppMainsCodeAsTheExitCode) {
    EXPECT_EQ(42u, runProbe("--exit=42"));
    EXPECT_EQ(0u, runProbe("--exit=0"));
}

TEST(WinMainEntry, ShowsAnEscapingExceptionAndExitsWithZero) {
    if (!haveDisplay()) GTEST_SKIP() << "the exception box needs an X display";
    Process process;
    ASSERT_TRUE(startProbe(process, "--throw"));
    HWND box = waitForWindow(process.info.dwProcessId, "Exception");
    ASSERT_NE(nullptr, box);
    char text[256] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ("GUI Error\n\nFile: EntryProbe\nLine: 4242", text);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(0u, exitCodeOf(process));
}

TEST(DllMainEntry, LoadedDllRunsOnItsOwnModuleState) {
    HMODULE library = LoadLibraryA(besideExecutable("entry_probe.dll").c_str());
    ASSERT_NE(nullptr, library);
    auto instance = exported<HINSTANCE (*)()>(library, "probeModuleInstance");
    auto start = exported<int (*)()>(library, "probeStart");
    auto stop = exported<void (*)()>(library, "probeStop");
    auto directory = exported<void (*)(char*, int)>(library, "probeModuleDirectory");
    auto loadBinary = exported<int (*)(int, char*, int)>(library, "probeLoadBinary");
    ASSERT_TRUE(instance && start && stop && directory && loadBinary);

    EXPECT_EQ(library, instance());  // a runtime default DllMain would leave it null
    char text[MAX_PATH] = "?";
    directory(text, sizeof text);
    EXPECT_STREQ("", text);

    EXPECT_EQ(7, start());
    directory(text, sizeof text);
    EXPECT_EQ(executableDirectory(), text);

    char payload[64] = "";
    EXPECT_EQ(24, loadBinary(101, payload, sizeof payload));
    EXPECT_EQ("payload of the probe DLL", std::string(payload, 24));
    EXPECT_EQ(-1, loadBinary(102, payload, sizeof payload));  // ErrorGeneral: the DLL has no 102

    stop();
    EXPECT_EQ(nullptr, instance());
    directory(text, sizeof text);
    EXPECT_STREQ("", text);
    FreeLibrary(library);
}

TEST_F(DllMainOfTheRunner, TakesTheInstanceOnlyAtProcessAttach) {
    HINSTANCE runner = GetModuleHandleA(nullptr);
    HINSTANCE other = GetModuleHandleA("kernel32.dll");
    for (DWORD reason : {DWORD(DLL_PROCESS_DETACH), DWORD(DLL_THREAD_ATTACH), DWORD(DLL_THREAD_DETACH)}) {
        EXPECT_TRUE(DllMain(other, reason, nullptr)) << "reason " << reason;
        EXPECT_EQ(runner, getModuleInstance()) << "reason " << reason;
    }
    EXPECT_TRUE(DllMain(other, DLL_PROCESS_ATTACH, nullptr));
    EXPECT_EQ(other, getModuleInstance());
}
