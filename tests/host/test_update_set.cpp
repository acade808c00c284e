// The batched update set of the local host: set records of every kind, the prefix
// kept across parts, and all or nothing for a set that fails or is aborted.
#include "host_database.h"
#include "host_transaction.h"
#include "local_host.h"
#include "query_engine.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"
#include "update_set.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

using host::kSetBadColumn, host::kSetMalformed, host::kSetRefused, host::kSetUnknownTable;

namespace {

std::string s(const QString& q) { return q.toStdString(); }

// The editor's nested quoting of a design text value: each quote four times, two at each end.
QString nested(QString text)
{
    return QStringLiteral("\"\"") + text.replace(u'"', QStringLiteral("\"\"\"\"")) + QStringLiteral("\"\"");
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
    int n = int(text.size());
    for (qsizetype i = text.indexOf(u"\"\""); i >= 0; i = text.indexOf(u"\"\"", i + 2))
        --n;
    return n;
}

QString head(char kind, int first, int second, int64_t set)
{
    const auto d3 = [](int64_t n) { return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')); };
    return QLatin1Char(kind) + d3(first) + d3(second) + d3(set);
}

// One set record; for "V", "v" and "u" key and record as the kind lays them out.
QString one(char kind, int64_t set, const QString& text) { return head(kind, logical(text), 0, set) + text; }
QString update(char kind, int64_t set, const QString& key, const QString& record)
{
    return head(kind, logical(key), logical(record), set) + (kind == 'u' ? key : QString()) + record;
}

// The object sets the fixture opens, numbered in this order from 1; sets never write the last.
const char* const kTables[] = {"qxzrn315", "qxzrn301", "qxzrn302", "qxzrn308", "qxzrn316", "qxzrn150", "host_meta"};
enum : int64_t { kGroups = 1, kFields, kInputs, kPlaces, kCommands, kDocs, kMeta };

const QString kPrefix = pairs({pair("cpac", "te"), pair("cmod", "kwy"), pair("cfrm", "simpled"), pair("clan", "2"),
                               pair("vers", "7.6 "), pair("rele", "a3"), pair("cust", "dev ")});
const QString kHeader = one('f', 0, kPrefix);

// A group row after the prefix.
QString group(int grpi, const char* label, int repe = 2)
{
    return more({pair("grpi", grpi), pair("repe", repe), pair("levl", 1), pair("labl", label), pair("fram", 1),
                 pair("pare", 1), pair("za_misc", 9)});
}
QString newGroup(int grpi, const char* label) { return one('I', kGroups, group(grpi, label)); }
QString key(const char* column, int value) { return more({pair(column, value)}); }

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
        ASSERT_NO_FATAL_FAILURE(connectHost());
    }
    // The host the test sends to, with the tables' object sets open.
    void connectHost()
    {
        app = createHost();
        for (int64_t set = kGroups; set <= kMeta; ++set) {
            ASSERT_EQ(sam(QStringLiteral("am_open_object_set(\"%1\")").arg(QLatin1String(kTables[set - 1]))), 0);
            ASSERT_EQ(app->returnValue().toLongLong(), set);
        }
    }

    int32_t sam(const QString& callText)
    {
        int32_t n = 0;
        app->executeFunction(QStringLiteral("oqxsammain"), callText, n);
        return app->vrokError();
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
    // Sends a part that must be taken.
    bool sent(const QString& buffer, int mode)
    {
        const int64_t answer = send(buffer, mode);
        EXPECT_EQ(answer, 0) << s(lastError());
        return answer == 0;
    }
    host::LocalHost& hostOf() { return dynamic_cast<host::LocalHost&>(*app); }
    QString lastError() { return host::hostSession(hostOf().database().handle()).lastSetError; }

    QString query(const QString& sql) { return queryRows(db->handle(), sql).join(u'\n'); }
    // Rows of the small demo form in one table.
    QString formRows(const char* columns, const char* table, const char* more = "")
    {
        return query(QStringLiteral("SELECT %1 FROM %2 WHERE %3 %4")
                         .arg(QLatin1String(columns), QLatin1String(table), QLatin1String(kSimpled),
                              QLatin1String(more)));
    }
    // Every row of the tables the fixture opens, as committed.
    QString snapshot()
    {
        QString all;
        for (const char* table : kTables)
            all += query(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(QLatin1String(table))) + u'\n';
        return all;
    }

    std::unique_ptr<host::HostDatabase> db;
    std::unique_ptr<VrokApplication> app;
};

} // namespace

