#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <QLabel>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/application.h"
#include "platform/gui/window.h"
#include "platform/win/sound.h"
#include "widgets/fontstrings.h"
#include "widgets/progressbar.h"
#include "widgets/statusbar2.h"

using namespace widgets;

namespace {

struct Form {
    gui::TOPAPPWINDOW top;
    gui::DATAWINDOW form{&top};
};

class Pacing : public ::testing::Test {
protected:
    void SetUp() override { resetProgressPacing(); }
    void TearDown() override { resetProgressPacing(); }
    Form f;
    PROGRESSBAR bar{&f.form, 188, QRect(0, 0, 200, 16)};
};

}  // namespace

TEST_F(Pacing, TheTickComesOnceAndIsConsumedByTheFirstAsker) {
    PROGRESSBAR other(&f.form, 189, QRect(0, 20, 200, 16));
    EXPECT_TRUE(bar.TIMEOK());  // raised at process start
    EXPECT_FALSE(bar.TIMEOK());
    TIMERPROGRESS();
    TIMERPROGRESS();  // ticks while the flag is up are lost
    EXPECT_TRUE(other.TIMEOK());
    EXPECT_FALSE(bar.TIMEOK());
}

TEST_F(Pacing, UpdateSetsWholePercentOnlyWhenItChanges) {
    bar.START();
    bar.SETMAX(200.0);
    int changes = bar.positionChanges();
    struct Step { double value; int position; bool sets; };
    const Step steps[] = {
        {50, 25, true}, {50, 25, false}, {51, 25, false},  // 25.5 % truncates to 25
        {199.9, 99, true}, {300, 150, true},               // above the maximum: above 100
    };
    for (const Step& s : steps) {
        bar.UPDATE(s.value);
        EXPECT_EQ(bar.POSITION(), s.position) << s.value;
        EXPECT_EQ(bar.positionChanges() - changes, s.sets ? 1 : 0) << s.value;
        changes = bar.positionChanges();
    }
    EXPECT_EQ(bar.shownValue(), 100);
    // A second bar shares the maximum; the later SETMAX wins.
    PROGRESSBAR other(&f.form, 189, QRect(0, 20, 200, 16));
    other.START();
    other.SETMAX(1000.0);
    bar.UPDATE(500);
    EXPECT_EQ(bar.POSITION(), 50);
    // With a maximum of 0 nothing is set.
    bar.SETMAX(0.0);
    bar.UPDATE(10);
    EXPECT_EQ(bar.POSITION(), 50);
}

TEST_F(Pacing, OneTimerRunsFromSetMaxToFinishOrDestroy) {
    bar.START();
    EXPECT_EQ(progressPacing().timerId, 0);
    bar.SETMAX();  // defaults
    ProgressPacing p = progressPacing();
    EXPECT_EQ(p.maximum, 100.0);
    EXPECT_EQ(p.intervalMs, 25u);
    ASSERT_NE(p.timerId, 0);
    EXPECT_EQ(gui::threadTimerInterval(p.timerId), 25u);

    bar.SETMAX(1000.0, 100.0);  // the running timer keeps its interval
    EXPECT_EQ(progressPacing().timerId, p.timerId);
    EXPECT_EQ(progressPacing().intervalMs, 100u);
    EXPECT_EQ(gui::threadTimerInterval(p.timerId), 25u);
    EXPECT_EQ(progressPacing().maximum, 1000.0);

    bar.SETMAX(rt::Value("x"), rt::Value(true));  // non-numeric: defaults
    EXPECT_EQ(progressPacing().maximum, 100.0);
    EXPECT_EQ(progressPacing().intervalMs, 25u);

    // Intervals the system timer cannot take are held to its range, as SetTimer holds them:
    // a timer starts and ticks all the same.
    for (const double interval : {0.0, 1.0, 4294967295.0}) {
        bar.FINISH();
        bar.SETMAX(500.0, interval);
        const uint16_t id = progressPacing().timerId;
        ASSERT_NE(id, 0) << interval;
        EXPECT_EQ(gui::threadTimerInterval(id), interval < 10 ? 10u : 2147483647u) << interval;
    }
    bar.FINISH();
    bar.SETMAX(500.0, 0.0);
    QElapsedTimer waited;
    waited.start();
    while (!bar.TIMEOK() && waited.elapsed() < 10000) QCoreApplication::processEvents();
    EXPECT_LT(waited.elapsed(), 10000) << "no tick came";

    bar.FINISH();
    EXPECT_EQ(bar.POSITION(), 100);
    EXPECT_EQ(progressPacing().timerId, 0);
    EXPECT_EQ(gui::threadTimerInterval(p.timerId), 0u);
    EXPECT_FALSE(bar.TIMEOK());  // cleared: the next run waits for its first tick

    // A cancelled run skips FINISH; destroying the bar still stops the timer.
    auto other = std::make_unique<PROGRESSBAR>(&f.form, 189, QRect(0, 20, 200, 16));
    other->SETMAX(10.0);
    uint16_t id = progressPacing().timerId;
    ASSERT_NE(id, 0);
    other->DESTROY();
    EXPECT_EQ(progressPacing().timerId, 0);
    EXPECT_EQ(other->HANDLE(), nullptr);
    bar.SETMAX(10.0);
    EXPECT_NE(progressPacing().timerId, 0);
    EXPECT_NE(progressPacing().timerId, id == 0 ? 1 : 0);
    // A bar that goes with its form stops the timer too.
    bar.FINISH();
    auto third = std::make_unique<PROGRESSBAR>(&f.form, 190, QRect(0, 40, 200, 16));
    third->SETMAX(10.0);
    EXPECT_NE(progressPacing().timerId, 0);
    third.reset();
    EXPECT_EQ(progressPacing().timerId, 0);
    // Also when the form's widgets went first.
    auto form = std::make_unique<gui::DATAWINDOW>(&f.top);
    auto fourth = std::make_unique<PROGRESSBAR>(form.get(), 191, QRect(0, 0, 200, 16));
    fourth->SETMAX(10.0);
    form.reset();
    EXPECT_EQ(fourth->HANDLE(), nullptr);
    fourth.reset();
    EXPECT_EQ(progressPacing().timerId, 0);
}

