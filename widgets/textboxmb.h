#pragma once
// A modal message box with free button captions: a caption, an optional icon, a wrapped
// text and one to six push buttons in a band along the bottom. A button is given either as
// its own caption or as the id of a standard message-box button, whose caption in the
// current language is then used. Pressing button k ends the box with the result k.
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/window.h"
#include "platform/runtime/value.h"
#include "widgets/noticelayout.h"

namespace widgets {

inline constexpr int kBoxButtonHeight = 25;
inline constexpr int kBoxButtonGap = 10;
inline constexpr int kBoxBandHeight = 45;
inline constexpr int kBoxFirstButtonId = 7315;  // button k has the id 7316 - k

class TEXTBOXMB : public gui::DIALOGWINDOW {
public:
    // Defaults: no caption, the text "Click!", wrap width 400, button width 100 (a width
    // below 50 counts as 100), no icon, no buttons (one "Close" button). A button argument
    // that is a string is a caption, a number a standard button id; anything else means no
    // such button.
    explicit TEXTBOXMB(gui::WINDOW* owner, const rt::Value& caption = rt::Value(), const rt::Value& text = rt::Value(),
                       const rt::Value& wrapWidth = rt::Value(), const rt::Value& buttonWidth = rt::Value(),
                       const rt::Value& icon = rt::Value(), const rt::Value& button1 = rt::Value(),
                       const rt::Value& button2 = rt::Value(), const rt::Value& button3 = rt::Value(),
                       const rt::Value& button4 = rt::Value(), const rt::Value& button5 = rt::Value(),
                       const rt::Value& button6 = rt::Value());
    ~TEXTBOXMB() override;

    // Runs the box modally; the pressed button's number is RESULT() afterwards.
    void SHOW(int state) override;
    using gui::DIALOGWINDOW::SHOW;
    void BUT1() { ENDDIALOG(1); }
    void BUT2() { ENDDIALOG(2); }
    void BUT3() { ENDDIALOG(3); }
    void BUT4() { ENDDIALOG(4); }
    void BUT5() { ENDDIALOG(5); }
    void BUT6() { ENDDIALOG(6); }
    void EXPOSE(gui::ExposeEvent& event) override;
    void DESTROY() override;

    // The buttons in the order of creation (highest number first).
    const std::vector<std::unique_ptr<gui::PUSHBUTTON>>& buttons() const { return aButtons; }
    const NoticeLayout& layout() const { return layout_; }
    int wrapWidth() const { return wrapWidth_; }
    int buttonWidth() const { return buttonWidth_; }

private:
    std::vector<std::unique_ptr<gui::PUSHBUTTON>> aButtons;
    NoticeLayout layout_;
    gui::FONT ownFont_;
    gui::COLOR bandColor_;
    int bandWidth_ = 0;
    int wrapWidth_ = 0;
    int buttonWidth_ = 0;
};

}  // namespace widgets
