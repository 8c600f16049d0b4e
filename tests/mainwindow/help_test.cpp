// The help file written in the user's language and opened; the web-page button.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <csignal>
#include <sys/resource.h>
#include <vector>

#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

#include "app_support.h"
#include "functions/charsets.h"
#include "mainwindow/filedialogs.h"
#include "mainwindow/helpfile.h"
#include "platform/gui/application.h"
#include "platform/gui/controls.h"
#include "platform/gui/statusbar.h"
#include "mainwindow_fixture.h"
#include "platform/gui/dialogs.h"
#include "platform/win/internet.h"
#include "platform/win/shellopen.h"
#include "test_env.h"
#include "ui/texts.h"
#include "widgets/opensavedialog.h"

using mirvano_test::MainWindow;

namespace {

std::string ansi(const std::string& utf8) {
    std::string out;
    size_t n = 0;
    CONVMULTIBYTE2MULTIBYTE(utf8, rt::Value(2), out, n, rt::Value(0));
    return out;
}

using mirvano_test::readAll;

struct Opened {
    std::vector<std::string> targets;
    bool answer = true;
    win::ShellOpenHandler previous;
    Opened() {
        previous = win::setShellOpenHandler([this](const std::string& t) {
            targets.push_back(t);
            return answer;
        });
    }
    ~Opened() { win::setShellOpenHandler(previous); }
};

struct DataDir {
    std::filesystem::path dir = mirvano_test::temp_dir("help");
    std::string previous = ui::gcPfad;
    DataDir() { ui::gcPfad = dir.string() + "/"; }
    ~DataDir() { ui::gcPfad = previous; }
};

}  // namespace

TEST(HelpFile, BytesAreAnsiTextWithTheStampTheDescriptionAndEveryDescribedControl) {
    for (int lang : {ui::kGerman, ui::kEnglish}) {
        const std::string bytes = ui::helpFileText(lang);
        const std::string title = ui::messageText(1, lang);
        ASSERT_EQ(bytes.rfind(title + "\r\n\r\n\r\n\r\n\r\n", 0), 0u) << lang;
        EXPECT_EQ(bytes.find("\xEF\xBB\xBF"), std::string::npos);
        // ANSI, not UTF-8: no lead byte of a two-byte sequence anywhere.
        EXPECT_EQ(bytes.find('\xC3'), std::string::npos) << lang;
        size_t entries = 0;
        for (const ui::ControlText& row : ui::controlTextTable()) {
            const std::string desc = ui::description(row, lang);
            const std::string entry = ansi(std::string(ui::title(row, lang)) + ":\r\n" + desc + "\r\n\r\n");
            if (desc.empty()) continue;
            ++entries;
            EXPECT_NE(bytes.find(entry), std::string::npos) << row.name;
        }
        EXPECT_GT(entries, 50u);
        EXPECT_EQ(bytes.substr(bytes.size() - 4), "\r\n\r\n");
        for (size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\n') ASSERT_EQ(bytes[i - 1], '\r') << "bare LF at " << i;
    }
    const std::string german = ui::helpFileText(ui::kGerman);
    EXPECT_NE(german.find("\xFC"), std::string::npos);  // "ü" in code page 1252
}

TEST(HelpFile, WrittenWhenMissingOrStaleThenOpenedFailuresAreReported) {
    MainWindow w(1);
    DataDir data;
    Opened opened;
    const std::string german = data.dir.string() + "/mirhelpd.txt";

    w.form->BUTHILFE();
    ASSERT_EQ(opened.targets, std::vector<std::string>{german});
    EXPECT_EQ(readAll(german), ui::helpFileText(ui::kGerman));

    // A stamp that differs only in letter case, or is the other language's, is rewritten.
    std::string stamp = ui::messageText(1, 1);
    for (char& c : stamp) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string& first : {stamp, std::string(ui::messageText(1, 2))}) {
        std::ofstream(german, std::ios::binary) << first << "\r\nold\r\n";
        w.form->BUTHILFE();
        EXPECT_EQ(readAll(german), ui::helpFileText(ui::kGerman));
    }
    // A current file is left as it is.
    std::ofstream(german, std::ios::binary) << ui::messageText(1, 1) << "\r\nmine\r\n";
    w.form->BUTHILFE();
    EXPECT_EQ(readAll(german), std::string(ui::messageText(1, 1)) + "\r\nmine\r\n");

    // English goes to its own file.
    ui::gbSprache = 2;
    w.form->BUTHILFE();
    EXPECT_EQ(opened.targets.back(), data.dir.string() + "/mirhelpe.txt");

    // Nothing on the desktop can show it: the program shows it itself (below).
    opened.answer = false;
    w.form->BUTHILFE();
    EXPECT_TRUE(w.form->ODCINPUTMLE->ISVISIBLE());
    EXPECT_NE(w.bar->ERRORTEXT(), ui::messageText(43, 2));
}

