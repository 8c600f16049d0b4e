// The 8-bit line reader over any file and buffer size: every call moves forward, the lines
// and their line ends cover the file exactly, and the end test agrees with the position.
#include <string>

#include "functions/largefile.h"
#include "fuzz_util.h"
#include "platform/runtime/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t opts = fuzz::takeByte(data, size);
    static const size_t buffers[] = {1, 2, 3, 7, 16, 256, 4096, 1 << 20};
    const size_t bufferSize = buffers[opts % 8];
    const std::string path = fuzz::writeFile("lines8.txt", std::string_view(reinterpret_cast<const char*>(data), size));
    const int h = rt::FOpen(path);
    FUZZ_CHECK(h != -1);
    FUZZ_CHECK(FGETFILESIZE(h) == static_cast<int64_t>(size));

    int64_t covered = 0;
    std::string line;
    while (!FEOFLARGE(h)) {
        const int64_t before = FTELLLARGE(h);
        FUZZ_CHECK(before == covered);
        const bool got = (opts & 0x80) ? FREADLINELARGE(h, bufferSize, line) : (line = FREADLINELARGE(h, bufferSize), true);
        const int64_t after = FTELLLARGE(h);
        FUZZ_CHECK(got);
        FUZZ_CHECK(after > before);
        FUZZ_CHECK(line.size() <= bufferSize);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
        // What lies between the line and the next position is its line end and nothing else.
        const std::string_view rest(reinterpret_cast<const char*>(data) + before + line.size(),
                                    static_cast<size_t>(after - before) - line.size());
        FUZZ_CHECK(std::string_view(reinterpret_cast<const char*>(data) + before, line.size()) == line);
        FUZZ_CHECK(rest.empty() || rest == "\r" || rest == "\n" || rest == "\r\n");
        covered = after;
    }
    FUZZ_CHECK(covered == static_cast<int64_t>(size));
    FUZZ_CHECK(FREADLINELARGE(h, bufferSize).empty());
    FUZZ_CHECK(rt::FError() == 257);
    rt::FClose(h);
    return 0;
}
