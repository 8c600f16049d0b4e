// The settings form on the offscreen screen: built from its template, its option clicks and
// enable rules, the language switch, the layout inside the shell and the activity highlight.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QStyle>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "mainwindow/dtamirvano.h"
#include "platform/gui/controls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/window.h"
#include "ui/formtemplate.h"
#include "ui/globals.h"
#include "ui/texts.h"
#include "widgets/statusbar2.h"

namespace {

using ui::DTAMIRVANO;

class FormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::gbSprache = 1;
        shell = std::make_unique<gui::TOPAPPWINDOW>();
        bar = std::make_unique<widgets::STATUSBAR2>(shell.get());
        shell->STATUSBAR(bar.get());
        shell->SIZE(gui::DIMENSION(820, 640));
        ui::goShell = shell.get();
        // As at start-up: the shell is on the screen before the main window is made.
        shell->SHOW();
        QApplication::processEvents();
        form = std::make_unique<DTAMIRVANO>(shell.get());
        form->SHOW();
        QApplication::processEvents();
    }
    void TearDown() override {
        form.reset();
        ui::goShell = nullptr;
        shell->STATUSBAR(nullptr);
        bar.reset();
        shell.reset();
        ui::gbSprache = 2;
    }

    // What a settings load does with the language and the option families: the tables
    // applied, one member of every family pressed with its flag.
    void loadDefaults() {
        form->INITSPRACHE();
        form->SETSPRACHE(ui::gbSprache);
        for (const ui::RadioFamily& family : ui::optionFamilies()) {
            for (size_t i = 0; i < family.members.size(); ++i) {
                const std::string button = family.members[i].button;
                // CSV on both sides, so that every option control starts enabled.
                const bool on = family.name == std::string("FileFormatIn") || family.name == std::string("FileFormatOut")
                                    ? button.find("CSV") != std::string::npos
                                    : i == 0;
                radio(button)->PRESSED(on);
                form.get()->*family.members[i].flag = on;
            }
        }
        radio("RADIOAUSGUEBERSCHR")->PRESSED(true);
        radio(ui::gbSprache == 1 ? "RADIODEUTSCH" : "RADIOENGLISCH")->PRESSED(true);
        check("CHECKTOOLTIP")->CHECKED(true);
        form->SETTOOLTIP();
        form->EINAUSBLENDEN();
    }

    gui::RADIOBUTTON* radio(const std::string& name) { return dynamic_cast<gui::RADIOBUTTON*>(form->formControl(name)); }
    gui::CHECKBOX* check(const std::string& name) { return dynamic_cast<gui::CHECKBOX*>(form->formControl(name)); }
    gui::CONTROL* control(const std::string& name) { return form->formControl(name); }

    std::unique_ptr<gui::TOPAPPWINDOW> shell;
    std::unique_ptr<widgets::STATUSBAR2> bar;
    std::unique_ptr<DTAMIRVANO> form;
};

bool kindMatches(gui::CONTROL* c, ui::ControlKind kind) {
    using K = ui::ControlKind;
    switch (kind) {
    case K::GroupBox: return dynamic_cast<gui::GROUPBOX*>(c) && !dynamic_cast<gui::RADIOBUTTONGROUP*>(c);
    case K::RadioButtonGroup: return dynamic_cast<gui::RADIOBUTTONGROUP*>(c) != nullptr;
    case K::RadioButton: return dynamic_cast<gui::RADIOBUTTON*>(c) != nullptr;
    case K::CheckBox: return dynamic_cast<gui::CHECKBOX*>(c) != nullptr;
    case K::SingleLineEdit: return dynamic_cast<gui::SINGLELINEEDIT*>(c) != nullptr;
    case K::ComboBox: return dynamic_cast<gui::COMBOBOX*>(c) != nullptr;
    case K::ListBox: return dynamic_cast<gui::LISTBOX*>(c) != nullptr;
    case K::PushButton: return dynamic_cast<gui::PUSHBUTTON*>(c) != nullptr;
    case K::FixedIcon: return dynamic_cast<gui::FIXEDICON*>(c) != nullptr;
    case K::FixedText: return dynamic_cast<gui::FIXEDTEXT*>(c) != nullptr;
    case K::ProgressBar: return dynamic_cast<widgets::PROGRESSBAR*>(c) != nullptr;
    case K::DataListView: return dynamic_cast<gui::DATALISTVIEW*>(c) != nullptr;
    case K::MultiLineEdit: return dynamic_cast<gui::MULTILINEEDIT*>(c) != nullptr;
    }
    return false;
}

bool showsCaption(ui::ControlKind kind) {
    using K = ui::ControlKind;
    return kind == K::GroupBox || kind == K::RadioButtonGroup || kind == K::RadioButton || kind == K::CheckBox ||
           kind == K::PushButton || kind == K::FixedText;
}

}  // namespace

