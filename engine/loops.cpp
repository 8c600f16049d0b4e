#include "engine/loops.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cctype>
#include <cmath>
#include <memory>
#include <type_traits>

#include "engine/blocks.h"
#include "engine/csvline.h"
#include "engine/filter.h"
#include "engine/header.h"
#include "engine/isinfile.h"
#include "engine/numbertext.h"
#include "engine/sdfwidths.h"
#include "engine/tablefields.h"
#include "functions/faststring.h"
#include "platform/db/dbserver.h"
#include "platform/db/numberfield.h"
#include "platform/runtime/dates.h"
#include "platform/runtime/numbers.h"

namespace engine {

namespace {

std::string_view trimBlanks(std::string_view v) {
    size_t b = v.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    size_t e = v.find_last_not_of(' ');
    return v.substr(b, e - b + 1);
}

// The number text with its first "," made "." when the input writes a decimal comma.
std::string_view withPoint(std::string_view v, bool decComma, std::string& scratch) {
    const size_t comma = decComma ? v.find(',') : std::string_view::npos;
    if (comma == std::string_view::npos) return v;
    scratch.assign(v);
    scratch[comma] = '.';
    return scratch;
}

char separatorChar(const std::string& s) { return s.empty() ? ';' : s[0]; }

CsvFrame csvFrame(const Options& o) {
    if (o.outFrameAll) return CsvFrame::All;
    if (o.outFrameText) return CsvFrame::Text;
    return CsvFrame::None;
}

// Field numbers (1-based) of the output fields in a table; 0 for a name it lacks. A field of
// the input table is found by its own number (two fields may share a name), one of the output
// table by its name.
std::vector<int> fieldNumbers(db::DBSERVER& table, const FieldStructure& fields, bool input) {
    std::vector<int> numbers;
    numbers.reserve(fields.size());
    for (const auto& f : fields) numbers.push_back(input ? tableFieldNumber(f, table) : table.FIELDPOS(f.name));
    return numbers;
}

// The values of a dBase input's current record for the output fields. A number goes as the
// text it is written as wherever the table holds one (tableNumberText): the field's own text,
// or the exact text of a binary integer, currency or double; a double carried in a text field
// as its shortest text; anything else as the value the table gives.
class TableValues {
public:
    TableValues(db::DBSERVER& table, const FieldStructure& fields)
        : table_(table), fields_(fields), numbers_(fieldNumbers(table, fields, true)), types_(fields.size(), ' ') {
        for (size_t i = 0; i < fields.size(); ++i) {
            if (numbers_[i] <= 0) continue;
            types_[i] = table.fields()[static_cast<size_t>(numbers_[i] - 1)].type;
            const bool toNumber = fields[i].type == "N" || fields[i].type == "F";
            const char t = types_[i];
            if (toNumber && (t == 'N' || t == 'F'))
                sources_.push_back(Source::NumberField);
            else if (toNumber && (t == 'I' || t == 'Y' || t == 'B'))
                sources_.push_back(Source::ExactNumber);
            else if (fields[i].type == "C" && t == 'B')
                sources_.push_back(Source::DoubleText);
            else if (fields[i].type == "L" && t == 'L')
                sources_.push_back(Source::Logical);
            else
                sources_.push_back(Source::Value);
        }
        sources_.resize(fields.size(), Source::Value);
    }

    rt::Value operator()(size_t i) {
        const int no = numbers_[i];
        if (no <= 0) return {};
        switch (sources_[i]) {
        case Source::NumberField:
        case Source::ExactNumber: {
            if (sources_[i] == Source::ExactNumber) exact_ = table_.NUMBERTEXT(no);
            const std::string_view stored = sources_[i] == Source::ExactNumber ? std::string_view(exact_) : table_.FIELDBYTES(no);
            std::string_view text;
            switch (tableNumberText(stored, fields_[i].length, fields_[i].decimals, scratch_, text)) {
            case TableNumber::None: return {};
            case TableNumber::Text: return rt::Value(text);
            case TableNumber::Value: break;
            }
            break;
        }
        case Source::DoubleText: return rt::Value(shortestText(table_.FIELDGET(no).num()));
        case Source::Logical: {
            // A logical neither true nor false ("?", a blank) is unset: its byte, as a text.
            const std::string_view b = table_.FIELDBYTES(no);
            if (!b.empty() && !isSetLogical(b[0])) return rt::Value(b.substr(0, 1));
            break;
        }
        case Source::Value: break;
        }
        return table_.FIELDGET(no);
    }

    const std::vector<int>& numbers() const { return numbers_; }
    // The table's type letter of each output field (' ' for a field it lacks).
    const std::string& types() const { return types_; }

private:
    enum class Source : char { Value, NumberField, ExactNumber, DoubleText, Logical };
    db::DBSERVER& table_;
    const FieldStructure& fields_;
    std::vector<int> numbers_;
    std::string types_;
    std::vector<Source> sources_;
    std::string exact_, scratch_;
};

// The output side of a run: builds each record's line or table record and writes it. `Table`
// is the output table (db::DBSERVER), or on a worker the records built for it away from it
// (db::RecordBuilder), which the run's thread appends in order; a text output's lines go to the
// writer, a file's or, on a worker, one in memory.
template <class Table>
class Sink {
public:
    static constexpr bool kTable = std::is_same_v<Table, db::DBSERVER>;

    Sink(const LoopJob& job, LineWriter* writer, int64_t startBytes, Table* table, const SdfWidths& widths)
        : job_(job), writer_(writer), startBytes_(startBytes), table_(table), widths_(widths),
          format_(job.options.outFormat) {
        const Options& o = job.options;
        csv_.separator = separatorChar(o.outSeparator);
        csv_.frame = csvFrame(o);
        csv_.inDecComma = o.inDecComma;
        csv_.outDecComma = o.outDecComma;
        csv_.outBytes = byteRecoding(workingEncoding(o), o.outCharset);
        if (format_ == Format::CSV) csv_.replaced = &replaced_;
        sdf_.mode = sdfMode(o.outOptiSDF, o.outBlankSDF);
        sdf_.inDecComma = o.inDecComma;
        sdf_.outDecComma = o.outDecComma;
        sdf_.characters = countsCharacters(o);
        if (format_ == Format::DBF && table_) {
            for (const auto& f : job.out.fields) numbers_.push_back(table_->FIELDPOS(f.name));
            // One letter per field: "N", "D" and "L" take their typed stores, the rest text.
            for (const FieldDef& f : job.out.fields) types_.push_back(f.type.size() == 1 ? f.type[0] : 'C');
            // The header's count is written with the buffered records, not per record.
            if constexpr (kTable) table_->DEFERCOUNT(true);
        }
        line_.reserve(1024);
    }

