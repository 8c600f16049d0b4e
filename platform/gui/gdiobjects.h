#pragma once
// Value classes of the GUI class library: points, sizes, boxes, colours, brushes, pens,
// fonts and hyper-labels.
//
// Member convention (the same in every header of platform/gui): a property of the class
// library is a pair of methods named as the program names it, `T NAME() const` to read and
// `void NAME(T)` to assign; operations are methods of the same upper-case names. Names that
// the class library does not have (our own helpers, the bridges to Qt) are lowerCamel.
// Identifiers with a double underscore are reserved in C++, so `__POINTSIZE` and
// `__FONTFACENAME` are spelled `POINTSIZE` and `FONTFACENAME`.
//
// Geometry is in integer pixels, y-up: an origin is the bottom-left corner of a box,
// measured from the bottom-left corner of the owner's canvas (see geometry.h).
#include <cstdint>
#include <string>

#include <QColor>
#include <QFont>

namespace gui {

class POINT {
public:
    POINT() = default;
    POINT(int x, int y) : x_(x), y_(y) {}
    int X() const { return x_; }
    void X(int x) { x_ = x; }
    int Y() const { return y_; }
    void Y(int y) { y_ = y; }
    friend bool operator==(const POINT&, const POINT&) = default;

private:
    int x_ = 0;
    int y_ = 0;
};

class DIMENSION {
public:
    DIMENSION() = default;
    DIMENSION(int width, int height) : w_(width), h_(height) {}
    int WIDTH() const { return w_; }
    void WIDTH(int w) { w_ = w; }
    int HEIGHT() const { return h_; }
    void HEIGHT(int h) { h_ = h; }
    friend bool operator==(const DIMENSION&, const DIMENSION&) = default;

private:
    int w_ = 0;
    int h_ = 0;
};

// A box given by its bottom-left origin and its size (y-up): BOTTOM is the origin's y,
// TOP = BOTTOM + HEIGHT; LEFT the origin's x, RIGHT = LEFT + WIDTH.
class BOUNDINGBOX {
public:
    BOUNDINGBOX() = default;
    BOUNDINGBOX(const POINT& origin, const DIMENSION& size) : origin_(origin), size_(size) {}
    POINT ORIGIN() const { return origin_; }
    void ORIGIN(const POINT& p) { origin_ = p; }
    DIMENSION SIZE() const { return size_; }
    void SIZE(const DIMENSION& d) { size_ = d; }
    int LEFT() const { return origin_.X(); }
    int BOTTOM() const { return origin_.Y(); }
    int RIGHT() const { return origin_.X() + size_.WIDTH(); }
    int TOP() const { return origin_.Y() + size_.HEIGHT(); }
    int WIDTH() const { return size_.WIDTH(); }
    int HEIGHT() const { return size_.HEIGHT(); }
    bool ISEMPTY() const { return size_.WIDTH() <= 0 || size_.HEIGHT() <= 0; }
    // Whether the two boxes overlap in an area of at least one pixel.
    bool INTERSECTS(const BOUNDINGBOX& other) const;
    friend bool operator==(const BOUNDINGBOX&, const BOUNDINGBOX&) = default;

private:
    POINT origin_;
    DIMENSION size_;
};

// A colour. COLOR(r, g, b) from its components; COLOR(n) from one of the library's
// predefined colour numbers 0..15 (0 black, 1 navy, 2 green, 3 teal, 4 maroon, 5 purple,
// 6 olive, 7 silver, 8 grey, 9 blue, 10 lime, 11 aqua, 12 red, 13 fuchsia, 14 yellow,
// 15 white); a number outside that range is black.
class COLOR {
public:
    COLOR() = default;
    explicit COLOR(int predefined);
    COLOR(int red, int green, int blue);
    static COLOR fromColorRef(uint32_t bgr);  // 0x00BBGGRR, as Win32 keeps colours
    int RED() const { return r_; }
    void RED(int v) { r_ = clamp(v); }
    int GREEN() const { return g_; }
    void GREEN(int v) { g_ = clamp(v); }
    int BLUE() const { return b_; }
    void BLUE(int v) { b_ = clamp(v); }
    uint32_t COLORREF() const { return uint32_t(r_) | (uint32_t(g_) << 8) | (uint32_t(b_) << 16); }
    QColor qcolor() const { return QColor(r_, g_, b_); }
    friend bool operator==(const COLOR&, const COLOR&) = default;

private:
    static int clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
    int r_ = 0;
    int g_ = 0;
    int b_ = 0;
};

// Hatch kinds of a brush, as the class library numbers them.
enum BrushStyle : int {
    BRUSHSOLID = 0,
    BRUSHCLEAR = 1,   // hollow: paints nothing
    BRUSHHATCHHORIZONTAL = 2,
    BRUSHHATCHVERTICAL = 3,
    BRUSHHATCHDIAGONAL45 = 4,
    BRUSHHATCHDIAGONAL135 = 5,
    BRUSHHATCHCROSS = 6,
    BRUSHHATCHDIAGONALCROSS = 7,
};

class BRUSH {
public:
    BRUSH() : style_(BRUSHCLEAR) {}
    explicit BRUSH(const COLOR& color, int style = BRUSHSOLID) : color_(color), style_(style) {}
    const gui::COLOR& color() const { return color_; }
    int STYLE() const { return style_; }
    bool isClear() const { return style_ == BRUSHCLEAR; }
    friend bool operator==(const BRUSH&, const BRUSH&) = default;

private:
    gui::COLOR color_;
    int style_ = BRUSHSOLID;
};

enum LineStyle : int { LINESOLID = 0, LINEDASH = 1, LINEDOT = 2, LINEDASHDOT = 3, LINEDASHDOTDOT = 4, LINENULL = 5 };

class PEN {
public:
    PEN() = default;
    explicit PEN(const COLOR& color, int style = LINESOLID, int width = 1)
        : color_(color), style_(style), width_(width) {}
    const COLOR& color() const { return color_; }
    int STYLE() const { return style_; }
    int WIDTH() const { return width_; }
    friend bool operator==(const PEN&, const PEN&) = default;

private:
    COLOR color_;
    int style_ = LINESOLID;
    int width_ = 1;
};

// Font families of the FONT constructor's first argument.
// 1 (and 0) leave the family to the face name.
enum FontFamily : int {
    FONTANY = 1,
    FONTDECORATIVE = 2,
    FONTMODERN = 3,   // fixed pitch
    FONTROMAN = 4,    // serif
    FONTSCRIPT = 5,
    FONTSWISS = 6,    // sans serif
};

// A font of the class library: built either by point size (its logical size stays 0 by 0
// until the font is made, HEIGHT2/WIDTH2 read 0) or by a logical size in pixels given as a
// DIMENSION (width, height; a negative height is the character height, a positive one the
// cell height, 0 the default) as a logical-font record holds it.
class FONT {
public:
    FONT() = default;
    FONT(int family, int pointSize, const std::string& face = "");
    FONT(int family, const DIMENSION& logicalSize, const std::string& face = "");

