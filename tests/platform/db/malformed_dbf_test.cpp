// Tables and memo files that lie about themselves, beyond the header fields the table tests
// patch: each is either refused with a reason or read without losing or inventing a byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "db_support.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "test_env.h"

namespace {

namespace fs = std::filesystem;

// A dBase III table of the given fields and raw records (without their deletion byte),
// with the header's numbers as given (the true ones when negative).
std::string table(const std::vector<db::FieldInfo>& fields, const std::vector<std::string>& records, uint8_t version,
                  long count = -1, long headerLength = -1, long recordLength = -1) {
    int rec = 1;
    for (const auto& f : fields) rec += f.length;
    const int hdr = 32 + 32 * static_cast<int>(fields.size()) + 1;
    auto le = [](long v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    std::string h(1, static_cast<char>(version));
    h += std::string("\x7E\x0C\x0A", 3);
    h += le(count < 0 ? static_cast<long>(records.size()) : count, 4);
    h += le(headerLength < 0 ? hdr : headerLength, 2);
    h += le(recordLength < 0 ? rec : recordLength, 2);
    h += std::string(17, '\0') + '\x03' + std::string(2, '\0');
    for (const auto& f : fields) {
        std::string d = f.name;
        d.resize(11, '\0');
        d += f.type;
        d += std::string(4, '\0');
        d += static_cast<char>(f.length);
        d += static_cast<char>(f.decimals);
        d += std::string(14, '\0');
        h += d;
    }
    h += '\r';
    for (const auto& r : records) h += ' ' + r;
    return h + '\x1A';
}

std::string be32(uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

}  // namespace

TEST(MalformedDbf, RefusedWithAReasonOrReadWithinItsBytes) {
    rt::SetAnsi(true);
    rt::SetDeleted(false);
    const fs::path dir = mirvano_test::temp_dir("db-malformed");
    const std::vector<db::FieldInfo> plain = {{"NAME", 'C', 4, 0}, {"N", 'N', 3, 0}};
    const std::vector<db::FieldInfo> withMemo = {{"NAME", 'C', 4, 0}, {"NOTE", 'M', 10, 0}};
    const std::vector<db::FieldInfo> wideMemo = {{"NAME", 'C', 4, 0}, {"NOTE", 'M', 18, 0}};
    // FoxPro memo file: next free block, block size 64, then block 8 with a text of 5 bytes.
    const std::string fpt = be32(9) + std::string(2, '\0') + std::string("\x00\x40", 2) + std::string(504, '\0') +
                            be32(1) + be32(5) + "hello" + std::string(51, '\0');
    const std::string dbt = std::string("\x02\0\0\0", 4) + std::string(508, '\0') + "dBase memo without end mark";

    struct Case {
        const char* what;
        std::string dbf;
        const char* memoExt;  // "" for none
        std::string memo;
        const char* reason;   // refused with this in Status(); "" when the table opens
        std::vector<std::string> values;  // every field of every record, in order
        const char* readError = "";       // in Status() after the records were read
        long claimed = -1;                // the header's count beyond the complete records
    } cases[] = {
        {"empty file", "", "", "", "truncated", {}},
        {"record length 0", table(plain, {"abcd123"}, 0x03, -1, -1, 0), "", "", "record length", {}},
        // A header counting more records than the file holds: the complete ones are read and
        // the claimed count is told.
        {"absurd record length", table(plain, {"abcd123"}, 0x03, -1, -1, 0xFFFF), "", "", "", {}, "", 1},
        {"a count one too high", table(plain, {"abcd  1", "efgh  2"}, 0x03, 3), "", "", "",
         {"abcd", "1", "efgh", "2"}, "", 3},
        {"a cut last record", table(plain, {"abcd  1", "efgh  2"}, 0x03).substr(0, 32 + 64 + 1 + 8 + 5), "", "", "",
         {"abcd", "1"}, "", 2},
        {"header length past the records", table(plain, {"abcd123"}, 0x03, -1, 0x7FFF), "", "", "header length", {}},
        {"record count smaller than the records: only the counted ones",
         table(plain, {"abcd  1", "efgh  2"}, 0x03, 1), "", "", "", {"abcd", "1"}},
        {"NUL bytes in a text field are data", table(plain, {std::string("a\0\0d", 4) + "  7"}, 0x03), "", "", "",
         {std::string("a\0\0d", 4), "7"}},
        {"memo file missing", table(withMemo, {"abcd         1"}, 0x83), "", "", "memo file", {}},
        {"dBase III memo cut before its end mark", table(withMemo, {"abcd         1"}, 0x83), ".dbt", dbt, "",
         {"abcd", "dBase memo without end mark"}},
        {"FoxPro memo block longer than the file", table(withMemo, {"abcd         8"}, 0xF5), ".fpt",
         fpt.substr(0, 512 + 8 + 3), "", {"abcd", ""}, "runs past the end"},
        {"FoxPro memo read whole", table(withMemo, {"abcd         8"}, 0xF5), ".fpt", fpt, "", {"abcd", "hello"}},
        {"memo block number beyond any file, in a wide field", table(wideMemo, {"abcd555555555555555555"}, 0xF5),
         ".fpt", fpt, "lies beyond the memo file", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* ext : {".dbt", ".fpt"}) fs::remove(dir / (std::string("t") + ext));
        dbtest::writeFile(dir / "t.dbf", c.dbf);
        if (*c.memoExt) dbtest::writeFile(dir / (std::string("t") + c.memoExt), c.memo);
        db::DBSERVER t((dir / "t.dbf").string(), true, true);
        if (*c.reason) {
            EXPECT_FALSE(t.USED());
            EXPECT_NE(t.Status().find(c.reason), std::string::npos) << t.Status();
            continue;
        }
        ASSERT_TRUE(t.USED()) << t.Status();
        EXPECT_EQ(t.CLAIMEDCOUNT(), c.claimed);
        std::vector<std::string> values;
        for (t.GOTOP(); !t.EOF(); t.SKIP()) {
            for (int f = 1; f <= t.FCOUNT(); ++f) {
                const rt::Value v = t.FIELDGET(rt::Value(f));
                if (v.isString())
                    values.push_back(v.str());
                else if (v.isNumber())
                    values.push_back(std::to_string(static_cast<long>(v.num())));
                else
                    values.push_back("?");
            }
        }
        EXPECT_EQ(values, c.values);
        if (*c.readError) {
            EXPECT_NE(t.Status().find(c.readError), std::string::npos) << "a memo that cannot be read is told: " << t.Status();
        }
    }
}
