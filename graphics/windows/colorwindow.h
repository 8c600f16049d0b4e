#pragma once
// A child graphics window that shows every entry of the colour table as a numbered swatch and
// lets a left click choose the current colour number, which all colour windows share.
#include <cstdint>
#include <vector>

#include "graphics/windows/gwindows.h"

namespace gfx {

// The current colour number of the process; 16 (black) at start.
extern uint16_t gwColorNumber;

class GCOLORWINDOW : public GCHILDAPPWINDOW {
public:
    explicit GCOLORWINDOW(gui::WINDOW* owner);

    // Draws the grid on the window's own canvas.
    void PAINT() override;
    // Draws the grid on any canvas (a printer or memory canvas included); the cell list then
    // describes that grid.
    void PAINT(GRAPHICS& g);
    void MOUSEBUTTONUP(gui::MouseEvent& event) override;
    // Called after the current colour number changed; does nothing here.
    virtual uint16_t COLORCHANGED(uint16_t colorNumber) { return colorNumber; }
    void DESTROY() override;

    // One swatch: top-left corner (x, y) in y-up canvas pixels, width and height.
    struct Cell {
        int32_t x, y, width, height;
    };
    const std::vector<Cell>& cells() const { return aCells; }

protected:
    bool lPaintCurrentOnly = false;
    std::vector<Cell> aCells;
    int32_t nCurrentX = 0, nCurrentY = 0, nCurrentWidth = 0, nCurrentHeight = 0;

private:
    void paintCurrent(GRAPHICS& g);
};

}  // namespace gfx
