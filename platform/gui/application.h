#pragma once
// The application object, the event pump and window-less timers.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace gui {

// The application object of the class library. The program derives its own and gives it a
// START method; EXEC runs the event loop until QUIT.
class APPLICATION {
public:
    APPLICATION();
    virtual ~APPLICATION();
    static APPLICATION* instance();  // the current application object, null before one exists

    virtual void START() {}
    // Runs the event loop until QUIT is called; returns at once when QUIT came before.
    void EXEC();
    void QUIT();
    bool quitRequested() const { return quit_; }
    // Starts a command line ("program arguments") detached. Returns a number that counts as
    // success when it is 1 or above 32 (33 here), and 2 when the program could not be
    // started.
    long RUN(const std::string& commandLine);

private:
    bool quit_ = false;
};

// The event pump of record loops: processes every pending event of the GUI thread (timers,
// painting, clicks) and returns. A tight loop may call it once per record: a call within
// about 10 ms of the last run returns at once, so the pump costs a clock read there.
// `mode` is the class library's argument (1: process pending events); it is not used.
void APPLICATIONEXEC(int mode = 1);

// The throttle of APPLICATIONEXEC, with an injectable clock for tests.
using PumpClock = std::function<std::chrono::steady_clock::time_point()>;
void setPumpClock(PumpClock clock);  // an empty function restores the steady clock
inline constexpr std::chrono::milliseconds kPumpInterval{10};
// How often APPLICATIONEXEC really processed events since the process started.
uint64_t pumpRuns();
// Forgets the time of the last run, so the next APPLICATIONEXEC processes events.
void resetPumpThrottle();

// Window-less timers of the GUI thread (SetTimer without a window): `proc` runs every
// intervalMs milliseconds while events are processed, held to 10 ms .. 2^31-1 ms as SetTimer
// holds it. Returns the timer's id (1..65535), 0 when it could not be started (no application
// instance, or no free id).
unsigned SetThreadTimer(unsigned intervalMs, std::function<void()> proc);
// Stops a timer; FALSE when no such timer runs.
bool KillThreadTimer(unsigned id);
// The interval of a running thread timer, 0 when none runs under that id.
unsigned threadTimerInterval(unsigned id);

// Qt's own texts (standard buttons, file and font dialogs) in a language: "de" installs Qt's
// German translations, any other language removes them, so Qt speaks English. Returns
// whether Qt's texts are now in that language (false when its translations are missing).
bool setQtLanguage(const std::string& language);

// MessageBeep of the class library. It goes through the one sound sink of the system
// (win::SetSoundSink): all bits set or 0 is the simple beep ("bell"), the icon kinds
// 0x10, 0x30 and 0x40 are the error, warning and information sounds.
void MessageBeep(uint32_t type);

}  // namespace gui
