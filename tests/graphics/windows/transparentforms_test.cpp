#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "graphics/windows/transparentforms.h"

using namespace gfx;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// A red ground (the window's background brush) under a blue picture.
class BlueForm : public GDATAWINDOW {
public:
    using GDATAWINDOW::GDATAWINDOW;
    void PAINT() override {
        ++paints;
        GRAPHICS& g = *_OGRAPHICS;
        g.SETBACKGROUNDCOLOR(gui::COLOR(255, 0, 0));
        g.SETLINECOLOR(gui::COLOR(0, 0, 255)).SETFILLCOLOR(gui::COLOR(0, 0, 255));
        g.PAINTRECTANGLE(0, 0, g.GETDEVICEWIDTH(), g.GETDEVICEHEIGHT(), 1.0);
    }
    int paints = 0;
};

// What the user sees at a y-up point of the form's client area, controls included.
uint32_t shown(gui::WINDOW& w, int x, int y) {
    QWidget* s = w.surface();
    const QImage img = s->grab().toImage();
    return img.pixel(x, img.height() - 1 - y) & 0xFFFFFF;
}

// A slider that records the sizing messages it is sent.
class RecordingSlider : public gui::SLIDER {
public:
    RecordingSlider(gui::WINDOW* owner, int x) : gui::SLIDER(owner, 9, gui::POINT(x, 20), gui::DIMENSION(30, 100), gui::TBS_VERT) {}
    intptr_t DISPATCH(gui::Event& e) override {
        if (e.MESSAGE() == gui::WM_SIZE) sizes.push_back({e.WPARAM(), e.LPARAM()});
        return gui::SLIDER::DISPATCH(e);
    }
    std::vector<std::pair<uintptr_t, intptr_t>> sizes;
};

}  // namespace

TEST(TransparentForm, CanvasShowsThroughControlsUnlessSwitchedOff) {
    BlueForm form;
    form.SIZE(gui::DIMENSION(300, 200));
    gui::FIXEDTEXT text(&form, 1, gui::POINT(20, 20), gui::DIMENSION(100, 20));
    gui::CHECKBOX check(&form, 2, gui::POINT(20, 60), gui::DIMENSION(100, 20));
    form.POSTINIT();
    form.SHOW();
    text.SHOW();
    check.SHOW();
    pump();
    ASSERT_GE(form.paints, 1);
    EXPECT_EQ(shown(form, 200, 150), 0x0000FFu);
    EXPECT_EQ(shown(form, 90, 30), 0x0000FFu);  // through the empty fixed text
    EXPECT_EQ(shown(form, 110, 70), 0x0000FFu);  // through the check box's free part

    form.SETTRANSPARENT(false, false);
    pump();
    EXPECT_FALSE(form.transparent());
    EXPECT_EQ(shown(form, 90, 30), 0xFF0000u);  // the control fills with the window's ground
    EXPECT_EQ(shown(form, 200, 150), 0x0000FFu);
    form.SETTRANSPARENT();
    pump();
    EXPECT_EQ(shown(form, 90, 30), 0x0000FFu);
}

TEST(TransparentForm, SizingHoldsRepaintsUntilTheLoopEnds) {
    BlueForm form;
    form.SIZE(gui::DIMENSION(300, 200));
    form.SHOW();
    pump();
    EXPECT_EQ(form.SENDMESSAGE(gui::WM_SIZING, 8, 0), 0);
    EXPECT_TRUE(form.lSizing);
    form.SIZE(gui::DIMENSION(320, 220));
    pump();
    const int during = form.paints;
    EXPECT_EQ(form.SENDMESSAGE(0x0014), 1);
    EXPECT_EQ(form.SENDMESSAGE(gui::WM_PAINT), 1);
    form.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
    pump();
    EXPECT_FALSE(form.lSizing);
    EXPECT_EQ(form.paints, during + 1);  // the new size is painted once, at the end
    // A move loop without sizing notice also ends with a repaint (from the refresh bitmap).
    form.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
    pump();
    EXPECT_EQ(form.paints, during + 1);
    EXPECT_EQ(shown(form, 10, 10), 0x0000FFu);
}

TEST(TransparentForm, DialogTwinHasAWhiteCanvas) {
    GDIALOGWINDOW dialog;
    EXPECT_EQ(dialog._OGRAPHICS->_NBACKGRCOLOR & 0xFFFFFF, 0xFFFFFFu);
    GDATAWINDOW data;
    EXPECT_EQ(data._OGRAPHICS->_NBACKGRCOLOR & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_TRUE(data._LHASFOCUS);
    data.DEACTIVATE();
    EXPECT_FALSE(data._LHASFOCUS);
    data.DESTROY();
    EXPECT_EQ(data._OGRAPHICS, nullptr);
}

namespace {
// A platform form whose own handling answers WM_SIZING with a value of its own.
class AnsweringForm : public gui::DATAWINDOW {
public:
    using gui::DATAWINDOW::DATAWINDOW;
    intptr_t DISPATCH(gui::Event& e) override {
        return e.MESSAGE() == gui::WM_SIZING ? 7 : gui::DATAWINDOW::DISPATCH(e);
    }
};
}  // namespace

TEST(TransparentForm, SizingAnswerFollowsTheRuntimeLevel) {
    const uint16_t saved = RuntimeLevel;
    TransparentForm<AnsweringForm> form(7);
    struct Case { uint16_t level; intptr_t answer; } cases[] = {{26, 7}, {27, 0}, {28, 0}};
    for (const Case& c : cases) {
        RuntimeLevel = c.level;
        EXPECT_EQ(form.SENDMESSAGE(gui::WM_SIZING, 8, 0), c.answer) << c.level;
        EXPECT_TRUE(form.lSizing);
        form.SENDMESSAGE(gui::WM_EXITSIZEMOVE);
    }
    RuntimeLevel = saved;
}

TEST(TransparentForm, ControlPassSizesSlidersAndEndsAtAChildWindowWithoutObject) {
    BlueForm form;
    form.SIZE(gui::DIMENSION(300, 200));
    RecordingSlider first(&form, 10), hidden(&form, 50);
    auto* foreign = new QWidget(form.surface());
    RecordingSlider after(&form, 200);
    hidden.HIDE();
    form.POSTINIT();
    form.SHOW();
    pump();
    const std::vector<std::pair<uintptr_t, intptr_t>> once{{0, 0}};
    for (RecordingSlider* s : {&first, &hidden, &after}) s->sizes.clear();
    form.PAINTNEW();
    EXPECT_EQ(first.sizes, once);
    EXPECT_TRUE(hidden.sizes.empty());
    EXPECT_TRUE(after.sizes.empty());  // the pass ended at the window without object
    // An exposed area is copied from the canvas; the sliders are redrawn, not sized.
    first.sizes.clear();
    form.surface()->repaint();
    EXPECT_TRUE(first.sizes.empty());
    delete foreign;
    form.PAINTNEW();
    EXPECT_EQ(first.sizes, once);
    EXPECT_EQ(after.sizes, once);
    EXPECT_TRUE(hidden.sizes.empty());
}
