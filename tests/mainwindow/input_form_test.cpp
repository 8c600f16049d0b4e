// Opening an input on the real form (offscreen): the checks and their messages, the field
// lists and sort combos filled with the remembered choices, the select-only mode, cancel,
// and dBase inputs made by outside tools.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/input_test_util.h"
#include "engine/inputfile.h"
#include "engine/report.h"
#include "mainwindow/dtamirvano.h"
#include "mainwindow/filedialogs.h"
#include "platform/db/dbserver.h"
#include "platform/gui/application.h"
#include "platform/gui/controls.h"
#include "platform/gui/window.h"
#include "test_env.h"
#include "ui/globals.h"
#include "widgets/statusbar2.h"

namespace {

using engine::ReportKind;
using ui::DTAMIRVANO;
namespace fs = std::filesystem;

class InputFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::gbSprache = 2;
        shell = std::make_unique<gui::TOPAPPWINDOW>();
        bar = std::make_unique<widgets::STATUSBAR2>(shell.get());
        shell->STATUSBAR(bar.get());
        ui::goShell = shell.get();
        form = std::make_unique<DTAMIRVANO>(shell.get());
        form->INITSPRACHE();
        form->SETSPRACHE(ui::gbSprache);
        for (const ui::RadioFamily& family : ui::optionFamilies())
            choose(family.members.front().button);
        choose("RADIOCSVIN");
        choose("RADIOCSVOUT");
        choose("RADIOKOMMAIN");
        form->EINAUSBLENDEN();
        dir = mirvano_test::temp_dir("inputform");
        previousChooser = ui::setOpenDialogChooser([this](const ui::OpenDialogRequest& r) {
            lastDialog = r;
            ++dialogs;
            return dialogAnswer;
        });
    }
    void TearDown() override {
        ui::setOpenDialogChooser(previousChooser);
        form->CLOSEINPUT();
        form.reset();
        ui::goShell = nullptr;
        shell->STATUSBAR(nullptr);
        bar.reset();
        shell.reset();
    }

    // Presses an option radio button and sets its flag, releasing the rest of its family.
    void choose(const std::string& button) {
        for (const ui::RadioFamily& family : ui::optionFamilies())
            for (const ui::RadioFamilyMember& m : family.members)
                if (button == m.button) {
                    for (const ui::RadioFamilyMember& other : family.members)
                        form.get()->*other.flag = false;
                    form.get()->*m.flag = true;
                    dynamic_cast<gui::RADIOBUTTON*>(form->formControl(m.button))->PRESSED(true);
                }
    }
    void setHeader(bool on) {
        form->lInHeader = on;
        form->ODCCHECKHEADERIN->CHECKED(on);
    }
    std::vector<std::string> items(gui::LISTBOX* list) {
        std::vector<std::string> out;
        for (int i = 1; i <= list->ITEMCOUNT(); ++i)
            out.push_back(list->GETITEM(i));
        return out;
    }
    std::vector<std::string> items(gui::COMBOBOX* combo) {
        std::vector<std::string> out;
        for (int i = 1; i <= combo->ITEMCOUNT(); ++i)
            out.push_back(combo->GETITEM(i));
        return out;
    }
    void expectNothingOpen() {
        EXPECT_FALSE(form->lInOpen);
        EXPECT_TRUE(form->hIn == 0 || form->hIn == -1);
        EXPECT_FALSE(form->oDBIn);
        EXPECT_EQ(form->ODCLISTDATENFELD->ITEMCOUNT(), 0);
        EXPECT_EQ(form->ODCCOMBOSORTIER1->ITEMCOUNT(), 0);
        EXPECT_TRUE(form->cCmdFileIn.empty());
        EXPECT_FALSE(form->lRunning);
        EXPECT_FALSE(form->lCancel);
    }

    std::unique_ptr<gui::TOPAPPWINDOW> shell;
    std::unique_ptr<widgets::STATUSBAR2> bar;
    std::unique_ptr<DTAMIRVANO> form;
    fs::path dir;
    ui::OpenDialogChooser previousChooser;
    ui::OpenDialogRequest lastDialog;
    std::string dialogAnswer;
    int dialogs = 0;
};

