// Pictures of the program after opening a CSV file (build dir, screenshots/): the field
// list filled, the input view, the filter builder in use, and a dBase input as a table.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <filesystem>
#include <fstream>

#include "engine/inputfile.h"
#include "mainwindow/filedialogs.h"
#include "mainwindow_fixture.h"
#include "platform/db/dbserver.h"
#include "platform/gui/controls.h"
#include "test_env.h"
#include "widgets/datalistview2.h"
#include "widgets/multilineeditw.h"

using mirvano_test::MainWindow;

namespace {

QString shot(gui::TOPAPPWINDOW& shell, const char* name) {
    QApplication::processEvents();
    const QString dir = QStringLiteral(MIRVANO_BINARY_DIR) + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    const QString file = dir + QLatin1Char('/') + QString::fromLatin1(name);
    shell.HANDLE()->grab().save(file);
    return file;
}

void press(ui::DTAMIRVANO& f, const char* name) {
    dynamic_cast<gui::RADIOBUTTON*>(f.formControl(name))->PRESSED(true);
}

}  // namespace

TEST(ViewsScreenshots, OpenedCsvFileFieldListInputViewAndFilterBuilder) {
    MainWindow w(2);
    auto& f = *w.form;
    const auto dir = mirvano_test::temp_dir("shots");
    const std::string csv = (dir / "adressen.csv").string();
    {
        std::ofstream out(csv, std::ios::binary);
        out << "NAME;ORT;PLZ;UMSATZ;SEIT\r\n";
        const char* rows[] = {"M\xFCller;K\xF6ln;50667;1200,50;2001-04-12", "Schmidt;Hamburg;20095;88,00;1999-12-01",
                              "Wei\xDF;M\xFCnchen;80331;15000,75;2010-07-30", "Jensen;Kiel;24103;0,99;2021-01-15"};
        for (int i = 0; i < 12; ++i) out << rows[i % 4] << "\r\n";
    }
    for (const char* b : {"RADIOCSVIN", "RADIOANSIIN", "RADIOKOMMAIN", "RADIOSEPASEMIIN", "RADIOGRENZEKEINEIN",
                          "RADIODBFOUT", "RADIOANSIOUT", "RADIOPUNKTOUT", "RADIOSEPASEMIOUT", "RADIOGRENZETEXTOUT"})
        press(f, b);
    f.lInCSV = f.lInANSI = f.lInDecComma = f.lInSepSemi = f.lInFrameNone = true;
    f.lOutDBF = f.lOutANSI = f.lOutDecPoint = f.lOutSepSemi = f.lOutFrameText = true;
    f.ODCCHECKHEADERIN->CHECKED(true);
    f.lInHeader = true;
    f.ODCLISTOPERATOREN->FILLUSING(
        std::vector<std::string>{"=", "==", "!=", "<", "<=", ">", ">=", "+", ".and.", ".or.", ".not."});
    f.ODCLISTFUNKTIONEN->FILLUSING(std::vector<std::string>{"Abs(n)", "AllTrim(c)", "Len(c)", "Left(c,n)", "Upper(c)",
                                                            "Val(c)"});
    f.EINAUSBLENDEN();

    auto previous = ui::setOpenDialogChooser([&](const ui::OpenDialogRequest&) { return csv; });
    f.BUTDATEIOEFFNEN();
    ui::setOpenDialogChooser(previous);
    ASSERT_TRUE(f.lInOpen) << w.bar->ERRORTEXT();
    ASSERT_GE(f.ODCLISTAUSWAHLFELD->ITEMCOUNT(), 5);
    EXPECT_EQ(f.ODCLISTAUSWAHLFELD->GETITEM(1), "NAME");
    shot(*w.shell, "views_1_fieldlist.png");

    f.BUTEINGABEZEIGEN();
    ASSERT_TRUE(f.ODCINPUTMLE->ISVISIBLE());
    const std::string shown = widgets::MULTILINEEDITW::utf16ToUtf8(f.ODCINPUTMLE->TEXTVALUE());
    EXPECT_NE(shown.find("Müller;Köln"), std::string::npos);
    shot(*w.shell, "views_2_inputview.png");

    f.BUTNORMALANSICHT();
    f.ODCSINGLEDATENSATZ->TEXTVALUE("");
    auto click = [&](gui::LISTBOX* list, const std::string& item) {
        list->CURRENTITEMNO(list->FINDITEM(item));
        gui::ControlEvent e(list);
        f.LISTBOXSELECT(e);
    };
    click(f.ODCLISTFUNKTIONEN, "Upper(c)");
    f.ODCSINGLEDATENSATZ->TEXTVALUE("Upper(ORT) = 'KÖLN' ");
    f.ODCSINGLEDATENSATZ->SELECTION(gui::SELECTION(20, 20));
    click(f.ODCLISTOPERATOREN, ".and.");
    click(f.ODCLISTAUSWAHLFELD, "PLZ");
    click(f.ODCLISTOPERATOREN, ">");
    EXPECT_EQ(f.ODCSINGLEDATENSATZ->TEXTVALUE(), "Upper(ORT) = 'KÖLN' .and. PLZ > ");
    f.ODCCHECKDATENSATZ->CHECKED(true);
    f.ODCSINGLEDATENSATZ->TEXTVALUE(f.ODCSINGLEDATENSATZ->TEXTVALUE() + "'5'");
    EXPECT_TRUE(f.BUTFILTERTESTEN());
    shot(*w.shell, "views_3_filterbuilder.png");
}

