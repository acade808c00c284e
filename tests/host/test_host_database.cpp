#include "host_database.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"

#include <QDir>

#include <sqlite3.h>

using host::HostDatabase;
using host::SqlScript;
using host::Statement;

namespace {

std::string s(const QString& q) { return q.toStdString(); }

// A raw connection, for making and reading files that the host would not make itself.
int64_t rawExec(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const int64_t result = queryNumber(db, QString::fromLatin1(sql));
    sqlite3_close(db);
    return result;
}

class HostDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const char* name = "host.sqlite") const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

} // namespace

// Init over a leftover work file and on an existing file are tested with the tool.
TEST_F(HostDatabaseTest, AFailedCreateLeavesNoFile)
{
    QString why;
    const QList<SqlScript> good = HostDatabase::migrations();
    ASSERT_FALSE(good.isEmpty());
    const SqlScript broken{QStringLiteral("999_broken.sql"), QStringLiteral("CREATE TABLE broken ("), 999};
    const SqlScript badSeed{QStringLiteral("seed_bad.sql"), QStringLiteral("INSERT INTO nowhere VALUES (1);"), 0};
    EXPECT_FALSE(HostDatabase::createFrom(path(), good + QList<SqlScript>{broken}, {}, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("999_broken.sql"))) << s(why);
    EXPECT_FALSE(HostDatabase::createFrom(path(), good, {badSeed}, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("seed_bad.sql"))) << s(why);
    EXPECT_FALSE(HostDatabase::createFrom(path(), {}, {}, &why));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(HostDatabaseTest, OpenCreatesAMissingDatabaseUpdatesAnOlderOneAndRefusesTheUnknown)
{
    // Missing (in a missing directory), and at the first migration only; an empty file
    // is no host database.
    QString why;
    rawExec(path("empty.sqlite"), "PRAGMA user_version = 0");
    ASSERT_TRUE(HostDatabase::createFrom(path("v1.sqlite"), {HostDatabase::migrations().first()}, {}, &why)) << s(why);
    // Reading alone updates nothing.
    EXPECT_FALSE(HostDatabase::openReadOnly(path("v1.sqlite"), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("older schema version 1 of"))) << s(why);
    EXPECT_EQ(rawExec(path("v1.sqlite"), "PRAGMA user_version"), 1);
    for (const QString& file : {dir.filePath(QStringLiteral("a/b/host.sqlite")), path("v1.sqlite")}) {
        auto db = HostDatabase::open(file, &why);
        ASSERT_TRUE(db) << s(file) << ": " << s(why);
        EXPECT_EQ(db->schemaVersion(), HostDatabase::latestSchemaVersion()) << s(file);
        EXPECT_EQ(queryNumber(db->handle(), QStringLiteral("SELECT count(*) FROM host_meta WHERE key = 'dll_version'")), 1);
    }

    // A newer schema, a database of someone else, no name and an empty file are refused; a
    // junk file is tested with the host's start.
    ASSERT_TRUE(HostDatabase::create(path("newer.sqlite"), false, &why)) << s(why);
    const QByteArray newer =
        QStringLiteral("PRAGMA user_version = %1").arg(HostDatabase::latestSchemaVersion() + 1).toUtf8();
    rawExec(path("newer.sqlite"), newer.constData());
    rawExec(path("foreign.sqlite"), "CREATE TABLE mine (x)");
    for (const char* name : {"newer.sqlite", "foreign.sqlite", ""}) {
        why.clear();
        EXPECT_FALSE(HostDatabase::open(*name ? path(name) : QString(), &why)) << name;
        EXPECT_FALSE(why.isEmpty()) << name;
    }
    EXPECT_EQ(rawExec(path("foreign.sqlite"), "SELECT count(*) FROM sqlite_master"), 1);
    // Without a table at version 0, as a raw connection leaves it: refused, not filled.
    const QByteArray empty = fileBytes(path("empty.sqlite"));
    why.clear();
    EXPECT_FALSE(HostDatabase::open(path("empty.sqlite"), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("empty.sqlite is empty, not a host database"))) << s(why);
    EXPECT_TRUE(fileBytes(path("empty.sqlite")) == empty);
}

// Transactions are tested through the update set and the generator.
TEST_F(LocalHostFixture, StatementBindsAndReadsValuesAndFailuresThrow)
{
    auto db = openDatabase();
    ASSERT_TRUE(db);
    {
        db->exec(QStringLiteral("CREATE TABLE t (a TEXT, b INTEGER)"));
        Statement ins(db->handle(), QStringLiteral("INSERT INTO t (a, b) VALUES (?1, ?2)"));
        const QString tricky = QStringLiteral("it's \"quoted\"; DROP TABLE t; -- \u00e9\u20ac");
        ins.bind(1, tricky).bind(2, int64_t(-9007199254740993LL)).exec();
        ins.reset();
        ins.bind(1, QString()).bindNull(2).exec();

        Statement sel(db->handle(), QStringLiteral("SELECT a, b FROM t ORDER BY rowid"));
        ASSERT_TRUE(sel.columnCount() == 2 && sel.step());
        EXPECT_TRUE(sel.text(0) == tricky && sel.int64(1) == -9007199254740993LL);
        ASSERT_TRUE(sel.step());
        EXPECT_TRUE(!sel.isNull(0) && sel.isNull(1));  // a null QString is stored as an empty text
        EXPECT_FALSE(sel.step());
    }

    EXPECT_THROW(Statement(db->handle(), QStringLiteral("SELEKT 1")), host::SqliteError);
    try {
        Statement(db->handle(), QStringLiteral("INSERT INTO host_meta (key, value) VALUES ('dll_version', 'x')")).exec();
        FAIL() << "duplicate key accepted";
    } catch (const host::SqliteError& e) {
        EXPECT_EQ((e.sqliteCode() & 0xff) * 1000 + e.code(), SQLITE_CONSTRAINT * 1000 + host::kErrDatabase);
    }
    db->close();
    EXPECT_THROW(db->exec(QStringLiteral("SELECT 1")), host::SqliteError);
}
