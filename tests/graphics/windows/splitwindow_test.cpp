#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSplitter>

#include "graphics/windows/splitwindow.h"
#include "graphics/windows/transparentforms.h"

using namespace gfx;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

template <class Base>
class Counting : public Base {
public:
    using Base::Base;
    void EXPOSE(gui::ExposeEvent& e) override {
        ++exposes;
        Base::EXPOSE(e);
    }
    int exposes = 0;
};

// The user lets go of the first splitter bar of the first row; FALSE when there is none.
bool endSplitterDrag(GSPLITWINDOW& split) {
    auto* outer = split.surface()->findChild<QSplitter*>(QString(), Qt::FindDirectChildrenOnly);
    QSplitter* row = outer ? outer->findChild<QSplitter*>() : nullptr;
    if (!row || row->count() < 2) return false;
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(row->handle(1), &release);
    return true;
}

}  // namespace

TEST(SplitWindow, PanesRepaintWhenADragEnds) {
    GTOPAPPWINDOW top;
    top.SIZE(gui::DIMENSION(600, 400));
    top.SHOW();
    GSPLITWINDOW split(&top, 2, 1);
    split.SIZE(gui::DIMENSION(400, 200));
    Counting<GCHILDAPPWINDOW> graphic(&split);
    Counting<GDATAWINDOW> form(&split);
    split.SETPANECLIENT(&graphic, 1);
    split.SETPANECLIENT(&form, 2);
    EXPECT_EQ(split.nPanes, 0);
    split.SHOW();
    pump();
    EXPECT_EQ(split.nPanes, 2);
    EXPECT_TRUE(form.ISVISIBLE());
    EXPECT_EQ(split.GETPANECLIENT(1), &graphic);
    EXPECT_EQ(split.GETPANECLIENT(3), nullptr);
    // The panes fill the window side by side.
    EXPECT_EQ(graphic.HANDLE()->height(), split.surface()->height());
    EXPECT_GE(graphic.HANDLE()->width() + form.HANDLE()->width(), split.surface()->width() - 10);

    // A splitter drag repaints both, data window included.
    int g0 = graphic.exposes, f0 = form.exposes;
    ASSERT_TRUE(endSplitterDrag(split));
    EXPECT_GT(graphic.exposes, g0);
    EXPECT_GT(form.exposes, f0);

    // A frame drag: the layout holds still, then only the graphics window is repainted.
    g0 = graphic.exposes;
    f0 = form.exposes;
    split.SENDMESSAGE(gui::WM_SIZING, 8, 0);
    const int before = graphic.HANDLE()->height();
    split.SIZE(gui::DIMENSION(400, 300));
    pump();
    EXPECT_EQ(graphic.HANDLE()->height(), before);
    split.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
    pump();
    EXPECT_FALSE(split.lSizing);
    EXPECT_EQ(graphic.HANDLE()->height(), split.surface()->height());
    // A drag that ends at the same size: only the graphics window is repainted by the end.
    split.SENDMESSAGE(gui::WM_SIZING, 8, 0);
    g0 = graphic.exposes;
    f0 = form.exposes;
    split.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
    EXPECT_GT(graphic.exposes, g0);
    EXPECT_EQ(form.exposes, f0);
    // A move without sizing does nothing here.
    split.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
}

TEST(SplitWindow, EmptyPanesAreSkipped) {
    GTOPAPPWINDOW top;
    top.SIZE(gui::DIMENSION(600, 400));
    top.SHOW();
    GSPLITWINDOW split(&top, 2, 2);
    split.SIZE(gui::DIMENSION(400, 300));
    Counting<GCHILDAPPWINDOW> graphic(&split);
    split.SETPANECLIENT(&graphic, 4);
    split.SETPANECLIENT(&graphic, 9);  // no such pane
    split.SHOW();
    pump();
    EXPECT_EQ(split.nPanes, 4);
    const int g0 = graphic.exposes;
    split.SENDMESSAGE(gui::WM_LBUTTONUP, kSplitterDoneW, kSplitterDoneL);
    EXPECT_GT(graphic.exposes, g0);
    split.SENDMESSAGE(gui::WM_LBUTTONUP, 0, 0);  // an ordinary button release is no notice
}

TEST(SplitWindow, DeletedPaneClientsAreForgotten) {
    GTOPAPPWINDOW top;
    top.SIZE(gui::DIMENSION(600, 400));
    top.SHOW();
    GSPLITWINDOW split(&top, 2, 1);
    split.SIZE(gui::DIMENSION(400, 200));
    auto* graphic = new Counting<GCHILDAPPWINDOW>(&split);
    auto* form = new Counting<GDATAWINDOW>(&split);
    split.SETPANECLIENT(graphic, 1);
    split.SETPANECLIENT(form, 2);
    split.SHOW();
    pump();
    delete graphic;
    delete form;
    EXPECT_EQ(split.GETPANECLIENT(1), nullptr);
    EXPECT_EQ(split.GETPANECLIENT(2), nullptr);

    // The end of a splitter drag and of a frame drag reach no freed pane.
    ASSERT_TRUE(endSplitterDrag(split));
    split.SENDMESSAGE(gui::WM_SIZING, 8, 0);
    split.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
    pump();

    // The pane takes a new client in the same place.
    Counting<GCHILDAPPWINDOW> again(&split);
    split.SETPANECLIENT(&again, 1);
    pump();
    EXPECT_EQ(split.GETPANECLIENT(1), &again);
    EXPECT_EQ(again.HANDLE()->height(), split.surface()->height());
    const int g0 = again.exposes;
    ASSERT_TRUE(endSplitterDrag(split));
    EXPECT_GT(again.exposes, g0);
}
