#include "host_database.h"

#include "sqlite_util.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <mutex>

// Q_INIT_RESOURCE must stand outside any namespace.
static void initHostSqlResources()
{
    Q_INIT_RESOURCE(host_sql);
}

namespace host {

struct HostDatabase::BusyWait {
    sqlite3* db = nullptr;
    QElapsedTimer since;  // of the wait under way
    bool gaveUp = false;  // a wait ran out in the open transaction
    bool noWait = false;
};

namespace {

const QString kSqlDir = QStringLiteral(":/host/sql");

void ensureResources()
{
    static std::once_flag once;
    std::call_once(once, initHostSqlResources);
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Reads the scripts whose file names match pattern, in name order.
QList<SqlScript> readScripts(const QRegularExpression& pattern, QString* error, bool* ok)
{
    ensureResources();
    *ok = true;
    QList<SqlScript> scripts;
    const QStringList names = QDir(kSqlDir).entryList(QDir::Files, QDir::Name);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (!m.hasMatch())
            continue;
        QFile file(kSqlDir + QLatin1Char('/') + name);
        if (!file.open(QIODevice::ReadOnly)) {
            setError(error, QStringLiteral("cannot read script %1").arg(name));
            *ok = false;
            return {};
        }
        SqlScript script;
        script.name = name;
        script.sql = QString::fromUtf8(file.readAll());
        if (m.lastCapturedIndex() >= 1)
            script.number = m.captured(1).toInt();
        scripts.append(script);
    }
    return scripts;
}

void removeWithJournals(const QString& path)
{
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

// Makes a new empty file of a unique name beside path ("host.sqlite.1a2b3c4d.tmp").
// Only a file made here is ever removed again, never one that was there before.
QString createWorkFile(const QString& path, QString* error)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = QStringLiteral("%1.%2.tmp")
                           .arg(path)
                           .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        QFile file(name);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return name;
        if (!QFileInfo::exists(name)) {
            setError(error, QStringLiteral("cannot create a work file beside %1: %2").arg(path, file.errorString()));
            return QString();
        }
    }
    setError(error, QStringLiteral("cannot find a free work file name beside %1").arg(path));
    return QString();
}

// SQLite's count of its own memory takes a process-wide lock on every allocation, and
// nothing here reads it. Set before SQLite starts; later it is refused, and stays on.
void configureSqlite()
{
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

// path as SQLite's URI of it, with the parameters given ("immutable=1").
QByteArray uriOf(const QString& path, const char* parameters)
{
    return QByteArrayLiteral("file:") + QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath(), "/") + '?'
           + parameters;
}

sqlite3* openConnection(const QString& path, int flags, QString* error, const char* uriParameters = nullptr)
{
    configureSqlite();
    sqlite3* db = nullptr;
    const QByteArray name = uriParameters ? uriOf(path, uriParameters) : QFile::encodeName(path);
    // A connection is only ever used by the thread that opened it: SQLite's locking of
    // each call (several per column read) would buy nothing.
    const int rc = sqlite3_open_v2(name.constData(), &db,
                                   flags | SQLITE_OPEN_NOMUTEX | (uriParameters ? SQLITE_OPEN_URI : 0), nullptr);
    if (rc != SQLITE_OK) {
        setError(error, QStringLiteral("cannot open %1: %2").arg(path, lastError(db)));
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_extended_result_codes(db, 1);
    return db;
}

// A database in write-ahead-log mode (see HostDatabase::tryWriteAheadLog) with no log
// beside it: no program has it open. A user who could not remove the -wal and -shm
// that opening it makes (the file is not his to write, or its folder is not) would
// leave them behind, another user's files that its owner's writes then fail on, or
// could not open it at all. He reads it as it stands, without locks and without
// files, and never writes it. A writer that opens it meanwhile is not seen, and one
// that closes while he reads may change pages under him.
bool readAsItStands(const QString& path)
{
    const QFileInfo file(path);
    if (QFileInfo::exists(path + QStringLiteral("-wal"))
        || (file.isWritable() && QFileInfo(file.absolutePath()).isWritable()))
        return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // The header's write and read versions: 2 in write-ahead-log mode.
    const QByteArray head = f.read(20);
    return head.size() == 20 && head.startsWith("SQLite format 3") && head.at(18) == 2 && head.at(19) == 2;
}

int userVersion(sqlite3* db)
{
    Statement st(db, QStringLiteral("PRAGMA user_version"));
    return st.step() ? int(st.int64(0)) : 0;
}

void setUserVersion(sqlite3* db, int version)
{
    // PRAGMA takes no parameters; version is our own number, not outside data.
    execScript(db, QStringLiteral("PRAGMA user_version = %1").arg(version));
}

// A wait for another connection's lock ends after kBusyWaitMs. Inside a transaction,
// a wait that ran out makes the later ones give up at once: SQLite retries a write of
// its full page cache at every new page, which would otherwise wait again each time,
// and does not fail the statement (HostDatabase::busyGaveUp tells of it).
int waitForLock(void* state, int count)
{
    auto* wait = static_cast<HostDatabase::BusyWait*>(state);
    const bool inTransaction = !sqlite3_get_autocommit(wait->db);
    if (inTransaction && wait->gaveUp)
        return 0;
    if (wait->noWait)
        return 0;
    if (count == 0)
        wait->since.start();
    if (wait->since.elapsed() >= HostDatabase::kBusyWaitMs) {
        wait->gaveUp = inTransaction;
        return 0;
    }
    sqlite3_sleep(std::min(count + 1, 20));
    return 1;
}

// SQLite finds the file corrupt, not a database at all, or cannot read it.
bool isDamage(int sqliteCode)
{
    const int primary = sqliteCode & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB || primary == SQLITE_IOERR;
}

QString damageText(const QString& path, int sqliteCode, const QString& words)
{
    const QString text = (sqliteCode & 0xff) == SQLITE_IOERR ? QStringLiteral("%1 cannot be read: %2")
                                                              : QStringLiteral("%1 is damaged: %2");
    return text.arg(path, words);
}

// Reads every page of the tables and indexes (milliseconds at the host's sizes), so
// that damage shows at the open and not at some later call. SQLite's findings; empty
// when the file is sound. Throws when SQLite cannot even read that far.
QString quickCheck(sqlite3* db)
{
    Statement check(db, QStringLiteral("PRAGMA quick_check(3)"));
    QStringList found;
    while (check.step())
        found.append(check.text(0).simplified());
    return found == QStringList{QStringLiteral("ok")} ? QString() : found.join(QStringLiteral("; "));
}

void runScript(sqlite3* db, const SqlScript& script)
{
    try {
        execScript(db, script.sql);
    } catch (const SqliteError& e) {
        throw SqliteError(e.sqliteCode(), QStringLiteral("%1: %2").arg(script.name, e.message()));
    }
}

} // namespace

QString HostDatabase::defaultPath()
{
    QString fromEnv = qEnvironmentVariable("PALIMOR_HOST_DB");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/palimor/host.sqlite");
}

QList<SqlScript> HostDatabase::migrations(QString* error)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{3})_.+\\.sql$"));
    bool ok = false;
    QList<SqlScript> scripts = readScripts(pattern, error, &ok);
    if (!ok)
        return {};
    std::stable_sort(scripts.begin(), scripts.end(),
                     [](const SqlScript& a, const SqlScript& b) { return a.number < b.number; });
    for (qsizetype i = 0; i < scripts.size(); ++i) {
        if (scripts[i].number < 1 || (i > 0 && scripts[i].number == scripts[i - 1].number)) {
            setError(error, QStringLiteral("migration %1 has a bad or repeated number").arg(scripts[i].name));
            return {};
        }
    }
    return scripts;
}

