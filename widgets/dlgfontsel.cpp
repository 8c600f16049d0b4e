#include "widgets/dlgfontsel.h"

#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QLineEdit>
#include <QListView>
#include <memory>
#include <QMetaObject>
#include <QValidator>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <tuple>

#include "platform/gui/dialogs.h"
#include "platform/gui/window.h"
#include "platform/runtime/numbers.h"

namespace widgets {

namespace {
constexpr int kDpi = 96;  // screens

// A signed decimal number read from the start of a field; 0 when there is none.
int fieldNumber(const std::string& s, size_t pos, size_t len) {
    if (pos >= s.size()) return 0;
    return std::atoi(s.substr(pos, len).c_str());
}

// Four characters, zero-padded, a minus sign first.
std::string four(int n) {
    std::string digits = std::to_string(std::abs(n));
    const size_t width = n < 0 ? 3 : 4;
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return (n < 0 ? "-" : "") + digits;
}

int pointsOfHeight(int height) {
    return int(std::lround(std::abs(height) * 72.0 / kDpi));
}

// The size a font of the dialog stands for, in offered points: a size box left empty or below
// the smallest size still gives an offered size.
int pointsOf(const QFont& f) {
    const int points = f.pointSize() > 0 ? f.pointSize() : int(std::lround(f.pixelSize() * 72.0 / kDpi));
    return std::clamp(points, DLGFONTSEL::kMinPoints, DLGFONTSEL::kMaxPoints);
}

// A family as other programs name it: the font database tells families of the same name from
// different foundries apart by the foundry in brackets ("C059 [UKWN]"), which no font string
// or font matcher knows.
std::string familyName(const QString& family) {
    QString name = family;
    if (name.endsWith(QLatin1Char(']'))) {
        const qsizetype open = name.lastIndexOf(QStringLiteral(" ["));
        if (open > 0) name.truncate(open);
    }
    return name.toStdString();
}

bool offeredPoints(int points) { return points >= DLGFONTSEL::kMinPoints && points <= DLGFONTSEL::kMaxPoints; }

// What may stand in the size box: digits up to the largest size offered. A number below the
// smallest is let through while it is typed, as more digits may follow.
class PointSizeValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        if (input.isEmpty()) return Intermediate;
        for (const QChar c : input)
            if (!c.isDigit()) return Invalid;
        if (input.size() > 3) return Invalid;
        const int points = input.toInt();
        if (points > DLGFONTSEL::kMaxPoints) return Invalid;
        return offeredPoints(points) ? Acceptable : Intermediate;
    }
};

// The family the dialog starts on: the face as this machine spells it, or, for a face it
// lacks, the family the font matcher gives for it with the asked pitch, so a proportional
// choice does not start on a fixed-pitch fallback or the other way round.
QString startFamily(const std::string& face, int pitch) {
    QString name = QString::fromStdString(face);
    while (name.endsWith(QLatin1Char(' '))) name.chop(1);
    for (const QString& family : QFontDatabase::families())
        if (family.compare(name, Qt::CaseInsensitive) == 0) return family;
    QFont probe(name);
    if (pitch & 1) {
        probe.setStyleHint(QFont::Monospace);
        probe.setFixedPitch(true);
    } else if (pitch & 2) {
        probe.setFixedPitch(false);
    }
    return QFontInfo(probe).family();
}

// The family's style nearest to the weight and slant asked for: the slant first, then the
// weight, then the plainest name (Book before Condensed). Without it the dialog would start
// on the first style it lists.
QString nearestStyle(const QString& family, int weight, bool italic) {
    QString best;
    std::tuple<bool, int, qsizetype> bestScore;
    for (const QString& style : QFontDatabase::styles(family)) {
        const QFont font = QFontDatabase::font(family, style, 10);
        const std::tuple<bool, int, qsizetype> score{(font.style() != QFont::StyleNormal) != italic,
                                                     std::abs(font.weight() - weight), style.size()};
        if (best.isEmpty() || score < bestScore) {
            bestScore = score;
            best = style;
        }
    }
    return best;
}

