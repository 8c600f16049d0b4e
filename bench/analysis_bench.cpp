// Analyses a CSV file (semicolon-separated, header line, decimal point) the way opening it
// does and prints the structure found and the time taken.
// Usage: analysis_bench <file> [ansi|oem|utf8|utf16, default ansi]
#include <chrono>
#include <cstdio>
#include <string>

#include "engine/analysis.h"
#include "engine/lineio.h"
#include "platform/runtime/files.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <file>\n", argv[0]);
        return 2;
    }
    const int h = rt::FOpen(argv[1]);
    if (h < 0) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    engine::Options o;
    o.inFormat = engine::Format::CSV;
    o.inSeparator = ";";
    o.inFrame = "\"";
    o.inFrameText = true;
    o.inHeader = true;
    const std::string charset = argc > 2 ? argv[2] : "ansi";
    o.inCharset = charset == "utf8"    ? engine::Charset::UTF8
                  : charset == "utf16" ? engine::Charset::UTF16
                  : charset == "oem"   ? engine::Charset::OEM
                                       : engine::Charset::ANSI;
    const auto start = std::chrono::steady_clock::now();
    engine::LineReader reader(h, o.inCharset, engine::Charset::ANSI);
    engine::AnalysisResult r = engine::analyseCsv(reader, o, engine::nullRunContext());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rt::FClose(h);
    if (r.status != engine::AnalysisStatus::Ok) {
        std::fprintf(stderr, "analysis failed (message %d, record %ld)\n", r.message, r.record);
        return 1;
    }
    std::printf("seconds %.3f  fields %zu  longest line %u  ", seconds, r.structure.size(), reader.lineMax());
    for (const engine::FieldDef& f : r.structure)
        std::printf("%s %s(%d,%d) ", f.name.c_str(), f.type.c_str(), f.length, f.decimals);
    std::printf("\n");
    return 0;
}
