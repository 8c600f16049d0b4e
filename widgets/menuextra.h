#pragma once
// A window's whole menu bar, keyboard accelerators and matching tool bar, built from one
// nested array of description rows (one per popup, item or separator). Captions and help
// texts come from per-language tables, so the menu can switch language at run time, with
// keyboard mnemonics ("&" marks) kept, checked for clashes or chosen automatically. Items
// are addressed by the key of their row.
//
// A description row: {key, name, position, checked, disabled, accelerator key, accelerator
// flags, shortcut text, tool-bar button}; see menuextra.cpp. A language table has one entry
// {caption, help text} per row.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "platform/runtime/value.h"
#include "widgets/menu.h"

namespace gui {
class WINDOW;
}

namespace widgets {

inline constexpr int kMenuFirstId = 24500;  // row r has the id 24500 + r
inline constexpr size_t kMaxAccelerators = 20;
inline constexpr int kFirstImageButton = 133;

// An accelerator object wrapping a table made at run time; it releases nothing itself.
class MENUEXACC : public ACCELERATOR {
public:
    explicit MENUEXACC(uintptr_t table) : hTable(table) {}
    uintptr_t HANDLE() const override { return hTable; }

private:
    uintptr_t hTable;
};

// The tool bar with its fixed look.
class MENEXTBR : public TOOLBAR {
public:
    MENEXTBR();
};

class MENUEXTRA : public MENU {
public:
    // owner: the window that shows the menu and tool bar; definition: the rows (completed
    // in place to nine elements each); language: the number to show (0 none; anything
    // else out of range 1); tables: a list of language tables; autoUpdate: a number for
    // SETAUTOUPDATE; bitmapName: a Qt resource (":/name") or file holding the tool-bar
    // images in a strip of squares; shortcutMode: 0 no marks, 1 (default) keep and add,
    // 2 or more all chosen anew.
    MENUEXTRA(gui::WINDOW* owner, const rt::Value& definition, const rt::Value& language = rt::Value(),
              const rt::Value& tables = rt::Value(), const rt::Value& autoUpdate = rt::Value(),
              const rt::Value& bitmapName = rt::Value(), const rt::Value& shortcutMode = rt::Value());
    ~MENUEXTRA() override;

    void DESTROY() override;

    int SUCHEITEM(const rt::Value& key) const;
    MENUEXTRA& CHECKITEM(const rt::Value& key);
    MENUEXTRA& UNCHECKITEM(const rt::Value& key);
    MENUEXTRA& DISABLEITEM(const rt::Value& key);
    MENUEXTRA& ENABLEITEM(const rt::Value& key);
    bool ISCHECKED(const rt::Value& key) const;
    bool ISDISABLED(const rt::Value& key) const;
    MENUEXTRA& DISABLEALLITEMS();
    MENUEXTRA& ENABLEALLITEMS();
    MENUEXTRA& SPRACHE(const rt::Value& language);
    MENUEXTRA& SPRACHEARRAY(const rt::Value& table);
    MENUEXTRA& SHORTCUT(const rt::Value& mode);

    const rt::Value& definition() const { return aMenuDef; }
    const std::vector<int>& itemIds() const { return aItemIds; }
    size_t languageCount() const { return aLangTables.size(); }
    uintptr_t acceleratorTable() const { return hAccel; }
    uint16_t shortcutMode() const { return wShortcutMode; }
    MENEXTBR* toolBar() const { return toolBar_.get(); }

private:
    rt::Value row(size_t i) const { return aMenuDef.at(i + 1); }
    int findRow(const rt::Value& key) const;  // row index or -1
    void setState(const rt::Value& key, int element, bool from, bool to);
    void setAll(bool disabled);
    void buildAccelerators();
    void buildToolBar(bool anyNegative, const std::string& bitmapName);

    rt::Value aMenuDef;
    std::vector<int> aItemIds;
    std::vector<rt::Value> aLangTables;
    gui::WINDOW* oOwner = nullptr;
    QPointer<QWidget> ownerWidget_;  // null once the owner window is gone
    uintptr_t hAccel = 0;
    uint16_t wShortcutMode = 1;
    std::unique_ptr<MENUEXACC> accel_;
    std::unique_ptr<MENEXTBR> toolBar_;
};

}  // namespace widgets
