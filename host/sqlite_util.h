#pragma once
// A thin RAII layer over SQLite for the host's own code. Every failure throws
// SqliteError; values always go in through bound parameters.
#include "data_sets.h"
#include "host_error.h"

#include <QString>
#include <cstdint>
#include <type_traits>

struct sqlite3;
struct sqlite3_stmt;

namespace host {

class Statement {
public:
    Statement(sqlite3* db, const QString& sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    static Statement prepare(sqlite3* db, const QString& sql) { return Statement(db, sql); }

    // Parameters are numbered from 1. A null QString is bound as an empty text;
    // use bindNull for SQL NULL.
    Statement& bind(int index, const QString& value);
    // Any integer type, stored as a 64-bit integer.
    template <typename T>
        requires std::is_integral_v<T>
    Statement& bind(int index, T value)
    {
        return bindInt64(index, int64_t(value));
    }
    Statement& bindInt64(int index, int64_t value);
    Statement& bindNull(int index);

    // True while a row is available, false when the statement is done.
    bool step();
    // Steps to the end, for statements that return no rows.
    void exec();
    // Makes the statement ready to run again; clears the bindings as well.
    void reset();

    // Columns are numbered from 0. NULL reads as a null QString or 0.
    QString text(int column) const;
    int64_t int64(int column) const;
    bool isNull(int column) const;
    int columnCount() const;

    sqlite3_stmt* handle() const { return stmt_; }

private:
    void check(int rc, const char* what) const;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

// Runs a script of several statements (no parameters).
void execScript(sqlite3* db, const QString& sql);

// The text of the connection's last error.
QString lastError(sqlite3* db);

// Blanks off both ends, as SQL trim() does (the host's comparisons ignore padding).
using datasets::trimBlanks;

} // namespace host
