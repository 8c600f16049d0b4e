#pragma once
// The main data window: the settings form with the state of one conversion job. Its
// methods live in mainwindow/, one file per subsystem: the form's behaviour, the conversion
// steps around the engine's core, the views, the help, start-up, settings and batch runs.
// The conversion code reads the option flags below, never the controls.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/fieldstructure.h"
#include "platform/gui/gdiobjects.h"
#include "platform/win/filehandle.h"
#include "ui/dtamirvano_vo.h"
#include "ui/globals.h"
#include "ui/shellcontent.h"

namespace db {
class DBSERVER;
}

namespace ui {

using FieldDef = engine::FieldDef;
using FieldStructure = engine::FieldStructure;

// Caption and help text of one control in one language.
struct HelpText {
    std::string title;
    std::string description;
};

}  // namespace ui
namespace engine {
struct RunState;
}
namespace ui {

class DTAMIRVANO : public DTAMIRVANO_VO, public ShellContent {
public:
    explicit DTAMIRVANO(gui::WINDOW* owner);
    ~DTAMIRVANO() override;

    // --- what the shell asks of the window it carries ---
    void shellResized() override;
    bool conversionRunning() const override;
    void cancelConversion() override;
    void shellClosing() override;
    bool keepsProgramIni() const override;

    // --- the form's behaviour ---
    void BUTTONCLICK(gui::ControlEvent& event) override;
    void EDITFOCUSCHANGE(gui::EditFocusChangeEvent& event) override;
    DTAMIRVANO& EINAUSBLENDEN();
    std::string GETSEPARATORIN() const;
    std::string GETSEPARATOROUT() const;
    std::string GETGRENZEIN() const;
    std::string GETGRENZEOUT() const;
    DTAMIRVANO& BUTABBRECHEN();
    DTAMIRVANO& BUTBEENDEN();
    DTAMIRVANO& BUTNORMALANSICHT();
    DTAMIRVANO& GROESSENEU();
    intptr_t DISPATCH(gui::Event& event) override;
    DTAMIRVANO& HELP();
    DTAMIRVANO& INITSPRACHE();
    DTAMIRVANO& SETSPRACHE(int language);
    DTAMIRVANO& SETTOOLTIP();

    // The text of message n in the current language (gbSprache); "" before INITSPRACHE or
    // for a number without text.
    std::string message(int n) const;
    // The controls whose texts the help file and the language switch walk, and their texts.
    const std::vector<gui::CONTROL*>& helpControls() const { return aHilfeCtrl; }
    const HelpText& helpText(int language, size_t position) const;

    // --- built with the conversion engine and the settings code ---
    DTAMIRVANO& CLOSEINPUT();
    DTAMIRVANO& BUTDATEIOEFFNEN(bool selectOnly = false);
    DTAMIRVANO& BUTDATEISPEICHERN();
    void BUTDATEIVERBINDEN() override;
    DTAMIRVANO& BUTLOADCMDINIPAR(const std::string& file = {});
    DTAMIRVANO& BUTSAVECMDINIPAR(const std::string& file = {});
    bool TESTFILTERSTRING();

    // --- the filter builder, the views and the help (dtamirvano_filter.cpp,
    // dtamirvano_views.cpp, dtamirvano_help.cpp) ---
    void LISTBOXSELECT(gui::ControlEvent& event) override;
    bool BUTFILTERTESTEN();
    DTAMIRVANO& BUTEINGABEZEIGEN();
    DTAMIRVANO& BUTAUSGABEZEIGEN();
    DTAMIRVANO& BUTFONTPROPORT();
    DTAMIRVANO& BUTFONTFIXED();
    DTAMIRVANO& BUTHILFE();
    DTAMIRVANO& BUTHOMEPAGE();
    // Shows an ANSI text file (the help file) in the program's own text view, laid over
    // the settings like the input view; false when the file cannot be read. It reads the
    // file through a handle of its own, so a run going on meanwhile is not disturbed.
    bool showTextFile(const std::string& path);

    // The busy state of a step (analysis, conversion, append): every control held disabled
    // but Cancel, Help and the web page. Leaving it gives the controls their own state
    // again, or, when the user opened the help during the step, the face of that view.
    void enterBusyState();
    void leaveBusyState();
    // Lays a view over the settings; `pressed` is the show button whose view it is (none for
    // the help), the controls in `usable` stay usable. While a step runs the form stays held
    // as the busy state has it: the view's buttons become usable when the step has ended.
    void raiseView(gui::CONTROL* shown, gui::PUSHBUTTON* pressed, std::vector<gui::CONTROL*> usable);

