// Drawing objects of the canvas core other than text.
#include "graphics/canvas/objects.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace gfx {

namespace {

uint16_t word(Opt v, double fallback) { return static_cast<uint16_t>(whole(v ? *v : fallback)); }

// A solid fill of a logical rectangle with a brush made and deleted for it.
void fillSolid(gdi::HDC dc, int left, int top, int right, int bottom, uint32_t rgb) {
    gdi::RECT rect;
    gdi::SetRect(&rect, left, top, right, bottom);
    gdi::HBRUSH brush = gdi::CreateSolidBrush(rgb);
    gdi::HGDIOBJ previous = gdi::SelectObject(dc, brush);
    gdi::FillRect(dc, &rect, brush);
    gdi::SelectObject(dc, previous);
    gdi::DeleteObject(brush);
}

}  // namespace

// ---- refresh bitmap -------------------------------------------------------------------------

OBJECTSHAPE& OBJECTREFRESHBMPGEN::DRAW() {
    GRAPHICS& g = *oCanvas_;
    const int w = g._ODIM.WIDTH(), h = g._ODIM.HEIGHT();
    const int ox = g._OORIGIN.X(), oy = g._OORIGIN.Y();
    const int t = g._NTOPSPACE;
    gdi::HDC dc = SELECTDRAWDC(1);
    g._PREFRESHMEMDC = gdi::CreateCompatibleDC(dc);
    gdi::SetMapMode(g._PREFRESHMEMDC, gdi::MM_ANISOTROPIC);
    gdi::SetWindowOrgEx(g._PREFRESHMEMDC, 0, t, nullptr);
    gdi::SetWindowExtEx(g._PREFRESHMEMDC, w, -h, nullptr);
    gdi::SetViewportOrgEx(g._PREFRESHMEMDC, 0, h - 1, nullptr);
    gdi::SetViewportExtEx(g._PREFRESHMEMDC, w, h, nullptr);
    g._PREFRESHBMP = gdi::CreateCompatibleBitmap(dc, ox + w, oy + h + t);
    g._PREFRESHBMPOLD = gdi::SelectObject(g._PREFRESHMEMDC, g._PREFRESHBMP);
    fillSolid(g._PREFRESHMEMDC, ox, oy - 1, w, h, g._NBACKGRCOLOR);
    return *this;
}

OBJECTSHAPE& OBJECTREFRESHBMP::DRAW() {
    GRAPHICS& g = *oCanvas_;
    // In 64 bits, and only the part whose window and backing-store positions both lie in the
    // device range: an area at the ends of the 32-bit range reaches no surface.
    int64_t x = area_.ORIGIN().X(), y = int64_t(area_.ORIGIN().Y()) - 1;
    int64_t right = x + area_.WIDTH(), top = y + area_.HEIGHT();
    const int64_t scrollX = g._NSCROLLOFFSX, scrollY = g._NSCROLLOFFSY;
    x = std::max({x, -int64_t(kDeviceLimit), -int64_t(kDeviceLimit) - scrollX});
    y = std::max({y, -int64_t(kDeviceLimit), -int64_t(kDeviceLimit) - scrollY});
    right = std::min({right, int64_t(kDeviceLimit), int64_t(kDeviceLimit) - scrollX});
    top = std::min({top, int64_t(kDeviceLimit), int64_t(kDeviceLimit) - scrollY});
    if (right > x && top > y && g._PREFRESHMEMDC) {
        gdi::BitBlt(SELECTDRAWDC(1), int(x), int(y), int(right - x), int(top - y), g._PREFRESHMEMDC, int(x + scrollX),
                    int(y + scrollY), gdi::SRCCOPY);
    }
    return *this;
}

// ---- clip and resolution --------------------------------------------------------------------

