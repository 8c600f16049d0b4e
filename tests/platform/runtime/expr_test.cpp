#include <gtest/gtest.h>

#include <string>

#include "platform/runtime/runtime.h"

namespace {

// A record with a few fields plus memory variables, names as the table layer hands them.
class RecordScope : public rt::NameScope {
public:
    bool lookup(const std::string& name, rt::Value& out) const override {
        if (name == "NAME") out = rt::Value("Miller    ");
        else if (name == "AMOUNT") out = rt::Value(12.5);
        else if (name == "ACTIVE") out = rt::Value(true);
        else if (name == "BIRTH") out = rt::Value(rt::Date::fromYMD(2014, 6, 15));
        else if (name == "AMEMFELD") out = rt::Value::array({"A1", "12,5", ".T.", "15.06.2014"});
        else return false;
        return true;
    }
};

// The result as a short text: N:value, C:text, L:T/F, D:dd.mm.yyyy, E:genCode, U.
std::string show(const rt::Value& v) {
    switch (v.type()) {
        case rt::Value::Type::Number: return "N:" + rt::AllTrim(rt::Str(v.num()));
        case rt::Value::Type::String: return "C:" + v.str();
        case rt::Value::Type::Logical: return v.log() ? "L:T" : "L:F";
        case rt::Value::Type::Date: return "D:" + rt::DToC(v.date());
        case rt::Value::Type::Error: return "E:" + std::to_string(v.err().genCode);
        case rt::Value::Type::Nil: return "U";
        default: return std::string(1, v.valType());
    }
}

std::string eval(const std::string& text) {
    RecordScope scope;
    return show(rt::Evaluate(text, scope));
}

struct Case {
    const char* text;
    const char* expected;
};

void runTable(const Case* cases, size_t n) {
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(eval(cases[i].text), cases[i].expected) << cases[i].text;
}

}  // namespace

TEST(Expression, PrecedenceAndArithmetic) {
    const Case cases[] = {
        {"1 + 2 * 3", "N:7"},
        {"(1 + 2) * 3", "N:9"},
        {"2 ** 3 ** 2", "N:64"},  // left to right
        {"2 ^ 10 / 4", "N:256"},
        {"-2 ** 2", "N:4"},       // the sign binds tighter than the power
        {"10 - 4 - 3", "N:3"},
        {"7 % 3 + 1", "N:2"},
        {"-7 % 3", "N:-1"},
        {"1 / 4", "N:0.25"},
        {".5 + 1.25", "N:1.75"},
        {"1 < 2 .AND. 3 > 4 .OR. .T.", "L:T"},
        {".NOT. 1 = 2", "L:T"},       // .NOT. below the comparisons
        {"!.F. .AND. .F.", "L:F"},    // .NOT. above .AND.
        {".T. .OR. .F. .AND. .F.", "L:T"},  // .AND. above .OR.
        {"1 + 1 = 2", "L:T"},
        {"TRUE .and. !FALSE", "L:T"},
    };
    runTable(cases, std::size(cases));
}

TEST(Expression, TextDateAndComparisonSemantics) {
    const Case cases[] = {
        {"'ab' + \"cd\"", "C:abcd"},
        {"'ab  ' - 'cd'", "C:abcd  "},
        {"NAME = 'Mil'", "L:T"},        // "=" is a prefix test
        {"NAME = ''", "L:T"},
        {"'Mil' = NAME", "L:F"},
        {"NAME == 'Miller'", "L:F"},    // "==" takes length and bytes
        {"NAME == 'Miller    '", "L:T"},
        {"NAME != 'Mil'", "L:F"},
        {"NAME <> 'X'", "L:T"},
        {"NAME # 'X'", "L:T"},
        {"'Mil' $ NAME", "L:T"},
        {"'mil' $ NAME", "L:F"},
        {"'abc' < 'abd'", "L:T"},
        {"'abc' >= 'ab'", "L:T"},
        {"'abc' > 'ab'", "L:F"},        // equal over the right text's length
        {"'ab' < 'abc'", "L:T"},
        {"'\xC4' > 'Z'", "L:T"},        // byte-wise
        {"BIRTH + 1", "D:16.06.2014"},
        {"BIRTH - 2014.06.01", "N:14"},
        {"BIRTH > 2014.01.31", "L:T"},
        {"BIRTH = 2014.06.15", "L:T"},
        {"2014.06.15 - 15", "D:31.05.2014"},
        {"AMOUNT * 2 = 25", "L:T"},
        {"NIL == NIL", "L:T"},
    };
    runTable(cases, std::size(cases));
}

