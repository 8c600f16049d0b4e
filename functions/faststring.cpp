#include "functions/faststring.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/runtime/numbers.h"

namespace {

// The offset of the first byte c in p[i, n), or n. Fields are mostly short: sixteen bytes are
// compared at once for the first few blocks, and only a long field goes to the library's
// search, whose call costs more than a short field's scan.
inline size_t findByte(const char* p, size_t i, size_t n, char c) {
#if defined(__SSE2__)
    const __m128i needle = _mm_set1_epi8(c);
    for (int block = 0; block < 4 && i + 16 <= n; ++block, i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, needle)));
        if (mask)
            return i + static_cast<size_t>(__builtin_ctz(mask));
    }
    if (i + 16 <= n) {
        const void* q = std::memchr(p + i, c, n - i);
        return q ? static_cast<size_t>(static_cast<const char*>(q) - p) : n;
    }
#else
    if (n - i > 64) {
        const void* q = std::memchr(p + i, c, n - i);
        return q ? static_cast<size_t>(static_cast<const char*>(q) - p) : n;
    }
#endif
    for (; i < n; ++i)
        if (p[i] == c)
            return i;
    return n;
}

// The offset of the first single frame character in p[i, n) (a doubled one is data inside a
// frame), or n.
inline size_t firstSingleFrame(const char* p, size_t i, size_t n, char F) {
    for (size_t j = i; (j = findByte(p, j, n, F)) < n; j += 2)
        if (j + 1 >= n || p[j + 1] != F)
            return j;
    return n;
}

// Whether a frame closed by the single frame character at p[j] closes as a writer closes one:
// right before a separator or the line end, blanks aside.
inline bool closesAsWritten(const char* p, size_t j, size_t n, char S) {
    size_t k = j + 1;
    while (k < n && p[k] == ' ') ++k;
    return k == n || p[k] == S;
}

// Runs the frame and separator rules over one line; `emit(field, framed)` receives each field
// in line order. Returns true when the last field's frame is still open at the end of the
// line: a framed value that continues on the next line.
//
// The rules are those every CSV writer follows: a frame opens only at the first byte of a
// field that is no blank; inside it a doubled frame character is one literal character, and a
// single one closes it (bytes that follow up to the separator still belong to the field). A
// frame character anywhere else is an ordinary byte, and so is one that stands alone right
// before a separator or the line end, unless the frame it opens closes right before a
// separator or the line end (a value that begins with the separator, as writers frame it).
// `inFrame` starts the scan inside a frame opened on an earlier line. Each field is a view into
// the line, or into a buffer where a doubled frame character had to be made one.
//
// A frame character alone at a field's start right before a separator or the line end with no
// single frame character after it on the line is either data or the opening of a value that
// goes on after the line end (one that begins with a line break, or with the separator and
// spans lines). It is read as data and told through `dangling`; with `openDangling` it opens
// the frame, which then stays open past the line end.
template <typename Emit>
bool splitCsv(std::string_view line, std::string_view separator, std::string_view frame, Emit&& emit,
              bool inFrame = false, bool openDangling = false, bool* dangling = nullptr) {
    const size_t n = line.size();
    if (n == 0)
        return inFrame;
    const char S = separator.empty() ? ';' : separator[0];
    const char F = frame.empty() ? '"' : frame[0];
    const char* p = line.data();

    std::string buffer;
    size_t i = 0;
    for (;;) {
        // At the first byte of a field. A frame opens at its first byte after blanks (which
        // go), unless that frame character stands right before a separator or the line end
        // and the frame it would open does not close as written frames close: alone there it
        // is data, as a ditto mark.
        bool framed = inFrame;
        if (!framed && i < n) {
            size_t k = i;
            while (k < n && p[k] == ' ') ++k;
            if (k < n && p[k] == F) {
                if (k + 1 < n && p[k + 1] != S) {
                    framed = true;
                } else if (const size_t close = firstSingleFrame(p, k + 1, n, F); close < n) {
                    framed = closesAsWritten(p, close, n, S);
                } else if (openDangling) {
                    framed = true;
                } else if (dangling) {
                    *dangling = true;
                }
                if (framed)
                    i = k + 1;
            }
        }
        if (!framed) {
            const size_t j = findByte(p, i, n, S);
            emit(std::string_view(p + i, j - i), false);
            if (j == n)
                return false;
            i = j + 1;
            continue;
        }
        inFrame = false;
        bool buffered = false;
        size_t piece = i;
        for (;;) {
            const size_t j = findByte(p, i, n, F);
            if (j == n) {  // the frame stays open past the end of the line
                if (buffered) {
                    buffer.append(p + piece, n - piece);
                    emit(std::string_view(buffer), true);
                } else {
                    emit(std::string_view(p + piece, n - piece), true);
                }
                return true;
            }
            if (j + 1 < n && p[j + 1] == F) {  // a doubled frame character is one
                if (!buffered)
                    buffer.clear();
                buffered = true;
                buffer.append(p + piece, j + 1 - piece);
                i = piece = j + 2;
                continue;
            }
            // The frame closes at j; what follows up to the separator is still the field's.
            const size_t k = findByte(p, j + 1, n, S);
            if (buffered || k > j + 1) {
                if (!buffered)
                    buffer.clear();
                buffer.append(p + piece, j - piece);
                buffer.append(p + j + 1, k - j - 1);
                emit(std::string_view(buffer), true);
            } else {
                emit(std::string_view(p + piece, j - piece), true);
            }
            if (k == n)
                return false;
            i = k + 1;
            break;
        }
    }
}

}  // namespace

