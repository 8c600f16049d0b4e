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
// Handles are used from one thread (the GUI thread).
#include <cstddef>
#include <cstdint>
#include <string>

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

// Buffered access for line readers. FilePeek makes at least min(want, bytes left in the file)
// bytes from the handle's position available in *data / *available without moving the
// position; false when a read fails (the bytes already buffered stay). FileConsume moves the
// position forward by `count` bytes of what FilePeek showed. The pointer is valid until the
// next call of any function of this header for the handle.
bool FilePeek(FileHandle h, size_t want, const char** data, size_t* available);
void FileConsume(FileHandle h, size_t count);

// Brings the descriptor's own position to the observable one and drops the read-ahead bytes.
// Returns false when the descriptor cannot be positioned.
bool FileSync(FileHandle h);
// Drops any state kept for a descriptor that was closed outside this header.
void FileForget(FileHandle h);

}  // namespace win
