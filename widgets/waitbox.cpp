#include "widgets/waitbox.h"

#include "platform/gui/application.h"
#include "platform/runtime/numbers.h"

namespace widgets {

namespace {
constexpr int kDefaultWrap = 400;
constexpr int kMinWrap = 100;
constexpr int kBottomLine = 10;
}  // namespace

WAITBOX::WAITBOX(gui::WINDOW* owner, const rt::Value& caption, const rt::Value& text, const rt::Value& ticks,
                 const rt::Value& width, const rt::Value& icon)
    : gui::DIALOGWINDOW(owner, false) {
    BACKGROUND(gui::BRUSH(windowColor()));
    layout_.makeIcon(*this, icon);

    int wrap = width.isNumber() ? rt::toInt32(width.num()) : kDefaultWrap;
    if (wrap < kMinWrap) wrap = kMinWrap;
    nTickLimit = ticks.isNumber() && ticks.num() > 0 ? rt::toInt32(ticks.num()) : 0;
    cCaptionPrefix = caption.isString() ? caption.str() : std::string();
    if (nTickLimit == 0 && !cCaptionPrefix.empty()) {
        CAPTION(cCaptionPrefix);
    } else {
        if (!cCaptionPrefix.empty()) cCaptionPrefix += " -- ";
        CAPTION(cCaptionPrefix + std::to_string(nTickLimit));
    }
    const std::string body = text.isString() ? text.str() : std::string("Wait!");

    ownFont_ = noticeFont();
    CHANGEFONT(ownFont_, false);
    layout_.wrap(*this, body, wrap);

    int clientWidth = layout_.widestLine + 2 * kNoticeMargin;
    if (layout_.iconCtrl) clientWidth += layout_.iconWidth + kNoticeIconGap;
    const int clientHeight = layout_.textHeight + kNoticeMargin + kNoticeMargin;
    NoticeLayout::sizeWindow(*this, clientWidth, clientHeight);
    layout_.makeLineControls(*this, layout_.textLeft(), kBottomLine);
    layout_.placeIcon(kBottomLine);

    if (nTickLimit > 0) {
        REGISTERTIMER(1);
        timerRegistered_ = true;
        nTickCount = 0;
    }
}

WAITBOX::~WAITBOX() { layout_.lineCtrls.clear(), layout_.iconCtrl.reset(); }

void WAITBOX::SHOW(int state) {
    (void)state;
    gui::DIALOGWINDOW::SHOW(gui::SHOWNORMAL);
    gui::resetPumpThrottle();
    gui::APPLICATIONEXEC(1);
}

void WAITBOX::TIMER() {
    ++nTickCount;
    if (nTickCount == nTickLimit) {
        // The count-down is over: stop ticking and close.
        timerRegistered_ = false;
        REGISTERTIMER(0);
        ENDDIALOG();
        return;
    }
    CAPTION(cCaptionPrefix + std::to_string(nTickLimit - nTickCount));
    gui::DIALOGWINDOW::TIMER();
}

void WAITBOX::DESTROY() {
    layout_.iconCtrl.reset();
    layout_.lineCtrls.clear();
    gui::DIALOGWINDOW::DESTROY();
}

}  // namespace widgets
