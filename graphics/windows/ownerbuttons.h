#pragma once
// Push buttons that draw their own face: a rounded rectangle, capsule, ellipse, circle or
// plain rectangle with a 3D frame, a dotted focus outline and a centred caption. The button's
// window is cut to the outline, so the owner shows around the shape.
//
// GTRANSPUSHBUTTON shows its owner's drawing through the face (on a graphics window the part
// of the canvas under it); GFORMPUSHBUTTON fills the face with a brush of its own.
#include <QCursor>
#include <QPointer>
#include <QImage>
#include <QRegion>
#include <QFont>
#include <memory>
#include <optional>
#include <cstdint>

#include "graphics/windows/gwindows.h"
#include "platform/gui/controls.h"

namespace gfx {

// Window messages the buttons answer besides those of the platform.
inline constexpr uint32_t WM_MOVE = 0x0003, WM_SETFOCUS = 0x0007, WM_KILLFOCUS = 0x0008, WM_ENABLE = 0x000A,
                          WM_SETTEXT = 0x000C, WM_ERASEBKGND = 0x0014, WM_SETFONT = 0x0030,
                          WM_NCHITTEST = 0x0084, WM_KEYDOWN = 0x0100, WM_KEYUP = 0x0101;
// Button styles the face reads.
inline constexpr uint32_t BS_FLAT = 0x8000, BS_MULTILINE = 0x2000, BS_BITMAP = 0x80, BS_ICON = 0x40;

// The system colours of the face, by their system colour index (0xRRGGBB).
uint32_t faceSysColor(int index);

// ButtonFormCode values.
enum ButtonFormCode : int { kFormRounded = 0, kFormEllipse = 1, kFormCircle = 2, kFormRectangle = 5, kFormCapsule = 6 };

// The hand pointer of the buttons, from the program's cursor resource "CURHAND": 32 x 32
// pixels with the hot spot at the tip of the finger.
class GCURHAND {
public:
    static constexpr int kHotX = 12, kHotY = 1;
    GCURHAND();
    const QCursor& HANDLE() const { return cursor_; }

private:
    QCursor cursor_;
};

class OwnerDrawnButton : public gui::PUSHBUTTON, public PaintNewReceiver {
public:
    ~OwnerDrawnButton() override;
    // Sets the outline (an unknown code gives the rounded rectangle) and cuts the window to it.
    void SETFORM(int form);
    // Answers the button messages; WM_ERASEBKGND is answered alone with 1.
    intptr_t DISPATCH(gui::Event& event) override;
    // Paints the face now.
    void PAINTNEW() override;
    void DESTROY() override;
    // Adds (TRUE) or removes style bits: BS_FLAT, BS_MULTILINE, BS_BITMAP, BS_ICON.
    void SETSTYLE(uint32_t bits, bool on = true);
    uint32_t style() const { return STYLE() | extraStyle_; }
    // The picture: a bitmap that stays the caller's (its top-left pixel's colour is
    // transparent), or an icon (transparent where its alpha is).
    void IMAGE(gdi::HBITMAP bitmap) { bitmap_ = bitmap; }
    void IMAGE(const QImage& icon) { icon_ = icon; }
    // Draws the bitmap or icon with margin n.
    void PAINTBMP(gdi::HDC dc, int n);
    void PAINTICON(gdi::HDC dc, int n);

