#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWindow>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <memory>

#include "graphics/windows/additions.h"
#include "graphics/windows/gwindows.h"
#include "platform/gui/controls.h"

using namespace gfx;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// A window that draws a gradient and a text, and counts its hooks.
class PictureWindow : public GTOPAPPWINDOW {
public:
    using GTOPAPPWINDOW::GTOPAPPWINDOW;
    using GTOPAPPWINDOW::EXPOSE;
    void PAINT() override {
        ++paints;
        GRAPHICS& g = *_OGRAPHICS;
        g.SETBACKGROUNDCOLOR(11);
        g.PAINTGRADIENTCANVAS(10, 0);
        g.SETSTRINGCOLOR(12);
        g.SETSTRINGFONT(FontFace(32.0), 0.0, 24.0, 2.0, 2.0);
        g.PAINTSTRING(10, 10, "Graphics");
    }
    void TIMEREVENT(unsigned interval) override { ticks.push_back(interval); }
    void EXPOSE(gui::ExposeEvent& e) override {
        ++exposes;
        GTOPAPPWINDOW::EXPOSE(e);
    }
    intptr_t DISPATCH(gui::Event& e) override {
        if (e.MESSAGE() == gui::WM_USER) notices.push_back(e.WPARAM());
        return GTOPAPPWINDOW::DISPATCH(e);
    }
    QWidget* surfaceWidget() const { return surface(); }
    int paints = 0;
    int exposes = 0;
    std::vector<unsigned> ticks;
    std::vector<uintptr_t> notices;
};

// A control that repaints itself on the window's request.
class SelfPaintingText : public gui::FIXEDTEXT, public PaintNewReceiver {
public:
    SelfPaintingText(gui::WINDOW* owner, int x, int y)
        : gui::FIXEDTEXT(owner, 1, gui::POINT(x, y), gui::DIMENSION(40, 20)) {}
    void PAINTNEW() override { ++requests; }
    intptr_t DISPATCH(gui::Event& e) override {
        if (e.MESSAGE() == gui::WM_USER && e.WPARAM() == kPaintNewRequest) PAINTNEW();
        return gui::FIXEDTEXT::DISPATCH(e);
    }
    int requests = 0;
};

class SmallChild : public GCHILDAPPWINDOW {
public:
    using GCHILDAPPWINDOW::GCHILDAPPWINDOW;
    void PAINT() override { ++paints; }
    int paints = 0;
};

// A window whose canvas shows through its transparent controls.
class TransparentWindow : public PictureWindow, public TransparentCanvasWindow {
public:
    bool transparent() const override { return true; }
    GRAPHICS* transparentCanvas() const override { return _OGRAPHICS.get(); }
};

uint32_t screenAt(const PictureWindow& w, int x, int y) {
    const QImage* img = w.screen();
    return img->pixel(x, img->height() - 1 - y) & 0xFFFFFF;
}

std::unique_ptr<PictureWindow> shownWindow(int w = 300, int h = 200) {
    auto win = std::make_unique<PictureWindow>();
    win->SIZE(gui::DIMENSION(w, h));
    win->SHOW();
    pump();
    return win;
}

}  // namespace

TEST(GraphicsWindow, FirstExposePaintsThenExposedAreasComeFromTheRefreshBitmap) {
    auto win = shownWindow();
    ASSERT_GE(win->exposes, 1);
    EXPECT_EQ(win->paints, 1);
    GRAPHICS& g = *win->_OGRAPHICS;
    const DIMENSION size = win->CANVASAREA().SIZE();
    EXPECT_EQ(g._ODIM, size);
    EXPECT_EQ(win->nLastWidth, size.WIDTH());
    QImage* store = gdi::GetBitmapImage(g._PREFRESHBMP);
    ASSERT_NE(store, nullptr);
    const QImage picture = win->screen()->copy();
    EXPECT_EQ(store->convertToFormat(picture.format()), picture);
    const uint32_t top = screenAt(*win, 5, size.HEIGHT() - 1);
    EXPECT_EQ(g.GETPOINTCOLOR(5, size.HEIGHT() - 1), gdi::RGB(top >> 16, (top >> 8) & 255, top & 255));

    // Another window covered part of this one: its screen lost that part.
    pump();
    const_cast<QImage*>(win->screen())->fill(Qt::magenta);
    // Uncovering a part (top-down Qt rectangle) exposes just that part.
    const QRect uncovered(20, 30, 100, 50);
    win->surfaceWidget()->repaint(uncovered);
    EXPECT_EQ(win->paints, 1);  // no new drawing
    const int H = size.HEIGHT();
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < size.WIDTH(); ++x) {
            const bool inside = uncovered.contains(x, H - 1 - y);
            const uint32_t want = inside ? picture.pixel(x, H - 1 - y) & 0xFFFFFF : 0xFF00FF;
            ASSERT_EQ(screenAt(*win, x, y), want) << x << "," << y;
        }
    }
    // And what the widget shows of it is the restored picture.
    const QImage shown = win->surfaceWidget()->grab(uncovered).toImage().convertToFormat(picture.format());
    EXPECT_EQ(shown, picture.copy(uncovered));
}

