// The BMP reader on any bytes: it either refuses the file with a reason or gives an image
// within the size limits, every pixel of it set, which the writer stores and the reader reads
// back pixel for pixel.
#include <QImage>
#include <string>

#include "fuzz_util.h"
#include "graphics/files/pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (fuzz::largeCodedBmp(data, size)) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    const QImage image = gfx::decodeBmp(bytes, &error);
    if (image.isNull()) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(image.width() >= 1 && image.width() <= 65535);
    FUZZ_CHECK(image.height() >= 1 && image.height() <= 65535);
    fuzz::showToKernel(image.constBits(), size_t(image.sizeInBytes()));
    std::string again;
    const QImage copy = gfx::decodeBmp(gfx::encodeBmp(image), &again);
    FUZZ_CHECK(!copy.isNull());
    FUZZ_CHECK(copy.size() == image.size());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            FUZZ_CHECK((copy.pixel(x, y) & 0xFFFFFF) == (image.pixel(x, y) & 0xFFFFFF));
    return 0;
}
