// dBase tables as other programs write them (GDAL, Visual FoxPro, DOS programs, hand-made
// bytes), converted by the program as a batch to CSV, SDF and dBase and read back with the
// outside tools.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "batch_util.h"
#include "dbf_bytes.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "test_env.h"

namespace fs = std::filesystem;
using batch_test::command;
using batch_test::dbfread;
using batch_test::runBatch;
using mirvano_test::readAll;
using mirvano_test::writeAll;
using dbf_bytes::Field;
using dbf_bytes::le;

namespace {

// A settings file of the given "Key=value" lines.
std::string settingsFile(const std::vector<std::string>& lines) {
    std::string s = "[Config]\r\nProgIdent=mirvano\r\nLanguage=english\r\n";
    for (const std::string& l : lines) s += l + "\r\n";
    return s;
}

const std::vector<std::string> kDbaseIn = {"FileFormatIn=dbf", "CharacterSetIn=ansi", "FileHandling=overwrite"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<std::string> kToCsv = {"FileFormatOut=csv", "CharacterSetOut=ansi", "DecimalSeparatorOut=dot",
                                         "CsvSeparatorOut=semi", "CsvFieldFrameOut=string", "HeaderLineOut=no"};
const std::vector<std::string> kToSdf = {"FileFormatOut=sdf", "CharacterSetOut=ansi", "DecimalSeparatorOut=dot",
                                         "SdfOptOut=no", "SdfBlankOut=no", "HeaderLineOut=no"};
const std::vector<std::string> kToDbase = {"FileFormatOut=dbf", "CharacterSetOut=ansi"};

// The records of a table as dbfread reads them, number fields as the text they hold, so that
// no digit is lost on the way.
std::string dbfreadText(const fs::path& table) {
    return command("/usr/bin/python3 -c \"import dbfread,sys\n"
                   "class P(dbfread.FieldParser):\n"
                   "  def parseN(self, f, d): return d.strip().decode()\n"
                   "t=dbfread.DBF(sys.argv[1],parserclass=P)\n"
                   "print([(f.name,f.type,f.length,f.decimal_count) for f in t.fields])\n"
                   "[print(list(r.values())) for r in t]\" '" +
                   table.string() + "'");
}

std::string gdalCsv(const fs::path& table) { return command("ogr2ogr -f CSV /vsistdout/ '" + table.string() + "'"); }

bool ready() { return fs::exists(batch_test::program()) && batch_test::haveDbfread(); }

// Converts every table of dir/in to dir/<ext>/ with each output's settings.
void convertAll(const fs::path& dir, const std::vector<std::string>& in) {
    const struct {
        const char* ext;
        const std::vector<std::string>& out;
    } outputs[] = {{"csv", kToCsv}, {"sdf", kToSdf}, {"dbf", kToDbase}};
    for (const auto& o : outputs) {
        fs::create_directories(dir / o.ext);
        writeAll(dir / "job.mcf", settingsFile(in + o.out));
        EXPECT_EQ(runBatch(dir, "in/*.dbf", std::string(o.ext) + "/*." + o.ext, (dir / "job.mcf").string()), 0)
            << readAll(dir / "log");
    }
}

}  // namespace

// Numbers stored narrower than formatting writes them (no room for the leading zero, values
// that overflow their decimals as GDAL writes them, more or fewer decimals than declared),
// empty number fields and text padded with NUL bytes: each output gets the value the table
// holds, from a table read from its bytes (ANSI), one whose text is recoded (OEM) and one
// GDAL wrote.
TEST(DbaseInputs, NumbersAndTextAsOtherWritersStoreThem) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-numbers");
    const std::string nul(1, '\0');
    const std::vector<Field> fields = {
        {"NAME", 'C', 6, 0}, {"A", 'N', 5, 4}, {"B", 'N', 4, 2}, {"C", 'N', 8, 2}, {"D", 'N', 8, 2}};
    const std::vector<std::string> records = {
        " ab" + nul + nul + nul + nul + ".1234-.50123456.5  1.2345",
        "   cd  0.500 .5012345678    1.25",
        " " + nul + nul + nul + nul + nul + nul + "                    -0.00",
        "*zz    " + std::string(9, ' ') + "    1.00    1.00",
    };
    fs::create_directories(dir / "in");
    writeAll(dir / "in" / "ansi.dbf", dbf_bytes::table(0x03, 0x03, fields, records));
    writeAll(dir / "in" / "oem.dbf", dbf_bytes::table(0x03, 0x02, fields, records));
    const bool gdal = batch_test::haveOgrinfo();
    if (gdal) {
        writeAll(dir / "src.csv", "A,B\n123456.5,.5\n12345678,-0.5\n1.25,0.1234\n");
        writeAll(dir / "src.csvt", "\"Real(8.2)\",\"Real(5.4)\"");
        command("cd '" + dir.string() + "' && ogr2ogr -f 'ESRI Shapefile' in/gdal.dbf src.csv");
        EXPECT_TRUE(fs::exists(dir / "in" / "gdal.dbf"));
    }
    convertAll(dir, kDbaseIn);
    for (const char* table : {"ansi", "oem"}) {
        SCOPED_TRACE(table);
        EXPECT_EQ(readAll(dir / "csv" / (std::string(table) + ".csv")),
                  "\"ab\";.1234;-.50;123456.5;1.2345\r\n\"cd\";0.500;0.50;12345678;1.25\r\n\"\";;;;0.00\r\n");
        EXPECT_EQ(readAll(dir / "sdf" / (std::string(table) + ".sdf")),
                  "ab    .1234-.50123456.5  1.2345\r\n  cd  0.5000.5012345678    1.25\r\n" + std::string(27, ' ') +
                      "0.00\r\n");
        const fs::path in = dir / "in" / (std::string(table) + ".dbf"), out = dir / "dbf" / (std::string(table) + ".dbf");
        EXPECT_EQ(dbfreadText(out), dbfreadText(in));
        EXPECT_NE(dbfreadText(out).find("['ab', '.1234', '-.50', '123456.5', '1.2345']"), std::string::npos)
            << dbfreadText(out);
        if (gdal) EXPECT_EQ(gdalCsv(out), gdalCsv(in));
    }
    if (!gdal) return;
    // GDAL writes a value its decimals leave no room for with fewer decimals.
    EXPECT_EQ(readAll(dir / "csv" / "gdal.csv"), "123456.5;0.500\r\n12345678;-0.50\r\n1.25;0.123\r\n");
    EXPECT_EQ(readAll(dir / "sdf" / "gdal.sdf"), "123456.50.500\r\n12345678-0.50\r\n    1.250.123\r\n");
    EXPECT_EQ(dbfread(dir / "dbf" / "gdal.dbf"), dbfread(dir / "in" / "gdal.dbf"));
    EXPECT_EQ(gdalCsv(dir / "dbf" / "gdal.dbf"), gdalCsv(dir / "in" / "gdal.dbf"));
}

