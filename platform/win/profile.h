#pragma once
// INI files: what the program asks of kernel32's GetPrivateProfileStringA and
// WritePrivateProfileStringA, on our own reader and writer.
//
// Sections and keys match without regard to ASCII case; the first of several equal sections
// or keys counts. Lines may end in CR LF, LF or CR; lines we write end in CR LF, and the lines
// we do not change keep their bytes. Lines whose first non-blank byte is ";" are comments.
// Values are read whole, with blanks and TABs removed at both ends, quotes kept.
// File names are UTF-8 paths; "\" is taken as "/".
#include <string>
#include <vector>

namespace win {

// The value of `key` in `section`; false (and `value` empty) when the file, the section or
// the key is missing.
bool GetPrivateProfileString(const std::string& section, const std::string& key, std::string& value,
                             const std::string& fileName);

// The names of the file's sections in file order; empty when the file is missing.
std::vector<std::string> GetPrivateProfileSectionNames(const std::string& fileName);

// Sets `key` of `section` to `value`, creating the file, the section or the key as needed: a
// new key goes after the section's last key, a new section at the end of the file, after an
// empty line when the file holds a section already. The file is replaced only once the new
// text is written completely. False when the file cannot be read or written, or when a name
// or the value cannot be stored in a line (a line end anywhere, "]" in the section, "=" in
// the key, an empty section or key).
bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& fileName);

}  // namespace win
