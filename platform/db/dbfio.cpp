#include "platform/db/dbfio.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace db::io {

bool readAt(int fd, void* buffer, size_t count, int64_t offset, size_t* got) {
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t n = ::pread(fd, p + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            *got = done;
            return false;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    *got = done;
    return true;
}

bool writeAt(int fd, const void* data, size_t count, int64_t offset) {
    size_t done = 0;
    const auto* p = static_cast<const char*>(data);
    while (done < count) {
        const ssize_t n = ::pwrite(fd, p + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

int64_t fileSize(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

std::string lastError() { return std::strerror(errno); }

uint16_t le16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t le32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t le64(const unsigned char* p) { return static_cast<uint64_t>(le32(p)) | (static_cast<uint64_t>(le32(p + 4)) << 32); }
uint32_t be32(const unsigned char* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) | (static_cast<uint32_t>(p[2]) << 8) |
           static_cast<uint32_t>(p[3]);
}
uint16_t be16(const unsigned char* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
void putLe16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void putLe32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
void putLe64(unsigned char* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

Writer::Writer(int fd, size_t bufferSize, int64_t start) : fd_(fd), buffer_(bufferSize), start_(start) {}
Writer::~Writer() = default;

void Writer::write(const void* data, size_t count) {
    const auto* p = static_cast<const char*>(data);
    while (count > 0) {
        if (used_ == buffer_.size() && !flush()) return;
        const size_t n = std::min(count, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, p, n);
        used_ += n;
        p += n;
        count -= n;
    }
}

bool Writer::flush() {
    if (!ok_) return false;
    if (used_ > 0) {
        if (!writeAt(fd_, buffer_.data(), used_, start_ + written_)) {
            ok_ = false;
            return false;
        }
        written_ += static_cast<int64_t>(used_);
        used_ = 0;
    }
    return true;
}

Reader::Reader(int fd, int64_t start, int64_t end, size_t bufferSize)
    : fd_(fd), next_(start), end_(end), buffer_(bufferSize) {}

bool Reader::fill() {
    if (next_ >= end_) return false;
    const size_t want = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buffer_.size()), end_ - next_));
    size_t got = 0;
    if (!readAt(fd_, buffer_.data(), want, next_, &got) || got == 0) {
        failed_ = true;
        return false;
    }
    next_ += static_cast<int64_t>(got);
    pos_ = 0;
    size_ = got;
    return true;
}

bool Reader::read(void* out, size_t count) {
    auto* p = static_cast<char*>(out);
    while (count > 0) {
        if (pos_ == size_ && !fill()) return false;
        const size_t n = std::min(count, size_ - pos_);
        std::memcpy(p, buffer_.data() + pos_, n);
        pos_ += n;
        p += n;
        count -= n;
    }
    return true;
}

}  // namespace db::io