TEST_F(FormTest, BuildsEveryTemplateItemWithItsIdNameKindCaptionAndFont) {
    const auto& controls = form->formControls();
    ASSERT_EQ(controls.size(), 101u);
    ASSERT_EQ(ui::formItems().size(), 101u);
    int lastId = 0;
    for (size_t i = 0; i < controls.size(); ++i) {
        const ui::FormItem& item = ui::formItems()[i];
        gui::CONTROL* c = controls[i];
        SCOPED_TRACE(item.name);
        EXPECT_GT(item.id, lastId);
        lastId = item.id;
        EXPECT_EQ(c->CONTROLID(), item.id);
        EXPECT_EQ(c->NAMESYM(), item.name);
        EXPECT_TRUE(kindMatches(c, item.kind));
        EXPECT_EQ(c->HYPERLABEL().CAPTION(), item.caption);
        if (showsCaption(item.kind)) {
            EXPECT_EQ(c->CAPTION(), item.caption);
        }
        EXPECT_EQ(c->OWNER(), form.get());
        // Radio buttons are siblings of their frame: every control is a child of the form.
        EXPECT_EQ(c->HANDLE()->parentWidget(), form->surface());
        if (item.font) {
            const ui::FormFont& f = ui::formFont(item.font);
            EXPECT_EQ(c->FONT().FONTFACENAME(), f.face);
            EXPECT_EQ(c->FONT().POINTSIZE(), f.points);
            EXPECT_EQ(c->FONT().BOLD(), f.bold);
        }
        const bool view = item.kind == ui::ControlKind::DataListView || item.kind == ui::ControlKind::MultiLineEdit;
        EXPECT_EQ(c->ISVISIBLE(), !view) << "only the settings show after construction";
    }
    EXPECT_EQ(form->OCCBUTFILTERTESTEN->FONT().POINTSIZE(), 8);
    EXPECT_EQ(form->OCCBUTDATEIOEFFNEN->FONT().POINTSIZE(), 9);
    EXPECT_EQ(form->ODCINPUTMLE->FONT().FONTFACENAME(), "Courier New");
    EXPECT_EQ(form->ODCGROUPSPRACHE->TEXTCOLOR(), gui::COLOR(0, 128, 0));
    EXPECT_NE(form->ODCGROUPEINSTELLUNGIN->TEXTCOLOR(), form->ODCGROUPEINSTELLUNGOUT->TEXTCOLOR());
    EXPECT_EQ(form->ODCGROUPSORTIER->TEXTCOLOR(), form->ODCGROUPEINSTELLUNGOUT->TEXTCOLOR());
    EXPECT_EQ(form->ODCSINGLEEINGABEDATEI->FOCUSSELECT(), 3);
    EXPECT_TRUE(form->ODCINPUTBROWSER->GRIDLINES());
    EXPECT_TRUE(form->ODCLISTDATENFELD->isMultiple());
    EXPECT_FALSE(form->ODCLISTAUSWAHLFELD->isMultiple());
    EXPECT_TRUE(form->ODCLISTFUNKTIONEN->isSorted());
    EXPECT_FALSE(form->ODCLISTOPERATOREN->isSorted());
    EXPECT_EQ(form->viewAs(), "FORMVIEW");
    // Every control reference is bound to the control of its name.
    EXPECT_EQ(form->OCCRADIOUTF8IN, control("RADIOUTF8IN"));
    EXPECT_EQ(form->ODCOUTPUTMLE, control("OUTPUTMLE"));
    EXPECT_EQ(form->ODCPROGRESSBAR, control("PROGRESSBAR"));
    // Screen order differs from the id order in three places.
    EXPECT_GT(form->OCCRADIOUTF8IN->ORIGIN().Y(), form->OCCRADIOUNIIN->ORIGIN().Y());
    EXPECT_GT(form->OCCRADIOUTF8OUT->ORIGIN().Y(), form->OCCRADIOUNIOUT->ORIGIN().Y());
    EXPECT_GT(form->OCCRADIOENGLISCH->ORIGIN().Y(), form->OCCRADIODEUTSCH->ORIGIN().Y());
    // Nothing pressed, nothing ticked before settings are loaded.
    for (const ui::FormItem& item : ui::formItems()) {
        if (auto* r = radio(item.name)) {
            EXPECT_FALSE(r->PRESSED()) << item.name;
        }
        if (auto* k = check(item.name)) {
            EXPECT_FALSE(k->CHECKED()) << item.name;
        }
    }
}

TEST_F(FormTest, TabOrderFollowsTheIds) {
    QWidget* first = form->formControls().front()->HANDLE();
    std::vector<int> ids;
    QWidget* w = first;
    do {
        for (QWidget* p = w; p && p != form->surface(); p = p->parentWidget()) {
            if (auto* obj = dynamic_cast<gui::CONTROL*>(gui::GUIOBJECT::fromHandle(p))) {
                if (obj->OWNER() == form.get() && (ids.empty() || ids.back() != obj->CONTROLID()))
                    ids.push_back(obj->CONTROLID());
                break;
            }
        }
        w = w->nextInFocusChain();
    } while (w && w != first);
    std::vector<int> expected;
    for (const auto& item : ui::formItems()) expected.push_back(item.id);
    EXPECT_EQ(ids, expected);
}

// The control a focus widget belongs to (a combo box's edit belongs to its combo box).
gui::CONTROL* owningControl(QWidget* w, const DTAMIRVANO& form) {
    for (QWidget* p = w; p; p = p->parentWidget())
        if (auto* c = dynamic_cast<gui::CONTROL*>(gui::GUIOBJECT::fromHandle(p)))
            if (c->OWNER() == &form) return c;
    return nullptr;
}

