#pragma once
// Splitting CSV lines into fields and recognising the form of single values (numbers, dates,
// logicals). Text is bytes: a byte 0x80 or above never equals a separator, frame, digit,
// point, sign or blank.
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/value.h"

// Splits one CSV line (without its line end) into its fields. Only the first byte of
// `separator` counts, "" means ";"; only the first byte of `frame` counts, "" means the
// double quote. A field is never cut, however long. A frame opens only at the first byte of a
// field that is no blank (the blanks before it are dropped) and closes at the next single
// frame character; inside it a separator is data and a doubled frame character is one. A
// frame character elsewhere is data, and so is one alone right before a separator or the line
// end (a ditto mark) unless the frame it would open closes on the line right before a
// separator or the line end. No other byte is trimmed.
std::vector<std::string> FASTTOKENCSVARRAY(std::string_view line, std::string_view separator = ";",
                                           std::string_view frame = "\"");

// As above into `out`, whose strings are reused (no allocation per line once they are large
// enough); returns the number of fields, to which `out` is resized.
size_t FASTTOKENCSVARRAY(std::string_view line, std::string_view separator, std::string_view frame,
                         std::vector<std::string>& out);
// As above; `frameOpen` tells whether the last field's frame was still open at the end of the
// text, so that the value goes on after the line end.
size_t FASTTOKENCSVARRAY(std::string_view line, std::string_view separator, std::string_view frame,
                         std::vector<std::string>& out, bool& frameOpen);

// As above, the fields as views: into `line`, or into strings of `owned` (reused from call to
// call) for a field whose doubled frame characters had to be made one. The views stay valid
// while `line` and `owned` are neither changed nor destroyed. `dangling`, when given, is set
// as CsvLineShape::dangling tells.
size_t FASTTOKENCSVVIEWS(std::string_view line, std::string_view separator, std::string_view frame,
                         std::vector<std::string_view>& out, std::vector<std::string>& owned, bool& frameOpen,
                         bool* dangling = nullptr);

// What the splitting of one line tells without its fields.
struct CsvLineShape {
    size_t fields = 0;
    // A frame is open at the end of the line: the value goes on after the line end.
    bool open = false;
    // A frame character alone at a field's start right before a separator or the line end, with
    // no single frame character after it on the line, was read as data. Read as the opening of
    // a frame it would leave that frame open past the line end: as writers frame a value that
    // begins with a line break, or with the separator and goes on over lines.
    bool dangling = false;
};
// The shape of `text`; with `inFrame` the scan starts inside a frame opened on an earlier line,
// with `openDangling` the dangling frame character opens its frame.
CsvLineShape CSVLINESHAPE(std::string_view text, std::string_view separator, std::string_view frame, bool inFrame,
                          bool openDangling = false);

// Where a frame open at the start of `text` closes: 0 not on this line, 1 at a single frame
// character right before a separator or the line end (blanks aside), as writers close a frame,
// 2 at one followed by other bytes.
int CSVFRAMECLOSES(std::string_view text, std::string_view separator, std::string_view frame);

// As above; with `numeric` TRUE a field that had no frame becomes a number (an empty field 0,
// otherwise the text with its first "," made "." through Val). The result is an array value.
rt::Value FASTTOKENCSVARRAY(std::string_view line, std::string_view separator, std::string_view frame,
                            bool numeric);

// Whether the text has the form of a number: blanks, then one optional sign, then digits with
// at most one decimal point or comma.
bool FASTISNUMBER(std::string_view value);
// Whether the text has the form of a day.month.year date: leading blanks, then digits and
// exactly two points.
bool FASTISDATE(std::string_view value);
// Whether the text is ".T." or ".F.".
bool FASTISLOGIC(std::string_view value);
