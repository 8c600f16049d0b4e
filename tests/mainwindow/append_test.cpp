// Appending dBase tables: the structure merge, the field rule and the button's whole run.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>

#include "batch_util.h"
#include "dbf_bytes.h"
#include "engine/append.h"
#include "engine/dbfcompat.h"
#include "engine/outputfile.h"
#include "engine/report.h"
#include "mainwindow/dtamirvano.h"
#include "mainwindow/filedialogs.h"
#include "platform/db/dbserver.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/window.h"
#include "platform/runtime/settings.h"
#include "test_env.h"
#include "ui/globals.h"
#include "widgets/statusbar2.h"

namespace fs = std::filesystem;
using engine::FieldDef;
using engine::ReportKind;

namespace {

void makeTable(const fs::path& path, const std::vector<db::FieldInfo>& fields,
               const std::vector<std::vector<rt::Value>>& rows) {
    ASSERT_TRUE(db::DBCREATE(path.string(), fields));
    db::DBSERVER t(path.string(), true, false);
    for (const auto& row : rows) {
        ASSERT_TRUE(t.APPEND());
        for (size_t i = 0; i < row.size(); ++i) ASSERT_TRUE(t.FIELDPUT(rt::Value(static_cast<int>(i + 1)), row[i]));
    }
}

}  // namespace

