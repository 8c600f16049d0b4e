#pragma once
// Monitor sizes and centring a window.
class QWidget;

// Size of the whole desktop: the virtual screen when there is more than one monitor, else the
// primary screen.
int GETMONITORWIDTH();
int GETMONITORHEIGHT();
// Size of the primary monitor.
int GETFIRSTMONITORWIDTH();
int GETFIRSTMONITORHEIGHT();
// Moves a top-level window to the centre of the primary monitor, keeping its size (odd halves
// rounded down).
void FENZENTRIEREN(QWidget* window);
