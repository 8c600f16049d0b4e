// Escape-time fractal drawing: parameters, iteration, colouring, pixel orders, stop control.
#include "graphics/charts/fractal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include "graphics/canvas/colors.h"
#include "platform/gui/application.h"
#include "platform/runtime/numbers.h"

namespace gfx {

namespace {

bool finiteNumber(const rt::Value& v) { return v.isNumber() && std::isfinite(v.num()); }

float real(rt::Array& a, size_t k, float lo, float hi, float def) {
    rt::Value& v = a[k - 1];
    if (finiteNumber(v)) {
        const float r = static_cast<float>(v.num());
        if (r >= lo && r <= hi) return r;
    }
    v = static_cast<double>(def);
    return def;
}

int integer(rt::Array& a, size_t k, int lo, int hi, int def) {
    rt::Value& v = a[k - 1];
    if (finiteNumber(v)) {
        const int n = rt::toInt32(v.num());
        if (n >= lo && n <= hi) return n;
    }
    v = def;
    return def;
}

// The drawings with stop control running now, by the device they draw on.
struct RunningRow {
    const Device* handle = nullptr;
    OBJECTFRACTAL* object = nullptr;
};
std::array<RunningRow, 50> RunningFractalTable{};

std::function<void()> pixelHook;

float testValue(int test, float& x2, float y2) {
    switch (test) {
        case 1: return x2;
        case 2: return y2;
        case 3: return static_cast<float>(std::sqrt(double(x2)) + double(y2));
        case 4: return static_cast<float>(double(x2) + std::sqrt(double(y2)));
        case 5: return static_cast<float>(std::sqrt(double(x2)) + std::sqrt(double(y2)));
        case 6: return static_cast<float>(std::sqrt(double(x2 + y2)));
        case 7: return x2 * x2 + y2;
        case 8: return x2 + y2 * y2;
        case 9: return x2 * x2 + y2 * y2;
        case 10: return (x2 + y2) * (x2 + y2);
        case 11: return static_cast<float>(std::sqrt(double(x2)) + double(y2 * y2));
        case 12: return static_cast<float>(double(x2 * x2) + std::sqrt(double(y2)));
        case 13:
            x2 = static_cast<float>(std::max(double(x2), 0.000001));
            return static_cast<float>(std::abs(std::log10(double(x2))) + double(y2));
        case 14:
            x2 = static_cast<float>(std::max(double(x2), 0.000001));
            return static_cast<float>(std::sqrt(std::abs(std::log10(double(x2)))) + double(y2));
        default: return x2 + y2;
    }
}

double rampCurve(int curve, double t) {
    switch (curve) {
        case 0: return std::pow(t, 0.125);
        case 2: return std::sqrt(t);
        case 3: return t;
        case 4: return t * t;
        default: return std::pow(t, 0.25);
    }
}

int toWord(double v) { return std::clamp(rt::toInt32(v), 0, 65535); }

uint32_t ramp(uint32_t base, int flags, int curve, double t) {
    double f = rampCurve(curve, std::clamp(t, 0.0, 1.0));
    if (flags & 2) f = 1.0 - f;
    int ch[3] = {rgbRed(base), rgbGreen(base), rgbBlue(base)};
    for (int& c : ch) c = (flags & 1) ? c - toWord(c * f) : c + toWord((255 - c) * f);
    for (int& c : ch) c = std::clamp(c, 0, 255);
    return color2rgb(ch[0], ch[1], ch[2]);
}

}  // namespace

FractalSettings NORMALIZEFRACTALPARAMETERS(rt::Value& aParam) {
    if (!aParam.isArray()) aParam = rt::Value::array();
    rt::Array& a = *aParam.arr();
    if (a.size() < kFractalParameterCount) a.resize(kFractalParameterCount);
    FractalSettings s;
    s.top = real(a, 1, -3.0f, 3.0f, 1.1f);
    s.bottom = real(a, 2, -3.0f, 3.0f, -1.1f);
    s.right = real(a, 3, -3.0f, 3.0f, 0.5f);
    s.left = real(a, 4, -3.0f, 3.0f, -1.5f);
    s.M = integer(a, 5, 2, 256, 64);
    const int skip = integer(a, 6, 1, s.M, s.M + 1);
    s.skipDivisor = skip + 1;
    if (skip == s.M + 1) s.skipDivisor = s.M + 1;  // the default stands outside the range
    s.B = real(a, 7, 0.0f, 6.0f, 4.0f);
    s.k = real(a, 8, -6.0f, 6.0f, 2.0f);

    // The Julia constant: a valid part makes a Julia drawing, the other part counting 0.
    rt::Value& e9 = a[8];
    rt::Value& e10 = a[9];
    bool valid9 = false, valid10 = false;
    if (finiteNumber(e9) && float(e9.num()) >= -2.0f && float(e9.num()) <= 2.0f) {
        valid9 = true;
        s.cx = float(e9.num());
    } else {
        e9 = e9.isNumber() ? rt::Value(0.0) : rt::Value();
    }
    if (finiteNumber(e10) && float(e10.num()) >= -2.0f && float(e10.num()) <= 2.0f) {
        valid10 = true;
        s.cy = float(e10.num());
    } else {
        e10 = (!e10.isNumber() || e9.isNil()) ? rt::Value() : rt::Value(0.0);
    }
    s.julia = valid9 || valid10;

    s.outScheme = integer(a, 11, 0, 6, 3);
    s.outFlags = integer(a, 12, 0, 7, 0);
    s.outCurve = integer(a, 13, 0, 4, 1);
    s.inScheme = integer(a, 14, 0, 6, 5);
    s.inFlags = integer(a, 15, 0, 7, 0);
    s.inCurve = integer(a, 16, 0, 4, 1);
    s.order = integer(a, 17, 0, 4, 0);
    s.zoomMode = integer(a, 18, 0, 4, 0);
    s.activity = integer(a, 19, 0, 2, 0);
    s.zoomFactor = integer(a, 20, 2, 20, 5);
    s.dottedMark = integer(a, 21, 0, 1, 0);
    s.test = integer(a, 22, 0, 14, 0);
    if (s.top < s.bottom) std::swap(s.top, s.bottom);
    if (s.right < s.left) std::swap(s.right, s.left);
    return s;
}

FractalIteration fractalIterate(const FractalSettings& s, float px, float py) {
    const float cx = s.julia ? s.cx : px, cy = s.julia ? s.cy : py;
    float x = px, y = py;
    float x2 = x * x, y2 = y * y;
    FractalIteration it;
    it.T = x2 + y2;
    while (it.n <= s.M && it.T <= s.B) {
        const float t = x;
        x = x2 - y2 + cx;
        y = s.k * t * y + cy;
        x2 = x * x;
        y2 = y * y;
        it.T = testValue(s.test, x2, y2);
        ++it.n;
    }
    return it;
}

uint32_t fractalBaseColour(uint32_t rgb, int scheme, int flags) {
    int r = rgbRed(rgb), g = rgbGreen(rgb), b = rgbBlue(rgb);
    if (!(flags & 4)) {
        r = (r >= g && r >= b) ? 255 : 0;
        g = (g >= r && g >= b) ? 255 : 0;
        b = (b >= r && b >= g) ? 255 : 0;
    }
    if (scheme == 4) r = 255 - r, g = 255 - g, b = 255 - b;
    return color2rgb(r, g, b);
}

std::optional<uint32_t> fractalColour(const FractalSettings& s, const FractalColours& bases, const GRAPHICS& g,
                                      const FractalIteration& it, size_t colourRows) {
    const bool captured = it.n > s.M;
    double t;
    int scheme, flags, curve;
    uint32_t base;
    if (captured) {
        scheme = s.inScheme, flags = s.inFlags, curve = s.inCurve, base = bases.insideBase;
        // Without a bail-out there is no ramp to place the point on: take its start.
        t = s.B > 0.0f ? std::min(1.0, double(it.T / s.B)) : 0.0;
    } else {
        if (it.n < s.M / s.skipDivisor) return std::nullopt;
        scheme = s.outScheme, flags = s.outFlags, curve = s.outCurve, base = bases.outsideBase;
        t = double(float(it.n) / float(s.M));
    }
    if (!std::isfinite(t)) t = 1.0;
    switch (scheme) {
        case 0: return std::nullopt;
        case 1: return 0u;
        case 2: return g._NBACKGRCOLOR;
        case 6: {
            if (colourRows == 0) return 0u;
            const double N = double(colourRows);
            const int r = std::clamp(int(rt::Integer(t * N)), 1, int(colourRows));
            const ColorRow& row = ColorTable[size_t(r - 1)];
            return color2rgb(row[0], row[1], row[2]);
        }
        default: return ramp(base, flags, curve, t);
    }
}

int fractalInterleavedRow(int i, int H) {
    const int h = H % 2;
    const int half = (H - 1) / 2;
    const bool odd = i % 2 != 0;
    if ((i <= half && odd) || (i > half && !odd)) return (H - 1) - i + h;
    return i;
}

bool APPLICATIONEXECCLOSEONQUIT() {
    gui::APPLICATIONEXEC();
    const gui::APPLICATION* application = gui::APPLICATION::instance();
    return application && application->quitRequested();
}

namespace {

// Where the escape counts change most, row by row in strips of W div F pixels. Only the pixels
// that land on the canvas are worked out, so an area partly off the canvas takes its zoom spot
// from the strips of its visible pixels alone (the strips still counted from the area's own
// column 0); an area wholly off the canvas marks none and zooms on its centre.
struct ZoomMark {
    int S = 0, W = 0, M = 0, measure = 0;
    int lastRow = -1;
    double A = 0.0, Ab = 0.0;
    int Lc = 0;
    float mc = 0.0f, mr = 0.0f;