TEST_F(FormTest, TabKeyVisitsTheTemplatesTabStopsInOrderAndNoRadioButton) {
    loadDefaults();
    // Keys go to the active window (on an X server too, where the test's window is not
    // active by itself).
    shell->HANDLE()->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(shell->HANDLE()->window()));
    // The template's tab stops that can take the focus now, in id order.
    std::vector<std::string> stops;
    for (const ui::FormItem& item : ui::formItems()) {
        QWidget* w = control(item.name)->HANDLE();
        if ((item.style & ui::kStyleTabStop) && w->isVisible() && w->isEnabled()) stops.push_back(item.name);
    }
    ASSERT_GT(stops.size(), 25u);
    control(stops.front())->HANDLE()->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    std::vector<std::string> visited;
    for (size_t i = 0; i < stops.size() + 40 && visited.size() < stops.size(); ++i) {
        gui::CONTROL* c = owningControl(QApplication::focusWidget(), *form);
        ASSERT_NE(c, nullptr);
        if (visited.empty() || visited.back() != c->NAMESYM()) visited.push_back(c->NAMESYM());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, stops);
    // Shift+Tab goes back the same way.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(owningControl(QApplication::focusWidget(), *form)->NAMESYM(), stops.back());

    // A click puts the focus on a radio button; Tab leaves it for the next tab stop, and
    // no radio button of its group or any other comes up on the way round.
    QWidget* clicked = control("RADIOCSVOUT")->HANDLE();
    QTest::mouseClick(clicked, Qt::LeftButton, {}, QPoint(6, clicked->height() / 2));
    ASSERT_EQ(QApplication::focusWidget(), clicked);
    for (size_t i = 0; i < stops.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        gui::CONTROL* c = owningControl(QApplication::focusWidget(), *form);
        ASSERT_NE(c, nullptr);
        if (i == 0) EXPECT_EQ(c->NAMESYM(), "CHECKHEADEROUT");
        EXPECT_EQ(dynamic_cast<gui::RADIOBUTTON*>(c), nullptr) << c->NAMESYM();
    }
}

TEST_F(FormTest, ArrowKeysMoveWithinARadioGroupInScreenOrderAndChoose) {
    loadDefaults();
    // Keys go to the active window (on an X server too, where the test's window is not
    // active by itself).
    shell->HANDLE()->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(shell->HANDLE()->window()));
    struct Case {
        const char* clicked;
        Qt::Key key;
        const char* reached;
    } cases[] = {
        {"RADIOCSVIN", Qt::Key_Down, "RADIOSDFIN"},
        {"RADIOSDFIN", Qt::Key_Down, "RADIODBFIN"},  // round from the last to the first
        {"RADIODBFIN", Qt::Key_Up, "RADIOSDFIN"},
        {"RADIOCSVIN", Qt::Key_Left, "RADIODBFIN"},
        // UTF8 stands above Unicode on the screen, though after it in the template.
        {"RADIOASCIIOUT", Qt::Key_Down, "RADIOUTF8OUT"},
        {"RADIOUNIOUT", Qt::Key_Right, "RADIOANSIOUT"},
        {"RADIOENGLISCH", Qt::Key_Down, "RADIODEUTSCH"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.clicked) + " -> " + c.reached);
        QWidget* start = control(c.clicked)->HANDLE();
        QTest::mouseClick(start, Qt::LeftButton, {}, QPoint(6, start->height() / 2));
        ASSERT_EQ(QApplication::focusWidget(), start);
        ASSERT_TRUE(radio(c.clicked)->PRESSED());
        QTest::keyClick(start, c.key);
        EXPECT_EQ(QApplication::focusWidget(), control(c.reached)->HANDLE());
        EXPECT_TRUE(radio(c.reached)->PRESSED());
        EXPECT_FALSE(radio(c.clicked)->PRESSED());
    }
    // The flags followed as after a click, and the switch of language too.
    EXPECT_TRUE(form->lOutUTF8 || form->lOutANSI);
    EXPECT_EQ(ui::gbSprache, 1);

    // A button the enable rules greyed out is passed over: a dBase input takes no UTF-8 or
    // Unicode.
    QWidget* dbf = control("RADIODBFIN")->HANDLE();
    QTest::mouseClick(dbf, Qt::LeftButton, {}, QPoint(6, dbf->height() / 2));
    ASSERT_TRUE(form->lInDBF);
    ASSERT_FALSE(form->OCCRADIOUTF8IN->ISENABLED());
    QWidget* ascii = control("RADIOASCIIIN")->HANDLE();
    QTest::mouseClick(ascii, Qt::LeftButton, {}, QPoint(6, ascii->height() / 2));
    QTest::keyClick(ascii, Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), control("RADIOANSIIN")->HANDLE());
    EXPECT_TRUE(form->lInANSI);
    EXPECT_FALSE(form->lInOEM);
}

TEST_F(FormTest, ValueAccessorsGoThroughTheFormAndKeepTheValueVariable) {
    loadDefaults();
    EXPECT_TRUE(form->CHECKSORT(rt::Value(true)).log());
    EXPECT_TRUE(form->CHECKSORT().log());
    EXPECT_TRUE(form->ODCCHECKSORT->CHECKED());
    EXPECT_TRUE(form->valueVariable("CHECKSORT").log());
    EXPECT_EQ(form->SINGLELAENGEIN(rt::Value("10 20")).str(), "10 20");
    EXPECT_EQ(form->ODCSINGLELAENGEIN->TEXTVALUE(), "10 20");
    EXPECT_EQ(form->GROUPFORMATIN().str(), "RadioCsvIn");
    EXPECT_EQ(form->GROUPFORMATIN(rt::Value("RadioSdfIn")).str(), "RadioSdfIn");
    EXPECT_TRUE(form->OCCRADIOSDFIN->PRESSED());
    EXPECT_TRUE(form->valueVariable("INPUTMLE").isNil());
}

