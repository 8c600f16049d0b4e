// The menu builder: rows to menu, item states, language switch with mnemonics,
// accelerators and the tool bar, all firing the owner's methods by name.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QShortcut>
#include <QToolBar>
#include <QTest>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/window.h"
#include "test_env.h"
#include "widgets/menuextra.h"

using namespace widgets;

namespace {

using V = rt::Value;
const V NIL;

V arr(std::vector<V> e) { return V::array(std::move(e)); }
// A row: key, name, position (popups), then the optional elements 4 to 9.
V row(int key, const std::string& name, V pos = NIL, std::vector<V> more = {}) {
    std::vector<V> e{V(key), V(name), pos};
    for (auto& m : more) e.push_back(m);
    return arr(e);
}
V entry(const std::string& caption, const std::string& help = "") { return arr({V(caption), V(help)}); }

struct Owner : gui::TOPAPPWINDOW {
    std::map<std::string, int> calls;
    explicit Owner(std::vector<std::string> names = {}) {
        for (auto& n : names) registerMethod(n, [this, n] { ++calls[n]; });
    }
};

std::string caption(const V& table, size_t i) { return table.at(i).at(1).str(); }

}  // namespace

TEST(MenuExtra, BuildsPopupsItemsAndSeparatorsFromRows) {
    Owner owner;
    V def = arr({row(1, "FILE", V(0)), row(2, "OPEN"), arr({}), row(4, "QUIT", NIL, {NIL, NIL, NIL, NIL, NIL, V(-3)}),
                 row(5, "EDIT", V(1)), V("not a row"), row(6, "COPY", NIL, {NIL, NIL, NIL, NIL, NIL, V(0)})});
    V t = arr({entry("File"), entry("Open"), entry(""), entry("Quit"), entry("Edit"), entry(""), entry("Copy")});
    MENUEXTRA m(&owner, def, V(1), arr({t}));
    EXPECT_EQ(m.itemIds(), (std::vector<int>{24501, 24502, -1, 24504, 24505, -1, 24507}));
    for (size_t i = 1; i <= def.len(); ++i) EXPECT_EQ(def.at(i).len(), 9u) << i;
    EXPECT_EQ(def.at(3).at(1).num(), -1);
    EXPECT_TRUE(def.at(4).at(9).isNil());   // an image without a bitmap: no button
    EXPECT_EQ(def.at(7).at(9).num(), 0);    // a tool bar's own button stays
    EXPECT_EQ(def.at(2).at(2).str(), "OPEN");
    EXPECT_FALSE(def.at(2).at(4).log());
    EXPECT_EQ(m.shortcutMode(), 1);
    EXPECT_EQ(windowMenu(&owner), &m);

    const QList<QAction*> bar = m.qmenu()->actions();
    ASSERT_EQ(bar.size(), 2);
    ASSERT_TRUE(bar[0]->menu() && bar[1]->menu());
    EXPECT_EQ(bar[0]->menu()->actions().size(), 3);  // Open, separator, Quit
    EXPECT_TRUE(bar[0]->menu()->actions()[1]->isSeparator());
    EXPECT_EQ(bar[1]->menu()->actions().size(), 2);  // the stray row became a separator
    EXPECT_EQ(m.itemText(24501), "&File");
    EXPECT_EQ(m.itemText(24507), "&Copy");

    // Choosing an item calls the owner's method of its name.
    Owner named({"OPEN"});
    MENUEXTRA n(&named, arr({row(1, "FILE", V(0)), row(2, "open")}), V(1), arr({arr({entry("File"), entry("Open")})}));
    n.action(24502)->trigger();
    EXPECT_EQ(named.calls["OPEN"], 1);
    n.DESTROY();
}

TEST(MenuExtra, LanguageNumberTablesAndDestroy) {
    V def = arr({row(1, "FILE", V(0)), row(2, "OPEN")});
    V en = arr({entry("File"), entry("Open", "Opens a file")});
    V de = arr({entry("Datei"), entry("Öffnen")});
    struct Case {
        V lang;
        std::string text;
    } cases[] = {{V(5), "&File"}, {V(-1), "&File"}, {V("x"), "&File"}, {V(2), "&Datei"}, {V(0), ""}};
    for (const Case& c : cases) {
        Owner owner;
        MENUEXTRA m(&owner, def, c.lang, arr({en, de}));
        EXPECT_EQ(m.languageCount(), 2u);
        EXPECT_EQ(m.itemText(24501), c.text);
        EXPECT_EQ(windowMenu(&owner), &m);  // attached, with or without texts
    }
    Owner owner;
    MENUEXTRA m(&owner, def, V(1), arr({en, de}));
    EXPECT_EQ(m.HYPERLABEL(24502).DESCRIPTION(), "Opens a file");
    EXPECT_EQ(m.itemText(24502), "&Open");
    m.SPRACHE(V(2));
    EXPECT_EQ(m.itemText(24502), "&Öffnen");
    m.SPRACHE(V(0));
    m.SPRACHE(V(3));
    EXPECT_EQ(m.itemText(24502), "&Öffnen");
    // A single table replaces all languages.
    m.SPRACHEARRAY(arr({entry("Fichier"), entry("Ouvrir")}));
    EXPECT_EQ(m.languageCount(), 1u);
    EXPECT_EQ(m.itemText(24501), "&Fichier");
    m.SPRACHE(V(2));
    EXPECT_EQ(m.itemText(24501), "&Fichier");
    // No tables and language 1: nothing attached.
    Owner bare;
    MENUEXTRA none(&bare, arr({row(1, "FILE", V(0))}), V(1));
    EXPECT_EQ(windowMenu(&bare), nullptr);
    EXPECT_EQ(none.acceleratorTable(), 0u);
    none.DESTROY();  // without accelerators
}

