#pragma once
// Monitor sizes and centring a window.
#include <cstddef>

// Size of the whole desktop: the virtual screen when there is more than one monitor, else the
// primary screen.
int GETMONITORWIDTH();
int GETMONITORHEIGHT();
// Size of the primary monitor.
int GETFIRSTMONITORWIDTH();
int GETFIRSTMONITORHEIGHT();
// Moves a top-level window to the centre of the primary monitor, keeping its size (odd halves
// rounded down). `Window` is a QWidget or anything with its frameGeometry() and move(): a
// template, so that the function library itself needs no widget library.
template <class Window>
void FENZENTRIEREN(Window* window) {
    if (!window)
        return;
    const auto size = window->frameGeometry().size();
    const int x = GETFIRSTMONITORWIDTH() / 2 - (size.width() >> 1);
    const int y = GETFIRSTMONITORHEIGHT() / 2 - (size.height() >> 1);
    window->move(x, y);
}
inline void FENZENTRIEREN(std::nullptr_t) {}