// When the user picks another family, the dialog keeps the style only where the new family
// has a style of the same name, and otherwise jumps to the first it lists (often Bold
// Italic): a regular font turned bold italic by a change of family. The style of the new
// family nearest in slant and weight to the one shown before is chosen instead.
void keepStyleAcrossFamilies(QFontDialog& dlg) {
    auto last = std::make_shared<QFont>(dlg.currentFont());
    QObject::connect(&dlg, &QFontDialog::currentFontChanged, &dlg, [&dlg, last](const QFont& now) {
        const QFont before = *last;
        *last = now;
        if (now.family() == before.family()) return;
        // Only where the dialog fell back to its first style: a font set whole keeps its own.
        const QStringList styles = QFontDatabase::styles(now.family());
        if (styles.isEmpty() || styles.contains(before.styleName()) || now.styleName() != styles.front()) return;
        const QString style = nearestStyle(now.family(), before.weight(), before.italic());
        if (style.isEmpty() || style == now.styleName()) return;
        for (QListView* list : dlg.findChildren<QListView*>()) {
            QAbstractItemModel* model = list->model();
            if (!model || model->rowCount() != styles.size()) continue;
            QStringList rows;
            for (int r = 0; r < model->rowCount(); ++r) rows << model->index(r, 0).data().toString();
            if (rows != styles) continue;
            list->setCurrentIndex(model->index(int(styles.indexOf(style)), 0));
            return;
        }
    });
}

// Keeps the dialog's size box and size list to the sizes offered. The list is filled anew
// for every family and style, so its rows out of range are hidden after each filling.
void offerOnlyAllowedSizes(QFontDialog& dlg) {
    QLineEdit* sizeEdit = nullptr;
    for (QLineEdit* edit : dlg.findChildren<QLineEdit*>())
        if (edit->validator()) sizeEdit = edit;
    auto* grid = qobject_cast<QGridLayout*>(dlg.layout());
    if (!sizeEdit || !grid) return;
    sizeEdit->setValidator(new PointSizeValidator(sizeEdit));
    int row = 0, column = 0, rows = 0, columns = 0;
    const int at = grid->indexOf(sizeEdit);
    if (at < 0) return;
    grid->getItemPosition(at, &row, &column, &rows, &columns);
    QLayoutItem* below = grid->itemAtPosition(row + 1, column);
    auto* list = below ? qobject_cast<QListView*>(below->widget()) : nullptr;
    if (!list || !list->model()) return;
    auto hideOthers = [list] {
        QAbstractItemModel* model = list->model();
        for (int r = 0; r < model->rowCount(); ++r)
            list->setRowHidden(r, !offeredPoints(model->index(r, 0).data().toString().toInt()));
    };
    // The dialog lists the standard sizes, which start at 6 points. The smaller offered sizes
    // go on top once the dialog has filled the list and chosen its current row by number,
    // so that row keeps its size.
    auto addSmallSizes = [list, hideOthers] {
        QAbstractItemModel* model = list->model();
        int first = 0;
        while (first < model->rowCount() && model->index(first, 0).data().toString().toInt() <= 0) ++first;
        const int smallest = first < model->rowCount() ? model->index(first, 0).data().toString().toInt() : 0;
        for (int points = std::min(smallest, DLGFONTSEL::kMaxPoints + 1) - 1;
             smallest > 0 && points >= DLGFONTSEL::kMinPoints; --points) {
            if (!model->insertRow(first)) break;
            model->setData(model->index(first, 0), QString::number(points));
        }
        hideOthers();
    };
    QObject::connect(list->model(), &QAbstractItemModel::modelReset, list, [list, hideOthers, addSmallSizes] {
        hideOthers();
        QMetaObject::invokeMethod(list, addSmallSizes, Qt::QueuedConnection);
    });
    hideOthers();
    addSmallSizes();
}
}  // namespace

