#include "functions/faststring.h"

#include "platform/runtime/numbers.h"

namespace {

// Runs the frame and separator rules over one line; `emit(field, framed)` receives each field
// in line order.
template <typename Emit>
void splitCsv(std::string_view line, std::string_view separator, std::string_view frame, Emit&& emit) {
    const size_t n = line.size();
    if (n == 0)
        return;
    const char S = separator.empty() ? ';' : separator[0];
    const char F = frame.empty() ? '"' : frame[0];

    std::string field;
    bool inFrame = false;
    bool doubleOpened = false;
    bool hasContent = false;
    bool framed = false;
    bool lastWasSeparator = false;

    // A single F at i ends the field when it is the last byte or S follows it.
    auto singleEnds = [&](size_t i) { return i + 1 == n || line[i + 1] == S; };
    // The pair F F at i, i+1 ends the field when it closes the line or S follows it.
    auto pairEnds = [&](size_t i) { return i + 2 == n || (i + 2 < n && line[i + 2] == S); };

    size_t i = 0;
    while (i < n) {
        const char c = line[i];
        const bool nextIsF = i + 1 < n && line[i + 1] == F;
        if (c == F) {
            if (!inFrame) {
                if (nextIsF && !pairEnds(i)) {
                    framed = doubleOpened = inFrame = true;
                    i += 2;
                    continue;
                }
                if (!singleEnds(i)) {
                    framed = inFrame = true;
                    ++i;
                    continue;
                }
            } else if (nextIsF) {
                if (pairEnds(i)) {
                    inFrame = false;
                    doubleOpened = false;
                    i += 2;
                    continue;
                }
                // Otherwise this F is data; the next one is looked at by itself.
            } else if (singleEnds(i) && (!doubleOpened || !hasContent)) {
                inFrame = false;
                ++i;
                continue;
            }
        }
        // Collect.
        lastWasSeparator = !inFrame && c == S;
        if (lastWasSeparator) {
            emit(field, framed);
            field.clear();
            inFrame = doubleOpened = hasContent = framed = false;
        } else {
            field.push_back(c);
            hasContent = true;
            // Bytes that are neither frame nor separator are always data: take the run at once.
            size_t j = i + 1;
            while (j < n && line[j] != S && line[j] != F) ++j;
            field.append(line.data() + i + 1, j - i - 1);
            i = j;
            continue;
        }
        ++i;
    }
    (void)lastWasSeparator;  // the field under construction is empty after a final separator
    emit(field, framed);
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
    size_t count = 0;
    splitCsv(line, separator, frame, [&](const std::string& field, bool) {
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
