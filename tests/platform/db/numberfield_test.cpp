#include "platform/db/numberfield.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

// The former formatter, built from strings: the written bytes must not change.
std::string reference(double v, int len, int dec) {
    const std::string stars(static_cast<size_t>(len), '*');
    if (!std::isfinite(v)) return stars;
    char buf[512];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (res.ec != std::errc()) return stars;
    std::string s(buf, res.ptr);
    bool negative = false;
    if (!s.empty() && s[0] == '-') {
        negative = true;
        s.erase(0, 1);
    }
    const size_t dot = s.find('.');
    std::string ip = dot == std::string::npos ? s : s.substr(0, dot);
    std::string fp = dot == std::string::npos ? std::string() : s.substr(dot + 1);
    if (static_cast<int>(fp.size()) > dec) {
        const bool up = fp[static_cast<size_t>(dec)] >= '5';
        fp.resize(static_cast<size_t>(dec));
        if (up) {
            std::string digits = ip + fp;
            int i = static_cast<int>(digits.size()) - 1;
            while (i >= 0 && digits[static_cast<size_t>(i)] == '9') digits[static_cast<size_t>(i--)] = '0';
            if (i < 0) digits.insert(0, "1");
            else ++digits[static_cast<size_t>(i)];
            ip = digits.substr(0, digits.size() - static_cast<size_t>(dec));
            fp = digits.substr(digits.size() - static_cast<size_t>(dec));
        }
    }
    fp.resize(static_cast<size_t>(dec), '0');
    const size_t nz = ip.find_first_not_of('0');
    ip = nz == std::string::npos ? "0" : ip.substr(nz);
    if (ip == "0" && fp.find_first_not_of('0') == std::string::npos) negative = false;
    if (ip == "0" && dec > 0 && static_cast<int>((negative ? 3 : 2) + fp.size()) > len) ip.clear();
    std::string out = (negative ? "-" : "") + ip;
    if (dec > 0) out += "." + fp;
    if (static_cast<int>(out.size()) > len) return stars;
    return std::string(static_cast<size_t>(len) - out.size(), ' ') + out;
}

TEST(NumberField, WrittenBytesMatchTheFormerFormatter) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {0.0, -0.0, 0.5, -0.5, 1.5, 2.5, -2.5, 0.05, 0.15, 0.25, 0.35, 0.45, 0.995,
                                  -0.995, 9.5, 99.5, 999.95, -999.95, 9999999.995, 0.1234, -0.1234, 0.00001,
                                  -0.00001, 1e-300, 5e-324, -5e-324, 1e15, 123456789012345678.0, 1e22, 1.7976931348623157e308,
                                  -1.7976931348623157e308, 2147483647.0, -2147483648.0, 12.345, 1.005, 2.675,
                                  0.1, 0.2, 0.3, 1.0 / 3, -2.0 / 3, 49999.995, 50000.0, 99999.99,
                                  inf, -inf, std::nan("")};
    for (int e = -12; e <= 20; ++e) {
        values.push_back(5 * std::pow(10.0, e));
        values.push_back(-9.99999 * std::pow(10.0, e));
    }
    const std::pair<int, int> shapes[] = {{1, 0}, {2, 0}, {3, 1}, {5, 4}, {6, 4}, {7, 4}, {10, 0}, {10, 2},
                                          {12, 3}, {19, 4}, {20, 18}, {30, 10}, {255, 0}, {255, 100}, {255, 253}};
    for (const auto& [len, dec] : shapes) {
        for (double v : values) {
            std::string out(static_cast<size_t>(len), '#');
            db::FormatNumberField(v, len, dec, out.data());
            ASSERT_EQ(out, reference(v, len, dec)) << v << " in N(" << len << "," << dec << ")";
        }
    }
}

TEST(NumberField, Parsed) {
    const std::pair<std::string, double> cases[] = {
        {"", 0}, {"   ", 0}, {"  12.50", 12.5}, {"-3", -3}, {"+7", 7}, {" .5", 0.5}, {"-.25", -0.25},
        {std::string("\0\0 42", 5), 42}, {"1.5abc", 1.5}, {"abc", 0}, {"--1", 0}, {"+-2", -2}, {"**********", 0},
        {"1e3", 1000}};
    for (const auto& [text, value] : cases) EXPECT_EQ(db::ParseNumberField(text.data(), text.size()), value) << text;
}

}  // namespace
