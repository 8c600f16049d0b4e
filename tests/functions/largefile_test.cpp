#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "functions/largefile.h"
#include "platform/win/codepage.h"
#include "platform/runtime/files.h"
#include "platform/win/filehandle.h"
#include "test_env.h"

namespace {

using Lines = std::vector<std::string>;

class LargeFileTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (int h : handles_)
            win::CloseHandle(h);
        std::filesystem::remove_all(dir_);
    }

    win::FileHandle openWith(const std::string& bytes) {
        const std::string name = (dir_ / ("f" + std::to_string(handles_.size()))).string();
        std::ofstream(name, std::ios::binary) << bytes;
        win::FileHandle h = win::OpenFile(name, 0);
        EXPECT_GE(h, 0);
        handles_.push_back(h);
        return h;
    }

    // Every line until the end-of-file test says so, with the position after each line.
    template <typename Reader>
    Lines readAll(win::FileHandle h, Reader read, std::vector<int64_t>* positions = nullptr) {
        Lines lines;
        for (int guard = 0; !FEOFLARGE(h) && guard < 1000; ++guard) {
            lines.push_back(read(h));
            if (positions)
                positions->push_back(FTELLLARGE(h));
        }
        return lines;
    }

    std::filesystem::path dir_ = mirvano_test::temp_dir("largefile");
    std::vector<int> handles_;
};

TEST_F(LargeFileTest, EightBitLinesAndLineEnds) {
    struct Case {
        std::string bytes;
        size_t buffer;
        Lines expected;
        std::vector<int64_t> positions;
    };
    const std::string x300(300, 'x');
    const Case cases[] = {
        {"ab\r\ncd", 256, {"ab", "cd"}, {4, 6}},
        {"a\rb\nc\n", 256, {"a", "b", "c"}, {2, 4, 6}},
        {"a\r\r\nb", 256, {"a", "", "b"}, {2, 4, 5}},
        {"\n\n", 256, {"", ""}, {1, 2}},
        {x300 + "\r\nz", 256, {std::string(256, 'x'), std::string(44, 'x'), "z"}, {256, 302, 303}},
        // The CR of a CR LF pair is the last byte of the window: no empty line for the LF.
        {"abc\r\nd", 4, {"abc", "d"}, {5, 6}},
        {"abc\r", 4, {"abc"}, {4}},
        {"abc\rd", 4, {"abc", "d"}, {4, 5}},
        {"abcd\r\ne", 4, {"abcd", "", "e"}, {4, 6, 7}},
        // A window wider than the read-ahead chunk.
        {std::string(600000, 'y') + "\r\nz", 1 << 20, {std::string(600000, 'y'), "z"}, {600002, 600003}},
    };
    for (const auto& c : cases) {
        win::FileHandle h = openWith(c.bytes);
        std::vector<int64_t> positions;
        Lines lines = readAll(h, [&](win::FileHandle fh) { return FREADLINELARGE(fh, c.buffer); }, &positions);
        EXPECT_EQ(lines, c.expected) << c.bytes;
        EXPECT_EQ(positions, c.positions) << c.bytes;
        EXPECT_EQ(FREADLINELARGE(h), "");
        EXPECT_EQ(rt::FError(), win::FILE_ERROR_EOF);
    }
}

TEST_F(LargeFileTest, LinesAcrossReadAheadRefillsMatchAPlainSplit) {
    // Over a megabyte of lines of every length with mixed line ends, so that line ends and
    // CR LF pairs fall on the read-ahead's refill boundaries.
    std::string bytes;
    Lines expected;
    std::vector<int64_t> positions;
    const char* ends[] = {"\r\n", "\n", "\r"};
    for (unsigned i = 0; bytes.size() < (1u << 20) + 5000; ++i) {
        std::string line((i * 7919u) % 301, static_cast<char>('a' + i % 26));
        expected.push_back(line);
        bytes += line + ends[(i / 3) % 3];
        positions.push_back(static_cast<int64_t>(bytes.size()));
    }
    win::FileHandle h = openWith(bytes);
    std::vector<int64_t> seen;
    Lines lines;
    std::string line;
    while (!FEOFLARGE(h) && lines.size() <= expected.size()) {
        ASSERT_TRUE(FREADLINELARGE(h, 4096, line));
        lines.push_back(line);
        seen.push_back(FTELLLARGE(h));
    }
    EXPECT_TRUE(lines == expected);
    EXPECT_TRUE(seen == positions);
}

