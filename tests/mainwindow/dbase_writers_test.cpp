// dBase tables in the shapes other writers leave them, converted by the program as a batch:
// FoxPro's long text fields, two fields of one name, Visual FoxPro's varchars, unset
// logicals, Hebrew text, code pages named beside the table or by bytes we do not know, a
// missing memo file, a number in exponent form. Outputs are read back with dbfread and GDAL.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "batch_util.h"
#include "dbf_bytes.h"
#include "test_env.h"

namespace fs = std::filesystem;
using batch_test::command;
using batch_test::operator+;
using batch_test::Keys;
using batch_test::runBatch;
using batch_test::settings;
using dbf_bytes::Field;
using mirvano_test::readAll;
using mirvano_test::writeAll;
using namespace std::string_literals;

namespace {

const Keys kDbaseIn = {{"FileFormatIn", "dbf"}, {"CharacterSetIn", "ansi"}};
const Keys kCsv = {{"FileFormatOut", "csv"},     {"CharacterSetOut", "ansi"},     {"DecimalSeparatorOut", "dot"},
                   {"CsvSeparatorOut", "semi"}, {"CsvFieldFrameOut", "string"}, {"HeaderLineOut", "no"}};
const Keys kSdf = {{"FileFormatOut", "sdf"}, {"CharacterSetOut", "ansi"}, {"DecimalSeparatorOut", "dot"},
                   {"SdfOptOut", "no"},      {"SdfBlankOut", "no"},       {"HeaderLineOut", "no"}};
const Keys kDbf = {{"FileFormatOut", "dbf"}, {"CharacterSetOut", "ansi"}};

struct Outcome {
    int status;
    std::string log, out;
};

// Converts dir/in.dbf to dir/out.<ext> with `keys` after the dBase input's.
Outcome convert(const fs::path& dir, const std::string& ext, const Keys& keys) {
    writeAll(dir / "job.mcf", settings(kDbaseIn + keys));
    fs::remove(dir / ("out." + ext));
    const int status = runBatch(dir, "in.dbf", "out." + ext, (dir / "job.mcf").string());
    return {status, readAll(dir / "log"), readAll(dir / ("out." + ext))};
}

// The fields and records of a table as dbfread reads it (numbers as their text, text in UTF-8).
std::string dbfread(const fs::path& table, const std::string& encoding = "cp1252") {
    return command("/usr/bin/python3 -c \"import dbfread,sys\n"
                   "class P(dbfread.FieldParser):\n"
                   "  def parseN(self, f, d): return d.strip().decode()\n"
                   "t=dbfread.DBF(sys.argv[1],parserclass=P,encoding='" + encoding + "')\n"
                   "print([(f.name,f.type,f.length) for f in t.fields])\n"
                   "[print(list(r.values())) for r in t]\" '" + table.string() + "'");
}

bool ready() { return batch_test::ready(); }

}  // namespace

// A FoxPro or Visual FoxPro text field longer than 255 bytes, fields behind it: each output
// gets every value from its place (the length's high byte is the decimals byte); a table whose
// lengths add up neither way is refused, named, rather than read askew.
TEST(DbaseWriters, LongFoxProTextFieldsKeepTheFieldsBehindThem) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-longtext");
    const std::string text = std::string(299, 'x') + "y";
    for (unsigned char version : {0xF5, 0x30}) {
        SCOPED_TRACE(version);
        writeAll(dir / "in.dbf", dbf_bytes::table(version, 0x03, {{"LONG", 'C', 300, 0}, {"N", 'N', 6, 2}, {"B", 'C', 3, 0}},
                                                  {" " + text + "  1.50abc"}));
        Outcome r = convert(dir, "csv", kCsv);
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_EQ(r.out, "\"" + text + "\";1.50;\"abc\"\r\n");
        r = convert(dir, "sdf", kSdf);
        EXPECT_EQ(r.out, text + "  1.50abc\r\n");
        r = convert(dir, "dbf", kDbf);
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_EQ(dbfread(dir / "out.dbf"), "[('LONG', 'C', 300), ('N', 'N', 6), ('B', 'C', 3)]\n['" + text +
                                                "', '1.50', 'abc']\n");
    }
    std::string askew = dbf_bytes::table(0xF5, 0x03, {{"LONG", 'C', 300, 0}, {"N", 'N', 6, 2}}, {" " + text + "  1.50"});
    askew[10] = static_cast<char>(200);  // neither 1 + 44 + 6 nor 1 + 300 + 6
    writeAll(dir / "in.dbf", askew);
    const Outcome r = convert(dir, "csv", kCsv);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.log.find("error: The field lengths of " + (dir / "in.dbf").string() +
                         " do not add up to its record length"), std::string::npos) << r.log;
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
}

