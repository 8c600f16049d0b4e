#include "engine/numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/db/numberfield.h"
#include "platform/runtime/dates.h"
#include "platform/runtime/settings.h"

namespace engine {

namespace {

// The text of `value` with `decimals` decimals, no padding, into buf (which holds at least
// 1200 bytes); its length, or -1 for NaN and infinity.
int fixedText(double value, int decimals, char* buf) {
    if (!std::isfinite(value)) return -1;
    if (decimals < 0) decimals = 0;
    char raw[400];
    auto res = std::to_chars(raw, raw + sizeof raw, std::fabs(value), std::chars_format::fixed);
    if (res.ec != std::errc()) return -1;
    const size_t n = static_cast<size_t>(res.ptr - raw);
    const char* dot = static_cast<const char*>(std::memchr(raw, '.', n));
    const size_t intLen = dot ? static_cast<size_t>(dot - raw) : n;
    const size_t fracAvail = dot ? n - intLen - 1 : 0;
    const size_t d = static_cast<size_t>(decimals);
    if (intLen + d + 4 > 1200) return -1;

    // digits: one spare place in front for a carry, then the integer part and the decimals
    char* digits = buf + 1;
    std::memcpy(digits + 1, raw, intLen);
    digits[0] = '0';
    size_t len = 1 + intLen;
    for (size_t i = 0; i < d; ++i) digits[len++] = i < fracAvail ? dot[1 + i] : '0';
    if (fracAvail > d && dot[1 + d] >= '5') {
        size_t i = len;
        while (i > 0) {
            --i;
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                break;
            }
        }
    }
    // drop the spare place unless the carry used it
    size_t start = digits[0] == '0' ? 1 : 0;
    bool zero = true;
    for (size_t i = start; i < len; ++i)
        if (digits[i] != '0') {
            zero = false;
            break;
        }
    char* p = buf;
    size_t outLen = 0;
    if (value < 0 && !zero) p[outLen++] = '-';
    const size_t intDigits = len - d - start;
    std::memmove(p + outLen, digits + start, intDigits);
    outLen += intDigits;
    if (d > 0) {
        // the decimals sit behind the integer digits in `digits`; the buffer is ahead of them
        std::memmove(p + outLen + 1, digits + start + intDigits, d);
        p[outLen] = '.';
        outLen += 1 + d;
    }
    return static_cast<int>(outLen);
}

}  // namespace

void appendStr(std::string& out, double value, int length, int decimals) {
    if (length <= 0) return;
    char buf[1200];
    int n = fixedText(value, decimals, buf);
    if (n < 0 || n > length) {
        out.append(static_cast<size_t>(length), '*');
        return;
    }
    out.append(static_cast<size_t>(length - n), ' ');
    out.append(buf, static_cast<size_t>(n));
}

void appendStrTrimmed(std::string& out, double value, int length, int decimals) {
    if (length <= 0) return;
    char buf[1200];
    int n = fixedText(value, decimals, buf);
    if (n < 0 || n > length) {
        out.append(static_cast<size_t>(length), '*');
        return;
    }
    out.append(buf, static_cast<size_t>(n));
}

void appendStr(std::string& out, const rt::Value& value, int length, int decimals) {
    if (!value.isString()) return appendStr(out, value.num(), length, decimals);
    if (length <= 0) return;
    const std::string& text = value.str();
    if (text.size() > static_cast<size_t>(length)) return out.append(static_cast<size_t>(length), '*'), void();
    out.append(static_cast<size_t>(length) - text.size(), ' ');
    out += text;
}

void appendStrTrimmed(std::string& out, const rt::Value& value, int length, int decimals) {
    if (!value.isString()) return appendStrTrimmed(out, value.num(), length, decimals);
    if (length <= 0) return;
    const std::string& text = value.str();
    if (text.size() > static_cast<size_t>(length)) return out.append(static_cast<size_t>(length), '*'), void();
    out += text;
}

