#include "platform/runtime/files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/win/filehandle.h"

namespace rt {

namespace {

// Each thread has its own last error, as each has its own errno: a conversion's workers read
// their own handles, and one's end of file is no error of another's.
thread_local int gLastError = 0;

void setError(int code) { gLastError = code; }

std::string nativeName(const std::string& name) {
    std::string out = name;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

int openFile(const std::string& name, int flags) {
    std::string path = nativeName(name);
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        setError(errno);
        return -1;
    }
    struct stat st{};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        setError(EISDIR);
        return -1;
    }
    win::FileForget(fd);  // a reused descriptor number must not see old read-ahead bytes
    setError(0);
    return fd;
}

bool writeAll(int fd, const char* data, size_t size, size_t& written) {
    written = 0;
    while (written < size) {
        ssize_t n = ::write(fd, data + written, size - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            setError(errno);
            return false;
        }
        if (n == 0) {
            setError(EIO);
            return false;
        }
        written += static_cast<size_t>(n);
    }
    return true;
}

void splitPattern(const std::string& pattern, std::string& dir, std::string& mask) {
    std::string p = nativeName(pattern);
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) {
        dir = ".";
        mask = p;
    } else {
        dir = slash == 0 ? "/" : p.substr(0, slash);
        mask = p.substr(slash + 1);
    }
}

template <class Fn>
void forEachMatch(const std::string& pattern, Fn fn) {
    std::string dir, mask;
    splitPattern(pattern, dir, mask);
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        setError(errno);
        return;
    }
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (::fnmatch(mask.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
        struct stat st{};
        std::string full = (dir == "/" ? "" : dir) + "/" + name;
        if (::stat(full.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) continue;
        if (!fn(name)) break;
    }
    ::closedir(d);
}

}  // namespace

int FOpen(const std::string& name, int mode) {
    int access = mode & 3;
    int flags = access == FO_WRITE ? O_WRONLY : access == FO_READWRITE ? O_RDWR : O_RDONLY;
    return openFile(name, flags);
}

int FCreate(const std::string& name) { return openFile(name, O_RDWR | O_CREAT | O_TRUNC); }

int64_t FSeek(int handle, int64_t offset, int origin) {
    int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    win::FileSync(handle);  // the line readers' read-ahead: seek from the observable position
    off_t pos = ::lseek(handle, static_cast<off_t>(offset), whence);
    if (pos < 0) {
        setError(errno);
        return -1;
    }
    return static_cast<int64_t>(pos);
}

bool FRewind(int handle) { return FSeek(handle, 0, 0) == 0; }

size_t FWrite(int handle, std::string_view text) { return FWrite(handle, text, text.size()); }

size_t FWrite(int handle, std::string_view text, size_t count) {
    size_t written = 0;
    win::FileSync(handle);
    writeAll(handle, text.data(), std::min(count, text.size()), written);
    return written;
}

size_t FWriteLine(int handle, std::string_view text) {
    std::string line(text);
    line += "\r\n";
    return FWrite(handle, line);
}

std::string FRead(int handle, size_t count) {
    win::FileSync(handle);
    std::string out(count, '\0');
    size_t got = 0;
    while (got < count) {
        ssize_t n = ::read(handle, out.data() + got, count - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            setError(errno);
            break;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return out;
}

bool FReadLine(int handle, std::string& line, size_t limit) {
    line.clear();
    if (limit == 0) limit = 1;
    win::FileSync(handle);
    off_t start = ::lseek(handle, 0, SEEK_CUR);
    if (start < 0) {
        setError(errno);
        return false;
    }
    // One byte beyond the limit tells whether a line of exactly `limit` bytes ends there,
    // one more whether its CR is followed by LF.
    std::string buf = FRead(handle, limit + 2);
    if (buf.empty()) return false;
    size_t end = buf.find_first_of("\r\n");
    size_t consumed;
    if (end == std::string::npos || end > limit) {
        end = std::min(limit, buf.size());
        consumed = end;
    } else {
        consumed = end + 1;
        if (buf[end] == '\r' && end + 1 < buf.size() && buf[end + 1] == '\n') ++consumed;
    }
    line.assign(buf, 0, end);
    ::lseek(handle, start + static_cast<off_t>(consumed), SEEK_SET);
    return true;
}

bool FCommit(int handle) {
    if (::fsync(handle) != 0) {
        setError(errno);
        return false;
    }
    return true;
}

bool FClose(int handle) {
    win::FileForget(handle);
    if (handle < 0 || ::close(handle) != 0) {
        setError(handle < 0 ? EBADF : errno);
        return false;
    }
    return true;
}

int FError() { return gLastError; }

int FError(int code) { return std::exchange(gLastError, code); }

bool File(const std::string& name) {
    std::string path = nativeName(name);
    std::string dir, mask;
    splitPattern(path, dir, mask);
    if (mask.find_first_of("*?") != std::string::npos) {
        bool found = false;
        forEachMatch(path, [&](const std::string&) { found = true; return false; });
        return found;
    }
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool FErase(const std::string& name) {
    if (::unlink(nativeName(name).c_str()) != 0) {
        setError(errno);
        return false;
    }
    return true;
}

bool FCopy(const std::string& source, const std::string& target) {
    std::string src = nativeName(source), dst = nativeName(target);
    int in = openFile(src, O_RDONLY);
    if (in < 0) return false;
    std::string tmpl = dst + ".XXXXXX";
    int out = ::mkstemp(tmpl.data());
    if (out < 0) {
        setError(errno);
        ::close(in);
        return false;
    }
    bool ok = true;
    std::string buf(1 << 20, '\0');
    while (ok) {
        ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            setError(errno);
            ok = false;
            break;
        }
        if (n == 0) break;
        size_t written;
        ok = writeAll(out, buf.data(), static_cast<size_t>(n), written);
    }
    struct stat st{};
    if (ok && ::fstat(in, &st) == 0) ::fchmod(out, st.st_mode & 07777);
    ::close(in);
    if (::close(out) != 0 && ok) {
        setError(errno);
        ok = false;
    }
    if (ok && ::rename(tmpl.c_str(), dst.c_str()) != 0) {
        setError(errno);
        ok = false;
    }
    if (!ok) ::unlink(tmpl.c_str());
    else setError(0);
    return ok;
}

std::vector<std::string> Directory(const std::string& pattern) {
    std::vector<std::string> names;
    forEachMatch(pattern, [&](const std::string& name) { names.push_back(name); return true; });
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace rt
