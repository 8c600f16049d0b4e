// The two text tables: complete in both languages, stored the way their readers expect
// (CR LF between lines, already wrapped, representable in the ANSI code page of the help file).
#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "ui/formtemplate.h"
#include "ui/texts.h"

namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t pos = text.find("\r\n", start);
        lines.push_back(text.substr(start, pos == std::string::npos ? std::string::npos : pos - start));
        if (pos == std::string::npos) break;
        start = pos + 2;
    }
    return lines;
}

size_t chars(const std::string& utf8) { return static_cast<size_t>(QString::fromUtf8(utf8).size()); }

// Every character fits the 8-bit code page the help file is written in, and a line break is
// always CR LF.
void expectStorable(const std::string& text, const std::string& where) {
    const QString s = QString::fromUtf8(text);
    EXPECT_EQ(s.toUtf8().toStdString(), text) << where << ": not valid UTF-8";
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c == u'\r') {
            EXPECT_TRUE(i + 1 < s.size() && s[i + 1] == u'\n') << where << ": CR without LF";
            continue;
        }
        if (c == u'\n') {
            EXPECT_TRUE(i > 0 && s[i - 1] == u'\r') << where << ": LF without CR";
            continue;
        }
        EXPECT_TRUE(c >= 0x20 && c < 0x100 && !(c >= 0x7f && c < 0xa0)) << where << ": character " << int(c);
    }
    EXPECT_FALSE(s.endsWith(u"\r\n")) << where << ": ends with a line break";
}

const std::set<std::string> kGivenInFull = {"SINGLELAENGEIN", "SINGLEDATENSATZ", "LISTOPERATOREN",
                                            "LISTFUNKTIONEN", "INPUTMLE", "OUTPUTMLE"};

}  // namespace

TEST(ControlTextTable, OneRowPerControlButTheIconsWithTitlesAndDescriptionsInBothLanguages) {
    const auto rows = ui::controlTextTable();
    ASSERT_EQ(rows.size(), 98u);
    std::set<std::string> names;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(names.insert(row.name).second) << "twice in the table";
        const ui::FormItem* item = ui::findFormItem(row.name);
        ASSERT_NE(item, nullptr) << "no such control on the form";
        EXPECT_NE(item->kind, ui::ControlKind::FixedIcon);
        for (int lang : {ui::kGerman, ui::kEnglish}) {
            const std::string title = ui::title(row, lang);
            const std::string desc = ui::description(row, lang);
            EXPECT_FALSE(title.empty());
            expectStorable(title, "title");
            expectStorable(desc, "description");
            const bool label = std::string(row.name).starts_with("FIXED");
            EXPECT_EQ(desc.empty(), label) << "only the two labels have no description";
            const size_t limit = kGivenInFull.count(row.name) ? 58 : 56;
            for (const auto& line : splitLines(desc)) EXPECT_LE(chars(line), limit) << line;
        }
    }
    // Every control of the form but the three icons has its row.
    size_t icons = 0;
    for (const auto& item : ui::formItems()) {
        if (item.kind == ui::ControlKind::FixedIcon) ++icons;
        else EXPECT_TRUE(names.count(item.name)) << item.name;
    }
    EXPECT_EQ(icons, 3u);
}

