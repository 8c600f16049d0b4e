#pragma once
// The MDI client of a shell window: the area under the shell's tool bar that holds its child
// windows and paints their background. As on the platform it is a window without an object of
// the class library, and a program takes over its painting by replacing its window procedure.
#include <QMdiArea>
#include <cstdint>
#include <functional>

class QImage;

namespace gui {

inline constexpr uint32_t WM_ERASEBKGND = 0x0014;

// A window procedure: the window, the message and its two parameters.
using WNDPROC = std::function<intptr_t(QWidget* hWnd, uint32_t message, uintptr_t wParam, intptr_t lParam)>;

class MdiClient : public QMdiArea {
public:
    explicit MdiClient(QWidget* parent);

    // SetWindowLong with GWL_WNDPROC: the procedure that receives the client's messages from
    // now on; an empty one puts the class procedure back.
    void setWindowProc(WNDPROC proc) { proc_ = std::move(proc); }
    // The procedure of the client's window class (GetClassLong with GCL_WNDPROC): WM_ERASEBKGND
    // erases with the background (WPARAM: the QPainter of the paint), every other message
    // returns 0.
    static intptr_t classWindowProc(QWidget* hWnd, uint32_t message, uintptr_t wParam, intptr_t lParam);
    // The picture the client shows once its procedure has handled WM_PAINT: the shell's
    // screen image, anchored at the top-left. None: only what the erase left.
    void setPicture(std::function<const QImage*()> picture) { picture_ = std::move(picture); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    intptr_t send(uint32_t message, uintptr_t wParam, intptr_t lParam);
    WNDPROC proc_;
    std::function<const QImage*()> picture_;
};

}  // namespace gui
