// A settings file as the program loads and saves it, on any file: every key of section
// "Config" read in the loader's order (trimmed values; the font strings and the field-name
// lists taken apart as the loader does), then every value written back as the saver does,
// after which each key reads back what was loaded. The loader's window cannot run without
// the form, so the target drives the layer it reads and writes through.
#include <map>
#include <string>

#include "functions/ini.h"
#include "functions/tokenarrays.h"
#include "fuzz_util.h"
#include "gui_application.h"
#include "mainwindow/settings.h"
#include "widgets/fontstrings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = fuzz::writeFile("mirvano.mcf", std::string_view(reinterpret_cast<const char*>(data), size));
    std::map<std::string, std::string> loaded;
    for (const std::string& key : ui::settingsKeys()) {
        const std::string value = GETINISTRING("Config", key, path);
        FUZZ_CHECK(value.empty() || (value.front() != ' ' && value.back() != ' '));
        loaded[key] = value;
        if (key == "FontProportPitch" || key == "FontFixedPitch") {
            if (!value.empty())
                (void)widgets::FONTTOSTRING(widgets::STRINGTOFONT(value));
        } else if (key == "SortConditionGroup" || key == "FieldFilterGroup") {
            const rt::Value names = FASTTOKENSEPARRAY3(value, ";", 256);
            FUZZ_CHECK(names.len() <= 256);
            for (size_t i = 1; i <= names.len(); ++i)
                FUZZ_CHECK(names.at(i).str().find(';') == std::string::npos);
        } else {
            FUZZ_CHECK(ui::selectKeyword(value, {"semi", "comma", "slash", "tab"}, 4) <= 4);
        }
    }
    (void)GETINISTRING("Config", "Fenster", path);

    for (const std::string& key : ui::settingsKeys())
        if (!WRITEINISTRING("Config", key, loaded[key], path))
            return 0;
    for (const std::string& key : ui::settingsKeys())
        FUZZ_CHECK(GETINISTRING("Config", key, path) == loaded[key]);
    return 0;
}
