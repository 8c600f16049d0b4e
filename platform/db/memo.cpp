#include "platform/db/memo.h"

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "platform/db/dbfio.h"

namespace db {

namespace {
constexpr uint32_t kDbt3Block = 512;

void putBe32(unsigned char* p, uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}
}  // namespace

MemoFile::~MemoFile() { close(); }

bool MemoFile::create(const std::string& path, std::string* error) { return create(path, Kind::Dbt3, kDbt3Block, error); }

bool MemoFile::create(const std::string& path, Kind kind, uint32_t blockSize, std::string* error) {
    if (kind == Kind::Dbt3 || blockSize == 0 || blockSize > 0xFFFF) blockSize = kDbt3Block;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = "cannot create the memo file " + path + ": " + io::lastError();
        return false;
    }
    // The header takes the first 512 bytes, and the blocks it covers.
    unsigned char header[kDbt3Block] = {};
    const uint32_t first = (kDbt3Block + blockSize - 1) / blockSize;
    if (kind == Kind::Fpt) {
        putBe32(header, first);
        header[6] = static_cast<unsigned char>(blockSize >> 8);
        header[7] = static_cast<unsigned char>(blockSize & 0xFF);
    } else {
        io::putLe32(header, first);  // next free block
        if (kind == Kind::Dbt4) {
            header[20] = static_cast<unsigned char>(blockSize & 0xFF);
            header[21] = static_cast<unsigned char>(blockSize >> 8);
        } else {
            header[16] = 0x03;
        }
    }
    const bool ok = io::writeAt(fd, header, sizeof header, 0);
    if (!ok) *error = "cannot write the memo file " + path + ": " + io::lastError();
    if (::close(fd) != 0 && ok) {
        *error = "cannot write the memo file " + path + ": " + io::lastError();
        return false;
    }
    return ok;
}

