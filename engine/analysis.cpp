#include "engine/analysis.h"

#include <algorithm>
#include <atomic>
#include <charconv>

#include "engine/blocks.h"
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

namespace {

std::string_view trimmedValue(const std::vector<std::string_view>& values, size_t i) {
    std::string_view v;
    if (i < values.size()) {
        v = values[i];
        while (!v.empty() && v.front() == ' ')
            v.remove_prefix(1);
        while (!v.empty() && v.back() == ' ')
            v.remove_suffix(1);
    }
    return v;
}

// What a stretch of a column's values gives, folded from no value on: the whole fold and, for
// the values before the first one whose form differs from the first value's (all of them while
// none did), the length, decimals and integer part they gave. That is all the fold of the
// values before the stretch needs to go on over it as if it had read the stretch's values one
// by one: inference is a fold over the values in order, so blocks folded apart merge in order.
struct ColumnFold {
    FieldDef field;
    NumberWidth width;
    char first = 0;
    bool uniform = true;
    int prefixLength = 0, prefixDecimals = 0, prefixInteger = 0;

    void add(std::string_view v, bool decimalComma) {
        const int length = field.length, decimals = field.decimals, integer = width.integerPart;
        inferFieldType(v, field, decimalComma);
        inferFieldLength(v, field, width, decimalComma);
        if (!first) {
            first = field.type[0];
        } else if (uniform && field.type[0] != first) {
            uniform = false;
            prefixLength = length;
            prefixDecimals = decimals;
            prefixInteger = integer;
        }
    }
};

// The field and widths after the values before a stretch and then the stretch's, exactly as
// inferFieldType and inferFieldLength give them value by value.
void mergeFold(FieldDef& field, NumberWidth& width, const ColumnFold& b) {
    if (!b.first)
        return;
    if (field.type.empty()) {
        field.type = b.field.type;
        field.length = b.field.length;
        field.decimals = b.field.decimals;
        width = b.width;
        return;
    }
    const char t = field.type.size() == 1 ? field.type[0] : 0;
    const int text = std::max(width.text, b.width.text);
    width.text = text;
    if (t != 'C' && t == b.first) {
        // The stretch goes on in the field's type up to where its values' form changes.
        const int integer = std::max(width.integerPart, b.uniform ? b.width.integerPart : b.prefixInteger);
        const int decimals = std::max(field.decimals, b.uniform ? b.field.decimals : b.prefixDecimals);
        int length = std::max(field.length, b.uniform ? b.field.length : b.prefixLength);
        if (t == 'N')
            length = std::max(length, integer + (decimals > 0 ? decimals + 1 : 0));
        width.integerPart = integer;
        if (b.uniform) {
            field.length = length;
            field.decimals = decimals;
            return;
        }
        field.type = "C";
        field.decimals = 0;
        field.length = std::max(length, text);
        return;
    }
    // Text already, or from the stretch's first value on.
    field.type = "C";
    field.decimals = 0;
    field.length = std::max(field.length, text);
}

// What one block of a CSV input gave the analysis. Lines count from the block's first line.
struct AnalysisStretch {
    std::vector<ColumnFold> folds;
    int64_t firstStart = -1, stopStart = -1;
    long firstLine = 0, stopLine = 0;
    long tooManyLine = 0;  // a record with more fields than the first line
    long overlongLine = 0;
    bool unclosed = false;
    long unclosedLine = 0;
    bool readFailed = false;
    uint32_t lineMax = 0;
};

void foldCsvStretch(LineReader& reader, const Options& o, size_t c, int64_t end, const std::atomic<bool>& stop,
                    AnalysisStretch& s) {
    s = AnalysisStretch();
    s.folds.resize(c);
    reader.setLineMax(0);
    CsvRecordReader records(reader, o, true);
    records.setFields(c);
    std::vector<std::string_view> values;
    while (records.next(values)) {
        const int64_t start = records.firstOffset();
        if (start >= end) {
            s.stopStart = start;
            s.stopLine = records.firstLine();
            break;
        }
        if (s.firstStart < 0) {
            s.firstStart = start;
            s.firstLine = records.firstLine();
        }
        if (values.size() > c) {
            s.tooManyLine = records.firstLine();
            break;
        }
        for (size_t i = 0; i < c; ++i)
            s.folds[i].add(trimmedValue(values, i), o.inDecComma);
        if (stop.load(std::memory_order_relaxed))
            break;
    }
    if (!s.tooManyLine && s.stopStart < 0) {
        s.overlongLine = reader.overlongLine();
        s.unclosed = records.unclosedFrame();
        s.unclosedLine = records.firstLine();
        s.readFailed = reader.readFailed();
    }
    s.lineMax = reader.lineMax();
}

// The analysis's fold over the records from `from` on in blocks on every core, merged in
// order into `r`; false, having read nothing, where the pass is better made in sequence.
// `headerLines` are the lines before `from`, which the line reader counts and the records
// do not.
bool analyseCsvBlocks(LineReader& reader, const Options& o, RunContext& context, int64_t from, long headerLines,
                      AnalysisResult& r, bool& cancelled) {
    const unsigned workers = workerCount();
    const int64_t size = reader.size();
    const size_t blocks = textBlockCount(reader, size - from, workers);
    if (blocks < 2)
        return false;
    const size_t c = r.structure.size();
    std::vector<ReaderShare> shares(workers + 1);
    for (auto& w : shares)
        if (!w.open(reader))
            return false;
    const std::vector<int64_t> starts = lineBlockStarts(*shares[workers].reader, from, size, blocks);
    std::vector<AnalysisStretch> stretches(blocks);
    std::vector<NumberWidth> widths(c);
    std::atomic<bool> stop{false};
    auto foldBlock = [&](ReaderShare& w, int64_t at, int64_t end, AnalysisStretch& s) {
        if (!w.reader->seek(at)) {
            s = AnalysisStretch();
            s.readFailed = true;
            return;
        }
        foldCsvStretch(*w.reader, o, c, end, stop, s);
    };
    long lineOffset = 0;
    int64_t stopStart = from;
    long stopLine = 1;
    bool done = false;
    uint32_t lineMax = reader.lineMax();
    auto take = [&](size_t b) {
        AnalysisStretch& s = stretches[b];
        if (done)
            return true;
        const int64_t entry = s.firstStart >= 0 ? s.firstStart : s.stopStart;
        long entryLine = s.firstStart >= 0 ? s.firstLine : s.stopLine;
        if (b > 0 && entry != stopStart) {
            // A record of the block before went on over this block's start.
            if (stopStart < 0) {
                done = true;
                return true;
            }
            foldBlock(shares[workers], stopStart, starts[b + 1], s);
            entryLine = 1;
        }
        if (b > 0)
            lineOffset += stopLine - entryLine;
        lineMax = std::max(lineMax, s.lineMax);
        for (size_t i = 0; i < c; ++i)
            mergeFold(r.structure[i], widths[i], s.folds[i]);
        const auto fail = [&](int message, long record) {
            r.status = AnalysisStatus::Failed;
            r.message = message;
            r.record = record;
            return false;
        };
        if (s.tooManyLine)
            return fail(53, lineOffset + s.tooManyLine);
        if (s.overlongLine)
            return fail(92, headerLines + lineOffset + s.overlongLine);
        if (s.unclosed)
            return fail(53, lineOffset + s.unclosedLine);
        if (s.readFailed)
            return fail(25, 0);
        stopStart = s.stopStart;
        stopLine = s.stopLine;
        if (stopStart < 0)
            done = true;
        if (context.progressTimeOk())
            context.progressUpdate(static_cast<double>(starts[b + 1]));
        context.pump();
        return !context.cancelled();
    };
    runBlocks(
        blocks, workers, 2 * workers,
        [&](size_t b, unsigned w) {
            foldBlock(shares[w], starts[b], starts[b + 1], stretches[b]);
            // The block's folds stay; nothing else of it is needed once it is merged.
        },
        take,
        [&] {
            context.pump();
            return !context.cancelled();
        },
        [&] { stop = true; });
    reader.setLineMax(lineMax);
    cancelled = context.cancelled() && r.status != AnalysisStatus::Failed;
    return true;
}

}  // namespace

