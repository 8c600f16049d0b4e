#include "functions/charsets.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win/codepage.h"

namespace {

std::string utf16(const std::u16string& units) {
    std::string bytes;
    for (char16_t u : units) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

TEST(CharSets, MultiByteToUnicode) {
    struct Case {
        std::string source;
        rt::Value codePage;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"abc", 2, std::string("a\0b\0c\0", 6)},
        {"B\xC3\xA4r", 2, utf16(u"B\u00E4r")},
        {"B\xE4r", 0, utf16(u"B\u00E4r")},
        {"B\x84r", 1, utf16(u"B\u00E4r")},
        {"\x80", 1252, utf16(u"\u20AC")},
        {"\xA3", 1250, utf16(u"\u0141")},
        {"\x80", 3, utf16(u"\u20AC")},     // not a valid code page: ANSI
        {"\x80", 9999, utf16(u"\u20AC")},
        {"\x80", -5, utf16(u"\u20AC")},
        {"\xA3", "pl", utf16(u"\u0141")},  // Polish: 1250
        {"\xC4", "RU", utf16(u"\u0414")},  // Russian: 1251
        {"\xA3", "xx", utf16(u"\u00A3")},  // unknown language: the user's ANSI code page
    };
    for (const auto& c : cases) {
        std::string result = "old";
        size_t count = 99;
        EXPECT_TRUE(CONVMULTIBYTE2UNICODE(c.source, c.codePage, result, count)) << c.source;
        EXPECT_EQ(result, c.expected) << c.source;
        EXPECT_EQ(count, c.expected.size());
    }
}

TEST(CharSets, UnicodeToMultiByte) {
    const std::string abc("a\0b\0c\0", 6);
    struct Case {
        std::string source;
        size_t byteCount;
        rt::Value codePage;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {abc, 6, 2, "abc"},
        {abc, 5, 2, "ab"},                     // odd last byte ignored
        {abc, 60, 2, "abc"},                   // a count past the source reads no further
        {utf16(u"B\u00E4r"), 6, 2, "\x42\xC3\xA4\x72"},
        {utf16(u"B\u00E4r"), 6, 1, "B\x84r"},
        {utf16(u"B\u00E4r"), 6, "de", "B\xE4r"},
        {utf16(u"a\u4E00b"), 6, 0, "a?b"},     // a character ANSI lacks: default character
        {std::string("a\0b\0\0\0c\0", 8), 0, 2, "ab"},  // count 0: up to the first 0000 unit, without it
        {std::string("a\0b\0", 4), 0, 2, "ab"},
    };
    for (const auto& c : cases) {
        std::string result = "old";
        size_t count = 99;
        EXPECT_TRUE(CONVUNICODE2MULTIBYTE(c.source, c.byteCount, c.codePage, result, count)) << c.expected;
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(count, c.expected.size());
    }
}

TEST(CharSets, EmptySourcesAndRefusedArguments) {
    std::string result = "old";
    size_t count = 99;
    EXPECT_TRUE(CONVMULTIBYTE2UNICODE("", 2, result, count));
    EXPECT_EQ(result, "");
    EXPECT_EQ(count, 0u);
    result = "old";
    count = 99;
    EXPECT_TRUE(CONVUNICODE2MULTIBYTE("", 0, 2, result, count));
    EXPECT_EQ(result, "");
    EXPECT_EQ(count, 0u);
    result = "old";
    EXPECT_TRUE(CONVUNICODE2MULTIBYTE(std::string("\0\0a\0", 4), 0, 2, result, count));
    EXPECT_EQ(result, "");

    // Anything but a number or a string: FALSE, results untouched.
    for (const rt::Value& bad : {rt::Value(), rt::Value(true), rt::Value::array()}) {
        result = "old";
        count = 99;
        EXPECT_FALSE(CONVMULTIBYTE2UNICODE("abc", bad, result, count));
        EXPECT_FALSE(CONVUNICODE2MULTIBYTE(std::string("a\0", 2), 2, bad, result, count));
        EXPECT_FALSE(CONVMULTIBYTE2MULTIBYTE("abc", bad, result, count, 0));
        EXPECT_FALSE(CONVMULTIBYTE2MULTIBYTE("abc", 0, result, count, bad));
        EXPECT_EQ(result, "old");
        EXPECT_EQ(count, 99u);
    }
}

// A conversion that fails is reported as a failure, never as an empty success.
TEST(CharSets, FailedConversionIsReported) {
    win::testing::FailConversions(1250);
    std::string result = "old";
    size_t count = 99;
    EXPECT_FALSE(CONVUNICODE2MULTIBYTE(std::string("a\0", 2), 2, 1250, result, count));
    EXPECT_EQ(result, "");
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(CONVMULTIBYTE2UNICODE("a", 1250, result, count));
    EXPECT_EQ(result, "");
    EXPECT_EQ(CONVANSI2UNICODE("a", 1250), "");

    // Recoding hands back the source when it fails.
    std::string text = "\xE4";
    size_t length = 0;
    EXPECT_FALSE(CONVMULTIBYTE2MULTIBYTE(text, 0, text, length, 1250));
    EXPECT_EQ(text, "\xE4");
    EXPECT_EQ(length, 1u);
    win::testing::FailConversions(0xFFFFFFFFu);
}

TEST(CharSets, MultiByteToMultiByte) {
    struct Case {
        std::string source;
        rt::Value from;
        rt::Value to;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"B\xC3\xA4r", 2, 0, "B\xE4r"},
        {"B\xC3\xA4r", 2, 1, "B\x84r"},
        {"B\xE4r", 0, 2, "B\xC3\xA4r"},
        {"B\x84r", 1, 0, "B\xE4r"},
        {"B\xE4r", 0, 0, "B\xE4r"},
        {"\xFF\xFE", 2, 2, "\xFF\xFE"},         // equal arguments: the source itself, unchecked
        {"\xFF\xFE", "de", 1252, "\xFF\xFE"},   // "de" is 1252 before resolving
        {"\x80", 0, 1252, "\x80"},              // 0 and 1252 differ, but both are ANSI
        {"\xA3", 1250, "ru", "?"},              // Ł is not in Cyrillic
        {"", 2, 0, ""},
    };
    for (const auto& c : cases) {
        std::string text = c.source;  // the callers pass one variable as source and result
        size_t length = 99;
        EXPECT_TRUE(CONVMULTIBYTE2MULTIBYTE(text, c.from, text, length, c.to)) << c.source;
        EXPECT_EQ(text, c.expected) << c.source;
        EXPECT_EQ(length, c.expected.size());
    }
}