QList<SqlScript> HostDatabase::seeds(QString* error)
{
    static const QRegularExpression pattern(QStringLiteral("^seed_.+\\.sql$"));
    bool ok = false;
    return readScripts(pattern, error, &ok);
}

int HostDatabase::latestSchemaVersion()
{
    const QList<SqlScript> all = migrations();
    return all.isEmpty() ? 0 : all.last().number;
}

bool HostDatabase::create(const QString& path, bool withSeed, QString* error)
{
    QString why;
    const QList<SqlScript> steps = migrations(&why);
    if (steps.isEmpty()) {
        setError(error, why.isEmpty() ? QStringLiteral("no migration scripts are built in") : why);
        return false;
    }
    QList<SqlScript> seedScripts;
    if (withSeed) {
        seedScripts = seeds(&why);
        if (!why.isEmpty()) {
            setError(error, why);
            return false;
        }
    }
    return createFrom(path, steps, seedScripts, error);
}

bool HostDatabase::createFrom(const QString& path, const QList<SqlScript>& migrations,
                              const QList<SqlScript>& seeds, QString* error)
{
    if (path.isEmpty()) {
        setError(error, QStringLiteral("no database path given"));
        return false;
    }
    if (QFileInfo::exists(path)) {
        setError(error, QStringLiteral("%1 already exists").arg(path));
        return false;
    }
    if (migrations.isEmpty()) {
        setError(error, QStringLiteral("no migration scripts given"));
        return false;
    }
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        setError(error, QStringLiteral("cannot make the directory %1").arg(info.absolutePath()));
        return false;
    }

    const QString tmp = createWorkFile(path, error);
    if (tmp.isEmpty())
        return false;
    sqlite3* db = openConnection(tmp, SQLITE_OPEN_READWRITE, error);
    if (!db) {
        removeWithJournals(tmp);
        return false;
    }
    int version = 0;
    for (const SqlScript& m : migrations)
        version = std::max(version, m.number);
    try {
        // A failure throws the whole file away, so no journal file is needed.
        execScript(db, QStringLiteral("PRAGMA journal_mode = MEMORY"));
        execScript(db, QStringLiteral("BEGIN"));
        for (const SqlScript& m : migrations)
            runScript(db, m);
        setUserVersion(db, version);
        for (const SqlScript& s : seeds)
            runScript(db, s);
        execScript(db, QStringLiteral("COMMIT"));
        // Made in write-ahead-log mode (see HostDatabase::tryWriteAheadLog).
        execScript(db, QStringLiteral("PRAGMA journal_mode = WAL"));
    } catch (const HostError& e) {
        sqlite3_close_v2(db);
        removeWithJournals(tmp);
        setError(error, e.message());
        return false;
    }
    sqlite3_close_v2(db);
    // rename() does not replace a file that appeared at path in the meantime.
    if (!QFile::rename(tmp, path)) {
        removeWithJournals(tmp);
        setError(error, QStringLiteral("cannot move the new database to %1").arg(path));
        return false;
    }
    return true;
}

