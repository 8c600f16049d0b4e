#pragma once
// How the engine reports a step's outcome: an error or a passing text, and a system sound.
// Where the reports go is decided here, not by the engine's steps: to the display the program
// installs (the shell window's status bar), also to standard error in a batch, and to a
// recorder in tests.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace engine {

enum class ReportKind { Error, Transient, Sound };

void reportError(const std::string& text);
void reportTransient(const std::string& text);
void reportSound(const std::string& alias);
// A failed step: the error text and the sound "SystemHand".
void reportFailure(const std::string& text);
// A step that went through with something the user must know: the text as an error and the
// sound "SystemExclamation" (a batch prints it as a warning and goes on).
void reportWarning(const std::string& text);

// Characters of a run that the output's character set could not hold (each written as the
// default character or a look-alike), and where the first of them was.
struct LostCharacters {
    uint64_t count = 0;
    int64_t first = 0;      // the input's line, or with `inRecord` its record number
    bool inRecord = false;
    std::string source;     // the input it was in, where a run reads several
};
// The warning for them: `lineText` or `recordText` (the message, with $1 the count, $2 the
// line or record and $3 the input) filled in, the input being lost.source where a run named
// one and else `input`. Nothing when none was lost.
void reportLostCharacters(const LostCharacters& lost, const std::string& lineText, const std::string& recordText,
                          const std::string& input);

// In a batch, errors and passing texts also go to standard error.
void setReportToStderr(bool on);
bool reportToStderr();

// Shows errors and passing texts to the user (the program installs one on its shell window's
// status bar); none shows nothing. Returns the display that was in place.
using ReportDisplay = void (*)(ReportKind, const std::string&);
ReportDisplay setReportDisplay(ReportDisplay display);

// Replaces where the reports go (an empty hook restores the shell's status bar and the
// system sound); returns the hook that was in place.
using ReportHook = std::function<void(ReportKind, const std::string&)>;
ReportHook setReportHook(ReportHook hook);

// For tests: records every report while it lives.
class ReportRecorder {
public:
    struct Entry {
        ReportKind kind;
        std::string text;
    };
    ReportRecorder();
    ~ReportRecorder();
    ReportRecorder(const ReportRecorder&) = delete;
    ReportRecorder& operator=(const ReportRecorder&) = delete;

    std::vector<Entry> entries;
    // The texts of one kind, in order.
    std::vector<std::string> of(ReportKind kind) const;
    // The last error text, "" when none.
    std::string lastError() const;
    void clear() { entries.clear(); }

private:
    ReportHook previous_;
};

}  // namespace engine
