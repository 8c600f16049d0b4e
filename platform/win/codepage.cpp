#include "platform/win/codepage.h"

#include "platform/win/cp_tables.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

static_assert(std::endian::native == std::endian::little, "UTF-16 is handed to iconv as UTF-16LE");

namespace win {
namespace {

constexpr unsigned kAnsi = 1252;
constexpr unsigned kOem = 850;
constexpr char16_t kReplacement = 0xFFFD;
constexpr char kDefaultChar = '?';
constexpr unsigned kNoFailure = 0xFFFFFFFFu;

std::atomic<unsigned> g_failingCodePage{kNoFailure};

bool failing(unsigned cp) { return cp == g_failingCodePage.load(std::memory_order_relaxed); }

// A single-byte code page: byte -> unit, and unit -> byte for the way back.
struct ByteTable {
    char16_t toUnit[256];
    std::vector<int16_t> toByte;  // 65536 entries, -1 where the code page lacks the unit
    char utf8[256][4];            // each byte's character in UTF-8, utf8Length[b] bytes long
    unsigned char utf8Length[256];
    bool asciiSame = true;        // bytes below 0x80 are themselves (not so in EBCDIC)
    bool surrogates = false;      // some byte decodes to a surrogate unit

    void buildReverse();
};

void encodeUtf8(std::u16string_view src, std::string& out);

void ByteTable::buildReverse() {
    toByte.assign(0x10000, -1);
    // Lowest byte wins where two bytes decode alike (only replacement units can).
    for (int b = 255; b >= 0; --b) toByte[toUnit[b]] = static_cast<int16_t>(b);
    toByte[kReplacement] = -1;
    std::string one;
    for (int b = 0; b < 256; ++b) {
        const char16_t u = toUnit[b];
        if (b < 0x80 && u != b) asciiSame = false;
        if (u >= 0xD800 && u <= 0xDFFF) surrogates = true;
        encodeUtf8(std::u16string_view(&u, 1), one);
        std::memcpy(utf8[b], one.data(), one.size());
        utf8Length[b] = static_cast<unsigned char>(one.size());
    }
}

std::unique_ptr<ByteTable> makeOwnTable(const char16_t* high) {
    auto t = std::make_unique<ByteTable>();
    for (int b = 0; b < 128; ++b) t->toUnit[b] = static_cast<char16_t>(b);
    for (int b = 0; b < 128; ++b) t->toUnit[128 + b] = high[b];
    t->buildReverse();
    return t;
}

// Resets an iconv descriptor to its initial shift state.
void resetState(iconv_t cd) { iconv(cd, nullptr, nullptr, nullptr, nullptr); }

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

// The two iconv descriptors of a code page. A descriptor carries the state of a conversion,
// so no two threads may use one at once.
struct Descriptors {
    iconv_t decode = kNoDescriptor;  // code page -> UTF-16LE
    iconv_t encode = kNoDescriptor;  // UTF-16LE -> code page

    bool open(const std::string& name) {
        decode = iconv_open("UTF-16LE", name.c_str());
        encode = decode == kNoDescriptor ? kNoDescriptor : iconv_open(name.c_str(), "UTF-16LE");
        if (encode != kNoDescriptor) return true;
        close();
        return false;
    }
    void close() {
        if (decode != kNoDescriptor) iconv_close(decode);
        if (encode != kNoDescriptor) iconv_close(encode);
        decode = encode = kNoDescriptor;
    }
};

// A code page that glibc converts for us. Single-byte code pages are turned into a table
// once (faster, and undefined bytes can be kept); the others are converted through iconv
// descriptors, each thread with its own (threadDescriptors), those made here serving only
// where a thread cannot open its own.
struct Converter {
    unsigned codePage = 0;
    std::string name;  // iconv's name of the code page
    std::unique_ptr<ByteTable> table;
    Descriptors own;
    std::mutex ownMutex;  // held while `own` converts
    // Single bytes of a multi-byte code page that Windows maps and glibc does not.
    std::vector<std::pair<unsigned char, char16_t>> singles;

