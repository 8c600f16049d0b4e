#pragma once
// The program's windows as the start-up makes them, in a temporary data directory.
#include <QApplication>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/dtamirvano.h"
#include "platform/gui/application.h"
#include "test_env.h"
#include "ui/globals.h"
#include "ui/winshell.h"

namespace apptest {

// The shell and the main window over a fresh data directory; the main window is built with
// the given command-line arguments.
struct Program {
    explicit Program(const std::string& tag) : dir(mirvano_test::temp_dir(tag)) { ui::gcPfad = dir.string() + "/"; }
    ~Program() {
        form.reset();
        shell.reset();
        ui::gcPfad.clear();
    }
    void start(const std::vector<std::string>& arguments = {}) {
        shell = std::make_unique<ui::WINSHELL>(&app);
        shell->SHOW();
        QApplication::processEvents();
        form = std::make_unique<ui::DTAMIRVANO>(shell.get());
        form->INIT(arguments);
        QApplication::processEvents();
    }
    std::string ini() const { return (dir / "MIRVANO.INI").string(); }

    std::filesystem::path dir;
    gui::APPLICATION app;
    std::unique_ptr<ui::WINSHELL> shell;
    std::unique_ptr<ui::DTAMIRVANO> form;
};

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The keys of a settings file in file order with their values.
inline std::vector<std::pair<std::string, std::string>> iniEntries(const std::filesystem::path& path) {
    std::vector<std::pair<std::string, std::string>> out;
    std::istringstream in(readFile(path));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t eq = line.find('=');
        if (eq == std::string::npos || line.empty() || line[0] == '[') continue;
        out.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return out;
}

inline std::string entry(const std::vector<std::pair<std::string, std::string>>& entries, const std::string& key) {
    for (const auto& [k, v] : entries)
        if (k == key) return v;
    return "<missing>";
}

}  // namespace apptest
