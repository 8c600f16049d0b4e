#include "widgets/fontstrings.h"

#include <algorithm>

#include "platform/runtime/numbers.h"

namespace widgets {

namespace {
// A number in its four characters; values outside -999..9999 would not fit and are held
// at the nearest value that does, so the string keeps its layout.
std::string field4(int n) { return rt::StrZero(double(std::clamp(n, -999, 9999)), 4); }

int readField(const std::string& s, size_t pos) {
    if (pos >= s.size()) return 0;
    return rt::toInt32(rt::Val(std::string_view(s).substr(pos, 4)));
}
}  // namespace

std::string FONTTOSTRING(const gui::FONT& font) {
    int weight = font.LIGHT() ? 300 : (font.NORMAL() ? 400 : 700);
    int height = font.HEIGHT2();
    int width = font.WIDTH2();
    if (height == 0 && width == 0 && font.POINTSIZE() > 0) {
        gui::DIMENSION d = font.CONVPNTTODIM(font.POINTSIZE());
        height = d.HEIGHT();
        width = d.WIDTH();
    }
    return field4(weight) + field4(height) + field4(width) + (font.ITALIC() ? "T" : "F") + font.FONTFACENAME();
}

std::string FONTTOSTRING(const rt::Value&) { return std::string(); }

gui::FONT STRINGTOFONT(const std::string& s, const rt::Value& width, const rt::Value& height) {
    int weight = readField(s, 0);
    int h = readField(s, 4);
    int w = readField(s, 8);
    bool italic = s.size() > 12 && s[12] == 'T';
    std::string face = s.size() > 13 ? s.substr(13) : std::string();
    while (!face.empty() && face.back() == ' ') face.pop_back();
    if (width.isNumber() && height.isNumber()) {
        w = rt::toInt32(width.num());
        h = rt::toInt32(height.num());
    } else if (width.isLogical() && width.log()) {
        w = 0;
        h = 0;
    }
    gui::FONT font(gui::FONTANY, gui::DIMENSION(w, h), face);
    if (italic) font.ITALIC(true);
    if (weight <= 300) {
        font.LIGHT(true);
        font.NORMAL(false);
        font.BOLD(false);
    } else if (weight >= 700) {
        font.LIGHT(false);
        font.NORMAL(false);
        font.BOLD(true);
    } else {
        font.LIGHT(false);
        font.NORMAL(true);
        font.BOLD(false);
    }
    return font;
}

}  // namespace widgets