// Two fields of one name: each output gets each field's own values; a dBase output names the
// second one of its own and says so.
TEST(DbaseWriters, FieldsOfOneNameKeepTheirOwnValues) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-samename");
    writeAll(dir / "in.dbf", dbf_bytes::table(0x03, 0x03, {{"NAME", 'C', 4, 0}, {"NAME", 'N', 5, 1}, {"NAME_2", 'C', 2, 0}},
                                              {" abcd 12.5xy", " efgh -1.0zz"}));
    Outcome r = convert(dir, "csv", kCsv);
    EXPECT_EQ(r.out, "\"abcd\";12.5;\"xy\"\r\n\"efgh\";-1.0;\"zz\"\r\n") << r.log;
    r = convert(dir, "sdf", kSdf);
    EXPECT_EQ(r.out, "abcd 12.5xy\r\nefgh -1.0zz\r\n") << r.log;
    r = convert(dir, "dbf", kDbf);
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_NE(r.log.find("warning: The field name NAME occurs more than once: the output file names data field no. 2 NAME_3"),
              std::string::npos) << r.log;
    EXPECT_EQ(dbfread(dir / "out.dbf"), "[('NAME', 'C', 4), ('NAME_3', 'N', 5), ('NAME_2', 'C', 2)]\n"
                                        "['abcd', '12.5', 'xy']\n['efgh', '-1.0', 'zz']\n");
}

// Visual FoxPro varchars reach every output as the text they hold (the whole field, the
// length their last byte counts, nothing where null); _NullFlags reaches none.
TEST(DbaseWriters, VarcharsReachEveryOutputAsText) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-varchar");
    const std::vector<Field> fields = {{"V", 'V', 6, 0, 0x02}, {"C", 'C', 2, 0}, {"_NullFlags", '0', 1, 0, 0x05}};
    writeAll(dir / "in.dbf", dbf_bytes::table(0x30, 0x03, fields,
                                              {" abcdefhi\x00"s, " ab\0\0\0\x02hi\x01"s, " \0\0\0\0\0\0hi\x02"s}));
    Outcome r = convert(dir, "csv", kCsv);
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(r.out, "\"abcdef\";\"hi\"\r\n\"ab\";\"hi\"\r\n\"\";\"hi\"\r\n");
    r = convert(dir, "sdf", kSdf);
    EXPECT_EQ(r.out, "abcdefhi\r\nab    hi\r\n      hi\r\n");
    r = convert(dir, "dbf", kDbf);
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(dbfread(dir / "out.dbf"), "[('V', 'C', 6), ('C', 'C', 2)]\n['abcdef', 'hi']\n['ab', 'hi']\n['', 'hi']\n");
}

