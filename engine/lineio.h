#pragma once
// Reading and writing the text lines of CSV and SDF files, with the code-page conversions
// between the file's character set and the engine's working encoding, and the SDF cutting
// of a line into fields.
//
// Lines are read whole up to kMaxLineBytes: the analysis and the conversion pass see the same
// lines. A byte-order mark at the very start of a UTF-8 or UTF-16 input is skipped, and so are
// the end-of-file bytes (0x1A) that end the last line of files old xBase programs wrote.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fieldstructure.h"
#include "engine/options.h"
#include "functions/faststring.h"
#include "platform/win/filehandle.h"

namespace engine {

// The most bytes of the file one line, or one CSV record joined over lines, may take: many
// times the longest record a table holds (65,535 bytes, about twice that as CSV with every
// character a doubled quote, in UTF-16 twice again). Beyond it the reading stops and names
// the line, so that memory stays flat whatever the file holds.
constexpr size_t kMaxLineBytes = size_t{1} << 20;

// Reads the lines of one input file through its handle. The handle's position stays what
// FTELLLARGE and FEOFLARGE expect, so callers may mix both.
class LineReader {
public:
    // `input` is the file's character set, `working` the encoding lines are delivered in by
    // next() (workingEncoding()).
    LineReader(win::FileHandle handle, Charset input, Charset working);

    // Conversion pass: the next line in the working encoding, without its line end. False
    // when nothing is left (at the end of the file or after a read error).
    bool next(std::string& line);
    // Analysis pass: the next line as ANSI text; raises lineMax() to the line's raw length in
    // bytes (two per unit in UTF-16) when that is larger.
    bool nextAnalysis(std::string& line);
    // The raw next line without any conversion (UTF-16 as its bytes); false at the end.
    bool nextRaw(std::string& raw);

    bool atEnd() const;
    int64_t position() const;
    int64_t size() const;
    // Back to the start of the file; false when the handle cannot be positioned.
    bool rewind();
    // To `offset`, the start of a line (or the start of the file), counting lines from there
    // anew; false when the handle cannot be positioned.
    bool seek(int64_t offset);
    // The file offset the last line read began at (a byte-order mark before the first line
    // counts to it).
    int64_t lineStart() const { return lineStart_; }
    // False once a read failed (as opposed to reaching the end), or a line was longer than
    // kMaxLineBytes.
    bool readFailed() const { return failed_; }
    // The number of the line that was longer than kMaxLineBytes (counted as lines() counts),
    // 0 when none was; the reading stopped there.
    long overlongLine() const { return overlong_; }

    uint32_t lineMax() const { return lineMax_; }
    void setLineMax(uint32_t n) { lineMax_ = n; }
    // The raw length in bytes of the last line read (two per unit in UTF-16), the same in both
    // passes whatever the encoding the line is delivered in.
    size_t lastRawSize() const { return rawSize_; }
    // The line end that closed the last line read ("\r\n", "\n", "\r", or "" for a last line
    // without one), as 8-bit text.
    std::string_view lastLineEnd() const { return lineEnd_; }

    win::FileHandle handle() const { return handle_; }
    Charset input() const { return input_; }
    Charset working() const { return working_; }
    // The encoding next() delivers lines in from the next line on.
    void setWorking(Charset working) { working_ = working; }
    // Lines read since construction or the last rewind, in both passes.
    long lines() const { return lines_; }
    // Characters next() could not hold in the working encoding, since construction (each
    // became the default character or a look-alike).
    const uint64_t& lost() const { return lost_; }

private:
    bool readRaw(std::string& raw);
    [[gnu::noinline]] void dropEofBytes(std::string& raw) const;
    win::FileHandle handle_;
    Charset input_;
    Charset working_;
    uint32_t lineMax_ = 0;
    bool failed_ = false;
    long overlong_ = 0;
    long lines_ = 0;
    uint64_t lost_ = 0;
    size_t rawSize_ = 0;
    int64_t lineStart_ = 0;
    int64_t next_ = 0;  // the offset of the next line
    std::string_view lineEnd_;
    std::u16string wide_;
    std::string raw_;
};

// The records of a CSV input, read through a line reader: a framed value goes on over line
// ends (which it keeps) until its frame closes, and a line of nothing but blanks and TABs
// between records is no record. Lines are counted from 1 at construction, those lines
// included, so that a message can name the line a record began on.
//
// A frame character alone at a value's start right before the line end (or before a separator,
// with no frame character after it on the line) is read by the records around it, once the
// structure's number of fields is known (setFields): as the opening of a value that goes on
// over the next lines (as writers frame a value that begins with a line break or with the
// separator) where reading it as data (a ditto mark) would leave the record or a later line
// with another number of fields than the structure, while the frame, closed as writers close
// one, gives whole records; as data otherwise. Where both readings give whole records it stays
// data, and ambiguousLine() names the first line where that happened.
class CsvRecordReader {
public:
    // `analysis` reads through nextAnalysis() (ANSI text), otherwise through next().
    CsvRecordReader(LineReader& reader, const Options& options, bool analysis);