TEST(GraphicsWindow, SizeChangeRepaintsInFullAndSmallCanvasSkipsPaint) {
    auto win = shownWindow();
    SelfPaintingText text(win.get(), 10, 10);
    text.SHOW();
    SelfPaintingText hidden(win.get(), 200, 10);
    hidden.HIDE();
    win->SIZE(gui::DIMENSION(320, 220));
    pump();
    EXPECT_EQ(win->paints, 2);
    EXPECT_EQ(win->nLastWidth, win->CANVASAREA().SIZE().WIDTH());
    EXPECT_GE(text.requests, 1);
    EXPECT_EQ(hidden.requests, 0);
    text.requests = 0;
    win->PAINTNEW();
    EXPECT_EQ(win->paints, 3);
    EXPECT_EQ(text.requests, 1);
    EXPECT_EQ(hidden.requests, 0);

    // An exposed area asks only the children inside it.
    gui::ExposeEvent far(BOUNDINGBOX(POINT(150, 100), DIMENSION(50, 50)));
    win->EXPOSE(far);
    EXPECT_EQ(text.requests, 1);
    gui::ExposeEvent near(BOUNDINGBOX(text.ORIGIN(), DIMENSION(5, 5)));
    win->EXPOSE(near);
    EXPECT_EQ(text.requests, 2);
    EXPECT_EQ(win->paints, 3);

    // A canvas of 10 pixels or less is not painted and asks no child.
    SmallChild small(win.get());
    small.SIZE(gui::DIMENSION(10, 150));
    SelfPaintingText child(&small, 0, 0);
    small.SHOW();
    pump();
    child.requests = 0;
    small.PAINTNEW();
    EXPECT_EQ(small.paints, 0);
    EXPECT_EQ(child.requests, 0);
    EXPECT_EQ(small._OGRAPHICS->_ODIM, DIMENSION(10, 150));
}

TEST(GraphicsWindow, DispatchSizingSysCommandAndTimer) {
    auto win = shownWindow();
    struct Step { uint32_t message; uintptr_t wParam; bool repaints; } steps[] = {
        {gui::WM_EXITSIZEMOVE, 0, false},  // a move without sizing
        {gui::WM_SIZING, 8, false},
        {gui::WM_EXITSIZEMOVE, 0, true},
        {WM_SYSCOMMAND, SC_MAXIMIZE, true},
        {WM_SYSCOMMAND, SC_RESTORE, true},
        {WM_SYSCOMMAND, 0xF032, false},
    };
    for (const auto& s : steps) {
        const int before = win->exposes;
        gui::Event e(s.message, s.wParam, 0);
        win->DISPATCH(e);
        EXPECT_EQ(win->exposes > before, s.repaints) << std::hex << s.message << " " << s.wParam;
    }
    // While sizing, exposes are ignored.
    gui::Event sizing(gui::WM_SIZING, 8, 0);
    win->DISPATCH(sizing);
    EXPECT_TRUE(win->lSizing);
    win->SIZE(gui::DIMENSION(350, 250));
    pump();
    EXPECT_EQ(win->paints, 1);
    gui::Event done(gui::WM_EXITSIZEMOVE, 0, 0);
    win->DISPATCH(done);
    EXPECT_FALSE(win->lSizing);
    EXPECT_EQ(win->paints, 2);

    gui::Event tick1(gui::WM_TIMER, 1, 0), tick2(gui::WM_TIMER, 2, 0);
    win->DISPATCH(tick1);
    EXPECT_TRUE(win->ticks.empty());
    win->SETTIMER(250);
    win->DISPATCH(tick1);
    win->DISPATCH(tick2);
    win->SETTIMER(0);
    win->DISPATCH(tick1);
    EXPECT_EQ(win->ticks, std::vector<unsigned>{250});

    win->DESTROY();
    EXPECT_EQ(win->_OGRAPHICS, nullptr);
    win->DESTROY();
    win->EXPOSE();  // harmless without a canvas
}

