#pragma once
// Whether records may be appended to an existing dBase table.
#include "engine/fieldstructure.h"
#include "engine/options.h"

namespace engine {

// 0 when every field to be written exists in the table under the same name and type, with
// no greater length and no more decimals, and the character sets agree; otherwise the
// message number: 21 for a field, 22 for OEM output into an ANSI table, 23 for ANSI output
// into an OEM table.
int dbfAppendIncompatibility(const FieldStructure& written, const FieldStructure& table, Charset output,
                             bool tableIsAnsi);

}  // namespace engine