namespace {

struct StatusStep {
    std::optional<std::string> text;
    int kind;
    std::string shown;  // the message area afterwards
    int kindShown;
};

}  // namespace

TEST(StatusBar2, HoldsOneTextPerKindAndFallsBackOnEmptyTexts) {
    gui::TOPAPPWINDOW shell;
    STATUSBAR2 bar(&shell);
    shell.STATUSBAR(&bar);
    bar.DISPLAYMESSAGE();
    const StatusStep steps[] = {
        {"MIRVANO 7.00", 1, "MIRVANO 7.00", 1},        // permanent text on an empty bar
        {"Analyse der Eingabedatei", 3, "Analyse der Eingabedatei", 3},
        {"Fehler beim Öffnen", 4, "Fehler beim Öffnen", 4},
        {"Datei a.csv geöffnet", 3, "Fehler beim Öffnen", 4},   // lower kind: only stored
        {"", 4, "Fehler beim Öffnen", 4},               // the walk starts at the text on display
        {"   ", 3, "Fehler beim Öffnen", 4},            // blanks count as empty
        {std::nullopt, 4, "Fehler beim Öffnen", 4},     // NIL changes nothing
        {"x", 0, "Fehler beim Öffnen", 4},              // kinds outside 1..4 change nothing
        {"x", 5, "Fehler beim Öffnen", 4},
    };
    for (const StatusStep& s : steps) {
        bar.SETMESSAGE(s.text, s.kind);
        EXPECT_EQ(bar.GETTEXT(), s.shown) << (s.text ? *s.text : "NIL") << " kind " << s.kind;
        EXPECT_EQ(bar.kindShown(), s.kindShown);
    }
    EXPECT_EQ(bar.ERRORTEXT(), "");  // the last text handed in for kind 4
    EXPECT_EQ(bar.TRANSIENT(), "   ");
    EXPECT_EQ(*bar.storedText(3), "Datei a.csv geöffnet");
}

TEST(StatusBar2, EmptyTextsWalkDownToTheStoredTexts) {
    gui::TOPAPPWINDOW shell;
    STATUSBAR2 bar(&shell);
    bar.SETMESSAGE("", 1);  // nothing on display: an empty permanent text is shown
    EXPECT_EQ(bar.kindShown(), 1);
    bar.SETMESSAGE("Titel", 1);
    bar.SETMESSAGE("Übertragen", 2);
    EXPECT_EQ(bar.GETTEXT(), "Übertragen");
    bar.SETMESSAGE("", 1);  // lower than the kind shown: stored, nothing shown
    EXPECT_EQ(bar.GETTEXT(), "Übertragen");
    EXPECT_EQ(*bar.storedText(1), "");
    bar.TRANSIENT("x");  // the transient kind is above the menu kind
    EXPECT_EQ(bar.kindShown(), gui::MESSAGETRANSIENT);
    bar.ERRORTEXT("E");
    bar.PERMANENTTEXT("P");
    EXPECT_EQ(bar.GETTEXT(), "E");
    EXPECT_EQ(bar.PERMANENTTEXT(), "P");
}

