// The shape-file reader on any pair of main file (.shp) and index (.shx): the input is split
// in two by a length at its start. Opening, the file box, every record's box and coordinates
// and painting on a small canvas must stay inside the files; a record the reader gives has a
// known type, and a point its one coordinate pair, the same as its box.
#include <cstring>
#include <string>

#include "fuzz_util.h"
#include "gui_application.h"
#include "graphics/files/shapefile.h"
#include "tests/graphics/canvas/canvas_devices.h"

namespace {

bool same(const gfx::ShapePoint& a, const gfx::ShapePoint& b) { return std::memcmp(a.data(), b.data(), sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t opts = fuzz::takeByte(data, size);
    size_t mainLength = fuzz::takeByte(data, size);
    mainLength |= size_t(fuzz::takeByte(data, size)) << 8;
    mainLength = std::min(mainLength, size);
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::string shp = fuzz::writeFile("f.shp", std::string_view(bytes, mainLength));
    if (opts & 1)
        fuzz::removeFile("f.shx");
    else
        fuzz::writeFile("f.shx", std::string_view(bytes + mainLength, size - mainLength));

    canvas_test::MemoryDevice device(24, 16);
    gfx::GRAPHICS g(&device);
    gfx::SETSHAPEFILEOBJECT(g, "f", shp);
    if (opts & 2)
        gfx::SETSHAPECOLORRANDOM(g, "f");
    if (opts & 4)
        gfx::SETSHAPESELECTBOX(g, "f", -10, -10, 10, 10);
    if (opts & 8)
        gfx::SETSHAPESELECTAREA(g, "f", 2, 2, 10, 8);
    if (opts & 16)
        gfx::PAINTSHAPEFIGURES(g, "f");

    double count = -1;
    gfx::ShapeBox box;
    gfx::GETSHAPEFILEBOX(g, "f", count, box);
    FUZZ_CHECK(count >= 0);
    for (double rec = 1; rec <= std::min(count, 64.0); ++rec) {
        double id = -1, type = -1, position = -1, boxType = -1;
        gfx::ShapeCoords coords;
        gfx::GETSHAPEFIGCOORDREC(g, "f", rec, id, type, coords);
        FUZZ_CHECK(type == -1 || type == 0 || type == 1 || type == 3 || type == 5 || type == 8 || type == 31);
        FUZZ_CHECK(type > 0 || coords.empty());
        gfx::ShapeBox recordBox;
        gfx::GETSHAPEFIGBOXREC(g, "f", rec, id, boxType, recordBox);
        if (type == 1) {
            FUZZ_CHECK(coords.size() == 1 && coords[0].size() == 1);
            FUZZ_CHECK(recordBox.size() == 2);
            FUZZ_CHECK(same(recordBox[0], coords[0][0]) && same(recordBox[1], coords[0][0]));
        }
        gfx::GETSHAPEFIGCOORDID(g, "f", id, position, type, coords);
        FUZZ_CHECK(position >= 0 && position <= count);
    }
    gfx::PAINTSHAPEFIGURES(g, "f");
    gfx::SETSHAPEFILECLOSE(g, "f");
    gfx::PAINTSHAPECANVAS(g, shp, opts & 32);
    return 0;
}
