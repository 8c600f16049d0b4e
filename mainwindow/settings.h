#pragma once
// The settings files: the keys of section "Config" in the order the writer puts them, and the
// file dialog of the two settings buttons (replaceable, so tests and a batch never block).
#include <functional>
#include <string>
#include <vector>

namespace ui {

// Every key the settings writer stores, in its writing order.
const std::vector<std::string>& settingsKeys();

struct SettingsDialogRequest {
    bool save = false;         // a save dialog (asks before overwriting) or an open dialog
    std::string caption;
    std::string initialName;   // "*.mcf" or "mirvano.mcf"
    std::string initialDir;
    std::string typeText;      // the description of "*.mcf"
};
// Returns the chosen full path, "" when the user cancelled.
using SettingsDialogChooser = std::function<std::string(const SettingsDialogRequest&)>;
// Installs a chooser (an empty one restores the real dialog); returns the previous one.
SettingsDialogChooser setSettingsDialogChooser(SettingsDialogChooser chooser);
std::string runSettingsDialog(const SettingsDialogRequest& request);

// The keyword a settings value selects: the first of `keywords` that the value, in lower
// case, contains; `fallback` when none does.
size_t selectKeyword(const std::string& value, const std::vector<std::string>& keywords, size_t fallback);

}  // namespace ui
