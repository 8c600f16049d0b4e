#pragma once
// Form and dialog windows whose surface is a canvas: their controls (fixed texts, check boxes,
// radio buttons, group boxes) show the drawing on the canvas through their backgrounds.
#include <optional>

#include "graphics/canvas/numeric.h"
#include "graphics/windows/additions.h"
#include "graphics/windows/gwindows.h"
#include "platform/gui/dialogs.h"

namespace gfx {

using gui::WM_NCACTIVATE;

// The shared behaviour of GDATAWINDOW and GDIALOGWINDOW over their platform base.
template <class Base>
class TransparentForm : public Base, public GraphicsWindowCore, public TransparentCanvasWindow {
public:
    template <class... Args>
    TransparentForm(int backgroundColour, Args&&... args)
        : Base(std::forward<Args>(args)...), GraphicsWindowCore(this) {
        _NDEVICETYP = kWindowDevice;
        _OGRAPHICS = std::make_unique<GRAPHICS>(this);
        _OGRAPHICS->SETBACKGROUNDCOLOR(backgroundColour);
    }
    ~TransparentForm() override {
        setTimer(0);
        releaseCanvas();
    }

    // TransparentCanvasWindow.
    bool transparent() const override { return _LTRANSPARENT; }
    GRAPHICS* transparentCanvas() const override { return _OGRAPHICS.get(); }

    virtual void PAINT() {}
    virtual void TIMEREVENT(unsigned /*interval*/) {}
    void SETTIMER(unsigned interval) { setTimer(interval); }

    // Once the controls exist: gives them their transparent or coloured backgrounds.
    void POSTINIT() { applyTransparency(); }
    void SETTRANSPARENT(std::optional<bool> transparent = {}, std::optional<bool> backgroundColour = {}) {
        _LTRANSPARENT = transparent.value_or(true);
        _LBACKGROUNDCOLOR = backgroundColour.value_or(true);
        applyTransparency();
        if (this->ISVISIBLE()) repaintWhole();
    }
    void ACTIVATE() { _LHASFOCUS = true; }
    void DEACTIVATE() { _LHASFOCUS = false; }
    void ACTIVATE(gui::Event& event) override {
        Base::ACTIVATE(event);
        ACTIVATE();
    }
    void DEACTIVATE(gui::Event& event) override {
        Base::DEACTIVATE(event);
        DEACTIVATE();
    }

    // Full repaint: PAINT runs whether or not the window is visible (only an iconic window
    // skips it), then every visible control is redrawn over the new canvas.
    virtual void PAINTNEW() {
        if (!_OGRAPHICS) return;
        const Repaint repaint(*this);
        _OGRAPHICS->INTERNSETDEVPAR();
        const int w = _OGRAPHICS->_ODIM.WIDTH(), h = _OGRAPHICS->_ODIM.HEIGHT();
        if (w <= 10 || h <= 10) return;
        _OGRAPHICS->SETCLIPREGION(0, 0, w, h, 0.0);
        if (this->ISICONIC()) return;
        PAINT();
        controlPass(nullptr);
    }

    void EXPOSE(gui::ExposeEvent& event) override {
        Base::EXPOSE(event);
        if (lSizing || !_OGRAPHICS) return;
        const DIMENSION size = this->CANVASAREA().SIZE();
        setInExpose(true);
        if (!_OGRAPHICS->_PREFRESHMEMDC || size.WIDTH() != nLastWidth || size.HEIGHT() != nLastHeight) {
            PAINTNEW();
            nLastWidth = size.WIDTH();
            nLastHeight = size.HEIGHT();
        } else {
            const BOUNDINGBOX area = event.EXPOSEDAREA();
            _OGRAPHICS->INTERNREFRESH(area);
            controlPass(&area);
        }
        setInExpose(false);
    }

