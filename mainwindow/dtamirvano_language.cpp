// The two-language texts on the form: building the tables, applying a language to every
// caption and tool tip, switching tool tips, and the help box of the append dialog.
#include "mainwindow/dtamirvano.h"
#include "platform/gui/application.h"
#include "platform/gui/controls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/statusbar.h"
#include "ui/texts.h"

namespace ui {

namespace {
const HelpText kNoHelp{};
}  // namespace

DTAMIRVANO& DTAMIRVANO::INITSPRACHE() {
    aHilfeCtrl.clear();
    aHilfe.assign(2, {});
    for (const ControlText& row : controlTextTable()) {
        aHilfeCtrl.push_back(formControl(row.name));
        aHilfe[0].push_back({row.titleGerman, row.descriptionGerman});
        aHilfe[1].push_back({row.titleEnglish, row.descriptionEnglish});
    }
    aTexte.assign(2, std::vector<std::string>(kMessageCount + 1));
    for (const MessageText& m : messageTable()) {
        aTexte[0][m.number] = m.german;
        aTexte[1][m.number] = m.english;
    }
    return *this;
}

std::string DTAMIRVANO::message(int n) const {
    const int lang = gbSprache;
    if (lang < 1 || lang > static_cast<int>(aTexte.size())) return "";
    const auto& list = aTexte[lang - 1];
    if (n < 0 || n >= static_cast<int>(list.size())) return "";
    return list[n];
}

const HelpText& DTAMIRVANO::helpText(int language, size_t position) const {
    if (language < 1 || language > static_cast<int>(aHilfe.size())) return kNoHelp;
    const auto& list = aHilfe[language - 1];
    return position < list.size() ? list[position] : kNoHelp;
}

DTAMIRVANO& DTAMIRVANO::SETSPRACHE(int language) {
    if (language != kGerman && language != kEnglish) return *this;
    // Qt's own dialogs and standard buttons speak the program's language too.
    gui::setQtLanguage(language == kGerman ? "de" : "en");
    for (size_t i = 0; i < aHilfeCtrl.size(); ++i) {
        gui::CONTROL* c = aHilfeCtrl[i];
        const HelpText& text = helpText(language, i);
        if (!c || (text.title.empty() && text.description.empty())) continue;
        gui::HYPERLABEL label = c->HYPERLABEL();
        if (!text.title.empty()) label.CAPTION(text.title);
        if (!text.description.empty()) label.DESCRIPTION(text.description);
        c->HYPERLABEL(label);
    }
    if (ISVISIBLE()) {
        // Item 1 of a sort combo box stands for "no sort field"; the field names after it
        // and the user's choice stay.
        for (gui::COMBOBOX* combo : {ODCCOMBOSORTIER1, ODCCOMBOSORTIER2, ODCCOMBOSORTIER3, ODCCOMBOSORTIER4}) {
            if (combo->ITEMCOUNT() <= 0) continue;
            const int chosen = combo->CURRENTITEMNO();
            combo->DELETEITEM(1);
            combo->ADDITEM(message(4), 1);
            combo->CURRENTITEMNO(chosen);
        }
    }
    if (goShell) {
        goShell->CAPTION(message(1));
        if (gui::STATUSBAR* bar = goShell->STATUSBAR()) bar->PERMANENTTEXT(message(1));
    }
    return *this;
}

DTAMIRVANO& DTAMIRVANO::SETTOOLTIP() {
    const bool on = ODCCHECKTOOLTIP->CHECKED();
    for (gui::CONTROL* c : aAllCtrl) c->USEHLFORTOOLTIP(on);
    return *this;
}

DTAMIRVANO& DTAMIRVANO::HELP() {
    for (size_t i = 0; i < aHilfeCtrl.size(); ++i) {
        if (aHilfeCtrl[i] != OCCBUTDATEIVERBINDEN) continue;
        gui::TEXTBOX box(nullptr, "MIRVANO 7.00", helpText(gbSprache, i).description,
                         gui::BOXICONASTERISK | gui::BOXOK);
        box.SHOW();
    }
    return *this;
}

}  // namespace ui
