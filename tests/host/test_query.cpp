// Object sets and remote queries of the local host, driven through their call texts
// the way the editor sends them. (Joins and the order column are checked through the
// editor's load of the demo forms, in core/test_load.)
#include "call_text.h"
#include "data_sets.h"
#include "host_database.h"
#include "local_host.h"
#include "query_engine.h"
#include "query_parser.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"

#include <QTemporaryDir>
#include <sqlite3.h>

namespace {

std::string s(const QString& q) { return q.toStdString(); }

// The form key of the small demo form, its values padded to their widths as the editor holds them.
QString formKey(const char* table)
{
    return QStringLiteral("%1._index1 = {'2','te','7.6 ','a3','dev ','kwy','simpled'}").arg(QLatin1String(table));
}

// Width of a field of a data set, in a buffer of one byte per character.
int32_t width(const char* set, const char* code)
{
    for (const datasets::FieldLayout& f : datasets::findLayout(QString::fromLatin1(set))->fields)
        if (f.code == QLatin1String(code))
            return datasets::fieldLength(f, 1);
    return 0;
}

struct Fetched {
    int64_t value = 0;
    QString buffer;
};

class QueryFunctions : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        host::resetHostSessions();
        db = openDatabase();
        ASSERT_TRUE(db);
        app = createHost();
    }

    int32_t run(const QString& callText)
    {
        int32_t n = 0;
        app->executeFunction(QStringLiteral("oqxsammain"), callText, n);
        return app->vrokError();
    }
    int64_t value(const QString& callText)
    {
        EXPECT_EQ(run(callText), 0) << s(callText) << ": " << s(dynamic_cast<host::LocalHost&>(*app).errorText());
        return app->returnValue().toLongLong();
    }
    int64_t openSet(const char* table)
    {
        return value(QStringLiteral("am_open_object_set(\"%1\")").arg(QLatin1String(table)));
    }
    int64_t define(int64_t set, const QString& select, const QString& from, const QString& where,
                   const QString& order = QString())
    {
        return value(QStringLiteral("am_define_full_query(%1,%2,%3,%4,%5)").arg(set).arg(
            calltext::quote(select), calltext::quote(from), calltext::quote(where), calltext::quote(order)));
    }
    Fetched fetch(int64_t set, int64_t id, int mode, int rows, qsizetype length)
    {
        const QString blanks = calltext::quote(QString(length, u' '));
        const int64_t answer = value(
            QStringLiteral("am_query_fetch(%1,%2,%3,%4,0,%5)").arg(set).arg(id).arg(mode).arg(rows).arg(blanks));
        return {answer, calltext::parse(app->returnCall()).value_or(calltext::Call{}).arg(6).text()};
    }

    // What a crafted query must not change.
    QString fingerprint()
    {
        return queryRows(db->handle(), QStringLiteral("SELECT (SELECT count(*) FROM sqlite_master),"
                                                      " (SELECT count(*) FROM qxzrn301), (SELECT count(*) FROM qxzrn315),"
                                                      " (SELECT group_concat(value) FROM host_meta)")).value(0);
    }

    std::unique_ptr<host::HostDatabase> db;
    std::unique_ptr<VrokApplication> app;
};

} // namespace

TEST_F(QueryFunctions, ObjectSetsTakeTheLowestFreeNumberUpTo999AndClosingOneEndsItsQueries)
{
    const int64_t set = openSet("qxzrn301");
    EXPECT_EQ(set, 1);
    EXPECT_EQ(openSet("qxzrn315"), 2);
    const QString select = QStringLiteral("qxzrn315.grpi"), from = QStringLiteral("qxzrn315");
    const int64_t id = define(set, select, from, formKey("qxzrn315"));
    ASSERT_GE(id, 1);
    EXPECT_EQ(fetch(set, id, 1, 10, 40).value, 1);
    EXPECT_EQ(value(QStringLiteral("am_close_object_set(1)")), 0);
    EXPECT_EQ(value(QStringLiteral("am_close_object_set(1)")), host::kQueryUnknown);
    EXPECT_EQ(fetch(set, id, 1, 10, 40).value, host::kQueryUnknown);
    EXPECT_EQ(value(QStringLiteral("am_query_close(%1,%2)").arg(set).arg(id)), host::kQueryUnknown);
    EXPECT_EQ(define(set, select, from, QString()), host::kQueryUnknown);
    EXPECT_EQ(openSet("qxzrn308"), 1);

    for (int n = 3; n <= host::kMaxObjectSet; ++n)
        ASSERT_EQ(openSet("qxzrn302"), n);
    // A fourth digit would not fit the set records.
    EXPECT_NE(run(QStringLiteral("am_open_object_set(\"qxzrn302\")")), 0);
    EXPECT_NE(run(QStringLiteral("am_open_object_set(\"nosuchtab\")")), 0);
    EXPECT_EQ(value(QStringLiteral("am_close_object_set(1000)")), host::kQueryUnknown);
}

