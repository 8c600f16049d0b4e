// The files a batch writes, run by the built program: two copies sorting into one folder at
// once, outputs of a run that fails before its first record, and outputs replaced through a
// link, with their permissions, and refused where the user may not replace them.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "batch_util.h"
#include "test_env.h"

namespace fs = std::filesystem;

namespace {

using batch_test::Keys;
using batch_test::operator+;
using mirvano_test::readAll;
using mirvano_test::writeAll;

// `count` records named by `letter` and a number, in falling order, so that a sort shows.
std::string namesCsv(char letter, int count) {
    std::string s = "NAME;NUM\r\n";
    char name[32];
    for (int i = count; i >= 1; --i) {
        std::snprintf(name, sizeof name, "\"%c%06d\";%d\r\n", letter, i, i);
        s += name;
    }
    return s;
}

std::set<std::string> namesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

// The first value of every record, as dbfread reads the table.
std::vector<std::string> firstValues(const fs::path& table) {
    std::vector<std::string> values;
    std::istringstream lines(batch_test::command("/usr/bin/python3 -c \"import dbfread,sys\n"
                                                 "[print(list(r.values())[0]) for r in dbfread.DBF(sys.argv[1])]\" '" +
                                                 table.string() + "'"));
    for (std::string line; std::getline(lines, line);) values.push_back(line);
    return values;
}

// The first value of every line after the header of a CSV output framed in quotes.
std::vector<std::string> firstCsvValues(const fs::path& csv) {
    std::vector<std::string> values;
    std::istringstream lines(readAll(csv));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line[0] == '"') values.push_back(line.substr(1, line.find('"', 1) - 1));
    }
    return values;
}

// Whether `values` are the names of letter 1 to `count`, in rising order.
std::string checkNames(const std::vector<std::string>& values, char letter, int count) {
    if (static_cast<int>(values.size()) != count)
        return std::to_string(values.size()) + " records instead of " + std::to_string(count);
    char name[32];
    for (int i = 1; i <= count; ++i) {
        std::snprintf(name, sizeof name, "%c%06d", letter, i);
        if (values[static_cast<size_t>(i - 1)] != name)
            return "record " + std::to_string(i) + " is " + values[static_cast<size_t>(i - 1)] + ", not " + name;
    }
    return {};
}

// Settings that append to an existing output instead of overwriting it.
std::string appending(const Keys& keys) {
    std::string text = batch_test::settings(keys);
    const std::string over = "FileHandling=overwrite";
    text.replace(text.find(over), over.size(), "FileHandling=append");
    return text;
}

const Keys kSortByName = {{"SortConditionUse", "yes"}, {"SortConditionGroup", "NAME"}};
const Keys kDbfIn = {{"FileFormatIn", "dbf"}, {"CharacterSetIn", "ansi"}};
const Keys kCsvOut = {{"FileFormatOut", "csv"},      {"CharacterSetOut", "ansi"}, {"CsvSeparatorOut", "semi"},
                      {"CsvFieldFrameOut", "string"}, {"HeaderLineOut", "yes"},    {"DecimalSeparatorOut", "dot"}};

}  // namespace

// Two batches sort into one folder at the same time, text into tables (index over the output
// and the rewrite table) and tables into text (index over the input): each output holds its
// own records in order, and no file of either run stays behind.
TEST(OutputFiles, TwoCopiesSortingIntoOneFolderKeepTheirOwnRecordsAndLeaveNothing) {
    if (!batch_test::ready()) GTEST_SKIP() << "the program is not built or python3-dbfread is missing";
    const fs::path dir = mirvano_test::temp_dir("two-copies");
    const int count = 30000;
    writeAll(dir / "a.csv", namesCsv('a', count));
    writeAll(dir / "b.csv", namesCsv('b', count));
    writeAll(dir / "todbf.mcf", batch_test::settings(kSortByName + batch_test::kCsvIn + batch_test::kDbfOut));
    writeAll(dir / "tocsv.mcf", batch_test::settings(kSortByName + kDbfIn + kCsvOut));
    fs::create_directories(dir / "home");
    const std::set<std::string> before = namesIn(dir);
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        struct Step {
            const char* job;
            const char* ext;
        };
        for (const Step step : {Step{"todbf.mcf", ".dbf"}, Step{"tocsv.mcf", ".csv"}}) {
            SCOPED_TRACE(step.job);
            const std::string in = step.ext == std::string(".dbf") ? ".csv" : ".dbf";
            const std::string out = step.ext == std::string(".dbf") ? ".dbf" : "2.csv";
            const pid_t a = batch_test::start(
                batch_test::batchCommand(dir, "a" + in, "a" + out, step.job, false, dir / "home" / "a.log"));
            const pid_t b = batch_test::start(
                batch_test::batchCommand(dir, "b" + in, "b" + out, step.job, false, dir / "home" / "b.log"));
            EXPECT_EQ(batch_test::finish(a), 0) << readAll(dir / "home" / "a.log");
            EXPECT_EQ(batch_test::finish(b), 0) << readAll(dir / "home" / "b.log");
            for (const char letter : {'a', 'b'}) {
                const fs::path output = dir / (std::string(1, letter) + out);
                const auto values = step.ext == std::string(".dbf") ? firstValues(output) : firstCsvValues(output);
                EXPECT_EQ(checkNames(values, letter, count), "") << output;
            }
        }
        std::set<std::string> expected = before;
        for (const char* made : {"a.dbf", "b.dbf", "a2.csv", "b2.csv"}) expected.insert(made);
        EXPECT_EQ(namesIn(dir), expected);
    }
}

