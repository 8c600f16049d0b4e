#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "functions/faststring.h"

namespace {

using Fields = std::vector<std::string>;

struct SplitCase {
    const char* line;
    const char* separator;
    const char* frame;
    Fields expected;
};

TEST(FastTokenCsv, FrameAndSeparatorRules) {
    const SplitCase cases[] = {
        {"", ";", "\"", {}},
        {";", ";", "\"", {"", ""}},
        {"a;b;", ";", "\"", {"a", "b", ""}},
        {" a ; b ", ";", "\"", {" a ", " b "}},                    // nothing trimmed
        {"\"a;b\";c", ";", "\"", {"a;b", "c"}},                   // separator inside a frame
        {"\"\"\"abc\"\"\";x", ";", "\"", {"\"abc\"", "x"}},       // tripled quotes keep one
        {"\"a\"\"b\";x", ";", "\"", {"a\"b", "x"}},               // a doubled quote inside is one
        {"\"{\"\"type\"\": \"\"Point\"\"}\";1", ";", "\"", {"{\"type\": \"Point\"}", "1"}},
        {"\"a\" ;b;c", ";", "\"", {"a ", "b", "c"}},                // the quote closes; the blank stays
        {"ab\";c", ";", "\"", {"ab\"", "c"}},                     // quote before a separator is data
        {"ab\"cd\"", ";", "\"", {"ab\"cd\""}},                     // a quote inside text is data
        {"Monitor 24\" Full HD;199", ";", "\"", {"Monitor 24\" Full HD", "199"}},
        {" \"a;b\"", ";", "\"", {"a;b"}},                            // blanks before a frame go
        {"1;  \"K\xF6ln; Porz\" ; 12.5", ";", "\"", {"1", "K\xF6ln; Porz ", " 12.5"}},
        {"a; b \"c;d\"", ";", "\"", {"a", " b \"c", "d\""}},      // a frame opens only at the start
        {"2;\";Same as above", ";", "\"", {"2", "\"", "Same as above"}},  // a ditto mark is data
        {"2;x;\"", ";", "\"", {"2", "x", "\""}},                      // ... at the line end too
        {"\"", ";", "\"", {"\""}},
        {"1; \";x", ";", "\"", {"1", " \"", "x"}},                    // ... after blanks, kept
        {"\";abc\";x", ";", "\"", {";abc", "x"}},                 // a framed value that begins with
        {"1; \";a;b\"", ";", "\"", {"1", ";a;b"}},                  // the separator, as writers frame it
        {"\";\"", ";", "\"", {";"}},
        {"\";a\" ;x", ";", "\"", {";a ", "x"}},
        {"2;\";Same as \"above\" x", ";", "\"", {"2", "\"", "Same as \"above\" x"}},  // no closing frame
        {"2;\";\"K\xF6ln\";x", ";", "\"", {"2", "\"", "K\xF6ln", "x"}},  // a ditto before a framed value
        {"1;\"\";\" \";\"\"\"\"", ";", "\"", {"1", "", " ", "\""}},
        {"a,\",b", ",", "\"", {"a", "\"", "b"}},
        {"\"\";x", ";", "\"", {"", "x"}},                          // empty framed field
        {"\"\"\"\";x", ";", "\"", {"\"", "x"}},                  // a quote alone, framed
        {"a,\"b,c\",d", ",", "\"", {"a", "b,c", "d"}},
        {"a\tb\t", "\t", "\"", {"a", "b", ""}},
        {"'a;b';c", ";", "'", {"a;b", "c"}},                       // another frame character
        {"\"a;b\";c", "", "", {"a;b", "c"}},                       // empty arguments: ";" and the quote
        {"\"a;b\";c", ";xyz", "\"xyz", {"a;b", "c"}},             // only the first byte counts
        {"\xC3\xA4;\xE2\x82\xAC", ";", "\"", {"\xC3\xA4", "\xE2\x82\xAC"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FASTTOKENCSVARRAY(c.line, c.separator, c.frame), c.expected) << "line: " << c.line;
    }
}

TEST(FastTokenCsv, LongFieldIsNeverCut) {
    const std::string big(3000, 'x');
    const std::string framed(5000, 'y');
    const Fields fields = FASTTOKENCSVARRAY("a;" + big + ";\"" + framed + ";\";z", ";", "\"");
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[0], "a");
    EXPECT_EQ(fields[1], big);
    EXPECT_EQ(fields[2], framed + ";");
    EXPECT_EQ(fields[3], "z");
}

TEST(FastTokenCsv, TellsWhetherAFrameGoesOnAfterTheLine) {
    const struct {
        const char* line;
        bool open;
        Fields expected;
    } cases[] = {
        {"1;\"line one", true, {"1", "line one"}},
        {"1;\"line one\nline two\";10", false, {"1", "line one\nline two", "10"}},
        {"1;\"a\"\"", true, {"1", "a\""}},  // the doubled quote is data, the frame goes on
        {"1;ab\"", false, {"1", "ab\""}},
        {"\"\"", false, {""}},
    };
    for (const auto& c : cases) {
        Fields fields;
        bool open = !c.open;
        FASTTOKENCSVARRAY(c.line, ";", "\"", fields, open);
        EXPECT_EQ(open, c.open) << c.line;
        EXPECT_EQ(fields, c.expected) << c.line;
    }
}

// A quote alone at a field's start before the line end, or before the separator with no quote
// after it on the line, is data that could also open a frame going on after the line end: the
// shape tells it, and the frame reading counts its fields.
TEST(FastTokenCsv, ShapeTellsAQuoteThatCouldOpenAFrameOverLines) {
    const struct {
        const char* line;
        bool inFrame;
        size_t fields, fieldsAsFrame;
        bool dangling;
    } cases[] = {
        {"1;\"", false, 2, 2, true},
        {"1; \"", false, 2, 2, true},
        {"2;\";Same as above", false, 3, 2, true},
        {"2;\";a\"\"b", false, 3, 2, true},                // a doubled quote after it is data
        {"2;\";Same as \"above\" x", false, 3, 3, false},  // a quote after it: no frame over lines
        {"2;\";x\";y", false, 3, 3, false},                  // its frame closes on the line
        {"ab\";c", false, 2, 2, false},                      // not at the field's start
        {"x\";\"", true, 2, 2, true},                         // after a frame that closed
        {"x\"\";\"", true, 1, 1, false},                       // inside a frame that goes on
        {"\"\";x", false, 2, 2, false},
    };
    for (const auto& c : cases) {
        const CsvLineShape data = CSVLINESHAPE(c.line, ";", "\"", c.inFrame);
        EXPECT_EQ(data.fields, c.fields) << c.line;
        EXPECT_EQ(data.dangling, c.dangling) << c.line;
        const CsvLineShape frame = CSVLINESHAPE(c.line, ";", "\"", c.inFrame, true);
        EXPECT_EQ(frame.fields, c.fieldsAsFrame) << c.line;
        EXPECT_EQ(frame.open, c.dangling || (c.inFrame && !data.dangling && data.open)) << c.line;
    }
    // Where a frame open at a line's start closes: not at all, as writers close one, otherwise.
    EXPECT_EQ(CSVFRAMECLOSES("no quote here;x", ";", "\""), 0);
    EXPECT_EQ(CSVFRAMECLOSES("a \"\"b\"\" c", ";", "\""), 0);
    EXPECT_EQ(CSVFRAMECLOSES("text\";Bonn", ";", "\""), 1);
    EXPECT_EQ(CSVFRAMECLOSES("text\"  ", ";", "\""), 1);
    EXPECT_EQ(CSVFRAMECLOSES("say \"\"hi\"\"\";2", ";", "\""), 1);
    EXPECT_EQ(CSVFRAMECLOSES("ab\"c;d", ";", "\""), 2);
}

TEST(FastTokenCsv, NumericModeTurnsUnframedFieldsIntoNumbers) {
    const rt::Value result = FASTTOKENCSVARRAY("1,5;;\"2,5\";-3.25;abc", ";", "\"", true);
    ASSERT_TRUE(result.isArray());
    ASSERT_EQ(result.len(), 5u);
    EXPECT_DOUBLE_EQ(result.at(1).num(), 1.5);
    EXPECT_TRUE(result.at(2).isNumber());
    EXPECT_DOUBLE_EQ(result.at(2).num(), 0.0);
    EXPECT_EQ(result.at(3).str(), "2,5");
    EXPECT_DOUBLE_EQ(result.at(4).num(), -3.25);
    EXPECT_DOUBLE_EQ(result.at(5).num(), 0.0);

    const rt::Value text = FASTTOKENCSVARRAY("1,5;x", ";", "\"", false);
    EXPECT_EQ(text.at(1).str(), "1,5");
}

TEST(FastRecognisers, ValueForms) {
    struct Case {
        const char* value;
        bool number, date, logic;
    };
    const Case cases[] = {
        {"", false, false, false},
        {" -12,5", true, false, false},
        {"12 ", false, false, false},
        {"1.2.3", false, true, false},
        {"- 1", false, false, false},
        {"   ", true, false, false},
        {"+", true, false, false},
        {".", true, false, false},
        {"1e5", false, false, false},
        {"1.000,5", false, false, false},
        {"31.12.1999", false, true, false},
        {" 1.1.1", false, true, false},
        {"1.1.1 ", false, false, false},
        {"1.1", true, false, false},
        {"..", false, true, false},
        {"1.2.3.", false, false, false},
        {"01/02/2016", false, false, false},
        {".T.", false, false, true},
        {".F.", false, false, true},
        {".t.", false, false, false},
        {"T", false, false, false},
        {" .T.", false, false, false},
        {"\xB9" "2", false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FASTISNUMBER(c.value), c.number) << '"' << c.value << '"';
        EXPECT_EQ(FASTISDATE(c.value), c.date) << '"' << c.value << '"';
        EXPECT_EQ(FASTISLOGIC(c.value), c.logic) << '"' << c.value << '"';
    }
}

}  // namespace
