#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QThread>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/application.h"
#include "platform/gui/controls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/geometry.h"
#include "platform/gui/mdiclient.h"
#include "platform/gui/statusbar.h"
#include "platform/gui/window.h"

using namespace gui;

namespace {

// A form that records what the class library delivers to it.
class RecordingForm : public DATAWINDOW {
public:
    explicit RecordingForm(WINDOW* owner) : DATAWINDOW(owner) {}
    std::vector<std::string> clicks, selects, focus;
    void BUTTONCLICK(ControlEvent& e) override { clicks.push_back(e.NAMESYM()); }
    void LISTBOXSELECT(ControlEvent& e) override { selects.push_back(e.NAMESYM()); }
    void EDITFOCUSCHANGE(EditFocusChangeEvent& e) override {
        focus.push_back(e.NAMESYM() + (e.GOTFOCUS() ? "+" : "-"));
    }
};

struct Shell {
    TOPAPPWINDOW top;
    RecordingForm form{&top};
    Shell() {
        top.SIZE(DIMENSION(600, 400));
        form.SIZE(DIMENSION(500, 300));
        top.SHOW();
        form.SHOW();
    }
};

// A real mouse click (press and release) at a point of the widget.
void mouseClick(QWidget* w, QPoint at) {
    QPointF local(at), global(w->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

void clickButton(BUTTON& b) { mouseClick(b.HANDLE(), QPoint(6, b.HANDLE()->height() / 2)); }

void clickListRow(QListWidget* list, int row) {
    QRect r = list->visualItemRect(list->item(row));
    mouseClick(list->viewport(), r.center());
}

template <class T>
std::unique_ptr<T> make(WINDOW* owner, int id, const std::string& name, QRect r, uint32_t style = 0) {
    auto c = std::make_unique<T>(owner, id, r, style);
    c->HYPERLABEL(HYPERLABEL(name, name, name + " tip"));
    return c;
}

}  // namespace

TEST(GuiScreen, OffscreenScreenIs1280x1024At96Dpi) {
    QScreen* s = QGuiApplication::primaryScreen();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->geometry().size(), QSize(1280, 1024));
    EXPECT_DOUBLE_EQ(s->logicalDotsPerInchY(), 96.0);
}

TEST(GuiGeometry, YUpBoxesConvertToQtRectsAndBack) {
    struct Case { int parentH; POINT origin; DIMENSION size; QRect qt; };
    const Case cases[] = {
        {300, POINT(0, 0), DIMENSION(10, 20), QRect(0, 280, 10, 20)},        // bottom-left corner
        {300, POINT(5, 280), DIMENSION(10, 20), QRect(5, 0, 10, 20)},        // touching the top
        {620, POINT(100, 200), DIMENSION(50, 30), QRect(100, 390, 50, 30)},
        {100, POINT(-4, -10), DIMENSION(8, 8), QRect(-4, 102, 8, 8)},        // partly outside
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toQtRect(c.origin, c.size, c.parentH), c.qt);
        EXPECT_EQ(toYUpOrigin(c.qt, c.parentH), c.origin);
    }
    BOUNDINGBOX b = toBoundingBox(QRect(10, 0, 30, 40), 100);
    EXPECT_EQ(b.BOTTOM(), 60);
    EXPECT_EQ(b.TOP(), 100);
    EXPECT_EQ(b.RIGHT(), 40);
}

TEST(GuiGeometry, ControlsKeepTheirTopEdgeWhenTheOwnerGrows) {
    Shell s;
    PUSHBUTTON b(&s.form, 1, POINT(10, 20), DIMENSION(80, 25));
    EXPECT_EQ(b.HANDLE()->geometry(), QRect(10, 300 - 45, 80, 25));
    EXPECT_EQ(b.ORIGIN(), POINT(10, 20));
    s.form.SIZE(DIMENSION(500, 400));
    // y-up origin follows the owner's height; the Qt position stays.
    EXPECT_EQ(b.ORIGIN(), POINT(10, 120));
    b.ORIGIN(POINT(0, 0));
    EXPECT_EQ(b.HANDLE()->geometry(), QRect(0, 375, 80, 25));
    EXPECT_EQ(s.form.CANVASAREA().SIZE(), DIMENSION(500, 400));
}

