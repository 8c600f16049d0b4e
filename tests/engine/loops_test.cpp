// The record loops through the core: every input format to every output format, compared
// byte for byte with expected files; appending; cancel; write failures.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "engine/filter.h"
#include "engine/isinfile.h"
#include "engine/loops.h"
#include "engine/runcontext.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/dates.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/strings.h"
#include "platform/win/filehandle.h"
#include "test_env.h"

using namespace engine;
namespace fs = std::filesystem;

namespace {

using mirvano_test::readAll;

std::string fixture(const std::string& name) { return mirvano_test::fixture("engine/" + name); }

// The structure of people.csv and people.sdf as the analysis finds it.
FieldStructure peopleStructure() {
    return {{"NAME", "C", 9, 0}, {"AMOUNT", "N", 7, 2}, {"BORN", "D", 10, 0}, {"ACTIVE", "L", 3, 0}, {"CITY", "C", 5, 0}};
}

LoopJob csvJob(Format out) {
    LoopJob job;
    job.options.inFormat = Format::CSV;
    job.options.inDecComma = true;
    job.options.inHeader = true;
    job.options.outFormat = out;
    job.structIn = peopleStructure();
    job.posIn = {1, 2, 3, 4, 5};
    job.out.fields = job.structIn;
    job.out.pos = job.posIn;
    job.table = "people";
    return job;
}

LoopJob sdfJob(Format out) {
    LoopJob job = csvJob(out);
    job.options.inFormat = Format::SDF;
    job.posIn = {1, 11, 19, 30, 34};
    job.lenIn = {9, 7, 10, 3, 5};
    job.out.pos = job.posIn;
    job.out.len = job.lenIn;
    return job;
}

std::vector<db::FieldInfo> infos(const FieldStructure& fields) {
    std::vector<db::FieldInfo> out;
    for (const auto& f : fields) out.push_back({f.name, f.type[0], f.length, f.decimals});
    return out;
}

// Runs one conversion between files; a dBase output is created from the output field list
// unless it exists.
LoopResult convert(const LoopJob& job, const std::string& in, const std::string& out, RunContext& context,
                   LoopHooks* hooks = nullptr) {
    LoopHooks none;
    LoopHooks& h = hooks ? *hooks : none;
    const Options& o = job.options;
    win::FileHandle hIn = -1, hOut = -1;
    std::unique_ptr<LineReader> reader;
    std::unique_ptr<LineWriter> writer;
    std::unique_ptr<db::DBSERVER> tableIn, tableOut;
    LoopInput input;
    LoopOutput output;
    if (o.inFormat == Format::DBF) {
        tableIn = std::make_unique<db::DBSERVER>(in, true, true);
        EXPECT_TRUE(tableIn->USED()) << in;
        input.table = tableIn.get();
    } else {
        hIn = win::OpenFile(in, 0);
        EXPECT_GE(hIn, 0) << in;
        reader = std::make_unique<LineReader>(hIn, o.inCharset, workingEncoding(o));
        reader->setLineMax(4096);
        input.reader = reader.get();
    }
    if (o.outFormat == Format::DBF) {
        if (!fs::exists(out)) EXPECT_TRUE(db::DBCREATE(out, infos(job.out.fields)));
        tableOut = std::make_unique<db::DBSERVER>(out, true, false);
        EXPECT_TRUE(tableOut->USED()) << out;
        output.table = tableOut.get();
    } else {
        hOut = fs::exists(out) ? win::OpenFile(out, 2) : win::CreateFile(out);
        EXPECT_GE(hOut, 0) << out;
        win::SetFilePointer(hOut, 0, win::FILE_END, &output.startBytes);
        writer = std::make_unique<LineWriter>(hOut, workingEncoding(o), o.outCharset);
        output.writer = writer.get();
    }
    LoopResult result = runConversion(job, input, output, context, h);
    writer.reset();
    if (hIn >= 0) win::CloseHandle(hIn);
    if (hOut >= 0) win::CloseHandle(hOut);
    return result;
}

LoopResult convert(const LoopJob& job, const std::string& in, const std::string& out) {
    CountingRunContext context;
    return convert(job, in, out, context);
}

// The records of a dBase table as dbfread reads them, one line per record.
std::string dbfread(const fs::path& table) {
    std::string cmd = "/usr/bin/python3 -c \"import dbfread,sys\n"
                      "t=dbfread.DBF(sys.argv[1],encoding='cp1252',char_decode_errors='strict')\n"
                      "print([(f.name,f.type,f.length,f.decimal_count) for f in t.fields])\n"
                      "[print(list(r.values())) for r in t]\" " +
                      table.string() + " 2>&1";
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return "popen failed";
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
}

bool haveDbfread() { return std::system("/usr/bin/python3 -c 'import dbfread' >/dev/null 2>&1") == 0; }

// A dBase input with a memo field and a text holding line breaks.
void makeDbaseInput(const fs::path& path) {
    rt::SetAnsi(true);
    ASSERT_TRUE(db::DBCREATE(path.string(), std::vector<db::FieldInfo>{{"NAME", 'C', 10, 0},
                                                                       {"AMOUNT", 'N', 8, 2},
                                                                       {"BORN", 'D', 8, 0},
                                                                       {"ACTIVE", 'L', 1, 0},
                                                                       {"NOTES", 'M', 10, 0},
                                                                       {"CITY", 'C', 8, 0}}));
    db::DBSERVER t(path.string(), true, false);
    ASSERT_TRUE(t.USED());
    struct Row {
        const char* name;
        double amount;
        rt::Date born;
        bool active;
        const char* notes;
        const char* city;
    };
    const Row rows[] = {
        {"  M\xfcller", 1234.5, rt::Date::fromYMD(1970, 2, 1), true, "first", "K\xf6ln"},
        {"  Li", -0.25, rt::Date(), false, "", "Two\r\nRow"},
        {"  Smith;Jr", 7, rt::Date::fromYMD(2016, 12, 20), true, "x", ""},
    };
    for (const auto& r : rows) {
        ASSERT_TRUE(t.APPEND());
        t.FIELDPUT(rt::Value("NAME"), rt::Value(r.name));
        t.FIELDPUT(rt::Value("AMOUNT"), rt::Value(r.amount));
        t.FIELDPUT(rt::Value("BORN"), rt::Value(r.born));
        t.FIELDPUT(rt::Value("ACTIVE"), rt::Value(r.active));
        t.FIELDPUT(rt::Value("NOTES"), rt::Value(r.notes));
        t.FIELDPUT(rt::Value("CITY"), rt::Value(r.city));
    }
    t.CLOSE();
}

FieldStructure dbaseStructure() {
    return {{"NAME", "C", 10, 0}, {"AMOUNT", "N", 8, 2}, {"BORN", "D", 8, 0},
            {"ACTIVE", "L", 1, 0}, {"NOTES", "M", 10, 0}, {"CITY", "C", 8, 0}};
}

LoopJob dbfJob(Format out) {
    LoopJob job;
    job.options.inFormat = Format::DBF;
    job.options.outFormat = out;
    job.structIn = dbaseStructure();
    job.out.fields = job.structIn;
    job.table = "dbase";
    return job;
}

}  // namespace

