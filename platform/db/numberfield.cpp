#include "platform/db/numberfield.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace db {

void FormatNumberField(double v, int len, int dec, char* out) {
    // Field lengths and decimals are single header bytes: these bounds always hold.
    constexpr int kMaxField = 255;
    if (len <= 0) return;
    if (!std::isfinite(v) || len > kMaxField || dec < 0 || dec > kMaxField) {
        std::memset(out, '*', static_cast<size_t>(len));
        return;
    }
    // The shortest fixed form of a double has at most 309 integer or 325 fraction digits.
    char text[512];
    const auto res = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
    if (res.ec != std::errc()) {
        std::memset(out, '*', static_cast<size_t>(len));
        return;
    }
    const char* s = text;
    bool negative = *s == '-';
    if (negative) ++s;
    const char* dot = static_cast<const char*>(std::memchr(s, '.', static_cast<size_t>(res.ptr - s)));
    const char* ipEnd = dot ? dot : res.ptr;
    const char* fp = dot ? dot + 1 : res.ptr;
    const size_t fpLen = static_cast<size_t>(res.ptr - fp);
    const size_t ud = static_cast<size_t>(dec);

    // digits[1, end) holds the integer digits and then exactly `dec` fraction digits;
    // digits[0] is room for a carry out of the top digit.
    char digits[1 + 320 + kMaxField];
    char* d = digits + 1;
    const size_t ipLen = static_cast<size_t>(ipEnd - s);
    std::memcpy(d, s, ipLen);
    const size_t keep = fpLen < ud ? fpLen : ud;
    std::memcpy(d + ipLen, fp, keep);
    std::memset(d + ipLen + keep, '0', ud - keep);
    char* end = d + ipLen + ud;
    // Half away from zero, on the shortest decimal form of the number.
    if (fpLen > ud && fp[ud] >= '5') {
        char* i = end - 1;
        while (i >= d && *i == '9') *i-- = '0';
        if (i < d) *--d = '1';
        else ++*i;
    }
    const char* ip = d;
    const char* ipStop = end - ud;
    while (ip < ipStop && *ip == '0') ++ip;
    const bool ipZero = ip == ipStop;
    bool fpZero = true;
    for (const char* c = ipStop; c < end; ++c) fpZero = fpZero && *c == '0';
    if (ipZero && fpZero) negative = false;
    size_t ipShown = ipZero ? 1 : static_cast<size_t>(ipStop - ip);
    // A fraction in a field without room for its leading zero (N(5,4) holding 0.1234) is
    // written as other writers do, ".1234".
    if (ipZero && dec > 0 && (negative ? 3 : 2) + dec > len) ipShown = 0;
    const size_t total = (negative ? 1 : 0) + ipShown + (dec > 0 ? 1 + ud : 0);
    if (total > static_cast<size_t>(len)) {
        std::memset(out, '*', static_cast<size_t>(len));
        return;
    }
    char* o = out;
    const size_t pad = static_cast<size_t>(len) - total;
    std::memset(o, ' ', pad);
    o += pad;
    if (negative) *o++ = '-';
    if (ipZero) {
        if (ipShown) *o++ = '0';
    } else {
        std::memcpy(o, ip, ipShown);
        o += ipShown;
    }
    if (dec > 0) {
        *o++ = '.';
        std::memcpy(o, ipStop, ud);
    }
}

double ParseNumberField(const char* p, size_t n) {
    size_t i = 0;
    while (i < n && (p[i] == ' ' || p[i] == '\0')) ++i;
    if (i < n && p[i] == '+') ++i;
    const size_t start = i;
    if (i < n && p[i] == '-') ++i;
    if (i >= n || !((p[i] >= '0' && p[i] <= '9') || p[i] == '.')) return 0.0;
    double v = 0.0;
    const auto res = std::from_chars(p + start, p + n, v);
    if (res.ec != std::errc()) return 0.0;
    return v;
}

bool IsNumberText(std::string_view t) {
    size_t i = !t.empty() && t[0] == '-' ? 1 : 0;
    bool digit = false, point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9')
            digit = true;
        else if (t[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

}  // namespace db
