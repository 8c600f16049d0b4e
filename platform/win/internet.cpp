#include "platform/win/internet.h"

#include <ifaddrs.h>
#include <net/if.h>

namespace win {

namespace {
ConnectedStateProvider& provider() {
    static ConnectedStateProvider p;
    return p;
}

bool machineState(uint32_t* flags) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return false;
    uint32_t f = 0;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr) continue;
        const unsigned up = IFF_UP | IFF_RUNNING;
        if ((a->ifa_flags & up) == up && !(a->ifa_flags & IFF_LOOPBACK)) f |= INTERNET_CONNECTION_LAN;
        f |= INTERNET_CONNECTION_CONFIGURED;
    }
    ::freeifaddrs(list);
    *flags = f;
    return true;
}
}  // namespace

bool InternetGetConnectedState(uint32_t* flags, uint32_t) {
    uint32_t f = 0;
    const bool ok = provider() ? provider()(&f) : machineState(&f);
    if (flags) *flags = ok ? f : 0;
    return ok;
}

ConnectedStateProvider setConnectedStateProvider(ConnectedStateProvider p) {
    ConnectedStateProvider old = std::move(provider());
    provider() = std::move(p);
    return old;
}

}  // namespace win
