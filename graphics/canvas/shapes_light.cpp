// The light spot and the text on a circle.
#include "graphics/canvas/shapes_light.h"

#include <algorithm>
#include <cmath>

#include "graphics/canvas/objects.h"

namespace gfx {

namespace {
uint16_t word(Opt v, double fallback) { return static_cast<uint16_t>(whole(v ? *v : fallback)); }
constexpr double kR2D = 57.29577951308232;
}  // namespace

// ---- spot light -----------------------------------------------------------------------------------

OBJECTSPOTCANVAS::OBJECTSPOTCANVAS(GRAPHICS* canvas, Opt intensity, Opt mode)
    : OBJECTSHAPE(canvas), intensity_(intensity.value_or(6.0)), mode_(word(mode, 7)) {}

OBJECTSHAPE& OBJECTSPOTCANVAS::DRAW() {
    GRAPHICS& g = *oCanvas_;
    double F;
    if (!GradientBands::spreadFactor(intensity_, F)) {
        g.PAINTERASECANVAS();
        return *this;
    }
    if (mode_ <= 3) {
        g.PAINTGRADIENTCANVAS(intensity_, mode_);
        return *this;
    }
    const int X0 = g._OORIGIN.X(), Y0 = g._OORIGIN.Y() - 1;
    const int W = g._ODIM.WIDTH(), H = g._ODIM.HEIGHT();
    // An empty canvas has no rows to light (and the row factor would divide by its height).
    if (W <= 0 || H <= 0) return *this;
    gdi::HDC first = SELECTDRAWDC(1);
    if (!first) return *this;
    const int L = 2 * W;
    gdi::HDC strip = gdi::CreateCompatibleDC(first);
    gdi::HBITMAP bitmap = gdi::CreateCompatibleBitmap(first, L, 1);
    gdi::HGDIOBJ previous = gdi::SelectObject(strip, bitmap);
    GradientBands bands(g._NBACKGRCOLOR, g._NGRADIENTCOLOR, L, F);
    for (int i = 1; i <= L; ++i) {
        gdi::RECT rect;
        gdi::SetRect(&rect, i - 1, 0, i, 1);
        gdi::HBRUSH brush = gdi::CreateSolidBrush(bands.next(i));
        gdi::FillRect(strip, &rect, brush);
        gdi::DeleteObject(brush);
    }
    // One row offset per canvas row: the fronts of equal colour bend into a quarter ellipse.
    std::vector<int> offsets(H + 1);
    for (int j = 0; j <= H; ++j) {
        const double t = static_cast<double>(H - j) / H;
        const double c = std::cos(GASIN(t));
        offsets[j] = W - whole(W * c);
    }
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        for (int j = 0; j <= H; ++j) {
            const int o = offsets[j];
            switch (mode_) {
            case 6:
                gdi::BitBlt(dc, X0, Y0 + H - j, W, 1, strip, o, 0, gdi::SRCCOPY);
                break;
            case 4:
                gdi::StretchBlt(dc, X0, Y0 + j, W, 1, strip, W + o, 0, -W, 1, gdi::SRCCOPY);
                break;
            case 5:
                gdi::StretchBlt(dc, X0, Y0 + H - j, W, 1, strip, W + o, 0, -W, 1, gdi::SRCCOPY);
                break;
            default:
                gdi::BitBlt(dc, X0, Y0 + j, W, 1, strip, o, 0, gdi::SRCCOPY);
                break;
            }
        }
    }
    gdi::SelectObject(strip, previous);
    gdi::DeleteDC(strip);
    gdi::DeleteObject(bitmap);
    return *this;
}

// ---- text on a circle -------------------------------------------------------------------------

OBJECTSTRINGRING::OBJECTSTRINGRING(GRAPHICS* canvas, double x, double y, double radius, double angle, Opt align,
                                   Opt direction, std::string text, Opt anchor)
    : OBJECTSHAPE(canvas), x_(x), y_(y), radius_(radius), angle_(angle), text_(std::move(text)),
      anchor_(word(anchor, 10)), align_(word(align, 2)), direction_(word(direction, 3)) {}

