#pragma once
// Every option flag a run reads, as plain data: the main window's methods take them from the
// form once at a run's start (mainwindow/windowrun.h), so the core never touches the form.
#include <string>

namespace engine {

enum class Format { DBF, CSV, SDF };
enum class Charset { ANSI, OEM, UTF8, UTF16 };

struct Options {
    // input side
    Format inFormat = Format::CSV;
    Charset inCharset = Charset::ANSI;
    bool inDecComma = false;           // the decimal separator is the comma, else the point
    std::string inSeparator = ";";     // CSV separator ("" when none is set)
    std::string inFrame = "\"";        // CSV frame text: "\"" or ""
    bool inFrameText = false, inFrameNone = false, inFrameAll = false;
    bool inHeader = false;             // the first line holds the field names
    bool inLenGiven = false;           // lengths (CSV) or widths (SDF) given by the user
    std::string inLengths;             // blank-separated numbers
    bool inBlank = false;              // SDF: one blank separates the fields

    // output side
    Format outFormat = Format::CSV;
    Charset outCharset = Charset::ANSI;
    bool outDecComma = false;
    std::string outSeparator = ";";
    std::string outFrame = "\"";
    bool outFrameText = false, outFrameNone = false, outFrameAll = false;
    bool outHeader = false;
    bool outOptiSDF = false;
    bool outSQL = false;
    bool outBlankSDF = false;
    bool outAppend = false;            // append to an existing output instead of replacing it

    // The code page of an open input or output table, as its language-driver byte names it; 0
    // where none is open (a new table takes its character set's: ANSI 1252 or OEM 850).
    unsigned inCodePage = 0;
    unsigned outCodePage = 0;

    // selections of the form that a write reads
    bool fieldFilter = false;          // only the selected fields are written
    bool recordFilter = false;         // the record filter is active
    std::string recordFilterText;      // the filter condition as typed (UTF-8)
    bool sort = false;                 // sorting is active
};

constexpr unsigned kAnsiCodePage = 1252;
constexpr unsigned kOemCodePage = 850;
constexpr unsigned kUtf8CodePage = 65001;

// The code page of the text on each side: a table's own, else its character set's (UTF-8 and
// UTF-16 text as 65001).
unsigned inputCodePage(const Options& o);
unsigned outputCodePage(const Options& o);

// The code page text has inside the engine between reading and writing, chosen so that no
// character the output can hold is lost on the way, and a filter compares what the input
// holds:
//   - the input's own where the output has the same (the bytes pass as they stand);
//   - ANSI for ANSI input, for OEM input to an ANSI output, and for UTF-8 and UTF-16 input to
//     an ANSI table (each recoded once, as the line functions always did);
//   - UTF-8 where the output is UTF-8 or UTF-16 text, and for UTF-8 and UTF-16 input to any
//     other 8-bit output or under a record filter;
//   - for a table of another code page: straight into the output's, or into UTF-8 where a
//     record filter reads its text (a sort's keys are the table's own business);
//   - UTF-8 in every other case (OEM text to a table of a third code page).
// Characters the output lacks are then lost in one place only, where they are counted.
unsigned workingCodePage(const Options& o);

// The working code page as a character set of the line functions: ANSI, OEM or UTF-8 (a
// table's third code page, which only a table-to-table run works in, gives ANSI).
Charset workingEncoding(const Options& o);
// Whether SDF positions and widths count characters rather than bytes: only where the
// working encoding is UTF-8.
bool countsCharacters(const Options& o);

}  // namespace engine