TEST_F(QueryFunctions, TableFieldsByTheSecondIndexInNumberOrder)
{
    // Numbers running against the stored order show that the order column counts.
    db->exec(QStringLiteral("UPDATE qxzrn422 SET fdno = 1000 - fdno"));
    const int64_t set = openSet("qxzrn301");
    const int64_t id = define(set, QStringLiteral("qxzrn422.fdnm"), QStringLiteral("qxzrn422"),
                              QStringLiteral("qxzrn422._index2 = {'te','kwy','001','7.6 ','a3','dev '}"),
                              QStringLiteral("qxzrn422.fdno"));
    const int32_t fdnm = width("qxzrn422", "fdnm");
    const QStringList expected = queryRows(db->handle(), QStringLiteral(
        "SELECT fdnm FROM qxzrn422 WHERE cpac = 'te' AND cmod = 'kwy' AND flno = '001' AND vers = '7.6'"
        " AND rele = 'a3' AND cust = 'dev' ORDER BY fdno"));
    ASSERT_GT(expected.size(), 2);
    const Fetched f = fetch(set, id, 1, 50, 50 * fdnm);
    QStringList fetched;
    for (int64_t r = 0; r < f.value; ++r)
        fetched << f.buffer.mid(qsizetype(r) * fdnm, fdnm).trimmed();
    EXPECT_EQ(fetched, expected);
}

TEST_F(QueryFunctions, RowsStandInFullWidthsWithTextsCutAndHostTextsEndedByChr1)
{
    // Texts beyond Latin-1 and past their widths, and a Chr(1) in a host text.
    const QString inpc = QString(70, QChar(0x00e9)) + QStringLiteral("tail");
    const QString defa = QStringLiteral("a") + datasets::kEndOfText + QStringLiteral("b");
    host::Statement st(db->handle(), QStringLiteral("UPDATE qxzrn302 SET inpc = ?1, defa = ?2 WHERE cfrm = 'itemsd'"
                                                    " AND sequ = 11"));
    st.bind(1, inpc).bind(2, defa).exec();
    const int64_t set = openSet("qxzrn302");
    const int64_t id = define(set, QStringLiteral("qxzrn302.cpac, qxzrn302.sequ, qxzrn302.za_prop, qxzrn302.inpc,"
                                                  " qxzrn302.defa"),
                              QStringLiteral("qxzrn302"),
                              QStringLiteral("qxzrn302._index1 = {'2','te','7.6 ','a3','dev ','kwy','itemsd'}"));
    const int32_t row = 2 + 5 + 1 + 2 * (width("qxzrn302", "inpc") + 1);
    const Fetched f = fetch(set, id, 1, 3, 3 * row);
    ASSERT_EQ(f.value, 3);
    const QString end(datasets::kEndOfText);
    const QString first = QStringLiteral("te10   2tekwy001.citg") + end + end;
    const QString second = QStringLiteral("te11   2") + inpc.left(width("qxzrn302", "inpc")) + end
                           + QStringLiteral("a b") + end;
    const QString third = QStringLiteral("te12   2") + QStringLiteral("1") + end + QStringLiteral("teyeno.yes") + end;
    EXPECT_EQ(f.buffer, (first + second + third).leftJustified(3 * row, u' '));
}

