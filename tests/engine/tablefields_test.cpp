// The fields a dBase input gives an output, and the reasons a new table refuses a structure.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "dbf_bytes.h"
#include "engine/fieldlist.h"
#include "engine/loops.h"
#include "engine/tablefields.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "platform/win/filehandle.h"
#include "test_env.h"

using namespace engine;
namespace fs = std::filesystem;
using dbf_bytes::le;

namespace {

FieldStructure structureOf(const db::DBSERVER& t) {
    FieldStructure out;
    for (const auto& f : t.fields()) out.push_back({f.name, std::string(1, f.type), f.length, f.decimals});
    return out;
}

}  // namespace

// Integer, currency, double and date-and-time fields become the N or C fields that hold their
// values exactly, sized by the values where they differ; the null flags are left out; the
// values reach a CSV output as those fields hold them.
TEST(TableFields, VisualFoxProTypesBecomeTheFieldsThatHoldThem) {
    const auto dir = mirvano_test::temp_dir("tablefields-vfp");
    const uint32_t day = 2459278;  // 4 March 2021
    const std::string nul(1, '\0');
    const std::vector<dbf_bytes::Field> fields = {{"I", 'I', 4, 0}, {"Y", 'Y', 8, 4}, {"B", 'B', 8, 2}, {"T", 'T', 8, 0},
                                                  {"HUGE", 'B', 8, 0}, {"_NULLFLAGS", '0', 1, 0}, {"C", 'C', 2, 0}};
    mirvano_test::writeAll(
        dir / "fox.dbf",
        dbf_bytes::table(0x30, 0x03, fields,
                         {" " + le(0xFFFFFFFFu, 4) + le(123456, 8) + le(-12.5) + le(day, 4) + le(3723000, 4) + le(5e-324) + nul + "ab",
                          " " + le(2, 4) + le(0, 8) + le(0.125) + le(day, 4) + le(1, 4) + le(INFINITY) + nul + "cd",
                          "*" + le(9, 4) + le(9, 8) + le(123456.0) + le(day, 4) + le(0, 4) + le(1.0) + nul + "zz"}));
    rt::SetDeleted(true);
    db::DBSERVER t((dir / "fox.dbf").string(), true, true);
    ASSERT_TRUE(t.USED()) << t.Status();
    FieldStructure out = structureOf(t);
    carryTableFields(out, t);
    EXPECT_EQ(out, (FieldStructure{{"I", "N", 11, 0}, {"Y", "N", 21, 4}, {"B", "N", 7, 3}, {"T", "C", 23, 0},
                                   {"HUGE", "C", 6, 0}, {"C", "C", 2, 0}}));
    EXPECT_EQ(t.RECNO(), 1);

    LoopJob job;
    job.options.inFormat = Format::DBF;
    job.options.outFormat = Format::CSV;
    job.options.outFrameNone = true;
    job.structIn = structureOf(t);
    job.out.fields = out;
    t.CLOSE();
    db::DBSERVER in((dir / "fox.dbf").string(), true, true);
    const fs::path csv = dir / "fox.csv";
    win::FileHandle h = win::CreateFile(csv.string());
    ASSERT_GE(h, 0);
    {
        LineWriter writer(h, Charset::ANSI, Charset::ANSI);
        LoopInput input;
        input.table = &in;
        LoopOutput output;
        output.writer = &writer;
        CountingRunContext context;
        LoopHooks hooks;
        EXPECT_EQ(runConversion(job, input, output, context, hooks).count, 2u);
    }
    win::CloseHandle(h);
    EXPECT_EQ(mirvano_test::readAll(csv), "-1;12.3456;-12.500;2021-03-04 01:02:03;5e-324;ab\r\n"
                                          "2;0.0000;0.125;2021-03-04 00:00:00.001;inf;cd\r\n");
}

TEST(TableFields, RefusalsSayWhatDoesNotFit) {
    const FieldStructure many(2047, FieldDef{"F", "N", 1, 0});
    const struct {
        FieldStructure fields;
        StructureRefusal expected;
    } cases[] = {
        {{{"A", "C", 65534, 0}}, {}},
        {{{"A", "C", 65534, 0}, {"B", "L", 3, 0}}, {75, "65536", "65535"}},
        {{{"A", "C", 40000, 0}, {"B", "C", 30000, 0}}, {75, "70001", "65535"}},
        {{{"A", "C", 65526, 0}, {"D", "D", 10, 0}}, {}},  // a date takes its 8 bytes, whatever its text's length
        {{{"A", "C", 10, 0}, {"G", "G", 10, 0}}, {77, "G", "G"}},
        {many, {76, "2047", "2046"}},
        {FieldStructure(2046, FieldDef{"F", "N", 1, 0}), {}},
    };
    for (const auto& c : cases) {
        const StructureRefusal r = dbfStructureRefusal(c.fields);
        EXPECT_EQ(r.message, c.expected.message) << c.fields.size();
        EXPECT_EQ(r.first, c.expected.first);
        EXPECT_EQ(r.second, c.expected.second);
    }
}

// A table made from a structure reads back with that structure (a field without a type is
// text) and with the code page asked for, and the runtime stays on ANSI for what follows.
TEST(TableFields, ACreatedTableHasTheStructureAndCodePageAskedFor) {
    const auto dir = mirvano_test::temp_dir("tablefields-create");
    const FieldStructure asked = {{"NAME", "C", 12, 0}, {"NOTE", "", 5, 0}, {"PRICE", "N", 8, 2}, {"DAY", "D", 8, 0}};
    const FieldStructure expected = {{"NAME", "C", 12, 0}, {"NOTE", "C", 5, 0}, {"PRICE", "N", 8, 2}, {"DAY", "D", 8, 0}};
    for (const bool oem : {true, false}) {
        SCOPED_TRACE(oem ? "OEM" : "ANSI");
        const std::string path = (dir / (oem ? "oem.dbf" : "ansi.dbf")).string();
        ASSERT_TRUE(createTable(path, asked, oem));
        EXPECT_TRUE(rt::IsAnsi());
        db::DBSERVER t(path, true, true);
        ASSERT_TRUE(t.USED()) << t.Status();
        EXPECT_EQ(tableStructure(t), expected);
        EXPECT_EQ(t.isAnsi(), !oem);
    }
    EXPECT_FALSE(createTable((dir / "missing" / "x.dbf").string(), asked, false));
}
