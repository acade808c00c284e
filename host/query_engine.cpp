#include "query_engine.h"

#include "host_error.h"
#include "sqlite_util.h"

#include <QGlobalStatic>
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <unordered_map>

namespace host {

namespace {

QStringList formKeyAnd(const char* last)
{
    return {QStringLiteral("clan"), QStringLiteral("cpac"), QStringLiteral("vers"), QStringLiteral("rele"),
            QStringLiteral("cust"), QStringLiteral("cmod"), QStringLiteral("cfrm"), QString::fromLatin1(last)};
}

QStringList tableKeyAnd(const char* last)
{
    return {QStringLiteral("cpac"), QStringLiteral("cmod"), QStringLiteral("flno"), QStringLiteral("vers"),
            QStringLiteral("rele"), QStringLiteral("cust"), QString::fromLatin1(last)};
}

QString quoteName(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

QString alias(int i) { return QStringLiteral("t%1").arg(i); }

} // namespace

const std::vector<QueryIndex>& queryIndexes()
{
    // The design tables are read by the form's identity in the order of their first
    // index; the dictionary's fields by table, either by name or by number.
    static const std::vector<QueryIndex> indexes = {
        {QStringLiteral("qxzrn315"), 1, formKeyAnd("grpi")},
        {QStringLiteral("qxzrn301"), 1, formKeyAnd("sequ")},
        {QStringLiteral("qxzrn302"), 1, formKeyAnd("sequ")},
        {QStringLiteral("qxzrn308"), 1, formKeyAnd("sequ")},
        {QStringLiteral("qxzrn316"), 1, formKeyAnd("sern")},
        {QStringLiteral("qxzrn422"), 1, tableKeyAnd("fdnm")},
        {QStringLiteral("qxzrn422"), 2, tableKeyAnd("fdno")},
    };
    return indexes;
}

const std::vector<QueryReference>& queryReferences()
{
    // A field's row refers to its layout row, which has the same key.
    static const std::vector<QueryReference> references = {
        {QStringLiteral("qxzrn301"), QStringLiteral("cmba"), QStringLiteral("qxzrn308"), formKeyAnd("sequ")},
    };
    return references;
}

bool tableExists(sqlite3* db, const QString& table)
{
    CachedStatement kind(db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1"));
    kind->bind(1, table);
    return kind->step();
}

std::optional<std::vector<TableColumn>> tableColumns(sqlite3* db, const QString& table)
{
    // Read from the schema once while it stays as it is: a store and its queries ask for
    // the same few tables again and again.
    HostSession& s = hostSession(db);
    CachedStatement version(db, QStringLiteral("PRAGMA schema_version"));
    const int64_t schema = version->step() ? version->int64(0) : -1;
    if (schema != s.columnsSchema) {
        s.columns.clear();
        s.columnsSchema = schema;
    }
    if (const auto known = s.columns.find(table); known != s.columns.end())
        return known->second;
    std::optional<std::vector<TableColumn>> columns;
    if (tableExists(db, table)) {
        CachedStatement info(db,
                             QStringLiteral("SELECT name, upper(type), pk FROM pragma_table_info(?1) ORDER BY cid"));
        info->bind(1, table);
        columns.emplace();
        while (info->step())
            columns->push_back({info->text(0), info->text(1).contains(QLatin1String("INT")), int(info->int64(2))});
    }
    s.columns.emplace(table, columns);
    return columns;
}

int32_t hostBytesPerChar(sqlite3* db)
{
    CachedStatement st(db, QStringLiteral("SELECT value FROM host_meta WHERE key = 'bytes_per_char'"));
    bool ok = false;
    const int32_t n = st->step() ? trimBlanks(st->text(0)).toInt(&ok) : 0;
    // Beyond 4 no encoding needs it, and the widths of host-text fields would overflow.
    if (!ok || n < 1 || n > 4)
        throw HostError(kErrDatabase, QStringLiteral("host_meta has no usable bytes_per_char"));
    return n;
}

// ---- Checking a query --------------------------------------------------------------

namespace {

struct Refused {
    QString reason;
};

struct FromTable {
    QString name;
    std::vector<TableColumn> columns;
    const datasets::DataSetLayout* layout = nullptr;

    bool hasColumn(const QString& column) const
    {
        for (const TableColumn& c : columns)
            if (c.name == column)
                return true;
        return false;
    }
};

class QueryChecker {
public:
    QueryChecker(sqlite3* db, const query::QueryText& text, int32_t bytesPerChar)
        : db_(db), text_(text), bytesPerChar_(bytesPerChar)
    {
    }

    CheckedQuery check()
    {
        for (const QString& name : text_.from)
            addTable(name);
        CheckedQuery q;
        QStringList select;
        for (const query::ColumnName& c : text_.select) {
            const int t = tableOf(c);
            const datasets::FieldLayout* field = layoutField(t, c.column);
            if (!field)
                refuse(QStringLiteral("%1 has no field %2 to return").arg(c.table, c.column));
            const int32_t length = datasets::fieldLength(*field, bytesPerChar_);
            q.columns.push_back({*field, length});
            q.rowLength += length + (field->type == datasets::HostText ? 1 : 0);
            select << alias(t) + QLatin1Char('.') + quoteName(c.column);
        }
        q.sql = QStringLiteral("SELECT %1 FROM %2 AS t0").arg(select.join(QStringLiteral(", ")),
                                                              quoteName(tables_[0].name));
        q.sql += joinClause();
        q.sql += whereClause(q.parameters);
        q.sql += QStringLiteral(" ORDER BY ");
        if (text_.order) {
            const int t = tableOf(*text_.order);
            q.sql += alias(t) + QLatin1Char('.') + quoteName(text_.order->column) + QStringLiteral(", ");
        }
        // Rows that tie keep the order they were stored in, so blocks never overlap.
        q.sql += QStringLiteral("t0.rowid");
        if (tables_.size() > 1)
            q.sql += QStringLiteral(", t1.rowid");
        q.matched = matchedJoin();
        return q;
    }

private:
    [[noreturn]] static void refuse(const QString& reason) { throw Refused{reason}; }

    void addTable(const QString& name)
    {
        std::optional<std::vector<TableColumn>> columns = tableColumns(db_, name);
        const datasets::DataSetLayout* layout = datasets::findLayout(name);
        if (!columns || !layout)
            refuse(QStringLiteral("no table %1").arg(name));
        tables_.push_back({name, std::move(*columns), layout});
    }

    int tableIndex(const QString& name) const
    {
        for (size_t i = 0; i < tables_.size(); ++i)
            if (tables_[i].name == name)
                return int(i);
        return -1;
    }

    // The table of a column name, which must be one of the from list and have the column.
    int tableOf(const query::ColumnName& c) const
    {
        const int t = tableIndex(c.table);
        if (t < 0)
            refuse(QStringLiteral("%1 is not in the from list").arg(c.table));
        if (!tables_[size_t(t)].hasColumn(c.column))
            refuse(QStringLiteral("%1 has no column %2").arg(c.table, c.column));
        return t;
    }

    const datasets::FieldLayout* layoutField(int t, const QString& column) const
    {
        for (const datasets::FieldLayout& f : tables_[size_t(t)].layout->fields)
            if (f.code == column)
                return &f;
        return nullptr;
    }

    QString joinClause() const
    {
        if (tables_.size() == 1) {
            if (text_.reference)
                refuse(QStringLiteral("REFERS TO needs a second table"));
            return QString();
        }
        if (!text_.reference)
            refuse(QStringLiteral("two tables without REFERS TO"));
        const query::Reference& r = *text_.reference;
        const int from = tableIndex(r.table);
        const int to = tableIndex(r.target);
        if (from < 0 || to < 0 || from == to)
            refuse(QStringLiteral("REFERS TO must join the two tables of the from list"));
        const QueryReference* known = nullptr;
        for (const QueryReference& q : queryReferences())
            if (q.table == r.table && q.name == r.name && q.target == r.target)
                known = &q;
        if (!known)
            refuse(QStringLiteral("%1 has no reference %2 to %3").arg(r.table, r.name, r.target));
        reference_ = known;
        QStringList on;
        for (const QString& column : known->columns) {
            if (!tables_[0].hasColumn(column) || !tables_[1].hasColumn(column))
                refuse(QStringLiteral("reference column %1 missing").arg(column));
            on << QStringLiteral("t1.%1 = t0.%1").arg(quoteName(column));
        }
        return QStringLiteral(" JOIN %1 AS t1 ON %2").arg(quoteName(tables_[1].name),
                                                          on.join(QStringLiteral(" AND ")));
    }

    QString whereClause(std::vector<query::KeyValue>& parameters) const
    {
        if (!text_.match)
            return QString();
        const query::IndexMatch& m = *text_.match;
        const int t = tableIndex(m.table);
        if (t < 0)
            refuse(QStringLiteral("%1 is not in the from list").arg(m.table));
        const QueryIndex* index = nullptr;
        for (const QueryIndex& i : queryIndexes())
            if (i.table == m.table && i.index == m.index)
                index = &i;
        if (!index)
            refuse(QStringLiteral("%1 has no index %2").arg(m.table).arg(m.index));
        if (m.values.size() > size_t(index->columns.size()))
            refuse(QStringLiteral("index %1 of %2 has %3 columns, %4 values given")
                       .arg(m.index)
                       .arg(m.table)
                       .arg(index->columns.size())
                       .arg(m.values.size()));
        QStringList terms;
        for (size_t i = 0; i < m.values.size(); ++i) {
            const QString& column = index->columns[qsizetype(i)];
            if (!tables_[size_t(t)].hasColumn(column))
                refuse(QStringLiteral("index column %1 missing").arg(column));
            terms << QStringLiteral("%1.%2 = ?%3").arg(alias(t), quoteName(column)).arg(i + 1);
            parameters.push_back(m.values[i]);
        }
        return QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    }

    const TableColumn* column(int t, const QString& name) const
    {
        for (const TableColumn& c : tables_[size_t(t)].columns)
            if (c.name == name)
                return &c;
        return nullptr;
    }

    // The two scans of a join on the whole primary key of both tables whose every column
    // but the last is given; none for any other query.
    std::optional<CheckedQuery::MatchedJoin> matchedJoin() const
    {
        if (tables_.size() != 2 || !reference_ || !text_.match)
            return std::nullopt;
        const QStringList& key = reference_->columns;
        const QueryIndex* index = nullptr;
        for (const QueryIndex& i : queryIndexes())
            if (i.table == text_.match->table && i.index == text_.match->index)
                index = &i;
        if (!index || text_.match->values.size() + 1 != size_t(key.size()) || index->columns.size() < key.size() - 1)
            return std::nullopt;
        for (qsizetype i = 0; i + 1 < key.size(); ++i)
            if (index->columns[i] != key[i])
                return std::nullopt;
        for (int t = 0; t < 2; ++t) {
            // The key is the table's primary key, so a row has at most one partner, and
            // its last column holds whole numbers.
            int keyColumns = 0;
            for (const TableColumn& c : tables_[size_t(t)].columns)
                keyColumns += c.primaryKey > 0 ? 1 : 0;
            if (keyColumns != key.size())
                return std::nullopt;
            for (qsizetype i = 0; i < key.size(); ++i) {
                const TableColumn* c = column(t, key[i]);
                if (!c || c->primaryKey != i + 1)
                    return std::nullopt;
            }
            if (!column(t, key.back())->integer)
                return std::nullopt;
        }
        CheckedQuery::MatchedJoin m;
        if (text_.order) {
            m.orderTable = tableIndex(text_.order->table);
            const TableColumn* c = column(m.orderTable, text_.order->column);
            if (!c || !c->integer)
                return std::nullopt;
        }
        // Each table's columns stand together in the row.
        std::vector<int> tableOfColumn;
        for (const query::ColumnName& c : text_.select)
            tableOfColumn.push_back(tableIndex(c.table));
        for (int t = 0; t < 2; ++t) {
            const auto first = std::find(tableOfColumn.begin(), tableOfColumn.end(), t);
            const auto last = std::find(tableOfColumn.rbegin(), tableOfColumn.rend(), t).base();
            if (first != tableOfColumn.end() && std::find(first, last, 1 - t) != last)
                return std::nullopt;
            CheckedQuery::JoinScan& scan = m.scans[t];
            scan.firstColumn = size_t(first - tableOfColumn.begin());
            scan.columnCount = size_t(std::count(tableOfColumn.begin(), tableOfColumn.end(), t));
            QStringList select;
            for (size_t i = scan.firstColumn; i < scan.firstColumn + scan.columnCount; ++i)
                select << quoteName(text_.select[i].column);
            select << QStringLiteral("rowid") << quoteName(key.back());
            if (m.orderTable == t)
                select << quoteName(text_.order->column);
            QStringList terms;
            for (qsizetype i = 0; i + 1 < key.size(); ++i)
                terms << QStringLiteral("%1 = ?%2").arg(quoteName(key[i])).arg(i + 1);
            scan.sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
                           .arg(select.join(QStringLiteral(", ")), quoteName(tables_[size_t(t)].name),
                                terms.join(QStringLiteral(" AND ")), quoteName(key.back()));
        }
        return m;
    }

    sqlite3* db_;
    const query::QueryText& text_;
    int32_t bytesPerChar_;
    std::vector<FromTable> tables_;
    mutable const QueryReference* reference_ = nullptr;
};

} // namespace

std::optional<CheckedQuery> checkQuery(sqlite3* db, const query::QueryText& text, int32_t bytesPerChar,
                                       QString* error)
{
    try {
        return QueryChecker(db, text, bytesPerChar).check();
    } catch (const Refused& r) {
        if (error)
            *error = r.reason;
        return std::nullopt;
    }
}

// ---- State per connection ------------------------------------------------------------

void HostSession::clear()
{
    objectSets.clear();
    queries.clear();
    lastQueryId = 0;
    setPrefix.reset();
    lastSetError.clear();
    setCache.reset();
    statements.clear();
    columns.clear();
    columnsSchema = -1;
}

Statement StatementCache::take(sqlite3* db, const QString& sql)
{
    const auto it = free_.find(sql);
    if (it == free_.end() || it->second.empty())
        return Statement(db, sql);
    Statement st = std::move(it->second.back());
    it->second.pop_back();
    --count_;
    return st;
}

void StatementCache::giveBack(const QString& sql, Statement st)
{
    if (closed_ || count_ >= kMaxKept)
        return;
    st.reset();
    free_[sql].push_back(std::move(st));
    ++count_;
}

namespace {

struct SessionEntry {
    sqlite3* db = nullptr;
    HostSession session;
};

// Outlives the connections that may still close while the program ends.
using SessionMap = std::unordered_map<sqlite3*, SessionEntry*>;
Q_GLOBAL_STATIC(SessionMap, sessionMap)

void neverCalled(sqlite3_context* context, int, sqlite3_value**) { sqlite3_result_null(context); }

// SQLite calls this as a close begins, while the connection is still whole: the
// statements of an update set under way must go before it can close.
int closing(unsigned type, void* p, void*, void*)
{
    if (type == SQLITE_TRACE_CLOSE) {
        static_cast<SessionEntry*>(p)->session.setCache.reset();
        static_cast<SessionEntry*>(p)->session.statements.close();
    }
    return 0;
}

// SQLite calls this when the connection closes (or the registration fails).
void dropSession(void* p)
{
    std::unique_ptr<SessionEntry> entry(static_cast<SessionEntry*>(p));
    if (!sessionMap.isDestroyed()) {
        auto it = sessionMap->find(entry->db);
        if (it != sessionMap->end() && it->second == entry.get())
            sessionMap->erase(it);
    }
}

} // namespace

HostSession& hostSession(sqlite3* db)
{
    if (!db)
        throw SqliteError(SQLITE_MISUSE, QStringLiteral("the database is closed"));
    auto it = sessionMap->find(db);
    if (it != sessionMap->end())
        return it->second->session;
    // The state rides on a function of the connection, whose destructor SQLite runs
    // when the connection closes: a new connection never inherits an old one's sets.
    auto entry = std::make_unique<SessionEntry>();
    entry->db = db;
    SessionEntry* raw = entry.get();
    sessionMap->emplace(db, raw);
    const int rc = sqlite3_create_function_v2(db, "palimor_host_session", 0, SQLITE_UTF8, entry.release(),
                                              neverCalled, nullptr, nullptr, dropSession);
    if (rc != SQLITE_OK)  // dropSession has already freed the entry
        throw SqliteError(rc, QStringLiteral("cannot keep the host state: %1").arg(lastError(db)));
    sqlite3_trace_v2(db, SQLITE_TRACE_CLOSE, closing, raw);
    return raw->session;
}

void resetHostSessions()
{
    for (auto& [db, entry] : *sessionMap)
        entry->session.clear();
}

CachedStatement::CachedStatement(sqlite3* db, const QString& sql)
    : db_(db), sql_(sql), st_(hostSession(db).statements.take(db, sql))
{
}

CachedStatement::~CachedStatement()
{
    // The connection may be closing; its statements then go with it.
    if (sessionMap.isDestroyed())
        return;
    const auto it = sessionMap->find(db_);
    if (it != sessionMap->end())
        it->second->session.statements.giveBack(sql_, std::move(st_));
}

// ---- Object sets ----------------------------------------------------------------------

int openObjectSet(sqlite3* db, const QString& table)
{
    if (!tableExists(db, table))
        throw HostError(kErrBadArgument, QStringLiteral("no table \"%1\"").arg(table));
    HostSession& s = hostSession(db);
    for (int n = 1; n <= kMaxObjectSet; ++n) {
        if (!s.objectSets.contains(n)) {
            s.objectSets.emplace(n, table);
            return n;
        }
    }
    throw HostError(kErrInternal, QStringLiteral("every object-set number is in use"));
}

int32_t closeObjectSet(sqlite3* db, int64_t number)
{
    HostSession& s = hostSession(db);
    auto it = number >= 1 && number <= kMaxObjectSet ? s.objectSets.find(int(number)) : s.objectSets.end();
    if (it == s.objectSets.end())
        return kQueryUnknown;
    s.objectSets.erase(it);
    std::erase_if(s.queries, [&](const auto& q) { return q.second.objectSet == number; });
    return 0;
}

std::optional<QString> objectSetTable(sqlite3* db, int64_t number)
{
    HostSession& s = hostSession(db);
    auto it = number >= 1 && number <= kMaxObjectSet ? s.objectSets.find(int(number)) : s.objectSets.end();
    if (it == s.objectSets.end())
        return std::nullopt;
    return it->second;
}

// ---- Queries ---------------------------------------------------------------------------

int32_t defineQuery(sqlite3* db, int64_t objectSet, const QString& select, const QString& from,
                    const QString& where, const QString& order)
{
    if (!objectSetTable(db, objectSet))
        return kQueryUnknown;
    HostSession& s = hostSession(db);
    if (s.queries.size() >= size_t(kMaxOpenQueries))
        throw HostError(kErrInternal, QStringLiteral("too many open queries"));
    QueryCursor cursor;
    cursor.objectSet = int(objectSet);
    if (std::optional<query::QueryText> text = query::parseQuery(select, from, where, order, &cursor.refusal))
        cursor.query = checkQuery(db, *text, hostBytesPerChar(db), &cursor.refusal);
    do
        s.lastQueryId = s.lastQueryId >= INT32_MAX - 1 ? 1 : s.lastQueryId + 1;
    while (s.queries.contains(s.lastQueryId));
    s.queries.emplace(s.lastQueryId, std::move(cursor));
    return s.lastQueryId;
}

namespace {

// A text value as it stands in a row: cut to its width, Chr(1) made a blank. Returns
// where the value ends. The value is a column of the row read (as writeColumns reads it).
char16_t* writeText(sqlite3_value* value, int32_t width, char16_t* out)
{
    const auto* bytes = sqlite3_value_text(value);
    const int size = sqlite3_value_bytes(value);
    const auto put = [&out](char16_t c) { *out++ = c == datasets::kEndOfText.unicode() ? u' ' : c; };
    if (std::all_of(bytes, bytes + size, [](unsigned char b) { return b < 0x80; })) {
        for (int i = 0; i < size && i < width; ++i)
            put(char16_t(bytes[i]));
        return out;
    }
    // Cut before a character of two units that the width would split.
    const QString cut = datasets::leftWhole(QString::fromUtf8(reinterpret_cast<const char*>(bytes), size), width);
    for (const QChar c : cut)
        put(c.unicode());
    return out;
}

// Writes count columns of the statement's row, from column first, laid out as outputs
// from out on; false when a number does not fit its field.
bool writeColumns(sqlite3_stmt* h, int first, const CheckedQuery::Output* outputs, size_t count, char16_t*& out)
{
    for (size_t i = 0; i < count; ++i) {
        const CheckedQuery::Output& column = outputs[i];
        const int c = first + int(i);
        char16_t* const start = out;
        // One look-up of the column for its type and its number; the value is read
        // unprotected, which a connection of one thread allows.
        sqlite3_value* const value = sqlite3_column_value(h, c);
        const int type = sqlite3_value_type(value);
        if (type == SQLITE_INTEGER) {
            char digits[24];
            const char* end = std::to_chars(digits, digits + sizeof digits, sqlite3_value_int64(value)).ptr;
            // Cut short, a number would read as another number.
            if (end - digits > column.length)
                return false;
            out = std::copy(static_cast<const char*>(digits), end, out);
        } else if (type != SQLITE_NULL) {
            out = writeText(value, column.length, out);
        }
        if (column.field.type == datasets::HostText) {
            *out++ = datasets::kEndOfText.unicode();
        } else {
            std::fill(out, start + column.length, u' ');
            out = start + column.length;
        }
    }
    return true;
}

int32_t rowLength(const CheckedQuery::Output* outputs, size_t count)
{
    int32_t length = 0;
    for (size_t i = 0; i < count; ++i)
        length += outputs[i].length + (outputs[i].field.type == datasets::HostText ? 1 : 0);
    return length;
}

void bindParameters(Statement& st, const CheckedQuery& q)
{
    for (size_t i = 0; i < q.parameters.size(); ++i) {
        const query::KeyValue& v = q.parameters[i];
        if (v.isNumber)
            st.bind(int(i + 1), v.number);
        else  // stored texts carry no padding
            st.bind(int(i + 1), trimBlanks(v.text));
    }
}

// The rows of one scan of a matched join, each its run of the row laid out.
struct ScannedRows {
    std::u16string block;
    std::vector<size_t> ends;
    std::vector<int64_t> key, rowid, order;
    std::vector<bool> fits;
};

constexpr int32_t kReadAsSql = 1;

// One scan; kReadAsSql for a value the scan cannot order by.
int32_t scan(sqlite3* db, const CheckedQuery& q, const CheckedQuery::JoinScan& js, bool withOrder, ScannedRows& rows)
{
    CachedStatement st(db, js.sql);
    bindParameters(*st, q);
    sqlite3_stmt* const h = st->handle();
    const CheckedQuery::Output* const outputs = q.columns.data() + js.firstColumn;
    const size_t room = size_t(rowLength(outputs, js.columnCount));
    const int after = int(js.columnCount);
    while (st->step()) {
        if (sqlite3_column_type(h, after + 1) != SQLITE_INTEGER
            || (withOrder && sqlite3_column_type(h, after + 2) != SQLITE_INTEGER))
            return kReadAsSql;
        const int64_t key = sqlite3_column_int64(h, after + 1);
        if (!rows.key.empty() && key <= rows.key.back())
            return kReadAsSql;
        rows.key.push_back(key);
        rows.rowid.push_back(sqlite3_column_int64(h, after));
        if (withOrder)
            rows.order.push_back(sqlite3_column_int64(h, after + 2));
        const size_t start = rows.block.size();
        rows.block.resize(start + room);
        char16_t* out = rows.block.data() + start;
        rows.fits.push_back(writeColumns(h, 0, outputs, js.columnCount, out));
        rows.block.resize(size_t(out - rows.block.data()));
        rows.ends.push_back(rows.block.size());
    }
    return 0;
}

// The rows of a matched join as its sql would give them; kReadAsSql when they cannot
// be read so.
int32_t readMatched(sqlite3* db, const CheckedQuery& q, QueryCursor& cursor)
{
    const CheckedQuery::MatchedJoin& m = *q.matched;
    ScannedRows sides[2];
    for (int t = 0; t < 2; ++t)
        if (const int32_t r = scan(db, q, m.scans[t], m.orderTable == t, sides[t]); r != 0)
            return r;
    struct Pair {
        size_t row[2];
        int64_t order;
    };
    std::vector<Pair> pairs;
    for (size_t i = 0, j = 0; i < sides[0].key.size() && j < sides[1].key.size();) {
        if (sides[0].key[i] < sides[1].key[j]) {
            ++i;
        } else if (sides[1].key[j] < sides[0].key[i]) {
            ++j;
        } else {
            pairs.push_back({{i, j}, m.orderTable < 0 ? 0 : sides[m.orderTable].order[m.orderTable == 0 ? i : j]});
            ++i, ++j;
        }
    }
    std::sort(pairs.begin(), pairs.end(), [&](const Pair& a, const Pair& b) {
        if (a.order != b.order)
            return a.order < b.order;
        if (sides[0].rowid[a.row[0]] != sides[0].rowid[b.row[0]])
            return sides[0].rowid[a.row[0]] < sides[0].rowid[b.row[0]];
        return sides[1].rowid[a.row[1]] < sides[1].rowid[b.row[1]];
    });
    const int firstSide = m.scans[0].firstColumn <= m.scans[1].firstColumn ? 0 : 1;
    std::u16string& block = cursor.block;
    // Made at its size: grown row by row, a block of thousands of rows is copied over and over.
    size_t size = block.size();
    for (const Pair& p : pairs)
        for (int t = 0; t < 2; ++t) {
            const ScannedRows& side = sides[t];
            const size_t r = p.row[t];
            size += side.ends[r] - (r == 0 ? 0 : side.ends[r - 1]);
        }
    block.reserve(size);
    cursor.rowEnds.reserve(cursor.rowEnds.size() + pairs.size());
    for (const Pair& p : pairs) {
        for (const int t : {firstSide, 1 - firstSide}) {
            const ScannedRows& side = sides[t];
            const size_t r = p.row[t];
            if (!side.fits[r])
                return kQueryValueTooWide;
            const size_t from = r == 0 ? 0 : side.ends[r - 1];
            block.append(side.block, from, side.ends[r] - from);
        }
        cursor.rowEnds.push_back(block.size());
    }
    return 0;
}

// The rows of a query, one after the other in cursor.block, each laid out in full
// widths except that a host-text field ends at its Chr(1) right after its text.
int32_t readRows(sqlite3* db, const CheckedQuery& q, QueryCursor& cursor)
{
    if (q.matched) {
        const int32_t r = readMatched(db, q, cursor);
        if (r != kReadAsSql)
            return r;
        cursor.block.clear();
        cursor.rowEnds.clear();
    }
    CachedStatement st(db, q.sql);
    bindParameters(*st, q);
    sqlite3_stmt* const h = st->handle();
    std::u16string& block = cursor.block;
    while (st->step()) {
        // Room for the row in full widths; host texts make it shorter.
        const size_t rowStart = block.size();
        block.resize(rowStart + size_t(q.rowLength));
        char16_t* out = block.data() + rowStart;
        if (!writeColumns(h, 0, q.columns.data(), q.columns.size(), out))
            return kQueryValueTooWide;
        block.resize(size_t(out - block.data()));
        cursor.rowEnds.push_back(block.size());
    }
    return 0;
}

} // namespace

FetchAnswer fetchQuery(sqlite3* db, int64_t objectSet, int64_t queryId, int64_t mode, int64_t rows,
                       const QString& buffer)
{
    HostSession& s = hostSession(db);
    auto it = queryId >= 1 && queryId <= INT32_MAX ? s.queries.find(int32_t(queryId)) : s.queries.end();
    if (it == s.queries.end() || it->second.objectSet != objectSet)
        return {kQueryUnknown, buffer};
    QueryCursor& c = it->second;
    if (!c.query)
        return {kQuerySyntaxError, buffer};
    if ((mode != 1 && mode != 2) || (mode == 2 && !c.started) || rows < 1 || rows > buffer.size()
        || rows * c.query->rowLength > buffer.size())
        return {kQueryBadFetch, buffer};
    if (mode == 1) {
        c.block.clear();
        c.rowEnds.clear();
        c.next = 0;
        c.started = true;
        c.failure = readRows(db, *c.query, c);
    }
    if (c.failure != 0)
        return {c.failure, buffer};
    // The block's rows lie one after the other: the answer is one piece of it.
    const size_t count = std::min(size_t(rows), c.rowEnds.size() - c.next);
    const size_t from = c.next == 0 ? 0 : c.rowEnds[c.next - 1];
    const size_t to = count == 0 ? from : c.rowEnds[c.next + count - 1];
    c.next += count;
    QString out(std::max(buffer.size(), qsizetype(to - from)), Qt::Uninitialized);
    char16_t* const begin = reinterpret_cast<char16_t*>(out.data());
    std::fill(std::copy(c.block.data() + from, c.block.data() + to, begin), begin + out.size(), u' ');
    // Done with the rows once they are all handed out.
    if (c.next == c.rowEnds.size()) {
        c.block = std::u16string();
        c.rowEnds = std::vector<size_t>();
        c.next = 0;
    }
    return {int32_t(count), out};
}

int32_t closeQuery(sqlite3* db, int64_t objectSet, int64_t queryId)
{
    HostSession& s = hostSession(db);
    auto it = queryId >= 1 && queryId <= INT32_MAX ? s.queries.find(int32_t(queryId)) : s.queries.end();
    if (it == s.queries.end() || it->second.objectSet != objectSet)
        return kQueryUnknown;
    s.queries.erase(it);
    return 0;
}

} // namespace host
