#pragma once
// The process-wide colour table and the conversions between colour numbers, colour objects
// and packed colour values (RGB: red in the low byte; BGR: blue in the low byte).
#include <QColor>
#include <array>
#include <concepts>
#include <cstdint>
#include <vector>

namespace gfx {

// One row per colour number (1-based: row n is ColorTable[n - 1]), {red, green, blue}.
// Empty until the first canvas is made; rows are only ever appended.
using ColorRow = std::array<int, 3>;
extern std::vector<ColorRow> ColorTable;

constexpr int kBuiltinColors = 411;
constexpr uint32_t kNoColor = 4294967295u;

// Fills ColorTable with the built-in rows (length exactly 411).
void SETCOLORARRAY();

// A colour argument: a colour number, or a colour object given by its three channels.
class ColorArg {
public:
    ColorArg(int number) : number_(number) {}
    ColorArg(double number) : number_(number) {}
    ColorArg(const QColor& c) : isObject_(true), r_(c.red()), g_(c.green()), b_(c.blue()) {}
    // Any colour object offering RED(), GREEN() and BLUE().
    template <class C>
        requires requires(const C& c) { c.RED(); c.GREEN(); c.BLUE(); }
    ColorArg(const C& c)
        : isObject_(true), r_(static_cast<int>(c.RED())), g_(static_cast<int>(c.GREEN())),
          b_(static_cast<int>(c.BLUE())) {}
    static ColorArg rgb(int r, int g, int b) { return ColorArg(QColor::fromRgb(r & 255, g & 255, b & 255)); }

    bool isNumber() const { return !isObject_; }
    double number() const { return number_; }
    int red() const { return r_; }
    int green() const { return g_; }
    int blue() const { return b_; }

private:
    bool isObject_ = false;
    double number_ = 0.0;
    int r_ = 0, g_ = 0, b_ = 0;
};

// Conversions; none of them reads a canvas.
uint32_t num2rgb(double colorNumber);
uint32_t num2bgr(double colorNumber);
uint32_t color2rgb(int red, int green, int blue);
uint32_t color2bgr(int red, int green, int blue);
uint32_t arg2rgb(const ColorArg& c);   // number through the table, object by its channels
uint32_t arg2bgr(const ColorArg& c);
QColor rgb2color(uint32_t rgb);
uint32_t rgb2invert(uint32_t rgb);
uint32_t rgb2gray(uint32_t rgb);
int rgb2num(uint32_t rgb);
// Appends a row; returns its colour number.
int appendColor(int red, int green, int blue);

inline int rgbRed(uint32_t v) { return static_cast<int>(v & 0xFF); }
inline int rgbGreen(uint32_t v) { return static_cast<int>((v >> 8) & 0xFF); }
inline int rgbBlue(uint32_t v) { return static_cast<int>((v >> 16) & 0xFF); }
inline QColor toQColor(uint32_t rgb) { return QColor(rgbRed(rgb), rgbGreen(rgb), rgbBlue(rgb)); }

}  // namespace gfx
