// The notice boxes as the user sees them: shown on the screen, then measured, grabbed and
// clicked. Run offscreen by ctest; scripts/screenshots.sh runs them on an X server as well.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "platform/gui/dialogs.h"
#include "platform/gui/icon.h"
#include "platform/gui/window.h"
#include "widgets/noticelayout.h"
#include "widgets/textboxmb.h"
#include "widgets/waitbox.h"

using namespace widgets;

QT_BEGIN_NAMESPACE
// Sizes in failure messages as width x height.
inline void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << "x" << s.height(); }
QT_END_NAMESPACE

namespace {

// Waits until the window system has put the window on the screen.
void waitUntilExposed(QWidget* frame) {
    for (int i = 0; i < 200; ++i) {
        QApplication::processEvents();
        if (frame->windowHandle() && frame->windowHandle()->isExposed()) break;
        QThread::msleep(5);
    }
    QApplication::processEvents();
}

// A left click in the middle of a widget, as the mouse gives it.
void click(QWidget* w) {
    const QPointF at = QRectF(w->rect()).center();
    const QPointF global = w->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// Pixels of the grabbed client area that are clearly darker than the background: text.
int inkIn(const QImage& image, const QRect& area) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128) ++n;
    return n;
}

QImage grabClient(const gui::WINDOW& w) { return w.surface()->grab().toImage(); }

// What a shown box looked like, recorded from inside its modal loop.
struct Seen {
    bool visible = false;
    QSize frame, client;
    QImage image;
    QRect firstLine, button;
};

Seen look(gui::DIALOGWINDOW& box, QWidget* line, QWidget* button) {
    Seen s;
    QWidget* frame = box.HANDLE();
    waitUntilExposed(frame);
    s.visible = frame->isVisible();
    s.frame = frame->size();
    s.client = box.surface()->size();
    s.image = grabClient(box);
    if (line) s.firstLine = line->geometry();
    if (button) s.button = button->geometry();
    return s;
}

}  // namespace

TEST(NoticeBoxOnScreen, MessageBoxShowsItsClientAreaAndAnswersARealClick) {
    gui::TOPAPPWINDOW top;
    struct Case {
        std::string text;
        int buttons;
        bool icon;
    };
    const Case cases[] = {
        {"Question?", 0, false},                 // one "Close" button, the width of the row
        {"First line\nsecond, longer line of the text", 3, false},
        {"With an icon", 1, true},
    };
    QPixmap red(gui::kIconSize, gui::kIconSize);
    red.fill(Qt::red);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        rt::Value b[6];
        for (int k = 0; k < c.buttons; ++k) b[k] = rt::Value("B" + std::to_string(k + 1));
        const rt::Value icon = c.icon ? rt::Value(rt::ObjectRef(std::make_shared<gui::ICON>(QIcon(red)))) : rt::Value();
        TEXTBOXMB box(&top, rt::Value("Box"), rt::Value(c.text), rt::Value(), rt::Value(), icon, b[0], b[1], b[2], b[3],
                      b[4], b[5]);
        const NoticeLayout& l = box.layout();
        const int iconPart = c.icon ? gui::kIconSize + 10 : 0;
        const QSize expected(box.wrapWidth() + 20 + iconPart, l.textHeight + 65);
        // The window and client sizes agree before the box is shown...
        EXPECT_EQ(QSize(box.CANVASAREA().SIZE().WIDTH(), box.CANVASAREA().SIZE().HEIGHT()), expected);
        EXPECT_EQ(QSize(box.SIZE().WIDTH(), box.SIZE().HEIGHT()), expected);

        // ... and on the screen; the left-most button is pressed with the mouse.
        QWidget* line = l.lineCtrls.back()->HANDLE();  // line 1, the top one
        QWidget* leftButton = box.buttons().back()->HANDLE();
        Seen seen;
        QTimer::singleShot(0, [&] {
            seen = look(box, line, leftButton);
            click(qobject_cast<QPushButton*>(leftButton));
        });
        const gui::ModalRunner previous = gui::setModalRunner({});
        box.SHOW(0);
        gui::setModalRunner(previous);

        EXPECT_TRUE(seen.visible);
        EXPECT_EQ(seen.client, expected);
        EXPECT_EQ(seen.frame, expected);
        EXPECT_EQ(box.RESULT(), 1);
        EXPECT_FALSE(box.ISVISIBLE());
        // The top line starts at the text's left edge and sits 10 below the top; the
        // buttons stand 10 above the bottom, the last one 10 from the right.
        EXPECT_EQ(seen.firstLine.left(), 10 + iconPart);
        EXPECT_EQ(seen.firstLine.top(), 10);
        EXPECT_EQ(seen.button.bottom(), expected.height() - 1 - 10);
        EXPECT_EQ(box.buttons().front()->HANDLE()->geometry().right(), expected.width() - 1 - 10);
        // Its pixels: text in the first line, the band behind the buttons in its own colour.
        ASSERT_EQ(seen.image.size(), expected);
        EXPECT_GT(inkIn(seen.image, seen.firstLine), 10);
        const QRgb band = seen.image.pixel(2, expected.height() - 3);
        const QRgb window = seen.image.pixel(expected.width() - 3, 3);
        EXPECT_NE(band, window);
        if (c.icon) {
            ASSERT_NE(l.iconCtrl, nullptr);
            EXPECT_EQ(l.iconWidth, gui::kIconSize);
            const QRect iconRect = l.iconCtrl->HANDLE()->geometry();
            EXPECT_EQ(iconRect.left(), 10);
            EXPECT_EQ(seen.image.pixel(iconRect.center()), qRgb(255, 0, 0));
        }
    }
}