TEST(AppendRules, MergeAndFieldRule) {
    engine::FieldStructure merged = {{"NAME", "C", 10, 0}, {"AMOUNT", "N", 8, 2}};
    EXPECT_EQ(engine::mergeStructure(merged, {{"AMOUNT", "N", 6, 4}, {"NAME", "C", 25, 0}, {"NEW", "D", 8, 0}}), 0);
    EXPECT_EQ(merged, (engine::FieldStructure{{"NAME", "C", 25, 0}, {"AMOUNT", "N", 10, 4}, {"NEW", "D", 8, 0}}));
    EXPECT_EQ(engine::mergeStructure(merged, {{"AMOUNT", "C", 8, 0}, {"NEW", "L", 1, 0}}), 2);
    // The decimal point takes a place: eight integer digits and two decimals need eleven.
    engine::FieldStructure whole = {{"ID", "N", 8, 0}};
    EXPECT_EQ(engine::mergeStructure(whole, {{"ID", "N", 6, 2}}), 0);
    EXPECT_EQ(whole, (engine::FieldStructure{{"ID", "N", 11, 2}}));
    EXPECT_TRUE(engine::fieldFits({"ID", "N", 8, 0}, whole[0]));
    EXPECT_TRUE(engine::fieldFits({"ID", "N", 6, 2}, whole[0]));

    struct Case {
        FieldDef written, target;
        bool fits;
    } cases[] = {
        {{"A", "N", 8, 2}, {"A", "N", 10, 4}, true},
        {{"A", "N", 8, 0}, {"A", "N", 8, 2}, false},  // eight integer digits into five
        {{"A", "N", 6, 2}, {"A", "N", 8, 1}, false},
        {{"A", "N", 8, 0}, {"A", "N", 10, 2}, false},  // 12345678 into seven integer places
        {{"A", "N", 7, 0}, {"A", "N", 10, 2}, true},
        {{"A", "N", 6, 0}, {"A", "N", 7, 1}, false},
        {{"A", "N", 5, 1}, {"A", "N", 7, 2}, true},
        {{"A", "C", 30, 0}, {"A", "C", 20, 0}, false},
        {{"A", "C", 30, 0}, {"A", "C", 40, 0}, true},
        {{"A", "C", 5, 0}, {"A", "M", 10, 0}, false},
        {{"A", "D", 10, 0}, {"A", "D", 8, 0}, true},  // a date text's length against the field's
        {{"A", "L", 3, 0}, {"A", "L", 1, 0}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(engine::fieldFits(c.written, c.target), c.fits) << c.written.type << c.written.length << ","
                                                                   << c.written.decimals;
    EXPECT_FALSE(engine::fieldsFit({{"A", "N", 8, 2}}, {{"a", "N", 8, 2}}));  // names compare exactly
    EXPECT_EQ(engine::dbfAppendIncompatibility({{"A", "N", 8, 0}}, {{"A", "N", 8, 2}}, engine::Charset::ANSI, true), 21);
}

TEST(AppendRules, CopyStopsAfterCancelWithTheRecordsSoFar) {
    auto dir = mirvano_test::temp_dir("append-cancel");
    makeTable(dir / "a.dbf", {{"N", 'N', 3, 0}}, {{1}, {2}, {3}});
    makeTable(dir / "b.dbf", {{"N", 'N', 3, 0}}, {{4}});
    makeTable(dir / "t.dbf", {{"N", 'N', 3, 0}}, {});
    engine::CountingRunContext context(2);
    std::vector<std::string> done;
    auto r = engine::appendTables({(dir / "a.dbf").string(), (dir / "b.dbf").string()}, (dir / "t.dbf").string(),
                                  context, [&](const std::string& s) { done.push_back(s); });
    EXPECT_EQ(r.end, engine::AppendEnd::Cancelled);
    EXPECT_EQ(r.records, 2u);
    EXPECT_EQ(done.size(), 1u);
    db::DBSERVER t((dir / "t.dbf").string(), true, true);
    EXPECT_EQ(t.LASTREC(), 2);
}

namespace {

class AppendWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::gbSprache = 2;
        rt::SetAnsi(true);
        rt::SetDeleted(true);
        shell = std::make_unique<gui::TOPAPPWINDOW>();
        bar = std::make_unique<widgets::STATUSBAR2>(shell.get());
        shell->STATUSBAR(bar.get());
        ui::goShell = shell.get();
        form = std::make_unique<ui::DTAMIRVANO>(shell.get());
        form->INITSPRACHE();
        form->SETSPRACHE(ui::gbSprache);
        form->lOutANSI = true;
        form->lOutOEM = false;
        dir = mirvano_test::temp_dir("append-window");
        previousRunner = gui::setModalRunner([this](const gui::ModalRequest& r) -> intptr_t {
            questions.push_back(r.text);
            return answer;
        });
        previousSources = ui::setMultiOpenDialogChooser([this](const ui::MultiOpenDialogRequest&) { return sources; });
        previousTarget = ui::setSaveDialogChooser([this](const ui::SaveDialogRequest&) { return target; });
    }
    void TearDown() override {
        gui::setModalRunner(previousRunner);
        ui::setMultiOpenDialogChooser(previousSources);
        ui::setSaveDialogChooser(previousTarget);
        form.reset();
        ui::goShell = nullptr;
        shell->STATUSBAR(nullptr);
        bar.reset();
        shell.reset();
    }

    std::unique_ptr<gui::TOPAPPWINDOW> shell;
    std::unique_ptr<widgets::STATUSBAR2> bar;
    std::unique_ptr<ui::DTAMIRVANO> form;
    fs::path dir;
    intptr_t answer = gui::BOXREPLYYES;
    std::vector<std::string> questions, sources;
    std::string target;
    gui::ModalRunner previousRunner;
    ui::MultiOpenDialogChooser previousSources;
    ui::SaveDialogChooser previousTarget;
};

}  // namespace

TEST_F(AppendWindowTest, MergesStructuresAndCopiesEveryRecord) {
    makeTable(dir / "One.dbf", {{"NAME", 'C', 10, 0}, {"AMOUNT", 'N', 8, 2}}, {{"a", 12345.67}, {"b", -1.5}});
    makeTable(dir / "two.dbf", {{"AMOUNT", 'N', 6, 4}, {"EXTRA", 'C', 3, 0}}, {{9.1234, "x"}});
    sources = {(dir / "One.dbf").string(), (dir / "two.dbf").string()};
    target = (dir / "All.dbf").string();
    engine::ReportRecorder rec;
    form->BUTDATEIVERBINDEN();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], form->message(33));
    EXPECT_EQ(rec.lastError(), "");
    EXPECT_EQ(rec.of(ReportKind::Transient).back(), "2 files concatenated in file " + target);
    EXPECT_EQ(rec.of(ReportKind::Sound).back(), "SystemAsterisk");
    db::DBSERVER t(target, true, true);
    ASSERT_TRUE(t.USED());
    ASSERT_EQ(t.fields().size(), 3u);
    EXPECT_EQ(t.fields()[1].length, 10);
    EXPECT_EQ(t.fields()[1].decimals, 4);
    std::vector<double> amounts;
    for (t.GOTOP(); !t.EOF(); t.SKIP()) amounts.push_back(t.FIELDGET(rt::Value("AMOUNT")).num());
    EXPECT_EQ(amounts, (std::vector<double>{12345.67, -1.5, 9.1234}));
    EXPECT_EQ(form->cMultiFile, sources[0]);
    EXPECT_EQ(form->cConcatFile, target);
}

