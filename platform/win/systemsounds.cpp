#include <canberra.h>

#include <mutex>

#include "platform/win/sound.h"

namespace win {

namespace {

struct SystemSounds {
    std::mutex lock;
    ca_context* context = nullptr;
    bool opened = false;
    SystemSoundRecord last;
};

SystemSounds& sounds() {
    static SystemSounds s;
    return s;
}

// The sound theme's event sound for one of our names.
const char* eventSoundFor(const std::string& name) {
    if (name == "error") return "dialog-error";
    if (name == "warning") return "dialog-warning";
    if (name == "information") return "dialog-information";
    if (name == "complete") return "complete";
    return "bell";
}

// Hands the event sound to the sound server; false when it cannot be played (no server,
// no device, no such sound in the theme).
bool playEventSound(SystemSounds& s, const char* event) {
    if (!s.opened) {
        s.opened = true;
        if (ca_context_create(&s.context) != CA_SUCCESS) {
            s.context = nullptr;
        } else {
            ca_context_change_props(s.context, CA_PROP_APPLICATION_NAME, "Mirvano", CA_PROP_APPLICATION_ID,
                                    "mirvano", nullptr);
        }
    }
    if (!s.context) return false;
    // A new sound cuts off the one still playing, as the system's asynchronous sounds do.
    ca_context_cancel(s.context, 0);
    return ca_context_play(s.context, 0, CA_PROP_EVENT_ID, event, CA_PROP_MEDIA_ROLE, "event", nullptr) == CA_SUCCESS;
}

}  // namespace

SoundSink systemSoundSink(std::function<void()> bell) {
    return [bell = std::move(bell)](const std::string& name) {
        SystemSounds& s = sounds();
        bool played = false;
        const char* event = eventSoundFor(name);
        {
            std::lock_guard<std::mutex> guard(s.lock);
            played = playEventSound(s, event);
            s.last.event = event;
            s.last.played = played;
            s.last.rang = !played && bell;
            ++s.last.count;
        }
        // A machine without sound output gets the display's bell, or nothing; never an error.
        if (!played && bell) bell();
    };
}

SystemSoundRecord lastSystemSound() {
    std::lock_guard<std::mutex> guard(sounds().lock);
    return sounds().last;
}

}  // namespace win
