#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "functions/ini.h"
#include "test_env.h"

namespace {

namespace fs = std::filesystem;

class IniTest : public ::testing::Test {
protected:
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const char* name = "MIRVANO.INI") const { return (dir_ / name).string(); }
    void put(const std::string& bytes) const { std::ofstream(path(), std::ios::binary) << bytes; }
    std::string bytes() const {
        std::ifstream in(path(), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    fs::path dir_ = mirvano_test::temp_dir("ini");
};

TEST_F(IniTest, WritesByteExact) {
    struct Step {
        const char* section;
        const char* key;
        const char* value;
    };
    struct Case {
        std::string before;  // "-" for no file
        std::vector<Step> steps;
        std::string after;
    };
    const Case cases[] = {
        {"-", {{"Config", "A", "1"}}, "[Config]\r\nA=1\r\n"},
        {"[Config]\r\nA=1\r\n", {{"Other", "K", "v"}}, "[Config]\r\nA=1\r\n\r\n[Other]\r\nK=v\r\n"},
        // A name inside an existing section's name is still a new section.
        {"[Config]\r\nA=1\r\n", {{"Conf", "K", "v"}}, "[Config]\r\nA=1\r\n\r\n[Conf]\r\nK=v\r\n"},
        // A new key goes after the section's last key, before the empty line.
        {"[Config]\r\nA=1\r\n\r\n[Other]\r\nK=v\r\n", {{"config", "B", "2"}},
         "[Config]\r\nA=1\r\nB=2\r\n\r\n[Other]\r\nK=v\r\n"},
        {"[Config]\r\nA=1\r\nb = old \r\n", {{"CONFIG", "B", "new"}}, "[Config]\r\nA=1\r\nB=new\r\n"},
        // Any line end is read; the untouched lines keep theirs.
        {"[Config]\nA=1\n[X]\rY=2", {{"X", "Z", "3"}, {"Config", "A", "9"}},
         "[Config]\nA=9\n[X]\rY=2\r\nZ=3\r\n"},
        {"[Config]\r\nA=1\r\n\r\n", {{"New", "K", ""}}, "[Config]\r\nA=1\r\n\r\n[New]\r\nK=\r\n"},
        {"; comment\r\n", {{"Config", "A", "1"}}, "; comment\r\n[Config]\r\nA=1\r\n"},
        {"[Config]\r\n", {{"Config", "A", "1"}}, "[Config]\r\nA=1\r\n"},
    };
    for (const auto& c : cases) {
        fs::remove(path());
        if (c.before != "-")
            put(c.before);
        for (const auto& s : c.steps)
            EXPECT_TRUE(WRITEINISTRING(s.section, s.key, s.value, path()));
        EXPECT_EQ(bytes(), c.after) << "before: " << c.before;
    }
}

TEST_F(IniTest, ReadsTrimmedWholeValues) {
    put("[Config]\r\nA=  abc  \r\nquoted=\"x\"\r\nEmpty=\r\n[Other]\nB=2\n");
    EXPECT_EQ(GETINISTRING("Config", "A", path()), "abc");
    EXPECT_EQ(GETINISTRING("config", "a", path()), "abc");
    EXPECT_EQ(GETINISTRING("Config", "quoted", path()), "\"x\"");
    EXPECT_EQ(GETINISTRING("Config", "Empty", path()), "");
    EXPECT_EQ(GETINISTRING("Config", "B", path()), "");
    EXPECT_EQ(GETINISTRING("other", "B", path()), "2");
    EXPECT_EQ(GETINISTRING("Missing", "A", path()), "");
    EXPECT_EQ(GETINISTRING("Config", "A", path("nofile.ini")), "");

    std::string longValue;
    for (int i = 0; longValue.size() < 2000; ++i)
        longValue += "NAME" + std::to_string(i) + " = 'x' .AND. ";
    longValue.resize(1999);
    longValue += ')';
    ASSERT_TRUE(WRITEINISTRING("Config", "Filter", longValue, path()));
    EXPECT_EQ(GETINISTRING("Config", "Filter", path()), longValue);
    EXPECT_EQ(GETINISTRING("Config", "A", path()), "abc");
}

TEST_F(IniTest, WritesThroughASymbolicLink) {
    put("[Config]\r\nA=1\r\n");
    fs::create_symlink(path(), path("link.ini"));
    ASSERT_TRUE(WRITEINISTRING("Config", "A", "2", path("link.ini")));
    EXPECT_TRUE(fs::is_symlink(path("link.ini")));
    EXPECT_EQ(bytes(), "[Config]\r\nA=2\r\n");
}

TEST_F(IniTest, RefusesWhatALineCannotHold) {
    put("[Config]\r\nA=1\r\n");
    EXPECT_FALSE(WRITEINISTRING("Config", "A", "two\r\nlines", path()));
    EXPECT_FALSE(WRITEINISTRING("Config", "A=B", "x", path()));
    EXPECT_FALSE(WRITEINISTRING("Con]fig", "A", "x", path()));
    EXPECT_FALSE(WRITEINISTRING("", "A", "x", path()));
    EXPECT_FALSE(WRITEINISTRING("Config", "", "x", path()));
    EXPECT_EQ(bytes(), "[Config]\r\nA=1\r\n");
    EXPECT_FALSE(WRITEINISTRING("Config", "A", "x", (dir_ / "no" / "such.ini").string()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1) << "no temporary file left";
}

}  // namespace
