#pragma once
// The output field list: the input fields that a write carries, in input order, with their
// start columns and widths.
#include <string>
#include <vector>

#include "engine/fieldstructure.h"
#include "engine/options.h"

namespace engine {

struct FieldList {
    FieldStructure fields;
    std::vector<int> pos;  // empty when the input has no positions (dBase input)
    std::vector<int> len;  // empty when the input has no widths (CSV and dBase input)
};

// `selected` are the chosen names in list order, used while `fieldFilter` is on; an unknown
// name is skipped. Without a filter a dBase or SDF output takes every field of a length above
// 0, a CSV output every field.
// `places`, where given, are the places in `input` (0-based) of the chosen items and take the
// names' place: a table may name two fields alike.
FieldList buildFieldList(const FieldStructure& input, const std::vector<int>& posIn, const std::vector<int>& lenIn,
                         bool fieldFilter, const std::vector<std::string>& selected, Format output,
                         const std::vector<size_t>* places = nullptr);

// The name part of a field list item ("NAME,    C,    10,    0" gives "NAME").
std::string fieldListItemName(const std::string& item);

// Whether any field of the list puts something into the output's records: for CSV and SDF
// output a field of type C, N, L or D; for a dBase output any field.
bool fieldListWritesAnything(const FieldStructure& fields, Format output);

}  // namespace engine
