// The string font, text drawing and measuring, shadowed and raised text.
#include <algorithm>
#include <cmath>

#include "graphics/canvas/objects.h"

namespace gfx {

namespace {

constexpr double kDeg = 180.0 / kPi;

// On this platform outline fonts are always there, and bitmap fonts are not excluded.
bool trueTypeEnabled() { return true; }
bool useTrueTypeOnly() { return false; }

}  // namespace

GRAPHICS& GRAPHICS::SETSTRINGFONT(std::optional<FontFace> face, Opt width, Opt height, Opt design, Opt respond,
                                  Opt angle, Opt quality) {
    if (face) uFontFace = *face;
    if (width) fFontWidth = *width;
    if (height) fFontHeight = *height;
    if (respond) _NFONTRESPOND = static_cast<uint32_t>(whole(*respond));
    if (design) _NFONTDESIGN = static_cast<uint32_t>(whole(*design));
    if (angle) _FFONTANGLE = *angle;
    if (quality) _NFONTQUALITY = static_cast<uint32_t>(whole(*quality));
    return INTERNGENSTRINGFONT();
}

GRAPHICS& GRAPHICS::INTERNGENSTRINGFONT() {
    if (_PFONT) {
        gdi::DeleteObject(_PFONT);
        _PFONT = nullptr;
    }
    const double W = _ODIM.WIDTH(), H = _ODIM.HEIGHT();

    // Angle in force: negative angles count as their absolute value; angles that are not a
    // multiple of 90 follow the canvas's aspect.
    double angle = _FFONTANGLE;
    if (angle < 0) {
        angle = -angle;
    } else if (std::fmod(angle, 90.0) != 0.0) {
        const double theta = GATAN2(W, H);
        const double a = (angle + 90.0) / kDeg;
        const double phi = GATAN2(std::sin(a) * std::sin(theta), std::cos(a) * std::cos(theta)) * kDeg;
        angle = phi - 90.0;
        if (angle < 0) angle += 360.0;
    }

    double sx = 0.0, sy = 0.0;
    switch (_NFONTRESPOND) {
        case 0: sx = W / 640.0, sy = H / 480.0; break;
        case 1: sx = _FFACTORX, sy = _FFACTORY; break;
        case 3: sx = W / 1000.0, sy = H / 1000.0; break;
        case 4: sx = W / 560.0, sy = H / 560.0; break;
        default: break;
    }
    int32_t w, h;
    if (_NFONTRESPOND == 5) {
        w = whole(fFontWidth * _NPIXPROINCHX / 72.0);
        h = whole(fFontHeight * _NPIXPROINCHY / 72.0);
    } else if (_NFONTRESPOND == 2) {
        w = whole(fFontWidth);
        h = whole(fFontHeight);
    } else if (angle != 0.0) {
        const double r = (angle + 90.0) / kDeg;
        w = whole(fFontWidth * std::sqrt(std::pow(sx * std::sin(r), 2) + std::pow(sy * std::cos(r), 2)));
        h = whole(fFontHeight * std::sqrt(std::pow(sy * std::sin(r), 2) + std::pow(sx * std::cos(r), 2)));
    } else {
        w = whole(sx * fFontWidth);
        h = whole(sy * fFontHeight);
    }
    // Sizes held to the device range: no text is taller than that, and the height goes to the
    // font negated.
    w = std::clamp(w, -kDeviceLimit, kDeviceLimit);
    h = std::clamp(h, -kDeviceLimit, kDeviceLimit);
    nFontPixelHeight = h;
    nFontPixelWidth_ = w;
    const int32_t escapement = angle > 0.0 ? whole(angle * 10.0) : 0;
    nFontEscapement_ = escapement;

    uint32_t d = _NFONTDESIGN;
    int strikeOut = 0, underline = 0, italic = 0;
    if (d >= 1000) strikeOut = 1, d -= 1000;
    if (d >= 100) underline = 1, d -= 100;
    if (d >= 10) italic = 1, d -= 10;
    const int weight = d == 1 ? gdi::FW_LIGHT : (d == 2 ? gdi::FW_BOLD : gdi::FW_NORMAL);

    const int precision = trueTypeEnabled() ? (useTrueTypeOnly() ? 7 : 4) : 6;
    int quality = gdi::PROOF_QUALITY;
    if (_NFONTQUALITY == 1 || _NFONTQUALITY == 3 || _NFONTQUALITY == 4) quality = static_cast<int>(_NFONTQUALITY);

    int pitchAndFamily = 0;
    const char* faceName = nullptr;
    if (!uFontFace.isName()) {
        pitchAndFamily = whole(uFontFace.family());
    } else if (!uFontFace.name().empty()) {
        faceName = uFontFace.name().c_str();
    }
    _PFONT = gdi::CreateFontA(-h, w, escapement, escapement, weight, italic, underline, strikeOut, 0, precision,
                              2, quality, pitchAndFamily, faceName);
    return *this;
}

// ---- OBJECTSTRING ---------------------------------------------------------------------------

OBJECTSTRING::OBJECTSTRING(GRAPHICS* canvas, double x, double y, std::string text, Opt anchor, Opt backgroundMode,
                           bool measureOnly)
    : OBJECTSHAPE(canvas), x_(x), y_(y), text_(std::move(text)),
      anchor_(static_cast<uint16_t>(whole(anchor.value_or(0.0)))),
      backgroundMode_(static_cast<uint16_t>(whole(backgroundMode.value_or(10.0)))), measureOnly_(measureOnly) {}

OBJECTSHAPE& OBJECTSTRING::DRAW() {
    GRAPHICS& g = *oCanvas_;
    int32_t X = 0, Y = 0;
    const int length = static_cast<int>(text_.size());
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        gdi::HGDIOBJ previousFont = gdi::SelectObject(dc, g._PFONT);
        if (n == 1) {
            gdi::SIZE extent;
            gdi::GetTextExtentPoint32A(dc, text_.data(), length, &extent);
            const double cx = extent.cx, cy = extent.cy;
            if (measureOnly_) {
                cellWidth = extent.cx;
                cellHeight = extent.cy;
                if (g._FFONTANGLE == 0.0 || g._FFONTANGLE == 180.0) {
                    _FWEITE = cx / g._FFACTORX;
                    _FHOEHE = cy / g._FFACTORY;
                } else {
                    const double r = (g._FFONTANGLE + 90.0) / kDeg;
                    _FWEITE = std::sqrt(std::pow(cx / g._FFACTORX * std::sin(r), 2) +
                                        std::pow(cx / g._FFACTORY * std::cos(r), 2));
                    _FHOEHE = std::sqrt(std::pow(cy / g._FFACTORY * std::sin(r), 2) +
                                        std::pow(cy / g._FFACTORX * std::cos(r), 2));
                }
                gdi::SelectObject(dc, previousFont);
                return *this;
            }
            X = g.devX(x_);
            Y = g.devY(y_);
            if (anchor_ > 0) {
                if (g._FFONTANGLE == 0.0) {
                    g.GETORIGINPOINT(X, Y, cx, cy, anchor_);
                } else {
                    g.GETORIGINPOINTANGLE(X, Y, cx, cy, anchor_);
                }
            }
        }
        const gdi::COLORREF previousColour = gdi::SetTextColor(dc, g._NTEXTCOLOR);
        const gdi::UINT previousAlign = gdi::SetTextAlign(dc, gdi::TA_BOTTOM);
        const int previousMode = gdi::SetBkMode(dc, backgroundMode_ == 10 ? gdi::TRANSPARENT : gdi::OPAQUE);
        const int previousRop = gdi::SetROP2(dc, g._NRASTERMODE);
        gdi::TextOutA(dc, X, Y, text_.data(), length);
        gdi::SetROP2(dc, previousRop);
        gdi::SetBkMode(dc, previousMode);
        gdi::SetTextAlign(dc, previousAlign);
        gdi::SetTextColor(dc, previousColour);
        gdi::SelectObject(dc, previousFont);
    }
    return *this;
}