// Without a desktop program for text files (the opener refuses, there is no xdg-open on the
// PATH, or xdg-open finds no program and ends with an error) the help file comes up in the
// program's own text view, laid over the settings until the user goes back to them.
TEST(HelpFile, WithoutADesktopOpenerTheProgramShowsItInItsOwnTextView) {
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    struct Case {
        const char* what;
        bool seam;             // the opener refuses through the seam, else the real one runs
        const char* xdgOpen;   // the script found as xdg-open on the PATH; none: no xdg-open
        bool ownView;
    } cases[] = {
        {"opener refuses", true, nullptr, true},
        {"the desktop's own opener, no xdg-open on the PATH", false, nullptr, true},
        {"xdg-open finds no program for text files", false, "#!/bin/sh\necho \"$1\" > \"$0.called\"\nexit 3\n", true},
        {"xdg-open shows the file", false, "#!/bin/sh\necho \"$1\" > \"$0.called\"\nexit 0\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindow w(1);
        DataDir data;
        const auto bin = mirvano_test::temp_dir("help-opener");
        std::optional<Opened> opened;
        if (c.seam) {
            opened.emplace();
            opened->answer = false;
        } else {
            if (c.xdgOpen) {
                mirvano_test::writeAll(bin / "xdg-open", c.xdgOpen);
                std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
            }
            ::setenv("PATH", bin.c_str(), 1);
        }
        QWidget* help = w.form->OCCBUTHILFE->HANDLE();
        QTest::mouseClick(help, Qt::LeftButton);
        ::setenv("PATH", path.c_str(), 1);
        QApplication::processEvents();

        QWidget* view = w.form->ODCINPUTMLE->HANDLE();
        if (c.xdgOpen) {
            // The opener was asked for the help file and has ended; what it said is taken in.
            ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(bin / "xdg-open.called"); }, 20000));
            EXPECT_EQ(mirvano_test::readAll(bin / "xdg-open.called"), data.dir.string() + "/mirhelpd.txt\n");
            QTest::qWaitFor([&] { return view->isVisible(); }, c.ownView ? 20000 : 500);
        }
        if (!c.ownView) {
            EXPECT_FALSE(view->isVisible());
            EXPECT_EQ(w.bar->ERRORTEXT(), "");
            continue;
        }
        ASSERT_TRUE(view->isVisible());
        EXPECT_TRUE(view->isEnabled());
        EXPECT_TRUE(view->geometry().intersects(w.form->OCCRADIOCSVIN->HANDLE()->geometry())) << "over the settings";
        EXPECT_EQ(w.bar->ERRORTEXT(), "");
        if (c.seam) EXPECT_EQ(opened->targets.size(), 1u);
        // The whole file, its German letters read from the ANSI bytes.
        const QString shown = view->property("plainText").toString().remove(QLatin1Char('\r'));
        auto lines = [](const std::string& utf8) { return QString::fromUtf8(utf8).remove(QLatin1Char('\r')); };
        EXPECT_TRUE(shown.startsWith(lines(std::string(ui::messageText(1, 1)) + "\n\n\n\n\n" + ui::messageText(3, 1))));
        for (const ui::ControlText& row : ui::controlTextTable())
            if (*row.descriptionGerman)
                EXPECT_TRUE(shown.contains(lines(std::string(row.titleGerman) + ":\n" + row.descriptionGerman + "\n")))
                    << row.name;
        EXPECT_TRUE(shown.contains(QStringLiteral("Zeichensätzen")));

        // Back to the settings.
        QTest::mouseClick(w.form->OCCBUTNORMALANSICHT->HANDLE(), Qt::LeftButton);
        EXPECT_FALSE(view->isVisible());
        EXPECT_TRUE(w.form->OCCBUTHILFE->HANDLE()->isEnabled());
    }
}

