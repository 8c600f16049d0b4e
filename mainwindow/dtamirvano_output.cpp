// Writing the output: the output name and its checks, the output field list, creating or
// opening the output, the nine record loops, SDF widths, header line and SQL script, and the
// append test of a dBase output.
#include <algorithm>
#include <filesystem>
#include <memory>

#include "engine/dbfcompat.h"
#include "engine/fieldlist.h"
#include "engine/header.h"
#include "engine/inputfile.h"
#include "engine/lineio.h"
#include "engine/loops.h"
#include "engine/options.h"
#include "engine/outputfile.h"
#include "engine/report.h"
#include "engine/runcontext.h"
#include "engine/runstate.h"
#include "engine/sdfwidths.h"
#include "engine/tablefields.h"
#include "functions/largefile.h"
#include "mainwindow/dtamirvano.h"
#include "mainwindow/filedialogs.h"
#include "mainwindow/windowrun.h"
#include "platform/db/dbserver.h"
#include "platform/gui/application.h"
#include "platform/runtime/strings.h"
#include "platform/win/filehandle.h"

namespace ui {

namespace fs = std::filesystem;

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    return rt::StrTran(text, from, to);
}

std::string lowerText(const std::string& s) { return rt::Lower(s); }

bool endsIn4(const std::string& lowerName, const std::string& list) {
    if (lowerName.size() < 4) return list.find(lowerName) != std::string::npos;
    return list.find(lowerName.substr(lowerName.size() - 4)) != std::string::npos;
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    if (lowerText(a) == lowerText(b)) return true;
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// The steps of a run that the window's other methods carry out.
class WindowHooks : public engine::LoopHooks {
public:
    explicit WindowHooks(DTAMIRVANO& w) : w_(w) {}
    bool testDbfCompat() override {
        w_.TESTDBFCOMPAT();
        return w_.lOutOpen;
    }
    bool setFilterDbfIn() override { return w_.SETFILTERDBFIN() && w_.lOutOpen; }
    bool setIndexDbfIn() override { return w_.SETINDEXDBFIN() && w_.lOutOpen; }
    bool setFilterTextIn(std::string& filter) override { return w_.SETFILTERCSVSDFIN(filter) && w_.lOutOpen; }
    bool testFilterRec(const std::string& filter, const std::vector<std::string>& record) override {
        return w_.TESTFILTERREC(filter, record);
    }
    bool endFilterTextIn() override { return w_.ENDFILTERCSVSDFIN(); }
    bool filterOnWorkers() const override { return true; }
    void addFilterCounts(long tested, long errors) override {
        w_.oRun->filter.tested += tested;
        w_.oRun->filter.errors += errors;
    }
    void setIndexDbfOut() override { w_.SETINDEXDBFOUT(); }
    bool sortDbfOut(uint32_t& count) override {
        if (!w_.ODCCHECKSORT || !w_.ODCCHECKSORT->CHECKED()) return true;
        count = w_.SORTDBFOUT();
        return w_.lOutOpen;
    }
    void showTransient(int message) override { engine::reportTransient(w_.message(message)); }

private:
    DTAMIRVANO& w_;
};

engine::LoopJob makeJob(const DTAMIRVANO& w, const std::string& table) {
    engine::LoopJob job;
    job.options = readOptions(w);
    job.structIn = w.aStructIn;
    job.posIn = w.aPosIn;
    job.lenIn = w.aLenIn;
    job.out.fields = w.aFeldListe;
    job.out.pos = w.aPosOut;
    job.out.len = w.aLenOut;
    job.table = table;
    return job;
}

uint32_t runLoop(DTAMIRVANO& w, const std::string& table) {
    engine::LoopJob job = makeJob(w, table);
    const engine::Options& o = job.options;
    auto context = makeWindowRunContext(w);
    WindowHooks hooks(w);
    engine::LoopResult result;
    {
        std::unique_ptr<engine::LineReader> reader;
        std::unique_ptr<engine::LineWriter> writer;
        engine::LoopOutput output;
        if (o.inFormat != engine::Format::DBF) {
            reader = std::make_unique<engine::LineReader>(w.hIn, o.inCharset, engine::workingEncoding(o));
            reader->setLineMax(w.nLineMax);
        }
        if (o.outFormat != engine::Format::DBF) {
            output.startBytes = FTELLLARGE(w.hOut);
            if (output.startBytes < 0) output.startBytes = 0;
            writer = std::make_unique<engine::LineWriter>(w.hOut, engine::workingEncoding(o), o.outCharset);
        }
        output.writer = writer.get();
        output.table = w.oDBOut.get();
        engine::LoopInput input{reader.get(), w.oDBIn.get()};
        result = engine::runConversion(job, input, output, *context, hooks);
        // A step that failed closed the output: its handle is no longer ours to write.
        if (writer && w.lOutOpen) writer->flush();
    }
    w.oRun->lastLoop = result;
    if (result.end == engine::LoopEnd::WriteFailed || result.end == engine::LoopEnd::ReadFailed) {
        const bool write = result.end == engine::LoopEnd::WriteFailed;
        engine::reportFailure(replaceAll(w.message(write ? 78 : 79), "$", write ? w.cFileOut : w.cFileIn));
        w.cCmdFileOut.clear();
        w.CLOSEOUTPUT();
    }
    return result.count;
}

void widthsFor(DTAMIRVANO& w, std::vector<int>& aMax, std::vector<int>& aLead) {
    engine::LoopJob job = makeJob(w, {});
    auto context = makeWindowRunContext(w);
    WindowHooks hooks(w);
    std::unique_ptr<engine::LineReader> reader;
    if (job.options.inFormat != engine::Format::DBF) {
        reader = std::make_unique<engine::LineReader>(w.hIn, job.options.inCharset, engine::Charset::ANSI);
        reader->setLineMax(w.nLineMax);
    }
    engine::LoopInput input{reader.get(), w.oDBIn.get()};
    engine::SdfWidths widths = engine::computeSdfWidths(job, input, *context, hooks);
    aMax = widths.max;
    if (job.options.outOptiSDF) aLead = widths.lead;
}

// Writes lines to the text output through the line writer; an error closes the output.
void writeLines(DTAMIRVANO& w, const std::vector<std::string>& lines) {
    if (!w.lOutOpen || w.hOut < 0) return;
    engine::Options o = readOptions(w);
    bool ok = true;
    {
        engine::LineWriter writer(w.hOut, engine::workingEncoding(o), o.outCharset);
        for (const auto& l : lines) ok = writer.write(l) && ok;
        ok = writer.flush() && ok;
    }
    if (!ok) {
        engine::reportFailure(replaceAll(w.message(78), "$", w.cFileOut));
        w.cCmdFileOut.clear();
        w.CLOSEOUTPUT();
    }
}

// The output's name in its edit field, the caret at its end.
void showOutputName(DTAMIRVANO& w) {
    if (!w.ODCSINGLEAUSGABEDATEI) return;
    w.ODCSINGLEAUSGABEDATEI->TEXTVALUE(w.cFileOut);
    w.ODCSINGLEAUSGABEDATEI->SELECTION(gui::SELECTION(100, 100));
}

// The input is a table whose memo file is missing (its memo fields read as empty).
bool missingMemo(const DTAMIRVANO& w) { return w.lInDBF && w.oDBIn && w.oDBIn->USED() && !w.oDBIn->missingMemoFile().empty(); }

bool carriesMemo(const FieldStructure& fields) {
    return std::any_of(fields.begin(), fields.end(), [](const FieldDef& f) { return f.type == "M" || f.type == "G" || f.type == "P"; });
}

engine::SdfWidths widthsOf(const std::vector<int>& aMax, const std::vector<int>& aLead) { return {aMax, aLead}; }

}  // namespace

