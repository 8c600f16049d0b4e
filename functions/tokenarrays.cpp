#include "functions/tokenarrays.h"

#include "platform/runtime/numbers.h"

namespace {

constexpr size_t kTokenLimit = 2048;

bool inSet(std::string_view set, char c) { return set.find(c) != std::string_view::npos; }

// The white-space split shared by the token functions: calls `onToken(start, length)` for
// each token until it returns false, the text ends, or a token outgrows `limit`.
template <class OnToken>
void scanWhite(std::string_view text, std::string_view white, OnToken onToken, size_t limit = kTokenLimit) {
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        while (i < n && inSet(white, text[i])) ++i;
        if (i >= n) return;
        const size_t start = i;
        while (i < n) {
            if (i - start == limit) return;
            if (inSet(white, text[i])) break;
            ++i;
        }
        if (!onToken(start, i - start)) return;
        ++i;  // past the white byte that ended the token (or past the end)
    }
}

}  // namespace

rt::Value FASTTOKENWHITEARRAY(std::string_view text, std::string_view white, uint16_t maximum, bool numeric) {
    rt::Array tokens;
    if (maximum == 0) return rt::Value::array();
    scanWhite(text, white, [&](size_t start, size_t length) {
        std::string token(text.substr(start, length));
        if (numeric) {
            const size_t comma = token.find(',');
            if (comma != std::string::npos) token[comma] = '.';
            tokens.emplace_back(rt::Val(token));
        } else {
            tokens.emplace_back(std::move(token));
        }
        return tokens.size() < maximum;
    });
    return rt::Value::array(std::move(tokens));
}

std::vector<std::string_view> FASTTOKENWHITEVIEWS(std::string_view text, std::string_view white, size_t maximum) {
    std::vector<std::string_view> tokens;
    if (maximum == 0) return tokens;
    scanWhite(
        text, white,
        [&](size_t start, size_t length) {
            tokens.push_back(text.substr(start, length));
            return tokens.size() < maximum;
        },
        SIZE_MAX);
    return tokens;
}

rt::Value FASTTOKENSEPARRAY3(std::string_view text, std::string_view separators, uint16_t maximum) {
    rt::Array fields;
    const size_t n = text.size();
    size_t i = 0;
    while (i < n && fields.size() < maximum) {
        const size_t start = i;
        while (i < n) {
            if (i - start == kTokenLimit) return rt::Value::array(std::move(fields));
            if (inSet(separators, text[i])) break;
            ++i;
        }
        fields.emplace_back(std::string(text.substr(start, i - start)));
        ++i;
    }
    return rt::Value::array(std::move(fields));
}

std::string FASTTOKENWHITECOUNT(std::string_view text, std::string_view white, uint16_t n, size_t& firstColumn,
                                size_t& lastColumn) {
    firstColumn = 0;
    lastColumn = 0;
    std::string result;
    if (n == 0) return result;
    unsigned count = 0;
    scanWhite(text, white, [&](size_t start, size_t length) {
        if (++count < n) return true;
        result.assign(text.substr(start, length));
        firstColumn = start + 1;
        lastColumn = start + length;
        return false;
    });
    return result;
}

std::string FASTALLTRIMMULTI(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    size_t begin = 0;
    while (begin < end && text[begin] == ' ') ++begin;
    // Count first, so that the result is allocated once.
    size_t length = 0;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] != ' ' || text[i - 1] != ' ') ++length;
    }
    std::string result;
    result.reserve(length);
    for (size_t i = begin; i < end; ++i) {
        if (text[i] != ' ' || text[i - 1] != ' ') result.push_back(text[i]);
    }
    return result;
}

std::string& FASTREPLACE(std::string& text, int64_t position, std::string_view replacement) {
    const size_t offset = position <= 1 ? 0 : static_cast<size_t>(position - 1);
    if (offset <= text.size() && replacement.size() <= text.size() - offset)
        text.replace(offset, replacement.size(), replacement);
    return text;
}
