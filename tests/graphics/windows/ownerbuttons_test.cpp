#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWindow>

#include "graphics/windows/ownerbuttons.h"
#include "graphics/windows/transparentforms.h"

using namespace gfx;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

class Canvas : public GTOPAPPWINDOW {
public:
    Canvas() {
        registerMethod("OKBUTTON", [this] { ++clicks; });
    }
    void PAINT() override {
        _OGRAPHICS->SETBACKGROUNDCOLOR(colour);
        _OGRAPHICS->PAINTERASECANVAS();
        if (stripe) {
            _OGRAPHICS->SETLINECOLOR(gui::COLOR(255, 0, 0)).SETFILLCOLOR(gui::COLOR(255, 0, 0));
            _OGRAPHICS->PAINTRECTANGLE(0, 40, 299, 19, 1.0);
        }
    }
    int colour = 11;  // cyan
    bool stripe = false;  // a red band from y 40 to 59 (y up) across the canvas
    int clicks = 0;
};

std::unique_ptr<Canvas> shownCanvas() {
    auto win = std::make_unique<Canvas>();
    win->SIZE(gui::DIMENSION(300, 200));
    win->SHOW();
    pump();
    return win;
}

uint32_t px(const OwnerDrawnButton& b, int x, int y) { return b.face().pixel(x, y) & 0xFFFFFF; }

int count(const QImage& img, uint32_t rgb) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) & 0xFFFFFF) == rgb;
    return n;
}

constexpr uint32_t kLight = 0xFFFFFF, kDark = 0x696969, kCyan = 0x00FFFF, kGrey = 0x6D6D6D;

// A "Close" button at (20, 30), 80 x 40, that names the owner's method `name`: opaque or
// transparent.
std::unique_ptr<OwnerDrawnButton> closeButton(gui::WINDOW* owner, bool opaque, const std::string& name) {
    const gui::POINT at(20, 30);
    const gui::DIMENSION size(80, 40);
    if (opaque) return std::make_unique<GFORMPUSHBUTTON>(owner, 7, at, size, "Close", name);
    return std::make_unique<GTRANSPUSHBUTTON>(owner, 7, at, size, "Close", name);
}

}  // namespace

TEST(OwnerDrawnButton, OutlineCodesAndWindowRegion) {
    auto win = shownCanvas();
    struct Case {
        int code, w, h;
        int form, corner, wantW, wantH, dx, dy;
    };
    const Case cases[] = {
        {2, 100, 60, 1, 10, 60, 60, 20, 0}, {2, 60, 100, 1, 10, 60, 60, 0, 20}, {2, 50, 50, 1, 10, 50, 50, 0, 0},
        {6, 120, 30, 0, 30, 120, 30, 0, 0}, {7, 80, 40, 0, 10, 80, 40, 0, 0},   {5, 80, 40, 5, 10, 80, 40, 0, 0},
        {0, 80, 40, 0, 10, 80, 40, 0, 0},   {-3, 80, 40, 0, 10, 80, 40, 0, 0},
    };
    for (const Case& c : cases) {
        GTRANSPUSHBUTTON b(win.get(), 1, gui::POINT(10, 10), gui::DIMENSION(c.w, c.h), "", "", c.code);
        EXPECT_EQ(b.form(), c.form) << c.code;
        EXPECT_EQ(b.cornerSize(), c.corner) << c.code;
        EXPECT_EQ(b.SIZE(), DIMENSION(c.wantW, c.wantH)) << c.code;
        EXPECT_EQ(b.ORIGIN(), POINT(10 + c.dx, 10 + c.dy)) << c.code;
        const int W = c.wantW, H = c.wantH;
        // Outlines 0 and 1 reach one pixel further right and down than the rectangle.
        EXPECT_EQ(b.inRegion(W, H / 2), c.form != 5) << c.code;
        EXPECT_TRUE(b.inRegion(W - 1, H / 2)) << c.code;
        EXPECT_EQ(b.inRegion(0, 0), c.form == 5) << c.code;
    }
}

