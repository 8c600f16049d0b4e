#pragma once
// Geographic shape files (.shp with an optional .shx): reader, record index, painting on a
// canvas, queries, and the per-canvas registry of open files by name.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/canvas/graphics.h"

namespace gfx {

// Four bytes read most significant first.
int32_t GCHBIGENDTOL(const std::string& fourBytes);

// Record types as the index keeps them: the Z and M variants fold onto their plain type.
enum ShapeRecordType : uint32_t { kShapeNull = 0, kShapePoint = 1, kShapePolyline = 3, kShapePolygon = 5,
                                  kShapeMultiPoint = 8, kShapeMultiPatch = 31 };
uint32_t foldShapeType(int32_t fileType);

struct ShapeIndexEntry {
    uint32_t recordNumber = 0;
    uint32_t type = kShapeNull;
    uint32_t dataOffset = 0;
    uint32_t dataLength = 0;
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    uint32_t colour = 0xFFFFFFFFu;  // none assigned
};

using ShapePoint = std::array<double, 2>;
using ShapePart = std::vector<ShapePoint>;
// A box as {{xmin, ymin}, {xmax, ymax}}; empty when a query failed.
using ShapeBox = std::vector<ShapePoint>;
// Coordinates of a record: a point is one part of one point, a multipoint one part of all its
// points, polylines, polygons and multipatches one part per part. Empty for a null record or a
// failed query.
using ShapeCoords = std::vector<ShapePart>;

// Device-coordinate figures: the points are already device pixels (y up).
struct DevPoint {
    int32_t x = 0, y = 0;
};
class OBJECTPOLYGONDEV : public OBJECTSHAPE {
public:
    OBJECTPOLYGONDEV(GRAPHICS* canvas, const DevPoint* points, int32_t count, uint16_t fill);
    OBJECTSHAPE& DRAW() override;
    OBJECTSHAPE& DESTROY() override;

protected:
    const DevPoint* points_;
    const int32_t* counts_ = nullptr;
    int32_t count_;
    uint16_t fill_;
    bool group_ = false;
};
class OBJECTPOLYGONGROUPDEV : public OBJECTPOLYGONDEV {
public:
    OBJECTPOLYGONGROUPDEV(GRAPHICS* canvas, const DevPoint* points, const int32_t* counts, int32_t figures, uint16_t fill);
};
class OBJECTLINEDEV : public OBJECTSHAPE {
public:
    OBJECTLINEDEV(GRAPHICS* canvas, const DevPoint* points, int32_t count, uint16_t fill);
    OBJECTSHAPE& DRAW() override;
    OBJECTSHAPE& DESTROY() override;

protected:
    const DevPoint* points_;
    const int32_t* counts_ = nullptr;
    int32_t count_;
    uint16_t fill_;
    bool group_ = false;
};
class OBJECTLINEGROUPDEV : public OBJECTLINEDEV {
public:
    OBJECTLINEGROUPDEV(GRAPHICS* canvas, const DevPoint* points, const int32_t* counts, uint32_t figures, uint16_t fill);
};

class SHAPEHANDLE;

class SHAPEFILE {
public:
    SHAPEFILE(std::string name, SHAPEHANDLE* owner, GRAPHICS* graphics, std::string file);
    ~SHAPEFILE();
    SHAPEFILE(const SHAPEFILE&) = delete;
    SHAPEFILE& operator=(const SHAPEFILE&) = delete;

    bool READFILEHEADER();
    bool RUNSHAPEFIRST(bool paint);
    bool RUNSHAPEARRAY();
    SHAPEFILE& DESTROY();

