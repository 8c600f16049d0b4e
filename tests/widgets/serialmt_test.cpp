// The serial port and its event thread, over pseudo-terminals standing in for COM ports.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/gui/dialogs.h"
#include "platform/gui/window.h"
#include "test_env.h"
#include "widgets/serialmt.h"

using namespace widgets;

namespace {

// How long a test waits for a condition before it counts as never met: long, because a
// loaded machine may delay the worker thread, and a met condition ends the wait at once.
constexpr int kPatience = 30000;

// One pseudo-terminal pair; the slave is mapped as port COMn while the object lives.
struct Pty {
    int master = -1;
    int n = 0;
    explicit Pty(int port) : n(port) {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        mapSerialPort(n, ptsname(master));
    }
    ~Pty() {
        mapSerialPort(n, "");
        if (master >= 0) close(master);
    }
    bool ok() const { return master >= 0; }
    void send(const std::string& s) const { ASSERT_EQ(write(master, s.data(), s.size()), ssize_t(s.size())); }
    std::string receive(size_t want) const {
        std::string out;
        QDeadlineTimer deadline(kPatience);
        while (out.size() < want && !deadline.hasExpired()) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 10) > 0) {
                char buf[256];
                const ssize_t r = read(master, buf, sizeof buf);
                if (r > 0) out.append(buf, size_t(r));
            }
        }
        return out;
    }
    // The peer hangs up, as an unplugged adapter does.
    void hangUp() {
        close(master);
        master = -1;
    }
};

// A peer that answers every request of `request` bytes at once with `reply` bytes: "A", the
// number of the request in five digits, and as many "." as the length asks for.
class AnsweringPeer {
public:
    AnsweringPeer(const Pty& pty, size_t request, size_t reply)
        : thread_([this, master = pty.master, request, reply] {
              std::string in;
              int answered = 0;
              while (!stop_) {
                  pollfd p{master, POLLIN, 0};
                  if (poll(&p, 1, 20) <= 0) continue;
                  char buf[256];
                  const ssize_t r = read(master, buf, sizeof buf);
                  if (r <= 0) break;
                  in.append(buf, size_t(r));
                  for (; in.size() >= request; in.erase(0, request)) {
                      std::string answer = std::to_string(100000 + answered++);
                      answer[0] = 'A';
                      answer.resize(reply, '.');
                      if (write(master, answer.data(), answer.size()) != ssize_t(answer.size())) return;
                  }
              }
          }) {}
    ~AnsweringPeer() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Runs the GUI thread's events until the condition holds; FALSE when it never did.
bool waitUntil(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(kPatience);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return true;
}

int openDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

// Every port not mapped by a test is a device that does not exist.
struct NoPorts {
    NoPorts() {
        for (int n = 1; n <= 256; ++n) mapSerialPort(n, "/nonexistent/serial-" + std::to_string(n));
    }
    ~NoPorts() {
        for (int n = 1; n <= 256; ++n) mapSerialPort(n, "");
    }
};

class Owner : public gui::TOPAPPWINDOW {
public:
    std::vector<std::pair<uintptr_t, intptr_t>> notes;
    intptr_t DISPATCH(gui::Event& e) override {
        if (e.MESSAGE() == WM_COMMNOTIFY) notes.emplace_back(e.WPARAM(), e.LPARAM());
        return gui::TOPAPPWINDOW::DISPATCH(e);
    }
    int count(uintptr_t wParam) const {
        return int(std::count_if(notes.begin(), notes.end(), [&](const auto& n) { return n.first == wParam; }));
    }
    bool waitFor(uintptr_t wParam, int times = 1) {
        return waitUntil([&] { return count(wParam) >= times; });
    }
};

struct Runner {
    gui::ModalRunner previous;
    std::vector<gui::ModalRequest> shown;
    Runner() {
        previous = gui::setModalRunner([this](const gui::ModalRequest& r) -> intptr_t {
            shown.push_back(r);
            return gui::BOXREPLYOK;
        });
    }
    ~Runner() { gui::setModalRunner(previous); }
};

const rt::Value NIL;

}  // namespace

