// The batched update set of the local host: set records of every kind, the prefix
// kept across parts, and all or nothing for a set that fails or is aborted.
#include "host_database.h"
#include "host_transaction.h"
#include "local_host.h"
#include "query_engine.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"
#include "update_set.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

std::string s(const QString& q) { return q.toStdString(); }

// The editor's nested quoting of a design text value: each quote four times, two at each end.
QString nested(const QString& text)
{
    QString t = text;
    t.replace(QLatin1Char('"'), QStringLiteral("\"\"\"\""));
    return QStringLiteral("\"\"") + t + QStringLiteral("\"\"");
}

QString pair(const char* name, const QString& value)
{
    return nested(QString::fromLatin1(name)) + QStringLiteral(", ") + value;
}
QString pair(const char* name, const char* text) { return pair(name, nested(QString::fromUtf8(text))); }
QString pair(const char* name, int64_t number) { return pair(name, QString::number(number)); }

// Pairs joined as the editor joins them; a text that goes on from another starts with ", ".
QString pairs(const QStringList& items) { return items.join(QStringLiteral(", ")); }
QString more(const QStringList& items) { return QStringLiteral(", ") + pairs(items); }

// Length once the host has made each doubled quote single.
int logical(const QString& text)
{
    int doubled = 0;
    for (qsizetype i = 0; i + 1 < text.size();) {
        if (text[i] == QLatin1Char('"') && text[i + 1] == QLatin1Char('"')) {
            ++doubled;
            i += 2;
        } else {
            ++i;
        }
    }
    return int(text.size()) - doubled;
}

QString head(char kind, int first, int second, int64_t set)
{
    return QStringLiteral("%1%2%3%4")
        .arg(QLatin1Char(kind))
        .arg(first, 3, 10, QLatin1Char('0'))
        .arg(second, 3, 10, QLatin1Char('0'))
        .arg(set, 3, 10, QLatin1Char('0'));
}

// One set record; for "V", "v" and "u" key and record as the kind lays them out.
QString one(char kind, int64_t set, const QString& text) { return head(kind, logical(text), 0, set) + text; }
QString update(char kind, int64_t set, const QString& key, const QString& record)
{
    if (kind == 'u')
        return head(kind, logical(key), logical(record), set) + key + record;
    return head(kind, logical(key), logical(record), set) + record;
}

const QString kPrefix = pairs({pair("cpac", "te"), pair("cmod", "kwy"), pair("cfrm", "simpled"), pair("clan", "2"),
                               pair("vers", "7.6 "), pair("rele", "a3"), pair("cust", "dev ")});
const QString kHeader = one('f', 0, kPrefix);

// A group row after the prefix.
QString group(int grpi, const char* label, int repe = 2)
{
    return more({pair("grpi", grpi), pair("repe", repe), pair("levl", 1), pair("labl", label), pair("fram", 1),
                 pair("pare", 1), pair("za_misc", 9)});
}

// Key of a form command, in the command table's own order.
QString commandKey(int sern)
{
    return pairs({pair("clan", "2"), pair("cpac", "te"), pair("vers", "7.6 "), pair("rele", "a3"), pair("cust", "dev "),
                  pair("cmod", "kwy"), pair("cfrm", "simpled"), pair("sern", sern)});
}

const char* const kSimpled = "clan = '2' AND cpac = 'te' AND vers = '7.6' AND rele = 'a3' AND cust = 'dev'"
                             " AND cmod = 'kwy' AND cfrm = 'simpled'";

