// What the record loops' workers do at once: read one table through several read-only
// handles, one thread each, and build records of tables of several code pages, one builder
// per thread; each gives what it gives on one thread alone.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <string>
#include <thread>
#include <vector>

#include "db_support.h"
#include "platform/db/collation.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/expr.h"
#include "platform/runtime/settings.h"
#include "test_env.h"

namespace fs = std::filesystem;
using db::DBSERVER;
using db::FieldInfo;
using db::RecordBuilder;

namespace {

const char* const kTexts[] = {"Grüße € ok", "Łódź – 東京", "Москва 😀", "plain", "", "čćžšđ Ωμέγα"};

std::string show(const rt::Value& v) {
    if (v.isString()) return v.str();
    if (v.isLogical()) return v.log() ? "T" : "F";
    if (v.isDate()) {
        int y = 0, m = 0, d = 0;
        if (!v.date().empty()) v.date().toYMD(y, m, d);
        return std::to_string(y * 10000 + m * 100 + d);
    }
    if (v.isNumber()) {
        char buf[64];
        return std::string(buf, std::to_chars(buf, buf + sizeof buf, v.num()).ptr);
    }
    return "?";
}

// Everything a worker reads of the table, in order.
std::string readAll(DBSERVER& t) {
    std::string out;
    auto record = [&] {
        out += std::to_string(t.RECNO()) + (t.DELETED() ? "*" : " ");
        for (int i = 1; i <= static_cast<int>(t.fields().size()); ++i) {
            out += show(t.FIELDGET(i)) + "|";
            out += t.FIELDBYTES(i);
            out += "|" + t.NUMBERTEXT(i) + "|";
        }
        out += "\n";
    };
    for (t.GOTO(1); !t.EOF(); t.SKIP()) record();
    for (int64_t r = t.LASTREC(); r >= 1; r -= 7) {
        t.GOTO(r);
        record();
    }
    t.SKIP(-3);
    record();
    return out + "lost " + std::to_string(t.lostCharacters());
}

fs::path makeTable(const fs::path& file, uint8_t ldid, int records) {
    std::string error;
    EXPECT_TRUE(db::DBCREATE(file.string(),
                             std::vector<FieldInfo>{{"NAME", 'C', 14, 0}, {"AMOUNT", 'N', 10, 2}, {"BORN", 'D', 8, 0},
                                                    {"OK", 'L', 1, 0}},
                             ldid, &error))
        << error;
    DBSERVER t(file.string(), true, false);
    EXPECT_TRUE(t.setTextCodePage(65001));
    for (int i = 0; i < records; ++i) {
        t.APPEND();
        t.PUTSTRING(1, kTexts[i % 6]);
        t.PUTNUMBER(2, i * 3.25 - 500);
        t.PUTDATE(3, 1950 + i % 70, 1 + i % 12, 1 + i % 28);
        t.PUTLOGICAL(4, i % 3 == 0);
        if (i % 11 == 0) t.PUTBYTES(4, "*");  // not a logical: read as false
    }
    EXPECT_TRUE(t.CLOSE()) << t.Status();
    // Some records marked deleted, which SKIP passes over and GOTO does not.
    std::string bytes = dbtest::readFile(file);
    const size_t header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    for (int r = 5; r < records; r += 13) bytes[header + static_cast<size_t>(r) * 34] = '*';
    dbtest::writeFile(file, bytes);
    return file;
}

// A record's fields and its deletion mark, for a key evaluated away from the table.
struct RecordNames : rt::VariableScope {
    bool deleted = false;
    bool callFunction(const std::string& upperName, const std::vector<rt::Value>& args, rt::Value& out) const override {
        if (upperName != "DELETED" || !args.empty()) return false;
        out = rt::Value(deleted);
        return true;
    }
};

}  // namespace

