#include "dispatcher.h"
#include "functions.h"

namespace host {

void registerDictionaryFunctions(Dispatcher& d)
{
    (void)d;
}

} // namespace host
