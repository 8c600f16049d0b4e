// The main window's start-up side: the command line and its batch, the wildcard expansion of
// input and output names, loading and saving the settings, and the destroy handler.
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <system_error>

#include "engine/fieldlist.h"
#include "engine/inputfile.h"
#include "engine/report.h"
#include "functions/cmdline.h"
#include "functions/ini.h"
#include "functions/sounds.h"
#include "functions/tokenarrays.h"
#include "mainwindow/dtamirvano.h"
#include "mainwindow/settings.h"
#include "platform/gui/application.h"
#include "platform/gui/controls.h"
#include "platform/gui/statusbar.h"
#include "platform/runtime/strings.h"
#include "ui/globals.h"
#include "ui/winshell.h"
#include "widgets/fontstrings.h"

namespace fs = std::filesystem;

namespace ui {

namespace {

const std::vector<std::string> kOperators = {"=", "==", "!=", "<", "<=", ">", ">=", "+", ".and.", ".or.", ".not."};
const std::vector<std::string> kFunctions = {
    "Abs(n)",   "AllTrim(c)", "At(cSearch,c)", "Deleted()", "Empty(u)",  "IsInFile(u,cFile)", "Left(c,n)", "Len(c)",
    "Lower(c)", "LTrim(c)",   "Max(n1,n2)",    "Min(n1,n2)", "PadL(c,n)", "PadR(c,n)",         "Recno()",   "Right(c,n)",
    "Round(n,nDec)", "RTrim(c)", "Space(n)", "Str(n,nLen,nDec)", "SubStr(c,n,n)", "Upper(c)", "Val(c)"};

// The keywords of each radio family's settings value, in the order of the family's members
// (the first member is the default), and the order in which the writer tests the flags
// (the last member tested is the fallback).
struct FamilyKeys {
    const char* family;
    std::vector<std::string> keywords;
    std::vector<size_t> writeOrder;
};
const std::vector<FamilyKeys>& familyKeys() {
    static const std::vector<FamilyKeys> keys = {
        {"FileFormat", {"dbf", "csv", "sdf"}, {0, 2, 1}},
        {"CharacterSet", {"ansi", "ascii", "utf8", "unicode"}, {1, 3, 2, 0}},
        {"DecimalSeparator", {"dot", "comma"}, {1, 0}},
        {"CsvSeparator", {"semi", "comma", "slash", "tab"}, {0, 1, 2, 3}},
        {"CsvFieldFrame", {"string", "no", "all"}, {0, 1, 2}},
    };
    return keys;
}

const FamilyKeys& keysOf(const RadioFamily& family) {
    const std::string name = family.name;
    for (const FamilyKeys& k : familyKeys())
        if (name.rfind(k.family, 0) == 0) return k;
    return familyKeys().front();
}

// Check boxes with their settings keys, in the order of the key table.
struct CheckKey {
    const char* key;
    const char* box;
};
const CheckKey kInputChecks[] = {{"HeaderLineIn", "CHECKHEADERIN"}, {"SdfOptiBlankIn", "CHECKBLANKIN"}, {"FieldLengthsIn", "CHECKLAENGEIN"}};
const CheckKey kOutputChecks[] = {{"HeaderLineOut", "CHECKHEADEROUT"},
                                  {"SqlScriptOut", "CHECKSKRIPTOUT"},
                                  {"SdfOptOut", "CHECKOPTIOUT"},
                                  {"SdfBlankOut", "CHECKBLANKOUT"}};

const std::vector<std::string> kYesNo = {"yes", "no"};
const std::vector<std::string> kFileHandling = {"overwrite", "append"};
const char* yesNo(bool on) { return on ? "yes" : "no"; }

bool isFile(const std::string& name) {
    std::error_code ec;
    return !name.empty() && fs::is_regular_file(fs::path(name), ec);
}

std::string lowerText(const std::string& s) { return rt::Lower(s); }

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += n + ";";
    if (!out.empty()) out.pop_back();
    return out;
}

// The position of the file-name part of a path ("/" and "\" both separate).
size_t nameStart(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

bool isPattern(const std::string& argument) {
    return argument.find_first_of("*?", nameStart(argument)) != std::string::npos;
}

// The directory part of an argument as given, with "/" for "\", ending in "/"; "" when the
// argument has none.
std::string directoryPart(const std::string& argument) {
    std::string dir = argument.substr(0, nameStart(argument));
    std::replace(dir.begin(), dir.end(), '\\', '/');
    return dir;
}

// Whether the last load rejected its file, and how many of its values were none of their
// keywords; read by the constructor.
bool gLoadRejected = false;
int gUnknownValues = 0;

// A message with its "$1" to "$n" filled in one pass, so a value that itself holds "$2"
// stays as it is.
std::string fillIn(const std::string& text, const std::vector<std::string>& values) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t n = i + 1 < text.size() ? size_t(text[i + 1] - '0') : 0;
        if (text[i] == '$' && n >= 1 && n <= values.size()) {
            out += values[n - 1];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string listed(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : ", ") + w;
    return out;
}

// While a batch runs: every failure sound marks the step as failed, and every status
// message also goes to standard error, so a script sees why. The sound that follows an error
// text tells how grave it was: after an exclamation the run goes on, so the text is a
// warning.
class BatchReports {
public:
    BatchReports() {
        previous_ = engine::setReportHook([this](engine::ReportKind kind, const std::string& text) { deliver(kind, text); });
    }
    ~BatchReports() {
        flush("error: ");
        engine::setReportHook(std::move(previous_));
    }
    int failures = 0;

private:
    void deliver(engine::ReportKind kind, const std::string& text) {
        if (kind == engine::ReportKind::Sound && text == "SystemHand") ++failures;
        if (previous_) {
            previous_(kind, text);
            return;
        }
        if (kind == engine::ReportKind::Sound) {
            flush(text == "SystemExclamation" ? "warning: " : "error: ");
            TON(rt::Value(text));
            return;
        }
        flush("error: ");
        if (kind == engine::ReportKind::Error)
            pendingError_ = text;
        else
            print("", text);
        if (goShell)
            if (gui::STATUSBAR* bar = goShell->STATUSBAR()) {
                if (kind == engine::ReportKind::Error)
                    bar->ERRORTEXT(text);
                else
                    bar->TRANSIENT(text);
            }
    }
    // An error text waits for the sound that may follow it.
    void flush(const char* prefix) {
        if (!pendingError_) return;
        print(prefix, *pendingError_);
        pendingError_.reset();
    }
    static void print(const char* prefix, const std::string& text) {
        std::fprintf(stderr, "%s%s\n", prefix, text.c_str());
        std::fflush(stderr);
    }
    engine::ReportHook previous_;
    std::optional<std::string> pendingError_;
};

// What makes two names one file: the device and inode of an existing file, else the full
// path with every link resolved.
std::string fileKey(const std::string& name) {
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0) return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(fs::path(engine::fullPath(name)), ec);
    return ec ? engine::fullPath(name) : resolved.string();
}

// Per step of a batch, the message that refuses its output, 0 for none: an output that is
// one of the batch's inputs (its own included) would destroy data the batch still reads,
// one that is the batch's settings file would destroy the job itself, and an output that
// two steps write would keep only the last step's records.
std::vector<int> refusedOutputs(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs,
                                const std::string& settingsFile) {
    const size_t steps = std::min(inputs.size(), outputs.size());
    std::set<std::string> inputKeys;
    for (const std::string& input : inputs) inputKeys.insert(fileKey(input));
    const std::string settingsKey = settingsFile.empty() ? std::string() : fileKey(settingsFile);
    std::vector<std::string> keys(steps);
    std::map<std::string, int> writers;
    for (size_t i = 0; i < steps; ++i)
        if (!outputs[i].empty()) ++writers[keys[i] = fileKey(outputs[i])];
    std::vector<int> why(steps, 0);
    for (size_t i = 0; i < steps; ++i) {
        if (outputs[i].empty()) continue;
        if (inputKeys.count(keys[i]))
            why[i] = 69;
        else if (!settingsKey.empty() && keys[i] == settingsKey)
            why[i] = 116;
        else if (writers[keys[i]] > 1)
            why[i] = 68;
    }
    return why;
}

}  // namespace