DTAMIRVANO& DTAMIRVANO::CALCFELDLISTE() {
    aFeldListe.clear();
    aPosOut.clear();
    aLenOut.clear();
    const bool filter = ODCCHECKDATENFELD && ODCCHECKDATENFELD->CHECKED();
    std::vector<std::string> selected;
    std::vector<size_t> places;
    if (filter && ODCLISTDATENFELD) {
        for (int pos = ODCLISTDATENFELD->FIRSTSELECTED(); pos > 0; pos = ODCLISTDATENFELD->NEXTSELECTED()) {
            selected.push_back(engine::fieldListItemName(ODCLISTDATENFELD->GETITEM(pos)));
            places.push_back(static_cast<size_t>(pos - 1));
        }
    }
    engine::Format out = lOutDBF ? engine::Format::DBF : lOutSDF ? engine::Format::SDF : engine::Format::CSV;
    // The list holds one item per input field, in order: an item's place is its field's, which
    // tells two fields of one name apart.
    bool byPlace = ODCLISTDATENFELD && ODCLISTDATENFELD->ITEMCOUNT() == static_cast<int>(aStructIn.size());
    for (size_t k = 0; byPlace && k < places.size(); ++k) byPlace = aStructIn[places[k]].name == selected[k];
    engine::FieldList list = engine::buildFieldList(aStructIn, aPosIn, aLenIn, filter, selected, out, byPlace ? &places : nullptr);
    aFeldListe = std::move(list.fields);
    aPosOut = std::move(list.pos);
    aLenOut = std::move(list.len);
    if (lInDBF && oDBIn && oDBIn->USED()) engine::carryTableFields(aFeldListe, *oDBIn);
    if (lOutDBF) {
        // A table's names must differ: a second field of a name gets one of its own.
        for (const engine::FieldRename& r : engine::renameDuplicateFields(aFeldListe))
            engine::reportWarning(replaceAll(replaceAll(replaceAll(message(102), "$1", r.from), "$2", std::to_string(r.place)),
                                             "$3", r.to));
    }
    if (filter && aFeldListe.empty()) {
        engine::reportFailure(message(18));
        cCmdFileOut.clear();
    }
    return *this;
}

