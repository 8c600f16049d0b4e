#pragma once
// Helpers shared by the fuzz targets: the input written to a file of this process (the
// readers take files, not memory), and a check that stops the run with a clear message.
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

}  // namespace fuzz
