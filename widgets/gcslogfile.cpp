#include "widgets/gcslogfile.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/runtime/files.h"

namespace widgets {

namespace {
constexpr uint32_t kNotOpen = EBADF;

std::string stamp(bool date, bool time) {
    std::string out;
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[32];
    if (date) {
        std::snprintf(buf, sizeof buf, "%04d%02d%02d ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
        out += buf;
    }
    if (time) {
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d ", tm.tm_hour, tm.tm_min, tm.tm_sec);
        out += buf;
    }
    return out;
}
}  // namespace

GCSLOGFILE::GCSLOGFILE(const rt::Value& fileName, const rt::Value& crlf, const rt::Value& date,
                       const rt::Value& time, const rt::Value& append, const rt::Value& lineLimit) {
    cFileName = fileName.isString() ? fileName.str() : std::string("Test.log");
    lCRLF = crlf.isLogical() ? crlf.log() : true;
    lDate = date.isLogical() ? date.log() : false;
    lTime = time.isLogical() ? time.log() : false;
    const bool lAppend = append.isLogical() ? append.log() : true;
    if (lineLimit.isNumber() && lineLimit.num() >= 1 && lineLimit.num() <= 4294967295.0)
        nLineLimit = static_cast<uint32_t>(lineLimit.num());
    nLastError = static_cast<uint32_t>(rt::FError());

    // Whether the file exists is asked of the runtime's own open, so a name it reads in
    // another form (a "\" taken as "/") never makes an existing log look absent and
    // emptied. Only a missing file is created; any other refusal is reported.
    hFile = -1;
    if (lAppend) {
        hFile = rt::FOpen(cFileName, rt::FO_READWRITE | 0x40);
        if (hFile < 0 && rt::FError() == ENOENT) hFile = rt::FCreate(cFileName);
    } else {
        hFile = rt::FCreate(cFileName);
    }
    if (hFile < 0) {
        nLastError = static_cast<uint32_t>(rt::FError());
        lOpen = false;
    } else {
        lOpen = true;
    }
}

GCSLOGFILE::~GCSLOGFILE() {
    if (lOpen) CLOSE();
}

bool GCSLOGFILE::WRITE(const rt::Value& text) {
    cPending += stamp(lDate, lTime);
    if (text.isString()) cPending += text.str();
    if (lCRLF) cPending += "\r\n";
    if (!usable()) {
        nLastError = kNotOpen;
        return false;
    }
    rt::FSeek(hFile, 0, 2);
    const size_t written = rt::FWrite(hFile, cPending);
    if (written == cPending.size()) {
        cPending.clear();
        return true;
    }
    nLastError = static_cast<uint32_t>(rt::FError());
    // Only the part that did not reach the file stays pending, so nothing is written twice.
    cPending.erase(0, written);
    return false;
}

bool GCSLOGFILE::WRITELINE(const rt::Value& text) {
    const std::string s = text.isString() ? text.str() : std::string();
    if (!usable()) {
        nLastError = kNotOpen;
        return false;
    }
    rt::FSeek(hFile, 0, 2);
    const size_t written = rt::FWrite(hFile, s + "\r\n");
    if (written == s.size() + 2) return true;
    nLastError = static_cast<uint32_t>(rt::FError());
    return false;
}

std::string GCSLOGFILE::READLINE() {
    std::string line;
    if (!usable()) {
        nLastError = kNotOpen;
        return line;
    }
    rt::FError(0);
    if (!rt::FReadLine(hFile, line, nLineLimit)) line.clear();
    nLastError = static_cast<uint32_t>(rt::FError());
    return line;
}

void GCSLOGFILE::GOTOP() {
    if (usable()) rt::FSeek(hFile, 0, 0);
}

void GCSLOGFILE::GOBOTTOM() {
    if (usable()) rt::FSeek(hFile, 0, 2);
}

bool GCSLOGFILE::SEEK(const rt::Value& offset, const rt::Value& origin) {
    if (!usable()) return false;
    const int64_t off = offset.isNumber() ? static_cast<int64_t>(offset.num()) : 0;
    int org = origin.isNumber() ? static_cast<int>(origin.num()) : 1;
    if (org < 0 || org > 2) org = 1;
    const int64_t pos = rt::FSeek(hFile, off, org);
    if (pos < 0) return false;
    const int64_t cur = pos;
    const int64_t end = rt::FSeek(hFile, 0, 2);
    rt::FSeek(hFile, cur, 0);
    return cur != end;
}

bool GCSLOGFILE::EOF_() const {
    if (!usable()) return true;
    const int64_t cur = rt::FSeek(hFile, 0, 1);
    const int64_t end = rt::FSeek(hFile, 0, 2);
    rt::FSeek(hFile, cur, 0);
    return cur >= end;
}

uint32_t GCSLOGFILE::LINECOUNT() {
    if (!usable()) return 0;
    uint32_t n = 0;
    std::string line;
    while (rt::FReadLine(hFile, line)) ++n;
    return n;
}

int64_t GCSLOGFILE::SIZE() {
    if (!usable()) return 0;
    rt::FSeek(hFile, 0, 0);
    return rt::FSeek(hFile, 0, 2);
}

bool GCSLOGFILE::CLOSE() {
    if (!lOpen) return true;
    bool ok = true;
    if (hFile >= 0) {
        if (!cPending.empty()) {
            rt::FSeek(hFile, 0, 2);
            const size_t written = rt::FWrite(hFile, cPending);
            if (written == cPending.size()) {
                cPending.clear();
            } else {
                // Reported rather than lost silently: the text stays in BUFFER.
                cPending.erase(0, written);
                nLastError = static_cast<uint32_t>(rt::FError());
                ok = false;
            }
        }
        rt::FCommit(hFile);
        // A failed close still gives the descriptor up (POSIX leaves it released), and its
        // number may be handed to the next file opened: never touch it again.
        if (!rt::FClose(hFile)) {
            nLastError = static_cast<uint32_t>(rt::FError());
            ok = false;
        }
        hFile = -1;
    }
    lOpen = false;
    if (!ok) return false;
    return true;
}

}  // namespace widgets