TEST(OwnerDrawnButton, TransparentFaceInEachState) {
    auto win = shownCanvas();
    GTRANSPUSHBUTTON b(win.get(), 1, gui::POINT(20, 30), gui::DIMENSION(80, 40), "OK", "OKBUTTON", kFormRectangle);
    b.SHOW();
    pump();
    b.PAINTNEW();
    struct Case {
        const char* state;
        std::function<void()> enter;
        uint32_t outer, inner;
    };
    const Case cases[] = {
        {"rest", [] {}, kLight, kDark},
        {"pressed", [&] { b.SENDMESSAGE(gui::WM_LBUTTONDOWN); }, kDark, kLight},
        {"released", [&] { b.SENDMESSAGE(gui::WM_LBUTTONUP); b.SENDMESSAGE(WM_KILLFOCUS); }, kLight, kDark},
        {"focused", [&] { b.SENDMESSAGE(WM_SETFOCUS); }, kDark, kLight},
    };
    for (const Case& c : cases) {
        c.enter();
        EXPECT_EQ(px(b, 0, 20), c.outer) << c.state;
        EXPECT_EQ(px(b, 1, 20), c.inner) << c.state;
        EXPECT_EQ(px(b, 79, 20), c.outer) << c.state;
        // The owner's canvas shows through the face.
        EXPECT_EQ(px(b, 6, 6), kCyan) << c.state;
    }
    // The focus outline: every other pixel of the ring at inset 4.
    int dots = 0;
    for (int y = 5; y < 35; ++y) dots += px(b, 4, y) == kDark;
    EXPECT_GE(dots, 13);
    EXPECT_LE(dots, 17);
    b.SENDMESSAGE(WM_KILLFOCUS);
    EXPECT_EQ(px(b, 4, 10), kCyan);

    // Caption: in the text colour when enabled, in grey text colour when disabled.
    EXPECT_EQ(b.TEXTCOLOR().RED(), 1);
    EXPECT_GT(count(b.face(), 0x010000), 0);
    EXPECT_EQ(count(b.face(), kGrey), 0);
    b.DISABLE();
    b.PAINTNEW();
    EXPECT_GT(count(b.face(), kGrey), 0);
    EXPECT_EQ(count(b.face(), 0x010000), 0);
    b.ENABLE();
    // The shadow: the inverse colour one pixel up and to the left of the caption, drawn in
    // the button's own font without anti-aliasing.
    b.SENDMESSAGE(WM_SETFONT);
    b.SETSHADOW(true);
    b.PAINTNEW();
    EXPECT_GT(count(b.face(), 0xFEFFFF), 0);
    EXPECT_GT(count(b.face(), 0x010000), 0);
    b.SETSHADOW(false);
    b.PAINTNEW();
    EXPECT_EQ(count(b.face(), 0xFEFFFF), 0);

    // A new canvas colour reaches the face through the window's repaint request.
    win->colour = 15;
    win->PAINTNEW();
    EXPECT_EQ(px(b, 6, 6), 0xFFFFFFu);
    EXPECT_EQ(b.SENDMESSAGE(WM_ERASEBKGND), 1);
}

