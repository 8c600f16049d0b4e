// Records made away from their table by a RecordBuilder and appended with APPENDRECORDS give
// the same file, byte for byte, as the table's own APPEND and stores.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "db_support.h"
#include "dbf_bytes.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "test_env.h"

namespace fs = std::filesystem;
using db::DBSERVER;
using db::FieldInfo;
using db::RecordBuilder;
using rt::Value;

namespace {

// What each store answered, with the reason of a failure: the two ways must fail alike too.
struct Log {
    std::string text;
    template <class T>
    void operator()(T& t, bool ok) {
        text += ok ? "ok\n" : "failed: " + t.Status() + "\n";
    }
};

// The stores of record `i`, the same calls on a table and on a builder (their members are named
// alike).
template <class T>
void storeGeneral(T& t, int i, Log& log) {
    const int name = t.FIELDPOS("NAME"), amount = t.FIELDPOS("AMOUNT"), small = t.FIELDPOS("SMALL"),
              born = t.FIELDPOS("BORN"), ok = t.FIELDPOS("OK");
    const char* texts[] = {"Grüße € ok", "Łódź – 東京 😀", "Москва", "plain", ""};
    log(t, t.APPEND());
    log(t, t.PUTSTRING(name, texts[i % 5]));
    log(t, t.PUTNUMBER(amount, -1234.565 + i));
    log(t, t.PUTNUMBER(small, i % 7 == 0 ? 123456.0 : i));  // too wide: asterisks
    log(t, t.PUTDATE(born, 1990 + i % 30, 1 + i % 12, 1 + i % 28));
    if (i % 4 == 1) log(t, t.PUTDATE(born, 2023, 2, 30));  // no such day: the empty date
    if (i % 4 == 2) log(t, t.PUTDATE(born, rt::Date::fromYMD(2000, 2, 29)));
    log(t, t.PUTLOGICAL(ok, i % 2 == 0));
    if (i % 3 == 0) log(t, t.PUTNUMBERTEXT(amount, i % 2 ? ".1234" : "12345678.125"));
    if (i % 5 == 0) log(t, t.PUTBYTES(ok, "?"));
    if (i % 5 == 1) log(t, t.FIELDPUT(name, Value(std::string("Zürich"))));
    if (i % 5 == 2) log(t, t.FIELDPUT(amount, Value()));  // nothing: blanks
    // Stores of the wrong kind, or to no field, fail with the same reason.
    if (i % 5 == 3) log(t, t.PUTNUMBER(name, 1.5));
    if (i % 5 == 3) log(t, t.PUTSTRING(99, "x"));
    if (i % 5 == 4) log(t, t.PUTNUMBERTEXT(amount, "1e5"));
    if (i % 5 == 4) log(t, t.PUTBYTES(name, "short"));
}

// A Visual FoxPro table's own types through FIELDPUT: integer, currency, double, varchar
// and a field that may be null (the _NullFlags field stays as a new record has it).
template <class T>
void storeFox(T& t, int i, Log& log) {
    log(t, t.APPEND());
    log(t, t.PUTSTRING(t.FIELDPOS("NAME"), i % 2 ? "Ärger €" : "Łódź"));
    log(t, t.FIELDPUT(t.FIELDPOS("COUNT"), Value(i * 1000 - 7)));
    log(t, t.FIELDPUT(t.FIELDPOS("PRICE"), Value(12.34567 * i)));
    log(t, t.FIELDPUT(t.FIELDPOS("RATIO"), Value(1.0 / (i + 1))));
    log(t, t.PUTNUMBER(t.FIELDPOS("N"), i * 1.5));
    log(t, t.PUTDATE(t.FIELDPOS("D"), 2001, 1 + i % 12, 3));
    if (i % 3 == 0) log(t, t.FIELDPUT(t.FIELDPOS("COUNT"), Value(3e10)));  // does not fit
    if (i % 3 == 1) log(t, t.FIELDPUT(t.FIELDPOS("STAMP"), Value(1.0)));   // cannot be written
}

struct Case {
    const char* name;
    std::function<fs::path(const fs::path& dir, const char* file)> make;  // an empty table
    unsigned textCodePage;
    std::function<void(DBSERVER&, int, Log&)> onTable;
    std::function<void(RecordBuilder&, int, Log&)> onBuilder;
    bool loses;  // whether the texts lose characters in this table
};

fs::path created(const fs::path& dir, const char* file, uint8_t ldid) {
    const fs::path p = dir / file;
    std::string error;
    EXPECT_TRUE(db::DBCREATE(p.string(),
                             std::vector<FieldInfo>{{"NAME", 'C', 12, 0},
                                                    {"AMOUNT", 'N', 12, 3},
                                                    {"SMALL", 'N', 3, 0},
                                                    {"BORN", 'D', 8, 0},
                                                    {"OK", 'L', 1, 0}},
                             ldid, &error))
        << error;
    return p;
}

// Made by COPYSTRUCTURE from a Visual FoxPro table as FoxPro writes one.
fs::path foxCopy(const fs::path& dir, const char* file) {
    const fs::path source = dir / "fox_source.dbf";
    if (!fs::exists(source)) {
        using dbf_bytes::Field;
        dbtest::writeFile(source, dbf_bytes::table(0x30, 0x03,
                                                   {{"NAME", 'C', 10, 0},
                                                    {"COUNT", 'I', 4, 0},
                                                    {"PRICE", 'Y', 8, 4},
                                                    {"RATIO", 'B', 8, 2},
                                                    {"N", 'N', 7, 2},
                                                    {"D", 'D', 8, 0},
                                                    {"STAMP", 'T', 8, 0},
                                                    {"NOTE", 'V', 6, 0, 0x02},
                                                    {"_NullFlags", '0', 1, 0, 0x05}},
                                                   {}));
    }
    DBSERVER t(source.string(), true, true);
    EXPECT_TRUE(t.USED()) << t.Status();
    EXPECT_TRUE(t.COPYSTRUCTURE((dir / file).string())) << t.Status();
    return dir / file;
}

}  // namespace

