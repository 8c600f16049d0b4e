// CSV and SDF files as hand-made reports, old xBase exports and DOS programs write them,
// converted by the program as a batch and read back by Python's csv module and dbfread:
// quotes that are data, lines that hold no record, header words over right-aligned values,
// date forms that are no date, number widths and frames in the output's own character set.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "batch_util.h"
#include "test_env.h"

namespace fs = std::filesystem;
using batch_test::convert;
using batch_test::Converted;
using batch_test::dbfread;
using batch_test::kCsvIn;
using batch_test::operator+;
using batch_test::kDbfOut;
using batch_test::ready;
using batch_test::Keys;
using batch_test::settings;
using mirvano_test::readAll;
using mirvano_test::writeAll;

namespace {


const Keys kSdfIn = {{"FileFormatIn", "sdf"},   {"CharacterSetIn", "ansi"},  {"DecimalSeparatorIn", "dot"},
                     {"HeaderLineIn", "no"},    {"SdfOptiBlankIn", "no"},    {"FieldLengthsIn", "no"}};
const Keys kCsvOut = {{"FileFormatOut", "csv"},    {"CharacterSetOut", "ansi"},  {"DecimalSeparatorOut", "dot"},
                      {"CsvSeparatorOut", "semi"}, {"CsvFieldFrameOut", "no"},   {"HeaderLineOut", "no"}};
const Keys kSdfOut = {{"FileFormatOut", "sdf"}, {"CharacterSetOut", "ansi"}, {"DecimalSeparatorOut", "dot"},
                      {"SdfOptOut", "no"},      {"SdfBlankOut", "yes"},      {"HeaderLineOut", "no"}};


// The fields of every record of a CSV file as Python's csv module reads them, one list per
// line, in the file's code page.
std::string pythonCsv(const fs::path& file, const char* separator, const char* codePage) {
    return batch_test::command(std::string("/usr/bin/python3 -c \"import csv,sys\n"
                                           "for r in csv.reader(open(sys.argv[1], encoding='") +
                               codePage + "', newline=''), delimiter='" + separator +
                               "'): print(r)\" '" + file.string() + "'");
}

struct Case {
    const char* what;
    std::string input;
    Keys keys;
    std::string expected;
};

// Converts each case's input into a file of the ending `outEnding` with the case's keys before
// `defaults`; the output is read by `read` and compared with the case. Cases with the same
// keys run in one batch, each input to its own output.
template <typename Read>
void expectOutputs(const std::string& tag, const std::string& inEnding, const std::string& outEnding,
                   const Keys& defaults, const std::vector<Case>& cases, Read read) {
    const auto dir = mirvano_test::temp_dir(tag);
    for (size_t first = 0; first < cases.size();) {
        size_t end = first;
        while (end < cases.size() && cases[end].keys == cases[first].keys) ++end;
        fs::remove_all(dir / "in");
        fs::remove_all(dir / "out");
        fs::create_directories(dir / "in");
        fs::create_directories(dir / "out");
        for (size_t i = first; i < end; ++i) writeAll(dir / "in" / ("c" + std::to_string(i) + inEnding), cases[i].input);
        writeAll(dir / "job.mcf", settings(cases[first].keys, defaults));
        const int status = batch_test::runBatch(dir, "in/*" + inEnding, "out/*" + outEnding, (dir / "job.mcf").string());
        const std::string log = readAll(dir / "log");
        EXPECT_EQ(status, 0) << log;
        for (size_t i = first; i < end; ++i)
            EXPECT_EQ(read(dir / "out" / ("c" + std::to_string(i) + outEnding)), cases[i].expected) << cases[i].what << "\n" << log;
        first = end;
    }
}

std::string dbfreadOf(const fs::path& table) { return dbfread(table); }

// UTF-16 LE with its byte-order mark, from ASCII text.
std::string utf16(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

}  // namespace

// A number read with the decimal comma is as wide in the optimised output as the record is
// written: "-0,25" is no "0" of four places.
TEST(TextInputs, NumbersWithADecimalCommaGetTheWidthTheyAreWritten) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const Keys comma = {{"DecimalSeparatorIn", "comma"}, {"SdfOptOut", "yes"}};
    expectOutputs("text-sdf-comma", ".sdf", ".sdf", kSdfIn + kSdfOut,
                  {
                      {"a negative number below one", "ab  -0,25\r\ncd   1,50\r\n", comma, "ab -0.25\r\ncd  1.50\r\n"},
                      {"without a digit before the comma, written with the comma",
                       "x  -,5\r\ny 1,25\r\n", comma + Keys{{"DecimalSeparatorOut", "comma"}},
                       "x -0,50\r\ny  1,25\r\n"},
                  },
                  readAll);
}

