#include "graphics/files/pictures.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "graphics/canvas/numeric.h"

namespace gfx {

namespace {

void put16(std::string& s, uint32_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}
uint32_t get16(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8;
}
uint32_t get32(const std::string& s, size_t at) { return get16(s, at) | get16(s, at + 2) << 16; }

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    bytes = ss.str();
    return true;
}

}  // namespace

bool writeFileReplacing(const std::string& path, const std::string& bytes, std::string* error) {
    if (path.empty()) return fail(error, "no file name");
    std::filesystem::path target(path);
    std::string dir = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    std::string tmpl = dir + "/." + target.filename().string() + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) return fail(error, "cannot create a file in " + dir + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::string why = std::strerror(errno);
            ::close(fd);
            ::unlink(name.data());
            return fail(error, "cannot write " + path + ": " + why);
        }
        done += size_t(n);
    }
    // New files get the usual permissions rather than mkstemp's private ones.
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0) {
        std::string why = std::strerror(errno);
        ::unlink(name.data());
        return fail(error, "cannot write " + path + ": " + why);
    }
    if (std::rename(name.data(), path.c_str()) != 0) {
        std::string why = std::strerror(errno);
        ::unlink(name.data());
        return fail(error, "cannot replace " + path + ": " + why);
    }
    return true;
}

bool pictureSizeAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

bool pngChunksWithinFile(std::string_view bytes) {
    static constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
    if (bytes.substr(0, kSignature.size()) != kSignature) return true;
    // Each chunk: length, type, data, CRC. A length running past the file is no picture of
    // ours to trust: the decoder would reserve that much before finding the file too short.
    size_t at = kSignature.size();
    while (at + 8 <= bytes.size()) {
        const uint64_t length = uint64_t(uint8_t(bytes[at])) << 24 | uint64_t(uint8_t(bytes[at + 1])) << 16 |
                                uint64_t(uint8_t(bytes[at + 2])) << 8 | uint64_t(uint8_t(bytes[at + 3]));
        if (length > bytes.size() - at - 8 || bytes.size() - at - 8 - length < 4) return false;
        if (bytes.substr(at + 4, 4) == "IEND") return true;
        at += 12 + length;
    }
    return true;
}

namespace {

// Qt's readers refuse, on their own, a picture whose pixels take more memory than a limit of
// theirs (128 MB by default: a photo of 35 megapixels). Ours is the picture size limit, in the
// widest format they decode to (8 bytes a pixel).
void allowPictureSizeLimit() {
    static const bool set = [] {
        QImageReader::setAllocationLimit(int(kMaxPicturePixels * 8 >> 20));
        return true;
    }();
    (void)set;
}

// Whether the size a reader's header announces is within the limit; a size it does not know
// passes, and the decoded picture is checked again. A top-down BMP announces its height as a
// negative number of rows, which are decoded all the same.
bool announcedSizeAllowed(const QSize& announced) {
    if (announced == QSize()) return true;
    return pictureSizeAllowed(std::abs(int64_t(announced.width())), std::abs(int64_t(announced.height())));
}

}  // namespace

QImage readCheckedPicture(const std::string& bytes, QByteArray* format) {
    if (format) format->clear();
    if (!pngChunksWithinFile(bytes)) return QImage();
    // BMP files are read by our own reader: Qt's leaves the rows a cut file lacks as whatever
    // memory held, and allocates a bitmap of any size the header claims before it reads.
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        QImage image = decodeBmp(bytes);
        if (format && !image.isNull()) *format = "bmp";
        return image;
    }
    allowPictureSizeLimit();
    QByteArray data = QByteArray::fromStdString(bytes);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    // The header's size is checked before the reader allocates the pixels. Qt's GIF reader
    // announces the first frame's size but allocates the logical screen's, which comes first.
    if (!announcedSizeAllowed(reader.size())) return QImage();
    if (bytes.size() >= 10 && (bytes.compare(0, 6, "GIF87a") == 0 || bytes.compare(0, 6, "GIF89a") == 0) &&
        !pictureSizeAllowed(get16(bytes, 6), get16(bytes, 8)))
        return QImage();
    QImage image = reader.read();
    if (image.isNull() || !pictureSizeAllowed(image.width(), image.height())) return QImage();
    if (format) *format = reader.format();
    return image;
}

