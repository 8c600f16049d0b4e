// The command line: wildcard expansion of inputs and outputs, and whole batches run by the
// built program, which ends by itself with an exit status a script can trust.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

#include "app_support.h"
#include "platform/gui/application.h"
#include "platform/gui/controls.h"

namespace {

using apptest::entry;
using apptest::iniEntries;
using apptest::Program;
using apptest::readFile;
using apptest::writeFile;

// Runs a command in `dir` with the current directory set there.
class InDirectory {
public:
    explicit InDirectory(const std::filesystem::path& dir) : old_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~InDirectory() { std::filesystem::current_path(old_); }

private:
    std::filesystem::path old_;
};

TEST(CommandLine, PatternsExpandAndOutputsPairWithTheirInputs) {
    Program p("parse");
    p.start();
    for (const char* name : {"in/b.csv", "in/A.csv", "in/c.txt", "in/dir.x/d.csv", "x.csv"})
        writeFile(p.dir / name, "N\n1\n");
    std::filesystem::create_directories(p.dir / "in" / "sub.csv");
    InDirectory cwd(p.dir);

    struct Case {
        std::string input, output;
        std::vector<std::string> inputs, outputs;
    } cases[] = {
        {"./in/*.csv", "", {"./in/A.csv", "./in/b.csv"}, {}},
        {"in/*.csv", "out/*.dbf", {"in/A.csv", "in/b.csv"}, {"out/A.dbf", "out/b.dbf"}},
        {"in\\?.CSV", "out\\*.sdf", {"in/A.csv", "in/b.csv"}, {"out/A.sdf", "out/b.sdf"}},
        {"*.csv", "res.dbf", {"x.csv"}, {"res.dbf"}},
        {"in/dir.x/*.csv", "*.*", {"in/dir.x/d.csv"}, {"d.csv"}},
        {"in/*.none", "out.dbf", {}, {"out.dbf"}},
        {"Literal.CSV", "", {"Literal.CSV"}, {}},
        {"", "b.csv", {}, {"b.csv"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input + " " + c.output);
        const auto inputs = p.form->PARSEINPUT(c.input);
        EXPECT_EQ(inputs, c.inputs);
        EXPECT_EQ(p.form->PARSEOUTPUT(c.output, inputs), c.outputs);
    }
}

TEST(CommandLine, OneInputIsPreselectedByItsEnding) {
    struct Case {
        std::vector<std::string> arguments;
        const char* radio;
    } cases[] = {
        {{"a.sdf"}, "RADIOSDFIN"},
        {{"A.DBF"}, "RADIODBFIN"},
        {{"a.txt"}, "RADIOCSVIN"},
        // An empty argument keeps its place: there is an output, but no input.
        {{"", "b.sdf"}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.front());
        Program p("single");
        writeFile(p.ini(), "[Config]\nFileFormatIn=csv\n");
        p.start(c.arguments);
        EXPECT_FALSE(p.form->lCmdMode);
        EXPECT_FALSE(p.app.quitRequested());
        if (!c.radio) {
            EXPECT_TRUE(p.form->lInCSV);
            EXPECT_EQ(p.form->cCmdFileOut, "b.sdf");
            continue;
        }
        EXPECT_TRUE(dynamic_cast<gui::RADIOBUTTON*>(p.form->formControl(c.radio))->PRESSED());
        EXPECT_EQ(int(p.form->lInDBF) + int(p.form->lInCSV) + int(p.form->lInSDF), 1);
        EXPECT_EQ(p.form->lInSDF, std::string(c.radio) == "RADIOSDFIN");
        EXPECT_FALSE(p.form->lInOpen);
    }
}

// The built program, run with a temporary data directory on the offscreen screen.
struct ProgramRun {
    int status = -1;
    std::string errors;
};
// `environment`: variables set for the run on top of the ones below; an empty value removes one.
ProgramRun runProgram(const std::filesystem::path& dir, const QStringList& arguments, int waitMs = 120000,
                      const std::map<QString, QString>& environment = {}) {
    const QString exe = QString::fromStdString(std::string(MIRVANO_BINARY_DIR) + "/app/mirvano");
    ProgramRun run;
    if (!std::filesystem::exists(exe.toStdString())) return run;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("APPDATA");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((dir / "config").string()));
    env.insert("LANG", "C");
    for (const auto& [name, value] : environment) {
        if (value.isEmpty())
            env.remove(name);
        else
            env.insert(name, value);
    }
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(dir.string()));
    process.start(exe, arguments);
    if (!process.waitForFinished(waitMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = process.readAllStandardError().toStdString();
    return run;
}

const char* kJob =
    "[Config]\nProgIdent=mirvano\nFileFormatIn=csv\nCsvSeparatorIn=semi\nHeaderLineIn=yes\n"
    "FileFormatOut=csv\nCsvSeparatorOut=comma\nCsvFieldFrameOut=no\nHeaderLineOut=yes\n";

TEST(Batch, RunsWithTheSettingsFileAndEndsByItself) {
    const auto dir = mirvano_test::temp_dir("batch");
    writeFile(dir / "a.csv", "NAME;AGE\nAnna;31\nBert;42\n");
    writeFile(dir / "job.mcf", kJob);
    // A window placed where the offscreen screen has no room for it.
    const std::string ini = "[Config]\r\nFenster=00100000800500000700\r\nProgIdent=mirvano\r\nFileFormatIn=sdf\r\n";
    writeFile(dir / "config" / "mirvano" / "MIRVANO.INI", ini);
    const ProgramRun run = runProgram(dir, {"a.csv", "b.csv", "job.mcf"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(readFile(dir / "b.csv"), "NAME,AGE\r\nAnna,31\r\nBert,42\r\n");
    // No settings were saved, and a window nobody saw keeps the place the user gave it.
    EXPECT_EQ(readFile(dir / "config" / "mirvano" / "MIRVANO.INI"), ini);
}

// DISPLAY names a display that cannot be opened: a batch runs on the offscreen screen and
// says so; the form cannot be shown, says which display failed and ends as failed.
TEST(Batch, ADisplayThatCannotBeOpenedIsNamedAndABatchStillRuns) {
    const auto dir = mirvano_test::temp_dir("batch-display");
    writeFile(dir / "a.csv", "NAME;AGE\nAnna;31\n");
    writeFile(dir / "job.mcf", kJob);
    const std::map<QString, QString> env = {
        {"QT_QPA_PLATFORM", ""}, {"DISPLAY", ":4711"}, {"WAYLAND_DISPLAY", ""}, {"XAUTHORITY", "/nonexistent"}};
    ProgramRun run = runProgram(dir, {"a.csv", "b.csv", "job.mcf"}, 120000, env);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(readFile(dir / "b.csv"), "NAME,AGE\r\nAnna,31\r\n");
    EXPECT_NE(run.errors.find("warning: The display :4711 cannot be opened: the conversion runs without a window"),
              std::string::npos)
        << run.errors;

    for (const QStringList& form : {QStringList{}, QStringList{"a.csv"}}) {
        SCOPED_TRACE(form.join(" ").toStdString());
        run = runProgram(dir, form, 60000, env);
        EXPECT_GT(run.status, 0) << "ended by itself, as failed\n" << run.errors;
        EXPECT_NE(run.errors.find("error: The display :4711 cannot be opened: the form cannot be shown"),
                  std::string::npos)
            << run.errors;
    }
}

// A settings value the program does not know would convert with an option nobody chose: the
// batch names key, value and keywords, converts nothing and ends as failed.
TEST(Batch, ASettingsValueThatHoldsNoneOfItsKeywordsConvertsNothing) {
    const auto dir = mirvano_test::temp_dir("batch-unknown");
    writeFile(dir / "a.csv", "NAME;AGE\nAnna;31\n");
    writeFile(dir / "job.mcf", std::string("[Config]\nProgIdent=mirvano\nCharacterSetIn=utf16\n") + (kJob + 9));
    const ProgramRun run = runProgram(dir, {"a.csv", "b.csv", "job.mcf"});
    EXPECT_GT(run.status, 0) << run.errors;
    EXPECT_FALSE(std::filesystem::exists(dir / "b.csv"));
    EXPECT_NE(run.errors.find("error: The value utf16 of the setting CharacterSetIn in job.mcf contains none of the "
                              "keywords ansi, ascii, utf8, unicode"),
              std::string::npos)
        << run.errors;
}

TEST(Batch, WildcardsConvertEveryInputAndAFailedStepFailsTheRun) {
    const auto dir = mirvano_test::temp_dir("batch-wild");
    writeFile(dir / "in" / "One.csv", "NAME;AGE\nAnna;31\n");
    writeFile(dir / "in" / "two.csv", "NAME;AGE\nBert;42\n");
    writeFile(dir / "job.mcf", kJob);
    std::filesystem::create_directories(dir / "out");
    ProgramRun run = runProgram(dir, {"in/*.csv", "out/*.txt", "job.mcf"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(readFile(dir / "out" / "One.txt"), "NAME,AGE\r\nAnna,31\r\n");
    EXPECT_EQ(readFile(dir / "out" / "two.txt"), "NAME,AGE\r\nBert,42\r\n");

    // A missing input: the step's error reaches standard error and the status says so.
    run = runProgram(dir, {"missing.csv", "out/x.csv", "job.mcf"});
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.errors.find("error: "), std::string::npos) << run.errors;

    // A settings file that is not one: nothing is converted, the program still ends.
    writeFile(dir / "bad.mcf", "[Config]\nFileFormatIn=csv\n");
    run = runProgram(dir, {"in/One.csv", "out/bad.csv", "bad.mcf"});
    EXPECT_NE(run.status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "bad.csv"));
    EXPECT_NE(run.errors.find("Error in the MIRVANO configuration file"), std::string::npos) << run.errors;
}

// Every file below `dir` with its bytes.
std::map<std::string, std::string> filesBelow(const std::filesystem::path& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        if (e.is_regular_file()) out[std::filesystem::relative(e.path(), dir).string()] = readFile(e.path());
    return out;
}

TEST(Batch, AnOutputWrittenTwiceOrThatIsAnInputIsRefusedBeforeTheFirstStepAndLeftAsItWas) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files;
        QStringList arguments;
        std::string refused;  // the output named as refused, "" for none
        const char* why;
        std::map<std::string, std::string> written;  // the files the run writes
    } cases[] = {
        {"two inputs, one output name",
         {{"data/a.csv", "NAME;AGE\nAnna;31\n"}, {"data/a.txt", "NAME;AGE\nBert;42\n"}, {"out/a.csv", "mine\r\n"}},
         {"data/a.*", "out/*.csv", "job.mcf"},
         "out/a.csv",
         "would be written by more than one step",
         {}},
        {"an output that is an input",
         {{"d/x.csv", "NAME;AGE\nAnna;31\n"}, {"d/x.txt", "NAME;AGE\nBert;42\n"}, {"d/z.txt", "NAME;AGE\nCarl;53\n"}},
         {"d/*", "d/*.csv", "job.mcf"},
         "d/x.csv",
         "is an input file of this run",
         {{"d/z.csv", "NAME,AGE\r\nCarl,53\r\n"}}},
        // An existing file that no step reads may be overwritten: the user named it.
        {"an existing file that is no input",
         {{"f/m.csv", "NAME;AGE\nDora;64\n"}, {"f/m.txt", "old\r\n"}},
         {"f/*.csv", "f/*.txt", "job.mcf"},
         "",
         "",
         {{"f/m.txt", "NAME,AGE\r\nDora,64\r\n"}}},
        {"an output that is the settings file",
         {{"job.csv", "NAME;AGE\nErna;75\n"}, {"t1/job.mcf", kJob}},
         {"job.csv", "t1/*.mcf", "t1/job.mcf"},
         "t1/job.mcf",
         "is the settings file of this run",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto dir = mirvano_test::temp_dir("batch-collide");
        writeFile(dir / "job.mcf", kJob);
        for (const auto& [name, text] : c.files) writeFile(dir / name, text);
        const auto before = filesBelow(dir);
        const ProgramRun run = runProgram(dir, c.arguments);

        auto after = filesBelow(dir);
        after.erase("config/mirvano/MIRVANO.INI");
        for (const auto& [name, text] : c.written) {
            EXPECT_EQ(after[name], text) << name;
            after.erase(name);
        }
        auto unchanged = before;
        for (const auto& [name, text] : c.written) unchanged.erase(name);
        EXPECT_EQ(after, unchanged) << run.errors;
        if (c.refused.empty()) {
            EXPECT_EQ(run.status, 0) << run.errors;
            continue;
        }
        EXPECT_NE(run.status, 0) << run.errors;
        EXPECT_GT(run.status, 0) << "the program ended by itself";
        const std::string line = "error: The output file " + c.refused + " " + c.why;
        const size_t at = run.errors.find(line);
        EXPECT_NE(at, std::string::npos) << run.errors;
        EXPECT_EQ(run.errors.find(line, at + 1), std::string::npos) << "told once\n" << run.errors;
    }
}

TEST(Batch, WithoutADisplayACommandLineThatRunsNoBatchSaysWhyAndEnds) {
    const auto dir = mirvano_test::temp_dir("batch-nothing");
    writeFile(dir / "job.mcf", kJob);
    writeFile(dir / "a.csv", "NAME;AGE\nAnna;31\n");
    writeFile(dir / "one1.csv", "NAME;AGE\nAnna;31\n");
    struct Case {
        QStringList arguments;
        std::string said;
    } cases[] = {
        {{"none*.csv", "out.csv", "job.mcf"}, "No file matches none*.csv: nothing was converted"},
        {{"one*.csv"}, "No output file given for one1.csv: without a display nothing is converted"},
        {{"", "out.csv", "job.mcf"}, "No input file given: nothing was converted"},
        {{"a.csv", "", "job.mcf"}, "No output file given for a.csv: without a display nothing is converted"},
        {{}, "No input file given: nothing was converted"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(" ").toStdString());
        std::filesystem::remove_all(dir / "config");
        const ProgramRun run = runProgram(dir, c.arguments, 60000);
        EXPECT_GT(run.status, 0) << "ended by itself, as failed\n" << run.errors;
        EXPECT_NE(run.errors.find("error: " + c.said), std::string::npos) << run.errors;
        EXPECT_FALSE(std::filesystem::exists(dir / "out.csv"));
        // The form was never used: no settings were saved.
        const auto ini = iniEntries(dir / "config" / "mirvano" / "MIRVANO.INI");
        EXPECT_EQ(entry(ini, "FileFormatIn"), "<missing>");
    }
}

TEST(Batch, StandardErrorTellsWarningsAsWarningsAndNamesTheSettingsFile) {
    const auto dir = mirvano_test::temp_dir("batch-told");
    writeFile(dir / "a.csv", "NAME;AGE\nAnna;31\nBert;42\n");
    // A filter text that is not switched on: the run goes on without it.
    writeFile(dir / "job.mcf", std::string(kJob) + "RecordFilterUse=no\nRecordFilterPhrase=AGE > 40\n");
    ProgramRun run = runProgram(dir, {"a.csv", "b.csv", "job.mcf"});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(readFile(dir / "b.csv"), "NAME,AGE\r\nAnna,31\r\nBert,42\r\n");
    const std::string warning = "With existing filter condition the data record filter was not activated.";
    EXPECT_NE(run.errors.find("warning: " + warning), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find("error: "), std::string::npos) << run.errors;

    struct Case {
        std::string file;
        std::string content;  // none: the file does not exist
        std::string said;
    } cases[] = {
        {"gone.mcf", "", "error: The configuration file gone.mcf does not exist"},
        {"other.mcf", "[Config]\nFileFormatIn=csv\n", "error: Error in the MIRVANO configuration file: other.mcf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        if (!c.content.empty()) writeFile(dir / c.file, c.content);
        run = runProgram(dir, {"a.csv", "c.csv", QString::fromStdString(c.file)});
        EXPECT_GT(run.status, 0) << run.errors;
        EXPECT_NE(run.errors.find(c.said), std::string::npos) << run.errors;
        EXPECT_FALSE(std::filesystem::exists(dir / "c.csv"));
    }
}

// Standard error of this process, caught in a file while it lives.
class CapturedStderr {
public:
    explicit CapturedStderr(const std::filesystem::path& file) : file_(file) {
        std::fflush(stderr);
        saved_ = ::dup(2);
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, 2);
        ::close(fd);
    }
    ~CapturedStderr() { release(); }
    std::string release() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            ::dup2(saved_, 2);
            ::close(saved_);
            saved_ = -1;
        }
        return readFile(file_);
    }

private:
    std::filesystem::path file_;
    int saved_ = -1;
};

TEST(Batch, AStepStoppedWithTheCancelButtonSaysItWasCancelled) {
    // Every event pump of the run handles the queued events.
    auto tick = std::make_shared<std::chrono::steady_clock::time_point>();
    gui::setPumpClock([tick] { return *tick += std::chrono::milliseconds(50); });
    struct Case {
        const char* when;
        bool (*running)(const ui::DTAMIRVANO&);
        bool blocks;  // the passes cut into blocks on three threads
    } cases[] = {
        {"analysing", [](const ui::DTAMIRVANO& w) { return w.lRunning && !w.lOutOpen; }, false},
        {"writing", [](const ui::DTAMIRVANO& w) { return w.lRunning && w.lOutOpen; }, false},
        {"analysing in blocks", [](const ui::DTAMIRVANO& w) { return w.lRunning && !w.lOutOpen; }, true},
        {"writing in blocks", [](const ui::DTAMIRVANO& w) { return w.lRunning && w.lOutOpen; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        if (c.blocks) {
            setenv("MIRVANO_THREADS", "3", 1);
            setenv("MIRVANO_BLOCK_BYTES", "1000", 1);
        }
        Program p("batch-cancel");
        std::string big = "NAME;AGE\n";
        for (int i = 0; i < 20000; ++i) big += "Name" + std::to_string(i) + ";" + std::to_string(i % 90) + "\n";
        writeFile(p.dir / "big.csv", big);
        writeFile(p.dir / "small.csv", "NAME;AGE\nAnna;31\n");
        writeFile(p.dir / "job.mcf", kJob);
        std::filesystem::create_directories(p.dir / "out");
        InDirectory cwd(p.dir);
        // The user presses the cancel button while the first step is at its stage.
        bool pressed = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            ui::DTAMIRVANO* w = ui::goDtaMirvano;
            if (pressed || !w || !w->OCCBUTABBRECHEN->ISENABLED() || !c.running(*w)) return;
            pressed = true;
            QWidget* button = w->OCCBUTABBRECHEN->HANDLE();
            QTest::mouseClick(button, Qt::LeftButton);
        });
        watch.start(0);
        CapturedStderr err(p.dir / "stderr");
        p.start({"*.csv", "out/*.txt", "job.mcf"});
        const std::string told = err.release();
        watch.stop();
        ASSERT_TRUE(pressed) << told;
        EXPECT_FALSE(p.form->lBatchOk);
        EXPECT_NE(told.find("error: The conversion of big.csv was cancelled"), std::string::npos) << told;
        // The next step ran.
        EXPECT_EQ(readFile(p.dir / "out" / "small.txt"), "NAME,AGE\r\nAnna,31\r\n");
        EXPECT_EQ(told.find("The conversion of small.csv"), std::string::npos) << told;
        EXPECT_EQ(told.find("converted into the file " + (p.dir / "out" / "big.txt").string()), std::string::npos) << told;
        // Cancelled in the analysis, the new output was never begun; cancelled while writing, it
        // holds the records written so far, whole and in order.
        const std::filesystem::path bigOut = p.dir / "out" / "big.txt";
        if (std::string(c.when).rfind("analysing", 0) == 0) {
            EXPECT_FALSE(std::filesystem::exists(bigOut));
        } else if (std::filesystem::exists(bigOut)) {
            std::string want = "NAME,AGE\r\n";
            const std::string got = readFile(bigOut);
            for (int i = 0; want.size() < got.size(); ++i)
                want += "Name" + std::to_string(i) + "," + std::to_string(i % 90) + "\r\n";
            EXPECT_EQ(got, want.substr(0, got.size()));
            EXPECT_EQ(got.size(), want.size());
        }
        unsetenv("MIRVANO_THREADS");
        unsetenv("MIRVANO_BLOCK_BYTES");
    }
    gui::setPumpClock({});
}

}  // namespace
