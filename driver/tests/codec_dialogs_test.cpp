// The codec's Setup and About dialogs: as classes on the driver's own
// templates (linked into this program), and opened for real through the
// Video Compression Manager and the installable-driver interface. The
// registry is checked before and after; windows are driven from a second
// thread.
#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include <array>
#include <utility>

#include "AboutDialog.h"
#include "../DriverFileName.h"
#include "SetupDialog.h"
#include "SettingsGuard.h"
#include "VcmTestSupport.h"
#include "WindowDriver.h"
#include "res/DriverResources.h"

namespace drav::test {
namespace {

constexpr const char* SETUP_TITLE = "DRAV Setup";
constexpr const char* ABOUT_TITLE = "DRAV About";
constexpr int SETUP_BOXES[] = {IDC_DISABLE_MMX, IDC_DISABLE_RESIZING, IDC_DISABLE_COLOR_CONVERSION};
using Boxes = std::array<bool, 3>;

bool withoutMMX() { return false; }

void pressEscape(HWND dialog) {
    // To a button, so that the dialog's own loop turns the key into Cancel.
    PostMessageA(GetDlgItem(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
}

// What the Setup dialog showed when it opened.
Boxes readBoxes(HWND setup) {
    Boxes boxes{};
    for (int i = 0; i < 3; ++i)
        boxes[i] = SendMessageA(GetDlgItem(setup, SETUP_BOXES[i]), BM_GETCHECK, 0, 0) == BST_CHECKED;
    return boxes;
}

// Clicks the given boxes of an open Setup dialog, then `finish`es it.
void driveSetup(Boxes& shown, std::vector<int> clicks, std::function<void(HWND)> finish) {
    HWND setup = requireWindow(SETUP_TITLE);
    if (setup == nullptr) return;
    shown = readBoxes(setup);
    for (int box : clicks) SendMessageA(GetDlgItem(setup, box), BM_CLICK, 0, 0);
    finish(setup);
}

void pressOk(HWND dialog) { clickButton(dialog, IDOK); }
void pressCancel(HWND dialog) { clickButton(dialog, IDCANCEL); }

INT_PTR runSetup(SetupDialog& setup, Boxes& shown, std::vector<int> clicks, std::function<void(HWND)> finish) {
    BackgroundScript driver([&] { driveSetup(shown, clicks, finish); });
    return setup.runModal();
}

std::vector<std::string> storedSwitches() {
    return {storedSettingText("MMXDisabled"), storedSettingText("ResizingDisabled"),
            storedSettingText("ColorDepthConversion")};
}

const std::vector<std::string> NOTHING_STORED = {"<missing>", "<missing>", "<missing>"};

class CodecDialogTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        if (!haveDisplay()) GTEST_SKIP() << "dialogs need an X display";
    }
};

// --- The Setup dialog ---------------------------------------------------------

TEST_F(CodecDialogTest, WithNoSettingsSetupOpensClearedAndOkStoresNothing) {
    SetupDialog setup;
    Boxes shown{true, true, true};
    EXPECT_EQ(1, runSetup(setup, shown, {}, pressOk));
    EXPECT_EQ((Boxes{false, false, false}), shown);
    EXPECT_EQ(NOTHING_STORED, storedSwitches());
}

TEST_F(CodecDialogTest, DisabledSwitchesShowAsCheckedBoxes) {
    storeSettingText("MMXDisabled", "1");
    storeSettingText("ResizingDisabled", "0");
    storeSettingText("ColorDepthConversion", "yes");
    SetupDialog setup;
    Boxes shown{};
    EXPECT_EQ(0, runSetup(setup, shown, {}, pressCancel));
    EXPECT_EQ((Boxes{true, false, true}), shown);
}

TEST_F(CodecDialogTest, OkStoresOnlyTheSwitchesThatChanged) {
    storeSettingText("ColorDepthConversion", "1");
    SetupDialog setup;
    Boxes shown{};
    EXPECT_EQ(1, runSetup(setup, shown, {IDC_DISABLE_RESIZING, IDC_DISABLE_COLOR_CONVERSION}, pressOk));
    EXPECT_EQ((std::vector<std::string>{"<missing>", "1", "0"}), storedSwitches());
}

TEST_F(CodecDialogTest, CancelEscAndTheCloseBoxStoreNothing) {
    const std::vector<int> allBoxes(std::begin(SETUP_BOXES), std::end(SETUP_BOXES));
    Boxes shown{};
    SetupDialog setup;
    EXPECT_EQ(0, runSetup(setup, shown, allBoxes, pressCancel));
    EXPECT_EQ(0,
              runSetup(setup, shown, allBoxes, [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }));
    // Esc first, then OK: only an Esc that closes the dialog keeps OK from storing.
    EXPECT_EQ(0, runSetup(setup, shown, allBoxes, [](HWND dialog) {
                  pressEscape(dialog);
                  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
              }));
    EXPECT_EQ(NOTHING_STORED, storedSwitches());
}

TEST_F(CodecDialogTest, WithoutMMXAClearedBoxWarnsOnceAndStoresMMXDisabled) {
    SetupDialog setup(withoutMMX);
    Boxes shown{};
    MessageBoxCloser closer("DRAV Error");
    EXPECT_EQ(1, runSetup(setup, shown, {}, pressOk));
    EXPECT_EQ(std::vector<std::string>{"Your system is not MMX compatible.\nMMX Technology will be disabled."},
              closer.stop());
    EXPECT_EQ("1", storedSettingText("MMXDisabled"));

    MessageBoxCloser quiet("DRAV Error");
    EXPECT_EQ(1, runSetup(setup, shown, {}, pressOk));
    EXPECT_TRUE(shown[0]) << "the next opening shows MMX disabled";
    EXPECT_TRUE(quiet.stop().empty()) << "a checked box needs no warning";
}

TEST_F(CodecDialogTest, WithMMXClearingTheBoxAllowsIt) {
    storeSettingText("MMXDisabled", "1");
    SetupDialog setup([] { return true; });
    Boxes shown{};
    MessageBoxCloser closer("DRAV Error");
    EXPECT_EQ(1, runSetup(setup, shown, {IDC_DISABLE_MMX}, pressOk));
    EXPECT_TRUE(closer.stop().empty());
    EXPECT_EQ("0", storedSettingText("MMXDisabled"));
}

TEST_F(CodecDialogTest, AboutOpensFromSetupOwnedByItAndSetupStaysOpen) {
    SetupDialog setup;
    HWND setupWindow = nullptr;
    HWND aboutOwner = nullptr;
    bool setupStillOpen = false;
    BackgroundScript driver([&] {
        HWND dialog = setupWindow = requireWindow(SETUP_TITLE);
        if (dialog == nullptr) return;
        clickButton(dialog, IDC_SETUP_ABOUT);
        HWND about = requireWindow(ABOUT_TITLE);
        if (about == nullptr) return;
        aboutOwner = GetWindow(about, GW_OWNER);
        clickButton(about, IDOK);
        waitForWindowGone(about);
        setupStillOpen = IsWindowVisible(dialog) != FALSE;
        clickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ(0, setup.runModal());
    EXPECT_NE(nullptr, aboutOwner);
    EXPECT_EQ(setupWindow, aboutOwner);
    EXPECT_TRUE(setupStillOpen);
}

// --- The About dialog ---------------------------------------------------------

INT_PTR runAbout(std::function<void(HWND)> finish) {
    AboutDialog about;
    BackgroundScript driver([&] {
        if (HWND dialog = requireWindow(ABOUT_TITLE)) finish(dialog);
    });
    return about.runModal();
}

TEST_F(CodecDialogTest, AboutClosesWithOkAndTheCloseBoxButNotWithEsc) {
    EXPECT_EQ(1, runAbout(pressOk));
    EXPECT_EQ(1, runAbout([](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }));
    // Esc first, then Cancel and a custom command: only OK, posted last, ends it.
    EXPECT_EQ(1, runAbout([](HWND dialog) {
                  pressEscape(dialog);
                  PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
              }));
}

// Shows the dialog and paints it with every control now.
void paint(HWND dialog) {
    ShowWindow(dialog, SW_SHOWNA);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// The brush a static gets for its colours, with the background mode it leaves
// in a device context of the test's own.
std::pair<LRESULT, int> staticColours(HWND dialog, int controlId) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    LRESULT brush = SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, controlId)));
    int mode = GetBkMode(dc);
    SelectObject(dc, font);  // a font still selected could not be deleted
    DeleteDC(dc);
    return {brush, mode};
}

TEST_F(CodecDialogTest, TheTitleIsSemiBoldOnTransparentAndItsFontGoesWithTheWindow) {
    AboutDialog about;
    HWND window = about.createModeless();
    ASSERT_NE(nullptr, window);
    HWND title = GetDlgItem(window, IDC_ABOUT_TITLE);
    paint(window);
    EXPECT_EQ(600, fontWeight(title));
    auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(title, WM_GETFONT, 0, 0));
    LOGFONTA dialogFont{}, titleFont{};
    GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof dialogFont, &dialogFont);
    GetObjectA(font, sizeof titleFont, &titleFont);
    EXPECT_STREQ(dialogFont.lfFaceName, titleFont.lfFaceName) << "the dialog's font, heavier";
    EXPECT_EQ(dialogFont.lfHeight, titleFont.lfHeight);
    const LRESULT noBrush = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    EXPECT_EQ(std::make_pair(noBrush, TRANSPARENT), staticColours(window, IDC_ABOUT_TITLE));
    std::pair<LRESULT, int> other = staticColours(window, IDC_ABOUT_DECOMPRESSION_ONLY);
    EXPECT_NE(noBrush, other.first) << "other statics get the system's usual answer";
    EXPECT_EQ(OPAQUE, other.second);
    paint(window);
    EXPECT_EQ(reinterpret_cast<LRESULT>(font), SendMessageA(title, WM_GETFONT, 0, 0)) << "made once";

    DestroyWindow(window);
    EXPECT_EQ(0u, GetObjectType(font)) << "released with the window";
    window = about.createModeless();
    paint(window);
    EXPECT_EQ(600, fontWeight(GetDlgItem(window, IDC_ABOUT_TITLE))) << "made again for the new window";
    DestroyWindow(window);
}

