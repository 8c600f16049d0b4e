// The Unicode edit, the table view's columns, the notice layout and the wait box.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTableWidget>
#include <memory>
#include <string>
#include <vector>

#include "dbf_bytes.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "platform/gui/window.h"
#include "test_env.h"
#include "widgets/datalistview2.h"
#include "widgets/multilineeditw.h"
#include "widgets/noticelayout.h"
#include "widgets/waitbox.h"

using namespace widgets;

namespace {
struct Form {
    gui::TOPAPPWINDOW top;
    gui::DATAWINDOW form{&top};
};

std::string utf16(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) out += char(c & 0xFF), out += char(c >> 8);
    return out;
}
}  // namespace

TEST(UnicodeEdit, TextRoundTripsAsUtf16BytesOddBytesAndNonTextsAreHandled) {
    Form f;
    MULTILINEEDITW mle(&f.form, 200, QRect(0, 0, 300, 200));
    EXPECT_EQ(mle.TEXTVALUE(), "");
    EXPECT_TRUE(mle.ISUNICODE());
    const std::string text = utf16(u"Ωmega € \u4e2d\r\nzweite Zeile \U0001F600");
    mle.TEXTVALUE(text);
    EXPECT_EQ(mle.TEXTVALUE(), text);
    EXPECT_EQ(mle.CURRENTTEXT(), text);

    mle.VALUE(rt::Value(42));  // not a text: nothing changes
    EXPECT_EQ(mle.TEXTVALUE(), text);

    std::string odd = utf16(u"ab");
    odd.push_back('\x63');  // half a unit
    EXPECT_EQ(mle._SETTEXTW(rt::Value(odd)), odd);
    EXPECT_EQ(mle.TEXTVALUE(), utf16(u"ab"));
}

TEST(UnicodeEdit, EveryKindOfLineEndComesBackAsGivenAndBreaksTheLine) {
    Form f;
    f.top.SHOW();
    MULTILINEEDITW mle(&f.form, 200, QRect(0, 0, 300, 200));
    mle.SHOW();
    for (const std::u16string& text : {std::u16string(u"eins\nzwei"), std::u16string(u"eins\rzwei"),
                                       std::u16string(u"eins\r\nzwei"), std::u16string(u"a\n\rb\r\n")}) {
        mle.TEXTVALUE(utf16(text));
        EXPECT_EQ(mle.TEXTVALUE(), utf16(text));
        EXPECT_EQ(mle.textEdit()->document()->blockCount(), text == u"a\n\rb\r\n" ? 4 : 2);
    }
    // Text the user changed comes back with the edit's own line ends.
    mle.TEXTVALUE(utf16(u"eins\nzwei"));
    mle.textEdit()->appendPlainText(QStringLiteral("drei"));
    EXPECT_EQ(mle.TEXTVALUE(), utf16(u"eins\r\nzwei\r\ndrei"));
}

TEST(TableView, ColumnWidthsFollowTheFieldsTheCaptionAndTheFont) {
    const auto dir = mirvano_test::temp_dir("dlv");
    const std::string file = (dir / "kunden.dbf").string();
    std::vector<db::FieldInfo> fields = {
        {"KZ", 'C', 1, 0}, {"CUSTNAME", 'C', 200, 0}, {"BETRAG", 'N', 8, 2},
        {"DATUM", 'D', 8, 0}, {"AKTIV", 'L', 1, 0}, {"A_LONGNAME", 'N', 4, 0},
    };
    ASSERT_TRUE(db::DBCREATE(file, fields));
    auto table = std::make_shared<db::DBSERVER>(file);
    ASSERT_TRUE(table->USED());
    ASSERT_TRUE(table->APPEND());
    table->FIELDPUT(rt::Value("CUSTNAME"), rt::Value("M\xFCller"));  // ANSI text
    table->FIELDPUT(rt::Value("BETRAG"), rt::Value(12.5));
    table->COMMIT();

    Form f;
    DATALISTVIEW2 view(&f.form, 198, QRect(0, 0, 600, 200));
    view.FONT(gui::FONT(gui::FONTANY, 12, "DejaVu Sans"));
    view.SERVER(table);
    ASSERT_EQ(view.COLUMNCOUNT(), 6);

    const QFontMetrics fm(view.tableWidget()->font());
    auto w = [&](const char* s) { return fm.horizontalAdvance(QString::fromLatin1(s)); };
    const int textMix = w("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") + w("abcdefghijklmnopqrstuvwxyz ") * 5 + w("1234567890");
    struct Expect {
        const char* caption;
        int chars;
        int body;
    };
    const Expect expect[] = {
        {"Kz", 4, textMix * 4 / 172},          {"Custname", 50, textMix * 50 / 172},
        {"Betrag", 8, w("1234567890") * 8 / 10}, {"Datum", 8, w("1234567890") * 8 / 10},
        {"Aktiv", 4, w("1234567890") * 4 / 10},  {"A_longname", 4, w("1234567890") * 4 / 10},
    };
    for (int i = 0; i < 6; ++i) {
        const Expect& e = expect[i];
        EXPECT_EQ(view.columns()[size_t(i)].CAPTION(), e.caption);
        EXPECT_EQ(view.columns()[size_t(i)].WIDTH(), e.chars) << e.caption;
        const int caption = w(e.caption);
        EXPECT_EQ(view.columnPixelWidth(i + 1), caption > e.body ? caption + 15 : e.body + 20) << e.caption;
    }
    EXPECT_EQ(view.rowCount(), 1);
    EXPECT_EQ(view.cellText(1, 2), "Müller");
    EXPECT_EQ(view.cellText(1, 3), "12.50");

    const int layouts = view.layoutCount();
    view.FONT(gui::FONT(gui::FONTANY, 12, "DejaVu Sans"));  // the same font again
    EXPECT_EQ(view.layoutCount(), layouts);
    view.FONT(std::nullopt);  // the default font lays out anew
    EXPECT_EQ(view.layoutCount(), layouts + 1);

    table->CLOSE();  // closing the input empties its view
    EXPECT_EQ(view.COLUMNCOUNT(), 0);
    EXPECT_EQ(view.rowCount(), 0);
}

