#pragma once
// The help text file: its name per language and its bytes (ANSI text, CR LF line ends).
#include <string>

namespace ui {

// "mirhelpd.txt" for German (1), "mirhelpe.txt" for any other language.
std::string helpFileName(int language);
// The whole file: the title line (the file's stamp), the program description and the
// title and description of every control that has a description in that language.
std::string helpFileText(int language);
// Writes the file completely or not at all: false, with no partial file left, on any error.
bool writeHelpFile(const std::string& path, const std::string& bytes);

}  // namespace ui