TEST_F(InputFormTest, OpenedCsvFillsTheFieldListsAndRestoresTheChoices) {
    // The name keeps its case: the file exists only under it.
    fs::create_directories(dir / "Daten");
    const std::string path = (dir / "Daten" / "Tabelle.CSV").string();
    fs::copy_file(mirvano_test::fixture("engine/table_ansi.csv"), path);
    setHeader(true);
    form->aSortFields = {"BETRAG", "NOSUCH"};
    form->aFieldFilter = {"DATUM", "NAME"};
    form->cCmdFileIn = path;

    engine::ReportRecorder reports;
    form->BUTDATEIOEFFNEN();

    ASSERT_TRUE(form->lInOpen) << reports.lastError();
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(form->cFileIn, path);
    EXPECT_EQ(form->ODCSINGLEEINGABEDATEI->TEXTVALUE(), path);
    EXPECT_EQ(form->wFieldsIn, 5);
    EXPECT_EQ(form->aPosIn, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(form->nLineMax, 49u + 100u);  // the longest line, the Müller one, plus 100
    EXPECT_EQ(items(form->ODCLISTDATENFELD),
              (std::vector<std::string>{"NAME,    C,    12,    0", "STRAE,    C,    11,    0", "BETRAG,    N,    7,    2",
                                        "DATUM,    D,    10,    0", "AKTIV,    L,    3,    0"}));
    EXPECT_EQ(items(form->ODCLISTAUSWAHLFELD), (std::vector<std::string>{"NAME", "STRAE", "BETRAG", "DATUM", "AKTIV"}));
    const std::vector<std::string> comboItems = {"none", "NAME", "STRAE", "BETRAG", "DATUM", "AKTIV"};
    gui::COMBOBOX* combos[] = {form->ODCCOMBOSORTIER1, form->ODCCOMBOSORTIER2, form->ODCCOMBOSORTIER3,
                               form->ODCCOMBOSORTIER4};
    for (gui::COMBOBOX* c : combos)
        EXPECT_EQ(items(c), comboItems);
    EXPECT_EQ(form->ODCCOMBOSORTIER1->CURRENTITEMNO(), 4);
    EXPECT_EQ(form->ODCCOMBOSORTIER2->CURRENTITEMNO(), 1);
    EXPECT_EQ(form->ODCCOMBOSORTIER3->CURRENTITEMNO(), 1);
    EXPECT_TRUE(form->ODCLISTDATENFELD->ISSELECTED(1));
    EXPECT_TRUE(form->ODCLISTDATENFELD->ISSELECTED(4));
    EXPECT_EQ(form->ODCLISTDATENFELD->SELECTEDCOUNT(), 2);
    EXPECT_EQ(reports.of(ReportKind::Transient).back(), "File " + path + " opened");
    EXPECT_TRUE(reports.of(ReportKind::Error).empty());
    EXPECT_FALSE(form->lRunning);
    EXPECT_EQ(form->OCCBUTDATEIOEFFNEN->CAPTION(), form->message(65));

    // The conversion pass starts at the first line again.
    EXPECT_EQ(form->LESEZEILE(form->hIn), "\"Name\";\"Stra\xDF" "e\";Betrag;Datum;Aktiv");

    form->CLOSEINPUT();
    expectNothingOpen();
    EXPECT_EQ(form->ODCSINGLEEINGABEDATEI->TEXTVALUE(), "");
    EXPECT_EQ(form->aStructIn.size(), 5u) << "the structure outlives the close";
}

TEST_F(InputFormTest, BadInputGetsItsMessageAndLeavesNothingOpen) {
    const std::string csv53 = input_test::writeFile((dir / "more.csv").string(), "A;B\r\n1;2\r\n1;2;3\r\n");
    const std::string notCsv = input_test::writeFile((dir / "data.dbf").string(), "A;B\r\n");
    const std::string endsInList = input_test::writeFile((dir / "dataf.sd").string(), "A;B\r\n");
    const std::string sdfAsCsv = input_test::writeFile((dir / "fixed.csv").string(), "abc\r\n");
    const std::string emptySdf = input_test::writeFile((dir / "empty.sdf").string(), "");
    const std::string notTable = input_test::writeFile((dir / "text.dbf").string(), "this is no table at all\r\n");
    // a dBase header with no field descriptors
    std::string noFields(32, '\0');
    noFields[0] = 0x03;
    noFields[8] = 33;  // header length
    noFields[10] = 1;  // record length
    noFields += "\x0D\x1A";
    const std::string emptyTable = input_test::writeFile((dir / "nofields.dbf").string(), noFields);
    const std::string csvAsDbf = input_test::writeFile((dir / "table.csv").string(), "A\r\n");

    struct Case {
        const char* name;
        const char* format;
        std::string file;
        bool header;
        std::string error;
    } cases[] = {
        {"missing file", "RADIOCSVIN", (dir / "missing.csv").string(), true, "Error when opening the SDF or CSV file"},
        {"missing SDF file", "RADIOSDFIN", (dir / "missing.txt").string(), false, "Error when opening the SDF or CSV file"},
        {"missing table", "RADIODBFIN", (dir / "missing.dbf").string(), false, "Error when opening the input dBase file"},
        {"CSV input named .dbf", "RADIOCSVIN", notCsv, true, "The extension of the selected file is not permissible"},
        {"name ending in part of the list", "RADIOCSVIN", endsInList, true,
         "The extension of the selected file is not permissible"},
        {"SDF input named .csv", "RADIOSDFIN", sdfAsCsv, false, "The extension of the selected file is not permissible"},
        {"dBase input named .csv", "RADIODBFIN", csvAsDbf, false, "A Dbase file must have the extension \".dbf\""},
        {"more fields than the first line", "RADIOCSVIN", csv53, true,
         "Number of data fields in CSV records are different: 2"},
        {"SDF without columns", "RADIOSDFIN", emptySdf, false, "Error in the structure of the SDF file"},
        {"table without fields", "RADIODBFIN", emptyTable, false, "No data fields in the input dBase file"},
        {"not a table", "RADIODBFIN", notTable, false, "Error when opening the input dBase file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        choose(c.format);
        setHeader(c.header);
        form->cCmdFileIn = c.file;
        engine::ReportRecorder reports;
        form->BUTDATEIOEFFNEN();
        EXPECT_EQ(reports.lastError(), c.error);
        EXPECT_EQ(reports.of(ReportKind::Sound), (std::vector<std::string>{"SystemHand"}));
        for (const std::string& t : reports.of(ReportKind::Transient))
            EXPECT_EQ(t.find("opened"), std::string::npos) << t;
        expectNothingOpen();
        EXPECT_EQ(form->nLineMax >= 100u, true);
    }
}

TEST_F(InputFormTest, ReportsReachTheShellStatusBar) {
    form->cCmdFileIn = (dir / "missing.csv").string();
    form->BUTDATEIOEFFNEN();
    EXPECT_EQ(bar->ERRORTEXT(), form->message(25));

    form->cCmdFileIn = input_test::writeFile((dir / "ok.csv").string(), "1;2\r\n");
    form->BUTDATEIOEFFNEN();
    EXPECT_EQ(bar->TRANSIENT(), "File " + form->cFileIn + " opened");
}

// A table whose last record was cut opens with its complete records; the status bar says
// how many the header claimed.
TEST_F(InputFormTest, ADamagedTableOpensWithItsCompleteRecords) {
    const std::string path = (dir / "cut.dbf").string();
    ASSERT_TRUE(db::DBCREATE(path, std::vector<db::FieldInfo>{{"NAME", 'C', 4, 0}}));
    {
        db::DBSERVER t(path, true, false);
        for (const char* name : {"ab", "cd", "ef"}) {
            ASSERT_TRUE(t.APPEND());
            ASSERT_TRUE(t.FIELDPUT(rt::Value(1), rt::Value(name)));
        }
    }
    const std::string whole = input_test::readFile(path);
    input_test::writeFile(path, whole.substr(0, whole.size() - 3));
    choose("RADIODBFIN");
    form->cCmdFileIn = path;
    form->BUTDATEIOEFFNEN();
    ASSERT_TRUE(form->lInOpen) << bar->ERRORTEXT();
    EXPECT_EQ(form->oDBIn->LASTREC(), 2);
    EXPECT_EQ(bar->TRANSIENT(), "The header of the dBase file counts 3 records; 2 complete records are in the file and were read");
}

TEST_F(InputFormTest, SelectOnlyShowsTheNameAndTheNextPressOpensIt) {
    const std::string path = input_test::writeFile((dir / "a.csv").string(), "X;Y\r\n1;2\r\n");
    setHeader(true);
    form->cCmdFileIn = path;
    engine::ReportRecorder reports;
    form->BUTDATEIOEFFNEN(true);
    EXPECT_FALSE(form->lInOpen);
    EXPECT_EQ(form->cCmdFileIn, path);
    EXPECT_EQ(form->ODCSINGLEEINGABEDATEI->TEXTVALUE(), path);
    EXPECT_EQ(form->OCCBUTDATEIOEFFNEN->CAPTION(), form->message(64));
    EXPECT_EQ(form->nLineMax, 100u);

    form->BUTDATEIOEFFNEN();
    EXPECT_TRUE(form->lInOpen);
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(form->OCCBUTDATEIOEFFNEN->CAPTION(), form->message(65));
    EXPECT_TRUE(form->cCmdFileIn.empty());
    EXPECT_EQ(form->ODCLISTDATENFELD->ITEMCOUNT(), 2);

    // Select-only with a missing file: the text file's open error, the open caption and no
    // name kept.
    form->cCmdFileIn = (dir / "gone.csv").string();
    form->BUTDATEIOEFFNEN(true);
    EXPECT_EQ(reports.lastError(), form->message(25));
    EXPECT_EQ(form->OCCBUTDATEIOEFFNEN->CAPTION(), form->message(65));
    expectNothingOpen();
}

TEST_F(InputFormTest, CancelledDialogClosesInputAndOutputSilently) {
    const std::string path = input_test::writeFile((dir / "a.csv").string(), "1;2\r\n");
    dialogAnswer = path;
    form->BUTDATEIOEFFNEN();
    ASSERT_TRUE(form->lInOpen);
    EXPECT_EQ(lastDialog.pattern, "*.csv");
    EXPECT_EQ(lastDialog.typeText, "CSV files");
    EXPECT_EQ(lastDialog.caption, form->message(5));

    // A file of the name the sort's index once had, made by someone else: closing the output
    // erases only what a run made.
    form->cDirOut = dir.string() + "/";
    const std::string other = input_test::writeFile((dir / "$indin.ntx").string(), "x");
    form->lOutOpen = true;
    dialogAnswer.clear();
    engine::ReportRecorder reports;
    form->BUTDATEIOEFFNEN();
    EXPECT_EQ(lastDialog.initialDir, dir.string() + "/");
    EXPECT_TRUE(reports.entries.empty());
    EXPECT_FALSE(form->lOutOpen);
    EXPECT_TRUE(fs::exists(other));
    expectNothingOpen();
}

TEST_F(InputFormTest, CancelDuringTheAnalysisClosesTheInput) {
    std::string content;
    for (int i = 0; i < 100; ++i)
        content += std::to_string(i) + ";x\r\n";
    form->cCmdFileIn = input_test::writeFile((dir / "big.csv").string(), content);
    engine::ReportRecorder reports;
    form->lRunning = false;
    form->lCancel = true;  // as if Cancel had been pressed before the first line was done
    form->BUTDATEIOEFFNEN();
    expectNothingOpen();
    EXPECT_TRUE(reports.of(ReportKind::Error).empty());
    for (const std::string& t : reports.of(ReportKind::Transient))
        EXPECT_EQ(t.find("opened"), std::string::npos);
}

TEST_F(InputFormTest, CancelPressedWhileBusyStopsTheAnalysis) {
    std::string content = "A;B\r\n";
    for (int i = 0; i < 200000; ++i)
        content += std::to_string(i) + ";x\r\n";
    setHeader(true);
    form->cCmdFileIn = input_test::writeFile((dir / "long.csv").string(), content);
    bool sawBusy = false, cancelEnabled = false, openDisabled = false;
    // Runs inside the analysis, at its first event pump.
    QTimer::singleShot(0, [&] {
        sawBusy = form->lRunning;
        cancelEnabled = form->OCCBUTABBRECHEN->ISENABLED();
        openDisabled = !form->OCCBUTDATEIOEFFNEN->ISENABLED();
        form->BUTABBRECHEN();
    });
    gui::resetPumpThrottle();
    engine::ReportRecorder reports;
    form->BUTDATEIOEFFNEN();
    EXPECT_TRUE(sawBusy);
    EXPECT_TRUE(cancelEnabled);
    EXPECT_TRUE(openDisabled);
    expectNothingOpen();
    EXPECT_TRUE(form->OCCBUTDATEIOEFFNEN->ISENABLED());
    EXPECT_TRUE(reports.of(ReportKind::Error).empty());
    for (const std::string& t : reports.of(ReportKind::Transient))
        EXPECT_EQ(t.find("opened"), std::string::npos) << t;
}

// The structure as python3-dbfread reads it: "NAME TYPE LENGTH DECIMALS" per field.
std::vector<engine::FieldDef> outsideStructure(const std::string& table) {
    const std::string cmd = "/usr/bin/python3 -c \"import dbfread,sys; t=dbfread.DBF(sys.argv[1], load=False); "
                            "[print(f.name.upper(), f.type, f.length, f.decimal_count) for f in t.fields]\" '" +
                            table + "' 2>/dev/null";
    std::vector<engine::FieldDef> out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return out;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) {
        std::istringstream in(buf);
        engine::FieldDef f;
        in >> f.name >> f.type >> f.length >> f.decimals;
        out.push_back(f);
    }
    pclose(p);
    return out;
}

TEST_F(InputFormTest, TablesMadeByOutsideToolsAreOpenedWithTheirStructure) {
    if (std::system("/usr/bin/python3 -c 'import dbf, dbfread' >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3-dbf or python3-dbfread is not installed";
    const std::string byDbf = (dir / "bydbf.dbf").string();
    const std::string script = "/usr/bin/python3 -c \"import dbf,sys; t=dbf.Table(sys.argv[1], 'NAME C(20); AMOUNT N(8,2); "
                               "BORN D; OK L; NOTE M', codepage='cp1252'); t.open(dbf.READ_WRITE); "
                               "t.append(('Anna', 12.5, dbf.Date(2001,2,3), True, 'memo')); t.close()\" '" +
                               byDbf + "'";
    ASSERT_EQ(std::system(script.c_str()), 0);
    std::vector<std::string> tables = {byDbf};

    if (std::system("ogr2ogr --version >/dev/null 2>&1") == 0) {
        const std::string csv = input_test::writeFile((dir / "src.csv").string(),
                                                      "name,amount,born\nAnna,12.5,2001-02-03\nBob,3,1999-12-31\n");
        const std::string byOgr = (dir / "byogr.dbf").string();
        const std::string cmd = "ogr2ogr -f 'ESRI Shapefile' '" + byOgr + "' '" + csv + "' -oo AUTODETECT_TYPE=YES >/dev/null 2>&1";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        tables.push_back(byOgr);
    } else {
        ADD_FAILURE() << "ogr2ogr is not installed; only the python3-dbf table was checked";
    }

    choose("RADIODBFIN");
    choose("RADIOANSIIN");
    for (const std::string& table : tables) {
        SCOPED_TRACE(table);
        const std::vector<engine::FieldDef> expected = outsideStructure(table);
        ASSERT_FALSE(expected.empty());
        form->cCmdFileIn = table;
        engine::ReportRecorder reports;
        form->BUTDATEIOEFFNEN();
        ASSERT_TRUE(form->lInOpen) << reports.lastError();
        EXPECT_EQ(form->aStructIn, expected);
        EXPECT_EQ(form->wFieldsIn, expected.size());
        EXPECT_EQ(form->ODCLISTDATENFELD->ITEMCOUNT(), static_cast<int>(expected.size()));
        EXPECT_EQ(form->nLineMax, 100u);
        form->CLOSEINPUT();
    }
}

}  // namespace

// Two fields of one name: the field list shows both, and choosing the second in the field
// filter takes that field (its number in the table), not the first of its name.
TEST_F(InputFormTest, TheFieldFilterTellsFieldsOfOneNameApart) {
    const std::string path = (dir / "same.dbf").string();
    std::string bytes = "\x03\x7C\x01\x01";
    bytes += std::string("\x01\x00\x00\x00", 4) + std::string("\x61\x00\x0A\x00", 4) + std::string(20, '\0');
    for (const auto& [type, length] : {std::pair<char, char>{'C', 4}, {'N', 5}}) {
        std::string d(32, '\0');
        d.replace(0, 4, "NAME");
        d[11] = type;
        d[16] = length;
        bytes += d;
    }
    bytes += "\x0D abcd   12\x1A";
    input_test::writeFile(path, bytes);
    choose("RADIODBFIN");
    choose("RADIOCSVOUT");
    form->cCmdFileIn = path;
    form->BUTDATEIOEFFNEN();
    ASSERT_TRUE(form->lInOpen) << bar->ERRORTEXT();
    EXPECT_EQ(items(form->ODCLISTDATENFELD), (std::vector<std::string>{"NAME,    C,    4,    0", "NAME,    N,    5,    0"}));
    form->ODCCHECKDATENFELD->CHECKED(true);
    form->ODCLISTDATENFELD->SELECTITEM(2);
    form->CALCFELDLISTE();
    ASSERT_EQ(form->aFeldListe.size(), 1u);
    EXPECT_EQ(form->aFeldListe[0].type, "N");
    EXPECT_EQ(form->aFeldListe[0].number, 2);
}
