// The expression compiler and evaluator on any text: compile errors come back as messages,
// runtime errors as error values, never as a crash or an escaping exception.
#include <string>

#include "fuzz_util.h"
#include "platform/runtime/dates.h"
#include "platform/runtime/expr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Texts far longer than a typed filter only slow the run down.
    if (size > 4096)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);

    static rt::VariableScope scope = [] {
        rt::VariableScope s;
        s.set("NAME", rt::Value("Müller    "));
        s.set("BETRAG", rt::Value(-12.5));
        s.set("ANZAHL", rt::Value(3));
        s.set("AKTIV", rt::Value(true));
        s.set("LEER", rt::Value());
        s.set("DATUM", rt::Value(rt::CToD("31.12.1999")));
        s.set("LISTE", rt::Value::array({rt::Value(1), rt::Value("a"), rt::Value::array({rt::Value(2.5)})}));
        return s;
    }();

    std::string error;
    std::shared_ptr<rt::Expression> e = rt::Expression::compile(text, &error);
    if (!e) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    (void)e->names();
    (void)e->eval(scope);
    (void)e->eval(rt::EmptyScope());
    (void)rt::Evaluate(text, scope);
    return 0;
}
