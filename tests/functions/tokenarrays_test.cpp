#include "functions/tokenarrays.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/runtime/value.h"

namespace {

std::vector<std::string> strings(const rt::Value& array) {
    std::vector<std::string> out;
    EXPECT_TRUE(array.isArray());
    for (size_t i = 1; i <= array.len(); ++i) {
        EXPECT_TRUE(array.at(i).isString());
        out.push_back(array.at(i).str());
    }
    return out;
}

using Strings = std::vector<std::string>;
const std::string z2048(2048, 'z');

TEST(TokenArrays, WhiteArray) {
    struct Case {
        std::string text;
        std::string white;
        uint16_t maximum;
        Strings expected;
    };
    const std::vector<Case> cases = {
        {"  10 2,5   7 ", " ", 1000, {"10", "2,5", "7"}},
        {"a b c", " ", 2, {"a", "b"}},
        {"a b c", " ", 0, {}},
        {"", " ", 10, {}},
        {"   ", " ", 10, {}},
        {"a;b c", " ;", 10, {"a", "b", "c"}},
        {"a\tb", " ", 10, {"a\tb"}},
        {"a b", "", 10, {"a b"}},
        {"a " + z2048 + " x", " ", 10, {"a"}},  // a full token followed by more ends the split
        {"a " + z2048, " ", 10, {"a", z2048}},  // a full token at the very end is kept
        {"a " + z2048 + "z", " ", 10, {"a"}},
    };
    for (const auto& c : cases) EXPECT_EQ(strings(FASTTOKENWHITEARRAY(c.text, c.white, c.maximum, false)), c.expected) << c.text.substr(0, 20);

    const rt::Value numbers = FASTTOKENWHITEARRAY("  10 2,5   7 -1,25,3 x", " ", 1000, true);
    const std::vector<double> expected = {10, 2.5, 7, -1.25, 0};
    ASSERT_EQ(numbers.len(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(numbers.at(i + 1).isNumber());
        EXPECT_DOUBLE_EQ(numbers.at(i + 1).num(), expected[i]);
    }
}

TEST(TokenArrays, SeparatorArray) {
    struct Case {
        std::string text;
        uint16_t maximum;
        Strings expected;
    };
    const std::vector<Case> cases = {
        {"a;;b", 256, {"a", "", "b"}},
        {";a", 256, {"", "a"}},
        {"a;", 256, {"a"}},
        {";", 256, {""}},
        {"", 256, {}},
        {";;", 256, {"", ""}},
        {" a ; b ", 256, {" a ", " b "}},
        {"a;;b;c", 2, {"a", ""}},  // empty fields count
        {"a;b", 0, {}},
        {z2048 + ";x", 256, {}},
        {"x;" + z2048, 256, {"x", z2048}},
    };
    for (const auto& c : cases) EXPECT_EQ(strings(FASTTOKENSEPARRAY3(c.text, ";", c.maximum)), c.expected) << c.text.substr(0, 20);
}

TEST(TokenArrays, WhiteCount) {
    struct Case {
        std::string text;
        uint16_t n;
        std::string token;
        size_t first, last;
    };
    const std::vector<Case> cases = {
        {"ab  cd", 1, "ab", 1, 2},
        {"ab  cd", 2, "cd", 5, 6},
        {"ab  cd", 3, "", 0, 0},
        {"ab  cd", 0, "", 0, 0},
        {"  ab  cd  ", 2, "cd", 7, 8},
        {"", 1, "", 0, 0},
        {"a " + z2048, 2, z2048, 3, 2050},
        {"a " + z2048 + " b", 2, "", 0, 0},
        {"a " + z2048 + " b", 3, "", 0, 0},
    };
    for (const auto& c : cases) {
        size_t first = 99, last = 99;
        EXPECT_EQ(FASTTOKENWHITECOUNT(c.text, " ", c.n, first, last), c.token) << c.text.substr(0, 20) << " #" << c.n;
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(last, c.last);
    }
}

TEST(TokenArrays, AllTrimMulti) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"  a   b  ", "a b"}, {"a\t\tb", "a\t\tb"}, {" a \t b ", "a \t b"}, {"", ""},
        {"    ", ""},         {"abc", "abc"},       {"a b  c   d", "a b c d"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(FASTALLTRIMMULTI(in), out) << in;
}

TEST(TokenArrays, Replace) {
    struct Case {
        std::string text;
        int64_t position;
        std::string replacement;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"1,5", 2, ".", "1.5"}, {"1,5", 3, "..", "1,5"}, {"1,5", 0, "x", "x,5"}, {"1,5", -3, "x", "x,5"},
        {"1,5", 3, "x", "1,x"}, {"1,5", 4, "x", "1,5"},  {"1,5", 1, "abc", "abc"}, {"1,5", 1, "abcd", "1,5"},
        {"", 1, "", ""},        {"", 1, "x", ""},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        std::string& result = FASTREPLACE(text, c.position, c.replacement);
        EXPECT_EQ(&result, &text);
        EXPECT_EQ(text, c.expected) << c.text << " at " << c.position;
    }
}

}  // namespace
