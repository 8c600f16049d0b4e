// Line formatting of CSV and SDF output, SDF widths, header lines and the SQL script.
#include <gtest/gtest.h>

#include "engine/csvline.h"
#include "engine/header.h"
#include "engine/lineio.h"
#include "engine/numbertext.h"
#include "engine/sdfline.h"
#include "engine/sdfwidths.h"
#include "platform/db/numberfield.h"
#include "platform/runtime/dates.h"
#include "platform/runtime/numbers.h"

#include <cmath>
#include <limits>
#include <random>

using namespace engine;

namespace {

FieldDef C(const char* name, int len) { return {name, "C", len, 0}; }
FieldDef N(const char* name, int len, int dec) { return {name, "N", len, dec}; }
FieldDef D(const char* name) { return {name, "D", 10, 0}; }
FieldDef L(const char* name) { return {name, "L", 3, 0}; }
FieldDef M(const char* name) { return {name, "M", 10, 0}; }

std::string csvText(const FieldStructure& fields, const std::vector<std::string>& values, const CsvLineOptions& o) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) appendCsvText(line, fields[i], values[i], o);
    finishCsvLine(line);
    return line;
}

std::string csvTyped(const FieldStructure& fields, const std::vector<rt::Value>& values, const CsvLineOptions& o) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) appendCsvTyped(line, fields[i], values[i], o);
    finishCsvLine(line);
    return line;
}

}  // namespace

TEST(CsvLine, TextInputCases) {
    struct Case {
        FieldStructure fields;
        std::vector<std::string> values;
        CsvLineOptions options;
        std::string expected;
    };
    const Case cases[] = {
        // a separator inside an unframed text becomes a blank; framed it stays
        {{C("A", 10)}, {"a;b"}, {';', CsvFrame::None}, "a b"},
        {{C("A", 10)}, {"a;b"}, {';', CsvFrame::Text}, "\"a;b\""},
        // a double quote becomes an apostrophe only when framed
        {{C("A", 10)}, {"say \"hi\""}, {';', CsvFrame::Text}, "\"say 'hi'\""},
        {{C("A", 10)}, {"say \"hi\""}, {';', CsvFrame::None}, "say \"hi\""},
        // decimals: input comma, output comma or point
        {{N("X", 8, 2)}, {"1,5"}, {';', CsvFrame::Text, true, true}, "1,50"},
        {{N("X", 8, 2)}, {"1,5"}, {';', CsvFrame::Text, true, false}, "1.50"},
        // with "," as separator a decimal comma needs all fields framed
        {{N("X", 8, 2)}, {"1,5"}, {',', CsvFrame::Text, true, true}, "1.50"},
        {{N("X", 8, 2)}, {"1,5"}, {',', CsvFrame::All, true, true}, "\"1,50\""},
        // a number without decimals stays as read
        {{N("X", 5, 0)}, {"007"}, {';', CsvFrame::Text}, "007"},
        // framed text only: numbers, dates and logicals stay bare
        {{C("A", 5), N("X", 6, 1), D("B"), L("F")}, {"ab", "2.25", "01.02.2016", ".T."}, {';', CsvFrame::Text},
         "\"ab\";2.3;01.02.2016;.T."},
        {{C("A", 5), N("X", 6, 1), D("B"), L("F")}, {"ab", "2.25", "01.02.2016", ".T."}, {'\t', CsvFrame::All},
         "\"ab\"\t\"2.3\"\t\"01.02.2016\"\t\".T.\""},
        // empty values keep their columns
        {{C("A", 5), C("B", 5), C("C", 5)}, {"", "x", ""}, {'/', CsvFrame::None}, "/x/"},
    };
    for (const auto& c : cases) EXPECT_EQ(csvText(c.fields, c.values, c.options), c.expected) << c.expected;

    // Recoded into OEM, typographic quotes become quotes and the low comma a comma: they follow
    // the rules of those characters, for text and dBase input alike.
    CsvLineOptions oem{',', CsvFrame::Text};
    oem.outBytes = byteRecoding(Charset::ANSI, Charset::OEM);
    ASSERT_NE(oem.outBytes, nullptr);
    const std::string quoted = "\x84" "Hallo\x93, \x82" "so";
    EXPECT_EQ(csvText({C("A", 20)}, {quoted}, oem), "\"'Hallo', \x82so\"");
    EXPECT_EQ(csvTyped({C("A", 20)}, {rt::Value(quoted)}, oem), "\"'Hallo', \x82so\"");
    oem.frame = CsvFrame::None;
    EXPECT_EQ(csvText({C("A", 20)}, {quoted}, oem), "\x84Hallo\x93   so");
    EXPECT_EQ(byteRecoding(Charset::UTF8, Charset::OEM), nullptr);
    EXPECT_EQ(byteRecoding(Charset::ANSI, Charset::ANSI), nullptr);
}

