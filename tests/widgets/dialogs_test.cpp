// The file and font dialogs, scripted through the modal runner.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <vector>
#include <functional>
#include <string>

#include "platform/gui/dialogs.h"
#include "platform/gui/window.h"
#include "test_env.h"
#include "widgets/dlgfontsel.h"
#include "widgets/fontstrings.h"
#include "widgets/opensavedialog.h"

using namespace widgets;

namespace {

// Installs a runner for the test's lifetime; the script gets the Qt dialog.
struct Script {
    gui::ModalRunner previous;
    int calls = 0;
    explicit Script(std::function<intptr_t(QDialog*)> fn) {
        previous = gui::setModalRunner([this, fn](const gui::ModalRequest& r) -> intptr_t {
            ++calls;
            return fn(r.qtDialog);
        });
    }
    ~Script() { gui::setModalRunner(previous); }
};

void touch(const std::filesystem::path& p) { std::ofstream(p) << "x"; }

void typeNames(QFileDialog* d, const QString& text) {
    auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(text);
}

}  // namespace

TEST(OpenSaveDialog, MultiSelectGivesFullPathsOneFileAStringCancelAnEmptyString) {
    const auto dir = mirvano_test::temp_dir("osd");
    touch(dir / "a.dbf");
    touch(dir / "b.dbf");
    struct Case {
        QString typed;
        bool accept;
        rt::Value expected;
    };
    const std::string a = (dir / "a.dbf").string(), b = (dir / "b.dbf").string();
    const Case cases[] = {
        {QStringLiteral("\"a.dbf\" \"b.dbf\""), true, rt::Value::array({rt::Value(a), rt::Value(b)})},
        {QStringLiteral("b.dbf"), true, rt::Value(b)},
        {QStringLiteral("a.dbf"), false, rt::Value(std::string())},
    };
    for (const Case& c : cases) {
        OPENSAVEDIALOG dlg(nullptr, "*.dbf", rt::Value(true));
        dlg.SETSTYLE(OFN_ALLOWMULTISELECT);
        dlg.INITIALDIRECTORY(dir.string());
        dlg.SETFILTER({"*.dbf", "*.*"}, {"dBase", "All"}, 1);
        Script s([&](QDialog* d) -> intptr_t {
            auto* fd = qobject_cast<QFileDialog*>(d);
            EXPECT_NE(fd, nullptr);
            EXPECT_TRUE(fd->testOption(QFileDialog::DontUseNativeDialog));
            typeNames(fd, c.typed);
            if (c.accept) return QDialog::Accepted;
            fd->selectNameFilter(fd->nameFilters().at(1));  // the user picked "All" and cancelled
            return QDialog::Rejected;
        });
        EXPECT_EQ(dlg.SHOW(), c.accept) << c.typed.toStdString();
        EXPECT_EQ(s.calls, 1);
        const rt::Value& got = dlg.FILENAME();
        ASSERT_EQ(got.type(), c.expected.type()) << c.typed.toStdString();
        if (got.isArray()) {
            ASSERT_EQ(got.len(), c.expected.len());
            for (size_t i = 1; i <= got.len(); ++i) EXPECT_EQ(got.at(i).str(), c.expected.at(i).str());
        } else {
            EXPECT_EQ(got.str(), c.expected.str());
        }
        if (!c.accept) {
            EXPECT_EQ(dlg.FILTERINDEX(), 2);
        }
    }
}

TEST(OpenSaveDialog, FiltersIgnoreLetterCase) {
    const auto dir = mirvano_test::temp_dir("osdcase");
    touch(dir / "DATA.DBF");
    touch(dir / "notes.txt");
    OPENSAVEDIALOG dlg(nullptr, "*.dbf", rt::Value(true));
    dlg.INITIALDIRECTORY(dir.string());
    dlg.SETFILTER({"*.dbf"}, {"dBase"});
    bool listed = false, otherHidden = false;
    Script s([&](QDialog* d) -> intptr_t {
        auto* fd = qobject_cast<QFileDialog*>(d);
        auto* model = fd->findChild<QFileSystemModel*>();
        EXPECT_NE(model, nullptr);
        if (!model) return 0;
        model->setNameFilterDisables(false);
        // The directory is read in the background; wait until it is there.
        QElapsedTimer t;
        t.start();
        const QModelIndex root = model->index(QString::fromStdString(dir.string()));
        while (model->rowCount(root) == 0 && t.elapsed() < 10000) QApplication::processEvents();
        const QModelIndex data = model->index(QString::fromStdString((dir / "DATA.DBF").string()));
        listed = data.isValid() && (model->flags(data) & Qt::ItemIsEnabled);
        otherHidden = !(model->flags(model->index(QString::fromStdString((dir / "notes.txt").string()))) &
                        Qt::ItemIsEnabled) ||
                      model->rowCount(root) == 1;
        return QDialog::Rejected;
    });
    dlg.SHOW();
    EXPECT_TRUE(listed);
    EXPECT_TRUE(otherHidden);
}

