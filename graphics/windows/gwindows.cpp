#include "graphics/windows/gwindows.h"

#include <QPainter>
#include <QPointer>
#include <QWidget>
#include <algorithm>

#include "graphics/canvas/objects.h"
#include "graphics/windows/additions.h"
#include "platform/gui/controls.h"

namespace gfx {

// ---- screen image ---------------------------------------------------------------------------

ScreenImage::~ScreenImage() { release(); }

void ScreenImage::release() {
    if (dc_) gdi::DeleteDC(dc_);
    dc_ = nullptr;
    image_.reset();
}

void ScreenImage::erase(uint32_t rgb) {
    if (image_) image_->fill(toQColor(rgb));
}

gdi::HDC ScreenImage::ensure(int width, int height, uint32_t fillRgb) {
    // A context needs a surface of at least one pixel; a smaller client area draws nothing
    // visible anyway.
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (image_ && dc_ && image_->width() == width && image_->height() == height) return dc_;
    auto image = std::make_unique<QImage>(width, height, QImage::Format_RGB32);
    image->fill(toQColor(fillRgb));
    if (image_) {
        QPainter p(image.get());
        p.drawImage(0, 0, *image_);
    }
    release();
    image_ = std::move(image);
    dc_ = gdi::CreateImageDC(image_.get());
    gdi::SetMapMode(dc_, gdi::MM_ANISOTROPIC);
    gdi::SetWindowExtEx(dc_, width, -height, nullptr);
    gdi::SetViewportOrgEx(dc_, 0, height - 1, nullptr);
    gdi::SetViewportExtEx(dc_, width, height, nullptr);
    return dc_;
}

// ---- the shared protocol ----------------------------------------------------------------------

BOUNDINGBOX boxOf(const gui::GUIOBJECT& object) { return BOUNDINGBOX(object.ORIGIN(), object.SIZE()); }

GraphicsWindowCore::GraphicsWindowCore(gui::WINDOW* window) : window_(window) {
    // Every program that has a graphics window has the library's additions to the platform.
    installPlatformAdditions();
}

DIMENSION GraphicsWindowCore::canvasAreaSize() const { return window_->CANVASAREA().SIZE(); }

void GraphicsWindowCore::setBackground(uint32_t rgb) {
    window_->BACKGROUND(gui::BRUSH(gui::COLOR(rgbRed(rgb), rgbGreen(rgb), rgbBlue(rgb))));
}

std::optional<Qt::CursorShape> GraphicsWindowCore::POINTER() const {
    QWidget* s = window_->surface();
    if (!s || !s->testAttribute(Qt::WA_SetCursor)) return std::nullopt;
    return s->cursor().shape();
}

void GraphicsWindowCore::POINTER(std::optional<Qt::CursorShape> shape) {
    QWidget* s = window_->surface();
    if (!s) return;
    if (shape) s->setCursor(*shape);
    else s->unsetCursor();
}

void GraphicsWindowCore::DRAW(OBJECTSHAPE& object) {
    const DIMENSION size = canvasAreaSize();
    const uint32_t background = _OGRAPHICS ? _OGRAPHICS->_NBACKGRCOLOR : 0xFFFFFFu;
    gdi::HDC dc = screen_.ensure(size.WIDTH(), size.HEIGHT(), background);
    object.setHandle(dc);
    // A drawing that pumps events may see the window deleted meanwhile.
    const std::weak_ptr<const bool> alive = alive_;
    object.DRAW();
    object.setHandle(nullptr);
    if (alive.expired()) return;
    if (dynamic_cast<OBJECTCLIPREGION*>(&object)) alignScreenClip();
    // Inside an expose the platform shows the image right after the handler returns.
    if (!inExpose_ && window_->surface()) window_->surface()->update();
}

void GraphicsWindowCore::alignScreenClip() {
    // The canvas turns its clip into rows of its own height, the rows of its refresh bitmap.
    // The screen shows the canvas at the bottom of the client area, which is taller than the
    // canvas when the canvas has a size of its own (or lower), so its clip moves by the
    // difference.
    const QImage* image = screen_.image();
    if (!_OGRAPHICS || !image) return;
    const int shift = image->height() - (_OGRAPHICS->_NMAXHEIGHT + _OGRAPHICS->_NTOPSPACE);
    if (shift == 0) return;
    gdi::HRGN clip = gdi::CreateRectRgn(0, 0, 0, 0);
    if (gdi::GetClipRgn(screen_.dc(), clip) == 1) {
        gdi::OffsetRgn(clip, 0, shift);
        gdi::SelectClipRgn(screen_.dc(), clip);
    }
    gdi::DeleteObject(clip);
}

namespace {

// Children with a PAINTNEW of their own get the repaint request; graphics windows have one
// but do not answer the request.
bool wantsPaintNew(gui::GUIOBJECT* child) {
    return dynamic_cast<PaintNewReceiver*>(child) != nullptr || dynamic_cast<GraphicsWindowCore*>(child) != nullptr ||
           child->hasMethod("PAINTNEW");
}

void redrawWindow(gui::GUIOBJECT* child) {
    if (QWidget* w = child->HANDLE()) w->update();
}

}  // namespace

void GraphicsWindowCore::paintNew(const std::function<void()>& paintHook) {
    if (!_OGRAPHICS) return;
    const Repaint repaint(*this);
    _OGRAPHICS->INTERNSETDEVPAR();
    const int w = _OGRAPHICS->_ODIM.WIDTH(), h = _OGRAPHICS->_ODIM.HEIGHT();
    if (w <= 10 || h <= 10) return;
    _OGRAPHICS->SETCLIPREGION(0, 0, w, h, 0.0);
    if (!window_->ISICONIC() && window_->ISVISIBLE()) paintHook();
    childPass(nullptr);
}

void forEachChildObject(const gui::WINDOW& window, const std::function<void(gui::GUIOBJECT&, QWidget&)>& visit) {
    std::vector<QPointer<QWidget>> children;
    for (QWidget* w : window.childWindows()) children.emplace_back(w);
    for (const QPointer<QWidget>& widget : children) {
        if (!widget) continue;  // gone during the walk
        gui::GUIOBJECT* child = gui::GUIOBJECT::fromHandle(widget.data());
        if (!child) return;
        visit(*child, *widget);
    }
}

void GraphicsWindowCore::childPass(const BOUNDINGBOX* exposed) {
    forEachChildObject(*window_, [&](gui::GUIOBJECT& child, QWidget&) {
        if (!child.ISVISIBLE()) return;
        if (!exposed) {
            if (wantsPaintNew(&child)) {
                child.SENDMESSAGE(gui::WM_USER, kPaintNewRequest, 0);
            } else {
                redrawWindow(&child);
            }
            return;
        }
        const BOUNDINGBOX box = boxOf(child);
        const bool shares = CONTROLSHARESAREA(box, *exposed);
        if (wantsPaintNew(&child) && shares) {
            child.SENDMESSAGE(gui::WM_USER, kPaintNewRequest, 0);
        } else if (shares && (dynamic_cast<gui::FIXEDTEXT*>(&child) || dynamic_cast<gui::RADIOBUTTON*>(&child) ||
                              dynamic_cast<gui::CHECKBOX*>(&child))) {
            // These controls paint with a transparent background: put the canvas back
            // behind them before they paint themselves again.
            if (_OGRAPHICS) _OGRAPHICS->INTERNREFRESH(box);
            redrawWindow(&child);
        }
    });
}

void GraphicsWindowCore::expose(gui::ExposeEvent* event, const std::function<void()>& fullRepaint) {
    if (lSizing || !_OGRAPHICS) return;
    const DIMENSION size = canvasAreaSize();
    const int w = size.WIDTH(), h = size.HEIGHT();
    inExpose_ = true;
    if (!_OGRAPHICS->_PREFRESHMEMDC || w != nLastWidth || h != nLastHeight) {
        eraseScreen();
        fullRepaint();
        nLastWidth = w;
        nLastHeight = h;
    } else if (event) {
        const BOUNDINGBOX area = event->EXPOSEDAREA();
        _OGRAPHICS->INTERNREFRESH(area);
        childPass(&area);
    }
    inExpose_ = false;
}

intptr_t GraphicsWindowCore::dispatchAfter(gui::Event& event, const std::function<void(unsigned)>& timerHook) {
    switch (event.MESSAGE()) {
        case gui::WM_SIZING: lSizing = true; break;
        case gui::WM_EXITSIZEMOVE:
            // The platform repaints at once, so the flag must be down before, or the
            // expose that the repaint leads to would be ignored.
            if (lSizing) {
                lSizing = false;
                repaintWhole();
            }
            lSizing = false;
            break;
        case WM_SYSCOMMAND:
            if (event.WPARAM() == SC_RESTORE || event.WPARAM() == SC_MAXIMIZE) repaintWhole();
            break;
        case gui::WM_TIMER:
            if (event.WPARAM() == 1 && nTimerInterval > 0) timerHook(nTimerInterval);
            break;
        default: break;
    }
    return 0;
}

void GraphicsWindowCore::eraseScreen() {
    if (_OGRAPHICS) screen_.erase(_OGRAPHICS->_NBACKGRCOLOR);
}

void GraphicsWindowCore::repaintWhole() {
    window_->REPAINT();
    // The frame's repaint need not reach the client area, where the canvas is shown.
    QWidget* surface = window_->surface();
    if (surface && surface != window_->HANDLE()) surface->repaint();
}

void GraphicsWindowCore::setTimer(unsigned interval) {
    nTimerInterval = interval;
    if (interval > 0) {
        window_->gui::GUIOBJECT::SETTIMER(1, interval);
    } else {
        window_->KILLTIMER(1);
    }
}

void GraphicsWindowCore::destroyCanvas() {
    if (repaints_ > 0 && _OGRAPHICS) {
        _OGRAPHICS->DESTROY();
        closedInRepaint_ = true;
        return;
    }
    releaseCanvas();
}

void GraphicsWindowCore::releaseCanvas() {
    // A drawing running on the canvas (one that pumps events) keeps it until it ends.
    closedInRepaint_ = false;
    GRAPHICS::release(std::move(_OGRAPHICS));
}

GraphicsWindowCore::Repaint::Repaint(GraphicsWindowCore& window)
    : window_(window), alive_(window.alive_), hold_(window._OGRAPHICS.get()) {
    ++window_.repaints_;
}

GraphicsWindowCore::Repaint::~Repaint() {
    // A window deleted outright during its repaint has let go of its canvas already; the hold
    // keeps the canvas until this ends.
    if (alive_.expired()) return;
    if (--window_.repaints_ == 0 && window_.closedInRepaint_) window_.releaseCanvas();
}

// ---- GTOPAPPWINDOW --------------------------------------------------------------------------

GTOPAPPWINDOW::GTOPAPPWINDOW(gui::WINDOW* owner) : gui::TOPAPPWINDOW(owner), GraphicsWindowCore(this) {
    _NDEVICETYP = kWindowDevice;
    _OGRAPHICS = std::make_unique<GRAPHICS>(this);
    nLastWidth = -1;
    nLastHeight = -1;
    lSizing = false;
}

GTOPAPPWINDOW::~GTOPAPPWINDOW() {
    setTimer(0);
    releaseCanvas();
}

intptr_t GTOPAPPWINDOW::DISPATCH(gui::Event& event) {
    const intptr_t result = gui::TOPAPPWINDOW::DISPATCH(event);
    dispatchAfter(event, [this](unsigned interval) { TIMEREVENT(interval); });
    return result;
}

void GTOPAPPWINDOW::SETTIMER(unsigned interval) { setTimer(interval); }

void GTOPAPPWINDOW::DESTROY() {
    destroyCanvas();
    setTimer(0);
    gui::TOPAPPWINDOW::DESTROY();
}

void GTOPAPPWINDOW::PAINTNEW() {
    paintNew([this] { PAINT(); });
}

void GTOPAPPWINDOW::EXPOSE(gui::ExposeEvent& event) {
    gui::TOPAPPWINDOW::EXPOSE(event);
    expose(&event, [this] { PAINTNEW(); });
}

void GTOPAPPWINDOW::EXPOSE() {
    expose(nullptr, [this] { PAINTNEW(); });
}

// ---- GCHILDAPPWINDOW ------------------------------------------------------------------------

GCHILDAPPWINDOW::GCHILDAPPWINDOW(gui::WINDOW* owner) : gui::CHILDAPPWINDOW(owner, true), GraphicsWindowCore(this) {
    _NDEVICETYP = kWindowDevice;
    _OGRAPHICS = std::make_unique<GRAPHICS>(this);
    nLastWidth = -1;
    nLastHeight = -1;
    lSizing = false;
}

GCHILDAPPWINDOW::~GCHILDAPPWINDOW() {
    setTimer(0);
    releaseCanvas();
}

intptr_t GCHILDAPPWINDOW::DISPATCH(gui::Event& event) {
    const intptr_t result = gui::CHILDAPPWINDOW::DISPATCH(event);
    dispatchAfter(event, [this](unsigned interval) { TIMEREVENT(interval); });
    return result;
}

void GCHILDAPPWINDOW::SETTIMER(unsigned interval) { setTimer(interval); }

void GCHILDAPPWINDOW::DESTROY() {
    destroyCanvas();
    setTimer(0);
    gui::CHILDAPPWINDOW::DESTROY();
}

void GCHILDAPPWINDOW::PAINTNEW() {
    paintNew([this] { PAINT(); });
}

void GCHILDAPPWINDOW::EXPOSE(gui::ExposeEvent& event) {
    gui::CHILDAPPWINDOW::EXPOSE(event);
    expose(&event, [this] { PAINTNEW(); });
}

void GCHILDAPPWINDOW::EXPOSE() {
    expose(nullptr, [this] { PAINTNEW(); });
}

}  // namespace gfx
