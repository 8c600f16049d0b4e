#pragma once
// Number texts of the output lines, built in place without temporary strings: the same text
// the runtime's Str gives for a length and decimals, with its rounding of the shortest
// decimal text, its minus sign only for a non-zero result and its asterisks for a number that
// does not fit.
#include <string>

#include "platform/runtime/value.h"

namespace engine {

// Appends Str(value, length, decimals): right-aligned in `length` characters.
void appendStr(std::string& out, double value, int length, int decimals);
// Appends the same text without its leading blanks.
void appendStrTrimmed(std::string& out, double value, int length, int decimals);
// The length of that text without its leading blanks.
int strTrimmedLength(double value, int length, int decimals);

// Appends DToC(date): the runtime's date text in the layout in force.
void appendDToC(std::string& out, rt::Date date);

}  // namespace engine
