// Sorting and the record filter: the steps of a run that pass until they are built.
#include "platform/db/dbserver.h"
#include "ui/dtamirvano.h"

namespace ui {

bool DTAMIRVANO::SETFILTERDBFIN() { return lOutOpen; }

bool DTAMIRVANO::SETINDEXDBFIN() { return lOutOpen; }

bool DTAMIRVANO::SETFILTERCSVSDFIN(std::string& filter) {
    filter.clear();
    return lOutOpen;
}

bool DTAMIRVANO::TESTFILTERREC(const std::string& /*filter*/, const std::vector<std::string>& /*record*/) { return true; }

void DTAMIRVANO::SETINDEXDBFOUT() {}

// Without sorting the table keeps its order; the count is every record it holds.
uint32_t DTAMIRVANO::SORTDBFOUT() { return oDBOut && oDBOut->USED() ? static_cast<uint32_t>(oDBOut->LASTREC()) : 0; }

}  // namespace ui
