// Text between code pages in the core: the working code page a run chooses, the characters
// a run's output cannot hold counted with the line or record of the first, and tables copied
// into tables of their own or another code page.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dbf_bytes.h"
#include "engine/append.h"
#include "engine/loops.h"
#include "engine/runcontext.h"
#include "engine/sort.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "platform/win/filehandle.h"
#include "test_env.h"

using namespace engine;
namespace fs = std::filesystem;
using dbf_bytes::Field;
using mirvano_test::readAll;
using mirvano_test::writeAll;

namespace {

// Cyrillic, in code page 866 and in UTF-8.
const std::string kIvan866 = "\x88\xA2\xA0\xAD", kPetr866 = "\x8F\xA5\xE2\xE0";
const std::string kIvan = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", kPetr = "\xD0\x9F\xD0\xB5\xD1\x82\xD1\x80";

// A table of one text field NAME of six bytes and the given names (its bytes).
std::string nameTable(unsigned char ldid, const std::vector<std::string>& names) {
    std::vector<std::string> records;
    for (const std::string& n : names) records.push_back(" " + n + std::string(6 - n.size(), ' '));
    return dbf_bytes::table(0x03, ldid, {{"NAME", 'C', 6, 0}}, records);
}

// The bytes of field 1 of every record.
std::vector<std::string> names(const fs::path& table) {
    db::DBSERVER t(table.string(), true, true);
    std::vector<std::string> out;
    for (t.GOTOP(); !t.EOF(); t.SKIP()) out.emplace_back(t.FIELDBYTES(1));
    return out;
}

// A filter that passes the records whose second field is not "skip".
class SkipHooks : public LoopHooks {
public:
    bool setFilterTextIn(std::string& filter) override {
        filter = "skip";
        return true;
    }
    bool testFilterRec(const std::string&, const std::vector<std::string>& record) override {
        return record.size() < 2 || record[1] != "skip";
    }
};

}  // namespace

TEST(WorkingCodePage, HoldsWhatTheOutputCanHoldAndWhatAFilterCompares) {
    struct Case {
        const char* what;
        Format in;
        Charset inSet;
        unsigned inTable;
        Format out;
        Charset outSet;
        unsigned outTable;
        bool filter;
        unsigned working;
    } cases[] = {
        {"ANSI text anywhere", Format::CSV, Charset::ANSI, 0, Format::CSV, Charset::OEM, 0, false, 1252},
        {"ANSI text to UTF-8", Format::SDF, Charset::ANSI, 0, Format::CSV, Charset::UTF8, 0, false, 1252},
        {"OEM text to OEM text", Format::CSV, Charset::OEM, 0, Format::SDF, Charset::OEM, 0, false, 850},
        {"OEM text to ANSI", Format::CSV, Charset::OEM, 0, Format::CSV, Charset::ANSI, 0, false, 1252},
        {"OEM text to UTF-16", Format::CSV, Charset::OEM, 0, Format::CSV, Charset::UTF16, 0, false, 65001},
        {"OEM text to an OEM table", Format::CSV, Charset::OEM, 0, Format::DBF, Charset::OEM, 0, false, 850},
        {"OEM text to a table of 866", Format::CSV, Charset::OEM, 0, Format::DBF, Charset::OEM, 866, false, 65001},
        {"UTF-8 to UTF-16", Format::CSV, Charset::UTF8, 0, Format::CSV, Charset::UTF16, 0, false, 65001},
        {"UTF-16 to ANSI text", Format::SDF, Charset::UTF16, 0, Format::SDF, Charset::ANSI, 0, false, 65001},
        {"UTF-8 to an ANSI table", Format::CSV, Charset::UTF8, 0, Format::DBF, Charset::ANSI, 0, false, 1252},
        {"UTF-8 to an ANSI table, filtered", Format::CSV, Charset::UTF8, 0, Format::DBF, Charset::ANSI, 0, true, 65001},
        {"UTF-8 to an OEM table", Format::CSV, Charset::UTF8, 0, Format::DBF, Charset::OEM, 0, false, 65001},
        {"UTF-8 to a table of 1251", Format::CSV, Charset::UTF8, 0, Format::DBF, Charset::ANSI, 1251, false, 65001},
        {"an ANSI table to UTF-8", Format::DBF, Charset::ANSI, 1252, Format::CSV, Charset::UTF8, 0, false, 1252},
        {"an OEM table to OEM text", Format::DBF, Charset::ANSI, 850, Format::CSV, Charset::OEM, 0, false, 850},
        {"an OEM table to ANSI, filtered", Format::DBF, Charset::ANSI, 850, Format::CSV, Charset::ANSI, 0, true, 1252},
        {"an OEM table to UTF-8", Format::DBF, Charset::ANSI, 850, Format::SDF, Charset::UTF8, 0, false, 65001},
        {"866 to UTF-8", Format::DBF, Charset::ANSI, 866, Format::CSV, Charset::UTF8, 0, false, 65001},
        {"866 to ANSI", Format::DBF, Charset::ANSI, 866, Format::CSV, Charset::ANSI, 0, false, 1252},
        {"866 to OEM", Format::DBF, Charset::ANSI, 866, Format::SDF, Charset::OEM, 0, false, 850},
        {"866 to ANSI, filtered", Format::DBF, Charset::ANSI, 866, Format::CSV, Charset::ANSI, 0, true, 65001},
        {"1251 to an ANSI table", Format::DBF, Charset::ANSI, 1251, Format::DBF, Charset::ANSI, 1252, false, 1252},
        {"1251 to a table of 1251", Format::DBF, Charset::ANSI, 1251, Format::DBF, Charset::ANSI, 1251, true, 1251},
        {"866 to a table of 437", Format::DBF, Charset::ANSI, 866, Format::DBF, Charset::OEM, 437, false, 437},
    };
    for (const Case& c : cases) {
        Options o;
        o.inFormat = c.in;
        o.inCharset = c.inSet;
        o.inCodePage = c.inTable;
        o.outFormat = c.out;
        o.outCharset = c.outSet;
        o.outCodePage = c.outTable;
        o.recordFilter = c.filter;
        EXPECT_EQ(workingCodePage(o), c.working) << c.what;
        EXPECT_EQ(countsCharacters(o), c.working == 65001) << c.what;
    }
}

