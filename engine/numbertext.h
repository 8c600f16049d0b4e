#pragma once
// Number texts of the output lines, built in place without temporary strings: the same text
// the runtime's Str gives for a length and decimals, with its rounding of the shortest
// decimal text, its minus sign only for a non-zero result and its asterisks for a number that
// does not fit.
#include <string>
#include <string_view>

#include "platform/runtime/value.h"

namespace engine {

// Appends Str(value, length, decimals): right-aligned in `length` characters.
void appendStr(std::string& out, double value, int length, int decimals);
// Appends the same text without its leading blanks.
void appendStrTrimmed(std::string& out, double value, int length, int decimals);
// A number a table stores with more digits than a double keeps comes as its exact text (a
// string value); these take either form, the text as it stands.
void appendStr(std::string& out, const rt::Value& value, int length, int decimals);
void appendStrTrimmed(std::string& out, const rt::Value& value, int length, int decimals);

// Whether a number text has more significant digits than a double keeps exactly (15), so that
// it would come back changed through one.
// Whether a number field's text (blanks trimmed) is written exactly as the number it reads as
// would be at `decimals` decimals: an optional minus, an integer part without leading zeros,
// and a point with exactly `decimals` digits when there are any; at most 15 significant digits,
// so that the text stands for one double; not a negative zero. Such a text can be copied
// instead of read and formatted again.
bool isPlainNumberText(std::string_view text, int decimals);

bool exceedsDouble(std::string_view numberText);

// A dBase field's bytes without the blanks or NUL bytes (some writers pad with those) around
// them.
inline std::string_view trimPadding(std::string_view v) {
    // A blank (0x20) and a NUL are the two bytes without any bit but 0x20.
    auto padding = [](char c) { return (static_cast<unsigned char>(c) & 0xDF) == 0; };
    size_t b = 0, e = v.size();
    while (b < e && padding(v[b])) ++b;
    while (e > b && padding(v[e - 1])) --e;
    return v.substr(b, e - b);
}

// How a number of a dBase table goes to an output, from the text the table holds (blanks
// and NUL bytes around it trimmed; for a field of a binary type the exact text of its value).
enum class TableNumber {
    None,   // the field holds no number (blanks, NULs, the asterisks of a number that did not fit)
    Text,   // `text` is the number to write
    Value,  // a text of another form ("1,5", "1e3"): the number the table reads from it
};
// (A text of another form whose number does not fit the field, "1e5" in N(5,0), is Text: the
// stored text as it stands.)
// `text` becomes the number as formatting at `length` and `decimals` writes it, or, where
// that text would not fit or would drop digits the stored one has (".1234" in N(5,4),
// "123456.5" in N(8,2), "1.2345" in N(8,2), more digits than a double keeps), the stored
// text itself, which reads back as the same number. `text` may point into `stored` or into
// `scratch`.
TableNumber tableNumberText(std::string_view stored, int length, int decimals, std::string& scratch,
                            std::string_view& text);
// The same for a text already trimmed, once it is known not to be what formatting writes.
TableNumber tableNumberForm(std::string_view trimmed, int length, int decimals, std::string& scratch,
                            std::string_view& text);

// The shortest text that reads back as `value` ("0.1", "1e+300", "nan").
std::string shortestText(double value);

// The length of that text without its leading blanks.
int strTrimmedLength(double value, int length, int decimals);

// Appends DToC(date): the runtime's date text in the layout in force.
void appendDToC(std::string& out, rt::Date date);

}  // namespace engine
