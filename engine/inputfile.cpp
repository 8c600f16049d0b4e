#include "engine/inputfile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>


namespace engine {

namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

}  // namespace

std::string fullPath(const std::string& name) {
    std::string n = name;
    std::replace(n.begin(), n.end(), '\\', '/');
    if (n.empty())
        return n;
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(n), ec);
    if (ec)
        return n;
    return p.lexically_normal().string();
}

std::string directoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int checkInputName(const std::string& path, Format format) {
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(fs::path(path), ec))
        return format == Format::DBF ? 7 : 25;
    const std::string l = lower(path);
    const std::string last4 = l.size() >= 4 ? l.substr(l.size() - 4) : l;
    if (format == Format::DBF)
        return last4 == ".dbf" ? 0 : 16;
    const std::string forbidden = format == Format::CSV ? ".dbf.sdf.exe.bat.sys.com.dll" : ".dbf.csv.exe.bat.sys.com.dll";
    if (forbidden.find(last4) != std::string::npos)
        return 17;
    return 0;
}

int checkInputName(const std::string& path, Format format, Charset charset) {
    if (const int error = checkInputName(path, format)) return error;
    if (format == Format::DBF || charset != Charset::UTF16) return 0;
    // UTF-16 is read little-endian; a big-endian file would read as no text at all.
    unsigned char bom[2] = {0, 0};
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        const size_t got = std::fread(bom, 1, 2, f);
        std::fclose(f);
        if (got == 2 && bom[0] == 0xFE && bom[1] == 0xFF) return 94;
    }
    return 0;
}

}  // namespace engine
