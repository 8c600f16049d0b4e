#pragma once
// The record loops: every input format to every output format on one skeleton. Records come
// from a source (CSV lines, SDF lines, a dBase table) and go to a sink (CSV lines, SDF lines,
// a dBase table); the steps that prepare a run and follow it are taken in a fixed order.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/fieldlist.h"
#include "engine/lineio.h"
#include "engine/options.h"
#include "engine/report.h"
#include "engine/runcontext.h"
#include "engine/sdfline.h"

namespace db {
class DBSERVER;
}

namespace engine {

// The data of one run: the options, the input's structure and the output field list.
struct LoopJob {
    Options options;
    FieldStructure structIn;
    std::vector<int> posIn, lenIn;  // the input's columns or starts and widths
    FieldList out;                  // aFeldListe with aPosOut and aLenOut
    std::string table;              // name of the table in the SQL script
};

// Where the records come from: a line reader for text input, a table for dBase input.
struct LoopInput {
    LineReader* reader = nullptr;
    db::DBSERVER* table = nullptr;
};

// Where they go: a line writer for text output (with the bytes the file held before the run,
// for the empty line that separates appended text), a table for dBase output.
struct LoopOutput {
    LineWriter* writer = nullptr;
    int64_t startBytes = 0;
    db::DBSERVER* table = nullptr;
};

// The steps of a run that belong to other parts of the window: the append test of a dBase
// output, the record filter, sorting, and the passing texts of the status bar. Each step
// returns false when it failed and closed the output. The defaults do nothing and pass.
class LoopHooks {
public:
    virtual ~LoopHooks() = default;
    virtual bool testDbfCompat() { return true; }
    virtual bool setFilterDbfIn() { return true; }
    virtual bool setIndexDbfIn() { return true; }
    // The record filter of a text input; `filter` stays empty for none.
    virtual bool setFilterTextIn(std::string& /*filter*/) { return true; }
    // `record` is indexed like the input structure.
    virtual bool testFilterRec(const std::string& /*filter*/, const std::vector<std::string>& /*record*/) {
        return true;
    }
    // After the records of a filtered text input: false when the filter proved unusable (it
    // reported that and closed the output).
    virtual bool endFilterTextIn() { return true; }
    // Whether testFilterRec is a RecordFilter compiled from the filter text, which the record
    // pass may then test on its worker threads with filters of their own; it then tells the
    // records they tested and those that failed to evaluate through addFilterCounts.
    virtual bool filterOnWorkers() const { return false; }
    virtual void addFilterCounts(long /*tested*/, long /*errors*/) {}
    virtual void setIndexDbfOut() {}
    // Sorts a dBase output after the loop; `count` becomes the records the sort copied.
    virtual bool sortDbfOut(uint32_t& /*count*/) { return true; }
    // A passing message of the status bar by its number (55 width pass, 56 transfer).
    virtual void showTransient(int /*message*/) {}
};

enum class LoopEnd {
    Completed,    // every record was read and written
    Cancelled,    // Cancel was pressed; the records so far are written
    Stopped,      // a preparation step failed and closed the output; nothing was written
    WriteFailed,  // a line, record or field could not be written; `error` says why
    ReadFailed,   // the input could not be read to its end; `error` says why
};

struct LoopResult {
    uint32_t count = 0;
    LoopEnd end = LoopEnd::Completed;
    std::string error;
    // Characters of the records written that the output's character set could not hold.
    LostCharacters lost;
    // CSV input: the first line whose lone quote was read as data though, read as the opening
    // of a value over the next lines, it would also have given whole records; 0 when none.
    long ambiguousLine = 0;
};

// Runs the loop for the input and output formats of `job.options`. The text goes through the
// working code page (workingCodePage(), the code pages of the tables taken from the tables
// where the options leave them open): the reader, the writer and the tables are set to it for
// the run, and the tables set back to the program's character set after it.
LoopResult runConversion(const LoopJob& job, LoopInput& input, LoopOutput& output, RunContext& context,
                         LoopHooks& hooks);

// The SDF widths of the output field list, reading the input once where the mode needs it.
// The input is left at its start.
SdfWidths computeSdfWidths(const LoopJob& job, LoopInput& input, RunContext& context, LoopHooks& hooks);

}  // namespace engine
