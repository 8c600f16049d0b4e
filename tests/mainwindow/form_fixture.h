#pragma once
// A main data window on a shell with its status bar, every option family at its first
// member: the start of the tests that drive the engine through the form.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "mainwindow/dtamirvano.h"
#include "platform/gui/controls.h"
#include "platform/gui/window.h"
#include "platform/runtime/settings.h"
#include "test_env.h"
#include "ui/globals.h"
#include "widgets/statusbar2.h"

class FormFixture : public ::testing::Test {
protected:
    // Builds shell, status bar and form in English, with a fresh temporary directory.
    void startForm(const std::string& tag) {
        ui::gbSprache = 2;
        rt::SetAnsi(true);
        rt::SetDeleted(true);
        shell = std::make_unique<gui::TOPAPPWINDOW>();
        bar = std::make_unique<widgets::STATUSBAR2>(shell.get());
        shell->STATUSBAR(bar.get());
        ui::goShell = shell.get();
        form = std::make_unique<ui::DTAMIRVANO>(shell.get());
        form->INITSPRACHE();
        form->SETSPRACHE(ui::gbSprache);
        dir = mirvano_test::temp_dir(tag);
        for (const ui::RadioFamily& family : ui::optionFamilies())
            for (size_t i = 0; i < family.members.size(); ++i) press(family.members[i].button, i == 0);
    }
    void TearDown() override {
        form->CLOSEINPUT();
        form->CLOSEOUTPUT();
        form.reset();
        ui::goShell = nullptr;
        shell->STATUSBAR(nullptr);
        bar.reset();
        shell.reset();
    }

    gui::RADIOBUTTON* radio(const std::string& name) { return dynamic_cast<gui::RADIOBUTTON*>(form->formControl(name)); }
    // Presses a family member and sets its flag, the family's other flags falling.
    void press(const std::string& button, bool on) {
        for (const ui::RadioFamily& family : ui::optionFamilies())
            for (const auto& m : family.members)
                if (m.button == button) {
                    if (on)
                        for (const auto& other : family.members) form.get()->*other.flag = false;
                    form.get()->*m.flag = on;
                    if (on) radio(button)->PRESSED(true);
                }
    }
    void format(bool input, const std::string& kind) {
        press(std::string("RADIO") + kind + (input ? "IN" : "OUT"), true);
        if (kind == "DBF") press(input ? "RADIOANSIIN" : "RADIOANSIOUT", true);
    }
    bool open(const std::filesystem::path& input) {
        form->cCmdFileIn = input.string();
        form->BUTDATEIOEFFNEN();
        return form->lInOpen;
    }
    void write(const std::filesystem::path& output) {
        form->cCmdFileOut = output.string();
        form->BUTDATEISPEICHERN();
    }

    std::unique_ptr<gui::TOPAPPWINDOW> shell;
    std::unique_ptr<widgets::STATUSBAR2> bar;
    std::unique_ptr<ui::DTAMIRVANO> form;
    std::filesystem::path dir;
};
