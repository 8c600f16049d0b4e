#include "widgets/datalistview2.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>
#include <cctype>

#include "platform/db/dbserver.h"
#include "platform/runtime/dates.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/strings.h"
#include "platform/win/codepage.h"

namespace widgets {

namespace {
// The weighted samples of text columns: capitals, small letters (counted five times, as
// they are the most common) and digits.
const std::string kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ_";
const std::string kLower = "abcdefghijklmnopqrstuvwxyz ";
const std::string kDigits = "1234567890";
constexpr int kLowerWeight = 5;
constexpr int kWeightedCount = 27 + 27 * kLowerWeight + 10;  // 172

// The code page the table hands its text over in: the one a run asked for; else the table's
// own where its bytes pass unchanged (a Cyrillic or Greek Windows table, a DOS table of
// another country), so that the view shows the table's letters; else the program's.
unsigned textPage(const db::DBSERVER& table) {
    if (table.textCodePage() != 0) return table.textCodePage();
    if (!table.recodes()) return table.CODEPAGE();
    return rt::IsAnsi() ? win::GetACP() : win::GetOEMCP();
}

QString dataText(const std::string& bytes, unsigned codePage) {
    std::u16string wide;
    if (!win::MultiByteToWideChar(codePage, bytes, wide))
        return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
    return QString::fromUtf16(wide.data(), qsizetype(wide.size()));
}
}  // namespace

std::string properCase(const std::string& text) {
    std::string out = text;
    bool start = true;
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalpha(u)) {
            c = static_cast<char>(start ? std::toupper(u) : std::tolower(u));
            start = false;
        } else {
            start = !std::isdigit(u) && c != '_';
        }
    }
    return out;
}

int32_t LISTVIEWCOLUMN::CALCULATENEWWIDTH(int columnNumber, DATALISTVIEW2& view) {
    const int n = std::clamp(width_, 4, 50);
    int px;
    if (type_ == 'C' || type_ == 'M')
        px = (view.stringWidth(kUpper) + view.stringWidth(kLower) * kLowerWeight + view.stringWidth(kDigits)) * n /
             kWeightedCount;
    else
        px = view.stringWidth(kDigits) * n / 10;
    const int c = view.stringWidth(caption_);
    px = c > px ? c + 15 : px + 20;
    view.setColumnPixelWidth(columnNumber, px);
    width_ = n;
    return n;
}

DATALISTVIEW2::~DATALISTVIEW2() {
    if (server_ && observer_) server_->detach(observer_);
}

int DATALISTVIEW2::stringWidth(const std::string& utf8) const {
    QTableWidget* t = tableWidget();
    const QFont f = t ? t->font() : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    return QFontMetrics(f).horizontalAdvance(QString::fromStdString(utf8));
}

void DATALISTVIEW2::setColumnPixelWidth(int columnNumber, int px) {
    if (QTableWidget* t = tableWidget())
        if (columnNumber >= 1 && columnNumber <= t->columnCount()) t->setColumnWidth(columnNumber - 1, px & 0xFFFF);
}

int DATALISTVIEW2::columnPixelWidth(int columnNumber) const {
    QTableWidget* t = tableWidget();
    return t && columnNumber >= 1 && columnNumber <= t->columnCount() ? t->columnWidth(columnNumber - 1) : 0;
}

int DATALISTVIEW2::rowCount() const {
    QTableWidget* t = tableWidget();
    return t ? t->rowCount() : 0;
}

void DATALISTVIEW2::SERVER(std::shared_ptr<db::DBSERVER> table) {
    if (server_ && observer_) server_->detach(observer_);
    observer_ = 0;
    server_ = std::move(table);
    if (server_)
        observer_ = server_->attach([this](db::Notify n) {
            // The table is in the middle of closing: drop what it showed, keep the object.
            if (n == db::Notify::Closed) {
                columns_.clear();
                recnos_.clear();
                filled_.clear();
                DELETEALLCOLUMNS();
            }
        });
    if (!server_) {
        columns_.clear();
        recnos_.clear();
        filled_.clear();
        DELETEALLCOLUMNS();
        return;
    }
    __AUTOLAYOUT();
}

void DATALISTVIEW2::__AUTOLAYOUT() {
    if (!server_ || !server_->USED()) return;
    QTableWidget* t = tableWidget();
    if (!t) return;
    ++layouts_;
    t->setUpdatesEnabled(false);
    DELETEALLCOLUMNS();
    columns_.clear();
    const auto& fields = server_->fields();
    t->setColumnCount(int(fields.size()));
    QStringList captions;
    for (const db::FieldInfo& f : fields) {
        columns_.emplace_back(f.length, properCase(f.name), f.type);
        captions << QString::fromStdString(columns_.back().CAPTION());
    }
    t->setHorizontalHeaderLabels(captions);
    // Rows as high as a line of the view's font, as a report-style list shows them.
    t->verticalHeader()->setMinimumSectionSize(1);
    t->verticalHeader()->setDefaultSectionSize(QFontMetrics(t->font()).height() + 4);
    for (size_t i = 0; i < columns_.size(); ++i) columns_[i].CALCULATENEWWIDTH(int(i) + 1, *this);
    t->setUpdatesEnabled(true);
    REFRESH();
}

