#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "../canvas/canvas_devices.h"
#include <QGuiApplication>

#include "graphics/files/shapefile.h"
#include "test_env.h"

using canvas_test::MemoryDevice;
using gfx::GRAPHICS;
namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
void spit(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }

// Shape files written by GDAL from GeoJSON; empty when GDAL is missing or fails.
fs::path makeShape(const fs::path& dir, const std::string& name, const std::string& features) {
    if (!fs::exists("/usr/bin/ogr2ogr")) return {};
    fs::path json = dir / (name + ".geojson"), shp = dir / (name + ".shp");
    spit(json, R"({"type":"FeatureCollection","features":[)" + features + "]}");
    std::string cmd = "/usr/bin/ogr2ogr -f 'ESRI Shapefile' '" + shp.string() + "' '" + json.string() + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 || !fs::exists(shp)) return {};
    return shp;
}
std::string feature(const std::string& geometry) {
    return R"({"type":"Feature","properties":{"id":1},"geometry":)" + geometry + "}";
}

const std::string kPoints = feature(R"({"type":"Point","coordinates":[10,20]})") + "," +
                            feature(R"({"type":"Point","coordinates":[30,5]})") + "," +
                            feature(R"({"type":"Point","coordinates":[-4,12.5]})");
const std::string kLines = feature(R"({"type":"LineString","coordinates":[[0,0],[10,10],[20,0]]})") + "," +
                           feature(R"({"type":"MultiLineString","coordinates":[[[0,5],[5,5]],[[10,5],[20,5],[20,8]]]})");
// A square of 0..100 with a hole 40..60, and a small square away from it.
const std::string kPolygons =
    feature(R"({"type":"Polygon","coordinates":[[[0,0],[0,100],[100,100],[100,0],[0,0]],[[40,40],[60,40],[60,60],[40,60],[40,40]]]})") + "," +
    feature(R"({"type":"Polygon","coordinates":[[[150,150],[150,200],[200,200],[200,150],[150,150]]]})");

}  // namespace

TEST(ShapeFiles, GdalFilesReadWithCountsBoundsAndCoordinates) {
    auto dir = mirvano_test::temp_dir("shp");
    fs::path points = makeShape(dir, "points", kPoints), lines = makeShape(dir, "lines", kLines);
    if (points.empty() || lines.empty()) GTEST_SKIP() << "GDAL's ogr2ogr is not available to write shape files";
    MemoryDevice device(100, 100);
    GRAPHICS g(&device);
    double count = -1, id = -1, type = -1, rec = -1;
    gfx::ShapeBox box;
    gfx::ShapeCoords coords;

    gfx::SETSHAPEFILEOBJECT(g, "pts", points.string());
    gfx::GETSHAPEFILEBOX(g, "PTS", count, box);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(box, (gfx::ShapeBox{{-4, 5}, {30, 20}}));
    gfx::GETSHAPEFIGCOORDREC(g, "pts", 2, id, type, coords);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(id, 2);
    EXPECT_EQ(coords, (gfx::ShapeCoords{{{30, 5}}}));
    gfx::GETSHAPEFIGBOXID(g, "pts", 3, rec, type, box);
    EXPECT_EQ(rec, 3);
    EXPECT_EQ(box, (gfx::ShapeBox{{-4, 12.5}, {-4, 12.5}}));
    for (double bad : {0.0, -1.0, 4.0}) {
        gfx::GETSHAPEFIGCOORDREC(g, "pts", bad, id, type, coords);
        EXPECT_EQ(type, -1);
        EXPECT_EQ(id, 0);
        EXPECT_TRUE(coords.empty());
    }

    gfx::SETSHAPEFILEOBJECT(g, "lines", lines.string());
    gfx::GETSHAPEFILEBOX(g, "lines", count, box);
    EXPECT_EQ(count, 2);
    gfx::GETSHAPEFIGCOORDREC(g, "lines", 1, id, type, coords);
    EXPECT_EQ(type, 3);
    EXPECT_EQ(coords, (gfx::ShapeCoords{{{0, 0}, {10, 10}, {20, 0}}}));
    gfx::GETSHAPEFIGCOORDID(g, "lines", 2, rec, type, coords);
    EXPECT_EQ(rec, 2);
    EXPECT_EQ(coords, (gfx::ShapeCoords{{{0, 5}, {5, 5}}, {{10, 5}, {20, 5}, {20, 8}}}));

    // Without its index file the main file is read record after record, to the same result.
    fs::path shx = lines;
    shx.replace_extension(".shx");
    fs::remove(shx);
    gfx::SETSHAPEFILEOBJECT(g, "lines2", lines.string());
    gfx::GETSHAPEFIGCOORDID(g, "lines2", 2, rec, type, coords);
    EXPECT_EQ(coords.size(), 2u);
    // A file with more records than the index may hold is indexed up to that many.
    gfx::SHAPEFILE::setCapacityLimitForTests(2);
    gfx::SETSHAPEFILEOBJECT(g, "capped", points.string());
    gfx::GETSHAPEFILEBOX(g, "capped", count, box);
    gfx::SHAPEFILE::setCapacityLimitForTests(0);
    EXPECT_EQ(count, 2);
    // Unknown names answer the not-found values; a closed name is gone.
    gfx::SETSHAPEFILECLOSE(g, "pts");
    gfx::GETSHAPEFILEBOX(g, "pts", count, box);
    EXPECT_EQ(count, 0);
    type = 7;
    gfx::GETSHAPEFIGBOXREC(g, "nothing", 1, id, type, box);
    EXPECT_EQ(type, -1);
}

