// The input and output views: a table as a table, text files as text in their character
// set, the preview size, the state of the form; and the choice of the preview fonts.
#include <gtest/gtest.h>

#include <QFontDialog>
#include <fstream>
#include <string>

#include "mainwindow_fixture.h"
#include "platform/db/dbserver.h"
#include "platform/gui/dialogs.h"
#include "platform/win/filehandle.h"
#include "test_env.h"
#include "ui/texts.h"
#include "widgets/datalistview2.h"
#include "widgets/fontstrings.h"
#include "widgets/multilineeditw.h"

using mirvano_test::MainWindow;

namespace {

std::string writeFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
}

struct TextSide {
    bool ansi = false, oem = false, utf8 = false, utf16 = false;
};

void setInput(ui::DTAMIRVANO& f, win::FileHandle h, TextSide s) {
    f.hIn = h;
    f.lInCSV = true;
    f.lInANSI = s.ansi, f.lInOEM = s.oem, f.lInUTF8 = s.utf8, f.lInUTF16 = s.utf16;
}

std::string shownText(ui::DTAMIRVANO& f) {
    return widgets::MULTILINEEDITW::utf16ToUtf8(f.ODCINPUTMLE->TEXTVALUE());
}

}  // namespace

TEST(Views, TheFileFormatComesUpOnceAnEarlierErrorHasHadItsTime) {
    MainWindow w;
    auto& f = *w.form;
    w.bar->TIMEOUT(10);
    w.bar->PERMANENTTEXT("MIRVANO");
    w.bar->ERRORTEXT("Nothing to show");
    const auto dir = mirvano_test::temp_dir("views-error");
    const win::FileHandle h = win::OpenFile(writeFile(dir / "a.csv", "NAME\r\nX\r\n"), 0);
    ASSERT_GE(h, 0);
    setInput(f, h, {true, false, false, false});
    f.BUTEINGABEZEIGEN();
    EXPECT_EQ(w.bar->GETTEXT(), "Nothing to show");  // the error keeps the bar for its time
    for (int second = 0; second < 10; ++second) w.bar->timeoutTick();
    EXPECT_EQ(w.bar->GETTEXT(), "File format: ANSI");
    for (int second = 0; second < 10; ++second) w.bar->timeoutTick();
    EXPECT_EQ(w.bar->GETTEXT(), "MIRVANO");
}

TEST(Views, TextFilesShowInTheirCharacterSet) {
    MainWindow w;
    auto& f = *w.form;
    const auto dir = mirvano_test::temp_dir("views");
    struct Case {
        const char* file;
        std::string bytes;
        TextSide side;
        const char* name;
        const char* shown;
    };
    const Case cases[] = {
        {"ansi.csv", "NAME;ORT\r\nM\xFCller;K\xF6ln \x80\r\n", {true, false, false, false}, "ANSI", "Köln €"},
        {"oem.csv", "NAME;ORT\r\nM\x81ller;K\x94ln \xAB\r\n", {false, true, false, false}, "ASCII", "Köln ½"},
        {"utf8.csv", "NAME;ORT\r\nMüller;Köln €\r\n", {false, false, true, false}, "UTF8", "Köln €"},
        {"utf16.csv",
         std::string("N\0A\0M\0E\0;\0O\0R\0T\0\r\0\n\0M\0\xFC\0l\0l\0e\0r\0;\0K\0\xF6\0l\0n\0 \0\xAC\x20\r\0\n\0", 50),
         {false, false, false, true},
         "UNICODE",
         "Köln €"},
    };
    for (const Case& c : cases) {
        const std::string path = writeFile(dir / c.file, c.bytes);
        const win::FileHandle h = win::OpenFile(path, 0);
        ASSERT_GE(h, 0);
        setInput(f, h, c.side);
        w.sounds.clear();
        f.BUTEINGABEZEIGEN();
        EXPECT_EQ(shownText(f), std::string("NAME;ORT\r\nMüller;") + c.shown + "\r\n") << c.file;
        EXPECT_EQ(w.bar->TRANSIENT(), std::string("File format: ") + c.name) << c.file;
        EXPECT_TRUE(w.sounds.empty()) << c.file;
        EXPECT_EQ(win::FileTell(h), 0);  // the next read starts at the beginning
        EXPECT_TRUE(f.ODCINPUTMLE->ISVISIBLE());
        EXPECT_FALSE(f.ODCINPUTBROWSER->ISVISIBLE());
        EXPECT_FALSE(f.OCCBUTEINGABEZEIGEN->ISENABLED());
        EXPECT_TRUE(f.OCCBUTAUSGABEZEIGEN->ISENABLED());
        EXPECT_TRUE(f.OCCBUTNORMALANSICHT->ISENABLED());
        EXPECT_FALSE(f.ODCSINGLEDATENSATZ->ISENABLED());
        win::CloseHandle(h);
        f.hIn = -1;
    }
    f.BUTNORMALANSICHT();
    EXPECT_FALSE(f.ODCINPUTMLE->ISVISIBLE());
    EXPECT_TRUE(f.OCCBUTEINGABEZEIGEN->ISENABLED());
}