DTAMIRVANO& DTAMIRVANO::INIT() { return INIT(SPLITCMDLINE()); }

DTAMIRVANO& DTAMIRVANO::INIT(const std::vector<std::string>& arguments) {
    if (arguments.size() >= 1) cCmdFileIn = arguments[0];
    if (arguments.size() >= 2) cCmdFileOut = arguments[1];
    if (arguments.size() >= 3) cCmdConfig = arguments[2];

    const bool german = userLanguageIsGerman();
    gbSprache = german ? 1 : 2;
    OCCRADIODEUTSCH->PRESSED(german);
    OCCRADIOENGLISCH->PRESSED(!german);

    lInOpen = lOutOpen = lRunning = lCancel = lCmdMode = false;
    lBatchRan = false;
    lBatchOk = true;

    ODCLISTOPERATOREN->FILLUSING(kOperators);
    ODCLISTFUNKTIONEN->FILLUSING(kFunctions);

    // What the command line asks for, before a rejected settings file empties the names.
    const std::vector<std::string> askedInputs = PARSEINPUT(cCmdFileIn);
    const bool batchAsked = !askedInputs.empty() && !(askedInputs.size() == 1 && PARSEOUTPUT(cCmdFileOut, askedInputs).empty());

    // A script that asked for a batch, and anyone who started the program where nobody can
    // see it, reads every message on standard error, those of the settings load included.
    const bool stderrBefore = engine::reportToStderr();
    if (batchAsked || lNoUser) engine::setReportToStderr(true);
    const bool configGiven = !cCmdConfig.empty();
    const std::string settingsFile = cCmdConfig;
    if (configGiven)
        BUTLOADCMDINIPAR();
    else
        LOADINIPAR();
    const bool configRejected = configGiven && gLoadRejected;
    const bool unknownValues = gUnknownValues > 0;
    lKeepProgramIni = configRejected;
    // A refused file has set nothing. The form falls back to the settings last used, and
    // keeps the program INI as it is, so that nothing remembered is lost by a typing error
    // on the command line.
    if (configRejected && !batchAsked) LOADINIPAR();

    const std::vector<std::string> inputs = PARSEINPUT(cCmdFileIn);
    const std::vector<std::string> outputs = PARSEOUTPUT(cCmdFileOut, inputs);
    const bool batch = !inputs.empty() && !(inputs.size() == 1 && outputs.empty());
    const bool settingsRefused = batchAsked && (configRejected || unknownValues);

    if (settingsRefused || (lNoUser && !batch)) {
        // The settings a batch was to run with were refused or hold a value the program does
        // not know: running it with other settings would write wrong files. And where nobody
        // can see the form, waiting for a user would never end: the program says why
        // nothing was converted and ends as failed.
        if (!cDisplayFailed.empty() && !batchAsked) {
            engine::reportFailure(rt::StrTran(message(118), "$", cDisplayFailed));
        } else if (!settingsRefused && !configRejected) {
            if (inputs.size() == 1)
                engine::reportFailure(rt::StrTran(message(73), "$", inputs.front()));
            else if (!cCmdFileIn.empty())
                engine::reportFailure(rt::StrTran(message(71), "$", cCmdFileIn));
            else
                engine::reportFailure(message(72));
        }
        lCmdMode = true;
        lBatchRan = true;
        lBatchOk = false;
    } else if (inputs.size() == 1 && outputs.empty()) {
        SHOW();
        cCmdFileIn = inputs[0];
        const std::string lower = lowerText(cCmdFileIn);
        const std::string ending = lower.size() >= 4 ? lower.substr(lower.size() - 4) : lower;
        gui::RADIOBUTTON* radio = ending == ".dbf" ? OCCRADIODBFIN : ending == ".sdf" ? OCCRADIOSDFIN : OCCRADIOCSVIN;
        radio->PRESSED(true);
        radio->CLICK();
        BUTDATEIOEFFNEN(true);
    } else if (batch) {
        lCmdMode = true;
        SHOW();
        auto* shell = dynamic_cast<WINSHELL*>(goShell);
        if (shell) shell->holdClose(true);
        {
            BatchReports reports;
            if (!cDisplayFailed.empty()) engine::reportWarning(rt::StrTran(message(117), "$", cDisplayFailed));
            // The whole batch is checked before its first step: an output it must not
            // write is refused once, by name, and its step does not run.
            const std::vector<int> refused = refusedOutputs(inputs, outputs, settingsFile);
            for (size_t i = 0; i < refused.size(); ++i) {
                if (!refused[i]) continue;
                lBatchOk = false;
                bool told = false;
                for (size_t k = 0; k < i && !told; ++k) told = refused[k] && fileKey(outputs[k]) == fileKey(outputs[i]);
                if (!told) engine::reportFailure(rt::StrTran(message(refused[i]), "$", outputs[i]));
            }
            for (size_t i = 0; i < inputs.size(); ++i) {
                // The user closed the window: the rest of the batch is not run.
                if (!goDtaMirvano || (shell && shell->closePending())) {
                    lBatchOk = false;
                    break;
                }
                if (i < refused.size() && refused[i]) continue;
                const int before = reports.failures;
                lCancelAsked = false;
                cCmdFileIn = inputs[i];
                BUTDATEIOEFFNEN(false);
                bool ok = lInOpen;
                if (!lCancelAsked && i < outputs.size() && !outputs[i].empty()) {
                    cCmdFileOut = outputs[i];
                    BUTDATEISPEICHERN();
                    ok = ok && lLastWriteOk;
                }
                if (lCancelAsked) {
                    engine::reportFailure(rt::StrTran(message(74), "$", inputs[i]));
                    ok = false;
                }
                if (!ok || reports.failures != before) lBatchOk = false;
            }
        }
        lBatchRan = true;
        if (shell) shell->holdClose(false);
    }

    engine::setReportToStderr(stderrBefore);
    if (lBatchRan && goDtaMirvano == this) BUTBEENDEN();
    return *this;
}

