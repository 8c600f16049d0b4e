#include "platform/gui/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QWidget>

#include "platform/gui/window.h"

namespace gui {

namespace {
ModalRunner& currentRunner() {
    static ModalRunner r;
    return r;
}

intptr_t defaultRunner(const ModalRequest& req) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return batchModalRunner(req);
    if (req.kind == ModalRequest::Kind::Dialog && req.qtDialog) return req.qtDialog->exec();
    if (req.kind == ModalRequest::Kind::Dialog) {
        DIALOGWINDOW* d = req.dialog;
        if (!d || !d->HANDLE()) return 0;
        QWidget* w = d->HANDLE();
        w->setWindowModality(Qt::ApplicationModal);
        w->show();
        QEventLoop loop;
        while (!d->isEnded() && d->HANDLE() && d->HANDLE()->isVisible())
            loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        return d->RESULT();
    }
    QMessageBox box(req.owner ? req.owner->HANDLE() : nullptr);
    box.setWindowTitle(QString::fromStdString(req.caption));
    box.setText(QString::fromStdString(req.text));
    switch (req.style & 0xF0) {
    case BOXICONHAND: box.setIcon(QMessageBox::Critical); break;
    case BOXICONQUESTIONMARK: box.setIcon(QMessageBox::Question); break;
    case BOXICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
    case BOXICONASTERISK: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    switch (req.style & 0x0F) {
    case BOXOKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case BOXYESNOCANCEL: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case BOXYESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return BOXREPLYOK;
    case QMessageBox::Yes: return BOXREPLYYES;
    case QMessageBox::No: return BOXREPLYNO;
    default: return BOXREPLYCANCEL;
    }
}
}  // namespace

ModalRunner setModalRunner(ModalRunner runner) {
    ModalRunner old = std::move(currentRunner());
    currentRunner() = std::move(runner);
    return old;
}

intptr_t batchModalRunner(const ModalRequest& req) {
    if (req.kind == ModalRequest::Kind::Dialog) {
        if (req.qtDialog) req.qtDialog->reject();
        if (req.dialog) req.dialog->ENDDIALOG(0);
        return 0;
    }
    int buttons = req.style & 0x0F;
    return (buttons == BOXYESNO || buttons == BOXYESNOCANCEL) ? BOXREPLYYES : BOXREPLYOK;
}

intptr_t runModal(const ModalRequest& req) {
    if (currentRunner()) return currentRunner()(req);
    return defaultRunner(req);
}

TEXTBOX::TEXTBOX(WINDOW* owner, const std::string& caption, const std::string& text, int style)
    : TEXTBOX("TEXTBOX", owner, caption, text, style) {}

TEXTBOX::TEXTBOX(const char* boxClass, WINDOW* owner, const std::string& caption, const std::string& text, int style)
    : boxClass_(boxClass), owner_(owner), caption_(caption), text_(text), style_(style) {}

int TEXTBOX::SHOW() {
    ModalRequest req;
    req.kind = ModalRequest::Kind::MessageBox;
    req.boxClass = boxClass_;
    req.caption = caption_;
    req.text = text_;
    req.style = style_;
    req.owner = owner_;
    return int(runModal(req));
}

INFOBOX::INFOBOX(WINDOW* owner, const std::string& caption, const std::string& text)
    : TEXTBOX("INFOBOX", owner, caption, text, BOXOK | BOXICONASTERISK) {}

WARNINGBOX::WARNINGBOX(WINDOW* owner, const std::string& caption, const std::string& text)
    : TEXTBOX("WARNINGBOX", owner, caption, text, BOXOK | BOXICONEXCLAMATION) {}

ERRORBOX::ERRORBOX(WINDOW* owner, const std::string& caption, const std::string& text)
    : TEXTBOX("ERRORBOX", owner, caption, text, BOXOK | BOXICONHAND) {}

}  // namespace gui
