#include "dispatcher.h"
#include "functions.h"

namespace host {

void registerTransactionFunctions(Dispatcher& d)
{
    (void)d;
}

} // namespace host