TEST(TableThreads, ReadOnlyHandlesReadOnFourThreadsAsOnOne) {
    rt::SetAnsi(true);
    const fs::path dir = mirvano_test::temp_dir("table-threads-read");
    const fs::path file = makeTable(dir / "shared.dbf", 0x03, 4000);
    const unsigned codePages[] = {65001, 1252, 850, 65001};

    std::vector<std::string> alone;
    for (unsigned cp : codePages) {
        DBSERVER t(file.string(), true, true);
        EXPECT_TRUE(t.setTextCodePage(cp)) << t.Status();
        alone.push_back(readAll(t));
    }
    EXPECT_NE(alone[2].substr(alone[2].rfind("lost")), "lost 0");  // 850 lacks some of them

    const fs::path other = dir / "other.dbf";
    ASSERT_TRUE(db::DBCREATE(other.string(), std::vector<FieldInfo>{{"NAME", 'C', 14, 0}, {"N", 'N', 8, 0}}));
    DBSERVER writer(other.string(), true, false);
    ASSERT_TRUE(writer.setTextCodePage(65001));
    std::vector<std::unique_ptr<DBSERVER>> handles;
    for (unsigned cp : codePages) {
        handles.push_back(std::make_unique<DBSERVER>(file.string(), true, true));
        ASSERT_TRUE(handles.back()->USED()) << handles.back()->Status();
        ASSERT_TRUE(handles.back()->setTextCodePage(cp));
    }
    for (int round = 0; round < 3; ++round) {
        std::vector<std::string> together(handles.size());
        std::atomic<int> running{static_cast<int>(handles.size())};
        std::vector<std::thread> threads;
        for (size_t k = 0; k < handles.size(); ++k) {
            threads.emplace_back([&, k] {
                together[k] = readAll(*handles[k]);
                --running;
            });
        }
        // Meanwhile the table's thread appends to another table.
        for (int i = 0; running > 0 || i < 100; ++i) {
            writer.APPEND();
            writer.PUTSTRING(1, kTexts[i % 6]);
            writer.PUTNUMBER(2, i);
        }
        for (std::thread& t : threads) t.join();
        for (size_t k = 0; k < handles.size(); ++k) {
            // The counts of lost characters go on from round to round.
            const std::string expected = alone[k].substr(0, alone[k].rfind("lost"));
            EXPECT_EQ(together[k].substr(0, together[k].rfind("lost")), expected) << "handle " << k;
            EXPECT_EQ(handles[k]->lostCharacters(),
                      std::stoull(alone[k].substr(alone[k].rfind(' ') + 1)) * static_cast<uint64_t>(round + 1));
        }
    }
    for (auto& h : handles) EXPECT_TRUE(h->CLOSE());
    EXPECT_TRUE(writer.CLOSE()) << writer.Status();
}

TEST(TableThreads, BuildersOnSeveralThreadsBuildAsOnOne) {
    rt::SetAnsi(true);
    const fs::path dir = mirvano_test::temp_dir("table-threads-build");
    // A table of each code page, and the code page its text is handed over in.
    struct Kind {
        uint8_t ldid;
        const char* cpg;  // a ".cpg" file that names the code page where the byte names none
        unsigned textCodePage;
    };
    const Kind kinds[] = {{0x03, nullptr, 65001}, {0x02, nullptr, 65001}, {0x02, nullptr, 1252},
                          {0xC8, nullptr, 65001}, {0xC9, nullptr, 65001}, {0x00, "UTF-8", 1252},
                          {0x13, nullptr, 65001}};
    std::vector<std::unique_ptr<DBSERVER>> tables;
    for (const Kind& k : kinds) {
        const fs::path file = dir / ("t" + std::to_string(tables.size()) + ".dbf");
        ASSERT_TRUE(db::DBCREATE(file.string(), std::vector<FieldInfo>{{"NAME", 'C', 14, 0}, {"AMOUNT", 'N', 10, 2}},
                                 k.ldid));
        if (k.cpg) {
            std::string bytes = dbtest::readFile(file);
            bytes[29] = '\0';
            dbtest::writeFile(file, bytes);
            dbtest::writeFile(fs::path(file).replace_extension(".cpg"), k.cpg);
        }
        tables.push_back(std::make_unique<DBSERVER>(file.string(), true, false));
        ASSERT_TRUE(tables.back()->setTextCodePage(k.textCodePage)) << tables.back()->Status();
    }
    // Texts in the code page each builder takes them in.
    auto build = [&kinds](RecordBuilder& b, size_t kind) {
        for (int i = 0; i < 3000; ++i) {
            b.APPEND();
            const std::string text = kinds[kind].textCodePage == 1252 ? "Gr\xFC\xDF" "e \x80 \x9A" : kTexts[i % 6];
            b.PUTSTRING(1, text);
            b.PUTNUMBER(2, i / 7.0);
        }
    };
    std::vector<std::string> alone;
    std::vector<uint64_t> aloneLost;
    for (size_t k = 0; k < tables.size(); ++k) {
        RecordBuilder b(*tables[k]);
        build(b, k);
        alone.emplace_back(b.records());
        aloneLost.push_back(b.lostCharacters());
    }
    EXPECT_GT(aloneLost[0], 0u);

    std::vector<RecordBuilder> builders;
    for (auto& t : tables) builders.emplace_back(*t);
    std::vector<std::thread> threads;
    for (size_t k = 0; k < builders.size(); ++k) threads.emplace_back([&, k] { build(builders[k], k); });
    for (std::thread& t : threads) t.join();
    for (size_t k = 0; k < builders.size(); ++k) {
        EXPECT_TRUE(builders[k].records() == alone[k]) << "table " << k;
        EXPECT_EQ(builders[k].lostCharacters(), aloneLost[k]) << "table " << k;
        EXPECT_TRUE(tables[k]->APPENDRECORDS(builders[k].records(), builders[k].count())) << tables[k]->Status();
        EXPECT_TRUE(tables[k]->CLOSE()) << tables[k]->Status();
    }
}

