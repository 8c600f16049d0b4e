// Reads every line of a text file through the large-file line reader and prints the count and
// the time taken.  Usage: linereader_bench <file> [buffer size, default 4096]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "functions/largefile.h"
#include "platform/runtime/files.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <file> [buffer size]\n", argv[0]);
        return 2;
    }
    const size_t bufferSize = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 4096;
    const int h = rt::FOpen(argv[1]);
    if (h < 0) {
        std::fprintf(stderr, "cannot open %s (error %d)\n", argv[1], rt::FError());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    long long lines = 0, bytes = 0;
    std::string line;  // reused, as a loop over a whole file would
    while (!FEOFLARGE(h)) {
        FREADLINELARGE(h, bufferSize, line);
        ++lines;
        bytes += static_cast<long long>(line.size());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int error = rt::FError();
    rt::FClose(h);
    if (error != 0 && error != 257) {
        std::fprintf(stderr, "read error %d\n", error);
        return 1;
    }
    std::printf("lines %lld  bytes %lld  seconds %.3f  lines/s %.0f\n", lines, bytes, seconds,
                seconds > 0 ? lines / seconds : 0.0);
    return 0;
}
