#pragma once
// Input options of the engine's analysis chosen from one byte of the fuzz input.
#include <cstdint>

#include "engine/options.h"

namespace fuzz {

inline engine::Options inputOptions(uint8_t b, engine::Format format) {
    engine::Options o;
    o.inFormat = format;
    static const engine::Charset charsets[] = {engine::Charset::ANSI, engine::Charset::OEM, engine::Charset::UTF8,
                                               engine::Charset::UTF16};
    o.inCharset = charsets[b & 3];
    o.inHeader = (b & 0x04) != 0;
    o.inDecComma = (b & 0x08) != 0;
    static const char* separators[] = {";", ",", "/", "\t"};
    o.inSeparator = separators[(b >> 4) & 3];
    o.inFrameText = (b & 0x40) == 0;
    o.inFrameNone = !o.inFrameText;
    o.inFrame = o.inFrameText ? "\"" : "";
    o.inBlank = (b & 0x40) != 0;
    o.outFormat = (b & 0x80) ? engine::Format::DBF : engine::Format::CSV;
    return o;
}

// The engine's working encoding for these options: UTF-8 for UTF-8 and UTF-16 input written
// to a text output, ANSI otherwise. Kept here so that the targets need not link the form.
inline engine::Charset working(const engine::Options& o) {
    const bool wide = o.inCharset == engine::Charset::UTF8 || o.inCharset == engine::Charset::UTF16;
    return wide && o.outFormat != engine::Format::DBF ? engine::Charset::UTF8 : engine::Charset::ANSI;
}

}  // namespace fuzz