std::vector<std::string> DTAMIRVANO::PARSEINPUT(const std::string& argument) const {
    if (argument.empty()) return {};
    if (!isPattern(argument)) return {argument};
    const std::string dir = directoryPart(argument);
    const std::string pattern = argument.substr(nameStart(argument));
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dir.empty() ? fs::path(".") : fs::path(dir), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        const std::string name = it->path().filename().string();
        // Patterns match without regard to case, as the file test does.
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    for (std::string& name : names) name = dir + name;
    return names;
}

std::vector<std::string> DTAMIRVANO::PARSEOUTPUT(const std::string& argument, const std::vector<std::string>& inputs) const {
    if (argument.empty()) return {};
    if (!isPattern(argument)) return {argument};
    const std::string dir = directoryPart(argument);
    const std::string pattern = argument.substr(nameStart(argument));
    const size_t dot = pattern.find_last_of('.');
    const std::string extension = dot == std::string::npos ? std::string() : pattern.substr(dot);
    std::vector<std::string> outputs;
    for (const std::string& input : inputs) {
        std::string name = input.substr(nameStart(input));
        const size_t inDot = name.find_last_of('.');
        // A wildcard extension ("out/*.*") keeps the input's own.
        if (extension.find_first_of("*?") == std::string::npos) {
            if (inDot != std::string::npos && inDot > 0) name.erase(inDot);
            name += extension;
        }
        outputs.push_back(dir + name);
    }
    return outputs;
}