// A logical neither true nor false ("?", blank) stays unset: an empty CSV value (framed where
// every value is), a blank SDF column, and the same byte in a dBase output.
TEST(DbaseWriters, UnsetLogicalsStayUnset) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-logical");
    writeAll(dir / "in.dbf", dbf_bytes::table(0x03, 0x03, {{"OK", 'L', 1, 0}, {"C", 'C', 1, 0}}, {" Ta", " ?b", "  c", " Fd"}));
    const struct {
        const char* frame;
        const char* csv;
    } frames[] = {{"string", ".T.;\"a\"\r\n;\"b\"\r\n;\"c\"\r\n.F.;\"d\"\r\n"},
                  {"all", "\".T.\";\"a\"\r\n\"\";\"b\"\r\n\"\";\"c\"\r\n\".F.\";\"d\"\r\n"},
                  {"no", ".T.;a\r\n;b\r\n;c\r\n.F.;d\r\n"}};
    for (const auto& f : frames) {
        const Outcome r = convert(dir, "csv", Keys{{"CsvFieldFrameOut", f.frame}} + kCsv);
        EXPECT_EQ(r.out, f.csv) << f.frame << r.log;
    }
    // The same through the typed path: a text needing recoding (an OEM output).
    Outcome r = convert(dir, "csv", Keys{{"CharacterSetOut", "ascii"}} + kCsv);
    EXPECT_EQ(r.out, ".T.;\"a\"\r\n;\"b\"\r\n;\"c\"\r\n.F.;\"d\"\r\n") << r.log;
    r = convert(dir, "sdf", kSdf);
    EXPECT_EQ(r.out, ".T.a\r\n   b\r\n   c\r\n.F.d\r\n") << r.log;
    r = convert(dir, "dbf", kDbf);
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(readAll(dir / "out.dbf").substr(32 + 64 + 1, 12), " Ta ?b  c Fd");
    EXPECT_EQ(dbfread(dir / "out.dbf"), "[('OK', 'L', 1), ('C', 'C', 1)]\n[True, 'a']\n[None, 'b']\n[None, 'c']\n"
                                        "[False, 'd']\n");
}

// Hebrew (1255) to UTF-8 and UTF-16: a value that fills its field keeps its last letter, and a
// letter and its point stay two characters, as dbfread reads them.
TEST(DbaseWriters, HebrewValuesKeepEveryLetter) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-hebrew");
    writeAll(dir / "in.dbf", dbf_bytes::table(0x03, 0x7D, {{"A", 'C', 4, 0}, {"B", 'C', 2, 0}},
                                              {" \xF9\xEC\xE5\xED\xF9\xD1", " \xE0\xE1\xE2 \xE3\xC8"}));
    const std::string want = command("/usr/bin/python3 -c \"import dbfread,sys\n"
                                     "for r in dbfread.DBF(sys.argv[1]): sys.stdout.buffer.write(';'.join("
                                     "chr(34) + v.strip() + chr(34) for v in r.values()).encode() + bytes([13, 10]))\" '" +
                                     (dir / "in.dbf").string() + "'");
    ASSERT_EQ(want, "\"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D\";\"\xD7\xA9\xD7\x81\"\r\n\"\xD7\x90\xD7\x91\xD7\x92\";\"\xD7\x93\xD6\xB8\"\r\n");
    Outcome r = convert(dir, "csv", Keys{{"CharacterSetOut", "utf8"}} + kCsv);
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(r.out, want);
    r = convert(dir, "csv", Keys{{"CharacterSetOut", "unicode"}} + kCsv);
    EXPECT_EQ(command("iconv -f UTF-16LE -t UTF-8 '" + (dir / "out.csv").string() + "' | sed '1s/^\\xEF\\xBB\\xBF//'"),
              want);
}

