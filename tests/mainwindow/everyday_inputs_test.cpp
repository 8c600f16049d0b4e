// Files of the kinds people really have, converted by the program as a batch and read back
// with the outside tools: values over several lines, quotes in text, empty lines, numbers a
// double or a number field cannot hold, tables other writers made or damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "batch_util.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "test_env.h"

namespace fs = std::filesystem;
using batch_test::dbfread;
using batch_test::kCsvIn;
using batch_test::operator+;
using batch_test::kDbfOut;
using batch_test::ready;
using batch_test::convert;
using batch_test::Converted;
using batch_test::settings;
using batch_test::runBatch;
using mirvano_test::readAll;
using mirvano_test::writeAll;

namespace {

using batch_test::Keys;

const Keys kCsvOut = {{"FileFormatOut", "csv"},     {"CharacterSetOut", "ansi"},  {"DecimalSeparatorOut", "dot"},
                      {"CsvSeparatorOut", "semi"},  {"CsvFieldFrameOut", "string"}, {"HeaderLineOut", "no"}};




// UTF-16 LE with its byte-order mark, from ASCII text.
std::string utf16(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

struct TableCase {
    const char* what;
    std::string input;
    Keys keys;
    std::string expected;  // as dbfread reads the table
};

// Each input is converted CSV to dBase and read back by dbfread.
void expectTables(const std::string& tag, const std::vector<TableCase>& cases) {
    const auto dir = mirvano_test::temp_dir(tag);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Converted r = convert(dir, "in.csv", c.input, "out.dbf", settings(c.keys, kCsvIn + kDbfOut));
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_EQ(dbfread(dir / "out.dbf"), c.expected) << r.log;
    }
}

}  // namespace

TEST(EverydayInputs, FramesQuotesAndEmptyLinesReachTheTable) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const std::string multi = "ID;TEXT;N\r\n1;\"line one\nline two\";10\r\n2;plain;20\r\n";
    const std::string multiRows = "[1, 'line one\\nline two', 10]\n[2, 'plain', 20]\n";
    const std::string multiHead = "[('ID', 'N', 1, 0), ('TEXT', 'C', 17, 0), ('N', 'N', 2, 0)]\n";
    const std::string monitor = "NAME;PRICE\r\nMonitor 24\" Full HD;199\r\n";
    const std::string monitorOut = "[('NAME', 'C', 19, 0), ('PRICE', 'N', 3, 0)]\n['Monitor 24\" Full HD', 199]\n";
    expectTables("everyday-frames", {
        {"a line break inside a framed value", multi, {}, multiHead + multiRows},
        {"the same in UTF-8", multi, {{"CharacterSetIn", "utf8"}}, multiHead + multiRows},
        {"the same in OEM", multi, {{"CharacterSetIn", "ascii"}}, multiHead + multiRows},
        {"the same in UTF-16", utf16(multi), {{"CharacterSetIn", "unicode"}}, multiHead + multiRows},
        {"a CR LF inside a value, and a framed value over three lines",
         "ID;TEXT\r\n1;\"a\r\n\r\nb\"\r\n2;\"c;\r\nd\"\r\n", {},
         "[('ID', 'N', 1, 0), ('TEXT', 'C', 6, 0)]\n[1, 'a\\r\\n\\r\\nb']\n[2, 'c;\\r\\nd']\n"},
        {"a quote in unframed text", monitor, {}, monitorOut},
        {"... with no frame", monitor, {{"CsvFieldFrameIn", "no"}}, monitorOut},
        {"... with all fields framed", monitor, {{"CsvFieldFrameIn", "all"}}, monitorOut},
        {"a blank after the closing quote", "A;B;C\r\n1;\"abc\" ;10\r\n", {},
         "[('A', 'N', 1, 0), ('B', 'C', 3, 0), ('C', 'N', 2, 0)]\n[1, 'abc', 10]\n"},
        {"empty lines, the last one too", "A;B\r\n1;x\r\n\r\n2;y\r\n\r\n", {},
         "[('A', 'N', 1, 0), ('B', 'C', 1, 0)]\n[1, 'x']\n[2, 'y']\n"},
        {"doubled quotes in a frame", "ID;TEXT\r\n1;\"ha \"\"ha\"\" ha\"\r\n2;\"{\"\"type\"\": \"\"Point\"\"}\"\r\n", {},
         "[('ID', 'N', 1, 0), ('TEXT', 'C', 17, 0)]\n[1, 'ha \"ha\" ha']\n[2, '{\"type\": \"Point\"}']\n"},
    });
}