DLGFONTSEL::DLGFONTSEL(gui::WINDOW* owner, const rt::Value& font, const rt::Value& style) : owner_(owner) {
    face_ = font.isString() && !font.str().empty() ? font.str() : "Times New Roman";
    height_ = -int(std::lround(10.0 * kDpi / 72.0));  // 10 points on the screen: -13
    width_ = 0;
    weight_ = 400;
    italic_ = false;
    if (font.isString() && !font.str().empty() && std::isdigit(static_cast<unsigned char>(font.str()[0]))) {
        const std::string& s = font.str();
        weight_ = fieldNumber(s, 0, 4);
        height_ = fieldNumber(s, 4, 4);
        width_ = fieldNumber(s, 8, 4);
        italic_ = s.size() > 12 && s[12] == 'T';
        face_ = s.size() > 13 ? s.substr(13) : std::string();
    } else if (style.isNumber()) {
        int st = rt::toInt32(style.num());
        if (st >= 10) {
            italic_ = true;
            st -= 10;
        }
        if (st == 1)
            weight_ = 300;
        else if (st == 2)
            weight_ = 700;
    }
    if (face_.size() > 31) face_.resize(31);
}

bool DLGFONTSEL::SHOW() {
    const QString family = startFamily(face_, pitch_);
    const int weight = std::clamp(weight_ > 0 ? weight_ : 400, 1, 1000);
    QFont start(family);
    start.setPointSize(std::clamp(pointsOfHeight(height_ ? height_ : -13), kMinPoints, kMaxPoints));
    start.setWeight(QFont::Weight(weight));
    start.setItalic(italic_);
    start.setStyleName(nearestStyle(family, weight, italic_));

    QFontDialog dlg(owner_ ? owner_->HANDLE() : nullptr);
    QFontDialog::FontDialogOptions options = QFontDialog::DontUseNativeDialog;
    if (scalableOnly_) options |= QFontDialog::ScalableFonts;
    if (fixedOnly_) options |= QFontDialog::MonospacedFonts;
    dlg.setOptions(options);
    offerOnlyAllowedSizes(dlg);
    dlg.setCurrentFont(start);
    // What the dialog shows at first. A part the user leaves as shown keeps the value it
    // started from: the machine may lack the face, the sizes are whole points and the
    // styles its own, so reading them back would change a font nobody touched.
    const QFont shown = dlg.currentFont();
    keepStyleAcrossFamilies(dlg);

    dialog_ = &dlg;
    gui::ModalRequest req;
    req.kind = gui::ModalRequest::Kind::Dialog;
    req.qtDialog = &dlg;
    req.owner = owner_;
    const intptr_t answer = gui::runModal(req);
    dialog_ = nullptr;

    chosen_ = answer == QDialog::Accepted;
    if (!chosen_) return false;
    const QFont f = dlg.currentFont();
    if (pointsOf(f) != pointsOf(shown)) {
        height_ = -int(std::lround(pointsOf(f) * double(kDpi) / 72.0));
        width_ = 0;
    }
    if (f.weight() != shown.weight() || f.italic() != shown.italic() || f.styleName() != shown.styleName()) {
        weight_ = int(f.weight());
        italic_ = f.italic();
    }
    if (f.family() != shown.family()) {
        face_ = familyName(f.family());
        if (face_.size() > 31) face_.resize(31);
    }
    return true;
}

std::optional<gui::FONT> DLGFONTSEL::FONT() {
    if (!chosen_) {
        chosenFont_.reset();
        return chosenFont_;
    }
    gui::FONT f(1, gui::DIMENSION(WIDTH(), HEIGHT()), FONTNAME());
    if (ITALIC()) f.ITALIC(true);
    if (WEIGHT() <= 300)
        f.LIGHT(true);
    else if (WEIGHT() >= 700)
        f.BOLD(true);
    else
        f.NORMAL(true);
    chosenFont_ = f;
    return chosenFont_;
}

std::string DLGFONTSEL::FONTTOSTRING() const {
    if (!chosen_) return {};
    std::string face = FONTNAME();
    while (!face.empty() && face.back() == ' ') face.pop_back();
    return four(WEIGHT()) + four(HEIGHT()) + four(WIDTH()) + (ITALIC() ? "T" : "F") + face;
}

}  // namespace widgets
