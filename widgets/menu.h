#pragma once
// Menus, accelerator tables and tool bars of the class library over Qt (QMenu, QMenuBar,
// QShortcut, QToolBar), and the menu and tool-bar properties of a top-level window.
//
// A MENU is a list of items (id, hyper-label), separators and popups (MENUs it holds). The
// window it is attached to shows it as its menu bar; choosing an item calls the window's
// method named by the item's hyper-label (window.h), as a push button does. A disabled
// item is never chosen, neither by the mouse nor by its accelerator.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QMenuBar>
#include <QPointer>
#include <QShortcut>
#include <QToolBar>

#include "platform/gui/gdiobjects.h"

class QAction;
class QMenu;
class QPixmap;

namespace gui {
class WINDOW;
}

namespace widgets {

class MENU;
class TOOLBAR;

// Modifier flags of an accelerator entry.
inline constexpr uint8_t FVIRTKEY = 0x01;
inline constexpr uint8_t FSHIFT = 0x04;
inline constexpr uint8_t FCONTROL = 0x08;
inline constexpr uint8_t FALT = 0x10;

struct ACCEL {
    uint8_t fVirt = 0;
    uint16_t key = 0;
    uint16_t cmd = 0;
};

// Accelerator tables made at run time: a handle (never 0) to a copy of the entries.
uintptr_t CreateAcceleratorTable(const std::vector<ACCEL>& entries);
bool DestroyAcceleratorTable(uintptr_t handle);
const std::vector<ACCEL>* acceleratorEntries(uintptr_t handle);  // null for a bad handle
int liveAcceleratorTables();
// The Qt key combination of a virtual-key code with its flags; empty when unknown.
std::string acceleratorKeyText(uint16_t vk, uint8_t flags);

// An accelerator object: gives the table handle that a menu's ACCELERATOR uses.
class ACCELERATOR {
public:
    virtual ~ACCELERATOR() = default;
    virtual uintptr_t HANDLE() const = 0;
};

class MENU {
public:
    MENU();
    virtual ~MENU();
    MENU(const MENU&) = delete;
    MENU& operator=(const MENU&) = delete;

    // An item with its id and label; -1 alone a separator.
    void APPENDITEM(int id, const gui::HYPERLABEL& label = gui::HYPERLABEL());
    // A popup; this menu owns it from here on.
    void APPENDITEM(std::unique_ptr<MENU> popup, const std::string& caption);
    // Gives item `id` its label (caption after "&" marks and an optional TAB and shortcut
    // text; the description becomes its status tip). With a menu handle and a position the
    // id names the popup at that position of that menu.
    void REGISTERITEM(int id, const gui::HYPERLABEL& label);
    void REGISTERITEM(int id, const gui::HYPERLABEL& label, const MENU* handle, int position);
    gui::HYPERLABEL HYPERLABEL(int id) const;
    const MENU* HANDLE() const { return this; }
    void CHECKITEM(int id);
    void UNCHECKITEM(int id);
    void ENABLEITEM(int id);
    void DISABLEITEM(int id);
    bool isChecked(int id) const;
    bool isEnabled(int id) const;
    void SETAUTOUPDATE(int n) { autoUpdate_ = n; }
    int autoUpdate() const { return autoUpdate_; }
    // The accelerator object; the menu does not own it.
    widgets::ACCELERATOR* ACCELERATOR() const { return accel_; }
    void ACCELERATOR(widgets::ACCELERATOR* acc);
    // Releases the popups and their items.
    virtual void DESTROY();

