#include "update_set.h"

#include "call_text.h"
#include "host_database.h"
#include "host_error.h"
#include "host_transaction.h"
#include "query_engine.h"
#include "sqlite_util.h"

#include <QStringList>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <string>

namespace host {

namespace updateset {

namespace {

bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

bool isNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '_';
}

// An item of a design text as it stands in the text: a quoted item keeps its doubled
// quotes, so reading a text takes no copies.
struct Item {
    QStringView text;  // between the quotes
    int64_t number = 0;
    bool isNumber = false;
    bool doubled = false;  // text holds doubled quotes
};

struct ScanFailure {
    QString why;
    qsizetype at = 0;
};

// Reads from one blank-free position to the next: the blanks after each step are passed
// over by that step, so each is looked at once.
class DesignScanner {
public:
    explicit DesignScanner(QStringView text) : begin_(text.data()), p_(begin_), end_(begin_ + text.size())
    {
        skipBlanks();
    }

    bool atEnd() const { return p_ >= end_; }

    bool item(Item& v)
    {
        v = Item();
        const bool read = readItem(v);
        if (read)
            skipBlanks();
        return read;
    }

    bool separator()
    {
        if (p_ >= end_ || *p_ != QLatin1Char(','))
            return fail("\",\" expected");
        ++p_;
        skipBlanks();
        return true;
    }

    ScanFailure failure() const { return {QString::fromLatin1(why_), at_}; }

private:
    void skipBlanks()
    {
        while (p_ < end_ && *p_ == QLatin1Char(' '))
            ++p_;
    }

    bool readItem(Item& v)
    {
        if (p_ < end_ && *p_ == QLatin1Char('"')) {
            const QChar* const first = ++p_;
            for (;;) {
                p_ = calltext::findQuote(p_, end_);
                if (p_ >= end_)
                    return fail("unterminated text");
                if (p_ + 1 < end_ && p_[1] == QLatin1Char('"')) {
                    v.doubled = true;
                    p_ += 2;
                    continue;
                }
                v.text = QStringView(first, p_);
                ++p_;
                return true;
            }
        }
        const bool negative = p_ < end_ && *p_ == QLatin1Char('-');
        if (negative)
            ++p_;
        if (p_ >= end_ || !isDigit(*p_))
            return fail("a quoted text or a number expected");
        constexpr int64_t low = std::numeric_limits<int64_t>::min();
        int64_t n = 0;  // negative while read, so the lowest value fits
        while (p_ < end_ && isDigit(*p_)) {
            const int digit = p_->unicode() - '0';
            ++p_;
            if (n < (low + digit) / 10)
                return fail("number too large");
            n = n * 10 - digit;
        }
        if (!negative && n == low)
            return fail("number too large");
        v.isNumber = true;
        v.number = negative ? n : -n;
        return true;
    }

    // Only the reason's address is kept here: the text is made once, for the caller.
    bool fail(const char* why)
    {
        why_ = why;
        at_ = p_ - begin_;
        return false;
    }

    const QChar* begin_;
    const QChar* p_;
    const QChar* end_;
    const char* why_ = "";
    qsizetype at_ = 0;
};

// Appends the items of text. continuing: the text goes on from items read before,
// so each of its items follows a ",".
bool scanItems(QStringView text, bool continuing, std::vector<Item>& items, ScanFailure* failure = nullptr)
{
    DesignScanner s(text);
    // Each item is read where it is kept: a copy read back at once would stall.
    bool ok = true;
    for (bool first = !continuing; ok && !s.atEnd(); first = false) {
        if (!first && !s.separator()) {
            ok = false;
        } else if (!s.item(items.emplace_back())) {
            items.pop_back();
            ok = false;
        }
    }
    if (!ok && failure)
        *failure = s.failure();
    return ok;
}

// The position (0-based) of the first item from `from` (a name's) that cannot name a
// column, or -1.
qsizetype badName(const std::vector<Item>& items, size_t from = 0)
{
    for (size_t i = from; i < items.size(); i += 2) {
        const Item& name = items[i];
        bool ok = !name.isNumber && !name.doubled && !name.text.isEmpty();
        for (QChar c : name.text)
            ok = ok && isNameChar(c);
        if (!ok)
            return qsizetype(i);
    }
    return -1;
}

// Doubled quotes made single.
QString undouble(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == QLatin1Char('"'))
            ++i;  // its double
    }
    return out;
}

QString textOf(const Item& item) { return item.doubled ? undouble(item.text) : item.text.toString(); }