TEST_F(LargeFileTest, EmptyFileIsAtEndAtOnce) {
    win::FileHandle h = openWith("");
    EXPECT_TRUE(FEOFLARGE(h));
    EXPECT_EQ(FREADLINELARGE(h), "");
    EXPECT_EQ(rt::FError(), win::FILE_ERROR_EOF);
    EXPECT_EQ(FREADLINEUNICODE(h), "");
    EXPECT_EQ(rt::FError(), win::FILE_ERROR_EOF);
    EXPECT_EQ(FGETFILESIZE(h), 0);
}

TEST_F(LargeFileTest, Utf16LinesEndOnUnitBoundariesOnly) {
    const std::string crlf("\r\0\n\0", 4);
    const std::string a("a\0", 2), b("b\0", 2), c("c\0", 2);
    // U+0D41 then U+0100: the bytes 0D 00 straddle two units and are no line end.
    const std::string straddle("\x41\x0D\x00\x01", 4);
    struct Case {
        std::string bytes;
        size_t buffer;
        Lines expected;
    };
    const Case cases[] = {
        {a + b + crlf + c, 512, {a + b, c}},
        {a + std::string("\n\0", 2) + b + std::string("\r\0", 2) + c, 512, {a, b, c}},
        {straddle + crlf + a, 512, {straddle, a}},
        // 0D 00 ends the window and 0A 00 lies beyond it: one line end, no empty line.
        {a + b + crlf + c, 6, {a + b, c}},
        {a + b + c + crlf, 7, {a + b + c, ""}},  // odd size taken as 6: the units stay whole
        {a + b + std::string("\r\0\r\0\n\0", 6) + c, 512, {a + b, "", c}},
    };
    for (const auto& cs : cases) {
        win::FileHandle h = openWith(cs.bytes);
        Lines lines = readAll(h, [&](win::FileHandle fh) { return FREADLINEUNICODE(fh, cs.buffer); });
        EXPECT_EQ(lines, cs.expected);
    }
}

TEST_F(LargeFileTest, WholeLinesWithTheirEndsAndTheMarkSkipped) {
    using C = LineCoding;
    const std::string crlf16("\r\0\n\0", 4), a16("a\0", 2);
    // Units whose bytes hold CR or LF but are other characters: U+0A0A, U+0D01, U+010A.
    const std::string lookalikes("\x0A\x0A\x01\x0D\x0A\x01", 6);
    const std::string longLine(300000, 'x');  // wider than a read-ahead chunk
    struct Case {
        C coding;
        std::string bytes;
        Lines expected;  // each line followed by its end in angle brackets
    };
    const Case cases[] = {
        {C::Bytes, "a\r\nb\rc\nd", {"a<\r\n>", "b<\r>", "c<\n>", "d<>"}},
        {C::Bytes, "\xEF\xBB\xBF" "a", {"\xEF\xBB\xBF" "a<>"}},  // no mark in 8-bit text
        {C::Utf8, "\xEF\xBB\xBF" "a\n\xEF\xBB\xBF", {"a<\n>", "\xEF\xBB\xBF<>"}},
        {C::Utf8, "\xEF\xBB\xBF", {}},
        {C::Utf8, "\xEF\xBB", {"\xEF\xBB<>"}},
        {C::Utf16, "\xFF\xFE", {}},
        {C::Utf16, std::string("\x63\xFF\xFF\xFE", 4), {std::string("\x63\xFF\xFF\xFE<>", 6)}},
        {C::Utf16, "\xFF\xFE" + a16 + crlf16 + lookalikes + crlf16, {a16 + "<\r\n>", lookalikes + "<\r\n>"}},
        {C::Utf16, a16 + "z", {a16 + "z<>"}},  // a file cut inside a unit keeps its last byte
        {C::Bytes, longLine + "\r\n" + longLine, {longLine + "<\r\n>", longLine + "<>"}},
        {C::Bytes, std::string(65535, 'y') + "\r\nz", {std::string(65535, 'y') + "<\r\n>", "z<>"}},
    };
    for (const auto& c : cases) {
        win::FileHandle h = openWith(c.bytes);
        Lines lines;
        std::string line;
        std::string_view end;
        while (!FEOFTEXT(h, c.coding) && lines.size() < 10) {
            ASSERT_TRUE(FREADLINEWHOLE(h, c.coding, line, end)) << "the end test and the read disagree";
            lines.push_back(line + "<" + std::string(end) + ">");
        }
        EXPECT_EQ(lines, c.expected) << c.bytes.substr(0, 40);
        EXPECT_FALSE(FREADLINEWHOLE(h, c.coding, line, end));
        EXPECT_EQ(rt::FError(), win::FILE_ERROR_EOF);
        EXPECT_EQ(FTELLLARGE(h), static_cast<int64_t>(c.bytes.size()));
    }
}

