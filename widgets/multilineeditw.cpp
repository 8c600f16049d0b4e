#include "widgets/multilineeditw.h"

#include <QPlainTextEdit>
#include <QString>

namespace widgets {

namespace {
QString fromUtf16Bytes(const std::string& bytes) {
    const size_t units = bytes.size() / 2;  // an odd last byte is half a unit: left out
    QString s(qsizetype(units), Qt::Uninitialized);
    auto* out = s.data();
    for (size_t i = 0; i < units; ++i)
        out[i] = QChar(char16_t(uint8_t(bytes[2 * i]) | (uint16_t(uint8_t(bytes[2 * i + 1])) << 8)));
    return s;
}

std::string toUtf16Bytes(const QString& s) {
    std::string out;
    out.reserve(size_t(s.size()) * 2);
    for (QChar c : s) {
        const char16_t u = c.unicode();
        out.push_back(char(u & 0xFF));
        out.push_back(char(u >> 8));
    }
    return out;
}
}  // namespace

std::string MULTILINEEDITW::_SETTEXTW(const rt::Value& text) {
    if (!text.isString()) return {};
    if (QPlainTextEdit* t = textEdit()) {
        QString s = fromUtf16Bytes(text.str());
        s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        t->setPlainText(s);
        // The edit shows every kind of line end as a break; until the text is edited it
        // gives back the very units it was given.
        given_ = text.str().substr(0, text.str().size() & ~size_t(1));
        shown_ = t->toPlainText();
    }
    return text.str();
}

std::string MULTILINEEDITW::_GETTEXTW() const {
    QPlainTextEdit* t = textEdit();
    if (!t) return {};
    QString s = t->toPlainText();
    if (s == shown_) return given_;
    s.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return toUtf16Bytes(s);
}

std::string MULTILINEEDITW::utf16ToUtf8(const std::string& utf16) { return fromUtf16Bytes(utf16).toStdString(); }
std::string MULTILINEEDITW::utf8ToUtf16(const std::string& utf8) { return toUtf16Bytes(QString::fromStdString(utf8)); }

}  // namespace widgets
