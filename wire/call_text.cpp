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

// The bits set in x; std::popcount is a call where the processor is not known to count.
static inline int bitCount(uint64_t x)
{
    x -= x >> 1 & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + (x >> 2 & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0f0f0f0f0f0f0f0fu;
    return int(x * 0x0101010101010101u >> 56);
}

// Bit i set where p[i] is a double quote, for the 64 characters from p on.
static inline uint64_t quotesOf64(const QChar* p)
{
    return uint64_t(quotesOf16(p)) | uint64_t(quotesOf16(p + 16)) << 16 | uint64_t(quotesOf16(p + 32)) << 32
           | uint64_t(quotesOf16(p + 48)) << 48;
}

// The ends of the runs of quotes in a block of 64 characters whose length is odd: bit i
// set where character i is no quote and the quotes before it, back to the last that is
// none, are odd in number. oddBefore: the quotes at the end of the blocks before, which
// a run starting at bit 0 continues, are odd in number; set on return for the next block.
// A run is added up from its start: adding its lowest bit to it carries past its end.
static inline uint64_t oddRunEnds(uint64_t quotes, uint64_t& oddBefore)
{
    constexpr uint64_t even = 0x5555555555555555u;  // bits 0, 2, 4, ...
    const uint64_t starts = quotes & ~(quotes << 1);
    // A run that goes on from the blocks before is counted from its start there.
    const uint64_t evenStart = even ^ oddBefore;
    const uint64_t evenStarts = starts & evenStart;
    const uint64_t oddStarts = starts & ~evenStart;
    const uint64_t evenCarries = quotes + evenStarts;
    uint64_t oddCarries = 0;
    const bool oddLeft = __builtin_add_overflow(quotes, oddStarts, &oddCarries);
    oddCarries |= oddBefore;
    oddBefore = oddLeft ? 1 : 0;
    // A run that starts on an even bit and ends on an odd one is odd, and so the other way.
    return (evenCarries & ~quotes & ~even) | (oddCarries & ~quotes & even);
}

// The quote that closes a quoted argument whose text starts at p: the first that is not
// doubled, doubled quotes read from the left; end when there is none. A run of quotes
// of odd length ends in the closing one. Looked through 64 characters at a time, the
// rest of the text in a block padded with no quotes: the end of the text ends a run.
static const QChar* closingQuote(const QChar* p, const QChar* end)
{
    uint64_t oddBefore = 0;
    for (; end - p >= 64; p += 64) {
        const uint64_t quotes = quotesOf64(p);
        // The run ends at the block's edge: oddBefore carries it on.
        if (const uint64_t ends = oddRunEnds(quotes, oddBefore))
            return p + std::countr_zero(ends) - 1;
    }
    QChar rest[64];
    const qsizetype left = end - p;
    std::copy(p, end, rest);
    std::fill(rest + left, rest + 64, QLatin1Char(' '));
    if (const uint64_t ends = oddRunEnds(quotesOf64(rest), oddBefore))
        return p + std::countr_zero(ends) - 1;
    return end;
}

qsizetype doubledQuotes(QStringView text)
{
    // Of a run of quotes, all but the last of an odd run are pairs.
    const QChar* p = text.data();
    const QChar* const end = p + text.size();
    qsizetype quotes = 0;
    qsizetype oddRuns = 0;
    uint64_t oddBefore = 0;
    const auto count = [&](uint64_t block) {
        quotes += bitCount(block);
        oddRuns += bitCount(oddRunEnds(block, oddBefore));
    };
    for (; end - p >= 64; p += 64)
        count(quotesOf64(p));
    QChar rest[64];
    std::fill(std::copy(p, end, rest), rest + 64, QLatin1Char(' '));
    count(quotesOf64(rest));
    return (quotes - oddRuns) / 2;
}

const QChar* findQuote(const QChar* p, const QChar* end)
{
#if defined(__SSE2__)
    // Eight characters at a time: the texts of a design text are a few characters each.
    const __m128i quote = _mm_set1_epi16('"');
    for (; end - p >= 8; p += 8) {
        const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        if (const int found = _mm_movemask_epi8(_mm_cmpeq_epi16(chars, quote)))
            return p + std::countr_zero(unsigned(found)) / 2;
    }
#endif
    return std::find(p, end, QLatin1Char('"'));
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
// Without keepRaw the token's raw stays empty: an argument passed over is not copied.
static Token scanAt(QStringView s, int start, bool keepRaw = true)
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
            if (keepRaw)
                t.raw = s.mid(begin).toString();
            t.consumed = int(s.size()) - start;
            return t;
        }
        if (keepRaw)
            t.raw = s.mid(begin, q - begin).toString();
        i = skipBlanks(s, int(q) + 1);
    } else {
        const int begin = i;
        while (i < s.size() && s.at(i) != QLatin1Char(',') && s.at(i) != QLatin1Char(')')
               && s.at(i) != QLatin1Char('"'))
            ++i;
        if (keepRaw)
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

Token skipArgument(QStringView text, int start) { return scanAt(text, start, false); }

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

qsizetype formattedSize(const Call& call)
{
    // The function and ")", and each argument with its quotes and the "," or ")" after it.
    qsizetype size = call.function.size() + (call.args.empty() ? 1 : 0);
    for (const Argument& a : call.args)
        size += a.raw.size() + (a.quoted ? 3 : 1);
    return size;
}

QString format(const Call& call)
{
    // Made in one piece: an update set or a query buffer comes back in it.
    QString out;
    out.reserve(formattedSize(call));
    out += call.function;
    for (size_t i = 0; i < call.args.size(); ++i) {
        if (i)
            out += QLatin1Char(',');
        const Argument& a = call.args[i];
        if (a.quoted)
            out += QLatin1Char('"');
        out += a.raw;
        if (a.quoted)
            out += QLatin1Char('"');
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
