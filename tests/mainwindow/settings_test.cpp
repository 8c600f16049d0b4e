// The settings record in the program INI and in settings files: what the first exit
// writes, how values are recognised, what a rejected file does, and what survives a save.
#include <gtest/gtest.h>

#include <QTest>
#include <algorithm>
#include <regex>

#include "app_support.h"
#include "engine/report.h"
#include "mainwindow/settings.h"
#include "platform/gui/controls.h"

namespace {

using apptest::entry;
using apptest::iniEntries;
using apptest::Program;
using apptest::writeFile;

TEST(Settings, FirstExitWritesTheGeometryThenEverySettingInWritingOrder) {
    Program p("first-exit");
    p.start();
    ASSERT_FALSE(std::filesystem::exists(p.ini()));
    p.shell->ENDWINDOW(true);
    QApplication::processEvents();

    EXPECT_EQ(ui::goDtaMirvano, nullptr);
    EXPECT_TRUE(p.app.quitRequested());
    const auto entries = iniEntries(p.ini());
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0].first, "Fenster");
    EXPECT_TRUE(std::regex_match(entries[0].second, std::regex("[0-9]{20}"))) << entries[0].second;
    std::vector<std::string> keys;
    for (size_t i = 1; i < entries.size(); ++i) keys.push_back(entries[i].first);
    EXPECT_EQ(keys, ui::settingsKeys());
    EXPECT_EQ(keys.size(), 35u);
    // Defaults of a start without settings.
    EXPECT_EQ(entry(entries, "ProgIdent"), "mirvano");
    EXPECT_EQ(entry(entries, "FileFormatIn"), "dbf");
    EXPECT_EQ(entry(entries, "CharacterSetOut"), "ansi");
    EXPECT_EQ(entry(entries, "CsvFieldFrameIn"), "string");
    EXPECT_EQ(entry(entries, "ToolTip"), "yes");
    EXPECT_EQ(entry(entries, "FileHandling"), "overwrite");
    EXPECT_EQ(entry(entries, "FontFixedPitch").substr(12), "FCourier New");
}

TEST(Settings, ValuesSelectTheFirstKeywordTheyContain) {
    struct Case {
        const char* key;
        const char* value;
        const char* control;  // the button or box that must end pressed or checked
        bool on;
    } cases[] = {
        {"CsvSeparatorIn", "semicolon", "RADIOSEPASEMIIN", true},
        {"CsvSeparatorIn", "tab and comma", "RADIOSEPAKOMMAIN", true},
        {"CsvSeparatorIn", "pipe", "RADIOSEPASEMIIN", true},
        {"FileFormatOut", "SDF", "RADIOSDFOUT", true},
        {"FileFormatOut", "xls", "RADIODBFOUT", true},
        {"CharacterSetIn", "Unicode", "RADIOUNIIN", true},
        {"CsvFieldFrameOut", "none", "RADIOGRENZEKEINEOUT", true},
        {"DecimalSeparatorOut", "comma", "RADIOKOMMAOUT", true},
        {"HeaderLineIn", "YES", "CHECKHEADERIN", true},
        {"HeaderLineOut", "maybe", "CHECKHEADEROUT", false},
        {"ToolTip", "yes", "CHECKTOOLTIP", true},
        {"ToolTip", "YES", "CHECKTOOLTIP", false},
        {"ToolTip", "", "CHECKTOOLTIP", true},
        {"FileHandling", "Append", "RADIOAUSGERGAENZEN", true},
    };
    Program p("keywords");
    p.start();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        // The input side is CSV so that the enable rules leave the character set alone.
        writeFile(p.ini(), std::string("[Config]\nFileFormatIn=csv\nFileFormatOut=") +
                               (std::string(c.key) == "FileFormatOut" ? c.value : "csv") + "\n" + c.key + "=" +
                               c.value + "\n");
        p.form->LOADINIPAR();
        gui::CONTROL* control = p.form->formControl(c.control);
        ASSERT_NE(control, nullptr);
        if (auto* radio = dynamic_cast<gui::RADIOBUTTON*>(control))
            EXPECT_EQ(radio->PRESSED(), c.on);
        else
            EXPECT_EQ(dynamic_cast<gui::CHECKBOX*>(control)->CHECKED(), c.on);
    }
    // Flags follow their buttons: exactly one member of a family is TRUE.
    writeFile(p.ini(), "[Config]\nFileFormatIn=sdf\nCsvSeparatorIn=slash\nCharacterSetIn=utf8\n");
    p.form->LOADINIPAR();
    EXPECT_TRUE(p.form->lInSDF);
    EXPECT_FALSE(p.form->lInDBF || p.form->lInCSV);
    EXPECT_TRUE(p.form->lInSepSlash);
    EXPECT_FALSE(p.form->lInSepSemi || p.form->lInSepComma || p.form->lInSepTab);
    EXPECT_TRUE(p.form->lInUTF8);
    EXPECT_FALSE(p.form->lInANSI || p.form->lInOEM || p.form->lInUTF16);
}