    // The count of characters the CSV frame rules replaced; null for another output.
    const uint64_t* replacements() const { return csv_.replaced; }

    // A text input's record: the trimmed value of each output field.
    bool writeText(const std::vector<std::string_view>& values) {
        const FieldStructure& fields = job_.out.fields;
        if (format_ == Format::DBF) {
            if (!table_->APPEND()) return fail("APPEND");
            const bool sdfIn = job_.options.inFormat == Format::SDF;
            Table& table = *table_;
            for (size_t i = 0; i < fields.size(); ++i) {
                const int no = i < numbers_.size() ? numbers_[i] : 0;
                if (no <= 0) return fail("FIELDPUT " + fields[i].name);
                const std::string_view v = values[i];
                bool ok;
                switch (types_[i]) {
                case 'N': {
                    const std::string_view text =
                        withPoint(v, job_.options.inDecComma && (sdfIn || fields[i].decimals > 0), scratch_);
                    // A number written as the field would write it goes in as it stands.
                    if (text.size() <= static_cast<size_t>(fields[i].length) &&
                        isPlainNumberText(text, fields[i].decimals))
                        ok = table.PUTNUMBERTEXT(no, text);
                    else
                        ok = table.PUTNUMBER(no, rt::Val(text));
                    break;
                }
                case 'D': {
                    int y, m, d;
                    ok = rt::CToDParts(v, y, m, d) ? table.PUTDATE(no, y, m, d) : table.PUTDATE(no, rt::Date());
                    break;
                }
                case 'L': ok = table.PUTLOGICAL(no, v == ".T."); break;
                default: ok = table.PUTSTRING(no, v); break;
                }
                if (!ok) return fail("FIELDPUT " + fields[i].name);
            }
            return true;
        }
        line_.clear();
        if (format_ == Format::CSV) {
            for (size_t i = 0; i < fields.size(); ++i) appendCsvText(line_, fields[i], values[i], csv_);
            finishCsvLine(line_);
        } else {
            for (size_t i = 0; i < fields.size(); ++i) appendSdfText(line_, fields[i], i, values[i], widths_, sdf_);
            finishSdfLine(line_, sdf_);
        }
        return writeLine(line_);
    }

    // A dBase input's record, fetched field by field.
    bool writeTyped(const std::vector<rt::Value>& values) {
        const FieldStructure& fields = job_.out.fields;
        if (format_ == Format::DBF) {
            if (!table_->APPEND()) return fail("APPEND");
            for (size_t i = 0; i < fields.size(); ++i)
                if (!put(i, values[i])) return false;
            return true;
        }
        line_.clear();
        if (format_ == Format::CSV) {
            for (size_t i = 0; i < fields.size(); ++i) appendCsvTyped(line_, fields[i], values[i], csv_);
            finishCsvLine(line_);
        } else {
            for (size_t i = 0; i < fields.size(); ++i) appendSdfTyped(line_, fields[i], i, values[i], widths_, sdf_);
            finishSdfLine(line_, sdf_);
        }
        return writeLine(line_);
    }

    // A dBase input's record for a CSV output, each field from its bytes in the record where
    // that gives the same text, else from its value (`valueOf(i)`); writeBuilt() writes it.
    template <typename ValueOf>
    void buildTableCsv(db::DBSERVER& table, const std::vector<int>& numbers, const std::string& tableTypes,
                       ValueOf& valueOf) {
        const FieldStructure& fields = job_.out.fields;
        line_.clear();
        const size_t n = fields.size();
        const int* number = numbers.data();
        const char* type = tableTypes.data();
        const FieldDef* field = fields.data();
        for (size_t i = 0; i < n; ++i) {
            if (number[i] > 0 && appendCsvRaw(line_, field[i], type[i], table.FIELDBYTES(number[i]), csv_)) continue;
            appendCsvTyped(line_, field[i], valueOf(i), csv_);
        }
        finishCsvLine(line_);
    }
    bool writeBuilt() { return writeLine(line_); }

    // Which fields of a dBase input may go into this dBase output as their bytes: the same
    // type, length and decimals on both sides, and for text the same code page.
    void prepareTableDbf(db::DBSERVER& in, const std::vector<int>& inNumbers) {
        const FieldStructure& fields = job_.out.fields;
        rawDbf_.assign(fields.size(), 0);
        if (format_ != Format::DBF || !table_) return;
        const bool sameText = in.CODEPAGE() == table_->CODEPAGE();
        for (size_t i = 0; i < fields.size(); ++i) {
            if (inNumbers[i] <= 0 || i >= numbers_.size() || numbers_[i] <= 0) continue;
            const db::FieldInfo& a = in.fields()[static_cast<size_t>(inNumbers[i] - 1)];
            const db::FieldInfo& b = table_->fields()[static_cast<size_t>(numbers_[i] - 1)];
            if (a.type == b.type && a.length == b.length && a.decimals == b.decimals &&
                ((a.type == 'C' && sameText) || a.type == 'N' || a.type == 'D' || a.type == 'L'))
                rawDbf_[i] = a.type;
        }
    }
    // Whether field i of the input's current record goes over as its bytes; `bytes` receives
    // what to store (a number's trimmed text, right-aligned when it is stored).
    bool rawDbfField(size_t i, std::string_view record, std::string_view& bytes) const {
        switch (rawDbf_[i]) {
        case 'C': bytes = record; return true;
        case 'N': {
            // The same field on both sides: a number text of any form goes over as it stands
            // (other writers store ".1234", "123456.5" in N(8,2), more decimals than declared),
            // its padding of blanks or NULs made blanks.
            bytes = trimPadding(record);
            return bytes.empty() || db::IsNumberText(bytes);
        }
        case 'D':
            bytes = record;
            return !rt::SToD(record).empty();  // a valid date reads and writes back as these bytes
        case 'L': bytes = record; return record == "T" || record == "F" || (record.size() == 1 && !isSetLogical(record[0]));
        default: return false;
        }
    }
    // A dBase input's record for this dBase output: the fields that go over as their bytes,
    // the others through their values (`values`, filled by the caller for the fields where
    // `raw[i]` is false).
    bool writeTableDbf(const std::vector<std::string_view>& bytes, const std::vector<char>& raw,
                       const std::vector<rt::Value>& values) {
        const FieldStructure& fields = job_.out.fields;
        Table& table = *table_;
        if (!table.APPEND()) return fail("APPEND");
        for (size_t i = 0; i < fields.size(); ++i) {
            if (!raw[i]) {
                if (!put(i, values[i])) return false;
                continue;
            }
            bool ok;
            if (rawDbf_[i] == 'N') {
                // The number text right-aligned in blanks, as the field held it; an empty
                // number field stays empty.
                const size_t len = static_cast<size_t>(table.fields()[static_cast<size_t>(numbers_[i] - 1)].length);
                padded_.assign(len - std::min(len, bytes[i].size()), ' ');
                padded_ += bytes[i];
                ok = table.PUTBYTES(numbers_[i], padded_);
            } else {
                ok = table.PUTBYTES(numbers_[i], bytes[i]);
            }
            if (!ok) return fail("FIELDPUT " + fields[i].name);
        }
        return true;
    }
    bool hasRawDbf() const { return std::any_of(rawDbf_.begin(), rawDbf_.end(), [](char c) { return c != 0; }); }