    ~Converter() { own.close(); }
};

// Code pages whose glibc name is not one of CP<n>, WINDOWS-<n>, IBM<n>.
const char* aliasOf(unsigned cp) {
    switch (cp) {
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28593: return "ISO-8859-3";
    case 28594: return "ISO-8859-4";
    case 28595: return "ISO-8859-5";
    case 28596: return "ISO-8859-6";
    case 28597: return "ISO-8859-7";
    case 28598: return "ISO-8859-8";
    case 28599: return "ISO-8859-9";
    case 28603: return "ISO-8859-13";
    case 28605: return "ISO-8859-15";
    case 10000: return "MACINTOSH";
    case 50220: return "ISO-2022-JP";
    case 51932: return "EUC-JP";
    case 51936: return "EUC-CN";
    case 51949: return "EUC-KR";
    case 54936: return "GB18030";
    case 65000: return "UTF-7";
    default: return nullptr;
    }
}

// Code pages of 16- and 32-bit units, which are not 8-bit text.
bool isWideCodePage(unsigned cp) { return cp == 1200 || cp == 1201 || cp == 12000 || cp == 12001; }

std::unique_ptr<Converter> openConverter(unsigned cp) {
    if (cp <= 3 || isWideCodePage(cp)) return nullptr;
    std::vector<std::string> names;
    if (const char* alias = aliasOf(cp)) names.emplace_back(alias);
    names.push_back("CP" + std::to_string(cp));
    names.push_back("WINDOWS-" + std::to_string(cp));
    names.push_back("IBM" + std::to_string(cp));
    auto conv = std::make_unique<Converter>();
    conv->codePage = cp;
    for (const auto& name : names) {
        if (!conv->own.open(name)) continue;
        conv->name = name;
        break;
    }
    if (conv->own.decode == kNoDescriptor) return nullptr;
    // Windows' 932 gives five single bytes characters of their own (0x80 itself, 0xA0 and
    // 0xFD to 0xFF in the private use area); glibc's leaves them undefined.
    if (cp == 932) conv->singles = {{0x80, u'\x80'}, {0xA0, u'\xF8F0'}, {0xFD, u'\xF8F1'}, {0xFE, u'\xF8F2'}, {0xFF, u'\xF8F3'}};

    // Probe every byte on its own: a code page where each byte decodes to one unit or is
    // undefined, and none starts a longer sequence, is single-byte.
    auto table = std::make_unique<ByteTable>();
    bool singleByte = true;
    std::vector<int> undefined;
    for (int b = 0; b < 256 && singleByte; ++b) {
        resetState(conv->own.decode);
        char in = static_cast<char>(b);
        char16_t out[4];
        char* inp = &in;
        size_t inLeft = 1;
        char* outp = reinterpret_cast<char*>(out);
        size_t outLeft = sizeof out;
        size_t rc = iconv(conv->own.decode, &inp, &inLeft, &outp, &outLeft);
        if (rc == static_cast<size_t>(-1)) {
            if (errno == EILSEQ) {
                undefined.push_back(b);
                continue;
            }
            singleByte = false;  // incomplete: a lead byte
            break;
        }
        // glibc's 1255 and 1258 hold a letter back to compose it with a following point:
        // the flush hands it out, so such a page is still one character per byte.
        iconv(conv->own.decode, nullptr, nullptr, &outp, &outLeft);
        if (sizeof out - outLeft != 2) {
            singleByte = false;  // a shift byte (no unit) or a byte giving several units
            break;
        }
        table->toUnit[b] = out[0];
    }
    resetState(conv->own.decode);
    if (!singleByte) return conv;

    // Undefined bytes decode to the unit of the same value where the code page does not
    // use that unit (the C1 controls, as Windows maps them), so that they survive a round
    // trip; otherwise to U+FFFD.
    std::vector<bool> used(0x10000, false);
    for (int b = 0; b < 256; ++b) {
        if (std::find(undefined.begin(), undefined.end(), b) == undefined.end()) used[table->toUnit[b]] = true;
    }
    for (int b : undefined) table->toUnit[b] = used[b] ? kReplacement : static_cast<char16_t>(b);
    table->buildReverse();
    conv->table = std::move(table);
    return conv;
}

// Cache of converters by code page; a null entry remembers an invalid code page. A converter
// once made stays for the process.
std::mutex g_mutex;
std::map<unsigned, std::unique_ptr<Converter>> g_converters;

// This thread's iconv descriptors of `conv`'s code page, opened on its first conversion of
// that page and closed when the thread ends; null where they cannot be opened.
Descriptors* threadDescriptors(const Converter& conv) {
    struct Mine {
        std::map<unsigned, Descriptors> byCodePage;
        ~Mine() {
            for (auto& entry : byCodePage) entry.second.close();
        }
    };
    thread_local Mine mine;
    const auto it = mine.byCodePage.find(conv.codePage);
    if (it != mine.byCodePage.end()) return &it->second;
    Descriptors d;
    if (!d.open(conv.name)) return nullptr;
    return &mine.byCodePage.emplace(conv.codePage, d).first->second;
}

// Runs `convert` on descriptors of `conv` that no other thread uses meanwhile.
template <class Convert>
void withDescriptors(Converter& conv, Convert&& convert) {
    if (Descriptors* mine = threadDescriptors(conv)) {
        convert(*mine);
        return;
    }
    const std::lock_guard<std::mutex> lock(conv.ownMutex);
    convert(conv.own);
}

const ByteTable& ansiTable() {
    static const std::unique_ptr<ByteTable> t = makeOwnTable(cp_tables::kCp1252High);
    return *t;
}
const ByteTable& oemTable() {
    static const std::unique_ptr<ByteTable> t = makeOwnTable(cp_tables::kCp850High);
    return *t;
}
const ByteTable& dos437Table() {
    static const std::unique_ptr<ByteTable> t = makeOwnTable(cp_tables::kCp437High);
    return *t;
}

const ByteTable* ownTable(unsigned cp) {
    switch (cp) {
    case 1252: return &ansiTable();
    case 850: return &oemTable();
    case 437: return &dos437Table();
    default: return nullptr;
    }
}

// The converter of `cp`, null for no code page glibc converts. The last two looked up are
// kept per thread, so a text of a few bytes (a field) costs no lock.
Converter* converterFor(unsigned cp) {
    struct Seen {
        unsigned cp = 0;
        Converter* conv = nullptr;
    };
    thread_local Seen seen[2];
    thread_local unsigned next = 0;
    for (const Seen& s : seen)
        if (s.conv && s.cp == cp) return s.conv;
    const std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_converters.find(cp);
    if (it == g_converters.end()) it = g_converters.emplace(cp, openConverter(cp)).first;
    Converter* conv = it->second.get();
    if (conv) seen[next++ % 2] = {cp, conv};
    return conv;
}

unsigned resolve(unsigned cp) {
    if (cp == CP_ACP) return kAnsi;
    if (cp == CP_OEMCP) return kOem;
    return cp;
}

void decodeTable(const ByteTable& t, std::string_view src, std::u16string& out) {
    out.resize(src.size());
    for (size_t i = 0; i < src.size(); ++i) out[i] = t.toUnit[static_cast<unsigned char>(src[i])];
}

// A character written as the default character because the target lacks it.
inline void countLost(uint64_t* lost) {
    if (lost) ++*lost;
}

void encodeTable(const ByteTable& t, std::u16string_view src, std::string& out, uint64_t* lost) {
    out.clear();
    out.reserve(src.size());
    for (size_t i = 0; i < src.size(); ++i) {
        char16_t u = src[i];
        // A surrogate pair is one character the table cannot hold: one default character.
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < src.size() && src[i + 1] >= 0xDC00 && src[i + 1] <= 0xDFFF) {
            out.push_back(kDefaultChar);
            countLost(lost);
            ++i;
            continue;
        }
        int16_t b = t.toByte[u];
        if (b < 0) {
            out.push_back(kDefaultChar);
            countLost(lost);
        } else {
            out.push_back(static_cast<char>(b));
        }
    }
}

// The UTF-8 character at p[0], which is not ASCII: its code point, or U+FFFD and
// `wellFormed` false for a maximal ill-formed subsequence; returns the bytes it takes.
size_t nextUtf8(const unsigned char* p, size_t n, char32_t& cp, bool& wellFormed) {
    wellFormed = false;
    const unsigned char c = p[0];
    size_t need;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        need = 1;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        need = 2;
        cp = c & 0x0F;
        lo = c == 0xE0 ? 0xA0 : 0x80;
        hi = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        need = 3;
        cp = c & 0x07;
        lo = c == 0xF0 ? 0x90 : 0x80;
        hi = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        cp = kReplacement;
        return 1;
    }
    for (size_t k = 1; k <= need; ++k) {
        if (k >= n || p[k] < lo || p[k] > hi) {
            cp = kReplacement;
            return k;
        }
        lo = 0x80;
        hi = 0xBF;
        cp = (cp << 6) | (p[k] & 0x3F);
    }
    wellFormed = true;
    return need + 1;
}

