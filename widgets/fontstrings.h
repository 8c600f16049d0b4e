#pragma once
// Font strings: the fixed-layout text form of a font kept in the settings file.
//   positions 1-4 weight, 5-8 logical height, 9-12 logical width (each right-aligned,
//   zero-padded, a negative number sign first: -13 is "-013"), 13 "T" italic or "F",
//   14.. the face name.
#include <optional>
#include <string>

#include "platform/gui/gdiobjects.h"
#include "platform/runtime/value.h"

namespace widgets {

// The font string of a font; "" for anything that is not a FONT.
std::string FONTTOSTRING(const gui::FONT& font);
std::string FONTTOSTRING(const rt::Value& notAFont);
// A font built from a font string. When both width and height are numeric they give the
// size; else a width of logical TRUE gives 0 by 0; else the string's size is used.
gui::FONT STRINGTOFONT(const std::string& fontString, const rt::Value& width = rt::Value(),
                       const rt::Value& height = rt::Value());

}  // namespace widgets