TEST(ShapeFiles, PolygonsPaintIntoTheCanvasWithHolesAndSelection) {
    auto dir = mirvano_test::temp_dir("shppaint");
    fs::path polys = makeShape(dir, "polys", kPolygons), points = makeShape(dir, "points", kPoints);
    if (polys.empty() || points.empty()) GTEST_SKIP() << "GDAL's ogr2ogr is not available to write shape files";
    MemoryDevice device(201, 201);
    GRAPHICS g(&device);
    g._NFILLCOLOR = 0x0000FF;  // red, in the canvas's colour format
    g._NLINECOLOR = 0x000000;
    const double factor = g._FFACTORX;
    gfx::SETSHAPEFILEOBJECT(g, "map", polys.string());
    gfx::SETSHAPECOLORNORMAL(g, "map");  // filled in the canvas's colours
    gfx::PAINTSHAPEFIGURES(g, "map");
    // The file box 0..200 fills the 201-pixel canvas: one world unit per pixel.
    const uint32_t red = canvas_test::rgbOf(255, 0, 0), white = canvas_test::rgbOf(255, 255, 255);
    EXPECT_EQ(device.at(20, 20), red);
    EXPECT_EQ(device.at(50, 50), white);  // the hole
    EXPECT_EQ(device.at(175, 175), red);
    EXPECT_EQ(device.at(120, 120), white);
    EXPECT_EQ(g._FFACTORX, factor);  // the canvas's world system is put back
    EXPECT_EQ(g._NFILLCOLOR, 0x0000FFu);

    // Only the second record, by position, and outlines only.
    device.surface.image.fill(Qt::white);
    gdi::HDC dc = device.surface.dc;
    gdi::PatBlt(dc, 0, 0, 201, 201, gdi::WHITENESS);
    gfx::SETSHAPECOLORTRANS(g, "map");
    gfx::SETSHAPEEXTRACTREC(g, "map", {2});
    gfx::PAINTSHAPEFIGURES(g, "map");
    EXPECT_EQ(device.at(20, 20), white);
    EXPECT_EQ(device.at(175, 175), white);  // not filled
    EXPECT_EQ(device.at(150, 175), canvas_test::rgbOf(0, 0, 0));  // its outline

    // A selection box that leaves the first record wholly outside skips it.
    gdi::PatBlt(dc, 0, 0, 201, 201, gdi::WHITENESS);
    gfx::SETSHAPEUNEXTRACTREC(g, "map");
    gfx::SETSHAPECOLORARRAY(g, "map", {0x00FF00, 0xFF0000});
    gfx::SETSHAPESELECTBOX(g, "map", 140, 140, 210, 210);
    gfx::PAINTSHAPEFIGURES(g, "map");
    // The box is stretched over the canvas: 150..200 lands on about 29..171.
    EXPECT_EQ(device.at(10, 10), white);
    EXPECT_EQ(device.at(100, 100), canvas_test::rgbOf(0, 0, 255));  // second colour of the array
    EXPECT_EQ(device.at(190, 190), white);

    // Points land on single pixels.
    MemoryDevice small(35, 16);
    GRAPHICS h(&small);
    h._NLINECOLOR = 0x0000FF;
    gfx::PAINTSHAPECANVAS(h, points.string(), false);
    EXPECT_EQ(small.at(0, 8), red);    // (-4, 12.5): x min; 12.5 rounds away from zero
    EXPECT_EQ(small.at(34, 0), red);   // (30, 5): x max, y min
}

