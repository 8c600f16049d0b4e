#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <random>
#include <vector>

#include "db_support.h"
#include "dbf_bytes.h"
#include "platform/db/collation.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "test_env.h"

namespace fs = std::filesystem;
using db::DBSERVER;
using db::FieldInfo;
using rt::Value;

namespace {

Value structure(std::initializer_list<std::tuple<const char*, const char*, int, int>> entries) {
    rt::Array a;
    for (const auto& [name, type, len, dec] : entries) a.push_back(Value::array({Value(name), Value(type), Value(len), Value(dec)}));
    return Value::array(std::move(a));
}

struct Row {
    std::string name;
    double amount;
};

// PEOPLE: NAME C(10), AMOUNT N(8,2), BORN D, OK L.
fs::path makePeople(const fs::path& dir, const std::vector<Row>& rows) {
    const fs::path file = dir / "people.dbf";
    std::string error;
    EXPECT_TRUE(db::DBCREATE(file.string(), structure({{"NAME", "C", 10, 0}, {"AMOUNT", "N", 8, 2}, {"BORN", "D", 8, 0},
                                                       {"OK", "L", 1, 0}}),
                             {}, {}, &error))
        << error;
    DBSERVER t(file.string(), true, false);
    EXPECT_TRUE(t.USED()) << t.Status();
    int i = 0;
    for (const Row& r : rows) {
        EXPECT_TRUE(t.APPEND());
        EXPECT_TRUE(t.FIELDPUT(Value("NAME"), Value(r.name)));
        EXPECT_TRUE(t.FIELDPUT(Value("amount"), Value(r.amount)));
        EXPECT_TRUE(t.FIELDPUT(Value(3), Value(rt::Date::fromYMD(2000 + i, 1 + i % 12, 1 + i))));
        EXPECT_TRUE(t.FIELDPUT(Value("OK"), Value(i % 2 == 0)));
        ++i;
    }
    EXPECT_TRUE(t.CLOSE()) << t.Status();
    return file;
}

std::vector<std::string> visit(DBSERVER& t, const char* field = "NAME") {
    std::vector<std::string> out;
    for (t.GOTOP(); !t.EOF(); t.SKIP()) {
        std::string s = t.FIELDGET(Value(field)).str();
        while (!s.empty() && s.back() == ' ') s.pop_back();
        out.push_back(s);
    }
    return out;
}

}  // namespace

TEST(DbServer, WrittenTableReadsBackTypedHereAndInDbfread) {
    const fs::path dir = mirvano_test::temp_dir("db-write");
    const fs::path file = dir / "typed.dbf";
    std::string error;
    ASSERT_TRUE(db::DBCREATE(file.string(),
                             structure({{"NAME", "C", 12, 0}, {"PRICE", "N", 8, 2}, {"QTY", "N", 5, 0}, {"BORN", "D", 8, 0},
                                        {"OK", "L", 1, 0}, {"NOTES", "M", 10, 0}}),
                             {}, {}, &error))
        << error;
    const std::string longMemo(700, 'x');
    {
        DBSERVER t(file.string(), true, false);
        ASSERT_TRUE(t.USED()) << t.Status();
        struct {
            const char* name;
            double price;
            double qty;
            rt::Date born;
            bool ok;
            const char* notes;
        } rows[] = {{"Alpha", 12.5, 3, rt::Date::fromYMD(1999, 12, 31), true, "first memo"},
                    {"Beta", -7.25, -42, rt::Date(), false, ""},
                    {"Gamma", 2.675, 99999, rt::Date::fromYMD(2024, 2, 29), true, longMemo.c_str()}};
        for (const auto& r : rows) {
            ASSERT_TRUE(t.APPEND());
            ASSERT_TRUE(t.FIELDPUT(Value("NAME"), Value(r.name)));
            ASSERT_TRUE(t.FIELDPUT(Value("PRICE"), Value(r.price)));
            ASSERT_TRUE(t.FIELDPUT(Value("QTY"), Value(r.qty)));
            ASSERT_TRUE(t.FIELDPUT(Value("BORN"), Value(r.born)));
            ASSERT_TRUE(t.FIELDPUT(Value("OK"), Value(r.ok)));
            ASSERT_TRUE(t.FIELDPUT(Value("NOTES"), Value(std::string(r.notes)))) << t.Status();
        }
        ASSERT_TRUE(t.CLOSE()) << t.Status();
    }
    const std::string bytes = dbtest::readFile(file);
    EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x83);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 3);

    DBSERVER t(file.string(), true, true);
    ASSERT_TRUE(t.USED()) << t.Status();
    EXPECT_EQ(t.FCOUNT(), 6);
    EXPECT_EQ(t.LASTREC(), 3);
    EXPECT_EQ(t.DBSTRUCT().at(2).at(2).str(), "N");
    EXPECT_EQ(t.DBSTRUCT().at(2).at(4).num(), 2);
    t.GOTOP();
    EXPECT_EQ(t.FIELDGET(Value("NAME")).str(), "Alpha       ");  // padded to the field
    EXPECT_EQ(t.FIELDGET(Value("PRICE")).num(), 12.5);
    EXPECT_EQ(t.FIELDGET(Value("BORN")).date(), rt::Date::fromYMD(1999, 12, 31));
    EXPECT_TRUE(t.FIELDGET(Value("OK")).log());
    EXPECT_EQ(t.FIELDGET(Value("notes")).str(), "first memo");
    t.SKIP();
    EXPECT_EQ(t.FIELDGET(Value(2)).num(), -7.25);
    EXPECT_EQ(t.FIELDGET(Value(3)).num(), -42);
    EXPECT_TRUE(t.FIELDGET(Value(4)).date().empty());
    EXPECT_FALSE(t.FIELDGET(Value(5)).log());
    t.SKIP();
    EXPECT_EQ(t.FIELDGET(Value("PRICE")).num(), 2.68);  // half away from zero on the decimal form
    EXPECT_EQ(t.FIELDGET(Value("NOTES")).str(), std::string(700, 'x'));
    t.SKIP();
    EXPECT_TRUE(t.EOF());
    EXPECT_EQ(t.FIELDGET(Value("NAME")).str(), std::string(12, ' '));
    t.CLOSE();

    DBTEST_REQUIRE_PYTHON("dbfread");
    const auto r = dbtest::runPython(dir, "import dbfread\n"
                                          "for rec in dbfread.DBF('" + file.string() + "', encoding='cp1252'):\n"
                                          "    notes = rec['NOTES'] or ''\n"
                                          "    print(repr([rec['NAME'], rec['PRICE'], rec['QTY'], rec['BORN'], rec['OK'],"
                                          " len(notes) if len(notes) > 20 else notes]))\n");
    EXPECT_EQ(r.out,
              "['Alpha', 12.5, 3, datetime.date(1999, 12, 31), True, 'first memo']\n"
              "['Beta', -7.25, -42, None, False, '']\n"
              "['Gamma', 2.68, 99999, datetime.date(2024, 2, 29), True, 700]\n");
}

TEST(DbServer, GdalReadsWhatWeWrite) {
    if (!fs::exists("/usr/bin/ogrinfo")) GTEST_SKIP() << "GDAL's ogrinfo is missing";
    const fs::path dir = mirvano_test::temp_dir("db-gdal");
    const fs::path file = makePeople(dir, {{"Zoe", 1234.5}, {"Anna", -0.5}});
    const auto r = dbtest::runCommand("/usr/bin/ogrinfo -ro -al -q " + file.string());
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* expected : {"NAME (String) = Zoe", "AMOUNT (Real) = 1234.50", "AMOUNT (Real) = -0.50",
                                 "BORN (Date) = 2000/01/01", "BORN (Date) = 2001/02/02", "OK (String) = T"}) {
        EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
    }
}

