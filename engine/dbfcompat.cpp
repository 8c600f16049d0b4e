#include "engine/dbfcompat.h"

#include "engine/append.h"

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
        if (!match || !fieldFits(f, *match)) return 21;
    }
    if (output == Charset::OEM && tableIsAnsi) return 22;
    if (output == Charset::ANSI && !tableIsAnsi) return 23;
    return 0;
}

}  // namespace engine