TEST(GuiGeometry, DialogUnitsUseBaseUnitsWithMulDivRounding) {
    DialogBaseUnits b{6, 13};
    // x * 6 / 4 and y * 13 / 8, rounded half away from zero, position and size apart.
    EXPECT_EQ(dialogUnitsToPixels(2, 2, 382, 73, b), QRect(3, 3, 573, 119));
    EXPECT_EQ(dialogUnitsToPixels(389, 4, 107, 12, b), QRect(584, 7, 161, 20));
    EXPECT_EQ(dialogUnitsToPixels(0, 1, 1, 3, b), QRect(0, 2, 2, 5));
    EXPECT_EQ(MulDiv(-3, 6, 4), -5);
    EXPECT_EQ(MulDiv(7, 1, 0), 0);
    DialogBaseUnits t = templateBaseUnits();
    EXPECT_GE(t.x, 5);
    EXPECT_LE(t.x, 7);
    EXPECT_GE(t.y, 12);
    EXPECT_LE(t.y, 15);
}

TEST(GuiRouting, PushButtonCallsTheOwnersMethodOfItsName) {
    Shell s;
    int appended = 0;
    s.form.registerMethod("ButDateiVerbinden", [&] { ++appended; });
    auto known = make<PUSHBUTTON>(&s.form, 168, "BUTDATEIVERBINDEN", QRect(10, 10, 100, 24));
    auto unknown = make<PUSHBUTTON>(&s.form, 169, "BUTOHNEHANDLER", QRect(10, 40, 100, 24));
    mouseClick(known->HANDLE(), QPoint(50, 12));
    known->CLICK();
    mouseClick(unknown->HANDLE(), QPoint(50, 12));  // no method: nothing happens
    EXPECT_EQ(appended, 2);
    EXPECT_TRUE(s.form.clicks.empty());
    known->DISABLE();
    known->CLICK();
    EXPECT_EQ(appended, 2);
}

TEST(GuiRouting, UserClicksReachButtonClickOnceCodeChangesNever) {
    Shell s;
    auto r1 = make<RADIOBUTTON>(&s.form, 102, "RADIODBFIN", QRect(10, 10, 120, 20));
    auto r2 = make<RADIOBUTTON>(&s.form, 103, "RADIOCSVIN", QRect(10, 30, 120, 20));
    auto cb = make<CHECKBOX>(&s.form, 122, "CHECKLAENGEIN", QRect(10, 60, 120, 20));
    auto grp = make<RADIOBUTTONGROUP>(&s.form, 101, "GROUPFORMATIN", QRect(5, 0, 140, 55));
    grp->FILLUSING({{r1.get(), "RadioDbfIn"}, {r2.get(), "RadioCsvIn"}});

    r1->PRESSED(true);
    cb->CHECKED(true);
    r2->SENDMESSAGE(BM_SETCHECK, 1);
    EXPECT_TRUE(s.form.clicks.empty());

    clickButton(*r1);                  // user click
    r2->CLICK();                       // the synchronous click message
    cb->SENDMESSAGE(BM_CLICK);
    clickButton(*cb);
    EXPECT_EQ(s.form.clicks, (std::vector<std::string>{"RADIODBFIN", "RADIOCSVIN", "CHECKLAENGEIN", "CHECKLAENGEIN"}));
    EXPECT_TRUE(r2->PRESSED());
    EXPECT_FALSE(r1->PRESSED());
    EXPECT_TRUE(cb->CHECKED());  // set, then toggled twice
}

