#pragma once
// Screen sizes: what the program asks of user32's GetSystemMetrics. The figures come from Qt's
// screens when an application object exists, else from a default single 1024 x 768 screen.
namespace win {

constexpr int SM_CXSCREEN = 0;          // width of the primary screen
constexpr int SM_CYSCREEN = 1;          // height of the primary screen
constexpr int SM_XVIRTUALSCREEN = 76;   // left of the virtual screen
constexpr int SM_YVIRTUALSCREEN = 77;   // top of the virtual screen
constexpr int SM_CXVIRTUALSCREEN = 78;  // width of the virtual screen
constexpr int SM_CYVIRTUALSCREEN = 79;  // height of the virtual screen
constexpr int SM_CMONITORS = 80;        // number of monitors

// The metric in pixels (or the monitor count); 0 for a metric we do not know.
int GetSystemMetrics(int index);

}  // namespace win