TEST(MenuExtra, MnemonicsAreKeptCheckedOrChosen) {
    // Bar: &File, &Format, Help; File's items: Save &as, &-Test, Exit&, &Open (Ctrl+O).
    V def = arr({row(1, "FILE", V(0)), row(2, "SAVEAS"), row(3, "TEST"), row(4, "EXIT"),
                 row(5, "OPEN", NIL, {NIL, NIL, NIL, NIL, V("Ctrl+O")}), row(6, "FORMAT", V(1)), row(7, "HELP", V(2))});
    auto table = [] {
        return arr({entry("&File"), entry("Save &as"), entry("&-Test"), entry("Exit&"), entry("&Open"), entry("&Format"),
                     entry("Help")});
    };
    struct Case {
        int mode;
        std::vector<std::string> expect;
    } cases[] = {
        {1, {"&File", "Save &as", "-&Test", "&Exit", "&Open", "F&ormat", "&Help"}},
        {0, {"File", "Save as", "-Test", "Exit", "Open", "Format", "Help"}},
        {2, {"&File", "&Save as", "-&Test", "&Exit", "&Open", "F&ormat", "&Help"}},
    };
    for (const Case& c : cases) {
        Owner owner;
        V t = table();
        MENUEXTRA m(&owner, def, V(1), arr({t}), NIL, NIL, V(c.mode));
        for (size_t i = 0; i < c.expect.size(); ++i) EXPECT_EQ(caption(t, i + 1), c.expect[i]) << c.mode << " " << i;
        EXPECT_EQ(m.itemText(24505), c.expect[4] + "\tCtrl+O");
    }
    // The marks written back count as written in a later call.
    Owner owner;
    V t = table();
    MENUEXTRA m(&owner, def, V(1), arr({t}));
    m.SPRACHE(V(1));
    EXPECT_EQ(caption(t, 6), "F&ormat");
    // A short entry is completed in place.
    V shortTable = arr({arr({V("&File")}), arr({}), entry("x"), entry("y"), entry("z"), entry("q"), entry("w")});
    m.SPRACHEARRAY(shortTable);
    EXPECT_EQ(shortTable.at(2).len(), 2u);
    EXPECT_EQ(shortTable.at(1).at(2).str(), "");
}

TEST(MenuExtra, ItemStatesFollowOnMenuAndToolBar) {
    Owner owner;
    V def = arr({row(1, "FILE", V(0)), row(2, "OPEN", NIL, {V(true), NIL, NIL, NIL, NIL, V(3)}),
                 row(3, "SAVE", NIL, {NIL, V(true)})});
    MENUEXTRA m(&owner, def, V(1), arr({arr({entry("File"), entry("Open"), entry("Save")})}));
    ASSERT_NE(m.toolBar(), nullptr);
    EXPECT_TRUE(m.ISCHECKED(V(2)));
    EXPECT_TRUE(m.isChecked(24502));
    EXPECT_TRUE(m.ISDISABLED(V(3)));
    EXPECT_FALSE(m.isEnabled(24503));
    EXPECT_FALSE(m.ISCHECKED(V("2")));  // another value type is another key
    EXPECT_EQ(m.SUCHEITEM(V(3)), 24503);
    EXPECT_EQ(m.SUCHEITEM(V(9)), -1);

    const int menuCalls = m.stateCalls(), barCalls = m.toolBar()->calls();
    m.CHECKITEM(V(2));   // already checked: no call at all
    m.CHECKITEM(V(42));  // no such row
    EXPECT_EQ(m.stateCalls(), menuCalls);
    EXPECT_EQ(m.toolBar()->calls(), barCalls);

    m.UNCHECKITEM(V(2)).DISABLEITEM(V(2));
    EXPECT_FALSE(m.ISCHECKED(V(2)));
    EXPECT_FALSE(m.isChecked(24502));
    EXPECT_FALSE(def.at(2).at(4).log());
    QAction* button = m.toolBar()->items().back().action;
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(m.toolBar()->press(24502));
    m.ENABLEITEM(V(2)).CHECKITEM(V(2));
    EXPECT_TRUE(button->isEnabled() && button->isChecked());

    m.DISABLEALLITEMS();
    for (int k : {1, 2, 3}) EXPECT_TRUE(m.ISDISABLED(V(k)));
    EXPECT_FALSE(m.isEnabled(24501));
    EXPECT_FALSE(button->isEnabled());
    m.ENABLEALLITEMS();
    for (int k : {1, 2, 3}) EXPECT_FALSE(m.ISDISABLED(V(k)));
    EXPECT_TRUE(m.isEnabled(24503));
    // A disabled item is not chosen.
    Owner named({"SAVE"});
    MENUEXTRA n(&named, def, V(1), arr({arr({entry("File"), entry("Open"), entry("Save")})}));
    n.DISABLEITEM(V(3));
    EXPECT_FALSE(n.choose(24503));
    n.ENABLEITEM(V(3));
    EXPECT_TRUE(n.choose(24503));
    EXPECT_EQ(named.calls["SAVE"], 1);
}

