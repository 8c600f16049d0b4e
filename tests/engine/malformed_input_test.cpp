// Text input that is damaged or hostile: the analysis of CSV and SDF files either accepts it
// with a structure that holds every byte, or stops with its message and the line, and the
// conversion pass then reads the same lines the analysis saw.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/analysis.h"
#include "engine/lineio.h"
#include "engine/sdfstructure.h"
#include "input_test_util.h"
#include "test_env.h"

namespace {

using engine::AnalysisStatus;
using engine::Charset;
using engine::FieldStructure;

std::string u16(std::u16string_view s) {
    std::string out;
    for (char16_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

struct Outcome {
    engine::AnalysisResult result;
    size_t conversionLines = 0;
    bool conversionWhole = true;  // every line came back with the conversion pass
};

Outcome run(const std::string& path, const engine::Options& o, bool sdf) {
    Outcome out;
    input_test::Handle file(path);
    EXPECT_NE(file.h, -1);
    engine::LineReader analysis(file.h, o.inCharset, Charset::ANSI);
    out.result = sdf ? engine::analyseSdf(analysis, o, engine::nullRunContext())
                     : engine::analyseCsv(analysis, o, engine::nullRunContext());
    if (out.result.status != AnalysisStatus::Ok)
        return out;
    EXPECT_EQ(analysis.position(), 0) << "a successful analysis rewinds";
    engine::LineReader conversion(file.h, o.inCharset, engine::workingEncoding(o));
    conversion.setLineMax(analysis.lineMax() + 100);
    std::string line;
    while (!conversion.atEnd()) {
        if (!conversion.next(line)) {
            out.conversionWhole = false;
            break;
        }
        ++out.conversionLines;
    }
    return out;
}

}  // namespace

TEST(MalformedTextInput, AnalysisAcceptsWholeOrStopsWithItsMessage) {
    const auto dir = mirvano_test::temp_dir("malformed-text");
    const std::string thirtyMb(30u << 20, 'x');
    const std::string widest(engine::kMaxLineBytes - 2, 'x');  // with ";1" the longest line read
    struct Case {
        const char* what;
        std::string bytes;
        Charset charset;
        bool sdf;
        AnalysisStatus status;
        FieldStructure structure;  // checked when the status is Ok
        size_t lines;              // lines of the conversion pass
        int message;
        long record;
    } cases[] = {
        {"empty CSV file", "", Charset::ANSI, false, AnalysisStatus::Ok, {}, 0, 0, 0},
        {"NUL bytes are data, not the end of a value", std::string("A;B\r\n1\0;x\r\n", 11), Charset::ANSI, false,
         AnalysisStatus::Ok, {{"A", "C", 2, 0}, {"B", "C", 1, 0}}, 2, 0, 0},
        {"a field on the longest line read is neither cut nor split", "A;B\r\n" + widest + ";1\r\n", Charset::ANSI,
         false, AnalysisStatus::Ok, {{"A", "C", static_cast<int>(widest.size()), 0}, {"B", "N", 1, 0}}, 2, 0, 0},
        {"a 30 MB line stops the analysis at its line", "A;B\r\n" + thirtyMb + ";1\r\n", Charset::ANSI, false,
         AnalysisStatus::Failed, {}, 0, 92, 2},
        {"mixed CR, LF and CR LF", "A;B\r1;2\n3;44\r\n5;6", Charset::ANSI, false, AnalysisStatus::Ok,
         {{"A", "N", 1, 0}, {"B", "N", 2, 0}}, 4, 0, 0},
        {"UTF-16 with an odd byte count keeps the last byte", u16(u"A;B\r\n1;2") + "\x33", Charset::UTF16, false,
         AnalysisStatus::Ok, {{"A", "N", 1, 0}, {"B", "C", 2, 0}}, 2, 0, 0},
        {"UTF-16 lone surrogate is one unknown character", u16(u"A;B\r\n\xD800;2\r\n"), Charset::UTF16, false,
         AnalysisStatus::Ok, {{"A", "C", 1, 0}, {"B", "N", 1, 0}}, 2, 0, 0},
        {"unbalanced quote stops at its line", "A;B;C\r\n1;2;3\r\n\"4;5;6\r\n7;8;9\r\n", Charset::ANSI, false,
         AnalysisStatus::Failed, {}, 0, 53, 2},
        {"a quote inside a value is a character", "A;B\r\n5\" disk;3\r\n", Charset::ANSI, false,
         AnalysisStatus::Ok, {{"A", "C", 7, 0}, {"B", "N", 1, 0}}, 2, 0, 0},
        {"a frame closed at the end of the line is fine", "A;B\r\n1;\"x;y\"\r\n", Charset::ANSI, false,
         AnalysisStatus::Ok, {{"A", "N", 1, 0}, {"B", "C", 3, 0}}, 2, 0, 0},
        {"lines of blanks and the end-of-file byte hold no record", "A;B\r\n1;2\r\n   \r\n3;4\r\n\x1A",
         Charset::ANSI, false, AnalysisStatus::Ok, {{"A", "N", 1, 0}, {"B", "N", 1, 0}}, 5, 0, 0},
        {"... and are counted in the message", "A;B\r\n  \r\n\r\n1;2;3\r\n", Charset::ANSI, false,
         AnalysisStatus::Failed, {}, 0, 53, 3},
        {"a lone quote is data", "A;B\r\n\";x\r\n1;\"\r\n", Charset::ANSI, false, AnalysisStatus::Ok,
         {{"A", "C", 1, 0}, {"B", "C", 1, 0}}, 3, 0, 0},
        {"SDF: an empty last line and the end-of-file byte hold no record", "ab 12\r\n\r\n\x1A", Charset::ANSI, true,
         AnalysisStatus::Ok, {{"F1", "C", 2, 0}, {"F2", "N", 2, 0}}, 3, 0, 0},
        {"empty SDF file", "", Charset::ANSI, true, AnalysisStatus::Failed, {}, 0, 63, 0},
        {"SDF of blank lines only", "   \r\n \r\n\r\n", Charset::ANSI, true, AnalysisStatus::Failed, {}, 0, 63, 0},
        {"SDF with NUL bytes marks their columns", std::string("ab \0\r\nab  \r\n", 11), Charset::ANSI, true,
         AnalysisStatus::Ok, {{"F1", "C", 2, 0}, {"F2", "C", 1, 0}}, 2, 0, 0},
        {"SDF line as long as the longest line read", "ab 1\r\n" + widest + "\r\n", Charset::ANSI, true,
         AnalysisStatus::Ok, {{"F1", "C", static_cast<int>(widest.size()), 0}}, 2, 0, 0},
        // The window names the line (the reader keeps its number); here the reading failed.
        {"SDF line of 30 MB stops the analysis", "ab 1\r\n" + thirtyMb + "\r\n", Charset::ANSI, true,
         AnalysisStatus::Failed, {}, 0, 25, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = input_test::writeFile((dir / (c.sdf ? "in.sdf" : "in.csv")).string(), c.bytes);
        engine::Options o;
        o.inFormat = c.sdf ? engine::Format::SDF : engine::Format::CSV;
        o.inCharset = c.charset;
        o.inSeparator = ";";
        o.inFrame = "\"";
        o.inFrameText = true;
        o.inHeader = !c.sdf;
        const Outcome r = run(path, o, c.sdf);
        EXPECT_EQ(r.result.status, c.status);
        EXPECT_EQ(r.result.message, c.message);
        EXPECT_EQ(r.result.record, c.record);
        if (c.status != AnalysisStatus::Ok)
            continue;
        EXPECT_EQ(r.result.structure, c.structure);
        EXPECT_TRUE(r.conversionWhole);
        EXPECT_EQ(r.conversionLines, c.lines);
    }
}
