#include "platform/gui/controls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "platform/gui/geometry.h"

namespace gui {

namespace {
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
inline constexpr uint32_t WS_DISABLED = 0x08000000;

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }

int parentSurfaceHeight(WINDOW* owner) {
    return owner && owner->surface() ? owner->surface()->height() : 0;
}

// Radio and check indicators sized to the caption's font, not to the button: buttons of
// one group differ in height, their circles must not. A template's lowest buttons are 7
// dialog units high, 7/8 of its font's height, which the indicator must fit.
class FittingIndicatorStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        const int value = QProxyStyle::pixelMetric(metric, option, widget);
        if (widget && (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight ||
                       metric == PM_ExclusiveIndicatorWidth || metric == PM_ExclusiveIndicatorHeight))
            return std::min(value, std::max(8, QFontMetrics(widget->font()).height() * 7 / 8 - 1));
        return value;
    }
};

// A group frame drawn as the platform draws it: an etched line whose top runs through the
// middle of the caption, so the first row of controls, placed right below the caption,
// leaves it visible.
class GroupFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QFontMetrics fm(font());
        const int lineY = fm.height() / 2;
        const QRect frame = rect().adjusted(0, lineY, -1, -1);
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(frame.adjusted(0, 0, -1, -1));
        p.setPen(palette().color(QPalette::Light));
        p.drawRect(frame.adjusted(1, 1, 0, 0));
        const QString text = title();
        if (text.isEmpty()) return;
        const int inset = fm.averageCharWidth();
        const QRect caption(inset, 0, fm.horizontalAdvance(text) + 4, fm.height());
        p.fillRect(caption, palette().brush(QPalette::Window));
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        p.drawText(caption.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text);
    }
};

// The platform's grey for the text of a disabled control: dark enough to read on a coloured
// background.
const QColor kGrayText(109, 109, 109);

QStyle* fittingIndicatorStyle() {
    static QStyle* style = new FittingIndicatorStyle();  // lives as long as the process
    return style;
}

// A radio button outside any group stays pressed when clicked again, as an auto radio
// button does.
class AutoRadio : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    void nextCheckState() override {
        if (group()) QRadioButton::nextCheckState();
        else if (!isChecked()) setChecked(true);
    }
};

// An edit that tells its control when it gains or loses the focus.
class EditWidget : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* e) override {
        auto* edit = dynamic_cast<SINGLELINEEDIT*>(GUIOBJECT::fromHandle(this));
        int pos = cursorPosition();
        int selStart = selectionStart();
        int selLen = selectedText().size();
        QLineEdit::focusInEvent(e);
        if (!edit) return;
        switch (edit->FOCUSSELECT()) {
        case 1: selectAll(); break;
        case 2: home(false); break;
        case 3: end(false); break;
        default:
            if (selStart >= 0 && selLen > 0) setSelection(selStart, selLen);
            else {
                deselect();
                setCursorPosition(pos);
            }
            break;
        }
        edit->focusChanged(true);
    }
    void focusOutEvent(QFocusEvent* e) override {
        QLineEdit::focusOutEvent(e);
        if (auto* edit = dynamic_cast<SINGLELINEEDIT*>(GUIOBJECT::fromHandle(this))) edit->focusChanged(false);
    }
};

// A list that reports every pick of an item by the user: each mouse click on an item (also
// on the item already selected, so one click inserts one item) and each selection change
// made with the keyboard. Selection changes while the mouse is down are the click's own.
class PickList : public QListWidget {
public:
    using QListWidget::QListWidget;
    std::function<void()> picked;
    bool* programmatic = nullptr;
    bool mouseActive = false;

    void selectionChangedByUser() {
        if (!mouseActive && !(programmatic && *programmatic) && picked) picked();
    }

protected:
    void mousePressEvent(QMouseEvent* e) override {
        mouseActive = true;
        QListWidget::mousePressEvent(e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        mouseActive = true;
        QListWidget::mouseDoubleClickEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        QListWidget::mouseReleaseEvent(e);
        bool onItem = itemAt(e->position().toPoint()) != nullptr;
        mouseActive = false;
        if (onItem && isEnabled() && picked) picked();
    }
};

int compareNoCase(const std::string& a, const std::string& b) {
    int c = qs(a).compare(qs(b), Qt::CaseInsensitive);
    return c;
}

bool startsWithNoCase(const QString& text, const QString& prefix) { return text.startsWith(prefix, Qt::CaseInsensitive); }

// FINDITEM over a list widget: from the item after `start` to the end, then from the top.
int findIn(const QListWidget* list, const std::string& text, bool exact, int start) {
    if (!list) return 0;
    int n = list->count();
    if (n == 0) return 0;
    QString t = qs(text);
    int from = (start < 0 || start >= n) ? 0 : start;
    for (int k = 0; k < n; ++k) {
        int i = (from + k) % n;
        QString item = list->item(i)->text();
        bool hit = exact ? item.compare(t, Qt::CaseInsensitive) == 0 : startsWithNoCase(item, t);
        if (hit) return i + 1;
    }
    return 0;
}

int sortedPosition(const QListWidget* list, const std::string& text);

// Item lists of list boxes and combo boxes: the Qt list holds the texts, `values` the value
// paired with each item, in the same order; positions are 1-based.
int listCount(const QListWidget* l) { return l ? l->count() : 0; }

std::string listText(const QListWidget* l, int pos) {
    if (!l || pos < 1 || pos > l->count()) return {};
    return ss(l->item(pos - 1)->text());
}

rt::Value listValue(const std::vector<rt::Value>& values, int pos) {
    if (pos < 1 || pos > int(values.size())) return rt::Value();
    return values[size_t(pos - 1)];
}

int listAdd(QListWidget* l, std::vector<rt::Value>& values, const std::string& text, int pos,
            const rt::Value& value, bool sorted) {
    if (!l) return 0;
    int n = l->count();
    int at = pos > 0 ? std::min(pos, n + 1) : (sorted ? sortedPosition(l, text) : n + 1);
    l->insertItem(at - 1, new QListWidgetItem(qs(text)));
    values.insert(values.begin() + (at - 1), value.isNil() ? rt::Value(text) : value);
    return at;
}

bool listDelete(QListWidget* l, std::vector<rt::Value>& values, int pos) {
    if (!l || pos < 1 || pos > l->count()) return false;
    delete l->takeItem(pos - 1);
    values.erase(values.begin() + (pos - 1));
    return true;
}

int sortedPosition(const QListWidget* list, const std::string& text) {
    int n = list ? list->count() : 0;
    int i = 0;
    while (i < n && compareNoCase(ss(list->item(i)->text()), text) <= 0) ++i;
    return i + 1;
}

struct ProgrammaticGuard {
    bool& flag;
    bool old;
    explicit ProgrammaticGuard(bool& f) : flag(f), old(f) { flag = true; }
    ~ProgrammaticGuard() { flag = old; }
};
}  // namespace

