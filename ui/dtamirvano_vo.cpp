#include "ui/dtamirvano_vo.h"

#include <QKeyEvent>
#include <QObject>
#include <QWidget>
#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/gui/geometry.h"
#include "ui/appicon.h"
#include "widgets/datalistview2.h"
#include "widgets/multilineeditw.h"

namespace ui {

namespace {

std::string upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::unique_ptr<gui::CONTROL> makeControl(gui::WINDOW* form, const FormItem& item, const QRect& rect) {
    switch (item.kind) {
    case ControlKind::GroupBox: return std::make_unique<gui::GROUPBOX>(form, item.id, rect, item.style);
    case ControlKind::RadioButtonGroup: return std::make_unique<gui::RADIOBUTTONGROUP>(form, item.id, rect, item.style);
    case ControlKind::RadioButton: return std::make_unique<gui::RADIOBUTTON>(form, item.id, rect, item.style);
    case ControlKind::CheckBox: return std::make_unique<gui::CHECKBOX>(form, item.id, rect, item.style);
    case ControlKind::SingleLineEdit: return std::make_unique<gui::SINGLELINEEDIT>(form, item.id, rect, item.style);
    case ControlKind::ComboBox: return std::make_unique<gui::COMBOBOX>(form, item.id, rect, item.style);
    case ControlKind::ListBox: return std::make_unique<gui::LISTBOX>(form, item.id, rect, item.style);
    case ControlKind::PushButton: return std::make_unique<gui::PUSHBUTTON>(form, item.id, rect, item.style);
    case ControlKind::FixedIcon: return std::make_unique<gui::FIXEDICON>(form, item.id, rect, item.style);
    case ControlKind::FixedText: return std::make_unique<gui::FIXEDTEXT>(form, item.id, rect, item.style);
    case ControlKind::ProgressBar: return std::make_unique<widgets::PROGRESSBAR>(form, item.id, rect, item.style);
    case ControlKind::DataListView: return std::make_unique<widgets::DATALISTVIEW2>(form, item.id, rect, item.style);
    case ControlKind::MultiLineEdit: return std::make_unique<widgets::MULTILINEEDITW>(form, item.id, rect, item.style);
    }
    return nullptr;
}

// A template item in pixels. The edges are converted, not position and size one by one, so
// items that meet in the template (a radio button right below the other) meet on the
// screen instead of sharing a pixel row.
QRect templateRect(const FormItem& item, const gui::DialogBaseUnits& base) {
    const int left = gui::MulDiv(item.x, base.x, 4), right = gui::MulDiv(item.x + item.w, base.x, 4);
    const int top = gui::MulDiv(item.y, base.y, 8), bottom = gui::MulDiv(item.y + item.h, base.y, 8);
    return QRect(left, top, right - left, bottom - top);
}

gui::COLOR frameColour(FrameColour c) {
    switch (c) {
    case FrameColour::Predefined1: return gui::COLOR(1);
    case FrameColour::Predefined4: return gui::COLOR(4);
    case FrameColour::Green: return gui::COLOR(0, 128, 0);
    case FrameColour::None: break;
    }
    return gui::COLOR();
}

// Font, colour and the further settings of one template item, after its hyper-label.
void dress(gui::CONTROL& c, const FormItem& item, const gui::FONT* fonts) {
    c.HYPERLABEL(gui::HYPERLABEL(item.name, item.caption, "", ""));
    if (item.font >= 1 && item.font <= 3) c.FONT(fonts[item.font - 1], false);
    if (item.colour != FrameColour::None) c.TEXTCOLOR(frameColour(item.colour));
    if (item.focusSelect >= 0)
        if (auto* edit = dynamic_cast<gui::SINGLELINEEDIT*>(&c)) edit->FOCUSSELECT(item.focusSelect);
    if (auto* view = dynamic_cast<gui::DATALISTVIEW*>(&c)) {
        view->GRIDLINES(true);
        view->FULLROWSELECT(false);
        view->HEADERDRAGDROP(false);
        view->CHECKBOXES(false);
        view->TRACKSELECTION(false);
    }
}

// The keyboard in a radio group, as the template's groups ask for: the buttons are no Tab
// stops, and the arrow keys move to the previous or next enabled button of the group in the
// order they stand on the screen (round at either end) and choose it, as a click would.
class RadioArrowKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool back = key->key() == Qt::Key_Up || key->key() == Qt::Key_Left;
        const bool forward = key->key() == Qt::Key_Down || key->key() == Qt::Key_Right;
        if ((!back && !forward) || (key->modifiers() & ~Qt::KeypadModifier)) return false;
        auto* radio = dynamic_cast<gui::RADIOBUTTON*>(gui::GUIOBJECT::fromHandle(static_cast<QWidget*>(watched)));
        if (!radio || !radio->group()) return false;
        std::vector<gui::RADIOBUTTON*> ring;
        for (gui::RADIOBUTTON* b : radio->group()->buttons())
            if (b == radio || (b->HANDLE() && b->HANDLE()->isEnabled() && b->HANDLE()->isVisible())) ring.push_back(b);
        std::stable_sort(ring.begin(), ring.end(), [](gui::RADIOBUTTON* a, gui::RADIOBUTTON* b) {
            const QPoint pa = a->HANDLE()->pos(), pb = b->HANDLE()->pos();
            return pa.y() != pb.y() ? pa.y() < pb.y() : pa.x() < pb.x();
        });
        const auto at = size_t(std::find(ring.begin(), ring.end(), radio) - ring.begin());
        gui::RADIOBUTTON* next = ring[(at + (back ? ring.size() - 1 : 1)) % ring.size()];
        if (next == radio) return true;
        next->HANDLE()->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        if (!next->PRESSED()) next->CLICK();
        return true;
    }
};

}  // namespace

