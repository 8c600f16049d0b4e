// The write operation through the main window on the offscreen screen: the output name and
// its checks, creating, replacing and appending, and what is reported.
#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "engine/outputfile.h"
#include "engine/report.h"
#include "form_fixture.h"
#include "mainwindow/dtamirvano.h"
#include "mainwindow/filedialogs.h"
#include "platform/db/dbserver.h"
#include "platform/gui/controls.h"
#include "platform/gui/window.h"
#include "platform/runtime/settings.h"
#include "platform/win/filehandle.h"
#include "test_env.h"
#include "ui/globals.h"
#include "widgets/statusbar2.h"

namespace fs = std::filesystem;
using engine::ReportKind;
using ui::DTAMIRVANO;

namespace {

using mirvano_test::readAll;
using mirvano_test::writeAll;


class WriteWindowTest : public FormFixture {
protected:
    void SetUp() override {
        startForm("write-window");
        // every family at its first member, then CSV in and out, ";" and framed text
        format(true, "CSV");
        format(false, "CSV");
        press("RADIOKOMMAIN", true);
        press("RADIOGRENZETEXTOUT", true);
        radio("RADIOAUSGUEBERSCHR")->PRESSED(true);
        form->lInHeader = true;
        writeAll(dir / "people.csv", readAll(mirvano_test::fixture("engine/people.csv")));
    }


};

}  // namespace

TEST_F(WriteWindowTest, CsvToDbaseAndBackReportsTheCount) {
    engine::ReportRecorder rec;
    ASSERT_TRUE(open(dir / "people.csv"));
    format(false, "DBF");
    write(dir / "People.dbf");
    EXPECT_TRUE(form->lLastWriteOk) << rec.lastError();
    EXPECT_TRUE(form->lOutOpen);
    EXPECT_TRUE(form->aFeldListe.empty());
    EXPECT_FALSE(form->lRunning);
    const std::string done = "4 data records converted into the file " + (dir / "People.dbf").string();
    EXPECT_EQ(rec.of(ReportKind::Transient).back(), done);
    EXPECT_EQ(rec.of(ReportKind::Sound).back(), "SystemAsterisk");
    EXPECT_TRUE(fs::exists(dir / "People.dbf"));  // the name keeps its case
    {
        db::DBSERVER t((dir / "People.dbf").string(), true, true);
        EXPECT_EQ(t.LASTREC(), 4);
    }

    // and back: the table as input, a CSV output with no framing
    format(true, "DBF");
    format(false, "CSV");
    press("RADIOGRENZEKEINEOUT", true);
    ASSERT_TRUE(open(dir / "People.dbf"));
    write(dir / "back.csv");
    EXPECT_TRUE(form->lLastWriteOk) << rec.lastError();
    EXPECT_EQ(readAll(dir / "back.csv"), "M\xfcller;1234.500;01.02.1970;.T.;K\xf6ln\r\n"
                                         "Smith  Jr;7.000;15.11.1985;.F.;Leeds\r\n"
                                         ";-0.250;;.T.;\r\n"
                                         "Ng;0.125;9.3.2001;x;Oslo\r\n");
}

// Characters the output cannot hold end the run with a warning after its count: the status
// bar's error text and the warning sound, in the form's language.
TEST_F(WriteWindowTest, CharactersTheOutputLacksEndTheRunWithAWarning) {
    engine::ReportRecorder rec;
    press("RADIOUTF8IN", true);
    writeAll(dir / "names.csv", "NAME;CITY\r\nAnna;Berlin\r\nZa\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87;Krak\xC3\xB3w\r\n");
    ASSERT_TRUE(open(dir / "names.csv"));
    format(false, "DBF");
    write(dir / "names.dbf");
    EXPECT_TRUE(form->lLastWriteOk);
    EXPECT_EQ(rec.of(ReportKind::Transient).back(), "2 data records converted into the file " + (dir / "names.dbf").string());
    const std::string warning = "3 characters were replaced in the output file (missing from its character set, or a quote or "
                                "separator inside a value), the first in line 3 of " + (dir / "names.csv").string();
    ASSERT_GE(rec.entries.size(), 2u);
    EXPECT_EQ(rec.entries[rec.entries.size() - 2].kind, ReportKind::Error);
    EXPECT_EQ(rec.entries[rec.entries.size() - 2].text, warning);
    EXPECT_EQ(rec.entries.back().text, "SystemExclamation");
    const std::vector<std::string> sounds = rec.of(ReportKind::Sound);
    EXPECT_EQ(std::count(sounds.begin(), sounds.end(), "SystemAsterisk"), 0) << "no sound of a success";

    ui::gbSprache = 1;
    form->SETSPRACHE(1);
    rec.clear();
    format(false, "CSV");
    press("RADIOUTF8OUT", true);
    write(dir / "names.csv.out");
    EXPECT_EQ(rec.of(ReportKind::Error), std::vector<std::string>{}) << "UTF-8 holds every character";
    press("RADIOASCIIOUT", true);
    write(dir / "names2.csv");
    EXPECT_EQ(rec.lastError(), "3 Zeichen wurden in der Ausgabedatei ersetzt (im Zeichensatz nicht vorhanden, oder ein "
                               "Anf\xC3\xBChrungszeichen oder Trennzeichen in einem Wert), das erste in Zeile 3 von " +
                                   (dir / "names.csv").string());
    EXPECT_EQ(rec.of(ReportKind::Sound).back(), "SystemExclamation");
}