TEST(RecordBuilder, AppendedRecordsAreTheBytesTheTableWouldWrite) {
    rt::SetAnsi(true);
    const fs::path dir = mirvano_test::temp_dir("record-builder");
    const auto general = [](auto& t, int i, Log& log) { storeGeneral(t, i, log); };
    const auto fox = [](auto& t, int i, Log& log) { storeFox(t, i, log); };
    auto table = [](uint8_t ldid) { return [ldid](const fs::path& d, const char* f) { return created(d, f, ldid); }; };
    const std::vector<Case> cases = {
        {"ANSI table, UTF-8 text", table(0x03), 65001, general, general, true},
        {"ANSI table, its own text", table(0x03), 0, general, general, false},
        // From ANSI into OEM 850 byte by byte, with the look-alikes for what 850 lacks.
        {"OEM table, ANSI text", table(0x02), 1252, general, general, true},
        {"Cyrillic table, UTF-8 text", table(0xC9), 65001, general, general, true},
        {"FoxPro copy, UTF-8 text", foxCopy, 65001, fox, fox, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path one = c.make(dir, "one.dbf"), bulk = c.make(dir, "bulk.dbf");
        constexpr int kRecords = 3000;  // more than one 64 KB write
        Log tableLog, builderLog;
        uint64_t tableLost = 0, builderLost = 0;
        {
            DBSERVER t(one.string(), true, false);
            ASSERT_TRUE(t.USED()) << t.Status();
            ASSERT_TRUE(t.setTextCodePage(c.textCodePage)) << t.Status();
            for (int i = 0; i < kRecords; ++i) c.onTable(t, i, tableLog);
            tableLost = t.lostCharacters();
            ASSERT_TRUE(t.CLOSE()) << t.Status();
        }
        {
            DBSERVER t(bulk.string(), true, false);
            ASSERT_TRUE(t.USED()) << t.Status();
            ASSERT_TRUE(t.setTextCodePage(c.textCodePage)) << t.Status();
            ASSERT_TRUE(t.canBuildRecords());
            RecordBuilder b(t);
            EXPECT_EQ(b.recodes(), t.recodes());
            // The first record through the table itself, left current and unwritten; then two
            // batches, the builder cleared between them.
            c.onTable(t, 0, builderLog);
            builderLost = t.lostCharacters();
            for (int i = 1; i < kRecords; ++i) {
                c.onBuilder(b, i, builderLog);
                if (i == kRecords / 3) {
                    ASSERT_TRUE(t.APPENDRECORDS(b.records(), b.count())) << t.Status();
                    b.clear();
                }
            }
            ASSERT_TRUE(t.APPENDRECORDS(b.records(), b.count())) << t.Status();
            builderLost += b.lostCharacters();
            EXPECT_EQ(t.LASTREC(), kRecords);
            ASSERT_TRUE(t.CLOSE()) << t.Status();
        }
        EXPECT_EQ(builderLog.text, tableLog.text);
        EXPECT_EQ(builderLost, tableLost);
        EXPECT_EQ(tableLost > 0, c.loses);
        const std::string a = dbtest::readFile(one), b = dbtest::readFile(bulk);
        EXPECT_EQ(a.size(), b.size());
        EXPECT_TRUE(a == b) << "the files differ first at byte "
                            << std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    }

    // An outside reader sees the texts recoded into the table's code page, and the asterisks.
    DBTEST_REQUIRE_PYTHON("dbfread");
    const fs::path cyrillic = created(dir, "cyrillic.dbf", 0xC9);
    {
        DBSERVER t(cyrillic.string(), true, false);
        ASSERT_TRUE(t.setTextCodePage(65001));
        RecordBuilder b(t);
        Log log;
        for (int i = 0; i < 3; ++i) storeGeneral(b, i, log);
        // ü, ß; Ł, ó, ź, 東, 京, 😀 (the record's first text); the ü of Zürich. € and – are in 1251.
        EXPECT_EQ(b.lostCharacters(), 9u);
        ASSERT_TRUE(t.APPENDRECORDS(b.records(), b.count())) << t.Status();
    }
    const auto r = dbtest::runPython(
        dir, "import dbfread, sys\n"
             "for rec in dbfread.DBF('" + cyrillic.string() + "', encoding='cp1251'):\n"
             "    line = '|'.join([rec['NAME'], str(rec['AMOUNT']), str(rec['SMALL']), str(rec['BORN']), str(rec['OK'])])\n"
             "    sys.stdout.buffer.write((line + '\\n').encode('utf-8'))\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out, "Gr??e € ok|12345678.125|None|1990-01-01|None\n"
                     "Z?rich|-1233.565|1|None|False\n"
                     "Москва|None|2|2000-02-29|True\n");
}

TEST(RecordBuilder, AppendRecordsActsAsAppendsDo) {
    rt::SetAnsi(true);
    const fs::path dir = mirvano_test::temp_dir("record-builder-append");
    const fs::path file = created(dir, "t.dbf", 0x03);
    auto headerCount = [&file] {
        const std::string bytes = dbtest::readFile(file);
        return static_cast<unsigned char>(bytes[4]) | static_cast<unsigned char>(bytes[5]) << 8;
    };
    DBSERVER t(file.string(), true, false);
    ASSERT_TRUE(t.USED()) << t.Status();
    int appended = 0, other = 0;
    t.attach([&](db::Notify n) { n == db::Notify::Appended ? ++appended : ++other; });
    RecordBuilder b(t);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(b.APPEND());
        ASSERT_TRUE(b.PUTNUMBER(2, i + 1));
    }
    // Not three whole records of the table: refused, nothing appended.
    EXPECT_FALSE(t.APPENDRECORDS(b.records(), 2));
    EXPECT_FALSE(t.APPENDRECORDS(b.records().substr(1), 3));
    EXPECT_FALSE(t.Status().empty());
    EXPECT_EQ(t.LASTREC(), 0);
    ASSERT_TRUE(t.APPENDRECORDS(b.records(), 3)) << t.Status();
    EXPECT_EQ(appended, 1);
    EXPECT_EQ(other, 0);
    EXPECT_EQ(headerCount(), 3);  // the count at once, as APPEND writes it
    // The last record is current, as APPEND leaves it, and takes stores.
    EXPECT_EQ(t.RECNO(), 3);
    EXPECT_FALSE(t.EOF());
    EXPECT_EQ(t.FIELDGET(2).num(), 3);
    ASSERT_TRUE(t.PUTSTRING(1, "last"));
    t.DEFERCOUNT(true);
    ASSERT_TRUE(t.APPENDRECORDS(b.records(), 3));
    EXPECT_EQ(t.LASTREC(), 6);
    EXPECT_EQ(headerCount(), 3);  // deferred to the write of the records
    ASSERT_TRUE(t.COMMIT());
    EXPECT_EQ(headerCount(), 6);
    t.GOTO(3);
    EXPECT_EQ(t.FIELDGET(1).str(), "last        ");
    t.GOTO(6);
    EXPECT_EQ(t.FIELDGET(2).num(), 3);
    EXPECT_TRUE(t.APPENDRECORDS({}, 0));
    EXPECT_EQ(appended, 2);
    ASSERT_TRUE(t.CLOSE());

    // A builder of a table that cannot take records refuses them.
    DBSERVER readOnly(file.string(), true, true);
    EXPECT_FALSE(readOnly.canBuildRecords());
    RecordBuilder none(readOnly);
    EXPECT_FALSE(none.APPEND());
    EXPECT_NE(none.Status().find("read-only"), std::string::npos);
    EXPECT_FALSE(readOnly.APPENDRECORDS(b.records(), 3));
}

