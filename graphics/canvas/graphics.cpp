// GRAPHICS: construction, device binding, world coordinates, attributes and the canvas
// methods that hand drawing objects to the device.
#include "graphics/canvas/graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

#include "graphics/canvas/objects.h"

namespace gfx {

// ---- Device ---------------------------------------------------------------------------------

rt::Value makeDrawObjectValue(std::shared_ptr<OBJECTSHAPE> object) {
    return rt::Value(rt::ObjectRef(std::make_shared<DrawObjectValue>(std::move(object))));
}

void drawEach(const rt::Value& items, const std::function<void(OBJECTSHAPE&)>& draw) {
    const auto one = [&](const rt::Value& v) {
        if (!v.isObject()) return;
        if (auto* held = dynamic_cast<const DrawObjectValue*>(v.obj().get()); held && held->object) draw(*held->object);
    };
    if (!items.isArray()) return one(items);
    // A copy of the list: a drawing may not change which objects are drawn.
    const rt::Array list = *items.arr();
    for (const rt::Value& v : list) one(v);
}

// ---- OBJECTSHAPE ---------------------------------------------------------------------------

gdi::HDC OBJECTSHAPE::SELECTDRAWDC(int n) const {
    if (!oCanvas_ || !oCanvas_->_ODEVICE) return nullptr;
    const Device* device = oCanvas_->_ODEVICE;
    const int32_t kind = device->_NDEVICETYP;
    if (n == 1) {
        switch (kind) {
            case kWindowDevice:
            case kPrinterDevice: return handle_;
            case kMemoryDevice: return device->_PBITMAPDC;
            case kMetafileDevice: return device->_PMETAFILEDC;
            default: return nullptr;
        }
    }
    if (n == 2 && kind == kWindowDevice) return oCanvas_->_PREFRESHMEMDC;
    return nullptr;
}

gdi::HBRUSH OBJECTSHAPE::CREATEBMPBRUSH(const std::array<uint32_t, 64>& cells) {
    std::vector<unsigned char> packed(sizeof(gdi::BITMAPINFOHEADER) + 64 * 4);
    gdi::BITMAPINFOHEADER header;
    header.biSize = 40;
    header.biWidth = 8;
    header.biHeight = 8;  // bottom-up: cells 1..8 are the bottom row
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = gdi::BI_RGB;
    std::memcpy(packed.data(), &header, sizeof header);
    for (size_t k = 0; k < 64; ++k) {
        const uint32_t cell = cells[k];
        unsigned char* p = packed.data() + sizeof header + k * 4;
        p[0] = static_cast<unsigned char>(cell & 0xFF);
        p[1] = static_cast<unsigned char>((cell >> 8) & 0xFF);
        p[2] = static_cast<unsigned char>((cell >> 16) & 0xFF);
        p[3] = static_cast<unsigned char>((cell >> 24) & 0xFF);
    }
    return gdi::CreateDIBPatternBrushPt(packed.data(), gdi::DIB_RGB_COLORS);
}

// ---- construction and device binding ---------------------------------------------------------

GRAPHICS::GRAPHICS(Device* device) { init(device, 1, 0, 0, 0, 0); }
GRAPHICS::GRAPHICS(Device* device, int width, int height) { init(device, 3, 0, 0, width, height); }
GRAPHICS::GRAPHICS(Device* device, int x, int y, int width, int height) { init(device, 5, x, y, width, height); }

GRAPHICS::~GRAPHICS() { DESTROY(); }

void GRAPHICS::init(Device* device, int form, int x, int y, int width, int height) {
    _ODEVICE = device;
    if (form == 5) {
        _NPOSX = static_cast<uint32_t>(x);
        _NPOSY = static_cast<uint32_t>(y);
        _NWIDTH = width;
        _NHEIGHT = height;
        lSizeFromDevice = false;
    } else if (form == 3) {
        _NPOSX = _NPOSY = 0;
        _NWIDTH = width;
        _NHEIGHT = height;
        lSizeFromDevice = false;
    } else {
        lSizeFromDevice = true;
    }
    if (ColorTable.empty()) SETCOLORARRAY();
    nRefreshCanvasWidth = 0;
    nRefreshCanvasHeight = 0;
    _NBACKGRCOLOR = num2rgb(15);
    _NLINECOLOR = num2rgb(16);
    _NTEXTCOLOR = num2rgb(16);
    nShadowColor = num2rgb(8);
    _NGRADIENTCOLOR = num2rgb(16);
    _NFILLCOLOR = num2rgb(15);
    _NFILLHATCHCOL = num2rgb(16);
    _NFILLPATTERN = 32;
    _NLINEPATTERN = 0;
    _NLINECAP = 0x11200;
    _NRASTERMODE = 13;
    _NLINEWIDTH = 1;
    _LBLACKWHITE = false;
    _FFACTORX = _FFACTORY = 1.0;
    _NORIGINX = _NORIGINY = 0;
    fShadowDepth = 4.0;
    nShadowDirection = 7;
    _NMARKERLINEWIDTH = 1;
    _NMARKERSURF = 5;
    _FMARKERSIZE = 5.67;
    _R4TOP = _R4TOPV = 0.0f;
    _AFILLPATTERN.fill(num2bgr(15));
    INTERNSETDEVPAR();
    SETSTRINGFONT(32, 10.0, 10.0, 0.0, 0.0, 0.0);
}

GRAPHICS& GRAPHICS::DESTROY() {
    if (_PREFRESHMEMDC) {
        INTERNFREEREFRESHBMP();
        _PREFRESHMEMDC = nullptr;
    }
    if (_PSAVEMEMDC) {
        INTERNFREESAVEDBMP();
        _PSAVEMEMDC = nullptr;
    }
    if (_PFONT) {
        gdi::DeleteObject(_PFONT);
        _PFONT = nullptr;
    }
    if (oShapeHandle) {
        oShapeHandle->DESTROY();
        oShapeHandle.reset();
    }
    _ODEVICE = nullptr;
    _ODIM = DIMENSION();
    _OORIGIN = POINT();
    pSavedBmp = nullptr;
    pSavedBmpOld = nullptr;
    _PREFRESHBMP = nullptr;
    _PREFRESHBMPOLD = nullptr;
    return *this;
}

void GRAPHICS::release(std::unique_ptr<GRAPHICS> canvas) {
    if (!canvas) return;
    canvas->DESTROY();
    if (canvas->holds_ == 0) return;
    canvas->released_ = true;
    (void)canvas.release();  // the last hold deletes it
}

int32_t GRAPHICS::GETDEVICETYPE() const { return _ODEVICE ? _ODEVICE->_NDEVICETYP : -1; }

GRAPHICS& GRAPHICS::INTERNSETDEVPAR() {
    if (!_ODEVICE) return *this;
    _NTOPSPACE = 0;
    DIMENSION size = _ODEVICE->canvasAreaSize();
    if (_ODEVICE->_NDEVICETYP == kWindowDevice) {
        const int toolBar = _ODEVICE->ownToolBarHeight();
        if (toolBar > 0) {
            _NTOPSPACE = toolBar;
            size.HEIGHT(size.HEIGHT() - toolBar);
        }
    }
    if (lSizeFromDevice) {
        _NMAXWIDTH = size.WIDTH();
        _NMAXHEIGHT = size.HEIGHT();
        _OORIGIN = POINT(0, 0);
    } else {
        _NMAXWIDTH = _NWIDTH;
        _NMAXHEIGHT = _NHEIGHT;
        // The position as the 32-bit pattern it was given in, held to the device range.
        _OORIGIN = POINT(deviceClamp(static_cast<int32_t>(_NPOSX)), deviceClamp(static_cast<int32_t>(_NPOSY)));
    }
    // No canvas reaches beyond the device range, so that its edges fit 32 bits.
    _NMAXWIDTH = std::clamp(_NMAXWIDTH, 0, kDeviceLimit);
    _NMAXHEIGHT = std::clamp(_NMAXHEIGHT, 0, kDeviceLimit);
    _ODIM = DIMENSION(_NMAXWIDTH, _NMAXHEIGHT);
    _NOFFSETX = saturate32(int64_t(_OORIGIN.X()) + _NORIGINX);
    _NOFFSETY = saturate32(int64_t(_OORIGIN.Y()) + _NORIGINY);
    if (_ODEVICE->_NDEVICETYP == kWindowDevice &&
        (nRefreshCanvasWidth != _NMAXWIDTH || nRefreshCanvasHeight != _NMAXHEIGHT)) {
        INTERNGENREFRESHBMP();
        nRefreshCanvasWidth = _NMAXWIDTH;
        nRefreshCanvasHeight = _NMAXHEIGHT;
    }
    SETBACKGROUNDCOLOR();
    INTERNGETDEVVALUES();
    return *this;
}

GRAPHICS& GRAPHICS::drawObject(OBJECTSHAPE& object) {
    if (_ODEVICE) _ODEVICE->DRAW(object);
    object.DESTROY();
    return *this;
}

void GRAPHICS::trace(const char* method, std::vector<double> args, std::string text) const {
    if (trace_) trace_(DrawCall{method, std::move(args), std::move(text)});
}

// ---- world coordinates ----------------------------------------------------------------------

GRAPHICS& GRAPHICS::SETWORLDORIGIN(double x, double y) {
    _NORIGINX = whole(x);
    _NORIGINY = whole(y);
    _NOFFSETX = saturate32(int64_t(_OORIGIN.X()) + _NORIGINX);
    _NOFFSETY = saturate32(int64_t(_OORIGIN.Y()) + _NORIGINY);
    return *this;
}

GRAPHICS& GRAPHICS::SETWORLDSYSTEM(double fx, double fy) {
    _FFACTORX = fx;
    _FFACTORY = fy;
    return *this;
}

GRAPHICS& GRAPHICS::SETWORLDSYSNORM(bool centre) {
    const double w = _ODIM.WIDTH(), h = _ODIM.HEIGHT();
    SETWORLDSYSTEM(w / 1000.0, h / 1000.0);
    if (centre) {
        SETWORLDORIGIN(w / 2.0, h / 2.0);
    } else {
        SETWORLDORIGIN(1, 1);
    }
    return *this;
}

double GRAPHICS::GETWORLDCOORDX(double p) const { return (p - _NORIGINX) / _FFACTORX; }
double GRAPHICS::GETWORLDCOORDY(double p) const { return (p - _NORIGINY) / _FFACTORY; }
double GRAPHICS::GETPHYSCOORDX(double w) const { return w * _FFACTORX + _NORIGINX; }
double GRAPHICS::GETPHYSCOORDY(double w) const { return w * _FFACTORY + _NORIGINY; }
double GRAPHICS::GETWORLDPOINTX(double n) const { return n / _FFACTORX * (_NPIXPROINCHX / 72.0); }
double GRAPHICS::GETWORLDPOINTY(double n) const { return n / _FFACTORY * (_NPIXPROINCHY / 72.0); }

namespace {

// Shift of an anchor code for a box of w by h, as floating-point values.
void anchorShift(double anchor, double w, double h, double& dx, double& dy) {
    dx = dy = 0.0;
    if (anchor == 1) {
        dy = h / 2.0;
    } else if (anchor == 2) {
        dy = h;
    } else if (anchor == 3) {
        dx = w / 2.0;
        dy = h;
    } else if (anchor == 4) {
        dx = w;
        dy = h;
    } else if (anchor == 5) {
        dx = w;
        dy = h / 2.0;
    } else if (anchor == 6) {
        dx = w;
    } else if (anchor == 7) {
        dx = w / 2.0;
    } else if (anchor == 10) {
        dx = w / 2.0;
        dy = h / 2.0;
    }
}

constexpr double kDeg = 180.0 / kPi;

}  // namespace

GRAPHICS& GRAPHICS::GETORIGINPOINT(int32_t& x, int32_t& y, double w, double h, double anchor) {
    double dx, dy;
    anchorShift(anchor, w, h, dx, dy);
    x = whole(x - dx);
    y = whole(y - dy);
    return *this;
}

GRAPHICS& GRAPHICS::GETORIGINPOINT(double& x, double& y, double w, double h, double anchor) {
    double dx, dy;
    anchorShift(anchor, w, h, dx, dy);
    x -= dx;
    y -= dy;
    return *this;
}

WidePoint GRAPHICS::placePoint(int64_t x, int64_t y, int64_t w, int64_t h, double anchor) const {
    double dx, dy;
    anchorShift(anchor, double(w), double(h), dx, dy);
    // Whole pixels shifted by whole or half pixels, made whole as GETORIGINPOINT does: exact
    // in a double within the wide range.
    return WidePoint{dx == 0.0 ? x : std::llround(double(x) - dx), dy == 0.0 ? y : std::llround(double(y) - dy)};
}

DeviceBox GRAPHICS::placeBox(int64_t x, int64_t y, int64_t w, int64_t h, double anchor) const {
    const WidePoint p = placePoint(x, y, w, h, anchor);
    return DeviceBox{deviceClamp(p.x), deviceClamp(p.y), deviceClamp(p.x + w), deviceClamp(p.y + h)};
}

GRAPHICS& GRAPHICS::GETORIGINPOINTANGLE(int32_t& x, int32_t& y, double w, double h, double anchor) {
    double dx, dy;
    anchorShift(anchor, w, h, dx, dy);
    double a = _FFONTANGLE;
    if (a < 0) {
        a = -a;
    } else if (std::fmod(a, 90.0) != 0.0) {
        const double a1 = (_FFONTANGLE + 90.0) / kDeg;
        const double q = GATAN2(_ODIM.WIDTH(), _ODIM.HEIGHT());
        const double r = GATAN2(std::sin(a1) * std::sin(q), std::cos(a1) * std::cos(q)) * kDeg;
        a = r - 90.0 >= 0.0 ? r - 90.0 : r + 270.0;
    }
    // The text turns counterclockwise about its reference point (y up), so the anchor's
    // offset inside the text box turns the same way with it.
    const double t = a / kDeg;
    const int32_t ox = whole(dx * std::cos(t) - dy * std::sin(t));
    const int32_t oy = whole(dx * std::sin(t) + dy * std::cos(t));
    x -= ox;
    y -= oy;
    return *this;
}

// ---- refresh bitmap, clip, resolution -------------------------------------------------------

GRAPHICS& GRAPHICS::INTERNGENREFRESHBMP() {
    if (_PREFRESHMEMDC) INTERNFREEREFRESHBMP();
    OBJECTREFRESHBMPGEN o(this);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::INTERNFREEREFRESHBMP() {
    gdi::SelectObject(_PREFRESHMEMDC, _PREFRESHBMPOLD);
    gdi::DeleteObject(_PREFRESHBMP);
    gdi::DeleteDC(_PREFRESHMEMDC);
    _PREFRESHBMPOLD = nullptr;
    _PREFRESHMEMDC = nullptr;
    _PREFRESHBMP = nullptr;
    return *this;
}

GRAPHICS& GRAPHICS::INTERNFREESAVEDBMP() {
    gdi::SelectObject(_PSAVEMEMDC, pSavedBmpOld);
    gdi::DeleteObject(pSavedBmp);
    gdi::DeleteDC(_PSAVEMEMDC);
    pSavedBmpOld = nullptr;
    _PSAVEMEMDC = nullptr;
    pSavedBmp = nullptr;
    return *this;
}

GRAPHICS& GRAPHICS::INTERNREFRESH(const BOUNDINGBOX& area) {
    OBJECTREFRESHBMP o(this, area);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::SETCLIPREGION() { return SETCLIPREGION(0, 0, _ODIM.WIDTH(), _ODIM.HEIGHT(), 0.0); }

GRAPHICS& GRAPHICS::SETCLIPREGION(double x, double y, double width, double height, Opt unit, Opt anchor) {
    OBJECTCLIPREGION o(this, _ODEVICE, x, y, width, height, unit, anchor);
    return *this;
}

GRAPHICS::SavedClip GRAPHICS::savedClip() const {
    // The fields hold 32-bit patterns; negative positions come back as they went in.
    return SavedClip{static_cast<int32_t>(_NCLIPX), static_cast<int32_t>(_NCLIPY), static_cast<int32_t>(_NCLIPWIDTH),
                     static_cast<int32_t>(_NCLIPHEIGHT), lClipped_};
}

GRAPHICS& GRAPHICS::restoreClip(const SavedClip& clip) {
    if (clip.set) return SETCLIPREGION(clip.x, clip.y, clip.width, clip.height, 0.0);
    // Restoring the zero fields of a canvas that was never clipped would select a region
    // of one pixel and hide every later drawing.
    SETCLIPREGION();
    _NCLIPX = static_cast<uint32_t>(clip.x);
    _NCLIPY = static_cast<uint32_t>(clip.y);
    _NCLIPWIDTH = static_cast<uint32_t>(clip.width);
    _NCLIPHEIGHT = static_cast<uint32_t>(clip.height);
    lClipped_ = false;
    return *this;
}

GRAPHICS& GRAPHICS::INTERNGETDEVVALUES() {
    OBJECTDEVICEVALUES o(this);
    return drawObject(o);
}

// ---- colours --------------------------------------------------------------------------------

int GRAPHICS::SETCOLORCODE(int red, int green, int blue) { return appendColor(red, green, blue); }

GRAPHICS& GRAPHICS::SETBACKGROUNDCOLOR() {
    if (_LBLACKWHITE) _NBACKGRCOLOR = rgb2gray(_NBACKGRCOLOR);
    if (_ODEVICE) _ODEVICE->setBackground(_NBACKGRCOLOR);
    if (_PREFRESHMEMDC) gdi::SetBkColor(_PREFRESHMEMDC, _NBACKGRCOLOR);
    return *this;
}

GRAPHICS& GRAPHICS::SETBACKGROUNDCOLOR(const ColorArg& colour) {
    _NBACKGRCOLOR = arg2rgb(colour);
    return SETBACKGROUNDCOLOR();
}

GRAPHICS& GRAPHICS::SETLINECOLOR(const ColorArg& c) {
    if (!_LBLACKWHITE) _NLINECOLOR = arg2rgb(c);
    return *this;
}

GRAPHICS& GRAPHICS::SETFILLCOLOR(const ColorArg& c) {
    _NFILLCOLOR = _LBLACKWHITE ? rgb2gray(arg2rgb(c)) : arg2rgb(c);
    return *this;
}

GRAPHICS& GRAPHICS::SETFILLHATCHCOLOR(const ColorArg& c) {
    if (!_LBLACKWHITE) _NFILLHATCHCOL = arg2rgb(c);
    return *this;
}

GRAPHICS& GRAPHICS::SETSTRINGCOLOR(const ColorArg& c) {
    if (!_LBLACKWHITE) _NTEXTCOLOR = arg2rgb(c);
    return *this;
}

GRAPHICS& GRAPHICS::SETGRADIENTCOLOR(const ColorArg& c) {
    _NGRADIENTCOLOR = _LBLACKWHITE ? rgb2gray(arg2rgb(c)) : arg2rgb(c);
    return *this;
}

GRAPHICS& GRAPHICS::SETBLACKANDWHITE(bool on) {
    if (!on) {
        _LBLACKWHITE = false;
        return *this;
    }
    _LBLACKWHITE = true;
    _NBACKGRCOLOR = num2rgb(15);
    _NLINECOLOR = num2rgb(16);
    _NTEXTCOLOR = num2rgb(16);
    nShadowColor = num2rgb(7);
    _NFILLCOLOR = num2rgb(7);
    _NFILLHATCHCOL = num2rgb(16);
    _NRASTERMODE = 13;
    return SETBACKGROUNDCOLOR();
}

uint32_t GRAPHICS::GETPOINTCOLOR(double x, double y) {
    if (!_PREFRESHMEMDC) return kNoColor;
    OBJECTPOINTCOLOR o(this, x, y);
    if (_ODEVICE) _ODEVICE->DRAW(o);
    const uint32_t colour = o.GETCOLOR();
    o.DESTROY();
    return colour;
}

// ---- fill, line and raster attributes --------------------------------------------------------

GRAPHICS& GRAPHICS::SETFILLHATCH(double code) {
    _NFILLPATTERN = whole(code);
    return *this;
}

GRAPHICS& GRAPHICS::SETFILLPATTERN(const std::vector<std::vector<ColorArg>>& rows) {
    for (size_t r = 1; r <= rows.size() && r <= 8; ++r) {
        const auto& row = rows[r - 1];
        for (size_t k = 1; k <= row.size() && k <= 8; ++k) {
            _AFILLPATTERN[8 * (8 - r) + k - 1] = arg2bgr(row[k - 1]);
        }
    }
    return *this;
}

GRAPHICS& GRAPHICS::SETLINEPATTERN(double style) {
    _NLINEPATTERN = whole(style);
    return *this;
}

GRAPHICS& GRAPHICS::SETLINEWIDTH(double width) {
    _NLINEWIDTH = whole(width);
    return *this;
}

GRAPHICS& GRAPHICS::SETRASTERMODE(double operation) {
    if (!_LBLACKWHITE) _NRASTERMODE = whole(operation);
    return *this;
}

GRAPHICS& GRAPHICS::SETLINECAP(Opt code) {
    const int c = code ? whole(*code) : 0;
    if (c == 1) {
        _NLINECAP = gdi::PS_GEOMETRIC | gdi::PS_ENDCAP_ROUND | gdi::PS_JOIN_ROUND;
    } else if (c == 2) {
        _NLINECAP = gdi::PS_GEOMETRIC | gdi::PS_ENDCAP_SQUARE | gdi::PS_JOIN_BEVEL;
    } else {
        _NLINECAP = gdi::PS_GEOMETRIC | gdi::PS_ENDCAP_FLAT | gdi::PS_JOIN_BEVEL;
    }
    return *this;
}

// ---- gradients ------------------------------------------------------------------------------

namespace {
std::vector<double> given(std::initializer_list<Opt> values) {
    std::vector<double> out;
    for (const Opt& v : values)
        if (v) out.push_back(*v);
    return out;
}
}  // namespace

GRAPHICS& GRAPHICS::PAINTGRADIENTCANVAS(Opt intensity, Opt direction) {
    trace("PAINTGRADIENTCANVAS", given({intensity, direction}));
    const uint32_t keptBackground = _NBACKGRCOLOR;
    if (_LBLACKWHITE) {
        intensity = 5.0;
        _NBACKGRCOLOR = 16777215u;
    }
    OBJECTGRADIENTCANVAS o(this, intensity, direction);
    if (_ODEVICE) _ODEVICE->DRAW(o);
    if (_LBLACKWHITE) _NBACKGRCOLOR = keptBackground;
    o.DESTROY();
    return *this;
}

GRAPHICS& GRAPHICS::PAINTGRADIENTAREA(double x, double y, double width, double height, Opt intensity, Opt anchor,
                                      Opt direction) {
    std::vector<double> args{x, y, width, height};
    for (double v : given({intensity, anchor, direction})) args.push_back(v);
    trace("PAINTGRADIENTAREA", std::move(args));
    const uint32_t keptBackground = _NBACKGRCOLOR;
    if (_LBLACKWHITE) {
        intensity = 5.0;
        _NBACKGRCOLOR = 16777215u;
    }
    OBJECTGRADIENTAREA o(this, x, y, width, height, anchor, intensity, direction);
    if (_ODEVICE) _ODEVICE->DRAW(o);
    if (_LBLACKWHITE) _NBACKGRCOLOR = keptBackground;
    o.DESTROY();
    return *this;
}

// ---- erase, frame, saved areas --------------------------------------------------------------

GRAPHICS& GRAPHICS::PAINTERASECANVAS() {
    trace("PAINTERASECANVAS", {});
    OBJECTERASECANVAS o(this);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTFRAMECANVAS() {
    trace("PAINTFRAMECANVAS", {});
    OBJECTFRAMECANVAS o(this);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::PAINTERASEAREA(double x, double y, double width, double height, Opt anchor) {
    std::vector<double> args{x, y, width, height};
    if (anchor) args.push_back(*anchor);
    trace("PAINTERASEAREA", std::move(args));
    OBJECTERASEAREA o(this, x, y, width, height, anchor);
    return drawObject(o);
}

GRAPHICS& GRAPHICS::SETSAVEAREA(double x, double y, double width, double height, Opt anchor) {
    if (!_PREFRESHMEMDC) return *this;
    if (_PSAVEMEMDC) INTERNFREESAVEDBMP();
    int32_t X, Y, W, H;
    areaRect(*this, x, y, width, height, anchor ? static_cast<uint16_t>(whole(*anchor)) : 0, X, Y, W, H);
    // Only the part of the area that lies on the refresh bitmap is kept: the rest holds nothing
    // to restore, and an area far larger than the canvas would otherwise take a bitmap of its
    // own size. The copy covers the columns X .. X + W - 1 and the rows Y + 1 .. Y + H (y up);
    // the bitmap's rows run from -origin y up to its height less one and the tool-bar rows.
    const int64_t left = std::max<int64_t>(X, 0);
    const int64_t right = std::min<int64_t>(int64_t(X) + W - 1, int64_t(_OORIGIN.X()) + _ODIM.WIDTH() - 1);
    const int64_t low = std::max<int64_t>(int64_t(Y) + 1, -int64_t(_OORIGIN.Y()));
    const int64_t high = std::min<int64_t>(int64_t(Y) + H, int64_t(_ODIM.HEIGHT()) - 1 + _NTOPSPACE);
    savedCut_ = SavedCut{};
    if (W > 0 && H > 0 && left <= right && low <= high) {
        savedCut_ = SavedCut{int32_t(left - X), int32_t(int64_t(Y) + H - high), int32_t(right - left + 1),
                             int32_t(high - low + 1)};
    }
    const int32_t w = savedCut_.width, h = savedCut_.height;
    _PSAVEMEMDC = gdi::CreateCompatibleDC(_PREFRESHMEMDC);
    pSavedBmp = gdi::CreateCompatibleBitmap(_PREFRESHMEMDC, w, h);
    if (!pSavedBmp) pSavedBmp = gdi::CreateBitmap(w, h, 1, 1, nullptr);
    pSavedBmpOld = gdi::SelectObject(_PSAVEMEMDC, pSavedBmp);
    if (w > 0 && h > 0) gdi::BitBlt(_PSAVEMEMDC, 0, 0, w, h, _PREFRESHMEMDC, int32_t(left), int32_t(low - 1), gdi::SRCCOPY);
    return *this;
}

GRAPHICS& GRAPHICS::PAINTSAVEDAREA(double x, double y, double width, double height, Opt anchor) {
    if (!_PSAVEMEMDC) return *this;
    std::vector<double> args{x, y, width, height};
    if (anchor) args.push_back(*anchor);
    trace("PAINTSAVEDAREA", std::move(args));
    OBJECTSAVEDAREA o(this, x, y, width, height, anchor);
    return drawObject(o);
}

// ---- areas ----------------------------------------------------------------------------------

void areaRect(GRAPHICS& g, double x, double y, double width, double height, uint16_t anchor, int32_t& X,
              int32_t& Y, int32_t& W, int32_t& H) {
    const DeviceBox box = g.placeBox(g.wideX(x), g.wideY(y), g.wideW(width), g.wideH(height), anchor);
    X = box.left;
    Y = box.bottom;
    W = box.width();
    H = box.height();
}

bool CONTROLSHARESAREA(const BOUNDINGBOX& control, const BOUNDINGBOX& area) {
    gdi::RECT a, c, out;
    gdi::SetRect(&a, area.LEFT(), area.ORIGIN().Y(), area.RIGHT(), area.TOP());
    gdi::SetRect(&c, control.ORIGIN().X(), control.ORIGIN().Y(), control.ORIGIN().X() + control.WIDTH(),
                 control.ORIGIN().Y() + control.HEIGHT());
    return gdi::IntersectRect(&out, &a, &c) != 0;
}

}  // namespace gfx