    // Chooses item `id` as the user would: calls the owner window's method of its name
    // unless the item is disabled. FALSE when nothing was called.
    bool choose(int id);
    // The shown text of an item (with its "&" and TAB part), "" when none.
    std::string itemText(int id) const;
    QMenu* qmenu() const { return menu_; }
    QAction* action(int id) const;  // searched in the popups too
    // Number of platform calls made on the items (check, enable states), for tests.
    int stateCalls() const { return stateCalls_; }
    gui::WINDOW* window() const { return ownerWidget_ ? owner_ : nullptr; }

private:
    friend void setWindowMenu(gui::WINDOW*, MENU*);
    void attach(gui::WINDOW* owner);
    void installShortcuts();
    const MENU* findOwning(int id) const;

    QMenu* menu_;
    std::vector<std::unique_ptr<MENU>> popups_;
    std::map<int, QAction*> actions_;
    std::map<int, gui::HYPERLABEL> labels_;
    widgets::ACCELERATOR* accel_ = nullptr;
    std::vector<QPointer<QShortcut>> shortcuts_;
    gui::WINDOW* owner_ = nullptr;
    QPointer<QWidget> ownerWidget_;  // null once the window is gone
    MENU* parent_ = nullptr;  // the menu holding this popup
    QPointer<QMenuBar> bar_;
    int autoUpdate_ = 0;
    int stateCalls_ = 0;
};

// A tool bar of buttons that issue the commands of menu items.
class TOOLBAR {
public:
    TOOLBAR();
    virtual ~TOOLBAR();
    TOOLBAR(const TOOLBAR&) = delete;
    TOOLBAR& operator=(const TOOLBAR&) = delete;

    // A single 0 appends a separator gap; otherwise a button with its number that issues
    // menu item `menuId`, showing image `imagePos` (from 1) of `bitmap` when given: the
    // bitmap is a strip of square images as high as the bitmap.
    void APPENDITEM(int buttonNumber, int menuId = -1, const QPixmap* bitmap = nullptr, int imagePos = 0);
    void CLICKITEM(int menuId);
    void UNCLICKITEM(int menuId);
    void ENABLEITEM(int menuId);
    void DISABLEITEM(int menuId);

    // The look, applied to the Qt tool bar when it is given to a window (APPLYLOOK):
    // LOCATION 0 and 2 lay the buttons in a row, other values in a column; BORDERSTYLE is
    // the width of the bar's frame in pixels; BUTTONSTYLE 1 shows a button's image (its
    // text when it has none), 2 its text, 3 both; GAPSIZE is the room between buttons and
    // SEPARATORSIZE the width of a separator gap.
    int LOCATION = 0, BORDERSTYLE = 0, BUTTONSTYLE = 0, GAPSIZE = 0, SEPARATORSIZE = 0;
    bool bandsEnabled = false;
    void ENABLEBANDS(bool on) { bandsEnabled = on; }
    void APPLYLOOK();
    // The buttons' texts and tips from their menu items again (after a language switch).
    void UPDATETEXTS();

    struct Button {
        int number = 0;  // 0 for a separator
        int menuId = -1;
        int imagePos = 0;
        QAction* action = nullptr;
    };
    const std::vector<Button>& items() const { return items_; }
    QToolBar* qtoolbar() const { return bar_.data(); }
    // Presses button of `menuId` as the user would; FALSE when it is missing or disabled.
    bool press(int menuId);
    int calls() const { return calls_; }

private:
    friend void setWindowToolBar(gui::WINDOW*, TOOLBAR*);
    void setButtonTexts(const Button& b);
    QPointer<QToolBar> bar_;
    std::vector<Button> items_;
    gui::WINDOW* owner_ = nullptr;
    QPointer<QWidget> ownerWidget_;
    int calls_ = 0;
};

// The menu and tool-bar properties of a window (the window does not own them). Assigning a
// menu shows it as the window's menu bar and makes its accelerators work in that window.
void setWindowMenu(gui::WINDOW* window, MENU* menu);
MENU* windowMenu(const gui::WINDOW* window);
void setWindowToolBar(gui::WINDOW* window, TOOLBAR* toolbar);
TOOLBAR* windowToolBar(const gui::WINDOW* window);

}  // namespace widgets
