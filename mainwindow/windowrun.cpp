#include "mainwindow/windowrun.h"

#include "engine/tablefields.h"
#include "mainwindow/dtamirvano.h"
#include "platform/db/dbserver.h"
#include "platform/gui/application.h"
#include "platform/runtime/strings.h"

namespace ui {

namespace {

class WindowRunContext : public engine::RunContext {
public:
    explicit WindowRunContext(DTAMIRVANO& w) : w_(w) {}
    void progressStart() override {
        if (w_.ODCPROGRESSBAR)
            w_.ODCPROGRESSBAR->START();
    }
    void progressSetMax(double m) override {
        if (w_.ODCPROGRESSBAR)
            w_.ODCPROGRESSBAR->SETMAX(rt::Value(m));
    }
    bool progressTimeOk() override { return w_.ODCPROGRESSBAR && w_.ODCPROGRESSBAR->TIMEOK(); }
    void progressUpdate(double v) override {
        if (w_.ODCPROGRESSBAR)
            w_.ODCPROGRESSBAR->UPDATE(v);
    }
    void progressFinish() override {
        if (w_.ODCPROGRESSBAR)
            w_.ODCPROGRESSBAR->FINISH();
    }
    void pump() override { gui::APPLICATIONEXEC(1); }
    bool cancelled() const override { return w_.lCancel; }

private:
    DTAMIRVANO& w_;
};

engine::Charset charsetOf(bool ansi, bool oem, bool utf8, bool utf16) {
    // the same order the line functions test: UTF-16, UTF-8, OEM, ANSI
    if (utf16)
        return engine::Charset::UTF16;
    if (utf8)
        return engine::Charset::UTF8;
    if (oem)
        return engine::Charset::OEM;
    (void)ansi;
    return engine::Charset::ANSI;
}

engine::Format formatOf(bool dbf, bool csv, bool sdf) {
    if (sdf)
        return engine::Format::SDF;
    if (csv)
        return engine::Format::CSV;
    if (dbf)
        return engine::Format::DBF;
    return engine::Format::CSV;
}

bool checked(const gui::CHECKBOX* box) { return box && box->CHECKED(); }

}  // namespace

std::unique_ptr<engine::RunContext> makeWindowRunContext(DTAMIRVANO& window) {
    return std::make_unique<WindowRunContext>(window);
}

engine::Options readOptions(const DTAMIRVANO& w) {
    engine::Options o;
    o.inFormat = formatOf(w.lInDBF, w.lInCSV, w.lInSDF);
    o.inCharset = charsetOf(w.lInANSI, w.lInOEM, w.lInUTF8, w.lInUTF16);
    o.inDecComma = w.lInDecComma;
    o.inSeparator = w.GETSEPARATORIN();
    o.inFrame = w.GETGRENZEIN();
    o.inFrameText = w.lInFrameText;
    o.inFrameNone = w.lInFrameNone;
    o.inFrameAll = w.lInFrameAll;
    o.inHeader = w.lInHeader;
    o.inLenGiven = w.lInLenGiven;
    o.inLengths = w.cInLengths;
    o.inBlank = w.lInBlank;

    o.outFormat = formatOf(w.lOutDBF, w.lOutCSV, w.lOutSDF);
    o.outCharset = charsetOf(w.lOutANSI, w.lOutOEM, w.lOutUTF8, w.lOutUTF16);
    o.outDecComma = w.lOutDecComma;
    o.outSeparator = w.GETSEPARATOROUT();
    o.outFrame = w.GETGRENZEOUT();
    o.outFrameText = w.lOutFrameText;
    o.outFrameNone = w.lOutFrameNone;
    o.outFrameAll = w.lOutFrameAll;
    o.outHeader = w.lOutHeader;
    o.outOptiSDF = w.lOutOptiSDF;
    o.outSQL = w.lOutSQL;
    o.outBlankSDF = w.lOutBlankSDF;
    o.outAppend = w.OCCRADIOAUSGERGAENZEN && w.OCCRADIOAUSGERGAENZEN->PRESSED();
    if (w.lInDBF && w.oDBIn && w.oDBIn->USED()) o.inCodePage = w.oDBIn->CODEPAGE();
    if (w.lOutDBF && w.oDBOut && w.oDBOut->USED()) o.outCodePage = w.oDBOut->CODEPAGE();

    o.fieldFilter = checked(w.ODCCHECKDATENFELD);
    o.recordFilter = checked(w.ODCCHECKDATENSATZ);
    if (w.ODCSINGLEDATENSATZ)
        o.recordFilterText = w.ODCSINGLEDATENSATZ->TEXTVALUE();
    o.sort = checked(w.ODCCHECKSORT);
    return o;
}

std::string refusalText(const DTAMIRVANO& window, const engine::FieldStructure& fields) {
    const engine::StructureRefusal r = engine::dbfStructureRefusal(fields);
    if (r.message == 0) return {};
    return ": " + rt::StrTran(rt::StrTran(window.message(r.message), "$1", r.first), "$2", r.second);
}

std::string damagedTableText(const DTAMIRVANO& window, db::DBSERVER& table) {
    const int64_t claimed = table.CLAIMEDCOUNT();
    if (claimed < 0) return {};
    return rt::StrTran(rt::StrTran(window.message(67), "$1", std::to_string(claimed)), "$2",
                       std::to_string(table.LASTREC()));
}

}  // namespace ui
