#include "engine/dbfcompat.h"

namespace engine {

int dbfAppendIncompatibility(const FieldStructure& written, const FieldStructure& table, Charset output,
                             bool tableIsAnsi) {
    for (const auto& f : written) {
        const FieldDef* match = nullptr;
        for (const auto& t : table)
            if (t.name == f.name) {
                match = &t;
                break;
            }
        if (!match || match->type != f.type || f.length > match->length || f.decimals > match->decimals)
            return 21;
    }
    if (output == Charset::OEM && tableIsAnsi) return 22;
    if (output == Charset::ANSI && !tableIsAnsi) return 23;
    return 0;
}

}  // namespace engine
