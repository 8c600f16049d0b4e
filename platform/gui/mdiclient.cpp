#include "platform/gui/mdiclient.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>

#include "platform/gui/window.h"

namespace gui {

MdiClient::MdiClient(QWidget* parent) : QMdiArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A repaint of the window reaches the client, as the platform's client is drawn again
    // with its frame: an opaque viewport would be passed over.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent, false);
}

intptr_t MdiClient::classWindowProc(QWidget* hWnd, uint32_t message, uintptr_t wParam, intptr_t) {
    if (message == WM_ERASEBKGND && hWnd && wParam) {
        auto* painter = reinterpret_cast<QPainter*>(wParam);
        painter->fillRect(hWnd->rect(), hWnd->palette().brush(QPalette::Window));
        return 1;
    }
    return 0;
}

intptr_t MdiClient::send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // A copy: the procedure may replace itself while it runs.
    const WNDPROC proc = proc_;
    return proc ? proc(this, message, wParam, lParam) : classWindowProc(this, message, wParam, lParam);
}

void MdiClient::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    send(WM_ERASEBKGND, reinterpret_cast<uintptr_t>(&painter), 0);
    send(WM_PAINT, reinterpret_cast<uintptr_t>(&painter), 0);
    if (const QImage* picture = picture_ ? picture_() : nullptr)
        painter.drawImage(event->rect().topLeft(), *picture, event->rect());
}

}  // namespace gui
