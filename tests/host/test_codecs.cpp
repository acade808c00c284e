// The codecs both sides share: call texts, and the record builder and reader of the
// data-set layouts. Awkward texts round trip through both sides in test_host_calls.
#include "call_text.h"
#include "data_sets.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <limits>
#include <random>

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
}

TEST(CallText, MalformedTextsAreRejectedWithAReasonAndQuotesAreDoubledAndMadeSingleFromTheLeft)
{
    for (const char* text : {"f(1,2", "f(\"abc)", "f(\"ab\"\")", "f(1)x", "f()x", "(1)", "  (1)", "noparen", "",
                             "f(abc)", "f(1,)", "f(,1)", "f(\"a\"b)", "f(1 2)", "get tiv(1)", "f;drop(1)", "f(1.5)",
                             // A sign alone is no number (it would read as 0).
                             "f(-)", "f(+)", "f(1, - )", "f(+,2)"}) {
        QString why;
        EXPECT_FALSE(calltext::parse(QString::fromUtf8(text), &why)) << text;
        EXPECT_FALSE(why.isEmpty()) << text;
    }
    EXPECT_EQ(calltext::quote(QStringLiteral("a\"b")), QStringLiteral("\"a\"\"b\""));
    EXPECT_EQ(calltext::quote(QStringLiteral("\"\"")), QStringLiteral("\"\"\"\"\"\""));
    const char* const unquoted[][2] = {{"a\"\"b", "a\"b"},     {"\"\"", "\""},         {"\"\"\"", "\"\""},
                                       {"\"\"\"\"", "\"\""}, {"lone \" quote", "lone \" quote"}, {"", ""},
                                       {"a\" b\"\"c", "a\" b\"c"}, {"\" x \" y\"", "\" x \" y\""},
                                       {"end\"\"", "end\""}};
    for (const auto& c : unquoted)
        EXPECT_EQ(calltext::unquote(QString::fromLatin1(c[0])), QString::fromLatin1(c[1])) << c[0];
}

TEST(CallText, AnArgumentScannedInPlaceEndsAtItsFirstSingleQuote)
{
    const struct {
        const char* text;
        int start;
        const char* raw;
        bool terminated;
        int consumed;
    } cases[] = {{"f(\"a\"\"b\",1)", 2, "a\"\"b", true, 7},  {"f(1, \"x\" )", 4, "x", true, 6},
                 {"f(\"\"\"\"\"\")", 2, "\"\"\"\"", true, 7}, {"f(\"a\"\"", 2, "a\"\"", false, 4},
                 {"f(\"ab\"c)", 2, "ab", false, 4},       {"f( 12 ,3)", 2, "12", true, 5},
                 {"f(\"\",\"\")", 5, "", true, 3}};
    // Quotes far apart, past the stretch looked through a few characters at a time.
    const QString blanks(50, u' ');
    const QString longText = QStringLiteral("f(\"") + blanks + QStringLiteral("\"\"") + blanks + QStringLiteral("\",1)");
    const calltext::Token far = calltext::scanArgument(longText, 2);
    EXPECT_EQ(far.raw, blanks + QStringLiteral("\"\"") + blanks);
    EXPECT_TRUE(far.terminated);
    EXPECT_EQ(calltext::unquote(far.raw), blanks + u'"' + blanks);
    EXPECT_EQ(calltext::quote(blanks + u'"'), u'"' + blanks + QStringLiteral("\"\"\""));
    EXPECT_FALSE(calltext::scanArgument(QStringLiteral("f(\"") + blanks + blanks, 2).terminated);
    for (const auto& c : cases) {
        const QString text = QString::fromLatin1(c.text);
        const calltext::Token t = calltext::scanArgument(text, c.start);
        EXPECT_EQ(t.raw, QString::fromLatin1(c.raw)) << c.text;
        EXPECT_EQ(t.terminated, c.terminated) << c.text;
        EXPECT_EQ(t.consumed, c.consumed) << c.text;
        // The same argument scanned from a copy that starts with it.
        const calltext::Token alone = calltext::scanArgument(text.mid(c.start));
        EXPECT_EQ(alone.raw, t.raw) << c.text;
        EXPECT_EQ(alone.consumed, t.consumed) << c.text;
    }
}

