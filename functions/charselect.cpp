#include "functions/charselect.h"

#include "functions/charsets.h"

namespace {

// Plain spelling of the letters C0-FF, two characters per code; a blank as the second
// character means the pair is one letter.
constexpr char kPlainUpper[] = "A A A A AeA AeC E E E E I I I I DhN O O O O Oe\xD7 OeU U U UeY Thss";
constexpr char kPlainLower[] = "a a a a aea aec e e e e i i i i dhn o o o o oe\xF7 oeu u u uey thy ";
static_assert(sizeof kPlainUpper == 65 && sizeof kPlainLower == 65);

constexpr char kListBytes[] = "\x8A\x8C\x8E\x9A\x9C\x9E\x9F\xA2";  // ŠŒŽšœžŸ¢
constexpr char kListPlain[] = "SCZsozyc";

const char* plainPair(unsigned char c) {
    return c < 0xE0 ? kPlainUpper + 2 * (c - 0xC0) : kPlainLower + 2 * (c - 0xE0);
}

int listIndex(unsigned char c) {
    for (int i = 0; i < 8; ++i) {
        if (static_cast<unsigned char>(kListBytes[i]) == c) return i;
    }
    return -1;
}

// A flag word of FASTANSISELECT taken apart.
struct AnsiFlags {
    uint32_t flags = 0;
    uint32_t classes = 0;
    bool fromOem = false;
    bool fromUtf8 = false;
    bool upper = false;
    bool lower = false;
    bool plain = false;
    bool blank = false;
    bool question = false;
};

AnsiFlags decodeAnsiFlags(uint32_t flags) {
    AnsiFlags d;
    d.flags = flags;
    d.classes = flags & 0x1FFF;
    d.fromOem = flags & 0x10000;
    d.fromUtf8 = !d.fromOem && (flags & 0x20000);
    d.upper = (flags & 0x40000) && (d.classes & (0x0040 | 0x0400));
    d.lower = (flags & 0x80000) && (d.classes & (0x0020 | 0x0200));
    d.plain = (flags & 0x100000) && (d.classes & (0x0200 | 0x0400 | 0x0800));
    d.blank = flags & 0x200000;
    d.question = !d.blank && (flags & 0x400000);
    return d;
}

constexpr unsigned char kUp = 0x20;

}  // namespace

std::string FASTANSISELECT(std::string_view text, uint32_t flags) {
    if (text.empty()) return std::string();
    if (flags == 0) return std::string(text);

    // Consecutive calls mostly use the same flags.
    thread_local AnsiFlags d;
    if (d.flags != flags) d = decodeAnsiFlags(flags);

    std::string source(text);
    size_t length = source.size();
    if (d.fromOem)
        CONVMULTIBYTE2MULTIBYTE(source, rt::Value(1), source, length, rt::Value(0));
    else if (d.fromUtf8)
        CONVMULTIBYTE2MULTIBYTE(source, rt::Value(2), source, length, rt::Value(0));

    const uint32_t k = d.classes;
    std::string out;
    out.reserve(source.size() * 2);
    for (const char ch : source) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const size_t before = out.size();
        int kept = -1;  // the byte appended, after its case change
        if ((k & 0x0001) && c == 0x00) kept = c;
        else if ((k & 0x0002) && c >= 0x01 && c <= 0x1F) kept = c;
        else if ((k & 0x0004) && c == 0x20) kept = c;
        else if ((k & 0x0008) && ((c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
                                  (c >= 0x7B && c <= 0x7F)))
            kept = c;
        else if ((k & 0x0010) && c >= 0x30 && c <= 0x39) kept = c;
        else if ((k & 0x0020) && c >= 0x41 && c <= 0x5A) kept = d.lower ? c + kUp : c;
        else if ((k & 0x0040) && c >= 0x61 && c <= 0x7A) kept = d.upper ? c - kUp : c;
        else if ((k & 0x0080) && c >= 0x80 && c <= 0x9F) kept = c;
        else if ((k & 0x0100) && c >= 0xA0 && c <= 0xBF) kept = c;
        else if ((k & 0x0200) && c >= 0xC0 && c <= 0xDE) kept = d.lower ? c + kUp : c;
        else if ((k & 0x0400) && c >= 0xE0 && c <= 0xFE) kept = d.upper ? c - kUp : c;
        else if ((k & 0x0400) && (c == 0xDF || c == 0xFF)) kept = c;
        else if ((k & 0x0800) && listIndex(c) >= 0) kept = c;
        else if (!(k & 0x0800) && (k & 0x1000) && c == 0x5F) kept = c;

        if (kept >= 0) {
            out.push_back(static_cast<char>(kept));
            if (d.plain) {
                if (c >= 0xC0) {
                    const char* pair = plainPair(static_cast<unsigned char>(kept));
                    char first = pair[0];
                    if (d.upper && c == 0xDF) first = static_cast<char>(first - kUp);
                    out.back() = first;
                    if (pair[1] != ' ') out.push_back(d.upper ? static_cast<char>(pair[1] - kUp) : pair[1]);
                } else if (k & 0x0800) {
                    const int i = listIndex(c);
                    if (i >= 0) out.back() = kListPlain[i];
                }
            }
        }
        if (out.size() == before) {
            if (d.blank)
                out.push_back(' ');
            else if (d.question)
                out.push_back('?');
        }
    }
    return out;
}

