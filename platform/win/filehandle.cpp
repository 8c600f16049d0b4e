#include "platform/win/filehandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace win {

namespace {

thread_local int t_lastError = 0;

// Read-ahead bytes of one descriptor: buf[begin, end) are the file's bytes from the
// observable position on; the descriptor itself stands at osPos, just after them.
struct ReadAhead {
    std::vector<char> buf;
    size_t begin = 0;
    size_t end = 0;
    int64_t osPos = 0;
    bool active = false;  // osPos and the buffer are valid
};

constexpr size_t kChunk = 256 * 1024;

std::vector<std::unique_ptr<ReadAhead>> g_states;

ReadAhead* findState(FileHandle h) {
    if (h < 0 || static_cast<size_t>(h) >= g_states.size())
        return nullptr;
    return g_states[static_cast<size_t>(h)].get();
}

ReadAhead& state(FileHandle h) {
    if (static_cast<size_t>(h) >= g_states.size())
        g_states.resize(static_cast<size_t>(h) + 1);
    auto& slot = g_states[static_cast<size_t>(h)];
    if (!slot)
        slot = std::make_unique<ReadAhead>();
    return *slot;
}

std::string osName(const std::string& name) {
    std::string out = name;
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

bool fail() {
    t_lastError = errno ? errno : EIO;
    return false;
}

}  // namespace

int GetLastError() { return t_lastError; }
void SetLastError(int code) { t_lastError = code; }

FileHandle OpenFile(const std::string& name, int mode) {
    int flags = mode == 1 ? O_WRONLY : mode == 2 ? O_RDWR : O_RDONLY;
    int fd;
    do {
        fd = ::open(osName(name).c_str(), flags | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail();
        return INVALID_FILE_HANDLE;
    }
    FileForget(fd);
    t_lastError = 0;
    return fd;
}

FileHandle CreateFile(const std::string& name) {
    int fd;
    do {
        fd = ::open(osName(name).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail();
        return INVALID_FILE_HANDLE;
    }
    FileForget(fd);
    t_lastError = 0;
    return fd;
}

bool CloseHandle(FileHandle h) {
    if (h < 0) {
        t_lastError = EBADF;
        return false;
    }
    FileForget(h);
    if (::close(h) != 0)
        return fail();
    t_lastError = 0;
    return true;
}

bool FileSync(FileHandle h) {
    ReadAhead* st = findState(h);
    if (!st || !st->active)
        return true;
    const int64_t logical = st->osPos - static_cast<int64_t>(st->end - st->begin);
    st->active = false;
    st->begin = st->end = 0;
    if (logical != st->osPos && ::lseek(h, logical, SEEK_SET) < 0)
        return fail();
    return true;
}

void FileForget(FileHandle h) {
    if (ReadAhead* st = findState(h)) {
        st->active = false;
        st->begin = st->end = 0;
        if (st->buf.capacity() > 4 * kChunk)
            std::vector<char>().swap(st->buf);
    }
}

bool ReadFile(FileHandle h, void* buffer, size_t count, size_t* read) {
    if (read)
        *read = 0;
    if (!FileSync(h))
        return false;
    for (;;) {
        ssize_t n = ::read(h, buffer, count);
        if (n >= 0) {
            if (read)
                *read = static_cast<size_t>(n);
            t_lastError = 0;
            return true;
        }
        if (errno != EINTR)
            return fail();
    }
}

bool WriteFile(FileHandle h, const void* data, size_t count, size_t* written) {
    if (written)
        *written = 0;
    if (!FileSync(h))
        return false;
    const char* p = static_cast<const char*>(data);
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::write(h, p + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (written)
                *written = done;
            return fail();
        }
        done += static_cast<size_t>(n);
    }
    if (written)
        *written = done;
    t_lastError = 0;
    return true;
}

bool SetFilePointer(FileHandle h, int64_t distance, int method, int64_t* newPosition) {
    int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_END ? SEEK_END : SEEK_CUR;
    if (method == FILE_CURRENT && distance == 0) {
        // A pure position query needs no system call while read-ahead bytes are held.
        int64_t pos = FileTell(h);
        if (pos < 0)
            return false;
        if (newPosition)
            *newPosition = pos;
        t_lastError = 0;
        return true;
    }
    if (!FileSync(h))
        return false;
    off_t pos = ::lseek(h, static_cast<off_t>(distance), whence);
    if (pos < 0)
        return fail();
    if (newPosition)
        *newPosition = pos;
    t_lastError = 0;
    return true;
}

bool GetFileSize(FileHandle h, int64_t* size) {
    struct stat sb;
    if (h < 0 || ::fstat(h, &sb) != 0) {
        if (h < 0)
            errno = EBADF;
        return fail();
    }
    if (size)
        *size = static_cast<int64_t>(sb.st_size);
    t_lastError = 0;
    return true;
}

int64_t FileTell(FileHandle h) {
    if (ReadAhead* st = findState(h); st && st->active)
        return st->osPos - static_cast<int64_t>(st->end - st->begin);
    off_t pos = ::lseek(h, 0, SEEK_CUR);
    if (pos < 0) {
        fail();
        return -1;
    }
    return pos;
}

bool FilePeek(FileHandle h, size_t want, const char** data, size_t* available) {
    *data = nullptr;
    *available = 0;
    if (h < 0) {
        t_lastError = EBADF;
        return false;
    }
    ReadAhead& st = state(h);
    if (!st.active) {
        off_t pos = ::lseek(h, 0, SEEK_CUR);
        if (pos < 0)
            return fail();
        st.osPos = pos;
        st.begin = st.end = 0;
        st.active = true;
    }
    if (st.end - st.begin < want) {
        // Keep the unread bytes, then fill up with whole chunks.
        if (st.begin > 0) {
            std::memmove(st.buf.data(), st.buf.data() + st.begin, st.end - st.begin);
            st.end -= st.begin;
            st.begin = 0;
        }
        const size_t capacity = std::max(want, kChunk);
        if (st.buf.size() < capacity)
            st.buf.resize(capacity);
        while (st.end < want) {
            ssize_t n = ::read(h, st.buf.data() + st.end, st.buf.size() - st.end);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return fail();
            }
            if (n == 0)
                break;
            st.end += static_cast<size_t>(n);
            st.osPos += n;
        }
    }
    *data = st.buf.data() + st.begin;
    *available = st.end - st.begin;
    t_lastError = 0;
    return true;
}

void FileConsume(FileHandle h, size_t count) {
    ReadAhead* st = findState(h);
    if (!st || !st->active)
        return;
    st->begin += std::min(count, st->end - st->begin);
    if (st->begin == st->end)
        st->begin = st->end = 0;
}

}  // namespace win
