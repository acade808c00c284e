#include "host_error.h"

namespace host {

HostError::HostError(int32_t code, const QString& message)
    : code_(code), message_(message), what_(message.toUtf8())
{
}

SqliteError::SqliteError(int sqliteCode, const QString& message)
    : HostError(kErrDatabase, message), sqliteCode_(sqliteCode)
{
}

} // namespace host
