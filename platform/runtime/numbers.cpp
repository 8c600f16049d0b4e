#include "platform/runtime/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace rt {

namespace {

// Digits of |value| as its shortest round-trip decimal text, rounded half away from zero to
// `decimals` places. Returns false for values that have no decimal text (NaN, infinity).
bool decimalDigits(double value, int decimals, std::string& intPart, std::string& fracPart) {
    if (!std::isfinite(value)) return false;
    char buf[1200];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    if (res.ec != std::errc()) return false;
    std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
    size_t dot = text.find('.');
    intPart = std::string(text.substr(0, dot));
    fracPart = dot == std::string_view::npos ? std::string() : std::string(text.substr(dot + 1));

    bool roundUp = false;
    if (decimals >= 0) {
        if (fracPart.size() > static_cast<size_t>(decimals)) {
            roundUp = fracPart[static_cast<size_t>(decimals)] >= '5';
            fracPart.resize(static_cast<size_t>(decimals));
        }
        fracPart.append(static_cast<size_t>(decimals) - fracPart.size(), '0');
    } else {
        // Round to tens, hundreds, ...: the digits left of the cut become zeros.
        size_t cut = static_cast<size_t>(-decimals);
        fracPart.clear();
        if (cut > intPart.size()) {
            intPart = "0";
        } else {
            size_t keep = intPart.size() - cut;
            roundUp = intPart[keep] >= '5';
            for (size_t i = keep; i < intPart.size(); ++i) intPart[i] = '0';
            if (keep == 0) {
                if (roundUp) intPart = "1" + intPart;
                return true;
            }
            // Carry into the kept digits below.
            if (roundUp) {
                size_t i = keep;
                while (i > 0) {
                    --i;
                    if (intPart[i] == '9') {
                        intPart[i] = '0';
                    } else {
                        ++intPart[i];
                        return true;
                    }
                }
                intPart = "1" + intPart;
            }
            return true;
        }
    }
    if (roundUp) {
        bool carry = true;
        for (size_t i = fracPart.size(); carry && i > 0; --i) {
            if (fracPart[i - 1] == '9') {
                fracPart[i - 1] = '0';
            } else {
                ++fracPart[i - 1];
                carry = false;
            }
        }
        for (size_t i = intPart.size(); carry && i > 0; --i) {
            if (intPart[i - 1] == '9') {
                intPart[i - 1] = '0';
            } else {
                ++intPart[i - 1];
                carry = false;
            }
        }
        if (carry) intPart = "1" + intPart;
    }
    return true;
}

bool allZero(const std::string& a, const std::string& b) {
    for (char c : a) if (c != '0') return false;
    for (char c : b) if (c != '0') return false;
    return true;
}

// "-12.50": the value with `decimals` decimals, no padding; empty for NaN/infinity.
std::string fixedText(double value, int decimals) {
    std::string ip, fp;
    if (!decimalDigits(value, decimals < 0 ? 0 : decimals, ip, fp)) return {};
    std::string out;
    if (value < 0 && !allZero(ip, fp)) out += '-';
    out += ip;
    if (!fp.empty()) {
        out += '.';
        out += fp;
    }
    return out;
}

}  // namespace

int32_t toInt32(double value) {
    if (std::isnan(value)) return 0;
    double r = std::round(value);  // halves away from zero
    if (r >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (r <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

double Int16ToFloat(int32_t value) { return static_cast<double>(static_cast<int16_t>(static_cast<uint16_t>(value & 0xFFFF))); }

double Floor(double value) { return std::floor(value); }
double Ceiling(double value) { return std::ceil(value); }
double Abs(double value) { return std::fabs(value); }
double Integer(double value) { return std::trunc(value); }

double Round(double value, int decimals) {
    if (!std::isfinite(value)) return value;
    if (decimals > 400) return value;
    std::string ip, fp;
    if (!decimalDigits(value, decimals, ip, fp)) return value;
    std::string text = (value < 0 ? "-" : "") + ip + (fp.empty() ? "" : "." + fp);
    double out = 0;
    std::from_chars(text.data(), text.data() + text.size(), out);
    return out == 0 ? 0.0 : out;  // no negative zero
}

std::string Str(double value, int length, int decimals) {
    if (length <= 0) return {};
    if (decimals < 0) decimals = 0;
    std::string text = fixedText(value, decimals);
    if (text.empty() || text.size() > static_cast<size_t>(length)) return std::string(static_cast<size_t>(length), '*');
    return std::string(static_cast<size_t>(length) - text.size(), ' ') + text;
}

std::string Str(double value, int length) { return Str(value, length, 0); }

std::string Str(double value) {
    if (!std::isfinite(value)) return std::string(10, '*');
    int decimals = 0;
    if (value != std::trunc(value)) {
        char buf[1200];
        auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
        std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
        size_t dot = text.find('.');
        if (dot != std::string_view::npos) decimals = static_cast<int>(text.size() - dot - 1);
    }
    std::string text = fixedText(value, decimals);
    size_t width = 10 + (decimals > 0 ? static_cast<size_t>(decimals) + 1 : 0);
    if (text.size() >= width) return text;
    return std::string(width - text.size(), ' ') + text;
}

std::string StrZero(double value, int length, int decimals) {
    std::string s = Str(value, length, decimals);
    if (s.empty() || s[0] == '*') return s;
    size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return s;
    bool negative = s[first] == '-';
    for (size_t i = 0; i < first; ++i) s[i] = '0';
    if (negative) {
        s[first] = '0';
        s[0] = '-';
    }
    return s;
}

double Val(std::string_view text) {
    size_t i = 0, n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t start = i;
    if (i < n && (text[i] == '-' || text[i] == '+')) ++i;
    size_t digits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0.0;
    const char* b = text.data() + start;
    const char* e = text.data() + i;
    if (*b == '+') ++b;
    if (e[-1] == '.') --e;
    double out = 0;
    if (*b != '.' && !(*b == '-' && b[1] == '.')) {
        // The common form reads in place: this runs for every number of every record.
        std::from_chars(b, e, out);
        return out == 0 ? 0.0 : out;
    }
    std::string number(b, e);
    number.insert(*b == '-' ? 1 : 0, "0");
    std::from_chars(number.data(), number.data() + number.size(), out);
    return out == 0 ? 0.0 : out;
}

}  // namespace rt
