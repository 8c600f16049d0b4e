#include "platform/win/codepage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

namespace {

std::string allBytes() {
    std::string s(256, '\0');
    for (int b = 0; b < 256; ++b) s[b] = static_cast<char>(b);
    return s;
}

std::u16string toUtf16(unsigned cp, std::string_view s) {
    std::u16string out;
    EXPECT_TRUE(win::MultiByteToWideChar(cp, s, out)) << cp;
    return out;
}

std::string fromUtf16(unsigned cp, std::u16string_view s) {
    std::string out;
    EXPECT_TRUE(win::WideCharToMultiByte(cp, s, out)) << cp;
    return out;
}

TEST(CodePage, SystemCodePages) {
    EXPECT_EQ(win::GetACP(), 1252u);
    EXPECT_EQ(win::GetOEMCP(), 850u);
    EXPECT_EQ(toUtf16(win::CP_ACP, "\x80"), u"\u20AC");
    EXPECT_EQ(toUtf16(win::CP_OEMCP, "\x80"), u"\u00C7");
}

TEST(CodePage, EveryByteRoundTripsThroughUtf16) {
    for (unsigned cp : {1252u, 850u, 437u, 1250u, 1251u, 28591u}) {
        SCOPED_TRACE(cp);
        std::u16string wide = toUtf16(cp, allBytes());
        ASSERT_EQ(wide.size(), 256u);
        EXPECT_EQ(std::u16string(wide).find(u'\uFFFD'), std::u16string::npos);
        EXPECT_EQ(fromUtf16(cp, wide), allBytes());
    }
    // The five bytes 1252 leaves undefined keep their value, as the platform we stand in for maps them.
    EXPECT_EQ(toUtf16(1252, "\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
}

// Our own tables against glibc's, which knows all of 850 and 437 and all but five bytes of 1252.
TEST(CodePage, OwnTablesAgreeWithIconv) {
    const std::vector<std::pair<unsigned, const char*>> pages = {{1252, "CP1252"}, {850, "IBM850"}, {437, "IBM437"}};
    for (const auto& [cp, name] : pages) {
        iconv_t cd = iconv_open("UTF-16LE", name);
        ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1)) << name;
        for (int b = 0; b < 256; ++b) {
            char in = static_cast<char>(b);
            char16_t unit = 0;
            char* inp = &in;
            size_t inLeft = 1;
            char* outp = reinterpret_cast<char*>(&unit);
            size_t outLeft = 2;
            if (iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1)) continue;  // 1252's undefined bytes
            EXPECT_EQ(toUtf16(cp, std::string(1, in)), std::u16string(1, unit)) << name << " byte " << b;
        }
        iconv_close(cd);
    }
}