DTAMIRVANO& DTAMIRVANO::BUTDATEISPEICHERN() {
    lLastWriteOk = false;
    if (!lInOpen) {
        engine::reportFailure(message(10));
        cCmdFileOut.clear();
        return *this;
    }
    const bool append = OCCRADIOAUSGERGAENZEN && OCCRADIOAUSGERGAENZEN->PRESSED();
    std::string name;
    if (cCmdFileOut.empty()) {
        // Names and directories keep their case: the file system tells letters apart.
        std::string base = cFileOut.empty() ? "mirvano" : fs::path(cFileOut).stem().string();
        std::string def = base + (lOutDBF ? ".dbf" : lOutSDF ? ".sdf" : ".csv");
        if (!cFileIn.empty() && lowerText(gcPfad) + def == lowerText(cFileIn)) {
            size_t dot = def.find('.');
            def.replace(dot, 1, "_new.");
        }
        SaveDialogRequest request;
        request.owner = this;
        request.caption = message(13);
        request.initialName = def;
        request.initialDir = cFileOut.empty() ? gcPfad : fs::path(cFileOut).parent_path().string();
        request.pattern = lOutDBF ? "*.dbf" : lOutSDF ? "*.sdf" : "*.csv";
        request.typeText = message(lOutDBF ? 6 : lOutSDF ? 11 : 12);
        request.allText = message(14);
        request.overwritePrompt = !append;
        name = runSaveDialog(request);
        gui::APPLICATIONEXEC(1);
    } else {
        name = cCmdFileOut;
    }
    SETTIMER(1, 100);
    if (lOutOpen) CLOSEOUTPUT();
    std::string table;
    if (!name.empty()) {
        cFileOut = engine::fullPath(name);
        cDirOut = fs::path(cFileOut).parent_path().string() + "/";
        table = lowerText(fs::path(cFileOut).stem().string());
        const std::string lower = lowerText(cFileOut);
        int error = 0;
        if (sameFile(cFileOut, cFileIn))
            error = 15;
        else if (lOutDBF && (lower.size() < 4 || lower.substr(lower.size() - 4) != ".dbf"))
            error = 16;
        else if (lOutCSV && endsIn4(lower, ".dbf.sdf.exe.bat.sys.com.dll"))
            error = 17;
        else if (lOutSDF && endsIn4(lower, ".dbf.csv.exe.bat.sys.com.dll"))
            error = 17;
        if (error) {
            engine::reportFailure(message(error));
            cCmdFileOut.clear();
            name.clear();
        }
    }
    oRun->replacement.clear();
    oRun->target.clear();
    oRun->tempDir.clear();
    oRun->appendFrom = -1;
    oRun->tableBefore.clear();
    oRun->createdNew = false;
    if (!name.empty()) {
        CALCFELDLISTE();
        const engine::Format out = lOutDBF ? engine::Format::DBF : lOutSDF ? engine::Format::SDF : engine::Format::CSV;
        const bool filterReported = ODCCHECKDATENFELD && ODCCHECKDATENFELD->CHECKED() && aFeldListe.empty();
        if (!filterReported && !engine::fieldListWritesAnything(aFeldListe, out)) {
            // Nothing would reach the output: say so rather than end silently.
            aFeldListe.clear();
            engine::reportFailure(message(80));
            cCmdFileOut.clear();
        } else if (lOutDBF && missingMemo(*this) && carriesMemo(aFeldListe)) {
            // The memos cannot be carried without their file; the other outputs go without them.
            aFeldListe.clear();
            engine::reportFailure(replaceAll(message(105), "$", oDBIn->missingMemoFile()));
            cCmdFileOut.clear();
        }
    }
    if (!name.empty() && !aFeldListe.empty()) {
        // The file written is the one the name leads to: a symbolic link keeps pointing at it,
        // and the run's temporary files are made beside it.
        oRun->target = engine::followLinks(cFileOut);
        oRun->tempDir = fs::path(oRun->target).parent_path().string();
        std::error_code ec;
        const bool exists = fs::exists(fs::symlink_status(oRun->target, ec));
        const bool create = !(append && exists);
        std::string target = oRun->target;
        bool go = true;
        if (create && exists) {
            std::string why;
            switch (engine::prepareReplacement(oRun->target, oRun->files, &target, &why)) {
            case engine::ReplaceRefusal::None: oRun->replacement = target; break;
            case engine::ReplaceRefusal::NotPlain:
                engine::reportFailure(replaceAll(message(78), "$", cFileOut) + " (" + why + ")");
                go = false;
                break;
            case engine::ReplaceRefusal::WriteProtected:
                engine::reportFailure(replaceAll(message(121), "$", cFileOut));
                go = false;
                break;
            case engine::ReplaceRefusal::NoTempFile:
                engine::reportFailure(replaceAll(message(122), "$", oRun->tempDir) + " (" + why + ")");
                go = false;
                break;
            }
            if (!go) cCmdFileOut.clear();
        }
        if (go && lOutDBF) {
            bool created = true;
            if (create) {
                // A table made from a table of another alphabet keeps its code page.
                const engine::NewTableCodePage codePage = lInDBF && oDBIn && oDBIn->USED()
                                                              ? engine::sharedCodePage({engine::tableCodePage(*oDBIn)}, lOutOEM)
                                                              : engine::NewTableCodePage{};
                created = engine::createTable(target, aFeldListe, lOutOEM, codePage);
                if (!created) {
                    engine::reportFailure(message(19) + refusalText(*this, aFeldListe));
                    cCmdFileOut.clear();
                } else {
                    oRun->createdNew = !exists;
                }
            }
            if (created) {
                if (!create) oRun->tableBefore.capture(cFileOut);
                oDBOut = std::make_shared<db::DBSERVER>(target, true, false, "DBFNTX");
                if (oDBOut->USED()) {
                    lOutOpen = true;
                    showOutputName(*this);
                    oDBOut->SUSPENDNOTIFICATION();
                } else {
                    engine::reportFailure(message(20));
                    cCmdFileOut.clear();
                    CLOSEOUTPUT();
                }
            }
        } else if (go) {
            if (create) {
                hOut = win::CreateFile(target);
                if (hOut < 0) {
                    engine::reportFailure(message(24));
                    cCmdFileOut.clear();
                } else {
                    oRun->createdNew = !exists;
                }
            } else {
                hOut = win::OpenFile(target, 2);
                if (hOut < 0) {
                    engine::reportFailure(message(25));
                    cCmdFileOut.clear();
                } else {
                    win::SetFilePointer(hOut, 0, win::FILE_END, &oRun->appendFrom);
                }
            }
            if (hOut >= 0) {
                lOutOpen = true;
                showOutputName(*this);
            }
        }
    }
    if (lOutOpen) {
        enterBusyState();
        oRun->lastLoop = {};
        uint32_t count = 0;
        if (lInDBF && lOutDBF) count = CONVERTDBF2DBF();
        else if (lInDBF && lOutSDF) count = CONVERTDBF2SDF(table);
        else if (lInDBF) count = CONVERTDBF2CSV(table);
        else if (lInSDF && lOutDBF) count = CONVERTSDF2DBF();
        else if (lInSDF && lOutSDF) count = CONVERTSDF2SDF(table);
        else if (lInSDF) count = CONVERTSDF2CSV(table);
        else if (lOutDBF) count = CONVERTCSV2DBF();
        else if (lOutSDF) count = CONVERTCSV2SDF(table);
        else count = CONVERTCSV2CSV(table);
        leaveBusyState();

        const bool failed = oRun->lastLoop.end == engine::LoopEnd::WriteFailed || oRun->lastLoop.end == engine::LoopEnd::ReadFailed;
        if (lOutOpen && lCancel && !oRun->replacement.empty()) {
            // The old output stays as it was; the partial replacement goes when the run ends.
            CLOSEOUTPUT();
        } else if (lOutOpen && !lCancel && !oRun->replacement.empty()) {
            std::string why;
            if (lOutDBF) {
                oDBOut->CLOSE();
                oDBOut.reset();
            }
            if (!engine::commitReplacement(oRun->replacement, oRun->target, &why)) {
                engine::reportFailure(replaceAll(message(78), "$", cFileOut) + " (" + why + ")");
                cCmdFileOut.clear();
                CLOSEOUTPUT();
            } else {
                oRun->files.handOver(oRun->replacement);
                if (lOutDBF) {
                    oDBOut = std::make_shared<db::DBSERVER>(oRun->target, true, false, "DBFNTX");
                    if (!oDBOut->USED()) {
                        engine::reportFailure(message(20));
                        cCmdFileOut.clear();
                        CLOSEOUTPUT();
                    }
                }
            }
        }
        if (oRun->tableBefore.captured() && (failed || (!lOutOpen && !lCancel))) {
            // An append to a table that failed, in the loop or in the sorted rewrite after
            // it, takes back what it added: the table and its memo file as they were, so that
            // a second run does not add the records twice.
            if (lOutOpen) CLOSEOUTPUT();
            std::string why;
            if (!oRun->tableBefore.restore(&why))
                engine::reportFailure(replaceAll(message(78), "$", cFileOut) + " (" + why + ")");
        }
        oRun->tableBefore.clear();
        if (lOutOpen && !lCancel && !failed) {
            // A directory removed during the run takes the new file with it, though every
            // write to the open handle succeeded: the records reached no file.
            std::error_code gone;
            if (!fs::exists(oRun->target, gone)) {
                engine::reportFailure(replaceAll(message(78), "$", cFileOut) + " (" + message(83) + ")");
                cCmdFileOut.clear();
                CLOSEOUTPUT();
            }
        }
        if (lOutOpen && !lCancel && !failed) {
            std::string text = message(30);
            text = replaceAll(text, "$1", std::to_string(count));
            text = replaceAll(text, "$2", cFileOut);
            engine::reportTransient(text);
            // Characters replaced on the way: the run ends with the warning that counts them,
            // not with the sound of a success.
            if (oRun->lastLoop.lost.count == 0) engine::reportSound("SystemAsterisk");
            engine::reportLostCharacters(oRun->lastLoop.lost, message(90), message(91), cFileIn);
            if (const long line = oRun->lastLoop.ambiguousLine; line > 0)
                engine::reportWarning(replaceAll(replaceAll(message(93), "$1", std::to_string(line)), "$2", cFileIn));
            if (!lOutDBF && missingMemo(*this)) engine::reportWarning(replaceAll(message(106), "$", oDBIn->missingMemoFile()));
            lLastWriteOk = true;
        }
        lCancel = false;
    }
    // A run that failed, or was refused before its first record, takes back what it wrote:
    // an output it created goes, an output it appended to is cut back to its old length.
    // (A cancelled run keeps its output open for the view, with the records written so far.)
    if (!lOutOpen && !oRun->target.empty()) {
        if (oRun->createdNew) {
            engine::discardReplacement(oRun->target);
        } else if (oRun->appendFrom >= 0) {
            std::error_code ec;
            fs::resize_file(oRun->target, static_cast<uintmax_t>(oRun->appendFrom), ec);
        }
    }
    // The run's own temporary files go, whatever happened: indexes, a sorted copy and a
    // replacement that was not put in place.
    oRun->files.eraseAll();
    KILLTIMER(1);
    const gui::BRUSH normal = BACKGROUND();
    for (gui::FIXEDICON* icon : {ODCICONAPP1, ODCICONAPP2, ODCICONAPP3})
        if (icon) icon->BACKGROUND(normal);
    aFeldListe.clear();
    oRun->replacement.clear();
    return *this;
}