// Values of date form that are no valid day with a four-digit year leave their column text,
// every one of them kept; a column of valid dates stays a date column.
TEST(TextInputs, DateFormsThatAreNoDateStayText) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const std::string input =
        "A;B;C;D;E;F\r\n"
        "12.31.2020;29.02.2001;31.02.2023;1.2.3;15.06.23;29.02.2000\r\n"
        "01.01.2020;01.01.2020;01.01.2020;01.01.2020;01.01.2020;1.2.2016\r\n";
    expectOutputs("text-dates-dbf", ".csv", ".dbf", kCsvIn + kDbfOut,
                  {{"to dBase", input, {},
                    "[('A', 'C', 10, 0), ('B', 'C', 10, 0), ('C', 'C', 10, 0), ('D', 'C', 10, 0), ('E', 'C', 10, 0), "
                    "('F', 'D', 8, 0)]\n"
                    "['12.31.2020', '29.02.2001', '31.02.2023', '1.2.3', '15.06.23', datetime.date(2000, 2, 29)]\n"
                    "['01.01.2020', '01.01.2020', '01.01.2020', '01.01.2020', '01.01.2020', datetime.date(2016, 2, 1)]\n"}},
                  dbfreadOf);
    expectOutputs("text-dates-sdf", ".csv", ".sdf", kCsvIn + kSdfOut,
                  {{"to SDF", input, {{"SdfBlankOut", "no"}},
                    "12.31.202029.02.200131.02.20231.2.3     15.06.23  29.02.2000\r\n"
                    "01.01.202001.01.202001.01.202001.01.202001.01.202001.02.2016\r\n"}},
                  readAll);
}

// The columns of an SDF file found from the words of its header line: the first field starts
// in column 1, and no field starts inside a value of any line.
TEST(TextInputs, SdfHeaderWordsOverRightAlignedValuesCutNoValue) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const std::string input =
        "  ID NAME  AMOUNT\r\n"
        " 101 Anna   12.50\r\n"
        "1002 Bert  123.00\r\n"
        "1003 Carl 1234.50\r\n";
    const Keys header = {{"HeaderLineIn", "yes"}};
    expectOutputs("text-sdf-header", ".sdf", ".csv", kSdfIn + kCsvOut,
                  {
                      {"fields run up to the next word", input, header,
                       "101;Anna;12.50\r\n1002;Bert;123.00\r\n1003;Carl;1234.50\r\n"},
                      {"one blank between the fields", input, header + Keys{{"SdfOptiBlankIn", "yes"}},
                       "101;Anna;12.50\r\n1002;Bert;123.00\r\n1003;Carl;1234.50\r\n"},
                      {"a value in the blank column before a word",
                       "A   B\r\nxy  1\r\nxyzw 2\r\n", header + Keys{{"SdfOptiBlankIn", "yes"}}, "xy;1\r\nxyzw;2\r\n"},
                  },
                  readAll);
    expectOutputs("text-sdf-header-dbf", ".sdf", ".dbf", kSdfIn + kDbfOut,
                  {{"numbers right-aligned under their word", input, header + Keys{{"SdfOptiBlankIn", "yes"}},
                    "[('ID', 'N', 4, 0), ('NAME', 'C', 4, 0), ('AMOUNT', 'N', 7, 2)]\n"
                    "[101, 'Anna', 12.5]\n[1002, 'Bert', 123.0]\n[1003, 'Carl', 1234.5]\n"}},
                  dbfreadOf);
}