TEST(SerialPort, NamesAndSettingsAreValidatedBeforeTheDevice) {
    NoPorts none;
    Pty p5(5), p7(7), p100(100);
    ASSERT_TRUE(p5.ok() && p7.ok() && p100.ok());
    struct Case {
        rt::Value name, baud, bits, parity, stop;
        bool ok;
        std::string error;
    } cases[] = {
        {rt::Value("  com5 "), NIL, NIL, NIL, NIL, true, ""},
        {rt::Value("com007"), NIL, NIL, NIL, NIL, true, ""},
        {rt::Value("COM1000"), NIL, NIL, NIL, NIL, true, ""},  // cut to COM100
        {rt::Value("COM0"), NIL, NIL, NIL, NIL, false, "Open Port"},
        {rt::Value("COM257"), NIL, NIL, NIL, NIL, false, "Open Port"},
        {rt::Value("COM"), NIL, NIL, NIL, NIL, false, "Open Port"},
        {rt::Value("LPT1"), NIL, NIL, NIL, NIL, false, "Open Port"},
        {rt::Value("COM1X"), NIL, NIL, NIL, NIL, false, "Open Port"},
        {rt::Value(5), NIL, NIL, NIL, NIL, false, "Open CreateFile"},  // not a name: COM1
        {rt::Value("COM5"), rt::Value(38400), NIL, NIL, NIL, false, "Open Baudrate"},
        {rt::Value("COM5"), NIL, rt::Value(6), NIL, NIL, false, "Open ByteSize"},
        {rt::Value("COM5"), NIL, NIL, rt::Value(5), NIL, false, "Open Parity"},
        {rt::Value("COM5"), NIL, NIL, NIL, rt::Value(1), false, "Open StopBits"},
        {rt::Value("COM9"), NIL, NIL, NIL, NIL, false, "Open CreateFile"},
    };
    for (const Case& c : cases) {
        SERIALMT port;
        EXPECT_EQ(port.OPEN(c.name, c.baud, c.bits, c.parity, c.stop), c.ok) << c.error;
        EXPECT_EQ(port.ISOPEN(), c.ok);
        EXPECT_EQ(port.ERRORDESC(), c.error);
        EXPECT_EQ(port.ERRORCODE(), c.ok ? "0" : "2");
        EXPECT_TRUE(port.CLOSE());
    }
    // Queue sizes: at least 16; a negative size means 1024.
    SERIALMT port;
    ASSERT_TRUE(port.OPEN(rt::Value("COM5"), NIL, NIL, NIL, NIL, NIL, NIL, NIL, NIL, NIL, rt::Value(0), rt::Value(-5)));
    EXPECT_EQ(port.inQueue(), 16u);
    EXPECT_EQ(port.outQueue(), 1024u);
    // A second OPEN releases the port held before, so the device can be opened again.
    EXPECT_TRUE(port.OPEN(rt::Value("COM5")));
}

