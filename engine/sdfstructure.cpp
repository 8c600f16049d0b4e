#include "engine/sdfstructure.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "functions/tokenarrays.h"

namespace engine {

void addToColumnMask(std::string_view line, std::string& mask) {
    if (mask.size() < line.size())
        mask.resize(line.size(), ' ');
    char* m = mask.data();
    for (size_t j = 0; j < line.size(); ++j)
        if (line[j] != ' ')
            m[j] = '*';
}

void addToJoinMask(std::string_view line, std::string& joined) {
    if (joined.size() < line.size())
        joined.resize(line.size(), ' ');
    char* m = joined.data();
    for (size_t j = 1; j < line.size(); ++j)
        if (line[j] != ' ' && line[j - 1] != ' ')
            m[j] = '*';
}

void settleHeaderColumns(std::string_view header, const std::string& used, const std::string& joined,
                         std::vector<int>& pos, std::vector<int>& len, FieldStructure& structure, bool blankSeparated) {
    const size_t n = pos.size();
    if (n == 0)
        return;
    auto marked = [](const std::string& mask, int column) {
        return column >= 1 && static_cast<size_t>(column) <= mask.size() && mask[static_cast<size_t>(column - 1)] == '*';
    };
    pos[0] = 1;
    for (size_t i = 1; i < n; ++i)
        while (pos[i] > pos[i - 1] && marked(joined, pos[i]))
            --pos[i];
    len.resize(n);
    if (structure.size() < n)
        structure.resize(n);
    for (size_t i = 0; i < n; ++i) {
        int width;
        if (i + 1 < n) {
            width = pos[i + 1] - pos[i];
            // The column before the next field separates only where no line uses it.
            if (blankSeparated && width > 0 && !marked(used, pos[i + 1] - 1))
                --width;
        } else {
            width = std::max(static_cast<int>(header.size()) - pos[i] + 1, 1);
        }
        structure[i].length = width;
        len[i] = width;
    }
}

namespace {

std::vector<std::string_view> words(std::string_view line) { return FASTTOKENWHITEVIEWS(line, " ", SIZE_MAX); }

// Reads every line from the reader's position on into the column mask (`used`) and, when
// given, the mask of columns a value runs into from the column before (`joined`), with
// progress, events and cancel. False when cancelled.
bool scanColumns(LineReader& reader, RunContext& context, std::string& used, std::string* joined) {
    std::string line;
    while (reader.nextAnalysis(line)) {
        addToColumnMask(line, used);
        if (joined)
            addToJoinMask(line, *joined);
        if (context.progressTimeOk())
            context.progressUpdate(static_cast<double>(reader.position()));
        context.pump();
        if (context.cancelled())
            return false;
    }
    return true;
}

// Drops the entries from the first one without a start on.
void cutAtMissingStart(AnalysisResult& r) {
    auto it = std::find(r.pos.begin(), r.pos.end(), 0);
    const size_t keep = static_cast<size_t>(it - r.pos.begin());
    r.pos.resize(keep);
    r.len.resize(std::min(keep, r.len.size()));
    r.structure.resize(std::min(keep, r.structure.size()));
}

}  // namespace

void struct2Array(std::string_view line, FieldStructure& structure, std::vector<int>& pos, std::vector<int>& len,
                  bool headerMode, bool blankSeparated) {
    const size_t n = pos.size();
    len.resize(n);
    if (structure.size() < n)
        structure.resize(n);
    // one walk over the line instead of a search per word
    std::vector<std::string_view> ws = words(line);
    for (size_t i = 0; i < n; ++i) {
        if (i < ws.size()) {
            const size_t s = static_cast<size_t>(ws[i].data() - line.data()) + 1;
            pos[i] = static_cast<int>(s);
            len[i] = static_cast<int>(ws[i].size());
            if (headerMode) {
                structure[i].name = makeFieldName(structure, i + 1, ws[i]);
            } else {
                structure[i].length = len[i];
                structure[i].name = makeFieldName(structure, i + 1, {});
            }
        } else {
            pos[i] = 0;
            len[i] = 0;
        }
    }
    if (!headerMode)
        return;
    for (size_t i = 0; i < n; ++i) {
        if (pos[i] == 0)
            continue;
        int width;
        if (i + 1 < n && pos[i + 1] != 0)
            width = pos[i + 1] - pos[i] - 1 + (blankSeparated ? 0 : 1);
        else
            width = static_cast<int>(line.size()) - pos[i] + 1;
        width = std::max(width, 1);
        structure[i].length = width;
        len[i] = width;
    }
}

AnalysisResult analyseSdf(LineReader& reader, const Options& o, RunContext& context) {
    AnalysisResult r;
    context.progressStart();
    context.progressSetMax(static_cast<double>(reader.size()));

    enum class Way { Given, Header, Mask } way;
    std::string line;
    if (o.inLenGiven && !o.inLengths.empty()) {
        way = Way::Given;
        const std::vector<int> widths = parseLengths(o.inLengths);
        const size_t n = widths.size();
        r.structure = makeStructNew(n);
        r.pos.resize(n);
        r.len.resize(n);
        int start = 1;
        for (size_t i = 0; i < n; ++i) {
            // a width of 0 or less would make two fields share their columns
            const int w = std::max(widths[i], 1);
            r.structure[i].length = w;
            r.len[i] = w;
            r.pos[i] = start;
            start = start > INT_MAX - w ? INT_MAX : start + w;  // widths of any size never wrap
        }
        if (o.inHeader) {
            reader.nextAnalysis(line);
            std::vector<std::string_view> ws = words(line);
            for (size_t i = 0; i < n; ++i)
                r.structure[i].name = makeFieldName(r.structure, i + 1, i < ws.size() ? ws[i] : std::string_view());
            reader.rewind();
        } else {
            for (size_t i = 0; i < n; ++i)
                r.structure[i].name = makeFieldName(r.structure, i + 1, {});
        }
    } else if (o.inHeader) {
        way = Way::Header;
        reader.nextAnalysis(line);
        const size_t n = words(line).size();
        if (n == 0) {
            r.status = AnalysisStatus::Failed;
            r.message = 63;
            return r;
        }
        r.structure = makeStructNew(n);
        r.pos.resize(n);
        r.len.resize(n);
        struct2Array(line, r.structure, r.pos, r.len, true, o.inBlank);
        cutAtMissingStart(r);
        // Values need not start under their word: right-aligned ones start before it. The
        // data lines decide where each field really starts.
        const std::string header = line;
        std::string used, joined;
        if (!scanColumns(reader, context, used, &joined)) {
            r.status = AnalysisStatus::Cancelled;
            return r;
        }
        settleHeaderColumns(header, used, joined, r.pos, r.len, r.structure, o.inBlank);
        if (reader.readFailed() || !reader.rewind()) {
            r.status = AnalysisStatus::Failed;
            r.message = 25;
            return r;
        }
    } else {
        way = Way::Mask;
        std::string mask;
        if (!scanColumns(reader, context, mask, nullptr)) {
            r.status = AnalysisStatus::Cancelled;
            return r;
        }
        context.progressFinish();
        if (reader.readFailed() || !reader.rewind()) {
            r.status = AnalysisStatus::Failed;
            r.message = 25;
            return r;
        }
        size_t n = std::min<size_t>(words(mask).size(), 1000);
        if (n == 0) {
            r.status = AnalysisStatus::Failed;
            r.message = 63;
            return r;
        }
        r.structure = makeStructNew(n);
        r.pos.resize(n);
        r.len.resize(n);
        struct2Array(mask, r.structure, r.pos, r.len, false, o.inBlank);
        cutAtMissingStart(r);
    }

    // Type pass.
    if (o.inHeader)
        reader.nextAnalysis(line);
    const size_t n = r.structure.size();
    std::vector<NumberWidth> widths(n);
    while (nextSdfRecord(reader, line, true)) {
        for (size_t i = 0; i < n; ++i) {
            const size_t start = static_cast<size_t>(r.pos[i] - 1);
            std::string_view v;
            if (start < line.size())
                v = i + 1 < n ? std::string_view(line).substr(start, static_cast<size_t>(r.len[i]))
                              : std::string_view(line).substr(start);
            FieldDef& f = r.structure[i];
            // Blanks are the absence of a value in a fixed-width column, not a number 0: a
            // column that holds nothing else stays untyped and becomes text.
            if (v.find_first_not_of(' ') != std::string_view::npos || v.empty())
                inferFieldType(v, f, o.inDecComma);
            if (way == Way::Mask || i + 1 == n)
                inferFieldLength(v, f, widths[i], o.inDecComma);
            else if (f.type == "N")
                // the column keeps its width, but a number needs its decimals
                inferFieldLength(v, f, widths[i], o.inDecComma);
            r.len[i] = std::max(r.len[i], static_cast<int>(v.size()));
        }
        if (context.progressTimeOk())
            context.progressUpdate(static_cast<double>(reader.position()));
        context.pump();
        if (context.cancelled()) {
            r.status = AnalysisStatus::Cancelled;
            return r;
        }
    }
    if (reader.readFailed() || !reader.rewind()) {
        r.status = AnalysisStatus::Failed;
        r.message = 25;
        return r;
    }
    settleUntyped(r.structure);
    context.progressFinish();
    return r;
}

}  // namespace engine