TEST(CsvLine, DbaseInputCasesAndLineBreaks) {
    const FieldStructure fields{C("A", 10), N("X", 8, 2), L("F"), D("B")};
    const std::vector<rt::Value> values{rt::Value("  abc     "), rt::Value(3.5), rt::Value(true),
                                        rt::Value(rt::Date::fromYMD(2016, 12, 20))};
    EXPECT_EQ(csvTyped(fields, values, {';', CsvFrame::Text}), "\"abc\";3.50;.T.;20.12.2016");
    EXPECT_EQ(csvTyped(fields, values, {';', CsvFrame::None, false, true}), "abc;3,50;.T.;20.12.2016");

    // a memo field leaves no column
    const FieldStructure withMemo{C("A", 3), M("M"), C("B", 3)};
    EXPECT_EQ(csvTyped(withMemo, {rt::Value("a"), rt::Value("memo"), rt::Value("b")}, {';', CsvFrame::None}), "a;b");

    // a value holding line breaks never splits the line: framed it keeps them inside the
    // quotes, unframed each becomes a blank
    const FieldStructure text{C("A", 20), C("B", 3)};
    const std::vector<rt::Value> broken{rt::Value("one\r\ntwo\nthree"), rt::Value("x")};
    EXPECT_EQ(csvTyped(text, broken, {';', CsvFrame::Text}), "\"one\r\ntwo\nthree\";\"x\"");
    EXPECT_EQ(csvTyped(text, broken, {';', CsvFrame::None}), "one  two three;x");
}

