#include "platform/db/dbindex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <queue>

#include "platform/db/collation.h"
#include "platform/db/dbfio.h"

namespace db::index {
namespace {

constexpr unsigned char kMagic[8] = {'M', 'V', 'I', 'D', 'X', 0x1A, 1, 0};
constexpr size_t kHeaderFixed = 28;
constexpr size_t kCacheEntries = 16384;

struct Entry {
    uint64_t prefix;
    uint64_t prefix2;  // the weights of the next eight bytes
    uint64_t offset;
    uint32_t length;
    uint32_t recno;
};

// A temporary file in the index's directory that is gone as soon as it is closed.
int anonymousFile(const std::string& path, std::string* error) {
    std::string pattern = path + ".runXXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        *error = "cannot create a temporary file beside " + path + ": " + io::lastError();
        return -1;
    }
    ::unlink(pattern.c_str());
    return fd;
}

struct Run {
    int fd = -1;
    int64_t size = 0;
};

class RunCursor {
public:
    RunCursor(const Run& run, size_t buffer) : reader_(run.fd, 0, run.size, buffer) {}
    bool next() {
        unsigned char head[8];
        if (!reader_.read(head, sizeof head)) return false;
        recno = io::le32(head);
        key.resize(io::le32(head + 4));
        return reader_.read(key.data(), key.size());
    }
    bool failed() const { return reader_.failed(); }
    std::string key;
    uint32_t recno = 0;

private:
    io::Reader reader_;
};

bool keyLess(std::string_view a, uint32_t ra, std::string_view b, uint32_t rb, const collation::Order& order) {
    const int c = collation::compare(a, b, order);
    return c != 0 ? c < 0 : ra < rb;
}

}  // namespace

bool build(const std::string& path, const std::string& keyText, int64_t records, const KeySource& keyOf,
           size_t memoryBudget, std::string* error, const collation::Order& order) {
    std::string arena;
    std::vector<Entry> entries;
    std::vector<Run> runs;
    struct Closer {
        std::vector<Run>& runs;
        ~Closer() {
            for (const Run& r : runs) ::close(r.fd);
        }
    } closer{runs};

    auto sortEntries = [&]() {
        std::sort(entries.begin(), entries.end(), [&arena, &order](const Entry& a, const Entry& b) {
            if (a.prefix != b.prefix) return a.prefix < b.prefix;
            if (a.prefix2 != b.prefix2) return a.prefix2 < b.prefix2;
            return keyLess(std::string_view(arena).substr(a.offset, a.length), a.recno,
                           std::string_view(arena).substr(b.offset, b.length), b.recno, order);
        });
    };
    auto spill = [&]() -> bool {
        sortEntries();
        Run run;
        run.fd = anonymousFile(path, error);
        if (run.fd < 0) return false;
        runs.push_back(run);
        io::Writer writer(run.fd);
        for (const Entry& e : entries) {
            unsigned char head[8];
            io::putLe32(head, e.recno);
            io::putLe32(head + 4, e.length);
            writer.write(head, sizeof head);
            writer.write(arena.data() + e.offset, e.length);
        }
        if (!writer.flush()) {
            *error = "cannot write a temporary sort file: " + io::lastError();
            return false;
        }
        runs.back().size = writer.written();
        entries.clear();
        arena.clear();
        return true;
    };

    std::string key;
    for (int64_t recno = 1; recno <= records; ++recno) {
        if (!keyOf(recno, key, error)) return false;
        if (key.size() > 0xFFFF) {
            *error = "an index key is longer than 65535 bytes";
            return false;
        }
        if (entries.empty()) {
            // Keys of one expression are mostly of one length: room for all that fit the
            // budget at once, rather than growing (and copying) as they come.
            const size_t each = key.size() + sizeof(Entry);
            const size_t fit = std::min<size_t>(static_cast<size_t>(records - recno + 1), memoryBudget / each + 1);
            entries.reserve(fit);
            arena.reserve(fit * key.size());
        }
        entries.push_back({collation::prefix(key, 0, order), collation::prefix(key, 8, order), arena.size(), static_cast<uint32_t>(key.size()),
                           static_cast<uint32_t>(recno)});
        arena += key;
        if (arena.size() + entries.size() * sizeof(Entry) > memoryBudget && !spill()) return false;
    }

    std::string tempName = path + ".tmpXXXXXX";
    const int out = ::mkstemp(tempName.data());
    if (out < 0) {
        *error = "cannot create the index file " + path + ": " + io::lastError();
        return false;
    }
    bool ok = true;
    {
        io::Writer writer(out);
        unsigned char header[kHeaderFixed];
        std::memcpy(header, kMagic, sizeof kMagic);
        io::putLe64(header + 8, static_cast<uint64_t>(records));
        io::putLe64(header + 16, static_cast<uint64_t>(records));
        io::putLe32(header + 24, static_cast<uint32_t>(keyText.size()));
        writer.write(header, sizeof header);
        writer.write(keyText.data(), keyText.size());
        unsigned char num[4];
        if (runs.empty()) {
            sortEntries();
            for (const Entry& e : entries) {
                io::putLe32(num, e.recno);
                writer.write(num, sizeof num);
            }
        } else {
            if (!entries.empty() && !spill()) ok = false;
            std::string().swap(arena);
            std::vector<Entry>().swap(entries);
            if (ok) {
                const size_t buffer = std::max<size_t>(4096, std::min<size_t>(1 << 16, memoryBudget / (runs.size() + 1)));
                std::vector<std::unique_ptr<RunCursor>> cursors;
                auto greater = [&cursors, &order](size_t a, size_t b) {
                    return keyLess(cursors[b]->key, cursors[b]->recno, cursors[a]->key, cursors[a]->recno, order);
                };
                std::priority_queue<size_t, std::vector<size_t>, decltype(greater)> heap(greater);
                for (const Run& r : runs) {
                    cursors.push_back(std::make_unique<RunCursor>(r, buffer));
                    if (cursors.back()->next()) heap.push(cursors.size() - 1);
                }
                int64_t merged = 0;
                while (!heap.empty()) {
                    const size_t i = heap.top();
                    heap.pop();
                    io::putLe32(num, cursors[i]->recno);
                    writer.write(num, sizeof num);
                    ++merged;
                    if (cursors[i]->next()) heap.push(i);
                }
                for (const auto& c : cursors) {
                    if (c->failed()) ok = false;
                }
                if (merged != records) ok = false;
                if (!ok) *error = "cannot read back a temporary sort file";
            }
        }
        if (ok && !writer.flush()) {
            ok = false;
            *error = "cannot write the index file " + path + ": " + io::lastError();
        }
    }
    ::fchmod(out, 0644);
    if (::close(out) != 0 && ok) {
        ok = false;
        *error = "cannot write the index file " + path + ": " + io::lastError();
    }
    if (ok && ::rename(tempName.c_str(), path.c_str()) != 0) {
        ok = false;
        *error = "cannot rename the index file into " + path + ": " + io::lastError();
    }
    if (!ok) ::unlink(tempName.c_str());
    return ok;
}