// Report tables as Miller writes them with `--opprint --right`: values of several words,
// right-aligned under their header words and one blank apart, are read whole, as the table
// Miller was given holds them; a number with a thousands blank stays one value. Where no
// boundary keeps every value whole, the file is refused with the line that shows it.
TEST(TextInputs, SdfValuesOfSeveralWordsReadWholeOrRefusedWithTheLine) {
    if (!ready() || std::system("mlr --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "the program, python3-dbfread or Miller is missing";
    const auto dir = mirvano_test::temp_dir("text-sdf-miller");
    writeAll(dir / "table.csv",
             "ID,NAME,AMOUNT,CITY\n22,Dorothea Maria,0.125,Los Angeles\n7,Anna,1.5,Bonn\n105,Li Bo,12.25,Bad Ems\n");
    const std::string right = batch_test::command("mlr --icsv --opprint --right cat '" + (dir / "table.csv").string() + "'");
    ASSERT_NE(right.find("22 Dorothea Maria  0.125 Los Angeles"), std::string::npos) << right;
    const Keys header = {{"HeaderLineIn", "yes"}};
    expectOutputs("text-sdf-miller-csv", ".sdf", ".csv", kSdfIn + kCsvOut,
                  {{"Miller's right-aligned columns", right, header,
                    "22;Dorothea Maria;0.125;Los Angeles\r\n7;Anna;1.500;Bonn\r\n105;Li Bo;12.250;Bad Ems\r\n"}},
                  readAll);
    expectOutputs("text-sdf-words-dbf", ".sdf", ".dbf", kSdfIn + kDbfOut,
                  {{"a number with a thousands blank under its word", "NAME        AMOUNT\r\nAnna      1 234,50\r\n",
                    header, "[('NAME', 'C', 4, 0), ('AMOUNT', 'C', 14, 0)]\n['Anna', '1 234,50']\n"}},
                  dbfreadOf);

    const Converted r = convert(dir, "in.sdf", "CITY              NAME\r\nLos Angeles       Anna\r\nRom     Dorothea Maria\r\n",
                                "out.csv", settings(header, kSdfIn + kCsvOut));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.log.find("error: The columns of the SDF file cannot be separated without splitting a value: line 3\n"),
              std::string::npos)
        << r.log;
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
}

// A line of blanks, the end-of-file byte old xBase exports write and an empty last line are
// no records: every column keeps its type and no empty record is added.
TEST(TextInputs, LinesWithoutDataAreNoRecords) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const std::string csvTable = "[('A', 'N', 1, 0), ('B', 'C', 1, 0)]\n[1, 'x']\n[2, 'y']\n";
    expectOutputs("text-nodata-csv", ".csv", ".dbf", kCsvIn + kDbfOut,
                  {
                      {"a line of blanks", "A;B\r\n1;x\r\n   \r\n2;y\r\n", {}, csvTable},
                      {"a line of TABs", "A;B\r\n1;x\r\n\t\t\r\n2;y\r\n", {}, csvTable},
                      {"a line of blanks and TABs", "A;B\r\n1;x\r\n \t \r\n\t \n2;y\r\n", {}, csvTable},
                      {"the end-of-file byte on a line of its own", "A;B\r\n1;x\r\n2;y\r\n\x1A", {}, csvTable},
                      {"the end-of-file byte behind the last record", "A;B\r\n1;x\r\n2;y\x1A", {}, csvTable},
                      {"a line of blanks inside a frame is data", "A;B\r\n1;\"x\r\n  \r\ny\"\r\n2;y\r\n", {},
                       "[('A', 'N', 1, 0), ('B', 'C', 8, 0)]\n[1, 'x\\r\\n  \\r\\ny']\n[2, 'y']\n"},
                      {"... in UTF-16", utf16("A;B\r\n1;x\r\n2;y\x1A"),
                       {{"CharacterSetIn", "unicode"}}, csvTable},
                      // Where the TAB separates values, a line of TABs is a record of empty
                      // values, as Python's csv module and this program write one.
                      {"a line of TABs in a TAB-separated file", "A\tB\tC\r\n1\tx\tz\r\n\t\t\r\n2\ty\tz\r\n",
                       {{"CsvSeparatorIn", "tab"}},
                       "[('A', 'C', 1, 0), ('B', 'C', 1, 0), ('C', 'C', 1, 0)]\n['1', 'x', 'z']\n['', '', '']\n['2', 'y', 'z']\n"},
                  },
                  dbfreadOf);
    const std::string sdfTable = "[('F1', 'C', 2, 0), ('F2', 'N', 2, 0)]\n['ab', 12]\n['cd', 34]\n";
    expectOutputs("text-nodata-sdf", ".sdf", ".dbf", kSdfIn + kDbfOut,
                  {
                      {"an empty last line", "ab 12\r\ncd 34\r\n\r\n", {}, sdfTable},
                      {"a line of blanks", "ab 12\r\n  \r\ncd 34\r\n     \r\n", {}, sdfTable},
                      {"lines of blanks and TABs, a page break", "ab 12\r\n \t\r\n\f\r\ncd 34\r\n\t\r\n", {}, sdfTable},
                      {"the end-of-file byte", "ab 12\r\ncd 34\r\n\x1A", {}, sdfTable},
                      {"the end-of-file byte with a header line", "A  B\r\nab 12\r\ncd 34\r\n\x1A",
                       {{"HeaderLineIn", "yes"}}, "[('A', 'C', 3, 0), ('B', 'N', 2, 0)]\n['ab', 12]\n['cd', 34]\n"},
                      {"a line of blanks with a header line", "A  B\r\nab 12\r\n   \r\ncd 34\r\n",
                       {{"HeaderLineIn", "yes"}}, "[('A', 'C', 3, 0), ('B', 'N', 2, 0)]\n['ab', 12]\n['cd', 34]\n"},
                  },
                  dbfreadOf);
    expectOutputs("text-nodata-sdf-sdf", ".sdf", ".sdf", kSdfIn + kSdfOut,
                  {{"optimised widths", "  ab 12\r\n  cd 34\r\n\x1A", {{"SdfOptOut", "yes"}}, "ab 12\r\ncd 34\r\n"}},
                  readAll);

    // Messages still count every line after the header.
    const auto dir = mirvano_test::temp_dir("text-nodata-line");
    const Converted r = convert(dir, "in.csv", "A;B\r\n1;x\r\n   \r\n\r\n2;y;z\r\n", "out.dbf", settings({}, kCsvIn + kDbfOut));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.log.find("Number of data fields in CSV records are different: 4"), std::string::npos) << r.log;
}

