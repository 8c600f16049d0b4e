#pragma once
// The structure of a dBase table, creating one from a structure, the fields a dBase input gives
// an output, and why a new dBase table refuses a structure.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/fieldstructure.h"

namespace db {
class DBSERVER;
}

namespace engine {

// The structure of `table` as it stands: its fields in table order, each with the table's own
// type letter.
FieldStructure tableStructure(const db::DBSERVER& table);

// The code page a new table is made in: a language-driver byte, or, where that is 0, the
// ".cpg" file beside a table whose code page the new one takes (none: the family's own).
struct NewTableCodePage {
    uint8_t languageDriver = 0;
    std::string codePageFile;
};

// Creates the dBase table `path` with `fields` (a field without a type is text), its text
// flagged OEM when `oem` and ANSI otherwise, in the code page `codePage` names (see
// sharedCodePage): its language-driver byte, or a copy of its ".cpg" file beside the new
// table. A ".cpg" file left beside `path` by a table before it goes, as it would name the
// new table's code page wrongly. False when the table could not be made.
bool createTable(const std::string& path, const FieldStructure& fields, bool oem, const NewTableCodePage& codePage = {});

// The code page a new table made from the dBase `inputs` takes, so that their letters keep:
// theirs where all of them have one code page of the new table's family (a Windows page or a
// ".cpg" file's page for an ANSI table, a DOS page for an OEM one) other than the family's
// own (1252, 850); none otherwise, which gives the family's own.
struct TableCodePage {
    bool ansi = true;
    unsigned codePage = 0;
    uint8_t languageDriver = 0;
    std::string codePageFile;  // the ".cpg" file the code page came from, "" for none
};
TableCodePage tableCodePage(const db::DBSERVER& table);
NewTableCodePage sharedCodePage(const std::vector<TableCodePage>& inputs, bool oem);

// The number of the field of the input `table` that `field` (an entry of its structure) stands
// for: its own number (two fields may share a name, and a dBase output may rename the second),
// else, for an entry made elsewhere, the first field of its name; 0 for none.
int tableFieldNumber(const FieldDef& field, const db::DBSERVER& table);

// Puts each field of the dBase input `table` that neither a text output nor a new dBase
// table holds as it is into the N or C field that holds its values exactly: an integer (I)
// as N(11,0), currency (Y) as N(21,4), a double (B) as the N field its values need (C, as
// their shortest texts, when one is not finite or needs more than 255 places), a date and
// time (T) as C(19), C(23) when one has milliseconds, a varchar (V) as C of its length. Fields of B and T take one pass over
// the table, which is left on its first record. The system field that holds Visual FoxPro's
// null flags (type 0) is no data and is left out.
void carryTableFields(FieldStructure& fields, db::DBSERVER& table);

// Gives each field whose name an earlier field of `fields` already has a name of its own for
// a dBase output, as a table's names must differ: the name cut to fit and "_2", "_3" ... put
// behind it, the first such name no field has. Returns each renamed field: its place in
// `fields` (1-based), its old name and its new one.
struct FieldRename {
    size_t place = 0;
    std::string from, to;
};
std::vector<FieldRename> renameDuplicateFields(FieldStructure& fields);

// Why a new dBase table cannot hold `fields`: the message number and the texts for its "$1"
// and "$2". 77: a field of a type a new table cannot hold (its name, its type); 76: more
// fields than a table holds (their count, the limit); 75: a record longer than a table holds
// (its length, the limit). Message 0 when none of these is the reason.
struct StructureRefusal {
    int message = 0;
    std::string first, second;
};
StructureRefusal dbfStructureRefusal(const FieldStructure& fields);

}  // namespace engine
