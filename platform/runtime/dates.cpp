#include "platform/runtime/dates.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <sys/time.h>

#include "platform/runtime/settings.h"

namespace rt {

namespace {

enum class Order { DMY, MDY, YMD };

struct Layout {
    Order order;
    char sep;
};

Layout layout() {
    switch (GetDateCountry()) {
        case 1: return {Order::MDY, '/'};
        case 2: return {Order::YMD, '.'};
        case 3: return {Order::DMY, '/'};
        case 4: return {Order::DMY, '/'};
        case 6: return {Order::DMY, '-'};
        case 7: return {Order::YMD, '/'};
        case 8: return {Order::MDY, '-'};
        default: return {Order::DMY, '.'};
    }
}

std::string part(int value, int width, bool blank) {
    if (blank) return std::string(static_cast<size_t>(width), ' ');
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", width, value);
    std::string s(buf);
    return s.substr(s.size() - static_cast<size_t>(width));
}

}  // namespace

std::string DToC(Date date) {
    Layout l = layout();
    int y = 0, m = 0, d = 0;
    date.toYMD(y, m, d);
    bool blank = date.empty();
    std::string ys = part(y, IsCentury() ? 4 : 2, blank);
    std::string ms = part(m, 2, blank);
    std::string ds = part(d, 2, blank);
    switch (l.order) {
        case Order::MDY: return ms + l.sep + ds + l.sep + ys;
        case Order::YMD: return ys + l.sep + ms + l.sep + ds;
        case Order::DMY: break;
    }
    return ds + l.sep + ms + l.sep + ys;
}

Date CToD(std::string_view text) {
    int y, m, d;
    return CToDParts(text, y, m, d) ? Date::fromYMD(y, m, d) : Date();
}

bool CToDParts(std::string_view text, int& y, int& m, int& d) {
    size_t i = 0, n = text.size();
    while (i < n && text[i] == ' ') ++i;
    while (n > i && text[n - 1] == ' ') --n;
    int parts[3] = {0, 0, 0};
    int widths[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            if (i >= n || std::isdigit(static_cast<unsigned char>(text[i]))) return false;
            ++i;
        }
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (++widths[k] > 4) return false;
            parts[k] = parts[k] * 10 + (text[i] - '0');
            ++i;
        }
        if (widths[k] == 0) return false;
    }
    if (i != n) return false;
    int yw;
    switch (layout().order) {
        case Order::MDY: m = parts[0], d = parts[1], y = parts[2], yw = widths[2]; break;
        case Order::YMD: y = parts[0], m = parts[1], d = parts[2], yw = widths[0]; break;
        default: d = parts[0], m = parts[1], y = parts[2], yw = widths[2]; break;
    }
    if (yw <= 2) y += 1900;
    return Date::valid(y, m, d);
}

std::string DToS(Date date) {
    if (date.empty()) return std::string(8, ' ');
    int y, m, d;
    date.toYMD(y, m, d);
    return part(y, 4, false) + part(m, 2, false) + part(d, 2, false);
}

Date SToD(std::string_view text) {
    if (text.size() != 8) return Date();
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[static_cast<size_t>(i)]))) return Date();
        v[i] = text[static_cast<size_t>(i)] - '0';
    }
    return Date::fromYMD(v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]);
}

Date Today() { return Date::today(); }

double Seconds() {
    struct timeval tv{};
    gettimeofday(&tv, nullptr);
    std::time_t t = tv.tv_sec;
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + tv.tv_usec / 1e6;
}

std::string Time() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    int h = tm.tm_hour;
    std::string suffix;
    if (IsAmPm()) {
        suffix = h < 12 ? " AM" : " PM";
        h = h % 12 == 0 ? 12 : h % 12;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, tm.tm_min, tm.tm_sec);
    return buf + suffix;
}

}  // namespace rt
