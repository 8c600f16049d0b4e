// The command line: wildcard expansion of inputs and outputs, and whole batches run by the
// built program, which ends by itself with an exit status a script can trust.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include "app_support.h"

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
ProgramRun runProgram(const std::filesystem::path& dir, const QStringList& arguments) {
    const QString exe = QString::fromStdString(std::string(MIRVANO_BINARY_DIR) + "/app/mirvano");
    ProgramRun run;
    if (!std::filesystem::exists(exe.toStdString())) return run;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("APPDATA");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((dir / "config").string()));
    env.insert("LANG", "C");
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(dir.string()));
    process.start(exe, arguments);
    if (!process.waitForFinished(120000)) {
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
    const ProgramRun run = runProgram(dir, {"a.csv", "b.csv", "job.mcf"});
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(readFile(dir / "b.csv"), "NAME,AGE\r\nAnna,31\r\nBert,42\r\n");
    // No settings were saved: the program INI holds only the window geometry.
    const auto ini = iniEntries(dir / "config" / "mirvano" / "MIRVANO.INI");
    ASSERT_EQ(ini.size(), 1u);
    EXPECT_EQ(ini[0].first, "Fenster");
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

}  // namespace
