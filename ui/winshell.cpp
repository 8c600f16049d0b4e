#include "ui/winshell.h"

#include <QLocale>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "functions/ini.h"
#include "functions/windows.h"
#include "platform/gui/application.h"
#include "platform/runtime/dates.h"
#include "ui/appicon.h"
#include "ui/globals.h"
#include "ui/shellcontent.h"
#include "widgets/statusbar2.h"

namespace ui {

namespace {

// A field of the geometry text: a decimal number from its start (blanks and a sign before
// the digits allowed), 0 when there is none.
long fieldValue(const std::string& text, size_t from) {
    if (from >= text.size()) return 0;
    const std::string field = text.substr(from, 5);
    size_t i = 0;
    while (i < field.size() && field[i] == ' ') ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) negative = field[i++] == '-';
    long value = 0;
    bool any = false;
    while (i < field.size() && field[i] >= '0' && field[i] <= '9') {
        value = value * 10 + (field[i++] - '0');
        any = true;
    }
    if (!any) return 0;
    return negative ? -value : value;
}

std::string iniPath() { return gcPfad + "MIRVANO.INI"; }

}  // namespace

std::string formatGeometry(int x, int y, int width, int height) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%05d%05d%05d%05d", x, y, width, height);
    return buffer;
}

Geometry parseGeometry(const std::string& text) {
    auto clamp = [](long v, long low) { return static_cast<int>(std::min<long>(std::max(v, low), 65535)); };
    Geometry g;
    g.x = clamp(fieldValue(text, 0), 0);
    g.y = clamp(fieldValue(text, 5), 0);
    g.width = clamp(fieldValue(text, 10), 100);
    g.height = clamp(fieldValue(text, 15), 100);
    return g;
}

bool userLanguageIsGerman() { return QLocale::system().language() == QLocale::German; }

WINSHELL::WINSHELL(gui::APPLICATION* app) : gfx::GTOPAPPWINDOW(nullptr), app_(app) {
    goShell = this;
    if (QWidget* w = HANDLE()) {
        w->setWindowIcon(appIcon());
        // No maximise button: the window keeps its size between the minimum and the desktop.
        w->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    }
    statusBar_ = std::make_unique<widgets::STATUSBAR2>(this);
    STATUSBAR(statusBar_.get());
    statusBar_->DISPLAYMESSAGE();
    statusBar_->ADDITEM(gui::STATUSBARITEM("SB_DATE", 65, 0));
    statusBar_->SETTEXT(rt::DToC(rt::Today()), "SB_DATE");
    statusBar_->DISPLAYTIME();
    statusBar_->ERRORMESSAGEBEEP(false);
    statusBar_->TIMEOUT(10);
    wMinWidth = 768;
    wMinHeight = 620;
    FENORGDIM();
}

WINSHELL::~WINSHELL() {
    if (goShell == this) goShell = nullptr;
    STATUSBAR(nullptr);
    statusBar_.reset();
}

WINSHELL& WINSHELL::FENORGDIM() {
    const std::string g = GETINISTRING("Config", "Fenster", iniPath());
    if (!g.empty()) {
        const Geometry geometry = parseGeometry(g);
        SIZE(gui::DIMENSION(geometry.width, geometry.height));
        ORIGIN(gui::POINT(geometry.x, geometry.y));
    } else {
        SIZE(gui::DIMENSION(wMinWidth, wMinHeight));
        FENZENTRIEREN(HANDLE());
    }
    return *this;
}

WINSHELL& WINSHELL::FENMINMAX() {
    int h = SIZE().HEIGHT();
    int w = SIZE().WIDTH();
    int maxW = GETMONITORWIDTH();
    int maxH = GETMONITORHEIGHT();
    const int minW = wMinWidth;
    const int minH = wMinHeight;
    bool changed = false;
    if (h > maxH) {
        h = maxH;
        changed = true;
    } else if (h < minH) {
        h = minH;
        changed = true;
    }
    if (w > maxW) {
        w = maxW;
        changed = true;
    } else if (w < minW) {
        w = minW;
        changed = true;
    }
    if (!changed) return *this;
    int x = ORIGIN().X();
    while (x < 0) x += 10;
    maxW = GETMONITORWIDTH();
    while (x + w > maxW) x -= 10;
    int y = ORIGIN().Y();
    while (y < 0) y += 10;
    maxH = GETMONITORHEIGHT();
    while (y + h > maxH) y -= 10;
    // Size first: the y-up origin is measured against the new height.
    SIZE(gui::DIMENSION(w, h));
    ORIGIN(gui::POINT(x, y));
    return *this;
}

