#include "mainwindow/filedialogs.h"

#include "widgets/opensavedialog.h"

namespace ui {

namespace {

OpenDialogChooser& openChooser() {
    static OpenDialogChooser c;
    return c;
}

SaveDialogChooser& saveChooser() {
    static SaveDialogChooser c;
    return c;
}

MultiOpenDialogChooser& multiOpenChooser() {
    static MultiOpenDialogChooser c;
    return c;
}

}  // namespace

OpenDialogChooser setOpenDialogChooser(OpenDialogChooser c) {
    OpenDialogChooser old = std::move(openChooser());
    openChooser() = std::move(c);
    return old;
}

std::string runOpenDialog(const OpenDialogRequest& r) {
    if (openChooser())
        return openChooser()(r);
    widgets::OPENSAVEDIALOG dialog(r.owner, r.initialName, rt::Value(true));
    dialog.SETSTYLE(widgets::OFN_HIDEREADONLY, true);
    dialog.SETSTYLE(widgets::OFN_SHOWHELP, false);
    dialog.CAPTION(r.caption);
    dialog.INITIALDIRECTORY(r.initialDir);
    dialog.SETFILTER({r.pattern, "*.*"}, {r.typeText, r.allText}, 1);
    if (!dialog.SHOW())
        return {};
    const rt::Value& name = dialog.FILENAME();
    return name.isString() ? name.str() : std::string();
}

SaveDialogChooser setSaveDialogChooser(SaveDialogChooser c) {
    SaveDialogChooser previous = std::move(saveChooser());
    saveChooser() = std::move(c);
    return previous;
}

std::string runSaveDialog(const SaveDialogRequest& r) {
    if (saveChooser()) return saveChooser()(r);
    widgets::OPENSAVEDIALOG dialog(r.owner, r.initialName, rt::Value(false));
    dialog.SETSTYLE(widgets::OFN_HIDEREADONLY, true);
    dialog.SETSTYLE(widgets::OFN_SHOWHELP, false);
    dialog.SETSTYLE(widgets::OFN_OVERWRITEPROMPT, r.overwritePrompt);
    dialog.CAPTION(r.caption);
    dialog.INITIALDIRECTORY(r.initialDir);
    dialog.SETFILTER({r.pattern, "*.*"}, {r.typeText, r.allText}, 1);
    if (!dialog.SHOW()) return {};
    const rt::Value& name = dialog.FILENAME();
    return name.isString() ? name.str() : std::string();
}

MultiOpenDialogChooser setMultiOpenDialogChooser(MultiOpenDialogChooser c) {
    MultiOpenDialogChooser previous = std::move(multiOpenChooser());
    multiOpenChooser() = std::move(c);
    return previous;
}

std::vector<std::string> runMultiOpenDialog(const MultiOpenDialogRequest& r) {
    if (multiOpenChooser()) return multiOpenChooser()(r);
    widgets::OPENSAVEDIALOG dialog(r.owner, r.pattern, rt::Value(true));
    // Its Help button explains the append button.
    dialog.SETSTYLE(widgets::OFN_HIDEREADONLY | widgets::OFN_SHOWHELP | widgets::OFN_ALLOWMULTISELECT, true);
    dialog.CAPTION(r.caption);
    dialog.INITIALDIRECTORY(r.initialDir);
    dialog.SETFILTER({r.pattern}, {r.typeText}, 1);
    std::vector<std::string> out;
    if (!dialog.SHOW()) return out;
    const rt::Value& chosen = dialog.FILENAME();
    if (chosen.isString()) {
        out.push_back(chosen.str());
    } else if (chosen.isArray()) {
        for (size_t i = 1; i <= chosen.len(); ++i)
            if (chosen.at(i).isString()) out.push_back(chosen.at(i).str());
    }
    return out;
}

}  // namespace ui