std::unique_ptr<HostDatabase> HostDatabase::open(const QString& path, QString* error, bool* damaged)
{
    if (damaged)
        *damaged = false;
    if (path.isEmpty()) {
        setError(error, QStringLiteral("no database path given"));
        return nullptr;
    }
    if (!QFileInfo::exists(path)) {
        QString why;
        // Another process may have made it meanwhile; that one is opened then.
        if (!create(path, true, &why) && !QFileInfo::exists(path)) {
            setError(error, why);
            return nullptr;
        }
    }
    return connect(path, false, error, damaged);
}

std::unique_ptr<HostDatabase> HostDatabase::openReadOnly(const QString& path, QString* error)
{
    if (path.isEmpty()) {
        setError(error, QStringLiteral("no database path given"));
        return nullptr;
    }
    return connect(path, true, error, nullptr);
}

std::unique_ptr<HostDatabase> HostDatabase::connect(const QString& path, bool readOnly, QString* error,
                                                    bool* damaged)
{
    // Read-only by a pragma, not by the open: a connection opened read-only cannot
    // remove the log files it leaves beside the database when it is the last one.
    // SQLite still opens a file the user may not write, read-only.
    const bool asItStands = readAsItStands(path);
    sqlite3* raw = asItStands ? openConnection(path, SQLITE_OPEN_READONLY, error, "immutable=1")
                              : openConnection(path, SQLITE_OPEN_READWRITE, error);
    if (!raw)
        return nullptr;
    if (readOnly && !asItStands) {
        try {
            execScript(raw, QStringLiteral("PRAGMA query_only = ON"));
        } catch (const SqliteError& e) {
            sqlite3_close_v2(raw);
            setError(error, QStringLiteral("cannot open %1: %2").arg(path, e.message()));
            return nullptr;
        }
    }
    std::unique_ptr<HostDatabase> db(new HostDatabase(raw, path));
    const auto refuse = [&](const QString& why, bool isDamage = false) {
        setError(error, why);
        if (damaged)
            *damaged = isDamage;
        return nullptr;
    };
    try {
        // Before anything is written, so that a damaged file stays as it is.
        if (const QString found = quickCheck(raw); !found.isEmpty())
            return refuse(QStringLiteral("%1 is damaged: %2").arg(path, found), true);
        execScript(raw, QStringLiteral("PRAGMA foreign_keys = ON"));
        const int have = userVersion(raw);
        QString why;
        const QList<SqlScript> steps = migrations(&why);
        if (!why.isEmpty())
            return refuse(why);
        const int latest = steps.isEmpty() ? 0 : steps.last().number;
        if (have > latest) {
            return refuse(QStringLiteral("%1 has schema version %2; this program knows up to %3")
                              .arg(path).arg(have).arg(latest));
        }
        if (have == 0) {
            Statement tables(raw, QStringLiteral("SELECT count(*) FROM sqlite_master"));
            if (tables.step() && tables.int64(0) > 0)
                return refuse(QStringLiteral("%1 is not a host database").arg(path));
            // A 0-byte file: the schema alone, without the seed, would be a host that
            // answers with raw codes.
            return refuse(QStringLiteral("%1 is empty, not a host database").arg(path), true);
        }
        if (!readOnly && !asItStands)
            db->tryWriteAheadLog();
        if (have == latest)
            return db;
        if (readOnly) {
            return refuse(QStringLiteral("%1 has the older schema version %2 of %3 and is not updated when only read")
                              .arg(path).arg(have).arg(latest));
        }
        Transaction tx(*db);
        for (const SqlScript& m : steps)
            if (m.number > have)
                runScript(raw, m);
        setUserVersion(raw, latest);
        tx.commit();
    } catch (const SqliteError& e) {
        if (isDamage(e.sqliteCode()))
            return refuse(damageText(path, e.sqliteCode(), QString::fromUtf8(sqlite3_errstr(e.sqliteCode()))), true);
        return refuse(QStringLiteral("%1: %2").arg(path, e.message()));
    } catch (const HostError& e) {
        return refuse(QStringLiteral("%1: %2").arg(path, e.message()));
    }
    return db;
}

