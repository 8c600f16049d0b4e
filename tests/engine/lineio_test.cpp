// Reading and writing text lines in the four character sets, and cutting SDF lines into
// fields by bytes or by characters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/lineio.h"
#include "input_test_util.h"
#include "test_env.h"

namespace {

using engine::Charset;

std::string u16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

TEST(LineReader, DeliversLinesInTheWorkingEncoding) {
    const auto dir = mirvano_test::temp_dir("reader");
    const std::string barUtf8 = "B\xC3\xA4r";
    const std::string barAnsi = "B\xE4r";
    const std::string barOem = "B\x84r";
    const std::string barUtf16 = std::string("B\0\xE4\0r\0", 6);
    struct Case {
        const char* name;
        std::string bytes;
        Charset input;
        Charset working;
        std::vector<std::string> lines;
    } cases[] = {
        {"UTF-16 to a text output", barUtf16 + u16("\r\n") + u16("x"), Charset::UTF16, Charset::UTF8, {barUtf8, "x"}},
        {"UTF-16 to a table", barUtf16 + u16("\n"), Charset::UTF16, Charset::ANSI, {barAnsi}},
        {"UTF-8 to a table", barUtf8 + "\r\n", Charset::UTF8, Charset::ANSI, {barAnsi}},
        {"UTF-8 unchanged", barUtf8 + "\n\n", Charset::UTF8, Charset::UTF8, {barUtf8, ""}},
        {"OEM to ANSI", barOem + "\r" + "y", Charset::OEM, Charset::ANSI, {barAnsi, "y"}},
        {"ANSI unchanged, CR LF split cases", "a\r\n\r\nb\n\rc", Charset::ANSI, Charset::ANSI, {"a", "", "b", "", "c"}},
        {"UTF-8 mark skipped", "\xEF\xBB\xBF" + barUtf8, Charset::UTF8, Charset::UTF8, {barUtf8}},
        {"UTF-16 mark skipped", "\xFF\xFE" + barUtf16, Charset::UTF16, Charset::UTF8, {barUtf8}},
        {"mark kept in ANSI input", "\xEF\xBB\xBFx", Charset::ANSI, Charset::ANSI, {"\xEF\xBB\xBFx"}},
        {"UTF-8 mark alone", "\xEF\xBB\xBF", Charset::UTF8, Charset::UTF8, {}},
        {"UTF-16 mark alone", "\xFF\xFE", Charset::UTF16, Charset::UTF8, {}},
        {"UTF-16 mark and a cut unit", "\xFF\xFEx", Charset::UTF16, Charset::UTF8, {"\xEF\xBF\xBD"}},
        {"UTF-16 mark and a line end", "\xFF\xFE" + u16("\n"), Charset::UTF16, Charset::UTF8, {""}},
        // the end-of-file byte of old xBase programs ends the last line, and only there
        {"end-of-file byte on the last line", "a\r\n\x1A", Charset::ANSI, Charset::ANSI, {"a", ""}},
        {"end-of-file bytes behind the last line", "a\r\nb\x1A\x1A", Charset::OEM, Charset::ANSI, {"a", "b"}},
        {"... followed by a line end", "a\r\n\x1A\r\n", Charset::UTF8, Charset::UTF8, {"a", ""}},
        {"... in UTF-16", u16("a\r\nb") + std::string("\x1A\0", 2), Charset::UTF16, Charset::UTF8, {"a", "b"}},
        {"the byte elsewhere is data", "a\x1A\r\n\x1A" "b", Charset::ANSI, Charset::ANSI, {"a\x1A", "\x1A" "b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = input_test::writeFile((dir / "in.txt").string(), c.bytes);
        input_test::Handle file(path);
        engine::LineReader reader(file.h, c.input, c.working);
        std::vector<std::string> lines;
        std::string line;
        // The end test and the reads agree: a line whenever the reader is not at the end,
        // none once it is.
        while (!reader.atEnd()) {
            ASSERT_TRUE(reader.next(line)) << "no line after " << lines.size();
            lines.push_back(line);
        }
        EXPECT_FALSE(reader.next(line));
        EXPECT_EQ(lines, c.lines);
        EXPECT_FALSE(reader.readFailed());

        // The analysis pass gives the same lines as ANSI.
        reader.rewind();
        std::vector<std::string> analysed;
        while (reader.nextAnalysis(line))
            analysed.push_back(line);
        ASSERT_EQ(analysed.size(), c.lines.size());
        for (size_t i = 0; i < analysed.size(); ++i) {
            std::string ansi;
            engine::convertLine(c.lines[i], c.working, Charset::ANSI, ansi);
            EXPECT_EQ(analysed[i], ansi);
        }
    }
}

// A frame that never closes joins lines only up to a bound far beyond any table's record:
// the reading stops there with the line the frame opened on, however much of the file is left.
TEST(CsvRecordReader, AFrameThatNeverClosesStopsTheReadingAtItsLine) {
    const auto dir = mirvano_test::temp_dir("open-frame");
    std::string text = "1;x\r\n\r\n2;\"open\r\n";
    while (text.size() < (4u << 20)) text += "3;more text\r\n";
    text += "4;closed\"\r\n";
    const std::string path = input_test::writeFile((dir / "in.csv").string(), text);
    input_test::Handle file(path);
    engine::LineReader reader(file.h, Charset::ANSI, Charset::ANSI);
    engine::CsvRecordReader records(reader, engine::Options(), true);
    std::vector<std::string> fields;
    ASSERT_TRUE(records.next(fields));
    EXPECT_EQ(fields, (std::vector<std::string>{"1", "x"}));
    EXPECT_FALSE(records.next(fields));
    EXPECT_TRUE(records.unclosedFrame());
    EXPECT_EQ(records.firstLine(), 3);
    EXPECT_LT(reader.position(), 2 << 20) << "the rest of the file is not read";
}

// A quote alone at a value's start before the line end (or before the separator, with no quote
// after it on the line) is read by the records around it: as the frame of a value that begins
// with a line break (or with the separator and goes on over lines), as writers write one, where
// reading it as data would leave a line with other than the structure's fields; as data (a ditto
// mark) where that reading gives whole records, named as ambiguous when the frame would too.
TEST(CsvRecordReader, ALoneQuoteOpensAFrameWhereTheRecordsNeedIt) {
    const auto dir = mirvano_test::temp_dir("lone-quote");
    using Records = std::vector<std::vector<std::string>>;
    const struct {
        const char* what;
        std::string text;
        size_t fields;
        Records records;
        long ambiguous;
    } cases[] = {
        {"a value that begins with a line break", "1,\"\r\nx\"\r\n2,y\r\n", 2, {{"1", "\r\nx"}, {"2", "y"}}, 0},
        {"ditto marks, though a frame would close", "Anna,\"\r\nBert,\"\r\nCarl,Bonn\r\n", 2,
         {{"Anna", "\""}, {"Bert", "\""}, {"Carl", "Bonn"}}, 1},
        {"a ditto mark before a quote that ends a value", "Anna,\"\r\nBert,24\"\r\n", 2, {{"Anna", "\""}, {"Bert", "24\""}}, 1},
        {"the middle column", "1,\"\r\ntext\",Bonn\r\n", 3, {{"1", "\r\ntext", "Bonn"}}, 0},
        {"a value that begins with the separator over lines", "1,\",x\r\ny\",z\r\n", 3, {{"1", ",x\r\ny", "z"}}, 0},
        {"two such values in one record", "1,\"\nx\",\"\ny\"\r\n2,a,b\r\n", 3, {{"1", "\nx", "\ny"}, {"2", "a", "b"}}, 0},
        {"an empty line inside the value", "1,\"\n\nx\"\r\n", 2, {{"1", "\n\nx"}}, 0},
        {"... and in the record after it", "1,\"\r\nx\"\r\n2,\"\n\r\ny\"\r\n", 2, {{"1", "\r\nx"}, {"2", "\n\r\ny"}}, 0},
        {"... and in a value that begins on the line", "1,\"a\n\nb\",\"\r\nx\"\r\n", 3, {{"1", "a\n\nb", "\r\nx"}}, 0},
        {"doubled quotes inside the value", "1,\"\r\nsay \"\"hi\"\"\",2\r\n", 3, {{"1", "\r\nsay \"hi\"", "2"}}, 0},
        {"a short line stays short", "Anna,\"\r\nBert,x,\"\r\nCarl,y,z\r\n", 3,
         {{"Anna", "\""}, {"Bert", "x", "\""}, {"Carl", "y", "z"}}, 0},
        {"a frame that closes otherwise than writers close one", "1,\"\r\nab\"c,d\r\n", 2, {{"1", "\""}, {"ab\"c", "d"}}, 0},
        {"a frame that would give too many fields", "1,\"\r\nx\",y\r\n", 2, {{"1", "\""}, {"x\"", "y"}}, 0},
        {"a frame that never closes", "1,\"\r\nx\r\n", 2, {{"1", "\""}, {"x"}}, 0},
        {"a value that is a line break", "1,\"\r\n\"\r\n2,y\r\n", 2, {{"1", "\r\n"}, {"2", "y"}}, 0},
        {"a ditto mark before such a value", "1,x,\"\r\n5,\"\r\nabc\",z\r\n", 3,
         {{"1", "x", "\""}, {"5", "\r\nabc", "z"}}, 0},
        {"without a structure the quote is data", "1,\"\r\nx\"\r\n", 0, {{"1", "\""}, {"x\""}}, 0},
        {"the one column", "\"\r\nx\"\r\n", 1, {{"\""}, {"x\""}}, 1},
        {"lines of blanks and TABs hold no record", "1,a\r\n\t\r\n \t \r\n\t\t\r\n2,b\r\n", 2, {{"1", "a"}, {"2", "b"}}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = input_test::writeFile((dir / "in.csv").string(), c.text);
        for (const bool analysis : {true, false}) {
            input_test::Handle file(path);
            engine::LineReader reader(file.h, Charset::ANSI, Charset::ANSI);
            engine::Options o;
            o.inSeparator = ",";
            engine::CsvRecordReader records(reader, o, analysis);
            records.setFields(c.fields);
            Records got;
            std::vector<std::string> fields;
            while (records.next(fields)) got.push_back(fields);
            EXPECT_EQ(got, c.records);
            EXPECT_EQ(records.ambiguousLine(), c.ambiguous);
            EXPECT_FALSE(records.unclosedFrame());
        }
    }
}

// One line without a line end is read only up to the bound an unclosed frame has: the reading
// stops there and names the line, and memory stays flat.
TEST(LineReader, ALineBeyondTheBoundStopsTheReadingAtIt) {
    const auto dir = mirvano_test::temp_dir("long-line");
    const std::string path = input_test::writeFile((dir / "in.csv").string(),
                                                   "A;B\r\n1;x\r\n2;" + std::string(3u << 20, 'y'));
    for (const Charset cs : {Charset::ANSI, Charset::UTF8}) {
        input_test::Handle file(path);
        engine::LineReader reader(file.h, cs, Charset::ANSI);
        std::string line;
        EXPECT_TRUE(reader.next(line));
        EXPECT_TRUE(reader.next(line));
        EXPECT_FALSE(reader.next(line));
        EXPECT_EQ(reader.overlongLine(), 3);
        EXPECT_TRUE(reader.readFailed());
        EXPECT_LT(reader.position(), 3 << 20) << "the line is not read to its end";
        EXPECT_FALSE(reader.next(line)) << "the reading stays stopped";
    }
    // A line as long as the bound is read whole.
    const std::string fits = input_test::writeFile((dir / "fits.csv").string(),
                                                   std::string(engine::kMaxLineBytes, 'z') + "\r\nend");
    input_test::Handle file(fits);
    engine::LineReader reader(file.h, Charset::ANSI, Charset::ANSI);
    std::string line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.size(), engine::kMaxLineBytes);
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line, "end");
    EXPECT_EQ(reader.overlongLine(), 0);
}

TEST(LineReader, LongestRawLineCountsBytes) {
    const auto dir = mirvano_test::temp_dir("linemax");
    const std::string path = input_test::writeFile((dir / "w.txt").string(),
                                                   u16(std::string(300, 'a')) + u16("\r\n") + u16("bb"));
    input_test::Handle file(path);
    engine::LineReader reader(file.h, Charset::UTF16, Charset::ANSI);
    std::string line;
    while (reader.nextAnalysis(line)) {
    }
    EXPECT_EQ(reader.lineMax(), 600u);
}

TEST(LineWriter, WritesLineEndsInTheOutputCharacterSet) {
    const auto dir = mirvano_test::temp_dir("writer");
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        Charset working;
        Charset output;
        std::string bytes;
    } cases[] = {
        {"UTF-8 line to UTF-16", {"B\xC3\xA4r"}, Charset::UTF8, Charset::UTF16, std::string("B\0\xE4\0r\0\r\0\n\0", 10)},
        {"ANSI line to OEM", {"B\xE4r", ""}, Charset::ANSI, Charset::OEM, "B\x84r\r\n\r\n"},
        {"ANSI line to UTF-8", {"\xE4"}, Charset::ANSI, Charset::UTF8, "\xC3\xA4\r\n"},
        {"UTF-8 line to ANSI", {"\xC3\xA4"}, Charset::UTF8, Charset::ANSI, "\xE4\r\n"},
        {"UTF-8 line to OEM", {"\xC3\xA4"}, Charset::UTF8, Charset::OEM, "\x84\r\n"},
        {"empty line in UTF-16", {""}, Charset::ANSI, Charset::UTF16, std::string("\r\0\n\0", 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (dir / "out.txt").string();
        const int h = rt::FCreate(path);
        ASSERT_NE(h, -1);
        {
            engine::LineWriter writer(h, c.working, c.output);
            for (const std::string& l : c.lines)
                EXPECT_TRUE(writer.write(l));
            EXPECT_TRUE(writer.flush());
        }
        rt::FClose(h);
        EXPECT_EQ(input_test::readFile(path), c.bytes);
    }
}

TEST(LineWriter, ReportsAFailedWrite) {
    const auto dir = mirvano_test::temp_dir("writefail");
    const std::string path = input_test::writeFile((dir / "ro.txt").string(), "");
    input_test::Handle readOnly(path, 0);  // a handle opened for reading cannot be written
    engine::LineWriter writer(readOnly.h, Charset::ANSI, Charset::ANSI);
    writer.write("x");
    EXPECT_FALSE(writer.flush());
    EXPECT_FALSE(writer.write("y"));
}

TEST(SdfCutting, ByBytesOrByCharacters) {
    const std::string utf8 = "\xC3\xA4" "bcdef";  // äbcdef
    const std::string ansi = "\xE4" "bcdef";
    std::vector<std::string> out;
    engine::copySdf2ArrayOut(utf8, {2, 2}, {1, 3}, 2, true, out);
    EXPECT_EQ(out, (std::vector<std::string>{"\xC3\xA4" "b", "cd"}));
    engine::copySdf2ArrayOut(ansi, {2, 2}, {1, 3}, 2, false, out);
    EXPECT_EQ(out, (std::vector<std::string>{"\xE4" "b", "cd"}));
    // An ANSI line (a UTF-8 input bound for a table) is cut in bytes: Ä followed by a
    // byte from 0x80 to 0xBF must not count as one character.
    engine::copySdf2ArrayOut("\xC4\xA9xy", {1, 1}, {1, 2}, 2, false, out);
    EXPECT_EQ(out, (std::vector<std::string>{"\xC4", "\xA9"}));
    // A short line gives "" for the fields past its end; a last multi-byte character stays whole.
    engine::copySdf2ArrayOut("ab", {1, 2, 2}, {1, 3, 5}, 3, true, out);
    EXPECT_EQ(out, (std::vector<std::string>{"a", "", ""}));
    engine::copySdf2ArrayOut("ab\xE2\x82\xAC", {1, 5}, {1, 3}, 2, true, out);
    EXPECT_EQ(out, (std::vector<std::string>{"a", "\xE2\x82\xAC"}));
    // A field without a start stays empty and does not shift the others.
    engine::copySdf2ArrayOut("\xC3\xA4" "bcd", {1, 1, 2}, {1, 0, 3}, 3, true, out);
    EXPECT_EQ(out, (std::vector<std::string>{"\xC3\xA4", "", "cd"}));
    engine::copySdf2ArrayOut("xy\xC3\xA4z", {2, 9}, {2, 3}, 2, true, out);
    EXPECT_EQ(out, (std::vector<std::string>{"y\xC3\xA4", "\xC3\xA4z"}));

    engine::FieldStructure s = {{"A", "C", 2, 0}, {"B", "C", 3, 0}};
    EXPECT_EQ(engine::copySdf2ArrayIn("abcdef", s, {1, 5}, 2), (std::vector<std::string>{"ab", "ef"}));
    EXPECT_EQ(engine::copySdf2ArrayIn("abc", s, {1, 5}, 2), (std::vector<std::string>{"ab", ""}));
}

TEST(PadRight, CutsOrFillsToCharactersOrBytes) {
    struct Case {
        std::string text;
        size_t width;
        bool characters;
        std::string expected;
    } cases[] = {
        {"a\xC3\xBC", 2, true, "a\xC3\xBC"},
        {"a\xC3\xBC", 3, true, "a\xC3\xBC "},
        {"a\xC3\xBC", 1, true, "a"},
        {"\xC3\xBC\xC3\xBC\xC3\xBC", 2, true, "\xC3\xBC\xC3\xBC"},
        {"a\xC3\xBC", 2, false, "a\xC3"},
        {"ab", 4, false, "ab  "},
        {"", 0, true, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(engine::padRight(c.text, c.width, c.characters), c.expected) << c.text << "/" << c.width;
}

}  // namespace

namespace {

TEST(WorkingEncoding, DecidesHowSdfColumnsAreCounted) {
    struct Case {
        engine::Format in;
        Charset charset;
        engine::Format out;
        Charset working;
    } cases[] = {
        {engine::Format::CSV, Charset::ANSI, engine::Format::CSV, Charset::ANSI},
        {engine::Format::SDF, Charset::OEM, engine::Format::SDF, Charset::ANSI},
        {engine::Format::SDF, Charset::UTF8, engine::Format::CSV, Charset::UTF8},
        {engine::Format::SDF, Charset::UTF16, engine::Format::SDF, Charset::UTF8},
        // lines bound for a table are ANSI: one byte per character
        {engine::Format::SDF, Charset::UTF8, engine::Format::DBF, Charset::ANSI},
        {engine::Format::SDF, Charset::UTF16, engine::Format::DBF, Charset::ANSI},
        {engine::Format::DBF, Charset::ANSI, engine::Format::CSV, Charset::ANSI},
    };
    for (const Case& c : cases) {
        engine::Options o;
        o.inFormat = c.in;
        o.inCharset = c.charset;
        o.outFormat = c.out;
        EXPECT_EQ(engine::workingEncoding(o), c.working);
        EXPECT_EQ(engine::countsCharacters(o), c.working == Charset::UTF8);
    }
}

}  // namespace
