#pragma once
// System services of the runtime: program directory, environment, code-page conversion.
#include <string>
#include <string_view>

namespace rt {

// The directory of the running program file, ending in "/".
std::string WorkDir();
// The environment variable's value, "" when it is not set.
std::string GetEnv(const std::string& name);

// Byte by byte between the OEM (850) and ANSI (1252) code pages; same length.
std::string Oem2Ansi(std::string_view text);
std::string Ansi2Oem(std::string_view text);

}  // namespace rt
