#pragma once
// Creating an output safely: an output being replaced is written beside it under a temporary
// name and renamed over it only when the run has completed, so that a failed or cancelled
// run leaves the old file as it was.
#include <functional>
#include <string>

namespace engine {

// The temporary name beside `path` under which its replacement is written. A dBase table
// keeps its extension (its memo file follows the table's name).
std::string replacementName(const std::string& path);
// Renames the replacement over `path` (a dBase table's memo file with it: an old memo file
// the new table lacks is removed). False with the reason in *error when a rename fails.
bool commitReplacement(const std::string& temp, const std::string& path, std::string* error);
// Removes a replacement (and its memo file) that is not wanted.
void discardReplacement(const std::string& temp);


}  // namespace engine
