// The host database's write-ahead log: readers go on while another program holds the
// write lock (the save under that lock: test_locked_host), a database made before the
// log is switched by an open that may write, and no open leaves files beside it once
// closed. Readers read a save that commits meanwhile wholly or not at all. Other users:
// tests/host/other_users.sh.
#include "form_dump.h"
#include "host_database.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"

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
    std::string besideTheDatabase() const
    {
        return s(QDir(tempDir()).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(u' '));
    }
    std::unique_ptr<host::HostDatabase> reader()
    {
        QString why;
        auto db = host::HostDatabase::openReadOnly(databasePath(), &why);
        EXPECT_TRUE(db) << s(why);
        return db;
    }
};

// A database made before the log was used keeps its journal for a reader, which
// leaves the file as it was; an open that may write switches it, and the last one to
// close removes the log files. Readers go on under another program's write lock.
TEST_F(LockedDatabase, AJournalDatabaseIsSwitchedByAWritingOpenOnlyAndReadUnderAnotherProgramsLock)
{
    openDatabase()->exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
    const std::string alone = "host.sqlite";
    ASSERT_EQ(besideTheDatabase(), alone);
    const QByteArray bytes = fileBytes(databasePath());
    {
        const auto read = reader();
        ASSERT_TRUE(read);
        EXPECT_EQ(journalMode(*read), QStringLiteral("delete"));
        EXPECT_THROW(read->exec(QStringLiteral("DELETE FROM qxzrn450")), host::SqliteError);
    }
    EXPECT_EQ(besideTheDatabase(), alone);
    EXPECT_EQ(fileBytes(databasePath()), bytes) << "opening and reading change no byte";
    EXPECT_EQ(journalMode(*openDatabase()), QStringLiteral("wal"));
    EXPECT_EQ(besideTheDatabase(), alone);

    // Another program deletes the messages in a transaction it has not ended.
    const auto other = openDatabase();
    other->exec(QStringLiteral("BEGIN EXCLUSIVE; DELETE FROM qxzrn450"));
    {
        const auto read = reader();
        ASSERT_TRUE(read);
        EXPECT_EQ(journalMode(*read), QStringLiteral("wal"));
        EXPECT_GT(queryNumber(read->handle(), QStringLiteral("SELECT count(*) FROM qxzrn450")), 40);
    }
    other->exec(QStringLiteral("ROLLBACK"));
}

// The dump reads the form in one read transaction: a save another connection commits
// as the dump starts on the fields, its groups read already, is not seen half.
TEST_F(LockedDatabase, ADumpDoesNotSeeHalfOfASaveCommittedWhileItReads)
{
    const auto writer = openDatabase();
    host::HostDatabase::Transaction(*writer).commit();  // the log, in which it commits while read
    const auto read = reader();
    ASSERT_TRUE(read);
    const host::FormIdentity simpled{"te", "kwy", "simpled", "2", "7.6", "a3", "dev"};
    const QString before = host::dumpForm(read->handle(), simpled);

    struct Save {
        host::HostDatabase* writer;
        int rc = -1;
    } save{writer.get()};
    const auto onStatement = [](unsigned, void* context, void*, void* sql) {
        auto* save = static_cast<Save*>(context);
        if (save->rc == -1 && QByteArray(static_cast<const char*>(sql)).contains(" FROM qxzrn301 ")) {
            save->rc = sqlite3_exec(save->writer->handle(),
                                    "BEGIN IMMEDIATE; UPDATE qxzrn315 SET labl = 'saved' WHERE cfrm = 'simpled';"
                                    "UPDATE qxzrn301 SET fldn = 'saved' WHERE cfrm = 'simpled'; COMMIT",
                                    nullptr, nullptr, nullptr);
        }
        return 0;
    };
    sqlite3_trace_v2(read->handle(), SQLITE_TRACE_STMT, onStatement, &save);
    const QString during = host::dumpForm(read->handle(), simpled);
    sqlite3_trace_v2(read->handle(), 0, nullptr, nullptr);
    ASSERT_EQ(save.rc, SQLITE_OK);
    EXPECT_TRUE(during == before) << firstDifference(during, before);
    const QString after = host::dumpForm(read->handle(), simpled);
    EXPECT_TRUE(after.contains(QStringLiteral("labl=saved")) && after.contains(QStringLiteral("fldn=saved")));
}

} // namespace