OBJECTCLIPREGION::OBJECTCLIPREGION(GRAPHICS* canvas, Device* device, double x, double y, double width,
                                   double height, Opt unit, Opt anchor)
    : OBJECTSHAPE(canvas), device_(device), x_(x), y_(y), width_(width), height_(height),
      unit_(static_cast<uint32_t>(whole(unit.value_or(0.0)))),
      anchor_(static_cast<uint32_t>(whole(anchor.value_or(0.0)))) {
    if (device_) device_->DRAW(*this);
}

OBJECTSHAPE& OBJECTCLIPREGION::DRAW() {
    GRAPHICS& g = *oCanvas_;
    const DeviceBox box = unit_ == 1 ? g.placeBox(g.wideX(x_), g.wideY(y_), g.wideW(width_), g.wideH(height_), anchor_)
                                     : g.placeBox(wholeWide(x_), wholeWide(y_), wholeWide(width_), wholeWide(height_), anchor_);
    const int32_t px = box.left, py = box.bottom, pw = box.width(), ph = box.height();
    g._NCLIPX = static_cast<uint32_t>(px);
    g._NCLIPY = static_cast<uint32_t>(py);
    g._NCLIPWIDTH = static_cast<uint32_t>(pw);
    g._NCLIPHEIGHT = static_cast<uint32_t>(ph);
    g.lClipped_ = true;
    int top, bottom;
    if (device_ && device_->_NDEVICETYP == kPrinterDevice) {
        const int H = device_->canvasAreaSize().HEIGHT();
        top = H - py - ph;
        bottom = H - py;
    } else {
        // Window contexts carry the tool-bar rows above the canvas, so both edges move
        // down by them.
        const int H = g._NMAXHEIGHT, t = g._NTOPSPACE;
        top = H - py - ph + t;
        bottom = H - py + t;
    }
    const int left = px, right = px + pw;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        gdi::HRGN region = gdi::CreateRectRgn(left, top - 1, right + 1, bottom);
        gdi::SelectClipRgn(dc, region);
        gdi::DeleteObject(region);
    }
    return *this;
}

OBJECTSHAPE& OBJECTDEVICEVALUES::DRAW() {
    gdi::HDC dc = SELECTDRAWDC(1);
    if (!dc) return *this;
    oCanvas_->_NPIXPROINCHX = static_cast<uint32_t>(gdi::GetDeviceCaps(dc, gdi::LOGPIXELSX));
    oCanvas_->_NPIXPROINCHY = static_cast<uint32_t>(gdi::GetDeviceCaps(dc, gdi::LOGPIXELSY));
    return *this;
}

OBJECTSHAPE& OBJECTPOINTCOLOR::DRAW() {
    GRAPHICS& g = *oCanvas_;
    const int X = g.devX(x_), Y = g.devY(y_);
    gdi::HDC dc = SELECTDRAWDC(g._ODEVICE && g._ODEVICE->_NDEVICETYP == kWindowDevice ? 2 : 1);
    colour_ = dc ? gdi::GetPixel(dc, X, Y) : kNoColor;
    return *this;
}

// ---- gradients ------------------------------------------------------------------------------

bool GradientBands::spreadFactor(double intensity, double& factor) {
    double f = std::max(std::min(intensity, 20.0), 0.0);
    if (std::isnan(intensity)) f = 0.0;
    if (std::fabs(f) < 0.1) return false;
    factor = f <= 10.0 ? 5.0 - 0.4 * f : 1.0 - 0.09 * (f - 10.0);
    return true;
}