QImage readCheckedPictureFile(const std::string& path, QByteArray* format) {
    if (format) format->clear();
    std::string bytes;
    if (path.empty() || !readWholeFile(path, bytes) || bytes.empty()) return QImage();
    return readCheckedPicture(bytes, format);
}

QImage opaquePicture(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }

bool metafileFrameSize(const std::string& bytes, int32_t& width, int32_t& height) {
    width = 0;
    height = 0;
    gdi::LONG windowsWidth = 0, windowsHeight = 0;
    if (gdi::WindowsMetafileSize(reinterpret_cast<const gdi::BYTE*>(bytes.data()), gdi::UINT(bytes.size()), windowsWidth,
                                 windowsHeight)) {
        width = windowsWidth;
        height = windowsHeight;
        return true;
    }
    // The header record: type 1, the signature " EMF" at 40, the reference device's size in
    // pixels at 72 and in millimetres at 80.
    if (bytes.size() < 88 || get32(bytes, 0) != 1 || get32(bytes, 40) != 0x464D4520) return false;
    auto at = [&](size_t offset) { return int64_t(int32_t(get32(bytes, offset))); };
    int64_t w = at(32) - at(24), h = at(36) - at(28);
    if (w <= 0 || h <= 0) {
        // No frame: the bounds, in the reference device's pixels.
        const int64_t px = at(72), py = at(76), mx = at(80), my = at(84);
        const double perX = px > 0 && mx > 0 ? 100.0 * double(mx) / double(px) : 2540.0 / 96;
        const double perY = py > 0 && my > 0 ? 100.0 * double(my) / double(py) : 2540.0 / 96;
        w = std::llround(double(at(16) - at(8) + 1) * perX);
        h = std::llround(double(at(20) - at(12) + 1) * perY);
    }
    if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return false;
    width = int32_t(w);
    height = int32_t(h);
    return true;
}

bool playMetafile(gdi::HDC dc, const std::string& bytes, const gdi::RECT& rect) {
    const auto* data = reinterpret_cast<const gdi::BYTE*>(bytes.data());
    if (gdi::PlayWindowsMetafile(dc, data, gdi::UINT(bytes.size()), &rect)) return true;
    gdi::HENHMETAFILE metafile = gdi::SetEnhMetaFileBits(gdi::UINT(bytes.size()), data);
    if (!metafile) return false;
    const bool played = gdi::PlayEnhMetaFile(dc, metafile, &rect);
    gdi::DeleteEnhMetaFile(metafile);
    return played;
}

// ---- BMP --------------------------------------------------------------------------------------

std::string encodeBmp(const QImage& source) {
    const bool indexed = source.format() == QImage::Format_Indexed8;
    QImage image = indexed ? source : source.convertToFormat(QImage::Format_RGB32);
    const uint32_t w = uint32_t(image.width()), h = uint32_t(image.height());
    const uint32_t bits = indexed ? 8 : 24;
    const uint32_t entries = indexed ? 256 : 0;
    const uint32_t stride = ((w * bits + 31) / 32) * 4;
    const uint32_t imageSize = stride * h;
    const uint32_t offset = 14 + 40 + 4 * entries;
    std::string s;
    s.reserve(offset + imageSize);
    s += "BM";
    put32(s, offset + imageSize);
    put16(s, 0);
    put16(s, 0);
    put32(s, offset);
    put32(s, 40);
    put32(s, w);
    put32(s, h);
    put16(s, 1);
    put16(s, bits);
    put32(s, 0);
    put32(s, imageSize);
    for (int i = 0; i < 4; ++i) put32(s, 0);
    if (indexed) {
        const QList<QRgb> table = image.colorTable();
        for (uint32_t i = 0; i < 256; ++i) {
            QRgb c = i < uint32_t(table.size()) ? table[i] : 0;
            s.push_back(char(qBlue(c)));
            s.push_back(char(qGreen(c)));
            s.push_back(char(qRed(c)));
            s.push_back(0);
        }
    }
    for (uint32_t row = 0; row < h; ++row) {
        const uchar* line = image.constScanLine(int(h - 1 - row));
        size_t start = s.size();
        if (indexed) {
            s.append(reinterpret_cast<const char*>(line), w);
        } else {
            const QRgb* px = reinterpret_cast<const QRgb*>(line);
            for (uint32_t x = 0; x < w; ++x) {
                s.push_back(char(qBlue(px[x])));
                s.push_back(char(qGreen(px[x])));
                s.push_back(char(qRed(px[x])));
            }
        }
        s.append(stride - (s.size() - start), '\0');
    }
    return s;
}

