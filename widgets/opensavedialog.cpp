#include "widgets/opensavedialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QStringList>

#include "platform/gui/dialogs.h"
#include "platform/gui/window.h"

namespace widgets {

namespace {
OPENSAVEDIALOG*& currentDialog() {
    static OPENSAVEDIALOG* d = nullptr;
    return d;
}
OPENSAVEDIALOG::HelpHandler& helpHandler() {
    static OPENSAVEDIALOG::HelpHandler h;
    return h;
}
QString qs(const std::string& s) { return QString::fromStdString(s); }
QString slashes(const std::string& s) { return qs(s).replace(QLatin1Char('\\'), QLatin1Char('/')); }
}  // namespace

OPENSAVEDIALOG::OPENSAVEDIALOG(gui::WINDOW* owner, const std::string& initialName, const rt::Value& open)
    : owner_(owner), fileName_(initialName) {
    open_ = open.isLogical() ? open.log() : true;
    flags_ = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_ENABLESIZING;
    flags_ |= open_ ? OFN_FILEMUSTEXIST : OFN_HIDEREADONLY;
}

OPENSAVEDIALOG::~OPENSAVEDIALOG() {
    if (currentDialog() == this) currentDialog() = nullptr;
}

OPENSAVEDIALOG* OPENSAVEDIALOG::current() { return currentDialog(); }

OPENSAVEDIALOG::HelpHandler OPENSAVEDIALOG::setHelpHandler(HelpHandler handler) {
    HelpHandler old = std::move(helpHandler());
    helpHandler() = std::move(handler);
    return old;
}

void OPENSAVEDIALOG::HELP() {
    if (helpHandler()) helpHandler()(*this);
}

void OPENSAVEDIALOG::SETFILTER(const std::vector<std::string>& patterns, const std::vector<std::string>& names,
                               int index) {
    patterns_ = patterns;
    names_ = names;
    filterIndex_ = index;
}

void OPENSAVEDIALOG::SETSTYLE(uint32_t flag, bool on) {
    if (on)
        flags_ |= flag;
    else
        flags_ &= ~flag;
}

bool OPENSAVEDIALOG::SHOW() {
    QFileDialog dlg(owner_ ? owner_->HANDLE() : nullptr);
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setAcceptMode(open_ ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    if (!open_)
        dlg.setFileMode(QFileDialog::AnyFile);
    else if (flags_ & OFN_ALLOWMULTISELECT)
        dlg.setFileMode(QFileDialog::ExistingFiles);
    else if (flags_ & OFN_FILEMUSTEXIST)
        dlg.setFileMode(QFileDialog::ExistingFile);
    else
        dlg.setFileMode(QFileDialog::AnyFile);
    if (!open_ && !(flags_ & OFN_OVERWRITEPROMPT)) dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!caption_.empty()) dlg.setWindowTitle(qs(caption_));
    const QString defExt = qs(defExt_).remove(0, !defExt_.empty() && defExt_.front() == '.' ? 1 : 0);
    if (!defExt.isEmpty()) dlg.setDefaultSuffix(defExt);
    // The file names of the disk keep their case; the patterns must not care about it.
    dlg.setFilter(dlg.filter() & ~QDir::CaseSensitive);

    QStringList filters;
    for (size_t i = 0; i < patterns_.size(); ++i) {
        QString patterns = qs(patterns_[i]).replace(QLatin1Char(';'), QLatin1Char(' ')).simplified();
        QString name = i < names_.size() && !names_[i].empty() ? qs(names_[i]) : patterns;
        filters << (name == patterns ? patterns : name + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        int index = filterIndex_ >= 1 && filterIndex_ <= filters.size() ? filterIndex_ : 1;
        dlg.selectNameFilter(filters[index - 1]);
    }

    if (!initialDirectory_.empty()) dlg.setDirectory(slashes(initialDirectory_));
    const std::string initial = fileName_.isString() ? fileName_.str() : std::string();
    if (!initial.empty()) {
        QFileInfo info(slashes(initial));
        const QString name = info.fileName();
        if (slashes(initial).contains(QLatin1Char('/'))) dlg.setDirectory(info.absolutePath());
        // A pattern only narrows the list, which the filters already do.
        if (!name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?'))) dlg.selectFile(name);
    }

    if (flags_ & OFN_SHOWHELP) {
        if (auto* box = dlg.findChild<QDialogButtonBox*>()) {
            box->addButton(QDialogButtonBox::Help);
            QObject::connect(box, &QDialogButtonBox::helpRequested, &dlg, [this] { HELP(); });
        }
    }

    currentDialog() = this;
    dialog_ = &dlg;
    gui::ModalRequest req;
    req.kind = gui::ModalRequest::Kind::Dialog;
    req.qtDialog = &dlg;
    req.owner = owner_;
    req.caption = caption_;
    const intptr_t answer = gui::runModal(req);
    dialog_ = nullptr;

    if (!filters.isEmpty()) {
        int chosen = int(filters.indexOf(dlg.selectedNameFilter()));
        if (chosen >= 0) filterIndex_ = chosen + 1;
    }
    QStringList files = answer == QDialog::Accepted ? dlg.selectedFiles() : QStringList();
    files.removeAll(QString());
    // The flag word as the dialog leaves it, which a later SHOW starts from: the hook it
    // always installs, and whether the chosen name's extension differs from DEFEXT.
    flags_ |= OFN_ENABLEHOOK;
    const bool otherExtension = !files.isEmpty() && !defExt.isEmpty() &&
                                QFileInfo(files.front()).suffix().compare(defExt, Qt::CaseInsensitive) != 0;
    flags_ = otherExtension ? flags_ | OFN_EXTENSIONDIFFERENT : flags_ & ~OFN_EXTENSIONDIFFERENT;
    if (files.isEmpty()) {
        fileName_ = rt::Value(std::string());
        return false;
    }
    if (files.size() == 1 || !(flags_ & OFN_ALLOWMULTISELECT) || !open_) {
        fileName_ = rt::Value(QDir::cleanPath(files.front()).toStdString());
        return true;
    }
    rt::Array names;
    for (const QString& f : files) names.push_back(rt::Value(QDir::cleanPath(f).toStdString()));
    fileName_ = rt::Value::array(std::move(names));
    return true;
}

}  // namespace widgets
