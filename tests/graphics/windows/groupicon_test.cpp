#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>

#include "graphics/windows/groupicon.h"

using namespace gfx;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

class Canvas : public GTOPAPPWINDOW {
public:
    void PAINT() override {
        _OGRAPHICS->SETBACKGROUNDCOLOR(11);
        _OGRAPHICS->PAINTERASECANVAS();
    }
};

constexpr uint32_t kCyan = 0x00FFFF, kLight = 0xFFFFFF, kShadow = 0xA0A0A0;

// Owner pixel at (dx, dy) from a top-left corner given y-up, counted down.
uint32_t at(const Canvas& w, int left, int topYUp, int dx, int dy) {
    const QImage* img = w.screen();
    return img->pixel(left + dx, img->height() - 1 - topYUp + dy) & 0xFFFFFF;
}

int textWidth(const char* text, int* halfHeight) {
    gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
    gdi::SelectObject(dc, gdi::GetStockObject(gdi::DEFAULT_GUI_FONT));
    gdi::SIZE s{0, 0};
    gdi::GetTextExtentPoint32A(dc, text, int(std::strlen(text)), &s);
    gdi::DeleteDC(dc);
    *halfHeight = s.cy / 2;
    return s.cx;
}

}  // namespace

TEST(TransparentGroupBox, EtchedFrameWithCaptionGapRepaintsOnRequest) {
    Canvas win;
    win.SIZE(gui::DIMENSION(400, 300));
    win.SHOW();
    pump();
    struct Case {
        const char* caption;
        int left, bottom;
    };
    for (const Case& c : {Case{"Abcd", 20, 20}, Case{"", 20, 150}}) {
        GTRANSGROUPBOX box(&win, 1, gui::POINT(c.left, c.bottom), gui::DIMENSION(200, 100));
        box.CAPTION(c.caption);
        EXPECT_EQ(box.SIZE(), DIMENSION(1, 1));
        EXPECT_EQ(box.ORIGIN(), POINT(c.left, c.bottom + 99));
        box.SHOW();
        win.PAINTNEW();  // the window's repaint request reaches the box
        ASSERT_GE(box.paints(), 1) << c.caption;
        int h = 0;
        const int cx = textWidth(c.caption, &h);
        const int top = c.bottom + 99;
        EXPECT_EQ(at(win, c.left, top, 0, h + 5), kShadow) << c.caption;
        EXPECT_EQ(at(win, c.left, top, 1, h + 5), kLight) << c.caption;
        EXPECT_EQ(at(win, c.left, top, 199, h + 5), kShadow) << c.caption;
        EXPECT_EQ(at(win, c.left, top, 200, h + 5), kLight) << c.caption;
        EXPECT_EQ(at(win, c.left, top, 201, h + 5), kCyan) << c.caption;
        EXPECT_EQ(at(win, c.left, top, 50, 100), kShadow) << c.caption;
        EXPECT_EQ(at(win, c.left, top, 50, 101), kLight) << c.caption;
        EXPECT_EQ(at(win, c.left, top, 50, 102), kCyan) << c.caption;
        EXPECT_EQ(at(win, c.left, top, 5, h), kShadow) << c.caption;
        EXPECT_EQ(at(win, c.left, top, 14 + cx + 1, h), kShadow) << c.caption;
        // The gap around the caption, none without one.
        EXPECT_EQ(at(win, c.left, top, 7, h) == kShadow, *c.caption == '\0') << c.caption;
        EXPECT_EQ(at(win, c.left, top, 100, 50), kCyan) << c.caption;

        const int before = box.paints();
        box.SENDMESSAGE(gui::WM_USER, 145, 0);
        EXPECT_EQ(box.paints(), before);
        box.SENDMESSAGE(gui::WM_USER, kPaintNewRequest, 0);
        EXPECT_EQ(box.paints(), before + 1);
        EXPECT_EQ(box.SENDMESSAGE(0x0014), 1);
        box.SENDMESSAGE(0x0030);  // a font of its own, drawn without anti-aliasing
        box.DESTROY();
    }
}

TEST(TransparentFixedIcon, QuestionMarkByDefaultNothingForAnUnknownName) {
    Canvas win;
    win.SIZE(gui::DIMENSION(300, 200));
    win.SHOW();
    pump();
    auto changed = [&](int left, int top) {
        int n = 0;
        for (int dy = 0; dy < 32; ++dy)
            for (int dx = 0; dx < 32; ++dx) n += at(win, left, top, dx, dy) != kCyan;
        return n;
    };
    GTRANSFIXEDICON question(&win, 1, gui::POINT(10, 10), gui::DIMENSION(32, 32));
    EXPECT_EQ(question.SIZE(), DIMENSION(1, 1));
    GTRANSFIXEDICON unknown(&win, 2, gui::POINT(100, 10), gui::DIMENSION(32, 32));
    unknown.HYPERLABEL(gui::HYPERLABEL("ICON", "NOSUCHICON"));
    question.SHOW();
    unknown.SHOW();
    win.PAINTNEW();
    EXPECT_GT(changed(10, 41), 50);
    EXPECT_LT(changed(10, 41), 32 * 32);  // transparent corners keep the canvas
    EXPECT_EQ(changed(100, 41), 0);
    EXPECT_EQ(unknown.paints(), 0);
    const int before = question.paints();
    question.SENDMESSAGE(gui::WM_USER, kPaintNewRequest, 0);
    EXPECT_EQ(question.paints(), before + 1);
    EXPECT_EQ(question.SENDMESSAGE(0x0014), 1);
}