// An index built on four threads is the file one thread builds, byte for byte: thousands of
// equal keys (their order left to the record numbers), letters that differ in case and accent
// only, keys of several lengths, a memo and the deletion mark in the key, in memory and spilled
// into many runs; a key that fails in several places fails at its first record on any number
// of threads, and leaves no file behind.
TEST(TableThreads, IndexesOnFourThreadsAsOnOne) {
    rt::SetAnsi(true);
    const fs::path dir = mirvano_test::temp_dir("table-threads-index");
    const fs::path file = dir / "keys.dbf";
    ASSERT_TRUE(db::DBCREATE(file.string(), std::vector<FieldInfo>{{"CITY", 'C', 6, 0}, {"NUM", 'N', 6, 2},
                                                                   {"BORN", 'D', 8, 0}, {"NOTE", 'M', 10, 0}}));
    const char* const cities[] = {"K\xF6ln", "koln", "KOLN", "Oslo", "", "\xC5re", "K\xF6ln  x", "k\x01"};
    const int records = 5000;
    {
        DBSERVER t(file.string(), true, false);
        for (int i = 0; i < records; ++i) {
            t.APPEND();
            t.PUTSTRING(1, cities[(i * 7) % 8]);
            t.PUTNUMBER(2, (i * 37) % 100 / 4.0);
            t.PUTDATE(3, 1990 + i % 3, 1, 1);
            if (i % 5 == 0) t.FIELDPUT(4, rt::Value(std::string(i % 2 ? "memo" : "Memo") + std::to_string(i % 3)));
        }
        ASSERT_TRUE(t.CLOSE()) << t.Status();
    }
    // Some records marked deleted; the table as a sort finds it, open for writing and alone.
    std::string bytes = dbtest::readFile(file);
    const size_t header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    for (int r = 3; r < records; r += 17) bytes[header + static_cast<size_t>(r) * 31] = '*';
    dbtest::writeFile(file, bytes);
    DBSERVER t(file.string(), false, false);
    ASSERT_TRUE(t.USED()) << t.Status();

    const unsigned threadsBefore = db::IndexThreads();
    const size_t budgetBefore = db::IndexMemoryBudget();
    auto build = [&](unsigned threads, size_t budget, const std::string& key, const std::string& name) {
        db::SetIndexThreads(threads);
        db::SetIndexMemoryBudget(budget);
        const bool ok = t.CREATEINDEX((dir / name).string(), key);
        db::SetIndexThreads(threadsBefore);
        db::SetIndexMemoryBudget(budgetBefore);
        return ok;
    };
    const char* const keys[] = {"CITY", "Trim(CITY) + StrZero(NUM, 6, 2)", "DToS(BORN) + Left(NOTE, 5)",
                                "iif(Deleted(), 'D', ' ') + Upper(CITY)"};
    for (const char* key : keys) {
        for (size_t budget : {size_t{32} << 20, size_t{4096}}) {
            SCOPED_TRACE(std::string(key) + " in " + std::to_string(budget) + " bytes");
            ASSERT_TRUE(build(1, budget, key, "one.ntx")) << t.Status();
            ASSERT_TRUE(build(4, budget, key, "four.ntx")) << t.Status();
            const std::string one = dbtest::readFile(dir / "one.ntx");
            EXPECT_EQ(one.size(), 28 + std::string(key).size() + 4 * records);
            EXPECT_TRUE(one == dbtest::readFile(dir / "four.ntx"));
            // In the order of the key texts (made here from the fields) by the collation,
            // equal ones by record number.
            std::vector<std::pair<std::string, int64_t>> order;
            for (size_t at = 28 + std::string(key).size(); at + 4 <= one.size(); at += 4) {
                const auto* p = reinterpret_cast<const unsigned char*>(one.data() + at);
                const int64_t recno = p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24;
                t.GOTO(recno);
                RecordNames scope;
                for (int f = 1; f <= 4; ++f) scope.set(t.FIELDNAME(f), t.FIELDGET(f));
                scope.deleted = t.DELETED();
                const rt::Value v = rt::Evaluate(std::string(key), scope);
                ASSERT_TRUE(v.isString()) << key;
                order.emplace_back(v.str(), recno);
            }
            EXPECT_TRUE(std::is_sorted(order.begin(), order.end(), [](const auto& a, const auto& b) {
                const int c = db::collation::compare(a.first, b.first);
                return c != 0 ? c < 0 : a.second < b.second;
            }));
        }
    }
    // The walk along the first key's index, against the comparison of the key texts.
    ASSERT_TRUE(build(4, 4096, "CITY", "city.ntx"));
    ASSERT_TRUE(t.SETINDEX((dir / "city.ntx").string()));
    std::vector<std::pair<std::string, int64_t>> seen;
    const bool deletedBefore = rt::IsDeleted();
    rt::SetDeleted(false);  // every record once, the deleted ones included
    for (t.GOTOP(); !t.EOF(); t.SKIP()) seen.emplace_back(t.FIELDGET(1).str(), t.RECNO());
    rt::SetDeleted(deletedBefore);
    EXPECT_EQ(seen.size(), static_cast<size_t>(records));
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(), [](const auto& a, const auto& b) {
        const int c = db::collation::compare(a.first, b.first);
        return c != 0 ? c < 0 : a.second < b.second;
    }));
    ASSERT_TRUE(t.CLEARINDEX());

    const std::string failing = "iif(RECNO() % 1000 = 999 .or. RECNO() = 4321, 1, CITY)";
    for (size_t budget : {size_t{32} << 20, size_t{4096}}) {
        ASSERT_FALSE(build(1, budget, failing, "fail.ntx"));
        const std::string alone = t.Status();
        ASSERT_FALSE(build(4, budget, failing, "fail.ntx"));
        EXPECT_EQ(t.Status(), alone);
        EXPECT_NE(alone.find("record 999"), std::string::npos) << alone;
    }
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 5);  // the table, its memo file and the three indexes built
}