// A field written from its bytes in the record reads as the value the loop takes from the
// table, or is left to the general way: a number the table holds in a form formatting would
// not write (no room for its leading zero, fewer or more decimals than declared, a value
// wider than its decimals allow) goes as its stored text, a field without a number as
// nothing, text without its padding of blanks or NUL bytes.
TEST(CsvLine, FieldBytesWriteWhatTheirValueWrites) {
    struct Case {
        FieldDef field;
        std::string bytes;
        rt::Value value;  // what the loop writes for these bytes; NIL for no number, an unset logical's byte as text
        bool general = false;  // the bytes go the general way
    };
    const std::string nul(1, '\0');
    const Case cases[] = {
        {C("A", 6), "  ab  ", rt::Value("  ab  ")},         {C("A", 3), "   ", rt::Value("   ")},
        {C("A", 5), "a;\"b ", rt::Value("a;\"b ")},          {N("X", 7, 2), "  12.50", rt::Value(12.5)},
        {C("A", 6), "ab" + nul + nul + nul + nul, rt::Value("ab")}, {C("A", 3), nul + nul + nul, rt::Value("")},
        {N("X", 7, 2), "  -0.25", rt::Value(-0.25)},        {N("X", 5, 0), "  120", rt::Value(120.0)},
        {N("X", 7, 2), "  -0.00", rt::Value(0.0)},          {N("X", 7, 2), " 007.50", rt::Value(7.5)},
        {N("X", 7, 2), "    1.5", rt::Value(1.5)},          {N("X", 7, 2), "12.5" + nul + nul + nul, rt::Value(12.5)},
        {N("X", 5, 4), ".1234", rt::Value(".1234")},        {N("X", 4, 2), "-.50", rt::Value("-.50")},
        {N("X", 8, 2), "123456.5", rt::Value("123456.5")},  {N("X", 8, 2), "12345678", rt::Value("12345678")},
        {N("X", 8, 2), "  1.2345", rt::Value("1.2345")},
        {N("X", 5, 2), "*****", rt::Value()},               {N("X", 5, 0), "     ", rt::Value()},
        {N("X", 5, 0), nul + nul + nul + nul + nul, rt::Value()}, {N("X", 5, 1), "  1,5", rt::Value(), true},
        {D("B"), "20240229", rt::Value(rt::Date::fromYMD(2024, 2, 29))}, {D("B"), "20230229", rt::Value(), true},
        {D("B"), "        ", rt::Value(), true},            {L("F"), "y", rt::Value(true)},
        {L("F"), "?", rt::Value("?")},                      {L("F"), "T", rt::Value(true)},
        {L("F"), " ", rt::Value(" ")},                      {L("F"), "n", rt::Value(false)},
    };
    for (const CsvLineOptions& o : {CsvLineOptions{';', CsvFrame::Text}, CsvLineOptions{',', CsvFrame::All, false, true},
                                    CsvLineOptions{';', CsvFrame::None, false, true}}) {
        for (const Case& c : cases) {
            std::string raw;
            const bool taken = engine::appendCsvRaw(raw, c.field, c.field.type[0], c.bytes, o);
            EXPECT_EQ(taken, !c.general) << c.bytes;
            if (!taken) {
                EXPECT_TRUE(raw.empty());
                continue;
            }
            std::string typed;
            engine::appendCsvTyped(typed, c.field, c.value, o);
            EXPECT_EQ(raw, typed) << c.bytes;
        }
    }
    // What the narrow numbers and the empty one give, with the decimal comma.
    std::string line;
    for (const char* bytes : {".1234", "     "}) engine::appendCsvRaw(line, N("X", 5, 4), 'N', bytes, {';', CsvFrame::None, false, true});
    EXPECT_EQ(line, ",1234;;");
    EXPECT_FALSE(engine::appendCsvRaw(line, N("X", 5, 0), 'F', "  120", {}));  // another type in the table
}

TEST(SdfLine, TextInputCases) {
    struct Case {
        FieldStructure fields;
        std::vector<std::string> values;
        SdfLineOptions options;
        std::string expected;
    };
    const Case cases[] = {
        {{C("A", 5), N("X", 6, 2)}, {"abc", "1,5"}, {SdfMode::Plain, true, false}, "abc    1.50"},
        {{C("A", 5), N("X", 6, 2)}, {"abc", "1,5"}, {SdfMode::Blank, true, false}, "abc     1.50"},
        {{C("A", 5), N("X", 6, 2)}, {"abc", "1.5"}, {SdfMode::Plain, false, true}, "abc    1,50"},
        // cut to the width; logical always 3 wide; date padded to its length
        {{C("A", 3), L("F"), L("G")}, {"abcdef", ".T.", "x"}, {SdfMode::Plain}, "abc.T..F."},
        {{D("B")}, {"1.2.2016"}, {SdfMode::Plain}, "01.02.2016"},
        // characters, not bytes, for UTF-8 text
        {{C("A", 3), C("B", 2)}, {"äb", "ü"}, {SdfMode::Plain, false, false, true}, "äb ü "},
    };
    for (const auto& c : cases) {
        std::string line;
        SdfWidths w;
        for (const auto& f : c.fields) w.max.push_back(f.length);
        for (size_t i = 0; i < c.fields.size(); ++i) appendSdfText(line, c.fields[i], i, c.values[i], w, c.options);
        finishSdfLine(line, c.options);
        EXPECT_EQ(line, c.expected);
    }
}

