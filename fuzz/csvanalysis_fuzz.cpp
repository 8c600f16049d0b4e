// The analysis of a CSV file end to end, in every character set, followed by the conversion
// pass's reading of the same file: when the analysis accepts the file, no record of the
// conversion pass may have more fields than the structure, and the conversion pass reads the
// file to its end.
#include <string>
#include <vector>

#include "engine/analysis.h"
#include "engine/lineio.h"
#include "engine_fuzz_options.h"
#include "functions/faststring.h"
#include "fuzz_util.h"
#include "platform/runtime/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t b = fuzz::takeByte(data, size);
    const bool givenLengths = size > 0 && (data[0] & 1);
    const engine::Options o = [&] {
        engine::Options x = fuzz::inputOptions(b, engine::Format::CSV);
        if (givenLengths) {
            x.inLenGiven = true;
            x.inLengths = "20 5 0 -3 999999999999 abc 3";
        }
        return x;
    }();
    const std::string path =
        fuzz::writeFile("in.csv", std::string_view(reinterpret_cast<const char*>(data), size));
    const int h = rt::FOpen(path);
    FUZZ_CHECK(h != -1);

    engine::LineReader analysis(h, o.inCharset, engine::Charset::ANSI);
    engine::AnalysisResult r = engine::analyseCsv(analysis, o, engine::nullRunContext());
    if (r.status == engine::AnalysisStatus::Ok) {
        for (const engine::FieldDef& f : r.structure) {
            FUZZ_CHECK(!f.name.empty() && f.name.size() <= 10);
            FUZZ_CHECK(f.type.empty() || f.type == "C" || f.type == "N" || f.type == "D" || f.type == "L");
            FUZZ_CHECK(f.length >= 0 && f.decimals >= 0);
        }
        FUZZ_CHECK(analysis.position() == 0);
        engine::LineReader conversion(h, o.inCharset, fuzz::working(o));
        conversion.setLineMax(analysis.lineMax() + 100);
        engine::CsvRecordReader records(conversion, o, false);
        // As the record loop reads: the header line alone, then the records by the structure.
        if (!o.inHeader) records.setFields(r.structure.size());
        std::vector<std::string> fields;
        bool first = true;
        while (records.next(fields)) {
            if (!(first && o.inHeader))
                FUZZ_CHECK(fields.size() <= r.structure.size());
            if (first) records.setFields(r.structure.size());
            first = false;
        }
        FUZZ_CHECK(!records.unclosedFrame());
        FUZZ_CHECK(conversion.atEnd());
    } else if (r.status == engine::AnalysisStatus::Failed) {
        FUZZ_CHECK(r.message != 0);
    }
    rt::FClose(h);
    return 0;
}
