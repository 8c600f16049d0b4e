// Sorting, the record filter and ISINFILE: the key texts, the filter rewriting, the list
// lookup, the safe replacement of a sorted table, and whole runs through the main window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "engine/filter.h"
#include "engine/isinfile.h"
#include "engine/report.h"
#include "engine/sort.h"
#include "form_fixture.h"
#include "mainwindow/dtamirvano.h"
#include "platform/db/dbserver.h"
#include "platform/gui/controls.h"
#include "platform/gui/window.h"
#include "platform/runtime/expr.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/strings.h"
#include "test_env.h"
#include "ui/globals.h"
#include "widgets/statusbar2.h"

namespace fs = std::filesystem;
using engine::FieldDef;
using engine::ReportKind;

namespace {

using mirvano_test::readAll;
using mirvano_test::writeAll;


}  // namespace

TEST(SortKeys, KeyPartsByType) {
    struct Case {
        FieldDef f;
        std::string key;
    } cases[] = {
        {{"NAME", "C", 20, 0}, "NAME"},
        {{"PRICE", "N", 8, 2}, "StrZero(100000.0 + PRICE,9,2)"},
        {{"QTY", "N", 5, 0}, "StrZero(100000 + QTY,6,0)"},
        {{"RATE", "N", 3, 2}, "StrZero(1.0 + RATE,4,2)"},
        {{"ACTIVE", "L", 1, 0}, "Logic2Bin(ACTIVE)"},
        {{"BORN", "D", 8, 0}, "DToS(BORN)"},
        {{"NOTES", "M", 10, 0}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(engine::keyPart(c.f), c.key) << c.f.name;

    const engine::FieldStructure s = {{"NAME", "C", 20, 0}, {"QTY", "N", 5, 0}, {"NOTES", "M", 10, 0}, {"CITY", "C", 9, 0}};
    EXPECT_EQ(engine::inputSortKey(s, {2, 4, 5, 1}), "NAME +  + CITY");  // the memo field leaves its joiner
    EXPECT_EQ(engine::inputSortKey(s, {1, 3, 0, 0}), "StrZero(100000 + QTY,6,0)");
    EXPECT_EQ(engine::inputSortKey(s, {2, 2, 1, 1}), "NAME + NAME");
    EXPECT_EQ(engine::inputSortKey(s, {1, 4, 1, 1}), "");
    EXPECT_EQ(engine::outputSortKey(s, {"GONE", "CITY", "", "NAME"}), "CITY + NAME");
    EXPECT_EQ(engine::outputSortKey(s, {"city", "", "", ""}), "");  // names compare exactly
}

TEST(SortKeys, DateKeysOrderByCalendarAndNumbersBySign) {
    auto dir = mirvano_test::temp_dir("sort-keys");
    const std::string table = (dir / "t.dbf").string();
    ASSERT_TRUE(db::DBCREATE(table, std::vector<db::FieldInfo>{{"BORN", 'D', 8, 0}, {"AMOUNT", 'N', 8, 2}}));
    {
        db::DBSERVER t(table, true, false);
        const struct {
            int y, m, d;
            double amount;
        } rows[] = {{2014, 6, 15, 3.5}, {2015, 1, 2, -20}, {2013, 12, 31, 0}, {2014, 6, 14, -0.5}};
        for (const auto& r : rows) {
            ASSERT_TRUE(t.APPEND());
            t.FIELDPUT(rt::Value("BORN"), rt::Value(rt::Date::fromYMD(r.y, r.m, r.d)));
            t.FIELDPUT(rt::Value("AMOUNT"), rt::Value(r.amount));
        }
        t.COMMIT();
    }
    db::DBSERVER t(table, true, true);
    auto order = [&](const FieldDef& f) {
        const std::string index = (dir / (f.name + ".ntx")).string();
        EXPECT_TRUE(t.CREATEINDEX(index, engine::keyPart(f)));
        EXPECT_TRUE(t.SETINDEX(index));
        std::vector<int64_t> recnos;
        for (t.GOTOP(); !t.EOF(); t.SKIP()) recnos.push_back(t.RECNO());
        t.CLEARINDEX(0);
        return recnos;
    };
    EXPECT_EQ(order({"BORN", "D", 8, 0}), (std::vector<int64_t>{3, 4, 1, 2}));
    EXPECT_EQ(order({"AMOUNT", "N", 8, 2}), (std::vector<int64_t>{2, 4, 3, 1}));
}

TEST(SortReplace, AFailedRenameLeavesTableAndMemoAsTheyWere) {
    auto dir = mirvano_test::temp_dir("sort-replace");
    const std::string target = (dir / "out.dbf").string(), temp = (dir / "$tempout.dbf").string();
    writeAll(target, "old table");
    writeAll(dir / "out.dbt", "old memo");
    writeAll(temp, "new table");
    writeAll(dir / "$tempout.dbt", "new memo");
    // Every rename but the n-th succeeds: each step of the replacement is made to fail once.
    for (int failAt = 1; failAt <= 3; ++failAt) {
        int calls = 0;
        auto previous = engine::setRenameFunction([&](const std::string& from, const std::string& to, std::string* error) {
            if (++calls == failAt) {
                if (error) *error = "injected";
                return false;
            }
            return std::rename(from.c_str(), to.c_str()) == 0;
        });
        std::string why;
        EXPECT_FALSE(engine::replaceTable(temp, target, &why)) << failAt;
        engine::setRenameFunction(previous);
        EXPECT_EQ(why, "injected");
        EXPECT_EQ(readAll(target), "old table") << failAt;
        EXPECT_EQ(readAll(dir / "out.dbt"), "old memo") << failAt;
        EXPECT_EQ(readAll(temp), "new table") << failAt;
        EXPECT_EQ(readAll(dir / "$tempout.dbt"), "new memo") << failAt;
    }
    std::string why;
    ASSERT_TRUE(engine::replaceTable(temp, target, &why)) << why;
    EXPECT_EQ(readAll(target), "new table");
    EXPECT_EQ(readAll(dir / "out.dbt"), "new memo");
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_FALSE(fs::exists(dir / "out.dbt.~old"));
}

TEST(SortReplace, RewriteKeepsMemoTextsWithTheirRecords) {
    auto dir = mirvano_test::temp_dir("sort-memo");
    const std::string table = (dir / "m.dbf").string();
    ASSERT_TRUE(db::DBCREATE(table, std::vector<db::FieldInfo>{{"NAME", 'C', 5, 0}, {"NOTE", 'M', 10, 0}}));
    {
        db::DBSERVER t(table, true, false);
        for (const char* n : {"c", "a", "b"}) {
            t.APPEND();
            t.FIELDPUT(rt::Value("NAME"), rt::Value(n));
            t.FIELDPUT(rt::Value("NOTE"), rt::Value(std::string("memo of ") + n + std::string(600, '.')));
        }
    }
    {
        db::DBSERVER t(table, true, false);
        ASSERT_TRUE(t.CREATEINDEX((dir / "i.ntx").string(), "NAME"));
        ASSERT_TRUE(t.SETINDEX((dir / "i.ntx").string()));
        engine::CountingRunContext context;
        auto r = engine::rewriteInOrder(t, (dir / "$tempout.dbf").string(), context);
        EXPECT_EQ(r.end, engine::RewriteEnd::Completed) << r.error;
        EXPECT_EQ(r.count, 3u);
    }
    db::DBSERVER t(table, true, true);
    std::string seen;
    for (t.GOTOP(); !t.EOF(); t.SKIP()) {
        const std::string name = rt::AllTrim(t.FIELDGET(rt::Value("NAME")).str());
        seen += name;
        EXPECT_EQ(t.FIELDGET(rt::Value("NOTE")).str(), "memo of " + name + std::string(600, '.'));
    }
    EXPECT_EQ(seen, "abc");
    EXPECT_FALSE(fs::exists(dir / "$tempout.dbf"));
    EXPECT_FALSE(fs::exists(dir / "$tempout.dbt"));
}

TEST(RecordFilter, FieldNamesAreRewrittenAsWholeIdentifiers) {
    engine::FieldStructure s;
    for (int i = 1; i <= 10; ++i) s.push_back({"F" + std::to_string(i), "C", 10, 0});
    s.push_back({"A", "C", 5, 0});
    s.push_back({"AMOUNT", "N", 8, 2});
    s.push_back({"ACTIVE", "L", 1, 0});
    s.push_back({"BIRTH", "D", 8, 0});
    struct Case {
        std::string in;
        bool comma;
        std::string out;
    } cases[] = {
        {"F10 = 'x' .AND. F1 = 'F1'", false, "aFeld[10] = 'x' .AND. aFeld[1] = 'F1'"},
        {"AllTrim(A) == 'a'", false, "AllTrim(aFeld[11]) == 'a'"},
        {"AMOUNT > 10 .AND. ACTIVE", true, "val(StrTran(aFeld[12],',','.')) > 10 .AND. iif(aFeld[13] == '.T.',TRUE,FALSE)"},
        {"amount > 10", false, "val(aFeld[12]) > 10"},
        {"BIRTH < 2000.01.01", false, "CtoD(aFeld[14]) < 2000.01.01"},
    };
    for (const auto& c : cases) EXPECT_EQ(engine::rewriteFilter(c.in, s, c.comma), c.out) << c.in;
}

TEST(RecordFilter, CompiledOnceAndFailuresCounted) {
    const engine::FieldStructure s = {{"F1", "C", 5, 0}, {"F10", "N", 5, 0}};
    engine::RecordFilter f;
    ASSERT_TRUE(f.compile(engine::rewriteFilter("F1 = 'a' .AND. F10 > 3", s, false)));
    std::vector<std::vector<std::string>> records = {{"abc", "4"}, {"abc", "2"}, {"x", "9"}};
    std::string passed;
    for (const auto& r : records) passed += f.test(r) ? "1" : "0";
    EXPECT_EQ(passed, "100");
    EXPECT_FALSE(f.failedEverywhere());
    // An element beyond the record fails that record only.
    ASSERT_TRUE(f.compile("Len(aFeld[3]) > 0"));
    EXPECT_FALSE(f.test({"a", "1"}));
    EXPECT_TRUE(f.test({"a", "1", "z"}));
    EXPECT_FALSE(f.failedEverywhere());
    ASSERT_TRUE(f.compile("1 / (Len(aFeld[1]) - 1) > 0"));
    EXPECT_FALSE(f.test({"a"}));
    EXPECT_FALSE(f.test({"b"}));
    EXPECT_TRUE(f.failedEverywhere());
    EXPECT_FALSE(f.compile("aFeld[1] = "));
}

TEST(RecordFilter, LiteralsTakeTheWorkingEncoding) {
    const std::string typed = "NAME = 'M\xC3\xBCller' .AND. \"\xC3\xA9\" $ CITY";
    EXPECT_EQ(engine::literalsToEncoding(typed, engine::Charset::ANSI), "NAME = 'M\xFCller' .AND. \"\xE9\" $ CITY");
    EXPECT_EQ(engine::literalsToEncoding(typed, engine::Charset::OEM), "NAME = 'M\x81ller' .AND. \"\x82\" $ CITY");
    EXPECT_EQ(engine::literalsToEncoding(typed, engine::Charset::UTF8), typed);
}

TEST(IsInFile, ModesTypesAndTheCache) {
    auto dir = mirvano_test::temp_dir("isinfile");
    const std::string text = (dir / "names.txt").string(), other = (dir / "other.txt").string();
    writeAll(text, "  Smith  \r\nAB\r\n\r\nABC\r\n");
    writeAll(other, "abc\n7\nt\n  F \nyes\n15.06.2014\n");
    rt::SetDateCountry(5);
    rt::SetCentury(true);
    engine::clearIsInFileCache();
    EXPECT_FALSE(engine::ISINFILE(rt::Value("Smith"), "", 1));  // nothing loaded yet
    struct Case {
        const char* u;
        int mode;
        bool match;
    } exact[] = {{"Smith", 0, true}, {" Smith ", 0, true}, {"smith", 0, false}};
    for (const auto& c : exact) {
        engine::clearIsInFileCache();  // mode 0 loads the entries unchanged
        EXPECT_EQ(engine::ISINFILE(rt::Value(c.u), text, c.mode), c.match) << c.u << " " << c.mode;
    }
    engine::clearIsInFileCache();
    const Case upper[] = {{"smith", 1, true}, {"ABC", 2, true}, {"ABX", 2, true}, {"A", 2, false},
                          {"A", 3, true},     {"ABCD", 3, false}, {"B", 4, true},  {"XABCX", 5, true},
                          {"X", 5, false},    {"ab", 6, false},  {"", 1, false},  {"   ", 4, false}};
    for (const auto& c : upper) EXPECT_EQ(engine::ISINFILE(rt::Value(c.u), text, c.mode), c.match) << c.u << " " << c.mode;
    // A missing file leaves the list; an empty name searches it.
    EXPECT_FALSE(engine::ISINFILE(rt::Value("SMITH"), (dir / "missing.txt").string(), 1));
    EXPECT_TRUE(engine::ISINFILE(rt::Value("SMITH"), "", 1));

    EXPECT_TRUE(engine::ISINFILE(rt::Value(0), other, 1));  // "abc" is the number 0
    EXPECT_TRUE(engine::ISINFILE(rt::Value(7), "", 1));
    EXPECT_FALSE(engine::ISINFILE(rt::Value(8), "", 1));
    engine::clearIsInFileCache();
    EXPECT_TRUE(engine::ISINFILE(rt::Value(true), other, 1));
    EXPECT_TRUE(engine::ISINFILE(rt::Value(false), other, 1));
    engine::clearIsInFileCache();
    EXPECT_TRUE(engine::ISINFILE(rt::Value(rt::Date::fromYMD(2014, 6, 15)), other, 1));
    EXPECT_FALSE(engine::ISINFILE(rt::Value(rt::Date::fromYMD(2014, 6, 16)), other, 1));
    EXPECT_FALSE(engine::ISINFILE(rt::Value::array(), other, 1));

    // Through a filter expression, with the defaults of the missing arguments.
    engine::registerIsInFile();
    engine::clearIsInFileCache();
    rt::Value v = rt::Evaluate("IsInFile('smith', '" + text + "')", rt::EmptyScope());
    EXPECT_TRUE(v.log());
    v = rt::Evaluate("ISINFILE('ab', '', 0)", rt::EmptyScope());
    EXPECT_TRUE(v.isLogical() && !v.log());
    engine::clearIsInFileCache();
}

// Whole runs through the main window: sort and filter together, for text and dBase input.
namespace {

class SortFilterWindowTest : public FormFixture {
protected:
    void SetUp() override {
        startForm("sortfilter-window");
        rt::SetDateCountry(5);
        rt::SetCentury(true);
        format(true, "CSV");
        format(false, "CSV");
        press("RADIOGRENZETEXTOUT", true);
        form->lInHeader = true;
        writeAll(dir / "people.csv",
                 "NAME;CITY;BORN;AMOUNT\r\n"
                 "A;Paris;15.06.2014;20\r\n"
                 "B;Leeds;02.01.2015;30\r\n"
                 "C;Paris;01.01.2013;5\r\n"
                 "D;Leeds;15.06.2014;11\r\n"
                 "E;Paris;02.01.2015;12\r\n"
                 "F;Turin;10.10.2010;50\r\n");
    }
    void sortBy(const std::vector<std::string>& names) {
        gui::COMBOBOX* combos[] = {form->ODCCOMBOSORTIER1, form->ODCCOMBOSORTIER2, form->ODCCOMBOSORTIER3,
                                   form->ODCCOMBOSORTIER4};
        for (size_t i = 0; i < 4; ++i)
            combos[i]->CURRENTITEMNO(i < names.size() ? combos[i]->FINDITEM(names[i]) : 1);
        form->ODCCHECKSORT->CHECKED(!names.empty());
    }
    void filterBy(const std::string& text, bool on = true) {
        form->ODCSINGLEDATENSATZ->TEXTVALUE(text);
        form->ODCCHECKDATENSATZ->CHECKED(on);
    }
    std::string namesOfTable(const fs::path& table) {
        db::DBSERVER t(table.string(), true, true);
        std::string names;
        for (t.GOTOP(); !t.EOF(); t.SKIP()) names += rt::AllTrim(t.FIELDGET(rt::Value("NAME")).str());
        return names;
    }
    // Whether an index, a sorted copy or a replacement of a run is still there.
    bool tempFilesLeft() {
        for (const auto& e : fs::directory_iterator(dir)) {
            const std::string name = e.path().filename().string();
            for (const char* f : {"$indin", "$indout", "$tempout", "~mirvano"})
                if (name.find(f) != std::string::npos) return true;
        }
        return false;
    }

};

}  // namespace

TEST_F(SortFilterWindowTest, SortedAndFilteredFromTextAndFromDbase) {
    engine::ReportRecorder rec;
    ASSERT_TRUE(open(dir / "people.csv"));
    sortBy({"CITY", "BORN"});
    filterBy("AMOUNT > 10");
    format(false, "DBF");
    write(dir / "sorted.dbf");
    ASSERT_TRUE(form->lLastWriteOk) << rec.lastError();
    EXPECT_NE(rec.of(ReportKind::Transient).back().find("5 data records"), std::string::npos);
    form->CLOSEOUTPUT();
    EXPECT_EQ(namesOfTable(dir / "sorted.dbf"), "DBAEF");  // Leeds 2014 before Leeds 2015
    EXPECT_FALSE(tempFilesLeft());
    // Again over the existing table, which is replaced by the new sorted one.
    write(dir / "sorted.dbf");
    ASSERT_TRUE(form->lLastWriteOk) << rec.lastError();
    form->CLOSEOUTPUT();
    EXPECT_EQ(namesOfTable(dir / "sorted.dbf"), "DBAEF");
    EXPECT_FALSE(tempFilesLeft());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);  // input and table

    // The unsorted table as dBase input, sorted and filtered through the input index.
    sortBy({});
    filterBy("", false);
    write(dir / "plain.dbf");
    ASSERT_TRUE(form->lLastWriteOk) << rec.lastError();
    format(true, "DBF");
    ASSERT_TRUE(open(dir / "plain.dbf")) << rec.lastError();
    sortBy({"CITY", "BORN"});
    filterBy("AMOUNT > 10");
    format(false, "CSV");
    write(dir / "sorted.csv");
    ASSERT_TRUE(form->lLastWriteOk) << rec.lastError();
    std::string csv = readAll(dir / "sorted.csv"), firsts;
    for (size_t at = 0; at < csv.size(); at = csv.find('\n', at) + 1) {
        firsts += csv[at] == '"' ? csv[at + 1] : csv[at];
        if (csv.find('\n', at) == std::string::npos) break;
    }
    EXPECT_EQ(firsts, "DBAEF") << csv;
    form->CLOSEOUTPUT();
    EXPECT_FALSE(tempFilesLeft());
}

TEST_F(SortFilterWindowTest, FiltersThatRejectAllOrCannotBeEvaluated) {
    engine::ReportRecorder rec;
    ASSERT_TRUE(open(dir / "people.csv"));
    filterBy("AMOUNT > 1000");
    write(dir / "none.csv");
    EXPECT_TRUE(form->lLastWriteOk) << rec.lastError();
    EXPECT_EQ(rec.of(ReportKind::Transient).back().substr(0, 2), "0 ");

    // Passes the check with its samples, fails on every record (every CITY has five letters).
    rec.clear();
    filterBy("1 / (Len(CITY) - 5) > 0");
    write(dir / "broken.csv");
    EXPECT_FALSE(form->lLastWriteOk);
    EXPECT_EQ(rec.lastError(), "The data record filter could not be evaluated for any data record");

    rec.clear();
    filterBy("", true);
    write(dir / "empty.csv");
    EXPECT_EQ(rec.lastError(), form->message(26));
    EXPECT_FALSE(form->lOutOpen);

    rec.clear();
    filterBy("AMOUNT > 1000", false);
    write(dir / "all.csv");
    EXPECT_EQ(rec.lastError(), form->message(45));
    EXPECT_TRUE(form->lLastWriteOk);
}

TEST_F(SortFilterWindowTest, LiteralsTypedInTheFormMatchAnsiData) {
    engine::ReportRecorder rec;
    writeAll(dir / "ansi.csv", "NAME;AMOUNT\r\nM\xFCller;1\r\nMuller;2\r\nM\xFCller;3\r\n");
    press("RADIOANSIIN", true);
    ASSERT_TRUE(open(dir / "ansi.csv"));
    filterBy("NAME = 'M\xC3\xBCller'");
    format(false, "DBF");
    write(dir / "ansi.dbf");
    ASSERT_TRUE(form->lLastWriteOk) << rec.lastError();
    EXPECT_EQ(rec.of(ReportKind::Transient).back().substr(0, 2), "2 ");
    form->CLOSEOUTPUT();
    // The same filter on the table as dBase input.
    format(true, "DBF");
    ASSERT_TRUE(open(dir / "ansi.dbf"));
    filterBy("AMOUNT > 1 .AND. NAME = 'M\xC3\xBCller'");
    format(false, "CSV");
    write(dir / "back.csv");
    ASSERT_TRUE(form->lLastWriteOk) << rec.lastError();
    EXPECT_EQ(rec.of(ReportKind::Transient).back().substr(0, 2), "1 ");
}

TEST_F(SortFilterWindowTest, FilterWithListFileAndNamesSharingAPrefix) {
    engine::ReportRecorder rec;
    std::string csv = "F1;F10\r\n";
    for (int i = 0; i < 12; ++i) csv += std::to_string(i) + ";" + (i % 2 ? "Paris" : "Oslo") + "\r\n";
    writeAll(dir / "noheader.csv", csv);
    writeAll(dir / "cities.txt", "paris\r\n");
    ASSERT_TRUE(open(dir / "noheader.csv"));
    ASSERT_EQ(form->aStructIn.size(), 2u);
    form->aStructIn[0].name = "F1";  // a header that names the fields as the numbering would
    form->aStructIn[1].name = "F10";
    engine::clearIsInFileCache();
    filterBy("F1 > 5 .AND. IsInFile(F10, '" + (dir / "cities.txt").string() + "')");
    write(dir / "out.csv");
    ASSERT_TRUE(form->lLastWriteOk) << rec.lastError();
    EXPECT_EQ(rec.of(ReportKind::Transient).back().substr(0, 2), "3 ");  // 7, 9 and 11
    engine::clearIsInFileCache();
}

TEST_F(SortFilterWindowTest, AFailedRenameOfTheSortedTableKeepsTheOutput) {
    engine::ReportRecorder rec;
    ASSERT_TRUE(open(dir / "people.csv"));
    format(false, "DBF");
    write(dir / "out.dbf");
    ASSERT_TRUE(form->lLastWriteOk) << rec.lastError();
    form->CLOSEOUTPUT();
    const std::string before = readAll(dir / "out.dbf");

    // Appending to it, sorted: the sorted copy cannot be renamed over the table.
    press("RADIOAUSGERGAENZEN", true);
    radio("RADIOAUSGERGAENZEN")->PRESSED(true);
    sortBy({"CITY"});
    auto previous = engine::setRenameFunction([](const std::string& from, const std::string& to, std::string* error) {
        if (from.find("$tempout-") != std::string::npos && from.ends_with(".dbf")) {
            if (error) *error = "injected";
            return false;
        }
        return std::rename(from.c_str(), to.c_str()) == 0;
    });
    write(dir / "out.dbf");
    engine::setRenameFunction(previous);
    EXPECT_FALSE(form->lLastWriteOk);
    EXPECT_FALSE(form->lOutOpen);
    EXPECT_NE(rec.lastError().find("injected"), std::string::npos) << rec.lastError();
    // The append is taken back: the table as it was, so that a second run does not add the
    // records twice.
    EXPECT_EQ(namesOfTable(dir / "out.dbf"), "ABCDEF");
    EXPECT_FALSE(tempFilesLeft());
    EXPECT_TRUE(readAll(dir / "out.dbf") == before) << "the table changed";
}
