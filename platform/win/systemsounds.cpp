#include <canberra.h>
#include <dlfcn.h>

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

// ALSA, which libcanberra plays through, writes its own complaints to standard error when
// the machine has no sound card; a machine without sound output stays silent and says
// nothing, so they go nowhere. The library is looked up at run time: without it there is
// nothing to quieten.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

void silenceAlsaMessages() {
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY);  // kept loaded: the handler lives in it
    if (!alsa) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(&quietAlsa);
}

// Hands the event sound to the sound server; false when it cannot be played (no server,
// no device, no such sound in the theme).
bool playEventSound(SystemSounds& s, const char* event) {
    if (!s.opened) {
        s.opened = true;
        silenceAlsaMessages();
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
