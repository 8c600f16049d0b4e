#pragma once
// Windows of the GUI class library over Qt widgets: the common base of windows and
// controls, events, and the window classes (top-level, child, shell, data and dialog
// windows). Member convention: see gdiobjects.h.
//
// Ownership: a window or control is a C++ object owned by whoever created it; its Qt widget
// is a child of its owner's widget. The object deletes its widget when it is destroyed; if
// the owner's widget goes first, the object notices (its HANDLE becomes null) and every
// member call on it is harmless.
//
// Events reach the program the way the class library delivers them, on the GUI thread,
// while events are processed (inside APPLICATIONEXEC or the application's event loop):
//  - a push button's click calls the owner window's method registered under the button's
//    name (registerMethod); a button without such a method does nothing;
//  - a user's click on a radio button or check box, and a CLICK() (the synchronous
//    button-click message), call the owner's BUTTONCLICK once; setting PRESSED/CHECKED from
//    code calls nothing;
//  - a user's selection in a list box or combo box calls the owner's LISTBOXSELECT;
//  - an edit that gains or loses the focus calls the owner's EDITFOCUSCHANGE;
//  - window timers (SETTIMER) arrive at DISPATCH as WM_TIMER with the timer id in WPARAM;
//    REGISTERTIMER calls TIMER;
//  - painting calls EXPOSE with the exposed area, resizing RESIZE, mouse buttons and moves
//    MOUSEBUTTONDOWN/MOUSEBUTTONUP/MOUSEMOVE, closing QUERYCLOSE (may refuse) and CLOSE;
//  - the user's frame drag of a top-level window sends it WM_ENTERSIZEMOVE once, WM_SIZING at
//    every step and WM_EXITSIZEMOVE at the end; minimising, maximising and restoring send
//    WM_SYSCOMMAND with SC_MINIMIZE, SC_MAXIMIZE or SC_RESTORE; a window whose top-level
//    window becomes active or inactive gets WM_NCACTIVATE (WPARAM 1 or 0) and ACTIVATE or
//    DEACTIVATE. All of these arrive at DISPATCH, after the change has happened.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "platform/gui/gdiobjects.h"
#include "platform/runtime/value.h"

class QImage;
class QPainter;

namespace gui {

class CONTROL;
class WINDOW;
class STATUSBAR;
class MdiClient;

// Win32 message numbers that handlers test.
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_SIZING = 0x0214;
inline constexpr uint32_t WM_ENTERSIZEMOVE = 0x0231;
inline constexpr uint32_t WM_EXITSIZEMOVE = 0x0232;
inline constexpr uint32_t WM_USER = 0x0400;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_SETFONT = 0x0030;
inline constexpr uint32_t WM_NCACTIVATE = 0x0086;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uintptr_t SC_MINIMIZE = 0xF020;
inline constexpr uintptr_t SC_MAXIMIZE = 0xF030;
inline constexpr uintptr_t SC_RESTORE = 0xF120;
// WM_SIZING's WPARAM: the edge being dragged (a window manager does not tell).
inline constexpr uintptr_t WMSZ_BOTTOMRIGHT = 8;
// A window manager tells the program nothing when the user lets go of the frame, so a drag is
// over when no resize step has come for this long.
inline constexpr int kFrameDragSettleMs = 250;
inline constexpr uint32_t BM_SETCHECK = 0x00F1;
inline constexpr uint32_t BM_CLICK = 0x00F5;

// Show states of SHOW.
inline constexpr int SHOWNORMAL = 1;
inline constexpr int SHOWMINIMIZED = 2;
inline constexpr int SHOWZOOMED = 3;
inline constexpr int SHOWINACTIVE = 4;

// A window message.
class Event {
public:
    Event(uint32_t message = 0, uintptr_t wParam = 0, intptr_t lParam = 0)
        : message_(message), wParam_(wParam), lParam_(lParam) {}
    virtual ~Event() = default;
    uint32_t MESSAGE() const { return message_; }
    uintptr_t WPARAM() const { return wParam_; }
    intptr_t LPARAM() const { return lParam_; }

private:
    uint32_t message_;
    uintptr_t wParam_;
    intptr_t lParam_;
};

// An event of a control (click, selection, focus change).
class ControlEvent : public Event {
public:
    explicit ControlEvent(CONTROL* control, uint32_t message = 0) : Event(message), control_(control) {}
    CONTROL* control() const { return control_; }
    std::string NAMESYM() const;  // the control's name symbol, upper case
    int CONTROLID() const;

private:
    CONTROL* control_;
};

class EditFocusChangeEvent : public ControlEvent {
public:
    EditFocusChangeEvent(CONTROL* control, bool gotFocus) : ControlEvent(control), got_(gotFocus) {}
    bool GOTFOCUS() const { return got_; }

private:
    bool got_;
};

// The area to repaint, y-up in the window's canvas.
class ExposeEvent : public Event {
public:
    explicit ExposeEvent(const BOUNDINGBOX& area) : Event(WM_PAINT), area_(area) {}
    BOUNDINGBOX EXPOSEDAREA() const { return area_; }

private:
    BOUNDINGBOX area_;
};

class ResizeEvent : public Event {
public:
    explicit ResizeEvent(const DIMENSION& size) : Event(WM_SIZE), size_(size) {}
    DIMENSION SIZE() const { return size_; }  // the new canvas size

private:
    DIMENSION size_;
};

class MouseEvent : public Event {
public:
    MouseEvent(uint32_t message, const POINT& pos, int buttons) : Event(message), pos_(pos), buttons_(buttons) {}
    POINT POSITION() const { return pos_; }  // y-up in the window's canvas
    bool ISLEFTBUTTON() const { return buttons_ & 1; }
    bool ISRIGHTBUTTON() const { return buttons_ & 2; }
    bool ISMIDDLEBUTTON() const { return buttons_ & 4; }

private:
    POINT pos_;
    int buttons_;
};

// The common base of windows and controls: a Qt widget, geometry y-up, visibility,
// messages and the name -> method registry through which the class library calls
// methods by name.
class GUIOBJECT {
public:
    virtual ~GUIOBJECT();
    GUIOBJECT(const GUIOBJECT&) = delete;
    GUIOBJECT& operator=(const GUIOBJECT&) = delete;