TEST(CodePage, Utf8) {
    EXPECT_EQ(fromUtf16(win::CP_UTF8, u"B\u00e4r"), "\x42\xC3\xA4\x72");
    EXPECT_EQ(toUtf16(win::CP_UTF8, "\x42\xC3\xA4\x72"), u"B\u00e4r");
    // a character outside the basic plane as a surrogate pair, both ways
    EXPECT_EQ(toUtf16(win::CP_UTF8, "\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(fromUtf16(win::CP_UTF8, u"\U0001F600"), "\xF0\x9F\x98\x80");
    // a lone surrogate becomes U+FFFD
    EXPECT_EQ(fromUtf16(win::CP_UTF8, std::u16string{u'a', char16_t(0xD800), u'b'}), "a\xEF\xBF\xBD" "b");

    // Ill-formed input: one U+FFFD per maximal ill-formed subsequence, nothing else lost.
    const std::vector<std::pair<std::string, std::u16string>> bad = {
        {"a\xC3", u"a\uFFFD"},                   // cut off at the end
        {"\xC3" "a", u"\uFFFDa"},                // continuation missing
        {"\xFF\xFE", u"\uFFFD\uFFFD"},           // bytes that never occur
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // an encoded surrogate
        {"\xC0\xAF", u"\uFFFD\uFFFD"},           // overlong
        {"\xF0\x9F\x98" "x", u"\uFFFDx"},        // four-byte sequence cut short
    };
    for (const auto& [in, expected] : bad) EXPECT_EQ(toUtf16(win::CP_UTF8, in), expected) << in;
}

TEST(CodePage, OtherCodePagesThroughIconv) {
    // Central European: "Łódź"
    EXPECT_EQ(toUtf16(1250, "\xA3\xF3\x64\x9F"), u"\u0141\u00F3d\u017A");
    EXPECT_EQ(fromUtf16(1250, u"\u0141\u00F3d\u017A"), "\xA3\xF3\x64\x9F");
    // A double-byte code page: "日本" in Shift-JIS; a bad trail byte becomes U+FFFD
    EXPECT_EQ(toUtf16(932, "\x93\xFA\x96\x7B"), u"\u65E5\u672C");
    EXPECT_EQ(fromUtf16(932, u"\u65E5\u672C"), "\x93\xFA\x96\x7B");
    EXPECT_EQ(toUtf16(932, "a\x93"), u"a\uFFFD");
    // Characters the target lacks become the default character, and that is success.
    EXPECT_EQ(fromUtf16(1252, u"a\u0100b\U0001F600c"), "a?b?c");
    EXPECT_EQ(fromUtf16(1250, u"a\u4E00b"), "a?b");
    EXPECT_EQ(fromUtf16(932, std::u16string{u'a', char16_t(0xDC00), u'b'}), "a?b");
    // A stateful code page returns to its initial state at the end.
    std::string jis = fromUtf16(50220, u"\u65E5a");
    EXPECT_EQ(toUtf16(50220, jis), u"\u65E5a");
    EXPECT_EQ(jis.back(), 'a');
}

TEST(CodePage, InvalidCodePages) {
    for (unsigned cp : {0u, 1u, 2u, 3u, 9999u, 1200u, 12000u}) {
        SCOPED_TRACE(cp);
        EXPECT_FALSE(win::IsValidCodePage(cp));
    }
    for (unsigned cp : {437u, 850u, 1250u, 1252u, 932u, 65001u, 28591u}) EXPECT_TRUE(win::IsValidCodePage(cp)) << cp;
    std::u16string wide = u"x";
    std::string narrow = "x";
    EXPECT_FALSE(win::MultiByteToWideChar(9999, "abc", wide));
    EXPECT_TRUE(wide.empty());
    EXPECT_FALSE(win::WideCharToMultiByte(9999, u"abc", narrow));
    EXPECT_TRUE(narrow.empty());
}

TEST(CodePage, OemAnsiByteByByte) {
    const std::vector<std::pair<std::string, std::string>> oemToAnsi = {
        {"\x84\x94\x81\xE1\x8E\x99\x9A", "\xE4\xF6\xFC\xDF\xC4\xD6\xDC"},  // äöüßÄÖÜ
        {"abc 123", "abc 123"},
        {"\xDA\xC4\xBF\xB3\xC5", "+-+|+"},  // box drawing
        {"\xB0\xDB\xFE", "???"},            // shades and blocks
        {"\xD5", "i"},                      // dotless i
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const auto& [oem, ansi] : oemToAnsi) EXPECT_EQ(win::Oem2Ansi(oem), ansi);

    const std::vector<std::pair<std::string, std::string>> ansiToOem = {
        {"\xE4\xF6\xFC\xDF\xC4\xD6\xDC", "\x84\x94\x81\xE1\x8E\x99\x9A"},
        {"\x80\x81", "??"},               // euro sign and an undefined byte
        {"\x84\x93\x94\x96\x8A", "\"\"\"-S"},  // typographic quotes, dash, S caron
        {"\x83", "\x9F"},                 // f with hook exists in both
    };
    for (const auto& [ansi, oem] : ansiToOem) EXPECT_EQ(win::Ansi2Oem(ansi), oem);

    // Latin-1's printable half is in both code pages: it survives the trip there and back.
    std::string latin1;
    for (int b = 0xA0; b < 0x100; ++b) latin1.push_back(static_cast<char>(b));
    EXPECT_EQ(win::Oem2Ansi(win::Ansi2Oem(latin1)), latin1);
}

TEST(CodePage, LocaleDefaultAnsiCodePage) {
    const std::vector<std::pair<uint32_t, std::optional<unsigned>>> cases = {
        {0x0407, 1252}, {0x0409, 1252}, {0x0405, 1250}, {0x0419, 1251}, {0x0408, 1253}, {0x041F, 1254},
        {0x040D, 1255}, {0x0401, 1256}, {0x0425, 1257}, {0x042A, 1258}, {0x041E, 874},  {0x0411, 932},
        {0x0412, 949},  {0x0404, 950},  {0x0804, 936},  {0x041A, 1250}, {0x0C1A, 1251}, {0x042C, 1254},
        {0x042B, 0},    {0x0437, 0},    {0x043A, 0},    {0x0400, 1252}, {0x0807, 1252}, {0x007F, std::nullopt},
    };
    for (const auto& [lcid, cp] : cases) EXPECT_EQ(win::LocaleDefaultAnsiCodePage(lcid), cp) << std::hex << lcid;
}

TEST(CodePage, ForcedFailure) {
    win::testing::FailConversions(1250);
    std::u16string wide;
    std::string narrow;
    EXPECT_FALSE(win::MultiByteToWideChar(1250, "a", wide));
    EXPECT_FALSE(win::WideCharToMultiByte(1250, u"a", narrow));
    win::testing::FailConversions(0xFFFFFFFFu);
    EXPECT_TRUE(win::MultiByteToWideChar(1250, "a", wide));
}

}  // namespace

namespace {

// The reference: every byte through UTF-16 and back, with the characters `to` lacks.
std::string throughUtf16(unsigned from, unsigned to, std::string_view src, uint64_t* lost = nullptr) {
    std::u16string wide;
    std::string out;
    EXPECT_TRUE(win::MultiByteToWideChar(from, src, wide));
    EXPECT_TRUE(win::WideCharToMultiByte(to, wide, out, lost));
    return out;
}

// Inputs that reach every branch: each byte, ASCII runs around 8-byte words, every lead
// byte before the continuation bytes at the edges of its ranges, sequences cut off at the
// end, surrogates, overlongs, code points beyond U+10FFFF and U+FFFD itself.
std::vector<std::string> directInputs() {
    std::vector<std::string> in = {"", allBytes(), "plain ASCII text longer than eight bytes",
                                   "M\xC3\xBCller \xE2\x82\xAC \xF0\x9D\x84\x9E end", "\xED\xA0\x80",
                                   "\xED\x9F\xBF", "\xF4\x90\x80\x80", "\xF4\x8F\xBF\xBF", "\xE0\x80\x80",
                                   "\xE0\xA0\x80", "\xC0\xAF", "\xC1\xBF", "\xEF\xBF\xBD", "\xF0\x8F\xBF\xBF",
                                   "\xF0\x9F\x98", "\xF8\x88\x80\x80\x80", "abcdefg\xC3\xA4hijklmnopq\xFF"};
    const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xFF};
    for (int lead = 0x80; lead < 0x100; ++lead) {
        std::string pairs, triples;
        for (unsigned char a : edges) {
            const std::string two{static_cast<char>(lead), static_cast<char>(a)};
            pairs += two + "xy";
            for (unsigned char b : edges) triples += two + static_cast<char>(b) + "\x80\xBF" + "z";
            in.push_back(two);
        }
        in.push_back(pairs);
        in.push_back(triples);
        in.push_back(std::string("12345678") + static_cast<char>(lead));
    }
    return in;
}

}  // namespace

