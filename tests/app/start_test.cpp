// Start-up pieces: the data directory, the shell window's geometry and title page, and a
// close while a conversion runs.
#include <gtest/gtest.h>

#include <QThread>
#include <cstdlib>
#include <optional>

#include "app/start.h"
#include "mainwindow/app_support.h"
#include "functions/ini.h"
#include "functions/windows.h"
#include "graphics/canvas/numeric.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/statusbar.h"
#include "platform/win/sound.h"

namespace {

using apptest::Program;
using apptest::writeFile;

// Sets or clears environment variables for one scope.
class EnvScope {
public:
    void set(const char* name, const std::optional<std::string>& value) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~EnvScope() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(DataDirectory, MarkerThenAppDataThenXdgThenHome) {
    const auto base = mirvano_test::temp_dir("datadir");
    const std::string program = (base / "Prog").string();
    std::filesystem::create_directories(program);
    const std::string home = (base / "home").string();
    std::filesystem::create_directories(home);
    struct Case {
        bool marker;
        std::optional<std::string> appData, xdg;
        std::string expected;
    } cases[] = {
        {true, base.string() + "/appdata", std::nullopt, program + "/"},
        {false, base.string() + "/appdata", base.string() + "/xdg", base.string() + "/appdata/mirvano/"},
        {false, std::nullopt, base.string() + "/xdg", base.string() + "/xdg/mirvano/"},
        {false, std::string(), std::nullopt, home + "/.config/mirvano/"},
        // A relative XDG_CONFIG_HOME is ignored, as the XDG rules ask.
        {false, std::nullopt, std::string("rel"), home + "/.config/mirvano/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EnvScope env;
        env.set("APPDATA", c.appData);
        env.set("XDG_CONFIG_HOME", c.xdg);
        env.set("HOME", home);
        std::filesystem::remove(program + "/mirvano.aef");
        if (c.marker) writeFile(program + "/mirvano.aef", "");
        EXPECT_EQ(app::findDataDirectory(program), c.expected);
        if (!c.marker) {
            EXPECT_TRUE(std::filesystem::is_directory(c.expected));
        }
    }
    // A marker named in another case is another file on Linux.
    {
        EnvScope env;
        env.set("APPDATA", base.string() + "/appdata");
        std::filesystem::remove(program + "/mirvano.aef");
        writeFile(program + "/MIRVANO.AEF", "");
        EXPECT_EQ(app::findDataDirectory(program), base.string() + "/appdata/mirvano/");
    }
    // Nothing can be made: no directory.
    {
        EnvScope env;
        writeFile(base / "file", "");
        env.set("APPDATA", (base / "file").string());
        env.set("XDG_CONFIG_HOME", (base / "file").string());
        env.set("HOME", (base / "file").string());
        EXPECT_EQ(app::findDataDirectory(program), "");
    }
}

// The graphics library learns its runtime level first thing, before any window exists and
// even when the start-up stops at once for want of a data directory.
TEST(Startup, GraphicsLibraryIsInitialisedBeforeTheFirstWindow) {
    const auto base = mirvano_test::temp_dir("startlevel");
    writeFile(base / "file", "");
    EnvScope env;
    env.set("APPDATA", (base / "file").string());
    env.set("XDG_CONFIG_HOME", (base / "file").string());
    env.set("HOME", (base / "file").string());
    std::vector<std::string> boxes;
    auto previous = gui::setModalRunner([&](const gui::ModalRequest& r) -> intptr_t {
        boxes.push_back(r.text);
        return gui::BOXREPLYOK;
    });
    gfx::RuntimeLevel = 0;
    {
        app::APP application;
        application.START();
        EXPECT_EQ(application.exitStatus(), 1);
    }
    gui::setModalRunner(previous);
    EXPECT_EQ(gfx::RuntimeLevel, 27);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Error on create the programs data directory");
}

// Where nobody can see the windows (the offscreen screen), a batch neither waits for the
// title page nor moves the window the user placed: the program INI keeps its bytes.
TEST(Startup, ABatchNobodySeesTakesNoTitlePauseAndLeavesTheProgramIniAlone) {
    const auto base = mirvano_test::temp_dir("unseen-batch");
    EnvScope env;
    env.set("APPDATA", base.string());
    const auto data = base / "mirvano";
    const std::string ini = "[Config]\r\nFenster=00100000800500000700\r\nProgIdent=mirvano\r\nFileFormatIn=sdf\r\n";
    writeFile(data / "MIRVANO.INI", ini);
    writeFile(base / "a.csv", "NAME;AGE\nAnna;31\n");
    writeFile(base / "job.mcf", "[Config]\nProgIdent=mirvano\nFileFormatIn=csv\nHeaderLineIn=yes\nFileFormatOut=csv\n"
                                "CsvSeparatorOut=comma\nCsvFieldFrameOut=no\nHeaderLineOut=yes\n");
    std::vector<double> pauses;
    {
        app::APP application;
        application.arguments = {(base / "a.csv").string(), (base / "b.csv").string(), (base / "job.mcf").string()};
        application.pause = [&](double seconds) { pauses.push_back(seconds); };
        application.START();
        EXPECT_EQ(application.exitStatus(), 0);
    }
    ui::gcPfad.clear();
    EXPECT_EQ(apptest::readFile(base / "b.csv"), "NAME,AGE\r\nAnna,31\r\n");
    EXPECT_TRUE(pauses.empty());
    EXPECT_EQ(apptest::readFile(data / "MIRVANO.INI"), ini);
}

TEST(ShellGeometry, StoredTextIsReadFieldByField) {
    struct Case {
        const char* text;
        int x, y, w, h;
    } cases[] = {
        {"00120000800076800620", 120, 80, 768, 620},
        {"0012000080", 120, 80, 100, 100},
        {"-0003  12 abcde00050", 0, 12, 100, 100},
        {"99999000009999900700", 65535, 0, 65535, 700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const ui::Geometry g = ui::parseGeometry(c.text);
        EXPECT_EQ(g.x, c.x);
        EXPECT_EQ(g.y, c.y);
        EXPECT_EQ(g.width, c.w);
        EXPECT_EQ(g.height, c.h);
    }
    EXPECT_EQ(ui::formatGeometry(120, 80, 768, 620), "00120000800076800620");
}

TEST(ShellGeometry, WindowOpensFromTheStoredValueAndIsBroughtBackOntoTheDesktop) {
    const int deskW = GETMONITORWIDTH();
    const int deskH = GETMONITORHEIGHT();
    auto fitLeft = [](int x, int w, int max) {
        while (x + w > max) x -= 10;
        return x;
    };
    Program p("geometry");
    // No stored value: the minimum size, centred.
    {
        ui::WINSHELL shell(&p.app);
        EXPECT_EQ(shell.SIZE().WIDTH(), 768);
        EXPECT_EQ(shell.SIZE().HEIGHT(), 620);
        EXPECT_EQ(shell.ORIGIN().X(), (deskW - 768) / 2);
    }
    struct Case {
        std::string stored;
        int x, y, w, h;  // after the correction
    } cases[] = {
        {ui::formatGeometry(120, 80, 800, 700), 120, 80, 800, 700},              // inside: unchanged
        {ui::formatGeometry(100, 50, 5000, 700), 0, 50, deskW, 700},             // too wide
        {"0012000080", 120, 80, 768, 620},                                       // too small
        // Enlarged to the minimum, then moved left in steps of 10 until it fits.
        {ui::formatGeometry(deskW - 197, 10, 300, 300), fitLeft(deskW - 197, 768, deskW), 10, 768, 620},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        WRITEINISTRING("Config", "Fenster", c.stored, p.ini());
        ui::WINSHELL shell(&p.app);
        shell.FENMINMAX();
        EXPECT_EQ(shell.SIZE().WIDTH(), c.w);
        EXPECT_EQ(shell.SIZE().HEIGHT(), c.h);
        EXPECT_EQ(shell.ORIGIN().X(), c.x);
        EXPECT_EQ(shell.ORIGIN().Y(), c.y);
    }
    (void)deskH;
}

TEST(Shell, ShowsTheTitlePageOnceWithItsStatusBar) {
    Program p("title");
    ui::WINSHELL shell(&p.app);
    EXPECT_EQ(ui::goShell, &shell);
    ASSERT_NE(shell.STATUSBAR(), nullptr);
    EXPECT_FALSE(shell.STATUSBAR()->ERRORMESSAGEBEEP());
    EXPECT_EQ(shell.STATUSBAR()->GETTEXT("SB_DATE").size(), 10u);
    shell.SHOW();
    QApplication::processEvents();
    EXPECT_TRUE(shell.titlePainted());
    const QImage* screen = shell.screenImage();
    ASSERT_NE(screen, nullptr);
    // A gradient from cyan at the top towards black at the bottom.
    const QRgb top = screen->pixel(2, 2);
    const QRgb bottom = screen->pixel(2, screen->height() - 3);
    EXPECT_GT(qBlue(top), qBlue(bottom));
    EXPECT_LT(qRed(top), 40);
}

TEST(Shell, ResizedBelowItsMinimumWithTheFormShownItComesBack) {
    Program p("minimum");
    p.start();
    p.form->SHOW();
    QApplication::processEvents();
    QWidget* frame = p.shell->HANDLE();
    ASSERT_TRUE(p.form->ISVISIBLE());
    for (const QSize asked : {QSize(500, 400), QSize(900, 300), QSize(300, 700)}) {
        frame->resize(asked);
        QApplication::processEvents();
        EXPECT_GE(p.shell->SIZE().WIDTH(), 768) << asked.width() << "x" << asked.height();
        EXPECT_GE(p.shell->SIZE().HEIGHT(), 620) << asked.width() << "x" << asked.height();
        // The form is laid out over the whole canvas again.
        EXPECT_EQ(p.form->HANDLE()->width(), p.shell->surface()->width());
    }
    frame->resize(800, 700);
    QApplication::processEvents();
    EXPECT_EQ(p.shell->SIZE().WIDTH(), 800);  // within the limits nothing is corrected
    EXPECT_EQ(p.shell->SIZE().HEIGHT(), 700);
}

TEST(Sounds, AFailureOfTheProgramReachesTheSystemSoundSink) {
    Program p("sounds");
    p.start();
    app::connectSystemSounds();
    const unsigned before = win::lastSystemSound().count;
    // A settings file without the program's identification: an error, with its sound.
    writeFile(p.dir / "foreign.mcf", "[Config]\nLanguage=english\n");
    p.form->cCmdConfig = (p.dir / "foreign.mcf").string();
    p.form->BUTLOADCMDINIPAR();
    const win::SystemSoundRecord sound = win::lastSystemSound();
    win::SetSoundSink({});
    EXPECT_EQ(sound.count, before + 1);
    EXPECT_EQ(sound.event, "dialog-error");
    // Played by the sound server, or the display's bell when there is none.
    EXPECT_NE(sound.played, sound.rang);
}

TEST(Shell, CloseDuringARunCancelsItAndClosesWhenTheLoopHasEnded) {
    Program p("close-running");
    p.start();
    p.form->lRunning = true;
    p.shell->ENDWINDOW(false);
    QApplication::processEvents();
    EXPECT_TRUE(p.form->lCancel);
    EXPECT_TRUE(p.shell->closePending());
    EXPECT_EQ(ui::goDtaMirvano, p.form.get());
    EXPECT_FALSE(p.app.quitRequested());

    p.form->lRunning = false;
    for (int i = 0; i < 500 && !p.app.quitRequested(); ++i) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    EXPECT_TRUE(p.app.quitRequested());
    EXPECT_EQ(ui::goDtaMirvano, nullptr);
    EXPECT_TRUE(std::filesystem::exists(p.ini()));
}

}  // namespace
