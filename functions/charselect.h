#pragma once
// Copying a byte string while keeping only selected character classes, with optional
// recoding first, case changes, plain-letter spelling of accented letters and umlauts,
// and a blank or "?" where a byte was dropped.
#include <cstdint>
#include <string>
#include <string_view>

// ANSI (Windows-1252) text. Low 16 bits of `flags`, one class each:
//   0x0001 00   0x0002 01-1F   0x0004 blank   0x0008 ASCII punctuation and DEL
//   0x0010 digits   0x0020 A-Z   0x0040 a-z   0x0080 80-9F   0x0100 A0-BF
//   0x0200 C0-DE   0x0400 E0-FE, DF and FF   0x0800 the bytes of "ŠŒŽšœžŸ¢"
//   0x1000 underscore (only when 0x0800 is not selected)
// Options: 0x10000 recode from OEM first, 0x20000 from UTF-8 first (without 0x10000),
//   0x40000 upper-case mode (with 0x0040 or 0x0400), 0x80000 lower-case mode (with 0x0020
//   or 0x0200), 0x100000 plain-letter spelling (with 0x0200, 0x0400 or 0x0800),
//   0x200000 a dropped byte becomes a blank, 0x400000 a dropped byte becomes "?".
// Flags 0 return the text unchanged.
std::string FASTANSISELECT(std::string_view text, uint32_t flags);

// OEM (code page 850/437) text:
//   0x0001 A-Z   0x0002 a-z   0x0004 digits   0x0008 blank   0x0010 the German umlauts and ß
//   0x0020 umlauts spelt "ae", "oe", "ue", "ss" (with 0x0010)
//   0x0040 upper-case mode (a-z; umlauts when 0x0080 is not set)
//   0x0080 lower-case mode (A-Z; umlauts)
//   0x0100 a dropped byte becomes a blank, 0x0200 "?" (without 0x0100)
//   0x0400 00   0x0800 01-1F   0x1000 21-7F   0x2000 80-FF
//   0x4000 recode from UTF-8 first, 0x8000 recode from ANSI first (after UTF-8).
// Flags 0 keep nothing.
std::string FASTCHARSELECT(std::string_view text, uint16_t flags);