HostDatabase::HostDatabase(sqlite3* db, const QString& path) : db_(db), path_(path), busy_(std::make_unique<BusyWait>())
{
    busy_->db = db;
    sqlite3_busy_handler(db_, waitForLock, busy_.get());
}

HostDatabase::~HostDatabase() { close(); }

void HostDatabase::close()
{
    if (!db_)
        return;
    if (inTransaction())
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    // Statements still prepared keep the connection past this; the handler's state goes now.
    sqlite3_busy_handler(db_, nullptr, nullptr);
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

int HostDatabase::schemaVersion() const { return userVersion(db_); }

// Readers go on while another connection writes, or holds its write lock in a
// transaction that it has not ended: they see what was last committed. The mode is
// kept in the file, so every connection to it, other programs' too, works so, and the
// last one to close removes the log files. The switch needs the database to itself
// for a moment and is not waited for: while another program holds it, or the user
// cannot write the file, the database keeps its journal, and the next open that may
// write, or the next write, tries again.
void HostDatabase::tryWriteAheadLog()
{
    if (sqlite3_db_readonly(db_, "main"))
        return;
    busy_->noWait = true;
    sqlite3_exec(db_, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    busy_->noWait = false;
}

void HostDatabase::begin()
{
    busy_->gaveUp = false;
    tryWriteAheadLog();
    execScript(db_, QStringLiteral("BEGIN IMMEDIATE"));
}

bool HostDatabase::busyGaveUp() const { return busy_->gaveUp && inTransaction(); }

void HostDatabase::commit() { execScript(db_, QStringLiteral("COMMIT")); }

void HostDatabase::rollback()
{
    if (inTransaction())
        execScript(db_, QStringLiteral("ROLLBACK"));
}

bool HostDatabase::inTransaction() const { return db_ && !sqlite3_get_autocommit(db_); }

void HostDatabase::exec(const QString& sql) { execScript(db_, sql); }

HostDatabase::Transaction::Transaction(HostDatabase& db) : db_(db) { db_.begin(); }

HostDatabase::Transaction::~Transaction()
{
    if (!done_) {
        try {
            db_.rollback();
        } catch (const HostError&) {
            // Nothing more can be done while unwinding.
        }
    }
}

void HostDatabase::Transaction::commit()
{
    db_.commit();
    done_ = true;
}

} // namespace host