TEST(CharSets, FrontEnds) {
    EXPECT_EQ(CONVANSI2UNICODE("\xE4"), utf16(u"\u00E4"));
    EXPECT_EQ(CONVANSI2UNICODE("\xA3", 1250), utf16(u"\u0141"));
    EXPECT_EQ(CONVOEM2UNICODE("\x84\xDA"), CONVANSI2UNICODE("\x84\xDA", 1));
    EXPECT_EQ(CONVOEM2UNICODE("\x84"), utf16(u"\u00E4"));
    EXPECT_EQ(CONVUTF82UNICODE("\xC3\xA4"), utf16(u"\u00E4"));
    EXPECT_EQ(CONVANSI2UNICODE("a", true), "");  // refused argument
}

TEST(CharSets, LanguageCodes) {
    struct Case {
        std::string code;
        uint16_t langId;
        unsigned codePage;
    };
    const std::vector<Case> cases = {
        {"de", 0x0407, 1252}, {"DE", 0x0407, 1252}, {"de", 0x0407, 1252},  // again: from the cache
        {"ar", 0x0401, 1256}, {"bs", 0x041A, 1250}, {"hr", 0x041A, 1250}, {"sr", 0x041A, 1250},
        {"cs", 0x0405, 1250}, {"el", 0x0408, 1253}, {"he", 0x040D, 1255}, {"ja", 0x0411, 932},
        {"kt", 0x0411, 932},  {"ko", 0x0412, 949},  {"zh", 0x0404, 950},  {"th", 0x041E, 874},
        {"tr", 0x041F, 1254}, {"vi", 0x042A, 1258}, {"lt", 0x0427, 1257}, {"uk", 0x0422, 1251},
        {"mn", 0x0450, 1251}, {"az", 0x042C, 1254},
        {"hy", 0x042B, 1252}, {"ka", 0x0437, 1252}, {"mt", 0x043A, 1252},  // no ANSI code page: the system's
        {"xx", 0x0400, 1252}, {"", 0x0400, 1252},   {"deu", 0x0400, 1252},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LANG2LANGID(c.code), c.langId) << c.code;
        EXPECT_EQ(LANG2CODEPAGE(c.code), c.codePage) << c.code;
    }
    EXPECT_EQ(MAKELANGID(0x07, 1), 0x0407);
    EXPECT_EQ(MAKELANGID(0x1A, 3), 0x0C1A);
    EXPECT_EQ(MAKELCID(0x0407, 0), 0x0407u);
    EXPECT_EQ(MAKELCID(0x0407, 1), 0x10407u);
}

}  // namespace
