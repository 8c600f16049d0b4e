#include "engine/tableundo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace engine {

namespace fs = std::filesystem;

namespace {

bool readAt(int fd, std::string& out, size_t n, int64_t at) {
    out.resize(n);
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, out.data() + got, n - got, static_cast<off_t>(at + static_cast<int64_t>(got)));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        got += static_cast<size_t>(r);
    }
    return true;
}

bool writeAt(int fd, const std::string& bytes, int64_t at) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t r =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(at + static_cast<int64_t>(done)));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        done += static_cast<size_t>(r);
    }
    return true;
}

uint32_t le(const std::string& s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
    return v;
}

constexpr size_t kMemoHeader = 512;
// More than this behind the last whole record is no end mark but damage an append would not
// write over as a whole; it is kept all the same, up to this much.
constexpr int64_t kMaxTail = int64_t{1} << 20;

}  // namespace

std::string memoFileBeside(const std::string& table) {
    std::error_code ec;
    for (const char* ext : {".dbt", ".DBT", ".fpt", ".FPT"}) {
        fs::path p(table);
        p.replace_extension(ext);
        if (fs::is_regular_file(p, ec)) return p.string();
    }
    return {};
}

bool TableUndo::note(const std::string& path, File& file, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (error) *error = std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    file.path = path;
    file.device = st.st_dev;
    file.inode = st.st_ino;
    file.size = st.st_size;
    bool ok = readAt(fd, file.head, static_cast<size_t>(std::min<int64_t>(file.size, kMemoHeader)), 0);
    file.tailFrom = file.size;
    ::close(fd);
    if (!ok && error) *error = "cannot read " + path;
    return ok;
}

bool TableUndo::capture(const std::string& path) {
    clear();
    File table, memo;
    if (!note(path, table, nullptr) || table.head.size() < 12) return false;
    // Appends write from the end of the last whole record on: keep what lies there.
    const int64_t header = le(table.head, 8, 2), record = le(table.head, 10, 2);
    if (record > 0 && header <= table.size) {
        const int64_t whole = std::min<int64_t>(le(table.head, 4, 4), (table.size - header) / record);
        table.tailFrom = std::max(header + whole * record, table.size - kMaxTail);
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const bool ok = fd >= 0 && readAt(fd, table.tail, static_cast<size_t>(table.size - table.tailFrom), table.tailFrom);
        if (fd >= 0) ::close(fd);
        if (!ok) return false;
    }
    table.head.resize(std::min<size_t>(table.head.size(), 32));
    if (const std::string m = memoFileBeside(path); !m.empty() && !note(m, memo, nullptr)) return false;
    table_ = std::move(table);
    memo_ = std::move(memo);
    return true;
}

bool TableUndo::putBack(const File& file, std::string* error) {
    if (file.path.empty()) return true;
    const int fd = ::open(file.path.c_str(), O_RDWR | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (fd >= 0) ::close(fd);
        if (errno == ENOENT) return true;  // taken away by a replacement: nothing of ours to put back
        if (error) *error = file.path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    if (st.st_dev == file.device && st.st_ino == file.inode) {
        // Cutting back first frees the space the rewrites of the headers may need.
        ok = ::ftruncate(fd, static_cast<off_t>(file.size)) == 0 && writeAt(fd, file.tail, file.tailFrom) &&
             writeAt(fd, file.head, 0) && ::fsync(fd) == 0;
        if (!ok && error) *error = file.path + ": " + std::strerror(errno);
    }
    if (::close(fd) != 0 && ok) {
        if (error) *error = file.path + ": " + std::strerror(errno);
        ok = false;
    }
    return ok;
}

bool TableUndo::restore(std::string* error) const {
    const bool table = putBack(table_, error);
    return putBack(memo_, error) && table;
}

}  // namespace engine
