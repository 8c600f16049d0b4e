// The option controls: clicks turn into the job's option flags, and the enable rules keep
// only the options that suit the chosen input and output formats.
#include <cstdint>
#include <string>
#include <string_view>

#include "functions/charselect.h"
#include "functions/tokenarrays.h"
#include "mainwindow/dtamirvano.h"
#include "platform/gui/controls.h"

namespace ui {

namespace {

using D = DTAMIRVANO;

// Enable state of an option control for the format that decides: dBase, CSV, SDF.
struct EnableRule {
    const char* control;
    bool dbf, csv, sdf;
};

const EnableRule kInputRules[] = {
    {"RADIOANSIIN", true, true, true},        {"RADIOASCIIIN", true, true, true},
    {"RADIOUTF8IN", false, true, true},       {"RADIOUNIIN", false, true, true},
    {"RADIOPUNKTIN", false, true, true},      {"RADIOKOMMAIN", false, true, true},
    {"RADIOSEPASEMIIN", false, true, false},  {"RADIOSEPAKOMMAIN", false, true, false},
    {"RADIOSEPASCHRAEGIN", false, true, false}, {"RADIOSEPATABIN", false, true, false},
    {"RADIOGRENZETEXTIN", false, true, false}, {"RADIOGRENZEKEINEIN", false, true, false},
    {"RADIOGRENZEALLEIN", false, true, false}, {"CHECKHEADERIN", false, true, true},
    {"CHECKLAENGEIN", false, true, true},     {"CHECKBLANKIN", false, false, true},
    {"SINGLELAENGEIN", false, true, true},
};

const EnableRule kOutputRules[] = {
    {"RADIOANSIOUT", true, true, true},         {"RADIOASCIIOUT", true, true, true},
    {"RADIOUTF8OUT", false, true, true},        {"RADIOUNIOUT", false, true, true},
    {"RADIOPUNKTOUT", false, true, true},       {"RADIOKOMMAOUT", false, true, true},
    {"RADIOSEPASEMIOUT", false, true, false},   {"RADIOSEPAKOMMAOUT", false, true, false},
    {"RADIOSEPASCHRAEGOUT", false, true, false}, {"RADIOSEPATABOUT", false, true, false},
    {"RADIOGRENZETEXTOUT", false, true, false}, {"RADIOGRENZEKEINEOUT", false, true, false},
    {"RADIOGRENZEALLEOUT", false, true, false}, {"CHECKHEADEROUT", false, true, true},
    {"CHECKSKRIPTOUT", false, true, true},      {"CHECKOPTIOUT", false, false, true},
    {"CHECKBLANKOUT", false, false, true},
};

const char* const kSortControls[] = {"COMBOSORTIER1", "COMBOSORTIER2", "COMBOSORTIER3", "COMBOSORTIER4", "CHECKSORT"};

}  // namespace

const std::vector<RadioFamily>& optionFamilies() {
    static const std::vector<RadioFamily> families = {
        {"FileFormatIn", true, {{"RADIODBFIN", &D::lInDBF}, {"RADIOCSVIN", &D::lInCSV}, {"RADIOSDFIN", &D::lInSDF}}},
        {"CharacterSetIn", true,
         {{"RADIOANSIIN", &D::lInANSI}, {"RADIOASCIIIN", &D::lInOEM}, {"RADIOUTF8IN", &D::lInUTF8}, {"RADIOUNIIN", &D::lInUTF16}}},
        {"DecimalSeparatorIn", true, {{"RADIOPUNKTIN", &D::lInDecPoint}, {"RADIOKOMMAIN", &D::lInDecComma}}},
        {"CsvSeparatorIn", true,
         {{"RADIOSEPASEMIIN", &D::lInSepSemi}, {"RADIOSEPAKOMMAIN", &D::lInSepComma},
          {"RADIOSEPASCHRAEGIN", &D::lInSepSlash}, {"RADIOSEPATABIN", &D::lInSepTab}}},
        {"CsvFieldFrameIn", true,
         {{"RADIOGRENZETEXTIN", &D::lInFrameText}, {"RADIOGRENZEKEINEIN", &D::lInFrameNone}, {"RADIOGRENZEALLEIN", &D::lInFrameAll}}},
        {"FileFormatOut", false, {{"RADIODBFOUT", &D::lOutDBF}, {"RADIOCSVOUT", &D::lOutCSV}, {"RADIOSDFOUT", &D::lOutSDF}}},
        {"CharacterSetOut", false,
         {{"RADIOANSIOUT", &D::lOutANSI}, {"RADIOASCIIOUT", &D::lOutOEM}, {"RADIOUTF8OUT", &D::lOutUTF8}, {"RADIOUNIOUT", &D::lOutUTF16}}},
        {"DecimalSeparatorOut", false, {{"RADIOPUNKTOUT", &D::lOutDecPoint}, {"RADIOKOMMAOUT", &D::lOutDecComma}}},
        {"CsvSeparatorOut", false,
         {{"RADIOSEPASEMIOUT", &D::lOutSepSemi}, {"RADIOSEPAKOMMAOUT", &D::lOutSepComma},
          {"RADIOSEPASCHRAEGOUT", &D::lOutSepSlash}, {"RADIOSEPATABOUT", &D::lOutSepTab}}},
        {"CsvFieldFrameOut", false,
         {{"RADIOGRENZETEXTOUT", &D::lOutFrameText}, {"RADIOGRENZEKEINEOUT", &D::lOutFrameNone}, {"RADIOGRENZEALLEOUT", &D::lOutFrameAll}}},
    };
    return families;
}

const std::vector<CheckOption>& checkOptions() {
    static const std::vector<CheckOption> checks = {
        {"CHECKHEADERIN", &D::lInHeader, true},   {"CHECKBLANKIN", &D::lInBlank, true},
        {"CHECKLAENGEIN", &D::lInLenGiven, true}, {"CHECKHEADEROUT", &D::lOutHeader, false},
        {"CHECKOPTIOUT", &D::lOutOptiSDF, false}, {"CHECKSKRIPTOUT", &D::lOutSQL, false},
        {"CHECKBLANKOUT", &D::lOutBlankSDF, false},
    };
    return checks;
}

void DTAMIRVANO::BUTTONCLICK(gui::ControlEvent& event) {
    DTAMIRVANO_VO::BUTTONCLICK(event);
    const std::string name = event.NAMESYM();

    bool handled = false;
    for (const RadioFamily& family : optionFamilies()) {
        for (const RadioFamilyMember& member : family.members) {
            if (name != member.button) continue;
            handled = true;
            // A click on the button already chosen changes nothing and keeps the input open.
            if (family.inputSide && this->*member.flag) break;
            if (family.inputSide && lInOpen) CLOSEINPUT();
            for (const RadioFamilyMember& other : family.members) this->*other.flag = (&other == &member);
            break;
        }
        if (handled) break;
    }
    if (!handled) {
        for (const CheckOption& check : checkOptions()) {
            if (name != check.box) continue;
            handled = true;
            if (check.inputSide && lInOpen) {
                // Ticking "lengths given" changes the analysis only when lengths are there.
                if (std::string_view(check.box) != "CHECKLAENGEIN" || !cInLengths.empty()) CLOSEINPUT();
            }
            this->*check.flag = !(this->*check.flag);
            break;
        }
    }
    if (!handled) {
        if (name == "RADIODEUTSCH" && gbSprache != 1) {
            gbSprache = 1;
            SETSPRACHE(gbSprache);
        } else if (name == "RADIOENGLISCH" && gbSprache != 2) {
            gbSprache = 2;
            SETSPRACHE(gbSprache);
        } else if (name == "CHECKTOOLTIP") {
            SETTOOLTIP();
        }
    }
    EINAUSBLENDEN();
}

std::string normaliseFieldLengths(const std::string& text) {
    // Every byte but digits and blanks becomes a blank (the text keeps its length), then the
    // blanks are collapsed.
    const std::string kept = FASTALLTRIMMULTI(FASTCHARSELECT(text, 0x010C));
    // Every length written as a lone 0 goes, also when two of them follow each other (a
    // left-to-right replacement of " 0 " would keep every second one).
    std::string out;
    for (std::string_view length : FASTTOKENWHITEVIEWS(kept, " ", SIZE_MAX)) {
        if (length == "0") continue;
        if (!out.empty()) out.push_back(' ');
        out += length;
    }
    return out;
}

void DTAMIRVANO::EDITFOCUSCHANGE(gui::EditFocusChangeEvent& event) {
    DTAMIRVANO_VO::EDITFOCUSCHANGE(event);
    if (!ISVISIBLE()) return;
    if (event.GOTFOCUS() || event.NAMESYM() != "SINGLELAENGEIN") return;
    const std::string t = normaliseFieldLengths(ODCSINGLELAENGEIN->TEXTVALUE());
    if (lInLenGiven && t != cInLengths) CLOSEINPUT();
    ODCSINGLELAENGEIN->TEXTVALUE(t);
    cInLengths = t;
}

DTAMIRVANO& DTAMIRVANO::EINAUSBLENDEN() {
    auto apply = [this](const EnableRule* begin, const EnableRule* end, int column) {
        for (const EnableRule* r = begin; r != end; ++r) {
            gui::CONTROL* c = formControl(r->control);
            if (!c) continue;
            const bool on = column == 0 ? r->dbf : (column == 1 ? r->csv : r->sdf);
            if (on) c->ENABLE();
            else c->DISABLE();
        }
    };

    const int in = lInDBF ? 0 : (lInCSV ? 1 : (lInSDF ? 2 : -1));
    if (in >= 0) {
        apply(std::begin(kInputRules), std::end(kInputRules), in);
        if (in == 0 && (lInUTF8 || lInUTF16)) {
            // A dBase table holds ANSI or OEM text only.
            OCCRADIOANSIIN->PRESSED(true);
            lInANSI = true;
            OCCRADIOUTF8IN->PRESSED(false);
            OCCRADIOUNIIN->PRESSED(false);
            lInUTF8 = lInUTF16 = false;
        }
    }

    const int out = lOutDBF ? 0 : (lOutCSV ? 1 : (lOutSDF ? 2 : -1));
    if (out >= 0) {
        apply(std::begin(kOutputRules), std::end(kOutputRules), out);
        if (out == 0 && (OCCRADIOUTF8OUT->PRESSED() || OCCRADIOUNIOUT->PRESSED())) {
            OCCRADIOANSIOUT->PRESSED(true);
            lOutANSI = true;
            OCCRADIOUTF8OUT->PRESSED(false);
            OCCRADIOUNIOUT->PRESSED(false);
            lOutUTF8 = lOutUTF16 = false;
        }
    }

    const bool sort = lInDBF || lOutDBF;
    for (const char* name : kSortControls) {
        if (gui::CONTROL* c = formControl(name)) {
            if (sort) c->ENABLE();
            else c->DISABLE();
        }
    }
    return *this;
}

std::string DTAMIRVANO::GETSEPARATORIN() const {
    if (lInSepSemi) return ";";
    if (lInSepComma) return ",";
    if (lInSepSlash) return "/";
    if (lInSepTab) return "\t";
    return "";
}

std::string DTAMIRVANO::GETSEPARATOROUT() const {
    if (lOutSepSemi) return ";";
    if (lOutSepComma) return ",";
    if (lOutSepSlash) return "/";
    if (lOutSepTab) return "\t";
    return "";
}

std::string DTAMIRVANO::GETGRENZEIN() const {
    if (lInFrameText) return "\"";
    if (lInFrameNone) return "";
    if (lInFrameAll) return "\"";
    return "";
}

std::string DTAMIRVANO::GETGRENZEOUT() const {
    if (lOutFrameText) return "\"";
    if (lOutFrameNone) return "";
    if (lOutFrameAll) return "\"";
    return "";
}

DTAMIRVANO& DTAMIRVANO::BUTABBRECHEN() {
    if (lRunning) lCancel = lCancelAsked = true;
    return *this;
}

DTAMIRVANO& DTAMIRVANO::BUTBEENDEN() {
    if (goShell) goShell->ENDWINDOW(true);
    return *this;
}

}  // namespace ui
