#pragma once
// Putting values in place of field names inside a filter expression. Names are matched as
// whole identifiers, case-insensitively, outside string literals and never as a function
// name or as the word of a dotted operator (.AND., .T.): a field "A" leaves AllTrim() alone,
// "F1" does not touch "F10", and 'Name' inside quotes stays text.
#include <string>
#include <vector>

namespace engine {

struct NameReplacement {
    std::string name;
    std::string replacement;
};

// Each identifier of `text` that equals a name (ignoring case) is replaced by that name's
// replacement; when two names differ only in case the first of the list wins. The inserted
// text is not scanned again.
std::string replaceFieldNames(const std::string& text, const std::vector<NameReplacement>& names);

}  // namespace engine
