#include "widgets/textboxmb.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include "platform/gui/application.h"
#include "platform/runtime/numbers.h"
#include "widgets/buttoncaptions.h"

namespace widgets {

namespace {
constexpr int kTextBottom = kBoxBandHeight + kNoticeMargin;  // y0 of the bottom text line
}

TEXTBOXMB::TEXTBOXMB(gui::WINDOW* owner, const rt::Value& caption, const rt::Value& text, const rt::Value& wrapWidth,
                     const rt::Value& buttonWidth, const rt::Value& icon, const rt::Value& button1,
                     const rt::Value& button2, const rt::Value& button3, const rt::Value& button4,
                     const rt::Value& button5, const rt::Value& button6)
    : gui::DIALOGWINDOW(owner, true) {
    int W = wrapWidth.isNumber() ? rt::toInt32(wrapWidth.num()) : 400;
    int b = buttonWidth.isNumber() ? rt::toInt32(buttonWidth.num()) : 100;
    if (b < 50) b = 100;
    CAPTION(caption.isString() ? caption.str() : std::string());
    const std::string body = text.isString() ? text.str() : std::string("Click!");

    BACKGROUND(gui::BRUSH(windowColor()));
    layout_.makeIcon(*this, icon);

    const rt::Value* args[6] = {&button1, &button2, &button3, &button4, &button5, &button6};
    std::string captions[6];
    bool present[6] = {};
    int count = 0;
    for (int k = 0; k < 6; ++k) {
        const rt::Value& a = *args[k];
        if (a.isString()) {
            captions[k] = a.str();
            present[k] = true;
        } else if (a.isNumber()) {
            const double n = a.num();
            // Taken as a 32-bit unsigned id: a value out of that range is no standard id.
            captions[k] = (n >= 0 && n <= 4294967295.0) ? GETMSGSTRING(rt::Value(static_cast<double>(uint32_t(n))))
                                                         : std::string();
            present[k] = true;
        }
        if (present[k]) ++count;
    }
    if (count == 0) {
        captions[0] = "Close";
        present[0] = true;
        count = 1;
    }
    const int R = count * (b + kBoxButtonGap) - kBoxButtonGap;
    const int iconPart = layout_.iconCtrl ? layout_.iconWidth + kNoticeIconGap : 0;
    if (W + iconPart < R) W = R - iconPart;

    ownFont_ = noticeFont();
    CHANGEFONT(ownFont_, false);
    layout_.wrap(*this, body, W);
    if (layout_.widestLine + iconPart < R) W = R - iconPart;
    wrapWidth_ = W;
    buttonWidth_ = b;

    const int clientHeight = layout_.textHeight + kTextBottom + kNoticeMargin;
    const int clientWidth = W + 2 * kNoticeMargin + iconPart;
    NoticeLayout::sizeWindow(*this, clientWidth, clientHeight);
    layout_.makeLineControls(*this, layout_.textLeft(), kTextBottom);

    const gui::FONT buttonFont(gui::FONTANY, 8, "Microsoft Sans Serif");
    int x = clientWidth;
    for (int k = 6; k >= 1; --k) {
        if (!present[k - 1]) continue;
        x -= b + kBoxButtonGap;
        auto button = std::make_unique<gui::PUSHBUTTON>(this, 7316 - k, gui::POINT(x, kNoticeMargin),
                                                        gui::DIMENSION(b, kBoxButtonHeight));
        const std::string name = "BUT" + std::to_string(k);
        button->HYPERLABEL(gui::HYPERLABEL(name, captions[k - 1], "", ""));
        button->FONT(buttonFont, false);
        button->SHOW();
        registerMethod(name, [this, k] { ENDDIALOG(k); });
        aButtons.push_back(std::move(button));
    }
    layout_.placeIcon(kTextBottom);

    const QColor menu = QApplication::palette().color(QPalette::Window);
    bandColor_ = gui::COLOR(menu.red(), menu.green(), menu.blue());
    bandWidth_ = clientWidth;
}

TEXTBOXMB::~TEXTBOXMB() {
    aButtons.clear();
    layout_.lineCtrls.clear();
    layout_.iconCtrl.reset();
}

void TEXTBOXMB::SHOW(int) {
    gui::DIALOGWINDOW::SHOW(gui::SHOWZOOMED);
    // The box may end within the pump's 10 ms: what it left pending is processed all the same.
    gui::resetPumpThrottle();
    gui::APPLICATIONEXEC(1);
}

void TEXTBOXMB::EXPOSE(gui::ExposeEvent& event) {
    gui::DIALOGWINDOW::EXPOSE(event);
    QWidget* s = surface();
    if (!s) return;
    // The band behind the buttons, at the bottom of the client area.
    QPainter p(s);
    const QColor c(bandColor_.RED(), bandColor_.GREEN(), bandColor_.BLUE());
    p.fillRect(QRect(0, s->height() - kBoxBandHeight, bandWidth_, kBoxBandHeight), c);
}

void TEXTBOXMB::DESTROY() {
    layout_.iconCtrl.reset();
    aButtons.clear();
    layout_.lineCtrls.clear();
    gui::DIALOGWINDOW::DESTROY();
}

}  // namespace widgets
