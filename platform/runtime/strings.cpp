#include "platform/runtime/strings.h"

#include <QString>
#include <algorithm>
#include <cstring>

#include "platform/runtime/dates.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/settings.h"

namespace rt {

namespace {

unsigned char upper1252(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
    switch (c) {
        case 0x9A: return 0x8A;
        case 0x9C: return 0x8C;
        case 0x9E: return 0x8E;
        case 0xFF: return 0x9F;
    }
    return c;
}

unsigned char lower1252(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
    switch (c) {
        case 0x8A: return 0x9A;
        case 0x8C: return 0x9C;
        case 0x8E: return 0x9E;
        case 0x9F: return 0xFF;
    }
    return c;
}

// Strict UTF-8 check: well-formed sequences only, no overlongs or surrogates.
bool isUtf8(std::string_view s) {
    size_t i = 0, n = s.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) len = 2, cp = c & 0x1F;
        else if (c >= 0xE0 && c <= 0xEF) len = 3, cp = c & 0x0F;
        else if (c >= 0xF0 && c <= 0xF4) len = 4, cp = c & 0x07;
        else return false;
        if (i + len > n) return false;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

bool hasHighBytes(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

template <class Map, class QMap>
std::string mapCase(std::string_view text, Map map, QMap qmap) {
    if (hasHighBytes(text) && isUtf8(text)) {
        QByteArray out = qmap(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))).toUtf8();
        return std::string(out.constData(), static_cast<size_t>(out.size()));
    }
    std::string out(text);
    for (char& c : out) c = static_cast<char>(map(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trimRight(std::string_view s) {
    size_t end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

}  // namespace

std::string AllTrim(std::string_view text) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    size_t e = text.find_last_not_of(' ');
    return std::string(text.substr(b, e - b + 1));
}

std::string LTrim(std::string_view text) {
    size_t b = text.find_first_not_of(' ');
    return b == std::string_view::npos ? std::string() : std::string(text.substr(b));
}

std::string Trim(std::string_view text) { return std::string(trimRight(text)); }
std::string RTrim(std::string_view text) { return Trim(text); }

std::string PadR(std::string_view text, int64_t length, char fill) {
    if (length <= 0) return {};
    size_t n = static_cast<size_t>(length);
    if (text.size() >= n) return std::string(text.substr(0, n));
    std::string out(text);
    out.append(n - text.size(), fill);
    return out;
}

std::string PadL(std::string_view text, int64_t length, char fill) {
    if (length <= 0) return {};
    size_t n = static_cast<size_t>(length);
    if (text.size() >= n) return std::string(text.substr(0, n));
    std::string out(n - text.size(), fill);
    out.append(text);
    return out;
}

std::string Space(int64_t count) { return count <= 0 ? std::string() : std::string(static_cast<size_t>(count), ' '); }

std::string Left(std::string_view text, int64_t count) {
    if (count <= 0) return {};
    return std::string(text.substr(0, static_cast<size_t>(count)));
}

std::string Right(std::string_view text, int64_t count) {
    if (count <= 0) return {};
    size_t n = std::min(static_cast<size_t>(count), text.size());
    return std::string(text.substr(text.size() - n));
}

std::string SubStr(std::string_view text, int64_t start, int64_t length) {
    int64_t size = static_cast<int64_t>(text.size());
    if (start < 0) start = std::max<int64_t>(size + start + 1, 1);
    if (start == 0) start = 1;
    if (start > size) return {};
    if (length == 0 || length < -1) return {};
    size_t from = static_cast<size_t>(start - 1);
    if (length < 0) return std::string(text.substr(from));
    return std::string(text.substr(from, static_cast<size_t>(length)));
}

size_t SLen(std::string_view text) { return text.size(); }

size_t At(std::string_view search, std::string_view text) {
    if (search.empty()) return 0;
    size_t p = text.find(search);
    return p == std::string_view::npos ? 0 : p + 1;
}

bool InString(std::string_view search, std::string_view text) { return text.find(search) != std::string_view::npos; }

std::string StrTran(std::string_view text, std::string_view search, std::string_view replace, int64_t start,
                    int64_t count) {
    if (search.empty() || count == 0) return std::string(text);
    if (start < 1) start = 1;
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    int64_t seen = 0, done = 0;
    while (true) {
        size_t hit = text.find(search, pos);
        if (hit == std::string_view::npos) break;
        ++seen;
        out.append(text.substr(pos, hit - pos));
        if (seen >= start && (count < 0 || done < count)) {
            out.append(replace);
            ++done;
        } else {
            out.append(search);
        }
        pos = hit + search.size();
        if (count >= 0 && done >= count) break;
    }
    out.append(text.substr(pos));
    return out;
}

std::string Upper(std::string_view text) {
    return mapCase(text, upper1252, [](const QString& s) { return s.toUpper(); });
}

std::string Lower(std::string_view text) {
    return mapCase(text, lower1252, [](const QString& s) { return s.toLower(); });
}

std::string Logic2Bin(bool value) { return std::string(1, value ? '\x01' : '\x00'); }

bool Empty(const Value& v) {
    switch (v.type()) {
        case Value::Type::Nil: return true;
        case Value::Type::Number: return v.num() == 0;
        case Value::Type::String:
            return v.str().find_first_not_of(" \t\r\n") == std::string::npos;
        case Value::Type::Logical: return !v.log();
        case Value::Type::Date: return v.date().empty();
        case Value::Type::Array: return v.len() == 0;
        case Value::Type::Object: return !v.obj();
        case Value::Type::Block: return !v.blk();
        case Value::Type::Error: return false;
    }
    return false;
}

bool IsNil(const Value& v) { return v.isNil(); }

bool EqualExact(const Value& l, const Value& r) { return l.same(r); }

bool EqualText(std::string_view left, std::string_view right) {
    if (IsExact()) return trimRight(left) == trimRight(right);
    if (right.size() > left.size()) return false;
    return std::memcmp(left.data(), right.data(), right.size()) == 0;
}

bool Equal(const Value& l, const Value& r) {
    if (l.isString() && r.isString()) return EqualText(l.str(), r.str());
    return l.same(r);
}

namespace {
// -1, 0, 1; `ok` false when the two values cannot be ordered.
int order(const Value& l, const Value& r, bool& ok) {
    ok = true;
    if (l.isNumber() && r.isNumber()) return l.num() < r.num() ? -1 : (l.num() > r.num() ? 1 : 0);
    if (l.isDate() && r.isDate()) return l.date() < r.date() ? -1 : (l.date() > r.date() ? 1 : 0);
    if (l.isString() && r.isString()) {
        int c = l.str().compare(r.str());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (l.isLogical() && r.isLogical()) return static_cast<int>(l.log()) - static_cast<int>(r.log());
    ok = false;
    return 0;
}
}  // namespace

Value Max(const Value& l, const Value& r) {
    bool ok;
    int c = order(l, r, ok);
    return (!ok || c >= 0) ? l : r;
}

Value Min(const Value& l, const Value& r) {
    bool ok;
    int c = order(l, r, ok);
    return (!ok || c <= 0) ? l : r;
}

std::string AsString(const Value& v) {
    switch (v.type()) {
        case Value::Type::String: return v.str();
        case Value::Type::Number: return LTrim(Str(v.num()));
        case Value::Type::Date: return DToC(v.date());
        case Value::Type::Logical: return v.log() ? "T" : "F";
        case Value::Type::Nil: return "NIL";
        case Value::Type::Array: return "{[" + std::to_string(v.len()) + "]}";
        default: return {};
    }
}

}  // namespace rt
