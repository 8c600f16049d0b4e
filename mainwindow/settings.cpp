#include "mainwindow/settings.h"

#include <QFileDialog>
#include <QString>
#include <filesystem>


namespace ui {

namespace {
SettingsDialogChooser& chooser() {
    static SettingsDialogChooser c;
    return c;
}

std::string lowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}
}  // namespace

const std::vector<std::string>& settingsKeys() {
    static const std::vector<std::string> keys = {
        "ProgIdent",       "Language",           "InputFile",         "OutputFile",       "MultiFile",
        "ConcatFile",      "ConfigFile",         "FontProportPitch",  "FontFixedPitch",   "ToolTip",
        "FileFormatIn",    "CharacterSetIn",     "DecimalSeparatorIn", "CsvSeparatorIn",  "CsvFieldFrameIn",
        "HeaderLineIn",    "SdfOptiBlankIn",     "FieldLengthsIn",    "FieldLenStrIn",    "FileFormatOut",
        "CharacterSetOut", "DecimalSeparatorOut", "CsvSeparatorOut",  "CsvFieldFrameOut", "HeaderLineOut",
        "SqlScriptOut",    "SdfOptOut",          "SdfBlankOut",       "FileHandling",     "SortConditionUse",
        "SortConditionGroup", "FieldFilterUse",  "FieldFilterGroup",  "RecordFilterUse",  "RecordFilterPhrase",
    };
    return keys;
}

SettingsDialogChooser setSettingsDialogChooser(SettingsDialogChooser c) {
    SettingsDialogChooser old = std::move(chooser());
    chooser() = std::move(c);
    return old;
}

std::string runSettingsDialog(const SettingsDialogRequest& r) {
    if (chooser()) return chooser()(r);
    const QString filter = QString::fromStdString(r.typeText + " (*.mcf)");
    if (r.save) {
        const QString start = QString::fromStdString((std::filesystem::path(r.initialDir) / r.initialName).string());
        QFileDialog dialog(nullptr, QString::fromStdString(r.caption), start, filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // The dialog adds the extension before it asks whether to replace a file, so the
        // question is about the file that is written.
        dialog.setDefaultSuffix(QStringLiteral("mcf"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        return dialog.selectedFiles().front().toStdString();
    }
    return QFileDialog::getOpenFileName(nullptr, QString::fromStdString(r.caption), QString::fromStdString(r.initialDir),
                                        filter)
        .toStdString();
}

size_t selectKeyword(const std::string& value, const std::vector<std::string>& keywords, size_t fallback) {
    const std::string lower = lowerAscii(value);
    for (size_t i = 0; i < keywords.size(); ++i)
        if (lower.find(keywords[i]) != std::string::npos) return i;
    return fallback;
}

}  // namespace ui
