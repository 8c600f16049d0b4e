#pragma once
// The text of a number field (types N and F): written right-aligned with a fixed count of
// decimals, read back leniently.
#include <cstddef>
#include <string_view>

namespace db {

// Writes `v` into the `len` bytes at `out`: rounded half away from zero on its shortest
// decimal form to `dec` decimals, right-aligned with spaces; "*" in every byte when it does
// not fit or is not finite. A fraction without room for its leading zero is written as
// ".1234". Nothing is allocated: the record loop calls this for every number.
void FormatNumberField(double v, int len, int dec, char* out);

// The number in the `n` bytes at `p`: leading blanks (and NULs) and a plus sign skipped,
// then the longest number there; 0 when none is.
double ParseNumberField(const char* p, size_t n);

// Whether `t` is a number as number fields hold it: an optional minus, digits and at most one
// point, with at least one digit (".5", "-.50" and "12." included).
bool IsNumberText(std::string_view t);

}  // namespace db
