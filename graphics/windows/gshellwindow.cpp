#include "graphics/windows/gshellwindow.h"

#include <QToolBar>
#include <QWidget>

#include "widgets/menu.h"

namespace gfx {

namespace {
GSHELLWINDOW* shellOfClient(QWidget* client) {
    for (QWidget* w = client ? client->parentWidget() : nullptr; w; w = w->parentWidget())
        if (auto* shell = dynamic_cast<GSHELLWINDOW*>(gui::GUIOBJECT::fromHandle(w))) return shell;
    return nullptr;
}
}  // namespace

intptr_t SHELLWINPROC(QWidget* hWnd, uint32_t uMsg, uintptr_t wParam, intptr_t lParam) {
    if (!hWnd) return 0;
    if (uMsg == gui::WM_ERASEBKGND) {
        GSHELLWINDOW* shell = shellOfClient(hWnd);
        if (shell && shell->_LRESIZEAKTIV) shell->SENDMESSAGE(gui::WM_ERASEBKGND, wParam, lParam);
        return 0;
    }
    if (uMsg == gui::WM_PAINT) {
        GSHELLWINDOW* shell = shellOfClient(hWnd);
        if (shell && !shell->_LRESIZEAKTIV) {
            // Inside the client's paint: the refresh must not ask for another one.
            shell->setInExpose(true);
            shell->INTERNREFRESH();
            shell->setInExpose(false);
        }
        return 0;
    }
    return gui::MdiClient::classWindowProc(hWnd, uMsg, wParam, lParam);
}

GSHELLWINDOW::GSHELLWINDOW(gui::WINDOW* owner) : gui::SHELLWINDOW(owner), GraphicsWindowCore(this) {
    if (gui::MdiClient* client = MDICLIENT()) {
        client->setWindowProc(&SHELLWINPROC);
        client->setPicture([this] { return screen(); });
    }
    _NDEVICETYP = kWindowDevice;
    _OGRAPHICS = std::make_unique<GRAPHICS>(this);
    _OGRAPHICS->SETBACKGROUNDCOLOR(7);
    nLastWidth = -1;
    nLastHeight = -1;
    _LRESIZEAKTIV = false;
}

GSHELLWINDOW::~GSHELLWINDOW() {
    if (gui::MdiClient* client = MDICLIENT()) {
        client->setWindowProc({});
        client->setPicture({});
    }
    setTimer(0);
    releaseCanvas();
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
    const Repaint repaint(*this);
    _OGRAPHICS->INTERNSETDEVPAR();
    const int w = _OGRAPHICS->_ODIM.WIDTH(), h = _OGRAPHICS->_ODIM.HEIGHT();
    if (w <= 10 || h <= 10) return;
    _OGRAPHICS->SETCLIPREGION(0, 0, w, h, 0.0);
    if (ISICONIC() || !ISVISIBLE()) return;
    PAINT();
    childPass(nullptr);
    // Our tool bars are flat ones; a flat bar shows the canvas change only when redrawn.
    if (widgets::TOOLBAR* bar = widgets::windowToolBar(this); bar && bar->qtoolbar() && bar->qtoolbar()->isVisible())
        bar->qtoolbar()->repaint();
}

void GSHELLWINDOW::INTERNREFRESH() {
    if (!_OGRAPHICS) return;
    const DIMENSION size = CANVASAREA().SIZE();
    if (!_OGRAPHICS->_PREFRESHMEMDC || size.WIDTH() != nLastWidth || size.HEIGHT() != nLastHeight) {
        eraseScreen();
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