bool writeBmpFile(const std::string& path, const QImage& image, std::string* error) {
    if (image.isNull()) return fail(error, "no picture to write");
    return writeFileReplacing(path, encodeBmp(image), error);
}

namespace {

// Shift and width of a bit-field mask.
void maskShape(uint32_t mask, int& shift, int& width) {
    shift = 0;
    width = 0;
    if (!mask) return;
    while (!(mask & 1u)) mask >>= 1, ++shift;
    while (mask & 1u) mask >>= 1, ++width;
}
int maskValue(uint32_t px, uint32_t mask) {
    int shift, width;
    maskShape(mask, shift, width);
    if (!width) return 0;
    uint32_t v = (px & mask) >> shift;
    uint32_t max = (width >= 32) ? 0xFFFFFFFFu : ((1u << width) - 1);
    return int((uint64_t(v) * 255 + max / 2) / max);
}

// The pixels of a run-length coded bitmap (8 bits a pixel with `bits` 8, 4 with 4), bottom row
// first. Runs and literal groups draw colour indices from the cursor on; the escapes end a row,
// end the bitmap or move the cursor ahead. What no code draws keeps colour 0: the bitmap may
// end early with its end code, or skip pixels. Pixels past a row's end are dropped; data
// that ends before the end code and before the last row is a cut file and refused.
QImage decodeRunLengths(const std::string& s, size_t at, int width, int height, uint32_t bits,
                        const QList<QRgb>& table, std::string* error) {
    auto bad = [&](const char* why) {
        if (error) *error = why;
        return QImage();
    };
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) return bad("not enough memory for the bitmap");
    image.fill(table.value(0, qRgb(0, 0, 0)));
    const size_t size = s.size();
    auto byte = [&](size_t i) { return uint8_t(s[i]); };
    int x = 0, y = 0;  // y counts rows from the bottom
    auto put = [&](uint32_t index) {
        if (index >= uint32_t(table.size())) return false;
        if (x < width && y < height) reinterpret_cast<QRgb*>(image.scanLine(height - 1 - y))[x] = table[int(index)];
        ++x;
        return true;
    };
    auto nibble = [&](uint8_t value, int k) { return bits == 8 ? uint32_t(value) : uint32_t(k % 2 ? value & 15 : value >> 4); };
    while (y < height) {
        if (at + 2 > size) return bad("compressed pixel data ends before the bitmap does");
        const uint8_t count = byte(at), code = byte(at + 1);
        at += 2;
        if (count > 0) {
            for (int k = 0; k < count && x < width; ++k)
                if (!put(nibble(code, k))) return bad("pixel refers to a colour beyond the table");
            continue;
        }
        if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            if (at + 2 > size) return bad("compressed pixel data ends before the bitmap does");
            x += byte(at);
            y += byte(at + 1);
            at += 2;
        } else {
            // A literal group, padded to a whole number of 16-bit words.
            const size_t bytes = bits == 8 ? code : (code + 1u) / 2;
            if (at + bytes > size) return bad("compressed pixel data ends before the bitmap does");
            for (int k = 0; k < code; ++k)
                if (!put(nibble(byte(at + size_t(bits == 8 ? k : k / 2)), k))) return bad("pixel refers to a colour beyond the table");
            at += (bytes + 1) & ~size_t(1);
        }
        if (x > width) x = width;
    }
    return image;
}

}  // namespace

