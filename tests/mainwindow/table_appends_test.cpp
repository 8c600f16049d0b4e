// Appending to dBase tables of other programs, as a batch: a sorted append keeps a FoxPro or
// Visual FoxPro table what it is, and an append that fails (a full disk, a sort it cannot
// make) leaves the table and its memo file byte for byte as they were. Tables are made by
// python-dbf and read back with dbfread and GDAL.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "batch_util.h"
#include "test_env.h"

namespace fs = std::filesystem;
using batch_test::command;
using batch_test::Keys;
using batch_test::operator+;
using batch_test::runBatch;
using mirvano_test::readAll;
using mirvano_test::writeAll;

namespace {

bool havePythonDbf() { return std::system("/usr/bin/python3 -c 'import dbf' >/dev/null 2>&1") == 0; }
bool ready() { return batch_test::ready() && havePythonDbf() && batch_test::haveOgrinfo(); }

// Runs a python-dbf script in `dir`; its output.
std::string pythonDbf(const fs::path& dir, const std::string& script) {
    writeAll(dir / "make.py", "import dbf, datetime\n" + script);
    return command("cd '" + dir.string() + "' && /usr/bin/python3 make.py");
}

// The records as dbfread reads them, memos included.
std::string dbfreadRecords(const fs::path& table) {
    return command("/usr/bin/python3 -c \"import dbfread,sys\n"
                   "t=dbfread.DBF(sys.argv[1])\n"
                   "print([(f.name,f.type,f.length) for f in t.fields])\n"
                   "[print(list(r.values())) for r in t]\" '" +
                   table.string() + "'");
}

// A settings file for a batch in English that appends to its output, with `keys`.
std::string appendSettings(const Keys& keys) {
    std::string s = "[Config]\r\nProgIdent=mirvano\r\nLanguage=english\r\nFileHandling=append\r\n";
    for (const auto& [k, v] : keys) s += k + "=" + v + "\r\n";
    return s;
}

const Keys kCsvIn = {{"FileFormatIn", "csv"},    {"CharacterSetIn", "ansi"},    {"DecimalSeparatorIn", "dot"},
                     {"CsvSeparatorIn", "semi"}, {"CsvFieldFrameIn", "string"}, {"HeaderLineIn", "yes"}};

}  // namespace

