#include "ui/appicon.h"

#include <QPainter>
#include <QPolygonF>

namespace ui {

QPixmap appIconPixmap(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double s = size / 32.0;
    // the sheet
    p.setPen(QPen(QColor(40, 70, 40), 1.0 * s));
    p.setBrush(QColor(250, 250, 240));
    p.drawRect(QRectF(3 * s, 4 * s, 18 * s, 22 * s));
    p.setPen(QPen(QColor(90, 120, 90), 1.0 * s));
    for (int row = 1; row < 5; ++row) p.drawLine(QPointF(3 * s, (4 + row * 4.4) * s), QPointF(21 * s, (4 + row * 4.4) * s));
    p.drawLine(QPointF(10 * s, 4 * s), QPointF(10 * s, 26 * s));
    // the arrow out of it
    QPolygonF arrow;
    arrow << QPointF(14 * s, 12 * s) << QPointF(22 * s, 12 * s) << QPointF(22 * s, 7 * s) << QPointF(30 * s, 16 * s)
          << QPointF(22 * s, 25 * s) << QPointF(22 * s, 20 * s) << QPointF(14 * s, 20 * s);
    p.setPen(QPen(QColor(20, 90, 20), 1.0 * s));
    p.setBrush(QColor(60, 160, 60));
    p.drawPolygon(arrow);
    return pm;
}

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) icon.addPixmap(appIconPixmap(size));
    return icon;
}

}  // namespace ui