// ---------------------------------------------------------------------------------------
// CONTROL

CONTROL::CONTROL(WINDOW* owner, int id, const QRect& r, uint32_t style)
    : owner_(owner), id_(id), style_(style), initialRect_(r) {}

CONTROL::CONTROL(WINDOW* owner, int id, const POINT& origin, const DIMENSION& size, uint32_t style)
    : CONTROL(owner, id, toQtRect(origin, size, parentSurfaceHeight(owner)), style) {}

CONTROL::~CONTROL() {
    if (owner_) owner_->removeControl(this);
}

void CONTROL::initWidget(QWidget* w) {
    if (owner_ && owner_->surface()) w->setParent(owner_->surface());
    QPalette pal = w->palette();
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        pal.setColor(QPalette::Disabled, role, kGrayText);
    w->setPalette(pal);
    w->setGeometry(initialRect_);
    attachWidget(w);
    if (owner_) owner_->addControl(this);
    // Without window-style bits the control is visible; with them WS_VISIBLE decides.
    bool visible = (style_ & 0xFFFF0000u) == 0 || (style_ & WS_VISIBLE);
    if (style_ & WS_DISABLED) requestedEnabled_ = false;
    applyEnabled();
    w->setVisible(visible);
    if (!visible) w->hide();
}

void CONTROL::HYPERLABEL(const gui::HYPERLABEL& label) {
    hyperLabel_ = label;
    if (showsCaption()) {
        caption_ = label.CAPTION();
        applyCaption(caption_);
    }
    applyToolTip();
}

std::string CONTROL::CAPTION() const { return caption_; }
void CONTROL::CAPTION(const std::string& caption) {
    caption_ = caption;
    if (showsCaption()) applyCaption(caption);
}

std::string CONTROL::TEXTVALUE() const { return caption_; }
void CONTROL::TEXTVALUE(const std::string& text) { CAPTION(text); }
rt::Value CONTROL::VALUE() const { return rt::Value(TEXTVALUE()); }
void CONTROL::VALUE(const rt::Value& v) { TEXTVALUE(v.isString() ? v.str() : std::string()); }

void CONTROL::USEHLFORTOOLTIP(bool on) {
    useHlForToolTip_ = on;
    applyToolTip();
}

std::string CONTROL::TOOLTIPTEXT() const {
    QWidget* w = HANDLE();
    return w ? ss(w->toolTip()) : std::string();
}

void CONTROL::TOOLTIPTEXT(const std::string& text) {
    toolTip_ = text;
    applyToolTip();
}

void CONTROL::applyToolTip() {
    QWidget* w = HANDLE();
    if (!w) return;
    const std::string& tip = useHlForToolTip_ ? hyperLabel_.DESCRIPTION() : toolTip_;
    w->setToolTip(qs(tip));
}

void CONTROL::FONT(const gui::FONT& font, bool) {
    font_ = font;
    if (QWidget* w = HANDLE()) w->setFont(font.qfont());
    // Controls that draw their caption themselves make their font from it here.
    SENDMESSAGE(WM_SETFONT, 0, 1);
}

void CONTROL::TEXTCOLOR(const gui::COLOR& color) {
    textColor_ = color;
    QWidget* w = HANDLE();
    if (!w) return;
    QPalette pal = w->palette();
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        pal.setColor(QPalette::Active, role, color.qcolor()), pal.setColor(QPalette::Inactive, role, color.qcolor());
    w->setPalette(pal);
}

void CONTROL::BACKGROUND(const gui::BRUSH& brush) {
    background_ = brush;
    QWidget* w = HANDLE();
    if (!w) return;
    if (brush.isClear()) {
        w->setAutoFillBackground(false);
    } else {
        // Window for plain controls, Base for the text area of edits, lists and views.
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, brush.color().qcolor());
        pal.setColor(QPalette::Base, brush.color().qcolor());
        w->setPalette(pal);
        w->setAutoFillBackground(true);
    }
    w->update();
}