// Of a text input: the line each record began on (empty lines and a record over two lines
// counted), only the records written; of a table: the record number, a record the table's
// filter passes over not counted.
TEST(Loops, CharactersTheOutputLacksAreCountedWhereTheyWereWritten) {
    const auto dir = mirvano_test::temp_dir("loops-lost");
    // "ł" and "Иван" are no characters of ANSI.
    writeAll(dir / "in.csv", "NAME;F\r\n\r\nAnna;x\r\n\"Wo\r\nj\xC5\x82\";skip\r\n" + kIvan + ";x\r\n\r\n" + kPetr +
                                 "\xC5\x82;x\r\n");
    for (const bool filtered : {false, true}) {
        LoopJob job;
        job.options.inFormat = Format::CSV;
        job.options.inCharset = Charset::UTF8;
        job.options.inHeader = true;
        job.options.outFormat = Format::CSV;
        job.options.outCharset = Charset::ANSI;
        job.structIn = {{"NAME", "C", 6, 0}, {"F", "C", 4, 0}};
        job.posIn = {1, 2};
        job.out.fields = {{"NAME", "C", 6, 0}};
        job.out.pos = {1};
        const win::FileHandle in = win::OpenFile((dir / "in.csv").string(), 0);
        const win::FileHandle out = win::CreateFile((dir / "out.csv").string());
        ASSERT_GE(in, 0);
        ASSERT_GE(out, 0);
        LoopResult r;
        {
            // Made for another working encoding: the run sets its own.
            LineReader reader(in, Charset::UTF8, Charset::ANSI);
            LineWriter writer(out, Charset::ANSI, Charset::ANSI);
            LoopInput input{&reader, nullptr};
            LoopOutput output{&writer, 0, nullptr};
            SkipHooks skip;
            LoopHooks none;
            r = runConversion(job, input, output, nullRunContext(), filtered ? static_cast<LoopHooks&>(skip) : none);
        }
        win::CloseHandle(in);
        win::CloseHandle(out);
        SCOPED_TRACE(filtered);
        EXPECT_EQ(r.end, LoopEnd::Completed);
        EXPECT_EQ(readAll(dir / "out.csv"),
                  filtered ? "Anna\r\n????\r\n?????\r\n" : "Anna\r\nWo  j?\r\n????\r\n?????\r\n");
        // Unframed, the value's line break is written as two blanks: two more replaced.
        EXPECT_EQ(r.lost.count, filtered ? 9u : 12u);
        EXPECT_EQ(r.lost.first, filtered ? 6 : 4);
        EXPECT_FALSE(r.lost.inRecord);
    }

    writeAll(dir / "ru.dbf", nameTable(0x65, {"Anna", kIvan866, "Olga", kPetr866}));
    db::DBSERVER table((dir / "ru.dbf").string(), true, true);
    ASSERT_TRUE(table.USED());
    ASSERT_TRUE(table.SETFILTER("NAME <> 'x' .AND. RECNO() <> 2"));
    LoopJob job;
    job.options.inFormat = Format::DBF;
    job.options.outFormat = Format::CSV;
    job.options.outCharset = Charset::ANSI;
    job.structIn = job.out.fields = {{"NAME", "C", 6, 0}};
    const win::FileHandle out = win::CreateFile((dir / "ru.csv").string());
    LoopResult r;
    {
        LineWriter writer(out, Charset::ANSI, Charset::ANSI);
        LoopInput input{nullptr, &table};
        LoopOutput output{&writer, 0, nullptr};
        LoopHooks none;
        r = runConversion(job, input, output, nullRunContext(), none);
    }
    win::CloseHandle(out);
    EXPECT_EQ(readAll(dir / "ru.csv"), "Anna\r\nOlga\r\n????\r\n");
    EXPECT_EQ(r.lost.count, 4u);
    EXPECT_EQ(r.lost.first, 4);
    EXPECT_TRUE(r.lost.inRecord);
    // After the run the table gives its text in the program's character set again.
    EXPECT_EQ(table.textCodePage(), 0u);
}

