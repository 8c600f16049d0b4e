#include <gtest/gtest.h>

#include <QWidget>
#include <string>
#include <vector>

#include "functions/sounds.h"
#include "functions/windows.h"
#include "platform/win/sound.h"

namespace {

TEST(Sounds, AliasesGoToTheSinkByName) {
    std::vector<std::string> heard;
    auto previous = win::SetSoundSink([&](const std::string& name) { heard.push_back(name); });
    EXPECT_EQ(TON("SystemHand"), 0);
    TON("SystemExclamation");
    TON("SystemAsterisk");
    TON();
    TON(rt::Value(42));
    TON("NoSuchAlias");
    win::SetSoundSink(previous);
    EXPECT_EQ(heard, (std::vector<std::string>{"error", "warning", "information", "warning", "warning", "bell"}));
}

TEST(Monitors, SizesAndCentring) {
    // The test screen is one 1280 x 1024 monitor.
    EXPECT_EQ(GETFIRSTMONITORWIDTH(), 1280);
    EXPECT_EQ(GETFIRSTMONITORHEIGHT(), 1024);
    EXPECT_EQ(GETMONITORWIDTH(), GETFIRSTMONITORWIDTH());
    EXPECT_EQ(GETMONITORHEIGHT(), GETFIRSTMONITORHEIGHT());

    QWidget window;
    window.resize(301, 200);
    FENZENTRIEREN(&window);
    const QSize frame = window.frameGeometry().size();
    EXPECT_EQ(window.frameGeometry().topLeft(),
              QPoint(640 - (frame.width() >> 1), 512 - (frame.height() >> 1)));
    EXPECT_EQ(window.size(), QSize(301, 200));
    FENZENTRIEREN(nullptr);
}

}  // namespace
