// The main data window's construction: what the window needs of its form before any
// settings are loaded (colours, layout, the settings view, the conditional controls and the
// routing of the push buttons).
#include "mainwindow/dtamirvano.h"

#include "engine/report.h"
#include "engine/runstate.h"
#include "platform/gui/controls.h"
#include "platform/gui/statusbar.h"
#include "ui/globals.h"

namespace ui {

namespace {
const gui::COLOR kFormGreen(153, 204, 153);
const gui::COLOR kViewGreen(210, 240, 210);

// The engine's errors and passing texts go to the status bar of whichever shell window is
// current.
void showInShellStatusBar(engine::ReportKind kind, const std::string& text) {
    if (!goShell) return;
    gui::STATUSBAR* bar = goShell->STATUSBAR();
    if (!bar) return;
    if (kind == engine::ReportKind::Error)
        bar->ERRORTEXT(text);
    else
        bar->TRANSIENT(text);
}
}  // namespace

DTAMIRVANO::DTAMIRVANO(gui::WINDOW* owner) : DTAMIRVANO_VO(owner), oRun(std::make_unique<engine::RunState>()) {
    goDtaMirvano = this;
    goShellContent = this;
    engine::setReportDisplay(&showInShellStatusBar);
    GROESSENEU();

    lInOpen = lOutOpen = lRunning = lCancel = lCmdMode = false;

    for (gui::CONTROL* view : std::initializer_list<gui::CONTROL*>{ODCINPUTBROWSER, ODCOUTPUTBROWSER, ODCINPUTMLE, ODCOUTPUTMLE}) {
        view->HIDE();
        view->DISABLE();
    }
    OCCBUTNORMALANSICHT->DISABLE();
    BUTNORMALANSICHT();

    aAllCtrl = formControls();
    for (gui::CONTROL* c : aAllCtrl) ADDCONDITIONALCONTROL(c);

    const gui::BRUSH background(kFormGreen);
    BACKGROUND(background);
    for (gui::CONTROL* c : aAllCtrl) c->BACKGROUND(background);
    ODCPROGRESSBAR->BACKGROUNDCOLOR(kFormGreen);
    ODCINPUTMLE->BACKGROUND(gui::BRUSH(kViewGreen));
    ODCOUTPUTMLE->BACKGROUND(gui::BRUSH(kViewGreen));
    ODCINPUTBROWSER->TEXTBACKGROUNDCOLOR(kViewGreen);
    ODCOUTPUTBROWSER->TEXTBACKGROUNDCOLOR(kViewGreen);

    registerHandlers();
}

DTAMIRVANO::~DTAMIRVANO() {
    if (goDtaMirvano == this) goDtaMirvano = nullptr;
    if (goShellContent == this) goShellContent = nullptr;
}

void DTAMIRVANO::shellResized() { GROESSENEU(); }

bool DTAMIRVANO::conversionRunning() const { return lRunning; }

void DTAMIRVANO::cancelConversion() { BUTABBRECHEN(); }

bool DTAMIRVANO::keepsProgramIni() const { return lNoUser || lKeepProgramIni; }

void DTAMIRVANO::shellClosing() {
    ENDWINDOW(true);
    if (goDtaMirvano == this) goDtaMirvano = nullptr;
}

void DTAMIRVANO::registerHandlers() {
    registerMethod("BUTDATEIVERBINDEN", [this] { BUTDATEIVERBINDEN(); });
    registerMethod("BUTDATEIOEFFNEN", [this] { BUTDATEIOEFFNEN(); });
    registerMethod("BUTDATEISPEICHERN", [this] { BUTDATEISPEICHERN(); });
    registerMethod("BUTABBRECHEN", [this] { BUTABBRECHEN(); });
    registerMethod("BUTSAVECMDINIPAR", [this] { BUTSAVECMDINIPAR(); });
    registerMethod("BUTLOADCMDINIPAR", [this] { BUTLOADCMDINIPAR(); });
    registerMethod("BUTNORMALANSICHT", [this] { BUTNORMALANSICHT(); });
    registerMethod("BUTBEENDEN", [this] { BUTBEENDEN(); });
    registerMethod("BUTFILTERTESTEN", [this] { BUTFILTERTESTEN(); });
    registerMethod("BUTEINGABEZEIGEN", [this] { BUTEINGABEZEIGEN(); });
    registerMethod("BUTAUSGABEZEIGEN", [this] { BUTAUSGABEZEIGEN(); });
    registerMethod("BUTFONTPROPORT", [this] { BUTFONTPROPORT(); });
    registerMethod("BUTFONTFIXED", [this] { BUTFONTFIXED(); });
    registerMethod("BUTHILFE", [this] { BUTHILFE(); });
    registerMethod("BUTHOMEPAGE", [this] { BUTHOMEPAGE(); });
}

}  // namespace ui