void DTAMIRVANO::DESTROY() {
    if (!lCmdMode && !lKeepProgramIni) SAVEINIPAR();
    if (lInOpen) CLOSEINPUT();
    if (lOutOpen) CLOSEOUTPUT();
    DTAMIRVANO_VO::DESTROY();
}

DTAMIRVANO& DTAMIRVANO::LOADINIPAR() { return BUTLOADCMDINIPAR(gcPfad + "MIRVANO.INI"); }

DTAMIRVANO& DTAMIRVANO::SAVEINIPAR() { return BUTSAVECMDINIPAR(gcPfad + "MIRVANO.INI"); }

namespace {
std::string dialogDirectory(const std::string& configFile) {
    if (configFile.empty()) return gcPfad;
    std::string dir = directoryPart(configFile);
    return dir.empty() ? gcPfad : dir;
}

// The settings file the user picks in the load or save dialog; empty when the dialog is
// cancelled.
std::string askSettingsFile(const DTAMIRVANO& window, bool save, const std::string& initialName) {
    SettingsDialogRequest request;
    request.save = save;
    request.caption = window.message(51);
    request.initialName = initialName;
    request.initialDir = dialogDirectory(window.cConfigFile);
    request.typeText = window.message(50);
    std::string name = runSettingsDialog(request);
    gui::resetPumpThrottle();
    gui::APPLICATIONEXEC(1);
    return name;
}
}  // namespace

