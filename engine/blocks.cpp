#include "engine/blocks.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/filehandle.h"

namespace engine {

namespace {

thread_local bool t_worker = false;

// The number an environment variable holds, where it holds one from 1 on; 0 otherwise.
int64_t positiveEnvironment(const char* name) {
    const char* v = std::getenv(name);
    if (!v) return 0;
    char* end = nullptr;
    const long long n = std::strtoll(v, &end, 10);
    return end != v && *end == '\0' && n >= 1 ? static_cast<int64_t>(n) : 0;
}

// MIRVANO_BLOCK_BYTES sets the size of a block (tests cut small files into many blocks so
// that records and frames straddle their starts); 0 when it is not set.
int64_t givenBlockBytes() { return positiveEnvironment("MIRVANO_BLOCK_BYTES"); }

}  // namespace

unsigned workerCount() {
    if (const int64_t n = positiveEnvironment("MIRVANO_THREADS")) return static_cast<unsigned>(std::min<int64_t>(n, 256));
    const unsigned n = std::thread::hardware_concurrency();
    return n ? n : 1;
}

bool onWorkerThread() { return t_worker; }

bool runBlocks(size_t blocks, unsigned workers, size_t window, const std::function<void(size_t, unsigned)>& work,
               const std::function<bool(size_t)>& take, const std::function<bool()>& wait,
               const std::function<void()>& stopping) {
    if (window < workers) window = workers;
    std::mutex m;
    std::condition_variable workerCv, takerCv;
    std::vector<char> done(blocks, 0);
    size_t next = 0;     // the next block a worker takes on
    size_t taken = 0;    // blocks taken up by the run's thread
    bool stop = false;

    auto workerLoop = [&](unsigned id) {
        t_worker = true;
        for (;;) {
            size_t block;
            {
                std::unique_lock lock(m);
                workerCv.wait(lock, [&] { return stop || next >= blocks || next < taken + window; });
                if (stop || next >= blocks) return;
                block = next++;
            }
            work(block, id);
            {
                std::lock_guard lock(m);
                done[block] = 1;
            }
            takerCv.notify_one();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(workers);
    for (unsigned i = 0; i < workers; ++i) threads.emplace_back(workerLoop, i);

    bool all = true;
    for (size_t b = 0; b < blocks && all; ++b) {
        for (;;) {
            {
                std::unique_lock lock(m);
                if (takerCv.wait_for(lock, std::chrono::milliseconds(10), [&] { return done[b] != 0; })) break;
            }
            if (!wait()) {
                all = false;
                break;
            }
        }
        if (!all || !take(b)) {
            all = false;
            break;
        }
        {
            std::lock_guard lock(m);
            taken = b + 1;
        }
        workerCv.notify_all();
    }
    {
        std::lock_guard lock(m);
        stop = true;
    }
    if (!all && stopping) stopping();
    workerCv.notify_all();
    for (auto& t : threads) t.join();
    return all;
}

size_t textBlockCount(const LineReader& input, int64_t size, unsigned workers) {
    // UTF-16 lines end in units, which a byte offset may split.
    if (workers < 2 || input.input() == Charset::UTF16) return 1;
    int64_t block = givenBlockBytes();
    if (!block) {
        // Blocks of a megabyte at least, about eight per worker; a small file is read at once.
        constexpr int64_t kBlock = int64_t{1} << 20;
        if (size < 4 * kBlock) return 1;
        block = std::max<int64_t>(kBlock, size / (8 * static_cast<int64_t>(workers)));
    }
    return static_cast<size_t>(std::clamp<int64_t>(size / block, 1, int64_t{1} << 20));
}

size_t tableBlockCount(int64_t records, unsigned workers) {
    if (workers < 2) return 1;
    int64_t block = givenBlockBytes();
    if (!block) {
        // About eight blocks per worker of some thousand records at least.
        constexpr int64_t kRecords = 16384;
        if (records < 4 * kRecords) return 1;
        block = std::max<int64_t>(kRecords, records / (8 * static_cast<int64_t>(workers)));
    }
    return static_cast<size_t>(std::clamp<int64_t>(records / block, 1, int64_t{1} << 20));
}

std::vector<int64_t> lineBlockStarts(LineReader& probe, int64_t from, int64_t size, size_t blocks) {
    std::vector<int64_t> starts{from};
    std::string raw;
    for (size_t b = 1; b < blocks; ++b) {
        const double share = static_cast<double>(size - from) * static_cast<double>(b) / static_cast<double>(blocks);
        const int64_t guess = std::max(starts.back(), from + static_cast<int64_t>(share));
        int64_t at = size;
        if (guess < size && probe.seek(guess) && probe.nextRaw(raw) && !probe.readFailed()) at = probe.position();
        starts.push_back(std::max(at, starts.back()));
    }
    starts.push_back(size);
    return starts;
}

ReaderShare::~ReaderShare() {
    reader.reset();
    if (handle != win::INVALID_FILE_HANDLE) win::CloseHandle(handle);
}

bool ReaderShare::open(const LineReader& input) {
    handle = win::ReopenFile(input.handle());
    if (handle == win::INVALID_FILE_HANDLE) return false;
    reader = std::make_unique<LineReader>(handle, input.input(), input.working());
    return true;
}

}  // namespace engine