TEST(OwnerDrawnButton, OpaqueFaceAndBackColour) {
    auto win = shownCanvas();
    GFORMPUSHBUTTON b(win.get(), 1, gui::POINT(20, 30), gui::DIMENSION(80, 40), "", "", kFormRectangle);
    b.PAINTNEW();
    EXPECT_EQ(px(b, 40, 20), 0xF0F0F0u);
    EXPECT_EQ(px(b, 0, 20), kLight);
    EXPECT_EQ(px(b, 79, 20), 0xA0A0A0u);
    b.SENDMESSAGE(gui::WM_LBUTTONDOWN);
    EXPECT_EQ(px(b, 0, 20), kDark);
    EXPECT_EQ(px(b, 40, 20), 0xF0F0F0u);
    b.SENDMESSAGE(gui::WM_LBUTTONUP);
    b.SETBACKCOLOR(gui::COLOR(255, 0, 0));
    EXPECT_EQ(px(b, 40, 20), 0xFF0000u);
    b.SETBACKCOLOR();
    EXPECT_EQ(px(b, 40, 20), 0xF0F0F0u);
    b.BACKGROUND(gui::BRUSH(gui::COLOR(0, 128, 0)));
    EXPECT_EQ(px(b, 40, 20), 0x008000u);
    // A hollow brush is kept: the face is not filled and the owner's ground shows through.
    b.BACKGROUND(gui::BRUSH());
    EXPECT_TRUE(b.BACKGROUND().isClear());
    EXPECT_EQ(px(b, 40, 20), win->BACKGROUND().color().qcolor().rgb() & 0xFFFFFF);
    EXPECT_NE(px(b, 40, 20), 0x008000u);
    // What lies under the face shows through it, not the owner's ground colour: the canvas's
    // red band crosses the button (face rows 10 to 29).
    win->stripe = true;
    win->PAINTNEW();
    EXPECT_EQ(px(b, 40, 20), 0xFF0000u);
    EXPECT_EQ(px(b, 40, 10), 0xFF0000u);
    EXPECT_EQ(px(b, 40, 33), kCyan);
    EXPECT_EQ(px(b, 40, 6), kCyan);
    EXPECT_NE(px(b, 0, 20), 0xFF0000u);  // the frame stays over it
    b.BACKGROUND(gui::BRUSH(gui::COLOR(0, 0, 255), gui::BRUSHHATCHCROSS));
    EXPECT_EQ(b.BACKGROUND().STYLE(), gui::BRUSHHATCHCROSS);
    EXPECT_GT(count(b.face(), 0x0000FF), 0);
}

// A hatched face paints its hatch lines only: between them lies what lies under the button,
// the canvas's red band and cyan ground, as with a hollow face; no pixel of the face inside the
// frame is white.
TEST(OwnerDrawnButton, AHatchedFaceShowsTheGroundBetweenItsLines) {
    auto win = shownCanvas();
    win->stripe = true;
    win->PAINTNEW();
    GFORMPUSHBUTTON b(win.get(), 1, gui::POINT(20, 30), gui::DIMENSION(80, 40), "", "", kFormRectangle);
    for (int hatch : {gui::BRUSHHATCHCROSS, gui::BRUSHHATCHDIAGONAL45}) {
        b.BACKGROUND(gui::BRUSH(gui::COLOR(0, 0, 255), hatch));
        const QImage inner = b.face().copy(8, 8, 64, 24);
        EXPECT_GT(count(inner, 0x0000FF), 0) << hatch;
        EXPECT_GT(count(inner, 0xFF0000), 0) << hatch;
        EXPECT_GT(count(inner, kCyan), 0) << hatch;
        EXPECT_EQ(count(inner, kLight), 0) << hatch;
        EXPECT_EQ(count(inner, 0x0000FF) + count(inner, 0xFF0000) + count(inner, kCyan), 64 * 24) << hatch;
    }
}

TEST(OwnerDrawnButton, ClickAndEnterCallTheOwnersMethodByName) {
    auto win = shownCanvas();
    GTRANSPUSHBUTTON b(win.get(), 1, gui::POINT(20, 30), gui::DIMENSION(80, 40), "OK", "OKBUTTON");
    GFORMPUSHBUTTON other(win.get(), 2, gui::POINT(120, 30), gui::DIMENSION(80, 40), "Other", "NOSUCH");
    EXPECT_EQ(b.NAMESYM(), "OKBUTTON");
    EXPECT_EQ(other.NAMESYM(), "");
    EXPECT_EQ(other.CAPTION(), "Other");
    b.CLICK();
    EXPECT_EQ(win->clicks, 1);
    other.CLICK();
    EXPECT_EQ(win->clicks, 1);
    // Enter works only while the button has the focus; its release calls the method.
    b.SENDMESSAGE(WM_KEYDOWN, 13);
    b.SENDMESSAGE(WM_KEYUP, 13);
    EXPECT_FALSE(b.pressed());
    EXPECT_EQ(win->clicks, 1);
    b.SENDMESSAGE(WM_SETFOCUS);
    b.SENDMESSAGE(WM_KEYDOWN, 13);
    EXPECT_TRUE(b.pressed());
    b.SENDMESSAGE(WM_KEYUP, 13);
    EXPECT_FALSE(b.pressed());
    EXPECT_EQ(win->clicks, 2);
    b.SENDMESSAGE(WM_KEYUP, 32);
    EXPECT_EQ(win->clicks, 2);
}