// Visual FoxPro's integer, currency, double and date-and-time fields reach text output with
// their values, and a dBase output in the N or C field that holds them exactly.
TEST(DbaseInputs, VisualFoxProFieldsReachEveryOutput) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-vfp");
    const std::vector<Field> fields = {{"I", 'I', 4, 0}, {"Y", 'Y', 8, 4}, {"B", 'B', 8, 2},
                                       {"T", 'T', 8, 0}, {"BIG", 'B', 8, 0}, {"C", 'C', 3, 0}};
    const uint32_t day = 2459278;  // 4 March 2021
    const std::vector<std::string> records = {
        " " + le(0x80000000u, 4) + le(0x7FFFFFFFFFFFFFFFull, 8) + le(0.1) + le(day, 4) + le(18367000, 4) + le(1e300) + "ab ",
        " " + le(7, 4) + le(static_cast<uint64_t>(-12345), 8) + le(-2.5e-7) + le(day, 4) + le(86399700, 4) + le(1.5) + "cd ",
        " " + le(0, 4) + le(0, 8) + le(0.0) + le(0, 8) + le(-0.25) + "   ",
        "*" + le(1, 4) + le(1, 8) + le(1.0) + le(day, 4) + le(0, 4) + le(1.0) + "zz ",
    };
    fs::create_directories(dir / "in");
    writeAll(dir / "in" / "fox.dbf", dbf_bytes::table(0x30, 0x03, fields, records));
    convertAll(dir, kDbaseIn);
    EXPECT_EQ(readAll(dir / "csv" / "fox.csv"),
              "-2147483648;922337203685477.5807;0.10000000;\"2021-03-04 05:06:07\";\"1e+300\";\"ab\"\r\n"
              "7;-1.2345;-0.00000025;\"2021-03-04 23:59:59.700\";\"1.5\";\"cd\"\r\n"
              "0;0.0000;0.00000000;\"\";\"-0.25\";\"\"\r\n")
        << readAll(dir / "log");
    EXPECT_EQ(readAll(dir / "sdf" / "fox.sdf"),
              "-2147483648 922337203685477.5807 0.100000002021-03-04 05:06:07    1e+300ab \r\n"
              "          7              -1.2345-0.000000252021-03-04 23:59:59.7001.5   cd \r\n"
              "          0               0.0000 0.00000000                       -0.25    \r\n");
    EXPECT_EQ(dbfreadText(dir / "dbf" / "fox.dbf"),
              "[('I', 'N', 11, 0), ('Y', 'N', 21, 4), ('B', 'N', 11, 8), ('T', 'C', 23, 0), ('BIG', 'C', 6, 0), "
              "('C', 'C', 3, 0)]\n"
              "['-2147483648', '922337203685477.5807', '0.10000000', '2021-03-04 05:06:07', '1e+300', 'ab']\n"
              "['7', '-1.2345', '-0.00000025', '2021-03-04 23:59:59.700', '1.5', 'cd']\n"
              "['0', '0.0000', '0.00000000', '', '-0.25', '']\n");
}

