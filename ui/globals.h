#pragma once
// The program's process-wide values.
#include <cstdint>
#include <string>

namespace gui {
class WINDOW;
}

namespace ui {

class DTAMIRVANO;

// The language of every caption, tool tip and message: 1 German, 2 English.
inline uint8_t gbSprache = 2;
// The data directory, ending with a path separator.
inline std::string gcPfad;
// The shell window (its caption, status bar and canvas) and the main data window.
inline gui::WINDOW* goShell = nullptr;
inline DTAMIRVANO* goDtaMirvano = nullptr;

}  // namespace ui
