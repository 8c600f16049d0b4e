#pragma once
// Escape-time fractals (Mandelbrot and Julia sets) drawn pixel by pixel on a canvas, with
// a 22-entry parameter array, two colour schemes and an optional stop control that keeps
// the window responsive and lets a newer drawing on the same window stop an older one.
#include <optional>

#include "graphics/canvas/graphics.h"
#include "platform/runtime/value.h"

namespace gfx {

inline constexpr size_t kFractalParameterCount = 22;

// The working settings of one drawing, all single precision like the iteration itself.
struct FractalSettings {
    float top = 1.1f, bottom = -1.1f, right = 0.5f, left = -1.5f;
    int M = 64;          // maximum iteration count
    int skipDivisor = 65;
    float B = 4.0f;      // bail-out
    float k = 2.0f;      // coefficient of the imaginary step
    float cx = 0.0f, cy = 0.0f;
    bool julia = false;
    int outScheme = 3, outFlags = 0, outCurve = 1;
    int inScheme = 5, inFlags = 0, inCurve = 1;
    int order = 0, zoomMode = 0, activity = 0, zoomFactor = 5, dottedMark = 0, test = 0;
};

// Normalises the array in place (nil becomes a new array, a short one is lengthened to 22)
// and returns the settings; the window comes back in order (top >= bottom, right >= left).
FractalSettings NORMALIZEFRACTALPARAMETERS(rt::Value& aParam);

struct FractalIteration {
    int n = 1;       // 1..M+1; above M the point is captured
    float T = 0.0f;  // the last test value
};
FractalIteration fractalIterate(const FractalSettings& s, float px, float py);

// Ramp base colour of a scheme: saturated unless flag 4 is set, inverted for scheme 4.
uint32_t fractalBaseColour(uint32_t rgb, int scheme, int flags);

// Colour of a point as packed RGB, or nothing when the point is not drawn.
struct FractalColours {
    uint32_t outsideBase = 0, insideBase = 0;
};
std::optional<uint32_t> fractalColour(const FractalSettings& s, const FractalColours& bases, const GRAPHICS& g,
                                      const FractalIteration& it, size_t colourRows);

// The drawing object of one fractal drawing.
class OBJECTFRACTAL : public OBJECTSHAPE {
public:
    OBJECTFRACTAL(GRAPHICS* g, double nX, double nY, double nWidth, double nHeight, double nAlign,
                  rt::Value aParam, bool lStop);
    OBJECTSHAPE& DRAW() override;
    OBJECTSHAPE& DESTROY() override;
    const rt::Value& parameters() const { return aParam_; }

    // Stop request: the drawing ends after its current drawn pixel.
    bool _LSTOP = false;

private:
    double fX, fY, fWidth, fHeight;
    uint16_t nAlign;
    rt::Value aParam_;
    bool lStop;
};

// Pixel (c, r) of the pass (i, j) in pixel order 2, interleaving the lower and upper rows.
int fractalInterleavedRow(int i, int H);

// Pumps pending events of the GUI thread, so that a stop request or a closed window is seen.
// True when the program was asked to quit meanwhile: the caller ends its drawing, and the
// application's loop then ends the program.
bool APPLICATIONEXECCLOSEONQUIT();

// Draws the fractal into the world rectangle; aParam is normalised in place.
GRAPHICS& PAINTFRACTAL(GRAPHICS& g, double nX, double nY, double nWidth, double nHeight, double nAlign,
                       rt::Value& aParam, bool lStop = false);

// Test hook: called after every drawn pixel of a drawing with stop control, after the pump.
void setFractalPixelHook(std::function<void()> hook);

}  // namespace gfx
