// Outputs that cannot be written: a full device, a directory removed during the run, a
// directory standing where the file should be. Each is an error, the success message with
// its count never appears, nothing half-written is left, and a batch ends non-zero.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <tuple>
#include <fstream>
#include <memory>
#include <sstream>
#include <sys/stat.h>

#include "engine/report.h"
#include "form_fixture.h"
#include "mainwindow/dtamirvano.h"
#include "platform/gui/controls.h"
#include "platform/gui/window.h"
#include "platform/runtime/settings.h"
#include "test_env.h"
#include "ui/globals.h"
#include "widgets/statusbar2.h"

namespace fs = std::filesystem;
using engine::ReportKind;

namespace {

using mirvano_test::readAll;
using mirvano_test::writeAll;


bool isCharDevice(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISCHR(st.st_mode);
}

// Enough records that the run processes window events on its way, where the test acts.
std::string bigCsv() {
    std::string s = "NAME;AMOUNT\r\n";
    for (int i = 0; i < 100000; ++i) s += "\"row\";1,5\r\n";
    return s;
}

class WriteFailures : public FormFixture {
protected:
    void SetUp() override {
        startForm("write-failures");
        press("RADIOCSVIN", true);
        press("RADIOKOMMAIN", true);
        form->lInHeader = true;
        writeAll(dir / "in.csv", bigCsv());
    }

};

}  // namespace

