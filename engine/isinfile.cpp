#include "engine/isinfile.h"

#include <cctype>
#include <mutex>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "engine/blocks.h"
#include "functions/largefile.h"
#include "platform/runtime/dates.h"
#include "platform/runtime/expr.h"
#include "platform/runtime/files.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/strings.h"

namespace engine {

namespace {

struct ListCache {
    std::string name;
    std::vector<rt::Value> entries;
    std::unordered_set<std::string> texts;  // the text entries, for the exact modes
};

ListCache& cache() {
    static ListCache c;
    return c;
}

std::function<void()>& pumpFn() {
    static std::function<void()> fn;
    return fn;
}

// A list line may be of any length: it is one entry, never cut into pieces.
constexpr size_t kLineBuffer = 1 << 20;

void load(int handle, const rt::Value& u, int nTyp) {
    ListCache& c = cache();
    c.entries.clear();
    c.texts.clear();
    std::string line;
    while (!FEOFLARGE(handle)) {
        if (!FREADLINELARGE(handle, kLineBuffer, line)) break;
        std::string t = rt::AllTrim(line);
        if (t.empty()) continue;
        if (u.isString()) {
            if (nTyp != 0) t = rt::Upper(t);
            c.texts.insert(t);
            c.entries.emplace_back(std::move(t));
        } else if (u.isNumber()) {
            c.entries.emplace_back(rt::Val(t));
        } else if (u.isLogical()) {
            const std::string up = rt::Upper(t);
            if (up == "T") c.entries.emplace_back(true);
            else if (up == "F") c.entries.emplace_back(false);
        } else if (u.isDate()) {
            rt::Date d = rt::CToD(t);
            if (!d.empty()) c.entries.emplace_back(d);
        }
    }
}

bool textMatches(const std::string& v, const std::string& e, int nTyp) {
    switch (nTyp) {
    case 2: return v.compare(0, e.size(), e) == 0 && v.size() >= e.size();
    case 3: return e.size() >= v.size() && e.compare(0, v.size(), v) == 0;
    case 4: return e.find(v) != std::string::npos;
    case 5: return v.find(e) != std::string::npos;
    default: return false;
    }
}

}  // namespace

bool ISINFILE(const rt::Value& u, const std::string& file, int nTyp) {
    ListCache& c = cache();
    if (file != c.name && !file.empty()) {
        const int handle = rt::FOpen(file, 0);
        if (handle < 0) return false;
        c.name = file;
        load(handle, u, nTyp);
        rt::FClose(handle);
    }
    if (c.entries.empty()) return false;
    if (u.isString()) {
        std::string v = rt::AllTrim(u.str());
        if (v.empty()) return false;
        if (nTyp != 0) v = rt::Upper(v);
        if (nTyp == 0 || nTyp == 1) return c.texts.count(v) > 0;
        if (nTyp < 2 || nTyp > 5) return false;
        size_t n = 0;
        for (const rt::Value& e : c.entries) {
            if (e.isString() && textMatches(v, e.str(), nTyp)) return true;
            if ((++n & 1023) == 0 && pumpFn() && !onWorkerThread()) pumpFn()();
        }
        return false;
    }
    for (const rt::Value& e : c.entries) {
        if (u.isNumber()) {
            if (e.isNumber() && e.num() == u.num()) return true;
        } else if (u.isLogical()) {
            if (e.isLogical() && e.log() == u.log()) return true;
        } else if (u.isDate()) {
            if (e.isDate() && e.date() == u.date()) return true;
        } else {
            return false;
        }
    }
    return false;
}

void registerIsInFile() {
    static std::once_flag once;
    std::call_once(once, [] {
        rt::registerExprFunction("ISINFILE", [](const std::vector<rt::Value>& args) -> rt::Value {
            const rt::Value u = args.size() > 0 && !args[0].isNil() ? args[0] : rt::Value("");
            const std::string file = args.size() > 1 && args[1].isString() ? args[1].str() : std::string();
            const int nTyp = args.size() > 2 && args[2].isNumber() ? static_cast<int>(args[2].num()) : 1;
            return rt::Value(ISINFILE(u, file, nTyp));
        });
    });
}

void setIsInFilePump(std::function<void()> pump) { pumpFn() = std::move(pump); }

bool isInFileLoaded(const std::string& file) { return file.empty() || cache().name == file; }

bool isInFileConstant(const std::string& expression, std::string& file) {
    static constexpr std::string_view kName = "ISINFILE";
    std::string found;
    bool any = false;
    size_t i = 0;
    const size_t n = expression.size();
    auto upperAt = [&](size_t at) {
        if (at + kName.size() > n) return false;
        for (size_t k = 0; k < kName.size(); ++k)
            if (std::toupper(static_cast<unsigned char>(expression[at + k])) != kName[k]) return false;
        return true;
    };
    auto identifierChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    while (i < n) {
        const char c = expression[i];
        if (c == '"' || c == '\'') {  // a literal outside a call is passed over
            const size_t end = expression.find(c, i + 1);
            i = end == std::string::npos ? n : end + 1;
            continue;
        }
        if (!upperAt(i) || (i > 0 && identifierChar(expression[i - 1]))) {
            ++i;
            continue;
        }
        size_t p = i + kName.size();
        if (p < n && identifierChar(expression[p])) {
            i = p;
            continue;
        }
        while (p < n && expression[p] == ' ') ++p;
        if (p >= n || expression[p] != '(') return false;
        // The second argument: after the first comma at the call's own depth.
        int depth = 0;
        size_t q = p + 1;
        for (; q < n; ++q) {
            const char d = expression[q];
            if (d == '"' || d == '\'') {
                const size_t end = expression.find(d, q + 1);
                if (end == std::string::npos) return false;
                q = end;
            } else if (d == '(' || d == '[') {
                ++depth;
            } else if (d == ')' || d == ']') {
                if (depth-- == 0) return false;  // the call ends before its second argument
            } else if (d == ',' && depth == 0) {
                break;
            }
        }
        if (q >= n) return false;
        ++q;
        while (q < n && expression[q] == ' ') ++q;
        if (q >= n || (expression[q] != '"' && expression[q] != '\'')) return false;
        const size_t end = expression.find(expression[q], q + 1);
        if (end == std::string::npos) return false;
        size_t after = end + 1;
        while (after < n && expression[after] == ' ') ++after;
        if (after >= n || (expression[after] != ',' && expression[after] != ')')) return false;
        const std::string name = expression.substr(q + 1, end - q - 1);
        if (any && name != found) return false;
        found = name;
        any = true;
        i = after;
    }
    if (!any) return false;
    file = found;
    return true;
}

void clearIsInFileCache() {
    cache() = ListCache();
}

}  // namespace engine