    bool writeLine(std::string_view line) {
        if (!writer_->write(line)) return fail("write");
        return true;
    }

    bool flush() {
        if (writer_ && !writer_->flush()) return fail("write");
        if constexpr (kTable) {
            if (table_) {
                table_->DEFERCOUNT(false);
                if (!table_->COMMIT()) return fail("COMMIT");
            }
        }
        return true;
    }

    // The position of a text output: what it held before the run plus what was written.
    int64_t position() const { return startBytes_ + static_cast<int64_t>(writer_->bytes()); }
    LineWriter* writer() const { return writer_; }
    Table* table() const { return table_; }

    const std::string& error() const { return error_; }
    // Keeps the first error of the run: `what` failed, with the output table's reason.
    bool fail(const std::string& what) {
        if (error_.empty()) {
            error_ = what;
            if (table_ && !table_->Status().empty()) error_ += ": " + table_->Status();
        }
        return false;
    }
    // Keeps an error a worker's sink had, as it stands.
    void keepError(const std::string& error) {
        if (error_.empty()) error_ = error;
    }

private:
    bool put(size_t i, const rt::Value& value) {
        if (i >= numbers_.size() || numbers_[i] <= 0) return fail("FIELDPUT " + job_.out.fields[i].name);
        const std::string& type = job_.out.fields[i].type;
        bool ok;
        if (value.isString() && (type == "N" || type == "F")) {
            // A number's exact text (more digits than a double keeps) is stored as such; a text
            // of another form the field holds only as it stands ("1e5" in N(5,0)) goes in so.
            ok = db::IsNumberText(value.str()) ? table_->PUTNUMBERTEXT(numbers_[i], value.str())
                                               : putRightAligned(i, value.str());
        } else if (value.isString() && type == "L") {
            ok = table_->PUTBYTES(numbers_[i], value.str());  // an unset logical keeps its byte
        } else {
            ok = table_->FIELDPUT(numbers_[i], value);
        }
        if (!ok) return fail("FIELDPUT " + job_.out.fields[i].name);
        return true;
    }
    bool putRightAligned(size_t i, const std::string& text) {
        const size_t len = static_cast<size_t>(table_->fields()[static_cast<size_t>(numbers_[i] - 1)].length);
        if (text.size() > len) return table_->PUTNUMBER(numbers_[i], db::ParseNumberField(text.data(), text.size()));
        padded_.assign(len - text.size(), ' ');
        padded_ += text;
        return table_->PUTBYTES(numbers_[i], padded_);
    }
    const LoopJob& job_;
    LineWriter* writer_;
    int64_t startBytes_;
    Table* table_;
    const SdfWidths& widths_;
    Format format_;
    CsvLineOptions csv_;
    uint64_t replaced_ = 0;  // characters of text values the CSV frame rules replaced
    SdfLineOptions sdf_;
    std::vector<int> numbers_;
    std::string types_;
    std::vector<char> rawDbf_;  // per field: its type letter where it goes over as its bytes
    std::string line_;
    std::string scratch_, padded_;
    std::string error_;
};

// The script and the header line ahead of the records of a text output.
template <class Table>
bool writeScriptAndHeader(const LoopJob& job, Sink<Table>& sink, const SdfWidths& widths, RunContext& context) {
    const Options& o = job.options;
    if (context.cancelled()) return true;
    SdfMode mode = sdfMode(o.outOptiSDF, o.outBlankSDF);
    if (o.outSQL) {
        if (sink.position() != 0 && !sink.writeLine("")) return false;
        auto lines = o.outFormat == Format::CSV ? sqlScriptCsv(job.table, job.out.fields)
                                                : sqlScriptSdf(job.table, job.out.fields, widths, mode);
        for (const auto& l : lines)
            if (!sink.writeLine(l)) return false;
    }
    if (o.outHeader) {
        if (!o.outSQL && sink.position() != 0 && !sink.writeLine("")) return false;
        std::string line = o.outFormat == Format::CSV
                               ? csvHeaderLine(job.out.fields, separatorChar(o.outSeparator), csvFrame(o))
                               : sdfHeaderLine(job.out.fields, widths, mode);
        if (!sink.writeLine(line)) return false;
    }
    return true;
}

// The tables of a run take and give their text in the working code page while it runs, and
// in the program's character set again after it (for the views, and for the keys a sort of
// the output builds).
void programText(db::DBSERVER* table) {
    if (table && table->USED()) table->setTextCodePage(0);
}

void inputCleanUp(db::DBSERVER* table) {
    if (!table || !table->USED()) return;
    programText(table);
    table->CLEARINDEX(0);
    table->CLEARFILTER();
    table->GOTOP();
    table->RESETNOTIFICATION();
}

void outputCleanUp(db::DBSERVER* table) {
    if (!table || !table->USED()) return;
    programText(table);
    table->CLEARINDEX(0);
    table->GOTOP();
    table->RESETNOTIFICATION();
}

// Counts the characters of the records written that reached the output as another
// character: those the recodings could not hold (the counts of the reader, the writer and the
// tables) and those the CSV frame rules replaced (the sink's count), taken after each record,
// so that what the width pass, an index or a rejected record read is left out. Only a
// recoding into an 8-bit code page can lose a character: the others are not looked at.
template <class Table>
class LossWatch {
public:
    LossWatch(const LineReader* reader, const db::DBSERVER* inTable, const LineWriter* writer, const Table* outTable,
              const uint64_t* replaced, LostCharacters& lost)
        : lost_(lost), replaced_(replaced) {
        auto unicode = [](Charset c) { return c == Charset::UTF8 || c == Charset::UTF16; };
        if (reader && reader->input() != reader->working() && !unicode(reader->working())) readerLost_ = &reader->lost();
        if (writer && writer->working() != writer->output() && !unicode(writer->output())) writer_ = writer;
        if (inTable && inTable->recodes() && inTable->textCodePage() != kUtf8CodePage) inTable_ = inTable;
        if (outTable && outTable->recodes()) outTable_ = outTable;
        any_ = readerLost_ || writer_ || inTable_ || outTable_ || replaced_;
        seen_ = total();
    }
    // A CSV input's lost characters are counted by the records that hold them (a line read
    // ahead for a record counts with its own record), not as the reader reads them.
    void countReaderFrom(const CsvRecordReader& records) {
        if (readerLost_) readerLost_ = &records.lost();
        skipRead();
    }
    // What was read so far (a header line, whose words only name the fields) reaches no output.
    void skipRead() {
        if (any_) seen_ = total();
    }
    // After a record: `written` whether it reached the output, `where()` its line or record.
    template <typename Where>
    void after(bool written, Where where, bool record) {
        if (!any_) return;
        const uint64_t now = total();
        if (now == seen_) return;
        if (written) {
            if (lost_.count == 0) {
                lost_.first = where();
                lost_.inRecord = record;
            }
            lost_.count += now - seen_;
        }
        seen_ = now;
    }

private:
    uint64_t total() const {
        uint64_t n = 0;
        if (readerLost_) n += *readerLost_;
        if (writer_) n += writer_->lost();
        if (inTable_) n += inTable_->lostCharacters();
        if (outTable_) n += outTable_->lostCharacters();
        if (replaced_) n += *replaced_;
        return n;
    }
    LostCharacters& lost_;
    const uint64_t* readerLost_ = nullptr;
    const LineWriter* writer_ = nullptr;
    const db::DBSERVER* inTable_ = nullptr;
    const Table* outTable_ = nullptr;
    const uint64_t* replaced_ = nullptr;
    bool any_ = false;
    uint64_t seen_ = 0;
};

// Whether a text holds a name, in any case.
bool mentions(const std::string& text, std::string_view upperName) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper.find(upperName) != std::string::npos;
}
// Whether a record filter gives on a worker what it gives in sequence: it reads only the record
// at hand. A list file searched by ISINFILE is shared state of the process, which a worker must
// not load: a filter that searches one list file named as a constant reads it on the workers
// once the list is loaded (by the first records, on the run's thread), as it is then only read.
bool filterRunsOnWorkers(const std::string& filter) {
    std::string file;
    return !mentions(filter, "ISINFILE") || isInFileConstant(filter, file);
}
// The list file a filter must have loaded before its workers start; "" for none.
std::string listToLoad(const std::string& filter) {
    std::string file;
    return isInFileConstant(filter, file) ? file : std::string();
}

// What every stretch of a text input's records needs, worked out once per run.
struct TextPlan {
    const LoopJob& job;
    bool csv;
    bool characters;  // SDF cut by UTF-8 characters
    size_t fieldsIn;
    std::vector<size_t> column;  // CSV: the record entry of each output field

