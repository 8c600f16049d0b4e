// Finding the columns of SDF input: given widths, header word positions, the column mask;
// and the types, lengths and decimals inferred for them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/sdfstructure.h"
#include "input_test_util.h"
#include "test_env.h"

namespace {

using engine::AnalysisStatus;
using engine::Charset;
using engine::FieldStructure;

engine::Options sdfOptions(bool header, bool blank, const std::string& lengths = "") {
    engine::Options o;
    o.inFormat = engine::Format::SDF;
    o.inHeader = header;
    o.inBlank = blank;
    o.inLenGiven = !lengths.empty();
    o.inLengths = lengths;
    return o;
}

struct SdfCase {
    const char* name;
    std::string content;
    bool header;
    bool blank;
    std::string lengths;  // given widths, "" for none
    AnalysisStatus status;
    std::vector<int> pos;
    std::vector<int> len;
    FieldStructure structure;
};

TEST(SdfAnalysis, ColumnsTypesAndWidths) {
    const std::string header = "NAME      CITY      AMOUNT";
    const SdfCase cases[] = {
        {"header words, fields run to the next word", header + "\r\nAnna      Rom         12.5\r\n", true, false, "",
         AnalysisStatus::Ok, {1, 11, 21}, {10, 10, 6},
         {{"NAME", "C", 10, 0}, {"CITY", "C", 10, 0}, {"AMOUNT", "N", 6, 1}}},
        {"header words with the blank column", header + "\r\nAnna      Rom         12.5\r\n", true, true, "",
         AnalysisStatus::Ok, {1, 11, 21}, {9, 9, 6}, {{"NAME", "C", 9, 0}, {"CITY", "C", 9, 0}, {"AMOUNT", "N", 6, 1}}},
        {"column mask", "abc  12\r\nab   345\r\n", false, false, "", AnalysisStatus::Ok, {1, 6}, {3, 3},
         {{"F1", "C", 3, 0}, {"F2", "N", 3, 0}}},
        {"given widths with a one-word header", "KEY\r\n12345abc\r\n", true, false, "5 3", AnalysisStatus::Ok, {1, 6},
         {5, 3}, {{"KEY", "N", 5, 0}, {"F2", "C", 3, 0}}},
        // every numeric column keeps its decimals, not only the last one
        {"decimals of a column that is not the last", "PRICE    NAME\r\n   12.50 xx\r\n    3.25 yy\r\n", true, true, "",
         AnalysisStatus::Ok, {1, 10}, {8, 4}, {{"PRICE", "N", 8, 2}, {"NAME", "C", 4, 0}}},
        // no field starts inside a value: the value goes whole into the field it starts in
        {"a value running across a header word's column", "PRICE   NAME\r\n   12.50xx\r\n    3.25yy\r\n", true,
         false, "", AnalysisStatus::Ok, {1, 4}, {3, 9}, {{"PRICE", "C", 3, 0}, {"NAME", "C", 9, 0}}},
        {"right-aligned values under header words", "  ID NAME  AMOUNT\r\n 101 Anna   12.50\r\n1003 Carl 1234.50\r\n",
         true, true, "", AnalysisStatus::Ok, {1, 6, 11}, {4, 4, 7},
         {{"ID", "N", 4, 0}, {"NAME", "C", 4, 0}, {"AMOUNT", "N", 7, 2}}},
        {"the blank column before a word holds a value", "A   B\r\nxy  1\r\nxyzw 2\r\n", true, true, "",
         AnalysisStatus::Ok, {1, 5}, {4, 2}, {{"A", "C", 4, 0}, {"B", "N", 2, 0}}},
        {"an empty last line and the end-of-file byte", "A  B\r\nab 12\r\n\r\n\x1A", true, true, "",
         AnalysisStatus::Ok, {1, 4}, {2, 2}, {{"A", "C", 2, 0}, {"B", "N", 2, 0}}},
        {"decimals by given widths", "  12.50a\r\n   1.25b\r\n", false, false, "7 1", AnalysisStatus::Ok, {1, 8}, {7, 1},
         {{"F1", "N", 7, 2}, {"F2", "C", 1, 0}}},
        // a column of blanks holds no number: text, not zeros
        {"an all-blank column", "abc     12\r\nxyz     34\r\n", false, false, "3 5 2", AnalysisStatus::Ok, {1, 4, 9},
         {3, 5, 2}, {{"F1", "C", 3, 0}, {"F2", "C", 5, 0}, {"F3", "N", 2, 0}}},
        {"blanks among numbers", "KEY   AMOUNT\r\nab        12\r\ncd          \r\n", true, false, "", AnalysisStatus::Ok,
         {1, 7}, {6, 6}, {{"KEY", "C", 6, 0}, {"AMOUNT", "N", 6, 0}}},
        {"a line ending before a field's start", "ab  cd\r\nab\r\n", false, false, "", AnalysisStatus::Ok, {1, 5},
         {2, 2}, {{"F1", "C", 2, 0}, {"F2", "C", 2, 0}}},
        // a line of blanks holds no record: it neither empties a column nor makes it text
        {"a line of blanks", "ab 12\r\n  \r\ncd 34\r\n     \r\n", false, false, "", AnalysisStatus::Ok, {1, 4},
         {2, 2}, {{"F1", "C", 2, 0}, {"F2", "N", 2, 0}}},
        {"a line of blanks under a header line", "A  B\r\nab 12\r\n   \r\ncd 34\r\n", true, false, "",
         AnalysisStatus::Ok, {1, 4}, {3, 2}, {{"A", "C", 3, 0}, {"B", "N", 2, 0}}},
        {"empty file without header", "", false, false, "", AnalysisStatus::Failed, {}, {}, {}},
        {"only blank lines", "   \r\n \r\n", false, false, "", AnalysisStatus::Failed, {}, {}, {}},
        {"header without words", "    \r\nabc\r\n", true, false, "", AnalysisStatus::Failed, {}, {}, {}},
    };
    const auto dir = mirvano_test::temp_dir("sdf");
    for (const SdfCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = input_test::writeFile((dir / "in.sdf").string(), c.content);
        const engine::Options o = sdfOptions(c.header, c.blank, c.lengths);
        input_test::Handle file(path);
        engine::LineReader reader(file.h, Charset::ANSI, Charset::ANSI);
        engine::AnalysisResult r = engine::analyseSdf(reader, o, engine::nullRunContext());
        ASSERT_EQ(r.status, c.status);
        if (r.status != AnalysisStatus::Ok) {
            EXPECT_EQ(r.message, 63);
            continue;
        }
        EXPECT_EQ(r.pos, c.pos);
        EXPECT_EQ(r.len, c.len);
        EXPECT_EQ(r.structure, c.structure);
        EXPECT_EQ(reader.position(), 0) << "rewound for the conversion pass";
    }
}

// Values of several words under header words, left- or right-aligned as report writers set
// them: every value is read whole, or the analysis stops with the line that shows why it
// cannot tell where one value ends and the next begins.
TEST(SdfAnalysis, ValuesOfSeveralWordsAreReadWholeOrRefused) {
    struct Case {
        const char* name;
        std::string content;
        bool blank;
        std::vector<std::vector<std::string>> values;  // per data line, trimmed; none when refused
        long line;                                      // the line told when refused
    };
    const Case cases[] = {
        // as Miller writes `--opprint --right`: one blank between right-aligned columns
        {"every column right-aligned",
         "ID           NAME AMOUNT        CITY\n"
         "22 Dorothea Maria  0.125 Los Angeles\n"
         " 7           Anna    1.5        Bonn\n",
         false,
         {{"22", "Dorothea Maria", "0.125", "Los Angeles"}, {"7", "Anna", "1.5", "Bonn"}},
         0},
        {"... with the blank option",
         "ID           NAME AMOUNT        CITY\n22 Dorothea Maria  0.125 Los Angeles\n 7           Anna    1.5        Bonn\n",
         true, {{"22", "Dorothea Maria", "0.125", "Los Angeles"}, {"7", "Anna", "1.5", "Bonn"}}, 0},
        // every ID as wide as its word: "22 Dorothea" left-aligned under ID would do as well
        {"... without a line that tells the ID's alignment",
         "ID           NAME AMOUNT        CITY\n22 Dorothea Maria  0.125 Los Angeles\n", false, {}, 2},
        {"a number with a thousands blank right-aligned under its word",
         "NAME        AMOUNT\r\nAnna      1 234,50\r\nBert          7,25\r\n", false,
         {{"Anna", "1 234,50"}, {"Bert", "7,25"}}, 0},
        {"a left-aligned value of two words up to the next column",
         "NAME      CITY\r\nAnna      Rom\r\nBertha Li Bonn\r\n", false, {{"Anna", "Rom"}, {"Bertha Li", "Bonn"}}, 0},
        {"a left- and a right-aligned column two blanks apart",
         "NAME               AMOUNT\r\nDorothea Maria  1 234 567\r\nAnna                  1,5\r\n", false,
         {{"Dorothea Maria", "1 234 567"}, {"Anna", "1,5"}}, 0},
        // one blank apart, "Dorothea Maria 1" and "234 567" would do as well
        {"a left- and a right-aligned column one blank apart",
         "NAME              AMOUNT\r\nDorothea Maria 1 234 567\r\nAnna                 1,5\r\n", false, {}, 2},
        // the only boundary blank of each line lies inside a value of the other line
        {"no boundary fits every line",
         "CITY              NAME\r\nLos Angeles       Anna\r\nRom     Dorothea Maria\r\n", false, {}, 3},
        // "Ann Li" and "Bad Ems", or "Ann" and "Li Bad Ems", or ...
        {"two readings of one line", "NAME      CITY\r\nBo         Rom\r\nAnn Li Bad Ems\r\n", false, {}, 3},
        {"two readings told at the first line that has them",
         "NAME      CITY\r\nAnn Li Bad Ems\r\nBo         Rom\r\n", false, {}, 2},
    };
    const auto dir = mirvano_test::temp_dir("sdfwords");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = input_test::writeFile((dir / "in.sdf").string(), c.content);
        const engine::Options o = sdfOptions(true, c.blank);
        input_test::Handle file(path);
        engine::LineReader reader(file.h, Charset::ANSI, Charset::ANSI);
        engine::AnalysisResult r = engine::analyseSdf(reader, o, engine::nullRunContext());
        if (c.values.empty()) {
            ASSERT_EQ(r.status, AnalysisStatus::Failed);
            EXPECT_EQ(r.message, 101);
            EXPECT_EQ(r.record, c.line);
            continue;
        }
        ASSERT_EQ(r.status, AnalysisStatus::Ok) << r.message;
        std::string line;
        std::vector<std::string> values;
        ASSERT_TRUE(reader.nextAnalysis(line));  // the header
        for (const auto& expected : c.values) {
            ASSERT_TRUE(reader.nextAnalysis(line));
            engine::copySdf2ArrayOut(line, r.len, r.pos, r.structure.size(), false, values);
            for (std::string& v : values) {
                v.erase(0, std::min(v.size(), v.find_first_not_of(' ')));
                v.erase(v.find_last_not_of(' ') + 1);
            }
            EXPECT_EQ(values, expected) << line;
        }
    }
}

