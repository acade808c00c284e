#include "host_database.h"
#include "sqlite_util.h"
#include "support/LocalHostFixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

using host::HostDatabase;
using host::SqlScript;
using host::Statement;

namespace {

std::string s(const QString& q) { return q.toStdString(); }

int64_t scalar(sqlite3* db, const QString& sql)
{
    Statement st(db, sql);
    return st.step() ? st.int64(0) : -1;
}

// A raw connection, for making files that the host would not make itself.
void rawExec(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class HostDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const char* name = "host.sqlite") const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(HostDatabaseTest, CreateBuildsTheSchemaOverALeftoverWorkFile)
{
    writeFile(path() + ".tmp", QByteArray(2048, '\x07'));
    QString why;
    ASSERT_TRUE(HostDatabase::create(path(), false, &why)) << s(why);
    EXPECT_FALSE(QFile::exists(path() + ".tmp"));
    auto db = HostDatabase::open(path(), &why);
    ASSERT_TRUE(db) << s(why);
    EXPECT_EQ(db->schemaVersion(), HostDatabase::latestSchemaVersion());
    EXPECT_EQ(scalar(db->handle(), QStringLiteral("PRAGMA user_version")), db->schemaVersion());
    EXPECT_EQ(scalar(db->handle(), QStringLiteral("SELECT count(*) FROM qxzrn230")), 0);
    EXPECT_EQ(scalar(db->handle(), QStringLiteral("SELECT count(*) FROM host_meta WHERE key = 'bytes_per_char'")), 1);

    // The shipped DLL version: release family 4 ("x") and the newest backend level.
    Statement st(db->handle(), QStringLiteral("SELECT value FROM host_meta WHERE key = 'dll_version'"));
    ASSERT_TRUE(st.step());
    const QString version = st.text(0);
    EXPECT_TRUE(version.startsWith(QLatin1Char('x'))) << s(version);
    bool digits = false;
    EXPECT_GE(version.right(3).toInt(&digits), 6) << s(version);
    EXPECT_TRUE(digits) << s(version);
}

TEST_F(HostDatabaseTest, CreateRefusesAnExistingPathAndAFailedCreateLeavesNoFile)
{
    writeFile(path("kept.sqlite"), "keep me");
    QString why;
    EXPECT_FALSE(HostDatabase::create(path("kept.sqlite"), true, &why));
    EXPECT_FALSE(why.isEmpty());
    QFile kept(path("kept.sqlite"));
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("keep me"));

    const QList<SqlScript> good = HostDatabase::migrations();
    ASSERT_FALSE(good.isEmpty());
    const SqlScript broken{QStringLiteral("999_broken.sql"), QStringLiteral("CREATE TABLE broken ("), 999};
    const SqlScript badSeed{QStringLiteral("seed_bad.sql"), QStringLiteral("INSERT INTO nowhere VALUES (1);"), 0};
    EXPECT_FALSE(HostDatabase::createFrom(path(), good + QList<SqlScript>{broken}, {}, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("999_broken.sql"))) << s(why);
    EXPECT_FALSE(HostDatabase::createFrom(path(), good, {badSeed}, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("seed_bad.sql"))) << s(why);
    EXPECT_FALSE(HostDatabase::createFrom(path(), {}, {}, &why));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.sqlite"});
}

TEST_F(HostDatabaseTest, OpenCreatesAMissingDatabaseUpdatesAnOlderOneAndRefusesTheUnknown)
{
    const QString deep = dir.filePath(QStringLiteral("a/b/host.sqlite"));
    QString why;
    auto db = HostDatabase::open(deep, &why);
    ASSERT_TRUE(db) << s(why);
    EXPECT_TRUE(QFile::exists(deep));
    EXPECT_EQ(db->schemaVersion(), HostDatabase::latestSchemaVersion());

    // An empty database has no migration applied yet.
    rawExec(path("empty.sqlite"), "PRAGMA user_version = 0");
    auto empty = HostDatabase::open(path("empty.sqlite"), &why);
    ASSERT_TRUE(empty) << s(why);
    EXPECT_EQ(empty->schemaVersion(), HostDatabase::latestSchemaVersion());
    EXPECT_EQ(scalar(empty->handle(), QStringLiteral("SELECT count(*) FROM host_meta WHERE key = 'dll_version'")), 1);

    // One at the first migration gets the later ones.
    ASSERT_TRUE(HostDatabase::createFrom(path("v1.sqlite"), {HostDatabase::migrations().first()}, {}, &why)) << s(why);
    auto v1 = HostDatabase::open(path("v1.sqlite"), &why);
    ASSERT_TRUE(v1) << s(why);
    EXPECT_EQ(v1->schemaVersion(), HostDatabase::latestSchemaVersion());

    // A newer schema, a database of someone else, junk and no name are refused.
    ASSERT_TRUE(HostDatabase::create(path("newer.sqlite"), false, &why)) << s(why);
    const QByteArray newer =
        QStringLiteral("PRAGMA user_version = %1").arg(HostDatabase::latestSchemaVersion() + 1).toUtf8();
    rawExec(path("newer.sqlite"), newer.constData());
    rawExec(path("foreign.sqlite"), "CREATE TABLE mine (x); INSERT INTO mine VALUES (1)");
    writeFile(path("junk.sqlite"), QByteArray(4096, 'j'));
    for (const char* name : {"newer.sqlite", "foreign.sqlite", "junk.sqlite", ""}) {
        why.clear();
        EXPECT_FALSE(HostDatabase::open(*name ? path(name) : QString(), &why)) << name;
        EXPECT_FALSE(why.isEmpty()) << name;
    }
    // The foreign database is left as it was.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path("foreign.sqlite")).constData(), &raw), SQLITE_OK);
    EXPECT_EQ(scalar(raw, QStringLiteral("SELECT count(*) FROM sqlite_master")), 1);
    sqlite3_close(raw);
}