TEST(MenuExtra, AcceleratorsFireTheOwnersMethodByName) {
    Owner owner({"OPEN", "SAVE"});
    std::vector<V> rows{row(1, "FILE", V(0)), row(2, "OPEN", NIL, {NIL, NIL, V(0x4F), V(8)}),
                        row(3, "SAVE", NIL, {NIL, NIL, V(0x71)}), row(2, "OPEN", NIL, {NIL, NIL, V(0x50), V(8)})};
    for (int k = 5; k < 30; ++k) rows.push_back(row(k, "X", NIL, {NIL, NIL, V(0x41 + (k % 26)), V(4)}));
    std::vector<V> entries;
    for (size_t i = 0; i < rows.size(); ++i) entries.push_back(entry("i" + std::to_string(i)));
    MENUEXTRA m(&owner, arr(rows), V(1), arr({arr(entries)}));
    const auto* table = acceleratorEntries(m.acceleratorTable());
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->size(), 20u);
    EXPECT_EQ((*table)[0].fVirt, 9);
    EXPECT_EQ((*table)[0].key, 0x4F);
    EXPECT_EQ((*table)[0].cmd, 24502);
    EXPECT_EQ((*table)[1].fVirt, 1);
    EXPECT_EQ((*table)[2].key, 0x50);
    EXPECT_EQ((*table)[2].cmd, 24502);  // a second row with row 2's key: row 2's command
    EXPECT_EQ(m.ACCELERATOR()->HANDLE(), m.acceleratorTable());

    // The keys reach the owner window as shortcuts that call the item's method.
    std::map<QString, QShortcut*> byKey;
    for (QShortcut* s : owner.HANDLE()->findChildren<QShortcut*>()) byKey[s->key().toString()] = s;
    ASSERT_TRUE(byKey.count("Ctrl+O") && byKey.count("F2"));
    emit byKey["Ctrl+O"]->activated();
    emit byKey["F2"]->activated();
    EXPECT_EQ(owner.calls["OPEN"], 1);
    EXPECT_EQ(owner.calls["SAVE"], 1);
    m.DISABLEITEM(V(3));
    emit byKey["F2"]->activated();
    EXPECT_EQ(owner.calls["SAVE"], 1);

    const int live = liveAcceleratorTables();
    m.DESTROY();
    EXPECT_EQ(liveAcceleratorTables(), live - 1);
    EXPECT_EQ(acceleratorKeyText(0x2E, FVIRTKEY | FSHIFT | FALT), "Alt+Shift+Del");

    // A window that goes before its menu leaves a menu that is harmless to use and delete.
    auto gone = std::make_unique<Owner>(std::vector<std::string>{"OPEN"});
    auto menu = std::make_unique<MENUEXTRA>(gone.get(), arr(rows), V(1), arr({arr(entries)}));
    gone.reset();
    EXPECT_FALSE(menu->choose(24502));
    menu->CHECKITEM(V(2)).DISABLEALLITEMS().SPRACHE(V(1));
    EXPECT_TRUE(menu->ISCHECKED(V(2)));
    menu.reset();
}

