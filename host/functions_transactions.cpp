// The open host transaction: the abort that ends a failed save.
#include "dispatcher.h"
#include "functions.h"
#include "host_transaction.h"

namespace host {

namespace {

// am_abort_transaction(): rolls back whatever the open transaction wrote; answers 0,
// also when no transaction is open.
void abortTransaction(CallContext& c)
{
    abortHostTransaction(c.db());
    c.setReturnValue(int64_t(0));
}

} // namespace

void registerTransactionFunctions(Dispatcher& d)
{
    d.add(kObjectSamMain, QStringLiteral("am_abort_transaction("), abortTransaction);
}

} // namespace host
