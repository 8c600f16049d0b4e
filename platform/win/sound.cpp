#include "platform/win/sound.h"

#include <utility>

namespace win {

namespace {
SoundSink& sink() {
    static SoundSink s;
    return s;
}
void emit(const std::string& name) {
    if (sink())
        sink()(name);
}
}  // namespace

SoundSink SetSoundSink(SoundSink s) { return std::exchange(sink(), std::move(s)); }

std::string SoundNameForAlias(const std::string& alias) {
    if (alias == "SystemHand")
        return "error";
    if (alias == "SystemExclamation")
        return "warning";
    if (alias == "SystemAsterisk")
        return "information";
    return {};
}

bool PlaySoundA(const std::string& alias) {
    std::string name = SoundNameForAlias(alias);
    if (name.empty())
        return false;
    emit(name);
    return true;
}

void Tone(int /*frequency*/, int /*duration*/) { emit("bell"); }

}  // namespace win
