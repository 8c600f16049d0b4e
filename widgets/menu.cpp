#include "widgets/menu.h"

#include <QAction>
#include <QKeySequence>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QShortcut>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/gui/window.h"

namespace widgets {

namespace {

std::map<uintptr_t, std::vector<ACCEL>>& tables() {
    static std::map<uintptr_t, std::vector<ACCEL>> t;
    return t;
}
uintptr_t g_nextTable = 1;

// What a menu item or tool-bar button shows: "&" marks stay (they are Qt's mnemonics too).
QString shownText(const gui::HYPERLABEL& label) { return QString::fromStdString(label.CAPTION()); }

int qtKey(uint16_t vk) {
    if ((vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A)) return vk;  // Qt::Key_0.., Key_A.. agree
    if (vk >= 0x70 && vk <= 0x87) return Qt::Key_F1 + (vk - 0x70);
    if (vk >= 0x60 && vk <= 0x69) return Qt::Key_0 + (vk - 0x60);  // number pad digits
    switch (vk) {
    case 0x08: return Qt::Key_Backspace;
    case 0x09: return Qt::Key_Tab;
    case 0x0D: return Qt::Key_Return;
    case 0x1B: return Qt::Key_Escape;
    case 0x20: return Qt::Key_Space;
    case 0x21: return Qt::Key_PageUp;
    case 0x22: return Qt::Key_PageDown;
    case 0x23: return Qt::Key_End;
    case 0x24: return Qt::Key_Home;
    case 0x25: return Qt::Key_Left;
    case 0x26: return Qt::Key_Up;
    case 0x27: return Qt::Key_Right;
    case 0x28: return Qt::Key_Down;
    case 0x2D: return Qt::Key_Insert;
    case 0x2E: return Qt::Key_Delete;
    case 0x6A: return Qt::Key_Asterisk;
    case 0x6B: return Qt::Key_Plus;
    case 0x6D: return Qt::Key_Minus;
    case 0x6F: return Qt::Key_Slash;
    default: return 0;
    }
}

QKeySequence keySequence(uint16_t vk, uint8_t flags) {
    if (!(flags & FVIRTKEY)) {
        // A character code: the key of that character.
        if (vk == 0 || vk > 0xFF) return {};
        return QKeySequence(QString(QChar(vk)));
    }
    const int k = qtKey(vk);
    if (k == 0) return {};
    int mods = 0;
    if (flags & FSHIFT) mods |= Qt::SHIFT;
    if (flags & FCONTROL) mods |= Qt::CTRL;
    if (flags & FALT) mods |= Qt::ALT;
    return QKeySequence(k | mods);
}

// The area above a top-level window's canvas that holds its menu bar and tool bar.
QVBoxLayout* topArea(gui::WINDOW* window) {
    QWidget* frame = window ? window->HANDLE() : nullptr;
    if (!frame) return nullptr;
    auto* area = frame->findChild<QWidget*>(QStringLiteral("menuToolArea"), Qt::FindDirectChildrenOnly);
    if (!area) {
        area = new QWidget(frame);
        area->setObjectName(QStringLiteral("menuToolArea"));
        auto* l = new QVBoxLayout(area);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(0);
        if (frame->layout())
            frame->layout()->setMenuBar(area);
        area->show();
    }
    return qobject_cast<QVBoxLayout*>(area->layout());
}

const char* kMenuProp = "mirvanoMenu";
const char* kToolProp = "mirvanoToolBar";

}  // namespace

uintptr_t CreateAcceleratorTable(const std::vector<ACCEL>& entries) {
    if (entries.empty()) return 0;
    const uintptr_t h = g_nextTable++;
    tables()[h] = entries;
    return h;
}

bool DestroyAcceleratorTable(uintptr_t handle) { return tables().erase(handle) > 0; }

const std::vector<ACCEL>* acceleratorEntries(uintptr_t handle) {
    auto it = tables().find(handle);
    return it == tables().end() ? nullptr : &it->second;
}

int liveAcceleratorTables() { return static_cast<int>(tables().size()); }

std::string acceleratorKeyText(uint16_t vk, uint8_t flags) {
    return keySequence(vk, flags).toString(QKeySequence::PortableText).toStdString();
}

// --- MENU ---

MENU::MENU() : menu_(new QMenu()) {}

MENU::~MENU() {
    for (auto& s : shortcuts_) delete s.data();
    shortcuts_.clear();
    popups_.clear();
    delete bar_.data();
    delete menu_;
}

void MENU::APPENDITEM(int id, const gui::HYPERLABEL& label) {
    if (id == -1) {
        menu_->addSeparator();
        return;
    }
    QAction* a = menu_->addAction(shownText(label));
    a->setStatusTip(QString::fromStdString(label.DESCRIPTION()));
    actions_[id] = a;
    labels_[id] = label;
    // A click toggles a checkable action; the program owns the check marks, so undo it.
    QObject::connect(a, &QAction::triggered, a, [this, id, a] {
        if (a->isCheckable()) a->setChecked(!a->isChecked());
        choose(id);
    });
}

void MENU::APPENDITEM(std::unique_ptr<MENU> popup, const std::string& caption) {
    if (!popup) return;
    popup->parent_ = this;
    QAction* a = menu_->addMenu(popup->menu_);
    a->setText(QString::fromStdString(caption));
    popups_.push_back(std::move(popup));
}

void MENU::REGISTERITEM(int id, const gui::HYPERLABEL& label) {
    const MENU* m = findOwning(id);
    if (!m) return;
    auto* self = const_cast<MENU*>(m);
    self->labels_[id] = label;
    QAction* a = self->actions_[id];
    a->setText(shownText(label));
    a->setStatusTip(QString::fromStdString(label.DESCRIPTION()));
}

void MENU::REGISTERITEM(int id, const gui::HYPERLABEL& label, const MENU* handle, int position) {
    auto* target = const_cast<MENU*>(handle ? handle : this);
    QAction* a = nullptr;
    auto it = target->actions_.find(id);
    if (it != target->actions_.end()) {
        a = it->second;
    } else {
        // The popup at that position among the menu's popups (or the last appended one).
        int k = 0;
        for (QAction* act : target->menu_->actions()) {
            if (!act->menu()) continue;
            if (k++ == position) a = act;
        }
        if (!a && !target->menu_->actions().isEmpty()) a = target->menu_->actions().last();
        if (!a) return;
        target->actions_[id] = a;
    }
    target->labels_[id] = label;
    a->setText(shownText(label));
    a->setStatusTip(QString::fromStdString(label.DESCRIPTION()));
}

const MENU* MENU::findOwning(int id) const {
    if (actions_.count(id)) return this;
    for (const auto& p : popups_)
        if (const MENU* m = p->findOwning(id)) return m;
    return nullptr;
}

QAction* MENU::action(int id) const {
    const MENU* m = findOwning(id);
    return m ? m->actions_.at(id) : nullptr;
}

gui::HYPERLABEL MENU::HYPERLABEL(int id) const {
    const MENU* m = findOwning(id);
    if (!m) return {};
    auto it = m->labels_.find(id);
    return it == m->labels_.end() ? gui::HYPERLABEL() : it->second;
}

std::string MENU::itemText(int id) const {
    QAction* a = action(id);
    return a ? a->text().toStdString() : std::string();
}

void MENU::CHECKITEM(int id) {
    ++stateCalls_;
    if (QAction* a = action(id)) {
        a->setCheckable(true);
        a->setChecked(true);
    }
}

void MENU::UNCHECKITEM(int id) {
    ++stateCalls_;
    if (QAction* a = action(id)) a->setChecked(false);
}

void MENU::ENABLEITEM(int id) {
    ++stateCalls_;
    if (QAction* a = action(id)) a->setEnabled(true);
}

void MENU::DISABLEITEM(int id) {
    ++stateCalls_;
    if (QAction* a = action(id)) a->setEnabled(false);
}

bool MENU::isChecked(int id) const {
    QAction* a = action(id);
    return a && a->isChecked();
}

bool MENU::isEnabled(int id) const {
    QAction* a = action(id);
    return a && a->isEnabled();
}

bool MENU::choose(int id) {
    // Items of popups are chosen through the menu attached to the window.
    if (parent_) return parent_->choose(id);
    QAction* a = action(id);
    if (!a || !a->isEnabled()) return false;
    gui::WINDOW* w = window();
    if (!w) return false;
    return w->callMethod(HYPERLABEL(id).NAMESYM());
}

void MENU::ACCELERATOR(widgets::ACCELERATOR* acc) {
    accel_ = acc;
    if (owner_) installShortcuts();
}

void MENU::installShortcuts() {
    for (auto& s : shortcuts_) delete s.data();
    shortcuts_.clear();
    QWidget* frame = window() ? owner_->HANDLE() : nullptr;
    if (!frame || !accel_) return;
    const std::vector<ACCEL>* entries = acceleratorEntries(accel_->HANDLE());
    if (!entries) return;
    // One shortcut per key combination: two QShortcuts on the same keys would take turns on
    // each press, while the table's first entry for a key is the one that counts.
    std::vector<QKeySequence> taken;
    for (const ACCEL& e : *entries) {
        const QKeySequence seq = keySequence(e.key, e.fVirt);
        if (seq.isEmpty() || std::find(taken.begin(), taken.end(), seq) != taken.end()) continue;
        taken.push_back(seq);
        auto* s = new QShortcut(seq, frame);
        s->setContext(Qt::WindowShortcut);
        const int cmd = e.cmd;
        QObject::connect(s, &QShortcut::activated, s, [this, cmd] { choose(cmd); });
        QObject::connect(s, &QShortcut::activatedAmbiguously, s, [this, cmd] { choose(cmd); });
        shortcuts_.push_back(s);
    }
}

void MENU::attach(gui::WINDOW* owner) {
    owner_ = owner;
    ownerWidget_ = owner ? owner->HANDLE() : nullptr;
    delete bar_.data();
    QVBoxLayout* area = topArea(owner);
    auto* bar = new QMenuBar();
    bar->setNativeMenuBar(false);
    bar->addActions(menu_->actions());
    if (area) {
        area->insertWidget(0, bar);
    } else if (owner && owner->HANDLE()) {
        bar->setParent(owner->HANDLE());
    }
    bar->show();
    bar_ = bar;
    installShortcuts();
}

void MENU::DESTROY() {
    for (auto& s : shortcuts_) delete s.data();
    shortcuts_.clear();
    delete bar_.data();
    menu_->clear();
    popups_.clear();
    actions_.clear();
    labels_.clear();
    accel_ = nullptr;
}

// --- TOOLBAR ---

namespace {
// The tool bar's own measures on top of the application's style.
class ToolBarLook : public QProxyStyle {
public:
    ToolBarLook(int border, int gap, int separator) : border_(border), gap_(gap), separator_(separator) {}
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        switch (metric) {
        case PM_ToolBarFrameWidth: return border_;
        case PM_ToolBarItemSpacing: return gap_;
        case PM_ToolBarSeparatorExtent: return separator_;
        default: return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

private:
    int border_, gap_, separator_;
};
}  // namespace

TOOLBAR::TOOLBAR() : bar_(new QToolBar()) {}

TOOLBAR::~TOOLBAR() { delete bar_.data(); }

void TOOLBAR::APPENDITEM(int buttonNumber, int menuId, const QPixmap* bitmap, int imagePos) {
    ++calls_;
    if (!bar_) return;
    Button b;
    b.number = buttonNumber;
    b.menuId = menuId;
    b.imagePos = imagePos;
    if (buttonNumber == 0 && menuId == -1) {
        b.action = bar_->addSeparator();
        // The separator is a widget of its own and measures itself in the bar's look.
        if (QWidget* w = bar_->widgetForAction(b.action)) w->setStyle(bar_->style());
        items_.push_back(b);
        return;
    }
    QAction* a = bar_->addAction(QString());
    if (bitmap && !bitmap->isNull() && imagePos >= 1) {
        const int side = bitmap->height();
        a->setIcon(QIcon(bitmap->copy((imagePos - 1) * side, 0, side, side)));
    }
    b.action = a;
    setButtonTexts(b);
    QObject::connect(a, &QAction::triggered, a, [this, menuId, a] {
        if (a->isCheckable()) a->setChecked(!a->isChecked());
        press(menuId);
    });
    items_.push_back(b);
}

// A button's text and tip are those of its menu item in the menu's current language.
void TOOLBAR::setButtonTexts(const Button& b) {
    if (!b.action || b.number == 0 || !ownerWidget_) return;
    MENU* m = windowMenu(owner_);
    if (!m) return;
    const gui::HYPERLABEL l = m->HYPERLABEL(b.menuId);
    const QString t = QString::fromStdString(l.CAPTION()).section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
    const QString tip = QString::fromStdString(l.DESCRIPTION());
    b.action->setText(t);
    b.action->setToolTip(tip.isEmpty() ? t : tip);
}

void TOOLBAR::UPDATETEXTS() {
    for (const Button& b : items_) setButtonTexts(b);
}

void TOOLBAR::APPLYLOOK() {
    QToolBar* bar = bar_.data();
    if (!bar) return;
    bar->setMovable(false);
    bar->setOrientation(LOCATION == 0 || LOCATION == 2 ? Qt::Horizontal : Qt::Vertical);
    bar->setToolButtonStyle(BUTTONSTYLE == 2   ? Qt::ToolButtonTextOnly
                            : BUTTONSTYLE == 3 ? Qt::ToolButtonTextBesideIcon
                                               : Qt::ToolButtonIconOnly);
    // Border, gap and separator widths are metrics of the style the bar asks whenever it
    // lays itself out.
    QStyle* old = bar->style();
    auto* look = new ToolBarLook(std::max(0, BORDERSTYLE), std::max(0, GAPSIZE), std::max(0, SEPARATORSIZE));
    look->setParent(bar);
    bar->setStyle(look);
    for (QAction* a : bar->actions())
        if (QWidget* w = a->isSeparator() ? bar->widgetForAction(a) : nullptr) w->setStyle(look);
    if (old && old->parent() == bar) old->deleteLater();
}

bool TOOLBAR::press(int menuId) {
    for (const Button& b : items_) {
        if (b.menuId != menuId || !b.action || b.number == 0) continue;
        if (!b.action->isEnabled()) return false;
        if (!ownerWidget_) return false;
        MENU* m = windowMenu(owner_);
        if (!m) return false;
        return owner_->callMethod(m->HYPERLABEL(menuId).NAMESYM());
    }
    return false;
}

void TOOLBAR::CLICKITEM(int menuId) {
    ++calls_;
    for (Button& b : items_)
        if (b.menuId == menuId && b.action) {
            b.action->setCheckable(true);
            b.action->setChecked(true);
        }
}

void TOOLBAR::UNCLICKITEM(int menuId) {
    ++calls_;
    for (Button& b : items_)
        if (b.menuId == menuId && b.action) b.action->setChecked(false);
}

void TOOLBAR::ENABLEITEM(int menuId) {
    ++calls_;
    for (Button& b : items_)
        if (b.menuId == menuId && b.action) b.action->setEnabled(true);
}

void TOOLBAR::DISABLEITEM(int menuId) {
    ++calls_;
    for (Button& b : items_)
        if (b.menuId == menuId && b.action) b.action->setEnabled(false);
}

// --- window properties ---

void setWindowMenu(gui::WINDOW* window, MENU* menu) {
    if (!window || !window->HANDLE()) return;
    if (MENU* old = windowMenu(window); old && old != menu) {
        delete old->bar_.data();
        for (auto& s : old->shortcuts_) delete s.data();
        old->shortcuts_.clear();
        old->owner_ = nullptr;
    }
    window->HANDLE()->setProperty(kMenuProp, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(menu)));
    if (menu) menu->attach(window);
}

MENU* windowMenu(const gui::WINDOW* window) {
    if (!window || !window->HANDLE()) return nullptr;
    return reinterpret_cast<MENU*>(window->HANDLE()->property(kMenuProp).value<quintptr>());
}

void setWindowToolBar(gui::WINDOW* window, TOOLBAR* toolbar) {
    if (!window || !window->HANDLE()) return;
    if (TOOLBAR* old = windowToolBar(window); old && old != toolbar) {
        if (old->bar_) {
            old->bar_->hide();
            old->bar_->setParent(nullptr);
        }
        old->owner_ = nullptr;
    }
    window->HANDLE()->setProperty(kToolProp, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(toolbar)));
    if (!toolbar) return;
    toolbar->owner_ = window;
    toolbar->ownerWidget_ = window->HANDLE();
    if (!toolbar->bar_) return;
    toolbar->APPLYLOOK();
    if (QVBoxLayout* area = topArea(window))
        area->addWidget(toolbar->bar_);
    else
        toolbar->bar_->setParent(window->HANDLE());
    toolbar->bar_->show();
}

TOOLBAR* windowToolBar(const gui::WINDOW* window) {
    if (!window || !window->HANDLE()) return nullptr;
    return reinterpret_cast<TOOLBAR*>(window->HANDLE()->property(kToolProp).value<quintptr>());
}

}  // namespace widgets
