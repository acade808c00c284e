#include "sqlite_util.h"

#include <sqlite3.h>

#include <utility>

namespace host {

QString lastError(sqlite3* db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("no database");
}

Statement::Statement(sqlite3* db, const QString& sql) : db_(db)
{
    if (!db)
        throw SqliteError(SQLITE_MISUSE, QStringLiteral("the database is closed"));
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = lastError(db);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw SqliteError(rc, QStringLiteral("cannot prepare \"%1\": %2").arg(sql, why));
    }
    if (!stmt_)
        throw SqliteError(SQLITE_MISUSE, QStringLiteral("no statement in \"%1\"").arg(sql));
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement::Statement(Statement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr))
{
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = std::exchange(other.db_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

void Statement::check(int rc, const char* what) const
{
    if (rc != SQLITE_OK)
        throw SqliteError(rc, QStringLiteral("%1 failed: %2").arg(QLatin1String(what), lastError(db_)));
}

Statement& Statement::bind(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    check(sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT), "bind");
    return *this;
}

Statement& Statement::bindInt64(int index, int64_t value)
{
    check(sqlite3_bind_int64(stmt_, index, sqlite3_int64(value)), "bind");
    return *this;
}

Statement& Statement::bindNull(int index)
{
    check(sqlite3_bind_null(stmt_, index), "bind");
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString why = lastError(db_);
    sqlite3_reset(stmt_);
    throw SqliteError(rc, QStringLiteral("step of \"%1\" failed: %2")
                              .arg(QString::fromUtf8(sqlite3_sql(stmt_)), why));
}

void Statement::exec()
{
    while (step()) {
    }
}

void Statement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

QString Statement::text(int column) const
{
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (!p)
        return QString();
    return QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column));
}

int64_t Statement::int64(int column) const { return int64_t(sqlite3_column_int64(stmt_, column)); }

bool Statement::isNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }

void execScript(sqlite3* db, const QString& sql)
{
    if (!db)
        throw SqliteError(SQLITE_MISUSE, QStringLiteral("the database is closed"));
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString why = message ? QString::fromUtf8(message) : lastError(db);
        sqlite3_free(message);
        throw SqliteError(rc, why);
    }
}

} // namespace host