// A UTF-16 file written big-endian (its byte-order mark FE FF) is refused with what it is,
// not read as a file without records; little-endian ones, with or without their mark, read.
TEST(TextInputs, BigEndianUtf16IsToldNotReadAsNothing) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("text-utf16be");
    const std::string bigEndian("\xFE\xFF\0N\0,\0C\0\r\0\n\0A\0,\0B\0\r\0\n", 22);
    const Keys keys = Keys{{"CharacterSetIn", "unicode"}, {"CsvSeparatorIn", "comma"}} + kCsvIn + kCsvOut;
    Converted r = convert(dir, "in.csv", bigEndian, "out.csv", settings({}, keys));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.log.find("error: The input file is in big-endian UTF-16; the program reads little-endian UTF-16"),
              std::string::npos)
        << r.log;
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
    r = convert(dir, "in.csv", utf16("N,C\r\nA,B\r\n"), "out.csv", settings({}, keys));
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_NE(readAll(dir / "out.csv").find("A"), std::string::npos) << r.log;
}

// One stray quote does not join the rest of the file into one record: a record many times
// longer than any table's record is refused with the line its frame opened on.
TEST(TextInputs, AFrameThatNeverClosesIsToldWithTheLineItOpenedOn) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    std::string input = "A;B\r\n1;x\r\n2;\"stray\r\n";
    while (input.size() < (3u << 20)) input += "3;more text on the line\r\n";
    input += "4;closed\"\r\n";  // a quote at last, which closes the frame with two fields
    const auto dir = mirvano_test::temp_dir("text-open-frame");
    const Converted r = convert(dir, "in.csv", input, "out.csv", settings({}, kCsvIn + kCsvOut));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.log.find("Number of data fields in CSV records are different: 2"), std::string::npos) << r.log;
    EXPECT_FALSE(fs::exists(dir / "out.csv"));
}