TEST(GuiRadioGroup, KeepsExactlyOneButtonPressedPerFamily) {
    Shell s;
    std::vector<std::unique_ptr<RADIOBUTTON>> in, out;
    for (int i = 0; i < 3; ++i) {
        in.push_back(make<RADIOBUTTON>(&s.form, 102 + i, "IN" + std::to_string(i), QRect(10, 10 + 20 * i, 100, 18)));
        out.push_back(make<RADIOBUTTON>(&s.form, 128 + i, "OUT" + std::to_string(i), QRect(200, 10 + 20 * i, 100, 18)));
    }
    // Groups are made after their buttons, as the form does.
    auto gin = make<RADIOBUTTONGROUP>(&s.form, 101, "GIN", QRect(5, 0, 150, 80));
    auto gout = make<RADIOBUTTONGROUP>(&s.form, 127, "GOUT", QRect(195, 0, 150, 80));
    gin->FILLUSING({{in[0].get(), "a"}, {in[1].get(), "b"}, {in[2].get(), "c"}});
    gout->FILLUSING({{out[0].get(), "x"}, {out[1].get(), "y"}, {out[2].get(), "z"}});
    EXPECT_TRUE(gin->VALUE().isNil());

    auto pressedCount = [](const std::vector<std::unique_ptr<RADIOBUTTON>>& v) {
        int n = 0;
        for (const auto& b : v) n += b->PRESSED();
        return n;
    };
    in[0]->PRESSED(true);
    out[2]->PRESSED(true);
    clickButton(*in[1]);
    in[2]->PRESSED(true);
    clickButton(*in[2]);  // clicking the pressed button keeps it pressed
    EXPECT_EQ(pressedCount(in), 1);
    EXPECT_EQ(pressedCount(out), 1);  // the other family is untouched
    EXPECT_EQ(gin->VALUE().str(), "c");
    EXPECT_EQ(gout->VALUE().str(), "z");
    gout->VALUE(rt::Value("y"));
    EXPECT_TRUE(out[1]->PRESSED());
    EXPECT_EQ(pressedCount(out), 1);
    in[2]->PRESSED(false);  // code may release the pressed button
    EXPECT_EQ(pressedCount(in), 0);
    EXPECT_EQ(s.form.FIELDGET("gout").str(), "y");
}

TEST(GuiListBox, SortsCaseInsensitivelyAndWalksTheSelection) {
    Shell s;
    auto sorted = make<LISTBOX>(&s.form, 165, "LISTFUNKTIONEN", QRect(10, 10, 120, 150), LBS_SORT);
    sorted->FILLUSING(std::vector<std::string>{"LTrim", "Upper", "Left", "alltrim", "AT", "Val"});
    std::vector<std::string> order;
    for (int i = 1; i <= sorted->ITEMCOUNT(); ++i) order.push_back(sorted->GETITEM(i));
    EXPECT_EQ(order, (std::vector<std::string>{"alltrim", "AT", "Left", "LTrim", "Upper", "Val"}));
    EXPECT_EQ(sorted->ADDITEM("left2"), 4);

    auto fields = make<LISTBOX>(&s.form, 159, "LISTDATENFELD", QRect(150, 10, 120, 150), LBS_MULTIPLESEL);
    fields->FILLUSING(std::vector<std::pair<std::string, rt::Value>>{{"NAME", 1}, {"NAME2", 2}, {"CITY", 3}, {"ZIP", 4}});
    EXPECT_EQ(fields->FINDITEM("name2"), 2);        // exact, ignoring case
    EXPECT_EQ(fields->FINDITEM("NA", false), 1);    // first item beginning with the text
    EXPECT_EQ(fields->FINDITEM("NAM"), 0);
    EXPECT_EQ(fields->FINDITEM("ZIP", true, 4), 4);  // the search wraps around
    EXPECT_EQ(fields->FIRSTSELECTED(), 0);
    fields->SELECTITEM(4);
    fields->SELECTITEM(2);
    EXPECT_EQ(fields->FIRSTSELECTED(), 2);
    EXPECT_EQ(fields->NEXTSELECTED(), 4);
    EXPECT_EQ(fields->NEXTSELECTED(), 0);
    EXPECT_EQ(fields->GETITEMVALUE(3).num(), 3);
    EXPECT_TRUE(fields->GETITEMVALUE(9).isNil());
    EXPECT_FALSE(fields->SELECTITEM(0));
    EXPECT_TRUE(s.form.selects.empty());  // nothing by code

    clickListRow(fields->listWidget(), 0);  // a click toggles an item in a multiple list
    EXPECT_EQ(fields->SELECTEDCOUNT(), 3);
    EXPECT_EQ(s.form.selects, std::vector<std::string>{"LISTDATENFELD"});

    // Every click on an item is a pick, the item already selected included (one click
    // inserts one operator into the filter text).
    auto ops = make<LISTBOX>(&s.form, 164, "LISTOPERATOREN", QRect(300, 10, 60, 150));
    ops->FILLUSING(std::vector<std::string>{"+", "(", ")"});
    s.form.selects.clear();
    clickListRow(ops->listWidget(), 1);
    clickListRow(ops->listWidget(), 1);
    ops->listWidget()->setCurrentRow(2);  // as the arrow keys do
    EXPECT_EQ(s.form.selects, (std::vector<std::string>{"LISTOPERATOREN", "LISTOPERATOREN", "LISTOPERATOREN"}));
    EXPECT_EQ(ops->CURRENTITEM(), ")");
}