TEST(RecordBuilder, RefusesAMemoStoreWithItsReason) {
    rt::SetAnsi(true);
    const fs::path dir = mirvano_test::temp_dir("record-builder-memo");
    const fs::path file = dir / "memo.dbf";
    ASSERT_TRUE(db::DBCREATE(file.string(), std::vector<FieldInfo>{{"NAME", 'C', 8, 0}, {"NOTES", 'M', 10, 0}}));
    DBSERVER t(file.string(), true, false);
    ASSERT_TRUE(t.USED()) << t.Status();
    EXPECT_FALSE(t.canBuildRecords());
    RecordBuilder b(t);
    EXPECT_FALSE(b.PUTSTRING(1, "before"));  // no record started yet
    EXPECT_EQ(b.Status(), "there is no current record");
    ASSERT_TRUE(b.APPEND());
    EXPECT_TRUE(b.PUTSTRING(1, "name"));
    EXPECT_FALSE(b.PUTSTRING(2, "a memo"));
    EXPECT_NE(b.Status().find("NOTES"), std::string::npos) << b.Status();
    EXPECT_FALSE(b.FIELDPUT(2, Value(std::string("a memo"))));
    // The memo field stays as a new record has it.
    EXPECT_EQ(b.records(), std::string(" name    ") + std::string(10, ' '));
}
