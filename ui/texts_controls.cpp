// Caption and help text of every form control that has one, German and English, in the
// order of the help file.
#include "ui/texts.h"

#include <array>

namespace ui {

namespace {

constexpr std::array<ControlText, 98> kControlTexts{{
    {"GROUPEINSTELLUNGIN",
     "Einstellungen für die Eingabedatei",
     "Settings for the input file",
     "In diesem Bereich werden die Einstellungen für die\r\n"
     "dBase-, CSV- oder SDF-Eingabedatei gewählt.",
     "In this area the settings for the dBase, CSV or SDF\r\n"
     "input file are chosen."},
    {"GROUPFORMATIN",
     "Dateiformat",
     "File format",
     "Wählen Sie das Format der Eingabedatei, die verarbeitet\r\n"
     "werden soll.",
     "Choose the format of the input file that is to be\r\n"
     "processed."},
    {"RADIODBFIN",
     "dBase",
     "dBase",
     "dBase ist ein Datenbanksystem. Eine dBase-Eingabedatei\r\n"
     "kann von den gängigen Tabellenkalkulations- und\r\n"
     "Datenbankprogrammen direkt gelesen und verarbeitet\r\n"
     "werden.",
     "dBase is a data base system. A dBase input file can be\r\n"
     "read and processed directly by the common spreadsheet\r\n"
     "and data base programs."},
    {"RADIOSDFIN",
     "SDF",
     "SDF",
     "In einer SDF-Eingabedatei (Simple Document Format)\r\n"
     "stehen alle Datenfelder der Datensätze exakt\r\n"
     "untereinander (formatiert).",
     "In an SDF input file (Simple Document Format) all data\r\n"
     "fields of the records stand exactly beneath each other\r\n"
     "(formatted)."},
    {"RADIOCSVIN",
     "CSV",
     "CSV",
     "In einer CSV-Eingabedatei (Comma Separated Value) sind\r\n"
     "die Datenfelder eines Datensatzes durch ein Semikolon\r\n"
     "oder ein anderes Zeichen getrennt.",
     "In a CSV input file (Comma Separated Value) the data\r\n"
     "fields of a record are separated by a semicolon or\r\n"
     "another character."},
    {"GROUPZEICHENSATZIN",
     "Zeichensatz",
     "Character set",
     "Wählen Sie den Zeichensatz der Eingabedatei. Welcher\r\n"
     "Zeichensatz verwendet wird, hängt vom Betriebssystem und\r\n"
     "von der Hardware ab.",
     "Choose the character set of the input file. Which\r\n"
     "character set is used depends on the operating system\r\n"
     "and the hardware."},
    {"RADIOANSIIN",
     "ANSI (Windows)",
     "ANSI (Windows)",
     "ANSI (American National Standards Institute) ist der\r\n"
     "nationale Zeichensatz von Windows. Wählen Sie ihn, wenn\r\n"
     "die Eingabedatei unter Windows verwendet wurde.",
     "ANSI (American National Standards Institute) is the\r\n"
     "national character set of Windows. Choose it when the\r\n"
     "input file was used under Windows."},
    {"RADIOASCIIIN",
     "ASCII / OEM",
     "ASCII / OEM",
     "ASCII (American Standard Code for Information\r\n"
     "Interchange), auch OEM genannt, ist ein\r\n"
     "Standard-Zeichensatz, den die meisten Computer und\r\n"
     "Betriebssysteme verstehen.",
     "ASCII (American Standard Code for Information\r\n"
     "Interchange), also called OEM, is a standard character\r\n"
     "set that most computers and operating systems\r\n"
     "understand."},
    {"RADIOUTF8IN",
     "UTF8",
     "UTF8",
     "UTF8 (Unicode Transformation Format): Jedes Zeichen ist\r\n"
     "eine speziell codierte Bytefolge variabler Länge.",
     "UTF8 (Unicode Transformation Format): each character is\r\n"
     "a specially coded byte sequence of variable length."},
    {"RADIOUNIIN",
     "UTF16 / Unicode",
     "UTF16 / Unicode",
     "UTF16, auch Unicode (Universal Character Set) genannt:\r\n"
     "Jedes Zeichen ist zwei Byte lang.",
     "UTF16, also called Unicode (Universal Character Set):\r\n"
     "each character is two bytes long."},
    {"GROUPDEZIMALIN",
     "Dezimaltrennung",
     "Dec. separator",
     "Wählen Sie das Dezimaltrennzeichen der numerischen\r\n"
     "Datenfelder der Eingabedatei. Auf Textfelder hat es\r\n"
     "keine Auswirkung.",
     "Choose the decimal separator of the numeric data fields\r\n"
     "of the input file. It has no effect on text fields."},
    {"RADIOPUNKTIN",
     "Punkt",
     "Dot",
     "Der Punkt ist das Dezimaltrennzeichen in den numerischen\r\n"
     "Datenfeldern der Eingabedatei.",
     "The dot is the decimal separator in the numeric data\r\n"
     "fields of the input file."},
    {"RADIOKOMMAIN",
     "Komma",
     "Comma",
     "Das Komma ist das Dezimaltrennzeichen in den numerischen\r\n"
     "Datenfeldern der Eingabedatei.",
     "The comma is the decimal separator in the numeric data\r\n"
     "fields of the input file."},
    {"GROUPCSVSEPIN",
     "CSV Separator",
     "CSV separator",
     "Wählen Sie das Zeichen, das die Datenfelder eines\r\n"
     "Datensatzes in der CSV-Eingabedatei trennt.",
     "Choose the character that separates the data fields of a\r\n"
     "record in the CSV input file."},
    {"RADIOSEPASEMIIN",
     "Semikolon",
     "Semicolon",
     "Das Semikolon trennt die Datenfelder in der\r\n"
     "CSV-Eingabedatei.",
     "The semicolon separates the data fields in the CSV input\r\n"
     "file."},
    {"RADIOSEPAKOMMAIN",
     "Komma",
     "Comma",
     "Das Komma trennt die Datenfelder in der\r\n"
     "CSV-Eingabedatei.",
     "The comma separates the data fields in the CSV input\r\n"
     "file."},
    {"RADIOSEPASCHRAEGIN",
     "Schrägstrich",
     "Slash",
     "Der Schrägstrich trennt die Datenfelder in der\r\n"
     "CSV-Eingabedatei.",
     "The slash separates the data fields in the CSV input\r\n"
     "file."},
    {"RADIOSEPATABIN",
     "Tabulator",
     "Tabulator",
     "Der Tabulator trennt die Datenfelder in der\r\n"
     "CSV-Eingabedatei.",
     "The tabulator separates the data fields in the CSV input\r\n"
     "file."},
    {"GROUPFELDGRENZEIN",
     "CSV Feldgrenze",
     "CSV field frame",
     "Wählen Sie, welche Datenfelder der CSV-Eingabedatei\r\n"
     "durch ein führendes und ein anhängendes\r\n"
     "Anführungszeichen begrenzt sind. Die Begrenzung erlaubt\r\n"
     "das Trennzeichen innerhalb von Textfeldern.",
     "Choose which data fields of the CSV input file are\r\n"
     "framed by a leading and a trailing double quote. The\r\n"
     "frame allows the separator inside text fields."},
    {"RADIOGRENZETEXTIN",
     "Nur Textfelder",
     "Text fields only",
     "Nur die Textfelder der CSV-Eingabedatei sind durch\r\n"
     "Anführungszeichen begrenzt.",
     "Only the text fields of the CSV input file are framed by\r\n"
     "double quotes."},
    {"RADIOGRENZEKEINEIN",
     "Keine Felder",
     "No data fields",
     "Kein Datenfeld der CSV-Eingabedatei ist begrenzt.",
     "No data field of the CSV input file is framed."},
    {"RADIOGRENZEALLEIN",
     "Alle Felder",
     "All data fields",
     "Alle Datenfelder der CSV-Eingabedatei sind durch\r\n"
     "Anführungszeichen begrenzt.",
     "All data fields of the CSV input file are framed by\r\n"
     "double quotes."},
    {"CHECKHEADERIN",
     "CSV- / SDF-Header-Infos vorhanden",
     "CSV / SDF header information available",
     "Die erste Zeile der CSV- oder SDF-Eingabedatei ist eine\r\n"
     "Kopfzeile mit den Namen der Datenfelder.",
     "The first line of the CSV or SDF input file is a header\r\n"
     "with the names of the data fields."},
    {"CHECKBLANKIN",
     "SDF-Datenfelder optimiert oder Blank-getrennt",
     "SDF fields optimized or separated by blanks",
     "Die Datenfelder der SDF-Eingabedatei sind optimiert\r\n"
     "und/oder durch Blanks getrennt, so dass das Programm\r\n"
     "ihre Positionen und Längen finden kann.",
     "The data fields of the SDF input file are optimized\r\n"
     "and/or separated by blanks, so that the program can find\r\n"
     "their positions and lengths."},
    {"CHECKLAENGEIN",
     "CSV- / SDF-Feldlängen sind vorgeben ==>",
     "CSV / SDF field lengths are pretended ==>",
     "Die im Textfeld daneben eingetragenen Feldlängen werden\r\n"
     "für die CSV-Ausgabedatei oder die SDF-Eingabedatei\r\n"
     "verwendet.",
     "The field lengths entered in the text field beside it\r\n"
     "are used for the CSV output file or the SDF input file."},
    {"SINGLELAENGEIN",
     "CSV- / SDF-Feldlängen",
     "CSV / SDF field lengths",
     "Bei SDF-Daten können die in der Eingabedatei\r\n"
     "vorhandenen Längen der einzelnen Datenfelder vorgegeben\r\n"
     "werden. Bei CSV-Daten können die in der Ausgabedatei\r\n"
     "zu verwendenden Längen der einzelnen Datenfelder\r\n"
     "vorgegeben werden. Tragen Sie die durch Komma,\r\n"
     "Semikolon oder Blanks getrennten Feldlängen in der\r\n"
     "Reihenfolge ihres Vorkommens ein.",
     "When using SDF data, the field lengths of the existing\r\n"
     "data fields in the input file can be set. When using\r\n"
     "CSV data, the field lengths to write to the output file\r\n"
     "can be set. Enter the comma, semicolon or blank\r\n"
     "separated field lengths in order of their occurrence."},
    {"GROUPEINSTELLUNGOUT",
     "Einstellungen für die Ausgabedatei",
     "Settings for the output file",
     "In diesem Bereich werden die Einstellungen für die\r\n"
     "dBase-, CSV- oder SDF-Ausgabedatei gewählt.",
     "In this area the settings for the dBase, CSV or SDF\r\n"
     "output file are chosen."},
    {"GROUPFORMATOUT",
     "Dateiformat",
     "File format",
     "Wählen Sie das Format der Ausgabedatei. dBase-, SDF- und\r\n"
     "CSV-Daten können in (fast) jedes\r\n"
     "Datenbank-Verwaltungssystem importiert werden.",
     "Choose the format of the output file. dBase, SDF and CSV\r\n"
     "data can be imported into (nearly) any data base\r\n"
     "management system."},
    {"RADIODBFOUT",
     "dBase",
     "dBase",
     "dBase ist ein Datenbanksystem. Eine dBase-Ausgabedatei\r\n"
     "kann von den gängigen Tabellenkalkulations- und\r\n"
     "Datenbankprogrammen direkt gelesen und verarbeitet\r\n"
     "werden.",
     "dBase is a data base system. A dBase output file can be\r\n"
     "read and processed directly by the common spreadsheet\r\n"
     "and data base programs."},
    {"RADIOSDFOUT",
     "SDF",
     "SDF",
     "In einer SDF-Ausgabedatei (Simple Document Format)\r\n"
     "stehen alle Datenfelder der Datensätze exakt\r\n"
     "untereinander (formatiert).",
     "In an SDF output file (Simple Document Format) all data\r\n"
     "fields of the records stand exactly beneath each other\r\n"
     "(formatted)."},
    {"RADIOCSVOUT",
     "CSV",
     "CSV",
     "In einer CSV-Ausgabedatei (Comma Separated Value) sind\r\n"
     "die Datenfelder eines Datensatzes durch ein Semikolon\r\n"
     "oder ein anderes Zeichen getrennt.",
     "In a CSV output file (Comma Separated Value) the data\r\n"
     "fields of a record are separated by a semicolon or\r\n"
     "another character."},
    {"GROUPZEICHENSATZOUT",
     "Zeichensatz",
     "Character set",
     "Wählen Sie einen Zeichensatz für die Ausgabedatei.\r\n"
     "Welcher Zeichensatz verwendet wird, hängt vom\r\n"
     "Betriebssystem und von der Hardware ab.",
     "Choose a character set for the output file. Which\r\n"
     "character set is used depends on the operating system\r\n"
     "and the hardware."},
    {"RADIOANSIOUT",
     "ANSI (Windows)",
     "ANSI (Windows)",
     "ANSI (American National Standards Institute) ist der\r\n"
     "nationale Zeichensatz von Windows. Wählen Sie ihn, wenn\r\n"
     "die Ausgabedatei nur unter Windows verwendet werden\r\n"
     "soll.",
     "ANSI (American National Standards Institute) is the\r\n"
     "national character set of Windows. Choose it when the\r\n"
     "output file is to be used under Windows only."},
    {"RADIOASCIIOUT",
     "ASCII / OEM",
     "ASCII / OEM",
     "ASCII (American Standard Code for Information\r\n"
     "Interchange), auch OEM genannt, ist ein\r\n"
     "Standard-Zeichensatz, den die meisten Computer und\r\n"
     "Betriebssysteme verstehen.",
     "ASCII (American Standard Code for Information\r\n"
     "Interchange), also called OEM, is a standard character\r\n"
     "set that most computers and operating systems\r\n"
     "understand."},
    {"RADIOUTF8OUT",
     "UTF8",
     "UTF8",
     "UTF8 (Unicode Transformation Format): Jedes Zeichen ist\r\n"
     "eine speziell codierte Bytefolge variabler Länge.",
     "UTF8 (Unicode Transformation Format): each character is\r\n"
     "a specially coded byte sequence of variable length."},
    {"RADIOUNIOUT",
     "UTF16 / Unicode",
     "UTF16 / Unicode",
     "UTF16, auch Unicode (Universal Character Set) genannt:\r\n"
     "Jedes Zeichen ist zwei Byte lang.",
     "UTF16, also called Unicode (Universal Character Set):\r\n"
     "each character is two bytes long."},
    {"GROUPDEZIMALOUT",
     "Dezimaltrennung",
     "Dec. separator",
     "Wählen Sie das Dezimaltrennzeichen, das in den\r\n"
     "numerischen Datenfeldern der Ausgabedatei verwendet\r\n"
     "werden soll. Auf Textfelder hat es keine Auswirkung.",
     "Choose the decimal separator to be used in the numeric\r\n"
     "data fields of the output file. It has no effect on text\r\n"
     "fields."},
    {"RADIOPUNKTOUT",
     "Punkt",
     "Dot",
     "Der Punkt soll das Dezimaltrennzeichen in den\r\n"
     "numerischen Datenfeldern der Ausgabedatei sein.",
     "The dot is to be the decimal separator in the numeric\r\n"
     "data fields of the output file."},
    {"RADIOKOMMAOUT",
     "Komma",
     "Comma",
     "Das Komma soll das Dezimaltrennzeichen in den\r\n"
     "numerischen Datenfeldern der Ausgabedatei sein.",
     "The comma is to be the decimal separator in the numeric\r\n"
     "data fields of the output file."},
    {"GROUPCSVSEPOUT",
     "CSV Separator",
     "CSV separator",
     "Wählen Sie das Zeichen, das die Datenfelder eines\r\n"
     "Datensatzes in der CSV-Ausgabedatei trennen soll.",
     "Choose the character that is to separate the data fields\r\n"
     "of a record in the CSV output file."},
    {"RADIOSEPASEMIOUT",
     "Semikolon",
     "Semicolon",
     "Das Semikolon soll die Datenfelder in der\r\n"
     "CSV-Ausgabedatei trennen.",
     "The semicolon is to separate the data fields in the CSV\r\n"
     "output file."},
    {"RADIOSEPAKOMMAOUT",
     "Komma",
     "Comma",
     "Das Komma soll die Datenfelder in der CSV-Ausgabedatei\r\n"
     "trennen.",
     "The comma is to separate the data fields in the CSV\r\n"
     "output file."},
    {"RADIOSEPASCHRAEGOUT",
     "Schrägstrich",
     "Slash",
     "Der Schrägstrich soll die Datenfelder in der\r\n"
     "CSV-Ausgabedatei trennen.",
     "The slash is to separate the data fields in the CSV\r\n"
     "output file."},
    {"RADIOSEPATABOUT",
     "Tabulator",
     "Tabulator",
     "Der Tabulator soll die Datenfelder in der\r\n"
     "CSV-Ausgabedatei trennen.",
     "The tabulator is to separate the data fields in the CSV\r\n"
     "output file."},
    {"GROUPFELDGRENZEOUT",
     "CSV Feldgrenze",
     "CSV field frame",
     "Wählen Sie, welche Datenfelder der CSV-Ausgabedatei\r\n"
     "durch Anführungszeichen begrenzt werden sollen. Die\r\n"
     "Begrenzung erlaubt das Trennzeichen innerhalb von\r\n"
     "Textfeldern.",
     "Choose which data fields of the CSV output file are to\r\n"
     "be framed by double quotes. The frame allows the\r\n"
     "separator inside text fields."},
    {"RADIOGRENZETEXTOUT",
     "Nur Textfelder",
     "Text fields only",
     "Nur die Textfelder der CSV-Ausgabedatei sollen durch\r\n"
     "Anführungszeichen begrenzt werden.",
     "Only the text fields of the CSV output file are to be\r\n"
     "framed by double quotes."},
    {"RADIOGRENZEKEINEOUT",
     "Keine Felder",
     "No data fields",
     "Kein Datenfeld der CSV-Ausgabedatei soll begrenzt\r\n"
     "werden.",
     "No data field of the CSV output file is to be framed."},
    {"RADIOGRENZEALLEOUT",
     "Alle Felder",
     "All data fields",
     "Alle Datenfelder der CSV-Ausgabedatei sollen durch\r\n"
     "Anführungszeichen begrenzt werden.",
     "All data fields of the CSV output file are to be framed\r\n"
     "by double quotes."},
    {"CHECKHEADEROUT",
     "CSV- / SDF-Header-Infos schreiben",
     "Write CSV / SDF header information",
     "In die erste Zeile der SDF- oder CSV-Ausgabedatei soll\r\n"
     "eine Kopfzeile mit den Namen der Datenfelder geschrieben\r\n"
     "werden.",
     "A header with the names of the data fields is to be\r\n"
     "written into the first line of the SDF or CSV output\r\n"
     "file."},
    {"CHECKSKRIPTOUT",
     "SQL Import-Skript in CSV- / SDF-Datei schreiben",
     "Write SQL import script in CSV / SDF file",
     "An den Anfang der SDF- oder CSV-Ausgabedatei soll ein\r\n"
     "SQL- / MySQL-Skript geschrieben werden, das die Tabelle\r\n"
     "anlegt und die Daten importiert.",
     "An SQL / MySQL script that creates the table and imports\r\n"
     "the data is to be written at the top of the SDF or CSV\r\n"
     "output file."},
    {"CHECKOPTIOUT",
     "Größe der SDF Datenfelder optimieren",
     "Optimize size of the SDF data fields",
     "Die Textfelder der SDF-Ausgabedatei werden auf ihren\r\n"
     "längsten Inhalt vermessen und auf diese Länge verkürzt.",
     "The text fields of the SDF output file are measured for\r\n"
     "their longest content and narrowed to that length."},
    {"CHECKBLANKOUT",
     "Alle SDF Datenfelder durch Blanks trennen",
     "All SDF data fields are separated by blanks",
     "Alle Datenfelder der SDF-Ausgabedatei werden durch ein\r\n"
     "Blank getrennt, damit ein späterer Import ihre\r\n"
     "Positionen und Längen finden kann.",
     "All data fields of the SDF output file are separated by\r\n"
     "a blank, so that a later import can find their positions\r\n"
     "and lengths."},
    {"GROUPSORTIER",
     "Hierarchische Sortierkriterien",
     "Hierarchical sorting condition",
     "Die Datensätze werden normalerweise in der Reihenfolge\r\n"
     "der Eingabedatei geschrieben. Hier kann eine\r\n"
     "Hauptsortierung mit Untersortierungen nach gewählten\r\n"
     "Datenfeldern eingestellt werden.",
     "The data records are normally written in the order of\r\n"
     "the input file. Here a main sorting with sub-sortings by\r\n"
     "chosen data fields can be set."},
    {"COMBOSORTIER1",
     "Erstes Sortierfeld",
     "First sorting field",
     "Wählen Sie das Datenfeld der Hauptsortierung. Die\r\n"
     "Datensätze werden danach sortiert geschrieben.",
     "Choose the data field of the main sorting. The data\r\n"
     "records are written sorted by it."},
    {"COMBOSORTIER2",
     "Zweites Sortierfeld",
     "Second sorting field",
     "Wählen Sie das Datenfeld einer Untersortierung. Die\r\n"
     "Datensätze werden nach dem Datenfeld links daneben und\r\n"
     "dann nach diesem sortiert.",
     "Choose the data field of a sub-sorting. The data records\r\n"
     "are sorted by the data field on the left and then by\r\n"
     "this one."},
    {"COMBOSORTIER3",
     "Drittes Sortierfeld",
     "Third sorting field",
     "Wählen Sie das Datenfeld einer weiteren Untersortierung,\r\n"
     "nach den Datenfeldern links daneben.",
     "Choose the data field of a further sub-sorting, after\r\n"
     "the data fields on the left."},
    {"COMBOSORTIER4",
     "Viertes Sortierfeld",
     "Fourth sorting field",
     "Wählen Sie das Datenfeld einer weiteren Untersortierung,\r\n"
     "nach den Datenfeldern links daneben.",
     "Choose the data field of a further sub-sorting, after\r\n"
     "the data fields on the left."},
    {"CHECKSORT",
     "Sortierkriterien anwenden",
     "Use sorting condition",
     "Wenn angekreuzt, werden die gewählten Datenfelder für\r\n"
     "die Sortierung verwendet.",
     "When ticked, the chosen data fields are used for the\r\n"
     "sorting."},
    {"GROUPDATENFELD",
     "Datenfeldfilter",
     "Field filter",
     "Normalerweise werden alle Datenfelder in die\r\n"
     "Ausgabedatei übertragen. Hier können die zu\r\n"
     "übertragenden Datenfelder gewählt werden.",
     "Normally all data fields are transferred to the output\r\n"
     "file. Here the data fields to transfer can be chosen."},
    {"LISTDATENFELD",
     "Auswahl der Datenfelder",
     "Selection of data fields",
     "Klicken Sie ein oder mehrere Datenfelder an, die in die\r\n"
     "Ausgabedatei geschrieben werden sollen.",
     "Click one or more data fields that are to be written to\r\n"
     "the output file."},
    {"CHECKDATENFELD",
     "Filter anwenden",
     "Use filter",
     "Wenn angekreuzt, werden nur die gewählten Datenfelder in\r\n"
     "die Ausgabedatei übertragen.",
     "When ticked, only the chosen data fields are transferred\r\n"
     "to the output file."},
    {"GROUPDATENSATZ",
     "Datensatzfilter",
     "Record filter",
     "Normalerweise werden alle Datensätze in die Ausgabedatei\r\n"
     "übertragen. Hier können die zu übertragenden Datensätze\r\n"
     "gewählt werden.",
     "Normally all data records are transferred to the output\r\n"
     "file. Here the data records to transfer can be chosen."},
    {"SINGLEDATENSATZ",
     "Logische Filterbedingung",
     "Logical filter condition",
     "In dieses Textfeld kann eine logische Filterbedingung\r\n"
     "eingetragen werden, die zur Selektion der benötigten\r\n"
     "Datensätze verwendet wird. Die Filterbedingung kann aus\r\n"
     "Datenfeldnamen, Operatoren und Funktionen der\r\n"
     "untenstehenden Listen zusammengestellt oder direkt in\r\n"
     "das Textfeld eingetragen werden. Die Filterbedingung\r\n"
     "muss der dBase / CLIPPER-Syntax entsprechen und ein\r\n"
     "Ergebnis vom Typ LOGIC erzeugen. Textkonstanten werden\r\n"
     "in \"doppelten Anführungszeichen\" geschrieben. Zahlen\r\n"
     "werden mit oder ohne Dezimalpunkt geschrieben. Ein\r\n"
     "Datum wird in der Form jjjj.mm.tt eingetragen. Beispiel:\r\n"
     "F1 < 1990.01.01. In den CSV- und SDF-Dateien wird aber\r\n"
     "das Datumsformat tt.mm.jjjj verwendet.",
     "Into this text field a logical filter condition can be\r\n"
     "written, which is used for the selection of the\r\n"
     "necessary data records. The filter condition can be\r\n"
     "arranged from data field names, operators and functions\r\n"
     "from the following list boxes or be written directly\r\n"
     "into the text field. The filter condition must follow\r\n"
     "the dBase / CLIPPER syntax and produce a result of the\r\n"
     "type LOGIC. Text constants are written in \"double\r\n"
     "quotation marks\". Numbers are written with or without\r\n"
     "a decimal point. A date is written in the form\r\n"
     "yyy.mm.dd. Example: F1 < 1990.01.01. In CSV and SDF\r\n"
     "files is used the date format dd.mm.yyyy instead."},
    {"LISTAUSWAHLFELD",
     "Datenfelder für die Filterbedingung",
     "Data fields for the filter condition",
     "Ein Klick überträgt einen Datenfeldnamen in das Textfeld\r\n"
     "für die Filterbedingung.",
     "A click transfers a data field name into the text field\r\n"
     "for the filter condition."},
    {"LISTOPERATOREN",
     "Operatoren für die Filterbedingung",
     "Operators for the filter condition",
     "Übertragen Sie durch Anklicken einen Operator in das\r\n"
     "Textfeld für die Filterbedingung. Ein \"STRING\" ist eine\r\n"
     "alphanumerische Zeichenkette\r\n"
     "\"=\" Strings sind bis zur Länge des Quellstrings gleich\r\n"
     "\"==\" Strings oder Zahlen sind exakt gleich\r\n"
     "\"!=\" Strings oder Zahlen sind nicht gleich\r\n"
     "\"<\" Strings oder Zahlen sind \"kleiner als\"\r\n"
     "\"<=\" Strings oder Zahlen sind \"kleiner als oder gleich\"\r\n"
     "\">\" Strings oder Zahlen sind \"größer als\"\r\n"
     "\">=\" Strings oder Zahlen sind \"größer als oder gleich\"\r\n"
     "\"+\" String werden zusammengefügt, Zahlen addiert\r\n"
     "\".and.\" Logische \"und\"-Verknüpfung\r\n"
     "\".or.\" Logische \"oder\"-Verknüpfung\r\n"
     "\".not.\" Logisches \"nicht\"",
     "Transfer by clicking an operator into the text field\r\n"
     "for the filter condition. \"String\" means \"Alphanumeric\r\n"
     "character string\"\r\n"
     "\"=\" Strings are equal up to the length of the source\r\n"
     "\"==\" Strings or numbers are exactly equal\r\n"
     "\"!=\" Strings or numbers are not equal\r\n"
     "\"<\" Strings or numbers are \"less than\"\r\n"
     "\"<=\" Strings or numbers are \"less than or equal\"\r\n"
     "\">\" Strings or numbers are \"greater than\"\r\n"
     "\">=\" Strings or numbers are \"greater than or equal\"\r\n"
     "\"+\" String are concatenated, numbers added\r\n"
     "\".and.\" Logical \"and\" interconnection\r\n"
     "\".or.\" Logical \"or\" interconnection\r\n"
     "\".not.\" Logical \"not\""},
    {"LISTFUNKTIONEN",
     "Funktionen für die Filterbedingung",
     "Functions for the filter condition",
     "Übertragen Sie durch Anklicken eine Funktion in das\r\n"
     "Textfeld für die Filterbedingung.\r\n"
     "Parameterbezeichnung \"c\": alphanumerisch / Text\r\n"
     "Parameterbezeichnung \"n\": numerisch\r\n"
     "Parameterbezeichnung \"u\": alphanumerisch oder numerisch\r\n"
     "\"Abs(n)\" Gibt den Absolutbetrag zurück\r\n"
     "\"AllTrim(c)\" Entfernt führende / anhängende Leerzeichen\r\n"
     "\"At(cSearch,c)\" Gibt Position von cSearch in c zurück\r\n"
     "\"Deleted()\" Gibt Löschstatus eines Datensatzes zurück\r\n"
     "\"Empty(u)\" Ermittelt ob u ein Leerstring oder Null ist\r\n"
     "\"IsInFile(u,cFile,nTyp)\" Ermittelt ob String u in einer\r\n"
     "  Zeile der Datei cFile enthalten ist\r\n"
     "  nTyp 0: Exakter Vergleich mit Groß/Kleinschreibung\r\n"
     "  nTyp 1: Exakter Vergleich ohne Groß/Kleinschreibung\r\n"
     "  nTyp 2: Kopf-Vergleich des String u mit Dateizeilen\r\n"
     "  nTyp 3: Kopf-Vergleich der Dateizeilen mit String u\r\n"
     "  nTyp 4: Eine Dateizeile in String u enthalten\r\n"
     "  nTyp 5: String u in einer Dateizeile enthalten\r\n"
     "\"Left(c,n)\" Erzeugt Teilstring links beginnend in c\r\n"
     "\"Len(c)\" Gibt die Länge eines String zurück\r\n"
     "\"Lower(c)\" Wandelt einen String in Kleinschreibweise um\r\n"
     "\"LTrim(c)\" Entfernt führende Leerzeichen im String c\r\n"
     "\"Max(n1,n2)\" Gibt den größeren von zwei Werten zurück\r\n"
     "\"Min(n1,n2)\" Gibt den kleineren von zwei Werten zurück\r\n"
     "\"PadL(c,n)\" Füllt einen String links mit Leerzeichen\r\n"
     "\"PadR(c,n)\" Füllt einen String rechts mit Leerzeichen\r\n"
     "\"Recno()\" Gibt die Nummer des Datensatzes zurück\r\n"
     "\"Right(c,n)\" Erzeugt eine Teilstring rechts beginnend\r\n"
     "\"Round(n,nDec)\" Rundet eine Zahl auf nDec Kommastellen\r\n"
     "\"RTrim(c)\" Entfernt anhängende Leerzeichen im String c\r\n"
     "\"Space(n)\" Erzeugt einen String mit Leerzeichen\r\n"
     "\"Str(n,nLen,nDec)\" Wandelt eine Zahl in einen String um\r\n"
     "\"SubStr(c,n1,n2)\" Teilstring n1 beginnend mit Länge n2\r\n"
     "\"Upper(c)\" Wandelt einen String in Großschreibweise um\r\n"
     "\"Val(c)\" Wandelt einen String in eine Zahl um",
     "Transfer by clicking a function into the text field for\r\n"
     "the filter condition.\r\n"
     "Parameter designation \"c\": alphanumeric / text\r\n"
     "Parameter designation \"n\": numeric\r\n"
     "Parameter designation \"u\": alphanumeric or numeric\r\n"
     "\"Abs(n)\" Returns the Absolute Value\r\n"
     "\"AllTrim(c)\" Removes leading and trailing spaces\r\n"
     "\"At(cSearch,c)\" Returns position of cSearch within c\r\n"
     "\"Deleted()\" Returns the deleted status of a data record\r\n"
     "\"Empty(u)\" Determines if u is an empty string or null\r\n"
     "\"IsInFile(u,cFile,nTyp)\" Determines if the string u is\r\n"
     "  contained in a line of the file cFile\r\n"
     "  nTyp 0: Exact comparison with upper/lower case\r\n"
     "  nTyp 1: Exact comparison without upper/lower case\r\n"
     "  nTyp 2: Head comparison string u with the file lines\r\n"
     "  nTyp 3: Head comparison file lines with the string u\r\n"
     "  nTyp 4: A File line is contained in the string u\r\n"
     "  nTyp 5: String u is contained in a file line\r\n"
     "\"Left(c,n)\" Extracts a substring beginning left of c\r\n"
     "\"Len(c)\" Returns the length of a string\r\n"
     "\"Lower(c)\" Converts a string to lowercase\r\n"
     "\"LTrim(c)\" Removes leading spaces from a string\r\n"
     "\"Max(n1,n2)\" Returns the larger of two values\r\n"
     "\"Min(n1,n2)\" Returns the smaller of two values\r\n"
     "\"PadL(c,n)\" Pads a string with spaces on the left\r\n"
     "\"PadR(c,n)\" Pads a string with spaces on the right\r\n"
     "\"Recno()\" Returns the current record number\r\n"
     "\"Right(c,n)\" Extracts a substring beginning right of c\r\n"
     "\"Round(n,nDec)\" Rounds a number to nDec digits\r\n"
     "\"RTrim(c)\" Removes trailing spaces from a string\r\n"
     "\"Space(n)\" Returns a string of spaces\r\n"
     "\"Str(n,nLen,nDec)\" Converts a number to a string\r\n"
     "\"SubStr(c,n1,n2)\" Substring starts at n1 with length n2\r\n"
     "\"Upper(c)\" Converts a string to uppercase\r\n"
     "\"Val(c)\" Converts a string to a numeric value"},
    {"BUTFILTERTESTEN",
     "Filter testen",
     "Test filter",
     "Prüft, ob die Syntax der Filterbedingung korrekt ist und\r\n"
     "ob sie einen logischen Wert ergibt.",
     "Tests whether the syntax of the filter condition is\r\n"
     "correct and whether it yields a logical value."},
    {"CHECKDATENSATZ",
     "Filter anwenden",
     "Use filter",
     "Wenn angekreuzt, wählt die Filterbedingung die\r\n"
     "Datensätze für die Ausgabedatei aus.",
     "When ticked, the filter condition selects the data\r\n"
     "records for the output file."},
    {"BUTDATEIVERBINDEN",
     "Dateien verbinden",
     "Concatenate files",
     "Die Datensätze mehrerer dBase-Dateien werden zusammen in\r\n"
     "eine neue Datei geschrieben oder an eine vorhandene\r\n"
     "Datei mit passender Struktur angehängt. Im Dateidialog\r\n"
     "werden mehrere Dateien durch Anklicken mit gedrückter\r\n"
     "Umschalt- oder Strg-Taste gewählt.",
     "The data records of several dBase files are written\r\n"
     "together into a new file, or appended to an existing\r\n"
     "file whose structure matches. In the file dialog several\r\n"
     "files are chosen by clicking with the Shift or Ctrl key\r\n"
     "held down."},
    {"BUTDATEIOEFFNEN",
     "Eingabedatei öffnen",
     "Open input file",
     "Öffnet die dBase-, CSV- oder SDF-Eingabedatei, deren\r\n"
     "Inhalt verarbeitet, sortiert und/oder selektiert werden\r\n"
     "soll.",
     "Opens the dBase, CSV or SDF input file whose content is\r\n"
     "to be processed, sorted and/or selected."},
    {"BUTDATEISPEICHERN",
     "Ausgabedatei anlegen",
     "Write output file",
     "Öffnet die dBase-, CSV- oder SDF-Ausgabedatei, in die\r\n"
     "der verarbeitete, sortierte und/oder selektierte Inhalt\r\n"
     "geschrieben wird.",
     "Opens the dBase, CSV or SDF output file into which the\r\n"
     "processed, sorted and/or selected content is written."},
    {"BUTABBRECHEN",
     "Konvertierung abbrechen",
     "Stop converting",
     "Bricht eine Konvertierung oder das Verbinden von Dateien\r\n"
     "ab.",
     "Stops a conversion or the concatenating of files."},
    {"BUTFONTPROPORT",
     "Proportionalschrift wählen",
     "Choose proportional font",
     "Wählt eine Proportionalschrift für CSV- und dBase-Daten\r\n"
     "in der Anzeige der Eingabe- und Ausgabedatei.",
     "Chooses a proportional font for CSV and dBase data in\r\n"
     "the views of the input and output file."},
    {"BUTFONTFIXED",
     "Festbreitenschrift wählen",
     "Choose monospace font",
     "Wählt eine Schrift mit fester Zeichenbreite für\r\n"
     "SDF-Daten in der Anzeige der Eingabe- und Ausgabedatei.",
     "Chooses a fixed-pitch font for SDF data in the views of\r\n"
     "the input and output file."},
    {"GROUPAUSGDATEI",
     "Ausgabedatei",
     "Output file",
     "Eine vorhandene Ausgabedatei wird entweder überschrieben\r\n"
     "oder mit den neuen Daten ergänzt. Zum Ergänzen müssen\r\n"
     "die Strukturen der Eingabe- und der Ausgabedatei\r\n"
     "übereinstimmen.",
     "An existing output file is either overwritten or\r\n"
     "supplemented with the new data. Supplementing needs\r\n"
     "matching structures of the input and the output file."},
    {"RADIOAUSGUEBERSCHR",
     "Datei überschreiben",
     "Overwrite file",
     "Eine vorhandene Ausgabedatei wird nach einer\r\n"
     "Sicherheitsabfrage überschrieben.",
     "An existing output file is overwritten after a safety\r\n"
     "question."},
    {"RADIOAUSGERGAENZEN",
     "Datei ergänzen",
     "Append to file",
     "Eine vorhandene Ausgabedatei wird mit den neuen Daten\r\n"
     "ergänzt.",
     "An existing output file is supplemented with the new\r\n"
     "data."},
    {"GROUPSPRACHE",
     "Sprache / Language",
     "Language / Sprache",
     "Das Programmfenster und die Hilfedatei können in\r\n"
     "verschiedenen Sprachen angezeigt werden.",
     "The program window and the help file can be shown in\r\n"
     "different languages."},
    {"RADIOENGLISCH",
     "English language",
     "English language",
     "Programmfenster und Hilfedatei werden in Englisch\r\n"
     "angezeigt.",
     "Program window and help file are shown in English."},
    {"RADIODEUTSCH",
     "Deutsche Sprache",
     "Deutsche Sprache",
     "Programmfenster und Hilfedatei werden in Deutsch\r\n"
     "angezeigt.",
     "Program window and help file are shown in German."},
    {"CHECKTOOLTIP",
     "Tooltips anzeigen",
     "Show tooltips",
     "Für die Elemente des Fensters wird am Mauszeiger ein\r\n"
     "gelber Hilfetext angezeigt.",
     "A yellow help text is shown at the mouse pointer for the\r\n"
     "elements of the window."},
    {"BUTSAVECMDINIPAR",
     "Einstellung sichern",
     "Save configuration",
     "Sichert die aktuellen Einstellungen in einer Datei, für\r\n"
     "spätere Programmläufe und für Aufrufe von der\r\n"
     "Kommandozeile.",
     "Saves the current settings into a file, for later runs\r\n"
     "and for runs from the command line."},
    {"BUTLOADCMDINIPAR",
     "Einstellung laden",
     "Load configuration",
     "Lädt Einstellungen, die in einer Datei gesichert wurden.",
     "Loads settings that were saved in a file."},
    {"BUTHOMEPAGE",
     "TorvelSoft Internetseite",
     "TorvelSoft homepage",
     "Zeigt die Internetseite von TorvelSoft, wenn der Rechner\r\n"
     "mit dem Internet verbunden ist.",
     "Shows the homepage of TorvelSoft when the computer is\r\n"
     "connected to the internet."},
    {"PROGRESSBAR",
     "Bearbeitungsfortschritt",
     "Working progress",
     "Zeigt den Fortschritt einer Konvertierung an.",
     "Shows the progress of a conversion."},
    {"FIXEDEINGABEDATEI",
     "Eingabedatei",
     "Input file",
     "",
     ""},
    {"SINGLEEINGABEDATEI",
     "Name der Eingabedatei",
     "Name of the input file",
     "Zeigt Pfad und Namen der Eingabedatei rechtsbündig an.",
     "Shows path and name of the input file, right-aligned."},
    {"FIXEDAUSGABEDATEI",
     "Ausgabedatei",
     "Output file",
     "",
     ""},
    {"SINGLEAUSGABEDATEI",
     "Name der Ausgabedatei",
     "Name of the output file",
     "Zeigt Pfad und Namen der Ausgabedatei rechtsbündig an.",
     "Shows path and name of the output file, right-aligned."},
    {"BUTEINGABEZEIGEN",
     "Eingabedatei zeigen",
     "View input file",
     "Zeigt nach dem Öffnen einer Eingabedatei deren Inhalt\r\n"
     "an.",
     "After an input file has been opened, shows its content."},
    {"BUTNORMALANSICHT",
     "Hauptfenster zeigen",
     "Show main window",
     "Kehrt von der Anzeige einer Eingabe- oder Ausgabedatei\r\n"
     "zum Hauptfenster zurück.",
     "Returns from the view of an input or output file to the\r\n"
     "main window."},
    {"BUTAUSGABEZEIGEN",
     "Ausgabedatei zeigen",
     "View output file",
     "Zeigt nach einer Konvertierung den Inhalt der\r\n"
     "Ausgabedatei an.",
     "After a conversion, shows the content of the output\r\n"
     "file."},
    {"BUTHILFE",
     "Hilfe anzeigen",
     "Show help file",
     "Öffnet die Hilfedatei, die auch ausgedruckt werden kann.\r\n"
     "Die Datei heißt \"mirhelpd.txt\" (Deutsch) oder\r\n"
     "\"mirhelpe.txt\" (Englisch).",
     "Opens the help file, which can also be printed. The file\r\n"
     "is named \"mirhelpd.txt\" (German) or \"mirhelpe.txt\"\r\n"
     "(English)."},
    {"BUTBEENDEN",
     "Programm beenden",
     "Exit program",
     "Beendet das Programm.",
     "Ends the program."},
    {"INPUTBROWSER",
     "Browser für die Eingabedatei",
     "Browser for the input file",
     "Zeigt den Inhalt einer dBase-Eingabedatei in einer\r\n"
     "Tabellenansicht an.",
     "Shows the content of a dBase input file in a table view."},
    {"INPUTMLE",
     "Textfeld für die Eingabedatei",
     "Text field for the input file",
     "Der Inhalt einer CSV- oder SDF-Eingabedatei wird in\r\n"
     "einem Textfeld dargestellt.\r\n"
     "Es werden nur die ersten 128 KiloByte dargestellt!",
     "The file contents of a CSV or SDF input file is shown\r\n"
     "in a text field.\r\n"
     "Only the first 128 kilobyte are shown!"},
    {"OUTPUTBROWSER",
     "Browser für die Ausgabedatei",
     "Browser for the output file",
     "Zeigt den Inhalt einer dBase-Ausgabedatei in einer\r\n"
     "Tabellenansicht an.",
     "Shows the content of a dBase output file in a table\r\n"
     "view."},
    {"OUTPUTMLE",
     "Textfeld für die Ausgabedatei",
     "Text field for the output file",
     "Der Inhalt einer CSV- oder SDF-Ausgabedatei wird in\r\n"
     "einem Textfeld dargestellt.\r\n"
     "Es werden nur die ersten 128 KiloByte dargestellt!",
     "The file contents of a CSV or SDF output file is shown\r\n"
     "in a text field.\r\n"
     "Only the first 128 kilobyte are shown!"},
}};

}  // namespace

std::span<const ControlText> controlTextTable() { return kControlTexts; }

}  // namespace ui