TEST(SdfLine, DbaseInputByMode) {
    const FieldStructure fields{C("A", 10), N("X", 8, 2), D("B"), L("F"), M("M")};
    const std::vector<rt::Value> values{rt::Value("   abcde  "), rt::Value(3.5), rt::Value(rt::Date::fromYMD(2016, 2, 1)),
                                        rt::Value(false), rt::Value("memo")};
    auto build = [&](SdfMode mode, SdfWidths w) {
        std::string line;
        SdfLineOptions o{mode};
        for (size_t i = 0; i < fields.size(); ++i) appendSdfTyped(line, fields[i], i, values[i], w, o);
        finishSdfLine(line, o);
        return line;
    };
    EXPECT_EQ(build(SdfMode::Plain, {{10, 8, 8, 3, 10}, {}}), "   abcde      3.5001.02.2016.F.");
    EXPECT_EQ(build(SdfMode::Blank, {{9, 8, 8, 3, 10}, {}}), "   abcde      3.50 01.02.2016 .F.");
    EXPECT_EQ(build(SdfMode::Optimised, {{8, 4, 8, 3, 0}, {3, 100, 100, 100, 100}}), "abcde 3.50 01.02.2016 .F.");
    // a text column whose width equals its lead leaves nothing, not even the blank
    EXPECT_EQ(build(SdfMode::Optimised, {{3, 4, 8, 3, 0}, {3, 100, 100, 100, 100}}), "3.50 01.02.2016 .F.");
}