TEST(NoticeBoxOnScreen, WaitBoxIsAsSmallAsItsTextWithTheLineInPlace) {
    gui::TOPAPPWINDOW top;
    const std::string text = "The program is offline: no information file.";
    WAITBOX box(&top, rt::Value("MIRVANO"), rt::Value(text), rt::Value(20));
    const NoticeLayout& l = box.layout();
    ASSERT_EQ(l.lines.size(), 1u);
    const QSize expected(l.widestLine + 20, l.lineHeight + 20);
    EXPECT_LT(expected.width(), 400);
    EXPECT_EQ(QSize(box.SIZE().WIDTH(), box.SIZE().HEIGHT()), expected);
    box.SHOW();
    const Seen seen = look(box, l.lineCtrls.front()->HANDLE(), nullptr);
    EXPECT_TRUE(seen.visible);
    EXPECT_EQ(seen.client, expected);
    EXPECT_EQ(seen.frame, expected);
    EXPECT_EQ(box.CAPTION(), "MIRVANO -- 20");
    // The line 10 from the left and from the bottom; its text is drawn there and nowhere else.
    EXPECT_EQ(seen.firstLine.left(), 10);
    EXPECT_EQ(seen.firstLine.bottom(), expected.height() - 1 - 10);
    EXPECT_GT(inkIn(seen.image, seen.firstLine), 20);
    EXPECT_EQ(inkIn(seen.image, QRect(0, 0, expected.width(), 8)), 0);
    // Closing it with the caption's close button ends the box.
    box.HANDLE()->close();
    QApplication::processEvents();
    EXPECT_FALSE(box.ISVISIBLE());
}

TEST(NoticeBoxOnScreen, AWordLongerThanTheTokenBufferIsKeptWhole) {
    gui::TOPAPPWINDOW top;
    const std::string word(3000, 'x');
    WAITBOX box(&top, rt::Value(), rt::Value("before " + word + " after words here"), rt::Value(), rt::Value(400));
    EXPECT_EQ(box.layout().lines, (std::vector<std::string>{"before ", word, "after words here "}));
    ASSERT_EQ(box.layout().lineCtrls.size(), 3u);
    EXPECT_EQ(box.layout().lineCtrls[1]->CAPTION(), word);
}

TEST(NoticeBoxOnScreen, ALoneLineFeedInACrLfTextStaysOnItsLine) {
    // In a CR LF text a lone LF is part of its paragraph: the line that holds it is shown on
    // one line, the LF as a blank, and measured so.
    gui::TOPAPPWINDOW top;
    struct Case {
        std::string text;
        size_t lineWithLf;  // from 1, the top line
    };
    const Case cases[] = {
        {"Top line\r\nleft part\nright part", 2},
        {"left part\nright part\r\nlast line", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WAITBOX box(&top, rt::Value("Notice"), rt::Value(c.text), rt::Value(), rt::Value(400));
        const NoticeLayout& l = box.layout();
        ASSERT_EQ(l.lines.size(), 2u);
        EXPECT_EQ(l.lines[c.lineWithLf - 1], "left part\nright part ");
        QWidget* line = l.lineCtrls[l.lines.size() - c.lineWithLf]->HANDLE();
        const QFontMetrics metrics = line->fontMetrics();
        EXPECT_EQ(l.lineHeight, metrics.height());
        EXPECT_EQ(QSize(box.CANVASAREA().SIZE().WIDTH(), box.CANVASAREA().SIZE().HEIGHT()).height(),
                  2 * metrics.height() + 20);
        box.SHOW();
        const Seen seen = look(box, line, nullptr);
        ASSERT_TRUE(seen.visible);
        // The words after the LF are drawn on the same line, to the right of those before it.
        const QRect lineRect = seen.firstLine;
        const int before = metrics.horizontalAdvance(QStringLiteral("left part "));
        const int after = metrics.horizontalAdvance(QStringLiteral("left part right part"));
        const QRect rest(lineRect.left() + before, lineRect.top(), after - before, lineRect.height());
        EXPECT_GT(inkIn(seen.image, rest), 20);
        // Nothing is drawn below the line but the next one.
        EXPECT_EQ(inkIn(seen.image, QRect(0, 2 * metrics.height() + 10, seen.client.width(), 10)), 0);
        box.DESTROY();
    }
}