TEST_F(FormTest, EveryRadioFamilyKeepsExactlyOneButtonPressedAndItsFlagInStep) {
    loadDefaults();
    auto expectInvariant = [&](const std::string& after) {
        SCOPED_TRACE("after a click on " + after);
        for (const ui::RadioFamily& family : ui::optionFamilies()) {
            int pressed = 0, flags = 0;
            for (const auto& m : family.members) {
                pressed += radio(m.button)->PRESSED();
                flags += form.get()->*m.flag;
                EXPECT_EQ(radio(m.button)->PRESSED(), form.get()->*m.flag) << m.button;
            }
            EXPECT_EQ(pressed, 1) << family.name;
            EXPECT_EQ(flags, 1) << family.name;
        }
        EXPECT_NE(radio("RADIOAUSGUEBERSCHR")->PRESSED(), radio("RADIOAUSGERGAENZEN")->PRESSED());
        EXPECT_NE(radio("RADIODEUTSCH")->PRESSED(), radio("RADIOENGLISCH")->PRESSED());
        EXPECT_EQ(radio("RADIOENGLISCH")->PRESSED(), ui::gbSprache == 2);
    };
    // Every button of every family in turn; the format families last, since dBase disables
    // some of the others.
    std::vector<std::string> order;
    for (const auto& family : ui::optionFamilies())
        if (std::string(family.name).find("FileFormat") == std::string::npos)
            for (const auto& m : family.members) order.push_back(m.button);
    for (const char* b : {"RADIOAUSGERGAENZEN", "RADIOAUSGUEBERSCHR", "RADIOENGLISCH", "RADIODEUTSCH", "RADIOUTF8IN",
                          "RADIOUNIOUT", "RADIOSDFIN", "RADIODBFIN", "RADIOCSVIN", "RADIOSDFOUT", "RADIODBFOUT",
                          "RADIOCSVOUT"})
        order.push_back(b);
    for (const auto& name : order) {
        radio(name)->CLICK();
        expectInvariant(name);
    }
}

TEST_F(FormTest, EnableRulesFollowTheFormats) {
    loadDefaults();
    struct Step {
        const char* click;
        std::vector<const char*> enabled;
        std::vector<const char*> disabled;
        std::function<bool(const DTAMIRVANO&)> flags;
    };
    const std::vector<Step> steps = {
        {"RADIOSDFIN",
         {"CHECKBLANKIN", "RADIOUTF8IN", "RADIOKOMMAIN", "CHECKHEADERIN", "SINGLELAENGEIN"},
         {"RADIOSEPASEMIIN", "RADIOSEPAKOMMAIN", "RADIOSEPASCHRAEGIN", "RADIOSEPATABIN", "RADIOGRENZETEXTIN",
          "RADIOGRENZEKEINEIN", "RADIOGRENZEALLEIN", "COMBOSORTIER1", "CHECKSORT"},
         [](const DTAMIRVANO& f) { return f.lInSDF && !f.lInCSV; }},
        {"RADIOUTF8IN", {"RADIOUTF8IN"}, {}, [](const DTAMIRVANO& f) { return f.lInUTF8; }},
        {"RADIODBFIN",
         {"RADIOANSIIN", "RADIOASCIIIN", "COMBOSORTIER1", "COMBOSORTIER4", "CHECKSORT"},
         {"RADIOUTF8IN", "RADIOUNIIN", "RADIOPUNKTIN", "RADIOKOMMAIN", "RADIOSEPATABIN", "RADIOGRENZEALLEIN",
          "CHECKHEADERIN", "CHECKLAENGEIN", "CHECKBLANKIN", "SINGLELAENGEIN"},
         [](const DTAMIRVANO& f) {
             return f.lInDBF && f.lInANSI && !f.lInUTF8 && !f.lInUTF16 && f.OCCRADIOANSIIN->PRESSED() &&
                    !f.OCCRADIOUTF8IN->PRESSED();
         }},
        {"RADIOCSVIN",
         {"RADIOUTF8IN", "RADIOSEPASEMIIN", "RADIOGRENZETEXTIN", "CHECKLAENGEIN"},
         {"CHECKBLANKIN", "COMBOSORTIER2", "CHECKSORT"},
         [](const DTAMIRVANO& f) { return f.lInCSV && f.lInANSI; }},
        {"RADIOUNIOUT", {"RADIOUNIOUT"}, {}, [](const DTAMIRVANO& f) { return f.lOutUTF16; }},
        {"RADIODBFOUT",
         {"RADIOANSIOUT", "RADIOASCIIOUT", "COMBOSORTIER3", "CHECKSORT"},
         {"RADIOUTF8OUT", "RADIOUNIOUT", "RADIOPUNKTOUT", "RADIOSEPASEMIOUT", "RADIOGRENZEKEINEOUT", "CHECKHEADEROUT",
          "CHECKSKRIPTOUT", "CHECKOPTIOUT", "CHECKBLANKOUT"},
         [](const DTAMIRVANO& f) {
             return f.lOutDBF && f.lOutANSI && !f.lOutUTF16 && f.OCCRADIOANSIOUT->PRESSED() && !f.OCCRADIOUNIOUT->PRESSED();
         }},
        {"RADIOSDFOUT",
         {"RADIOUTF8OUT", "CHECKOPTIOUT", "CHECKBLANKOUT", "CHECKHEADEROUT", "CHECKSKRIPTOUT"},
         {"RADIOSEPASEMIOUT", "RADIOGRENZETEXTOUT", "COMBOSORTIER1", "CHECKSORT"},
         [](const DTAMIRVANO& f) { return f.lOutSDF && f.lOutANSI; }},
        {"RADIOCSVOUT",
         {"RADIOSEPATABOUT", "RADIOGRENZEALLEOUT", "CHECKSKRIPTOUT"},
         {"CHECKOPTIOUT", "CHECKBLANKOUT", "CHECKSORT"},
         [](const DTAMIRVANO& f) { return f.lOutCSV; }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.click);
        radio(step.click)->CLICK();
        for (const char* name : step.enabled) EXPECT_TRUE(control(name)->ISENABLED()) << name;
        for (const char* name : step.disabled) EXPECT_FALSE(control(name)->ISENABLED()) << name;
        EXPECT_TRUE(step.flags(*form));
        // The frames, file handling, filters and language are never touched.
        for (const char* name : {"GROUPFORMATIN", "GROUPCSVSEPIN", "RADIOAUSGERGAENZEN", "CHECKDATENSATZ", "RADIODEUTSCH"})
            EXPECT_TRUE(control(name)->ISENABLED()) << name;
    }
}

