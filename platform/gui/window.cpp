#include "platform/gui/window.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLayout>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QTimer>
#include <QTimerEvent>
#include <QWindowStateChangeEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/gdi/gdi.h"
#include "platform/gui/controls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/geometry.h"
#include "platform/gui/mdiclient.h"
#include "platform/gui/statusbar.h"

namespace gui {

namespace {
const char* const kObjectProperty = "mirvanoGuiObject";
// Set on a widget whose object destroyed it; the widget itself goes a little later.
const char* const kDestroyedProperty = "mirvanoDestroyed";

std::string upper(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    return r;
}

// A hidden frame has not laid its client area out yet (Qt does that when it shows the
// window), so the client area would still have its initial size: lay it out now, so that
// window size, client size and the controls' y-up places agree before the window is shown
// as after.
void layOutHiddenFrame(QWidget* frame) {
    if (frame && frame->isWindow() && !frame->isVisible() && frame->layout()) {
        frame->layout()->invalidate();
        frame->layout()->activate();
    }
}

// The frame that holds an MDI child window in its shell's MDI client; null for any other
// window.
QMdiSubWindow* mdiFrame(const QWidget* widget) {
    return widget ? qobject_cast<QMdiSubWindow*>(widget->parentWidget()) : nullptr;
}

// Hides a window: an MDI child window with its frame.
void hideWindow(QWidget* widget) {
    if (QMdiSubWindow* frame = mdiFrame(widget)) {
        frame->hide();
    } else if (widget) {
        widget->hide();
    }
}

Qt::BrushStyle qtBrushStyle(int style) {
    switch (style) {
    case BRUSHHATCHHORIZONTAL: return Qt::HorPattern;
    case BRUSHHATCHVERTICAL: return Qt::VerPattern;
    case BRUSHHATCHDIAGONAL45: return Qt::BDiagPattern;
    case BRUSHHATCHDIAGONAL135: return Qt::FDiagPattern;
    case BRUSHHATCHCROSS: return Qt::CrossPattern;
    case BRUSHHATCHDIAGONALCROSS: return Qt::DiagCrossPattern;
    case BRUSHCLEAR: return Qt::NoBrush;
    default: return Qt::SolidPattern;
    }
}
}  // namespace

// Carries the Qt timer events of one object back to it.
class TimerBridge : public QObject {
public:
    explicit TimerBridge(GUIOBJECT* obj, QObject* parent) : QObject(parent), obj_(obj) {}
    GUIOBJECT* obj_;

protected:
    void timerEvent(QTimerEvent* e) override {
        if (obj_) obj_->onQtTimer(e->timerId());
    }
};

// The widget of a window: its frame (close requests), its surface (painting, sizing,
// mouse), or both.
class WindowWidget : public QWidget {
public:
    WindowWidget(WINDOW* win, bool frame, bool surface, QWidget* parent, Qt::WindowFlags flags = {})
        : QWidget(parent, flags), win_(win), frame_(frame), surface_(surface) {
        if (surface_) setMouseTracking(false);
    }
    WINDOW* win_;

protected:
    void paintEvent(QPaintEvent* e) override {
        if (!win_ || !surface_) return;
        ExposeEvent ev(toBoundingBox(e->rect(), height()));
        win_->EXPOSE(ev);
        if (!win_) return;
        if (const QImage* img = win_->screenImage()) {
            QPainter p(this);
            p.drawImage(e->rect().topLeft(), *img, e->rect());
        }
    }
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        // A resize that comes from the window system (not from a call of the program) is a
        // step of the user's frame drag.
        if (win_ && frame_) win_->frameResized(e->spontaneous());
        if (!win_ || !surface_) return;
        ResizeEvent ev(DIMENSION(e->size().width(), e->size().height()));
        win_->RESIZE(ev);
    }
    void changeEvent(QEvent* e) override {
        QWidget::changeEvent(e);
        if (win_ && frame_ && e->type() == QEvent::WindowStateChange)
            win_->frameStateChanged(static_cast<QWindowStateChangeEvent*>(e)->oldState());
    }
    bool event(QEvent* e) override {
        // Qt passes these on to every child widget, so child windows hear of them too.
        if (win_ && frame_ && (e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowDeactivate))
            win_->frameActivationChanged(e->type() == QEvent::WindowActivate);
        return QWidget::event(e);
    }
    void mousePressEvent(QMouseEvent* e) override { mouse(WM_LBUTTONDOWN, e); }
    void mouseReleaseEvent(QMouseEvent* e) override { mouse(WM_LBUTTONUP, e); }
    void mouseMoveEvent(QMouseEvent* e) override { mouse(0x0200, e); }
    void closeEvent(QCloseEvent* e) override {
        if (!win_ || !frame_) {
            e->accept();
            return;
        }
        if (!win_->handleCloseRequest()) {
            e->ignore();
            return;
        }
        e->accept();
    }

private:
    void mouse(uint32_t msg, QMouseEvent* e) {
        if (!win_ || !surface_) return;
        int buttons = 0;
        Qt::MouseButtons b = msg == WM_LBUTTONUP ? Qt::MouseButtons(e->button()) : e->buttons();
        if (b & Qt::LeftButton) buttons |= 1;
        if (b & Qt::RightButton) buttons |= 2;
        if (b & Qt::MiddleButton) buttons |= 4;
        QPoint pos = e->position().toPoint();
        MouseEvent ev(msg, POINT(pos.x(), height() - 1 - pos.y()), buttons);
        if (msg == WM_LBUTTONDOWN) win_->MOUSEBUTTONDOWN(ev);
        else if (msg == WM_LBUTTONUP) win_->MOUSEBUTTONUP(ev);
        else win_->MOUSEMOVE(ev);
    }
    bool frame_;
    bool surface_;
};

