#pragma once
// Memo files of the table engine: dBase III .dbt, dBase IV .dbt and FoxPro .fpt, read and
// written (new memos go into new blocks at the end of the file).
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
    // An empty memo file of `kind` with blocks of `blockSize` bytes (a dBase III file's are
    // always 512).
    static bool create(const std::string& path, Kind kind, uint32_t blockSize, std::string* error);

    bool open(const std::string& path, Kind kind, bool readOnly, std::string* error);
    // Opens the file `other` has open once more, read-only, for reading on another thread.
    bool openReadCopy(const MemoFile& other, std::string* error);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    Kind kind() const { return kind_; }

    // Whether a block number lies inside the file (0 means "no memo" and is valid).
    bool blockInside(uint64_t block);
    // The text of a memo; false, with the reason, for a block outside the file or a length
    // running past its end.
    // A FoxPro memo's kind (0 picture, 1 text, 2 object) goes to *fptType where asked.
    bool read(uint64_t block, std::string& out, std::string* error, uint32_t* fptType = nullptr);
    // Stores a text in new blocks at the end of the file; *block receives where. A FoxPro
    // memo is stored as of kind `fptType`.
    bool write(const std::string& text, uint64_t* block, std::string* error, uint32_t fptType = 1);
    uint32_t blockSize() const { return blockSize_; }

private:
    int fd_ = -1;
    Kind kind_ = Kind::Dbt3;
    bool readOnly_ = true;
    uint32_t blockSize_ = 512;
    int64_t size_ = 0;
};

}  // namespace db
