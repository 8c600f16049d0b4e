#pragma once
// Appending dBase tables into one: the structure merge, the field rule for an existing
// target and the copy of every record by field name.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/fieldstructure.h"
#include "engine/report.h"
#include "engine/runcontext.h"

namespace engine {

// Whether values of field `written` fit into field `target`: same type, and but for the
// fixed-width dates, logicals and memos no greater length, no more decimals, and for
// numbers room for as many integer digits.
bool fieldFits(const FieldDef& written, const FieldDef& target);

// True when every field of `written` exists in `target` (the name exactly equal) and fits.
bool fieldsFit(const FieldStructure& written, const FieldStructure& target);

// Merges a source structure into `merged` by field name: a known number field takes the
// greater integer part and the greater decimals, a known text field the greater length, a
// new name is appended. Returns the number of names met with another type (each a conflict).
int mergeStructure(FieldStructure& merged, const FieldStructure& source);


enum class AppendEnd { Completed, Cancelled, SourceFailed, WriteFailed };

struct AppendResult {
    AppendEnd end = AppendEnd::Completed;
    uint32_t records = 0;
    std::string failed;  // the source that could not be opened, or why a write failed
    // Characters of the sources that the target's code page could not hold.
    LostCharacters lost;
};

// Appends every record of each source to the open target table, field by field by name, the
// text recoded from each source's code page into the target's.
// `sourceDone` is called after each source that was copied (also the one a cancel stopped).
AppendResult appendTables(const std::vector<std::string>& sources, const std::string& target, RunContext& context,
                          const std::function<void(const std::string&)>& sourceDone);

}  // namespace engine