// Text outputs of every loop with text output, against the expected files.
TEST(Loops, TextOutputsMatchExpectedFiles) {
    const auto dir = mirvano_test::temp_dir("loops-text");
    const fs::path dbaseIn = dir / "dbase.dbf";
    makeDbaseInput(dbaseIn);

    struct Case {
        const char* expected;
        LoopJob job;
        std::string input;
        uint32_t count;
    };
    std::vector<Case> cases;
    {
        LoopJob j = csvJob(Format::CSV);
        j.options.outSeparator = ",";
        j.options.outFrameAll = true;
        j.options.outDecComma = true;
        j.options.outHeader = true;
        j.options.outSQL = true;
        cases.push_back({"csv2csv_all_comma.csv", j, fixture("people.csv"), 4});
    }
    {
        LoopJob j = csvJob(Format::CSV);
        j.options.outSeparator = ";";
        j.options.outFrameNone = true;
        j.options.outHeader = true;
        cases.push_back({"csv2csv_none_point.csv", j, fixture("people.csv"), 4});
    }
    {
        LoopJob j = csvJob(Format::CSV);
        j.options.outSeparator = "\t";
        j.options.outFrameText = true;
        j.options.outDecComma = true;
        j.options.outCharset = Charset::UTF8;
        // a field selection: NAME and CITY only
        j.out.fields = {j.structIn[0], j.structIn[4]};
        j.out.pos = {1, 5};
        cases.push_back({"csv2csv_text_tab_utf8.csv", j, fixture("people.csv"), 4});
    }
    {
        LoopJob j = csvJob(Format::SDF);
        j.options.outHeader = true;
        j.options.outSQL = true;
        cases.push_back({"csv2sdf_plain.sdf", j, fixture("people.csv"), 4});
    }
    {
        LoopJob j = csvJob(Format::SDF);
        j.options.outBlankSDF = true;
        j.options.outHeader = true;
        j.options.outDecComma = true;
        cases.push_back({"csv2sdf_blank.sdf", j, fixture("people.csv"), 4});
    }
    {
        LoopJob j = sdfJob(Format::SDF);
        j.options.outOptiSDF = true;
        j.options.outHeader = true;
        j.options.outSQL = true;
        cases.push_back({"sdf2sdf_opt.sdf", j, fixture("people.sdf"), 4});
    }
    {
        LoopJob j = sdfJob(Format::CSV);
        j.options.outFrameText = true;
        j.options.outHeader = true;
        cases.push_back({"sdf2csv.csv", j, fixture("people.sdf"), 4});
    }
    {
        LoopJob j = dbfJob(Format::CSV);
        j.options.outFrameText = true;
        j.options.outHeader = true;
        j.options.outSQL = true;
        cases.push_back({"dbf2csv_text.csv", j, dbaseIn.string(), 3});
    }
    {
        LoopJob j = dbfJob(Format::CSV);
        j.options.outFrameNone = true;
        cases.push_back({"dbf2csv_none.csv", j, dbaseIn.string(), 3});
    }
    {
        LoopJob j = dbfJob(Format::SDF);
        j.options.outOptiSDF = true;
        j.options.outHeader = true;
        j.options.outSQL = true;
        cases.push_back({"dbf2sdf_opt.sdf", j, dbaseIn.string(), 3});
    }
    {
        LoopJob j = dbfJob(Format::SDF);
        j.options.outBlankSDF = true;
        j.options.outDecComma = true;
        cases.push_back({"dbf2sdf_blank.sdf", j, dbaseIn.string(), 3});
    }
    {
        LoopJob j = dbfJob(Format::SDF);
        cases.push_back({"dbf2sdf_plain.sdf", j, dbaseIn.string(), 3});
    }
    for (const auto& c : cases) {
        const fs::path out = dir / c.expected;
        CountingRunContext context;
        LoopResult r = convert(c.job, c.input, out.string(), context);
        EXPECT_EQ(r.end, LoopEnd::Completed) << c.expected;
        EXPECT_EQ(r.count, c.count) << c.expected;
        EXPECT_EQ(context.finishes, c.job.options.outFormat == Format::SDF && c.job.options.inFormat != Format::CSV &&
                                            (c.job.options.outOptiSDF || c.job.options.outBlankSDF)
                                        ? 2
                                        : 1)
            << c.expected;
        EXPECT_EQ(readAll(out), readAll(fixture("expected/" + std::string(c.expected)))) << c.expected;
    }
}

