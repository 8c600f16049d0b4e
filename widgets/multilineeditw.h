#pragma once
// A multi-line edit whose text properties take and give UTF-16 little-endian byte strings
// (two bytes per unit, no terminator), as the previews hand over text in any character set.
#include <QString>
#include <string>

#include "platform/gui/controls.h"

namespace widgets {

class MULTILINEEDITW : public gui::MULTILINEEDIT {
public:
    using gui::MULTILINEEDIT::MULTILINEEDIT;

    // The text as UTF-16LE bytes; "" for an empty control.
    std::string TEXTVALUE() const override { return _GETTEXTW(); }
    // UTF-16LE bytes become the text; an odd last byte (half a unit) is left out. Line ends
    // CR LF, LF and CR all break lines.
    void TEXTVALUE(const std::string& utf16) override { _SETTEXTW(rt::Value(utf16)); }
    rt::Value VALUE() const override { return rt::Value(_GETTEXTW()); }
    // A value that is not a string leaves the text as it was.
    void VALUE(const rt::Value& v) override { _SETTEXTW(v); }
    std::string CURRENTTEXT() const { return _GETTEXTW(); }
    void CURRENTTEXT(const rt::Value& v) { _SETTEXTW(v); }

    // Returns the text set, "" when the value was not a string.
    std::string _SETTEXTW(const rt::Value& text);
    std::string _GETTEXTW() const;
    // The window always holds Unicode text here.
    bool ISUNICODE() const { return HANDLE() != nullptr; }

    // UTF-16LE bytes as a QString-ready UTF-8 text and back (exposed for the views).
    static std::string utf16ToUtf8(const std::string& utf16);
    static std::string utf8ToUtf16(const std::string& utf8);

private:
    std::string given_;  // the last text set, as UTF-16LE units
    QString shown_;      // what the edit showed for it
};

}  // namespace widgets
