#include "engine/tablefields.h"

#include <algorithm>
#include <set>
#include <utility>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "engine/numbertext.h"
#include "engine/options.h"
#include "platform/db/dbserver.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/strings.h"

namespace engine {

namespace {

// What the values of a double field need: integer places (a minus included) and decimals of
// their plain texts, and the length of their shortest texts.
struct DoubleNeeds {
    int integer = 1;
    int decimals = 0;
    size_t shortest = 1;
    bool plain = true;  // every value is finite
};

void measureDouble(DoubleNeeds& needs, db::DBSERVER& table, int number) {
    const std::string text = table.NUMBERTEXT(number);
    needs.shortest = std::max(needs.shortest, shortestText(table.FIELDGET(number).num()).size());
    if (text.empty()) {
        needs.plain = false;
        return;
    }
    const size_t point = text.find('.');
    const size_t integer = point == std::string::npos ? text.size() : point;
    needs.integer = std::max(needs.integer, static_cast<int>(integer));
    if (point != std::string::npos) needs.decimals = std::max(needs.decimals, static_cast<int>(text.size() - point - 1));
}

}  // namespace

FieldStructure tableStructure(const db::DBSERVER& table) {
    FieldStructure out;
    int number = 0;
    for (const db::FieldInfo& f : table.fields())
        out.push_back({f.name, std::string(1, f.type), f.length, f.decimals, ++number});
    return out;
}

bool createTable(const std::string& path, const FieldStructure& fields, bool oem, const NewTableCodePage& codePage) {
    std::vector<db::FieldInfo> infos;
    for (const FieldDef& f : fields) infos.push_back({f.name, f.type.empty() ? 'C' : f.type[0], f.length, f.decimals});
    // The flag follows the runtime's setting at creation; the program runs with ANSI set.
    if (oem) rt::SetAnsi(false);
    const bool created = db::DBCREATE(path, infos, codePage.languageDriver);
    if (oem) rt::SetAnsi(true);
    if (!created) return false;
    std::error_code ec;
    const std::filesystem::path cpg = std::filesystem::path(path).replace_extension(".cpg");
    if (codePage.languageDriver != 0 || codePage.codePageFile.empty()) {
        std::filesystem::remove(cpg, ec);
        return !ec;
    }
    std::filesystem::copy_file(codePage.codePageFile, cpg, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) return false;
    // The header's byte 29 names no code page (0), so that every reader takes the ".cpg" file's.
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f) return false;
    const bool marked = std::fseek(f, 29, SEEK_SET) == 0 && std::fputc(0, f) == 0;
    return std::fclose(f) == 0 && marked;
}

TableCodePage tableCodePage(const db::DBSERVER& table) {
    return {table.isAnsi(), table.CODEPAGE(), table.languageDriver(), table.codePageFile()};
}

NewTableCodePage sharedCodePage(const std::vector<TableCodePage>& inputs, bool oem) {
    NewTableCodePage shared;
    unsigned codePage = 0;
    for (const TableCodePage& t : inputs) {
        if (t.ansi == oem || (codePage != 0 && t.codePage != codePage)) return {};
        codePage = t.codePage;
        if (shared.languageDriver == 0) shared.languageDriver = t.languageDriver;
        if (shared.codePageFile.empty()) shared.codePageFile = t.codePageFile;
    }
    if (codePage == 0 || codePage == (oem ? kOemCodePage : kAnsiCodePage)) return {};
    // A header byte that names the page serves every reader; a ".cpg" file only where none does.
    if (shared.languageDriver != 0) shared.codePageFile.clear();
    else if (shared.codePageFile.empty()) return {};
    return shared;
}

int tableFieldNumber(const FieldDef& field, const db::DBSERVER& table) {
    if (field.number > 0 && field.number <= table.FCOUNT()) return field.number;
    return table.FIELDPOS(field.name);
}