TEST(SdfWidths, StartValuesAndMeasures) {
    const FieldStructure fields{C("A", 10), N("X", 8, 2), D("B")};
    EXPECT_EQ(sdfStartWidths(fields, Format::CSV, SdfMode::Optimised).max, (std::vector<int>{10, 8, 10}));
    EXPECT_EQ(sdfStartWidths(fields, Format::CSV, SdfMode::Optimised).lead, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(sdfStartWidths(fields, Format::DBF, SdfMode::Blank).max, (std::vector<int>{9, 7, 9}));
    EXPECT_EQ(sdfStartWidths(fields, Format::SDF, SdfMode::Plain).max, (std::vector<int>{10, 8, 10}));
    EXPECT_FALSE(sdfNeedsWidthPass(Format::CSV, SdfMode::Optimised));
    EXPECT_FALSE(sdfNeedsWidthPass(Format::DBF, SdfMode::Plain));
    EXPECT_TRUE(sdfNeedsWidthPass(Format::SDF, SdfMode::Blank));

    // optimised: "  AB    " and "   CDE  " give width 6, lead 2
    const FieldDef t = C("T", 8);
    SdfWidths w = sdfStartWidths({t}, Format::DBF, SdfMode::Optimised);
    measureSdfText(w, t, 0, "  AB    ", SdfMode::Optimised);
    measureSdfText(w, t, 0, "   CDE  ", SdfMode::Optimised);
    EXPECT_EQ(w.max[0], 6);
    EXPECT_EQ(w.lead[0], 2);
    // all blank: width 0, lead the field length (below the cap of 100)
    SdfWidths blank = sdfStartWidths({t}, Format::DBF, SdfMode::Optimised);
    measureSdfText(blank, t, 0, "        ", SdfMode::Optimised);
    EXPECT_EQ(blank.max[0], 0);
    EXPECT_EQ(blank.lead[0], 8);
    // blank-separated: the tenth character of a 10-wide field is used only when a value does
    const FieldDef ten = C("T", 10);
    SdfWidths b = sdfStartWidths({ten}, Format::DBF, SdfMode::Blank);
    measureSdfText(b, ten, 0, "abc       ", SdfMode::Blank);
    EXPECT_EQ(b.max[0], 9);
    measureSdfText(b, ten, 0, "abcdefghij", SdfMode::Blank);
    EXPECT_EQ(b.max[0], 10);
    // numbers: optimised measures the formatted value, blank-separated takes the length
    const FieldDef n = N("X", 8, 2);
    SdfWidths o = sdfStartWidths({n}, Format::SDF, SdfMode::Optimised);
    measureSdfNumber(o, n, 0, 1234, SdfMode::Optimised);
    EXPECT_EQ(o.max[0], 7);
    SdfWidths bn = sdfStartWidths({n}, Format::DBF, SdfMode::Blank);
    measureSdfNumber(bn, n, 0, 1, SdfMode::Blank);
    EXPECT_EQ(bn.max[0], 8);
}

TEST(HeaderLines, CsvHeaderNamesOnlyWrittenFields) {
    const FieldStructure fields{C("NAME", 10), N("AMOUNT", 8, 2), M("NOTES")};
    EXPECT_EQ(csvHeaderLine(fields, ';', CsvFrame::Text), "\"NAME\";AMOUNT");
    EXPECT_EQ(csvHeaderLine(fields, ';', CsvFrame::All), "\"NAME\";\"AMOUNT\"");
    EXPECT_EQ(csvHeaderLine(fields, ';', CsvFrame::None), "NAME;AMOUNT");
}

TEST(HeaderLines, SdfHeaderByMode) {
    const FieldStructure fields{C("NAME", 10), N("AMOUNT", 8, 2), D("BORN"), L("ACTIVE")};
    const SdfWidths plain{{10, 8, 10, 3}, {}};
    const std::string p = sdfHeaderLine(fields, plain, SdfMode::Plain);
    EXPECT_EQ(p, "NAME      AMOUNT  BORN      ACT");
    EXPECT_EQ(p.size(), 31u);
    EXPECT_EQ(sdfHeaderLine(fields, {{9, 8, 10, 3}, {}}, SdfMode::Blank), "NAME      AMOUNT   BORN       ACT");
    // optimised: a text column of width 6 and lead 2 takes 4; the last field one more
    EXPECT_EQ(sdfHeaderLine({C("NAME", 8), N("X", 5, 0)}, {{6, 3}, {2, 100}}, SdfMode::Optimised), "NAME X   ");
    EXPECT_EQ(sdfHeaderLine({N("X", 5, 0), C("NAME", 8)}, {{3, 6}, {100, 2}}, SdfMode::Optimised), "X   NAME ");
    // a text column without width gets no entry
    EXPECT_EQ(sdfHeaderLine({C("GONE", 8), N("X", 5, 0)}, {{2, 3}, {2, 100}}, SdfMode::Optimised), "X   ");
    // a plain field of width 1 gets a lone blank
    EXPECT_EQ(sdfHeaderLine({C("A", 1), C("BB", 2)}, {{1, 2}, {}}, SdfMode::Plain), " BB");
}

TEST(HeaderLines, SqlScripts) {
    const FieldStructure fields{C("NAME", 20), N("AMOUNT", 8, 2), N("COUNT", 5, 0), L("OK"), D("BORN"), M("NOTES")};
    const std::vector<std::string> csv{
        "CREATE TABLE my table (",
        "name varchar(20) default NULL,",
        "amount float(8,2) default '0',",
        "count int(5) default '0',",
        "ok smallint(1) default '0',",
        "born date default '0000-00-00'",
        ") TYPE=MyISAM COMMENT='TorvelSoft Geo Data'",
        "",
    };
    EXPECT_EQ(sqlScriptCsv("my table", fields), csv);

    // blank-separated: width + 1, the last field its width
    EXPECT_EQ(sqlScriptSdf("t", {C("A", 10), C("B", 10)}, {{9, 9}, {}}, SdfMode::Blank),
              (std::vector<std::string>{"CREATE TABLE t (", "a varchar(10) default NULL,", "b varchar(9) default NULL",
                                        ") TYPE=MyISAM COMMENT='TorvelSoft Geo Data'", ""}));
    // optimised: a dropped text field as last leaves no comma on the line before
    EXPECT_EQ(sqlScriptSdf("t", {N("X", 6, 1), C("B", 10)}, {{5, 3}, {100, 3}}, SdfMode::Optimised),
              (std::vector<std::string>{"CREATE TABLE t (", "x float(6,1) default '0'",
                                        ") TYPE=MyISAM COMMENT='TorvelSoft Geo Data'", ""}));
    EXPECT_EQ(sqlScriptSdf("t", {C("A", 8)}, {{8}, {}}, SdfMode::Plain)[1], "a varchar(8) default NULL");
}

// The number texts of the lines are the runtime's Str texts, built without temporaries.
TEST(NumberText, SameTextAsTheRuntime) {
    std::vector<double> values{0,      -0.0,    0.125,  1.005,     -0.004,   999.995, -999.995, 9.995,
                               1234.5, -17.25,  1e15,   123456789, 0.5,      -0.5,    2.5,      99.999,
                               1e-300, 5e-324,  1e308,  -1e308,    std::nan(""), std::numeric_limits<double>::infinity()};
    std::mt19937 random(5);
    std::uniform_real_distribution<double> spread(-100000, 100000);
    for (int i = 0; i < 2000; ++i) values.push_back(std::round(spread(random) * 1000) / 1000);
    for (double v : values)
        for (int length : {1, 3, 5, 8, 12})
            for (int decimals : {0, 1, 2, 3}) {
                std::string expected = rt::Str(v, length, decimals);
                std::string got = "x";
                appendStr(got, v, length, decimals);
                ASSERT_EQ(got, "x" + expected) << v << " " << length << " " << decimals;
                std::string trimmed;
                appendStrTrimmed(trimmed, v, length, decimals);
                const size_t lead = expected.find_first_not_of(' ');
                ASSERT_EQ(trimmed, lead == std::string::npos ? "" : expected.substr(lead)) << v;
                ASSERT_EQ(strTrimmedLength(v, length, decimals), static_cast<int>(trimmed.size())) << v;
            }
}

TEST(NumberText, DatesAsTheRuntimeWritesThem) {
    for (rt::Date d : {rt::Date(), rt::Date::fromYMD(2016, 12, 20), rt::Date::fromYMD(1, 1, 1), rt::Date::fromYMD(1999, 2, 28),
                       rt::Date::fromYMD(9999, 12, 31)}) {
        std::string got;
        appendDToC(got, d);
        EXPECT_EQ(got, rt::DToC(d));
    }
}

// A number field's text is copied instead of formatted again only where both give one text.
TEST(NumberText, PlainTextIsWhatFormattingWouldWrite) {
    struct Case { const char* text; int decimals; bool plain; };
    const Case cases[] = {
        {"12.50", 2, true},  {"-0.25", 2, true}, {"0", 0, true},       {"-0.00", 2, false},
        {"007", 0, false},   {".50", 2, false},  {"12.5", 2, false},   {"12", 2, false},
        {"12.50", 0, false}, {"1e5", 0, false},  {"1234567890123456", 0, false}, {"", 0, false},
    };
    for (const Case& c : cases) EXPECT_EQ(engine::isPlainNumberText(c.text, c.decimals), c.plain) << c.text;
    std::mt19937 gen(11);
    int plain = 0;
    for (int k = 0; k < 200000; ++k) {
        std::string t = gen() % 4 == 0 ? "-" : "";
        const int digits = 1 + static_cast<int>(gen() % 17);
        for (int i = 0; i < digits; ++i) t += static_cast<char>('0' + gen() % 10);
        const int decimals = static_cast<int>(gen() % 5);
        if (decimals > 0) {
            t += '.';
            for (int i = 0; i < decimals; ++i) t += static_cast<char>('0' + gen() % 10);
        }
        if (!engine::isPlainNumberText(t, decimals)) continue;
        ++plain;
        std::string formatted;
        engine::appendStrTrimmed(formatted, rt::Val(t), 30, decimals);
        ASSERT_EQ(formatted, t);
        std::string field(t.size() + 2, '?');  // as a table's number field would hold it
        db::FormatNumberField(rt::Val(t), static_cast<int>(field.size()), decimals, field.data());
        ASSERT_EQ(field, "  " + t);
    }
    EXPECT_GT(plain, 50000);
}
