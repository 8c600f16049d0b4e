#pragma once
// The order of index keys: text compared by a weight per byte, so that a letter's upper and
// lower case and its accented forms sort together. The weights below are those of code page
// 1252; text of another code page is ordered as the same characters are in 1252, and the
// letters 1252 lacks (Cyrillic, Greek, Polish "ł") after them, in the order of their capital
// letters' Unicode numbers, each with its small and accented forms ("ё" with "е", "ą" with "a").
//
// Weights, lowest first:
//   1. control characters 0x00 to 0x1F, by byte;
//   2. the blank, then every other character that is neither digit nor letter (ASCII
//      punctuation, the symbols of 0x80 to 0xBF, the multiplication and division signs),
//      by byte;
//   3. the digits 0 to 9;
//   4. the letters A to Z, each together with its lower case and accented forms:
//      A: À Á Â Ã Ä Å Æ and their small forms; C: Ç ç; D: Ð ð; E: È É Ê Ë è é ê ë;
//      F: ƒ; I: Ì Í Î Ï ì í î ï; N: Ñ ñ; O: Ò Ó Ô Õ Ö Ø Œ and their small forms;
//      S: Š š ß; U: Ù Ú Û Ü ù ú û ü; Y: Ý ý Ÿ ÿ; Z: Ž ž;
//   5. Þ þ, after Z.
// Two keys are compared by their weights, the shorter one taken as filled with blanks; equal
// weights are decided by the bytes themselves (so "A" < "a" < "Ä"; `Order::ties`), and, in an
// index, equal keys by record number.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace db::collation {

// The weights of one code page's bytes, and each weight's rank among those that occur.
// `ties` decides equal weights: 1252's byte where the character is one of 1252's, so that a
// table of another code page breaks ties as a 1252 table does, else the character's Unicode
// number. The rest serves sortKey().
struct Order {
    std::array<uint16_t, 256> weights;
    std::array<uint8_t, 256> ranks;
    std::array<uint16_t, 256> ties;
    // Whether sortKey() gives this order: the blank's weight is the blank's alone and the
    // ranks leave room for the three marks of a run of blanks.
    bool bytewise;
    uint8_t blankRank;
    std::array<uint8_t, 256> codes;     // a byte's rank, those above the blank's moved up by 2
    std::array<uint8_t, 256> tieCodes;  // a byte's tie's rank among the ties
    std::array<bool, 256> tied;         // its weight is shared by a byte of another tie
};

// Code page 1252's order.
const Order& latin();
// The order of a code page's text; 1252's for a code page that cannot be converted.
const Order& orderFor(unsigned codePage);

// <0, 0 or >0.
int compare(std::string_view a, std::string_view b, const Order& order = latin());

// Appends to `out` the sort key of `key`: bytes that compare (memcmp, the shorter first where
// one is the start of the other) as compare() compares the keys, as strxfrm makes them. Only
// for an order that is `bytewise`.
void sortKey(std::string_view key, std::string& out, const Order& order = latin());

// The weights of the eight bytes from `from` on (blank-filled) packed into one word for a
// quick comparison: keys whose words differ compare as their words do, the first word first.
uint64_t prefix(std::string_view key, size_t from = 0, const Order& order = latin());

}  // namespace db::collation
