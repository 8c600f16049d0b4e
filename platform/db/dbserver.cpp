#include "platform/db/dbserver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "platform/db/cpgfile.h"
#include "platform/db/dbfio.h"
#include "platform/db/dbindex.h"
#include "platform/db/memo.h"
#include "platform/db/numberfield.h"
#include "platform/runtime/expr.h"
#include "platform/runtime/settings.h"
#include "platform/win/codepage.h"

namespace db {
namespace {

size_t gIndexBudget = size_t{32} << 20;
std::atomic<unsigned> gIndexThreads{1};
// Fewer records than this per thread are evaluated on fewer threads.
constexpr int64_t kIndexRecordsPerThread = 256;

constexpr size_t kReadAhead = size_t{64} << 10;
constexpr int64_t kMaxRecords = 0xFFFFFFFFLL;

std::string upperAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return s;
}

std::string tablePath(std::string file) {
    std::replace(file.begin(), file.end(), '\\', '/');
    const size_t slash = file.rfind('/');
    const size_t dot = file.rfind('.');
    if (!file.empty() && (dot == std::string::npos || (slash != std::string::npos && dot < slash))) file += ".dbf";
    return file;
}

std::string plainPath(std::string file) {
    std::replace(file.begin(), file.end(), '\\', '/');
    return file;
}

bool isVfp(uint8_t version) { return version == 0x30 || version == 0x31 || version == 0x32; }

// Language-driver bytes that mark an OEM (DOS) table, with their code page.
unsigned oemCodePage(uint8_t ldid) {
    switch (ldid) {
    case 0x01: case 0x09: case 0x0B: case 0x0D: case 0x0F: case 0x11: case 0x15: case 0x18: case 0x19:
    case 0x1B:
        return 437;
    case 0x02: case 0x0A: case 0x0E: case 0x10: case 0x12: case 0x14: case 0x16: case 0x1A: case 0x1D:
    case 0x25: case 0x37:
        return 850;
    case 0x08: case 0x17: case 0x66: return 865;
    case 0x1C: case 0x6C: return 863;
    case 0x1F: case 0x22: case 0x23: case 0x40: case 0x64: return 852;
    case 0x24: return 860;
    case 0x26: case 0x65: return 866;
    case 0x67: return 861;
    case 0x6A: case 0x86: return 737;
    case 0x87: return 852;
    case 0x6B: case 0x88: return 857;
    default: return 0;
    }
}

// Whether the language-driver byte names a code page we read: an OEM page, a Windows page,
// or ANSI 1252 (0x03, 0x57 to 0x59); 0 names none.
bool knownLanguageDriver(uint8_t ldid) {
    switch (ldid) {
    case 0x00: case 0x03: case 0x57: case 0x58: case 0x59:
    case 0x13: case 0x7B: case 0x4D: case 0x7A: case 0x4E: case 0x79: case 0x4F: case 0x78: case 0x50: case 0x7C:
    case 0x7D: case 0x7E: case 0xC8: case 0xC9: case 0xCA: case 0xCB: case 0xCC:
        return true;
    default: return oemCodePage(ldid) != 0;
    }
}

// The DOS code pages: a table in one of them is an OEM table.
bool isOemCodePage(unsigned cp) {
    switch (cp) {
    case 437: case 720: case 737: case 775: case 850: case 852: case 855: case 857: case 858: case 860: case 861:
    case 862: case 863: case 864: case 865: case 866: case 869:
        return true;
    default: return false;
    }
}

// The code page of a table by its language-driver byte: an OEM page, a Windows page other
// than 1252, or 1252 for the ANSI bytes and for a table that names none.
unsigned tableCodePage(uint8_t ldid) {
    if (const unsigned oem = oemCodePage(ldid)) return oem;
    switch (ldid) {
    case 0x13: case 0x7B: return 932;
    case 0x4D: case 0x7A: return 936;
    case 0x4E: case 0x79: return 949;
    case 0x4F: case 0x78: return 950;
    case 0x50: case 0x7C: return 874;
    case 0x7D: return 1255;
    case 0x7E: return 1256;
    case 0xC8: return 1250;
    case 0xC9: return 1251;
    case 0xCA: return 1254;
    case 0xCB: return 1253;
    case 0xCC: return 1257;
    default: return 1252;
    }
}

// The eight bytes of a date field from its parts: yyyymmdd.
void putDateDigits(int y, int m, int day, char* out) {
    if (y < 0 || y > 9999 || m < 0 || m > 99 || day < 0 || day > 99) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, day);
        std::memcpy(out, buf, 8);
        return;
    }
    const unsigned v[8] = {static_cast<unsigned>(y) / 1000, static_cast<unsigned>(y) / 100 % 10,
                           static_cast<unsigned>(y) / 10 % 10, static_cast<unsigned>(y) % 10,
                           static_cast<unsigned>(m) / 10, static_cast<unsigned>(m) % 10,
                           static_cast<unsigned>(day) / 10, static_cast<unsigned>(day) % 10};
    for (int i = 0; i < 8; ++i) out[i] = static_cast<char>('0' + v[i]);
}

// The eight bytes of a date field: yyyymmdd, blanks for the empty date.
void putDateText(rt::Date d, char* out) {
    if (d.empty()) {
        std::memset(out, ' ', 8);
        return;
    }
    int y = 0, m = 0, day = 0;
    d.toYMD(y, m, day);
    putDateDigits(y, m, day, out);
}

std::string dateText(rt::Date d) {
    std::string s(8, ' ');
    putDateText(d, s.data());
    return s;
}

rt::Date parseDate(const char* p) {
    int v[8];
    for (int i = 0; i < 8; ++i) {
        if (p[i] < '0' || p[i] > '9') return rt::Date();
        v[i] = p[i] - '0';
    }
    return rt::Date::fromYMD(v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]);
}

// Recodes text between a table's code page and the one the program takes it in. Between two
// single-byte code pages through two byte maps, in place; otherwise (UTF-8, a multi-byte
// page) through the code-page conversion. Characters the other side lacks are counted as they
// are replaced, by a flag per byte of the maps.
struct Recoder {
    bool active = false;
    bool bytewise = false;
    unsigned tableCp = 0, programCp = 0;
    std::array<unsigned char, 256> in{};   // table -> program
    std::array<unsigned char, 256> out{};  // program -> table
    std::array<unsigned char, 256> inLost{}, outLost{};
    uint64_t lost = 0;
    std::string scratch;

    // False, leaving the recoder inactive, when a code page cannot be converted.
    bool setup(unsigned table, unsigned program) {
        active = bytewise = false;
        tableCp = table;
        programCp = program;
        if (table == program) return true;
        if (win::SingleByteMap(table, program, in.data(), inLost.data()) &&
            win::SingleByteMap(program, table, out.data(), outLost.data())) {
            active = bytewise = true;
            return true;
        }
        std::string probe;
        if (!win::ConvertMultiByte(table, program, "a", probe) || !win::ConvertMultiByte(program, table, "a", probe))
            return false;
        active = true;
        return true;
    }
    // The program's character set as the table's ANSI flag has it (rt::IsAnsi): an OEM
    // table's text in ANSI, or an ANSI table's in OEM 850 with ANSI mode off, each from the
    // code page the table names; where both agree the bytes pass, whatever page it names.
    void setupForFlag(bool tableAnsi, unsigned tableCodePage) {
        if (tableAnsi == rt::IsAnsi() || !setup(tableCodePage, tableAnsi ? 850 : 1252)) setup(0, 0);
    }
    // `count`: a character lost here counts (a filter's or key's reading does not).
    void toProgram(std::string& s, bool count = true) {
        if (!active) return;
        if (bytewise) {
            uint64_t n = 0;
            for (char& c : s) {
                const auto b = static_cast<unsigned char>(c);
                c = static_cast<char>(in[b]);
                n += inLost[b];
            }
            if (count) lost += n;
            return;
        }
        if (!win::ConvertMultiByte(tableCp, programCp, s, scratch, count ? &lost : nullptr)) scratch.clear();
        s.swap(scratch);
    }
    // Text into a field of `len` bytes: recoded, then cut or filled with blanks.
    void toField(std::string_view text, char* p, size_t len) {
        if (active)
            toFieldRecoded(text, p, len);
        else
            fill(text, p, len);
    }
    [[gnu::noinline]] void toFieldRecoded(std::string_view text, char* p, size_t len) {
        if (!bytewise) {
            if (!win::ConvertMultiByte(programCp, tableCp, text, scratch, &lost)) scratch.clear();
            fill(scratch, p, len);
            return;
        }
        fill(text, p, len);
        uint64_t lostHere = 0;
        for (size_t i = 0; i < len; ++i) {
            const auto b = static_cast<unsigned char>(p[i]);
            p[i] = static_cast<char>(out[b]);
            lostHere += outLost[b];
        }
        lost += lostHere;
    }
    static void fill(std::string_view text, char* p, size_t len) {
        const size_t n = std::min(text.size(), len);
        if (n > 0) std::memcpy(p, text.data(), n);  // an empty view may hold no address
        std::memset(p + n, ' ', len - n);
    }
    void toTable(std::string& s) {
        if (!active) return;
        if (bytewise) {
            for (char& c : s) {
                const auto b = static_cast<unsigned char>(c);
                c = static_cast<char>(out[b]);
                lost += outLost[b];
            }
            return;
        }
        if (!win::ConvertMultiByte(programCp, tableCp, s, scratch, &lost)) scratch.clear();
        s.swap(scratch);
    }
};

bool isMemoType(char type, bool vfp) {
    return type == 'M' || type == 'G' || type == 'P' || (type == 'B' && !vfp);
}

// What the stores of a record need of its table: the layout of its fields and the recoding of
// its text. The table holds one, and a record builder a copy of it, so that both store a
// value into the same bytes.
struct RecordFormat {
    std::vector<FieldInfo> fields;
    std::vector<uint32_t> offsets;
    std::unordered_map<std::string, int> byName;
    bool vfp = false;
    uint32_t recordLength = 0;
    std::vector<char> blank;  // a new record: blanks, binary fields zero
    Recoder recoder;
    std::string status;

    bool fail(std::string message) {
        status = std::move(message);
        return false;
    }

    // The 0-based index of a field given by number or by name (any case); -1 for none.
    int fieldIndex(const rt::Value& field) const {
        if (field.isNumber()) {
            const double n = field.num();
            if (n >= 1 && n <= static_cast<double>(fields.size()) && n == std::floor(n)) return static_cast<int>(n) - 1;
            return -1;
        }
        if (field.isString()) {
            std::string name = field.str();
            while (!name.empty() && name.back() == ' ') name.pop_back();
            const auto it = byName.find(upperAscii(name));
            return it == byName.end() ? -1 : it->second;
        }
        return -1;
    }

    std::string fieldText(const rt::Value& field) const {
        return field.isString() ? field.str() : std::to_string(static_cast<int64_t>(field.num()));
    }
};

