#include "graphics/windows/scrollwindow.h"

#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>
#include <algorithm>

#include "graphics/canvas/numeric.h"

namespace gfx {

// ---- scroll bar -----------------------------------------------------------------------------------

WindowScrollBar::WindowScrollBar(QWidget* parent, Qt::Orientation orientation) : bar_(new QScrollBar(orientation, parent)) {
    bar_->setRange(0, 100);
}

WindowScrollBar::~WindowScrollBar() { delete bar_.data(); }

int WindowScrollBar::THUMBPOSITION() const { return bar_ ? bar_->value() : 0; }

void WindowScrollBar::THUMBPOSITION(int position) {
    if (!bar_) return;
    const QSignalBlocker quiet(bar_.data());  // setting the thumb from code is no scroll request
    bar_->setValue(std::clamp(position, 0, 100));
}

void WindowScrollBar::SHOW() {
    if (bar_) bar_->show();
}

int WindowScrollBar::thickness() const {
    return bar_ ? bar_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar_.data()) : 0;
}

// ---- window --------------------------------------------------------------------------------------

GSCROLLWINDOW::GSCROLLWINDOW(gui::WINDOW* owner, std::optional<int> width, std::optional<int> height)
    : gui::CHILDAPPWINDOW(owner, true), GraphicsWindowCore(this) {
    const DIMENSION client = canvasAreaSize();
    nCanvasWidth = width.value_or(client.WIDTH());
    nCanvasHeight = height.value_or(client.HEIGHT());
    _NDEVICETYP = kWindowDevice;
    _OGRAPHICS = std::make_unique<GRAPHICS>(this, nCanvasWidth, nCanvasHeight);
    lSizing = false;
    lPainted = false;
    nLastHorzPos = nLastVertPos = 0;
}

GSCROLLWINDOW::~GSCROLLWINDOW() {
    setTimer(0);
    releaseCanvas();
}

DIMENSION GSCROLLWINDOW::canvasAreaSize() const {
    DIMENSION size = CANVASAREA().SIZE();
    int w = size.WIDTH(), h = size.HEIGHT();
    if (oVertScrollBar) w -= oVertScrollBar->thickness();
    if (oHorzScrollBar) h -= oHorzScrollBar->thickness();
    return DIMENSION(std::max(w, 0), std::max(h, 0));
}

void GSCROLLWINDOW::placeBars() {
    QWidget* s = surface();
    if (!s) return;
    const int W = s->width(), H = s->height();
    const int v = oVertScrollBar ? oVertScrollBar->thickness() : 0;
    const int hb = oHorzScrollBar ? oHorzScrollBar->thickness() : 0;
    if (oHorzScrollBar && oHorzScrollBar->bar()) oHorzScrollBar->bar()->setGeometry(0, H - hb, W - v, hb);
    if (oVertScrollBar && oVertScrollBar->bar()) oVertScrollBar->bar()->setGeometry(W - v, 0, v, H - hb);
}

void GSCROLLWINDOW::TOGGLESCROLLBARS() {
    const auto make = [this](Qt::Orientation o, int thumb) {
        auto bar = std::make_unique<WindowScrollBar>(surface(), o);
        bar->THUMBPOSITION(thumb);
        QObject::connect(bar->bar(), &QScrollBar::valueChanged, bar->bar(), [this, o](int value) {
            const ScrollEvent e{true, SB_THUMBTRACK, o == Qt::Horizontal ? value : value};
            if (o == Qt::Horizontal) {
                HORIZONTALSCROLL(e);
            } else {
                VERTICALSCROLL(e);
            }
        });
        return bar;
    };
    // The bars take room from the client area, so the second test sees the first bar.
    for (int pass = 0; pass < 2; ++pass) {
        const DIMENSION client = canvasAreaSize();
        if (nCanvasWidth > client.WIDTH()) {
            if (!oHorzScrollBar) oHorzScrollBar = make(Qt::Horizontal, 0);
            oHorzScrollBar->SHOW();
        } else if (oHorzScrollBar) {
            oHorzScrollBar.reset();
            if (_OGRAPHICS) _OGRAPHICS->_NSCROLLOFFSX = 0;
        }
        if (nCanvasHeight > canvasAreaSize().HEIGHT()) {
            if (!oVertScrollBar) oVertScrollBar = make(Qt::Vertical, 100);
            oVertScrollBar->SHOW();
        } else if (oVertScrollBar) {
            oVertScrollBar.reset();
            if (_OGRAPHICS) _OGRAPHICS->_NSCROLLOFFSY = 0;
        }
    }
    placeBars();
}