TEST(OpenSaveDialog, HelpButtonCallsHelpAndKeepsTheDialogOpenLongNamesAreTakenWhole) {
    int helps = 0;
    auto previous = OPENSAVEDIALOG::setHelpHandler([&](OPENSAVEDIALOG&) { ++helps; });
    const std::string longName(5000, 'n');
    OPENSAVEDIALOG dlg(nullptr, longName + ".csv", rt::Value(false));
    dlg.SETSTYLE(OFN_SHOWHELP);
    EXPECT_TRUE(dlg.FLAGS() & OFN_HIDEREADONLY);  // a save dialog's default
    bool stillOpen = false;
    QString typed;
    Script s([&](QDialog* d) -> intptr_t {
        auto* box = d->findChild<QDialogButtonBox*>();
        EXPECT_NE(box, nullptr);
        if (!box) return 0;
        QPushButton* help = box->button(QDialogButtonBox::Help);
        EXPECT_NE(help, nullptr);
        if (help) help->click();
        stillOpen = !static_cast<QFileDialog*>(d)->result();
        typed = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->text();
        return QDialog::Rejected;
    });
    EXPECT_FALSE(dlg.SHOW());
    OPENSAVEDIALOG::setHelpHandler(previous);
    EXPECT_EQ(helps, 1);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(typed.size(), qsizetype(longName.size() + 4));
    EXPECT_EQ(dlg.FILENAME().str(), "");
}

TEST(OpenSaveDialog, FlagsAsTheDialogLeftThemAreKeptForTheNextShow) {
    const auto dir = mirvano_test::temp_dir("osdflags");
    OPENSAVEDIALOG dlg(nullptr, "*.csv", rt::Value(false));
    dlg.INITIALDIRECTORY(dir.string());
    dlg.DEFEXT("csv");
    const uint32_t given = dlg.FLAGS();
    EXPECT_FALSE(given & OFN_ENABLEHOOK);
    struct Case {
        QString typed;
        bool accept;
        bool otherExtension;
    };
    const Case cases[] = {
        {QStringLiteral("out.txt"), true, true},
        {QStringLiteral("plain"), true, false},  // the default extension is added
        {QStringLiteral("OUT.CSV"), true, false},
        {QStringLiteral("out.txt"), false, false},
    };
    for (const Case& c : cases) {
        Script s([&](QDialog* d) -> intptr_t {
            typeNames(static_cast<QFileDialog*>(d), c.typed);
            return c.accept ? QDialog::Accepted : QDialog::Rejected;
        });
        EXPECT_EQ(dlg.SHOW(), c.accept) << c.typed.toStdString();
        // The hook is always installed, and the flag word keeps it; the extension bit tells
        // whether the chosen name's extension differs from DEFEXT.
        EXPECT_EQ(dlg.FLAGS(), given | OFN_ENABLEHOOK | (c.otherExtension ? OFN_EXTENSIONDIFFERENT : 0u))
            << c.typed.toStdString();
    }
}

TEST(FontDialog, StartingValuesFromFaceStyleOrFontString) {
    struct Case {
        rt::Value font, style;
        std::string face;
        int height, weight;
        bool italic;
    };
    const Case cases[] = {
        {rt::Value(), rt::Value(), "Times New Roman", -13, 400, false},
        {rt::Value("Arial"), rt::Value(12), "Arial", -13, 700, true},
        {rt::Value("Arial"), rt::Value(11), "Arial", -13, 300, true},
        {rt::Value("Arial"), rt::Value(3), "Arial", -13, 400, false},
        {rt::Value("0600-016-000TCourier New "), rt::Value(12), "Courier New ", -16, 600, true},
        {rt::Value(std::string(40, 'F')), rt::Value(), std::string(31, 'F'), -13, 400, false},
    };
    for (const Case& c : cases) {
        DLGFONTSEL d(nullptr, c.font, c.style);
        EXPECT_EQ(d.startFace(), c.face);
        EXPECT_EQ(d.startHeight(), c.height) << c.face;
        EXPECT_EQ(d.startWeight(), c.weight) << c.face;
        EXPECT_EQ(d.startItalic(), c.italic) << c.face;
        EXPECT_FALSE(d.FONT().has_value());
        EXPECT_EQ(d.FONTTOSTRING(), "");
    }
}

