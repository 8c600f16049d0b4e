#include "engine/sdfstructure.h"

#include <algorithm>
#include <array>
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

namespace {

// A blank-separated word of a line: its first and last byte, from 0.
struct Span {
    int a;
    int z;
};

void spansOf(std::string_view line, std::vector<Span>& out) {
    out.clear();
    const int n = static_cast<int>(std::min<size_t>(line.size(), INT_MAX / 2));
    for (int j = 0; j < n;) {
        if (line[static_cast<size_t>(j)] == ' ') {
            ++j;
            continue;
        }
        const int a = j;
        while (j < n && line[static_cast<size_t>(j)] != ' ') ++j;
        out.push_back({a, j - 1});
    }
}

constexpr int kOpen = INT_MAX;

// The cuts a column's values leave possible on one side: field i+1 starts at a byte from lo
// to hi.
struct Range {
    int lo = 0;
    int hi = kOpen;
    void keep(int l, int h) {
        lo = std::max(lo, l);
        hi = std::min(hi, h);
    }
};

enum Align { kLeft = 0, kRight = 1, kOther = 2 };

}  // namespace

// Where the fields of a header line's words lie, read from the data lines. A column is
// right-aligned when every value that is not empty ends at its word's last byte, and
// left-aligned when every one starts at its word's first byte; an aligned value reaches away
// from its word over single blanks only, as the words of one value are written. A boundary
// that cannot be placed without cutting a word or such a value, or that can be placed with
// other values on either side (under one alignment or another of a column that has both), is
// told with the first line that shows it.
class HeaderColumns {
public:
    explicit HeaderColumns(std::string_view header) {
        spansOf(header, words_);
        const size_t n = words_.size();
        leftOk_.assign(n, true);
        rightOk_.assign(n, true);
        filled_.assign(n, false);
        const size_t b = n ? n - 1 : 0;
        fromLeft_.assign(b, {Range{}, Range{}});
        fromRight_.assign(b, {Range{}, Range{}});
    }

    size_t columns() const { return words_.size(); }

    // One line that holds data.
    void add(std::string_view line) {
        addToColumnMask(line, used_);
        addToJoinMask(line, joined_);
        spansOf(line, spans_);
        const int count = static_cast<int>(spans_.size());
        // how far a value reaches over single blanks from each word, right and left
        reachRight_.resize(spans_.size());
        reachLeft_.resize(spans_.size());
        for (int j = count - 1; j >= 0; --j)
            reachRight_[static_cast<size_t>(j)] =
                j + 1 < count && spans_[static_cast<size_t>(j + 1)].a == spans_[static_cast<size_t>(j)].z + 2
                    ? reachRight_[static_cast<size_t>(j + 1)]
                    : j;
        for (int j = 0; j < count; ++j)
            reachLeft_[static_cast<size_t>(j)] =
                j > 0 && spans_[static_cast<size_t>(j - 1)].z == spans_[static_cast<size_t>(j)].a - 2
                    ? reachLeft_[static_cast<size_t>(j - 1)]
                    : j;
        const int n = static_cast<int>(words_.size());
        for (int i = 0; i < n; ++i) {
            const int s = words_[static_cast<size_t>(i)].a;
            const int e = words_[static_cast<size_t>(i)].z;
            const bool last = i + 1 == n;
            // the first word of the line that ends at or after s, and at or after e
            const int p = firstEndingFrom(s);
            const int q = firstEndingFrom(e);
            const bool blank = p == count || (!last && spans_[static_cast<size_t>(p)].a > e);
            const bool startsAtWord = p < count && spans_[static_cast<size_t>(p)].a == s;
            const bool endsAtWord =
                q < count && spans_[static_cast<size_t>(q)].z == e && (!last || q + 1 == count);
            leftOk_[static_cast<size_t>(i)] = leftOk_[static_cast<size_t>(i)] && (blank || startsAtWord);
            rightOk_[static_cast<size_t>(i)] = rightOk_[static_cast<size_t>(i)] && (blank || endsAtWord);
            if (!blank) filled_[static_cast<size_t>(i)] = true;
            const int before = p > 0 ? spans_[static_cast<size_t>(p - 1)].z + 1 : 0;
            const int after = p < count ? spans_[static_cast<size_t>(p)].a : kOpen;
            if (i + 1 < n) {  // the boundary after column i, as column i's values leave it
                auto& r = fromLeft_[static_cast<size_t>(i)];
                if (startsAtWord) {
                    const int c = reachRight_[static_cast<size_t>(p)];
                    r[kLeft].keep(spans_[static_cast<size_t>(p)].z + 1,
                                  c + 1 < count ? spans_[static_cast<size_t>(c + 1)].a : kOpen);
                } else if (blank) {
                    r[kLeft].keep(0, after);
                }
                if (endsAtWord)
                    r[kRight].keep(e + 1, q + 1 < count ? spans_[static_cast<size_t>(q + 1)].a : kOpen);
                else if (blank)
                    r[kRight].keep(0, after);
            }
            if (i > 0) {  // the boundary before column i, as column i's values leave it
                auto& r = fromRight_[static_cast<size_t>(i - 1)];
                if (startsAtWord || blank)
                    r[kLeft].keep(before, startsAtWord ? s : kOpen);
                if (endsAtWord) {
                    const int c = reachLeft_[static_cast<size_t>(q)];
                    r[kRight].keep(c > 0 ? spans_[static_cast<size_t>(c - 1)].z + 1 : 0, spans_[static_cast<size_t>(q)].a);
                } else if (blank) {
                    r[kRight].keep(before, kOpen);
                }
            }
        }
    }