class UpdateSet : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        host::resetHostSessions();
        db = openDatabase();
        ASSERT_TRUE(db);
        app = createHost();
        for (const char* table : {"qxzrn315", "qxzrn301", "qxzrn302", "qxzrn308", "qxzrn316", "qxzrn150"}) {
            int32_t n = 0;
            app->executeFunction(QStringLiteral("oqxsammain"),
                                 QStringLiteral("am_open_object_set(\"%1\")").arg(QLatin1String(table)), n);
            ASSERT_EQ(app->vrokError(), 0);
            sets.push_back(app->returnValue().toLongLong());
        }
    }

    int64_t set(const char* table) const
    {
        static const QStringList order = {QStringLiteral("qxzrn315"), QStringLiteral("qxzrn301"),
                                          QStringLiteral("qxzrn302"), QStringLiteral("qxzrn308"),
                                          QStringLiteral("qxzrn316"), QStringLiteral("qxzrn150")};
        return sets[size_t(order.indexOf(QLatin1String(table)))];
    }

    // Sends one part enclosed as the editor does, without doubling; the host's answer.
    int64_t send(const QString& buffer, int mode)
    {
        int32_t n = 0;
        app->executeFunction(QStringLiteral("oqxdllextint"),
                             QStringLiteral("execute.velq.set(\"%1\",%2,0)").arg(buffer).arg(mode), n);
        EXPECT_EQ(app->vrokError(), 0) << s(hostOf().errorText());
        return app->returnValue().toLongLong();
    }
    host::LocalHost& hostOf() { return dynamic_cast<host::LocalHost&>(*app); }
    QString lastError() { return host::hostSession(hostOf().database().handle()).lastSetError; }

    QString query(const QString& sql)
    {
        host::Statement st(db->handle(), sql);
        QStringList rows;
        while (st.step()) {
            QStringList values;
            for (int i = 0; i < st.columnCount(); ++i)
                values << st.text(i);
            rows << values.join(QLatin1Char('|'));
        }
        return rows.join(QLatin1Char('\n'));
    }
    // Rows of the small demo form in one table.
    QString formRows(const char* columns, const char* table, const char* more = "")
    {
        return query(QStringLiteral("SELECT %1 FROM %2 WHERE %3 %4")
                         .arg(QLatin1String(columns), QLatin1String(table), QLatin1String(kSimpled),
                              QLatin1String(more)));
    }
    // Every row of the tables a set writes, as committed.
    QString snapshot()
    {
        QString all;
        for (const char* table : {"qxzrn315", "qxzrn301", "qxzrn302", "qxzrn308", "qxzrn316", "qxzrn150"})
            all += query(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table))) + u'\n';
        return all;
    }

    std::unique_ptr<host::HostDatabase> db;
    std::unique_ptr<VrokApplication> app;
    std::vector<int64_t> sets;
};

} // namespace

TEST_F(UpdateSet, EveryKindOfRecordIsApplied)
{
    const QString key301 = more({pair("sequ", 1)});
    const QString key150 = pairs({pair("cpac", "te"), pair("vers", "7.6 "), pair("rele", "a3"), pair("cust", "dev "),
                                  pair("ktex", 4), pair("rkey", "kwyitemsd   tekwy001.item"), pair("hdre", 2)});
    const QString buffer =
        kHeader
        // I: a new group whose label holds a quote
        + one('I', set("qxzrn315"), group(2, "say \"hi\""))
        // i: a command row in its own column order
        + one('i', set("qxzrn316"), commandKey(7) + more({pair("btyp", 2), pair("mscf", "run.it"), pair("sequ", 2)}))
        // D: the layout and the field row of field 6
        + one('D', set("qxzrn308"), more({pair("sequ", 6)})) + one('D', set("qxzrn301"), more({pair("sequ", 6)}))
        // d: a documentation text, in every language
        + one('d', set("qxzrn150"), key150)
        // V: field 1 moved and renamed, the record beginning with its key
        + update('V', set("qxzrn301"), key301, key301 + more({pair("xpos", 20), pair("fldn", "renamed")}))
        // v: a command record that begins with its key
        + update('v', set("qxzrn316"), commandKey(7), commandKey(7) + more({pair("btyp", 3)}))
        // u: the key followed by a record of the changed columns; a row not yet stored is made
        + update('u', set("qxzrn316"), commandKey(8), pairs({pair("btyp", 4), pair("sequ", 10)}));
    ASSERT_EQ(send(buffer, 1), 0) << s(lastError());

    EXPECT_EQ(formRows("grpi, labl, levl, fram, pare, za_misc", "qxzrn315", "ORDER BY grpi"),
              QStringLiteral("1||0|2|0|0\n2|say \"hi\"|1|1|1|9"));
    EXPECT_EQ(formRows("sern, btyp, mscf, sequ", "qxzrn316", "ORDER BY sern"),
              QStringLiteral("7|3|run.it|2\n8|4||10"));
    EXPECT_EQ(formRows("group_concat(sequ)", "qxzrn301"),
              QStringLiteral("1,2,3,4,5"));
    EXPECT_EQ(formRows("count(*)", "qxzrn308", "AND sequ = 6"),
              QStringLiteral("0"));
    EXPECT_EQ(formRows("xpos, fldn, ypos", "qxzrn301", "AND sequ = 1"),
              QStringLiteral("20|renamed|1"));
    EXPECT_EQ(query(QStringLiteral("SELECT count(*) FROM qxzrn150")), QStringLiteral("0"));
    EXPECT_FALSE(host::hostTransactionOpen(hostOf().database()));
}