    // Painting and its settings.
    bool PAINTSHAPEFIGURES();
    SHAPEFILE& SETSHAPESELECTBOX(double x1, double y1, double x2, double y2);
    SHAPEFILE& SETSHAPEUNSELECTBOX();
    SHAPEFILE& SETSHAPESELECTAREA(double x, double y, double width, double height);
    SHAPEFILE& SETSHAPEUNSELECTAREA();
    SHAPEFILE& SETSHAPECOLORRANDOM();
    SHAPEFILE& SETSHAPECOLORNORMAL();
    SHAPEFILE& SETSHAPECOLORTRANS();
    SHAPEFILE& SETSHAPECOLORARRAY(const std::vector<uint32_t>& colours);
    SHAPEFILE& SETSHAPEEXTRACTREC(const std::vector<double>& positions, bool exclude);
    SHAPEFILE& SETSHAPEUNEXTRACTREC();
    bool TESTSELECTION(double xmin, double ymin, double xmax, double ymax) const;
    bool TESTEXTRACTION(double position) const;
    uint32_t GETSHAPECOLOR(uint32_t position);
    SHAPEFILE& DRAWPOINT(const std::string& data);
    SHAPEFILE& DRAWMULTIPOINT(const std::string& data);
    SHAPEFILE& DRAWPOLYLINE(const std::string& data);
    SHAPEFILE& DRAWPOLYGON(const std::string& data);
    SHAPEFILE& DRAWMULTIPATCH(const std::string& data);

    // Queries.
    SHAPEFILE& GETSHAPEFIGBOXREC(double rec, double& id, double& type, ShapeBox& box);
    SHAPEFILE& GETSHAPEFIGBOXID(double id, double& rec, double& type, ShapeBox& box);
    SHAPEFILE& GETSHAPEFIGCOORDREC(double rec, double& id, double& type, ShapeCoords& coords);
    SHAPEFILE& GETSHAPEFIGCOORDID(double id, double& rec, double& type, ShapeCoords& coords);
    SHAPEFILE& GETSHAPEFILEBOX(double& count, ShapeBox& box);
    // Parsers of a record's data; false when the counts do not fit the data.
    static bool COORDPOINT(const std::string& data, ShapeCoords& coords);
    static bool COORDMULTIPOINT(const std::string& data, ShapeCoords& coords);
    static bool COORDPOLYLINE(const std::string& data, ShapeCoords& coords);
    static bool COORDPOLYGON(const std::string& data, ShapeCoords& coords) { return COORDPOLYLINE(data, coords); }
    static bool COORDMULTIPATCH(const std::string& data, ShapeCoords& coords);

    // Read-only views for the registry and tests.
    const std::string& name() const { return cShapeName; }
    bool isOpen() const { return hShapeFile >= 0; }
    uint32_t count() const { return nShapeCount; }
    const std::vector<ShapeIndexEntry>& index() const { return pShapeIndex; }
    uint16_t fill() const { return wShapeFill; }
    // Most records the first pass indexes (0: from free memory, the normal rule).
    static void setCapacityLimitForTests(uint32_t limit);

private:
    bool readAt(uint64_t offset, size_t length, std::string& out) const;
    void drawRecord(uint32_t type, const std::string& data);
    void drawParts(const std::string& data, bool polygon);
    // The device point of a map point: during a paint by the paint's own offsets, otherwise by
    // the canvas's mapping.
    WidePoint devicePoint(double x, double y) const;
    // Points go to the canvas's point painters in device pixels during a paint.
    void paintPoints(const PointRows& rows);
    // During a paint: the offsets that send the view box to the drawing area, in 64 bits as the
    // canvas works its positions out. A view a few metres wide of projected coordinates puts
    // them far beyond the canvas's 32-bit offsets.
    bool painting_ = false;
    int64_t paintOffsetX_ = 0, paintOffsetY_ = 0;
    bool findByPosition(double rec, const ShapeIndexEntry*& entry);
    bool findById(double id, uint32_t& position, const ShapeIndexEntry*& entry);
    bool recordData(const ShapeIndexEntry& entry, std::string& data) const;
    bool ready();

