#include "engine/csvline.h"

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

// The number at the field's length and decimals, leading blanks removed, framed when asked,
// its first point made a comma when asked, and the separator behind it.
void appendNumber(std::string& line, const rt::Value& value, const FieldDef& field, bool comma, bool framed,
                  char separator) {
    if (framed) line += '"';
    const size_t start = line.size();
    appendStrTrimmed(line, value, field.length, field.decimals);
    if (comma) {
        auto pos = line.find('.', start);
        if (pos != std::string::npos) line[pos] = ',';
    }
    if (framed) line += '"';
    line += separator;
}

// As above for a number's text that is already what formatting would write.
void appendNumberText(std::string& line, std::string_view text, bool comma, bool framed, char separator) {
    if (framed) line += '"';
    const size_t start = line.size();
    line += text;
    if (comma) {
        auto pos = line.find('.', start);
        if (pos != std::string::npos) line[pos] = ',';
    }
    if (framed) line += '"';
    line += separator;
}

bool commaAllowed(const CsvLineOptions& o) { return o.outDecComma && (o.frame == CsvFrame::All || o.separator != ','); }

void appendFramed(std::string& line, std::string_view v, bool framed, char separator) {
    if (framed) line += '"';
    line += v;
    if (framed) line += '"';
    line += separator;
}

// Text fields. A value holding CR or LF (only a dBase value can) would split the line: framed,
// the line breaks stay inside the quotes, where a CSV reader keeps them; unframed, each is
// made a blank, as a separator inside the value is.
// Appends v with the frame rule applied to each byte as `written` says it reaches the output.
// Each replacement is counted where it is made: the loop runs over every byte anyway.
template <typename Written>
void appendTextAs(std::string& line, std::string_view v, const CsvLineOptions& o, Written written) {
    uint64_t replaced = 0;
    if (o.frame == CsvFrame::None) {
        size_t start = line.size();
        line += v;
        for (size_t i = start; i < line.size(); ++i) {
            char c = written(line[i]);
            if (c == o.separator || c == '\r' || c == '\n') {
                line[i] = ' ';
                ++replaced;
            }
        }
        line += o.separator;
    } else {
        line += '"';
        size_t start = line.size();
        line += v;
        for (size_t i = start; i < line.size(); ++i)
            if (written(line[i]) == '"') {
                line[i] = '\'';
                ++replaced;
            }
        line += '"';
        line += o.separator;
    }
    if (replaced && o.replaced) *o.replaced += replaced;
}

void appendText(std::string& line, std::string_view v, const CsvLineOptions& o) {
    if (o.outBytes)
        appendTextAs(line, v, o, [table = o.outBytes](char c) { return table[static_cast<unsigned char>(c)]; });
    else
        appendTextAs(line, v, o, [](char c) { return c; });
}

}  // namespace

bool fieldIsWritten(const FieldDef& field) {
    return field.type == "C" || field.type == "N" || field.type == "L" || field.type == "D";
}

void appendCsvText(std::string& line, const FieldDef& field, std::string_view value, const CsvLineOptions& o) {
    if (field.type.size() != 1) return;
    switch (field.type[0]) {
    case 'C': appendText(line, value, o); return;
    case 'N':
        if (field.decimals > 0) {
            double number;
            const bool commaIn = o.inDecComma && value.find(',') != std::string_view::npos;
            if (!commaIn && value.size() <= static_cast<size_t>(field.length) &&
                isPlainNumberText(value, field.decimals)) {
                appendNumberText(line, value, commaAllowed(o), o.frame == CsvFrame::All, o.separator);
                return;
            }
            if (commaIn) {
                std::string v(value);
                replaceFirst(v, ',', '.');
                number = rt::Val(v);
            } else {
                number = rt::Val(value);
            }
            appendNumber(line, rt::Value(number), field, commaAllowed(o), o.frame == CsvFrame::All, o.separator);
        } else {
            appendFramed(line, value, o.frame == CsvFrame::All, o.separator);
        }
        return;
    case 'L':
    case 'D': appendFramed(line, value, o.frame == CsvFrame::All, o.separator); return;
    default: return;
    }
}

void appendCsvTyped(std::string& line, const FieldDef& field, const rt::Value& value, const CsvLineOptions& o) {
    if (field.type.size() != 1) return;
    switch (field.type[0]) {
    case 'C': appendText(line, trimPadding(value.str()), o); return;
    case 'N':
        // A field without a number gives an empty value, not a 0 the table does not hold.
        if (value.isNil())
            appendFramed(line, {}, o.frame == CsvFrame::All, o.separator);
        else
            appendNumber(line, value, field, field.decimals > 0 && commaAllowed(o), o.frame == CsvFrame::All,
                         o.separator);
        return;
    case 'L':
        // An unset logical (its byte as a text) is an empty value.
        appendFramed(line, value.isLogical() ? (value.log() ? ".T." : ".F.") : "", o.frame == CsvFrame::All, o.separator);
        return;
    case 'D': {
        const bool framed = o.frame == CsvFrame::All;
        if (framed) line += '"';
        appendDToC(line, value.date());
        if (framed) line += '"';
        line += o.separator;
        return;
    }
    default: return;
    }
}

bool appendCsvRaw(std::string& line, const FieldDef& field, char tableType, std::string_view bytes,
                  const CsvLineOptions& o) {
    if (field.type.size() != 1 || field.type[0] != tableType) return false;
    const bool framed = o.frame == CsvFrame::All;
    switch (tableType) {
    case 'C': appendText(line, trimPadding(bytes), o); return true;
    case 'N': {
        // Most numbers are written as formatting writes them: those go as they stand.
        std::string_view text = trimPadding(bytes);
        if (!text.empty() && text.size() <= static_cast<size_t>(field.length) && isPlainNumberText(text, field.decimals)) {
            appendNumberText(line, text, field.decimals > 0 && commaAllowed(o), framed, o.separator);
            return true;
        }
        std::string scratch;
        switch (tableNumberForm(text, field.length, field.decimals, scratch, text)) {
        case TableNumber::None: appendFramed(line, {}, framed, o.separator); return true;
        case TableNumber::Text:
            appendNumberText(line, text, field.decimals > 0 && commaAllowed(o), framed, o.separator);
            return true;
        case TableNumber::Value: return false;
        }
        return false;
    }
    case 'D': {
        if (bytes.size() != 8) return false;
        int v[8];
        for (int i = 0; i < 8; ++i) {
            if (bytes[static_cast<size_t>(i)] < '0' || bytes[static_cast<size_t>(i)] > '9') return false;
            v[i] = bytes[static_cast<size_t>(i)] - '0';
        }
        const rt::Date date = rt::Date::fromYMD(v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]);
        if (date.empty()) return false;
        if (framed) line += '"';
        appendDToC(line, date);
        if (framed) line += '"';
        line += o.separator;
        return true;
    }
    case 'L': {
        if (bytes.empty()) return false;
        const char c = bytes[0];
        appendFramed(line, !isSetLogical(c) ? "" : c == 'T' || c == 't' || c == 'Y' || c == 'y' ? ".T." : ".F.", framed,
                     o.separator);
        return true;
    }
    default: return false;
    }
}

void finishCsvLine(std::string& line) {
    if (!line.empty()) line.pop_back();
}

}  // namespace engine