namespace {

// Notes, at every drawing, whether the device shows the busy pointer.
class PointerWatchingDevice : public MemoryDevice {
public:
    using MemoryDevice::MemoryDevice;
    std::optional<Qt::CursorShape> POINTER() const override { return current; }
    void POINTER(std::optional<Qt::CursorShape> shape) override { current = shape; }
    void DRAW(gfx::OBJECTSHAPE& object) override {
        (current == Qt::WaitCursor ? busyDraws : otherDraws)++;
        MemoryDevice::DRAW(object);
    }
    std::optional<Qt::CursorShape> current = Qt::CrossCursor;
    int busyDraws = 0, otherDraws = 0;
};

}  // namespace

// A paint shows the busy pointer while it draws, and a paint or a query leaves the canvas's
// clip and colours as it found them.
TEST(ShapeFiles, PaintAndQueryLeaveTheCanvasAsTheyFoundIt) {
    auto dir = mirvano_test::temp_dir("shpstate");
    fs::path polys = makeShape(dir, "polys", kPolygons);
    if (polys.empty()) GTEST_SKIP() << "GDAL's ogr2ogr is not available to write shape files";
    PointerWatchingDevice device(201, 201);
    GRAPHICS g(&device);
    g._NFILLCOLOR = 0x0000FF;
    g._NLINECOLOR = 0x00FF00;
    gfx::SETSHAPEFILEOBJECT(g, "map", polys.string());
    gfx::SETSHAPECOLORRANDOM(g, "map");
    // The first query builds the index and takes the random record colours on the way.
    double count = 0;
    gfx::ShapeBox box;
    gfx::GETSHAPEFILEBOX(g, "map", count, box);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(g._NFILLCOLOR, 0x0000FFu);
    EXPECT_EQ(g._NLINECOLOR, 0x00FF00u);

    // A box and an area: the paint clips to the area, on a canvas that was never clipped.
    gfx::SETSHAPESELECTAREA(g, "map", 10, 10, 100, 100);
    gfx::SETSHAPESELECTBOX(g, "map", 0, 0, 200, 200);
    device.busyDraws = device.otherDraws = 0;
    gfx::PAINTSHAPEFIGURES(g, "map");
    EXPECT_GT(device.busyDraws, 0);
    EXPECT_EQ(device.otherDraws, 0);
    EXPECT_EQ(device.POINTER(), Qt::CrossCursor);
    EXPECT_EQ(g._NCLIPWIDTH, 0u);
    EXPECT_EQ(g._NFILLCOLOR, 0x0000FFu);
    // What is drawn afterwards, outside the area, is all there.
    g.SETFILLCOLOR(gui::COLOR(255, 0, 0)).SETLINECOLOR(gui::COLOR(255, 0, 0)).PAINTRECTANGLE(150, 150, 31, 31, 1.0);
    int red = 0;
    for (int y = 150; y < 181; ++y)
        for (int x = 150; x < 181; ++x) red += device.at(x, y) == canvas_test::rgbOf(255, 0, 0);
    EXPECT_EQ(red, 31 * 31);
}

