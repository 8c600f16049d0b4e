#include "engine/header.h"

#include "platform/runtime/strings.h"

namespace engine {

std::string csvHeaderLine(const FieldStructure& fields, char separator, CsvFrame frame) {
    std::string line;
    for (const auto& f : fields) {
        if (!fieldIsWritten(f)) continue;
        bool framed = frame == CsvFrame::All || (f.type == "C" && frame == CsvFrame::Text);
        if (framed) line += '"';
        line += f.name;
        if (framed) line += '"';
        line += separator;
    }
    if (!line.empty()) line.pop_back();
    return line;
}

std::string sdfHeaderLine(const FieldStructure& fields, const SdfWidths& widths, SdfMode mode) {
    std::string line;
    const size_t n = fields.size();
    for (size_t i = 0; i < n; ++i) {
        const auto& f = fields[i];
        const bool last = i + 1 == n;
        const int w = i < widths.max.size() ? widths.max[i] : f.length;
        const int l = i < widths.lead.size() ? widths.lead[i] : 0;
        int room;
        bool blank = true;
        if (f.type == "C" || f.type == "N") {
            if (mode == SdfMode::Optimised) {
                room = f.type == "C" ? w - l : w;
                if (room <= 0 && f.type == "C") continue;
                if (last) room += 1;
            } else if (mode == SdfMode::Blank) {
                room = w;
            } else {
                room = last ? w : w - 1;
                blank = !last;
            }
        } else if (f.type == "L" || f.type == "D") {
            int width = f.type == "L" ? 3 : 10;
            room = (mode == SdfMode::Plain && !last) ? width - 1 : width;
            blank = mode != SdfMode::Plain || !last;
        } else {
            continue;
        }
        line += rt::PadR(f.name, room);
        if (blank) line += ' ';
    }
    if (mode != SdfMode::Plain && !line.empty()) line.pop_back();
    return line;
}

namespace {

std::string num(int n) { return std::to_string(n); }

// One column: the lower-case name and its type, "" for a field without a column.
std::string column(const FieldDef& f, int width) {
    std::string type;
    if (f.type == "C")
        type = "varchar(" + num(width) + ") default NULL";
    else if (f.type == "N")
        type = f.decimals == 0 ? "int(" + num(width) + ") default '0'"
                               : "float(" + num(width) + "," + num(f.decimals) + ") default '0'";
    else if (f.type == "L")
        type = "smallint(1) default '0'";
    else if (f.type == "D")
        type = "date default '0000-00-00'";
    else
        return {};
    return rt::Lower(f.name) + " " + type;
}

std::vector<std::string> script(const std::string& table, std::vector<std::string> columns) {
    std::vector<std::string> lines;
    lines.push_back("CREATE TABLE " + table + " (");
    for (size_t i = 0; i < columns.size(); ++i)
        lines.push_back(columns[i] + (i + 1 < columns.size() ? "," : ""));
    lines.push_back(") TYPE=MyISAM COMMENT='TorvelSoft Geo Data'");
    lines.push_back("");
    return lines;
}

}  // namespace

std::vector<std::string> sqlScriptCsv(const std::string& table, const FieldStructure& fields) {
    std::vector<std::string> columns;
    for (const auto& f : fields) {
        std::string c = column(f, f.length);
        if (!c.empty()) columns.push_back(std::move(c));
    }
    return script(table, std::move(columns));
}

std::vector<std::string> sqlScriptSdf(const std::string& table, const FieldStructure& fields,
                                      const SdfWidths& widths, SdfMode mode) {
    std::vector<std::string> columns;
    const size_t n = fields.size();
    for (size_t i = 0; i < n; ++i) {
        const auto& f = fields[i];
        const bool last = i + 1 == n;
        const int w = i < widths.max.size() ? widths.max[i] : f.length;
        const int l = i < widths.lead.size() ? widths.lead[i] : 0;
        int width = w;
        if (f.type == "C" && mode == SdfMode::Optimised) {
            if (w - l <= 0) continue;
            width = w - l + 1;
        } else if (f.type == "C" || f.type == "N") {
            if (mode == SdfMode::Optimised)
                width = w + 1;
            else if (mode == SdfMode::Blank)
                width = last ? w : w + 1;
        }
        std::string c = column(f, width);
        if (!c.empty()) columns.push_back(std::move(c));
    }
    return script(table, std::move(columns));
}

}  // namespace engine
