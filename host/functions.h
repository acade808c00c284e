#pragma once
// The host DLL objects and, per area, the function that enters the area's host
// functions into a dispatcher. A new area: a functions_<area>.cpp with its register
// function, declared here and called from Dispatcher::standard() in functions.cpp.
#include <QLatin1String>

namespace datasets {
struct DataSetLayout;
}

namespace host {

class Dispatcher;

inline constexpr QLatin1String kObjectDllExtInt("oqxdllextint");
inline constexpr QLatin1String kObjectDllLabels("oqxdlllabels");
inline constexpr QLatin1String kObjectScmComm("oqxscm.dll.comm");
inline constexpr QLatin1String kObjectSamMain("oqxsammain");
inline constexpr QLatin1String kObjectStpStdDll("oqxstp_stddll");

// Start-up: the DLL's version and bytes per character, the program-script level.
void registerVersionFunctions(Dispatcher& dispatcher);
// Sessions, form types, existence look-ups and the host's session windows.
void registerSessionFunctions(Dispatcher& dispatcher);
// The open host transaction: abort, and the commit the update set ends with.
void registerTransactionFunctions(Dispatcher& dispatcher);
// Object sets and remote queries on the design tables and the dictionary.
void registerQueryFunctions(Dispatcher& dispatcher);
// The batched update set: its parts applied in the open host transaction.
void registerUpdateSetFunctions(Dispatcher& dispatcher);
// Labels, messages, icons and technical documentation.
void registerLabelFunctions(Dispatcher& dispatcher);
// The data dictionary and the design-record writes.
void registerDictionaryFunctions(Dispatcher& dispatcher);

// For the areas: a data-set layout by name; a HostError when there is none.
const datasets::DataSetLayout& dataSetLayout(const char* name);

} // namespace host