// A sorted append to a FoxPro table (0xF5, memos in .fpt) and to a Visual FoxPro table (0x30
// with integer, currency, double and date-and-time fields) rewrites it in key order as the
// table it was: its version, every field type, its memo file's kind and every old memo. A
// second run adds the records once more, sorted, and nothing else.
TEST(TableAppends, ASortedAppendKeepsAFoxProTableWhatItIs) {
    if (!ready()) GTEST_SKIP() << "the program, python-dbf, dbfread or GDAL is missing";
    const auto dir = mirvano_test::temp_dir("appends-fox");
    pythonDbf(dir, "t=dbf.Table('fox.dbf','NAME C(10); NOTE M; N N(5,0)',dbf_type='fp'); t.open(dbf.READ_WRITE)\n"
                   "t.append(('b','memo b',2)); t.append(('d','memo d',4)); t.close()\n"
                   "v=dbf.Table('vfp.dbf','NAME C(10); I I; Y Y; B B; T T; NOTE M',dbf_type='vfp'); v.open(dbf.READ_WRITE)\n"
                   "v.append(('b',-7,1.5,2.25,datetime.datetime(2021,3,4,5,6,7),'memo b')); v.close()\n");
    ASSERT_TRUE(fs::exists(dir / "fox.fpt") && fs::exists(dir / "vfp.fpt")) << readAll(dir / "make.py");
    writeAll(dir / "fox.csv", "NAME;N\r\nc;3\r\na;1\r\n");
    writeAll(dir / "vfp.csv", "NAME\r\nc\r\na\r\n");
    writeAll(dir / "job.mcf", appendSettings(Keys{{"FileFormatOut", "dbf"}, {"CharacterSetOut", "ansi"},
                                                  {"SortConditionUse", "yes"}, {"SortConditionGroup", "NAME"}} +
                                             kCsvIn));
    const std::string foxFields = "[('NAME', 'C', 10), ('NOTE', 'M', 10), ('N', 'N', 5)]\n";
    const std::string vfpFields =
        "[('NAME', 'C', 10), ('I', 'I', 4), ('Y', 'Y', 8), ('B', 'B', 8), ('T', 'T', 8), ('NOTE', 'M', 4)]\n";
    std::string fox = foxFields + "['a', None, 1]\n['b', 'memo b', 2]\n['c', None, 3]\n['d', 'memo d', 4]\n";
    std::string vfp = vfpFields + "['a', 0, Decimal('0'), 0.0, None, None]\n"
                                  "['b', -7, Decimal('1.5'), 2.25, datetime.datetime(2021, 3, 4, 5, 6, 7), 'memo b']\n"
                                  "['c', 0, Decimal('0'), 0.0, None, None]\n";
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        for (const char* name : {"fox", "vfp"}) {
            SCOPED_TRACE(name);
            EXPECT_EQ(runBatch(dir, std::string(name) + ".csv", std::string(name) + ".dbf", (dir / "job.mcf").string()), 0)
                << readAll(dir / "log");
            EXPECT_EQ(readAll(dir / "log").find("error"), std::string::npos) << readAll(dir / "log");
        }
        EXPECT_EQ(static_cast<unsigned char>(readAll(dir / "fox.dbf")[0]), 0xF5);
        EXPECT_EQ(static_cast<unsigned char>(readAll(dir / "vfp.dbf")[0]), 0x30);
        EXPECT_FALSE(fs::exists(dir / "fox.dbt"));
        EXPECT_FALSE(fs::exists(dir / "vfp.dbt"));
        EXPECT_EQ(dbfreadRecords(dir / "fox.dbf"), fox);
        EXPECT_EQ(dbfreadRecords(dir / "vfp.dbf"), vfp);
        if (run == 1) {
            // The second run adds its records beside the first run's, in order.
            fox = foxFields + "['a', None, 1]\n['a', None, 1]\n['b', 'memo b', 2]\n['c', None, 3]\n['c', None, 3]\n['d', 'memo d', 4]\n";
            vfp = vfpFields + "['a', 0, Decimal('0'), 0.0, None, None]\n['a', 0, Decimal('0'), 0.0, None, None]\n"
                              "['b', -7, Decimal('1.5'), 2.25, datetime.datetime(2021, 3, 4, 5, 6, 7), 'memo b']\n"
                              "['c', 0, Decimal('0'), 0.0, None, None]\n['c', 0, Decimal('0'), 0.0, None, None]\n";
        }
    }
    // GDAL and python-dbf read the rewritten tables too.
    EXPECT_EQ(command("ogrinfo -q -al '" + (dir / "fox.dbf").string() + "' | grep -c 'NAME (String)'"), "6\n");
    EXPECT_EQ(pythonDbf(dir, "t=dbf.Table('vfp.dbf'); t.open()\nprint(len(t), t[2].note.strip(), t[2].i, t[2].t)\n"),
              "5 memo b -7 2021-03-04 05:06:07\n");
}