TEST_F(FormTest, InputOptionsCloseTheAnalysedInputOnlyWhenTheyChange) {
    loadDefaults();
    struct Case {
        const char* click;
        bool closes;
    };
    const Case cases[] = {
        {"RADIOCSVIN", false},     // already chosen
        {"RADIOSDFIN", true},      {"RADIOKOMMAIN", true},   {"CHECKHEADERIN", true},
        {"CHECKLAENGEIN", false},  // no lengths given yet
        {"RADIOSDFOUT", false},    {"CHECKHEADEROUT", false}, {"RADIOENGLISCH", false},
    };
    for (const Case& c : cases) {
        form->lInOpen = true;
        dynamic_cast<gui::BUTTON*>(control(c.click))->CLICK();
        EXPECT_EQ(form->lInOpen, !c.closes) << c.click;
    }
    EXPECT_TRUE(form->lInHeader);
    EXPECT_TRUE(form->lInLenGiven);
    EXPECT_TRUE(form->lOutHeader);
    form->cInLengths = "10 20";
    form->lInOpen = true;
    form->OCCRADIOCSVIN->CLICK();
    form->ODCCHECKLAENGEIN->CLICK();
    EXPECT_FALSE(form->lInOpen);
    EXPECT_FALSE(form->lInLenGiven);
}

TEST_F(FormTest, SeparatorAndFrameAccessorsAndCancel) {
    struct Case {
        bool DTAMIRVANO::*flag;
        std::function<std::string(const DTAMIRVANO&)> get;
        const char* expected;
    };
    const Case cases[] = {
        {&DTAMIRVANO::lInSepSemi, &DTAMIRVANO::GETSEPARATORIN, ";"},
        {&DTAMIRVANO::lInSepComma, &DTAMIRVANO::GETSEPARATORIN, ","},
        {&DTAMIRVANO::lInSepSlash, &DTAMIRVANO::GETSEPARATORIN, "/"},
        {&DTAMIRVANO::lInSepTab, &DTAMIRVANO::GETSEPARATORIN, "\t"},
        {&DTAMIRVANO::lOutSepTab, &DTAMIRVANO::GETSEPARATOROUT, "\t"},
        {&DTAMIRVANO::lOutSepSemi, &DTAMIRVANO::GETSEPARATOROUT, ";"},
        {&DTAMIRVANO::lInFrameText, &DTAMIRVANO::GETGRENZEIN, "\""},
        {&DTAMIRVANO::lInFrameNone, &DTAMIRVANO::GETGRENZEIN, ""},
        {&DTAMIRVANO::lInFrameAll, &DTAMIRVANO::GETGRENZEIN, "\""},
        {&DTAMIRVANO::lOutFrameAll, &DTAMIRVANO::GETGRENZEOUT, "\""},
    };
    EXPECT_EQ(form->GETSEPARATORIN(), "");
    EXPECT_EQ(form->GETGRENZEIN(), "");
    for (const Case& c : cases) {
        form.get()->*c.flag = true;
        EXPECT_EQ(c.get(*form), c.expected);
        form.get()->*c.flag = false;
    }
    form->BUTABBRECHEN();
    EXPECT_FALSE(form->lCancel);
    form->lRunning = true;
    form->OCCBUTABBRECHEN->CLICK();
    EXPECT_TRUE(form->lCancel);
}

