#pragma once
// Call texts, shared by the editor and the local host.
//
//   name(arg,arg,...)
//
// The name runs up to and including the first "(". An argument is a number in
// decimal, or a text in double quotes in which a double quote is written twice.
// Blanks may stand around the arguments. The returned call has the same shape,
// with the host's values in the by-reference positions.
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace calltext {

struct Argument {
    bool quoted = false;
    // For a quoted argument the characters between its quotes, doubled quotes kept
    // as they stand; for a bare one its characters with surrounding blanks removed.
    QString raw;

    static Argument number(int64_t value);
    static Argument fromText(const QString& plain);  // doubles the quotes
    static Argument fromRaw(const QString& raw) { return {true, raw}; }

    QString text() const;     // doubled quotes made single
    int64_t value() const;    // numeric value of a bare argument (see numericValue)
};

struct Call {
    QString function;  // with its "(": "init.dllextint("
    std::vector<Argument> args;

    // 1-based access; an empty argument when the position is past the end.
    const Argument& arg(int position) const;
    int count() const { return int(args.size()); }
};

// One step of the argument scan: the token at the start of rest.
struct Token {
    bool quoted = false;
    QString raw;
    bool terminated = false;  // a "," or ")" followed the token
    QChar terminator;
    int consumed = 0;         // characters of rest taken, terminator and following blanks included
};

// Scans one argument at the start of rest (leading blanks skipped). A quoted argument
// ends at the first double quote that is not doubled; that quote must be followed,
// perhaps after blanks, by "," or ")".
Token scanArgument(const QString& rest);
// The same for the argument at position start of text; consumed counts from start.
Token scanArgument(QStringView text, int start);
// scanArgument without the argument's characters: raw stays empty.
Token skipArgument(QStringView text, int start);

// Parses a whole call text; nullopt (with a reason) when it is not well formed.
std::optional<Call> parse(const QString& callText, QString* error = nullptr);

// name(arg,arg): texts quoted, numbers bare, "," between, no blanks.
QString format(const Call& call);
// The length of format(call). A call text parsed into call that is as long is the
// same text: it has no blanks around its name and its arguments.
qsizetype formattedSize(const Call& call);

// A double quote, the text with every double quote doubled, a double quote.
QString quote(const QString& text);
// Doubled double quotes made single, read from the left (three in a row become two).
QString unquote(const QString& text);
// The quotes unquote leaves out of text: one of each pair.
qsizetype doubledQuotes(QStringView text);
// The first double quote from p on, before end; end when there is none.
const QChar* findQuote(const QChar* p, const QChar* end);

// Numeric value of a text: blanks anywhere are ignored, the decimal number at the
// start is read up to the first character that cannot continue it, a text that does
// not start with a number gives 0. Fractions are kept for the caller to round.
double numericValue(const QString& text);
// numericValue rounded half to even and clamped into the 64-bit range, read digit by
// digit: every 64-bit number comes back exactly.
int64_t roundedValue(const QString& text);

} // namespace calltext