TEST(EverydayInputs, NumbersAndLongValuesReachTheTableUnchanged) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const std::string long301(301, 'x');
    expectTables("everyday-numbers", {
        {"numbers without an integer digit", "V\r\n.5\r\n-.25\r\n", {},
         "[('V', 'N', 5, 2)]\n[0.5]\n[-0.25]\n"},
        {"... with the comma", "V\r\n,5\r\n-,25\r\n", {{"DecimalSeparatorIn", "comma"}},
         "[('V', 'N', 5, 2)]\n[0.5]\n[-0.25]\n"},
        {"the other decimal separator", "V;W\r\n1,5;2.5\r\n2;3\r\n", {},
         "[('V', 'C', 3, 0), ('W', 'N', 3, 1)]\n['1,5', 2.5]\n['2', 3.0]\n"},
        {"... under the comma setting", "V;W\r\n1,5;2.5\r\n2;3\r\n", {{"DecimalSeparatorIn", "comma"}},
         "[('V', 'N', 3, 1), ('W', 'C', 3, 0)]\n[1.5, '2.5']\n[2.0, '3']\n"},
        {"identifiers and numbers longer than a double holds",
         "ID;BIG;AMOUNT\r\n12345678901234567;1234567890123456789012345;1.5\r\n1;2;3\r\n", {},
         "[('ID', 'C', 17, 0), ('BIG', 'C', 25, 0), ('AMOUNT', 'N', 3, 1)]\n"
         "['12345678901234567', '1234567890123456789012345', 1.5]\n['1', '2', 3.0]\n"},
        {"a value of 301 bytes", "ID;NOTE\r\n1;" + long301 + "\r\n", {},
         "[('ID', 'N', 1, 0), ('NOTE', 'C', 301, 0)]\n[1, '" + long301 + "']\n"},
        {"given lengths beyond a number field", "A;B\r\n1.25;x\r\n", {{"FieldLengthsIn", "yes"}, {"FieldLenStrIn", "30 5"}},
         "[('A', 'N', 22, 2), ('B', 'C', 5, 0)]\n[1.25, 'x']\n"},
    });
}

// CSV to CSV: a line break stays inside the frame (or becomes a blank without one), a
// doubled quote is read as one and written by the output rule.
TEST(EverydayInputs, CsvToCsvKeepsValuesWhole) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("everyday-csv-csv");
    const std::string input = "ID;TEXT\r\n1;\"line one\nline two\"\r\n\r\n2;\"ha \"\"ha\"\" ha\"\r\n";
    const struct {
        const char* frame;
        std::string expected;
    } cases[] = {
        {"string", "1;\"line one\nline two\"\r\n2;\"ha 'ha' ha\"\r\n"},
        {"no", "1;line one line two\r\n2;ha \"ha\" ha\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame);
        const Converted r = convert(dir, "in.csv", input, "out.csv", settings({{"CsvFieldFrameOut", c.frame}}, kCsvIn + kCsvOut));
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_EQ(readAll(dir / "out.csv"), c.expected);
    }
}

// A frame that never closes is told with the line it opened on, and nothing is written.
TEST(EverydayInputs, AFrameLeftOpenIsToldWithItsLine) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("everyday-open-frame");
    const Converted r = convert(dir, "in.csv", "A;B\r\n1;x\r\n\r\n2;\"y\r\n3;z\r\n", "out.dbf", settings({}, kCsvIn + kDbfOut));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.log.find("Number of data fields in CSV records are different: 3"), std::string::npos) << r.log;
    EXPECT_FALSE(fs::exists(dir / "out.dbf"));
}

// A table GDAL wrote, with its N(24,15) fields, converts dBase to dBase; dbfread and GDAL read
// the copy as they read the original.
TEST(EverydayInputs, TablesOtherWritersMadeConvertDbaseToDbase) {
    if (!ready() || !batch_test::haveOgrinfo()) GTEST_SKIP() << "the program, python3-dbfread or GDAL is missing";
    const auto dir = mirvano_test::temp_dir("everyday-gdal");
    writeAll(dir / "src.csv", "REAL,NAME,ID\r\n123.456,abc,12345678901234567\r\n-0.5,x,-98765432109876543\r\n1e-15,,1\r\n");
    writeAll(dir / "src.csvt", "\"Real(24.15)\",\"String(10)\",\"Integer64\"");
    batch_test::command("cd '" + dir.string() + "' && ogr2ogr -f 'ESRI Shapefile' gdal.dbf src.csv");
    ASSERT_TRUE(fs::exists(dir / "gdal.dbf"));
    const Keys dbfIn = {{"FileFormatIn", "dbf"}, {"CharacterSetIn", "ansi"}};
    writeAll(dir / "job.mcf", settings({}, dbfIn + kDbfOut));
    ASSERT_EQ(runBatch(dir, "gdal.dbf", "copy.dbf", (dir / "job.mcf").string()), 0) << readAll(dir / "log");
    EXPECT_EQ(dbfread(dir / "copy.dbf"), dbfread(dir / "gdal.dbf"));
    EXPECT_NE(dbfread(dir / "copy.dbf").find("('REAL', 'N', 24, 15)"), std::string::npos);
    auto gdal = [&](const char* table) {
        return batch_test::command("ogr2ogr -f CSV /vsistdout/ '" + (dir / table).string() + "'");
    };
    EXPECT_EQ(gdal("copy.dbf"), gdal("gdal.dbf"));
    EXPECT_NE(gdal("copy.dbf").find("12345678901234567"), std::string::npos);

    // To text, the identifiers keep every digit too.
    writeAll(dir / "job.mcf", settings({{"CsvFieldFrameOut", "no"}}, dbfIn + kCsvOut));
    ASSERT_EQ(runBatch(dir, "gdal.dbf", "ids.csv", (dir / "job.mcf").string()), 0) << readAll(dir / "log");
    // GDAL stored 123.456 as 123.456000000000003: that text is what the table holds.
    EXPECT_EQ(readAll(dir / "ids.csv"), "123.456000000000003;abc;12345678901234567\r\n"
                                        "-0.500000000000000;x;-98765432109876543\r\n"
                                        "0.000000000000001;;1\r\n");
}