TEST(GraphicsWindow, ChildWindowHasItsOwnCanvas) {
    auto top = shownWindow();
    GCHILDAPPWINDOW child(top.get());
    child.ORIGIN(gui::POINT(10, 10));
    child.SIZE(gui::DIMENSION(100, 60));
    child.SHOW();
    pump();
    ASSERT_NE(child._OGRAPHICS, nullptr);
    EXPECT_EQ(child._NDEVICETYP, 0);
    EXPECT_EQ(child._OGRAPHICS->_ODIM, DIMENSION(100, 60));
    EXPECT_NE(child._OGRAPHICS->_PREFRESHMEMDC, nullptr);
    child._OGRAPHICS->SETBACKGROUNDCOLOR(12);
    child._OGRAPHICS->PAINTERASECANVAS();
    EXPECT_EQ(child.screen()->pixel(50, 30) & 0xFFFFFF, 0xFF0000u);
    EXPECT_NE(top->screen()->pixel(50, 30) & 0xFFFFFF, 0xFF0000u);  // the owner's canvas is apart
}

// ---- additions to platform classes --------------------------------------------------------

TEST(PlatformAdditions, LogicalFontRecord) {
    gui::FONT arial(gui::FONTSWISS, gui::DIMENSION(0, -13), "Arial");
    arial.BOLD(true);
    arial.ITALIC(true);
    gdi::LOGFONT lf = GETLOGFONTSTRUCT(arial);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfPitchAndFamily, gdi::FF_SWISS);
    EXPECT_EQ(lf.lfQuality, 0);

    gui::FONT noFace(gui::FONTROMAN, 10);
    lf = GETLOGFONTSTRUCT(noFace);
    EXPECT_EQ(lf.lfFaceName[0], '\0');
    EXPECT_EQ(lf.lfHeight, -13);  // 10 points on the screen

    // A face name longer than the record's 31 bytes is cut, never written past the field.
    gui::FONT longFace(gui::FONTANY, 12, std::string(40, 'F') + "tail");
    lf = GETLOGFONTSTRUCT(longFace);
    EXPECT_EQ(std::string(lf.lfFaceName), std::string(31, 'F'));
}

