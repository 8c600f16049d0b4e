#pragma once
// Modal dialogs and message boxes go through one injectable runner, so tests script the
// answers and a batch run never blocks on a box.
#include <cstdint>
#include <functional>
#include <string>

class QDialog;

namespace gui {

class WINDOW;
class DIALOGWINDOW;

// Style bits of message boxes (Win32 MB_*).
inline constexpr int BOXOK = 0x00;
inline constexpr int BOXOKCANCEL = 0x01;
inline constexpr int BOXYESNOCANCEL = 0x03;
inline constexpr int BOXYESNO = 0x04;
inline constexpr int BOXICONHAND = 0x10;
inline constexpr int BOXICONQUESTIONMARK = 0x20;
inline constexpr int BOXICONEXCLAMATION = 0x30;
inline constexpr int BOXICONASTERISK = 0x40;
// Answers (Win32 ID*).
inline constexpr int BOXREPLYOK = 1;
inline constexpr int BOXREPLYCANCEL = 2;
inline constexpr int BOXREPLYYES = 6;
inline constexpr int BOXREPLYNO = 7;

// What a modal runner is asked to show.
struct ModalRequest {
    enum class Kind { MessageBox, Dialog };
    Kind kind = Kind::MessageBox;
    std::string boxClass;   // "TEXTBOX", "INFOBOX", "WARNINGBOX", "ERRORBOX"
    std::string caption;    // UTF-8
    std::string text;       // UTF-8
    int style = 0;          // BOX* bits
    WINDOW* owner = nullptr;
    DIALOGWINDOW* dialog = nullptr;  // for Kind::Dialog; the runner ends it with ENDDIALOG
    // For Kind::Dialog: a ready-made Qt dialog (the file and font dialogs) instead of a
    // DIALOGWINDOW; the runner answers with its exec() code (1 accepted, 0 rejected).
    QDialog* qtDialog = nullptr;
};

// Shows the request modally and returns the answer (a BOXREPLY* value for message boxes,
// the dialog's result for dialogs).
using ModalRunner = std::function<intptr_t(const ModalRequest&)>;
// Installs a runner; an empty function restores the default (Qt message boxes and a local
// event loop for dialogs). Returns the previous runner.
ModalRunner setModalRunner(ModalRunner runner);
// The runner of a batch: shows nothing, answers OK (or YES) and ends dialogs with 0.
intptr_t batchModalRunner(const ModalRequest& request);
intptr_t runModal(const ModalRequest& request);

// Message boxes of the class library: built with owner, caption, text (and style), shown
// with SHOW, which returns the answer.
class TEXTBOX {
public:
    TEXTBOX(WINDOW* owner, const std::string& caption, const std::string& text, int style = BOXOK);
    virtual ~TEXTBOX() = default;
    int SHOW();
    const std::string& CAPTION() const { return caption_; }
    const std::string& TEXT() const { return text_; }
    int STYLE() const { return style_; }

protected:
    TEXTBOX(const char* boxClass, WINDOW* owner, const std::string& caption, const std::string& text, int style);

private:
    const char* boxClass_;
    WINDOW* owner_;
    std::string caption_;
    std::string text_;
    int style_;
};

class INFOBOX : public TEXTBOX {
public:
    INFOBOX(WINDOW* owner, const std::string& caption, const std::string& text);
};

class WARNINGBOX : public TEXTBOX {
public:
    WARNINGBOX(WINDOW* owner, const std::string& caption, const std::string& text);
};

class ERRORBOX : public TEXTBOX {
public:
    ERRORBOX(WINDOW* owner, const std::string& caption, const std::string& text);
};

}  // namespace gui