// CSV values that need a long text field or a 17-digit identifier are read back the same by
// dbfread and (for fields up to 254 bytes) by GDAL.
TEST(EverydayInputs, LongTextsAndIdentifiersReadBackByGdal) {
    if (!ready() || !batch_test::haveOgrinfo()) GTEST_SKIP() << "the program, python3-dbfread or GDAL is missing";
    const auto dir = mirvano_test::temp_dir("everyday-ids");
    const Converted r = convert(dir, "in.csv", "ID;AMOUNT\r\n12345678901234567;0.000000000000001\r\n98765432109876543;123456789.25\r\n",
                          "out.dbf", settings({}, kCsvIn + kDbfOut));
    ASSERT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(dbfread(dir / "out.dbf"), "[('ID', 'C', 17, 0), ('AMOUNT', 'N', 25, 15)]\n"
                                        "['12345678901234567', 1e-15]\n['98765432109876543', 123456789.25]\n");
    const std::string gdal = batch_test::command("ogr2ogr -f CSV /vsistdout/ '" + (dir / "out.dbf").string() +
                                                 "' | /usr/bin/python3 -c \"import sys,csv\n"
                                                 "for r in csv.reader(sys.stdin): print(r[0], r[1] if r[1][0].isalpha() else float(r[1]))\"");
    EXPECT_EQ(gdal, "ID AMOUNT\n12345678901234567 1e-15\n98765432109876543 123456789.25\n");
}

// A table whose header counts more records than the file holds: the complete records are
// converted, and the batch says how many the header claimed.
TEST(EverydayInputs, ADamagedTableGivesItsCompleteRecords) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("everyday-damaged");
    ASSERT_TRUE(db::DBCREATE((dir / "t.dbf").string(), std::vector<db::FieldInfo>{{"NAME", 'C', 4, 0}}));
    {
        db::DBSERVER t((dir / "t.dbf").string(), true, false);
        for (const char* name : {"ab", "cd", "ef"}) {
            ASSERT_TRUE(t.APPEND());
            ASSERT_TRUE(t.FIELDPUT(rt::Value(1), rt::Value(name)));
        }
    }
    const std::string whole = readAll(dir / "t.dbf");
    writeAll(dir / "cut.dbf", whole.substr(0, whole.size() - 4));  // the last record cut
    writeAll(dir / "job.mcf", settings({}, Keys{{"FileFormatIn", "dbf"}, {"CharacterSetIn", "ansi"}} + kCsvOut));
    fs::remove(dir / "out.csv");
    ASSERT_EQ(runBatch(dir, "cut.dbf", "out.csv", (dir / "job.mcf").string(), true), 0) << readAll(dir / "log");
    EXPECT_EQ(readAll(dir / "out.csv"), "\"ab\"\r\n\"cd\"\r\n");
    EXPECT_NE(readAll(dir / "log").find("counts 3 records; 2 complete records"), std::string::npos) << readAll(dir / "log");
}

// A batch that fails says why on standard error, and standard error carries nothing but the
// program's messages.
TEST(EverydayInputs, ABatchTellsWhyItFailedAndNothingElse) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("everyday-filter");
    writeAll(dir / "in.csv", "A;B\r\n1;x\r\n");
    writeAll(dir / "job.mcf", settings({{"RecordFilterUse", "yes"}, {"RecordFilterPhrase", "A >"}}, kCsvIn + kCsvOut));
    EXPECT_NE(runBatch(dir, "in.csv", "out.csv", (dir / "job.mcf").string(), true), 0);
    const std::string log = readAll(dir / "log");
    EXPECT_NE(log.find("error: The syntax of the filter string is wrong: unexpected end of expression at position 4\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("QStandardPaths"), std::string::npos) << log;

    writeAll(dir / "job.mcf", settings({}, kCsvIn + kCsvOut));
    EXPECT_EQ(runBatch(dir, "in.csv", "out.csv", (dir / "job.mcf").string(), true), 0);
    EXPECT_EQ(readAll(dir / "log").find("QStandardPaths"), std::string::npos) << readAll(dir / "log");
}
