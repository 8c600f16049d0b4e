#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "functions/cmdline.h"

namespace {

using Args = std::vector<std::string>;

TEST(SplitCmdLine, QuotesBackslashesAndBlanks) {
    struct Case {
        const char* line;
        bool keepFirst;
        Args expected;
    };
    const Case cases[] = {
        {"prog \"a b\" c", false, {"a b", "c"}},
        {"prog a\\\\\"b c\"", false, {"a\\b c"}},
        {"prog a\\\"b", false, {"a\"b"}},
        {"prog a\\\\b", false, {"a\\\\b"}},
        {"prog  \t a   b\t", false, {"a", "b"}},
        {"prog \"a\"\"b\"", false, {"ab"}},            // two quotes in a row add nothing
        {"prog \"open to the end", false, {"open to the end"}},
        {"prog a\\\\\\\"b", false, {"a\\\"b"}},       // three backslashes and a quote
        {"prog x\\\\", false, {"x\\\\"}},              // trailing backslashes stay
        // An empty quoted argument keeps its place, so later ones do not move up.
        {"prog \"\" x", false, {"", "x"}},
        {"prog in.csv \"\" my.mcf", false, {"in.csv", "", "my.mcf"}},
        {"prog \"  \" x", false, {"  ", "x"}},
        {"\"c:\\my prog\\p.exe\" a", true, {"c:\\my prog\\p.exe", "a"}},
        {"prog", false, {}},
        {"prog", true, {"prog"}},
        {"   ", false, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SPLITCMDLINE(c.line, c.keepFirst), c.expected) << c.line;
    }
}

TEST(SplitCmdLine, EmptyLineIsTheProcessCommandLine) {
    const Args all = SPLITCMDLINE("", true);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(std::filesystem::path(all[0]).filename(), std::filesystem::read_symlink("/proc/self/exe").filename());
    EXPECT_EQ(SPLITCMDLINE().size(), all.size() - 1);
}

}  // namespace
