#pragma once
// The shell window: the program's one top-level window. It paints the title page, carries
// the status bar in which every message of the program appears, keeps its own position and
// size in the program INI (key "Fenster") and ends the program when it is closed.
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/windows/gwindows.h"

class QTimer;

namespace gui {
class APPLICATION;
}
namespace widgets {
class STATUSBAR2;
}

namespace ui {

class WINSHELL : public gfx::GTOPAPPWINDOW {
public:
    // `app` is the application object that is asked to quit when the window closes.
    explicit WINSHELL(gui::APPLICATION* app);
    ~WINSHELL() override;

    void CLOSE(gui::Event& event) override;
    void RESIZE(gui::ResizeEvent& event) override;
    void PAINT() override;
    void EXPOSE(gui::ExposeEvent& event) override;
    using gfx::GTOPAPPWINDOW::EXPOSE;
    // While a conversion runs the close is held back: the run is cancelled and the window
    // closes as soon as the running loop has returned.
    bool QUERYCLOSE(gui::Event& event) override;
    WINSHELL& FENMINMAX();
    WINSHELL& FENORGDIM();

    uint16_t wMinWidth = 0;
    uint16_t wMinHeight = 0;

    widgets::STATUSBAR2* statusBar() const { return statusBar_.get(); }
    // Whether the title page has been drawn (once per run: the program has one shell).
    bool titlePainted() const { return titlePainted_; }
    // A close asked for while a conversion runs, or while closing is held, waits.
    bool closePending() const { return closePending_; }
    // Holds a close back (a batch between its steps); the held close follows on release.
    void holdClose(bool on);

private:
    void finishPendingClose();

    gui::APPLICATION* app_;
    std::unique_ptr<widgets::STATUSBAR2> statusBar_;
    QTimer* closeWatch_ = nullptr;
    bool closePending_ = false;
    bool closeHeld_ = false;
    bool titlePainted_ = false;
};

// The geometry text of key "Fenster": X, Y, width and height, five characters each with
// leading zeros.
std::string formatGeometry(int x, int y, int width, int height);
struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
};
// Reads a stored geometry text: each field a decimal number from its start, 0 when it holds
// none; X and Y at least 0, width and height at least 100; capped to 65535.
Geometry parseGeometry(const std::string& text);

// Whether the user's interface language is German (the locale of the session).
bool userLanguageIsGerman();

}  // namespace ui
