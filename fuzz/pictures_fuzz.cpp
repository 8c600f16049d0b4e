// The picture loader chain on any file, under the names its callers give: Qt's readers first,
// then our BMP reader for a ".bmp" name, with and without a context. A picture it loads comes
// back as a bitmap of the size it reports.
//
// A picture within the size limit may take seconds and gigabytes to decode, as a photo of 250
// megapixels takes: that is the limit's price, not a fault, and the unit tests load a photo of
// 35 megapixels. Here a file that announces more than 4 megapixels within the limit (a
// metafile whose frame covers more than a quarter of one, as its records play on all of it) is
// passed over, so that each input stays within a second and the fuzzer's memory.
#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <cstdlib>
#include <string>

#include "fuzz_util.h"
#include "gui_application.h"
#include "graphics/files/pictures.h"
#include "platform/gdi/gdi.h"

namespace {

constexpr int64_t kFuzzPixels = int64_t(1) << 22, kFuzzMetafilePixels = int64_t(1) << 18;

bool tooLargeToFuzz(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    int32_t w = 0, h = 0;
    if (gfx::metafileFrameSize(bytes, w, h)) {
        w = w / 2540 * 96 + 96, h = h / 2540 * 96 + 96;  // at most, on the screen
        return gfx::pictureSizeAllowed(w, h) && int64_t(w) * h > kFuzzMetafilePixels;
    }
    QByteArray array = QByteArray::fromStdString(bytes);
    QBuffer buffer(&array);
    buffer.open(QIODevice::ReadOnly);
    const QSize announced = QImageReader(&buffer).size();
    const int64_t across = std::abs(int64_t(announced.width())), down = std::abs(int64_t(announced.height()));
    return gfx::pictureSizeAllowed(across, down) && across * down > kFuzzPixels;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t opts = fuzz::takeByte(data, size);
    if (tooLargeToFuzz(data, size)) return 0;
    static const char* names[] = {"p.bmp", "P.BMP", "p.png", "p.gif", "p.jpg", "p.ico", "p", "p.bmp.txt"};
    const std::string name = names[opts & 7];
    const std::string path = fuzz::writeFile(name, std::string_view(reinterpret_cast<const char*>(data), size));

    // The context of a canvas on a memory bitmap, at the screen's resolution.
    QImage surface(8, 8, QImage::Format_RGB32);
    gdi::HDC dc = gdi::CreateImageDC(&surface);
    int32_t width = -1, height = -1;
    gdi::HBITMAP bitmap = gfx::loadPictureChain(path, width, height, (opts & 8) ? nullptr : dc);
    if (bitmap) {
        gdi::BITMAP info;
        FUZZ_CHECK(gdi::GetObject(bitmap, sizeof info, &info) != 0);
        FUZZ_CHECK(info.bmWidth == width && info.bmHeight == height);
        FUZZ_CHECK(width > 0 && height > 0);
        gdi::DeleteObject(bitmap);
    }
    gdi::DeleteDC(dc);
    fuzz::removeFile(name);
    return 0;
}