TEST_F(AppendWindowTest, ACancelledAppendSaysSo) {
    makeTable(dir / "a.dbf", {{"N", 'N', 3, 0}}, {{1}, {2}});
    makeTable(dir / "b.dbf", {{"N", 'N', 3, 0}}, {{3}});
    sources = {(dir / "a.dbf").string(), (dir / "b.dbf").string()};
    target = (dir / "t.dbf").string();
    engine::ReportRecorder rec;
    form->lCancel = true;  // Cancel pressed: the copy stops after the first record
    form->BUTDATEIVERBINDEN();
    EXPECT_FALSE(form->lCancel);
    EXPECT_FALSE(form->lRunning);
    EXPECT_EQ(rec.of(ReportKind::Transient).back(), "The concatenation of the files was cancelled");
    EXPECT_TRUE(rec.of(ReportKind::Sound).empty());
    db::DBSERVER t(target, true, true);
    EXPECT_EQ(t.LASTREC(), 1);
}

TEST_F(AppendWindowTest, RefusalsAndErrors) {
    makeTable(dir / "a.dbf", {{"AMOUNT", 'N', 8, 2}}, {{1.0}});
    makeTable(dir / "b.dbf", {{"AMOUNT", 'C', 8, 0}}, {{"x"}});
    makeTable(dir / "c.dbf", {{"AMOUNT", 'N', 8, 0}}, {{12345678}});
    const std::string a = (dir / "a.dbf").string(), b = (dir / "b.dbf").string(), c = (dir / "c.dbf").string();
    struct Case {
        std::vector<std::string> sources;
        std::string target;
        intptr_t answer;
        int message;
    } cases[] = {
        {{a}, (dir / "t.dbf").string(), gui::BOXREPLYYES, 32},
        {{a, c}, a, gui::BOXREPLYYES, 15},
        {{a, c}, (dir / "t.txt").string(), gui::BOXREPLYYES, 16},
        {{a, b}, (dir / "t.dbf").string(), gui::BOXREPLYYES, 21},
        {{a, c}, (dir / "t.dbf").string(), gui::BOXREPLYNO, 0},
    };
    for (const auto& k : cases) {
        engine::ReportRecorder rec;
        sources = k.sources;
        target = k.target;
        answer = k.answer;
        form->BUTDATEIVERBINDEN();
        EXPECT_EQ(rec.lastError(), k.message ? form->message(k.message) : "") << k.message;
        EXPECT_TRUE(rec.of(ReportKind::Transient).empty()) << k.message;
        EXPECT_FALSE(fs::exists(dir / "t.dbf")) << k.message;
    }

    // Append mode: an existing target whose field holds fewer integer digits is refused.
    form->OCCRADIOAUSGERGAENZEN->PRESSED(true);
    makeTable(dir / "t.dbf", {{"AMOUNT", 'N', 8, 2}}, {});
    engine::ReportRecorder rec;
    sources = {a, c};
    target = (dir / "t.dbf").string();
    answer = gui::BOXREPLYYES;
    form->BUTDATEIVERBINDEN();
    EXPECT_EQ(rec.lastError(), form->message(21));
    db::DBSERVER t(target, true, true);
    EXPECT_EQ(t.LASTREC(), 0);
}