TEST(ViewsScreenshots, DBaseInputAsATable) {
    MainWindow w(1);
    auto& f = *w.form;
    const auto dir = mirvano_test::temp_dir("shotdbf");
    const std::string file = (dir / "kunden.dbf").string();
    ASSERT_TRUE(db::DBCREATE(file, std::vector<db::FieldInfo>{{"KUNDENNR", 'N', 6, 0},
                                                              {"NAME", 'C', 25, 0},
                                                              {"ORT", 'C', 20, 0},
                                                              {"UMSATZ", 'N', 12, 2},
                                                              {"SEIT", 'D', 8, 0},
                                                              {"AKTIV", 'L', 1, 0}}));
    auto table = std::make_shared<db::DBSERVER>(file);
    const char* names[] = {"M\xFCller GmbH", "Schmidt & S\xF6hne", "Wei\xDF KG", "Jensen"};
    for (int i = 0; i < 20; ++i) {
        table->APPEND();
        table->FIELDPUT(rt::Value("KUNDENNR"), rt::Value(1000 + i));
        table->FIELDPUT(rt::Value("NAME"), rt::Value(names[i % 4]));
        table->FIELDPUT(rt::Value("ORT"), rt::Value(i % 2 ? "Hamburg" : "K\xF6ln"));
        table->FIELDPUT(rt::Value("UMSATZ"), rt::Value(1234.5 * (i + 1)));
        table->FIELDPUT(rt::Value("SEIT"), rt::Value(rt::Date::fromYMD(2000 + i, 1 + i % 12, 1 + i)));
        table->FIELDPUT(rt::Value("AKTIV"), rt::Value(i % 3 != 0));
        table->COMMIT();
    }
    f.oDBIn = table;
    f.lInDBF = true;
    f.lInANSI = true;
    f.oFontProport = gui::FONT(gui::FONTANY, 10, "DejaVu Sans");
    f.BUTEINGABEZEIGEN();
    auto* view = dynamic_cast<widgets::DATALISTVIEW2*>(f.ODCINPUTBROWSER);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->rowCount(), 20);
    EXPECT_EQ(view->cellText(1, 2), "Müller GmbH");
    shot(*w.shell, "views_4_dbase_table.png");
    f.oDBIn.reset();
}