TEST(DbServer, ReadsDbfModuleTableWithMemoAndDeletedRecord) {
    DBTEST_REQUIRE_PYTHON("dbf");
    const fs::path dir = mirvano_test::temp_dir("db-pydbf");
    const auto r = dbtest::runPython(dir, "import dbf, datetime\n"
                                          "t = dbf.Table('" + (dir / "memo.dbf").string() + "', 'NAME C(10); AMOUNT N(8,2); "
                                          "BORN D; OK L; NOTES M', dbf_type='db3', codepage='cp1252')\n"
                                          "t.open(dbf.READ_WRITE)\n"
                                          "t.append(('one', 1.5, datetime.date(2001,2,3), True, 'memo one'))\n"
                                          "t.append(('two', -2.25, None, False, 'gone'))\n"
                                          "t.append(('three', 3, datetime.date(2020,12,31), None, 'x' * 1500))\n"
                                          "dbf.delete(t[1])\n"
                                          "t.close()\n");
    ASSERT_EQ(r.status, 0) << r.out;
    DBSERVER t((dir / "memo.dbf").string(), true, true);
    ASSERT_TRUE(t.USED()) << t.Status();
    EXPECT_TRUE(t.INFO(25).log());
    EXPECT_EQ(t.LASTREC(), 3);
    EXPECT_EQ(t.COUNT(), 2);
    EXPECT_EQ(visit(t), (std::vector<std::string>{"one", "three"}));
    t.GOTOP();
    EXPECT_EQ(t.FIELDGET(Value("NOTES")).str(), "memo one");
    EXPECT_EQ(t.FIELDGET(Value("BORN")).date(), rt::Date::fromYMD(2001, 2, 3));
    t.SKIP();
    EXPECT_EQ(t.RECNO(), 3);
    EXPECT_EQ(t.FIELDGET(Value("NOTES")).str(), std::string(1500, 'x'));
    EXPECT_EQ(t.FIELDGET(Value("AMOUNT")).num(), 3);
    ASSERT_TRUE(t.GOTO(2));  // a view may still go to the deleted record by number
    EXPECT_TRUE(t.DELETED());
    EXPECT_EQ(t.FIELDGET(Value("NOTES")).str(), "gone");
}

// The memo kinds and character sets other programs write: dBase III .dbt, FoxPro .fpt;
// OEM tables come back in ANSI.
TEST(DbServer, ReadsMemoKindsAndCodePagesOfOtherPrograms) {
    DBTEST_REQUIRE_PYTHON("dbf");
    const fs::path dir = mirvano_test::temp_dir("db-kinds");
    struct {
        const char* type;
        const char* codepage;
        unsigned char version;
        bool ansi;
    } cases[] = {{"db3", "cp1252", 0x83, true}, {"db3", "cp437", 0x83, false}, {"clp", "cp850", 0x83, false},
                 {"fp", "cp1252", 0xF5, true},  {"vfp", "cp1252", 0x30, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.type) + " " + c.codepage);
        const fs::path file = dir / (std::string(c.type) + c.codepage + ".dbf");
        const auto r = dbtest::runPython(dir, "import dbf\n"
                                              "t = dbf.Table('" + file.string() + "', 'NAME C(10); QTY N(5,1); NOTES M', "
                                              "dbf_type='" + c.type + "', codepage='" + c.codepage + "')\n"
                                              "t.open(dbf.READ_WRITE)\n"
                                              "t.append(('M\\u00fcller', -2.5, 'N\\u00f6te ' * 200))\n"
                                              "t.append(('Smith', 7, 'short'))\n"
                                              "t.close()\n");
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(static_cast<unsigned char>(dbtest::readFile(file)[0]), c.version);
        DBSERVER t(file.string(), true, true);
        ASSERT_TRUE(t.USED()) << t.Status();
        EXPECT_EQ(t.INFO(25).log(), c.ansi);
        EXPECT_EQ(t.FIELDGET(Value("NAME")).str(), "M\xfcller    ");
        EXPECT_EQ(t.FIELDGET(Value("QTY")).num(), -2.5);
        std::string notes;
        for (int i = 0; i < 200; ++i) notes += "N\xf6te ";
        EXPECT_EQ(t.FIELDGET(Value("NOTES")).str(), notes);
        t.SKIP();
        EXPECT_EQ(t.FIELDGET(Value("NOTES")).str(), "short");
        t.SKIP();
        EXPECT_TRUE(t.EOF());
    }
}

TEST(DbServer, ReadsDbaseIvMemo) {
    const fs::path dir = mirvano_test::temp_dir("db-dbase4");
    const fs::path file = dir / "four.dbf";
    ASSERT_TRUE(db::DBCREATE(file.string(), structure({{"NOTES", "M", 10, 0}})));
    {
        DBSERVER t(file.string(), true, false);
        ASSERT_TRUE(t.APPEND());
        ASSERT_TRUE(t.FIELDPUT(Value(1), Value("placeholder")));
    }
    std::string table = dbtest::readFile(file);
    table[0] = '\x8B';
    std::string memo(1024, '\0');
    memo[0] = 2;          // next free block
    memo[20] = 0, memo[21] = 2;  // block size 512
    const std::string text = "dBase IV memo with \x1A inside";
    memo.replace(512, 4, "\xFF\xFF\x08\x00");
    memo[516] = static_cast<char>(8 + text.size());
    memo.replace(520, text.size(), text);
    dbtest::writeFile(file, table);
    dbtest::writeFile(dir / "four.dbt", memo);
    DBSERVER t(file.string(), true, true);
    ASSERT_TRUE(t.USED()) << t.Status();
    EXPECT_EQ(t.FIELDGET(Value(1)).str(), text);
}

TEST(DbServer, ReadsVisualFoxProTypes) {
    DBTEST_REQUIRE_PYTHON("dbf");
    const fs::path dir = mirvano_test::temp_dir("db-vfp");
    const auto r = dbtest::runPython(dir, "import dbf, datetime\n"
                                          "t = dbf.Table('" + (dir / "fox.dbf").string() + "', 'N I; D B; Y Y; T T; F F(10,3); "
                                          "M M; C C(5)', dbf_type='vfp', codepage='cp1252')\n"
                                          "t.open(dbf.READ_WRITE)\n"
                                          "t.append((-123456, 2.5, 1.0625, datetime.datetime(2021,3,4,5,6,7), 1.25, 'fox memo', 'ab'))\n"
                                          "t.close()\n");
    ASSERT_EQ(r.status, 0) << r.out;
    DBSERVER t((dir / "fox.dbf").string(), true, true);
    ASSERT_TRUE(t.USED()) << t.Status();
    EXPECT_EQ(t.FIELDGET(Value("N")).num(), -123456);
    EXPECT_EQ(t.FIELDGET(Value("D")).num(), 2.5);
    EXPECT_EQ(t.FIELDGET(Value("Y")).num(), 1.0625);
    EXPECT_EQ(t.FIELDGET(Value("T")).str(), "2021-03-04 05:06:07");
    EXPECT_EQ(t.FIELDGET(Value("F")).num(), 1.25);
    EXPECT_EQ(t.FIELDGET(Value("M")).str(), "fox memo");
    EXPECT_EQ(t.FIELDGET(Value("C")).str(), "ab   ");
}

