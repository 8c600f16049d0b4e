#include "platform/db/collation.h"

#include <QChar>
#include <QString>
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win/codepage.h"

namespace db::collation {
namespace {

constexpr uint16_t kDigitBase = 0x100;
constexpr uint16_t kLetterBase = 0x110;

constexpr uint16_t letter(char upper) { return static_cast<uint16_t>(kLetterBase + (upper - 'A')); }

constexpr std::array<uint16_t, 256> makeTable() {
    std::array<uint16_t, 256> t{};
    for (int b = 0; b < 256; ++b) t[b] = static_cast<uint16_t>(b);
    for (int b = '0'; b <= '9'; ++b) t[b] = static_cast<uint16_t>(kDigitBase + (b - '0'));
    for (int b = 'A'; b <= 'Z'; ++b) {
        t[b] = letter(static_cast<char>(b));
        t[b + 32] = letter(static_cast<char>(b));
    }
    auto set = [&t](std::initializer_list<int> bytes, char upper) {
        for (int b : bytes) t[b] = letter(upper);
    };
    set({0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6}, 'A');
    set({0xC7, 0xE7}, 'C');
    set({0xD0, 0xF0}, 'D');
    set({0xC8, 0xC9, 0xCA, 0xCB, 0xE8, 0xE9, 0xEA, 0xEB}, 'E');
    set({0x83}, 'F');
    set({0xCC, 0xCD, 0xCE, 0xCF, 0xEC, 0xED, 0xEE, 0xEF}, 'I');
    set({0xD1, 0xF1}, 'N');
    set({0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD8, 0x8C, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF8, 0x9C}, 'O');
    set({0x8A, 0x9A, 0xDF}, 'S');
    set({0xD9, 0xDA, 0xDB, 0xDC, 0xF9, 0xFA, 0xFB, 0xFC}, 'U');
    set({0xDD, 0xFD, 0x9F, 0xFF}, 'Y');
    set({0x8E, 0x9E}, 'Z');
    t[0xDE] = t[0xFE] = static_cast<uint16_t>(kLetterBase + 26);
    return t;
}

constexpr std::array<uint16_t, 256> kWeights = makeTable();

}  // namespace

int compare(std::string_view a, std::string_view b, const Order& order) {
    const auto& weights = order.weights;
    if (a.size() == b.size()) {
        // Keys of one index mostly have one length: one pass, in which equal bytes (equal
        // weights) are passed over and the first differing byte decides a tie of weights.
        const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
        const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
        const size_t n = a.size();
        int byBytes = 0;
        size_t i = 0;
        while (i < n) {
            // Runs of equal bytes, eight at a time.
            if (std::endian::native == std::endian::little && i + 8 <= n) {
                uint64_t x, y;
                std::memcpy(&x, pa + i, 8);
                std::memcpy(&y, pb + i, 8);
                if (x == y) {
                    i += 8;
                    continue;
                }
                i += static_cast<size_t>(__builtin_ctzll(x ^ y)) / 8;  // the first that differs
            } else if (pa[i] == pb[i]) {
                ++i;
                continue;
            }
            const uint16_t wa = weights[pa[i]], wb = weights[pb[i]];
            if (wa != wb) return wa < wb ? -1 : 1;
            if (byBytes == 0 && order.ties[pa[i]] != order.ties[pb[i]])
                byBytes = order.ties[pa[i]] < order.ties[pb[i]] ? -1 : 1;
            ++i;
        }
        return byBytes;
    }
    const size_t n = a.size() > b.size() ? a.size() : b.size();
    auto at = [](std::string_view s, size_t i) -> unsigned char {
        return i < s.size() ? static_cast<unsigned char>(s[i]) : ' ';
    };
    for (size_t i = 0; i < n; ++i) {
        const uint16_t wa = weights[at(a, i)], wb = weights[at(b, i)];
        if (wa != wb) return wa < wb ? -1 : 1;
    }
    for (size_t i = 0; i < n; ++i) {
        const uint16_t ta = order.ties[at(a, i)], tb = order.ties[at(b, i)];
        if (ta != tb) return ta < tb ? -1 : 1;
    }
    return 0;
}

namespace {

// Each weight's rank among the weights that occur: fewer than 256 of them, so a rank is a
// byte and eight of them make one word that compares as the weights do.
constexpr std::array<uint8_t, 256> makeRanks(const std::array<uint16_t, 256>& weights) {
    std::array<bool, 512> used{};
    for (int b = 0; b < 256; ++b) used[weights[static_cast<size_t>(b)]] = true;
    std::array<uint8_t, 512> rankOf{};
    int next = 0;
    for (int w = 0; w < 512; ++w)
        if (used[static_cast<size_t>(w)]) rankOf[static_cast<size_t>(w)] = static_cast<uint8_t>(next++);
    std::array<uint8_t, 256> ranks{};
    for (int b = 0; b < 256; ++b) ranks[static_cast<size_t>(b)] = rankOf[weights[static_cast<size_t>(b)]];
    return ranks;
}

constexpr std::array<uint16_t, 256> identity() {
    std::array<uint16_t, 256> t{};
    for (int b = 0; b < 256; ++b) t[static_cast<size_t>(b)] = static_cast<uint16_t>(b);
    return t;
}

// An order of these weights and ties with what sortKey() needs.
Order completeOrder(const std::array<uint16_t, 256>& weights, const std::array<uint16_t, 256>& ties) {
    Order o{};
    o.weights = weights;
    o.ranks = makeRanks(weights);
    o.ties = ties;
    const uint8_t blank = o.ranks[' '];
    o.blankRank = blank;
    bool alone = true;
    int top = 0;
    for (int b = 0; b < 256; ++b) {
        const uint8_t r = o.ranks[static_cast<size_t>(b)];
        if (b != ' ' && r == blank) alone = false;
        if (r > top) top = r;
        o.codes[static_cast<size_t>(b)] = static_cast<uint8_t>(r < blank ? r : r + 2);
    }
    // The marks of a blank run take the blank's rank and the two above it.
    o.bytewise = alone && top + 2 <= 255;
    std::array<uint16_t, 256> sorted = ties;
    for (size_t i = 1; i < sorted.size(); ++i)
        for (size_t j = i; j > 0 && sorted[j - 1] > sorted[j]; --j) std::swap(sorted[j - 1], sorted[j]);
    for (size_t b = 0; b < 256; ++b) {
        int rank = 0;
        for (size_t i = 0; i < sorted.size() && sorted[i] < ties[b]; ++i)
            if (i == 0 || sorted[i] != sorted[i - 1]) ++rank;
        o.tieCodes[b] = static_cast<uint8_t>(rank);
        o.tied[b] = false;
        for (size_t c = 0; c < 256; ++c)
            if (weights[c] == weights[b] && ties[c] != ties[b]) o.tied[b] = true;
    }
    return o;
}


// A character's letter with its accents and case taken off, as far as Unicode decomposes it;
// the letters with a stroke, which Unicode does not decompose, as their letters.
char16_t baseLetter(char16_t u) {
    switch (u) {
    case 0x0110: case 0x0111: return u'D';
    case 0x0126: case 0x0127: return u'H';
    case 0x0131: return u'I';
    case 0x0141: case 0x0142: return u'L';
    case 0x0166: case 0x0167: return u'T';
    default: break;
    }
    QChar c(u);
    for (int depth = 0; depth < 4; ++depth) {
        const QString d = c.decomposition();
        if (d.isEmpty() || !d.at(0).isLetter()) break;
        c = d.at(0);
    }
    return c.toUpper().unicode();
}

// One byte's character in a code page; 0 for a byte the code page leaves undefined.
char16_t characterOf(unsigned codePage, unsigned char byte) {
    std::u16string wide;
    const char c = static_cast<char>(byte);
    if (!win::MultiByteToWideChar(codePage, std::string_view(&c, 1), wide) || wide.size() != 1) return 0;
    return wide[0];
}

std::unique_ptr<Order> makeOrder(unsigned codePage) {
    std::map<char16_t, unsigned char> latinByte;  // 1252's characters
    for (int b = 0x80; b < 256; ++b)
        if (const char16_t u = characterOf(1252, static_cast<unsigned char>(b))) latinByte.emplace(u, b);
    // The weight of a character 1252 has; false for one it lacks.
    auto latinWeight = [&](char16_t u, uint16_t& w) {
        if (u < 0x80) {
            w = kWeights[u];
            return true;
        }
        const auto it = latinByte.find(u);
        if (it == latinByte.end()) return false;
        w = kWeights[it->second];
        return true;
    };
    auto order = std::make_unique<Order>();
    order->ties = identity();
    std::array<char16_t, 256> later{};  // letters 1252 lacks: their base letters
    std::vector<char16_t> bases;
    for (int b = 0; b < 256; ++b) {
        uint16_t& w = order->weights[static_cast<size_t>(b)];
        w = b < 0x80 ? kWeights[static_cast<size_t>(b)] : static_cast<uint16_t>(b);
        if (b < 0x80) continue;
        const char16_t u = characterOf(codePage, static_cast<unsigned char>(b));
        // Ties: 1252's byte for its characters, the character's number for the others.
        uint16_t& tie = order->ties[static_cast<size_t>(b)];
        tie = u >= 0x100 ? u : static_cast<uint16_t>(0xF000 + b);
        if (const auto it = latinByte.find(u); it != latinByte.end()) tie = it->second;
        if (u == 0 || latinWeight(u, w) || !QChar(u).isLetter()) continue;
        const char16_t base = baseLetter(u);
        if (latinWeight(base, w)) continue;
        later[static_cast<size_t>(b)] = base;
        bases.push_back(base);
    }
    std::sort(bases.begin(), bases.end());
    bases.erase(std::unique(bases.begin(), bases.end()), bases.end());
    for (int b = 0x80; b < 256; ++b)
        if (const char16_t base = later[static_cast<size_t>(b)])
            order->weights[static_cast<size_t>(b)] = static_cast<uint16_t>(
                kLetterBase + 27 + (std::lower_bound(bases.begin(), bases.end(), base) - bases.begin()));
    *order = completeOrder(order->weights, order->ties);
    return order;
}

}  // namespace

const Order& latin() {
    static const Order order = completeOrder(kWeights, identity());
    return order;
}

const Order& orderFor(unsigned codePage) {
    if (codePage == 1252 || codePage == 0) return latin();
    static std::mutex lock;
    static std::map<unsigned, std::unique_ptr<Order>> orders;
    const std::lock_guard<std::mutex> hold(lock);
    auto& order = orders[codePage];
    if (!order) {
        if (characterOf(codePage, 'A') != u'A') return latin();
        order = makeOrder(codePage);
    }
    return *order;
}

// The weights first (level 1), then the ties (level 2), as compare() decides. Level 1 holds each
// byte's code, except that the blanks, which the shorter key is taken as filled with, are
// written as a run: a mark, the run's length, and the byte after it. Where that byte weighs
// less than a blank (a control character) the run weighs less the shorter it is, where it
// weighs more the run weighs more the shorter it is, and the key's end, which stands for
// blanks without end, lies between the two; each mark lies between the codes of the bytes
// below and above the blank, as the blank itself does. Trailing blanks are the end. Keys
// equal in level 1 have their letters in the same places, so level 2 holds the ties of just
// the bytes whose weight has several ties, and is as long in both.
void sortKey(std::string_view key, std::string& out, const Order& order) {
    const auto* p = reinterpret_cast<const unsigned char*>(key.data());
    size_t end = key.size();
    while (end > 0 && p[end - 1] == ' ') --end;
    // At most three bytes for every two of the key in level 1, one in level 2, and the end.
    const size_t start = out.size();
    out.resize(start + end * 5 / 2 + 2);
    auto* o = reinterpret_cast<unsigned char*>(out.data() + start);
    const uint8_t lowRun = order.blankRank, endMark = static_cast<uint8_t>(lowRun + 1),
                  highRun = static_cast<uint8_t>(lowRun + 2);
    for (size_t i = 0; i < end;) {
        if (p[i] != ' ') {
            *o++ = order.codes[p[i++]];
            continue;
        }
        size_t run = 1;
        while (p[i + run] == ' ') ++run;  // a byte other than blank follows: `end` ends no run
        const bool low = order.codes[p[i + run]] < lowRun;
        const size_t coded = low ? run : 0xFFFF - run;
        *o++ = low ? lowRun : highRun;
        *o++ = static_cast<unsigned char>(coded >> 8);
        *o++ = static_cast<unsigned char>(coded & 0xFF);
        i += run;
    }
    *o++ = endMark;
    for (size_t i = 0; i < end; ++i)
        if (order.tied[p[i]]) *o++ = order.tieCodes[p[i]];
    out.resize(static_cast<size_t>(o - reinterpret_cast<unsigned char*>(out.data())));
}

uint64_t prefix(std::string_view key, size_t from, const Order& order) {
    uint64_t p = 0;
    for (size_t i = from; i < from + 8; ++i) {
        const unsigned char c = i < key.size() ? static_cast<unsigned char>(key[i]) : ' ';
        p = (p << 8) | order.ranks[c];
    }
    return p;
}

}  // namespace db::collation