    void step(int c, int r, int n, bool forward) {
        if (r != lastRow) {
            A = 0.0;
            lastRow = r;
        } else if (c == W - 1 || c == 0 || (S != 0 && c % S == 0)) {
            if (A > Ab) {
                if (!forward) mc = float(c + S / 2);
                else mc = float(c == 0 ? (W - 1) - S / 2 : c - S / 2);
                mr = float(r);
                Ab = A;
            }
            A = 0.0;
        }
        if (n != Lc && n <= M) {
            A += measure == 0 ? 1.0 : measure == 1 ? double(n) : std::abs(double(Lc - n));
            Lc = n;
        }
    }
};

// Pixel order 3: a spiral from the area's centre in legs of 1, 1, 2, 2, 3, 3, ... pixels,
// turning up, right, down, left; the direction flag of the zoom mark flips on the last step
// of every horizontal leg. Only the pixels of [c0, c1] x [r0, r1] are visited, in spiral
// order; the steps of a leg outside that box are passed over at once.
template <class Visit>
void spiralOrder(int W, int H, int c0, int c1, int r0, int r1, const Visit& visit) {
    static const int dc[4] = {0, 1, 0, -1}, dr[4] = {1, 0, -1, 0};
    int64_t c = W / 2, r = H / 2;
    bool forward = true;
    const int64_t total = int64_t(c1 - c0 + 1) * (r1 - r0 + 1);
    int64_t done = 0;
    if (c >= c0 && c <= c1 && r >= r0 && r <= r1) {
        if (!visit(int(c), int(r), forward)) return;
        ++done;
    }
    // The steps k (1..length) of a leg at p + d * k that stay within [lo, hi].
    const auto within = [](int64_t p, int d, int64_t lo, int64_t hi, int64_t& first, int64_t& last) {
        if (d > 0) first = std::max(first, lo - p), last = std::min(last, hi - p);
        else first = std::max(first, p - hi), last = std::min(last, p - lo);
    };
    for (int64_t leg = 0; done < total; ++leg) {
        const int dir = int(leg % 4);
        const int64_t length = leg / 2 + 1;
        const bool horizontal = dir == 1 || dir == 3;
        int64_t first = 1, last = length;
        if (horizontal) {
            if (r < r0 || r > r1) last = 0;
            else within(c, dc[dir], c0, c1, first, last);
        } else {
            if (c < c0 || c > c1) last = 0;
            else within(r, dr[dir], r0, r1, first, last);
        }
        for (int64_t k = first; k <= last; ++k) {
            const bool flag = horizontal && k == length ? !forward : forward;
            if (!visit(int(c + dc[dir] * k), int(r + dr[dir] * k), flag)) return;
            ++done;
        }
        c += dc[dir] * length;
        r += dr[dir] * length;
        if (horizontal) forward = !forward;
    }
}

}  // namespace

void setFractalPixelHook(std::function<void()> hook) { pixelHook = std::move(hook); }

OBJECTFRACTAL::OBJECTFRACTAL(GRAPHICS* g, double nX, double nY, double nWidth, double nHeight, double nAlign,
                             rt::Value aParam, bool stop)
    : OBJECTSHAPE(g), fX(nX), fY(nY), fWidth(nWidth), fHeight(nHeight),
      nAlign(static_cast<uint16_t>(std::clamp(rt::toInt32(nAlign), 0, 65535))), aParam_(std::move(aParam)),
      lStop(stop && g && g->_ODEVICE && g->_ODEVICE->_NDEVICETYP == kWindowDevice) {
    if (!aParam_.isArray()) aParam_ = rt::Value::array();
    if (aParam_.arr()->size() < kFractalParameterCount) aParam_.arr()->resize(kFractalParameterCount);
}

OBJECTSHAPE& OBJECTFRACTAL::DESTROY() {
    OBJECTSHAPE::DESTROY();
    aParam_ = rt::Value();
    return *this;
}

OBJECTSHAPE& OBJECTFRACTAL::DRAW() {
    GRAPHICS* g = oCanvas_;
    if (!g || !g->_ODEVICE) return *this;
    // The events pumped between pixels may close the window, which lets go of its canvas:
    // the canvas stays valid, without its device, until this drawing has seen that and ended.
    const GRAPHICS::Hold hold(g);
    const Device* handle = g->_ODEVICE;

    RunningRow* row = nullptr;
    if (lStop) {
        for (RunningRow& r : RunningFractalTable)
            if (r.handle && r.handle == handle && r.object) r.object->_LSTOP = true;
        for (RunningRow& r : RunningFractalTable)
            if (!r.handle) {
                r = {handle, this};
                row = &r;
                break;
            }
    }
    const auto freeRow = [&] {
        if (row) *row = {};
    };

    const size_t colourRows = ColorTable.size();
    const FractalSettings s = NORMALIZEFRACTALPARAMETERS(aParam_);

    const DeviceBox area = g->placeBox(g->wideX(fX), g->wideY(fY), g->wideW(fWidth), g->wideH(fHeight), nAlign);
    const int32_t x0 = area.left, y0 = area.bottom, W = area.width(), H = area.height();
    if (W <= 0 || H <= 0) {
        freeRow();
        return *this;
    }

    // The window: the parameters', or one the canvas remembers.
    float top = s.top, bottom = s.bottom, left = s.left, right = s.right;
    const bool marking = s.zoomMode == 1 || s.zoomMode == 3;
    if ((s.zoomMode == 2 || s.zoomMode == 3) && g->_R4TOP != 0.0f)
        top = g->_R4TOP, bottom = g->_R4BOTTOM, left = g->_R4LEFT, right = g->_R4RIGHT;
    if (s.zoomMode == 4 && g->_R4TOPV != 0.0f)
        top = g->_R4TOPV, bottom = g->_R4BOTTOMV, left = g->_R4LEFTV, right = g->_R4RIGHTV;
    g->_R4TOPV = top, g->_R4BOTTOMV = bottom, g->_R4LEFTV = left, g->_R4RIGHTV = right;
    ZoomMark mark;
    mark.S = W / s.zoomFactor;
    mark.W = W;
    mark.M = s.M;
    mark.measure = s.activity;

    FractalColours bases;
    bases.outsideBase = fractalBaseColour(s.outScheme == 5 ? g->_NBACKGRCOLOR : g->_NLINECOLOR, s.outScheme, s.outFlags);
    bases.insideBase = fractalBaseColour(s.inScheme == 5 ? g->_NBACKGRCOLOR : g->_NLINECOLOR, s.inScheme, s.inFlags);

    // Only the pixels that land on the canvas are worked out: an area far larger than the
    // canvas, or lying mostly off it, costs no more than the part that can be seen. Every
    // order visits those pixels in the order it would visit them in the whole area.
    const int64_t canvasLeft = g->_OORIGIN.X(), canvasBottom = g->_OORIGIN.Y();
    const int c0 = int(std::max<int64_t>(0, canvasLeft - x0));
    const int c1 = int(std::min<int64_t>(W - 1, canvasLeft + g->_ODIM.WIDTH() - 1 - x0));
    const int r0 = int(std::max<int64_t>(0, canvasBottom - y0));
    const int r1 = int(std::min<int64_t>(H - 1, canvasBottom + g->_ODIM.HEIGHT() - 1 - y0));
    const bool seen = c0 <= c1 && r0 <= r1;
    const int visibleW = seen ? c1 - c0 + 1 : 0, visibleH = seen ? r1 - r0 + 1 : 0;

    gdi::HDC dc = SELECTDRAWDC(1);
    gdi::HDC refresh = SELECTDRAWDC(2);
    const int previousRop = dc ? gdi::SetROP2(dc, g->_NRASTERMODE) : 0;
    if (refresh) gdi::SetROP2(refresh, g->_NRASTERMODE);

    gdi::HBRUSH brush = nullptr;
    uint32_t brushColour = 0;
    // Single-precision spans; an area one pixel wide or high shows the window's low edge.
    const float spanX = right - left, spanY = top - bottom;
    const float dW = W > 1 ? float(W - 1) : 1.0f, dH = H > 1 ? float(H - 1) : 1.0f;

    bool lost = false, quitting = false;
    // One pixel of the area; false when the drawing ends.
    const auto visit = [&](int c, int r, bool forward) {
        const float px = left + (spanX * float(c)) / dW;
        const float py = bottom + (spanY * float(r)) / dH;
        const FractalIteration it = fractalIterate(s, px, py);
        // Modes 1 and 3 mark the zoom spot among the visible pixels only (see ZoomMark).
        if (marking && s.order != 4) mark.step(c, r, it.n, forward);
        const std::optional<uint32_t> colour = fractalColour(s, bases, *g, it, colourRows);
        if (!colour) return true;
        if (!brush || brushColour != *colour) {
            if (brush) gdi::DeleteObject(brush);
            brush = gdi::CreateSolidBrush(*colour);
            brushColour = *colour;
        }
        if (lStop) {
            const bool quit = APPLICATIONEXECCLOSEONQUIT();
            if (pixelHook) pixelHook();
            if (!g->_ODEVICE) {
                lost = true;
                return false;
            }
            // The events may have resized the window, which makes a new refresh bitmap.
            dc = SELECTDRAWDC(1);
            refresh = SELECTDRAWDC(2);
            if (quit) {
                quitting = true;
                return false;
            }
        }
        const gdi::RECT rect{x0 + c, y0 + r, x0 + c + 1, y0 + r - 1};
        if (dc) gdi::FillRect(dc, &rect, brush);
        if (refresh) gdi::FillRect(refresh, &rect, brush);
        return !_LSTOP;
    };
    // The rows of the area in pixel order 0, 1 or 2, each from its first seen column on.
    const auto rowsInOrder = [&](const auto& rowOf) {
        for (int i = 0; i < H; ++i) {
            const int r = rowOf(i);
            if (r < r0 || r > r1) continue;
            for (int c = c0; c <= c1; ++c)
                if (!visit(c, r, true)) return;
        }
    };
    if (!seen || _LSTOP) {
        // Nothing of the area lies on the canvas.
    } else if (s.order == 1) {
        rowsInOrder([&](int i) { return (H - 1) - i; });
    } else if (s.order == 2) {
        rowsInOrder([&](int i) { return fractalInterleavedRow(i, H); });
    } else if (s.order == 3) {
        spiralOrder(W, H, c0, c1, r0, r1, visit);
    } else if (s.order == 4) {
        // Each column takes a fresh row at random on every pass; the visited map covers the
        // seen part of the area only.
        std::mt19937 random(0);
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        std::vector<uint8_t> visited(size_t(visibleW) * size_t(visibleH), 0);
        const size_t rows = size_t(visibleH);
        bool going = true;
        for (int i = 0; i < visibleH && going; ++i) {
            for (int c = c0; c <= c1 && going; ++c) {
                const size_t base = size_t(c - c0) * rows;
                size_t start = base + size_t(rt::Integer(uniform(random) * double(rows))) + 1;
                start = std::min(start, base + rows);
                size_t found = 0;
                for (size_t k = start; k <= base + rows && !found; ++k)
                    if (!visited[k - 1]) found = k;
                for (size_t k = start - 1; k > base && !found; --k)
                    if (!visited[k - 1]) found = k;
                if (!found) found = start;  // cannot happen: each column has one pass per row
                visited[found - 1] = 1;
                going = visit(c, r0 + int(found % rows), true);
            }
        }
    } else {
        rowsInOrder([](int i) { return i; });
    }
    if (brush) gdi::DeleteObject(brush);
    if (!lost && !quitting && marking) {
        int S = mark.S;
        float mc = mark.mc, mr = mark.mr;
        if (mc == 0.0f) {
            S = W / 2;
            mc = float(W) / 2.0f;
            mr = float(H) / 2.0f;
        }
        const int Hb = rt::toInt32(double(float(S) * (float(H) / float(W))));
        const float cx = left + (spanX * mc) / dW, cy = bottom + (spanY * mr) / dH;
        const float hw = (spanX * (float(S) / float(W))) / 2.0f;
        const float hh = (spanY * (float(Hb) / float(H))) / 2.0f;
        if (double(spanY) - 2.0 * double(hh) < 0.00001) {
            g->_R4TOP = 0.0f;  // too small to zoom further: start again from the parameters
        } else {
            g->_R4TOP = cy + hh, g->_R4BOTTOM = cy - hh, g->_R4RIGHT = cx + hw, g->_R4LEFT = cx - hw;
        }
        if (s.dottedMark == 1 && g->_R4TOP != 0.0f) {
            int x1 = std::max(rt::toInt32(double(mc) - S / 2.0), 0), y1 = std::max(rt::toInt32(double(mr) - Hb / 2.0), 0);
            int x2 = std::min(rt::toInt32(double(mc) - S / 2.0) + S, W - 1);
            int y2 = std::min(rt::toInt32(double(mr) - Hb / 2.0) + Hb, H - 1);
            x1 += x0, x2 += x0, y1 += y0, y2 += y0;
            gdi::HPEN pen = gdi::CreatePen(gdi::PS_DOT, 1, 0);
            for (gdi::HDC target : {dc, refresh}) {
                if (!target) continue;
                gdi::HGDIOBJ oldPen = gdi::SelectObject(target, pen);
                gdi::HGDIOBJ oldBrush = gdi::SelectObject(target, gdi::GetStockObject(gdi::NULL_BRUSH));
                const gdi::COLORREF oldBk = gdi::SetBkColor(target, gdi::RGB(255, 255, 255));
                gdi::Rectangle(target, x1, y1, x2, y2);
                gdi::SelectObject(target, oldBrush);
                gdi::SelectObject(target, oldPen);
                gdi::SetBkColor(target, oldBk);
            }
            gdi::DeleteObject(pen);
        }
    }
    if (!lost) {
        if (dc) gdi::SetROP2(dc, previousRop);
        if (refresh) gdi::SetROP2(refresh, previousRop);
    }
    freeRow();
    return *this;
}

GRAPHICS& PAINTFRACTAL(GRAPHICS& g, double nX, double nY, double nWidth, double nHeight, double nAlign,
                       rt::Value& aParam, bool lStop) {
    if (!aParam.isArray()) aParam = rt::Value::array();
    OBJECTFRACTAL object(&g, nX, nY, nWidth, nHeight, nAlign, aParam, lStop);
    g.drawObject(object);
    return g;
}

}  // namespace gfx