// Records appended to DOS and other non-ANSI tables with sorting on: the sorted rewrite keeps
// the table's code page, so its old records and the new ones read as they were written.
TEST(DbaseInputs, ASortedAppendKeepsTheTablesCodePage) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-codepage");
    const struct {
        const char* name;
        unsigned char ldid;
        bool oem;
        const char* oldText;  // in code page 1252 (the program's), or the table's bytes where it is ANSI
        const char* newText;
        const char* read;  // both as dbfread reads them, in UTF-8
    } tables[] = {
        {"dos437", 0x01, true, "a \xA2", "b \xA5", "['a \xC2\xA2']['b \xC2\xA5']"},
        {"east852", 0x64, true, "a \x8A", "b \x9E", "['a \xC5\xA0']['b \xC5\xBE']"},
        {"nordic865", 0x66, true, "a \xA4", "b \xA4", "['a \xC2\xA4']['b \xC2\xA4']"},
        {"russian866", 0x65, true, "a \xA4", "b \xA4", "['a \xC2\xA4']['b \xC2\xA4']"},
        // The ANSI "à" is no letter of code page 1251: it is replaced, and the run warns.
        {"cyrillic1251", 0xC9, false, "a \xC6", "b \xE0", "['a \xD0\x96']['b ?']"},
    };
    fs::create_directories(dir / "csv");
    fs::create_directories(dir / "out");
    for (const auto& t : tables) {
        const fs::path table = dir / "out" / (std::string(t.name) + ".dbf");
        rt::SetAnsi(!t.oem);
        ASSERT_TRUE(db::DBCREATE(table.string(), std::vector<db::FieldInfo>{{"NAME", 'C', 8, 0}}));
        rt::SetAnsi(true);
        std::string bytes = readAll(table);
        bytes[29] = static_cast<char>(t.ldid);
        writeAll(table, bytes);
        {
            db::DBSERVER d(table.string(), true, false);
            ASSERT_TRUE(d.APPEND());
            ASSERT_TRUE(d.FIELDPUT(rt::Value(1), rt::Value(std::string(t.oldText))));
        }
        writeAll(dir / "csv" / (std::string(t.name) + ".csv"), std::string("NAME\r\n") + t.newText + "\r\n");
    }
    for (bool oem : {true, false}) {
        writeAll(dir / "job.mcf", settingsFile({"FileFormatIn=csv", "CharacterSetIn=ansi", "CsvSeparatorIn=semi",
                                                "CsvFieldFrameIn=string", "HeaderLineIn=yes", "FileFormatOut=dbf",
                                                oem ? "CharacterSetOut=ascii" : "CharacterSetOut=ansi",
                                                "FileHandling=append", "SortConditionUse=yes", "SortConditionGroup=NAME"}));
        EXPECT_EQ(runBatch(dir, oem ? "csv/[dner]*.csv" : "csv/c*.csv", "out/*.dbf", (dir / "job.mcf").string()), 0)
            << readAll(dir / "log");
        EXPECT_EQ(readAll(dir / "log").find("warning: 1 characters were replaced in the output file (missing from its character set, or a "
                                            "quote or separator inside a value), the first in line 2 of ") != std::string::npos,
                  !oem)
            << readAll(dir / "log");
    }
    for (const auto& t : tables) {
        SCOPED_TRACE(t.name);
        const fs::path table = dir / "out" / (std::string(t.name) + ".dbf");
        EXPECT_EQ(static_cast<unsigned char>(readAll(table)[29]), t.ldid);
        std::string read = command("/usr/bin/python3 -c \"import dbfread,sys\n"
                                   "print(''.join(str(list(r.values())) for r in dbfread.DBF(sys.argv[1])))\" '" +
                                   table.string() + "'");
        EXPECT_EQ(read, std::string(t.read) + "\n");
    }
}

