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

// A CSV record many times longer than the longest a table can hold (65,535 bytes, about twice
// that as CSV with every character a doubled quote) is a frame that never closed: the lines
// are joined no further.
constexpr size_t kMaxJoinedRecord = size_t{1} << 20;

// A line of blanks holds no record.
bool holdsNoData(std::string_view line) {
    return line.empty() || (line[0] == ' ' && line.find_first_not_of(' ') == std::string_view::npos);
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
    const bool got = FREADLINEWHOLE(handle_, lineCoding(input_), raw, lineEnd_);
    if (readError())
        failed_ = true;
    if (got)
        ++lines_;
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

bool LineReader::rewind() {
    lines_ = 0;
    return win::SetFilePointer(handle_, 0, win::FILE_BEGIN, nullptr);
}

// ---------------------------------------------------------------------------------------

CsvRecordReader::CsvRecordReader(LineReader& reader, const Options& options, bool analysis)
    : reader_(reader), separator_(options.inSeparator), frame_(options.inFrame), analysis_(analysis) {}

bool CsvRecordReader::readLine(std::string& line) {
    if (!(analysis_ ? reader_.nextAnalysis(line) : reader_.next(line)))
        return false;
    ++lines_;
    return true;
}

bool CsvRecordReader::next(std::vector<std::string>& fields) {
    fields.clear();
    if (!next(views_))
        return false;
    fields.assign(views_.begin(), views_.end());
    return true;
}

bool CsvRecordReader::next(std::vector<std::string_view>& fields) {
    fields.clear();
    do {
        if (!readLine(text_))
            return false;
    } while (holdsNoData(text_));
    first_ = lines_;
    bool open = false;
    FASTTOKENCSVVIEWS(text_, separator_, frame_, fields, owned_, open);
    if (!open)
        return true;
    // The value goes on after the line end: join the lines up to the one that closes the
    // frame (each line scanned once), and split the whole record once more. The bound counts
    // the file's bytes, so that both passes stop at the same line.
    size_t joined = reader_.lastRawSize();
    do {
        if (joined > kMaxJoinedRecord) {
            unclosed_ = true;
            fields.clear();
            return false;
        }
        text_ += reader_.lastLineEnd();
        if (!readLine(more_)) {
            unclosed_ = !reader_.readFailed();
            fields.clear();
            return false;
        }
        text_ += more_;
        joined += reader_.lastRawSize() + reader_.lastLineEnd().size();
    } while (CSVFRAMESTILLOPEN(more_, separator_, frame_));
    FASTTOKENCSVVIEWS(text_, separator_, frame_, fields, owned_, open);
    return true;
}

bool nextSdfRecord(LineReader& reader, std::string& line, bool analysis) {
    do {
        if (!(analysis ? reader.nextAnalysis(line) : reader.next(line)))
            return false;
    } while (line.find_first_not_of(' ') == std::string::npos);
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
    if (buffer_.size() >= kWriteBlock)
        return flush();
    return ok_;
}

bool LineWriter::flush() {
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