GradientBands::GradientBands(uint32_t back, uint32_t grad, int bands, double factor) {
    back_[0] = rgbRed(back), back_[1] = rgbGreen(back), back_[2] = rgbBlue(back);
    grad_[0] = rgbRed(grad), grad_[1] = rgbGreen(grad), grad_[2] = rgbBlue(grad);
    // The difference is signed: a falling channel moves down toward the gradient colour.
    for (int k = 0; k < 3; ++k) diff_[k] = grad_[k] - back_[k];
    s_ = bands * factor;
    // A channel moves monotonically with the band, so the band at which it reaches the
    // gradient colour is found by halving.
    for (int k = 0; k < 3; ++k) {
        stop_[k] = 0;
        if (back_[k] == grad_[k] || s_ == 0.0) continue;
        int low = 1, high = INT_MAX;
        if (!reached(k, moved(k, high))) {
            stop_[k] = INT_MAX;
            continue;
        }
        while (low < high) {
            const int mid = low + (high - low) / 2;
            if (reached(k, moved(k, mid))) high = mid;
            else low = mid + 1;
        }
        stop_[k] = low;
    }
    reset();
}

int GradientBands::moved(int k, int i) const {
    const double q = 1.0 - (s_ - i) / s_;
    // Far bands of a run move a channel far past 255 before the limit holds it: the step and
    // the sum are worked out in 64 bits, so they neither overflow nor lose their sign.
    return int(std::clamp<int64_t>(back_[k] + wholeWide(diff_[k] * q), 0, 255));
}

bool GradientBands::reached(int k, int value) const {
    return back_[k] < grad_[k] ? value >= grad_[k] : value <= grad_[k];
}

void GradientBands::reset() {
    for (int k = 0; k < 3; ++k) cur_[k] = back_[k];
}

uint32_t GradientBands::next(int i) {
    for (int k = 0; k < 3; ++k) {
        if (back_[k] == grad_[k]) continue;
        if (reached(k, cur_[k])) continue;
        if (s_ == 0.0) continue;
        cur_[k] = moved(k, i);
    }
    return color2rgb(cur_[0], cur_[1], cur_[2]);
}

uint32_t GradientBands::at(int i) const {
    int c[3];
    for (int k = 0; k < 3; ++k) c[k] = stop_[k] == 0 || i < 1 ? back_[k] : moved(k, std::min(i, stop_[k]));
    return color2rgb(c[0], c[1], c[2]);
}

ContextReach reachOf(gdi::HDC dc) {
    gdi::RECT box;
    const int kind = gdi::GetClipBox(dc, &box);
    if (kind == gdi::NULLREGION) return ContextReach{};
    // A context that cannot tell: the whole device range.
    if (kind == gdi::RGN_ERROR) return ContextReach{true, -2 * int64_t(kDeviceLimit), 2 * int64_t(kDeviceLimit),
                                                    -2 * int64_t(kDeviceLimit), 2 * int64_t(kDeviceLimit)};
    // The box is made of whole device pixels; a mapping that flips or scales may leave its
    // edges a unit short, so it is widened by two.
    return ContextReach{true, int64_t(box.left) - 2, int64_t(box.right) + 2, int64_t(box.top) - 2,
                        int64_t(box.bottom) + 2};
}

namespace {

// Paints bands first .. last of a run on one context, where they can show: band i is the strip
// one unit wide at base + step * i (step 1 or -1) across [from, to) of the other axis, rows
// when `rows`, columns otherwise.
void paintBands(gdi::HDC dc, const GradientBands& bands, bool rows, int64_t base, int step, int64_t first,
                int64_t last, int from, int to) {
    const ContextReach reach = reachOf(dc);
    if (!reach.any) return;
    const int64_t low = rows ? reach.low : reach.left, high = rows ? reach.high : reach.right;
    if (step > 0) {
        first = std::max(first, low - base);
        last = std::min(last, high - 1 - base);
    } else {
        first = std::max(first, base - high + 1);
        last = std::min(last, base - low);
    }
    for (int64_t i = first; i <= last; ++i) {
        const int pos = int(base + step * i);
        const uint32_t colour = bands.at(int(i));
        if (rows) fillSolid(dc, from, pos, to, pos + 1, colour);
        else fillSolid(dc, pos, from, pos + 1, to, colour);
    }
}

}  // namespace