TEST(StatusBar2, PermanentTextWithNothingElseAndEmptyPermanentText) {
    gui::TOPAPPWINDOW shell;
    STATUSBAR2 bar(&shell);
    bar.SETMESSAGE("MIRVANO", 1);
    EXPECT_EQ(bar.GETTEXT(), "MIRVANO");
    bar.SETMESSAGE("", 1);
    EXPECT_EQ(bar.GETTEXT(), "");
    EXPECT_EQ(bar.kindShown(), 1);
}

TEST(StatusBar2, BeepsOnlyForNonBlankErrorsWhileAskedAndArmsTheTimeOut) {
    std::vector<std::string> beeps;
    win::SoundSink old = win::SetSoundSink([&](const std::string& name) { beeps.push_back(name); });
    gui::TOPAPPWINDOW shell;
    STATUSBAR2 bar(&shell);
    bar.ERRORMESSAGEBEEP(true);
    bar.SETMESSAGE("  ", 4);
    bar.SETMESSAGE("Fehler", 4);
    bar.ERRORMESSAGEBEEP(false);
    bar.SETMESSAGE("Noch ein Fehler", 4);
    EXPECT_EQ(beeps, std::vector<std::string>{"bell"});
    win::SetSoundSink(old);

    struct Case { int timeout; int kind; bool armed; };
    for (Case c : {Case{10, 2, true}, Case{0, 2, false}, Case{10, 1, false}, Case{1, 4, true}}) {
        STATUSBAR2 b(&shell);
        b.TIMEOUT(c.timeout);
        b.SETMESSAGE("t", c.kind);
        EXPECT_EQ(b.timeoutArmed(), c.armed) << c.timeout << "/" << c.kind;
    }
    // An expired time-out brings the permanent text back.
    STATUSBAR2 b(&shell);
    b.TIMEOUT(2);
    b.PERMANENTTEXT("MIRVANO");
    b.TRANSIENT("3 Datensätze");
    b.timeoutTick();
    EXPECT_EQ(b.GETTEXT(), "3 Datensätze");
    b.timeoutTick();
    EXPECT_EQ(b.GETTEXT(), "MIRVANO");
    EXPECT_EQ(b.kindShown(), 1);
}

TEST(StatusBar2, ATextThatCameUnderAnErrorIsShownWhenTheErrorExpires) {
    gui::TOPAPPWINDOW shell;
    STATUSBAR2 b(&shell);
    shell.STATUSBAR(&b);
    b.DISPLAYMESSAGE(true);
    shell.SHOW();
    b.TIMEOUT(2);
    b.PERMANENTTEXT("MIRVANO");
    b.SETMESSAGE(std::string("Opens a file"), gui::MESSAGEMENU);  // older than the error: had its turn
    b.ERRORTEXT("Nothing open");
    b.TRANSIENT("File format: ANSI");
    EXPECT_EQ(b.GETTEXT(), "Nothing open");
    b.timeoutTick();
    b.timeoutTick();
    EXPECT_EQ(b.GETTEXT(), "File format: ANSI");
    EXPECT_EQ(b.kindShown(), gui::MESSAGETRANSIENT);
    auto* area = b.HANDLE()->findChild<QLabel*>();
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(area->isVisible());
    EXPECT_EQ(area->text().toStdString(), "File format: ANSI");
    // The view's text runs its own time, then the title comes back.
    b.timeoutTick();
    b.timeoutTick();
    EXPECT_EQ(b.GETTEXT(), "MIRVANO");
    EXPECT_EQ(b.kindShown(), gui::MESSAGEPERMANENT);
}

