#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/runtime/runtime.h"
#include "test_env.h"

TEST(Numbers, ToInt32RoundsHalfAwayFromZeroAndSaturates) {
    const struct { double in; int32_t out; } cases[] = {
        {7.5, 8}, {-2.5, -3}, {2.4999, 2}, {-0.4, 0}, {0.5, 1}, {-0.5, -1},
        {3e9, std::numeric_limits<int32_t>::max()}, {-3e9, std::numeric_limits<int32_t>::min()},
        {2147483647.4, 2147483647}, {std::nan(""), 0},
        {std::numeric_limits<double>::infinity(), std::numeric_limits<int32_t>::max()},
    };
    for (auto c : cases) EXPECT_EQ(rt::toInt32(c.in), c.out) << c.in;
}

TEST(Numbers, StrStrZeroAndRound) {
    const struct { double n; int len, dec; const char* str; const char* zero; } cases[] = {
        {12.5, 8, 2, "   12.50", "00012.50"},
        {2.5, 3, 0, "  3", "003"},          // halves away from zero
        {-2.5, 3, 0, " -3", "-03"},
        {1.005, 6, 2, "  1.01", "001.01"},  // rounded as the decimal text reads
        {2.675, 5, 2, " 2.68", "02.68"},
        {-0.001, 5, 2, " 0.00", "00.00"},   // no "-0.00"
        {123456, 5, 0, "*****", "*****"},   // does not fit: never wrong digits
        {99.996, 5, 2, "*****", "*****"},   // rounding makes it 100.00
        {-12.5, 5, 1, "-12.5", "-12.5"},
        {-12.5, 4, 1, "****", "****"},
        {99987.5, 9, 2, " 99987.50", "099987.50"},
        {1e20, 25, 0, "    100000000000000000000", "0000100000000000000000000"},
    };
    for (auto c : cases) {
        EXPECT_EQ(rt::Str(c.n, c.len, c.dec), c.str) << c.n;
        EXPECT_EQ(rt::StrZero(c.n, c.len, c.dec), c.zero) << c.n;
    }
    EXPECT_EQ(rt::LTrim(rt::Str(42)), "42");
    EXPECT_EQ(rt::Str(42), "        42");
    EXPECT_EQ(rt::LTrim(rt::Str(5368709120.0)), "5368709120");
    EXPECT_EQ(rt::LTrim(rt::Str(0.25)), "0.25");
    EXPECT_EQ(rt::Str(std::nan(""), 4, 0), "****");
    EXPECT_EQ(rt::Str(1, 0, 0), "");

    EXPECT_DOUBLE_EQ(rt::Round(2.345, 2), 2.35);
    EXPECT_DOUBLE_EQ(rt::Round(-2.345, 2), -2.35);
    EXPECT_DOUBLE_EQ(rt::Round(1250, -2), 1300);
    EXPECT_DOUBLE_EQ(rt::Round(949, -3), 1000);
    EXPECT_DOUBLE_EQ(rt::Round(49, -3), 0);
    EXPECT_DOUBLE_EQ(rt::Floor(-1.5), -2);
    EXPECT_DOUBLE_EQ(rt::Ceiling(-1.5), -1);
}

TEST(Numbers, ValReadsTheLeadingNumber) {
    const struct { const char* text; double n; } cases[] = {
        {"12.5", 12.5}, {"  -3.25xyz", -3.25}, {"1,5", 1}, {"", 0}, {"abc", 0}, {"-", 0},
        {".5", 0.5}, {"-.5", -0.5}, {"+7", 7}, {"12.", 12}, {"1.2.3", 1.2}, {"1e3", 1},
        {"00042", 42}, {"12 34", 12},
    };
    for (auto c : cases) EXPECT_DOUBLE_EQ(rt::Val(c.text), c.n) << c.text;
}