TEST(OwnerDrawnButton, PicturesWithTheirTransparentColour) {
    auto win = shownCanvas();
    // Every pixel its own colour; the top-left one is the transparent colour.
    QImage gradient(100, 100, QImage::Format_RGB32);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) gradient.setPixel(x, y, qRgb(x, y, 0x80));
    gdi::HBITMAP bitmap = gdi::CreateBitmapFromImage(gradient);
    GTRANSPUSHBUTTON b(win.get(), 1, gui::POINT(20, 30), gui::DIMENSION(80, 40), "", "", kFormRectangle);
    b.IMAGE(bitmap);
    b.PAINTNEW();
    EXPECT_EQ(px(b, 10, 10), kCyan);  // no BS_BITMAP, no picture
    b.SETSTYLE(BS_BITMAP);
    b.SETSTRETCH(false, false, true);
    b.PAINTNEW();
    // Kept at its size and centred: the middle 68 x 28 from source (16, 36) at (6, 6).
    EXPECT_EQ(px(b, 6, 6), 0x102480u);
    EXPECT_EQ(px(b, 73, 33), 0x533F80u);
    EXPECT_EQ(px(b, 74, 20), kCyan);  // outside the inner clip
    // A BS_ICON button shows no bitmap.
    b.SETSTYLE(BS_BITMAP, false);
    b.SETSTYLE(BS_ICON);
    b.PAINTNEW();
    EXPECT_EQ(px(b, 10, 10), kCyan);

    // White top-left: the owner shows through every white pixel; stretched under the frame.
    QImage spot(10, 10, QImage::Format_RGB32);
    spot.fill(Qt::white);
    for (int y = 3; y < 7; ++y)
        for (int x = 3; x < 7; ++x) spot.setPixel(x, y, qRgb(255, 0, 0));
    gdi::HBITMAP white = gdi::CreateBitmapFromImage(spot);
    GTRANSPUSHBUTTON s(win.get(), 2, gui::POINT(120, 30), gui::DIMENSION(84, 44), "", "", kFormRectangle);
    s.SETSTYLE(BS_BITMAP);
    s.IMAGE(white);
    s.SETSTRETCH(true, true, false);
    s.PAINTNEW();
    EXPECT_EQ(px(s, 42, 22), 0xFF0000u);  // the red middle, scaled to (2, 2)-(82, 42)
    EXPECT_EQ(px(s, 10, 10), kCyan);

    // An icon is drawn inside through its alpha.
    QImage icon(20, 20, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    for (int y = 5; y < 15; ++y)
        for (int x = 5; x < 15; ++x) icon.setPixel(x, y, qRgba(0, 128, 0, 255));
    s.SETSTYLE(BS_BITMAP, false);
    s.SETSTYLE(BS_ICON);
    s.IMAGE(icon);
    s.PAINTNEW();
    EXPECT_EQ(px(s, 42, 22), 0x008000u);
    EXPECT_EQ(px(s, 10, 10), kCyan);
    gdi::DeleteObject(bitmap);
    gdi::DeleteObject(white);
}