TEST(StatusBar2, ANewBarDestroysTheOwnersOldOne) {
    gui::TOPAPPWINDOW shell;
    STATUSBAR2 first(&shell);
    shell.STATUSBAR(&first);
    ASSERT_NE(first.HANDLE(), nullptr);
    STATUSBAR2 second(&shell);
    EXPECT_EQ(first.HANDLE(), nullptr);
    shell.STATUSBAR(&second);
    EXPECT_EQ(shell.STATUSBAR(), &second);
    first.SETMESSAGE("harmless", 4);
}

TEST(FontStrings, LayoutAndRoundTrip) {
    gui::FONT courier(gui::FONTANY, gui::DIMENSION(0, 16), "Courier New");
    EXPECT_EQ(FONTTOSTRING(courier), "04000016" "0000" "F" "Courier New");

    // By point size, before the font is made: the size comes from the point conversion.
    gui::FONT arial(gui::FONTANY, 12, "Arial");
    arial.BOLD(true);
    arial.ITALIC(true);
    EXPECT_EQ(FONTTOSTRING(arial), "0700-0160000TArial");

    gui::FONT light(gui::FONTANY, gui::DIMENSION(7, -13), "Lucida Sans Unicode");
    light.LIGHT(true);
    gui::FONT bold(gui::FONTSWISS, gui::DIMENSION(0, 20), "Arial ");
    bold.BOLD(true);
    for (const gui::FONT& f : {courier, light, bold}) {
        std::string s = FONTTOSTRING(f);
        gui::FONT back = STRINGTOFONT(s);
        EXPECT_EQ(back.LIGHT(), f.LIGHT()) << s;
        EXPECT_EQ(back.NORMAL(), f.NORMAL()) << s;
        EXPECT_EQ(back.BOLD(), f.BOLD()) << s;
        EXPECT_EQ(back.HEIGHT2(), f.HEIGHT2()) << s;
        EXPECT_EQ(back.WIDTH2(), f.WIDTH2()) << s;
        EXPECT_EQ(back.ITALIC(), f.ITALIC()) << s;
        std::string face = f.FONTFACENAME();
        while (!face.empty() && face.back() == ' ') face.pop_back();
        EXPECT_EQ(back.FONTFACENAME(), face) << s;  // trailing blanks go on the way back
    }
    EXPECT_EQ(FONTTOSTRING(bold).substr(13), "Arial ");  // written as held
}

TEST(FontStrings, ReadingRulesAndSizeOverrides) {
    struct Case { std::string s; int weight; bool italic; int h, w; std::string face; };
    const Case cases[] = {
        {"06000012" "0000" "FTimes", 400, false, 12, 0, "Times"},  // 600 is normal weight
        {"0300-013" "0000" "TArial", 300, true, -13, 0, "Arial"},
        {"", 300, false, 0, 0, ""},                                 // empty: weight 0 counts as light
        {"0700", 700, false, 0, 0, ""},
        {"07x0 12 abcdXFace", 300, false, 12, 0, "Face"},           // fields read from their start
    };
    for (const Case& c : cases) {
        gui::FONT f = STRINGTOFONT(c.s);
        EXPECT_EQ(f.WEIGHT(), c.weight) << c.s;
        EXPECT_EQ(f.ITALIC(), c.italic) << c.s;
        EXPECT_EQ(f.HEIGHT2(), c.h) << c.s;
        EXPECT_EQ(f.WIDTH2(), c.w) << c.s;
        EXPECT_EQ(f.FONTFACENAME(), c.face) << c.s;
    }
    gui::FONT zero = STRINGTOFONT("040000160000FCourier New", rt::Value(true));
    EXPECT_EQ(zero.HEIGHT2(), 0);
    EXPECT_EQ(zero.WIDTH2(), 0);
    gui::FONT given = STRINGTOFONT("040000160000FCourier New", rt::Value(8), rt::Value(16.0));
    EXPECT_EQ(given.WIDTH2(), 8);
    EXPECT_EQ(given.HEIGHT2(), 16);
    gui::FONT half = STRINGTOFONT("040000160000FCourier New", rt::Value(8));  // height missing
    EXPECT_EQ(half.HEIGHT2(), 16);
    EXPECT_EQ(half.WIDTH2(), 0);
    EXPECT_EQ(FONTTOSTRING(rt::Value()), "");
    EXPECT_EQ(FONTTOSTRING(rt::Value(12)), "");
    // Sizes that do not fit four characters keep the layout.
    gui::FONT huge(gui::FONTANY, gui::DIMENSION(0, -5000), "X");
    EXPECT_EQ(FONTTOSTRING(huge), "0400-9990000FX");
}
