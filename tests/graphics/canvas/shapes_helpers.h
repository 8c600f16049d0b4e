#pragma once
// Pixel helpers for the figure tests: ink boxes and colour counts on y-up images.
#include <QImage>
#include <climits>
#include <cstdint>

#include "canvas_devices.h"

namespace shapes_test {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;

// Bounding box (y-up, inclusive) of the pixels that are not `background`.
struct Box {
    int left = INT_MAX, bottom = INT_MAX, right = INT_MIN, top = INT_MIN;
    bool empty() const { return left > right; }
    friend bool operator==(const Box&, const Box&) = default;
};

inline Box inkBox(const QImage& image, uint32_t background = kWhite) {
    Box b;
    for (int r = 0; r < image.height(); ++r)
        for (int c = 0; c < image.width(); ++c) {
            if ((image.pixel(c, r) & 0xFFFFFF) == background) continue;
            const int y = image.height() - 1 - r;
            b.left = std::min(b.left, c), b.right = std::max(b.right, c);
            b.bottom = std::min(b.bottom, y), b.top = std::max(b.top, y);
        }
    return b;
}

inline int countColour(const QImage& image, uint32_t rgb) {
    int n = 0;
    for (int r = 0; r < image.height(); ++r)
        for (int c = 0; c < image.width(); ++c)
            if ((image.pixel(c, r) & 0xFFFFFF) == rgb) ++n;
    return n;
}

// A window device whose context is missing (a closed window).
class DeadWindowDevice : public canvas_test::WindowDevice {
public:
    using WindowDevice::WindowDevice;
    void DRAW(gfx::OBJECTSHAPE& object) override { object.DRAW(); }
};

// A printer: draws through the handle it lends, never has a refresh bitmap.
class PrinterDevice : public gfx::Device {
public:
    PrinterDevice(int w, int h) : page(w, h), w_(w), h_(h) { _NDEVICETYP = gfx::kPrinterDevice; }
    gfx::DIMENSION canvasAreaSize() const override { return gfx::DIMENSION(w_, h_); }
    void DRAW(gfx::OBJECTSHAPE& object) override {
        object.setHandle(page.dc);
        object.DRAW();
        object.setHandle(nullptr);
    }
    canvas_test::MappedImage page;

private:
    int w_, h_;
};

}  // namespace shapes_test
