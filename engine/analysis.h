#pragma once
// Field structures of text input: names, types, lengths and decimals inferred from the
// values, and the analysis of a CSV file. The functions work on plain data; the main
// window's methods wrap them.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fieldstructure.h"
#include "engine/lineio.h"
#include "engine/options.h"
#include "engine/runcontext.h"

namespace engine {

// n entries of {"", "", 0, 0}.
FieldStructure makeStructNew(size_t n);

// The name of entry n (from 1) made from a header word: only A-Z, a-z (made upper case),
// 0-9 and "_" kept, at most 10 of them; "F" and n when nothing is left or when the name is
// already taken by an entry before n. A generated name never repeats an earlier one either.
std::string makeFieldName(const FieldStructure& structure, size_t n, std::string_view word);

// The type of a field after one more value: the first value decides ("N", "D", "L" or "C"),
// a value of another form makes it "C" for good. A field that becomes "C" has no decimals.
// A number written with the other decimal separator than `decimalComma` selects, or without
// any digit, is text: stored as a number it would change; so is a date form that is no day of
// the calendar with a four-digit year.
void inferFieldType(std::string_view value, FieldDef& field, bool decimalComma);

// What the length inference remembers beside the entry: the widest integer part seen (sign
// and blanks included), and the longest value, which a number field that turns into text must
// still hold ("22." is N(2) but three characters of text).
struct NumberWidth {
    int integerPart = 0;
    int text = 0;
};

// The length (and for "N" the decimals) of a field after one more value; call after
// inferFieldType for the same value. A number field's length holds the widest integer part
// and the most decimals seen, whatever their order.
void inferFieldLength(std::string_view value, FieldDef& field, NumberWidth& width, bool decimalComma);
// The same without a remembered integer part: the one the entry's length and decimals leave
// room for is taken, so the result never gets narrower than the values need.
void inferFieldLength(std::string_view value, FieldDef& field, bool decimalComma);

// The numbers of a blank-separated lengths text (at most 1000; a token that is no number
// counts as 0).
std::vector<int> parseLengths(std::string_view text);

// Applies lengths given by the user to a structure: token i to entry i. A length of 0 or
// less leaves its entry as inferred.
void applyGivenLengths(FieldStructure& structure, const std::vector<int>& lengths);

enum class AnalysisStatus { Ok, Failed, Cancelled };

struct AnalysisResult {
    AnalysisStatus status = AnalysisStatus::Ok;
    FieldStructure structure;
    std::vector<int> pos;  // CSV: the column numbers; SDF: the start columns
    std::vector<int> len;  // SDF: the widths
    // On failure: the message number (53 more fields than the first line, 63 no SDF columns,
    // 92 a line longer than kMaxLineBytes) and, for 53, the record number, for 92 the line's.
    int message = 0;
    long record = 0;
};

// A field that saw no value (a file with a header line only) is a text field of length 1,
// and a number field wider than a table's number field is text, so that a table can still be
// made of the structure.
void settleUntyped(FieldStructure& structure);

// Reads the whole CSV input once from its start and infers its structure; rewinds it on
// success. `reader` tracks the longest raw line.
AnalysisResult analyseCsv(LineReader& reader, const Options& options, RunContext& context);

}  // namespace engine
