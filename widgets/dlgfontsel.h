#pragma once
// The font selection dialog: started from a font string or a face name with a style
// number, narrowed to scalable, fixed-pitch or variable-pitch fonts, offering sizes from 4
// to 22 points; after SHOW the chosen font's parts, a new FONT and its font string.
// Qt's own font dialog, run through the modal runner.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/gui/gdiobjects.h"
#include "platform/runtime/value.h"

class QFontDialog;

namespace gui {
class WINDOW;
}

namespace widgets {

class DLGFONTSEL {
public:
    static constexpr int kMinPoints = 4;
    static constexpr int kMaxPoints = 22;

    // `font`: a font string when its first character is a digit, else a face name ("Times
    // New Roman" when empty or not a string). `style` (face names only): 10 or more italic,
    // then 1 light, 2 bold, otherwise normal.
    explicit DLGFONTSEL(gui::WINDOW* owner, const rt::Value& font = rt::Value(), const rt::Value& style = rt::Value());

    void TRUETYPEFONTS() { scalableOnly_ = true; }
    // The pitch asked for the starting font: a face this machine lacks starts the dialog on
    // the font of that pitch the font matcher gives for it. Fixed pitch also narrows the
    // list to fixed-pitch fonts.
    void VARIABLEPITCHFONTS() { pitch_ |= 2; }
    void FIXEDPITCHFONTS() {
        fixedOnly_ = true;
        pitch_ |= 1;
    }
    // TRUE when the user confirmed a font; FALSE on cancel.
    bool SHOW();

    bool ITALIC() const { return chosen_ && italic_; }
    int WEIGHT() const { return chosen_ ? weight_ : 0; }
    int HEIGHT() const { return chosen_ ? height_ : 0; }
    int WIDTH() const { return chosen_ ? width_ : 0; }
    std::string FONTNAME() const { return chosen_ ? face_ : std::string(); }
    // A new font of the chosen parts; none before SHOW or after a cancel.
    std::optional<gui::FONT> FONT();
    std::string FONTTOSTRING() const;

    // The starting (or last chosen) values, as the dialog will be preset.
    int startHeight() const { return height_; }
    int startWeight() const { return weight_; }
    bool startItalic() const { return italic_; }
    const std::string& startFace() const { return face_; }
    int pitchAndFamily() const { return pitch_; }
    bool fixedOnly() const { return fixedOnly_; }
    bool scalableOnly() const { return scalableOnly_; }
    // The Qt dialog while SHOW runs; else null.
    QFontDialog* qtDialog() const { return dialog_; }

private:
    gui::WINDOW* owner_;
    int height_ = 0;
    int width_ = 0;
    int weight_ = 400;
    bool italic_ = false;
    std::string face_;
    int pitch_ = 0;
    bool fixedOnly_ = false;
    bool scalableOnly_ = false;
    bool chosen_ = false;
    std::optional<gui::FONT> chosenFont_;
    QFontDialog* dialog_ = nullptr;
};

}  // namespace widgets