// ---------------------------------------------------------------------------------------
// Events

std::string ControlEvent::NAMESYM() const { return control_ ? control_->NAMESYM() : std::string(); }
int ControlEvent::CONTROLID() const { return control_ ? control_->CONTROLID() : 0; }

// ---------------------------------------------------------------------------------------
// GUIOBJECT

GUIOBJECT::~GUIOBJECT() {
    if (auto* b = static_cast<TimerBridge*>(bridge_.data())) b->obj_ = nullptr;
    if (QWidget* w = widget_.data()) {
        w->setProperty(kObjectProperty, QVariant());
        delete w;
    }
}

void GUIOBJECT::attachWidget(QWidget* widget) {
    widget_ = widget;
    widget->setProperty(kObjectProperty, QVariant::fromValue<void*>(static_cast<void*>(this)));
    bridge_ = new TimerBridge(this, widget);
}

void GUIOBJECT::destroyWidget() {
    if (auto* b = static_cast<TimerBridge*>(bridge_.data())) b->obj_ = nullptr;
    bridge_ = nullptr;
    timers_.clear();
    if (QWidget* w = widget_.data()) {
        w->setProperty(kObjectProperty, QVariant());
        w->setProperty(kDestroyedProperty, true);
        w->hide();
        w->deleteLater();
    }
    widget_ = nullptr;
}

GUIOBJECT* GUIOBJECT::fromHandle(const QWidget* handle) {
    if (!handle) return nullptr;
    QVariant v = handle->property(kObjectProperty);
    if (!v.isValid()) return nullptr;
    return static_cast<GUIOBJECT*>(v.value<void*>());
}