// A user who opens the help while a long conversion runs and then tries every button the
// help view shows: the run reads its input to the end exactly once, writes every record once
// and is neither disturbed nor aborted; the form stays held until the run has ended, and the
// help stays on screen with the way back to the settings.
TEST(HelpFile, OpenedDuringARunItLeavesTheRunsFilesAndTheHeldFormAlone) {
    // Every event pump of the run handles the queued events, so each click lands mid-run.
    auto tick = std::make_shared<std::chrono::steady_clock::time_point>();
    gui::setPumpClock([tick] { return *tick += std::chrono::milliseconds(50); });
    apptest::Program p("help-during-run");
    apptest::writeFile(p.ini(), "[Config]\nProgIdent=mirvano\nLanguage=english\nFileFormatIn=csv\nCsvSeparatorIn=semi\n"
                                "HeaderLineIn=yes\nFileFormatOut=csv\nCsvSeparatorOut=comma\nCsvFieldFrameOut=no\n"
                                "HeaderLineOut=yes\n");
    const int records = 5000;
    std::string input = "NAME;AGE\n";
    std::string expected = "NAME,AGE\r\n";
    for (int i = 0; i < records; ++i) {
        input += "Name" + std::to_string(i) + ";" + std::to_string(i % 90) + "\n";
        expected += "Name" + std::to_string(i) + "," + std::to_string(i % 90) + "\r\n";
    }
    apptest::writeFile(p.dir / "big.csv", input);
    p.start();
    p.form->SHOW();
    QApplication::processEvents();
    Opened opened;
    opened.answer = false;  // no desktop opener: the program shows the help itself
    ui::DTAMIRVANO& w = *p.form;
    auto click = [](gui::CONTROL* c) { QTest::mouseClick(c->HANDLE(), Qt::LeftButton); };

    w.cCmdFileIn = (p.dir / "big.csv").string();
    click(w.OCCBUTDATEIOEFFNEN);
    ASSERT_TRUE(w.lInOpen);
    // Opening an input mid-run would choose the same file again.
    int openDialogs = 0;
    auto previousOpen = ui::setOpenDialogChooser([&](const ui::OpenDialogRequest&) {
        ++openDialogs;
        return (p.dir / "big.csv").string();
    });

    // What the user does while the records are written, one step per event pump.
    const std::vector<std::function<void()>> steps = {
        [&] { click(w.OCCBUTHILFE); },
        [&] { click(w.OCCBUTEINGABEZEIGEN); },
        [&] { click(w.OCCBUTAUSGABEZEIGEN); },
        [&] { click(w.OCCBUTNORMALANSICHT); },
        [&] { click(w.OCCRADIOSDFIN); },
        [&] { click(w.OCCBUTDATEIOEFFNEN); },
    };
    size_t done = 0;
    bool helpShown = false;
    std::vector<std::string> enabledMidRun;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (done >= steps.size() || !w.lRunning || !w.lOutOpen) return;
        steps[done++]();
        if (done == 1) helpShown = w.ODCINPUTMLE->HANDLE()->isVisible();
        if (done == steps.size())
            for (gui::CONTROL* c : w.aAllCtrl)
                if (c->HANDLE()->isEnabled() && c->HANDLE()->isVisible()) enabledMidRun.push_back(c->NAMESYM());
    });
    user.start(0);
    w.cCmdFileOut = (p.dir / "out.csv").string();
    click(w.OCCBUTDATEISPEICHERN);
    user.stop();
    gui::setPumpClock({});
    ui::setOpenDialogChooser(previousOpen);

    ASSERT_EQ(done, steps.size()) << "every step came while the run was busy";
    EXPECT_TRUE(helpShown);
    EXPECT_EQ(openDialogs, 0);
    // Only the buttons a run leaves usable, and the help text the user scrolls in.
    std::sort(enabledMidRun.begin(), enabledMidRun.end());
    EXPECT_EQ(enabledMidRun, (std::vector<std::string>{"BUTABBRECHEN", "BUTHILFE", "BUTHOMEPAGE", "INPUTMLE"}));
    // Every record once, in order (not the header converted as data, nor a record twice).
    const std::string written = mirvano_test::readAll(p.dir / "out.csv");
    EXPECT_TRUE(written == expected) << written.size() << " bytes written, " << expected.size() << " expected";
    EXPECT_EQ(p.shell->STATUSBAR()->TRANSIENT(),
              std::to_string(records) + " data records converted into the file " + (p.dir / "out.csv").string());
    EXPECT_EQ(p.shell->STATUSBAR()->ERRORTEXT(), "");
    EXPECT_TRUE(w.lInCSV);
    EXPECT_TRUE(w.lInOpen);

    // After the run the help is still there, with the way back to the settings.
    QWidget* view = w.ODCINPUTMLE->HANDLE();
    EXPECT_TRUE(view->isVisible());
    EXPECT_FALSE(w.OCCBUTDATEIOEFFNEN->HANDLE()->isEnabled());
    ASSERT_TRUE(w.OCCBUTNORMALANSICHT->HANDLE()->isEnabled());
    click(w.OCCBUTNORMALANSICHT);
    EXPECT_FALSE(view->isVisible());
    EXPECT_TRUE(w.OCCBUTDATEIOEFFNEN->HANDLE()->isEnabled());
    EXPECT_TRUE(w.OCCRADIOSDFIN->HANDLE()->isEnabled());
}