void GSCROLLWINDOW::HORIZONTALSCROLL(const ScrollEvent& event) {
    // The bar's own handling: the thumb goes where the event says.
    if (event.ISWINDOWSCROLL() && oHorzScrollBar) oHorzScrollBar->THUMBPOSITION(event.POSITION());
    if (!event.ISWINDOWSCROLL() || event.type == SB_LINEUP || event.POSITION() == nLastHorzPos) return;
    if (!_OGRAPHICS || !oHorzScrollBar) return;
    const DIMENSION client = canvasAreaSize();
    const int p = std::clamp(event.POSITION(), 0, 100);
    _OGRAPHICS->_NSCROLLOFFSX = whole((nCanvasWidth - client.WIDTH()) * p / 100.0);
    _OGRAPHICS->INTERNREFRESH(BOUNDINGBOX(POINT(0, 0), client));
    nLastHorzPos = event.POSITION();
}

void GSCROLLWINDOW::VERTICALSCROLL(const ScrollEvent& event) {
    if (event.ISWINDOWSCROLL() && oVertScrollBar) oVertScrollBar->THUMBPOSITION(event.POSITION());
    const int v = 100 - event.POSITION();
    if (!event.ISWINDOWSCROLL() || event.type == SB_LINEUP || v == nLastVertPos) return;
    if (!_OGRAPHICS || !oVertScrollBar) return;
    const DIMENSION client = canvasAreaSize();
    _OGRAPHICS->_NSCROLLOFFSY = whole((nCanvasHeight - client.HEIGHT()) * std::clamp(v, 0, 100) / 100.0);
    _OGRAPHICS->INTERNREFRESH(BOUNDINGBOX(POINT(0, 0), client));
    nLastVertPos = v;
}

void GSCROLLWINDOW::RESIZE(gui::ResizeEvent& event) {
    gui::CHILDAPPWINDOW::RESIZE(event);
    TOGGLESCROLLBARS();
}

void GSCROLLWINDOW::clipToView() {
    const DIMENSION client = canvasAreaSize();
    _OGRAPHICS->SETCLIPREGION(0, 0, std::max(nCanvasWidth, client.WIDTH()), std::max(nCanvasHeight, client.HEIGHT()), 0.0);
}

void GSCROLLWINDOW::eraseOutsideCanvas() {
    // The client area beyond the canvas shows the window's background.
    gdi::HDC dc = screenDC();
    QImage* image = dc ? gdi::GetDCImage(dc) : nullptr;
    if (!image) return;
    const DIMENSION client = canvasAreaSize();
    const QColor ground = BACKGROUND().color().qcolor();
    const int w = client.WIDTH(), h = client.HEIGHT();
    QImage patch = image->copy();
    {
        QPainter p(&patch);
        if (w > nCanvasWidth) p.fillRect(QRect(std::max(nCanvasWidth, 0), 0, w - std::max(nCanvasWidth, 0), h), ground);
        if (h > nCanvasHeight) p.fillRect(QRect(0, 0, w, h - std::max(nCanvasHeight, 0)), ground);
    }
    gdi::HBITMAP bitmap = gdi::CreateBitmapFromImage(patch);
    gdi::HDC memory = gdi::CreateCompatibleDC(nullptr);
    gdi::HGDIOBJ old = gdi::SelectObject(memory, bitmap);
    gdi::SaveDC(dc);
    gdi::SetMapMode(dc, gdi::MM_TEXT);
    gdi::SetViewportOrgEx(dc, 0, 0, nullptr);
    gdi::SelectClipRgn(dc, nullptr);
    gdi::BitBlt(dc, 0, 0, patch.width(), patch.height(), memory, 0, 0, gdi::SRCCOPY);
    gdi::RestoreDC(dc, -1);
    gdi::SelectObject(memory, old);
    gdi::DeleteDC(memory);
    gdi::DeleteObject(bitmap);
}

