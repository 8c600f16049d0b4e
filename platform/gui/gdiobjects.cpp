#include "platform/gui/gdiobjects.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace gui {

int MulDiv(int a, int b, int c) {
    if (c == 0) return 0;
    long long p = static_cast<long long>(a) * b;
    long long q = p / c;
    long long r = p % c;
    // Round half away from zero.
    if (2 * std::llabs(r) >= std::llabs(static_cast<long long>(c))) q += ((p < 0) != (c < 0)) ? -1 : 1;
    return static_cast<int>(q);
}

bool BOUNDINGBOX::INTERSECTS(const BOUNDINGBOX& o) const {
    if (ISEMPTY() || o.ISEMPTY()) return false;
    return LEFT() < o.RIGHT() && o.LEFT() < RIGHT() && BOTTOM() < o.TOP() && o.BOTTOM() < TOP();
}

namespace {
struct Rgb { int r, g, b; };
constexpr Rgb kPredefined[16] = {
    {0, 0, 0},       {0, 0, 128},     {0, 128, 0},   {0, 128, 128}, {128, 0, 0},   {128, 0, 128},
    {128, 128, 0},   {192, 192, 192}, {128, 128, 128}, {0, 0, 255}, {0, 255, 0},   {0, 255, 255},
    {255, 0, 0},     {255, 0, 255},   {255, 255, 0}, {255, 255, 255},
};
}  // namespace

COLOR::COLOR(int predefined) {
    if (predefined >= 0 && predefined < 16) {
        r_ = kPredefined[predefined].r;
        g_ = kPredefined[predefined].g;
        b_ = kPredefined[predefined].b;
    }
}

COLOR::COLOR(int red, int green, int blue) : r_(clamp(red)), g_(clamp(green)), b_(clamp(blue)) {}

COLOR COLOR::fromColorRef(uint32_t bgr) { return COLOR(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

FONT::FONT(int family, int pointSize, const std::string& face) : family_(family), pointSize_(pointSize), face_(face) {}

FONT::FONT(int family, const DIMENSION& logicalSize, const std::string& face)
    : family_(family), height_(logicalSize.HEIGHT()), width_(logicalSize.WIDTH()), face_(face) {}

// Setting a weight flag gives its weight; clearing the flag that holds leaves the weight
// to the font mapper (0), as a logical-font record does.
void FONT::LIGHT(bool on) {
    if (on) weight_ = 300;
    else if (LIGHT()) weight_ = 0;
}
void FONT::NORMAL(bool on) {
    if (on) weight_ = 400;
    else if (NORMAL()) weight_ = 0;
}
void FONT::BOLD(bool on) {
    if (on) weight_ = 700;
    else if (BOLD()) weight_ = 0;
}

DIMENSION FONT::CONVPNTTODIM(int pointSize) const { return DIMENSION(0, -MulDiv(pointSize, 96, 72)); }

QFont FONT::qfont() const {
    QFont f;
    switch (family_) {
    case FONTROMAN: f.setStyleHint(QFont::Serif); break;
    case FONTSWISS: f.setStyleHint(QFont::SansSerif); break;
    case FONTMODERN: f.setStyleHint(QFont::TypeWriter); break;
    case FONTSCRIPT: f.setStyleHint(QFont::Cursive); break;
    case FONTDECORATIVE: f.setStyleHint(QFont::Decorative); break;
    default: break;
    }
    if (pitch_ == 1) {
        f.setFixedPitch(true);
        if (family_ <= FONTANY) f.setStyleHint(QFont::TypeWriter);
    }
    if (!face_.empty()) f.setFamilies({QString::fromStdString(face_)});
    f.setWeight(static_cast<QFont::Weight>(weight_ <= 0 ? 400 : (weight_ > 1000 ? 1000 : weight_)));
    f.setItalic(italic_);
    f.setUnderline(underline_);
    f.setStrikeOut(strikeout_);
    int pixels = 0;
    if (height_ < 0) {
        pixels = -height_;
    } else if (height_ > 0) {
        // A cell height: scale to the character height the face reports.
        QFont probe = f;
        probe.setPixelSize(100);
        int cell = QFontMetrics(probe).height();
        pixels = cell > 0 ? std::max(1, int(std::lround(height_ * 100.0 / cell))) : height_;
    } else if (pointSize_ > 0) {
        pixels = MulDiv(pointSize_, 96, 72);
    }
    if (pixels > 0) f.setPixelSize(pixels);
    if (width_ > 0 && pixels > 0) {
        QFont probe = f;
        int avg = QFontMetrics(probe).averageCharWidth();
        if (avg > 0) f.setStretch(std::clamp(int(std::lround(width_ * 100.0 / avg)), 1, 4000));
    }
    return f;
}

HYPERLABEL::HYPERLABEL(const std::string& name, const std::string& caption, const std::string& description,
                       const std::string& helpContext)
    : caption_(caption), description_(description), helpContext_(helpContext) {
    name_.reserve(name.size());
    for (char c : name) name_.push_back((c >= 'a' && c <= 'z') ? char(c - 32) : c);
}

}  // namespace gui