void CONTROL::ENABLE() {
    // An explicit enable is the program's last word: it also lifts the form-wide hold, so a
    // run can keep Cancel usable while every other control is held disabled.
    requestedEnabled_ = true;
    conditionallyDisabled_ = false;
    applyEnabled();
}

void CONTROL::DISABLE() {
    requestedEnabled_ = false;
    applyEnabled();
}

void CONTROL::setConditionallyDisabled(bool on) {
    conditionallyDisabled_ = on;
    applyEnabled();
}

void CONTROL::applyEnabled() {
    if (QWidget* w = HANDLE()) w->setEnabled(requestedEnabled_ && !conditionallyDisabled_);
}

void CONTROL::DESTROY() { destroyWidget(); }

void CONTROL::routeButtonClick() {
    if (!owner_) return;
    ControlEvent ev(this);
    owner_->BUTTONCLICK(ev);
}

void CONTROL::routeListSelect() {
    if (!owner_) return;
    ControlEvent ev(this);
    owner_->LISTBOXSELECT(ev);
}

void CONTROL::routeFocusChange(bool gotFocus) {
    if (!owner_) return;
    EditFocusChangeEvent ev(this, gotFocus);
    owner_->EDITFOCUSCHANGE(ev);
}

// ---------------------------------------------------------------------------------------
// TEXTCONTROL and buttons

namespace {
ClassAdditions& additionsStore() {
    static ClassAdditions additions;
    return additions;
}
}  // namespace

void installClassAdditions(const ClassAdditions& additions) { additionsStore() = additions; }
const ClassAdditions& classAdditions() { return additionsStore(); }

void TEXTCONTROL::ENABLE() {
    if (auto enable = classAdditions().textControlEnable) enable(*this);
    else CONTROL::ENABLE();
}

void TEXTCONTROL::DISABLE() {
    if (auto disable = classAdditions().textControlDisable) disable(*this);
    else CONTROL::DISABLE();
}

std::string TEXTCONTROL::CAPTION() const { return CONTROL::CAPTION(); }
void TEXTCONTROL::CAPTION(const std::string& caption) { CONTROL::CAPTION(caption); }
void TEXTCONTROL::VALUE(const rt::Value& v) { CAPTION(v.isString() ? v.str() : std::string()); }

void TEXTCONTROL::applyCaption(const std::string& caption) {
    QWidget* w = HANDLE();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(qs(caption));
    else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(qs(caption));
    else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(qs(caption));
}

QAbstractButton* BUTTON::button() const { return qobject_cast<QAbstractButton*>(HANDLE()); }

void BUTTON::CLICK() {
    if (QAbstractButton* b = button()) b->click();
}

intptr_t BUTTON::DISPATCH(Event& event) {
    if (event.MESSAGE() == BM_CLICK) {
        CLICK();
        return 0;
    }
    if (event.MESSAGE() == BM_SETCHECK) {
        if (auto* r = dynamic_cast<RADIOBUTTON*>(this)) r->setPressed(event.WPARAM() != 0);
        else if (auto* c = dynamic_cast<CHECKBOX*>(this)) c->CHECKED(event.WPARAM() != 0);
        return 0;
    }
    return TEXTCONTROL::DISPATCH(event);
}