// Validates a structure for a new dBase III table and fills in the fixed lengths.
bool checkStructure(std::vector<FieldInfo>& fields, std::string* error) {
    if (fields.empty()) {
        *error = "a table needs at least one field";
        return false;
    }
    int64_t recordLength = 1;
    std::unordered_map<std::string, int> seen;
    for (FieldInfo& f : fields) {
        f.name = upperAscii(f.name);
        f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(f.type)));
        if (f.name.empty() || f.name.size() > 10 || f.name.find_first_of(std::string(" \0", 2)) != std::string::npos) {
            *error = "the field name \"" + f.name + "\" is not 1 to 10 characters without blanks";
            return false;
        }
        if (!seen.emplace(f.name, 1).second) {
            *error = "the field name " + f.name + " occurs twice";
            return false;
        }
        switch (f.type) {
        case 'C':
            if (f.length < 1 || f.length > kMaxTextLength) {
                *error = "the text field " + f.name + " needs a length of 1 to " + std::to_string(kMaxTextLength);
                return false;
            }
            f.decimals = 0;
            break;
        case 'N':
        case 'F':
            // Every width a table can carry (one byte), as other writers make them: N(24,15),
            // N(5,4) for fractions written without their leading zero.
            if (f.length < 1 || f.length > kMaxNumberLength || f.decimals < 0 ||
                (f.decimals > 0 && f.decimals > f.length - 1)) {
                *error = "the numeric field " + f.name + " needs a length of 1 to " + std::to_string(kMaxNumberLength) +
                         " and room for its decimals";
                return false;
            }
            break;
        case 'D': f.length = 8; f.decimals = 0; break;
        case 'L': f.length = 1; f.decimals = 0; break;
        case 'M': f.length = 10; f.decimals = 0; break;
        default:
            *error = std::string("the field ") + f.name + " has the type \"" + f.type + "\", which a new table cannot hold";
            return false;
        }
        recordLength += f.length;
    }
    if (recordLength > kMaxRecordLength) {
        *error = "the fields are longer than a record can be (" + std::to_string(kMaxRecordLength) + " bytes)";
        return false;
    }
    if (fields.size() > static_cast<size_t>(kMaxFields)) {
        *error = "a table cannot hold more than " + std::to_string(kMaxFields) + " fields";
        return false;
    }
    return true;
}

std::string memoPathFor(const std::string& table, const char* lowerExt) {
    const std::filesystem::path p(table);
    const std::string ext = p.extension().string();
    const bool upper = !ext.empty() && upperAscii(ext) == ext && ext != std::string(ext.size(), '.');
    std::string memoExt = lowerExt;
    if (upper) memoExt = upperAscii(memoExt);
    std::filesystem::path m = p;
    m.replace_extension(memoExt);
    return m.string();
}

std::string findMemoFile(const std::string& table, const char* lowerExt) {
    const std::string first = memoPathFor(table, lowerExt);
    std::error_code ec;
    if (std::filesystem::exists(first, ec)) return first;
    std::filesystem::path m(table);
    const std::string other = first.substr(first.size() - 4) == upperAscii(lowerExt) ? lowerExt : upperAscii(lowerExt);
    m.replace_extension(other);
    if (std::filesystem::exists(m, ec)) return m.string();
    return {};
}

// Handles of one file in this process share their record count, so an append learns of the
// others' appends without asking the disk each time. Handles of one file may be read on
// several threads at once (each handle on one), so the count is atomic and only grows, and
// the registry, touched only when a table is opened, has a lock.
struct SharedCount {
    std::atomic<int64_t> count{0};

    // The larger of `known` and the count here, which it also becomes.
    int64_t merge(int64_t known) {
        int64_t seen = count.load(std::memory_order_relaxed);
        while (seen < known && !count.compare_exchange_weak(seen, known, std::memory_order_relaxed)) {
        }
        return std::max(seen, known);
    }
};

std::shared_ptr<SharedCount> sharedCountFor(int fd) {
    static std::mutex mutex;
    static std::map<std::pair<dev_t, ino_t>, std::weak_ptr<SharedCount>> registry;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::make_shared<SharedCount>();
    const auto key = std::make_pair(st.st_dev, st.st_ino);
    const std::lock_guard<std::mutex> lock(mutex);
    for (auto it = registry.begin(); it != registry.end();) {
        it = it->second.expired() ? registry.erase(it) : std::next(it);
    }
    auto& slot = registry[key];
    std::shared_ptr<SharedCount> shared = slot.lock();
    if (!shared) {
        shared = std::make_shared<SharedCount>();
        slot = shared;
    }
    return shared;
}

// Writes a complete file under a temporary name beside `path`; `rename` moves it into place.
struct TempFile {
    std::string name;
    int fd = -1;
    bool create(const std::string& path, std::string* error) {
        name = path + ".XXXXXX";
        fd = ::mkstemp(name.data());
        if (fd < 0) {
            *error = "cannot create " + path + ": " + io::lastError();
            return false;
        }
        ::fchmod(fd, 0644);
        return true;
    }
    bool finish(std::string* error) {
        const int rc = ::close(fd);
        fd = -1;
        if (rc != 0) {
            *error = "cannot write " + name + ": " + io::lastError();
            return false;
        }
        return true;
    }
    ~TempFile() {
        if (fd >= 0) ::close(fd);
        if (!name.empty()) ::unlink(name.c_str());
    }
    bool moveTo(const std::string& path, std::string* error) {
        if (::rename(name.c_str(), path.c_str()) != 0) {
            *error = "cannot create " + path + ": " + io::lastError();
            return false;
        }
        name.clear();
        return true;
    }
};

// `ldid` is the language-driver byte that names the table's code page.
bool createTable(const std::string& path, std::vector<FieldInfo> fields, uint8_t ldid, std::string* error) {
    if (!checkStructure(fields, error)) return false;
    bool memo = false;
    int recordLength = 1;
    for (const FieldInfo& f : fields) {
        memo = memo || f.type == 'M';
        recordLength += f.length;
    }
    const size_t headerLength = 32 + 32 * fields.size() + 1;
    std::vector<unsigned char> header(headerLength + 1, 0);
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    header[0] = memo ? 0x83 : 0x03;
    header[1] = static_cast<unsigned char>(tm.tm_year % 256);
    header[2] = static_cast<unsigned char>(tm.tm_mon + 1);
    header[3] = static_cast<unsigned char>(tm.tm_mday);
    io::putLe16(&header[8], static_cast<uint16_t>(headerLength));
    io::putLe16(&header[10], static_cast<uint16_t>(recordLength));
    header[29] = ldid;
    for (size_t i = 0; i < fields.size(); ++i) {
        unsigned char* d = &header[32 + 32 * i];
        std::memcpy(d, fields[i].name.data(), fields[i].name.size());
        d[11] = static_cast<unsigned char>(fields[i].type);
        // Text fields longer than 255 bytes keep the length's high byte in the decimals byte.
        d[16] = static_cast<unsigned char>(fields[i].length & 0xFF);
        d[17] = static_cast<unsigned char>(fields[i].type == 'C' ? (fields[i].length >> 8) : fields[i].decimals);
    }
    header[headerLength - 1] = 0x0D;
    header[headerLength] = 0x1A;

    TempFile table;
    if (!table.create(path, error)) return false;
    if (!io::writeAt(table.fd, header.data(), header.size(), 0)) {
        *error = "cannot write " + path + ": " + io::lastError();
        return false;
    }
    if (!table.finish(error)) return false;
    if (memo) {
        const std::string memoPath = memoPathFor(path, ".dbt");
        TempFile m;
        if (!m.create(memoPath, error)) return false;
        if (!m.finish(error) || !MemoFile::create(m.name, error) || !m.moveTo(memoPath, error)) return false;
    }
    return table.moveTo(path, error);
}

// An empty table of the header `header` (the version, the field descriptors of every type,
// the language-driver byte, a Visual FoxPro table's database link: all as they stand), with
// an empty memo file of the kind and block size of `memo` where that is open.
bool copyTableHeader(const std::string& path, std::vector<unsigned char> header, MemoFile& memo, std::string* error) {
    if (header.size() < 32) {
        *error = "the table has no header to copy";
        return false;
    }
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    header[1] = static_cast<unsigned char>(tm.tm_year % 256);
    header[2] = static_cast<unsigned char>(tm.tm_mon + 1);
    header[3] = static_cast<unsigned char>(tm.tm_mday);
    io::putLe32(&header[4], 0);
    header.push_back(0x1A);
    TempFile table;
    if (!table.create(path, error)) return false;
    if (!io::writeAt(table.fd, header.data(), header.size(), 0)) {
        *error = "cannot write " + path + ": " + io::lastError();
        return false;
    }
    if (!table.finish(error)) return false;
    if (memo.isOpen()) {
        const std::string memoPath = memoPathFor(path, memo.kind() == MemoFile::Kind::Fpt ? ".fpt" : ".dbt");
        TempFile m;
        if (!m.create(memoPath, error)) return false;
        if (!m.finish(error) || !MemoFile::create(m.name, memo.kind(), memo.blockSize(), error) ||
            !m.moveTo(memoPath, error))
            return false;
    }
    return table.moveTo(path, error);
}

// Sorts items by their record numbers (all different), in two passes of 16 bits; `scratch`
// is room of the same size.
template <class Item>
void sortByRecord(std::vector<Item>& items, std::vector<Item>& scratch) {
    if (items.size() < 256) {
        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.recno < b.recno; });
        return;
    }
    scratch.resize(items.size());
    std::vector<uint32_t> counts(65537);
    for (const int shift : {0, 16}) {
        std::fill(counts.begin(), counts.end(), 0);
        for (const Item& i : items) ++counts[((i.recno >> shift) & 0xFFFF) + 1];
        for (size_t b = 1; b < counts.size(); ++b) counts[b] += counts[b - 1];
        for (const Item& i : items) scratch[counts[(i.recno >> shift) & 0xFFFF]++] = i;
        items.swap(scratch);
    }
}

}  // namespace

struct DBSERVER::Impl : RecordFormat {
    DBSERVER* owner = nullptr;
    std::string path;
    bool shared = true;
    bool readOnly = true;
    int fd = -1;
    bool used = false;

    uint8_t version = 0;
    bool ansi = true;
    uint8_t ldid = 0;        // the language-driver byte, kept by a copy of the structure
    unsigned codePage = 1252;
    std::string cpgFile, unreadCpg, missingMemo;
    bool lengthsMismatch = false;
    uint32_t headerLength = 0;
    int64_t count = 0;
    int64_t claimed = -1;  // the header's count when the file is shorter
    std::vector<unsigned char> headerBytes;  // as read: a copy of the structure keeps them
    // Bits of the _NullFlags field: per field, the bit telling a varchar holds fewer bytes
    // than its length and the bit telling it is null; -1 for none.
    int nullFlagsField = -1;
    std::vector<int> lengthBit, nullBit;
    MemoFile memo;
    unsigned textCodePage = 0;  // 0: the program's character set by the ANSI flag

    std::vector<char> cache;
    int64_t cacheFirst = 0;
    int64_t cacheCount = 0;
    int64_t lastFetched = -1;
    int64_t chunkRecords = 1;

    std::string pending;
    int64_t pendingFirst = 0;

    std::unique_ptr<char[]> ahead;  // left uninitialised: every byte is written before it is read
    size_t aheadCapacity = 0;
    std::vector<char> aheadBlock;  // one read's bytes, kept from window to window
    struct Wanted {
        uint32_t recno;
        uint32_t place;  // in the window
    };
    std::vector<Wanted> aheadWanted, aheadSorted;
    std::vector<std::pair<size_t, size_t>> aheadReads;
    std::vector<uint32_t> aheadRecnos;
    int64_t aheadFirst = 0;
    int64_t aheadHint = -1;  // the order's place the walk stands on
    int aheadRun = 0;        // forward steps in a row
    size_t aheadWindow = 0;

