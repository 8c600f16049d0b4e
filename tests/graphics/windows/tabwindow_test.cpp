#include <gtest/gtest.h>

#include <QApplication>
#include <QTabBar>

#include "graphics/windows/tabwindow.h"
#include "graphics/windows/transparentforms.h"

using namespace gfx;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

class Form : public GDATAWINDOW {
public:
    using GDATAWINDOW::GDATAWINDOW;
    intptr_t DISPATCH(gui::Event& e) override {
        if (e.MESSAGE() == gui::WM_EXITSIZEMOVE) ++ends;
        return GDATAWINDOW::DISPATCH(e);
    }
    int ends = 0;
};

}  // namespace

TEST(TabWindow, DataPageIsFittedOtherPagesFillTheDisplayArea) {
    GTOPAPPWINDOW top;
    top.SIZE(gui::DIMENSION(600, 400));
    top.SHOW();
    GTABWINDOW tabs(&top);
    tabs.SIZE(gui::DIMENSION(400, 300));
    Form form(&tabs);
    GCHILDAPPWINDOW picture(&tabs);
    picture.ORIGIN(gui::POINT(5, 5));
    picture.SIZE(gui::DIMENSION(50, 40));
    tabs.oTabControl()->APPENDTAB(&picture, "Picture");
    tabs.oTabControl()->APPENDTAB(&form, "Form");
    tabs.SHOW();
    pump();
    EXPECT_EQ(tabs.oTabControl()->SELECTEDTABPAGE(), &picture);
    // A page of another kind lies in the display area, below the tabs, not over them.
    EXPECT_EQ(picture.HANDLE()->geometry(), tabs.oTabControl()->displayRect());
    EXPECT_GE(picture.HANDLE()->geometry().top(), tabs.oTabControl()->bar()->geometry().bottom());

    tabs.oTabControl()->SELECTTAB(1);
    pump();
    EXPECT_EQ(tabs.oTabControl()->SELECTEDTABPAGE(), &form);
    const QRect r = tabs.oTabControl()->displayRect();
    EXPECT_EQ(form.HANDLE()->geometry(), QRect(r.left() - 1, r.top(), r.width(), r.height() - 1));
    EXPECT_GE(form.ends, 1);
    EXPECT_TRUE(form.ISVISIBLE());
    EXPECT_FALSE(picture.ISVISIBLE());

    tabs.oTabControl()->SELECTTAB(0);
    pump();
    EXPECT_EQ(picture.HANDLE()->geometry(), tabs.oTabControl()->displayRect());  // not fitted by the window

    // A frame drag: nothing until it ends, then the data page is fitted again.
    tabs.oTabControl()->SELECTTAB(1);
    tabs.SENDMESSAGE(gui::WM_SIZING, 8, 0);
    tabs.SIZE(gui::DIMENSION(450, 320));
    pump();
    const int ends = form.ends;
    tabs.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
    EXPECT_FALSE(tabs.lSizing);
    const QRect grown = tabs.oTabControl()->displayRect();
    EXPECT_EQ(form.HANDLE()->geometry(), QRect(grown.left() - 1, grown.top(), grown.width(), grown.height() - 1));
    EXPECT_EQ(form.ends, ends + 1);
    tabs.DESTROY();
    EXPECT_EQ(tabs.oTabControl(), nullptr);
}

TEST(TabWindow, NoPagesOnlyTheInheritedHandling) {
    GTOPAPPWINDOW top;
    top.SHOW();
    GTABWINDOW tabs(&top);
    tabs.SHOW();
    tabs.SENDMESSAGE(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    tabs.SENDMESSAGE(gui::WM_SIZING, 8, 0);
    tabs.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
    tabs.TABSELECT();
    pump();
    EXPECT_EQ(tabs.oTabControl()->SELECTEDTABPAGE(), nullptr);
}

TEST(TabWindow, DeletedPagesLoseTheirTabs) {
    GTOPAPPWINDOW top;
    top.SIZE(gui::DIMENSION(600, 400));
    top.SHOW();
    GTABWINDOW tabs(&top);
    tabs.SIZE(gui::DIMENSION(400, 300));
    auto* selected = new Form(&tabs);
    auto* other = new GCHILDAPPWINDOW(&tabs);
    GCHILDAPPWINDOW kept(&tabs);
    tabs.oTabControl()->APPENDTAB(selected, "Selected");
    tabs.oTabControl()->APPENDTAB(other, "Other");
    tabs.oTabControl()->APPENDTAB(&kept, "Kept");
    tabs.SHOW();
    pump();
    EXPECT_EQ(tabs.oTabControl()->SELECTEDTABPAGE(), selected);

    delete selected;
    EXPECT_EQ(tabs.oTabControl()->pageCount(), 2);
    EXPECT_EQ(tabs.oTabControl()->bar()->count(), 2);
    EXPECT_EQ(tabs.oTabControl()->SELECTEDTABPAGE(), other);
    tabs.oTabControl()->SELECTTAB(1);
    delete other;
    EXPECT_EQ(tabs.oTabControl()->bar()->count(), 1);
    EXPECT_EQ(tabs.oTabControl()->bar()->tabText(0).toStdString(), "Kept");

    // Selecting, maximising and ending a drag reach only the living page.
    tabs.oTabControl()->SELECTTAB(0);
    tabs.SENDMESSAGE(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    tabs.SENDMESSAGE(gui::WM_SIZING, 8, 0);
    tabs.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
    pump();
    EXPECT_EQ(tabs.oTabControl()->SELECTEDTABPAGE(), &kept);
    EXPECT_TRUE(kept.ISVISIBLE());
    EXPECT_EQ(kept.HANDLE()->geometry(), tabs.oTabControl()->displayRect());
}
