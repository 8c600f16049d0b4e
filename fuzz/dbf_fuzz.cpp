// The dBase reader with its memo file: the input is the table, then the marker, then the
// memo file. Every record and field is read, in table order and through a filter; a table
// that cannot be trusted must be refused or read within its bytes, never crash or hang.
#include <string>
#include <string_view>

#include "fuzz_util.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"

namespace {
constexpr std::string_view kMarker = "\n--MEMO--\n";

void walk(db::DBSERVER& table, int64_t limit) {
    int64_t steps = 0;
    table.GOTOP();
    while (!table.EOF()) {
        for (int f = 1; f <= table.FCOUNT(); ++f) {
            (void)table.FIELDGET(rt::Value(f));
            (void)table.NUMBERTEXT(f);
        }
        (void)table.DELETED();
        (void)table.RECNO();
        table.SKIP(1);
        FUZZ_CHECK(++steps <= limit);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t opts = fuzz::takeByte(data, size);
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const size_t cut = all.find(kMarker);
    const std::string_view table = all.substr(0, cut);
    const std::string_view memo = cut == std::string_view::npos ? std::string_view() : all.substr(cut + kMarker.size());

    rt::SetAnsi((opts & 1) != 0);
    rt::SetDeleted((opts & 2) != 0);
    const std::string path = fuzz::writeFile("t.dbf", table);
    fuzz::removeFile("t.dbt");
    fuzz::removeFile("t.fpt");
    if (cut != std::string_view::npos)
        fuzz::writeFile((opts & 4) ? "t.fpt" : "t.dbt", memo);

    db::DBSERVER t(path, true, true);
    if (!t.USED())
        return 0;
    (void)t.DBSTRUCT();
    (void)t.INFO(25);
    const int64_t last = t.LASTREC();
    // Records are what the file holds, whatever the header claims.
    FUZZ_CHECK(last >= 0);
    FUZZ_CHECK(last <= static_cast<int64_t>(table.size()));
    walk(t, last);
    (void)t.COUNT();
    if (t.FCOUNT() > 0 && t.SETFILTER("!Deleted() .AND. Recno() % 2 = 1"))
        walk(t, last);
    t.GOTO(last);
    t.GOBOTTOM();
    t.CLOSE();
    return 0;
}