    bool pressed() const { return lPressed; }
    bool focused() const { return lFocused; }
    int form() const { return wForm; }
    int cornerSize() const { return nCornerSize; }
    // The face as last painted (top-down, as the button shows it).
    const QImage& face() const { return face_; }
    // True where the window region lets the button show.
    bool inRegion(int x, int y) const;

protected:
    OwnerDrawnButton(gui::WINDOW* owner, int id, const gui::POINT& origin, const gui::DIMENSION& size,
                     const std::string& caption, const std::string& name, int form, uint32_t style);
    // The background under the face, before the frame is drawn.
    virtual void paintBackground(QImage& image) = 0;
    // What lies under the button: the owner's ground, and with fromCanvas the part of the
    // owner's canvas under it where the owner has one.
    void paintOwnerGround(QImage& image, bool fromCanvas) const;
    virtual void paintFrame(gdi::HDC dc) = 0;
    virtual QColor captionColor() const;
    virtual QFont captionFont() const;
    virtual bool shadow() const { return false; }
    virtual bool graphicOwner() const { return false; }
    // Called at the end of the derived constructors: the face is reachable from then on.
    void finishInit();
    // The face changed state.
    void refresh();
    // False while the derived part does not exist (construction, destruction, after DESTROY).
    bool ready_ = false;
    // Routes the widget's events to the button; the button owns it (not the widget, which its
    // owner's code may delete while the filter handles one of its events).
    QPointer<QObject> filter_;
    // How many of the widget's events are being handled by the button right now.
    int inEvent_ = 0;
    // One outline line at inset n (a, b: the two sides' insets; width: the pen).
    void outline(gdi::HDC dc, int sysColor, bool dotted, int a, int b, int penWidth, gdi::HBRUSH fill = nullptr);
    void paintCaption(QImage& image);

    bool lPressed = false;
    bool lFocused = false;
    bool lStretch = true;
    bool lFitShape = true;
    bool lPictureInside = true;
    int wForm = 0;
    int nCornerSize = 10;

private:
    friend class OwnerDrawnFilter;
    // Expires when the button is deleted, also from inside one of its own messages.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
    QImage face_;
    QRegion region_;
    int form_ = 0;
    uint32_t extraStyle_ = 0;
    gdi::HBITMAP bitmap_ = nullptr;
    QImage icon_;
    // Picture margins for a stretched picture that fits the shape.
    void fitMargins(int n, int& x0, int& y0) const;
    // Draws a picture with its mask (white where transparent) through SRCAND and SRCINVERT.
    void paintMasked(gdi::HDC dc, const QImage& picture, const QImage& mask, int n, bool stretch, bool fit);
    gdi::HRGN innerClip() const;
};

class GTRANSPUSHBUTTON : public OwnerDrawnButton {
public:
    GTRANSPUSHBUTTON(gui::WINDOW* owner, int id, const gui::POINT& origin, const gui::DIMENSION& size,
                     const std::string& caption = "", const std::string& name = "", int form = 0);
    ~GTRANSPUSHBUTTON() override;
    void SETSTRETCH(std::optional<bool> stretch = {}, std::optional<bool> fit = {}, std::optional<bool> inside = {});
    void SETSHADOW(bool on) { lShadow = on; }
    // The face has no brush of its own: the access gives a hollow brush, an assignment is
    // ignored.
    gui::BRUSH BACKGROUND() const { return gui::BRUSH(); }
    void BACKGROUND(const gui::BRUSH& /*brush*/) override {}

protected:
    void paintBackground(QImage& image) override;
    void paintFrame(gdi::HDC dc) override;
    QColor captionColor() const override;
    bool shadow() const override { return lShadow; }
    bool graphicOwner() const override { return lGraphicOwner; }
    QFont captionFont() const override;

public:
    intptr_t DISPATCH(gui::Event& event) override;

private:
    bool lGraphicOwner = false;
    // The caption font of its own, without anti-aliasing once a font was set.
    std::optional<QFont> hCaptionFont;
    bool lShadow = false;
};

class GFORMPUSHBUTTON : public OwnerDrawnButton {
public:
    GFORMPUSHBUTTON(gui::WINDOW* owner, int id, const gui::POINT& origin, const gui::DIMENSION& size,
                    const std::string& caption = "", const std::string& name = "", int form = 0);
    ~GFORMPUSHBUTTON() override;
    void SETSTRETCH(std::optional<bool> stretch = {}, std::optional<bool> fit = {}, std::optional<bool> inside = {});
    // A new face colour; none: the system button face colour.
    void SETBACKCOLOR(std::optional<gui::COLOR> color = {});
    gui::COLOR backColor() const { return oBackBrush.color(); }
    // The face brush, kept as assigned: solid, hatched or hollow (the owner shows through).
    gui::BRUSH BACKGROUND() const { return oBackBrush; }
    void BACKGROUND(const gui::BRUSH& brush) override;

protected:
    void paintBackground(QImage& image) override;
    void paintFrame(gdi::HDC dc) override;

private:
    gui::BRUSH oBackBrush;
};

}  // namespace gfx