// --- Through the system ---------------------------------------------------------

// The dialog's controls as a person sees them, in their order: the text, or
// the size of the picture, marked when hidden or disabled.
std::vector<std::string> shownControls(HWND dialog) {
    std::vector<std::string> shown;
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        std::string seen = windowText(control);
        char className[16] = "";
        GetClassNameA(control, className, sizeof className);
        LONG_PTR kind = lstrcmpiA(className, "Static") == 0 ? GetWindowLongPtrA(control, GWL_STYLE) & SS_TYPEMASK : -1;
        if (kind == SS_ICON) seen = "icon " + iconSize(SendMessageA(control, STM_GETICON, 0, 0));
        if (kind == SS_BITMAP) {
            BITMAP picture{};
            GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0)), sizeof picture,
                       &picture);
            seen = "bitmap " + std::to_string(picture.bmWidth) + "x" + std::to_string(picture.bmHeight);
        }
        if (!IsWindowVisible(control)) seen += " [hidden]";
        if (!IsWindowEnabled(control)) seen += " [disabled]";
        shown.push_back(seen);
    }
    return shown;
}

class SystemDialogTest : public CodecDialogTest {};

TEST_F(SystemDialogTest, ICConfigureOpensSetupAndOkStoresTheChange) {
    OpenCodec codec(ICMODE_QUERY);
    ASSERT_NE(nullptr, codec.get());
    EXPECT_TRUE(ICQueryConfigure(codec.get()));
    Boxes shown{true, true, true};
    std::vector<std::string> controls;
    LRESULT answer = 0;
    {
        BackgroundScript driver([&] {
            driveSetup(shown, {IDC_DISABLE_COLOR_CONVERSION}, [&](HWND setup) {
                controls = shownControls(setup);
                pressOk(setup);
            });
        });
        answer = ICConfigure(codec.get(), nullptr);
    }
    EXPECT_EQ(1, answer);
    EXPECT_EQ(
        (std::vector<std::string>{"icon 32x32",
                                  "These settings can be adversely affect ZIR Codec performance and should be "
                                  "adjusted by advanced users only.",
                                  "Compatibility Settings", "Disable &MMX instructions", "Disable &frame resizing",
                                  "Disable c&olor depth conversion", "OK", "&Cancel", "&About"}),
        controls);
    EXPECT_EQ((Boxes{false, false, false}), shown);
    EXPECT_EQ((std::vector<std::string>{"<missing>", "<missing>", "1"}), storedSwitches());
}

