// The filter builder (field, operator and function lists inserting at the caret of the
// filter edit), the record of the chosen output and sort fields, and the filter check.
#include <QString>
#include <algorithm>
#include <vector>

#include "engine/filtertext.h"
#include "engine/report.h"
#include "functions/sounds.h"
#include "mainwindow/dtamirvano.h"
#include "mainwindow/filterbuilder.h"
#include "platform/gui/statusbar.h"
#include "platform/runtime/expr.h"
#include "ui/texts.h"

namespace ui {

namespace {

// Trims blanks (only blanks) at both ends.
QString trimBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == QLatin1Char(' ')) ++b;
    while (e > b && s[e - 1] == QLatin1Char(' ')) --e;
    return s.mid(b, e - b);
}

// One pass of "every pair of blanks becomes one blank, scanning from the left", outside
// string literals; the text inside quotes is the user's data and stays as typed.
QString thinBlankPairs(const QString& s) {
    QString out;
    out.reserve(s.size());
    QChar quote;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (!quote.isNull()) {
            out += c;
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            out += c;
            continue;
        }
        if (c == QLatin1Char(' ') && i + 1 < s.size() && s[i + 1] == QLatin1Char(' ')) {
            out += c;
            ++i;
            continue;
        }
        out += c;
    }
    return out;
}

// A character that does not occur in the text marks the caret while the text is thinned.
QChar freeMarker(const QString& s) {
    for (char16_t u = 0xE000; u < 0xF8FF; ++u)
        if (!s.contains(QChar(u))) return QChar(u);
    return QChar(0xF8FF);
}

// Through the engine's report seam, so that a batch run tells the reason on standard error.
void statusError(const std::string& text, const char* sound) {
    engine::reportError(text);
    engine::reportSound(sound);
}

// Sample values of the field types, put in place of the field names for the check.
std::string sampleValue(const FieldDef& f, bool& replace) {
    replace = true;
    if (f.type == "C") return "\"X\"";
    if (f.type == "N") return f.decimals > 0 ? "0.0" : "0";
    if (f.type == "L") return ".T.";
    if (f.type == "D") return "2013.01.01";
    replace = false;
    return {};
}

// The record functions answer for "no record" while the filter is only checked.
class CheckScope : public rt::NameScope {
public:
    bool lookup(const std::string&, rt::Value&) const override { return false; }
    bool callFunction(const std::string& name, const std::vector<rt::Value>& args, rt::Value& out) const override {
        if (!args.empty()) return false;
        if (name == "DELETED") {
            out = rt::Value(false);
            return true;
        }
        if (name == "RECNO") {
            out = rt::Value(0);
            return true;
        }
        return false;
    }
};

// What is wrong with a filter that does not evaluate, in the window's language: the unknown
// name or function, the call with missing arguments, the operator whose operands do not go
// together, or the compiler's own words.
std::string filterFault(const rt::Error& error, int language) {
    const rt::ExprFault fault = rt::explainError(error);
    int number = 0;
    switch (fault.kind) {
        case rt::ExprFault::Kind::UnknownName: number = 97; break;
        case rt::ExprFault::Kind::UnknownFunction: number = 98; break;
        case rt::ExprFault::Kind::Arguments: number = 99; break;
        case rt::ExprFault::Kind::Operands: number = 100; break;
        default: return fault.subject;
    }
    std::string text = messageText(number, language);
    const size_t at = text.find('$');
    if (at != std::string::npos) text.replace(at, 1, fault.subject);
    return text;
}

}  // namespace

FilterInsertion insertFilterItem(const std::string& text, int caret, const std::string& item) {
    QString t = trimBlanks(QString::fromStdString(text));
    const QString inserted = trimBlanks(QString::fromStdString(item));
    const QChar marker = freeMarker(t + inserted);
    const qsizetype p = std::clamp<qsizetype>(caret, 0, t.size());
    t.insert(p, QLatin1Char(' ') + inserted + QLatin1Char(' ') + marker);
    t = trimBlanks(thinBlankPairs(t));
    t = thinBlankPairs(t);
    FilterInsertion result;
    result.caret = int(t.indexOf(marker));
    t.remove(marker);
    result.text = t.toStdString();
    return result;
}

