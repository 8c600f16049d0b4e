#include "widgets/serialmt.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QMetaObject>
#include <QObject>
#include <QWidget>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <map>
#include <mutex>

#include "platform/gui/dialogs.h"
#include "platform/gui/window.h"

namespace widgets {

namespace {

std::mutex g_mapMutex;
std::map<int, std::string>& portMap() {
    static std::map<int, std::string> m;
    return m;
}

uint32_t asU32(const rt::Value& v, uint32_t def) {
    if (!v.isNumber()) return def;
    const double d = std::trunc(v.num());
    if (!(d >= 0)) return d < 0 && d >= -2147483648.0 ? static_cast<uint32_t>(static_cast<int32_t>(d)) : 0;
    return d > 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(d);
}

uint32_t queueSize(const rt::Value& v) {
    if (!v.isNumber()) return 1024;
    const double d = std::trunc(v.num());
    if (d < 0) return 1024;
    return d < 16 ? 16 : (d > 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(d));
}

speed_t speedOf(uint32_t baud) {
    switch (baud) {
    case 300: return B300;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    default: return B19200;
    }
}

// The device name of a port name: "COM" and 1..256 after trimming and upper-casing, cut to
// six characters; 0 for any other name.
int portNumber(const rt::Value& v) {
    std::string s = v.isString() ? v.str() : std::string("COM1");
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return 0;
    s = s.substr(b, s.find_last_not_of(' ') - b + 1);
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    s = s.substr(0, 6);
    if (s.size() < 4 || s.compare(0, 3, "COM") != 0) return 0;
    int n = 0;
    for (size_t i = 3; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return 0;
        n = n * 10 + (s[i] - '0');
    }
    return n >= 1 && n <= 256 ? n : 0;
}

// Closes a port's descriptor. The exclusive mode OPEN sets belongs to the terminal, not to
// the descriptor: a terminal that lives on after the close (a pseudo-terminal whose peer keeps
// it open, a bridged port) would refuse every later open of anyone but root. FALSE when the
// close failed.
bool releasePort(int fd) {
    (void)ioctl(fd, TIOCNXCL);  // fails only on a device that is gone, which keeps no mode
    return ::close(fd) == 0 || errno == EINTR;
}

void post(SerialEventBlock* b, uintptr_t wParam) {
    QMetaObject::invokeMethod(
        b->poster,
        [poster = b->poster, wParam] {
            // The owner may be gone by the time the notification arrives.
            QWidget* owner = poster->owner.data();
            if (gui::GUIOBJECT* o = owner ? gui::GUIOBJECT::fromHandle(owner) : nullptr) {
                gui::Event ev(WM_COMMNOTIFY, wParam, 0);
                o->DISPATCH(ev);
            }
        },
        Qt::QueuedConnection);
}

void showMaskFailure(SerialEventBlock* b) {
    // Shown on the GUI thread; the worker does not wait for it, so a GUI thread that is
    // stopping the worker at that moment cannot deadlock with it.
    QMetaObject::invokeMethod(
        b->poster,
        [] {
            gui::ModalRequest r;
            r.caption = "CommWatchProc Error";
            r.text = "SetCommMask failed!";
            r.style = gui::BOXOK;
            gui::runModal(r);
        },
        Qt::QueuedConnection);
}

// The worker: watches the port for the events of the mask until asked to stop.
//
// Received data: the port is watched edge-triggered, so every arrival wakes the worker even
// while earlier bytes still wait unread, and an arrival is announced when bytes are there to
// read. Bytes the owner took before the worker looked need no notice.
// Transmit empty: a WRITE wakes the worker, which then looks at the output queue until it
// has run empty.
// One pass posts one notification, received data first; a notice that lost its pass is
// posted in the next, and an emptied buffer passed over once goes before further data, so
// a steady stream of input cannot hold it back.
void commWatchProc(SerialEventBlock* b) {
    const int watch = b->port >= 0 ? epoll_create1(EPOLL_CLOEXEC) : -1;
    epoll_event onPort{}, onWake{};
    onPort.events = EPOLLIN | EPOLLET;
    onPort.data.fd = b->port;
    onWake.events = EPOLLIN;
    onWake.data.fd = b->wakeRead;
    if (watch < 0 || epoll_ctl(watch, EPOLL_CTL_ADD, b->port, &onPort) != 0 ||
        epoll_ctl(watch, EPOLL_CTL_ADD, b->wakeRead, &onWake) != 0) {
        if (watch >= 0) ::close(watch);
        showMaskFailure(b);
        b->ended = true;
        return;
    }
    b->ended = false;
    bool receivedUntold = false, emptiedUntold = false, emptiedPassedOver = false;
    while (!b->stop) {
        const bool watchOutput = (b->mask & EV_TXEMPTY) && b->txPending;
        const int timeout = receivedUntold || emptiedUntold ? 0 : watchOutput ? 10 : -1;
        epoll_event events[2];
        const int n = epoll_wait(watch, events, 2, timeout);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        bool arrived = false, gone = false;
        for (int i = 0; i < n; ++i) {
            if (events[i].data.fd == b->wakeRead) {
                char buf[16];
                while (read(b->wakeRead, buf, sizeof buf) > 0) {
                }
                continue;
            }
            if (events[i].events & EPOLLIN) arrived = true;
            // A device that went away ends the watch, as a failed wait does.
            if (events[i].events & (EPOLLERR | EPOLLHUP)) gone = true;
        }
        if (b->stop) break;  // the mask was cleared: the wait ends with no event
        const uint32_t mask = b->mask;
        int avail = 0;
        if (arrived && ioctl(b->port, FIONREAD, &avail) == 0 && avail > 0) receivedUntold = true;
        if ((mask & EV_TXEMPTY) && b->txPending) {
            int out = 0;
            if (ioctl(b->port, TIOCOUTQ, &out) != 0 || out == 0) {
                b->txPending = false;
                emptiedUntold = true;
            }
        }
        if (!(mask & EV_RXCHAR)) receivedUntold = false;
        if (!(mask & EV_TXEMPTY)) emptiedUntold = false;
        if (receivedUntold && !(emptiedUntold && emptiedPassedOver)) {
            post(b, 1);
            receivedUntold = false;
            emptiedPassedOver = emptiedUntold;
        } else if (emptiedUntold) {
            post(b, 4);
            emptiedUntold = emptiedPassedOver = false;
        }
        if (gone) break;
    }
    ::close(watch);
    b->ended = true;
}

}  // namespace

void mapSerialPort(int n, const std::string& devicePath) {
    std::lock_guard<std::mutex> lock(g_mapMutex);
    if (devicePath.empty())
        portMap().erase(n);
    else
        portMap()[n] = devicePath;
}

std::string serialDevicePath(int n) {
    std::lock_guard<std::mutex> lock(g_mapMutex);
    auto it = portMap().find(n);
    if (it != portMap().end()) return it->second;
    return "/dev/ttyS" + std::to_string(n - 1);
}

SERIALMT::SERIALMT(gui::GUIOBJECT* owner) {
    if (owner) hOwner = owner->HANDLE();
    pEventBlock = std::make_unique<SerialEventBlock>();
    clearError();
    aBaudRates = {19200, 9600, 4800, 2400, 1200, 300};
    aByteSizes = {8, 7};
    aParities = {0, 1, 2, 3, 4};
    aStopBits = {0, 2};
}

SERIALMT::~SERIALMT() { DESTROY(); }

bool SERIALMT::valid(const std::vector<int>& allowed, const rt::Value& v, int def, int& out) {
    if (v.isNil()) {
        out = def;
    } else {
        if (!v.isNumber()) return false;
        const double d = std::trunc(v.num());
        if (!(d >= -1e9 && d <= 1e9)) return false;
        out = static_cast<int>(d);
    }
    return std::find(allowed.begin(), allowed.end(), out) != allowed.end();
}

bool SERIALMT::applyLine(uint32_t baud, int byteSize, int parity, int stopBits, const char* getText,
                         const char* setText, uint16_t code) {
    termios t{};
    if (tcgetattr(hPort, &t) != 0) return fail(code, getText);
    // A Windows port is always binary: no line editing, echo or translation.
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speedOf(baud));
    cfsetospeed(&t, speedOf(baud));
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CMSPAR);
    t.c_cflag |= byteSize == 7 ? CS7 : CS8;
    switch (parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB; break;
    case 3: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 4: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }
    if (stopBits == 2) t.c_cflag |= CSTOPB;
    if (tcsetattr(hPort, TCSANOW, &t) != 0) return fail(code, setText);
    return true;
}