// Tables GDAL writes in another code page (the language-driver byte 0 and a ".cpg" file):
// read in that code page, kept by an append; a ".cpg" file naming nothing we know and a
// language-driver byte we do not know are told, the text read as ANSI.
TEST(DbaseWriters, TheCodePageNamedBesideATableHolds) {
    if (!ready() || !batch_test::haveOgrinfo()) GTEST_SKIP() << "the program, python3-dbfread or GDAL is missing";
    const auto dir = mirvano_test::temp_dir("dbase-cpg");
    writeAll(dir / "src.csv", "NAME,N\nПривет,1\nЁж,2\n");
    writeAll(dir / "src.csvt", "\"String(20)\",\"Integer(5)\"");
    for (const char* encoding : {"CP1251", "CP866", "UTF-8"}) {
        SCOPED_TRACE(encoding);
        for (const char* ext : {".dbf", ".cpg", ".shp", ".shx", ".prj"}) fs::remove(dir / (std::string("in") + ext));
        command("cd '" + dir.string() + "' && ogr2ogr -f 'ESRI Shapefile' -lco ENCODING=" + encoding + " in.dbf src.csv");
        ASSERT_TRUE(fs::exists(dir / "in.cpg"));
        ASSERT_EQ(readAll(dir / "in.dbf")[29], '\0');
        const Outcome r = convert(dir, "csv", Keys{{"CharacterSetOut", "utf8"}} + kCsv);
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_EQ(r.out, "\"Привет\";1\r\n\"Ёж\";2\r\n") << r.log;
        EXPECT_EQ(r.log.find("warning"), std::string::npos) << r.log;
    }
    // A UTF-8 text input appended to the CP1251 table keeps its letters in that code page.
    command("cd '" + dir.string() + "' && rm -f in.* && ogr2ogr -f 'ESRI Shapefile' -lco ENCODING=CP1251 in.dbf src.csv");
    writeAll(dir / "more.csv", "NAME,N\nМир,3\n");
    writeAll(dir / "job.mcf", "[Config]\r\nProgIdent=mirvano\r\nLanguage=english\r\nFileHandling=append\r\n"
                              "FileFormatIn=csv\r\nCharacterSetIn=utf8\r\nCsvSeparatorIn=comma\r\nCsvFieldFrameIn=string\r\n"
                              "HeaderLineIn=yes\r\nFileFormatOut=dbf\r\nCharacterSetOut=ansi\r\n");
    EXPECT_EQ(runBatch(dir, "more.csv", "in.dbf", (dir / "job.mcf").string()), 0) << readAll(dir / "log");
    EXPECT_EQ(command("ogr2ogr -f CSV /vsistdout/ '" + (dir / "in.dbf").string() + "'"), "NAME,N\nПривет,\"1\"\nЁж,\"2\"\nМир,\"3\"\n");
    EXPECT_EQ(readAll(dir / "in.cpg").substr(0, 6), "CP1251");
    // Sorted, the table is rewritten: the rewrite keeps its code page, and its ".cpg" file.
    writeAll(dir / "more.csv", "NAME,N\nАбв,4\n");
    writeAll(dir / "job.mcf", readAll(dir / "job.mcf") + "SortConditionUse=yes\r\nSortConditionGroup=NAME\r\n");
    EXPECT_EQ(runBatch(dir, "more.csv", "in.dbf", (dir / "job.mcf").string()), 0) << readAll(dir / "log");
    EXPECT_EQ(command("ogr2ogr -f CSV /vsistdout/ '" + (dir / "in.dbf").string() + "'"),
              "NAME,N\nАбв,\"4\"\nЁж,\"2\"\nМир,\"3\"\nПривет,\"1\"\n");
    EXPECT_EQ(readAll(dir / "in.cpg").substr(0, 6), "CP1251");
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_NE(entry.path().filename().string().front(), '$') << "left behind: " << entry.path();
    // A new table made from it, by a conversion or an append of tables, takes its code page
    // with a copy of its ".cpg" file, as GDAL reads it; a stale ".cpg" file of the name goes.
    const std::string cyrillic = "NAME,N\nАбв,\"4\"\nЁж,\"2\"\nМир,\"3\"\nПривет,\"1\"\n";
    for (const bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "replacing" : "new");
        fs::remove(dir / "out.dbf");
        writeAll(dir / "out.cpg", "CP866");  // stale, of a table gone before
        if (replacing) writeAll(dir / "out.dbf", dbf_bytes::table(0x03, 0x03, {{"A", 'C', 1, 0}}, {" a"}));
        writeAll(dir / "job.mcf", settings(kDbaseIn + kDbf));
        EXPECT_EQ(runBatch(dir, "in.dbf", "out.dbf", (dir / "job.mcf").string()), 0) << readAll(dir / "log");
        EXPECT_EQ(readAll(dir / "log").find("warning"), std::string::npos) << readAll(dir / "log");
        EXPECT_EQ(readAll(dir / "out.cpg").substr(0, 6), "CP1251");
        EXPECT_EQ(command("ogr2ogr -f CSV /vsistdout/ '" + (dir / "out.dbf").string() + "'"), cyrillic);
    }
    // A table of the program's own code page leaves no ".cpg" file of the name behind.
    fs::rename(dir / "in.cpg", dir / "in.cpg.kept");
    writeAll(dir / "out.cpg", "CP1251");
    Outcome plain = convert(dir, "dbf", kDbf);
    EXPECT_EQ(plain.status, 0) << plain.log;
    EXPECT_FALSE(fs::exists(dir / "out.cpg"));
    fs::rename(dir / "in.cpg.kept", dir / "in.cpg");
    // What we cannot read is told.
    writeAll(dir / "in.cpg", "LATIN-ish");
    Outcome r = convert(dir, "csv", kCsv);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.log.find("warning: The code page file " + (dir / "in.cpg").string() + " names no known code page"),
              std::string::npos) << r.log;
    fs::remove(dir / "in.cpg");
    writeAll(dir / "in.dbf", dbf_bytes::table(0x03, 0x69, {{"A", 'C', 1, 0}}, {" a"}));
    r = convert(dir, "csv", kCsv);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.log.find("warning: The code page byte 0x69 of " + (dir / "in.dbf").string() + " is unknown"),
              std::string::npos) << r.log;
}

