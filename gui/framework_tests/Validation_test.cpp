// Numeric input validation: one message per pass, for the first failing
// field, which then has the focus.
#include "FrameworkResources.h"
#include "FrameworkTest.h"
#include "TestDialogs.h"
#include "WindowDriver.h"
#include "foundation/VString.h"

namespace {
class ValidationTest : public OpenDialogTest<IDD_CONTROLS> {
protected:
    void SetUp() override {
        OpenDialogTest::SetUp();
        if (open_ != nullptr) ShowWindow(window(), SW_SHOW);
    }
    void type(int controlId, const char* text) { SetWindowTextA(item(controlId), text); }
};
}  // namespace

TEST_F(ValidationTest, TwoFailingFieldsShowOneMessageForTheFirst) {
    type(IDC_EDIT_A, "abc");
    type(IDC_EDIT_B, "11");
    MessageBoxCloser closer("Error");
    bool failed = false;
    int first = -5;
    int second = -5;
    dialog().validateInt(failed, IDC_EDIT_A, first, 1, 10, IDS_RANGE_INT);
    dialog().validateInt(failed, IDC_EDIT_B, second, 1, 10, IDS_RANGE_INT);
    EXPECT_EQ(std::vector<std::string>{"Illegal Integer Number"}, closer.stop());
    EXPECT_TRUE(failed);
    EXPECT_EQ(-5, first);
    EXPECT_EQ(-5, second);
    EXPECT_EQ(GetDlgItem(open_->window, IDC_EDIT_A), GetFocus());
}

TEST_F(ValidationTest, AnIntegerOutOfRangeShowsTheFormattedRange) {
    type(IDC_EDIT_B, "11");
    MessageBoxCloser closer("Error");
    bool failed = false;
    int value = -5;
    dialog().validateInt(failed, IDC_EDIT_B, value, 1, 10, IDS_RANGE_INT);
    EXPECT_EQ(std::vector<std::string>{"Value must lie between 1 and 10"}, closer.stop());
    EXPECT_TRUE(failed);
    EXPECT_EQ(-5, value);
    EXPECT_EQ(GetDlgItem(open_->window, IDC_EDIT_B), GetFocus());
}

TEST_F(ValidationTest, ValidFieldsStoreTheirValuesSilently) {
    type(IDC_EDIT_A, "10");
    type(IDC_EDIT_B, "");
    MessageBoxCloser closer("Error");
    bool failed = false;
    int integer = 0;
    double real = -1.0;
    dialog().validateInt(failed, IDC_EDIT_A, integer, 1, 10, IDS_RANGE_INT);
    dialog().validateReal(failed, IDC_EDIT_B, real, -1.0, 1.0, IDS_RANGE_REAL);
    EXPECT_TRUE(closer.stop().empty());
    EXPECT_FALSE(failed);
    EXPECT_EQ(10, integer);
    EXPECT_EQ(0.0, real) << "the empty field reads as 0";
}

TEST_F(ValidationTest, RealsFailOnTextOutOfRangeAndNotANumber) {
    MessageBoxCloser closer("Error");
    const char* texts[] = {"x1", "1.5", "nan"};
    for (const char* text : texts) {
        type(IDC_EDIT_A, text);
        bool failed = false;
        double value = 0.25;
        dialog().validateReal(failed, IDC_EDIT_A, value, 0.0, 1.0, IDS_RANGE_REAL);
        EXPECT_TRUE(failed) << text;
        EXPECT_EQ(0.25, value) << text;
    }
    EXPECT_EQ((std::vector<std::string>{"Illegal Real Number", "Value must lie between 0 and 1",
                                        "Value must lie between 0 and 1"}),
              closer.stop());
}

TEST_F(ValidationTest, OnlyAFailedPassIsReported) {
    MessageBoxCloser closer("Error");
    dialog().reportValidation(false, IDC_EDIT_A, VString("not shown"));
    dialog().reportValidation(true, -1, VString("shown"));
    EXPECT_EQ(std::vector<std::string>{"shown"}, closer.stop());
}
