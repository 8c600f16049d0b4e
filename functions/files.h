#pragma once
// File and directory tests and directory creation. Names are UTF-8 paths; "\" is taken as
// "/", and one trailing separator on a directory name is ignored.
#include <string>

// Whether a file of that name exists; a name with "*" or "?" in its last component is a
// pattern (matched without regard to case) and the answer is whether any ordinary file in
// that directory matches it.
bool FFILE(const std::string& name);
// Whether a directory of that name exists (a file of that name is not one).
bool ISDIR(const std::string& name);
// Creates one directory; TRUE when it exists afterwards, made now or there already.
bool DIRMAKEEX(const std::string& name);
// Creates a directory and every missing level above it, outermost first; TRUE when the full
// path exists afterwards. Levels made before a failure stay.
bool DIRMAKEPATH(const std::string& path);
