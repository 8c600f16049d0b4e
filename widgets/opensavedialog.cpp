#include "widgets/opensavedialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <functional>

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

// The names of a multiple selection as the name box holds them: each between double quotes,
// one blank apart, which is how the dialog writes a selection. A name may hold double quotes
// itself, which the dialog's own reading splits; here a quote ends a name only where the
// names read so far are files of the folder, trying the shortest name first. Empty when the
// text is not such a list of existing files.
QStringList quotedExistingFiles(const QString& text, const QDir& folder) {
    QStringList names;
    std::function<bool(qsizetype)> readFrom = [&](qsizetype at) -> bool {
        while (at < text.size() && text[at] == QLatin1Char(' ')) ++at;
        if (at == text.size()) return !names.isEmpty();
        if (text[at] != QLatin1Char('"')) return false;
        for (qsizetype end = text.indexOf(QLatin1Char('"'), at + 1); end > at;
             end = text.indexOf(QLatin1Char('"'), end + 1)) {
            if (end + 1 < text.size() && text[end + 1] != QLatin1Char(' ')) continue;
            const QString name = text.mid(at + 1, end - at - 1);
            if (name.isEmpty() || !QFileInfo(folder.filePath(name)).isFile()) continue;
            names << folder.filePath(name);
            if (readFrom(end + 1)) return true;
            names.removeLast();
        }
        return false;
    };
    return readFrom(0) ? names : QStringList();
}

// The file of the folder that the name box names as it stands, when that name holds double
// quotes (which the dialog's own reading takes as marks around names); empty otherwise.
QString literalQuotedFile(const QString& text, const QDir& folder) {
    if (!text.contains(QLatin1Char('"'))) return {};
    const QString path = folder.filePath(text);
    return QFileInfo(path).isFile() ? path : QString();
}

// The file dialog, which also confirms names that hold double quotes: a multiple selection of
// them, and one such name as the user typed or picked it.
class FileDialog : public QFileDialog {
public:
    explicit FileDialog(QWidget* parent) : QFileDialog(parent) {}

    // Connected after the dialog's own check of the name box, so it has the last word.
    void confirmQuotedSelections() {
        auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* box = findChild<QDialogButtonBox*>();
        if (!edit || !box) return;
        QObject::connect(edit, &QLineEdit::textChanged, this, [this, box](const QString& text) {
            if (QPushButton* open = box->button(QDialogButtonBox::Open); open && !open->isEnabled())
                if (!literalQuotedFile(text, directory()).isEmpty() ||
                    (fileMode() == ExistingFiles && !quotedExistingFiles(text, directory()).isEmpty()))
                    open->setEnabled(true);
        });
    }
    QStringList chosenFiles() const { return quoted_.isEmpty() ? selectedFiles() : quoted_; }

    void accept() override {
        quoted_.clear();
        auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (fileMode() == ExistingFiles && edit) {
            // The dialog's own reading splits such names, or takes only some of them.
            const QStringList files = quotedExistingFiles(edit->text(), directory());
            if (files.size() > 1) {
                quoted_ = files;
                QDialog::accept();
                return;
            }
        }
        // One existing file whose name holds quotes, opened: the dialog's own reading would
        // take the part between the quotes, or the folder, for the name.
        if (acceptMode() == AcceptOpen && edit) {
            if (const QString file = literalQuotedFile(edit->text(), directory()); !file.isEmpty()) {
                quoted_ = {file};
                QDialog::accept();
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    QStringList quoted_;
};
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
    FileDialog dlg(owner_ ? owner_->HANDLE() : nullptr);
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

    if (open_) dlg.confirmQuotedSelections();
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
    QStringList files = answer == QDialog::Accepted ? dlg.chosenFiles() : QStringList();
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