TEST_F(UpdateSet, PrefixCarriesOnIntoPartsWithoutHeader)
{
    const QString before = snapshot();
    ASSERT_EQ(send(kHeader + one('I', set("qxzrn315"), group(2, "two")), 0), 0) << s(lastError());
    // An automatic send leaves the next part without its own header.
    ASSERT_EQ(send(one('I', set("qxzrn315"), group(3, "three")), 0), 0) << s(lastError());
    EXPECT_EQ(snapshot(), before) << "nothing is committed before the last part";
    ASSERT_EQ(send(one('D', set("qxzrn315"), more({pair("grpi", 2)})), 1), 0) << s(lastError());
    EXPECT_EQ(formRows("grpi, labl", "qxzrn315", "ORDER BY grpi"),
              QStringLiteral("1|\n3|three"));

    // The committed set took its prefix along: a new set must bring its own.
    const QString committed = snapshot();
    EXPECT_EQ(send(one('I', set("qxzrn315"), group(4, "four")), 1), host::kSetMalformed);
    EXPECT_EQ(snapshot(), committed);
}

TEST_F(UpdateSet, DoubledQuotesCountOnceInTheLengths)
{
    // Values with quotes make the sent text longer than the lengths say.
    const QString record = group(2, "a\"b\"\"c");
    ASSERT_GT(record.size(), logical(record));
    ASSERT_EQ(send(kHeader + one('I', set("qxzrn315"), record) + one('I', set("qxzrn315"), group(3, "\"")), 1), 0)
        << s(lastError());
    EXPECT_EQ(formRows("labl", "qxzrn315", "AND grpi > 1 ORDER BY grpi"),
              QStringLiteral("a\"b\"\"c\n\""));
}

// --- All or nothing --------------------------------------------------------------------------

struct FailingCase {
    const char* name;
    int64_t answer;
    int mode;
    QString (*part)(int64_t set315, int64_t set308);
};
inline std::ostream& operator<<(std::ostream& os, const FailingCase& c) { return os << c.name; }

class FailingThirdPart : public UpdateSet, public ::testing::WithParamInterface<FailingCase> {};

