#include "engine/lineio.h"

#include <algorithm>

#include "functions/faststring.h"
#include "functions/largefile.h"
#include "platform/runtime/files.h"
#include "platform/win/codepage.h"

namespace engine {

namespace {

unsigned codePage(Charset c) {
    switch (c) {
    case Charset::OEM: return win::CP_OEMCP;
    case Charset::UTF8: return win::CP_UTF8;
    default: return win::CP_ACP;
    }
}

// A last odd byte (a file cut inside a unit) is no character: it becomes U+FFFD rather than
// vanish.
void bytesToWide(std::string_view bytes, std::u16string& wide) {
    const size_t units = bytes.size() / 2;
    wide.resize(units + bytes.size() % 2);
    for (size_t i = 0; i < units; ++i)
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    if (bytes.size() % 2)
        wide[units] = u'\uFFFD';
}

void wideToBytes(std::u16string_view wide, std::string& out) {
    out.resize(wide.size() * 2);
    for (size_t i = 0; i < wide.size(); ++i) {
        out[2 * i] = static_cast<char>(wide[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(wide[i] >> 8);
    }
}

LineCoding lineCoding(Charset c) {
    return c == Charset::UTF16 ? LineCoding::Utf16 : c == Charset::UTF8 ? LineCoding::Utf8 : LineCoding::Bytes;
}

bool readError() {
    const int e = rt::FError();
    return e != 0 && e != win::FILE_ERROR_EOF;
}

// The end-of-file byte (0x1A) that old xBase and DOS programs write after the last line, as
// the raw line holds it: one byte, or a unit of two in UTF-16.
size_t eofByteSize(Charset c) { return c == Charset::UTF16 ? 2 : 1; }
bool endsWithEofByte(std::string_view raw, size_t unit) {
    return raw.size() >= unit && raw[raw.size() - unit] == '\x1A' && (unit == 1 || raw.back() == '\0');
}

// A line of blanks and TABs holds no record; where the TAB is the separator, a line of TABs is
// a record of empty values, as every writer writes one.
bool holdsNoData(std::string_view line, std::string_view separator) {
    const char* white = separator == "\t" ? " " : " \t";
    return line.empty() || ((line[0] == ' ' || line[0] == '\t') && line.find_first_not_of(white) == std::string_view::npos);
}

// The byte maps between ANSI and OEM with a flag per byte whose character the other lacks.
struct ByteRecoding {
    unsigned char bytes[256];
    unsigned char lost[256];
    explicit ByteRecoding(unsigned from, unsigned to) {
        if (!win::SingleByteMap(from, to, bytes, lost))
            for (int b = 0; b < 256; ++b) bytes[b] = static_cast<unsigned char>(b), lost[b] = 0;
    }
};

const ByteRecoding* byteRecodingOf(Charset from, Charset to) {
    if (from == Charset::ANSI && to == Charset::OEM) {
        static const ByteRecoding ansiToOem(win::CP_ACP, win::CP_OEMCP);
        return &ansiToOem;
    }
    if (from == Charset::OEM && to == Charset::ANSI) {
        static const ByteRecoding oemToAnsi(win::CP_OEMCP, win::CP_ACP);
        return &oemToAnsi;
    }
    return nullptr;
}

}  // namespace

void convertLine(std::string_view text, Charset from, Charset to, std::string& out, uint64_t* lost) {
    if (from == to || text.empty()) {
        out.assign(text);
        return;
    }
    const bool ansiOrOem = (from == Charset::ANSI || from == Charset::OEM) && (to == Charset::ANSI || to == Charset::OEM);
    if (ansiOrOem) {
        // Between OEM and ANSI byte for byte, the look-alikes of Oem2Ansi and Ansi2Oem.
        const ByteRecoding* r = byteRecodingOf(from, to);
        out.resize(text.size());
        uint64_t n = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            const auto b = static_cast<unsigned char>(text[i]);
            out[i] = static_cast<char>(r->bytes[b]);
            n += r->lost[b];
        }
        if (lost) *lost += n;
        return;
    }
    if (from != Charset::UTF16 && to != Charset::UTF16) {
        // Straight from one 8-bit or UTF-8 page into the other, without UTF-16 in between.
        if (!win::ConvertMultiByte(codePage(from), codePage(to), text, out, lost)) out.clear();
        return;
    }
    thread_local std::u16string wide;  // reused: a line costs no allocation once it has grown
    if (from == Charset::UTF16)
        bytesToWide(text, wide);
    else if (!win::MultiByteToWideChar(codePage(from), text, wide))
        wide.clear();
    if (to == Charset::UTF16) {
        wideToBytes(wide, out);
        return;
    }
    if (!win::WideCharToMultiByte(codePage(to), wide, out, lost))
        out.clear();
}

const char* byteRecoding(Charset from, Charset to) {
    const ByteRecoding* r = byteRecodingOf(from, to);
    return r ? reinterpret_cast<const char*>(r->bytes) : nullptr;
}

// ---------------------------------------------------------------------------------------

LineReader::LineReader(win::FileHandle handle, Charset input, Charset working)
    : handle_(handle), input_(input), working_(working) {}

// A read error ends the input as its end would, but is remembered: the caller reports it
// instead of taking a cut file for a whole one.
bool LineReader::readRaw(std::string& raw) {
    if (overlong_) {  // the reading stopped inside that line
        raw.clear();
        return false;
    }
    bool tooLong = false;
    const bool got = FREADLINEWHOLE(handle_, lineCoding(input_), raw, lineEnd_, kMaxLineBytes, tooLong);
    if (readError())
        failed_ = true;
    if (got) {
        ++lines_;
        lineStart_ = next_;
        // Offsets are summed, not asked of the handle: a line costs no call. The first line of
        // the file may follow a byte-order mark, which only the handle knows of.
        if (next_ == 0)
            next_ = position();
        else
            next_ += static_cast<int64_t>(raw.size() + lineEnd_.size() * eofByteSize(input_));
    }
    if (tooLong) {
        overlong_ = lines_;
        failed_ = true;
        rawSize_ = 0;
        return false;
    }
    // The end-of-file byte behind the last line is no data.
    if (got && !raw.empty() && static_cast<unsigned char>(raw.back()) <= 0x1A)
        dropEofBytes(raw);
    rawSize_ = raw.size();
    return got;
}

void LineReader::dropEofBytes(std::string& raw) const {
    const size_t unit = eofByteSize(input_);
    if (endsWithEofByte(raw, unit) && atEnd())
        while (endsWithEofByte(raw, unit))
            raw.resize(raw.size() - unit);
}

bool LineReader::nextRaw(std::string& raw) { return readRaw(raw); }

bool LineReader::next(std::string& line) {
    if (input_ == working_ && input_ != Charset::UTF16)
        return readRaw(line);
    if (!readRaw(raw_)) {
        line.clear();
        return false;
    }
    convertLine(raw_, input_, working_, line, &lost_);
    return true;
}

bool LineReader::nextAnalysis(std::string& line) {
    if (input_ == Charset::ANSI) {
        if (!readRaw(line))
            return false;
        lineMax_ = std::max<uint32_t>(lineMax_, static_cast<uint32_t>(std::min<size_t>(line.size(), UINT32_MAX)));
        return true;
    }
    if (!readRaw(raw_)) {
        line.clear();
        return false;
    }
    lineMax_ = std::max<uint32_t>(lineMax_, static_cast<uint32_t>(std::min<size_t>(raw_.size(), UINT32_MAX)));
    convertLine(raw_, input_, Charset::ANSI, line);
    return true;
}

bool LineReader::atEnd() const { return FEOFTEXT(handle_, lineCoding(input_)); }

int64_t LineReader::position() const { return win::FileTell(handle_); }

int64_t LineReader::size() const {
    int64_t s = 0;
    return win::GetFileSize(handle_, &s) ? s : 0;
}

bool LineReader::rewind() { return seek(0); }

bool LineReader::seek(int64_t offset) {
    lines_ = 0;
    lineStart_ = next_ = offset;
    return win::SetFilePointer(handle_, offset, win::FILE_BEGIN, nullptr);
}

// ---------------------------------------------------------------------------------------

CsvRecordReader::CsvRecordReader(LineReader& reader, const Options& options, bool analysis)
    : reader_(reader), separator_(options.inSeparator), frame_(options.inFrame), analysis_(analysis) {}

bool CsvRecordReader::readLine(std::string& line) {
    if (!ahead_.empty()) {
        Ahead& a = ahead_.front();
        line.swap(a.text);
        lastRaw_ = a.raw;
        lastEnd_ = a.end;
        lineStart_ = a.start;
        lost_ += a.lost;
        ahead_.pop_front();
    } else {
        const uint64_t before = reader_.lost();
        if (!(analysis_ ? reader_.nextAnalysis(line) : reader_.next(line)))
            return false;
        lost_ += reader_.lost() - before;
        lastRaw_ = reader_.lastRawSize();
        lastEnd_ = reader_.lastLineEnd();
        lineStart_ = reader_.lineStart();
    }
    ++lines_;
    return true;
}

// Reads lines ahead until `count` wait; false when the file has fewer.
bool CsvRecordReader::readAhead(size_t count) {
    while (ahead_.size() < count) {
        Ahead a;
        const uint64_t before = reader_.lost();
        if (!(analysis_ ? reader_.nextAnalysis(a.text) : reader_.next(a.text)))
            return false;
        a.lost = reader_.lost() - before;
        a.raw = reader_.lastRawSize();
        a.end = reader_.lastLineEnd();
        a.start = reader_.lineStart();
        ahead_.push_back(std::move(a));
    }
    return true;
}

bool CsvRecordReader::next(std::vector<std::string>& fields) {
    fields.clear();
    if (!next(views_))
        return false;
    fields.assign(views_.begin(), views_.end());
    return true;
}

// Reads the record that begins at line `a` of the lines read ahead (lines without data before
// it skipped) as this reader would, but without reading ahead for it: a frame that goes on is
// joined to the line it closes on, and a lone frame character of its first line opens one where
// that line has another number of fields than the structure. Sets `a` to the line after it and `whole` to
// whether it has the structure's fields; false when the file or the reach (`bytes`, counting
// the bytes read ahead) ends first.
bool CsvRecordReader::recordAhead(size_t& a, size_t& bytes, bool& whole) {
    for (;; ++a) {
        if (bytes > kMaxLineBytes || !readAhead(a + 1))
            return false;
        bytes += ahead_[a].raw + ahead_[a].end.size();
        if (!holdsNoData(ahead_[a].text, separator_))
            break;
    }
    bool continued = false;
    size_t before = 0;  // the record's fields before those the line begins
    CsvLineShape shape = CSVLINESHAPE(ahead_[a].text, separator_, frame_, false);
    for (;;) {
        if (shape.dangling && before + shape.fields != fields_)
            shape = CSVLINESHAPE(ahead_[a].text, separator_, frame_, continued, true);
        ++a;
        if (!shape.open)
            break;
        if (bytes > kMaxLineBytes || !readAhead(a + 1))
            return false;
        bytes += ahead_[a].raw + ahead_[a].end.size();
        before += shape.fields - 1;
        shape = CSVLINESHAPE(ahead_[a].text, separator_, frame_, true);
        continued = true;
    }
    whole = before + shape.fields == fields_;
    return true;
}

// Whether the lone frame character the record ends in opens a frame over the next lines: the
// record has `count` fields with it read as data and `frameStart` with it read as a frame, and
// takes `joined` bytes of the file. Reads ahead to the line where that frame would close and
// tells there how many of the lines read ahead the frame takes (`take`), the record's fields
// then (`frameCount`) and the shape of its last line (`closing`).
bool CsvRecordReader::frameReadingWanted(size_t count, size_t frameStart, size_t joined, size_t& take,
                                         size_t& frameCount, CsvLineShape& closing) {
    size_t bytes = joined + lastEnd_.size();
    int closes = 0;
    for (take = 0; closes == 0; ++take) {
        if (bytes > kMaxLineBytes || !readAhead(take + 1))
            return false;  // the frame would not close in reach: the character is data
        bytes += ahead_[take].raw + ahead_[take].end.size();
        closes = CSVFRAMECLOSES(ahead_[take].text, separator_, frame_);
    }
    closing = CSVLINESHAPE(ahead_[take - 1].text, separator_, frame_, true);
    frameCount = frameStart + closing.fields - 1;
    // Read as a frame: it closes as writers close one and leaves the record with the
    // structure's fields, or with no more and a value that goes on (its lone frame character
    // read either way), and the record after it is whole too.
    const bool goesOn = closing.open || closing.dangling;
    size_t least = frameCount;
    if (closing.dangling)
        least = std::min(least, frameStart + CSVLINESHAPE(ahead_[take - 1].text, separator_, frame_, true, true).fields - 1);
    bool frameWhole = closes == 1 && (frameCount == fields_ || (goesOn && least <= fields_));
    size_t reach = 0;
    bool whole = true;
    if (frameWhole && !goesOn) {
        size_t a = take;
        if (recordAhead(a, reach, whole) && !whole)
            frameWhole = false;
    }
    if (!frameWhole)
        return false;
    // Read as data: the record ends here, and the records that begin on the lines the frame
    // would take are whole.
    bool dittoWhole = count == fields_;
    reach = 0;
    for (size_t a = 0; dittoWhole && a < take;)
        dittoWhole = recordAhead(a, reach, whole) && whole;
    if (dittoWhole && ambiguous_ == 0)
        ambiguous_ = lines_;
    return !dittoWhole;
}

bool CsvRecordReader::next(std::vector<std::string_view>& fields) {
    fields.clear();
    do {
        if (!readLine(text_))
            return false;
    } while (holdsNoData(text_, separator_));
    first_ = lines_;
    firstOffset_ = lineStart_;
    bool open = false;
    bool dangling = false;
    FASTTOKENCSVVIEWS(text_, separator_, frame_, fields, owned_, open, fields_ > 0 ? &dangling : nullptr);
    if (!open && !dangling)
        return true;
    // The value goes on after the line end: join the lines up to the one that closes the
    // frame (each line scanned once), and split the whole record once more. The bound counts
    // the file's bytes, so that both passes stop at the same line.
    size_t joined = lastRaw_;
    size_t count = fields.size();  // the record's fields, a lone frame character read as data
    size_t lastFields = count;     // of them, those the last line began
    bool continued = false;        // whether the last line continues a frame
    for (;;) {
        if (open) {
            if (joined > kMaxLineBytes) {
                unclosed_ = true;
                fields.clear();
                return false;
            }
            text_ += lastEnd_;
            if (!readLine(more_)) {
                unclosed_ = !reader_.readFailed();
                fields.clear();
                return false;
            }
            text_ += more_;
            joined += lastRaw_ + lastEnd_.size();
            const CsvLineShape shape = CSVLINESHAPE(more_, separator_, frame_, true);
            count += shape.fields - 1;
            lastFields = shape.fields;
            open = shape.open;
            dangling = shape.dangling && fields_ > 0;
            continued = true;
            continue;
        }
        if (!dangling)
            break;
        const std::string_view last = continued ? std::string_view(more_) : std::string_view(text_);
        const size_t frameStart = count - lastFields + CSVLINESHAPE(last, separator_, frame_, continued, true).fields;
        size_t take = 0, frameCount = 0;
        CsvLineShape closing;
        if (!frameReadingWanted(count, frameStart, joined, take, frameCount, closing))
            break;
        for (size_t a = 0; a < take; ++a) {
            text_ += lastEnd_;
            readLine(more_);
            text_ += more_;
            joined += lastRaw_ + lastEnd_.size();
        }
        count = frameCount;
        lastFields = closing.fields;
        open = closing.open;
        dangling = closing.dangling;
        continued = true;
    }
    FASTTOKENCSVVIEWS(text_, separator_, frame_, fields, owned_, open);
    return true;
}

bool nextSdfRecord(LineReader& reader, std::string& line, bool analysis) {
    do {
        if (!(analysis ? reader.nextAnalysis(line) : reader.next(line)))
            return false;
    } while (line.find_first_not_of(" \t\f\v") == std::string::npos);  // white space only: no record
    return true;
}

// ---------------------------------------------------------------------------------------

namespace {
constexpr size_t kWriteBlock = 256 * 1024;
}

LineWriter::LineWriter(win::FileHandle handle, Charset working, Charset output)
    : handle_(handle), working_(working), output_(output) {
    buffer_.reserve(kWriteBlock + 4096);
}

LineWriter::LineWriter(Charset working, Charset output)
    : handle_(win::INVALID_FILE_HANDLE), working_(working), output_(output) {}

// Nothing is written here: by the time a writer goes, its owner may have closed the handle,
// and the number may already belong to another file.
LineWriter::~LineWriter() = default;

bool LineWriter::write(std::string_view line) {
    const size_t before = buffer_.size();
    if (working_ == output_) {
        buffer_.append(line);
        buffer_.append("\r\n", 2);
    } else {
        scratch_.assign(line);
        scratch_.append("\r\n", 2);
        convertLine(scratch_, working_, output_, converted_, &lost_);
        buffer_.append(converted_);
    }
    bytes_ += buffer_.size() - before;
    if (buffer_.size() >= kWriteBlock && handle_ != win::INVALID_FILE_HANDLE)
        return flush();
    return ok_;
}

bool LineWriter::append(std::string_view bytes, uint64_t lost) {
    lost_ += lost;
    bytes_ += bytes.size();
    if (buffer_.size() + bytes.size() < kWriteBlock) {
        buffer_.append(bytes);
        return ok_;
    }
    if (!flush())
        return false;
    size_t written = 0;
    if (!win::WriteFile(handle_, bytes.data(), bytes.size(), &written) || written != bytes.size())
        ok_ = false;
    return ok_;
}

std::string LineWriter::take() {
    std::string out;
    out.swap(buffer_);
    return out;
}

bool LineWriter::flush() {
    if (handle_ == win::INVALID_FILE_HANDLE)
        return ok_;
    if (!buffer_.empty()) {
        if (ok_) {
            size_t written = 0;
            if (!win::WriteFile(handle_, buffer_.data(), buffer_.size(), &written) || written != buffer_.size())
                ok_ = false;
        }
        buffer_.clear();
    }
    return ok_;
}

// ---------------------------------------------------------------------------------------

std::vector<std::string> copySdf2ArrayIn(std::string_view line, const FieldStructure& structure,
                                         const std::vector<int>& starts, size_t n) {
    std::vector<std::string> out(n);
    for (size_t i = 0; i < n && i < starts.size() && i < structure.size(); ++i) {
        const int s = starts[i];
        const int len = structure[i].length;
        if (s < 1 || static_cast<size_t>(s) > line.size() || len <= 0)
            continue;
        out[i].assign(line.substr(static_cast<size_t>(s - 1), static_cast<size_t>(len)));
    }
    return out;
}

void copySdf2ArrayOut(std::string_view line, const std::vector<int>& widths, const std::vector<int>& starts,
                      size_t n, bool characters, std::vector<std::string>& out) {
    out.resize(n);
    if (!characters) {
        for (size_t i = 0; i < n; ++i) {
            const int s = i < starts.size() ? starts[i] : 0;
            const int w = i < widths.size() ? widths[i] : 0;
            if (s < 1 || static_cast<size_t>(s) > line.size() || w <= 0)
                out[i].clear();
            else
                out[i].assign(line.substr(static_cast<size_t>(s - 1), static_cast<size_t>(w)));
        }
        return;
    }
    // Character positions: walk the line once; a continuation byte (10xxxxxx) after a lead
    // byte or another continuation belongs to the character before it.
    for (auto& v : out)
        v.clear();
    size_t f = 0;              // next field to begin
    const size_t size = line.size();
    size_t pos = 0;
    long charNo = 0;
    auto isCont = [](unsigned char c) { return c >= 0x80 && c <= 0xBF; };
    while (pos < size && f < n) {
        // find the bytes of the character at pos
        size_t end = pos + 1;
        if (static_cast<unsigned char>(line[pos]) >= 0xC0)
            while (end < size && isCont(static_cast<unsigned char>(line[end])))
                ++end;
        ++charNo;
        while (f < n && (f >= starts.size() || starts[f] < 1))
            ++f;  // a field without a start stays empty
        if (f >= n)
            break;
        while (f < n && f < starts.size() && starts[f] == charNo) {
            // field f takes w characters from here
            const int w = f < widths.size() ? widths[f] : 0;
            size_t p = pos;
            long taken = 0;
            while (p < size && taken < w) {
                size_t e = p + 1;
                if (static_cast<unsigned char>(line[p]) >= 0xC0)
                    while (e < size && isCont(static_cast<unsigned char>(line[e])))
                        ++e;
                p = e;
                ++taken;
            }
            out[f].assign(line.substr(pos, p - pos));
            ++f;
            // later fields may begin inside this one only when starts overlap; go on from
            // the next character after pos
        }
        pos = end;
    }
}

size_t utf8Characters(std::string_view text) {
    size_t n = 0;
    bool inCharacter = false;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (inCharacter && c >= 0x80 && c <= 0xBF) continue;
        ++n;
        inCharacter = c >= 0xC0;
    }
    return n;
}

size_t utf8Prefix(std::string_view text, size_t characters) {
    size_t n = 0;
    bool inCharacter = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (inCharacter && c >= 0x80 && c <= 0xBF) continue;
        if (n == characters) return i;
        ++n;
        inCharacter = c >= 0xC0;
    }
    return text.size();
}

void padRight(std::string_view text, size_t width, bool characters, std::string& out) {
    size_t m = width;
    if (characters) {
        // widen the byte count by each continuation byte inside the first `width`
        // characters, and by those of a character the cut would split
        size_t i = 0;
        while (i < text.size() && i < m) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c >= 0x80 && c <= 0xBF)
                ++m;
            ++i;
        }
        while (i < text.size()) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c < 0x80 || c > 0xBF)
                break;
            ++m;
            ++i;
        }
    }
    if (text.size() >= m) {
        out.assign(text.substr(0, m));
    } else {
        out.assign(text);
        out.append(m - text.size(), ' ');
    }
}

std::string padRight(std::string_view text, size_t width, bool characters) {
    std::string out;
    padRight(text, width, characters, out);
    return out;
}

}  // namespace engine