// Texts of quotes and letters in every arrangement the scans meet, against the rules
// read one character at a time: quotes read from the left in pairs, the first single one
// closing. Runs of quotes longer than the stretches the scans look through at a time
// stand at every offset.
TEST(CallText, QuotesAreReadAlikeWhereverTheyStandInLongTexts)
{
    const auto check = [](const QString& text) {
        const qsizetype length = text.size();
        QString plain;
        for (qsizetype i = 0; i < length; ++i) {
            plain += text[i];
            if (text[i] == u'"' && i + 1 < length && text[i + 1] == u'"')
                ++i;
        }
        // The text as an argument, closed by one more quote, which a quote at its end
        // may double instead.
        const QString rest = text + QStringLiteral("\")");
        qsizetype closing = -1;
        for (qsizetype i = 0; i < rest.size() && closing < 0; ++i) {
            if (rest[i] != u'"')
                continue;
            if (i + 1 < rest.size() && rest[i + 1] == u'"')
                ++i;
            else
                closing = i;
        }
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(calltext::unquote(text), plain);
        EXPECT_EQ(text.size() - calltext::doubledQuotes(text), plain.size());
        const qsizetype first = text.indexOf(u'"');
        EXPECT_EQ(calltext::findQuote(text.constData(), text.constData() + text.size()) - text.constData(),
                  first < 0 ? text.size() : first);
        const calltext::Token t = calltext::scanArgument(QStringLiteral("f(\"") + rest, 2);
        EXPECT_EQ(t.raw, closing < 0 ? rest : rest.left(closing));
        EXPECT_EQ(t.terminated, closing >= 0 && rest[closing + 1] == u')');
        EXPECT_EQ(calltext::skipArgument(QStringLiteral("f(\"") + rest, 2).consumed, t.consumed);
        QString doubled = text;
        EXPECT_EQ(calltext::quote(text), u'"' + doubled.replace(u'"', QStringLiteral("\"\"")) + u'"');
    };
    std::mt19937 random(25);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = int(random() % 200);
        const unsigned quoteShare = 1 + random() % 4;  // from sparse to dense
        for (int i = 0; i < length; ++i)
            text += random() % 5 < quoteShare ? u'"' : u'a';
        check(text);
    }
    for (int lead : {0, 1, 2, 30, 61, 62, 63, 64, 65, 127, 128})
        for (int run = 0; run <= 200; ++run)
            for (const QString& after : {QString(), QStringLiteral("a"), QStringLiteral("a\"\"b")})
                check(QString(lead, u'a') + QString(run, u'"') + after);
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

using namespace datasets;

class Records : public ::testing::Test {
protected:
    const QChar E = kEndOfText;
    const DataSetLayout& labels = *findLayout(QStringLiteral("labelset"));
    const DataSetLayout& enums = *findLayout(QStringLiteral("enum set"));
    const QString head = QStringLiteral("tetekwy.item       12    ");
};

TEST_F(Records, BuilderWritesFullAndCompactRecords)
{
    RecordBuilder b(labels, 1);
    EXPECT_TRUE(b.set(QStringLiteral("cpac"), QStringLiteral("tex")));  // cut to 2
    EXPECT_TRUE(b.set(QStringLiteral("clab"), QStringLiteral("tekwy.item")));
    EXPECT_TRUE(b.set(QStringLiteral("leng"), int64_t(12)));
    EXPECT_TRUE(b.set(QStringLiteral("desc"), QStringLiteral("It") + E + QStringLiteral("em")));
    EXPECT_FALSE(b.set(QStringLiteral("nope"), QStringLiteral("x")));
    // A Chr(1) inside a value would end the host text early: it is stored as a blank.
    EXPECT_EQ(b.record(), head + QStringLiteral("It em").leftJustified(70) + E);
    EXPECT_EQ(b.compactRecord(), head + QStringLiteral("It em") + E);
    QString buffer = head;
    b.appendCompactRecord(buffer);
    EXPECT_EQ(buffer, head + head + QStringLiteral("It em") + E);
}