// The rows of a join on the whole key, read by two scans matched row by row, are those of
// the join's own SQL and in its order: rows without a partner left out, ties in the order
// column kept in the order the rows were stored, other forms' rows not met.
TEST_F(QueryFunctions, AJoinOnTheWholeKeyGivesTheRowsOfItsSqlInItsOrder)
{
    const QString select = QStringLiteral("qxzrn301.sequ, qxzrn301.omod, qxzrn308.grpi, qxzrn308.next");
    const QString from = QStringLiteral("qxzrn301, qxzrn308");
    const QString where =
        QStringLiteral("qxzrn301.cmba REFERS TO qxzrn308 AND qxzrn301._index1 = {'2','te','7.6 ','a3','dev ','kwy','itemsd'}");
    const QString order = QStringLiteral("qxzrn301.omod");
    const std::optional<host::CheckedQuery> checked =
        host::checkQuery(db->handle(), *host::query::parseQuery(select, from, where, order), 1);
    ASSERT_TRUE(checked && checked->matched);
    // The rows as the join's SQL gives them, each field its whole number padded to its width.
    const auto expected = [&] {
        host::Statement st(db->handle(), checked->sql);
        for (size_t i = 0; i < checked->parameters.size(); ++i)
            st.bind(int(i + 1), host::trimBlanks(checked->parameters[i].text));
        QString rows;
        while (st.step())
            for (int c = 0; c < 4; ++c)
                rows += st.text(c).leftJustified(checked->columns[size_t(c)].length);
        return rows;
    };
    const auto fetched = [&] {
        const int64_t set = openSet("qxzrn301");
        const int64_t id = define(set, select, from, where, order);
        const Fetched f = fetch(set, id, 1, 100, 100 * checked->rowLength);
        return f.buffer.left(qsizetype(f.value) * checked->rowLength);
    };
    const QString asLoaded = expected();
    ASSERT_FALSE(asLoaded.isEmpty());
    EXPECT_EQ(fetched(), asLoaded);

    // The layout rows stored again backwards, ties in the order, a field without its
    // layout row, a layout row without its field.
    db->exec(QStringLiteral(
        "PRAGMA foreign_keys = OFF;"
        "CREATE TEMP TABLE moved AS SELECT * FROM qxzrn308 WHERE cfrm = 'itemsd';"
        "DELETE FROM qxzrn308 WHERE cfrm = 'itemsd';"
        "INSERT INTO qxzrn308 SELECT * FROM moved ORDER BY sequ DESC;"
        "UPDATE qxzrn301 SET omod = 20 WHERE cfrm = 'itemsd' AND sequ IN (2, 3, 5);"
        "DELETE FROM qxzrn308 WHERE cfrm = 'itemsd' AND sequ = 4;"
        "INSERT INTO qxzrn308 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ, grpi, next)"
        " SELECT clan, cpac, vers, rele, cust, cmod, cfrm, 99, grpi, next FROM moved WHERE sequ = 1;"));
    const QString reordered = expected();
    ASSERT_NE(reordered, asLoaded);
    EXPECT_EQ(fetched(), reordered);

    // A key that is no whole number (written past the table's checks) cannot be matched
    // in order: the join's SQL reads it.
    db->exec(QStringLiteral("PRAGMA ignore_check_constraints = ON;"
                            "UPDATE qxzrn301 SET sequ = 'x5' WHERE cfrm = 'itemsd' AND sequ = 5;"
                            "UPDATE qxzrn308 SET sequ = 'x5' WHERE cfrm = 'itemsd' AND sequ = 5;"));
    EXPECT_EQ(fetched(), expected());
}

// Blocks of every row once, a full block followed by one more fetch: core/test_load.
TEST_F(QueryFunctions, FetchesThatCannotBeServedAnswerNegative)
{
    const int64_t set = openSet("qxzrn301");
    const int64_t id = define(set, QStringLiteral("qxzrn301.sequ, qxzrn301.xpos"), QStringLiteral("qxzrn301"),
                              formKey("qxzrn301"));
    EXPECT_EQ(fetch(set, id, 2, 2, 18).value, host::kQueryBadFetch) << "next block before the first";
    EXPECT_EQ(fetch(set, id, 3, 2, 18).value, host::kQueryBadFetch) << "mode 3";
    EXPECT_EQ(fetch(set, id, 1, 0, 18).value, host::kQueryBadFetch) << "no rows";
    EXPECT_EQ(fetch(set, id, 1, 2, 17).value, host::kQueryBadFetch) << "buffer too short";
    EXPECT_EQ(fetch(set, id + 1, 1, 2, 18).value, host::kQueryUnknown);
    EXPECT_EQ(fetch(set + 1, id, 1, 2, 18).value, host::kQueryUnknown);
    EXPECT_EQ(fetch(set, id, 1, 2, 18).value, 2);

    // A number wider than its field would read as another number.
    db->exec(QStringLiteral("UPDATE qxzrn301 SET xpos = 12345 WHERE cfrm = 'simpled' AND sequ = 4"));
    EXPECT_EQ(fetch(set, id, 1, 2, 18).value, host::kQueryValueTooWide);
}