bool SERIALMT::OPEN(const rt::Value& port, const rt::Value& baud, const rt::Value& byteSize, const rt::Value& parity,
                    const rt::Value& stopBits, const rt::Value& readInterval, const rt::Value& readPerByte,
                    const rt::Value& readConstant, const rt::Value& writePerByte, const rt::Value& writeConstant,
                    const rt::Value& inQueue, const rt::Value& outQueue) {
    // A port still held (an earlier success, or a failure after the device was opened) is
    // released first, so its handle and worker are never lost.
    if (hPort >= 0) CLOSE();
    clearError();
    const int n = portNumber(port);
    if (n == 0) return fail(2, "Open Port");
    int b = 0, bs = 0, par = 0, sb = 0;
    if (!valid(aBaudRates, baud, 9600, b)) return fail(2, "Open Baudrate");
    if (!valid(aByteSizes, byteSize, 8, bs)) return fail(2, "Open ByteSize");
    if (!valid(aParities, parity, 0, par)) return fail(2, "Open Parity");
    if (!valid(aStopBits, stopBits, 0, sb)) return fail(2, "Open StopBits");
    const uint32_t t[5] = {asU32(readInterval, 0), asU32(readPerByte, 5), asU32(readConstant, 100),
                           asU32(writePerByte, 5), asU32(writeConstant, 100)};
    const uint32_t qi = queueSize(inQueue), qo = queueSize(outQueue);

    lOpen = true;
    const std::string path = serialDevicePath(n);
    hPort = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (hPort >= 0) {
        termios probe{};
        // Not a terminal, or a serial device without hardware behind it: no port. A port
        // another handle holds is refused too: TIOCEXCL does not bind root, the lock does.
        // The lock is taken first, so a refused open never sets the exclusive mode of a
        // terminal another handle holds.
        if (tcgetattr(hPort, &probe) != 0 || flock(hPort, LOCK_EX | LOCK_NB) != 0 || ioctl(hPort, TIOCEXCL) != 0) {
            ::close(hPort);  // its mode, if another handle set one, stays that handle's
            hPort = -1;
        }
    }
    if (hPort < 0) {
        lOpen = false;
        return fail(2, "Open CreateFile");
    }
    inQueue_ = qi, outQueue_ = qo;  // the kernel sizes its own queues
    if (tcflush(hPort, TCIOFLUSH) != 0) return fail(2, "Open PurgeComm");
    std::copy(t, t + 5, timeouts_);
    if (!applyLine(static_cast<uint32_t>(b), bs, par, sb, "Open GetCommState", "Open SetCommState", 2)) return false;
    return true;
}

