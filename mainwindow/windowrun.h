#pragma once
// What a run takes from the main window: the options as its flags and controls stand when the
// run starts (handed to the core as plain data), and a run context on its progress bar, the
// event pump and its cancel flag.
#include <memory>
#include <string>

#include "engine/fieldstructure.h"
#include "engine/options.h"
#include "engine/runcontext.h"

namespace db {
class DBSERVER;
}

namespace ui {

class DTAMIRVANO;

engine::Options readOptions(const DTAMIRVANO& window);
std::unique_ptr<engine::RunContext> makeWindowRunContext(DTAMIRVANO& window);

// What keeps a new dBase table from holding `fields`, as ": " and the message that says it
// (to follow the message of the failed creation); "" when that is not the reason.
std::string refusalText(const DTAMIRVANO& window, const engine::FieldStructure& fields);

// Message 67 for a table whose header counts more records than the file holds whole; ""
// for a sound table.
std::string damagedTableText(const DTAMIRVANO& window, db::DBSERVER& table);

}  // namespace ui
