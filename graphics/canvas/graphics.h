#pragma once
// The drawing canvas GRAPHICS and its drawing-object protocol.
//
// A canvas is bound to one device for its whole life. It draws nothing itself: every
// request becomes one drawing object (derived from OBJECTSHAPE) that the device makes draw
// itself, once on the device's own context and, for window devices, once more on the
// canvas's refresh bitmap, so that exposed window areas can be copied back later.
//
// Positions and sizes are world units (floating point); a device pixel is the world value
// times the canvas factor, made whole (gfx::whole), plus the canvas offset. All device
// contexts the objects draw on are mapped y-up, one unit per pixel.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "graphics/canvas/colors.h"
#include "graphics/canvas/numeric.h"
#include "platform/gdi/gdi.h"
#include "platform/gui/gdiobjects.h"
#include "platform/runtime/value.h"

namespace gfx {

class GRAPHICS;
class OBJECTSHAPE;

// DeviceKind values of _NDEVICETYP.
enum DeviceKind : int32_t { kWindowDevice = 0, kPrinterDevice = 1, kMemoryDevice = 2, kMetafileDevice = 3 };

using gui::BOUNDINGBOX;
using gui::DIMENSION;
using gui::POINT;

// What a canvas needs of the device it draws on.
class Device {
public:
    virtual ~Device() = default;

    // DeviceKind, set before the device creates its canvas and never changed afterwards.
    int32_t _NDEVICETYP = kWindowDevice;
    // Memory bitmap device: its y-up mapped memory context. Metafile device likewise.
    gdi::HDC _PBITMAPDC = nullptr;
    gdi::HDC _PMETAFILEDC = nullptr;

    // CANVASAREA:SIZE: the drawable width and height in pixels.
    virtual DIMENSION canvasAreaSize() const = 0;
    // Makes the object draw itself. Window and printer devices hand it their context
    // (OBJECTSHAPE::setHandle) for the duration of the call.
    virtual void DRAW(OBJECTSHAPE& object) = 0;
    // BACKGROUND := a brush of this RGB colour.
    virtual void setBackground(uint32_t /*rgb*/) {}
    // Height of a tool bar that the device itself owns and that sits above the canvas; 0
    // when there is none, when the tool bar is only borrowed from an owner window, and for
    // shell and scroll windows.
    virtual int ownToolBarHeight() const { return 0; }
    // POINTER: the mouse pointer shown over the device (empty: the default one). Devices
    // without a window show none and ignore an assignment.
    virtual std::optional<Qt::CursorShape> POINTER() const { return std::nullopt; }
    virtual void POINTER(std::optional<Qt::CursorShape> /*shape*/) {}
};

// Shows the busy pointer over a device while a drawing that takes a while runs; the device's
// own pointer comes back on every way out.
class BusyPointer {
public:
    explicit BusyPointer(Device* device) : device_(device) {
        if (!device_) return;
        old_ = device_->POINTER();
        device_->POINTER(Qt::WaitCursor);
    }
    ~BusyPointer() {
        if (device_) device_->POINTER(old_);
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    Device* device_;
    std::optional<Qt::CursorShape> old_;
};

// Device positions stay within this many pixels of the device origin.
inline constexpr int32_t kDeviceLimit = 1 << 22;
// A device position held to the device range.
inline int32_t deviceClamp(int64_t v) {
    return v > kDeviceLimit ? kDeviceLimit : v < -kDeviceLimit ? -kDeviceLimit : int32_t(v);
}
// A device length held to the width of the device range.
inline int32_t deviceLength(int64_t v) {
    return v > 2 * int64_t(kDeviceLimit) ? 2 * kDeviceLimit : v < -2 * int64_t(kDeviceLimit) ? -2 * kDeviceLimit : int32_t(v);
}

// A device point before it is held to the device range (see wholeWide).
struct WidePoint {
    int64_t x = 0, y = 0;
};

// A box on the device, each edge held to the device range, so that a box reaching far off
// the device still covers the same device pixels and right - left always fits 32 bits.
struct DeviceBox {
    int32_t left = 0, bottom = 0, right = 0, top = 0;
    int32_t width() const { return right - left; }
    int32_t height() const { return top - bottom; }
};

// Base of every drawing object. Lives for one request: created with its canvas and
// parameters, drawn once by the device, destroyed.
class OBJECTSHAPE {
public:
    explicit OBJECTSHAPE(GRAPHICS* canvas) : oCanvas_(canvas) {}
    virtual ~OBJECTSHAPE() = default;
    OBJECTSHAPE(const OBJECTSHAPE&) = delete;
    OBJECTSHAPE& operator=(const OBJECTSHAPE&) = delete;