// dBase outputs, read back by an outside reader.
TEST(Loops, DbaseOutputsReadBackByDbfread) {
    if (!haveDbfread()) GTEST_SKIP() << "python3-dbfread is not installed";
    const auto dir = mirvano_test::temp_dir("loops-dbf");
    const fs::path dbaseIn = dir / "dbase.dbf";
    makeDbaseInput(dbaseIn);
    struct Case {
        const char* name;
        LoopJob job;
        std::string input;
    };
    const Case cases[] = {
        {"csv2dbf", csvJob(Format::DBF), fixture("people.csv")},
        {"sdf2dbf", sdfJob(Format::DBF), fixture("people.sdf")},
        {"dbf2dbf", dbfJob(Format::DBF), dbaseIn.string()},
    };
    for (const auto& c : cases) {
        const fs::path out = dir / (std::string(c.name) + ".dbf");
        LoopResult r = convert(c.job, c.input, out.string());
        EXPECT_EQ(r.end, LoopEnd::Completed) << c.name;
        EXPECT_EQ(dbfread(out), readAll(fixture("expected/" + std::string(c.name) + ".txt"))) << c.name;
    }
}

// Appending writes after the existing content: text behind an empty line, records behind
// the table's records.
TEST(Loops, AppendingToExistingOutputs) {
    const auto dir = mirvano_test::temp_dir("loops-append");
    const fs::path text = dir / "out.csv";
    {
        std::ofstream f(text, std::ios::binary);
        f << "old line\r\n";
    }
    LoopJob j = csvJob(Format::CSV);
    j.out.fields = {j.structIn[0]};
    j.out.pos = {1};
    j.options.outFrameNone = true;
    j.options.outHeader = true;
    EXPECT_EQ(convert(j, fixture("people.csv"), text.string()).count, 4u);
    EXPECT_EQ(readAll(text), "old line\r\n\r\nNAME\r\nM\xfcller\r\nSmith  Jr\r\n\r\nNg\r\n");
    j.options.outSQL = true;
    convert(j, fixture("people.csv"), text.string());
    EXPECT_NE(readAll(text).find("Ng\r\n\r\nCREATE TABLE people (\r\nname varchar(9) default NULL\r\n"
                                 ") TYPE=MyISAM COMMENT='TorvelSoft Geo Data'\r\n\r\nNAME\r\n"),
              std::string::npos);

    const fs::path table = dir / "out.dbf";
    LoopJob d = csvJob(Format::DBF);
    EXPECT_EQ(convert(d, fixture("people.csv"), table.string()).count, 4u);
    EXPECT_EQ(convert(d, fixture("people.csv"), table.string()).count, 4u);
    db::DBSERVER t(table.string(), true, true);
    EXPECT_EQ(t.LASTREC(), 8);
}

// A failed preparation step writes nothing; a cancel keeps what was written.
TEST(Loops, StoppedPreparationAndCancel) {
    const auto dir = mirvano_test::temp_dir("loops-stop");
    struct Refuse : LoopHooks {
        bool testDbfCompat() override { return false; }
    } refuse;
    const fs::path table = dir / "t.dbf";
    CountingRunContext context;
    LoopResult r = convert(csvJob(Format::DBF), fixture("people.csv"), table.string(), context, &refuse);
    EXPECT_EQ(r.end, LoopEnd::Stopped);
    EXPECT_EQ(r.count, 0u);
    {
        db::DBSERVER t(table.string(), true, true);
        EXPECT_EQ(t.LASTREC(), 0);
    }
    // cancelled after the second record: two lines, no finish of the bar
    CountingRunContext cancel(2);
    const fs::path out = dir / "c.csv";
    LoopJob j = csvJob(Format::CSV);
    j.options.outFrameNone = true;
    r = convert(j, fixture("people.csv"), out.string(), cancel);
    EXPECT_EQ(r.end, LoopEnd::Cancelled);
    EXPECT_EQ(r.count, 2u);
    EXPECT_EQ(cancel.finishes, 0);
    EXPECT_EQ(readAll(out), "M\xfcller;1234.50;01.02.1970;.T.;K\xf6ln\r\nSmith  Jr;7.00;15.11.1985;.F.;Leeds\r\n");
    // a cancel during the width pass writes neither script, header nor records
    CountingRunContext early(1);
    LoopJob s = sdfJob(Format::SDF);
    s.options.outOptiSDF = true;
    s.options.outHeader = true;
    s.options.outSQL = true;
    const fs::path sdf = dir / "c.sdf";
    r = convert(s, fixture("people.sdf"), sdf.string(), early);
    EXPECT_EQ(r.end, LoopEnd::Cancelled);
    EXPECT_EQ(readAll(sdf), "");
}

