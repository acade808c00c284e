#pragma once
// A fresh local host database for each test: made from the migrations and the seed
// in a temporary directory, named by PALIMOR_HOST_DB while the test runs, with the
// host's injections and call log cleared.
#include "FileSizeLimit.h"
#include "VrokApplication.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QScopeGuard>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

struct sqlite3;
namespace host {
class HostDatabase;
}

// The environment as a plain object, for tests that need no fixture or several databases.
class LocalHostEnvironment {
public:
    explicit LocalHostEnvironment(bool withSeed = true);
    // Restores PALIMOR_HOST_DB (also when the test changed it), clears injections and the call log.
    ~LocalHostEnvironment();
    LocalHostEnvironment(const LocalHostEnvironment&) = delete;
    LocalHostEnvironment& operator=(const LocalHostEnvironment&) = delete;

    bool ok() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }
    QString directory() const { return dir_.path(); }
    const QString& databasePath() const { return dbPath_; }

private:
    QTemporaryDir dir_;
    QString dbPath_;
    QString error_;
    std::optional<QByteArray> savedEnv_;
    bool envSet_ = false;
};

// Clears the host's injections and its call log.
void resetLocalHostHooks();
// Opens the database at path; fails the current test (nullptr) when it cannot.
std::unique_ptr<host::HostDatabase> openHostDatabase(const QString& path);
// Each row of a query as its column texts joined by "|".
QStringList queryRows(sqlite3* db, const QString& sql);
QStringList queryRows(const QString& databasePath, const QString& sql);
// The first column of the first row as a number; -1 without a row.
int64_t queryNumber(sqlite3* db, const QString& sql);
// The bytes of a file; empty when it cannot be read.
inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
class LocalHostFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString databasePath() const { return env_->databasePath(); }
    QString tempDir() const { return env_->directory(); }
    // A connection of the test's own to the database, for setting up and checking rows.
    std::unique_ptr<host::HostDatabase> openDatabase() const;
    // The automation object the editor would get, on the test's database.
    std::unique_ptr<VrokApplication> createHost() const;

private:
    std::unique_ptr<LocalHostEnvironment> env_;
};

// The expected text of tests/<folder>/golden/<name>.txt; with PALIMOR_UPDATE_GOLDEN set
// the file is rewritten from actual (the folder's README tells how). Compare with
// firstDifference.
inline QString golden(const QString& folder, const QString& name, const QString& actual)
{
    QFile file(qEnvironmentVariable("PALIMOR_SOURCE_DIR") + QStringLiteral("/tests/") + folder
               + QStringLiteral("/golden/") + name + QStringLiteral(".txt"));
    if (qEnvironmentVariableIsSet("PALIMOR_UPDATE_GOLDEN") && file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(actual.toUtf8());
        return actual;
    }
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing golden file %1>").arg(file.fileName());
    return QString::fromUtf8(file.readAll());
}

// Where actual parts from expected: the first line that differs, with the lines before
// and after it in both texts; empty when they are the same.
inline std::string firstDifference(const QString& actual, const QString& expected)
{
    const QStringList a = actual.split(u'\n'), e = expected.split(u'\n');
    qsizetype i = 0;
    while (i < a.size() && i < e.size() && a[i] == e[i])
        ++i;
    if (i == a.size() && i == e.size())
        return {};
    QString out = QStringLiteral("line %1 differs").arg(i + 1);
    for (const auto& [name, lines] : {std::pair{"actual", &a}, {"expected", &e}}) {
        out += u'\n' + QLatin1String(name) + u':';
        for (qsizetype k = std::max<qsizetype>(0, i - 1); k <= i + 1 && k <= lines->size(); ++k)
            out += QStringLiteral("\n %1%2: ").arg(QChar(k == i ? u'>' : u' ')).arg(k + 1)
                   + (k < lines->size() ? lines->at(k) : QStringLiteral("<end of text>"));
    }
    return out.toStdString();
}