// A source whose header counts more records than it holds is appended as far as it is whole,
// and the user is told so as when the table is opened.
TEST_F(AppendWindowTest, ADamagedSourceIsToldAsWhenItIsOpened) {
    makeTable(dir / "whole.dbf", {{"NAME", 'C', 4, 0}}, {{"ab"}, {"cd"}, {"ef"}});
    const std::string bytes = mirvano_test::readAll(dir / "whole.dbf");
    mirvano_test::writeAll(dir / "cut.dbf", bytes.substr(0, bytes.size() - 4));  // the last record cut
    makeTable(dir / "more.dbf", {{"NAME", 'C', 4, 0}}, {{"gh"}});
    sources = {(dir / "cut.dbf").string(), (dir / "more.dbf").string()};
    target = (dir / "all.dbf").string();
    engine::ReportRecorder rec;
    form->BUTDATEIVERBINDEN();
    EXPECT_EQ(rec.lastError(), "");
    const std::vector<std::string> passing = rec.of(ReportKind::Transient);
    ASSERT_FALSE(passing.empty());
    EXPECT_EQ(passing.back(), "The header of the dBase file counts 3 records; 2 complete records are in the file and were read");
    db::DBSERVER t(target, true, true);
    EXPECT_EQ(t.LASTREC(), 3);
}

// Sources whose merged fields no dBase record holds: the error says what does not fit.
TEST_F(AppendWindowTest, AMergedStructureTooLongForARecordIsToldWithItsLength) {
    makeTable(dir / "a.dbf", {{"A", 'C', 40000, 0}}, {{"x"}});
    makeTable(dir / "b.dbf", {{"B", 'C', 30000, 0}}, {{"y"}});
    sources = {(dir / "a.dbf").string(), (dir / "b.dbf").string()};
    target = (dir / "t.dbf").string();
    engine::ReportRecorder rec;
    form->BUTDATEIVERBINDEN();
    EXPECT_EQ(rec.lastError(), "Error when creating the file " + target +
                                   ": A data record would be 70001 bytes long; a dBase file holds at most 65535 bytes a record");
    EXPECT_FALSE(fs::exists(dir / "t.dbf"));
}