// A value that begins with a line break, or with the separator and goes on over lines, as
// Python's csv module, LibreOffice and this program write it (its quote alone at the end of a
// line, or before the separator), is read as one value wherever reading the quote as a ditto
// mark would leave a line with other than the structure's fields; where both readings give
// whole records the quote stays a ditto mark and the run warns, naming the line.
TEST(TextInputs, AValueThatBeginsWithALineBreakStaysInItsRecord) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const Keys comma = {{"CsvSeparatorIn", "comma"}};
    const struct {
        const char* what;
        std::string input;
        std::string table;
        bool asPython;  // the values are those Python's csv module reads
        long warnedLine;
    } cases[] = {
        {"a value that begins with a line break", "A,B\r\n1,\"\r\nx\"\r\n2,y\r\n",
         "[('A', 'N', 1, 0), ('B', 'C', 3, 0)]\n[1, '\\r\\nx']\n[2, 'y']\n", true, 0},
        {"in the middle column", "A,B,C\r\n1,\"\r\ntext\",Bonn\r\n",
         "[('A', 'N', 1, 0), ('B', 'C', 6, 0), ('C', 'C', 4, 0)]\n[1, '\\r\\ntext', 'Bonn']\n", true, 0},
        {"beginning with the separator", "A,B,C\r\n1,\",x\r\ny\",z\r\n",
         "[('A', 'N', 1, 0), ('B', 'C', 5, 0), ('C', 'C', 1, 0)]\n[1, ',x\\r\\ny', 'z']\n", true, 0},
        {"ditto marks", "NAME,CITY\r\nAnna,\"\r\nBert,\"\r\nCarl,Bonn\r\n",
         "[('NAME', 'C', 4, 0), ('CITY', 'C', 4, 0)]\n['Anna', '\"']\n['Bert', '\"']\n['Carl', 'Bonn']\n", false, 2},
        {"a ditto mark before a value that ends in a quote", "NAME,CITY\r\nAnna,\"\r\nBert,24\"\r\n",
         "[('NAME', 'C', 4, 0), ('CITY', 'C', 3, 0)]\n['Anna', '\"']\n['Bert', '24\"']\n", false, 2},
    };
    const auto dir = mirvano_test::temp_dir("text-line-break-values");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Converted r = convert(dir, "in.csv", c.input, "out.dbf", settings(comma, kCsvIn + kDbfOut));
        EXPECT_EQ(r.status, 0) << r.log;
        const std::string table = dbfread(dir / "out.dbf");
        EXPECT_EQ(table, c.table);
        // The same values as the csv module reads them, each record one printed list.
        const std::string python = batch_test::command(
            "/usr/bin/python3 -c \"import csv,sys\n"
            "rows=list(csv.reader(open(sys.argv[1],encoding='cp1252',newline='')))\n"
            "[print([int(v) if i==0 and v.isdigit() else v for i,v in enumerate(r)]) for r in rows[1:]]\" '" +
            (dir / "in.csv").string() + "'");
        EXPECT_EQ(python == table.substr(table.find('\n') + 1), c.asPython) << python;
        const std::string warning = "warning: The lone quote in line " + std::to_string(c.warnedLine) + " of ";
        EXPECT_EQ(r.log.find(warning) != std::string::npos, c.warnedLine > 0) << r.log;
        EXPECT_EQ(r.log.find("lone quote") != std::string::npos, c.warnedLine > 0) << r.log;
    }
}

