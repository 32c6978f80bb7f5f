// Centring a window over its owner inside the work area.
#include "gui/WindowUtilities.h"

#include "FrameworkResources.h"
#include "FrameworkTest.h"
#include "TestDialogs.h"

namespace {
RECT rect(LONG left, LONG top, LONG right, LONG bottom) { return RECT{left, top, right, bottom}; }

RECT windowRect(HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    return bounds;
}

RECT workArea() {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}
}  // namespace

TEST(CentredPosition, CentresOverTheOwner) {
    POINT at = centredPosition(rect(100, 100, 500, 400), rect(0, 0, 1024, 768), 200, 100);
    EXPECT_EQ(200, at.x);
    EXPECT_EQ(200, at.y);
}

TEST(CentredPosition, ClampsToTheWorkAreasLeftAndTop) {
    POINT at = centredPosition(rect(-300, -300, 100, 100), rect(10, 20, 1024, 768), 200, 100);
    EXPECT_EQ(10, at.x);
    EXPECT_EQ(20, at.y);
}

TEST(CentredPosition, ClampsToTheRightAndBottom) {
    POINT at = centredPosition(rect(900, 700, 1200, 900), rect(0, 0, 1024, 768), 200, 100);
    EXPECT_EQ(1024 - 200, at.x);
    EXPECT_EQ(768 - 100, at.y);
}

TEST(CentredPosition, AWindowLargerThanTheWorkAreaEndsAtItsFarEdges) {
    POINT at = centredPosition(rect(0, 0, 800, 600), rect(0, 0, 800, 600), 1000, 700);
    EXPECT_EQ(800 - 1000, at.x);  // left of work.left: the right clamp comes last
    EXPECT_EQ(600 - 700, at.y);
}

TEST(CentredPosition, HalvesTruncateTowardZero) {
    POINT at = centredPosition(rect(0, 0, 1, 1), rect(-100, -100, 100, 100), 4, 6);
    EXPECT_EQ(-1, at.x);  // -3 / 2
    EXPECT_EQ(-2, at.y);  // -5 / 2
}

class CenterWindowTest : public WindowTest {};

TEST_F(CenterWindowTest, WithoutOwnerCentresOverTheDesktopInsideTheWorkArea) {
    OpenDialog open(IDD_PLAIN);
    RECT before = windowRect(open.window);
    SetWindowPos(open.window, nullptr, 3, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    centerWindow(open.window);
    RECT after = windowRect(open.window);
    int width = before.right - before.left;
    int height = before.bottom - before.top;
    POINT expected = centredPosition(windowRect(GetDesktopWindow()), workArea(), width, height);
    EXPECT_EQ(expected.x, after.left);
    EXPECT_EQ(expected.y, after.top);
    EXPECT_EQ(width, after.right - after.left);  // never resized
    EXPECT_EQ(height, after.bottom - after.top);
}

TEST_F(CenterWindowTest, CentresOverTheOwner) {
    OpenDialog owner(IDD_CONTROLS);
    SetWindowPos(owner.window, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ScriptedDialog owned(IDD_PLAIN);
    owned.setParent(owner.window);
    HWND window = owned.createModeless();
    ASSERT_EQ(owner.window, GetWindow(window, GW_OWNER));
    centerWindow(window);
    RECT ownerBounds = windowRect(owner.window);
    RECT bounds = windowRect(window);
    EXPECT_NEAR(ownerBounds.left + ownerBounds.right, bounds.left + bounds.right, 1);
    EXPECT_NEAR(ownerBounds.top + ownerBounds.bottom, bounds.top + bounds.bottom, 1);
    DestroyWindow(window);
}