// An upper-case kind's text goes on where the prefix stops: nothing, or ", ...".
bool continuesPrefix(QStringView rest)
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
    auto fail = [&](const QString& why) -> std::optional<std::vector<DesignPair>> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    std::vector<Item> items;
    ScanFailure f;
    if (!scanItems(text, false, items, &f))
        return fail(QStringLiteral("%1 at %2 of [%3]").arg(f.why).arg(f.at + 1).arg(text));
    if (items.size() % 2 != 0)
        return fail(QStringLiteral("a name without a value in [%1]").arg(text));
    if (const qsizetype bad = badName(items); bad >= 0)
        return fail(QStringLiteral("item %1 of [%2] is not a column name").arg(bad + 1).arg(text));
    std::vector<DesignPair> pairs;
    pairs.reserve(items.size() / 2);
    for (size_t i = 0; i < items.size(); i += 2) {
        const Item& value = items[i + 1];
        pairs.push_back({items[i].text.toString(), {value.isNumber, textOf(value), value.number}});
    }
    return pairs;
}

namespace {

// A set record as it stands in the part: its texts are the head (the prefix in force,
// for the upper-case kinds) followed by a piece of the part.
struct RecordView {
    Action action = Action::Insert;
    QChar kind;
    int objectSet = 0;
    int head = -1;  // index into the heads of the part; -1: none
    QStringView key;
    QStringView record;
};

// heads: the prefix in force before the part (if any), then the texts of its "f"
// records, which the views of the records may name.
bool scanSetText(const QString& text, std::optional<QString>& prefix, std::vector<QString>& heads,
                 std::vector<RecordView>& records, QString* error)
{
    auto fail = [&](qsizetype at, const QString& why) {
        if (error)
            *error = QStringLiteral("set record at %1: %2").arg(at + 1).arg(why);
        return false;
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

    heads.clear();
    records.clear();
    int current = -1;
    if (prefix) {
        heads.push_back(*prefix);
        current = 0;
    }
    const QStringView all(text);
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
        const QStringView body = all.mid(pos + 10, length);
        const qsizetype at = pos;
        pos += 10 + length;

        if (kind == QLatin1Char('f')) {
            const QString head = body.toString();
            QString why;
            if (!parseDesignText(head, &why))
                return fail(at, why);
            heads.push_back(head);
            current = int(heads.size()) - 1;
            continue;
        }
        const bool upper = kind.isUpper();
        if (upper && current < 0)
            return fail(at, QStringLiteral("kind %1 without a prefix").arg(kind));

        RecordView r;
        r.kind = kind;
        r.objectSet = objectSet;
        r.head = upper ? current : -1;
        switch (kind.unicode()) {
        case 'I':
        case 'i':
            if (upper && !continuesPrefix(body))
                return fail(at, QStringLiteral("text does not go on from the prefix"));
            r.action = Action::Insert;
            r.record = body;
            break;
        case 'D':
        case 'd':
            if (upper && !continuesPrefix(body))
                return fail(at, QStringLiteral("text does not go on from the prefix"));
            r.action = Action::Delete;
            r.key = body;
            break;
        case 'V':
        case 'v':
            if ((upper && !continuesPrefix(body)) || !continuesPrefix(body.mid(first)))
                return fail(at, QStringLiteral("record does not go on from its key"));
            r.action = Action::Update;
            r.key = body.left(first);
            r.record = body;
            break;
        default:  // 'u'
            r.action = Action::Update;
            r.key = body.left(first);
            r.record = body.mid(first);
            break;
        }
        records.push_back(r);
    }
    if (current >= 0)
        prefix = heads[size_t(current)];
    else
        prefix.reset();
    return true;
}

} // namespace

