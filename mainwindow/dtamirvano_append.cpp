// Appending several dBase tables into one target table, from the form's button.
#include <algorithm>
#include <filesystem>

#include "engine/append.h"
#include "engine/inputfile.h"
#include "engine/outputfile.h"
#include "engine/report.h"
#include "engine/runcontext.h"
#include "engine/tableundo.h"
#include "engine/tablefields.h"
#include "mainwindow/dtamirvano.h"
#include "mainwindow/filedialogs.h"
#include "mainwindow/windowrun.h"
#include "platform/db/dbserver.h"
#include "platform/gui/application.h"
#include "platform/gui/dialogs.h"
#include "platform/runtime/strings.h"
#include "ui/globals.h"

namespace ui {

namespace fs = std::filesystem;

namespace {

std::string startDirectory(const std::string& remembered) {
    if (remembered.empty()) return gcPfad;
    return engine::directoryOf(remembered);
}

}  // namespace

void DTAMIRVANO::BUTDATEIVERBINDEN() {
    bool go = true;
    const bool appendMode = OCCRADIOAUSGERGAENZEN && OCCRADIOAUSGERGAENZEN->PRESSED();

    // 1-3. the sources
    MultiOpenDialogRequest sourceRequest;
    sourceRequest.owner = this;
    sourceRequest.caption = message(31);
    sourceRequest.initialDir = startDirectory(cMultiFile);
    sourceRequest.pattern = "*.dbf";
    sourceRequest.typeText = message(6);
    std::vector<std::string> sources = runMultiOpenDialog(sourceRequest);
    sources.erase(std::remove(sources.begin(), sources.end(), std::string()), sources.end());
    if (sources.empty()) go = false;
    else cMultiFile = sources.front();
    if (go && sources.size() < 2) {
        engine::reportFailure(message(32));
        go = false;
    }

    // 4. the question
    if (go) {
        gui::TEXTBOX box(this, message(31), message(33), gui::BOXYESNO | gui::BOXICONQUESTIONMARK);
        if (box.SHOW() != gui::BOXREPLYYES) go = false;
    }

    // 5. the target
    std::string target;
    if (go) {
        SaveDialogRequest request;
        request.caption = message(34);
        request.initialName = "mirvano.dbf";
        request.initialDir = startDirectory(cConcatFile);
        request.pattern = "*.dbf";
        request.typeText = message(6);
        request.allText = message(14);
        request.overwritePrompt = !appendMode;
        target = runSaveDialog(request);
        gui::APPLICATIONEXEC(1);
        if (target.empty()) go = false;
        else target = cConcatFile = engine::fullPath(target);
    }

    // 6. always
    gui::APPLICATIONEXEC(1);
    SETTIMER(1, 100);

    // 7. the target's name
    if (go) {
        const std::string lower = rt::Lower(target);
        for (const std::string& s : sources) {
            std::error_code ec;
            if (rt::Lower(engine::fullPath(s)) == lower || fs::equivalent(s, target, ec)) {
                engine::reportFailure(message(15));
                go = false;
                break;
            }
        }
        if (lower.size() < 4 || lower.substr(lower.size() - 4) != ".dbf") {
            engine::reportFailure(message(16));
            go = false;
        }
    }

    // 8. the merged structure
    engine::FieldStructure merged;
    std::vector<std::string> damaged;
    std::vector<engine::TableCodePage> codePages;
    double records = 0;
    if (go) {
        bool conflict = false;
        for (size_t i = 0; i < sources.size(); ++i) {
            db::DBSERVER in(sources[i], true, true, "DBFNTX");
            if (!in.USED()) {
                engine::reportFailure(rt::StrTran(message(35), "$", sources[i]));
                go = false;
                break;
            }
            records += static_cast<double>(in.LASTREC());
            codePages.push_back(engine::tableCodePage(in));
            // A damaged source is appended as far as it is whole, as it is opened; the user
            // learns what is missing.
            if (std::string text = damagedTableText(*this, in); !text.empty()) damaged.push_back(std::move(text));
            const int conflicts = engine::mergeStructure(merged, engine::tableStructure(in));
            for (int c = 0; c < conflicts; ++c) engine::reportFailure(message(21));
            if (conflicts) conflict = true;
            in.CLOSE();
        }
        if (conflict) go = false;
    }

    // 9. create the target unless records are to be appended to an existing one
    std::error_code ec;
    const bool existing = go && appendMode && fs::exists(target, ec);
    // What an append to an existing target changes, to take it back if the append fails.
    engine::TableUndo before;
    if (existing) before.capture(target);
    if (go && !existing) {
        // Tables of one alphabet make a target of their code page, so their letters keep.
        if (!engine::createTable(target, merged, lOutOEM, engine::sharedCodePage(codePages, lOutOEM))) {
            engine::reportFailure(rt::StrTran(message(36), "$", target) + refusalText(*this, merged));
            go = false;
        }
    }

    // 10-11. the target open, and in append mode its fields and character set tested
    if (go) {
        db::DBSERVER out(target, true, false, "DBFNTX");
        if (!out.USED()) {
            engine::reportFailure(rt::StrTran(message(35), "$", target));
            go = false;
        } else if (appendMode) {
            if (!engine::fieldsFit(merged, engine::tableStructure(out))) {
                engine::reportFailure(message(21));
                go = false;
            } else if (lOutOEM && out.isAnsi()) {
                engine::reportError(message(22));
                go = false;
            } else if (lOutANSI && !out.isAnsi()) {
                engine::reportError(message(23));
                go = false;
            }
        }
        out.CLOSE();
    }

    // 12. the copy
    bool cancelled = false;
    engine::LostCharacters lost;
    if (go) {
        enterBusyState();
        auto context = makeWindowRunContext(*this);
        context->progressStart();
        context->progressSetMax(records);
        const engine::AppendResult r = engine::appendTables(sources, target, *context, [this](const std::string& path) {
            engine::reportTransient(rt::StrTran(message(37), "$", path));
            gui::APPLICATIONEXEC(1);
        });
        lost = r.lost;
        switch (r.end) {
        case engine::AppendEnd::Completed: context->progressFinish(); break;
        case engine::AppendEnd::Cancelled: cancelled = true; break;
        case engine::AppendEnd::SourceFailed:
            engine::reportFailure(rt::StrTran(message(35), "$", r.failed));
            go = false;
            break;
        case engine::AppendEnd::WriteFailed: {
            // The target goes back to what it was: as before the append, or not there at all.
            std::string why = r.failed;
            if (!existing)
                engine::discardReplacement(target);
            else if (std::string undo; !before.restore(&undo))
                why += (why.empty() ? "" : "; ") + undo;
            engine::reportFailure(rt::StrTran(message(78), "$", target) + (why.empty() ? "" : " (" + why + ")"));
            go = false;
            break;
        }
        }
        leaveBusyState();
        lCancel = false;
    }

    // 13. the end; characters replaced on the way end it with the warning that counts them
    if (go && cancelled) {
        engine::reportTransient(message(81));
    } else if (go) {
        std::string text = rt::StrTran(message(38), "$1", std::to_string(sources.size()));
        engine::reportTransient(rt::StrTran(text, "$2", target));
        if (lost.count == 0) engine::reportSound("SystemAsterisk");
    }
    if (go) engine::reportLostCharacters(lost, message(90), message(91), target);
    // Last, so that the status bar keeps it, as after opening a damaged table.
    if (go)
        for (const std::string& text : damaged) engine::reportTransient(text);

    // 14. always
    KILLTIMER(1);
    const gui::BRUSH normal = BACKGROUND();
    for (gui::FIXEDICON* icon : {ODCICONAPP1, ODCICONAPP2, ODCICONAPP3})
        if (icon) icon->BACKGROUND(normal);
}

}  // namespace ui
