#pragma once
// Captions of the standard message-box buttons in the language of the running program,
// learnt once per run from Qt's own standard buttons (which follow the installed
// translators) and cached.
#include <string>

#include "platform/runtime/value.h"

namespace widgets {

// Button ids of message boxes.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDHELP = 9;

// The caption of the standard button `id` (one of the eight ids above); "" for any other
// value. The first call learns all eight captions; they serve for the rest of the run. A
// caption has every "&" removed and holds at most 63 bytes.
std::string GETMSGSTRING(const rt::Value& id);

// How often the captions were learnt; and a reset of the cache so a test can learn anew
// (for example after installing a translator).
int buttonCaptionProbeCount();
void resetButtonCaptions();
// Removes every "&" and keeps at most 63 bytes (never cutting a UTF-8 sequence).
std::string cleanButtonCaption(const std::string& text);

}  // namespace widgets