DTAMIRVANO& DTAMIRVANO::BUTLOADCMDINIPAR(const std::string& file) {
    gLoadRejected = false;
    gUnknownValues = 0;
    std::string name;
    bool nameGiven = false;
    const std::string commandLineFile = cCmdConfig;
    if (!commandLineFile.empty()) {
        name = isFile(commandLineFile) ? commandLineFile : std::string();
    } else if (file.empty()) {
        name = askSettingsFile(*this, false, "*.mcf");
        // Cancelling the dialog is no error: the settings and the names given on the
        // command line stay as they are.
        if (name.empty()) return *this;
    } else {
        name = isFile(file) ? file : std::string();
        nameGiven = true;
    }
    auto value = [&name](const char* key) { return name.empty() ? std::string() : GETINISTRING("Config", key, name); };

    const std::string language = lowerText(value("Language"));
    if (language.find("deutsch") != std::string::npos)
        gbSprache = 1;
    else if (language.find("english") != std::string::npos)
        gbSprache = 2;
    OCCRADIODEUTSCH->PRESSED(gbSprache == 1);
    OCCRADIOENGLISCH->PRESSED(gbSprache == 2);
    INITSPRACHE();
    SETSPRACHE(gbSprache);

    if (!nameGiven && lowerText(value("ProgIdent")).find("mirvano") == std::string::npos) {
        cCmdFileOut.clear();
        cCmdFileIn.clear();
        gLoadRejected = true;
        // The user learns which file was refused, and whether it was there at all.
        engine::reportFailure(name.empty() ? rt::StrTran(message(70), "$", commandLineFile) : message(52) + ": " + name);
        // The file named on the command line is not read again: the load button asks for
        // one with its dialog.
        cCmdConfig.clear();
        return *this;
    }
    gUnknownValues = applySettings(name);
    return *this;
}

