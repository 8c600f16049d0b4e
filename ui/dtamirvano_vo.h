#pragma once
// The settings form: a data window whose 101 controls are built from the form template
// (ui/formtemplate.h). The form itself has no behaviour; the main window DTAMIRVANO derives
// from it and reacts to the controls' events.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/controls.h"
#include "platform/gui/window.h"
#include "platform/runtime/value.h"
#include "ui/formtemplate.h"
#include "widgets/progressbar.h"

namespace ui {

// Read and assign accessors of a value control, named like the control: the read goes
// through FIELDGET, the assignment through FIELDPUT and is kept in the control's value
// variable.
#define MIRVANO_FORM_VALUE(NAME) \
    rt::Value NAME() const { return FIELDGET(#NAME); } \
    rt::Value NAME(const rt::Value& value) { return assignValue(#NAME, value); }

class DTAMIRVANO_VO : public gui::DATAWINDOW {
public:
    // The owner alone is what the main window passes; no data server is ever bound here.
    explicit DTAMIRVANO_VO(gui::WINDOW* owner, int controlId = 0, const rt::Value& server = {},
                           const rt::Value& extra = {});
    ~DTAMIRVANO_VO() override;

    // The append handler of the form does nothing; the main window's replaces it.
    virtual void BUTDATEIVERBINDEN() {}

    // Every control in template (id) order.
    const std::vector<gui::CONTROL*>& formControls() const { return order_; }
    gui::CONTROL* formControl(const std::string& name) const;
    gui::CONTROL* formControl(int id) const;
    // The value variable of a value control (NIL until its assign accessor ran).
    rt::Value valueVariable(const std::string& name) const;
    // The three fonts of the form (1 Arial 8 bold, 2 Arial 9 bold, 3 Courier New 10).
    const gui::FONT& formFontObject(int number) const { return fonts_[(number >= 1 && number <= 3 ? number : 1) - 1]; }

    MIRVANO_FORM_VALUE(GROUPFORMATIN)
    MIRVANO_FORM_VALUE(GROUPZEICHENSATZIN)
    MIRVANO_FORM_VALUE(GROUPDEZIMALIN)
    MIRVANO_FORM_VALUE(GROUPFELDGRENZEIN)
    MIRVANO_FORM_VALUE(GROUPCSVSEPIN)
    MIRVANO_FORM_VALUE(CHECKLAENGEIN)
    MIRVANO_FORM_VALUE(SINGLELAENGEIN)
    MIRVANO_FORM_VALUE(CHECKHEADERIN)
    MIRVANO_FORM_VALUE(CHECKBLANKIN)
    MIRVANO_FORM_VALUE(GROUPFORMATOUT)
    MIRVANO_FORM_VALUE(GROUPZEICHENSATZOUT)
    MIRVANO_FORM_VALUE(GROUPDEZIMALOUT)
    MIRVANO_FORM_VALUE(GROUPCSVSEPOUT)
    MIRVANO_FORM_VALUE(GROUPFELDGRENZEOUT)
    MIRVANO_FORM_VALUE(CHECKHEADEROUT)
    MIRVANO_FORM_VALUE(CHECKSKRIPTOUT)
    MIRVANO_FORM_VALUE(CHECKOPTIOUT)
    MIRVANO_FORM_VALUE(CHECKBLANKOUT)
    MIRVANO_FORM_VALUE(COMBOSORTIER1)
    MIRVANO_FORM_VALUE(COMBOSORTIER2)
    MIRVANO_FORM_VALUE(COMBOSORTIER3)
    MIRVANO_FORM_VALUE(COMBOSORTIER4)
    MIRVANO_FORM_VALUE(CHECKSORT)
    MIRVANO_FORM_VALUE(LISTDATENFELD)
    MIRVANO_FORM_VALUE(CHECKDATENFELD)
    MIRVANO_FORM_VALUE(SINGLEDATENSATZ)
    MIRVANO_FORM_VALUE(LISTAUSWAHLFELD)
    MIRVANO_FORM_VALUE(LISTOPERATOREN)
    MIRVANO_FORM_VALUE(LISTFUNKTIONEN)
    MIRVANO_FORM_VALUE(CHECKDATENSATZ)
    MIRVANO_FORM_VALUE(GROUPAUSGDATEI)
    MIRVANO_FORM_VALUE(GROUPSPRACHE)
    MIRVANO_FORM_VALUE(CHECKTOOLTIP)
    MIRVANO_FORM_VALUE(SINGLEEINGABEDATEI)
    MIRVANO_FORM_VALUE(SINGLEAUSGABEDATEI)
    MIRVANO_FORM_VALUE(INPUTMLE)
    MIRVANO_FORM_VALUE(OUTPUTMLE)

    // Control references, in template order: OCC + name for radio and push buttons, ODC +
    // name for every other control.
    gui::GROUPBOX* ODCGROUPEINSTELLUNGIN = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPFORMATIN = nullptr;
    gui::RADIOBUTTON* OCCRADIODBFIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOCSVIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOSDFIN = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPZEICHENSATZIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOANSIIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOASCIIIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOUNIIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOUTF8IN = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPDEZIMALIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOPUNKTIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOKOMMAIN = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPFELDGRENZEIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOGRENZETEXTIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOGRENZEKEINEIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOGRENZEALLEIN = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPCSVSEPIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOSEPASEMIIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOSEPAKOMMAIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOSEPASCHRAEGIN = nullptr;
    gui::RADIOBUTTON* OCCRADIOSEPATABIN = nullptr;
    gui::CHECKBOX* ODCCHECKLAENGEIN = nullptr;
    gui::SINGLELINEEDIT* ODCSINGLELAENGEIN = nullptr;
    gui::CHECKBOX* ODCCHECKHEADERIN = nullptr;
    gui::CHECKBOX* ODCCHECKBLANKIN = nullptr;
    gui::GROUPBOX* ODCGROUPEINSTELLUNGOUT = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPFORMATOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIODBFOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOCSVOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOSDFOUT = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPZEICHENSATZOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOANSIOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOASCIIOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOUNIOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOUTF8OUT = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPDEZIMALOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOPUNKTOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOKOMMAOUT = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPCSVSEPOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOSEPASEMIOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOSEPAKOMMAOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOSEPASCHRAEGOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOSEPATABOUT = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPFELDGRENZEOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOGRENZETEXTOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOGRENZEKEINEOUT = nullptr;
    gui::RADIOBUTTON* OCCRADIOGRENZEALLEOUT = nullptr;
    gui::CHECKBOX* ODCCHECKHEADEROUT = nullptr;
    gui::CHECKBOX* ODCCHECKSKRIPTOUT = nullptr;
    gui::CHECKBOX* ODCCHECKOPTIOUT = nullptr;
    gui::CHECKBOX* ODCCHECKBLANKOUT = nullptr;
    gui::GROUPBOX* ODCGROUPSORTIER = nullptr;
    gui::COMBOBOX* ODCCOMBOSORTIER1 = nullptr;
    gui::COMBOBOX* ODCCOMBOSORTIER2 = nullptr;
    gui::COMBOBOX* ODCCOMBOSORTIER3 = nullptr;
    gui::COMBOBOX* ODCCOMBOSORTIER4 = nullptr;
    gui::CHECKBOX* ODCCHECKSORT = nullptr;
    gui::GROUPBOX* ODCGROUPDATENFELD = nullptr;
    gui::LISTBOX* ODCLISTDATENFELD = nullptr;
    gui::CHECKBOX* ODCCHECKDATENFELD = nullptr;
    gui::GROUPBOX* ODCGROUPDATENSATZ = nullptr;
    gui::SINGLELINEEDIT* ODCSINGLEDATENSATZ = nullptr;
    gui::LISTBOX* ODCLISTAUSWAHLFELD = nullptr;
    gui::LISTBOX* ODCLISTOPERATOREN = nullptr;
    gui::LISTBOX* ODCLISTFUNKTIONEN = nullptr;
    gui::CHECKBOX* ODCCHECKDATENSATZ = nullptr;
    gui::PUSHBUTTON* OCCBUTFILTERTESTEN = nullptr;
    gui::PUSHBUTTON* OCCBUTDATEIVERBINDEN = nullptr;
    gui::PUSHBUTTON* OCCBUTDATEIOEFFNEN = nullptr;
    gui::PUSHBUTTON* OCCBUTDATEISPEICHERN = nullptr;
    gui::PUSHBUTTON* OCCBUTABBRECHEN = nullptr;
    gui::PUSHBUTTON* OCCBUTFONTPROPORT = nullptr;
    gui::PUSHBUTTON* OCCBUTFONTFIXED = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPAUSGDATEI = nullptr;
    gui::RADIOBUTTON* OCCRADIOAUSGUEBERSCHR = nullptr;
    gui::RADIOBUTTON* OCCRADIOAUSGERGAENZEN = nullptr;
    gui::RADIOBUTTONGROUP* ODCGROUPSPRACHE = nullptr;
    gui::RADIOBUTTON* OCCRADIODEUTSCH = nullptr;
    gui::RADIOBUTTON* OCCRADIOENGLISCH = nullptr;
    gui::CHECKBOX* ODCCHECKTOOLTIP = nullptr;
    gui::PUSHBUTTON* OCCBUTSAVECMDINIPAR = nullptr;
    gui::PUSHBUTTON* OCCBUTLOADCMDINIPAR = nullptr;
    gui::PUSHBUTTON* OCCBUTHOMEPAGE = nullptr;
    gui::FIXEDICON* ODCICONAPP3 = nullptr;
    gui::FIXEDICON* ODCICONAPP2 = nullptr;
    gui::FIXEDICON* ODCICONAPP1 = nullptr;
    widgets::PROGRESSBAR* ODCPROGRESSBAR = nullptr;
    gui::FIXEDTEXT* ODCFIXEDEINGABEDATEI = nullptr;
    gui::SINGLELINEEDIT* ODCSINGLEEINGABEDATEI = nullptr;
    gui::FIXEDTEXT* ODCFIXEDAUSGABEDATEI = nullptr;
    gui::SINGLELINEEDIT* ODCSINGLEAUSGABEDATEI = nullptr;
    gui::PUSHBUTTON* OCCBUTEINGABEZEIGEN = nullptr;
    gui::PUSHBUTTON* OCCBUTNORMALANSICHT = nullptr;
    gui::PUSHBUTTON* OCCBUTAUSGABEZEIGEN = nullptr;
    gui::PUSHBUTTON* OCCBUTHILFE = nullptr;
    gui::PUSHBUTTON* OCCBUTBEENDEN = nullptr;
    gui::DATALISTVIEW* ODCINPUTBROWSER = nullptr;
    gui::DATALISTVIEW* ODCOUTPUTBROWSER = nullptr;
    gui::MULTILINEEDIT* ODCINPUTMLE = nullptr;
    gui::MULTILINEEDIT* ODCOUTPUTMLE = nullptr;

protected:
    rt::Value assignValue(const std::string& name, const rt::Value& value);

private:
    template <class T>
    void bindControl(T*& ref, const char* name) {
        ref = dynamic_cast<T*>(formControl(name));
    }
    void bindReferences();

    std::vector<std::unique_ptr<gui::CONTROL>> owned_;
    std::vector<gui::CONTROL*> order_;
    std::map<std::string, gui::CONTROL*> byName_;
    std::map<std::string, rt::Value> values_;
    gui::FONT fonts_[3];
};

}  // namespace ui