TEST(TransparentFixedIcon, TheProgramsIconResourceIsDrawnThroughItsMask) {
    Canvas win;
    win.SIZE(gui::DIMENSION(300, 200));
    win.SHOW();
    pump();
    GTRANSFIXEDICON icon(&win, 1, gui::POINT(10, 10), gui::DIMENSION(32, 32));
    icon.HYPERLABEL(gui::HYPERLABEL("ICON", "ICOAPP_VO"));
    icon.SHOW();
    win.PAINTNEW();
    EXPECT_GE(icon.paints(), 1);
    EXPECT_EQ(at(win, 10, 41, 26, 16), 0x3CA03Cu);  // the green arrow
    EXPECT_EQ(at(win, 10, 41, 6, 10), 0xFAFAF0u);   // the sheet
    EXPECT_EQ(at(win, 10, 41, 0, 0), kCyan);        // a transparent corner keeps the canvas
}

TEST(TransparentGroupBoxAndFixedIcon, DrawOnAnOwnerThatIsNoGraphicsWindow) {
    for (const bool inForm : {false, true}) {
        // A plain top-level window, or a plain form inside one, with a cyan ground.
        gui::TOPAPPWINDOW top;
        top.SIZE(gui::DIMENSION(400, 300));
        gui::DATAWINDOW form(&top);
        form.SIZE(gui::DIMENSION(400, 300));
        gui::WINDOW* owner = inForm ? static_cast<gui::WINDOW*>(&form) : &top;
        if (!inForm) form.HIDE();
        owner->BACKGROUND(gui::BRUSH(gui::COLOR(0, 255, 255)));
        GTRANSGROUPBOX box(owner, 1, gui::POINT(20, 20), gui::DIMENSION(200, 100));
        box.CAPTION("Abcd");
        top.SHOW();
        box.SHOW();
        pump();
        // Made on the shown owner.
        GTRANSFIXEDICON icon(owner, 2, gui::POINT(300, 20), gui::DIMENSION(32, 32));
        icon.HYPERLABEL(gui::HYPERLABEL("ICON", "ICOAPP_VO"));
        pump();
        EXPECT_GE(box.paints(), 1);
        EXPECT_GE(icon.paints(), 1);
        // What the user sees on the owner: the etched frame with the caption in its gap, the
        // icon through its mask, and the owner's ground everywhere else.
        const QImage shown = owner->surface()->grab().toImage();
        const auto px = [&](int left, int topYUp, int dx, int dy) {
            return shown.pixel(left + dx, shown.height() - 1 - topYUp + dy) & 0xFFFFFF;
        };
        int h = 0;
        const int cx = textWidth("Abcd", &h);
        EXPECT_EQ(px(20, 119, 0, h + 5), kShadow);
        EXPECT_EQ(px(20, 119, 1, h + 5), kLight);
        EXPECT_EQ(px(20, 119, 199, h + 5), kShadow);
        EXPECT_EQ(px(20, 119, 200, h + 5), kLight);
        EXPECT_EQ(px(20, 119, 201, h + 5), kCyan);
        EXPECT_EQ(px(20, 119, 50, 100), kShadow);
        EXPECT_EQ(px(20, 119, 50, 101), kLight);
        EXPECT_EQ(px(20, 119, 5, h), kShadow);
        EXPECT_EQ(px(20, 119, 7, h), kCyan);  // the gap around the caption
        EXPECT_EQ(px(20, 119, 14 + cx + 1, h), kShadow);
        EXPECT_EQ(px(20, 119, 100, 50), kCyan);
        int ink = 0;
        for (int dy = 0; dy < h * 2; ++dy)
            for (int dx = 10; dx < 10 + cx; ++dx) ink += px(20, 119, dx, dy) != kCyan;
        EXPECT_GT(ink, 10);  // the caption
        EXPECT_EQ(px(300, 51, 26, 16), 0x3CA03Cu);  // the green arrow
        EXPECT_EQ(px(300, 51, 0, 0), kCyan);        // a transparent corner keeps the ground
        // A click on the frame reaches the owner, not a window of the box.
        const QPoint onFrame(20 + 50, shown.height() - 1 - 119 + 100);
        QWidget* hit = owner->surface()->childAt(onFrame);
        EXPECT_TRUE(hit == nullptr || gui::GUIOBJECT::fromHandle(hit) != nullptr);
        box.DESTROY();
        icon.DESTROY();
        pump();
        EXPECT_EQ(owner->surface()->grab().toImage().pixel(onFrame) & 0xFFFFFF, kCyan);
    }
}
