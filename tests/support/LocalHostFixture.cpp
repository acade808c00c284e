#include "LocalHostFixture.h"

#include "call_hooks.h"
#include "host_database.h"
#include "sqlite_util.h"

namespace {
const char kDbVariable[] = "PALIMOR_HOST_DB";
}

void resetLocalHostHooks()
{
    host::clearInjections();
    host::clearCallLog();
}

LocalHostEnvironment::LocalHostEnvironment(bool withSeed)
{
    if (!dir_.isValid()) {
        error_ = QStringLiteral("cannot make a temporary directory: %1").arg(dir_.errorString());
        return;
    }
    dbPath_ = dir_.filePath(QStringLiteral("host.sqlite"));
    QString why;
    if (!host::HostDatabase::create(dbPath_, withSeed, &why)) {
        error_ = QStringLiteral("cannot create the test database: %1").arg(why);
        return;
    }
    if (qEnvironmentVariableIsSet(kDbVariable))
        savedEnv_ = qgetenv(kDbVariable);
    qputenv(kDbVariable, dbPath_.toLocal8Bit());
    envSet_ = true;
    resetLocalHostHooks();
}

LocalHostEnvironment::~LocalHostEnvironment()
{
    if (envSet_) {
        if (savedEnv_)
            qputenv(kDbVariable, *savedEnv_);
        else
            qunsetenv(kDbVariable);
    }
    resetLocalHostHooks();
}

std::unique_ptr<host::HostDatabase> openHostDatabase(const QString& path)
{
    QString why;
    std::unique_ptr<host::HostDatabase> db = host::HostDatabase::open(path, &why);
    if (!db)
        ADD_FAILURE() << "cannot open " << path.toStdString() << ": " << why.toStdString();
    return db;
}

QStringList queryRows(sqlite3* db, const QString& sql)
{
    host::Statement st(db, sql);
    QStringList rows;
    while (st.step()) {
        QStringList columns;
        for (int c = 0; c < st.columnCount(); ++c)
            columns << st.text(c);
        rows << columns.join(u'|');
    }
    return rows;
}

QStringList queryRows(const QString& databasePath, const QString& sql)
{
    const auto db = openHostDatabase(databasePath);
    return db ? queryRows(db->handle(), sql) : QStringList();
}

int64_t queryNumber(sqlite3* db, const QString& sql)
{
    host::Statement st(db, sql);
    return st.step() ? st.int64(0) : -1;
}

void LocalHostFixture::SetUp()
{
    env_ = std::make_unique<LocalHostEnvironment>();
    ASSERT_TRUE(env_->ok()) << env_->error().toStdString();
}

void LocalHostFixture::TearDown() { env_.reset(); }

std::unique_ptr<host::HostDatabase> LocalHostFixture::openDatabase() const
{
    return openHostDatabase(databasePath());
}

std::unique_ptr<VrokApplication> LocalHostFixture::createHost() const
{
    return createVrokObject(QStringLiteral("Vrok.Application"));
}
