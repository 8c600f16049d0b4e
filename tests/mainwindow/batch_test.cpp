// The command-line batch: the sample table of examples/ converted CSV -> dBase -> CSV by the
// program itself, and a run into a directory that cannot be written.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "batch_util.h"
#include "test_env.h"

namespace fs = std::filesystem;

namespace {

using mirvano_test::readAll;

using batch_test::dbfread;
using batch_test::program;
using batch_test::runBatch;

}  // namespace

TEST(Batch, SampleTableToDbaseAndBack) {
    if (!fs::exists(program())) GTEST_SKIP() << "the program is not built: " << program();
    if (std::system("/usr/bin/python3 -c 'import dbfread' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3-dbfread is not installed";
    const auto dir = mirvano_test::temp_dir("batch");
    fs::create_directories(dir / "home");
    const std::string examples = mirvano_test::source_dir() + "/examples/";
    fs::copy_file(examples + "people.csv", dir / "people.csv");

    EXPECT_EQ(runBatch(dir, "people.csv", "people.dbf", examples + "csv2dbf.mcf"), 0) << readAll(dir / "log");
    EXPECT_EQ(dbfread(dir / "people.dbf"), readAll(mirvano_test::fixture("engine/expected/people.txt")));

    EXPECT_EQ(runBatch(dir, "people.dbf", "back.csv", examples + "dbf2csv.mcf"), 0) << readAll(dir / "log");
    EXPECT_EQ(readAll(dir / "back.csv"), readAll(mirvano_test::fixture("engine/expected/people_back.csv")));
}

TEST(Batch, OutputIntoADirectoryThatCannotBeWritten) {
    if (!fs::exists(program())) GTEST_SKIP() << "the program is not built: " << program();
    const auto dir = mirvano_test::temp_dir("batch-fail");
    fs::create_directories(dir / "home");
    const std::string examples = mirvano_test::source_dir() + "/examples/";
    fs::copy_file(examples + "people.csv", dir / "people.csv");
    // a directory that does not exist cannot be written by anyone, root included
    EXPECT_NE(runBatch(dir, "people.csv", (dir / "missing" / "out.dbf").string(), examples + "csv2dbf.mcf"), 0);
    EXPECT_NE(readAll(dir / "log").find("Error when creating the output dBase file"), std::string::npos)
        << readAll(dir / "log");
}