    std::vector<char> current;
    int64_t recno = 0;
    bool eof = true;
    bool bof = false;
    bool dirty = false;
    int64_t pos = 0;
    bool posKnown = true;

    std::shared_ptr<rt::Expression> filter;
    std::string filterText;
    std::unique_ptr<index::IndexFile> order;

    int suspended = 0;
    std::vector<std::pair<int, Observer>> observers;
    int nextObserver = 1;
    bool modified = false;
    bool writeFailed = false;
    // APPEND leaves the header's record count to the next write of the pending records.
    bool deferCount = false;
    bool countDirty = false;

    // Keeps the reason why the open failed, if that is what left the table closed.
    bool notOpen() {
        if (status.empty()) status = "the table is not open";
        return false;
    }

    int64_t recordOffset(int64_t r) const { return static_cast<int64_t>(headerLength) + (r - 1) * recordLength; }

    void notify(Notify what) {
        if (suspended > 0) return;
        const auto list = observers;
        for (const auto& o : list) o.second(what);
    }

    bool open(const std::string& file, bool sharedMode, bool readOnlyMode, bool memoOptional);
    bool nullFlag(const char* record, int bit) const {
        if (bit < 0 || nullFlagsField < 0) return false;
        const FieldInfo& f = fields[static_cast<size_t>(nullFlagsField)];
        if (bit / 8 >= f.length) return false;
        const auto byte = static_cast<unsigned char>(record[offsets[static_cast<size_t>(nullFlagsField)] + static_cast<size_t>(bit / 8)]);
        return (byte >> (bit % 8)) & 1;
    }
    bool checkMemoPointers();
    void closeFiles();
    // A read-only reader of this table's records for another thread: the layout, the count and
    // the files (duplicate descriptors) as they stand, nothing else shared; its files close
    // with closeFiles(). Null, with the reason in *error, where a file cannot be duplicated.
    std::unique_ptr<Impl> readCopy(std::string* error) const;

    std::shared_ptr<SharedCount> sharedCount;

    // The record count as this process knows it (no system call).
    void syncCount() {
        if (sharedCount) count = sharedCount->merge(count);
    }

    // The record count from the header, where other programs' appends show.
    void refreshCount() {
        syncCount();
        if (!shared || fd < 0) return;
        unsigned char raw[4];
        size_t got = 0;
        if (io::readAt(fd, raw, sizeof raw, 4, &got) && got == sizeof raw) {
            const int64_t n = std::min<int64_t>(io::le32(raw), completeRecords(io::fileSize(fd)));
            if (n > count) count = n;
        }
        syncCount();
    }

    // The records a file of `size` bytes holds whole.
    int64_t completeRecords(int64_t size) const {
        if (recordLength == 0 || size <= static_cast<int64_t>(headerLength)) return 0;
        return (size - static_cast<int64_t>(headerLength)) / static_cast<int64_t>(recordLength);
    }

    const char* fetch(int64_t r) {
        if (r < 1 || r > count) return nullptr;
        if (inPending(r)) return pending.data() + (r - pendingFirst) * recordLength;
        if (const char* gathered = aheadAt(r)) return gathered;
        if (r >= cacheFirst && r < cacheFirst + cacheCount) {
            lastFetched = r;
            return cache.data() + (r - cacheFirst) * recordLength;
        }
        int64_t n = (r == lastFetched + 1 || r == 1) ? chunkRecords : 1;
        n = std::min(n, count - r + 1);
        cache.resize(static_cast<size_t>(n) * recordLength);
        size_t got = 0;
        io::readAt(fd, cache.data(), cache.size(), recordOffset(r), &got);
        int64_t whole = static_cast<int64_t>(got / recordLength);
        if (whole == 0) {
            // Counted by another handle but not yet on disk: a blank record.
            std::memcpy(cache.data(), blank.data(), recordLength);
            whole = 1;
        }
        cacheFirst = r;
        cacheCount = whole;
        lastFetched = r;
        return cache.data();
    }

    void cacheStore(int64_t r, const char* data) {
        if (r >= cacheFirst && r < cacheFirst + cacheCount) {
            std::memcpy(cache.data() + (r - cacheFirst) * recordLength, data, recordLength);
        }
        if (!aheadRecnos.empty()) {
            // Each record stands once in an order: where it is not the one at the walk's
            // place, the gathered records are let go rather than searched.
            if (char* gathered = const_cast<char*>(aheadAt(r)))
                std::memcpy(gathered, data, recordLength);
            else
                dropAhead();
        }
    }

    // A forward walk along an index reads its records in key order, which is no order in the
    // file. Once a walk goes on, the next records of the order are gathered ahead, each
    // window read in file order in a few large reads, the window doubling up to a budget.
    const char* aheadAt(int64_t r) const {
        const int64_t i = aheadHint - aheadFirst;
        if (aheadHint < 0 || i < 0 || i >= static_cast<int64_t>(aheadRecnos.size()) ||
            aheadRecnos[static_cast<size_t>(i)] != r)
            return nullptr;
        return ahead.get() + static_cast<size_t>(i) * recordLength;
    }
    void dropAhead() {
        aheadRecnos.clear();
        aheadWindow = 0;
    }
    void walkTo(int64_t p) {
        if (!order || p >= order->entries()) {
            aheadHint = -1;
            return;
        }
        const bool onward = p == aheadHint + 1;
        aheadHint = p;
        if (p >= aheadFirst && p < aheadFirst + static_cast<int64_t>(aheadRecnos.size())) return;
        if (!onward) {
            aheadRun = 0;
            return;
        }
        if (++aheadRun < 32) return;
        gatherAhead(p);
    }
    void gatherAhead(int64_t p) {
        constexpr size_t kBudget = size_t{16} << 20;
        const size_t most = std::max<size_t>(1, kBudget / recordLength);
        aheadWindow = std::min(most, std::max<size_t>(256, aheadWindow * 2));
        const int64_t end = std::min<int64_t>(order->entries(), p + static_cast<int64_t>(aheadWindow));
        aheadFirst = p;
        aheadRecnos.clear();
        std::vector<Wanted>& wanted = aheadWanted;  // record number, place in the window
        wanted.clear();
        for (int64_t q = p; q < end; ++q) {
            const int64_t r = recordAt(q);
            if (r < 1 || r > count || inPending(r)) break;  // the window ends where the file does
            wanted.push_back({static_cast<uint32_t>(r), static_cast<uint32_t>(q - p)});
            aheadRecnos.push_back(static_cast<uint32_t>(r));
        }
        if (aheadRecnos.size() * recordLength > aheadCapacity) {
            // Grown to the window's size at once: what it held is not needed again.
            aheadCapacity = std::max(aheadRecnos.size(), aheadWindow) * recordLength;
            ahead.reset(new char[aheadCapacity]);
        }
        sortByRecord(wanted, aheadSorted);
        // One read covers the following wanted records while they lie close together.
        std::vector<std::pair<size_t, size_t>>& reads = aheadReads;  // first and last of `wanted`
        reads.clear();
        size_t bytes = 0;
        for (size_t k = 0; k < wanted.size();) {
            constexpr size_t kBlock = size_t{1} << 20, kGap = size_t{64} << 10;
            size_t last = k;
            while (last + 1 < wanted.size() &&
                   (wanted[last + 1].recno - wanted[k].recno + 1) * size_t{recordLength} <= kBlock &&
                   (wanted[last + 1].recno - wanted[last].recno) * size_t{recordLength} <= kGap)
                ++last;
            reads.emplace_back(k, last);
            bytes += (wanted[last].recno - wanted[k].recno + 1) * size_t{recordLength};
            k = last + 1;
        }
        // The reads of a large window are shared out among threads, each a stretch of them.
        constexpr size_t kBytesPerThread = size_t{4} << 20;
        const size_t threads = std::clamp<size_t>(bytes / kBytesPerThread, 1, std::min<size_t>(gIndexThreads.load(), reads.size()));
        auto gather = [this, &wanted, &reads](size_t from, size_t to, std::vector<char>& block) {
            for (size_t i = from; i < to; ++i) {
                const auto [k, last] = reads[i];
                const int64_t first = wanted[k].recno;
                const size_t span = (wanted[last].recno - wanted[k].recno + 1) * size_t{recordLength};
                block.resize(span);
                size_t got = 0;
                io::readAt(fd, block.data(), span, recordOffset(first), &got);
                for (size_t j = k; j <= last; ++j) {
                    const size_t at = (wanted[j].recno - first) * size_t{recordLength};
                    // Counted by another handle but not yet on disk: a blank record.
                    const char* from = at + recordLength <= got ? block.data() + at : blank.data();
                    std::memcpy(ahead.get() + size_t{wanted[j].place} * recordLength, from, recordLength);
                }
            }
        };
        if (threads <= 1) {
            gather(0, reads.size(), aheadBlock);
            return;
        }
        std::vector<std::thread> helpers;
        std::vector<std::vector<char>> blocks(threads - 1);
        for (size_t t = 1; t < threads; ++t)
            helpers.emplace_back(gather, reads.size() * t / threads, reads.size() * (t + 1) / threads,
                                 std::ref(blocks[t - 1]));
        gather(0, reads.size() / threads, aheadBlock);
        for (std::thread& h : helpers) h.join();
    }

    void dropCache() {
        dropAhead();
        cacheCount = 0;
        lastFetched = -1;
    }

    // Appended records wait in `pending` (they lie at the end of the file, from pendingFirst
    // on) and go out in one write when it is full or the table is read or moved.
    bool inPending(int64_t r) const {
        return !pending.empty() && r >= pendingFirst && r < pendingFirst + static_cast<int64_t>(pending.size() / recordLength);
    }

    bool storeCurrent() {
        if (!dirty) return true;
        dirty = false;
        if (inPending(recno)) {
            std::memcpy(pending.data() + (recno - pendingFirst) * recordLength, current.data(), recordLength);
            return true;
        }
        if (!io::writeAt(fd, current.data(), recordLength, recordOffset(recno))) {
            writeFailed = true;
            return fail("cannot write record " + std::to_string(recno) + " of " + path + ": " + io::lastError());
        }
        cacheStore(recno, current.data());
        return true;
    }

    bool flushPending() {
        if (pending.empty()) return true;
        const int64_t first = pendingFirst;
        const int64_t n = static_cast<int64_t>(pending.size() / recordLength);
        // The end mark only when no other handle has appended behind these records.
        refreshCount();
        if (first + n - 1 == count) pending.push_back('\x1A');
        bool ok = io::writeAt(fd, pending.data(), pending.size(), recordOffset(first));
        if (ok && countDirty) {
            unsigned char raw[4];
            io::putLe32(raw, static_cast<uint32_t>(count));
            ok = io::writeAt(fd, raw, sizeof raw, 4);
            countDirty = !ok;
        }
        pending.clear();
        // Records read while they were pending may sit in the cache as blanks.
        if (cacheCount > 0 && cacheFirst < first + n && first < cacheFirst + cacheCount) dropCache();
        if (!ok) {
            writeFailed = true;
            return fail("cannot append to " + path + ": " + io::lastError());
        }
        return true;
    }

    bool flush() {
        const bool stored = storeCurrent();
        return flushPending() && stored;
    }