void GSCROLLWINDOW::PAINTNEW(std::optional<int> width, std::optional<int> height) {
    if (!_OGRAPHICS) return;
    const Repaint repaint(*this);
    const DIMENSION client = canvasAreaSize();
    if (client.WIDTH() <= 10 || client.HEIGHT() <= 10) return;
    const bool wasScrolled = _OGRAPHICS->_NSCROLLOFFSX > 0 || _OGRAPHICS->_NSCROLLOFFSY > 0;
    bool newSize = false;
    if (width && *width > 0 && *width != nCanvasWidth) {
        nCanvasWidth = *width;
        _OGRAPHICS->_NWIDTH = *width;
        newSize = true;
    }
    if (height && *height > 0 && *height != nCanvasHeight) {
        nCanvasHeight = *height;
        _OGRAPHICS->_NHEIGHT = *height;
        newSize = true;
    }
    if (newSize) {
        TOGGLESCROLLBARS();
        if (oHorzScrollBar) oHorzScrollBar->THUMBPOSITION(0);
        if (oVertScrollBar) oVertScrollBar->THUMBPOSITION(100);
        _OGRAPHICS->_NSCROLLOFFSX = 0;
        _OGRAPHICS->_NSCROLLOFFSY = 0;
        nLastHorzPos = nLastVertPos = 0;
        clipToView();
    }
    _OGRAPHICS->INTERNSETDEVPAR();
    if (ISICONIC() || !ISVISIBLE()) return;
    PAINT();
    const DIMENSION now = canvasAreaSize();
    if (wasScrolled) _OGRAPHICS->INTERNREFRESH(BOUNDINGBOX(POINT(0, 0), now));
    if (now.WIDTH() > nCanvasWidth || now.HEIGHT() > nCanvasHeight) {
        eraseOutsideCanvas();
        if (surface()) surface()->update();
    }
}

void GSCROLLWINDOW::EXPOSE(gui::ExposeEvent& event) {
    gui::CHILDAPPWINDOW::EXPOSE(event);
    if (lSizing || !_OGRAPHICS) return;
    setInExpose(true);
    exposeInner(event);
    setInExpose(false);
}

void GSCROLLWINDOW::exposeInner(gui::ExposeEvent& event) {
    if (!_OGRAPHICS->_PREFRESHMEMDC || !lPainted) {
        const DIMENSION client = canvasAreaSize();
        PAINTNEW();
        // A client area too small to paint in leaves the window unpainted, so that the first
        // exposure after it has grown paints the picture instead of copying a blank canvas.
        lPainted = client.WIDTH() > 10 && client.HEIGHT() > 10;
        return;
    }
    const DIMENSION client = canvasAreaSize();
    const int w = client.WIDTH(), h = client.HEIGHT();
    // A grown client area pulls an offset that points past the canvas back to the largest one.
    if (oHorzScrollBar && nCanvasWidth > w) {
        int p = whole(_OGRAPHICS->_NSCROLLOFFSX * 100.0 / (nCanvasWidth - w));
        if (p > 100) {
            p = 100;
            _OGRAPHICS->_NSCROLLOFFSX = nCanvasWidth - w;
        }
        oHorzScrollBar->THUMBPOSITION(p);
    }
    if (oVertScrollBar && nCanvasHeight > h) {
        int t = 100 - whole(_OGRAPHICS->_NSCROLLOFFSY * 100.0 / (nCanvasHeight - h));
        if (t <= 0) {
            t = 0;
            _OGRAPHICS->_NSCROLLOFFSY = nCanvasHeight - h;
        }
        oVertScrollBar->THUMBPOSITION(t);
    }
    clipToView();
    _OGRAPHICS->INTERNREFRESH(event.EXPOSEDAREA());
    // The refresh bitmap reaches only as far as the canvas; beyond it the screen may still
    // hold what it showed before the window grew.
    if (w > nCanvasWidth || h > nCanvasHeight) eraseOutsideCanvas();
}

intptr_t GSCROLLWINDOW::DISPATCH(gui::Event& event) {
    const intptr_t result = gui::CHILDAPPWINDOW::DISPATCH(event);
    dispatchAfter(event, [this](unsigned interval) { TIMEREVENT(interval); });
    return result;
}

void GSCROLLWINDOW::SETTIMER(unsigned interval) { setTimer(interval); }

void GSCROLLWINDOW::DESTROY() {
    destroyCanvas();
    oHorzScrollBar.reset();
    oVertScrollBar.reset();
    setTimer(0);
    gui::CHILDAPPWINDOW::DESTROY();
}

}  // namespace gfx
