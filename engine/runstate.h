#pragma once
// What one conversion run carries between the steps that the main window takes for it: the
// window owns one for as long as it lives and hands it to the steps that need it, so no step
// keeps a run's state behind the record loop's back.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/filter.h"
#include "engine/loops.h"
#include "engine/outputfile.h"
#include "engine/tableundo.h"

namespace db {
class DBSERVER;
}

namespace engine {

struct RunState {
    // The record filter of a text-input run, compiled once.
    RecordFilter filter;
    // An output table replaced by its sorted copy or closed by a failed step: the record loop
    // still holds it until it ends, so it is kept alive here, closed.
    std::shared_ptr<db::DBSERVER> retiredOut;
    // The file being written in place of an existing output ("" when none).
    std::string replacement;
    // The file the output's name leads to (its links followed), and its folder, where the
    // run's temporary files are made.
    std::string target;
    std::string tempDir;
    // The temporary files the run made and still holds; erased when the run ends.
    RunFiles files;
    // A text output opened for appending: its size before the run (-1 otherwise).
    int64_t appendFrom = -1;
    // A dBase table opened for appending: what the append changes, to take it back on failure.
    TableUndo tableBefore;
    // The output did not exist before the run.
    bool createdNew = false;
    // How the last record loop ended, for the write operation that called it.
    LoopResult lastLoop;
};

}  // namespace engine
