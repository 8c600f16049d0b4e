// The main window's side of opening, analysing and closing: it reads the options once,
// runs the engine core on plain data and puts the results back into the window's state and
// controls.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "engine/analysis.h"
#include "engine/inputfile.h"
#include "engine/lineio.h"
#include "engine/options.h"
#include "engine/report.h"
#include "engine/runcontext.h"
#include "engine/sdfstructure.h"
#include "engine/tablefields.h"
#include "mainwindow/dtamirvano.h"
#include "mainwindow/filedialogs.h"
#include "mainwindow/windowrun.h"
#include "platform/db/dbserver.h"
#include "platform/gui/application.h"
#include "platform/runtime/files.h"
#include "platform/runtime/strings.h"

namespace ui {

namespace {

// The item text of an input field in the field list: name, type, length and decimals.
std::string fieldItem(const FieldDef& f) {
    return f.name + ",    " + f.type + ",    " + std::to_string(f.length) + ",    " + std::to_string(f.decimals);
}

void showInputName(DTAMIRVANO& w, const std::string& path) {
    if (!w.ODCSINGLEEINGABEDATEI)
        return;
    w.ODCSINGLEEINGABEDATEI->TEXTVALUE(path);
    w.ODCSINGLEEINGABEDATEI->SELECTION(gui::SELECTION(100, 100));
}

// A table whose text is read as ANSI because what names its code page is not understood.
void reportTableCodePage(DTAMIRVANO& w, const db::DBSERVER& table) {
    if (const int ldid = table.unknownLanguageDriver(); ldid >= 0) {
        char byte[8];
        std::snprintf(byte, sizeof byte, "0x%02X", static_cast<unsigned>(ldid));
        engine::reportWarning(rt::StrTran(rt::StrTran(w.message(103), "$1", byte), "$2", w.cFileIn));
    }
    if (const std::string cpg = table.unreadCodePageFile(); !cpg.empty())
        engine::reportWarning(rt::StrTran(w.message(104), "$1", cpg));
}

engine::Format inputFormat(const DTAMIRVANO& w) {
    return w.lInSDF ? engine::Format::SDF : w.lInCSV ? engine::Format::CSV : engine::Format::DBF;
}

}  // namespace

DTAMIRVANO& DTAMIRVANO::BUTDATEIOEFFNEN(bool selectOnly) {
    nLineMax = 0;
    const engine::Format format = inputFormat(*this);

    std::string name;
    if (cCmdFileIn.empty()) {
        OpenDialogRequest r;
        switch (format) {
        case engine::Format::DBF: r.pattern = "*.dbf"; r.typeText = message(6); break;
        case engine::Format::SDF: r.pattern = "*.sdf"; r.typeText = message(11); break;
        default: r.pattern = "*.csv"; r.typeText = message(12); break;
        }
        r.owner = this;
        r.caption = message(5);
        r.initialName = r.pattern;
        r.allText = message(14);
        r.initialDir = cFileIn.empty() ? gcPfad : engine::directoryOf(cFileIn);
        name = runOpenDialog(r);
        gui::APPLICATIONEXEC(1);
    } else {
        name = cCmdFileIn;
    }

    SETTIMER(1, 100);
    if (lInOpen)
        CLOSEINPUT();
    if (lOutOpen)
        CLOSEOUTPUT();

    if (!name.empty()) {
        cFileIn = engine::fullPath(name);
        if (const int error = engine::checkInputName(cFileIn, format, lInUTF16 ? engine::Charset::UTF16 : engine::Charset::ANSI)) {
            engine::reportFailure(message(error));
            name.clear();
        }
    }
    if (!name.empty() && selectOnly) {
        showInputName(*this, cFileIn);
        if (OCCBUTDATEIOEFFNEN)
            OCCBUTDATEIOEFFNEN->CAPTION(message(64));
        cCmdFileIn = cFileIn;
    } else {
        if (OCCBUTDATEIOEFFNEN)
            OCCBUTDATEIOEFFNEN->CAPTION(message(65));
        cCmdFileIn.clear();
    }

    if (!name.empty() && !selectOnly) {
        if (format == engine::Format::DBF) {
            // A missing memo file is told when the output is known: text outputs carry no memo.
            oDBIn = std::make_shared<db::DBSERVER>(cFileIn, true, true, "DBFNTX", true);
            if (oDBIn->USED()) {
                lInOpen = true;
                showInputName(*this, cFileIn);
                oDBIn->SUSPENDNOTIFICATION();
                reportTableCodePage(*this, *oDBIn);
            } else {
                engine::reportFailure(oDBIn->fieldLengthsMismatch() ? rt::StrTran(message(107), "$", cFileIn) : message(7));
                CLOSEINPUT();
            }
        } else {
            hIn = rt::FOpen(cFileIn, 0);
            if (hIn == -1) {
                engine::reportFailure(message(25));
                CLOSEINPUT();
            } else {
                lInOpen = true;
                showInputName(*this, cFileIn);
            }
        }
    }

    if (lInOpen) {
        enterBusyState();
        aPosIn.clear();
        aLenIn.clear();
        switch (format) {
        case engine::Format::SDF: ANALYSESDF(); break;
        case engine::Format::CSV: ANALYSECSV(); break;
        default: ANALYSEDBF(); break;
        }
    }

    leaveBusyState();
    lCancel = false;

    if (lInOpen) {
        std::vector<std::string> names;
        names.reserve(aStructIn.size() + 1);
        for (const FieldDef& f : aStructIn)
            names.push_back(f.name);
        if (ODCLISTAUSWAHLFELD)
            ODCLISTAUSWAHLFELD->FILLUSING(names);
        names.insert(names.begin(), message(4));
        gui::COMBOBOX* combos[4] = {ODCCOMBOSORTIER1, ODCCOMBOSORTIER2, ODCCOMBOSORTIER3, ODCCOMBOSORTIER4};
        for (gui::COMBOBOX* c : combos) {
            if (!c)
                continue;
            c->FILLUSING(names);
            c->CURRENTITEMNO(1);
        }
        for (size_t k = 0; k < 4 && k < aSortFields.size(); ++k) {
            if (!combos[k])
                continue;
            const int at = combos[k]->FINDITEM(aSortFields[k]);
            if (at > 1)
                combos[k]->CURRENTITEMNO(at);
        }
        if (ODCLISTDATENFELD) {
            std::vector<std::string> items;
            items.reserve(aStructIn.size());
            for (const FieldDef& f : aStructIn)
                items.push_back(fieldItem(f));
            ODCLISTDATENFELD->FILLUSING(items);
            for (const std::string& field : aFieldFilter) {
                const int at = ODCLISTDATENFELD->FINDITEM(field + ",", false);
                if (at > 0)
                    ODCLISTDATENFELD->SELECTITEM(at);
            }
        }
        if (ODCPROGRESSBAR)
            ODCPROGRESSBAR->START();
        std::string text = message(9);
        if (const size_t at = text.find('$'); at != std::string::npos)
            text.replace(at, 1, cFileIn);
        engine::reportTransient(text);
        // A damaged table is read as far as it is whole; the user learns what is missing, last
        // so that the status bar keeps it.
        if (const std::string damaged = oDBIn ? damagedTableText(*this, *oDBIn) : std::string(); !damaged.empty())
            engine::reportTransient(damaged);
    }

    KILLTIMER(1);
    for (gui::FIXEDICON* icon : {ODCICONAPP1, ODCICONAPP2, ODCICONAPP3})
        if (icon)
            icon->BACKGROUND(BACKGROUND());
    nLineMax += 100;
    return *this;
}

DTAMIRVANO& DTAMIRVANO::CLOSEINPUT() {
    if (oDBIn) {
        if (oDBIn->USED())
            oDBIn->CLOSE();
        oDBIn.reset();
    }
    if (hIn != 0 && hIn != -1) {
        rt::FClose(hIn);
        hIn = 0;
    }
    lInOpen = false;
    if (ODCLISTDATENFELD)
        ODCLISTDATENFELD->CLEAR();
    if (ODCLISTAUSWAHLFELD)
        ODCLISTAUSWAHLFELD->CLEAR();
    for (gui::COMBOBOX* c : {ODCCOMBOSORTIER1, ODCCOMBOSORTIER2, ODCCOMBOSORTIER3, ODCCOMBOSORTIER4})
        if (c)
            c->CLEAR();
    if (ODCINPUTBROWSER)
        ODCINPUTBROWSER->DELETEALLCOLUMNS();
    if (ODCSINGLEEINGABEDATEI)
        ODCSINGLEEINGABEDATEI->TEXTVALUE("");
    cCmdFileIn.clear();
    return *this;
}

DTAMIRVANO& DTAMIRVANO::CLOSEOUTPUT() {
    if (oDBOut) {
        if (oDBOut->USED())
            oDBOut->CLOSE();
        oDBOut.reset();
    }
    if (hOut != 0 && hOut != -1) {
        rt::FClose(hOut);
        hOut = 0;
    }
    lOutOpen = false;
    if (ODCOUTPUTBROWSER)
        ODCOUTPUTBROWSER->DELETEALLCOLUMNS();
    if (ODCSINGLEAUSGABEDATEI)
        ODCSINGLEAUSGABEDATEI->TEXTVALUE("");
    cCmdFileOut.clear();
    return *this;
}

// --- field structure -----------------------------------------------------------------

FieldStructure DTAMIRVANO::MAKESTRUCTNEW(size_t n) const { return engine::makeStructNew(n); }

std::string DTAMIRVANO::TESTMAKENAME(const FieldStructure& aStruct, size_t n, const std::string& cWord) const {
    return engine::makeFieldName(aStruct, n, cWord);
}

void DTAMIRVANO::TESTFIELDTYPE(const std::string& cValue, FieldStructure& aStruct, size_t n) const {
    if (n >= 1 && n <= aStruct.size())
        engine::inferFieldType(cValue, aStruct[n - 1], lInDecComma);
}

void DTAMIRVANO::TESTFIELDLENGTH(const std::string& cValue, FieldStructure& aStruct, size_t n) const {
    if (n >= 1 && n <= aStruct.size())
        engine::inferFieldLength(cValue, aStruct[n - 1], lInDecComma);
}

namespace {

// Puts an analysis' outcome into the window; reports a failure and closes the input after a
// failure or a cancel.
void takeAnalysis(DTAMIRVANO& w, engine::AnalysisResult& r, uint32_t lineMax, bool sdf) {
    w.nLineMax = lineMax;
    if (r.status == engine::AnalysisStatus::Ok) {
        w.aStructIn = std::move(r.structure);
        w.aPosIn = std::move(r.pos);
        if (sdf)
            w.aLenIn = std::move(r.len);
        w.wFieldsIn = static_cast<uint16_t>(std::min<size_t>(w.aStructIn.size(), 65535));
        return;
    }
    if (r.status == engine::AnalysisStatus::Failed) {
        std::string text = w.message(r.message);
        if (r.message == 53)
            text += ": " + std::to_string(r.record);
        else if (r.message == 92)
            text = rt::StrTran(text, "$1", std::to_string(r.record));
        else if (r.message == 101)
            text = rt::StrTran(text, "$", std::to_string(r.record));
        engine::reportFailure(text);
    }
    w.CLOSEINPUT();
}

}  // namespace

DTAMIRVANO& DTAMIRVANO::ANALYSECSV() {
    const engine::Options o = readOptions(*this);
    auto context = makeWindowRunContext(*this);
    engine::reportTransient(message(54));
    engine::LineReader reader(hIn, o.inCharset, engine::Charset::ANSI);
    reader.setLineMax(nLineMax);
    engine::AnalysisResult r = engine::analyseCsv(reader, o, *context);
    takeAnalysis(*this, r, reader.lineMax(), false);
    return *this;
}

DTAMIRVANO& DTAMIRVANO::ANALYSESDF() {
    const engine::Options o = readOptions(*this);
    auto context = makeWindowRunContext(*this);
    engine::reportTransient(message(54));
    engine::LineReader reader(hIn, o.inCharset, engine::Charset::ANSI);
    reader.setLineMax(nLineMax);
    engine::AnalysisResult r = engine::analyseSdf(reader, o, *context);
    if (r.status == engine::AnalysisStatus::Failed && reader.overlongLine()) {
        r.message = 92;
        r.record = reader.overlongLine();
    }
    takeAnalysis(*this, r, reader.lineMax(), true);
    return *this;
}

DTAMIRVANO& DTAMIRVANO::ANALYSEDBF() {
    auto context = makeWindowRunContext(*this);
    context->progressStart();
    aStructIn = oDBIn ? engine::tableStructure(*oDBIn) : FieldStructure();
    wFieldsIn = static_cast<uint16_t>(std::min<size_t>(aStructIn.size(), 65535));
    if (aStructIn.empty()) {
        CLOSEINPUT();
        engine::reportFailure(message(8));
    }
    if (!lCancel)
        context->progressFinish();
    return *this;
}

void DTAMIRVANO::TESTSTRUCT2ARRAY(const std::string& cLine, FieldStructure& aStruct, std::vector<int>& aPos,
                                  std::vector<int>& aLen) const {
    engine::struct2Array(cLine, aStruct, aPos, aLen, lInHeader, lInBlank);
}

void DTAMIRVANO::TESTSDFSTRUCT(const std::string& cLine, std::string& cMask) const {
    engine::addToColumnMask(cLine, cMask);
}

// --- lines ---------------------------------------------------------------------------------

std::string DTAMIRVANO::LESEZEILE(win::FileHandle handle) {
    const engine::Options o = readOptions(*this);
    engine::LineReader reader(handle, o.inCharset, engine::workingEncoding(o));
    std::string line;
    reader.next(line);
    return line;
}

std::string DTAMIRVANO::LESEZEILEANALYSE(win::FileHandle handle) {
    const engine::Options o = readOptions(*this);
    engine::LineReader reader(handle, o.inCharset, engine::Charset::ANSI);
    reader.setLineMax(nLineMax);
    std::string line;
    reader.nextAnalysis(line);
    nLineMax = reader.lineMax();
    return line;
}

bool DTAMIRVANO::SCHREIBEZEILE(win::FileHandle handle, const std::string& line) const {
    const engine::Options o = readOptions(*this);
    engine::LineWriter writer(handle, engine::workingEncoding(o), o.outCharset);
    writer.write(line);
    return writer.flush();
}

std::vector<std::string> DTAMIRVANO::COPYSDF2ARRAYIN(const std::string& line, const FieldStructure& aStruct,
                                                     const std::vector<int>& aPos, size_t n) const {
    return engine::copySdf2ArrayIn(line, aStruct, aPos, n);
}

std::vector<std::string> DTAMIRVANO::COPYSDF2ARRAYOUT(const std::string& line, const std::vector<int>& aLen,
                                                      const std::vector<int>& aPos, size_t n) const {
    std::vector<std::string> out;
    engine::copySdf2ArrayOut(line, aLen, aPos, n, engine::countsCharacters(readOptions(*this)), out);
    return out;
}

std::string DTAMIRVANO::PADRIGHT(const std::string& text, size_t width) const {
    return engine::padRight(text, width, engine::countsCharacters(readOptions(*this)));
}

}  // namespace ui
