#include "graphics/windows/ownerbuttons.h"

#include <QEvent>
#include <QPixmap>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <cmath>
#include <vector>

#include "graphics/windows/additions.h"

namespace gfx {

uint32_t faceSysColor(int index) {
    switch (index) {
        case 0: return 0xC8C8C8;   // scroll bar
        case 15: return 0xF0F0F0;  // button face
        case 16: return 0xA0A0A0;  // button shadow
        case 17: return 0x6D6D6D;  // grey text
        case 18: return 0x000000;  // button text
        case 20: return 0xFFFFFF;  // button highlight
        case 21: return 0x696969;  // 3D dark shadow
        default: return 0x000000;
    }
}

namespace {

gdi::COLORREF colorRef(uint32_t rgb) { return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16); }

QColor qcolorOf(uint32_t rgb) { return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// A colour with its red at least 1: pure black stays distinguishable from "no colour".
gui::COLOR redAtLeastOne(uint32_t rgb) {
    gui::COLOR c((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    if (c.RED() < 1) c.RED(1);
    return c;
}

// The outline as a path on (l, t, r, b) with corner ellipse e.
QPainterPath outlinePath(int form, double l, double t, double r, double b, double e) {
    QPainterPath path;
    const QRectF box(l, t, r - l, b - t);
    if (form == 0) {
        path.addRoundedRect(box, e / 2, e / 2);
    } else if (form == 1) {
        path.addEllipse(box);
    } else {
        path.addRect(box);
    }
    return path;
}

}  // namespace

// Routes the widget's paint, mouse, focus and key events to the button.
class OwnerDrawnFilter : public QObject {
public:
    explicit OwnerDrawnFilter(OwnerDrawnButton* button) : button_(button) {}

    // The button is going: its widget's events reach nothing from now on.
    void detach() { button_ = nullptr; }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || !button_ || !button_->ready_) return false;
        switch (event->type()) {
            case QEvent::Paint: {
                button_->PAINTNEW();
                QPainter p(widget);
                p.drawImage(0, 0, button_->face_);
                return true;
            }
            case QEvent::MouseButtonPress:
                if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
                return send(widget, gui::WM_LBUTTONDOWN);
            case QEvent::MouseButtonRelease:
                if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
                return send(widget, gui::WM_LBUTTONUP);
            case QEvent::FocusIn: return send(widget, WM_SETFOCUS);
            case QEvent::FocusOut: return send(widget, WM_KILLFOCUS);
            case QEvent::KeyPress:
            case QEvent::KeyRelease: {
                auto* key = static_cast<QKeyEvent*>(event);
                if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
                if (key->isAutoRepeat()) return true;
                send(widget, event->type() == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP, 13);
                return true;
            }
            case QEvent::Resize: return send(widget, gui::WM_SIZE);
            case QEvent::EnabledChange: return send(widget, WM_ENABLE);
            default: return false;
        }
    }

private:
    // Sends the button a message. The owner's code that it leads to (Enter calls the owner's
    // method, a focus change the owner's handlers) may delete the button, or the window the
    // button sits on (a dialog's "Close" button) and with it the button's widget: then the
    // event ends here. This filter is no child of the widget, so it outlives both for as long
    // as it handles the event. Otherwise the widget handles the event as well.
    bool send(QWidget* widget, uint32_t message, uintptr_t wParam = 0) {
        const QPointer<QWidget> watched(widget);
        ++button_->inEvent_;
        button_->SENDMESSAGE(message, wParam);
        if (!button_) return true;
        --button_->inEvent_;
        return !watched;
    }

    OwnerDrawnButton* button_;
};

// ---- the shared button ------------------------------------------------------------------------

OwnerDrawnButton::OwnerDrawnButton(gui::WINDOW* owner, int id, const gui::POINT& origin, const gui::DIMENSION& size,
                                   const std::string& caption, const std::string& name, int form, uint32_t style)
    : gui::PUSHBUTTON(owner, id, origin, size, style) {
    TEXTCOLOR(redAtLeastOne(faceSysColor(18)));
    if (!name.empty() && owner && owner->hasMethod(name)) {
        HYPERLABEL(gui::HYPERLABEL(name, caption));
    } else {
        CAPTION(caption);
    }
    form_ = form;
}

GCURHAND::GCURHAND() {
    const QPixmap hand(QStringLiteral(":/cursors/CURHAND"));
    cursor_ = hand.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(hand, kHotX, kHotY);
}

OwnerDrawnButton::~OwnerDrawnButton() {
    // The widget outlives this part of the object by a moment; its events must not reach it.
    if (auto* filter = static_cast<OwnerDrawnFilter*>(filter_.data())) filter->detach();
    if (inEvent_ > 0) {
        // Deleted from one of its widget's own events (the owner's method that Enter calls):
        // the widget and the filter, which is handling that event, go once it is over.
        destroyWidget();
        if (filter_) filter_->deleteLater();
    } else {
        delete filter_.data();
    }
}

void OwnerDrawnButton::finishInit() {
    // Only now can the widget's events reach the face of the derived class.
    ready_ = true;
    if (QWidget* w = HANDLE()) {
        w->setCursor(GCURHAND().HANDLE());
        filter_ = new OwnerDrawnFilter(this);
        w->installEventFilter(filter_);
    }
    SETFORM(form_);
}

void OwnerDrawnButton::SETFORM(int form) {
    wForm = (form == 0 || form == 1 || form == 2 || form == 5 || form == 6) ? form : 0;
    if (wForm == 0) nCornerSize = 10;
    if (wForm == 6) {
        nCornerSize = std::min(SIZE().WIDTH(), SIZE().HEIGHT());
        wForm = 0;
    }
    if (wForm == 2) {
        const int W = SIZE().WIDTH(), H = SIZE().HEIGHT();
        const POINT o = ORIGIN();
        // Size first: the platform keeps the top edge when the size changes.
        if (W > H) {
            SIZE(DIMENSION(H, H));
            ORIGIN(POINT(o.X() + (W - H) / 2, o.Y()));
        } else if (W < H) {
            SIZE(DIMENSION(W, W));
            ORIGIN(POINT(o.X(), o.Y() + (H - W) / 2));
        }
        wForm = 1;
    }
    const int W = SIZE().WIDTH(), H = SIZE().HEIGHT();
    if (wForm == 0) {
        region_ = QRegion(outlinePath(0, 0, 0, W + 1, H + 1, nCornerSize).toFillPolygon().toPolygon());
    } else if (wForm == 1) {
        region_ = QRegion(0, 0, W + 1, H + 1, QRegion::Ellipse);
    } else {
        region_ = QRegion(0, 0, W, H);
    }
    if (QWidget* w = HANDLE()) w->setMask(region_);
}

bool OwnerDrawnButton::inRegion(int x, int y) const { return region_.contains(QPoint(x, y)); }

void OwnerDrawnButton::refresh() {
    PAINTNEW();
    if (QWidget* w = HANDLE()) w->update();
}

intptr_t OwnerDrawnButton::DISPATCH(gui::Event& event) {
    // The owner's code that a message leads to may delete the button; nothing of the button is
    // touched after that.
    const std::weak_ptr<char> alive = alive_;
    switch (event.MESSAGE()) {
        case WM_ERASEBKGND: return 1;
        case gui::WM_LBUTTONDOWN:
            lPressed = true;
            refresh();
            // The focus change runs the handlers of the control that loses the focus.
            if (QWidget* w = HANDLE(); w && !w->hasFocus()) w->setFocus(Qt::MouseFocusReason);
            if (alive.expired()) return 0;
            break;
        case gui::WM_LBUTTONUP:
            lPressed = false;
            refresh();
            break;
        case WM_KEYDOWN:
            if (lFocused && event.WPARAM() == 13) {
                lPressed = true;
                refresh();
            }
            break;
        case WM_KEYUP:
            if (lFocused && event.WPARAM() == 13) {
                // Enter works like a click: the owner's method of the button's name.
                if (OWNER() && !NAMESYM().empty() && OWNER()->hasMethod(NAMESYM())) OWNER()->callMethod(NAMESYM());
                if (alive.expired()) return 0;
                lPressed = false;
                refresh();
            }
            break;
        case WM_SETFOCUS:
            lFocused = true;
            refresh();
            break;
        case WM_KILLFOCUS:
            lFocused = false;
            refresh();
            break;
        case WM_SETTEXT:
        case gui::WM_SIZE:
        case WM_MOVE:
        case WM_ENABLE: refresh(); break;
        case gui::WM_USER:
            if (event.WPARAM() == kPaintNewRequest) refresh();
            break;
        default: break;
    }
    return gui::PUSHBUTTON::DISPATCH(event);
}

void OwnerDrawnButton::outline(gdi::HDC dc, int sysColor, bool dotted, int a, int b, int penWidth,
                               gdi::HBRUSH fill) {
    const int W = SIZE().WIDTH(), H = SIZE().HEIGHT();
    gdi::HPEN pen = nullptr;
    if (dotted) {
        gdi::LOGBRUSH lb{gdi::BS_SOLID, colorRef(faceSysColor(sysColor)), 0};
        pen = gdi::ExtCreatePen(gdi::PS_COSMETIC | gdi::PS_ALTERNATE, 1, &lb, 0, nullptr);
    } else {
        pen = gdi::CreatePen(gdi::PS_SOLID, penWidth, colorRef(faceSysColor(sysColor)));
    }
    gdi::HGDIOBJ oldPen = gdi::SelectObject(dc, pen);
    gdi::HGDIOBJ oldBrush = gdi::SelectObject(dc, fill ? static_cast<gdi::HGDIOBJ>(fill) : gdi::GetStockObject(gdi::NULL_BRUSH));
    if (wForm == 0) {
        gdi::RoundRect(dc, a, a, W - b, H - b, nCornerSize - 2 * a, nCornerSize - 2 * a);
    } else if (wForm == 1) {
        gdi::Ellipse(dc, a, a, W - b, H - b);
    } else {
        gdi::Rectangle(dc, a, a, W - b, H - b);
    }
    gdi::SelectObject(dc, oldBrush);
    gdi::SelectObject(dc, oldPen);
    gdi::DeleteObject(pen);
}

void OwnerDrawnButton::PAINTNEW() {
    if (!ready_) return;
    const int W = std::max(SIZE().WIDTH(), 1), H = std::max(SIZE().HEIGHT(), 1);
    QImage image(W, H, QImage::Format_RGB32);
    paintBackground(image);
    gdi::HDC dc = gdi::CreateImageDC(&image);
    if (dc) {
        gdi::SetBkMode(dc, gdi::TRANSPARENT);
        gdi::SetROP2(dc, gdi::R2_COPYPEN);
        const bool bitmapStyle = style() & BS_BITMAP;
        if (bitmapStyle && !lPictureInside && bitmap_) PAINTBMP(dc, 2);
        paintFrame(dc);
        if (lFocused) {
            const int inset = (style() & BS_FLAT) ? 3 : 4;
            outline(dc, 21, true, inset, inset, 1);
        }
        const bool inside = bitmapStyle && lPictureInside;
        const bool icon = !inside && (style() & BS_ICON) && !icon_.isNull();
        if ((inside && bitmap_) || icon) {
            gdi::HRGN clip = innerClip();
            gdi::SelectClipRgn(dc, clip);
            if (icon) {
                PAINTICON(dc, 6);
            } else {
                PAINTBMP(dc, 6);
            }
            gdi::SelectClipRgn(dc, nullptr);
            gdi::DeleteObject(clip);
        }
        gdi::DeleteDC(dc);
    }
    paintCaption(image);
    face_ = image;
}

void OwnerDrawnButton::paintOwnerGround(QImage& image, bool fromCanvas) const {
    const int W = image.width(), H = image.height();
    image.fill(OWNER() ? OWNER()->BACKGROUND().color().qcolor() : QColor(Qt::white));
    auto* core = dynamic_cast<GraphicsWindowCore*>(OWNER());
    GRAPHICS* canvas = core ? core->_OGRAPHICS.get() : nullptr;
    if (auto* transparent = dynamic_cast<TransparentCanvasWindow*>(OWNER()); !canvas && transparent)
        canvas = transparent->transparentCanvas();
    const QImage* refresh = canvas && canvas->_PREFRESHMEMDC ? gdi::GetDCImage(canvas->_PREFRESHMEMDC) : nullptr;
    if (!fromCanvas || !refresh) return;
    // The canvas under the button: its top row is y-up ORIGIN.Y + H - 1.
    const POINT o = ORIGIN();
    const int top = refresh->height() - (o.Y() + H);
    QPainter p(&image);
    p.drawImage(QPoint(0, 0), *refresh, QRect(o.X(), top, W, H));
}

QColor OwnerDrawnButton::captionColor() const { return TEXTCOLOR().qcolor(); }

QFont OwnerDrawnButton::captionFont() const { return HANDLE() ? HANDLE()->font() : FONT().qfont(); }

void OwnerDrawnButton::paintCaption(QImage& image) {
    const std::string caption = CAPTION();
    if (caption.empty()) return;
    const int W = image.width(), H = image.height(), r = nCornerSize;
    QPainter p(&image);
    if (wForm == 0) {
        p.setClipPath(outlinePath(0, 3, 3, W - 2, H - 2, r - 6));
    } else if (wForm == 1) {
        p.setClipPath(outlinePath(1, 3, 3, W - 2, H - 2, 0));
    } else {
        p.setClipRect(QRect(3, 3, W - 6, H - 6));
    }
    p.setFont(captionFont());
    const bool multi = style() & BS_MULTILINE;
    int x0 = 2, y0 = 2;
    if (multi && wForm == 1) {
        x0 = static_cast<int>(std::lround(1 + (W - std::sqrt(W * W / 2.0)) / 2));
        y0 = static_cast<int>(std::lround(1 + (H - std::sqrt(H * H / 2.0)) / 2));
    } else if (multi && wForm == 0) {
        float f = 1.0f;
        if (W > r) {
            f = float(W - r) / float(W);
        } else if (H > r) {
            f = 1.0f / (float(H - r) / float(H));
        }
        const float pp = r / f, q = r * f;
        x0 = static_cast<int>(std::lround(1 + (pp - std::sqrt(pp * pp / 2.0)) / 2));
        y0 = static_cast<int>(std::lround(1 + (q - std::sqrt(q * q / 2.0)) / 2));
    }
    const int flags = Qt::AlignHCenter | Qt::AlignVCenter | (multi ? Qt::TextWordWrap : Qt::TextSingleLine);
    const QString text = QString::fromStdString(caption);
    const int th = p.boundingRect(QRect(x0, y0, W - 2 * x0, H - 2 * y0), flags, text).height();
    const int t = H / 2 - (th >> 1);
    QRect box(x0, t, W - 2 * x0, th);
    if (lPressed) box.translate(1, 1);
    const bool enabled = ISENABLED();
    const QColor textColor = captionColor();
    if (enabled && shadow()) {
        p.setPen(QColor(255 - textColor.red(), 255 - textColor.green(), 255 - textColor.blue()));
        p.drawText(box, flags, text);
        box.translate(1, 1);
        p.setPen(textColor);
    } else {
        p.setPen(enabled ? textColor : qcolorOf(faceSysColor(17)));
    }
    p.drawText(box, flags, text);
}

void OwnerDrawnButton::SETSTYLE(uint32_t bits, bool on) {
    extraStyle_ = on ? (extraStyle_ | bits) : (extraStyle_ & ~bits);
}

gdi::HRGN OwnerDrawnButton::innerClip() const {
    const int W = SIZE().WIDTH(), H = SIZE().HEIGHT();
    if (wForm == 1) return gdi::CreateEllipticRgn(4, 4, W - 3, H - 3);
    if (wForm != 0) return gdi::CreateRectRgn(4, 4, W - 4, H - 4);
    const QPolygon poly = outlinePath(0, 4, 4, W - 3, H - 3, nCornerSize - 8).toFillPolygon().toPolygon();
    std::vector<gdi::POINT> pts;
    for (const QPoint& q : poly) pts.push_back(gdi::POINT{q.x(), q.y()});
    return gdi::CreatePolygonRgn(pts.data(), static_cast<int>(pts.size()), gdi::WINDING);
}

void OwnerDrawnButton::fitMargins(int n, int& x0, int& y0) const {
    const int W = SIZE().WIDTH(), H = SIZE().HEIGHT(), r = nCornerSize;
    x0 = y0 = n;
    if (wForm == 1) {
        x0 = static_cast<int>(std::lround(n - 2 + (W - std::sqrt(W * W / 2.0)) / 2));
        y0 = static_cast<int>(std::lround(n - 2 + (H - std::sqrt(H * H / 2.0)) / 2));
    } else if (wForm == 0) {
        float f = 1.0f;
        if (W > r) {
            f = float(W - r) / float(W);
        } else if (H > r) {
            f = 1.0f / (float(H - r) / float(H));
        }
        const float p = r / f, q = r * f;
        x0 = static_cast<int>(std::lround(n - 2 + (p - std::sqrt(p * p / 2.0)) / 2));
        y0 = static_cast<int>(std::lround(n - 2 + (q - std::sqrt(q * q / 2.0)) / 2));
    }
}

void OwnerDrawnButton::paintMasked(gdi::HDC dc, const QImage& picture, const QImage& mask, int n, bool stretch,
                                   bool fit) {
    const int W = SIZE().WIDTH(), H = SIZE().HEIGHT();
    const int bw = picture.width(), bh = picture.height();
    int x0 = n, y0 = n;
    if (stretch && fit) fitMargins(n, x0, y0);
    gdi::HBITMAP maskBitmap = gdi::CreateBitmapFromImage(mask);
    gdi::HBITMAP cutBitmap = gdi::CreateBitmapFromImage(picture);
    for (const auto& [bitmap, rop] : {std::pair{maskBitmap, gdi::SRCAND}, std::pair{cutBitmap, gdi::SRCINVERT}}) {
        gdi::HDC memory = gdi::CreateCompatibleDC(dc);
        gdi::HGDIOBJ old = gdi::SelectObject(memory, bitmap);
        if (stretch) {
            gdi::StretchBlt(dc, x0, y0, W - 2 * x0, H - 2 * y0, memory, 0, 0, bw, bh, rop);
        } else {
            const int dx = (W - 2 * x0 - bw) / 2, dy = (H - 2 * y0 - bh) / 2;
            const int w = std::min(W - 2 * x0, bw), h = std::min(H - 2 * y0, bh);
            gdi::BitBlt(dc, x0 + std::max(dx, 0), y0 + std::max(dy, 0), w, h, memory, std::max(-dx, 0), std::max(-dy, 0), rop);
        }
        gdi::SelectObject(memory, old);
        gdi::DeleteDC(memory);
    }
    gdi::DeleteObject(maskBitmap);
    gdi::DeleteObject(cutBitmap);
}

void OwnerDrawnButton::PAINTBMP(gdi::HDC dc, int n) {
    const QImage* source = bitmap_ ? gdi::GetBitmapImage(bitmap_) : nullptr;
    if (!source || source->isNull()) return;
    const QImage picture = source->convertToFormat(QImage::Format_RGB32);
    const QRgb transparent = picture.pixel(0, 0);
    QImage mask(picture.size(), QImage::Format_RGB32), cut = picture;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const bool clear = picture.pixel(x, y) == transparent;
            mask.setPixel(x, y, clear ? 0xFFFFFFFFu : 0xFF000000u);
            if (clear) cut.setPixel(x, y, 0xFF000000u);
        }
    }
    paintMasked(dc, cut, mask, n, lStretch, lFitShape);
}