    virtual OBJECTSHAPE& DRAW() = 0;
    virtual OBJECTSHAPE& DESTROY() {
        oCanvas_ = nullptr;
        return *this;
    }

    // The context a window or printer device hands over while it draws the object.
    gdi::HDC HANDLE() const { return handle_; }
    void setHandle(gdi::HDC dc) { handle_ = dc; }

    // Context of drawing pass n (1 the device, 2 the refresh bitmap), or null.
    gdi::HDC SELECTDRAWDC(int n) const;
    // A new 8x8 pattern brush from 64 BGR cells (cells 1..8 the bottom row); the caller
    // deletes it.
    static gdi::HBRUSH CREATEBMPBRUSH(const std::array<uint32_t, 64>& cells);

    GRAPHICS* canvas() const { return oCanvas_; }

protected:
    GRAPHICS* oCanvas_;
    gdi::HDC handle_ = nullptr;
};

// A drawing object held in a runtime value, so that several drawings can be handed to a
// device in one array.
class DrawObjectValue : public rt::Object {
public:
    explicit DrawObjectValue(std::shared_ptr<OBJECTSHAPE> o) : object(std::move(o)) {}
    std::string className() const override { return "DRAWOBJECT"; }
    std::shared_ptr<OBJECTSHAPE> object;
};
rt::Value makeDrawObjectValue(std::shared_ptr<OBJECTSHAPE> object);
// Hands `draw` every drawing object of `items` in order: the one a drawing-object value holds,
// or each element of an array that holds one. Other values are passed over.
void drawEach(const rt::Value& items, const std::function<void(OBJECTSHAPE&)>& draw);

// One recorded canvas call, in the caller's world terms.
struct DrawCall {
    std::string method;         // e.g. "PAINTSTRING"
    std::vector<double> args;   // numeric arguments as given (omitted ones left out)
    std::string text;           // the text of text calls
    // Point rows of the array calls, in world units; a colour of a point row appears as its
    // colour number, a colour object as its RGB value.
    std::vector<std::vector<double>> rows{};
};
using DrawTraceSink = std::function<void(const DrawCall&)>;

// A numeric argument that may be left out.
using Opt = std::optional<double>;
// The face of the string font: a pitch-and-family number (no face name) or a face name.
class FontFace {
public:
    FontFace(int family) : family_(family) {}
    FontFace(double family) : family_(family) {}
    FontFace(const char* name) : isName_(true), name_(name ? name : "") {}
    FontFace(std::string name) : isName_(true), name_(std::move(name)) {}
    bool isName() const { return isName_; }
    double family() const { return family_; }
    const std::string& name() const { return name_; }

private:
    bool isName_ = false;
    double family_ = 0.0;
    std::string name_;
};

// A point row {x, y} or {x, y, colour} of point and marker groups; the colour is a colour
// number or a colour object.
struct PointRow {
    double x = 0.0;
    double y = 0.0;
    std::optional<ColorArg> colour{};
};
using PointRows = std::vector<PointRow>;
// Rows of numbers: points {x, y}, segments {x1, y1, x2, y2}, spline points {x, y, tolerance}.
using NumberRows = std::vector<std::vector<double>>;

class GRAPHICS {
public:
    // The canvas follows the device's size.
    explicit GRAPHICS(Device* device);
    // Fixed size at (0, 0) of the device.
    GRAPHICS(Device* device, int width, int height);
    // Fixed size at a fixed position of the device.
    GRAPHICS(Device* device, int x, int y, int width, int height);
    ~GRAPHICS();
    GRAPHICS(const GRAPHICS&) = delete;
    GRAPHICS& operator=(const GRAPHICS&) = delete;

    // ---- device binding --------------------------------------------------------------
    GRAPHICS& DESTROY();

