#include "graphics/files/shapefile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "graphics/canvas/clipping.h"
#include "graphics/canvas/colors.h"
#include "graphics/canvas/numeric.h"

namespace gfx {

namespace {

uint32_t capacityLimit = 0;

int32_t le32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(s[at + size_t(i)]);
    return int32_t(v);
}
double leDouble(const std::string& s, size_t at) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | uint8_t(s[at + size_t(i)]);
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
}
int32_t be32(const std::string& s, size_t at) { return GCHBIGENDTOL(s.substr(at, 4)); }

// Records the first pass may index: a quarter of free physical memory in 52-byte entries,
// never fewer than 10000.
uint32_t indexCapacity() {
    if (capacityLimit) return capacityLimit;
    long pages = ::sysconf(_SC_AVPHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    uint64_t avail = (pages > 0 && pageSize > 0) ? uint64_t(pages) * uint64_t(pageSize) : 0;
    uint64_t cap = avail ? std::max<uint64_t>(10000, avail / 4 / 52) : 10000;
    return uint32_t(std::min<uint64_t>(cap, 0xFFFFFFFFu));
}

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(uint8_t(c)));
    return s;
}

std::string upper(std::string s) {
    for (char& c : s) c = char(std::toupper(uint8_t(c)));
    return s;
}

// The index file next to a main file: the main file's name with ".shx" for its extension,
// found whatever the case of either (the files of one map may come from systems that do not
// keep case); the same case as the main file's extension is preferred.
std::string indexFileName(const std::string& path) {
    if (path.size() < 4) return {};
    std::string ext = path.substr(path.size() - 4);
    if (lower(ext) != ".shp") return {};
    const std::string candidate = path.substr(0, path.size() - 1) + (ext[3] == 'P' ? 'X' : 'x');
    if (::access(candidate.c_str(), R_OK) == 0) return candidate;
    const std::filesystem::path shp(path);
    const std::string wanted = lower(shp.stem().string()) + ".shx";
    const std::filesystem::path folder = shp.has_parent_path() ? shp.parent_path() : std::filesystem::path(".");
    std::error_code ec;
    std::vector<std::string> found;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (lower(it->path().filename().string()) == wanted) found.push_back(it->path().string());
    if (found.empty()) return candidate;
    // Several spellings of one name: the same choice on every run.
    std::sort(found.begin(), found.end());
    return found.front();
}

std::string trimmed(const std::string& s) {
    size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

// Part point counts of a polyline, polygon or multipatch; false when the starts do not rise
// from 0 within the point count.
bool partCounts(const std::string& data, int32_t& parts, int32_t& points, size_t& pointsAt, std::vector<int32_t>& counts,
                bool multipatch) {
    if (data.size() < 8) return false;
    parts = le32(data, 0);
    points = le32(data, 4);
    if (parts < 0 || points < 0) return false;
    const uint64_t headerBytes = 8 + uint64_t(parts) * (multipatch ? 8 : 4);
    if (headerBytes + uint64_t(points) * 16 > data.size()) return false;
    pointsAt = size_t(headerBytes);
    counts.assign(size_t(parts), 0);
    if (parts == 1) {
        counts[0] = points;
        return true;
    }
    for (int32_t i = 0; i < parts; ++i) {
        int32_t start = le32(data, 8 + 4 * size_t(i));
        int32_t end = i + 1 < parts ? le32(data, 8 + 4 * size_t(i + 1)) : points;
        if ((i == 0 && start != 0) || start < 0 || end < start || end > points) return false;
        counts[size_t(i)] = end - start;
    }
    return true;
}

}  // namespace

int32_t GCHBIGENDTOL(const std::string& s) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v = (v << 8) | (i < s.size() ? uint8_t(s[i]) : 0u);
    return int32_t(v);
}

uint32_t foldShapeType(int32_t t) {
    switch (t) {
    case 1: case 11: case 21: return kShapePoint;
    case 8: case 18: case 28: return kShapeMultiPoint;
    case 3: case 13: case 23: return kShapePolyline;
    case 5: case 15: case 25: return kShapePolygon;
    case 31: return kShapeMultiPatch;
    default: return kShapeNull;
    }
}

// ---- device figures ---------------------------------------------------------------------------

OBJECTPOLYGONDEV::OBJECTPOLYGONDEV(GRAPHICS* canvas, const DevPoint* points, int32_t count, uint16_t fill)
    : OBJECTSHAPE(canvas), points_(points), count_(count), fill_(fill) {}
OBJECTPOLYGONGROUPDEV::OBJECTPOLYGONGROUPDEV(GRAPHICS* canvas, const DevPoint* points, const int32_t* counts,
                                             int32_t figures, uint16_t fill)
    : OBJECTPOLYGONDEV(canvas, points, figures, fill) {
    counts_ = counts;
    group_ = true;
}
OBJECTLINEDEV::OBJECTLINEDEV(GRAPHICS* canvas, const DevPoint* points, int32_t count, uint16_t fill)
    : OBJECTSHAPE(canvas), points_(points), count_(count), fill_(fill) {}
OBJECTLINEGROUPDEV::OBJECTLINEGROUPDEV(GRAPHICS* canvas, const DevPoint* points, const int32_t* counts,
                                       uint32_t figures, uint16_t fill)
    : OBJECTLINEDEV(canvas, points, int32_t(figures), fill) {
    counts_ = counts;
    group_ = true;
}

static_assert(sizeof(DevPoint) == sizeof(gdi::POINT), "device points go to the platform unchanged");

