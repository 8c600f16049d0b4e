#pragma once
// One serial port for an application: opened with validated line settings, time-outs and
// queue sizes; reads, writes, purges, closes, lists the ports that open, and keeps the last
// error as a code and a short English text. An optional worker thread tells an owner window
// of received characters and of an emptied transmit buffer by posting the message 0x44 to
// its DISPATCH (queued onto the GUI thread).
//
// Port names are "COM1" to "COM256". On this system COMn is the terminal device
// /dev/ttyS(n-1) unless mapSerialPort gave it another device (a USB adapter such as
// /dev/ttyUSB0, or a pseudo-terminal). A device that cannot be opened as a terminal counts
// as a port that does not exist. The port is always put in raw (binary) mode.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "platform/runtime/value.h"


namespace gui {
class GUIOBJECT;
}

namespace widgets {

inline constexpr uint32_t WM_COMMNOTIFY = 0x44;
inline constexpr uint32_t EV_RXCHAR = 0x0001;
inline constexpr uint32_t EV_TXEMPTY = 0x0004;

// The device of port COMn (1..256); an empty path restores the default.
void mapSerialPort(int n, const std::string& devicePath);
std::string serialDevicePath(int n);

// Lives on the GUI thread and delivers the worker's notifications to the owner window, which
// it follows with a guarded pointer.
struct SerialPoster : QObject {
    QPointer<QWidget> owner;
};

// The block the object shares with its worker thread.
struct SerialEventBlock {
    int port = -1;
    std::atomic<uint32_t> mask{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> ended{true};
    std::atomic<bool> txPending{false};
    int wakeRead = -1;   // a pipe that ends a pending wait: a stop, a cleared mask, a write
    int wakeWrite = -1;
    SerialPoster* poster = nullptr;
};

class SERIALMT {
public:
    explicit SERIALMT(gui::GUIOBJECT* owner = nullptr);
    ~SERIALMT();  // DESTROY when the owner did not call it
    SERIALMT(const SERIALMT&) = delete;
    SERIALMT& operator=(const SERIALMT&) = delete;

    bool OPEN(const rt::Value& port = rt::Value(), const rt::Value& baud = rt::Value(),
              const rt::Value& byteSize = rt::Value(), const rt::Value& parity = rt::Value(),
              const rt::Value& stopBits = rt::Value(), const rt::Value& readInterval = rt::Value(),
              const rt::Value& readPerByte = rt::Value(), const rt::Value& readConstant = rt::Value(),
              const rt::Value& writePerByte = rt::Value(), const rt::Value& writeConstant = rt::Value(),
              const rt::Value& inQueue = rt::Value(), const rt::Value& outQueue = rt::Value());
    bool SETPROTOKOL(const rt::Value& baud = rt::Value(), const rt::Value& byteSize = rt::Value(),
                     const rt::Value& parity = rt::Value(), const rt::Value& stopBits = rt::Value());
    bool SETTIMEOUT(const rt::Value& readInterval = rt::Value(), const rt::Value& readPerByte = rt::Value(),
                    const rt::Value& readConstant = rt::Value(), const rt::Value& writePerByte = rt::Value(),
                    const rt::Value& writeConstant = rt::Value());
    bool SETBUFFERSIZE(const rt::Value& inQueue = rt::Value(), const rt::Value& outQueue = rt::Value());
    bool WRITE(const rt::Value& data);
    // Reads up to `count` bytes (default 1) into `buffer`; nothing arriving within the read
    // time-outs leaves `buffer` unchanged and is no failure.
    bool READ(std::string& buffer, const rt::Value& count = rt::Value());
    bool FLUSH();
    // Releases the port also when the purge fails (a device that hung up); FALSE then, with
    // code 6 "PurgeComm".
    bool CLOSE();
    // The ports that open, probed through a handle of their own; the port this object holds
    // is not touched.
    std::vector<std::string> FINDALLPORTS();
    int GETERROR(std::string& text);
    void DESTROY();

    bool ENABLEEVENTS(const rt::Value& mask);
    bool DISABLEEVENTS();

    bool ISOPEN() const { return lOpen; }
    bool ISWRITING() const { return lWriting; }
    const std::string& ERRORDESC() const { return cErrorDesc; }
    std::string ERRORCODE() const { return std::to_string(wErrorCode); }
    uint32_t PENDING() const;

    // The settings in force (for tests and diagnostics).
    int fd() const { return hPort; }
    uint32_t inQueue() const { return inQueue_; }
    uint32_t outQueue() const { return outQueue_; }
    const uint32_t* timeouts() const { return timeouts_; }
    bool eventsOn() const { return lEventsOn; }

private:
    void clearError() { wErrorCode = 0, cErrorDesc.clear(); }
    bool fail(uint16_t code, const char* text) {
        wErrorCode = code, cErrorDesc = text;
        return false;
    }
    bool applyLine(uint32_t baud, int byteSize, int parity, int stopBits, const char* getText, const char* setText,
                   uint16_t code);
    static bool valid(const std::vector<int>& allowed, const rt::Value& v, int def, int& out);
    void wakeWorker();
    void joinWorker();

    std::unique_ptr<SerialEventBlock> pEventBlock;
    uint32_t timeouts_[5] = {0, 5, 100, 5, 100};
    int hPort = -1;
    QPointer<QWidget> hOwner;
    bool lEventsOn = false;
    bool lOpen = false;
    bool lWriting = false;
    uint16_t wErrorCode = 0;
    std::string cErrorDesc;
    std::vector<int> aBaudRates, aByteSizes, aParities, aStopBits;
    uint32_t inQueue_ = 1024, outQueue_ = 1024;
    std::thread worker_;
    bool destroyed_ = false;
};

}  // namespace widgets