TEST_F(FormTest, LanguageSwitchRetitlesEveryControlAndKeepsTheSortChoice) {
    loadDefaults();
    const std::vector<std::string> items = {"keine", "NAME", "ORT", "PLZ"};
    for (gui::COMBOBOX* combo : {form->ODCCOMBOSORTIER1, form->ODCCOMBOSORTIER2, form->ODCCOMBOSORTIER3, form->ODCCOMBOSORTIER4})
        combo->FILLUSING(items);
    form->ODCCOMBOSORTIER2->CURRENTITEMNO(3);
    form->ODCCOMBOSORTIER3->CURRENTITEMNO(1);
    form->ODCSINGLEDATENSATZ->TEXTVALUE("NAME = \"X\"");
    const std::string labelTip = form->ODCFIXEDEINGABEDATEI->HYPERLABEL().DESCRIPTION();

    auto expectLanguage = [&](int lang) {
        SCOPED_TRACE(lang == 1 ? "German" : "English");
        const auto rows = ui::controlTextTable();
        ASSERT_EQ(form->helpControls().size(), rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            gui::CONTROL* c = form->helpControls()[i];
            ASSERT_NE(c, nullptr) << rows[i].name;
            EXPECT_EQ(c->NAMESYM(), rows[i].name);
            EXPECT_EQ(c->HYPERLABEL().CAPTION(), ui::title(rows[i], lang)) << rows[i].name;
            const ui::FormItem* item = ui::findFormItem(rows[i].name);
            if (showsCaption(item->kind)) {
                EXPECT_EQ(c->CAPTION(), ui::title(rows[i], lang)) << rows[i].name;
            }
            const std::string desc = ui::description(rows[i], lang);
            EXPECT_EQ(c->HYPERLABEL().DESCRIPTION(), desc.empty() ? labelTip : desc) << rows[i].name;
            if (!desc.empty()) {
                EXPECT_EQ(c->HANDLE()->toolTip().toStdString(), desc) << rows[i].name;
            }
        }
        const char* none = ui::messageText(4, lang);
        for (gui::COMBOBOX* combo :
             {form->ODCCOMBOSORTIER1, form->ODCCOMBOSORTIER2, form->ODCCOMBOSORTIER3, form->ODCCOMBOSORTIER4}) {
            ASSERT_EQ(combo->ITEMCOUNT(), 4);
            EXPECT_EQ(combo->GETITEM(1), none);
            EXPECT_EQ(combo->GETITEM(2), "NAME");
            EXPECT_EQ(combo->GETITEM(4), "PLZ");
        }
        EXPECT_EQ(form->ODCCOMBOSORTIER2->CURRENTITEMNO(), 3);
        EXPECT_EQ(form->ODCCOMBOSORTIER2->CURRENTTEXT(), "ORT");
        EXPECT_EQ(form->ODCCOMBOSORTIER3->CURRENTITEMNO(), 1);
        EXPECT_EQ(form->ODCCOMBOSORTIER1->CURRENTITEMNO(), 0);
        EXPECT_EQ(form->ODCSINGLEDATENSATZ->TEXTVALUE(), "NAME = \"X\"");
        EXPECT_EQ(shell->CAPTION(), ui::messageText(1, lang));
        EXPECT_EQ(bar->PERMANENTTEXT(), ui::messageText(1, lang));
        EXPECT_EQ(form->message(4), none);
    };
    form->OCCRADIOENGLISCH->CLICK();
    EXPECT_EQ(ui::gbSprache, 2);
    expectLanguage(2);
    EXPECT_EQ(form->OCCRADIOENGLISCH->CAPTION(), "English language");
    EXPECT_EQ(form->ODCGROUPSPRACHE->CAPTION(), "Language / Sprache");
    form->OCCRADIODEUTSCH->CLICK();
    EXPECT_EQ(ui::gbSprache, 1);
    expectLanguage(1);
    EXPECT_EQ(form->OCCRADIOASCIIIN->CAPTION(), "ASCII / OEM");
    EXPECT_EQ(form->ODCCHECKLAENGEIN->CAPTION(), "CSV- / SDF-Feldlängen sind vorgeben ==>");
}

TEST_F(FormTest, QtsOwnDialogTextsFollowTheProgramsLanguage) {
    loadDefaults();
    // What a Qt message box shows on its buttons, seen from inside its modal loop.
    auto buttonTexts = [&] {
        QStringList texts;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            for (QAbstractButton* b : box->buttons()) texts << b->text().remove(QLatin1Char('&'));
            box->button(QMessageBox::No)->click();
        });
        const gui::ModalRunner previous = gui::setModalRunner({});
        gui::TEXTBOX(form.get(), "MIRVANO", "?", gui::BOXYESNO).SHOW();
        gui::setModalRunner(previous);
        texts.sort();
        return texts.join(QLatin1Char(','));
    };
    form->OCCRADIODEUTSCH->CLICK();
    EXPECT_EQ(buttonTexts(), "Ja,Nein");
    QDialogButtonBox standard;
    EXPECT_EQ(standard.addButton(QDialogButtonBox::Cancel)->text(), "Abbrechen");
    form->OCCRADIOENGLISCH->CLICK();
    EXPECT_EQ(buttonTexts(), "No,Yes");
}

TEST_F(FormTest, TheAppendButtonsSourceDialogIsTheFileDialogWithItsHelpButton) {
    loadDefaults();
    ui::gbSprache = 2;
    QString title;
    bool help = false, multi = false;
    auto previous = gui::setModalRunner([&](const gui::ModalRequest& r) -> intptr_t {
        if (auto* dialog = qobject_cast<QFileDialog*>(r.qtDialog)) {
            title = dialog->windowTitle();
            multi = dialog->fileMode() == QFileDialog::ExistingFiles;
            if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
                for (QAbstractButton* b : buttons->buttons())
                    help = help || buttons->buttonRole(b) == QDialogButtonBox::HelpRole;
            dialog->reject();
        }
        return 0;
    });
    form->BUTDATEIVERBINDEN();
    gui::setModalRunner(previous);
    EXPECT_EQ(title.toStdString(), form->message(31));
    EXPECT_TRUE(help);
    EXPECT_TRUE(multi);
}

