// Random CSV files (frames, blanks before them, lone quotes, line breaks in values, lines
// without data, the end-of-file byte, dates that are none, both separators) converted by the
// program to dBase, CSV and SDF, and compared value for value with what Python's csv module
// reads from them (csv_differential.py). MIRVANO_DIFF_SEED chooses another seed to explore.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "batch_util.h"
#include "test_env.h"

namespace fs = std::filesystem;

TEST(CsvDifferential, RandomFilesReadAsPythonsCsvModuleReadsThem) {
    if (!fs::exists(batch_test::program()) || !batch_test::haveDbfread())
        GTEST_SKIP() << "the program or python3-dbfread is missing";
    const char* chosen = std::getenv("MIRVANO_DIFF_SEED");
    const std::string seed = chosen ? chosen : "23";
    const auto dir = mirvano_test::temp_dir("csv-differential");
    const std::string script = mirvano_test::source_dir() + "/tests/mainwindow/csv_differential.py";
    const std::string out = batch_test::command("/usr/bin/python3 '" + script + "' '" + batch_test::program().string() +
                                                "' '" + dir.string() + "' " + seed + "; echo \"script status $?\"");
    EXPECT_NE(out.find("script status 0"), std::string::npos) << out << "(files kept in " << dir << ")";
}