// UTF-8 decoding that replaces each maximal ill-formed subsequence by one U+FFFD.
void decodeUtf8(std::string_view src, std::u16string& out) {
    out.clear();
    out.reserve(src.size());
    const auto* p = reinterpret_cast<const unsigned char*>(src.data());
    const size_t n = src.size();
    for (size_t i = 0; i < n;) {
        if (p[i] < 0x80) {
            out.push_back(p[i++]);
            continue;
        }
        char32_t cp;
        bool wellFormed;
        i += nextUtf8(p + i, n - i, cp, wellFormed);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
}

// A character of U+0080 or above in UTF-8.
void appendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    }
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
}

void encodeUtf8(std::u16string_view src, std::string& out) {
    out.clear();
    out.reserve(src.size() * 3);
    const size_t n = src.size();
    for (size_t i = 0; i < n; ++i) {
        char32_t cp = src[i];
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            if (cp <= 0xDBFF && i + 1 < n && src[i + 1] >= 0xDC00 && src[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (src[i + 1] - 0xDC00);
                ++i;
            } else {
                cp = kReplacement;
            }
        }
        if (cp < 0x80)
            out.push_back(static_cast<char>(cp));
        else
            appendUtf8(cp, out);
    }
}

// Multi-byte code pages through iconv: an undecodable byte becomes U+FFFD and decoding
// goes on with the next byte; an incomplete sequence at the end becomes one U+FFFD.
void decodeIconv(const Converter& conv, iconv_t cd, std::string_view src, std::u16string& out) {
    resetState(cd);
    out.assign(src.size() + 4, u'\0');
    char* inp = const_cast<char*>(src.data());
    size_t inLeft = src.size();
    size_t written = 0;
    while (inLeft > 0) {
        char* outp = reinterpret_cast<char*>(out.data() + written);
        size_t outLeft = (out.size() - written) * 2;
        size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        written = out.size() - outLeft / 2;
        if (rc != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2 + 8);
            continue;
        }
        if (written + 1 > out.size()) out.resize(out.size() * 2 + 8);
        out[written] = kReplacement;
        for (const auto& [byte, unit] : conv.singles)
            if (errno == EILSEQ && static_cast<unsigned char>(*inp) == byte) out[written] = unit;
        ++written;
        if (errno == EILSEQ) {
            ++inp;
            --inLeft;
        } else {
            break;  // EINVAL: the text ends inside a character
        }
    }
    // A converter may hold the last character back (to compose it with what follows): the
    // flush hands it out.
    while (true) {
        char* outp = reinterpret_cast<char*>(out.data() + written);
        size_t outLeft = (out.size() - written) * 2;
        const size_t rc = iconv(cd, nullptr, nullptr, &outp, &outLeft);
        written = out.size() - outLeft / 2;
        if (rc != static_cast<size_t>(-1) || errno != E2BIG) break;
        out.resize(out.size() * 2 + 8);
    }
    out.resize(written);
}

