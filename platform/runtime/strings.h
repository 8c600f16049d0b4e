#pragma once
// Text functions of the runtime. Texts are bytes, positions 1-based, comparisons
// case-sensitive; "blanks" are spaces.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/runtime/value.h"

namespace rt {

std::string AllTrim(std::string_view text);
std::string LTrim(std::string_view text);
std::string Trim(std::string_view text);   // trailing blanks removed
std::string RTrim(std::string_view text);  // same as Trim

// Cut or filled with `fill` on the right / left to `length` bytes; "" for length <= 0.
std::string PadR(std::string_view text, int64_t length, char fill = ' ');
std::string PadL(std::string_view text, int64_t length, char fill = ' ');
std::string Space(int64_t count);

std::string Left(std::string_view text, int64_t count);
std::string Right(std::string_view text, int64_t count);
// From byte `start` (1-based; a negative start counts from the end, 0 counts as 1),
// `length` bytes or the rest when length is negative; "" when start lies past the end.
std::string SubStr(std::string_view text, int64_t start, int64_t length = -1);
size_t SLen(std::string_view text);

// Position of the first occurrence of `search` in `text`, 0 when absent or search is "".
size_t At(std::string_view search, std::string_view text);
// Whether `search` occurs in `text` ("" occurs in every text).
bool InString(std::string_view search, std::string_view text);
// Occurrences of `search` replaced by `replace`, beginning with occurrence `start`
// (1-based), at most `count` of them (negative: all). An empty search changes nothing.
std::string StrTran(std::string_view text, std::string_view search, std::string_view replace = {},
                    int64_t start = 1, int64_t count = -1);

// Case mapping of code page 1252 letters; a text that is valid UTF-8 with non-ASCII
// characters is mapped as UTF-8, so that UTF-8 data is never broken into invalid bytes.
std::string Upper(std::string_view text);
std::string Lower(std::string_view text);

// A one-byte text: "\x01" for TRUE, "\x00" for FALSE (sorts FALSE before TRUE).
std::string Logic2Bin(bool value);

// TRUE for NIL, a text of blanks only (tabs, CR and LF count as blanks), 0, FALSE, the
// empty date and an empty array.
bool Empty(const Value& value);
bool IsNil(const Value& value);

// "==": same type and value; texts of the same length and bytes; arrays, objects and
// blocks the same reference.
bool EqualExact(const Value& left, const Value& right);
// "=" on texts: with exact mode off (SetExact), TRUE when `left` begins with `right` (so
// every text equals ""); with exact mode on, equal after removing trailing blanks.
bool EqualText(std::string_view left, std::string_view right);
// "=" on values: EqualText for two texts, EqualExact otherwise.
bool Equal(const Value& left, const Value& right);

// The greater / smaller of two numbers, dates or texts; `left` when the types differ.
Value Max(const Value& left, const Value& right);
Value Min(const Value& left, const Value& right);

// A value as text the way the pad functions and AsString show it: texts unchanged, numbers
// as LTrim(Str(n)), dates as DToC, logicals as "T"/"F", NIL as "NIL".
std::string AsString(const Value& value);

}  // namespace rt
