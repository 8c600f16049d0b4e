#pragma once
// A modeless notice with a caption, an optional icon and a wrapped text that stays on the
// screen while the caller goes on; given a number of ticks it counts down in its caption
// once a second and closes itself at the end.
#include <cstdint>
#include <string>

#include "platform/gui/window.h"
#include "platform/runtime/value.h"
#include "widgets/noticelayout.h"

namespace widgets {

class WAITBOX : public gui::DIALOGWINDOW {
public:
    // Defaults: no caption, the text "Wait!", no count-down, wrap width 400 (at least 100),
    // no icon. Arguments of another kind take the default.
    explicit WAITBOX(gui::WINDOW* owner, const rt::Value& caption = rt::Value(), const rt::Value& text = rt::Value(),
                     const rt::Value& ticks = rt::Value(), const rt::Value& width = rt::Value(),
                     const rt::Value& icon = rt::Value());
    ~WAITBOX() override;

    // Shows the box and lets it paint before returning.
    void SHOW(int state) override;
    using gui::DIALOGWINDOW::SHOW;
    // One second of the count-down.
    void TIMER() override;
    void DESTROY() override;

    int32_t tickLimit() const { return nTickLimit; }
    int32_t tickCount() const { return nTickCount; }
    const NoticeLayout& layout() const { return layout_; }
    bool timerRegistered() const { return timerRegistered_; }

private:
    int32_t nTickLimit = 0;
    int32_t nTickCount = 0;
    std::string cCaptionPrefix;
    NoticeLayout layout_;
    gui::FONT ownFont_;
    bool timerRegistered_ = false;
};

}  // namespace widgets