// A write that fails (a full disk) is reported as such, never as a completed run.
TEST(Loops, WriteToFullDiskFails) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "/dev/full is missing";
    LoopJob j = csvJob(Format::CSV);
    j.options.outHeader = true;
    win::FileHandle hIn = win::OpenFile(fixture("people.csv"), 0);
    win::FileHandle hOut = win::OpenFile("/dev/full", 1);
    ASSERT_GE(hOut, 0);
    LineReader reader(hIn, Charset::ANSI, Charset::ANSI);
    LineWriter writer(hOut, Charset::ANSI, Charset::ANSI);
    LoopInput input{&reader, nullptr};
    LoopOutput output{&writer, 0, nullptr};
    CountingRunContext context;
    LoopHooks hooks;
    LoopResult r = runConversion(j, input, output, context, hooks);
    EXPECT_EQ(r.end, LoopEnd::WriteFailed);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(context.finishes, 0);
    win::CloseHandle(hIn);
    win::CloseHandle(hOut);
}

// The filter step fails after the script and header were made and closes the output, as the
// window does: both stay in the file, and nothing goes through the closed handle, not even
// into the file that is given its number next.
TEST(Loops, AFailedFilterStepKeepsScriptAndHeaderAndWritesNoMore) {
    const auto dir = mirvano_test::temp_dir("loops-filter-fails");
    LoopJob j = csvJob(Format::CSV);
    j.options.outFrameNone = true;
    j.options.outHeader = true;
    j.options.outSQL = true;
    const fs::path complete = dir / "complete.csv", out = dir / "out.csv", next = dir / "next.txt";
    ASSERT_EQ(convert(j, fixture("people.csv"), complete.string()).end, LoopEnd::Completed);

    struct CloseOnFilter : LoopHooks {
        win::FileHandle output = -1;
        fs::path next;
        win::FileHandle taken = -1;
        bool setFilterTextIn(std::string&) override {
            win::CloseHandle(output);
            taken = win::CreateFile(next.string());
            return false;
        }
    } hooks;
    hooks.next = next;
    win::FileHandle hIn = win::OpenFile(fixture("people.csv"), 0);
    hooks.output = win::CreateFile(out.string());
    ASSERT_GE(hooks.output, 0);
    {
        LineReader reader(hIn, Charset::ANSI, Charset::ANSI);
        LineWriter writer(hooks.output, Charset::ANSI, Charset::ANSI);
        LoopInput input{&reader, nullptr};
        LoopOutput output{&writer, 0, nullptr};
        CountingRunContext context;
        EXPECT_EQ(runConversion(j, input, output, context, hooks).end, LoopEnd::Stopped);
    }
    win::CloseHandle(hIn);
    win::CloseHandle(hooks.taken);
    EXPECT_EQ(readAll(next), "");
    const std::string written = readAll(out), whole = readAll(complete);
    EXPECT_EQ(written, whole.substr(0, whole.find("M\xfcller;")));
    EXPECT_NE(written.find("NAME;AMOUNT;BORN;ACTIVE;CITY\r\n"), std::string::npos) << written;
}

// The bar shows whole percent, truncated: the loop updates it at the record that reaches the
// next figure, so after record 100 of 200 it shows 50.
TEST(Loops, DbaseToCsvProgressReachesEachPercentOnItsRecord) {
    const auto dir = mirvano_test::temp_dir("loops-percent");
    const fs::path in = dir / "n.dbf";
    ASSERT_TRUE(db::DBCREATE(in.string(), std::vector<db::FieldInfo>{{"N", 'N', 3, 0}}));
    {
        db::DBSERVER t(in.string(), true, false);
        for (int i = 1; i <= 200; ++i) {
            ASSERT_TRUE(t.APPEND());
            ASSERT_TRUE(t.FIELDPUT(rt::Value(1), rt::Value(i)));
        }
    }
    struct Bar : RunContext {
        double maximum = 0;
        std::vector<double> updates;
        void progressSetMax(double m) override { maximum = m; }
        void progressUpdate(double v) override { updates.push_back(v); }
    } bar;
    LoopJob job;
    job.options.inFormat = Format::DBF;
    job.options.outFormat = Format::CSV;
    job.structIn = {{"N", "N", 3, 0}};
    job.out.fields = job.structIn;
    ASSERT_EQ(convert(job, in.string(), (dir / "n.csv").string(), bar).count, 200u);
    // After each record the bar's figure (whole percent of the last update, truncated) is
    // that of the record itself.
    auto figure = [&](double v) { return static_cast<int>(v / bar.maximum * 100.0); };
    size_t next = 0;
    double shown = 0;
    for (int k = 1; k <= 200; ++k) {
        while (next < bar.updates.size() && bar.updates[next] <= k) shown = bar.updates[next++];
        EXPECT_EQ(figure(shown), figure(k)) << "after record " << k;
    }
    EXPECT_LE(bar.updates.size(), 101u);  // once per figure
}

