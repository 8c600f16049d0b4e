#pragma once
// The shell window with its status bar and the main data window, as at start-up, with the
// status texts and sounds recorded.
#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "mainwindow/dtamirvano.h"
#include "platform/gui/window.h"
#include "platform/win/sound.h"
#include "ui/globals.h"
#include "widgets/statusbar2.h"

namespace mirvano_test {

struct MainWindow {
    std::unique_ptr<gui::TOPAPPWINDOW> shell;
    std::unique_ptr<widgets::STATUSBAR2> bar;
    std::unique_ptr<ui::DTAMIRVANO> form;
    std::vector<std::string> sounds;
    win::SoundSink previousSink;

    explicit MainWindow(int language = 2) {
        ui::gbSprache = static_cast<uint8_t>(language);
        previousSink = win::SetSoundSink([this](const std::string& s) { sounds.push_back(s); });
        shell = std::make_unique<gui::TOPAPPWINDOW>();
        bar = std::make_unique<widgets::STATUSBAR2>(shell.get());
        bar->DISPLAYMESSAGE(true);
        shell->STATUSBAR(bar.get());
        shell->SIZE(gui::DIMENSION(820, 640));
        ui::goShell = shell.get();
        shell->SHOW();
        QApplication::processEvents();
        form = std::make_unique<ui::DTAMIRVANO>(shell.get());
        form->SHOW();
        form->INITSPRACHE();
        form->SETSPRACHE(language);
        QApplication::processEvents();
    }
    ~MainWindow() {
        form.reset();
        ui::goShell = nullptr;
        shell->STATUSBAR(nullptr);
        bar.reset();
        shell.reset();
        win::SetSoundSink(previousSink);
        ui::gbSprache = 2;
    }
    std::string lastSound() const { return sounds.empty() ? std::string() : sounds.back(); }
};

}  // namespace mirvano_test