    explicit TextPlan(const LoopJob& j)
        : job(j), csv(j.options.inFormat == Format::CSV), characters(countsCharacters(j.options)),
          fieldsIn(j.structIn.size()), column(j.out.fields.size(), 0) {
        if (!csv) return;
        const FieldStructure& fields = j.out.fields;
        size_t from = 0;
        for (size_t i = 0; i < fields.size(); ++i) {
            if (i < j.out.pos.size() && j.out.pos[i] > 0) {
                column[i] = static_cast<size_t>(j.out.pos[i] - 1);
                continue;
            }
            size_t k = from;
            while (k < fieldsIn && j.structIn[k].name != fields[i].name) ++k;
            if (k == fieldsIn)
                for (k = 0; k < fieldsIn && j.structIn[k].name != fields[i].name; ++k) {
                }
            column[i] = k;
            from = k + 1;
        }
    }
};

// What one stretch of a text input gave. Lines are counted from the stretch's first line.
struct Stretch {
    uint32_t count = 0;
    bool writeFailed = false;
    bool readFailed = false;  // a read failed, a line was too long or a frame never closed
    std::string error;
    LostCharacters lost;
    long ambiguousLine = 0;
    // The stretch's first record, and the record at or beyond its end that it stopped at
    // (-1: it read to the end of the file).
    int64_t firstStart = -1, stopStart = -1;
    long firstLine = 0, stopLine = 0;
    // The records a worker's filter tested, and those it could not evaluate.
    long filterTested = 0, filterErrors = 0;
    // A worker's output: the lines (in the output's character set) or the table records.
    std::string bytes;
    size_t records = 0;
    uint64_t writerLost = 0;
};

// How a stretch is read: on the run's thread with the run context (progress, pump, cancel)
// and the record filter, or on a worker with a flag that cuts it short.
struct StretchControl {
    RunContext* context = nullptr;
    LoopHooks* hooks = nullptr;
    const std::string* filter = nullptr;
    RecordFilter* recordFilter = nullptr;  // a worker's own, in place of the hooks' test
    const std::atomic<bool>* stop = nullptr;
};

// Reads the records of a text input from where `reader` stands up to the first record that
// begins at `end` or beyond (which is read but not written), through `sink`; with `header`
// the first record is the header line. Every record is read as the whole file's sequential
// reading reads it from the same record start: a stretch that begins where a record begins
// reads exactly the records of the file from there.
template <class Table>
void readTextStretch(const TextPlan& plan, LineReader& reader, Sink<Table>& sink, LossWatch<Table>& losses,
                     bool header, int64_t end, const StretchControl& control, Stretch& out) {
    const Options& o = plan.job.options;
    const size_t n = plan.job.out.fields.size();
    const bool csv = plan.csv;
    const bool filtered = control.filter && !control.filter->empty();
    std::string line;
    std::vector<std::string> record, recordIn;
    std::vector<std::string_view> fieldsCsv;
    std::vector<std::string_view> values(n);
    // CSV records are read as the analysis read them: a framed value over several lines
    // is one record, an empty line none.
    CsvRecordReader records(reader, o, false);
    auto nextRecord = [&] { return csv ? records.next(fieldsCsv) : nextSdfRecord(reader, line, false); };
    // An SDF file's header is its first line, as the analysis took it.
    if (header) csv ? records.next(fieldsCsv) : reader.next(line);
    records.setFields(plan.fieldsIn);
    if (csv)
        losses.countReaderFrom(records);
    else
        losses.skipRead();
    RunContext* context = control.context;
    bool cut = false;
    while (nextRecord()) {
        const int64_t start = csv ? records.firstOffset() : reader.lineStart();
        const long lineNo = csv ? records.firstLine() : reader.lines();
        if (start >= end) {
            out.stopStart = start;
            out.stopLine = lineNo;
            break;
        }
        if (out.firstStart < 0) {
            out.firstStart = start;
            out.firstLine = lineNo;
        }
        if (csv) {
            if (fieldsCsv.size() < plan.fieldsIn) fieldsCsv.resize(plan.fieldsIn);
            // The filter reads the record by field names, as strings.
            if (filtered) record.assign(fieldsCsv.begin(), fieldsCsv.end());
        } else {
            copySdf2ArrayOut(line, plan.job.out.len, plan.job.out.pos, n, plan.characters, record);
            if (filtered)
                copySdf2ArrayOut(line, plan.job.lenIn, plan.job.posIn, plan.fieldsIn, plan.characters, recordIn);
        }
        const std::vector<std::string>& tested = csv ? record : recordIn;
        const bool pass = !filtered || (control.recordFilter ? control.recordFilter->test(tested)
                                                             : control.hooks->testFilterRec(*control.filter, tested));
        if (pass) {
            ++out.count;
            for (size_t i = 0; i < n; ++i) {
                const size_t k = csv ? plan.column[i] : i;
                if (csv)
                    values[i] = k < fieldsCsv.size() ? trimBlanks(fieldsCsv[k]) : std::string_view();
                else
                    values[i] = k < record.size() ? trimBlanks(record[k]) : std::string_view();
            }
            if (!sink.writeText(values)) {
                out.writeFailed = true;
                out.error = sink.error();
                break;
            }
        }
        losses.after(pass, [&] { return lineNo; }, false);
        if (context) {
            if (context->progressTimeOk()) context->progressUpdate(static_cast<double>(reader.position()));
            context->pump();
            if (context->cancelled()) {
                cut = true;
                break;
            }
        } else if (control.stop && control.stop->load(std::memory_order_relaxed)) {
            cut = true;
            break;
        }
    }
    out.ambiguousLine = records.ambiguousLine();
    // A frame that never closed ends the records early: as a read that failed, not the end.
    if (!out.writeFailed && !cut && out.stopStart < 0 && (reader.readFailed() || records.unclosedFrame())) {
        out.readFailed = true;
        out.error = "read";
    }
}

// Takes a worker's stretch into the run on the run's thread: writes its output, counts its
// records and lost characters (in a text input its lines counted on from `lineOffset`) and
// ends the run where the stretch failed. False when the run ends here; `failed` tells a write
// that failed.
template <class Table>
bool takeStretch(const Options& o, Sink<db::DBSERVER>& sink, const Stretch& s, long lineOffset, bool lines,
                 LoopResult& result, bool& failed) {
    bool ok = true;
    if (o.outFormat == Format::DBF) {
        if constexpr (!std::is_same_v<Table, db::DBSERVER>) {
            if (s.records && !sink.table()->APPENDRECORDS(s.bytes, s.records)) ok = sink.fail("APPEND");
        }
    } else if (!sink.writer()->append(s.bytes, s.writerLost)) {
        ok = sink.fail("write");
    }
    if (!ok) {
        failed = true;
        return false;
    }
    result.count += s.count;
    if (s.lost.count) {
        if (result.lost.count == 0) {
            result.lost.first = lines ? lineOffset + s.lost.first : s.lost.first;
            result.lost.inRecord = !lines;
        }
        result.lost.count += s.lost.count;
    }
    if (s.writeFailed) {
        sink.keepError(s.error);
        failed = true;
        return false;
    }
    if (s.readFailed) {
        result.end = LoopEnd::ReadFailed;
        result.error = s.error;
        return false;
    }
    return true;
}

// A worker's output in memory: lines in the output's character set through a writer of its
// own, or records built for the output table.
template <class Table>
struct WorkerOutput {
    std::unique_ptr<LineWriter> writer;
    std::unique_ptr<Table> builder;
    std::unique_ptr<Sink<Table>> sink;
    uint64_t writerLost = 0;

