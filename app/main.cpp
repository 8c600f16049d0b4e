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

// The offscreen screen says on every window that it cannot pass size hints on; a script
// reading a batch's standard error wants the program's messages, not that.
void filterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QStringLiteral("does not support propagateSizeHints"))) return;
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
    // Qt's dialogs speak the session's language until the program picks its own.
    gui::setQtLanguage(QLocale::system().language() == QLocale::German ? "de" : "en");
    app::connectSystemSounds();
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
