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
void fromJulian(int64_t j, int& y, int& m, int& d) {
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

Date Date::fromYMD(int year, int month, int day) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return Date();
    int limit = days[month - 1] + (month == 2 && leap(year) ? 1 : 0);
    if (day > limit) return Date();
    return fromJulian(toJulian(year, month, day));
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