TEST(Dates, DToCAndCToDWithFourDigitYears) {
    rt::Date d = rt::Date::fromYMD(2014, 6, 15);
    EXPECT_EQ(rt::DToC(d), "15.06.2014");
    EXPECT_EQ(rt::DToC(rt::Date()), "  .  .    ");
    EXPECT_EQ(rt::DToS(d), "20140615");
    EXPECT_EQ(rt::DToS(rt::Date()), "        ");
    EXPECT_EQ(rt::SToD("20140615"), d);

    const struct { const char* text; int y, m, d; } cases[] = {
        {"15.06.2014", 2014, 6, 15}, {" 1.2.2015 ", 2015, 2, 1}, {"15/06/2014", 2014, 6, 15},
        {"29.02.2000", 2000, 2, 29}, {"15.06.14", 1914, 6, 15},
        {"29.02.1900", 0, 0, 0}, {"31.04.2014", 0, 0, 0}, {"", 0, 0, 0}, {"  .  .    ", 0, 0, 0},
        {"15.06", 0, 0, 0}, {"15.06.2014x", 0, 0, 0}, {"15..06.2014", 0, 0, 0}, {"abc", 0, 0, 0},
        {"15.06.20145", 0, 0, 0}, {"0.06.2014", 0, 0, 0},
    };
    for (auto c : cases) {
        rt::Date got = rt::CToD(c.text);
        if (c.y == 0) EXPECT_TRUE(got.empty()) << c.text;
        else EXPECT_EQ(got, rt::Date::fromYMD(c.y, c.m, c.d)) << c.text;
    }
    rt::SetDateCountry(1);
    rt::SetCentury(false);
    EXPECT_EQ(rt::DToC(d), "06/15/14");
    EXPECT_EQ(rt::CToD("06/15/14"), rt::Date::fromYMD(1914, 6, 15));
    rt::SetCentury(true);
    EXPECT_EQ(rt::CToD("06/15/2014"), d);
    rt::SetDateCountry(5);

    // Date keys order by day, then month, then year.
    EXPECT_LT(rt::DToC(rt::Date::fromYMD(2015, 1, 2)), rt::DToC(rt::Date::fromYMD(2014, 6, 15)));

    double s = rt::Seconds();
    EXPECT_GE(s, 0.0);
    EXPECT_LT(s, 86401.0);
    EXPECT_EQ(rt::Time().size(), 8u);
}

