#pragma once
// A memory context over a fresh colour bitmap, optionally with the y-up mapping the canvas uses
// (logical y = 0 on the bottom row, device row = height - 1 - y).
#include <QImage>

#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

namespace gdi_test {

using namespace gdi;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

inline void setYUp(HDC dc, int w, int h) {
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, w, -h, nullptr);
    SetViewportOrgEx(dc, 0, h - 1, nullptr);
    SetViewportExtEx(dc, w, h, nullptr);
}

struct Surface {
    HDC dc = nullptr;
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    int w = 0, h = 0;

    Surface(int width, int height, bool yUp = false, COLORREF fill = kWhite) : w(width), h(height) {
        dc = CreateCompatibleDC(nullptr);
        bmp = CreateCompatibleBitmap(nullptr, w, h);  // null: compatible with the screen
        old = SelectObject(dc, bmp);
        clear(fill);
        if (yUp) setYUp(dc, w, h);
    }
    ~Surface() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    QImage& image() const { return *GetDCImage(dc); }
    void clear(COLORREF c) const { image().fill(QColor(GetRValue(c), GetGValue(c), GetBValue(c))); }
    // Device pixel, top row 0.
    COLORREF at(int x, int y) const {
        const QRgb p = image().pixel(x, y);
        return RGB(qRed(p), qGreen(p), qBlue(p));
    }
    // The device rows as text: '.' for `background`, '#' for `ink`, '?' for anything else.
    std::vector<std::string> rows(COLORREF ink, COLORREF background = kWhite) const {
        std::vector<std::string> out;
        for (int y = 0; y < h; ++y) {
            std::string row;
            for (int x = 0; x < w; ++x) {
                const COLORREF c = at(x, y);
                row += c == background ? '.' : c == ink ? '#' : '?';
            }
            out.push_back(row);
        }
        return out;
    }
};

}  // namespace gdi_test
