#pragma once
// The order of index keys: code page 1252 text compared by a weight per byte, so that a
// letter's upper and lower case and its accented forms sort together.
//
// Weights, lowest first:
//   1. control characters 0x00 to 0x1F, by byte;
//   2. the blank, then every other character that is neither digit nor letter (ASCII
//      punctuation, the symbols of 0x80 to 0xBF, the multiplication and division signs),
//      by byte;
//   3. the digits 0 to 9;
//   4. the letters A to Z, each together with its lower case and accented forms:
//      A: À Á Â Ã Ä Å Æ and their small forms; C: Ç ç; D: Ð ð; E: È É Ê Ë è é ê ë;
//      F: ƒ; I: Ì Í Î Ï ì í î ï; N: Ñ ñ; O: Ò Ó Ô Õ Ö Ø Œ and their small forms;
//      S: Š š ß; U: Ù Ú Û Ü ù ú û ü; Y: Ý ý Ÿ ÿ; Z: Ž ž;
//   5. Þ þ, after Z.
// Two keys are compared by their weights, the shorter one taken as filled with blanks; equal
// weights are decided by the bytes themselves (so "A" < "a" < "Ä"), and, in an index, equal
// keys by record number.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace db::collation {

uint16_t weight(unsigned char byte);

// <0, 0 or >0.
int compare(std::string_view a, std::string_view b);

// The weights of the eight bytes from `from` on (blank-filled) packed into one word for a
// quick comparison: keys whose words differ compare as their words do, the first word first.
uint64_t prefix(std::string_view key, size_t from = 0);

}  // namespace db::collation