TEST(GuiComboBox, SimpleStyleShowsItsListAndKeepsTheChoiceAcrossItemOneSwap) {
    Shell s;
    auto combo = make<COMBOBOX>(&s.form, 153, "COMBOSORTIER1", QRect(10, 10, 90, 80));
    EXPECT_TRUE(combo->listWidget()->isVisible());
    EXPECT_TRUE(combo->lineEdit()->isVisible());
    combo->FILLUSING(std::vector<std::string>{"keine", "NAME", "CITY", "ZIP"});
    EXPECT_EQ(combo->CURRENTITEMNO(), 0);
    combo->CURRENTITEMNO(3);
    EXPECT_EQ(combo->CURRENTTEXT(), "CITY");
    EXPECT_EQ(combo->FINDITEM("zip"), 4);
    EXPECT_EQ(combo->FINDITEM("ZI"), 0);

    // The language switch renews item 1 and puts the choice back.
    int keep = combo->CURRENTITEMNO();
    combo->DELETEITEM(1);
    combo->ADDITEM("none", 1);
    combo->CURRENTITEMNO(keep);
    EXPECT_EQ(combo->GETITEM(1), "none");
    EXPECT_EQ(combo->CURRENTTEXT(), "CITY");
    EXPECT_TRUE(s.form.selects.empty());

    clickListRow(combo->listWidget(), 1);
    EXPECT_EQ(combo->CURRENTITEMNO(), 2);
    EXPECT_EQ(combo->CURRENTTEXT(), "NAME");
    EXPECT_EQ(s.form.selects, std::vector<std::string>{"COMBOSORTIER1"});

    // Typing selects the first item that begins with the text and keeps the text.
    combo->lineEdit()->setText("");
    emit combo->lineEdit()->textEdited("z");
    EXPECT_EQ(combo->CURRENTITEMNO(), 4);
    combo->CURRENTITEMNO(0);
    EXPECT_EQ(combo->CURRENTTEXT(), "");
}

TEST(GuiEdit, FocusChangesReachTheOwnerAndFocusSelectPlacesTheCaret) {
    Shell s;
    auto edit = make<SINGLELINEEDIT>(&s.form, 190, "SINGLEEINGABEDATEI", QRect(10, 10, 200, 22), ES_READONLY);
    edit->TEXTVALUE("/data/input/customers.csv");
    edit->FOCUSSELECT(3);
    edit->SELECTION(SELECTION(0, 0));
    QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason), out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(edit->HANDLE(), &in);
    EXPECT_EQ(edit->SELECTION(), SELECTION(25, 25));
    QApplication::sendEvent(edit->HANDLE(), &out);
    EXPECT_EQ(s.form.focus, (std::vector<std::string>{"SINGLEEINGABEDATEI+", "SINGLEEINGABEDATEI-"}));
    EXPECT_TRUE(edit->READONLY());
    edit->SELECTION(SELECTION(1, 5));
    EXPECT_EQ(edit->SELECTION(), SELECTION(1, 5));
}

