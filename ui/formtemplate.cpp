#include "ui/formtemplate.h"

#include <array>

namespace ui {

namespace {

using K = ControlKind;
using C = FrameColour;

constexpr uint32_t kFrame = 0x50020007, kRadio = 0x50000009, kCheck = 0x50010003, kPush = 0x50010000,
                   kPushDefault = 0x50010001, kEdit = 0x50810080, kEditRO = 0x50810882, kCombo = 0x50210401,
                   kListMulti = 0x50a11109, kList = 0x50a11101, kListSorted = 0x50a11103, kIcon = 0x50000003,
                   kProgress = 0x50000001, kLabel = 0x50000002, kTable = 0x4010900d, kText = 0x503118c4;

constexpr std::array<FormItem, kFormItemCount> kItems{{
    // input settings
    {100, "GROUPEINSTELLUNGIN", K::GroupBox, 2, 2, 382, 73, "Einstellungen für die Eingabedatei", 1, C::Predefined1, -1, kFrame, 0},
    {101, "GROUPFORMATIN", K::RadioButtonGroup, 5, 11, 67, 39, "Eingabeformat", 1, C::Predefined1, -1, kFrame, 0},
    {102, "RADIODBFIN", K::RadioButton, 8, 20, 58, 9, "dBase", 1, C::None, -1, kRadio, 0},
    {103, "RADIOCSVIN", K::RadioButton, 8, 29, 58, 9, "CSV", 1, C::None, -1, kRadio, 0},
    {104, "RADIOSDFIN", K::RadioButton, 8, 38, 58, 10, "SDF", 1, C::None, -1, kRadio, 0},
    {105, "GROUPZEICHENSATZIN", K::RadioButtonGroup, 74, 11, 78, 39, "Zeichensatz", 1, C::Predefined1, -1, kFrame, 0},
    {106, "RADIOANSIIN", K::RadioButton, 77, 20, 72, 7, "ANSI (Windows)", 1, C::None, -1, kRadio, 0},
    {107, "RADIOASCIIIN", K::RadioButton, 77, 27, 72, 7, "OEM / ASCII", 1, C::None, -1, kRadio, 0},
    {108, "RADIOUNIIN", K::RadioButton, 77, 41, 72, 7, "Unicode", 1, C::None, -1, kRadio, 0},
    {109, "RADIOUTF8IN", K::RadioButton, 77, 34, 72, 7, "UTF8", 1, C::None, -1, kRadio, 0},
    {110, "GROUPDEZIMALIN", K::RadioButtonGroup, 154, 11, 72, 39, "Dezimaltrennung", 1, C::Predefined1, -1, kFrame, 0},
    {111, "RADIOPUNKTIN", K::RadioButton, 157, 20, 64, 9, "Punkt", 1, C::None, -1, kRadio, 0},
    {112, "RADIOKOMMAIN", K::RadioButton, 157, 29, 64, 9, "Komma", 1, C::None, -1, kRadio, 0},
    {113, "GROUPFELDGRENZEIN", K::RadioButtonGroup, 306, 11, 75, 39, "CSV Feldgrenze", 1, C::Predefined1, -1, kFrame, 0},
    {114, "RADIOGRENZETEXTIN", K::RadioButton, 309, 20, 69, 9, "Nur Textfelder", 1, C::None, -1, kRadio, 0},
    {115, "RADIOGRENZEKEINEIN", K::RadioButton, 309, 29, 69, 9, "Keine Felder", 1, C::None, -1, kRadio, 0},
    {116, "RADIOGRENZEALLEIN", K::RadioButton, 309, 38, 69, 10, "Alle Felder", 1, C::None, -1, kRadio, 0},
    {117, "GROUPCSVSEPIN", K::RadioButtonGroup, 229, 11, 75, 39, "CSV Separator", 1, C::Predefined1, -1, kFrame, 0},
    {118, "RADIOSEPASEMIIN", K::RadioButton, 232, 20, 69, 7, "Semikolon", 1, C::None, -1, kRadio, 0},
    {119, "RADIOSEPAKOMMAIN", K::RadioButton, 232, 27, 69, 7, "Komma", 1, C::None, -1, kRadio, 0},
    {120, "RADIOSEPASCHRAEGIN", K::RadioButton, 232, 34, 69, 7, "Schrägstrich", 1, C::None, -1, kRadio, 0},
    {121, "RADIOSEPATABIN", K::RadioButton, 232, 41, 69, 7, "Tabulator", 1, C::None, -1, kRadio, 0},
    {122, "CHECKLAENGEIN", K::CheckBox, 5, 64, 187, 9, "CSV- / SDF-Feldlängen sind vorgegeben ==>", 1, C::None, -1, kCheck, 0},
    {123, "SINGLELAENGEIN", K::SingleLineEdit, 194, 61, 187, 12, "", 1, C::None, 0, kEdit, 0x200},
    {124, "CHECKHEADERIN", K::CheckBox, 5, 52, 187, 9, "CSV / SDF Header-Infos vorhanden", 1, C::None, -1, kCheck, 0},
    {125, "CHECKBLANKIN", K::CheckBox, 194, 52, 187, 9, "SDF Datenfelder optimiert oder Blank-getrennt", 1, C::None, -1, kCheck, 0},
    // output settings
    {126, "GROUPEINSTELLUNGOUT", K::GroupBox, 2, 77, 382, 71, "Einstellungen für die Ausgabedatei", 1, C::Predefined4, -1, kFrame, 0},
    {127, "GROUPFORMATOUT", K::RadioButtonGroup, 5, 86, 67, 39, "Ausgabeformat", 1, C::Predefined4, -1, kFrame, 0},
    {128, "RADIODBFOUT", K::RadioButton, 8, 96, 58, 9, "dBase", 1, C::None, -1, kRadio, 0},
    {129, "RADIOCSVOUT", K::RadioButton, 8, 105, 58, 9, "CSV", 1, C::None, -1, kRadio, 0},
    {130, "RADIOSDFOUT", K::RadioButton, 8, 114, 58, 9, "SDF", 1, C::None, -1, kRadio, 0},
    {131, "GROUPZEICHENSATZOUT", K::RadioButtonGroup, 74, 86, 78, 39, "Zeichensatz", 1, C::Predefined4, -1, kFrame, 0},
    {132, "RADIOANSIOUT", K::RadioButton, 77, 96, 72, 6, "ANSI (Windows)", 1, C::None, -1, kRadio, 0},
    {133, "RADIOASCIIOUT", K::RadioButton, 77, 102, 72, 7, "OEM / ASCII", 1, C::None, -1, kRadio, 0},
    {134, "RADIOUNIOUT", K::RadioButton, 77, 116, 72, 7, "Unicode", 1, C::None, -1, kRadio, 0},
    {135, "RADIOUTF8OUT", K::RadioButton, 77, 109, 72, 7, "UTF8", 1, C::None, -1, kRadio, 0},
    {136, "GROUPDEZIMALOUT", K::RadioButtonGroup, 154, 86, 72, 39, "Dezimaltrennung", 1, C::Predefined4, -1, kFrame, 0},
    {137, "RADIOPUNKTOUT", K::RadioButton, 157, 96, 64, 9, "Punkt", 1, C::None, -1, kRadio, 0},
    {138, "RADIOKOMMAOUT", K::RadioButton, 157, 105, 64, 9, "Komma", 1, C::None, -1, kRadio, 0},
    {139, "GROUPCSVSEPOUT", K::RadioButtonGroup, 229, 86, 75, 39, "CSV Separator", 1, C::Predefined4, -1, kFrame, 0},
    {140, "RADIOSEPASEMIOUT", K::RadioButton, 232, 96, 69, 6, "Semikolon", 1, C::None, -1, kRadio, 0},
    {141, "RADIOSEPAKOMMAOUT", K::RadioButton, 232, 102, 69, 7, "Komma", 1, C::None, -1, kRadio, 0},
    {142, "RADIOSEPASCHRAEGOUT", K::RadioButton, 232, 109, 69, 7, "Schrägstrich", 1, C::None, -1, kRadio, 0},
    {143, "RADIOSEPATABOUT", K::RadioButton, 232, 116, 69, 7, "Tabulator", 1, C::None, -1, kRadio, 0},
    {144, "GROUPFELDGRENZEOUT", K::RadioButtonGroup, 306, 86, 75, 39, "CSV Feldgrenze", 1, C::Predefined4, -1, kFrame, 0},
    {145, "RADIOGRENZETEXTOUT", K::RadioButton, 309, 96, 69, 9, "Nur Textfelder", 1, C::None, -1, kRadio, 0},
    {146, "RADIOGRENZEKEINEOUT", K::RadioButton, 309, 105, 69, 9, "Keine Felder", 1, C::None, -1, kRadio, 0},
    {147, "RADIOGRENZEALLEOUT", K::RadioButton, 309, 114, 69, 9, "Alle Felder", 1, C::None, -1, kRadio, 0},
    {148, "CHECKHEADEROUT", K::CheckBox, 5, 128, 187, 9, "CSV / SDF Header-Infos schreiben", 1, C::None, -1, kCheck, 0},
    {149, "CHECKSKRIPTOUT", K::CheckBox, 194, 128, 187, 9, "SQL Import-Skript in CSV / SDF Datei schreiben", 1, C::None, -1, kCheck, 0},
    {150, "CHECKOPTIOUT", K::CheckBox, 5, 137, 187, 9, "Größe der SDF Datenfelder optimieren", 1, C::None, -1, kCheck, 0},
    {151, "CHECKBLANKOUT", K::CheckBox, 194, 137, 187, 9, "Alle SDF Datenfelder durch Blanks trennen", 1, C::None, -1, kCheck, 0},
    // sort criteria, field filter, record filter
    {152, "GROUPSORTIER", K::GroupBox, 2, 150, 264, 71, "Hierarchische Sortierkriterien", 1, C::Predefined4, -1, kFrame, 0},
    {153, "COMBOSORTIER1", K::ComboBox, 8, 160, 61, 47, "", 1, C::None, -1, kCombo, 0},
    {154, "COMBOSORTIER2", K::ComboBox, 72, 160, 61, 47, "", 1, C::None, -1, kCombo, 0},
    {155, "COMBOSORTIER3", K::ComboBox, 136, 160, 61, 47, "", 1, C::None, -1, kCombo, 0},
    {156, "COMBOSORTIER4", K::ComboBox, 200, 160, 61, 47, "", 1, C::None, -1, kCombo, 0},
    {157, "CHECKSORT", K::CheckBox, 8, 210, 253, 9, "Sortierkriterien anwenden", 1, C::None, -1, kCheck, 0},
    {158, "GROUPDATENFELD", K::GroupBox, 272, 150, 112, 71, "Datenfeldfilter", 1, C::Predefined4, -1, kFrame, 0},
    {159, "LISTDATENFELD", K::ListBox, 277, 160, 101, 48, "", 1, C::None, -1, kListMulti, 0x200},
    {160, "CHECKDATENFELD", K::CheckBox, 277, 210, 101, 9, "Filter anwenden", 1, C::None, -1, kCheck, 0},
    {161, "GROUPDATENSATZ", K::GroupBox, 2, 224, 264, 77, "Datensatzfilter", 1, C::Predefined4, -1, kFrame, 0},
    {162, "SINGLEDATENSATZ", K::SingleLineEdit, 8, 235, 253, 11, "", 1, C::None, 0, kEdit, 0x200},
    {163, "LISTAUSWAHLFELD", K::ListBox, 8, 249, 109, 39, "", 1, C::None, -1, kList, 0x200},
    {164, "LISTOPERATOREN", K::ListBox, 120, 249, 45, 39, "", 1, C::None, -1, kList, 0x200},
    {165, "LISTFUNKTIONEN", K::ListBox, 168, 249, 93, 39, "", 1, C::None, -1, kListSorted, 0x200},
    {166, "CHECKDATENSATZ", K::CheckBox, 8, 290, 178, 9, "Filter anwenden", 1, C::None, -1, kCheck, 0},
    {167, "BUTFILTERTESTEN", K::PushButton, 189, 290, 72, 9, "Filter testen", 1, C::None, -1, kPush, 0},
    // right-hand column
    {168, "BUTDATEIVERBINDEN", K::PushButton, 389, 4, 107, 12, "Dateien verbinden", 2, C::None, -1, kPush, 0},
    {169, "BUTDATEIOEFFNEN", K::PushButton, 389, 22, 107, 19, "Eingabedatei öffnen", 2, C::None, -1, kPushDefault, 0},
    {170, "BUTDATEISPEICHERN", K::PushButton, 389, 43, 107, 18, "Ausgabedatei anlegen", 2, C::None, -1, kPush, 0},
    {171, "BUTABBRECHEN", K::PushButton, 389, 64, 107, 11, "Konvertierung abbrechen", 2, C::None, -1, kPush, 0},
    {172, "BUTFONTPROPORT", K::PushButton, 389, 82, 107, 11, "Proportionalschrift wählen ", 2, C::None, -1, kPush, 0},
    {173, "BUTFONTFIXED", K::PushButton, 389, 96, 107, 11, "Festbreitenschrift wählen", 2, C::None, -1, kPush, 0},
    {174, "GROUPAUSGDATEI", K::RadioButtonGroup, 389, 112, 107, 29, "Ausgabedatei", 1, C::Predefined4, -1, kFrame, 0},
    {175, "RADIOAUSGUEBERSCHR", K::RadioButton, 392, 121, 101, 9, "Datei überschreiben", 1, C::None, -1, kRadio, 0},
    {176, "RADIOAUSGERGAENZEN", K::RadioButton, 392, 130, 101, 9, "Datei ergänzen", 1, C::None, -1, kRadio, 0},
    {177, "GROUPSPRACHE", K::RadioButtonGroup, 389, 146, 107, 30, "Sprache / Language", 1, C::Green, -1, kFrame, 0},
    {178, "RADIODEUTSCH", K::RadioButton, 392, 164, 98, 9, "Deutsche Sprache", 1, C::None, -1, kRadio, 0},
    {179, "RADIOENGLISCH", K::RadioButton, 392, 155, 98, 9, "Englische Sprache", 1, C::None, -1, kRadio, 0},
    {180, "CHECKTOOLTIP", K::CheckBox, 389, 180, 107, 9, "Tooltips anzeigen", 1, C::None, -1, kCheck, 0},
    {181, "BUTSAVECMDINIPAR", K::PushButton, 389, 196, 107, 12, "Einstellung sichern", 2, C::None, -1, kPush, 0},
    {182, "BUTLOADCMDINIPAR", K::PushButton, 389, 210, 107, 11, "Einstellung laden", 2, C::None, -1, kPush, 0},
    {183, "BUTHOMEPAGE", K::PushButton, 389, 224, 107, 11, "TorvelSoft Internetseite", 2, C::None, -1, kPush, 0},
    // activity icons, progress bar, file names
    {185, "ICONAPP3", K::FixedIcon, 352, 228, 24, 21, "icoApp_vo", 0, C::None, -1, kIcon, 0x101},
    {186, "ICONAPP2", K::FixedIcon, 317, 228, 24, 21, "icoApp_vo", 0, C::None, -1, kIcon, 0x101},
    {187, "ICONAPP1", K::FixedIcon, 282, 228, 24, 21, "icoApp_vo", 0, C::None, -1, kIcon, 0x101},
    {188, "PROGRESSBAR", K::ProgressBar, 272, 256, 224, 11, "", 0, C::None, -1, kProgress, 0},
    {189, "FIXEDEINGABEDATEI", K::FixedText, 272, 274, 50, 9, "Eingabedatei", 1, C::None, -1, kLabel, 0},
    {190, "SINGLEEINGABEDATEI", K::SingleLineEdit, 328, 272, 168, 11, "", 1, C::None, 3, kEditRO, 0x200},
    {191, "FIXEDAUSGABEDATEI", K::FixedText, 272, 290, 50, 9, "Ausgabedatei", 1, C::None, -1, kLabel, 0},
    {192, "SINGLEAUSGABEDATEI", K::SingleLineEdit, 328, 288, 168, 11, "", 1, C::None, 3, kEditRO, 0x200},
    // bottom row and data views
    {193, "BUTEINGABEZEIGEN", K::PushButton, 2, 304, 91, 11, "Eingabedatei zeigen", 2, C::None, -1, kPush, 0},
    {194, "BUTNORMALANSICHT", K::PushButton, 98, 304, 91, 11, "Hauptfenster zeigen", 2, C::None, -1, kPush, 0},
    {195, "BUTAUSGABEZEIGEN", K::PushButton, 194, 304, 94, 11, "Ausgabedatei zeigen", 2, C::None, -1, kPush, 0},
    {196, "BUTHILFE", K::PushButton, 293, 304, 91, 11, "Hilfe anzeigen", 2, C::None, -1, kPush, 0},
    {197, "BUTBEENDEN", K::PushButton, 389, 304, 107, 11, "Programm beenden", 2, C::None, -1, kPush, 0},
    {198, "INPUTBROWSER", K::DataListView, 501, 246, 19, 14, "", 0, C::None, -1, kTable, 0},
    {199, "OUTPUTBROWSER", K::DataListView, 501, 265, 19, 13, "", 0, C::None, -1, kTable, 0},
    {200, "INPUTMLE", K::MultiLineEdit, 501, 283, 19, 14, "", 3, C::None, -1, kText, 0x200},
    {201, "OUTPUTMLE", K::MultiLineEdit, 501, 301, 19, 14, "", 3, C::None, -1, kText, 0x200},
}};

constexpr RadioPair kFormatIn[] = {{"RADIODBFIN", "RadioDbfIn"}, {"RADIOCSVIN", "RadioCsvIn"}, {"RADIOSDFIN", "RadioSdfIn"}};
constexpr RadioPair kCharsetIn[] = {{"RADIOANSIIN", "RadioAnsiIn"}, {"RADIOASCIIIN", "RadioAsciiIn"},
                                    {"RADIOUNIIN", "RadioUniIn"}, {"RADIOUTF8IN", "RadioUtf8In"}};
constexpr RadioPair kDecimalIn[] = {{"RADIOPUNKTIN", "RadioPunktIn"}, {"RADIOKOMMAIN", "RadioKommaIn"}};
constexpr RadioPair kFrameIn[] = {{"RADIOGRENZETEXTIN", "RadioGrenzeTextIn"},
                                  {"RADIOGRENZEKEINEIN", "RadioGrenzeKeineIn"},
                                  {"RADIOGRENZEALLEIN", "RadioGrenzeAlleIn"}};
constexpr RadioPair kSepIn[] = {{"RADIOSEPASEMIIN", "RadioSepaSemiIn"}, {"RADIOSEPAKOMMAIN", "RadioSepaKommaIn"},
                                {"RADIOSEPASCHRAEGIN", "RadioSepaSchraegIn"}, {"RADIOSEPATABIN", "RadioSepaTabIn"}};
constexpr RadioPair kFormatOut[] = {{"RADIODBFOUT", "RadioDbfOut"}, {"RADIOCSVOUT", "RadioCsvOut"}, {"RADIOSDFOUT", "RadioSdfOut"}};
constexpr RadioPair kCharsetOut[] = {{"RADIOANSIOUT", "RadioAnsiOut"}, {"RADIOASCIIOUT", "RadioAsciiOut"},
                                     {"RADIOUNIOUT", "RadioUniOut"}, {"RADIOUTF8OUT", "RadioUtf8Out"}};
constexpr RadioPair kDecimalOut[] = {{"RADIOPUNKTOUT", "RadioPunktOut"}, {"RADIOKOMMAOUT", "RadioKommaOut"}};
constexpr RadioPair kSepOut[] = {{"RADIOSEPASEMIOUT", "RadioSepaSemiOut"}, {"RADIOSEPAKOMMAOUT", "RadioSepaKommaOut"},
                                 {"RADIOSEPASCHRAEGOUT", "RadioSepaSchraegOut"}, {"RADIOSEPATABOUT", "RadioSepaTabOut"}};
constexpr RadioPair kFrameOut[] = {{"RADIOGRENZETEXTOUT", "RadioGrenzeTextOut"},
                                   {"RADIOGRENZEKEINEOUT", "RadioGrenzeKeineOut"},
                                   {"RADIOGRENZEALLEOUT", "RadioGrenzeAlleOut"}};
constexpr RadioPair kFileHandling[] = {{"RADIOAUSGUEBERSCHR", "RadioAusgUeberschr"}, {"RADIOAUSGERGAENZEN", "RadioAusgErgaenzen"}};
constexpr RadioPair kLanguage[] = {{"RADIODEUTSCH", "RadioDeutsch"}, {"RADIOENGLISCH", "RadioEnglisch"}};

constexpr std::array<RadioGroupDef, 12> kGroups{{
    {101, "GROUPFORMATIN", kFormatIn},
    {105, "GROUPZEICHENSATZIN", kCharsetIn},
    {110, "GROUPDEZIMALIN", kDecimalIn},
    {113, "GROUPFELDGRENZEIN", kFrameIn},
    {117, "GROUPCSVSEPIN", kSepIn},
    {127, "GROUPFORMATOUT", kFormatOut},
    {131, "GROUPZEICHENSATZOUT", kCharsetOut},
    {136, "GROUPDEZIMALOUT", kDecimalOut},
    {139, "GROUPCSVSEPOUT", kSepOut},
    {144, "GROUPFELDGRENZEOUT", kFrameOut},
    {174, "GROUPAUSGDATEI", kFileHandling},
    {177, "GROUPSPRACHE", kLanguage},
}};

constexpr FormFont kFonts[3] = {{"Arial", 8, true}, {"Arial", 9, true}, {"Courier New", 10, false}};

}  // namespace

const FormFont& formFont(int number) { return kFonts[(number >= 1 && number <= 3 ? number : 1) - 1]; }

std::span<const FormItem> formItems() { return kItems; }
std::span<const RadioGroupDef> radioGroups() { return kGroups; }

const FormItem* findFormItem(std::string_view name) {
    for (const auto& item : kItems)
        if (name == item.name) return &item;
    return nullptr;
}

const FormItem* findFormItem(int id) {
    for (const auto& item : kItems)
        if (item.id == id) return &item;
    return nullptr;
}

}  // namespace ui
