// Long line segments on a canvas: N segments (default 20,000) between random points of a
// 1200 x 800 memory canvas, drawn as separate segments of one line group, then the same points
// as one polyline of the platform. A segment costs the pixels it draws, so the segments take a
// few times the polyline's time, not the time of working through each segment's box. Prints
// both times.
// Usage: lines_bench [segments]
#include <QGuiApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "bench/bench_util.h"
#include "graphics/canvas/graphics.h"

namespace {

// A memory-bitmap device on a plain image.
class ImageDevice : public gfx::Device {
public:
    ImageDevice(int w, int h) : image_(w, h, QImage::Format_RGB32), w_(w), h_(h) {
        image_.fill(Qt::white);
        _NDEVICETYP = gfx::kMemoryDevice;
        _PBITMAPDC = gdi::CreateImageDC(&image_);
        gdi::SetMapMode(_PBITMAPDC, gdi::MM_ANISOTROPIC);
        gdi::SetWindowExtEx(_PBITMAPDC, w, -h, nullptr);
        gdi::SetViewportOrgEx(_PBITMAPDC, 0, h - 1, nullptr);
        gdi::SetViewportExtEx(_PBITMAPDC, w, h, nullptr);
    }
    ~ImageDevice() override { gdi::DeleteDC(_PBITMAPDC); }
    gfx::DIMENSION canvasAreaSize() const override { return gfx::DIMENSION(w_, h_); }
    void DRAW(gfx::OBJECTSHAPE& object) override { object.DRAW(); }

private:
    QImage image_;
    int w_, h_;
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int segments = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int W = 1200, H = 800;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> x(0, W - 1), y(0, H - 1);
    gfx::NumberRows pairs;
    std::vector<gdi::POINT> points;
    double px = x(random), py = y(random);
    points.push_back(gdi::POINT{int(px), int(py)});
    for (int i = 0; i < segments; ++i) {
        const double qx = x(random), qy = y(random);
        pairs.push_back({px, py, qx, qy});
        points.push_back(gdi::POINT{int(qx), int(qy)});
        px = qx, py = qy;
    }
    ImageDevice device(W, H);
    gfx::GRAPHICS g(&device);
    auto start = std::chrono::steady_clock::now();
    g.PAINTLINEGROUP(pairs);
    const double separate = bench::seconds(start);
    start = std::chrono::steady_clock::now();
    gdi::Polyline(device._PBITMAPDC, points.data(), int(points.size()));
    const double polyline = bench::seconds(start);
    std::printf("%d segments across %d x %d: as segments %.3f s, as one polyline %.3f s (%.1f x)\n", segments, W, H,
                separate, polyline, polyline > 0 ? separate / polyline : 0.0);
    return 0;
}
