#pragma once
// Object sets and remote queries of the local host: a query text is checked against
// the schema and the index metadata, turned into SQL built only from checked names
// (its values bound as parameters), and its rows are handed out in blocks, each row
// the selected columns laid out as the fields of the same name in the table's data set.
//
// The state (open object sets, queries, the update set under way) lives as long as
// the database connection it belongs to.
#include "data_sets.h"
#include "query_parser.h"
#include "sqlite_util.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>
#include <array>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3;

namespace host {

// Answers below 1 of the query functions. A query whose text was refused still gets
// an id; its fetches answer kQuerySyntaxError, which the editor reports as such.
inline constexpr int32_t kQueryUnknown = -301;       // no such object set or query
inline constexpr int32_t kQuerySyntaxError = -302;   // the query text was refused
inline constexpr int32_t kQueryBadFetch = -303;      // mode, row count or buffer not usable
inline constexpr int32_t kQueryValueTooWide = -304;  // a stored number does not fit its field

// Object-set numbers travel as three digits in the set records.
inline constexpr int kMaxObjectSet = 999;
inline constexpr int kMaxOpenQueries = 1000;

// Index K of a table: the columns "T._indexK = {...}" compares, in order.
struct QueryIndex {
    QString table;
    int index = 0;
    QStringList columns;
};
const std::vector<QueryIndex>& queryIndexes();

// "T.name REFERS TO target": the target row has the same values in these columns.
struct QueryReference {
    QString table;
    QString name;
    QString target;
    QStringList columns;
};
const std::vector<QueryReference>& queryReferences();

// A column of a table as the schema declares it.
struct TableColumn {
    QString name;
    bool integer = false;  // declared INTEGER: only whole numbers go in
    int primaryKey = 0;    // position in the primary key, 0 when not part of it
};
// The columns of a table; nullopt when the database has no table of that name.
std::optional<std::vector<TableColumn>> tableColumns(sqlite3* db, const QString& table);
// Whether the database has a table of that name.
bool tableExists(sqlite3* db, const QString& table);

// The host's bytes per character (host_meta), the factor of host-text field widths.
int32_t hostBytesPerChar(sqlite3* db);

// A query text checked against the database, ready to run.
struct CheckedQuery {
    struct Output {
        datasets::FieldLayout field;
        int32_t length = 0;  // in buffer characters
    };
    QString sql;
    std::vector<query::KeyValue> parameters;
    std::vector<Output> columns;
    int32_t rowLength = 0;  // of a row in the full layout

    // A join on the whole unique key of both tables, all of it but its last column given:
    // it is read as two scans in key order matched row by row, which gives the rows of
    // sql in its order without a seek of the second table for each row. Each scan selects
    // its table's run of the columns, then rowid, the last key column and, in the order
    // column's table, that column. A value either scan cannot order as sql would (not a
    // whole number) sends the query back to sql.
    struct JoinScan {
        QString sql;
        size_t firstColumn = 0;  // its run in columns
        size_t columnCount = 0;
    };
    struct MatchedJoin {
        std::array<JoinScan, 2> scans;  // of t0 and of t1
        int orderTable = -1;   // the table of the order column; -1 when there is none
    };
    std::optional<MatchedJoin> matched;
};
std::optional<CheckedQuery> checkQuery(sqlite3* db, const query::QueryText& text, int32_t bytesPerChar,
                                       QString* error = nullptr);

struct QueryCursor {
    int objectSet = 0;
    std::optional<CheckedQuery> query;  // none: the text was refused
    QString refusal;
    bool started = false;
    int32_t failure = 0;          // a negative answer that sticks to the query
    // The rows laid out one after the other, read at the first fetch, and where each ends.
    std::u16string block;
    std::vector<size_t> rowEnds;
    size_t next = 0;
};

struct UpdateSetCache;  // update_set.cpp

// Prepared statements of a connection that wait for the next use of their SQL text.
class StatementCache {
public:
    // The statement of sql, prepared now or kept from an earlier use.
    Statement take(sqlite3* db, const QString& sql);
    // Keeps st, reset and its bindings cleared, unless the cache is full.
    void giveBack(const QString& sql, Statement st);
    void clear() { free_.clear(), count_ = 0; }
    // Clears and keeps nothing more: the connection is closing.
    void close() { clear(), closed_ = true; }

private:
    struct Hash {
        size_t operator()(const QString& s) const { return qHash(s); }
    };
    // Enough for every statement text of the host's functions; query texts made of
    // other column lists are prepared anew past it.
    static constexpr size_t kMaxKept = 128;
    std::unordered_map<QString, std::vector<Statement>, Hash> free_;
    size_t count_ = 0;
    bool closed_ = false;
};

struct HostSession {
    std::map<int, QString> objectSets;  // number -> table
    std::map<int32_t, QueryCursor> queries;
    int32_t lastQueryId = 0;
    // The update set under way: the form-key prefix of its "f" record, kept across
    // its parts, and why the last part failed.
    std::optional<QString> setPrefix;
    QString lastSetError;
    // What its parts share: the tables' columns and the prepared statements. Dropped
    // when the set ends, and before the connection closes, which its statements would
    // otherwise keep open.
    std::shared_ptr<UpdateSetCache> setCache;
    // Dropped with setCache, for the same reason.
    StatementCache statements;
    // The columns of the tables asked for (tableColumns), as the schema of version
    // columnsSchema declares them.
    std::map<QString, std::optional<std::vector<TableColumn>>> columns;
    int64_t columnsSchema = -1;

    void clear();
};
// The state of a connection, made on first use and dropped when the connection closes.
HostSession& hostSession(sqlite3* db);
// Empties the state of every open connection.
void resetHostSessions();

// A statement that stays prepared on its connection for the next use of the same SQL
// text, which skips SQLite's parse and plan of calls that come again and again. It is
// given back reset, with its bindings cleared. The text must be the same each time for
// the same statement: built from checked names, never from values.
class CachedStatement {
public:
    CachedStatement(sqlite3* db, const QString& sql);
    ~CachedStatement();
    CachedStatement(const CachedStatement&) = delete;
    CachedStatement& operator=(const CachedStatement&) = delete;

    Statement& operator*() { return st_; }
    Statement* operator->() { return &st_; }

private:
    sqlite3* db_;
    QString sql_;
    Statement st_;
};

// Opens an object set on a table and returns its number (1 to kMaxObjectSet); throws
// HostError for a table the database lacks and when every number is taken.
int openObjectSet(sqlite3* db, const QString& table);
// 0, or kQueryUnknown for a number that is not open. Closes the set's queries too.
int32_t closeObjectSet(sqlite3* db, int64_t number);
std::optional<QString> objectSetTable(sqlite3* db, int64_t number);

// The new query's id, or kQueryUnknown when the object set is not open.
int32_t defineQuery(sqlite3* db, int64_t objectSet, const QString& select, const QString& from,
                    const QString& where, const QString& order);

struct FetchAnswer {
    int32_t value = 0;  // rows written, or a negative answer
    QString buffer;     // the rows, then blanks up to the length of the buffer sent
};
// mode 1 reads from the first row, 2 goes on after the last block.
FetchAnswer fetchQuery(sqlite3* db, int64_t objectSet, int64_t queryId, int64_t mode, int64_t rows,
                       const QString& buffer);
int32_t closeQuery(sqlite3* db, int64_t objectSet, int64_t queryId);

} // namespace host