TEST_F(UpdateSet, EveryKindOfRecordIsAppliedWithValuesAsTheirColumnsTakeThem)
{
    const QString key150 = pairs({pair("cpac", "te"), pair("vers", "7.6 "), pair("rele", "a3"), pair("cust", "dev "),
                                  pair("ktex", 4), pair("rkey", "kwyitemsd   tekwy001.item"), pair("hdre", 2)});
    // Padding dropped, quotes counted once in the lengths and made single, any character
    // kept, a number in a text column written as its digits.
    const QString quoted = group(3, "a\"b\"\"c");
    ASSERT_GT(quoted.size(), logical(quoted));
    const QString buffer =
        kHeader + newGroup(2, "  Größe \"x\"  ") + one('I', kGroups, quoted) + newGroup(4, "\"")
        + one('I', kGroups, more({pair("grpi", 5), pair("labl", 42)}))
        + one('i', kCommands, commandKey(7) + more({pair("btyp", 2), pair("mscf", "run.it"), pair("sequ", 2)}))
        + one('D', kPlaces, key("sequ", 6)) + one('D', kFields, key("sequ", 6)) + one('d', kDocs, key150)
        + update('V', kFields, key("sequ", 1), key("sequ", 1) + more({pair("xpos", 20), pair("fldn", "renamed")}))
        + update('v', kCommands, commandKey(7), commandKey(7) + more({pair("btyp", 3)}))
        // A "u" of a row not yet stored makes it.
        + update('u', kCommands, commandKey(8), pairs({pair("btyp", 4), pair("sequ", 10)}));
    ASSERT_TRUE(sent(buffer, 1));

    EXPECT_EQ(formRows("grpi, labl, levl, fram, pare, za_misc", "qxzrn315", "ORDER BY grpi"),
              QString::fromUtf8("1||0|2|0|0\n2|Größe \"x\"|1|1|1|9\n3|a\"b\"\"c|1|1|1|9\n4|\"|1|1|1|9\n5|42|0|2|0|0"));
    EXPECT_EQ(formRows("sern, btyp, mscf, sequ", "qxzrn316", "ORDER BY sern"), QStringLiteral("7|3|run.it|2\n8|4||10"));
    EXPECT_EQ(formRows("group_concat(sequ)", "qxzrn301"), QStringLiteral("1,2,3,4,5"));
    EXPECT_EQ(formRows("count(*)", "qxzrn308", "AND sequ = 6"), QStringLiteral("0"));
    EXPECT_EQ(formRows("xpos, fldn, ypos", "qxzrn301", "AND sequ = 1"), QStringLiteral("20|renamed|1"));
    EXPECT_EQ(query(QStringLiteral("SELECT count(*) FROM qxzrn150")), QStringLiteral("0"));
    EXPECT_FALSE(host::hostTransactionOpen(hostOf().database()));
}

struct FailingCase {
    const char* name;
    int64_t answer;
    int mode;
    QString part;
    const char* says = nullptr;  // what the refusal must say, where its cause has a message of its own
};
inline std::ostream& operator<<(std::ostream& os, const FailingCase& c) { return os << c.name; }

