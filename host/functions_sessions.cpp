#include "dispatcher.h"
#include "functions.h"

namespace host {

void registerSessionFunctions(Dispatcher& d)
{
    (void)d;
}

} // namespace host