OBJECTGRADIENTCANVAS::OBJECTGRADIENTCANVAS(GRAPHICS* canvas, Opt intensity, Opt direction)
    : OBJECTSHAPE(canvas), intensity_(intensity.value_or(6.0)), direction_(word(direction, 0)) {}

OBJECTSHAPE& OBJECTGRADIENTCANVAS::DRAW() {
    GRAPHICS& g = *oCanvas_;
    double F;
    if (!GradientBands::spreadFactor(intensity_, F)) {
        g.PAINTERASECANVAS();
        return *this;
    }
    const int X0 = g._OORIGIN.X(), Y0 = g._OORIGIN.Y() - 1;
    const int W = g._ODIM.WIDTH(), H = g._ODIM.HEIGHT();
    const bool vertical = direction_ == 2 || direction_ == 3;
    const int N = vertical ? W : H;
    GradientBands bands(g._NBACKGRCOLOR, g._NGRADIENTCOLOR, N, F);
    // Where band i lies: directions 1 and 0 count rows up from the bottom and down from the
    // top, 3 and 2 columns from the left and from the right; codes outside 0..3 count bands by
    // the height and place them as direction 2.
    const bool rows = direction_ == 0 || direction_ == 1;
    const int64_t base = direction_ == 1 ? Y0 - 1 : direction_ == 0 ? Y0 + H : direction_ == 3 ? X0 - 1 : X0 + W;
    const int step = direction_ == 1 || direction_ == 3 ? 1 : -1;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        paintBands(dc, bands, rows, base, step, 1, N, rows ? X0 : Y0, rows ? X0 + W : Y0 + H);
    }
    return *this;
}

OBJECTGRADIENTAREA::OBJECTGRADIENTAREA(GRAPHICS* canvas, double x, double y, double width, double height,
                                       Opt anchor, Opt intensity, Opt direction)
    : OBJECTSHAPE(canvas), x_(x), y_(y), width_(width), height_(height), intensity_(intensity.value_or(6.0)),
      direction_(word(direction, 0)), anchor_(word(anchor, 0)) {}

OBJECTSHAPE& OBJECTGRADIENTAREA::DRAW() {
    GRAPHICS& g = *oCanvas_;
    double F;
    if (!GradientBands::spreadFactor(intensity_, F)) {
        g.PAINTERASEAREA(x_, y_, width_, height_, anchor_);
        return *this;
    }
    int32_t X, Y, Wa, Ha;
    areaRect(g, x_, y_, width_, height_, anchor_, X, Y, Wa, Ha);
    const int OX = g._OORIGIN.X(), OY = g._OORIGIN.Y();
    const int CW = g._ODIM.WIDTH(), CH = g._ODIM.HEIGHT();
    const int N = (direction_ == 2 || direction_ == 3) ? CW : CH;
    GradientBands bands(g._NBACKGRCOLOR, g._NGRADIENTCOLOR, N, F);
    // The bands of the canvas-wide run that fall into the area: where band i lies as in the
    // canvas gradient (rows one unit higher), and the first and last inside the area.
    const bool rows = direction_ == 0 || direction_ == 1;
    int64_t base, first, last;
    int step;
    if (direction_ == 1) {
        base = int64_t(OY) - 1, step = 1, first = int64_t(Y) - OY, last = int64_t(Y) + Ha - OY;
    } else if (direction_ == 0) {
        base = int64_t(OY) + CH, step = -1, first = int64_t(OY) + CH - Y - Ha, last = int64_t(OY) + CH - Y;
    } else if (direction_ == 3) {
        base = int64_t(OX) - 1, step = 1, first = int64_t(X) - OX, last = int64_t(X) + Wa - OX;
    } else {
        base = int64_t(OX) + CW, step = -1, first = int64_t(OX) + CW - X - Wa, last = int64_t(OX) + CW - X;
    }
    first = std::max<int64_t>(first, 1);
    last = std::min<int64_t>(last, N);
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        paintBands(dc, bands, rows, base, step, first, last, rows ? X : Y, rows ? X + Wa : Y + Ha);
    }
    return *this;
}

