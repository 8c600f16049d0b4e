#include "functions/charselect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
    std::string text;
    uint32_t flags;
    std::string expected;
};

TEST(CharSelect, AnsiSelect) {
    const std::vector<Case> cases = {
        {"Gr\xF6\xDF" "e_1", 0, "Gr\xF6\xDF" "e_1"},        // flags 0: unchanged
        {"", 0x141070, ""},
        {"Gr\xF6\xDF" "e_1", 0x141070, "GRE_1"},             // field names from header words
        {"\xC4pfel", 0x100660, "Aepfel"},
        {"\xC4pfel", 0x140660, "AEPFEL"},
        {"\xC4pfel", 0x180660, "aepfel"},
        {"Stra\xDF" "e", 0x140660, "STRASSE"},
        {"\xFF", 0x140660, "y"},                             // no upper-case form
        {"\xDE\xFE", 0x140660, "THTH"},
        {"\xD7", 0x080200, "\xF7"},                          // × lower-cased is ÷
        {"\xF7", 0x040400, "\xD7"},
        {"\xD7\xF7", 0x100600, "\xD7\xF7"},                  // no plain form
        {"\x8A", 0x100800, "S"},
        {"\x8A", 0x000800, "\x8A"},
        {"\x8A\x8C\x8E\x9A\x9C\x9E\x9F\xA2", 0x100800, "SCZsozyc"},
        {"\x8A\xA2", 0x100980, "Sc"},                        // kept by 80-9F / A0-BF, still spelt plain
        {"\xFF", 0x0200, ""},                                // ÿ only with 0x0400
        {"\xFF", 0x0400, "\xFF"},
        {"\xDF\xFF\xE4", 0x040400, "\xDF\xFF\xC4"},          // ß and ÿ never change case
        {"a_b", 0x1840, "ab"},                               // with the list class the underscore is not tested
        {"a_b", 0x1040, "a_b"},
        {"a_b", 0x0048, "a_b"},                              // punctuation keeps it first
        {"a-b", 0x200040, "a b"},
        {"a-b", 0x400040, "a?b"},
        {"a-b", 0x600040, "a b"},                            // blank wins over "?"
        {"aB1 ,\xE9", 0x0450, "a1\xE9"},                     // the menu's flags
        {"Ab", 0x0C0060, "aB"},                              // both modes: A-Z and a-z swap
        {"Ab", 0x040020, "A"},                               // upper-case mode needs a-z or E0-FE
        {std::string("\0\x01 ", 3), 0x0007, std::string("\0\x01 ", 3)},
        {"\x84\x94", 0x010400, "\xE4\xF6"},                  // from OEM first
        {"\xC3\xA4x", 0x020400, "\xE4"},                     // from UTF-8 first
        {"\xC3\xA4", 0x030400, "\xF1"},                      // OEM wins: ├ is dropped, ñ kept
    };
    for (const auto& c : cases) EXPECT_EQ(FASTANSISELECT(c.text, c.flags), c.expected) << c.text << " " << std::hex << c.flags;
}

TEST(CharSelect, CharSelect) {
    const std::vector<Case> cases = {
        {"abc", 0, ""},
        {"", 0x010C, ""},
        {"10, 20;5", 0x010C, "10  20 5"},
        {"\x8E" "A", 0x0011 | 0x0020 | 0x0080, "aea"},
        {"\x8E\x84", 0x0010 | 0x0020, "AEae"},
        {"\x8E\x99\x9A", 0x0010 | 0x0080, "\x84\x94\x81"},
        {"\x84\x94\x81\xE1", 0x0010 | 0x0040, "\x8E\x99\x9A\xE1"},
        {"\x84\x94\x81\xE1", 0x0010 | 0x0020 | 0x0040, "AEOEUESS"},
        {"\x84\xE1", 0x0010 | 0x0020 | 0x0040 | 0x0080, "aess"},  // lower-case mode stops upper case for umlauts
        {"\x84\xE1\x8E", 0x0010, "\x84\xE1\x8E"},
        {"\x84", 0x0020, ""},                                  // spelling needs the umlaut class
        {"aZ", 0x0003 | 0x0040 | 0x0080, "Az"},
        {"aZ", 0x1000 | 0x0040, "aZ"},                         // 21-7F keeps letters unchanged
        {"a.\x81", 0x0002 | 0x0200, "a??"},
        {std::string("\0\x1F\x80\xFF", 4), 0x0400 | 0x0800 | 0x2000, std::string("\0\x1F\x80\xFF", 4)},
        {"\xC3\x84", 0x4000 | 0x0010, "\x8E"},                 // from UTF-8 first
        {"\xC4", 0x8000 | 0x0010, "\x8E"},                     // from ANSI first
    };
    for (const auto& c : cases)
        EXPECT_EQ(FASTCHARSELECT(c.text, static_cast<uint16_t>(c.flags)), c.expected) << c.text << " " << std::hex << c.flags;
}

}  // namespace
