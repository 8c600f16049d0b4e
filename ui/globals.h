#pragma once
// The program's process-wide values.
#include <cstdint>
#include <string>

namespace gui {
class WINDOW;
}

namespace ui {

class ShellContent;

// The language of every caption, tool tip and message: 1 German, 2 English.
inline uint8_t gbSprache = 2;
// The data directory, ending with a path separator.
inline std::string gcPfad;
// The shell window (its caption, status bar and canvas) and the window it carries over its
// canvas (the main data window, which keeps its own global goDtaMirvano as well).
inline gui::WINDOW* goShell = nullptr;
inline ShellContent* goShellContent = nullptr;

}  // namespace ui
