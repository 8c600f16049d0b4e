#pragma once
// Running the built program as a batch on files in a test directory, and reading a dBase
// output back with the outside tools.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "test_env.h"

namespace batch_test {

inline std::filesystem::path program() { return std::filesystem::path(MIRVANO_BINARY_DIR) / "app" / "mirvano"; }

// The shell command that runs `mirvano in out job` in `dir` with its own home; standard output
// and error go to `log` (`errOnly`: only standard error, output to dir/out). `prefix` goes in
// front of the program (another user, for one).
inline std::string batchCommand(const std::filesystem::path& dir, const std::string& in, const std::string& out,
                                const std::string& job, bool errOnly = false,
                                const std::filesystem::path& logFile = {}, const std::string& prefix = {}) {
    std::filesystem::create_directories(dir / "home");
    const std::string log = "'" + (logFile.empty() ? dir / "log" : logFile).string() + "'";
    return "cd '" + dir.string() + "' && " + prefix + " env -u XDG_RUNTIME_DIR HOME='" + (dir / "home").string() +
           "' QT_QPA_PLATFORM=offscreen '" + program().string() + "' '" + in + "' '" + out + "' '" + job + "' " +
           (errOnly ? ">'" + (dir / "out").string() + "' 2>" + log : ">" + log + " 2>&1");
}

inline int exitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// Runs `mirvano in out job` in `dir` with its own home; standard output and error go to
// dir/log (`errOnly`: only standard error, output to dir/out). Returns the exit status.
inline int runBatch(const std::filesystem::path& dir, const std::string& in, const std::string& out,
                    const std::string& job, bool errOnly = false) {
    return exitStatus(std::system(batchCommand(dir, in, out, job, errOnly).c_str()));
}

// Starts a shell command without waiting for it; `finish` waits and gives its exit status.
inline pid_t start(const std::string& cmd) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

inline int finish(pid_t pid) {
    int status = 0;
    if (pid <= 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    return exitStatus(status);
}

inline std::string command(const std::string& cmd) {
    std::string out;
    FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
    char buf[4096];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    if (p) ::pclose(p);
    return out;
}

// The structure, then one line per record, as python3-dbfread reads the table.
inline std::string dbfread(const std::filesystem::path& table) {
    return command("/usr/bin/python3 -c \"import dbfread,sys\n"
                   "t=dbfread.DBF(sys.argv[1],encoding='cp1252',char_decode_errors='strict')\n"
                   "print([(f.name,f.type,f.length,f.decimal_count) for f in t.fields])\n"
                   "[print(list(r.values())) for r in t]\" '" +
                   table.string() + "'");
}

// Settings keys and their values, written into a settings file in this order.
using Keys = std::vector<std::pair<std::string, std::string>>;

// A settings file for a batch in English that overwrites its output: `keys` first (the first
// of a name counts), then `defaults`.
inline std::string settings(const Keys& keys, const Keys& defaults = {}) {
    std::string s = "[Config]\r\nProgIdent=mirvano\r\nLanguage=english\r\nFileHandling=overwrite\r\n";
    for (const Keys* list : {&keys, &defaults})
        for (const auto& [k, v] : *list) s += k + "=" + v + "\r\n";
    return s;
}

inline Keys operator+(Keys a, const Keys& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A semicolon CSV input in ANSI with a header line, strings framed in quotes.
inline const Keys kCsvIn = {{"FileFormatIn", "csv"},    {"CharacterSetIn", "ansi"},    {"DecimalSeparatorIn", "dot"},
                            {"CsvSeparatorIn", "semi"}, {"CsvFieldFrameIn", "string"}, {"HeaderLineIn", "yes"}};
inline const Keys kDbfOut = {{"FileFormatOut", "dbf"}, {"CharacterSetOut", "ansi"}};

struct Converted {
    int status;
    std::string log;
};

// Writes `input` and the settings into `dir`, converts it and returns the exit status and
// the log; a former output of the same name is removed first.
inline Converted convert(const std::filesystem::path& dir, const std::string& inName, const std::string& input,
                         const std::string& outName, const std::string& settingsText) {
    mirvano_test::writeAll(dir / inName, input);
    mirvano_test::writeAll(dir / "job.mcf", settingsText);
    std::filesystem::remove(dir / outName);
    const int status = runBatch(dir, inName, outName, (dir / "job.mcf").string());
    return {status, mirvano_test::readAll(dir / "log")};
}

inline bool haveDbfread() { return std::system("/usr/bin/python3 -c 'import dbfread' >/dev/null 2>&1") == 0; }
// The built program and dbfread to read its tables back.
inline bool ready() { return std::filesystem::exists(program()) && haveDbfread(); }
inline bool haveOgrinfo() { return std::system("ogrinfo --version >/dev/null 2>&1") == 0; }

}  // namespace batch_test