TEST(DbServer, ReadsOgr2ogrTable) {
    if (!fs::exists("/usr/bin/ogr2ogr")) GTEST_SKIP() << "GDAL's ogr2ogr is missing";
    const fs::path dir = mirvano_test::temp_dir("db-ogr");
    dbtest::writeFile(dir / "in.csv", "name,price,day,count\nM\xc3\xbcller,-3.5,2019/07/14,7\nSmith,10.25,,-2\n");
    dbtest::writeFile(dir / "in.csvt", "String(12),Real(9.2),Date,Integer(6)\n");
    const auto r = dbtest::runCommand("/usr/bin/ogr2ogr -f 'ESRI Shapefile' -lco ENCODING=CP1252 " + (dir / "out.dbf").string() +
                                      " " + (dir / "in.csv").string());
    ASSERT_EQ(r.status, 0) << r.out;
    DBSERVER t((dir / "out.dbf").string(), true, true);
    ASSERT_TRUE(t.USED()) << t.Status();
    EXPECT_TRUE(t.INFO(25).log());
    ASSERT_EQ(t.FCOUNT(), 4);
    EXPECT_EQ(t.FIELDGET(Value("NAME")).str(), "M\xfcller      ");
    EXPECT_EQ(t.FIELDGET(Value("PRICE")).num(), -3.5);
    EXPECT_EQ(t.FIELDGET(Value("DAY")).date(), rt::Date::fromYMD(2019, 7, 14));
    EXPECT_EQ(t.FIELDGET(Value("COUNT")).num(), 7);
    t.SKIP();
    EXPECT_EQ(t.FIELDGET(Value("PRICE")).num(), 10.25);
    EXPECT_TRUE(t.FIELDGET(Value("DAY")).date().empty());
    EXPECT_EQ(t.FIELDGET(Value("COUNT")).num(), -2);
}

TEST(DbServer, MalformedTablesFailToOpenWithAReason) {
    const fs::path dir = mirvano_test::temp_dir("db-bad");
    std::string error;
    const fs::path good = dir / "good.dbf";
    ASSERT_TRUE(db::DBCREATE(good.string(), structure({{"NAME", "C", 10, 0}, {"NOTES", "M", 10, 0}}), {}, {}, &error)) << error;
    {
        DBSERVER t(good.string(), false, false);
        ASSERT_TRUE(t.APPEND());
        ASSERT_TRUE(t.FIELDPUT(Value("NAME"), Value("x")));
        ASSERT_TRUE(t.FIELDPUT(Value("NOTES"), Value("memo")));
    }
    const std::string bytes = dbtest::readFile(good);
    const std::string memo = dbtest::readFile(dir / "good.dbt");
    ASSERT_EQ(bytes.size(), 32u + 64 + 1 + 21 + 1);

    auto patched = [&bytes](size_t at, std::initializer_list<unsigned char> with) {
        std::string b = bytes;
        size_t i = at;
        for (unsigned char c : with) b[i++] = static_cast<char>(c);
        return b;
    };
    struct Case {
        const char* what;
        std::string table;
        std::string reason;
    } cases[] = {
        {"truncated header", bytes.substr(0, 20), "truncated"},
        {"header length beyond the file", patched(8, {0xFF, 0x7F}), "header length"},
        {"header length below a descriptor", patched(8, {0x10, 0x00}), "header length"},
        {"descriptor without terminator", patched(96, {'X'}), "terminator"},
        {"field length 0", patched(32 + 16, {0x00}), "length 0"},
        {"record length shorter than the fields", patched(10, {0x05, 0x00}), "record length"},
        {"memo block beyond the memo file", patched(97 + 11, {'9', '9', '9', '9', '9', '9', '9', '9', '9', '9'}), "memo block"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = dir / "bad.dbf";
        dbtest::writeFile(file, c.table);
        dbtest::writeFile(dir / "bad.dbt", memo);
        DBSERVER t(file.string(), true, true);
        EXPECT_FALSE(t.USED());
        EXPECT_NE(t.Status().find(c.reason), std::string::npos) << t.Status();
        EXPECT_TRUE(t.EOF());
        EXPECT_TRUE(t.FIELDGET(Value(1)).isNil());
        EXPECT_FALSE(t.SKIP());
        EXPECT_NE(t.Status().find(c.reason), std::string::npos) << "the reason is kept: " << t.Status();
    }
    // A record count beyond the file: the complete record is read, the claimed count told.
    for (const auto& [table, claimed] : {std::pair{patched(4, {0x02, 0x00, 0x00, 0x00}), int64_t{2}},
                                         std::pair{patched(4, {0xFF, 0xFF, 0xFF, 0xFF}), int64_t{0xFFFFFFFF}}}) {
        dbtest::writeFile(dir / "bad.dbf", table);
        dbtest::writeFile(dir / "bad.dbt", memo);
        DBSERVER t((dir / "bad.dbf").string(), true, true);
        ASSERT_TRUE(t.USED()) << t.Status();
        EXPECT_EQ(t.LASTREC(), 1);
        EXPECT_EQ(t.CLAIMEDCOUNT(), claimed);
        EXPECT_EQ(t.FIELDGET(Value("NOTES")).str(), "memo");
    }
    fs::remove(dir / "bad.dbt");
    dbtest::writeFile(dir / "bad.dbf", bytes);
    DBSERVER t((dir / "bad.dbf").string(), true, true);
    EXPECT_FALSE(t.USED());
    EXPECT_NE(t.Status().find("memo file"), std::string::npos) << t.Status();
}

// Every cut of a table and its memo file, and every header byte set to 0x00 and 0xFF, either
// fails to open or reads without touching memory outside the file's bytes.
TEST(DbServer, DamagedTablesNeverReadOutsideTheirBytes) {
    const fs::path dir = mirvano_test::temp_dir("db-damage");
    const fs::path good = dir / "good.dbf";
    ASSERT_TRUE(db::DBCREATE(good.string(), structure({{"NAME", "C", 300, 0}, {"N", "N", 6, 2}, {"NOTES", "M", 10, 0}})));
    {
        DBSERVER t(good.string(), false, false);
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(t.APPEND());
            ASSERT_TRUE(t.FIELDPUT(Value("NAME"), Value(std::string(290, 'a' + i))));
            ASSERT_TRUE(t.FIELDPUT(Value("N"), Value(i * 1.5)));
            ASSERT_TRUE(t.FIELDPUT(Value("NOTES"), Value(std::string(600 * i, 'm'))));
        }
    }
    const std::string table = dbtest::readFile(good), memo = dbtest::readFile(dir / "good.dbt");
    auto readAll = [&dir](const std::string& t, const std::string& m) {
        dbtest::writeFile(dir / "d.dbf", t);
        dbtest::writeFile(dir / "d.dbt", m);
        DBSERVER d((dir / "d.dbf").string(), true, true);
        if (!d.USED()) {
            EXPECT_FALSE(d.Status().empty());
            return;
        }
        for (d.GOTOP(); !d.EOF(); d.SKIP()) {
            for (int f = 1; f <= d.FCOUNT(); ++f) d.FIELDGET(Value(f));
        }
    };
    for (size_t cut = 0; cut < table.size(); ++cut) readAll(table.substr(0, cut), memo);
    for (size_t cut = 0; cut < memo.size(); cut += 97) readAll(table, memo.substr(0, cut));
    for (size_t at = 0; at < 32 + 3 * 32 + 1; ++at) {
        for (char byte : {'\x00', '\xFF'}) {
            std::string t = table;
            t[at] = byte;
            readAll(t, memo);
        }
    }
}

