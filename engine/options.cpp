#include "engine/options.h"

namespace engine {

namespace {

unsigned charsetCodePage(Charset c) {
    switch (c) {
    case Charset::OEM: return kOemCodePage;
    case Charset::UTF8:
    case Charset::UTF16: return kUtf8CodePage;
    default: return kAnsiCodePage;
    }
}

}  // namespace

unsigned inputCodePage(const Options& o) {
    if (o.inFormat == Format::DBF) return o.inCodePage ? o.inCodePage : kAnsiCodePage;
    return charsetCodePage(o.inCharset);
}

unsigned outputCodePage(const Options& o) {
    if (o.outFormat == Format::DBF) {
        if (o.outCodePage) return o.outCodePage;
        return o.outCharset == Charset::OEM ? kOemCodePage : kAnsiCodePage;
    }
    return charsetCodePage(o.outCharset);
}

unsigned workingCodePage(const Options& o) {
    const unsigned in = inputCodePage(o), out = outputCodePage(o);
    if (in == out || in == kAnsiCodePage) return in;
    if (out == kUtf8CodePage) return kUtf8CodePage;
    if (in == kOemCodePage && out == kAnsiCodePage) return kAnsiCodePage;
    // A filter compares the input's text as it stands.
    if (in == kUtf8CodePage)
        return o.outFormat == Format::DBF && out == kAnsiCodePage && !o.recordFilter ? kAnsiCodePage : kUtf8CodePage;
    if (o.inFormat == Format::DBF && !o.recordFilter) return out;
    return kUtf8CodePage;
}

Charset workingEncoding(const Options& o) {
    switch (workingCodePage(o)) {
    case kUtf8CodePage: return Charset::UTF8;
    case kOemCodePage: return Charset::OEM;
    default: return Charset::ANSI;
    }
}

bool countsCharacters(const Options& o) { return workingCodePage(o) == kUtf8CodePage; }

}  // namespace engine