    // The fields of the next record; false at the end of the file, after a read error, or when
    // a record's frame never closed (unclosedFrame()): the file ended inside it, or it went on
    // beyond kMaxLineBytes, where the reading stops.
    bool next(std::vector<std::string>& fields);
    // As above, the fields as views, valid until the next call.
    bool next(std::vector<std::string_view>& fields);
    // The line the last record (or the unclosed frame) began on, and that line's file offset.
    long firstLine() const { return first_; }
    int64_t firstOffset() const { return firstOffset_; }
    bool unclosedFrame() const { return unclosed_; }
    // The number of fields of the input's structure (0, the default, before it is known: a
    // lone frame character is then always data).
    void setFields(size_t n) { fields_ = n; }
    // The first line whose lone frame character was read as data though the frame it could
    // open would also have given whole records; 0 when there was none.
    long ambiguousLine() const { return ambiguous_; }
    // Characters the lines of the records read so far could not hold in the working encoding
    // (LineReader::lost of those lines alone: a line read ahead counts once its record is read).
    const uint64_t& lost() const { return lost_; }

private:
    struct Ahead {
        std::string text;
        size_t raw = 0;
        std::string_view end;
        int64_t start = 0;
        uint64_t lost = 0;
    };
    bool readLine(std::string& line);
    bool readAhead(size_t count);
    bool recordAhead(size_t& a, size_t& bytes, bool& whole);
    bool frameReadingWanted(size_t count, size_t frameStart, size_t joined, size_t& take, size_t& frameCount,
                            CsvLineShape& closing);
    LineReader& reader_;
    std::string separator_;
    std::string frame_;
    bool analysis_;
    size_t fields_ = 0;
    long lines_ = 0;
    long first_ = 0;
    int64_t firstOffset_ = 0;
    int64_t lineStart_ = 0;
    long ambiguous_ = 0;
    uint64_t lost_ = 0;
    bool unclosed_ = false;
    size_t lastRaw_ = 0;
    std::string_view lastEnd_;
    std::string text_;
    std::string more_;
    std::deque<Ahead> ahead_;
    std::vector<std::string_view> views_;
    std::vector<std::string> owned_;
};

// The next line of an SDF input that holds a record, read by next() or, with `analysis`, by
// nextAnalysis(): an empty line or a line of blanks holds none. False at the end of the file or after a read
// error.
bool nextSdfRecord(LineReader& reader, std::string& line, bool analysis);

// Writes lines, each followed by CR LF, converted from the working encoding into the
// output's character set. Output is gathered and written in large blocks: call flush()
// before the handle is used otherwise (seek, another write, close). Once the handle is closed
// the writer must not be used again.
class LineWriter {
public:
    LineWriter(win::FileHandle handle, Charset working, Charset output);
    // A writer into memory (a worker's share of a run): nothing goes to a file, take() hands
    // over the bytes gathered.
    LineWriter(Charset working, Charset output);
    ~LineWriter();  // writes nothing: what was not flushed is dropped
    LineWriter(const LineWriter&) = delete;
    LineWriter& operator=(const LineWriter&) = delete;

    // Appends the line and its line end; false once any write has failed.
    bool write(std::string_view line);
    // Appends bytes already in the output's character set, as a memory writer gathered them,
    // with the characters it lost; false once any write has failed.
    bool append(std::string_view bytes, uint64_t lost);
    // A memory writer's bytes, the writer left empty.
    std::string take();
    // Writes the gathered bytes; false when this or any earlier write failed.
    bool flush();
    bool ok() const { return ok_; }
    // Bytes written to the handle or waiting, since construction.
    uint64_t bytes() const { return bytes_; }
    // Characters the output's character set could not hold, since construction (each became
    // the default character or a look-alike).
    uint64_t lost() const { return lost_; }
    // The encoding lines come in from the next write on.
    void setWorking(Charset working) { working_ = working; }
    Charset working() const { return working_; }
    Charset output() const { return output_; }

private:
    win::FileHandle handle_;
    Charset working_;
    Charset output_;
    bool ok_ = true;
    uint64_t bytes_ = 0;
    uint64_t lost_ = 0;
    std::string buffer_;
    std::string scratch_;
    std::string converted_;
    std::u16string wide_;
};

// Converts one line between the encodings; ANSI, OEM and UTF-8 are 8-bit text, UTF-16 is
// little-endian bytes. Never fails for these four. Adds to `lost` the characters `to` lacks
// (each written as the default character, or between OEM and ANSI as a look-alike).
void convertLine(std::string_view text, Charset from, Charset to, std::string& out, uint64_t* lost = nullptr);

// Where a line is recoded byte for byte from one 8-bit code page into the other (ANSI and
// OEM): the byte each byte becomes; null for any other pair.
const char* byteRecoding(Charset from, Charset to);

// Cuts a line by byte starts (1-based) and the lengths of the structure's entries; a start
// past the end gives "", a field the line cuts short is shorter.
std::vector<std::string> copySdf2ArrayIn(std::string_view line, const FieldStructure& structure,
                                         const std::vector<int>& starts, size_t n);

// Cuts a line into n fields by widths and starts (1-based). With `characters` they count
// UTF-8 characters (a multi-byte character is never split), else bytes. `out` is resized to
// n and its strings reused.
void copySdf2ArrayOut(std::string_view line, const std::vector<int>& widths, const std::vector<int>& starts,
                      size_t n, bool characters, std::vector<std::string>& out);

// The number of UTF-8 characters of a text: every byte but a continuation byte (10xxxxxx)
// that follows a lead byte or another continuation byte begins one, as the SDF cutting counts.
size_t utf8Characters(std::string_view text);
// The bytes of the first `characters` UTF-8 characters of a text (all of it when it has fewer).
size_t utf8Prefix(std::string_view text, size_t characters);

// The text cut or filled with blanks on the right to `width`; with `characters` the width
// counts UTF-8 characters and a character is never split.
std::string padRight(std::string_view text, size_t width, bool characters);
void padRight(std::string_view text, size_t width, bool characters, std::string& out);

}  // namespace engine
