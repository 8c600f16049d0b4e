// The SDF structure finder on any file, by given widths, header words or the column mask:
// it either reports that it found no column or gives fields that lie inside the lines.
#include <string>
#include <vector>

#include "engine/lineio.h"
#include "engine/sdfstructure.h"
#include "engine_fuzz_options.h"
#include "fuzz_util.h"
#include "platform/runtime/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t b = fuzz::takeByte(data, size);
    const uint8_t way = fuzz::takeByte(data, size);
    engine::Options o = fuzz::inputOptions(b, engine::Format::SDF);
    if (way & 1) {
        o.inLenGiven = true;
        static const char* widths[] = {"5 3", "1", "0 0 0", "3 -2 7", "99999999999 2", "x y", "", "10 20 30 40"};
        o.inLengths = widths[(way >> 1) & 7];
    }
    const std::string path =
        fuzz::writeFile("in.sdf", std::string_view(reinterpret_cast<const char*>(data), size));
    const int h = rt::FOpen(path);
    FUZZ_CHECK(h != -1);
    engine::LineReader reader(h, o.inCharset, engine::Charset::ANSI);
    engine::AnalysisResult r = engine::analyseSdf(reader, o, engine::nullRunContext());
    if (r.status == engine::AnalysisStatus::Ok) {
        FUZZ_CHECK(r.pos.size() >= r.structure.size());
        FUZZ_CHECK(r.len.size() >= r.structure.size());
        for (size_t i = 0; i < r.structure.size(); ++i) {
            FUZZ_CHECK(r.pos[i] >= 1);
            FUZZ_CHECK(r.len[i] >= 0);
            FUZZ_CHECK(r.structure[i].length >= 0);
        }
        // The conversion pass cuts each line by these starts and widths.
        engine::LineReader conversion(h, o.inCharset, fuzz::working(o));
        std::string line;
        std::vector<std::string> values;
        while (!conversion.atEnd()) {
            FUZZ_CHECK(conversion.next(line));
            engine::copySdf2ArrayOut(line, r.len, r.pos, r.structure.size(), fuzz::working(o) == engine::Charset::UTF8, values);
            FUZZ_CHECK(values.size() == r.structure.size());
        }
    } else if (r.status == engine::AnalysisStatus::Failed) {
        // no column at all, or columns that cannot be told apart without cutting a value
        FUZZ_CHECK(r.message == 63 || (r.message == 101 && r.record >= 1));
    }
    rt::FClose(h);
    return 0;
}
