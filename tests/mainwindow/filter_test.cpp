// The filter builder's insertion, the record of output and sort fields, and the filter check.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mainwindow/filterbuilder.h"
#include "mainwindow_fixture.h"
#include "platform/gui/controls.h"
#include "ui/texts.h"

using mirvano_test::MainWindow;

TEST(FilterBuilder, InsertsAtTheCaretThinsBlanksOutsideLiteralsAndKeepsUserText) {
    struct Case {
        const char* text;
        int caret;
        const char* item;
        const char* expected;
        int expectedCaret;
    };
    const Case cases[] = {
        {"F1 > 3 .and.", 12, "Len(c)", "F1 > 3 .and. Len(c) ", 20},
        {"NAMEX", 4, "=", "NAME = X", 7},                        // inside a word: split
        {"", 0, " NAME ", "NAME ", 5},
        {"A  =   1", 8, ".and.", "A = 1 .and. ", 12},             // runs of blanks thin out
        {"A         = 1", 13, "+", "A   = 1 + ", 10},              // nine blanks become three
        {"  X", 1, "Y", "X Y ", 4},                                // caret counts on the trimmed text
        {"MAIL = 'a@b'", 12, ".or.", "MAIL = 'a@b' .or. ", 18},    // "@" stays
        {"N = \"a   b\"", 11, ".and.", "N = \"a   b\" .and. ", 18},  // blanks inside quotes stay
        {"X", 99, "Upper(c)", "X Upper(c) ", 11},                   // past the end appends
        {"Ü = 1", 5, ".and.", "Ü = 1 .and. ", 12},                  // characters, not bytes
    };
    for (const Case& c : cases) {
        const ui::FilterInsertion r = ui::insertFilterItem(c.text, c.caret, c.item);
        EXPECT_EQ(r.text, c.expected) << c.text;
        EXPECT_EQ(r.caret, c.expectedCaret) << c.text;
    }
}

TEST(FilterBuilder, ListSelectionsInsertAndRecordFieldAndSortChoices) {
    MainWindow w;
    auto& f = *w.form;
    f.ODCLISTAUSWAHLFELD->FILLUSING(std::vector<std::string>{"NAME", "ORT"});
    f.ODCLISTOPERATOREN->FILLUSING(std::vector<std::string>{"=", ".and."});
    f.ODCSINGLEDATENSATZ->TEXTVALUE("");
    auto select = [&](gui::LISTBOX* list, int pos) {
        list->CURRENTITEMNO(pos);
        gui::ControlEvent e(list);
        f.LISTBOXSELECT(e);
    };
    select(f.ODCLISTAUSWAHLFELD, 2);
    select(f.ODCLISTOPERATOREN, 1);
    EXPECT_EQ(f.ODCSINGLEDATENSATZ->TEXTVALUE(), "ORT = ");
    EXPECT_EQ(f.ODCSINGLEDATENSATZ->SELECTION(), gui::SELECTION(6, 6));

    f.ODCLISTDATENFELD->FILLUSING(std::vector<std::string>{"NAME,C,30,0", "ORT,C,20,0", "PLZ,C,5,0"});
    f.ODCLISTDATENFELD->SELECTITEM(1);
    f.ODCLISTDATENFELD->SELECTITEM(3);
    gui::ControlEvent fields(f.ODCLISTDATENFELD);
    f.LISTBOXSELECT(fields);
    EXPECT_EQ(f.aFieldFilter, (std::vector<std::string>{"NAME", "PLZ"}));
    f.ODCLISTDATENFELD->DESELECTALL();
    f.LISTBOXSELECT(fields);
    EXPECT_TRUE(f.aFieldFilter.empty());

    gui::COMBOBOX* combos[] = {f.ODCCOMBOSORTIER1, f.ODCCOMBOSORTIER2, f.ODCCOMBOSORTIER3, f.ODCCOMBOSORTIER4};
    for (gui::COMBOBOX* c : combos) c->FILLUSING(std::vector<std::string>{"(none)", "NAME", "ORT", "PLZ"});
    combos[0]->CURRENTITEMNO(2);
    combos[1]->CURRENTITEMNO(1);
    combos[2]->CURRENTITEMNO(4);
    combos[3]->CURRENTITEMNO(3);
    gui::ControlEvent sort(combos[2]);
    f.LISTBOXSELECT(sort);
    EXPECT_EQ(f.aSortFields, (std::vector<std::string>{"NAME", "PLZ", "ORT"}));
}

TEST(FilterCheck, SampleValuesDecideAndMessagesTellWhy) {
    MainWindow w;
    auto& f = *w.form;
    f.aStructIn = {{"NAME", "C", 30, 0}, {"BETRAG", "N", 10, 2}, {"MENGE", "N", 5, 0},
                   {"DATUM", "D", 8, 0}, {"AKTIV", "L", 1, 0},   {"NOTIZ", "M", 10, 0}};
    const std::string syntax = ui::messageText(40, 2), notLogical = ui::messageText(41, 2);
    struct Case {
        const char* filter;
        bool ok;
        std::string message;
    };
    const Case cases[] = {
        {"BETRAG = 3", true, ""},
        {"MENGE > 2 .and. AKTIV", true, ""},
        {"DATUM >= 2000.01.01 .or. NAME = 'Mü'", true, ""},
        {"AllTrim(NAME) == 'X'", true, ""},  // a field named like part of a function stays apart
        {"Deleted() .or. Recno() > 0", true, ""},
        {"name = \"X\"", true, ""},           // names in any case
        {"NAME", false, notLogical},
        // what is wrong follows: where the text ends too early, the name the filter cannot read
        {"BETRAG +", false, syntax + ": unexpected end of expression at position 9"},
        {"UNBEKANNT = 1", false, syntax + ": no data field or variable the filter can read: UNBEKANNT"},
        {"\"Fehler\"", false, notLogical},    // a text is not logical, whatever it says
        // a memo has no sample value
        {"NOTIZ = 1", false, syntax + ": no data field or variable the filter can read: NOTIZ"},
    };
    for (const Case& c : cases) {
        f.ODCSINGLEDATENSATZ->TEXTVALUE(std::string("  ") + c.filter + " ");
        w.sounds.clear();
        w.bar->ERRORTEXT("");
        EXPECT_EQ(f.TESTFILTERSTRING(), c.ok) << c.filter;
        EXPECT_EQ(w.bar->ERRORTEXT(), c.message) << c.filter;
        EXPECT_EQ(w.lastSound(), c.ok ? "" : "error") << c.filter;
    }

    // During a run the output list may drop input fields; the filter still sees all of them.
    f.aFeldListe = {{"NAME", "C", 30, 0}};
    f.ODCSINGLEDATENSATZ->TEXTVALUE("BETRAG > 0");
    EXPECT_TRUE(f.TESTFILTERSTRING());

    // The button tells success.
    EXPECT_TRUE(f.BUTFILTERTESTEN());
    EXPECT_EQ(w.bar->ERRORTEXT(), ui::messageText(39, 2));
    EXPECT_EQ(w.lastSound(), "information");

    // No analysed input: no field list, a syntax message without evaluating.
    f.aStructIn.clear();
    f.aFeldListe.clear();
    EXPECT_FALSE(f.BUTFILTERTESTEN());
    EXPECT_EQ(w.bar->ERRORTEXT(), syntax);
}