// Tables of other countries' code pages show their own letters, in either character-set mode
// of the program, and so does one whose text a run has asked for in UTF-8.
TEST(TableView, ATableShowsTheLettersOfItsOwnCodePage) {
    struct Case {
        const char* what;
        unsigned char ldid;
        std::string bytes;
        bool ansi;
        unsigned textCodePage;
        const char* shown;
    };
    const Case cases[] = {
        {"Cyrillic Windows", 0xC9, "\xC8\xE2\xE0\xED", true, 0, "Иван"},
        {"Greek Windows", 0xCB, "\xC1\xE8\xDE\xED\xE1", true, 0, "Αθήνα"},
        {"Cyrillic DOS", 0x65, "\x88\xA2\xA0\xAD", false, 0, "Иван"},
        {"German DOS in ANSI mode", 0x02, "M\x81ller", true, 0, "Müller"},
        {"Western Windows in OEM mode", 0x57, "M\xFCller", false, 0, "Müller"},
        {"Cyrillic Windows as UTF-8", 0xC9, "\xC8\xE2\xE0\xED", true, 65001, "Иван"},
    };
    const bool ansi = rt::IsAnsi();
    const auto dir = mirvano_test::temp_dir("dlv-pages");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rt::SetAnsi(c.ansi);
        const std::string file = (dir / "t.dbf").string();
        std::string record = " " + c.bytes;
        record.resize(11, ' ');
        mirvano_test::writeAll(file, dbf_bytes::table(0x03, c.ldid, {{"NAME", 'C', 10, 0}}, {record}));
        auto table = std::make_shared<db::DBSERVER>(file, true, true);
        ASSERT_TRUE(table->USED());
        if (c.textCodePage) ASSERT_TRUE(table->setTextCodePage(c.textCodePage));
        Form f;
        DATALISTVIEW2 view(&f.form, 198, QRect(0, 0, 400, 100));
        view.SERVER(table);
        EXPECT_EQ(view.cellText(1, 1), c.shown);
        table->CLOSE();
    }
    rt::SetAnsi(ansi);
}

TEST(TableView, ANewFontWithRescaleResizesTheViewInStepWithItsCharacters) {
    Form f;
    f.top.SHOW();
    DATALISTVIEW2 view(&f.form, 198, QRect(20, 30, 600, 200));
    view.SHOW();
    view.FONT(gui::FONT(gui::FONTANY, 10, "DejaVu Sans"));
    const QRect start = view.HANDLE()->geometry();
    ASSERT_EQ(start.size(), QSize(600, 200));
    struct Case {
        gui::FONT font;
        bool rescale;
    };
    const Case cases[] = {
        {gui::FONT(gui::FONTANY, 20, "DejaVu Sans"), true},
        {gui::FONT(gui::FONTANY, 8, "Liberation Mono"), false},  // the size stays
        {gui::FONT(gui::FONTANY, 12, "Liberation Serif"), true},
    };
    for (const Case& c : cases) {
        const QWidget* w = view.HANDLE();
        const QRect before = w->geometry();
        const QFontMetrics from(view.tableWidget()->font()), to(c.font.qfont());
        view.FONT(c.font, c.rescale);
        const QSize expected = c.rescale ? QSize(qRound(double(before.width()) * to.averageCharWidth() / from.averageCharWidth()),
                                                 qRound(double(before.height()) * to.height() / from.height()))
                                         : before.size();
        EXPECT_EQ(w->geometry().size(), expected) << c.font.FONTFACENAME();
        EXPECT_EQ(w->geometry().topLeft(), start.topLeft());  // the view grows from its top-left corner
    }
    EXPECT_NE(view.HANDLE()->size(), start.size());
}

