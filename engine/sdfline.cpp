#include "engine/sdfline.h"

#include <algorithm>

#include "engine/lineio.h"
#include "engine/numbertext.h"
#include "platform/runtime/dates.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/strings.h"

namespace engine {

namespace {

void replaceFirst(std::string& text, char from, char to) {
    auto pos = text.find(from);
    if (pos != std::string::npos) text[pos] = to;
}

// A CR or LF inside a value would split the line, a NUL byte (the padding of some dBase
// writers) is none of its text: a blank keeps the column's width.
void blankLineBreaks(std::string& line, size_t from) {
    for (size_t i = from; i < line.size(); ++i)
        if (line[i] == '\r' || line[i] == '\n' || line[i] == '\0') line[i] = ' ';
}

bool separated(const SdfLineOptions& o) { return o.mode != SdfMode::Plain; }

}  // namespace

SdfMode sdfMode(bool optimised, bool blankSeparated) {
    if (optimised) return SdfMode::Optimised;
    if (blankSeparated) return SdfMode::Blank;
    return SdfMode::Plain;
}

double sdfNumber(std::string_view value, bool inDecComma) {
    if (inDecComma && value.find(',') != std::string_view::npos) {
        std::string v(value);
        replaceFirst(v, ',', '.');
        return rt::Val(v);
    }
    return rt::Val(value);
}

void appendSdfText(std::string& line, const FieldDef& field, size_t i, std::string_view value,
                   const SdfWidths& widths, const SdfLineOptions& o) {
    if (field.type.size() != 1) return;
    int w = i < widths.max.size() ? widths.max[i] : field.length;
    switch (field.type[0]) {
    case 'C': {
        if (o.mode == SdfMode::Optimised) {
            w -= i < widths.lead.size() ? widths.lead[i] : 0;
            if (w <= 0) return;
        }
        size_t start = line.size();
        line += padRight(value, static_cast<size_t>(std::max(w, 0)), o.characters);
        blankLineBreaks(line, start);
        break;
    }
    case 'N': {
        const size_t start = line.size();
        appendStr(line, sdfNumber(value, o.inDecComma), w, field.decimals);
        if (o.outDecComma) {
            auto pos = line.find('.', start);
            if (pos != std::string::npos) line[pos] = ',';
        }
        break;
    }
    case 'L': line += value == ".T." ? ".T." : ".F."; break;
    case 'D': line += rt::PadL(rt::DToC(rt::CToD(value)), field.length); break;
    default: return;
    }
    if (separated(o)) line += ' ';
}

void appendSdfTyped(std::string& line, const FieldDef& field, size_t i, const rt::Value& value,
                    const SdfWidths& widths, const SdfLineOptions& o) {
    if (field.type.size() != 1) return;
    int w = i < widths.max.size() ? widths.max[i] : field.length;
    switch (field.type[0]) {
    case 'C': {
        const std::string& x = value.str();
        size_t start = line.size();
        // A table's text fills its field; a value carried in a text field (a date and time)
        // is padded to the column like one.
        size_t from = 0, width = static_cast<size_t>(std::max(o.mode == SdfMode::Plain ? field.length : w, 0));
        if (o.mode == SdfMode::Optimised) {
            int lead = i < widths.lead.size() ? widths.lead[i] : 0;
            if (w <= lead) return;
            from = static_cast<size_t>(lead);
        }
        if (o.characters) {
            // The text in UTF-8: the width and the leading blanks count characters.
            const std::string_view cut = std::string_view(x).substr(0, utf8Prefix(x, width));
            const size_t have = utf8Characters(cut);
            line += cut.substr(std::min(cut.size(), utf8Prefix(cut, from)));
            line.append(width - std::max(have, from), ' ');
        } else {
            const std::string_view cut = std::string_view(x).substr(0, width);
            line += cut.substr(std::min(cut.size(), from));
            line.append(width - std::max(cut.size(), from), ' ');
        }
        blankLineBreaks(line, start);
        break;
    }
    case 'N': {
        const size_t start = line.size();
        const int width = o.mode == SdfMode::Plain ? field.length : w;
        // A field without a number leaves its column blank.
        if (value.isNil()) line.append(static_cast<size_t>(std::max(width, 0)), ' ');
        else appendStr(line, value, width, field.decimals);
        if (o.outDecComma && field.decimals > 0) {
            auto pos = line.find('.', start);
            if (pos != std::string::npos) line[pos] = ',';
        }
        break;
    }
    case 'L': line += value.isLogical() ? (value.log() ? ".T." : ".F.") : "   "; break;  // unset: blank
    case 'D': appendDToC(line, value.date()); break;
    default: return;
    }
    if (separated(o)) line += ' ';
}

void finishSdfLine(std::string& line, const SdfLineOptions& o) {
    if (separated(o) && !line.empty()) line.pop_back();
}

}  // namespace engine
