// The SDF line splitter on any line, starts and widths: every value is a piece of the line
// at its start and at most its width long, in bytes or in UTF-8 characters; the analysis cut
// by a field structure agrees with the cut by widths; and on a line of plain ASCII, with
// starts in rising order as the callers give them, counting characters and counting bytes
// cut alike.
#include <string>
#include <vector>

#include "engine/lineio.h"
#include "fuzz_util.h"

namespace {

bool isContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// Characters of a piece as the splitter counts them: a lead byte of 0xC0 or more takes the
// continuation bytes after it, any other byte stands alone.
size_t characters(std::string_view s) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++n) {
        size_t e = i + 1;
        if (static_cast<unsigned char>(s[i]) >= 0xC0)
            while (e < s.size() && isContinuation(static_cast<unsigned char>(s[e])))
                ++e;
        i = e;
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t n = fuzz::takeByte(data, size) % 17;
    std::vector<int> starts, widths;
    engine::FieldStructure structure;
    for (size_t i = 0; i < n; ++i) {
        // Signed, so that starts and widths of 0 and below occur too.
        starts.push_back(static_cast<int8_t>(fuzz::takeByte(data, size)));
        widths.push_back(static_cast<int8_t>(fuzz::takeByte(data, size)));
        structure.push_back({"F", "C", widths.back(), 0});
    }
    // Fewer starts or widths than fields may reach the splitter: those fields stay empty.
    const size_t given = n - (n ? fuzz::takeByte(data, size) % (n + 1) : 0);
    starts.resize(given);
    const std::string_view line(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> bytes, chars;
    engine::copySdf2ArrayOut(line, widths, starts, n, false, bytes);
    engine::copySdf2ArrayOut(line, widths, starts, n, true, chars);
    const std::vector<std::string> analysed = engine::copySdf2ArrayIn(line, structure, starts, n);
    FUZZ_CHECK(bytes.size() == n && chars.size() == n && analysed.size() == n);
    bool ascii = true;
    for (char c : line)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    // Counted in characters, fields begin in list order: the callers' starts never fall.
    bool rising = true;
    for (size_t i = 1; i < starts.size(); ++i)
        rising = rising && starts[i] >= starts[i - 1];
    for (size_t i = 0; i < n; ++i) {
        const bool cut = i < starts.size() && starts[i] >= 1 && widths[i] >= 1;
        FUZZ_CHECK(cut || (bytes[i].empty() && chars[i].empty()));
        FUZZ_CHECK(bytes[i] == analysed[i]);
        if (!cut)
            continue;
        const size_t at = static_cast<size_t>(starts[i] - 1);
        // By bytes: the piece of the line at the start, as wide as it goes.
        FUZZ_CHECK(bytes[i].size() <= static_cast<size_t>(widths[i]));
        FUZZ_CHECK(at >= line.size() ? bytes[i].empty() : line.substr(at, bytes[i].size()) == bytes[i]);
        FUZZ_CHECK(at >= line.size() || bytes[i].size() == std::min(line.size() - at, static_cast<size_t>(widths[i])));
        // By characters: a piece of the line, at most the width in characters.
        FUZZ_CHECK(characters(chars[i]) <= static_cast<size_t>(widths[i]));
        FUZZ_CHECK(line.find(chars[i]) != std::string_view::npos);
        if (ascii && rising)
            FUZZ_CHECK(chars[i] == bytes[i]);
    }
    return 0;
}