TEST_F(FormTest, OnScreenGroupsShowTheirFrameEvenCirclesAndReadableGreyedCaptions) {
    loadDefaults();
    form->OCCRADIOPUNKTIN->DISABLE();
    QApplication::processEvents();
    const QImage screen = form->HANDLE()->grab().toImage();
    const QColor green = form->HANDLE()->palette().color(QPalette::Window);
    int groups = 0, framed = 0;
    for (gui::CONTROL* c : form->aAllCtrl) {
        auto* group = dynamic_cast<gui::GROUPBOX*>(c);
        if (!group || !group->ISVISIBLE()) continue;
        ++groups;
        SCOPED_TRACE(group->NAMESYM());
        // The frame's top line runs through the middle of the caption and stays visible
        // right of it, above the first row of controls.
        QWidget* w = group->HANDLE();
        const QFontMetrics fm(w->font());
        const int y = w->y() + fm.height() / 2;
        const int from = w->x() + fm.averageCharWidth() + fm.horizontalAdvance(w->property("title").toString()) + 8;
        int line = 0, span = 0;
        for (int x = from; x < w->geometry().right() - 4; ++x, ++span)
            if (screen.pixelColor(x, y) != green) ++line;
        if (span > 0) ++framed;
        EXPECT_EQ(line, span);
        // The circles of one group are of one size, whatever the heights of their buttons.
        if (auto* radios = dynamic_cast<gui::RADIOBUTTONGROUP*>(group)) {
            std::set<int> sizes;
            for (gui::RADIOBUTTON* r : radios->buttons()) {
                QWidget* b = r->HANDLE();
                sizes.insert(b->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, b));
                EXPECT_LE(*sizes.rbegin(), b->height());
            }
            EXPECT_EQ(sizes.size(), 1u);
        }
    }
    EXPECT_GE(groups, 15);
    EXPECT_GE(framed, groups - 2);  // all but captions that fill their frame's width
    // A greyed caption keeps a contrast to the green that can be read.
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const QRect punkt = form->OCCRADIOPUNKTIN->HANDLE()->geometry();
    double darkest = 1.0;
    for (int y = punkt.top(); y <= punkt.bottom(); ++y)
        for (int x = punkt.left() + punkt.width() / 3; x <= punkt.right(); ++x)
            darkest = std::min(darkest, luminance(screen.pixelColor(x, y)));
    EXPECT_GT((luminance(green) + 0.05) / (darkest + 0.05), 2.5);
}

TEST_F(FormTest, ToolTipsFollowTheCheckBox) {
    loadDefaults();
    EXPECT_TRUE(form->ODCCHECKTOOLTIP->CHECKED());
    for (gui::CONTROL* c : form->aAllCtrl) EXPECT_TRUE(c->USEHLFORTOOLTIP());
    form->ODCCHECKTOOLTIP->CLICK();
    EXPECT_FALSE(form->ODCCHECKTOOLTIP->CHECKED());
    EXPECT_EQ(form->aAllCtrl.size(), 101u);
    for (gui::CONTROL* c : form->aAllCtrl) {
        EXPECT_FALSE(c->USEHLFORTOOLTIP()) << c->NAMESYM();
        EXPECT_TRUE(c->HANDLE()->toolTip().isEmpty()) << c->NAMESYM();
    }
}

TEST_F(FormTest, HelpBoxShowsTheAppendDescriptionInTheCurrentLanguage) {
    loadDefaults();
    std::vector<gui::ModalRequest> shown;
    auto previous = gui::setModalRunner([&](const gui::ModalRequest& r) {
        shown.push_back(r);
        return intptr_t(gui::BOXREPLYOK);
    });
    ui::gbSprache = 2;
    form->HELP();
    gui::setModalRunner(previous);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "MIRVANO 7.00");
    EXPECT_EQ(shown[0].style, 64);
    EXPECT_EQ(shown[0].owner, nullptr);
    const auto* row = &ui::controlTextTable()[68];
    ASSERT_STREQ(row->name, "BUTDATEIVERBINDEN");
    EXPECT_EQ(shown[0].text, row->descriptionEnglish);
}

