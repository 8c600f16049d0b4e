#pragma once
// The drawing objects of the canvas core: refresh bitmap, clip, device values, pixel probe,
// gradients, text, erase, frame and saved areas. Each is created with its canvas and the
// request's parameters, handed to the device's DRAW and destroyed (GRAPHICS::drawObject).
#include <string>

#include "graphics/canvas/graphics.h"

namespace gfx {

// Makes the refresh bitmap of a window canvas (one pass, on the window's context).
class OBJECTREFRESHBMPGEN : public OBJECTSHAPE {
public:
    explicit OBJECTREFRESHBMPGEN(GRAPHICS* canvas) : OBJECTSHAPE(canvas) {}
    OBJECTSHAPE& DRAW() override;
};

// Copies an area of the refresh bitmap back onto the window.
class OBJECTREFRESHBMP : public OBJECTSHAPE {
public:
    OBJECTREFRESHBMP(GRAPHICS* canvas, const BOUNDINGBOX& area) : OBJECTSHAPE(canvas), area_(area) {}
    OBJECTSHAPE& DRAW() override;

private:
    BOUNDINGBOX area_;
};

// Selects a clip rectangle into both contexts; applies itself while it is made.
class OBJECTCLIPREGION : public OBJECTSHAPE {
public:
    OBJECTCLIPREGION(GRAPHICS* canvas, Device* device, double x, double y, double width, double height,
                     Opt unit, Opt anchor);
    OBJECTSHAPE& DRAW() override;

private:
    Device* device_;
    double x_, y_, width_, height_;
    uint32_t unit_, anchor_;
};

// Reads the device's pixels per inch.
class OBJECTDEVICEVALUES : public OBJECTSHAPE {
public:
    explicit OBJECTDEVICEVALUES(GRAPHICS* canvas) : OBJECTSHAPE(canvas) {}
    OBJECTSHAPE& DRAW() override;
};

// Reads one pixel's colour (from the refresh bitmap for windows).
class OBJECTPOINTCOLOR : public OBJECTSHAPE {
public:
    OBJECTPOINTCOLOR(GRAPHICS* canvas, double x, double y) : OBJECTSHAPE(canvas), x_(x), y_(y) {}
    OBJECTSHAPE& DRAW() override;
    uint32_t GETCOLOR() const { return colour_; }

private:
    double x_, y_;
    uint32_t colour_ = kNoColor;
};

// Band colour rule shared by the gradients and the spot light: the colour of each band
// from the background colour toward the gradient colour.
class GradientBands {
public:
    GradientBands(uint32_t back, uint32_t grad, int bands, double factor);
    void reset();
    // The colour of band i (1-based); call for i = 1, 2, ... in order.
    uint32_t next(int i);
    // The colour band i has when bands 1 .. i are taken in order, without taking them: a
    // drawing that shows only some bands of a long run starts at the first it shows.
    uint32_t at(int i) const;
    // Spread factor F of an intensity; false when the intensity erases instead.
    static bool spreadFactor(double intensity, double& factor);

private:
    // Channel k moved i / S of the way toward the gradient colour.
    int moved(int k, int i) const;
    bool reached(int k, int value) const;
    int back_[3], grad_[3], diff_[3], cur_[3];
    // The first band at which each channel reaches the gradient colour and stays; 0 for a
    // channel that never moves, INT_MAX for one that never gets there.
    int stop_[3];
    double s_;
};

// The logical rectangle [left, right) x [low, high) of a context in which drawing can show,
// or none. Painters of runs far longer than any device draw only what falls into it.
struct ContextReach {
    bool any = false;
    int64_t left = 0, right = 0, low = 0, high = 0;
};
ContextReach reachOf(gdi::HDC dc);

class OBJECTGRADIENTCANVAS : public OBJECTSHAPE {
public:
    OBJECTGRADIENTCANVAS(GRAPHICS* canvas, Opt intensity, Opt direction);
    OBJECTSHAPE& DRAW() override;

private:
    double intensity_;
    uint16_t direction_;
};

class OBJECTGRADIENTAREA : public OBJECTSHAPE {
public:
    OBJECTGRADIENTAREA(GRAPHICS* canvas, double x, double y, double width, double height, Opt anchor,
                       Opt intensity, Opt direction);
    OBJECTSHAPE& DRAW() override;

private:
    double x_, y_, width_, height_, intensity_;
    uint16_t direction_, anchor_;
};

// One line of text in the string font, or its measurement in world units.
class OBJECTSTRING : public OBJECTSHAPE {
public:
    OBJECTSTRING(GRAPHICS* canvas, double x, double y, std::string text, Opt anchor = {}, Opt backgroundMode = {},
                 bool measureOnly = false);
    OBJECTSHAPE& DRAW() override;
    double _FWEITE = 0.0;
    double _FHOEHE = 0.0;
    // The measured text cell in device pixels, before any turning.
    int32_t cellWidth = 0, cellHeight = 0;

private:
    double x_, y_;
    std::string text_;
    uint16_t anchor_, backgroundMode_;
    bool measureOnly_;
};

class OBJECTERASECANVAS : public OBJECTSHAPE {
public:
    explicit OBJECTERASECANVAS(GRAPHICS* canvas) : OBJECTSHAPE(canvas) {}
    OBJECTSHAPE& DRAW() override;
};

class OBJECTFRAMECANVAS : public OBJECTSHAPE {
public:
    explicit OBJECTFRAMECANVAS(GRAPHICS* canvas) : OBJECTSHAPE(canvas) {}
    OBJECTSHAPE& DRAW() override;
};

class OBJECTERASEAREA : public OBJECTSHAPE {
public:
    OBJECTERASEAREA(GRAPHICS* canvas, double x, double y, double width, double height, Opt anchor);
    OBJECTSHAPE& DRAW() override;

private:
    double x_, y_, width_, height_;
    uint16_t anchor_;
};

class OBJECTSAVEDAREA : public OBJECTSHAPE {
public:
    OBJECTSAVEDAREA(GRAPHICS* canvas, double x, double y, double width, double height, Opt anchor);
    OBJECTSHAPE& DRAW() override;

private:
    double x_, y_, width_, height_;
    uint16_t anchor_;
};

// Device rectangle of a world area placed by an anchor: (X, Y) bottom-left, W, H.
void areaRect(GRAPHICS& g, double x, double y, double width, double height, uint16_t anchor, int32_t& X,
              int32_t& Y, int32_t& W, int32_t& H);

}  // namespace gfx