    // ---- lifetime --------------------------------------------------------------------------
    // Keeps a canvas valid while a drawing that pumps events runs on it: its owner may let go
    // of it meanwhile (a window closed by the user), and the canvas then stays, without a
    // device, until the last hold ends.
    class Hold {
    public:
        explicit Hold(GRAPHICS* canvas) : canvas_(canvas) {
            if (canvas_) ++canvas_->holds_;
        }
        ~Hold() {
            if (canvas_ && --canvas_->holds_ == 0 && canvas_->released_) delete canvas_;
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        GRAPHICS* canvas_;
    };
    // The owner's end of a canvas: DESTROY (which empties its device), then delete it now, or
    // when the last hold on it ends.
    static void release(std::unique_ptr<GRAPHICS> canvas);
    GRAPHICS& INTERNSETDEVPAR();
    int32_t GETDEVICETYPE() const;
    int32_t GETDEVICEWIDTH() const { return _NMAXWIDTH; }
    int32_t GETDEVICEHEIGHT() const { return _NMAXHEIGHT; }

    // ---- world coordinates -----------------------------------------------------------
    GRAPHICS& SETWORLDORIGIN(double x, double y);
    GRAPHICS& SETWORLDSYSTEM(double fx, double fy);
    GRAPHICS& SETWORLDSYSNORM(bool centre = false);
    double GETWORLDCOORDX(double pixel) const;
    double GETWORLDCOORDY(double pixel) const;
    double GETPHYSCOORDX(double world) const;
    double GETPHYSCOORDY(double world) const;
    double GETWORLDPOINTX(double points) const;
    double GETWORLDPOINTY(double points) const;
    GRAPHICS& GETORIGINPOINT(int32_t& x, int32_t& y, double w, double h, double anchor);
    GRAPHICS& GETORIGINPOINT(double& x, double& y, double w, double h, double anchor);
    GRAPHICS& GETORIGINPOINTANGLE(int32_t& x, int32_t& y, double w, double h, double anchor);
    // World to device by the one rule (no anchor). The product is made whole and the offset
    // added in 64 bits, so that a map far from the world origin keeps its place; only the
    // resulting position is held to the device range (positions of corrupted data, not
    // finite or millions of pixels off any device, included).
    int64_t wideX(double wx) const { return wholeWide(wx * _FFACTORX) + _NOFFSETX; }
    int64_t wideY(double wy) const { return wholeWide(wy * _FFACTORY) + _NOFFSETY; }
    WidePoint widePoint(double wx, double wy) const { return {wideX(wx), wideY(wy)}; }
    int32_t devX(double wx) const { return deviceClamp(wideX(wx)); }
    int32_t devY(double wy) const { return deviceClamp(wideY(wy)); }
    static int32_t deviceCoord(double product, int64_t offset) { return deviceClamp(wholeWide(product) + offset); }
    // World lengths in pixels, held to the width of the device range.
    int64_t wideW(double ww) const { return wholeWide(ww * _FFACTORX); }
    int64_t wideH(double wh) const { return wholeWide(wh * _FFACTORY); }
    int32_t devW(double ww) const { return deviceLength(wideW(ww)); }
    int32_t devH(double wh) const { return deviceLength(wideH(wh)); }
    // The box of w by h pixels whose point named by the anchor is (x, y) (GETORIGINPOINT),
    // worked out in 64 bits and then held to the device range.
    DeviceBox placeBox(int64_t x, int64_t y, int64_t w, int64_t h, double anchor) const;
    // The corner of that box, not yet held to the device range.
    WidePoint placePoint(int64_t x, int64_t y, int64_t w, int64_t h, double anchor) const;

    // ---- refresh bitmap, clip, resolution --------------------------------------------
    GRAPHICS& INTERNGENREFRESHBMP();
    GRAPHICS& INTERNFREEREFRESHBMP();
    GRAPHICS& INTERNFREESAVEDBMP();
    GRAPHICS& INTERNREFRESH(const BOUNDINGBOX& area);
    GRAPHICS& SETCLIPREGION();
    GRAPHICS& SETCLIPREGION(double x, double y, double width, double height, Opt unit = {}, Opt anchor = {});
    GRAPHICS& INTERNGETDEVVALUES();
    // The clip in force, for drawings that clip for themselves and must put it back; `set`
    // is false while the canvas has never been clipped.
    struct SavedClip {
        int32_t x = 0, y = 0, width = 0, height = 0;
        bool set = false;
    };
    SavedClip savedClip() const;
    // Selects the saved clip again; a canvas that had never been clipped gets the whole
    // canvas back and its clip fields as they were.
    GRAPHICS& restoreClip(const SavedClip& clip);