TEST_F(QueryFunctions, CraftedQueryTextsAnswerSyntaxErrorAndChangeNothing)
{
#define GROUPS "qxzrn315.grpi, qxzrn315.labl"
#define KEY "{'2','te','7.6 ','a3','dev ','kwy','simpled'}"
    const struct {
        const char* name;
        const char* select;
        const char* from;
        const char* where;
        const char* order;
    } cases[] = {
        {"quote inside a value", GROUPS, "qxzrn315", "qxzrn315._index1 = {'2','te'','7.6'}", ""},
        {"quote closing early", GROUPS, "qxzrn315", "qxzrn315._index1 = {'2' OR '1'='1'}", ""},
        {"statement inside a value", "qxzrn315.grpi", "qxzrn315",
         "qxzrn315._index1 = {'2; DROP TABLE qxzrn315; --',\"x\"'}", ""},
        {"unquoted word", GROUPS, "qxzrn315", "qxzrn315._index1 = {te}", ""},
        {"double quotes", GROUPS, "qxzrn315", "qxzrn315._index1 = {\"2\"}", ""},
        {"unknown column", "qxzrn315.grpi, qxzrn315.nope", "qxzrn315", "qxzrn315._index1 = " KEY, ""},
        {"column without field", "qxzrn315.clan", "qxzrn315", "", ""},
        {"unknown table", "qxzrn999.grpi", "qxzrn999", "", ""}, {"host table", "host_meta.value", "host_meta", "", ""},
        {"view", "qxzrn140_grp.clab", "qxzrn140_grp", "", ""}, {"table not in from", "qxzrn301.sequ", "qxzrn315", "", ""},
        {"second statement in where", GROUPS, "qxzrn315", "qxzrn315._index1 = " KEY "; DROP TABLE qxzrn301", ""},
        {"second statement in from", GROUPS, "qxzrn315; DELETE FROM qxzrn301", "", ""},
        {"second statement in order", GROUPS, "qxzrn315", "", "qxzrn315.grpi; DROP TABLE qxzrn315"},
        {"comment", GROUPS " -- ", "qxzrn315", "", ""},
        {"unterminated brace", GROUPS, "qxzrn315", "qxzrn315._index1 = {'2','te'", ""},
        {"unterminated value", GROUPS, "qxzrn315", "qxzrn315._index1 = {'2','te}", ""},
        {"unknown index", GROUPS, "qxzrn315", "qxzrn315._index9 = {'2'}", ""},
        {"not an index", GROUPS, "qxzrn315", "qxzrn315.grpi = {'2'}", ""},
        {"too many values", GROUPS, "qxzrn315", "qxzrn315._index1 = {'2','te','7.6','a3','dev','kwy','simpled',1,2}", ""},
        {"other operator", GROUPS, "qxzrn315", "qxzrn315._index1 > {'2'}", ""},
        {"unknown reference", "qxzrn301.sequ", "qxzrn301, qxzrn308",
         "qxzrn301.cmbx REFERS TO qxzrn308 AND qxzrn301._index1 = " KEY, ""},
        {"join without reference", "qxzrn301.sequ", "qxzrn301, qxzrn308", "qxzrn301._index1 = " KEY, ""},
        {"reference with one table", "qxzrn301.sequ", "qxzrn301", "qxzrn301.cmba REFERS TO qxzrn308", ""},
        {"keyword run into a name", "qxzrn301.sequ", "qxzrn301, qxzrn308",
         "qxzrn301.cmba REFERS TOqxzrn308 AND qxzrn301._index1 = " KEY, ""},
        {"three tables", "qxzrn301.sequ", "qxzrn301, qxzrn308, qxzrn302", "", ""},
        {"unknown order column", GROUPS, "qxzrn315", "", "qxzrn315.nope"},
        {"two order columns", GROUPS, "qxzrn315", "", "qxzrn315.grpi, qxzrn315.labl"},
        {"empty select", "", "qxzrn315", "", ""}, {"star", "*", "qxzrn315", "", ""},
        {"function call", "count(qxzrn315.grpi)", "qxzrn315", "", ""},
    };
#undef GROUPS
#undef KEY
    const QString before = fingerprint();
    const int64_t set = openSet("qxzrn301");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int64_t id = define(set, QString::fromUtf8(c.select), QString::fromUtf8(c.from),
                                  QString::fromUtf8(c.where), QString::fromUtf8(c.order));
        ASSERT_GE(id, 1) << "the id comes back; its fetch reports the error";
        const Fetched f = fetch(set, id, 1, 5, 100);
        EXPECT_EQ(f.value, host::kQuerySyntaxError);
        EXPECT_EQ(f.buffer, QString(100, QLatin1Char(' ')));
        EXPECT_EQ(fetch(set, id, 2, 5, 100).value, host::kQuerySyntaxError);
        EXPECT_EQ(value(QStringLiteral("am_query_close(%1,%2)").arg(set).arg(id)), 0);
        EXPECT_EQ(fingerprint(), before);
    }
    // Well-formed values are bound, never pasted: this one matches no row.
    const int64_t bound = define(set, QStringLiteral("qxzrn315.grpi"), QStringLiteral("qxzrn315"),
                                 QStringLiteral("qxzrn315._index1 = {'2) OR (1=1',-5}"));
    EXPECT_EQ(fetch(set, bound, 1, 5, 20).value, 0);
    EXPECT_EQ(fingerprint(), before);
}