    // The outcome: every boundary placed (`cuts`, the byte each field from the second starts
    // at), or the boundary that failed and, when two readings remain, two cuts that read
    // differently.
    struct Outcome {
        bool ok = true;
        std::vector<int> cuts;
        size_t boundary = 0;
        int first = 0, second = 0;  // two cuts of different readings; equal when none fits
        // the alignments the columns on either side of `boundary` may take
        std::array<bool, 3> leftAligns{}, rightAligns{};
    };

    Outcome settle() const {
        Outcome out;
        const size_t n = words_.size();
        if (n < 2) return out;
        prepare();
        std::vector<std::array<bool, 3>> fwd(n), bwd(n);
        for (size_t i = 0; i < n; ++i) fwd[i] = i == 0 ? aligns(0) : std::array<bool, 3>{false, false, false};
        for (size_t i = 1; i < n; ++i)
            for (int y : alignsOf(i))
                for (int x : alignsOf(i - 1))
                    if (fwd[i - 1][static_cast<size_t>(x)] && fits(i - 1, x, y)) fwd[i][static_cast<size_t>(y)] = true;
        bwd[n - 1] = aligns(n - 1);
        for (size_t i = n - 1; i-- > 0;)
            for (int x : alignsOf(i))
                for (int y : alignsOf(i + 1))
                    if (bwd[i + 1][static_cast<size_t>(y)] && fits(i, x, y)) bwd[i][static_cast<size_t>(x)] = true;
        for (size_t i = 1; i < n; ++i) {
            if (fwd[i] == std::array<bool, 3>{false, false, false}) {
                out.ok = false;
                out.boundary = i - 1;
                out.leftAligns = fwd[i - 1];
                out.rightAligns = aligns(i);
                return out;
            }
        }
        for (size_t b = 0; b + 1 < n; ++b) {
            int cut = -1, other = -1;
            bool oldFits = false;
            for (int x : alignsOf(b)) {
                for (int y : alignsOf(b + 1)) {
                    if (!fwd[b][static_cast<size_t>(x)] || !bwd[b + 1][static_cast<size_t>(y)]) continue;
                    int k1, k2;
                    if (!place(b, x, y, k1, k2)) continue;
                    for (int k : {k1, k2}) {
                        if (cut < 0 || prefix_[clampMask(k)] == prefix_[clampMask(cut)])
                            cut = cut < 0 ? k : std::min(cut, k);
                        else
                            other = k;
                    }
                    if (k1 <= kOld_[b] && kOld_[b] <= k2 && free(kOld_[b])) oldFits = true;
                }
            }
            if (other >= 0) {
                out.ok = false;
                out.boundary = b;
                out.first = std::min(cut, other);
                out.second = std::max(cut, other);
                return out;
            }
            // Where the old reading fits, the fields keep the widths it gives them.
            const int placed = oldFits ? kOld_[b] : cut;
            if (placed <= (b == 0 ? 0 : out.cuts.back())) {  // no field may be empty
                out.ok = false;
                out.boundary = b;
                out.leftAligns = fwd[b];
                out.rightAligns = aligns(b + 1);
                return out;
            }
            out.cuts.push_back(placed);
        }
        return out;
    }