// One line without a line end many times longer than any record stops the run with the line's
// number, read only up to the bound an unclosed frame has; a CSV or SDF input that does not
// exist is told as the text file it is.
TEST(TextInputs, AnEndlessLineIsToldWithItsNumber) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("text-endless-line");
    const std::string input = "A;B\r\n1;x\r\n2;" + std::string(3u << 20, 'y');
    for (const Keys& in : {kCsvIn, kSdfIn}) {
        const Converted r = convert(dir, "in.txt", input, "out.dbf", settings({}, in + kDbfOut));
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.log.find("Line 3 of the input file runs on for more than 1 MiB without a line end"),
                  std::string::npos) << r.log;
        EXPECT_FALSE(fs::exists(dir / "out.dbf"));
    }
    fs::remove(dir / "in.txt");
    for (const Keys& in : {kCsvIn, kSdfIn}) {
        writeAll(dir / "job.mcf", settings({}, in + kDbfOut));
        EXPECT_NE(batch_test::runBatch(dir, "in.txt", "out.dbf", (dir / "job.mcf").string()), 0);
        const std::string log = readAll(dir / "log");
        EXPECT_NE(log.find("Error when opening the SDF or CSV file"), std::string::npos) << log;
        EXPECT_EQ(log.find("dBase"), std::string::npos) << log;
    }
}

// A quote directly before a separator or the line end is data (a ditto mark), and a frame
// opens at a value's first character after blanks.
TEST(TextInputs, QuotesThatOpenNoFrameAreData) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const std::string input =
        "ID;TEXT;NOTE\r\n"
        "1;abc;first\r\n"
        "2;\";Same as above\r\n"
        "3; \"K\xF6ln; Porz\" ; x\r\n"
        "4;z;\"\r\n"
        "5;Monitor 24\";  \"\"\"quoted\"\"\"\r\n";
    expectOutputs("text-quotes", ".csv", ".dbf", kCsvIn + kDbfOut,
                  {{"to dBase", input, {},
                    "[('ID', 'N', 1, 0), ('TEXT', 'C', 11, 0), ('NOTE', 'C', 13, 0)]\n"
                    "[1, 'abc', 'first']\n[2, '\"', 'Same as above']\n[3, 'Köln; Porz', 'x']\n"
                    "[4, 'z', '\"']\n[5, 'Monitor 24\"', '\"quoted\"']\n"}},
                  dbfreadOf);
}

// Characters that the output's code page writes as a quote or as the separator (typographic
// quotes and the low comma of ANSI in OEM) follow the frame rule as the quote and the
// separator do: every line reads back with its own fields.
TEST(TextInputs, ValuesRecodedForTheOutputKeepTheirFrames) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("text-recoded-frames");
    const std::string input = "ID;TEXT;N\r\n1;Er sagte \x84Hallo\x93;2\r\n2;a\x82" "b \x91" "c\x92;3\r\n";
    const Keys oem = {{"CharacterSetOut", "ascii"}};
    const struct {
        const char* what;
        Keys keys;
        const char* separator;
        std::string expected;
    } cases[] = {
        {"framed text", oem + Keys{{"CsvFieldFrameOut", "string"}}, ";",
         "['1', \"Er sagte 'Hallo'\", '2']\n['2', \"a,b 'c'\", '3']\n"},
        {"every field framed, the comma separates", oem + Keys{{"CsvFieldFrameOut", "all"}, {"CsvSeparatorOut", "comma"}},
         ",", "['1', \"Er sagte 'Hallo'\", '2']\n['2', \"a,b 'c'\", '3']\n"},
        {"no frame, the comma separates", oem + Keys{{"CsvSeparatorOut", "comma"}}, ",",
         "['1', 'Er sagte \"Hallo\"', '2']\n['2', \"a b 'c'\", '3']\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Converted r = convert(dir, "in.csv", input, "out.csv", settings(c.keys, kCsvIn + kCsvOut));
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_EQ(pythonCsv(dir / "out.csv", c.separator, "cp850"), c.expected);
    }
}

