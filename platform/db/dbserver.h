#pragma once
// Our dBase table engine: the table object the program reads and writes tables through.
//
// New tables follow the published dBase III layout, so other programs read them: version
// byte 0x03, or 0x83 with a memo file (.dbt, 512-byte blocks); the header's record count is
// rewritten on every append; the file ends in 0x1A; byte 29 marks the character set (0x03
// ANSI 1252, 0x02 OEM 850 on a new table unless its maker names another code page). Tables of
// dBase IV, FoxPro and Visual FoxPro (types F, I, B, Y, T and memo files .fpt) are read and
// appended to, their memos written in their own memo file's kind; a copy of a table's
// structure keeps its header as it stands (version, field types, language-driver byte), so a
// FoxPro table stays one and a DOS table in code page 437 stays one. A C field longer than
// 255 bytes carries its length's high byte in the decimals byte.
// A table whose language-driver byte is 0 takes its code page from the ".cpg" file beside it.
// A C field longer than 255 bytes is read so only where the field lengths then add up to the
// record length (FoxPro, Clipper), else by the length byte alone, and refused where neither adds
// up. A Visual FoxPro varchar (V) gives the text its _NullFlags field says it holds: the whole
// field, or as many bytes as its last byte counts.
//
// Appended records are collected and written in blocks of 64 KB, and before the table is
// moved, searched or closed and at COMMIT; the header's count is written at each append, and
// handles of one file in this process share it. A record counted but not yet written reads
// as blank through another handle.
//
// Text is bytes. When a table's character set differs from the runtime's ANSI mode
// (rt::IsAnsi, as it stands when the table is opened), C and memo texts are recoded on the
// way in and out, so the program always works in its own encoding; a run that needs the text
// in another code page (UTF-8 for a Cyrillic table going to a UTF-8 file) says so with
// setTextCodePage, and the table then recodes from the code page its language-driver byte
// names. What the other side lacks is replaced and counted (lostCharacters).
//
// Records marked deleted are passed over while rt::IsDeleted() holds (the program's setting).
// Filters and index keys are expressions compiled once and evaluated per record; field names
// resolve case-insensitively against the record at hand, and Deleted() and Recno() answer
// for it. A runtime error while a filter is evaluated hides that record.
//
// Index files are our own format (see dbindex.h), built by an external merge sort, so that
// sorting a table needs memory for a bounded number of keys only.
//
// Every failing operation leaves a readable reason in Status().
//
// A table object is used on one thread at a time. Read-only handles of one file may each be
// read on a thread of its own at once (the record count they share is atomic, the code-page
// conversions keep their state per thread), and a RecordBuilder makes a table's records on
// another thread with the table's own stores, which the table's thread then appends.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/value.h"

// The table's end-of-file test is called EOF, as the program names it; the C library's macro
// of that name would hide it. Code that needs the C value uses std::char_traits<char>::eof().
#undef EOF

