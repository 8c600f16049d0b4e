// Sorting and the record filter from a settings file, run by the program as a batch: the
// filtered records in the order of a text and a date field, for text and dBase input, and
// no temporary file left behind.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/strings.h"
#include "batch_util.h"
#include "test_env.h"

namespace fs = std::filesystem;

namespace {

using mirvano_test::readAll;
using mirvano_test::writeAll;


using batch_test::program;
using batch_test::runBatch;

const char* kSortAndFilter =
    "SortConditionUse=yes\r\nSortConditionGroup=CITY;BORN\r\n"
    "RecordFilterUse=yes\r\nRecordFilterPhrase=AMOUNT > 10\r\n";

}  // namespace

TEST(SortFilterBatch, FilteredRowsInKeyOrderFromTextAndFromDbase) {
    if (!fs::exists(program())) GTEST_SKIP() << "the program is not built: " << program();
    const auto dir = mirvano_test::temp_dir("sortfilter-batch");
    fs::create_directories(dir / "home");
    writeAll(dir / "people.csv",
             "NAME;CITY;BORN;AMOUNT\r\n"
             "A;Paris;15.06.2014;20\r\n"
             "B;Leeds;02.01.2015;30\r\n"
             "C;Paris;01.01.2013;5\r\n"
             "D;Leeds;15.06.2014;11\r\n"
             "E;Paris;02.01.2015;12\r\n"
             "F;Turin;10.10.2010;50\r\n");
    const std::string examples = mirvano_test::source_dir() + "/examples/";
    writeAll(dir / "plain.mcf", readAll(examples + "csv2dbf.mcf"));
    writeAll(dir / "sorted.mcf", readAll(examples + "csv2dbf.mcf") + kSortAndFilter);
    writeAll(dir / "back.mcf", readAll(examples + "dbf2csv.mcf") + kSortAndFilter);

    ASSERT_EQ(runBatch(dir, "people.csv", "sorted.dbf", (dir / "sorted.mcf").string()), 0) << readAll(dir / "log");
    {
        rt::SetDeleted(true);
        db::DBSERVER t((dir / "sorted.dbf").string(), true, true);
        ASSERT_TRUE(t.USED()) << t.Status();
        std::string names;
        for (t.GOTOP(); !t.EOF(); t.SKIP()) names += rt::AllTrim(t.FIELDGET(rt::Value("NAME")).str());
        EXPECT_EQ(names, "DBAEF");  // Leeds 15.06.2014 before Leeds 02.01.2015
    }

    ASSERT_EQ(runBatch(dir, "people.csv", "plain.dbf", (dir / "plain.mcf").string()), 0) << readAll(dir / "log");
    ASSERT_EQ(runBatch(dir, "plain.dbf", "back.csv", (dir / "back.mcf").string()), 0) << readAll(dir / "log");
    std::string firsts;
    std::istringstream lines(readAll(dir / "back.csv"));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) firsts += line[0] == '"' ? line.substr(1, 1) : line.substr(0, 1);
    EXPECT_EQ(firsts, "NDBAEF") << readAll(dir / "back.csv");  // the header line, then the records

    for (const auto& e : fs::directory_iterator(dir))
        for (const char* temp : {"$indin", "$indout", "$tempout", "~mirvano"})
            EXPECT_EQ(e.path().filename().string().find(temp), std::string::npos) << e.path();
}
