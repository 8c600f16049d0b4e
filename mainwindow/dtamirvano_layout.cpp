// The main window's place inside the shell, the settings view, and the activity highlight
// that moves over the three program icons while a step runs.
#include "mainwindow/dtamirvano.h"
#include "platform/gui/controls.h"
#include "platform/gui/statusbar.h"

namespace ui {

namespace {
uint8_t gActivityStep = 0;
const gui::BRUSH kHighlight(gui::COLOR(0, 0, 0));
}  // namespace

uint8_t DTAMIRVANO::activityStep() { return gActivityStep; }
void DTAMIRVANO::resetActivityStep() { gActivityStep = 0; }

DTAMIRVANO& DTAMIRVANO::GROESSENEU() {
    if (goShell) {
        // The window starts right above the status bar. A status bar that lies inside the
        // shell's canvas takes its height from it; one laid out below the canvas takes none.
        int h = 0;
        if (gui::STATUSBAR* bar = goShell->STATUSBAR())
            if (bar->HANDLE() && bar->HANDLE()->parentWidget() == goShell->surface()) h = bar->SIZE().HEIGHT();
        const gui::BOUNDINGBOX canvas = goShell->CANVASAREA();
        // Size first: a new size keeps the top edge where it was, the origin then places
        // the bottom edge.
        SIZE(gui::DIMENSION(canvas.WIDTH(), canvas.HEIGHT() - h + 1));
        ORIGIN(gui::POINT(0, h));
    }
    for (gui::PUSHBUTTON* b : {OCCBUTEINGABEZEIGEN, OCCBUTNORMALANSICHT, OCCBUTAUSGABEZEIGEN, OCCBUTHILFE, OCCBUTBEENDEN})
        b->ORIGIN(gui::POINT(b->ORIGIN().X(), 3));
    const int top = OCCBUTNORMALANSICHT->ORIGIN().Y() + OCCBUTNORMALANSICHT->SIZE().HEIGHT() + 3;
    for (gui::CONTROL* view : std::initializer_list<gui::CONTROL*>{ODCINPUTBROWSER, ODCOUTPUTBROWSER, ODCINPUTMLE, ODCOUTPUTMLE}) {
        if (!view->ISVISIBLE()) continue;
        const gui::BOUNDINGBOX own = CANVASAREA();
        view->SIZE(gui::DIMENSION(own.WIDTH() - 4, own.HEIGHT() - top + 1 - 4));
        view->ORIGIN(gui::POINT(0, top));
        break;
    }
    return *this;
}

DTAMIRVANO& DTAMIRVANO::BUTNORMALANSICHT() {
    // While a step runs the form stays held; the view goes when the step has ended.
    if (lRunning) return *this;
    viewFace_ = {};
    ENABLECONDITIONALCONTROLS();
    EINAUSBLENDEN();
    for (gui::CONTROL* view : std::initializer_list<gui::CONTROL*>{ODCINPUTBROWSER, ODCOUTPUTBROWSER, ODCINPUTMLE, ODCOUTPUTMLE}) {
        view->HIDE();
        view->DISABLE();
    }
    OCCBUTEINGABEZEIGEN->ENABLE();
    OCCBUTAUSGABEZEIGEN->ENABLE();
    OCCBUTNORMALANSICHT->DISABLE();
    return *this;
}

void DTAMIRVANO::enterBusyState() {
    DISABLECONDITIONALCONTROLS();
    for (gui::PUSHBUTTON* b : {OCCBUTABBRECHEN, OCCBUTHILFE, OCCBUTHOMEPAGE})
        if (b) b->ENABLE();
    lRunning = true;
}

void DTAMIRVANO::leaveBusyState() {
    ENABLECONDITIONALCONTROLS();
    EINAUSBLENDEN();
    if (OCCBUTNORMALANSICHT) OCCBUTNORMALANSICHT->DISABLE();
    lRunning = false;
    // The help the user opened during the step stays, with the way back to the settings.
    holdViewFace();
}

intptr_t DTAMIRVANO::DISPATCH(gui::Event& event) {
    const intptr_t result = DTAMIRVANO_VO::DISPATCH(event);
    if (event.MESSAGE() == gui::WM_TIMER && event.WPARAM() == 1) {
        const gui::BRUSH normal = BACKGROUND();
        switch (gActivityStep) {
        case 2:
            ODCICONAPP1->BACKGROUND(normal);
            ODCICONAPP2->BACKGROUND(kHighlight);
            gActivityStep = 3;
            break;
        case 3:
            ODCICONAPP2->BACKGROUND(normal);
            ODCICONAPP3->BACKGROUND(kHighlight);
            gActivityStep = 1;
            break;
        default:
            ODCICONAPP1->BACKGROUND(kHighlight);
            ODCICONAPP3->BACKGROUND(normal);
            gActivityStep = 2;
            break;
        }
    }
    return result;
}

}  // namespace ui
