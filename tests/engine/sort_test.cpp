// The rewrite of a table in the order of its index: the records of the order as their bytes,
// as many as the deleted setting lets through; a cancel or a copy that cannot be made leaves
// the table as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/runcontext.h"
#include "engine/sort.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "test_env.h"

using namespace engine;
namespace fs = std::filesystem;
using mirvano_test::readAll;
using mirvano_test::writeAll;

namespace {

constexpr size_t kRecordLength = 1 + 8 + 9 + 8 + 1;

uint32_t le32(const std::string& s, size_t at) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data() + at);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// A table of `records` records with few names (most keys shared by many records), every
// seventh one marked deleted; its bytes.
std::string makeTable(const fs::path& file, int records) {
    EXPECT_TRUE(db::DBCREATE(file.string(), std::vector<db::FieldInfo>{{"NAME", 'C', 8, 0}, {"AMOUNT", 'N', 9, 2},
                                                                       {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0}}));
    {
        db::DBSERVER t(file.string(), true, false);
        const char* const names[] = {"M\xFCller", "muller", "Zander", "", "\xC5se", "Adam"};
        for (int i = 0; i < records; ++i) {
            t.APPEND();
            t.PUTSTRING(1, names[(i * 5) % 6]);
            t.PUTNUMBER(2, (i * 37) % 200 - 100);
            t.PUTDATE(3, 1960 + i % 50, 1 + i % 12, 1 + i % 28);
            t.PUTLOGICAL(4, i % 2 == 0);
        }
        EXPECT_TRUE(t.CLOSE()) << t.Status();
    }
    std::string bytes = readAll(file);
    const size_t header = static_cast<unsigned char>(bytes[8]) | static_cast<unsigned char>(bytes[9]) << 8;
    for (size_t r = 3; r < static_cast<size_t>(records); r += 7) bytes[header + r * kRecordLength] = '*';
    writeAll(file, bytes);
    return bytes;
}

// The table `before` rewritten in the order of index file `index`: its header with the new
// count, the records the order visits (not those marked deleted while they are passed over),
// each unmarked, and the end mark.
std::string rewritten(const std::string& before, const std::string& index, bool passDeleted, uint32_t* count) {
    const size_t header = static_cast<unsigned char>(before[8]) | static_cast<unsigned char>(before[9]) << 8;
    std::string out = before.substr(0, header);
    *count = 0;
    for (size_t at = 28 + le32(index, 24); at + 4 <= index.size(); at += 4) {
        std::string record = before.substr(header + (le32(index, at) - 1) * kRecordLength, kRecordLength);
        if (passDeleted && record[0] == '*') continue;
        record[0] = ' ';
        out += record;
        ++*count;
    }
    for (int k = 0; k < 4; ++k) out[4 + static_cast<size_t>(k)] = static_cast<char>(*count >> (8 * k));
    return out + '\x1A';
}

// Without the date of the last change (bytes 1 to 3).
std::string undated(std::string table) {
    if (table.size() >= 4) table.replace(1, 3, "...");
    return table;
}

size_t filesIn(const fs::path& dir) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

}  // namespace

// Records laid out alike go over as their bytes, a block at a time: the copy holds the records
// of the order, more than a block of them, deleted ones passed over or unmarked as the setting
// says; the progress ends at their count.
TEST(SortRewrite, CopiesTheRecordsOfTheOrderAsTheirBytes) {
    const bool deletedBefore = rt::IsDeleted();
    for (const bool passDeleted : {true, false}) {
        SCOPED_TRACE(passDeleted);
        rt::SetDeleted(passDeleted);
        const fs::path dir = mirvano_test::temp_dir(passDeleted ? "rewrite-pass" : "rewrite-keep");
        const fs::path file = dir / "out.dbf", index = dir / "i.ntx";
        const std::string before = makeTable(file, 60000);
        RewriteResult r;
        CountingRunContext context;
        {
            db::DBSERVER t(file.string(), false, false);  // alone, as a run's output
            ASSERT_TRUE(createIndex(t, index.string(), "NAME + StrZero(AMOUNT, 9, 2)")) << t.Status();
            ASSERT_TRUE(t.SETINDEX(index.string())) << t.Status();
            r = rewriteInOrder(t, (dir / "$tempout.dbf").string(), context);
        }
        ASSERT_EQ(r.end, RewriteEnd::Completed) << r.error;
        uint32_t count = 0;
        const std::string expected = rewritten(before, readAll(index), passDeleted, &count);
        EXPECT_EQ(r.count, count);
        EXPECT_TRUE(undated(readAll(file)) == undated(expected));
        EXPECT_EQ(context.finishes, 1);
        EXPECT_EQ(context.last, count);
        EXPECT_GT(context.pumps, 1);
        EXPECT_EQ(filesIn(dir), 2u);  // the table and its index
    }
    rt::SetDeleted(deletedBefore);
}

// A cancel stops the copy between blocks, a copy that cannot be made stops it before the
// first and one that cannot be written (a file size limit stands in for a full disk) where it
// fails: the table stays as it was, open and in its order, and no file of the copy is left.
TEST(SortRewrite, ACancelOrAFailedCopyLeavesTheTable) {
    const fs::path dir = mirvano_test::temp_dir("rewrite-stop");
    const fs::path file = dir / "out.dbf", index = dir / "i.ntx";
    const std::string before = makeTable(file, 60000);
    db::DBSERVER t(file.string(), false, false);
    ASSERT_TRUE(createIndex(t, index.string(), "NAME")) << t.Status();
    ASSERT_TRUE(t.SETINDEX(index.string())) << t.Status();

    CountingRunContext cancelling(1);
    const RewriteResult cancelled = rewriteInOrder(t, (dir / "$tempout.dbf").string(), cancelling);
    EXPECT_EQ(cancelled.end, RewriteEnd::Cancelled);
    EXPECT_GT(cancelled.count, 0u);
    EXPECT_LT(cancelled.count, 60000u);
    EXPECT_EQ(cancelling.finishes, 0);

    CountingRunContext context;
    const RewriteResult failed = rewriteInOrder(t, (dir / "missing" / "$tempout.dbf").string(), context);
    EXPECT_EQ(failed.end, RewriteEnd::TempFailed);
    EXPECT_FALSE(failed.error.empty());

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 600 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const RewriteResult full = rewriteInOrder(t, (dir / "$tempout.dbf").string(), context);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(full.end, RewriteEnd::CopyFailed);
    EXPECT_NE(full.error.find("cannot"), std::string::npos) << full.error;

    ASSERT_TRUE(t.USED());
    const bool deletedBefore = rt::IsDeleted();
    rt::SetDeleted(false);
    ASSERT_TRUE(t.GOTOP());
    EXPECT_EQ(t.RECNO(), le32(readAll(index), 28 + 4));  // the first record of the order
    rt::SetDeleted(deletedBefore);
    EXPECT_TRUE(t.CLOSE());
    EXPECT_TRUE(readAll(file) == before);
    EXPECT_EQ(filesIn(dir), 2u);
}
