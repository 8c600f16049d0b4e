// The program: `mirvano [input [output [settings file]]]`.
#include <QApplication>

#include "app/start.h"
#include "platform/gui/dialogs.h"

int main(int argc, char** argv) {
    app::chooseQtPlatform();
    QApplication qt(argc, argv);
    // Nobody can answer a dialog on a screen that does not exist.
    if (QGuiApplication::platformName() == "offscreen") gui::setModalRunner(gui::batchModalRunner);
    int status = 0;
    {
        app::APP application;
        application.START();
        status = application.exitStatus();
    }
    return status;
}