const QString kGroup3 = group(3, "x");
const FailingCase kFailing[] = {
    {"unknown_kind", kSetMalformed, 0, one('x', kGroups, kGroup3)},
    {"text_cut_short", kSetMalformed, 0, one('I', kGroups, kGroup3).chopped(1)},
    {"lengths_not_digits", kSetMalformed, 0, QStringLiteral("I0a1000") + head('I', 0, 0, kGroups).mid(7)},
    {"one_length_kind_with_two", kSetMalformed, 0, head('I', logical(kGroup3), 1, kGroups) + kGroup3},
    {"not_going_on_from_prefix", kSetMalformed, 0, one('I', kGroups, kGroup3.mid(2))},
    {"name_without_value", kSetMalformed, 0, one('I', kGroups, kGroup3 + QStringLiteral(", \"\"wdth\"\""))},
    {"unknown_column", kSetBadColumn, 0, one('I', kGroups, kGroup3 + key("nope", 1))},
    {"text_into_number_column", kSetBadColumn, 0, one('I', kGroups, kGroup3 + more({pair("wdth", "wide")}))},
    {"column_twice", kSetBadColumn, 0, one('I', kGroups, kGroup3 + key("levl", 2))},
    // A text that is not well formed says so first, whatever else is wrong with it.
    {"bad_name_after_a_wrong_value", kSetMalformed, 0,
     one('I', kGroups, kGroup3 + more({pair("wdth", "wide"), pair("Wdth", 1)}))},
    {"bad_name_after_an_unknown_column", kSetMalformed, 0,
     one('I', kGroups, kGroup3 + more({pair("nope", 1), pair("no-pe", 2)}))},
    {"number_for_a_name", kSetMalformed, 0, one('I', kGroups, kGroup3 + QStringLiteral(", 5, 6"))},
    {"key_missing_a_column", kSetBadColumn, 0, one('d', kGroups, pairs({pair("clan", "2"), pair("grpi", 1)}))},
    // The whole key and a column more: it would name rows by a column that is no key.
    {"key_with_a_column_more", kSetBadColumn, 0, one('D', kGroups, key("grpi", 1) + key("levl", 1))},
    {"update_key_with_a_column_more", kSetBadColumn, 0,
     update('V', kFields, key("sequ", 1) + key("xpos", 77), key("sequ", 1) + key("xpos", 77) + key("ypos", 3))},
    // As many columns as the key, one of them no key column.
    {"update_key_with_a_column_in_place_of_a_key_column", kSetBadColumn, 0,
     update('V', kFields, key("xpos", 1), key("xpos", 1) + key("ypos", 3)), "is not a key of qxzrn301"},
    // The lengths swapped: read as given, the record would be its key alone and taken.
    {"update_key_longer_than_its_record", kSetMalformed, 0,
     head('V', logical(key("sequ", 1) + key("xpos", 3)), logical(key("sequ", 1)), kFields) + key("sequ", 1),
     "key longer than its record"},
    // What an update's record says after its key is read on from the key.
    {"update_rest_name_without_value", kSetMalformed, 0,
     update('V', kFields, key("sequ", 1), key("sequ", 1) + QStringLiteral(", \"\"xpos\"\""))},
    {"update_rest_unterminated", kSetMalformed, 0,
     update('V', kFields, key("sequ", 1), key("sequ", 1) + QStringLiteral(", \"\"fldn\"\", \"\"x"))},
    {"update_rest_bad_name", kSetMalformed, 0, update('v', kCommands, commandKey(7), commandKey(7) + key("Btyp", 3))},
    {"update_rest_names_a_key_column_again", kSetBadColumn, 0,
     update('V', kFields, key("sequ", 1), key("sequ", 1) + key("xpos", 3) + key("sequ", 1))},
    {"update_rest_text_into_number_column", kSetBadColumn, 0,
     update('V', kFields, key("sequ", 1), key("sequ", 1) + more({pair("xpos", "wide")}))},
    {"update_changing_the_key", kSetBadColumn, 0,
     update('u', kGroups, kPrefix + key("grpi", 1), kPrefix + key("grpi", 9))},
    {"object_set_not_open", kSetUnknownTable, 0, one('I', 998, kGroup3)},
    {"table_not_written_by_sets", kSetUnknownTable, 0, one('i', kMeta, pairs({pair("key", "x"), pair("value", "y")}))},
    {"check_constraint", kSetRefused, 0, one('I', kGroups, group(3, "x", 7))},
    {"duplicate_row", kSetRefused, 0, newGroup(2, "again")},
    {"layout_without_field_at_commit", kSetRefused, 1, one('I', kPlaces, key("sequ", 40))},
    {"mode_2", kSetMalformed, 2, one('I', kGroups, kGroup3)},
};

class FailingThirdPart : public UpdateSet, public ::testing::WithParamInterface<FailingCase> {};

TEST_P(FailingThirdPart, LeavesTheDatabaseAsItWas)
{
    const QString before = snapshot();
    ASSERT_TRUE(sent(kHeader + newGroup(2, "two"), 0));
    ASSERT_TRUE(sent(update('V', kFields, key("sequ", 1), key("sequ", 1) + key("xpos", 77)), 0));

    EXPECT_EQ(send(GetParam().part, GetParam().mode), GetParam().answer) << s(lastError());
    EXPECT_FALSE(lastError().isEmpty());
    EXPECT_TRUE(!GetParam().says || lastError().contains(QLatin1String(GetParam().says))) << s(lastError());
    EXPECT_FALSE(host::hostTransactionOpen(hostOf().database()));
    EXPECT_EQ(snapshot(), before);

    // The set is over: its prefix went with it, and a new set starts clean.
    EXPECT_EQ(send(newGroup(5, "five"), 1), kSetMalformed);
    ASSERT_TRUE(sent(kHeader + newGroup(5, "five"), 1));
    EXPECT_EQ(formRows("group_concat(grpi)", "qxzrn315"), QStringLiteral("1,5"));
}

