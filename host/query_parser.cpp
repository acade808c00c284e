#include "query_parser.h"

#include <limits>

namespace host::query {

namespace {

struct SyntaxError {
    QString reason;
};

bool isNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_';
}

bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// Reads one of the four texts from left to right; every method throws SyntaxError.
class Scanner {
public:
    Scanner(const QString& text, const char* part) : text_(text), part_(QString::fromLatin1(part)) {}

    void skipBlanks()
    {
        while (pos_ < text_.size() && text_[pos_].isSpace())
            ++pos_;
    }
    bool atEnd()
    {
        skipBlanks();
        return pos_ >= text_.size();
    }
    void expectEnd()
    {
        if (!atEnd())
            fail(QStringLiteral("unexpected text"));
    }
    bool take(QChar c)
    {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    void expect(QChar c)
    {
        if (!take(c))
            fail(QStringLiteral("\"%1\" expected").arg(c));
    }

    QString name()
    {
        skipBlanks();
        const qsizetype start = pos_;
        while (pos_ < text_.size() && isNameChar(text_[pos_]))
            ++pos_;
        if (pos_ == start)
            fail(QStringLiteral("a name expected"));
        return text_.mid(start, pos_ - start).toLower();
    }

    // A keyword must stand as a word of its own: "TOx" is not "TO".
    bool takeWord(const char* word)
    {
        skipBlanks();
        const QString w = QString::fromLatin1(word);
        if (text_.mid(pos_, w.size()).compare(w, Qt::CaseInsensitive) != 0)
            return false;
        const qsizetype after = pos_ + w.size();
        if (after < text_.size() && isNameChar(text_[after]))
            return false;
        pos_ = after;
        return true;
    }
    void expectWord(const char* word)
    {
        if (!takeWord(word))
            fail(QStringLiteral("%1 expected").arg(QString::fromLatin1(word)));
    }

    ColumnName column()
    {
        ColumnName c;
        c.table = name();
        if (pos_ >= text_.size() || text_[pos_] != QLatin1Char('.'))
            fail(QStringLiteral("\"table.column\" expected"));
        ++pos_;
        c.column = name();
        return c;
    }

    KeyValue value()
    {
        skipBlanks();
        KeyValue v;
        if (take(QLatin1Char('\''))) {
            const qsizetype close = text_.indexOf(QLatin1Char('\''), pos_);
            if (close < 0)
                fail(QStringLiteral("unterminated value"));
            v.text = text_.mid(pos_, close - pos_);
            pos_ = close + 1;
            return v;
        }
        bool negative = false;
        if (pos_ < text_.size() && text_[pos_] == QLatin1Char('-')) {
            negative = true;
            ++pos_;
        }
        if (pos_ >= text_.size() || !isDigit(text_[pos_]))
            fail(QStringLiteral("a quoted value or a number expected"));
        // Accumulated as a negative number so that the lowest 64-bit value fits too.
        int64_t n = 0;
        constexpr int64_t low = std::numeric_limits<int64_t>::min();
        while (pos_ < text_.size() && isDigit(text_[pos_])) {
            const int digit = text_[pos_].unicode() - '0';
            if (n < (low + digit) / 10)
                fail(QStringLiteral("number too large"));
            n = n * 10 - digit;
            ++pos_;
        }
        if (pos_ < text_.size() && isNameChar(text_[pos_]))
            fail(QStringLiteral("bad number"));
        if (!negative && n == low)
            fail(QStringLiteral("number too large"));
        v.isNumber = true;
        v.number = negative ? n : -n;
        return v;
    }

    [[noreturn]] void fail(const QString& why) const
    {
        throw SyntaxError{QStringLiteral("%1, at %2 of \"%3\": %4").arg(part_).arg(pos_ + 1).arg(text_, why)};
    }

private:
    const QString& text_;
    QString part_;
    qsizetype pos_ = 0;
};

std::vector<ColumnName> parseSelect(const QString& text)
{
    Scanner s(text, "select list");
    std::vector<ColumnName> columns;
    do
        columns.push_back(s.column());
    while (s.take(QLatin1Char(',')));
    s.expectEnd();
    return columns;
}

std::vector<QString> parseFrom(const QString& text)
{
    Scanner s(text, "from");
    std::vector<QString> tables{s.name()};
    if (s.take(QLatin1Char(',')))
        tables.push_back(s.name());
    s.expectEnd();
    if (tables.size() == 2 && tables[0] == tables[1])
        s.fail(QStringLiteral("a table named twice"));
    return tables;
}

IndexMatch parseMatch(Scanner& s, const ColumnName& head)
{
    static const QString prefix = QStringLiteral("_index");
    IndexMatch m;
    m.table = head.table;
    const QString number = head.column.mid(prefix.size());
    bool ok = head.column.startsWith(prefix) && !number.isEmpty();
    for (QChar c : number)
        ok = ok && isDigit(c);
    m.index = ok && number.size() <= 3 ? number.toInt() : 0;
    if (m.index < 1)
        s.fail(QStringLiteral("\"%1\" is not an index").arg(head.column));
    s.expect(QLatin1Char('='));
    s.expect(QLatin1Char('{'));
    do
        m.values.push_back(s.value());
    while (s.take(QLatin1Char(',')));
    s.expect(QLatin1Char('}'));
    return m;
}

void parseWhere(const QString& text, QueryText& q)
{
    Scanner s(text, "where");
    if (s.atEnd())
        return;
    ColumnName head = s.column();
    if (s.takeWord("REFERS")) {
        s.expectWord("TO");
        q.reference = Reference{head.table, head.column, s.name()};
        if (s.atEnd())
            return;
        s.expectWord("AND");
        head = s.column();
    }
    q.match = parseMatch(s, head);
    s.expectEnd();
}

std::optional<ColumnName> parseOrder(const QString& text)
{
    Scanner s(text, "order");
    if (s.atEnd())
        return std::nullopt;
    ColumnName c = s.column();
    s.expectEnd();
    return c;
}

} // namespace

std::optional<QueryText> parseQuery(const QString& select, const QString& from, const QString& where,
                                    const QString& order, QString* error)
{
    try {
        QueryText q;
        q.select = parseSelect(select);
        q.from = parseFrom(from);
        parseWhere(where, q);
        q.order = parseOrder(order);
        return q;
    } catch (const SyntaxError& e) {
        if (error)
            *error = e.reason;
        return std::nullopt;
    }
}

} // namespace host::query