// A float field of a dBase input is written to text output as a number of its length and
// decimals, not left out.
TEST(Loops, FloatFieldsReachTextOutput) {
    const auto dir = mirvano_test::temp_dir("loops-float");
    const fs::path in = dir / "f.dbf";
    ASSERT_TRUE(db::DBCREATE(in.string(), std::vector<db::FieldInfo>{{"PRICE", 'F', 10, 3}, {"NAME", 'C', 4, 0}}));
    {
        db::DBSERVER t(in.string(), true, false);
        for (auto [price, name] : {std::pair{1.5, "ab"}, std::pair{-2.25, "cd"}}) {
            ASSERT_TRUE(t.APPEND());
            ASSERT_TRUE(t.FIELDPUT(rt::Value(1), rt::Value(price)));
            ASSERT_TRUE(t.FIELDPUT(rt::Value(2), rt::Value(name)));
        }
    }
    const struct {
        Format format;
        const char* expected;
    } cases[] = {
        {Format::CSV, "PRICE;NAME\r\n1.500;ab\r\n-2.250;cd\r\n"},
        {Format::SDF, "PRICE     NAME\r\n     1.500ab  \r\n    -2.250cd  \r\n"},
    };
    for (const auto& c : cases) {
        LoopJob job;
        job.options.inFormat = Format::DBF;
        job.options.outFormat = c.format;
        job.options.outFrameNone = true;
        job.options.outHeader = true;
        job.structIn = {{"PRICE", "F", 10, 3}, {"NAME", "C", 4, 0}};
        job.out = buildFieldList(job.structIn, {}, {}, false, {}, c.format);
        const fs::path out = dir / (c.format == Format::CSV ? "f.csv" : "f.sdf");
        ASSERT_EQ(convert(job, in.string(), out.string()).count, 2u);
        EXPECT_EQ(readAll(out), c.expected);
    }
}

// Fields that go from a dBase table as their bytes (a table without recoding) come out as
// those that go through their values (a table whose text is recoded), odd bytes included:
// a day that does not exist, a logical of neither kind, a number with leading zeros or
// written as asterisks, empty fields.
TEST(Loops, FieldsCopiedAsBytesMatchFieldsReadAsValues) {
    const auto dir = mirvano_test::temp_dir("loops-bytes");
    const std::vector<db::FieldInfo> layout{{"NAME", 'C', 6, 0}, {"AMOUNT", 'N', 7, 2}, {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0}};
    const char* rows[][4] = {
        {"ab    ", "  12.50", "20240229", "T"}, {"  cd  ", " 007.50", "20230229", "?"},
        {"      ", "*******", "        ", "y"}, {"x;\"y z", "  -0.00", "19991231", "F"},
        {"e     ", "       ", "2024013X", " "},
    };
    auto table = [&](const char* name, bool ansi) {
        const fs::path path = dir / name;
        rt::SetAnsi(ansi);
        EXPECT_TRUE(db::DBCREATE(path.string(), layout));
        {
            db::DBSERVER t(path.string(), true, false);
            for (const auto& row : rows) {
                EXPECT_TRUE(t.APPEND());
                for (int f = 0; f < 4; ++f) EXPECT_TRUE(t.PUTBYTES(f + 1, row[f])) << row[f];
            }
        }
        rt::SetAnsi(true);
        return path.string();
    };
    const std::string plain = table("plain.dbf", true), recoded = table("recoded.dbf", false);
    {
        db::DBSERVER a(plain, true, true), b(recoded, true, true);
        ASSERT_FALSE(a.recodes());
        ASSERT_TRUE(b.recodes());
    }
    const FieldStructure fields{{"NAME", "C", 6, 0}, {"AMOUNT", "N", 7, 2}, {"BORN", "D", 8, 0}, {"OK", "L", 1, 0}};
    for (Format out : {Format::DBF, Format::CSV}) {
        LoopJob job;
        job.options.inFormat = Format::DBF;
        job.options.outFormat = out;
        job.options.outFrameText = true;
        job.structIn = fields;
        job.out.fields = fields;
        const std::string ext = out == Format::DBF ? ".dbf" : ".csv";
        const fs::path fromPlain = dir / ("p" + ext), fromRecoded = dir / ("r" + ext);
        ASSERT_EQ(convert(job, plain, fromPlain.string()).count, 5u);
        ASSERT_EQ(convert(job, recoded, fromRecoded.string()).count, 5u);
        std::string p = readAll(fromPlain), r = readAll(fromRecoded);
        if (out == Format::DBF) {  // the header's date of the last update may differ
            ASSERT_GT(p.size(), 4u);
            p.erase(1, 3);
            r.erase(1, 3);
        }
        EXPECT_EQ(p, r) << ext;
    }
}

