#pragma once
// Choosing and checking an input file: the open dialog (replaceable for tests) and the
// checks a name must pass before it is opened.
#include <functional>
#include <string>

#include "engine/options.h"

namespace engine {


// The full path of a name as given ("\" taken as "/"), its case kept.
std::string fullPath(const std::string& name);
// The directory part of a full path, ending in "/"; "" when it has none.
std::string directoryOf(const std::string& path);

// The message number of the first check the input name fails (7 a missing dBase input, 25 a
// missing CSV or SDF input, 16 a dBase input
// without ".dbf", 17 an extension not allowed for a text input); 0 when it passes. The
// extension is compared without regard to case.
int checkInputName(const std::string& path, Format format);
// The same, and for a text input read as UTF-16 (little-endian) 94 when the file begins with
// the byte-order mark of big-endian UTF-16.
int checkInputName(const std::string& path, Format format, Charset charset);

}  // namespace engine
