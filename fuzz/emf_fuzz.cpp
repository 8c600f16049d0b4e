// The metafile players: the input is an enhanced or a placeable Windows metafile, played onto
// a small picture with its frame stretched over it. A file that cannot be trusted must be refused or played within its
// bytes, never crash, hang or allocate without bound, and the context leaves as it came.
#include <QGuiApplication>
#include <QImage>

#include <cstdlib>

#include "fuzz_util.h"
#include "platform/gdi/gdi.h"

namespace {
// Text records need the font database of a GUI application.
void ensureApplication() {
    static int argc = 1;
    static char name[] = "fuzz_emf";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        new QGuiApplication(argc, argv);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ensureApplication();
    gdi::HENHMETAFILE metafile = gdi::SetEnhMetaFileBits(gdi::UINT(size), data);
    gdi::LONG w = 0, h = 0;
    const bool windows = gdi::WindowsMetafileSize(data, gdi::UINT(size), w, h);
    if (!metafile && !windows)
        return 0;
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::white);
    gdi::HDC dc = gdi::CreateImageDC(&picture);
    const gdi::RECT all{0, 0, 64, 48};
    if (metafile) gdi::PlayEnhMetaFile(dc, metafile, &all);
    else FUZZ_CHECK(gdi::PlayWindowsMetafile(dc, data, gdi::UINT(size), &all));
    FUZZ_CHECK(gdi::GetMapMode(dc) == gdi::MM_TEXT);
    FUZZ_CHECK(gdi::GetROP2(dc) == gdi::R2_COPYPEN);
    gdi::DeleteDC(dc);
    if (metafile) gdi::DeleteEnhMetaFile(metafile);
    return 0;
}
