#pragma once
// Number conversions and maths of the runtime.
#include <cstdint>
#include <string>
#include <string_view>

namespace rt {

// The one rule that makes a floating-point value a 32-bit integer: round half away from
// zero, saturate at the 32-bit limits, NaN gives 0 (7.5 -> 8, -2.5 -> -3).
int32_t toInt32(double value);

// A 16-bit value to floating point: the low 16 bits of `value` read as a signed number, so
// a negative difference computed in 32 bits stays negative (-255 gives -255.0).
double Int16ToFloat(int32_t value);

double Floor(double value);
double Ceiling(double value);
double Abs(double value);
// Rounded half away from zero to `decimals` places (negative: to tens, hundreds, ...). The
// value is rounded as its shortest decimal text reads, so 1.005 gives 1.01.
double Round(double value, int decimals);
// Integer part, toward zero.
double Integer(double value);

// `value` right-aligned in exactly `length` characters with `decimals` decimals and "." as
// the point. A value that does not fit gives `length` asterisks.
std::string Str(double value, int length, int decimals);
// Without decimals.
std::string Str(double value, int length);
// Default layout: whole numbers right-aligned in 10 characters (wider when they need it),
// other values with as many decimals as their shortest decimal text has.
std::string Str(double value);
// As Str, with leading zeros in place of the leading blanks ("-005" for -5 in 4).
std::string StrZero(double value, int length, int decimals = 0);

// The number the text begins with (leading blanks skipped; sign, digits, "." and fraction);
// a comma or any other character ends it; 0 for an empty or non-numeric text.
double Val(std::string_view text);

}  // namespace rt