TEST(DbServer, FilterVisitsMatchingRecordsAndHidesRecordsWhoseTestFails) {
    const fs::path dir = mirvano_test::temp_dir("db-filter");
    const fs::path file = makePeople(dir, {{"A", 5}, {"Anna", 11}, {"B", 20}, {"A", 10.01}, {"a", 50}, {"A", 10}});
    DBSERVER t(file.string(), true, true);
    ASSERT_TRUE(t.USED()) << t.Status();
    ASSERT_TRUE(t.SETFILTER(Value(), "AMOUNT > 10 .AND. NAME = 'A'")) << t.Status();
    std::vector<int64_t> seen;
    for (t.GOTOP(); !t.EOF(); t.SKIP()) seen.push_back(t.RECNO());
    EXPECT_EQ(seen, (std::vector<int64_t>{2, 4}));
    EXPECT_EQ(t.COUNT(), 2);

    // A runtime error (text plus number) on the records with AMOUNT > 10 hides just those.
    ASSERT_TRUE(t.SETFILTER("iif(AMOUNT > 10, NAME + AMOUNT, .T.)")) << t.Status();
    seen.clear();
    for (t.GOTOP(); !t.EOF(); t.SKIP()) seen.push_back(t.RECNO());
    EXPECT_EQ(seen, (std::vector<int64_t>{1, 6}));
    ASSERT_TRUE(t.SETFILTER("Recno() % 2 == 0 .AND. !Deleted()")) << t.Status();
    EXPECT_EQ(visit(t), (std::vector<std::string>{"Anna", "A", "A"}));

    EXPECT_FALSE(t.SETFILTER("AMOUNT >"));
    EXPECT_FALSE(t.Status().empty());
    EXPECT_TRUE(t.CLEARFILTER());
    EXPECT_EQ(t.COUNT(), 6);
    // Backwards from the end and before the start.
    t.GOBOTTOM();
    EXPECT_EQ(t.RECNO(), 6);
    t.SKIP(-5);
    EXPECT_EQ(t.RECNO(), 1);
    t.SKIP(-1);
    EXPECT_TRUE(t.BOF());
    EXPECT_EQ(t.RECNO(), 1);
}

TEST(DbServer, IndexOrdersByCollationAndNegativeNumbers) {
    const fs::path dir = mirvano_test::temp_dir("db-index");
    const fs::path file = dir / "prices.dbf";
    ASSERT_TRUE(db::DBCREATE(file.string(), structure({{"NAME", "C", 8, 0}, {"PRICE", "N", 8, 2}})));
    struct {
        const char* name;
        double price;
    } rows[] = {{"b", 3}, {"B", -12.5}, {"\xc4pfel", 1}, {"apple", 0}, {"b", -0.01}, {"B", 99999.99}, {"Zebra", -9999.99},
                {"apfel", 1}, {"B", -12.5}};
    {
        DBSERVER t(file.string(), true, false);
        for (const auto& r : rows) {
            t.APPEND();
            t.FIELDPUT(Value(1), Value(r.name));
            t.FIELDPUT(Value(2), Value(r.price));
        }
    }
    DBSERVER t(file.string(), true, true);
    const std::string ntx = (dir / "$indin.ntx").string();
    ASSERT_TRUE(t.CREATEINDEX(ntx, "NAME + StrZero(100000.0 + PRICE,9,2)")) << t.Status();
    ASSERT_TRUE(t.SETINDEX(ntx)) << t.Status();
    std::vector<int64_t> order;
    for (t.GOTOP(); !t.EOF(); t.SKIP()) order.push_back(t.RECNO());
    // apfel/Äpfel sort together (by bytes among themselves), then apple; B and b by price.
    EXPECT_EQ(order, (std::vector<int64_t>{8, 3, 4, 2, 9, 5, 1, 6, 7}));
    t.SKIP(-1);
    EXPECT_EQ(t.RECNO(), 7);

    // Index order and filter together.
    ASSERT_TRUE(t.SETFILTER("PRICE < 0"));
    order.clear();
    for (t.GOTOP(); !t.EOF(); t.SKIP()) order.push_back(t.RECNO());
    EXPECT_EQ(order, (std::vector<int64_t>{2, 9, 5, 7}));
    t.CLEARFILTER();
    EXPECT_TRUE(t.CLEARINDEX(0));
    order.clear();
    for (t.GOTOP(); !t.EOF(); t.SKIP()) order.push_back(t.RECNO());
    EXPECT_EQ(order, (std::vector<int64_t>{1, 2, 3, 4, 5, 6, 7, 8, 9}));

    // A key that does not compile, or fails at run time, is refused.
    EXPECT_FALSE(t.CREATEINDEX(ntx, "NAME +  + PRICE"));
    EXPECT_FALSE(t.CREATEINDEX(ntx, "NAME + PRICE"));
    EXPECT_FALSE(t.SETINDEX((dir / "missing.ntx").string()));
}

TEST(DbServer, IndexBeyondTheMemoryBudgetMergesRuns) {
    const fs::path dir = mirvano_test::temp_dir("db-merge");
    const fs::path file = dir / "many.dbf";
    ASSERT_TRUE(db::DBCREATE(file.string(), structure({{"KEY", "C", 6, 0}})));
    std::mt19937 gen(7);
    std::vector<std::string> keys;
    {
        DBSERVER t(file.string(), false, false);
        for (int i = 0; i < 3000; ++i) {
            std::string k;
            for (int j = 0; j < 3; ++j) k += "aAbB\xe4\xc4zZ09 -"[gen() % 12];
            keys.push_back(k + "   ");
            t.APPEND();
            t.FIELDPUT(Value(1), Value(k));
        }
    }
    const size_t before = db::IndexMemoryBudget();
    db::SetIndexMemoryBudget(4096);
    DBSERVER t(file.string(), true, true);
    const bool built = t.CREATEINDEX((dir / "k.ntx").string(), "KEY");
    db::SetIndexMemoryBudget(before);
    ASSERT_TRUE(built) << t.Status();
    ASSERT_TRUE(t.SETINDEX((dir / "k.ntx").string()));
    std::vector<std::pair<std::string, int64_t>> seen;
    for (t.GOTOP(); !t.EOF(); t.SKIP()) seen.emplace_back(t.FIELDGET(Value(1)).str(), t.RECNO());
    ASSERT_EQ(seen.size(), keys.size());
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end(), [](const auto& a, const auto& b) {
        const int c = db::collation::compare(a.first, b.first);
        return c != 0 ? c < 0 : a.second < b.second;
    }));
    size_t wrong = 0;
    for (const auto& [key, recno] : seen) wrong += key != keys[static_cast<size_t>(recno - 1)];
    EXPECT_EQ(wrong, 0u) << "a record read in key order holds another record's bytes";
    // Only the finished index is left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 2);
}