TEST(Settings, AFileWithoutIdentificationIsRejectedButSetsTheLanguage) {
    Program p("reject");
    p.start();
    writeFile(p.dir / "job.mcf", "[Config]\nLanguage=deutsch\nFileFormatIn=sdf\nInputFile=kept.csv\n");
    p.form->cCmdConfig = (p.dir / "job.mcf").string();
    p.form->cCmdFileIn = "a.csv";
    p.form->cCmdFileOut = "b.csv";
    const bool sdfBefore = p.form->lInSDF;
    engine::ReportRecorder recorder;
    p.form->BUTLOADCMDINIPAR();

    EXPECT_EQ(ui::gbSprache, 1);
    EXPECT_EQ(recorder.lastError(), p.form->message(52) + ": " + (p.dir / "job.mcf").string());
    EXPECT_EQ(recorder.of(engine::ReportKind::Sound), std::vector<std::string>{"SystemHand"});
    EXPECT_EQ(p.form->cCmdFileIn, "");
    EXPECT_EQ(p.form->cCmdFileOut, "");
    EXPECT_EQ(p.form->lInSDF, sdfBefore);
    EXPECT_NE(p.form->cFileIn, "kept.csv");

    // A settings file named on the command line that does not exist ends the same way.
    p.form->cCmdConfig = (p.dir / "Missing.mcf").string();
    p.form->cCmdFileIn = "a.csv";
    recorder.clear();
    p.form->BUTLOADCMDINIPAR();
    EXPECT_EQ(recorder.lastError(), "Die Konfigurationsdatei " + (p.dir / "Missing.mcf").string() + " ist nicht vorhanden");
    EXPECT_EQ(recorder.of(engine::ReportKind::Sound), std::vector<std::string>{"SystemHand"});
    EXPECT_EQ(p.form->cCmdFileIn, "");
}

TEST(Settings, SavedSettingsComeBackWhole) {
    Program p("roundtrip");
    p.start();
    // A filter longer than 255 bytes, sort and field choices with an empty name between
    // two, and names whose case matters on Linux.
    std::string filter = "NAME = 'Müller'";
    while (filter.size() <= 300) filter += " .or. NAME = 'Meier'";
    writeFile(p.dir / "in.mcf", "[Config]\nProgIdent=mirvano\nFileFormatIn=csv\nFileFormatOut=sdf\n"
                                "SortConditionGroup=Name;;City\nFieldFilterGroup=ID;Name\n"
                                "InputFile=/Data/In.CSV\nRecordFilterUse=yes\nRecordFilterPhrase=" +
                                    filter + "\n");
    p.form->cCmdConfig = (p.dir / "in.mcf").string();
    p.form->BUTLOADCMDINIPAR();
    EXPECT_EQ(p.form->aSortFields, (std::vector<std::string>{"Name", "", "City"}));
    EXPECT_EQ(p.form->ODCSINGLEDATENSATZ->TEXTVALUE(), filter);

    // Saved while no input is analysed: the remembered choices are written, not the empty
    // lists of the form.
    p.form->cCmdConfig.clear();
    writeFile(p.dir / "out.mcf", "");
    p.form->BUTSAVECMDINIPAR((p.dir / "out.mcf").string());
    const auto saved = iniEntries(p.dir / "out.mcf");
    EXPECT_EQ(entry(saved, "SortConditionGroup"), "Name;;City");
    EXPECT_EQ(entry(saved, "FieldFilterGroup"), "ID;Name");
    EXPECT_EQ(entry(saved, "RecordFilterPhrase"), filter);
    EXPECT_EQ(entry(saved, "InputFile"), "/Data/In.CSV");
    EXPECT_EQ(entry(saved, "FileFormatOut"), "sdf");

    // A fresh window reads it all back.
    p.form.reset();
    p.form = std::make_unique<ui::DTAMIRVANO>(p.shell.get());
    p.form->INIT({});
    p.form->BUTLOADCMDINIPAR((p.dir / "out.mcf").string());
    EXPECT_EQ(p.form->ODCSINGLEDATENSATZ->TEXTVALUE(), filter);
    EXPECT_TRUE(p.form->ODCCHECKDATENSATZ->CHECKED());
    EXPECT_EQ(p.form->aFieldFilter, (std::vector<std::string>{"ID", "Name"}));
    EXPECT_EQ(p.form->cFileIn, "/Data/In.CSV");
    EXPECT_TRUE(p.form->lOutSDF);

    // Saving into a file that does not exist writes nothing (the program INI before the
    // first exit).
    p.form->BUTSAVECMDINIPAR((p.dir / "none.mcf").string());
    EXPECT_FALSE(std::filesystem::exists(p.dir / "none.mcf"));
}

