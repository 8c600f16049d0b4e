#include "engine/sdfwidths.h"

#include <algorithm>

#include "engine/lineio.h"
#include "engine/numbertext.h"

namespace engine {

SdfWidths sdfStartWidths(const FieldStructure& fields, Format input, SdfMode mode) {
    SdfWidths w;
    size_t n = fields.size();
    w.max.resize(n);
    if (mode == SdfMode::Optimised) w.lead.resize(n);
    for (size_t i = 0; i < n; ++i) {
        int length = fields[i].length;
        if (input == Format::CSV || mode == SdfMode::Plain) {
            w.max[i] = length;
            if (mode == SdfMode::Optimised) w.lead[i] = 0;
        } else if (mode == SdfMode::Optimised) {
            w.max[i] = 0;
            w.lead[i] = 100;
        } else {
            w.max[i] = length - 1;
        }
    }
    return w;
}

bool sdfNeedsWidthPass(Format input, SdfMode mode) { return input != Format::CSV && mode != SdfMode::Plain; }

void measureSdfText(SdfWidths& widths, const FieldDef& field, size_t i, std::string_view value, SdfMode mode,
                    bool characters) {
    if (field.type != "C" || mode == SdfMode::Plain || i >= widths.max.size()) return;
    auto length = [characters](std::string_view text) {
        return static_cast<int>(characters ? utf8Characters(text) : text.size());
    };
    // NUL bytes pad a text as blanks do (the line writes them as blanks).
    constexpr std::string_view kPadding(" \0", 2);
    size_t last = value.find_last_not_of(kPadding);
    int trimmed = last == std::string_view::npos ? 0 : length(value.substr(0, last + 1));
    widths.max[i] = std::max(widths.max[i], trimmed);
    if (mode == SdfMode::Optimised && i < widths.lead.size()) {
        // The padding is ASCII: as many bytes as characters.
        size_t first = value.find_first_not_of(kPadding);
        int lead = first == std::string_view::npos ? length(value) : static_cast<int>(first);
        widths.lead[i] = std::min(widths.lead[i], lead);
    }
}

void measureSdfNumber(SdfWidths& widths, const FieldDef& field, size_t i, double value, SdfMode mode) {
    if (field.type != "N" || mode == SdfMode::Plain || i >= widths.max.size()) return;
    if (mode == SdfMode::Blank) {
        widths.max[i] = std::max(widths.max[i], field.length);
        return;
    }
    const int n = strTrimmedLength(value, field.length, field.decimals);
    widths.max[i] = std::max(widths.max[i], n);
}

void measureSdfNumberText(SdfWidths& widths, const FieldDef& field, size_t i, size_t textLength, SdfMode mode) {
    if (field.type != "N" || mode == SdfMode::Plain || i >= widths.max.size()) return;
    if (mode == SdfMode::Blank) {
        widths.max[i] = std::max(widths.max[i], field.length);
        return;
    }
    widths.max[i] = std::max(widths.max[i], static_cast<int>(std::max<size_t>(textLength, 1)));
}

}  // namespace engine