    // ---- colours -----------------------------------------------------------------------
    int SETCOLORCODE(int red, int green, int blue);
    uint32_t CHANGENUM2RGB(double n) const { return num2rgb(n); }
    uint32_t CHANGENUM2BGR(double n) const { return num2bgr(n); }
    uint32_t CHANGECOLOR2RGB(const ColorArg& c) const { return arg2rgb(c); }
    uint32_t CHANGECOLOR2BGR(const ColorArg& c) const { return arg2bgr(c); }
    gui::COLOR CHANGERGB2COLOR(uint32_t v) const { return gui::COLOR(rgbRed(v), rgbGreen(v), rgbBlue(v)); }
    uint32_t CHANGERGB2INVERT(uint32_t v) const { return rgb2invert(v); }
    uint32_t CHANGERGB2GRAY(uint32_t v) const { return rgb2gray(v); }
    int CHANGERGB2NUM(uint32_t v) const { return rgb2num(v); }

    GRAPHICS& SETBACKGROUNDCOLOR();
    GRAPHICS& SETBACKGROUNDCOLOR(const ColorArg& colour);
    GRAPHICS& SETLINECOLOR(const ColorArg& colour);
    GRAPHICS& SETFILLCOLOR(const ColorArg& colour);
    GRAPHICS& SETFILLHATCHCOLOR(const ColorArg& colour);
    GRAPHICS& SETSTRINGCOLOR(const ColorArg& colour);
    GRAPHICS& SETGRADIENTCOLOR(const ColorArg& colour);
    GRAPHICS& SETBLACKANDWHITE(bool on = true);
    uint32_t GETPOINTCOLOR(double x, double y);

    // ---- fill, line and raster attributes ----------------------------------------------
    GRAPHICS& SETFILLHATCH(double code);
    // Up to 8 rows from top to bottom, each up to 8 colours from left to right.
    GRAPHICS& SETFILLPATTERN(const std::vector<std::vector<ColorArg>>& rows);
    GRAPHICS& SETLINEPATTERN(double style);
    GRAPHICS& SETLINEWIDTH(double width);
    GRAPHICS& SETRASTERMODE(double operation);
    GRAPHICS& SETLINECAP(Opt code = {});

    // ---- gradients ---------------------------------------------------------------------
    GRAPHICS& PAINTGRADIENTCANVAS(Opt intensity = {}, Opt direction = {});
    GRAPHICS& PAINTGRADIENTAREA(double x, double y, double width, double height, Opt intensity = {},
                                Opt anchor = {}, Opt direction = {});

    // ---- text --------------------------------------------------------------------------
    // Each argument replaces its attribute only when given.
    GRAPHICS& SETSTRINGFONT(std::optional<FontFace> face = {}, Opt width = {}, Opt height = {},
                            Opt design = {}, Opt respond = {}, Opt angle = {}, Opt quality = {});
    GRAPHICS& INTERNGENSTRINGFONT();
    GRAPHICS& PAINTSTRING(double x, double y, const std::string& text, Opt anchor = {}, Opt backgroundMode = {});
    double GETSTRINGWIDTH(const std::string& text);
    double GETSTRINGHEIGHT(const std::string& text);
    GRAPHICS& SETSTRINGSHADOW(double depth, const ColorArg& colour, double direction);
    GRAPHICS& PAINTSTRINGSHADOW(double x, double y, const std::string& text, Opt anchor = {});
    GRAPHICS& PAINTSTRING3D(double x, double y, const std::string& text, Opt anchor = {});

    // ---- erase, frame, saved areas -----------------------------------------------------
    GRAPHICS& PAINTERASECANVAS();
    GRAPHICS& PAINTFRAMECANVAS();
    GRAPHICS& PAINTERASEAREA(double x, double y, double width, double height, Opt anchor = {});
    GRAPHICS& SETSAVEAREA(double x, double y, double width, double height, Opt anchor = {});
    GRAPHICS& PAINTSAVEDAREA(double x, double y, double width, double height, Opt anchor = {});

