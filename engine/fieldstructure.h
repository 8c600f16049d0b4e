#pragma once
// The field structure of an input or output: one entry per field, in table order.
#include <string>
#include <vector>

namespace engine {

// Name (upper case, at most 10 characters for text input), type ("C", "N", "D", "L", or any
// type a dBase table carries), length and decimals.
struct FieldDef {
    std::string name;
    std::string type;
    int length = 0;
    int decimals = 0;
    // The field's number in the dBase table it comes from (1-based), 0 for a text input's: a
    // table may name two fields alike, so its values are fetched by number. Not part of what
    // a structure is: equal structures may come from different places.
    int number = 0;
    friend bool operator==(const FieldDef& a, const FieldDef& b) {
        return a.name == b.name && a.type == b.type && a.length == b.length && a.decimals == b.decimals;
    }
};
using FieldStructure = std::vector<FieldDef>;

}  // namespace engine