TEST(Strings, TextFunctions) {
    EXPECT_EQ(rt::AllTrim("  a b  "), "a b");
    EXPECT_EQ(rt::LTrim("  a "), "a ");
    EXPECT_EQ(rt::Trim("  a "), "  a");
    EXPECT_EQ(rt::PadR("ab", 4), "ab  ");
    EXPECT_EQ(rt::PadL("ab", 4), "  ab");
    EXPECT_EQ(rt::PadL("abcdef", 3), "abc");
    EXPECT_EQ(rt::PadR("ab", -1), "");
    EXPECT_EQ(rt::Left("abc", 5), "abc");
    EXPECT_EQ(rt::Right("abc", 2), "bc");
    EXPECT_EQ(rt::Right("abc", 9), "abc");
    EXPECT_EQ(rt::SubStr("abcdef", 2, 3), "bcd");
    EXPECT_EQ(rt::SubStr("abcdef", 4), "def");
    EXPECT_EQ(rt::SubStr("abcdef", -2), "ef");
    EXPECT_EQ(rt::SubStr("abcdef", 7), "");
    EXPECT_EQ(rt::At("cd", "abcdcd"), 3u);
    EXPECT_EQ(rt::At("", "abc"), 0u);
    EXPECT_TRUE(rt::InString("bc", "abc"));
    EXPECT_FALSE(rt::InString("x", "abc"));

    const struct { const char* text; const char* search; const char* repl; int start, count; const char* out; } tran[] = {
        {"a,b,c", ",", ".", 1, -1, "a.b.c"},
        {"a,b,c", ",", ".", 1, 1, "a.b,c"},
        {"a,b,c", ",", ".", 2, 1, "a,b.c"},
        {"a,b,c", ",", "", 1, -1, "abc"},
        {"aaa", "aa", "b", 1, -1, "ba"},
        {"abc", "", "x", 1, -1, "abc"},
    };
    for (auto c : tran) EXPECT_EQ(rt::StrTran(c.text, c.search, c.repl, c.start, c.count), c.out) << c.text;

    // Case mapping: code page 1252 letters, and UTF-8 text kept valid UTF-8.
    EXPECT_EQ(rt::Upper("m\xFC" "ller \x9A"), "M\xDC" "LLER \x8A");
    EXPECT_EQ(rt::Lower("M\xDC" "LLER"), "m\xFC" "ller");
    EXPECT_EQ(rt::Upper("m\xC3\xBCller"), "M\xC3\x9CLLER");
    EXPECT_EQ(rt::Upper("\xE2\x82\xAC" "a"), "\xE2\x82\xAC" "A");  // the euro sign survives

    EXPECT_EQ(rt::Logic2Bin(true), std::string(1, '\x01'));
    EXPECT_EQ(rt::Logic2Bin(false), std::string(1, '\x00'));
    EXPECT_LT(rt::Logic2Bin(false), rt::Logic2Bin(true));

    EXPECT_TRUE(rt::Empty(rt::Value()));
    EXPECT_TRUE(rt::Empty(rt::Value(" \t\r\n")));
    EXPECT_TRUE(rt::Empty(rt::Value(0)));
    EXPECT_TRUE(rt::Empty(rt::Value(rt::Date())));
    EXPECT_FALSE(rt::Empty(rt::Value("x")));
    EXPECT_TRUE(rt::IsNil(rt::Value()));

    EXPECT_TRUE(rt::EqualText("Miller", "Mil"));
    EXPECT_TRUE(rt::EqualText("Miller", ""));
    EXPECT_FALSE(rt::EqualText("Mil", "Miller"));
    EXPECT_FALSE(rt::EqualExact(rt::Value("Miller"), rt::Value("Mil")));
    EXPECT_TRUE(rt::EqualExact(rt::Value("Mil"), rt::Value("Mil")));
    rt::SetExact(true);
    EXPECT_FALSE(rt::EqualText("Miller", "Mil"));
    EXPECT_TRUE(rt::EqualText("Mil  ", "Mil"));
    rt::SetExact(false);

    EXPECT_EQ(rt::Max(3, 5).num(), 5);
    EXPECT_EQ(rt::Min(rt::Value("b"), rt::Value("a")).str(), "a");
}

TEST(Strings, OemAnsiRecodingKeepsTheLength) {
    std::string ansi = "M\xFC" "ller \xC4";  // Müller Ä in 1252
    std::string oem = rt::Ansi2Oem(ansi);
    EXPECT_EQ(oem, "M\x81" "ller \x8E");
    EXPECT_EQ(rt::Oem2Ansi(oem), ansi);
    rt::SetAnsi(false);
    EXPECT_FALSE(rt::IsAnsi());
    rt::SetAnsi(true);
    EXPECT_TRUE(rt::IsAnsi());
}