uint32_t DTAMIRVANO::CONVERTCSV2CSV(const std::string& cTable) { return runLoop(*this, cTable); }
uint32_t DTAMIRVANO::CONVERTCSV2DBF() { return runLoop(*this, {}); }
uint32_t DTAMIRVANO::CONVERTCSV2SDF(const std::string& cTable) { return runLoop(*this, cTable); }
uint32_t DTAMIRVANO::CONVERTDBF2CSV(const std::string& cTable) { return runLoop(*this, cTable); }
uint32_t DTAMIRVANO::CONVERTDBF2DBF() { return runLoop(*this, {}); }
uint32_t DTAMIRVANO::CONVERTDBF2SDF(const std::string& cTable) { return runLoop(*this, cTable); }
uint32_t DTAMIRVANO::CONVERTSDF2CSV(const std::string& cTable) { return runLoop(*this, cTable); }
uint32_t DTAMIRVANO::CONVERTSDF2DBF() { return runLoop(*this, {}); }
uint32_t DTAMIRVANO::CONVERTSDF2SDF(const std::string& cTable) { return runLoop(*this, cTable); }

void DTAMIRVANO::OPTIMIERESDFAUSCSV(std::vector<int>& aMax, std::vector<int>& aLead) { widthsFor(*this, aMax, aLead); }
void DTAMIRVANO::OPTIMIERESDFAUSDBF(std::vector<int>& aMax, std::vector<int>& aLead) { widthsFor(*this, aMax, aLead); }
void DTAMIRVANO::OPTIMIERESDFAUSSDF(std::vector<int>& aMax, std::vector<int>& aLead) { widthsFor(*this, aMax, aLead); }

