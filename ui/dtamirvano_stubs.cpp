#include "ui/dtamirvano.h"

namespace ui {

DTAMIRVANO& DTAMIRVANO::BUTLOADCMDINIPAR(const std::string& /*file*/) { return *this; }

DTAMIRVANO& DTAMIRVANO::BUTSAVECMDINIPAR(const std::string& /*file*/) { return *this; }

}  // namespace ui
