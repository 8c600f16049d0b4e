#include "graphics/windows/tabwindow.h"

#include <QTabBar>
#include <QWidget>

#include "graphics/windows/transparentforms.h"

namespace gfx {

// ---- tab control -----------------------------------------------------------------------------------

TabControl::TabControl(GTABWINDOW* owner) : owner_(owner), bar_(new QTabBar(owner->surface())) {
    bar_->setDrawBase(true);
    QObject::connect(bar_.data(), &QTabBar::currentChanged, bar_.data(), [this](int) {
        showSelected();
        owner_->TABSELECT();
    });
    fit();
    bar_->show();
}

TabControl::~TabControl() { delete bar_.data(); }

gui::WINDOW* TabControl::pageAt(size_t index) const {
    if (index >= pages_.size()) return nullptr;
    // Null once the page's window object is gone or has been destroyed.
    return dynamic_cast<gui::WINDOW*>(gui::GUIOBJECT::fromHandle(pages_[index].data()));
}

void TabControl::showSelected() {
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (QWidget* w = pages_[i].data()) w->setVisible(bar_ && int(i) == bar_->currentIndex());
    }
}

void TabControl::forgetGonePages(const QObject* gone) {
    if (!bar_) return;
    for (size_t i = pages_.size(); i-- > 0;) {
        if (pages_[i] && pages_[i].data() != gone) continue;
        pages_.erase(pages_.begin() + std::ptrdiff_t(i));
        bar_->removeTab(int(i));
    }
}

void TabControl::fit() {
    QWidget* s = owner_->surface();
    if (!bar_ || !s) return;
    bar_->setGeometry(0, 0, s->width(), bar_->sizeHint().height());
    const QRect area = displayRect();
    for (size_t i = 0; i < pages_.size(); ++i) {
        gui::WINDOW* page = pageAt(i);
        if (page && page->HANDLE() && !dynamic_cast<GDATAWINDOW*>(page)) page->HANDLE()->setGeometry(area);
    }
}

void TabControl::APPENDTAB(gui::WINDOW* page, const std::string& caption) {
    if (!page || !page->HANDLE() || !bar_) return;
    QWidget* widget = page->HANDLE();
    pages_.emplace_back(widget);
    QObject::connect(widget, &QObject::destroyed, bar_.data(), [this](QObject* gone) { forgetGonePages(gone); });
    widget->setVisible(false);
    bar_->addTab(QString::fromStdString(caption));  // the first tab selects itself
    widget->setVisible(bar_->currentIndex() == int(pages_.size()) - 1);
    fit();
}

void TabControl::SELECTTAB(int index) {
    if (bar_ && index >= 0 && index < bar_->count()) bar_->setCurrentIndex(index);
}

gui::WINDOW* TabControl::SELECTEDTABPAGE() const {
    if (!bar_) return nullptr;
    const int i = bar_->currentIndex();
    return i >= 0 ? pageAt(size_t(i)) : nullptr;
}

QRect TabControl::displayRect() const {
    QWidget* s = owner_->surface();
    if (!s || !bar_) return {};
    const int top = bar_->height();
    // The frame around the display area takes two pixels on each side.
    return QRect(2, top + 2, std::max(s->width() - 4, 0), std::max(s->height() - top - 4, 0));
}

// ---- window ------------------------------------------------------------------------------------------

GTABWINDOW::GTABWINDOW(gui::WINDOW* owner) : gui::CHILDAPPWINDOW(owner, true) {
    tabs_ = std::make_unique<TabControl>(this);
    lSizing = false;
}

GTABWINDOW::~GTABWINDOW() = default;

bool GTABWINDOW::answersPaintNew(gui::WINDOW* w) {
    return w && (dynamic_cast<GraphicsWindowCore*>(w) || w->hasMethod("PAINTNEW"));
}

void GTABWINDOW::GDATAWINTAB() {
    gui::WINDOW* page = tabs_ ? tabs_->SELECTEDTABPAGE() : nullptr;
    if (!page || !page->HANDLE()) return;
    const QRect r = tabs_->displayRect();
    page->HANDLE()->setGeometry(r.left() - 1, r.top(), r.width(), std::max(r.height() - 1, 0));
    page->SENDMESSAGE(gui::WM_EXITSIZEMOVE, 0, 0);
}

void GTABWINDOW::TABSELECT() {
    if (!tabs_) return;
    if (dynamic_cast<GDATAWINDOW*>(tabs_->SELECTEDTABPAGE())) GDATAWINTAB();
}

void GTABWINDOW::SHOW(int state) {
    gui::CHILDAPPWINDOW::SHOW(state);
    if (tabs_ && answersPaintNew(tabs_->SELECTEDTABPAGE())) REPAINT();
}

void GTABWINDOW::RESIZE(gui::ResizeEvent& event) {
    if (lSizing) return;
    gui::CHILDAPPWINDOW::RESIZE(event);
    if (tabs_) tabs_->fit();
    if (!tabs_ || !ISVISIBLE() || !ISZOOMED()) return;
    gui::WINDOW* page = tabs_->SELECTEDTABPAGE();
    const bool graphic = answersPaintNew(page);
    if ((graphic && dynamic_cast<GDATAWINDOW*>(page)) || (!graphic && dynamic_cast<gui::DATAWINDOW*>(page)))
        GDATAWINTAB();
}

void GTABWINDOW::EXPOSE(gui::ExposeEvent& event) {
    if (lSizing) return;
    gui::CHILDAPPWINDOW::EXPOSE(event);
    gui::WINDOW* page = tabs_ ? tabs_->SELECTEDTABPAGE() : nullptr;
    if (ISVISIBLE() && answersPaintNew(page) && page->HANDLE()) page->HANDLE()->update();
}

intptr_t GTABWINDOW::DISPATCH(gui::Event& event) {
    const intptr_t result = gui::CHILDAPPWINDOW::DISPATCH(event);
    gui::WINDOW* page = tabs_ ? tabs_->SELECTEDTABPAGE() : nullptr;
    switch (event.MESSAGE()) {
        case gui::WM_SIZING: lSizing = true; break;
        case gui::WM_EXITSIZEMOVE:
            if (lSizing) {
                lSizing = false;
                if (tabs_) tabs_->fit();
                if (dynamic_cast<GDATAWINDOW*>(page)) {
                    GDATAWINTAB();
                } else {
                    REPAINT();
                }
            }
            break;
        case WM_NCACTIVATE:
            if (event.WPARAM() != 0 && answersPaintNew(page) && surface()) surface()->update();
            break;
        case WM_SYSCOMMAND:
            if ((event.WPARAM() == SC_MAXIMIZE || event.WPARAM() == SC_RESTORE) && answersPaintNew(page)) {
                if (dynamic_cast<GDATAWINDOW*>(page)) {
                    GDATAWINTAB();
                } else {
                    page->REPAINT();
                }
            }
            break;
        default: break;
    }
    return result;
}

void GTABWINDOW::DESTROY() {
    tabs_.reset();
    gui::CHILDAPPWINDOW::DESTROY();
}

}  // namespace gfx
