#pragma once
// System sounds: what the program asks of winmm's PlaySoundA and the runtime's Tone. Every
// sound goes through one sink that receives a freedesktop sound name ("error", "warning",
// "information", "complete", and "bell" for a plain tone). The default sink is silent; the
// program installs systemSoundSink, and tests install one that records.
#include <functional>
#include <string>

namespace win {

using SoundSink = std::function<void(const std::string& soundName)>;

// Installs `sink` (an empty function restores the silent default) and returns the previous one.
SoundSink SetSoundSink(SoundSink sink);

// The freedesktop name of a system sound alias ("SystemHand" -> "error", "SystemExclamation"
// -> "warning", "SystemAsterisk" -> "information"), "" for an alias we do not know.
std::string SoundNameForAlias(const std::string& alias);

// Plays a system sound alias asynchronously; false for an unknown alias (nothing is played).
bool PlaySoundA(const std::string& alias);

// A plain tone; frequency and duration are passed on only as the name "bell".
void Tone(int frequency, int duration);

// The sink of the running program: plays the freedesktop event sound of each name
// ("dialog-error", "dialog-warning", "dialog-information", "complete", "bell") through
// libcanberra, asynchronously; when that cannot be played it calls `bell` (the display's
// bell), and without either the machine stays silent. Nothing is reported.
SoundSink systemSoundSink(std::function<void()> bell);

// What the system sink did last: the event sound asked for, whether the sound server took
// it, whether the bell rang instead, and how many sounds the sink has had.
struct SystemSoundRecord {
    std::string event;
    bool played = false;
    bool rang = false;
    unsigned count = 0;
};
SystemSoundRecord lastSystemSound();

}  // namespace win