QImage decodeBmp(const std::string& s, std::string* error) {
    auto bad = [&](const char* why) {
        if (error) *error = why;
        return QImage();
    };
    const uint64_t size = s.size();
    if (size < 14 + 12) return bad("file too short for a bitmap header");
    if (s[0] != 'B' || s[1] != 'M') return bad("not a bitmap file");
    const uint64_t offBits = get32(s, 10);
    const uint64_t headerSize = get32(s, 14);
    if (headerSize < 12 || 14 + headerSize > size) return bad("bitmap header size beyond the file");
    int64_t width, height;
    uint32_t planes, bits, compression = 0, clrUsed = 0;
    uint64_t tableAt = 14 + headerSize;
    int entrySize = 4;
    if (headerSize == 12) {
        width = get16(s, 18);
        height = int16_t(get16(s, 20));
        planes = get16(s, 22);
        bits = get16(s, 24);
        entrySize = 3;
    } else {
        if (headerSize < 40) return bad("unknown bitmap header");
        width = int32_t(get32(s, 18));
        height = int32_t(get32(s, 22));
        planes = get16(s, 26);
        bits = get16(s, 28);
        compression = get32(s, 30);
        clrUsed = get32(s, 46);
    }
    if (planes != 1) return bad("bitmap with more than one plane");
    if (width <= 0 || height == 0) return bad("bitmap without pixels");
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (!pictureSizeAllowed(width, height)) return bad("bitmap larger than the picture size limit");
    uint32_t masks[4] = {0, 0, 0, 0};
    if (compression == 3 || compression == 6) {
        if (bits != 16 && bits != 32) return bad("bit fields on a bitmap that is not 16 or 32 bits");
        // The masks follow a 40-byte header; larger headers carry them inside.
        uint64_t at = 14 + 40;
        int count = compression == 6 ? 4 : 3;
        if (at + 4 * count > size) return bad("bit-field masks beyond the file");
        for (int i = 0; i < count; ++i) masks[i] = get32(s, at + 4 * i);
        if (headerSize == 40) tableAt += 4 * count;
    } else if (compression == 1 || compression == 2) {
        if (bits != (compression == 1 ? 8u : 4u)) return bad("run-length coding on a bitmap of another depth");
        // Run-length coded rows are stored bottom-up only.
        if (topDown) return bad("run-length coded bitmap stored top-down");
    } else if (compression != 0) {
        return bad("compressed bitmaps are not supported");
    } else if (bits == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bits == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return bad("unsupported bits per pixel");
    QList<QRgb> table;
    if (bits <= 8) {
        uint64_t entries = clrUsed ? clrUsed : (1u << bits);
        if (entries > (1u << bits)) return bad("colour table larger than the bit depth allows");
        if (tableAt + entries * entrySize > size || tableAt + entries * entrySize > offBits)
            return bad("colour table beyond the file or the pixel data");
        for (uint64_t i = 0; i < entries; ++i) {
            size_t at = size_t(tableAt + i * entrySize);
            table.push_back(qRgb(uint8_t(s[at + 2]), uint8_t(s[at + 1]), uint8_t(s[at])));
        }
    }
    if (offBits < tableAt || offBits > size) return bad("pixel data beyond the end of the file");
    if (compression == 1 || compression == 2) return decodeRunLengths(s, size_t(offBits), int(width), int(height), bits, table, error);
    const uint64_t stride = ((uint64_t(width) * bits + 31) / 32) * 4;
    // Every row must be in the file; only the last row's padding may be missing, as some
    // writers leave it out. A row that is not there would show whatever memory held.
    if (stride * uint64_t(height - 1) + (uint64_t(width) * bits + 7) / 8 > size - offBits)
        return bad("pixel data beyond the end of the file");
    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull()) return bad("not enough memory for the bitmap");
    for (int64_t row = 0; row < height; ++row) {
        const uint8_t* line = reinterpret_cast<const uint8_t*>(s.data() + offBits + stride * row);
        QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(int(topDown ? row : height - 1 - row)));
        for (int64_t x = 0; x < width; ++x) {
            QRgb c;
            if (bits <= 8) {
                uint32_t bitPos = uint32_t(x) * bits;
                uint32_t v = (line[bitPos / 8] >> (8 - bits - bitPos % 8)) & ((1u << bits) - 1);
                if (v >= uint32_t(table.size())) {
                    if (error) *error = "pixel refers to a colour beyond the table";
                    return QImage();
                }
                c = table[v];
            } else if (bits == 24) {
                const uint8_t* p = line + 3 * x;
                c = qRgb(p[2], p[1], p[0]);
            } else {
                uint32_t px = bits == 16 ? uint32_t(line[2 * x] | line[2 * x + 1] << 8)
                                         : uint32_t(line[4 * x]) | uint32_t(line[4 * x + 1]) << 8 |
                                               uint32_t(line[4 * x + 2]) << 16 | uint32_t(line[4 * x + 3]) << 24;
                c = qRgb(maskValue(px, masks[0]), maskValue(px, masks[1]), maskValue(px, masks[2]));
            }
            out[x] = c;
        }
    }
    return image;
}

