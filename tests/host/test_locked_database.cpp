// The host database's write-ahead log: readers go on while another program holds the
// write lock (the save under that lock: test_locked_host), a database made before the
// log is switched by an open that may write, and no open leaves files beside it.
#include "host_database.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"

#include <QDir>

namespace {

std::string s(const QString& q) { return q.toStdString(); }

QString journalMode(const host::HostDatabase& db)
{
    return queryRows(db.handle(), QStringLiteral("PRAGMA journal_mode")).value(0);
}

class LockedDatabase : public LocalHostFixture {
protected:
    std::string besideTheDatabase() const
    {
        return s(QDir(tempDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(u' '));
    }
};

TEST_F(LockedDatabase, AJournalDatabaseIsSwitchedByAWritingOpenOnlyAndReadUnderAnotherProgramsLock)
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

    // Another program deletes the messages in a transaction it has not ended.
    const auto other = openDatabase();
    other->exec(QStringLiteral("BEGIN EXCLUSIVE; DELETE FROM qxzrn450"));
    {
        const auto reader = host::HostDatabase::openReadOnly(databasePath(), &why);
        ASSERT_TRUE(reader) << s(why);
        EXPECT_EQ(journalMode(*reader), QStringLiteral("wal"));
        EXPECT_GT(queryNumber(reader->handle(), QStringLiteral("SELECT count(*) FROM qxzrn450")), 40);
    }
    other->exec(QStringLiteral("ROLLBACK"));
}

} // namespace