    // After `settle` failed: whether the lines added so far show the failure already.
    bool shows(const Outcome& failed, std::string_view line) const {
        if (failed.first != failed.second) {
            // a word of this line lies between the two cuts
            const size_t from = static_cast<size_t>(failed.first);
            const size_t to = std::min(static_cast<size_t>(failed.second), line.size());
            for (size_t j = from; j < to; ++j)
                if (line[j] != ' ') return true;
            return false;
        }
        prepare();
        const size_t b = failed.boundary;
        for (int x : {kLeft, kRight, kOther})
            for (int y : {kLeft, kRight, kOther})
                if (failed.leftAligns[static_cast<size_t>(x)] && failed.rightAligns[static_cast<size_t>(y)] && fits(b, x, y))
                    return false;
        return true;
    }

    // Fields from header words: each starts at its cut (the first at column 1) and runs up to
    // the next; with `blankSeparated` the column before the next field belongs to no field
    // where no line uses it. 1-based starts and widths.
    void fields(const std::vector<int>& cuts, std::vector<int>& pos, std::vector<int>& len, FieldStructure& structure,
                size_t headerSize, bool blankSeparated) const {
        const size_t n = words_.size();
        pos.assign(n, 1);
        for (size_t i = 1; i < n; ++i) pos[i] = cuts[i - 1] + 1;
        len.assign(n, 0);
        if (structure.size() < n) structure.resize(n);
        for (size_t i = 0; i < n; ++i) {
            int width;
            if (i + 1 < n) {
                width = pos[i + 1] - pos[i];
                const size_t before = static_cast<size_t>(pos[i + 1] - 2);
                if (blankSeparated && width > 1 && !(before < used_.size() && used_[before] == '*')) --width;
            } else {
                width = std::max(static_cast<int>(headerSize) - pos[i] + 1, 1);
            }
            structure[i].length = width;
            len[i] = width;
        }
    }

private:
    int firstEndingFrom(int column) const {
        auto it = std::lower_bound(spans_.begin(), spans_.end(), column, [](const Span& w, int c) { return w.z < c; });
        return static_cast<int>(it - spans_.begin());
    }

    std::array<bool, 3> aligns(size_t i) const {
        std::array<bool, 3> a{false, false, false};
        for (int x : alignsOf(i)) a[static_cast<size_t>(x)] = true;
        return a;
    }

    // A column whose values both start and end under its word may be read either way: a
    // reading of each kind must lead to the same values, or the boundary is not told.
    std::vector<int> alignsOf(size_t i) const {
        std::vector<int> a;
        if (filled_[i] && leftOk_[i]) a.push_back(kLeft);
        if (filled_[i] && rightOk_[i]) a.push_back(kRight);
        if (a.empty()) a.push_back(kOther);
        return a;
    }

    bool free(int k) const {
        return k < 0 ? false : !(static_cast<size_t>(k) < joined_.size() && joined_[static_cast<size_t>(k)] == '*');
    }
    size_t clampMask(int k) const { return std::min(static_cast<size_t>(k), used_.size()); }

    // The range boundary b may take when column b reads as x and column b+1 as y.
    Range rangeOf(size_t b, int x, int y) const {
        Range r;
        r.keep(words_[b].a + 1, words_[b + 1].z);
        if (x != kOther) r.keep(fromLeft_[b][static_cast<size_t>(x)].lo, fromLeft_[b][static_cast<size_t>(x)].hi);
        if (y != kOther) r.keep(fromRight_[b][static_cast<size_t>(y)].lo, fromRight_[b][static_cast<size_t>(y)].hi);
        else r.keep(kOld_[b], kOld_[b]);
        return r;
    }

