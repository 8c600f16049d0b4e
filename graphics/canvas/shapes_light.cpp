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
    gdi::HDC second = SELECTDRAWDC(2);
    const int L = 2 * W;
    GradientBands bands(g._NBACKGRCOLOR, g._NGRADIENTCOLOR, L, F);
    // Light in a right corner mirrors each row; light at the bottom turns the rows upside down.
    const bool mirrored = mode_ == 4 || mode_ == 5;
    const bool upward = mode_ == 5 || mode_ == 6;
    // Only the rows and columns of the canvas that can show on either context are copied, each
    // from the strip pixels it shows: a canvas far larger than its device takes no strip and no
    // rows of its own size.
    ContextReach reach = reachOf(first);
    if (second) {
        const ContextReach more = reachOf(second);
        if (!reach.any) reach = more;
        else if (more.any)
            reach = ContextReach{true, std::min(reach.left, more.left), std::max(reach.right, more.right),
                                 std::min(reach.low, more.low), std::max(reach.high, more.high)};
    }
    if (!reach.any) return *this;
    const int c0 = int(std::clamp<int64_t>(reach.left - X0, 0, W));
    const int c1 = int(std::clamp<int64_t>(reach.right - X0, 0, W));
    const int64_t j0 = upward ? int64_t(Y0) + H - reach.high + 1 : reach.low - Y0;
    const int64_t j1 = upward ? int64_t(Y0) + H - reach.low : reach.high - 1 - Y0;
    const int first_row = int(std::max<int64_t>(j0, 0)), last_row = int(std::min<int64_t>(j1, H));
    if (c0 >= c1 || first_row > last_row) return *this;
    const int width = c1 - c0;
    // One row offset per canvas row: the fronts of equal colour bend into a quarter ellipse.
    const auto offset = [&](int j) {
        const double t = static_cast<double>(H - j) / H;
        return W - whole(W * std::cos(GASIN(t)));
    };
    // The strip pixels row j shows, from its first.
    const auto shown = [&](int j) {
        const int o = offset(j);
        return mirrored ? W + o - c1 : o + c0;
    };
    // Rows whose strip pixels touch share one piece of the strip; the piece is filled by the
    // band rule from its first pixel (pixel s holds band s + 1) and copied row by row.
    const auto copyRows = [&](int from, int to, int lo, int hi) {
        gdi::HDC strip = gdi::CreateCompatibleDC(first);
        gdi::HBITMAP bitmap = gdi::CreateCompatibleBitmap(first, hi - lo, 1);
        gdi::HGDIOBJ previous = gdi::SelectObject(strip, bitmap);
        for (int s = lo; s < hi; ++s) {
            gdi::RECT rect;
            gdi::SetRect(&rect, s - lo, 0, s - lo + 1, 1);
            gdi::HBRUSH brush = gdi::CreateSolidBrush(bands.at(s + 1));
            gdi::FillRect(strip, &rect, brush);
            gdi::DeleteObject(brush);
        }
        for (gdi::HDC dc : {first, second}) {
            if (!dc) break;
            for (int j = from; j <= to; ++j) {
                const int x = X0 + c0, y = upward ? Y0 + H - j : Y0 + j;
                const int s = shown(j) - lo;
                if (mirrored) gdi::StretchBlt(dc, x, y, width, 1, strip, s + width, 0, -width, 1, gdi::SRCCOPY);
                else gdi::BitBlt(dc, x, y, width, 1, strip, s, 0, gdi::SRCCOPY);
            }
        }
        gdi::SelectObject(strip, previous);
        gdi::DeleteDC(strip);
        gdi::DeleteObject(bitmap);
    };
    int from = first_row, lo = shown(first_row), hi = lo + width;
    for (int j = first_row + 1; j <= last_row; ++j) {
        const int a = shown(j);
        if (a <= hi && a + width >= lo) {
            lo = std::min(lo, a), hi = std::max(hi, a + width);
            continue;
        }
        copyRows(from, j - 1, lo, hi);
        from = j, lo = a, hi = a + width;
    }
    copyRows(from, last_row, lo, hi);
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