// A character the code page lacks, or a lone surrogate, becomes the default character.
void encodeIconv(const Converter& conv, iconv_t cd, std::u16string_view src, std::string& out, uint64_t* lost) {
    resetState(cd);
    out.assign(src.size() * 2 + 16, '\0');
    size_t written = 0;
    // Runs one iconv call (nullptr input: return to the initial shift state), growing the
    // output as needed; returns false with errno set when the input cannot be converted.
    auto step = [&](char** inp, size_t* inLeft) {
        while (true) {
            char* outp = out.data() + written;
            size_t outLeft = out.size() - written;
            size_t rc = iconv(cd, inp, inLeft, &outp, &outLeft);
            written = out.size() - outLeft;
            if (rc != static_cast<size_t>(-1)) return true;
            if (errno != E2BIG) return false;
            out.resize(out.size() * 2 + 16);
        }
    };
    char* inp = const_cast<char*>(reinterpret_cast<const char*>(src.data()));
    size_t inLeft = src.size() * 2;
    while (inLeft > 0 && !step(&inp, &inLeft)) {
        char16_t failed;
        std::memcpy(&failed, inp, 2);
        const auto single = std::find_if(conv.singles.begin(), conv.singles.end(),
                                         [failed](const auto& s) { return s.second == failed; });
        if (single != conv.singles.end()) {
            step(nullptr, nullptr);  // back to the initial shift state before a byte of its own
            if (written + 1 > out.size()) out.resize(out.size() * 2 + 16);
            out[written++] = static_cast<char>(single->first);
            inp += 2;
            inLeft -= 2;
            continue;
        }
        countLost(lost);
        char16_t q = u'?';
        char* qp = reinterpret_cast<char*>(&q);
        size_t qLeft = 2;
        step(&qp, &qLeft);
        // Skip the unit, or the surrogate pair, that could not be written.
        size_t skip = 2;
        if (inLeft >= 4) {
            char16_t u0, u1;
            std::memcpy(&u0, inp, 2);
            std::memcpy(&u1, inp + 2, 2);
            if (u0 >= 0xD800 && u0 <= 0xDBFF && u1 >= 0xDC00 && u1 <= 0xDFFF) skip = 4;
        }
        if (inLeft < skip) skip = inLeft;
        inp += skip;
        inLeft -= skip;
    }
    step(nullptr, nullptr);
    out.resize(written);
}

}  // namespace

