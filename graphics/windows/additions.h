#pragma once
// Methods the graphics library adds to platform classes: the logical-font record of a
// font, the radio button's check notice to its owner, and the enable/disable of text
// controls that puts a transparent window's canvas back behind the control.
//
// The platform classes call these from their own members (RADIOBUTTON:DISPATCH,
// TEXTCONTROL:ENABLE/DISABLE) once installPlatformAdditions has run; each takes the object it
// acts for.
#include <cstdint>

#include "graphics/canvas/graphics.h"
#include "platform/gdi/gdi.h"
#include "platform/gui/controls.h"
#include "platform/gui/window.h"

namespace gfx {

// RadioCheckNotice: WM_USER with this wParam and the radio button's handle as lParam.
inline constexpr uintptr_t kRadioCheckNotice = 225;

// A window whose canvas shows through its fixed texts, check boxes and radio buttons.
class TransparentCanvasWindow {
public:
    virtual ~TransparentCanvasWindow() = default;
    virtual bool transparent() const = 0;  // _LTRANSPARENT
    virtual GRAPHICS* transparentCanvas() const = 0;
};

// The 8-bit logical-font record of a font: height, width, weight, style bytes, pitch and
// family and the face name (at most 31 bytes and a NUL; a longer name is cut to fit).
gdi::LOGFONT GETLOGFONTSTRUCT(const gui::FONT& font);

// RADIOBUTTON:DISPATCH: on BM_SETCHECK, while owner and button are visible, tells the owner
// (synchronously) before the button's own handling; returns the inherited result.
intptr_t RADIOBUTTONDISPATCH(gui::RADIOBUTTON& button, gui::Event& event);

// TEXTCONTROL:DISABLE and ENABLE: the inherited operation, then, for a fixed text, check box
// or radio button of a transparent window whose state changed as asked, the canvas under the
// control is restored from the refresh bitmap and the control repainted.
void TEXTCONTROLDISABLE(gui::TEXTCONTROL& control);
void TEXTCONTROLENABLE(gui::TEXTCONTROL& control);

// Makes the platform classes call the three members above. Graphics windows install them when
// they are made; installing again changes nothing.
void installPlatformAdditions();

}  // namespace gfx
