#include "update_set.h"

#include "host_database.h"
#include "host_error.h"
#include "host_transaction.h"
#include "query_engine.h"
#include "sqlite_util.h"

#include <sqlite3.h>

#include <limits>
#include <map>

namespace host {

namespace updateset {

namespace {

bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

bool isNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_';
}

struct Malformed {
    QString reason;
};

class DesignScanner {
public:
    explicit DesignScanner(const QString& text) : text_(text) {}

    void skipBlanks()
    {
        while (pos_ < text_.size() && text_[pos_] == QLatin1Char(' '))
            ++pos_;
    }
    bool atEnd()
    {
        skipBlanks();
        return pos_ >= text_.size();
    }

    DesignValue item()
    {
        skipBlanks();
        DesignValue v;
        if (pos_ < text_.size() && text_[pos_] == QLatin1Char('"')) {
            ++pos_;
            for (;;) {
                if (pos_ >= text_.size())
                    fail(QStringLiteral("unterminated text"));
                const QChar c = text_[pos_++];
                if (c != QLatin1Char('"')) {
                    v.text += c;
                } else if (pos_ < text_.size() && text_[pos_] == QLatin1Char('"')) {
                    v.text += c;
                    ++pos_;
                } else {
                    return v;
                }
            }
        }
        const bool negative = pos_ < text_.size() && text_[pos_] == QLatin1Char('-');
        if (negative)
            ++pos_;
        if (pos_ >= text_.size() || !isDigit(text_[pos_]))
            fail(QStringLiteral("a quoted text or a number expected"));
        constexpr int64_t low = std::numeric_limits<int64_t>::min();
        int64_t n = 0;  // negative while read, so the lowest value fits
        while (pos_ < text_.size() && isDigit(text_[pos_])) {
            const int digit = text_[pos_++].unicode() - '0';
            if (n < (low + digit) / 10)
                fail(QStringLiteral("number too large"));
            n = n * 10 - digit;
        }
        if (!negative && n == low)
            fail(QStringLiteral("number too large"));
        v.isNumber = true;
        v.number = negative ? n : -n;
        return v;
    }

    void separator()
    {
        skipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != QLatin1Char(','))
            fail(QStringLiteral("\",\" expected"));
        ++pos_;
    }

    [[noreturn]] void fail(const QString& why) const
    {
        throw Malformed{QStringLiteral("%1 at %2 of [%3]").arg(why).arg(pos_ + 1).arg(text_)};
    }

private:
    const QString& text_;
    qsizetype pos_ = 0;
};

// An upper-case kind's text goes on where the prefix stops: nothing, or ", ...".
bool continuesPrefix(const QString& rest)
{
    for (QChar c : rest) {
        if (c != QLatin1Char(' '))
            return c == QLatin1Char(',');
    }
    return true;
}

} // namespace

std::optional<std::vector<DesignPair>> parseDesignText(const QString& text, QString* error)
{
    try {
        DesignScanner s(text);
        std::vector<DesignValue> items;
        if (!s.atEnd()) {
            items.push_back(s.item());
            while (!s.atEnd()) {
                s.separator();
                items.push_back(s.item());
            }
        }
        if (items.size() % 2 != 0)
            throw Malformed{QStringLiteral("a name without a value in [%1]").arg(text)};
        std::vector<DesignPair> pairs;
        for (size_t i = 0; i < items.size(); i += 2) {
            const DesignValue& name = items[i];
            bool ok = !name.isNumber && !name.text.isEmpty();
            for (QChar c : name.text)
                ok = ok && isNameChar(c);
            if (!ok)
                throw Malformed{QStringLiteral("item %1 of [%2] is not a column name").arg(i + 1).arg(text)};
            pairs.push_back({name.text, items[i + 1]});
        }
        return pairs;
    } catch (const Malformed& m) {
        if (error)
            *error = m.reason;
        return std::nullopt;
    }
}