TEST(GuiHyperLabel, CaptionFollowsTheLabelDataDoesNotAndToolTipsFollowTheSwitch) {
    Shell s;
    auto group = make<GROUPBOX>(&s.form, 100, "GROUPEINSTELLUNGIN", QRect(5, 5, 200, 100));
    auto edit = make<SINGLELINEEDIT>(&s.form, 123, "SINGLELAENGEIN", QRect(10, 120, 100, 22));
    edit->TEXTVALUE("10 20 30");
    HYPERLABEL en("GROUPEINSTELLUNGIN", "Settings for the input file", "What the input looks like");
    group->HYPERLABEL(en);
    edit->HYPERLABEL(HYPERLABEL("SINGLELAENGEIN", "Lengths", "Field lengths"));
    EXPECT_EQ(group->CAPTION(), "Settings for the input file");
    EXPECT_EQ(edit->TEXTVALUE(), "10 20 30");
    EXPECT_EQ(group->TOOLTIPTEXT(), "");  // tool tips are off until switched on
    group->USEHLFORTOOLTIP(true);
    edit->USEHLFORTOOLTIP(true);
    EXPECT_EQ(group->TOOLTIPTEXT(), "What the input looks like");
    EXPECT_EQ(edit->TOOLTIPTEXT(), "Field lengths");
    group->USEHLFORTOOLTIP(false);
    EXPECT_EQ(group->TOOLTIPTEXT(), "");
}

TEST(GuiDataWindow, ConditionalControlsComeBackInTheStateTheProgramLastSet) {
    Shell s;
    auto a = make<CHECKBOX>(&s.form, 1, "A", QRect(0, 0, 50, 20));
    auto b = make<CHECKBOX>(&s.form, 2, "B", QRect(0, 30, 50, 20));
    auto c = make<PUSHBUTTON>(&s.form, 3, "C", QRect(0, 60, 50, 20));
    for (CONTROL* x : std::initializer_list<CONTROL*>{a.get(), b.get(), c.get()}) s.form.ADDCONDITIONALCONTROL(x);
    b->DISABLE();
    s.form.DISABLECONDITIONALCONTROLS();
    EXPECT_FALSE(a->ISENABLED() || b->ISENABLED() || c->ISENABLED());
    c->ENABLE();  // what a run keeps usable (its Cancel button) is usable at once
    a->DISABLE();
    EXPECT_TRUE(c->ISENABLED());
    EXPECT_FALSE(a->ISENABLED());
    s.form.ENABLECONDITIONALCONTROLS();
    EXPECT_FALSE(a->ISENABLED());
    EXPECT_FALSE(b->ISENABLED());
    EXPECT_TRUE(c->ISENABLED());
    EXPECT_TRUE(s.form.FIELDPUT("a", true));
    EXPECT_TRUE(a->CHECKED());
    EXPECT_FALSE(s.form.FIELDPUT("missing", true));
    EXPECT_TRUE(s.form.FIELDGET("missing").isNil());
    c.reset();  // a control that goes leaves the registry
    s.form.DISABLECONDITIONALCONTROLS();
    s.form.ENABLECONDITIONALCONTROLS();
    EXPECT_FALSE(b->ISENABLED());
}