std::string FASTCHARSELECT(std::string_view text, uint16_t flags) {
    if (text.empty()) return std::string();

    const bool upperLetters = flags & 0x0001;
    const bool lowerLetters = flags & 0x0002;
    const bool umlauts = flags & 0x0010;
    const bool plain = umlauts && (flags & 0x0020);
    const bool upperMode = flags & 0x0040;
    const bool lowerMode = flags & 0x0080;
    const bool upperUmlauts = upperMode && !lowerMode;

    std::string source(text);
    size_t length = source.size();
    if (flags & 0x4000) CONVMULTIBYTE2MULTIBYTE(source, rt::Value(2), source, length, rt::Value(1));
    if (flags & 0x8000) CONVMULTIBYTE2MULTIBYTE(source, rt::Value(0), source, length, rt::Value(1));

    // OEM umlauts: upper case Ä Ö Ü, lower case ä ö ü, and ß.
    static constexpr unsigned char kUpperUmlaut[] = {0x8E, 0x99, 0x9A};
    static constexpr unsigned char kLowerUmlaut[] = {0x84, 0x94, 0x81};
    static constexpr const char* kPlainUpperUmlaut[] = {"AE", "OE", "UE"};
    static constexpr const char* kPlainLowerUmlaut[] = {"ae", "oe", "ue"};

    std::string out;
    out.reserve(source.size() * 2);
    for (const char ch : source) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const size_t before = out.size();
        int upperIndex = -1, lowerIndex = -1;
        for (int i = 0; i < 3; ++i) {
            if (c == kUpperUmlaut[i]) upperIndex = i;
            if (c == kLowerUmlaut[i]) lowerIndex = i;
        }
        if (upperLetters && c >= 0x41 && c <= 0x5A) {
            out.push_back(static_cast<char>(lowerMode ? c + kUp : c));
        } else if (lowerLetters && c >= 0x61 && c <= 0x7A) {
            out.push_back(static_cast<char>(upperMode ? c - kUp : c));
        } else if ((flags & 0x0004) && c >= 0x30 && c <= 0x39) {
            out.push_back(ch);
        } else if ((flags & 0x0008) && c == 0x20) {
            out.push_back(ch);
        } else if (umlauts && upperIndex >= 0) {
            if (plain)
                out += lowerMode ? kPlainLowerUmlaut[upperIndex] : kPlainUpperUmlaut[upperIndex];
            else
                out.push_back(static_cast<char>(lowerMode ? kLowerUmlaut[upperIndex] : c));
        } else if (umlauts && (lowerIndex >= 0 || c == 0xE1)) {
            if (c == 0xE1)
                out += plain ? (upperUmlauts ? "SS" : "ss") : std::string(1, ch);
            else if (plain)
                out += upperUmlauts ? kPlainUpperUmlaut[lowerIndex] : kPlainLowerUmlaut[lowerIndex];
            else
                out.push_back(static_cast<char>(upperUmlauts ? kUpperUmlaut[lowerIndex] : c));
        } else if ((flags & 0x0400) && c == 0x00) {
            out.push_back(ch);
        } else if ((flags & 0x0800) && c >= 0x01 && c <= 0x1F) {
            out.push_back(ch);
        } else if ((flags & 0x1000) && c >= 0x21 && c <= 0x7F) {
            out.push_back(ch);
        } else if ((flags & 0x2000) && c >= 0x80) {
            out.push_back(ch);
        }
        if (out.size() == before) {
            if (flags & 0x0100)
                out.push_back(' ');
            else if (flags & 0x0200)
                out.push_back('?');
        }
    }
    return out;
}
