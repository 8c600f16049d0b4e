#include "app/start.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>
#include <unistd.h>

#include "functions/files.h"
#include "graphics/canvas/numeric.h"
#include "mainwindow/dtamirvano.h"
#include "platform/gui/dialogs.h"
#include "platform/runtime/settings.h"
#include "platform/win/sound.h"
#include "ui/globals.h"
#include "ui/winshell.h"

namespace fs = std::filesystem;

namespace app {

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string withSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

}  // namespace

std::string programDirectory() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || exe.empty()) {
        if (QCoreApplication::instance()) return withSlash(QCoreApplication::applicationDirPath().toStdString());
        return withSlash(fs::current_path(ec).string());
    }
    return withSlash(exe.parent_path().string());
}

std::string findDataDirectory(const std::string& programDir) {
    // The marker's name is compared as stored: Linux file names keep their case.
    if (!programDir.empty() && FFILE(withSlash(programDir) + "mirvano.aef")) return withSlash(programDir);
    std::vector<std::string> candidates;
    if (const std::string appData = env("APPDATA"); !appData.empty()) candidates.push_back(withSlash(appData) + "mirvano");
    const std::string home = env("HOME");
    const std::string xdg = env("XDG_CONFIG_HOME");
    if (!xdg.empty() && xdg.front() == '/')
        candidates.push_back(withSlash(xdg) + "mirvano");
    else if (!home.empty())
        candidates.push_back(withSlash(home) + ".config/mirvano");
    if (!home.empty()) candidates.push_back(withSlash(home) + "mirvano");
    for (const std::string& dir : candidates)
        if (DIRMAKEPATH(dir)) return dir + "/";
    return {};
}

bool GETPFAD() {
    const std::string dir = findDataDirectory(programDirectory());
    if (!dir.empty()) {
        ui::gcPfad = dir;
        return true;
    }
    static const char* kText = "Error on create the programs data directory";
    std::fprintf(stderr, "MIRVANO: %s\n", kText);
    std::fflush(stderr);
    gui::INFOBOX box(nullptr, "MIRVANO", kText);
    box.SHOW();
    return false;
}

void PAUSE(double seconds) {
    if (!(seconds > 0)) return;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

namespace {
// The platform list chooseQtPlatform set for an X display, while it is set.
bool gDisplayFallbackChosen = false;
}  // namespace

void chooseQtPlatform() {
    if (!env("QT_QPA_PLATFORM").empty()) return;
    if (env("DISPLAY").empty() && env("WAYLAND_DISPLAY").empty()) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else if (env("WAYLAND_DISPLAY").empty()) {
        // Qt tries the platforms of the list in turn: a display that cannot be opened leaves
        // the program on the offscreen screen.
        ::setenv("QT_QPA_PLATFORM", "xcb;offscreen", 1);
        gDisplayFallbackChosen = true;
    }
}

void releaseQtPlatformChoice() {
    if (gDisplayFallbackChosen) ::unsetenv("QT_QPA_PLATFORM");
}

std::string failedDisplay() {
    if (!gDisplayFallbackChosen || QGuiApplication::platformName() != QLatin1String("offscreen")) return {};
    return env("DISPLAY");
}

bool noDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

void connectSystemSounds() {
    win::SetSoundSink(win::systemSoundSink([] { QApplication::beep(); }));
}

APP::APP() = default;

APP::~APP() {
    // The main window's widget lives inside the shell's: the main window goes first.
    main_.reset();
    shell_.reset();
}

void APP::START() {
    gfx::INITFUNCTION();
    if (!GETPFAD()) {
        gui::APPLICATIONEXEC(1);
        QUIT();
        exitStatus_ = 1;
        return;
    }
    rt::SetExclusive(false);
    rt::SetDeleted(true);
    rt::SetAnsi(true);
    rt::SetCollation("WINDOWS");
    rt::SetCentury(true);
    rt::SetDateCountry(5);
    rt::SetAmPm(false);
    rt::SetDecimalSep('.');

    shell_ = std::make_unique<ui::WINSHELL>(this);
    shell_->SHOW();
    gui::resetPumpThrottle();
    gui::APPLICATIONEXEC(1);
    // Where nobody can see the title page, waiting for it only makes every batch slower.
    if (!noDisplay()) pause(titlePause);

    main_ = std::make_unique<ui::DTAMIRVANO>(shell_.get());
    main_->lNoUser = noDisplay();
    main_->cDisplayFailed = failedDisplay();
    if (arguments)
        main_->INIT(*arguments);
    else
        main_->INIT();
    if (main_->lBatchRan && !main_->lBatchOk) exitStatus_ = 2;
    // A batch has closed the shell already and asked the application to quit: there is
    // nothing to show and no loop to run.
    if (quitRequested()) return;
    main_->SHOW();
    EXEC();
}

}  // namespace app