// ---- canvas text methods --------------------------------------------------------------------

GRAPHICS& GRAPHICS::PAINTSTRING(double x, double y, const std::string& text, Opt anchor, Opt backgroundMode) {
    std::vector<double> args{x, y};
    if (anchor) args.push_back(*anchor);
    if (backgroundMode) args.push_back(*backgroundMode);
    trace("PAINTSTRING", std::move(args), text);
    OBJECTSTRING o(this, x, y, text, anchor, backgroundMode, false);
    return drawObject(o);
}

double GRAPHICS::GETSTRINGWIDTH(const std::string& text) {
    OBJECTSTRING o(this, 0.0, 0.0, text, {}, {}, true);
    if (_ODEVICE) _ODEVICE->DRAW(o);
    const double value = o._FWEITE;
    o.DESTROY();
    return value;
}

double GRAPHICS::GETSTRINGHEIGHT(const std::string& text) {
    OBJECTSTRING o(this, 0.0, 0.0, text, {}, {}, true);
    if (_ODEVICE) _ODEVICE->DRAW(o);
    const double value = o._FHOEHE;
    o.DESTROY();
    return value;
}

GRAPHICS& GRAPHICS::SETSTRINGSHADOW(double depth, const ColorArg& colour, double direction) {
    fShadowDepth = depth;
    nShadowDirection = static_cast<uint32_t>(whole(direction));
    if (!_LBLACKWHITE) nShadowColor = arg2rgb(colour);
    return *this;
}

double GRAPHICS::shadowHalf() const {
    const double h = fShadowDepth < 0 ? std::fabs(fShadowDepth) * nFontPixelHeight / 200.0 : fShadowDepth / 2.0;
    // A depth that is no number puts the shadow nowhere else: under the text.
    return std::isnan(h) ? 0.0 : h;
}

void GRAPHICS::shadowOffsets(double& hx, double& hy, int& sx, int& sy) const {
    const double h = shadowHalf();
    hx = h / _FFACTORX;
    hy = h / _FFACTORY;
    switch (nShadowDirection) {
        case 2:
        case 4: sx = -1, sy = -1; break;
        case 1:
        case 5: sx = -1, sy = 1; break;
        case 3:
        case 6: sx = 1, sy = 1; break;
        default: sx = 1, sy = -1; break;
    }
}

