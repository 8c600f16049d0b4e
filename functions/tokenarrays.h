#pragma once
// Splitting byte strings into token arrays, collapsing blanks, and patching a string in place.
//
// A token is at most 2048 bytes: when a token has reached that size and the text goes on,
// the whole split ends there, the unfinished token is dropped and the tokens found so far
// are the result. A token of exactly 2048 bytes that runs to the end of the text is kept.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/value.h"

// The tokens of `text` between runs of bytes of `white` (leading and trailing white space
// ignored), at most `maximum` of them (0 gives none). With `numeric` each token becomes
// the number Val reads from it after its first "," is made "."; otherwise a string.
// Returns an array value.
rt::Value FASTTOKENWHITEARRAY(std::string_view text, std::string_view white, uint16_t maximum, bool numeric);

// The same split as views into `text`, at most `maximum` tokens, without the token limit: the
// columns of a fixed-width file may be wider than any word.
std::vector<std::string_view> FASTTOKENWHITEVIEWS(std::string_view text, std::string_view white, size_t maximum);

// The fields of `text` between single bytes of `separators`, empty fields included (two
// adjacent separators give "", a leading one a first ""), but no trailing "" after a last
// separator. At most `maximum` fields. Returns an array value of strings.
rt::Value FASTTOKENSEPARRAY3(std::string_view text, std::string_view separators, uint16_t maximum);

// Token `n` (from 1) of a white-space split as in FASTTOKENWHITEARRAY, with the 1-based
// columns of its first and last byte; "" and both columns 0 when there is no token n.
std::string FASTTOKENWHITECOUNT(std::string_view text, std::string_view white, uint16_t n, size_t& firstColumn,
                                size_t& lastColumn);

// Without leading and trailing blanks, every inner run of blanks made one blank. Only the
// blank (20) counts; a TAB is kept.
std::string FASTALLTRIMMULTI(std::string_view text);

// Overwrites the bytes of `text` from `position` (1-based; 0 or less counts as 1) with
// `replacement` when it fits inside the text; otherwise nothing changes. The length never
// changes. Returns `text`.
std::string& FASTREPLACE(std::string& text, int64_t position, std::string_view replacement);