// A long walk along an index reads records gathered ahead of it: what is written on the way,
// and jumps out of the walk, must still see every record as it stands.
TEST(DbServer, WritingWhileWalkingAnIndexKeepsEveryRecord) {
    const fs::path dir = mirvano_test::temp_dir("db-walk");
    const fs::path file = dir / "walk.dbf";
    ASSERT_TRUE(db::DBCREATE(file.string(), structure({{"KEY", "N", 6, 0}, {"MARK", "C", 4, 0}})));
    const int n = 5000;
    DBSERVER t(file.string(), false, false);
    for (int i = 0; i < n; ++i) {
        t.APPEND();
        t.PUTNUMBER(1, (i * 7919) % n);  // a key order unlike the file's
        t.PUTSTRING(2, "new");
    }
    ASSERT_TRUE(t.CREATEINDEX((dir / "w.ntx").string(), "StrZero(KEY,6,0)")) << t.Status();
    ASSERT_TRUE(t.SETINDEX((dir / "w.ntx").string()));
    int step = 0;
    double previous = -1;
    for (t.GOTOP(); !t.EOF(); t.SKIP(), ++step) {
        const double key = t.FIELDGET(1).num();
        ASSERT_GT(key, previous) << "at step " << step;
        previous = key;
        if (step % 3 == 0) t.PUTSTRING(2, "seen");
        if (step == 2502) {  // away and back: the record as written, the walk going on
            const int64_t here = t.RECNO();
            t.GOTO(1);
            EXPECT_EQ(t.FIELDGET(1).num(), 0);
            t.GOTO(here);
            EXPECT_EQ(t.FIELDGET(2).str(), "seen");
        }
    }
    EXPECT_EQ(step, n);
    t.CLEARINDEX();
    int seen = 0;
    for (t.GOTOP(); !t.EOF(); t.SKIP()) seen += t.FIELDGET(2).str() == "seen";
    EXPECT_EQ(seen, (n + 2) / 3);
}

TEST(DbServer, CollationGroupsCaseAndAccents) {
    struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"A", "a", -1},           {"a", "\xc4", -1},    {"\xe4z", "B", -1},  {"\xdf", "t", -1},   {"9", "A", -1},
        {" ", "-", -1},           {"AB", "AB  ", 0},    {"AB", "ABC", -1},   {"\xdeorn", "Zz", 1}, {"\x9a", "s", 1},
        {"\xe9t\xe9", "ETE", 1},  {"\xe9tz", "ETE", 1}, {"Oe", "\xd6", 1},
    };
    for (const auto& c : cases) {
        const int got = db::collation::compare(c.a, c.b);
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.a << " vs " << c.b;
    }
    // The packed words an index sorts by first never contradict the full comparison.
    std::mt19937 gen(3);
    for (int k = 0; k < 200000; ++k) {
        std::string a, b;
        for (size_t i = gen() % 20; i > 0; --i) a += static_cast<char>(gen() % 256);
        b = a.substr(0, gen() % (a.size() + 1));
        for (size_t i = gen() % 20; i > 0; --i) b += static_cast<char>(gen() % 256);
        const int full = db::collation::compare(a, b);
        for (size_t from : {size_t{0}, size_t{8}}) {
            const uint64_t pa = db::collation::prefix(a, from), pb = db::collation::prefix(b, from);
            if (pa != pb) {
                ASSERT_EQ(pa < pb, full < 0) << "word from " << from;
                break;
            }
        }
    }
}

TEST(DbServer, NumbersTooLargeBecomeAsterisksAndLongTextSurvives) {
    const fs::path dir = mirvano_test::temp_dir("db-fit");
    const fs::path file = dir / "fit.dbf";
    std::string error;
    ASSERT_TRUE(db::DBCREATE(file.string(), structure({{"N", "N", 5, 2}, {"LONG", "C", 300, 0}, {"SHORT", "C", 3, 0}}), {}, {},
                             &error))
        << error;
    const std::string longText = std::string(150, 'a') + std::string(150, 'b');
    struct {
        double value;
        const char* stored;
    } numbers[] = {{123.456, "*****"}, {99.994, "99.99"}, {99.995, "*****"}, {-9.99, "-9.99"}, {-10, "*****"},
                   {-0.001, " 0.00"},  {0.125, " 0.13"}, {1e300, "*****"}};
    {
        DBSERVER t(file.string(), true, false);
        for (const auto& n : numbers) {
            ASSERT_TRUE(t.APPEND());
            ASSERT_TRUE(t.FIELDPUT(Value("N"), Value(n.value)));
            ASSERT_TRUE(t.FIELDPUT(Value("LONG"), Value(longText)));
            ASSERT_TRUE(t.FIELDPUT(Value("SHORT"), Value("abcdef")));
        }
        EXPECT_FALSE(t.FIELDPUT(Value("N"), Value("12")));
        EXPECT_FALSE(t.FIELDPUT(Value("NOPE"), Value(1)));
    }
    const std::string bytes = dbtest::readFile(file);
    EXPECT_EQ(static_cast<unsigned char>(bytes[64 + 16]), 300 & 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[64 + 17]), 300 >> 8);
    const size_t header = 32 + 3 * 32 + 1, record = 1 + 5 + 300 + 3;
    for (size_t i = 0; i < std::size(numbers); ++i) {
        EXPECT_EQ(bytes.substr(header + i * record + 1, 5), numbers[i].stored) << numbers[i].value;
    }
    DBSERVER t(file.string(), true, true);
    ASSERT_TRUE(t.USED()) << t.Status();
    EXPECT_EQ(t.DBSTRUCT().at(2).at(3).num(), 300);
    EXPECT_EQ(t.DBSTRUCT().at(2).at(4).num(), 0);
    EXPECT_EQ(t.FIELDGET(Value("LONG")).str(), longText);
    EXPECT_EQ(t.FIELDGET(Value("SHORT")).str(), "abc");
    EXPECT_EQ(t.FIELDGET(Value("N")).num(), 0);  // asterisks read as no number
    t.CLOSE();

    DBTEST_REQUIRE_PYTHON("dbfread");
    const auto r = dbtest::runPython(dir, "import dbfread\nrec = next(iter(dbfread.DBF('" + file.string() +
                                              "')))\nprint(rec['LONG'].count('a'), rec['LONG'].count('b'), rec['SHORT'])\n");
    EXPECT_EQ(r.out, "150 150 abc\n");
}

