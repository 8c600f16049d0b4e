#include "platform/runtime/expr.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <list>
#include <mutex>
#include <new>
#include <span>
#include <string_view>
#include <unordered_map>

#include "platform/runtime/dates.h"
#include "platform/runtime/errors.h"
#include "platform/runtime/numbers.h"
#include "platform/runtime/settings.h"
#include "platform/runtime/strings.h"

namespace rt {

namespace {

// Limits that keep any input text from exhausting the stack or the memory.
constexpr int kMaxNesting = 200;        // parentheses, calls, subscripts, prefix operators
constexpr int kMaxTreeDepth = 2000;     // depth of the compiled tree (long operator chains)
constexpr size_t kMaxText = 64u << 20;  // longest text an expression may build
// The widest text a width argument (Str, StrZero, Space, PadL, PadR) may ask for: no field is
// wider than a record, so a wider text can only come from a mistyped number, and building it
// would cost the time and memory of its size at every record.
constexpr int64_t kMaxWidth = 65535;

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

// ---------------------------------------------------------------------------------------
// Registry of the functions the program adds.

struct Registry {
    std::mutex mutex;
    std::unordered_map<std::string, std::shared_ptr<const ExprFunction>> functions;
    uint64_t generation = 0;
};

Registry& registry() {
    static Registry r;
    return r;
}

std::shared_ptr<const ExprFunction> findRegistered(const std::string& upperName) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.functions.find(upperName);
    return it == r.functions.end() ? nullptr : it->second;
}

// ---------------------------------------------------------------------------------------
// Compiled tree.

struct Ctx {
    const NameScope& scope;
};

class Node {
public:
    virtual ~Node() = default;
    virtual Value eval(const Ctx& ctx) const = 0;
    // Whether the value depends only on the node's children (constant folding).
    virtual bool pure() const { return true; }
    int depth = 1;
};
using NodePtr = std::unique_ptr<Node>;

[[noreturn]] void argError(const char* op) { raise(EG_ARG, "argument error", op); }

void checkText(size_t size, const char* op) {
    if (size > kMaxText) raise(EG_STROVERFLOW, "string too long", op);
}

void checkWidth(int64_t width, const char* op) {
    if (width > kMaxWidth) raise(EG_STROVERFLOW, "width beyond 65535", op);
}

double checkNumber(double v, const char* op) {
    if (!std::isfinite(v)) raise(EG_NUMERR, "numeric overflow", op);
    return v;
}

Date dateAdd(Date d, double days, const char* op) {
    if (d.empty()) return d;
    double j = static_cast<double>(d.julian()) + static_cast<double>(toInt32(days));
    Date out = Date::fromJulian(static_cast<int64_t>(j));
    if (j < 1721426 || j > 5373484) raise(EG_ARG, "date out of range", op);  // 0001-01-01 .. 9999-12-31
    return out;
}

class ConstNode final : public Node {
public:
    explicit ConstNode(Value v) : v_(std::move(v)) {}
    Value eval(const Ctx&) const override { return v_; }
    const Value& value() const { return v_; }

private:
    Value v_;
};

class NameNode final : public Node {
public:
    explicit NameNode(std::string upperName) : name_(std::move(upperName)) {}
    Value eval(const Ctx& ctx) const override {
        Value out;
        if (!ctx.scope.lookup(name_, out)) raise(EG_NOVAR, "variable does not exist", name_);
        return out;
    }
    bool pure() const override { return false; }

private:
    std::string name_;
};

class IndexNode final : public Node {
public:
    IndexNode(NodePtr base, NodePtr index) : base_(std::move(base)), index_(std::move(index)) {}
    Value eval(const Ctx& ctx) const override {
        Value base = base_->eval(ctx);
        Value index = index_->eval(ctx);
        if (!base.isArray() || !index.isNumber()) raise(EG_ARG, "argument error", "array access");
        int32_t i = toInt32(index.num());
        if (i < 1 || static_cast<size_t>(i) > base.len()) raise(EG_BOUND, "bound error", "array access");
        return (*base.arr())[static_cast<size_t>(i - 1)];
    }
    bool pure() const override { return false; }  // arrays are mutable references

private:
    NodePtr base_, index_;
};

enum class Op { Neg, Plus, Not, Add, Sub, Mul, Div, Mod, Pow, Eq, ExactEq, Ne, Lt, Le, Gt, Ge, Contains, And, Or };

const char* opName(Op op) {
    switch (op) {
        case Op::Neg: return "-";
        case Op::Plus: return "+";
        case Op::Not: return ".NOT.";
        case Op::Add: return "+";
        case Op::Sub: return "-";
        case Op::Mul: return "*";
        case Op::Div: return "/";
        case Op::Mod: return "%";
        case Op::Pow: return "**";
        case Op::Eq: return "=";
        case Op::ExactEq: return "==";
        case Op::Ne: return "!=";
        case Op::Lt: return "<";
        case Op::Le: return "<=";
        case Op::Gt: return ">";
        case Op::Ge: return ">=";
        case Op::Contains: return "$";
        case Op::And: return ".AND.";
        case Op::Or: return ".OR.";
    }
    return "?";
}

class UnaryNode final : public Node {
public:
    UnaryNode(Op op, NodePtr a) : op_(op), a_(std::move(a)) {}
    Value eval(const Ctx& ctx) const override {
        Value v = a_->eval(ctx);
        if (op_ == Op::Not) {
            if (!v.isLogical()) argError(opName(op_));
            return Value(!v.log());
        }
        if (!v.isNumber()) argError(opName(op_));
        return Value(op_ == Op::Neg ? -v.num() : v.num());
    }

private:
    Op op_;
    NodePtr a_;
};

class LogicNode final : public Node {
public:
    LogicNode(Op op, NodePtr a, NodePtr b) : op_(op), a_(std::move(a)), b_(std::move(b)) {}
    Value eval(const Ctx& ctx) const override {
        Value l = a_->eval(ctx);
        if (!l.isLogical()) argError(opName(op_));
        // Short-circuit, as xBase evaluates .AND. and .OR.
        if (op_ == Op::And ? !l.log() : l.log()) return l;
        Value r = b_->eval(ctx);
        if (!r.isLogical()) argError(opName(op_));
        return r;
    }

private:
    Op op_;
    NodePtr a_, b_;
};

// Ordering of texts as xBase has it: with exact mode off a text that begins with the right
// text compares equal to it, consistent with "=".
int compareText(std::string_view l, std::string_view r) {
    if (IsExact()) {
        size_t le = l.find_last_not_of(' '), re = r.find_last_not_of(' ');
        l = le == std::string_view::npos ? std::string_view() : l.substr(0, le + 1);
        r = re == std::string_view::npos ? std::string_view() : r.substr(0, re + 1);
        int c = l.compare(r);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    size_t n = std::min(l.size(), r.size());
    int c = n ? std::memcmp(l.data(), r.data(), n) : 0;
    if (c != 0) return c < 0 ? -1 : 1;
    return r.size() <= l.size() ? 0 : -1;
}

// -1, 0, 1 for two values of one orderable type; an argument error otherwise.
int compareValues(const Value& l, const Value& r, Op op) {
    if (l.type() != r.type()) argError(opName(op));
    switch (l.type()) {
        case Value::Type::Number: return l.num() < r.num() ? -1 : (l.num() > r.num() ? 1 : 0);
        case Value::Type::Date: return l.date() < r.date() ? -1 : (l.date() > r.date() ? 1 : 0);
        case Value::Type::String: return compareText(l.str(), r.str());
        case Value::Type::Logical: return static_cast<int>(l.log()) - static_cast<int>(r.log());
        default: argError(opName(op));
    }
}

bool equalValues(const Value& l, const Value& r, Op op) {
    if (l.isNil() || r.isNil()) return l.isNil() && r.isNil();
    if (l.type() != r.type()) argError(opName(op));
    if (op != Op::ExactEq && l.isString()) return EqualText(l.str(), r.str());
    switch (l.type()) {
        case Value::Type::Number:
        case Value::Type::String:
        case Value::Type::Logical:
        case Value::Type::Date:
        case Value::Type::Array:
        case Value::Type::Object:
        case Value::Type::Block: return l.same(r);
        default: argError(opName(op));
    }
}

Value binary(Op op, const Value& l, const Value& r) {
    const char* name = opName(op);
    switch (op) {
        case Op::Add:
            if (l.isNumber() && r.isNumber()) return checkNumber(l.num() + r.num(), name);
            if (l.isString() && r.isString()) {
                checkText(l.str().size() + r.str().size(), name);
                std::string s;
                s.reserve(l.str().size() + r.str().size());
                s += l.str();
                s += r.str();
                return Value(std::move(s));
            }
            if (l.isDate() && r.isNumber()) return dateAdd(l.date(), r.num(), name);
            if (l.isNumber() && r.isDate()) return dateAdd(r.date(), l.num(), name);
            argError(name);
        case Op::Sub:
            if (l.isNumber() && r.isNumber()) return checkNumber(l.num() - r.num(), name);
            if (l.isDate() && r.isDate()) {
                if (l.date().empty() || r.date().empty()) return Value(0);
                return Value(static_cast<double>(l.date().julian() - r.date().julian()));
            }
            if (l.isDate() && r.isNumber()) return dateAdd(l.date(), -r.num(), name);
            if (l.isString() && r.isString()) {
                // xBase text subtraction: the left text's trailing blanks move to the end.
                checkText(l.str().size() + r.str().size(), name);
                std::string t = Trim(l.str());
                size_t blanks = l.str().size() - t.size();
                t += r.str();
                t.append(blanks, ' ');
                return Value(std::move(t));
            }
            argError(name);
        case Op::Mul:
            if (l.isNumber() && r.isNumber()) return checkNumber(l.num() * r.num(), name);
            argError(name);
        case Op::Div:
        case Op::Mod:
            if (!l.isNumber() || !r.isNumber()) argError(name);
            if (r.num() == 0) raise(EG_ZERODIV, "zero divisor", name);
            return checkNumber(op == Op::Div ? l.num() / r.num() : std::fmod(l.num(), r.num()), name);
        case Op::Pow:
            if (l.isNumber() && r.isNumber()) return checkNumber(std::pow(l.num(), r.num()), name);
            argError(name);
        case Op::Eq:
        case Op::ExactEq: return Value(equalValues(l, r, op));
        case Op::Ne: return Value(!equalValues(l, r, op));
        case Op::Lt: return Value(compareValues(l, r, op) < 0);
        case Op::Le: return Value(compareValues(l, r, op) <= 0);
        case Op::Gt: return Value(compareValues(l, r, op) > 0);
        case Op::Ge: return Value(compareValues(l, r, op) >= 0);
        case Op::Contains:
            if (l.isString() && r.isString()) return Value(InString(l.str(), r.str()));
            argError(name);
        default: argError(name);
    }
}

class BinaryNode final : public Node {
public:
    BinaryNode(Op op, NodePtr a, NodePtr b) : op_(op), a_(std::move(a)), b_(std::move(b)) {}
    Value eval(const Ctx& ctx) const override {
        Value l = a_->eval(ctx);
        Value r = b_->eval(ctx);
        return binary(op_, l, r);
    }
    // Text comparisons follow the exact mode in force when evaluated, so they are not folded.
    bool pure() const override {
        return op_ != Op::Eq && op_ != Op::Ne && op_ != Op::Lt && op_ != Op::Le && op_ != Op::Gt && op_ != Op::Ge;
    }

private:
    Op op_;
    NodePtr a_, b_;
};

// ---------------------------------------------------------------------------------------
// Built-in functions: the filter builder's list and what index keys and rewritten filters
// use. Nothing here reaches files, the shell or the system.

constexpr size_t kMaxArgs = 5;
using Builtin = Value (*)(const Value* a, size_t n);

struct BuiltinDef {
    const char* name;
    size_t minArgs, maxArgs;
    Builtin fn;
};

const Value& arg(const Value* a, size_t n, size_t i) {
    static const Value nil;
    return i < n ? a[i] : nil;
}

const std::string& textArg(const Value* a, size_t n, size_t i, const char* op) {
    const Value& v = arg(a, n, i);
    if (!v.isString()) argError(op);
    return v.str();
}

double numArg(const Value* a, size_t n, size_t i, const char* op) {
    const Value& v = arg(a, n, i);
    if (!v.isNumber()) argError(op);
    return v.num();
}

int64_t countArg(const Value* a, size_t n, size_t i, const char* op) { return toInt32(numArg(a, n, i, op)); }

int64_t countArgOr(const Value* a, size_t n, size_t i, int64_t dflt, const char* op) {
    return arg(a, n, i).isNil() ? dflt : countArg(a, n, i, op);
}

Value fnAbs(const Value* a, size_t n) { return Abs(numArg(a, n, 0, "ABS")); }
Value fnAllTrim(const Value* a, size_t n) { return AllTrim(textArg(a, n, 0, "ALLTRIM")); }
Value fnLTrim(const Value* a, size_t n) { return LTrim(textArg(a, n, 0, "LTRIM")); }
Value fnRTrim(const Value* a, size_t n) { return Trim(textArg(a, n, 0, "RTRIM")); }
Value fnTrim(const Value* a, size_t n) { return Trim(textArg(a, n, 0, "TRIM")); }
Value fnAt(const Value* a, size_t n) { return Value(At(textArg(a, n, 0, "AT"), textArg(a, n, 1, "AT"))); }
Value fnEmpty(const Value* a, size_t n) { return Empty(arg(a, n, 0)); }
Value fnLeft(const Value* a, size_t n) { return Left(textArg(a, n, 0, "LEFT"), countArg(a, n, 1, "LEFT")); }
Value fnRight(const Value* a, size_t n) { return Right(textArg(a, n, 0, "RIGHT"), countArg(a, n, 1, "RIGHT")); }
Value fnLen(const Value* a, size_t n) {
    const Value& v = arg(a, n, 0);
    if (!v.isString() && !v.isArray()) argError("LEN");
    return Value(v.len());
}
Value fnLower(const Value* a, size_t n) { return Lower(textArg(a, n, 0, "LOWER")); }
Value fnUpper(const Value* a, size_t n) { return Upper(textArg(a, n, 0, "UPPER")); }
Value fnMax(const Value* a, size_t n) {
    if (arg(a, n, 0).type() != arg(a, n, 1).type()) argError("MAX");
    compareValues(arg(a, n, 0), arg(a, n, 1), Op::Gt);  // orderable types only
    return Max(arg(a, n, 0), arg(a, n, 1));
}
Value fnMin(const Value* a, size_t n) {
    if (arg(a, n, 0).type() != arg(a, n, 1).type()) argError("MIN");
    compareValues(arg(a, n, 0), arg(a, n, 1), Op::Lt);
    return Min(arg(a, n, 0), arg(a, n, 1));
}
Value pad(const Value* a, size_t n, bool left, const char* op) {
    const Value& v = arg(a, n, 0);
    if (!v.isString() && !v.isNumber() && !v.isDate() && !v.isLogical()) argError(op);
    int64_t len = countArg(a, n, 1, op);
    checkWidth(len, op);
    char fill = ' ';
    if (!arg(a, n, 2).isNil()) {
        const std::string& f = textArg(a, n, 2, op);
        if (!f.empty()) fill = f[0];
    }
    std::string text = v.isString() ? v.str() : AsString(v);
    return left ? PadL(text, len, fill) : PadR(text, len, fill);
}
Value fnPadL(const Value* a, size_t n) { return pad(a, n, true, "PADL"); }
Value fnPadR(const Value* a, size_t n) { return pad(a, n, false, "PADR"); }
Value fnRound(const Value* a, size_t n) {
    return Round(numArg(a, n, 0, "ROUND"), static_cast<int>(countArgOr(a, n, 1, 0, "ROUND")));
}
Value fnSpace(const Value* a, size_t n) {
    int64_t len = countArg(a, n, 0, "SPACE");
    checkWidth(len, "SPACE");
    return Space(len);
}
Value strLike(const Value* a, size_t n, bool zero, const char* op) {
    double v = numArg(a, n, 0, op);
    if (n < 2 || arg(a, n, 1).isNil()) {
        if (!zero) return Str(v);
        return StrZero(v, 10, 0);
    }
    int64_t len = countArg(a, n, 1, op);
    int64_t dec = countArgOr(a, n, 2, 0, op);
    checkWidth(len, op);
    if (dec > 1000) dec = 1000;
    return zero ? StrZero(v, static_cast<int>(len), static_cast<int>(dec)) : Str(v, static_cast<int>(len), static_cast<int>(dec));
}
Value fnStr(const Value* a, size_t n) { return strLike(a, n, false, "STR"); }
Value fnStrZero(const Value* a, size_t n) { return strLike(a, n, true, "STRZERO"); }
Value fnSubStr(const Value* a, size_t n) {
    int64_t len = -1;  // the rest of the text
    if (!arg(a, n, 2).isNil()) len = std::max<int64_t>(countArg(a, n, 2, "SUBSTR"), 0);
    return SubStr(textArg(a, n, 0, "SUBSTR"), countArg(a, n, 1, "SUBSTR"), len);
}
Value fnVal(const Value* a, size_t n) { return Val(textArg(a, n, 0, "VAL")); }
Value fnStrTran(const Value* a, size_t n) {
    const std::string& text = textArg(a, n, 0, "STRTRAN");
    const std::string& search = textArg(a, n, 1, "STRTRAN");
    static const std::string none;
    const std::string& repl = arg(a, n, 2).isNil() ? none : textArg(a, n, 2, "STRTRAN");
    int64_t start = countArgOr(a, n, 3, 1, "STRTRAN");
    int64_t count = countArgOr(a, n, 4, -1, "STRTRAN");
    if (!search.empty() && repl.size() > search.size()) {
        size_t hits = 0;
        for (size_t p = text.find(search); p != std::string::npos; p = text.find(search, p + search.size())) ++hits;
        checkText(text.size() + hits * (repl.size() - search.size()), "STRTRAN");
    }
    return StrTran(text, search, repl, start, count);
}
Value fnCToD(const Value* a, size_t n) { return CToD(textArg(a, n, 0, "CTOD")); }
Value fnDToC(const Value* a, size_t n) {
    const Value& v = arg(a, n, 0);
    if (!v.isDate()) argError("DTOC");
    return DToC(v.date());
}
Value fnDToS(const Value* a, size_t n) {
    const Value& v = arg(a, n, 0);
    if (!v.isDate()) argError("DTOS");
    return DToS(v.date());
}
// The parts of a date; 0 for the empty date, as xBase gives them.
rt::Date dateArg(const Value* a, size_t n, const char* op) {
    const Value& v = arg(a, n, 0);
    if (!v.isDate()) argError(op);
    return v.date();
}
Value fnDate(const Value*, size_t) { return Value(Today()); }
Value fnYear(const Value* a, size_t n) { return Value(dateArg(a, n, "YEAR").year()); }
Value fnMonth(const Value* a, size_t n) { return Value(dateArg(a, n, "MONTH").month()); }
Value fnDay(const Value* a, size_t n) { return Value(dateArg(a, n, "DAY").day()); }
Value fnLogic2Bin(const Value* a, size_t n) {
    const Value& v = arg(a, n, 0);
    if (!v.isLogical()) argError("LOGIC2BIN");
    return Logic2Bin(v.log());
}

const BuiltinDef kBuiltins[] = {
    {"ABS", 1, 1, fnAbs},         {"ALLTRIM", 1, 1, fnAllTrim},     {"AT", 2, 2, fnAt},
    {"EMPTY", 1, 1, fnEmpty},     {"LEFT", 2, 2, fnLeft},           {"LEN", 1, 1, fnLen},
    {"LOWER", 1, 1, fnLower},     {"LTRIM", 1, 1, fnLTrim},         {"MAX", 2, 2, fnMax},
    {"MIN", 2, 2, fnMin},         {"PADL", 2, 3, fnPadL},           {"PADR", 2, 3, fnPadR},
    {"RIGHT", 2, 2, fnRight},     {"ROUND", 1, 2, fnRound},         {"RTRIM", 1, 1, fnRTrim},
    {"SPACE", 1, 1, fnSpace},     {"STR", 1, 3, fnStr},             {"SUBSTR", 2, 3, fnSubStr},
    {"UPPER", 1, 1, fnUpper},     {"VAL", 1, 1, fnVal},             {"STRTRAN", 2, 5, fnStrTran},
    {"CTOD", 1, 1, fnCToD},       {"DTOC", 1, 1, fnDToC},           {"DTOS", 1, 1, fnDToS},
    {"STRZERO", 1, 3, fnStrZero}, {"LOGIC2BIN", 1, 1, fnLogic2Bin}, {"TRIM", 1, 1, fnTrim},
    {"YEAR", 1, 1, fnYear},       {"MONTH", 1, 1, fnMonth},         {"DAY", 1, 1, fnDay},
    {"DATE", 0, 0, fnDate},
};

const BuiltinDef* findBuiltin(const std::string& upperName) {
    for (const auto& b : kBuiltins)
        if (upperName == b.name) return &b;
    return nullptr;
}

class BuiltinNode final : public Node {
public:
    BuiltinNode(const BuiltinDef* def, std::vector<NodePtr> args) : def_(def), args_(std::move(args)) {}
    Value eval(const Ctx& ctx) const override {
        Value a[kMaxArgs];
        size_t n = args_.size();
        for (size_t i = 0; i < n; ++i) a[i] = args_[i]->eval(ctx);
        return def_->fn(a, n);
    }
    // Date texts follow the date layout in force when evaluated, and today changes at midnight.
    bool pure() const override { return def_->fn != fnCToD && def_->fn != fnDToC && def_->fn != fnDate; }

private:
    const BuiltinDef* def_;
    std::vector<NodePtr> args_;
};

class IifNode final : public Node {
public:
    IifNode(NodePtr c, NodePtr a, NodePtr b) : c_(std::move(c)), a_(std::move(a)), b_(std::move(b)) {}
    Value eval(const Ctx& ctx) const override {
        Value c = c_->eval(ctx);
        if (!c.isLogical()) argError("IIF");
        return c.log() ? a_->eval(ctx) : b_->eval(ctx);
    }

private:
    NodePtr c_, a_, b_;
};

Value checkResult(Value v, const std::string& name) {
    if (v.isError()) {
        Error e = v.err();
        if (e.operation.empty()) e.operation = name;
        throw RuntimeError{std::move(e)};
    }
    return v;
}

class RegisteredNode final : public Node {
public:
    RegisteredNode(std::string name, std::shared_ptr<const ExprFunction> fn, std::vector<NodePtr> args)
        : name_(std::move(name)), fn_(std::move(fn)), args_(std::move(args)) {}
    Value eval(const Ctx& ctx) const override {
        std::vector<Value> a;
        a.reserve(args_.size());
        for (const auto& n : args_) a.push_back(n->eval(ctx));
        return checkResult((*fn_)(a), name_);
    }
    bool pure() const override { return false; }

private:
    std::string name_;
    std::shared_ptr<const ExprFunction> fn_;
    std::vector<NodePtr> args_;
};

class ScopeCallNode final : public Node {
public:
    ScopeCallNode(std::string name, std::vector<NodePtr> args) : name_(std::move(name)), args_(std::move(args)) {}
    Value eval(const Ctx& ctx) const override {
        std::vector<Value> a;
        a.reserve(args_.size());
        for (const auto& n : args_) a.push_back(n->eval(ctx));
        Value out;
        if (!ctx.scope.callFunction(name_, a, out)) raise(EG_NOFUNC, "missing function", name_);
        return checkResult(std::move(out), name_);
    }
    bool pure() const override { return false; }

private:
    std::string name_;
    std::vector<NodePtr> args_;
};

// ---------------------------------------------------------------------------------------
// Lexer and parser.

enum class Tok { End, Number, String, Date, Logical, Nil, Ident, Op, LParen, RParen, LBracket, RBracket, Comma };

struct Token {
    Tok kind = Tok::End;
    std::string text;  // identifier (upper case), operator, string contents
    double number = 0;
    Date date;
    bool logical = false;
    size_t pos = 0;
};

struct SyntaxError {
    std::string message;
    int genCode = EG_SYNTAX;
    // The function whose call is wrong ("compile" for every other fault of the text).
    std::string operation = "compile";
};

bool isIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

class Lexer {
public:
    explicit Lexer(std::string_view text) : s_(text) {}

    Token next() {
        while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\r' || s_[i_] == '\n')) ++i_;
        Token t;
        t.pos = i_ + 1;
        if (i_ >= s_.size()) return t;
        char c = s_[i_];
        if (c == '\'' || c == '"') {
            size_t end = s_.find(c, i_ + 1);
            if (end == std::string_view::npos) fail("unterminated string", t.pos);
            t.kind = Tok::String;
            t.text = std::string(s_.substr(i_ + 1, end - i_ - 1));
            i_ = end + 1;
            return t;
        }
        if (isDigit(c) || (c == '.' && i_ + 1 < s_.size() && isDigit(s_[i_ + 1]))) return number(t);
        if (c == '.') return dotWord(t);
        if (isIdentStart(c)) {
            size_t b = i_;
            while (i_ < s_.size() && (isIdentStart(s_[i_]) || isDigit(s_[i_]))) ++i_;
            t.text = upper(s_.substr(b, i_ - b));
            if (t.text == "TRUE" || t.text == "FALSE") {
                t.kind = Tok::Logical;
                t.logical = t.text == "TRUE";
            } else if (t.text == "NIL") {
                t.kind = Tok::Nil;
            } else {
                t.kind = Tok::Ident;
            }
            return t;
        }
        ++i_;
        switch (c) {
            case '(': t.kind = Tok::LParen; return t;
            case ')': t.kind = Tok::RParen; return t;
            case '[': t.kind = Tok::LBracket; return t;
            case ']': t.kind = Tok::RBracket; return t;
            case ',': t.kind = Tok::Comma; return t;
        }
        static const char* const two[] = {"==", "!=", "<>", "<=", ">=", "**"};
        for (const char* op : two) {
            if (c == op[0] && i_ < s_.size() && s_[i_] == op[1]) {
                ++i_;
                t.kind = Tok::Op;
                t.text = op;
                return t;
            }
        }
        if (std::strchr("=#<>$+-*/%^!", c)) {
            t.kind = Tok::Op;
            t.text = std::string(1, c);
            return t;
        }
        fail(std::string("unexpected character '") + c + "'", t.pos);
    }

    [[noreturn]] static void fail(const std::string& what, size_t pos) {
        throw SyntaxError{what + " at position " + std::to_string(pos)};
    }

private:
    size_t digitsFrom(size_t& i) const {
        size_t b = i;
        while (i < s_.size() && isDigit(s_[i])) ++i;
        return i - b;
    }

    Token number(Token& t) {
        size_t b = i_;
        size_t intDigits = digitsFrom(i_);
        // A date literal: yyyy.mm.dd
        if (intDigits > 0 && i_ < s_.size() && s_[i_] == '.') {
            size_t j = i_ + 1;
            size_t m = digitsFrom(j);
            if (m > 0 && m <= 2 && j < s_.size() && s_[j] == '.' && j + 1 < s_.size() && isDigit(s_[j + 1])) {
                size_t k = j + 1;
                size_t d = digitsFrom(k);
                if (intDigits <= 4 && d <= 2 && !(k < s_.size() && (isIdentStart(s_[k]) || s_[k] == '.'))) {
                    int y = std::stoi(std::string(s_.substr(b, intDigits)));
                    int mo = std::stoi(std::string(s_.substr(i_ + 1, m)));
                    int dd = std::stoi(std::string(s_.substr(j + 1, d)));
                    t.kind = Tok::Date;
                    if (!(y == 0 && mo == 0 && dd == 0)) {
                        t.date = Date::fromYMD(y, mo, dd);
                        if (t.date.empty()) fail("invalid date", t.pos);
                    }
                    i_ = k;
                    return t;
                }
            }
        }
        if (i_ < s_.size() && s_[i_] == '.' && i_ + 1 < s_.size() && isDigit(s_[i_ + 1])) {
            ++i_;
            digitsFrom(i_);
        }
        t.kind = Tok::Number;
        std::string text(s_.substr(b, i_ - b));
        if (text[0] == '.') text.insert(0, "0");
        t.number = std::strtod(text.c_str(), nullptr);
        return t;
    }

    Token dotWord(Token& t) {
        size_t b = i_ + 1;
        size_t e = b;
        while (e < s_.size() && isIdentStart(s_[e])) ++e;
        if (e >= s_.size() || s_[e] != '.' || e == b) fail("unexpected '.'", t.pos);
        std::string w = upper(s_.substr(b, e - b));
        i_ = e + 1;
        if (w == "T" || w == "Y" || w == "F" || w == "N") {
            t.kind = Tok::Logical;
            t.logical = w == "T" || w == "Y";
        } else if (w == "AND" || w == "OR" || w == "NOT") {
            t.kind = Tok::Op;
            t.text = "." + w + ".";
        } else {
            fail("unknown operator ." + w + ".", t.pos);
        }
        return t;
    }

    std::string_view s_;
    size_t i_ = 0;
};

class Parser {
public:
    Parser(std::string_view text, std::vector<std::string>& names) : lex_(text), names_(names) { advance(); }

    NodePtr parse() {
        NodePtr n = parseOr();
        if (tok_.kind != Tok::End) fail("unexpected " + describe(tok_));
        return n;
    }

private:
    struct Nest {
        explicit Nest(Parser& p) : p_(p) {
            if (++p_.nesting_ > kMaxNesting) throw SyntaxError{"expression nested too deeply", EG_COMPLEXITY};
        }
        ~Nest() { --p_.nesting_; }
        Parser& p_;
    };

    static std::string describe(const Token& t) {
        switch (t.kind) {
            case Tok::End: return "end of expression";
            case Tok::Op:
            case Tok::Ident: return "'" + t.text + "'";
            case Tok::LParen: return "'('";
            case Tok::RParen: return "')'";
            case Tok::LBracket: return "'['";
            case Tok::RBracket: return "']'";
            case Tok::Comma: return "','";
            default: return "value";
        }
    }

    [[noreturn]] void fail(const std::string& what) { Lexer::fail(what, tok_.pos); }
    // A call with the wrong number of arguments: the fault names the function.
    [[noreturn]] void failCall(const std::string& what, const std::string& function) {
        throw SyntaxError{what + " at position " + std::to_string(tok_.pos), EG_SYNTAX, function};
    }

    void advance() { tok_ = lex_.next(); }
    bool isOp(const char* op) const { return tok_.kind == Tok::Op && tok_.text == op; }
    void expect(Tok kind, const char* what) {
        if (tok_.kind != kind) fail(std::string("expected ") + what + " instead of " + describe(tok_));
        advance();
    }

    template <class T, class... A>
    NodePtr make(A&&... args) {
        auto n = std::make_unique<T>(std::forward<A>(args)...);
        return n;
    }

    // Gives the node its depth, and folds it to a constant when it and its children are pure
    // constants and evaluating it succeeds (a failure is left for evaluation time).
    NodePtr finish(NodePtr n, std::initializer_list<const Node*> children, bool foldable) {
        return finish(std::move(n), std::span<const Node* const>(children.begin(), children.size()), foldable);
    }
    NodePtr finish(NodePtr n, std::span<const Node* const> children, bool foldable) {
        int depth = 0;
        bool allConst = foldable;
        for (const Node* c : children) {
            depth = std::max(depth, c->depth);
            if (!dynamic_cast<const ConstNode*>(c)) allConst = false;
        }
        n->depth = depth + 1;
        if (n->depth > kMaxTreeDepth) throw SyntaxError{"expression too complex", EG_COMPLEXITY};
        if (allConst && n->pure()) {
            static const EmptyScope none;
            try {
                Value v = n->eval(Ctx{none});
                return std::make_unique<ConstNode>(std::move(v));
            } catch (const RuntimeError&) {
            }
        }
        return n;
    }

    NodePtr binaryNode(Op op, NodePtr a, NodePtr b) {
        const Node *pa = a.get(), *pb = b.get();
        NodePtr n;
        if (op == Op::And || op == Op::Or) n = std::make_unique<LogicNode>(op, std::move(a), std::move(b));
        else n = std::make_unique<BinaryNode>(op, std::move(a), std::move(b));
        return finish(std::move(n), {pa, pb}, true);
    }

    NodePtr parseOr() {
        Nest nest(*this);
        NodePtr l = parseAnd();
        while (isOp(".OR.")) {
            advance();
            l = binaryNode(Op::Or, std::move(l), parseAnd());
        }
        return l;
    }

    NodePtr parseAnd() {
        NodePtr l = parseNot();
        while (isOp(".AND.")) {
            advance();
            l = binaryNode(Op::And, std::move(l), parseNot());
        }
        return l;
    }

    NodePtr parseNot() {
        if (isOp(".NOT.") || isOp("!")) {
            Nest nest(*this);
            advance();
            NodePtr a = parseNot();
            const Node* pa = a.get();
            return finish(std::make_unique<UnaryNode>(Op::Not, std::move(a)), {pa}, true);
        }
        return parseRel();
    }

    NodePtr parseRel() {
        NodePtr l = parseAdd();
        while (tok_.kind == Tok::Op) {
            Op op;
            const std::string& t = tok_.text;
            if (t == "=") op = Op::Eq;
            else if (t == "==") op = Op::ExactEq;
            else if (t == "!=" || t == "<>" || t == "#") op = Op::Ne;
            else if (t == "<") op = Op::Lt;
            else if (t == "<=") op = Op::Le;
            else if (t == ">") op = Op::Gt;
            else if (t == ">=") op = Op::Ge;
            else if (t == "$") op = Op::Contains;
            else break;
            advance();
            l = binaryNode(op, std::move(l), parseAdd());
        }
        return l;
    }

    NodePtr parseAdd() {
        NodePtr l = parseMul();
        while (isOp("+") || isOp("-")) {
            Op op = isOp("+") ? Op::Add : Op::Sub;
            advance();
            l = binaryNode(op, std::move(l), parseMul());
        }
        return l;
    }

    NodePtr parseMul() {
        NodePtr l = parsePow();
        while (isOp("*") || isOp("/") || isOp("%")) {
            Op op = isOp("*") ? Op::Mul : isOp("/") ? Op::Div : Op::Mod;
            advance();
            l = binaryNode(op, std::move(l), parsePow());
        }
        return l;
    }

    NodePtr parsePow() {
        NodePtr l = parseUnary();
        while (isOp("**") || isOp("^")) {
            advance();
            l = binaryNode(Op::Pow, std::move(l), parseUnary());
        }
        return l;
    }

    NodePtr parseUnary() {
        if (isOp("-") || isOp("+")) {
            Nest nest(*this);
            Op op = isOp("-") ? Op::Neg : Op::Plus;
            advance();
            NodePtr a = parseUnary();
            const Node* pa = a.get();
            return finish(std::make_unique<UnaryNode>(op, std::move(a)), {pa}, true);
        }
        return parsePostfix();
    }

    NodePtr parsePostfix() {
        NodePtr n = parsePrimary();
        while (tok_.kind == Tok::LBracket) {
            advance();
            while (true) {
                NodePtr idx = parseOr();
                const Node *pb = n.get(), *pi = idx.get();
                n = finish(std::make_unique<IndexNode>(std::move(n), std::move(idx)), {pb, pi}, false);
                if (tok_.kind != Tok::Comma) break;
                advance();
            }
            expect(Tok::RBracket, "']'");
        }
        return n;
    }

    NodePtr parsePrimary() {
        Token t = tok_;
        switch (t.kind) {
            case Tok::Number: advance(); return std::make_unique<ConstNode>(Value(t.number));
            case Tok::String: advance(); return std::make_unique<ConstNode>(Value(std::move(t.text)));
            case Tok::Date: advance(); return std::make_unique<ConstNode>(Value(t.date));
            case Tok::Logical: advance(); return std::make_unique<ConstNode>(Value(t.logical));
            case Tok::Nil: advance(); return std::make_unique<ConstNode>(Value());
            case Tok::LParen: {
                advance();
                NodePtr n = parseOr();
                expect(Tok::RParen, "')'");
                return n;
            }
            case Tok::Ident: {
                advance();
                if (tok_.kind == Tok::LParen) return parseCall(t.text);
                if (std::find(names_.begin(), names_.end(), t.text) == names_.end()) names_.push_back(t.text);
                return std::make_unique<NameNode>(t.text);
            }
            default: fail("unexpected " + describe(t));
        }
    }

    NodePtr parseCall(const std::string& name) {
        advance();  // (
        std::vector<NodePtr> args;
        if (tok_.kind != Tok::RParen) {
            while (true) {
                // An empty argument ("f(a,,b)") is NIL, as xBase passes it.
                if (tok_.kind == Tok::Comma || tok_.kind == Tok::RParen) args.push_back(std::make_unique<ConstNode>(Value()));
                else args.push_back(parseOr());
                if (tok_.kind != Tok::Comma) break;
                advance();
            }
        }
        expect(Tok::RParen, "')'");
        std::vector<const Node*> children;
        for (const auto& a : args) children.push_back(a.get());
        auto finishCall = [&](NodePtr n, bool foldable) {
            return finish(std::move(n), std::span<const Node* const>(children), foldable);
        };

        if (auto fn = findRegistered(name)) return finishCall(std::make_unique<RegisteredNode>(name, fn, std::move(args)), false);
        if (name == "IIF") {
            if (args.size() != 3) failCall("IIF needs three arguments", name);
            return finishCall(std::make_unique<IifNode>(std::move(args[0]), std::move(args[1]), std::move(args[2])), false);
        }
        if (const BuiltinDef* b = findBuiltin(name)) {
            if (args.size() > b->maxArgs) failCall("too many arguments for " + name, name);
            if (args.size() < b->minArgs) failCall("too few arguments for " + name, name);
            return finishCall(std::make_unique<BuiltinNode>(b, std::move(args)), true);
        }
        return finishCall(std::make_unique<ScopeCallNode>(name, std::move(args)), false);
    }

    Lexer lex_;
    Token tok_;
    std::vector<std::string>& names_;
    int nesting_ = 0;
};

class CompiledExpression final : public Expression {
public:
    CompiledExpression(NodePtr root, std::vector<std::string> names) : root_(std::move(root)), names_(std::move(names)) {}

    Value eval(const NameScope& scope) const override {
        try {
            return root_->eval(Ctx{scope});
        } catch (const RuntimeError& e) {
            return Value(e.error);
        } catch (const std::bad_alloc&) {
            return Value(makeError(EG_STROVERFLOW, "out of memory", "evaluate"));
        } catch (const std::exception& e) {
            return Value(makeError(EG_ARG, e.what(), "evaluate"));
        }
    }

    std::vector<std::string> names() const override { return names_; }

private:
    NodePtr root_;
    std::vector<std::string> names_;
};

std::shared_ptr<Expression> compileOrError(const std::string& text, Error& error) {
    try {
        std::vector<std::string> names;
        Parser parser(text, names);
        NodePtr root = parser.parse();
        return std::make_shared<CompiledExpression>(std::move(root), std::move(names));
    } catch (const SyntaxError& e) {
        error = makeError(e.genCode, e.message, e.operation);
    } catch (const std::bad_alloc&) {
        error = makeError(EG_COMPLEXITY, "expression too large", "compile");
    } catch (const std::exception& e) {
        error = makeError(EG_SYNTAX, e.what(), "compile");
    }
    return nullptr;
}

// Evaluate compiles at each call; a small cache of recent texts keeps a filter that is
// evaluated per record from being parsed per record. Registering or removing a function
// empties it, since compiled trees hold the functions they found.
struct CompileCache {
    std::mutex mutex;
    uint64_t generation = 0;
    std::list<std::pair<std::string, std::shared_ptr<Expression>>> entries;  // most recent first
};

CompileCache& compileCache() {
    static CompileCache c;
    return c;
}

constexpr size_t kCacheSize = 16;

}  // namespace

void registerExprFunction(const std::string& name, ExprFunction fn) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.functions[upper(name)] = std::make_shared<const ExprFunction>(std::move(fn));
    ++r.generation;
}

