#pragma once
// Files by handle (POSIX descriptors) with 64-bit positions, and file-name functions.
// Names use "/"; a "\" in a name is taken as "/". The last error is an errno value.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

constexpr int FO_READ = 0;
constexpr int FO_WRITE = 1;
constexpr int FO_READWRITE = 2;

// Opens an existing file; the low two bits of `mode` are the access (0 read, 1 write,
// 2 read-write), sharing bits are accepted and ignored. Gives a handle or -1.
int FOpen(const std::string& name, int mode = FO_READ);
// Creates the file, or truncates an existing one, for reading and writing; handle or -1.
int FCreate(const std::string& name);
// Moves to `offset` from the start (origin 0), the current position (1) or the end (2);
// gives the new position, or -1 on failure.
int64_t FSeek(int handle, int64_t offset, int origin = 0);
bool FRewind(int handle);
// Writes all of `text` (or its first `count` bytes); gives the number of bytes written,
// which is less only on failure (FError tells why).
size_t FWrite(int handle, std::string_view text);
size_t FWrite(int handle, std::string_view text, size_t count);
// Writes `text` and CR LF.
size_t FWriteLine(int handle, std::string_view text);
// Reads up to `count` bytes from the current position.
std::string FRead(int handle, size_t count);
// Reads the next line of at most `limit` bytes (a longer line comes in pieces) and moves
// past its end (CR, LF or CR LF). FALSE at the end of the file.
bool FReadLine(int handle, std::string& line, size_t limit = 256);
// Flushes the file's data to the disk.
bool FCommit(int handle);
bool FClose(int handle);

// The last file error (0 for none); FError(code) sets it and gives the previous one.
int FError();
int FError(int code);

// Whether a file (not a directory) of this name exists; "*" and "?" in the last part of
// the name match as in Directory.
bool File(const std::string& name);
bool FErase(const std::string& name);
// Copies `source` over `target`: the copy is written beside the target and renamed over
// it only when complete, so a failed copy never leaves a damaged target.
bool FCopy(const std::string& source, const std::string& target);
// The names (without directory) of the files matching the pattern's last part, which may
// hold "*" and "?" and matches regardless of case; sorted.
std::vector<std::string> Directory(const std::string& pattern);

}  // namespace rt