DTAMIRVANO_VO::DTAMIRVANO_VO(gui::WINDOW* owner, int /*controlId*/, const rt::Value& /*server*/,
                             const rt::Value& /*extra*/)
    : gui::DATAWINDOW(owner) {
    const gui::DialogBaseUnits base = gui::templateBaseUnits();
    const QRect form = gui::dialogUnitsToPixels(kFormGeometry.x, kFormGeometry.y, kFormGeometry.w, kFormGeometry.h, base);
    SIZE(gui::DIMENSION(form.width(), form.height()));

    for (int i = 1; i <= 3; ++i) {
        const FormFont& f = formFont(i);
        fonts_[i - 1] = gui::FONT(gui::FONTANY, f.points, f.face);
        if (f.bold) fonts_[i - 1].BOLD(true);
    }

    // The windows exist in template order, which is also the tab order; the radio groups
    // are dressed after all their buttons exist.
    auto* radioKeys = new RadioArrowKeys(HANDLE());
    for (const FormItem& item : formItems()) {
        auto control = makeControl(this, item, templateRect(item, base));
        gui::CONTROL* c = control.get();
        owned_.push_back(std::move(control));
        order_.push_back(c);
        byName_[item.name] = c;
        if (!(item.style & kStyleVisible)) c->HIDE();
        if (item.kind == ControlKind::RadioButton && !(item.style & kStyleTabStop) && c->HANDLE()) {
            c->HANDLE()->setFocusPolicy(Qt::ClickFocus);
            c->HANDLE()->installEventFilter(radioKeys);
        }
        if (item.kind == ControlKind::RadioButtonGroup) continue;
        dress(*c, item, fonts_);
        if (item.kind == ControlKind::FixedIcon)
            if (auto* icon = dynamic_cast<gui::FIXEDICON*>(c)) icon->IMAGE(appIconPixmap(32));
    }
    for (const RadioGroupDef& def : radioGroups()) {
        auto* group = dynamic_cast<gui::RADIOBUTTONGROUP*>(formControl(def.group));
        if (!group) continue;
        std::vector<std::pair<gui::RADIOBUTTON*, rt::Value>> pairs;
        for (const RadioPair& p : def.pairs)
            pairs.emplace_back(dynamic_cast<gui::RADIOBUTTON*>(formControl(p.button)), rt::Value(p.value));
        group->FILLUSING(pairs);
        dress(*group, *findFormItem(def.groupId), fonts_);
    }
    bindReferences();
    CAPTION("");
    VIEWAS("FORMVIEW");
}

DTAMIRVANO_VO::~DTAMIRVANO_VO() {
    while (!owned_.empty()) owned_.pop_back();
}

gui::CONTROL* DTAMIRVANO_VO::formControl(const std::string& name) const {
    auto it = byName_.find(upper(name));
    return it == byName_.end() ? nullptr : it->second;
}

gui::CONTROL* DTAMIRVANO_VO::formControl(int id) const {
    for (auto* c : order_)
        if (c->CONTROLID() == id) return c;
    return nullptr;
}

rt::Value DTAMIRVANO_VO::valueVariable(const std::string& name) const {
    auto it = values_.find(upper(name));
    return it == values_.end() ? rt::Value() : it->second;
}

rt::Value DTAMIRVANO_VO::assignValue(const std::string& name, const rt::Value& value) {
    FIELDPUT(name, value);
    values_[upper(name)] = value;
    return value;
}

