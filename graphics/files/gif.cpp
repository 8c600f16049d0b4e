#include <QColor>
#include <array>
#include <cstring>
#include <unordered_map>

#include "graphics/files/pictures.h"

namespace gfx {

namespace {

// The writer's working state is process-wide; the busy flag keeps a second run out.
bool gifBusy = false;
std::array<uint16_t, 8> powers{};
bool powersFilled = false;

// The 20 colours of the stock default palette.
constexpr std::array<std::array<uint8_t, 3>, 20> kStockColours = {{
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
}};

// Packs 9-bit codes least significant bit first into sub-blocks of up to 255 bytes.
class SubBlocks {
public:
    void OUTPUTBITS(uint16_t code) {
        for (int i = 0; i < 9; ++i) {
            if (bitPos_ == 8) {
                if (block_[0] == 255) {
                    out_.append(reinterpret_cast<const char*>(block_.data()), 256);
                    block_[0] = 1;
                } else {
                    ++block_[0];
                }
                block_[block_[0]] = 0;
                bitPos_ = 0;
            }
            if (code & (1u << i)) block_[block_[0]] |= uint8_t(POW2(bitPos_));
            ++bitPos_;
        }
    }
    std::string finish() {
        if (block_[0] > 0) out_.append(reinterpret_cast<const char*>(block_.data()), block_[0] + 1);
        return out_;
    }

private:
    std::array<uint8_t, 256> block_{};
    int bitPos_ = 8;
    std::string out_;
};

void put16(std::string& s, uint32_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}

}  // namespace

uint16_t POW2(int n) {
    if (n <= 0) return 1;
    if (!powersFilled) {
        for (int i = 0; i < 8; ++i) powers[i] = uint16_t(2u << i);
        powersFilled = true;
    }
    return powers[std::min(n, 8) - 1];
}

void FILLHALFTONEPAL(gdi::RGBQUAD* colors) {
    int n = 0;
    for (const auto& c : kStockColours) colors[n].rgbRed = c[0], colors[n].rgbGreen = c[1], colors[n].rgbBlue = c[2],
                                        colors[n].rgbReserved = 0, ++n;
    for (int r = 0; r < 6 && n < 256; ++r)
        for (int g = 0; g < 6 && n < 256; ++g)
            for (int b = 0; b < 6 && n < 256; ++b, ++n)
                colors[n].rgbRed = uint8_t(r * 0x33), colors[n].rgbGreen = uint8_t(g * 0x33),
                colors[n].rgbBlue = uint8_t(b * 0x33), colors[n].rgbReserved = 0;
    for (; n < 256; ++n) colors[n] = gdi::RGBQUAD{};
}

std::vector<uint16_t> gifCodes(const std::vector<std::vector<uint8_t>>& rows) {
    std::vector<uint16_t> codes;
    // The table is keyed by (prefix code, pixel); a string's code identifies it uniquely, so
    // this finds exactly the entry a whole-string search would.
    std::vector<std::array<int16_t, 256>> next;
    for (const auto& row : rows) {
        codes.push_back(256);
        next.clear();
        if (row.empty()) continue;
        auto childOf = [&](uint16_t code) -> std::array<int16_t, 256>* {
            size_t slot = code < 256 ? code : code - 2;
            if (slot >= next.size()) return nullptr;
            return &next[slot];
        };
        int entries = 0;
        uint16_t current = row[0];
        for (size_t i = 1; i < row.size(); ++i) {
            uint8_t p = row[i];
            auto* children = childOf(current);
            if (children && (*children)[p] >= 0) {
                current = uint16_t((*children)[p]);
                continue;
            }
            const uint16_t code = uint16_t(258 + entries++);
            // Slots: 0..255 single pixels, 256.. entries (code - 2).
            size_t slot = current < 256 ? current : current - 2;
            if (next.size() < 256 + 254) {
                std::array<int16_t, 256> empty;
                empty.fill(-1);
                next.resize(256 + 254, empty);
            }
            next[slot][p] = int16_t(code);
            codes.push_back(current);
            current = p;
            if (code == 511) {
                codes.push_back(256);
                for (auto& n : next) n.fill(-1);
                entries = 0;
            }
        }
        codes.push_back(current);
    }
    codes.push_back(257);
    return codes;
}

std::string encodeGif(const QImage& source) {
    QImage image;
    QList<QRgb> table;
    if (source.format() == QImage::Format_Indexed8) {
        image = source;
        table = source.colorTable();
    } else {
        std::array<gdi::RGBQUAD, 256> pal;
        FILLHALFTONEPAL(pal.data());
        for (const auto& c : pal) table.push_back(qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
        // Nearest colour of the 236 filled entries; exact colours of the table stay exact.
        QImage rgb = source.convertToFormat(QImage::Format_RGB32);
        image = QImage(rgb.size(), QImage::Format_Indexed8);
        image.setColorTable(table);
        // Pictures hold few distinct colours: each is looked up once.
        std::unordered_map<uint32_t, uchar> nearest;
        for (int y = 0; y < rgb.height(); ++y) {
            const QRgb* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            uchar* out = image.scanLine(y);
            for (int x = 0; x < rgb.width(); ++x) {
                const uint32_t key = in[x] & 0xFFFFFF;
                if (auto it = nearest.find(key); it != nearest.end()) {
                    out[x] = it->second;
                    continue;
                }
                const int r = qRed(in[x]), g = qGreen(in[x]), b = qBlue(in[x]);
                int best = 0;
                long bestD = -1;
                for (int k = 0; k < 236; ++k) {
                    long dr = r - qRed(table[k]), dg = g - qGreen(table[k]), db = b - qBlue(table[k]);
                    long d = dr * dr + dg * dg + db * db;
                    if (bestD < 0 || d < bestD) bestD = d, best = k;
                    if (d == 0) break;
                }
                out[x] = uchar(best);
                nearest.emplace(key, uchar(best));
            }
        }
    }
    const int W = image.width(), H = image.height();
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(H));
    for (int y = 0; y < H; ++y) rows[size_t(y)].assign(image.constScanLine(y), image.constScanLine(y) + W);
    SubBlocks blocks;
    for (uint16_t code : gifCodes(rows)) blocks.OUTPUTBITS(code);
    std::string s = "GIF87a";
    put16(s, uint32_t(W));
    put16(s, uint32_t(H));
    s.push_back(char(0xF7));
    s.push_back(0);
    s.push_back(0);
    for (int k = 0; k < 256; ++k) {
        QRgb c = k < table.size() ? table[k] : 0;
        s.push_back(char(qRed(c)));
        s.push_back(char(qGreen(c)));
        s.push_back(char(qBlue(c)));
    }
    s.push_back(char(0x2C));
    put16(s, 0);
    put16(s, 0);
    put16(s, uint32_t(W));
    put16(s, uint32_t(H));
    s.push_back(char(0x07));
    s.push_back(char(8));
    s += blocks.finish();
    s.push_back(0);
    s.push_back(char(0x3B));
    return s;
}

bool SAVEIMAGEGIF(const std::string& file, gdi::HDC, gdi::HBITMAP bitmap) {
    if (gifBusy) return false;
    gifBusy = true;
    bool ok = false;
    QImage* image = bitmap ? gdi::GetBitmapImage(bitmap) : nullptr;
    if (image && !image->isNull() && image->width() <= 65535 && image->height() <= 65535) {
        // The bitmap's bottom row is the picture's top row.
        ok = writeFileReplacing(file, encodeGif(image->mirrored(false, true)));
    }
    gifBusy = false;
    return ok;
}

}  // namespace gfx
