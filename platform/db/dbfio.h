#pragma once
// File helpers of the table engine: whole reads and writes at a position (every write
// checked), and buffered sequential readers and writers for index and run files.
#include <cstdint>
#include <string>
#include <vector>

namespace db::io {

// Reads up to `count` bytes at `offset`; *got receives how many (fewer only at the end of the
// file). False on a read error.
bool readAt(int fd, void* buffer, size_t count, int64_t offset, size_t* got);
// Writes all `count` bytes at `offset` or fails.
bool writeAt(int fd, const void* data, size_t count, int64_t offset);
// Size of the open file; -1 on failure.
int64_t fileSize(int fd);
// The text of errno for messages.
std::string lastError();

uint16_t le16(const unsigned char* p);
uint32_t le32(const unsigned char* p);
uint32_t be32(const unsigned char* p);
uint16_t be16(const unsigned char* p);
void putLe16(unsigned char* p, uint16_t v);
void putLe32(unsigned char* p, uint32_t v);
void putLe64(unsigned char* p, uint64_t v);
uint64_t le64(const unsigned char* p);

// Writes a file from `start` on through a buffer; a failed write is remembered and reported
// by flush().
class Writer {
public:
    explicit Writer(int fd, size_t bufferSize = 1 << 16, int64_t start = 0);
    ~Writer();
    void write(const void* data, size_t count);
    bool flush();
    bool ok() const { return ok_; }
    int64_t written() const { return written_; }

private:
    int fd_;
    std::vector<char> buffer_;
    size_t used_ = 0;
    int64_t start_ = 0;
    int64_t written_ = 0;
    bool ok_ = true;
};

// Reads a file sequentially through a buffer, from a start offset up to an end offset.
class Reader {
public:
    Reader(int fd, int64_t start, int64_t end, size_t bufferSize = 1 << 16);
    // Copies exactly `count` bytes; false at the end of the range or on a read error.
    bool read(void* out, size_t count);
    bool failed() const { return failed_; }

private:
    bool fill();
    int fd_;
    int64_t next_;
    int64_t end_;
    std::vector<char> buffer_;
    size_t pos_ = 0, size_ = 0;
    bool failed_ = false;
};

}  // namespace db::io
