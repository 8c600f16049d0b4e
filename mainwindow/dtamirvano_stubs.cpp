#include "ui/dtamirvano.h"

namespace ui {

}  // namespace ui
