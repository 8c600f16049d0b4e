#include "engine/filtertext.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace engine {

namespace {

bool identStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool identChar(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

std::string upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool isDottedWord(const std::string& up) {
    return up == "AND" || up == "OR" || up == "NOT" || up == "T" || up == "F" || up == "Y" || up == "N";
}

}  // namespace

std::string replaceFieldNames(const std::string& text, const std::vector<NameReplacement>& names) {
    // Longest names first, so that of two spellings the longer decides wherever both could
    // apply; a name already taken (case-insensitively) keeps its first replacement.
    std::vector<const NameReplacement*> order;
    for (const auto& n : names) order.push_back(&n);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto* a, const auto* b) { return a->name.size() > b->name.size(); });
    std::unordered_map<std::string, const std::string*> lookup;
    for (const auto* n : order) {
        if (n->name.empty()) continue;
        lookup.emplace(upper(n->name), &n->replacement);
    }

    std::string out;
    out.reserve(text.size());
    const size_t len = text.size();
    size_t i = 0;
    while (i < len) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\'') {
            const size_t end = text.find(static_cast<char>(c), i + 1);
            const size_t stop = end == std::string::npos ? len : end + 1;
            out.append(text, i, stop - i);
            i = stop;
            continue;
        }
        if (std::isdigit(c)) {  // a number (or a date such as 1990.01.01): no name inside
            size_t j = i;
            while (j < len) {
                const unsigned char d = static_cast<unsigned char>(text[j]);
                if (identChar(d) || (d == '.' && j + 1 < len && std::isdigit(static_cast<unsigned char>(text[j + 1]))))
                    ++j;
                else
                    break;
            }
            out.append(text, i, j - i);
            i = j;
            continue;
        }
        if (!identStart(c)) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        size_t j = i;
        while (j < len && identChar(static_cast<unsigned char>(text[j]))) ++j;
        const std::string word = text.substr(i, j - i);
        const std::string up = upper(word);
        bool replace = false;
        auto it = lookup.find(up);
        if (it != lookup.end()) {
            replace = true;
            if (i > 0 && text[i - 1] == '.' && j < len && text[j] == '.' && isDottedWord(up)) replace = false;
            size_t k = j;
            while (k < len && (text[k] == ' ' || text[k] == '\t')) ++k;
            if (k < len && text[k] == '(') replace = false;  // a function call
        }
        out += replace ? *it->second : word;
        i = j;
    }
    return out;
}

}  // namespace engine