TEST(GuiProgressBar, KeepsPositionsAboveTheRangeAndShowsThemClamped) {
    Shell s;
    PROGRESSBAR bar(&s.form, 188, QRect(10, 10, 200, 16));
    bar.RANGE(RANGE(0, 100));
    struct Case { int set; int shown; };
    for (Case c : {Case{0, 0}, Case{42, 42}, Case{150, 100}, Case{-5, 0}}) {
        bar.POSITION(c.set);
        EXPECT_EQ(bar.POSITION(), c.set);
        EXPECT_EQ(bar.OLDPOSITION(), c.set);
        EXPECT_EQ(bar.shownValue(), c.shown);
        EXPECT_EQ(qobject_cast<QProgressBar*>(bar.HANDLE())->value(), c.shown);
    }
}

TEST(GuiPump, ProcessesEventsOnlyWhenTenMillisecondsHavePassed) {
    using namespace std::chrono;
    steady_clock::time_point now{};
    setPumpClock([&] { return now; });
    int delivered = 0;
    struct Step { int advanceMs; bool runs; };
    const Step steps[] = {{0, true}, {3, false}, {6, false}, {1, true}, {9, false}, {25, true}, {0, false}};
    for (const Step& st : steps) {
        now += milliseconds(st.advanceMs);
        QTimer::singleShot(0, [&] { ++delivered; });
        uint64_t before = pumpRuns();
        int deliveredBefore = delivered;
        APPLICATIONEXEC();
        EXPECT_EQ(pumpRuns() - before, st.runs ? 1u : 0u) << "after +" << st.advanceMs << " ms";
        // A run delivers what is pending, the posted events of skipped calls included.
        if (st.runs) EXPECT_GT(delivered, deliveredBefore);
        else EXPECT_EQ(delivered, deliveredBefore);
    }
    setPumpClock({});
    resetPumpThrottle();
    APPLICATIONEXEC();
}

TEST(GuiDialogs, MessageBoxesGoThroughTheScriptedRunner) {
    std::vector<ModalRequest> seen;
    ModalRunner old = setModalRunner([&](const ModalRequest& r) -> intptr_t {
        seen.push_back(r);
        return r.style & BOXYESNO ? BOXREPLYNO : BOXREPLYOK;
    });
    EXPECT_EQ(TEXTBOX(nullptr, "MIRVANO 7.00", "Hilfe", BOXICONASTERISK).SHOW(), BOXREPLYOK);
    EXPECT_EQ(TEXTBOX(nullptr, "Frage", "Wirklich?", BOXYESNO | BOXICONQUESTIONMARK).SHOW(), BOXREPLYNO);
    ERRORBOX(nullptr, "Fehler", "kaputt").SHOW();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].caption, "MIRVANO 7.00");
    EXPECT_EQ(seen[0].style, 64);
    EXPECT_EQ(seen[2].boxClass, "ERRORBOX");

    // A batch never blocks: boxes answer yes/OK, dialogs end at once.
    setModalRunner(batchModalRunner);
    EXPECT_EQ(TEXTBOX(nullptr, "Frage", "?", BOXYESNO).SHOW(), BOXREPLYYES);
    DIALOGWINDOW dlg(nullptr, true);
    dlg.SHOW();
    EXPECT_TRUE(dlg.isEnded());
    EXPECT_FALSE(dlg.ISVISIBLE());
    setModalRunner(old);
}

TEST(GuiWindow, ControlsOutlivingTheirOwnerAreHarmless) {
    auto shell = std::make_unique<Shell>();
    auto b = make<PUSHBUTTON>(&shell->form, 1, "B", QRect(0, 0, 50, 20));
    auto l = make<LISTBOX>(&shell->form, 2, "L", QRect(0, 30, 50, 50));
    EXPECT_EQ(shell->form.GETALLCHILDREN().size(), 2u);
    EXPECT_EQ(GUIOBJECT::fromHandle(b->HANDLE()), b.get());
    shell.reset();
    EXPECT_EQ(b->HANDLE(), nullptr);
    b->CLICK();
    b->CAPTION("x");
    EXPECT_EQ(l->ADDITEM("a"), 0);
    EXPECT_EQ(l->ITEMCOUNT(), 0);
}

