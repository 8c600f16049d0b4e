#include "graphics/windows/additions.h"

#include <QWidget>
#include <algorithm>
#include <cstring>

#include "graphics/windows/gwindows.h"

namespace gfx {

namespace {

gdi::BYTE familyBits(int family) {
    switch (family) {
        case gui::FONTDECORATIVE: return gdi::FF_DECORATIVE;
        case gui::FONTMODERN: return gdi::FF_MODERN;
        case gui::FONTROMAN: return gdi::FF_ROMAN;
        case gui::FONTSCRIPT: return gdi::FF_SCRIPT;
        case gui::FONTSWISS: return gdi::FF_SWISS;
        default: return gdi::FF_DONTCARE;
    }
}

void afterStateChange(gui::TEXTCONTROL& control, bool wantEnabled) {
    auto* owner = dynamic_cast<TransparentCanvasWindow*>(control.OWNER());
    if (!owner || !owner->transparent()) return;
    if (!dynamic_cast<gui::FIXEDTEXT*>(&control) && !dynamic_cast<gui::CHECKBOX*>(&control) &&
        !dynamic_cast<gui::RADIOBUTTON*>(&control))
        return;
    QWidget* widget = control.HANDLE();
    if (!widget || widget->isEnabled() != wantEnabled) return;
    if (GRAPHICS* canvas = owner->transparentCanvas()) canvas->INTERNREFRESH(boxOf(control));
    control.REPAINT();
}

}  // namespace

gdi::LOGFONT GETLOGFONTSTRUCT(const gui::FONT& font) {
    gdi::LOGFONT lf;
    lf.lfHeight = font.HEIGHT2();
    if (lf.lfHeight == 0 && font.POINTSIZE() > 0) lf.lfHeight = font.CONVPNTTODIM(font.POINTSIZE()).HEIGHT();
    lf.lfWidth = font.WIDTH2();
    lf.lfEscapement = 0;
    lf.lfOrientation = 0;
    lf.lfWeight = static_cast<uint16_t>(font.WEIGHT());
    lf.lfItalic = font.ITALIC() ? 1 : 0;
    lf.lfUnderline = font.UNDERLINE() ? 1 : 0;
    lf.lfStrikeOut = font.STRIKEOUT() ? 1 : 0;
    lf.lfCharSet = gdi::ANSI_CHARSET;
    lf.lfOutPrecision = gdi::OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = gdi::CLIP_DEFAULT_PRECIS;
    lf.lfQuality = gdi::DEFAULT_QUALITY;
    const gdi::BYTE pitch = font.PITCHFIXED() ? gdi::FIXED_PITCH : (font.PITCHVARIABLE() ? gdi::VARIABLE_PITCH : 0);
    lf.lfPitchAndFamily = static_cast<gdi::BYTE>(pitch | familyBits(font.FAMILY()));
    const std::string& face = font.FONTFACENAME();
    const size_t n = std::min<size_t>(face.size(), gdi::LF_FACESIZE - 1);
    std::memcpy(lf.lfFaceName, face.data(), n);
    lf.lfFaceName[n] = '\0';
    return lf;
}

intptr_t RADIOBUTTONDISPATCH(gui::RADIOBUTTON& button, gui::Event& event) {
    if (event.MESSAGE() == gui::BM_SETCHECK) {
        gui::WINDOW* owner = button.OWNER();
        if (owner && owner->ISVISIBLE() && button.ISVISIBLE()) {
            owner->SENDMESSAGE(gui::WM_USER, kRadioCheckNotice, reinterpret_cast<intptr_t>(button.HANDLE()));
        }
    }
    return button.gui::BUTTON::DISPATCH(event);
}

void TEXTCONTROLDISABLE(gui::TEXTCONTROL& control) {
    control.gui::CONTROL::DISABLE();
    afterStateChange(control, false);
}

void TEXTCONTROLENABLE(gui::TEXTCONTROL& control) {
    control.gui::CONTROL::ENABLE();
    afterStateChange(control, true);
}

}  // namespace gfx

namespace gfx {

void installPlatformAdditions() {
    gui::ClassAdditions additions;
    additions.radioButtonDispatch = &RADIOBUTTONDISPATCH;
    additions.textControlEnable = &TEXTCONTROLENABLE;
    additions.textControlDisable = &TEXTCONTROLDISABLE;
    gui::installClassAdditions(additions);
}

}  // namespace gfx