    intptr_t DISPATCH(gui::Event& event) override {
        intptr_t result = Base::DISPATCH(event);
        switch (event.MESSAGE()) {
            case gui::WM_SIZING:
                lSizing = true;
                if (RuntimeLevel >= 27) result = 0;
                break;
            case gui::WM_EXITSIZEMOVE:
                // Every move or size loop ends with a repaint, sizing notice or not.
                lSizing = false;
                repaintWhole();
                break;
            case WM_NCACTIVATE:
                if (event.WPARAM() != 0) repaintWhole();
                break;
            case WM_SYSCOMMAND:
                if (event.WPARAM() == SC_RESTORE || event.WPARAM() == SC_MAXIMIZE) repaintWhole();
                break;
            case gui::WM_USER:
                if (event.WPARAM() == kRadioCheckNotice) radioNotice(event.LPARAM());
                break;
            case 0x0014:  // WM_ERASEBKGND
            case gui::WM_PAINT: result = 1; break;
            case gui::WM_TIMER:
                if (event.WPARAM() == 1 && nTimerInterval > 0) TIMEREVENT(nTimerInterval);
                break;
            default: break;
        }
        return result;
    }

    void DESTROY() override {
        destroyCanvas();
        setTimer(0);
        Base::DESTROY();
    }

    const QImage* screenImage() const override { return screen(); }
    GRAPHICS* graphics() const { return _OGRAPHICS.get(); }

    bool _LTRANSPARENT = true;
    bool _LBACKGROUNDCOLOR = true;
    bool _LHASFOCUS = true;

private:
    // Redraws the visible controls (those that share the exposed area, when one is given) over
    // the canvas, each after its own child windows, in the platform's order of the child
    // windows; a child window that the class library did not make ends the pass. After a full
    // repaint a slider is sized anew, so that it draws over the new canvas.
    void controlPass(const BOUNDINGBOX* exposed) {
        forEachChildObject(*this, [&](gui::GUIOBJECT& control, QWidget& window) {
            if (!control.ISVISIBLE() || (exposed && !CONTROLSHARESAREA(boxOf(control), *exposed))) return;
            for (QObject* o : window.children())
                if (auto* own = qobject_cast<QWidget*>(o)) own->update();
            window.update();
            if (!exposed && dynamic_cast<gui::SLIDER*>(&control)) control.SENDMESSAGE(gui::WM_SIZE, 0, 0);
        });
    }
    void radioNotice(intptr_t handle) {
        auto* control = gui::GUIOBJECT::fromHandle(reinterpret_cast<QWidget*>(handle));
        if (!control || !control->ISVISIBLE() || !control->HANDLE() || control->HANDLE()->hasFocus()) return;
        if (_LTRANSPARENT && _OGRAPHICS && _OGRAPHICS->_PREFRESHMEMDC) _OGRAPHICS->INTERNREFRESH(boxOf(*control));
        control->HANDLE()->update();
    }
    // Transparent: the controls fill no background of their own, so the canvas shows;
    // otherwise they fill with the window's background. Fixed icons take the canvas colour
    // while background colouring is on.
    void applyTransparency() {
        for (gui::CONTROL* c : this->controls()) {
            QWidget* w = c->HANDLE();
            if (!w) continue;
            if (auto* icon = dynamic_cast<gui::FIXEDICON*>(c)) {
                if (_LBACKGROUNDCOLOR && _OGRAPHICS) {
                    const uint32_t rgb = _OGRAPHICS->_NBACKGRCOLOR;
                    icon->BACKGROUND(gui::BRUSH(gui::COLOR(rgbRed(rgb), rgbGreen(rgb), rgbBlue(rgb))));
                }
                continue;
            }
            if (dynamic_cast<gui::FIXEDTEXT*>(c) || dynamic_cast<gui::CHECKBOX*>(c) ||
                dynamic_cast<gui::RADIOBUTTON*>(c) || dynamic_cast<gui::GROUPBOX*>(c)) {
                w->setAttribute(Qt::WA_NoSystemBackground, _LTRANSPARENT);
                w->setAutoFillBackground(!_LTRANSPARENT);
                if (!_LTRANSPARENT) {
                    QPalette p = w->palette();
                    p.setColor(QPalette::Window, this->BACKGROUND().color().qcolor());
                    w->setPalette(p);
                }
            }
        }
    }
};

class GDATAWINDOW : public TransparentForm<gui::DATAWINDOW> {
public:
    explicit GDATAWINDOW(gui::WINDOW* owner = nullptr) : TransparentForm(7, owner) {}
    // The form shows no scroll bars of its own, so there is nothing to hold back.
    void DISABLESCROLLBARS() {}
};

class GDIALOGWINDOW : public TransparentForm<gui::DIALOGWINDOW> {
public:
    explicit GDIALOGWINDOW(gui::WINDOW* owner = nullptr, bool modal = false) : TransparentForm(15, owner, modal) {}
};

}  // namespace gfx