    int64_t sequenceLength() const {
        if (!order) return count;
        return order->entries() + std::max<int64_t>(0, count - order->builtFor());
    }
    int64_t recordAt(int64_t p) {
        if (!order) return p + 1;
        if (p < order->entries()) return order->recnoAt(p);
        return order->builtFor() + (p - order->entries()) + 1;
    }
    int64_t positionOf(int64_t r) {
        if (!order) return r - 1;
        if (r > order->builtFor()) return order->entries() + (r - order->builtFor() - 1);
        const int64_t slot = order->slotOf(static_cast<uint32_t>(r));
        return slot < 0 ? sequenceLength() : slot;
    }

    // `count`: text the recoder could not hold counts as lost (a filter's or key's reading of
    // a record does not). `key`: the text as index keys take it.
    rt::Value decode(int index, const char* record, bool count = true, bool key = false);
    // Stores `bytes` as a new memo (of FoxPro kind `fptType`) and points memo field `index`
    // of the current record at it: ten digits, or four bytes in a Visual FoxPro table.
    bool putMemo(int index, const std::string& bytes, uint32_t fptType);
    // Tells the observers that a field of the current record changed.
    void fieldPut();
    bool passes(const char* record, int64_t r);
    // Whether `other` is a table of the very same header (a copy of this one's structure, or
    // this one of its): its records go over as their bytes, memos beside.
    bool sameHeader(const Impl& other) const {
        if (headerBytes.size() != other.headerBytes.size() || headerBytes.size() < 32 || codePage != other.codePage ||
            memo.isOpen() != other.memo.isOpen() || (memo.isOpen() && memo.kind() != other.memo.kind()))
            return false;
        // Beyond the date and the record count, byte for byte.
        return std::equal(headerBytes.begin(), headerBytes.begin() + 1, other.headerBytes.begin()) &&
               std::equal(headerBytes.begin() + 8, headerBytes.end(), other.headerBytes.begin() + 8);
    }
    // The memo block field `index` of `record` points at (0 for none).
    uint64_t memoBlock(size_t index, const char* record) const {
        const char* p = record + offsets[index];
        const size_t len = static_cast<size_t>(fields[index].length);
        if (len == 4) return io::le32(reinterpret_cast<const unsigned char*>(p));
        uint64_t block = 0;
        for (size_t k = 0; k < len; ++k)
            if (p[k] >= '0' && p[k] <= '9') block = block * 10 + static_cast<uint64_t>(p[k] - '0');
        return block;
    }

    bool visible(int64_t r) {
        const char* rec = fetch(r);
        if (!rec) return false;
        if (rt::IsDeleted() && rec[0] == '*') return false;
        if (filter) return passes(rec, r);
        return true;
    }

    void setCurrent(int64_t r) {
        const char* rec = fetch(r);
        current.assign(rec ? rec : blank.data(), (rec ? rec : blank.data()) + recordLength);
        recno = r;
        eof = false;
    }

    void toEof() {
        eof = true;
        recno = count + 1;
        pos = sequenceLength();
        posKnown = true;
        current = blank;
    }

    bool seekForward(int64_t p) {
        for (int64_t n = sequenceLength();; n = sequenceLength()) {
            for (; p < n; ++p) {
                const int64_t r = recordAt(p);
                walkTo(p);
                if (visible(r)) {
                    pos = p;
                    posKnown = true;
                    setCurrent(r);
                    return true;
                }
            }
            // Another handle may have appended meanwhile.
            const int64_t before = count;
            refreshCount();
            if (count == before) break;
        }
        toEof();
        return false;
    }

    bool seekBackward(int64_t p) {
        for (; p >= 0; --p) {
            const int64_t r = recordAt(p);
            if (visible(r)) {
                pos = p;
                posKnown = true;
                setCurrent(r);
                return true;
            }
        }
        return false;
    }

    void ensurePosition() {
        if (!posKnown) {
            pos = eof ? sequenceLength() : positionOf(recno);
            posKnown = true;
        }
    }

    // A filter or key names a few fields, once per record: the last names looked up are kept
    // (a table's fields never change while it is open).
    int fieldOfName(const std::string& upperName) {
        for (const auto& [name, index] : nameCache)
            if (name == upperName) return index;
        const auto it = byName.find(upperName);
        const int index = it == byName.end() ? -1 : it->second;
        nameCache[nameCacheNext++ % nameCache.size()] = {upperName, index};
        return index;
    }
    std::array<std::pair<std::string, int>, 4> nameCache{{{"", -1}, {"", -1}, {"", -1}, {"", -1}}};
    size_t nameCacheNext = 0;

    // The hooks of the shared stores (see `stores` below).
    char* storeRecord() { return used && !readOnly && !eof ? current.data() : nullptr; }
    bool refuse() {
        if (!used) return notOpen();
        if (readOnly) return fail("the table " + path + " is open read-only");
        return fail("there is no current record");
    }
    void changed() {
        dirty = true;
        modified = true;
    }
    bool putMemoText(int index, std::string text) {
        recoder.toTable(text);
        return putMemo(index, text, 1);
    }
};

namespace {

struct RecordScope final : rt::NameScope {
    DBSERVER::Impl* table = nullptr;
    const char* record = nullptr;
    int64_t recno = 0;
    bool key = false;
    bool lookup(const std::string& upperName, rt::Value& out) const override {
        const int i = table->fieldOfName(upperName);
        if (i < 0) return false;
        out = table->decode(i, record, false, key);
        return true;
    }
    bool callFunction(const std::string& upperName, const std::vector<rt::Value>& args, rt::Value& out) const override {
        if (!args.empty()) return false;
        if (upperName == "DELETED") {
            out = rt::Value(record[0] == '*');
            return true;
        }
        if (upperName == "RECNO") {
            out = rt::Value(static_cast<double>(recno));
            return true;
        }
        return false;
    }
};

rt::Value evalIn(const rt::Expression& expr, DBSERVER::Impl* table, const char* record, int64_t recno,
                 bool key = false) {
    RecordScope scope;
    scope.table = table;
    scope.record = record;
    scope.recno = recno;
    scope.key = key;
    try {
        return expr.eval(scope);
    } catch (const rt::RuntimeError& e) {
        return rt::Value(e.error);
    } catch (const std::exception& e) {
        return rt::Value(rt::Error{e.what(), "", 0});
    } catch (...) {
        return rt::Value(rt::Error{"runtime error", "", 0});
    }
}

}  // namespace

bool DBSERVER::Impl::passes(const char* record, int64_t r) {
    const rt::Value v = evalIn(*filter, this, record, r);
    return v.isLogical() && v.log();
}

rt::Value DBSERVER::Impl::decode(int index, const char* record, bool count, bool key) {
    const FieldInfo& f = fields[static_cast<size_t>(index)];
    const char* p = record + offsets[static_cast<size_t>(index)];
    const size_t len = static_cast<size_t>(f.length);
    switch (f.type) {
    case 'C':
    case 'V': {
        size_t used = len;
        if (f.type == 'V') {
            // A varchar shorter than its field counts its bytes in the field's last byte.
            if (nullFlag(record, nullBit[static_cast<size_t>(index)]))
                used = 0;
            else if (len > 0 && nullFlag(record, lengthBit[static_cast<size_t>(index)]))
                used = std::min<size_t>(static_cast<unsigned char>(p[len - 1]), len - 1);
        }
        std::string s(p, used);
        // Index keys take the table's own text, ordered as its code page's letters are: a
        // Cyrillic or Polish table keeps the order of letters the program's character set lacks.
        if (!key) recoder.toProgram(s, count);
        return rt::Value(std::move(s));
    }
    case 'N':
    case 'F':
        return rt::Value(db::ParseNumberField(p, len));
    case 'D':
        return len >= 8 ? rt::Value(parseDate(p)) : rt::Value(rt::Date());
    case 'L':
        return rt::Value(*p == 'T' || *p == 't' || *p == 'Y' || *p == 'y');
    case 'I':
        if (len == 4) return rt::Value(static_cast<double>(static_cast<int32_t>(io::le32(reinterpret_cast<const unsigned char*>(p)))));
        break;
    case 'Y':
        if (len == 8) {
            const auto raw = static_cast<int64_t>(io::le64(reinterpret_cast<const unsigned char*>(p)));
            return rt::Value(static_cast<double>(raw) / 10000.0);
        }
        break;
    case 'T':
        if (len == 8) {
            const auto* u = reinterpret_cast<const unsigned char*>(p);
            int64_t day = static_cast<int32_t>(io::le32(u));
            // Milliseconds since midnight; a count of a day or more carries into the date.
            int64_t ms = io::le32(u + 4);
            if (day <= 0) return rt::Value(std::string());
            day += ms / 86400000;
            ms %= 86400000;
            int y = 0, m = 0, d = 0;
            rt::Date::fromJulian(day).toYMD(y, m, d);
            char buf[48];
            int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, m, d, static_cast<int>(ms / 3600000),
                                  static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60));
            if (ms % 1000 != 0) n += std::snprintf(buf + n, sizeof buf - static_cast<size_t>(n), ".%03d", static_cast<int>(ms % 1000));
            return rt::Value(std::string(buf, static_cast<size_t>(n)));
        }
        break;
    default:
        break;
    }
    if (f.type == 'B' && vfp && len == 8) {
        double v = 0;
        unsigned char raw[8];
        io::putLe64(raw, io::le64(reinterpret_cast<const unsigned char*>(p)));
        std::memcpy(&v, raw, sizeof v);
        return rt::Value(v);
    }
    if (isMemoType(f.type, vfp)) {
        const uint64_t block = memoBlock(static_cast<size_t>(index), record);
        std::string text;
        std::string error;
        if (memo.isOpen() && !memo.read(block, text, &error)) status = error;
        if (f.type == 'M' && !key) recoder.toProgram(text, count);
        return rt::Value(std::move(text));
    }
    return rt::Value(std::string(p, len));
}