std::optional<std::vector<SetRecord>> parseSetText(const QString& text, std::optional<QString>& prefix,
                                                   QString* error)
{
    auto fail = [&](qsizetype at, const QString& why) {
        if (error)
            *error = QStringLiteral("set record at %1: %2").arg(at + 1).arg(why);
        return std::nullopt;
    };
    auto digits = [&](qsizetype at) {
        int n = 0;
        for (qsizetype i = at; i < at + 3; ++i) {
            if (!isDigit(text[i]))
                return -1;
            n = n * 10 + (text[i].unicode() - '0');
        }
        return n;
    };

    std::optional<QString> current = prefix;
    std::vector<SetRecord> records;
    qsizetype pos = 0;
    while (pos < text.size()) {
        if (text.size() - pos < 10)
            return fail(pos, QStringLiteral("head cut short"));
        const QChar kind = text[pos];
        const int first = digits(pos + 1);
        const int second = digits(pos + 4);
        const int objectSet = digits(pos + 7);
        if (first < 0 || second < 0 || objectSet < 0)
            return fail(pos, QStringLiteral("lengths and object set must be three digits"));
        int length = 0;
        switch (kind.unicode()) {
        case 'f':
        case 'I':
        case 'i':
        case 'D':
        case 'd':
            if (second != 0)
                return fail(pos, QStringLiteral("kind %1 has one length").arg(kind));
            length = first;
            break;
        case 'V':
        case 'v':
            if (first > second)
                return fail(pos, QStringLiteral("key longer than its record"));
            length = second;
            break;
        case 'u':
            length = first + second;
            break;
        default:
            return fail(pos, QStringLiteral("unknown kind \"%1\"").arg(kind));
        }
        if (text.size() - pos - 10 < length)
            return fail(pos, QStringLiteral("text cut short"));
        const QString body = text.mid(pos + 10, length);
        const qsizetype at = pos;
        pos += 10 + length;

        if (kind == QLatin1Char('f')) {
            QString why;
            if (!parseDesignText(body, &why))
                return fail(at, why);
            current = body;
            continue;
        }
        const bool upper = kind.isUpper();
        if (upper && !current)
            return fail(at, QStringLiteral("kind %1 without a prefix").arg(kind));
        const QString head = upper ? *current : QString();

        SetRecord r;
        r.kind = kind;
        r.objectSet = objectSet;
        switch (kind.unicode()) {
        case 'I':
        case 'i':
            if (upper && !continuesPrefix(body))
                return fail(at, QStringLiteral("text does not go on from the prefix"));
            r.action = Action::Insert;
            r.record = head + body;
            break;
        case 'D':
        case 'd':
            if (upper && !continuesPrefix(body))
                return fail(at, QStringLiteral("text does not go on from the prefix"));
            r.action = Action::Delete;
            r.key = head + body;
            break;
        case 'V':
        case 'v':
            if ((upper && !continuesPrefix(body)) || !continuesPrefix(body.mid(first)))
                return fail(at, QStringLiteral("record does not go on from its key"));
            r.action = Action::Update;
            r.key = head + body.left(first);
            r.record = head + body;
            break;
        default:  // 'u'
            r.action = Action::Update;
            r.key = body.left(first);
            r.record = body.mid(first);
            break;
        }
        records.push_back(std::move(r));
    }
    prefix = current;
    return records;
}

const std::vector<WritableTable>& writableTables()
{
    static const std::vector<WritableTable> tables = [] {
        const std::vector<QString> form = {QStringLiteral("clan"), QStringLiteral("cpac"), QStringLiteral("vers"),
                                           QStringLiteral("rele"), QStringLiteral("cust"), QStringLiteral("cmod"),
                                           QStringLiteral("cfrm")};
        auto formAnd = [&](const char* last) {
            std::vector<QString> key = form;
            key.push_back(QString::fromLatin1(last));
            return key;
        };
        return std::vector<WritableTable>{
            {QStringLiteral("qxzrn315"), formAnd("grpi")},
            {QStringLiteral("qxzrn301"), formAnd("sequ")},
            {QStringLiteral("qxzrn302"), formAnd("sequ")},
            {QStringLiteral("qxzrn308"), formAnd("sequ")},
            {QStringLiteral("qxzrn316"), formAnd("sern")},
            // A field's documentation in every language at once.
            {QStringLiteral("qxzrn150"),
             {QStringLiteral("cpac"), QStringLiteral("vers"), QStringLiteral("rele"), QStringLiteral("cust"),
              QStringLiteral("ktex"), QStringLiteral("rkey"), QStringLiteral("hdre")}},
        };
    }();
    return tables;
}

} // namespace updateset

// ---- Applying a part ----------------------------------------------------------------------