void unregisterExprFunction(const std::string& name) {
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.functions.erase(upper(name));
    ++r.generation;
}

std::shared_ptr<Expression> Expression::compile(const std::string& text, std::string* error) {
    Error e;
    auto expr = compileOrError(text, e);
    if (!expr && error) *error = e.description;
    return expr;
}

Value Evaluate(const std::string& text, const NameScope& scope) {
    uint64_t generation;
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        generation = r.generation;
    }
    std::shared_ptr<Expression> expr;
    auto& cache = compileCache();
    {
        std::lock_guard lock(cache.mutex);
        if (cache.generation != generation) {
            cache.entries.clear();
            cache.generation = generation;
        }
        for (auto it = cache.entries.begin(); it != cache.entries.end(); ++it) {
            if (it->first == text) {
                expr = it->second;
                cache.entries.splice(cache.entries.begin(), cache.entries, it);
                break;
            }
        }
    }
    if (!expr) {
        Error e;
        expr = compileOrError(text, e);
        if (!expr) return Value(e);
        std::lock_guard lock(cache.mutex);
        if (cache.generation == generation) {
            cache.entries.emplace_front(text, expr);
            if (cache.entries.size() > kCacheSize) cache.entries.pop_back();
        }
    }
    return expr->eval(scope);
}

