// What an output keeps and what it tells: a new dBase table made from a table of another
// alphabet keeps its letters, and every character of a text value that reaches the output as
// another character is counted in the warning that ends the run. Run through the built
// program as a batch, read back with dbfread, GDAL and Python's csv module.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "batch_util.h"
#include "dbf_bytes.h"
#include "test_env.h"

namespace fs = std::filesystem;
using batch_test::command;
using batch_test::Keys;
using batch_test::operator+;
using batch_test::runBatch;
using batch_test::settings;
using mirvano_test::readAll;
using mirvano_test::writeAll;

namespace {

// The records as dbfread reads them, in the code page the table's language-driver byte names.
std::string dbfreadOwn(const fs::path& table) {
    return command("/usr/bin/python3 -c \"import dbfread,sys\n"
                   "print([list(r.values()) for r in dbfread.DBF(sys.argv[1])])\" '" +
                   table.string() + "'");
}

// The values of field NAME as GDAL reads them, one a line.
std::string ogrNames(const fs::path& table) {
    return command("ogrinfo -q -al '" + table.string() + "' | sed -n 's/^  NAME (String) = //p'");
}

const Keys kDbaseIn = {{"FileFormatIn", "dbf"}, {"CharacterSetIn", "ansi"}};

}  // namespace

