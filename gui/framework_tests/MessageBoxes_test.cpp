// The message boxes: caption and text by id or as strings, buttons and
// results, and a missing string raising before any box is shown.
#include "gui/MessageBoxes.h"

#include "FrameworkResources.h"
#include "FrameworkTest.h"
#include "WindowDriver.h"
#include "foundation/VString.h"

namespace {
// Answers the box titled `caption` with `button`, noting its text and
// whether it offered Cancel.
struct BoxAnswer {
    std::string text;
    bool offeredCancel = false;
};

template <typename Show>
int answerBox(const char* caption, int button, BoxAnswer& answer, Show show) {
    BackgroundScript driver([&] {
        HWND box = requireWindow(caption, "#32770");
        if (box == nullptr) return;
        answer.text = messageBoxText(box);
        answer.offeredCancel = GetDlgItem(box, IDCANCEL) != nullptr;
        PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    });
    return show();
}
}  // namespace

class MessageBoxTest : public WindowTest {};

TEST_F(MessageBoxTest, TextsByIdComeFromTheStringTable) {
    BoxAnswer answer;
    EXPECT_EQ(IDOK, answerBox("Framework Test", IDOK, answer, [] { return messageBox(IDS_CAPTION, IDS_TEXT, MB_OK); }));
    EXPECT_EQ("Something to say", answer.text);
    EXPECT_FALSE(answer.offeredCancel);
}

TEST_F(MessageBoxTest, ErrorBoxesInEveryForm) {
    BoxAnswer answer;
    answerBox("Framework Test", IDOK, answer, [] {
        errorBox(IDS_CAPTION, IDS_TEXT);
        return 0;
    });
    EXPECT_EQ("Something to say", answer.text);
    answerBox("Framework Test", IDOK, answer, [] {
        errorBox(IDS_CAPTION, VString("given text"));
        return 0;
    });
    EXPECT_EQ("given text", answer.text);
    EXPECT_EQ(IDOK, answerBox("Own caption", IDOK, answer,
                              [] { return errorBox(VString("Own caption"), VString("own text")); }));
    EXPECT_EQ("own text", answer.text);
    EXPECT_FALSE(answer.offeredCancel);
}

TEST_F(MessageBoxTest, QuestionBoxesOfferOkAndCancel) {
    BoxAnswer answer;
    EXPECT_EQ(IDCANCEL,
              answerBox("Framework Test", IDCANCEL, answer, [] { return questionBox(IDS_CAPTION, IDS_TEXT); }));
    EXPECT_TRUE(answer.offeredCancel);
    EXPECT_EQ(IDOK, answerBox("Asked", IDOK, answer, [] { return questionBox(VString("Asked"), VString("Sure?")); }));
    EXPECT_EQ("Sure?", answer.text);
}

TEST_F(MessageBoxTest, AMissingStringRaisesBeforeAnyBox) {
    MessageBoxCloser closer("Framework Test");
    try {
        errorBox(IDS_CAPTION, IDS_MISSING);
        ADD_FAILURE() << "nothing raised";
    } catch (const VSystemException& failure) {
        EXPECT_EQ(ErrorWindowsSystem, failure.code);
    }
    EXPECT_TRUE(closer.stop().empty());
}