    GRAPHICS* oGraphics;
    SHAPEHANDLE* oOwner;
    std::string cShapeName;
    std::string cShapeFile;
    int hShapeFile = -1;
    uint64_t nShapeFileSize = 0;
    std::vector<ShapeIndexEntry> pShapeIndex;
    uint32_t nShapeCount = 0;
    double r8FileXMin = 0, r8FileYMin = 0, r8FileXMax = 0, r8FileYMax = 0;
    double r8ViewXMin = 0, r8ViewYMin = 0, r8ViewXMax = 0, r8ViewYMax = 0;
    float fAreaX = 0, fAreaY = 0, fAreaWidth = 0, fAreaHeight = 0;
    bool lSelectArea = false, lSelectBox = false, lSelectTest = false;
    bool lExtract = false, lExtractExclude = false;
    std::vector<double> aExtractRecs;
    uint16_t wShapeColorMode = 0;
    bool lColorRecords = false;
    std::vector<uint32_t> aShapeColors;
    uint16_t wShapeFill = 0;
};

// The open shape files of one canvas, by name (upper-cased; a searched name finds the first
// registered name that begins with it).
class SHAPEHANDLE : public GRAPHICS::ShapeRegistry {
public:
    explicit SHAPEHANDLE(GRAPHICS* graphics) : oGraphics(graphics) {}
    ~SHAPEHANDLE() override { DESTROY(); }
    void DESTROY() override;
    SHAPEHANDLE& SETSHAPEFILEOBJECT(const std::string& name, const std::string& file);
    SHAPEHANDLE& SETSHAPEFILECLOSE(const std::string& name);
    SHAPEFILE* find(const std::string& name) const;
    size_t size() const { return aShapeFile.size(); }

private:
    std::vector<std::string> aShapeName;
    std::vector<std::unique_ptr<SHAPEFILE>> aShapeFile;
    GRAPHICS* oGraphics;
};

// Canvas methods of shape files; each returns the canvas.
GRAPHICS& SETSHAPEFILEOBJECT(GRAPHICS& g, const std::string& name, const std::string& file);
GRAPHICS& SETSHAPEFILECLOSE(GRAPHICS& g, const std::string& name);
GRAPHICS& PAINTSHAPECANVAS(GRAPHICS& g, const std::string& file, bool random);
GRAPHICS& PAINTSHAPEFIGURES(GRAPHICS& g, const std::string& name);
GRAPHICS& SETSHAPESELECTBOX(GRAPHICS& g, const std::string& name, double x1, double y1, double x2, double y2);
GRAPHICS& SETSHAPEUNSELECTBOX(GRAPHICS& g, const std::string& name);
GRAPHICS& SETSHAPESELECTAREA(GRAPHICS& g, const std::string& name, double x, double y, double w, double h);
GRAPHICS& SETSHAPEUNSELECTAREA(GRAPHICS& g, const std::string& name);
GRAPHICS& SETSHAPECOLORNORMAL(GRAPHICS& g, const std::string& name);
GRAPHICS& SETSHAPECOLORRANDOM(GRAPHICS& g, const std::string& name);
GRAPHICS& SETSHAPECOLORTRANS(GRAPHICS& g, const std::string& name);
GRAPHICS& SETSHAPECOLORARRAY(GRAPHICS& g, const std::string& name, const std::vector<uint32_t>& colours);
GRAPHICS& SETSHAPEEXTRACTREC(GRAPHICS& g, const std::string& name, const std::vector<double>& recs, bool exclude = false);
GRAPHICS& SETSHAPEUNEXTRACTREC(GRAPHICS& g, const std::string& name);
GRAPHICS& GETSHAPEFIGBOXREC(GRAPHICS& g, const std::string& name, double rec, double& id, double& type, ShapeBox& box);
GRAPHICS& GETSHAPEFIGBOXID(GRAPHICS& g, const std::string& name, double id, double& rec, double& type, ShapeBox& box);
GRAPHICS& GETSHAPEFIGCOORDREC(GRAPHICS& g, const std::string& name, double rec, double& id, double& type, ShapeCoords& c);
GRAPHICS& GETSHAPEFIGCOORDID(GRAPHICS& g, const std::string& name, double id, double& rec, double& type, ShapeCoords& c);
GRAPHICS& GETSHAPEFILEBOX(GRAPHICS& g, const std::string& name, double& count, ShapeBox& box);

}  // namespace gfx
