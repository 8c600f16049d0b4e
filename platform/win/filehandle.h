#pragma once
// Raw file handles: what the program asks of kernel32's ReadFile, WriteFile, SetFilePointer,
// GetFileSize and GetLastError, on POSIX descriptors with 64-bit positions.
//
// Line reading keeps a read-ahead buffer per handle so that a line costs no system call of its
// own. The buffer is invisible from outside: every operation of this header first brings the
// descriptor's position back to the position a reader without buffer would have left, so a
// seek, tell, write or close through these functions always sees the exact position.
// Code that works on the descriptor directly (lseek, write, close) must call FileSync() before
// it and, after closing, FileForget().
//
// A handle is used from one thread at a time; different handles may be used on different
// threads at once (a conversion's workers each read through one of their own).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace win {

using FileHandle = int;
constexpr FileHandle INVALID_FILE_HANDLE = -1;

// The code the line readers leave as last file error when nothing is left to read.
constexpr int FILE_ERROR_EOF = 257;

// Move methods of SetFilePointer.
constexpr int FILE_BEGIN = 0;
constexpr int FILE_CURRENT = 1;
constexpr int FILE_END = 2;

// Error of the last raw call on this thread (an errno value; 0 after success).
int GetLastError();
void SetLastError(int code);

// Opening and closing. `mode` 0 read, 1 write, 2 read and write. Names are UTF-8; "\" is
// taken as "/". Invalid handle on failure (GetLastError tells why).
FileHandle OpenFile(const std::string& name, int mode);
// A second handle for reading the file `h` is open on, with a position of its own (the file
// itself, even where its name has gone or changed since).
FileHandle ReopenFile(FileHandle h);
// Creates or truncates a file for reading and writing.
FileHandle CreateFile(const std::string& name);
bool CloseHandle(FileHandle h);

// Unbuffered read of up to `count` bytes at the handle's position; `*read` is 0 at the end of
// the file. False on failure.
bool ReadFile(FileHandle h, void* buffer, size_t count, size_t* read);
// Writes all `count` bytes or fails.
bool WriteFile(FileHandle h, const void* data, size_t count, size_t* written);
// Moves by a signed 64-bit distance; `*newPosition` (may be null) receives the new position.
bool SetFilePointer(FileHandle h, int64_t distance, int method, int64_t* newPosition);
// Size of the file in bytes; false when it cannot be had.
bool GetFileSize(FileHandle h, int64_t* size);

// The handle's position as an unbuffered reader would see it; -1 on failure.
int64_t FileTell(FileHandle h);

// Buffered access for line readers: the read-ahead bytes of one handle. data()/available()
// are the file's bytes from the handle's position on; consume() moves the position forward
// over them; fill() reads ahead until at least min(want, bytes left in the file) bytes are
// available, false when a read fails (the bytes already there stay; GetLastError tells why).
// data() is valid until the next call of fill() or of another function of this header.
class ReadAhead {
public:
    const char* data() const { return buf_.data() + begin_; }
    size_t available() const { return end_ - begin_; }
    void consume(size_t count) {
        begin_ += count < end_ - begin_ ? count : end_ - begin_;
        if (begin_ == end_)
            begin_ = end_ = 0;
    }
    bool fill(size_t want) { return available() >= want || refill(want); }
    // The handle's position as FileTell gives it, without a look-up; -1 before the first fill.
    int64_t tell() const { return active_ ? osPos_ - static_cast<int64_t>(end_ - begin_) : -1; }

private:
    friend class ReadAheadTable;
    bool refill(size_t want);

    FileHandle handle_ = INVALID_FILE_HANDLE;
    std::vector<char> buf_;
    size_t begin_ = 0;
    size_t end_ = 0;
    int64_t osPos_ = 0;   // where the descriptor stands: just after the buffered bytes
    bool active_ = false; // osPos_ and the buffer are valid
};

// The read-ahead of a handle (the same object for as long as the handle is open); null for a
// negative handle.
ReadAhead* FileReadAhead(FileHandle h);

// Brings the descriptor's own position to the observable one and drops the read-ahead bytes.
// Returns false when the descriptor cannot be positioned.
bool FileSync(FileHandle h);
// Drops any state kept for a descriptor that was closed outside this header.
void FileForget(FileHandle h);

}  // namespace win
