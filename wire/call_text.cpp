#include "call_text.h"

#include <QByteArray>
#include <QStringView>

#include <algorithm>
#include <bit>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace calltext {

// Bit i set where p[i] is a double quote, for the 16 characters from p on.
static inline uint32_t quotesOf16(const QChar* p)
{
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi16('"');
    const __m128i low = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), quote);
    const __m128i high = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8)), quote);
    return uint32_t(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
#else
    uint32_t bits = 0;
    for (int i = 0; i < 16; ++i)
        bits |= uint32_t(p[i] == QLatin1Char('"')) << i;
    return bits;
#endif
}

// Copies the 16 characters from `from` on to `to`.
static inline void copy16(const QChar* from, QChar* to)
{
#if defined(__SSE2__)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 8)));
#else
    std::copy(from, from + 16, to);
#endif
}

// The quotes of 16 characters from p on, and in bit 16 whether the character after them
// is one, for a doubled quote that straddles the edge; p + 16 must lie before the end.
static inline uint32_t quotesOf17(const QChar* p)
{
    return quotesOf16(p) | uint32_t(p[16] == QLatin1Char('"')) << 16;
}

// Call texts are looked through 16 characters at a time: query buffers run thousands of
// characters without a quote, and design texts have one every few characters.

// The quote that closes a quoted argument whose text starts at p: the first that is not
// doubled, doubled quotes read from the left; end when there is none.
static const QChar* closingQuote(const QChar* p, const QChar* end)
{
    while (end - p > 16) {
        uint32_t quotes = quotesOf17(p);
        qsizetype step = 16;
        while (quotes & 0xffff) {
            const int i = std::countr_zero(quotes);
            if (!(quotes >> (i + 1) & 1))
                return p + i;
            quotes &= ~(3u << i);
            if (i == 15)
                step = 17;  // the doubled quote went on past the edge
        }
        p += step;
    }
    while (p < end) {
        if (*p == QLatin1Char('"')) {
            if (p + 1 == end || p[1] != QLatin1Char('"'))
                return p;
            ++p;
        }
        ++p;
    }
    return end;
}

static bool hasQuote(const QChar* p, const QChar* end)
{
    for (; end - p >= 16; p += 16)
        if (quotesOf16(p))
            return true;
    return std::find(p, end, QLatin1Char('"')) != end;
}

// The first of two double quotes in a row from p on, or end.
static const QChar* firstDoubledQuote(const QChar* p, const QChar* end)
{
    for (; end - p > 16; p += 16) {
        const uint32_t quotes = quotesOf17(p);
        if (const uint32_t doubled = quotes & quotes >> 1 & 0xffff)
            return p + std::countr_zero(doubled);
    }
    for (; end - p > 1; ++p)
        if (p[0] == QLatin1Char('"') && p[1] == QLatin1Char('"'))
            return p;
    return end;
}

Argument Argument::number(int64_t value) { return {false, QString::number(value)}; }

Argument Argument::fromText(const QString& plain)
{
    // Buffers of thousands of characters seldom hold a quote.
    if (!hasQuote(plain.constData(), plain.constData() + plain.size()))
        return {true, plain};
    QString raw = plain;
    raw.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return {true, raw};
}

QString Argument::text() const { return quoted ? unquote(raw) : raw; }

int64_t Argument::value() const { return roundedValue(raw); }

const Argument& Call::arg(int position) const
{
    static const Argument empty;
    if (position < 1 || position > int(args.size()))
        return empty;
    return args[size_t(position - 1)];
}

static int skipBlanks(QStringView s, int i)
{
    while (i < s.size() && s.at(i) == QLatin1Char(' '))
        ++i;
    return i;
}

