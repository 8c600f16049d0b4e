#include "engine/report.h"

#include <cstdio>

#include "functions/sounds.h"
#include "platform/runtime/strings.h"

namespace engine {

namespace {

ReportHook& hook() {
    static ReportHook h;
    return h;
}

ReportDisplay& display() {
    static ReportDisplay d = nullptr;
    return d;
}

bool& toStderr() {
    static bool on = false;
    return on;
}

void deliver(ReportKind kind, const std::string& text) {
    if (hook()) {
        hook()(kind, text);
        return;
    }
    if (kind == ReportKind::Sound) {
        TON(rt::Value(text));
        return;
    }
    if (toStderr()) {
        std::fprintf(stderr, "%s%s\n", kind == ReportKind::Error ? "error: " : "", text.c_str());
        std::fflush(stderr);
    }
    if (display())
        display()(kind, text);
}

}  // namespace

void reportError(const std::string& text) { deliver(ReportKind::Error, text); }
void reportTransient(const std::string& text) { deliver(ReportKind::Transient, text); }
void reportSound(const std::string& alias) { deliver(ReportKind::Sound, alias); }

void reportFailure(const std::string& text) {
    reportError(text);
    reportSound("SystemHand");
}

void reportWarning(const std::string& text) {
    reportError(text);
    reportSound("SystemExclamation");
}

void reportLostCharacters(const LostCharacters& lost, const std::string& lineText, const std::string& recordText,
                          const std::string& input) {
    if (lost.count == 0) return;
    std::string text = rt::StrTran(lost.inRecord ? recordText : lineText, "$1", std::to_string(lost.count));
    text = rt::StrTran(text, "$2", std::to_string(lost.first));
    reportWarning(rt::StrTran(text, "$3", lost.source.empty() ? input : lost.source));
}

void setReportToStderr(bool on) { toStderr() = on; }
bool reportToStderr() { return toStderr(); }

ReportDisplay setReportDisplay(ReportDisplay d) {
    ReportDisplay old = display();
    display() = d;
    return old;
}

ReportHook setReportHook(ReportHook h) {
    ReportHook old = std::move(hook());
    hook() = std::move(h);
    return old;
}

ReportRecorder::ReportRecorder() {
    previous_ = setReportHook([this](ReportKind kind, const std::string& text) { entries.push_back({kind, text}); });
}

ReportRecorder::~ReportRecorder() { setReportHook(std::move(previous_)); }

std::vector<std::string> ReportRecorder::of(ReportKind kind) const {
    std::vector<std::string> out;
    for (const auto& e : entries)
        if (e.kind == kind)
            out.push_back(e.text);
    return out;
}

std::string ReportRecorder::lastError() const {
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->kind == ReportKind::Error)
            return it->text;
    return {};
}

}  // namespace engine