QImage readBmpFile(const std::string& path, std::string* error) {
    std::string bytes;
    if (!readWholeFile(path, bytes)) {
        if (error) *error = "cannot read " + path;
        return QImage();
    }
    return decodeBmp(bytes, error);
}

// ---- export area --------------------------------------------------------------------------------

ExportArea exportArea(GRAPHICS& canvas, double x, double y, double width, double height, double anchor) {
    const int32_t W = canvas._ODIM.WIDTH(), H = canvas._ODIM.HEIGHT();
    ExportArea a;
    if (width == 0.0 || height == 0.0) {
        a.x0 = canvas._OORIGIN.X();
        a.y0 = canvas._OORIGIN.Y();
        a.w = W;
        a.h = H;
    } else {
        a.x0 = canvas.devX(x);
        a.y0 = canvas.devY(y);
        a.w = canvas.devW(width);
        a.h = canvas.devH(height);
        if (anchor > 0) canvas.GETORIGINPOINT(a.x0, a.y0, a.w, a.h, anchor);
    }
    a.x0 = std::max(0, std::min(a.x0, W - 1));
    a.y0 = std::max(0, std::min(a.y0, H - 1));
    a.w = std::max(1, std::min(a.w, W - a.x0));
    a.h = std::max(1, std::min(a.h, H - a.y0));
    return a;
}

gdi::HDC exportSourceDC(const OBJECTSHAPE& object) {
    GRAPHICS* g = object.canvas();
    if (!g || !g->_ODEVICE) return nullptr;
    return object.SELECTDRAWDC(g->_ODEVICE->_NDEVICETYP == kWindowDevice ? 2 : 1);
}

QImage captureArea(gdi::HDC source, const ExportArea& a) {
    QImage image(std::max(a.w, 1), std::max(a.h, 1), QImage::Format_RGB32);
    if (image.isNull()) return image;
    image.fill(Qt::black);
    if (!source) return image;
    // Read through the source's own mapping (y up), so any device or refresh bitmap serves.
    for (int i = 0; i < a.h; ++i) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(a.h - 1 - i));
        for (int x = 0; x < a.w; ++x) {
            const gdi::COLORREF c = gdi::GetPixel(source, a.x0 + x, a.y0 + i);
            if (c == gdi::CLR_INVALID) continue;
            row[x] = qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
        }
    }
    return image;
}

ExportObject::ExportObject(GRAPHICS* canvas, double x_, double y_, double width_, double height_,
                           std::string file, double anchor_)
    : OBJECTSHAPE(canvas), x(x_), y(y_), width(width_), height(height_), fileName(std::move(file)),
      anchor(uint16_t(std::max(0.0, std::min(65535.0, anchor_)))) {}

bool ExportObject::capture(QImage& image) {
    ok = false;
    error.clear();
    GRAPHICS* g = canvas();
    if (!g) return fail(&error, "no canvas");
    gdi::HDC source = exportSourceDC(*this);
    if (!source) return fail(&error, "the canvas has nothing to read from");
    image = captureArea(source, exportArea(*g, x, y, width, height, anchor));
    if (image.isNull()) return fail(&error, "not enough memory for the picture");
    return true;
}

OBJECTSHAPE& OBJECTBMPFILE::DRAW() {
    QImage image;
    if (capture(image)) ok = writeBmpFile(fileName, image, &error);
    return *this;
}

OBJECTSHAPE& OBJECTIMGFILE::DRAW() {
    QImage image;
    if (!capture(image)) return *this;
    gdi::HBITMAP bmp = gdi::CreateBitmapFromImage(image);
    ok = SAVEIMAGEOLE(fileName, bmp, nullptr);
    if (!ok) error = "cannot save " + fileName;
    gdi::DeleteObject(bmp);
    return *this;
}

