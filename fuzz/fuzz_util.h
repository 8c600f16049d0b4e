#pragma once
// Helpers shared by the fuzz targets: the input written to a file of this process (the
// readers take files, not memory), and a check that stops the run with a clear message.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace fuzz {

// A directory of this process under the temporary directory, made on first use.
inline const std::filesystem::path& workDir() {
    static const std::filesystem::path dir = [] {
        std::filesystem::path d = std::filesystem::temp_directory_path() / ("mirvano-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

inline std::string writeFile(const std::string& name, std::string_view bytes) {
    const std::string path = (workDir() / name).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline void removeFile(const std::string& name) {
    std::error_code ec;
    std::filesystem::remove(workDir() / name, ec);
}

// A broken promise of the reader: report it and abort, so that libFuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                                      \
    do {                                                                                      \
        if (!(cond)) {                                                                        \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                                     \
        }                                                                                     \
    } while (0)

// Takes the first byte of the input as a choice of options; 0 when the input is empty.
inline uint8_t takeByte(const uint8_t*& data, size_t& size) {
    if (size == 0)
        return 0;
    const uint8_t b = *data;
    ++data;
    --size;
    return b;
}

// Hands bytes a reader made (a picture's pixels) to the kernel, which reads every one of them:
// valgrind's memcheck reports any that nothing wrote, however the target uses them.
inline void showToKernel(const void* bytes, size_t size) {
    static const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (sink >= 0 && size > 0) {
        const ssize_t written = ::write(sink, bytes, size);
        (void)written;
    }
}

// A run-length coded BMP may claim any size within the picture limit in a few bytes (its end
// code leaves the rest colour 0); decoding one of a quarter of a gigapixel takes seconds, the
// limit's price. The targets pass over those of more than a quarter of a megapixel.
inline bool largeCodedBmp(const uint8_t* data, size_t size) {
    if (size < 34 || data[0] != 'B' || data[1] != 'M') return false;
    auto at = [&](size_t i) { return uint32_t(data[i]) | uint32_t(data[i + 1]) << 8 | uint32_t(data[i + 2]) << 16 | uint32_t(data[i + 3]) << 24; };
    const uint32_t compression = at(30);
    if (at(14) < 40 || (compression != 1 && compression != 2)) return false;
    const int64_t width = int32_t(at(18)), height = int32_t(at(22));
    return width * height > (int64_t(1) << 18) || width * height < -(int64_t(1) << 18);
}

}  // namespace fuzz