TEST(ControlTextTable, TableOrderAndTheSystemsOwnWording) {
    const auto rows = ui::controlTextTable();
    auto pos = [&](const char* name) {
        for (size_t i = 0; i < rows.size(); ++i)
            if (std::string(rows[i].name) == name) return static_cast<int>(i) + 1;
        return 0;
    };
    EXPECT_EQ(pos("GROUPEINSTELLUNGIN"), 1);
    EXPECT_EQ(pos("RADIOSDFIN"), 4);
    EXPECT_EQ(pos("RADIOCSVIN"), 5);
    EXPECT_EQ(pos("RADIOUTF8IN"), 9);
    EXPECT_EQ(pos("GROUPCSVSEPIN"), 14);
    EXPECT_EQ(pos("BUTFILTERTESTEN"), 67);
    EXPECT_EQ(pos("BUTDATEIVERBINDEN"), 69);
    EXPECT_EQ(pos("RADIOENGLISCH"), 79);
    EXPECT_EQ(pos("RADIODEUTSCH"), 80);
    EXPECT_EQ(pos("OUTPUTMLE"), 98);

    struct Case { int pos; const char* de; const char* en; };
    const Case cases[] = {
        {2, "Dateiformat", "File format"},
        {8, "ASCII / OEM", "ASCII / OEM"},
        {10, "UTF16 / Unicode", "UTF16 / Unicode"},
        {25, "CSV- / SDF-Feldlängen sind vorgeben ==>", "CSV / SDF field lengths are pretended ==>"},
        {52, "Alle SDF Datenfelder durch Blanks trennen", "All SDF data fields are separated by blanks"},
        {78, "Sprache / Language", "Language / Sprache"},
        {79, "English language", "English language"},
        {80, "Deutsche Sprache", "Deutsche Sprache"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(rows[c.pos - 1].titleGerman, c.de);
        EXPECT_STREQ(rows[c.pos - 1].titleEnglish, c.en);
    }
    const auto& filter = rows[pos("SINGLEDATENSATZ") - 1];
    auto en = splitLines(filter.descriptionEnglish);
    ASSERT_EQ(en.size(), 12u);
    EXPECT_EQ(en[10], "yyy.mm.dd. Example: F1 < 1990.01.01. In CSV and SDF");
    auto fn = splitLines(rows[pos("LISTFUNKTIONEN") - 1].descriptionGerman);
    ASSERT_EQ(fn.size(), 5u + 30u);
    EXPECT_EQ(fn[5], "\"Abs(n)\" Gibt den Absolutbetrag zurück");
    EXPECT_EQ(fn[11], "  Zeile der Datei cFile enthalten ist");
    EXPECT_EQ(fn.back(), "\"Val(c)\" Wandelt einen String in eine Zahl um");
    auto out = splitLines(rows[pos("OUTPUTMLE") - 1].descriptionGerman);
    EXPECT_EQ(out[0], "Der Inhalt einer CSV- oder SDF-Ausgabedatei wird in");
}

TEST(MessageTable, EveryNumberInUseHasItsTextInBothLanguages) {
    std::set<int> used = {1, 3, 58, 59, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77,
                          78, 79, 80, 81, 82, 83, 84, 90, 91, 92, 93, 94, 97, 98, 99, 100, 101, 102, 103, 104, 105, 106, 107, 115, 116, 117, 118, 121, 122};
    for (int n = 4; n <= 56; ++n) used.insert(n);
    std::set<int> present;
    for (const auto& m : ui::messageTable()) {
        EXPECT_TRUE(present.insert(m.number).second) << m.number;
        EXPECT_GE(m.number, 1);
        EXPECT_LE(m.number, ui::kMessageCount);
        expectStorable(m.german, "message " + std::to_string(m.number));
        expectStorable(m.english, "message " + std::to_string(m.number));
        const bool empty = m.number == 58 || m.number == 59;
        EXPECT_EQ(std::string(m.german).empty(), empty) << m.number;
        EXPECT_EQ(std::string(m.english).empty(), empty) << m.number;
    }
    EXPECT_EQ(present, used);
    EXPECT_FALSE(ui::hasMessage(2));
    EXPECT_STREQ(ui::messageText(2, ui::kGerman), "");
    EXPECT_STREQ(ui::messageText(4, 3), "");

    struct Case { int n; const char* de; const char* en; };
    const Case cases[] = {
        {1, "MIRVANO 7.00 -- TorvelSoft Datenkonvertierungs-Freeware", "MIRVANO 7.00 -- TorvelSoft Data Conversion Freeware"},
        {4, "keine", "none"},
        {5, "Eingabe-Datei mit Daten für Konvertierung öffnen", "Open intput file with data for conversion"},
        {16, "Eine dBase-Datei muss die Extension \".dbf\" haben", "A Dbase file must have the extension \".dbf\""},
        {30, "$1 Datensätze in die Datei $2 konvertiert", "$1 data records converted into the file $2"},
        {40, "Die Syntax des Filterstrings ist falsch", "The syntax of the filter string is wrong"},
        {44, "Die Hilfedatei ist nicht vorhanden", "The help file is missing "},
        {45, "Bei vorhandener Filterbedingung wurde der Datensatzfilter nicht aktiviert",
         "With existing filter condition the data record filter was not activated. "},
        {56, "Übertragen der Daten in die Ausgabedatei", "Transfere of the data to the output file"},
        {64, "Eingabedat. analysieren", "Analyze input file"},
        {66, "Zur Zeit besteht keine Verbindung zum Internet.", "Currently there is no connection to the Internet."},
        {78, "Fehler beim Schreiben der Datei $", "Error when writing the file $"},
        {81, "Das Verbinden der Dateien wurde abgebrochen", "The concatenation of the files was cancelled"},
        {82, "Der Datensatzfilter konnte für keinen Datensatz ausgewertet werden",
         "The data record filter could not be evaluated for any data record"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(ui::messageText(c.n, ui::kGerman), c.de);
        EXPECT_STREQ(ui::messageText(c.n, ui::kEnglish), c.en);
    }
}

TEST(MessageTable, HelpIntroductionIsWrappedIntoEightParagraphs) {
    for (int lang : {ui::kGerman, ui::kEnglish}) {
        const auto lines = splitLines(ui::messageText(3, lang));
        int paragraphs = 1;
        for (const auto& line : lines) {
            EXPECT_LE(chars(line), 55u) << line;
            if (line.empty()) ++paragraphs;
        }
        EXPECT_EQ(paragraphs, 8);
        bool example = false;
        for (const auto& line : lines)
            if (line == "MIRVANO \"c:\\a b\\a.dbf\" \"c:\\c d\\b.csv\" \"c:\\e f\\d2c.mcf\"") example = true;
        EXPECT_TRUE(example);
    }
    const auto de = splitLines(ui::messageText(3, ui::kGerman));
    EXPECT_NE(std::find(de.begin(), de.end(), "Synax und Beispiele:"), de.end());
    EXPECT_NE(std::find(de.begin(), de.end(), "Gehen Sie folgendermaßen vor:"), de.end());
    const auto en = splitLines(ui::messageText(3, ui::kEnglish));
    EXPECT_NE(std::find(en.begin(), en.end(), "Proceed AS follows:"), en.end());
}