PUSHBUTTON::PUSHBUTTON(WINDOW* owner, int id, const QRect& r, uint32_t style) : BUTTON(owner, id, r, style) { build(); }
PUSHBUTTON::PUSHBUTTON(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : BUTTON(owner, id, o, s, style) {
    build();
}

void PUSHBUTTON::build() {
    auto* b = new QPushButton();
    b->setAutoDefault(false);
    b->setDefault(STYLE() & BS_DEFPUSHBUTTON);
    initWidget(b);
    QObject::connect(b, &QPushButton::clicked, b, [this] {
        // The owner's method of the button's name; nothing else.
        if (OWNER()) OWNER()->callMethod(NAMESYM());
    });
}

RADIOBUTTON::RADIOBUTTON(WINDOW* owner, int id, const QRect& r, uint32_t style) : BUTTON(owner, id, r, style) { build(); }
RADIOBUTTON::RADIOBUTTON(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : BUTTON(owner, id, o, s, style) {
    build();
}

RADIOBUTTON::~RADIOBUTTON() {
    if (group_) group_->detach(this);
}

void RADIOBUTTON::build() {
    auto* b = new AutoRadio();
    // Families are made by RADIOBUTTONGROUP, not by sharing a parent widget.
    b->setAutoExclusive(false);
    // A BACKGROUND fills behind the text as on the platform, not in the button colour.
    b->setBackgroundRole(QPalette::Window);
    b->setStyle(fittingIndicatorStyle());
    b->setFocusPolicy(Qt::StrongFocus);
    initWidget(b);
    QObject::connect(b, &QAbstractButton::clicked, b, [this] {
        // The click has checked the button; the platform tells the button so before the click
        // reaches the owner.
        Event check(BM_SETCHECK, 1, 0);
        DISPATCH(check);
        routeButtonClick();
    });
}

intptr_t RADIOBUTTON::DISPATCH(Event& event) {
    if (auto dispatch = classAdditions().radioButtonDispatch) return dispatch(*this, event);
    return BUTTON::DISPATCH(event);
}

void RADIOBUTTON::PRESSED(bool on) { SENDMESSAGE(BM_SETCHECK, on ? 1 : 0, 0); }

bool RADIOBUTTON::PRESSED() const {
    QAbstractButton* b = button();
    return b && b->isChecked();
}

void RADIOBUTTON::setPressed(bool on) {
    QAbstractButton* b = button();
    if (!b) return;
    if (on) {
        b->setChecked(true);
        return;
    }
    if (!b->isChecked()) return;
    QButtonGroup* g = b->group();
    if (g && g->exclusive()) {
        // An exclusive group refuses to release its pressed button.
        g->setExclusive(false);
        b->setChecked(false);
        g->setExclusive(true);
    } else {
        b->setChecked(false);
    }
}

CHECKBOX::CHECKBOX(WINDOW* owner, int id, const QRect& r, uint32_t style) : BUTTON(owner, id, r, style) { build(); }
CHECKBOX::CHECKBOX(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : BUTTON(owner, id, o, s, style) {
    build();
}

void CHECKBOX::build() {
    auto* b = new QCheckBox();
    b->setBackgroundRole(QPalette::Window);
    b->setStyle(fittingIndicatorStyle());
    initWidget(b);
    QObject::connect(b, &QAbstractButton::clicked, b, [this] { routeButtonClick(); });
}

bool CHECKBOX::CHECKED() const {
    QAbstractButton* b = button();
    return b && b->isChecked();
}

void CHECKBOX::CHECKED(bool on) {
    if (QAbstractButton* b = button()) b->setChecked(on);
}

// ---------------------------------------------------------------------------------------
// Group boxes

GROUPBOX::GROUPBOX(WINDOW* owner, int id, const QRect& r, uint32_t style) : TEXTCONTROL(owner, id, r, style) { build(); }
GROUPBOX::GROUPBOX(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : TEXTCONTROL(owner, id, o, s, style) {
    build();
}

void GROUPBOX::build() {
    auto* g = new GroupFrame();
    g->setFocusPolicy(Qt::NoFocus);
    // The frame lies behind its sibling controls and takes no clicks of its own.
    g->setAttribute(Qt::WA_TransparentForMouseEvents);
    initWidget(g);
}

RADIOBUTTONGROUP::RADIOBUTTONGROUP(WINDOW* owner, int id, const QRect& r, uint32_t style)
    : GROUPBOX(owner, id, r, style) {
    qgroup_ = new QButtonGroup(HANDLE());
    qgroup_->setExclusive(true);
}

RADIOBUTTONGROUP::RADIOBUTTONGROUP(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : GROUPBOX(owner, id, o, s, style) {
    qgroup_ = new QButtonGroup(HANDLE());
    qgroup_->setExclusive(true);
}

RADIOBUTTONGROUP::~RADIOBUTTONGROUP() {
    for (RADIOBUTTON* b : buttons_) b->group_ = nullptr;
}

void RADIOBUTTONGROUP::detach(RADIOBUTTON* b) {
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i] == b) {
            if (qgroup_ && b->button()) qgroup_->removeButton(b->button());
            buttons_.erase(buttons_.begin() + long(i));
            values_.erase(values_.begin() + long(i));
            b->group_ = nullptr;
            return;
        }
    }
}

void RADIOBUTTONGROUP::FILLUSING(const std::vector<std::pair<RADIOBUTTON*, rt::Value>>& pairs) {
    while (!buttons_.empty()) detach(buttons_.back());
    for (const auto& [b, v] : pairs) {
        if (!b) continue;
        if (b->group_ && b->group_ != this) b->group_->detach(b);
        buttons_.push_back(b);
        values_.push_back(v);
        b->group_ = this;
        if (qgroup_ && b->button()) qgroup_->addButton(b->button());
    }
}

RADIOBUTTON* RADIOBUTTONGROUP::pressedButton() const {
    for (RADIOBUTTON* b : buttons_)
        if (b->PRESSED()) return b;
    return nullptr;
}

rt::Value RADIOBUTTONGROUP::VALUE() const {
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i]->PRESSED()) return values_[i];
    return rt::Value();
}

