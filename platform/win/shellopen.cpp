#include "platform/win/shellopen.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

namespace win {

namespace {
ShellOpenHandler& handler() {
    static ShellOpenHandler h;
    return h;
}

bool desktopOpen(const std::string& target) {
    // QDesktopServices needs a GUI application (it asks the platform plugin, xdg-open on Linux).
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    QString text = QString::fromStdString(target);
    QUrl url;
    if (text.contains(QStringLiteral("://")))
        url = QUrl(text);
    else
        url = QUrl::fromLocalFile(QString(text).replace(QLatin1Char('\\'), QLatin1Char('/')));
    return url.isValid() && QDesktopServices::openUrl(url);
}
}  // namespace

bool SHELLOPEN(const std::string& target) {
    if (target.empty()) return false;
    if (handler()) return handler()(target);
    return desktopOpen(target);
}

ShellOpenHandler setShellOpenHandler(ShellOpenHandler h) {
    ShellOpenHandler old = std::move(handler());
    handler() = std::move(h);
    return old;
}

}  // namespace win
