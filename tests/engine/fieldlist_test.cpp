// The output field list and the append compatibility rule.
#include <gtest/gtest.h>

#include "engine/dbfcompat.h"
#include "engine/fieldlist.h"

using namespace engine;

TEST(FieldList, SelectionFilterAndFormats) {
    const FieldStructure in{{"A", "C", 5, 0}, {"B", "N", 0, 0}, {"C", "D", 10, 0}};
    const std::vector<int> pos{1, 7, 9}, len{6, 2, 10};

    // no filter, CSV output: every field, the same positions
    FieldList csv = buildFieldList(in, pos, {}, false, {}, Format::CSV);
    EXPECT_EQ(csv.fields, in);
    EXPECT_EQ(csv.pos, pos);
    EXPECT_TRUE(csv.len.empty());

    // no filter, SDF or dBase output: fields of length 0 are left out
    FieldList sdf = buildFieldList(in, pos, len, false, {}, Format::SDF);
    ASSERT_EQ(sdf.fields.size(), 2u);
    EXPECT_EQ(sdf.fields[1].name, "C");
    EXPECT_EQ(sdf.pos, (std::vector<int>{1, 9}));
    EXPECT_EQ(sdf.len, (std::vector<int>{6, 10}));

    // filter: the selection in list order, unknown names skipped, exact case
    FieldList sel = buildFieldList(in, pos, len, true, {"C", "x", "a", "B"}, Format::DBF);
    ASSERT_EQ(sel.fields.size(), 1u);
    EXPECT_EQ(sel.fields[0].name, "C");
    EXPECT_EQ(sel.pos, (std::vector<int>{9}));
    EXPECT_EQ(buildFieldList(in, pos, len, true, {"B"}, Format::CSV).fields.size(), 1u);
    EXPECT_TRUE(buildFieldList(in, {}, {}, true, {}, Format::CSV).fields.empty());

    EXPECT_EQ(fieldListItemName("NAME,    C,    10,    0"), "NAME");
    EXPECT_FALSE(fieldListWritesAnything({{"M", "M", 10, 0}}, Format::CSV));
    EXPECT_TRUE(fieldListWritesAnything({{"M", "M", 10, 0}}, Format::DBF));
    EXPECT_FALSE(fieldListWritesAnything({}, Format::DBF));
}

TEST(DbfCompat, FieldAndCharacterSetRules) {
    const FieldStructure table{{"NAME", "C", 20, 0}, {"AMOUNT", "N", 10, 2}, {"EXTRA", "D", 8, 0}};
    struct Case {
        FieldStructure written;
        Charset out;
        bool ansiTable;
        int expected;
    };
    const Case cases[] = {
        {{{"NAME", "C", 20, 0}, {"AMOUNT", "N", 8, 2}}, Charset::ANSI, true, 0},
        {{{"NAME", "C", 30, 0}}, Charset::ANSI, true, 21},   // longer
        {{{"NAME", "C", 40, 0}}, Charset::ANSI, true, 21},
        {{{"AMOUNT", "N", 10, 3}}, Charset::ANSI, true, 21}, // more decimals
        {{{"AMOUNT", "C", 10, 0}}, Charset::ANSI, true, 21}, // other type
        {{{"name", "C", 5, 0}}, Charset::ANSI, true, 21},    // the case of a name counts
        {{{"OTHER", "C", 5, 0}}, Charset::ANSI, true, 21},   // missing
        {{{"NAME", "C", 5, 0}}, Charset::OEM, true, 22},
        {{{"NAME", "C", 5, 0}}, Charset::ANSI, false, 23},
        {{{"NAME", "C", 5, 0}}, Charset::OEM, false, 0},
        {{{"NAME", "C", 30, 0}}, Charset::OEM, true, 21},    // the field rule comes first
    };
    for (const auto& c : cases)
        EXPECT_EQ(dbfAppendIncompatibility(c.written, table, c.out, c.ansiTable), c.expected) << c.written[0].name;
}