TEST_F(SystemDialogTest, ICAboutShowsTheProductAndVersion) {
    OpenCodec codec(ICMODE_QUERY);
    ASSERT_NE(nullptr, codec.get());
    EXPECT_TRUE(ICQueryAbout(codec.get()));
    std::vector<std::string> controls;
    bool titleSemiBold = false;
    {
        BackgroundScript driver([&] {
            HWND about = requireWindow(ABOUT_TITLE);
            if (about == nullptr) return;
            controls = shownControls(about);
            titleSemiBold = waitUntil([&] { return fontWeight(GetDlgItem(about, IDC_ABOUT_TITLE)) == 600; }, 5000);
            clickButton(about, IDOK);
        });
        EXPECT_EQ(ICERR_OK, ICAbout(codec.get(), nullptr));
    }
    EXPECT_EQ((std::vector<std::string>{"OK", "bitmap 64x64", "Drevantic", "Version 0.9",
                                        "Lossless compression of screen recordings.\nFree to use and to pass on.",
                                        "(decompression only) [hidden]"}),
              controls);
    EXPECT_TRUE(titleSemiBold) << "once painted";
}

TEST_F(SystemDialogTest, DrvConfigureThroughTheDriverInterfaceAndCancelStoresNothing) {
    HDRVR driver = OpenDriver(L"" DRAV_DRIVER_FILE, nullptr, 0);
    ASSERT_NE(nullptr, driver);
    Boxes shown{};
    LRESULT answer = 0;
    {
        BackgroundScript script([&] { driveSetup(shown, {IDC_DISABLE_MMX, IDC_DISABLE_RESIZING}, pressCancel); });
        answer = SendDriverMessage(driver, DRV_CONFIGURE, 0, 0);
    }
    CloseDriver(driver, 0, 0);
    EXPECT_EQ(1, answer);
    EXPECT_EQ(NOTHING_STORED, storedSwitches());
}

}  // namespace
}  // namespace drav::test
