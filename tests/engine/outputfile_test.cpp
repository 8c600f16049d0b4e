// The files of a run: names no other run is given, erased by the run that made them and by
// no other; the file a name leads to through its links.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "engine/outputfile.h"
#include "test_env.h"

namespace fs = std::filesystem;

namespace {

std::set<std::string> namesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

}  // namespace

TEST(RunFiles, TwoRunsInOneFolderGetNamesOfTheirOwnAndEraseOnlyTheirs) {
    const fs::path dir = mirvano_test::temp_dir("run-files");
    // A file of the form the names take, made by someone else, and the program's old fixed name.
    mirvano_test::writeAll(dir / "$indin-AAAAAA.ntx", "someone else's");
    mirvano_test::writeAll(dir / "$indin.ntx", "someone else's");
    std::string error;
    std::set<std::string> made;
    {
        engine::RunFiles a, b;
        for (int i = 0; i < 20; ++i) {
            for (engine::RunFiles* run : {&a, &b}) {
                const std::string name = run->make(dir.string(), "$indin-", ".ntx", &error);
                ASSERT_FALSE(name.empty()) << error;
                EXPECT_TRUE(made.insert(name).second) << name << " was given twice";
                EXPECT_EQ(fs::path(name).parent_path(), dir);
                EXPECT_EQ(fs::path(name).extension(), ".ntx");
                EXPECT_EQ(fs::file_size(name), 0u);
            }
        }
        // A table of run a with its memo file, one handed over (renamed into place).
        const std::string table = a.make(dir.string(), "$tempout-", ".dbf", &error);
        mirvano_test::writeAll(fs::path(table).replace_extension(".dbt"), "memo");
        const std::string kept = b.make(dir.string(), "out.csv.~mirvano-", "", &error);
        fs::rename(kept, dir / "out.csv");
        b.handOver(kept);
        a.eraseAll();
        EXPECT_FALSE(fs::exists(table));
        EXPECT_FALSE(fs::exists(fs::path(table).replace_extension(".dbt")));
        EXPECT_EQ(namesIn(dir).size(), 20u + 3u) << "run b's files stay while it runs";
    }
    EXPECT_EQ(namesIn(dir), (std::set<std::string>{"$indin-AAAAAA.ntx", "$indin.ntx", "out.csv"}));
}

TEST(RunFiles, AFolderThatTakesNoFileIsTold) {
    const fs::path dir = mirvano_test::temp_dir("run-files-none");
    engine::RunFiles run;
    std::string error;
    EXPECT_EQ(run.make((dir / "missing").string(), "$indin-", ".ntx", &error), "");
    EXPECT_EQ(error, "No such file or directory");
}

TEST(FollowLinks, ANameLeadsThroughItsLinksToTheFile) {
    const fs::path dir = mirvano_test::temp_dir("follow-links");
    fs::create_directories(dir / "real");
    mirvano_test::writeAll(dir / "real" / "out.csv", "x");
    fs::create_symlink("real/out.csv", dir / "one.csv");
    fs::create_symlink("one.csv", dir / "two.csv");
    fs::create_symlink(dir / "real" / "new.csv", dir / "dangling.csv");
    fs::create_symlink("loop.csv", dir / "loop.csv");
    struct Case {
        const char* name;
        fs::path file;
    } cases[] = {
        {"plain.csv", dir / "plain.csv"},
        {"one.csv", dir / "real/out.csv"},
        {"two.csv", dir / "real/out.csv"},
        {"dangling.csv", dir / "real" / "new.csv"},
        {"loop.csv", dir / "loop.csv"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fs::path(engine::followLinks((dir / c.name).string())).lexically_normal(), c.file.lexically_normal());
    }
}

TEST(Replacement, WhatCannotBeReplacedInPlaceIsRefusedBeforeAnythingIsWritten) {
    const fs::path dir = mirvano_test::temp_dir("replacement");
    fs::create_directories(dir / "taken.csv");
    mirvano_test::writeAll(dir / "old.csv", "old");
    ::chmod((dir / "old.csv").c_str(), 0640);
    engine::RunFiles run;
    std::string temp, reason;
    EXPECT_EQ(engine::prepareReplacement((dir / "taken.csv").string(), run, &temp, &reason),
              engine::ReplaceRefusal::NotPlain);
    EXPECT_EQ(reason, "a directory stands in its place");
    EXPECT_EQ(engine::prepareReplacement("/dev/null", run, &temp, &reason), engine::ReplaceRefusal::NotPlain);
    EXPECT_FALSE(fs::exists("/dev/null.~mirvano"));

    ASSERT_EQ(engine::prepareReplacement((dir / "old.csv").string(), run, &temp, &reason), engine::ReplaceRefusal::None);
    EXPECT_EQ(fs::path(temp).parent_path(), dir);
    mirvano_test::writeAll(temp, "new");
    std::string error;
    ASSERT_TRUE(engine::commitReplacement(temp, (dir / "old.csv").string(), &error)) << error;
    run.handOver(temp);
    EXPECT_EQ(mirvano_test::readAll(dir / "old.csv"), "new");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "old.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(namesIn(dir), (std::set<std::string>{"old.csv", "taken.csv"}));
}