// ---- erase, frame, saved areas --------------------------------------------------------------

namespace {
void canvasRect(const GRAPHICS& g, int& left, int& top, int& right, int& bottom) {
    left = g._OORIGIN.X();
    top = g._OORIGIN.Y() - 1;
    right = left + g._ODIM.WIDTH();
    bottom = top + g._ODIM.HEIGHT();
}
}  // namespace

OBJECTSHAPE& OBJECTERASECANVAS::DRAW() {
    int left, top, right, bottom;
    canvasRect(*oCanvas_, left, top, right, bottom);
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        fillSolid(dc, left, top, right, bottom, oCanvas_->_NBACKGRCOLOR);
    }
    return *this;
}

OBJECTSHAPE& OBJECTFRAMECANVAS::DRAW() {
    GRAPHICS& g = *oCanvas_;
    int left, top, right, bottom;
    canvasRect(g, left, top, right, bottom);
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        gdi::HGDIOBJ previousBrush = gdi::SelectObject(dc, gdi::GetStockObject(gdi::NULL_BRUSH));
        gdi::HPEN pen = gdi::CreatePen(g._NLINEPATTERN, g._NLINEWIDTH, g._NLINECOLOR);
        gdi::HGDIOBJ previousPen = gdi::SelectObject(dc, pen);
        const int previousMode = gdi::SetBkMode(dc, gdi::TRANSPARENT);
        gdi::Rectangle(dc, left, top, right, bottom);
        gdi::SetBkMode(dc, previousMode);
        gdi::SelectObject(dc, previousPen);
        gdi::DeleteObject(pen);
        gdi::SelectObject(dc, previousBrush);
    }
    return *this;
}

OBJECTERASEAREA::OBJECTERASEAREA(GRAPHICS* canvas, double x, double y, double width, double height, Opt anchor)
    : OBJECTSHAPE(canvas), x_(x), y_(y), width_(width), height_(height), anchor_(word(anchor, 0)) {}

OBJECTSHAPE& OBJECTERASEAREA::DRAW() {
    int32_t X, Y, W, H;
    areaRect(*oCanvas_, x_, y_, width_, height_, anchor_, X, Y, W, H);
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        fillSolid(dc, X, Y, X + W, Y + H, oCanvas_->_NBACKGRCOLOR);
    }
    return *this;
}

OBJECTSAVEDAREA::OBJECTSAVEDAREA(GRAPHICS* canvas, double x, double y, double width, double height, Opt anchor)
    : OBJECTSHAPE(canvas), x_(x), y_(y), width_(width), height_(height), anchor_(word(anchor, 0)) {}

OBJECTSHAPE& OBJECTSAVEDAREA::DRAW() {
    int32_t X, Y, W, H;
    areaRect(*oCanvas_, x_, y_, width_, height_, anchor_, X, Y, W, H);
    // The saved bitmap holds the part of its area that lay on the canvas: its first column
    // and top row are those that many pixels into the area.
    const GRAPHICS::SavedCut cut = oCanvas_->savedCut();
    const int64_t w = std::min<int64_t>(int64_t(W) - cut.left, cut.width);
    const int64_t h = std::min<int64_t>(int64_t(H) - cut.top, cut.height);
    if (w <= 0 || h <= 0) return *this;
    // Rows count from the top down: the bitmap's top row lands `cut.top` rows below the area's top.
    const int64_t bottom = int64_t(Y) + H - cut.top - h;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        gdi::BitBlt(dc, int32_t(int64_t(X) + cut.left), int32_t(bottom), int32_t(w), int32_t(h), oCanvas_->_PSAVEMEMDC, 0,
                    0, gdi::SRCCOPY);
    }
    return *this;
}

}  // namespace gfx
