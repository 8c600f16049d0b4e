#pragma once
// Small helpers of the input tests: files written from bytes, handles opened for reading.
#include <fstream>
#include <string>

#include "platform/runtime/files.h"

namespace input_test {

inline std::string writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A read handle that closes itself.
struct Handle {
    explicit Handle(const std::string& path, int mode = 0) : h(rt::FOpen(path, mode)) {}
    ~Handle() {
        if (h != -1)
            rt::FClose(h);
    }
    int h;
};

}  // namespace input_test
