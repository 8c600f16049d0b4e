// The message box with free buttons and the standard button captions, answered through the
// modal runner.
#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include <chrono>
#include <functional>
#include <string>

#include "platform/gui/application.h"
#include "platform/gui/controls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/window.h"
#include "widgets/buttoncaptions.h"
#include "widgets/textboxmb.h"

using namespace widgets;

namespace {

struct Answer {
    gui::ModalRunner previous;
    int calls = 0;
    explicit Answer(std::function<void(gui::DIALOGWINDOW*)> press) {
        previous = gui::setModalRunner([this, press](const gui::ModalRequest& r) -> intptr_t {
            ++calls;
            press(r.dialog);
            return r.dialog ? r.dialog->RESULT() : 0;
        });
    }
    ~Answer() { gui::setModalRunner(previous); }
};

std::string caption(const gui::PUSHBUTTON& b) { return b.CAPTION(); }

}  // namespace

TEST(ButtonCaptions, EnglishCaptionsLearntOnceWithoutAmpersands) {
    resetButtonCaptions();
    const int before = buttonCaptionProbeCount();
    EXPECT_EQ(GETMSGSTRING(rt::Value(8)), "");  // an unknown id still learns all captions
    EXPECT_EQ(buttonCaptionProbeCount(), before + 1);
    const struct {
        rt::Value id;
        std::string text;
    } cases[] = {{rt::Value(1), "OK"},     {rt::Value(2), "Cancel"}, {rt::Value(3), "Abort"},
                 {rt::Value(4), "Retry"},  {rt::Value(5), "Ignore"}, {rt::Value(6), "Yes"},
                 {rt::Value(7), "No"},     {rt::Value(9), "Help"},   {rt::Value(10), ""},
                 {rt::Value(0), ""},       {rt::Value(-6), ""},      {rt::Value("6"), ""},
                 {rt::Value(6.5), ""}};
    for (const auto& c : cases) EXPECT_EQ(GETMSGSTRING(c.id), c.text) << c.id.num();
    EXPECT_EQ(buttonCaptionProbeCount(), before + 1);
}

TEST(ButtonCaptions, AGermanRunLearnsTheGermanCaptions) {
    resetButtonCaptions();
    ASSERT_TRUE(gui::setQtLanguage("de"));
    const std::string yes = GETMSGSTRING(rt::Value(6));
    const std::string cancel = GETMSGSTRING(rt::Value(2));
    gui::TOPAPPWINDOW top;
    TEXTBOXMB box(&top, rt::Value(), rt::Value("Weiter?"), rt::Value(), rt::Value(), rt::Value(), rt::Value(6),
                  rt::Value(7));
    const std::string shownYes = box.buttons().back()->CAPTION();
    gui::setQtLanguage("en");
    resetButtonCaptions();
    EXPECT_EQ(yes, "Ja");
    EXPECT_EQ(cancel, "Abbrechen");
    EXPECT_EQ(shownYes, "Ja");
    EXPECT_EQ(GETMSGSTRING(rt::Value(6)), "Yes");
}

TEST(TextBoxMB, ShowProcessesPendingEventsEvenRightAfterAPump) {
    gui::TOPAPPWINDOW top;
    TEXTBOXMB box(&top, rt::Value(), rt::Value("x"));
    // A clock that stands still: every pump but the first falls within the 10 ms.
    const auto now = std::chrono::steady_clock::now();
    gui::setPumpClock([now] { return now; });
    gui::APPLICATIONEXEC(1);
    const uint64_t before = gui::pumpRuns();
    Answer a([](gui::DIALOGWINDOW* d) { d->ENDDIALOG(1); });
    box.SHOW(0);
    const uint64_t after = gui::pumpRuns();
    gui::setPumpClock({});
    EXPECT_EQ(after, before + 1);
}

TEST(ButtonCaptions, CleaningRemovesEveryAmpersandAndLimitsLength) {
    EXPECT_EQ(cleanButtonCaption("&Yes"), "Yes");
    EXPECT_EQ(cleanButtonCaption("&&Save E&xit"), "Save Exit");
    EXPECT_EQ(cleanButtonCaption(std::string(80, 'x')).size(), 63u);
    // A two-byte character across the limit is not cut in half.
    const std::string s = std::string(62, 'x') + "\xC3\xA4" + "y";
    EXPECT_EQ(cleanButtonCaption(s), std::string(62, 'x'));
}

