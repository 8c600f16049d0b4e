#pragma once
// Upper halves (bytes 0x80 to 0xFF) of the code pages we carry ourselves; the lower half of
// each is ASCII, control characters included.
namespace win::cp_tables {

extern const char16_t kCp1252High[128];
extern const char16_t kCp850High[128];
extern const char16_t kCp437High[128];

}  // namespace win::cp_tables