// A table whose memo file is missing: text outputs get the other fields and a warning naming
// the file; a dBase output that would carry the memos is refused, the file named.
TEST(DbaseWriters, AMissingMemoFileIsNamed) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-nomemo");
    writeAll(dir / "in.dbf", dbf_bytes::table(0x83, 0x03, {{"A", 'C', 2, 0}, {"NOTE", 'M', 10, 0}}, {" ab         1"}));
    const std::string memo = (dir / "in.dbt").string();
    Outcome r = convert(dir, "csv", kCsv);
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(r.out, "\"ab\"\r\n");
    EXPECT_NE(r.log.find("warning: The memo file " + memo + " is missing: the other data fields were converted"),
              std::string::npos) << r.log;
    r = convert(dir, "sdf", kSdf);
    EXPECT_EQ(r.out, "ab\r\n");
    r = convert(dir, "dbf", kDbf);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.log.find("error: The memo file " + memo + " is missing"), std::string::npos) << r.log;
    EXPECT_FALSE(fs::exists(dir / "out.dbf"));
}

// A number stored in a form another writer chose ("1e5" in N(5,0)) that its field cannot
// hold once formatted: every output keeps the stored text, as dbfread reads it.
TEST(DbaseWriters, NumbersInExponentFormKeepTheirText) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("dbase-exponent");
    writeAll(dir / "in.dbf", dbf_bytes::table(0x03, 0x03, {{"N", 'N', 5, 0}, {"M", 'N', 5, 0}},
                                              {"   1e5  1e3", " 2.5E1   -1", " 1e999 -1e4"}));
    Outcome r = convert(dir, "csv", kCsv);
    EXPECT_EQ(r.out, "1e5;1000\r\n25;-1\r\n1e999;-1e4\r\n") << r.log;
    r = convert(dir, "csv", Keys{{"CharacterSetOut", "ascii"}} + kCsv);
    EXPECT_EQ(r.out, "1e5;1000\r\n25;-1\r\n1e999;-1e4\r\n") << r.log;
    r = convert(dir, "sdf", kSdf);
    EXPECT_EQ(r.out, "  1e5 1000\r\n   25   -1\r\n1e999 -1e4\r\n") << r.log;
    r = convert(dir, "dbf", kDbf);
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(dbfread(dir / "out.dbf"), "[('N', 'N', 5), ('M', 'N', 5)]\n['1e5', '1000']\n['25', '-1']\n['1e999', '-1e4']\n");
}
