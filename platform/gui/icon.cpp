#include "platform/gui/icon.h"

#include <QGuiApplication>

namespace gui {

ICON ICON::fromResource(int resourceId) {
    return ICON(resourceId > 0 ? QGuiApplication::windowIcon() : QIcon());
}

}  // namespace gui