namespace db {

// The widest fields a new table takes: a number's width is one byte of its descriptor, a
// text's is two (the second in the decimals byte).
constexpr int kMaxNumberLength = 255;
constexpr int kMaxTextLength = 65534;
// A record's length (its deletion mark included) and the header's length are 16-bit
// counts: a record holds at most 65535 bytes, a table at most 2046 field descriptors.
constexpr int kMaxRecordLength = 65535;
constexpr int kMaxFields = (65535 - 33) / 32;

struct FieldInfo {
    std::string name;   // upper case, at most 10 bytes
    char type = 'C';    // written: C N F D L M; read only: I B Y T V G P Q 0 and others
    int length = 0;     // bytes in the record
    int decimals = 0;
};

// What attached views are told.
enum class Notify {
    RecordChanged,  // another record became current
    FieldChanged,   // a field of the current record was changed
    Appended,       // a record was appended
    OrderChanged,   // filter or index order changed, or the table was positioned anew
    Refresh,        // notifications resumed: redraw everything
    Closed,
};
using Observer = std::function<void(Notify)>;

// Creates (or replaces) a table from a structure of {name, type, length, decimals} entries.
// The table is ANSI when the runtime's ANSI mode is on, else OEM. Types C, N, F, D, L and M;
// a memo field brings a .dbt file. False, with the reason in *error, for a bad structure or a
// file that cannot be written; an existing table is replaced only when the new one is
// complete. `driver` and `alias` are accepted for the program's calls and not used.
bool DBCREATE(const std::string& file, const rt::Value& structure, const std::string& driver = {},
              const std::string& alias = {}, std::string* error = nullptr);
bool DBCREATE(const std::string& file, const std::vector<FieldInfo>& fields, std::string* error = nullptr);
// The same with the language-driver byte that names the new table's code page (0: by the
// runtime's ANSI mode, as above).
bool DBCREATE(const std::string& file, const std::vector<FieldInfo>& fields, uint8_t languageDriver,
              std::string* error = nullptr);

// Memory the index build may use for keys before it sorts runs out to temporary files.
void SetIndexMemoryBudget(size_t bytes);
size_t IndexMemoryBudget();
// The threads the work around an index may use (1, the default, keeps it on the calling
// thread; 0 is taken as 1): an index build evaluates and sorts its keys on them, each thread
// with its own compiled copy of the key and its own read path of the table (a key that calls
// a registered function needs one that may run on several threads at once), and a walk along
// an index reads the records it gathers ahead on them. The index file and the records read
// are the same on any number of threads.
void SetIndexThreads(unsigned threads);
unsigned IndexThreads();

class RecordBuilder;

class DBSERVER {
public:
    // Opens a table. A name without extension gets ".dbf"; "\" is taken as "/". Shared
    // handles may be open on the same file together; an exclusive one refuses and is refused
    // by any other. `driver` is accepted and not used.
    // `memoOptional`: a table whose memo file is missing opens all the same, its memo fields
    // reading as empty texts and refusing writes (missingMemoFile() names the file).
    DBSERVER(const std::string& file, bool shared = true, bool readOnly = false,
             const std::string& driver = "DBFNTX", bool memoOptional = false);
    ~DBSERVER();
    DBSERVER(const DBSERVER&) = delete;
    DBSERVER& operator=(const DBSERVER&) = delete;

    bool USED() const;
    // Reason of the last failure ("" after success of the open).
    std::string Status() const;

    rt::Value DBSTRUCT() const;  // array of {name, type, length, decimals}
    const std::vector<FieldInfo>& fields() const;
    int FCOUNT() const;
    int FIELDPOS(const std::string& name) const;  // 1-based, 0 when absent
    std::string FIELDNAME(int number) const;

    int64_t LASTREC();  // records in the file, deleted ones included
    // The record count the header claimed when the file holds fewer complete records (a cut
    // or damaged table, opened with the complete ones); -1 when the two agree.
    int64_t CLAIMEDCOUNT() const;
    int64_t COUNT();    // records visible under the filter and the deleted setting
    // Item 25: TRUE for an ANSI table, FALSE for an OEM table. Other items give NIL.
    rt::Value INFO(int item) const;
    bool isAnsi() const;
    // The code page the table's language-driver byte names: an OEM page (437, 850, 852 ...),
    // a Windows page, 1252 for an ANSI table. Where the byte is 0 (it names none) the ".cpg"
    // file beside the table names it (GDAL writes tables so, UTF-8 ones too); without one, or
    // with one that names no code page we know, it is 1252.
    unsigned CODEPAGE() const;
    // The language-driver byte of the header (byte 29).
    uint8_t languageDriver() const;
    // The language-driver byte when it names no code page we know (Mazovia's 0x69, for one),
    // whose table is read as 1252; -1 otherwise.
    int unknownLanguageDriver() const;
    // The ".cpg" file the code page was taken from, "" when none was.
    std::string codePageFile() const;
    // A ".cpg" file beside the table that names no code page we know (or cannot be read),
    // "" when there is none such.
    std::string unreadCodePageFile() const;
    // The memo file a table opened with `memoOptional` lacks, "" when it has it or needs none.
    std::string missingMemoFile() const;
    // Whether the open was refused because the field lengths add up to the record length
    // neither with nor without the high bytes of the long text fields.
    bool fieldLengthsMismatch() const;
    // Whether text fields are recoded between the table's character set and the program's.
    bool recodes() const;
    // The code page FIELDGET, FIELDPUT, the typed stores and filters hand text over in: 0 (as
    // opened) for the program's character set by the ANSI flag, as above (a table of a Windows
    // page other than 1252 then passes its bytes); else any code page the conversions know,
    // UTF-8 (65001) included, into which the table's text is recoded from CODEPAGE() and back
    // (not at all where the two are one). Index keys always take the table's own text, ordered
    // by the collation of CODEPAGE() (collation.h). False, with the setting as it was, for a code
    // page that cannot be converted.
    bool setTextCodePage(unsigned codePage);
    unsigned textCodePage() const;
    // Characters recoding could not hold on the other side, since the table was opened:
    // each was written as the code page's default character "?" (or, between OEM 850 and
    // ANSI 1252, as a look-alike). What a filter or an index key reads is not counted.
    uint64_t lostCharacters() const;