unsigned GetACP() { return kAnsi; }
unsigned GetOEMCP() { return kOem; }

bool IsValidCodePage(unsigned codePage) {
    if (codePage == CP_UTF8 || ownTable(codePage)) return true;
    return converterFor(codePage) != nullptr;
}

bool MultiByteToWideChar(unsigned codePage, std::string_view src, std::u16string& out) {
    out.clear();
    const unsigned cp = resolve(codePage);
    if (failing(cp)) return false;
    if (cp == CP_UTF8) {
        decodeUtf8(src, out);
        return true;
    }
    if (const ByteTable* t = ownTable(cp)) {
        decodeTable(*t, src, out);
        return true;
    }
    Converter* conv = converterFor(cp);
    if (!conv) return false;
    if (conv->table)
        decodeTable(*conv->table, src, out);
    else
        withDescriptors(*conv, [&](const Descriptors& d) { decodeIconv(*conv, d.decode, src, out); });
    return true;
}

bool WideCharToMultiByte(unsigned codePage, std::u16string_view src, std::string& out, uint64_t* lost) {
    out.clear();
    const unsigned cp = resolve(codePage);
    if (failing(cp)) return false;
    if (cp == CP_UTF8) {
        encodeUtf8(src, out);
        return true;
    }
    if (const ByteTable* t = ownTable(cp)) {
        encodeTable(*t, src, out, lost);
        return true;
    }
    Converter* conv = converterFor(cp);
    if (!conv) return false;
    if (conv->table)
        encodeTable(*conv->table, src, out, lost);
    else
        withDescriptors(*conv, [&](const Descriptors& d) { encodeIconv(*conv, d.encode, src, out, lost); });
    return true;
}