Value ErrorBlock(const std::function<Value(const Error&)>& handler, const std::function<Value()>& body) {
    try {
        Value v = body();
        if (v.isError()) return handler(v.err());
        return v;
    } catch (const RuntimeError& e) {
        return handler(e.error);
    } catch (const std::bad_alloc&) {
        return handler(makeError(EG_STROVERFLOW, "out of memory", ""));
    } catch (const std::exception& e) {
        return handler(makeError(EG_ARG, e.what(), ""));
    }
}

ExprFault explainError(const Error& e) {
    const std::string& op = e.operation;
    const bool named = !op.empty() && op != "compile" && op != "evaluate";
    switch (e.genCode) {
        case EG_NOVAR: return {ExprFault::Kind::UnknownName, op};
        case EG_NOFUNC: return {ExprFault::Kind::UnknownFunction, op};
        case EG_SYNTAX:
            if (named) return {ExprFault::Kind::Arguments, op};
            return {ExprFault::Kind::Syntax, e.description};
        case EG_ARG:
            if (!named) break;
            // Operators are spelled with signs or dotted words, functions with letters.
            if (isIdentStart(op[0])) return {ExprFault::Kind::Arguments, op};
            return {ExprFault::Kind::Operands, op};
        default: break;
    }
    return {ExprFault::Kind::Other, e.description};
}

// ---------------------------------------------------------------------------------------

void VariableScope::set(const std::string& name, Value value) {
    std::string key = upper(name);
    for (auto& [k, v] : vars_) {
        if (k == key) {
            v = std::move(value);
            return;
        }
    }
    vars_.emplace_back(std::move(key), std::move(value));
}

void VariableScope::remove(const std::string& name) {
    std::string key = upper(name);
    for (auto it = vars_.begin(); it != vars_.end(); ++it) {
        if (it->first == key) {
            vars_.erase(it);
            return;
        }
    }
}

bool VariableScope::lookup(const std::string& upperName, Value& out) const {
    if (parent_ && parent_->lookup(upperName, out)) return true;
    for (const auto& [k, v] : vars_) {
        if (k == upperName) {
            out = v;
            return true;
        }
    }
    return false;
}

bool VariableScope::callFunction(const std::string& upperName, const std::vector<Value>& args, Value& out) const {
    return parent_ && parent_->callFunction(upperName, args, out);
}

}  // namespace rt
