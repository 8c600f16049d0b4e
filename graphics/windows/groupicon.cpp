#include "graphics/windows/groupicon.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QStyle>
#include <QWidget>

#include "graphics/windows/additions.h"
#include "graphics/windows/ownerbuttons.h"
#include "platform/win/codepage.h"

namespace gfx {

namespace {

constexpr uint32_t WM_MOVE_ = 0x0003, WM_ENABLE_ = 0x000A, WM_SETTEXT_ = 0x000C, WM_ERASEBKGND_ = 0x0014,
                   WM_SETFONT_ = 0x0030;

gdi::COLORREF colorRef(uint32_t rgb) { return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16); }

std::string toAnsi(const std::string& utf8) {
    std::string out;
    if (!win::WideCharToMultiByte(1252, QString::fromStdString(utf8).toStdU16String(), out)) return utf8;
    return out;
}

// Shrinks the control's window to its top-left pixel.
void shrinkToCorner(gui::CONTROL& control, int height) {
    const POINT o = control.ORIGIN();
    control.SIZE(DIMENSION(1, 1));
    control.ORIGIN(POINT(o.X(), o.Y() + height - 1));
}

}  // namespace

namespace {

// The layer that shows a control's drawing over an owner without an image of its surface.
class InkLayer : public QWidget {
public:
    explicit InkLayer(QWidget* surface) : QWidget(surface) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }
    QImage ink;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawImage(0, 0, ink);
    }
};

// What a drawing leaves where it draws: drawn once over black and once over white, the pixels
// that came out alike are its own, the others are the ground showing through.
QImage inkOf(const QSize& size, const std::function<void(gdi::HDC)>& paint) {
    QImage grounds[2] = {QImage(size, QImage::Format_RGB32), QImage(size, QImage::Format_RGB32)};
    grounds[0].fill(Qt::black);
    grounds[1].fill(Qt::white);
    for (QImage& ground : grounds) {
        gdi::HDC dc = gdi::CreateImageDC(&ground);
        if (!dc) return QImage();
        paint(dc);
        gdi::DeleteDC(dc);
    }
    QImage ink(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgb a = grounds[0].pixel(x, y);
            ink.setPixel(x, y, a == grounds[1].pixel(x, y) ? (a | 0xFF000000u) : 0u);
        }
    }
    return ink;
}

}  // namespace

OwnerSurface::OwnerSurface(gui::CONTROL& control) : control_(control) {
    QWidget* window = control.HANDLE();
    if (!window) return;
    // The control's own window shows nothing: a mask that leaves none of its one pixel.
    window->setMask(QRegion(1, 1, 1, 1));
    // A graphics owner shows the drawing in its own screen image.
    if (dynamic_cast<GraphicsWindowCore*>(control.OWNER())) return;
    QWidget* surface = control.OWNER() ? control.OWNER()->surface() : nullptr;
    if (!surface) return;
    layer_ = new InkLayer(surface);
    window->installEventFilter(this);
    place();
    // A control made on a shown owner is shown already; it draws once it is complete.
    QMetaObject::invokeMethod(this, [this] { firstDraw(); }, Qt::QueuedConnection);
}

void OwnerSurface::firstDraw() {
    // As its window's first paint makes the control draw on the platform.
    if (!layer_ || !static_cast<InkLayer*>(layer_.data())->ink.isNull() || !control_.ISVISIBLE()) return;
    if (auto* receiver = dynamic_cast<PaintNewReceiver*>(&control_)) receiver->PAINTNEW();
}

OwnerSurface::~OwnerSurface() { delete layer_.data(); }

void OwnerSurface::place() {
    QWidget* window = control_.HANDLE();
    if (!layer_ || !window) return;
    // Under every control of the owner, as a drawing on the owner's surface is.
    layer_->lower();
    layer_->move(window->pos());
    layer_->setVisible(window->isVisibleTo(layer_->parentWidget()) && !static_cast<InkLayer*>(layer_.data())->ink.isNull());
}

bool OwnerSurface::eventFilter(QObject* watched, QEvent* event) {
    if (watched != control_.HANDLE() || !layer_) return false;
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::ShowToParent:
            firstDraw();
            place();
            break;
        case QEvent::Move:
        case QEvent::Hide:
        case QEvent::HideToParent: place(); break;
        default: break;
    }
    return false;
}

