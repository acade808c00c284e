// The host database while another program holds its write lock in a transaction it has
// not ended: readers and the host's read calls go on with what was committed, an update
// set gives way with its own answer and leaves no transaction open.
#include "host_database.h"
#include "host_transaction.h"
#include "local_host.h"
#include "query_engine.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"
#include "update_set.h"

#include <QDir>

#include <sqlite3.h>

namespace {

std::string s(const QString& q) { return q.toStdString(); }

QString journalMode(const host::HostDatabase& db)
{
    return queryRows(db.handle(), QStringLiteral("PRAGMA journal_mode")).value(0);
}

class LockedDatabase : public LocalHostFixture {
protected:
    // A host function call through the host link: VrokError and the returned call.
    std::pair<int32_t, QString> call(VrokApplication& app, const char* object, const QString& callText)
    {
        int32_t n = 0;
        app.executeFunction(QLatin1String(object), callText, n);
        return {app.vrokError(), app.returnCall()};
    }
    std::string besideTheDatabase() const
    {
        return s(QDir(tempDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(u' '));
    }
};

TEST_F(LockedDatabase, ReadersAndTheHostsReadCallsGoOnWithWhatWasCommitted)
{
    const auto other = openDatabase();
    ASSERT_TRUE(other);
    EXPECT_EQ(journalMode(*other), QStringLiteral("wal"));
    other->exec(QStringLiteral("BEGIN EXCLUSIVE; DELETE FROM qxzrn450"));

    const auto app = createHost();
    const auto [error, returned] =
        call(*app, "oqxdllextint", QStringLiteral("get.message(\"qxplqx0217\",\"2\",\"%1\")").arg(QString(80, u' ')));
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(returned.contains(QStringLiteral("The form could not be stored; nothing was saved.")))
        << s(returned);
    QString why;
    for (const bool readOnly : {false, true}) {
        const auto reader = readOnly ? host::HostDatabase::openReadOnly(databasePath(), &why)
                                     : host::HostDatabase::open(databasePath(), &why);
        ASSERT_TRUE(reader) << s(why);
        EXPECT_GT(queryNumber(reader->handle(), QStringLiteral("SELECT count(*) FROM qxzrn450")), 40) << readOnly;
    }
    other->exec(QStringLiteral("ROLLBACK"));
}

// A database made before the log was used is switched by the first open that may write;
// a read-only open switches nothing, and no open leaves files beside the database.
TEST_F(LockedDatabase, AJournalDatabaseIsSwitchedByAWritingOpenOnly)
{
    openDatabase()->exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
    const std::string alone = "host.sqlite";
    ASSERT_EQ(besideTheDatabase(), alone);
    QString why;
    {
        const auto reader = host::HostDatabase::openReadOnly(databasePath(), &why);
        ASSERT_TRUE(reader) << s(why);
        EXPECT_EQ(journalMode(*reader), QStringLiteral("delete"));
        EXPECT_THROW(reader->exec(QStringLiteral("DELETE FROM qxzrn450")), host::SqliteError);
    }
    EXPECT_EQ(besideTheDatabase(), alone);
    EXPECT_EQ(journalMode(*openDatabase()), QStringLiteral("wal"));
    EXPECT_EQ(besideTheDatabase(), alone);
    {
        const auto reader = host::HostDatabase::openReadOnly(databasePath(), &why);
        ASSERT_TRUE(reader) << s(why);
        EXPECT_EQ(journalMode(*reader), QStringLiteral("wal"));
    }
    EXPECT_EQ(besideTheDatabase(), alone);
}

// The set waits for the lock as long as the connection waits, then answers that the
// database is busy: nothing written, no transaction left to block the next set.
TEST_F(LockedDatabase, ASetUnderAnotherProgramsLockAnswersBusyAndTheSameSetGoesLater)
{
    const auto app = createHost();
    ASSERT_EQ(call(*app, "oqxsammain", QStringLiteral("am_open_object_set(\"qxzrn316\")")).first, 0);
    const QString set = app->returnValue();
    const QString record = QStringLiteral("\"\"clan\"\", \"\"2\"\", \"\"cpac\"\", \"\"te\"\", \"\"vers\"\", \"\"7.6\"\", "
                                          "\"\"rele\"\", \"\"a3\"\", \"\"cust\"\", \"\"dev\"\", \"\"cmod\"\", "
                                          "\"\"kwy\"\", \"\"cfrm\"\", \"\"simpled\"\", \"\"sern\"\", 77, \"\"btyp\"\", 2");
    const auto digits3 = [](qsizetype n) { return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')); };
    // One insert record: kind, its length once "" is made single, no second length, the set.
    const QString callText = QStringLiteral("execute.velq.set(\"i") + digits3(record.size() - record.count(u"\"\""))
                             + QStringLiteral("000") + digits3(set.toInt()) + record + QStringLiteral("\",1,0)");
    const QString count = QStringLiteral("SELECT count(*) FROM qxzrn316 WHERE sern = 77");
    const auto other = openDatabase();
    other->exec(QStringLiteral("BEGIN EXCLUSIVE"));

    auto& local = dynamic_cast<host::LocalHost&>(*app);
    const auto why = [&] { return s(host::hostSession(local.database().handle()).lastSetError); };
    EXPECT_EQ(call(*app, "oqxdllextint", callText).first, 0);
    EXPECT_EQ(app->returnValue(), QString::number(host::kSetBusy)) << why();
    EXPECT_FALSE(host::hostTransactionOpen(local.database()));
    EXPECT_EQ(queryNumber(other->handle(), count), 0);

    other->exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(call(*app, "oqxdllextint", callText).first, 0);
    EXPECT_EQ(app->returnValue(), QStringLiteral("0")) << why();
    EXPECT_EQ(queryNumber(other->handle(), count), 1);
}

} // namespace