namespace {

// Length of the run of ASCII bytes at the start of [p, p + n), eight bytes at a time.
size_t asciiRun(const char* p, size_t n) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (w & 0x8080808080808080ull) break;
    }
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
    return i;
}

// Appends the run of ASCII at src[i] to `out`; returns where it ends.
size_t copyAscii(std::string_view src, size_t i, std::string& out) {
    const size_t run = asciiRun(src.data() + i, src.size() - i);
    out.append(src.data() + i, run);
    return i + run;
}

// UTF-8 to UTF-8: well-formed characters stay, each ill-formed subsequence becomes U+FFFD.
void utf8ToUtf8(std::string_view src, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(src.data());
    const size_t n = src.size();
    for (size_t i = 0; i < n;) {
        if ((i = copyAscii(src, i, out)) == n) break;
        char32_t cp;
        bool wellFormed;
        const size_t len = nextUtf8(p + i, n - i, cp, wellFormed);
        if (wellFormed)
            out.append(src.data() + i, len);
        else
            appendUtf8(cp, out);
        i += len;
    }
}

void utf8ToTable(const ByteTable& t, std::string_view src, std::string& out, uint64_t* lost) {
    const auto* p = reinterpret_cast<const unsigned char*>(src.data());
    const size_t n = src.size();
    for (size_t i = 0; i < n;) {
        if (t.asciiSame && (i = copyAscii(src, i, out)) == n) break;
        char32_t cp = p[i];
        bool wellFormed;
        const size_t len = cp < 0x80 ? 1 : nextUtf8(p + i, n - i, cp, wellFormed);
        // A character beyond the BMP is a surrogate pair, which no table holds.
        const int16_t b = cp < 0x10000 ? t.toByte[cp] : -1;
        if (b < 0) {
            out.push_back(kDefaultChar);
            countLost(lost);
        } else {
            out.push_back(static_cast<char>(b));
        }
        i += len;
    }
}

void tableToUtf8(const ByteTable& t, std::string_view src, std::string& out) {
    const size_t n = src.size();
    for (size_t i = 0; i < n;) {
        if (t.asciiSame && (i = copyAscii(src, i, out)) == n) break;
        const auto b = static_cast<unsigned char>(src[i++]);
        out.append(t.utf8[b], t.utf8Length[b]);
    }
}

// Byte for byte from one table to another; the map of the last pair is kept per thread, with
// a flag per byte whose character the target lacks.
void tableToTable(const ByteTable& from, const ByteTable& to, std::string_view src, std::string& out,
                  uint64_t* lost) {
    thread_local const ByteTable* lastFrom = nullptr;
    thread_local const ByteTable* lastTo = nullptr;
    thread_local char map[256];
    thread_local unsigned char missing[256];
    thread_local bool anyMissing = false;
    if (lastFrom != &from || lastTo != &to) {
        anyMissing = false;
        for (int b = 0; b < 256; ++b) {
            const int16_t c = to.toByte[from.toUnit[b]];
            map[b] = c < 0 ? kDefaultChar : static_cast<char>(c);
            missing[b] = c < 0;
            anyMissing = anyMissing || c < 0;
        }
        lastFrom = &from;
        lastTo = &to;
    }
    out.resize(src.size());
    if (lost && anyMissing) {
        uint64_t n = 0;
        for (size_t i = 0; i < src.size(); ++i) {
            const auto b = static_cast<unsigned char>(src[i]);
            out[i] = map[b];
            n += missing[b];
        }
        *lost += n;
        return;
    }
    for (size_t i = 0; i < src.size(); ++i) out[i] = map[static_cast<unsigned char>(src[i])];
}