// Tables of DOS and Windows code pages other than ANSI and OEM give their own characters:
// whole to UTF-8 and UTF-16 files (an optimised SDF column as wide as its longest value in
// characters), and to ANSI and OEM outputs with the characters these lack replaced and
// counted in a warning that names the record of the first. A filter on a Cyrillic literal
// finds the one record that holds it, whatever the output.
TEST(DbaseInputs, TablesOfOtherCodePagesGiveTheirOwnCharacters) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-own-characters");
    const std::vector<Field> fields = {{"NAME", 'C', 6, 0}, {"N", 'N', 1, 0}};
    const struct {
        const char* name;
        unsigned char ldid;
        std::vector<std::string> names;  // the table's bytes
    } tables[] = {
        {"ru866", 0x65, {"Anna  ", "\x88\xA2\xA0\xAD  ", "\x8F\xA5\xE2\xE0  "}},
        {"ru1251", 0xC9, {"Anna  ", "\xC8\xE2\xE0\xED  ", "\xCF\xE5\xF2\xF0  "}},
        {"pl852", 0x64, {"\x9D\xA2" "d\xAB  ", "Anna  ", "Anna  "}},
    };
    fs::create_directories(dir / "in");
    for (const auto& t : tables) {
        std::vector<std::string> records;
        for (size_t i = 0; i < t.names.size(); ++i) records.push_back(" " + t.names[i] + std::to_string(i + 1));
        writeAll(dir / "in" / (std::string(t.name) + ".dbf"), dbf_bytes::table(0x03, t.ldid, fields, records));
    }
    const std::string ivan = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", petr = "\xD0\x9F\xD0\xB5\xD1\x82\xD1\x80";
    const std::string lodz = "\xC5\x81\xC3\xB3" "d\xC5\xBA";
    const std::string utf8Csv[] = {"Anna;1\r\n" + ivan + ";2\r\n" + petr + ";3\r\n",
                                   "Anna;1\r\n" + ivan + ";2\r\n" + petr + ";3\r\n",
                                   lodz + ";1\r\nAnna;2\r\nAnna;3\r\n"};
    auto run = [&](const std::vector<std::string>& keys, const std::string& ext) {
        fs::remove_all(dir / ext);
        fs::create_directories(dir / ext);
        writeAll(dir / "job.mcf", settingsFile(kDbaseIn + keys));
        EXPECT_EQ(runBatch(dir, "in/*.dbf", ext + "/*." + ext.substr(0, 3), (dir / "job.mcf").string()), 0)
            << readAll(dir / "log");
        return readAll(dir / "log");
    };
    auto warning = [&](const char* table, int count, int record) {
        return "warning: " + std::to_string(count) + " characters were replaced in the output file (missing from its character set, or a " +
               "quote or separator inside a value), the first in record " + std::to_string(record) + " of " +
               (dir / "in" / (std::string(table) + ".dbf")).string() + "\n";
    };
    const std::vector<std::string> csv = {"FileFormatOut=csv", "DecimalSeparatorOut=dot", "CsvSeparatorOut=semi",
                                          "CsvFieldFrameOut=no", "HeaderLineOut=no"};

    std::string log = run(csv + std::vector<std::string>{"CharacterSetOut=utf8"}, "csv");
    EXPECT_EQ(log.find("warning:"), std::string::npos) << log;
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(readAll(dir / "csv" / (std::string(tables[i].name) + ".csv")), utf8Csv[i]) << tables[i].name;
    log = run(csv + std::vector<std::string>{"CharacterSetOut=unicode"}, "csv16");
    EXPECT_EQ(command("iconv -f UTF-16LE -t UTF-8 '" + (dir / "csv16" / "ru866.csv").string() + "'"), utf8Csv[0]);
    log = run({"FileFormatOut=sdf", "CharacterSetOut=utf8", "SdfOptOut=yes", "HeaderLineOut=no"}, "sdf");
    EXPECT_EQ(readAll(dir / "sdf" / "ru1251.sdf"), "Anna 1\r\n" + ivan + " 2\r\n" + petr + " 3\r\n");
    EXPECT_EQ(readAll(dir / "sdf" / "pl852.sdf"), lodz + " 1\r\nAnna 2\r\nAnna 3\r\n");

    // ANSI and OEM outputs: the characters they lack become "?", and the run warns.
    for (const char* set : {"ansi", "ascii"}) {
        SCOPED_TRACE(set);
        log = run(csv + std::vector<std::string>{std::string("CharacterSetOut=") + set}, "csv");
        const bool oem = std::string(set) == "ascii";
        EXPECT_EQ(readAll(dir / "csv" / "ru866.csv"), "Anna;1\r\n????;2\r\n????;3\r\n");
        EXPECT_EQ(readAll(dir / "csv" / "pl852.csv"), std::string("?") + (oem ? "\xA2" : "\xF3") + "d?;1\r\nAnna;2\r\nAnna;3\r\n");
        for (const char* table : {"ru866", "ru1251"}) EXPECT_NE(log.find(warning(table, 8, 2)), std::string::npos) << log;
        EXPECT_NE(log.find(warning("pl852", 2, 1)), std::string::npos) << log;
    }
    // A new ANSI table keeps the code page of a Windows table (1251), not of a DOS one (866).
    log = run(kToDbase, "dbf");
    EXPECT_EQ(static_cast<unsigned char>(readAll(dir / "dbf" / "ru1251.dbf")[29]), 0xC9);
    EXPECT_EQ(command("/usr/bin/python3 -c \"import dbfread,sys\n"
                      "print([r['NAME'] for r in dbfread.DBF(sys.argv[1])])\" '" +
                      (dir / "dbf" / "ru1251.dbf").string() + "'"),
              "['Anna', '" + ivan + "', '" + petr + "']\n");
    EXPECT_EQ(log.find(warning("ru1251", 8, 2)), std::string::npos) << log;
    EXPECT_EQ(dbfread(dir / "dbf" / "ru866.dbf"), "[('NAME', 'C', 6, 0), ('N', 'N', 1, 0)]\n['Anna', 1]\n['????', 2]\n['????', 3]\n");
    EXPECT_NE(log.find(warning("ru866", 8, 2)), std::string::npos) << log;

    // The filter compares the table's own text.
    const std::vector<std::string> filter = {"RecordFilterUse=yes", "RecordFilterPhrase=NAME = '" + ivan + "'"};
    log = run(filter + csv + std::vector<std::string>{"CharacterSetOut=utf8"}, "csv");
    EXPECT_EQ(readAll(dir / "csv" / "ru866.csv"), ivan + ";2\r\n");
    EXPECT_EQ(readAll(dir / "csv" / "ru1251.csv"), ivan + ";2\r\n");
    log = run(filter + csv + std::vector<std::string>{"CharacterSetOut=ansi"}, "csv");
    EXPECT_EQ(readAll(dir / "csv" / "ru866.csv"), "????;2\r\n");
    EXPECT_NE(log.find(warning("ru866", 4, 2)), std::string::npos) << log;
}