TEST(FontDialog, ChosenFontIsClampedAndRoundTripsThroughItsFontString) {
    // The user picks another family, a size beyond the largest and another style.
    DLGFONTSEL d(nullptr, rt::Value("0400-013-000FLiberation Mono"));
    d.TRUETYPEFONTS();
    d.FIXEDPITCHFONTS();
    Script s([&](QDialog* dlg) -> intptr_t {
        auto* fd = qobject_cast<QFontDialog*>(dlg);
        EXPECT_NE(fd, nullptr);
        EXPECT_TRUE(fd->testOption(QFontDialog::DontUseNativeDialog));
        EXPECT_TRUE(fd->testOption(QFontDialog::MonospacedFonts));
        EXPECT_EQ(fd->currentFont().pointSize(), 10);
        QFont f(QStringLiteral("DejaVu Sans Mono"));
        f.setPointSize(40);  // beyond the 22 points the dialog allows
        f.setBold(true);
        f.setItalic(true);
        fd->setCurrentFont(f);
        return QDialog::Accepted;
    });
    ASSERT_TRUE(d.SHOW());
    EXPECT_EQ(d.HEIGHT(), -29);  // 22 points at 96 dpi
    EXPECT_EQ(d.WEIGHT(), 700);
    EXPECT_TRUE(d.ITALIC());
    EXPECT_EQ(d.FONTNAME(), "DejaVu Sans Mono");
    const std::string s1 = d.FONTTOSTRING();
    EXPECT_EQ(s1, "0700-0290000TDejaVu Sans Mono");
    const gui::FONT back = STRINGTOFONT(s1);
    const std::optional<gui::FONT> chosen = d.FONT();
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(back.HEIGHT2(), chosen->HEIGHT2());
    EXPECT_EQ(back.BOLD(), chosen->BOLD());
    EXPECT_EQ(back.ITALIC(), chosen->ITALIC());
    EXPECT_EQ(back.FONTFACENAME(), chosen->FONTFACENAME());
    EXPECT_EQ(FONTTOSTRING(back), s1);

    // A second dialog cancelled: nothing chosen.
    DLGFONTSEL again(nullptr, rt::Value(s1));
    Script cancel([](QDialog*) -> intptr_t { return QDialog::Rejected; });
    EXPECT_FALSE(again.SHOW());
    EXPECT_EQ(again.FONTNAME(), "");
    EXPECT_FALSE(again.FONT().has_value());
}

namespace {

// The size edit is the dialog's one line edit that checks what is typed.
QLineEdit* sizeEditOf(QDialog* d) {
    for (QLineEdit* e : d->findChildren<QLineEdit*>())
        if (e->validator()) return e;
    return nullptr;
}

// The form's narrowing: scalable fonts, fixed-pitch ones for the fixed font.
void narrowAsTheFormDoes(DLGFONTSEL& d, bool fixed) {
    d.TRUETYPEFONTS();
    if (fixed)
        d.FIXEDPITCHFONTS();
    else
        d.VARIABLEPITCHFONTS();
}

// The sizes the dialog's size list shows (its rows that are not hidden).
QStringList offeredSizes(QDialog* d) {
    for (QListView* v : d->findChildren<QListView*>()) {
        QStringList shown;
        bool numbers = v->model() && v->model()->rowCount() > 0;
        for (int r = 0; numbers && r < v->model()->rowCount(); ++r) {
            const QString text = v->model()->index(r, 0).data().toString();
            bool ok = false;
            text.toInt(&ok);
            numbers = ok;
            if (ok && !v->isRowHidden(r)) shown << text;
        }
        if (numbers) return shown;
    }
    return {};
}

}  // namespace

