// The call-text codec both sides share. Awkward texts round trip through both sides in
// test_host_calls (LocalHostCalls).
#include "call_text.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <limits>

TEST(CallText, ParseReadsNameAndArgumentsAndFormatsThemBack)
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
        {"  am_abort_transaction( )  ", "am_abort_transaction(", {}, "am_abort_transaction()"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto call = calltext::parse(QString::fromLatin1(c.text));
        ASSERT_TRUE(call);
        EXPECT_EQ(call->function, QLatin1String(c.function));
        QStringList args;
        for (int p = 1; p <= call->count(); ++p)
            args << (call->arg(p).quoted ? u'"' + call->arg(p).text() + u'"' : QString::number(call->arg(p).value()));
        EXPECT_EQ(args, c.args);
        EXPECT_EQ(calltext::format(*call), QLatin1String(c.formatted));
        // Positions past the end read empty.
        EXPECT_TRUE(call->arg(call->count() + 1).raw.isEmpty());
        EXPECT_EQ(call->arg(call->count() + 1).value(), 0);
    }
}

TEST(CallText, MalformedTextsAreRejectedWithAReason)
{
    for (const char* text : {"f(1,2", "f(\"abc)", "f(\"ab\"\")", "f(1)x", "f()x", "(1)", "  (1)", "noparen", "",
                             "f(abc)", "f(1,)", "f(,1)", "f(\"a\"b)", "f(1 2)", "get tiv(1)", "f;drop(1)", "f(1.5)"}) {
        QString why;
        EXPECT_FALSE(calltext::parse(QString::fromUtf8(text), &why)) << text;
        EXPECT_FALSE(why.isEmpty()) << text;
    }
}

TEST(CallText, QuotesAreDoubledAndMadeSingleFromTheLeft)
{
    EXPECT_EQ(calltext::quote(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
    EXPECT_EQ(calltext::quote(QStringLiteral("\"\"")), QStringLiteral("\"\"\"\"\"\""));
    const char* const unquoted[][2] = {{"a\"\"b", "a\"b"},     {"\"\"", "\""},         {"\"\"\"", "\"\""},
                                       {"\"\"\"\"", "\"\""}, {"lone \" quote", "lone \" quote"}, {"", ""}};
    for (const auto& c : unquoted)
        EXPECT_EQ(calltext::unquote(QString::fromLatin1(c[0])), QString::fromLatin1(c[1])) << c[0];
    // scanArgument is exercised through the editor's call gate in test_host_calls.
}

TEST(CallText, NumbersIgnoreBlanksRoundHalfToEvenAndClamp)
{
    const struct {
        const char* text;
        int64_t rounded;
    } cases[] = {{"1 2", 12},   {" 4 0 6 ", 406}, {"12abc", 12}, {"abc", 0},  {"", 0},     {"-3", -3},
                 {"+7", 7},     {"-", 0},         {"2.5", 2},    {"3.5", 4},  {"-2.5", -2}, {"2.51", 3},
                 {"0.5", 0},    {".006", 0},      {"7.", 7},     {"006", 6},
                 {"99999999999999999999999", std::numeric_limits<int64_t>::max()},
                 {"-99999999999999999999999", std::numeric_limits<int64_t>::min()},
                 // Past 2^53, where a double no longer holds every whole number.
                 {"9007199254740993", 9007199254740993},  {"-9223372036854775807", -9223372036854775807},
                 {"9007199254740992.5", 9007199254740992}, {"9007199254740993.5", 9007199254740994},
                 {"9223372036854775807.9", std::numeric_limits<int64_t>::max()},
                 {"-9223372036854775807.9", std::numeric_limits<int64_t>::min()}};
    for (const auto& c : cases)
        EXPECT_EQ(calltext::roundedValue(QString::fromLatin1(c.text)), c.rounded) << c.text;
    EXPECT_DOUBLE_EQ(calltext::numericValue(QStringLiteral("2.25x")), 2.25);
    EXPECT_DOUBLE_EQ(calltext::numericValue(QStringLiteral("- 1 . 5")), -1.5);
}
