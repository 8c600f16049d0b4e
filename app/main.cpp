// The program: `mirvano [input [output [settings file]]]`.
#include <QApplication>
#include <QLocale>
#include <QString>
#include <QtGlobal>
#include <cstdio>

#include "app/start.h"
#include "platform/gui/application.h"
#include "platform/gui/dialogs.h"

namespace {

QtMessageHandler gQtDefault = nullptr;

// Standard error carries the program's own messages: a script reading a batch's output wants
// them, not Qt's notices about its environment (no XDG_RUNTIME_DIR, the offscreen screen's
// size hints), which the user can do nothing about. Only Qt's grave messages pass.
void filterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
    if (gQtDefault)
        gQtDefault(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

}  // namespace

int main(int argc, char** argv) {
    app::chooseQtPlatform();
    gQtDefault = qInstallMessageHandler(filterQtMessages);
    QApplication qt(argc, argv);
    app::releaseQtPlatformChoice();
    // Qt's dialogs speak the session's language until the program picks its own.
    gui::setQtLanguage(QLocale::system().language() == QLocale::German ? "de" : "en");
    app::connectSystemSounds();
    // Nobody can answer a dialog on a screen that does not exist.
    if (app::noDisplay()) gui::setModalRunner(gui::batchModalRunner);
    int status = 0;
    {
        app::APP application;
        application.START();
        status = application.exitStatus();
    }
    return status;
}