TEST(Expression, ExactModeComparesWholeTexts) {
    rt::SetExact(true);
    const Case cases[] = {
        {"NAME = 'Miller'", "L:T"},  // trailing blanks do not count
        {"NAME = 'Mil'", "L:F"},
        {"NAME != 'Mil'", "L:T"},
        {"'abc' > 'ab'", "L:T"},
        {"NAME == 'Miller'", "L:F"},
    };
    runTable(cases, std::size(cases));
    rt::SetExact(false);
}

TEST(Expression, NamesResolveRegardlessOfCase) {
    const Case cases[] = {
        {"amount", "N:12.5"},
        {"Amount + AMOUNT", "N:25"},
        {"aMemFeld[1]", "C:A1"},
        {"AMEMFELD[3] == '.T.'", "L:T"},
        {"alltrim(name)", "C:Miller"},
        {"ALLTRIM(Name)", "C:Miller"},
    };
    runTable(cases, std::size(cases));
    auto e = rt::Expression::compile("Name = 'x' .and. amount > 1 .or. NAME = 'y'");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->names(), (std::vector<std::string>{"NAME", "AMOUNT"}));
}

TEST(Expression, FunctionsOfTheFilterBuilderAndIndexKeys) {
    const Case cases[] = {
        {"Abs(-3)", "N:3"},
        {"AllTrim('  a b  ')", "C:a b"},
        {"At('l', NAME)", "N:3"},
        {"At('z', NAME)", "N:0"},
        {"Empty('   ')", "L:T"},
        {"Empty(0)", "L:T"},
        {"Empty(NAME)", "L:F"},
        {"Left(NAME, 3)", "C:Mil"},
        {"Len(NAME)", "N:10"},
        {"Len(aMemFeld)", "N:4"},
        {"Lower('ABC')", "C:abc"},
        {"LTrim('  x ')", "C:x "},
        {"Max(3, 5)", "N:5"},
        {"Min(3, 5)", "N:3"},
        {"PadL('ab', 4)", "C:  ab"},
        {"PadR('ab', 4) + '|'", "C:ab  |"},
        {"PadR('abcdef', 3)", "C:abc"},
        {"Right(AllTrim(NAME), 2)", "C:er"},
        {"Round(2.345, 2)", "N:2.35"},
        {"Round(-2.5, 0)", "N:-3"},
        {"RTrim(NAME) + '|'", "C:Miller|"},
        {"Space(3) + '|'", "C:   |"},
        {"Str(AMOUNT, 8, 2)", "C:   12.50"},
        {"Str(123)", "C:       123"},
        {"SubStr(NAME, 2, 3)", "C:ill"},
        {"SubStr(NAME, 20)", "C:"},
        {"Upper('miller')", "C:MILLER"},
        {"Val('12.5abc')", "N:12.5"},
        {"Val('12,5')", "N:12"},
        {"val(StrTran(aMemFeld[2],',','.')) > 10", "L:T"},
        {"StrTran('a-b-c', '-', '+', 1, 1)", "C:a+b-c"},
        {"iif(aMemFeld[3] == '.T.',TRUE,FALSE)", "L:T"},
        {"iif(.F., 1/0, 2)", "N:2"},  // the branch not taken is not evaluated
        {"CtoD(aMemFeld[4])", "D:15.06.2014"},
        {"DToC(BIRTH)", "C:15.06.2014"},
        {"DToS(BIRTH)", "C:20140615"},
        {"StrZero(100000.0 + -12.5,9,2)", "C:099987.50"},
        {"StrZero(100000 + 42,6,0)", "C:100042"},
        {"Len(Logic2Bin(ACTIVE))", "N:1"},
        {"NAME + DToC(BIRTH) + Logic2Bin(ACTIVE) = 'Miller    15.06.2014'", "L:T"},
    };
    runTable(cases, std::size(cases));
}

