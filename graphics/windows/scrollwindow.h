#pragma once
// A child graphics window whose canvas has a size of its own, larger or smaller than the
// window. The whole picture lives in the canvas's refresh bitmap; the window shows the part
// that its scroll bars select. Scroll positions are percentages (0 to 100).
#include <QPointer>
#include <optional>

#include "graphics/windows/gwindows.h"

#include <QScrollBar>

namespace gfx {

// Scroll request codes; 0 is the one-line step up or to the left, passed over by the window.
inline constexpr int SB_LINEUP = 0, SB_THUMBTRACK = 5;

// A scroll event: from the window's own bar or from a scroll-bar control inside it.
struct ScrollEvent {
    bool windowScroll = true;  // ISWINDOWSCROLL
    int type = SB_THUMBTRACK;
    int position = 0;  // POSITION: thumb position 0..100
    bool ISWINDOWSCROLL() const { return windowScroll; }
    int POSITION() const { return position; }
};

// One of the window's own scroll bars, range 0 to 100.
class WindowScrollBar {
public:
    WindowScrollBar(QWidget* parent, Qt::Orientation orientation);
    ~WindowScrollBar();
    int THUMBPOSITION() const;
    void THUMBPOSITION(int position);
    void SHOW();
    int thickness() const;
    QScrollBar* bar() const { return bar_; }

private:
    QPointer<QScrollBar> bar_;
};

class GSCROLLWINDOW : public gui::CHILDAPPWINDOW, public GraphicsWindowCore {
public:
    // Without a size, the canvas takes the client size at construction.
    explicit GSCROLLWINDOW(gui::WINDOW* owner, std::optional<int> width = {}, std::optional<int> height = {});
    ~GSCROLLWINDOW() override;

    virtual void PAINT() {}
    virtual void TIMEREVENT(unsigned /*interval*/) {}
    void SETTIMER(unsigned interval);
    // Full repaint; a size above 0 that differs from the canvas's becomes its new size and
    // puts the view back to the bottom-left corner.
    virtual void PAINTNEW(std::optional<int> width = {}, std::optional<int> height = {});
    void TOGGLESCROLLBARS();
    void HORIZONTALSCROLL(const ScrollEvent& event);
    void VERTICALSCROLL(const ScrollEvent& event);
    void RESIZE(gui::ResizeEvent& event) override;
    void EXPOSE(gui::ExposeEvent& event) override;
    intptr_t DISPATCH(gui::Event& event) override;
    void DESTROY() override;

    // The client size: the window's canvas area less its shown scroll bars.
    DIMENSION canvasAreaSize() const override;
    const QImage* screenImage() const override { return screen(); }

    WindowScrollBar* horizontalBar() const { return oHorzScrollBar.get(); }
    WindowScrollBar* verticalBar() const { return oVertScrollBar.get(); }
    int32_t canvasWidth() const { return nCanvasWidth; }
    int32_t canvasHeight() const { return nCanvasHeight; }

protected:
    int32_t nCanvasWidth = 0;
    int32_t nCanvasHeight = 0;
    int32_t nLastHorzPos = 0;
    int32_t nLastVertPos = 0;
    bool lPainted = false;
    std::unique_ptr<WindowScrollBar> oHorzScrollBar;
    std::unique_ptr<WindowScrollBar> oVertScrollBar;

private:
    void placeBars();
    void eraseOutsideCanvas();
    void clipToView();
    void exposeInner(gui::ExposeEvent& event);
    bool moving_ = false;
};

}  // namespace gfx