// Numbers a table holds in forms formatting would not write (no room for the leading zero,
// wider than their decimals allow, more or fewer decimals than declared), empty number fields
// and text padded with NUL bytes reach every output with the value the table holds: from a
// table read as its bytes and from one whose text is recoded; into a dBase output of the same
// fields as their bytes, into one of wider fields through their values.
TEST(Loops, NumbersAsOtherWritersStoreThemReachEveryOutput) {
    const auto dir = mirvano_test::temp_dir("loops-narrow");
    const std::vector<db::FieldInfo> layout{{"NAME", 'C', 6, 0}, {"A", 'N', 5, 4}, {"B", 'N', 4, 2}, {"C", 'N', 8, 2}, {"D", 'N', 8, 2}};
    const std::string nul(1, '\0');
    const std::vector<std::vector<std::string>> rows = {
        {"ab" + nul + nul + nul + nul, ".1234", "-.50", "123456.5", "  1.2345"},
        {"  cd  ", "0.500", " .50", "12345678", "    1.25"},
        {std::string(6, '\0'), "     ", "    ", "********", "   -0.00"},
    };
    auto table = [&](const char* name, bool ansi) {
        const fs::path path = dir / name;
        rt::SetAnsi(ansi);
        EXPECT_TRUE(db::DBCREATE(path.string(), layout));
        rt::SetAnsi(true);
        db::DBSERVER t(path.string(), true, false);
        for (const auto& row : rows) {
            EXPECT_TRUE(t.APPEND());
            for (int f = 0; f < 5; ++f) EXPECT_TRUE(t.PUTBYTES(f + 1, row[static_cast<size_t>(f)])) << row[static_cast<size_t>(f)];
        }
        return path.string();
    };
    const FieldStructure fields{{"NAME", "C", 6, 0}, {"A", "N", 5, 4}, {"B", "N", 4, 2}, {"C", "N", 8, 2}, {"D", "N", 8, 2}};
    const struct {
        Format format;
        bool optimised;
        std::string expected;
    } texts[] = {
        {Format::CSV, false, "\"ab\";.1234;-.50;123456.5;1.2345\r\n\"cd\";0.500;0.50;12345678;1.25\r\n\"\";;;;0.00\r\n"},
        {Format::SDF, false, "ab    .1234-.50123456.5  1.2345\r\n  cd  0.5000.5012345678    1.25\r\n" + std::string(27, ' ') + "0.00\r\n"},
        {Format::SDF, true, "ab   .1234 -.50 123456.5 1.2345\r\n  cd 0.500 0.50 12345678   1.25\r\n" + std::string(25, ' ') + "  0.00\r\n"},
    };
    // What the dBase outputs hold: the same fields the texts as they stood, wider fields the
    // numbers in their form where that fits and keeps every digit.
    const std::vector<std::vector<std::string>> same = {{".1234", "-.50", "123456.5", "1.2345"}, {"0.500", ".50", "12345678", "1.25"}, {"", "", "", "-0.00"}};
    const std::vector<std::vector<std::string>> wider = {{".1234", "-.50", "123456.50", "1.2345"}, {"0.5000", "0.50", "12345678", "1.25"}, {"", "", "", "0.00"}};
    for (const auto& [name, ansi] : {std::pair{"plain.dbf", true}, std::pair{"recoded.dbf", false}}) {
        SCOPED_TRACE(name);
        const std::string in = table(name, ansi);
        {
            db::DBSERVER t(in, true, true);
            EXPECT_EQ(t.recodes(), !ansi);
        }
        for (const auto& c : texts) {
            LoopJob job;
            job.options.inFormat = Format::DBF;
            job.options.outFormat = c.format;
            job.options.outFrameText = true;
            job.options.outOptiSDF = c.optimised;
            job.structIn = fields;
            job.out.fields = fields;
            const fs::path out = dir / (std::string(name) + (c.format == Format::CSV ? ".csv" : c.optimised ? ".opt.sdf" : ".sdf"));
            ASSERT_EQ(convert(job, in, out.string()).count, 3u);
            EXPECT_EQ(readAll(out), c.expected);
        }
        const std::vector<db::FieldInfo> wide{{"NAME", 'C', 8, 0}, {"A", 'N', 7, 4}, {"B", 'N', 6, 2}, {"C", 'N', 10, 2}, {"D", 'N', 10, 2}};
        for (const auto* out : {&same, &wider}) {
            const fs::path path = dir / (std::string(name) + (out == &same ? ".same.dbf" : ".wide.dbf"));
            if (out == &wider) EXPECT_TRUE(db::DBCREATE(path.string(), wide));
            LoopJob job;
            job.options.inFormat = Format::DBF;
            job.options.outFormat = Format::DBF;
            job.structIn = fields;
            job.out.fields = fields;
            ASSERT_EQ(convert(job, in, path.string()).count, 3u);
            db::DBSERVER t(path.string(), true, true);
            for (const auto& row : *out) {
                ASSERT_FALSE(t.EOF());
                for (int f = 2; f <= 5; ++f) EXPECT_EQ(t.NUMBERTEXT(f), row[static_cast<size_t>(f - 2)]) << f;
                EXPECT_EQ(rt::AllTrim(t.FIELDGET(rt::Value(1)).str()), rt::AllTrim(rows[&row - out->data()][0]));
                t.SKIP();
            }
        }
    }
}