// The structure of a whole reading: untyped fields settled, the lengths the user gave applied.
static AnalysisResult settled(AnalysisResult& r, const Options& o, RunContext& context) {
    settleUntyped(r.structure);
    if (o.inLenGiven && !o.inLengths.empty())
        applyGivenLengths(r.structure, parseLengths(o.inLengths));
    context.progressFinish();
    return r;
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
    bool cancelled = false;
    if (analyseCsvBlocks(reader, o, context, o.inHeader ? reader.position() : 0, o.inHeader ? reader.lines() : 0, r,
                         cancelled)) {
        if (cancelled) {
            r.status = AnalysisStatus::Cancelled;
            return r;
        }
        if (r.status == AnalysisStatus::Failed)
            return r;
        if (!reader.rewind()) {
            r.status = AnalysisStatus::Failed;
            r.message = 25;
            return r;
        }
        return settled(r, o, context);
    }
    CsvRecordReader records(reader, o, true);
    records.setFields(c);
    std::vector<NumberWidth> widths(c);
    std::vector<std::string_view> values;
    while (records.next(values)) {
        if (values.size() > c) {
            r.status = AnalysisStatus::Failed;
            r.message = 53;
            r.record = records.firstLine();
            return r;
        }
        for (size_t i = 0; i < c; ++i) {
            const std::string_view v = trimmedValue(values, i);
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
    return settled(r, o, context);
}

}  // namespace engine
