#pragma once
// Memo files of the table engine: dBase III .dbt (read and written), dBase IV .dbt and
// FoxPro .fpt (read).
#include <cstdint>
#include <string>

namespace db {

class MemoFile {
public:
    enum class Kind { Dbt3, Dbt4, Fpt };

    MemoFile() = default;
    ~MemoFile();
    MemoFile(const MemoFile&) = delete;
    MemoFile& operator=(const MemoFile&) = delete;

    // An empty dBase III memo file.
    static bool create(const std::string& path, std::string* error);

    bool open(const std::string& path, Kind kind, bool readOnly, std::string* error);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    Kind kind() const { return kind_; }

    // Whether a block number lies inside the file (0 means "no memo" and is valid).
    bool blockInside(uint64_t block);
    // The text of a memo; false, with the reason, for a block outside the file or a length
    // running past its end.
    bool read(uint64_t block, std::string& out, std::string* error);
    // Stores a text in new blocks at the end of the file; *block receives where.
    bool write(const std::string& text, uint64_t* block, std::string* error);

private:
    int fd_ = -1;
    Kind kind_ = Kind::Dbt3;
    bool readOnly_ = true;
    uint32_t blockSize_ = 512;
    int64_t size_ = 0;
};

}  // namespace db
