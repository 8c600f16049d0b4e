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
    friend bool operator==(const FieldDef&, const FieldDef&) = default;
};
using FieldStructure = std::vector<FieldDef>;

}  // namespace engine
