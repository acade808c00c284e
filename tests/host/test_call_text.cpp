#include "call_text.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <limits>

using calltext::Argument;
using calltext::Call;

namespace {

std::string s(const QString& q) { return q.toStdString(); }

} // namespace

class CallTextRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(CallTextRoundTrip, TextSurvivesFormatAndParse)
{
    const QString plain = QString::fromUtf8(GetParam());
    Call call;
    call.function = QStringLiteral("put.text(");
    call.args = {Argument::number(-12), Argument::fromText(plain), Argument::fromText(plain)};
    const QString text = calltext::format(call);

    QString why;
    const std::optional<Call> back = calltext::parse(text, &why);
    ASSERT_TRUE(back) << s(text) << ": " << s(why);
    ASSERT_EQ(back->count(), 3);
    EXPECT_EQ(back->function, QStringLiteral("put.text("));
    EXPECT_FALSE(back->arg(1).quoted);
    EXPECT_EQ(back->arg(1).value(), -12);
    for (int p : {2, 3}) {
        EXPECT_TRUE(back->arg(p).quoted);
        EXPECT_EQ(back->arg(p).text(), plain) << s(text);
    }
    EXPECT_EQ(calltext::format(*back), text);
}

INSTANTIATE_TEST_SUITE_P(Texts, CallTextRoundTrip,
                         ::testing::Values("", "plain", "say \"hi\"", "\"", "\"\"", "\"\"\"", "a,b", "f(x)",
                                           ")", "(", "\",\"", "\")", "  blanks  ", "ends with \"",
                                           "\u00e4\u00f6\u00fc \u20ac"));

TEST(CallTextParse, ReadsNameAndArgumentsAndFormatsThemBack)
{
    // Arguments shown as numbers, or quoted texts with their quotes made single.
    const struct {
        const char* text;
        const char* function;
        QStringList args;
        const char* formatted;
    } cases[] = {
        {"n(-3,+4,0,007)", "n(", {"-3", "4", "0", "7"}, "n(-3,+4,0,007)"},
        {"init.dllextint(4, 1, \"    \" )", "init.dllextint(", {"4", "1", "\"    \""}, "init.dllextint(4,1,\"    \")"},
        // Separators inside quotes do not end the argument.
        {"q(\"a,b)(c\"\",\"\")\",1)", "q(", {"\"a,b)(c\",\")\"", "1"}, "q(\"a,b)(c\"\",\"\")\",1)"},
        {"am_abort_transaction()", "am_abort_transaction(", {}, "am_abort_transaction()"},
        {"am_abort_transaction( )", "am_abort_transaction(", {}, "am_abort_transaction()"},
        {"  am_abort_transaction()  ", "am_abort_transaction(", {}, "am_abort_transaction()"},
    };
    for (const auto& c : cases) {
        const auto call = calltext::parse(QString::fromLatin1(c.text));
        ASSERT_TRUE(call) << c.text;
        EXPECT_EQ(call->function, QLatin1String(c.function)) << c.text;
        QStringList args;
        for (int p = 1; p <= call->count(); ++p)
            args << (call->arg(p).quoted ? u'"' + call->arg(p).text() + u'"' : QString::number(call->arg(p).value()));
        EXPECT_EQ(args, c.args) << c.text;
        EXPECT_EQ(calltext::format(*call), QLatin1String(c.formatted)) << c.text;
    }
}

TEST(CallTextParse, PositionsPastTheEndReadEmpty)
{
    const auto call = calltext::parse(QStringLiteral("f(1)"));
    ASSERT_TRUE(call);
    EXPECT_FALSE(call->arg(0).quoted);
    EXPECT_TRUE(call->arg(2).raw.isEmpty());
    EXPECT_EQ(call->arg(2).value(), 0);
}

struct Malformed {
    const char* text;
    const char* why;
};
inline std::ostream& operator<<(std::ostream& os, const Malformed& m) { return os << m.text; }

class CallTextMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(CallTextMalformed, IsRejectedWithAReason)
{
    QString why;
    EXPECT_FALSE(calltext::parse(QString::fromUtf8(GetParam().text), &why)) << GetParam().why;
    EXPECT_FALSE(why.isEmpty()) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CallTextMalformed,
    ::testing::Values(Malformed{"f(1,2", "missing )"}, Malformed{"f(\"abc)", "unterminated quote"},
                      Malformed{"f(\"ab\"\")", "quote left open by a doubled one"},
                      Malformed{"f(1)x", "text after )"}, Malformed{"f()x", "text after an empty call"},
                      Malformed{"(1)", "empty name"}, Malformed{"  (1)", "blank name"},
                      Malformed{"noparen", "no ("}, Malformed{"", "empty text"},
                      Malformed{"f(abc)", "bare word"}, Malformed{"f(1,)", "empty argument"},
                      Malformed{"f(,1)", "empty first argument"}, Malformed{"f(\"a\"b)", "text after a quote"},
                      Malformed{"f(1 2)", "blank inside a number"}, Malformed{"get tiv(1)", "blank in name"},
                      Malformed{"f;drop(1)", "bad character in name"}, Malformed{"f(1.5)", "fraction"}));

TEST(CallTextQuoting, QuoteDoublesEveryQuote)
{
    EXPECT_EQ(calltext::quote(QString()), QStringLiteral("\"\""));
    EXPECT_EQ(calltext::quote(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
    EXPECT_EQ(calltext::quote(QStringLiteral("\"\"")), QStringLiteral("\"\"\"\"\"\""));
}

TEST(CallTextQuoting, UnquoteMakesPairsSingleFromTheLeft)
{
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"a\"\"b", "a\"b"}, {"\"\"", "\""}, {"\"\"\"", "\"\""}, {"\"\"\"\"", "\"\""},
                 {"no quotes", "no quotes"}, {"lone \" quote", "lone \" quote"}, {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(calltext::unquote(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
}

TEST(CallTextQuoting, ScanArgumentStopsAtTheClosingQuote)
{
    const calltext::Token t = calltext::scanArgument(QStringLiteral("  \"x\"\"y\" , 5)"));
    EXPECT_TRUE(t.quoted);
    EXPECT_EQ(t.raw, QStringLiteral("x\"\"y"));
    EXPECT_TRUE(t.terminated);
    EXPECT_EQ(t.terminator, QLatin1Char(','));
    EXPECT_EQ(t.consumed, 11);
}

struct Numeric {
    const char* text;
    int64_t rounded;
};
inline std::ostream& operator<<(std::ostream& os, const Numeric& n) { return os << n.text; }

class CallTextNumbers : public ::testing::TestWithParam<Numeric> {};

TEST_P(CallTextNumbers, RoundedValue)
{
    EXPECT_EQ(calltext::roundedValue(QString::fromLatin1(GetParam().text)), GetParam().rounded) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, CallTextNumbers,
                         ::testing::Values(Numeric{"1 2", 12}, Numeric{" 4 0 6 ", 406}, Numeric{"12abc", 12},
                                           Numeric{"abc", 0}, Numeric{"", 0}, Numeric{"-3", -3},
                                           Numeric{"+7", 7}, Numeric{"-", 0}, Numeric{"2.5", 2},
                                           Numeric{"3.5", 4}, Numeric{"-2.5", -2}, Numeric{"2.51", 3},
                                           Numeric{"0.5", 0}, Numeric{"1.5", 2}, Numeric{"006", 6},
                                           Numeric{".006", 0}, Numeric{"7.", 7},
                                           Numeric{"99999999999999999999999", std::numeric_limits<int64_t>::max()},
                                           Numeric{"-99999999999999999999999", std::numeric_limits<int64_t>::min()}));

TEST(CallTextNumbers, NumericValueKeepsTheFraction)
{
    EXPECT_DOUBLE_EQ(calltext::numericValue(QStringLiteral("2.25x")), 2.25);
    EXPECT_DOUBLE_EQ(calltext::numericValue(QStringLiteral("- 1 . 5")), -1.5);
    EXPECT_DOUBLE_EQ(calltext::numericValue(QStringLiteral("x5")), 0);
}