TEST_F(LargeFileTest, Utf16LineConvertsToUtf8) {
    // "Bär" CR LF in UTF-16LE.
    win::FileHandle h = openWith(std::string("B\0\xE4\0r\0\r\0\n\0", 10));
    const std::string raw = FREADLINEUNICODE(h);
    ASSERT_EQ(raw, std::string("B\0\xE4\0r\0", 6));
    std::u16string wide;
    for (size_t i = 0; i + 1 < raw.size(); i += 2)
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                             (static_cast<unsigned char>(raw[i + 1]) << 8)));
    std::string utf8;
    ASSERT_TRUE(win::WideCharToMultiByte(win::CP_UTF8, wide, utf8));
    EXPECT_EQ(utf8, "\x42\xC3\xA4\x72");
    EXPECT_TRUE(FEOFLARGE(h));
}

TEST_F(LargeFileTest, BufferedPositionIsWhatOtherCallsSee) {
    win::FileHandle h = openWith("one\r\ntwo\nthree\nfour");
    EXPECT_EQ(FREADLINELARGE(h, 4096), "one");
    int64_t pos = -1;
    ASSERT_TRUE(win::SetFilePointer(h, 0, win::FILE_CURRENT, &pos));
    EXPECT_EQ(pos, 5);

    // A raw read continues right after the line just read.
    char buf[4] = {};
    size_t got = 0;
    ASSERT_TRUE(win::ReadFile(h, buf, 4, &got));
    EXPECT_EQ(std::string(buf, got), "two\n");
    EXPECT_EQ(FREADLINELARGE(h, 4096), "three");

    // The end-of-file test does not move the position; a rewind starts over.
    EXPECT_FALSE(FEOFLARGE(h));
    EXPECT_EQ(FTELLLARGE(h), 15);
    ASSERT_TRUE(win::SetFilePointer(h, 0, win::FILE_BEGIN, nullptr));
    EXPECT_EQ(FREADLINELARGE(h, 4096), "one");
    ASSERT_TRUE(win::SetFilePointer(h, -2, win::FILE_END, nullptr));
    EXPECT_EQ(FREADLINELARGE(h, 4096), "ur");
    EXPECT_TRUE(FEOFLARGE(h));
    EXPECT_EQ(FTELLLARGE(h), 19);
    // Code that works on the descriptor itself syncs first.
    ASSERT_TRUE(win::SetFilePointer(h, 4, win::FILE_BEGIN, nullptr));
    EXPECT_EQ(FREADLINELARGE(h, 4096), "");
    ASSERT_TRUE(win::FileSync(h));
    EXPECT_EQ(::lseek(h, 0, SEEK_CUR), 5);
}

