#include <gtest/gtest.h>

#include <QImage>
#include <memory>

#include "graphics/canvas/objects.h"
#include "graphics/canvas/shapes_figures.h"
#include "graphics/windows/devices.h"
#include "metafile_playback.h"
#include "test_env.h"

using namespace gfx;

namespace {

constexpr uint32_t kRed = 0xFF0000, kWhite = 0xFFFFFF;

// y-up pixel of a top-down image.
uint32_t at(const QImage& image, int x, int y) { return image.pixel(x, image.height() - 1 - y) & 0xFFFFFF; }

int count(const QImage& image, uint32_t rgb) {
    int n = 0;
    for (int r = 0; r < image.height(); ++r)
        for (int c = 0; c < image.width(); ++c) n += (image.pixel(c, r) & 0xFFFFFF) == rgb;
    return n;
}

// A red square with a white hole: the hole shows only when the erase follows the square.
rt::Value squareThenHole(GRAPHICS& g) {
    g.SETFILLCOLOR(gui::COLOR(255, 0, 0)).SETLINECOLOR(gui::COLOR(255, 0, 0)).SETBACKGROUNDCOLOR(15);
    return rt::Value::array({makeDrawObjectValue(std::make_shared<OBJECTRECTANGLE>(&g, 0, 0, 30, 30, 1.0)),
                             rt::Value(7.0),
                             makeDrawObjectValue(std::make_shared<OBJECTERASEAREA>(&g, 10, 10, 10, 10, Opt{}))});
}

void expectSquareWithHole(const QImage& image, const char* what) {
    EXPECT_EQ(at(image, 5, 5), kRed) << what;
    EXPECT_EQ(at(image, 15, 15), kWhite) << what;
    EXPECT_EQ(at(image, 25, 25), kRed) << what;
    EXPECT_EQ(at(image, 35, 35), kWhite) << what;
}

}  // namespace

TEST(DrawLists, MemoryBitmapDrawsEveryDrawingObjectOfAnArrayInOrder) {
    GMEMORY device(2, 50, 50, false);
    GRAPHICS& g = *device.oGraphics;
    g.PAINTERASECANVAS();
    device.DRAW(squareThenHole(g));
    expectSquareWithHole(*gdi::GetDCImage(device.GETMEMORYDC()), "memory bitmap");
    // A number alone draws nothing.
    const QImage before = gdi::GetDCImage(device.GETMEMORYDC())->copy();
    device.DRAW(rt::Value(3.0));
    EXPECT_EQ(*gdi::GetDCImage(device.GETMEMORYDC()), before);
}

TEST(DrawLists, MetafileRecordsEveryDrawingObjectOfAnArrayInOrder) {
    const auto dir = mirvano_test::temp_dir("drawlist-emf");
    const std::string file = (dir / "list.emf").string();
    {
        GENHMETAFILE device(file, 0, 0, "List", false);
        GRAPHICS& g = *device.oGraphics;
        g.PAINTERASECANVAS();
        device.DRAW(squareThenHole(g));
        device.DESTROY();
        ASSERT_TRUE(device.written());
    }
    const QImage played = windows_test::playMetafile(file, 500, 500);
    ASSERT_FALSE(played.isNull());
    expectSquareWithHole(played, "played metafile");
}

// A memory bitmap made without painting has never been clipped: a spot light in an area
// must not leave the rest of the picture clipped away.
TEST(DrawLists, DrawingAfterASpotAreaOnAnUnpaintedMemoryBitmapIsVisible) {
    GMEMORY device(2, 100, 100, false);
    GRAPHICS& g = *device.oGraphics;
    g.PAINTERASECANVAS();
    g.SETGRADIENTCOLOR(gui::COLOR(0, 0, 255)).PAINTSPOTAREA(5, 5, 20, 20, 6.0, 0.0, 7);
    EXPECT_EQ(g._NCLIPWIDTH, 0u);  // the clip fields are as they were
    g.SETFILLCOLOR(gui::COLOR(255, 0, 0)).SETLINECOLOR(gui::COLOR(255, 0, 0)).PAINTRECTANGLE(50, 50, 31, 31, 1.0);
    // The whole square, outline and fill, as on a bitmap that saw nothing else.
    GMEMORY fresh(2, 100, 100, false);
    fresh.oGraphics->SETFILLCOLOR(gui::COLOR(255, 0, 0)).SETLINECOLOR(gui::COLOR(255, 0, 0));
    fresh.oGraphics->PAINTRECTANGLE(50, 50, 31, 31, 1.0);
    const int square = count(*gdi::GetDCImage(fresh.GETMEMORYDC()), kRed);
    EXPECT_GE(square, 31 * 31);
    EXPECT_EQ(count(*gdi::GetDCImage(device.GETMEMORYDC()), kRed), square);
}
