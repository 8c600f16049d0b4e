#pragma once
// System sounds: what the program asks of winmm's PlaySoundA and the runtime's Tone. Every
// sound goes through one sink that receives a freedesktop sound name ("error", "warning",
// "information", and "bell" for a plain tone). The default sink is silent; the GUI layer may
// install one that makes a noise, and tests install one that records.
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

}  // namespace win
