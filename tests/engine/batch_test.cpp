// The command-line batch: the sample table of examples/ converted CSV -> dBase -> CSV by the
// program itself, and a run into a directory that cannot be written.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_env.h"

namespace fs = std::filesystem;

namespace {

using mirvano_test::readAll;

fs::path program() { return fs::path(MIRVANO_BINARY_DIR) / "app" / "mirvano"; }

// Runs the program in `dir` with its own data directory; returns the exit status.
int runBatch(const fs::path& dir, const std::string& in, const std::string& out, const std::string& job) {
    std::string cmd = "cd '" + dir.string() + "' && HOME='" + (dir / "home").string() +
                      "' QT_QPA_PLATFORM=offscreen '" + program().string() + "' '" + in + "' '" + out + "' '" + job +
                      "' >'" + (dir / "log").string() + "' 2>&1";
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string dbfread(const fs::path& table) {
    std::string cmd = "/usr/bin/python3 -c \"import dbfread,sys\n"
                      "t=dbfread.DBF(sys.argv[1],encoding='cp1252',char_decode_errors='strict')\n"
                      "print([(f.name,f.type,f.length,f.decimal_count) for f in t.fields])\n"
                      "[print(list(r.values())) for r in t]\" '" +
                      table.string() + "' 2>&1";
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    if (p) ::pclose(p);
    return out;
}

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
