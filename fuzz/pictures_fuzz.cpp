// The picture loader chain on any file, under the names its callers give: Qt's readers first,
// then our BMP reader for a ".bmp" name, with and without a context. A picture it loads comes
// back as a bitmap of the size it reports.
#include <QImage>
#include <string>

#include "fuzz_util.h"
#include "gui_application.h"
#include "graphics/files/pictures.h"
#include "platform/gdi/gdi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t opts = fuzz::takeByte(data, size);
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
