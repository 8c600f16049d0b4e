#pragma once
// What a pass over a file or table may ask of the GUI: the paced progress bar, the event pump
// and the cancel flag. The core takes it as an interface so that it runs without a form.

namespace engine {

class RunContext {
public:
    virtual ~RunContext() = default;
    // Progress bar to 0 of 100.
    virtual void progressStart() {}
    // The maximum of the coming pass (a byte count or a record count).
    virtual void progressSetMax(double /*maximum*/) {}
    // True once per tick of the pacing timer; callers update the bar only then.
    virtual bool progressTimeOk() { return false; }
    virtual void progressUpdate(double /*current*/) {}
    // Bar to its end; skipped after a cancel.
    virtual void progressFinish() {}
    // Processes pending window events (cheap when called per line).
    virtual void pump() {}
    // True once Cancel was pressed during this run.
    virtual bool cancelled() const { return false; }
};

// A context that shows nothing and never cancels.
inline RunContext& nullRunContext() {
    static RunContext context;
    return context;
}

// A context for tests: counts the calls and cancels once `cancelAfterPumps` pumps have been
// made (never when negative).
class CountingRunContext : public RunContext {
public:
    explicit CountingRunContext(long cancelAfterPumps = -1) : cancelAfter(cancelAfterPumps) {}
    void progressStart() override { ++starts; }
    void progressSetMax(double m) override { maximum = m; }
    bool progressTimeOk() override { return true; }
    void progressUpdate(double v) override { ++updates; last = v; }
    void progressFinish() override { ++finishes; }
    void pump() override {
        ++pumps;
        if (cancelAfter >= 0 && pumps >= cancelAfter)
            cancel = true;
    }
    bool cancelled() const override { return cancel; }

    long cancelAfter;
    long pumps = 0;
    int starts = 0, finishes = 0;
    long updates = 0;
    double maximum = 0, last = 0;
    bool cancel = false;
};

}  // namespace engine