TEST_F(Records, ReaderReadsCompactAndFullRecordsWithQuotesExactly)
{
    RecordBuilder a(enums, 2);
    a.set(QStringLiteral("cdom"), QStringLiteral("zrn.\"q\""));
    a.set(QStringLiteral("cnst"), QStringLiteral(" +07"));
    a.set(QStringLiteral("edes"), QStringLiteral("He said \"\"no\""));
    RecordBuilder b(enums, 2);
    b.set(QStringLiteral("cnst"), int64_t(-8));
    // A full record, a compact one and the blanks of an unused request slot.
    RecordReader r(enums, 2, a.record() + b.compactRecord() + QString(40, u' '));
    ASSERT_TRUE(r.next());
    EXPECT_EQ(r.value(QStringLiteral("cdom")), QStringLiteral("zrn.\"q\""));
    EXPECT_EQ(r.number(QStringLiteral("cnst")), 7);
    EXPECT_EQ(r.value(QStringLiteral("edes")), QStringLiteral("He said \"\"no\""));
    EXPECT_EQ(r.position(), recordLength(enums, 2));
    ASSERT_TRUE(r.next());
    EXPECT_EQ(r.number(QStringLiteral("cnst")), -8);
    EXPECT_EQ(r.value(QStringLiteral("edes")), QString());
    EXPECT_FALSE(r.next());
}

TEST_F(Records, ReaderStopsAtBrokenOrShortRecords)
{
    for (const QString& buffer : {head + QStringLiteral("Item"), QStringLiteral("tetekwy"), QString()}) {
        RecordReader r(labels, 1, buffer);
        EXPECT_FALSE(r.next()) << buffer.toStdString();
        EXPECT_EQ(r.position(), 0);
        EXPECT_EQ(r.value(QStringLiteral("cpac")), QString());
    }
    EXPECT_FALSE(RecordReader(*findLayout(QStringLiteral("qxzrn420_1")), 1, QStringLiteral("abc")).next());
}

// A cut to a width falls before a character of two UTF-16 units that it would split,
// wherever a text is cut: a record field, a fixed-width text.
TEST_F(Records, CutsFallBeforeACharacterTheyWouldSplit)
{
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString ab = QStringLiteral("ab");
    const QString abc = QStringLiteral("abc");
    const QString aeb = QString::fromUtf8("a\xC3\xA9" "b");  // the accent is one unit
    const struct {
        QString text;
        qsizetype width;
        QString cut;
    } cases[] = {
        {ab + emoji, 3, ab},        {ab + emoji, 4, ab + emoji},   {emoji + u'x', 1, QString()},
        {emoji + u'x', 2, emoji},   {emoji + emoji, 3, emoji},     {aeb, 2, aeb.left(2)},
        {abc, 0, QString()},        {abc, -1, QString()},          {abc, 5, abc},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " " + std::to_string(c.width));
        EXPECT_EQ(leftWhole(c.text, c.width), c.cut);
        const QString fixed = fixedWidth(c.text, c.width);
        EXPECT_EQ(fixed, c.cut.leftJustified(std::max<qsizetype>(0, c.width)));
        EXPECT_FALSE(fixed.endsWith(emoji.at(0)));
    }
    // A record's field of two places: the character is left out, the record keeps its width.
    RecordBuilder b(labels, 1);
    b.set(QStringLiteral("cpac"), QStringLiteral("t") + emoji);
    EXPECT_EQ(b.record().left(2), QStringLiteral("t "));
}