// A number column that turns into text keeps every value as written, a point without
// decimals included.
TEST(TextInputs, ANumberColumnThatTurnsIntoTextKeepsItsValues) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    expectOutputs("text-number-text", ".csv", ".dbf", kCsvIn + kDbfOut,
                  {
                      {"a point without decimals", "A\r\n22.\r\nx\r\n", {}, "[('A', 'C', 3, 0)]\n['22.']\n['x']\n"},
                      {"the point last", "A\r\nx\r\n22.\r\n", {}, "[('A', 'C', 3, 0)]\n['x']\n['22.']\n"},
                  },
                  dbfreadOf);
}

// A filter over text input may ask for the record's number and whether it is deleted, as
// over a table: the records count from the first after the header line, and none is deleted.
TEST(TextInputs, TheFilterKnowsTheRecordNumber) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const Keys even = {{"RecordFilterUse", "yes"}, {"RecordFilterPhrase", "Recno() % 2 == 0 .AND. !Deleted()"}};
    expectOutputs("text-filter-recno", ".csv", ".csv", kCsvIn + kCsvOut,
                  {{"CSV input", "NAME;N\r\nA;1\r\n\r\nB;2\r\nC;3\r\nD;4\r\n", even, "B;2\r\nD;4\r\n"}}, readAll);
    expectOutputs("text-filter-recno-sdf", ".sdf", ".csv", kSdfIn + kCsvOut,
                  {{"SDF input", "NAME N\r\nA    1\r\nB    2\r\n\r\nC    3\r\nD    4\r\n",
                    even + Keys{{"HeaderLineIn", "yes"}}, "B;2\r\nD;4\r\n"},
                   {"DELETED() alone passes nothing", "A 1\r\nB 2\r\n",
                    {{"RecordFilterUse", "yes"}, {"RecordFilterPhrase", "Deleted()"}}, ""}},
                  readAll);
}

// A filter that cannot be evaluated is refused with what is wrong in it.
TEST(TextInputs, AWrongFilterIsToldWithWhatIsWrong) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const std::string prefix = "error: The syntax of the filter string is wrong: ";
    const struct {
        const char* filter;
        std::string told;
    } cases[] = {
        {"Recnum() > 1", prefix + "unknown function RECNUM"},
        {"SubStr(NAME) = 'A'", prefix + "missing or wrong arguments for SUBSTR"},
        {"Upper(N) = 'A'", prefix + "missing or wrong arguments for UPPER"},
        {"NAME + 1 > 2", prefix + "the operands of + do not go together"},
        {"NAMES = 'A'", prefix + "no data field or variable the filter can read: NAMES"},
        {"NAME = 'A' .AND.", prefix + "unexpected end of expression at position 17\n"},
        {"NAME", "error: The filter string is not logical\n"},
    };
    const auto dir = mirvano_test::temp_dir("text-filter-wrong");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        const Converted r = convert(dir, "in.csv", "NAME;N\r\nA;1\r\n", "out.csv",
                                    settings({{"RecordFilterUse", "yes"}, {"RecordFilterPhrase", c.filter}}, kCsvIn + kCsvOut));
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.log.find(c.told), std::string::npos) << r.log;
    }
}

// The record filter compares dates with today's.
TEST(TextInputs, TheFilterKnowsTodaysDate) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    expectOutputs("text-filter-date", ".csv", ".csv", kCsvIn + kCsvOut,
                  {{"BORN < DATE()", "NAME;BORN\r\nA;01.01.2000\r\nB;01.01.2999\r\nC;31.12.1999\r\n",
                    {{"RecordFilterUse", "yes"}, {"RecordFilterPhrase", "BORN < DATE()"}},
                    "A;01.01.2000\r\nC;31.12.1999\r\n"}},
                  readAll);
}