// A DOS table sorted on its text into a UTF-8 file: the keys are ordered as the letters are,
// an umlaut beside its letter, though the text goes out in UTF-8.
TEST(DbaseInputs, ASortedDosTableKeepsTheOrderOfItsLetters) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-sorted-oem");
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out");
    // Zebra, Äpfel, Apfel, Bär in code page 850
    writeAll(dir / "in" / "oem.dbf", dbf_bytes::table(0x03, 0x02, {{"NAME", 'C', 5, 0}},
                                                      {" Zebra", " \x8Epfel", " Apfel", " B\x84r  "}));
    writeAll(dir / "job.mcf", settingsFile(kDbaseIn + std::vector<std::string>{
                                               "FileFormatOut=csv", "CharacterSetOut=utf8", "CsvSeparatorOut=semi",
                                               "CsvFieldFrameOut=no", "HeaderLineOut=no", "SortConditionUse=yes",
                                               "SortConditionGroup=NAME"}));
    EXPECT_EQ(runBatch(dir, "in/*.dbf", "out/*.csv", (dir / "job.mcf").string()), 0) << readAll(dir / "log");
    EXPECT_EQ(readAll(dir / "out" / "oem.csv"), "Apfel\r\n\xC3\x84pfel\r\nB\xC3\xA4r\r\nZebra\r\n");
}

