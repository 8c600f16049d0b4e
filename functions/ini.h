#pragma once
// Reading and writing single values of INI-format files (settings files, the program INI).
#include <cstddef>
#include <string>

// The value of `cKey` in section `cSection` of `cIniFile`, with blanks removed at both ends;
// "" when the file, the section or the key is missing. The value is returned whole, however
// long; `nSize` is accepted for callers that pass a buffer size and does not cut it.
std::string GETINISTRING(const std::string& cSection, const std::string& cKey, const std::string& cIniFile,
                         size_t nSize = 256);

// Writes one value, creating the file, section or key as needed; a new section starts after an
// empty line when the file has sections already. TRUE when the value was written.
bool WRITEINISTRING(const std::string& cSection, const std::string& cKey, const std::string& cValue,
                    const std::string& cIniFile);
