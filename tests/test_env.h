#pragma once
// Environment of the test executables (offscreen screen, pinned fonts, fixture paths).
#include <cstdlib>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace mirvano_test {

inline std::string source_dir() { return MIRVANO_SOURCE_DIR; }
inline std::string fixture(const std::string& name) { return source_dir() + "/tests/fixtures/" + name; }

// A fresh, empty directory below the system temp directory, unique per call.
inline std::filesystem::path temp_dir(const std::string& tag) {
    static int counter = 0;
    auto base = std::filesystem::temp_directory_path() /
                ("mirvano-test-" + std::to_string(::getpid()) + "-" + tag + "-" + std::to_string(counter++));
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    return base;
}

// The whole content of a file as bytes ("" when it cannot be read).
inline std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void writeAll(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

inline void prepare_qt_environment() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || std::string(platform) == "offscreen") {
        std::string value = "offscreen:configfile=" + source_dir() + "/tests/offscreen.json";
        ::setenv("QT_QPA_PLATFORM", value.c_str(), 1);
    }
    ::setenv("FONTCONFIG_FILE", (source_dir() + "/tests/fonts.conf").c_str(), 0);
    ::setenv("QT_SCALE_FACTOR", "1", 1);
}

}  // namespace mirvano_test