TEST(CodePage, DirectConversionMatchesTheWayThroughUtf16) {
    // 500 is EBCDIC (ASCII bytes are other characters), 932 goes through iconv.
    const unsigned pages[] = {win::CP_ACP, win::CP_OEMCP, win::CP_UTF8, 1252, 850, 437, 1250, 1251, 28591, 500, 932};
    const std::vector<std::string> inputs = directInputs();
    for (unsigned from : pages) {
        for (unsigned to : pages) {
            SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
            for (const std::string& src : inputs) {
                std::string out = "stale";
                uint64_t lost = 0, lostThrough = 0;
                ASSERT_TRUE(win::ConvertMultiByte(from, to, src, out, &lost));
                ASSERT_EQ(out, throughUtf16(from, to, src, &lostThrough)) << testing::PrintToString(src);
                ASSERT_EQ(lost, lostThrough) << testing::PrintToString(src);
            }
        }
    }
}

TEST(CodePage, DirectConversionRefusesInvalidCodePages) {
    std::string out = "stale";
    EXPECT_FALSE(win::ConvertMultiByte(2, win::CP_UTF8, "abc", out));
    EXPECT_EQ(out, "");
    out = "stale";
    EXPECT_FALSE(win::ConvertMultiByte(1252, 1200, "abc", out));
    EXPECT_EQ(out, "");
    win::testing::FailConversions(1252);
    EXPECT_FALSE(win::ConvertMultiByte(win::CP_UTF8, win::CP_ACP, "abc", out));
    win::testing::FailConversions(0xFFFFFFFFu);
    EXPECT_TRUE(win::ConvertMultiByte(win::CP_UTF8, win::CP_ACP, "abc", out));
    EXPECT_EQ(out, "abc");
}