int DTAMIRVANO::applySettings(const std::string& name) {
    auto value = [&name](const char* key) { return name.empty() ? std::string() : GETINISTRING("Config", key, name); };
    // The member a keyword key selects; a value that holds none of the keywords takes the
    // default as well, but the user learns of it: a misspelt word would otherwise convert
    // with an option nobody chose.
    int unknown = 0;
    auto keyword = [&](const char* key, const std::vector<std::string>& keywords, size_t fallback) {
        const std::string stored = value(key);
        const size_t none = keywords.size();
        const size_t chosen = selectKeyword(stored, keywords, none);
        if (chosen != none) return chosen;
        if (!rt::AllTrim(stored).empty()) {
            ++unknown;
            engine::reportFailure(fillIn(message(115), {key, stored, name, listed(keywords)}));
        }
        return fallback;
    };
    auto yes = [&](const char* key) { return keyword(key, kYesNo, 1) == 0; };

    if (lInOpen) CLOSEINPUT();

    auto loadFont = [&value](const char* key, const char* face, bool fixed, std::optional<gui::FONT>& font, std::string& text) {
        const std::string stored = value(key);
        if (stored.empty()) {
            font = gui::FONT(0, 10, face);
            font->PITCHFIXED(fixed);
            font->PITCHVARIABLE(!fixed);
            text = widgets::FONTTOSTRING(*font);
        } else {
            text = stored;
            font = widgets::STRINGTOFONT(stored);
            font->PITCHFIXED(fixed);
            font->PITCHVARIABLE(!fixed);
        }
    };
    loadFont("FontProportPitch", "Lucida Sans Unicode", false, oFontProport, cFontProport);
    loadFont("FontFixedPitch", "Courier New", true, oFontFixed, cFontFixed);

    const std::string toolTip = value("ToolTip");
    const bool tips = toolTip.empty() || toolTip.find("yes") != std::string::npos;
    ODCCHECKTOOLTIP->CHECKED(tips);
    // The tips follow the box both ways: an unticked box with tips still showing would
    // contradict itself.
    SETTOOLTIP();

    cFileIn = value("InputFile");
    cFileOut = value("OutputFile");
    cMultiFile = value("MultiFile");
    cConcatFile = value("ConcatFile");
    cConfigFile = value("ConfigFile");

    auto loadFamily = [&](const RadioFamily& family) {
        const FamilyKeys& keys = keysOf(family);
        const size_t chosen = keyword(family.name, keys.keywords, 0);
        for (size_t i = 0; i < family.members.size(); ++i) {
            auto* radio = dynamic_cast<gui::RADIOBUTTON*>(formControl(family.members[i].button));
            if (!radio) continue;
            radio->PRESSED(i == chosen);
            this->*family.members[i].flag = radio->PRESSED();
        }
    };
    auto loadCheck = [&](const CheckKey& check) {
        auto* box = dynamic_cast<gui::CHECKBOX*>(formControl(check.box));
        if (!box) return;
        box->CHECKED(yes(check.key));
        for (const CheckOption& option : checkOptions())
            if (std::string(option.box) == check.box) this->*option.flag = box->CHECKED();
    };
    for (const RadioFamily& family : optionFamilies())
        if (family.inputSide) loadFamily(family);
    for (const CheckKey& check : kInputChecks) loadCheck(check);
    cInLengths = lowerText(rt::AllTrim(value("FieldLenStrIn")));
    ODCSINGLELAENGEIN->TEXTVALUE(cInLengths);
    for (const RadioFamily& family : optionFamilies())
        if (!family.inputSide) loadFamily(family);
    for (const CheckKey& check : kOutputChecks) loadCheck(check);

    const bool append = keyword("FileHandling", kFileHandling, 0) == 1;
    OCCRADIOAUSGUEBERSCHR->PRESSED(!append);
    OCCRADIOAUSGERGAENZEN->PRESSED(append);
    ODCCHECKSORT->CHECKED(yes("SortConditionUse"));
    ODCCHECKDATENFELD->CHECKED(yes("FieldFilterUse"));
    ODCCHECKDATENSATZ->CHECKED(yes("RecordFilterUse"));

    auto names = [&value](const char* key) {
        std::vector<std::string> out;
        const std::string stored = value(key);
        if (stored.empty()) return out;
        const rt::Value tokens = FASTTOKENSEPARRAY3(stored, ";", 256);
        for (size_t i = 1; i <= tokens.len(); ++i) out.push_back(tokens.at(i).str());
        return out;
    };
    aSortFields = names("SortConditionGroup");
    aFieldFilter = names("FieldFilterGroup");

    const std::string phrase = value("RecordFilterPhrase");
    if (!phrase.empty()) ODCSINGLEDATENSATZ->TEXTVALUE(phrase);

    EINAUSBLENDEN();
    return unknown;
}

