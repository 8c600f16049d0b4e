#pragma once
// Test devices for the canvas: a memory-bitmap device (kind 2) and a window-like device
// (kind 0, with a screen image of its own and therefore a refresh bitmap), both on plain
// images so that tests read pixels directly.
#include <QImage>
#include <memory>

#include "graphics/canvas/graphics.h"

namespace canvas_test {

// An image with a y-up mapped context of its own.
struct MappedImage {
    QImage image;
    gdi::HDC dc = nullptr;

    MappedImage(int w, int h) : image(std::max(w, 1), std::max(h, 1), QImage::Format_RGB32) {
        image.fill(Qt::white);
        dc = gdi::CreateImageDC(&image);
        gdi::SetMapMode(dc, gdi::MM_ANISOTROPIC);
        gdi::SetWindowExtEx(dc, image.width(), -image.height(), nullptr);
        gdi::SetViewportOrgEx(dc, 0, image.height() - 1, nullptr);
        gdi::SetViewportExtEx(dc, image.width(), image.height(), nullptr);
    }
    ~MappedImage() { gdi::DeleteDC(dc); }
    // Pixel at y-up (x, y) as 0xRRGGBB.
    uint32_t at(int x, int y) const { return image.pixel(x, image.height() - 1 - y) & 0xFFFFFF; }
};

class MemoryDevice : public gfx::Device {
public:
    MemoryDevice(int w, int h) : surface(w, h), w_(w), h_(h) {
        _NDEVICETYP = gfx::kMemoryDevice;
        _PBITMAPDC = surface.dc;
    }
    gfx::DIMENSION canvasAreaSize() const override { return gfx::DIMENSION(w_, h_); }
    void DRAW(gfx::OBJECTSHAPE& object) override { object.DRAW(); }
    uint32_t at(int x, int y) const { return surface.at(x, y); }
    const QImage& image() const { return surface.image; }

    MappedImage surface;

private:
    int w_, h_;
};

class WindowDevice : public gfx::Device {
public:
    WindowDevice(int w, int h) : screen(w, h), w_(w), h_(h) { _NDEVICETYP = gfx::kWindowDevice; }
    gfx::DIMENSION canvasAreaSize() const override { return gfx::DIMENSION(w_, h_); }
    void DRAW(gfx::OBJECTSHAPE& object) override {
        object.setHandle(screen.dc);
        object.DRAW();
        object.setHandle(nullptr);
    }
    void setBackground(uint32_t rgb) override { background = rgb; }
    void resize(int w, int h) { w_ = w, h_ = h; }
    uint32_t at(int x, int y) const { return screen.at(x, y); }

    MappedImage screen;
    uint32_t background = 0;

private:
    int w_, h_;
};

// The refresh bitmap of a window canvas as an image (top-down rows).
inline QImage refreshImage(const gfx::GRAPHICS& g) {
    QImage* image = gdi::GetBitmapImage(g._PREFRESHBMP);
    return image ? *image : QImage();
}

inline uint32_t rgbOf(int r, int g, int b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b); }

}  // namespace canvas_test