void WINSHELL::EXPOSE(gui::ExposeEvent& event) {
    if (!lSizing) FENMINMAX();
    gfx::GTOPAPPWINDOW::EXPOSE(event);
}

void WINSHELL::RESIZE(gui::ResizeEvent& event) {
    gfx::GTOPAPPWINDOW::RESIZE(event);
    // Once the form covers the canvas the shell gets no expose of its own, so the limits are
    // kept on every resize as well (a drag of the border is corrected when it ends).
    if (!lSizing && ISVISIBLE() && !ISICONIC()) FENMINMAX();
    if (goShellContent) goShellContent->shellResized();
}

void WINSHELL::PAINT() {
    if (ISICONIC() || !ISVISIBLE()) return;
    if (titlePainted_) return;
    titlePainted_ = true;
    gfx::GRAPHICS* g = _OGRAPHICS.get();
    if (!g) return;
    const double W = static_cast<uint16_t>(g->GETDEVICEWIDTH());
    const double H = static_cast<uint16_t>(g->GETDEVICEHEIGHT());
    const bool german = userLanguageIsGerman();
    g->SETBACKGROUNDCOLOR(11);
    g->PAINTGRADIENTCANVAS(10, 0);
    g->SETWORLDORIGIN(std::floor(W / 2), std::floor(H / 2));
    g->SETSTRINGFONT(gfx::FontFace(16.0), 30.0, 60.0, 2.0, 0.0, 0.0);
    g->SETSTRINGCOLOR(15);
    g->SETSTRINGSHADOW(6, 16, 7);
    g->PAINTSTRINGSHADOW(0, 0.2 * H, "MIRVANO", 10.0);
    g->SETSTRINGFONT(gfx::FontFace(16.0), 15.0, 30.0, 12.0, 0.0, 0.0);
    g->SETSTRINGSHADOW(4, 16, 7);
    g->PAINTSTRINGSHADOW(0, 0.05 * H, german ? "Konvertierung von" : "Conversion of", 10.0);
    g->PAINTSTRINGSHADOW(0, -0.05 * H, german ? "TorvelSoft-Geodaten" : "TorvelSoft Geodata", 10.0);
    g->PAINTSTRINGSHADOW(0, -0.15 * H, "dBase - CSV - SDF", 10.0);
    g->SETWORLDORIGIN(0.95 * W, 0.1 * H);
    g->SETSTRINGCOLOR(15);
    g->SETSTRINGFONT(gfx::FontFace(16.0), 10.0, 20.0, 12.0, 0.0, 0.0);
    g->PAINTSTRING(0, 0, "Torvel Software Ing.-GbR", 6.0);
}

bool WINSHELL::QUERYCLOSE(gui::Event& event) {
    if (!gfx::GTOPAPPWINDOW::QUERYCLOSE(event)) return false;
    if (!closeHeld_ && (!goShellContent || !goShellContent->conversionRunning())) return true;
    // Tearing the windows down now would pull them from under the running loop: cancel the
    // run and close once it has returned to the event loop.
    if (goShellContent) goShellContent->cancelConversion();
    closePending_ = true;
    if (!closeWatch_) {
        closeWatch_ = new QTimer(HANDLE());
        closeWatch_->setInterval(20);
        QObject::connect(closeWatch_, &QTimer::timeout, [this] { finishPendingClose(); });
    }
    closeWatch_->start();
    return false;
}

void WINSHELL::holdClose(bool on) {
    closeHeld_ = on;
    if (!on && closePending_) finishPendingClose();
}

void WINSHELL::finishPendingClose() {
    if (closeHeld_ || (goShellContent && goShellContent->conversionRunning())) return;
    if (closeWatch_) closeWatch_->stop();
    closePending_ = false;
    ENDWINDOW(true);
}

void WINSHELL::CLOSE(gui::Event& event) {
    gfx::GTOPAPPWINDOW::CLOSE(event);
    if (closeWatch_) closeWatch_->stop();
    closePending_ = false;
    if (!ISICONIC() && !(goShellContent && goShellContent->keepsProgramIni())) {
        const gui::POINT origin = ORIGIN();
        const gui::DIMENSION size = SIZE();
        WRITEINISTRING("Config", "Fenster", formatGeometry(origin.X(), origin.Y(), size.WIDTH(), size.HEIGHT()),
                       iniPath());
    }
    if (goShellContent) {
        goShellContent->shellClosing();
        goShellContent = nullptr;
    }
    if (app_) app_->QUIT();
}

}  // namespace ui
