// Fonts and text output.
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/emf_record.h"
#include "platform/gdi/gdi_internal.h"

namespace gdi {
namespace detail {

QString fromCp1252(const char* text, int length) {
    static const char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString out;
    if (!text || length <= 0) return out;
    out.reserve(length);
    for (int i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out.append(c >= 0x80 && c < 0xA0 ? QChar(high[c - 0x80]) : QChar(c));
    }
    return out;
}

namespace {

constexpr int kDefaultCellHeight = 16;

// Fonts need the GUI application's font database; without one text calls fail cleanly.
bool fontsAvailable() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

QString familyForHint(BYTE pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case FF_ROMAN: return QStringLiteral("serif");
    case FF_SWISS: return QStringLiteral("sans-serif");
    case FF_MODERN: return QStringLiteral("monospace");
    default: break;
    }
    return (pitchAndFamily & 0x03) == FIXED_PITCH ? QStringLiteral("monospace") : QStringLiteral("sans-serif");
}

QFont::StyleHint styleHint(BYTE pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
    case FF_ROMAN: return QFont::Serif;
    case FF_SWISS: return QFont::SansSerif;
    case FF_MODERN: return QFont::Monospace;
    case FF_SCRIPT: return QFont::Cursive;
    case FF_DECORATIVE: return QFont::Decorative;
    default: return QFont::AnyStyle;
    }
}

}  // namespace

QFont resolveFont(const DC& dc, const LOGFONT& lf) {
    QFont f;
    const std::size_t faceLen = strnlen(lf.lfFaceName, LF_FACESIZE - 1);
    const QString face = fromCp1252(lf.lfFaceName, int(faceLen));
    if (face.isEmpty()) {
        f.setFamily(familyForHint(lf.lfPitchAndFamily));
    } else {
        f.setFamilies({face, familyForHint(lf.lfPitchAndFamily)});
    }
    f.setStyleHint(styleHint(lf.lfPitchAndFamily));
    const bool antialias = lf.lfQuality == ANTIALIASED_QUALITY || lf.lfQuality == CLEARTYPE_QUALITY ||
                           lf.lfQuality == CLEARTYPE_NATURAL_QUALITY;
    f.setStyleStrategy(antialias ? QFont::PreferAntialias : QFont::NoAntialias);
    f.setWeight(QFont::Weight(std::clamp(lf.lfWeight > 0 ? int(lf.lfWeight) : FW_NORMAL, 1, 1000)));
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    f.setKerning(false);

    double h = lf.lfHeight * dc.scaleY();
    if (lf.lfHeight == 0) h = kDefaultCellHeight;
    int pixels = 1;
    if (h < 0) {
        pixels = int(std::lround(-h));
    } else {
        // A positive height is the cell (ascent plus descent): find the em size that gives it.
        const int cell = int(std::lround(h));
        f.setPixelSize(std::clamp(cell, 1, 8000));
        QFontMetrics fm(f);
        const int got = std::max(1, fm.ascent() + fm.descent());
        pixels = int(std::lround(double(cell) * cell / got));
        f.setPixelSize(std::clamp(pixels, 1, 8000));
        if (QFontMetrics(f).height() > cell && pixels > 1) --pixels;
    }
    f.setPixelSize(std::clamp(pixels, 1, 8000));
    if (lf.lfWidth != 0) {
        const int avg = QFontMetrics(f).averageCharWidth();
        const double want = std::abs(lf.lfWidth * dc.scaleX());
        if (avg > 0) f.setStretch(std::clamp(int(std::lround(want * 100.0 / avg)), 1, 4000));
    }
    return f;
}

QFont dcFont(const DC& dc) {
    static const LOGFONT fallback = [] {
        LOGFONT lf;
        lf.lfHeight = kDefaultCellHeight;
        lf.lfWeight = FW_BOLD;
        lf.lfPitchAndFamily = FF_SWISS;
        return lf;
    }();
    return resolveFont(dc, dc.s.font ? dc.s.font->lf : fallback);
}

