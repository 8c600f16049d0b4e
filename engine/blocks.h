#pragma once
// Blocks of one pass worked on by several threads and taken up in order by the run's thread.
//
// A pass over a large input is cut into blocks; workers work on them ahead of the run's thread,
// which takes each block's result in input order (writes its output, counts its records),
// pumps the events while it waits and can stop the pass at any block. Workers never touch the
// GUI. They run at most a window of blocks ahead of the one taken up, so memory stays bounded
// by the blocks in flight, not by the file.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/lineio.h"

namespace engine {

// The threads a pass may use: the environment variable MIRVANO_THREADS where it holds a
// number from 1 on, else the machine's cores. 1 keeps every pass on the run's thread.
unsigned workerCount();

// Whether the calling thread is one of runBlocks' workers (which must not pump events).
bool onWorkerThread();

// Runs work(block, worker) for the blocks 0 .. blocks-1 on `workers` threads (worker is
// 0 .. workers-1, so per-worker state can be indexed by it) and take(block) on the calling
// thread for each block in order, once its work is done. While it waits for a block the
// calling thread calls wait() about every 10 ms. take() or wait() returning false stops the
// pass: no block after it is taken, and every worker has ended when this returns (a worker
// that is inside work() finishes that block; `stopping` tells it to cut the block short). The
// return value is whether every block was taken.
bool runBlocks(size_t blocks, unsigned workers, size_t window, const std::function<void(size_t, unsigned)>& work,
               const std::function<bool(size_t)>& take, const std::function<bool()>& wait,
               const std::function<void()>& stopping = {});

// How many blocks a text input's pass is cut into for `workers` threads: blocks of a
// megabyte or more, about eight per worker, or of the size MIRVANO_BLOCK_BYTES gives; below 2
// (a small file, one thread, UTF-16 text) the pass runs in sequence.
size_t textBlockCount(const LineReader& input, int64_t size, unsigned workers);

// How many blocks of record numbers a dBase input's pass is cut into for `workers` threads
// (MIRVANO_BLOCK_BYTES, where set, gives the records of a block); below 2 it runs in sequence.
size_t tableBlockCount(int64_t records, unsigned workers);

// The starts of `blocks` blocks of a text input from `from` to `size`, and `size` behind them:
// each the start of a line, found as the line reader finds one (a CR LF is never split), read
// through `probe` (a reader of the input of its own).
std::vector<int64_t> lineBlockStarts(LineReader& probe, int64_t from, int64_t size, size_t blocks);

// A worker's own handle of a text input and a reader over it.
struct ReaderShare {
    win::FileHandle handle = win::INVALID_FILE_HANDLE;
    std::unique_ptr<LineReader> reader;
    ReaderShare() = default;
    ReaderShare(const ReaderShare&) = delete;
    ReaderShare& operator=(const ReaderShare&) = delete;
    ~ReaderShare();
    // False when the input cannot be opened once more.
    bool open(const LineReader& input);
};

}  // namespace engine