bool SERIALMT::SETPROTOKOL(const rt::Value& baud, const rt::Value& byteSize, const rt::Value& parity,
                           const rt::Value& stopBits) {
    clearError();
    int b = 0, bs = 0, par = 0, sb = 0;
    if (!valid(aBaudRates, baud, 9600, b)) return fail(9, "SetProtokol Baudrate");
    if (!valid(aByteSizes, byteSize, 8, bs)) return fail(9, "SetProtokol ByteSize");
    if (!valid(aParities, parity, 0, par)) return fail(9, "SetProtokol Parity");
    if (!valid(aStopBits, stopBits, 0, sb)) return fail(9, "SetProtokol StopBits");
    if (hPort < 0) return fail(9, "SetProtokol Port not open");
    return applyLine(static_cast<uint32_t>(b), bs, par, sb, "SetProtokol GetCommState", "SetProtokol SetCommState", 9);
}

bool SERIALMT::SETTIMEOUT(const rt::Value& readInterval, const rt::Value& readPerByte, const rt::Value& readConstant,
                          const rt::Value& writePerByte, const rt::Value& writeConstant) {
    clearError();
    const uint32_t t[5] = {asU32(readInterval, 0), asU32(readPerByte, 100), asU32(readConstant, 1000),
                           asU32(writePerByte, 0), asU32(writeConstant, 1000)};
    if (hPort < 0) return fail(10, "SetTimeOut Port not open");
    std::copy(t, t + 5, timeouts_);
    return true;
}

bool SERIALMT::SETBUFFERSIZE(const rt::Value& inQueue, const rt::Value& outQueue) {
    const uint32_t qi = queueSize(inQueue), qo = queueSize(outQueue);
    clearError();
    if (hPort < 0) return fail(11, "setBufferSize Port not open");
    inQueue_ = qi, outQueue_ = qo;
    return true;
}