TEST_F(FormTest, LayoutFillsTheShellAboveTheStatusBar) {
    shell->SIZE(gui::DIMENSION(900, 700));
    QApplication::processEvents();
    form->GROESSENEU();
    // The shell lays its status bar out below its canvas, so the form starts at the
    // canvas's bottom edge and reaches one pixel past its top.
    ASSERT_NE(bar->HANDLE()->parentWidget(), shell->surface());
    const int h = 0;
    const gui::BOUNDINGBOX canvas = shell->CANVASAREA();
    EXPECT_EQ(form->ORIGIN(), gui::POINT(0, h));
    EXPECT_EQ(form->SIZE(), gui::DIMENSION(canvas.WIDTH(), canvas.HEIGHT() - h + 1));
    std::vector<int> xs;
    for (gui::PUSHBUTTON* b : {form->OCCBUTEINGABEZEIGEN, form->OCCBUTNORMALANSICHT, form->OCCBUTAUSGABEZEIGEN,
                               form->OCCBUTHILFE, form->OCCBUTBEENDEN}) {
        EXPECT_EQ(b->ORIGIN().Y(), 3) << b->NAMESYM();
        xs.push_back(b->ORIGIN().X());
    }
    EXPECT_TRUE(std::is_sorted(xs.begin(), xs.end()));
    const gui::DIMENSION mleBefore = form->ODCINPUTMLE->SIZE();

    // With the table view and the text view of the input both visible, only the table view
    // is stretched.
    form->ODCINPUTBROWSER->SHOW();
    form->ODCINPUTMLE->SHOW();
    form->GROESSENEU();
    const int top = form->OCCBUTNORMALANSICHT->ORIGIN().Y() + form->OCCBUTNORMALANSICHT->SIZE().HEIGHT() + 3;
    const gui::BOUNDINGBOX own = form->CANVASAREA();
    EXPECT_EQ(form->ODCINPUTBROWSER->ORIGIN(), gui::POINT(0, top));
    EXPECT_EQ(form->ODCINPUTBROWSER->SIZE(), gui::DIMENSION(own.WIDTH() - 4, own.HEIGHT() - top + 1 - 4));
    EXPECT_EQ(form->ODCINPUTMLE->SIZE(), mleBefore);

    form->BUTNORMALANSICHT();
    for (gui::CONTROL* v : std::initializer_list<gui::CONTROL*>{form->ODCINPUTBROWSER, form->ODCOUTPUTBROWSER, form->ODCINPUTMLE,
                                                              form->ODCOUTPUTMLE}) {
        EXPECT_FALSE(v->ISVISIBLE());
        EXPECT_FALSE(v->ISENABLED());
    }
    EXPECT_FALSE(form->OCCBUTNORMALANSICHT->ISENABLED());
    EXPECT_TRUE(form->OCCBUTEINGABEZEIGEN->ISENABLED());
}

TEST_F(FormTest, TimerOneMovesTheHighlightOverTheThreeIcons) {
    DTAMIRVANO::resetActivityStep();
    const gui::BRUSH normal = form->BACKGROUND();
    auto lit = [&](gui::FIXEDICON* icon) { return !(icon->BACKGROUND() == normal); };
    auto state = [&] {
        return std::vector<bool>{lit(form->ODCICONAPP1), lit(form->ODCICONAPP2), lit(form->ODCICONAPP3)};
    };
    EXPECT_EQ(state(), (std::vector<bool>{false, false, false}));
    gui::Event other(gui::WM_TIMER, 2), paint(gui::WM_PAINT, 1);
    form->DISPATCH(other);
    form->DISPATCH(paint);
    EXPECT_EQ(state(), (std::vector<bool>{false, false, false}));
    const std::vector<std::vector<bool>> expected = {
        {true, false, false}, {false, true, false}, {false, false, true}, {true, false, false}};
    for (const auto& e : expected) {
        gui::Event tick(gui::WM_TIMER, 1);
        form->DISPATCH(tick);
        EXPECT_EQ(state(), e);
    }
}

TEST(FieldLengths, OnlyDigitsAndBlanksRemainAndZeroLengthsGo) {
    struct Case { const char* in; const char* out; };
    const Case cases[] = {
        {"10, 20;x 0 30", "10 20 30"}, {"0 0 5", "5"}, {"0", ""}, {"abc", ""}, {"", ""},
        {"00 007 0", "00 007"}, {"  12   3  ", "12 3"}, {"5,0,0,0,6", "5 6"}, {"10 0a 2", "10 2"},
    };
    for (const Case& c : cases) EXPECT_EQ(ui::normaliseFieldLengths(c.in), c.out) << c.in;
}

TEST_F(FormTest, LeavingTheLengthsEditNormalisesItAndClosesTheInputWhenTheyChanged) {
    loadDefaults();
    form->lInLenGiven = true;
    struct Step { const char* typed; const char* kept; bool closes; };
    const Step steps[] = {{"10; 20 x", "10 20", true}, {"10 20", "10 20", false}, {"10 20 0 0", "10 20", false}};
    for (const Step& s : steps) {
        form->lInOpen = true;
        form->ODCSINGLELAENGEIN->TEXTVALUE(s.typed);
        gui::EditFocusChangeEvent lost(form->ODCSINGLELAENGEIN, false);
        form->EDITFOCUSCHANGE(lost);
        EXPECT_EQ(form->ODCSINGLELAENGEIN->TEXTVALUE(), s.kept) << s.typed;
        EXPECT_EQ(form->cInLengths, s.kept);
        EXPECT_EQ(form->lInOpen, !s.closes) << s.typed;
    }
    // Gaining the focus and other edits change nothing.
    form->ODCSINGLELAENGEIN->TEXTVALUE("1;2");
    gui::EditFocusChangeEvent got(form->ODCSINGLELAENGEIN, true);
    form->EDITFOCUSCHANGE(got);
    EXPECT_EQ(form->ODCSINGLELAENGEIN->TEXTVALUE(), "1;2");
}

TEST_F(FormTest, QuitButtonEndsTheShellWindow) {
    ASSERT_TRUE(shell->ISVISIBLE());
    form->OCCBUTBEENDEN->CLICK();
    QApplication::processEvents();
    EXPECT_TRUE(shell->HANDLE() == nullptr || !shell->ISVISIBLE());
}
