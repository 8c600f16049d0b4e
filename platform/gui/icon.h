#pragma once
// An icon of the class library, as a dynamic value can hold it: an object of class "ICON"
// that windows and icon controls show.
#include <QIcon>
#include <QPixmap>
#include <string>

#include "platform/runtime/value.h"

namespace gui {

// The standard size of an icon, in pixels.
inline constexpr int kIconSize = 32;

class ICON : public rt::Object {
public:
    explicit ICON(const QIcon& icon = QIcon()) : icon_(icon) {}
    // The application's icon resource of that number (the program has one: its own icon).
    static ICON fromResource(int resourceId);
    std::string className() const override { return "ICON"; }
    const QIcon& icon() const { return icon_; }
    bool isNull() const { return icon_.isNull(); }
    // The picture at the standard size.
    QPixmap pixmap() const { return icon_.pixmap(kIconSize, kIconSize); }

private:
    QIcon icon_;
};

}  // namespace gui