TEST(HelpFile, AWriteThatFailsLeavesNoFileAndIsReported) {
    MainWindow w(2);
    DataDir data;
    Opened opened;
    // Files may grow to 100 bytes only: the write fails half-way.
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 100;
    auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    w.form->BUTHILFE();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousSignal);
    EXPECT_EQ(w.bar->ERRORTEXT(), ui::messageText(42, 2));
    EXPECT_EQ(w.lastSound(), "error");
    EXPECT_TRUE(opened.targets.empty());
    EXPECT_TRUE(std::filesystem::is_empty(data.dir));

    // No directory to write into.
    EXPECT_FALSE(ui::writeHelpFile((data.dir / "missing" / "x.txt").string(), "abc"));
    EXPECT_TRUE(std::filesystem::is_empty(data.dir));

    // A file of the name another copy's help file is being written under stays its own.
    mirvano_test::writeAll(data.dir / "x.txt.tmp", "another copy's");
    EXPECT_TRUE(ui::writeHelpFile((data.dir / "x.txt").string(), "abc"));
    EXPECT_EQ(mirvano_test::readAll(data.dir / "x.txt"), "abc");
    EXPECT_EQ(mirvano_test::readAll(data.dir / "x.txt.tmp"), "another copy's");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data.dir), std::filesystem::directory_iterator()), 2);
}

TEST(HomePage, OnlineOpensThePageOfflineTheDocumentElseANotice) {
    MainWindow w(1);
    DataDir data;
    Opened opened;
    uint32_t flags = 0;
    auto previous = win::setConnectedStateProvider([&](uint32_t* f) {
        *f = flags;
        return true;
    });
    struct Case {
        uint32_t flags;
        bool online;
    };
    for (const Case& c : {Case{win::INTERNET_CONNECTION_LAN, true}, Case{win::INTERNET_CONNECTION_MODEM, true},
                          Case{win::INTERNET_CONNECTION_PROXY, true}, Case{win::INTERNET_CONNECTION_CONFIGURED, false},
                          Case{win::INTERNET_CONNECTION_LAN | win::INTERNET_CONNECTION_OFFLINE, false}, Case{0, false}}) {
        flags = c.flags;
        EXPECT_EQ(ui::ISINTERNETACCESS(), c.online) << c.flags;
    }

    flags = win::INTERNET_CONNECTION_LAN;
    w.form->BUTHOMEPAGE();
    ASSERT_EQ(opened.targets.size(), 1u);
    EXPECT_EQ(opened.targets[0].substr(opened.targets[0].size() - 9), "/home.htm");

    flags = 0;
    std::ofstream(data.dir / "info_e.pdf") << "%PDF";  // the other language's document
    w.form->BUTHOMEPAGE();
    EXPECT_EQ(opened.targets.size(), 1u);
    bool noticeShown = false;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->windowTitle() == QStringLiteral("MIRVANO 7.00 -- 20")) noticeShown = true;
    EXPECT_TRUE(noticeShown);

    std::ofstream(data.dir / "info_d.pdf") << "%PDF";
    w.form->BUTHOMEPAGE();
    ASSERT_EQ(opened.targets.size(), 2u);
    EXPECT_EQ(opened.targets[1], data.dir.string() + "/info_d.pdf");
    win::setConnectedStateProvider(previous);
}

TEST(FileDialogHelp, TheHelpButtonShowsTheAppendButtonsHelpText) {
    MainWindow w(2);
    std::vector<gui::ModalRequest> boxes;
    auto previous = gui::setModalRunner([&](const gui::ModalRequest& r) -> intptr_t {
        if (r.kind == gui::ModalRequest::Kind::MessageBox) {
            boxes.push_back(r);
            return gui::BOXREPLYOK;
        }
        // The file dialog: press Help, then cancel.
        if (auto* box = r.qtDialog->findChild<QDialogButtonBox*>())
            if (QPushButton* help = box->button(QDialogButtonBox::Help)) help->click();
        return 0;
    });
    widgets::OPENSAVEDIALOG dlg(w.form.get(), "*.dbf", rt::Value(true));
    dlg.SETSTYLE(widgets::OFN_SHOWHELP);
    dlg.SETSTYLE(widgets::OFN_ALLOWMULTISELECT);
    EXPECT_FALSE(dlg.SHOW());
    gui::setModalRunner(previous);
    ASSERT_EQ(boxes.size(), 1u);
    std::string expected;
    for (const ui::ControlText& row : ui::controlTextTable())
        if (std::string(row.name) == "BUTDATEIVERBINDEN") expected = ui::description(row, 2);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(boxes[0].text, expected);
    EXPECT_EQ(boxes[0].style & 0xF0, gui::BOXICONASTERISK);
}