    // Navigation in the current order, passing over hidden records.
    bool GOTOP();
    bool GOBOTTOM();
    bool SKIP(int64_t count = 1);
    bool EOF() const;
    bool BOF() const;
    // Reads the records SKIP visits, from the current one on, at most `most` of them, each as
    // its bytes (its deletion mark included), one after the other onto `out`, with their
    // number in *count; then stands where as many SKIPs would have gone (EOF after the last).
    // *count is 0 at EOF. False, with the reason in Status(), where the table's pending writes
    // cannot be made first.
    bool READRECORDS(std::string& out, size_t most, size_t* count);
    // Goes to a record by number whatever the filter; beyond the table gives EOF.
    bool GOTO(int64_t recno);
    int64_t RECNO() const;
    bool DELETED() const;

    // By field name (any case) or 1-based number. Text padded to the field length for C, a
    // number for N and F, a date for D, a logical for L, the memo text for M; other types as
    // their own kind (I, B, Y numbers; T as "yyyy-mm-dd hh:mm:ss" text, with ".mmm" when
    // it has milliseconds; raw bytes otherwise).
    // NIL for an unknown field.
    rt::Value FIELDGET(const rt::Value& field);
    // Stores a value, fitting a text to the field length and a number to its length and
    // decimals; a number that does not fit is stored as asterisks. False for an unknown field,
    // a value of another type, a read-only table or a failed memo write.
    bool FIELDPUT(const rt::Value& field, const rt::Value& value);
    // The record loops' path: a field by its 1-based number, and typed stores that take no
    // value object. A store of another kind than the field's goes through FIELDPUT.
    rt::Value FIELDGET(int number);
    // The bytes of field `number` of the current record as they stand (in the table's
    // character set); empty for an unknown field.
    std::string_view FIELDBYTES(int number) const;
    bool FIELDPUT(int number, const rt::Value& value);
    bool PUTSTRING(int number, std::string_view text);
    bool PUTNUMBER(int number, double value);
    bool PUTDATE(int number, rt::Date date);
    // The date of these parts; an invalid one stores the empty date.
    bool PUTDATE(int number, int year, int month, int day);
    bool PUTLOGICAL(int number, bool value);
    // Puts bytes as they stand into field `number` of a text, number, date or logical type;
    // they must be as many as the field is long. False otherwise.
    bool PUTBYTES(int number, std::string_view bytes);
    // Appends a record holding the fields of `source`'s current record. Where both tables lay
    // out their fields alike in the same character set and have no memo fields, or have the
    // very same header (a copy of the structure), the bytes are copied as they stand (nothing
    // goes through a value and back; each memo as its bytes into a new block); otherwise field
    // by field through FIELDGET and FIELDPUT, the text in each table's text code page.
    bool APPENDCOPY(DBSERVER& source);
    // Whether `other` lays out its fields as this table does, in the same code page and
    // without memo fields, so that its record bytes can be copied as they stand.
    bool SAMELAYOUT(const DBSERVER& other) const;
    // Puts the exact text of a number (an optional minus, digits, a point) into number field
    // `number`: as it stands when it has the field's decimals and fits; else in the field's
    // form (through a double) unless that drops digits the text has or does not fit, where
    // the text goes in as it stands if it fits (so ".1234" in N(5,4), "123456.5" in N(8,2)
    // and "1.2345" in N(8,2) read back as they were).
    bool PUTNUMBERTEXT(int number, std::string_view text);
    // The exact text of a number of the current record: what a number field (N or F) holds,
    // blanks and NULs trimmed; an integer (I) in decimal; currency (Y) with its four
    // decimals; a double (B) as the shortest plain decimal that reads back as it, "" when it
    // is not finite. "" for another field. It keeps digits a double would lose.
    std::string NUMBERTEXT(int number) const;
    // Adds a blank record and makes it current; the header's count is updated at once.
    bool APPEND();
    // Writes the pending record.
    bool COMMIT();
    // While on, APPEND leaves the header's record count to the next write of the buffered
    // records (when the buffer is full, COMMIT, CLOSE, or turning this off), so that a long
    // run of appends costs no system call per record. Other programs then see the new
    // records only at those points.
    void DEFERCOUNT(bool on);
    // Whether records of this table can be made away from it by a RecordBuilder and appended
    // with APPENDRECORDS: the table is open for writing and has no memo field (a memo is
    // written into the memo file as its record is stored, which only the table can do).
    bool canBuildRecords() const;
    // Appends `count` records made by a RecordBuilder of this table (`records` as its
    // records() gives them), as that many APPENDs with the same stores would: the header's
    // count (or its deferral), the buffered writes, the last record current. Observers are told
    // of the append once. False, with the reason in Status(), where APPEND would fail (not
    // open, read-only, a write failed), and with nothing appended where `records` are not
    // `count` whole records of this table or the table cannot hold that many more.
    bool APPENDRECORDS(std::string_view records, size_t count);