TEST_F(LargeFileTest, RuntimeFileFunctionsSeeTheExactPosition) {
    const std::string a = (dir_ / "a.txt").string(), b = (dir_ / "b.txt").string();
    std::ofstream(a, std::ios::binary) << "first\nsecond\nthird";
    std::ofstream(b, std::ios::binary) << "other\n";
    int h = rt::FOpen(a);
    ASSERT_GE(h, 0);
    EXPECT_EQ(FREADLINELARGE(h, 4096), "first");
    EXPECT_EQ(rt::FSeek(h, 0, 1), 6);
    EXPECT_EQ(rt::FRead(h, 3), "sec");
    EXPECT_EQ(FREADLINELARGE(h, 4096), "ond");
    ASSERT_TRUE(rt::FRewind(h));
    EXPECT_EQ(FREADLINELARGE(h, 4096), "first");
    ASSERT_TRUE(rt::FClose(h));
    // The next file may get the same descriptor number: it must not see the old bytes.
    h = rt::FOpen(b);
    ASSERT_GE(h, 0);
    EXPECT_EQ(FREADLINELARGE(h, 4096), "other");
    EXPECT_TRUE(FEOFLARGE(h));
    EXPECT_TRUE(rt::FClose(h));
}

TEST_F(LargeFileTest, ReadErrorEndsTheFileAndIsKept) {
    // Reading a directory descriptor fails with EISDIR.
    win::FileHandle h = win::OpenFile(dir_.string(), 0);
    ASSERT_GE(h, 0);
    handles_.push_back(h);
    EXPECT_EQ(FREADLINELARGE(h), "");
    EXPECT_EQ(rt::FError(), EISDIR);
    rt::FError(0);
    EXPECT_TRUE(FEOFLARGE(h));
    EXPECT_EQ(rt::FError(), EISDIR);
    EXPECT_EQ(FREADLINEUNICODE(h), "");
    EXPECT_EQ(rt::FError(), EISDIR);

    EXPECT_TRUE(FEOFLARGE(win::INVALID_FILE_HANDLE));
    EXPECT_EQ(FGETFILESIZE(win::INVALID_FILE_HANDLE), 0);
}

TEST_F(LargeFileTest, FilesBeyondFourGigabytes) {
    const std::string name = (dir_ / "big.txt").string();
    const int64_t size = 5368709120LL;  // 5 GiB, sparse
    const int64_t at = 4294967296LL + 100;
    {
        int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        if (::ftruncate(fd, size) != 0) {
            ::close(fd);
            GTEST_SKIP() << "the temp file system cannot hold a sparse 5 GiB file";
        }
        const std::string text = "\nhello\r\nworld\n";
        ASSERT_EQ(::pwrite(fd, text.data(), text.size(), at), static_cast<ssize_t>(text.size()));
        ::close(fd);
    }
    win::FileHandle h = win::OpenFile(name, 0);
    ASSERT_GE(h, 0);
    handles_.push_back(h);
    EXPECT_EQ(FGETFILESIZE(h), size);
    int64_t pos = 0;
    ASSERT_TRUE(win::SetFilePointer(h, at, win::FILE_BEGIN, &pos));
    EXPECT_EQ(pos, at);
    EXPECT_EQ(FREADLINELARGE(h), "");
    EXPECT_EQ(FREADLINELARGE(h), "hello");
    EXPECT_EQ(FTELLLARGE(h), at + 8);
    EXPECT_EQ(FREADLINELARGE(h), "world");
    EXPECT_EQ(FTELLLARGE(h), at + 14);
    ASSERT_TRUE(win::SetFilePointer(h, -6, win::FILE_CURRENT, &pos));
    EXPECT_EQ(pos, at + 8);
    EXPECT_EQ(FREADLINELARGE(h), "world");
}

}  // namespace
