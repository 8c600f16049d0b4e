#include "platform/runtime/settings.h"

#include <atomic>
#include <mutex>

namespace rt {

namespace {
std::atomic<bool> gExclusive{false};
std::atomic<bool> gDeleted{true};
std::atomic<bool> gAnsi{true};
std::atomic<bool> gExact{false};
std::atomic<bool> gCentury{true};
std::atomic<int> gCountry{5};
std::atomic<bool> gAmPm{false};
std::atomic<int> gDecimalSep{'.'};
std::mutex gCollationMutex;
std::string& collation() {
    static std::string name = "WINDOWS";
    return name;
}
}  // namespace

void SetExclusive(bool on) { gExclusive = on; }
bool IsExclusive() { return gExclusive; }
void SetDeleted(bool on) { gDeleted = on; }
bool IsDeleted() { return gDeleted; }
void SetAnsi(bool on) { gAnsi = on; }
bool IsAnsi() { return gAnsi; }
void SetExact(bool on) { gExact = on; }
bool IsExact() { return gExact; }
void SetCollation(const std::string& name) {
    std::lock_guard lock(gCollationMutex);
    collation() = name;
}
std::string GetCollation() {
    std::lock_guard lock(gCollationMutex);
    return collation();
}
void SetCentury(bool on) { gCentury = on; }
bool IsCentury() { return gCentury; }
void SetDateCountry(int country) {
    if (country >= 1 && country <= 8) gCountry = country;
}
int GetDateCountry() { return gCountry; }
void SetAmPm(bool on) { gAmPm = on; }
bool IsAmPm() { return gAmPm; }
void SetDecimalSep(int code) {
    if (code > 0 && code < 256) gDecimalSep = code;
}
int GetDecimalSep() { return gDecimalSep; }

}  // namespace rt