bool OwnerSurface::draw(const QSize& size, const std::function<void(gdi::HDC)>& paint) {
    if (!layer_) {
        gdi::HDC dc = ownerDC(control_);
        if (!dc) return false;
        paint(dc);
        releaseOwnerDC(control_, dc);
        return true;
    }
    auto* layer = static_cast<InkLayer*>(layer_.data());
    layer->ink = inkOf(size, paint);
    layer->resize(size);
    place();
    layer->update();
    return !layer->ink.isNull();
}

gdi::HDC ownerDC(const gui::CONTROL& control) {
    auto* core = dynamic_cast<GraphicsWindowCore*>(control.OWNER());
    if (!core || !core->screenDC() || !core->screen()) return nullptr;
    gdi::HDC dc = core->screenDC();
    const int top = core->screen()->height() - 1 - control.ORIGIN().Y();
    gdi::SaveDC(dc);
    gdi::SetMapMode(dc, gdi::MM_TEXT);
    gdi::SetWindowOrgEx(dc, 0, 0, nullptr);
    gdi::SetViewportOrgEx(dc, control.ORIGIN().X(), top, nullptr);
    return dc;
}

void releaseOwnerDC(const gui::CONTROL& control, gdi::HDC dc) {
    if (!dc) return;
    gdi::RestoreDC(dc, -1);
    if (auto* w = control.OWNER()) {
        if (QWidget* s = w->surface()) s->update();
    }
}

// ---- group box ---------------------------------------------------------------------------------

GTRANSGROUPBOX::GTRANSGROUPBOX(gui::WINDOW* owner, int id, const gui::POINT& origin, const gui::DIMENSION& size)
    : gui::GROUPBOX(owner, id, origin, size) {
    nBoxWidth = SIZE().WIDTH();
    nBoxHeight = SIZE().HEIGHT();
    shrinkToCorner(*this, nBoxHeight);
    hCaptionFont = static_cast<gdi::HFONT>(gdi::GetStockObject(gdi::DEFAULT_GUI_FONT));
    if (!hCaptionFont) hCaptionFont = static_cast<gdi::HFONT>(gdi::GetStockObject(gdi::SYSTEM_FONT));
}

GTRANSGROUPBOX::~GTRANSGROUPBOX() {
    if (ownFont_ && hCaptionFont) gdi::DeleteObject(hCaptionFont);
    hCaptionFont = nullptr;
}

void GTRANSGROUPBOX::PAINTNEW() {
    // The highlight ring reaches one pixel right of and two below the box's size.
    if (surface_.draw(QSize(nBoxWidth + 1, nBoxHeight + 2), [this](gdi::HDC dc) { paintBox(dc); })) ++paints_;
}

void GTRANSGROUPBOX::paintBox(gdi::HDC dc) {
    const std::string caption = toAnsi(CAPTION());
    const int W = nBoxWidth, H = nBoxHeight;
    gdi::SetBkMode(dc, gdi::TRANSPARENT);
    gdi::SetROP2(dc, gdi::R2_COPYPEN);
    gdi::SelectObject(dc, hCaptionFont);
    gdi::SIZE extent{0, 0};
    gdi::GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    const int cx = extent.cx, h = extent.cy / 2;
    auto ring = [&](uint32_t rgb, int d) {
        gdi::HPEN pen = gdi::CreatePen(gdi::PS_SOLID, 1, colorRef(rgb));
        gdi::HGDIOBJ old = gdi::SelectObject(dc, pen);
        gdi::MoveToEx(dc, d, h + d, nullptr);
        if (!caption.empty()) {
            gdi::LineTo(dc, 6, h + d);
            gdi::MoveToEx(dc, 14 + cx, h + d, nullptr);
        }
        gdi::LineTo(dc, W - 1 + d, h + d);
        gdi::LineTo(dc, W - 1 + d, H + d);
        gdi::LineTo(dc, d, H + d);
        gdi::LineTo(dc, d, h + d);
        gdi::SelectObject(dc, old);
        gdi::DeleteObject(pen);
    };
    ring(faceSysColor(20), 1);
    ring(faceSysColor(16), 0);
    gdi::SetTextColor(dc, TEXTCOLOR().COLORREF());
    gdi::SetTextAlign(dc, 0);
    gdi::TextOutA(dc, 10, 0, caption.c_str(), static_cast<int>(caption.size()));
}

void GTRANSGROUPBOX::EXPOSE(gui::ExposeEvent& /*event*/) { PAINTNEW(); }