namespace {

// The environment variables that choose the threads and blocks of a pass, for one scope.
class Threads {
public:
    Threads(const char* threads, const char* blockBytes) {
        setenv("MIRVANO_THREADS", threads, 1);
        if (blockBytes)
            setenv("MIRVANO_BLOCK_BYTES", blockBytes, 1);
        else
            unsetenv("MIRVANO_BLOCK_BYTES");
    }
    ~Threads() {
        unsetenv("MIRVANO_THREADS");
        unsetenv("MIRVANO_BLOCK_BYTES");
    }
};

// A table's bytes without its date of last change.
std::string tableBytes(const fs::path& table) {
    std::string b = readAll(table);
    return b.size() > 4 ? b.substr(0, 1) + b.substr(4) : b;
}

}  // namespace

// Cut into blocks of a few bytes on three threads, so that records and values over several
// lines straddle the blocks' starts, a conversion writes the bytes and tells the lines the
// sequential run does; a cancel ends the output at a record boundary holding the count told.
TEST(Loops, BlocksOnThreadsWriteWhatTheSequentialRunWrites) {
    const auto dir = mirvano_test::temp_dir("loops-blocks");
    std::string text = "NAME;AMOUNT;BORN;ACTIVE;CITY\r\n";
    for (int i = 0; i < 400; ++i) {
        const std::string n = std::to_string(i);
        const std::string name = i % 7 == 0 ? "\"L" + n + "\r\nx\"" : i % 11 == 0 ? "\"S; " + n + "\"" : "\"N" + n + "\"";
        text += name + ";" + n + ",5;0" + std::to_string(1 + i % 9) + ".02.1970;" + (i % 2 ? ".T." : ".F.") +
                ";\"Oslo\"\r\n";
        if (i % 37 == 0) text += "\r\n";  // a line without data
    }
    const fs::path in = dir / "many.csv";
    mirvano_test::writeAll(in, text);

    for (Format f : {Format::CSV, Format::SDF, Format::DBF}) {
        LoopJob j = csvJob(f);
        j.options.outFrameNone = true;  // "S; n" loses its separator: a replacement, told by line
        const std::string ext = f == Format::CSV ? ".csv" : f == Format::SDF ? ".sdf" : ".dbf";
        const fs::path one = dir / ("one" + ext), blocks = dir / ("blocks" + ext);
        LoopResult a, b;
        {
            Threads t("1", nullptr);
            a = convert(j, in.string(), one.string());
        }
        CountingRunContext progress;
        {
            Threads t("3", "23");
            b = convert(j, in.string(), blocks.string(), progress);
        }
        SCOPED_TRACE(ext);
        // The bar moves block by block and ends full; the events are pumped all along.
        EXPECT_GT(progress.updates, 10);
        EXPECT_EQ(progress.finishes, 1);
        EXPECT_GT(progress.pumps, 10);
        EXPECT_EQ(a.end, LoopEnd::Completed);
        EXPECT_EQ(b.end, LoopEnd::Completed);
        EXPECT_EQ(a.count, 400u);
        EXPECT_EQ(b.count, a.count);
        EXPECT_EQ(b.lost.count, a.lost.count);
        EXPECT_EQ(b.lost.first, a.lost.first);
        EXPECT_EQ(tableBytes(blocks), tableBytes(one));
    }

    // The table written above as input, in blocks of records: to every output, the SDF one
    // with widths measured first; deleted records passed over as in sequence.
    {
        std::string bytes = readAll(dir / "one.dbf");
        const auto u16 = [&](size_t at) { return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8; };
        const size_t header = u16(8), length = u16(10);
        for (size_t k = 4; header + k * length < bytes.size() - 1; k += 9) bytes[header + k * length] = '*';
        mirvano_test::writeAll(dir / "one.dbf", bytes);
    }
    for (Format f : {Format::CSV, Format::SDF, Format::DBF}) {
        LoopJob j;
        j.options.inFormat = Format::DBF;
        j.options.outFormat = f;
        j.options.outOptiSDF = true;
        j.structIn = peopleStructure();
        j.out.fields = j.structIn;
        j.table = "people";
        const std::string ext = f == Format::CSV ? ".csv" : f == Format::SDF ? ".sdf" : ".dbf";
        const fs::path one = dir / ("t-one" + ext), blocks = dir / ("t-blocks" + ext);
        LoopResult a, b;
        {
            Threads t("1", nullptr);
            a = convert(j, (dir / "one.dbf").string(), one.string());
        }
        {
            Threads t("3", "7");
            b = convert(j, (dir / "one.dbf").string(), blocks.string());
        }
        SCOPED_TRACE("from dBase to " + ext);
        EXPECT_EQ(a.end, LoopEnd::Completed);
        EXPECT_EQ(b.end, LoopEnd::Completed);
        EXPECT_LT(a.count, 400u);
        EXPECT_EQ(b.count, a.count);
        EXPECT_EQ(tableBytes(blocks), tableBytes(one));
    }

    // A record filter tested on the workers, each with a filter of its own, passes the records
    // it passes in sequence; one that reads the record's number stays in sequence.
    struct Filtered : LoopHooks {
        explicit Filtered(std::string text) : text_(std::move(text)) {}
        bool setFilterTextIn(std::string& filter) override {
            filter = rewriteFilter(text_, peopleStructure(), true);
            return filter_.compile(filter);
        }
        bool testFilterRec(const std::string&, const std::vector<std::string>& record) override {
            return filter_.test(record);
        }
        bool filterOnWorkers() const override { return true; }
        void addFilterCounts(long tested, long errors) override {
            filter_.tested += tested;
            filter_.errors += errors;
        }
        std::string text_;
        RecordFilter filter_;
    };
    registerIsInFile();
    const fs::path list = dir / "list.txt";
    mirvano_test::writeAll(list, "N12\r\nL14\r\nN300\r\nS; 33\r\n");
    const std::string inList = "ISINFILE(NAME, '" + list.string() + "', 1) .OR. ISINFILE(CITY, '" + list.string() + "')";
    for (const std::string& text : {std::string("AMOUNT > 100 .AND. LEFT(NAME, 1) <> 'S'"), std::string("RECNO() % 3 == 1"),
                                    std::string("AMOUNT > 'x'"), inList}) {
        SCOPED_TRACE(text);
        clearIsInFileCache();
        const fs::path one = dir / "f-one.csv", blocks = dir / "f-blocks.csv";
        fs::remove(one);
        fs::remove(blocks);
        Filtered a(text), b(text);
        CountingRunContext ca, cb;
        LoopResult ra, rb;
        {
            Threads t("1", nullptr);
            ra = convert(csvJob(Format::CSV), in.string(), one.string(), ca, &a);
        }
        clearIsInFileCache();
        {
            Threads t("3", "23");
            rb = convert(csvJob(Format::CSV), in.string(), blocks.string(), cb, &b);
        }
        EXPECT_EQ(rb.count, ra.count);
        EXPECT_EQ(readAll(blocks), readAll(one));
        EXPECT_EQ(b.filter_.tested, a.filter_.tested);
        EXPECT_EQ(b.filter_.errors, a.filter_.errors);
    }

    // Cancelled while blocks are on their way: whole records, as many as the count says.
    const fs::path whole = dir / "one.dbf", cut = dir / "cut.dbf";
    Threads t("3", "23");
    CountingRunContext cancel(6);
    LoopResult r = convert(csvJob(Format::DBF), in.string(), cut.string(), cancel);
    EXPECT_EQ(r.end, LoopEnd::Cancelled);
    EXPECT_GT(r.count, 0u);
    EXPECT_LT(r.count, 400u);
    db::DBSERVER part(cut.string(), true, true), all(whole.string(), true, true);
    ASSERT_EQ(part.LASTREC(), static_cast<int64_t>(r.count));
    for (int64_t k = 1; k <= part.LASTREC(); ++k) {
        part.GOTO(k);
        all.GOTO(k);
        for (int f = 1; f <= part.FCOUNT(); ++f) EXPECT_EQ(part.FIELDBYTES(f), all.FIELDBYTES(f)) << k;
    }
}

