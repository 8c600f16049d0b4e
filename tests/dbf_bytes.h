#pragma once
// dBase tables made byte by byte, as other programs write them, for the tests of the readers.
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace dbf_bytes {

struct Field {
    std::string name;
    char type;
    int length, decimals;
    int flags = 0;  // Visual FoxPro's field flags: 0x01 system field, 0x02 may be null
};

// A table's bytes: version byte, language-driver byte, the fields, and each record's bytes
// from its deletion mark (" " or "*") on. A Visual FoxPro table (0x30) carries the 263 bytes of
// its database link behind the descriptors.
inline std::string table(unsigned char version, unsigned char ldid, const std::vector<Field>& fields,
                         const std::vector<std::string>& records) {
    const size_t link = version == 0x30 ? 263 : 0;
    const size_t header = 32 + 32 * fields.size() + 1 + link;
    size_t recordLength = 1;
    for (const Field& f : fields) recordLength += static_cast<size_t>(f.length);
    std::string s(header, '\0');
    auto put16 = [&s](size_t at, size_t v) {
        s[at] = static_cast<char>(v & 0xFF);
        s[at + 1] = static_cast<char>(v >> 8);
    };
    s[0] = static_cast<char>(version);
    s[1] = 124, s[2] = 1, s[3] = 1;
    s[4] = static_cast<char>(records.size());
    put16(8, header);
    put16(10, recordLength);
    s[29] = static_cast<char>(ldid);
    for (size_t i = 0; i < fields.size(); ++i) {
        const size_t d = 32 + 32 * i;
        s.replace(d, fields[i].name.size(), fields[i].name);
        s[d + 11] = fields[i].type;
        // A text field longer than 255 bytes keeps its length's high byte in the decimals byte.
        const bool longText = fields[i].type == 'C' && fields[i].length > 255;
        s[d + 16] = static_cast<char>(fields[i].length & 0xFF);
        s[d + 17] = static_cast<char>(longText ? fields[i].length >> 8 : fields[i].decimals);
        s[d + 18] = static_cast<char>(fields[i].flags);
    }
    s[32 + 32 * fields.size()] = '\x0D';
    for (const std::string& r : records) {
        if (r.size() != recordLength)
            throw std::logic_error("a record of " + std::to_string(r.size()) + " bytes in a table of " +
                                   std::to_string(recordLength) + "-byte records");
        s += r;
    }
    return s + '\x1A';
}

// Little-endian bytes of an integer, and of a double.
inline std::string le(uint64_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

inline std::string le(double v) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return le(bits, 8);
}

}  // namespace dbf_bytes