    // Weight flags: exactly one of LIGHT (300), NORMAL (400), BOLD (700) is TRUE, except
    // that all three may be FALSE for an explicit other weight (WEIGHT).
    bool LIGHT() const { return weight_ > 0 && weight_ <= 300; }
    void LIGHT(bool on);
    bool NORMAL() const { return weight_ > 300 && weight_ < 700; }
    void NORMAL(bool on);
    bool BOLD() const { return weight_ >= 700; }
    void BOLD(bool on);
    int WEIGHT() const { return weight_; }
    void WEIGHT(int w) { weight_ = w; }
    bool ITALIC() const { return italic_; }
    void ITALIC(bool on) { italic_ = on; }
    bool UNDERLINE() const { return underline_; }
    void UNDERLINE(bool on) { underline_ = on; }
    bool STRIKEOUT() const { return strikeout_; }
    void STRIKEOUT(bool on) { strikeout_ = on; }
    bool PITCHFIXED() const { return pitch_ == 1; }
    void PITCHFIXED(bool on) { pitch_ = on ? 1 : (pitch_ == 1 ? 0 : pitch_); }
    bool PITCHVARIABLE() const { return pitch_ == 2; }
    void PITCHVARIABLE(bool on) { pitch_ = on ? 2 : (pitch_ == 2 ? 0 : pitch_); }

    int FAMILY() const { return family_; }
    int POINTSIZE() const { return pointSize_; }           // __POINTSIZE
    const std::string& FONTFACENAME() const { return face_; }  // __FONTFACENAME
    void FONTFACENAME(const std::string& face) { face_ = face; }
    int HEIGHT2() const { return height_; }  // logical height as held, without making the font
    int WIDTH2() const { return width_; }    // logical width likewise
    // Point size to logical size on the screen (96 dpi): width 0, height minus the point
    // size times 96/72, rounded half away from zero.
    DIMENSION CONVPNTTODIM(int pointSize) const;

    // The font as Qt draws it on a 96-dpi screen. Sizes become pixel sizes: the character
    // height of a negative logical height, the cell height of a positive one scaled to the
    // character height the face reports, the point size when no logical size is set.
    QFont qfont() const;
    friend bool operator==(const FONT&, const FONT&) = default;

private:
    int family_ = FONTANY;
    int pointSize_ = 0;
    int height_ = 0;
    int width_ = 0;
    int weight_ = 400;
    bool italic_ = false;
    bool underline_ = false;
    bool strikeout_ = false;
    int pitch_ = 0;  // 0 default, 1 fixed, 2 variable
    std::string face_;
};

// Name, caption, description (tool tip) and help context of a control. The name is kept
// upper case: it is the control's name symbol.
class HYPERLABEL {
public:
    HYPERLABEL() = default;
    explicit HYPERLABEL(const std::string& name, const std::string& caption = "",
                        const std::string& description = "", const std::string& helpContext = "");
    const std::string& NAMESYM() const { return name_; }
    const std::string& CAPTION() const { return caption_; }
    void CAPTION(const std::string& s) { caption_ = s; }
    const std::string& DESCRIPTION() const { return description_; }
    void DESCRIPTION(const std::string& s) { description_ = s; }
    const std::string& HELPCONTEXT() const { return helpContext_; }
    void HELPCONTEXT(const std::string& s) { helpContext_ = s; }
    friend bool operator==(const HYPERLABEL&, const HYPERLABEL&) = default;

private:
    std::string name_;
    std::string caption_;
    std::string description_;
    std::string helpContext_;
};

// Number-to-integer rule of Win32's MulDiv: a * b / c rounded half away from zero; 0 when c is 0.
int MulDiv(int a, int b, int c);

}  // namespace gui
