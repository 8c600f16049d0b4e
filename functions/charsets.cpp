#include "functions/charsets.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "platform/runtime/numbers.h"
#include "platform/win/codepage.h"

namespace {

// A code-page argument before 0, 1 and 2 are resolved: a number as a whole number, a
// language code as its code page; nothing for any other kind of value.
std::optional<int64_t> argumentValue(const rt::Value& codePage) {
    if (codePage.isNumber()) return rt::toInt32(codePage.num());
    if (codePage.isString()) return LANG2CODEPAGE(codePage.str());
    return std::nullopt;
}

unsigned platformCodePage(int64_t value) {
    switch (value) {
    case 0: return win::GetACP();
    case 1: return win::GetOEMCP();
    case 2: return win::CP_UTF8;
    default: break;
    }
    if (value > 0 && value <= 0xFFFFFFFFLL && win::IsValidCodePage(static_cast<unsigned>(value)))
        return static_cast<unsigned>(value);
    return win::GetACP();
}

std::string unitsToBytes(const std::u16string& units) {
    std::string bytes(units.size() * 2, '\0');
    for (size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return bytes;
}

char16_t unitAt(std::string_view bytes, size_t index) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * index]) |
                                 (static_cast<unsigned char>(bytes[2 * index + 1]) << 8));
}

struct LanguageCode {
    const char* code;
    uint16_t primary;
};

// Tested in this order; "bs", "hr" and "sr" share Croatian's id, "kt" is Japanese.
constexpr std::array<LanguageCode, 46> kLanguages = {{
    {"ar", 0x01}, {"az", 0x2C}, {"bs", 0x1A}, {"bg", 0x02}, {"ca", 0x03}, {"cs", 0x05}, {"da", 0x06},
    {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"et", 0x25}, {"fr", 0x0C}, {"fi", 0x0B},
    {"he", 0x0D}, {"hr", 0x1A}, {"hu", 0x0E}, {"hy", 0x2B}, {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11},
    {"ka", 0x37}, {"ko", 0x12}, {"kt", 0x11}, {"lv", 0x26}, {"lt", 0x27}, {"mk", 0x2F}, {"mn", 0x50},
    {"ms", 0x3E}, {"mt", 0x3A}, {"nl", 0x13}, {"no", 0x14}, {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18},
    {"ru", 0x19}, {"sk", 0x1B}, {"sl", 0x24}, {"sq", 0x1C}, {"sr", 0x1A}, {"sv", 0x1D}, {"th", 0x1E},
    {"tr", 0x1F}, {"uk", 0x22}, {"vi", 0x2A}, {"zh", 0x04},
}};

}  // namespace

bool CONVMULTIBYTE2UNICODE(std::string_view source, const rt::Value& codePage, std::string& result,
                           size_t& count) {
    const auto value = argumentValue(codePage);
    if (!value) return false;
    const unsigned cp = platformCodePage(*value);
    result.clear();
    count = 0;
    if (source.empty()) return true;
    std::u16string units;
    if (!win::MultiByteToWideChar(cp, source, units) || units.empty()) return false;
    result = unitsToBytes(units);
    count = result.size();
    return true;
}

bool CONVUNICODE2MULTIBYTE(std::string_view source, size_t byteCount, const rt::Value& codePage,
                           std::string& result, size_t& count) {
    const auto value = argumentValue(codePage);
    if (!value) return false;
    const unsigned cp = platformCodePage(*value);
    result.clear();
    count = 0;
    // Never read past the source, whatever count the caller claims.
    const size_t available = source.size() / 2;
    size_t units = byteCount == 0 ? available : std::min(byteCount / 2, available);
    if (byteCount == 0) {
        for (size_t i = 0; i < available; ++i) {
            if (unitAt(source, i) == 0) {
                units = i;
                break;
            }
        }
    }
    if (units == 0) return true;
    std::u16string wide(units, u'\0');
    for (size_t i = 0; i < units; ++i) wide[i] = unitAt(source, i);
    std::string text;
    // Text that could not be converted is a failure, not an empty success.
    if (!win::WideCharToMultiByte(cp, wide, text) || text.empty()) return false;
    result = std::move(text);
    count = result.size();
    return true;
}

bool CONVMULTIBYTE2MULTIBYTE(std::string source, const rt::Value& sourceCodePage, std::string& result,
                             size_t& length, const rt::Value& targetCodePage) {
    const auto from = argumentValue(sourceCodePage);
    if (!from) return false;
    const auto to = argumentValue(targetCodePage);
    if (!to) return false;
    if (*from == *to) {
        length = source.size();
        result = std::move(source);
        return true;
    }
    std::u16string wide;
    std::string text;
    if (win::MultiByteToWideChar(platformCodePage(*from), source, wide) &&
        win::WideCharToMultiByte(platformCodePage(*to), wide, text) && (source.empty() || !text.empty())) {
        length = text.size();
        result = std::move(text);
        return true;
    }
    length = source.size();
    result = std::move(source);
    return false;
}

std::string CONVANSI2UNICODE(std::string_view text, const rt::Value& codePage) {
    std::string result;
    size_t count = 0;
    CONVMULTIBYTE2UNICODE(text, codePage.isNil() ? rt::Value(0) : codePage, result, count);
    return result;
}

std::string CONVOEM2UNICODE(std::string_view text) {
    std::string result;
    size_t count = 0;
    CONVMULTIBYTE2UNICODE(text, rt::Value(1), result, count);
    return result;
}

std::string CONVUTF82UNICODE(std::string_view text) {
    std::string result;
    size_t count = 0;
    CONVMULTIBYTE2UNICODE(text, rt::Value(2), result, count);
    return result;
}

unsigned LANG2CODEPAGE(const std::string& code) {
    static std::optional<std::string> lastCode;
    static unsigned lastCodePage = 0;
    if (lastCode && *lastCode == code) return lastCodePage;
    const auto localeCodePage = win::LocaleDefaultAnsiCodePage(MAKELCID(LANG2LANGID(code), 0));
    const unsigned cp = localeCodePage && *localeCodePage != 0 ? *localeCodePage : win::GetACP();
    lastCode = code;
    lastCodePage = cp;
    return cp;
}

uint16_t LANG2LANGID(const std::string& code) {
    static std::optional<std::string> lastCode;
    static uint16_t lastId = 0;
    if (lastCode && *lastCode == code) return lastId;
    std::string lower = code;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    }
    uint16_t id = MAKELANGID(0, 1);
    for (const auto& language : kLanguages) {
        if (lower == language.code) {
            id = MAKELANGID(language.primary, 1);
            break;
        }
    }
    lastCode = code;
    lastId = id;
    return id;
}

uint16_t MAKELANGID(unsigned primaryLanguage, unsigned subLanguage) {
    return static_cast<uint16_t>(((subLanguage & 0xFFFF) << 10) | (primaryLanguage & 0xFFFF));
}

uint32_t MAKELCID(unsigned languageId, unsigned sortId) {
    return ((sortId & 0xFFFFu) << 16) | (languageId & 0xFFFFu);
}
