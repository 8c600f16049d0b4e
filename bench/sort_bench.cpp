// Sorting and filtering a table: builds a table of N records (NAME, CITY, BORN, AMOUNT),
// then filters it on AMOUNT and writes it, sorted by CITY and BORN, to a new table through
// an index file, as a conversion does. Prints the time and the peak memory.
// Usage: sort_bench <directory> [records]   (the table is left as <directory>/t.dbf)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/sort.h"
#include "bench/bench_util.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"

using bench::peakKiB;
using bench::seconds;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <directory> [records]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const long records = argc > 2 ? std::atol(argv[2]) : 1000000;
    const std::string table = (dir / "t.dbf").string(), out = (dir / "sorted.dbf").string();
    rt::SetAnsi(true);
    rt::SetDeleted(true);

    const std::vector<db::FieldInfo> fields = {
        {"NAME", 'C', 20, 0}, {"CITY", 'C', 15, 0}, {"BORN", 'D', 8, 0}, {"AMOUNT", 'N', 10, 2}};
    std::string error;
    if (!db::DBCREATE(table, fields, &error)) {
        std::fprintf(stderr, "create: %s\n", error.c_str());
        return 1;
    }
    {
        const char* cities[] = {"Berlin", "Hamburg", "Leeds", "Oslo", "Paris", "Turin", "Lyon"};
        db::DBSERVER t(table, true, false);
        unsigned seed = 12345;
        auto next = [&seed]() { return seed = seed * 1103515245u + 12345u; };
        for (long i = 0; i < records; ++i) {
            t.APPEND();
            t.FIELDPUT(rt::Value(1), rt::Value("N" + std::to_string(next() % 100000)));
            t.FIELDPUT(rt::Value(2), rt::Value(cities[next() % 7]));
            t.FIELDPUT(rt::Value(3), rt::Value(rt::Date::fromYMD(1950 + next() % 70, 1 + next() % 12, 1 + next() % 28)));
            t.FIELDPUT(rt::Value(4), rt::Value(static_cast<double>(next() % 100000) / 100.0));
        }
    }
    if (argc > 3) return 0;  // only the table

    const auto start = std::chrono::steady_clock::now();
    long written = 0;
    {
        db::DBSERVER in(table, true, true);
        if (!in.SETFILTER("AMOUNT > 500")) return 1;
        const std::string key =
            engine::keyPart({"CITY", "C", 15, 0}) + " + " + engine::keyPart({"BORN", "D", 8, 0});
        const std::string index = (dir / "$indin.ntx").string();
        if (!in.CREATEINDEX(index, key) || !in.SETINDEX(index)) {
            std::fprintf(stderr, "index: %s\n", in.Status().c_str());
            return 1;
        }
        const double indexed = seconds(start);
        std::printf("ours: filter and index over %ld records: %.2f s\n", records, indexed);
        if (!db::DBCREATE(out, fields, &error)) return 1;
        db::DBSERVER o(out, true, false);
        for (in.GOTOP(); !in.EOF(); in.SKIP()) {
            o.APPEND();
            for (int f = 1; f <= 4; ++f) o.FIELDPUT(rt::Value(f), in.FIELDGET(rt::Value(f)));
            ++written;
        }
    }
    std::printf("ours: filter + sort of %ld records, %ld written: %.2f s, peak %ld MiB\n", records, written,
                seconds(start), peakKiB() / 1024);
    return 0;
}
