// Sorting and the record filter of a run: the window's steps around the engine's sort and
// filter core.
#include <memory>

#include "engine/filter.h"
#include "engine/isinfile.h"
#include "engine/options.h"
#include "engine/report.h"
#include "engine/runcontext.h"
#include "engine/runstate.h"
#include "engine/sort.h"
#include "mainwindow/dtamirvano.h"
#include "mainwindow/windowrun.h"
#include "platform/db/dbserver.h"
#include "platform/gui/application.h"
#include "platform/runtime/strings.h"

namespace ui {

namespace {

bool checked(const gui::CHECKBOX* box) { return box && box->CHECKED(); }

std::string filterText(const DTAMIRVANO& w) {
    return w.ODCSINGLEDATENSATZ ? rt::AllTrim(w.ODCSINGLEDATENSATZ->TEXTVALUE()) : std::string();
}

// A step failed: its error, the sound, and the output closed. The record loop that called
// the step still holds the output table, so the closed table object is kept alive.
void stepFailed(DTAMIRVANO& w, const std::string& text) {
    if (w.oDBOut) w.oRun->retiredOut = w.oDBOut;
    engine::reportFailure(text);
    w.cCmdFileOut.clear();
    w.CLOSEOUTPUT();
}

void prepareFilterFunctions() {
    engine::registerIsInFile();
    engine::setIsInFilePump([] { gui::APPLICATIONEXEC(1); });
}

// The checks both ways of the filter make; true when a filter applies.
bool filterApplies(DTAMIRVANO& w, const std::string& text) {
    prepareFilterFunctions();
    if (checked(w.ODCCHECKDATENSATZ)) {
        if (text.empty()) {
            stepFailed(w, w.message(26));
            return false;
        }
        if (!w.TESTFILTERSTRING()) {
            w.cCmdFileOut.clear();
            w.CLOSEOUTPUT();
            return false;
        }
        return true;
    }
    if (!text.empty()) {
        engine::reportError(w.message(45));
        engine::reportSound("SystemExclamation");
    }
    return false;
}

// The form's filter check may run before any conversion: the program's own filter
// functions exist from the start.
[[maybe_unused]] const bool gFilterFunctions = (prepareFilterFunctions(), true);

// A temporary file of the run beside its output, under a name no other run is given; "" when
// the folder takes none, which ends the run with a message naming the folder.
std::string runFile(DTAMIRVANO& w, const char* prefix, const char* ext) {
    std::string dir = w.oRun->tempDir.empty() ? w.cDirOut : w.oRun->tempDir;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    std::string why;
    std::string path = w.oRun->files.make(dir, prefix, ext, &why);
    if (path.empty()) stepFailed(w, rt::StrTran(w.message(122), "$", dir) + " (" + why + ")");
    return path;
}

std::vector<gui::COMBOBOX*> sortCombos(const DTAMIRVANO& w) {
    return {w.ODCCOMBOSORTIER1, w.ODCCOMBOSORTIER2, w.ODCCOMBOSORTIER3, w.ODCCOMBOSORTIER4};
}

}  // namespace

bool DTAMIRVANO::SETFILTERDBFIN() {
    const std::string text = filterText(*this);
    if (!filterApplies(*this, text)) return lOutOpen;
    const unsigned working = engine::workingCodePage(readOptions(*this));
    if (!oDBIn || !oDBIn->SETFILTER(engine::literalsToEncoding(text, working))) stepFailed(*this, message(27));
    return lOutOpen;
}

bool DTAMIRVANO::SETFILTERCSVSDFIN(std::string& filter) {
    filter.clear();
    oRun->filter = engine::RecordFilter();
    const std::string text = filterText(*this);
    if (!filterApplies(*this, text)) return lOutOpen;
    const engine::Charset working = engine::workingEncoding(readOptions(*this));
    filter = engine::rewriteFilter(engine::literalsToEncoding(text, working), aStructIn, lInDecComma);
    oRun->filter.compile(filter);
    return lOutOpen;
}

bool DTAMIRVANO::TESTFILTERREC(const std::string& filter, const std::vector<std::string>& record) {
    if (oRun->filter.text() != filter) oRun->filter.compile(filter);
    return oRun->filter.test(record);
}

bool DTAMIRVANO::ENDFILTERCSVSDFIN() {
    const bool unusable = oRun->filter.failedEverywhere();
    oRun->filter.tested = oRun->filter.errors = 0;
    if (!unusable) return true;
    stepFailed(*this, message(82));
    return false;
}

std::string DTAMIRVANO::CALCNUMINDSTR(const FieldStructure& aStruct, size_t n) const {
    if (n == 0 || n > aStruct.size()) return {};
    return engine::numericKeyPart(aStruct[n - 1]);
}

bool DTAMIRVANO::SETINDEXDBFIN() {
    if (!checked(ODCCHECKSORT)) return lOutOpen;
    std::vector<int> items;
    for (gui::COMBOBOX* c : sortCombos(*this)) items.push_back(c ? c->CURRENTITEMNO() : 0);
    const std::string key = engine::inputSortKey(aStructIn, items);
    if (key.empty()) {
        stepFailed(*this, message(29));
        return false;
    }
    const std::string index = runFile(*this, engine::kIndexIn, engine::kIndexExt);
    if (index.empty()) return false;
    if (oDBIn && engine::createIndex(*oDBIn, index, key))
        oDBIn->SETINDEX(index);
    else
        stepFailed(*this, message(28));
    return lOutOpen;
}

void DTAMIRVANO::SETINDEXDBFOUT() {
    if (!checked(ODCCHECKSORT)) return;
    std::vector<std::string> names;
    for (gui::COMBOBOX* c : sortCombos(*this)) names.push_back(c && c->CURRENTITEMNO() > 1 ? c->CURRENTTEXT() : "");
    const std::string key = engine::outputSortKey(aFeldListe, names);
    if (key.empty()) {
        stepFailed(*this, message(29));
        return;
    }
    const std::string index = runFile(*this, engine::kIndexOut, engine::kIndexExt);
    if (index.empty()) return;
    if (oDBOut && engine::createIndex(*oDBOut, index, key))
        oDBOut->SETINDEX(index);
    else
        stepFailed(*this, message(28));
}

uint32_t DTAMIRVANO::SORTDBFOUT() {
    if (!oDBOut || !oDBOut->USED()) return 0;
    const std::string file = oDBOut->FULLPATH();
    const std::string temp = runFile(*this, engine::kTempOut, engine::kTableExt);
    if (temp.empty()) return 0;
    auto context = makeWindowRunContext(*this);
    const engine::RewriteResult r = engine::rewriteInOrder(*oDBOut, temp, *context);
    oRun->files.handOver(temp);
    switch (r.end) {
    case engine::RewriteEnd::Completed:
        // The loop that called us still holds the old table object; it stays alive, closed.
        oRun->retiredOut = oDBOut;
        oDBOut = std::make_shared<db::DBSERVER>(file, false, false, "DBFNTX");
        if (!oDBOut->USED()) stepFailed(*this, message(20));
        return r.count;
    case engine::RewriteEnd::Cancelled: return r.count;
    case engine::RewriteEnd::TempFailed: stepFailed(*this, message(20)); return 0;
    case engine::RewriteEnd::CopyFailed:
        stepFailed(*this, rt::StrTran(message(78), "$", temp) + " (" + r.error + ")");
        return r.count;
    case engine::RewriteEnd::ReplaceFailed:
        stepFailed(*this, rt::StrTran(message(78), "$", file) + " (" + r.error + ")");
        return r.count;
    }
    return r.count;
}

}  // namespace ui
