// The UTF-16LE line reader over any file (odd byte counts, lone surrogates, stray CR and LF
// bytes at odd positions) and buffer size: every call moves forward, no unit is split, the
// lines and their line ends cover the file exactly.
#include <string>

#include "functions/largefile.h"
#include "fuzz_util.h"
#include "platform/runtime/files.h"

namespace {
bool isLineEnd(std::string_view s) {
    return s.empty() || s == std::string_view("\r\0", 2) || s == std::string_view("\n\0", 2) ||
           s == std::string_view("\r\0\n\0", 4);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t opts = fuzz::takeByte(data, size);
    static const size_t buffers[] = {1, 2, 3, 4, 8, 512, 8192, 1 << 20};
    const size_t bufferSize = buffers[opts % 8];
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzz::writeFile("lines16.txt", text);
    const int h = rt::FOpen(path);
    FUZZ_CHECK(h != -1);

    int64_t covered = 0;
    std::string line;
    long calls = 0;
    while (!FEOFLARGE(h)) {
        const int64_t before = FTELLLARGE(h);
        FUZZ_CHECK(before == covered);
        const bool got = (opts & 0x80) ? FREADLINEUNICODE(h, bufferSize, line) : (line = FREADLINEUNICODE(h, bufferSize), true);
        const int64_t after = FTELLLARGE(h);
        FUZZ_CHECK(got);
        // A buffer of one byte cannot hold a unit; the reader must still not stand still.
        FUZZ_CHECK(after > before);
        FUZZ_CHECK(FTELLLARGE(h) <= static_cast<int64_t>(size));
        FUZZ_CHECK(text.substr(static_cast<size_t>(before), line.size()) == line);
        // A line that ended at a line end holds whole units; only the file's last piece may
        // be odd.
        const std::string_view rest = text.substr(static_cast<size_t>(before) + line.size(),
                                                  static_cast<size_t>(after - before) - line.size());
        FUZZ_CHECK(isLineEnd(rest));
        if (!rest.empty())
            FUZZ_CHECK(line.size() % 2 == 0);
        covered = after;
        ++calls;
        FUZZ_CHECK(calls <= static_cast<long>(size) + 1);
    }
    FUZZ_CHECK(covered == static_cast<int64_t>(size));
    rt::FClose(h);
    return 0;
}
