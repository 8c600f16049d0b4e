#include "engine/outputfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>


namespace engine {

namespace fs = std::filesystem;

namespace {

bool isTable(const std::string& path) {
    fs::path p(path);
    std::string ext = p.extension().string();
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".dbf";
}

std::string memoOf(const std::string& table) { return fs::path(table).replace_extension(".dbt").string(); }

}  // namespace

std::string replacementName(const std::string& path) {
    fs::path p(path);
    if (isTable(path)) return (p.parent_path() / (p.stem().string() + ".~mirvano" + p.extension().string())).string();
    return (p.parent_path() / (p.filename().string() + ".~mirvano")).string();
}

bool commitReplacement(const std::string& temp, const std::string& path, std::string* error) {
    // A rename would put a plain file in the place of a device, a pipe or a directory (and,
    // run as root, destroy a device node such as /dev/full): only a file is replaced.
    std::error_code ec;
    const fs::file_status old = fs::status(path, ec);
    if (fs::exists(old) && !fs::is_regular_file(old)) {
        if (error) *error = fs::is_directory(old) ? "a directory stands in its place" : "it is not a plain file";
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    if (isTable(path)) {
        std::string tempMemo = memoOf(temp), memo = memoOf(path);
        if (fs::exists(tempMemo, ec)) {
            if (std::rename(tempMemo.c_str(), memo.c_str()) != 0) {
                if (error) *error = std::strerror(errno);
                return false;
            }
        } else {
            fs::remove(memo, ec);
        }
    }
    return true;
}

void discardReplacement(const std::string& temp) {
    std::error_code ec;
    fs::remove(temp, ec);
    if (isTable(temp)) fs::remove(memoOf(temp), ec);
}

}  // namespace engine
