// Appends with the header's record count deferred to the writes of the buffered records.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "test_env.h"

namespace {

uint32_t headerCount(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    unsigned char raw[8] = {};
    f.read(reinterpret_cast<char*>(raw), sizeof raw);
    return raw[4] | raw[5] << 8 | raw[6] << 16 | static_cast<uint32_t>(raw[7]) << 24;
}

}  // namespace

TEST(DeferredCount, WrittenWithTheRecordsAndAtTheEnd) {
    rt::SetAnsi(true);
    const std::string path = (mirvano_test::temp_dir("deferred") / "t.dbf").string();
    ASSERT_TRUE(db::DBCREATE(path, std::vector<db::FieldInfo>{{"NAME", 'C', 10, 0}, {"N", 'N', 6, 0}}));
    {
        db::DBSERVER t(path, true, false);
        ASSERT_TRUE(t.USED());
        t.APPEND();
        EXPECT_EQ(headerCount(path), 1u);  // by default at once
        t.DEFERCOUNT(true);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(t.APPEND());
            ASSERT_TRUE(t.FIELDPUT(rt::Value("N"), rt::Value(i)));
        }
        EXPECT_EQ(t.LASTREC(), 4);
        EXPECT_LT(headerCount(path), 4u);  // not yet on disk
        ASSERT_TRUE(t.COMMIT());
        EXPECT_EQ(headerCount(path), 4u);
        // many appends pass through full buffers; turning the mode off writes the rest
        for (int i = 0; i < 5000; ++i) ASSERT_TRUE(t.APPEND());
        t.DEFERCOUNT(false);
        EXPECT_EQ(headerCount(path), 5004u);
        t.DEFERCOUNT(true);
        t.APPEND();
        t.CLOSE();  // closing writes it too
    }
    EXPECT_EQ(headerCount(path), 5005u);
    db::DBSERVER again(path, true, true);
    EXPECT_EQ(again.LASTREC(), 5005);
    again.GOTO(4);
    EXPECT_EQ(again.FIELDGET(rt::Value("N")).num(), 2);
}