INSTANTIATE_TEST_SUITE_P(Causes, FailingThirdPart, ::testing::ValuesIn(kFailing),
                         [](const auto& info) { return std::string(info.param.name); });

// An update's record is read on from its key; what it says of a fault names the whole text.
TEST_F(UpdateSet, UpdateRecordFaultsAfterTheKeyAreToldOfTheWholeRecord)
{
    const QString keyed = key("sequ", 1);
    EXPECT_EQ(send(kHeader + update('V', kFields, keyed, keyed + QStringLiteral(", \"\"xpos\"\"")), 0), kSetMalformed);
    EXPECT_TRUE(lastError().startsWith(QStringLiteral("a name without a value in [")));
    EXPECT_TRUE(lastError().contains(QStringLiteral("\"cpac\"")) && lastError().contains(QStringLiteral("\"xpos\"")))
        << s(lastError());

    EXPECT_EQ(send(kHeader + update('V', kFields, keyed, keyed + more({pair("xpos", "wide")})), 0), kSetBadColumn);
    EXPECT_EQ(s(lastError()), "qxzrn301.xpos takes a number, not \"wide\"");
    // A key column named again after the key, with its own value or another.
    for (const int sequ : {1, 2}) {
        EXPECT_EQ(send(kHeader + update('V', kFields, keyed, keyed + key("xpos", 3) + key("sequ", sequ)), 0),
                  kSetBadColumn);
        EXPECT_EQ(s(lastError()), "sequ named twice");
    }

    // The same record well formed is taken, with the values of its key and its rest.
    ASSERT_TRUE(
        sent(kHeader + update('V', kFields, keyed, keyed + more({pair("xpos", 31), pair("fldn", "after")})), 1));
    EXPECT_EQ(formRows("sequ, xpos, fldn", "qxzrn301", "AND sequ = 1"), QStringLiteral("1|31|after"));
}

TEST_F(UpdateSet, AbortOrAGarbledPartLeavesTheDatabaseAsItWasAndTheNextSetWritesOnlyItsOwnRows)
{
    const QString before = snapshot();
    const QString moved = update('V', kFields, key("sequ", 1), key("sequ", 1) + key("xpos", 77));
    ASSERT_TRUE(sent(kHeader + newGroup(2, "two") + moved, 0));
    ASSERT_TRUE(sent(one('D', kFields, key("sequ", 2)) + one('D', kPlaces, key("sequ", 2)), 0));
    ASSERT_EQ(sam(QStringLiteral("am_abort_transaction()")), 0) << s(hostOf().errorText());
    EXPECT_EQ(snapshot(), before);
    // The aborted set's prefix does not carry into the next one.
    EXPECT_EQ(send(newGroup(3, "three"), 1), kSetMalformed);
    EXPECT_EQ(snapshot(), before);

    // A part whose call text can't be read (an odd run of quotes) ends its set too.
    ASSERT_TRUE(sent(kHeader + newGroup(2, "two"), 0));
    int32_t n = 0;
    app->executeFunction(QStringLiteral("oqxdllextint"), QStringLiteral("execute.velq.set(\"I00\"5\",1,0)"), n);
    EXPECT_NE(app->vrokError(), 0);
    EXPECT_FALSE(host::hostTransactionOpen(hostOf().database()));
    EXPECT_EQ(snapshot(), before);

    // Records of the same shapes as the aborted set's, in a set of their own.
    ASSERT_TRUE(sent(kHeader + update('V', kFields, key("sequ", 1), key("sequ", 1) + key("xpos", 55)), 0));
    ASSERT_TRUE(sent(newGroup(2, "two"), 1));
    EXPECT_EQ(formRows("xpos", "qxzrn301", "AND sequ = 1"), QStringLiteral("55"));
    EXPECT_EQ(formRows("group_concat(grpi)", "qxzrn315"), QStringLiteral("1,2"));
}