    // The window handle: the Qt widget, null once it is gone.
    QWidget* HANDLE() const { return widget_.data(); }
    // The window or control object of a handle; null for widgets we did not make.
    static GUIOBJECT* fromHandle(const QWidget* handle);

    virtual POINT ORIGIN() const;
    virtual void ORIGIN(const POINT& origin);
    virtual DIMENSION SIZE() const;
    virtual void SIZE(const DIMENSION& size);
    virtual void SHOW();
    virtual void HIDE();
    bool ISVISIBLE() const;
    virtual void ENABLE();
    virtual void DISABLE();
    bool ISENABLED() const;
    void SETFOCUS();
    // Redraws the object now (synchronously, like UpdateWindow after an invalidation).
    void REPAINT();

    // The message hook: every message sent with SENDMESSAGE and every window timer tick
    // arrives here. The result is the message's result (EVENTRETURNVALUE).
    virtual intptr_t DISPATCH(Event& event);
    intptr_t SENDMESSAGE(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);

    // Methods callable by name (upper-cased, so look-ups ignore case).
    void registerMethod(const std::string& name, std::function<void()> fn);
    bool hasMethod(const std::string& name) const;
    bool callMethod(const std::string& name);

    // Window timers of this object: WM_TIMER with the id arrives at DISPATCH every interval
    // milliseconds. A second SETTIMER with the same id replaces the first.
    bool SETTIMER(unsigned id, unsigned intervalMs);
    bool KILLTIMER(unsigned id);

    // The owner's client height that y-up geometry is measured against.
    int parentHeight() const;

protected:
    GUIOBJECT() = default;
    void attachWidget(QWidget* widget);  // takes ownership; tags the widget with this object
    // Hides the widget and deletes it once control returns to the event loop (safe inside
    // the widget's own signal handlers); HANDLE is null from here on.
    void destroyWidget();
    virtual void onQtTimer(int qtTimerId);  // a Qt timer of this object fired
    QObject* bridgeObject() const { return bridge_.data(); }  // hosts this object's Qt timers

private:
    friend class TimerBridge;
    QPointer<QWidget> widget_;
    QPointer<QObject> bridge_;
    std::map<std::string, std::function<void()>> methods_;
    std::map<unsigned, int> timers_;  // our id -> Qt timer id
};

// Base window. The widget of a window is its frame; surface() is its client area, the
// canvas where it paints and where its controls and child windows live (the same widget
// for windows without frame decorations of their own).
class WINDOW : public GUIOBJECT {
public:
    explicit WINDOW(WINDOW* owner = nullptr);
    ~WINDOW() override;