TEST(PlatformAdditions, RadioCheckNoticeAndTextControlStates) {
    auto win = shownWindow();
    gui::RADIOBUTTON radio(win.get(), 5, gui::POINT(20, 20), gui::DIMENSION(80, 20));
    radio.SHOW();
    pump();
    for (uintptr_t state : {1u, 0u}) {
        gui::Event check(gui::BM_SETCHECK, state, 0);
        RADIOBUTTONDISPATCH(radio, check);
    }
    ASSERT_EQ(win->notices.size(), 2u);
    EXPECT_EQ(win->notices[0], kRadioCheckNotice);
    radio.HIDE();
    gui::Event check(gui::BM_SETCHECK, 1, 0);
    RADIOBUTTONDISPATCH(radio, check);
    EXPECT_EQ(win->notices.size(), 2u);  // no notice for a hidden button

    // A plain window: only the inherited enable and disable.
    gui::CHECKBOX box(win.get(), 6, gui::POINT(20, 60), gui::DIMENSION(80, 20));
    box.SHOW();
    TEXTCONTROLDISABLE(box);
    EXPECT_FALSE(box.ISENABLED());
    TEXTCONTROLENABLE(box);
    EXPECT_TRUE(box.ISENABLED());

    // On a transparent window the canvas under the control comes back from the refresh bitmap.
    TransparentWindow clear;
    clear.SIZE(gui::DIMENSION(300, 200));
    clear.SHOW();
    pump();
    gui::CHECKBOX onCanvas(&clear, 7, gui::POINT(20, 60), gui::DIMENSION(80, 20));
    onCanvas.SHOW();
    pump();
    const QImage picture = clear.screen()->copy();
    const int H = picture.height();
    QImage* screen = const_cast<QImage*>(clear.screen());
    screen->fill(Qt::magenta);
    TEXTCONTROLDISABLE(onCanvas);
    EXPECT_EQ(screen->pixel(30, H - 1 - 65), picture.pixel(30, H - 1 - 65));
    screen->fill(Qt::magenta);
    TEXTCONTROLDISABLE(onCanvas);  // again: the same
    EXPECT_EQ(screen->pixel(30, H - 1 - 65), picture.pixel(30, H - 1 - 65));
    screen->fill(Qt::magenta);
    gui::PUSHBUTTON push(&clear, 8, gui::POINT(150, 60), gui::DIMENSION(80, 20));
    push.SHOW();
    TEXTCONTROLDISABLE(push);  // not a transparent kind: inherited only
    EXPECT_EQ(screen->pixel(160, H - 1 - 65) & 0xFFFFFF, 0xFF00FFu);
}

TEST(GraphicsWindow, AFrameDragByTheWindowSystemCostsOneRepaintAtItsEnd) {
    auto win = shownWindow();
    const int paints = win->paints;
    QWindow* frame = win->HANDLE()->windowHandle();
    ASSERT_NE(frame, nullptr);
    QElapsedTimer clock;
    auto pumpUntil = [&](auto done) {
        clock.start();
        while (!done() && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return done();
    };
    for (int step = 1; step <= 4; ++step) {
        const QSize size(300 + 15 * step, 200 + 10 * step);
        frame->resize(size);
        ASSERT_TRUE(pumpUntil([&] { return win->HANDLE()->size() == size; })) << step;
        pump();
        EXPECT_TRUE(win->lSizing) << step;
        EXPECT_EQ(win->paints, paints) << step;
    }
    ASSERT_TRUE(pumpUntil([&] { return !win->lSizing; }));
    pump();
    EXPECT_FALSE(win->lSizing);
    EXPECT_EQ(win->paints, paints + 1);
    EXPECT_EQ(win->_OGRAPHICS->_ODIM, win->CANVASAREA().SIZE());
    // What is shown is the picture at the new size: its gradient reaches the far corner.
    const QImage shown = win->surfaceWidget()->grab().toImage();
    EXPECT_EQ(shown.size(), QSize(360, 240));
    EXPECT_EQ(shown.pixel(355, 5) & 0xFFFFFF, screenAt(*win, 355, 234));
}

TEST(GraphicsWindow, ARadioButtonsOwnCheckReachesItsOwner) {
    auto win = shownWindow();
    gui::RADIOBUTTON radio(win.get(), 5, gui::POINT(20, 20), gui::DIMENSION(80, 20));
    radio.SHOW();
    pump();
    win->notices.clear();
    radio.PRESSED(true);  // from code
    QWidget* w = radio.HANDLE();
    const QPointF at(6, w->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &press);  // the user's click
    QApplication::sendEvent(w, &release);
    EXPECT_EQ(win->notices, (std::vector<uintptr_t>{kRadioCheckNotice, kRadioCheckNotice}));
}

TEST(GraphicsWindow, ChildPassEndsAtTheFirstChildTheLibraryDidNotMake) {
    auto win = shownWindow();
    SelfPaintingText first(win.get(), 10, 10);
    auto* foreign = new QWidget(win->surfaceWidget());
    SelfPaintingText after(win.get(), 60, 10);
    first.SHOW();
    foreign->show();
    after.SHOW();
    pump();
    first.requests = after.requests = 0;
    win->PAINTNEW();
    EXPECT_EQ(first.requests, 1);
    EXPECT_EQ(after.requests, 0);
    delete foreign;
    win->PAINTNEW();
    EXPECT_EQ(after.requests, 1);
}