// What a filter author writes from habit in any xBase dialect.
TEST(Expression, EverydayFilterFunctions) {
    const Case cases[] = {
        {"Trim(NAME) + '|'", "C:Miller|"},
        {"TRIM(NAME) == 'Miller'", "L:T"},
        {"trim('  a  ') + '|'", "C:  a|"},
        {"AllTrim(Upper(NAME)) == 'MILLER'", "L:T"},
        {"Year(BIRTH)", "N:2014"},
        {"Month(BIRTH)", "N:6"},
        {"Day(BIRTH)", "N:15"},
        {"Year(CtoD('')) + Month(CtoD('')) + Day(CtoD(''))", "N:0"},
        {"Year(BIRTH) >= 2000 .AND. DToS(BIRTH) < '20150101'", "L:T"},
        {"'ill' $ NAME", "L:T"},
        {"Val(Str(AMOUNT, 8, 2)) == 12.5", "L:T"},
        {"Len(Trim(SubStr(NAME, 1, 8))) == 6 .AND. Right(Trim(NAME), 1) == 'r'", "L:T"},
        {"Empty(Trim('   '))", "L:T"},
        {"Lower(Left(NAME, 1)) + At('e', NAME)", "E:1"},  // text plus number stays an error
        {"Year('2014')", "E:1"},
        {"BIRTH < Date() .AND. Year(date()) >= 2024", "L:T"},
        {"Date(BIRTH)", "E:7"},
    };
    runTable(cases, std::size(cases));
    EXPECT_EQ(eval("DATE()"), "D:" + rt::DToC(rt::Today()));
}

TEST(Expression, ErrorsAreErrorValues) {
    const Case cases[] = {
        {"1 +", "E:7"},
        {"(1 + 2", "E:7"},
        {"'open", "E:7"},
        {"1 2", "E:7"},
        {"a .xor. b", "E:7"},
        {"2014.02.30", "E:7"},
        {"Left('a')", "E:7"},        // too few arguments
        {"NOSUCHFIELD > 1", "E:14"},
        {"NoSuchFunc(1)", "E:12"},
        {"FErase('x')", "E:12"},     // no file access from an expression
        {"NAME + 1", "E:1"},
        {"1 = 'a'", "E:1"},
        {"AMOUNT .AND. .T.", "E:1"},
        {"1 / 0", "E:5"},
        {"AMOUNT % 0", "E:5"},
        {"aMemFeld[5]", "E:2"},
        {"aMemFeld[0]", "E:2"},
        {"Space(999999999999)", "E:3"},
        {"iif(1, 2, 3)", "E:1"},
    };
    runTable(cases, std::size(cases));

    std::string message;
    EXPECT_EQ(rt::Expression::compile("1 +", &message), nullptr);
    EXPECT_NE(message.find("position"), std::string::npos) << message;
}

// A width argument builds no text wider than a record (65,535 bytes): beyond it the function
// fails as a text too long does, at once, instead of building megabytes at every record.
TEST(Expression, WidthsStopAtTheWidestRecord) {
    const Case cases[] = {
        {"Len(Space(65535))", "N:65535"},         {"Space(65536)", "E:3"},
        {"Len(Str(1, 65535))", "N:65535"},        {"Str(1, 65536)", "E:3"},
        {"Len(StrZero(7, 65535, 2))", "N:65535"}, {"StrZero(999, 9999991)", "E:3"},
        {"Len(PadL('a', 65535))", "N:65535"},     {"PadL('a', 65536)", "E:3"},
        {"Len(PadR('a', 65535, '*'))", "N:65535"}, {"PadR('a', 100000, '*')", "E:3"},
        {"Space(-5) + '|'", "C:|"},
    };
    runTable(cases, std::size(cases));
}

