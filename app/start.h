#pragma once
// Start-up and shut-down of the program: the data directory, the runtime settings, the shell
// window with its title page, the main window (which may run a whole batch) and the event
// loop.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/application.h"

namespace ui {
class DTAMIRVANO;
class WINSHELL;
}  // namespace ui

namespace app {

// The data directory of this installation, ending in "/"; "" when none could be made. A file
// "mirvano.aef" in `programDir` makes that directory the data directory (a portable
// install, neither tested nor created); otherwise $APPDATA/mirvano, then
// $XDG_CONFIG_HOME/mirvano (by default ~/.config/mirvano), then ~/mirvano, the first that
// exists or can be made.
std::string findDataDirectory(const std::string& programDir);
// The directory of the running program file, ending in "/".
std::string programDirectory();

// Sets ui::gcPfad. On failure shows "Error on create the programs data directory" (also on
// standard error) and returns FALSE.
bool GETPFAD();

// Waits the given number of seconds without processing events; the thread sleeps.
void PAUSE(double seconds);

// Chooses Qt's offscreen platform when the session has no display, so that a batch runs on
// a server; with an X display, the offscreen screen is the fall-back when that display
// cannot be opened (Qt would abort). Call before the QApplication is made, and
// releaseQtPlatformChoice once it exists, so that the programs this one starts (the desktop
// opener) see the session's own setting.
void chooseQtPlatform();
void releaseQtPlatformChoice();
// The display named by DISPLAY when it could not be opened and the program fell back to the
// offscreen screen; "" otherwise. Valid once the QApplication exists.
std::string failedDisplay();

// True when nobody can see the program's windows or answer them: Qt runs on its offscreen
// (or minimal) screen, as chooseQtPlatform picks without a display.
bool noDisplay();

// Connects the system's sound sink to the sound server (libcanberra), falling back to the
// display's bell.
void connectSystemSounds();

class APP : public gui::APPLICATION {
public:
    APP();
    ~APP() override;
    void START() override;
    // The process's exit status: 0 unless the data directory could not be made or a batch
    // step failed.
    int exitStatus() const { return exitStatus_; }
    // The pause between the title page and the main window (one second in the program),
    // taken only where someone can see the title page, and the wait that takes it.
    double titlePause = 1.0;
    std::function<void(double)> pause = PAUSE;
    // The command line; the process's own when not set.
    std::optional<std::vector<std::string>> arguments;

private:
    std::unique_ptr<ui::WINSHELL> shell_;
    std::unique_ptr<ui::DTAMIRVANO> main_;
    int exitStatus_ = 0;
};

}  // namespace app