void OwnerDrawnButton::PAINTICON(gdi::HDC dc, int n) {
    if (icon_.isNull()) return;
    const QImage argb = icon_.convertToFormat(QImage::Format_ARGB32);
    QImage mask(argb.size(), QImage::Format_RGB32), colour(argb.size(), QImage::Format_RGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = argb.pixel(x, y);
            const bool opaque = qAlpha(p) >= 128;
            mask.setPixel(x, y, opaque ? 0xFF000000u : 0xFFFFFFFFu);
            colour.setPixel(x, y, opaque ? (p | 0xFF000000u) : 0xFF000000u);
        }
    }
    paintMasked(dc, colour, mask, n, lStretch, lFitShape);
}

void OwnerDrawnButton::DESTROY() {
    ready_ = false;
    gui::PUSHBUTTON::DESTROY();
}

// ---- GTRANSPUSHBUTTON -----------------------------------------------------------------------------

GTRANSPUSHBUTTON::GTRANSPUSHBUTTON(gui::WINDOW* owner, int id, const gui::POINT& origin, const gui::DIMENSION& size,
                                   const std::string& caption, const std::string& name, int form)
    : OwnerDrawnButton(owner, id, origin, size, caption, name, form, 0) {
    auto* device = dynamic_cast<Device*>(owner);
    lGraphicOwner = device && device->_NDEVICETYP == kWindowDevice;
    finishInit();
}