namespace {

// Draws text with its reference point at device (X, Y); returns the advance in device units.
int drawText(DC& dc, int X, int Y, const QString& str, const QRect* opaqueRect, const QRect* clipRect,
             const std::vector<int>* dxDevice) {
    const QFont font = dcFont(dc);
    const QFontMetrics fm(font);
    int width = 0;
    if (dxDevice) {
        // Advances from a caller (or a file) may add up beyond any surface.
        long long sum = 0;
        for (int d : *dxDevice) sum += d;
        width = int(std::clamp<long long>(sum, -(1LL << 30), 1LL << 30));
    } else {
        width = fm.horizontalAdvance(str);
    }
    QImage* img = dc.surface();
    if (!img) return width;
    const UINT align = dc.s.textAlign;
    int ox = 0;
    if ((align & TA_CENTER) == TA_CENTER) ox = -width / 2;
    else if (align & TA_RIGHT) ox = -width;
    int baseline = fm.ascent();
    if ((align & TA_BASELINE) == TA_BASELINE) baseline = 0;
    else if (align & TA_BOTTOM) baseline = -fm.descent();
    const double angle = (dc.s.font ? dc.s.font->lf.lfEscapement : 0) / 10.0;

    QPainter p(img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, font.styleStrategy() & QFont::PreferAntialias);
    QRegion clip = dc.s.clip ? *dc.s.clip : QRegion(img->rect());
    if (clipRect) clip &= *clipRect;
    p.setClipRegion(clip);
    if (opaqueRect) p.fillRect(*opaqueRect, QColor::fromRgb(toPixel(dc.s.bkColor)));
    p.translate(X, Y);
    if (angle != 0) p.rotate(-angle);
    const QRect cell(ox, baseline - fm.ascent(), width, fm.ascent() + fm.descent());
    if (dc.s.bkMode == OPAQUE && !opaqueRect) p.fillRect(cell, QColor::fromRgb(toPixel(dc.s.bkColor)));
    std::uint32_t ink = toPixel(dc.s.textColor);
    if (dc.mono()) ink = monoize(ink);
    p.setPen(QColor::fromRgb(ink));
    p.setFont(font);
    if (dxDevice) {
        long long at = ox;
        for (int i = 0; i < str.size() && std::llabs(at) <= (1LL << 30); ++i) {
            p.drawText(QPoint(int(at), baseline), QString(str.at(i)));
            at += i < int(dxDevice->size()) ? (*dxDevice)[std::size_t(i)] : fm.horizontalAdvance(str.at(i));
        }
    } else {
        p.drawText(QPoint(ox, baseline), str);
    }
    QRect drawn = p.transform().mapRect(cell.adjusted(-2, -2, 2, 2));
    if (opaqueRect) drawn |= *opaqueRect;
    p.end();
    dc.noteDrawn(drawn & img->rect());
    return width;
}

BOOL textOut(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text, int length, const int* dx) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || length < 0 || (!text && length > 0) || !fontsAvailable()) return FALSE;
    const QString str = fromCp1252(text, length);
    const bool updateCp = dc->s.textAlign & TA_UPDATECP;
    const POINT ref = updateCp ? dc->s.current : POINT{x, y};
    const POINT d = dc->toDevice(ref.x, ref.y);
    std::optional<QRect> rdev;
    if (rect) rdev = dc->deviceRect(rect->left, rect->top, rect->right, rect->bottom);
    std::vector<int> dxd;
    if (dx)
        for (int i = 0; i < str.size(); ++i)
            dxd.push_back(int(std::clamp(std::round(dx[i] * dc->scaleX()), -double(1 << 20), double(1 << 20))));
    if (dc->emf) {
        // Every character's advance goes into the file, so that other readers place the text
        // as this font does.
        std::vector<int> advances;
        if (dx) {
            advances.assign(dx, dx + str.size());
        } else {
            const QFontMetrics fm(dcFont(*dc));
            for (const QChar c : str) advances.push_back(int(std::lround(fm.horizontalAdvance(c) / dc->scaleX())));
        }
        dc->emf->text(x, y, options & (ETO_OPAQUE | ETO_CLIPPED), rect, str, advances);
    }
    const QRect* opaque = (options & ETO_OPAQUE) && rdev ? &*rdev : nullptr;
    const QRect* clipTo = (options & ETO_CLIPPED) && rdev ? &*rdev : nullptr;
    int advance = 0;
    if (length > 0 || opaque) advance = drawText(*dc, d.x, d.y, str, opaque, clipTo, dx ? &dxd : nullptr);
    if (updateCp) {
        const double angle = (dc->s.font ? dc->s.font->lf.lfEscapement : 0) / 10.0 * M_PI / 180.0;
        const POINT np = dc->toLogical(int(std::lround(d.x + advance * std::cos(angle))),
                                       int(std::lround(d.y - advance * std::sin(angle))));
        dc->s.current = np;
    }
    return TRUE;
}

}  // namespace

}  // namespace detail

