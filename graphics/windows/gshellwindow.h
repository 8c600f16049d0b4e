#pragma once
// A shell window whose MDI client, the background of its child windows, shows a canvas. Its
// MDI client's window procedure is SHELLWINPROC.

#include "graphics/windows/gwindows.h"
#include "platform/gui/mdiclient.h"

namespace gfx {

using gui::WMSZ_BOTTOMRIGHT;

class GSHELLWINDOW : public gui::SHELLWINDOW, public GraphicsWindowCore {
public:
    explicit GSHELLWINDOW(gui::WINDOW* owner = nullptr);
    ~GSHELLWINDOW() override;

    // Passes the frame's sizing on to the graphics children, so that they too wait for the
    // end of a resize before they repaint.
    intptr_t DISPATCH(gui::Event& event) override;
    virtual void PAINT() {}
    virtual void TIMEREVENT(unsigned /*interval*/) {}
    void SETTIMER(unsigned interval);
    void DESTROY() override;
    virtual void PAINTNEW();
    // Repaint of the whole client area: in full when its size changed, else from the canvas.
    void INTERNREFRESH();
    void EXPOSE(gui::ExposeEvent& event) override;
    const QImage* screenImage() const override { return screen(); }

    GRAPHICS* graphics() const { return _OGRAPHICS.get(); }
    // The frame is being resized.
    bool& _LRESIZEAKTIV = lSizing;

private:
    // Graphics children (those with a full repaint of their own), in child order.
    std::vector<gui::WINDOW*> paintingChildren() const;
    void sendSizing(gui::WINDOW* child);
};

// The window procedure of the shell's MDI client: it never erases the client's background (the
// canvas covers it; during a resize the erase goes to the shell) and paints the client from
// the shell's canvas, except while the shell is being resized. Other messages go to the
// client's class procedure.
intptr_t SHELLWINPROC(QWidget* hWnd, uint32_t uMsg, uintptr_t wParam, intptr_t lParam);

}  // namespace gfx
