// Pictures of the form in both languages (build dir, screenshots/form_de.png and
// form_en.png) and the check that no caption is cut off by its control.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionButton>
#include <memory>

#include "mainwindow/dtamirvano.h"
#include "mainwindow_fixture.h"
#include "platform/gui/controls.h"
#include "ui/formtemplate.h"
#include "ui/globals.h"
#include "ui/texts.h"
#include "widgets/statusbar2.h"

namespace {

// As after a settings load: one choice per family, some boxes ticked, lists filled.
struct Shown : mirvano_test::MainWindow {
    explicit Shown(int language) : MainWindow(language) {
        for (const char* b : {"RADIOCSVIN", "RADIOANSIIN", "RADIOKOMMAIN", "RADIOSEPASEMIIN", "RADIOGRENZETEXTIN",
                              "RADIODBFOUT", "RADIOANSIOUT", "RADIOPUNKTOUT", "RADIOSEPASEMIOUT", "RADIOGRENZETEXTOUT",
                              "RADIOAUSGUEBERSCHR", language == 1 ? "RADIODEUTSCH" : "RADIOENGLISCH"})
            dynamic_cast<gui::RADIOBUTTON*>(form->formControl(b))->PRESSED(true);
        form->lInCSV = form->lInANSI = form->lOutDBF = form->lOutANSI = true;
        form->ODCCHECKHEADERIN->CHECKED(true);
        form->ODCCHECKTOOLTIP->CHECKED(true);
        form->ODCLISTOPERATOREN->FILLUSING(
            std::vector<std::string>{"=", "==", "!=", "<", "<=", ">", ">=", "+", ".and.", ".or.", ".not."});
        form->ODCLISTFUNKTIONEN->FILLUSING(std::vector<std::string>{"Abs(n)", "AllTrim(c)", "At(cSearch,c)", "Len(c)",
                                                                    "Left(c,n)", "LTrim(c)", "Upper(c)", "Val(c)"});
        for (gui::COMBOBOX* combo : {form->ODCCOMBOSORTIER1, form->ODCCOMBOSORTIER2, form->ODCCOMBOSORTIER3,
                                     form->ODCCOMBOSORTIER4})
            combo->FILLUSING(std::vector<std::string>{ui::messageText(4, 1), "NAME", "ORT", "PLZ"});
        form->ODCCOMBOSORTIER1->CURRENTITEMNO(2);
        form->ODCLISTDATENFELD->FILLUSING(std::vector<std::string>{"NAME,C,30,0", "ORT,C,20,0", "PLZ,C,5,0"});
        form->ODCLISTAUSWAHLFELD->FILLUSING(std::vector<std::string>{"NAME", "ORT", "PLZ"});
        form->ODCSINGLEEINGABEDATEI->TEXTVALUE("/home/user/daten/adressen.csv");
        form->SETSPRACHE(language);
        form->SETTOOLTIP();
        form->EINAUSBLENDEN();
        QApplication::processEvents();
    }
};

// The width a control needs to show its caption whole.
int neededWidth(QWidget* w, const QString& text) {
    const QFontMetrics fm(w->font());
    if (qobject_cast<QGroupBox*>(w)) return fm.horizontalAdvance(text) + 12;
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (button->isCheckable()) {
            QStyleOptionButton opt;
            opt.initFrom(button);
            const int indicator = w->style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, button);
            const int spacing = w->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, button);
            return indicator + spacing + fm.horizontalAdvance(text);
        }
        return fm.horizontalAdvance(text) + 6;
    }
    return fm.horizontalAdvance(text);
}

}  // namespace

TEST(FormPictures, BothLanguagesAreWrittenAndNoCaptionIsCut) {
    const QString dir = QString::fromUtf8(MIRVANO_BINARY_DIR) + "/screenshots";
    QDir().mkpath(dir);
    for (int lang : {ui::kGerman, ui::kEnglish}) {
        SCOPED_TRACE(lang == ui::kGerman ? "German" : "English");
        Shown shown(lang);
        const QPixmap picture = shown.shell->HANDLE()->grab();
        ASSERT_FALSE(picture.isNull());
        EXPECT_TRUE(picture.save(dir + (lang == ui::kGerman ? "/form_de.png" : "/form_en.png")));
        for (gui::CONTROL* c : shown.form->formControls()) {
            const ui::FormItem* item = ui::findFormItem(c->CONTROLID());
            using K = ui::ControlKind;
            if (item->kind != K::GroupBox && item->kind != K::RadioButtonGroup && item->kind != K::RadioButton &&
                item->kind != K::CheckBox && item->kind != K::PushButton && item->kind != K::FixedText)
                continue;
            const QString text = QString::fromStdString(c->CAPTION()).trimmed();
            EXPECT_LE(neededWidth(c->HANDLE(), text), c->HANDLE()->width()) << item->name << ": " << c->CAPTION();
        }
        // Apart from the frames around them, no two visible controls share a pixel.
        const auto& all = shown.form->formControls();
        auto framed = [](gui::CONTROL* c) {
            const auto kind = ui::findFormItem(c->CONTROLID())->kind;
            return kind == ui::ControlKind::GroupBox || kind == ui::ControlKind::RadioButtonGroup;
        };
        for (size_t i = 0; i < all.size(); ++i) {
            if (framed(all[i]) || !all[i]->ISVISIBLE()) continue;
            for (size_t j = i + 1; j < all.size(); ++j) {
                if (framed(all[j]) || !all[j]->ISVISIBLE()) continue;
                EXPECT_FALSE(all[i]->HANDLE()->geometry().intersects(all[j]->HANDLE()->geometry()))
                    << all[i]->NAMESYM() << " and " << all[j]->NAMESYM();
            }
        }
    }
}
