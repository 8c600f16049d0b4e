#include "platform/gui/geometry.h"

#include <QFontMetrics>

namespace gui {

QRect toQtRect(const POINT& origin, const DIMENSION& size, int parentHeight) {
    return QRect(origin.X(), parentHeight - (origin.Y() + size.HEIGHT()), size.WIDTH(), size.HEIGHT());
}

POINT toYUpOrigin(const QRect& rect, int parentHeight) {
    return POINT(rect.x(), parentHeight - (rect.y() + rect.height()));
}

BOUNDINGBOX toBoundingBox(const QRect& rect, int parentHeight) {
    return BOUNDINGBOX(toYUpOrigin(rect, parentHeight), DIMENSION(rect.width(), rect.height()));
}

DialogBaseUnits dialogBaseUnits(const QFont& font) {
    QFontMetrics fm(font);
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int total = fm.horizontalAdvance(letters);
    DialogBaseUnits b;
    b.x = (total + 26) / 52;
    b.y = fm.height();
    if (b.x <= 0) b.x = 6;
    if (b.y <= 0) b.y = 12;
    return b;
}

DialogBaseUnits templateBaseUnits() {
    static const DialogBaseUnits units = [] {
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(MulDiv(8, 96, 72));
        return dialogBaseUnits(f);
    }();
    return units;
}

QRect dialogUnitsToPixels(int x, int y, int w, int h, const DialogBaseUnits& b) {
    return QRect(MulDiv(x, b.x, 4), MulDiv(y, b.y, 8), MulDiv(w, b.x, 4), MulDiv(h, b.y, 8));
}

QRect dialogUnitsToPixels(const QRect& r, const DialogBaseUnits& b) {
    return dialogUnitsToPixels(r.x(), r.y(), r.width(), r.height(), b);
}

}  // namespace gui
