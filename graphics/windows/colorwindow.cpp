#include "graphics/windows/colorwindow.h"

#include <cmath>
#include <string>

#include "graphics/canvas/colors.h"

namespace gfx {

uint16_t gwColorNumber = 16;

namespace {

std::string captionFor(unsigned number) { return "Color Window - Current color number is " + std::to_string(number); }

}  // namespace

GCOLORWINDOW::GCOLORWINDOW(gui::WINDOW* owner) : GCHILDAPPWINDOW(owner) {
    SIZE(DIMENSION(512, 383));
    lPaintCurrentOnly = false;
    CAPTION(captionFor(gwColorNumber));
}

void GCOLORWINDOW::PAINT() {
    if (_OGRAPHICS) PAINT(*_OGRAPHICS);
}

void GCOLORWINDOW::paintCurrent(GRAPHICS& g) {
    g.SETFILLCOLOR(static_cast<int>(gwColorNumber));
    g.PAINTRECTANGLE(nCurrentX, nCurrentY, nCurrentWidth + 1, nCurrentHeight + 1, 1.0, 2.0);
    if (nCurrentWidth > g.GETSTRINGWIDTH("Current Color")) {
        g.PAINTSTRINGSHADOW(nCurrentX + (nCurrentWidth >> 1), nCurrentY - (nCurrentHeight >> 1), "Current Color", 10.0);
    }
}

void GCOLORWINDOW::PAINT(GRAPHICS& g) {
    if (ISICONIC()) return;
    const int W = g.GETDEVICEWIDTH(), H = g.GETDEVICEHEIGHT();
    g.SETSTRINGFONT(FontFace(32), 6.0, 12.0, 2.0, 0.0, 0.0);
    g.SETSTRINGSHADOW(2, 7, 7);
    g.SETLINECOLOR(16);
    if (lPaintCurrentOnly) {
        paintCurrent(g);
        lPaintCurrentOnly = false;
        return;
    }
    const int n = static_cast<int>(ColorTable.size());
    int cols = static_cast<int>(std::sqrt(static_cast<double>(n)));
    int rows = cols;
    if (rows * cols < n) {
        ++rows;
        if (rows * cols < n) ++cols;
    }
    // An empty table leaves no grid; the box then fills the canvas.
    const int cw = cols > 0 ? W / cols : 0, ch = rows > 0 ? H / rows : 0;
    const int restW = W - cw * cols, restH = H - ch * rows;
    int k = 0, x = 0, y = H - 1, sr = 0;
    aCells.clear();
    bool exhausted = false;
    for (int r = 1; r <= rows && !exhausted; ++r) {
        sr = r == rows ? y : (r < restH ? ch + 1 : ch);
        x = 0;
        for (int c = 1; c <= cols; ++c) {
            if (++k > n) {
                exhausted = true;
                break;
            }
            g.SETFILLCOLOR(k);
            const int sc = c == cols ? W - x - 1 : (c < restW ? cw + 1 : cw);
            g.PAINTRECTANGLE(x, y, sc + 1, sr + 1, 1.0, 2.0);
            g.PAINTSTRING(x + (sc >> 1), y - (sr >> 1), std::to_string(k), 10.0);
            aCells.push_back(Cell{x, y, sc + 1, sr + 1});
            x += sc;
        }
        if (!exhausted) y -= sr;
    }
    if (rows == 0) {
        x = 0;
        y = H - 1;
        sr = H - 1;
    }
    nCurrentX = x;
    nCurrentY = y;
    nCurrentWidth = W - x - 1;
    nCurrentHeight = sr;
    paintCurrent(g);
}

void GCOLORWINDOW::MOUSEBUTTONUP(gui::MouseEvent& event) {
    GCHILDAPPWINDOW::MOUSEBUTTONUP(event);
    if (!event.ISLEFTBUTTON()) return;
    const int px = event.POSITION().X(), py = event.POSITION().Y();
    for (size_t i = 0; i < aCells.size(); ++i) {
        const Cell& c = aCells[i];
        if (c.x <= px && px < c.x + c.width && c.y - c.height < py && py <= c.y) {
            const auto number = static_cast<uint16_t>(i + 1);
            if (number == gwColorNumber) return;
            gwColorNumber = number;
            CAPTION(captionFor(number));
            lPaintCurrentOnly = true;
            PAINTNEW();
            // A window that could not paint (iconic, hidden, too small) must not keep the
            // request for a later full paint.
            lPaintCurrentOnly = false;
            COLORCHANGED(number);
            return;
        }
    }
}

void GCOLORWINDOW::DESTROY() {
    aCells.clear();
    GCHILDAPPWINDOW::DESTROY();
}

}  // namespace gfx
