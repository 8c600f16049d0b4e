// The line readers on hostile files: whatever the bytes, the lines and their line ends give
// back the whole file, nothing lost, nothing invented, and the end is reached.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "functions/largefile.h"
#include "platform/runtime/files.h"
#include "test_env.h"

namespace {

struct ReadBack {
    std::vector<std::string> lines;
    std::string joined;  // every line with the line end that followed it in the file
    bool ended = false;
};

ReadBack readBack(const std::string& path, const std::string& bytes, bool utf16, size_t buffer) {
    ReadBack r;
    const int h = rt::FOpen(path);
    EXPECT_NE(h, -1);
    int64_t pos = 0;
    for (size_t guard = 0; guard <= bytes.size() + 1 && !FEOFLARGE(h); ++guard) {
        const std::string line = utf16 ? FREADLINEUNICODE(h, buffer) : FREADLINELARGE(h, buffer);
        const int64_t next = FTELLLARGE(h);
        EXPECT_GT(next, pos) << "a read must move on";
        r.lines.push_back(line);
        r.joined += bytes.substr(static_cast<size_t>(pos), static_cast<size_t>(next - pos));
        EXPECT_EQ(bytes.compare(static_cast<size_t>(pos), line.size(), line), 0) << "a line is the file's own bytes";
        pos = next;
    }
    r.ended = FEOFLARGE(h);
    EXPECT_EQ(utf16 ? FREADLINEUNICODE(h, buffer) : FREADLINELARGE(h, buffer), "");
    EXPECT_EQ(rt::FError(), 257);
    rt::FClose(h);
    return r;
}

std::string u16(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

}  // namespace

TEST(MalformedLines, EveryByteComesBackAndTheEndIsReached) {
    const auto dir = mirvano_test::temp_dir("malformed-lines");
    const std::string thirtyMb(30u << 20, 'x');
    using L = std::vector<std::string>;
    struct Case {
        const char* what;
        std::string bytes;
        bool utf16;
        size_t buffer;
        L lines;  // empty: only the whole-file check (long lines come in pieces)
        size_t pieces;
    } cases[] = {
        {"empty file", "", false, 256, {}, 0},
        {"NUL bytes are data", std::string("a\0b\r\n\0\n", 7), false, 256, {std::string("a\0b", 3), std::string(1, '\0')}, 2},
        {"mixed CR, LF and CR LF", "a\rb\nc\r\nd", false, 256, {"a", "b", "c", "d"}, 4},
        {"CR CR LF and line ends only", "\r\r\n\n\r", false, 256, {"", "", "", ""}, 4},
        {"30 MB line in pieces of the buffer", thirtyMb + "\r\nz", false, 1u << 20, {}, 32},
        {"UTF-16: odd byte count keeps the last byte", u16(u"a\r\n") + "b", true, 512, {u16(u"a"), "b"}, 2},
        {"UTF-16: lone surrogates pass unchanged", u16(u"\xD800x\r\n\xDC00"), true, 512, {u16(u"\xD800x"), u16(u"\xDC00")}, 2},
        {"UTF-16: mixed CR, LF and CR LF", u16(u"a\rb\nc\r\nd"), true, 512, {u16(u"a"), u16(u"b"), u16(u"c"), u16(u"d")}, 4},
        {"UTF-16: CR and LF bytes inside units are data", std::string("\x0D\x41\x0A\x42\r\0", 6), true, 512,
         {std::string("\x0D\x41\x0A\x42", 4)}, 1},
        {"UTF-16: 30 MB line in pieces", u16(u"y") + thirtyMb + "\r", true, 1u << 20, {}, 31},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = (dir / "f.txt").string();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
        const ReadBack r = readBack(path, c.bytes, c.utf16, c.buffer);
        EXPECT_TRUE(r.ended);
        EXPECT_TRUE(r.joined == c.bytes) << "the lines and line ends give back the whole file";
        EXPECT_EQ(r.lines.size(), c.pieces);
        if (!c.lines.empty()) {
            EXPECT_EQ(r.lines, c.lines);
        }
    }
}
