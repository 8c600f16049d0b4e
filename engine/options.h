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

    // selections of the form that a write reads
    bool fieldFilter = false;          // only the selected fields are written
    bool recordFilter = false;         // the record filter is active
    std::string recordFilterText;      // the filter condition as typed (UTF-8)
    bool sort = false;                 // sorting is active
};

// The encoding a text line has inside the engine between reading and writing: UTF-8 for
// UTF-8 and UTF-16 input written to a text output, ANSI in every other case (dBase input,
// ANSI or OEM input, any dBase output).
Charset workingEncoding(const Options& o);
Charset workingEncoding(Charset input, Format output);

// Whether SDF positions and widths count characters rather than bytes: only where the
// working encoding is UTF-8.
bool countsCharacters(const Options& o);

}  // namespace engine