GTRANSPUSHBUTTON::~GTRANSPUSHBUTTON() { ready_ = false; }

void GTRANSPUSHBUTTON::SETSTRETCH(std::optional<bool> stretch, std::optional<bool> fit, std::optional<bool> inside) {
    lStretch = stretch.value_or(true);
    lFitShape = fit.value_or(true);
    lPictureInside = inside.value_or(false);
}

void GTRANSPUSHBUTTON::paintBackground(QImage& image) { paintOwnerGround(image, lGraphicOwner); }

void GTRANSPUSHBUTTON::paintFrame(gdi::HDC dc) {
    const bool flat = style() & BS_FLAT;
    if (flat) {
        outline(dc, (lPressed || lFocused) ? 21 : 20, false, 0, 0, 1);
    } else if (lPressed || lFocused) {
        outline(dc, 21, false, 0, 0, 1);
        outline(dc, 20, false, 1, 1, 1);
    } else {
        outline(dc, 20, false, 0, 0, 1);
        outline(dc, 21, false, 1, 1, 1);
    }
}

QColor GTRANSPUSHBUTTON::captionColor() const { return TEXTCOLOR().qcolor(); }

QFont GTRANSPUSHBUTTON::captionFont() const { return hCaptionFont ? *hCaptionFont : OwnerDrawnButton::captionFont(); }