void DTAMIRVANO::LISTBOXSELECT(gui::ControlEvent& event) {
    DTAMIRVANO_VO::LISTBOXSELECT(event);
    const std::string name = event.NAMESYM();
    if (name == "LISTAUSWAHLFELD" || name == "LISTOPERATOREN" || name == "LISTFUNKTIONEN") {
        auto* list = dynamic_cast<gui::LISTBOX*>(event.control());
        if (!list || !ODCSINGLEDATENSATZ) return;
        const std::string item = list->CURRENTITEM();
        if (item.empty()) return;
        const FilterInsertion ins =
            insertFilterItem(ODCSINGLEDATENSATZ->TEXTVALUE(), ODCSINGLEDATENSATZ->SELECTION().START(), item);
        ODCSINGLEDATENSATZ->TEXTVALUE(ins.text);
        ODCSINGLEDATENSATZ->SELECTION(gui::SELECTION(ins.caret, ins.caret));
    } else if (name == "LISTDATENFELD") {
        aFieldFilter.clear();
        for (int pos = ODCLISTDATENFELD->FIRSTSELECTED(); pos != 0; pos = ODCLISTDATENFELD->NEXTSELECTED()) {
            const rt::Value v = ODCLISTDATENFELD->GETITEMVALUE(pos);
            const std::string entry = v.isString() ? v.str() : ODCLISTDATENFELD->GETITEM(pos);
            aFieldFilter.push_back(entry.substr(0, entry.find(',')));
        }
    } else if (name == "COMBOSORTIER1" || name == "COMBOSORTIER2" || name == "COMBOSORTIER3" ||
               name == "COMBOSORTIER4") {
        aSortFields.clear();
        for (gui::COMBOBOX* combo : {ODCCOMBOSORTIER1, ODCCOMBOSORTIER2, ODCCOMBOSORTIER3, ODCCOMBOSORTIER4})
            if (combo && combo->CURRENTITEMNO() > 1) aSortFields.push_back(combo->CURRENTTEXT());
    }
}

bool DTAMIRVANO::TESTFILTERSTRING() {
    const std::string text = ODCSINGLEDATENSATZ ? trimBlanks(QString::fromStdString(ODCSINGLEDATENSATZ->TEXTVALUE())).toStdString()
                                                : std::string();
    // The filter runs over the records of the input, so every input field may appear in it.
    const FieldStructure& fields = !aStructIn.empty() ? aStructIn : aFeldListe;
    bool failed = fields.empty();
    std::string fault;
    rt::Value result;
    if (!failed) {
        std::vector<engine::NameReplacement> samples;
        for (const FieldDef& f : fields) {
            bool replace = false;
            std::string sample = sampleValue(f, replace);
            if (replace) samples.push_back({f.name, sample});
        }
        const std::string probe = engine::replaceFieldNames(text, samples);
        const CheckScope scope;
        result = rt::ErrorBlock([](const rt::Error& e) { return rt::Value(e); },
                                [&] { return rt::Evaluate(probe, scope); });
        failed = result.isError();
        if (failed) {
            rt::Error error = result.err();
            // A syntax error is placed in the text as typed, not in the one with samples.
            std::string typed;
            if (rt::explainError(error).kind == rt::ExprFault::Kind::Syntax && !rt::Expression::compile(text, &typed))
                error.description = typed;
            fault = filterFault(error, gbSprache);
        }
    }
    if (!failed && result.isLogical()) return true;
    std::string told = messageText(failed ? 40 : 41, gbSprache);
    if (!fault.empty()) told += ": " + fault;
    statusError(told, "SystemHand");
    return false;
}

bool DTAMIRVANO::BUTFILTERTESTEN() {
    const bool ok = TESTFILTERSTRING();
    if (ok) statusError(messageText(39, gbSprache), "SystemAsterisk");
    return ok;
}

}  // namespace ui