void DTAMIRVANO::SETHEADERCSV() {
    if (!lOutHeader || !lOutOpen) return;
    std::vector<std::string> lines;
    if (!lOutSQL && FTELLLARGE(hOut) > 0) lines.emplace_back();
    const std::string sep = GETSEPARATOROUT();
    lines.push_back(engine::csvHeaderLine(aFeldListe, sep.empty() ? ';' : sep[0],
                                          lOutFrameAll    ? engine::CsvFrame::All
                                          : lOutFrameText ? engine::CsvFrame::Text
                                                          : engine::CsvFrame::None));
    writeLines(*this, lines);
}

void DTAMIRVANO::SETHEADERSDF(const std::vector<int>& aMax, const std::vector<int>& aLead) {
    if (!lOutHeader || !lOutOpen) return;
    std::vector<std::string> lines;
    if (!lOutSQL && FTELLLARGE(hOut) > 0) lines.emplace_back();
    lines.push_back(engine::sdfHeaderLine(aFeldListe, widthsOf(aMax, aLead), engine::sdfMode(lOutOptiSDF, lOutBlankSDF)));
    writeLines(*this, lines);
}

void DTAMIRVANO::SETSQLSTATEMCSV(const std::string& cTable) {
    if (!lOutSQL || !lOutOpen) return;
    std::vector<std::string> lines;
    if (FTELLLARGE(hOut) > 0) lines.emplace_back();
    for (auto& l : engine::sqlScriptCsv(cTable, aFeldListe)) lines.push_back(std::move(l));
    writeLines(*this, lines);
}