TEST(FontDialog, AcceptedUnchangedItGivesBackTheFontStringItStartedFrom) {
    struct Case {
        const char* start;
        bool fixed;
    };
    const Case cases[] = {
        {"0400-0130000FDejaVu Sans Mono", true},
        {"0700-0160000TDejaVu Sans Mono", true},
        {"0400-0130000TDejaVu Sans Mono", true},
        {"0700-0130000FLiberation Mono", true},
        {"0400-0130000FLiberation Sans", false},
        {"0400-0150000TLiberation Serif", false},
        {"0700-0200000TDejaVu Serif", false},
    };
    for (const Case& c : cases) {
        DLGFONTSEL d(nullptr, rt::Value(c.start));
        narrowAsTheFormDoes(d, c.fixed);
        Script s([](QDialog* dlg) -> intptr_t {
            dlg->show();
            // The user presses Enter on the dialog as it came up.
            QTest::keyClick(dlg, Qt::Key_Return);
            return dlg->result() == QDialog::Accepted ? QDialog::Accepted : QDialog::Rejected;
        });
        ASSERT_TRUE(d.SHOW()) << c.start;
        EXPECT_EQ(d.FONTTOSTRING(), c.start);
    }
}

TEST(FontDialog, OffersOnlySizesFromFourToTwentyTwoPoints) {
    DLGFONTSEL d(nullptr, rt::Value("0400-0130000FDejaVu Sans"));
    d.TRUETYPEFONTS();
    d.VARIABLEPITCHFONTS();
    QStringList sizes;
    QString typed;
    Script s([&](QDialog* dlg) -> intptr_t {
        dlg->show();
        sizes = offeredSizes(dlg);
        QLineEdit* edit = sizeEditOf(dlg);
        EXPECT_NE(edit, nullptr);
        if (!edit) return QDialog::Rejected;
        QCoreApplication::processEvents();  // as the dialog's own event loop does before anyone sees it
        sizes = offeredSizes(dlg);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("40"));  // the 0 is refused: 40 points are not offered
        typed = edit->text();
        QTest::keyClicks(edit, QStringLiteral("\b18"));
        return QDialog::Accepted;
    });
    ASSERT_TRUE(d.SHOW());
    ASSERT_FALSE(sizes.isEmpty());
    for (const QString& size : sizes) {
        EXPECT_GE(size.toInt(), DLGFONTSEL::kMinPoints) << size.toStdString();
        EXPECT_LE(size.toInt(), DLGFONTSEL::kMaxPoints) << size.toStdString();
    }
    EXPECT_TRUE(sizes.contains(QStringLiteral("22")));
    ASSERT_GE(sizes.size(), 2);
    EXPECT_EQ(sizes.at(0), QStringLiteral("4"));
    EXPECT_EQ(sizes.at(1), QStringLiteral("5"));
    EXPECT_EQ(typed, QStringLiteral("4"));
    EXPECT_EQ(d.HEIGHT(), -24);  // 18 points
}

TEST(FontDialog, AMissingFaceStartsOnAFontOfTheAskedPitch) {
    // The application's own font is fixed-pitch, so a dialog that falls back to it for a
    // face this machine lacks would start a proportional choice on a fixed-pitch font.
    const QFont appFont = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans Mono")));
    struct Case {
        const char* start;
        bool fixed;
    };
    for (const Case& c : {Case{"0400-0130000FLucida Sans Unicode", false}, Case{"0400-0130000FCourier New", true}}) {
        DLGFONTSEL d(nullptr, rt::Value(c.start));
        narrowAsTheFormDoes(d, c.fixed);
        QString family;
        Script s([&](QDialog* dlg) -> intptr_t {
            family = static_cast<QFontDialog*>(dlg)->currentFont().family();
            return QDialog::Accepted;
        });
        ASSERT_TRUE(d.SHOW());
        EXPECT_EQ(QFontDatabase::isFixedPitch(family), c.fixed) << c.start << " -> " << family.toStdString();
        // Accepted as it came up, the face the machine lacks is kept, not the stand-in shown.
        EXPECT_EQ(d.FONTTOSTRING(), c.start);
    }
    QApplication::setFont(appFont);
}

TEST(FontDialog, AcceptedUnchangedGivesBackItsStartWhateverFontsTheMachineHas) {
    // Faces this machine lacks, heights that are no whole point size, a cell height, a weight
    // no style has, a face the font database tells apart by its foundry.
    const char* const starts[] = {
        "0400-0140000FCourier New", "0400-0100000FCourier New", "040000160000FCourier New",
        "0700-0140000TArial",       "0600-0130000FDejaVu Sans", "0400-0150000FC059",
        "0400-0130000FNimbus Mono PS", "0300-0110000TTimes New Roman",
    };
    for (const char* start : starts) {
        for (const bool fixed : {false, true}) {
            DLGFONTSEL d(nullptr, rt::Value(start));
            narrowAsTheFormDoes(d, fixed);
            bool shownItalic = false;
            Script s([&](QDialog* dlg) -> intptr_t {
                dlg->show();
                QCoreApplication::processEvents();
                shownItalic = static_cast<QFontDialog*>(dlg)->currentFont().italic();
                QTest::keyClick(dlg, Qt::Key_Return);
                return dlg->result() == QDialog::Accepted ? QDialog::Accepted : QDialog::Rejected;
            });
            ASSERT_TRUE(d.SHOW()) << start;
            EXPECT_EQ(d.FONTTOSTRING(), start) << (fixed ? "fixed" : "variable");
            EXPECT_EQ(shownItalic, start[12] == 'T') << start << (fixed ? " fixed" : " variable");
        }
    }
}