TEST(Settings, TheDialogChoosesTheFileAndTheSavedFileNamesItself) {
    Program p("dialog");
    p.start();
    std::vector<ui::SettingsDialogRequest> asked;
    const std::string target = (p.dir / "Jobs" / "Weekly.mcf").string();
    std::filesystem::create_directories(p.dir / "Jobs");
    auto previous = ui::setSettingsDialogChooser([&](const ui::SettingsDialogRequest& r) {
        asked.push_back(r);
        return target;
    });
    p.form->BUTSAVECMDINIPAR();
    p.form->BUTLOADCMDINIPAR();
    ui::setSettingsDialogChooser(previous);

    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_EQ(asked[0].initialName, "mirvano.mcf");
    EXPECT_EQ(asked[0].initialDir, ui::gcPfad);
    EXPECT_FALSE(asked[1].save);
    EXPECT_EQ(asked[1].initialName, "*.mcf");
    EXPECT_EQ(asked[1].initialDir, (p.dir / "Jobs").string() + "/");
    EXPECT_EQ(asked[1].caption, p.form->message(51));
    EXPECT_EQ(entry(iniEntries(target), "ConfigFile"), target);
    EXPECT_EQ(p.form->cConfigFile, target);
}

TEST(Settings, CancellingTheLoadDialogChangesNothing) {
    Program p("cancel");
    p.start();
    p.form->cCmdFileIn = "a.csv";
    p.form->cCmdFileOut = "b.csv";
    p.form->cFileIn = "kept.csv";
    const int language = ui::gbSprache;
    auto previous = ui::setSettingsDialogChooser([](const ui::SettingsDialogRequest&) { return std::string(); });
    engine::ReportRecorder recorder;
    p.form->BUTLOADCMDINIPAR();
    ui::setSettingsDialogChooser(previous);

    EXPECT_EQ(recorder.lastError(), "");
    EXPECT_TRUE(recorder.of(engine::ReportKind::Sound).empty());
    EXPECT_EQ(p.form->cCmdFileIn, "a.csv");
    EXPECT_EQ(p.form->cCmdFileOut, "b.csv");
    EXPECT_EQ(p.form->cFileIn, "kept.csv");
    EXPECT_EQ(ui::gbSprache, language);
}

// The form as the user sees it after a start.
void showForm(Program& p) {
    p.form->SHOW();
    QApplication::processEvents();
}

void click(gui::CONTROL* button) {
    QTest::mouseClick(button->HANDLE(), Qt::LeftButton);
    QApplication::processEvents();
}

TEST(Settings, LoadedToolTipSettingSwitchesTheTipsAsTheBoxShows) {
    Program p("tooltips");
    p.start();
    showForm(p);
    std::string chosen;
    auto previous = ui::setSettingsDialogChooser([&](const ui::SettingsDialogRequest&) { return chosen; });
    struct Case {
        const char* value;
        bool on;
    } cases[] = {{"no", false}, {"yes", true}, {"No", false}, {"", true}, {"YES", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("ToolTip=") + c.value);
        chosen = (p.dir / "tips.mcf").string();
        writeFile(chosen, std::string("[Config]\nProgIdent=mirvano\nToolTip=") + c.value + "\n");
        click(p.form->OCCBUTLOADCMDINIPAR);
        EXPECT_EQ(p.form->ODCCHECKTOOLTIP->HANDLE()->property("checked").toBool(), c.on);
        int tips = 0;
        for (gui::CONTROL* control : p.form->aAllCtrl) {
            const bool shows = !control->HANDLE()->toolTip().isEmpty();
            tips += shows;
            if (!c.on) {
                EXPECT_FALSE(shows) << control->NAMESYM();
            }
        }
        if (c.on) {
            EXPECT_GT(tips, 90);
        }
    }
    ui::setSettingsDialogChooser(previous);
}