// A walk along an index gathers the records ahead on several threads where it may: it visits
// what it visits on one thread, record by record with SKIP and in blocks with READRECORDS,
// passing over the records marked deleted, in a table larger than a gathering thread's share.
TEST(TableThreads, WalksAlongAnIndexGatherOnSeveralThreadsAsOnOne) {
    rt::SetAnsi(true);
    const fs::path dir = mirvano_test::temp_dir("table-threads-walk");
    const fs::path file = dir / "walk.dbf";
    ASSERT_TRUE(db::DBCREATE(file.string(), std::vector<FieldInfo>{{"KEY", 'N', 9, 0}, {"TEXT", 'C', 54, 0}}));
    const int records = 160000;
    const size_t length = 1 + 9 + 54;
    {
        DBSERVER t(file.string(), true, false);
        RecordBuilder b(t);
        for (int i = 0; i < records; ++i) {
            b.APPEND();
            b.PUTNUMBER(1, (static_cast<int64_t>(i) * 7919) % 4001);  // an order unlike the file's
            b.PUTSTRING(2, "record " + std::to_string(i));
            if (i % 9 == 4) b.PUTBYTES(2, std::string(54, '#'));
        }
        ASSERT_TRUE(t.APPENDRECORDS(b.records(), b.count())) << t.Status();
        ASSERT_TRUE(t.CLOSE()) << t.Status();
    }
    std::string bytes = dbtest::readFile(file);
    const size_t header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    for (size_t r = 2; r < static_cast<size_t>(records); r += 11) bytes[header + r * length] = '*';
    dbtest::writeFile(file, bytes);

    const unsigned threadsBefore = db::IndexThreads();
    const bool deletedBefore = rt::IsDeleted();
    rt::SetDeleted(true);
    DBSERVER t(file.string(), true, true);
    db::SetIndexThreads(4);
    ASSERT_TRUE(t.CREATEINDEX((dir / "k.ntx").string(), "StrZero(KEY, 9, 0)")) << t.Status();
    ASSERT_TRUE(t.SETINDEX((dir / "k.ntx").string())) << t.Status();
    auto bySkip = [&] {
        std::string out;
        for (t.GOTOP(); !t.EOF(); t.SKIP()) {
            out += t.DELETED() ? '*' : ' ';
            out += t.FIELDBYTES(1);
            out += t.FIELDBYTES(2);
        }
        return out;
    };
    auto inBlocks = [&] {
        std::string out;
        size_t n = 0;
        t.GOTOP();
        do {
            EXPECT_TRUE(t.READRECORDS(out, 1000, &n)) << t.Status();
        } while (n > 0);
        EXPECT_TRUE(t.EOF());
        return out;
    };
    db::SetIndexThreads(1);
    const std::string alone = bySkip();
    EXPECT_EQ(alone.size(), (records - (records - 2 + 10) / 11) * length);
    EXPECT_TRUE(inBlocks() == alone);
    db::SetIndexThreads(4);
    EXPECT_TRUE(bySkip() == alone);
    EXPECT_TRUE(inBlocks() == alone);
    db::SetIndexThreads(threadsBefore);
    rt::SetDeleted(deletedBefore);
}