// The stores of a record, written once for the table and for a record builder, so that both
// make the same bytes. A host derives from RecordFormat and gives:
//   char* storeRecord()   the record a store goes into; null where none may be written
//   bool refuse()         false, with the reason why none may be written
//   void changed()        the record has a field changed (marked as the store is made)
//   void fieldPut()       a field of the record has been stored
//   bool putMemoText(int index, std::string text)   a memo field's text
namespace {
namespace stores {

int significantDigits(std::string_view t) {
    int digits = 0;
    for (char c : t)
        if ((c >= '1' && c <= '9') || (c == '0' && digits > 0)) ++digits;
    return digits;
}

template <class Host>
bool encode(Host& h, char* record, int index, const rt::Value& value) {
    const FieldInfo& f = h.fields[static_cast<size_t>(index)];
    char* p = record + h.offsets[static_cast<size_t>(index)];
    const size_t len = static_cast<size_t>(f.length);
    const bool vfp = h.vfp;
    auto typeError = [&]() {
        return h.fail(std::string("a value of type ") + value.valType() + " does not go into the field " + f.name +
                      " of type " + f.type);
    };
    if (value.isNil() && f.type != 'I' && f.type != 'Y' && f.type != 'T' && !(f.type == 'B' && vfp)) {
        std::memset(p, ' ', len);
        return true;
    }
    switch (f.type) {
    case 'C': {
        if (!value.isString()) return typeError();
        // Straight into the record: this runs for every text field of every record.
        h.recoder.toField(value.str(), p, len);
        return true;
    }
    case 'N':
    case 'F': {
        if (!value.isNumber()) return typeError();
        db::FormatNumberField(value.num(), f.length, f.decimals, p);
        return true;
    }
    case 'D': {
        if (!value.isDate() || len != 8) return typeError();
        putDateText(value.date(), p);
        return true;
    }
    case 'L':
        if (!value.isLogical()) return typeError();
        *p = value.log() ? 'T' : 'F';
        return true;
    case 'I': {
        if (!value.isNumber() || len != 4) return typeError();
        const double r = std::round(value.num());
        if (!(r >= -2147483648.0 && r <= 2147483647.0)) return h.fail("the number does not fit the field " + f.name);
        io::putLe32(reinterpret_cast<unsigned char*>(p), static_cast<uint32_t>(static_cast<int32_t>(r)));
        return true;
    }
    case 'Y': {
        if (!value.isNumber() || len != 8) return typeError();
        const double r = std::round(value.num() * 10000.0);
        if (!(r >= -9.2e18 && r <= 9.2e18)) return h.fail("the number does not fit the field " + f.name);
        io::putLe64(reinterpret_cast<unsigned char*>(p), static_cast<uint64_t>(static_cast<int64_t>(r)));
        return true;
    }
    default:
        break;
    }
    if (f.type == 'B' && vfp && len == 8) {
        if (!value.isNumber()) return typeError();
        const double v = value.num();
        uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        io::putLe64(reinterpret_cast<unsigned char*>(p), bits);
        return true;
    }
    if (f.type == 'M' && (len == 10 || len == 4)) {
        if (!value.isString()) return typeError();
        return h.putMemoText(index, value.str());
    }
    return h.fail(std::string("fields of type ") + f.type + " cannot be written");
}

template <class Host>
bool putValue(Host& h, const rt::Value& field, const rt::Value& value) {
    char* record = h.storeRecord();
    if (!record) return h.refuse();
    const int i = h.fieldIndex(field);
    if (i < 0) return h.fail("the table has no field " + h.fieldText(field));
    if (!encode(h, record, i, value)) return false;
    h.changed();
    h.fieldPut();
    return true;
}

template <class Host>
bool putValue(Host& h, int number, const rt::Value& value) {
    char* record = h.storeRecord();
    if (!record || number < 1 || number > static_cast<int>(h.fields.size()))
        return putValue(h, rt::Value(number), value);  // says why it cannot
    if (!encode(h, record, number - 1, value)) return false;
    h.changed();
    h.fieldPut();
    return true;
}

// The bytes of field `number` for a typed store of `type`, the record marked changed; null
// where the store must go the general way.
template <class Host>
char* typedField(Host& h, int number, char type) {
    char* record = h.storeRecord();
    if (!record || number < 1 || number > static_cast<int>(h.fields.size())) return nullptr;
    const size_t i = static_cast<size_t>(number - 1);
    if (h.fields[i].type != type && !(type == 'N' && h.fields[i].type == 'F')) return nullptr;
    if (type == 'D' && h.fields[i].length != 8) return nullptr;
    h.changed();
    return record + h.offsets[i];
}

template <class Host>
bool putString(Host& h, int number, std::string_view text) {
    char* p = typedField(h, number, 'C');
    if (!p) return putValue(h, rt::Value(number), rt::Value(text));
    h.recoder.toField(text, p, static_cast<size_t>(h.fields[static_cast<size_t>(number - 1)].length));
    h.fieldPut();
    return true;
}

template <class Host>
bool putNumber(Host& h, int number, double value) {
    char* p = typedField(h, number, 'N');
    if (!p) return putValue(h, rt::Value(number), rt::Value(value));
    const FieldInfo& f = h.fields[static_cast<size_t>(number - 1)];
    db::FormatNumberField(value, f.length, f.decimals, p);
    h.fieldPut();
    return true;
}

template <class Host>
bool putDate(Host& h, int number, rt::Date date) {
    char* p = typedField(h, number, 'D');
    if (!p) return putValue(h, rt::Value(number), rt::Value(date));
    putDateText(date, p);
    h.fieldPut();
    return true;
}

template <class Host>
bool putDate(Host& h, int number, int year, int month, int day) {
    char* p = rt::Date::valid(year, month, day) ? typedField(h, number, 'D') : nullptr;
    if (!p) return putDate(h, number, rt::Date::fromYMD(year, month, day));
    putDateDigits(year, month, day, p);
    h.fieldPut();
    return true;
}

template <class Host>
bool putLogical(Host& h, int number, bool value) {
    char* p = typedField(h, number, 'L');
    if (!p) return putValue(h, rt::Value(number), rt::Value(value));
    *p = value ? 'T' : 'F';
    h.fieldPut();
    return true;
}

template <class Host>
bool putBytes(Host& h, int number, std::string_view bytes) {
    if (!h.storeRecord() || number < 1 || number > static_cast<int>(h.fields.size()))
        return putValue(h, rt::Value(number), rt::Value(bytes));  // says why it cannot
    const FieldInfo& f = h.fields[static_cast<size_t>(number - 1)];
    char* p = static_cast<size_t>(f.length) == bytes.size() &&
                      (f.type == 'C' || f.type == 'N' || f.type == 'F' || f.type == 'D' || f.type == 'L')
                  ? typedField(h, number, f.type)
                  : nullptr;
    if (!p) return h.fail("the bytes do not fit the field " + f.name);
    std::memcpy(p, bytes.data(), bytes.size());
    h.fieldPut();
    return true;
}

template <class Host>
bool putNumberText(Host& h, int number, std::string_view text) {
    char* record = h.storeRecord();
    if (!record) return h.refuse();
    if (number < 1 || number > static_cast<int>(h.fields.size()))
        return h.fail("the table has no field " + std::to_string(number));
    const size_t i = static_cast<size_t>(number - 1);
    const FieldInfo& f = h.fields[i];
    if ((f.type != 'N' && f.type != 'F') || !db::IsNumberText(text))
        return h.fail("the text \"" + std::string(text) + "\" is no number for the field " + f.name);
    char* p = record + h.offsets[i];
    const size_t len = static_cast<size_t>(f.length);
    const size_t point = text.find('.');
    const int decimals = point == std::string_view::npos ? 0 : static_cast<int>(text.size() - point - 1);
    bool asItStands = text.size() <= len && decimals == f.decimals && (decimals > 0 || point == std::string_view::npos);
    if (!asItStands) {
        db::FormatNumberField(db::ParseNumberField(text.data(), text.size()), f.length, f.decimals, p);
        // Where the field's form would drop digits the text has (more decimals than the field
        // declares, more than a double keeps) or does not fit (".1234" in N(5,4), "12345678"
        // in N(8,2), as other writers store them), the text goes in as it stands if it fits:
        // it reads back as the same number.
        asItStands = text.size() <= len && (decimals > f.decimals || significantDigits(text) > 15 || p[0] == '*');
    }
    if (asItStands) {
        std::memset(p, ' ', len - text.size());
        std::memcpy(p + len - text.size(), text.data(), text.size());
    }
    h.changed();
    h.fieldPut();
    return true;
}

}  // namespace stores
}  // namespace

bool DBSERVER::Impl::putMemo(int index, const std::string& bytes, uint32_t fptType) {
    const FieldInfo& f = fields[static_cast<size_t>(index)];
    char* p = current.data() + offsets[static_cast<size_t>(index)];
    const size_t len = static_cast<size_t>(f.length);
    if (!memo.isOpen()) return fail("the table has no memo file");
    uint64_t block = 0;
    std::string error;
    if (!memo.write(bytes, &block, &error, fptType)) {
        writeFailed = writeFailed || error.find("cannot") == 0;
        return fail(error);
    }
    if (len == 4) {
        io::putLe32(reinterpret_cast<unsigned char*>(p), static_cast<uint32_t>(block));
        return true;
    }
    std::memset(p, ' ', len);
    if (block != 0) {
        const std::string digits = std::to_string(block);
        if (digits.size() > len) return fail("the memo block " + digits + " does not fit the field " + f.name);
        std::memcpy(p + len - digits.size(), digits.data(), digits.size());
    }
    return true;
}

