#include "engine/analysis.h"

#include <algorithm>
#include <charconv>

#include "engine/numbertext.h"
#include "functions/charselect.h"
#include "functions/faststring.h"
#include "functions/tokenarrays.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/value.h"

namespace engine {

FieldStructure makeStructNew(size_t n) { return FieldStructure(n); }

namespace {

bool nameTaken(const FieldStructure& s, size_t before, const std::string& name) {
    for (size_t i = 0; i < before && i < s.size(); ++i)
        if (s[i].name == name)
            return true;
    return false;
}

std::string generatedName(const FieldStructure& s, size_t n) {
    std::string name = "F" + std::to_string(n);
    // A header word may already have taken it ("F2" for the first column): add a letter.
    for (char c = 'A'; nameTaken(s, n - 1, name) && c <= 'Z'; ++c)
        name = "F" + std::to_string(n) + c;
    return name;
}

}  // namespace

std::string makeFieldName(const FieldStructure& structure, size_t n, std::string_view word) {
    // Digits, A to Z, a to z made upper case and "_"; every other byte goes.
    std::string name = FASTANSISELECT(word, 0x141070);
    if (name.empty())
        return generatedName(structure, n);
    if (name.size() > 10)
        name.resize(10);
    if (nameTaken(structure, n - 1, name))
        return generatedName(structure, n);
    return name;
}

namespace {

// A number form that would be stored as another number is text: written with the other
// decimal separator, without any digit (stored as 0), or with more digits than a double keeps.
bool readsAsNumber(std::string_view v, bool decimalComma) {
    // One pass for the three tests: this runs for every value of the analysis.
    const char other = decimalComma ? '.' : ',';
    int significant = 0;
    bool digit = false;
    for (char c : v) {
        if (c == other) return false;
        if (c >= '0' && c <= '9') {
            digit = true;
            if (c != '0' || significant > 0) ++significant;
        }
    }
    return digit && significant <= 15;
}

// A date form (leading blanks, digits, two points) that is a day of the calendar with a
// four-digit year, read as day.month.year as the program reads every date: stored as a date it
// reads back as the same day. "12.31.2020", "31.02.2023", "15.06.23" and "1.2.3" are text. One
// pass over the bytes: this runs for every value of a date column.
bool readsAsDate(std::string_view v) {
    // The common form dd.mm.yyyy at once: the form test let only digits and points through.
    if (v.size() == 10 && v[2] == '.' && v[5] == '.') {
        auto two = [&v](size_t i) { return (v[i] - '0') * 10 + (v[i + 1] - '0'); };
        return rt::Date::valid(two(6) * 100 + two(8), two(3), two(0));
    }
    const char* p = v.data();
    const char* const e = p + v.size();
    while (p < e && *p == ' ') ++p;
    unsigned parts[3];
    for (int k = 0; k < 3; ++k, ++p) {
        const char* const s = p;
        unsigned x = 0;  // unsigned: a run of digits too long for a date may wrap harmlessly
        while (p < e && *p != '.') x = x * 10 + static_cast<unsigned>(*p++ - '0');
        const long digits = p - s;
        if (digits == 0 || digits > 4 || (k == 2 && digits != 4)) return false;
        parts[k] = x;
    }
    return rt::Date::valid(static_cast<int>(parts[2]), static_cast<int>(parts[1]), static_cast<int>(parts[0]));
}

char formOf(std::string_view v, bool decimalComma) {
    if (FASTISNUMBER(v))
        return readsAsNumber(v, decimalComma) ? 'N' : 'C';
    if (FASTISDATE(v))
        return readsAsDate(v) ? 'D' : 'C';
    if (FASTISLOGIC(v))
        return 'L';
    return 'C';
}

}  // namespace

// The type letter of a one-letter type, 0 for "" or anything longer.
static char typeLetter(const FieldDef& field) { return field.type.size() == 1 ? field.type[0] : 0; }

void inferFieldType(std::string_view value, FieldDef& field, bool decimalComma) {
    if (field.type.empty()) {
        field.type.assign(1, formOf(value, decimalComma));
        return;
    }
    const char t = typeLetter(field);
    if (t == 'C')
        return;
    if (t != formOf(value, decimalComma)) {
        field.type = "C";
        field.decimals = 0;
    }
}

void inferFieldLength(std::string_view value, FieldDef& field, NumberWidth& width, bool decimalComma) {
    const int w = static_cast<int>(std::min<size_t>(value.size(), 1 << 30));
    const char t = typeLetter(field);
    width.text = std::max(width.text, w);
    if (t == 'N') {
        const size_t p = value.find(decimalComma ? ',' : '.');
        int integerPart = w;
        if (p != std::string_view::npos) {
            integerPart = static_cast<int>(p);
            field.decimals = std::max(field.decimals, w - static_cast<int>(p) - 1);
            // ".5" and "-.25" are written "0.5" and "-0.25": the integer part has a digit.
            const std::string_view before = value.substr(0, p);
            if (before.find_first_of("0123456789") == std::string_view::npos)
                integerPart = static_cast<int>(before.find('-') != std::string_view::npos) + 1;
        }
        width.integerPart = std::max(width.integerPart, integerPart);
        const int need = width.integerPart + (field.decimals > 0 ? field.decimals + 1 : 0);
        field.length = std::max(field.length, need);
    } else if (t == 'D') {
        field.length = 10;
    } else if (t == 'L') {
        field.length = 3;
    } else {
        field.length = std::max({field.length, w, width.text});
    }
}

void inferFieldLength(std::string_view value, FieldDef& field, bool decimalComma) {
    NumberWidth width;
    if (field.type == "N")
        width.integerPart = std::max(0, field.length - (field.decimals > 0 ? field.decimals + 1 : 0));
    inferFieldLength(value, field, width, decimalComma);
}

std::vector<int> parseLengths(std::string_view text) {
    const rt::Value tokens = FASTTOKENWHITEARRAY(text, " ", 1000, true);
    std::vector<int> out;
    out.reserve(tokens.len());
    for (size_t i = 1; i <= tokens.len(); ++i) {
        // A length no int holds counts as none given.
        const double v = tokens.at(i).num();
        out.push_back(v > -2147483648.0 && v < 2147483648.0 ? static_cast<int>(v) : 0);
    }
    return out;
}

void applyGivenLengths(FieldStructure& structure, const std::vector<int>& lengths) {
    const size_t n = std::min(structure.size(), lengths.size());
    for (size_t i = 0; i < n; ++i) {
        FieldDef& f = structure[i];
        const int g = lengths[i];
        if (g <= 0)
            continue;
        const int l = f.length;
        const int d = f.decimals;
        if (f.type == "C") {
            f.length = std::min(g, db::kMaxTextLength);
        } else if (f.type == "N") {
            if (g > l) {
                f.length = std::min({g, d + 20, db::kMaxNumberLength});
                f.length = std::max(f.length, l);
            } else if (g < l) {
                const int k = l - g;
                if (k < d) {
                    f.length = g;
                    f.decimals = d - k;
                } else if (k == d) {
                    f.length = g;
                    f.decimals = 0;
                } else if (d > 0) {
                    f.length = l - d - 1;
                    f.decimals = 0;
                }
            }
        }
    }
}

void settleUntyped(FieldStructure& structure) {
    for (FieldDef& f : structure) {
        // Leading zeros can make a number wider than any table's number field; as text its
        // length still holds every value.
        if (f.type == "N" && f.length > db::kMaxNumberLength) {
            f.type = "C";
            f.decimals = 0;
        }
        if (f.type.empty())
            f.type = "C";
        if (f.length < 1)
            f.length = 1;
    }
}

AnalysisResult analyseCsv(LineReader& reader, const Options& o, RunContext& context) {
    AnalysisResult r;
    context.progressStart();
    context.progressSetMax(static_cast<double>(reader.size()));

    std::vector<std::string> fields;
    {
        CsvRecordReader first(reader, o, true);
        first.next(fields);
        if (reader.overlongLine()) {
            r.status = AnalysisStatus::Failed;
            r.message = 92;
            r.record = reader.overlongLine();
            return r;
        }
        if (first.unclosedFrame() && o.inHeader) {
            // The header line's frame swallowed the whole file.
            r.status = AnalysisStatus::Failed;
            r.message = 53;
            return r;
        }
    }
    const size_t c = fields.size();
    r.structure = makeStructNew(c);
    r.pos.resize(c);
    for (size_t i = 0; i < c; ++i)
        r.pos[i] = static_cast<int>(i + 1);

    if (o.inHeader) {
        for (size_t i = 0; i < c; ++i) {
            r.structure[i].name = makeFieldName(r.structure, i + 1, fields[i]);
            const std::string& f = fields[i];
            if (o.inFrameText && f.size() >= 2 && f.front() == '"' && f.back() == '"')
                r.structure[i].type = "C";
        }
    } else {
        reader.rewind();
        for (size_t i = 0; i < c; ++i)
            r.structure[i].name = makeFieldName(r.structure, i + 1, {});
    }

    // The numbers in messages count the lines after the header, empty ones included.
    CsvRecordReader records(reader, o, true);
    records.setFields(c);
    std::vector<NumberWidth> widths(c);
    bool cancelled = false;
    std::vector<std::string_view> values;
    while (records.next(values)) {
        if (values.size() > c) {
            r.status = AnalysisStatus::Failed;
            r.message = 53;
            r.record = records.firstLine();
            return r;
        }
        for (size_t i = 0; i < c; ++i) {
            std::string_view v;
            if (i < values.size()) {
                v = values[i];
                while (!v.empty() && v.front() == ' ')
                    v.remove_prefix(1);
                while (!v.empty() && v.back() == ' ')
                    v.remove_suffix(1);
            }
            inferFieldType(v, r.structure[i], o.inDecComma);
            inferFieldLength(v, r.structure[i], widths[i], o.inDecComma);
        }
        if (context.progressTimeOk())
            context.progressUpdate(static_cast<double>(reader.position()));
        context.pump();
        if (context.cancelled()) {
            cancelled = true;
            break;
        }
    }
    if (cancelled) {
        r.status = AnalysisStatus::Cancelled;
        return r;
    }
    if (reader.overlongLine()) {
        r.status = AnalysisStatus::Failed;
        r.message = 92;
        r.record = reader.overlongLine();
        return r;
    }
    if (records.unclosedFrame()) {
        r.status = AnalysisStatus::Failed;
        r.message = 53;
        r.record = records.firstLine();
        return r;
    }
    if (reader.readFailed() || !reader.rewind()) {
        r.status = AnalysisStatus::Failed;
        r.message = 25;
        return r;
    }
    settleUntyped(r.structure);
    if (o.inLenGiven && !o.inLengths.empty())
        applyGivenLengths(r.structure, parseLengths(o.inLengths));
    context.progressFinish();
    return r;
}

}  // namespace engine
