#pragma once
// The record filter of a conversion: a logical expression over the input's fields. For a text
// input the field names are rewritten once into expressions over the record's texts, the
// result is compiled once and evaluated per record.
#include <memory>
#include <string>
#include <vector>

#include "engine/fieldstructure.h"
#include "engine/options.h"
#include "platform/runtime/value.h"

namespace rt {
class Expression;
}

namespace engine {

// The string literals of a filter typed in the form (UTF-8) in the data's working encoding,
// so that a literal compares with the record's bytes. Text outside literals is left alone.
std::string literalsToEncoding(const std::string& text, Charset working);
// The same into a code page (workingCodePage()), a table's own among them.
std::string literalsToEncoding(const std::string& text, unsigned codePage);

// A filter over a text input with each field name of `structIn` (a whole identifier outside
// string literals, any case) replaced by an expression over aFeld, the record's texts:
// C aFeld[n], N val(aFeld[n]) (the comma as decimal point read through StrTran), L TRUE for
// the text ".T.", D CtoD(aFeld[n]).
std::string rewriteFilter(const std::string& text, const FieldStructure& structIn, bool inDecComma);

// A rewritten filter, compiled once, tested against each record's texts.
class RecordFilter {
public:
    // False when the text does not compile.
    bool compile(const std::string& rewritten);
    const std::string& text() const { return text_; }
    // True when the record passes; an evaluation error fails the record and is counted. Each
    // record is tested once, in input order: Recno() gives its number (the first record after
    // a header line is 1), Deleted() false.
    bool test(const std::vector<std::string>& record);

    long tested = 0;
    long errors = 0;
    // True when records were tested and every one of them failed to evaluate.
    bool failedEverywhere() const { return tested > 0 && errors == tested; }

private:
    std::string text_;
    std::shared_ptr<rt::Expression> expr_;
    rt::Value array_ = rt::Value::array();
};

}  // namespace engine