std::vector<std::string> FASTTOKENCSVARRAY(std::string_view line, std::string_view separator,
                                           std::string_view frame) {
    std::vector<std::string> out;
    splitCsv(line, separator, frame, [&](std::string_view field, bool) { out.emplace_back(field); });
    return out;
}

size_t FASTTOKENCSVARRAY(std::string_view line, std::string_view separator, std::string_view frame,
                         std::vector<std::string>& out) {
    bool frameOpen = false;
    return FASTTOKENCSVARRAY(line, separator, frame, out, frameOpen);
}

size_t FASTTOKENCSVARRAY(std::string_view line, std::string_view separator, std::string_view frame,
                         std::vector<std::string>& out, bool& frameOpen) {
    size_t count = 0;
    frameOpen = splitCsv(line, separator, frame, [&](std::string_view field, bool) {
        if (count < out.size())
            out[count].assign(field);
        else
            out.emplace_back(field);
        ++count;
    });
    out.resize(count);
    return count;
}

size_t FASTTOKENCSVVIEWS(std::string_view line, std::string_view separator, std::string_view frame,
                         std::vector<std::string_view>& out, std::vector<std::string>& owned, bool& frameOpen,
                         bool* dangling) {
    out.clear();
    size_t kept = 0;
    std::vector<size_t> placed;  // the fields that live in `owned`, rare enough to allocate
    const char* begin = line.data();
    const char* end = begin + line.size();
    frameOpen = splitCsv(line, separator, frame, [&](std::string_view field, bool) {
        if (field.data() >= begin && field.data() + field.size() <= end) {
            out.push_back(field);
            return;
        }
        if (kept == owned.size()) owned.emplace_back();
        owned[kept++].assign(field);
        placed.push_back(out.size());
        out.emplace_back();
    }, false, false, dangling);
    // Pointed at only now: the strings of `owned` may have moved while it grew.
    for (size_t j = 0; j < placed.size(); ++j) out[placed[j]] = owned[j];
    return out.size();
}

rt::Value FASTTOKENCSVARRAY(std::string_view line, std::string_view separator, std::string_view frame,
                            bool numeric) {
    rt::Array out;
    splitCsv(line, separator, frame, [&](std::string_view field, bool framed) {
        if (!numeric || framed) {
            out.emplace_back(field);
        } else if (field.empty()) {
            out.emplace_back(0.0);
        } else {
            std::string text(field);
            if (auto comma = text.find(','); comma != std::string::npos)
                text[comma] = '.';
            out.emplace_back(rt::Val(text));
        }
    });
    return rt::Value::array(std::move(out));
}

CsvLineShape CSVLINESHAPE(std::string_view text, std::string_view separator, std::string_view frame, bool inFrame,
                          bool openDangling) {
    CsvLineShape shape;
    if (text.empty()) {  // an empty line inside a frame is a line of the value that goes on
        shape.fields = inFrame ? 1 : 0;
        shape.open = inFrame;
        return shape;
    }
    shape.open = splitCsv(text, separator, frame, [&](std::string_view, bool) { ++shape.fields; }, inFrame,
                          openDangling, &shape.dangling);
    return shape;
}

int CSVFRAMECLOSES(std::string_view text, std::string_view separator, std::string_view frame) {
    const char S = separator.empty() ? ';' : separator[0];
    const char F = frame.empty() ? '"' : frame[0];
    const size_t close = firstSingleFrame(text.data(), 0, text.size(), F);
    if (close == text.size())
        return 0;
    return closesAsWritten(text.data(), close, text.size(), S) ? 1 : 2;
}

bool FASTISNUMBER(std::string_view value) {
    if (value.empty())
        return false;
    bool digit = false, point = false, sign = false;
    for (char c : value) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if ((c == '.' || c == ',') && !point) {
            point = digit = true;
        } else if ((c == '-' || c == '+') && !digit && !sign) {
            sign = true;
        } else if (c == ' ' && !digit && !sign) {
            // leading blank
        } else {
            return false;
        }
    }
    return true;
}

bool FASTISDATE(std::string_view value) {
    if (value.size() < 2)
        return false;
    bool digit = false;
    int points = 0;
    for (char c : value) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && points < 2) {
            ++points;
            digit = true;
        } else if (c == ' ' && !digit) {
            // leading blank
        } else {
            return false;
        }
    }
    return points == 2;
}

bool FASTISLOGIC(std::string_view value) {
    return value.size() == 3 && value[0] == '.' && value[2] == '.' && (value[1] == 'T' || value[1] == 'F');
}
