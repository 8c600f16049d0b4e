#pragma once
// A shell window whose client area, the background of its child windows, is a canvas.
#include "graphics/windows/gwindows.h"

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

}  // namespace gfx