TEST(SdfAnalysis, MaskAndWordHelpers) {
    std::string mask;
    engine::addToColumnMask("ab c", mask);
    engine::addToColumnMask("\t", mask);
    engine::addToColumnMask("      x", mask);
    EXPECT_EQ(mask, "** *  *");
    engine::addToColumnMask("", mask);
    EXPECT_EQ(mask, "** *  *") << "a mask never shrinks";

    // A column of a mask may be wider than any header word: it keeps its width.
    const std::string wide = std::string(3000, '*') + "  **";
    FieldStructure s = engine::makeStructNew(2);
    std::vector<int> pos(2), len;
    engine::struct2Array(wide, s, pos, len, false, true);
    EXPECT_EQ(pos, (std::vector<int>{1, 3003}));
    EXPECT_EQ(len, (std::vector<int>{3000, 2}));
}

TEST(SdfAnalysis, CancelInEitherPassLeavesNoResult) {
    const auto dir = mirvano_test::temp_dir("sdfcancel");
    std::string content;
    for (int i = 0; i < 20; ++i)
        content += "abc  " + std::to_string(i) + "\r\n";
    const std::string path = input_test::writeFile((dir / "c.sdf").string(), content);
    for (long after : {2L, 25L}) {  // in the mask pass, in the type pass
        input_test::Handle file(path);
        engine::LineReader reader(file.h, Charset::ANSI, Charset::ANSI);
        engine::Options o;
        o.inFormat = engine::Format::SDF;
        engine::CountingRunContext context(after);
        engine::AnalysisResult r = engine::analyseSdf(reader, o, context);
        EXPECT_EQ(r.status, AnalysisStatus::Cancelled) << after;
        EXPECT_EQ(context.pumps, after);
    }
}

}  // namespace