// Rows a set names again and again, deletes and makes anew, and rows another host
// function writes between two of its parts, are each found as they stand: an update never
// makes a second row, and one of a row that went makes it again.
TEST_F(UpdateSet, RowsNamedAgainAfterDeletesInsertsAndOtherWritesAreFoundAsTheyStand)
{
    const QString group2 = key("grpi", 2);
    const QString input1 = key("sequ", 1);
    ASSERT_TRUE(sent(kHeader + newGroup(2, "two") + update('V', kGroups, group2, group2 + key("levl", 2))
                         + one('D', kGroups, group2) + update('V', kGroups, group2, group(2, "anew"))
                         + update('V', kGroups, group2, group2 + key("wdth", 30))
                         + one('I', kInputs, input1 + more({pair("inpc", "one"), pair("za_prop", 1)}))
                         + update('V', kInputs, input1, input1 + more({pair("defa", "d1")})),
                     0));
    // Written by the host function of a field's input row, in the set's transaction.
    int32_t n = 0;
    app->executeFunction(QStringLiteral("oqxdllextint"),
                         QStringLiteral("insert.qxzrn302(\"2\",\"te\",\"kwy\",\"simpled\",\"7.6\",\"a3\",\"dev\",2,1,"
                                        "\"two\",\"\")"),
                         n);
    ASSERT_EQ(app->vrokError(), 0) << s(hostOf().errorText());
    ASSERT_EQ(app->returnValue().toLongLong(), 0);
    const QString input2 = key("sequ", 2);
    ASSERT_TRUE(sent(update('V', kInputs, input2, input2 + more({pair("defa", "d2")}))
                         + one('D', kInputs, input1) + update('V', kInputs, input1, input1 + more({pair("inpc", "back")}))
                         + update('V', kGroups, group2, group2 + key("levl", 3)),
                     1));
    EXPECT_EQ(formRows("grpi, labl, levl, wdth", "qxzrn315", "AND grpi = 2"), QStringLiteral("2|anew|3|30"));
    EXPECT_EQ(formRows("sequ, inpc, defa, za_prop", "qxzrn302", "ORDER BY sequ"),
              QStringLiteral("1|back||2\n2|two|d2|1"));
}

TEST_F(UpdateSet, PartsWithoutHeaderGoOnFromThePrefixAndCommitOnlyAtTheLast)
{
    const QString before = snapshot();
    const QString key3 = key("grpi", 3), key4 = key("grpi", 4);
    ASSERT_TRUE(sent(kHeader + newGroup(2, "two")
                         + one('I', kGroups, more({pair("za_misc", 4), pair("grpi", 3), pair("labl", "three")})),
                     0));
    // Records of one table in other shapes across parts.
    ASSERT_TRUE(sent(one('I', kGroups, key4) + newGroup(5, "five"), 0));
    EXPECT_EQ(snapshot(), before) << "nothing is committed before the last part";
    ASSERT_TRUE(sent(update('V', kGroups, key3, key3 + key("levl", 7))
                         + update('V', kGroups, key4, key4 + more({pair("labl", "four"), pair("levl", 8)}))
                         + one('D', kGroups, key("grpi", 2)),
                     1));
    EXPECT_EQ(formRows("grpi, labl, levl, za_misc", "qxzrn315", "ORDER BY grpi"),
              QStringLiteral("1||0|0\n3|three|7|4\n4|four|8|0\n5|five|1|9"));

    // The committed set took its prefix along: a new set must bring its own.
    const QString committed = snapshot();
    EXPECT_EQ(send(newGroup(6, "six"), 1), kSetMalformed);
    EXPECT_EQ(snapshot(), committed);
}

