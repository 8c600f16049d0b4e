#include "engine/fieldlist.h"

#include "engine/csvline.h"

namespace engine {

FieldList buildFieldList(const FieldStructure& input, const std::vector<int>& posIn, const std::vector<int>& lenIn,
                         bool fieldFilter, const std::vector<std::string>& selected, Format output,
                         const std::vector<size_t>* places) {
    FieldList out;
    auto take = [&](size_t k) {
        out.fields.push_back(input[k]);
        if (!posIn.empty()) out.pos.push_back(k < posIn.size() ? posIn[k] : 0);
        if (!lenIn.empty()) out.len.push_back(k < lenIn.size() ? lenIn[k] : 0);
    };
    if (fieldFilter && places) {
        for (size_t k : *places)
            if (k < input.size() && (output == Format::CSV || input[k].length > 0)) take(k);
    } else if (fieldFilter) {
        for (const auto& name : selected) {
            for (size_t k = 0; k < input.size(); ++k) {
                if (input[k].name != name) continue;
                if (output == Format::CSV || input[k].length > 0) take(k);
                break;
            }
        }
    } else if (output == Format::CSV) {
        out.fields = input;
        out.pos = posIn;
        out.len = lenIn;
    } else {
        for (size_t k = 0; k < input.size(); ++k)
            if (input[k].length > 0) take(k);
    }
    // A dBase float field is a number of its length and decimals: text output writes it as
    // such rather than leave it out.
    if (output != Format::DBF)
        for (FieldDef& f : out.fields)
            if (f.type == "F") f.type = "N";
    return out;
}

std::string fieldListItemName(const std::string& item) { return item.substr(0, item.find(',')); }

bool fieldListWritesAnything(const FieldStructure& fields, Format output) {
    if (output == Format::DBF) return !fields.empty();
    for (const auto& f : fields)
        if (fieldIsWritten(f)) return true;
    return false;
}

}  // namespace engine
