#pragma once
// The layout shared by the notice boxes: a text split into paragraphs (at CR LF when the
// text has one, else at LF), each paragraph word-wrapped in the dialog's font to a width,
// one fixed-text control per output line stacked from a bottom line upward, and an optional
// icon centred on the text block at the left.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/gdiobjects.h"
#include "platform/runtime/value.h"

namespace gui {
class DIALOGWINDOW;
}

namespace widgets {

inline constexpr int kNoticeMargin = 10;
inline constexpr int kNoticeIconGap = 10;
inline constexpr int kNoticeLineSurplus = 300;
inline constexpr int kNoticeFirstLineId = 1230;
inline constexpr int kNoticeIconId = 2376;

// Token n (from 1) of `text`, tokens being runs of bytes none of which is in `separators`;
// "" for n 0, for fewer tokens, and for a token longer than 2048 bytes.
std::string FASTTOKENWHITECOUNT3(std::string_view text, std::string_view separators, uint16_t n);
// Truncation toward zero.
double INTEG(double x);

// The paragraphs of a notice text, each trimmed of blanks.
std::vector<std::string> noticeParagraphs(const std::string& text);
// The output lines of `text` wrapped at `wrapWidth` pixels in the dialog's font (every line
// but one made of a single overlong word ends with one blank).
std::vector<std::string> WRAPNOTICETEXT(const gui::DIALOGWINDOW& dialog, const std::string& text, int wrapWidth);

// The notice font: "Microsoft Sans Serif", 10 points.
gui::FONT noticeFont();
// The system's window colour.
gui::COLOR windowColor();

// What a box builds and keeps.
struct NoticeLayout {
    std::vector<std::string> lines;
    int lineHeight = 0;
    int widestLine = 0;
    int textHeight = 0;
    int lineControlWidth = 0;
    int iconWidth = 0;
    int iconHeight = 0;
    std::unique_ptr<gui::FIXEDICON> iconCtrl;
    std::vector<std::unique_ptr<gui::FIXEDTEXT>> lineCtrls;  // last line first

    // The icon argument: a number above 0 (the application's icon) or an ICON object; anything
    // else means none. Makes the icon control (hidden until placeIcon).
    void makeIcon(gui::DIALOGWINDOW& dialog, const rt::Value& icon);
    // Paragraphs, wrap and measures; the dialog must have the notice font already.
    void wrap(const gui::DIALOGWINDOW& dialog, const std::string& text, int wrapWidth);
    // Sizes the dialog so that its client area is clientWidth x clientHeight.
    static void sizeWindow(gui::DIALOGWINDOW& dialog, int clientWidth, int clientHeight);
    // One fixed text per line, the bottom line at y0, at the text's left edge x.
    void makeLineControls(gui::DIALOGWINDOW& dialog, int x, int y0);
    // The icon centred on the text block.
    void placeIcon(int y0);
    int textLeft() const { return iconCtrl ? kNoticeMargin + iconWidth + kNoticeIconGap : kNoticeMargin; }
};

}  // namespace widgets