class HostDatabaseUse : public LocalHostFixture {
protected:
    void SetUp() override
    {
        LocalHostFixture::SetUp();
        db = openDatabase();
        ASSERT_TRUE(db);
    }
    int64_t metaCount(const char* key)
    {
        Statement st(db->handle(), QStringLiteral("SELECT count(*) FROM host_meta WHERE key = ?1"));
        st.bind(1, QString::fromLatin1(key));
        return st.step() ? st.int64(0) : -1;
    }
    void insertMeta(const char* key)
    {
        Statement st(db->handle(), QStringLiteral("INSERT INTO host_meta (key, value) VALUES (?1, 'v')"));
        st.bind(1, QString::fromLatin1(key)).exec();
    }
    std::unique_ptr<HostDatabase> db;
};

TEST_F(LocalHostFixture, DefaultDatabasePathIsNamedByTheEnvironment)
{
    qputenv("PALIMOR_HOST_DB", "/some/where/else.sqlite");
    EXPECT_EQ(HostDatabase::defaultPath(), QStringLiteral("/some/where/else.sqlite"));
    qunsetenv("PALIMOR_HOST_DB");
    EXPECT_TRUE(HostDatabase::defaultPath().endsWith(QStringLiteral("/palimor/host.sqlite")))
        << s(HostDatabase::defaultPath());
}

TEST_F(HostDatabaseUse, TransactionsCommitAndRollBack)
{
    db->begin();
    EXPECT_TRUE(db->inTransaction());
    insertMeta("gone");
    db->rollback();
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(metaCount("gone"), 0);

    {
        HostDatabase::Transaction tx(*db);
        insertMeta("dropped");
    }
    EXPECT_EQ(metaCount("dropped"), 0);
    {
        HostDatabase::Transaction tx(*db);
        insertMeta("kept");
        tx.commit();
    }
    EXPECT_EQ(metaCount("kept"), 1);
    EXPECT_NO_THROW(db->rollback());  // nothing open: no error
}

TEST_F(HostDatabaseUse, StatementBindsAndReadsValuesAndFailuresThrow)
{
    {
        db->exec(QStringLiteral("CREATE TABLE t (a TEXT, b INTEGER)"));
        Statement ins(db->handle(), QStringLiteral("INSERT INTO t (a, b) VALUES (?1, ?2)"));
        const QString tricky = QStringLiteral("it's \"quoted\"; DROP TABLE t; -- \u00e9\u20ac");
        ins.bind(1, tricky).bind(2, int64_t(-9007199254740993LL)).exec();
        ins.reset();
        ins.bindNull(1).bind(2, 7).exec();
        ins.reset();
        ins.bind(1, QString()).bindNull(2).exec();

        Statement sel(db->handle(), QStringLiteral("SELECT a, b FROM t ORDER BY rowid"));
        ASSERT_EQ(sel.columnCount(), 2);
        ASSERT_TRUE(sel.step());
        EXPECT_EQ(sel.text(0), tricky);
        EXPECT_EQ(sel.int64(1), -9007199254740993LL);
        ASSERT_TRUE(sel.step());
        EXPECT_TRUE(sel.isNull(0));
        EXPECT_TRUE(sel.text(0).isNull());
        EXPECT_EQ(sel.int64(1), 7);
        ASSERT_TRUE(sel.step());
        EXPECT_FALSE(sel.isNull(0));  // a null QString is stored as an empty text
        EXPECT_TRUE(sel.isNull(1));
        EXPECT_FALSE(sel.step());
    }

    // Failures throw.
    EXPECT_THROW(Statement(db->handle(), QStringLiteral("SELEKT 1")), host::SqliteError);
    Statement dup(db->handle(), QStringLiteral("INSERT INTO host_meta (key, value) VALUES ('dll_version', 'x')"));
    try {
        dup.exec();
        FAIL() << "duplicate key accepted";
    } catch (const host::SqliteError& e) {
        EXPECT_EQ(e.sqliteCode() & 0xff, SQLITE_CONSTRAINT);
        EXPECT_EQ(e.code(), host::kErrDatabase);
    }
    db->close();
    EXPECT_FALSE(db->isOpen());
    EXPECT_THROW(db->exec(QStringLiteral("SELECT 1")), host::SqliteError);
    EXPECT_THROW(Statement(db->handle(), QStringLiteral("SELECT 1")), host::SqliteError);
    EXPECT_THROW(db->schemaVersion(), host::SqliteError);
}

TEST(HostDatabaseText, TrimBlanksRemovesOnlyOuterBlanks)
{
    EXPECT_EQ(host::trimBlanks(QStringLiteral("  ab c  ")), QStringLiteral("ab c"));
    EXPECT_EQ(host::trimBlanks(QStringLiteral("   ")), QString());
    EXPECT_EQ(host::trimBlanks(QStringLiteral("\tx\t")), QStringLiteral("\tx\t"));
}