intptr_t GTRANSPUSHBUTTON::DISPATCH(gui::Event& event) {
    if (event.MESSAGE() == WM_SETFONT) {
        // Anti-aliased edges would blend with a background the button does not own.
        QFont font = FONT().qfont();
        font.setStyleStrategy(QFont::NoAntialias);
        hCaptionFont = font;
    }
    return OwnerDrawnButton::DISPATCH(event);
}

// ---- GFORMPUSHBUTTON ------------------------------------------------------------------------------

GFORMPUSHBUTTON::GFORMPUSHBUTTON(gui::WINDOW* owner, int id, const gui::POINT& origin, const gui::DIMENSION& size,
                                 const std::string& caption, const std::string& name, int form)
    : OwnerDrawnButton(owner, id, origin, size, caption, name, form, 0), oBackBrush(gui::COLOR(redAtLeastOne(faceSysColor(15)))) {
    finishInit();
}

GFORMPUSHBUTTON::~GFORMPUSHBUTTON() { ready_ = false; }

void GFORMPUSHBUTTON::SETSTRETCH(std::optional<bool> stretch, std::optional<bool> fit, std::optional<bool> inside) {
    lStretch = stretch.value_or(false);
    lFitShape = fit.value_or(false);
    lPictureInside = inside.value_or(false);
}