namespace {

// Processes events until `done` holds; gives up after five seconds so a broken timer fails
// the test instead of hanging it. Nothing here measures time.
template <class Pred>
bool pumpUntil(Pred done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return done();
}

class TimerWindow : public CHILDAPPWINDOW {
public:
    using CHILDAPPWINDOW::CHILDAPPWINDOW;
    std::vector<uintptr_t> ticks;
    intptr_t DISPATCH(Event& e) override {
        if (e.MESSAGE() == WM_TIMER) ticks.push_back(e.WPARAM());
        return CHILDAPPWINDOW::DISPATCH(e);
    }
};

class ClosingWindow : public TOPAPPWINDOW {
public:
    bool allow = false;
    std::vector<std::string> calls;
    bool QUERYCLOSE(Event&) override {
        calls.push_back("QUERYCLOSE");
        return allow;
    }
    void CLOSE(Event&) override { calls.push_back("CLOSE"); }
    void DESTROY() override {
        calls.push_back("DESTROY");
        TOPAPPWINDOW::DESTROY();
    }
};

}  // namespace

TEST(GuiTimers, WindowAndThreadTimersTickOnlyWhileEventsAreProcessed) {
    TOPAPPWINDOW top;
    TimerWindow w(&top);
    ASSERT_TRUE(w.SETTIMER(1, 1));
    int threadTicks = 0;
    unsigned id = SetThreadTimer(1, [&] { ++threadTicks; });
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(pumpUntil([&] { return !w.ticks.empty() && threadTicks > 0; }));
    EXPECT_EQ(w.ticks.front(), 1u);
    EXPECT_TRUE(w.KILLTIMER(1));
    EXPECT_FALSE(w.KILLTIMER(1));
    EXPECT_TRUE(KillThreadTimer(id));
    EXPECT_FALSE(KillThreadTimer(id));
    // Intervals below the system's smallest tick run at that tick, as SetTimer runs them.
    const unsigned quick = SetThreadTimer(0, [] {});
    ASSERT_NE(quick, 0u);
    EXPECT_EQ(threadTimerInterval(quick), 10u);
    EXPECT_TRUE(KillThreadTimer(quick));
}

TEST(GuiApplication, QuitEndsTheEventLoop) {
    APPLICATION app;
    EXPECT_EQ(APPLICATION::instance(), &app);
    QTimer::singleShot(1, [&] { app.QUIT(); });
    app.EXEC();
    EXPECT_TRUE(app.quitRequested());
    app.EXEC();  // after QUIT it returns at once
}

TEST(GuiWindow, ClosingAsksQueryCloseUnlessForcedAndDestroysOnce) {
    ClosingWindow w;
    w.SHOW();
    w.ENDWINDOW();
    EXPECT_EQ(w.calls, std::vector<std::string>{"QUERYCLOSE"});
    EXPECT_TRUE(w.ISVISIBLE());
    w.ENDWINDOW(true);
    EXPECT_EQ(w.calls, (std::vector<std::string>{"QUERYCLOSE", "CLOSE", "DESTROY"}));
    EXPECT_FALSE(w.ISVISIBLE());
    w.ENDWINDOW(true);  // already ended
    EXPECT_EQ(w.calls.size(), 3u);
}

TEST(GuiWindow, StatusBarStandsBelowTheCanvas) {
    TOPAPPWINDOW top;
    top.SIZE(DIMENSION(768, 620));
    STATUSBAR bar(&top);
    top.STATUSBAR(&bar);
    bar.DISPLAYMESSAGE();
    top.SHOW();
    QCoreApplication::processEvents();
    int barHeight = bar.HANDLE()->height();
    EXPECT_GT(barHeight, 0);
    EXPECT_EQ(top.CANVASAREA().SIZE(), DIMENSION(768, 620 - barHeight));
    EXPECT_EQ(bar.HANDLE()->geometry().bottom(), 619);
    bar.SETTEXT("Bereit");
    EXPECT_EQ(bar.GETTEXT(), "Bereit");
}

