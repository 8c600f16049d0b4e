#include "platform/db/dbindex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <climits>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>

#include "platform/db/collation.h"
#include "platform/db/dbfio.h"

namespace db::index {
namespace {

constexpr unsigned char kMagic[8] = {'M', 'V', 'I', 'D', 'X', 0x1A, 1, 0};
constexpr size_t kHeaderFixed = 28;
constexpr size_t kCacheEntries = 16384;

// Every so many entries of a sorted run are noted, so that the merge can be cut into parts
// that start in the middle of a run file.
constexpr int64_t kSampleEvery = 512;

// The bytes of a stored key compared as memcmp does, the shorter first where one is the start
// of the other; eight at a time.
int compareBytes(std::string_view a, std::string_view b) {
    const size_t n = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a.data() + i, 8);
        std::memcpy(&y, b.data() + i, 8);
        if (x != y) {
            if constexpr (std::endian::native == std::endian::little) {
                x = __builtin_bswap64(x);
                y = __builtin_bswap64(y);
            }
            return x < y ? -1 : 1;
        }
    }
    for (; i < n; ++i)
        if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
    return (a.size() > b.size()) - (a.size() < b.size());
}

// How keys are ordered: by their byte keys (collation::sortKey) where the collation has them,
// else by collation::compare; equal keys by record number. What a batch holds and a run file
// stores is the key in the form compared.
class KeyOrder {
public:
    explicit KeyOrder(const collation::Order& order) : order_(order), bytes_(order.bytewise) {}
    void store(std::string_view key, std::string& out) const {
        if (bytes_)
            collation::sortKey(key, out, order_);
        else
            out += key;
    }
    bool bytes() const { return bytes_; }
    // The first eight bytes of a stored key, as a number that orders as the keys do where it
    // differs.
    uint64_t prefix(std::string_view stored) const {
        if (!bytes_) return collation::prefix(stored, 0, order_);
        return word(stored, 0);
    }
    // The eight bytes of a stored key from `from` on, zeros beyond its end, as a number that
    // orders as the bytes do. No byte key is the start of another (sortKey), so keys whose
    // words agree up to the end of one of them are equal.
    static uint64_t word(std::string_view stored, size_t from) {
        uint64_t w = 0;
        if (stored.size() >= from + 8) {
            std::memcpy(&w, stored.data() + from, 8);
            if constexpr (std::endian::native == std::endian::little) w = __builtin_bswap64(w);
            return w;
        }
        for (size_t i = from; i < from + 8; ++i)
            w = (w << 8) | (i < stored.size() ? static_cast<unsigned char>(stored[i]) : 0);
        return w;
    }
    bool less(std::string_view a, uint32_t ra, std::string_view b, uint32_t rb) const {
        const int c = bytes_ ? compareBytes(a, b) : collation::compare(a, b, order_);
        return c != 0 ? c < 0 : ra < rb;
    }

private:
    const collation::Order& order_;
    bool bytes_;
};

struct Entry {
    uint64_t prefix;
    uint64_t offset;
    uint32_t length;
    uint32_t recno;
};