// The table of a single-byte code page; nullptr for UTF-8 and for the code pages that go
// through iconv. `valid` tells whether the code page is one at all.
const ByteTable* tableFor(unsigned cp, bool& valid) {
    valid = true;
    if (cp == CP_UTF8) return nullptr;
    if (const ByteTable* t = ownTable(cp)) return t;
    const Converter* conv = converterFor(cp);
    valid = conv != nullptr;
    return conv ? conv->table.get() : nullptr;
}

// Both code pages resolved, with their tables (null for UTF-8 and multi-byte pages); false
// when either is no code page or is made to fail.
bool resolvePair(unsigned fromCodePage, unsigned toCodePage, unsigned& from, unsigned& to,
                 const ByteTable*& fromTable, const ByteTable*& toTable) {
    from = resolve(fromCodePage);
    to = resolve(toCodePage);
    if (failing(from) || failing(to)) return false;
    bool fromValid, toValid;
    fromTable = tableFor(from, fromValid);
    toTable = tableFor(to, toValid);
    return fromValid && toValid;
}

}  // namespace

bool ConvertMultiByte(unsigned fromCodePage, unsigned toCodePage, std::string_view src, std::string& out,
                      uint64_t* lost) {
    out.clear();
    unsigned from, to;
    const ByteTable *fromTable, *toTable;
    if (!resolvePair(fromCodePage, toCodePage, from, to, fromTable, toTable)) return false;
    const bool fromDirect = (from == CP_UTF8 || fromTable) && !(fromTable && fromTable->surrogates);
    const bool toDirect = (to == CP_UTF8 || toTable) && !(toTable && toTable->surrogates);
    if (!fromDirect || !toDirect) {
        thread_local std::u16string wide;
        return MultiByteToWideChar(from, src, wide) && WideCharToMultiByte(to, wide, out, lost);
    }
    out.reserve(src.size());
    if (fromTable && toTable)
        tableToTable(*fromTable, *toTable, src, out, lost);
    else if (fromTable)
        tableToUtf8(*fromTable, src, out);
    else if (toTable)
        utf8ToTable(*toTable, src, out, lost);
    else
        utf8ToUtf8(src, out);
    return true;
}

namespace {

// ASCII look-alikes for characters one of the two code pages lacks.
char bestFit(char16_t u) {
    switch (u) {
    // box drawing: vertical lines, horizontal lines, everything else is a crossing
    case 0x2502: case 0x2551: return '|';
    case 0x2500: case 0x2550: return '-';
    case 0x2524: case 0x2563: case 0x2557: case 0x255D: case 0x2510: case 0x2514: case 0x2534:
    case 0x252C: case 0x251C: case 0x253C: case 0x255A: case 0x2554: case 0x2569: case 0x2566:
    case 0x2560: case 0x256C: case 0x2518: case 0x250C:
        return '+';
    case 0x0131: return 'i';
    case 0x2017: return '_';
    case 0x201A: return ',';
    case 0x201E: case 0x201C: case 0x201D: return '"';
    case 0x2018: case 0x2019: return '\'';
    case 0x2026: return '.';
    case 0x2020: return '+';
    case 0x02C6: return '^';
    case 0x2030: return '%';
    case 0x0160: return 'S';
    case 0x0161: return 's';
    case 0x2039: return '<';
    case 0x203A: return '>';
    case 0x0152: return 'O';
    case 0x0153: return 'o';
    case 0x017D: return 'Z';
    case 0x017E: return 'z';
    case 0x0178: return 'Y';
    case 0x2013: case 0x2014: return '-';
    case 0x02DC: return '~';
    case 0x2122: return 'T';
    default: return kDefaultChar;
    }
}

std::string recodeBytes(std::string text, const ByteTable& from, const ByteTable& to, uint64_t* lost) {
    for (char& c : text) {
        char16_t u = from.toUnit[static_cast<unsigned char>(c)];
        int16_t b = to.toByte[u];
        if (b >= 0) {
            c = static_cast<char>(b);
        } else {
            c = bestFit(u);
            countLost(lost);
        }
    }
    return text;
}

}  // namespace

