#include "functions.h"

#include "data_sets.h"
#include "host_error.h"
#include "sqlite_util.h"

namespace host {

int32_t bytesPerChar(sqlite3* db)
{
    Statement st(db, QStringLiteral("SELECT value FROM host_meta WHERE key = 'bytes_per_char'"));
    bool ok = false;
    const int32_t n = st.step() ? st.text(0).trimmed().toInt(&ok) : 0;
    if (!ok || n < 1)
        throw HostError(kErrDatabase, QStringLiteral("host_meta has no valid bytes_per_char"));
    return n;
}

const datasets::DataSetLayout& dataSetLayout(const char* name)
{
    const datasets::DataSetLayout* set = datasets::findLayout(QString::fromLatin1(name));
    if (!set)
        throw HostError(kErrInternal, QStringLiteral("no data set \"%1\"").arg(QLatin1String(name)));
    return *set;
}

} // namespace host
