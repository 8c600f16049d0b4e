#pragma once
// What the shell window asks of the window it carries over its canvas.

namespace ui {

// The window the shell carries over its canvas (the main data window), as far as the shell
// deals with it. It registers itself in goShellContent, so that the shell needs no more of it.
class ShellContent {
public:
    // The shell's size changed: the window lays itself out over the canvas again.
    virtual void shellResized() = 0;
    // Whether a conversion runs; a close of the shell waits until it has returned.
    virtual bool conversionRunning() const = 0;
    // A close of the shell asks the running conversion to stop.
    virtual void cancelConversion() = 0;
    // The shell closes: the window ends with it and is no longer the program's main window.
    virtual void shellClosing() = 0;
    // The program INI stays as it is at exit, the window's place and size included: nobody
    // could see the window, or the settings the program was started with were refused.
    virtual bool keepsProgramIni() const = 0;

protected:
    ~ShellContent() = default;
};

}  // namespace ui