TEST(OwnerDrawnButton, HandPointerComesFromTheCursorResource) {
    const GCURHAND hand;
    ASSERT_FALSE(hand.HANDLE().pixmap().isNull());
    EXPECT_EQ(hand.HANDLE().pixmap().size(), QSize(32, 32));
    EXPECT_EQ(hand.HANDLE().hotSpot(), QPoint(GCURHAND::kHotX, GCURHAND::kHotY));
    // The finger's tip is at the hot spot: black outline there, nothing left of the finger.
    const QImage picture = hand.HANDLE().pixmap().toImage();
    EXPECT_EQ(qAlpha(picture.pixel(12, 1)), 255);
    EXPECT_EQ(qAlpha(picture.pixel(2, 2)), 0);

    auto win = shownCanvas();
    GFORMPUSHBUTTON b(win.get(), 1, gui::POINT(20, 30), gui::DIMENSION(80, 40), "Go");
    EXPECT_EQ(b.HANDLE()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(b.HANDLE()->cursor().hotSpot(), QPoint(12, 1));
}

TEST(OwnerDrawnButton, AButtonItsOwnerDeletesFromItsOwnKeyOrClickGoesQuietly) {
    struct Case {
        const char* what;
        bool opaque;
        bool byKey;  // Enter on the focused button, else a left click
    };
    const Case cases[] = {
        {"transparent, Enter", false, true},
        {"opaque, Enter", true, true},
        {"transparent, click", false, false},
        {"opaque, click", true, false},
    };
    for (const Case& c : cases) {
        auto win = shownCanvas();
        std::unique_ptr<OwnerDrawnButton> button;
        int calls = 0;
        // The owner's method that the button names deletes the button.
        win->registerMethod("CLOSEBUTTON", [&] {
            ++calls;
            button.reset();
        });
        button = closeButton(win.get(), c.opaque, "CLOSEBUTTON");
        ASSERT_EQ(button->NAMESYM(), "CLOSEBUTTON") << c.what;
        button->SHOW();
        QApplication::setActiveWindow(win->HANDLE());
        button->SETFOCUS();
        pump();
        ASSERT_TRUE(button->focused()) << c.what;
        QWidget* face = button->HANDLE();
        if (c.byKey) {
            QTest::keyClick(win->HANDLE()->windowHandle(), Qt::Key_Return);
        } else {
            QTest::mouseClick(face, Qt::LeftButton, Qt::NoModifier, QPoint(40, 20));
        }
        pump();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(calls, 1) << c.what;
        EXPECT_EQ(button, nullptr) << c.what;
        // The window goes on: its repaint passes its children, and it shows its canvas
        // where the button was.
        win->PAINTNEW();
        const QImage shown = win->surface()->grab().toImage();
        EXPECT_EQ(shown.pixel(60, shown.height() - 1 - 50) & 0xFFFFFF, kCyan) << c.what;
    }
}

// The common case of an owner-drawn "Close" button: Enter on the shown, focused button calls
// the dialog's method that deletes the dialog, and with it the button's window (and the
// button itself where the dialog holds it). Nothing of the button or its event handling is
// touched after that.
TEST(OwnerDrawnButton, AButtonWhoseMethodDeletesItsDialogGoesQuietly) {
    // A dialog that may hold its button as part of itself.
    struct Dialog : GDIALOGWINDOW {
        std::unique_ptr<OwnerDrawnButton> own;
    };
    struct Case {
        const char* what;
        bool opaque, held;  // held: the dialog holds the button, else it is kept elsewhere
    };
    const Case cases[] = {
        {"transparent, held by the dialog", false, true},
        {"opaque, held by the dialog", true, true},
        {"transparent, kept elsewhere", false, false},
        {"opaque, kept elsewhere", true, false},
    };
    for (const Case& c : cases) {
        auto dialog = std::make_unique<Dialog>();
        dialog->SIZE(gui::DIMENSION(200, 120));
        int calls = 0;
        // Registered before the button is made, so that the button takes the method's name.
        dialog->registerMethod("CLOSEDIALOG", [&] {
            ++calls;
            dialog.reset();
        });
        std::unique_ptr<OwnerDrawnButton> button = closeButton(dialog.get(), c.opaque, "CLOSEDIALOG");
        OwnerDrawnButton* shown = button.get();
        if (c.held) dialog->own = std::move(button);
        ASSERT_EQ(shown->NAMESYM(), "CLOSEDIALOG") << c.what;
        dialog->SHOW();
        shown->SHOW();
        QApplication::setActiveWindow(dialog->HANDLE());
        shown->SETFOCUS();
        pump();
        ASSERT_TRUE(shown->focused()) << c.what;
        QTest::keyClick(dialog->HANDLE()->windowHandle(), Qt::Key_Return);
        pump();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(calls, 1) << c.what;
        EXPECT_EQ(dialog, nullptr) << c.what;
        // A button kept elsewhere outlives its window quietly and goes later.
        if (button) {
            EXPECT_EQ(button->HANDLE(), nullptr) << c.what;
        }
        button.reset();
        pump();
    }
}
