#pragma once
// Taking back an append to an existing dBase table: what an append changes is noted before
// it (the header, the bytes from the end of the last whole record on, the memo file's header
// and length), so that a failed append can put the table and its memo file back byte for
// byte. Appends only add behind the records and behind the memo file's blocks, and rewrite
// the two headers; nothing else needs keeping.
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace engine {

// The memo file (.dbt or .fpt, in either case) that lies beside table `table`, "" when none.
std::string memoFileBeside(const std::string& table);

class TableUndo {
public:
    // Notes table `path` and its memo file (.dbt or .fpt beside it) as they stand; false, with
    // nothing noted, when the table cannot be read.
    bool capture(const std::string& path);
    bool captured() const { return !table_.path.empty(); }
    // Puts the table and its memo file back as noted, where they are still the files noted (a
    // table replaced by a sorted copy is left alone); false with the reason in *error.
    bool restore(std::string* error) const;
    void clear() { *this = TableUndo(); }

private:
    struct File {
        std::string path;
        dev_t device = 0;
        ino_t inode = 0;
        int64_t size = 0;
        std::string head;  // the header bytes an append rewrites
        int64_t tailFrom = 0;
        std::string tail;  // the bytes an append writes over: the end mark, a cut record
    };
    static bool note(const std::string& path, File& file, std::string* error);
    static bool putBack(const File& file, std::string* error);
    File table_, memo_;
};

}  // namespace engine
