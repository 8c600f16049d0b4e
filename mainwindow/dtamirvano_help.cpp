// The help text file (written from the text tables in the user's language into the data
// directory and opened in the desktop's program for text files) and the web-page button.
#include <sys/stat.h>

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/outputfile.h"
#include "functions/charsets.h"
#include "functions/largefile.h"
#include "functions/sounds.h"
#include "mainwindow/dtamirvano.h"
#include "mainwindow/helpfile.h"
#include "platform/gui/statusbar.h"
#include "platform/win/filehandle.h"
#include "platform/win/internet.h"
#include "platform/win/shellopen.h"
#include "ui/texts.h"
#include "widgets/opensavedialog.h"
#include "widgets/waitbox.h"

namespace ui {

namespace {

const char* const kHomeAddress = "https://www.torvelsoft.de/";
constexpr const char* kCrLf = "\r\n";

void statusError(const std::string& text) {
    if (goShell)
        if (gui::STATUSBAR* bar = goShell->STATUSBAR()) bar->ERRORTEXT(text);
    TON(rt::Value("SystemHand"));
}

// The stored texts are UTF-8; the help file is ANSI text.
std::string ansi(const std::string& utf8) {
    std::string out;
    size_t length = 0;
    if (!CONVMULTIBYTE2MULTIBYTE(utf8, rt::Value(2), out, length, rt::Value(0))) return utf8;
    return out;
}

int language() { return gbSprache == kGerman ? kGerman : kEnglish; }

// The wait box of the web-page button lives until the next one replaces it or its main
// window goes; the holder is a Qt child of the main window's widget.
class NoticeHolder : public QObject {
public:
    using QObject::QObject;
    std::unique_ptr<widgets::WAITBOX> box;
};

std::unique_ptr<widgets::WAITBOX>& offlineNotice(DTAMIRVANO& w) {
    static std::unique_ptr<widgets::WAITBOX> detached;  // a window without a widget
    QWidget* widget = w.HANDLE();
    if (!widget) return detached;
    auto* holder = widget->findChild<NoticeHolder*>(QStringLiteral("offlineNotice"), Qt::FindDirectChildrenOnly);
    if (!holder) {
        holder = new NoticeHolder(widget);
        holder->setObjectName(QStringLiteral("offlineNotice"));
    }
    return holder->box;
}

// The file dialog's Help button shows the help text of the append button.
const bool kDialogHelpInstalled = [] {
    widgets::OPENSAVEDIALOG::setHelpHandler([](widgets::OPENSAVEDIALOG&) {
        if (goDtaMirvano) goDtaMirvano->HELP();
    });
    return true;
}();

}  // namespace

std::string helpFileName(int lang) { return lang == kGerman ? "mirhelpd.txt" : "mirhelpe.txt"; }

std::string helpFileText(int lang) {
    const int l = lang == kGerman ? kGerman : kEnglish;
    std::string text = messageText(1, l);
    text += kCrLf;
    for (int i = 0; i < 4; ++i) text += kCrLf;
    text += messageText(3, l);
    text += kCrLf;
    text += kCrLf;
    text += kCrLf;
    for (const ControlText& row : controlTextTable()) {
        const std::string desc = description(row, l);
        if (desc.empty()) continue;
        text += std::string(title(row, l)) + ":" + kCrLf;
        text += desc + kCrLf;
        text += kCrLf;
    }
    return ansi(text);
}

bool writeHelpFile(const std::string& path, const std::string& bytes) {
    // Written beside the old file, under a name another copy of the program writing the same
    // file is not given, and put in its place only when complete.
    engine::RunFiles files;
    const std::filesystem::path p(path);
    const std::string temp = files.make(p.parent_path().string(), p.filename().string() + ".", ".tmp", nullptr);
    if (temp.empty()) return false;
    // Readable as any new file of the user's (the temporary file is made for him alone).
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temp.c_str(), 0666 & ~mask);
    const win::FileHandle h = win::CreateFile(temp);
    if (h < 0) return false;
    size_t written = 0;
    bool ok = win::WriteFile(h, bytes.data(), bytes.size(), &written) && written == bytes.size();
    ok = win::CloseHandle(h) && ok;
    std::error_code ec;
    if (ok) std::filesystem::rename(temp, path, ec);
    if (!ok || ec) return false;
    files.handOver(temp);
    return true;
}

DTAMIRVANO& DTAMIRVANO::BUTHILFE() {
    const int lang = language();
    const std::string path = gcPfad + helpFileName(lang);
    std::error_code ec;
    bool write = !std::filesystem::exists(path, ec);
    if (!write) {
        const win::FileHandle h = win::OpenFile(path, 0);
        if (h < 0) {
            statusError(messageText(42, lang));
            return *this;
        }
        const std::string stamp = FREADLINELARGE(h, 256);
        win::CloseHandle(h);
        write = stamp != ansi(messageText(1, lang));
    }
    if (write && !writeHelpFile(path, helpFileText(lang))) {
        statusError(messageText(42, lang));
        return *this;
    }
    if (!std::filesystem::exists(path, ec)) {
        statusError(messageText(44, lang));
        return *this;
    }
    // Without a desktop program for text files the help is still readable: the program
    // shows it itself, also when the desktop's opener finds none only after it started.
    const QPointer<QWidget> alive(HANDLE());
    auto ownView = [this, alive, path, lang] {
        if (!alive || goDtaMirvano != this) return;
        if (!showTextFile(path)) statusError(messageText(43, lang));
    };
    if (!win::SHELLOPEN(path, ownView)) ownView();
    return *this;
}

DTAMIRVANO& DTAMIRVANO::BUTHOMEPAGE() {
    const int lang = language();
    if (ISINTERNETACCESS()) {
        win::SHELLOPEN(std::string(kHomeAddress) + (lang == kGerman ? "home.htm" : "homee.htm"));
        return *this;
    }
    const std::string info = gcPfad + (lang == kGerman ? "info_d.pdf" : "info_e.pdf");
    std::error_code ec;
    if (std::filesystem::exists(info, ec)) {
        win::SHELLOPEN(info);
        return *this;
    }
    auto& box = offlineNotice(*this);
    box = std::make_unique<widgets::WAITBOX>(this, rt::Value("MIRVANO 7.00"), rt::Value(messageText(66, lang)),
                                             rt::Value(20));
    box->SHOW();
    return *this;
}

bool ISINTERNETACCESS() {
    uint32_t flags = 0;
    if (!win::InternetGetConnectedState(&flags, 0)) return false;
    bool online = (flags & win::INTERNET_CONNECTION_PROXY) || (flags & win::INTERNET_CONNECTION_LAN) ||
                  (flags & win::INTERNET_CONNECTION_MODEM);
    if (flags & win::INTERNET_CONNECTION_OFFLINE) online = false;
    return online;
}

}  // namespace ui
