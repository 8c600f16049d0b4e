#include "functions/largefile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/runtime/files.h"

namespace {

// The read-ahead object of a handle never changes while the handle number lives, so the last
// one looked up is kept, per thread: a loop over one file makes no table look-up per line.
win::ReadAhead* readAhead(win::FileHandle h) {
    thread_local win::FileHandle cachedHandle = win::INVALID_FILE_HANDLE;
    thread_local win::ReadAhead* cached = nullptr;
    if (h != cachedHandle || !cached) {
        cached = win::FileReadAhead(h);
        cachedHandle = h;
    }
    return cached;
}

// Fetches the window of a line read: up to `want` bytes at the position, in *data and *size.
// Sets the last file error and returns null when there is nothing to read.
[[gnu::always_inline]] inline win::ReadAhead* window(win::FileHandle h, size_t want, const char** data,
                                                     size_t* size) {
    win::ReadAhead* ra = readAhead(h);
    if (!ra) {
        rt::FError(EBADF);
        return nullptr;
    }
    if (!ra->fill(want)) {
        rt::FError(win::GetLastError());
        return nullptr;
    }
    if (ra->available() == 0) {
        rt::FError(win::FILE_ERROR_EOF);
        return nullptr;
    }
    if (rt::FError() != 0)  // a line costs no store to the shared error unless it changes
        rt::FError(0);
    *data = ra->data();
    *size = ra->available() < want ? ra->available() : want;
    return ra;
}

// Whether the byte (or, for UTF-16, the unit) at `offset` from the position, just after the
// window, is LF. When it cannot be read the CR ends the line by itself.
bool nextIsLf(win::ReadAhead* ra, size_t offset, size_t unit) {
    if (!ra->fill(offset + unit) || ra->available() < offset + unit)
        return false;
    const char* data = ra->data();
    return data[offset] == '\n' && (unit == 1 || data[offset + 1] == '\0');
}

// Index of the first CR or LF among the n bytes at p, or n.
size_t findLineEndPlain(const char* p, size_t n, size_t i) {
    for (; i < n; ++i)
        if (p[i] == '\r' || p[i] == '\n')
            return i;
    return n;
}

#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("avx2")]] size_t findLineEndAvx2(const char* p, size_t n) {
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        const unsigned mask = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(v, cr), _mm256_cmpeq_epi8(v, lf))));
        if (mask)
            return i + static_cast<size_t>(__builtin_ctz(mask));
    }
    return findLineEndPlain(p, n, i);
}
#endif

size_t findLineEndSse2(const char* p, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (mask)
            return i + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    return findLineEndPlain(p, n, i);
}

size_t findLineEnd(const char* p, size_t n) {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return findLineEndAvx2(p, n);
#endif
    return findLineEndSse2(p, n);
}

// Offset of the first CR or LF unit among the n bytes at p (units at even offsets), or n.
// The byte search finds candidates; a CR or LF byte that is the high half of a unit, or the
// low half of a unit other than U+000D and U+000A, is passed over.
size_t findLineEnd16(const char* p, size_t n) {
    size_t i = 0;
    while (i + 1 < n) {
        i += findLineEnd(p + i, n - 1 - i);
        if (i + 1 >= n)
            break;
        if (i % 2 == 0 && p[i + 1] == '\0')
            return i;
        ++i;
    }
    return n;
}

// Length of a byte-order mark of the coding at the start of the window (when the handle
// stands at the very start of the file and the window holds the whole mark), else 0.
size_t markLength(win::FileHandle h, win::ReadAhead& ra, LineCoding coding) {
    if (coding == LineCoding::Bytes)
        return 0;
    // Asked per line: the read-ahead's own position costs no look-up.
    const int64_t at = ra.tell();
    if ((at >= 0 ? at : win::FileTell(h)) != 0 || !ra.fill(3))
        return 0;
    const auto* d = reinterpret_cast<const unsigned char*>(ra.data());
    const size_t n = ra.available();
    if (coding == LineCoding::Utf8 && n >= 3 && d[0] == 0xEF && d[1] == 0xBB && d[2] == 0xBF)
        return 3;
    if (coding == LineCoding::Utf16 && n >= 2 && d[0] == 0xFF && d[1] == 0xFE)
        return 2;
    return 0;
}

}  // namespace

bool FREADLINELARGE(win::FileHandle handle, size_t bufferSize, std::string& line) {
    if (bufferSize == 0)
        bufferSize = 1;
    const char* data;
    size_t r;
    win::ReadAhead* ra = window(handle, bufferSize, &data, &r);
    if (!ra) {
        line.clear();
        return false;
    }
    const size_t i = findLineEnd(data, r);
    line.assign(data, i);
    if (i == r) {  // no line end in the window: the rest comes with the next call
        ra->consume(r);
        return true;
    }
    size_t endLength = 1;
    if (data[i] == '\r') {
        if (i + 1 < r)
            endLength = data[i + 1] == '\n' ? 2 : 1;
        else if (nextIsLf(ra, i + 1, 1))  // a CR LF pair split by the window's end
            endLength = 2;
    }
    ra->consume(i + endLength);
    return true;
}

