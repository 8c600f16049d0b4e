#pragma once
// The file dialogs of the engine's buttons: the open dialog of an input, the save dialog of a
// write and the multiple-choice dialog of an append. Each is replaceable by a chooser, so tests
// script the user's choice; an empty chooser restores the real dialog.
#include <functional>
#include <string>
#include <vector>

namespace gui {
class WINDOW;
}

namespace ui {

// The open dialog of an input.
struct OpenDialogRequest {
    gui::WINDOW* owner = nullptr;
    std::string caption;
    std::string initialName;  // the pattern, "*.csv" and the like
    std::string initialDir;
    std::string pattern;
    std::string typeText;
    std::string allText;
};
using OpenDialogChooser = std::function<std::string(const OpenDialogRequest&)>;
// Installs a chooser; returns the previous one.
OpenDialogChooser setOpenDialogChooser(OpenDialogChooser chooser);
// The chosen file's full path, "" when the user cancelled.
std::string runOpenDialog(const OpenDialogRequest& request);

// The save dialog of a write: gets the caption, the initial name, the initial directory, the
// filter (pattern and type text) and whether to ask before overwriting; returns the chosen
// name, "" when cancelled. Replaceable for tests; returns the previous chooser.
struct SaveDialogRequest {
    gui::WINDOW* owner = nullptr;
    std::string caption;
    std::string initialName;
    std::string initialDir;
    std::string pattern;
    std::string typeText;
    std::string allText;
    bool overwritePrompt = true;
};
using SaveDialogChooser = std::function<std::string(const SaveDialogRequest&)>;
SaveDialogChooser setSaveDialogChooser(SaveDialogChooser chooser);
std::string runSaveDialog(const SaveDialogRequest& request);

// The source dialog of an append: several dBase tables; replaceable for tests.
struct MultiOpenDialogRequest {
    gui::WINDOW* owner = nullptr;
    std::string caption;
    std::string initialDir;
    std::string pattern;
    std::string typeText;
};
using MultiOpenDialogChooser = std::function<std::vector<std::string>(const MultiOpenDialogRequest&)>;
MultiOpenDialogChooser setMultiOpenDialogChooser(MultiOpenDialogChooser chooser);
// The chosen full paths, none when the user cancelled.
std::vector<std::string> runMultiOpenDialog(const MultiOpenDialogRequest& request);

}  // namespace ui