TEST(TextBoxMB, ButtonsStandInOrderAndAnswerWithTheirNumber) {
    gui::TOPAPPWINDOW top;
    {
        TEXTBOXMB box(&top, rt::Value("Title"), rt::Value("Question?"));
        ASSERT_EQ(box.buttons().size(), 1u);
        const gui::PUSHBUTTON& only = *box.buttons()[0];
        EXPECT_EQ(caption(only), "Close");
        EXPECT_EQ(only.CONTROLID(), 7315);
        EXPECT_EQ(only.ORIGIN().X() + only.SIZE().WIDTH(), box.CANVASAREA().SIZE().WIDTH() - 10);
        EXPECT_EQ(only.ORIGIN().Y(), 10);
        Answer a([](gui::DIALOGWINDOW* d) { static_cast<gui::PUSHBUTTON*>(d->controlByName("BUT1"))->CLICK(); });
        box.SHOW(0);
        EXPECT_EQ(a.calls, 1);
        EXPECT_EQ(box.RESULT(), 1);
    }
    {
        // Buttons 1 and 3: side by side with no gap for the missing 2; the right one is 3.
        TEXTBOXMB box(&top, rt::Value(), rt::Value("x"), rt::Value(), rt::Value(), rt::Value(), rt::Value("One"),
                      rt::Value(), rt::Value("Three"));
        ASSERT_EQ(box.buttons().size(), 2u);
        const gui::PUSHBUTTON& three = *box.buttons()[0];
        const gui::PUSHBUTTON& one = *box.buttons()[1];
        EXPECT_EQ(three.CONTROLID(), 7313);
        EXPECT_EQ(one.CONTROLID(), 7315);
        EXPECT_EQ(one.ORIGIN().X() + 100 + 10, three.ORIGIN().X());
        EXPECT_EQ(caption(one), "One");
        Answer a([](gui::DIALOGWINDOW* d) { static_cast<gui::PUSHBUTTON*>(d->controlByName("BUT3"))->CLICK(); });
        box.SHOW(0);
        EXPECT_EQ(box.RESULT(), 3);
    }
    {
        // A number is a standard button; an empty string still counts as a button.
        TEXTBOXMB box(&top, rt::Value(), rt::Value("x"), rt::Value(), rt::Value(), rt::Value(), rt::Value(6),
                      rt::Value(""), rt::Value(8), rt::Value(true));
        ASSERT_EQ(box.buttons().size(), 3u);
        EXPECT_EQ(caption(*box.buttons()[2]), "Yes");
        EXPECT_EQ(caption(*box.buttons()[1]), "");
        EXPECT_EQ(caption(*box.buttons()[0]), "");
    }
}

TEST(TextBoxMB, WidthFollowsWrapWidthButtonRowAndIcon) {
    gui::TOPAPPWINDOW top;
    const rt::Value hundred(100);
    struct Case {
        int wrap;
        rt::Value bw;
        int buttons;
        std::string text;
        bool icon;
        int expectButtonWidth;
        int expectWrap;
    };
    const std::string longText(60, 'W');  // one word wider than the wrap limits below
    const Case cases[] = {
        {400, rt::Value(40), 1, "hi", false, 100, 100},  // below 50 counts as 100; shrinks to the row
        {400, rt::Value(50), 2, "hi", false, 50, 110},
        {400, hundred, 3, "hi", false, 100, 320},
        {150, hundred, 6, "hi", false, 100, 650},
        {100, hundred, 1, "hi", true, 100, 0},  // with an icon: the row less the icon
    };
    const QIcon oldIcon = QApplication::windowIcon();
    QPixmap pm(32, 32);
    pm.fill(Qt::red);
    QApplication::setWindowIcon(QIcon(pm));
    for (const Case& c : cases) {
        rt::Value b[6];
        for (int k = 0; k < c.buttons; ++k) b[k] = rt::Value("B" + std::to_string(k + 1));
        TEXTBOXMB box(&top, rt::Value(), rt::Value(c.text), rt::Value(c.wrap), c.bw, c.icon ? rt::Value(1) : rt::Value(),
                      b[0], b[1], b[2], b[3], b[4], b[5]);
        EXPECT_EQ(box.buttonWidth(), c.expectButtonWidth) << c.wrap << "/" << c.buttons;
        const int iconPart = c.icon ? box.layout().iconWidth + 10 : 0;
        const int row = c.buttons * (c.expectButtonWidth + 10) - 10;
        const int expectW = c.icon ? row - iconPart : c.expectWrap;
        EXPECT_EQ(box.wrapWidth(), expectW) << c.wrap << "/" << c.buttons;
        EXPECT_EQ(box.CANVASAREA().SIZE().WIDTH(), box.wrapWidth() + 20 + iconPart);
        EXPECT_EQ(box.CANVASAREA().SIZE().HEIGHT(), box.layout().textHeight + 65);
        if (c.icon) {
            ASSERT_NE(box.layout().iconWidth, 0);
            EXPECT_EQ(box.layout().textLeft(), 10 + box.layout().iconWidth + 10);
        }
    }
    QApplication::setWindowIcon(oldIcon);
    // A text wider than the row keeps the wrap width, not the text's width.
    TEXTBOXMB wide(&top, rt::Value(), rt::Value(std::string(30, 'M') + " " + std::string(30, 'M')), rt::Value(400));
    ASSERT_GT(wide.layout().widestLine, 100);
    ASSERT_LT(wide.layout().widestLine, 400);
    EXPECT_EQ(wide.wrapWidth(), 400);
    EXPECT_EQ(wide.CANVASAREA().SIZE().WIDTH(), wide.wrapWidth() + 20);
}