void GFORMPUSHBUTTON::SETBACKCOLOR(std::optional<gui::COLOR> color) {
    const uint32_t face = faceSysColor(15);
    oBackBrush = gui::BRUSH(color ? *color : gui::COLOR((face >> 16) & 0xFF, (face >> 8) & 0xFF, face & 0xFF));
    refresh();
}

void GFORMPUSHBUTTON::BACKGROUND(const gui::BRUSH& brush) {
    oBackBrush = brush;
    refresh();
}

namespace {
// The face brush as a drawing brush; a hollow one is the stock null brush, never deleted.
gdi::HBRUSH faceBrush(const gui::BRUSH& brush, bool& owned) {
    owned = true;
    switch (brush.STYLE()) {
        case gui::BRUSHCLEAR: owned = false; return static_cast<gdi::HBRUSH>(gdi::GetStockObject(gdi::NULL_BRUSH));
        case gui::BRUSHHATCHHORIZONTAL: return gdi::CreateHatchBrush(gdi::HS_HORIZONTAL, brush.color().COLORREF());
        case gui::BRUSHHATCHVERTICAL: return gdi::CreateHatchBrush(gdi::HS_VERTICAL, brush.color().COLORREF());
        case gui::BRUSHHATCHDIAGONAL45: return gdi::CreateHatchBrush(gdi::HS_BDIAGONAL, brush.color().COLORREF());
        case gui::BRUSHHATCHDIAGONAL135: return gdi::CreateHatchBrush(gdi::HS_FDIAGONAL, brush.color().COLORREF());
        case gui::BRUSHHATCHCROSS: return gdi::CreateHatchBrush(gdi::HS_CROSS, brush.color().COLORREF());
        case gui::BRUSHHATCHDIAGONALCROSS: return gdi::CreateHatchBrush(gdi::HS_DIAGCROSS, brush.color().COLORREF());
        default: return gdi::CreateSolidBrush(brush.color().COLORREF());
    }
}
}  // namespace

