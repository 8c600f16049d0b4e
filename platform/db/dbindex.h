#pragma once
// Index files of the table engine: the record numbers of a table in key order.
//
// Layout (numbers little-endian):
//   offset 0   8 bytes  "MVIDX", 0x1A, format version 1, 0
//   offset 8   8 bytes  number of entries n
//   offset 16  8 bytes  records the table held when the index was built
//   offset 24  4 bytes  length k of the key expression
//   offset 28  k bytes  the key expression
//   then n record numbers of 4 bytes each, in key order (collation.h; equal keys by record
//   number).
// The build evaluates the keys once, on several threads where it is given a key source for
// each, sorts them in memory up to a budget (for all threads together) and spills sorted runs
// one after the other into an unlinked temporary file; they are merged at the end, so any
// table size needs the budget plus a small buffer per run, and one file however many runs. Keys are compared as their byte keys
// (collation::sortKey), which order as the collation does. The file is written under a
// temporary name and renamed over the target when complete; it is the same on any number of
// threads.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/db/collation.h"

namespace db::index {

// The key of record `recno` into `key`; false with the reason in *error.
using KeySource = std::function<bool(int64_t recno, std::string& key, std::string* error)>;

// `order`: the collation of the keys' code page. A key that cannot be made fails the build
// with the reason its source gave at the lowest record number that fails.
bool build(const std::string& path, const std::string& keyText, int64_t records, const KeySource& keyOf,
           size_t memoryBudget, std::string* error, const collation::Order& order = collation::latin());
// The same on one thread per source, the first of them the calling thread; each source is
// called on its thread only, for records of any number.
bool build(const std::string& path, const std::string& keyText, int64_t records, const std::vector<KeySource>& sources,
           size_t memoryBudget, std::string* error, const collation::Order& order = collation::latin());

class IndexFile {
public:
    IndexFile() = default;
    ~IndexFile();
    IndexFile(const IndexFile&) = delete;
    IndexFile& operator=(const IndexFile&) = delete;

    bool open(const std::string& path, std::string* error);
    int64_t entries() const { return entries_; }
    int64_t builtFor() const { return builtFor_; }
    const std::string& key() const { return key_; }
    // The record number at a slot; 0 when it cannot be read.
    uint32_t recnoAt(int64_t slot);
    // The slot of a record number, -1 when the index lacks it.
    int64_t slotOf(uint32_t recno);

private:
    int fd_ = -1;
    int64_t entries_ = 0;
    int64_t builtFor_ = 0;
    int64_t dataStart_ = 0;
    std::string key_;
    std::vector<uint32_t> cache_;
    int64_t cacheFirst_ = 0;
};

}  // namespace db::index