// Tables of other alphabets sorted on their text: the keys are ordered as the table's own
// letters are ("Ё" beside "Е", "Ł" beside "L", accents beside their letters), not as the
// program's character set would have them.
TEST(DbaseInputs, TablesOfOtherAlphabetsSortByTheirOwnLetters) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    struct Case {
        const char* name;
        unsigned char ldid;
        std::vector<std::string> records;
        const char* sorted;
    };
    const std::string russian = "Анна\r\nБорис\r\nЕлена\r\nЁлка\r\nЖанна\r\nЯков\r\n";
    const Case cases[] = {
        {"win1251", 0xC9, {"\xDF\xEA\xEE\xE2", "\xC1\xEE\xF0\xE8\xF1", "\xA8\xEB\xEA\xE0", "\xC0\xED\xED\xE0",
                           "\xC5\xEB\xE5\xED\xE0", "\xC6\xE0\xED\xED\xE0"}, russian.c_str()},
        {"dos866", 0x65, {"\x9F\xAA\xAE\xA2", "\x81\xAE\xE0\xA8\xE1", "\xF0\xAB\xAA\xA0", "\x80\xAD\xAD\xA0",
                          "\x85\xAB\xA5\xAD\xA0", "\x86\xA0\xAD\xAD\xA0"}, russian.c_str()},
        {"win1253", 0xCB, {"\xD9\xEC\xDD\xE3\xE1", "\xA2\xEB\xF6\xE1", "\xC2\xDE\xF4\xE1", "\xE1\xE2"},
         "αβ\r\nΆλφα\r\nΒήτα\r\nΩμέγα\r\n"},
        {"dos852", 0x64, {"\xBDuraw", "\x9D\xA2" "d\xAB", "Zebra", "Lublin", "Mazury"},
         "Łódź\r\nLublin\r\nMazury\r\nZebra\r\nŻuraw\r\n"},
    };
    const auto dir = mirvano_test::temp_dir("dbase-sorted-alphabets");
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out");
    for (const Case& c : cases) {
        std::vector<std::string> records;
        for (const std::string& r : c.records) records.push_back(" " + r + std::string(6 - r.size(), ' '));
        writeAll(dir / "in" / (std::string(c.name) + ".dbf"),
                 dbf_bytes::table(0x03, c.ldid, {{"NAME", 'C', 6, 0}}, records));
    }
    writeAll(dir / "job.mcf", settingsFile(kDbaseIn + std::vector<std::string>{
                                               "FileFormatOut=csv", "CharacterSetOut=utf8", "CsvSeparatorOut=semi",
                                               "CsvFieldFrameOut=no", "HeaderLineOut=no", "SortConditionUse=yes",
                                               "SortConditionGroup=NAME"}));
    EXPECT_EQ(runBatch(dir, "in/*.dbf", "out/*.csv", (dir / "job.mcf").string()), 0) << readAll(dir / "log");
    for (const Case& c : cases)
        EXPECT_EQ(readAll(dir / "out" / (std::string(c.name) + ".csv")), c.sorted) << c.name;
}