    // FALSE when the text does not compile. From then on only records for which it gives
    // TRUE are visited; the table goes to its first such record.
    bool SETFILTER(const rt::Value& block, const std::string& text);
    bool SETFILTER(const std::string& text);
    bool CLEARFILTER();
    std::string filterText() const;

    // Builds an index file over a key expression (text, date or logical per record), on the
    // threads SetIndexThreads allows; the table's pending writes go to the file first.
    bool CREATEINDEX(const std::string& file, const std::string& key);
    // Makes an index file the table's order and goes to the first record in it.
    bool SETINDEX(const std::string& file);
    bool CLEARINDEX(int which = 0);

    // An empty table of the same header: its version, every field as it stands (of any type),
    // its language-driver byte; an empty memo file of the same kind and block size; and the
    // same ".cpg" file where the code page came from one.
    bool COPYSTRUCTURE(const std::string& file);

    void SUSPENDNOTIFICATION();
    void RESETNOTIFICATION();
    int attach(Observer observer);  // returns an id for detach
    void detach(int id);

    bool CLOSE();
    std::string FULLPATH() const;

    struct Impl;

private:
    friend class RecordBuilder;
    std::unique_ptr<Impl> d;
};

// Records of a table made away from it, on one thread other than the table's: the engine's
// workers format records with it while the table's own thread appends them (APPENDRECORDS).
// It is made on the table's thread from the table as it stands (its fields, the text code
// page set by setTextCodePage, its recoding) and from then on is used on one thread only,
// never touching the table; its stores are the table's own, so its records are byte for byte
// what APPEND followed by the same stores would put into the table. A memo field cannot be
// stored so (DBSERVER::canBuildRecords): such a store fails with a reason in Status().
class RecordBuilder {
public:
    explicit RecordBuilder(const DBSERVER& table);
    ~RecordBuilder();
    RecordBuilder(RecordBuilder&&) noexcept;
    RecordBuilder& operator=(RecordBuilder&&) noexcept;
    RecordBuilder(const RecordBuilder&) = delete;
    RecordBuilder& operator=(const RecordBuilder&) = delete;

    // Starts a new blank record after the ones built; the stores go into it. False where the
    // table could not take a record (not open, read-only).
    bool APPEND();
    // As the table's stores of the same names, into the record last started.
    bool PUTSTRING(int number, std::string_view text);
    bool PUTNUMBER(int number, double value);
    bool PUTDATE(int number, rt::Date date);
    bool PUTDATE(int number, int year, int month, int day);
    bool PUTLOGICAL(int number, bool value);
    bool PUTBYTES(int number, std::string_view bytes);
    bool PUTNUMBERTEXT(int number, std::string_view text);
    bool FIELDPUT(int number, const rt::Value& value);

    const std::vector<FieldInfo>& fields() const;
    int FIELDPOS(const std::string& name) const;  // 1-based, 0 when absent
    // Reason of the last failure.
    std::string Status() const;
    // Characters the recoding could not hold, since the builder was made (clear() keeps them).
    uint64_t lostCharacters() const;
    bool recodes() const;
    // The table's code page (DBSERVER::CODEPAGE) when the builder was made.
    unsigned CODEPAGE() const;

    // The records built, one after the other, each with its deletion mark.
    std::string_view records() const;
    size_t count() const;
    // Drops the records built (to be filled anew); the count of lost characters stays.
    void clear();

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};

}  // namespace db
