#include "platform/gui/application.h"

#include <time.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLibraryInfo>
#include <QPointer>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <QTimer>
#include <QTranslator>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/win/sound.h"

namespace gui {

namespace {
APPLICATION* g_app = nullptr;

struct PumpState {
    PumpClock clock;
    std::optional<std::chrono::steady_clock::time_point> last;
    uint64_t runs = 0;
};
PumpState& pump() {
    static PumpState s;
    return s;
}

struct ThreadTimers {
    std::map<unsigned, QPointer<QTimer>> timers;
    unsigned next = 1;
};
ThreadTimers& threadTimers() {
    static ThreadTimers t;
    return t;
}

}  // namespace

APPLICATION::APPLICATION() { g_app = this; }
APPLICATION::~APPLICATION() {
    if (g_app == this) g_app = nullptr;
}
APPLICATION* APPLICATION::instance() { return g_app; }

void APPLICATION::EXEC() {
    if (quit_ || !QCoreApplication::instance()) return;
    QEventLoop loop;
    while (!quit_) loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void APPLICATION::QUIT() {
    quit_ = true;
    // Wake a loop that waits for events.
    if (QCoreApplication::instance()) QTimer::singleShot(0, QCoreApplication::instance(), [] {});
}

long APPLICATION::RUN(const std::string& commandLine) {
    QStringList parts = QProcess::splitCommand(QString::fromStdString(commandLine));
    if (parts.isEmpty()) return 2;
    QString program = parts.takeFirst();
    return QProcess::startDetached(program, parts) ? 33 : 2;
}

namespace {
// The loops call the pump for every record: the coarse clock (a few milliseconds fine, ample
// for a 10 ms throttle) costs a memory read where the fine one may cost a trap to the host.
std::chrono::steady_clock::time_point pumpNow() {
    timespec ts;
    if (::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts) != 0) return std::chrono::steady_clock::now();
    return std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::seconds(ts.tv_sec) +
                                                                        std::chrono::nanoseconds(ts.tv_nsec)));
}
}  // namespace

void APPLICATIONEXEC(int) {
    PumpState& s = pump();
    auto now = s.clock ? s.clock() : pumpNow();
    if (s.last && now - *s.last < kPumpInterval) return;
    ++s.runs;
    if (QCoreApplication::instance()) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    s.last = s.clock ? s.clock() : pumpNow();
}

void setPumpClock(PumpClock clock) {
    pump().clock = std::move(clock);
    pump().last.reset();
}

uint64_t pumpRuns() { return pump().runs; }
void resetPumpThrottle() { pump().last.reset(); }

unsigned SetThreadTimer(unsigned intervalMs, std::function<void()> proc) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !proc) return 0;
    // SetTimer's own range: shorter intervals tick at its smallest, longer ones at its largest.
    intervalMs = std::clamp(intervalMs, 10u, 0x7FFFFFFFu);
    ThreadTimers& t = threadTimers();
    // Ids are 16-bit: the first free one from where the last search stopped.
    unsigned id = 0;
    for (unsigned i = 0; i < 65535; ++i) {
        unsigned cand = t.next;
        t.next = t.next >= 65535 ? 1 : t.next + 1;
        auto it = t.timers.find(cand);
        if (it == t.timers.end() || it->second.isNull()) {
            id = cand;
            break;
        }
    }
    if (id == 0) return 0;
    auto* timer = new QTimer(app);  // the application deletes timers still running at exit
    timer->setInterval(int(intervalMs));
    QObject::connect(timer, &QTimer::timeout, timer, [proc = std::move(proc)] { proc(); });
    timer->start();
    t.timers[id] = timer;
    return id;
}

bool KillThreadTimer(unsigned id) {
    ThreadTimers& t = threadTimers();
    auto it = t.timers.find(id);
    if (it == t.timers.end()) return false;
    QPointer<QTimer> timer = it->second;
    t.timers.erase(it);
    if (timer.isNull()) return false;
    timer->stop();
    timer->deleteLater();
    return true;
}

unsigned threadTimerInterval(unsigned id) {
    ThreadTimers& t = threadTimers();
    auto it = t.timers.find(id);
    if (it == t.timers.end() || it->second.isNull()) return 0;
    return unsigned(it->second->interval());
}

bool setQtLanguage(const std::string& language) {
    static std::vector<std::unique_ptr<QTranslator>> installed;
    static std::string current;
    if (!QCoreApplication::instance()) return false;
    if (language == current) return language != "de" || !installed.empty();
    for (auto& t : installed) QCoreApplication::removeTranslator(t.get());
    installed.clear();
    current = language;
    if (language != "de") return true;
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* catalog : {"qtbase_", "qt_"}) {
        auto t = std::make_unique<QTranslator>();
        if (!t->load(QString::fromLatin1(catalog) + QString::fromStdString(language), dir)) continue;
        QCoreApplication::installTranslator(t.get());
        installed.push_back(std::move(t));
    }
    return !installed.empty();
}

void MessageBeep(uint32_t type) {
    switch (type) {
    case 0x10: win::PlaySoundA("SystemHand"); break;
    case 0x30: win::PlaySoundA("SystemExclamation"); break;
    case 0x40: win::PlaySoundA("SystemAsterisk"); break;
    default: win::Tone(0, 0); break;
    }
}

}  // namespace gui
