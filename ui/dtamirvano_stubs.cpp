#include "ui/dtamirvano.h"

namespace ui {

void DTAMIRVANO::BUTDATEIVERBINDEN() {}

DTAMIRVANO& DTAMIRVANO::BUTLOADCMDINIPAR(const std::string& /*file*/) { return *this; }

DTAMIRVANO& DTAMIRVANO::BUTSAVECMDINIPAR(const std::string& /*file*/) { return *this; }

}  // namespace ui
