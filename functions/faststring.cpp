#include "functions/faststring.h"

#include <algorithm>

#include "platform/runtime/numbers.h"

namespace {

// Runs the frame and separator rules over one line; `emit(field, framed)` receives each field
// in line order. Returns true when the last field's frame is still open at the end of the
// line: a framed value that continues on the next line.
//
// The rules are those every CSV writer follows: a frame opens only at the first byte of a
// field; inside it a doubled frame character is one literal character, and a single one
// closes it (bytes that follow up to the separator still belong to the field). A frame
// character anywhere else is an ordinary byte.
// `inFrame` starts the scan inside a frame opened on an earlier line.
template <typename Emit>
bool splitCsv(std::string_view line, std::string_view separator, std::string_view frame, Emit&& emit,
              bool inFrame = false) {
    const size_t n = line.size();
    if (n == 0)
        return inFrame;
    const char S = separator.empty() ? ';' : separator[0];
    const char F = frame.empty() ? '"' : frame[0];

    std::string field;
    bool framed = inFrame;
    bool atStart = !inFrame;
    size_t i = 0;
    while (i < n) {
        const char c = line[i];
        if (inFrame) {
            if (c == F) {
                if (i + 1 < n && line[i + 1] == F) {
                    field.push_back(F);
                    i += 2;
                } else {
                    inFrame = false;
                    ++i;
                }
                continue;
            }
            const size_t j = std::min(line.find(F, i), n);
            field.append(line.data() + i, j - i);
            i = j;
            continue;
        }
        if (c == S) {
            emit(field, framed);
            field.clear();
            framed = false;
            atStart = true;
            ++i;
            continue;
        }
        if (c == F && atStart) {
            inFrame = framed = true;
            atStart = false;
            ++i;
            continue;
        }
        atStart = false;
        const size_t j = std::min(line.find(S, i), n);
        field.append(line.data() + i, j - i);
        i = j;
    }
    emit(field, framed);
    return inFrame;
}

}  // namespace

std::vector<std::string> FASTTOKENCSVARRAY(std::string_view line, std::string_view separator,
                                           std::string_view frame) {
    std::vector<std::string> out;
    splitCsv(line, separator, frame, [&](const std::string& field, bool) { out.push_back(field); });
    return out;
}

size_t FASTTOKENCSVARRAY(std::string_view line, std::string_view separator, std::string_view frame,
                         std::vector<std::string>& out) {
    bool frameOpen = false;
    return FASTTOKENCSVARRAY(line, separator, frame, out, frameOpen);
}

size_t FASTTOKENCSVARRAY(std::string_view line, std::string_view separator, std::string_view frame,
                         std::vector<std::string>& out, bool& frameOpen) {
    size_t count = 0;
    frameOpen = splitCsv(line, separator, frame, [&](const std::string& field, bool) {
        if (count < out.size())
            out[count].assign(field);
        else
            out.push_back(field);
        ++count;
    });
    out.resize(count);
    return count;
}

rt::Value FASTTOKENCSVARRAY(std::string_view line, std::string_view separator, std::string_view frame,
                            bool numeric) {
    rt::Array out;
    splitCsv(line, separator, frame, [&](const std::string& field, bool framed) {
        if (!numeric || framed) {
            out.emplace_back(field);
        } else if (field.empty()) {
            out.emplace_back(0.0);
        } else {
            std::string text = field;
            if (auto comma = text.find(','); comma != std::string::npos)
                text[comma] = '.';
            out.emplace_back(rt::Val(text));
        }
    });
    return rt::Value::array(std::move(out));
}

bool CSVFRAMESTILLOPEN(std::string_view text, std::string_view separator, std::string_view frame) {
    return splitCsv(text, separator, frame, [](const std::string&, bool) {}, true);
}

bool FASTISNUMBER(std::string_view value) {
    if (value.empty())
        return false;
    bool digit = false, point = false, sign = false;
    for (char c : value) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if ((c == '.' || c == ',') && !point) {
            point = digit = true;
        } else if ((c == '-' || c == '+') && !digit && !sign) {
            sign = true;
        } else if (c == ' ' && !digit && !sign) {
            // leading blank
        } else {
            return false;
        }
    }
    return true;
}

bool FASTISDATE(std::string_view value) {
    if (value.size() < 2)
        return false;
    bool digit = false;
    int points = 0;
    for (char c : value) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && points < 2) {
            ++points;
            digit = true;
        } else if (c == ' ' && !digit) {
            // leading blank
        } else {
            return false;
        }
    }
    return points == 2;
}

bool FASTISLOGIC(std::string_view value) {
    return value.size() == 3 && value[0] == '.' && value[2] == '.' && (value[1] == 'T' || value[1] == 'F');
}
