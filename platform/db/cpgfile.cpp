#include "platform/db/cpgfile.h"

#include <cctype>
#include <filesystem>

#include "platform/win/codepage.h"

namespace db {

namespace {

// A whole decimal number, or 0.
unsigned number(std::string_view s) {
    if (s.empty() || s.size() > 5) return 0;
    unsigned n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    return n;
}

bool dropPrefix(std::string_view& s, std::string_view prefix) {
    if (s.substr(0, prefix.size()) != prefix) return false;
    s.remove_prefix(prefix.size());
    while (!s.empty() && (s[0] == ' ' || s[0] == '-' || s[0] == '_')) s.remove_prefix(1);
    return true;
}

// ISO 8859 part n as its Windows code page number (28591 ...); 0 for a part there is none of.
unsigned isoPart(unsigned n) {
    if (n >= 1 && n <= 9) return 28590 + n;
    if (n == 13) return 28603;
    if (n == 15) return 28605;
    return 0;
}

}  // namespace

unsigned CodePageOfCpg(std::string_view text) {
    std::string upper;
    for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string_view s(upper);
    if (s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);  // a byte-order mark
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    unsigned cp = 0;
    if (s == "UTF-8" || s == "UTF8" || s == "65001") return win::CP_UTF8;
    if (s == "KOI8-R" || s == "KOI8R") {
        cp = 20866;
    } else if (s == "KOI8-U" || s == "KOI8U") {
        cp = 21866;
    } else if (dropPrefix(s, "ISO") || s.substr(0, 4) == "8859") {
        // "8859-5", "ISO-8859-5", "ISO8859_5", and "88595" with the part run on.
        if (!dropPrefix(s, "8859")) return 0;
        cp = isoPart(number(s));
    } else {
        dropPrefix(s, "ANSI") || dropPrefix(s, "OEM") || dropPrefix(s, "WINDOWS") || dropPrefix(s, "CP") ||
            dropPrefix(s, "IBM") || dropPrefix(s, "MS");
        cp = number(s);
    }
    return cp != 0 && win::IsValidCodePage(cp) ? cp : 0;
}

std::string CpgFileFor(const std::string& table) {
    std::error_code ec;
    for (const char* ext : {".cpg", ".CPG"}) {
        std::filesystem::path p(table);
        p.replace_extension(ext);
        if (std::filesystem::is_regular_file(p, ec)) return p.string();
    }
    return {};
}

}  // namespace db
