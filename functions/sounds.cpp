#include "functions/sounds.h"

#include "platform/win/sound.h"

int TON(const rt::Value& sound) {
    const std::string alias = sound.isString() ? sound.str() : std::string("SystemExclamation");
    if (!win::PlaySoundA(alias))
        win::Tone(500, 2);
    return 0;
}
