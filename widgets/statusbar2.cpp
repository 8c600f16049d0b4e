#include "widgets/statusbar2.h"

#include "platform/gui/application.h"

namespace widgets {

namespace {
bool blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }
}  // namespace

STATUSBAR2::STATUSBAR2(gui::WINDOW* owner) : gui::STATUSBAR(owner) {
    if (owner) {
        gui::STATUSBAR* old = owner->STATUSBAR();
        if (old && old != this) old->DESTROY();
    }
}

void STATUSBAR2::SETMESSAGE(const std::optional<std::string>& text, int kind) {
    if (!text || !hasMessageStore()) return;
    if (kind < 1 || kind > 4) return;
    setKindText(kind, *text);
    if (kind == gui::MESSAGEERROR && !blank(*text) && ERRORMESSAGEBEEP()) gui::MessageBeep(0xFFFFFFFFu);
    const bool show = !blank(*text) || kind == gui::MESSAGEPERMANENT;
    if (show) setStoredText(kind, *text);
    if (kind >= kindShown()) {
        if (show) {
            SETTEXT(*text);
            setKindShown(kind);
            setTimeoutCounter(0);
        } else {
            // Back to the highest stored text, starting with the kind on display.
            for (int i = kindShown(); i >= 0; --i) {
                if (i == 0) {
                    SETTEXT(std::string());
                    setKindShown(0);
                    setTimeoutCounter(0);
                    break;
                }
                const auto& stored = storedText(i);
                if (stored && !stored->empty()) {
                    SETTEXT(*stored);
                    setKindShown(i);
                    setTimeoutCounter(0);
                    break;
                }
            }
        }
    }
    if (kind != gui::MESSAGEPERMANENT && TIMEOUT() >= 1) setTimeoutArmed(true);
}

}  // namespace widgets
