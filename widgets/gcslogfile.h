#pragma once
// A text log: one line per WRITE, optionally stamped with the date and the time of day,
// appended to a file that is created or opened when the object is made. The file can be
// read back line by line, and its lines and size counted. Failures are reported through
// results and LASTERROR (an errno value); nothing is shown or thrown.
#include <cstdint>
#include <string>

#include "platform/runtime/value.h"

namespace widgets {

class GCSLOGFILE {
public:
    // Defaults: file "Test.log", CR LF on, date off, time off, append on, line limit 256.
    // Arguments of another kind take the default.
    explicit GCSLOGFILE(const rt::Value& fileName = rt::Value(), const rt::Value& crlf = rt::Value(),
                        const rt::Value& date = rt::Value(), const rt::Value& time = rt::Value(),
                        const rt::Value& append = rt::Value(), const rt::Value& lineLimit = rt::Value());
    // Closes the file (writing any pending text) when the owner forgot to.
    ~GCSLOGFILE();
    GCSLOGFILE(const GCSLOGFILE&) = delete;
    GCSLOGFILE& operator=(const GCSLOGFILE&) = delete;

    // Appends "[yyyymmdd ][hh:mm:ss ]text[CR LF]" at the end, after any text a failed write
    // left pending. FALSE when not all was written; the unwritten rest stays pending.
    bool WRITE(const rt::Value& text = rt::Value());
    // Appends the text and CR LF, without stamps.
    bool WRITELINE(const rt::Value& text = rt::Value());
    // The next line from the current position, without its line end, at most the line
    // limit bytes (the rest of a longer line comes with the next call); "" at the end.
    std::string READLINE();
    void GOTOP();
    void GOBOTTOM();
    // Moves by offset from the origin (0 start, 1 current, 2 end); TRUE when the new
    // position is not at the end of the file.
    bool SEEK(const rt::Value& offset = rt::Value(), const rt::Value& origin = rt::Value());
    // Writes the pending text, commits and closes; TRUE when closed (or not open).
    bool CLOSE();

    bool ISOPEN() const { return lOpen; }
    uint32_t LASTERROR() const { return nLastError; }
    const std::string& FILENAME() const { return cFileName; }
    const std::string& BUFFER() const { return cPending; }
    bool EOF_() const;
    bool ISEOF() const { return EOF_(); }
    // Lines from the current position to the end; leaves the position at the end.
    uint32_t LINECOUNT();
    // The file's size in bytes; leaves the position at the end.
    int64_t SIZE();

private:
    bool usable() const { return lOpen && hFile >= 0; }
    int hFile = -1;
    std::string cPending;
    bool lCRLF = true;
    bool lDate = false;
    bool lTime = false;
    bool lOpen = false;
    uint32_t nLastError = 0;
    std::string cFileName;
    uint32_t nLineLimit = 256;
};

}  // namespace widgets