TEST(StatementCache, AStatementIsKeptForItsTextResetAndGoesBeforeItsConnectionCloses)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
    const QString sql = QStringLiteral("SELECT ?1");
    sqlite3_stmt* kept = nullptr;
    {
        host::CachedStatement first(db, sql);
        first->bind(1, 5);
        ASSERT_TRUE(first->step());
        kept = first->handle();
        // Taken while the first is in use, the same text gets a statement of its own.
        host::CachedStatement second(db, sql);
        EXPECT_NE(second->handle(), kept);
    }
    {
        host::CachedStatement again(db, sql);
        EXPECT_EQ(again->handle(), kept);
        ASSERT_TRUE(again->step());
        EXPECT_TRUE(again->isNull(0)) << "the binding of its last use was cleared";
    }
    // A plain close refuses a connection that still has statements.
    EXPECT_EQ(sqlite3_close(db), SQLITE_OK);
}

// The columns of a table are read from the schema once, and again after any change to
// it, made on the same connection or on another.
TEST(TableColumns, AreReadAgainOnceTheSchemaChanged)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray path = dir.filePath(QStringLiteral("t.sqlite")).toUtf8();
    sqlite3* db = nullptr;
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_open(path.constData(), &other), SQLITE_OK);
    const auto names = [&](const char* table) {
        const std::optional<std::vector<host::TableColumn>> columns = host::tableColumns(db, QLatin1String(table));
        if (!columns)
            return std::string("none");
        std::string out;
        for (const host::TableColumn& c : *columns)
            out += c.name.toStdString() + (c.integer ? "#" : "") + (c.primaryKey ? "*" : "") + " ";
        return out;
    };
    const auto exec = [](sqlite3* on, const char* sql) {
        ASSERT_EQ(sqlite3_exec(on, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    };
    EXPECT_EQ(names("t"), "none");
    exec(db, "CREATE TABLE t (a INTEGER PRIMARY KEY, b TEXT)");
    EXPECT_EQ(names("t"), "a#* b ");
    EXPECT_EQ(names("t"), "a#* b ");
    exec(db, "ALTER TABLE t ADD COLUMN c INTEGER");
    EXPECT_EQ(names("t"), "a#* b c# ");
    exec(other, "ALTER TABLE t ADD COLUMN d TEXT");
    EXPECT_EQ(names("t"), "a#* b c# d ");
    exec(other, "DROP TABLE t");
    EXPECT_EQ(names("t"), "none");
    host::resetHostSessions();
    EXPECT_EQ(sqlite3_close(other), SQLITE_OK);
    EXPECT_EQ(sqlite3_close(db), SQLITE_OK);
}