int GUIOBJECT::parentHeight() const {
    QWidget* w = HANDLE();
    if (!w) return 0;
    if (!w->isWindow() && w->parentWidget()) return w->parentWidget()->height();
    QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

POINT GUIOBJECT::ORIGIN() const {
    QWidget* w = HANDLE();
    if (!w) return POINT();
    return toYUpOrigin(w->geometry(), parentHeight());
}

void GUIOBJECT::ORIGIN(const POINT& origin) {
    QWidget* w = HANDLE();
    if (!w) return;
    QRect r = toQtRect(origin, DIMENSION(w->width(), w->height()), parentHeight());
    w->move(r.topLeft());
}

DIMENSION GUIOBJECT::SIZE() const {
    QWidget* w = HANDLE();
    return w ? DIMENSION(w->width(), w->height()) : DIMENSION();
}

void GUIOBJECT::SIZE(const DIMENSION& size) {
    QWidget* w = HANDLE();
    if (!w) return;
    w->resize(std::max(0, size.WIDTH()), std::max(0, size.HEIGHT()));
    layOutHiddenFrame(w);
}

void GUIOBJECT::SHOW() {
    if (QWidget* w = HANDLE()) w->show();
}
void GUIOBJECT::HIDE() {
    if (QWidget* w = HANDLE()) w->hide();
}
bool GUIOBJECT::ISVISIBLE() const {
    QWidget* w = HANDLE();
    return w && w->isVisible();
}
void GUIOBJECT::ENABLE() {
    if (QWidget* w = HANDLE()) w->setEnabled(true);
}
void GUIOBJECT::DISABLE() {
    if (QWidget* w = HANDLE()) w->setEnabled(false);
}
bool GUIOBJECT::ISENABLED() const {
    QWidget* w = HANDLE();
    return w && w->isEnabled();
}
void GUIOBJECT::SETFOCUS() {
    if (QWidget* w = HANDLE()) w->setFocus(Qt::OtherFocusReason);
}
void GUIOBJECT::REPAINT() {
    if (QWidget* w = HANDLE()) w->repaint();
}

intptr_t GUIOBJECT::DISPATCH(Event&) { return 0; }

intptr_t GUIOBJECT::SENDMESSAGE(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    Event ev(message, wParam, lParam);
    return DISPATCH(ev);
}

void GUIOBJECT::registerMethod(const std::string& name, std::function<void()> fn) {
    methods_[upper(name)] = std::move(fn);
}
bool GUIOBJECT::hasMethod(const std::string& name) const { return methods_.count(upper(name)) > 0; }
bool GUIOBJECT::callMethod(const std::string& name) {
    auto it = methods_.find(upper(name));
    if (it == methods_.end() || !it->second) return false;
    auto fn = it->second;  // the method may re-register itself
    fn();
    return true;
}

bool GUIOBJECT::SETTIMER(unsigned id, unsigned intervalMs) {
    if (!bridge_ || intervalMs == 0) return false;
    KILLTIMER(id);
    int qtId = bridge_->startTimer(int(intervalMs));
    if (qtId == 0) return false;
    timers_[id] = qtId;
    return true;
}

bool GUIOBJECT::KILLTIMER(unsigned id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return false;
    if (bridge_) bridge_->killTimer(it->second);
    timers_.erase(it);
    return true;
}

void GUIOBJECT::onQtTimer(int qtTimerId) {
    for (const auto& [id, qtId] : timers_) {
        if (qtId == qtTimerId) {
            Event ev(WM_TIMER, id, 0);
            DISPATCH(ev);
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------
// WINDOW

WINDOW::WINDOW(WINDOW* owner) : owner_(owner) {
    QWidget* parent = owner ? owner->surface() : nullptr;
    auto* w = new WindowWidget(this, true, true, parent);
    attachWidget(w);
    surface_ = w;
    if (auto* shell = dynamic_cast<SHELLWINDOW*>(owner); shell && shell->MDICLIENT()) {
        QMdiSubWindow* frame = shell->MDICLIENT()->addSubWindow(w);
        // Hidden until SHOW, as every child window starts.
        frame->hide();
    }
}

WINDOW::WINDOW(WINDOW* owner, std::pair<QWidget*, QWidget*> fs) : owner_(owner) {
    attachWidget(fs.first);
    surface_ = fs.second;
}

void WINDOW::setSurface(QWidget* surface) { surface_ = surface; }

WINDOW::~WINDOW() {
    delete frameDragEnd_.data();
    delete stateSettled_.data();
    for (CONTROL* c : controls_) c->owner_ = nullptr;
    controls_.clear();
    if (auto* w = dynamic_cast<WindowWidget*>(HANDLE())) w->win_ = nullptr;
    if (auto* s = dynamic_cast<WindowWidget*>(surface())) s->win_ = nullptr;
    // An MDI child window leaves no empty frame behind; the frame goes once control is back
    // in the event loop, as this may run inside one of its events.
    if (QMdiSubWindow* frame = mdiFrame(HANDLE())) {
        frame->hide();
        frame->deleteLater();
    }
}

std::string WINDOW::CAPTION() const {
    QWidget* w = HANDLE();
    return w ? w->windowTitle().toStdString() : std::string();
}

void WINDOW::CAPTION(const std::string& caption) {
    if (QWidget* w = HANDLE()) w->setWindowTitle(QString::fromStdString(caption));
}

void WINDOW::BACKGROUND(const BRUSH& brush) {
    background_ = brush;
    QWidget* s = surface();
    if (!s) return;
    if (brush.isClear()) {
        s->setAutoFillBackground(false);
    } else {
        QPalette pal = s->palette();
        pal.setBrush(QPalette::Window, QBrush(brush.color().qcolor(), qtBrushStyle(brush.STYLE())));
        s->setPalette(pal);
        s->setAutoFillBackground(true);
    }
    s->update();
}

BOUNDINGBOX WINDOW::CANVASAREA() const {
    layOutHiddenFrame(HANDLE());
    QWidget* s = surface();
    return s ? BOUNDINGBOX(POINT(0, 0), DIMENSION(s->width(), s->height())) : BOUNDINGBOX();
}

void WINDOW::SHOW(int state) {
    QWidget* w = HANDLE();
    if (!w) return;
    if (QMdiSubWindow* frame = mdiFrame(w)) {
        w->show();
        if (state == SHOWMINIMIZED) frame->showMinimized();
        else if (state == SHOWZOOMED) frame->showMaximized();
        else frame->show();
        return;
    }
    if (w->isWindow()) {
        if (state == SHOWMINIMIZED) w->showMinimized();
        else if (state == SHOWZOOMED) w->showMaximized();
        else w->show();
    } else {
        w->show();
    }
}

void WINDOW::HIDE() { hideWindow(HANDLE()); }

bool WINDOW::ISICONIC() const {
    QWidget* w = HANDLE();
    if (QMdiSubWindow* frame = mdiFrame(w)) return frame->isMinimized();
    return w && w->isWindow() && w->isMinimized();
}

bool WINDOW::ISZOOMED() const {
    QWidget* w = HANDLE();
    if (QMdiSubWindow* frame = mdiFrame(w)) return frame->isMaximized();
    return w && w->isWindow() && w->isMaximized();
}

POINT WINDOW::ORIGIN() const {
    QMdiSubWindow* frame = mdiFrame(HANDLE());
    if (!frame || !frame->parentWidget()) return GUIOBJECT::ORIGIN();
    return toYUpOrigin(frame->geometry(), frame->parentWidget()->height());
}

void WINDOW::ORIGIN(const POINT& origin) {
    QMdiSubWindow* frame = mdiFrame(HANDLE());
    if (!frame || !frame->parentWidget()) {
        GUIOBJECT::ORIGIN(origin);
        return;
    }
    const QRect r = toQtRect(origin, DIMENSION(frame->width(), frame->height()), frame->parentWidget()->height());
    frame->move(r.topLeft());
}

void WINDOW::SIZE(const DIMENSION& size) {
    QWidget* w = HANDLE();
    QMdiSubWindow* frame = mdiFrame(w);
    if (!frame) {
        GUIOBJECT::SIZE(size);
        return;
    }
    const int width = std::max(0, size.WIDTH()), height = std::max(0, size.HEIGHT());
    const QMargins m = frame->contentsMargins();
    frame->resize(width + m.left() + m.right(), height + m.top() + m.bottom());
    // The frame's layout gives the window this size too, once it runs.
    w->resize(width, height);
}

std::vector<GUIOBJECT*> WINDOW::GETALLCHILDREN() const {
    std::vector<GUIOBJECT*> out;
    QWidget* s = surface();
    if (!s) return out;
    for (QObject* o : s->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w) continue;
        if (auto* client = qobject_cast<QMdiArea*>(w)) {
            for (QMdiSubWindow* frame : client->subWindowList())
                if (GUIOBJECT* g = GUIOBJECT::fromHandle(frame->widget())) out.push_back(g);
            continue;
        }
        if (GUIOBJECT* g = GUIOBJECT::fromHandle(w)) {
            if (g != this) out.push_back(g);
        }
    }
    return out;
}

std::vector<QWidget*> WINDOW::childWindows() const {
    std::vector<QWidget*> out;
    if (QWidget* s = surface()) {
        for (QObject* o : s->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && !w->property(kDestroyedProperty).toBool()) out.push_back(w);
        }
    }
    return out;
}

std::vector<CONTROL*> WINDOW::controls() const { return controls_; }

CONTROL* WINDOW::controlByName(const std::string& name) const {
    std::string n = upper(name);
    for (CONTROL* c : controls_)
        if (c->NAMESYM() == n) return c;
    return nullptr;
}

bool WINDOW::handleCloseRequest() {
    Event ev(WM_CLOSE);
    if (!forceClose_ && !QUERYCLOSE(ev)) return false;
    CLOSE(ev);
    if (!destroyed_) DESTROY();
    return true;
}

void WINDOW::ENDWINDOW(bool force) {
    QWidget* w = HANDLE();
    if (!w || destroyed_) return;
    forceClose_ = force;
    if (w->isWindow()) {
        w->close();
    } else {
        // A child window gets no close event from Qt while hidden; run the same steps.
        if (handleCloseRequest()) hideWindow(w);
    }
    forceClose_ = false;
}

void WINDOW::STATUSBAR(gui::STATUSBAR* bar) { statusBar_ = bar; }

namespace {
// A single-shot timer of the window's widget; the window deletes it before it goes itself.
QTimer* settleTimer(QWidget* widget, std::function<void()> done) {
    auto* timer = new QTimer(widget);
    timer->setSingleShot(true);
    timer->setInterval(kFrameDragSettleMs);
    QObject::connect(timer, &QTimer::timeout, timer, std::move(done));
    return timer;
}
}  // namespace

void WINDOW::frameResized(bool byWindowSystem) {
    QWidget* w = HANDLE();
    if (!byWindowSystem || !w || !w->isWindow() || !w->isVisible()) return;
    // Maximising and restoring resize the window too; they arrive as system commands.
    if (w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) return;
    if (stateResizePending_) {
        stateResizePending_ = false;
        return;
    }
    if (!frameDragEnd_) frameDragEnd_ = settleTimer(w, [this] { endFrameDrag(); });
    if (!frameDragging_) {
        frameDragging_ = true;
        SENDMESSAGE(WM_ENTERSIZEMOVE);
    }
    const QRect g = w->frameGeometry();
    gdi::RECT rect{g.left(), g.top(), g.right() + 1, g.bottom() + 1};
    SENDMESSAGE(WM_SIZING, WMSZ_BOTTOMRIGHT, reinterpret_cast<intptr_t>(&rect));
    if (auto* timer = qobject_cast<QTimer*>(frameDragEnd_.data())) timer->start();
}

void WINDOW::endFrameDrag() {
    if (auto* timer = qobject_cast<QTimer*>(frameDragEnd_.data())) timer->stop();
    if (!frameDragging_) return;
    frameDragging_ = false;
    SENDMESSAGE(WM_EXITSIZEMOVE);
}

void WINDOW::frameStateChanged(Qt::WindowStates old) {
    QWidget* w = HANDLE();
    if (!w || !w->isWindow()) return;
    endFrameDrag();
    stateResizePending_ = true;
    if (!stateSettled_) stateSettled_ = settleTimer(w, [this] { stateResizePending_ = false; });
    if (auto* timer = qobject_cast<QTimer*>(stateSettled_.data())) timer->start();
    const Qt::WindowStates now = w->windowState();
    const bool wasMin = old & Qt::WindowMinimized, isMin = now & Qt::WindowMinimized;
    const bool wasMax = old & Qt::WindowMaximized, isMax = now & Qt::WindowMaximized;
    uintptr_t command = 0;
    if (isMin && !wasMin) command = SC_MINIMIZE;
    else if (wasMin && !isMin) command = SC_RESTORE;
    else if (isMax && !wasMax) command = SC_MAXIMIZE;
    else if (wasMax && !isMax) command = SC_RESTORE;
    if (command) SENDMESSAGE(WM_SYSCOMMAND, command, 0);
}

void WINDOW::frameActivationChanged(bool active) {
    SENDMESSAGE(WM_NCACTIVATE, active ? 1 : 0, 0);
    Event ev(WM_ACTIVATE, active ? 1 : 0, 0);
    if (active) ACTIVATE(ev);
    else DEACTIVATE(ev);
}

void WINDOW::REGISTERTIMER(int seconds, bool oneTime) {
    if (QObject* b = bridgeObject()) {
        if (secondsTimerQtId_) b->killTimer(secondsTimerQtId_);
        secondsTimerQtId_ = 0;
        if (seconds > 0) secondsTimerQtId_ = b->startTimer(seconds * 1000);
        secondsTimerOnce_ = oneTime;
    }
}

void WINDOW::onQtTimer(int qtTimerId) {
    if (secondsTimerQtId_ && qtTimerId == secondsTimerQtId_) {
        if (secondsTimerOnce_) {
            if (QObject* b = bridgeObject()) b->killTimer(secondsTimerQtId_);
            secondsTimerQtId_ = 0;
        }
        TIMER();
        return;
    }
    GUIOBJECT::onQtTimer(qtTimerId);
}

void WINDOW::EXPOSE(ExposeEvent&) {}
void WINDOW::RESIZE(ResizeEvent&) {}
void WINDOW::MOUSEBUTTONDOWN(MouseEvent&) {}
void WINDOW::MOUSEBUTTONUP(MouseEvent&) {}
void WINDOW::MOUSEMOVE(MouseEvent&) {}
bool WINDOW::QUERYCLOSE(Event&) { return true; }
void WINDOW::ACTIVATE(Event&) {}
void WINDOW::DEACTIVATE(Event&) {}
void WINDOW::CLOSE(Event&) {}
void WINDOW::BUTTONCLICK(ControlEvent&) {}
void WINDOW::LISTBOXSELECT(ControlEvent&) {}
void WINDOW::EDITFOCUSCHANGE(EditFocusChangeEvent&) {}
void WINDOW::TIMER() {}

void WINDOW::DESTROY() {
    destroyed_ = true;
    delete frameDragEnd_.data();
    delete stateSettled_.data();
    frameDragging_ = false;
    if (QObject* b = bridgeObject()) {
        if (secondsTimerQtId_) b->killTimer(secondsTimerQtId_);
    }
    secondsTimerQtId_ = 0;
    hideWindow(HANDLE());
}

void WINDOW::addControl(CONTROL* c) {
    if (std::find(controls_.begin(), controls_.end(), c) == controls_.end()) controls_.push_back(c);
}

void WINDOW::removeControl(CONTROL* c) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
}

// ---------------------------------------------------------------------------------------
// Window classes

std::pair<QWidget*, QWidget*> WINDOW::makeTopFrame(WINDOW* win, Qt::WindowFlags flags) {
    auto* frame = new WindowWidget(win, true, false, nullptr, flags);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* surface = new WindowWidget(win, false, true, frame);
    layout->addWidget(surface, 1);
    return {frame, surface};
}

TOPAPPWINDOW::TOPAPPWINDOW(WINDOW* owner) : WINDOW(owner, makeTopFrame(this, Qt::Window)) {}

void TOPAPPWINDOW::STATUSBAR(gui::STATUSBAR* bar) {
    WINDOW::STATUSBAR(bar);
    QWidget* frame = HANDLE();
    if (!frame || !bar || !bar->HANDLE()) return;
    auto* layout = qobject_cast<QVBoxLayout*>(frame->layout());
    if (!layout) return;
    // One status bar below the canvas; an earlier one leaves the layout.
    for (int i = layout->count() - 1; i >= 1; --i) {
        QLayoutItem* item = layout->itemAt(i);
        if (item && item->widget() && item->widget() != bar->HANDLE()) {
            QWidget* old = item->widget();
            layout->removeWidget(old);
            old->hide();
        }
    }
    if (bar->HANDLE()->parentWidget() != frame) bar->HANDLE()->setParent(frame);
    if (layout->indexOf(bar->HANDLE()) < 0) layout->addWidget(bar->HANDLE(), 0);
    bar->HANDLE()->show();
}

CHILDAPPWINDOW::CHILDAPPWINDOW(WINDOW* owner, bool) : WINDOW(owner) {}

SHELLWINDOW::SHELLWINDOW(WINDOW* owner) : TOPAPPWINDOW(owner) {
    if (QWidget* area = surface()) {
        auto* layout = new QVBoxLayout(area);
        layout->setContentsMargins(0, 0, 0, 0);
        client_ = new MdiClient(area);
        layout->addWidget(client_);
    }
}

MdiClient* SHELLWINDOW::MDICLIENT() const { return static_cast<MdiClient*>(client_.data()); }

DATAWINDOW::DATAWINDOW(WINDOW* owner) : WINDOW(owner) {}

DATAWINDOW::~DATAWINDOW() = default;

void DATAWINDOW::ADDCONDITIONALCONTROL(CONTROL* c) {
    if (!c || std::find(conditional_.begin(), conditional_.end(), c) != conditional_.end()) return;
    conditional_.push_back(c);
    if (conditionalDisabled_) c->setConditionallyDisabled(true);
}

void DATAWINDOW::removeControl(CONTROL* c) {
    conditional_.erase(std::remove(conditional_.begin(), conditional_.end(), c), conditional_.end());
    WINDOW::removeControl(c);
}

void DATAWINDOW::REMOVECONDITIONALCONTROL(CONTROL* c) {
    auto it = std::find(conditional_.begin(), conditional_.end(), c);
    if (it == conditional_.end()) return;
    conditional_.erase(it);
    c->setConditionallyDisabled(false);
}

void DATAWINDOW::DISABLECONDITIONALCONTROLS() {
    conditionalDisabled_ = true;
    for (CONTROL* c : conditional_) c->setConditionallyDisabled(true);
}

void DATAWINDOW::ENABLECONDITIONALCONTROLS() {
    conditionalDisabled_ = false;
    for (CONTROL* c : conditional_) c->setConditionallyDisabled(false);
}

rt::Value DATAWINDOW::FIELDGET(const std::string& name) const {
    CONTROL* c = controlByName(name);
    return c ? c->VALUE() : rt::Value();
}

bool DATAWINDOW::FIELDPUT(const std::string& name, const rt::Value& value) {
    CONTROL* c = controlByName(name);
    if (!c) return false;
    c->VALUE(value);
    return true;
}

DIALOGWINDOW::DIALOGWINDOW(WINDOW* owner, bool modal)
    : WINDOW(owner, makeTopFrame(this, Qt::Dialog)), modal_(modal) {}

void DIALOGWINDOW::SHOW(int state) {
    QWidget* w = HANDLE();
    if (!w) return;
    if (!modal_) {
        WINDOW::SHOW(state);
        return;
    }
    ended_ = false;
    ModalRequest req;
    req.kind = ModalRequest::Kind::Dialog;
    req.caption = CAPTION();
    req.owner = OWNER();
    req.dialog = this;
    intptr_t r = runModal(req);
    if (!ended_) {
        result_ = r;
        ended_ = true;
    }
    if (QWidget* h = HANDLE()) h->hide();
}

void DIALOGWINDOW::ENDDIALOG(intptr_t result) {
    result_ = result;
    ended_ = true;
    if (QWidget* w = HANDLE()) w->hide();
}

DIMENSION DIALOGWINDOW::SIZETEXT(const std::string& text) const {
    QWidget* w = HANDLE();
    QFontMetrics fm(w ? w->font() : QFont());
    // One line, as a text extent is: a line break in the text does not start another.
    QSize s = fm.size(Qt::TextSingleLine, QString::fromStdString(text));
    return DIMENSION(s.width(), s.height());
}

void DIALOGWINDOW::CHANGEFONT(const FONT& font, bool) {
    if (QWidget* w = HANDLE()) w->setFont(font.qfont());
}

}  // namespace gui
