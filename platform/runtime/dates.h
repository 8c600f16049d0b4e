#pragma once
// Date and time texts of the runtime. The layout follows SetDateCountry and SetCentury;
// the program runs with day.month.year and four-digit years.
#include <string>
#include <string_view>

#include "platform/runtime/value.h"

namespace rt {

// "15.06.2014"; the empty date gives the layout with blanks in place of digits.
std::string DToC(Date date);
// The date of a text in the current layout (any single non-digit separates the parts;
// two-digit years count from 1900); the empty date for any other text or an invalid day.
Date CToD(std::string_view text);
// The year, month and day CToD reads from the text, checked as CToD checks them; false where
// CToD gives the empty date.
bool CToDParts(std::string_view text, int& year, int& month, int& day);
// "20140615"; eight blanks for the empty date.
std::string DToS(Date date);
// The date of an eight-digit "yyyymmdd" text; the empty date otherwise.
Date SToD(std::string_view text);
Date Today();

// Seconds since local midnight, with fractions.
double Seconds();
// The time of day "hh:mm:ss" (24-hour clock unless SetAmPm).
std::string Time();

}  // namespace rt
