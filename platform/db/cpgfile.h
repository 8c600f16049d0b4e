#pragma once
// The code-page file beside a table (".cpg"): one line naming the code page of a table whose
// header names none, as GDAL and other writers of shapefiles leave it.
#include <string>
#include <string_view>

namespace db {

// The code page a ".cpg" text names, in the forms writers use: "UTF-8", "UTF8", "CP1251",
// "1251", "ANSI 1251", "OEM 866", "Windows-1251", "IBM866", "8859-5", "88591", "ISO-8859-5",
// "ISO88591", "KOI8-R"; letter case, blanks around it and a line end do not matter. 0 for a
// text that names no code page the conversions know.
unsigned CodePageOfCpg(std::string_view text);

// The ".cpg" (or ".CPG") file beside `table`, "" when there is none.
std::string CpgFileFor(const std::string& table);

}  // namespace db
