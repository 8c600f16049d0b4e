#include "engine/append.h"

#include <algorithm>

#include "platform/db/dbserver.h"

namespace engine {

namespace {

bool isNumber(const std::string& type) { return type == "N" || type == "F"; }

// The digits a number field holds before its decimal point: the point takes a place of its
// own, so N(10,2) holds 7, not 8.
int integerPlaces(const FieldDef& f) { return f.decimals > 0 ? f.length - f.decimals - 1 : f.length; }

// The length that holds `integer` places and `decimals` places after a point.
int numberLength(int integer, int decimals) { return decimals > 0 ? integer + decimals + 1 : integer; }

}  // namespace

bool fieldFits(const FieldDef& w, const FieldDef& t) {
    if (w.type != t.type) return false;
    // Dates, logicals and memos have one width in every table, whatever length a text
    // input's analysis gave them (a date text is ten characters, its field eight bytes).
    if (w.type == "D" || w.type == "L" || w.type == "M") return true;
    if (w.length > t.length || w.decimals > t.decimals) return false;
    // N(8,0) holds numbers of eight integer digits; N(8,2) only of five.
    if (isNumber(w.type) && integerPlaces(w) > integerPlaces(t)) return false;
    return true;
}

bool fieldsFit(const FieldStructure& written, const FieldStructure& target) {
    for (const FieldDef& f : written) {
        auto it = std::find_if(target.begin(), target.end(), [&](const FieldDef& t) { return t.name == f.name; });
        if (it == target.end() || !fieldFits(f, *it)) return false;
    }
    return true;
}

int mergeStructure(FieldStructure& merged, const FieldStructure& source) {
    int conflicts = 0;
    for (const FieldDef& s : source) {
        auto it = std::find_if(merged.begin(), merged.end(), [&](const FieldDef& m) { return m.name == s.name; });
        if (it == merged.end()) {
            merged.push_back(s);
            continue;
        }
        FieldDef& m = *it;
        if (m.type != s.type) {
            ++conflicts;
            continue;
        }
        if (!isNumber(m.type)) {
            m.length = std::max(m.length, s.length);
            continue;
        }
        const int decimals = std::max(s.decimals, m.decimals);
        const int length = numberLength(std::max(integerPlaces(s), integerPlaces(m)), decimals);
        if (length > m.length) m.length = length;
        m.decimals = decimals;
    }
    return conflicts;
}

AppendResult appendTables(const std::vector<std::string>& sources, const std::string& target, RunContext& context,
                          const std::function<void(const std::string&)>& sourceDone) {
    AppendResult r;
    db::DBSERVER out(target, true, false, "DBFNTX");
    if (!out.USED()) {
        r.end = AppendEnd::SourceFailed;
        r.failed = target;
        return r;
    }
    for (const std::string& path : sources) {
        db::DBSERVER in(path, true, true, "DBFNTX");
        if (!in.USED()) {
            r.end = AppendEnd::SourceFailed;
            r.failed = path;
            break;
        }
        // The target's number of each source field, looked up once per source.
        std::vector<int> to;
        for (const db::FieldInfo& f : in.fields()) to.push_back(out.FIELDPOS(f.name));
        // The text goes straight from the source's code page into the target's (the bytes as
        // they stand where the two are one); what the target lacks is counted.
        out.setTextCodePage(out.CODEPAGE());
        in.setTextCodePage(out.CODEPAGE());
        bool ok = true;
        in.GOTOP();
        uint64_t seen = in.lostCharacters();
        while (!in.EOF()) {
            ok = out.APPEND();
            for (size_t i = 0; ok && i < to.size(); ++i)
                if (to[i] > 0) ok = out.FIELDPUT(rt::Value(to[i]), in.FIELDGET(rt::Value(static_cast<int>(i + 1))));
            if (!ok) break;
            if (const uint64_t now = in.lostCharacters(); now != seen) {
                if (r.lost.count == 0) r.lost = {0, in.RECNO(), true, path};
                r.lost.count += now - seen;
                seen = now;
            }
            ++r.records;
            in.SKIP();
            if (context.progressTimeOk()) context.progressUpdate(r.records);
            context.pump();
            if (context.cancelled()) break;
        }
        in.CLOSE();
        if (!ok) {
            r.end = AppendEnd::WriteFailed;
            r.failed = out.Status();
            break;
        }
        if (sourceDone) sourceDone(path);
        context.pump();
        if (context.cancelled()) {
            r.end = AppendEnd::Cancelled;
            break;
        }
    }
    if (!out.COMMIT() || !out.CLOSE()) {
        if (r.end == AppendEnd::Completed || r.end == AppendEnd::Cancelled) {
            r.end = AppendEnd::WriteFailed;
            r.failed = out.Status();
        }
    }
    return r;
}

}  // namespace engine
