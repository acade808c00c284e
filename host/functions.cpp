#include "functions.h"

#include "data_sets.h"
#include "host_error.h"

namespace host {

const datasets::DataSetLayout& dataSetLayout(const char* name)
{
    const datasets::DataSetLayout* set = datasets::findLayout(QString::fromLatin1(name));
    if (!set)
        throw HostError(kErrInternal, QStringLiteral("no data set \"%1\"").arg(QLatin1String(name)));
    return *set;
}

} // namespace host