TEST(MenuExtra, TwoItemsOnOneKeyGiveTheFirstItemOnEveryPress) {
    Owner owner({"OPEN", "SAVE"});
    V def = arr({row(1, "FILE", V(0)), row(2, "OPEN", NIL, {NIL, NIL, V(0x4F), V(8)}),
                 row(3, "SAVE", NIL, {NIL, NIL, V(0x4F), V(8)})});
    MENUEXTRA m(&owner, def, V(1), arr({arr({entry("File"), entry("Open"), entry("Save")})}));
    owner.SHOW();
    QWidget* frame = owner.HANDLE();
    QApplication::setActiveWindow(frame);
    QApplication::processEvents();
    for (int press = 0; press < 3; ++press) {
        QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
        QApplication::processEvents();
    }
    EXPECT_EQ(owner.calls["OPEN"], 3);
    EXPECT_EQ(owner.calls["SAVE"], 0);
}

TEST(MenuExtra, ToolBarTextsFollowTheMenusLanguage) {
    Owner owner({"CUT"});
    V def = arr({row(1, "EDIT", V(0)), row(2, "CUT", NIL, {NIL, NIL, NIL, NIL, NIL, V(7)})});
    V de = arr({entry("Bearbeiten"), entry("&Ausschneiden", "Schneidet aus")});
    V en = arr({entry("Edit"), entry("Cu&t", "Cuts")});
    MENUEXTRA m(&owner, def, V(1), arr({de, en}));
    ASSERT_NE(m.toolBar(), nullptr);
    QAction* button = m.toolBar()->items().front().action;
    EXPECT_EQ(button->text(), "Ausschneiden");
    m.SPRACHE(V(2));
    EXPECT_EQ(button->text(), "Cut");
    EXPECT_EQ(button->toolTip(), "Cuts");
    m.SPRACHE(V(1));
    EXPECT_EQ(button->toolTip(), "Schneidet aus");
}

TEST(MenuExtra, ToolBarButtonsWithSeparatorsAndImages) {
    const auto dir = mirvano_test::temp_dir("toolbar");
    QPixmap strip(48, 16);
    strip.fill(Qt::blue);
    const std::string bmp = (dir / "tools.png").string();
    ASSERT_TRUE(strip.save(QString::fromStdString(bmp)));

    Owner owner({"NEW", "CUT", "PASTE"});
    V def = arr({row(1, "FILE", V(0), {NIL, NIL, NIL, NIL, NIL, V(5)}), row(2, "NEW"), row(3, "EDIT", V(1)),
                 row(4, "CUT", NIL, {NIL, NIL, NIL, NIL, NIL, V(7)}), row(5, "PASTE", NIL, {NIL, NIL, NIL, NIL, NIL, V(-2)})});
    V t = arr({entry("File"), entry("New"), entry("Edit"), entry("Cut", "Cuts"), entry("Paste")});
    MENUEXTRA m(&owner, def, V(1), arr({t}), NIL, V(bmp));
    MENEXTBR* tb = m.toolBar();
    ASSERT_NE(tb, nullptr);
    EXPECT_EQ(windowToolBar(&owner), tb);
    EXPECT_EQ(tb->BORDERSTYLE, 2);
    EXPECT_EQ(tb->SEPARATORSIZE, 10);
    EXPECT_TRUE(tb->bandsEnabled);
    const auto& items = tb->items();
    ASSERT_EQ(items.size(), 4u);
    const int expectNumber[] = {5, 0, 7, 133};
    const int expectMenu[] = {24501, -1, 24504, 24505};
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].number, expectNumber[i]) << i;
        EXPECT_EQ(items[i].menuId, expectMenu[i]) << i;
    }
    EXPECT_EQ(items[3].imagePos, 2);
    EXPECT_FALSE(items[3].action->icon().isNull());
    EXPECT_EQ(items[2].action->text(), "Cut");
    EXPECT_EQ(items[2].action->toolTip(), "Cuts");
    items[3].action->trigger();
    EXPECT_EQ(owner.calls["PASTE"], 1);

    // The look reaches the Qt tool bar: a row of image buttons without gaps, separators 10
    // pixels wide.
    owner.SIZE(gui::DIMENSION(600, 300));
    owner.SHOW();
    QApplication::processEvents();
    QToolBar* bar = tb->qtoolbar();
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->orientation(), Qt::Horizontal);
    EXPECT_EQ(bar->toolButtonStyle(), Qt::ToolButtonIconOnly);
    const QRect file = bar->widgetForAction(items[0].action)->geometry();
    const QRect cut = bar->widgetForAction(items[2].action)->geometry();
    const QRect paste = bar->widgetForAction(items[3].action)->geometry();
    EXPECT_EQ(paste.left(), cut.right() + 1);  // no gap between buttons
    EXPECT_EQ(cut.left() - file.right() - 1, 10);  // the separator between the groups

    // No tool-bar number anywhere: the owner's tool bar is left alone.
    Owner plain;
    MENUEXTRA n(&plain, arr({row(1, "FILE", V(0))}), V(1), arr({arr({entry("File")})}));
    EXPECT_EQ(n.toolBar(), nullptr);
    EXPECT_EQ(windowToolBar(&plain), nullptr);
}