TEST(FontDialog, AChangedPartIsTakenAndTheOthersKept) {
    DLGFONTSEL d(nullptr, rt::Value("0400-0140000FCourier New"));
    narrowAsTheFormDoes(d, true);
    Script s([&](QDialog* dlg) -> intptr_t {
        dlg->show();
        QCoreApplication::processEvents();
        QLineEdit* edit = sizeEditOf(dlg);
        EXPECT_NE(edit, nullptr);
        if (!edit) return QDialog::Rejected;
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("12"));
        return QDialog::Accepted;
    });
    ASSERT_TRUE(d.SHOW());
    EXPECT_EQ(d.FONTTOSTRING(), "0400-0160000FCourier New");  // 12 points, the rest as it started
}

TEST(OpenSaveDialog, ASelectionOfNamesHoldingQuotesIsConfirmedAsSelected) {
    const auto dir = mirvano_test::temp_dir("osdquote");
    const std::string names[] = {"a.dbf", "say \"hi\".dbf", "\"quoted\".dbf", "b.dbf"};
    for (const std::string& n : names) touch(dir / n);
    struct Case {
        std::vector<std::string> picked;
        bool typed;  // written into the name box as the dialog writes a selection there
    };
    const Case cases[] = {
        {{"a.dbf", "say \"hi\".dbf"}, false},
        {{"\"quoted\".dbf", "b.dbf", "say \"hi\".dbf"}, false},
        {{"say \"hi\".dbf"}, false},
        {{"a.dbf", "say \"hi\".dbf"}, true},
        {{"\"quoted\".dbf", "b.dbf"}, true},
    };
    for (const Case& c : cases) {
        OPENSAVEDIALOG dlg(nullptr, "*.dbf", rt::Value(true));
        dlg.SETSTYLE(OFN_ALLOWMULTISELECT);
        dlg.INITIALDIRECTORY(dir.string());
        bool openEnabled = false;
        Script s([&](QDialog* d) -> intptr_t {
            d->show();
            auto* view = d->findChild<QListView*>(QStringLiteral("listView"));
            EXPECT_NE(view, nullptr);
            if (!view) return QDialog::Rejected;
            // The user clicks the files with Ctrl held, once the folder is listed.
            QElapsedTimer waited;
            waited.start();
            while (view->model()->rowCount(view->rootIndex()) < int(std::size(names)) && waited.elapsed() < 10000)
                QCoreApplication::processEvents();
            if (c.typed) {
                QStringList quoted;
                for (const std::string& name : c.picked) quoted << QLatin1Char('"') + QString::fromStdString(name) + QLatin1Char('"');
                auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                edit->setFocus();
                QTest::keyClicks(edit, quoted.join(QLatin1Char(' ')));
            }
            for (const std::string& name : c.typed ? std::vector<std::string>{} : c.picked) {
                const QModelIndexList found = view->model()->match(view->model()->index(0, 0, view->rootIndex()),
                                                                   Qt::DisplayRole, QString::fromStdString(name), 1,
                                                                   Qt::MatchExactly);
                EXPECT_EQ(found.size(), 1) << name;
                if (found.isEmpty()) return QDialog::Rejected;
                view->scrollTo(found.front());
                QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                                  view->visualRect(found.front()).center());
            }
            auto* open = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
            openEnabled = open && open->isEnabled();
            if (open) QTest::mouseClick(open, Qt::LeftButton);
            return d->result() == QDialog::Accepted ? QDialog::Accepted : QDialog::Rejected;
        });
        EXPECT_TRUE(dlg.SHOW()) << c.picked.size() << " picked";
        EXPECT_TRUE(openEnabled);
        std::vector<std::string> got;
        const rt::Value& v = dlg.FILENAME();
        if (v.isArray())
            for (size_t i = 1; i <= v.len(); ++i) got.push_back(v.at(i).str());
        else if (v.isString() && !v.str().empty())
            got.push_back(v.str());
        std::vector<std::string> expected;
        for (const std::string& n : c.picked) expected.push_back((dir / n).string());
        std::sort(got.begin(), got.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(got, expected);
    }
}

