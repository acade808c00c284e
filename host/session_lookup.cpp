#include "session_lookup.h"

#include "data_sets.h"
#include "sqlite_util.h"

#include <QRegularExpression>

namespace host {

namespace {

// Columns shown beside the key: what names or describes a row.
const char* const kDescribing[] = {"pacd", "cdom", "clab", "desc", "mess"};

struct Caption {
    const char* code;
    const char* text;
};
const Caption kCaptions[] = {
    {"clan", "Language"}, {"cpac", "Package"}, {"cmod", "Module"},     {"cfrm", "Form"},   {"vers", "Version"},
    {"rele", "Release"},  {"cust", "Customer"}, {"clab", "Label"},     {"lhgt", "Height"}, {"leng", "Length"},
    {"desc", "Description"}, {"pacd", "Domain package"}, {"cdom", "Domain"}, {"cmes", "Message"}, {"mess", "Text"},
    {"cses", "Session"},  {"cmen", "Menu"},     {"parm", "Parameter"}, {"flno", "Table"},  {"fdnm", "Field"},
    {"cprs", "Script"},
};

QString captionOf(const QString& code)
{
    for (const Caption& c : kCaptions)
        if (code == QLatin1String(c.code))
            return QLatin1String(c.text);
    return code;
}

bool isDescribing(const QString& code)
{
    for (const char* d : kDescribing)
        if (code == QLatin1String(d))
            return true;
    return false;
}

struct Column {
    QString name;
    bool key = false;
};

QList<Column> columnsOf(sqlite3* db, const QString& table)
{
    Statement st(db, QStringLiteral("SELECT name, pk FROM pragma_table_info(?1) ORDER BY cid"));
    st.bind(1, table);
    QList<Column> columns;
    while (st.step())
        columns.append({st.text(0), st.int64(1) > 0});
    return columns;
}

// The key fields a start record holds: the fixed fields before its first host text,
// by code, those left blank out.
QList<std::pair<QString, QString>> startKey(const datasets::DataSetLayout& set, const QString& record,
                                            int32_t bytesPerChar)
{
    QList<std::pair<QString, QString>> key;
    int at = 0;
    for (const datasets::FieldLayout& f : set.fields) {
        if (f.type != datasets::Fixed)
            break;
        const int width = datasets::fieldLength(f, bytesPerChar);
        const QString value = trimBlanks(record.mid(at, width));
        if (!value.isEmpty())
            key.append({f.code, value});
        at += width;
    }
    return key;
}

// A key number is written "+" and zero-padded digits.
bool sameValue(const QString& key, const QString& value)
{
    if (key == value)
        return true;
    if (!key.startsWith(QLatin1Char('+')))
        return false;
    bool keyNumber = false, valueNumber = false;
    const qlonglong k = key.mid(1).toLongLong(&keyNumber);
    const qlonglong v = value.toLongLong(&valueNumber);
    return keyNumber && valueNumber && k == v;
}

int startRow(const LookUpTable& t, const QList<std::pair<QString, QString>>& key)
{
    int best = -1;
    int bestMatched = 0;
    for (int r = 0; r < t.values.size(); ++r) {
        int matched = 0;
        while (matched < key.size() && sameValue(key[matched].second, t.values[r].value(key[matched].first)))
            ++matched;
        if (matched > bestMatched) {
            best = r;
            bestMatched = matched;
        }
    }
    return best;
}

} // namespace

std::optional<LookUpTable> lookUpTable(sqlite3* db, const QString& table, const QString& startRecord,
                                       int32_t bytesPerChar)
{
    // Only a plain table name reaches the SQL text, and only one of a data set.
    static const QRegularExpression kPlainName(QStringLiteral("^[a-z][a-z0-9_]*$"));
    const datasets::DataSetLayout* set = datasets::findLayout(table);
    if (!set || set->fields.empty() || !kPlainName.match(table).hasMatch())
        return std::nullopt;
    const QList<Column> columns = columnsOf(db, table);
    if (columns.isEmpty())
        return std::nullopt;

    LookUpTable t;
    t.table = table;
    QStringList selected, order, shown;
    for (const Column& c : columns) {
        selected << c.name;
        if (c.key)
            order << c.name;
        if (c.key || isDescribing(c.name)) {
            shown << c.name;
            t.captions << captionOf(c.name);
        }
    }
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(selected.join(QStringLiteral(", ")), table);
    if (!order.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
    Statement st(db, sql);
    while (st.step()) {
        QHash<QString, QString> row;
        for (int i = 0; i < selected.size(); ++i)
            row.insert(selected[i], trimBlanks(st.text(i)));
        QStringList line;
        for (const QString& code : shown)
            line << row.value(code);
        t.rows.append(line);
        t.values.append(row);
    }
    t.start = startRow(t, startKey(*set, startRecord, bytesPerChar));
    return t;
}

QString lookUpRecord(const LookUpTable& t, int row, const QString& fieldList, int32_t bytesPerChar)
{
    const datasets::DataSetLayout* set = datasets::findLayout(t.table);
    if (!set || row < 0 || row >= t.values.size())
        return QString();
    QStringList codes;
    for (const QString& code : fieldList.split(QLatin1Char(',')))
        if (!code.trimmed().isEmpty())
            codes << code.trimmed();
    datasets::RecordBuilder builder(*set, bytesPerChar);
    for (const datasets::FieldLayout& f : set->fields)
        if (codes.isEmpty() || codes.contains(f.code))
            builder.set(f.code, t.values[row].value(f.code));
    return builder.record();
}

} // namespace host