bool SERIALMT::WRITE(const rt::Value& data) {
    lWriting = true;
    clearError();
    const std::string s = data.isString() ? data.str() : std::string();
    bool ok = true;
    if (hPort < 0) {
        ok = fail(4, "Write WriteFile");
    } else {
        size_t done = 0;
        // The write time-out: per byte times the length plus the constant; both 0 means
        // the write waits until every byte is taken.
        const double totalMs = double(timeouts_[3]) * double(s.size()) + double(timeouts_[4]);
        const bool limited = timeouts_[3] != 0 || timeouts_[4] != 0;
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(static_cast<int64_t>(std::min(totalMs, 1e12)));
        bool hardError = false;
        while (done < s.size()) {
            const ssize_t w = ::write(hPort, s.data() + done, s.size() - done);
            if (w > 0) {
                done += static_cast<size_t>(w);
                continue;
            }
            if (w < 0 && errno != EAGAIN && errno != EINTR) {
                hardError = true;
                break;
            }
            int waitMs = -1;
            if (limited) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0) break;
                waitMs = static_cast<int>(std::min<int64_t>(left.count(), INT32_MAX));
            }
            pollfd p{hPort, POLLOUT, 0};
            const int pr = poll(&p, 1, waitMs);
            if (pr > 0 && (p.revents & (POLLERR | POLLNVAL | POLLHUP))) {
                hardError = true;
                break;
            }
        }
        if (done > 0 && pEventBlock) {
            pEventBlock->txPending = true;
            // The worker may be waiting for input only: it has to start watching the output.
            if (lEventsOn) wakeWorker();
        }
        if (hardError && done == 0)
            ok = fail(4, "Write WriteFile");
        else if (done != s.size())
            ok = fail(4, "Write incomplete");
    }
    lWriting = false;
    return ok;
}

bool SERIALMT::READ(std::string& buffer, const rt::Value& count) {
    clearError();
    const uint32_t wanted = asU32(count, 1);
    if (wanted == 0) return true;
    if (hPort < 0) return fail(3, "Read ReadFile");
    std::string got;
    got.reserve(std::min<uint32_t>(wanted, 1u << 20));
    const uint32_t interval = timeouts_[0], perByte = timeouts_[1], constant = timeouts_[2];
    using clock = std::chrono::steady_clock;
    // MAXDWORD interval with no totals: give what is there at once.
    const bool immediate = interval == 0xFFFFFFFFu && perByte == 0 && constant == 0;
    const bool totalLimit = perByte != 0 || constant != 0;
    const double totalMs = double(perByte) * wanted + constant;
    const auto start = clock::now();
    auto lastByte = start;
    bool failed = false, hungUp = false;
    char buf[4096];
    while (got.size() < wanted) {
        const ssize_t r = ::read(hPort, buf, std::min<size_t>(sizeof buf, wanted - got.size()));
        if (r > 0) {
            got.append(buf, static_cast<size_t>(r));
            lastByte = clock::now();
            continue;
        }
        // A raw port with nothing to give reads 0 bytes (or EAGAIN). A device that hung up
        // does so too, after the wait below has said so: an error, not a time-out.
        if ((r < 0 && errno != EAGAIN && errno != EINTR) || hungUp) {
            failed = true;
            break;
        }
        if (immediate) {
            // Nothing waiting: a line that is gone still has to be told, not read as empty.
            pollfd p{hPort, POLLIN, 0};
            if (poll(&p, 1, 0) > 0 && (p.revents & (POLLERR | POLLNVAL | POLLHUP))) failed = true;
            break;
        }
        const auto now = clock::now();
        double waitMs = 1e9;
        if (totalLimit) waitMs = totalMs - std::chrono::duration<double, std::milli>(now - start).count();
        if (interval != 0 && interval != 0xFFFFFFFFu && !got.empty())
            waitMs = std::min(waitMs, interval - std::chrono::duration<double, std::milli>(now - lastByte).count());
        if (waitMs <= 0) break;
        pollfd p{hPort, POLLIN, 0};
        const int pr = poll(&p, 1, waitMs > 1e8 ? -1 : static_cast<int>(std::ceil(waitMs)));
        if (pr < 0 && errno != EINTR) break;
        if (pr > 0 && (p.revents & (POLLERR | POLLNVAL | POLLHUP))) hungUp = true;
    }
    // What arrived before a failure is still handed over.
    if (!got.empty()) buffer = got;
    if (failed) return fail(3, "Read ReadFile");
    if (got.empty()) return true;
    if (got.size() < wanted) return fail(3, "Read Mem2String");
    return true;
}

