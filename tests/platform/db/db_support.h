#pragma once
// Helpers of the table tests: running the outside tools, reading raw file bytes.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace dbtest {

struct ToolResult {
    int status = -1;
    std::string out;
};

inline ToolResult runCommand(const std::string& command) {
    ToolResult r;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    std::array<char, 4096> buf{};
    size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
    r.status = ::pclose(pipe);
    return r;
}

// Runs a script with Debian's interpreter, which carries the dbf modules; empty `skip` when
// the module is there.
inline bool pythonHas(const std::string& module) {
    if (!std::filesystem::exists("/usr/bin/python3")) return false;
    return runCommand("/usr/bin/python3 -c 'import " + module + "'").status == 0;
}

inline ToolResult runPython(const std::filesystem::path& dir, const std::string& script) {
    const auto file = dir / "script.py";
    std::ofstream(file) << script;
    return runCommand("/usr/bin/python3 " + file.string());
}

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeFile(const std::filesystem::path& p, const std::string& bytes) {
    // A new file rather than a truncated one: ext4 writes a truncated file's blocks out at once.
    std::filesystem::remove(p);
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace dbtest

#define DBTEST_REQUIRE_PYTHON(module)                                                                 \
    if (!dbtest::pythonHas(module)) GTEST_SKIP() << "/usr/bin/python3 with the module " module " is missing"