// One worker's keys in memory: the stored keys one after the other, and an entry for each.
struct Batch {
    std::string arena;
    std::vector<Entry> entries;
    size_t bytes() const { return arena.size() + entries.size() * sizeof(Entry); }
    std::string_view key(const Entry& e) const { return std::string_view(arena).substr(e.offset, e.length); }
    // Sorts the entries by key, equal keys by record number. Byte keys are sorted word by word:
    // by the word each entry carries, then each stretch of equal words by the next word of its
    // keys, so that a comparison never reaches into the keys and each key is read once a word.
    void sort(const KeyOrder& order) {
        if (!order.bytes()) {
            std::sort(entries.begin(), entries.end(), [this, &order](const Entry& a, const Entry& b) {
                if (a.prefix != b.prefix) return a.prefix < b.prefix;
                return order.less(key(a), a.recno, key(b), b.recno);
            });
            return;
        }
        const auto byWord = [](const Entry& a, const Entry& b) { return a.prefix < b.prefix; };
        const auto byRecno = [](const Entry& a, const Entry& b) { return a.recno < b.recno; };
        struct Stretch {
            Entry* first;
            Entry* last;
            size_t from;  // the byte the words of its entries start at
        };
        std::vector<Stretch> todo{{entries.data(), entries.data() + entries.size(), 0}};
        while (!todo.empty()) {
            const Stretch s = todo.back();
            todo.pop_back();
            std::sort(s.first, s.last, byWord);
            for (Entry* a = s.first; a != s.last;) {
                Entry* b = a;
                bool ended = false;
                for (; b != s.last && b->prefix == a->prefix; ++b) ended = ended || b->length <= s.from + 8;
                if (b - a > 1) {
                    if (ended) {
                        std::sort(a, b, byRecno);  // one key
                    } else {
                        for (Entry* e = a; e != b; ++e) e->prefix = KeyOrder::word(key(*e), s.from + 8);
                        todo.push_back({a, b, s.from + 8});
                    }
                }
                a = b;
            }
        }
    }
    void clear() {
        entries.clear();
        arena.clear();
    }
    void release() {
        std::vector<Entry>().swap(entries);
        std::string().swap(arena);
    }
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

// A place in a sorted run: the entries before it, and in the run file the byte it starts at.
struct Place {
    int64_t ordinal = 0;
    int64_t offset = 0;
};

struct Sample {
    Place place;
    std::string key;
    uint32_t recno = 0;
};

// A sorted run: a batch in memory, or a stretch of the run file of entries (record number, key
// length, key).
struct Run {
    const Batch* batch = nullptr;
    Place begin, end;             // in the run file; end.ordinal is the number of its entries
    std::vector<Sample> samples;  // of a stretch of the file: every kSampleEvery-th entry
};

// The sorted runs, shared by the workers; the spilled ones one after the other in one file,
// however many there are.
struct Runs {
    std::mutex lock;
    std::vector<std::unique_ptr<Run>> list;
    std::atomic<bool> spilled{false};
    int fd = -1;
    int64_t size = 0;
    ~Runs() {
        if (fd >= 0) ::close(fd);
    }
    Run& add() {
        const std::lock_guard<std::mutex> hold(lock);
        list.push_back(std::make_unique<Run>());
        return *list.back();
    }
    // Writes a sorted batch into a stretch of the run file of its own and empties it.
    bool spill(Batch& batch, const std::string& path, std::string* error) {
        int64_t bytes = 0;
        for (const Entry& e : batch.entries) bytes += 8 + static_cast<int64_t>(e.length);
        Run& run = add();
        {
            const std::lock_guard<std::mutex> hold(lock);
            if (fd < 0 && (fd = anonymousFile(path, error)) < 0) return false;
            run.begin.offset = size;
            size += bytes;
        }
        spilled = true;
        io::Writer writer(fd, 1 << 16, run.begin.offset);
        Place at = run.begin;
        for (const Entry& e : batch.entries) {
            if (at.ordinal % kSampleEvery == 0) run.samples.push_back({at, std::string(batch.key(e)), e.recno});
            unsigned char head[8];
            io::putLe32(head, e.recno);
            io::putLe32(head + 4, e.length);
            writer.write(head, sizeof head);
            writer.write(batch.arena.data() + e.offset, e.length);
            ++at.ordinal;
            at.offset += static_cast<int64_t>(sizeof head + e.length);
        }
        if (!writer.flush()) {
            *error = "cannot write a temporary sort file: " + io::lastError();
            return false;
        }
        run.end = at;
        batch.clear();
        return true;
    }
};

// The first failure of the build: a key that cannot be made fails at the lowest record number
// that fails, as a build in record order would; a file that cannot be written or read
// (record 0) stops everything.
struct Failure {
    std::mutex lock;
    std::atomic<int64_t> at{INT64_MAX};
    std::string error;
    void note(int64_t recno, const std::string& why) {
        const std::lock_guard<std::mutex> hold(lock);
        if (recno >= at.load()) return;
        at = recno;
        error = why;
    }
    bool failed() const { return at.load() != INT64_MAX; }
};

// The keys of a stretch of a sorted run, one after the other.
class Cursor {
public:
    Cursor(const Run& run, int fd, Place from, Place to, size_t buffer) : run_(run), at_(from.ordinal), to_(to.ordinal) {
        if (!run.batch) reader_ = std::make_unique<io::Reader>(fd, from.offset, to.offset, buffer);
    }
    bool next() {
        if (at_ >= to_) return false;
        ++at_;
        if (run_.batch) {
            const Entry& e = run_.batch->entries[static_cast<size_t>(at_ - 1)];
            key = run_.batch->key(e);
            recno = e.recno;
            return true;
        }
        unsigned char head[8];
        if (!reader_->read(head, sizeof head)) return false;
        recno = io::le32(head);
        stored_.resize(io::le32(head + 4));
        if (!reader_->read(stored_.data(), stored_.size())) return false;
        key = stored_;
        return true;
    }
    // Whether it stopped before the end of its stretch.
    bool failed() const { return at_ < to_ || (reader_ && reader_->failed()); }
    std::string_view key;
    uint32_t recno = 0;

private:
    const Run& run_;
    int64_t at_, to_;
    std::unique_ptr<io::Reader> reader_;
    std::string stored_;
};

// The place of the first entry of `run` that is not less than (key, recno).
bool placeOf(const Run& run, int fd, std::string_view key, uint32_t recno, const KeyOrder& order, Place& place) {
    if (run.batch) {
        const auto& entries = run.batch->entries;
        const auto it = std::partition_point(entries.begin(), entries.end(), [&](const Entry& e) {
            return order.less(run.batch->key(e), e.recno, key, recno);
        });
        place.ordinal = it - entries.begin();
        return true;
    }
    // From the last sample before it, entry by entry.
    const auto sample = std::partition_point(run.samples.begin(), run.samples.end(), [&](const Sample& s) {
        return order.less(s.key, s.recno, key, recno);
    });
    place = sample == run.samples.begin() ? run.begin : std::prev(sample)->place;
    io::Reader reader(fd, place.offset, run.end.offset, 4096);
    std::string stored;
    while (place.ordinal < run.end.ordinal) {
        unsigned char head[8];
        if (!reader.read(head, sizeof head)) return false;
        stored.resize(io::le32(head + 4));
        if (!reader.read(stored.data(), stored.size())) return false;
        if (!order.less(stored, io::le32(head), key, recno)) break;
        ++place.ordinal;
        place.offset += static_cast<int64_t>(sizeof head + stored.size());
    }
    return true;
}

}  // namespace

