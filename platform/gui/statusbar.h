#pragma once
// The status bar of the class library: a message area, named items and a clock.
//
// The text properties hand their texts to SETMESSAGE with a message kind: PERMANENTTEXT
// kind 1, MENUTEXT kind 2, TRANSIENT kind 3, ERRORTEXT kind 4 (a higher kind wins). The
// message state (one stored text per kind, the kind shown, the last text per kind, the
// time-out) lives here, so that a derived status bar can replace SETMESSAGE. When an armed
// time-out expires (TIMEOUT seconds after a text was put on display) the text on display
// and the passing texts stored before it are dropped; a passing text stored while it was on
// display is shown next (with a time-out of its own), else the permanent text again.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/window.h"

class QLabel;

namespace gui {

inline constexpr const char* MESSAGEAREA = "MESSAGEAREA";
inline constexpr int MESSAGEPERMANENT = 1;
inline constexpr int MESSAGEMENU = 2;
inline constexpr int MESSAGETRANSIENT = 3;
inline constexpr int MESSAGEERROR = 4;

// An item of the status bar: a name symbol and a width in pixels.
class STATUSBARITEM {
public:
    STATUSBARITEM(const std::string& name, int width, int style = 0) : name_(name), width_(width), style_(style) {}
    const std::string& NAMESYM() const { return name_; }
    int WIDTH() const { return width_; }
    int STYLE() const { return style_; }

private:
    std::string name_;
    int width_;
    int style_;
};

class STATUSBAR : public GUIOBJECT {
public:
    // The bar belongs to `owner` once the owner's STATUSBAR is assigned it.
    explicit STATUSBAR(WINDOW* owner);
    ~STATUSBAR() override;
    WINDOW* OWNER() const { return owner_; }

    // The message area and the clock are off until turned on.
    void DISPLAYMESSAGE(bool on = true);
    void DISPLAYTIME(bool on = true);
    void ADDITEM(const STATUSBARITEM& item);
    // Shows a text in the item of that name (MESSAGEAREA: the message area).
    void SETTEXT(const std::string& text, const std::string& item = MESSAGEAREA);
    std::string GETTEXT(const std::string& item = MESSAGEAREA) const;

    bool ERRORMESSAGEBEEP() const { return errorBeep_; }
    void ERRORMESSAGEBEEP(bool on) { errorBeep_ = on; }
    int TIMEOUT() const { return timeout_; }
    void TIMEOUT(int seconds) { timeout_ = seconds; }

    std::string PERMANENTTEXT() const { return kindText(MESSAGEPERMANENT); }
    void PERMANENTTEXT(const std::string& text) { SETMESSAGE(text, MESSAGEPERMANENT); }
    std::string MENUTEXT() const { return kindText(MESSAGEMENU); }
    void MENUTEXT(const std::string& text) { SETMESSAGE(text, MESSAGEMENU); }
    std::string TRANSIENT() const { return kindText(MESSAGETRANSIENT); }
    void TRANSIENT(const std::string& text) { SETMESSAGE(text, MESSAGETRANSIENT); }
    std::string ERRORTEXT() const { return kindText(MESSAGEERROR); }
    void ERRORTEXT(const std::string& text) { SETMESSAGE(text, MESSAGEERROR); }

    // Takes a text of a message kind. The class library's own rule: the text is stored and
    // shown when its kind is at least the kind shown. std::nullopt stands for NIL.
    virtual void SETMESSAGE(const std::optional<std::string>& text, int kind = MESSAGEPERMANENT);
    void SETMESSAGE(const std::string& text, int kind = MESSAGEPERMANENT) {
        SETMESSAGE(std::optional<std::string>(text), kind);
    }
    void SETMESSAGE(const char* text, int kind = MESSAGEPERMANENT) {
        SETMESSAGE(text ? std::optional<std::string>(text) : std::nullopt, kind);
    }

    // The message state.
    bool hasMessageStore() const { return storeCreated_; }
    const std::optional<std::string>& storedText(int kind) const;
    int kindShown() const { return kindShown_; }
    std::string kindText(int kind) const;
    bool timeoutArmed() const { return timeoutArmed_; }
    int timeoutCounter() const { return timeoutCounter_; }
    // One second of the time-out clock (driven by the bar's one-second timer; tests call it).
    void timeoutTick();

    void DESTROY();

protected:
    void setStoredText(int kind, const std::optional<std::string>& text);
    void setKindShown(int kind) { kindShown_ = kind; }
    void setKindText(int kind, const std::string& text);
    void setTimeoutArmed(bool on) { timeoutArmed_ = on; }
    void setTimeoutCounter(int n) { timeoutCounter_ = n; }
    void dropMessageStore() { storeCreated_ = false; }

private:
    void clockTick();
    WINDOW* owner_;
    QLabel* message_ = nullptr;
    QLabel* clock_ = nullptr;
    std::vector<std::pair<std::string, QLabel*>> items_;
    bool errorBeep_ = true;
    int timeout_ = 0;
    bool storeCreated_ = true;
    std::array<std::optional<std::string>, 5> store_{};
    std::array<uint64_t, 5> storedAt_{};  // when each kind's text was stored, in stores
    uint64_t storeCount_ = 0;
    std::array<std::string, 5> kindTexts_{};
    int kindShown_ = 0;
    int timeoutCounter_ = 0;
    bool timeoutArmed_ = false;
};

}  // namespace gui