// A run refused before its first record leaves no output that was not there before, and an
// output it would have appended to as it was; a run whose filter passes no record writes
// the output with its header alone.
TEST(OutputFiles, ARunRefusedBeforeItsFirstRecordLeavesNoNewOutput) {
    if (!batch_test::ready()) GTEST_SKIP() << "the program is not built or python3-dbfread is missing";
    const Keys refused = {{"RecordFilterUse", "yes"}, {"RecordFilterPhrase", "NUM >"}};
    const Keys none = {{"RecordFilterUse", "yes"}, {"RecordFilterPhrase", "NUM > 5"}};
    struct Case {
        const char* what;
        Keys keys;
        const char* output;
        const char* old;       // the output's bytes before the run, nullptr: none
        bool ok;               // the batch ends with status 0
        const char* expected;  // the output's bytes after the run, nullptr: no output
        bool append = false;
    };
    const Case cases[] = {
        {"refused filter, new CSV", refused + kCsvOut, "new.csv", nullptr, false, nullptr},
        {"refused filter, new table", refused + batch_test::kDbfOut, "new.dbf", nullptr, false, nullptr},
        {"refused filter, CSV replaced", refused + kCsvOut, "old.csv", "old\r\n", false, "old\r\n"},
        {"refused filter, CSV appended to", refused + kCsvOut, "old.csv", "old\r\n", false, "old\r\n", true},
        {"no record passes, new CSV", none + kCsvOut, "new.csv", nullptr, true, "\"NAME\";NUM\r\n"},
        {"no record passes, new table", none + batch_test::kDbfOut, "new.dbf", nullptr, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path dir = mirvano_test::temp_dir("refused-run");
        writeAll(dir / "in.csv", "NAME;NUM\r\n\"x\";1\r\n\"y\";2\r\n");
        if (c.old) writeAll(dir / c.output, c.old);
        writeAll(dir / "job.mcf", c.append ? appending(c.keys + batch_test::kCsvIn)
                                           : batch_test::settings(c.keys + batch_test::kCsvIn));
        EXPECT_EQ(batch_test::runBatch(dir, "in.csv", c.output, (dir / "job.mcf").string()) == 0, c.ok)
            << readAll(dir / "log");
        if (!c.expected) {
            EXPECT_FALSE(fs::exists(dir / c.output)) << readAll(dir / c.output);
        } else if (fs::path(c.output).extension() == ".dbf") {
            EXPECT_EQ(firstValues(dir / c.output), std::vector<std::string>{});
            EXPECT_NE(batch_test::dbfread(dir / c.output).find("('NAME', 'C'"), std::string::npos);
        } else {
            EXPECT_EQ(readAll(dir / c.output), c.expected);
        }
        std::set<std::string> expected{"home", "in.csv", "job.mcf", "log"};
        if (c.expected) expected.insert(c.output);
        EXPECT_EQ(namesIn(dir), expected) << "no other file";
    }
}

// Replacing an output as the user who runs the batch: through a symbolic link to its target,
// keeping the old file's permissions; a write-protected file and a file in a folder that
// takes no new file are refused with a message, and the old output stays as it was. Run as
// an unprivileged user, as permissions do not bind the superuser.
TEST(OutputFiles, AnOutputIsReplacedThroughItsLinkWithItsPermissionsOrRefusedWithAMessage) {
    if (!batch_test::ready()) GTEST_SKIP() << "the program is not built or python3-dbfread is missing";
    const bool root = ::geteuid() == 0;
    const uid_t nobody = 65534;
    std::string prefix;
    if (root) {
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups";
        if (std::system((prefix + " test -x '" + batch_test::program().string() + "'").c_str()) != 0)
            GTEST_SKIP() << "running as root, and the unprivileged user 65534 cannot run " << batch_test::program()
                         << " through setpriv";
    }
    const fs::path dir = mirvano_test::temp_dir("replace-output");
    auto own = [&](const fs::path& p, fs::perms mode) {
        fs::permissions(p, mode);
        if (root) {
            EXPECT_EQ(::chown(p.c_str(), nobody, nobody), 0) << p;
        }
    };
    own(dir, fs::perms::all);
    writeAll(dir / "in.csv", "NAME;NUM\r\n\"x\";1\r\n");
    fs::permissions(dir / "in.csv", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::create_directories(dir / "home");
    own(dir / "home", fs::perms::all);
    const std::string newCsv = "\"NAME\";NUM\r\n\"x\";1\r\n";
    using P = fs::perms;
    struct Case {
        const char* what;
        const char* output;     // the name the batch is given
        const char* file;       // the file that holds the output
        P mode;                 // the old file's permissions
        P folderMode;           // its folder's
        bool replaced;
        const char* message;    // in the log when refused
    };
    const P rw = P::owner_read | P::owner_write;
    const Case cases[] = {
        {"CSV through a symbolic link", "link.csv", "real/out.csv", rw | P::group_read | P::others_read, P::all, true, ""},
        {"table through a symbolic link", "link.dbf", "real/out.dbf", rw | P::group_read | P::others_read, P::all, true, ""},
        {"permissions kept", "kept/kept.csv", "kept/kept.csv", rw | P::group_read, P::all, true, ""},
        {"write-protected file", "ro/ro.csv", "ro/ro.csv", P::owner_read | P::group_read, P::all, false,
         "is write-protected"},
        {"folder without write permission", "locked/out.csv", "locked/out.csv", P::all, P::owner_read | P::owner_exec,
         false, "No temporary file can be created in the folder "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = dir / c.file;
        const fs::path folder = file.parent_path();
        fs::create_directories(folder);
        own(folder, P::all);
        const bool table = file.extension() == ".dbf";
        const std::string old = "old\r\n";
        writeAll(file, old);
        own(file, c.mode);
        if (dir / c.output != file) fs::create_symlink(fs::path(c.file), dir / c.output);
        own(folder, c.folderMode);
        writeAll(dir / "job.mcf", batch_test::settings(batch_test::kCsvIn + (table ? batch_test::kDbfOut : kCsvOut)));
        const int status = std::system(
            batch_test::batchCommand(dir, "in.csv", c.output, (dir / "job.mcf").string(), false, {}, prefix).c_str());
        const std::string log = readAll(dir / "log");
        fs::permissions(folder, P::all);
        EXPECT_EQ(batch_test::exitStatus(status) == 0, c.replaced) << log;
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(static_cast<P>(st.st_mode & 07777), c.mode);
        if (root) {
            EXPECT_EQ(st.st_uid, nobody);
        }
        if (dir / c.output != file) {
            EXPECT_TRUE(fs::is_symlink(dir / c.output));
        }
        if (!c.replaced) {
            EXPECT_EQ(readAll(file), old);
            EXPECT_NE(log.find(c.message), std::string::npos) << log;
            EXPECT_NE(log.find(c.message == std::string("is write-protected") ? (dir / c.output).string() : folder.string()),
                      std::string::npos)
                << log;
        } else if (table) {
            EXPECT_EQ(firstValues(file), std::vector<std::string>{"x"});
        } else {
            EXPECT_EQ(readAll(file), newCsv);
        }
        for (const fs::path& place : {dir, folder})
            for (const auto& e : fs::directory_iterator(place))
                EXPECT_EQ(e.path().filename().string().find("~mirvano"), std::string::npos) << e.path();
    }
}

// Appending needs no new file in the output's folder, but sorting a table does: where the
// folder takes none, the run says which folder, and the output stays as it was.
TEST(OutputFiles, ASortWhoseFolderTakesNoFileNamesTheFolder) {
    if (!batch_test::ready()) GTEST_SKIP() << "the program is not built or python3-dbfread is missing";
    const bool root = ::geteuid() == 0;
    const std::string prefix = root ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    if (root && std::system((prefix + " test -x '" + batch_test::program().string() + "'").c_str()) != 0)
        GTEST_SKIP() << "running as root, and the unprivileged user 65534 cannot run the program through setpriv";
    const fs::path dir = mirvano_test::temp_dir("sort-locked");
    writeAll(dir / "in.csv", "NAME;NUM\r\n\"b\";2\r\n\"a\";1\r\n");
    writeAll(dir / "new.mcf", batch_test::settings(batch_test::kCsvIn + batch_test::kDbfOut));
    ASSERT_EQ(batch_test::runBatch(dir, "in.csv", "in.dbf", (dir / "new.mcf").string()), 0) << readAll(dir / "log");
    writeAll(dir / "append.mcf", appending(kSortByName + kDbfIn + kCsvOut));
    fs::create_directories(dir / "locked");
    writeAll(dir / "locked" / "out.csv", "old\r\n");
    fs::permissions(dir / "locked" / "out.csv", fs::perms::all);
    for (const fs::path& p : {dir, dir / "home"}) fs::permissions(p, fs::perms::all);
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
    const int status = std::system(batch_test::batchCommand(dir, "in.dbf", "locked/out.csv",
                                                            (dir / "append.mcf").string(), false, {}, prefix)
                                       .c_str());
    const std::string log = readAll(dir / "log");
    fs::permissions(dir / "locked", fs::perms::all);
    EXPECT_NE(batch_test::exitStatus(status), 0) << log;
    EXPECT_NE(log.find("No temporary file can be created in the folder " + (dir / "locked").string()),
              std::string::npos)
        << log;
    EXPECT_EQ(readAll(dir / "locked" / "out.csv"), "old\r\n");
    EXPECT_EQ(namesIn(dir / "locked"), std::set<std::string>{"out.csv"});
}

// Overwritten by the superuser, a file keeps the owner it had.
TEST(OutputFiles, AFileReplacedByTheSuperuserKeepsItsOwner) {
    if (!batch_test::ready()) GTEST_SKIP() << "the program is not built or python3-dbfread is missing";
    if (::geteuid() != 0) GTEST_SKIP() << "only the superuser can give a file to another user";
    const fs::path dir = mirvano_test::temp_dir("replace-owner");
    writeAll(dir / "in.csv", "NAME;NUM\r\n\"x\";1\r\n");
    writeAll(dir / "out.csv", "old\r\n");
    ASSERT_EQ(::chown((dir / "out.csv").c_str(), 65534, 65534), 0);
    fs::permissions(dir / "out.csv", fs::perms::owner_read | fs::perms::owner_write);
    writeAll(dir / "job.mcf", batch_test::settings(batch_test::kCsvIn + kCsvOut));
    ASSERT_EQ(batch_test::runBatch(dir, "in.csv", "out.csv", (dir / "job.mcf").string()), 0) << readAll(dir / "log");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "out.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(readAll(dir / "out.csv"), "\"NAME\";NUM\r\n\"x\";1\r\n");
}

// A sorted append rewrites the table in key order: through a link, the table it leads to is
// rewritten, with its permissions, and the link stays.
TEST(OutputFiles, ASortedAppendThroughALinkRewritesTheTableItLeadsTo) {
    if (!batch_test::ready()) GTEST_SKIP() << "the program is not built or python3-dbfread is missing";
    const fs::path dir = mirvano_test::temp_dir("sorted-append-link");
    fs::create_directories(dir / "real");
    fs::create_symlink("real/out.dbf", dir / "link.dbf");
    writeAll(dir / "in.csv", "NAME;NUM\r\n\"c\";3\r\n\"a\";1\r\n");
    writeAll(dir / "more.csv", "NAME;NUM\r\n\"b\";2\r\n");
    writeAll(dir / "new.mcf", batch_test::settings(batch_test::kCsvIn + batch_test::kDbfOut));
    writeAll(dir / "append.mcf", appending(kSortByName + batch_test::kCsvIn + batch_test::kDbfOut));
    ASSERT_EQ(batch_test::runBatch(dir, "in.csv", "link.dbf", (dir / "new.mcf").string()), 0) << readAll(dir / "log");
    fs::permissions(dir / "real" / "out.dbf", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_EQ(batch_test::runBatch(dir, "more.csv", "link.dbf", (dir / "append.mcf").string()), 0)
        << readAll(dir / "log");
    EXPECT_TRUE(fs::is_symlink(dir / "link.dbf"));
    EXPECT_EQ(firstValues(dir / "real" / "out.dbf"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(fs::status(dir / "real" / "out.dbf").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(dir / "real"), std::set<std::string>{"out.dbf"});
}
