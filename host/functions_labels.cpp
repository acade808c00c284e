#include "dispatcher.h"
#include "functions.h"

namespace host {

void registerLabelFunctions(Dispatcher& d)
{
    (void)d;
}

} // namespace host
