// The smoothing spline.
#include "graphics/canvas/shapes_spline.h"

#include <algorithm>
#include <cmath>

namespace gfx {

int32_t OBJECTSPLINE::LOADPOINTS() {
    GRAPHICS& g = *oCanvas_;
    int32_t n = points_ ? static_cast<int32_t>(points_->size()) : 0;
    X_.assign(n + 1, 0.0);
    Y_.assign(n + 1, 0.0);
    DY_.assign(n + 1, 0.0);
    A_.assign(n + 1, 0.0);
    B_.assign(n + 1, 0.0);
    C_.assign(n + 1, 0.0);
    D_.assign(n + 1, 0.0);
    W_.assign(n + 1, std::array<double, 8>{});
    double previous = 0.0;
    for (int32_t i = 1; i <= n; ++i) {
        const auto& row = (*points_)[i - 1];
        // A row without both coordinates, or with one that is no finite number, ends the list
        // like a falling x does: no curve passes through such a point.
        const double x = row.size() >= 2 ? row[0] * g._FFACTORX + g._NOFFSETX : previous;
        const double y = row.size() >= 2 ? row[1] * g._FFACTORY + g._NOFFSETY : 0.0;
        if (!(x > previous) || !std::isfinite(x) || !std::isfinite(y)) {
            n = i - 1;
            break;
        }
        X_[i] = x;
        Y_[i] = y;
        DY_[i] = row.size() >= 3 && row[2] > 0.0 && std::isfinite(row[2]) ? row[2] : 30.0;
        previous = x;
    }
    n_ = n;
    return n_;
}

OBJECTSHAPE& OBJECTSPLINE::DRAW() {
    GRAPHICS& g = *oCanvas_;
    if (LOADPOINTS() < 2) return *this;
    CALCULATESPLINE();
    // Only the columns that can reach the canvas are drawn, with a margin for the pen: a
    // point millions of pixels off would otherwise cost a stroke per column up to it.
    const int64_t first = wholeWide(X_[1]), last = wholeWide(X_[n_]);
    const int64_t margin = int64_t(std::max(g._NLINEWIDTH, 1)) + 1;
    const int64_t lo = std::max(first, int64_t(g._OORIGIN.X()) - margin);
    const int64_t hi = std::min(last, int64_t(g._OORIGIN.X()) + g._ODIM.WIDTH() - 1 + margin);
    if (lo > hi) return *this;
    // The curve's row at a drawn column: the ends at the points' own x, as far as the device
    // range reaches.
    const auto row = [&](int64_t x) {
        return deviceClamp(GETCOORDINATE(x == first ? X_[1] : x == last ? X_[n_] : double(x)));
    };
    for (int k = 1; k <= 2; ++k) {
        gdi::HDC dc = SELECTDRAWDC(k);
        if (!dc) break;
        gdi::HPEN pen = gdi::CreatePen(g._NLINEPATTERN, g._NLINEWIDTH, g._NLINECOLOR);
        gdi::HGDIOBJ oldPen = pen ? gdi::SelectObject(dc, pen) : nullptr;
        const int oldMode = gdi::SetBkMode(dc, gdi::TRANSPARENT);
        const int oldRop = gdi::SetROP2(dc, g._NRASTERMODE);
        gdi::MoveToEx(dc, int32_t(lo), row(lo), nullptr);
        for (int64_t x = lo + 1; x <= hi - 1; ++x) gdi::LineTo(dc, int32_t(x), row(x));
        gdi::LineTo(dc, int32_t(hi), hi == last ? deviceClamp(GETCOORDINATE(X_[n_])) : row(hi));
        gdi::SetROP2(dc, oldRop);
        gdi::SetBkMode(dc, oldMode);
        if (pen) {
            gdi::SelectObject(dc, oldPen);
            gdi::DeleteObject(pen);
        }
    }
    return *this;
}

OBJECTSHAPE& OBJECTSPLINE::DESTROY() {
    OBJECTSHAPE::DESTROY();
    points_ = nullptr;
    X_.clear(), Y_.clear(), DY_.clear(), A_.clear(), B_.clear(), C_.clear(), D_.clear(), W_.clear();
    return *this;
}

void OBJECTSPLINE::CALCULATESPLINE() {
    const int n = n_;
    if (S_ == -1.0) S_ = 10000.0;
    if (n < 3 || S_ < -0.00001) {
        for (int i = 1; i <= n - 1; ++i) {
            A_[i] = Y_[i];
            B_[i] = (Y_[i + 1] - Y_[i]) / h(i);
            C_[i] = D_[i] = 0.0;
        }
        A_[n] = Y_[n];
        return;
    }
    INITSPLINE();
    double p = 1.0, q = 0.0;
    bool interpolate = true;
    if (S_ > 0.00001) {
        SUBSTITUTION(0.0);
        double F0 = 0.0;
        for (int i = 1; i <= n; ++i) F0 += (A_[i] * DY_[i]) * (A_[i] * DY_[i]);
        F0 *= 36.0;
        double E = 0.0;
        for (int i = 2; i <= n; ++i) E += h(i - 1) * (C_[i - 1] * (C_[i - 1] + C_[i]) + C_[i] * C_[i]);
        if (F0 <= S_) S_ = F0 - 0.0001;
        // Points on (or within a hair of) one straight line leave nothing to smooth: the
        // secant passes would take roots of zero and divide by zero, and the interpolating
        // curve is that line.
        if (S_ > 0.00001 && E > 0.0) {
            interpolate = false;
            const double r = 1.0 / std::sqrt(S_);
            double gOld = 1.0 / std::sqrt(F0);
            q = -(gOld - r) * F0 / (6.0 * E * gOld);
            double qPrev = 0.0;
            int passes = 0;
            for (;;) {
                p = q / (1.0 + q);
                SUBSTITUTION(p);
                double F = 0.0;
                for (int i = 1; i <= n; ++i) F += (A_[i] * DY_[i]) * (A_[i] * DY_[i]);
                F = 36.0 * F / ((1.0 + q) * (1.0 + q));
                ++passes;
                if (std::fabs(F - S_) <= 0.01 * S_ || passes > 100) break;
                const double gNew = 1.0 / std::sqrt(F);
                const double step = (q - qPrev) / (gNew - gOld) * (gNew - r);
                if (!std::isfinite(step)) break;  // the secant has flattened out: keep this pass
                qPrev = q;
                q -= step;
                gOld = gNew;
            }
            p = q / (1.0 + q);
        }
    }
    if (interpolate) {
        p = 1.0;
        q = 0.0;
        SUBSTITUTION(1.0);
    }
    const double k = q > 0.0 ? 6.0 / (1.0 + q) : 0.0;
    for (int i = 1; i <= n; ++i) A_[i] = Y_[i] - k * DY_[i] * DY_[i] * A_[i];
    for (int i = 1; i <= n; ++i) C_[i] = C_[i] * 6.0 * p;
    for (int i = 1; i <= n - 1; ++i) {
        D_[i] = (C_[i + 1] - C_[i]) / h(i);
        B_[i] = (A_[i + 1] - A_[i]) / h(i) - ((C_[i] + D_[i] / 3.0 * h(i)) / 2.0) * h(i);
    }
}

void OBJECTSPLINE::INITSPLINE() {
    const int n = n_;
    auto& W = W_;
    for (int i = 1; i <= n - 1; ++i) W[i][4] = h(i);
    for (int i = 2; i <= n - 1; ++i) {
        W[i][1] = DY_[i - 1] / h(i - 1);
        W[i][2] = -DY_[i] / h(i) - DY_[i] / h(i - 1);
        W[i][3] = DY_[i + 1] / h(i);
    }
    W[n][1] = 0.0;
    for (int i = 2; i <= n - 1; ++i) W[i][5] = W[i][1] * W[i][1] + W[i][2] * W[i][2] + W[i][3] * W[i][3];
    for (int i = 3; i <= n - 1; ++i) W[i - 1][6] = W[i - 1][2] * W[i][1] + W[i - 1][3] * W[i][2];
    W[n - 1][6] = 0.0;
    for (int i = 4; i <= n - 1; ++i) W[i - 2][7] = W[i - 2][3] * W[i][1];
    W[n - 2][7] = 0.0;
    W[n - 1][7] = 0.0;
    for (int i = 2; i <= n - 1; ++i) D_[i] = (Y_[i + 1] - Y_[i]) / h(i) - (Y_[i] - Y_[i - 1]) / h(i - 1);
}

void OBJECTSPLINE::SUBSTITUTION(double p) {
    const int n = n_;
    auto& W = W_;
    auto& C = C_;
    const double f = 6.0 * (1.0 - p);
    for (int i = 2; i <= n - 1; ++i) {
        W[i][1] = f * W[i][5] + 2.0 * p * (h(i - 1) + h(i));
        W[i][2] = f * W[i][6] + p * h(i);
        W[i][3] = f * W[i][7];
    }
    if (n >= 4) {
        for (int i = 2; i <= n - 2; ++i) {
            double t = W[i][2] / W[i][1];
            W[i + 1][1] -= t * W[i][2];
            W[i + 1][2] -= t * W[i][3];
            W[i][2] = t;
            t = W[i][3] / W[i][1];
            W[i + 2][1] -= t * W[i][3];
            W[i][3] = t;
        }
        C[1] = 0.0;
        C[2] = D_[2];
        W[1][3] = 0.0;
        for (int i = 2; i <= n - 2; ++i) C[i + 1] = D_[i + 1] - W[i][2] * C[i] - W[i - 1][3] * C[i - 1];
        C[n] = 0.0;
        C[n - 1] = C[n - 1] / W[n - 1][1];
        for (int i = n - 2; i >= 2; --i) C[i] = C[i] / W[i][1] - C[i + 1] * W[i][2] - C[i + 2] * W[i][3];
    } else if (n == 3) {
        C[1] = 0.0;
        C[2] = D_[2] / W[2][1];
        C[3] = 0.0;
    }
    double prev = 0.0;
    for (int i = 2; i <= n; ++i) {
        A_[i] = (C[i] - C[i - 1]) / h(i - 1);
        A_[i - 1] = A_[i] - prev;
        prev = A_[i];
    }
    A_[n] = -A_[n];
}

double OBJECTSPLINE::VALUEAT(double x) const {
    if (n_ < 2) return 0.0;
    int i = n_ - 1;
    for (int k = 1; k <= n_ - 1; ++k) {
        if (X_[k] <= x && x <= X_[k + 1]) {
            i = k;
            break;
        }
    }
    if (x < X_[1]) i = 1;
    const double hh = x - X_[i];
    return A_[i] + hh * (B_[i] + hh * (C_[i] + hh * D_[i] / 3.0) / 2.0);
}

int32_t OBJECTSPLINE::GETCOORDINATE(double x) const { return whole(VALUEAT(x)); }

}  // namespace gfx