TEST(Arrays, SharedGrowableAndDeepCopied) {
    rt::Value a = rt::ArrayNew(3);
    EXPECT_EQ(rt::ALen(a), 3u);
    EXPECT_TRUE(a.at(1).isNil());
    rt::AFill(a, 7, 2);
    EXPECT_TRUE(a.at(1).isNil());
    EXPECT_EQ(a.at(3).num(), 7);
    rt::AAdd(a, "x");
    EXPECT_EQ(rt::AScan(a, "x"), 4u);
    EXPECT_EQ(rt::AScan(a, "y"), 0u);
    rt::AIns(a, 1);
    EXPECT_EQ(rt::ALen(a), 4u);  // the last element falls off
    EXPECT_EQ(a.at(4).num(), 7);
    rt::ASize(a, 6);
    EXPECT_EQ(rt::ALen(a), 6u);
    rt::ASize(a, 2);
    EXPECT_EQ(rt::ALen(a), 2u);

    rt::Value grid = rt::ArrayNew(2, 4);
    ASSERT_EQ(rt::ALen(grid), 2u);
    EXPECT_EQ(rt::ALen(grid.at(1)), 4u);
    EXPECT_NE(grid.at(1).arr(), grid.at(2).arr());
    (*grid.at(1).arr())[0] = 1;

    rt::Value copy = rt::AClone(grid);
    (*copy.at(1).arr())[0] = 99;
    EXPECT_EQ(grid.at(1).at(1).num(), 1);  // the nested array was copied
    EXPECT_EQ(copy.at(1).at(1).num(), 99);

    rt::Value cyclic = rt::ArrayNew(1);
    (*cyclic.arr())[0] = cyclic;
    rt::Value cc = rt::AClone(cyclic);
    EXPECT_EQ(cc.at(1).arr(), cc.arr());  // the copy keeps the cycle, and terminates
    (*cyclic.arr())[0] = rt::Value();      // break the cycles so the test does not leak
    (*cc.arr())[0] = rt::Value();

    EXPECT_EQ(rt::ALen(rt::Value(3)), 0u);
    EXPECT_TRUE(rt::AAdd(rt::Value(3), 1).isNumber());  // not an array: nothing happens
}

TEST(Files, HandlesWithPositionsBeyondFourGiB) {
    auto dir = mirvano_test::temp_dir("rtfiles");
    std::string name = (dir / "big.dat").string();
    int h = rt::FCreate(name);
    ASSERT_GE(h, 0);
    const int64_t fiveGiB = 5368709120LL;
    ASSERT_EQ(::ftruncate(h, fiveGiB), 0);
    EXPECT_EQ(rt::FSeek(h, 0, 2), fiveGiB);
    EXPECT_EQ(rt::FSeek(h, 4294967296LL + 10, 0), 4294967306LL);
    EXPECT_EQ(rt::FWrite(h, "line\r\nnext"), 10u);
    EXPECT_EQ(rt::FSeek(h, -10, 1), 4294967306LL);
    std::string line;
    ASSERT_TRUE(rt::FReadLine(h, line));
    EXPECT_EQ(line, "line");
    EXPECT_EQ(rt::FSeek(h, 0, 1), 4294967312LL);
    EXPECT_TRUE(rt::FRewind(h));
    EXPECT_EQ(rt::FSeek(h, 0, 1), 0);
    EXPECT_TRUE(rt::FClose(h));

    // FOpen read-only cannot write; FCreate truncates.
    h = rt::FOpen(name, rt::FO_READ);
    ASSERT_GE(h, 0);
    EXPECT_EQ(rt::FSeek(h, 0, 2), fiveGiB);
    EXPECT_EQ(rt::FWrite(h, "x"), 0u);
    EXPECT_NE(rt::FError(), 0);
    rt::FClose(h);
    h = rt::FCreate(name);
    EXPECT_EQ(rt::FSeek(h, 0, 2), 0);
    rt::FClose(h);
    std::filesystem::remove_all(dir);
}

