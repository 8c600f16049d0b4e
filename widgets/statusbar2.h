#pragma once
// The shell window's status bar: one text per message kind 1..4; a text is shown at once
// when its kind is at least the kind shown and only stored while a higher kind is on
// display; an empty text makes the bar fall back to the stored text of the highest kind.
#include <optional>
#include <string>

#include "platform/gui/statusbar.h"

namespace widgets {

class STATUSBAR2 : public gui::STATUSBAR {
public:
    // Creates the bar for `owner`; when the owner already has a status bar, that one is
    // destroyed. The caller assigns the new bar to the owner's STATUSBAR afterwards.
    explicit STATUSBAR2(gui::WINDOW* owner);
    void SETMESSAGE(const std::optional<std::string>& text, int kind = gui::MESSAGEPERMANENT) override;
    using gui::STATUSBAR::SETMESSAGE;
};

}  // namespace widgets
