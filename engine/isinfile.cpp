#include "engine/isinfile.h"

#include <mutex>
#include <unordered_set>
#include <vector>

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
            if ((++n & 1023) == 0 && pumpFn()) pumpFn()();
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

void clearIsInFileCache() {
    cache() = ListCache();
}

}  // namespace engine
