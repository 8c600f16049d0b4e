#pragma once
// One SDF output line: fixed-width columns in the order of the output field list.
#include <string>
#include <string_view>
#include <vector>

#include "engine/fieldstructure.h"
#include "platform/runtime/value.h"

namespace engine {

enum class SdfMode { Plain, Blank, Optimised };

// Optimised before blank-separated before plain.
SdfMode sdfMode(bool optimised, bool blankSeparated);

// Per output field: the width of its column without the separating blank (max), and in
// optimised mode the leading blanks a text column drops (lead).
struct SdfWidths {
    std::vector<int> max;
    std::vector<int> lead;
};

struct SdfLineOptions {
    SdfMode mode = SdfMode::Plain;
    bool inDecComma = false;
    bool outDecComma = false;
    bool characters = false;  // widths of text values count UTF-8 characters
};

// The number a text input's value (trimmed) is written as: with `inDecComma` its first ","
// is the decimal point.
double sdfNumber(std::string_view value, bool inDecComma);

// Appends field i of a text input; `value` is already trimmed on both sides.
void appendSdfText(std::string& line, const FieldDef& field, size_t i, std::string_view value,
                   const SdfWidths& widths, const SdfLineOptions& options);
// Appends field i of a dBase input with the value the table gives.
void appendSdfTyped(std::string& line, const FieldDef& field, size_t i, const rt::Value& value,
                    const SdfWidths& widths, const SdfLineOptions& options);
// Removes the blank behind the last value in optimised and blank-separated mode.
void finishSdfLine(std::string& line, const SdfLineOptions& options);

}  // namespace engine