TEST(NoticeLayout, TokensParagraphsAndTruncation) {
    const std::string s = "  ab,,cd ";
    EXPECT_EQ(FASTTOKENWHITECOUNT3(s, ", ", 1), "ab");
    EXPECT_EQ(FASTTOKENWHITECOUNT3(s, ", ", 2), "cd");
    EXPECT_EQ(FASTTOKENWHITECOUNT3(s, ", ", 3), "");
    EXPECT_EQ(FASTTOKENWHITECOUNT3(s, ", ", 0), "");
    EXPECT_EQ(FASTTOKENWHITECOUNT3(std::string(2049, 'x'), " ", 1), "");
    EXPECT_EQ(INTEG(2.7), 2);
    EXPECT_EQ(INTEG(-2.7), -2);
    EXPECT_EQ(INTEG(-0.5), 0);
    EXPECT_EQ(noticeParagraphs("A\r\nB\nC"), (std::vector<std::string>{"A", "B\nC"}));
    EXPECT_EQ(noticeParagraphs("A\n\nB"), (std::vector<std::string>{"A", "", "B"}));
}

TEST(WaitBox, WrapsCountsDownAndCloses) {
    Form f;
    struct Case {
        rt::Value caption, ticks;
        std::vector<std::string> captions;  // after INIT, then after each tick but the last
        int limit;
    };
    const Case cases[] = {
        {rt::Value("Title"), rt::Value(3), {"Title -- 3", "Title -- 2", "Title -- 1"}, 3},
        {rt::Value(), rt::Value(2), {"2", "1"}, 2},
        {rt::Value("Title"), rt::Value(), {"Title"}, 0},
        {rt::Value(), rt::Value(-5), {"0"}, 0},
        {rt::Value(), rt::Value("x"), {"0"}, 0},
    };
    for (const Case& c : cases) {
        WAITBOX box(&f.top, c.caption, rt::Value(), c.ticks);
        EXPECT_EQ(box.tickLimit(), c.limit);
        EXPECT_EQ(box.timerRegistered(), c.limit > 0);
        box.SHOW();
        EXPECT_EQ(box.CAPTION(), c.captions[0]);
        for (size_t i = 1; i < c.captions.size(); ++i) {
            box.TIMER();
            EXPECT_EQ(box.CAPTION(), c.captions[i]);
        }
        if (c.limit > 0) {
            box.TIMER();
            EXPECT_TRUE(box.isEnded());
            EXPECT_FALSE(box.ISVISIBLE());
        }
    }

    // No text: "Wait!" on one line, measured with its trailing blank.
    WAITBOX plain(&f.top);
    ASSERT_EQ(plain.layout().lines, std::vector<std::string>{"Wait! "});
    EXPECT_EQ(plain.layout().widestLine, plain.SIZETEXT("Wait! ").WIDTH());
    EXPECT_EQ(plain.layout().lineControlWidth, plain.layout().widestLine + 300);

    // Blanks collapse; the line controls stack upward from y 10.
    WAITBOX two(&f.top, rt::Value(), rt::Value("   Hello    world  \nsecond"), rt::Value(), rt::Value(50));
    const auto& l = two.layout();
    ASSERT_EQ(l.lines, (std::vector<std::string>{"Hello world ", "second "}));
    ASSERT_EQ(l.lineCtrls.size(), 2u);
    EXPECT_EQ(l.lineCtrls[0]->CONTROLID(), 1232);
    EXPECT_EQ(l.lineCtrls[0]->ORIGIN().Y(), 10);
    EXPECT_EQ(l.lineCtrls[1]->CONTROLID(), 1231);
    EXPECT_EQ(l.lineCtrls[1]->ORIGIN().Y(), 10 + l.lineHeight);
    EXPECT_EQ(l.lineCtrls[1]->CAPTION(), "Hello world ");
    // A width below 100 wraps at 100: no line but a lone word is wider.
    WAITBOX narrow(&f.top, rt::Value(), rt::Value("one two three four five six seven eight nine ten"), rt::Value(),
                   rt::Value(50));
    EXPECT_GT(narrow.layout().lines.size(), 2u);
    for (const std::string& line : narrow.layout().lines) {
        std::string bare = line.substr(0, line.size() - 1);
        EXPECT_LE(narrow.SIZETEXT(bare).WIDTH(), 100) << line;
    }
}

TEST(WaitBox, OverlongWordStandsAloneAndEndsItsParagraphWithAnEmptyLine) {
    Form f;
    const std::string longWord(60, 'W');
    WAITBOX box(&f.top, rt::Value(), rt::Value("a " + longWord), rt::Value(), rt::Value(100));
    EXPECT_EQ(box.layout().lines, (std::vector<std::string>{"a ", longWord, ""}));
}
