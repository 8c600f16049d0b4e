#pragma once
// System services of the runtime: program directory, environment, code-page conversion.
#include <string>
#include <string_view>

#include "platform/runtime/value.h"

namespace rt {

// The directory of the running program file, ending in "/".
std::string WorkDir();
// The environment variable's value, "" when it is not set.
std::string GetEnv(const std::string& name);

// The runtime's version text. It names no release number of the platform the libraries
// were first written for, so code that reads a level from it takes its newest paths.
std::string Version();

// Whether the value is an object whose class is `className` or derives from it, and whether
// it is an object with a readable property `name` (both regardless of case).
bool IsInstanceOf(const Value& value, const std::string& className);
bool IsAccess(const Value& value, const std::string& name);

// Byte by byte between the OEM (850) and ANSI (1252) code pages; same length.
std::string Oem2Ansi(std::string_view text);
std::string Ansi2Oem(std::string_view text);

}  // namespace rt