bool isPlainNumberText(std::string_view t, int decimals) {
    size_t i = 0;
    const bool negative = !t.empty() && t[0] == '-';
    if (negative) ++i;
    const size_t intStart = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    const size_t intLen = i - intStart;
    if (intLen == 0 || (intLen > 1 && t[intStart] == '0')) return false;
    if (decimals > 0) {
        if (i >= t.size() || t[i] != '.') return false;
        ++i;
        const size_t fracStart = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        if (i - fracStart != static_cast<size_t>(decimals)) return false;
    }
    if (i != t.size()) return false;
    int significant = 0;
    bool nonZero = false;
    for (char c : t) {
        if (c >= '1' && c <= '9') nonZero = true;
        if (nonZero && c >= '0' && c <= '9') ++significant;
    }
    return significant <= 15 && !(negative && !nonZero);
}

bool exceedsDouble(std::string_view numberText) {
    int digits = 0;
    for (char c : numberText) {
        if ((c >= '1' && c <= '9') || (c == '0' && digits > 0))
            ++digits;
    }
    return digits > 15;
}

TableNumber tableNumberText(std::string_view stored, int length, int decimals, std::string& scratch,
                            std::string_view& text) {
    const std::string_view t = trimPadding(stored);
    if (!t.empty() && t.size() <= static_cast<size_t>(length) && isPlainNumberText(t, decimals)) {
        text = t;
        return TableNumber::Text;
    }
    return tableNumberForm(t, length, decimals, scratch, text);
}

TableNumber tableNumberForm(std::string_view t, int length, int decimals, std::string& scratch, std::string_view& text) {
    if (t.find_first_of("0123456789") == std::string_view::npos) return TableNumber::None;
    if (!db::IsNumberText(t)) {
        // Another form ("1,5", "1e3") is written as the number it reads as, unless that does not
        // fit the field ("1e5" in N(5,0)): the stored text then stands, as it is what the table holds.
        // A number beyond a double's range ("1e999") would read as 0: it stands as stored too.
        double v = 0;
        const char* begin = t.data() + (t[0] == '+' ? 1 : 0);
        const bool beyond = std::from_chars(begin, t.data() + t.size(), v).ec == std::errc::result_out_of_range;
        scratch.clear();
        if (!beyond) appendStrTrimmed(scratch, db::ParseNumberField(t.data(), t.size()), length, decimals);
        if (!beyond && (scratch.empty() || scratch[0] != '*')) return TableNumber::Value;
        text = t;
        return TableNumber::Text;
    }
    const size_t point = t.find('.');
    const size_t places = point == std::string_view::npos ? 0 : t.size() - point - 1;
    if (places <= static_cast<size_t>(std::max(decimals, 0)) && !exceedsDouble(t)) {
        scratch.clear();
        appendStrTrimmed(scratch, db::ParseNumberField(t.data(), t.size()), length, decimals);
        if (!scratch.empty() && scratch[0] != '*') {
            text = scratch;
            return TableNumber::Text;
        }
    }
    text = t;
    return TableNumber::Text;
}

std::string shortestText(double value) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return res.ec == std::errc() ? std::string(buf, res.ptr) : std::string();
}

int strTrimmedLength(double value, int length, int decimals) {
    if (length <= 0) return 0;
    char buf[1200];
    int n = fixedText(value, decimals, buf);
    return n < 0 || n > length ? length : n;
}

void appendDToC(std::string& out, rt::Date date) {
    int y = 0, m = 0, d = 0;
    // The program's own layout (day.month.year, four-digit years) without a formatted print
    // per date; every other layout and the empty date as the runtime writes them.
    if (date.empty() || rt::GetDateCountry() != 5 || !rt::IsCentury()) {
        out += rt::DToC(date);
        return;
    }
    date.toYMD(y, m, d);
    if (y < 0 || y > 9999) {
        out += rt::DToC(date);
        return;
    }
    char text[10] = {static_cast<char>('0' + d / 10), static_cast<char>('0' + d % 10), '.',
                     static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10), '.',
                     static_cast<char>('0' + y / 1000), static_cast<char>('0' + y / 100 % 10),
                     static_cast<char>('0' + y / 10 % 10), static_cast<char>('0' + y % 10)};
    out.append(text, sizeof text);
}

}  // namespace engine