TEST_F(WriteWindowTest, NameChecksAndMissingInput) {
    engine::ReportRecorder rec;
    write(dir / "x.csv");
    EXPECT_EQ(rec.lastError(), "Still no input file was opened");
    ASSERT_TRUE(open(dir / "people.csv"));
    struct Case {
        const char* out;
        const char* kind;
        const char* error;
    };
    const Case cases[] = {
        {"PEOPLE.CSV", "CSV", "Input and output files may not be identical"},
        {"people.csv", "CSV", "Input and output files may not be identical"},
        {"out.txt", "DBF", "A Dbase file must have the extension \".dbf\""},
        {"out.sdf", "CSV", "The extension of the selected file is not permissible"},
        {"out.csv", "SDF", "The extension of the selected file is not permissible"},
    };
    for (const auto& c : cases) {
        rec.clear();
        format(false, c.kind);
        write(dir / c.out);
        EXPECT_EQ(rec.lastError(), c.error) << c.out;
        EXPECT_TRUE(form->cCmdFileOut.empty());
        EXPECT_FALSE(form->lOutOpen);
        EXPECT_FALSE(form->lLastWriteOk);
    }
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

TEST_F(WriteWindowTest, NoWritableFieldIsAnError) {
    engine::ReportRecorder rec;
    ASSERT_TRUE(open(dir / "people.csv"));
    for (auto& f : form->aStructIn) f.length = 0;
    format(false, "SDF");
    write(dir / "none.sdf");
    EXPECT_EQ(rec.lastError(), "None of the data fields can be written to the output file");
    EXPECT_FALSE(form->lLastWriteOk);
    EXPECT_FALSE(fs::exists(dir / "none.sdf"));
}

TEST_F(WriteWindowTest, IncompatibleAppendLeavesTheTableUnchanged) {
    engine::ReportRecorder rec;
    const fs::path table = dir / "target.dbf";
    rt::SetAnsi(true);
    ASSERT_TRUE(db::DBCREATE(table.string(), std::vector<db::FieldInfo>{{"NAME", 'C', 5, 0}}));
    const std::string before = readAll(table);
    ASSERT_TRUE(open(dir / "people.csv"));
    format(false, "DBF");
    radio("RADIOAUSGERGAENZEN")->PRESSED(true);
    write(table);
    EXPECT_EQ(rec.lastError(), "Data structures of the dBase files are not compatible");
    EXPECT_FALSE(form->lOutOpen);
    EXPECT_FALSE(form->lLastWriteOk);
    EXPECT_EQ(readAll(table), before);

    // a compatible table takes the records behind its own
    rec.clear();
    const fs::path wide = dir / "wide.dbf";
    std::vector<db::FieldInfo> wider;
    for (const auto& f : form->aStructIn) wider.push_back({f.name, f.type[0], f.length + 5, f.decimals});
    wider.push_back({"MORE", 'C', 3, 0});
    ASSERT_TRUE(db::DBCREATE(wide.string(), wider));
    write(wide);
    write(wide);
    EXPECT_TRUE(form->lLastWriteOk) << rec.lastError();
    form->CLOSEOUTPUT();
    db::DBSERVER t(wide.string(), true, true);
    EXPECT_EQ(t.LASTREC(), 8);
}

TEST_F(WriteWindowTest, ReplacedOutputSurvivesAFailedOrCancelledRun) {
    engine::ReportRecorder rec;
    ASSERT_TRUE(open(dir / "people.csv"));

    // a full disk: appending to /dev/full fails, and no count is announced
    if (fs::exists("/dev/full")) {
        radio("RADIOAUSGERGAENZEN")->PRESSED(true);
        write("/dev/full");
        EXPECT_EQ(rec.lastError(), "Error when writing the file /dev/full");
        EXPECT_FALSE(form->lOutOpen);
        EXPECT_FALSE(form->lLastWriteOk);
        for (const auto& t : rec.of(ReportKind::Transient)) EXPECT_EQ(t.find("data records converted"), std::string::npos);
        radio("RADIOAUSGUEBERSCHR")->PRESSED(true);
    }

    // overwrite: the old file is replaced only by a complete new one
    const fs::path out = dir / "out.csv";
    writeAll(out, "old\r\n");
    write(out);
    EXPECT_TRUE(form->lLastWriteOk);
    EXPECT_EQ(readAll(out).substr(0, 11), "\"M\xfcller\";12");
    EXPECT_FALSE(fs::exists(dir / "out.csv.~mirvano"));

    // a cancelled replacement leaves the old file as it was
    std::string big = "NAME;AMOUNT\r\n";
    for (int i = 0; i < 200000; ++i) big += "\"row\";1,5\r\n";
    writeAll(dir / "big.csv", big);
    // in sequence, and with its passes in blocks on three threads
    for (const bool blocks : {false, true}) {
        SCOPED_TRACE(blocks ? "in blocks" : "in sequence");
        if (blocks) {
            setenv("MIRVANO_THREADS", "3", 1);
            setenv("MIRVANO_BLOCK_BYTES", "4096", 1);
        }
        ASSERT_TRUE(open(dir / "big.csv"));
        writeAll(out, "old\r\n");
        QTimer::singleShot(0, [this] { form->lCancel = true; });
        write(out);
        EXPECT_FALSE(form->lLastWriteOk);
        EXPECT_FALSE(form->lCancel);
        EXPECT_EQ(readAll(out), "old\r\n");
        EXPECT_FALSE(fs::exists(dir / "out.csv.~mirvano"));
        unsetenv("MIRVANO_THREADS");
        unsetenv("MIRVANO_BLOCK_BYTES");
    }
}

TEST_F(WriteWindowTest, ScriptAndHeaderMethodsWriteThroughTheLineWriter) {
    const fs::path out = dir / "head.csv";
    form->hOut = win::CreateFile(out.string());
    ASSERT_GE(form->hOut, 0);
    form->lOutOpen = true;
    form->aFeldListe = {{"NAME", "C", 10, 0}, {"AMOUNT", "N", 8, 2}, {"NOTES", "M", 10, 0}};
    form->lOutSQL = true;
    form->lOutHeader = true;
    press("RADIOSEPASEMIOUT", true);
    press("RADIOGRENZETEXTOUT", true);
    form->SETSQLSTATEMCSV("head");
    form->SETHEADERCSV();
    // the SDF header in optimised mode after an empty line, as an appended output has it
    form->lOutSQL = false;
    form->lOutOptiSDF = true;
    form->aFeldListe = {{"NAME", "C", 10, 0}, {"AMOUNT", "N", 8, 2}};
    form->SETHEADERSDF({8, 7}, {2, 100});
    form->CLOSEOUTPUT();
    EXPECT_EQ(readAll(out),
              "CREATE TABLE head (\r\nname varchar(10) default NULL,\r\namount float(8,2) default '0'\r\n"
              ") TYPE=MyISAM COMMENT='TorvelSoft Geo Data'\r\n\r\n\"NAME\";AMOUNT\r\n\r\nNAME   AMOUNT  \r\n");
}

TEST_F(WriteWindowTest, SaveDialogDefaultNames) {
    std::vector<ui::SaveDialogRequest> asked;
    std::string answer;
    auto previous = ui::setSaveDialogChooser([&](const ui::SaveDialogRequest& r) {
        asked.push_back(r);
        return answer;
    });
    const std::string oldPfad = ui::gcPfad;
    ui::gcPfad = dir.string() + "/";
    engine::ReportRecorder rec;

    // no earlier output: mirvano.csv in the data directory; the input being that very file
    // makes it mirvano_new.csv
    writeAll(dir / "mirvano.csv", readAll(dir / "people.csv"));
    ASSERT_TRUE(open(dir / "mirvano.csv"));
    form->cFileOut.clear();
    form->BUTDATEISPEICHERN();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].initialName, "mirvano_new.csv");
    EXPECT_EQ(asked[0].initialDir, ui::gcPfad);
    EXPECT_EQ(asked[0].caption, "Open output file for converted data");
    EXPECT_TRUE(asked[0].overwritePrompt);
    EXPECT_FALSE(form->lOutOpen);  // cancelled: nothing written, nothing said
    EXPECT_TRUE(rec.lastError().empty());

    // an earlier output sets the name and the directory; append mode asks no overwrite question
    fs::create_directories(dir / "sub");
    answer = (dir / "sub" / "Out.csv").string();
    form->BUTDATEISPEICHERN();
    EXPECT_TRUE(form->lLastWriteOk) << rec.lastError();
    format(false, "SDF");
    radio("RADIOAUSGERGAENZEN")->PRESSED(true);
    answer.clear();
    form->BUTDATEISPEICHERN();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[2].initialName, "Out.sdf");
    EXPECT_EQ(asked[2].initialDir, (dir / "sub").string());
    EXPECT_EQ(asked[2].pattern, "*.sdf");
    EXPECT_FALSE(asked[2].overwritePrompt);
    EXPECT_FALSE(form->lOutOpen);

    ui::gcPfad = oldPfad;
    ui::setSaveDialogChooser(previous);
}
