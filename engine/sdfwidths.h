#pragma once
// The column widths of an SDF output: start values by input format and width mode, and the
// measures a width pass takes of every value.
#include <string_view>

#include "engine/fieldstructure.h"
#include "engine/options.h"
#include "engine/sdfline.h"

namespace engine {

// The widths before any value is seen. CSV input is never measured: its widths are the field
// lengths and its leads 0.
SdfWidths sdfStartWidths(const FieldStructure& fields, Format input, SdfMode mode);
// Whether the input must be read once to find the widths (dBase and SDF input, optimised or
// blank-separated mode).
bool sdfNeedsWidthPass(Format input, SdfMode mode);

// Measures one text value (as stored or cut, blanks included) of field i; with `characters`
// in UTF-8 characters, else in bytes.
void measureSdfText(SdfWidths& widths, const FieldDef& field, size_t i, std::string_view value, SdfMode mode,
                    bool characters = false);
// Measures one number of field i.
void measureSdfNumber(SdfWidths& widths, const FieldDef& field, size_t i, double value, SdfMode mode);
// Measures a number of field i by the length of the text it is written as (at least one
// place, so that a column of empty numbers keeps its place).
void measureSdfNumberText(SdfWidths& widths, const FieldDef& field, size_t i, size_t textLength, SdfMode mode);

}  // namespace engine