void GFORMPUSHBUTTON::paintBackground(QImage& image) {
    // What lies under the button shows where the brush leaves it: around the outline, and
    // through the whole face with a hollow or hatched brush.
    paintOwnerGround(image, true);
    gdi::HDC dc = gdi::CreateImageDC(&image);
    if (!dc) return;
    // The gaps of a hatched face are left as they are: the ground shows there.
    gdi::SetBkMode(dc, gdi::TRANSPARENT);
    bool owned = false;
    gdi::HBRUSH brush = faceBrush(oBackBrush, owned);
    const int a = -1, b = 1;
    outline(dc, 0, false, a, b, 1, brush);
    if (owned) gdi::DeleteObject(brush);
    gdi::DeleteDC(dc);
}

void GFORMPUSHBUTTON::paintFrame(gdi::HDC dc) {
    // (colour, inset, shift, pen width): a wide pen is centred on its outline and the window
    // region cuts what lies outside.
    auto part = [&](int colour, int inset, int shift, int width) {
        outline(dc, colour, false, inset - shift, inset + shift, width);
    };
    const bool flat = style() & BS_FLAT;
    if (flat) {
        part(21, 0, 0, 3);
        if (!lPressed && !lFocused) part(20, 2, 0, 1);
    } else if (lPressed) {
        part(21, 0, 0, 2);
    } else if (lFocused) {
        part(20, 0, 0, 5);
        part(16, -1, 1, 5);
        part(21, 0, 0, 2);
    } else {
        part(20, -2, 0, 6);
        part(16, -4, 2, 6);
    }
}

}  // namespace gfx
