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
using batch_test::runBatch;
using mirvano_test::readAll;
using mirvano_test::writeAll;

namespace {

using Keys = std::vector<std::pair<std::string, std::string>>;

// A settings file: `keys` first (the first of a name counts), then `defaults`.
std::string job(const Keys& keys, const Keys& defaults) {
    std::string s = "[Config]\r\nProgIdent=mirvano\r\nLanguage=english\r\nFileHandling=overwrite\r\n";
    for (const Keys* list : {&keys, &defaults})
        for (const auto& [k, v] : *list) s += k + "=" + v + "\r\n";
    return s;
}

const Keys kCsvIn = {{"FileFormatIn", "csv"},      {"CharacterSetIn", "ansi"}, {"DecimalSeparatorIn", "dot"},
                     {"CsvSeparatorIn", "semi"},   {"CsvFieldFrameIn", "string"}, {"HeaderLineIn", "yes"}};
const Keys kDbfOut = {{"FileFormatOut", "dbf"}, {"CharacterSetOut", "ansi"}};
const Keys kCsvOut = {{"FileFormatOut", "csv"},     {"CharacterSetOut", "ansi"},  {"DecimalSeparatorOut", "dot"},
                      {"CsvSeparatorOut", "semi"},  {"CsvFieldFrameOut", "string"}, {"HeaderLineOut", "no"}};

Keys operator+(Keys a, const Keys& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Run {
    int status;
    std::string log;
};

// Writes `input`, converts it with the settings and returns the exit status and the log.
Run convert(const fs::path& dir, const std::string& inName, const std::string& input, const std::string& outName,
            const std::string& settings) {
    writeAll(dir / inName, input);
    writeAll(dir / "job.mcf", settings);
    fs::remove(dir / outName);
    const int status = runBatch(dir, inName, outName, (dir / "job.mcf").string());
    return {status, readAll(dir / "log")};
}

bool ready() { return fs::exists(batch_test::program()) && batch_test::haveDbfread(); }

// UTF-16 LE with its byte-order mark, from ASCII text.
std::string utf16(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

}  // namespace

// Each input is converted CSV to dBase and read back by dbfread.
TEST(EverydayInputs, CsvValuesReachTheTableWhole) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("everyday-csv");
    const std::string multi = "ID;TEXT;N\r\n1;\"line one\nline two\";10\r\n2;plain;20\r\n";
    const std::string multiRows = "[1, 'line one\\nline two', 10]\n[2, 'plain', 20]\n";
    const std::string multiHead = "[('ID', 'N', 1, 0), ('TEXT', 'C', 17, 0), ('N', 'N', 2, 0)]\n";
    const std::string monitor = "NAME;PRICE\r\nMonitor 24\" Full HD;199\r\n";
    const std::string monitorOut = "[('NAME', 'C', 19, 0), ('PRICE', 'N', 3, 0)]\n['Monitor 24\" Full HD', 199]\n";
    const std::string long301(301, 'x');
    const struct {
        const char* what;
        std::string input;
        Keys keys;
        std::string expected;
    } cases[] = {
        {"a line break inside a framed value", multi, {}, multiHead + multiRows},
        {"the same in UTF-8", multi, {{"CharacterSetIn", "utf8"}}, multiHead + multiRows},
        {"the same in OEM", multi, {{"CharacterSetIn", "ascii"}}, multiHead + multiRows},
        {"the same in UTF-16", utf16(multi), {{"CharacterSetIn", "unicode"}}, multiHead + multiRows},
        {"a CR LF inside a value, and a framed value over three lines",
         "ID;TEXT\r\n1;\"a\r\n\r\nb\"\r\n2;\"c;\r\nd\"\r\n", {},
         "[('ID', 'N', 1, 0), ('TEXT', 'C', 4, 0)]\n[1, 'a\\r\\n\\r\\nb']\n[2, 'c;\\r\\nd']\n"},
        {"a quote in unframed text", monitor, {}, monitorOut},
        {"... with no frame", monitor, {{"CsvFieldFrameIn", "no"}}, monitorOut},
        {"... with all fields framed", monitor, {{"CsvFieldFrameIn", "all"}}, monitorOut},
        {"a blank after the closing quote", "A;B;C\r\n1;\"abc\" ;10\r\n", {},
         "[('A', 'N', 1, 0), ('B', 'C', 3, 0), ('C', 'N', 2, 0)]\n[1, 'abc', 10]\n"},
        {"empty lines, the last one too", "A;B\r\n1;x\r\n\r\n2;y\r\n\r\n", {},
         "[('A', 'N', 1, 0), ('B', 'C', 1, 0)]\n[1, 'x']\n[2, 'y']\n"},
        {"doubled quotes in a frame", "ID;TEXT\r\n1;\"ha \"\"ha\"\" ha\"\r\n2;\"{\"\"type\"\": \"\"Point\"\"}\"\r\n", {},
         "[('ID', 'N', 1, 0), ('TEXT', 'C', 17, 0)]\n[1, 'ha \"ha\" ha']\n[2, '{\"type\": \"Point\"}']\n"},
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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Run r = convert(dir, "in.csv", c.input, "out.dbf", job(c.keys, kCsvIn + kDbfOut));
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_EQ(dbfread(dir / "out.dbf"), c.expected) << r.log;
    }
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
        {"string", "1;\"line one\nline two\"\r\n2;\"ha ''ha'' ha\"\r\n"},
        {"no", "1;line one line two\r\n2;ha \"ha\" ha\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame);
        const Run r = convert(dir, "in.csv", input, "out.csv", job({{"CsvFieldFrameOut", c.frame}}, kCsvIn + kCsvOut));
        EXPECT_EQ(r.status, 0) << r.log;
        EXPECT_EQ(readAll(dir / "out.csv"), c.expected);
    }
}

// A frame that never closes is told with the line it opened on, and nothing is written.
TEST(EverydayInputs, AFrameLeftOpenIsToldWithItsLine) {
    if (!ready()) GTEST_SKIP() << "the program or python3-dbfread is missing";
    const auto dir = mirvano_test::temp_dir("everyday-open-frame");
    const Run r = convert(dir, "in.csv", "A;B\r\n1;x\r\n\r\n2;\"y\r\n3;z\r\n", "out.dbf", job({}, kCsvIn + kDbfOut));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.log.find("Number of data fields in CSV records are different: 3"), std::string::npos) << r.log;
    EXPECT_FALSE(fs::exists(dir / "out.dbf"));
}
