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
#include <string_view>

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

// How the lines of a text file are coded, for the whole-line reader: 8-bit bytes, UTF-8 (which
// may begin with the mark EF BB BF) or UTF-16LE (which may begin with FF FE).
enum class LineCoding { Bytes, Utf8, Utf16 };

// One whole line, however long, without its line end; `lineEnd` tells which end closed it
// ("\r\n", "\n", "\r", or "" for a last line without one), as 8-bit text. UTF-16 lines are
// their raw bytes, ended by the units CR and LF only. At the very start of the file a
// byte-order mark of the coding is skipped: it is never part of a line. False when nothing was
// left or a read failed before the line's first byte. A read that fails inside a line gives
// the bytes before the failure as the line (true). The outcome is in the last file error as
// for the readers above.
bool FREADLINEWHOLE(win::FileHandle handle, LineCoding coding, std::string& line, std::string_view& lineEnd);
// As above, but a line of more than `limit` bytes is not read: `tooLong` is set, the line is
// empty and the handle stands somewhere inside that line, having read at most about twice
// `limit` bytes of it, so that one line without a line end cannot take the memory of its size.
bool FREADLINEWHOLE(win::FileHandle handle, LineCoding coding, std::string& line, std::string_view& lineEnd,
                    size_t limit, bool& tooLong);

// As FEOFLARGE, but a file that holds nothing after the byte-order mark it starts with is at
// its end too, so that this test and FREADLINEWHOLE always agree.
bool FEOFTEXT(win::FileHandle handle, LineCoding coding);

// Whether the handle stands at the end of the file. A failed read counts as the end, and its
// error is kept as the last file error, so a loop until the end cannot run forever.
bool FEOFLARGE(win::FileHandle handle);

// The file's size in bytes; 0 when it cannot be had.
int64_t FGETFILESIZE(win::FileHandle handle);

// The handle's position in bytes from the start of the file; -1 when it cannot be had.
int64_t FTELLLARGE(win::FileHandle handle);
