#include "widgets/menuextra.h"

#include <QPixmap>
#include <QString>
#include <map>
#include <set>

#include "functions/charselect.h"
#include "platform/gui/window.h"

namespace widgets {

namespace {

constexpr int kBarLevel = -1;

bool isSeparatorKey(const rt::Value& key) { return key.isNumber() && key.num() == -1; }

bool sameKey(const rt::Value& a, const rt::Value& b) {
    if (a.type() != b.type()) return false;
    if (a.isNumber()) return a.num() == b.num();
    if (a.isString()) return a.str() == b.str();
    return a.same(b);
}

// A mnemonic character is a digit, a letter a to z or an ANSI character 0xDF to 0xFF (in
// lower case).
bool acceptable(QChar lower) {
    if (lower.unicode() > 0xFF) return false;
    return !::FASTANSISELECT(std::string(1, static_cast<char>(lower.unicode())), 0x450).empty();
}

bool blank(const QString& s) { return s.trimmed().isEmpty(); }

rt::Value& element(rt::Array& r, size_t i1) { return r[i1 - 1]; }

}  // namespace

MENEXTBR::MENEXTBR() {
    LOCATION = 0;
    BORDERSTYLE = 2;
    BUTTONSTYLE = 1;
    GAPSIZE = 0;
    SEPARATORSIZE = 10;
    ENABLEBANDS(true);
}

MENUEXTRA::MENUEXTRA(gui::WINDOW* owner, const rt::Value& definition, const rt::Value& language,
                     const rt::Value& tables, const rt::Value& autoUpdate, const rt::Value& bitmapName,
                     const rt::Value& shortcutMode) {
    oOwner = owner;
    ownerWidget_ = owner ? owner->HANDLE() : nullptr;
    aMenuDef = definition.isArray() ? definition : rt::Value::array();

    // Language tables: a list of tables, or one table given directly.
    if (tables.isArray() && tables.len() > 0) {
        const rt::Value first = tables.at(1);
        const bool firstIsTable = first.isArray() && first.len() > 0 && first.at(1).isArray();
        if (first.isArray() && firstIsTable) {
            for (size_t i = 1; i <= tables.len(); ++i) {
                const rt::Value t = tables.at(i);
                if (!t.isArray() || t.len() == 0) break;
                aLangTables.push_back(t);
            }
        } else if (first.isArray()) {
            // The entries are {caption, help} pairs: the argument itself is one table.
            aLangTables.push_back(tables);
        }
    }
    int lang = 1;
    if (language.isNumber()) {
        const double n = language.num();
        lang = (n < 0 || n > static_cast<double>(aLangTables.size())) ? 1 : static_cast<int>(n);
    }
    wShortcutMode = shortcutMode.isNumber() ? static_cast<uint16_t>(static_cast<int64_t>(shortcutMode.num())) : 1;

    const bool haveBitmap = bitmapName.isString();
    rt::Array& rows = *aMenuDef.arr();
    bool anyButton = false, anyNegative = false;
    aItemIds.clear();
    for (size_t r = 0; r < rows.size(); ++r) {
        rt::Value& rowValue = rows[r];
        if (!rowValue.isArray() || rowValue.len() == 0) rowValue = rt::Value::array({rt::Value(-1)});
        rt::Array& e = *rowValue.arr();
        const rt::Value defaults[9] = {rt::Value(-1), rt::Value("DUMMY"), {}, rt::Value(false), rt::Value(false),
                                       {},            {},                 {}, {}};
        if (e.size() > 9) e.resize(9);
        while (e.size() < 9) e.push_back(defaults[e.size()]);
        if (!element(e, 2).isString()) element(e, 2) = rt::Value("DUMMY");
        if (!element(e, 4).isLogical()) element(e, 4) = rt::Value(false);
        if (!element(e, 5).isLogical()) element(e, 5) = rt::Value(false);
        rt::Value& tb = element(e, 9);
        if (!tb.isNumber() || (tb.num() < 0 && !haveBitmap)) tb = rt::Value();
        if (tb.isNumber()) {
            anyButton = true;
            if (tb.num() < 0) anyNegative = true;
        }
        aItemIds.push_back(isSeparatorKey(element(e, 1)) ? -1 : kMenuFirstId + static_cast<int>(r) + 1);
    }

    // The menu: popups on the bar, items and separators in the popup above them. Rows
    // before the first popup have no popup to go to and are left out.
    std::unique_ptr<MENU> popup;
    int popupRow = -1;
    auto flush = [&] {
        if (!popup) return;
        APPENDITEM(std::move(popup), "");
        const rt::Value pr = row(static_cast<size_t>(popupRow));
        REGISTERITEM(aItemIds[popupRow], gui::HYPERLABEL(pr.at(2).str()), HANDLE(), static_cast<int>(pr.at(3).num()));
    };
    for (size_t r = 0; r < rows.size(); ++r) {
        const rt::Value rw = row(r);
        const bool separator = isSeparatorKey(rw.at(1));
        if (!separator && rw.at(3).isNumber()) {
            flush();
            popup = std::make_unique<MENU>();
            popupRow = static_cast<int>(r);
        } else if (!popup) {
            continue;
        } else if (separator) {
            popup->APPENDITEM(-1);
        } else {
            popup->APPENDITEM(aItemIds[r], gui::HYPERLABEL(rw.at(2).str()));
        }
    }
    flush();

    buildAccelerators();
    if (autoUpdate.isNumber()) SETAUTOUPDATE(static_cast<int>(autoUpdate.num()));
    if (lang > 0)
        SPRACHE(rt::Value(lang));
    else if (ownerWidget_)
        setWindowMenu(oOwner, this);
    if (anyButton) buildToolBar(anyNegative, haveBitmap ? bitmapName.str() : std::string());
}

MENUEXTRA::~MENUEXTRA() {
    if (!ownerWidget_) oOwner = nullptr;
    if (oOwner && windowMenu(oOwner) == this) setWindowMenu(oOwner, nullptr);
    if (oOwner && toolBar_ && windowToolBar(oOwner) == toolBar_.get()) setWindowToolBar(oOwner, nullptr);
    if (hAccel) DestroyAcceleratorTable(hAccel);
}

void MENUEXTRA::buildAccelerators() {
    std::vector<ACCEL> entries;
    for (size_t r = 0; r < aMenuDef.len() && entries.size() < kMaxAccelerators; ++r) {
        const rt::Value rw = row(r);
        if (!rw.at(6).isNumber()) continue;
        ACCEL a;
        a.key = static_cast<uint16_t>(static_cast<int64_t>(rw.at(6).num()));
        a.fVirt = static_cast<uint8_t>(FVIRTKEY | (rw.at(7).isNumber() ? static_cast<int64_t>(rw.at(7).num()) : 0));
        a.cmd = static_cast<uint16_t>(SUCHEITEM(rw.at(1)));
        entries.push_back(a);
    }
    if (entries.empty()) return;
    hAccel = CreateAcceleratorTable(entries);
    accel_ = std::make_unique<MENUEXACC>(hAccel);
    ACCELERATOR(accel_.get());
}

void MENUEXTRA::buildToolBar(bool anyNegative, const std::string& bitmapName) {
    toolBar_ = std::make_unique<MENEXTBR>();
    setWindowToolBar(oOwner, toolBar_.get());
    QPixmap bitmap;
    if (anyNegative) {
        const QString name = QString::fromStdString(bitmapName);
        if (!bitmap.load(QStringLiteral(":/") + name)) bitmap.load(name);
    }
    bool separatorDue = false;
    int counter = kFirstImageButton - 1;
    for (size_t r = 0; r < aMenuDef.len(); ++r) {
        const rt::Value rw = row(r);
        if (rw.at(3).isNumber() && rw.at(3).num() > 0) separatorDue = true;
        const rt::Value tb = rw.at(9);
        if (!tb.isNumber()) continue;
        if (separatorDue) {
            toolBar_->APPENDITEM(0);
            separatorDue = false;
        }
        if (tb.num() >= 0) {
            toolBar_->APPENDITEM(static_cast<int>(tb.num()), aItemIds[r]);
        } else {
            ++counter;
            toolBar_->APPENDITEM(counter, aItemIds[r], &bitmap, static_cast<int>(-tb.num()));
        }
    }
}

void MENUEXTRA::DESTROY() {
    MENU::DESTROY();
    if (!ownerWidget_) oOwner = nullptr;
    if (oOwner && windowMenu(oOwner) == this) setWindowMenu(oOwner, nullptr);
    DestroyAcceleratorTable(hAccel);
    hAccel = 0;
    accel_.reset();
    aMenuDef = rt::Value();
    aItemIds.clear();
    aLangTables.clear();
    oOwner = nullptr;
}

int MENUEXTRA::findRow(const rt::Value& key) const {
    for (size_t r = 0; r < aMenuDef.len(); ++r)
        if (sameKey(row(r).at(1), key)) return static_cast<int>(r);
    return -1;
}

int MENUEXTRA::SUCHEITEM(const rt::Value& key) const {
    const int r = findRow(key);
    return r < 0 ? -1 : aItemIds[r];
}

void MENUEXTRA::setState(const rt::Value& key, int element, bool from, bool to) {
    const int id = SUCHEITEM(key);
    if (id == -1) return;
    const int r = findRow(key);
    rt::Array& e = *row(r).arr();
    if (e[element - 1].log() != from) return;
    e[element - 1] = rt::Value(to);
    TOOLBAR* tb = oOwner && ownerWidget_ ? windowToolBar(oOwner) : nullptr;
    const bool button = !e[8].isNil() && tb;
    if (element == 4) {
        to ? MENU::CHECKITEM(id) : MENU::UNCHECKITEM(id);
        if (button) to ? tb->CLICKITEM(id) : tb->UNCLICKITEM(id);
    } else {
        to ? MENU::DISABLEITEM(id) : MENU::ENABLEITEM(id);
        if (button) to ? tb->DISABLEITEM(id) : tb->ENABLEITEM(id);
    }
}

MENUEXTRA& MENUEXTRA::CHECKITEM(const rt::Value& key) { return setState(key, 4, false, true), *this; }
MENUEXTRA& MENUEXTRA::UNCHECKITEM(const rt::Value& key) { return setState(key, 4, true, false), *this; }
MENUEXTRA& MENUEXTRA::DISABLEITEM(const rt::Value& key) { return setState(key, 5, false, true), *this; }
MENUEXTRA& MENUEXTRA::ENABLEITEM(const rt::Value& key) { return setState(key, 5, true, false), *this; }

bool MENUEXTRA::ISCHECKED(const rt::Value& key) const {
    const int r = findRow(key);
    return r >= 0 && row(r).at(4).log();
}

bool MENUEXTRA::ISDISABLED(const rt::Value& key) const {
    const int r = findRow(key);
    return r >= 0 && row(r).at(5).log();
}

void MENUEXTRA::setAll(bool disabled) {
    TOOLBAR* tb = oOwner && ownerWidget_ ? windowToolBar(oOwner) : nullptr;
    for (size_t r = 0; r < aMenuDef.len(); ++r) {
        rt::Array& e = *row(r).arr();
        if (e.size() < 9 || e[4].log() == disabled) continue;
        e[4] = rt::Value(disabled);
        const int id = aItemIds[r];
        disabled ? MENU::DISABLEITEM(id) : MENU::ENABLEITEM(id);
        if (!e[8].isNil() && tb) disabled ? tb->DISABLEITEM(id) : tb->ENABLEITEM(id);
    }
}

MENUEXTRA& MENUEXTRA::DISABLEALLITEMS() { return setAll(true), *this; }
MENUEXTRA& MENUEXTRA::ENABLEALLITEMS() { return setAll(false), *this; }

MENUEXTRA& MENUEXTRA::SHORTCUT(const rt::Value& mode) {
    if (mode.isNumber()) wShortcutMode = static_cast<uint16_t>(static_cast<int64_t>(mode.num()));
    return *this;
}

MENUEXTRA& MENUEXTRA::SPRACHEARRAY(const rt::Value& table) {
    if (!table.isArray()) return *this;
    aLangTables.assign(1, table);
    return SPRACHE(rt::Value(1));
}

MENUEXTRA& MENUEXTRA::SPRACHE(const rt::Value& language) {
    if (!language.isNumber()) return *this;
    const double n = language.num();
    if (n < 1 || n > static_cast<double>(aLangTables.size())) return *this;
    const rt::Value table = aLangTables[static_cast<size_t>(n) - 1];
    const int mode = wShortcutMode;
    const size_t count = aMenuDef.len();

    // Captions of the rows, each popup's items forming one level (its row number) and the
    // popups the bar's level.
    std::vector<QString> caption(count), help(count);
    std::vector<int> level(count, kBarLevel);
    std::vector<bool> popupRow(count, false), skip(count, false);
    int current = kBarLevel;
    for (size_t r = 0; r < count; ++r) {
        const rt::Value rw = row(r);
        skip[r] = isSeparatorKey(rw.at(1));
        if (skip[r]) continue;
        popupRow[r] = rw.at(3).isNumber();
        level[r] = popupRow[r] ? kBarLevel : current;
        if (popupRow[r]) current = static_cast<int>(r);
        rt::Value entry = table.at(r + 1);
        if (entry.isArray()) {
            rt::Array& e = *entry.arr();
            while (e.size() < 2) e.push_back(rt::Value(""));
        }
        caption[r] = QString::fromStdString(entry.at(1).isString() ? entry.at(1).str() : std::string());
        help[r] = QString::fromStdString(entry.at(2).isString() ? entry.at(2).str() : std::string());
    }

    std::map<int, std::set<char16_t>> taken, reserved;
    // First pass: written marks kept where free and acceptable (mode 1), removed otherwise;
    // unmarked captions reserve their first character.
    for (size_t r = 0; r < count; ++r) {
        if (skip[r]) continue;
        QString& c = caption[r];
        const int lv = level[r];
        if (mode == 1 && !blank(c)) {
            const int amp = c.indexOf(QLatin1Char('&'));
            if (amp >= 0) {
                const bool hasChar = amp + 1 < c.size();
                const QChar mark = hasChar ? c[amp + 1].toLower() : QChar();
                if (!hasChar || taken[lv].count(mark.unicode()) || !acceptable(mark))
                    c.remove(QLatin1Char('&'));
                else
                    taken[lv].insert(mark.unicode());
            }
        } else if (mode != 1) {
            c.remove(QLatin1Char('&'));
        }
        if (mode >= 1 && !c.contains(QLatin1Char('&')) && !c.isEmpty()) reserved[lv].insert(c[0].toLower().unicode());
    }
    // Second pass: a chosen mark for every caption still without one, then the texts.
    for (size_t r = 0; r < count; ++r) {
        if (skip[r]) continue;
        QString& c = caption[r];
        const int lv = level[r];
        if (mode >= 1 && !blank(c) && !c.contains(QLatin1Char('&'))) {
            for (int j = 0; j < c.size(); ++j) {
                const QChar lc = c[j].toLower();
                if (!acceptable(lc)) continue;
                if (j > 0 && reserved[lv].count(lc.unicode())) continue;
                if (taken[lv].count(lc.unicode())) continue;
                taken[lv].insert(lc.unicode());
                c.insert(j, QLatin1Char('&'));
                break;
            }
        }
        const rt::Value rw = row(r);
        rt::Value entry = table.at(r + 1);
        if (entry.isArray()) (*entry.arr())[0] = rt::Value(c.toStdString());
        std::string shown = c.toStdString();
        if (rw.at(8).isString()) shown += "\t" + rw.at(8).str();
        const int id = aItemIds[r];
        const gui::HYPERLABEL label(HYPERLABEL(id).NAMESYM().empty() ? rw.at(2).str() : HYPERLABEL(id).NAMESYM(),
                                    shown, help[r].toStdString(), "");
        if (popupRow[r]) {
            REGISTERITEM(id, label, HANDLE(), static_cast<int>(rw.at(3).num()));
            continue;
        }
        REGISTERITEM(id, label);
        if (rw.at(4).log()) MENU::CHECKITEM(id);
        if (rw.at(5).log()) MENU::DISABLEITEM(id);
    }
    if (ownerWidget_) setWindowMenu(oOwner, this);
    if (toolBar_) toolBar_->UPDATETEXTS();
    return *this;
}

}  // namespace widgets