    // --- start-up, settings and the command-line batch (dtamirvano_start.cpp) ---
    // The construction steps that need the command line: the language, the filter
    // builder's lists, the settings, then the preselected input or the whole batch. The
    // first form splits the process's own command line.
    DTAMIRVANO& INIT();
    DTAMIRVANO& INIT(const std::vector<std::string>& arguments);
    void DESTROY() override;
    DTAMIRVANO& LOADINIPAR();
    DTAMIRVANO& SAVEINIPAR();
    std::vector<std::string> PARSEINPUT(const std::string& argument) const;
    std::vector<std::string> PARSEOUTPUT(const std::string& argument, const std::vector<std::string>& inputs) const;
    // A batch ran; it succeeded when every step of it did (the process's exit status).
    bool lBatchRan = false;
    bool lBatchOk = true;
    // Nobody can see or answer the window (the program runs on Qt's offscreen screen): a
    // command line that runs no batch then ends at once, saying why, instead of waiting.
    bool lNoUser = false;
    // The display named by DISPLAY could not be opened, so the program runs on the offscreen
    // screen: a batch says so and runs, the form says so and ends as failed.
    std::string cDisplayFailed;
    // The settings file named on the command line was refused: the form shows the settings
    // last used, and the program INI is left as it was at exit.
    bool lKeepProgramIni = false;
    // A cancel was asked for while a step ran (set by the cancel button, cleared by the
    // batch before each step, so that it can say which step was cancelled).
    bool lCancelAsked = false;

    // --- opening, closing and analysing the input (dtamirvano_input.cpp) ---
    DTAMIRVANO& CLOSEOUTPUT();
    FieldStructure MAKESTRUCTNEW(size_t n) const;
    // n counts from 1.
    std::string TESTMAKENAME(const FieldStructure& aStruct, size_t n, const std::string& cWord) const;
    void TESTFIELDTYPE(const std::string& cValue, FieldStructure& aStruct, size_t n) const;
    void TESTFIELDLENGTH(const std::string& cValue, FieldStructure& aStruct, size_t n) const;
    DTAMIRVANO& ANALYSECSV();
    DTAMIRVANO& ANALYSEDBF();
    DTAMIRVANO& ANALYSESDF();
    void TESTSTRUCT2ARRAY(const std::string& cLine, FieldStructure& aStruct, std::vector<int>& aPos,
                          std::vector<int>& aLen) const;
    void TESTSDFSTRUCT(const std::string& cLine, std::string& cMask) const;
    std::string LESEZEILE(win::FileHandle handle);
    std::string LESEZEILEANALYSE(win::FileHandle handle);
    // False when the line could not be written.
    bool SCHREIBEZEILE(win::FileHandle handle, const std::string& line) const;
    std::vector<std::string> COPYSDF2ARRAYIN(const std::string& line, const FieldStructure& aStruct,
                                             const std::vector<int>& aPos, size_t n) const;
    std::vector<std::string> COPYSDF2ARRAYOUT(const std::string& line, const std::vector<int>& aLen,
                                              const std::vector<int>& aPos, size_t n) const;
    std::string PADRIGHT(const std::string& text, size_t width) const;

    // --- writing the output (dtamirvano_output.cpp) ---
    DTAMIRVANO& CALCFELDLISTE();
    uint32_t CONVERTCSV2CSV(const std::string& cTable);
    uint32_t CONVERTCSV2DBF();
    uint32_t CONVERTCSV2SDF(const std::string& cTable);
    uint32_t CONVERTDBF2CSV(const std::string& cTable);
    uint32_t CONVERTDBF2DBF();
    uint32_t CONVERTDBF2SDF(const std::string& cTable);
    uint32_t CONVERTSDF2CSV(const std::string& cTable);
    uint32_t CONVERTSDF2DBF();
    uint32_t CONVERTSDF2SDF(const std::string& cTable);
    void OPTIMIERESDFAUSCSV(std::vector<int>& aMax, std::vector<int>& aLead);
    void OPTIMIERESDFAUSDBF(std::vector<int>& aMax, std::vector<int>& aLead);
    void OPTIMIERESDFAUSSDF(std::vector<int>& aMax, std::vector<int>& aLead);
    void SETHEADERCSV();
    void SETHEADERSDF(const std::vector<int>& aMax, const std::vector<int>& aLead);
    void SETSQLSTATEMCSV(const std::string& cTable);
    void SETSQLSTATEMSDF(const std::string& cTable, const std::vector<int>& aMax, const std::vector<int>& aLead);
    DTAMIRVANO& TESTDBFCOMPAT();
    // Sorting and the record filter (dtamirvano_sortfilter.cpp). Each returns false
    // when it reported an error and closed the output.
    bool SETFILTERDBFIN();
    bool SETINDEXDBFIN();
    bool SETFILTERCSVSDFIN(std::string& filter);
    bool TESTFILTERREC(const std::string& filter, const std::vector<std::string>& record);
    // After the records of a filtered text input: a filter that failed to evaluate on every
    // record is reported as an error and the output closed.
    bool ENDFILTERCSVSDFIN();
    void SETINDEXDBFOUT();
    uint32_t SORTDBFOUT();
    // The key text of numeric entry n (1-based) of a field structure.
    std::string CALCNUMINDSTR(const FieldStructure& aStruct, size_t n) const;
    // How the last write ended: true when every record reached the output (message 30 was
    // shown); false after an error, a cancel or when nothing was written. A batch turns it
    // into its exit status.
    bool lLastWriteOk = false;

