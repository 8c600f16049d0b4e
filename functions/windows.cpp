#include "functions/windows.h"

#include <QWidget>

#include "platform/win/monitor.h"

int GETMONITORWIDTH() {
    return win::GetSystemMetrics(win::SM_CMONITORS) > 1 ? win::GetSystemMetrics(win::SM_CXVIRTUALSCREEN)
                                                        : win::GetSystemMetrics(win::SM_CXSCREEN);
}

int GETMONITORHEIGHT() {
    return win::GetSystemMetrics(win::SM_CMONITORS) > 1 ? win::GetSystemMetrics(win::SM_CYVIRTUALSCREEN)
                                                        : win::GetSystemMetrics(win::SM_CYSCREEN);
}

int GETFIRSTMONITORWIDTH() { return win::GetSystemMetrics(win::SM_CXSCREEN); }

int GETFIRSTMONITORHEIGHT() { return win::GetSystemMetrics(win::SM_CYSCREEN); }

void FENZENTRIEREN(QWidget* window) {
    if (!window)
        return;
    const QSize size = window->frameGeometry().size();
    const int x = GETFIRSTMONITORWIDTH() / 2 - (size.width() >> 1);
    const int y = GETFIRSTMONITORHEIGHT() / 2 - (size.height() >> 1);
    window->move(x, y);
}
