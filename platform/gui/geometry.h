#pragma once
// The one place where the program's geometry meets Qt's.
//
// The program places windows and controls in integer pixels, y-up: an origin is the
// bottom-left corner of the box, measured from the bottom-left corner of the owner's canvas
// (the client area). Qt places them top-down from the top-left corner. A box keeps its
// distance from the owner's top edge when the owner changes its height, as on the platform,
// so the y-up origin of a control follows the owner's current height.
//
// Dialog templates give positions and sizes in dialog units, top-down from the form's
// top-left corner. A dialog unit is a quarter of the dialog font's average character width
// horizontally and an eighth of its character height vertically (the base units); position
// and size are each converted with MulDiv(value, base, 4 or 8). The program's template
// font is 8-point "Arial" (11 pixels at 96 dpi); through the project's fontconfig it is
// Liberation Sans, whose base units dialogBaseUnits measures as 6 x 12 pixels.
#include <QFont>
#include <QRect>

#include "platform/gui/gdiobjects.h"

namespace gui {

// Top-down Qt rectangle of a y-up box inside a parent whose client height is parentHeight.
QRect toQtRect(const POINT& origin, const DIMENSION& size, int parentHeight);
// y-up origin of a top-down Qt rectangle inside a parent whose client height is parentHeight.
POINT toYUpOrigin(const QRect& rect, int parentHeight);
// A top-down Qt rectangle (relative to a parent of height parentHeight) as a y-up box.
BOUNDINGBOX toBoundingBox(const QRect& rect, int parentHeight);

struct DialogBaseUnits {
    int x = 6;   // average character width in pixels
    int y = 12;  // character height in pixels
};

// Base units of a dialog font: the average width of "A".."Z" and "a".."z" rounded to the
// nearest pixel, and the font's height (ascent + descent).
DialogBaseUnits dialogBaseUnits(const QFont& dialogFont);
// Base units of the program's template font, 8-point Arial (measured once, then cached).
DialogBaseUnits templateBaseUnits();

// A template rectangle (dialog units, top-down) in pixels, top-down.
QRect dialogUnitsToPixels(const QRect& dialogUnits, const DialogBaseUnits& base);
QRect dialogUnitsToPixels(int x, int y, int w, int h, const DialogBaseUnits& base);

}  // namespace gui