    // The highlight step of the activity icons: 0 or 1 the left icon is next, 2 the middle,
    // 3 the right one. Kept for the life of the process.
    static uint8_t activityStep();
    static void resetActivityStep();

    // --- the job's state ---
    std::string cFileIn;
    std::string cFileOut;
    std::string cMultiFile;
    std::string cConcatFile;
    std::string cConfigFile;
    std::string cDirOut;
    std::string cCmdFileIn;
    std::string cCmdFileOut;
    std::string cCmdConfig;
    bool lInOpen = false;
    bool lOutOpen = false;
    bool lRunning = false;
    bool lCancel = false;
    bool lCmdMode = false;
    // input format, character set, decimal separator, CSV separator, CSV framing
    bool lInDBF = false, lInCSV = false, lInSDF = false;
    bool lInOEM = false, lInANSI = false, lInUTF16 = false, lInUTF8 = false;
    bool lInDecPoint = false, lInDecComma = false;
    bool lInSepSemi = false, lInSepComma = false, lInSepSlash = false, lInSepTab = false;
    bool lInFrameText = false, lInFrameNone = false, lInFrameAll = false;
    bool lInHeader = false;
    bool lInLenGiven = false;
    bool lInBlank = false;
    std::string cInLengths;
    // the same families for the output
    bool lOutDBF = false, lOutCSV = false, lOutSDF = false;
    bool lOutOEM = false, lOutANSI = false, lOutUTF16 = false, lOutUTF8 = false;
    bool lOutDecPoint = false, lOutDecComma = false;
    bool lOutSepSemi = false, lOutSepComma = false, lOutSepSlash = false, lOutSepTab = false;
    bool lOutFrameText = false, lOutFrameNone = false, lOutFrameAll = false;
    bool lOutHeader = false;
    bool lOutOptiSDF = false;
    bool lOutSQL = false;
    bool lOutBlankSDF = false;
    std::vector<int> aPosIn;
    std::vector<int> aPosOut;
    std::vector<int> aLenIn;
    std::vector<int> aLenOut;
    FieldStructure aStructIn;
    FieldStructure aFeldListe;
    std::vector<gui::CONTROL*> aAllCtrl;
    std::vector<std::string> aSortFields;
    std::vector<std::string> aFieldFilter;
    std::shared_ptr<db::DBSERVER> oDBIn;
    std::shared_ptr<db::DBSERVER> oDBOut;
    win::FileHandle hIn = -1;
    win::FileHandle hOut = -1;
    uint32_t nLineMax = 0;
    uint16_t wFieldsIn = 0;
    std::optional<gui::FONT> oFontProport;
    std::optional<gui::FONT> oFontFixed;
    std::string cFontProport;
    std::string cFontFixed;
    // aHilfe[language - 1][position]: the texts of aHilfeCtrl[position].
    std::vector<std::vector<HelpText>> aHilfe;
    std::vector<gui::CONTROL*> aHilfeCtrl;
    // aTexte[language - 1][n]: message n (index 0 unused).
    std::vector<std::vector<std::string>> aTexte;
    // The state one conversion run carries between its steps (never null).
    std::unique_ptr<engine::RunState> oRun;

private:
    void registerHandlers();
    // The view laid over the settings (none while the settings show), the show button
    // that is pressed, and the buttons it leaves usable.
    struct ViewFace {
        gui::CONTROL* shown = nullptr;
        gui::PUSHBUTTON* pressed = nullptr;
        std::vector<gui::CONTROL*> usable;
    };
    ViewFace viewFace_;
    // The face of the view shown: every control held but the view and what it leaves usable.
    void holdViewFace();
    // What a settings load sets after the language and the identification check, read
    // from `file` ("" gives every setting its default). A value of a keyword key that holds
    // none of its keywords takes the default and is reported; returns how many there were.
    int applySettings(const std::string& file);
};

// The program's main data window, while it exists and has not been closed with the shell.
inline DTAMIRVANO* goDtaMirvano = nullptr;

// The field-lengths text as the form keeps it: every character but digits and blanks
// counts as a blank, blanks are trimmed and collapsed, and lengths written as the single
// digit 0 are dropped ("10, 20;x 0 30" gives "10 20 30"; "007" stays).
std::string normaliseFieldLengths(const std::string& text);

// The radio families whose members are option flags of the main window, with the button
// of each member; the input side's families first. Used by the click handler and by the
// settings code, which sets buttons and flags together.
struct RadioFamilyMember {
    const char* button;
    bool DTAMIRVANO::*flag;
};
struct RadioFamily {
    const char* name;
    bool inputSide;
    std::vector<RadioFamilyMember> members;
};
const std::vector<RadioFamily>& optionFamilies();

// The check boxes whose click turns an option flag over.
struct CheckOption {
    const char* box;
    bool DTAMIRVANO::*flag;
    bool inputSide;
};
const std::vector<CheckOption>& checkOptions();

// TRUE when the machine has a modem, LAN or proxy connection and is not set to offline.
bool ISINTERNETACCESS();

}  // namespace ui