using namespace detail;

BOOL TextOut(HDC hdc, int x, int y, const char* text, int length) {
    return textOut(hdc, x, y, 0, nullptr, text, length, nullptr);
}

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text, UINT length,
                const int* dx) {
    if (length > 0x7FFFFFFF) return FALSE;
    return textOut(hdc, x, y, options, rect, text, int(length), dx);
}

BOOL GetTextExtentPoint32(HDC hdc, const char* text, int length, SIZE* size) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !size || length < 0 || (!text && length > 0) || !fontsAvailable()) return FALSE;
    const QFontMetrics fm(dcFont(*dc));
    const int w = fm.horizontalAdvance(fromCp1252(text, length));
    const int h = fm.ascent() + fm.descent();
    size->cx = LONG(std::lround(w / dc->scaleX()));
    size->cy = LONG(std::lround(h / dc->scaleY()));
    return TRUE;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !tm || !fontsAvailable()) return FALSE;
    const QFont font = dcFont(*dc);
    const QFontMetrics fm(font);
    const double sy = dc->scaleY(), sx = dc->scaleX();
    auto ly = [&](int v) { return LONG(std::lround(v / sy)); };
    auto lx = [&](int v) { return LONG(std::lround(v / sx)); };
    const LOGFONT lf = dc->s.font ? dc->s.font->lf : LOGFONT{};
    *tm = TEXTMETRIC{};
    tm->tmAscent = ly(fm.ascent());
    tm->tmDescent = ly(fm.descent());
    tm->tmHeight = tm->tmAscent + tm->tmDescent;
    tm->tmInternalLeading = std::max<LONG>(0, tm->tmHeight - ly(font.pixelSize()));
    tm->tmExternalLeading = std::max<LONG>(0, ly(fm.leading()));
    tm->tmAveCharWidth = lx(fm.averageCharWidth());
    tm->tmMaxCharWidth = lx(fm.maxWidth());
    tm->tmWeight = lf.lfWeight > 0 ? lf.lfWeight : FW_NORMAL;
    tm->tmDigitizedAspectX = dc->dpiX;
    tm->tmDigitizedAspectY = dc->dpiY;
    tm->tmFirstChar = 0x20;
    tm->tmLastChar = 0xFF;
    tm->tmDefaultChar = '?';
    tm->tmBreakChar = ' ';
    tm->tmItalic = lf.lfItalic ? 1 : 0;
    tm->tmUnderlined = lf.lfUnderline ? 1 : 0;
    tm->tmStruckOut = lf.lfStrikeOut ? 1 : 0;
    // The platform's pitch bit is set for variable pitch; 6 marks a scalable outline font.
    const bool fixed = QFontInfo(font).fixedPitch();
    tm->tmPitchAndFamily = BYTE((fixed ? 0 : 1) | 6 | (lf.lfPitchAndFamily & 0xF0));
    tm->tmCharSet = lf.lfCharSet;
    return TRUE;
}

std::string GetTextFaceName(HDC hdc) {
    Guard g(lock());
    auto dc = dcOf(hdc);
    if (!dc || !fontsAvailable()) return {};
    return QFontInfo(dcFont(*dc)).family().toStdString();
}

}  // namespace gdi