bool DBSERVER::Impl::open(const std::string& file, bool sharedMode, bool readOnlyMode, bool memoOptional) {
    path = tablePath(file);
    shared = sharedMode;
    readOnly = readOnlyMode;
    fd = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd < 0) return fail("cannot open the table " + path + ": " + io::lastError());
    if (::flock(fd, (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        closeFiles();
        return fail("the table " + path + " is in use");
    }
    const int64_t size = io::fileSize(fd);
    unsigned char head[32];
    size_t got = 0;
    if (size < 32 || !io::readAt(fd, head, sizeof head, 0, &got) || got != sizeof head) {
        closeFiles();
        return fail("the header of " + path + " is truncated");
    }
    version = head[0];
    vfp = isVfp(version);
    if (version == 0x04 || version == 0x8C) {
        closeFiles();
        return fail(path + " is a dBase 7 table, which is not supported");
    }
    count = io::le32(head + 4);
    headerLength = io::le16(head + 8);
    recordLength = io::le16(head + 10);
    ldid = head[29];
    codePage = tableCodePage(ldid);
    if (ldid == 0) {
        // A table that names no code page in its header may name it in a file beside it.
        if (const std::string cpg = CpgFileFor(path); !cpg.empty()) {
            std::string text;
            std::error_code ec;
            const auto size = std::filesystem::file_size(cpg, ec);
            if (!ec && size <= 256) {
                text.resize(static_cast<size_t>(size));
                if (FILE* f = std::fopen(cpg.c_str(), "rb")) {
                    text.resize(std::fread(text.data(), 1, text.size(), f));
                    std::fclose(f);
                } else {
                    text.clear();
                }
            }
            if (const unsigned cp = CodePageOfCpg(text)) {
                codePage = cp;
                cpgFile = cpg;
            } else {
                unreadCpg = cpg;
            }
        }
    }
    ansi = !isOemCodePage(codePage);
    if (headerLength < 33 || headerLength > size) {
        closeFiles();
        return fail("the header length " + std::to_string(headerLength) + " of " + path + " does not fit the file of " +
                    std::to_string(size) + " bytes");
    }
    std::vector<unsigned char> header(headerLength);
    if (!io::readAt(fd, header.data(), header.size(), 0, &got) || got != header.size()) {
        closeFiles();
        return fail("cannot read the header of " + path);
    }
    // Each field's length byte and decimals byte; a text field's length comes from both or from
    // the first alone, whichever adds up to the record length.
    std::vector<std::pair<int, int>> sizes;
    std::vector<uint8_t> flags;
    for (size_t p = 32;; p += 32) {
        if (p >= headerLength) {
            closeFiles();
            return fail("the field descriptors of " + path + " have no terminator");
        }
        if (header[p] == 0x0D) break;
        if (p + 32 > headerLength) {
            closeFiles();
            return fail("the field descriptors of " + path + " have no terminator");
        }
        FieldInfo f;
        const char* name = reinterpret_cast<const char*>(&header[p]);
        f.name.assign(name, strnlen(name, 11));
        while (!f.name.empty() && f.name.back() == ' ') f.name.pop_back();
        f.name = upperAscii(f.name);
        f.type = static_cast<char>(std::toupper(header[p + 11]));
        sizes.emplace_back(header[p + 16], header[p + 17]);
        flags.push_back(header[p + 18]);
        if (header[p + 16] == 0 && !(f.type == 'C' && header[p + 17] > 0)) {
            closeFiles();
            return fail("the field " + f.name + " of " + path + " has the length 0");
        }
        fields.push_back(std::move(f));
    }
    int64_t lowSum = 1, highSum = 1;
    bool longText = false;
    for (size_t i = 0; i < fields.size(); ++i) {
        lowSum += sizes[i].first;
        highSum += sizes[i].first + (fields[i].type == 'C' ? 256 * sizes[i].second : 0);
        longText = longText || (fields[i].type == 'C' && sizes[i].second > 0);
    }
    const bool high = longText && highSum == recordLength;
    if (longText && !high && lowSum != recordLength) {
        closeFiles();
        lengthsMismatch = true;
        return fail("the field lengths of " + path + " add up to " + std::to_string(lowSum) + " or " +
                    std::to_string(highSum) + " bytes, not to its record length of " + std::to_string(recordLength));
    }
    uint32_t offset = 1;
    int bit = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        FieldInfo& f = fields[i];
        f.length = sizes[i].first;
        f.decimals = sizes[i].second;
        if (f.type == 'C') {
            if (high) f.length += 256 * f.decimals;
            f.decimals = 0;
        }
        if (f.length == 0) {
            closeFiles();
            return fail("the field " + f.name + " of " + path + " has the length 0");
        }
        offsets.push_back(offset);
        offset += static_cast<uint32_t>(f.length);
        byName.emplace(f.name, static_cast<int>(i));
        // Visual FoxPro numbers the _NullFlags bits in field order: a varchar's length bit,
        // then the null bit of a field that may be null.
        if (f.type == '0' && nullFlagsField < 0) nullFlagsField = static_cast<int>(i);
        const bool varying = vfp && (f.type == 'V' || f.type == 'Q');
        lengthBit.push_back(varying && f.type != '0' ? bit++ : -1);
        nullBit.push_back(vfp && f.type != '0' && (flags[i] & 0x02) ? bit++ : -1);
    }
    headerBytes = std::move(header);
    if (recordLength == 0 || recordLength < offset) {
        closeFiles();
        return fail("the record length " + std::to_string(recordLength) + " of " + path +
                    " is shorter than its fields (" + std::to_string(offset) + " bytes)");
    }
    // A cut last record or a count one too high is common damage: the complete records are
    // still worth reading, and the caller learns how many the header claimed.
    claimed = -1;
    if (const int64_t whole = completeRecords(size); count > whole) {
        claimed = count;
        count = whole;
    }

    bool memoFields = false;
    for (const FieldInfo& f : fields) memoFields = memoFields || isMemoType(f.type, vfp);
    if (memoFields) {
        const bool fox = vfp || version == 0xF5 || version == 0xFB;
        std::string memoPath = findMemoFile(path, fox ? ".fpt" : ".dbt");
        MemoFile::Kind kind = fox ? MemoFile::Kind::Fpt : (version == 0x8B || version == 0x8E) ? MemoFile::Kind::Dbt4
                                                                                             : MemoFile::Kind::Dbt3;
        if (memoPath.empty() && !fox) {
            memoPath = findMemoFile(path, ".fpt");
            kind = MemoFile::Kind::Fpt;
        }
        std::string error;
        if (memoPath.empty() && memoOptional) {
            missingMemo = memoPathFor(path, fox ? ".fpt" : ".dbt");
        } else if (memoPath.empty()) {
            closeFiles();
            return fail("the memo file " + memoPathFor(path, fox ? ".fpt" : ".dbt") + " of " + path + " is missing");
        } else if (!memo.open(memoPath, kind, readOnly, &error)) {
            closeFiles();
            return fail(error);
        }
    }

    blank.assign(recordLength, ' ');
    for (size_t i = 0; i < fields.size(); ++i) {
        const FieldInfo& f = fields[i];
        const bool binary = f.type == 'I' || f.type == 'Y' || f.type == 'T' || f.type == '0' || (f.type == 'B' && vfp) ||
                            (isMemoType(f.type, vfp) && f.length == 4);
        if (binary) std::memset(blank.data() + offsets[i], 0, static_cast<size_t>(f.length));
    }
    chunkRecords = std::max<int64_t>(1, static_cast<int64_t>(kReadAhead / recordLength));
    recoder.setupForFlag(ansi, codePage);
    textCodePage = 0;
    if (memo.isOpen() && !checkMemoPointers()) {
        closeFiles();
        return false;
    }
    sharedCount = sharedCountFor(fd);
    syncCount();
    used = true;
    status.clear();
    return true;
}

bool DBSERVER::Impl::checkMemoPointers() {
    for (int64_t r = 1; r <= count; ++r) {
        const char* rec = fetch(r);
        if (!rec) continue;
        for (size_t i = 0; i < fields.size(); ++i) {
            const FieldInfo& f = fields[i];
            if (!isMemoType(f.type, vfp)) continue;
            const uint64_t block = memoBlock(i, rec);
            if (!memo.blockInside(block)) {
                return fail("record " + std::to_string(r) + " of " + path + ": memo block " + std::to_string(block) +
                            " lies beyond the memo file");
            }
        }
    }
    dropCache();
    return true;
}

std::unique_ptr<DBSERVER::Impl> DBSERVER::Impl::readCopy(std::string* error) const {
    auto r = std::make_unique<Impl>();
    static_cast<RecordFormat&>(*r) = *this;
    r->status.clear();
    r->path = path;
    r->version = version;
    r->ansi = ansi;
    r->ldid = ldid;
    r->codePage = codePage;
    r->headerLength = headerLength;
    r->count = count;
    r->nullFlagsField = nullFlagsField;
    r->lengthBit = lengthBit;
    r->nullBit = nullBit;
    r->textCodePage = textCodePage;
    r->chunkRecords = chunkRecords;
    r->readOnly = true;
    r->fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (r->fd < 0) {
        *error = "cannot open " + path + " once more: " + io::lastError();
        return nullptr;
    }
    if (memo.isOpen() && !r->memo.openReadCopy(memo, error)) {
        r->closeFiles();
        return nullptr;
    }
    r->used = true;
    return r;
}

void DBSERVER::Impl::closeFiles() {
    sharedCount.reset();
    memo.close();
    order.reset();
    if (fd >= 0) ::close(fd);
    fd = -1;
    used = false;
}

// ---------------------------------------------------------------------------------------------

bool DBCREATE(const std::string& file, const rt::Value& structure, const std::string&, const std::string&,
              std::string* error) {
    std::string dummy;
    if (!error) error = &dummy;
    if (!structure.isArray()) {
        *error = "the structure is not an array";
        return false;
    }
    std::vector<FieldInfo> fields;
    for (size_t i = 1; i <= structure.len(); ++i) {
        const rt::Value e = structure.at(i);
        if (!e.isArray() || e.len() < 4 || !e.at(1).isString() || !e.at(2).isString() || e.at(2).str().empty() ||
            !e.at(3).isNumber() || !e.at(4).isNumber()) {
            *error = "entry " + std::to_string(i) + " of the structure is not {name, type, length, decimals}";
            return false;
        }
        FieldInfo f;
        f.name = e.at(1).str();
        f.type = e.at(2).str()[0];
        const double len = e.at(3).num(), dec = e.at(4).num();
        f.length = len >= 0 && len <= 1e6 ? static_cast<int>(len) : -1;
        f.decimals = dec >= 0 && dec <= 1e6 ? static_cast<int>(dec) : -1;
        fields.push_back(std::move(f));
    }
    return createTable(tablePath(file), std::move(fields), rt::IsAnsi() ? 0x03 : 0x02, error);
}

bool DBCREATE(const std::string& file, const std::vector<FieldInfo>& fields, std::string* error) {
    return DBCREATE(file, fields, 0, error);
}

bool DBCREATE(const std::string& file, const std::vector<FieldInfo>& fields, uint8_t languageDriver,
              std::string* error) {
    std::string dummy;
    if (languageDriver == 0) languageDriver = rt::IsAnsi() ? 0x03 : 0x02;
    return createTable(tablePath(file), fields, languageDriver, error ? error : &dummy);
}

void SetIndexMemoryBudget(size_t bytes) { gIndexBudget = std::max<size_t>(bytes, 1024); }
size_t IndexMemoryBudget() { return gIndexBudget; }
void SetIndexThreads(unsigned threads) { gIndexThreads = std::max(threads, 1u); }
unsigned IndexThreads() { return gIndexThreads; }

DBSERVER::DBSERVER(const std::string& file, bool shared, bool readOnly, const std::string&, bool memoOptional)
    : d(std::make_unique<Impl>()) {
    d->owner = this;
    if (d->open(file, shared, readOnly, memoOptional)) GOTOP();
}

DBSERVER::~DBSERVER() {
    if (d->used) CLOSE();
}

bool DBSERVER::USED() const { return d->used; }
std::string DBSERVER::Status() const { return d->status; }

rt::Value DBSERVER::DBSTRUCT() const {
    rt::Array out;
    for (const FieldInfo& f : d->fields) {
        out.push_back(rt::Value::array({rt::Value(f.name), rt::Value(std::string(1, f.type)), rt::Value(f.length),
                                        rt::Value(f.decimals)}));
    }
    return rt::Value::array(std::move(out));
}

const std::vector<FieldInfo>& DBSERVER::fields() const { return d->fields; }
int DBSERVER::FCOUNT() const { return static_cast<int>(d->fields.size()); }

int DBSERVER::FIELDPOS(const std::string& name) const { return d->fieldIndex(rt::Value(name)) + 1; }

std::string DBSERVER::FIELDNAME(int number) const {
    if (number < 1 || number > FCOUNT()) return {};
    return d->fields[static_cast<size_t>(number - 1)].name;
}

int64_t DBSERVER::CLAIMEDCOUNT() const { return d->claimed; }

int64_t DBSERVER::LASTREC() {
    d->syncCount();
    return d->count;
}

int64_t DBSERVER::COUNT() {
    if (!d->used) return 0;
    d->flush();
    d->refreshCount();
    if (!d->filter && !rt::IsDeleted()) return d->count;
    int64_t n = 0;
    for (int64_t r = 1; r <= d->count; ++r) {
        if (d->visible(r)) ++n;
    }
    return n;
}

rt::Value DBSERVER::INFO(int item) const {
    if (item == 25) return rt::Value(d->ansi);
    return rt::Value();
}

bool DBSERVER::isAnsi() const { return d->ansi; }
unsigned DBSERVER::CODEPAGE() const { return d->codePage; }
uint8_t DBSERVER::languageDriver() const { return d->ldid; }
int DBSERVER::unknownLanguageDriver() const { return knownLanguageDriver(d->ldid) ? -1 : d->ldid; }
std::string DBSERVER::codePageFile() const { return d->cpgFile; }
std::string DBSERVER::unreadCodePageFile() const { return d->unreadCpg; }
std::string DBSERVER::missingMemoFile() const { return d->missingMemo; }
bool DBSERVER::fieldLengthsMismatch() const { return d->lengthsMismatch; }
bool DBSERVER::recodes() const { return d->recoder.active; }

bool DBSERVER::setTextCodePage(unsigned codePage) {
    if (!d->used) return d->notOpen();
    if (codePage == d->textCodePage) return true;
    const Recoder before = d->recoder;
    const bool ok = codePage == 0 ? (d->recoder.setupForFlag(d->ansi, d->codePage), true)
                                  : d->recoder.setup(d->codePage, codePage);
    if (!ok) {
        d->recoder = before;
        return d->fail("the text of " + d->path + " cannot be recoded into code page " + std::to_string(codePage));
    }
    d->recoder.lost = before.lost;
    d->textCodePage = codePage;
    return true;
}

