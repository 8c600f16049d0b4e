// The settings record in the program INI and in settings files: what the first exit
// writes, how values are recognised, what a rejected file does, and what survives a save.
#include <gtest/gtest.h>

#include <regex>

#include "app/settings.h"
#include "app_support.h"
#include "engine/report.h"
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
    EXPECT_EQ(keys, app::settingsKeys());
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
    EXPECT_EQ(recorder.lastError(), p.form->message(52));
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
    EXPECT_EQ(recorder.lastError(), p.form->message(52));
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
    std::vector<app::SettingsDialogRequest> asked;
    const std::string target = (p.dir / "Jobs" / "Weekly.mcf").string();
    std::filesystem::create_directories(p.dir / "Jobs");
    auto previous = app::setSettingsDialogChooser([&](const app::SettingsDialogRequest& r) {
        asked.push_back(r);
        return target;
    });
    p.form->BUTSAVECMDINIPAR();
    p.form->BUTLOADCMDINIPAR();
    app::setSettingsDialogChooser(previous);

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
    auto previous = app::setSettingsDialogChooser([](const app::SettingsDialogRequest&) { return std::string(); });
    engine::ReportRecorder recorder;
    p.form->BUTLOADCMDINIPAR();
    app::setSettingsDialogChooser(previous);

    EXPECT_EQ(recorder.lastError(), "");
    EXPECT_TRUE(recorder.of(engine::ReportKind::Sound).empty());
    EXPECT_EQ(p.form->cCmdFileIn, "a.csv");
    EXPECT_EQ(p.form->cCmdFileOut, "b.csv");
    EXPECT_EQ(p.form->cFileIn, "kept.csv");
    EXPECT_EQ(ui::gbSprache, language);
}

}  // namespace