TEST(ShapeFiles, MalformedFilesAreRejectedCleanly) {
    auto dir = mirvano_test::temp_dir("shpbad");
    fs::path polys = makeShape(dir, "polys", kPolygons);
    if (polys.empty()) GTEST_SKIP() << "GDAL's ogr2ogr is not available to write shape files";
    const std::string good = slurp(polys);
    ASSERT_GT(good.size(), 200u);
    auto be = [](std::string s, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char(v >> (8 * (3 - i)));
        return s;
    };
    auto dbl = [](std::string s, size_t at, double d) {
        std::memcpy(s.data() + at, &d, 8);
        return s;
    };
    struct Case { const char* name; std::string bytes; bool registers; } cases[] = {
        {"short header", good.substr(0, 60), false},
        {"wrong file code", be(good, 0, 9995), false},
        {"flat box", dbl(good, 52, 0.0), false},
        {"record cut short", good.substr(0, good.size() - 20), true},
        {"record longer than the file", be(good, 100 + 4, 0x7FFFFFF0), true},
        {"file length claims more than there is", be(good, 24, 0x7FFFFFF0), true},
        {"part count beyond the data", be(good, 100 + 8 + 36, 0x7FFFFFF0), true},
        {"coordinates far off or not finite",
         dbl(dbl(dbl(good, 160, 1e300), 168, std::nan("")), 176, -std::numeric_limits<double>::infinity()), true},
    };
    for (const auto& c : cases) {
        MemoryDevice device(50, 50);
        GRAPHICS g(&device);
        fs::path p = dir / "bad.shp";
        spit(p, c.bytes);
        fs::remove(dir / "bad.shx");
        gfx::SETSHAPEFILEOBJECT(g, "bad", p.string());
        auto* reg = static_cast<gfx::SHAPEHANDLE*>(g.oShapeHandle.get());
        ASSERT_NE(reg, nullptr);
        EXPECT_EQ(reg->find("bad") != nullptr, c.registers) << c.name;
        double count = -1, id, type;
        gfx::ShapeBox box;
        gfx::ShapeCoords coords;
        gfx::PAINTSHAPEFIGURES(g, "bad");
        gfx::GETSHAPEFILEBOX(g, "bad", count, box);
        gfx::GETSHAPEFIGCOORDREC(g, "bad", 1, id, type, coords);
        if (std::string(c.name) == "part count beyond the data") {
            EXPECT_EQ(count, 2) << c.name;  // the file reads; the record is refused
            EXPECT_EQ(type, -1) << c.name;
        } else if (std::string(c.name) == "coordinates far off or not finite") {
            EXPECT_EQ(count, 2) << c.name;  // painted without overflowing the device mapping
            EXPECT_EQ(type, 5) << c.name;
        } else if (std::string(c.name) == "file length claims more than there is") {
            EXPECT_EQ(count, 2) << c.name;  // the records that are there
        } else {
            EXPECT_EQ(count, 0) << c.name;
            EXPECT_EQ(type, -1) << c.name;
        }
    }
    // An index file that points into the header or beyond the main file is not trusted.
    MemoryDevice device(50, 50);
    GRAPHICS g(&device);
    fs::path shx = polys;
    shx.replace_extension(".shx");
    std::string index = slurp(shx);
    spit(shx, be(index, 100, 10));
    gfx::SETSHAPEFILEOBJECT(g, "idx", polys.string());
    double count = -1;
    gfx::ShapeBox box;
    gfx::GETSHAPEFILEBOX(g, "idx", count, box);
    EXPECT_EQ(count, 0);
}

namespace {

// Every pixel of the device in the colour, or the first that is not, as "x,y".
std::string firstOtherPixel(const MemoryDevice& device, uint32_t rgb) {
    const QImage& image = device.image();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (device.at(x, y) != rgb) return std::to_string(x) + "," + std::to_string(y);
    return {};
}

}  // namespace