OBJECTSHAPE& OBJECTPOLYGONDEV::DRAW() {
    GRAPHICS* g = canvas();
    if (!g || !points_) return *this;
    const int code = g->_NFILLPATTERN >= 128 ? g->_NFILLPATTERN - 128 : g->_NFILLPATTERN;
    const bool opaqueHatch = g->_NFILLPATTERN < 128;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        gdi::HBRUSH brush = nullptr;
        if (fill_ == 1) {
            if (code == 32) brush = gdi::CreateSolidBrush(g->_NFILLCOLOR);
            else if (code == 64) brush = CREATEBMPBRUSH(g->_AFILLPATTERN);
            else brush = gdi::CreateHatchBrush(code, g->_NFILLHATCHCOL);
        }
        gdi::HGDIOBJ oldBrush = gdi::SelectObject(dc, brush ? gdi::HGDIOBJ(brush) : gdi::GetStockObject(gdi::HOLLOW_BRUSH));
        gdi::HPEN pen = gdi::CreatePen(g->_NLINEPATTERN, g->_NLINEWIDTH, g->_NLINECOLOR);
        gdi::HGDIOBJ oldPen = gdi::SelectObject(dc, pen);
        int oldMode;
        gdi::COLORREF oldBk = 0;
        bool bkChanged = false;
        if (fill_ == 1 && opaqueHatch) {
            oldBk = gdi::SetBkColor(dc, g->_NFILLCOLOR);
            bkChanged = true;
            oldMode = gdi::SetBkMode(dc, gdi::OPAQUE);
        } else {
            oldMode = gdi::SetBkMode(dc, gdi::TRANSPARENT);
        }
        int oldRop = gdi::SetROP2(dc, g->_NRASTERMODE);
        const auto* pts = reinterpret_cast<const gdi::POINT*>(points_);
        if (group_) gdi::PolyPolygon(dc, pts, counts_, count_);
        else gdi::Polygon(dc, pts, count_);
        gdi::SetROP2(dc, oldRop);
        gdi::SetBkMode(dc, oldMode);
        if (bkChanged) gdi::SetBkColor(dc, oldBk);
        gdi::SelectObject(dc, oldPen);
        gdi::SelectObject(dc, oldBrush);
        gdi::DeleteObject(pen);
        if (brush) gdi::DeleteObject(brush);
    }
    return *this;
}
OBJECTSHAPE& OBJECTPOLYGONDEV::DESTROY() {
    OBJECTSHAPE::DESTROY();
    points_ = nullptr;
    counts_ = nullptr;
    return *this;
}

OBJECTSHAPE& OBJECTLINEDEV::DRAW() {
    GRAPHICS* g = canvas();
    if (!g || !points_) return *this;
    for (int n = 1; n <= 2; ++n) {
        gdi::HDC dc = SELECTDRAWDC(n);
        if (!dc) break;
        gdi::LOGBRUSH lb;
        lb.lbStyle = 0;  // solid
        lb.lbColor = g->_NLINECOLOR;
        gdi::HPEN pen = gdi::ExtCreatePen(gdi::DWORD(g->_NLINECAP | g->_NLINEPATTERN), gdi::DWORD(g->_NLINEWIDTH), &lb, 0, nullptr);
        gdi::HGDIOBJ oldPen = gdi::SelectObject(dc, pen);
        int oldMode = gdi::SetBkMode(dc, gdi::TRANSPARENT);
        int oldRop = gdi::SetROP2(dc, g->_NRASTERMODE);
        const auto* pts = reinterpret_cast<const gdi::POINT*>(points_);
        if (group_) gdi::PolyPolyline(dc, pts, reinterpret_cast<const gdi::DWORD*>(counts_), gdi::DWORD(count_));
        else gdi::Polyline(dc, pts, count_);
        gdi::SetROP2(dc, oldRop);
        gdi::SetBkMode(dc, oldMode);
        gdi::SelectObject(dc, oldPen);
        gdi::DeleteObject(pen);
    }
    return *this;
}
OBJECTSHAPE& OBJECTLINEDEV::DESTROY() {
    OBJECTSHAPE::DESTROY();
    points_ = nullptr;
    counts_ = nullptr;
    return *this;
}

// ---- SHAPEFILE ------------------------------------------------------------------------------------

void SHAPEFILE::setCapacityLimitForTests(uint32_t limit) { capacityLimit = limit; }

SHAPEFILE::SHAPEFILE(std::string name, SHAPEHANDLE* owner, GRAPHICS* graphics, std::string file)
    : oGraphics(graphics), oOwner(owner), cShapeName(std::move(name)), cShapeFile(std::move(file)) {
    if (oGraphics) {
        fAreaWidth = float(oGraphics->GETDEVICEWIDTH());
        fAreaHeight = float(oGraphics->GETDEVICEHEIGHT());
    }
    hShapeFile = ::open(cShapeFile.c_str(), O_RDONLY | O_CLOEXEC);
}

SHAPEFILE::~SHAPEFILE() { DESTROY(); }

SHAPEFILE& SHAPEFILE::DESTROY() {
    if (hShapeFile >= 0) ::close(hShapeFile);
    hShapeFile = -1;
    pShapeIndex.clear();
    pShapeIndex.shrink_to_fit();
    nShapeCount = 0;
    oGraphics = nullptr;
    oOwner = nullptr;
    aShapeColors.clear();
    return *this;
}