// Appended tables: the text goes from the source's code page straight into the target's, the
// bytes as they stand where the two are one; what the target lacks is counted with the source
// and record it was in.
TEST(AppendCodePages, TextGoesFromEachSourcesCodePageIntoTheTargets) {
    const auto dir = mirvano_test::temp_dir("append-codepages");
    writeAll(dir / "ru866.dbf", nameTable(0x65, {"Anna", kIvan866}));
    writeAll(dir / "ru1251.dbf", nameTable(0xC9, {"\xC8\xE2\xE0\xED", "Anna"}));
    writeAll(dir / "t866.dbf", nameTable(0x65, {}));
    writeAll(dir / "t1252.dbf", nameTable(0x03, {}));
    CountingRunContext context;
    AppendResult r = appendTables({(dir / "ru866.dbf").string(), (dir / "ru1251.dbf").string()},
                                  (dir / "t866.dbf").string(), context, nullptr);
    EXPECT_EQ(r.end, AppendEnd::Completed);
    EXPECT_EQ(names(dir / "t866.dbf"),
              (std::vector<std::string>{"Anna  ", kIvan866 + "  ", kIvan866 + "  ", "Anna  "}));
    EXPECT_EQ(r.lost.count, 0u);

    r = appendTables({(dir / "ru866.dbf").string(), (dir / "ru1251.dbf").string()}, (dir / "t1252.dbf").string(),
                     context, nullptr);
    EXPECT_EQ(r.end, AppendEnd::Completed);
    EXPECT_EQ(names(dir / "t1252.dbf"), (std::vector<std::string>{"Anna  ", "????  ", "????  ", "Anna  "}));
    EXPECT_EQ(r.lost.count, 8u);
    EXPECT_EQ(r.lost.first, 2);
    EXPECT_TRUE(r.lost.inRecord);
    EXPECT_EQ(r.lost.source, (dir / "ru866.dbf").string());
}

// A table with a memo field is rewritten in order field by field: its text stays the table's
// own, in the text fields and in the memos.
TEST(SortReplace, RewriteOfATableWithMemosKeepsItsCodePage) {
    const auto dir = mirvano_test::temp_dir("sort-memo-866");
    const std::string table = (dir / "m.dbf").string();
    // With ANSI mode off an OEM table takes and gives its bytes as they stand.
    rt::SetAnsi(false);
    ASSERT_TRUE(db::DBCREATE(table, std::vector<db::FieldInfo>{{"NAME", 'C', 6, 0}, {"NOTE", 'M', 10, 0}}));
    std::string bytes = readAll(table);
    bytes[29] = '\x65';  // code page 866
    writeAll(table, bytes);
    {
        db::DBSERVER t(table, true, false);
        for (const std::string& n : {kPetr866, kIvan866}) {
            ASSERT_TRUE(t.APPEND());
            ASSERT_TRUE(t.FIELDPUT(rt::Value("NAME"), rt::Value(n)));
            ASSERT_TRUE(t.FIELDPUT(rt::Value("NOTE"), rt::Value("memo " + n)));
        }
    }
    rt::SetAnsi(true);
    {
        db::DBSERVER t(table, true, false);
        ASSERT_TRUE(t.CREATEINDEX((dir / "i.ntx").string(), "NAME"));
        ASSERT_TRUE(t.SETINDEX((dir / "i.ntx").string()));
        CountingRunContext context;
        const RewriteResult r = rewriteInOrder(t, (dir / "$tempout.dbf").string(), context);
        ASSERT_EQ(r.end, RewriteEnd::Completed) << r.error;
    }
    rt::SetAnsi(false);
    std::vector<std::string> got;
    {
        db::DBSERVER t(table, true, true);
        for (t.GOTOP(); !t.EOF(); t.SKIP())
            got.push_back(t.FIELDGET(rt::Value("NAME")).str() + t.FIELDGET(rt::Value("NOTE")).str());
    }
    rt::SetAnsi(true);
    EXPECT_EQ(got.size(), 2u);
    for (const std::string& n : {kIvan866, kPetr866})
        EXPECT_NE(std::find(got.begin(), got.end(), n + "  memo " + n), got.end()) << n;
}