std::string Oem2Ansi(std::string text, uint64_t* lost) {
    return recodeBytes(std::move(text), oemTable(), ansiTable(), lost);
}
std::string Ansi2Oem(std::string text, uint64_t* lost) {
    return recodeBytes(std::move(text), ansiTable(), oemTable(), lost);
}

bool SingleByteMap(unsigned fromCodePage, unsigned toCodePage, unsigned char bytes[256], unsigned char lost[256]) {
    unsigned from, to;
    const ByteTable *f, *t;
    if (!resolvePair(fromCodePage, toCodePage, from, to, f, t) || !f || !t) return false;
    // Between the two code pages of the system the look-alikes of Oem2Ansi and Ansi2Oem.
    const bool alike = (from == kOem && to == kAnsi) || (from == kAnsi && to == kOem);
    for (int b = 0; b < 256; ++b) {
        const char16_t u = f->toUnit[b];
        const int16_t c = t->toByte[u];
        bytes[b] = static_cast<unsigned char>(c >= 0 ? c : alike ? bestFit(u) : kDefaultChar);
        lost[b] = c < 0;
    }
    return true;
}

std::optional<unsigned> LocaleDefaultAnsiCodePage(uint32_t lcid) {
    const unsigned langId = lcid & 0xFFFF;
    const unsigned primary = langId & 0x3FF;
    const unsigned sub = langId >> 10;
    switch (primary) {
    case 0x00:
        // neutral, user default and system default locales
        return sub <= 2 ? std::optional<unsigned>(kAnsi) : std::nullopt;
    case 0x04:  // Chinese: traditional for Taiwan, Hong Kong and Macao, simplified else
        return (sub == 2 || sub == 4) ? 936u : 950u;
    case 0x1A:  // Croatian, Serbian and Bosnian: Latin, or Cyrillic for these sublanguages
        return (sub == 3 || sub == 7 || sub == 8) ? 1251u : 1250u;
    case 0x2C:  // Azerbaijani: Latin, or Cyrillic
        return sub == 2 ? 1251u : 1254u;
    default:
        break;
    }
    static const std::map<unsigned, unsigned> byPrimary = {
        {0x01, 1256}, {0x02, 1251}, {0x03, 1252}, {0x05, 1250}, {0x06, 1252}, {0x07, 1252},
        {0x08, 1253}, {0x09, 1252}, {0x0A, 1252}, {0x0B, 1252}, {0x0C, 1252}, {0x0D, 1255},
        {0x0E, 1250}, {0x0F, 1252}, {0x10, 1252}, {0x11, 932},  {0x12, 949},  {0x13, 1252},
        {0x14, 1252}, {0x15, 1250}, {0x16, 1252}, {0x18, 1250}, {0x19, 1251}, {0x1B, 1250},
        {0x1C, 1250}, {0x1D, 1252}, {0x1E, 874},  {0x1F, 1254}, {0x22, 1251}, {0x24, 1250},
        {0x25, 1257}, {0x26, 1257}, {0x27, 1257}, {0x2A, 1258}, {0x2B, 0},    {0x2F, 1251},
        {0x37, 0},    {0x3A, 0},    {0x3E, 1252}, {0x50, 1251},
    };
    auto it = byPrimary.find(primary);
    if (it == byPrimary.end()) return std::nullopt;
    return it->second;
}

namespace testing {
void FailConversions(unsigned codePage) { g_failingCodePage.store(codePage, std::memory_order_relaxed); }
}  // namespace testing

}  // namespace win