    template <class MakeTable>
    void make(const LoopJob& job, const Sink<db::DBSERVER>& output, MakeTable& makeTable, const SdfWidths& widths) {
        if (job.options.outFormat != Format::DBF)
            writer = std::make_unique<LineWriter>(output.writer()->working(), output.writer()->output());
        builder = makeTable();
        sink = std::make_unique<Sink<Table>>(job, writer.get(), 0, builder.get(), widths);
    }
    // Before a stretch.
    void begin() { writerLost = writer ? writer->lost() : 0; }
    // After it: the stretch takes what was written.
    void handOver(Stretch& s) {
        if (writer) {
            s.bytes = writer->take();
            s.writerLost = writer->lost() - writerLost;
        }
        if constexpr (!std::is_same_v<Table, db::DBSERVER>) {
            s.bytes.assign(builder->records());
            s.records = builder->count();
            builder->clear();
        }
    }
};

// A worker's share of a text input's record pass: its own handle of the input, its own reader
// and its own output in memory.
template <class Table>
struct TextWorker : ReaderShare, WorkerOutput<Table> {
    RecordFilter filter;
};

// The record pass of a text input over blocks on worker threads, written in input order on
// this thread. A block's records are read from the first line that begins in it; a block
// whose first record is not the one the block before stopped at (that record went on over
// the block's start) is read again from there on this thread. Returns false, having done
// nothing, where the pass is better made in sequence.
template <class Table, class MakeTable>
bool parallelTextRecords(const LoopJob& job, LineReader& input, Sink<db::DBSERVER>& sink, const SdfWidths& widths,
                         const std::string& filter, RunContext& context, LoopHooks& hooks, MakeTable makeTable,
                         LoopResult& result, bool& failed) {
    const Options& o = job.options;
    const unsigned workers = workerCount();
    const int64_t size = input.size();
    const size_t blocks = textBlockCount(input, size, workers);
    if (blocks < 2) return false;

    const TextPlan plan(job);
    // Worker `workers` is this thread's, for a block read again.
    std::vector<TextWorker<Table>> pool(workers + 1);
    for (auto& w : pool) {
        if (!w.open(input)) return false;
        if (!filter.empty()) w.filter.compile(filter);
        w.make(job, sink, makeTable, widths);
    }
    const std::vector<int64_t> starts = lineBlockStarts(*pool[workers].reader, 0, size, blocks);
    std::vector<Stretch> stretches(blocks);
    std::atomic<bool> stop{false};

    auto readBlock = [&](TextWorker<Table>& w, int64_t from, int64_t end, bool header, Stretch& s) {
        s = Stretch();
        if (!w.reader->seek(from)) {
            s.readFailed = true;
            s.error = "read";
            return;
        }
        LossWatch<Table> losses(w.reader.get(), nullptr, w.writer.get(), w.builder.get(), w.sink->replacements(), s.lost);
        StretchControl control;
        control.stop = &stop;
        control.filter = &filter;
        control.recordFilter = &w.filter;
        w.begin();
        const long tested = w.filter.tested, errors = w.filter.errors;
        readTextStretch(plan, *w.reader, *w.sink, losses, header, end, control, s);
        s.filterTested = w.filter.tested - tested;
        s.filterErrors = w.filter.errors - errors;
        w.handOver(s);
    };

    long filterTested = 0, filterErrors = 0;
    long lineOffset = 0;        // lines before the block taken up
    int64_t stopStart = 0;      // where the block before stopped, and that record's line
    long stopLine = 1;
    bool done = false;          // the file's records are all taken
    auto take = [&](size_t b) {
        Stretch& s = stretches[b];
        if (done) return true;
        if (b > 0) {
            const int64_t entry = s.firstStart >= 0 ? s.firstStart : s.stopStart;
            long entryLine = s.firstStart >= 0 ? s.firstLine : s.stopLine;
            if (entry != stopStart) {
                if (stopStart < 0) {  // the block before read to the end of the file
                    done = true;
                    return true;
                }
                readBlock(pool[workers], stopStart, starts[b + 1], false, s);
                entryLine = 1;
            }
            lineOffset += stopLine - entryLine;
        }
        if (!result.ambiguousLine && s.ambiguousLine && (s.stopStart < 0 || s.ambiguousLine < s.stopLine))
            result.ambiguousLine = lineOffset + s.ambiguousLine;
        filterTested += s.filterTested;
        filterErrors += s.filterErrors;
        if (!takeStretch<Table>(o, sink, s, lineOffset, true, result, failed)) return false;
        stopStart = s.stopStart;
        stopLine = s.stopLine;
        if (stopStart < 0) done = true;
        std::string().swap(s.bytes);
        if (context.progressTimeOk()) context.progressUpdate(static_cast<double>(starts[b + 1]));
        context.pump();
        return !context.cancelled();
    };
    // The list a filter searches is loaded by the first record it tests, on this thread as in
    // sequence: the blocks up to that record are read here.
    const std::string list = listToLoad(filter);
    size_t first = 0;
    bool going = true;
    for (; first < blocks && going && !isInFileLoaded(list); ++first) {
        readBlock(pool[workers], starts[first], starts[first + 1], first == 0 && o.inHeader, stretches[first]);
        going = take(first);
    }
    if (going && first < blocks)
        runBlocks(
            blocks - first, workers, 2 * workers,
            [&](size_t k, unsigned w) {
                const size_t b = first + k;
                readBlock(pool[w], starts[b], starts[b + 1], b == 0 && o.inHeader, stretches[b]);
            },
            [&](size_t k) { return take(first + k); },
            [&] {
                context.pump();
                return !context.cancelled();
            },
            [&] { stop = true; });
    if (!filter.empty()) hooks.addFilterCounts(filterTested, filterErrors);
    return true;
}

// Reads the records of a dBase input from its current record on, up to the record numbered
// `end` (which is not read), through `sink`.
template <class Table>
void readTableStretch(const LoopJob& job, db::DBSERVER& table, Sink<Table>& sink, LossWatch<Table>& losses, int64_t end,
                      const StretchControl& control, Stretch& out) {
    const Format outF = job.options.outFormat;
    const size_t n = job.out.fields.size();
    TableValues valueOf(table, job.out.fields);
    const std::vector<int>& numbers = valueOf.numbers();
    std::vector<rt::Value> values(n);
    // A table whose text needs no recoding goes to a CSV output from its record's bytes.
    const bool rawCsv = outF == Format::CSV && !table.recodes();
    const std::string& tableTypes = valueOf.types();
    // Fields laid out alike on both sides go from table to table as their bytes.
    sink.prepareTableDbf(table, numbers);
    const bool rawDbf = outF == Format::DBF && sink.hasRawDbf();
    std::vector<std::string_view> fieldBytes(n);
    std::vector<char> rawField(n, 0);
    const double last = static_cast<double>(table.LASTREC());
    long percent = -1;
    RunContext* context = control.context;
    // A field that cannot be read (a memo block past the end of its file) comes back
    // empty with the reason in the table's status: stop rather than write it empty.
    const std::string statusBefore = table.Status();
    while (!table.EOF() && table.RECNO() < end) {
        ++out.count;
        if (rawCsv) {
            sink.buildTableCsv(table, numbers, tableTypes, valueOf);
        } else if (rawDbf) {
            for (size_t i = 0; i < n; ++i) {
                rawField[i] = numbers[i] > 0 && sink.rawDbfField(i, table.FIELDBYTES(numbers[i]), fieldBytes[i]);
                if (!rawField[i]) values[i] = valueOf(i);
            }
        } else {
            for (size_t i = 0; i < n; ++i) values[i] = valueOf(i);
        }
        if (table.Status() != statusBefore) {
            --out.count;
            out.readFailed = true;
            out.error = table.Status();
            break;
        }
        if (!(rawCsv ? sink.writeBuilt() : rawDbf ? sink.writeTableDbf(fieldBytes, rawField, values) : sink.writeTyped(values))) {
            out.writeFailed = true;
            out.error = sink.error();
            break;
        }
        losses.after(true, [&] { return table.RECNO(); }, true);
        table.SKIP();
        if (context) {
            if (outF == Format::CSV && last > 0) {
                // The bar shows whole percent, truncated: change it exactly when its figure does.
                const long p = static_cast<long>(out.count / last * 100.0);
                if (p != percent) {
                    percent = p;
                    context->progressUpdate(out.count);
                }
            }
            if (context->progressTimeOk()) context->progressUpdate(out.count);
            context->pump();
            if (context->cancelled()) break;
        } else if (control.stop && control.stop->load(std::memory_order_relaxed)) {
            break;
        }
    }
}

// A worker's share of a dBase input's record pass: its own handle of the table and its own
// output in memory.
template <class Table>
struct TableWorker : WorkerOutput<Table> {
    std::unique_ptr<db::DBSERVER> table;
};

// The record pass of a dBase input in its record order (no index, no filter) over blocks of
// record numbers on worker threads, written in order on this thread. Returns false, having
// done nothing, where the pass is better made in sequence.
template <class Table, class MakeTable>
bool parallelTableRecords(const LoopJob& job, db::DBSERVER& input, Sink<db::DBSERVER>& sink, const SdfWidths& widths,
                          RunContext& context, MakeTable makeTable, LoopResult& result, bool& failed) {
    const Options& o = job.options;
    const unsigned workers = workerCount();
    const int64_t records = input.LASTREC();
    const size_t blocks = tableBlockCount(records, workers);
    if (blocks < 2 || input.EOF()) return false;
    std::vector<TableWorker<Table>> pool(workers);
    for (auto& w : pool) {
        w.table = std::make_unique<db::DBSERVER>(input.FULLPATH(), true, true);
        if (!w.table->USED() || w.table->LASTREC() != records || !w.table->setTextCodePage(input.textCodePage()))
            return false;
        // The input's filter, compiled anew for the worker's handle.
        if (!input.filterText().empty() && !w.table->SETFILTER(input.filterText())) return false;
        w.make(job, sink, makeTable, widths);
    }
    // Blocks of record numbers from the input's current record (its first visible one) on.
    const int64_t first = input.RECNO();
    std::vector<int64_t> starts;
    for (size_t b = 0; b <= blocks; ++b)
        starts.push_back(first + (records + 1 - first) * static_cast<int64_t>(b) / static_cast<int64_t>(blocks));
    std::vector<Stretch> stretches(blocks);
    std::atomic<bool> stop{false};
    auto work = [&](size_t b, unsigned id) {
        TableWorker<Table>& w = pool[id];
        Stretch& s = stretches[b];
        s = Stretch();
        // The first record of the block the table shows (a deleted one may be passed over).
        if (starts[b] <= 1)
            w.table->GOTOP();
        else {
            w.table->GOTO(starts[b] - 1);
            w.table->SKIP();
        }
        LossWatch<Table> losses(nullptr, w.table.get(), w.writer.get(), w.builder.get(), w.sink->replacements(), s.lost);
        StretchControl control;
        control.stop = &stop;
        w.begin();
        readTableStretch(job, *w.table, *w.sink, losses, starts[b + 1], control, s);
        w.handOver(s);
    };
    auto take = [&](size_t b) {
        Stretch& s = stretches[b];
        if (!takeStretch<Table>(o, sink, s, 0, false, result, failed)) return false;
        std::string().swap(s.bytes);
        if (context.progressTimeOk()) context.progressUpdate(static_cast<double>(result.count));
        context.pump();
        return !context.cancelled();
    };
    runBlocks(
        blocks, workers, 2 * workers, work, take,
        [&] {
            context.pump();
            return !context.cancelled();
        },
        [&] { stop = true; });
    return true;
}

}  // namespace

