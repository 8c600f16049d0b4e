// Settings files that are damaged or were never INI files: reading finds what can be found,
// and writing one key leaves every other byte of the file as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "functions/ini.h"
#include "test_env.h"

namespace {

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(MalformedIni, ReadsWhatCanBeFoundAndWritingKeepsTheRest) {
    const auto dir = mirvano_test::temp_dir("malformed-ini");
    // Far beyond any buffer a reader might cut a value at.
    const std::string longValue(4u << 20, 'v');
    struct Case {
        const char* what;
        std::string bytes;
        const char* key;
        std::string value;  // of `key` in section "Config"
    } cases[] = {
        {"empty file", "", "A", ""},
        {"NUL bytes inside a value", std::string("[Config]\r\nA=x\0y\r\nB=2\r\n", 22), "B", "2"},
        {"a section header without its closing bracket still counts", "[Config\r\nA=1\r\n", "A", "1"},
        {"mixed CR, LF and CR LF", "[Config]\rA=1\nB=2\r\nC=3", "C", "3"},
        {"lines without '=' and a key without a name", "[Config]\r\njunk\r\n=x\r\nA=1\r\n", "A", "1"},
        {"a key before any section", "A=0\r\n[Config]\r\nA=1\r\n", "A", "1"},
        {"binary bytes", std::string("\xFF\xFE\x00[\x01]\x1A\r\n", 9), "A", ""},
        {"a UTF-8 byte-order mark before the first section", "\xEF\xBB\xBF[Config]\r\nA=1\r\n", "A", "1"},
        {"a UTF-8 byte-order mark before a key line", "\xEF\xBB\xBF" "A=0\r\n[Config]\r\nA=2\r\n", "A", "2"},
        {"a 4 MB value is read whole", "[Config]\r\nA=" + longValue + "\r\n", "A", longValue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = (dir / "MIRVANO.INI").string();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
        EXPECT_TRUE(GETINISTRING("Config", c.key, path) == c.value);

        ASSERT_TRUE(WRITEINISTRING("Config", "Neu", "1", path));
        EXPECT_EQ(GETINISTRING("Config", "Neu", path), "1");
        EXPECT_TRUE(GETINISTRING("Config", c.key, path) == c.value) << "the other values stay";
        const std::string after = readBytes(path);
        // Only the new line (and a section header or a line end before it) was added.
        EXPECT_LE(after.size(), c.bytes.size() + 24);
        size_t kept = 0;  // the old bytes appear in order in the new file
        for (char ch : after)
            if (kept < c.bytes.size() && ch == c.bytes[kept])
                ++kept;
        EXPECT_EQ(kept, c.bytes.size());
    }
}