unsigned DBSERVER::textCodePage() const { return d->textCodePage; }
uint64_t DBSERVER::lostCharacters() const { return d->recoder.lost; }

bool DBSERVER::GOTOP() {
    if (!d->used) return d->notOpen();
    const bool ok = d->flush();
    d->refreshCount();
    if (d->shared) d->dropCache();
    d->seekForward(0);
    d->bof = d->eof;  // an empty table (or none visible) is at both ends
    d->notify(Notify::RecordChanged);
    return ok;
}

bool DBSERVER::GOBOTTOM() {
    if (!d->used) return d->notOpen();
    const bool ok = d->flush();
    d->refreshCount();
    if (d->shared) d->dropCache();
    d->bof = !d->seekBackward(d->sequenceLength() - 1);
    if (d->bof) d->toEof();
    d->notify(Notify::RecordChanged);
    return ok;
}

bool DBSERVER::SKIP(int64_t n) {
    if (!d->used) return d->notOpen();
    bool ok = d->flush();
    if (n == 0) {
        if (!d->eof) d->setCurrent(d->recno);
        return ok;
    }
    d->ensurePosition();
    d->bof = false;
    if (n > 0) {
        for (int64_t i = 0; i < n && !d->eof; ++i) d->seekForward(d->pos + 1);
    } else {
        for (int64_t i = 0; i < -n; ++i) {
            const int64_t from = d->eof ? d->sequenceLength() - 1 : d->pos - 1;
            if (!d->seekBackward(from)) {
                d->bof = true;
                d->seekForward(0);
                break;
            }
        }
    }
    d->notify(Notify::RecordChanged);
    return ok;
}

bool DBSERVER::READRECORDS(std::string& out, size_t most, size_t* count) {
    *count = 0;
    if (!d->used) return d->notOpen();
    if (!d->flush()) return false;
    if (d->eof || most == 0) return true;
    d->ensurePosition();
    d->bof = false;
    const size_t length = d->recordLength;
    for (size_t n = 0; n < most && !d->eof; ++n) {
        out.append(d->current.data(), length);
        ++*count;
        d->seekForward(d->pos + 1);
    }
    d->notify(Notify::RecordChanged);
    return true;
}

bool DBSERVER::EOF() const { return d->eof; }
bool DBSERVER::BOF() const { return d->bof; }

bool DBSERVER::GOTO(int64_t recno) {
    if (!d->used) return d->notOpen();
    const bool ok = d->flush();
    d->refreshCount();
    d->bof = false;
    if (recno >= 1 && recno <= d->count) {
        d->setCurrent(recno);
        d->posKnown = false;
    } else {
        d->toEof();
    }
    d->notify(Notify::RecordChanged);
    return ok;
}

int64_t DBSERVER::RECNO() const { return d->recno; }
bool DBSERVER::DELETED() const { return d->used && !d->eof && !d->current.empty() && d->current[0] == '*'; }

rt::Value DBSERVER::FIELDGET(const rt::Value& field) {
    if (!d->used) return rt::Value();
    const int i = d->fieldIndex(field);
    if (i < 0) {
        d->fail("the table has no field " + d->fieldText(field));
        return rt::Value();
    }
    return d->decode(i, d->eof ? d->blank.data() : d->current.data());
}

std::string DBSERVER::NUMBERTEXT(int number) const {
    if (!d->used || number < 1 || number > FCOUNT()) return {};
    const size_t i = static_cast<size_t>(number - 1);
    const FieldInfo& f = d->fields[i];
    const char* record = d->eof ? d->blank.data() : d->current.data();
    const char* p = record + d->offsets[i];
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    if (f.type == 'N' || f.type == 'F') {
        // Some writers pad with NUL bytes rather than blanks.
        std::string_view t(p, static_cast<size_t>(f.length));
        const size_t b = t.find_first_not_of(std::string_view(" \0", 2));
        if (b == std::string_view::npos) return {};
        return std::string(t.substr(b, t.find_last_not_of(std::string_view(" \0", 2)) - b + 1));
    }
    if (f.type == 'I' && f.length == 4) return std::to_string(static_cast<int32_t>(io::le32(u)));
    if (f.type == 'Y' && f.length == 8) {
        // Currency is a count of ten-thousandths: its text is exact, as no double is.
        const auto raw = static_cast<int64_t>(io::le64(u));
        const uint64_t magnitude = raw < 0 ? uint64_t{0} - static_cast<uint64_t>(raw) : static_cast<uint64_t>(raw);
        const auto fraction = static_cast<unsigned>(magnitude % 10000);
        const char digits[4] = {static_cast<char>('0' + fraction / 1000), static_cast<char>('0' + fraction / 100 % 10),
                                static_cast<char>('0' + fraction / 10 % 10), static_cast<char>('0' + fraction % 10)};
        return (raw < 0 ? "-" : "") + std::to_string(magnitude / 10000) + "." + std::string(digits, 4);
    }
    if (f.type == 'B' && d->vfp && f.length == 8) {
        const uint64_t bits = io::le64(u);
        double v = 0;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v)) return {};
        char text[400];
        const auto res = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed);
        return res.ec == std::errc() ? std::string(text, res.ptr) : std::string();
    }
    return {};
}

bool DBSERVER::PUTNUMBERTEXT(int number, std::string_view text) { return stores::putNumberText(*d, number, text); }

bool DBSERVER::FIELDPUT(const rt::Value& field, const rt::Value& value) { return stores::putValue(*d, field, value); }

bool DBSERVER::FIELDPUT(int number, const rt::Value& value) { return stores::putValue(*d, number, value); }

rt::Value DBSERVER::FIELDGET(int number) {
    if (!d->used || number < 1 || number > FCOUNT()) return FIELDGET(rt::Value(number));
    return d->decode(number - 1, d->eof ? d->blank.data() : d->current.data());
}

std::string_view DBSERVER::FIELDBYTES(int number) const {
    if (!d->used || number < 1 || number > FCOUNT()) return {};
    const size_t i = static_cast<size_t>(number - 1);
    const char* record = d->eof ? d->blank.data() : d->current.data();
    return {record + d->offsets[i], static_cast<size_t>(d->fields[i].length)};
}

void DBSERVER::Impl::fieldPut() { notify(Notify::FieldChanged); }

bool DBSERVER::PUTSTRING(int number, std::string_view text) { return stores::putString(*d, number, text); }
bool DBSERVER::PUTNUMBER(int number, double value) { return stores::putNumber(*d, number, value); }
bool DBSERVER::PUTDATE(int number, rt::Date date) { return stores::putDate(*d, number, date); }
bool DBSERVER::PUTDATE(int number, int year, int month, int day) { return stores::putDate(*d, number, year, month, day); }
bool DBSERVER::PUTBYTES(int number, std::string_view bytes) { return stores::putBytes(*d, number, bytes); }
bool DBSERVER::PUTLOGICAL(int number, bool value) { return stores::putLogical(*d, number, value); }

bool DBSERVER::SAMELAYOUT(const DBSERVER& other) const {
    const Impl& a = *d;
    const Impl& b = *other.d;
    if (!a.used || !b.used || a.fields.size() != b.fields.size() || a.recordLength != b.recordLength ||
        a.codePage != b.codePage || a.vfp != b.vfp || a.offsets != b.offsets)
        return false;
    for (size_t i = 0; i < a.fields.size(); ++i) {
        const FieldInfo& x = a.fields[i];
        const FieldInfo& y = b.fields[i];
        if (x.name != y.name || x.type != y.type || x.length != y.length || x.decimals != y.decimals ||
            isMemoType(x.type, a.vfp))
            return false;
    }
    return true;
}

bool DBSERVER::APPENDCOPY(DBSERVER& source) {
    Impl& s = *source.d;
    if (!s.used) return d->fail("the source table is not open");
    const char* from = s.eof ? s.blank.data() : s.current.data();
    const bool raw = SAMELAYOUT(source);
    const bool rawBesideMemos = !raw && d->sameHeader(s);
    if (!APPEND()) return false;
    if (raw || rawBesideMemos) {
        std::memcpy(d->current.data() + 1, from + 1, d->recordLength - 1);
        d->dirty = true;
        d->modified = true;
        // Each memo goes over as its bytes and its kind, into a new block of this table's file.
        for (size_t i = 0; rawBesideMemos && i < d->fields.size(); ++i) {
            if (!isMemoType(d->fields[i].type, d->vfp)) continue;
            std::memcpy(d->current.data() + d->offsets[i], d->blank.data() + d->offsets[i],
                        static_cast<size_t>(d->fields[i].length));
            const uint64_t block = s.memoBlock(i, from);
            std::string bytes, error;
            uint32_t kind = 1;
            if (block != 0 && s.memo.isOpen() && !s.memo.read(block, bytes, &error, &kind)) return d->fail(error);
            if (!bytes.empty() && !d->putMemo(static_cast<int>(i), bytes, kind)) return false;
        }
        d->fieldPut();
        return true;
    }
    for (int i = 1; i <= FCOUNT(); ++i)
        if (!FIELDPUT(rt::Value(i), source.FIELDGET(rt::Value(i)))) return false;
    return true;
}

bool DBSERVER::APPEND() {
    if (!d->used) return d->notOpen();
    if (d->readOnly) return d->fail("the table " + d->path + " is open read-only");
    if (!d->storeCurrent()) return false;
    d->syncCount();
    const int64_t next = d->count + 1;
    if (next > kMaxRecords) return d->fail("the table is full");
    const size_t limit = std::max<size_t>(kReadAhead, d->recordLength);
    const bool contiguous = d->pending.empty() || d->inPending(d->count);
    if ((!contiguous || d->pending.size() + d->recordLength > limit) && !d->flushPending()) return false;
    if (d->pending.empty()) d->pendingFirst = next;
    d->pending.append(d->blank.data(), d->recordLength);
    // The count goes to the header at once, so another handle sees the record.
    unsigned char raw[4];
    io::putLe32(raw, static_cast<uint32_t>(next));
    if (d->deferCount) {
        d->countDirty = true;
    } else if (!io::writeAt(d->fd, raw, sizeof raw, 4)) {
        d->writeFailed = true;
        return d->fail("cannot update the header of " + d->path + ": " + io::lastError());
    }
    d->count = next;
    d->syncCount();
    d->modified = true;
    d->current = d->blank;
    d->recno = next;
    d->eof = false;
    d->bof = false;
    d->posKnown = false;
    d->notify(Notify::Appended);
    return true;
}

bool DBSERVER::canBuildRecords() const {
    if (!d->used || d->readOnly) return false;
    return std::none_of(d->fields.begin(), d->fields.end(),
                        [this](const FieldInfo& f) { return isMemoType(f.type, d->vfp); });
}