intptr_t GTRANSGROUPBOX::DISPATCH(gui::Event& event) {
    switch (event.MESSAGE()) {
        case WM_ERASEBKGND_: return 1;
        case WM_SETFONT_: {
            if (ownFont_ && hCaptionFont) gdi::DeleteObject(hCaptionFont);
            gdi::LOGFONT lf = GETLOGFONTSTRUCT(FONT());
            lf.lfQuality = 3;  // no anti-aliasing over the owner's drawing
            hCaptionFont = gdi::CreateFontIndirectA(&lf);
            ownFont_ = hCaptionFont != nullptr;
            if (!hCaptionFont) hCaptionFont = static_cast<gdi::HFONT>(gdi::GetStockObject(gdi::SYSTEM_FONT));
            break;
        }
        case WM_SETTEXT_:
        case gui::WM_SIZE:
        case WM_MOVE_:
        case WM_ENABLE_: PAINTNEW(); break;
        case gui::WM_USER:
            if (event.WPARAM() == kPaintNewRequest) PAINTNEW();
            break;
        default: break;
    }
    return gui::GROUPBOX::DISPATCH(event);
}

void GTRANSGROUPBOX::DESTROY() {
    if (ownFont_ && hCaptionFont) gdi::DeleteObject(hCaptionFont);
    hCaptionFont = static_cast<gdi::HFONT>(gdi::GetStockObject(gdi::SYSTEM_FONT));
    ownFont_ = false;
    gui::GROUPBOX::DESTROY();
}

// ---- fixed icon ----------------------------------------------------------------------------------

GTRANSFIXEDICON::GTRANSFIXEDICON(gui::WINDOW* owner, int id, const gui::POINT& origin, const gui::DIMENSION& size)
    : gui::FIXEDICON(owner, id, origin, size) {
    shrinkToCorner(*this, nIconHeight);
}

void GTRANSFIXEDICON::PAINTNEW() {
    const std::string name = HYPERLABEL().CAPTION();
    QImage icon;
    if (!name.empty()) {
        // An icon resource of the program; a bare ":/NAME" serves resources added by a program.
        icon = QImage(QStringLiteral(":/icons/") + QString::fromStdString(name));
        if (icon.isNull()) icon = QImage(QStringLiteral(":/") + QString::fromStdString(name));
    } else {
        icon = QApplication::style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(nIconWidth, nIconHeight).toImage();
    }
    if (icon.isNull()) return;
    icon = icon.scaled(nIconWidth, nIconHeight).convertToFormat(QImage::Format_ARGB32);
    // Mask: white where the icon is transparent; colour: black there.
    QImage mask(nIconWidth, nIconHeight, QImage::Format_RGB32), colour(nIconWidth, nIconHeight, QImage::Format_RGB32);
    for (int y = 0; y < nIconHeight; ++y) {
        for (int x = 0; x < nIconWidth; ++x) {
            const QRgb p = icon.pixel(x, y);
            const bool opaque = qAlpha(p) >= 128;
            mask.setPixel(x, y, opaque ? 0xFF000000u : 0xFFFFFFFFu);
            colour.setPixel(x, y, opaque ? (p | 0xFF000000u) : 0xFF000000u);
        }
    }
    const auto paintIcon = [&](gdi::HDC dc) {
        for (const auto& [picture, rop] : {std::pair{&mask, gdi::SRCAND}, std::pair{&colour, gdi::SRCINVERT}}) {
            gdi::HBITMAP bitmap = gdi::CreateBitmapFromImage(*picture);
            gdi::HDC memory = gdi::CreateCompatibleDC(dc);
            gdi::HGDIOBJ old = gdi::SelectObject(memory, bitmap);
            gdi::BitBlt(dc, 0, 0, nIconWidth, nIconHeight, memory, 0, 0, rop);
            gdi::SelectObject(memory, old);
            gdi::DeleteDC(memory);
            gdi::DeleteObject(bitmap);
        }
    };
    if (surface_.draw(QSize(nIconWidth, nIconHeight), paintIcon)) ++paints_;
}

void GTRANSFIXEDICON::EXPOSE(gui::ExposeEvent& /*event*/) { PAINTNEW(); }

intptr_t GTRANSFIXEDICON::DISPATCH(gui::Event& event) {
    switch (event.MESSAGE()) {
        case WM_ERASEBKGND_: return 1;
        case WM_MOVE_:
        case WM_ENABLE_: PAINTNEW(); break;
        case gui::WM_USER:
            if (event.WPARAM() == kPaintNewRequest) PAINTNEW();
            break;
        default: break;
    }
    return gui::FIXEDICON::DISPATCH(event);
}

}  // namespace gfx
