// The deletions queued for the next restart: the installer adds its own
// files, finds them and takes them back, and leaves every other program's
// entry as it was, in PendingFileRenameOperations (NT family) and in
// wininit.ini's [rename] section (95/98 family).
#include "install/RestartQueue.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "ScratchDirectory.h"
#include "ScratchRegistry.h"
#include "foundation/VString.h"

namespace {

// --- NT family: PendingFileRenameOperations ------------------------------------

using PendingOperations = ScratchRegistry;

constexpr char SESSION_MANAGER[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t PENDING[] = L"PendingFileRenameOperations";
const VString OURS("C:\\windows\\syswow64\\DRAV32.VCM");

// MoveFileEx's pairs: source, then target (empty to delete), each ending in
// NUL; `closing` adds the NUL that ends the list.
std::wstring pairs(std::initializer_list<std::wstring> strings, bool closing = true) {
    std::wstring data;
    for (const std::wstring& text : strings) data += text + L'\0';
    return closing ? data + L'\0' : data;
}

class PendingOperationsValue : public PendingOperations {
protected:
    void SetUp() override {
        PendingOperations::SetUp();
        createKey(SESSION_MANAGER);
    }
    void store(const std::wstring& data) {
        HKEY key;
        ASSERT_EQ(RegOpenKeyA(root_, SESSION_MANAGER, &key), ERROR_SUCCESS);
        RegSetValueExW(key, PENDING, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size() * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    // The value's data, or "<absent>".
    std::wstring stored() const {
        HKEY key;
        if (RegOpenKeyA(root_, SESSION_MANAGER, &key) != ERROR_SUCCESS) return L"<no key>";
        wchar_t data[512];
        DWORD bytes = sizeof data;
        LONG result = RegQueryValueExW(key, PENDING, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &bytes);
        RegCloseKey(key);
        return result == ERROR_SUCCESS ? std::wstring(data, bytes / sizeof(wchar_t)) : L"<absent>";
    }
};

// Other programs' deletions and renames (a rename onto our file among them,
// which is not a deletion, and a name outside the ANSI code page) stay byte
// for byte, in order; ours go, in any case of letters.
TEST_F(PendingOperationsValue, OursAreFoundAndTakenBackAndNothingElse) {
    const std::wstring others[][2] = {{L"\\??\\C:\\other\\a.tmp", L""},
                                      {L"\\??\\C:\\new.dll", L"!\\??\\C:\\windows\\syswow64\\DRAV32.VCM"},
                                      {L"\\??\\C:\\\u65e5\u672c\\x.dll", L""}};
    std::wstring before =
        pairs({others[0][0], others[0][1], L"\\??\\C:\\windows\\syswow64\\DRAV32.VCM", L"", others[1][0], others[1][1],
               L"\\??\\c:\\WINDOWS\\SysWOW64\\drav32.vcm", L"", others[2][0], others[2][1]});
    store(before);
    EXPECT_EQ(findQueuedDeletions(root_, OURS, false), 2);
    EXPECT_EQ(stored(), before) << "finding changes nothing";
    EXPECT_EQ(findQueuedDeletions(root_, OURS, true), 2);
    EXPECT_EQ(stored(), pairs({others[0][0], others[0][1], others[1][0], others[1][1], others[2][0], others[2][1]}));
    EXPECT_EQ(findQueuedDeletions(root_, OURS, true), 0);
    EXPECT_EQ(findQueuedDeletions(root_, VString("C:\\windows\\system32\\DRAV32.VCM"), false), 0) << "another path";
}

TEST_F(PendingOperationsValue, OursAloneLeaveNoValueAndAMalformedRestStays) {
    store(pairs({L"\\??\\C:\\windows\\syswow64\\DRAV32.VCM", L""}));
    EXPECT_EQ(findQueuedDeletions(root_, OURS, true), 1);
    EXPECT_EQ(stored(), L"<absent>");
    EXPECT_EQ(findQueuedDeletions(root_, OURS, true), 0) << "no value";
    // A source without its target at the end, no closing NUL.
    std::wstring malformed = pairs({L"\\??\\C:\\windows\\syswow64\\DRAV32.VCM", L"", L"\\??\\C:\\x.tmp"}, false);
    store(malformed);
    EXPECT_EQ(findQueuedDeletions(root_, OURS, true), 1);
    EXPECT_EQ(stored(), pairs({L"\\??\\C:\\x.tmp"}, false));
}

// The queue as the system keeps it: what MoveFileEx queues is found and taken
// back, one file at a time.
using QueuedFiles = ScratchDirectory;

TEST_F(QueuedFiles, MoveFileExQueuesAreFoundAndTakenBack) {
    VString first(path("DRAV32.VCM").c_str()), second(path("DRAV64.VCM").c_str());
    for (const VString* file : {&first, &second}) {
        write(file->cStr(), "driver");
        ASSERT_TRUE(queueDeletionAtRestart(*file, VER_PLATFORM_WIN32_NT));
    }
    EXPECT_TRUE(isDeletionQueued(first, VER_PLATFORM_WIN32_NT));
    EXPECT_TRUE(cancelQueuedDeletion(first, VER_PLATFORM_WIN32_NT));
    EXPECT_FALSE(isDeletionQueued(first, VER_PLATFORM_WIN32_NT));
    EXPECT_TRUE(isDeletionQueued(second, VER_PLATFORM_WIN32_NT));
    EXPECT_TRUE(cancelQueuedDeletion(second, VER_PLATFORM_WIN32_NT));
    EXPECT_FALSE(isDeletionQueued(second, VER_PLATFORM_WIN32_NT));
}

// --- 95/98 family: wininit.ini -------------------------------------------------

using Wininit = ScratchDirectory;

// Each file gets a NUL= line of its own in [rename], after the lines other
// programs put there (more than the first 4 KB read).
TEST_F(Wininit, ListsEveryFileAfterTheOtherLines) {
    std::string foreign = "NUL=C:\\OLD.TMP\r\n";
    for (int i = 0; i < 300; ++i) foreign += "C:\\APP" + std::to_string(i) + ".DLL=C:\\APP.NEW\r\n";
    write(path("wininit.ini"), "[rename]\r\n" + foreign);
    VString wininit(path("wininit.ini").c_str());
    char directory[MAX_PATH];
    ASSERT_NE(GetShortPathNameA(directory_.c_str(), directory, MAX_PATH), 0u);
    std::string expected = "[rename]\r\n" + foreign;
    for (const char* name : {"DRAV32.VCM", "DRAV64.VCM"}) {
        write(path(name), "driver");
        EXPECT_TRUE(listForDeletionAtRestart(VString(path(name).c_str()), wininit)) << name;
        expected += std::string("NUL=") + directory + "\\" + name + "\r\n";
    }
    EXPECT_EQ(contents(path("wininit.ini")), expected);
    // A section too large to read whole is left as it is.
    for (int i = 0; i < 3000; ++i) foreign += "C:\\APP" + std::to_string(i) + ".DLL=C:\\APP.NEW\r\n";
    write(path("wininit.ini"), "[rename]\r\n" + foreign);
    EXPECT_FALSE(listForDeletionAtRestart(VString(path("DRAV32.VCM").c_str()), wininit));
    EXPECT_EQ(contents(path("wininit.ini")), "[rename]\r\n" + foreign);
}

TEST_F(Wininit, OurLinesAreFoundAndTakenBackAndNothingElse) {
    char directory[MAX_PATH];
    ASSERT_NE(GetShortPathNameA(directory_.c_str(), directory, MAX_PATH), 0u);
    std::string ours = std::string(directory) + "\\DRAV32.VCM",
                others = "NUL=C:\\OLD.TMP\r\nC:\\APP.DLL=C:\\APP.NEW\r\n";
    write(path("wininit.ini"), "[rename]\r\nNUL=" + ours + "\r\n" + others + "nul=" + ours + "\r\n");
    VString wininit(path("wininit.ini").c_str()), driver(path("DRAV32.VCM").c_str());
    EXPECT_EQ(findListedDeletions(driver, wininit, false), 2);
    EXPECT_EQ(findListedDeletions(driver, wininit, true), 2);
    EXPECT_EQ(contents(path("wininit.ini")), "[rename]\r\n" + others);
    EXPECT_EQ(findListedDeletions(driver, wininit, true), 0);
    EXPECT_EQ(contents(path("wininit.ini")), "[rename]\r\n" + others);
}

}  // namespace