bool DBSERVER::APPENDRECORDS(std::string_view records, size_t n) {
    if (!d->used) return d->notOpen();
    if (d->readOnly) return d->fail("the table " + d->path + " is open read-only");
    const size_t length = d->recordLength;
    if (length == 0 || records.size() % length != 0 || records.size() / length != n)
        return d->fail("the records to append to " + d->path + " are not " + std::to_string(n) + " records of " +
                       std::to_string(length) + " bytes");
    if (n == 0) return true;
    if (!d->storeCurrent()) return false;
    d->syncCount();
    if (d->count + static_cast<int64_t>(n) > kMaxRecords) return d->fail("the table is full");
    // As APPEND goes, record by record: the buffer takes whole records up to its limit and is
    // written where the next one would not fit or another handle appended behind it.
    const size_t limit = std::max<size_t>(kReadAhead, length);
    for (size_t done = 0; done < n;) {
        const bool contiguous = d->pending.empty() || d->inPending(d->count);
        if ((!contiguous || d->pending.size() + length > limit) && !d->flushPending()) return false;
        if (d->pending.empty()) d->pendingFirst = d->count + 1;
        const size_t take = std::min((limit - d->pending.size()) / length, n - done);
        d->pending.append(records.data() + done * length, take * length);
        done += take;
        d->count += static_cast<int64_t>(take);
        d->syncCount();
        d->modified = true;
        if (d->deferCount) {
            d->countDirty = true;
            continue;
        }
        unsigned char raw[4];
        io::putLe32(raw, static_cast<uint32_t>(d->count));
        if (!io::writeAt(d->fd, raw, sizeof raw, 4)) {
            d->writeFailed = true;
            return d->fail("cannot update the header of " + d->path + ": " + io::lastError());
        }
    }
    const std::string_view last = records.substr((n - 1) * length);
    d->current.assign(last.begin(), last.end());
    d->recno = d->count;
    d->eof = false;
    d->bof = false;
    d->posKnown = false;
    d->notify(Notify::Appended);
    return true;
}

void DBSERVER::DEFERCOUNT(bool on) {
    d->deferCount = on;
    if (!on && d->countDirty && d->used) d->flush();
}

bool DBSERVER::COMMIT() {
    if (!d->used) return d->notOpen();
    return d->flush();
}

bool DBSERVER::SETFILTER(const rt::Value&, const std::string& text) { return SETFILTER(text); }

bool DBSERVER::SETFILTER(const std::string& text) {
    if (!d->used) return d->notOpen();
    if (text.find_first_not_of(' ') == std::string::npos) return d->fail("the filter is empty");
    std::string error;
    std::shared_ptr<rt::Expression> expr = rt::Expression::compile(text, &error);
    if (!expr) return d->fail("the filter does not compile: " + error);
    d->flush();
    d->filter = std::move(expr);
    d->filterText = text;
    d->bof = false;
    d->seekForward(0);
    d->notify(Notify::OrderChanged);
    return true;
}

bool DBSERVER::CLEARFILTER() {
    if (!d->used) return d->notOpen();
    d->filter.reset();
    d->filterText.clear();
    d->notify(Notify::OrderChanged);
    return true;
}

std::string DBSERVER::filterText() const { return d->filterText; }

bool DBSERVER::CREATEINDEX(const std::string& file, const std::string& key) {
    if (!d->used) return d->notOpen();
    if (!d->flush()) return false;
    std::string error;
    std::shared_ptr<rt::Expression> expr = rt::Expression::compile(key, &error);
    if (!expr) return d->fail("the index key \"" + key + "\" does not compile: " + error);
    d->refreshCount();
    const int64_t records = d->count;
    // The calling thread reads through the table itself, every other thread through a read
    // copy of its own with a compiled key of its own: no state of a table or a key is shared.
    const size_t threads = static_cast<size_t>(std::clamp<int64_t>(
        (records + kIndexRecordsPerThread - 1) / kIndexRecordsPerThread, 1, gIndexThreads.load()));
    std::vector<Impl*> tables{d.get()};
    std::vector<std::shared_ptr<rt::Expression>> keys{expr};
    std::vector<std::unique_ptr<Impl>> copies;
    struct CloseCopies {
        std::vector<std::unique_ptr<Impl>>& copies;
        ~CloseCopies() {
            for (auto& c : copies) c->closeFiles();
        }
    } closeCopies{copies};
    while (tables.size() < threads) {
        std::string why;
        std::unique_ptr<Impl> copy = d->readCopy(&why);
        std::shared_ptr<rt::Expression> again = rt::Expression::compile(key, &why);
        if (!copy || !again) break;  // fewer threads then
        tables.push_back(copy.get());
        copies.push_back(std::move(copy));
        keys.push_back(std::move(again));
    }
    std::vector<index::KeySource> sources;
    for (size_t w = 0; w < tables.size(); ++w) {
        sources.push_back([t = tables[w], &expr = *keys[w]](int64_t recno, std::string& out, std::string* err) {
            const char* rec = t->fetch(recno);
            if (!rec) rec = t->blank.data();
            const rt::Value v = evalIn(expr, t, rec, recno, true);
            if (v.isString()) {
                out = v.str();
            } else if (v.isDate()) {
                out = dateText(v.date());
            } else if (v.isLogical()) {
                out = v.log() ? "T" : "F";
            } else if (v.isError()) {
                *err = "the index key fails at record " + std::to_string(recno) + ": " + v.err().description;
                return false;
            } else {
                *err = "the index key gives no text at record " + std::to_string(recno);
                return false;
            }
            return true;
        });
    }
    const bool built =
        index::build(plainPath(file), key, records, sources, gIndexBudget, &error, collation::orderFor(d->codePage));
    // A memo a copy could not read leaves its reason, as the table's own reading does.
    for (const auto& c : copies)
        if (!c->status.empty()) d->status = c->status;
    if (!built) return d->fail(error);
    return true;
}

bool DBSERVER::SETINDEX(const std::string& file) {
    if (!d->used) return d->notOpen();
    auto idx = std::make_unique<index::IndexFile>();
    std::string error;
    if (!idx->open(plainPath(file), &error)) return d->fail(error);
    d->flush();
    d->order = std::move(idx);
    d->refreshCount();
    d->bof = false;
    d->seekForward(0);
    d->notify(Notify::OrderChanged);
    return true;
}

bool DBSERVER::CLEARINDEX(int) {
    if (!d->used) return d->notOpen();
    d->order.reset();
    d->posKnown = false;
    d->notify(Notify::OrderChanged);
    return true;
}

bool DBSERVER::COPYSTRUCTURE(const std::string& file) {
    if (!d->used) return d->notOpen();
    std::string error;
    const std::string path = tablePath(file);
    if (!copyTableHeader(path, d->headerBytes, d->memo, &error)) return d->fail(error);
    if (!d->cpgFile.empty()) {
        // The code page named beside the table goes with its copy, as a header's byte would.
        std::error_code ec;
        std::filesystem::path cpg(path);
        cpg.replace_extension(".cpg");
        std::filesystem::copy_file(d->cpgFile, cpg, std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) return d->fail("cannot create " + cpg.string() + ": " + ec.message());
    }
    return true;
}

void DBSERVER::SUSPENDNOTIFICATION() { ++d->suspended; }

void DBSERVER::RESETNOTIFICATION() {
    d->suspended = 0;
    d->notify(Notify::Refresh);
}

int DBSERVER::attach(Observer observer) {
    const int id = d->nextObserver++;
    d->observers.emplace_back(id, std::move(observer));
    return id;
}

void DBSERVER::detach(int id) {
    auto& list = d->observers;
    list.erase(std::remove_if(list.begin(), list.end(), [id](const auto& o) { return o.first == id; }), list.end());
}

bool DBSERVER::CLOSE() {
    if (!d->used) return d->notOpen();
    bool ok = d->flush();
    if (d->modified && !d->readOnly) {
        std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        const unsigned char date[3] = {static_cast<unsigned char>(tm.tm_year % 256), static_cast<unsigned char>(tm.tm_mon + 1),
                                       static_cast<unsigned char>(tm.tm_mday)};
        if (!io::writeAt(d->fd, date, sizeof date, 1)) {
            d->writeFailed = true;
            ok = d->fail("cannot update the header of " + d->path + ": " + io::lastError());
        }
    }
    if (d->fd >= 0 && ::close(d->fd) != 0 && !d->readOnly) {
        d->writeFailed = true;
        ok = d->fail("cannot close " + d->path + ": " + io::lastError());
    }
    d->fd = -1;
    d->closeFiles();
    d->filter.reset();
    d->eof = true;
    d->notify(Notify::Closed);
    return ok && !d->writeFailed;
}

std::string DBSERVER::FULLPATH() const {
    std::error_code ec;
    const auto p = std::filesystem::absolute(d->path, ec);
    return ec ? d->path : p.lexically_normal().string();
}

// ---------------------------------------------------------------------------------------------

struct RecordBuilder::Impl : RecordFormat {
    bool used = false;
    bool readOnly = false;
    unsigned codePage = 0;
    std::string path;
    std::string built;
    size_t records = 0;

    // The hooks of the shared stores.
    char* storeRecord() { return records > 0 ? built.data() + (records - 1) * recordLength : nullptr; }
    bool refuse() {
        if (!used) return fail("the table is not open");
        if (readOnly) return fail("the table " + path + " is open read-only");
        return fail("there is no current record");
    }
    void changed() {}
    void fieldPut() {}
    bool putMemoText(int index, const std::string&) {
        return fail("the memo field " + fields[static_cast<size_t>(index)].name + " of " + path +
                    " cannot be stored away from the table");
    }
};

RecordBuilder::RecordBuilder(const DBSERVER& table) : d(std::make_unique<Impl>()) {
    const DBSERVER::Impl& t = *table.d;
    static_cast<RecordFormat&>(*d) = t;  // its own copy: nothing is shared with the table
    d->status.clear();
    d->recoder.lost = 0;
    d->used = t.used;
    d->readOnly = t.readOnly;
    d->codePage = table.CODEPAGE();
    d->path = t.path;
}

RecordBuilder::~RecordBuilder() = default;
RecordBuilder::RecordBuilder(RecordBuilder&&) noexcept = default;
RecordBuilder& RecordBuilder::operator=(RecordBuilder&&) noexcept = default;

bool RecordBuilder::APPEND() {
    if (!d->used || d->readOnly) return d->refuse();
    d->built.append(d->blank.data(), d->recordLength);
    ++d->records;
    return true;
}

bool RecordBuilder::PUTSTRING(int number, std::string_view text) { return stores::putString(*d, number, text); }
bool RecordBuilder::PUTNUMBER(int number, double value) { return stores::putNumber(*d, number, value); }
bool RecordBuilder::PUTDATE(int number, rt::Date date) { return stores::putDate(*d, number, date); }
bool RecordBuilder::PUTDATE(int number, int year, int month, int day) {
    return stores::putDate(*d, number, year, month, day);
}
bool RecordBuilder::PUTLOGICAL(int number, bool value) { return stores::putLogical(*d, number, value); }
bool RecordBuilder::PUTBYTES(int number, std::string_view bytes) { return stores::putBytes(*d, number, bytes); }
bool RecordBuilder::PUTNUMBERTEXT(int number, std::string_view text) { return stores::putNumberText(*d, number, text); }
bool RecordBuilder::FIELDPUT(int number, const rt::Value& value) { return stores::putValue(*d, number, value); }

const std::vector<FieldInfo>& RecordBuilder::fields() const { return d->fields; }
int RecordBuilder::FIELDPOS(const std::string& name) const { return d->fieldIndex(rt::Value(name)) + 1; }
std::string RecordBuilder::Status() const { return d->status; }
uint64_t RecordBuilder::lostCharacters() const { return d->recoder.lost; }
bool RecordBuilder::recodes() const { return d->recoder.active; }
unsigned RecordBuilder::CODEPAGE() const { return d->codePage; }
std::string_view RecordBuilder::records() const { return d->built; }
size_t RecordBuilder::count() const { return d->records; }

void RecordBuilder::clear() {
    d->built.clear();
    d->records = 0;
}

}  // namespace db