namespace {

using updateset::Action;
using updateset::DesignPair;
using updateset::DesignValue;
using updateset::SetRecord;
using updateset::WritableTable;

struct SetFailure {
    int32_t code;
    QString reason;
};

// A value as it goes into its column: texts without their padding, numbers in
// integer columns only.
struct ColumnValue {
    bool isNumber = false;
    QString text;
    int64_t number = 0;
    bool operator==(const ColumnValue&) const = default;
};

QString quoteName(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

class SetApplier {
public:
    explicit SetApplier(sqlite3* db) : db_(db) {}

    void apply(const SetRecord& r)
    {
        const std::optional<QString> table = objectSetTable(db_, r.objectSet);
        if (!table)
            throw SetFailure{kSetUnknownTable, QStringLiteral("object set %1 is not open").arg(r.objectSet)};
        const WritableTable* target = nullptr;
        for (const WritableTable& w : updateset::writableTables())
            if (w.table == *table)
                target = &w;
        if (!target)
            throw SetFailure{kSetUnknownTable, QStringLiteral("%1 is not written by update sets").arg(*table)};
        const std::vector<TableColumn>& columns = columnsOf(*table);

        switch (r.action) {
        case Action::Insert: {
            const Values record = values(*table, columns, r.record);
            for (const QString& k : target->keyColumns)
                if (!record.contains(k))
                    throw SetFailure{kSetBadColumn, QStringLiteral("insert into %1 without %2").arg(*table, k)};
            insert(*table, record);
            break;
        }
        case Action::Delete: {
            const Values key = keyValues(*target, columns, r.key);
            Statement& st = statement(QStringLiteral("DELETE FROM %1 WHERE %2").arg(quoteName(*table), where(key, 1)));
            bindAll(st, key, 1);
            run(st);
            break;
        }
        case Action::Update:
            update(*target, columns, r);
            break;
        }
    }

private:
    using Values = std::map<QString, ColumnValue>;  // column -> value

    const std::vector<TableColumn>& columnsOf(const QString& table)
    {
        auto it = columns_.find(table);
        if (it == columns_.end()) {
            std::optional<std::vector<TableColumn>> c = tableColumns(db_, table);
            if (!c)
                throw SetFailure{kSetUnknownTable, QStringLiteral("no table %1").arg(table)};
            it = columns_.emplace(table, std::move(*c)).first;
        }
        return it->second;
    }

    static Values values(const QString& table, const std::vector<TableColumn>& columns, const QString& text)
    {
        QString why;
        const std::optional<std::vector<DesignPair>> pairs = updateset::parseDesignText(text, &why);
        if (!pairs)
            throw SetFailure{kSetMalformed, why};
        if (pairs->empty())
            throw SetFailure{kSetMalformed, QStringLiteral("empty design text")};
        Values out;
        for (const DesignPair& p : *pairs) {
            const TableColumn* column = nullptr;
            for (const TableColumn& c : columns)
                if (c.name == p.name)
                    column = &c;
            if (!column)
                throw SetFailure{kSetBadColumn, QStringLiteral("%1 has no column %2").arg(table, p.name)};
            ColumnValue v;
            if (column->integer) {
                if (!p.value.isNumber)
                    throw SetFailure{kSetBadColumn, QStringLiteral("%1.%2 takes a number, not \"%3\"")
                                                        .arg(table, p.name, p.value.text)};
                v.isNumber = true;
                v.number = p.value.number;
            } else {
                v.text = p.value.isNumber ? QString::number(p.value.number) : trimBlanks(p.value.text);
            }
            if (!out.emplace(p.name, v).second)
                throw SetFailure{kSetBadColumn, QStringLiteral("%1 named twice").arg(p.name)};
        }
        return out;
    }

    // A key names exactly the table's key columns, so it means one row.
    static Values keyValues(const WritableTable& target, const std::vector<TableColumn>& columns, const QString& text)
    {
        Values key = values(target.table, columns, text);
        bool exact = key.size() == target.keyColumns.size();
        for (const QString& k : target.keyColumns)
            exact = exact && key.contains(k);
        if (!exact)
            throw SetFailure{kSetBadColumn, QStringLiteral("[%1] is not a key of %2").arg(text, target.table)};
        return key;
    }

    void update(const WritableTable& target, const std::vector<TableColumn>& columns, const SetRecord& r)
    {
        const Values key = keyValues(target, columns, r.key);
        const Values record = values(target.table, columns, r.record);
        Values changes;
        for (const auto& [name, value] : record) {
            auto k = key.find(name);
            if (k == key.end())
                changes.emplace(name, value);
            else if (!(k->second == value))  // a row keeps its key
                throw SetFailure{kSetBadColumn, QStringLiteral("record of %1 changes key column %2")
                                                    .arg(target.table, name)};
        }
        bool found = false;
        if (changes.empty()) {
            Statement& st = statement(QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(quoteName(target.table),
                                                                                      where(key, 1)));
            bindAll(st, key, 1);
            try {
                found = st.step();
                st.reset();
            } catch (const SqliteError& e) {
                throw SetFailure{kSetRefused, e.message()};
            }
        } else {
            QStringList set;
            int n = 1;
            for (const auto& [name, value] : changes)
                set << QStringLiteral("%1 = ?%2").arg(quoteName(name)).arg(n++);
            Statement& st = statement(QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                          .arg(quoteName(target.table), set.join(QStringLiteral(", ")),
                                               where(key, n)));
            bindAll(st, changes, 1);
            bindAll(st, key, n);
            run(st);
            found = sqlite3_changes(db_) > 0;
        }
        // An update of a row the host does not hold yet stores it.
        if (!found) {
            Values row = key;
            row.insert(changes.begin(), changes.end());
            insert(target.table, row);
        }
    }

    void insert(const QString& table, const Values& row)
    {
        QStringList names;
        QStringList marks;
        int n = 1;
        for (const auto& [name, value] : row) {
            names << quoteName(name);
            marks << QStringLiteral("?%1").arg(n++);
        }
        Statement& st = statement(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(quoteName(table), names.join(QStringLiteral(", ")),
                                           marks.join(QStringLiteral(", "))));
        bindAll(st, row, 1);
        run(st);
    }

    static QString where(const Values& key, int firstParameter)
    {
        QStringList terms;
        int n = firstParameter;
        for (const auto& [name, value] : key)
            terms << QStringLiteral("%1 = ?%2").arg(quoteName(name)).arg(n++);
        return terms.join(QStringLiteral(" AND "));
    }

    static void bindAll(Statement& st, const Values& values, int firstParameter)
    {
        int n = firstParameter;
        for (const auto& [name, value] : values) {
            if (value.isNumber)
                st.bind(n++, value.number);
            else
                st.bind(n++, value.text);
        }
    }

    Statement& statement(const QString& sql)
    {
        auto it = statements_.find(sql);
        if (it == statements_.end()) {
            try {
                it = statements_.emplace(sql, Statement(db_, sql)).first;
            } catch (const SqliteError& e) {
                throw SetFailure{kSetRefused, e.message()};
            }
        } else {
            it->second.reset();
        }
        return it->second;
    }

    static void run(Statement& st)
    {
        try {
            st.exec();
            st.reset();
        } catch (const SqliteError& e) {
            throw SetFailure{kSetRefused, e.message()};
        }
    }

    sqlite3* db_;
    std::map<QString, std::vector<TableColumn>> columns_;
    std::map<QString, Statement> statements_;  // by SQL text, reused within the part
};

int32_t failPart(HostDatabase& db, HostSession& session, const SetFailure& f, QString* error)
{
    // All or nothing: the parts sent before this one go as well.
    try {
        abortHostTransaction(db);
    } catch (const HostError&) {
        // A rollback that fails has nothing left to undo; the connection ends it.
    }
    session.setPrefix.reset();
    session.lastSetError = f.reason;
    if (error)
        *error = f.reason;
    return f.code;
}

} // namespace

int32_t applyUpdateSetPart(HostDatabase& db, const QString& text, int64_t mode, QString* error)
{
    HostSession& session = hostSession(db.handle());
    // Every part of a set joins one transaction; none open means a new set begins,
    // whatever prefix the last one left.
    if (!hostTransactionOpen(db))
        session.setPrefix.reset();
    try {
        if (mode != 0 && mode != 1)
            throw SetFailure{kSetMalformed, QStringLiteral("mode %1 is neither 0 nor 1").arg(mode)};
        std::optional<QString> prefix = session.setPrefix;
        QString why;
        const std::optional<std::vector<SetRecord>> records = updateset::parseSetText(text, prefix, &why);
        if (!records)
            throw SetFailure{kSetMalformed, why};
        joinHostTransaction(db);
        {
            SetApplier applier(db.handle());
            for (const SetRecord& r : *records)
                applier.apply(r);
        }
        if (mode == 1) {
            try {
                commitHostTransaction(db);
            } catch (const SqliteError& e) {  // a deferred constraint
                throw SetFailure{kSetRefused, e.message()};
            }
            session.setPrefix.reset();
        } else {
            session.setPrefix = prefix;
        }
        session.lastSetError.clear();
        if (error)
            error->clear();
        return 0;
    } catch (const SetFailure& f) {
        return failPart(db, session, f, error);
    } catch (const HostError& e) {
        return failPart(db, session, SetFailure{kSetRefused, e.message()}, error);
    }
}

} // namespace host