TEST(Settings, TheSaveDialogsNameWithoutAnExtensionGetsMcf) {
    Program p("save-extension");
    p.start();
    showForm(p);
    std::filesystem::create_directories(p.dir / "v1.2");
    struct Case {
        std::string chosen, written;
    } cases[] = {
        {"Job Settings", "Job Settings.mcf"},
        {"v1.2/job", "v1.2/job.mcf"},
        {"weekly.MCF", "weekly.MCF"},
        {"job.ini", "job.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        auto previous = ui::setSettingsDialogChooser(
            [&](const ui::SettingsDialogRequest&) { return (p.dir / c.chosen).string(); });
        click(p.form->OCCBUTSAVECMDINIPAR);
        ui::setSettingsDialogChooser(previous);
        const auto written = p.dir / c.written;
        ASSERT_TRUE(std::filesystem::is_regular_file(written));
        if (c.written != c.chosen) {
            EXPECT_FALSE(std::filesystem::exists(p.dir / c.chosen));
        }
        const auto entries = iniEntries(written);
        EXPECT_EQ(entry(entries, "ProgIdent"), "mirvano");
        EXPECT_EQ(entry(entries, "ConfigFile"), written.string());
    }
}

// The pressed button of every option family and language, and whether each flag follows it.
std::vector<std::string> shownChoices(const ui::DTAMIRVANO& form) {
    std::vector<std::string> pressed;
    for (const ui::RadioFamily& family : ui::optionFamilies()) {
        int count = 0;
        for (const ui::RadioFamilyMember& m : family.members) {
            const bool on = dynamic_cast<gui::RADIOBUTTON*>(form.formControl(m.button))->HANDLE()->property("checked").toBool();
            EXPECT_EQ(form.*m.flag, on) << m.button;
            if (on) pressed.push_back(m.button);
            count += on;
        }
        EXPECT_EQ(count, 1) << family.name;
    }
    for (const char* name : {"RADIOAUSGUEBERSCHR", "RADIOAUSGERGAENZEN", "RADIODEUTSCH", "RADIOENGLISCH"})
        if (dynamic_cast<gui::RADIOBUTTON*>(form.formControl(name))->PRESSED()) pressed.push_back(name);
    return pressed;
}