bool SHAPEFILE::readAt(uint64_t offset, size_t length, std::string& out) const {
    out.assign(length, '\0');
    size_t done = 0;
    while (done < length) {
        ssize_t n = ::pread(hShapeFile, out.data() + done, length - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    out.resize(done);
    return done == length;
}

bool SHAPEFILE::READFILEHEADER() {
    if (hShapeFile < 0) return false;
    std::string h;
    if (!readAt(0, 100, h)) return false;
    if (be32(h, 0) != 9994) return false;
    nShapeFileSize = uint64_t(uint32_t(be32(h, 24))) * 2;
    // A header that claims more than the file holds is trusted only as far as the file goes.
    struct stat st;
    if (::fstat(hShapeFile, &st) == 0) nShapeFileSize = std::min<uint64_t>(nShapeFileSize, uint64_t(st.st_size));
    r8FileXMin = r8ViewXMin = leDouble(h, 36);
    r8FileYMin = r8ViewYMin = leDouble(h, 44);
    r8FileXMax = r8ViewXMax = leDouble(h, 52);
    r8FileYMax = r8ViewYMax = leDouble(h, 60);
    // The negated comparisons also refuse NaN boxes.
    if (!(r8FileXMin < r8FileXMax) || !(r8FileYMin < r8FileYMax)) return false;
    return true;
}

bool SHAPEFILE::RUNSHAPEFIRST(bool paint) {
    if (hShapeFile < 0) return false;
    const uint32_t capacity = indexCapacity();
    std::vector<ShapeIndexEntry> work;
    int shx = -1;
    const std::string shxName = indexFileName(cShapeFile);
    if (!shxName.empty()) shx = ::open(shxName.c_str(), O_RDONLY | O_CLOEXEC);
    uint64_t shxPos = 100;
    uint64_t pos = 100;
    bool normal = false;
    const uint64_t S = nShapeFileSize / 2;
    uint32_t k = 1;
    for (; k <= capacity; ++k) {
        int64_t indexLength = -1;
        if (shx >= 0) {
            std::string e(8, '\0');
            ssize_t n = ::pread(shx, e.data(), 8, off_t(shxPos));
            if (n == 0) { normal = true; break; }
            if (n != 8) break;  // an index entry cut short
            shxPos += 8;
            pos = uint64_t(uint32_t(be32(e, 0))) * 2;
            indexLength = uint32_t(be32(e, 4));
            if (pos < 100) break;  // an index that points into the header lies
        }
        if (pos >= nShapeFileSize) { normal = true; break; }
        std::string header;
        if (!readAt(pos, 8, header)) {
            if (header.empty()) normal = true;
            break;
        }
        pos += 8;
        const uint32_t recordNumber = uint32_t(be32(header, 0));
        const int64_t headerLength = uint32_t(be32(header, 4));
        const uint64_t p = pos / 2;
        int64_t length = -1;
        if (indexLength >= 0 && indexLength != headerLength && p + uint64_t(indexLength) <= S) length = indexLength;
        else if (p + uint64_t(headerLength) <= S) length = headerLength;
        if (length < 0) break;
        const uint64_t bytes = uint64_t(length) * 2;
        ShapeIndexEntry entry;
        if (bytes == 0) {
            entry.colour = 0;
            work.push_back(entry);
            continue;
        }
        entry.recordNumber = recordNumber;
        if (bytes < 4) {
            work.push_back(entry);
            pos += bytes;
            continue;
        }
        std::string content;
        if (!readAt(pos, size_t(bytes), content)) break;
        const uint32_t type = foldShapeType(le32(content, 0));
        const size_t dataHeader = type == kShapePoint ? 4 : (type == kShapeNull ? 0 : 36);
        // A drawn type whose content cannot hold its own header is kept as a null record.
        const size_t needed = type == kShapePoint ? 20 : dataHeader;
        if (type != kShapeNull && content.size() >= needed) {
            uint32_t colour = 0xFFFFFFFFu;
            if (lColorRecords && oGraphics) {
                colour = GETSHAPECOLOR(k);
                if (type == kShapePoint || type == kShapeMultiPoint || type == kShapePolyline) oGraphics->_NLINECOLOR = colour;
                else oGraphics->_NFILLCOLOR = colour;
            }
            if (type == kShapePoint) {
                entry.xmin = entry.xmax = leDouble(content, 4);
                entry.ymin = entry.ymax = leDouble(content, 12);
            } else {
                entry.xmin = leDouble(content, 4);
                entry.ymin = leDouble(content, 12);
                entry.xmax = leDouble(content, 20);
                entry.ymax = leDouble(content, 28);
            }
            bool draw = paint && oGraphics;
            if (draw && lSelectTest) draw = TESTSELECTION(entry.xmin, entry.ymin, entry.xmax, entry.ymax);
            if (draw && lExtract) draw = TESTEXTRACTION(k);
            if (draw) drawRecord(type, content.substr(dataHeader));
            entry.type = type;
            entry.dataOffset = uint32_t(pos + dataHeader);
            entry.dataLength = uint32_t(bytes - dataHeader);
            entry.colour = colour;
        }
        work.push_back(entry);
        pos += bytes;
    }
    if (k > capacity) normal = true;
    if (shx >= 0) ::close(shx);
    if (!normal) return false;
    pShapeIndex = std::move(work);
    pShapeIndex.shrink_to_fit();
    nShapeCount = uint32_t(pShapeIndex.size());
    return true;
}

bool SHAPEFILE::RUNSHAPEARRAY() {
    if (hShapeFile < 0) return false;
    for (uint32_t k = 1; k <= nShapeCount; ++k) {
        ShapeIndexEntry& e = pShapeIndex[k - 1];
        if (e.type == kShapeNull) continue;
        bool draw = true;
        if (lSelectTest) draw = TESTSELECTION(e.xmin, e.ymin, e.xmax, e.ymax);
        if (draw && lExtract) draw = TESTEXTRACTION(k);
        if (!draw) continue;
        uint32_t colour = 0;
        if (lColorRecords) {
            if (e.colour == 0xFFFFFFFFu) e.colour = GETSHAPECOLOR(k);
            colour = e.colour;
        }
        std::string data;
        if (!readAt(e.dataOffset, e.dataLength, data)) return false;
        if (lColorRecords) {
            if (e.type == kShapePoint || e.type == kShapeMultiPoint || e.type == kShapePolyline) oGraphics->_NLINECOLOR = colour;
            else oGraphics->_NFILLCOLOR = colour;
        }
        drawRecord(e.type, data);
    }
    return true;
}

bool SHAPEFILE::PAINTSHAPEFIGURES() {
    GRAPHICS* g = oGraphics;
    if (!g) return false;
    const BusyPointer busy(g->_ODEVICE);
    const double fx = g->_FFACTORX, fy = g->_FFACTORY;
    const int32_t ox = g->_NOFFSETX, oy = g->_NOFFSETY, rx = g->_NORIGINX, ry = g->_NORIGINY;
    const uint32_t fill = g->_NFILLCOLOR, line = g->_NLINECOLOR;
    if (!lSelectArea) {
        fAreaX = 0;
        fAreaY = 0;
        fAreaWidth = float(g->GETDEVICEWIDTH());
        fAreaHeight = float(g->GETDEVICEHEIGHT());
    }
    // A degenerate selection box would divide by zero: nothing can be fitted, so nothing is drawn.
    const double vw = r8ViewXMax - r8ViewXMin, vh = r8ViewYMax - r8ViewYMin;
    if (vw == 0.0 || vh == 0.0 || !std::isfinite(vw) || !std::isfinite(vh)) return false;
    g->_FFACTORX = (double(fAreaWidth) - 1) / vw;
    g->_FFACTORY = (double(fAreaHeight) - 1) / vh;
    g->SETWORLDORIGIN(fAreaX, fAreaY);
    const bool clipped = lSelectArea && lSelectBox;
    const GRAPHICS::SavedClip keptClip = g->savedClip();
    if (clipped) g->SETCLIPREGION(g->_NOFFSETX, g->_NOFFSETY, fAreaWidth, fAreaHeight, 0.0);
    // A view box far from the origin (projected coordinates in the millions) at a high zoom
    // moves the offsets beyond 32 bits: the paint maps its points by the offsets in 64 bits,
    // and the canvas's fields hold them as far as 32 bits reach, instead of wrapping.
    paintOffsetX_ = int64_t(g->_NOFFSETX) - wholeWide(r8ViewXMin * g->_FFACTORX);
    paintOffsetY_ = int64_t(g->_NOFFSETY) - wholeWide(r8ViewYMin * g->_FFACTORY);
    g->_NOFFSETX = saturate32(paintOffsetX_);
    g->_NOFFSETY = saturate32(paintOffsetY_);
    painting_ = true;
    const bool result = nShapeCount == 0 ? RUNSHAPEFIRST(true) : RUNSHAPEARRAY();
    painting_ = false;
    if (clipped) g->restoreClip(keptClip);
    g->_FFACTORX = fx;
    g->_FFACTORY = fy;
    g->_NOFFSETX = ox;
    g->_NOFFSETY = oy;
    g->_NORIGINX = rx;
    g->_NORIGINY = ry;
    g->_NFILLCOLOR = fill;
    g->_NLINECOLOR = line;
    return result;
}

SHAPEFILE& SHAPEFILE::SETSHAPESELECTBOX(double x1, double y1, double x2, double y2) {
    r8ViewXMin = x1, r8ViewYMin = y1, r8ViewXMax = x2, r8ViewYMax = y2;
    lSelectBox = true;
    if (r8FileXMax > x2 || r8FileXMin < x1 || r8FileYMax > y2 || r8FileYMin < y1) lSelectTest = true;
    return *this;
}
SHAPEFILE& SHAPEFILE::SETSHAPEUNSELECTBOX() {
    r8ViewXMin = r8FileXMin, r8ViewYMin = r8FileYMin, r8ViewXMax = r8FileXMax, r8ViewYMax = r8FileYMax;
    lSelectBox = false;
    lSelectTest = false;
    return *this;
}
SHAPEFILE& SHAPEFILE::SETSHAPESELECTAREA(double x, double y, double w, double h) {
    fAreaX = float(x), fAreaY = float(y), fAreaWidth = float(w), fAreaHeight = float(h);
    lSelectArea = true;
    return *this;
}
SHAPEFILE& SHAPEFILE::SETSHAPEUNSELECTAREA() {
    lSelectArea = false;
    return *this;
}
SHAPEFILE& SHAPEFILE::SETSHAPECOLORRANDOM() {
    wShapeColorMode = 2, lColorRecords = true, wShapeFill = 1;
    return *this;
}
SHAPEFILE& SHAPEFILE::SETSHAPECOLORNORMAL() {
    wShapeColorMode = 0, lColorRecords = false, wShapeFill = 1;
    for (auto& e : pShapeIndex) e.colour = 0xFFFFFFFFu;
    return *this;
}
SHAPEFILE& SHAPEFILE::SETSHAPECOLORTRANS() {
    wShapeColorMode = 0, lColorRecords = false, wShapeFill = 0;
    return *this;
}
SHAPEFILE& SHAPEFILE::SETSHAPECOLORARRAY(const std::vector<uint32_t>& colours) {
    aShapeColors = colours;
    wShapeColorMode = 1, lColorRecords = true, wShapeFill = 1;
    return *this;
}
SHAPEFILE& SHAPEFILE::SETSHAPEEXTRACTREC(const std::vector<double>& positions, bool exclude) {
    aExtractRecs = positions;
    lExtract = true;
    lExtractExclude = exclude;
    return *this;
}
SHAPEFILE& SHAPEFILE::SETSHAPEUNEXTRACTREC() {
    aExtractRecs.clear();
    lExtract = false;
    lExtractExclude = false;
    return *this;
}
bool SHAPEFILE::TESTSELECTION(double xmin, double ymin, double xmax, double ymax) const {
    return !(xmax < r8ViewXMin || xmin > r8ViewXMax || ymax < r8ViewYMin || ymin > r8ViewYMax);
}
bool SHAPEFILE::TESTEXTRACTION(double position) const {
    const bool listed = std::find(aExtractRecs.begin(), aExtractRecs.end(), position) != aExtractRecs.end();
    return lExtractExclude ? !listed : listed;
}

uint32_t SHAPEFILE::GETSHAPECOLOR(uint32_t position) {
    if (wShapeColorMode == 1) return position >= 1 && position <= aShapeColors.size() ? aShapeColors[position - 1] : 0;
    if (wShapeColorMode == 2) {
        // Taken once per process, as the colour table's size at the first random colour.
        static const double rows = double(ColorTable.size());
        static std::mt19937 generator(0);
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        const double n = GINTEG(uniform(generator) * rows - 1) + 1;
        return oGraphics ? oGraphics->CHANGENUM2RGB(n) : 0;
    }
    return 0;
}

void SHAPEFILE::drawRecord(uint32_t type, const std::string& data) {
    switch (type) {
    case kShapePoint: DRAWPOINT(data); break;
    case kShapeMultiPoint: DRAWMULTIPOINT(data); break;
    case kShapePolyline: DRAWPOLYLINE(data); break;
    case kShapePolygon: DRAWPOLYGON(data); break;
    case kShapeMultiPatch: DRAWMULTIPATCH(data); break;
    default: break;
    }
}

WidePoint SHAPEFILE::devicePoint(double x, double y) const {
    if (!painting_) return oGraphics->widePoint(x, y);
    return WidePoint{wholeWide(x * oGraphics->_FFACTORX) + paintOffsetX_,
                     wholeWide(y * oGraphics->_FFACTORY) + paintOffsetY_};
}

void SHAPEFILE::paintPoints(const PointRows& rows) {
    if (!painting_) {
        oGraphics->PAINTPOINTGROUP(rows);
        return;
    }
    // Device pixels through the canvas's point painter: factors 1 and offsets 0 for the call.
    GRAPHICS& g = *oGraphics;
    const double fx = g._FFACTORX, fy = g._FFACTORY;
    const int32_t ox = g._NOFFSETX, oy = g._NOFFSETY;
    PointRows pixels;
    pixels.reserve(rows.size());
    for (const PointRow& r : rows) {
        const WidePoint p = devicePoint(r.x, r.y);
        pixels.push_back(PointRow{double(p.x), double(p.y), r.colour});
    }
    g._FFACTORX = g._FFACTORY = 1.0;
    g._NOFFSETX = g._NOFFSETY = 0;
    g.PAINTPOINTGROUP(pixels);
    g._FFACTORX = fx, g._FFACTORY = fy;
    g._NOFFSETX = ox, g._NOFFSETY = oy;
}

SHAPEFILE& SHAPEFILE::DRAWPOINT(const std::string& data) {
    if (!oGraphics || data.size() < 16) return *this;
    if (!painting_) {
        oGraphics->PAINTPOINT(leDouble(data, 0), leDouble(data, 8));
        return *this;
    }
    paintPoints(PointRows{PointRow{leDouble(data, 0), leDouble(data, 8), std::nullopt}});
    return *this;
}

SHAPEFILE& SHAPEFILE::DRAWMULTIPOINT(const std::string& data) {
    ShapeCoords c;
    if (!oGraphics || !COORDMULTIPOINT(data, c) || c.empty()) return *this;
    PointRows rows;
    rows.reserve(c[0].size());
    for (const auto& p : c[0]) rows.push_back(PointRow{p[0], p[1], std::nullopt});
    paintPoints(rows);
    return *this;
}

void SHAPEFILE::drawParts(const std::string& data, bool polygon) {
    int32_t parts, points;
    size_t at;
    std::vector<int32_t> counts;
    // Records whose part starts disagree with their points are left undrawn.
    if (!oGraphics || !partCounts(data, parts, points, at, counts, false) || parts == 0) return;
    Device* device = oGraphics->_ODEVICE;
    if (!device) return;
    std::vector<WidePoint> wide(static_cast<size_t>(points));
    for (int32_t i = 0; i < points; ++i)
        wide[size_t(i)] = devicePoint(leDouble(data, at + 16 * size_t(i)), leDouble(data, at + 16 * size_t(i) + 8));
    // Parts reaching far off the device are cut where they leave its range, so that their
    // edges keep their direction; a polyline part may so fall into several.
    std::vector<gdi::POINT> cut;
    std::vector<int32_t> cutCounts;
    size_t first = 0;
    for (int32_t c : counts) {
        if (polygon) {
            const size_t n = appendClippedRing(wide.data() + first, size_t(c), cut);
            if (n > 0) cutCounts.push_back(int32_t(n));
        } else {
            appendClippedPolyline(wide.data() + first, size_t(c), cut, cutCounts);
        }
        first += size_t(c);
    }
    if (cutCounts.empty()) return;
    std::vector<DevPoint> buffer(cut.size());
    for (size_t i = 0; i < cut.size(); ++i) buffer[i] = {cut[i].x, cut[i].y};
    parts = int32_t(cutCounts.size());
    points = int32_t(buffer.size());
    counts = std::move(cutCounts);
    if (parts == 1) {
        if (polygon) {
            OBJECTPOLYGONDEV o(oGraphics, buffer.data(), points, wShapeFill);
            device->DRAW(o);
            o.DESTROY();
        } else {
            OBJECTLINEDEV o(oGraphics, buffer.data(), points, wShapeFill);
            device->DRAW(o);
            o.DESTROY();
        }
    } else if (polygon) {
        OBJECTPOLYGONGROUPDEV o(oGraphics, buffer.data(), counts.data(), parts, wShapeFill);
        device->DRAW(o);
        o.DESTROY();
    } else {
        OBJECTLINEGROUPDEV o(oGraphics, buffer.data(), counts.data(), uint32_t(parts), wShapeFill);
        device->DRAW(o);
        o.DESTROY();
    }
}

SHAPEFILE& SHAPEFILE::DRAWPOLYLINE(const std::string& data) {
    drawParts(data, false);
    return *this;
}
SHAPEFILE& SHAPEFILE::DRAWPOLYGON(const std::string& data) {
    drawParts(data, true);
    return *this;
}

SHAPEFILE& SHAPEFILE::DRAWMULTIPATCH(const std::string& data) {
    int32_t parts, points;
    size_t at;
    std::vector<int32_t> counts;
    if (!oGraphics || !oGraphics->_ODEVICE || !partCounts(data, parts, points, at, counts, true)) return *this;
    size_t next = 0;
    for (int32_t i = 0; i < parts; ++i) {
        const int32_t partType = le32(data, 8 + 4 * size_t(parts) + 4 * size_t(i));
        std::vector<WidePoint> pts(static_cast<size_t>(counts[size_t(i)]));
        for (auto& p : pts) {
            p = devicePoint(leDouble(data, at + 16 * next), leDouble(data, at + 16 * next + 8));
            ++next;
        }
        auto polygon = [&](std::vector<WidePoint> ring) {
            std::vector<gdi::POINT> cut;
            if (appendClippedRing(ring.data(), ring.size(), cut) == 0) return;
            std::vector<DevPoint> figure(cut.size());
            for (size_t k = 0; k < cut.size(); ++k) figure[k] = {cut[k].x, cut[k].y};
            OBJECTPOLYGONDEV o(oGraphics, figure.data(), int32_t(figure.size()), wShapeFill);
            oGraphics->_ODEVICE->DRAW(o);
            o.DESTROY();
        };
        const size_t n = pts.size();
        if (partType == 0) {
            for (size_t j = 0; j + 2 < n; ++j) polygon({pts[j], pts[j + 1], pts[j + 2]});
        } else if (partType == 1) {
            for (size_t j = 0; j + 2 < n; ++j) polygon({pts[0], pts[j + 1], pts[j + 2]});
        } else if (n > 0) {
            polygon(pts);
        }
    }
    return *this;
}

// ---- queries ----------------------------------------------------------------------------------------

bool SHAPEFILE::COORDPOINT(const std::string& data, ShapeCoords& coords) {
    coords.clear();
    if (data.size() < 16) return false;
    coords.push_back({{leDouble(data, 0), leDouble(data, 8)}});
    return true;
}

bool SHAPEFILE::COORDMULTIPOINT(const std::string& data, ShapeCoords& coords) {
    coords.clear();
    if (data.size() < 4) return false;
    const int32_t n = le32(data, 0);
    if (n < 0 || 4 + uint64_t(n) * 16 > data.size()) return false;
    ShapePart part(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) part[size_t(i)] = {leDouble(data, 4 + 16 * size_t(i)), leDouble(data, 12 + 16 * size_t(i))};
    coords.push_back(std::move(part));
    return true;
}

static bool coordParts(const std::string& data, ShapeCoords& coords, bool multipatch) {
    coords.clear();
    int32_t parts, points;
    size_t at;
    std::vector<int32_t> counts;
    if (!partCounts(data, parts, points, at, counts, multipatch)) return false;
    size_t next = 0;
    for (int32_t c : counts) {
        ShapePart part(static_cast<size_t>(c));
        for (auto& p : part) {
            p = {leDouble(data, at + 16 * next), leDouble(data, at + 16 * next + 8)};
            ++next;
        }
        coords.push_back(std::move(part));
    }
    return true;
}

bool SHAPEFILE::COORDPOLYLINE(const std::string& data, ShapeCoords& coords) { return coordParts(data, coords, false); }
bool SHAPEFILE::COORDMULTIPATCH(const std::string& data, ShapeCoords& coords) { return coordParts(data, coords, true); }

bool SHAPEFILE::ready() {
    if (hShapeFile < 0) return false;
    if (nShapeCount != 0) return true;
    // The first pass takes the record colours through the canvas; a query leaves the caller's
    // colours as it found them.
    const uint32_t line = oGraphics ? oGraphics->_NLINECOLOR : 0, fill = oGraphics ? oGraphics->_NFILLCOLOR : 0;
    const bool indexed = RUNSHAPEFIRST(false);
    if (oGraphics) {
        oGraphics->_NLINECOLOR = line;
        oGraphics->_NFILLCOLOR = fill;
    }
    return indexed;
}

bool SHAPEFILE::findByPosition(double rec, const ShapeIndexEntry*& entry) {
    if (!ready() || !(rec >= 1) || rec > double(nShapeCount) || rec != std::floor(rec)) return false;
    entry = &pShapeIndex[size_t(rec) - 1];
    return true;
}

bool SHAPEFILE::findById(double id, uint32_t& position, const ShapeIndexEntry*& entry) {
    if (!ready()) return false;
    for (uint32_t k = 1; k <= nShapeCount; ++k)
        if (double(pShapeIndex[k - 1].recordNumber) == id) {
            position = k;
            entry = &pShapeIndex[k - 1];
            return true;
        }
    return false;
}

bool SHAPEFILE::recordData(const ShapeIndexEntry& e, std::string& data) const {
    return readAt(e.dataOffset, e.dataLength, data);
}

namespace {
ShapeBox boxOf(const ShapeIndexEntry& e) { return {{e.xmin, e.ymin}, {e.xmax, e.ymax}}; }
bool coordsOf(uint32_t type, const std::string& data, ShapeCoords& c) {
    switch (type) {
    case kShapePoint: return SHAPEFILE::COORDPOINT(data, c);
    case kShapeMultiPoint: return SHAPEFILE::COORDMULTIPOINT(data, c);
    case kShapePolyline: return SHAPEFILE::COORDPOLYLINE(data, c);
    case kShapePolygon: return SHAPEFILE::COORDPOLYGON(data, c);
    case kShapeMultiPatch: return SHAPEFILE::COORDMULTIPATCH(data, c);
    default: c.clear(); return true;
    }
}
}  // namespace

SHAPEFILE& SHAPEFILE::GETSHAPEFIGBOXREC(double rec, double& id, double& type, ShapeBox& box) {
    const ShapeIndexEntry* e = nullptr;
    if (!findByPosition(rec, e)) {
        id = 0, type = -1, box.clear();
        return *this;
    }
    id = e->recordNumber, type = e->type;
    box = e->type == kShapeNull ? ShapeBox{} : boxOf(*e);
    return *this;
}

SHAPEFILE& SHAPEFILE::GETSHAPEFIGBOXID(double id, double& rec, double& type, ShapeBox& box) {
    const ShapeIndexEntry* e = nullptr;
    uint32_t k = 0;
    if (!findById(id, k, e)) {
        rec = 0, type = -1, box.clear();
        return *this;
    }
    rec = k, type = e->type;
    box = e->type == kShapeNull ? ShapeBox{} : boxOf(*e);
    return *this;
}

SHAPEFILE& SHAPEFILE::GETSHAPEFIGCOORDREC(double rec, double& id, double& type, ShapeCoords& coords) {
    const ShapeIndexEntry* e = nullptr;
    std::string data;
    if (!findByPosition(rec, e) || (e->type != kShapeNull && (!recordData(*e, data) || !coordsOf(e->type, data, coords)))) {
        id = 0, type = -1, coords.clear();
        return *this;
    }
    if (e->type == kShapeNull) coords.clear();
    id = e->recordNumber, type = e->type;
    return *this;
}

SHAPEFILE& SHAPEFILE::GETSHAPEFIGCOORDID(double id, double& rec, double& type, ShapeCoords& coords) {
    const ShapeIndexEntry* e = nullptr;
    uint32_t k = 0;
    std::string data;
    if (!findById(id, k, e) || (e->type != kShapeNull && (!recordData(*e, data) || !coordsOf(e->type, data, coords)))) {
        rec = 0, type = -1, coords.clear();
        return *this;
    }
    if (e->type == kShapeNull) coords.clear();
    rec = k, type = e->type;
    return *this;
}

SHAPEFILE& SHAPEFILE::GETSHAPEFILEBOX(double& count, ShapeBox& box) {
    if (!ready()) {
        count = 0, box.clear();
        return *this;
    }
    count = nShapeCount;
    box = {{r8FileXMin, r8FileYMin}, {r8FileXMax, r8FileYMax}};
    return *this;
}

// ---- registry ----------------------------------------------------------------------------------------

void SHAPEHANDLE::DESTROY() {
    for (auto& f : aShapeFile) f->DESTROY();
    aShapeFile.clear();
    aShapeName.clear();
    oGraphics = nullptr;
}

SHAPEFILE* SHAPEHANDLE::find(const std::string& name) const {
    const std::string key = upper(name);
    for (size_t i = 0; i < aShapeName.size(); ++i)
        if (aShapeName[i].compare(0, key.size(), key) == 0) return aShapeFile[i].get();
    return nullptr;
}

SHAPEHANDLE& SHAPEHANDLE::SETSHAPEFILEOBJECT(const std::string& name, const std::string& file) {
    const std::string key = upper(name);
    if (find(key)) return *this;
    auto shape = std::make_unique<SHAPEFILE>(key, this, oGraphics, trimmed(file));
    if (shape->READFILEHEADER()) {
        aShapeName.push_back(key);
        aShapeFile.push_back(std::move(shape));
    } else {
        shape->DESTROY();
    }
    return *this;
}

SHAPEHANDLE& SHAPEHANDLE::SETSHAPEFILECLOSE(const std::string& name) {
    const std::string key = upper(name);
    for (size_t i = 0; i < aShapeName.size(); ++i)
        if (aShapeName[i].compare(0, key.size(), key) == 0) {
            auto shape = std::move(aShapeFile[i]);
            aShapeName.erase(aShapeName.begin() + long(i));
            aShapeFile.erase(aShapeFile.begin() + long(i));
            shape->DESTROY();
            break;
        }
    return *this;
}

// ---- canvas methods --------------------------------------------------------------------------------

namespace {
SHAPEHANDLE* registry(GRAPHICS& g, bool create) {
    if (!g.oShapeHandle) {
        if (!create) return nullptr;
        g.oShapeHandle = std::make_unique<SHAPEHANDLE>(&g);
    }
    return static_cast<SHAPEHANDLE*>(g.oShapeHandle.get());
}
SHAPEFILE* fileOf(GRAPHICS& g, const std::string& name, bool create) {
    SHAPEHANDLE* r = registry(g, create);
    return r ? r->find(name) : nullptr;
}
}  // namespace

GRAPHICS& SETSHAPEFILEOBJECT(GRAPHICS& g, const std::string& name, const std::string& file) {
    registry(g, true)->SETSHAPEFILEOBJECT(name, file);
    return g;
}
GRAPHICS& SETSHAPEFILECLOSE(GRAPHICS& g, const std::string& name) {
    if (SHAPEHANDLE* r = registry(g, false)) r->SETSHAPEFILECLOSE(name);
    return g;
}
GRAPHICS& PAINTSHAPECANVAS(GRAPHICS& g, const std::string& file, bool random) {
    SETSHAPEFILEOBJECT(g, file, file);
    if (random) SETSHAPECOLORRANDOM(g, file);
    else SETSHAPECOLORTRANS(g, file);
    return PAINTSHAPEFIGURES(g, file);
}
GRAPHICS& PAINTSHAPEFIGURES(GRAPHICS& g, const std::string& name) {
    if (SHAPEFILE* f = fileOf(g, name, false)) f->PAINTSHAPEFIGURES();
    return g;
}
GRAPHICS& SETSHAPESELECTBOX(GRAPHICS& g, const std::string& name, double x1, double y1, double x2, double y2) {
    if (SHAPEFILE* f = fileOf(g, name, true)) f->SETSHAPESELECTBOX(x1, y1, x2, y2);
    return g;
}
GRAPHICS& SETSHAPEUNSELECTBOX(GRAPHICS& g, const std::string& name) {
    if (SHAPEFILE* f = fileOf(g, name, false)) f->SETSHAPEUNSELECTBOX();
    return g;
}
GRAPHICS& SETSHAPESELECTAREA(GRAPHICS& g, const std::string& name, double x, double y, double w, double h) {
    if (SHAPEFILE* f = fileOf(g, name, true)) f->SETSHAPESELECTAREA(x, y, w, h);
    return g;
}
GRAPHICS& SETSHAPEUNSELECTAREA(GRAPHICS& g, const std::string& name) {
    if (SHAPEFILE* f = fileOf(g, name, false)) f->SETSHAPEUNSELECTAREA();
    return g;
}
GRAPHICS& SETSHAPECOLORNORMAL(GRAPHICS& g, const std::string& name) {
    if (SHAPEFILE* f = fileOf(g, name, true)) f->SETSHAPECOLORNORMAL();
    return g;
}
GRAPHICS& SETSHAPECOLORRANDOM(GRAPHICS& g, const std::string& name) {
    if (SHAPEFILE* f = fileOf(g, name, true)) f->SETSHAPECOLORRANDOM();
    return g;
}
GRAPHICS& SETSHAPECOLORTRANS(GRAPHICS& g, const std::string& name) {
    if (SHAPEFILE* f = fileOf(g, name, true)) f->SETSHAPECOLORTRANS();
    return g;
}
GRAPHICS& SETSHAPECOLORARRAY(GRAPHICS& g, const std::string& name, const std::vector<uint32_t>& colours) {
    if (SHAPEFILE* f = fileOf(g, name, true)) f->SETSHAPECOLORARRAY(colours);
    return g;
}
GRAPHICS& SETSHAPEEXTRACTREC(GRAPHICS& g, const std::string& name, const std::vector<double>& recs, bool exclude) {
    if (SHAPEFILE* f = fileOf(g, name, false)) f->SETSHAPEEXTRACTREC(recs, exclude);
    return g;
}
GRAPHICS& SETSHAPEUNEXTRACTREC(GRAPHICS& g, const std::string& name) {
    if (SHAPEFILE* f = fileOf(g, name, false)) f->SETSHAPEUNEXTRACTREC();
    return g;
}
GRAPHICS& GETSHAPEFIGBOXREC(GRAPHICS& g, const std::string& name, double rec, double& id, double& type, ShapeBox& box) {
    if (SHAPEFILE* f = fileOf(g, name, true)) f->GETSHAPEFIGBOXREC(rec, id, type, box);
    else type = -1;
    return g;
}
GRAPHICS& GETSHAPEFIGBOXID(GRAPHICS& g, const std::string& name, double id, double& rec, double& type, ShapeBox& box) {
    if (SHAPEFILE* f = fileOf(g, name, true)) f->GETSHAPEFIGBOXID(id, rec, type, box);
    else type = -1;
    return g;
}
GRAPHICS& GETSHAPEFIGCOORDREC(GRAPHICS& g, const std::string& name, double rec, double& id, double& type, ShapeCoords& c) {
    if (SHAPEFILE* f = fileOf(g, name, true)) f->GETSHAPEFIGCOORDREC(rec, id, type, c);
    else type = -1;
    return g;
}
GRAPHICS& GETSHAPEFIGCOORDID(GRAPHICS& g, const std::string& name, double id, double& rec, double& type, ShapeCoords& c) {
    if (SHAPEFILE* f = fileOf(g, name, true)) f->GETSHAPEFIGCOORDID(id, rec, type, c);
    else type = -1;
    return g;
}
GRAPHICS& GETSHAPEFILEBOX(GRAPHICS& g, const std::string& name, double& count, ShapeBox& box) {
    if (SHAPEFILE* f = fileOf(g, name, true)) f->GETSHAPEFILEBOX(count, box);
    else count = 0;
    return g;
}

}  // namespace gfx