// A lone quote makes the reader read lines ahead; a character the output lacks on such a line
// counts once, with the record that holds it, however the file is cut into blocks.
TEST(Loops, LostCharactersOnLinesReadAheadCountOnceWithTheirRecord) {
    const auto dir = mirvano_test::temp_dir("loops-ahead");
    std::string text = "A;B\r\n";
    for (int i = 0; i < 60; ++i) text += "v" + std::to_string(i) + ";\"\r\n\xc5\x82" + std::to_string(i) + ";2\r\n";
    const fs::path in = dir / "ahead.csv";
    mirvano_test::writeAll(in, text);
    LoopJob j;
    j.options.inFormat = Format::CSV;
    j.options.inCharset = Charset::UTF8;
    j.options.inHeader = true;
    j.options.outFormat = Format::DBF;  // an ANSI table: the reader recodes into ANSI
    j.structIn = {{"A", "C", 10, 0}, {"B", "C", 10, 0}};
    j.posIn = {1, 2};
    j.out.fields = j.structIn;
    j.out.pos = j.posIn;
    LoopResult a, b;
    {
        Threads t("1", nullptr);
        a = convert(j, in.string(), (dir / "one.dbf").string());
    }
    {
        Threads t("3", "23");
        b = convert(j, in.string(), (dir / "blocks.dbf").string());
    }
    EXPECT_EQ(a.count, 120u);
    EXPECT_EQ(a.lost.count, 60u);
    EXPECT_EQ(a.lost.first, 3);  // the line that holds it, not the one that read it ahead
    EXPECT_EQ(b.lost.count, a.lost.count);
    EXPECT_EQ(b.lost.first, a.lost.first);
    EXPECT_EQ(tableBytes(dir / "blocks.dbf"), tableBytes(dir / "one.dbf"));

    // A header word's character names a field only: it reaches no output and is not counted.
    mirvano_test::writeAll(in, "A;B\xe2\x98\x83\r\n1;2\r\n3;4\r\n");
    {
        Threads t("1", nullptr);
        a = convert(j, in.string(), (dir / "h-one.dbf").string());
    }
    {
        Threads t("3", "3");
        b = convert(j, in.string(), (dir / "h-blocks.dbf").string());
    }
    EXPECT_EQ(a.count, 2u);
    EXPECT_EQ(a.lost.count, 0u);
    EXPECT_EQ(b.lost.count, 0u);
}
