#pragma once
// ISINFILE(u, cFile, nTyp): whether a value is in a list file of one value per line. The list
// of the file loaded last is kept for the whole process and searched at every call; a call
// with an empty file name searches it as it is.
#include <functional>
#include <string>

#include "platform/runtime/value.h"

namespace engine {

// Modes of a text value: 0 exactly equal, 1 equal in upper case, 2 the value begins with the
// entry, 3 the entry begins with the value, 4 the value occurs in the entry, 5 the entry
// occurs in the value; any other mode never matches. A number, logical or date value matches
// an equal entry.
bool ISINFILE(const rt::Value& u, const std::string& file, int nTyp = 1);

// Makes ISINFILE callable from filter expressions (once per process; later calls do nothing).
void registerIsInFile();

// What a long search calls now and then to keep the window alive (none by default).
void setIsInFilePump(std::function<void()> pump);

// Whether a call naming `file` searches the list as it is, loading nothing: the list of that
// file is the one kept, or the name is empty. Then calls from several threads at once only
// read it (worker threads never pump).
bool isInFileLoaded(const std::string& file);

// The one file every ISINFILE call of an expression names as a constant text (the second
// argument a string literal, the same in every call); false, leaving `file` alone, where a call
// names none, another or a computed one.
bool isInFileConstant(const std::string& expression, std::string& file);

// Forgets the cached list (for tests).
void clearIsInFileCache();

}  // namespace engine
