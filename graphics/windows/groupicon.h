#pragma once
// A group box and a fixed icon that draw straight onto their owner's surface, so that the
// owner's drawing shows around and through them. Their own windows are 1 x 1 pixel at the top-left
// corner of what they draw and cover nothing. They draw on graphics windows (whose surface
// is a persistent image); on other owners they draw nothing.
#include <QImage>
#include <cstdint>
#include <string>

#include "graphics/windows/gwindows.h"
#include "platform/gui/controls.h"

namespace gfx {

class GTRANSGROUPBOX : public gui::GROUPBOX, public PaintNewReceiver {
public:
    GTRANSGROUPBOX(gui::WINDOW* owner, int id, const gui::POINT& origin, const gui::DIMENSION& size);
    ~GTRANSGROUPBOX() override;
    // Draws the etched frame and the caption set into its top line.
    void PAINTNEW() override;
    void EXPOSE(gui::ExposeEvent& event);
    intptr_t DISPATCH(gui::Event& event) override;
    void DESTROY() override;

    int32_t boxWidth() const { return nBoxWidth; }
    int32_t boxHeight() const { return nBoxHeight; }
    int paints() const { return paints_; }

private:
    gdi::HFONT hCaptionFont = nullptr;
    bool ownFont_ = false;
    int32_t nBoxWidth = 0;
    int32_t nBoxHeight = 0;
    int paints_ = 0;
};

class GTRANSFIXEDICON : public gui::FIXEDICON, public PaintNewReceiver {
public:
    GTRANSFIXEDICON(gui::WINDOW* owner, int id, const gui::POINT& origin, const gui::DIMENSION& size);
    // Draws the icon named by the hyper-label's caption (a program resource), or the question
    // mark without a name; a name that names no icon draws nothing.
    void PAINTNEW() override;
    void EXPOSE(gui::ExposeEvent& event);
    intptr_t DISPATCH(gui::Event& event) override;

    int paints() const { return paints_; }
    int32_t nIconWidth = 32;
    int32_t nIconHeight = 32;

private:
    int paints_ = 0;
};

// The drawing surface of a control's owner with the device origin at the control's top-left
// pixel, y down; null when the owner has no persistent surface. Release with releaseOwnerDC.
gdi::HDC ownerDC(const gui::CONTROL& control);
void releaseOwnerDC(const gui::CONTROL& control, gdi::HDC dc);

}  // namespace gfx