TEST(Files, LinesNamesCopyAndErrors) {
    auto dir = mirvano_test::temp_dir("rtnames");
    std::string a = (dir / "A.txt").string();
    int h = rt::FCreate(a);
    ASSERT_GE(h, 0);
    EXPECT_EQ(rt::FWriteLine(h, "one"), 5u);
    EXPECT_EQ(rt::FWrite(h, "two\rthree\n" + std::string(300, 'x'), 310), 310u);
    rt::FClose(h);

    h = rt::FOpen(a, rt::FO_READWRITE | 0x40);  // sharing bits are accepted
    ASSERT_GE(h, 0);
    std::vector<std::string> lines;
    std::string line;
    while (rt::FReadLine(h, line, 256)) lines.push_back(line);
    rt::FClose(h);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "one");
    EXPECT_EQ(lines[1], "two");
    EXPECT_EQ(lines[2], "three");
    EXPECT_EQ(lines[3].size(), 256u);  // a long line comes in pieces
    EXPECT_EQ(lines[4].size(), 44u);

    std::string b = (dir / "b.TXT").string();
    EXPECT_TRUE(rt::FCopy(a, b));
    EXPECT_TRUE(rt::File(b));
    EXPECT_TRUE(rt::File((dir / "*.txt").string()));
    EXPECT_FALSE(rt::File((dir / "*.dbf").string()));
    EXPECT_FALSE(rt::File(dir.string()));  // a directory is not a file
    EXPECT_EQ(rt::Directory((dir / "*.txt").string()), (std::vector<std::string>{"A.txt", "b.TXT"}));
    EXPECT_EQ(rt::Directory((dir / "?.txt").string()).size(), 2u);
    std::string backslashed = dir.string() + "\\b.TXT";
    EXPECT_TRUE(rt::File(backslashed));

    // A failed copy leaves the target as it was and no temporary file behind.
    EXPECT_FALSE(rt::FCopy((dir / "missing").string(), b));
    EXPECT_NE(rt::FError(), 0);
    EXPECT_TRUE(rt::File(b));
    EXPECT_EQ(rt::Directory((dir / "*").string()).size(), 2u);

    EXPECT_TRUE(rt::FErase(b));
    EXPECT_FALSE(rt::File(b));
    EXPECT_FALSE(rt::FErase(b));
    EXPECT_EQ(rt::FOpen((dir / "missing").string()), -1);
    EXPECT_EQ(rt::FError(0), ENOENT);
    EXPECT_EQ(rt::FError(), 0);
    std::filesystem::remove_all(dir);
}

TEST(System, WorkDirAndEnvironment) {
    std::string wd = rt::WorkDir();
    ASSERT_FALSE(wd.empty());
    EXPECT_EQ(wd.back(), '/');
    EXPECT_TRUE(rt::File(wd + "tests_platform_runtime"));
    ::setenv("MIRVANO_RT_TEST", "value", 1);
    EXPECT_EQ(rt::GetEnv("MIRVANO_RT_TEST"), "value");
    EXPECT_EQ(rt::GetEnv("MIRVANO_RT_TEST_UNSET"), "");
}

TEST(System, VersionClassTestsAndSixteenBitValues) {
    for (const char* marker : {"2.0", "2.5", "2.6", "2.7", "2.8"}) EXPECT_EQ(rt::Version().find(marker), std::string::npos);

    struct Shape : rt::Object {
        std::string className() const override { return "OBJECTELLIPSE"; }
        bool isClass(const std::string& n) const override { return n == "OBJECTELLIPSE" || n == "OBJECTSHAPE"; }
        bool hasAccess(const std::string& n) const override { return n == "NWIDTH"; }
    };
    rt::Value o(std::static_pointer_cast<rt::Object>(std::make_shared<Shape>()));
    EXPECT_TRUE(rt::IsInstanceOf(o, "ObjectShape"));
    EXPECT_FALSE(rt::IsInstanceOf(o, "Graphics"));
    EXPECT_FALSE(rt::IsInstanceOf(rt::Value("ObjectShape"), "ObjectShape"));
    EXPECT_TRUE(rt::IsAccess(o, "nWidth"));
    EXPECT_FALSE(rt::IsAccess(o, "nHeight"));

    const struct { int32_t in; double out; } words[] = {{-255, -255.0}, {255, 255.0}, {65535, -1.0}, {0x18000, -32768.0}};
    for (auto w : words) EXPECT_EQ(rt::Int16ToFloat(w.in), w.out) << w.in;
}