void DTAMIRVANO_VO::bindReferences() {
    bindControl(ODCGROUPEINSTELLUNGIN, "GROUPEINSTELLUNGIN");
    bindControl(ODCGROUPFORMATIN, "GROUPFORMATIN");
    bindControl(OCCRADIODBFIN, "RADIODBFIN");
    bindControl(OCCRADIOCSVIN, "RADIOCSVIN");
    bindControl(OCCRADIOSDFIN, "RADIOSDFIN");
    bindControl(ODCGROUPZEICHENSATZIN, "GROUPZEICHENSATZIN");
    bindControl(OCCRADIOANSIIN, "RADIOANSIIN");
    bindControl(OCCRADIOASCIIIN, "RADIOASCIIIN");
    bindControl(OCCRADIOUNIIN, "RADIOUNIIN");
    bindControl(OCCRADIOUTF8IN, "RADIOUTF8IN");
    bindControl(ODCGROUPDEZIMALIN, "GROUPDEZIMALIN");
    bindControl(OCCRADIOPUNKTIN, "RADIOPUNKTIN");
    bindControl(OCCRADIOKOMMAIN, "RADIOKOMMAIN");
    bindControl(ODCGROUPFELDGRENZEIN, "GROUPFELDGRENZEIN");
    bindControl(OCCRADIOGRENZETEXTIN, "RADIOGRENZETEXTIN");
    bindControl(OCCRADIOGRENZEKEINEIN, "RADIOGRENZEKEINEIN");
    bindControl(OCCRADIOGRENZEALLEIN, "RADIOGRENZEALLEIN");
    bindControl(ODCGROUPCSVSEPIN, "GROUPCSVSEPIN");
    bindControl(OCCRADIOSEPASEMIIN, "RADIOSEPASEMIIN");
    bindControl(OCCRADIOSEPAKOMMAIN, "RADIOSEPAKOMMAIN");
    bindControl(OCCRADIOSEPASCHRAEGIN, "RADIOSEPASCHRAEGIN");
    bindControl(OCCRADIOSEPATABIN, "RADIOSEPATABIN");
    bindControl(ODCCHECKLAENGEIN, "CHECKLAENGEIN");
    bindControl(ODCSINGLELAENGEIN, "SINGLELAENGEIN");
    bindControl(ODCCHECKHEADERIN, "CHECKHEADERIN");
    bindControl(ODCCHECKBLANKIN, "CHECKBLANKIN");
    bindControl(ODCGROUPEINSTELLUNGOUT, "GROUPEINSTELLUNGOUT");
    bindControl(ODCGROUPFORMATOUT, "GROUPFORMATOUT");
    bindControl(OCCRADIODBFOUT, "RADIODBFOUT");
    bindControl(OCCRADIOCSVOUT, "RADIOCSVOUT");
    bindControl(OCCRADIOSDFOUT, "RADIOSDFOUT");
    bindControl(ODCGROUPZEICHENSATZOUT, "GROUPZEICHENSATZOUT");
    bindControl(OCCRADIOANSIOUT, "RADIOANSIOUT");
    bindControl(OCCRADIOASCIIOUT, "RADIOASCIIOUT");
    bindControl(OCCRADIOUNIOUT, "RADIOUNIOUT");
    bindControl(OCCRADIOUTF8OUT, "RADIOUTF8OUT");
    bindControl(ODCGROUPDEZIMALOUT, "GROUPDEZIMALOUT");
    bindControl(OCCRADIOPUNKTOUT, "RADIOPUNKTOUT");
    bindControl(OCCRADIOKOMMAOUT, "RADIOKOMMAOUT");
    bindControl(ODCGROUPCSVSEPOUT, "GROUPCSVSEPOUT");
    bindControl(OCCRADIOSEPASEMIOUT, "RADIOSEPASEMIOUT");
    bindControl(OCCRADIOSEPAKOMMAOUT, "RADIOSEPAKOMMAOUT");
    bindControl(OCCRADIOSEPASCHRAEGOUT, "RADIOSEPASCHRAEGOUT");
    bindControl(OCCRADIOSEPATABOUT, "RADIOSEPATABOUT");
    bindControl(ODCGROUPFELDGRENZEOUT, "GROUPFELDGRENZEOUT");
    bindControl(OCCRADIOGRENZETEXTOUT, "RADIOGRENZETEXTOUT");
    bindControl(OCCRADIOGRENZEKEINEOUT, "RADIOGRENZEKEINEOUT");
    bindControl(OCCRADIOGRENZEALLEOUT, "RADIOGRENZEALLEOUT");
    bindControl(ODCCHECKHEADEROUT, "CHECKHEADEROUT");
    bindControl(ODCCHECKSKRIPTOUT, "CHECKSKRIPTOUT");
    bindControl(ODCCHECKOPTIOUT, "CHECKOPTIOUT");
    bindControl(ODCCHECKBLANKOUT, "CHECKBLANKOUT");
    bindControl(ODCGROUPSORTIER, "GROUPSORTIER");
    bindControl(ODCCOMBOSORTIER1, "COMBOSORTIER1");
    bindControl(ODCCOMBOSORTIER2, "COMBOSORTIER2");
    bindControl(ODCCOMBOSORTIER3, "COMBOSORTIER3");
    bindControl(ODCCOMBOSORTIER4, "COMBOSORTIER4");
    bindControl(ODCCHECKSORT, "CHECKSORT");
    bindControl(ODCGROUPDATENFELD, "GROUPDATENFELD");
    bindControl(ODCLISTDATENFELD, "LISTDATENFELD");
    bindControl(ODCCHECKDATENFELD, "CHECKDATENFELD");
    bindControl(ODCGROUPDATENSATZ, "GROUPDATENSATZ");
    bindControl(ODCSINGLEDATENSATZ, "SINGLEDATENSATZ");
    bindControl(ODCLISTAUSWAHLFELD, "LISTAUSWAHLFELD");
    bindControl(ODCLISTOPERATOREN, "LISTOPERATOREN");
    bindControl(ODCLISTFUNKTIONEN, "LISTFUNKTIONEN");
    bindControl(ODCCHECKDATENSATZ, "CHECKDATENSATZ");
    bindControl(OCCBUTFILTERTESTEN, "BUTFILTERTESTEN");
    bindControl(OCCBUTDATEIVERBINDEN, "BUTDATEIVERBINDEN");
    bindControl(OCCBUTDATEIOEFFNEN, "BUTDATEIOEFFNEN");
    bindControl(OCCBUTDATEISPEICHERN, "BUTDATEISPEICHERN");
    bindControl(OCCBUTABBRECHEN, "BUTABBRECHEN");
    bindControl(OCCBUTFONTPROPORT, "BUTFONTPROPORT");
    bindControl(OCCBUTFONTFIXED, "BUTFONTFIXED");
    bindControl(ODCGROUPAUSGDATEI, "GROUPAUSGDATEI");
    bindControl(OCCRADIOAUSGUEBERSCHR, "RADIOAUSGUEBERSCHR");
    bindControl(OCCRADIOAUSGERGAENZEN, "RADIOAUSGERGAENZEN");
    bindControl(ODCGROUPSPRACHE, "GROUPSPRACHE");
    bindControl(OCCRADIODEUTSCH, "RADIODEUTSCH");
    bindControl(OCCRADIOENGLISCH, "RADIOENGLISCH");
    bindControl(ODCCHECKTOOLTIP, "CHECKTOOLTIP");
    bindControl(OCCBUTSAVECMDINIPAR, "BUTSAVECMDINIPAR");
    bindControl(OCCBUTLOADCMDINIPAR, "BUTLOADCMDINIPAR");
    bindControl(OCCBUTHOMEPAGE, "BUTHOMEPAGE");
    bindControl(ODCICONAPP3, "ICONAPP3");
    bindControl(ODCICONAPP2, "ICONAPP2");
    bindControl(ODCICONAPP1, "ICONAPP1");
    bindControl(ODCPROGRESSBAR, "PROGRESSBAR");
    bindControl(ODCFIXEDEINGABEDATEI, "FIXEDEINGABEDATEI");
    bindControl(ODCSINGLEEINGABEDATEI, "SINGLEEINGABEDATEI");
    bindControl(ODCFIXEDAUSGABEDATEI, "FIXEDAUSGABEDATEI");
    bindControl(ODCSINGLEAUSGABEDATEI, "SINGLEAUSGABEDATEI");
    bindControl(OCCBUTEINGABEZEIGEN, "BUTEINGABEZEIGEN");
    bindControl(OCCBUTNORMALANSICHT, "BUTNORMALANSICHT");
    bindControl(OCCBUTAUSGABEZEIGEN, "BUTAUSGABEZEIGEN");
    bindControl(OCCBUTHILFE, "BUTHILFE");
    bindControl(OCCBUTBEENDEN, "BUTBEENDEN");
    bindControl(ODCINPUTBROWSER, "INPUTBROWSER");
    bindControl(ODCOUTPUTBROWSER, "OUTPUTBROWSER");
    bindControl(ODCINPUTMLE, "INPUTMLE");
    bindControl(ODCOUTPUTMLE, "OUTPUTMLE");
}

}  // namespace ui