SdfWidths computeSdfWidths(const LoopJob& job, LoopInput& input, RunContext& context, LoopHooks& hooks) {
    const Options& o = job.options;
    const FieldStructure& fields = job.out.fields;
    const SdfMode mode = sdfMode(o.outOptiSDF, o.outBlankSDF);
    if (!sdfNeedsWidthPass(o.inFormat, mode)) return sdfStartWidths(fields, o.inFormat, mode);

    const bool dbf = o.inFormat == Format::DBF;
    context.progressStart();
    context.progressSetMax(dbf ? static_cast<double>(input.table->LASTREC()) : static_cast<double>(input.reader->size()));
    hooks.showTransient(55);
    SdfWidths widths = sdfStartWidths(fields, o.inFormat, mode);
    const size_t n = fields.size();
    if (dbf) {
        db::DBSERVER& table = *input.table;
        // Each value measured as the record loop will write it, in characters where the table
        // gives its text in UTF-8.
        TableValues valueOf(table, fields);
        const bool characters = table.textCodePage() == kUtf8CodePage;
        double count = 0;
        while (!table.EOF()) {
            ++count;
            for (size_t i = 0; i < n; ++i) {
                if (fields[i].type != "C" && fields[i].type != "N") continue;
                const rt::Value v = valueOf(i);
                if (fields[i].type == "C")
                    measureSdfText(widths, fields[i], i, v.str(), mode, characters);
                else if (v.isString() || v.isNil())
                    measureSdfNumberText(widths, fields[i], i, v.isNil() ? 0 : v.str().size(), mode);
                else
                    measureSdfNumber(widths, fields[i], i, v.num(), mode);
            }
            table.SKIP();
            if (context.progressTimeOk()) context.progressUpdate(count);
            context.pump();
            if (context.cancelled()) break;
        }
    } else {
        LineReader& reader = *input.reader;
        std::string line;
        std::vector<std::string> values;
        if (o.inHeader) reader.nextAnalysis(line);
        // Each value cut and read as the record loop will cut and write it (an analysis line
        // has one byte per character).
        while (nextSdfRecord(reader, line, true)) {
            copySdf2ArrayOut(line, job.out.len, job.out.pos, n, false, values);
            for (size_t i = 0; i < n; ++i) {
                if (fields[i].type == "C")
                    measureSdfText(widths, fields[i], i, values[i], mode, false);
                else if (fields[i].type == "N")
                    measureSdfNumber(widths, fields[i], i, sdfNumber(trimBlanks(values[i]), o.inDecComma), mode);
            }
            if (context.progressTimeOk()) context.progressUpdate(static_cast<double>(reader.position()));
            context.pump();
            if (context.cancelled()) break;
        }
    }
    if (!context.cancelled()) context.progressFinish();
    if (dbf)
        input.table->GOTOP();
    else
        input.reader->rewind();
    return widths;
}