// Characters of a UTF-8 file that the output's character set lacks are replaced as the code
// pages replace them, and the run ends with a warning that counts them and names the line of
// the first (the empty line counts as a line); an output that holds them all warns of nothing.
TEST(TextInputs, CharactersTheOutputLacksAreCountedAndTold) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("text-lost-characters");
    // "Zażółć" lacks ż, ł and ć in ANSI and in OEM, "Иван" and "Москва" every letter.
    const std::string input =
        "NAME;CITY\r\nAnna;Berlin\r\n\r\nZa\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87;Krak\xC3\xB3w\r\nIvan;Berlin\r\n"
        "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD;\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0\r\n";
    const Keys utf8In = {{"CharacterSetIn", "utf8"}};
    const std::string warning = "warning: 13 characters were replaced in the output file (missing from its character set, or a "
                                "quote or separator inside a value), the first in line 4 of ";
    const struct {
        const char* what;
        std::string out;
        Keys keys;
        bool warns;
        std::string expected;  // the output as read back, in UTF-8
    } cases[] = {
        {"ANSI dBase", "out.dbf", utf8In + kDbfOut, true,
         "[('NAME', 'C', 6, 0), ('CITY', 'C', 6, 0)]\n['Anna', 'Berlin']\n['Za?\xC3\xB3??', 'Krak\xC3\xB3w']\n"
         "['Ivan', 'Berlin']\n['????', '??????']\n"},
        {"ANSI CSV", "out.csv", utf8In + kCsvOut, true,
         "['Anna', 'Berlin']\n['Za?\xC3\xB3??', 'Krak\xC3\xB3w']\n['Ivan', 'Berlin']\n['????', '??????']\n"},
        {"OEM CSV", "out.csv", utf8In + Keys{{"CharacterSetOut", "ascii"}} + kCsvOut, true,
         "['Anna', 'Berlin']\n['Za?\xC3\xB3??', 'Krak\xC3\xB3w']\n['Ivan', 'Berlin']\n['????', '??????']\n"},
        {"UTF-8 CSV", "out.csv", utf8In + Keys{{"CharacterSetOut", "utf8"}} + kCsvOut, false,
         "['Anna', 'Berlin']\n['Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87', 'Krak\xC3\xB3w']\n['Ivan', 'Berlin']\n"
         "['\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD', '\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0']\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Converted r = convert(dir, "in.csv", input, c.out, settings(c.keys, kCsvIn));
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_EQ(r.log.find("error:"), std::string::npos) << r.log;
        if (c.warns)
            EXPECT_NE(r.log.find(warning + (dir / "in.csv").string() + "\n"), std::string::npos) << r.log;
        else
            EXPECT_EQ(r.log.find("warning:"), std::string::npos) << r.log;
        const bool table = c.out == "out.dbf";
        const bool oem = c.keys.end() != std::find(c.keys.begin(), c.keys.end(), std::pair<std::string, std::string>{"CharacterSetOut", "ascii"});
        EXPECT_EQ(table ? dbfread(dir / c.out) : pythonCsv(dir / c.out, ";", !c.warns ? "utf-8" : oem ? "cp850" : "cp1252"),
                  c.expected);
    }
}

// A filter on a literal the output cannot hold compares the input's text: only the record that
// holds it passes, though every Cyrillic name is written as question marks.
TEST(TextInputs, AFilterComparesTheInputsCharacters) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("text-filter-cyrillic");
    const std::string input = "NAME;N\r\n\xD0\x9F\xD0\xB5\xD1\x82\xD1\x80;1\r\n\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD;2\r\n";
    const Keys filter = {{"CharacterSetIn", "utf8"},
                         {"RecordFilterUse", "yes"},
                         {"RecordFilterPhrase", "NAME = '\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD'"}};
    const Converted r = convert(dir, "in.csv", input, "out.dbf", settings(filter, kCsvIn + kDbfOut));
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(dbfread(dir / "out.dbf"), "[('NAME', 'C', 4, 0), ('N', 'N', 1, 0)]\n['????', 2]\n");
    EXPECT_NE(r.log.find("warning: 4 characters were replaced in the output file (missing from its character set, or a "
                         "quote or separator inside a value), the first in line 3 of "),
              std::string::npos)
        << r.log;
}