TEST(GuiShellWindow, ItsChildWindowsAreMdiChildWindowsOfItsClient) {
    auto shell = std::make_unique<SHELLWINDOW>();
    shell->SIZE(DIMENSION(500, 400));
    shell->SHOW();
    MdiClient* client = shell->MDICLIENT();
    ASSERT_NE(client, nullptr);
    auto child = std::make_unique<CHILDAPPWINDOW>(shell.get());
    auto form = std::make_unique<DATAWINDOW>(shell.get());
    EXPECT_FALSE(child->ISVISIBLE());  // hidden until shown, frame and all
    child->SIZE(DIMENSION(200, 120));
    child->ORIGIN(POINT(30, 40));
    child->SHOW();
    QApplication::processEvents();
    ASSERT_EQ(client->subWindowList().size(), 2);
    EXPECT_EQ(shell->GETALLCHILDREN(), (std::vector<GUIOBJECT*>{child.get(), form.get()}));
    // Its size is its client size; its frame stands y-up in the MDI client.
    EXPECT_EQ(child->SIZE(), DIMENSION(200, 120));
    EXPECT_EQ(child->CANVASAREA().SIZE(), DIMENSION(200, 120));
    EXPECT_EQ(child->ORIGIN(), POINT(30, 40));
    const QWidget* frame = child->HANDLE()->parentWidget();
    EXPECT_EQ(frame->geometry().bottom(), client->viewport()->height() - 1 - 40);
    EXPECT_TRUE(child->ISVISIBLE());

    // Maximised it fills the MDI client and follows it; minimised it is iconic.
    child->SHOW(SHOWZOOMED);
    QApplication::processEvents();
    EXPECT_TRUE(child->ISZOOMED());
    EXPECT_FALSE(child->ISICONIC());
    EXPECT_EQ(frame->size(), client->viewport()->size());
    child->SHOW(SHOWMINIMIZED);
    QApplication::processEvents();
    EXPECT_TRUE(child->ISICONIC());
    EXPECT_FALSE(child->ISZOOMED());

    // Hidden, destroyed or deleted, it leaves no empty frame in the client.
    child->HIDE();
    EXPECT_FALSE(frame->isVisible());
    form->SHOW();
    form->DESTROY();
    EXPECT_FALSE(form->HANDLE()->parentWidget()->isVisible());
    child.reset();
    form.reset();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(client->subWindowList().isEmpty());
    // A child window that outlives its shell is harmless.
    auto late = std::make_unique<CHILDAPPWINDOW>(shell.get());
    shell.reset();
    EXPECT_EQ(late->HANDLE(), nullptr);
    late->SHOW(SHOWZOOMED);
    late->SIZE(DIMENSION(10, 10));
    EXPECT_FALSE(late->ISZOOMED());
}

TEST(GuiSlider, RangeThumbAndOrientation) {
    TOPAPPWINDOW top;
    SLIDER across(&top, 1, POINT(10, 10), DIMENSION(120, 24));
    SLIDER upright(&top, 2, POINT(150, 10), DIMENSION(24, 120), TBS_VERT);
    EXPECT_EQ(across.RANGE(), RANGE(0, 100));
    across.RANGE(RANGE(40, -10));  // given either way round
    EXPECT_EQ(across.RANGE(), RANGE(-10, 40));
    across.THUMBPOSITION(25);
    EXPECT_EQ(across.THUMBPOSITION(), 25);
    across.THUMBPOSITION(99);  // kept inside the range
    EXPECT_EQ(across.THUMBPOSITION(), 40);
    EXPECT_EQ(qobject_cast<QSlider*>(across.HANDLE())->orientation(), Qt::Horizontal);
    EXPECT_EQ(qobject_cast<QSlider*>(upright.HANDLE())->orientation(), Qt::Vertical);
    EXPECT_EQ(upright.SENDMESSAGE(WM_SIZE), 0);
}
