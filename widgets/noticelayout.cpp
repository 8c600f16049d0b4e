#include "widgets/noticelayout.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "platform/gui/icon.h"
#include "platform/gui/window.h"
#include "platform/runtime/numbers.h"

namespace widgets {

namespace {
constexpr size_t kTokenBuffer = 2048;

std::string trimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return std::string(s.substr(b, e - b));
}

// The next token of `text` from `pos` on (skipping separators first); an empty view when
// none is left. `pos` moves past the token.
std::string_view nextToken(std::string_view text, std::string_view separators, size_t& pos) {
    while (pos < text.size() && separators.find(text[pos]) != std::string_view::npos) ++pos;
    const size_t start = pos;
    while (pos < text.size() && separators.find(text[pos]) == std::string_view::npos) ++pos;
    return text.substr(start, pos - start);
}

}  // namespace

std::string FASTTOKENWHITECOUNT3(std::string_view text, std::string_view separators, uint16_t n) {
    if (n == 0) return {};
    size_t pos = 0;
    for (unsigned count = 1;; ++count) {
        const std::string_view token = nextToken(text, separators, pos);
        if (token.empty()) return {};
        if (count == n) return token.size() > kTokenBuffer ? std::string() : std::string(token);
    }
}

double INTEG(double x) { return x >= 0 ? std::floor(x) : std::ceil(x); }

std::vector<std::string> noticeParagraphs(const std::string& text) {
    const std::string sep = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
    std::vector<std::string> out;
    size_t pos = 0;
    for (;;) {
        const size_t at = text.find(sep, pos);
        if (at == std::string::npos) {
            out.push_back(trimBlanks(std::string_view(text).substr(pos)));
            break;
        }
        out.push_back(trimBlanks(std::string_view(text).substr(pos, at - pos)));
        pos = at + sep.size();
    }
    return out;
}

std::vector<std::string> WRAPNOTICETEXT(const gui::DIALOGWINDOW& dialog, const std::string& text, int wrapWidth) {
    std::vector<std::string> lines;
    for (const std::string& paragraph : noticeParagraphs(text)) {
        std::string line;
        // Words are taken whole, however long: a word wider than the wrap width stands on a
        // line of its own, and nothing of the paragraph is dropped.
        size_t pos = 0;
        std::string_view word = nextToken(paragraph, " ", pos);
        while (!word.empty()) {
            const std::string candidate = line + std::string(word);
            if (dialog.SIZETEXT(candidate).WIDTH() > wrapWidth) {
                if (line.empty()) {
                    lines.emplace_back(word);
                    word = nextToken(paragraph, " ", pos);
                } else {
                    lines.push_back(line);
                    line.clear();
                }
            } else {
                line = candidate + " ";
                word = nextToken(paragraph, " ", pos);
            }
        }
        lines.push_back(line);
    }
    return lines;
}

gui::FONT noticeFont() { return gui::FONT(gui::FONTANY, 10, "Microsoft Sans Serif"); }

gui::COLOR windowColor() {
    const QColor c = QApplication::palette().color(QPalette::Base);
    return gui::COLOR(c.red(), c.green(), c.blue());
}

void NoticeLayout::makeIcon(gui::DIALOGWINDOW& dialog, const rt::Value& icon) {
    gui::ICON given;
    if (icon.isNumber() && icon.num() > 0) {
        given = gui::ICON::fromResource(rt::toInt32(icon.num()));
    } else if (icon.isObject() && icon.obj() && icon.obj()->isClass("ICON")) {
        if (const auto* i = dynamic_cast<const gui::ICON*>(icon.obj().get())) given = *i;
    }
    if (given.isNull()) return;
    if (QWidget* w = dialog.HANDLE()) w->setWindowIcon(given.icon());
    const QPixmap picture = given.pixmap();
    // The control takes the icon's own size, as an icon static does: the icon column is
    // as wide as the icon.
    iconCtrl = std::make_unique<gui::FIXEDICON>(&dialog, kNoticeIconId, gui::POINT(0, 0),
                                                gui::DIMENSION(picture.width(), picture.height()));
    iconCtrl->HIDE();
    if (auto* label = qobject_cast<QLabel*>(iconCtrl->HANDLE())) label->setFrameStyle(QFrame::NoFrame);
    iconCtrl->IMAGE(picture);
    iconCtrl->BACKGROUND(gui::BRUSH(windowColor()));
    iconWidth = iconCtrl->SIZE().WIDTH();
    iconHeight = iconCtrl->SIZE().HEIGHT();
}

void NoticeLayout::wrap(const gui::DIALOGWINDOW& dialog, const std::string& text, int wrapWidth) {
    lines = WRAPNOTICETEXT(dialog, text, wrapWidth);
    lineHeight = lines.empty() ? 0 : dialog.SIZETEXT(lines.front()).HEIGHT();
    widestLine = 0;
    for (const std::string& l : lines) widestLine = std::max(widestLine, dialog.SIZETEXT(l).WIDTH());
    textHeight = int(lines.size()) * lineHeight;
    lineControlWidth = widestLine + kNoticeLineSurplus;
}

void NoticeLayout::sizeWindow(gui::DIALOGWINDOW& dialog, int clientWidth, int clientHeight) {
    const gui::DIMENSION window = dialog.SIZE();
    const gui::DIMENSION canvas = dialog.CANVASAREA().SIZE();
    dialog.SIZE(gui::DIMENSION(clientWidth + window.WIDTH() - canvas.WIDTH(),
                               clientHeight + window.HEIGHT() - canvas.HEIGHT()));
}

void NoticeLayout::makeLineControls(gui::DIALOGWINDOW& dialog, int x, int y0) {
    int y = y0;
    const gui::FONT font = noticeFont();
    for (size_t i = lines.size(); i >= 1; --i) {
        auto ctrl = std::make_unique<gui::FIXEDTEXT>(&dialog, kNoticeFirstLineId + int(i), gui::POINT(x, y),
                                                     gui::DIMENSION(lineControlWidth, lineHeight));
        ctrl->CAPTION(lines[i - 1]);
        ctrl->SIZE(gui::DIMENSION(lineControlWidth, lineHeight));
        ctrl->FONT(font, false);
        ctrl->BACKGROUND(gui::BRUSH(windowColor()));
        // A line break left inside a line (a lone LF in a CR LF text) must not hide the
        // rest of the line below the control's one line.
        ctrl->SETDRAWSTYLE(gui::DT_SINGLELINE, true);
        ctrl->SETDRAWSTYLE(gui::DT_NOCLIP, true);
        ctrl->SHOW();
        lineCtrls.push_back(std::move(ctrl));
        y += lineHeight;
    }
}

void NoticeLayout::placeIcon(int y0) {
    if (!iconCtrl) return;
    iconCtrl->ORIGIN(gui::POINT(kNoticeMargin, y0 + textHeight / 2 - iconHeight / 2));
    iconCtrl->SHOW();
}

}  // namespace widgets
