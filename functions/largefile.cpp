#include "functions/largefile.h"

#include <cstring>

#include "platform/runtime/files.h"

namespace {

// Fetches the window of a line read: up to `want` bytes at the position. Sets the last file
// error and returns false when there is nothing to read.
bool window(win::FileHandle h, size_t want, const char** data, size_t* available) {
    if (!win::FilePeek(h, want, data, available)) {
        rt::FError(win::GetLastError());
        return false;
    }
    if (*available == 0) {
        rt::FError(win::FILE_ERROR_EOF);
        return false;
    }
    if (*available > want)
        *available = want;
    rt::FError(0);
    return true;
}

// Whether the byte (or, for UTF-16, the unit) just after the window is LF. A failed peek
// means the byte is not known; the CR then ends the line by itself.
bool nextIsLf(win::FileHandle h, size_t offset, size_t unit) {
    const char* data;
    size_t available;
    if (!win::FilePeek(h, offset + unit, &data, &available) || available < offset + unit)
        return false;
    return data[offset] == '\n' && (unit == 1 || data[offset + 1] == '\0');
}

}  // namespace

bool FREADLINELARGE(win::FileHandle handle, size_t bufferSize, std::string& line) {
    line.clear();
    if (bufferSize == 0)
        bufferSize = 1;
    const char* data;
    size_t r;
    if (!window(handle, bufferSize, &data, &r))
        return false;
    const char* lf = static_cast<const char*>(std::memchr(data, '\n', r));
    const size_t scanEnd = lf ? static_cast<size_t>(lf - data) : r;
    const char* cr = static_cast<const char*>(std::memchr(data, '\r', scanEnd));
    if (!cr && !lf) {
        line.assign(data, r);
        win::FileConsume(handle, r);
        return true;
    }
    const size_t i = cr ? static_cast<size_t>(cr - data) : scanEnd;
    line.assign(data, i);
    size_t endLength = 1;
    if (cr) {
        if (i + 1 < r)
            endLength = data[i + 1] == '\n' ? 2 : 1;
        else if (nextIsLf(handle, i + 1, 1))  // a CR LF pair split by the window's end
            endLength = 2;
    }
    win::FileConsume(handle, i + endLength);
    return true;
}

std::string FREADLINELARGE(win::FileHandle handle, size_t bufferSize) {
    std::string line;
    FREADLINELARGE(handle, bufferSize, line);
    return line;
}

bool FREADLINEUNICODE(win::FileHandle handle, size_t bufferSize, std::string& line) {
    line.clear();
    bufferSize &= ~static_cast<size_t>(1);
    if (bufferSize == 0)
        bufferSize = 2;
    const char* data;
    size_t r;
    if (!window(handle, bufferSize, &data, &r))
        return false;
    size_t i = 0;
    for (; i + 1 < r; i += 2) {
        if (data[i + 1] == '\0' && (data[i] == '\r' || data[i] == '\n'))
            break;
    }
    if (i + 1 >= r) {  // no line end: all bytes read (a final odd byte included)
        line.assign(data, r);
        win::FileConsume(handle, r);
        return true;
    }
    line.assign(data, i);
    size_t endLength = 2;
    if (data[i] == '\r') {
        if (i + 3 < r) {
            if (data[i + 2] == '\n' && data[i + 3] == '\0')
                endLength = 4;
        } else if (i + 2 == r && nextIsLf(handle, r, 2)) {
            endLength = 4;
        }
    }
    win::FileConsume(handle, i + endLength);
    return true;
}

std::string FREADLINEUNICODE(win::FileHandle handle, size_t bufferSize) {
    std::string line;
    FREADLINEUNICODE(handle, bufferSize, line);
    return line;
}

bool FEOFLARGE(win::FileHandle handle) {
    const char* data;
    size_t available;
    if (!win::FilePeek(handle, 1, &data, &available)) {
        rt::FError(win::GetLastError());
        return true;
    }
    return available == 0;
}

int64_t FGETFILESIZE(win::FileHandle handle) {
    int64_t size = 0;
    return win::GetFileSize(handle, &size) ? size : 0;
}

int64_t FTELLLARGE(win::FileHandle handle) { return win::FileTell(handle); }
