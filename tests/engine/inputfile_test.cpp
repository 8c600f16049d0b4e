// The checks an input name must pass, by input format; names keep their case.
#include <gtest/gtest.h>

#include <string>

#include "engine/inputfile.h"
#include "input_test_util.h"
#include "test_env.h"

namespace {

using engine::Format;

TEST(InputName, ExtensionChecksByFormat) {
    const auto dir = mirvano_test::temp_dir("names");
    struct Case {
        const char* file;
        Format format;
        int message;
    } cases[] = {
        {"data.txt", Format::CSV, 0},   {"DATA.CSV", Format::CSV, 0},  {"data.sdf", Format::CSV, 17},
        {"data.dbf", Format::CSV, 17},  {"data.exe", Format::CSV, 17}, {"dataf.sd", Format::CSV, 17},
        {"data.csv", Format::SDF, 17},  {"data.txt", Format::SDF, 0},  {"data.SDF", Format::SDF, 0},
        {"Data.DBF", Format::DBF, 0},   {"data.csv", Format::DBF, 16}, {"data.dbf.bak", Format::DBF, 16},
    };
    for (const Case& c : cases) {
        const std::string path = input_test::writeFile((dir / c.file).string(), "x");
        EXPECT_EQ(engine::checkInputName(path, c.format), c.message) << c.file;
    }
    // A missing input is told as the kind of file the run opens: a text file or a dBase table.
    EXPECT_EQ(engine::checkInputName((dir / "missing.csv").string(), Format::CSV), 25);
    EXPECT_EQ(engine::checkInputName((dir / "missing.txt").string(), Format::SDF), 25);
    EXPECT_EQ(engine::checkInputName((dir / "missing.dbf").string(), Format::DBF), 7);
    EXPECT_EQ(engine::checkInputName(dir.string(), Format::CSV), 25) << "a directory is no input";
    // The case of a name is kept: only the file of that exact name exists.
    input_test::writeFile((dir / "Upper.csv").string(), "x");
    EXPECT_EQ(engine::checkInputName((dir / "upper.csv").string(), Format::CSV), 25);
}

TEST(InputName, FullPathKeepsCaseAndTakesBackslashes) {
    EXPECT_EQ(engine::fullPath("/Tmp\\Sub/../Data.CSV"), "/Tmp/Data.CSV");
    EXPECT_EQ(engine::directoryOf("/a/B/c.csv"), "/a/B/");
    EXPECT_EQ(engine::directoryOf("c.csv"), "");
}

}  // namespace
