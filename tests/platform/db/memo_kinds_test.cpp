// Memo files of every kind written and copied: dBase III, dBase IV and FoxPro memos stored
// through a table and read back by the table and by dbfread, and a copy of a table's
// structure that keeps a Visual FoxPro table one, its memos copied as their bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db_support.h"
#include "dbf_bytes.h"
#include "platform/db/dbserver.h"
#include "platform/db/memo.h"
#include "platform/runtime/settings.h"
#include "test_env.h"

namespace fs = std::filesystem;
using db::DBSERVER;
using db::MemoFile;
using rt::Value;

namespace {

// A table of one text field and one memo field, with its empty memo file, as `version`
// writes it: 10-digit memo pointers, or 4-byte ones in a Visual FoxPro table.
void makeTable(const fs::path& table, unsigned char version, MemoFile::Kind kind, uint32_t blockSize) {
    const bool vfp = version == 0x30;
    dbtest::writeFile(table, dbf_bytes::table(version, 0x03, {{"NAME", 'C', 4, 0}, {"NOTE", 'M', vfp ? 4 : 10, 0}}, {}));
    fs::path memo = table;
    memo.replace_extension(kind == MemoFile::Kind::Fpt ? ".fpt" : ".dbt");
    std::string error;
    ASSERT_TRUE(MemoFile::create(memo.string(), kind, blockSize, &error)) << error;
}

}  // namespace

TEST(MemoKinds, EveryKindIsWrittenCopiedAndReadBack) {
    rt::SetAnsi(true);
    rt::SetDeleted(true);
    const fs::path dir = mirvano_test::temp_dir("memo-kinds");
    const std::string longText(1000, 'x');
    const struct {
        const char* name;
        unsigned char version;
        MemoFile::Kind kind;
        uint32_t blockSize;
    } cases[] = {
        {"dbase3", 0x83, MemoFile::Kind::Dbt3, 512},
        {"dbase4", 0x8B, MemoFile::Kind::Dbt4, 512},
        {"foxpro", 0xF5, MemoFile::Kind::Fpt, 64},
        {"vfp", 0x30, MemoFile::Kind::Fpt, 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path table = dir / (std::string(c.name) + ".dbf"), copy = dir / (std::string(c.name) + "_copy.dbf");
        makeTable(table, c.version, c.kind, c.blockSize);
        {
            DBSERVER t(table.string(), true, false);
            ASSERT_TRUE(t.USED()) << t.Status();
            for (const std::string& note : {std::string("short"), std::string(), longText}) {
                ASSERT_TRUE(t.APPEND());
                ASSERT_TRUE(t.FIELDPUT(Value(1), Value(std::string("n"))));
                ASSERT_TRUE(t.FIELDPUT(Value(2), Value(note))) << t.Status();
            }
            // A copy of the structure, and the records copied into it in reverse.
            ASSERT_TRUE(t.COPYSTRUCTURE(copy.string())) << t.Status();
            DBSERVER c2(copy.string(), false, false);
            ASSERT_TRUE(c2.USED()) << c2.Status();
            for (t.GOBOTTOM(); !t.BOF(); t.SKIP(-1)) ASSERT_TRUE(c2.APPENDCOPY(t)) << c2.Status();
            ASSERT_TRUE(c2.CLOSE()) << c2.Status();
        }
        // The copy's header is the table's, but for its date and record count; its memo file
        // is of the table's kind.
        const std::string head = dbtest::readFile(table), copyHead = dbtest::readFile(copy);
        const size_t headerLength = static_cast<unsigned char>(head[8]) | static_cast<unsigned char>(head[9]) << 8;
        EXPECT_EQ(copyHead[0], head[0]);
        EXPECT_EQ(copyHead.substr(8, headerLength - 8), head.substr(8, headerLength - 8));
        fs::path otherMemo = copy;
        otherMemo.replace_extension(c.kind == MemoFile::Kind::Fpt ? ".dbt" : ".fpt");
        EXPECT_FALSE(fs::exists(otherMemo));
        std::vector<std::string> notes;
        {
            DBSERVER c2(copy.string(), true, true);
            ASSERT_TRUE(c2.USED()) << c2.Status();
            for (c2.GOTOP(); !c2.EOF(); c2.SKIP()) notes.push_back(c2.FIELDGET(Value(2)).str());
        }
        EXPECT_EQ(notes, (std::vector<std::string>{longText, "", "short"}));
        if (dbtest::pythonHas("dbfread") && c.kind != MemoFile::Kind::Dbt4) {
            // dbfread reads a dBase IV memo with its eight bytes of kind and length behind it.
            const auto r = dbtest::runPython(dir, "import dbfread\nprint([len(r['NOTE'] or '') for r in dbfread.DBF('" +
                                                      copy.string() + "')])\n");
            EXPECT_EQ(r.out, "[1000, 0, 5]\n");
        }
    }
}
