// The CSV tokeniser on any line: the vector and the reusing overload agree, and no field
// is cut or invented (the bytes of the fields never exceed those of the line).
#include <string>
#include <string_view>
#include <vector>

#include "functions/faststring.h"
#include "fuzz_util.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t opts = fuzz::takeByte(data, size);
    static const char* separators[] = {";", ",", "/", "\t", ""};
    const std::string separator = separators[opts % 5];
    const std::string frame = (opts & 0x08) ? "" : ((opts & 0x10) ? "'" : "\"");
    const std::string_view line(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> fields = FASTTOKENCSVARRAY(line, separator, frame);
    static std::vector<std::string> reused;
    const size_t n = FASTTOKENCSVARRAY(line, separator, frame, reused);
    FUZZ_CHECK(n == fields.size());
    FUZZ_CHECK(reused.size() == n);
    size_t bytes = 0;
    for (size_t i = 0; i < n; ++i) {
        FUZZ_CHECK(reused[i] == fields[i]);
        bytes += fields[i].size();
    }
    FUZZ_CHECK(bytes <= line.size());
    FUZZ_CHECK(line.empty() == fields.empty());

    const rt::Value numeric = FASTTOKENCSVARRAY(line, separator, frame, true);
    (void)numeric;
    for (const std::string& f : fields) {
        (void)FASTISNUMBER(f);
        (void)FASTISDATE(f);
        (void)FASTISLOGIC(f);
    }
    return 0;
}