    // ---- figures (rectangles, ellipses, lines, polygons, flood fill, control shapes) -------
    GRAPHICS& PAINTRECTANGLE(double x, double y, double width, double height, Opt fill = {}, Opt anchor = {});
    GRAPHICS& PAINTRECTANGLEALIGNED(double x1, double y1, double x2, double y2, Opt fill = {});
    GRAPHICS& PAINTRECTANGLEROUNDED(double x, double y, double width, double height, double cornerWidth,
                                    double cornerHeight, Opt fill = {}, Opt anchor = {});
    GRAPHICS& PAINTELLIPSE(double x, double y, double xRadius, double yRadius, Opt fill = {}, Opt anchor = {});
    GRAPHICS& PAINTELLIPSECURVE(double x, double y, double xRadius, double yRadius, double start, double end,
                                Opt anchor = {});
    GRAPHICS& PAINTELLIPSESECTOR(double x, double y, double xRadius, double yRadius, double start, double end,
                                 Opt fill = {}, Opt anchor = {});
    GRAPHICS& PAINTELLIPSESEGMENT(double x, double y, double xRadius, double yRadius, double start, double end,
                                  Opt fill = {}, Opt anchor = {});
    GRAPHICS& PAINTLINE(double x1, double y1, double x2, double y2);
    GRAPHICS& PAINTLINEGROUP(const NumberRows& points, Opt xShift = {}, Opt yShift = {});
    GRAPHICS& PAINTPOLYGON(const NumberRows& points, Opt fill = {});
    GRAPHICS& PAINTFLOODFILL(double x, double y);
    // A shape around a control of the owning window (any object with ORIGIN() and SIZE()).
    template <class C>
        requires requires(const C& c) { c.ORIGIN().X(); c.SIZE().WIDTH(); }
    GRAPHICS& PAINTCONTROL(const C& control, double shape, Opt fill = {}) {
        return PAINTCONTROLAREA(control.ORIGIN(), control.SIZE(), shape, fill);
    }
    GRAPHICS& PAINTCONTROLAREA(const POINT& origin, const DIMENSION& size, double shape, Opt fill = {});

    // ---- spot light and text on a circle ---------------------------------------------------
    GRAPHICS& PAINTSPOTCANVAS(Opt intensity = {}, Opt mode = {});
    GRAPHICS& PAINTSPOTAREA(double x, double y, double width, double height, Opt intensity = {}, Opt anchor = {},
                            Opt mode = {});
    GRAPHICS& PAINTSTRINGRING(double x, double y, double radius, double angle, Opt align, Opt direction,
                              const std::string& text, Opt anchor = {});

    // ---- points, markers and curves ----------------------------------------------------------
    GRAPHICS& PAINTPOINT(double x, double y);
    GRAPHICS& PAINTPOINTGROUP(const PointRows& points, Opt xShift = {}, Opt yShift = {});
    GRAPHICS& SETMARKERSURFACE(double kind);
    GRAPHICS& SETMARKERSIZE(double size);
    GRAPHICS& SETMARKERLINEWIDTH(double width);
    GRAPHICS& PAINTMARKER(double x, double y);
    GRAPHICS& PAINTMARKERGROUP(const PointRows& points, Opt xShift = {}, Opt yShift = {});
    GRAPHICS& PAINTSPLINE(const NumberRows& points, Opt smoothing = {});
    GRAPHICS& PAINTBEZIER(const NumberRows& points, std::optional<bool> smoothJoins = {}, Opt fill = {});

    // ---- drawing through the device ------------------------------------------------------
    // Hands one drawing object to the device and destroys it: the pattern every PAINT
    // method follows. Drawing objects of other libraries use it as well.
    GRAPHICS& drawObject(OBJECTSHAPE& object);

    // Optional record of the drawing calls, for tests that check geometry without pixels.
    void setTraceSink(DrawTraceSink sink) { trace_ = std::move(sink); }
    void trace(const char* method, std::vector<double> args, std::string text = {}) const;
    void traceRows(const char* method, std::vector<double> args, std::vector<std::vector<double>> rows) const;

