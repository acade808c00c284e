// The host function that takes the parts of an update set.
#include "dispatcher.h"
#include "functions.h"
#include "host_error.h"
#include "host_transaction.h"
#include "query_engine.h"
#include "update_set.h"

namespace host {

namespace {

// execute.velq.set("set text", mode, 0): the set text comes enclosed as it was built,
// its doubled quotes being the quoting of the design texts inside it. A part that
// failed gives back why in place of the 0, for the editor's log.
void executeVelqSet(CallContext& c)
{
    QString text;
    int64_t mode = 0;
    try {
        c.requireCount(3);
        text = c.text(1);
        mode = c.number(2);
        c.number(3);
    } catch (const HostError&) {
        // A part that cannot be read still ends its set: nothing of it stays.
        abortHostTransaction(c.db());
        hostSession(c.handle()).setPrefix.reset();
        throw;
    }
    QString why;
    const int32_t answer = applyUpdateSetPart(c.db(), text, mode, &why);
    if (answer != 0)
        c.setText(3, why);
    c.setReturnValue(int64_t(answer));
}

} // namespace

void registerUpdateSetFunctions(Dispatcher& d)
{
    d.add(kObjectDllExtInt, QStringLiteral("execute.velq.set("), executeVelqSet);
}

} // namespace host