TEST(SerialPort, ErrorsOfAClosedPortAndGetError) {
    SERIALMT port;
    EXPECT_EQ(port.PENDING(), 0u);
    struct Case {
        std::function<bool()> call;
        std::string code, text;
    } cases[] = {
        {[&] { return port.SETPROTOKOL(rt::Value(600)); }, "9", "SetProtokol Baudrate"},
        {[&] { return port.SETPROTOKOL(NIL, NIL, NIL, rt::Value(1)); }, "9", "SetProtokol StopBits"},
        {[&] { return port.SETPROTOKOL(); }, "9", "SetProtokol Port not open"},
        {[&] { return port.SETTIMEOUT(); }, "10", "SetTimeOut Port not open"},
        {[&] { return port.SETBUFFERSIZE(); }, "11", "setBufferSize Port not open"},
        {[&] { return port.FLUSH(); }, "5", "PurgeComm"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(c.call()) << c.text;
        EXPECT_EQ(port.ERRORCODE(), c.code);
        EXPECT_EQ(port.ERRORDESC(), c.text);
    }
    // CLOSE of a closed port succeeds and leaves the error as it was.
    EXPECT_TRUE(port.CLOSE());
    std::string text;
    EXPECT_EQ(port.GETERROR(text), 5);
    EXPECT_EQ(text, "PurgeComm");
    EXPECT_EQ(port.GETERROR(text), 0);
    EXPECT_EQ(text, "");
}

TEST(SerialPort, SettingsWriteAndReadOverAPty) {
    Pty pty(3);
    ASSERT_TRUE(pty.ok());
    SERIALMT port;
    ASSERT_TRUE(port.OPEN(rt::Value("COM3")));
    ASSERT_TRUE(port.SETPROTOKOL(rt::Value(19200), rt::Value(7), rt::Value(2), rt::Value(2)));
    termios t{};
    ASSERT_EQ(tcgetattr(port.fd(), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
    // (A pseudo-terminal keeps 8 data bits without parity whatever it is told.)
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));  // binary: no line editing, no echo

    EXPECT_TRUE(port.WRITE(rt::Value("hello\r\n")));
    EXPECT_EQ(pty.receive(7), "hello\r\n");
    EXPECT_TRUE(port.WRITE(rt::Value("")));
    EXPECT_FALSE(port.ISWRITING());

    ASSERT_TRUE(port.SETTIMEOUT(rt::Value(0), rt::Value(5), rt::Value(200)));
    std::string buf = "old";
    pty.send("abcd");
    EXPECT_TRUE(port.READ(buf, rt::Value(4)));
    EXPECT_EQ(buf, "abcd");
    EXPECT_EQ(port.PENDING(), 0u);
    // Fewer bytes than asked: delivered, but reported.
    pty.send("wxyz");
    EXPECT_FALSE(port.READ(buf, rt::Value(10)));
    EXPECT_EQ(buf, "wxyz");
    EXPECT_EQ(port.ERRORDESC(), "Read Mem2String");
    EXPECT_EQ(port.ERRORCODE(), "3");
    // Nothing at all: the buffer keeps its value and the call succeeds.
    EXPECT_TRUE(port.READ(buf, rt::Value(2)));
    EXPECT_EQ(buf, "wxyz");
    // Count 0 reads nothing.
    pty.send("q");
    EXPECT_TRUE(port.READ(buf, rt::Value(0)));
    EXPECT_EQ(buf, "wxyz");
    EXPECT_TRUE(port.FLUSH());
    EXPECT_TRUE(port.CLOSE());
    EXPECT_FALSE(port.ISOPEN());
    EXPECT_EQ(port.fd(), -1);
}

TEST(SerialPort, FindAllPortsListsThoseThatOpenAndLeavesNoneOpen) {
    NoPorts none;
    Pty a(3), b(12);
    ASSERT_TRUE(a.ok() && b.ok());
    SERIALMT port;
    EXPECT_EQ(port.FINDALLPORTS(), (std::vector<std::string>{"COM3", "COM12"}));
    EXPECT_FALSE(port.ISOPEN());
    // Both can be opened again, so neither was left held.
    SERIALMT again;
    EXPECT_TRUE(again.OPEN(rt::Value("COM3")));
    EXPECT_TRUE(again.OPEN(rt::Value("COM12")));
}

TEST(SerialEvents, WorkerPostsReceivedAndEmptiedNotifications) {
    Pty pty(4);
    ASSERT_TRUE(pty.ok());
    Owner owner;
    SERIALMT port(&owner);
    EXPECT_TRUE(port.DISABLEEVENTS());  // not running: nothing to stop
    ASSERT_TRUE(port.OPEN(rt::Value("COM4")));
    EXPECT_TRUE(port.ENABLEEVENTS(rt::Value(EV_RXCHAR | EV_TXEMPTY)));
    EXPECT_FALSE(port.ENABLEEVENTS(rt::Value(EV_RXCHAR)));  // one worker only
    EXPECT_EQ(port.ERRORCODE(), "0");

    pty.send("x");
    ASSERT_TRUE(owner.waitFor(1));
    for (auto& n : owner.notes) EXPECT_EQ(n.second, 0);
    std::string buf;
    EXPECT_TRUE(port.READ(buf, rt::Value(1)));
    EXPECT_EQ(buf, "x");

    owner.notes.clear();
    ASSERT_TRUE(port.WRITE(rt::Value("y")));
    EXPECT_EQ(pty.receive(1), "y");
    ASSERT_TRUE(owner.waitFor(4));

    // CLOSE stops the worker first; a new OPEN can start a new one.
    EXPECT_TRUE(port.CLOSE());
    EXPECT_FALSE(port.eventsOn());
    ASSERT_TRUE(port.OPEN(rt::Value("COM4")));
    EXPECT_TRUE(port.ENABLEEVENTS(rt::Value(EV_RXCHAR)));
    owner.notes.clear();
    pty.send("z");
    EXPECT_TRUE(owner.waitFor(1));
    EXPECT_TRUE(port.DISABLEEVENTS());
    EXPECT_TRUE(port.ISOPEN());
    // DESTROY with a running worker ends it before releasing anything.
    EXPECT_TRUE(port.ENABLEEVENTS(rt::Value(EV_RXCHAR)));
    port.DESTROY();
    EXPECT_FALSE(port.ISOPEN());
    EXPECT_FALSE(port.eventsOn());
}

TEST(SerialEvents, WorkerWithoutAPortShowsItsMessageAndStoppingFails) {
    Runner runner;
    Owner owner;
    SERIALMT port(&owner);
    EXPECT_TRUE(port.ENABLEEVENTS(rt::Value(EV_RXCHAR)));
    for (int i = 0; i < 400 && runner.shown.empty(); ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    ASSERT_EQ(runner.shown.size(), 1u);
    EXPECT_EQ(runner.shown[0].text, "SetCommMask failed!");
    EXPECT_EQ(runner.shown[0].caption, "CommWatchProc Error");
    EXPECT_EQ(runner.shown[0].style, 0);
    EXPECT_FALSE(port.DISABLEEVENTS());
    EXPECT_EQ(port.ERRORCODE(), "8");
    EXPECT_EQ(port.ERRORDESC(), "SetCommMask");
    EXPECT_TRUE(owner.notes.empty());
    port.DESTROY();  // the worker has ended by itself; nothing hangs
}

TEST(SerialPort, AHeldPortIsRefusedAndKeepsItsReceivedBytes) {
    NoPorts none;
    Pty pty(5);
    ASSERT_TRUE(pty.ok());
    SERIALMT holder;
    ASSERT_TRUE(holder.OPEN(rt::Value("COM5")));
    pty.send("kept");
    for (int i = 0; i < 100 && holder.PENDING() < 4; ++i) QThread::msleep(2);
    // Neither a second open nor a port search may take the port (and flush its input), even
    // for a process running as root.
    SERIALMT other;
    EXPECT_FALSE(other.OPEN(rt::Value("COM5")));
    EXPECT_EQ(other.ERRORDESC(), "Open CreateFile");
    EXPECT_TRUE(other.FINDALLPORTS().empty());
    std::string buf;
    ASSERT_TRUE(holder.SETTIMEOUT(rt::Value(0), rt::Value(5), rt::Value(200)));
    EXPECT_TRUE(holder.READ(buf, rt::Value(4)));
    EXPECT_EQ(buf, "kept");
    // Once released, the port opens again.
    EXPECT_TRUE(holder.CLOSE());
    EXPECT_TRUE(other.OPEN(rt::Value("COM5")));
}

TEST(SerialPort, HangUpDuringReadIsAnErrorAndWriteWaitsAsItsTimeOutsSay) {
    {
        Pty pty(6);
        ASSERT_TRUE(pty.ok());
        SERIALMT port;
        ASSERT_TRUE(port.OPEN(rt::Value("COM6")));
        ASSERT_TRUE(port.SETTIMEOUT(rt::Value(0), rt::Value(0), rt::Value(5000)));
        close(pty.master);
        pty.master = -1;
        std::string buf = "old";
        EXPECT_FALSE(port.READ(buf, rt::Value(4)));
        EXPECT_EQ(port.ERRORCODE(), "3");
        EXPECT_EQ(buf, "old");
    }
    // Write time-outs 0 and 0: the write waits for a slow reader however long it takes,
    // longer than any built-in limit.
    Pty pty(7);
    ASSERT_TRUE(pty.ok());
    SERIALMT port;
    ASSERT_TRUE(port.OPEN(rt::Value("COM7")));
    ASSERT_TRUE(port.SETTIMEOUT(rt::Value(0), rt::Value(0), rt::Value(0), rt::Value(0), rt::Value(0)));
    const std::string block(256 * 1024, 'w');
    std::string drained;
    std::thread reader([&] {
        QThread::msleep(1300);
        char buf[65536];
        while (drained.size() < block.size()) {
            pollfd p{pty.master, POLLIN, 0};
            if (poll(&p, 1, 2000) <= 0) break;
            const ssize_t r = read(pty.master, buf, sizeof buf);
            if (r <= 0) break;
            drained.append(buf, size_t(r));
        }
    });
    EXPECT_TRUE(port.WRITE(rt::Value(block)));
    reader.join();
    EXPECT_EQ(drained.size(), block.size());
    // A short constant time-out gives up on a reader that never comes.
    ASSERT_TRUE(port.SETTIMEOUT(rt::Value(0), rt::Value(0), rt::Value(0), rt::Value(0), rt::Value(50)));
    EXPECT_FALSE(port.WRITE(rt::Value(block)));
    EXPECT_EQ(port.ERRORDESC(), "Write incomplete");
}

TEST(SerialEvents, OwnerDestroyedWhileNotificationsAreQueued) {
    Pty pty(8);
    ASSERT_TRUE(pty.ok());
    static int delivered = 0;
    struct Counting : Owner {
        intptr_t DISPATCH(gui::Event& e) override {
            if (e.MESSAGE() == WM_COMMNOTIFY) ++delivered;
            return Owner::DISPATCH(e);
        }
    };
    auto owner = std::make_unique<Counting>();
    SERIALMT port(owner.get());
    ASSERT_TRUE(port.OPEN(rt::Value("COM8")));
    ASSERT_TRUE(port.ENABLEEVENTS(rt::Value(EV_RXCHAR)));
    pty.send("abc");
    // Let the worker post without delivering, then take the owner away.
    for (int i = 0; i < 100 && port.PENDING() < 3; ++i) QThread::msleep(2);
    QThread::msleep(50);
    owner.reset();
    delivered = 0;
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
    EXPECT_TRUE(port.DISABLEEVENTS());
}

TEST(SerialEvents, ARequestResponseConversationIsNotifiedReplyByReply) {
    // The owner answers every notification of received data by reading what is there and,
    // for each complete reply, writing the next request; the peer answers each at once, so
    // a reply may arrive right after the owner read the one before.
    constexpr size_t kRequest = 4, kReply = 8;
    constexpr int kExchanges = 40;
    Pty pty(13);
    ASSERT_TRUE(pty.ok());
    AnsweringPeer peer(pty, kRequest, kReply);
    struct Talker : Owner {
        SERIALMT* port = nullptr;
        std::string received;
        std::vector<std::string> replies;
        bool writesOk = true;
        intptr_t DISPATCH(gui::Event& e) override {
            if (e.MESSAGE() == WM_COMMNOTIFY && e.WPARAM() == 1) {
                std::string got;
                const uint32_t pending = port->PENDING();
                if (pending > 0 && port->READ(got, rt::Value(double(pending)))) received += got;
                for (; received.size() >= kReply; received.erase(0, kReply)) {
                    replies.push_back(received.substr(0, kReply));
                    if (replies.size() < size_t(kExchanges)) writesOk &= port->WRITE(rt::Value("REQ?"));
                }
            }
            return Owner::DISPATCH(e);
        }
    } owner;
    SERIALMT port(&owner);
    owner.port = &port;
    ASSERT_TRUE(port.OPEN(rt::Value("COM13")));
    ASSERT_TRUE(port.ENABLEEVENTS(rt::Value(EV_RXCHAR | EV_TXEMPTY)));
    ASSERT_TRUE(port.WRITE(rt::Value("REQ?")));
    EXPECT_TRUE(waitUntil([&] { return owner.replies.size() >= size_t(kExchanges); }))
        << "stalled after " << owner.replies.size() << " replies";
    EXPECT_TRUE(owner.writesOk);
    ASSERT_EQ(owner.replies.size(), size_t(kExchanges));
    for (int i = 0; i < kExchanges; ++i) EXPECT_EQ(owner.replies[size_t(i)], "A" + std::to_string(i + 100000).substr(1) + "..");
    // Every write was followed by a transmit-empty notice (two close together may share one).
    EXPECT_TRUE(owner.waitFor(4));
    EXPECT_TRUE(port.CLOSE());
}

TEST(SerialEvents, AWriteIsToldWhenTheTransmitBufferHasRunEmpty) {
    for (const uint32_t mask : {EV_RXCHAR | EV_TXEMPTY, EV_TXEMPTY}) {
        Pty pty(14);
        ASSERT_TRUE(pty.ok());
        AnsweringPeer peer(pty, 4, 8);
        Owner owner;
        SERIALMT port(&owner);
        ASSERT_TRUE(port.OPEN(rt::Value("COM14")));
        ASSERT_TRUE(port.ENABLEEVENTS(rt::Value(mask)));
        // The worker is waiting for input (or, without the received-data mask, for nothing).
        ASSERT_TRUE(port.WRITE(rt::Value("ping")));
        EXPECT_TRUE(owner.waitFor(4)) << mask;
        // The peer's answer is there; a second write is told again.
        EXPECT_TRUE(waitUntil([&] { return port.PENDING() >= 8; }));
        ASSERT_TRUE(port.WRITE(rt::Value("pong")));
        EXPECT_TRUE(owner.waitFor(4, 2)) << mask;
        if (mask & EV_RXCHAR)
            EXPECT_TRUE(owner.waitFor(1));
        else
            EXPECT_EQ(owner.count(1), 0);  // received data is not watched
        EXPECT_TRUE(port.CLOSE());
    }
}

TEST(SerialPort, AfterThePeerHungUpThePortIsReleasedAndNoDescriptorLeaks) {
    Owner owner;
    const int before = openDescriptors();
    enum Ending { Close, OpenAnother, Destroy };
    for (const Ending ending : {Close, OpenAnother, Destroy}) {
        {
            Pty pty(15);
            ASSERT_TRUE(pty.ok());
            SERIALMT port(&owner);
            ASSERT_TRUE(port.OPEN(rt::Value("COM15")));
            ASSERT_TRUE(port.ENABLEEVENTS(rt::Value(EV_RXCHAR | EV_TXEMPTY)));
            pty.hangUp();
            if (ending == Close) {
                // The purge fails and is reported, but the port is closed.
                EXPECT_FALSE(port.CLOSE());
                EXPECT_EQ(port.ERRORCODE(), "6");
                EXPECT_EQ(port.ERRORDESC(), "PurgeComm");
                EXPECT_FALSE(port.ISOPEN());
                EXPECT_FALSE(port.eventsOn());
                EXPECT_EQ(port.fd(), -1);
                EXPECT_TRUE(port.CLOSE());
            } else if (ending == OpenAnother) {
                Pty next(16);
                ASSERT_TRUE(next.ok());
                EXPECT_TRUE(port.OPEN(rt::Value("COM16")));
                EXPECT_TRUE(port.ISOPEN());
                EXPECT_TRUE(port.ENABLEEVENTS(rt::Value(EV_RXCHAR)));
                next.send("n");
                EXPECT_TRUE(owner.waitFor(1));
                EXPECT_TRUE(port.CLOSE());
            } else {
                port.DESTROY();
                EXPECT_FALSE(port.ISOPEN());
            }
        }
        EXPECT_EQ(openDescriptors(), before) << "ending " << int(ending);
    }
}

TEST(SerialPort, FindAllPortsLeavesThePortItsObjectHoldsOpenWithItsBytes) {
    NoPorts none;
    Pty free3(3), held5(5);
    ASSERT_TRUE(free3.ok() && held5.ok());
    SERIALMT port;
    ASSERT_TRUE(port.OPEN(rt::Value("COM5")));
    held5.send("kept");
    ASSERT_TRUE(waitUntil([&] { return port.PENDING() >= 4; }));
    EXPECT_EQ(port.FINDALLPORTS(), std::vector<std::string>{"COM3"});
    EXPECT_EQ(port.ERRORDESC(), "Open CreateFile");  // the last probe's, COM256's
    EXPECT_TRUE(port.ISOPEN());
    std::string buf;
    ASSERT_TRUE(port.SETTIMEOUT(rt::Value(0), rt::Value(5), rt::Value(200)));
    EXPECT_TRUE(port.READ(buf, rt::Value(4)));
    EXPECT_EQ(buf, "kept");
    EXPECT_TRUE(port.WRITE(rt::Value("still")));
    EXPECT_EQ(held5.receive(5), "still");
}

namespace {
// Whether the terminal behind `path` is in exclusive mode, as a fresh handle sees it.
bool exclusive(const char* path) {
    const int fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return true;  // refused: as good as exclusive for whoever asks next
    int on = 0;
    const bool known = ioctl(fd, TIOCGEXCL, &on) == 0;
    close(fd);
    return !known || on != 0;
}
}  // namespace

TEST(SerialPort, AClosedOrProbedPortIsNotLeftExclusiveForTheNextUser) {
    // Root is not bound by the exclusive mode, so the mode itself is looked at: a user who
    // is not root cannot open a terminal left in it.
    NoPorts none;
    Pty pty(9), held(10);
    ASSERT_TRUE(pty.ok() && held.ok());
    const std::string path = ptsname(pty.master), heldPath = ptsname(held.master);
    SERIALMT port, holder;
    ASSERT_TRUE(holder.OPEN(rt::Value("COM10")));
    EXPECT_TRUE(exclusive(heldPath.c_str()));  // held: refused to others
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(port.OPEN(rt::Value("COM9")));
        EXPECT_TRUE(exclusive(path.c_str()));
        ASSERT_TRUE(port.CLOSE());
        EXPECT_FALSE(exclusive(path.c_str())) << "after CLOSE, round " << round;
    }
    ASSERT_TRUE(port.OPEN(rt::Value("COM9")));
    port.DESTROY();
    EXPECT_FALSE(exclusive(path.c_str())) << "after DESTROY";
    // The port search opens and closes every free port; a refused probe of a held one leaves
    // its holder's mode alone.
    EXPECT_EQ(port.FINDALLPORTS(), std::vector<std::string>{"COM9"});
    EXPECT_FALSE(exclusive(path.c_str())) << "after FINDALLPORTS";
    EXPECT_TRUE(exclusive(heldPath.c_str())) << "the holder's port";
}

TEST(SerialPort, AHangUpIsAnErrorInEveryReadMode) {
    struct Mode {
        const char* name;
        double interval, perByte, constant;
    };
    const Mode modes[] = {
        {"what is there", 4294967295.0, 0, 0},
        {"total time-out", 0, 0, 300},
        {"interval", 50, 0, 0},
    };
    for (const Mode& m : modes) {
        Pty pty(11);
        ASSERT_TRUE(pty.ok());
        SERIALMT port;
        ASSERT_TRUE(port.OPEN(rt::Value("COM11")));
        ASSERT_TRUE(port.SETTIMEOUT(rt::Value(m.interval), rt::Value(m.perByte), rt::Value(m.constant)));
        pty.hangUp();
        std::string buf = "old";
        EXPECT_FALSE(port.READ(buf, rt::Value(4))) << m.name;
        EXPECT_EQ(port.ERRORCODE(), "3") << m.name;
        EXPECT_EQ(port.ERRORDESC(), "Read ReadFile") << m.name;
        EXPECT_EQ(buf, "old") << m.name;
    }
    // A live line with nothing waiting is no error in the mode that gives what is there.
    Pty pty(11);
    ASSERT_TRUE(pty.ok());
    SERIALMT port;
    ASSERT_TRUE(port.OPEN(rt::Value("COM11")));
    ASSERT_TRUE(port.SETTIMEOUT(rt::Value(4294967295.0), rt::Value(0), rt::Value(0)));
    std::string buf = "old";
    EXPECT_TRUE(port.READ(buf, rt::Value(4)));
    EXPECT_EQ(buf, "old");
    pty.send("ab");
    ASSERT_TRUE(waitUntil([&] { return port.PENDING() >= 2; }));
    EXPECT_FALSE(port.READ(buf, rt::Value(4)));  // fewer than asked: delivered, and told
    EXPECT_EQ(buf, "ab");
    EXPECT_EQ(port.ERRORDESC(), "Read Mem2String");
}