GRAPHICS& GRAPHICS::PAINTSTRINGSHADOW(double x, double y, const std::string& text, Opt anchor) {
    std::vector<double> args{x, y};
    if (anchor) args.push_back(*anchor);
    trace("PAINTSTRINGSHADOW", std::move(args), text);
    double hx, hy;
    int sx, sy;
    shadowOffsets(hx, hy, sx, sy);
    const uint32_t keptText = _NTEXTCOLOR;
    _NTEXTCOLOR = nShadowColor;
    OBJECTSTRING shadow(this, x + sx * hx, y + sy * hy, text, anchor, 10.0, false);
    if (_ODEVICE) _ODEVICE->DRAW(shadow);
    _NTEXTCOLOR = keptText;
    OBJECTSTRING face(this, x - sx * hx, y - sy * hy, text, anchor, 10.0, false);
    if (_ODEVICE) _ODEVICE->DRAW(face);
    shadow.DESTROY();
    face.DESTROY();
    return *this;
}

GRAPHICS& GRAPHICS::PAINTSTRING3D(double x, double y, const std::string& text, Opt anchor) {
    std::vector<double> args{x, y};
    if (anchor) args.push_back(*anchor);
    trace("PAINTSTRING3D", std::move(args), text);
    if (!_ODEVICE) return *this;
    double hx, hy;
    int sx, sy;
    shadowOffsets(hx, hy, sx, sy);
    const double h = shadowHalf();

    // The passes lie at half offsets f = h, h - 0.5, ... down to 0.5 - h, the pass at f about
    // (sx f, sy f) pixels from the position. Only those whose text can reach the canvas are
    // drawn: a depth of millions of pixels would otherwise cost a text drawing per half pixel.
    double fLo = 0.5 - h, fHi = h;
    if (std::isfinite(_FFACTORX) && std::isfinite(_FFACTORY) && _FFACTORX != 0.0 && _FFACTORY != 0.0) {
        OBJECTSTRING cell(this, 0.0, 0.0, text, {}, {}, true);
        _ODEVICE->DRAW(cell);
        // The text of a pass lies within this many pixels of its point, whatever its turn and anchor.
        const double reach = 2.0 * (double(cell.cellWidth) + double(cell.cellHeight)) + 2.0;
        const double px = double(wideX(x)), py = double(wideY(y));
        const double left = double(_OORIGIN.X()) - reach - px;
        const double right = double(_OORIGIN.X()) + _ODIM.WIDTH() + reach - px;
        const double bottom = double(_OORIGIN.Y()) - reach - py;
        const double top = double(_OORIGIN.Y()) + _ODIM.HEIGHT() + _NTOPSPACE + reach - py;
        // s f within [a, b].
        const auto narrow = [&](int s, double a, double b) {
            fLo = std::max(fLo, s > 0 ? a : -b);
            fHi = std::min(fHi, s > 0 ? b : -a);
        };
        narrow(sx, left, right);
        narrow(sy, bottom, top);
    } else {
        // Without a usable scale every pass lands on the same device point: the passes about
        // the position stand for all of them.
        fLo = std::max(fLo, -1.0);
        fHi = std::min(fHi, 1.0);
    }
    const uint32_t keptText = _NTEXTCOLOR;
    _NTEXTCOLOR = nShadowColor;
    if (fLo <= fHi) {
        const auto floors = [&](double f, int32_t& fx, int32_t& fy) {
            fx = whole(std::floor(x + sx * f / _FFACTORX));
            fy = whole(std::floor(y + sy * f / _FFACTORY));
        };
        // Which passes are drawn depends on the last one drawn, so a few passes before the canvas
        // are no reason to start later. When many are left out, the first pass taken is a whole
        // step from h, and the pass a whole step before it counts as the last drawn: at one pixel
        // per world unit, as drawing every pass would have it.
        double first = h;
        int32_t lastX = -1, lastY = -1;
        if (h - fHi > 1024.0) {
            const double phase = std::isfinite(h) ? std::fmod(h, 1.0) : 0.0;
            first = phase + std::floor(fHi - phase);
            floors(first + 1.0, lastX, lastY);
        }
        // Half-pixel steps from the shadow toward the face; a pass is drawn only where both
        // floors have moved on.
        for (int64_t step = 0;; ++step) {
            const double f = first - 0.5 * double(step);
            if (!(f >= fLo)) break;
            int32_t fx, fy;
            floors(f, fx, fy);
            if (fx == lastX || fy == lastY) continue;
            OBJECTSTRING pass(this, x + sx * f / _FFACTORX, y + sy * f / _FFACTORY, text, anchor, 10.0, false);
            if (_ODEVICE) _ODEVICE->DRAW(pass);
            pass.DESTROY();
            lastX = fx;
            lastY = fy;
        }
    }
    _NTEXTCOLOR = keptText;
    OBJECTSTRING face(this, x - sx * hx, y - sy * hy, text, anchor, 10.0, false);
    return drawObject(face);
}

}  // namespace gfx