    // ---- exported fields -------------------------------------------------------------------
    Device* _ODEVICE = nullptr;
    POINT _OORIGIN;
    DIMENSION _ODIM;
    uint32_t _NBACKGRCOLOR = 0;
    uint32_t _NTEXTCOLOR = 0;
    uint32_t _NLINECOLOR = 0;
    uint32_t _NFILLCOLOR = 0;
    uint32_t _NFILLHATCHCOL = 0;
    uint32_t _NGRADIENTCOLOR = 0;
    uint32_t _NPOSX = 0;
    uint32_t _NPOSY = 0;
    uint32_t _NFONTDESIGN = 0;
    uint32_t _NFONTQUALITY = 0;
    uint32_t _NFONTRESPOND = 0;
    uint32_t _NPIXPROINCHX = 96;
    uint32_t _NPIXPROINCHY = 96;
    uint32_t _NCLIPX = 0;
    uint32_t _NCLIPY = 0;
    uint32_t _NCLIPWIDTH = 0;
    uint32_t _NCLIPHEIGHT = 0;
    int32_t _NORIGINX = 0;
    int32_t _NORIGINY = 0;
    int32_t _NOFFSETX = 0;
    int32_t _NOFFSETY = 0;
    int32_t _NFILLPATTERN = 32;
    int32_t _NLINEWIDTH = 1;
    int32_t _NLINEPATTERN = 0;
    int32_t _NLINECAP = 0x11200;
    int32_t _NRASTERMODE = 13;
    int32_t _NSCROLLOFFSX = 0;
    int32_t _NSCROLLOFFSY = 0;
    int32_t _NMARKERSURF = 5;
    int32_t _NMARKERLINEWIDTH = 1;
    int32_t _NWIDTH = 0;
    int32_t _NHEIGHT = 0;
    int32_t _NMAXWIDTH = 0;
    int32_t _NMAXHEIGHT = 0;
    int32_t _NTOPSPACE = 0;
    double _FFACTORX = 1.0;
    double _FFACTORY = 1.0;
    double _FFONTANGLE = 0.0;
    double _FMARKERSIZE = 5.67;
    bool _LBLACKWHITE = false;
    gdi::HDC _PREFRESHMEMDC = nullptr;
    gdi::HBITMAP _PREFRESHBMP = nullptr;
    gdi::HGDIOBJ _PREFRESHBMPOLD = nullptr;
    gdi::HDC _PSAVEMEMDC = nullptr;
    gdi::HFONT _PFONT = nullptr;
    std::array<uint32_t, 64> _AFILLPATTERN{};
    float _R4TOP = 0.0f, _R4BOTTOM = 0.0f, _R4LEFT = 0.0f, _R4RIGHT = 0.0f;
    float _R4TOPV = 0.0f, _R4BOTTOMV = 0.0f, _R4LEFTV = 0.0f, _R4RIGHTV = 0.0f;

    // Read-only views of the hidden attributes, for the drawing objects and for tests.
    uint32_t shadowDirection() const { return nShadowDirection; }
    uint32_t shadowColor() const { return nShadowColor; }
    double shadowDepth() const { return fShadowDepth; }
    int32_t fontPixelHeight() const { return nFontPixelHeight; }
    int32_t fontPixelWidth() const { return nFontPixelWidth_; }
    int32_t fontEscapement() const { return nFontEscapement_; }
    const FontFace& fontFace() const { return uFontFace; }
    bool sizeFromDevice() const { return lSizeFromDevice; }
    bool hasSavedArea() const { return _PSAVEMEMDC != nullptr; }
    // Where the saved bitmap lies in the area it was saved from: columns cut off on the left,
    // rows cut off at the top, and its size (the part of the area on the refresh bitmap).
    struct SavedCut {
        int32_t left = 0, top = 0, width = 0, height = 0;
    };
    SavedCut savedCut() const { return savedCut_; }
    gdi::HBITMAP savedBitmap() const { return pSavedBmp; }

    // Holder of the shape-file registry of the picture and shape files library.
    struct ShapeRegistry {
        virtual ~ShapeRegistry() = default;
        virtual void DESTROY() = 0;
    };
    std::unique_ptr<ShapeRegistry> oShapeHandle;

private:
    void init(Device* device, int form, int x, int y, int width, int height);
    void paintStringObject(double x, double y, const std::string& text, Opt anchor);
    // Half the distance between shadow and text, in pixels.
    double shadowHalf() const;
    void shadowOffsets(double& hx, double& hy, int& sx, int& sy) const;

    uint32_t nShadowDirection = 7;
    uint32_t nShadowColor = 0;
    int32_t nFontPixelHeight = 0;
    int32_t nFontPixelWidth_ = 0;
    int32_t nFontEscapement_ = 0;
    int32_t nRefreshCanvasWidth = 0;
    int32_t nRefreshCanvasHeight = 0;
    double fShadowDepth = 4.0;
    double fFontWidth = 10.0;
    double fFontHeight = 10.0;
    SavedCut savedCut_;
    gdi::HGDIOBJ pSavedBmpOld = nullptr;
    gdi::HBITMAP pSavedBmp = nullptr;
    FontFace uFontFace = 32.0;
    bool lSizeFromDevice = true;
    bool lClipped_ = false;
    int holds_ = 0;
    bool released_ = false;
    DrawTraceSink trace_;

    friend class OBJECTCLIPREGION;
};

// True when the control's rectangle and the area overlap (touching edges do not).
bool CONTROLSHARESAREA(const BOUNDINGBOX& control, const BOUNDINGBOX& area);

}  // namespace gfx
