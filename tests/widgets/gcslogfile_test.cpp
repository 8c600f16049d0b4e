// The text log file: line format, appending, reading back, and failures reported.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "test_env.h"
#include "widgets/gcslogfile.h"

using namespace widgets;
namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

const rt::Value T(true), F(false), NIL;

}  // namespace

TEST(GcsLogFile, LinesAreComposedFromTheFlags) {
    const fs::path dir = mirvano_test::temp_dir("log");
    struct Case {
        rt::Value crlf, date, time;
        std::string pattern;  // for two writes "a" and "b"
    } cases[] = {
        {NIL, NIL, NIL, "a\r\nb\r\n"},
        {F, NIL, NIL, "ab"},
        {T, T, F, "\\d{8} a\r\n\\d{8} b\r\n"},
        {T, F, T, "\\d\\d:\\d\\d:\\d\\d a\r\n\\d\\d:\\d\\d:\\d\\d b\r\n"},
        {T, T, T, "(\\d{8} \\d\\d:\\d\\d:\\d\\d [ab]\r\n){2}"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const fs::path p = dir / ("f" + std::to_string(n++) + ".log");
        GCSLOGFILE log(rt::Value(p.string()), c.crlf, c.date, c.time);
        ASSERT_TRUE(log.ISOPEN());
        EXPECT_TRUE(log.WRITE(rt::Value("a")));
        EXPECT_TRUE(log.WRITE(rt::Value("b")));
        EXPECT_EQ(log.BUFFER(), "");
        EXPECT_TRUE(log.CLOSE());
        EXPECT_TRUE(std::regex_match(slurp(p), std::regex(c.pattern))) << slurp(p);
    }
    // No text: only the stamps and the line end.
    const fs::path e = dir / "empty.log";
    GCSLOGFILE log(rt::Value(e.string()));
    EXPECT_TRUE(log.WRITE());
    EXPECT_TRUE(log.WRITELINE(rt::Value("w")));
    log.CLOSE();
    EXPECT_EQ(slurp(e), "\r\nw\r\n");
}

TEST(GcsLogFile, AppendsOrEmptiesAndDefaultsToTestLog) {
    const fs::path dir = mirvano_test::temp_dir("logappend");
    const fs::path p = dir / "app.log";
    put(p, "old\r\n");
    {
        GCSLOGFILE log(rt::Value(p.string()));
        EXPECT_TRUE(log.WRITE(rt::Value("new")));
        EXPECT_TRUE(log.CLOSE());
        EXPECT_TRUE(log.CLOSE());  // twice is fine
    }
    EXPECT_EQ(slurp(p), "old\r\nnew\r\n");
    {
        GCSLOGFILE log(rt::Value(p.string()), NIL, NIL, NIL, F);
        EXPECT_EQ(log.SIZE(), 0);
    }
    const fs::path cwd = fs::current_path();
    fs::current_path(dir);
    {
        GCSLOGFILE log;
        EXPECT_EQ(log.FILENAME(), "Test.log");
        log.WRITE(rt::Value("a"));
    }
    fs::current_path(cwd);
    EXPECT_EQ(slurp(dir / "Test.log"), "a\r\n");
}

TEST(GcsLogFile, ABackslashNameKeepsOrEmptiesTheFileTheRuntimeOpens) {
    // "sub\\app.log" names the file sub/app.log, for the existence test as for the open.
    const fs::path dir = mirvano_test::temp_dir("logbackslash");
    fs::create_directories(dir / "sub");
    struct Case {
        rt::Value append;
        std::string expected;
    } cases[] = {
        {NIL, "old\r\nnew\r\n"},
        {T, "old\r\nnew\r\n"},
        {F, "new\r\n"},
    };
    const fs::path cwd = fs::current_path();
    fs::current_path(dir);
    for (const Case& c : cases) {
        put(dir / "sub" / "app.log", "old\r\n");
        {
            GCSLOGFILE log(rt::Value("sub\\app.log"), NIL, NIL, NIL, c.append);
            EXPECT_TRUE(log.ISOPEN());
            EXPECT_TRUE(log.WRITE(rt::Value("new")));
            EXPECT_TRUE(log.CLOSE());
        }
        EXPECT_EQ(slurp(dir / "sub" / "app.log"), c.expected);
    }
    // A new file under such a name is created where the runtime puts it.
    {
        GCSLOGFILE log(rt::Value("sub\\fresh.log"));
        EXPECT_TRUE(log.WRITE(rt::Value("x")));
    }
    fs::current_path(cwd);
    EXPECT_EQ(slurp(dir / "sub" / "fresh.log"), "x\r\n");
    EXPECT_FALSE(fs::exists(dir / "sub\\app.log"));
}

TEST(GcsLogFile, ReadsBackMovesAndCounts) {
    const fs::path p = mirvano_test::temp_dir("logread") / "r.log";
    GCSLOGFILE log(rt::Value(p.string()), NIL, NIL, NIL, NIL, rt::Value(4));
    log.WRITE(rt::Value("first"));
    log.WRITE(rt::Value("2"));
    log.WRITE(rt::Value("three"));
    EXPECT_TRUE(log.ISEOF());
    EXPECT_EQ(log.READLINE(), "");
    log.GOTOP();
    EXPECT_FALSE(log.ISEOF());
    EXPECT_EQ(log.READLINE(), "firs");  // the line limit
    EXPECT_EQ(log.LASTERROR(), 0u);
    log.GOTOP();
    EXPECT_EQ(log.LINECOUNT(), 3u);
    EXPECT_EQ(log.LINECOUNT(), 0u);
    EXPECT_EQ(log.SIZE(), 17);
    EXPECT_FALSE(log.SEEK(rt::Value(0)));
    EXPECT_TRUE(log.SEEK(rt::Value(-7), rt::Value(2)));
    EXPECT_EQ(log.READLINE(), "thre");
    EXPECT_TRUE(log.SEEK(rt::Value(0), rt::Value(0)));
    log.GOBOTTOM();
    EXPECT_TRUE(log.ISEOF());
}

TEST(GcsLogFile, FailuresAreReportedAndNothingIsLost) {
    // A file that cannot be created: not open, the error kept; every call fails cleanly.
    GCSLOGFILE bad(rt::Value("/nonexistent-dir-for-log/x.log"));
    EXPECT_FALSE(bad.ISOPEN());
    EXPECT_NE(bad.LASTERROR(), 0u);
    EXPECT_FALSE(bad.WRITE(rt::Value("lost?")));
    EXPECT_EQ(bad.BUFFER(), "lost?\r\n");
    EXPECT_FALSE(bad.WRITELINE(rt::Value("x")));
    EXPECT_EQ(bad.READLINE(), "");
    EXPECT_TRUE(bad.CLOSE());

    // A device that refuses every write: the line stays pending and is reported.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "/dev/full is missing";
    GCSLOGFILE full(rt::Value("/dev/full"));
    ASSERT_TRUE(full.ISOPEN());
    EXPECT_FALSE(full.WRITE(rt::Value("one")));
    EXPECT_EQ(full.LASTERROR(), static_cast<uint32_t>(ENOSPC));
    EXPECT_FALSE(full.WRITE(rt::Value("two")));
    EXPECT_EQ(full.BUFFER(), "one\r\ntwo\r\n");
    EXPECT_FALSE(full.WRITELINE(rt::Value("three")));
    EXPECT_FALSE(full.CLOSE());  // the pending lines could not be written
    EXPECT_FALSE(full.ISOPEN());
}
