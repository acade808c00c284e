// The call-text codec both ways. Reading: any text gives a call or a reason, and a call
// read, written and read again is the same call. Writing: the input's pieces, as texts
// and as numbers of a call, come back from the written call as they went in.
#include "FuzzInput.h"

#include "call_text.h"

#include <algorithm>
#include <cstring>

namespace {

bool sameArguments(const calltext::Call& a, const calltext::Call& b)
{
    if (a.function != b.function || a.count() != b.count())
        return false;
    for (size_t i = 0; i < a.args.size(); ++i)
        if (a.args[i].quoted != b.args[i].quoted || a.args[i].raw != b.args[i].raw)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input = fuzz::text(data, size);

    QString why;
    if (const std::optional<calltext::Call> call = calltext::parse(input, &why)) {
        const std::optional<calltext::Call> again = calltext::parse(calltext::format(*call));
        FUZZ_CHECK(again && sameArguments(*call, *again));
        for (const calltext::Argument& a : call->args)
            FUZZ_CHECK(!a.quoted || calltext::quote(a.text()) == u'"' + a.raw + u'"');
    } else {
        FUZZ_CHECK(!why.isEmpty());
    }

    const QStringList pieces = fuzz::parts(data, size);
    calltext::Call written{QStringLiteral("fuzz.call("), {}};
    // Any 64-bit number, from the input's first bytes.
    int64_t number = 0;
    if (size > 0)
        std::memcpy(&number, data, std::min(size, sizeof number));
    written.args.push_back(calltext::Argument::number(number));
    for (const QString& piece : pieces) {
        written.args.push_back(calltext::Argument::fromText(piece));
        written.args.push_back(calltext::Argument::number(calltext::roundedValue(piece)));
    }
    const std::optional<calltext::Call> read = calltext::parse(calltext::format(written));
    FUZZ_CHECK(read && read->count() == written.count());
    FUZZ_CHECK(read->arg(1).value() == number);
    for (int p = 0; p < pieces.size(); ++p) {
        FUZZ_CHECK(read->arg(2 * p + 2).quoted && read->arg(2 * p + 2).text() == pieces[p]);
        FUZZ_CHECK(!read->arg(2 * p + 3).quoted && read->arg(2 * p + 3).value() == calltext::roundedValue(pieces[p]));
    }
    return 0;
}