// A character the target lacks is counted once as it is replaced, whichever way the text
// goes; nothing is lost into UTF-8 or where the target holds every character.
TEST(CodePage, CountsTheCharactersTheTargetLacks) {
    // "Zażółć Иван €" in UTF-8: ż ł ć are no ANSI letters, the Cyrillic none of ANSI, OEM or
    // 1250, and the euro sign is no OEM character.
    const std::string text = "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD \xE2\x82\xAC";
    const struct {
        unsigned to;
        uint64_t lost;
        const char* expected;
    } cases[] = {
        {1252, 7, "Za?\xF3?? ???? \x80"},
        {850, 8, "Za?\xA2?? ???? ?"},
        {1250, 4, "Za\xBF\xF3\xB3\xE6 ???? \x80"},
        {866, 5, "Za???? \x88\xA2\xA0\xAD ?"},
        {932, 5, "Za???? \x84I\x84r\x84p\x84~ ?"},  // a multi-byte page with Cyrillic, through iconv
        {win::CP_UTF8, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        uint64_t lost = 3;  // counts are added
        std::string out;
        ASSERT_TRUE(win::ConvertMultiByte(win::CP_UTF8, c.to, text, out, &lost));
        EXPECT_EQ(lost, 3 + c.lost);
        if (c.expected) EXPECT_EQ(out, c.expected);
        std::u16string wide;
        ASSERT_TRUE(win::MultiByteToWideChar(win::CP_UTF8, text, wide));
        lost = 0;
        ASSERT_TRUE(win::WideCharToMultiByte(c.to, wide, out, &lost));
        EXPECT_EQ(lost, c.lost);
    }
    // Between single-byte pages: 866 into 1252 loses the Cyrillic, 1251 into 866 nothing of it.
    uint64_t lost = 0;
    std::string out;
    ASSERT_TRUE(win::ConvertMultiByte(866, 1252, "\x88\xA2\xA0\xAD x", out, &lost));
    EXPECT_EQ(out, "???? x");
    EXPECT_EQ(lost, 4u);
    lost = 0;
    ASSERT_TRUE(win::ConvertMultiByte(1251, 866, "\xC8\xE2\xE0\xED", out, &lost));
    EXPECT_EQ(out, "\x88\xA2\xA0\xAD");
    EXPECT_EQ(lost, 0u);
    // Between OEM and ANSI a look-alike counts as lost too: a box-drawing line and the euro.
    lost = 0;
    EXPECT_EQ(win::Oem2Ansi("\xB3\x81", &lost), "|\xFC");
    EXPECT_EQ(win::Ansi2Oem("\x80\xFC", &lost), "?\x81");
    EXPECT_EQ(lost, 2u);
}

// The byte maps of single-byte pairs are the conversions themselves, with a flag where the
// character was lost: Oem2Ansi and Ansi2Oem between OEM and ANSI, the code pages' default
// character between others; UTF-8 and multi-byte pages have none.
TEST(CodePage, SingleByteMapsAgreeWithTheConversions) {
    const std::pair<unsigned, unsigned> pairs[] = {{850, 1252}, {win::CP_ACP, win::CP_OEMCP}, {866, 1252},
                                                   {1251, 866}, {437, 850}, {1252, 1252}};
    for (const auto& [from, to] : pairs) {
        SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
        unsigned char bytes[256], lost[256];
        ASSERT_TRUE(win::SingleByteMap(from, to, bytes, lost));
        const bool alike = (from == 850 && to == 1252) || (from == win::CP_ACP && to == win::CP_OEMCP);
        const std::string expected = from == 850 ? win::Oem2Ansi(allBytes())
                                     : alike     ? win::Ansi2Oem(allBytes())
                                                 : throughUtf16(from, to, allBytes());
        for (int b = 0; b < 256; ++b) {
            uint64_t n = 0;
            std::string one;
            ASSERT_TRUE(win::ConvertMultiByte(from, to, std::string(1, static_cast<char>(b)), one, &n));
            EXPECT_EQ(bytes[b], static_cast<unsigned char>(expected[static_cast<size_t>(b)])) << b;
            EXPECT_EQ(lost[b], n) << b;
        }
    }
    unsigned char bytes[256] = {7}, lost[256] = {7};
    EXPECT_FALSE(win::SingleByteMap(win::CP_UTF8, 1252, bytes, lost));
    EXPECT_FALSE(win::SingleByteMap(1252, 932, bytes, lost));
    EXPECT_EQ(bytes[0], 7);
}