OBJECTSHAPE& OBJECTSTRINGRING::DRAW() {
    placed_.clear();
    GRAPHICS& g = *oCanvas_;
    const int n = static_cast<int>(std::min<size_t>(text_.size(), 200));
    const double r = radius_ * g._FFACTORX;
    // No characters, or no circle to put them on.
    if (n == 0 || !(r > 0.0) || !std::isfinite(r)) return *this;
    // The centre stays where it is even far off the device: the characters of a large circle
    // may still land on it.
    const int64_t d = wholeWide(r * 2.0);
    const WidePoint centre = g.placePoint(g.wideX(x_), g.wideY(y_), d, d, anchor_ != 10 ? anchor_ : 0);
    const double s = direction_ == 3 ? 1.0 : -1.0;
    const double b = direction_ == 3 ? 0.0 : 180.0;
    double hc = 0.0;
    double start = 0.0;
    std::vector<int> w(n + 1, 0);

    for (int pass = 1; pass <= 2; ++pass) {
        gdi::HDC dc = SELECTDRAWDC(pass);
        if (!dc) break;
        gdi::HGDIOBJ keptFont = gdi::SelectObject(dc, g._PFONT);
        gdi::LOGFONT work;
        gdi::GetObjectA(g._PFONT, sizeof(work), &work);
        if (pass == 1) {
            double sum = 0.0;
            for (int i = 1; i <= n; ++i) {
                gdi::SIZE extent;
                gdi::GetTextExtentPoint32A(dc, &text_[i - 1], 1, &extent);
                if (extent.cx > r) {
                    // The text does not fit the circle: nothing of it is drawn.
                    gdi::SelectObject(dc, keptFont);
                    return *this;
                }
                w[i] = extent.cx;
                if (align_ != 0) sum += GASIN(w[i] / r) * s;
            }
            if (align_ == 2) sum /= 2.0;
            start = angle_ - sum * kR2D + GASIN(w[1] / 2.0 / r) * kR2D * s;
            if (direction_ != 3) {
                gdi::SIZE cell;
                gdi::GetTextExtentPoint32A(dc, "A", 1, &cell);
                hc = cell.cy / 2.0;
            }
        }
        const gdi::COLORREF oldColour = gdi::SetTextColor(dc, g._NTEXTCOLOR);
        const gdi::UINT oldAlign = gdi::SetTextAlign(dc, 24);
        const int oldMode = gdi::SetBkMode(dc, gdi::TRANSPARENT);
        const int oldRop = gdi::SetROP2(dc, g._NRASTERMODE);
        double acc = 0.0;
        for (int i = 1; i <= n; ++i) {
            const double half = GASIN(w[i] / 2.0 / r) * s;
            const double a = acc * kR2D + start;
            // Text turns counterclockwise, so a character stands along the tangent of its
            // direction of travel when it is turned by its own angle (plus a half turn
            // when the text runs clockwise).
            int32_t e = whole(std::fmod((a + b) * 10.0, 3600.0));
            if (e < 0) e += 3600;
            if (e >= 3600) e -= 3600;
            work.lfEscapement = e;
            work.lfOrientation = e;
            gdi::HFONT font = gdi::CreateFontIndirectA(&work);
            if (font) gdi::SelectObject(dc, font);
            const double phi = (a - 90.0) / kR2D - half;
            const int32_t px = deviceClamp(wholeWide((r - hc) * std::cos(phi)) + centre.x);
            const int32_t py = deviceClamp(wholeWide((r - hc) * std::sin(phi)) + centre.y);
            gdi::TextOutA(dc, px, py, &text_[i - 1], 1);
            if (pass == 1) placed_.push_back({text_[i - 1], px, py, e});
            gdi::SelectObject(dc, g._PFONT);
            if (font) gdi::DeleteObject(font);
            if (i < n) acc += GASIN((w[i + 1] / 2.0 + w[i] / 2.0) / r) * s;
        }
        gdi::SetROP2(dc, oldRop);
        gdi::SetBkMode(dc, oldMode);
        gdi::SetTextAlign(dc, oldAlign);
        gdi::SetTextColor(dc, oldColour);
        gdi::SelectObject(dc, keptFont);
    }
    return *this;
}

}  // namespace gfx
