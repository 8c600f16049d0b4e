// The numbered messages, German and English. Number 3 is the introduction of the help file.
#include "ui/texts.h"

#include <array>

namespace ui {

namespace {

constexpr MessageText kMessages[] = {
    {1, "MIRVANO 7.00 -- TorvelSoft Datenkonvertierungs-Freeware", "MIRVANO 7.00 -- TorvelSoft Data Conversion Freeware"},
    {3,
     "MIRVANO von TorvelSoft wandelt Datendateien in andere\r\n"
     "Datenformate und Zeichensätze um und kann das \"CREATE\r\n"
     "TABLE\"-Skript für den Import der Daten in MySQL oder\r\n"
     "andere SQL-Datenbanken schreiben. So können die Daten\r\n"
     "in jedes beliebige Datenbank-Verwaltungssystem oder\r\n"
     "Dateisystem importiert werden.\r\n"
     "\r\n"
     "Zwischen diesen Datenformaten kann konvertiert werden:\r\n"
     "CSV (Comma Separated Value)\r\n"
     "SDF (Simple Document Format)\r\n"
     "dBase (Borlands Datenbank-Format)\r\n"
     "\r\n"
     "Zwischen diesen Zeichensätzen kann konvertiert werden:\r\n"
     "ANSI (American National Standards Institute)\r\n"
     "     (Single-Byte Windows-Standard)\r\n"
     "ASCII (American Standard Code for\r\n"
     "      Information Interchange)\r\n"
     "      (Single-Byte-Zeichensatz)\r\n"
     "UTF8 (Unicode Transformation Format)\r\n"
     "     (Multi-Byte-Zeichensatz)\r\n"
     "Unicode (Universal Character Set)\r\n"
     "        (Double-Byte-Zeichensatz)\r\n"
     "\r\n"
     "Es können auch sehr große CSV- und SDF-Dateien\r\n"
     "verarbeitet werden, die größer als 4,3 Gigabyte sind.\r\n"
     "\r\n"
     "Alle Daten können nach ihren Datenfeldern selektiert\r\n"
     "werden. Die Daten von dBase-Dateien können auch nach\r\n"
     "Datensätzen selektiert und nach Datenfeldern neu\r\n"
     "sortiert werden. Mehrere dBase-Dateien können zu einer\r\n"
     "Datei verbunden werden.\r\n"
     "\r\n"
     "Das Programm kann aus seinem Fenster oder von der\r\n"
     "Kommandozeile aufgerufen werden. Auf der Kommandozeile\r\n"
     "folgen die Pfade den Regeln des Betriebssystems und den\r\n"
     "Dateiformaten; sie werden durch Blanks getrennt und in\r\n"
     "Anführungszeichen gesetzt, wenn sie Blanks enthalten.\r\n"
     "Mit den Platzhaltern '*' und '?' werden mehrere Dateien\r\n"
     "auf einmal verarbeitet. Der Schalter 'Einstellung\r\n"
     "sichern' schreibt eine Konfigurationsdatei mit den\r\n"
     "aktuellen Einstellungen für spätere Aufrufe von der\r\n"
     "Kommandozeile, immer mit der Extension '.mcf' (MIRVANO\r\n"
     "Konfigurationsdatei).\r\n"
     "Synax und Beispiele:\r\n"
     "MIRVANO <Eingabedatei> <Ausgabedatei> [<Konfig.-Datei>]\r\n"
     "MIRVANO c:\\post\\a.dbf c:\\post\\a.csv c:\\post\\d2c.mcf\r\n"
     "MIRVANO \"c:\\a b\\a.dbf\" \"c:\\c d\\b.csv\" \"c:\\e f\\d2c.mcf\"\r\n"
     "MIRVANO c:\\post\\*.dbf c:\\post\\*.csv c:\\post\\d2c.mcf\r\n"
     "\r\n"
     "Normalerweise müssen nur das Format der Eingabedatei\r\n"
     "und das gewünschte Format der Ausgabedatei gewählt\r\n"
     "werden. Die üblichen Parameter sind voreingestellt und\r\n"
     "können geändert werden.\r\n"
     "\r\n"
     "Gehen Sie folgendermaßen vor:\r\n"
     "1. Verbinden Sie bei Bedarf mehrere dBase-Dateien zu\r\n"
     "   einer neuen Datei.\r\n"
     "2. Öffnen Sie diese oder eine andere dBase-, CSV- oder\r\n"
     "   SDF-Eingabedatei mit dem Schalter\r\n"
     "   'Eingabedatei öffnen'.\r\n"
     "3. Stellen Sie alle Eigenschaften und Selektionen ein,\r\n"
     "   die das Datenformat benötigt.\r\n"
     "4. Schreiben Sie das Ergebnis mit 'Ausgabedatei\r\n"
     "   anlegen' in eine neue Ausgabedatei.",
     "MIRVANO by TorvelSoft converts data files into other\r\n"
     "data formats and character sets and can write the\r\n"
     "\"CREATE TABLE\" script for importing the data into MySQL\r\n"
     "or other SQL data bases. So the data can be imported\r\n"
     "into any data base management system or file system.\r\n"
     "\r\n"
     "Conversions between this data formats are possible:\r\n"
     "CSV (Comma Separated Value)\r\n"
     "SDF (Simple Document Format)\r\n"
     "dBase (Borlands data base format)\r\n"
     "\r\n"
     "Conversions between this character sets are possible:\r\n"
     "ANSI (American National Standards Institute)\r\n"
     "     (single-byte Windows standard)\r\n"
     "ASCII (American Standard Code for\r\n"
     "      Information Interchange)\r\n"
     "      (single-byte character set)\r\n"
     "UTF8 (Unicode Transformation Format)\r\n"
     "     (multi-byte character set)\r\n"
     "Unicode (Universal Character Set)\r\n"
     "        (double-byte character set)\r\n"
     "\r\n"
     "Very large CSV and SDF files can also be processed,\r\n"
     "files larger than 4,3 gigabyte.\r\n"
     "\r\n"
     "All data can be selected by their data fields. The data\r\n"
     "of dBase files can also be selected by data records and\r\n"
     "sorted anew by data fields. Several dBase files can be\r\n"
     "concatenated into one file.\r\n"
     "\r\n"
     "The program is run from its window or from the command\r\n"
     "line. On the command line the paths follow the rules of\r\n"
     "the operating system and the file formats; they are\r\n"
     "separated by blanks and put in quotation marks when\r\n"
     "they contain blanks. With the wildcards '*' and '?'\r\n"
     "several files are processed at once. The push button\r\n"
     "'Save configuration' writes a configuration file of the\r\n"
     "current settings for later runs from the command line,\r\n"
     "always with the extension '.mcf' (MIRVANO configuration\r\n"
     "file).\r\n"
     "Syntax and examples:\r\n"
     "MIRVANO <input file> <output file> [<config. file>]\r\n"
     "MIRVANO c:\\post\\a.dbf c:\\post\\a.csv c:\\post\\d2c.mcf\r\n"
     "MIRVANO \"c:\\a b\\a.dbf\" \"c:\\c d\\b.csv\" \"c:\\e f\\d2c.mcf\"\r\n"
     "MIRVANO c:\\post\\*.dbf c:\\post\\*.csv c:\\post\\d2c.mcf\r\n"
     "\r\n"
     "Usually only the format of the input file and the\r\n"
     "wanted format of the output file need to be chosen. The\r\n"
     "common parameters are preset and can be changed.\r\n"
     "\r\n"
     "Proceed AS follows:\r\n"
     "1. If needed, concatenate several dBase files into a\r\n"
     "   new file.\r\n"
     "2. Open it or another dBase, CSV or SDF input file\r\n"
     "   with the push button 'Open input file'.\r\n"
     "3. Set all properties and selections that the data\r\n"
     "   format needs.\r\n"
     "4. Write the result with 'Write output file' into a\r\n"
     "   new output file."},
    {4, "keine", "none"},
    {5, "Eingabe-Datei mit Daten für Konvertierung öffnen", "Open intput file with data for conversion"},
    {6, "dBase-Dateien", "dBase files"},
    {7, "Fehler beim Öffnen der Eingabe-dBase-Datei", "Error when opening the input dBase file"},
    {8, "Keine Datenfelder in der Eingabe-dBase-Datei", "No data fields in the input dBase file"},
    {9, "Datei $ geöffnet", "File $ opened"},
    {10, "Es ist noch keine Eingabedatei geöffnet worden", "Still no input file was opened"},
    {11, "SDF-Dateien", "SDF files"},
    {12, "CSV-Dateien", "CSV files"},
    {13, "Ausgabe-Datei für konvertierte Daten öffnen", "Open output file for converted data"},
    {14, "Alle Dateien", "All files"},
    {15, "Eingabe- und Ausgabedateien dürfen nicht identisch sein", "Input and output files may not be identical"},
    {16, "Eine dBase-Datei muss die Extension \".dbf\" haben", "A Dbase file must have the extension \".dbf\""},
    {17, "Die Extension der gewählten Datei ist nicht zulässig", "The extension of the selected file is not permissible"},
    {18, "Bei aktiviertem Datenfeldfilter wurden keine Datenfelder gewählt", "With activated data field filter no data fields were selected"},
    {19, "Fehler beim Erzeugen der Ausgabe-dBase-Datei", "Error when creating the output dBase file"},
    {20, "Fehler beim Öffnen der Ausgabe-dBase-Datei", "Error when opening the output dBase file"},
    {21, "Datenstrukturen der dBase-Dateien sind nicht kompatibel", "Data structures of the dBase files are not compatible"},
    {22, "In eine ANSI-Datenbank kann nicht im OEM/ASCII-Format geschrieben werden", "Into an ANSI data base cannot be written in the OEM/ASCII format"},
    {23, "In eine OEM/ASCII-Datenbank kann nicht im ANSI-Format geschrieben werden", "Into an OEM/ASCII data base cannot be written in the ANSI format"},
    {24, "Fehler beim Erzeugen der SDF- oder CSV-Datei", "Error when creating the SDF or CSV file"},
    {25, "Fehler beim Öffnen der SDF- oder CSV-Datei", "Error when opening the SDF or CSV file"},
    {26, "Bei aktiviertem Datensatzfilter wurden keine Filterkriterien gewählt", "With activated data record filter no filter condition is selected"},
    {27, "Der Datensatzfilter konnte nicht aktiviert werden", "The data record filter could not be activated"},
    {28, "Fehler beim Erzeugen einer Indexdatei für die Sortierung", "Error when creating an index file for the sorting"},
    {29, "Bei aktivierter Sortierung wurden keine Sortierfelder gewählt", "With activated sorting no sort fields were selected"},
    {30, "$1 Datensätze in die Datei $2 konvertiert", "$1 data records converted into the file $2"},
    {31, "dBase-Dateien zum Verbinden selektieren", "Select dBase files for concatenating"},
    {32, "Es müssen mindestens zwei Dateien ausgewählt sein", "A minimum of two files must be selected"},
    {33, "Sollen die gewählten Dateien wirklich zusammengefügt werden?", "Are the selected files really to be concatenated?"},
    {34, "Zieldatei für die zu verbindenden Dateien öffnen", "Open Target file for the files to be concatenated"},
    {35, "Fehler beim Öffnen der Datei $", "Error when opening the file $"},
    {36, "Fehler beim Erzeugen der Datei $", "Error when creating the file $"},
    {37, "Datei $ verbunden", "File $ concatenated"},
    {38, "$1 Dateien in Datei $2 verbunden", "$1 files concatenated in file $2"},
    {39, "Der Filterstring ist korrekt", "The filter string is correct"},
    {40, "Die Syntax des Filterstrings ist falsch", "The syntax of the filter string is wrong"},
    {41, "Der Filterstring ist nicht logisch", "The filter string is not logical"},
    {42, "Fehler beim Erzeugen der Hilfedatei", "Error with creating the help file"},
    {43, "Die Hilfedatei kann nicht angezeigt werden", "The help file cannot be shown"},
    {44, "Die Hilfedatei ist nicht vorhanden", "The help file is missing "},
    {45, "Bei vorhandener Filterbedingung wurde der Datensatzfilter nicht aktiviert", "With existing filter condition the data record filter was not activated. "},
    {46, "Es ist noch keine Ausgabedatei geöffnet worden", "Still no output file was opened"},
    {47, "Fehler beim Lesen der Ausgabedatei", "Error while reading the output file"},
    {48, "Dateiformat:", "File format:"},
    {49, "Es werden nur 128 Kilobyte dargestellt!", "Only the first 128 kilobyte are shown!"},
    {50, "MIRVANO Konfigurationsdateien", "MIRVANO configuration files"},
    {51, "MIRVANO Konfigurationsdatei öffnen", "Open MIRVANO configuration file"},
    {52, "Fehler in der MIRVANO Konfigurationsdatei", "Error in the MIRVANO configuration file"},
    {53, "Anzahl Datenfelder in CSV-Datensätzen unterschiedlich", "Number of data fields in CSV records are different"},
    {54, "Analyse der Eingabedatei", "Analysis of the input file"},
    {55, "Optimierung der SDF-Datenfelder", "Optimization of the SDF data fields"},
    {56, "Übertragen der Daten in die Ausgabedatei", "Transfere of the data to the output file"},
    {58, "", ""},
    {59, "", ""},
    {63, "Fehler in der Struktur der SDF-Datei", "Error in the structure of the SDF file"},
    {64, "Eingabedat. analysieren", "Analyze input file"},
    {65, "Eingabedatei öffnen", "Open input file"},
    {66, "Zur Zeit besteht keine Verbindung zum Internet.", "Currently there is no connection to the Internet."},
    {67, "Die Kopfzeile der dBase-Datei nennt $1 Datensätze, vollständig enthalten und gelesen sind $2",
     "The header of the dBase file counts $1 records; $2 complete records are in the file and were read"},
    {68, "Die Ausgabedatei $ würde von mehr als einem Schritt geschrieben und wird nicht geschrieben",
     "The output file $ would be written by more than one step and is not written"},
    {69, "Die Ausgabedatei $ ist eine Eingabedatei dieses Aufrufs und wird nicht überschrieben",
     "The output file $ is an input file of this run and is not overwritten"},
    {70, "Die Konfigurationsdatei $ ist nicht vorhanden", "The configuration file $ does not exist"},
    {71, "Keine Datei passt zu $: es wurde nichts konvertiert", "No file matches $: nothing was converted"},
    {72, "Keine Eingabedatei angegeben: es wurde nichts konvertiert (Aufruf: mirvano Eingabe Ausgabe Konfigurationsdatei)",
     "No input file given: nothing was converted (usage: mirvano input output settings-file)"},
    {73, "Für $ ist keine Ausgabedatei angegeben: ohne Bildschirm wird nichts konvertiert",
     "No output file given for $: without a display nothing is converted"},
    {74, "Die Konvertierung von $ wurde abgebrochen", "The conversion of $ was cancelled"},
    {75, "Ein Datensatz wäre $1 Bytes lang; eine dBase-Datei fasst höchstens $2 Bytes je Datensatz",
     "A data record would be $1 bytes long; a dBase file holds at most $2 bytes a record"},
    {76, "$1 Datenfelder; eine dBase-Datei fasst höchstens $2 Datenfelder",
     "$1 data fields; a dBase file holds at most $2 data fields"},
    {77, "Das Datenfeld $1 hat den Typ $2, den eine neue dBase-Datei nicht aufnehmen kann",
     "The data field $1 has the type $2, which a new dBase file cannot hold"},
    {78, "Fehler beim Schreiben der Datei $", "Error when writing the file $"},
    {79, "Fehler beim Lesen der Eingabedatei $", "Error when reading the input file $"},
    {80, "Keines der Datenfelder kann in die Ausgabedatei geschrieben werden",
     "None of the data fields can be written to the output file"},
    {81, "Das Verbinden der Dateien wurde abgebrochen", "The concatenation of the files was cancelled"},
    {82, "Der Datensatzfilter konnte für keinen Datensatz ausgewertet werden",
     "The data record filter could not be evaluated for any data record"},
    {83, "die Datei ist nicht mehr vorhanden", "the file no longer exists"},
    {84, "Fehler beim Lesen der Eingabedatei", "Error while reading the input file"},
    {90, "$1 Zeichen wurden in der Ausgabedatei ersetzt (im Zeichensatz nicht vorhanden, oder ein Anführungszeichen "
         "oder Trennzeichen in einem Wert), das erste in Zeile $2 von $3",
     "$1 characters were replaced in the output file (missing from its character set, or a quote or separator "
     "inside a value), the first in line $2 of $3"},
    {91, "$1 Zeichen wurden in der Ausgabedatei ersetzt (im Zeichensatz nicht vorhanden, oder ein Anführungszeichen "
         "oder Trennzeichen in einem Wert), das erste im Datensatz $2 von $3",
     "$1 characters were replaced in the output file (missing from its character set, or a quote or separator "
     "inside a value), the first in record $2 of $3"},
    {92, "Zeile $1 der Eingabedatei ist länger als 1 MiB ohne Zeilenende; das Lesen wurde dort beendet",
     "Line $1 of the input file runs on for more than 1 MiB without a line end; the reading stopped there"},
    {93, "Das alleinstehende Anführungszeichen in Zeile $1 von $2 wurde als Daten (Wiederholungszeichen) gelesen; "
         "als Beginn eines Werts über die folgenden Zeilen gelesen ergäbe es ebenfalls ganze Datensätze",
     "The lone quote in line $1 of $2 was read as data (a ditto mark); read as the start of a value over the next "
     "lines it would also give whole records"},
    {97, "kein Datenfeld und keine Variable, die der Filter lesen kann: $", "no data field or variable the filter can read: $"},
    {98, "unbekannte Funktion $", "unknown function $"},
    {99, "fehlende oder falsche Argumente für $", "missing or wrong arguments for $"},
    {100, "die Operanden von $ passen nicht zusammen", "the operands of $ do not go together"},
    {101, "Die Spalten der SDF-Datei lassen sich nicht trennen, ohne einen Wert zu teilen: Zeile $",
     "The columns of the SDF file cannot be separated without splitting a value: line $"},
    {102, "Der Feldname $1 kommt mehrfach vor: die Ausgabedatei nennt das Datenfeld Nr. $2 $3",
     "The field name $1 occurs more than once: the output file names data field no. $2 $3"},
    {103, "Die Zeichensatzkennung $1 von $2 ist unbekannt: der Text wird als ANSI (1252) gelesen",
     "The code page byte $1 of $2 is unknown: the text is read as ANSI (1252)"},
    {104, "Die Zeichensatzdatei $1 nennt keinen bekannten Zeichensatz: der Text wird als ANSI (1252) gelesen",
     "The code page file $1 names no known code page: the text is read as ANSI (1252)"},
    {105, "Die Memodatei $ fehlt", "The memo file $ is missing"},
    {106, "Die Memodatei $ fehlt: die übrigen Datenfelder wurden ohne die Memofelder konvertiert",
     "The memo file $ is missing: the other data fields were converted without the memo fields"},
    {107, "Die Feldlängen von $ ergeben nicht die Datensatzlänge der Datei: sie wird nicht gelesen",
     "The field lengths of $ do not add up to its record length: the file is not read"},
    {94, "Die Eingabedatei ist in UTF-16 mit der höchstwertigen Stelle zuerst (big-endian) geschrieben; "
         "gelesen wird UTF-16 mit der niedrigstwertigen zuerst (little-endian)",
     "The input file is in big-endian UTF-16; the program reads little-endian UTF-16"},
    {115, "Der Wert $2 der Einstellung $1 in $3 enthält keines der Schlüsselwörter $4",
     "The value $2 of the setting $1 in $3 contains none of the keywords $4"},
    {116, "Die Ausgabedatei $ ist die Konfigurationsdatei dieses Aufrufs und wird nicht überschrieben",
     "The output file $ is the settings file of this run and is not overwritten"},
    {117, "Der Bildschirm $ kann nicht geöffnet werden: die Konvertierung läuft ohne Fenster",
     "The display $ cannot be opened: the conversion runs without a window"},
    {118, "Der Bildschirm $ kann nicht geöffnet werden: das Formular kann nicht angezeigt werden",
     "The display $ cannot be opened: the form cannot be shown"},
    {121, "Die Ausgabedatei $ ist schreibgeschützt und wird nicht überschrieben",
     "The output file $ is write-protected and is not overwritten"},
    {122, "Im Ordner $ kann keine temporäre Datei angelegt werden", "No temporary file can be created in the folder $"},
};

}  // namespace

std::span<const MessageText> messageTable() { return kMessages; }

const char* messageText(int number, int language) {
    for (const auto& m : kMessages) {
        if (m.number == number) {
            if (language == kGerman) return m.german;
            if (language == kEnglish) return m.english;
            return "";
        }
    }
    return "";
}

bool hasMessage(int number) {
    for (const auto& m : kMessages)
        if (m.number == number) return true;
    return false;
}

}  // namespace ui
