#include "functions.h"

#include "data_sets.h"
#include "dispatcher.h"
#include "host_error.h"

namespace host {

const datasets::DataSetLayout& dataSetLayout(const char* name)
{
    const datasets::DataSetLayout* set = datasets::findLayout(QString::fromLatin1(name));
    if (!set)
        throw HostError(kErrInternal, QStringLiteral("no data set \"%1\"").arg(QLatin1String(name)));
    return *set;
}

const Dispatcher& Dispatcher::standard()
{
    static const Dispatcher dispatcher = [] {
        Dispatcher d;
        for (QLatin1String object : {kObjectDllExtInt, kObjectDllLabels, kObjectScmComm, kObjectSamMain,
                                     kObjectStpStdDll})
            d.addObject(object);
        registerVersionFunctions(d);
        registerSessionFunctions(d);
        registerTransactionFunctions(d);
        registerQueryFunctions(d);
        registerUpdateSetFunctions(d);
        registerLabelFunctions(d);
        registerDictionaryFunctions(d);
        return d;
    }();
    return dispatcher;
}

} // namespace host
