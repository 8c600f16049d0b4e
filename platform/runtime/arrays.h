#pragma once
// Array functions of the runtime. Arrays are shared by reference; positions are 1-based.
// Functions that take an array do nothing (and give 0 or NIL) for a value that is not one.
#include <cstddef>

#include "platform/runtime/value.h"

namespace rt {

// `count` NIL elements; with `inner` > 0 each element is a new array of `inner` NILs.
Value ArrayNew(size_t count, size_t inner = 0);
Value ArrayCreate(size_t count);
size_t ALen(const Value& array);
// Cut, or padded with NIL, to `count` elements; returns the array.
Value ASize(const Value& array, size_t count);
// `value` into `count` elements from `start` (default: to the end); returns the array.
Value AFill(const Value& array, const Value& value, size_t start = 1, size_t count = static_cast<size_t>(-1));
// Appends `value`; returns it.
Value AAdd(const Value& array, const Value& value);
// Inserts NIL at `position`, shifting the elements behind it; the last element falls off,
// so the length stays the same. Returns the array.
Value AIns(const Value& array, size_t position);
// Removes the element at `position`, shifting the rest forward and putting NIL last.
Value ADel(const Value& array, size_t position);
// Position of the first element equal ("==") to `value`, or for which a code block
// `value` returns TRUE; 0 when none. The search starts at `start`.
size_t AScan(const Value& array, const Value& value, size_t start = 1);
// A deep copy: nested arrays are copied too, other elements shared as values.
Value AClone(const Value& array);

}  // namespace rt