bool build(const std::string& path, const std::string& keyText, int64_t records, const KeySource& keyOf,
           size_t memoryBudget, std::string* error, const collation::Order& order) {
    return build(path, keyText, records, std::vector<KeySource>{keyOf}, memoryBudget, error, order);
}

bool build(const std::string& path, const std::string& keyText, int64_t records, const std::vector<KeySource>& sources,
           size_t memoryBudget, std::string* error, const collation::Order& collationOrder) {
    const KeyOrder order(collationOrder);
    const size_t workers = std::max<size_t>(1, sources.size());
    // The budget bounds the keys of all workers together.
    const size_t share = std::max<size_t>(1024, memoryBudget / workers);
    // Workers take slices of records in order, so that a failing key is found where a build
    // in record order finds it, and share the work out evenly.
    const int64_t slice = std::clamp<int64_t>(records / static_cast<int64_t>(workers * 16), 64, 65536);
    std::atomic<int64_t> nextSlice{0};
    std::vector<Batch> batches(workers);
    Runs runs;
    Failure failure;
    // Runs on the calling thread as worker 0 and on workers - 1 threads beside it.
    auto onWorkers = [workers](const std::function<void(size_t)>& work) {
        std::vector<std::thread> threads;
        for (size_t w = 1; w < workers; ++w) threads.emplace_back(work, w);
        work(0);
        for (std::thread& t : threads) t.join();
    };

    // 1. The keys: made, sorted in batches, spilled into run files beyond the budget.
    onWorkers([&](size_t w) {
        const KeySource& keyOf = sources[w];
        Batch& batch = batches[w];
        std::string key, why;
        for (;;) {
            const int64_t first = nextSlice.fetch_add(slice) + 1;
            const int64_t last = std::min(records, first + slice - 1);
            if (first > records) break;
            for (int64_t recno = first; recno <= last; ++recno) {
                if (recno >= failure.at.load(std::memory_order_relaxed)) return;
                if (!keyOf(recno, key, &why)) {
                    failure.note(recno, why);
                    return;
                }
                if (key.size() > 0xFFFF) {
                    failure.note(recno, "an index key is longer than 65535 bytes");
                    return;
                }
                const size_t at = batch.arena.size();
                order.store(key, batch.arena);
                if (batch.entries.capacity() == 0) {
                    // Keys of one expression are mostly of one length: room for all that fit
                    // the share at once, rather than growing (and copying) as they come.
                    const size_t each = batch.arena.size() - at + sizeof(Entry);
                    const size_t fit = std::min<size_t>(
                        static_cast<size_t>(records / static_cast<int64_t>(workers) + slice), share / each + 1);
                    batch.entries.reserve(fit);
                    batch.arena.reserve(fit * (each - sizeof(Entry)));
                }
                const std::string_view stored = std::string_view(batch.arena).substr(at);
                batch.entries.push_back({order.prefix(stored), at, static_cast<uint32_t>(stored.size()),
                                         static_cast<uint32_t>(recno)});
                if (batch.bytes() > share) {
                    batch.sort(order);
                    if (!runs.spill(batch, path, &why)) {
                        failure.note(0, why);
                        return;
                    }
                }
            }
        }
        batch.sort(order);
        // Where runs are spilled, every batch ends in one, so that the merge has the budget.
        if (runs.spilled && !batch.entries.empty() && !runs.spill(batch, path, &why)) failure.note(0, why);
    });
    if (failure.failed()) {
        *error = failure.error;
        return false;
    }
    for (Batch& b : batches) {
        if (runs.spilled) {
            if (!b.entries.empty() && !runs.spill(b, path, error)) return false;
            b.release();
        } else if (!b.entries.empty()) {
            Run& run = runs.add();
            run.batch = &b;
            run.end.ordinal = static_cast<int64_t>(b.entries.size());
        }
    }

    // 2. The merge, cut into a part per worker by keys sampled from the runs; each part
    // starts in each run at the first entry not less than its first key.
    std::vector<Sample> splitters;
    for (const auto& r : runs.list) {
        if (r->batch) {
            for (int64_t i = 0; i < r->end.ordinal; i += kSampleEvery) {
                const Entry& e = r->batch->entries[static_cast<size_t>(i)];
                splitters.push_back({{i, 0}, std::string(r->batch->key(e)), e.recno});
            }
        } else {
            splitters.insert(splitters.end(), r->samples.begin(), r->samples.end());
        }
    }
    std::sort(splitters.begin(), splitters.end(),
              [&order](const Sample& a, const Sample& b) { return order.less(a.key, a.recno, b.key, b.recno); });
    const size_t parts = std::max<size_t>(1, std::min(workers, splitters.size()));
    // places[r][p]: where part p starts in run r; the part after the last one is the end.
    std::vector<std::vector<Place>> places(runs.list.size(), std::vector<Place>(parts + 1));
    std::vector<int64_t> firstSlot(parts + 1, 0);
    for (size_t r = 0; r < runs.list.size(); ++r) {
        const Run& run = *runs.list[r];
        places[r][parts] = run.end;
        for (size_t p = 1; p < parts; ++p) {
            const Sample& s = splitters[p * splitters.size() / parts];
            if (!placeOf(run, runs.fd, s.key, s.recno, order, places[r][p])) {
                *error = "cannot read back a temporary sort file";
                return false;
            }
        }
        places[r][0] = run.begin;
        for (size_t p = 1; p <= parts; ++p) firstSlot[p] += places[r][p].ordinal - run.begin.ordinal;
    }
    if (firstSlot[parts] != records) {
        *error = "cannot read back a temporary sort file";
        return false;
    }

    std::string tempName = path + ".tmpXXXXXX";
    const int out = ::mkstemp(tempName.data());
    if (out < 0) {
        *error = "cannot create the index file " + path + ": " + io::lastError();
        return false;
    }
    const int64_t dataStart = static_cast<int64_t>(kHeaderFixed + keyText.size());
    {
        io::Writer writer(out);
        unsigned char header[kHeaderFixed];
        std::memcpy(header, kMagic, sizeof kMagic);
        io::putLe64(header + 8, static_cast<uint64_t>(records));
        io::putLe64(header + 16, static_cast<uint64_t>(records));
        io::putLe32(header + 24, static_cast<uint32_t>(keyText.size()));
        writer.write(header, sizeof header);
        writer.write(keyText.data(), keyText.size());
        if (!writer.flush()) failure.note(0, "cannot write the index file " + path + ": " + io::lastError());
    }
    const size_t buffer = std::clamp<size_t>(memoryBudget / (parts * runs.list.size() + 1), 4096, 1 << 16);
    if (!failure.failed()) {
        onWorkers([&](size_t p) {
            if (p >= parts) return;
            std::vector<std::unique_ptr<Cursor>> cursors;
            for (size_t r = 0; r < runs.list.size(); ++r)
                cursors.push_back(
                    std::make_unique<Cursor>(*runs.list[r], runs.fd, places[r][p], places[r][p + 1], buffer));
            auto greater = [&cursors, &order](size_t a, size_t b) {
                return order.less(cursors[b]->key, cursors[b]->recno, cursors[a]->key, cursors[a]->recno);
            };
            std::priority_queue<size_t, std::vector<size_t>, decltype(greater)> heap(greater);
            for (size_t i = 0; i < cursors.size(); ++i)
                if (cursors[i]->next()) heap.push(i);
            io::Writer writer(out, 1 << 16, dataStart + 4 * firstSlot[p]);
            unsigned char num[4];
            while (!heap.empty()) {
                const size_t i = heap.top();
                heap.pop();
                io::putLe32(num, cursors[i]->recno);
                writer.write(num, sizeof num);
                if (cursors[i]->next()) heap.push(i);
            }
            for (const auto& c : cursors)
                if (c->failed()) failure.note(0, "cannot read back a temporary sort file");
            if (!writer.flush()) failure.note(0, "cannot write the index file " + path + ": " + io::lastError());
        });
    }
    bool ok = !failure.failed();
    if (!ok) *error = failure.error;
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