bool SERIALMT::FLUSH() {
    if (hPort < 0 || tcflush(hPort, TCIOFLUSH) != 0) return fail(5, "PurgeComm");
    return true;
}

bool SERIALMT::CLOSE() {
    if (hPort < 0) {
        lOpen = false;
        return true;
    }
    if (lEventsOn) DISABLEEVENTS();
    // A device that hung up (an unplugged adapter) refuses the purge for ever; its handle is
    // released all the same, or the port could never be closed and its descriptor would leak.
    const bool purged = tcflush(hPort, TCIOFLUSH) == 0;
    const int fd = hPort;
    hPort = -1;
    lOpen = false;
    // The descriptor is gone after close() whatever it reports.
    if (!releasePort(fd)) return fail(6, "CloseHandle");
    if (!purged) return fail(6, "PurgeComm");
    return true;
}

std::vector<std::string> SERIALMT::FINDALLPORTS() {
    // Probed through a handle of its own: a port this object holds stays open with its
    // unread bytes (and, held, is not listed).
    std::vector<std::string> out;
    SERIALMT probe;
    for (int n = 1; n <= 256; ++n) {
        const std::string name = "COM" + std::to_string(n);
        if (probe.OPEN(rt::Value(name))) {
            out.push_back(name);
            probe.CLOSE();
        }
    }
    wErrorCode = probe.wErrorCode;
    cErrorDesc = probe.cErrorDesc;
    return out;
}

int SERIALMT::GETERROR(std::string& text) {
    const int code = wErrorCode;
    text = cErrorDesc;
    clearError();
    return code;
}

bool SERIALMT::ENABLEEVENTS(const rt::Value& mask) {
    if (lEventsOn || !pEventBlock) return false;
    joinWorker();  // a worker that ended by itself before
    SerialEventBlock* b = pEventBlock.get();
    if (b->wakeRead < 0) {
        int p[2];
        if (pipe2(p, O_NONBLOCK | O_CLOEXEC) != 0) return fail(8, "CreateThread");
        b->wakeRead = p[0], b->wakeWrite = p[1];
    }
    if (!b->poster) {
        b->poster = new SerialPoster();
    }
    b->poster->owner = hOwner;
    b->port = hPort;
    b->mask = asU32(mask, 0);
    b->stop = false;
    b->ended = false;
    b->txPending = false;
    try {
        worker_ = std::thread(commWatchProc, b);
    } catch (...) {
        b->ended = true;
        return fail(8, "CreateThread");
    }
    lEventsOn = true;
    return true;
}

bool SERIALMT::DISABLEEVENTS() {
    if (!lEventsOn) return true;
    SerialEventBlock* b = pEventBlock.get();
    b->stop = true;
    // Clearing the mask: only possible on an open port; it ends the worker's wait.
    if (hPort < 0 || fcntl(hPort, F_GETFD) < 0) return fail(8, "SetCommMask");
    b->mask = 0;
    wakeWorker();
    joinWorker();
    lEventsOn = false;
    return true;
}

void SERIALMT::wakeWorker() {
    const char c = 1;
    if (pEventBlock && pEventBlock->wakeWrite >= 0) (void)!::write(pEventBlock->wakeWrite, &c, 1);
}

void SERIALMT::joinWorker() {
    if (worker_.joinable()) worker_.join();
}

uint32_t SERIALMT::PENDING() const {
    if (hPort < 0) return 0;
    int n = 0;
    if (ioctl(hPort, FIONREAD, &n) != 0) return 0;
    return static_cast<uint32_t>(n);
}

void SERIALMT::DESTROY() {
    if (destroyed_) return;
    destroyed_ = true;
    if (hPort >= 0) CLOSE();
    // A worker that could not be stopped through the port (none open) still ends: it only
    // runs while a port is open, and the stop request ends its loop.
    if (pEventBlock) {
        pEventBlock->stop = true;
        wakeWorker();
    }
    joinWorker();
    lEventsOn = false;
    if (pEventBlock) {
        if (pEventBlock->wakeRead >= 0) ::close(pEventBlock->wakeRead);
        if (pEventBlock->wakeWrite >= 0) ::close(pEventBlock->wakeWrite);
        // Notifications already queued for the poster are dropped with it.
        if (pEventBlock->poster) pEventBlock->poster->deleteLater();
        pEventBlock.reset();
    }
    aBaudRates.clear(), aByteSizes.clear(), aParities.clear(), aStopBits.clear();
}

}  // namespace widgets