// Tables of one alphabet appended into a new target make it a table of their code page
// (Windows 1251 for an ANSI target, DOS 866 for an OEM one), so every letter keeps and dbfread
// reads them by the target's language-driver byte. Sources of two code pages make a target of
// the output's own, which lacks the letters: the run ends with the warning that counts them,
// after the count of the files and without the sound of a success.
TEST_F(AppendWindowTest, ANewTargetKeepsTheLettersOfItsSources) {
    if (!batch_test::haveDbfread()) GTEST_SKIP() << "python3-dbfread is missing";
    const std::vector<dbf_bytes::Field> fields = {{"NAME", 'C', 4, 0}};
    const std::string ivan = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", petr = "\xD0\x9F\xD0\xB5\xD1\x82\xD1\x80";
    mirvano_test::writeAll(dir / "ru1.dbf", dbf_bytes::table(0x03, 0xC9, fields, {" \xC8\xE2\xE0\xED"}));
    mirvano_test::writeAll(dir / "ru2.dbf", dbf_bytes::table(0x03, 0xC9, fields, {" \xCF\xE5\xF2\xF0"}));
    mirvano_test::writeAll(dir / "dos1.dbf", dbf_bytes::table(0x03, 0x65, fields, {" \x88\xA2\xA0\xAD"}));
    mirvano_test::writeAll(dir / "dos2.dbf", dbf_bytes::table(0x03, 0x65, fields, {" \x8F\xA5\xE2\xE0"}));
    const struct {
        const char* target;
        std::vector<const char*> sources;
        bool oem;
        unsigned char ldid;
        std::string names;  // as dbfread reads the target
        int lost;
    } cases[] = {
        {"ansi.dbf", {"ru1.dbf", "ru2.dbf"}, false, 0xC9, "['" + ivan + "', '" + petr + "']", 0},
        {"oem.dbf", {"dos1.dbf", "dos2.dbf"}, true, 0x65, "['" + ivan + "', '" + petr + "']", 0},
        {"mixed.dbf", {"ru1.dbf", "dos2.dbf"}, false, 0x03, "['????', '????']", 8},
        {"dostoansi.dbf", {"dos1.dbf", "dos2.dbf"}, false, 0x03, "['????', '????']", 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        form->lOutOEM = c.oem;
        form->lOutANSI = !c.oem;
        sources.clear();
        for (const char* s : c.sources) sources.push_back((dir / s).string());
        target = (dir / c.target).string();
        engine::ReportRecorder rec;
        form->BUTDATEIVERBINDEN();
        EXPECT_EQ(static_cast<unsigned char>(mirvano_test::readAll(target)[29]), c.ldid);
        EXPECT_EQ(batch_test::command("/usr/bin/python3 -c \"import dbfread,sys\n"
                                      "print([r['NAME'] for r in dbfread.DBF(sys.argv[1])])\" '" + target + "'"),
                  c.names + "\n");
        const std::vector<std::string> sounds = rec.of(ReportKind::Sound);
        ASSERT_FALSE(sounds.empty());
        EXPECT_EQ(rec.of(ReportKind::Transient).back(), "2 files concatenated in file " + target);
        if (c.lost == 0) {
            EXPECT_EQ(rec.lastError(), "");
            EXPECT_EQ(sounds.back(), "SystemAsterisk");
        } else {
            EXPECT_EQ(rec.entries.back().text, "SystemExclamation");
            EXPECT_EQ(rec.lastError(), std::to_string(c.lost) +
                                           " characters were replaced in the output file (missing from its character "
                                           "set, or a quote or separator inside a value), the first in record 1 of " +
                                           sources[0]);
            EXPECT_EQ(std::count(sounds.begin(), sounds.end(), "SystemAsterisk"), 0);
        }
    }
}

// An append that fails on a full disk (a file size limit, as a full disk refuses writes: the
// signal it raises is ignored, so the write reports the error) leaves an existing target and
// its memo file byte for byte as they were, and leaves no new target behind.
TEST_F(AppendWindowTest, AFailedAppendLeavesTheTargetAsItWas) {
    const std::vector<db::FieldInfo> fields = {{"NAME", 'C', 20, 0}, {"NOTE", 'M', 10, 0}};
    std::vector<std::vector<rt::Value>> many;
    for (int i = 0; i < 1500; ++i) many.push_back({rt::Value("n" + std::to_string(i)), rt::Value(std::string(700, 'x'))});
    makeTable(dir / "many.dbf", fields, many);
    makeTable(dir / "one.dbf", fields, {{"one", "memo"}});
    makeTable(dir / "old.dbf", fields, {{"old", "old memo"}});
    sources = {(dir / "one.dbf").string(), (dir / "many.dbf").string()};
    const std::string tableBefore = mirvano_test::readAll(dir / "old.dbf"), memoBefore = mirvano_test::readAll(dir / "old.dbt");
    for (const bool append : {true, false}) {
        SCOPED_TRACE(append ? "existing target" : "new target");
        form->OCCRADIOAUSGERGAENZEN->PRESSED(append);
        target = (dir / (append ? "old.dbf" : "new.dbf")).string();
        engine::ReportRecorder rec;
        struct rlimit previous {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
        struct rlimit small = previous;
        small.rlim_cur = 256 * 1024;
        auto* handler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        form->BUTDATEIVERBINDEN();
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, handler);
        EXPECT_EQ(rec.lastError().rfind("Error when writing the file " + target, 0), 0u) << rec.lastError();
        if (append) {
            EXPECT_TRUE(mirvano_test::readAll(dir / "old.dbf") == tableBefore) << "the table changed";
            EXPECT_TRUE(mirvano_test::readAll(dir / "old.dbt") == memoBefore) << "the memo file changed";
        } else {
            EXPECT_FALSE(fs::exists(dir / "new.dbf"));
            EXPECT_FALSE(fs::exists(dir / "new.dbt"));
        }
    }
}
