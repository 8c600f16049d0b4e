// Field names in a filter text are replaced as whole identifiers only.
#include <gtest/gtest.h>

#include "engine/filtertext.h"
#include "engine/isinfile.h"

TEST(FilterText, ReplacesWholeIdentifiersOutsideLiteralsAndCalls) {
    const std::vector<engine::NameReplacement> fields = {
        {"A", "\"X\""}, {"F1", "0"}, {"F10", "0.0"}, {"NAME", "\"X\""}, {"NAME2", ".T."},
        {"LEN", "\"X\""}, {"T", "0"}, {"AND", "1"}, {"name", "never"}};
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        {"AllTrim(A) == 'A'", "AllTrim(\"X\") == 'A'"},
        {"F1 > 3 .and. F10 < 2", "0 > 3 .and. 0.0 < 2"},
        {"f10+F1", "0.0+0"},
        {"NAME2 .or. Name = \"NAME\"", ".T. .or. \"X\" = \"NAME\""},
        {"Len(LEN) > 0", "Len(\"X\") > 0"},
        {"Len (Len) > 0", "Len (\"X\") > 0"},
        {"T = 1 .and. .T.", "0 = 1 .and. .T."},
        {"AND .AND. F1", "1 .AND. 0"},
        {"F1 < 1990.01.01", "0 < 1990.01.01"},
        {"F1>3.and.F10=1", "0>3.and.0.0=1"},
        {"'unterminated F1", "'unterminated F1"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(engine::replaceFieldNames(c.in, fields), c.out) << c.in;
}

TEST(FilterText, InsertedTextIsNotScannedAgain) {
    const std::vector<engine::NameReplacement> fields = {{"A", "B"}, {"B", "A"}};
    EXPECT_EQ(engine::replaceFieldNames("A + B", fields), "B + A");
}

// A filter's workers may search a list only where every call names the same constant file.
TEST(IsInFileConstant, EveryCallNamesOneLiteralFile) {
    struct Case {
        const char* expression;
        bool constant;
        const char* file;
    } cases[] = {
        {"ISINFILE(NAME, 'a.txt')", true, "a.txt"},
        {"isinfile( SUBSTR(NAME, 1, 3) , \"a.txt\" , 2) .AND. IsInFile(CITY,'a.txt')", true, "a.txt"},
        {"ISINFILE(NAME, 'a.txt') .OR. ISINFILE(CITY, 'b.txt')", false, ""},
        {"ISINFILE(NAME, 'a' + '.txt')", false, ""},
        {"ISINFILE(NAME, cList)", false, ""},
        {"ISINFILE(NAME)", false, ""},
        {"ISINFILE(NAME, '')", true, ""},
        {"NAME = 'ISINFILE(X, \"a\")'", false, ""},
        {"MYISINFILE(NAME, 'a.txt') .OR. ISINFILE2(NAME, 'a.txt')", false, ""},
        {"AMOUNT > 5", false, ""},
    };
    for (const Case& c : cases) {
        std::string file = "untouched";
        EXPECT_EQ(engine::isInFileConstant(c.expression, file), c.constant) << c.expression;
        EXPECT_EQ(file, c.constant ? std::string(c.file) : std::string("untouched")) << c.expression;
    }
}
