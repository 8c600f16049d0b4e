#include "widgets/dlgfontsel.h"

#include <QFontDialog>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/gui/dialogs.h"
#include "platform/gui/window.h"
#include "platform/runtime/numbers.h"

namespace widgets {

namespace {
constexpr int kDpi = 96;  // screens

// A signed decimal number read from the start of a field; 0 when there is none.
int fieldNumber(const std::string& s, size_t pos, size_t len) {
    if (pos >= s.size()) return 0;
    return std::atoi(s.substr(pos, len).c_str());
}

// Four characters, zero-padded, a minus sign first.
std::string four(int n) {
    std::string digits = std::to_string(std::abs(n));
    const size_t width = n < 0 ? 3 : 4;
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return (n < 0 ? "-" : "") + digits;
}

int pointsOfHeight(int height) {
    return int(std::lround(std::abs(height) * 72.0 / kDpi));
}
}  // namespace

DLGFONTSEL::DLGFONTSEL(gui::WINDOW* owner, const rt::Value& font, const rt::Value& style) : owner_(owner) {
    face_ = font.isString() && !font.str().empty() ? font.str() : "Times New Roman";
    height_ = -int(std::lround(10.0 * kDpi / 72.0));  // 10 points on the screen: -13
    width_ = 0;
    weight_ = 400;
    italic_ = false;
    if (font.isString() && !font.str().empty() && std::isdigit(static_cast<unsigned char>(font.str()[0]))) {
        const std::string& s = font.str();
        weight_ = fieldNumber(s, 0, 4);
        height_ = fieldNumber(s, 4, 4);
        width_ = fieldNumber(s, 8, 4);
        italic_ = s.size() > 12 && s[12] == 'T';
        face_ = s.size() > 13 ? s.substr(13) : std::string();
    } else if (style.isNumber()) {
        int st = rt::toInt32(style.num());
        if (st >= 10) {
            italic_ = true;
            st -= 10;
        }
        if (st == 1)
            weight_ = 300;
        else if (st == 2)
            weight_ = 700;
    }
    if (face_.size() > 31) face_.resize(31);
}

bool DLGFONTSEL::SHOW() {
    QFont start(QString::fromStdString(face_));
    const int pt = std::clamp(pointsOfHeight(height_ ? height_ : -13), kMinPoints, kMaxPoints);
    start.setPointSize(pt);
    start.setWeight(QFont::Weight(std::clamp(weight_ > 0 ? weight_ : 400, 1, 1000)));
    start.setItalic(italic_);
    if (pitch_ & 1) start.setStyleHint(QFont::Monospace);

    QFontDialog dlg(owner_ ? owner_->HANDLE() : nullptr);
    QFontDialog::FontDialogOptions options = QFontDialog::DontUseNativeDialog;
    if (scalableOnly_) options |= QFontDialog::ScalableFonts;
    if (fixedOnly_) options |= QFontDialog::MonospacedFonts;
    dlg.setOptions(options);
    dlg.setCurrentFont(start);

    dialog_ = &dlg;
    gui::ModalRequest req;
    req.kind = gui::ModalRequest::Kind::Dialog;
    req.qtDialog = &dlg;
    req.owner = owner_;
    const intptr_t answer = gui::runModal(req);
    dialog_ = nullptr;

    chosen_ = answer == QDialog::Accepted;
    if (!chosen_) return false;
    const QFont f = dlg.currentFont();
    // Qt's dialog lets any size through; the offered range is 4 to 22 points.
    int points = f.pointSize() > 0 ? f.pointSize() : int(std::lround(f.pixelSize() * 72.0 / kDpi));
    points = std::clamp(points, kMinPoints, kMaxPoints);
    height_ = -int(std::lround(points * double(kDpi) / 72.0));
    width_ = 0;
    weight_ = int(f.weight());
    italic_ = f.italic();
    face_ = f.family().toStdString();
    if (face_.size() > 31) face_.resize(31);
    return true;
}

std::optional<gui::FONT> DLGFONTSEL::FONT() {
    if (!chosen_) {
        chosenFont_.reset();
        return chosenFont_;
    }
    gui::FONT f(1, gui::DIMENSION(WIDTH(), HEIGHT()), FONTNAME());
    if (ITALIC()) f.ITALIC(true);
    if (WEIGHT() <= 300)
        f.LIGHT(true);
    else if (WEIGHT() >= 700)
        f.BOLD(true);
    else
        f.NORMAL(true);
    chosenFont_ = f;
    return chosenFont_;
}

std::string DLGFONTSEL::FONTTOSTRING() const {
    if (!chosen_) return {};
    std::string face = FONTNAME();
    while (!face.empty() && face.back() == ' ') face.pop_back();
    return four(WEIGHT()) + four(HEIGHT()) + four(WIDTH()) + (ITALIC() ? "T" : "F") + face;
}

}  // namespace widgets