TEST_P(FailingThirdPart, LeavesTheDatabaseAsItWas)
{
    const QString before = snapshot();
    ASSERT_EQ(send(kHeader + one('I', set("qxzrn315"), group(2, "two")), 0), 0) << s(lastError());
    const QString key = more({pair("sequ", 1)});
    ASSERT_EQ(send(update('V', set("qxzrn301"), key, key + more({pair("xpos", 77)})), 0), 0) << s(lastError());

    const FailingCase& c = GetParam();
    EXPECT_EQ(send(c.part(set("qxzrn315"), set("qxzrn308")), c.mode), c.answer) << s(lastError());
    EXPECT_FALSE(lastError().isEmpty());
    EXPECT_FALSE(host::hostTransactionOpen(hostOf().database()));
    EXPECT_EQ(snapshot(), before);

    // The set is over: its prefix went with it, and a new set starts clean.
    EXPECT_EQ(send(one('I', set("qxzrn315"), group(5, "five")), 1), host::kSetMalformed);
    ASSERT_EQ(send(kHeader + one('I', set("qxzrn315"), group(5, "five")), 1), 0) << s(lastError());
    EXPECT_EQ(formRows("group_concat(grpi)", "qxzrn315"),
              QStringLiteral("1,5"));
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FailingThirdPart,
    ::testing::Values(
        FailingCase{"unknown_kind", host::kSetMalformed, 0,
                    [](int64_t g, int64_t) { return one('x', g, group(3, "x")); }},
        FailingCase{"text_cut_short", host::kSetMalformed, 0,
                    [](int64_t g, int64_t) { return one('I', g, group(3, "x")).chopped(1); }},
        FailingCase{"lengths_not_digits", host::kSetMalformed, 0,
                    [](int64_t g, int64_t) { return QStringLiteral("I0a1000") + head('I', 0, 0, g).mid(7); }},
        FailingCase{"one_length_kind_with_two", host::kSetMalformed, 0,
                    [](int64_t g, int64_t) {
                        const QString t = group(3, "x");
                        return head('I', logical(t), 1, g) + t;
                    }},
        FailingCase{"not_going_on_from_prefix", host::kSetMalformed, 0,
                    [](int64_t g, int64_t) { return one('I', g, group(3, "x").mid(2)); }},
        FailingCase{"name_without_value", host::kSetMalformed, 0,
                    [](int64_t g, int64_t) { return one('I', g, group(3, "x") + QStringLiteral(", \"\"wdth\"\"")); }},
        FailingCase{"unknown_column", host::kSetBadColumn, 0,
                    [](int64_t g, int64_t) { return one('I', g, group(3, "x") + more({pair("nope", 1)})); }},
        FailingCase{"text_into_number_column", host::kSetBadColumn, 0,
                    [](int64_t g, int64_t) { return one('I', g, group(3, "x") + more({pair("wdth", "wide")})); }},
        FailingCase{"column_twice", host::kSetBadColumn, 0,
                    [](int64_t g, int64_t) { return one('I', g, group(3, "x") + more({pair("levl", 2)})); }},
        FailingCase{"key_missing_a_column", host::kSetBadColumn, 0,
                    [](int64_t g, int64_t) { return one('d', g, pairs({pair("clan", "2"), pair("grpi", 1)})); }},
        FailingCase{"update_changing_the_key", host::kSetBadColumn, 0,
                    [](int64_t g, int64_t) {
                        const QString key = more({pair("grpi", 1)});
                        return update('u', g, kPrefix + key, kPrefix + more({pair("grpi", 9)}));
                    }},
        FailingCase{"object_set_not_open", host::kSetUnknownTable, 0,
                    [](int64_t, int64_t) { return one('I', 998, group(3, "x")); }},
        FailingCase{"check_constraint", host::kSetRefused, 0,
                    [](int64_t g, int64_t) { return one('I', g, group(3, "x", 7)); }},
        FailingCase{"duplicate_row", host::kSetRefused, 0,
                    [](int64_t g, int64_t) { return one('I', g, group(2, "again")); }},
        FailingCase{"layout_without_field_at_commit", host::kSetRefused, 1,
                    [](int64_t, int64_t l) { return one('I', l, more({pair("sequ", 40)})); }},
        FailingCase{"mode_2", host::kSetMalformed, 2,
                    [](int64_t g, int64_t) { return one('I', g, group(3, "x")); }}),
    [](const ::testing::TestParamInfo<FailingCase>& info) { return std::string(info.param.name); });

