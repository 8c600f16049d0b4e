#pragma once
// Recoding text between 8-bit code pages and UTF-16, and language codes to code pages.
//
// 8-bit text is a byte string. UTF-16 text is a byte string of UTF-16 little-endian units,
// two bytes each, as it stands in files.
//
// The code-page argument of the conversions is a runtime value:
//   0 the ANSI code page, 1 the OEM code page, 2 UTF-8 (never a code page 2),
//   any other number that code page if it is valid, else the ANSI code page,
//   a string a two-letter language code, meaning that language's ANSI code page.
// Any other kind of value (NIL for a missing argument, for instance) is refused: the
// conversion returns FALSE and leaves its results as they were.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/runtime/value.h"

// `source` read in `codePage`, as UTF-16LE bytes in `result` and their number in `count`.
// An empty source gives "" and TRUE. Bytes the code page cannot decode become U+FFFD.
bool CONVMULTIBYTE2UNICODE(std::string_view source, const rt::Value& codePage, std::string& result,
                           size_t& count);

// `byteCount` bytes of UTF-16LE `source` (an odd last byte is ignored; 0 means up to the
// first 0000 unit, which is not written) as text in `codePage`. Characters the code page
// lacks become "?", which is success; a conversion that fails returns FALSE with "" and 0.
bool CONVUNICODE2MULTIBYTE(std::string_view source, size_t byteCount, const rt::Value& codePage,
                           std::string& result, size_t& count);

// `source` from one code page into another (the target is the last argument). Equal
// arguments (compared before 0, 1 and 2 are resolved) give the source itself. On failure
// the result is the source unchanged and the function returns FALSE. `source` is taken
// by value, so it may be the very variable that receives the result.
bool CONVMULTIBYTE2MULTIBYTE(std::string source, const rt::Value& sourceCodePage, std::string& result,
                             size_t& length, const rt::Value& targetCodePage);

// UTF-16LE bytes of `text` read in `codePage` (NIL counts as 0, ANSI); "" on failure.
std::string CONVANSI2UNICODE(std::string_view text, const rt::Value& codePage = rt::Value());
// UTF-16LE bytes of OEM text; "" on failure.
std::string CONVOEM2UNICODE(std::string_view text);
// UTF-16LE bytes of UTF-8 text; "" on failure.
std::string CONVUTF82UNICODE(std::string_view text);

// The default ANSI code page of a two-letter language code (case does not matter); an
// unknown code gives the user's default ANSI code page. Never 0. The last answer is kept.
unsigned LANG2CODEPAGE(const std::string& code);

// The language id (sublanguage 1) of a two-letter language code; 0x0400, the user's
// default language, for a code we do not know. The last answer is kept.
uint16_t LANG2LANGID(const std::string& code);

// (sublanguage << 10) | primary language.
uint16_t MAKELANGID(unsigned primaryLanguage, unsigned subLanguage);
// (sort id << 16) | language id.
uint32_t MAKELCID(unsigned languageId, unsigned sortId);