DTAMIRVANO& DTAMIRVANO::BUTSAVECMDINIPAR(const std::string& file) {
    std::string name;
    if (file.empty()) {
        name = askSettingsFile(*this, true, "mirvano.mcf");
        // Cancelling the dialog is no error: the settings and the names given on the
        // command line stay as they are.
        if (name.empty()) return *this;
        // Only files ending in ".mcf" are offered for loading: a name without an extension
        // gets it, so the file can be found again.
        if (fs::path(name).extension().empty()) name += ".mcf";
        cConfigFile = engine::fullPath(name);
    } else {
        name = isFile(file) ? file : std::string();
    }
    if (name.empty()) return *this;

    std::vector<std::pair<std::string, std::string>> entries;
    auto put = [&entries](const std::string& key, const std::string& v) { entries.emplace_back(key, v); };
    put("ProgIdent", "mirvano");
    put("Language", OCCRADIOENGLISCH->PRESSED() ? "english" : "deutsch");
    put("InputFile", cFileIn);
    put("OutputFile", cFileOut);
    put("MultiFile", cMultiFile);
    put("ConcatFile", cConcatFile);
    put("ConfigFile", cConfigFile);
    put("FontProportPitch", cFontProport);
    put("FontFixedPitch", cFontFixed);
    put("ToolTip", yesNo(ODCCHECKTOOLTIP->CHECKED()));
    auto putFamily = [&](const RadioFamily& family) {
        const FamilyKeys& keys = keysOf(family);
        size_t chosen = keys.writeOrder.back();
        for (size_t k = 0; k + 1 < keys.writeOrder.size(); ++k)
            if (this->*family.members[keys.writeOrder[k]].flag) {
                chosen = keys.writeOrder[k];
                break;
            }
        put(family.name, keys.keywords[chosen]);
    };
    auto putCheck = [&](const CheckKey& check) {
        bool on = false;
        for (const CheckOption& option : checkOptions())
            if (std::string(option.box) == check.box) on = this->*option.flag;
        put(check.key, yesNo(on));
    };
    for (const RadioFamily& family : optionFamilies())
        if (family.inputSide) putFamily(family);
    for (const CheckKey& check : kInputChecks) putCheck(check);
    put("FieldLenStrIn", cInLengths);
    for (const RadioFamily& family : optionFamilies())
        if (!family.inputSide) putFamily(family);
    for (const CheckKey& check : kOutputChecks) putCheck(check);
    put("FileHandling", OCCRADIOAUSGUEBERSCHR->PRESSED() ? "overwrite" : "append");
    put("SortConditionUse", yesNo(ODCCHECKSORT->CHECKED()));

    // The lists show the choices only while an analysed input is open; without one the
    // remembered names are what the user chose, and they must not be lost.
    std::string sortGroup;
    std::string fieldGroup;
    if (lInOpen) {
        std::vector<std::string> sorts;
        for (gui::COMBOBOX* combo : {ODCCOMBOSORTIER1, ODCCOMBOSORTIER2, ODCCOMBOSORTIER3, ODCCOMBOSORTIER4})
            if (combo && combo->CURRENTITEMNO() > 1) sorts.push_back(combo->CURRENTTEXT());
        sortGroup = joined(sorts);
        std::vector<std::string> fields;
        for (int pos = ODCLISTDATENFELD->FIRSTSELECTED(); pos > 0; pos = ODCLISTDATENFELD->NEXTSELECTED()) {
            fields.push_back(engine::fieldListItemName(ODCLISTDATENFELD->GETITEM(pos)));
        }
        fieldGroup = joined(fields);
    } else {
        sortGroup = joined(aSortFields);
        fieldGroup = joined(aFieldFilter);
    }
    put("SortConditionGroup", sortGroup);
    put("FieldFilterUse", yesNo(ODCCHECKDATENFELD->CHECKED()));
    put("FieldFilterGroup", fieldGroup);
    put("RecordFilterUse", yesNo(ODCCHECKDATENSATZ->CHECKED()));
    put("RecordFilterPhrase", ODCSINGLEDATENSATZ->TEXTVALUE());

    for (const auto& [key, v] : entries) {
        if (!WRITEINISTRING("Config", key, v, name)) {
            // The settings did not reach the file: say so rather than lose them silently.
            std::string text = message(36);
            const size_t at = text.find('$');
            if (at != std::string::npos) text.replace(at, 1, name);
            engine::reportFailure(text);
            break;
        }
    }
    return *this;
}

}  // namespace ui
