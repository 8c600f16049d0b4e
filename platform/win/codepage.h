#pragma once
// Code pages: 8-bit text <-> UTF-16, the system's ANSI and OEM code pages, and the default
// ANSI code page of a locale.
//
// ANSI is 1252 and OEM is 850, each with our own 256-entry table so that every byte maps
// (glibc's CP1252 rejects 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which we map to the C1 controls
// of the same value, as Windows does). 437 has its own table too; UTF-8 (65001) has its own
// codec. Any other code page number goes through glibc iconv with cached descriptors.
//
// Conversions never stop at bad input: undecodable bytes become U+FFFD and characters the
// target lacks become "?" (the default character); that is success. They fail only for a
// code page that is not valid. Where a caller passes `lost`, each character written as the
// default character (or, between OEM and ANSI, as a look-alike) because the target code page
// lacks it is added there, counted inside the conversion itself; UTF-8 lacks nothing.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace win {

// Pseudo code pages accepted by the conversion functions.
constexpr unsigned CP_ACP = 0;    // the ANSI code page
constexpr unsigned CP_OEMCP = 1;  // the OEM code page
constexpr unsigned CP_UTF8 = 65001;

unsigned GetACP();    // 1252
unsigned GetOEMCP();  // 850

// Whether `codePage` is a real code page we can convert (the pseudo code pages 0 to 3 are
// not). UTF-16 and UTF-32 code pages are not valid for 8-bit text.
bool IsValidCodePage(unsigned codePage);

// 8-bit text in `codePage` (CP_ACP, CP_OEMCP or a valid code page) to UTF-16. Returns
// false, with `out` empty, for an invalid code page.
bool MultiByteToWideChar(unsigned codePage, std::string_view src, std::u16string& out);

// UTF-16 to 8-bit text in `codePage`. A lone surrogate becomes U+FFFD in UTF-8 and "?"
// elsewhere. Returns false, with `out` empty, for an invalid code page.
bool WideCharToMultiByte(unsigned codePage, std::u16string_view src, std::string& out, uint64_t* lost = nullptr);

// 8-bit text from one code page straight into another (each CP_ACP, CP_OEMCP, CP_UTF8 or a
// valid code page): the same bytes as MultiByteToWideChar followed by WideCharToMultiByte,
// but between UTF-8 and single-byte code pages without UTF-16 in between, through tables
// built once per code page, and runs of ASCII are copied as they are. Returns false, with
// `out` empty, when either code page is invalid.
bool ConvertMultiByte(unsigned fromCodePage, unsigned toCodePage, std::string_view src, std::string& out,
                      uint64_t* lost = nullptr);

// Where both code pages are single-byte (not UTF-8, not a multi-byte page): the byte each byte
// of `from` becomes in `to` (the default character where `to` lacks its character, the
// look-alike of Oem2Ansi and Ansi2Oem between OEM 850 and ANSI 1252), and 1 in `lost` where
// it was lost so. False, leaving both untouched, for any other pair.
bool SingleByteMap(unsigned fromCodePage, unsigned toCodePage, unsigned char bytes[256], unsigned char lost[256]);

// Byte by byte between OEM (850) and ANSI (1252); the length never changes. A character
// the other code page lacks becomes an ASCII look-alike where one is plain (box-drawing
// lines become "|", "-" and "+", typographic quotes and dashes their ASCII forms, "Š" "S",
// dotless i "i", and so on) and "?" otherwise (shades and blocks, "€", C1 controls).
std::string Oem2Ansi(std::string text, uint64_t* lost = nullptr);
std::string Ansi2Oem(std::string text, uint64_t* lost = nullptr);

// Default ANSI code page of a locale id (the language id in the low 16 bits; the sort id
// is ignored). 0 for a locale that has none (Unicode-only languages such as Armenian,
// Georgian or Maltese); nullopt for a locale we do not know. 0x0400, the user's default
// locale, gives the ANSI code page.
std::optional<unsigned> LocaleDefaultAnsiCodePage(uint32_t lcid);

namespace testing {
// Makes every conversion into or out of `codePage` fail as an invalid one would, so that
// callers' failure paths can be exercised; 0xFFFFFFFF turns it off again.
void FailConversions(unsigned codePage);
}  // namespace testing

}  // namespace win