// A name that holds double quotes, typed into the name box as the user sees it in the folder,
// is confirmed and given back whole, with one file or several allowed.
TEST(OpenSaveDialog, ATypedNameHoldingQuotesIsConfirmed) {
    const auto dir = mirvano_test::temp_dir("osdtyped");
    const std::string names[] = {"say \"hi\".dbf", "\"quoted\".dbf", "\"\".dbf", "a\".dbf"};
    for (const std::string& n : names) touch(dir / n);
    for (const bool multi : {true, false}) {
        for (const std::string& name : names) {
            OPENSAVEDIALOG dlg(nullptr, "*.dbf", rt::Value(true));
            if (multi) dlg.SETSTYLE(OFN_ALLOWMULTISELECT);
            dlg.INITIALDIRECTORY(dir.string());
            bool openEnabled = false;
            Script s([&](QDialog* d) -> intptr_t {
                d->show();
                auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                EXPECT_NE(edit, nullptr);
                if (!edit) return QDialog::Rejected;
                edit->setFocus();
                QTest::keyClicks(edit, QString::fromStdString(name));
                auto* open = d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open);
                openEnabled = open && open->isEnabled();
                if (open) QTest::mouseClick(open, Qt::LeftButton);
                return d->result() == QDialog::Accepted ? QDialog::Accepted : QDialog::Rejected;
            });
            EXPECT_TRUE(dlg.SHOW()) << name << (multi ? ", several allowed" : ", one allowed");
            EXPECT_TRUE(openEnabled) << name << (multi ? ", several allowed" : ", one allowed");
            const rt::Value& v = dlg.FILENAME();
            const std::string got = v.isArray() && v.len() == 1 ? v.at(1).str() : v.isString() ? v.str() : "";
            EXPECT_EQ(got, (dir / name).string()) << (multi ? "several allowed" : "one allowed");
        }
    }
}

// The user picks another family and leaves the style alone: the font keeps its weight and
// slant, also where the new family names its styles differently (DejaVu's regular style is
// "Book", Liberation's "Regular").
TEST(FontDialog, AnotherFamilyKeepsTheWeightAndSlant) {
    struct Case {
        const char* start;
        bool fixed;
        const char* family;
        const char* want;
    };
    const Case cases[] = {
        {"0400-0130000FDejaVu Sans Mono", true, "Liberation Mono", "0400-0130000FLiberation Mono"},
        {"0400-0130000TDejaVu Sans Mono", true, "Liberation Mono", "0400-0130000TLiberation Mono"},
        {"0700-0130000FDejaVu Sans Mono", true, "Liberation Mono", "0700-0130000FLiberation Mono"},
        {"0400-0160000FDejaVu Sans", false, "Liberation Serif", "0400-0160000FLiberation Serif"},
        {"0400-0130000FLiberation Sans", false, "DejaVu Sans", "0400-0130000FDejaVu Sans"},
    };
    for (const Case& c : cases) {
        DLGFONTSEL d(nullptr, rt::Value(c.start));
        narrowAsTheFormDoes(d, c.fixed);
        Script s([&](QDialog* dlg) -> intptr_t {
            dlg->show();
            QCoreApplication::processEvents();
            // The family list is the dialog's first list; the user clicks the family.
            QListView* families = dlg->findChildren<QListView*>().value(0);
            EXPECT_NE(families, nullptr);
            if (!families) return QDialog::Rejected;
            const QModelIndexList found = families->model()->match(families->model()->index(0, 0), Qt::DisplayRole,
                                                                   QString::fromLatin1(c.family), 1, Qt::MatchExactly);
            EXPECT_EQ(found.size(), 1) << c.family;
            if (found.isEmpty()) return QDialog::Rejected;
            families->scrollTo(found.front());
            QTest::mouseClick(families->viewport(), Qt::LeftButton, Qt::NoModifier,
                              families->visualRect(found.front()).center());
            QCoreApplication::processEvents();
            QTest::keyClick(dlg, Qt::Key_Return);
            return dlg->result() == QDialog::Accepted ? QDialog::Accepted : QDialog::Rejected;
        });
        ASSERT_TRUE(d.SHOW()) << c.start;
        EXPECT_EQ(d.FONTTOSTRING(), c.want) << c.start;
    }
}
