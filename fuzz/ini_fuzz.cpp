// The INI reader and writer on any file: values come back whole and trimmed, and a value
// written can be read back unchanged, whatever else the file holds.
#include <string>

#include "functions/ini.h"
#include "fuzz_util.h"
#include "platform/win/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t opts = fuzz::takeByte(data, size);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string path = fuzz::writeFile("f.ini", text);

    const std::vector<std::string> sections = win::GetPrivateProfileSectionNames(path);
    for (const std::string& s : sections) {
        (void)GETINISTRING(s, "Key", path);
        (void)GETINISTRING(s, "Fenster", path);
    }
    const std::string v = GETINISTRING("Config", "ProgIdent", path);
    FUZZ_CHECK(v.empty() || (v.front() != ' ' && v.back() != ' '));

    // Writing into the file must keep the value retrievable; a section the file already
    // holds or a new one.
    const std::string section = (opts & 1) || sections.empty() ? std::string("Config") : sections.front();
    if (section.empty() || section.find_first_of("]\r\n") != std::string::npos)
        return 0;
    const std::string value = "v" + std::to_string(opts);
    if (WRITEINISTRING(section, "FuzzKey", value, path))
        FUZZ_CHECK(GETINISTRING(section, "FuzzKey", path) == value);
    return 0;
}