// Hundreds of runs spilled by four threads from a budget of a kilobyte share one temporary
// file: the build needs a few file descriptors, however many runs it makes.
TEST(TableThreads, AnIndexOfManyRunsNeedsFewFiles) {
    const fs::path dir = mirvano_test::temp_dir("table-threads-runs");
    const fs::path file = dir / "runs.dbf";
    ASSERT_TRUE(db::DBCREATE(file.string(), std::vector<FieldInfo>{{"KEY", 'C', 12, 0}}));
    DBSERVER t(file.string(), false, false);
    for (int i = 0; i < 6000; ++i) {
        t.APPEND();
        t.PUTSTRING(1, "k" + std::to_string((i * 7919) % 6000));
    }
    ASSERT_TRUE(t.COMMIT());
    const unsigned threadsBefore = db::IndexThreads();
    const size_t budgetBefore = db::IndexMemoryBudget();
    db::SetIndexThreads(4);
    db::SetIndexMemoryBudget(1024);
    size_t open = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++open;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    rlimit limit = old;
    limit.rlim_cur = open + 24;  // the table's copies, the index, its temporary files
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    const bool built = t.CREATEINDEX((dir / "k.ntx").string(), "KEY");
    setrlimit(RLIMIT_NOFILE, &old);
    db::SetIndexThreads(threadsBefore);
    db::SetIndexMemoryBudget(budgetBefore);
    ASSERT_TRUE(built) << t.Status();
    ASSERT_TRUE(t.SETINDEX((dir / "k.ntx").string()));
    std::string previous;
    int seen = 0;
    for (t.GOTOP(); !t.EOF(); t.SKIP(), ++seen) {
        const std::string key = t.FIELDGET(1).str();
        ASSERT_LE(db::collation::compare(previous, key), 0) << seen;
        previous = key;
    }
    EXPECT_EQ(seen, 6000);
}