std::string FREADLINELARGE(win::FileHandle handle, size_t bufferSize) {
    std::string line;
    FREADLINELARGE(handle, bufferSize, line);
    return line;
}

bool FREADLINEUNICODE(win::FileHandle handle, size_t bufferSize, std::string& line) {
    bufferSize &= ~static_cast<size_t>(1);
    if (bufferSize == 0)
        bufferSize = 2;
    const char* data;
    size_t r;
    win::ReadAhead* ra = window(handle, bufferSize, &data, &r);
    if (!ra) {
        line.clear();
        return false;
    }
    const size_t i = findLineEnd16(data, r);
    if (i + 1 >= r) {  // no line end: all bytes read (a final odd byte included)
        line.assign(data, r);
        ra->consume(r);
        return true;
    }
    line.assign(data, i);
    size_t endLength = 2;
    if (data[i] == '\r') {
        if (i + 3 < r) {
            if (data[i + 2] == '\n' && data[i + 3] == '\0')
                endLength = 4;
        } else if (i + 2 == r && nextIsLf(ra, r, 2)) {
            endLength = 4;
        }
    }
    ra->consume(i + endLength);
    return true;
}

std::string FREADLINEUNICODE(win::FileHandle handle, size_t bufferSize) {
    std::string line;
    FREADLINEUNICODE(handle, bufferSize, line);
    return line;
}

bool FREADLINEWHOLE(win::FileHandle handle, LineCoding coding, std::string& line, std::string_view& lineEnd) {
    bool tooLong = false;
    return FREADLINEWHOLE(handle, coding, line, lineEnd, SIZE_MAX, tooLong);
}

bool FREADLINEWHOLE(win::FileHandle handle, LineCoding coding, std::string& line, std::string_view& lineEnd,
                    size_t limit, bool& tooLong) {
    tooLong = false;
    line.clear();
    lineEnd = "";
    win::ReadAhead* ra = readAhead(handle);
    if (!ra) {
        rt::FError(EBADF);
        return false;
    }
    if (const size_t mark = markLength(handle, *ra, coding))
        ra->consume(mark);
    const bool utf16 = coding == LineCoding::Utf16;
    const size_t unit = utf16 ? 2 : 1;
    size_t want = 64 * 1024;
    size_t scanned = 0;  // bytes known to hold no line end
    for (;;) {
        if (!ra->fill(want)) {
            rt::FError(win::GetLastError());
            // What came before the failure is still the line's.
            line.assign(ra->data(), ra->available());
            ra->consume(ra->available());
            return !line.empty();
        }
        const char* d = ra->data();
        const size_t n = ra->available();
        if (n == 0) {
            rt::FError(win::FILE_ERROR_EOF);
            return false;
        }
        const size_t i = scanned + (utf16 ? findLineEnd16(d + scanned, n - scanned) : findLineEnd(d + scanned, n - scanned));
        if (i > limit || (i == n && n > limit)) {
            // More than `limit` bytes without a line end: give none of them.
            tooLong = true;
            ra->consume(std::min(i, n));
            if (rt::FError() != 0)
                rt::FError(0);
            return true;
        }
        if (i + (unit - 1) < n) {  // a line end at i
            line.assign(d, i);
            size_t endLength = unit;
            if (d[i] == '\r' && nextIsLf(ra, i + unit, unit))  // may read past the window
                endLength = 2 * unit;
            d = ra->data();
            lineEnd = endLength == 2 * unit ? "\r\n" : d[i] == '\r' ? "\r" : "\n";
            ra->consume(i + endLength);
            if (rt::FError() != 0)
                rt::FError(0);
            return true;
        }
        if (n < want) {  // the end of the file: the rest is the last line
            line.assign(d, n);
            ra->consume(n);
            if (rt::FError() != 0)
                rt::FError(0);
            return true;
        }
        scanned = utf16 ? (n & ~static_cast<size_t>(1)) : n;
        want = n * 2;
    }
}

bool FEOFTEXT(win::FileHandle handle, LineCoding coding) {
    win::ReadAhead* ra = readAhead(handle);
    if (!ra) {
        rt::FError(EBADF);
        return true;
    }
    if (!ra->fill(coding == LineCoding::Bytes ? 1 : 3)) {
        rt::FError(win::GetLastError());
        return true;
    }
    return ra->available() == markLength(handle, *ra, coding);
}

bool FEOFLARGE(win::FileHandle handle) { return FEOFTEXT(handle, LineCoding::Bytes); }

int64_t FGETFILESIZE(win::FileHandle handle) {
    int64_t size = 0;
    return win::GetFileSize(handle, &size) ? size : 0;
}

int64_t FTELLLARGE(win::FileHandle handle) { return win::FileTell(handle); }
