#include "platform/runtime/value.h"

#include <chrono>
#include <ctime>

namespace rt {

namespace {
// Proleptic Gregorian calendar <-> Julian day number (Fliegel and Van Flandern).
int64_t toJulian(int64_t y, int64_t m, int64_t d) {
    return (1461 * (y + 4800 + (m - 14) / 12)) / 4 + (367 * (m - 2 - 12 * ((m - 14) / 12))) / 12 -
           (3 * ((y + 4900 + (m - 14) / 12) / 100)) / 4 + d - 32075;
}
// The years 1 to 9999 in unsigned 32-bit steps whose divisions by constants are cheap
// (the days-to-civil algorithm of the proleptic Gregorian calendar, counted from 1 March
// of the year 0); every date of a table or text lies there.
constexpr int64_t kFirstDay = 1721426, kLastDay = 5373484;  // 1 January 1, 31 December 9999
void fromJulianFast(int64_t j, int& y, int& m, int& d) {
    const uint32_t doe0 = static_cast<uint32_t>(j - 1721120);  // days since 1 March 0
    const uint32_t era = doe0 / 146097;
    const uint32_t doe = doe0 - era * 146097;
    const uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const uint32_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400) + (m <= 2 ? 1 : 0);
}
void fromJulian(int64_t j, int& y, int& m, int& d) {
    if (j >= kFirstDay && j <= kLastDay) return fromJulianFast(j, y, m, d);
    int64_t l = j + 68569;
    int64_t n = (4 * l) / 146097;
    l = l - (146097 * n + 3) / 4;
    int64_t i = (4000 * (l + 1)) / 1461001;
    l = l - (1461 * i) / 4 + 31;
    int64_t k = (80 * l) / 2447;
    d = static_cast<int>(l - (2447 * k) / 80);
    l = k / 11;
    m = static_cast<int>(k + 2 - 12 * l);
    y = static_cast<int>(100 * (n - 49) + i + l);
}
bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
}  // namespace

bool Date::valid(int year, int month, int day) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    return day <= days[month - 1] + (month == 2 && leap(year) ? 1 : 0);
}

Date Date::fromYMD(int year, int month, int day) {
    return valid(year, month, day) ? fromJulian(toJulian(year, month, day)) : Date();
}

Date Date::today() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return fromYMD(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

void Date::toYMD(int& year, int& month, int& day) const {
    if (empty()) {
        year = month = day = 0;
        return;
    }
    rt::fromJulian(julian_, year, month, day);
}

int Date::year() const { int y, m, d; toYMD(y, m, d); return y; }
int Date::month() const { int y, m, d; toYMD(y, m, d); return m; }
int Date::day() const { int y, m, d; toYMD(y, m, d); return d; }
int Date::dow() const { return empty() ? 0 : static_cast<int>(julian_ % 7) + 1; }

const std::string& Value::str() const {
    static const std::string empty;
    return isString() ? std::get<std::string>(v_) : empty;
}
const ArrayRef& Value::arr() const {
    static const ArrayRef none;
    return isArray() ? std::get<ArrayRef>(v_) : none;
}
const ObjectRef& Value::obj() const {
    static const ObjectRef none;
    return isObject() ? std::get<ObjectRef>(v_) : none;
}
const CodeBlockRef& Value::blk() const {
    static const CodeBlockRef none;
    return isBlock() ? std::get<CodeBlockRef>(v_) : none;
}
const Error& Value::err() const {
    static const Error none;
    return isError() ? *std::get<std::shared_ptr<Error>>(v_) : none;
}

char Value::valType() const {
    switch (type()) {
        case Type::Nil: return 'U';
        case Type::Number: return 'N';
        case Type::String: return 'C';
        case Type::Logical: return 'L';
        case Type::Date: return 'D';
        case Type::Array: return 'A';
        case Type::Object: return 'O';
        case Type::Block: return 'B';
        case Type::Error: return 'E';
    }
    return 'U';
}

Value Value::at(size_t index1) const {
    const auto& a = arr();
    if (!a || index1 < 1 || index1 > a->size()) return Value();
    return (*a)[index1 - 1];
}

size_t Value::len() const {
    if (isArray()) return arr() ? arr()->size() : 0;
    if (isString()) return str().size();
    return 0;
}

Value Value::eval(const std::vector<Value>& args) const {
    const auto& b = blk();
    if (!b || !*b) return Value();
    return (*b)(args);
}

bool Value::same(const Value& o) const {
    if (type() != o.type()) return false;
    switch (type()) {
        case Type::Nil: return true;
        case Type::Number: return num() == o.num();
        case Type::String: return str() == o.str();
        case Type::Logical: return log() == o.log();
        case Type::Date: return date() == o.date();
        case Type::Array: return arr() == o.arr();
        case Type::Object: return obj() == o.obj();
        case Type::Block: return blk() == o.blk();
        case Type::Error: return &err() == &o.err();
    }
    return false;
}

}  // namespace rt
