#include "platform/runtime/system.h"
#include "platform/win/codepage.h"

namespace rt {

std::string Oem2Ansi(std::string_view text) { return win::Oem2Ansi(std::string(text)); }
std::string Ansi2Oem(std::string_view text) { return win::Ansi2Oem(std::string(text)); }

}  // namespace rt
