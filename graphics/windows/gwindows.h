#pragma once
// Graphics windows: platform windows that own a drawing canvas and repaint it themselves.
//
// Each window keeps a persistent screen image of its client area (its device context, shown
// behind its children) and the canvas's refresh bitmap. Every drawing goes to both surfaces,
// once each; an exposed area is copied back from the refresh bitmap instead of drawing again.
// Applications derive from a window and override PAINT, drawing through _OGRAPHICS.
#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>

#include "graphics/canvas/graphics.h"
#include "platform/gui/window.h"

namespace gfx {

// Messages of the window protocol.
using gui::SC_MAXIMIZE;
using gui::SC_RESTORE;
using gui::WM_SYSCOMMAND;
// PaintNewRequest: WM_USER with this wParam and lParam 0, sent to children that repaint
// themselves over the canvas.
inline constexpr uintptr_t kPaintNewRequest = 144;

// A child object that repaints itself on PaintNewRequest (owner-drawn buttons, group box,
// fixed icon). Objects may instead register a method named "PAINTNEW".
class PaintNewReceiver {
public:
    virtual ~PaintNewReceiver() = default;
    virtual void PAINTNEW() = 0;
};

// The screen image of a window and its y-up device context.
class ScreenImage {
public:
    ~ScreenImage();
    // Makes the image w x h (contents kept where they overlap, anchored at the top-left as
    // the window shows them) and returns its context, mapped y-up with one unit per pixel.
    gdi::HDC ensure(int width, int height, uint32_t fillRgb);
    gdi::HDC dc() const { return dc_; }
    const QImage* image() const { return image_ ? image_.get() : nullptr; }
    // Erases the whole image with one colour, as the platform erases an invalid window.
    void erase(uint32_t rgb);
    void release();

private:
    std::unique_ptr<QImage> image_;
    gdi::HDC dc_ = nullptr;
};

// The protocol shared by GTOPAPPWINDOW and GCHILDAPPWINDOW.
class GraphicsWindowCore : public Device {
public:
    explicit GraphicsWindowCore(gui::WINDOW* window);

    // Device contract.
    DIMENSION canvasAreaSize() const override;
    void DRAW(OBJECTSHAPE& object) override;
    void setBackground(uint32_t rgb) override;
    std::optional<Qt::CursorShape> POINTER() const override;
    void POINTER(std::optional<Qt::CursorShape> shape) override;

    const QImage* screen() const { return screen_.image(); }
    gdi::HDC screenDC() const { return screen_.dc(); }

    // Called by EXPOSE and PAINTNEW (they differ only in the inherited calls).
    void paintNew(const std::function<void()>& paintHook);
    void expose(gui::ExposeEvent* event, const std::function<void()>& fullRepaint);
    intptr_t dispatchAfter(gui::Event& event, const std::function<void(unsigned)>& timerHook);
    void setTimer(unsigned interval);
    // DESTROY's end of the canvas. Closed during its own repaint (a PAINT that pumps events),
    // the window keeps the canvas, without its device, until the repaint is over: whatever the
    // PAINT still draws on it goes nowhere.
    void destroyCanvas();
    // The window's destructor's end of the canvas: a drawing that holds it keeps it.
    void releaseCanvas();
    // Held for a full repaint (around PAINT): the canvas stays valid until it ends, however
    // the window is closed meanwhile.
    class Repaint {
    public:
        explicit Repaint(GraphicsWindowCore& window);
        ~Repaint();
        Repaint(const Repaint&) = delete;
        Repaint& operator=(const Repaint&) = delete;

    private:
        GraphicsWindowCore& window_;
        std::weak_ptr<const bool> alive_;
        GRAPHICS::Hold hold_;
    };
    // Repaint request to the children: all visible ones, or those sharing the exposed area.
    void childPass(const BOUNDINGBOX* exposed);
    // The whole window is drawn again now; leads to EXPOSE of the whole client area.
    void repaintWhole();
    // Before a full repaint: the whole window is invalid and erased with the canvas's
    // background, so nothing the screen held at another size shows through.
    void eraseScreen();
    // For windows with an expose handler of their own: while set, drawing does not ask the
    // platform to show the screen image again (it is shown right after the handler).
    void setInExpose(bool on) { inExpose_ = on; }

    std::unique_ptr<GRAPHICS> _OGRAPHICS;
    int32_t nLastWidth = -1;
    int32_t nLastHeight = -1;
    uint32_t nTimerInterval = 0;
    bool lSizing = false;

private:
    // After the canvas set its clip: the screen's clip in the screen's own rows.
    void alignScreenClip();
    gui::WINDOW* window_;
    ScreenImage screen_;
    bool inExpose_ = false;
    // Repaints running, and whether the window was closed during one of them.
    int repaints_ = 0;
    bool closedInRepaint_ = false;
    // Gone with the window: tells a drawing's DRAW that the window went while it ran.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

// A top-level application window with a canvas.
class GTOPAPPWINDOW : public gui::TOPAPPWINDOW, public GraphicsWindowCore {
public:
    explicit GTOPAPPWINDOW(gui::WINDOW* owner = nullptr);
    ~GTOPAPPWINDOW() override;

    intptr_t DISPATCH(gui::Event& event) override;
    // The drawing hook; empty here.
    virtual void PAINT() {}
    // Called on every tick of window timer 1 with the current interval; empty here.
    virtual void TIMEREVENT(unsigned /*interval*/) {}
    // Starts (interval > 0) or stops (0) window timer 1.
    void SETTIMER(unsigned interval);
    void DESTROY() override;
    // Full repaint: the canvas takes over the geometry, clips to itself, PAINT runs and the
    // children are asked to repaint.
    virtual void PAINTNEW();
    void EXPOSE(gui::ExposeEvent& event) override;
    // An expose without an event object: only the size check.
    void EXPOSE();
    const QImage* screenImage() const override { return screen(); }

    GRAPHICS* graphics() const { return _OGRAPHICS.get(); }
};

// A child window with a canvas.
class GCHILDAPPWINDOW : public gui::CHILDAPPWINDOW, public GraphicsWindowCore {
public:
    explicit GCHILDAPPWINDOW(gui::WINDOW* owner);
    ~GCHILDAPPWINDOW() override;

    intptr_t DISPATCH(gui::Event& event) override;
    virtual void PAINT() {}
    virtual void TIMEREVENT(unsigned /*interval*/) {}
    void SETTIMER(unsigned interval);
    void DESTROY() override;
    virtual void PAINTNEW();
    void EXPOSE(gui::ExposeEvent& event) override;
    void EXPOSE();
    const QImage* screenImage() const override { return screen(); }

    GRAPHICS* graphics() const { return _OGRAPHICS.get(); }
};

// The box of a control or window in its owner's canvas.
BOUNDINGBOX boxOf(const gui::GUIOBJECT& object);

// Walks the child windows of a window in the platform's order (first child, then each next
// sibling) and hands each one's object to `visit`; the first child window that the class
// library did not make ends the walk, and one that goes during the walk is passed over.
void forEachChildObject(const gui::WINDOW& window, const std::function<void(gui::GUIOBJECT&, QWidget&)>& visit);

}  // namespace gfx
