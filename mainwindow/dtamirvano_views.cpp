// The input and output views (a table in the table view, a text file as text in its
// character set) and the choice of the two preview fonts.
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "functions/charsets.h"
#include "functions/sounds.h"
#include "mainwindow/dtamirvano.h"
#include "platform/db/dbserver.h"
#include "platform/gui/statusbar.h"
#include "platform/win/filehandle.h"
#include "ui/texts.h"
#include "widgets/datalistview2.h"
#include "widgets/dlgfontsel.h"
#include "widgets/multilineeditw.h"

namespace ui {

namespace {

// How much of a text file the view shows.
constexpr size_t kPreviewBytes = 131072;

void statusError(const std::string& text, const char* sound) {
    if (goShell)
        if (gui::STATUSBAR* bar = goShell->STATUSBAR()) bar->ERRORTEXT(text);
    TON(rt::Value(sound));
}

void statusTransient(const std::string& text) {
    if (goShell)
        if (gui::STATUSBAR* bar = goShell->STATUSBAR()) bar->TRANSIENT(text);
}

struct Side {
    std::shared_ptr<db::DBSERVER> table;
    win::FileHandle handle;
    gui::DATALISTVIEW* tableView;
    gui::MULTILINEEDIT* textView;
    int nothingOpenMessage;
    std::string readError;
    gui::PUSHBUTTON* pressed;
    gui::PUSHBUTTON* otherShow;
    bool sdf, ansi, oem, utf8, utf16;
};

// Reads up to `limit` bytes from the start of the file; the handle is left at the start
// again when something was read.
bool readStart(win::FileHandle h, size_t limit, std::string& out) {
    out.assign(limit, ' ');
    if (!win::SetFilePointer(h, 0, win::FILE_BEGIN, nullptr)) return false;
    size_t total = 0;
    while (total < limit) {
        size_t got = 0;
        if (!win::ReadFile(h, out.data() + total, limit - total, &got)) break;
        if (got == 0) break;
        total += got;
    }
    out.resize(total);
    if (total == 0) return false;
    win::SetFilePointer(h, 0, win::FILE_BEGIN, nullptr);
    return true;
}

void showView(DTAMIRVANO& w, const Side& s) {
    const bool haveTable = s.table != nullptr;
    const bool haveText = !haveTable && s.handle >= 0;
    if (!haveTable && !haveText) {
        statusError(messageText(s.nothingOpenMessage, gbSprache), "SystemExclamation");
        return;
    }
    gui::CONTROL* shown = haveTable ? static_cast<gui::CONTROL*>(s.tableView) : s.textView;
    w.raiseView(shown, s.pressed, {s.otherShow, w.OCCBUTNORMALANSICHT, w.OCCBUTHILFE, w.OCCBUTBEENDEN});

    const std::string formatLabel = messageText(48, gbSprache);
    if (haveTable) {
        auto* view = dynamic_cast<widgets::DATALISTVIEW2*>(s.tableView);
        if (view) view->FONT(w.oFontProport);
        if (!s.table->USED()) return;
        s.table->GOTOP();
        if (view) view->SERVER(s.table);
        statusTransient(formatLabel + " " + (s.ansi ? "ANSI" : s.oem ? "ASCII" : ""));
        return;
    }

    auto* text = dynamic_cast<widgets::MULTILINEEDITW*>(s.textView);
    const std::optional<gui::FONT>& font = s.sdf ? w.oFontFixed : w.oFontProport;
    if (font) s.textView->FONT(*font, false);
    std::string bytes;
    if (!readStart(s.handle, kPreviewBytes, bytes)) {
        statusError(s.readError, "SystemHand");
        return;
    }
    std::string utf16;
    std::string name;
    if (s.ansi) {
        utf16 = CONVANSI2UNICODE(bytes, rt::Value(0));
        name = "ANSI";
    } else if (s.oem) {
        utf16 = CONVOEM2UNICODE(bytes);
        name = "ASCII";
    } else if (s.utf8) {
        utf16 = CONVUTF82UNICODE(bytes);
        name = "UTF8";
    } else if (s.utf16) {
        utf16 = bytes;
        name = "UNICODE";
    } else {
        utf16 = CONVANSI2UNICODE(bytes, rt::Value(0));
    }
    // The limit may cut a UTF-16 unit in two: its first byte alone is no character.
    if (utf16.size() % 2) utf16.pop_back();
    s.textView->TEXTLIMIT(int(utf16.size()));
    if (text)
        text->_SETTEXTW(rt::Value(utf16));
    else
        s.textView->TEXTVALUE(widgets::MULTILINEEDITW::utf16ToUtf8(utf16));
    // Only a file that goes on beyond what the view holds was cut.
    int64_t size = 0;
    const bool cut = win::GetFileSize(s.handle, &size) ? size > int64_t(bytes.size()) : bytes.size() >= kPreviewBytes;
    if (cut) {
        statusTransient(formatLabel + " " + name + "; " + messageText(49, gbSprache));
        TON(rt::Value("SystemExclamation"));
    } else {
        statusTransient(formatLabel + " " + name);
    }
}

void chooseFont(DTAMIRVANO& w, bool fixed) {
    std::string& fontString = fixed ? w.cFontFixed : w.cFontProport;
    std::optional<gui::FONT>& font = fixed ? w.oFontFixed : w.oFontProport;
    widgets::DLGFONTSEL dialog(&w, rt::Value(fontString));
    dialog.TRUETYPEFONTS();
    if (fixed)
        dialog.FIXEDPITCHFONTS();
    else
        dialog.VARIABLEPITCHFONTS();
    if (dialog.SHOW() && !dialog.FONTNAME().empty()) {
        font = dialog.FONT();
        fontString = dialog.FONTTOSTRING();
    }
}

}  // namespace

void DTAMIRVANO::raiseView(gui::CONTROL* shown, gui::PUSHBUTTON* pressed, std::vector<gui::CONTROL*> usable) {
    viewFace_ = ViewFace{shown, pressed, std::move(usable)};
    for (gui::CONTROL* view : std::initializer_list<gui::CONTROL*>{ODCINPUTBROWSER, ODCOUTPUTBROWSER, ODCINPUTMLE,
                                                                    ODCOUTPUTMLE}) {
        if (view == shown) continue;
        view->HIDE();
        view->DISABLE();
    }
    if (lRunning) {
        // The view itself is lifted out of the busy hold, so the user can scroll in it.
        shown->ENABLE();
        shown->SHOW();
    } else {
        holdViewFace();
    }
    const int top = OCCBUTNORMALANSICHT->ORIGIN().Y() + OCCBUTNORMALANSICHT->SIZE().HEIGHT() + 3;
    const gui::BOUNDINGBOX own = CANVASAREA();
    // Size first: a resize keeps the top edge, the origin then sets the bottom one.
    shown->SIZE(gui::DIMENSION(own.WIDTH() - 4, own.HEIGHT() - top + 1 - 4));
    shown->ORIGIN(gui::POINT(0, top));
}

void DTAMIRVANO::holdViewFace() {
    if (!viewFace_.shown) return;
    DISABLECONDITIONALCONTROLS();
    // What stays usable is lifted out of the form-wide hold; going back to the settings
    // gives every control its own state again.
    viewFace_.shown->ENABLE();
    viewFace_.shown->SHOW();
    if (viewFace_.pressed) viewFace_.pressed->DISABLE();
    for (gui::CONTROL* b : viewFace_.usable) b->ENABLE();
}

DTAMIRVANO& DTAMIRVANO::BUTEINGABEZEIGEN() {
    // A view of the input reads the table or the file the running step reads: it is not
    // offered until the step has ended.
    if (lRunning) return *this;
    showView(*this, Side{oDBIn, hIn, ODCINPUTBROWSER, ODCINPUTMLE, 10, messageText(84, gbSprache),
                         OCCBUTEINGABEZEIGEN, OCCBUTAUSGABEZEIGEN, lInSDF, lInANSI, lInOEM, lInUTF8, lInUTF16});
    return *this;
}

DTAMIRVANO& DTAMIRVANO::BUTAUSGABEZEIGEN() {
    if (lRunning) return *this;
    showView(*this, Side{oDBOut, hOut, ODCOUTPUTBROWSER, ODCOUTPUTMLE, 46,
                         messageText(47, gbSprache), OCCBUTAUSGABEZEIGEN, OCCBUTEINGABEZEIGEN, lOutSDF, lOutANSI,
                         lOutOEM, lOutUTF8, lOutUTF16});
    return *this;
}

bool DTAMIRVANO::showTextFile(const std::string& path) {
    const win::FileHandle h = win::OpenFile(path, 0);
    if (h < 0) return false;
    std::string bytes;
    const bool read = readStart(h, kPreviewBytes, bytes);
    win::CloseHandle(h);
    if (!read) return false;
    raiseView(ODCINPUTMLE, nullptr,
              {OCCBUTEINGABEZEIGEN, OCCBUTAUSGABEZEIGEN, OCCBUTNORMALANSICHT, OCCBUTHILFE, OCCBUTBEENDEN});
    // The texts stand in columns: the fixed-pitch font keeps them there.
    if (oFontFixed) ODCINPUTMLE->FONT(*oFontFixed, false);
    std::string utf16 = CONVANSI2UNICODE(bytes, rt::Value(0));
    if (utf16.size() % 2) utf16.pop_back();
    ODCINPUTMLE->TEXTLIMIT(int(utf16.size()));
    if (auto* text = dynamic_cast<widgets::MULTILINEEDITW*>(ODCINPUTMLE))
        text->_SETTEXTW(rt::Value(utf16));
    else
        ODCINPUTMLE->TEXTVALUE(widgets::MULTILINEEDITW::utf16ToUtf8(utf16));
    return true;
}

DTAMIRVANO& DTAMIRVANO::BUTFONTPROPORT() {
    chooseFont(*this, false);
    return *this;
}

DTAMIRVANO& DTAMIRVANO::BUTFONTFIXED() {
    chooseFont(*this, true);
    return *this;
}

}  // namespace ui