void DATALISTVIEW2::REFRESH() {
    QTableWidget* t = tableWidget();
    if (!t) return;
    recnos_.clear();
    if (server_ && server_->USED()) {
        // Record numbers in the table's order; the cells are read when they come into sight.
        const int64_t current = server_->RECNO();
        for (server_->GOTOP(); !server_->EOF(); server_->SKIP()) recnos_.push_back(server_->RECNO());
        server_->GOTO(current);
        if (server_->EOF()) server_->GOTOP();
    }
    t->clearContents();
    t->setRowCount(int(recnos_.size()));
    filled_.assign(recnos_.size(), false);
    if (!scrollHooked_) {
        scrollHooked_ = true;
        QObject::connect(t->verticalScrollBar(), &QScrollBar::valueChanged, t, [this] { fillVisibleRows(); });
        QObject::connect(t->verticalScrollBar(), &QScrollBar::rangeChanged, t, [this] { fillVisibleRows(); });
    }
    fillVisibleRows();
}

void DATALISTVIEW2::fillVisibleRows() {
    QTableWidget* t = tableWidget();
    if (!t || recnos_.empty()) return;
    int first = t->rowAt(0);
    if (first < 0) first = 0;
    int last = t->rowAt(t->viewport()->height());
    if (last < 0) last = std::min<int>(int(recnos_.size()) - 1, first + 100);
    for (int r = first; r <= last && r < int(recnos_.size()); ++r) fillRow(r);
}

void DATALISTVIEW2::fillRow(int row) {
    if (filled_[size_t(row)] || !server_ || !server_->USED()) return;
    QTableWidget* t = tableWidget();
    filled_[size_t(row)] = true;
    const int64_t current = server_->RECNO();
    server_->GOTO(recnos_[size_t(row)]);
    const unsigned page = textPage(*server_);
    for (size_t c = 0; c < columns_.size(); ++c) {
        const rt::Value v = server_->FIELDGET(rt::Value(int(c) + 1));
        QString text;
        Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
        if (v.isString()) {
            // The field's padding is no part of what the cell shows.
            std::string bytes = v.str();
            while (!bytes.empty() && bytes.back() == ' ') bytes.pop_back();
            text = dataText(bytes, page);
        } else if (v.isNumber()) {
            const db::FieldInfo& f = server_->fields()[c];
            text = QString::fromStdString(rt::Str(v.num(), f.length, f.decimals)).trimmed();
            align = Qt::AlignRight | Qt::AlignVCenter;
        } else if (v.isDate()) {
            text = QString::fromStdString(rt::DToC(v.date()));
        } else if (v.isLogical()) {
            text = v.log() ? QStringLiteral("T") : QStringLiteral("F");
        }
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(align);
        t->setItem(row, int(c), item);
    }
    server_->GOTO(current);
}

std::string DATALISTVIEW2::cellText(int row, int column) {
    QTableWidget* t = tableWidget();
    if (!t || row < 1 || row > int(recnos_.size()) || column < 1 || column > t->columnCount()) return {};
    fillRow(row - 1);
    QTableWidgetItem* item = t->item(row - 1, column - 1);
    return item ? item->text().toStdString() : std::string();
}

std::optional<gui::FONT> DATALISTVIEW2::FONT(const std::optional<gui::FONT>& font, bool rescale) {
    if (font == fontInUse_) return fontInUse_;
    fontInUse_ = font;
    if (QTableWidget* t = tableWidget()) {
        if (rescale) {
            // The view grows or shrinks with its characters, from its top-left corner: its
            // width by their average width, its height by the line height.
            const QFontMetrics from(t->font());
            const QFontMetrics to(font ? font->qfont() : QFontDatabase::systemFont(QFontDatabase::GeneralFont));
            const gui::DIMENSION size = SIZE();
            if (from.averageCharWidth() > 0 && from.height() > 0)
                SIZE(gui::DIMENSION(qRound(double(size.WIDTH()) * to.averageCharWidth() / from.averageCharWidth()),
                                    qRound(double(size.HEIGHT()) * to.height() / from.height())));
        }
        if (font) {
            gui::CONTROL::FONT(*font, false);
        } else {
            t->setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
        }
    }
    __AUTOLAYOUT();
    return fontInUse_;
}

}  // namespace widgets
