// The picture loader chain on any file, under the names its callers give: Qt's readers first,
// then our BMP reader for a ".bmp" name, with and without a context. A picture it loads comes
// back as a bitmap of the size it reports.
//
// Each picture it loads is shown whole to the kernel, so that memcheck, running the corpus
// through the target built as a plain program, sees any pixel that nothing wrote.
//
// A picture within the size limit may take seconds and gigabytes to decode, as a photo of 250
// megapixels takes: that is the limit's price, not a fault, and the unit tests load a photo of
// 35 megapixels. Here Qt's readers get 64 MB (the library allows them the limit's memory once,
// on its first read, and the target holds them to less after it), and a metafile whose frame
// covers more than a quarter of a megapixel is passed over, as its records play on all of it,
// and so is a run-length coded BMP of that size, which a few bytes can claim:
// each input stays within a second and the fuzzer's memory.
#include <QImage>
#include <QImageReader>
#include <string>

#include "fuzz_util.h"
#include "gui_application.h"
#include "graphics/files/pictures.h"
#include "platform/gdi/gdi.h"

namespace {

void holdReadersToLessMemory() {
    static const bool held = [] {
        gfx::readCheckedPicture(std::string());
        QImageReader::setAllocationLimit(64);
        return true;
    }();
    (void)held;
}

bool largeMetafile(const uint8_t* data, size_t size) {
    int32_t w = 0, h = 0;
    if (!gfx::metafileFrameSize(std::string(reinterpret_cast<const char*>(data), size), w, h)) return false;
    // The frame in hundredths of a millimetre, at 96 pixels an inch at most.
    return int64_t(w / 2540 + 1) * 96 * (int64_t(h / 2540 + 1) * 96) > (int64_t(1) << 18);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t opts = fuzz::takeByte(data, size);
    holdReadersToLessMemory();
    if (largeMetafile(data, size) || fuzz::largeCodedBmp(data, size)) return 0;
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
        // No pixel may be memory that nothing wrote.
        if (const QImage* pixels = gdi::GetBitmapImage(bitmap)) fuzz::showToKernel(pixels->constBits(), size_t(pixels->sizeInBytes()));
        gdi::DeleteObject(bitmap);
    }
    gdi::DeleteDC(dc);
    fuzz::removeFile(name);
    return 0;
}
