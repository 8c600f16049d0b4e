#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "functions/files.h"
#include "test_env.h"

namespace {

namespace fs = std::filesystem;

TEST(FileDirectory, FileTestsAndPatterns) {
    const fs::path dir = mirvano_test::temp_dir("files");
    std::ofstream(dir / "Data.TXT") << "x";
    fs::create_directory(dir / "sub.txt");
    const std::string d = dir.string();

    EXPECT_TRUE(FFILE(d + "/Data.TXT"));
    EXPECT_FALSE(FFILE(d + "/data.txt")) << "plain names keep their case";
    EXPECT_FALSE(FFILE(d + "/sub.txt")) << "a directory is no file";
    EXPECT_FALSE(FFILE(d + "/missing"));
    EXPECT_TRUE(FFILE(d + "/*.txt"));
    EXPECT_TRUE(FFILE(d + "\\D?ta.*"));
    EXPECT_TRUE(FFILE(d + "/*.*"));
    EXPECT_FALSE(FFILE(d + "/*.csv"));
    EXPECT_FALSE(FFILE(d + "/nodir/*.txt"));
    EXPECT_FALSE(FFILE(""));

    for (const std::string& name : {d + "/sub.txt", d + "/sub.txt/", d + "\\sub.txt\\"})
        EXPECT_TRUE(ISDIR(name)) << name;
    EXPECT_FALSE(ISDIR(d + "/Data.TXT"));
    EXPECT_FALSE(ISDIR(d + "/none"));
    fs::remove_all(dir);
}

TEST(FileDirectory, MakingDirectories) {
    const fs::path dir = mirvano_test::temp_dir("mkdir");
    const std::string d = dir.string();

    EXPECT_TRUE(DIRMAKEEX(d + "/one\\"));
    EXPECT_TRUE(fs::is_directory(dir / "one"));
    EXPECT_TRUE(DIRMAKEEX(d + "/one"));
    EXPECT_FALSE(DIRMAKEEX(d + "/missing/two"));

    EXPECT_TRUE(DIRMAKEPATH(d + "\\a\\b\\c\\"));
    EXPECT_TRUE(fs::is_directory(dir / "a" / "b" / "c"));
    EXPECT_TRUE(DIRMAKEPATH(d + "/a/b/c"));

    std::ofstream(dir / "file") << "x";
    EXPECT_FALSE(DIRMAKEPATH(d + "/file/x/y"));
    EXPECT_FALSE(DIRMAKEEX(d + "/file"));
    fs::remove_all(dir);
}

}  // namespace