// A settings file named on the command line that cannot be loaded (missing, or not one of
// this program's) must not cost the user what the program remembers: the form shows the
// settings last used, the program INI keeps its bytes at exit, and the load button asks for
// a file with its dialog again.
TEST(Settings, ARefusedSettingsFileOnTheCommandLineFallsBackToTheSettingsLastUsedAndKeepsTheIni) {
    const std::string remembered =
        "[Config]\r\nFenster=00100000800080000700\r\nProgIdent=mirvano\r\nLanguage=english\r\nFileFormatIn=csv\r\n"
        "CsvSeparatorIn=tab\r\nFileFormatOut=sdf\r\nToolTip=no\r\nSortConditionUse=yes\r\nSortConditionGroup=CITY;NAME\r\n"
        "FieldFilterUse=yes\r\nFieldFilterGroup=NAME\r\nRecordFilterUse=yes\r\nRecordFilterPhrase=AGE > 40\r\n";
    std::vector<std::string> lastUsed;
    {
        Program plain("last-used");
        writeFile(plain.ini(), remembered);
        plain.start();
        showForm(plain);
        lastUsed = shownChoices(*plain.form);
        EXPECT_TRUE(plain.form->lInCSV);
        EXPECT_TRUE(plain.form->lOutSDF);
        plain.shell->ENDWINDOW(true);
        QApplication::processEvents();
    }

    struct Case {
        const char* what;
        const char* file;     // the settings file named on the command line
        const char* content;  // none: it does not exist
    } cases[] = {
        {"a file that does not exist", "typo.mcf", nullptr},
        {"a file of another program", "other.mcf", "[Config]\nLanguage=deutsch\nFileFormatIn=dbf\nCsvSeparatorIn=semi\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Program p("refused-start");
        writeFile(p.ini(), remembered);
        if (c.content) writeFile(p.dir / c.file, c.content);
        engine::ReportRecorder recorder;
        p.start({(p.dir / "data.csv").string(), "", (p.dir / c.file).string()});
        showForm(p);
        // The user learns which file was refused ...
        EXPECT_NE(recorder.lastError().find((p.dir / c.file).string()), std::string::npos) << recorder.lastError();
        // ... and works with what the program remembers.
        EXPECT_EQ(shownChoices(*p.form), lastUsed);
        EXPECT_FALSE(p.form->ODCCHECKTOOLTIP->CHECKED());
        EXPECT_EQ(p.form->aSortFields, (std::vector<std::string>{"CITY", "NAME"}));
        EXPECT_EQ(p.form->aFieldFilter, (std::vector<std::string>{"NAME"}));
        EXPECT_EQ(p.form->ODCSINGLEDATENSATZ->TEXTVALUE(), "AGE > 40");

        // The load button asks with its dialog; cancelled, it changes nothing.
        int asked = 0;
        auto previous = ui::setSettingsDialogChooser([&](const ui::SettingsDialogRequest&) {
            ++asked;
            return std::string();
        });
        click(p.form->OCCBUTLOADCMDINIPAR);
        ui::setSettingsDialogChooser(previous);
        EXPECT_EQ(asked, 1);

        // The exit leaves the program INI as it was, byte for byte.
        p.shell->ENDWINDOW(true);
        QApplication::processEvents();
        EXPECT_EQ(apptest::readFile(p.ini()), remembered);
    }
}

// A value of a keyword key that contains none of its keywords takes the default, as a
// missing or empty one does, but is told with the key, the value and the keywords; free-text
// keys and the keys with their own rules (ToolTip, Language) are taken as they are.
TEST(Settings, AValueThatHoldsNoneOfItsKeywordsIsTold) {
    struct Case {
        const char* key;
        const char* value;
        const char* keywords;  // none: nothing is told
    } cases[] = {
        {"CharacterSetIn", "utf16", "ansi, ascii, utf8, unicode"},
        {"CharacterSetIn", "UTF8", nullptr},
        {"CsvSeparatorIn", "semicolon", nullptr},
        {"CsvSeparatorIn", "pipe", "semi, comma, slash, tab"},
        {"CsvSeparatorIn", "", nullptr},
        {"FileFormatOut", "xls", "dbf, csv, sdf"},
        {"DecimalSeparatorOut", "point", "dot, comma"},
        {"CsvFieldFrameOut", "none", nullptr},
        {"CsvFieldFrameOut", "quotes", "string, no, all"},
        {"HeaderLineIn", "maybe", "yes, no"},
        {"SqlScriptOut", "NO", nullptr},
        {"FileHandling", "replace", "overwrite, append"},
        {"RecordFilterUse", "on", "yes, no"},
        {"ToolTip", "off", nullptr},
        {"Language", "francais", nullptr},
        {"FieldLenStrIn", "ten", nullptr},
        {"InputFile", "whatever", nullptr},
        {"RecordFilterPhrase", "x", nullptr},
    };
    Program p("unknown-values");
    p.start();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        writeFile(p.ini(), std::string("[Config]\n") + c.key + "=" + c.value + "\nFileFormatIn=csv\nFileFormatOut=csv\n");
        engine::ReportRecorder recorder;
        p.form->LOADINIPAR();
        if (!c.keywords) {
            EXPECT_EQ(recorder.lastError(), "");
            continue;
        }
        EXPECT_EQ(recorder.of(engine::ReportKind::Error),
                  std::vector<std::string>{std::string("The value ") + c.value + " of the setting " + c.key + " in " +
                                           p.ini() + " contains none of the keywords " + c.keywords});
        EXPECT_EQ(recorder.of(engine::ReportKind::Sound), std::vector<std::string>{"SystemHand"});
    }
    // The default is taken: ANSI for the character set.
    writeFile(p.ini(), "[Config]\nFileFormatIn=csv\nCharacterSetIn=utf16\n");
    p.form->LOADINIPAR();
    EXPECT_TRUE(p.form->lInANSI);
    EXPECT_FALSE(p.form->lInUTF16);
    // A value that is itself a message placeholder is told as it is.
    writeFile(p.ini(), "[Config]\nFileFormatIn=$3$1\n");
    engine::ReportRecorder recorder;
    p.form->LOADINIPAR();
    EXPECT_EQ(recorder.lastError(), "The value $3$1 of the setting FileFormatIn in " + p.ini() +
                                        " contains none of the keywords dbf, csv, sdf");
}

}  // namespace
