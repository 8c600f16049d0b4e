#include "platform/win/filehandle.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>

namespace win {

namespace {

thread_local int t_lastError = 0;

constexpr size_t kChunk = 256 * 1024;

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

// One read-ahead object per descriptor number, kept for the life of the process so that its
// address stays valid; closing a handle only empties it.
class ReadAheadTable {
public:
    static ReadAhead* find(FileHandle h) {
        std::lock_guard lock(mutex());
        auto& t = table();
        if (h < 0 || static_cast<size_t>(h) >= t.size())
            return nullptr;
        return t[static_cast<size_t>(h)].get();
    }
    static ReadAhead* get(FileHandle h) {
        if (h < 0)
            return nullptr;
        std::lock_guard lock(mutex());
        auto& t = table();
        if (static_cast<size_t>(h) >= t.size())
            t.resize(static_cast<size_t>(h) + 1);
        auto& slot = t[static_cast<size_t>(h)];
        if (!slot) {
            slot = std::make_unique<ReadAhead>();
            slot->handle_ = h;
        }
        return slot.get();
    }
    static bool sync(FileHandle h) {
        ReadAhead* ra = find(h);
        if (!ra || !ra->active_)
            return true;
        const int64_t logical = ra->osPos_ - static_cast<int64_t>(ra->end_ - ra->begin_);
        const bool moved = logical != ra->osPos_;
        forget(*ra);
        if (moved && ::lseek(h, logical, SEEK_SET) < 0)
            return fail();
        return true;
    }
    static void forget(ReadAhead& ra) {
        ra.active_ = false;
        ra.begin_ = ra.end_ = 0;
        if (ra.buf_.capacity() > 4 * kChunk)
            std::vector<char>().swap(ra.buf_);
    }
    static int64_t tell(FileHandle h) {
        ReadAhead* ra = find(h);
        return ra && ra->active_ ? ra->osPos_ - static_cast<int64_t>(ra->end_ - ra->begin_) : -1;
    }

private:
    // A conversion's workers each read a handle of their own while the run's thread writes:
    // the table is shared, each read-ahead object is used by the thread of its handle.
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static std::vector<std::unique_ptr<ReadAhead>>& table() {
        static std::vector<std::unique_ptr<ReadAhead>> t;
        return t;
    }
};

bool ReadAhead::refill(size_t want) {
    if (!active_) {
        off_t pos = ::lseek(handle_, 0, SEEK_CUR);
        if (pos < 0)
            return fail();
        osPos_ = pos;
        begin_ = end_ = 0;
        active_ = true;
    }
    // Keep the unread bytes, then fill up with whole chunks.
    if (begin_ > 0) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (buf_.size() < kChunk)
        buf_.resize(kChunk);
    while (end_ < want) {
        if (end_ == buf_.size())  // a window wider than a chunk: grow as the bytes come
            buf_.resize(std::min(want, 2 * buf_.size()));
        ssize_t n = ::read(handle_, buf_.data() + end_, buf_.size() - end_);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail();
        }
        if (n == 0)
            break;
        end_ += static_cast<size_t>(n);
        osPos_ += n;
    }
    t_lastError = 0;
    return true;
}

ReadAhead* FileReadAhead(FileHandle h) { return ReadAheadTable::get(h); }

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

FileHandle ReopenFile(FileHandle h) {
    if (h < 0) {
        t_lastError = EBADF;
        return INVALID_FILE_HANDLE;
    }
    return OpenFile("/proc/self/fd/" + std::to_string(h), 0);
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

bool FileSync(FileHandle h) { return ReadAheadTable::sync(h); }

void FileForget(FileHandle h) {
    if (ReadAhead* ra = ReadAheadTable::find(h))
        ReadAheadTable::forget(*ra);
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
    if (h < 0) {
        t_lastError = EBADF;
        return false;
    }
    if (::fstat(h, &sb) != 0)
        return fail();
    if (size)
        *size = static_cast<int64_t>(sb.st_size);
    t_lastError = 0;
    return true;
}

int64_t FileTell(FileHandle h) {
    if (int64_t pos = ReadAheadTable::tell(h); pos >= 0)
        return pos;
    off_t pos = ::lseek(h, 0, SEEK_CUR);
    if (pos < 0) {
        fail();
        return -1;
    }
    return pos;
}

}  // namespace win