TEST_F(UpdateSet, ObjectSetReopenedOnAnotherTableBetweenParts)
{
    ASSERT_TRUE(sent(kHeader + newGroup(2, "two"), 0));
    ASSERT_EQ(sam(QStringLiteral("am_close_object_set(%1)").arg(kGroups)), 0);
    ASSERT_EQ(sam(QStringLiteral("am_open_object_set(\"qxzrn316\")")), 0);
    ASSERT_EQ(app->returnValue().toLongLong(), kGroups) << "the freed number is given out again";

    ASSERT_TRUE(sent(one('i', kGroups, commandKey(7) + more({pair("btyp", 2), pair("mscf", "run.it")})), 1));
    EXPECT_EQ(formRows("group_concat(grpi)", "qxzrn315"), QStringLiteral("1,2"));
    EXPECT_EQ(formRows("sern, btyp, mscf", "qxzrn316", "AND sern = 7"), QStringLiteral("7|2|run.it"));
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
    ASSERT_TRUE(sent(kHeader + newGroup(2, "two") + one('D', kPlaces, key("sequ", 6)), 0));
    EXPECT_EQ(snapshot(), before);
    // The write-ahead log's: SQLite keeps the database file of a closed connection open
    // while another connection of the process holds a lock on it, never the log.
    const QString log = databasePath() + QStringLiteral("-wal");
    const int open = openCount(log);
    ASSERT_GE(open, 2) << "the host's connection and the test's";
    app->shutdown();
    // The statements the set kept for its next part must not hold the connection open.
    EXPECT_EQ(openCount(log), open - 1);
    EXPECT_EQ(snapshot(), before);
}

// A set the database cannot take answers why, with SQLite's words given back in place
// of the 0, and nothing of it is written.
TEST_F(UpdateSet, ASetTheDatabaseCannotWriteAnswersWhy)
{
    const QString before = snapshot();
    QString groups;
    for (int grpi = 2; grpi < 400; ++grpi)
        groups += newGroup(grpi, "many");
    const std::tuple<const char*, int64_t, const char*> cases[] = {
        {"PRAGMA query_only = ON", host::kSetCannotWrite, "attempt to write a readonly database"},
        {"PRAGMA max_page_count = 1", host::kSetDiskFull, "database or disk is full"},
        {"", host::kSetDiskError, "disk I/O error"},  // a write the file system refuses
    };
    for (const auto& [pragma, answer, words] : cases) {
        hostOf().database().exec(QLatin1String(pragma));
        std::optional<FileSizeLimit> limit;
        if (!*pragma)
            limit.emplace(rlim_t(1000));
        EXPECT_EQ(send(kHeader + groups, 1), answer) << words;
        limit.reset();
        EXPECT_TRUE(app->returnCall().contains(QLatin1String(words))) << s(app->returnCall().right(200));
        EXPECT_EQ(snapshot(), before) << words;
        hostOf().database().exec(QStringLiteral("PRAGMA query_only = OFF; PRAGMA max_page_count = 1073741823"));
    }
    ASSERT_TRUE(sent(kHeader + groups, 1));
}

// A database that keeps its journal, while another program's reader holds it: a
// connection opens, and its commit, or a part whose pages must go out to the file
// before it (a page cache of a few pages), cannot get the file to itself. Both answer
// busy, their reason given back in place of the 0, and nothing is written; once the
// reader has ended, the next set takes the write-ahead log and is stored.
TEST_F(UpdateSet, ACommitOrAPartThatMeetsAnotherProgramsReadAnswersBusy)
{
    const QString before = snapshot();
    app.reset();
    db->exec(QStringLiteral("PRAGMA journal_mode = DELETE"));  // as made before the log was used
    QString why;
    const auto reader = host::HostDatabase::openReadOnly(databasePath(), &why);
    ASSERT_TRUE(reader) << s(why);
    reader->exec(QStringLiteral("BEGIN; SELECT count(*) FROM qxzrn315"));
    ASSERT_NO_FATAL_FAILURE(connectHost());
    const auto journal = [&] { return queryRows(hostOf().database().handle(), QStringLiteral("PRAGMA journal_mode")); };

    EXPECT_EQ(send(kHeader + newGroup(2, "two"), 1), host::kSetBusy) << s(lastError());
    EXPECT_TRUE(app->returnCall().endsWith(QStringLiteral(",\"database is locked\")"))) << s(app->returnCall());
    EXPECT_EQ(journal(), QStringList{"delete"});

    hostOf().database().exec(QStringLiteral("PRAGMA cache_size = 2"));
    ASSERT_TRUE(sent(kHeader + newGroup(2, "two"), 0));
    QString many;
    for (int grpi = 3; grpi < 400; ++grpi)
        many += newGroup(grpi, "many");
    EXPECT_EQ(send(many, 0), host::kSetBusy) << s(lastError());
    EXPECT_FALSE(host::hostTransactionOpen(hostOf().database()));
    EXPECT_EQ(snapshot(), before);

    reader->exec(QStringLiteral("COMMIT"));
    ASSERT_TRUE(sent(kHeader + newGroup(2, "two"), 1));
    EXPECT_EQ(journal(), QStringList{"wal"});
}
