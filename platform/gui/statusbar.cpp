#include "platform/gui/statusbar.h"

#include <QDateTime>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

namespace gui {

namespace {
QString qs(const std::string& s) { return QString::fromStdString(s); }

bool blank(const std::string& s) { return s.find_first_not_of(' ') == std::string::npos; }
}  // namespace

STATUSBAR::STATUSBAR(WINDOW* owner) : owner_(owner) {
    auto* bar = new QFrame(owner ? owner->HANDLE() : nullptr);
    bar->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(4);
    message_ = new QLabel(bar);
    message_->setTextFormat(Qt::PlainText);
    message_->setMinimumWidth(1);
    layout->addWidget(message_, 1);
    clock_ = new QLabel(bar);
    clock_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    clock_->hide();
    layout->addWidget(clock_, 0);
    message_->hide();
    attachWidget(bar);
    bar->hide();
    // One-second clock: the time display and the message time-out.
    auto* timer = new QTimer(bar);
    timer->setInterval(1000);
    QObject::connect(timer, &QTimer::timeout, bar, [this] { clockTick(); });
    timer->start();
}

STATUSBAR::~STATUSBAR() = default;

void STATUSBAR::DESTROY() { destroyWidget(); }

void STATUSBAR::DISPLAYMESSAGE(bool on) {
    if (!HANDLE()) return;
    message_->setVisible(on);
}

void STATUSBAR::DISPLAYTIME(bool on) {
    if (!HANDLE()) return;
    clock_->setVisible(on);
    if (on) clock_->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

void STATUSBAR::ADDITEM(const STATUSBARITEM& item) {
    QWidget* bar = HANDLE();
    if (!bar) return;
    auto* label = new QLabel(bar);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    // The width is a floor, not a cap: our fonts are wider than the ones the widths were
    // chosen for, and a date must never show cut.
    if (item.WIDTH() > 0) label->setMinimumWidth(item.WIDTH());
    auto* layout = static_cast<QHBoxLayout*>(bar->layout());
    // Items stand between the message area and the clock, in the order added.
    layout->insertWidget(layout->indexOf(clock_), label, 0);
    std::string name = item.NAMESYM();
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    items_.emplace_back(name, label);
}

void STATUSBAR::SETTEXT(const std::string& text, const std::string& item) {
    if (!HANDLE()) return;
    std::string name = item;
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    if (name == MESSAGEAREA) {
        message_->setText(qs(text));
        return;
    }
    for (auto& [n, label] : items_)
        if (n == name) label->setText(qs(text));
}

std::string STATUSBAR::GETTEXT(const std::string& item) const {
    if (!HANDLE()) return {};
    std::string name = item;
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = char(c - 32);
    if (name == MESSAGEAREA) return message_->text().toStdString();
    for (const auto& [n, label] : items_)
        if (n == name) return label->text().toStdString();
    return {};
}

const std::optional<std::string>& STATUSBAR::storedText(int kind) const {
    static const std::optional<std::string> none;
    return (kind >= 1 && kind <= 4) ? store_[size_t(kind)] : none;
}

std::string STATUSBAR::kindText(int kind) const { return (kind >= 1 && kind <= 4) ? kindTexts_[size_t(kind)] : std::string(); }

void STATUSBAR::setStoredText(int kind, const std::optional<std::string>& text) {
    if (kind < 1 || kind > 4) return;
    store_[size_t(kind)] = text;
    storedAt_[size_t(kind)] = ++storeCount_;
}

void STATUSBAR::setKindText(int kind, const std::string& text) {
    if (kind >= 1 && kind <= 4) kindTexts_[size_t(kind)] = text;
}

// The class library's own rule; STATUSBAR2 replaces it.
void STATUSBAR::SETMESSAGE(const std::optional<std::string>& text, int kind) {
    if (!text || !storeCreated_ || kind < 1 || kind > 4) return;
    setKindText(kind, *text);
    setStoredText(kind, *text);
    if (kind >= kindShown_) {
        if (blank(*text)) {
            // Fall back to the highest stored text below.
            int k = kind - 1;
            while (k >= 1 && (!store_[size_t(k)] || store_[size_t(k)]->empty())) --k;
            SETTEXT(k >= 1 ? *store_[size_t(k)] : std::string());
            kindShown_ = k >= 1 ? k : 0;
        } else {
            SETTEXT(*text);
            kindShown_ = kind;
        }
        timeoutCounter_ = 0;
    }
    if (kind != MESSAGEPERMANENT && timeout_ >= 1) timeoutArmed_ = true;
}

void STATUSBAR::timeoutTick() {
    if (!timeoutArmed_ || timeout_ < 1) return;
    if (++timeoutCounter_ < timeout_) return;
    // The text on display has had its time, and with it every passing or error text handed
    // in before it. One that came while it was shown (a view's file format under an error)
    // has not been seen yet: it comes up now and runs its own time.
    timeoutArmed_ = false;
    timeoutCounter_ = 0;
    const uint64_t shownSince = kindShown_ >= 1 ? storedAt_[size_t(kindShown_)] : storeCount_;
    for (int k = 2; k <= 4; ++k)
        if (k == kindShown_ || storedAt_[size_t(k)] <= shownSince) store_[size_t(k)].reset();
    int k = 4;
    while (k >= 2 && (!store_[size_t(k)] || store_[size_t(k)]->empty())) --k;
    if (k >= 2) {
        SETTEXT(*store_[size_t(k)]);
        kindShown_ = k;
        timeoutArmed_ = true;
        return;
    }
    const auto& permanent = store_[size_t(MESSAGEPERMANENT)];
    SETTEXT(permanent ? *permanent : std::string());
    kindShown_ = (permanent && !permanent->empty()) ? MESSAGEPERMANENT : 0;
}

void STATUSBAR::clockTick() {
    if (clock_ && clock_->isVisible()) clock_->setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    timeoutTick();
}

}  // namespace gui
