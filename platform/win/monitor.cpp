#include "platform/win/monitor.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

namespace win {

namespace {
constexpr int kDefaultWidth = 1024;
constexpr int kDefaultHeight = 768;
}  // namespace

int GetSystemMetrics(int index) {
    QScreen* primary = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                           ? QGuiApplication::primaryScreen()
                           : nullptr;
    if (!primary) {
        switch (index) {
        case SM_CXSCREEN:
        case SM_CXVIRTUALSCREEN:
            return kDefaultWidth;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN:
            return kDefaultHeight;
        case SM_CMONITORS:
            return 1;
        default:
            return 0;
        }
    }
    const QRect screen = primary->geometry();
    const QRect virt = primary->virtualGeometry();
    switch (index) {
    case SM_CXSCREEN:
        return screen.width();
    case SM_CYSCREEN:
        return screen.height();
    case SM_XVIRTUALSCREEN:
        return virt.left();
    case SM_YVIRTUALSCREEN:
        return virt.top();
    case SM_CXVIRTUALSCREEN:
        return virt.width();
    case SM_CYVIRTUALSCREEN:
        return virt.height();
    case SM_CMONITORS:
        return static_cast<int>(QGuiApplication::screens().size());
    default:
        return 0;
    }
}

}  // namespace win
