#pragma once
// The program's file dialog for opening and saving: Qt's own file dialog (never the
// desktop's native one, so that a Help button can sit in its button box), run through the
// modal runner so tests script it and a batch never blocks.
//
// Use: construct, set up (SETSTYLE, CAPTION, SETFILTER, INITIALDIRECTORY, DEFEXT), SHOW,
// read FILENAME: a string (one file; "" after a cancel) or an array of full paths when the
// multi-selection style is on and more than one file was chosen. Name filters match
// regardless of letter case ("DATA.DBF" is listed under "*.dbf").
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/value.h"

class QFileDialog;

namespace gui {
class WINDOW;
}

namespace widgets {

// Style flags (values of the common dialog's flag word).
inline constexpr uint32_t OFN_OVERWRITEPROMPT = 0x2;
inline constexpr uint32_t OFN_HIDEREADONLY = 0x4;
inline constexpr uint32_t OFN_SHOWHELP = 0x10;
inline constexpr uint32_t OFN_ENABLEHOOK = 0x20;
inline constexpr uint32_t OFN_ALLOWMULTISELECT = 0x200;
inline constexpr uint32_t OFN_EXTENSIONDIFFERENT = 0x400;  // set by SHOW
inline constexpr uint32_t OFN_PATHMUSTEXIST = 0x800;
inline constexpr uint32_t OFN_FILEMUSTEXIST = 0x1000;
inline constexpr uint32_t OFN_EXPLORER = 0x80000;
inline constexpr uint32_t OFN_ENABLESIZING = 0x800000;

class OPENSAVEDIALOG {
public:
    // `initialName` may be a file name, a path or a pattern such as "*.dbf"; any length.
    // `open` is TRUE for an open dialog, FALSE for a save dialog; anything else means open.
    OPENSAVEDIALOG(gui::WINDOW* owner, const std::string& initialName = {}, const rt::Value& open = rt::Value(true));
    virtual ~OPENSAVEDIALOG();
    OPENSAVEDIALOG(const OPENSAVEDIALOG&) = delete;
    OPENSAVEDIALOG& operator=(const OPENSAVEDIALOG&) = delete;

    // TRUE when the user chose a file; FALSE after a cancel or failure (FILENAME is then "").
    bool SHOW();
    // Called when the user presses the dialog's Help button (style OFN_SHOWHELP); the
    // dialog stays open. The default hands the dialog to the help handler installed by the
    // program (setHelpHandler).
    virtual void HELP();

    const rt::Value& FILENAME() const { return fileName_; }
    void FILENAME(const rt::Value& name) { fileName_ = name; }
    const std::string& DEFEXT() const { return defExt_; }
    void DEFEXT(const std::string& ext) { defExt_ = ext; }
    const std::string& INITIALDIRECTORY() const { return initialDirectory_; }
    void INITIALDIRECTORY(const std::string& dir) { initialDirectory_ = dir; }
    const std::string& CAPTION() const { return caption_; }
    void CAPTION(const std::string& caption) { caption_ = caption; }
    // Patterns ("*.dbf", several joined by ";") with their display names; `index` is the
    // 1-based filter shown first.
    void SETFILTER(const std::vector<std::string>& patterns, const std::vector<std::string>& names = {}, int index = 1);
    int FILTERINDEX() const { return filterIndex_; }
    void FILTERINDEX(int index) { filterIndex_ = index; }
    void SETSTYLE(uint32_t flag, bool on = true);
    uint32_t FLAGS() const { return flags_; }  // __FLAGS
    bool isOpen() const { return open_; }
    gui::WINDOW* owner() const { return owner_; }

    // The dialog whose SHOW runs now (or ran last); null before the first SHOW.
    static OPENSAVEDIALOG* current();
    // The Qt dialog while SHOW runs (for scripted runners and the Help button); else null.
    QFileDialog* qtDialog() const { return dialog_; }

    using HelpHandler = std::function<void(OPENSAVEDIALOG&)>;
    // Installs what HELP does; returns the previous handler.
    static HelpHandler setHelpHandler(HelpHandler handler);

private:
    gui::WINDOW* owner_;
    rt::Value fileName_;
    std::string defExt_;
    std::string initialDirectory_;
    std::string caption_;
    std::vector<std::string> patterns_;
    std::vector<std::string> names_;
    int filterIndex_ = 1;
    uint32_t flags_ = 0;
    bool open_ = true;
    QFileDialog* dialog_ = nullptr;
};

}  // namespace widgets
