#pragma once
// The runtime's dynamic value: what xBase code, the expression evaluator, table fields and
// the late-bound parts of the libraries pass around. Text is bytes; arrays are shared by
// reference, as the runtime's arrays are.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace rt {

// A calendar date as a Julian day number; 0 is the empty date.
class Date {
public:
    Date() = default;
    static Date fromJulian(int64_t julian) { Date d; d.julian_ = julian; return d; }
    // An invalid combination gives the empty date.
    static Date fromYMD(int year, int month, int day);
    // Whether the parts make a day of the years 1 to 9999 (what fromYMD does not refuse).
    static bool valid(int year, int month, int day);
    static Date today();
    bool empty() const { return julian_ == 0; }
    int64_t julian() const { return julian_; }
    void toYMD(int& year, int& month, int& day) const;  // 0,0,0 for the empty date
    int year() const;
    int month() const;
    int day() const;
    // ISO weekday: 1 Monday .. 7 Sunday; 0 for the empty date.
    int dow() const;
    friend bool operator==(Date a, Date b) { return a.julian_ == b.julian_; }
    friend auto operator<=>(Date a, Date b) { return a.julian_ <=> b.julian_; }

private:
    int64_t julian_ = 0;
};

class Value;
using Array = std::vector<Value>;
using ArrayRef = std::shared_ptr<Array>;

// Base of late-bound objects held in a Value.
class Object {
public:
    virtual ~Object() = default;
    virtual std::string className() const = 0;
    // Whether the object's class is `name` or derives from it (upper-case class names).
    virtual bool isClass(const std::string& name) const { return name == className(); }
    // Whether the object has a readable property of this name (upper case).
    virtual bool hasAccess(const std::string& name) const { (void)name; return false; }
};
using ObjectRef = std::shared_ptr<Object>;

// A code block: a callable taking its arguments by value.
using CodeBlock = std::function<Value(const std::vector<Value>&)>;
using CodeBlockRef = std::shared_ptr<CodeBlock>;

// The error value of the runtime: what a failed compile or evaluation gives and what
// ErrorBlock handlers receive.
struct Error {
    std::string description;   // e.g. "argument error"
    std::string operation;     // the operator or function that failed
    int genCode = 0;           // kind of error (see EG_* in errors.h)
};

class Value {
public:
    enum class Type { Nil, Number, String, Logical, Date, Array, Object, Block, Error };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(double n) : v_(n) {}
    Value(int n) : v_(static_cast<double>(n)) {}
    Value(long n) : v_(static_cast<double>(n)) {}
    Value(long long n) : v_(static_cast<double>(n)) {}
    Value(unsigned n) : v_(static_cast<double>(n)) {}
    Value(unsigned long n) : v_(static_cast<double>(n)) {}
    Value(bool b) : v_(b) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(std::string_view s) : v_(std::string(s)) {}
    Value(rt::Date d) : v_(d) {}
    Value(ArrayRef a) : v_(std::move(a)) {}
    Value(ObjectRef o) : v_(std::move(o)) {}
    Value(CodeBlockRef b) : v_(std::move(b)) {}
    Value(rt::Error e) : v_(std::make_shared<rt::Error>(std::move(e))) {}

    // A new array value (shared by reference from here on).
    static Value array(Array elements = {}) { return Value(std::make_shared<Array>(std::move(elements))); }
    static Value block(CodeBlock fn) { return Value(std::make_shared<CodeBlock>(std::move(fn))); }

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isNil() const { return type() == Type::Nil; }
    bool isNumber() const { return type() == Type::Number; }
    bool isString() const { return type() == Type::String; }
    bool isLogical() const { return type() == Type::Logical; }
    bool isDate() const { return type() == Type::Date; }
    bool isArray() const { return type() == Type::Array; }
    bool isObject() const { return type() == Type::Object; }
    bool isBlock() const { return type() == Type::Block; }
    bool isError() const { return type() == Type::Error; }

    // Typed access; the wrong type gives the type's empty value (0, "", FALSE, empty date,
    // null reference), never an exception.
    double num() const { return isNumber() ? std::get<double>(v_) : 0.0; }
    const std::string& str() const;
    bool log() const { return isLogical() && std::get<bool>(v_); }
    rt::Date date() const { return isDate() ? std::get<rt::Date>(v_) : rt::Date(); }
    const ArrayRef& arr() const;
    const ObjectRef& obj() const;
    const CodeBlockRef& blk() const;
    const rt::Error& err() const;

    // ValType letter as the runtime reports it: U C N L D A O B (E for an error value).
    char valType() const;

    // Element access for arrays, 1-based; out of range or not an array gives NIL.
    Value at(size_t index1) const;
    size_t len() const;  // array length or string length, else 0

    // Calls a code block; anything else gives NIL.
    Value eval(const std::vector<Value>& args = {}) const;

    // Identity for arrays, objects and blocks; value equality with "==" semantics otherwise.
    bool same(const Value& other) const;

private:
    std::variant<std::monostate, double, std::string, bool, rt::Date, ArrayRef, ObjectRef, CodeBlockRef,
                 std::shared_ptr<rt::Error>>
        v_;
};

}  // namespace rt
