#include "graphics/windows/splitwindow.h"

#include <QEvent>
#include <QMouseEvent>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>

namespace gfx {

namespace {

// The end of a splitter drag: the handle sees the button go up.
class SplitterDoneFilter : public QObject {
public:
    SplitterDoneFilter(GSPLITWINDOW* window, QObject* parent) : QObject(parent), window_(window) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease)
            window_->SENDMESSAGE(gui::WM_LBUTTONUP, kSplitterDoneW, kSplitterDoneL);
        return false;
    }

private:
    GSPLITWINDOW* window_;
};

void watchHandles(QSplitter* splitter, GSPLITWINDOW* window) {
    for (int i = 1; i < splitter->count(); ++i) {
        QSplitterHandle* handle = splitter->handle(i);
        if (handle && !handle->property("mirvanoWatched").toBool()) {
            handle->installEventFilter(new SplitterDoneFilter(window, handle));
            handle->setProperty("mirvanoWatched", true);
        }
    }
}

}  // namespace

GSPLITWINDOW::GSPLITWINDOW(gui::WINDOW* owner, int columns, int rows)
    : gui::CHILDAPPWINDOW(owner, true), columns_(std::max(columns, 1)), rows_(std::max(rows, 1)) {
    clients_.assign(size_t(columns_ * rows_), nullptr);
    outer_ = new QSplitter(Qt::Vertical, surface());
    outer_->setChildrenCollapsible(false);
    for (int r = 0; r < rows_; ++r) {
        auto* row = new QSplitter(Qt::Horizontal);
        row->setChildrenCollapsible(false);
        for (int c = 0; c < columns_; ++c) {
            auto* frame = new QWidget();
            auto* layout = new QVBoxLayout(frame);
            layout->setContentsMargins(0, 0, 0, 0);
            row->addWidget(frame);
            paneFrames_.emplace_back(frame);
        }
        outer_->addWidget(row);
        watchHandles(row, this);
    }
    watchHandles(outer_, this);
    layoutPanes();
}

GSPLITWINDOW::~GSPLITWINDOW() = default;

void GSPLITWINDOW::SETPANECLIENT(gui::WINDOW* client, int pane) {
    if (pane < 1 || pane > columns_ * rows_ || !client || !client->HANDLE()) return;
    QWidget* frame = paneFrames_[size_t(pane - 1)];
    if (!frame || !frame->layout()) return;
    // The pane's earlier client goes back to the split window's surface, as a window it owns.
    if (QWidget* old = clients_[size_t(pane - 1)]; old && old != client->HANDLE()) {
        frame->layout()->removeWidget(old);
        old->setParent(surface());
        old->hide();
    }
    for (QPointer<QWidget>& other : clients_)
        if (other == client->HANDLE()) other = nullptr;  // a client moved from another pane
    frame->layout()->addWidget(client->HANDLE());
    clients_[size_t(pane - 1)] = client->HANDLE();
    client->HANDLE()->show();
}

gui::WINDOW* GSPLITWINDOW::GETPANECLIENT(int pane) const {
    if (pane < 1 || pane > columns_ * rows_) return nullptr;
    return dynamic_cast<gui::WINDOW*>(gui::GUIOBJECT::fromHandle(clients_[size_t(pane - 1)].data()));
}

void GSPLITWINDOW::SHOW(int state) {
    gui::CHILDAPPWINDOW::SHOW(state);
    nPanes = static_cast<uint16_t>(columns_ * rows_);
    for (int i = 1; i <= nPanes; ++i) {
        if (auto* data = dynamic_cast<gui::DATAWINDOW*>(GETPANECLIENT(i))) data->SHOW();
    }
    layoutPanes();
}

void GSPLITWINDOW::layoutPanes() {
    if (outer_ && surface()) outer_->setGeometry(surface()->rect());
}

void GSPLITWINDOW::RESIZE(gui::ResizeEvent& event) {
    // While the frame is dragged the panes keep their layout.
    if (lSizing) return;
    gui::CHILDAPPWINDOW::RESIZE(event);
    layoutPanes();
}

bool GSPLITWINDOW::answersPaintNew(gui::WINDOW* w) {
    return w && (dynamic_cast<GraphicsWindowCore*>(w) || w->hasMethod("PAINTNEW"));
}

intptr_t GSPLITWINDOW::DISPATCH(gui::Event& event) {
    const intptr_t result = gui::CHILDAPPWINDOW::DISPATCH(event);
    switch (event.MESSAGE()) {
        case gui::WM_SIZE: layoutPanes(); break;
        case gui::WM_SIZING: lSizing = true; break;
        case gui::WM_EXITSIZEMOVE:
            if (lSizing) {
                lSizing = false;
                SENDMESSAGE(gui::WM_SIZE, ISZOOMED() ? SIZE_MAXIMIZED : SIZE_RESTORED, 0);
                for (int i = 1; i <= nPanes; ++i) {
                    gui::WINDOW* client = GETPANECLIENT(i);
                    if (answersPaintNew(client) && !dynamic_cast<gui::DATAWINDOW*>(client)) client->REPAINT();
                }
            }
            break;
        case gui::WM_LBUTTONUP:
            if (event.WPARAM() == kSplitterDoneW && event.LPARAM() == kSplitterDoneL) {
                for (int i = 1; i <= nPanes; ++i) {
                    gui::WINDOW* client = GETPANECLIENT(i);
                    if (answersPaintNew(client)) client->REPAINT();
                }
            }
            break;
        default: break;
    }
    return result;
}

}  // namespace gfx
