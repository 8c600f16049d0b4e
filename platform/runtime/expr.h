#pragma once
// The xBase expression language of record filters and index keys: compiled once, evaluated
// per record. Only the functions registered here exist; nothing reaches files, the shell or
// the system from an expression.
//
// The language:
// - literals: 'text', "text", 12, 12.5, .5, .T. .F. (also .Y. .N.), TRUE, FALSE, NIL, and
//   dates written year.month.day (2013.01.01; 0000.00.00 is the empty date);
// - names of fields and memory variables, any case, resolved through the NameScope; array
//   elements name[n], name[n][m] or name[n, m];
// - operators, from the tightest to the loosest binding: unary - +; ** ^; * / %; + -;
//   the comparisons = == != <> # < <= > >= $ (all one level, left to right); .NOT. !;
//   .AND.; .OR. (.AND. and .OR. evaluate their right side only when needed);
// - xBase semantics: text + text joins, text - text joins with the left text's trailing
//   blanks moved to the end, date + number and date - number give dates, date - date the
//   days between; "=" on texts is a prefix test ("Miller" = "Mil" is TRUE) unless exact
//   mode is on (SetExact), "==" compares length and bytes; < <= > >= compare texts
//   byte-wise and, like "=", treat a text that begins with the right text as equal;
//   != <> # are the negation of "=";
// - functions: Abs AllTrim At CToD DToC DToS Empty iif Left Len Logic2Bin Lower LTrim Max
//   Min PadL PadR Right Round RTrim Space Str StrTran StrZero SubStr Upper Val, the
//   registered functions, and functions the scope offers (NameScope::callFunction).
// Errors (genCode of errors.h): EG_SYNTAX and EG_COMPLEXITY when compiling; EG_NOVAR,
// EG_NOFUNC, EG_ARG (wrong type), EG_BOUND (array index), EG_ZERODIV, EG_NUMERR and
// EG_STROVERFLOW (texts beyond 64 MiB) when evaluating.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/runtime/value.h"

namespace rt {

// Resolves the names an expression uses (fields of the current record, memory variables).
// Names arrive upper-cased; return false when the name is unknown.
class NameScope {
public:
    virtual ~NameScope() = default;
    virtual bool lookup(const std::string& upperName, Value& out) const = 0;
    // Called for a function name that is neither built in nor registered, so that a scope
    // can offer functions of its own record (a table's Deleted() and Recno()). Return false
    // when the scope has no such function.
    virtual bool callFunction(const std::string& upperName, const std::vector<Value>& args, Value& out) const {
        (void)upperName, (void)args, (void)out;
        return false;
    }
};

// A scope without names.
class EmptyScope : public NameScope {
public:
    bool lookup(const std::string&, Value&) const override { return false; }
};

// Memory variables by case-insensitive name. Names of the parent scope (the fields of the
// current record) come first, as fields hide memory variables of the same name.
class VariableScope : public NameScope {
public:
    explicit VariableScope(const NameScope* parent = nullptr) : parent_(parent) {}
    void set(const std::string& name, Value value);
    void remove(const std::string& name);
    bool lookup(const std::string& upperName, Value& out) const override;
    bool callFunction(const std::string& upperName, const std::vector<Value>& args, Value& out) const override;

private:
    const NameScope* parent_;
    std::vector<std::pair<std::string, Value>> vars_;
};

// A function callable from expressions. Arguments are evaluated values; a runtime error is
// reported by returning an Error value (or throwing rt::RuntimeError, see below).
using ExprFunction = std::function<Value(const std::vector<Value>& args)>;

// Thrown inside evaluation; caught by Expression::eval and by ErrorBlock.
struct RuntimeError {
    Error error;
};

// Registers a function under a case-insensitive name for every expression compiled later
// (the program registers ISINFILE, Deleted, Recno and friends).
void registerExprFunction(const std::string& name, ExprFunction fn);
void unregisterExprFunction(const std::string& name);

class Expression {
public:
    // Compiles `text`; on a syntax error returns null and puts the message in *error.
    static std::shared_ptr<Expression> compile(const std::string& text, std::string* error = nullptr);
    virtual ~Expression() = default;
    // Evaluates against the scope; a runtime error gives an Error value, never an exception.
    virtual Value eval(const NameScope& scope) const = 0;
    // The names of fields/variables the expression refers to (upper case), for checks.
    virtual std::vector<std::string> names() const = 0;
};

// Compiles and evaluates at each call; compile and runtime errors give an Error value.
// Recently compiled texts are kept, so a text evaluated per record is parsed only once.
Value Evaluate(const std::string& text, const NameScope& scope);

// What went wrong in an expression, for the person who wrote it: the kind of fault and what it
// concerns (the unknown name or function, the function called with the wrong arguments, the
// operator whose operands do not go together, or the compiler's own words for a syntax
// error).
struct ExprFault {
    enum class Kind { Syntax, UnknownName, UnknownFunction, Arguments, Operands, Other } kind;
    std::string subject;
};
ExprFault explainError(const Error& error);

// Runs `body`; any runtime error inside it goes to `handler`, whose result is returned.
Value ErrorBlock(const std::function<Value(const Error&)>& handler, const std::function<Value()>& body);

}  // namespace rt