TEST(DbServer, StructureErrorsRefuseCreation) {
    const fs::path dir = mirvano_test::temp_dir("db-create");
    const std::string file = (dir / "t.dbf").string();
    const Value bad[] = {
        structure({}),
        structure({{"TOOLONGNAME", "C", 5, 0}}),
        structure({{"A", "C", 0, 0}}),
        structure({{"A", "N", 4, 4}}),  // no room for the point
        structure({{"A", "N", 256, 0}}),
        structure({{"A", "X", 5, 0}}),
        structure({{"A", "C", 5, 0}, {"a", "N", 5, 0}}),
        structure({{"A", "C", 40000, 0}, {"B", "C", 40000, 0}}),
        Value::array({Value("A")}),
    };
    for (const Value& s : bad) {
        std::string error;
        EXPECT_FALSE(db::DBCREATE(file, s, {}, {}, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_FALSE(fs::exists(file));
    }
    EXPECT_FALSE(db::DBCREATE((dir / "no/such/dir/t.dbf").string(), structure({{"A", "C", 1, 0}})));
}

// The number widths other writers make (GDAL's N(24,15), fractions in N(5,4)) are created,
// written and read back the same by dbfread and GDAL.
TEST(DbServer, NumberFieldsOfEveryWidthOtherWritersMake) {
    const fs::path dir = mirvano_test::temp_dir("db-numbers");
    const fs::path file = dir / "wide.dbf";
    std::string error;
    ASSERT_TRUE(db::DBCREATE(file.string(),
                             structure({{"REAL", "N", 24, 15}, {"FRAC", "N", 5, 4}, {"BIG", "N", 30, 0}, {"FL", "F", 24, 15}}),
                             {}, {}, &error))
        << error;
    {
        db::DBSERVER t(file.string(), true, false);
        ASSERT_TRUE(t.USED()) << t.Status();
        for (double v : {123.456, -0.5}) {
            ASSERT_TRUE(t.APPEND());
            EXPECT_TRUE(t.FIELDPUT(Value(1), Value(v)));
            EXPECT_TRUE(t.FIELDPUT(Value(2), Value(v < 0 ? 0.125 : 0.1234)));
            EXPECT_TRUE(t.FIELDPUT(Value(3), Value(v < 0 ? -1e25 : 1e20)));
            EXPECT_TRUE(t.FIELDPUT(Value(4), Value(v * 2)));
        }
    }
    db::DBSERVER t(file.string(), true, true);
    ASSERT_TRUE(t.USED()) << t.Status();
    t.GOTOP();
    EXPECT_EQ(t.FIELDGET(Value(1)).num(), 123.456);
    EXPECT_EQ(t.FIELDGET(Value(2)).num(), 0.1234);
    EXPECT_EQ(t.FIELDGET(Value(3)).num(), 1e20);
    t.SKIP();
    EXPECT_EQ(t.FIELDGET(Value(2)).num(), 0.125);
    t.CLOSE();

    const std::string expected = "123.456 0.1234 1e+20 246.912\n-0.5 0.125 -1e+25 -1.0\n";
    if (dbtest::pythonHas("dbfread")) {
        const auto r = dbtest::runPython(dir, "import dbfread\nfor r in dbfread.DBF('" + file.string() +
                                                  "'):\n    print(*[float(v) for v in r.values()])\n");
        EXPECT_EQ(r.out, expected);
    }
    if (dbtest::runCommand("ogr2ogr --version").status == 0) {
        const auto r = dbtest::runCommand("ogr2ogr -f CSV /vsistdout/ " + file.string() +
                                          " | /usr/bin/python3 -c \"import sys,csv\n"
                                          "for r in list(csv.reader(sys.stdin))[1:]: print(*[float(v) for v in r])\"");
        EXPECT_EQ(r.out, expected);
    }
}

// Identifiers of 17 digits in number fields (as GDAL writes 64-bit integers) are stored and
// read as their text: a double would change their last digits.
TEST(DbServer, NumberFieldsTakeAndGiveTheExactText) {
    const fs::path dir = mirvano_test::temp_dir("db-exact");
    const fs::path file = dir / "ids.dbf";
    ASSERT_TRUE(db::DBCREATE(file.string(), structure({{"ID", "N", 18, 0}, {"AMOUNT", "N", 20, 2}})));
    {
        db::DBSERVER t(file.string(), true, false);
        ASSERT_TRUE(t.APPEND());
        EXPECT_TRUE(t.PUTNUMBERTEXT(1, "12345678901234567"));
        EXPECT_TRUE(t.PUTNUMBERTEXT(2, "-1234567890123456.25"));
        ASSERT_TRUE(t.APPEND());
        EXPECT_TRUE(t.PUTNUMBERTEXT(1, "5.5"));  // more decimals than the field's: kept, not rounded
        EXPECT_TRUE(t.PUTNUMBERTEXT(2, "7"));    // fewer: in the field's form
        EXPECT_FALSE(t.PUTNUMBERTEXT(1, "12a"));
        EXPECT_FALSE(t.PUTNUMBERTEXT(1, ""));
        EXPECT_FALSE(t.FIELDPUT(Value(1), Value("12")));  // FIELDPUT keeps its types
    }
    db::DBSERVER t(file.string(), true, true);
    t.GOTOP();
    EXPECT_EQ(t.NUMBERTEXT(1), "12345678901234567");
    EXPECT_EQ(t.NUMBERTEXT(2), "-1234567890123456.25");
    t.SKIP();
    EXPECT_EQ(t.NUMBERTEXT(1), "5.5");
    EXPECT_EQ(t.NUMBERTEXT(2), "7.00");
    t.CLOSE();
    if (dbtest::pythonHas("dbfread")) {
        const auto r = dbtest::runPython(dir, "import dbfread\nfor r in dbfread.DBF('" + file.string() +
                                                  "'):\n    print(*r.values())\n");
        EXPECT_EQ(r.out, "12345678901234567 -1234567890123456.2\n5.5 7.0\n");
    }
}

TEST(DbServer, SecondHandleSeesAppendsAndExclusiveOpenIsRefused) {
    const fs::path dir = mirvano_test::temp_dir("db-shared");
    const fs::path file = makePeople(dir, {{"one", 1}});
    DBSERVER writer(file.string(), true, false);
    DBSERVER reader(file.string(), true, true);
    ASSERT_TRUE(writer.USED() && reader.USED());
    EXPECT_FALSE(DBSERVER(file.string(), false, false).USED());
    ASSERT_TRUE(writer.APPEND());
    EXPECT_EQ(reader.LASTREC(), 2);
    ASSERT_TRUE(writer.FIELDPUT(Value("NAME"), Value("two")));
    ASSERT_TRUE(writer.APPEND());
    ASSERT_TRUE(writer.FIELDPUT(Value("NAME"), Value("three")));
    ASSERT_TRUE(writer.COMMIT());
    EXPECT_EQ(visit(reader), (std::vector<std::string>{"one", "two", "three"}));
    const std::string bytes = dbtest::readFile(file);
    EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 3);
    EXPECT_EQ(bytes.back(), '\x1A');
    EXPECT_FALSE(reader.FIELDPUT(Value("NAME"), Value("x")));
    EXPECT_FALSE(reader.APPEND());
    writer.CLOSE();
    reader.CLOSE();
    DBSERVER exclusive(file.string(), false, false);
    EXPECT_TRUE(exclusive.USED()) << exclusive.Status();
    EXPECT_FALSE(DBSERVER(file.string(), true, true).USED());
}

TEST(DbServer, FailedWritesAreReported) {
    const fs::path dir = mirvano_test::temp_dir("db-full");
    const fs::path file = dir / "full.dbf";
    ASSERT_TRUE(db::DBCREATE(file.string(), structure({{"TEXT", "C", 100, 0}})));
    // A file size limit stands in for a full disk.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old;
    limit.rlim_cur = 150 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    bool appended = true;
    bool closed = true;
    std::string status;
    {
        DBSERVER t(file.string(), true, false);
        for (int i = 0; i < 5000 && appended; ++i) {
            appended = t.APPEND() && t.FIELDPUT(Value(1), Value("record " + std::to_string(i)));
        }
        closed = t.CLOSE();
        status = t.Status();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(appended);
    EXPECT_FALSE(closed);
    EXPECT_NE(status.find("cannot"), std::string::npos) << status;
}

TEST(DbServer, CharacterSetFollowsAnsiModeAndLanguageByte) {
    const fs::path dir = mirvano_test::temp_dir("db-ansi");
    const Value s = structure({{"NAME", "C", 8, 0}});
    rt::SetAnsi(false);
    const bool oemMade = db::DBCREATE((dir / "oem.dbf").string(), s);
    rt::SetAnsi(true);
    ASSERT_TRUE(oemMade);
    ASSERT_TRUE(db::DBCREATE((dir / "ansi.dbf").string(), s));
    for (const char* name : {"oem.dbf", "ansi.dbf"}) {
        DBSERVER t((dir / name).string(), true, false);
        ASSERT_TRUE(t.APPEND());
        ASSERT_TRUE(t.FIELDPUT(Value(1), Value("M\xfcller")));  // ANSI ü
    }
    const std::string oem = dbtest::readFile(dir / "oem.dbf"), ansi = dbtest::readFile(dir / "ansi.dbf");
    EXPECT_EQ(static_cast<unsigned char>(oem[29]), 0x02);
    EXPECT_EQ(static_cast<unsigned char>(ansi[29]), 0x03);
    EXPECT_EQ(oem.substr(32 + 32 + 1 + 1, 6), "M\x81ller");  // stored in code page 850
    EXPECT_EQ(ansi.substr(32 + 32 + 1 + 1, 6), "M\xfcller");
    {
        DBSERVER t((dir / "oem.dbf").string(), true, true);
        EXPECT_FALSE(t.INFO(25).log());
        EXPECT_EQ(t.FIELDGET(Value(1)).str(), "M\xfcller  ");
    }
    struct {
        unsigned char ldid;
        bool ansiFlag;
    } bytes[] = {{0x57, true}, {0x00, true}, {0x03, true}, {0x01, false}, {0x02, false}};
    for (const auto& b : bytes) {
        std::string patched = oem;
        patched[29] = static_cast<char>(b.ldid);
        dbtest::writeFile(dir / "x.dbf", patched);
        DBSERVER t((dir / "x.dbf").string(), true, true);
        EXPECT_EQ(t.INFO(25).log(), b.ansiFlag) << int(b.ldid);
    }
    DBTEST_REQUIRE_PYTHON("dbfread");
    const auto r = dbtest::runPython(dir, "import dbfread\nprint(next(iter(dbfread.DBF('" + (dir / "oem.dbf").string() +
                                              "')))['NAME'])\n");
    EXPECT_EQ(r.out, "M\xc3\xbcller\n");
}

TEST(DbServer, CopyStructureNotificationsAndFullPath) {
    const fs::path dir = mirvano_test::temp_dir("db-copy");
    const fs::path file = makePeople(dir, {{"one", 1}, {"two", 2}});
    DBSERVER t(file.string(), true, false);
    ASSERT_TRUE(t.COPYSTRUCTURE((dir / "$tempout.dbf").string())) << t.Status();
    DBSERVER copy((dir / "$tempout").string(), false, false);
    ASSERT_TRUE(copy.USED()) << copy.Status();
    EXPECT_EQ(copy.LASTREC(), 0);
    EXPECT_TRUE(copy.EOF());
    EXPECT_TRUE(copy.BOF());
    ASSERT_EQ(copy.FCOUNT(), t.FCOUNT());
    for (int i = 1; i <= t.FCOUNT(); ++i) {
        for (size_t k = 1; k <= 4; ++k) EXPECT_TRUE(copy.DBSTRUCT().at(i).at(k).same(t.DBSTRUCT().at(i).at(k)));
    }
    EXPECT_EQ(copy.FULLPATH(), (dir / "$tempout.dbf").string());

    std::vector<db::Notify> got;
    const int id = t.attach([&got](db::Notify n) { got.push_back(n); });
    t.SUSPENDNOTIFICATION();
    t.GOTOP();
    t.SKIP();
    t.APPEND();
    EXPECT_TRUE(got.empty());
    t.RESETNOTIFICATION();
    EXPECT_EQ(got, (std::vector<db::Notify>{db::Notify::Refresh}));
    t.SKIP();
    EXPECT_EQ(got.back(), db::Notify::RecordChanged);
    t.detach(id);
    t.GOTOP();
    EXPECT_EQ(got.size(), 2u);
    EXPECT_TRUE(t.CLOSE());
    EXPECT_FALSE(t.USED());
    EXPECT_EQ(t.FULLPATH(), file.string());
}

// Number texts as other writers store them go into a number field so that they read back as
// the same number: as they stand where the field's own form would not fit or would drop
// digits, in the field's form otherwise.
TEST(DbServer, NumberTextsOtherWritersStoreReadBackAsTheSameNumber) {
    const fs::path dir = mirvano_test::temp_dir("db-number-texts");
    const fs::path file = dir / "n.dbf";
    ASSERT_TRUE(db::DBCREATE(file.string(), structure({{"A", "N", 5, 4}, {"B", "N", 4, 2}, {"C", "N", 8, 2}, {"D", "N", 3, 0}})));
    const struct {
        int field;
        const char* text;
        const char* stored;
    } cases[] = {
        {1, ".1234", ".1234"},       {1, "0.500", ".5000"},     {1, "1", "    1"},
        {2, "-.50", "-.50"},         {2, "-0.5", "-.50"},       {2, ".5", "0.50"},
        {3, "123456.5", "123456.5"}, {3, "12345678", "12345678"}, {3, "1.2345", "  1.2345"},
        {3, "7", "    7.00"},        {3, "007.5", "    7.50"},  {4, "2.5", "2.5"},
        {4, "12.5", " 13"},          {4, "1234", "***"},
    };
    DBSERVER t(file.string(), true, false);
    for (const auto& c : cases) {
        ASSERT_TRUE(t.APPEND());
        EXPECT_TRUE(t.PUTNUMBERTEXT(c.field, c.text)) << c.text;
        EXPECT_EQ(t.FIELDBYTES(c.field), c.stored) << c.text;
    }
}

// Integer, currency and double fields give their exact texts; a date and time gives its
// milliseconds and carries a full day's count into the date.
TEST(DbServer, VisualFoxProValuesAsTheirExactTexts) {
    using dbf_bytes::le;
    const fs::path dir = mirvano_test::temp_dir("db-vfp-texts");
    const uint32_t day = 2459278;  // 4 March 2021
    dbtest::writeFile(dir / "fox.dbf",
                      dbf_bytes::table(0x30, 0x03, {{"I", 'I', 4, 0}, {"Y", 'Y', 8, 4}, {"B", 'B', 8, 0}, {"T", 'T', 8, 0}},
                                       {" " + le(0x80000000u, 4) + le(0x8000000000000000ull, 8) + le(-2.5e-7) + le(day, 4) + le(86399700, 4),
                                        " " + le(7, 4) + le(12345, 8) + le(1e22) + le(day, 4) + le(86400500, 4),
                                        " " + le(0, 4) + le(0, 8) + le(std::nan("")) + le(0, 8)}));
    DBSERVER t((dir / "fox.dbf").string(), true, true);
    ASSERT_TRUE(t.USED()) << t.Status();
    const std::vector<std::vector<std::string>> expected = {
        {"-2147483648", "-922337203685477.5808", "-0.00000025", "2021-03-04 23:59:59.700"},
        {"7", "1.2345", "10000000000000000000000", "2021-03-05 00:00:00.500"},
        {"0", "0.0000", "", ""},
    };
    for (const auto& row : expected) {
        ASSERT_FALSE(t.EOF());
        for (int f = 1; f <= 3; ++f) EXPECT_EQ(t.NUMBERTEXT(f), row[static_cast<size_t>(f - 1)]);
        EXPECT_EQ(t.FIELDGET(Value(4)).str(), row[3]);
        t.SKIP();
    }
}

// A copy of a table's structure keeps its language-driver byte, and a record's bytes are
// copied as they stand only into a table of the same code page: a DOS table in code page 437
// stays one through a sorted rewrite, and its text reads the same.
TEST(DbServer, ACopyOfTheStructureKeepsTheTablesCodePage) {
    const fs::path dir = mirvano_test::temp_dir("db-codepage");
    const std::string cent437 = std::string(" ") + "\x9B" + "      ";  // a cent sign in code page 437
    for (const unsigned char ldid : {0x01, 0x02, 0x64, 0x66, 0x65, 0xC9, 0x57, 0x00}) {
        const fs::path table = dir / "t.dbf", copy = dir / "copy.dbf";
        dbtest::writeFile(table, dbf_bytes::table(0x03, ldid, {{"NAME", 'C', 7, 0}}, {cent437}));
        fs::remove(copy);
        DBSERVER t(table.string(), true, false);
        ASSERT_TRUE(t.COPYSTRUCTURE(copy.string())) << t.Status();
        {
            DBSERVER c(copy.string(), true, false);
            EXPECT_EQ(c.CODEPAGE(), t.CODEPAGE()) << int(ldid);
            EXPECT_TRUE(c.SAMELAYOUT(t));
            ASSERT_TRUE(c.APPENDCOPY(t));
        }
        const std::string bytes = dbtest::readFile(copy);
        EXPECT_EQ(static_cast<unsigned char>(bytes[29]), ldid);
        EXPECT_EQ(bytes.substr(bytes.size() - 9, 8), cent437) << int(ldid);
    }
    // Into a table of another code page the text goes through the program's: the cent sign
    // of code page 437 is 0xBD in code page 850.
    dbtest::writeFile(dir / "dos.dbf", dbf_bytes::table(0x03, 0x01, {{"NAME", 'C', 7, 0}}, {cent437}));
    dbtest::writeFile(dir / "west.dbf", dbf_bytes::table(0x03, 0x02, {{"NAME", 'C', 7, 0}}, {}));
    DBSERVER dos((dir / "dos.dbf").string(), true, true), west((dir / "west.dbf").string(), true, false);
    EXPECT_EQ(dos.CODEPAGE(), 437u);
    EXPECT_EQ(west.CODEPAGE(), 850u);
    EXPECT_FALSE(west.SAMELAYOUT(dos));
    ASSERT_TRUE(west.APPENDCOPY(dos));
    ASSERT_TRUE(west.CLOSE());
    const std::string bytes = dbtest::readFile(dir / "west.dbf");
    EXPECT_EQ(bytes.substr(bytes.size() - 8, 7), "\xBD      ");
}

// Text in another code page than the program's: recoded from the table's own on the way out
// and back on the way in, what the other side lacks replaced by "?" and counted; a filter
// compares in that code page without counting; the table's own code page passes the bytes,
// and 0 gives the program's character set again (a Windows page other than ANSI as its
// bytes).
TEST(DbServer, TextInAnyCodePage) {
    const fs::path dir = mirvano_test::temp_dir("db-text-codepage");
    const std::string ivan866 = "\x88\xA2\xA0\xAD", ivan = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";
    dbtest::writeFile(dir / "ru.dbf", dbf_bytes::table(0x03, 0x65, {{"NAME", 'C', 6, 0}},
                                                       {" " + ivan866 + "  ", " \x8F\xA5\xE2\xE0  "}));
    DBSERVER t((dir / "ru.dbf").string(), true, false);
    ASSERT_TRUE(t.USED()) << t.Status();
    EXPECT_EQ(t.textCodePage(), 0u);
    EXPECT_EQ(t.FIELDGET(1).str(), "????  ");  // the program's ANSI
    EXPECT_EQ(t.lostCharacters(), 4u);

    ASSERT_TRUE(t.setTextCodePage(65001));
    EXPECT_EQ(t.FIELDGET(1).str(), ivan + "  ");
    ASSERT_TRUE(t.SETFILTER("NAME = '" + ivan + "'"));
    EXPECT_EQ(t.RECNO(), 1);
    EXPECT_TRUE(t.SKIP());
    EXPECT_TRUE(t.EOF());
    ASSERT_TRUE(t.CLEARFILTER());
    EXPECT_EQ(t.lostCharacters(), 4u);
    // Into the table: "Zażółć" lacks all four letters in code page 866, "Олег" none.
    ASSERT_TRUE(t.APPEND());
    ASSERT_TRUE(t.PUTSTRING(1, "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87"));
    EXPECT_EQ(t.FIELDBYTES(1), "Za????");
    ASSERT_TRUE(t.FIELDPUT(Value(1), Value("\xD0\x9E\xD0\xBB\xD0\xB5\xD0\xB3")));
    EXPECT_EQ(t.FIELDBYTES(1), "\x8E\xAB\xA5\xA3  ");
    EXPECT_EQ(t.lostCharacters(), 8u);

    ASSERT_TRUE(t.setTextCodePage(866));
    EXPECT_FALSE(t.recodes());
    EXPECT_EQ(t.FIELDGET(1).str(), "\x8E\xAB\xA5\xA3  ");
    ASSERT_TRUE(t.setTextCodePage(1251));
    EXPECT_EQ(t.FIELDGET(1).str(), "\xCE\xEB\xE5\xE3  ");
    EXPECT_FALSE(t.setTextCodePage(2));  // no code page
    EXPECT_EQ(t.textCodePage(), 1251u);
    EXPECT_EQ(t.lostCharacters(), 8u);
    ASSERT_TRUE(t.setTextCodePage(0));
    EXPECT_EQ(t.FIELDGET(1).str(), "????  ");

    dbtest::writeFile(dir / "win.dbf", dbf_bytes::table(0x03, 0xC9, {{"NAME", 'C', 4, 0}}, {" \xC8\xE2\xE0\xED"}));
    DBSERVER w((dir / "win.dbf").string(), true, true);
    EXPECT_EQ(w.FIELDGET(1).str(), "\xC8\xE2\xE0\xED");
    ASSERT_TRUE(w.setTextCodePage(65001));
    EXPECT_EQ(w.FIELDGET(1).str(), ivan);
}

// With ANSI mode off, a Windows table's text reaches the program's OEM 850 from the code page
// the table names: a Central European "Ő" that 850 lacks is replaced and counted, not taken for
// the "Õ" of 1252, and an "ä" both pages have arrives as itself.
TEST(DbServer, AWindowsTableInOemModeIsRecodedFromItsOwnCodePage) {
    const bool ansi = rt::IsAnsi();
    rt::SetAnsi(false);
    const fs::path dir = mirvano_test::temp_dir("db-oem-mode");
    dbtest::writeFile(dir / "ce.dbf", dbf_bytes::table(0x03, 0xC8, {{"NAME", 'C', 2, 0}}, {" \xD5\xE4"}));
    {
        DBSERVER t((dir / "ce.dbf").string(), true, true);
        EXPECT_EQ(t.CODEPAGE(), 1250u);
        EXPECT_EQ(t.FIELDGET(1).str(), "?\x84");
        EXPECT_EQ(t.lostCharacters(), 1u);
    }
    rt::SetAnsi(ansi);
}
