#pragma once
// Finding the columns of an SDF input (fixed-width fields without separators) and inferring
// their types: from widths the user gives, from the word positions of a header line, or from
// the columns that hold data in any line.
#include <string>
#include <string_view>
#include <vector>

#include "engine/analysis.h"

namespace engine {

// Marks with "*" every column where the line has a byte other than the blank; the mask
// grows to the longest line and never shrinks.
void addToColumnMask(std::string_view line, std::string& mask);

// Marks with "*" every column whose byte and the byte before it are both other than the blank
// in the line: a column that a value runs into from the column before.
void addToJoinMask(std::string_view line, std::string& joined);

// Fills starts, widths and names of every entry from the words of a header line
// (`headerMode`) or the runs of "*" of a column mask. In header mode a field runs up to the
// next word (one column short of it when `blankSeparated`), the last to the end of the line.
void struct2Array(std::string_view line, FieldStructure& structure, std::vector<int>& pos, std::vector<int>& len,
                  bool headerMode, bool blankSeparated);

// Finds the columns and infers the structure of an SDF input read from its start; rewinds it
// on success. Message 63 when no column can be found; 101 with the line (`record`) when the
// columns of a header line's words cannot be told apart without cutting a value.
AnalysisResult analyseSdf(LineReader& reader, const Options& options, RunContext& context);

}  // namespace engine
