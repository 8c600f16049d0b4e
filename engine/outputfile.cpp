#include "engine/outputfile.h"

#include <QFileDialog>
#include <QString>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace engine {

namespace fs = std::filesystem;

namespace {

bool isTable(const std::string& path) {
    fs::path p(path);
    std::string ext = p.extension().string();
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".dbf";
}

std::string memoOf(const std::string& table) { return fs::path(table).replace_extension(".dbt").string(); }

SaveDialogChooser& chooser() {
    static SaveDialogChooser c;
    return c;
}

}  // namespace

std::string replacementName(const std::string& path) {
    fs::path p(path);
    if (isTable(path)) return (p.parent_path() / (p.stem().string() + ".~mirvano" + p.extension().string())).string();
    return (p.parent_path() / (p.filename().string() + ".~mirvano")).string();
}

bool commitReplacement(const std::string& temp, const std::string& path, std::string* error) {
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    if (isTable(path)) {
        std::error_code ec;
        std::string tempMemo = memoOf(temp), memo = memoOf(path);
        if (fs::exists(tempMemo, ec)) {
            if (std::rename(tempMemo.c_str(), memo.c_str()) != 0) {
                if (error) *error = std::strerror(errno);
                return false;
            }
        } else {
            fs::remove(memo, ec);
        }
    }
    return true;
}

void discardReplacement(const std::string& temp) {
    std::error_code ec;
    fs::remove(temp, ec);
    if (isTable(temp)) fs::remove(memoOf(temp), ec);
}

SaveDialogChooser setSaveDialogChooser(SaveDialogChooser c) {
    SaveDialogChooser previous = std::move(chooser());
    chooser() = std::move(c);
    return previous;
}

std::string runSaveDialog(const SaveDialogRequest& r) {
    if (chooser()) return chooser()(r);
    QString filter = QString::fromStdString(r.typeText + " (" + r.pattern + ");;" + r.allText + " (*.*)");
    QString start = QString::fromStdString((fs::path(r.initialDir) / r.initialName).string());
    QFileDialog::Options options;
    if (!r.overwritePrompt) options |= QFileDialog::DontConfirmOverwrite;
    QString chosen = QFileDialog::getSaveFileName(nullptr, QString::fromStdString(r.caption), start, filter, nullptr, options);
    return chosen.toStdString();
}

}  // namespace engine
