#pragma once
// The header line with the output field names and the SQL "CREATE TABLE" script that may
// open a CSV or SDF output.
#include <string>
#include <vector>

#include "engine/csvline.h"
#include "engine/fieldstructure.h"
#include "engine/sdfline.h"

namespace engine {

// The names of the fields the data lines carry (memo and other types that add nothing to a
// line are left out), framed as their values are.
std::string csvHeaderLine(const FieldStructure& fields, char separator, CsvFrame frame);
// Each name padded or cut to its column, so that each begins where its column begins.
std::string sdfHeaderLine(const FieldStructure& fields, const SdfWidths& widths, SdfMode mode);

// The script's lines, the closing empty line included (without the separating empty line
// that an output with content needs first). Fields that the data lines do not carry get no
// column.
std::vector<std::string> sqlScriptCsv(const std::string& table, const FieldStructure& fields);
std::vector<std::string> sqlScriptSdf(const std::string& table, const FieldStructure& fields,
                                      const SdfWidths& widths, SdfMode mode);

}  // namespace engine