    // The first and the last cut in that range that splits no word of any line.
    bool place(size_t b, int x, int y, int& first, int& last) const {
        const Range r = rangeOf(b, x, y);
        first = r.lo;
        while (first <= r.hi && !free(first)) ++first;
        if (first > r.hi) return false;
        last = r.hi;
        while (last > first && !free(last)) --last;
        return true;
    }

    bool fits(size_t b, int x, int y) const {
        int k1, k2;
        return place(b, x, y, k1, k2);
    }

    // The old reading of a boundary (a field starts under its word, or before it where a value
    // runs across that column) and the count of used columns before each byte.
    void prepare() const {
        const size_t n = words_.size();
        kOld_.assign(n ? n - 1 : 0, 0);
        int previous = 0;
        for (size_t i = 1; i < n; ++i) {
            int k = words_[i].a;
            while (k > previous && !free(k)) --k;
            kOld_[i - 1] = k;
            previous = k;
        }
        prefix_.assign(used_.size() + 1, 0);
        for (size_t j = 0; j < used_.size(); ++j) prefix_[j + 1] = prefix_[j] + (used_[j] == '*');
    }

    std::vector<Span> words_;
    std::vector<bool> leftOk_, rightOk_, filled_;
    std::vector<std::array<Range, 2>> fromLeft_;   // boundary i as column i's values leave it
    std::vector<std::array<Range, 2>> fromRight_;  // boundary i as column i+1's values leave it
    std::string used_, joined_;
    std::vector<Span> spans_;
    std::vector<int> reachRight_, reachLeft_;
    mutable std::vector<int> kOld_;
    mutable std::vector<int> prefix_;
};

namespace {

std::vector<std::string_view> words(std::string_view line) { return FASTTOKENWHITEVIEWS(line, " ", SIZE_MAX); }

// Hands every line from the reader's position on to `take`, with progress, events and cancel,
// until `take` has seen what it needs. False when cancelled.
template <class Take>
bool scanLines(LineReader& reader, RunContext& context, Take take) {
    std::string line;
    while (reader.nextAnalysis(line)) {
        if (take(std::string_view(line)))
            return true;
        if (context.progressTimeOk())
            context.progressUpdate(static_cast<double>(reader.position()));
        context.pump();
        if (context.cancelled())
            return false;
    }
    return true;
}

// Reads the lines into the header's columns; a line of blanks holds no data. With `failed`,
// stops at the first line that shows that failure.
bool scanHeaderColumns(LineReader& reader, RunContext& context, HeaderColumns& columns,
                       const HeaderColumns::Outcome* failed) {
    return scanLines(reader, context, [&](std::string_view line) {
        if (line.find_first_not_of(' ') == std::string_view::npos)
            return false;
        columns.add(line);
        return failed && columns.shows(*failed, line);
    });
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
        HeaderColumns columns(header);
        if (!scanHeaderColumns(reader, context, columns, nullptr)) {
            r.status = AnalysisStatus::Cancelled;
            return r;
        }
        const HeaderColumns::Outcome settled = columns.settle();
        if (!settled.ok) {
            // Read again up to the line that shows where no boundary fits.
            r.status = AnalysisStatus::Failed;
            r.message = 101;
            HeaderColumns probe(header);
            if (reader.rewind() && reader.nextAnalysis(line))
                r.record = scanHeaderColumns(reader, context, probe, &settled) ? reader.lines() : 0;
            return r;
        }
        columns.fields(settled.cuts, r.pos, r.len, r.structure, header.size(), o.inBlank);
        if (reader.readFailed() || !reader.rewind()) {
            r.status = AnalysisStatus::Failed;
            r.message = 25;
            return r;
        }
    } else {
        way = Way::Mask;
        std::string mask;
        if (!scanLines(reader, context, [&](std::string_view l) {
                addToColumnMask(l, mask);
                return false;
            })) {
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
