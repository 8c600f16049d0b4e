#include "platform/win/shellopen.h"

#include <spawn.h>
#include <sys/wait.h>

#include <QDesktopServices>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <utility>

extern char** environ;

namespace win {

namespace {
ShellOpenHandler& handler() {
    static ShellOpenHandler h;
    return h;
}

// Waits for the opener without blocking the GUI: xdg-open may run the chosen program in
// its own process and return only when that ends, so its end is looked for from the event
// loop. The opener is not this program's to stop: it outlives the program if need be.
void watchOpener(pid_t pid, std::function<void()> failed) {
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(100);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, pid, failed = std::move(failed)] {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == 0) return;
        timer->stop();
        timer->deleteLater();
        // Only an end the opener reported counts; a status nobody can read says nothing.
        const bool failedToOpen = done == pid && !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        if (failedToOpen && failed) failed();
    });
    timer->start();
}

bool desktopOpen(const std::string& target, std::function<void()> failed) {
    // The desktop is reached through a GUI application only.
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    QString text = QString::fromStdString(target);
    QUrl url;
    if (text.contains(QStringLiteral("://")))
        url = QUrl(text);
    else
        url = QUrl::fromLocalFile(QString(text).replace(QLatin1Char('\\'), QLatin1Char('/')));
    if (!url.isValid()) return false;
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    // Without xdg-open, Qt knows the desktop's other ways (a browser named by the
    // environment, for instance), but cannot tell whether they worked.
    if (opener.isEmpty()) return QDesktopServices::openUrl(url);
    const std::string program = opener.toStdString();
    const std::string argument = url.isLocalFile() ? url.toLocalFile().toStdString() : url.toString().toStdString();
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(argument.c_str()), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
    watchOpener(pid, std::move(failed));
    return true;
}
}  // namespace

bool SHELLOPEN(const std::string& target, std::function<void()> failed) {
    if (target.empty()) return false;
    if (handler()) return handler()(target);
    return desktopOpen(target, std::move(failed));
}

ShellOpenHandler setShellOpenHandler(ShellOpenHandler h) {
    ShellOpenHandler old = std::move(handler());
    handler() = std::move(h);
    return old;
}

}  // namespace win
