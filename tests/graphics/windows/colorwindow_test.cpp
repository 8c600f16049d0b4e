#include <gtest/gtest.h>

#include <QApplication>
#include <set>

#include "graphics/canvas/colors.h"
#include "graphics/windows/colorwindow.h"
#include "graphics/windows/devices.h"

using namespace gfx;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

class Chooser : public GCOLORWINDOW {
public:
    using GCOLORWINDOW::GCOLORWINDOW;
    uint16_t COLORCHANGED(uint16_t n) override {
        changes.push_back(n);
        return n;
    }
    int boxX() const { return nCurrentX; }
    int boxY() const { return nCurrentY; }
    int boxWidth() const { return nCurrentWidth; }
    std::vector<uint16_t> changes;
};

uint32_t rgbOf(int number) {
    const ColorRow& row = ColorTable[size_t(number - 1)];
    return uint32_t(row[0]) << 16 | uint32_t(row[1]) << 8 | uint32_t(row[2]);
}

uint32_t screenAt(const GCHILDAPPWINDOW& w, int x, int y) {
    const QImage* img = w.screen();
    return img->pixel(x, img->height() - 1 - y) & 0xFFFFFF;
}

void click(GCOLORWINDOW& w, int x, int y, int buttons = 1) {
    gui::MouseEvent e(gui::WM_LBUTTONUP, gui::POINT(x, y), buttons);
    w.MOUSEBUTTONUP(e);
}

// Number of columns: cells sharing the top row.
int columns(const std::vector<GCOLORWINDOW::Cell>& cells) {
    int n = 0;
    for (const auto& c : cells) n += c.y == cells.front().y;
    return n;
}

}  // namespace

TEST(ColorWindow, GridFillsTheCanvasAndAClickChoosesTheColour) {
    gwColorNumber = 16;
    GTOPAPPWINDOW top;
    top.SIZE(gui::DIMENSION(700, 500));
    top.SHOW();
    Chooser win(&top);
    EXPECT_EQ(win.SIZE(), DIMENSION(512, 383));
    EXPECT_EQ(win.CAPTION(), "Color Window - Current color number is 16");
    win.SHOW();
    pump();
    win.PAINTNEW();

    const auto& cells = win.cells();
    ASSERT_EQ(cells.size(), ColorTable.size());
    ASSERT_EQ(ColorTable.size(), 411u);
    EXPECT_EQ(columns(cells), 20);
    const int W = win._OGRAPHICS->GETDEVICEWIDTH(), H = win._OGRAPHICS->GETDEVICEHEIGHT();
    EXPECT_EQ(cells.front().x, 0);
    EXPECT_EQ(cells.front().y, H - 1);
    EXPECT_EQ(cells[19].x + cells[19].width, W);  // the last column reaches the right edge
    // Row 21 holds 401..411 and the box fills the rest of it.
    EXPECT_EQ(cells[400].x, 0);
    EXPECT_EQ(cells[400].y - cells[400].height + 1, 0);  // the last row reaches the bottom
    EXPECT_EQ(win.boxX(), cells[410].x + cells[410].width - 1);
    EXPECT_EQ(win.boxY(), cells[410].y);
    EXPECT_EQ(win.boxWidth(), W - win.boxX() - 1);
    // The swatches show their colours, the box the current one.
    for (int number : {1, 12, 200, 411}) {
        const auto& c = cells[size_t(number - 1)];
        EXPECT_EQ(screenAt(win, c.x + 2, c.y - 2), rgbOf(number)) << number;
    }
    EXPECT_EQ(screenAt(win, W - 3, 2), rgbOf(16));

    // Clicks: a swatch, the current one again, a shared outline, the box, the right button.
    const auto& five = cells[4];
    click(win, five.x + 3, five.y - 3);
    EXPECT_EQ(gwColorNumber, 5);
    EXPECT_EQ(win.CAPTION(), "Color Window - Current color number is 5");
    EXPECT_EQ(screenAt(win, W - 3, 2), rgbOf(5));
    EXPECT_EQ(screenAt(win, cells[0].x + 2, cells[0].y - 2), rgbOf(1));  // the grid stays
    click(win, five.x + 3, five.y - 3);
    click(win, W - 3, 2);
    click(win, cells[7].x + 3, cells[7].y - 3, 2);
    EXPECT_EQ(win.changes, std::vector<uint16_t>{5});
    click(win, cells[6].x + cells[6].width - 1, cells[6].y - 3);  // outline of 7 and 8
    EXPECT_EQ(gwColorNumber, 7);

    // Another canvas: the grid in its size, and the cell list follows it.
    GMEMORY memory(2, 200, 150, false);
    win.PAINT(*memory.oGraphics);
    EXPECT_EQ(win.cells().back().x + win.cells().back().width <= 200, true);
    EXPECT_EQ(win.cells().front().y, 149);
    win.DESTROY();
    gwColorNumber = 16;
}

TEST(ColorWindow, GridShapeFollowsTheTable) {
    if (ColorTable.empty()) SETCOLORARRAY();
    const auto saved = ColorTable;
    struct Case {
        size_t colours;
        int cols;
        size_t lastRowStart;
    };
    const Case cases[] = {{421, 21, 420}, {400, 20, 380}};
    for (const Case& c : cases) {
        ColorTable = saved;
        ColorTable.resize(c.colours, ColorRow{1, 2, 3});
        GMEMORY memory(2, 420, 315, false);
        GTOPAPPWINDOW top;
        Chooser win(&top);
        win.PAINT(*memory.oGraphics);
        ASSERT_EQ(win.cells().size(), c.colours);
        EXPECT_EQ(columns(win.cells()), c.cols) << c.colours;
        if (c.colours == 400) {
            // A full grid leaves the box one pixel wide at the right edge.
            EXPECT_EQ(win.boxX(), 419);
            EXPECT_EQ(win.boxY(), 0);
            EXPECT_EQ(win.boxWidth(), 0);
        }
    }
    ColorTable = saved;
}