// A table of Cyrillic (1251, 866) or Greek (1253) letters converted to a new dBase table of
// the same family (a Windows page for ANSI, a DOS page for OEM) takes the input's code page:
// every letter keeps, and the run ends without a warning. A new table of the other family
// cannot hold them: it is made in the family's own page, the letters become "?", and the
// run's last word is the warning that counts them.
TEST(ToldChanges, ANewTableTakesTheCodePageOfItsInput) {
    if (!batch_test::ready() || !batch_test::haveOgrinfo()) GTEST_SKIP() << "the program, dbfread or GDAL is missing";
    const auto dir = mirvano_test::temp_dir("told-codepage");
    const std::vector<dbf_bytes::Field> fields = {{"NAME", 'C', 4, 0}};
    const std::string ivan = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", athens = "\xCE\x91\xCE\xB8\xCE\xB7\xCE\xBD";
    const struct {
        const char* name;
        unsigned char ldid;
        const char* bytes;  // the record's NAME in the table's code page
        const char* charset;
        unsigned char outLdid;
        std::string names;  // as dbfread and GDAL read the output, in UTF-8
        bool warns;
    } cases[] = {
        {"ru1251", 0xC9, "\xC8\xE2\xE0\xED", "ansi", 0xC9, ivan, false},
        {"el1253", 0xCB, "\xC1\xE8\xE7\xED", "ansi", 0xCB, athens, false},
        {"ru866", 0x65, "\x88\xA2\xA0\xAD", "ascii", 0x65, ivan, false},
        {"ru866toansi", 0x65, "\x88\xA2\xA0\xAD", "ansi", 0x03, "????", true},
        {"ru1251tooem", 0xC9, "\xC8\xE2\xE0\xED", "ascii", 0x02, "????", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path in = dir / (std::string(c.name) + ".dbf"), out = dir / (std::string(c.name) + "_out.dbf");
        writeAll(in, dbf_bytes::table(0x03, c.ldid, fields, {std::string(" ") + c.bytes}));
        writeAll(dir / "job.mcf", settings(kDbaseIn + Keys{{"FileFormatOut", "dbf"}, {"CharacterSetOut", c.charset}}));
        fs::remove(out);
        EXPECT_EQ(runBatch(dir, in.filename().string(), out.filename().string(), (dir / "job.mcf").string()), 0);
        const std::string log = readAll(dir / "log");
        EXPECT_EQ(static_cast<unsigned char>(readAll(out)[29]), c.outLdid);
        EXPECT_EQ(dbfreadOwn(out), "[['" + c.names + "']]\n");
        EXPECT_EQ(ogrNames(out), c.names + "\n");
        const size_t warning = log.find("warning: 4 characters were replaced in the output file");
        EXPECT_EQ(warning != std::string::npos, c.warns) << log;
        // The warning is the run's last word.
        if (c.warns) EXPECT_EQ(log.find('\n', warning), log.size() - 1) << log;
    }
}

// Characters of text values that the output writes as other characters are counted, each
// once, in the warning that ends the run: a double quote inside a framed value made an
// apostrophe (an inch mark, JSON, typographic quotes that OEM writes as double quotes), a
// separator made a blank in an unframed value (a low comma that OEM writes as a comma
// included), a character the code page lacks. Trimming, number and date formatting are no
// such change. Python's csv module reads every line back as the fields written.
TEST(ToldChanges, ReplacedCharactersAreCounted) {
    if (!batch_test::ready()) GTEST_SKIP() << "the program or dbfread is missing";
    const auto dir = mirvano_test::temp_dir("told-replaced");
    const Keys csvIn = {{"FileFormatIn", "csv"},    {"CharacterSetIn", "ansi"},    {"DecimalSeparatorIn", "comma"},
                        {"CsvSeparatorIn", "semi"}, {"CsvFieldFrameIn", "string"}, {"HeaderLineIn", "yes"}};
    const Keys csvOut = {{"FileFormatOut", "csv"}, {"DecimalSeparatorOut", "dot"}, {"HeaderLineOut", "no"}};
    const struct {
        const char* what;
        std::string input;  // the records of the CSV input behind its header "NAME;N"
        Keys keys;
        std::string output;
        int count, line;  // the warning's count and first line; 0: no warning
    } cases[] = {
        {"inch mark, framed", "\"3,5\"\" disk\";1\r\n", {{"CsvFieldFrameOut", "string"}, {"CsvSeparatorOut", "semi"}, {"CharacterSetOut", "ansi"}},
         "\"3,5' disk\";1\r\n", 1, 2},
        {"JSON, framed", "ok;2\r\n\"{\"\"a\"\":1}\";1\r\n", {{"CsvFieldFrameOut", "string"}, {"CsvSeparatorOut", "semi"}, {"CharacterSetOut", "ansi"}},
         "\"ok\";2\r\n\"{'a':1}\";1\r\n", 2, 3},
        {"typographic quotes to OEM, framed", "\x84Zitat\x93;1\r\n", {{"CsvFieldFrameOut", "string"}, {"CsvSeparatorOut", "semi"}, {"CharacterSetOut", "ascii"}},
         "\"'Zitat'\";1\r\n", 2, 2},
        {"separator, unframed", "\"a;b\";1\r\n", {{"CsvFieldFrameOut", "no"}, {"CsvSeparatorOut", "semi"}, {"CharacterSetOut", "ansi"}},
         "a b;1\r\n", 1, 2},
        {"low comma to OEM, unframed", "a\x82 b;1\r\n", {{"CsvFieldFrameOut", "no"}, {"CsvSeparatorOut", "comma"}, {"CharacterSetOut", "ascii"}},
         "a  b,1\r\n", 1, 2},
        {"letter OEM lacks", "\x80 5;1\r\n", {{"CsvFieldFrameOut", "no"}, {"CsvSeparatorOut", "semi"}, {"CharacterSetOut", "ascii"}},
         "? 5;1\r\n", 1, 2},
        {"trimmed, numbers and quotes unframed", "  x  ;1,50\r\n\"say \"\"hi\"\"\";2\r\n",
         {{"CsvFieldFrameOut", "no"}, {"CsvSeparatorOut", "semi"}, {"CharacterSetOut", "ansi"}},
         "x;1.50\r\nsay \"hi\";2.00\r\n", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const batch_test::Converted r =
            batch_test::convert(dir, "in.csv", "NAME;N\r\n" + c.input, "out.csv", settings(c.keys + csvOut, csvIn));
        EXPECT_EQ(r.status, 0) << r.log;
        const std::string out = readAll(dir / "out.csv");
        EXPECT_EQ(out, c.output);
        const std::string warning = "warning: " + std::to_string(c.count) + " characters were replaced in the output file";
        const size_t at = r.log.find(warning);
        if (c.count == 0) {
            EXPECT_EQ(r.log.find("warning:"), std::string::npos) << r.log;
            continue;
        }
        ASSERT_NE(at, std::string::npos) << r.log;
        EXPECT_NE(r.log.find("the first in line " + std::to_string(c.line) + " of ", at), std::string::npos) << r.log;
        // Python's csv module reads each line as two fields, the first one as written.
        const char sep = c.output.find(';') != std::string::npos ? ';' : ',';
        EXPECT_EQ(command(std::string("/usr/bin/python3 -c \"import csv,sys\n"
                                      "print(all(len(r)==2 for r in csv.reader(open(sys.argv[1],encoding='latin-1'),delimiter='") +
                                  sep + "')))\" '" + (dir / "out.csv").string() + "'"),
                  "True\n");
    }

    // A dBase input's text goes the same way: its double quotes, counted by the record.
    writeAll(dir / "q.dbf", dbf_bytes::table(0x03, 0x03, {{"NAME", 'C', 8, 0}}, {" plain   ", " 12\" x   "}));
    writeAll(dir / "job.mcf", settings(kDbaseIn + Keys{{"CsvFieldFrameOut", "string"}, {"CsvSeparatorOut", "semi"},
                                                       {"CharacterSetOut", "ansi"}} + csvOut));
    EXPECT_EQ(runBatch(dir, "q.dbf", "q.csv", (dir / "job.mcf").string()), 0);
    EXPECT_EQ(readAll(dir / "q.csv"), "\"plain\"\r\n\"12' x\"\r\n");
    EXPECT_NE(readAll(dir / "log").find("warning: 1 characters were replaced in the output file (missing from its "
                                        "character set, or a quote or separator inside a value), the first in record 2 of "),
              std::string::npos)
        << readAll(dir / "log");
}