void carryTableFields(FieldStructure& fields, db::DBSERVER& table) {
    std::erase_if(fields, [&](const FieldDef& f) {
        const int no = tableFieldNumber(f, table);
        return no > 0 && table.fields()[static_cast<size_t>(no - 1)].type == '0';
    });
    // Fields whose sizes come from their values: the output field, the table's field.
    std::vector<std::pair<size_t, int>> measured;
    for (size_t i = 0; i < fields.size(); ++i) {
        const int no = tableFieldNumber(fields[i], table);
        if (no <= 0) continue;
        const db::FieldInfo& f = table.fields()[static_cast<size_t>(no - 1)];
        if (f.type == 'I' && f.length == 4)
            fields[i] = {fields[i].name, "N", 11, 0, no};  // -2147483648
        else if (f.type == 'Y' && f.length == 8)
            fields[i] = {fields[i].name, "N", 21, 4, no};  // -922337203685477.5808
        else if (f.type == 'V')
            fields[i] = {fields[i].name, "C", f.length, 0, no};  // a varchar is text of at most its length
        else if ((f.type == 'B' || f.type == 'T') && f.length == 8)
            measured.emplace_back(i, no);
    }
    if (measured.empty()) return;
    std::vector<DoubleNeeds> doubles(measured.size());
    std::vector<size_t> longest(measured.size(), 19);  // yyyy-mm-dd hh:mm:ss
    for (table.GOTOP(); !table.EOF(); table.SKIP()) {
        for (size_t k = 0; k < measured.size(); ++k) {
            const auto [i, no] = measured[k];
            if (fields[i].type == "B")
                measureDouble(doubles[k], table, no);
            else
                longest[k] = std::max(longest[k], table.FIELDGET(no).str().size());
        }
    }
    table.GOTOP();
    for (size_t k = 0; k < measured.size(); ++k) {
        FieldDef& f = fields[measured[k].first];
        const DoubleNeeds& d = doubles[k];
        const int length = d.integer + (d.decimals > 0 ? d.decimals + 1 : 0);
        if (f.type != "B")
            f = {f.name, "C", static_cast<int>(longest[k]), 0, f.number};
        else if (d.plain && length <= db::kMaxNumberLength)
            f = {f.name, "N", length, d.decimals, f.number};
        else
            f = {f.name, "C", static_cast<int>(d.shortest), 0, f.number};
    }
}

std::vector<FieldRename> renameDuplicateFields(FieldStructure& fields) {
    std::vector<FieldRename> renamed;
    std::set<std::string> taken;
    for (const FieldDef& f : fields) taken.insert(rt::Upper(f.name));
    std::set<std::string> seen;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (seen.insert(rt::Upper(fields[i].name)).second) continue;
        for (int k = 2;; ++k) {
            const std::string suffix = "_" + std::to_string(k);
            const std::string name = rt::Upper(fields[i].name.substr(0, 10 - std::min<size_t>(10, suffix.size()))) + suffix;
            if (!taken.insert(name).second) continue;
            renamed.push_back({i + 1, fields[i].name, name});
            fields[i].name = name;
            seen.insert(name);
            break;
        }
    }
    return renamed;
}

StructureRefusal dbfStructureRefusal(const FieldStructure& fields) {
    int64_t record = 1;
    for (const FieldDef& f : fields) {
        const char type = f.type.size() == 1 ? f.type[0] : '?';
        switch (type) {
        case 'C': case 'N': case 'F': record += f.length; break;
        case 'D': record += 8; break;
        case 'L': record += 1; break;
        case 'M': record += 10; break;
        default: return {77, f.name, f.type};
        }
    }
    if (fields.size() > static_cast<size_t>(db::kMaxFields))
        return {76, std::to_string(fields.size()), std::to_string(db::kMaxFields)};
    if (record > db::kMaxRecordLength) return {75, std::to_string(record), std::to_string(db::kMaxRecordLength)};
    return {};
}

}  // namespace engine