// Scans the argument that starts at position start of s; consumed counts from start.
static Token scanAt(QStringView s, int start)
{
    Token t;
    int i = skipBlanks(s, start);
    if (i < s.size() && s.at(i) == QLatin1Char('"')) {
        t.quoted = true;
        const int begin = i + 1;
        const QChar* const end = s.data() + s.size();
        const QChar* const at = closingQuote(s.data() + begin, end);
        const qsizetype q = at < end ? at - s.data() : -1;
        if (q < 0) {
            t.raw = s.mid(begin).toString();
            t.consumed = int(s.size()) - start;
            return t;
        }
        t.raw = s.mid(begin, q - begin).toString();
        i = skipBlanks(s, int(q) + 1);
    } else {
        const int begin = i;
        while (i < s.size() && s.at(i) != QLatin1Char(',') && s.at(i) != QLatin1Char(')')
               && s.at(i) != QLatin1Char('"'))
            ++i;
        t.raw = s.mid(begin, i - begin).trimmed().toString();
    }
    if (i < s.size() && (s.at(i) == QLatin1Char(',') || s.at(i) == QLatin1Char(')'))) {
        t.terminated = true;
        t.terminator = s.at(i);
        i = skipBlanks(s, i + 1);
    }
    t.consumed = i - start;
    return t;
}

Token scanArgument(const QString& rest) { return scanAt(rest, 0); }

Token scanArgument(QStringView text, int start) { return scanAt(text, start); }

static bool isNumber(const QString& raw)
{
    if (raw.isEmpty())
        return false;
    int i = 0;
    if (raw.at(0) == QLatin1Char('-') || raw.at(0) == QLatin1Char('+'))
        i = 1;
    if (i >= raw.size())
        return false;
    for (; i < raw.size(); ++i)
        if (!raw.at(i).isDigit() || raw.at(i).unicode() > 127)
            return false;
    return true;
}

std::optional<Call> parse(const QString& callText, QString* error)
{
    auto fail = [&](const QString& why) -> std::optional<Call> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const int open = int(callText.indexOf(QLatin1Char('(')));
    if (open < 0)
        return fail(QStringLiteral("no \"(\" after the function name"));
    Call call;
    call.function = callText.left(open + 1).trimmed();
    const QString name = call.function.left(call.function.size() - 1);
    if (name.isEmpty())
        return fail(QStringLiteral("no function name"));
    for (QChar c : name)
        if (!(c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('_')) || c.unicode() > 127)
            return fail(QStringLiteral("bad function name"));

    // Scanned in place: a query buffer or an update set makes call texts of several
    // thousand characters.
    const QStringView text(callText);
    int pos = skipBlanks(text, open + 1);
    if (pos < text.size() && text.at(pos) == QLatin1Char(')')) {
        if (skipBlanks(text, pos + 1) != text.size())
            return fail(QStringLiteral("text after the call"));
        return call;
    }
    for (;;) {
        const Token t = scanAt(text, pos);
        if (!t.terminated)
            return fail(QStringLiteral("argument %1 has no terminator").arg(call.args.size() + 1));
        if (!t.quoted && !isNumber(t.raw))
            return fail(QStringLiteral("argument %1 is neither a number nor a text").arg(call.args.size() + 1));
        call.args.push_back({t.quoted, t.raw});
        pos += t.consumed;
        if (t.terminator == QLatin1Char(')')) {
            if (pos != text.size())
                return fail(QStringLiteral("text after the call"));
            return call;
        }
    }
}

QString format(const Call& call)
{
    QString out = call.function;
    for (size_t i = 0; i < call.args.size(); ++i) {
        if (i)
            out += QLatin1Char(',');
        const Argument& a = call.args[i];
        out += a.quoted ? QLatin1Char('"') + a.raw + QLatin1Char('"') : a.raw;
    }
    out += QLatin1Char(')');
    return out;
}

QString quote(const QString& text) { return QLatin1Char('"') + Argument::fromText(text).raw + QLatin1Char('"'); }