    WINDOW* OWNER() const { return owner_; }
    QWidget* surface() const { return surface_.data(); }

    std::string CAPTION() const;
    void CAPTION(const std::string& caption);
    BRUSH BACKGROUND() const { return background_; }
    void BACKGROUND(const BRUSH& brush);
    // The client area as a box at (0, 0) with the canvas size.
    BOUNDINGBOX CANVASAREA() const;
    void SHOW() override { SHOW(SHOWNORMAL); }
    virtual void SHOW(int state);
    void HIDE() override;
    bool ISICONIC() const;
    bool ISZOOMED() const;
    // A child window of a shell window sits in a frame of the shell's MDI client: its SIZE is
    // its client size (the frame adds its title bar and border outside), its ORIGIN is the
    // frame's, y-up in the MDI client.
    POINT ORIGIN() const override;
    void ORIGIN(const POINT& origin) override;
    using GUIOBJECT::SIZE;
    void SIZE(const DIMENSION& size) override;
    // Every control and child window of this window, in window (z) order; a shell window's
    // MDI child windows included.
    std::vector<GUIOBJECT*> GETALLCHILDREN() const;
    // The child windows of the client area in window order, as the platform walks them
    // (GW_CHILD, GW_HWNDNEXT): those that the class library did not make included, those
    // already destroyed left out.
    std::vector<QWidget*> childWindows() const;
    std::vector<CONTROL*> controls() const;
    CONTROL* controlByName(const std::string& name) const;  // by NAMESYM, ignoring case
    // Closes and destroys the window (QUERYCLOSE is not asked when forced).
    virtual void ENDWINDOW(bool force = false);
    // The window's status bar (shown below the canvas of a top-level window); the window
    // does not own it. Null when none.
    gui::STATUSBAR* STATUSBAR() const { return statusBar_; }
    virtual void STATUSBAR(gui::STATUSBAR* bar);
    // Window timer of the class library counted in seconds: TIMER() every `seconds`.
    void REGISTERTIMER(int seconds, bool oneTime = false);

    // Hooks, called by the class library.
    virtual void EXPOSE(ExposeEvent& event);
    virtual void RESIZE(ResizeEvent& event);
    virtual void MOUSEBUTTONDOWN(MouseEvent& event);
    virtual void MOUSEBUTTONUP(MouseEvent& event);
    virtual void MOUSEMOVE(MouseEvent& event);
    virtual bool QUERYCLOSE(Event& event);  // FALSE keeps the window open
    virtual void ACTIVATE(Event& event);    // the window's top-level window became active
    virtual void DEACTIVATE(Event& event);  // ... or inactive
    virtual void CLOSE(Event& event);
    virtual void BUTTONCLICK(ControlEvent& event);
    virtual void LISTBOXSELECT(ControlEvent& event);
    virtual void EDITFOCUSCHANGE(EditFocusChangeEvent& event);
    virtual void TIMER();
    virtual void DESTROY();

    // A persistent image shown in the client area behind the children (the window's
    // device context); null when the window shows only its background. Painted at (0, 0).
    virtual const QImage* screenImage() const { return nullptr; }

