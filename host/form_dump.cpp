#include "form_dump.h"

#include "sqlite_util.h"

#include <QScopeGuard>
#include <QStringList>

#include <sqlite3.h>

namespace host {

namespace {

struct DumpedTable {
    const char* name;
    const char* order;  // the row number the lines are sorted by
    bool designKey;     // keyed by the whole form identity; else a documentation table
};

constexpr DumpedTable kTables[] = {
    {"qxzrn300", "cfrm", true}, {"qxzrn315", "grpi", true}, {"qxzrn301", "sequ", true},
    {"qxzrn308", "sequ", true}, {"qxzrn302", "sequ", true}, {"qxzrn316", "sern", true},
    {"qxzrn150", "rkey, ktex, hdre", false},
};

const QStringList kIdentityColumns = {QStringLiteral("clan"), QStringLiteral("cpac"), QStringLiteral("vers"),
                                      QStringLiteral("rele"), QStringLiteral("cust"), QStringLiteral("cmod"),
                                      QStringLiteral("cfrm")};

QStringList columnsOf(sqlite3* db, const QString& table)
{
    QStringList columns;
    // Table names come from the fixed list above, not from outside.
    Statement info(db, QStringLiteral("PRAGMA table_info(%1)").arg(table));
    while (info.step()) {
        const QString name = info.text(1);
        if (!kIdentityColumns.contains(name))
            columns.append(name);
    }
    return columns;
}

QString cell(const Statement& st, int column)
{
    switch (sqlite3_column_type(st.handle(), column)) {
    case SQLITE_NULL:
        return QStringLiteral("NULL");
    case SQLITE_INTEGER:
        return QString::number(st.int64(column));
    case SQLITE_FLOAT:
        return QString::number(sqlite3_column_double(st.handle(), column), 'g', 17);
    case SQLITE_BLOB:
        return QStringLiteral("x'%1'").arg(QString::fromLatin1(
            QByteArray(static_cast<const char*>(sqlite3_column_blob(st.handle(), column)),
                       sqlite3_column_bytes(st.handle(), column)).toHex()));
    default:
        return dumpValue(st.text(column));
    }
}

} // namespace

QString dumpValue(const QString& text)
{
    bool plain = !text.isEmpty() && text != QLatin1String("NULL");
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('"') || c == QLatin1Char('=') || c.unicode() < 0x20) {
            plain = false;
            break;
        }
    }
    if (plain)
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString dumpForm(sqlite3* db, const FormIdentity& form, QString* error)
{
    QStringList lines;
    const auto collect = [&lines](const QString& line) { lines.append(line); };
    if (!dumpFormLines(db, form, collect, error))
        return QString();
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool dumpFormLines(sqlite3* db, const FormIdentity& form, const std::function<void(const QString&)>& line,
                   QString* error)
{
    const FormIdentity f = form.trimmed();
    int rows = 0;
    // A savepoint begins a read transaction, or nests in the caller's; it writes nothing,
    // so its release only ends it.
    execScript(db, QStringLiteral("SAVEPOINT dump"));
    const auto release = qScopeGuard([db] { sqlite3_exec(db, "RELEASE dump", nullptr, nullptr, nullptr); });
    for (const DumpedTable& table : kTables) {
        const QString name = QLatin1String(table.name);
        const QStringList columns = columnsOf(db, name);
        QString where;
        if (table.designKey) {
            where = QStringLiteral("clan = ?1 AND cpac = ?2 AND vers = ?3 AND rele = ?4 AND cust = ?5 "
                                   "AND cmod = ?6 AND cfrm = ?7");
        } else {
            // Documentation rows name the module and the form code padded to 9 in rkey.
            where = QStringLiteral("clan = ?1 AND cpac = ?2 AND vers = ?3 AND rele = ?4 AND cust = ?5 "
                                   "AND substr(rkey, 1, 12) = substr(?6 || '   ', 1, 3) || substr(?7 || '         ', 1, 9)");
        }
        Statement st(db, QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
                             .arg(columns.join(QStringLiteral(", ")), name, where, QLatin1String(table.order)));
        st.bind(1, f.language).bind(2, f.package).bind(3, f.version).bind(4, f.release);
        st.bind(5, f.customer).bind(6, f.module).bind(7, f.formCode);
        while (st.step()) {
            if (rows++ == 0)
                line(QStringLiteral("form ") + f.text());
            QStringList items{name};
            for (int i = 0; i < columns.size(); ++i)
                items.append(columns.at(i) + QLatin1Char('=') + cell(st, i));
            line(items.join(QLatin1Char(' ')));
        }
    }
    if (rows == 0 && error)
        *error = QStringLiteral("the database holds no row of the form %1").arg(f.text());
    return rows > 0;
}

} // namespace host
