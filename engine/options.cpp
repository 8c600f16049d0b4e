#include "engine/options.h"

namespace engine {

Charset workingEncoding(Charset input, Format output) {
    if (output == Format::DBF)
        return Charset::ANSI;
    return input == Charset::UTF8 || input == Charset::UTF16 ? Charset::UTF8 : Charset::ANSI;
}

Charset workingEncoding(const Options& o) {
    if (o.inFormat == Format::DBF)
        return Charset::ANSI;
    return workingEncoding(o.inCharset, o.outFormat);
}

bool countsCharacters(const Options& o) { return workingEncoding(o) == Charset::UTF8; }

}  // namespace engine