TEST(Expression, DeepNestingIsACleanError) {
    std::string deep(100000, '(');
    EXPECT_EQ(eval(deep + "1" + std::string(100000, ')')), "E:8");
    EXPECT_EQ(eval(std::string(100000, '-') + "1"), "E:8");
    EXPECT_EQ(eval(std::string(100000, '!') + ".T."), "E:8");
    std::string chain = "AMOUNT";
    for (int i = 0; i < 50000; ++i) chain += " + AMOUNT";
    EXPECT_EQ(eval(chain), "E:8");
    std::string constants = "1";
    for (int i = 0; i < 50000; ++i) constants += " + 1";
    EXPECT_EQ(eval(constants), "N:50001");  // folded while compiling
    EXPECT_EQ(eval("((((((((((1))))))))))"), "N:1");
}

TEST(Expression, RegisteredFunctionsAndErrorBlock) {
    rt::registerExprFunction("IsInFile", [](const std::vector<rt::Value>& args) {
        if (args.empty() || !args[0].isString()) return rt::Value(rt::makeError(rt::EG_ARG, "argument error", ""));
        return rt::Value(args[0].str() == "Miller    ");
    });
    EXPECT_EQ(eval("ISINFILE(NAME, 'list.txt')"), "L:T");
    EXPECT_EQ(eval("isinfile(1)"), "E:1");
    rt::unregisterExprFunction("ISINFILE");
    EXPECT_EQ(eval("ISINFILE(NAME, 'list.txt')"), "E:12");

    // A scope may offer functions of its own record.
    class TableScope : public RecordScope {
        bool callFunction(const std::string& name, const std::vector<rt::Value>&, rt::Value& out) const override {
            if (name != "RECNO") return false;
            out = 7;
            return true;
        }
    } table;
    EXPECT_EQ(show(rt::Evaluate("Recno() + 1", table)), "N:8");

    RecordScope scope;
    std::string caught;
    rt::Value v = rt::ErrorBlock([&](const rt::Error& e) { caught = e.operation; return rt::Value(false); },
                                 [&] { return rt::Evaluate("AMOUNT / 0 > 1", scope); });
    EXPECT_EQ(show(v), "L:F");
    EXPECT_EQ(caught, "/");
    v = rt::ErrorBlock([&](const rt::Error&) { return rt::Value("handled"); },
                       []() -> rt::Value { throw rt::RuntimeError{rt::makeError(rt::EG_ARG, "argument error", "X")}; });
    EXPECT_EQ(show(v), "C:handled");
    v = rt::ErrorBlock([&](const rt::Error&) { return rt::Value(false); }, [&] { return rt::Evaluate("AMOUNT > 1", scope); });
    EXPECT_EQ(show(v), "L:T");
}

TEST(Expression, CompiledOnceEvaluatedPerRecord) {
    auto expr = rt::Expression::compile("AMOUNT > 10 .AND. NAME = 'A'");
    ASSERT_TRUE(expr);
    struct Row : rt::NameScope {
        Row(std::string n, double a) : name(std::move(n)), amount(a) {}
        std::string name;
        double amount;
        bool lookup(const std::string& n, rt::Value& out) const override {
            if (n == "NAME") out = name;
            else if (n == "AMOUNT") out = amount;
            else return false;
            return true;
        }
    };
    const Row rows[] = {{"Anna", 11}, {"Anna", 10}, {"Bob", 20}, {"Al", 10.5}};
    std::string passed;
    for (const auto& r : rows)
        if (expr->eval(r).log()) passed += r.name + ";";
    EXPECT_EQ(passed, "Anna;Al;");
}