std::optional<std::vector<SetRecord>> parseSetText(const QString& text, std::optional<QString>& prefix,
                                                   QString* error)
{
    std::optional<QString> current = prefix;
    std::vector<QString> heads;
    std::vector<RecordView> views;
    if (!scanSetText(text, current, heads, views, error))
        return std::nullopt;
    auto whole = [&](int head, QStringView piece) {
        QString t = head >= 0 ? heads[size_t(head)] : QString();
        t += piece;
        return t;
    };
    std::vector<SetRecord> records;
    records.reserve(views.size());
    for (const RecordView& v : views) {
        SetRecord r;
        r.action = v.action;
        r.kind = v.kind;
        r.objectSet = v.objectSet;
        if (v.action != Action::Insert)
            r.key = whole(v.head, v.key);
        if (v.action != Action::Delete)
            r.record = whole(v.head, v.record);
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

// What the parts of one set share, so that no part reads a table's columns or prepares
// a statement an earlier part already did. A set writes a few tables with the same few
// column lists over and over.
struct UpdateSetCache {
    struct Table {
        int index = 0;  // in tables
        QString name;
        const updateset::WritableTable* target = nullptr;
        std::vector<TableColumn> columns;
        std::vector<int> keyColumns;  // target's key columns as indexes of columns; -1: missing
        std::vector<bool> nameable;   // by column: a design text can name it
        std::vector<int> hints;       // the column last named at each pair position

        // The rows of one key prefix (every key column but the last) by the value of the
        // last, so that a record names its row by rowid instead of a search of the key's
        // index. Read in one scan, and kept while nothing but the set's own statements,
        // which keep it up to date, changes a row on the connection. Only for a key that
        // is the whole primary key and ends in a column of whole numbers.
        bool rowsByKey = false;
        struct KeyPart {
            bool isNumber = false;
            int64_t number = 0;
            QString text;
        };
        // Rowids by the value of the last key column, kept in the order of the values:
        // made in one piece from a scan, and let go in one piece.
        class Rowids {
        public:
            // The rows of a scan, in any order; the first of a value counts.
            void read(std::vector<std::pair<int64_t, int64_t>>& rows)
            {
                std::stable_sort(rows.begin(), rows.end(),
                                 [](const auto& a, const auto& b) { return a.first < b.first; });
                entries_.clear();
                for (const auto& [key, rowid] : rows)
                    if (entries_.empty() || entries_.back().key != key)
                        entries_.push_back({key, rowid, true});
            }
            const int64_t* find(int64_t key)
            {
                const Entry* e = entry(key);
                return e && e->there ? &e->rowid : nullptr;
            }
            void set(int64_t key, int64_t rowid)
            {
                if (Entry* e = entry(key))
                    *e = {key, rowid, true};
                else
                    entries_.insert(position(key), {key, rowid, true});
            }
            // A row deleted keeps its place, marked gone: a set may delete thousands.
            void erase(int64_t key)
            {
                if (Entry* e = entry(key))
                    e->there = false;
            }

        private:
            struct Entry {
                int64_t key;
                int64_t rowid;
                bool there;
            };
            std::vector<Entry>::iterator position(int64_t key)
            {
                return std::lower_bound(entries_.begin(), entries_.end(), key,
                                        [](const Entry& e, int64_t k) { return e.key < k; });
            }
            Entry* entry(int64_t key)
            {
                const auto it = position(key);
                return it != entries_.end() && it->key == key ? &*it : nullptr;
            }
            std::vector<Entry> entries_;
        };
        struct KnownRows {
            bool loaded = false;
            std::vector<KeyPart> prefix;
            Rowids rowids;
            int64_t changes = 0;  // the connection's count of changed rows they stand for
        } known;
    };
    std::vector<std::unique_ptr<Table>> tables;
    // By what the statement does, to which table, with which columns (SetApplier::statement).
    std::map<std::vector<int>, Statement> statements;
    // The statements used last, looked through before the map: the records of a set take
    // turns between a few.
    struct Recent {
        std::vector<int> signature;
        Statement* statement = nullptr;
    };
    std::array<Recent, 8> recent;
    size_t nextRecent = 0;
};

namespace {

using updateset::Action;
using updateset::Item;
using updateset::RecordView;
using updateset::WritableTable;
using Table = UpdateSetCache::Table;

struct SetFailure {
    int32_t code;
    QString reason;
};

// The answer to a statement SQLite refused: what the editor can tell the user in words.
int32_t answerFor(const SqliteError& e)
{
    switch (e.sqliteCode() & 0xff) {
    // Still locked by another connection when the wait ran out: the set was sound, only
    // not written.
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return kSetBusy;
    // A file, or a folder for the journal or the log, that this user may not write.
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return kSetCannotWrite;
    case SQLITE_FULL:
        return kSetDiskFull;
    case SQLITE_IOERR:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return kSetDiskError;
    default:
        return kSetRefused;
    }
}

// A value as it goes into its column: texts without their padding, numbers in
// integer columns only.
struct ColumnValue {
    int column = 0;  // index in the table's columns
    bool isNumber = false;
    int64_t number = 0;
    QStringView text;
};

bool sameValue(const ColumnValue& a, const ColumnValue& b)
{
    return a.isNumber == b.isNumber && a.number == b.number && a.text == b.text;
}

QStringView withoutBlanks(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' '))
        ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

QString quoteName(const QString& name) { return QLatin1Char('"') + name + QLatin1Char('"'); }

// Whether the n characters from a and from b are the same; column names, of four to
// eight characters mostly, are compared in two loads each.
bool sameChars(const QChar* a, const QChar* b, qsizetype n)
{
    if (n < 4 || n > 8)
        return std::equal(a, a + n, b);
    uint64_t head[2];
    uint64_t tail[2];
    std::memcpy(&head[0], a, sizeof head[0]);
    std::memcpy(&head[1], b, sizeof head[1]);
    std::memcpy(&tail[0], a + n - 4, sizeof tail[0]);
    std::memcpy(&tail[1], b + n - 4, sizeof tail[1]);
    return head[0] == head[1] && tail[0] == tail[1];
}

// The columns a design text named, by column: whether and where among the values.
class Marks {
public:
    void start(size_t columns)
    {
        if (marks_.size() < columns)
            marks_.resize(columns);
        if (++serial_ == 0) {  // wrapped: old marks could pass for new ones
            std::fill(marks_.begin(), marks_.end(), Mark());
            serial_ = 1;
        }
    }
    bool has(int column) const { return column >= 0 && marks_[size_t(column)].serial == serial_; }
    int at(int column) const { return marks_[size_t(column)].at; }
    void mark(int column, int at) { marks_[size_t(column)] = {serial_, at}; }

private:
    struct Mark {
        unsigned serial = 0;
        int at = 0;
    };
    std::vector<Mark> marks_;
    unsigned serial_ = 0;
};

class SetApplier {
public:
    SetApplier(sqlite3* db, const HostSession& session, UpdateSetCache& cache, const std::vector<QString>& heads)
        : db_(db), session_(session), cache_(cache), heads_(heads), headItems_(heads.size())
    {
        // Room for the records of a design table at once: a part holds a few of them.
        items_.reserve(128);
        for (std::vector<ColumnValue>* values : {&key_, &record_, &changes_})
            values->reserve(64);
        signature_.reserve(136);
    }

    void apply(const RecordView& r)
    {
        scratch_.clear();
        // The object sets stay as they are while a part is applied: the records of one
        // object set, which follow one another, look up its table once.
        if (r.objectSet != lastObjectSet_ || !lastTable_) {
            const auto open = r.objectSet >= 1 && r.objectSet <= kMaxObjectSet ? session_.objectSets.find(r.objectSet)
                                                                               : session_.objectSets.end();
            if (open == session_.objectSets.end())
                throw SetFailure{kSetUnknownTable, QStringLiteral("object set %1 is not open").arg(r.objectSet)};
            lastTable_ = &table(open->second);
            lastObjectSet_ = r.objectSet;
        }
        Table& t = *lastTable_;

        switch (r.action) {
        case Action::Insert:
            values(t, r.head, r.record, record_, recordMarks_);
            for (size_t k = 0; k < t.keyColumns.size(); ++k)
                if (!recordMarks_.has(t.keyColumns[k]))
                    throw SetFailure{kSetBadColumn, QStringLiteral("insert into %1 without %2")
                                                        .arg(t.name, t.target->keyColumns[k])};
            insert(t, record_, {}, record_, recordMarks_);
            break;
        case Action::Delete: {
            keyValues(t, r);
            int64_t rowid = 0;
            const Known row = knownRow(t, rowid);
            if (row == Known::Found) {
                Statement& st = statement(DeleteRow, t, {}, {});
                st.bind(1, rowid);
                run(st);
            } else if (row == Known::No) {
                Statement& st = statement(Delete, t, {}, key_);
                bind(st, key_, 1);
                run(st);
            }
            // A row that is not there is not deleted.
            if (row == Known::Found)
                t.known.rowids.erase(lastKey(t, key_, keyMarks_));
            break;
        }
        case Action::Update:
            update(t, r);
            break;
        }
    }

private:
    enum Kind { Delete, Exists, Update, Insert, Rows, UpdateRow, DeleteRow };

    Table& table(const QString& name)
    {
        for (const std::unique_ptr<Table>& t : cache_.tables)
            if (t->name == name)
                return *t;
        const WritableTable* target = nullptr;
        for (const WritableTable& w : updateset::writableTables())
            if (w.table == name)
                target = &w;
        if (!target)
            throw SetFailure{kSetUnknownTable, QStringLiteral("%1 is not written by update sets").arg(name)};
        std::optional<std::vector<TableColumn>> columns = tableColumns(db_, name);
        if (!columns)
            throw SetFailure{kSetUnknownTable, QStringLiteral("no table %1").arg(name)};
        auto t = std::make_unique<Table>();
        t->index = int(cache_.tables.size());
        t->name = name;
        t->target = target;
        t->columns = std::move(*columns);
        for (const TableColumn& c : t->columns) {
            bool ok = !c.name.isEmpty();
            for (const QChar ch : c.name)
                ok = ok && updateset::isNameChar(ch);
            t->nameable.push_back(ok);
        }
        for (const QString& k : target->keyColumns) {
            int found = -1;
            for (size_t c = 0; c < t->columns.size(); ++c)
                if (t->columns[c].name == k)
                    found = int(c);
            t->keyColumns.push_back(found);
        }
        int primaryKey = 0;
        for (const TableColumn& c : t->columns)
            primaryKey += c.primaryKey > 0 ? 1 : 0;
        t->rowsByKey = primaryKey == int(t->keyColumns.size()) && !t->keyColumns.empty();
        for (size_t k = 0; t->rowsByKey && k < t->keyColumns.size(); ++k)
            t->rowsByKey = t->keyColumns[k] >= 0 && t->columns[size_t(t->keyColumns[k])].primaryKey == int(k) + 1;
        t->rowsByKey = t->rowsByKey && t->columns[size_t(t->keyColumns.back())].integer;
        cache_.tables.push_back(std::move(t));
        return *cache_.tables.back();
    }

    // The column of the pair at position pair of a design text: the editor names the
    // columns of a table in the same order each time.
    static int column(Table& t, size_t pair, QStringView name)
    {
        if (pair < t.hints.size()) {
            const int hint = t.hints[pair];
            // Compared in place: names are a few characters, met for every pair of a set.
            if (hint >= 0) {
                const QString& known = t.columns[size_t(hint)].name;
                if (known.size() == name.size() && sameChars(known.constData(), name.data(), name.size()))
                    return hint;
            }
        } else {
            t.hints.resize(pair + 1, -1);
        }
        int found = -1;
        for (size_t c = 0; c < t.columns.size(); ++c)
            if (t.columns[c].name == name)
                found = int(c);
        t.hints[pair] = found;
        return found;
    }

    // nullptr for a head that cannot be read (a head is read before it is kept) or whose
    // names cannot be column names; its names are checked here once.
    const std::vector<Item>* headItems(int head)
    {
        std::optional<std::vector<Item>>& items = headItems_[size_t(head)];
        if (!items) {
            std::vector<Item> read;
            if (!updateset::scanItems(heads_[size_t(head)], false, read) || read.size() % 2 != 0
                || updateset::badName(read) >= 0)
                return nullptr;
            items = std::move(read);
        }
        return &*items;
    }

    QString whole(int head, QStringView piece) const
    {
        QString text = head >= 0 ? heads_[size_t(head)] : QString();
        text += piece;
        return text;
    }

    [[noreturn]] void malformed(int head, QStringView piece) const
    {
        // Read in pieces a text reads as it does whole; whole, it says why it cannot be.
        const QString text = whole(head, piece);
        QString why;
        if (!updateset::parseDesignText(text, &why))
            throw SetFailure{kSetMalformed, why};
        throw SetFailure{kSetMalformed, QStringLiteral("design text [%1] misread").arg(text)};
    }

    // The values of a design text (head, then piece), in its order.
    void values(Table& t, int head, QStringView piece, std::vector<ColumnValue>& out, Marks& marks)
    {
        items_.clear();
        const HeadValues* known = head >= 0 ? headValues(t, head) : nullptr;
        bool continuing = known != nullptr;
        if (head >= 0 && !known) {
            const std::vector<Item>* h = headItems(head);
            if (!h)
                malformed(head, piece);
            items_.assign(h->begin(), h->end());
            continuing = !items_.empty();
        }
        const size_t fromHead = items_.size();
        if (!updateset::scanItems(piece, continuing, items_) || items_.size() % 2 != 0)
            malformed(head, piece);
        if (items_.empty() && !known)
            throw SetFailure{kSetMalformed, QStringLiteral("empty design text")};
        out.clear();
        marks.start(t.columns.size());
        size_t pairBase = 0;
        if (known) {
            for (const ColumnValue& v : known->values) {
                marks.mark(v.column, int(out.size()));
                out.push_back(v);
            }
            pairBase = known->values.size();
        }
        readPairs(t, items_, pairBase, fromHead, head, piece, out, marks, scratch_);
    }

    // The pairs of items as values of t's columns, after those out holds already; the
    // pair numbers count on from pairBase. Texts made here are kept in kept.
    void readPairs(Table& t, const std::vector<Item>& items, size_t pairBase, size_t namesFrom, int head,
                   QStringView piece, std::vector<ColumnValue>& out, Marks& marks, std::vector<QString>& kept)
    {
        // A text that is not well formed says so before anything else is wrong with it;
        // its names need a look of their own only where one is not a column's own name.
        bool namesChecked = false;
        const auto checkNames = [&] {
            if (!namesChecked && updateset::badName(items, namesFrom) >= 0)
                malformed(head, piece);
            namesChecked = true;
        };
        const auto refuse = [&](const QString& why) {
            checkNames();
            throw SetFailure{kSetBadColumn, why};
        };
        const auto keep = [&kept](QString text) -> QStringView {
            kept.push_back(std::move(text));
            return kept.back();
        };
        for (size_t i = 0; i < items.size(); i += 2) {
            const QStringView name = items[i].text;
            const Item& value = items[i + 1];
            const int c = column(t, pairBase + i / 2, name);
            if (c < 0 || items[i].doubled || items[i].isNumber || !t.nameable[size_t(c)])
                checkNames();
            if (c < 0)
                refuse(QStringLiteral("%1 has no column %2").arg(t.name, name.toString()));
            ColumnValue v;
            v.column = c;
            if (t.columns[size_t(c)].integer) {
                if (!value.isNumber)
                    refuse(QStringLiteral("%1.%2 takes a number, not \"%3\"")
                               .arg(t.name, name.toString(), updateset::textOf(value)));
                v.isNumber = true;
                v.number = value.number;
            } else if (value.isNumber) {
                v.text = keep(QString::number(value.number));
            } else {
                v.text = withoutBlanks(value.doubled ? keep(updateset::undouble(value.text)) : value.text);
            }
            if (marks.has(c))
                refuse(QStringLiteral("%1 named twice").arg(name.toString()));
            marks.mark(c, int(out.size()));
            out.push_back(v);
        }
    }

    // The values of a head as the records of t that go on from it read them, made once
    // for the part: its records share the head. nullptr for a head without values or
    // with any the table refuses, which its records then read afresh.
    struct HeadValues {
        bool made = false;
        std::vector<ColumnValue> values;
        std::vector<QString> kept;  // texts the values point into
    };
    const HeadValues* headValues(Table& t, int head)
    {
        if (headValues_.size() <= size_t(head))
            headValues_.resize(size_t(head) + 1);
        std::vector<HeadValues>& byTable = headValues_[size_t(head)];
        if (byTable.size() <= size_t(t.index))
            byTable.resize(size_t(t.index) + 1);
        HeadValues& hv = byTable[size_t(t.index)];
        if (!hv.made) {
            hv.made = true;
            const std::vector<Item>* h = headItems(head);
            if (h && !h->empty()) {
                Marks marks;
                marks.start(t.columns.size());
                try {
                    readPairs(t, *h, 0, 0, head, {}, hv.values, marks, hv.kept);
                } catch (const SetFailure&) {
                    hv.values.clear();
                }
            }
        }
        return hv.values.empty() ? nullptr : &hv;
    }

    // A key names exactly the table's key columns, so it means one row.
    void keyValues(Table& t, const RecordView& r)
    {
        values(t, r.head, r.key, key_, keyMarks_);
        bool exact = key_.size() == t.keyColumns.size();
        for (int k : t.keyColumns)
            exact = exact && keyMarks_.has(k);
        if (!exact)
            throw SetFailure{kSetBadColumn,
                             QStringLiteral("[%1] is not a key of %2").arg(whole(r.head, r.key), t.name)};
    }

    // The values of a record that starts with its key, which keyValues read: the key's,
    // then those of the rest, read on from them. The key ends where an item does, since
    // the rest goes on from it with a ",".
    void valuesAfterKey(Table& t, const RecordView& r)
    {
        items_.clear();
        if (!updateset::scanItems(r.record.mid(r.key.size()), true, items_) || items_.size() % 2 != 0)
            malformed(r.head, r.record);
        record_.assign(key_.begin(), key_.end());
        recordMarks_.start(t.columns.size());
        for (size_t i = 0; i < record_.size(); ++i)
            recordMarks_.mark(record_[i].column, int(i));
        readPairs(t, items_, key_.size(), 0, r.head, r.record, record_, recordMarks_, scratch_);
    }

    void update(Table& t, const RecordView& r)
    {
        keyValues(t, r);
        if ((r.kind == QLatin1Char('v') || r.kind == QLatin1Char('V')) && !key_.empty())
            valuesAfterKey(t, r);
        else
            values(t, r.head, r.record, record_, recordMarks_);
        changes_.clear();
        const QString* changedKey = nullptr;  // a row keeps its key; named first by name order
        for (const ColumnValue& v : record_) {
            if (!keyMarks_.has(v.column)) {
                changes_.push_back(v);
            } else if (!sameValue(key_[size_t(keyMarks_.at(v.column))], v)) {
                const QString& name = t.columns[size_t(v.column)].name;
                if (!changedKey || name < *changedKey)
                    changedKey = &name;
            }
        }
        if (changedKey)
            throw SetFailure{kSetBadColumn,
                             QStringLiteral("record of %1 changes key column %2").arg(t.name, *changedKey)};
        int64_t rowid = 0;
        const Known row = knownRow(t, rowid);
        bool found = row == Known::Found;
        if (row == Known::No && changes_.empty()) {
            Statement& st = statement(Exists, t, {}, key_);
            bind(st, key_, 1);
            try {
                found = st.step();
                st.reset();
            } catch (const SqliteError& e) {
                throw SetFailure{answerFor(e), e.message()};
            }
        } else if (row == Known::No) {
            Statement& st = statement(Update, t, changes_, key_);
            bind(st, changes_, 1);
            bind(st, key_, int(changes_.size()) + 1);
            run(st);
            found = sqlite3_changes(db_) > 0;
        } else if (found && !changes_.empty()) {
            Statement& st = statement(UpdateRow, t, changes_, {});
            bind(st, changes_, 1);
            st.bind(int(changes_.size()) + 1, rowid);
            run(st);
        }
        // An update of a row the host does not hold yet stores it.
        if (!found)
            insert(t, key_, changes_, key_, keyMarks_);
    }

    // keyOf and its marks hold the new row's key.
    void insert(Table& t, const std::vector<ColumnValue>& first, const std::vector<ColumnValue>& second,
                const std::vector<ColumnValue>& keyOf, const Marks& keyMarks)
    {
        Statement& st = statement(Insert, t, first, second);
        bind(st, first, 1);
        bind(st, second, int(first.size()) + 1);
        run(st);
        if (t.known.loaded && samePrefix(t, keyOf, keyMarks))
            t.known.rowids.set(lastKey(t, keyOf, keyMarks), sqlite3_last_insert_rowid(db_));
    }

    // ---- Rows known by key ----

    enum class Known { No, Missing, Found };

    const ColumnValue& keyPart(const Table& t, size_t k, const std::vector<ColumnValue>& values,
                               const Marks& marks) const
    {
        return values[size_t(marks.at(t.keyColumns[k]))];
    }
    int64_t lastKey(const Table& t, const std::vector<ColumnValue>& values, const Marks& marks) const
    {
        return keyPart(t, t.keyColumns.size() - 1, values, marks).number;
    }
    bool samePrefix(const Table& t, const std::vector<ColumnValue>& values, const Marks& marks) const
    {
        const std::vector<Table::KeyPart>& prefix = t.known.prefix;
        for (size_t k = 0; k + 1 < t.keyColumns.size(); ++k) {
            const ColumnValue& v = keyPart(t, k, values, marks);
            if (v.isNumber != prefix[k].isNumber || (v.isNumber ? v.number != prefix[k].number : v.text != prefix[k].text))
                return false;
        }
        return true;
    }

    // Whether the row key_ names is there and its rowid, from the rows of its prefix;
    // Known::No when the table's rows are not known by key.
    Known knownRow(Table& t, int64_t& rowid)
    {
        if (!t.rowsByKey)
            return Known::No;
        Table::KnownRows& known = t.known;
        if (!known.loaded || known.changes != sqlite3_total_changes64(db_) || !samePrefix(t, key_, keyMarks_))
            readRows(t);
        const int64_t* const found = known.rowids.find(lastKey(t, key_, keyMarks_));
        if (!found)
            return Known::Missing;
        rowid = *found;
        return Known::Found;
    }

    // The rows of key_'s prefix. A last key column holding anything but a whole number
    // is never the one a record names.
    void readRows(Table& t)
    {
        Table::KnownRows& known = t.known;
        known = Table::KnownRows();
        prefix_.clear();
        for (size_t k = 0; k + 1 < t.keyColumns.size(); ++k)
            prefix_.push_back(keyPart(t, k, key_, keyMarks_));
        Statement& st = statement(Rows, t, {}, prefix_);
        bind(st, prefix_, 1);
        rows_.clear();
        try {
            while (st.step())
                if (sqlite3_column_type(st.handle(), 1) == SQLITE_INTEGER)
                    rows_.emplace_back(sqlite3_column_int64(st.handle(), 1), sqlite3_column_int64(st.handle(), 0));
            st.reset();
        } catch (const SqliteError& e) {
            throw SetFailure{answerFor(e), e.message()};
        }
        known.rowids.read(rows_);
        for (const ColumnValue& v : prefix_)
            known.prefix.push_back({v.isNumber, v.number, v.text.toString()});
        known.changes = sqlite3_total_changes64(db_);
        known.loaded = true;
    }


    // The statement that does kind to table t with the columns of a (set, or inserted)
    // and b (the key, or inserted after a); its parameters are their values in order.
    Statement& statement(Kind kind, const Table& t, const std::vector<ColumnValue>& a,
                         const std::vector<ColumnValue>& b)
    {
        signature_.clear();
        signature_.push_back(kind);
        signature_.push_back(t.index);
        for (const std::vector<ColumnValue>* values : {&a, &b}) {
            signature_.push_back(int(values->size()));
            for (const ColumnValue& v : *values)
                signature_.push_back(v.column);
        }
        for (const UpdateSetCache::Recent& r : cache_.recent)
            if (r.statement && r.signature == signature_)
                return *r.statement;
        auto it = cache_.statements.find(signature_);
        if (it != cache_.statements.end())
            return remember(it->second);

        auto terms = [&](const std::vector<ColumnValue>& values, int n, const char* separator) {
            QStringList out;
            for (const ColumnValue& v : values)
                out << QStringLiteral("%1 = ?%2").arg(quoteName(t.columns[size_t(v.column)].name)).arg(n++);
            return out.join(QLatin1String(separator));
        };
        QString sql;
        switch (kind) {
        case Delete:
            sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(quoteName(t.name), terms(b, 1, " AND "));
            break;
        case DeleteRow:
            sql = QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(quoteName(t.name));
            break;
        case Rows:
            sql = QStringLiteral("SELECT rowid, %1 FROM %2 WHERE %3")
                      .arg(quoteName(t.columns[size_t(t.keyColumns.back())].name), quoteName(t.name),
                           terms(b, 1, " AND "));
            break;
        case UpdateRow:
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                      .arg(quoteName(t.name), terms(a, 1, ", "))
                      .arg(a.size() + 1);
            break;
        case Exists:
            sql = QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(quoteName(t.name), terms(b, 1, " AND "));
            break;
        case Update:
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                      .arg(quoteName(t.name), terms(a, 1, ", "), terms(b, int(a.size()) + 1, " AND "));
            break;
        case Insert: {
            QStringList names;
            QStringList marks;
            int n = 1;
            for (const std::vector<ColumnValue>* values : {&a, &b}) {
                for (const ColumnValue& v : *values) {
                    names << quoteName(t.columns[size_t(v.column)].name);
                    marks << QStringLiteral("?%1").arg(n++);
                }
            }
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(quoteName(t.name), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
            break;
        }
        }
        try {
            it = cache_.statements.emplace(signature_, Statement(db_, sql)).first;
        } catch (const SqliteError& e) {
            throw SetFailure{answerFor(e), e.message()};
        }
        return remember(it->second);
    }

    // The statement of signature_, kept among the recent ones in place of the oldest.
    Statement& remember(Statement& st)
    {
        UpdateSetCache::Recent& r = cache_.recent[cache_.nextRecent];
        cache_.nextRecent = (cache_.nextRecent + 1) % cache_.recent.size();
        r.signature = signature_;
        r.statement = &st;
        return st;
    }

    void bind(Statement& st, const std::vector<ColumnValue>& values, int first)
    {
        int n = first;
        for (const ColumnValue& v : values) {
            if (v.isNumber)
                st.bind(n++, v.number);
            else
                bindText(st, n++, v.text);
        }
    }

    // As Statement::bind, without a QString of each value and without SQLite's copy: the
    // parameter's own buffer stays as it is until the statement has run and is reset.
    void bindText(Statement& st, int n, QStringView text)
    {
        if (utf8_.size() < size_t(n))
            utf8_.resize(size_t(n));
        std::string& utf8 = utf8_[size_t(n - 1)];
        utf8.resize(size_t(text.size()));
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t u = text[i].unicode();
            if (u >= 0x80) {
                const QByteArray bytes = text.toUtf8();
                utf8.assign(bytes.constData(), size_t(bytes.size()));
                break;
            }
            utf8[size_t(i)] = char(u);
        }
        const int rc = sqlite3_bind_text(st.handle(), n, utf8.data(), int(utf8.size()), SQLITE_STATIC);
        if (rc != SQLITE_OK)
            throw SqliteError(rc, QStringLiteral("bind failed: %1").arg(lastError(db_)));
    }

    // Runs a statement of the set. The known rows of every table stay known when it
    // changed no row but its own: the one its caller then accounts for.
    void run(Statement& st)
    {
        const int64_t before = sqlite3_total_changes64(db_);
        try {
            st.exec();
            st.reset();
        } catch (const SqliteError& e) {
            throw SetFailure{answerFor(e), e.message()};
        }
        const int64_t after = sqlite3_total_changes64(db_);
        if (after - before != sqlite3_changes64(db_))
            return;
        for (const std::unique_ptr<Table>& t : cache_.tables)
            if (t->known.loaded && t->known.changes == before)
                t->known.changes = after;
    }

    sqlite3* db_;
    const HostSession& session_;
    UpdateSetCache& cache_;
    const std::vector<QString>& heads_;
    std::vector<std::optional<std::vector<Item>>> headItems_;  // read when first needed
    std::vector<std::vector<HeadValues>> headValues_;          // by head, then table

    // Working space of a record, kept for the next.
    std::vector<Item> items_;
    std::vector<ColumnValue> key_, record_, changes_, prefix_;
    Marks keyMarks_, recordMarks_;
    std::vector<QString> scratch_;  // texts the values point into that the part does not hold
    std::vector<int> signature_;
    int lastObjectSet_ = 0;
    Table* lastTable_ = nullptr;                     // of lastObjectSet_
    std::vector<std::pair<int64_t, int64_t>> rows_;  // a scan of known rows: value, rowid
    std::deque<std::string> utf8_;  // by parameter number; growing moves none
};

int32_t failPart(HostDatabase& db, HostSession& session, const SetFailure& f, QString* error)
{
    session.setCache.reset();
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
    // whatever prefix and cache the last one left.
    if (!hostTransactionOpen(db)) {
        session.setPrefix.reset();
        session.setCache.reset();
    }
    try {
        if (mode != 0 && mode != 1)
            throw SetFailure{kSetMalformed, QStringLiteral("mode %1 is neither 0 nor 1").arg(mode)};
        std::optional<QString> prefix = session.setPrefix;
        QString why;
        std::vector<QString> heads;
        std::vector<RecordView> records;
        if (!updateset::scanSetText(text, prefix, heads, records, &why))
            throw SetFailure{kSetMalformed, why};
        joinHostTransaction(db);
        if (!session.setCache)
            session.setCache = std::make_shared<UpdateSetCache>();
        {
            SetApplier applier(db.handle(), session, *session.setCache, heads);
            for (const RecordView& r : records)
                applier.apply(r);
        }
        if (db.busyGaveUp())
            throw SetFailure{kSetBusy,
                             QStringLiteral("another program holds the database; the part could not be written")};
        if (mode == 1) {
            session.setCache.reset();
            try {
                commitHostTransaction(db);
            } catch (const SqliteError& e) {  // a deferred constraint, or readers of a journal
                throw SetFailure{answerFor(e), e.message()};
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
    } catch (const SqliteError& e) {
        return failPart(db, session, SetFailure{answerFor(e), e.message()}, error);
    } catch (const HostError& e) {
        return failPart(db, session, SetFailure{kSetRefused, e.message()}, error);
    }
}

} // namespace host
