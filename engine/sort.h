#pragma once
// Sorting through index files: the key expressions handed to the table engine and the
// rewrite of an output table in key order.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/fieldstructure.h"
#include "engine/runcontext.h"

namespace db {
class DBSERVER;
}

namespace engine {

// The temporary files of a sorted run, beside its output: each name is a prefix, six
// characters that make it the run's own (`RunFiles::make`), and the extension.
inline constexpr const char* kIndexIn = "$indin-";
inline constexpr const char* kIndexOut = "$indout-";
inline constexpr const char* kTempOut = "$tempout-";
inline constexpr const char* kIndexExt = ".ntx";
inline constexpr const char* kTableExt = ".dbf";

// Key text of a numeric field: the value moved into the positive range by a power of ten and
// written zero-padded, so that key texts of one field order like the numbers.
std::string numericKeyPart(const FieldDef& field);

// The key part of one field by its type; "" for a type that cannot be a key. A date key is
// year, month and day, so that dates sort in calendar order.
std::string keyPart(const FieldDef& field);

// The key over the input structure from the chosen combo box items (item k >= 2 stands for
// field k - 1; item 1 or less chooses nothing). From the second combo box on, the joining
// text comes before the field's type is looked at.
std::string inputSortKey(const FieldStructure& structIn, const std::vector<int>& items);

// The key over the output field list from the chosen names (empty for a combo box that
// chooses nothing); a name not among the output fields contributes nothing.
std::string outputSortKey(const FieldStructure& fields, const std::vector<std::string>& names);

// Builds index `file` of `table` over `key`, as DBSERVER::CREATEINDEX; false with the reason
// in the table's Status(). The table engine's work around indexes takes as many threads as a
// pass may use (workerCount, db::SetIndexThreads) from here on, the walk along this index
// included.
bool createIndex(db::DBSERVER& table, const std::string& file, const std::string& key);

enum class RewriteEnd {
    Completed,     // the table was replaced by its sorted copy
    Cancelled,     // the copy stopped; the table is unchanged, the copy removed
    TempFailed,    // the temporary table could not be made or opened
    CopyFailed,    // a record could not be written to the copy
    ReplaceFailed, // the sorted copy could not be put in place; the table is unchanged
};

struct RewriteResult {
    RewriteEnd end = RewriteEnd::Completed;
    uint32_t count = 0;
    std::string error;
};

// Copies `table`, read in its current order, into `temp` (a table of the same structure and
// its memo file), closes `table` and puts the copy in place of the table's file and memo
// file (where its links lead), with their permissions. Either both are replaced or neither.
// After a cancel `table` stays open as it was. `temp` is a name made for this run; on return
// it is gone, put in place or removed.
RewriteResult rewriteInOrder(db::DBSERVER& table, const std::string& temp, RunContext& context);

// Renames `from` to `to`; false with the reason in *error. Replaceable for tests that need a
// rename to fail; an empty function restores the system's rename. Returns the previous one.
using RenameFunction = std::function<bool(const std::string& from, const std::string& to, std::string* error)>;
RenameFunction setRenameFunction(RenameFunction fn);

// Puts table `temp` (and its memo file, if any) in place of table `target` (and its memo).
// On failure the target and its memo file are as they were and *error says why.
bool replaceTable(const std::string& temp, const std::string& target, std::string* error);

}  // namespace engine
