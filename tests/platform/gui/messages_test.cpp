#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/window.h"

using namespace gui;

namespace {

void pump() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// Processes events until the condition holds or a generous deadline passes.
template <class Condition>
bool pumpUntil(Condition done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return done();
}

struct Message {
    uint32_t message;
    uintptr_t wParam;
    bool operator==(const Message&) const = default;
};

template <class Base>
class Recording : public Base {
public:
    using Base::Base;
    intptr_t DISPATCH(Event& e) override {
        messages.push_back({e.MESSAGE(), e.WPARAM()});
        return Base::DISPATCH(e);
    }
    int count(uint32_t message) const {
        return int(std::count_if(messages.begin(), messages.end(), [&](const Message& m) { return m.message == message; }));
    }
    std::vector<Message> messages;
};

template <class Base>
class RecordingWindow : public Recording<Base> {
public:
    using Recording<Base>::Recording;
    void ACTIVATE(Event& e) override {
        ++activations;
        Base::ACTIVATE(e);
    }
    void DEACTIVATE(Event& e) override {
        ++deactivations;
        Base::DEACTIVATE(e);
    }
    int activations = 0, deactivations = 0;
};

}  // namespace

TEST(GuiMessages, AFrameDragByTheWindowSystemSendsSizingStepsAndOneEnd) {
    RecordingWindow<TOPAPPWINDOW> top;
    top.SIZE(DIMENSION(400, 300));
    top.SHOW();
    pump();
    top.SIZE(DIMENSION(420, 310));  // the program's own resize is no drag
    ASSERT_TRUE(pumpUntil([&] { return top.SIZE() == DIMENSION(420, 310); }));
    pump();
    EXPECT_EQ(top.count(WM_SIZING), 0);

    // The window system resizes the window, as it does while the user drags its frame.
    top.messages.clear();
    QWindow* frame = top.HANDLE()->windowHandle();
    ASSERT_NE(frame, nullptr);
    for (int step = 1; step <= 3; ++step) {
        const DIMENSION size(420 + 10 * step, 310 + 5 * step);
        frame->resize(size.WIDTH(), size.HEIGHT());
        ASSERT_TRUE(pumpUntil([&] { return top.SIZE() == size; })) << step;
    }
    EXPECT_EQ(top.count(WM_ENTERSIZEMOVE), 1);
    EXPECT_EQ(top.count(WM_SIZING), 3);
    EXPECT_EQ(top.count(WM_EXITSIZEMOVE), 0);  // the drag goes on while steps come
    ASSERT_TRUE(pumpUntil([&] { return top.count(WM_EXITSIZEMOVE) == 1; }));
    EXPECT_EQ(top.messages.front(), (Message{WM_ENTERSIZEMOVE, 0}));
    EXPECT_EQ(top.messages.back(), (Message{WM_EXITSIZEMOVE, 0}));
    EXPECT_EQ(top.SIZE(), DIMENSION(450, 325));
}

TEST(GuiMessages, MinimiseMaximiseAndRestoreArriveAsSystemCommands) {
    RecordingWindow<TOPAPPWINDOW> top;
    top.SIZE(DIMENSION(400, 300));
    top.SHOW();
    pump();
    top.messages.clear();
    top.SHOW(SHOWZOOMED);
    pump();
    top.HANDLE()->showNormal();
    pump();
    top.SHOW(SHOWMINIMIZED);
    pump();
    top.HANDLE()->showNormal();
    pump();
    std::vector<uintptr_t> commands;
    for (const Message& m : top.messages)
        if (m.message == WM_SYSCOMMAND) commands.push_back(m.wParam);
    EXPECT_EQ(commands, (std::vector<uintptr_t>{SC_MAXIMIZE, SC_RESTORE, SC_MINIMIZE, SC_RESTORE}));
    EXPECT_EQ(top.count(WM_SIZING), 0);  // maximising is no frame drag
}

TEST(GuiMessages, ActivationReachesTheWindowAndItsChildWindows) {
    RecordingWindow<TOPAPPWINDOW> top;
    RecordingWindow<DATAWINDOW> form(&top);
    top.SIZE(DIMENSION(400, 300));
    top.SHOW();
    form.SHOW();
    pump();
    // The window system made the shown window active; now it goes to another and comes back.
    top.activations = top.deactivations = form.activations = form.deactivations = 0;
    form.messages.clear();
    QEvent activate(QEvent::WindowActivate), deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(top.HANDLE(), &deactivate);
    QApplication::sendEvent(top.HANDLE(), &activate);
    EXPECT_EQ(top.activations, 1);
    EXPECT_EQ(top.deactivations, 1);
    EXPECT_EQ(form.activations, 1);
    EXPECT_EQ(form.deactivations, 1);
    std::vector<uintptr_t> nc;
    for (const Message& m : form.messages)
        if (m.message == WM_NCACTIVATE) nc.push_back(m.wParam);
    EXPECT_EQ(nc, (std::vector<uintptr_t>{0, 1}));
}

TEST(GuiMessages, FontAssignmentAndCheckChangesPassThroughTheControlsDispatch) {
    TOPAPPWINDOW top;
    top.SIZE(DIMENSION(400, 300));
    top.SHOW();
    Recording<PUSHBUTTON> push(&top, 1, POINT(10, 10), DIMENSION(80, 24));
    Recording<RADIOBUTTON> radio(&top, 2, POINT(10, 50), DIMENSION(80, 24));
    push.SHOW();
    radio.SHOW();
    pump();
    push.FONT(FONT(FONTSWISS, 12));
    EXPECT_EQ(push.count(WM_SETFONT), 1);

    radio.PRESSED(true);
    radio.PRESSED(false);
    EXPECT_FALSE(radio.PRESSED());
    // The user's click on the button.
    QWidget* w = radio.HANDLE();
    const QPointF at(6, w->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
    EXPECT_TRUE(radio.PRESSED());
    std::vector<uintptr_t> checks;
    for (const Message& m : radio.messages)
        if (m.message == BM_SETCHECK) checks.push_back(m.wParam);
    EXPECT_EQ(checks, (std::vector<uintptr_t>{1, 0, 1}));
}
