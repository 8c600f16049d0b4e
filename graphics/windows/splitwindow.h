#pragma once
// A split window whose panes hold client windows. It repaints the graphics windows among its
// pane clients when the user has finished dragging a splitter bar or the frame, and holds
// the pane layout still while the frame is being dragged.
#include <QPointer>
#include <vector>

#include "graphics/windows/gwindows.h"

class QSplitter;

namespace gfx {

// SplitterDoneNotice: WM_LBUTTONUP with these wParam and lParam, sent to the split window
// when a splitter drag ends.
inline constexpr uintptr_t kSplitterDoneW = 99;
inline constexpr intptr_t kSplitterDoneL = 99;
inline constexpr uintptr_t SIZE_RESTORED = 0, SIZE_MAXIMIZED = 2;

class GSPLITWINDOW : public gui::CHILDAPPWINDOW {
public:
    // A grid of `columns` x `rows` panes.
    explicit GSPLITWINDOW(gui::WINDOW* owner, int columns = 2, int rows = 1);
    ~GSPLITWINDOW() override;

    // LAYOUT: columns and rows.
    DIMENSION LAYOUT() const { return DIMENSION(columns_, rows_); }
    // Puts a window into pane i (1-based, row by row); it must have been made with this
    // window as owner.
    void SETPANECLIENT(gui::WINDOW* client, int pane);
    // Null for an empty pane and for a client that has been deleted or destroyed.
    gui::WINDOW* GETPANECLIENT(int pane) const;

    void SHOW(int state) override;
    using gui::CHILDAPPWINDOW::SHOW;
    void RESIZE(gui::ResizeEvent& event) override;
    intptr_t DISPATCH(gui::Event& event) override;

    bool lSizing = false;
    uint16_t nPanes = 0;

private:
    void layoutPanes();
    static bool answersPaintNew(gui::WINDOW* w);
    int columns_, rows_;
    QPointer<QSplitter> outer_;
    // One frame per pane, row by row, holding the pane's client: a client that is deleted
    // leaves its frame, so the panes keep their numbers.
    std::vector<QPointer<QWidget>> paneFrames_;
    // Guarded: a client deleted before the split window is forgotten.
    std::vector<QPointer<QWidget>> clients_;
};

}  // namespace gfx
