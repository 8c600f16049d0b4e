#include "functions/ini.h"

#include "platform/win/profile.h"

std::string GETINISTRING(const std::string& cSection, const std::string& cKey, const std::string& cIniFile,
                         size_t /*nSize*/) {
    std::string value;
    win::GetPrivateProfileString(cSection, cKey, value, cIniFile);
    size_t b = value.find_first_not_of(' ');
    if (b == std::string::npos)
        return {};
    size_t e = value.find_last_not_of(' ');
    return value.substr(b, e - b + 1);
}

bool WRITEINISTRING(const std::string& cSection, const std::string& cKey, const std::string& cValue,
                    const std::string& cIniFile) {
    return win::WritePrivateProfileString(cSection, cKey, cValue, cIniFile);
}