void DTAMIRVANO::SETSQLSTATEMSDF(const std::string& cTable, const std::vector<int>& aMax, const std::vector<int>& aLead) {
    if (!lOutSQL || !lOutOpen) return;
    std::vector<std::string> lines;
    if (FTELLLARGE(hOut) > 0) lines.emplace_back();
    for (auto& l : engine::sqlScriptSdf(cTable, aFeldListe, widthsOf(aMax, aLead), engine::sdfMode(lOutOptiSDF, lOutBlankSDF)))
        lines.push_back(std::move(l));
    writeLines(*this, lines);
}

DTAMIRVANO& DTAMIRVANO::TESTDBFCOMPAT() {
    if (!OCCRADIOAUSGERGAENZEN || !OCCRADIOAUSGERGAENZEN->PRESSED()) return *this;
    if (!oDBOut || !oDBOut->USED()) return *this;
    engine::Charset out = lOutOEM ? engine::Charset::OEM : lOutANSI ? engine::Charset::ANSI : engine::Charset::UTF8;
    int error = engine::dbfAppendIncompatibility(aFeldListe, engine::tableStructure(*oDBOut), out, oDBOut->isAnsi());
    if (error) {
        engine::reportFailure(message(error));
        cCmdFileOut.clear();
        CLOSEOUTPUT();
    }
    return *this;
}

}  // namespace ui