TEST_F(WriteFailures, EveryUnwritableOutputIsAnErrorWithoutTheSuccessMessage) {
    struct Case {
        const char* what;
        const char* format;             // output radio button
        fs::path output;
        std::function<void()> prepare;  // before the write
        std::function<void()> during;   // at the run's first event pump
    };
    const fs::path gone = dir / "gone";
    const Case cases[] = {
        {"CSV onto the full device", "RADIOCSVOUT", "/dev/full", [] {}, [] {}},
        {"dBase table onto the full device", "RADIODBFOUT", "/dev/full", [] {}, [] {}},
        {"CSV into a directory removed during the run", "RADIOCSVOUT", gone / "out.csv",
         [&] { fs::create_directories(gone); }, [&] { fs::remove_all(gone); }},
        {"dBase table into a directory removed during the run", "RADIODBFOUT", gone / "out.dbf",
         [&] { fs::create_directories(gone); }, [&] { fs::remove_all(gone); }},
        {"CSV replacing a file whose directory is removed during the run", "RADIOCSVOUT", gone / "old.csv",
         [&] {
             fs::create_directories(gone);
             writeAll(gone / "old.csv", "old\r\n");
         },
         [&] { fs::remove_all(gone); }},
        {"a directory stands where the CSV file should be", "RADIOCSVOUT", dir / "taken.csv",
         [&] { fs::create_directories(dir / "taken.csv" / "inside"); }, [] {}},
        {"a directory stands where the table should be", "RADIODBFOUT", dir / "taken.dbf",
         [&] { fs::create_directories(dir / "taken.dbf" / "inside"); }, [] {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.output.string().rfind("/dev/", 0) == 0 && !isCharDevice(c.output.c_str())) {
            ADD_FAILURE() << c.output << " is not there as a device";
            continue;
        }
        press(c.format, true);
        if (std::string(c.format) == "RADIODBFOUT") press("RADIOANSIOUT", true);
        form->cCmdFileIn = (dir / "in.csv").string();
        form->BUTDATEIOEFFNEN();
        ASSERT_TRUE(form->lInOpen);
        c.prepare();
        engine::ReportRecorder rec;
        QTimer::singleShot(0, [&c] { c.during(); });
        form->cCmdFileOut = c.output.string();
        form->BUTDATEISPEICHERN();
        QCoreApplication::processEvents();  // the timer has fired by now in any case

        EXPECT_FALSE(form->lLastWriteOk);
        EXPECT_FALSE(form->lOutOpen);
        EXPECT_NE(rec.lastError(), "") << "the failure is reported";
        const auto sounds = rec.of(ReportKind::Sound);
        EXPECT_TRUE(!sounds.empty() && sounds.back() == "SystemHand");
        for (const auto& t : rec.of(ReportKind::Transient))
            EXPECT_EQ(t.find("data records converted"), std::string::npos) << t;
        // Nothing half-written stays behind, and nothing was put in the place of the device
        // or the directory.
        for (const auto& e : fs::directory_iterator(dir))
            EXPECT_EQ(e.path().filename().string().find("~mirvano"), std::string::npos) << e.path();
        EXPECT_TRUE(isCharDevice("/dev/full"));
        EXPECT_FALSE(fs::exists("/dev/full.~mirvano"));
        if (c.output.parent_path() == dir) {
            EXPECT_TRUE(fs::is_directory(c.output / "inside"));
        }
        fs::remove_all(gone);
    }
}

// A file lost with its directory during the run is told wholly in the form's language.
TEST_F(WriteFailures, AnOutputLostDuringTheRunIsToldInTheFormsLanguage) {
    const fs::path gone = dir / "gone";
    const fs::path output = gone / "out.csv";
    struct Case {
        int language;
        std::string error;
    };
    const Case cases[] = {
        {1, "Fehler beim Schreiben der Datei " + output.string() + " (die Datei ist nicht mehr vorhanden)"},
        {2, "Error when writing the file " + output.string() + " (the file no longer exists)"},
    };
    press("RADIOCSVOUT", true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        ui::gbSprache = static_cast<uint8_t>(c.language);
        form->SETSPRACHE(c.language);
        form->cCmdFileIn = (dir / "in.csv").string();
        form->BUTDATEIOEFFNEN();
        ASSERT_TRUE(form->lInOpen);
        fs::create_directories(gone);
        engine::ReportRecorder rec;
        QTimer::singleShot(0, [&gone] { fs::remove_all(gone); });
        form->cCmdFileOut = output.string();
        form->BUTDATEISPEICHERN();
        QCoreApplication::processEvents();
        EXPECT_FALSE(form->lLastWriteOk);
        EXPECT_EQ(rec.lastError(), c.error);
    }
    ui::gbSprache = 2;
}

TEST(WriteFailuresBatch, AFailedWriteEndsTheBatchNonZero) {
    const std::string exe = std::string(MIRVANO_BINARY_DIR) + "/app/mirvano";
    if (!fs::exists(exe))
        GTEST_SKIP() << "the program is not built in " << MIRVANO_BINARY_DIR;
    const fs::path dir = mirvano_test::temp_dir("write-failures-batch");
    writeAll(dir / "in.csv", "NAME;AGE\nAnna;31\n");
    writeAll(dir / "job.mcf",
             "[Config]\nProgIdent=mirvano\nFileFormatIn=csv\nCsvSeparatorIn=semi\nHeaderLineIn=yes\n"
             "FileFormatOut=csv\nCsvSeparatorOut=comma\nHeaderLineOut=yes\n");
    fs::create_directories(dir / "taken.csv");
    struct Case {
        const char* what;
        std::string output;
    } cases[] = {{"full device", "/dev/full"}, {"directory in the way", "taken.csv"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", QString::fromStdString((dir / "config").string()));
        env.insert("LANG", "C");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QString::fromStdString(dir.string()));
        process.start(QString::fromStdString(exe), {"in.csv", QString::fromStdString(c.output), "job.mcf"});
        ASSERT_TRUE(process.waitForFinished(120000));
        const std::string errors = process.readAllStandardError().toStdString();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_NE(process.exitCode(), 0) << errors;
        EXPECT_EQ(errors.find("data records converted"), std::string::npos) << errors;
        EXPECT_TRUE(isCharDevice("/dev/full"));
        EXPECT_TRUE(fs::is_directory(dir / "taken.csv"));
    }
}

TEST_F(WriteFailures, AMemoThatCannotBeReadStopsTheRunInsteadOfWritingItEmpty) {
    // A FoxPro table of one C and one memo field, two records; the second record's memo block
    // claims more bytes than its file holds.
    auto be32 = [](uint32_t v) {
        return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    };
    std::string dbf = std::string("\xF5\x7E\x0C\x0A", 4) + std::string("\x02\0\0\0", 4) + std::string("\x61\0", 2) +
                      std::string("\x0F\0", 2) + std::string(17, '\0') + '\x03' + std::string(2, '\0');
    for (const auto& [name, type, len] : {std::tuple{"NAME", 'C', 4}, std::tuple{"NOTE", 'M', 10}}) {
        std::string d = name;
        d.resize(11, '\0');
        d += type;
        d += std::string(4, '\0');
        d += static_cast<char>(len);
        d += std::string(15, '\0');
        dbf += d;
    }
    dbf += "\r abcd         8 efgh         9\x1A";
    std::string fpt = be32(10) + std::string(2, '\0') + std::string("\x00\x40", 2) + std::string(504, '\0');
    fpt += be32(1) + be32(5) + "hello" + std::string(51, '\0');  // block 8
    fpt += be32(1) + be32(500) + "cut";                          // block 9, cut short
    writeAll(dir / "memo.dbf", dbf);
    writeAll(dir / "memo.fpt", fpt);

    press("RADIODBFIN", true);
    press("RADIOANSIIN", true);
    press("RADIOCSVOUT", true);
    engine::ReportRecorder rec;
    form->cCmdFileIn = (dir / "memo.dbf").string();
    form->BUTDATEIOEFFNEN();
    ASSERT_TRUE(form->lInOpen) << rec.lastError();
    form->cCmdFileOut = (dir / "memo.csv").string();
    form->BUTDATEISPEICHERN();
    EXPECT_FALSE(form->lLastWriteOk);
    EXPECT_EQ(rec.lastError(), "Error when reading the input file " + (dir / "memo.dbf").string());
    for (const auto& t : rec.of(ReportKind::Transient))
        EXPECT_EQ(t.find("data records converted"), std::string::npos) << t;
    EXPECT_FALSE(fs::exists(dir / "memo.csv")) << "no output with an empty memo in it";
}
