#pragma once
// One CSV output line, built field by field from the output field list and a record's values.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/fieldstructure.h"
#include "platform/runtime/value.h"

namespace engine {

enum class CsvFrame { None, Text, All };

struct CsvLineOptions {
    char separator = ';';  // ";", ",", "/" or TAB
    CsvFrame frame = CsvFrame::Text;
    bool inDecComma = false;   // a text input writes its numbers with a decimal comma
    bool outDecComma = false;  // numbers are written with a decimal comma
    // Where the line is recoded byte for byte into the output's code page: the byte each byte
    // becomes there, so that a character written as a quote or as the separator (a
    // typographic quote, a low comma) follows the rules of that character. Null otherwise.
    const char* outBytes = nullptr;
    // Where set, counts the characters of text values the frame rules replace: a double
    // quote made an apostrophe in a framed value, a separator or line break made a blank in
    // an unframed one.
    uint64_t* replaced = nullptr;
};

// Whether a dBase logical field's byte says true or false (T, t, Y, y, F, f, N, n); any other
// ("?", a blank) leaves it unset, which the outputs keep: an empty CSV value, a blank SDF
// column, the same byte in a dBase table.
inline bool isSetLogical(char c) {
    switch (c) {
    case 'T': case 't': case 'Y': case 'y': case 'F': case 'f': case 'N': case 'n': return true;
    default: return false;
    }
}

// Whether a field of this type puts anything into a CSV or SDF line (C, N, L and D do;
// memo and other dBase types do not).
bool fieldIsWritten(const FieldDef& field);

// Appends the text of one field and the separator behind it. `value` is the text input's
// value, already trimmed on both sides.
void appendCsvText(std::string& line, const FieldDef& field, std::string_view value, const CsvLineOptions& options);
// The same for a typed value of a dBase input.
void appendCsvTyped(std::string& line, const FieldDef& field, const rt::Value& value, const CsvLineOptions& options);
// The same straight from a dBase field's bytes in its record (a table whose text needs no
// recoding), with the field's type letter as the table has it: what appendCsvTyped writes for
// the value the table would give. False, with nothing appended, where the bytes must go the
// general way: a number not written as formatting would write it, a date that is none.
bool appendCsvRaw(std::string& line, const FieldDef& field, char tableType, std::string_view bytes,
                  const CsvLineOptions& options);
// Removes the separator behind the last value.
void finishCsvLine(std::string& line);

}  // namespace engine
