#pragma once
// Line reading from text files of any size through a raw file handle, with 64-bit sizes and
// positions. The handle's position after each call is exactly what a reader without buffer
// would leave (on the first byte after the line end), though lines come from a read-ahead
// buffer kept per handle.
//
// The handles are the runtime's (rt::FOpen, rt::FCreate). The line readers leave their outcome
// in the runtime's last file error (rt::FError): 0 after a line, 257 when nothing was left, the
// system's error code after a failed read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win/filehandle.h"

// One line of 8-bit text, ended by CR, LF or CR LF, without its line end; "" at the end of the
// file or on a read error. A line longer than `bufferSize` bytes comes back in pieces of
// `bufferSize` bytes, each as a line of its own.
std::string FREADLINELARGE(win::FileHandle handle, size_t bufferSize = 256);
// As above into `line`; returns false when nothing could be read (end of file or error).
bool FREADLINELARGE(win::FileHandle handle, size_t bufferSize, std::string& line);

// One line of UTF-16LE text, ended by the units CR, LF or CR LF, as its raw bytes without the
// line end. Line ends are looked for at unit boundaries only. An odd `bufferSize` is taken one
// smaller, so that a piece of a long line never splits a unit.
std::string FREADLINEUNICODE(win::FileHandle handle, size_t bufferSize = 512);
bool FREADLINEUNICODE(win::FileHandle handle, size_t bufferSize, std::string& line);

// Whether the handle stands at the end of the file. A failed read counts as the end, and its
// error is kept as the last file error, so a loop until the end cannot run forever.
bool FEOFLARGE(win::FileHandle handle);

// The file's size in bytes; 0 when it cannot be had.
int64_t FGETFILESIZE(win::FileHandle handle);

// The handle's position in bytes from the start of the file; -1 when it cannot be had.
int64_t FTELLLARGE(win::FileHandle handle);
