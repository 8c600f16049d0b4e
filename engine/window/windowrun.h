#pragma once
// What a run takes from the main window: the options as its flags and controls stand when the
// run starts (handed to the core as plain data), and a run context on its progress bar, the
// event pump and its cancel flag.
#include <memory>

#include "engine/options.h"
#include "engine/runcontext.h"

namespace ui {
class DTAMIRVANO;
}

namespace engine {

Options readOptions(const ui::DTAMIRVANO& window);
std::unique_ptr<RunContext> makeWindowRunContext(ui::DTAMIRVANO& window);

}  // namespace engine