TEST_F(UpdateSet, AbortAfterTwoGoodPartsLeavesTheDatabaseAsItWas)
{
    const QString before = snapshot();
    ASSERT_EQ(send(kHeader + one('I', set("qxzrn315"), group(2, "two")), 0), 0) << s(lastError());
    const QString key = more({pair("sequ", 2)});
    ASSERT_EQ(send(one('D', set("qxzrn301"), key) + one('D', set("qxzrn308"), key), 0), 0) << s(lastError());
    int32_t n = 0;
    app->executeFunction(QStringLiteral("oqxsammain"), QStringLiteral("am_abort_transaction()"), n);
    ASSERT_EQ(app->vrokError(), 0) << s(hostOf().errorText());
    EXPECT_EQ(snapshot(), before);
    // The aborted set's prefix does not carry into the next one.
    EXPECT_EQ(send(one('I', set("qxzrn315"), group(3, "three")), 1), host::kSetMalformed);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(UpdateSet, OnlyTheDesignTablesAreWritten)
{
    int32_t n = 0;
    app->executeFunction(QStringLiteral("oqxsammain"), QStringLiteral("am_open_object_set(\"host_meta\")"), n);
    ASSERT_EQ(app->vrokError(), 0);
    const int64_t meta = app->returnValue().toLongLong();
    const QString before = query(QStringLiteral("SELECT * FROM host_meta ORDER BY key"));
    EXPECT_EQ(send(one('i', meta, pairs({pair("key", "x"), pair("value", "y")})), 1), host::kSetUnknownTable);
    EXPECT_EQ(query(QStringLiteral("SELECT * FROM host_meta ORDER BY key")), before);
}

TEST_F(UpdateSet, GarbledPartEndsTheSetWithoutCommittingIt)
{
    const QString before = snapshot();
    ASSERT_EQ(send(kHeader + one('I', set("qxzrn315"), group(2, "two")), 0), 0) << s(lastError());
    int32_t n = 0;
    // An odd run of quotes: the call text itself can't be read.
    app->executeFunction(QStringLiteral("oqxdllextint"), QStringLiteral("execute.velq.set(\"I00\"5\",1,0)"), n);
    EXPECT_NE(app->vrokError(), 0);
    EXPECT_FALSE(host::hostTransactionOpen(hostOf().database()));
    EXPECT_EQ(snapshot(), before);
}

// --- What the parts of a set share ---------------------------------------------------------

TEST_F(UpdateSet, RecordsOfOneTableInOtherShapesAcrossParts)
{
    const QString before = snapshot();
    // Inserts naming their columns in other orders and choices, updates changing other
    // columns, over three parts of one set.
    ASSERT_EQ(send(kHeader + one('I', set("qxzrn315"), group(2, "two"))
                       + one('I', set("qxzrn315"), more({pair("za_misc", 4), pair("grpi", 3), pair("labl", "three")})),
                   0),
              0)
        << s(lastError());
    ASSERT_EQ(send(one('I', set("qxzrn315"), more({pair("grpi", 4)}))
                       + one('I', set("qxzrn315"), group(5, "five")),
                   0),
              0)
        << s(lastError());
    const QString key3 = more({pair("grpi", 3)});
    const QString key4 = more({pair("grpi", 4)});
    ASSERT_EQ(send(update('V', set("qxzrn315"), key3, key3 + more({pair("levl", 7)}))
                       + update('V', set("qxzrn315"), key4, key4 + more({pair("labl", "four"), pair("levl", 8)}))
                       + one('D', set("qxzrn315"), more({pair("grpi", 2)})),
                   1),
              0)
        << s(lastError());
    EXPECT_NE(snapshot(), before);
    EXPECT_EQ(formRows("grpi, labl, levl, za_misc", "qxzrn315", "ORDER BY grpi"),
              QStringLiteral("1||0|0\n3|three|7|4\n4|four|8|0\n5|five|1|9"));
}

TEST_F(UpdateSet, ValuesGoInAsTheirColumnsTakeThem)
{
    // Padding dropped, quotes made single, any character kept, a number in a text column
    // written as its digits.
    ASSERT_EQ(send(kHeader + one('I', set("qxzrn315"), group(2, "  Größe \"x\"  "))
                       + one('I', set("qxzrn315"), more({pair("grpi", 3), pair("labl", 42)})),
                   1),
              0)
        << s(lastError());
    EXPECT_EQ(formRows("grpi, labl", "qxzrn315", "AND grpi > 1 ORDER BY grpi"),
              QString::fromUtf8("2|Größe \"x\"\n3|42"));
}

TEST_F(UpdateSet, ObjectSetReopenedOnAnotherTableBetweenParts)
{
    const int64_t groups = set("qxzrn315");
    ASSERT_EQ(send(kHeader + one('I', groups, group(2, "two")), 0), 0) << s(lastError());
    int32_t n = 0;
    app->executeFunction(QStringLiteral("oqxsammain"), QStringLiteral("am_close_object_set(%1)").arg(groups), n);
    ASSERT_EQ(app->vrokError(), 0);
    app->executeFunction(QStringLiteral("oqxsammain"), QStringLiteral("am_open_object_set(\"qxzrn316\")"), n);
    ASSERT_EQ(app->vrokError(), 0);
    ASSERT_EQ(app->returnValue().toLongLong(), groups) << "the freed number is given out again";

    // The same number now writes the command table.
    ASSERT_EQ(send(one('i', groups, commandKey(7) + more({pair("btyp", 2), pair("mscf", "run.it")})), 1), 0)
        << s(lastError());
    EXPECT_EQ(formRows("group_concat(grpi)", "qxzrn315"), QStringLiteral("1,2"));
    EXPECT_EQ(formRows("sern, btyp, mscf", "qxzrn316", "AND sern = 7"), QStringLiteral("7|2|run.it"));
}

TEST_F(UpdateSet, SetAfterAnAbortedOneWritesOnlyItsOwnRows)
{
    const QString key = more({pair("sequ", 1)});
    ASSERT_EQ(send(kHeader + update('V', set("qxzrn301"), key, key + more({pair("xpos", 77)})), 0), 0)
        << s(lastError());
    int32_t n = 0;
    app->executeFunction(QStringLiteral("oqxsammain"), QStringLiteral("am_abort_transaction()"), n);
    ASSERT_EQ(app->vrokError(), 0) << s(hostOf().errorText());

    // Records of the same shapes as the aborted set's, in a set of their own.
    ASSERT_EQ(send(kHeader + update('V', set("qxzrn301"), key, key + more({pair("xpos", 55)})), 0), 0)
        << s(lastError());
    ASSERT_EQ(send(one('I', set("qxzrn315"), group(2, "two")), 1), 0) << s(lastError());
    EXPECT_EQ(formRows("xpos", "qxzrn301", "AND sequ = 1"), QStringLiteral("55"));
    EXPECT_EQ(formRows("group_concat(grpi)", "qxzrn315"), QStringLiteral("1,2"));
}

// How many open files of this process are the file at path.
int openCount(const QString& path)
{
    const QString file = QFileInfo(path).canonicalFilePath();
    int count = 0;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::AllEntries | QDir::System))
        count += fd.symLinkTarget() == file ? 1 : 0;
    return count;
}

TEST_F(UpdateSet, ShutdownDuringASetClosesItsConnection)
{
    if (!QDir(QStringLiteral("/proc/self/fd")).exists())
        GTEST_SKIP() << "no list of the open files";
    const QString before = snapshot();
    ASSERT_EQ(send(kHeader + one('I', set("qxzrn315"), group(2, "two")) + one('D', set("qxzrn308"), more({pair("sequ", 6)})),
                   0),
              0)
        << s(lastError());
    const int open = openCount(databasePath());
    ASSERT_GE(open, 2) << "the host's connection and the test's";
    app->shutdown();
    // The statements the set kept for its next part must not hold the connection open.
    EXPECT_EQ(openCount(databasePath()), open - 1);
    EXPECT_EQ(snapshot(), before);
}
