#include "graphics/windows/gshellwindow.h"

#include <QWidget>

namespace gfx {

GSHELLWINDOW::GSHELLWINDOW(gui::WINDOW* owner) : gui::SHELLWINDOW(owner), GraphicsWindowCore(this) {
    _NDEVICETYP = kWindowDevice;
    _OGRAPHICS = std::make_unique<GRAPHICS>(this);
    _OGRAPHICS->SETBACKGROUNDCOLOR(7);
    nLastWidth = -1;
    nLastHeight = -1;
    _LRESIZEAKTIV = false;
}

GSHELLWINDOW::~GSHELLWINDOW() {
    setTimer(0);
    destroyCanvas();
}

std::vector<gui::WINDOW*> GSHELLWINDOW::paintingChildren() const {
    std::vector<gui::WINDOW*> out;
    for (gui::GUIOBJECT* child : GETALLCHILDREN()) {
        auto* w = dynamic_cast<gui::WINDOW*>(child);
        if (w && (dynamic_cast<GraphicsWindowCore*>(w) || w->hasMethod("PAINTNEW"))) out.push_back(w);
    }
    return out;
}

void GSHELLWINDOW::sendSizing(gui::WINDOW* child) {
    const POINT o = child->ORIGIN();
    const DIMENSION s = child->SIZE();
    gdi::RECT rect{o.X(), o.Y(), o.X() + s.WIDTH(), o.Y() + s.HEIGHT()};
    child->SENDMESSAGE(gui::WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<intptr_t>(&rect));
}

intptr_t GSHELLWINDOW::DISPATCH(gui::Event& event) {
    const intptr_t result = gui::SHELLWINDOW::DISPATCH(event);
    switch (event.MESSAGE()) {
        case gui::WM_SIZING:
            _LRESIZEAKTIV = true;
            for (gui::WINDOW* child : paintingChildren())
                if (child->ISZOOMED()) sendSizing(child);
            break;
        case gui::WM_EXITSIZEMOVE: {
            const bool was = _LRESIZEAKTIV;
            _LRESIZEAKTIV = false;  // down before the repaint, or its expose would be ignored
            if (was) repaintWhole();
            for (gui::WINDOW* child : paintingChildren())
                if (child->ISZOOMED()) child->SENDMESSAGE(gui::WM_EXITSIZEMOVE, 0, 0);
            break;
        }
        case WM_SYSCOMMAND:
            if (event.WPARAM() == SC_RESTORE || event.WPARAM() == SC_MAXIMIZE) {
                repaintWhole();
                for (gui::WINDOW* child : paintingChildren()) {
                    sendSizing(child);
                    child->SENDMESSAGE(gui::WM_EXITSIZEMOVE, 0, 0);
                }
            }
            break;
        case gui::WM_TIMER:
            if (event.WPARAM() == 1 && nTimerInterval > 0) TIMEREVENT(nTimerInterval);
            break;
        default: break;
    }
    return result;
}

void GSHELLWINDOW::SETTIMER(unsigned interval) { setTimer(interval); }

void GSHELLWINDOW::DESTROY() {
    destroyCanvas();
    setTimer(0);
    gui::SHELLWINDOW::DESTROY();
}

void GSHELLWINDOW::PAINTNEW() {
    if (!_OGRAPHICS) return;
    _OGRAPHICS->INTERNSETDEVPAR();
    const int w = _OGRAPHICS->_ODIM.WIDTH(), h = _OGRAPHICS->_ODIM.HEIGHT();
    if (w <= 10 || h <= 10) return;
    _OGRAPHICS->SETCLIPREGION(0, 0, w, h, 0.0);
    if (ISICONIC() || !ISVISIBLE()) return;
    PAINT();
    childPass(nullptr);
}

void GSHELLWINDOW::INTERNREFRESH() {
    if (!_OGRAPHICS) return;
    const DIMENSION size = CANVASAREA().SIZE();
    if (!_OGRAPHICS->_PREFRESHMEMDC || size.WIDTH() != nLastWidth || size.HEIGHT() != nLastHeight) {
        PAINTNEW();
        nLastWidth = size.WIDTH();
        nLastHeight = size.HEIGHT();
        return;
    }
    _OGRAPHICS->INTERNREFRESH(BOUNDINGBOX(POINT(0, 0), size));
}

void GSHELLWINDOW::EXPOSE(gui::ExposeEvent& event) {
    gui::SHELLWINDOW::EXPOSE(event);
    expose(&event, [this] { PAINTNEW(); });
}

}  // namespace gfx