OBJECTSHAPE& OBJECTGIFFILE::DRAW() {
    QImage image;
    if (!capture(image)) return *this;
    // SAVEIMAGEGIF writes a bitmap from its bottom row, so it is handed the area upside down.
    QImage mirrored = image.mirrored(false, true);
    gdi::HBITMAP bmp = gdi::CreateBitmapFromImage(mirrored);
    gdi::HDC dc = gdi::CreateCompatibleDC(nullptr);
    gdi::HGDIOBJ old = gdi::SelectObject(dc, bmp);
    ok = SAVEIMAGEGIF(fileName, dc, bmp);
    if (!ok) error = "cannot save " + fileName;
    gdi::SelectObject(dc, old);
    gdi::DeleteDC(dc);
    gdi::DeleteObject(bmp);
    return *this;
}

namespace {
template <class Obj>
GRAPHICS& exportWith(GRAPHICS& canvas, double x, double y, double w, double h, const std::string& file,
                     double anchor) {
    if (!canvas._ODEVICE || canvas._ODEVICE->_NDEVICETYP == kPrinterDevice) return canvas;
    Obj object(&canvas, x, y, w, h, file, anchor);
    canvas._ODEVICE->DRAW(object);
    object.DESTROY();
    return canvas;
}
}  // namespace

GRAPHICS& SETBMPCANVASTOFILE(GRAPHICS& c, const std::string& f) { return exportWith<OBJECTBMPFILE>(c, 0, 0, 0, 0, f, 0); }
GRAPHICS& SETBMPAREATOFILE(GRAPHICS& c, double x, double y, double w, double h, const std::string& f, double a) {
    return exportWith<OBJECTBMPFILE>(c, x, y, w, h, f, a);
}
GRAPHICS& SETIMGCANVASTOFILE(GRAPHICS& c, const std::string& f) { return exportWith<OBJECTIMGFILE>(c, 0, 0, 0, 0, f, 0); }
GRAPHICS& SETIMGAREATOFILE(GRAPHICS& c, double x, double y, double w, double h, const std::string& f, double a) {
    return exportWith<OBJECTIMGFILE>(c, x, y, w, h, f, a);
}
GRAPHICS& SETGIFCANVASTOFILE(GRAPHICS& c, const std::string& f) { return exportWith<OBJECTGIFFILE>(c, 0, 0, 0, 0, f, 0); }
GRAPHICS& SETGIFAREATOFILE(GRAPHICS& c, double x, double y, double w, double h, const std::string& f, double a) {
    return exportWith<OBJECTGIFFILE>(c, x, y, w, h, f, a);
}

bool SAVEIMAGEOLE(const std::string& file, gdi::HBITMAP bitmap, gdi::HGDIOBJ) {
    if (file.empty() || !bitmap) return false;
    QImage* image = gdi::GetBitmapImage(bitmap);
    if (!image || image->isNull()) return false;
    QByteArray format = QFileInfo(QString::fromStdString(file)).suffix().toLower().toLatin1();
    if (format == "jpg") format = "jpeg";
    // A name without extension gets the platform picture object's own format for bitmaps.
    if (format.isEmpty() || format == "bmp" || format == "dib") return writeBmpFile(file, *image);
    if (format == "gif") return writeFileReplacing(file, encodeGif(*image));
    // Any other name is written in the format it names, or not at all.
    if (!QImageWriter::supportedImageFormats().contains(format)) return false;
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image->convertToFormat(QImage::Format_RGB32))) return false;
    return writeFileReplacing(file, data.toStdString());
}

// ---- loaders ------------------------------------------------------------------------------------

