#pragma once
// Plays a metafile written by a test back onto a black image, for its pixels to be checked.
#include <QImage>
#include <string>

#include "platform/gdi/gdi.h"

namespace windows_test {

// A null image when the file cannot be read or played.
inline QImage playMetafile(const std::string& file, int width, int height) {
    gdi::HENHMETAFILE metafile = gdi::GetEnhMetaFileA(file.c_str());
    if (!metafile) return {};
    QImage target(width, height, QImage::Format_RGB32);
    target.fill(Qt::black);
    gdi::HDC dc = gdi::CreateImageDC(&target);
    gdi::RECT all{0, 0, width, height};
    const bool played = gdi::PlayEnhMetaFile(dc, metafile, &all);
    gdi::DeleteDC(dc);
    gdi::DeleteEnhMetaFile(metafile);
    return played ? target : QImage();
}

}  // namespace windows_test