TEST(Views, OnlyAFileLongerThanThePreviewIsReportedCutAndHalfUnitsAreDropped) {
    MainWindow w;
    auto& f = *w.form;
    const auto dir = mirvano_test::temp_dir("viewsize");
    const std::string cut = "File format: ANSI; " + std::string(ui::messageText(49, 2));
    struct Case {
        size_t size;
        bool utf16;
        bool reportedCut;
        size_t shownUnits;
    };
    const Case cases[] = {
        {131072, false, false, 131072},
        {131073, false, true, 131072},
        {7, true, false, 3},  // an odd UTF-16 file: the half unit at the end is left out
        {131075, true, true, 65536},
    };
    for (const Case& c : cases) {
        const std::string path = writeFile(dir / ("f" + std::to_string(c.size)), std::string(c.size, 'a'));
        const win::FileHandle h = win::OpenFile(path, 0);
        setInput(f, h, c.utf16 ? TextSide{false, false, false, true} : TextSide{true, false, false, false});
        w.sounds.clear();
        f.BUTEINGABEZEIGEN();
        EXPECT_EQ(f.ODCINPUTMLE->TEXTVALUE().size(), c.shownUnits * 2) << c.size;
        if (!c.utf16) EXPECT_EQ(w.bar->TRANSIENT() == cut, c.reportedCut) << c.size;
        EXPECT_EQ(w.lastSound(), c.reportedCut ? "warning" : "") << c.size;
        win::CloseHandle(h);
    }
}

TEST(Views, NothingOpenOrNothingReadIsReportedAndAdBaseInputShowsAsATable) {
    MainWindow w;
    auto& f = *w.form;
    f.hIn = -1;
    f.BUTEINGABEZEIGEN();
    EXPECT_EQ(w.bar->ERRORTEXT(), ui::messageText(10, 2));
    EXPECT_EQ(w.lastSound(), "warning");
    EXPECT_TRUE(f.OCCBUTEINGABEZEIGEN->ISENABLED());
    EXPECT_TRUE(f.ODCSINGLEDATENSATZ->ISENABLED());

    const auto dir = mirvano_test::temp_dir("viewdbf");
    const std::string empty = writeFile(dir / "empty.csv", "");
    const win::FileHandle h = win::OpenFile(empty, 0);
    setInput(f, h, TextSide{true, false, false, false});
    f.BUTEINGABEZEIGEN();
    EXPECT_EQ(w.bar->ERRORTEXT(), "Error while reading the input file");
    EXPECT_EQ(w.lastSound(), "error");
    win::CloseHandle(h);
    f.hIn = -1;

    const std::string file = (dir / "kunden.dbf").string();
    ASSERT_TRUE(db::DBCREATE(file, std::vector<db::FieldInfo>{{"NAME", 'C', 20, 0}, {"BETRAG", 'N', 8, 2}}));
    auto table = std::make_shared<db::DBSERVER>(file);
    table->APPEND();
    table->FIELDPUT(rt::Value("NAME"), rt::Value("Jens"));
    table->COMMIT();
    f.oDBIn = table;
    f.lInDBF = true, f.lInCSV = false, f.lInANSI = false, f.lInOEM = true;
    f.oFontProport = gui::FONT(gui::FONTANY, 11, "DejaVu Sans");
    f.BUTEINGABEZEIGEN();
    auto* view = dynamic_cast<widgets::DATALISTVIEW2*>(f.ODCINPUTBROWSER);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->ISVISIBLE());
    EXPECT_FALSE(f.ODCINPUTMLE->ISVISIBLE());
    EXPECT_EQ(view->COLUMNCOUNT(), 2);
    EXPECT_EQ(view->cellText(1, 1), "Jens");
    EXPECT_EQ(view->FONT(), f.oFontProport);
    EXPECT_EQ(w.bar->TRANSIENT(), "File format: ASCII");

    // The output side has nothing: the input view stays.
    f.BUTAUSGABEZEIGEN();
    EXPECT_EQ(w.bar->ERRORTEXT(), ui::messageText(46, 2));
    EXPECT_TRUE(view->ISVISIBLE());
    EXPECT_FALSE(f.ODCSINGLEDATENSATZ->ISENABLED());
    f.oDBIn.reset();
}

TEST(Views, ChosenPreviewFontIsKeptWithItsFontString) {
    MainWindow w;
    auto& f = *w.form;
    f.cFontFixed = "0400-013-000FCourier New";
    f.oFontFixed = widgets::STRINGTOFONT(f.cFontFixed);
    struct Case {
        bool accept;
        const char* family;
    };
    bool italic = false;
    for (const Case& c : {Case{false, "DejaVu Sans Mono"}, Case{true, "DejaVu Sans Mono"}}) {
        auto previous = gui::setModalRunner([&](const gui::ModalRequest& r) -> intptr_t {
            auto* d = qobject_cast<QFontDialog*>(r.qtDialog);
            if (!d) return 0;
            EXPECT_TRUE(d->testOption(QFontDialog::MonospacedFonts));
            QFont font(QString::fromLatin1(c.family));
            font.setPointSize(12);
            d->setCurrentFont(font);
            italic = d->currentFont().italic();
            return c.accept ? QDialog::Accepted : QDialog::Rejected;
        });
        f.BUTFONTFIXED();
        gui::setModalRunner(previous);
        if (!c.accept) {
            EXPECT_EQ(f.cFontFixed, "0400-013-000FCourier New");
            continue;
        }
        EXPECT_EQ(f.cFontFixed, std::string("0400-0160000") + (italic ? "T" : "F") + "DejaVu Sans Mono");
        ASSERT_TRUE(f.oFontFixed.has_value());
        EXPECT_EQ(widgets::FONTTOSTRING(*f.oFontFixed), f.cFontFixed);
        EXPECT_EQ(f.oFontFixed->HEIGHT2(), -16);
    }
}
