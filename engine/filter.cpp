#include "engine/filter.h"

#include "platform/runtime/expr.h"
#include "platform/win/codepage.h"
#include "engine/filtertext.h"

namespace engine {

namespace {

// The record's texts under the name the rewritten filter uses, and the record functions a
// table offers its filter: a text record has its number in the input and is never deleted.
class RecordScope : public rt::NameScope {
public:
    RecordScope(const rt::Value& array, long number) : array_(array), number_(number) {}
    bool lookup(const std::string& upperName, rt::Value& out) const override {
        if (upperName != "AMEMFELD") return false;
        out = array_;
        return true;
    }
    bool callFunction(const std::string& upperName, const std::vector<rt::Value>& args, rt::Value& out) const override {
        if (!args.empty()) return false;
        if (upperName == "RECNO") {
            out = rt::Value(static_cast<double>(number_));
            return true;
        }
        if (upperName == "DELETED") {
            out = rt::Value(false);
            return true;
        }
        return false;
    }

private:
    const rt::Value& array_;
    long number_;
};

std::string toCodePage(const std::string& utf8, unsigned codePage) {
    std::string out;
    if (!win::ConvertMultiByte(win::CP_UTF8, codePage, utf8, out))
        return utf8;  // no page to convert into: the bytes stand as typed
    return out;
}

}  // namespace

std::string literalsToEncoding(const std::string& text, Charset working) {
    if (working == Charset::UTF8 || working == Charset::UTF16) return text;
    return literalsToEncoding(text, working == Charset::OEM ? win::GetOEMCP() : win::GetACP());
}

std::string literalsToEncoding(const std::string& text, unsigned codePage) {
    if (codePage == win::CP_UTF8) return text;
    const unsigned cp = codePage;
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '"' && c != '\'') {
            out.push_back(c);
            ++i;
            continue;
        }
        size_t end = text.find(c, i + 1);
        if (end == std::string::npos) end = text.size();
        out.push_back(c);
        out += toCodePage(text.substr(i + 1, end - i - 1), cp);
        if (end < text.size()) out.push_back(c);
        i = end + 1;
    }
    return out;
}

std::string rewriteFilter(const std::string& text, const FieldStructure& structIn, bool inDecComma) {
    std::vector<NameReplacement> names;
    names.reserve(structIn.size());
    for (size_t i = 0; i < structIn.size(); ++i) {
        const FieldDef& f = structIn[i];
        const std::string n = std::to_string(i + 1);
        const std::string element = "aFeld[" + n + "]";
        std::string r;
        if (f.type == "C") r = element;
        else if (f.type == "N" && inDecComma && f.decimals > 0) r = "val(StrTran(" + element + ",',','.'))";
        else if (f.type == "N") r = "val(" + element + ")";
        else if (f.type == "L") r = "iif(" + element + " == '.T.',TRUE,FALSE)";
        else if (f.type == "D") r = "CtoD(" + element + ")";
        else continue;
        names.push_back({f.name, r});
    }
    return replaceFieldNames(text, names);
}

bool RecordFilter::compile(const std::string& rewritten) {
    text_ = rewritten;
    tested = errors = 0;
    const std::string evaluated = replaceFieldNames(rewritten, {{"aFeld", "aMemFeld"}});
    expr_ = rt::Expression::compile(evaluated);
    return expr_ != nullptr;
}

bool RecordFilter::test(const std::vector<std::string>& record) {
    ++tested;
    if (!expr_) {
        ++errors;
        return false;
    }
    rt::Array& a = *array_.arr();
    a.resize(record.size());
    for (size_t i = 0; i < record.size(); ++i) a[i] = rt::Value(record[i]);
    // Records are tested once each, in the order of the input.
    rt::Value v = expr_->eval(RecordScope(array_, tested));
    if (v.isError()) {
        ++errors;
        return false;
    }
    return v.log();
}

}  // namespace engine
