#pragma once
// Splitting a command line into its arguments.
#include <string>
#include <vector>

// Splits `line` by the rules of the Windows runtime: blanks and TABs separate arguments unless
// quoted; a double quote toggles quoting; backslashes are literal unless a double quote follows
// them (2n backslashes and a quote give n backslashes and toggle quoting, 2n+1 give n
// backslashes and a literal quote). An argument that was quoted is kept even when it is empty,
// so the arguments after it keep their places. The first element (the program) is dropped
// unless `keepFirst`. An empty `line` means the process's own command line.
std::vector<std::string> SPLITCMDLINE(const std::string& line = {}, bool keepFirst = false);
