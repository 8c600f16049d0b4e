#include "functions/windows.h"

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
