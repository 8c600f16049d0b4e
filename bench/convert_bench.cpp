// Conversion through the engine core, without the program's start-up:
//   convert_bench csv2dbf <in.csv> <out.dbf>   analyse the CSV, create the table, convert
//   convert_bench dbf2csv <in.dbf> <out.csv>   read the table's structure, convert
// Prints the records written and the time taken.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/analysis.h"
#include "engine/lineio.h"
#include "engine/loops.h"
#include "engine/runcontext.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "platform/win/filehandle.h"

using namespace engine;

namespace {

int csv2dbf(const std::string& in, const std::string& out) {
    LoopJob job;
    Options& o = job.options;
    o.inFormat = Format::CSV;
    o.inSeparator = ",";
    o.inFrame = "\"";
    o.inFrameText = true;
    o.inHeader = true;
    o.outFormat = Format::DBF;
    win::FileHandle h = win::OpenFile(in, 0);
    if (h < 0) return std::fprintf(stderr, "cannot open %s\n", in.c_str()), 1;
    LineReader analysisReader(h, Charset::ANSI, Charset::ANSI);
    AnalysisResult a = analyseCsv(analysisReader, o, nullRunContext());
    if (a.status != AnalysisStatus::Ok) return std::fprintf(stderr, "analysis failed\n"), 1;
    job.structIn = a.structure;
    job.posIn = a.pos;
    job.out.fields = a.structure;
    job.out.pos = a.pos;
    std::vector<db::FieldInfo> fields;
    for (const auto& f : a.structure) fields.push_back({f.name, f.type[0], f.length, f.decimals});
    std::string error;
    if (!db::DBCREATE(out, fields, &error)) return std::fprintf(stderr, "create: %s\n", error.c_str()), 1;
    db::DBSERVER table(out, true, false);
    LineReader reader(h, Charset::ANSI, workingEncoding(o));
    reader.setLineMax(analysisReader.lineMax() + 100);
    LoopInput input{&reader, nullptr};
    LoopOutput output{nullptr, 0, &table};
    LoopHooks hooks;
    LoopResult r = runConversion(job, input, output, nullRunContext(), hooks);
    table.CLOSE();
    win::CloseHandle(h);
    std::printf("%u records\n", r.count);
    return r.end == LoopEnd::Completed ? 0 : 1;
}

int dbf2csv(const std::string& in, const std::string& out) {
    LoopJob job;
    Options& o = job.options;
    o.inFormat = Format::DBF;
    o.outFormat = Format::CSV;
    o.outSeparator = ",";
    o.outFrameText = true;
    o.outHeader = true;
    db::DBSERVER table(in, true, true);
    if (!table.USED()) return std::fprintf(stderr, "cannot open %s\n", in.c_str()), 1;
    for (const auto& f : table.fields()) job.structIn.push_back({f.name, std::string(1, f.type), f.length, f.decimals});
    job.out.fields = job.structIn;
    win::FileHandle h = win::CreateFile(out);
    if (h < 0) return std::fprintf(stderr, "cannot create %s\n", out.c_str()), 1;
    LineWriter writer(h, Charset::ANSI, Charset::ANSI);
    LoopInput input{nullptr, &table};
    LoopOutput output{&writer, 0, nullptr};
    LoopHooks hooks;
    LoopResult r = runConversion(job, input, output, nullRunContext(), hooks);
    bool flushed = writer.flush();
    win::CloseHandle(h);
    std::printf("%u records\n", r.count);
    return r.end == LoopEnd::Completed && flushed ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s csv2dbf|dbf2csv <input> <output>\n", argv[0]);
        return 2;
    }
    rt::SetAnsi(true);
    rt::SetDeleted(true);
    rt::SetCentury(true);
    rt::SetDateCountry(5);  // day.month.year
    auto t0 = std::chrono::steady_clock::now();
    int rc = std::strcmp(argv[1], "csv2dbf") == 0 ? csv2dbf(argv[2], argv[3]) : dbf2csv(argv[2], argv[3]);
    auto t1 = std::chrono::steady_clock::now();
    std::printf("%.3f s\n", std::chrono::duration<double>(t1 - t0).count());
    return rc;
}