IndexFile::~IndexFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool IndexFile::open(const std::string& path, std::string* error) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        *error = "cannot open the index file " + path + ": " + io::lastError();
        return false;
    }
    const int64_t size = io::fileSize(fd_);
    unsigned char header[kHeaderFixed];
    size_t got = 0;
    if (size < static_cast<int64_t>(kHeaderFixed) || !io::readAt(fd_, header, sizeof header, 0, &got) ||
        got != sizeof header || std::memcmp(header, kMagic, sizeof kMagic) != 0) {
        *error = path + " is not an index file of this program";
        return false;
    }
    const uint64_t entries = io::le64(header + 8);
    const uint64_t builtFor = io::le64(header + 16);
    const uint32_t keyLength = io::le32(header + 24);
    const uint64_t start = kHeaderFixed + static_cast<uint64_t>(keyLength);
    if (start > static_cast<uint64_t>(size) || entries > (static_cast<uint64_t>(size) - start) / 4 ||
        builtFor > 0xFFFFFFFFULL) {
        *error = "the index file " + path + " is truncated";
        return false;
    }
    key_.resize(keyLength);
    if (!io::readAt(fd_, key_.data(), keyLength, kHeaderFixed, &got) || got != keyLength) {
        *error = "cannot read the index file " + path;
        return false;
    }
    entries_ = static_cast<int64_t>(entries);
    builtFor_ = static_cast<int64_t>(builtFor);
    dataStart_ = static_cast<int64_t>(start);
    return true;
}

uint32_t IndexFile::recnoAt(int64_t slot) {
    if (slot < 0 || slot >= entries_) return 0;
    if (slot < cacheFirst_ || slot >= cacheFirst_ + static_cast<int64_t>(cache_.size())) {
        // Read around the slot so that stepping either way stays in the cache.
        int64_t first = std::max<int64_t>(0, slot - static_cast<int64_t>(kCacheEntries / 4));
        const size_t n = static_cast<size_t>(std::min<int64_t>(kCacheEntries, entries_ - first));
        std::vector<unsigned char> raw(n * 4);
        size_t got = 0;
        if (!io::readAt(fd_, raw.data(), raw.size(), dataStart_ + first * 4, &got) || got != raw.size()) {
            cache_.clear();
            return 0;
        }
        cache_.resize(n);
        for (size_t i = 0; i < n; ++i) cache_[i] = io::le32(raw.data() + 4 * i);
        cacheFirst_ = first;
    }
    return cache_[static_cast<size_t>(slot - cacheFirst_)];
}

int64_t IndexFile::slotOf(uint32_t recno) {
    for (int64_t s = 0; s < entries_; ++s) {
        if (recnoAt(s) == recno) return s;
    }
    return -1;
}

}  // namespace db::index