    // Controls register themselves with their owner.
    void addControl(CONTROL* c);
    virtual void removeControl(CONTROL* c);

protected:
    void onQtTimer(int qtTimerId) override;
    // For derived window classes that build their own frame: the first widget becomes the
    // window's widget, the second its client area (may be the same widget).
    WINDOW(WINDOW* owner, std::pair<QWidget*, QWidget*> frameAndSurface);
    void setSurface(QWidget* surface);
    // A top-level frame (Qt::Window or Qt::Dialog) whose client area is a surface widget,
    // with room for a status bar below it.
    static std::pair<QWidget*, QWidget*> makeTopFrame(WINDOW* win, Qt::WindowFlags flags);

private:
    friend class WindowWidget;
    bool handleCloseRequest();
    // Platform messages raised from the Qt events of the window's own widget.
    void frameResized(bool byWindowSystem);
    void frameStateChanged(Qt::WindowStates oldState);
    void frameActivationChanged(bool active);
    void endFrameDrag();
    bool frameDragging_ = false;
    // The resize that a minimise, maximise or restore brings is no drag step: the first one
    // after such a change (or none, within the settle time) is passed over.
    bool stateResizePending_ = false;
    QPointer<QObject> frameDragEnd_;
    QPointer<QObject> stateSettled_;
    WINDOW* owner_ = nullptr;
    QPointer<QWidget> surface_;
    BRUSH background_;
    gui::STATUSBAR* statusBar_ = nullptr;
    std::vector<CONTROL*> controls_;
    int secondsTimerQtId_ = 0;
    bool secondsTimerOnce_ = false;
    bool destroyed_ = false;
    bool forceClose_ = false;
};

// A top-level application window with a caption bar, a canvas and an optional status bar.
class TOPAPPWINDOW : public WINDOW {
public:
    explicit TOPAPPWINDOW(WINDOW* owner = nullptr);
    void STATUSBAR(gui::STATUSBAR* bar) override;
    using WINDOW::STATUSBAR;
};

// A child application window inside its owner's canvas. `managed` is the class library's
// second constructor argument; it changes nothing here.
class CHILDAPPWINDOW : public WINDOW {
public:
    explicit CHILDAPPWINDOW(WINDOW* owner, bool managed = false);
};

// An MDI shell window: a top-level window whose client area is filled by its MDI client, the
// background of its children. A window created with a shell window as its owner is an MDI
// child window: a frame of its own inside the MDI client, which the user can move, maximise
// within the client and close.
class SHELLWINDOW : public TOPAPPWINDOW {
public:
    explicit SHELLWINDOW(WINDOW* owner = nullptr);
    // The MDI client; a window without an object of the class library.
    MdiClient* MDICLIENT() const;

private:
    QPointer<QWidget> client_;
};

// A form window placed as a child of its owner. Controls created with it as owner are its
// children. The conditional-control registry switches registered controls together:
// DISABLECONDITIONALCONTROLS disables them all; ENABLECONDITIONALCONTROLS gives each back
// the state the program last set with ENABLE/DISABLE (so rules applied while the form was
// disabled survive).
class DATAWINDOW : public WINDOW {
public:
    explicit DATAWINDOW(WINDOW* owner = nullptr);
    ~DATAWINDOW() override;

    void ADDCONDITIONALCONTROL(CONTROL* c);
    void REMOVECONDITIONALCONTROL(CONTROL* c);
    void DISABLECONDITIONALCONTROLS();
    void ENABLECONDITIONALCONTROLS();
    bool conditionalControlsDisabled() const { return conditionalDisabled_; }
    void removeControl(CONTROL* c) override;  // a control that goes leaves the registry

    // The value of the control of that name (no data server is ever bound here); NIL when
    // the window has no such control.
    rt::Value FIELDGET(const std::string& name) const;
    // Sets the value of the control of that name; FALSE when there is none.
    bool FIELDPUT(const std::string& name, const rt::Value& value);
    // The form view is the only view; kept for the program's calling order.
    void VIEWAS(const std::string& view) { view_ = view; }
    const std::string& viewAs() const { return view_; }

private:
    std::vector<CONTROL*> conditional_;
    bool conditionalDisabled_ = false;
    std::string view_ = "FORMVIEW";
};

// A dialog window. A modal dialog's SHOW runs through the modal runner (dialogs.h) and
// returns when ENDDIALOG is called; RESULT is then the value given to ENDDIALOG.
class DIALOGWINDOW : public WINDOW {
public:
    explicit DIALOGWINDOW(WINDOW* owner = nullptr, bool modal = true);
    bool isModal() const { return modal_; }
    void SHOW(int state) override;
    using WINDOW::SHOW;
    void ENDDIALOG(intptr_t result = 0);
    intptr_t RESULT() const { return result_; }
    bool isEnded() const { return ended_; }
    // Width and height of a text in the dialog's font, on one line (a line break in it
    // counts as a blank).
    DIMENSION SIZETEXT(const std::string& text) const;
    void CHANGEFONT(const FONT& font, bool rescale = false);

private:
    bool modal_;
    bool ended_ = false;
    intptr_t result_ = 0;
};

}  // namespace gui