bool MemoFile::open(const std::string& path, Kind kind, bool readOnly, std::string* error) {
    close();
    fd_ = ::open(path.c_str(), (readOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC);
    if (fd_ < 0) {
        *error = "cannot open the memo file " + path + ": " + io::lastError();
        return false;
    }
    kind_ = kind;
    readOnly_ = readOnly;
    size_ = io::fileSize(fd_);
    unsigned char header[32] = {};
    size_t got = 0;
    if (size_ < 0 || !io::readAt(fd_, header, sizeof header, 0, &got) || got < 8) {
        *error = "the memo file " + path + " is truncated";
        close();
        return false;
    }
    blockSize_ = kDbt3Block;
    if (kind == Kind::Fpt) {
        blockSize_ = io::be16(header + 6);
    } else if (kind == Kind::Dbt4 && got >= 22) {
        const uint16_t size = io::le16(header + 20);
        if (size != 0) blockSize_ = size;
    }
    if (blockSize_ == 0) {
        *error = "the memo file " + path + " has a block size of 0";
        close();
        return false;
    }
    return true;
}

bool MemoFile::openReadCopy(const MemoFile& other, std::string* error) {
    close();
    fd_ = ::fcntl(other.fd_, F_DUPFD_CLOEXEC, 0);
    if (fd_ < 0) {
        *error = "cannot open the memo file once more: " + io::lastError();
        return false;
    }
    kind_ = other.kind_;
    readOnly_ = true;
    blockSize_ = other.blockSize_;
    size_ = other.size_;
    return true;
}

void MemoFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool MemoFile::blockInside(uint64_t block) {
    if (block == 0) return true;
    // No memo file reaches block 2^40; refusing such a number first also keeps its byte
    // offset inside 64 bits (a wide memo field can hold any number of digits).
    if (block > (1ULL << 40)) return false;
    const int64_t offset = static_cast<int64_t>(block) * blockSize_;
    if (offset >= size_) {
        size_ = io::fileSize(fd_);  // another handle may have added to it
        return offset < size_;
    }
    return true;
}

bool MemoFile::read(uint64_t block, std::string& out, std::string* error, uint32_t* fptType) {
    out.clear();
    if (fptType) *fptType = 1;
    if (block == 0) return true;
    if (!blockInside(block)) {
        *error = "memo block " + std::to_string(block) + " lies beyond the memo file";
        return false;
    }
    const int64_t offset = static_cast<int64_t>(block) * blockSize_;
    unsigned char head[8];
    size_t got = 0;
    if (kind_ == Kind::Fpt || kind_ == Kind::Dbt4) {
        if (!io::readAt(fd_, head, sizeof head, offset, &got)) {
            *error = "cannot read the memo file: " + io::lastError();
            return false;
        }
        const bool dbt4Mark = kind_ == Kind::Dbt4 && got == 8 && head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 &&
                              head[3] == 0x00;
        if (kind_ == Kind::Fpt || dbt4Mark) {
            if (got < 8) {
                *error = "memo block " + std::to_string(block) + " is truncated";
                return false;
            }
            if (fptType && kind_ == Kind::Fpt) *fptType = io::be32(head);
            int64_t length = kind_ == Kind::Fpt ? io::be32(head + 4) : static_cast<int64_t>(io::le32(head + 4)) - 8;
            if (length < 0 || offset + 8 + length > size_) {
                *error = "memo block " + std::to_string(block) + " runs past the end of the memo file";
                return false;
            }
            out.resize(static_cast<size_t>(length));
            if (!io::readAt(fd_, out.data(), out.size(), offset + 8, &got) || got != out.size()) {
                *error = "cannot read the memo file: " + io::lastError();
                out.clear();
                return false;
            }
            return true;
        }
    }
    // dBase III: the text runs to the first end mark 0x1A or to the end of the file.
    std::vector<char> chunk(kDbt3Block * 8);
    int64_t at = offset;
    for (;;) {
        if (!io::readAt(fd_, chunk.data(), chunk.size(), at, &got)) {
            *error = "cannot read the memo file: " + io::lastError();
            out.clear();
            return false;
        }
        for (size_t i = 0; i < got; ++i) {
            if (chunk[i] == 0x1A) {
                out.append(chunk.data(), i);
                return true;
            }
        }
        out.append(chunk.data(), got);
        if (got < chunk.size()) return true;
        at += static_cast<int64_t>(got);
    }
}

bool MemoFile::write(const std::string& text, uint64_t* block, std::string* error, uint32_t fptType) {
    if (readOnly_) {
        *error = "the memo file is read-only";
        return false;
    }
    if (kind_ == Kind::Dbt3 && text.find('\x1A') != std::string::npos) {
        *error = "a dBase III memo cannot hold the byte 0x1A";
        return false;
    }
    if (text.empty()) {
        *block = 0;
        return true;
    }
    if (text.size() > 0x7FFFFFF0u) {
        *error = "the memo is too long";
        return false;
    }
    unsigned char head[4];
    size_t got = 0;
    if (!io::readAt(fd_, head, sizeof head, 0, &got) || got != sizeof head) {
        *error = "cannot read the memo file header: " + io::lastError();
        return false;
    }
    uint64_t next = kind_ == Kind::Fpt ? io::be32(head) : io::le32(head);
    // Never write over the header or over blocks that lie behind a stale pointer.
    const uint64_t end = static_cast<uint64_t>((io::fileSize(fd_) + blockSize_ - 1) / blockSize_);
    const uint64_t firstBlock = (kDbt3Block + blockSize_ - 1) / blockSize_;
    if (next < firstBlock) next = firstBlock;
    if (next < end) next = end;
    std::string data;
    if (kind_ == Kind::Dbt3) {
        data = text + "\x1A\x1A";
    } else {
        // Each memo starts with its kind and length: FoxPro's big-endian, dBase IV's mark and
        // little-endian length (its own eight bytes included).
        unsigned char mark[8];
        if (kind_ == Kind::Fpt) {
            putBe32(mark, fptType);
            putBe32(mark + 4, static_cast<uint32_t>(text.size()));
        } else {
            mark[0] = 0xFF, mark[1] = 0xFF, mark[2] = 0x08, mark[3] = 0x00;
            io::putLe32(mark + 4, static_cast<uint32_t>(text.size() + 8));
        }
        data.assign(reinterpret_cast<const char*>(mark), sizeof mark);
        data += text;
    }
    const uint64_t blocks = (data.size() + blockSize_ - 1) / blockSize_;
    data.resize(blocks * blockSize_, '\0');
    if (next + blocks > 0xFFFFFFFFULL) {
        *error = "the memo file is full";
        return false;
    }
    if (!io::writeAt(fd_, data.data(), data.size(), static_cast<int64_t>(next * blockSize_))) {
        *error = "cannot write the memo file: " + io::lastError();
        return false;
    }
    if (kind_ == Kind::Fpt)
        putBe32(head, static_cast<uint32_t>(next + blocks));
    else
        io::putLe32(head, static_cast<uint32_t>(next + blocks));
    if (!io::writeAt(fd_, head, sizeof head, 0)) {
        *error = "cannot write the memo file header: " + io::lastError();
        return false;
    }
    size_ = static_cast<int64_t>((next + blocks) * blockSize_);
    *block = next;
    return true;
}

}  // namespace db
