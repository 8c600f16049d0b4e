// Table engine speed: appends records of 10 fields to a new table, reads them back, and
// sorts them through an index file, then copies a file of the same size with cp for
// comparison. Usage: dbf_bench <directory> [records]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_util.h"
#include "platform/db/dbserver.h"

using bench::peakKiB;
using bench::seconds;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <directory> [records]\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const long records = argc > 2 ? std::atol(argv[2]) : 1000000;
    const std::string table = (dir / "bench.dbf").string();

    const std::vector<db::FieldInfo> fields = {
        {"NAME", 'C', 20, 0},  {"CITY", 'C', 15, 0}, {"PRICE", 'N', 10, 2}, {"QTY", 'N', 8, 0},  {"BORN", 'D', 8, 0},
        {"ACTIVE", 'L', 1, 0}, {"CODE", 'C', 6, 0},  {"RATE", 'N', 12, 4},  {"NOTE", 'C', 30, 0}, {"SEEN", 'D', 8, 0},
    };
    std::string error;
    if (!db::DBCREATE(table, fields, &error)) {
        std::fprintf(stderr, "create: %s\n", error.c_str());
        return 1;
    }
    const char* names[] = {"Miller", "Smith", "\xc4rger", "Jones", "Brown", "Zimmer", "adams", "Becker"};
    const char* cities[] = {"Berlin", "Hamburg", "M\xfcnchen", "K\xf6ln", "Paris"};

    auto start = std::chrono::steady_clock::now();
    {
        db::DBSERVER t(table, true, false);
        if (!t.USED()) {
            std::fprintf(stderr, "open: %s\n", t.Status().c_str());
            return 1;
        }
        unsigned seed = 12345;
        auto next = [&seed]() { return seed = seed * 1103515245u + 12345u; };
        for (long i = 0; i < records; ++i) {
            t.APPEND();
            t.FIELDPUT(rt::Value(1), rt::Value(std::string(names[next() % 8]) + std::to_string(i % 1000)));
            t.FIELDPUT(rt::Value(2), rt::Value(cities[next() % 5]));
            t.FIELDPUT(rt::Value(3), rt::Value(static_cast<double>(static_cast<int>(next() % 2000000) - 1000000) / 100.0));
            t.FIELDPUT(rt::Value(4), rt::Value(static_cast<double>(next() % 100000)));
            t.FIELDPUT(rt::Value(5), rt::Value(rt::Date::fromJulian(2440000 + next() % 20000)));
            t.FIELDPUT(rt::Value(6), rt::Value((next() & 1) != 0));
            t.FIELDPUT(rt::Value(7), rt::Value(std::to_string(next() % 999999)));
            t.FIELDPUT(rt::Value(8), rt::Value(static_cast<double>(next() % 100000000) / 10000.0));
            t.FIELDPUT(rt::Value(9), rt::Value("note of the record"));
            t.FIELDPUT(rt::Value(10), rt::Value(rt::Date::fromJulian(2450000 + next() % 9000)));
        }
        if (!t.CLOSE()) {
            std::fprintf(stderr, "write: %s\n", t.Status().c_str());
            return 1;
        }
    }
    const double appendTime = seconds(start);
    const auto size = std::filesystem::file_size(table);

    start = std::chrono::steady_clock::now();
    long read = 0;
    double checksum = 0;
    {
        db::DBSERVER t(table, true, true);
        for (t.GOTOP(); !t.EOF(); t.SKIP()) {
            for (int f = 1; f <= 10; ++f) {
                const rt::Value v = t.FIELDGET(rt::Value(f));
                checksum += v.isNumber() ? v.num() : static_cast<double>(v.len());
            }
            ++read;
        }
    }
    const double readTime = seconds(start);

    start = std::chrono::steady_clock::now();
    long sorted = 0;
    {
        db::DBSERVER t(table, true, true);
        const std::string ntx = (dir / "$indin.ntx").string();
        if (!t.CREATEINDEX(ntx, "NAME + StrZero(100000000.0 + PRICE,11,2)") || !t.SETINDEX(ntx)) {
            std::fprintf(stderr, "index: %s\n", t.Status().c_str());
            return 1;
        }
        for (t.GOTOP(); !t.EOF(); t.SKIP()) ++sorted;
    }
    const double sortTime = seconds(start);

    const std::string copy = (dir / "copy.dbf").string();
    start = std::chrono::steady_clock::now();
    const int rc = std::system(("cp '" + table + "' '" + copy + "'").c_str());
    const double cpTime = seconds(start);

    std::printf("records            %ld (read back %ld, in index order %ld)\n", records, read, sorted);
    std::printf("table size         %.1f MB\n", static_cast<double>(size) / 1e6);
    std::printf("append + 10 puts   %.2f s (%.0f records/s)\n", appendTime, records / appendTime);
    std::printf("read 10 fields     %.2f s (%.0f records/s)\n", readTime, read / readTime);
    std::printf("index build + walk %.2f s\n", sortTime);
    std::printf("cp of the table    %.2f s%s\n", cpTime, rc == 0 ? "" : " (cp failed)");
    std::printf("append / cp        %.1fx, read / cp %.1fx\n", appendTime / cpTime, readTime / cpTime);
    std::printf("peak memory        %.1f MB\n", peakKiB() / 1024.0);
    std::printf("checksum           %.2f\n", checksum);
    return read == records && sorted == records ? 0 : 1;
}