QString unquote(const QString& text)
{
    const QChar* const first = firstDoubledQuote(text.constData(), text.constData() + text.size());
    if (first == text.constData() + text.size())
        return text;
    const qsizetype at = first - text.constData();
    // Written in place: update sets and query buffers, thick with quotes, come through here.
    QString out(text.size(), Qt::Uninitialized);
    QChar* to = out.data();
    const QChar* from = text.constData();
    const QChar* const end = from + text.size();
    std::copy(from, from + at, to);
    to += at;
    from += at;
    // Sixteen characters at a time while more than 32 remain: each piece up to a quote is
    // written with the 16 characters from its start, the rest of which the next piece
    // writes over; the second of a doubled quote is left out.
    while (end - from > 32) {
        const uint32_t quotes = quotesOf17(from);
        int pos = 0;
        for (uint32_t ahead; (ahead = quotes >> pos & 0xffffu >> pos) != 0;) {
            const int i = pos + std::countr_zero(ahead);
            copy16(from + pos, to);
            to += i - pos + 1;
            pos = quotes >> (i + 1) & 1 ? i + 2 : i + 1;
        }
        if (pos < 16) {
            copy16(from + pos, to);
            to += 16 - pos;
            pos = 16;
        }
        from += pos;
    }
    while (from < end) {
        const QChar c = *from++;
        if (c == QLatin1Char('"') && from < end && *from == QLatin1Char('"'))
            ++from;
        *to++ = c;
    }
    out.truncate(to - out.constData());
    return out;
}

static QString withoutBlanks(const QString& text)
{
    QString s;
    s.reserve(text.size());
    for (QChar c : text)
        if (c != QLatin1Char(' '))
            s += c;
    return s;
}

double numericValue(const QString& text)
{
    const QString s = withoutBlanks(text);
    auto isDigit = [&](int i) { return i < s.size() && s.at(i).unicode() >= '0' && s.at(i).unicode() <= '9'; };
    int i = 0;
    bool negative = false;
    if (i < s.size() && (s.at(i) == QLatin1Char('-') || s.at(i) == QLatin1Char('+'))) {
        negative = s.at(i) == QLatin1Char('-');
        ++i;
    }
    double value = 0;
    bool any = false;
    for (; isDigit(i); ++i) {
        value = value * 10 + (s.at(i).unicode() - '0');
        any = true;
    }
    if (i < s.size() && s.at(i) == QLatin1Char('.')) {
        // The fraction is converted as a whole so that halves stay exact for the rounding.
        QByteArray fraction("0.");
        for (++i; isDigit(i); ++i) {
            fraction += char(s.at(i).unicode());
            any = true;
        }
        if (fraction.size() > 2)
            value += fraction.toDouble();
    }
    if (!any)
        return 0;
    return negative ? -value : value;
}

int64_t roundedValue(const QString& text)
{
    // Read digit by digit, not through a double, which holds whole numbers exactly only
    // up to 2^53: the 64-bit numbers of a call come back as they were written.
    const QString s = withoutBlanks(text);
    auto digitAt = [&](qsizetype i) {
        return i < s.size() && s.at(i).unicode() >= '0' && s.at(i).unicode() <= '9' ? int(s.at(i).unicode() - '0')
                                                                                      : -1;
    };
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s.at(i) == QLatin1Char('-') || s.at(i) == QLatin1Char('+'))) {
        negative = s.at(i) == QLatin1Char('-');
        ++i;
    }
    // The magnitude, held at the largest one the sign allows.
    const uint64_t limit = negative ? uint64_t(1) << 63 : uint64_t(std::numeric_limits<int64_t>::max());
    uint64_t magnitude = 0;
    for (int d; (d = digitAt(i)) >= 0; ++i)
        magnitude = magnitude > (limit - uint64_t(d)) / 10 ? limit : magnitude * 10 + uint64_t(d);
    if (i < s.size() && s.at(i) == QLatin1Char('.')) {
        // Half to even: the first fraction digit decides, a later non-zero one breaks a tie.
        const int first = digitAt(++i);
        bool beyondHalf = false;
        for (qsizetype j = i + 1; digitAt(j) >= 0; ++j)
            beyondHalf = beyondHalf || digitAt(j) > 0;
        const bool up = first > 5 || (first == 5 && (beyondHalf || magnitude % 2 == 1));
        if (up && magnitude < limit)
            ++magnitude;
    }
    if (negative)
        return magnitude == uint64_t(1) << 63 ? std::numeric_limits<int64_t>::min() : -int64_t(magnitude);
    return int64_t(magnitude);
}

} // namespace calltext