// A map in projected coordinates (a national grid: eastings and northings in the millions of
// metres) fills the canvas at every zoom from the whole map down to a quarter of a millimetre
// per pixel, where the northings in pixels reach far beyond 32 bits; a road toward a vertex
// thousands of kilometres away keeps its direction, and a point keeps its place.
TEST(ShapeFiles, ProjectedMapFillsTheCanvasAtEveryZoom) {
    auto dir = mirvano_test::temp_dir("shpfar");
    // A square 1000 km wide around (500000, 5000000), and a road from its centre with slope 1/5.
    const fs::path map = makeShape(
        dir, "map",
        feature(R"({"type":"Polygon","coordinates":[[[0,4500000],[0,5500000],[1000000,5500000],[1000000,4500000],[0,4500000]]]})"));
    const fs::path road =
        makeShape(dir, "road", feature(R"({"type":"LineString","coordinates":[[500000,5000000],[10500000,7000000]]})"));
    // A point at the centre, and one far off it (a file of one point has no box).
    const fs::path spot = makeShape(dir, "spot", feature(R"({"type":"Point","coordinates":[500000,5000000]})") + "," +
                                                     feature(R"({"type":"Point","coordinates":[0,4500000]})"));
    if (map.empty() || road.empty() || spot.empty()) GTEST_SKIP() << "GDAL's ogr2ogr is not available to write shape files";
    MemoryDevice device(200, 200);
    GRAPHICS g(&device);
    g.SETFILLCOLOR(gui::COLOR(255, 0, 0)).SETLINECOLOR(gui::COLOR(255, 0, 0));
    const uint32_t red = canvas_test::rgbOf(255, 0, 0), white = canvas_test::rgbOf(255, 255, 255);
    gfx::SETSHAPEFILEOBJECT(g, "map", map.string());
    gfx::SETSHAPECOLORNORMAL(g, "map");
    gfx::SETSHAPEFILEOBJECT(g, "road", road.string());
    gfx::SETSHAPECOLORNORMAL(g, "road");
    gfx::SETSHAPEFILEOBJECT(g, "spot", spot.string());
    gfx::SETSHAPECOLORNORMAL(g, "spot");
    // View widths in metres: the whole map, then about 5 km down to 0.25 mm per pixel.
    for (double width : {1e6, 1e6, 1e5, 1e4, 1000.0, 200.0, 20.0, 2.0, 0.4, 0.05}) {
        SCOPED_TRACE(width);
        const double half = width / 2;
        if (width < 1e6) gfx::SETSHAPESELECTBOX(g, "map", 500000 - half, 5000000 - half, 500000 + half, 5000000 + half);
        device.surface.image.fill(Qt::white);
        gfx::PAINTSHAPEFIGURES(g, "map");
        EXPECT_EQ(firstOtherPixel(device, red), "");
        if (width > 1000.0) continue;
        // The point at the centre of the view lands on the centre of the canvas.
        gfx::SETSHAPESELECTBOX(g, "spot", 500000 - half, 5000000 - half, 500000 + half, 5000000 + half);
        device.surface.image.fill(Qt::white);
        gfx::PAINTSHAPEFIGURES(g, "spot");
        int inked = 0;
        for (int y = 98; y <= 101; ++y)
            for (int x = 98; x <= 101; ++x) inked += device.at(x, y) == red;
        EXPECT_EQ(inked, 1);
        // The road from the centre: every column right of the centre is inked where the road
        // runs there, and nowhere else.
        gfx::SETSHAPESELECTBOX(g, "road", 500000 - half, 5000000 - half, 500000 + half, 5000000 + half);
        device.surface.image.fill(Qt::white);
        gfx::PAINTSHAPEFIGURES(g, "road");
        const double f = 199.0 / width;
        for (int x : {110, 150, 199}) {
            const double east = 500000 - half + x / f, north = 5000000 + (east - 500000) / 5;
            const double row = (north - (5000000 - half)) * f;
            int low = -1, high = -1;
            for (int y = 0; y < 200; ++y)
                if (device.at(x, y) != white) {
                    if (low < 0) low = y;
                    high = y;
                }
            EXPECT_NEAR(low, row, 1.5) << "column " << x;
            EXPECT_NEAR(high, row, 1.5) << "column " << x;
        }
    }
}

// The index file is found whatever the case of its name, as the main file was: a main file
// "Part.SHP" uses "part.shx", here an index that lists the first record only.
TEST(ShapeFiles, IndexFileIsFoundWhateverItsCase) {
    auto dir = mirvano_test::temp_dir("shpcase");
    const fs::path polys = makeShape(dir, "polys", kPolygons);
    if (polys.empty()) GTEST_SKIP() << "GDAL's ogr2ogr is not available to write shape files";
    fs::path shx = polys;
    shx.replace_extension(".shx");
    const fs::path folder = dir / "map";
    fs::create_directories(folder);
    fs::copy_file(polys, folder / "Part.SHP");
    spit(folder / "part.shx", slurp(shx).substr(0, 108));
    MemoryDevice device(201, 201);
    GRAPHICS g(&device);
    g._NFILLCOLOR = 0x0000FF;
    gfx::SETSHAPEFILEOBJECT(g, "part", (folder / "Part.SHP").string());
    gfx::SETSHAPECOLORNORMAL(g, "part");
    double count = -1;
    gfx::ShapeBox box;
    gfx::GETSHAPEFILEBOX(g, "part", count, box);
    EXPECT_EQ(count, 1);
    gfx::PAINTSHAPEFIGURES(g, "part");
    EXPECT_EQ(device.at(20, 20), canvas_test::rgbOf(255, 0, 0));
    EXPECT_EQ(device.at(175, 175), canvas_test::rgbOf(255, 255, 255));  // the record the index leaves out
}
