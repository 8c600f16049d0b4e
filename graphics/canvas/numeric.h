#pragma once
// Numeric helpers shared by the graphics library: the one float-to-integer rule of every
// position and size, the runtime level and the small maths functions of the drawing code.
#include <cstdint>
#include <string>

namespace gfx {

// Float to 32-bit integer by the runtime's one rule (round half away from zero, saturating,
// NaN to 0). Every world position, size and anchor shift of the canvas goes through it.
int32_t whole(double v);
// Float to a 64-bit integer by the same rule, held within +-2^52: positions far beyond any
// device keep their side and their direction from the device, and sums of a few of them with
// 32-bit offsets cannot overflow.
int64_t wholeWide(double v);
inline constexpr int64_t kWideLimit = int64_t(1) << 52;
// A 64-bit value held at the ends of the 32-bit range rather than wrapping.
inline int32_t saturate32(int64_t v) { return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v); }

// Which generation of the platform runtime the window classes run on: 0 until
// INITFUNCTION has run, then 20, 25, 26, 27 or 28.
extern uint16_t RuntimeLevel;

// Text that stands for the platform runtime's version; it carries no generation marker,
// so the level becomes 27 and every newer path is taken.
const char* runtimeVersionText();

// Library init procedure: sets RuntimeLevel.
void INITFUNCTION();
// Sets RuntimeLevel from a version text (the runtime's own when none is given) and returns it.
uint16_t GETVOVERSION();
uint16_t GETVOVERSION(const std::string& versionText);

// Integer part toward zero.
double GINTEG(double n);
// Angle of the point (x, y) in radians, -pi..pi; -pi on the negative x axis.
double GATAN2(double y, double x);
// Arcsine in radians for -1..1.
double GASIN(double f);

constexpr double kPi = 3.141592653589793;

}  // namespace gfx
