// The order of index keys for the code pages tables name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/db/collation.h"
#include "platform/win/codepage.h"

using namespace db::collation;

namespace {

// The 1252 byte of a byte's character in `codePage`, or -1 where 1252 lacks it.
int latinByteOf(unsigned codePage, unsigned char byte) {
    std::string out;
    const char c = static_cast<char>(byte);
    std::u16string wide;
    if (!win::MultiByteToWideChar(codePage, std::string_view(&c, 1), wide) || wide.size() != 1) return -1;
    for (int b = 0; b < 256; ++b) {
        std::u16string w;
        const char l = static_cast<char>(b);
        if (win::MultiByteToWideChar(1252, std::string_view(&l, 1), w) && w == wide) return b;
    }
    return -1;
}

}  // namespace

// Every code page orders the characters it shares with 1252 as 1252 does, ties included, so a
// DOS or Central European table sorts its Latin text as a Windows table does.
TEST(Collation, SharedCharactersKeepTheLatinOrderInEveryCodePage) {
    EXPECT_EQ(&orderFor(1252), &latin());
    for (unsigned page : {437u, 850u, 852u, 866u, 1250u, 1251u, 1253u}) {
        SCOPED_TRACE(page);
        const Order& order = orderFor(page);
        std::vector<int> shared;
        for (int b = 0; b < 256; ++b)
            if (latinByteOf(page, static_cast<unsigned char>(b)) >= 0) shared.push_back(b);
        for (int a : shared)
            for (int b : shared) {
                const std::string x(1, char(a)), y(1, char(b));
                const std::string lx(1, char(latinByteOf(page, static_cast<unsigned char>(a))));
                const std::string ly(1, char(latinByteOf(page, static_cast<unsigned char>(b))));
                const int mine = compare(x + "k", y + "k", order), theirs = compare(lx + "k", ly + "k");
                ASSERT_EQ(mine < 0, theirs < 0) << a << " " << b;
                ASSERT_EQ(mine > 0, theirs > 0) << a << " " << b;
                ASSERT_EQ(prefix(x, 0, order) < prefix(y, 0, order), prefix(lx) < prefix(ly)) << a << " " << b;
            }
    }
}

// The letters 1252 lacks sort in their alphabet's order, small and capital and accented forms
// together, after the Latin letters; the quick prefix agrees with the full comparison.
TEST(Collation, LettersOfOtherAlphabetsInTheirOwnOrder) {
    struct Case {
        unsigned page;
        std::vector<std::string> ascending;  // in the code page's bytes
    };
    const Case cases[] = {
        // Zebra, а, Б, в, Е, ё, Ж, я (1251)
        {1251, {"Zebra", "\xE0", "\xC1", "\xE2", "\xC5", "\xB8", "\xC6", "\xFF"}},
        // the same in 866
        {866, {"Zebra", "\xA0", "\x81", "\xA2", "\x85", "\xF1", "\x86", "\xEF"}},
        // ą after a, before b; Ł beside L; ż beside Z (852)
        {852, {"a", "\xA5" "b", "b", "Kz", "\x9D" "a", "Lb", "Zz", "\xBE" "zz"}},
        // α, ά, Β, ω (1253)
        {1253, {"Zebra", "\xE1", "\xDC" "b", "\xC2", "\xF9"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        const Order& order = orderFor(c.page);
        for (size_t i = 0; i + 1 < c.ascending.size(); ++i) {
            const std::string& a = c.ascending[i];
            const std::string& b = c.ascending[i + 1];
            EXPECT_LT(compare(a, b, order), 0) << i;
            EXPECT_GT(compare(b, a, order), 0) << i;
            EXPECT_LE(prefix(a, 0, order), prefix(b, 0, order)) << i;
        }
    }
}

// The byte keys an index sorts by order as the comparison does, in every code page a table can
// name: random keys over all 256 byte values, and pairs that differ only in a few places (case,
// accents, blanks and control characters at the end), where the blank filling decides.
TEST(Collation, SortKeysCompareAsTheKeys) {
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    auto keyOrder = [](const std::string& a, const std::string& b) {
        const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
        return c != 0 ? c : (a.size() > b.size()) - (a.size() < b.size());
    };
    const std::string near = std::string(" \x01\x1F aAzZ09-\xE4\xC4\xE0\xDF\xFF\xA0\x81\x9A", 20);
    std::mt19937 gen(11);
    auto randomKey = [&](size_t most) {
        std::string k;
        for (size_t n = gen() % (most + 1); n > 0; --n)
            k += gen() % 2 ? static_cast<char>(gen() % 256) : near[gen() % near.size()];
        return k;
    };
    for (unsigned page : {1252u, 437u, 737u, 850u, 852u, 857u, 860u, 861u, 863u, 865u, 866u, 874u, 1250u, 1251u,
                          1253u, 1254u, 1255u, 1256u, 1257u}) {
        SCOPED_TRACE(page);
        const Order& order = orderFor(page);
        ASSERT_TRUE(order.bytewise);
        for (int k = 0; k < 40000; ++k) {
            std::string a = randomKey(12), b;
            switch (k % 4) {
            case 0: b = randomKey(12); break;
            case 1: b = a.substr(0, gen() % (a.size() + 1)) + randomKey(4); break;  // a common start
            case 2:  // one byte changed for a near one
                b = a;
                if (!b.empty()) b[gen() % b.size()] = near[gen() % near.size()];
                break;
            default: b = a + std::string(gen() % 3, ' ') + (gen() % 2 ? randomKey(2) : ""); break;
            }
            std::string ka, kb;
            sortKey(a, ka, order);
            sortKey(b, kb, order);
            ASSERT_EQ(sign(keyOrder(ka, kb)), sign(compare(a, b, order)))
                << ::testing::PrintToString(a) << " vs " << ::testing::PrintToString(b);
        }
    }
}