LoopResult runConversion(const LoopJob& given, LoopInput& input, LoopOutput& output, RunContext& context,
                         LoopHooks& hooks) {
    LoopJob job = given;
    Options& o = job.options;
    if (o.inFormat == Format::DBF && !o.inCodePage && input.table) o.inCodePage = input.table->CODEPAGE();
    if (o.outFormat == Format::DBF && !o.outCodePage && output.table) o.outCodePage = output.table->CODEPAGE();
    const unsigned working = workingCodePage(o);
    if (input.reader) input.reader->setWorking(workingEncoding(o));
    if (output.writer) output.writer->setWorking(workingEncoding(o));
    if (input.table) input.table->setTextCodePage(working);
    if (output.table) output.table->setTextCodePage(working);
    const Format inF = o.inFormat;
    const Format outF = o.outFormat;
    const bool textIn = inF != Format::DBF;
    const bool textOut = outF != Format::DBF;
    LoopResult result;

    // 1. progress
    context.progressStart();
    context.progressSetMax(textIn ? static_cast<double>(input.reader->size())
                                  : static_cast<double>(input.table->LASTREC()));

    // 2. preparation, each step only while the output is open and no cancel came
    bool open = true;
    bool writeFailed = false;
    std::string filter;
    SdfWidths widths;
    auto go = [&] { return open && !writeFailed && !context.cancelled(); };
    if (!textOut && go()) open = hooks.testDbfCompat();
    if (!textIn && go()) open = hooks.setFilterDbfIn();
    if (!textIn && go()) open = hooks.setIndexDbfIn();
    if (outF == Format::SDF && go()) widths = computeSdfWidths(job, input, context, hooks);
    // A step that failed closed the output, and its table object with it.
    if (!open) output.table = nullptr;
    Sink<db::DBSERVER> sink(job, output.writer, output.startBytes, output.table, widths);
    if (textOut && go()) writeFailed = !writeScriptAndHeader(job, sink, widths, context);
    // The script and header stay even when the filter step fails, and that step closes the
    // output: they must be on disk before it runs.
    if (textOut && textIn && go()) writeFailed = !sink.flush();
    if (textIn && go()) open = hooks.setFilterTextIn(filter);
    if (!open) output.table = nullptr;

    if (!go()) {
        const bool cancelled = context.cancelled();
        if (textIn && textOut && !cancelled && !writeFailed) context.progressFinish();
        if (textIn && !textOut && open) outputCleanUp(output.table);
        if (!textIn) {
            if (!cancelled) context.progressFinish();
            inputCleanUp(input.table);
            programText(output.table);
            if (!textOut && open && output.table && output.table->USED()) output.table->RESETNOTIFICATION();
        }
        if (writeFailed) {
            result.end = LoopEnd::WriteFailed;
            result.error = sink.error();
        } else if (!open) {
            result.end = LoopEnd::Stopped;
        } else {
            result.end = LoopEnd::Cancelled;
            sink.flush();
        }
        return result;
    }

    // 3-6. before the first record
    hooks.showTransient(56);

    uint32_t count = 0;
    bool failed = false;
    if (textIn) {
        // The records in blocks on every core where the pass allows it, else in sequence.
        bool parallel = false;
        // A filter runs on the workers where it reads only the record at hand: not its number,
        // which counts the records of the blocks before.
        const bool workersFilter = filter.empty() || (hooks.filterOnWorkers() && filterRunsOnWorkers(filter) &&
                                                      !mentions(filter, "RECNO"));
        if (workersFilter && outF != Format::DBF)
            parallel = parallelTextRecords<db::DBSERVER>(job, *input.reader, sink, widths, filter, context, hooks,
                                                         [] { return std::unique_ptr<db::DBSERVER>(); }, result, failed);
        else if (workersFilter && output.table && output.table->canBuildRecords())
            parallel = parallelTextRecords<db::RecordBuilder>(
                job, *input.reader, sink, widths, filter, context, hooks,
                [&] { return std::make_unique<db::RecordBuilder>(*output.table); }, result, failed);
        if (parallel) {
            count = result.count;
        } else {
            const TextPlan plan(job);
            LossWatch<db::DBSERVER> losses(input.reader, input.table, output.writer, output.table, sink.replacements(),
                                           result.lost);
            StretchControl control;
            control.context = &context;
            control.hooks = &hooks;
            control.filter = &filter;
            Stretch s;
            readTextStretch(plan, *input.reader, sink, losses, o.inHeader, INT64_MAX, control, s);
            count = s.count;
            failed = s.writeFailed;
            result.ambiguousLine = s.ambiguousLine;
            if (s.readFailed) {
                result.end = LoopEnd::ReadFailed;
                result.error = s.error;
            }
        }
    } else {
        // Every dBase loop starts at the first record of the order and filter in force.
        input.table->GOTOP();
        bool parallel = false;
        // In record order (no index), under a filter each worker can evaluate on its own.
        const std::string& tableFilter = input.table->filterText();
        const bool inOrder = !o.sort && filterRunsOnWorkers(tableFilter) && isInFileLoaded(listToLoad(tableFilter));
        if (inOrder && outF != Format::DBF)
            parallel = parallelTableRecords<db::DBSERVER>(job, *input.table, sink, widths, context,
                                                          [] { return std::unique_ptr<db::DBSERVER>(); }, result, failed);
        else if (inOrder && output.table && output.table->canBuildRecords())
            parallel = parallelTableRecords<db::RecordBuilder>(
                job, *input.table, sink, widths, context,
                [&] { return std::make_unique<db::RecordBuilder>(*output.table); }, result, failed);
        if (parallel) {
            count = result.count;
        } else {
            LossWatch<db::DBSERVER> losses(input.reader, input.table, output.writer, output.table, sink.replacements(),
                                           result.lost);
            StretchControl control;
            control.context = &context;
            Stretch s;
            readTableStretch(job, *input.table, sink, losses, INT64_MAX, control, s);
            count = s.count;
            failed = s.writeFailed;
            if (s.readFailed) {
                result.end = LoopEnd::ReadFailed;
                result.error = s.error;
            }
        }
    }
    if (!failed && !sink.flush()) failed = true;
    const bool cancelled = context.cancelled();
    if (textIn && !filter.empty() && !cancelled && !failed && result.end == LoopEnd::Completed &&
        !hooks.endFilterTextIn())
        result.end = LoopEnd::Stopped;

    // 8. after the loop
    if (textIn) {
        input.reader->rewind();
        if (!cancelled && !failed && result.end == LoopEnd::Completed) context.progressFinish();
        if (!textOut) {
            programText(output.table);
            if (!cancelled && !failed && result.end == LoopEnd::Completed) {
                hooks.setIndexDbfOut();
                if (o.sort && output.table && output.table->USED()) hooks.sortDbfOut(count);
            }
            outputCleanUp(output.table);
        }
    } else {
        if (!cancelled && !failed) context.progressFinish();
        inputCleanUp(input.table);
        programText(output.table);
        if (!textOut && output.table && output.table->USED()) output.table->RESETNOTIFICATION();
    }

    result.count = count;
    if (failed) {
        result.end = LoopEnd::WriteFailed;
        result.error = sink.error();
    } else if (cancelled && result.end == LoopEnd::Completed) {
        result.end = LoopEnd::Cancelled;
    }
    return result;
}

}  // namespace engine