// A record longer than a dBase table holds, or more fields than it holds: the run fails and
// says what does not fit and the limit.
TEST(DbaseInputs, RefusedStructuresSayWhatDoesNotFit) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-refused");
    fs::create_directories(dir / "in");
    fs::create_directories(dir / "out");
    writeAll(dir / "in" / "long.csv", "ID;TEXT\r\n1;" + std::string(70000, 'x') + "\r\n");
    std::string names, values;
    for (int i = 1; i <= 2047; ++i) {
        names += (i > 1 ? ";F" : "F") + std::to_string(i);
        values += (i > 1 ? ";" : "") + std::to_string(i % 10);
    }
    writeAll(dir / "in" / "wide.csv", names + "\r\n" + values + "\r\n");
    writeAll(dir / "job.mcf", settingsFile({"FileFormatIn=csv", "CharacterSetIn=ansi", "CsvSeparatorIn=semi",
                                            "CsvFieldFrameIn=string", "HeaderLineIn=yes", "FileFormatOut=dbf",
                                            "CharacterSetOut=ansi", "FileHandling=overwrite"}));
    EXPECT_NE(runBatch(dir, "in/*.csv", "out/*.dbf", (dir / "job.mcf").string()), 0);
    const std::string log = readAll(dir / "log");
    EXPECT_NE(log.find("Error when creating the output dBase file: A data record would be 70002 bytes long; a dBase "
                       "file holds at most 65535 bytes a record\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Error when creating the output dBase file: 2047 data fields; a dBase file holds at most 2046 "
                       "data fields\n"),
              std::string::npos)
        << log;
    EXPECT_FALSE(fs::exists(dir / "out" / "long.dbf"));
    EXPECT_FALSE(fs::exists(dir / "out" / "wide.dbf"));
}

// Tables other programs write (python-dbf, GDAL, hand-written bytes in every code page the
// table layer names, with odd numbers, blanks, NUL padding, Visual FoxPro types, deleted
// records, memos) converted to CSV, SDF and dBase: every value of every output is the one
// dbfread and GDAL read from the input. The script says what it compares and where the
// program reads differently on purpose.
TEST(DbaseInputs, EveryOutputHoldsTheValuesOtherReadersRead) {
    if (!ready() || std::system("/usr/bin/python3 -c 'import dbf' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "the program, python3-dbfread or python3-dbf is missing";
    const auto dir = mirvano_test::temp_dir("dbase-differential");
    const std::string script = mirvano_test::source_dir() + "/tests/mainwindow/dbase_differential.py";
    const std::string out = command("/usr/bin/python3 '" + script + "' '" + batch_test::program().string() + "' '" +
                                    (dir / "work").string() + "'; echo \"exit $?\"");
    EXPECT_NE(out.find(" 0 differences\nexit 0\n"), std::string::npos) << out;
}
