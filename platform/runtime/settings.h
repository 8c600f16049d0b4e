#pragma once
// Process-wide runtime settings. The defaults are the values the program sets at start-up,
// so code and tests that never call the setters see the same behaviour as the program.
#include <string>

namespace rt {

// Tables are opened shared when FALSE (default FALSE).
void SetExclusive(bool on);
bool IsExclusive();

// Records marked as deleted are skipped (default TRUE).
void SetDeleted(bool on);
bool IsDeleted();

// Table text is ANSI (code page 1252) when TRUE, OEM (850) when FALSE (default TRUE).
void SetAnsi(bool on);
bool IsAnsi();

// "=" on texts: FALSE (default) compares the left text's beginning with the right text;
// TRUE compares whole texts, trailing blanks ignored.
void SetExact(bool on);
bool IsExact();

// Name of the collation for text comparisons (default "WINDOWS"); texts in expressions
// compare byte-wise, the table layer applies its own key order.
void SetCollation(const std::string& name);
std::string GetCollation();

// Four-digit years in date texts (default TRUE).
void SetCentury(bool on);
bool IsCentury();

// Date text layout (default 5: dd.mm.yyyy):
// 1 mm/dd/yy, 2 yy.mm.dd, 3 dd/mm/yy, 4 dd/mm/yy, 5 dd.mm.yy, 6 dd-mm-yy, 7 yy/mm/dd, 8 mm-dd-yy.
void SetDateCountry(int country);
int GetDateCountry();

// 12-hour times with AM/PM when TRUE (default FALSE).
void SetAmPm(bool on);
bool IsAmPm();

// The decimal separator as a character code (default '.'). Kept for the program; Str and
// Val always use "." as the point, which is what stored files expect.
void SetDecimalSep(int code);
int GetDecimalSep();

}  // namespace rt
