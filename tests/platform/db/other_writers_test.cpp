// Tables as other writers leave them: FoxPro's long text fields, Visual FoxPro's varchars,
// code pages named beside the table or by bytes we do not know, a memo file gone missing.
#include <gtest/gtest.h>

#include "db_support.h"
#include "dbf_bytes.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "test_env.h"

namespace fs = std::filesystem;
using dbf_bytes::Field;
using namespace std::string_literals;

namespace {

std::string pad(std::string s, size_t n) {
    s.resize(n, ' ');
    return s;
}

}  // namespace

// A text field longer than 255 bytes: its length byte plus 256 times its decimals byte where
// that makes the record length add up (FoxPro, Visual FoxPro, Clipper), the length byte alone
// where that does (a writer that left something in the decimals byte), and refused where
// neither does, rather than read every later field from the wrong place.
TEST(OtherWriters, LongTextFieldsTakeTheLengthTheRecordAddsUpTo) {
    const fs::path dir = mirvano_test::temp_dir("longtext");
    const std::string text = std::string(299, 'x') + "y";
    struct Case {
        const char* name;
        unsigned char version;
        int recordLengthChange;  // added to the right record length
        bool opens;
        int length;
    } cases[] = {
        {"foxpro", 0xF5, 0, true, 300},  {"vfp", 0x30, 0, true, 300},     {"clipper", 0x03, 0, true, 300},
        {"dbase4", 0x8B, 0, true, 300},  {"askew", 0xF5, 3, false, 0},    {"short", 0x30, -1, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = dbf_bytes::table(c.version, 0x03, {{"LONG", 'C', 300, 0}, {"N", 'N', 6, 2}, {"B", 'C', 3, 0}},
                                             {" " + text + "  1.50abc", " " + pad("z", 300) + "-12.25def"});
        const int recordLength = 1 + 300 + 6 + 3 + c.recordLengthChange;
        bytes[10] = static_cast<char>(recordLength & 0xFF);
        bytes[11] = static_cast<char>(recordLength >> 8);
        dbtest::writeFile(dir / (std::string(c.name) + ".dbf"), bytes);
        db::DBSERVER t((dir / (std::string(c.name) + ".dbf")).string(), true, true);
        EXPECT_EQ(t.USED(), c.opens) << t.Status();
        EXPECT_EQ(t.fieldLengthsMismatch(), !c.opens);
        if (!c.opens) {
            EXPECT_NE(t.Status().find("record length"), std::string::npos) << t.Status();
            continue;
        }
        EXPECT_EQ(t.fields()[0].length, c.length);
        EXPECT_EQ(t.fields()[0].decimals, 0);
        EXPECT_EQ(t.FIELDGET(1).str(), text);
        EXPECT_EQ(t.FIELDGET(2).num(), 1.5);
        EXPECT_EQ(t.FIELDGET(3).str(), "abc");
        t.SKIP();
        EXPECT_EQ(t.FIELDGET(2).num(), -12.25);
        EXPECT_EQ(t.FIELDGET(3).str(), "def");
    }
    // A writer that left a byte in a short text field's decimals byte: the record adds up
    // without it.
    dbtest::writeFile(dir / "junk.dbf", dbf_bytes::table(0x03, 0x03, {{"A", 'C', 4, 2}, {"B", 'C', 2, 0}}, {" abcdxy"}));
    db::DBSERVER junk((dir / "junk.dbf").string(), true, true);
    ASSERT_TRUE(junk.USED()) << junk.Status();
    EXPECT_EQ(junk.FIELDGET(1).str(), "abcd");
    EXPECT_EQ(junk.FIELDGET(2).str(), "xy");
    fs::remove_all(dir);
}

// Visual FoxPro's varchar gives the text it holds: the whole field where its length bit in
// _NullFlags is clear, as many bytes as the field's last byte counts where it is set, none
// where its null bit is set. Bits go in field order: a varchar's length bit, then the null
// bit of a field that may be null.
TEST(OtherWriters, VarcharFieldsGiveTheTextTheyHold) {
    const fs::path dir = mirvano_test::temp_dir("varchar");
    const std::vector<Field> fields = {{"V", 'V', 6, 0}, {"N", 'V', 4, 0, 0x02}, {"C", 'C', 2, 0},
                                       {"_NullFlags", '0', 1, 0, 0x05}};
    const auto flags = [](int bits) { return std::string(1, static_cast<char>(bits)); };
    dbtest::writeFile(dir / "v.dbf", dbf_bytes::table(0x30, 0x03, fields,
                                                       {" abcdefwxyzhi" + flags(0),              // both full
                                                        " ab\0\0\0\x02xy\0\x02hi"s + flags(3),   // both counted
                                                        " ab    wxyzhi" + flags(4)}));           // second null
    db::DBSERVER t((dir / "v.dbf").string(), true, true);
    ASSERT_TRUE(t.USED()) << t.Status();
    const std::vector<std::vector<std::string>> want = {{"abcdef", "wxyz"}, {"ab", "xy"}, {"ab    ", ""}};
    for (const auto& w : want) {
        EXPECT_EQ(t.FIELDGET(1).str(), w[0]);
        EXPECT_EQ(t.FIELDGET(2).str(), w[1]);
        EXPECT_EQ(t.FIELDGET(3).str(), "hi");
        t.SKIP();
    }
    EXPECT_TRUE(t.EOF());
    fs::remove_all(dir);
}

// The code page of a table: its language-driver byte (737, 852 and 857 by their newer bytes
// too), the ".cpg" file beside a table whose byte names none, and a byte or file we do not
// understand told as such, the text read as 1252.
TEST(OtherWriters, TheCodePageComesFromTheHeaderOrTheFileBesideIt) {
    const fs::path dir = mirvano_test::temp_dir("cpg");
    struct Case {
        const char* name;
        unsigned char ldid;
        const char* cpg;  // null: no file
        unsigned codePage;
        bool ansi;
        int unknown;
        bool cpgUnread;
    } cases[] = {
        {"greek", 0x86, nullptr, 737, false, -1, false},   {"latin2", 0x87, nullptr, 852, false, -1, false},
        {"turkish", 0x88, nullptr, 857, false, -1, false}, {"mazovia", 0x69, nullptr, 1252, true, 0x69, false},
        {"none", 0x00, nullptr, 1252, true, -1, false},    {"cp1251", 0x00, "CP1251", 1251, true, -1, false},
        {"utf8", 0x00, "UTF-8\r\n", 65001, true, -1, false}, {"dos", 0x00, "866", 866, false, -1, false},
        {"iso", 0x00, "8859-5", 28595, true, -1, false},   {"odd", 0x00, "LATIN-ish", 1252, true, -1, true},
        {"header", 0xC9, "CP866", 1251, true, -1, false},  {"ansi", 0x03, nullptr, 1252, true, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path table = dir / (std::string(c.name) + ".dbf");
        dbtest::writeFile(table, dbf_bytes::table(0x03, c.ldid, {{"A", 'C', 1, 0}}, {" a"}));
        if (c.cpg) dbtest::writeFile(dir / (std::string(c.name) + ".cpg"), c.cpg);
        db::DBSERVER t(table.string(), true, true);
        ASSERT_TRUE(t.USED()) << t.Status();
        EXPECT_EQ(t.CODEPAGE(), c.codePage);
        EXPECT_EQ(t.isAnsi(), c.ansi);
        EXPECT_EQ(t.unknownLanguageDriver(), c.unknown);
        EXPECT_EQ(t.unreadCodePageFile().empty(), !c.cpgUnread);
        EXPECT_EQ(t.codePageFile().empty(), !(c.cpg && !c.cpgUnread && c.ldid == 0));
    }
    fs::remove_all(dir);
}

// Code page 1255 holds letters back to compose them with points: a value that fills its field
// keeps its last letter, and points stay points rather than becoming presentation forms.
TEST(OtherWriters, HebrewTextKeepsItsLastLetterAndItsPoints) {
    const fs::path dir = mirvano_test::temp_dir("hebrew");
    // "שלום" and shin with a shin dot, each filling its field.
    dbtest::writeFile(dir / "h.dbf", dbf_bytes::table(0x03, 0x7D, {{"A", 'C', 4, 0}, {"B", 'C', 2, 0}},
                                                      {" \xF9\xEC\xE5\xED\xF9\xD1"}));
    db::DBSERVER t((dir / "h.dbf").string(), true, true);
    ASSERT_TRUE(t.USED());
    ASSERT_TRUE(t.setTextCodePage(65001));
    EXPECT_EQ(t.FIELDGET(1).str(), "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D");
    EXPECT_EQ(t.FIELDGET(2).str(), "\xD7\xA9\xD7\x81");
    fs::remove_all(dir);
}

// A table whose memo file is gone: refused with the file named, or, where asked, opened with
// its memo fields empty and the missing file told.
TEST(OtherWriters, AMissingMemoFileIsNamed) {
    const fs::path dir = mirvano_test::temp_dir("nomemo");
    dbtest::writeFile(dir / "m.dbf", dbf_bytes::table(0x83, 0x03, {{"A", 'C', 2, 0}, {"NOTE", 'M', 10, 0}},
                                                      {" ab         1"}));
    db::DBSERVER strict((dir / "m.dbf").string(), true, true);
    EXPECT_FALSE(strict.USED());
    EXPECT_NE(strict.Status().find((dir / "m.dbt").string()), std::string::npos) << strict.Status();
    db::DBSERVER lenient((dir / "m.dbf").string(), true, true, "DBFNTX", true);
    ASSERT_TRUE(lenient.USED()) << lenient.Status();
    EXPECT_EQ(lenient.missingMemoFile(), (dir / "m.dbt").string());
    EXPECT_EQ(lenient.FIELDGET(1).str(), "ab");
    EXPECT_EQ(lenient.FIELDGET(2).str(), "");
    fs::remove_all(dir);
}
