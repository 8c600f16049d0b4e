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

namespace {

std::vector<std::string_view> words(std::string_view line) { return FASTTOKENWHITEVIEWS(line, " ", SIZE_MAX); }

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
        reader.rewind();
        cutAtMissingStart(r);
    } else {
        way = Way::Mask;
        std::string mask;
        while (!reader.atEnd()) {
            reader.nextAnalysis(line);
            addToColumnMask(line, mask);
            if (context.progressTimeOk())
                context.progressUpdate(static_cast<double>(reader.position()));
            context.pump();
            if (context.cancelled()) {
                r.status = AnalysisStatus::Cancelled;
                return r;
            }
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
    while (!reader.atEnd()) {
        reader.nextAnalysis(line);
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
