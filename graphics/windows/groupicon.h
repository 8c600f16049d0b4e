#pragma once
// A group box and a fixed icon that draw straight onto their owner's surface, so that the
// owner's drawing shows around and through them. Their own windows are 1 x 1 pixel at the top-left
// corner of what they draw and cover nothing. On a graphics window they draw into its screen
// image, where the drawing stays until the window draws again; any other owner shows the
// drawing in a layer over its surface (see OwnerSurface).
#include <QImage>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>

#include "graphics/windows/gwindows.h"
#include "platform/gui/controls.h"

namespace gfx {

// Where a control draws on its owner's surface. A graphics window's screen image takes the
// drawing itself. Any other owner keeps no image of its surface, so the control shows its
// drawing's ink (the pixels that do not depend on what lies under them) in a layer of its own:
// a window over the owner's surface and under its controls, transparent where the drawing is
// and for the mouse, which follows the control's window as it moves, shows and hides.
class OwnerSurface : public QObject {
public:
    explicit OwnerSurface(gui::CONTROL& control);
    ~OwnerSurface() override;
    // Runs `paint` on a context whose origin is the control's top-left pixel, y down, for an
    // area of `size` pixels from there; false when there is nowhere to draw.
    bool draw(const QSize& size, const std::function<void(gdi::HDC)>& paint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void firstDraw();
    gui::CONTROL& control_;
    QPointer<QWidget> layer_;
};

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
    void paintBox(gdi::HDC dc);
    gdi::HFONT hCaptionFont = nullptr;
    bool ownFont_ = false;
    int32_t nBoxWidth = 0;
    int32_t nBoxHeight = 0;
    int paints_ = 0;
    OwnerSurface surface_{*this};
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
    OwnerSurface surface_{*this};
};

// The drawing surface of a control's owner with the device origin at the control's top-left
// pixel, y down; null when the owner has no persistent surface. Release with releaseOwnerDC.
gdi::HDC ownerDC(const gui::CONTROL& control);
void releaseOwnerDC(const gui::CONTROL& control, gdi::HDC dc);

}  // namespace gfx