// An append that fails leaves the table and its memo file byte for byte as they were: the
// disk full in the middle of the records (a file size limit, as a full disk refuses writes),
// and a sort that cannot be made after the records went in. The run fails, and says so.
TEST(TableAppends, AFailedAppendLeavesTheTableAsItWas) {
    if (!ready()) GTEST_SKIP() << "the program, python-dbf, dbfread or GDAL is missing";
    const auto dir = mirvano_test::temp_dir("appends-failed");
    // Many long memos and records: more than the limit lets the table and memo file grow.
    pythonDbf(dir, "t=dbf.Table('many.dbf','NAME C(20); NOTE M',dbf_type='db3'); t.open(dbf.READ_WRITE)\n"
                   "for i in range(3000): t.append(('n%04d' % i, 'x' * 700))\n"
                   "t.close()\n");
    std::string many;
    for (int i = 0; i < 3000; ++i) many += "n" + std::to_string(i) + ";" + std::string(40, 'y') + "\r\n";
    writeAll(dir / "many.csv", "NAME;TEXT\r\n" + many);
    const Keys dbfIn = {{"FileFormatIn", "dbf"}, {"CharacterSetIn", "ansi"}};
    const Keys out = {{"FileFormatOut", "dbf"}, {"CharacterSetOut", "ansi"}};
    const struct {
        const char* what;
        const char* input;
        Keys keys;
        const char* make;  // the python-dbf lines that make t.dbf
        int limitBlocks;   // the file size limit in 512-byte blocks, 0 for none
        const char* error;
    } cases[] = {
        {"dBase with memos, disk full", "many.dbf", dbfIn,
         "t=dbf.Table('t.dbf','NAME C(20); NOTE M',dbf_type='db3')", 200, "Error when writing the file"},
        {"CSV, disk full", "many.csv", kCsvIn, "t=dbf.Table('t.dbf','NAME C(20); TEXT C(40)',dbf_type='db3')", 100,
         "Error when writing the file"},
        {"dBase into FoxPro, disk full", "many.dbf", dbfIn,
         "t=dbf.Table('t.dbf','NAME C(20); NOTE M',dbf_type='fp')", 200, "Error when writing the file"},
        {"CSV, sort field not written", "many.csv",
         kCsvIn + Keys{{"SortConditionUse", "yes"}, {"SortConditionGroup", "TEXT"}, {"FieldFilterUse", "yes"},
                       {"FieldFilterGroup", "NAME"}},
         "t=dbf.Table('t.dbf','NAME C(20); TEXT C(40)',dbf_type='db3')", 0,
         "With activated sorting no sort fields were selected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* f : {"t.dbf", "t.dbt", "t.fpt"}) fs::remove(dir / f);
        pythonDbf(dir, std::string(c.make) + "\nt.open(dbf.READ_WRITE)\nt.append(('old','old memo' if 'NOTE' in "
                                             "t.field_names else 'old text')); t.close()\n");
        const std::string memo = fs::exists(dir / "t.fpt") ? "t.fpt" : fs::exists(dir / "t.dbt") ? "t.dbt" : "";
        const std::string tableBefore = readAll(dir / "t.dbf"), memoBefore = memo.empty() ? "" : readAll(dir / memo);
        writeAll(dir / "job.mcf", appendSettings(out + c.keys));
        fs::create_directories(dir / "home");
        // A file size limit makes every write beyond it fail, as a full disk does (the signal
        // it raises is ignored, so the write reports the error instead).
        std::string limit = c.limitBlocks ? "trap '' XFSZ; ulimit -f " + std::to_string(c.limitBlocks) + "; " : "";
        const int status = std::system(("cd '" + dir.string() + "' && " + limit + "env -u XDG_RUNTIME_DIR HOME='" +
                                        (dir / "home").string() + "' QT_QPA_PLATFORM=offscreen '" +
                                        batch_test::program().string() + "' " + c.input + " t.dbf job.mcf >log 2>&1")
                                           .c_str());
        const std::string log = readAll(dir / "log");
        EXPECT_NE(WEXITSTATUS(status), 0) << log;
        EXPECT_NE(log.find(c.error), std::string::npos) << log;
        EXPECT_TRUE(readAll(dir / "t.dbf") == tableBefore) << "the table changed";
        if (!memo.empty()) EXPECT_TRUE(readAll(dir / memo) == memoBefore) << "the memo file changed";
        EXPECT_EQ(dbfreadRecords(dir / "t.dbf").find("\n['old', "), dbfreadRecords(dir / "t.dbf").rfind("\n["));
    }
}