namespace {

// A metafile as a picture: its frame at the resolution of a memory context like `dc` (the
// screen's without one), played by our players into a new bitmap like `dc`'s.
gdi::HBITMAP loadMetafile(const std::string& bytes, int32_t& width, int32_t& height, gdi::HDC dc) {
    int32_t frameWidth, frameHeight;
    if (!metafileFrameSize(bytes, frameWidth, frameHeight)) return nullptr;
    // An enhanced metafile our player refuses is no picture, and has no size.
    const auto* data = reinterpret_cast<const gdi::BYTE*>(bytes.data());
    if (gdi::LONG w, h; !gdi::WindowsMetafileSize(data, gdi::UINT(bytes.size()), w, h)) {
        gdi::HENHMETAFILE metafile = gdi::SetEnhMetaFileBits(gdi::UINT(bytes.size()), data);
        if (!metafile) return nullptr;
        gdi::DeleteEnhMetaFile(metafile);
    }
    gdi::HDC memory = gdi::CreateCompatibleDC(dc);
    gdi::HBITMAP result = nullptr;
    if (memory) {
        width = gui::MulDiv(frameWidth, gdi::GetDeviceCaps(memory, gdi::LOGPIXELSX), 2540);
        height = gui::MulDiv(frameHeight, gdi::GetDeviceCaps(memory, gdi::LOGPIXELSY), 2540);
        if (dc && pictureSizeAllowed(width, height)) result = gdi::CreateCompatibleBitmap(dc, width, height);
        if (result) {
            gdi::HGDIOBJ old = gdi::SelectObject(memory, result);
            const gdi::RECT all{0, 0, width, height};
            const bool played = playMetafile(memory, bytes, all);
            gdi::SelectObject(memory, old);
            if (!played) {
                gdi::DeleteObject(result);
                result = nullptr;
            }
        }
        gdi::DeleteDC(memory);
    }
    return result;
}

}  // namespace

gdi::HBITMAP LOADIMAGEOLE(const std::string& file, int32_t& width, int32_t& height, gdi::HDC dc) {
    width = 0;
    height = 0;
    std::string bytes;
    if (file.empty() || !readWholeFile(file, bytes) || bytes.empty()) return nullptr;
    int32_t frameWidth, frameHeight;
    if (metafileFrameSize(bytes, frameWidth, frameHeight)) return loadMetafile(bytes, width, height, dc);
    const QImage image = readCheckedPicture(bytes);
    if (image.isNull()) return nullptr;
    // A raster picture is shown in its own pixels: the resolution a file claims (72 dpi from a
    // camera, 10 pixels per metre from a careless writer) never scales it.
    width = image.width();
    height = image.height();
    if (!dc) return nullptr;
    return gdi::CreateBitmapFromImage(opaquePicture(image));
}

gdi::HBITMAP LOADIMAGEAPI(const std::string& file, int32_t& width, int32_t& height) {
    width = 0;
    height = 0;
    QImage image = readBmpFile(file);
    if (image.isNull()) return nullptr;
    width = image.width();
    height = image.height();
    return gdi::CreateBitmapFromImage(image);
}

gdi::HBITMAP LOADIMAGEVO(const std::string&, int32_t& width, int32_t& height, gdi::HDC) {
    width = 0;
    height = 0;
    return nullptr;
}

gdi::HBITMAP loadPictureChain(const std::string& file, int32_t& width, int32_t& height, gdi::HDC dc) {
    gdi::HBITMAP result = LOADIMAGEOLE(file, width, height, dc);
    if (!result) {
        std::string upper = file;
        for (char& c : upper) c = char(std::toupper(uint8_t(c)));
        if (upper.find(".BMP") != std::string::npos) result = LOADIMAGEAPI(file, width, height);
    }
    if (!result && RuntimeLevel >= 25) result = LOADIMAGEVO(file, width, height, dc);
    return result;
}

gdi::HBITMAP loadBitmapResource(const std::string& name) {
    if (name.empty()) return nullptr;
    const QString n = QString::fromStdString(name);
    for (const QString& path : {QStringLiteral(":/bitmaps/") + n, QStringLiteral(":/") + n}) {
        if (!QFileInfo(path).isFile()) continue;
        allowPictureSizeLimit();
        QImageReader reader(path);
        if (!announcedSizeAllowed(reader.size())) return nullptr;
        const QImage image = reader.read();
        if (image.isNull()) return nullptr;
        return gdi::CreateBitmapFromImage(opaquePicture(image));
    }
    return nullptr;
}

BMPFROMFILE::BMPFROMFILE(const std::string& file) {
    int32_t w = 0, h = 0;
    handle_ = LOADIMAGEAPI(file, w, h);
}

BMPFROMFILE::~BMPFROMFILE() {
    if (handle_) gdi::DeleteObject(handle_);
}

}  // namespace gfx
