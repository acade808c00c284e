#pragma once
// The local host's SQLite database: where it lives, how it is created from the
// compiled-in scripts, and how an older one is brought up to date.
//
// Scripts are resources under :/host/sql/. "NNN_<name>.sql" are the migrations,
// applied in number order; PRAGMA user_version holds the number of the last one
// applied. "seed_<name>.sql" are the demo data, run in name order on a new database.
#include <QList>
#include <QString>
#include <memory>

struct sqlite3;

namespace host {

struct SqlScript {
    QString name;  // file name, for messages
    QString sql;
    int number = 0;  // migration number; 0 for a seed
};

class HostDatabase {
public:
    // Environment variable PALIMOR_HOST_DB, else <generic data location>/palimor/host.sqlite.
    static QString defaultPath();

    // Opens the database at path, creating it (with the seed) when the file is missing
    // and applying the migrations it lacks. Refuses a schema newer than this program's,
    // a file that holds tables of something else, and a damaged file: one SQLite finds
    // corrupt or cannot read, or an empty one (damaged is then set; the file is not
    // written to). nullptr and error on failure.
    static std::unique_ptr<HostDatabase> open(const QString& path, QString* error, bool* damaged = nullptr);

    // Opens an existing database for reading only; creates, migrates and writes no
    // row. Refuses what open() refuses, and an older schema too.
    //
    // Both leave nothing beside a database of this program once it is closed, and
    // read one that the user cannot write, or that stands in a folder he cannot
    // write, without making a file beside it (writes to it then fail).
    static std::unique_ptr<HostDatabase> openReadOnly(const QString& path, QString* error);

    // How long a statement waits for another program's lock on the database before it
    // fails as busy.
    static constexpr int kBusyWaitMs = 750;

    // Builds a new database at path from the compiled-in migrations (and seeds). The
    // work happens in a new file of a unique name beside path, which is renamed into
    // place only when everything succeeded. Fails when path exists; on failure removes
    // its own work file and nothing else.
    static bool create(const QString& path, bool withSeed, QString* error);
    // The same from the given scripts; migrations must carry their numbers.
    static bool createFrom(const QString& path, const QList<SqlScript>& migrations,
                           const QList<SqlScript>& seeds, QString* error);

    // The compiled-in scripts. migrations() is empty, with error set, when two
    // migrations share a number or a script cannot be read.
    static QList<SqlScript> migrations(QString* error = nullptr);
    static QList<SqlScript> seeds(QString* error = nullptr);
    // Number of the newest compiled-in migration (0 when there is none).
    static int latestSchemaVersion();

    ~HostDatabase();
    HostDatabase(const HostDatabase&) = delete;
    HostDatabase& operator=(const HostDatabase&) = delete;

    sqlite3* handle() const { return db_; }
    const QString& path() const { return path_; }
    int schemaVersion() const;

    // Transactions; failures throw SqliteError. rollback() does nothing outside one.
    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;
    // A wait for another program's lock ran out in the open transaction without a
    // statement failing: SQLite went on without writing out its page cache, and the
    // commit will wait again for the same lock. The transaction's writer gives up.
    bool busyGaveUp() const;

    // Runs a script of statements without parameters.
    void exec(const QString& sql);

    // Closes the connection, rolling back an open transaction. Later use throws.
    void close();
    bool isOpen() const { return db_ != nullptr; }

    // Rolls back on destruction unless committed.
    class Transaction {
    public:
        explicit Transaction(HostDatabase& db);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        HostDatabase& db_;
        bool done_ = false;
    };

    struct BusyWait;  // the state of the connection's busy handler

private:
    HostDatabase(sqlite3* db, const QString& path);
    static std::unique_ptr<HostDatabase> connect(const QString& path, bool readOnly, QString* error, bool* damaged);
    void tryWriteAheadLog();

    sqlite3* db_;
    QString path_;
    std::unique_ptr<BusyWait> busy_;
};

} // namespace host
