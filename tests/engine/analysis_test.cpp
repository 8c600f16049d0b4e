// Field structures inferred from CSV input: names, types, lengths and decimals, the four
// character sets, given lengths, long lines, and the failures of the analysis.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/analysis.h"
#include "engine/lineio.h"
#include "input_test_util.h"
#include "test_env.h"

namespace {

using engine::AnalysisStatus;
using engine::Charset;
using engine::FieldDef;
using engine::FieldStructure;

engine::Options csvOptions(Charset charset = Charset::ANSI) {
    engine::Options o;
    o.inFormat = engine::Format::CSV;
    o.inCharset = charset;
    o.inSeparator = ";";
    o.inFrame = "\"";
    o.inFrameText = true;
    o.inHeader = true;
    o.inDecComma = true;
    return o;
}

engine::AnalysisResult analyse(const std::string& path, const engine::Options& o, uint32_t* lineMax = nullptr) {
    input_test::Handle file(path);
    EXPECT_NE(file.h, -1) << path;
    engine::LineReader reader(file.h, o.inCharset, Charset::ANSI);
    engine::AnalysisResult r = engine::analyseCsv(reader, o, engine::nullRunContext());
    if (lineMax)
        *lineMax = reader.lineMax();
    return r;
}

TEST(CsvAnalysis, QuotedHeaderDecimalCommaTableHasTheSameStructureInEveryCharacterSet) {
    const FieldStructure expected = {
        {"NAME", "C", 12, 0}, {"STRAE", "C", 11, 0}, {"BETRAG", "N", 7, 2}, {"DATUM", "D", 10, 0}, {"AKTIV", "L", 3, 0}};
    struct Case {
        const char* file;
        Charset charset;
    } cases[] = {{"table_ansi.csv", Charset::ANSI},
                 {"table_utf8bom.csv", Charset::UTF8},
                 {"table_utf16le.csv", Charset::UTF16},
                 {"table_oem.csv", Charset::OEM}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        engine::AnalysisResult r = analyse(mirvano_test::fixture(std::string("engine/") + c.file), csvOptions(c.charset));
        ASSERT_EQ(r.status, AnalysisStatus::Ok);
        EXPECT_EQ(r.structure, expected);
        EXPECT_EQ(r.pos, (std::vector<int>{1, 2, 3, 4, 5}));
    }
}

TEST(CsvAnalysis, ByteOrderMarkIsNotPartOfTheFirstName) {
    // Without the mark skipped, the first header word would read "ï»¿Name" and the first
    // line's raw length would include it.
    const auto dir = mirvano_test::temp_dir("bom");
    struct Case {
        std::string bytes;
        Charset charset;
        uint32_t lineMax;
    } cases[] = {{"\xEF\xBB\xBF" "Id;X\r\n1;2\r\n", Charset::UTF8, 4},
                 {std::string("\xFF\xFE" "I\0d\0;\0X\0\r\0\n\0" "1\0;\0" "2\0", 20), Charset::UTF16, 8}};
    for (const Case& c : cases) {
        const std::string path = input_test::writeFile((dir / "bom.csv").string(), c.bytes);
        engine::Options o = csvOptions(c.charset);
        uint32_t lineMax = 0;
        engine::AnalysisResult r = analyse(path, o, &lineMax);
        ASSERT_EQ(r.status, AnalysisStatus::Ok);
        ASSERT_EQ(r.structure.size(), 2u);
        EXPECT_EQ(r.structure[0].name, "ID");
        EXPECT_EQ(r.structure[0].type, "N");
        EXPECT_EQ(lineMax, c.lineMax);
        // The conversion pass sees the same first line.
        input_test::Handle file(path);
        engine::LineReader reader(file.h, c.charset, engine::workingEncoding(o));
        std::string line;
        ASSERT_TRUE(reader.next(line));
        EXPECT_EQ(line, "Id;X");
    }
}

TEST(FieldInference, TypesAndLengthsFollowTheValues) {
    struct Case {
        std::vector<std::string> values;
        bool decimalComma;
        FieldDef expected;
        // the entry alone cannot tell that an earlier value was wider than its number
        bool needsRemembered = false;
    } cases[] = {
        {{"4.5", "12", "13"}, false, {"", "N", 4, 1}},
        {{"12", "abc", "4"}, false, {"", "C", 3, 0}},
        // a date column holds days of the calendar with four-digit years only, else text
        {{"01.02.2016", "29.02.2000", " 1.2.2016"}, false, {"", "D", 10, 0}},
        {{"01.02.2016", "1.2.3"}, false, {"", "C", 10, 0}},
        {{"12.31.2020"}, false, {"", "C", 10, 0}},
        {{"01.01.2020", "29.02.2001"}, false, {"", "C", 10, 0}},
        {{"31.02.2023"}, false, {"", "C", 10, 0}},
        {{"15.06.23"}, false, {"", "C", 8, 0}},
        {{"1.2.02016"}, false, {"", "C", 9, 0}},
        {{"0.1.2016"}, false, {"", "C", 8, 0}},
        {{".T.", ".F."}, false, {"", "L", 3, 0}},
        {{".T.", ".t."}, false, {"", "C", 3, 0}},
        // the other decimal separator would be read as another number: text
        {{"1,5"}, false, {"", "C", 3, 0}},
        {{"1.5"}, true, {"", "C", 3, 0}},
        {{"2", "1,5"}, false, {"", "C", 3, 0}},
        // no integer digit: written with a leading 0 (and the sign)
        {{".5"}, false, {"", "N", 3, 1}},
        {{"-.25"}, false, {"", "N", 5, 2}},
        {{",5"}, true, {"", "N", 3, 1}},
        {{"12", "-.5"}, false, {"", "N", 4, 1}},
        // more digits than a double keeps exactly: text, so that every digit survives
        {{"12345678901234567"}, false, {"", "C", 17, 0}},
        {{"1", "1234567890.1234567"}, false, {"", "C", 18, 0}},
        {{"123456789012345", "-0.000000000000001"}, false, {"", "N", 31, 15}},
        {{"000000000000000000000012"}, false, {"", "N", 24, 0}},
        // a sign or a point alone holds no number
        {{"-"}, false, {"", "C", 1, 0}},
        {{"1,5"}, true, {"", "N", 3, 1}},
        // the length holds the widest integer part and the most decimals in either order
        {{"12345", "1.25"}, false, {"", "N", 8, 2}},
        {{"1.25", "12345"}, false, {"", "N", 8, 2}},
        {{"-1.5", "999.125"}, false, {"", "N", 7, 3}},
        // a number column that turns into text keeps no decimals
        {{"1.25", "x"}, false, {"", "C", 4, 0}},
        {{"1", ""}, false, {"", "C", 1, 0}},
        // ... and keeps every value as it was written, a point without decimals included
        {{"22.", "x"}, false, {"", "C", 3, 0}, true},
        {{"7,", "x"}, true, {"", "C", 2, 0}, true},
        {{"+5.", "x"}, false, {"", "C", 3, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values.front() + " ...");
        FieldDef f;
        engine::NumberWidth width;
        for (const std::string& v : c.values) {
            engine::inferFieldType(v, f, c.decimalComma);
            engine::inferFieldLength(v, f, width, c.decimalComma);
        }
        EXPECT_EQ(f, c.expected);
        if (c.needsRemembered)
            continue;
        // Without the remembered integer part the same result comes out.
        FieldDef g;
        for (const std::string& v : c.values) {
            engine::inferFieldType(v, g, c.decimalComma);
            engine::inferFieldLength(v, g, c.decimalComma);
        }
        EXPECT_EQ(g, c.expected);
    }
}

TEST(FieldNames, HeaderWordsBecomeUniqueNames) {
    const std::vector<std::string> words = {"Name", "name", "1a b", "", "Stra\xDF" "e", "VeryLongFieldName1",
                                            "VeryLongFieldName2", "F2"};
    const std::vector<std::string> expected = {"NAME", "F2", "1AB", "F4", "STRAE", "VERYLONGFI", "F7", "F8"};
    FieldStructure s = engine::makeStructNew(words.size());
    for (size_t i = 0; i < words.size(); ++i)
        s[i].name = engine::makeFieldName(s, i + 1, words[i]);
    for (size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(s[i].name, expected[i]) << i;

    // A generated name never repeats a header word taken earlier.
    FieldStructure t = engine::makeStructNew(2);
    t[0].name = engine::makeFieldName(t, 1, "F2");
    t[1].name = engine::makeFieldName(t, 2, "");
    EXPECT_NE(t[0].name, t[1].name);

    // Past 999 columns the numbers stay whole and the names unique.
    FieldStructure wide = engine::makeStructNew(1200);
    std::set<std::string> seen;
    for (size_t i = 0; i < wide.size(); ++i) {
        wide[i].name = engine::makeFieldName(wide, i + 1, "");
        EXPECT_LE(wide[i].name.size(), 10u);
        EXPECT_TRUE(seen.insert(wide[i].name).second) << wide[i].name;
    }
    EXPECT_EQ(wide[999].name, "F1000");
    EXPECT_EQ(wide[1199].name, "F1200");
}

TEST(GivenLengths, AdjustTheInferredFields) {
    struct Case {
        FieldDef inferred;
        int given;
        FieldDef expected;
    } cases[] = {
        {{"A", "C", 8, 0}, 20, {"A", "C", 20, 0}},
        {{"A", "C", 8, 0}, 3, {"A", "C", 3, 0}},
        {{"A", "N", 8, 2}, 5, {"A", "N", 5, 0}},   // k > d: decimals and point dropped
        {{"A", "N", 8, 2}, 7, {"A", "N", 7, 1}},   // k < d
        {{"A", "N", 8, 2}, 6, {"A", "N", 6, 0}},   // k = d
        {{"A", "N", 8, 2}, 30, {"A", "N", 22, 2}}, // at most decimals + 20
        {{"A", "N", 25, 0}, 30, {"A", "N", 25, 0}}, // never narrower than inferred
        {{"A", "N", 6, 0}, 3, {"A", "N", 6, 0}},
        {{"A", "D", 10, 0}, 4, {"A", "D", 10, 0}},
        {{"A", "C", 8, 0}, 0, {"A", "C", 8, 0}},   // 0 gives nothing
        {{"A", "C", 8, 0}, 70000, {"A", "C", 65534, 0}},  // no wider than a table's text field
    };
    for (const Case& c : cases) {
        FieldStructure s = {c.inferred};
        engine::applyGivenLengths(s, {c.given});
        EXPECT_EQ(s[0], c.expected) << c.inferred.type << c.inferred.length << "/" << c.given;
    }
    EXPECT_EQ(engine::parseLengths("  20 5  x 30"), (std::vector<int>{20, 5, 0, 30}));

    // Applied by the analysis: tokens beyond the field count are ignored.
    const auto dir = mirvano_test::temp_dir("given");
    const std::string path = input_test::writeFile((dir / "g.csv").string(), "A;B\r\nabcdefgh;123456.25\r\n");
    engine::Options o = csvOptions();
    o.inDecComma = false;
    o.inLenGiven = true;
    o.inLengths = "20 5 99";
    engine::AnalysisResult r = analyse(path, o);
    ASSERT_EQ(r.status, AnalysisStatus::Ok);
    EXPECT_EQ(r.structure, (FieldStructure{{"A", "C", 20, 0}, {"B", "N", 6, 0}}));
}

TEST(CsvAnalysis, ShapesOfInput) {
    const auto dir = mirvano_test::temp_dir("shapes");
    struct Case {
        const char* name;
        std::string bytes;
        bool header;
        AnalysisStatus status;
        FieldStructure structure;
        int message;
        long record;
    } cases[] = {
        {"no header: first line is data", "1;x;.T.\n22;yy;.F.\n", false, AnalysisStatus::Ok,
         {{"F1", "N", 2, 0}, {"F2", "C", 2, 0}, {"F3", "L", 3, 0}}, 0, 0},
        {"short line pads with empty values", "A;B\r\n1;2\r\n3\r\n", true, AnalysisStatus::Ok,
         {{"A", "N", 1, 0}, {"B", "C", 1, 0}}, 0, 0},
        {"longer line: 53 with its record number", "A;B\r\n1;2\r\n3;4\r\n5;6;7\r\n", true, AnalysisStatus::Failed,
         {}, 53, 3},
        {"longer line without header", "1;2\n3;4;5\n", false, AnalysisStatus::Failed, {}, 53, 2},
        {"empty file", "", true, AnalysisStatus::Ok, {}, 0, 0},
        {"header only: text fields", "A;B\r\n", true, AnalysisStatus::Ok, {{"A", "C", 1, 0}, {"B", "C", 1, 0}}, 0, 0},
        {"values are trimmed", "A\n  12  \n", true, AnalysisStatus::Ok, {{"A", "N", 2, 0}}, 0, 0},
        {"CR alone ends a line", "A;B\r1;2\r", true, AnalysisStatus::Ok, {{"A", "N", 1, 0}, {"B", "N", 1, 0}}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = input_test::writeFile((dir / "s.csv").string(), c.bytes);
        engine::Options o = csvOptions();
        o.inHeader = c.header;
        engine::AnalysisResult r = analyse(path, o);
        EXPECT_EQ(r.status, c.status);
        if (c.status == AnalysisStatus::Ok)
            EXPECT_EQ(r.structure, c.structure);
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.record, c.record);
    }
}

TEST(CsvAnalysis, LinesLongerThanAnyBufferAreReadWholeInBothPasses) {
    const auto dir = mirvano_test::temp_dir("long");
    const std::string longText(100000, 'x');
    const std::string content = "A;B;C\r\n1;" + longText + ";2\r\n3;y;4\r\n";
    const std::string path = input_test::writeFile((dir / "l.csv").string(), content);
    engine::Options o = csvOptions();
    uint32_t lineMax = 0;
    engine::AnalysisResult r = analyse(path, o, &lineMax);
    ASSERT_EQ(r.status, AnalysisStatus::Ok);
    EXPECT_EQ(r.structure, (FieldStructure{{"A", "N", 1, 0}, {"B", "C", 100000, 0}, {"C", "N", 1, 0}}));
    EXPECT_EQ(lineMax, longText.size() + 4);

    // The conversion pass gets the same three lines, whole, whatever lineMax says.
    input_test::Handle file(path);
    engine::LineReader reader(file.h, Charset::ANSI, Charset::ANSI);
    std::vector<std::string> lines;
    std::string line;
    while (reader.next(line))
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "1;" + longText + ";2");
    EXPECT_EQ(lines[2], "3;y;4");
}

TEST(CsvAnalysis, CancelStopsAfterTheCurrentLineAndSuccessRewinds) {
    const auto dir = mirvano_test::temp_dir("cancel");
    std::string content = "A\r\n";
    for (int i = 0; i < 50; ++i)
        content += std::to_string(i) + "\r\n";
    const std::string path = input_test::writeFile((dir / "c.csv").string(), content);
    input_test::Handle file(path);
    engine::LineReader reader(file.h, Charset::ANSI, Charset::ANSI);

    engine::CountingRunContext cancelling(3);
    engine::AnalysisResult r = engine::analyseCsv(reader, csvOptions(), cancelling);
    EXPECT_EQ(r.status, AnalysisStatus::Cancelled);
    EXPECT_EQ(cancelling.pumps, 3);
    EXPECT_EQ(cancelling.finishes, 0);

    reader.rewind();
    engine::CountingRunContext counting;
    r = engine::analyseCsv(reader, csvOptions(), counting);
    EXPECT_EQ(r.status, AnalysisStatus::Ok);
    EXPECT_EQ(counting.starts, 1);
    EXPECT_EQ(counting.finishes, 1);
    EXPECT_EQ(counting.pumps, 50);
    EXPECT_EQ(counting.maximum, static_cast<double>(content.size()));
    EXPECT_EQ(reader.position(), 0);
}

}  // namespace

// The analysis folds blocks of the file apart and merges them in order: cut into blocks of
// every size on three threads, random columns of numbers, dates, logicals and text in every
// order give the structure, the longest line and the messages the sequential reading gives.
TEST(CsvAnalysis, BlocksOnThreadsGiveTheSequentialStructure) {
    const auto dir = mirvano_test::temp_dir("analysis-blocks");
    std::mt19937 rnd(7);
    auto pick = [&](std::vector<std::string> from) { return from[rnd() % from.size()]; };
    auto value = [&](int kind) -> std::string {
        switch (kind) {
        case 0: return std::to_string(rnd() % 100000) + (rnd() % 2 ? "," + std::to_string(rnd() % 1000) : "");
        case 1: return pick({"01.02.2003", "29.02.2024", "31.12.1999", "1.1.2000"});
        case 2: return pick({".T.", ".F.", "T", "n"});
        case 3: return pick({"", " ", "-5", ",5", "x", "\"a;b\"", "\"two\r\nlines\"", "22,", "  7  "});
        default: return "\"" + std::string(rnd() % 12, 'w') + "\"";
        }
    };
    for (int file = 0; file < 12; ++file) {
        std::string text = "A;B;C;D;E\r\n";
        const int rows = 20 + static_cast<int>(rnd() % 200);
        // Each column mostly one kind, now and then another: where the other comes decides the
        // type and the length, so the order of the blocks matters.
        int kinds[5];
        for (int& k : kinds) k = static_cast<int>(rnd() % 5);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < 5; ++c) {
                if (c) text += ';';
                text += value(rnd() % 23 == 0 ? static_cast<int>(rnd() % 5) : kinds[c]);
            }
            text += rnd() % 31 == 0 ? "\r\n\r\n" : "\r\n";
        }
        if (file == 0) {
            // A wide integer part before, more decimals after, then text: the text's length is
            // the widest number's the values gave before it, wider than any one value.
            text = "A;B;C;D;E\r\n";
            for (int r = 0; r < 30; ++r)
                text += std::string(r < 10 ? "99999,1" : r == 10 ? "1,999" : r == 11 ? "x" : "5") + ";1;2;3;4\r\n";
        }
        if (file == 11) text += "1;2;3;4;5;6\r\n";  // more fields than the header: told with its line
        const std::string path = (dir / ("f" + std::to_string(file) + ".csv")).string();
        mirvano_test::writeAll(path, text);
        setenv("MIRVANO_THREADS", "1", 1);
        uint32_t lineMaxOne = 0, lineMaxBlocks = 0;
        const engine::AnalysisResult one = analyse(path, csvOptions(), &lineMaxOne);
        std::vector<std::string> sizes{"1", "9", "64", "700"};
        if (file == 0)  // every cut around the few lines that decide
            for (int b = 10; b < 200; b += 3) sizes.push_back(std::to_string(b));
        for (const std::string& bytes : sizes) {
            SCOPED_TRACE(path + " in blocks of " + bytes);
            setenv("MIRVANO_THREADS", "3", 1);
            setenv("MIRVANO_BLOCK_BYTES", bytes.c_str(), 1);
            const engine::AnalysisResult blocks = analyse(path, csvOptions(), &lineMaxBlocks);
            unsetenv("MIRVANO_BLOCK_BYTES");
            EXPECT_EQ(blocks.status, one.status);
            EXPECT_EQ(blocks.message, one.message);
            EXPECT_EQ(blocks.record, one.record);
            EXPECT_EQ(lineMaxBlocks, lineMaxOne);
            ASSERT_EQ(blocks.structure.size(), one.structure.size());
            for (size_t i = 0; i < one.structure.size(); ++i) {
                EXPECT_EQ(blocks.structure[i].type, one.structure[i].type) << i;
                EXPECT_EQ(blocks.structure[i].length, one.structure[i].length) << i;
                EXPECT_EQ(blocks.structure[i].decimals, one.structure[i].decimals) << i;
            }
        }
        unsetenv("MIRVANO_THREADS");
    }
}