void RADIOBUTTONGROUP::VALUE(const rt::Value& v) {
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (values_[i].same(v)) {
            buttons_[i]->PRESSED(true);
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Fixed text and icon

FIXEDTEXT::FIXEDTEXT(WINDOW* owner, int id, const QRect& r, uint32_t style) : TEXTCONTROL(owner, id, r, style) { build(); }
FIXEDTEXT::FIXEDTEXT(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : TEXTCONTROL(owner, id, o, s, style) {
    build();
}

void FIXEDTEXT::build() {
    auto* l = new QLabel();
    l->setWordWrap(true);
    l->setAlignment(Qt::AlignTop | ((STYLE() & 0x3) == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft));
    l->setTextFormat(Qt::PlainText);
    initWidget(l);
}

void FIXEDTEXT::SETDRAWSTYLE(uint32_t style, bool on) {
    drawStyle_ = on ? drawStyle_ | style : drawStyle_ & ~style;
    if (auto* l = qobject_cast<QLabel*>(HANDLE())) l->setWordWrap(!(drawStyle_ & DT_SINGLELINE));
    applyCaption(CAPTION());
}

void FIXEDTEXT::applyCaption(const std::string& caption) {
    auto* l = qobject_cast<QLabel*>(HANDLE());
    if (!l || !(drawStyle_ & DT_SINGLELINE)) return TEXTCONTROL::applyCaption(caption);
    // One line, as a single-line measure in the same font sees it: white-space control
    // characters (line breaks among them) count as blanks.
    QString shown = qs(caption);
    for (QChar& c : shown)
        if (c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r') c = u' ';
    l->setText(shown);
}

FIXEDICON::FIXEDICON(WINDOW* owner, int id, const QRect& r, uint32_t style) : CONTROL(owner, id, r, style) { build(); }
FIXEDICON::FIXEDICON(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : CONTROL(owner, id, o, s, style) {
    build();
}

void FIXEDICON::build() {
    auto* l = new QLabel();
    l->setFrameStyle(QFrame::Panel | QFrame::Raised);
    l->setLineWidth(2);
    l->setAlignment(Qt::AlignCenter);
    initWidget(l);
}

void FIXEDICON::IMAGE(const QPixmap& icon) {
    icon_ = icon;
    if (auto* l = qobject_cast<QLabel*>(HANDLE())) l->setPixmap(icon);
}

void FIXEDICON::BACKGROUND(const gui::BRUSH& brush) { CONTROL::BACKGROUND(brush); }

// ---------------------------------------------------------------------------------------
// Single-line edit

SINGLELINEEDIT::SINGLELINEEDIT(WINDOW* owner, int id, const QRect& r, uint32_t style) : CONTROL(owner, id, r, style) {
    build();
}
SINGLELINEEDIT::SINGLELINEEDIT(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : CONTROL(owner, id, o, s, style) {
    build();
}

void SINGLELINEEDIT::build() {
    auto* e = new EditWidget();
    e->setReadOnly(STYLE() & ES_READONLY);
    if (STYLE() & ES_RIGHT) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    initWidget(e);
}

QLineEdit* SINGLELINEEDIT::lineEdit() const { return qobject_cast<QLineEdit*>(HANDLE()); }

void SINGLELINEEDIT::focusChanged(bool gotFocus) { routeFocusChange(gotFocus); }

std::string SINGLELINEEDIT::TEXTVALUE() const {
    QLineEdit* e = lineEdit();
    return e ? ss(e->text()) : std::string();
}

void SINGLELINEEDIT::TEXTVALUE(const std::string& text) {
    if (QLineEdit* e = lineEdit()) e->setText(qs(text));
}

void SINGLELINEEDIT::VALUE(const rt::Value& v) { TEXTVALUE(v.isString() ? v.str() : std::string()); }

gui::SELECTION SINGLELINEEDIT::SELECTION() const {
    QLineEdit* e = lineEdit();
    if (!e) return {};
    if (e->hasSelectedText()) {
        int s = e->selectionStart();
        return gui::SELECTION(s, s + int(e->selectedText().size()));
    }
    int c = e->cursorPosition();
    return gui::SELECTION(c, c);
}

void SINGLELINEEDIT::SELECTION(const gui::SELECTION& sel) {
    QLineEdit* e = lineEdit();
    if (!e) return;
    int len = int(e->text().size());
    int s = std::clamp(sel.START(), 0, len);
    int f = sel.FINISH() < 0 ? len : std::clamp(sel.FINISH(), 0, len);
    if (f == s) {
        e->deselect();
        e->setCursorPosition(s);
    } else {
        e->setSelection(s, f - s);
    }
}

bool SINGLELINEEDIT::READONLY() const {
    QLineEdit* e = lineEdit();
    return e && e->isReadOnly();
}
void SINGLELINEEDIT::READONLY(bool on) {
    if (QLineEdit* e = lineEdit()) e->setReadOnly(on);
}
int SINGLELINEEDIT::TEXTLIMIT() const {
    QLineEdit* e = lineEdit();
    return e ? e->maxLength() : 0;
}
void SINGLELINEEDIT::TEXTLIMIT(int chars) {
    if (QLineEdit* e = lineEdit()) e->setMaxLength(chars > 0 ? chars : 32767);
}

// ---------------------------------------------------------------------------------------
// List box

LISTBOX::LISTBOX(WINDOW* owner, int id, const QRect& r, uint32_t style) : CONTROL(owner, id, r, style) { build(); }
LISTBOX::LISTBOX(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : CONTROL(owner, id, o, s, style) {
    build();
}

void LISTBOX::build() {
    auto* l = new PickList();
    if (STYLE() & LBS_MULTIPLESEL) l->setSelectionMode(QAbstractItemView::MultiSelection);
    else if (STYLE() & LBS_EXTENDEDSEL) l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    else l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    l->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    l->setUniformItemSizes(true);
    initWidget(l);
    l->programmatic = &programmatic_;
    l->picked = [this] { routeListSelect(); };
    QObject::connect(l, &QListWidget::itemSelectionChanged, l, [l] { l->selectionChangedByUser(); });
}

QListWidget* LISTBOX::listWidget() const { return qobject_cast<QListWidget*>(HANDLE()); }
bool LISTBOX::isMultiple() const { return STYLE() & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL); }
bool LISTBOX::isSorted() const { return STYLE() & LBS_SORT; }

void LISTBOX::FILLUSING(const std::vector<std::string>& texts) {
    ProgrammaticGuard g(programmatic_);
    CLEAR();
    for (const auto& t : texts) ADDITEM(t);
}

void LISTBOX::FILLUSING(const std::vector<std::pair<std::string, rt::Value>>& items) {
    ProgrammaticGuard g(programmatic_);
    CLEAR();
    for (const auto& [t, v] : items) ADDITEM(t, 0, v);
}

int LISTBOX::ADDITEM(const std::string& text, int pos, const rt::Value& value) {
    ProgrammaticGuard g(programmatic_);
    return listAdd(listWidget(), values_, text, pos, value, isSorted());
}

bool LISTBOX::DELETEITEM(int pos) {
    ProgrammaticGuard g(programmatic_);
    return listDelete(listWidget(), values_, pos);
}

void LISTBOX::CLEAR() {
    ProgrammaticGuard g(programmatic_);
    if (QListWidget* l = listWidget()) l->clear();
    values_.clear();
    walk_ = 0;
}

int LISTBOX::ITEMCOUNT() const { return listCount(listWidget()); }

std::string LISTBOX::GETITEM(int pos) const { return listText(listWidget(), pos); }

rt::Value LISTBOX::GETITEMVALUE(int pos) const { return listValue(values_, pos); }

int LISTBOX::FINDITEM(const std::string& text, bool exact, int start) const {
    return findIn(listWidget(), text, exact, start);
}

bool LISTBOX::SELECTITEM(int pos) {
    QListWidget* l = listWidget();
    if (!l || pos < 1 || pos > l->count()) return false;
    ProgrammaticGuard g(programmatic_);
    if (!isMultiple()) l->setCurrentRow(pos - 1);
    l->item(pos - 1)->setSelected(true);
    return true;
}

bool LISTBOX::DESELECTITEM(int pos) {
    QListWidget* l = listWidget();
    if (!l || pos < 1 || pos > l->count()) return false;
    ProgrammaticGuard g(programmatic_);
    l->item(pos - 1)->setSelected(false);
    return true;
}

void LISTBOX::DESELECTALL() {
    ProgrammaticGuard g(programmatic_);
    if (QListWidget* l = listWidget()) l->clearSelection();
}

bool LISTBOX::ISSELECTED(int pos) const {
    QListWidget* l = listWidget();
    if (!l || pos < 1 || pos > l->count()) return false;
    return l->item(pos - 1)->isSelected();
}

int LISTBOX::CURRENTITEMNO() const {
    QListWidget* l = listWidget();
    if (!l) return 0;
    if (isMultiple()) return l->currentRow() + 1;
    for (int i = 0; i < l->count(); ++i)
        if (l->item(i)->isSelected()) return i + 1;
    return 0;
}

void LISTBOX::CURRENTITEMNO(int pos) {
    QListWidget* l = listWidget();
    if (!l) return;
    ProgrammaticGuard g(programmatic_);
    if (pos < 1 || pos > l->count()) {
        if (!isMultiple()) l->clearSelection();
        l->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
        return;
    }
    if (isMultiple()) l->setCurrentRow(pos - 1, QItemSelectionModel::NoUpdate);
    else {
        l->setCurrentRow(pos - 1);
        l->item(pos - 1)->setSelected(true);
    }
}

std::string LISTBOX::CURRENTITEM() const { return GETITEM(CURRENTITEMNO()); }

int LISTBOX::FIRSTSELECTED() {
    walk_ = 0;
    return NEXTSELECTED();
}

int LISTBOX::NEXTSELECTED() {
    QListWidget* l = listWidget();
    if (!l) return 0;
    for (int i = walk_; i < l->count(); ++i) {
        if (l->item(i)->isSelected()) {
            walk_ = i + 1;
            return i + 1;
        }
    }
    walk_ = l->count();
    return 0;
}

int LISTBOX::SELECTEDCOUNT() const {
    QListWidget* l = listWidget();
    return l ? int(l->selectedItems().size()) : 0;
}

rt::Value LISTBOX::VALUE() const {
    int pos = CURRENTITEMNO();
    return pos > 0 ? GETITEMVALUE(pos) : rt::Value();
}

void LISTBOX::VALUE(const rt::Value& v) {
    for (size_t i = 0; i < values_.size(); ++i) {
        if (values_[i].same(v)) {
            SELECTITEM(int(i) + 1);
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Combo box, simple style: an edit over a list that is always shown

COMBOBOX::COMBOBOX(WINDOW* owner, int id, const QRect& r, uint32_t style) : CONTROL(owner, id, r, style) { build(); }
COMBOBOX::COMBOBOX(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : CONTROL(owner, id, o, s, style) {
    build();
}

void COMBOBOX::build() {
    auto* box = new QWidget();
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* edit = new QLineEdit(box);
    edit->setObjectName(QStringLiteral("edit"));
    auto* list = new PickList(box);
    list->setObjectName(QStringLiteral("list"));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setUniformItemSizes(true);
    layout->addWidget(edit, 0);
    layout->addWidget(list, 1);
    box->setFocusProxy(edit);
    initWidget(box);
    list->programmatic = &programmatic_;
    list->picked = [this] {
        QListWidget* l = listWidget();
        QLineEdit* e = lineEdit();
        auto sel = l->selectedItems();
        if (!sel.isEmpty()) {
            ProgrammaticGuard g(programmatic_);
            e->setText(sel.first()->text());
        }
        routeListSelect();
    };
    QObject::connect(list, &QListWidget::itemSelectionChanged, list, [list] { list->selectionChangedByUser(); });
    QObject::connect(edit, &QLineEdit::textEdited, edit, [this](const QString& text) {
        // Typing moves the list's selection to the first item that begins with the text.
        ProgrammaticGuard g(programmatic_);
        QListWidget* l = listWidget();
        int pos = text.isEmpty() ? 0 : findIn(l, ss(text), false, 0);
        if (pos > 0) {
            l->setCurrentRow(pos - 1);
            l->scrollToItem(l->item(pos - 1));
        } else {
            l->clearSelection();
            l->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
        }
    });
}

QLineEdit* COMBOBOX::lineEdit() const {
    QWidget* w = HANDLE();
    return w ? w->findChild<QLineEdit*>(QStringLiteral("edit")) : nullptr;
}

QListWidget* COMBOBOX::listWidget() const {
    QWidget* w = HANDLE();
    return w ? w->findChild<QListWidget*>(QStringLiteral("list")) : nullptr;
}

void COMBOBOX::FILLUSING(const std::vector<std::string>& texts) {
    ProgrammaticGuard g(programmatic_);
    CLEAR();
    for (const auto& t : texts) ADDITEM(t);
}

void COMBOBOX::FILLUSING(const std::vector<std::pair<std::string, rt::Value>>& items) {
    ProgrammaticGuard g(programmatic_);
    CLEAR();
    for (const auto& [t, v] : items) ADDITEM(t, 0, v);
}

int COMBOBOX::ADDITEM(const std::string& text, int pos, const rt::Value& value) {
    ProgrammaticGuard g(programmatic_);
    return listAdd(listWidget(), values_, text, pos, value, (STYLE() & CBS_SORT) != 0);
}

bool COMBOBOX::DELETEITEM(int pos) {
    ProgrammaticGuard g(programmatic_);
    return listDelete(listWidget(), values_, pos);
}

void COMBOBOX::CLEAR() {
    ProgrammaticGuard g(programmatic_);
    if (QListWidget* l = listWidget()) l->clear();
    if (QLineEdit* e = lineEdit()) e->clear();
    values_.clear();
}

int COMBOBOX::ITEMCOUNT() const { return listCount(listWidget()); }

std::string COMBOBOX::GETITEM(int pos) const { return listText(listWidget(), pos); }

rt::Value COMBOBOX::GETITEMVALUE(int pos) const { return listValue(values_, pos); }

int COMBOBOX::FINDITEM(const std::string& text, bool exact, int start) const {
    return findIn(listWidget(), text, exact, start);
}

bool COMBOBOX::SELECTITEM(int pos) {
    if (pos < 1 || pos > ITEMCOUNT()) return false;
    CURRENTITEMNO(pos);
    return true;
}

int COMBOBOX::CURRENTITEMNO() const {
    QListWidget* l = listWidget();
    if (!l) return 0;
    for (int i = 0; i < l->count(); ++i)
        if (l->item(i)->isSelected()) return i + 1;
    return 0;
}

void COMBOBOX::CURRENTITEMNO(int pos) {
    QListWidget* l = listWidget();
    QLineEdit* e = lineEdit();
    if (!l || !e) return;
    ProgrammaticGuard g(programmatic_);
    if (pos < 1 || pos > l->count()) {
        l->clearSelection();
        l->setCurrentRow(-1, QItemSelectionModel::NoUpdate);
        e->clear();
        return;
    }
    l->setCurrentRow(pos - 1);
    l->item(pos - 1)->setSelected(true);
    l->scrollToItem(l->item(pos - 1));
    e->setText(l->item(pos - 1)->text());
}

std::string COMBOBOX::CURRENTITEM() const { return GETITEM(CURRENTITEMNO()); }

std::string COMBOBOX::CURRENTTEXT() const {
    QLineEdit* e = lineEdit();
    return e ? ss(e->text()) : std::string();
}

void COMBOBOX::CURRENTTEXT(const std::string& text) {
    ProgrammaticGuard g(programmatic_);
    if (QLineEdit* e = lineEdit()) e->setText(qs(text));
}

rt::Value COMBOBOX::VALUE() const {
    int pos = CURRENTITEMNO();
    return pos > 0 ? GETITEMVALUE(pos) : rt::Value(CURRENTTEXT());
}

void COMBOBOX::VALUE(const rt::Value& v) {
    for (size_t i = 0; i < values_.size(); ++i) {
        if (values_[i].same(v)) {
            CURRENTITEMNO(int(i) + 1);
            return;
        }
    }
    CURRENTITEMNO(0);
    if (v.isString()) CURRENTTEXT(v.str());
}

// ---------------------------------------------------------------------------------------
// Progress bar

PROGRESSBAR::PROGRESSBAR(WINDOW* owner, int id, const QRect& r, uint32_t style) : CONTROL(owner, id, r, style) { build(); }
PROGRESSBAR::PROGRESSBAR(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : CONTROL(owner, id, o, s, style) {
    build();
}

void PROGRESSBAR::build() {
    auto* b = new QProgressBar();
    b->setTextVisible(false);
    b->setRange(range_.MIN(), range_.MAX());
    b->setValue(range_.MIN());
    initWidget(b);
}

int PROGRESSBAR::shownValue() const {
    int lo = std::min(range_.MIN(), range_.MAX());
    int hi = std::max(range_.MIN(), range_.MAX());
    return std::clamp(position_, lo, hi);
}

void PROGRESSBAR::RANGE(const gui::RANGE& range) {
    range_ = range;
    if (auto* b = qobject_cast<QProgressBar*>(HANDLE())) {
        b->setRange(std::min(range.MIN(), range.MAX()), std::max(range.MIN(), range.MAX()));
        b->setValue(shownValue());
    }
}

void PROGRESSBAR::POSITION(int position) {
    position_ = position;
    oldPosition_ = position;
    ++changes_;
    if (auto* b = qobject_cast<QProgressBar*>(HANDLE())) b->setValue(shownValue());
}

void PROGRESSBAR::BACKGROUNDCOLOR(const gui::COLOR& color) {
    barBackground_ = color;
    if (QWidget* w = HANDLE()) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Base, color.qcolor());
        pal.setColor(QPalette::Window, color.qcolor());
        w->setPalette(pal);
    }
}

// ---------------------------------------------------------------------------------------
// Slider

SLIDER::SLIDER(WINDOW* owner, int id, const QRect& r, uint32_t style) : CONTROL(owner, id, r, style) { build(); }
SLIDER::SLIDER(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style) : CONTROL(owner, id, o, s, style) {
    build();
}

void SLIDER::build() {
    auto* s = new QSlider(STYLE() & TBS_VERT ? Qt::Vertical : Qt::Horizontal);
    s->setRange(0, 100);
    initWidget(s);
}

gui::RANGE SLIDER::RANGE() const {
    auto* s = qobject_cast<QSlider*>(HANDLE());
    return s ? gui::RANGE(s->minimum(), s->maximum()) : gui::RANGE();
}

void SLIDER::RANGE(const gui::RANGE& range) {
    if (auto* s = qobject_cast<QSlider*>(HANDLE())) s->setRange(std::min(range.MIN(), range.MAX()), std::max(range.MIN(), range.MAX()));
}

int SLIDER::THUMBPOSITION() const {
    auto* s = qobject_cast<QSlider*>(HANDLE());
    return s ? s->value() : 0;
}

void SLIDER::THUMBPOSITION(int position) {
    if (auto* s = qobject_cast<QSlider*>(HANDLE())) s->setValue(position);
}

intptr_t SLIDER::DISPATCH(Event& event) {
    if (event.MESSAGE() == WM_SIZE) {
        if (QWidget* w = HANDLE()) w->update();
    }
    return CONTROL::DISPATCH(event);
}

// ---------------------------------------------------------------------------------------
// Multi-line text view

MULTILINEEDIT::MULTILINEEDIT(WINDOW* owner, int id, const QRect& r, uint32_t style) : CONTROL(owner, id, r, style) {
    build();
}
MULTILINEEDIT::MULTILINEEDIT(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : CONTROL(owner, id, o, s, style) {
    build();
}

void MULTILINEEDIT::build() {
    auto* t = new QPlainTextEdit();
    t->setReadOnly(STYLE() & ES_READONLY);
    t->setLineWrapMode(QPlainTextEdit::NoWrap);
    initWidget(t);
}

QPlainTextEdit* MULTILINEEDIT::textEdit() const { return qobject_cast<QPlainTextEdit*>(HANDLE()); }

std::string MULTILINEEDIT::TEXTVALUE() const {
    QPlainTextEdit* t = textEdit();
    if (!t) return {};
    QString s = t->toPlainText();
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return ss(s);
}

void MULTILINEEDIT::TEXTVALUE(const std::string& text) {
    QPlainTextEdit* t = textEdit();
    if (!t) return;
    QString s = qs(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (textLimit_ > 0 && s.size() > textLimit_) s.truncate(textLimit_);
    t->setPlainText(s);
}

void MULTILINEEDIT::VALUE(const rt::Value& v) { TEXTVALUE(v.isString() ? v.str() : std::string()); }

// ---------------------------------------------------------------------------------------
// Table view

DATALISTVIEW::DATALISTVIEW(WINDOW* owner, int id, const QRect& r, uint32_t style) : CONTROL(owner, id, r, style) {
    build();
}
DATALISTVIEW::DATALISTVIEW(WINDOW* owner, int id, const POINT& o, const DIMENSION& s, uint32_t style)
    : CONTROL(owner, id, o, s, style) {
    build();
}

void DATALISTVIEW::build() {
    auto* t = new QTableWidget();
    t->setShowGrid(false);
    t->verticalHeader()->hide();
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setSelectionBehavior(QAbstractItemView::SelectItems);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->horizontalHeader()->setSectionsClickable(false);
    t->horizontalHeader()->setSectionsMovable(false);
    initWidget(t);
}

QTableWidget* DATALISTVIEW::tableWidget() const { return qobject_cast<QTableWidget*>(HANDLE()); }

bool DATALISTVIEW::GRIDLINES() const {
    QTableWidget* t = tableWidget();
    return t && t->showGrid();
}
void DATALISTVIEW::GRIDLINES(bool on) {
    if (QTableWidget* t = tableWidget()) t->setShowGrid(on);
}
void DATALISTVIEW::FULLROWSELECT(bool on) {
    fullRowSelect_ = on;
    if (QTableWidget* t = tableWidget())
        t->setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}
void DATALISTVIEW::HEADERDRAGDROP(bool on) {
    headerDragDrop_ = on;
    if (QTableWidget* t = tableWidget()) t->horizontalHeader()->setSectionsMovable(on);
}
void DATALISTVIEW::TEXTBACKGROUNDCOLOR(const gui::COLOR& color) {
    textBackground_ = color;
    if (QTableWidget* t = tableWidget()) {
        QPalette pal = t->palette();
        pal.setColor(QPalette::Base, color.qcolor());
        t->setPalette(pal);
    }
}
int DATALISTVIEW::COLUMNCOUNT() const {
    QTableWidget* t = tableWidget();
    return t ? t->columnCount() : 0;
}
void DATALISTVIEW::DELETEALLCOLUMNS() {
    if (QTableWidget* t = tableWidget()) {
        t->setRowCount(0);
        t->setColumnCount(0);
    }
}

}  // namespace gui
