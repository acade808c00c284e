#include "ChildProcess.h"
#include "QtPrinters.h"
#include "support/LocalHostFixture.h"

#include "SettingsStore.h"
#include "UserSettings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <atomic>
#include <thread>
#include <variant>

using platform::SettingsStore;

namespace {

const QString kKey = QStringLiteral("Software\\Vrok\\Palimor");

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    ASSERT_TRUE(f.commit());
}

class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("config/palimor/registry.json")); }
    // A regular file where a directory must go, and a directory where the file must go:
    // every write and read fails, and neither is touched.
    void expectPathsThatCannotHoldTheFileRefused()
    {
        const QString blocker = dir.filePath("blocker");
        writeBytes(blocker, "a regular file");
        ASSERT_TRUE(QDir().mkpath(path()));
        for (const QString& file : {blocker + "/palimor/registry.json", path()}) {
            SettingsStore store(file);
            EXPECT_FALSE(store.setDWord(kKey, "LOGGING", 1) || store.setString(kKey, "Mode", "0") || store.createKey(kKey)
                         || store.queryDWord(kKey, "LOGGING"))
                << file.toStdString();
        }
        EXPECT_EQ(fileBytes(blocker), QByteArray("a regular file"));
        EXPECT_TRUE(QFileInfo(path()).isDir());
    }
};

using Setting = std::variant<uint32_t, QString>;

// Blanks, a NUL and negative numbers are read back through the registry wrappers.
TEST_F(SettingsStoreTest, ValuesSurviveTheFileAndOneTypeNeverReadsAsTheOther)
{
    const struct {
        const char* name;
        std::vector<Setting> writes;  // in order, all to this value name
        std::optional<uint32_t> dword;
        std::optional<QString> text;
    } cases[] = {
        {"dword", {uint32_t(1)}, 1u, std::nullopt},
        {"stringOfDigits", {QStringLiteral("1")}, std::nullopt, QStringLiteral("1")},
        {"stringReplacesDword", {uint32_t(7), QStringLiteral("7")}, std::nullopt, QStringLiteral("7")},
        {"dwordReplacesString", {QStringLiteral("x"), uint32_t(0)}, 0u, std::nullopt},
        {"highBit", {uint32_t(0x80000000u)}, 0x80000000u, std::nullopt},
        {"emptyText", {QString()}, std::nullopt, QString()},
        {"nonAscii", {QStringLiteral("Grüße €\u4e2d")}, std::nullopt, QStringLiteral("Grüße €\u4e2d")},
    };
    SettingsStore store(path());
    for (const auto& c : cases)
        for (const Setting& s : c.writes)
            ASSERT_TRUE(std::holds_alternative<uint32_t>(s) ? store.setDWord(kKey, c.name, std::get<uint32_t>(s))
                                                            : store.setString(kKey, c.name, std::get<QString>(s)));
    SettingsStore fresh(path());
    for (const SettingsStore* s : {&store, &fresh})
        for (const auto& c : cases) {
            EXPECT_EQ(s->queryDWord(kKey, c.name), c.dword) << c.name;
            EXPECT_EQ(s->queryString(kKey, c.name), c.text) << c.name;
        }
}

TEST_F(SettingsStoreTest, KeysArePathsAndNamesIgnoreCaseKeepingTheirFirstSpelling)
{
    SettingsStore store(path());
    EXPECT_FALSE(store.keyExists(kKey) || store.queryString(kKey, "Mode"));
    // An empty key is refused, and neither reading nor a refused write makes the file.
    EXPECT_FALSE(store.createKey("\\") || store.setDWord("", "LOGGING", 1) || store.setString("\\\\", "Mode", "0")
                 || QFile::exists(path()));

    ASSERT_TRUE(store.createKey(kKey + "\\Window"));
    for (const QString& key : {QStringLiteral("Software"), QStringLiteral("Software\\Vrok"), kKey + "\\window"})
        EXPECT_TRUE(SettingsStore(path()).keyExists(key)) << key.toStdString();
    EXPECT_FALSE(store.keyExists("Vrok"));

    // Empty segments are ignored; parent and child keys hold values of their own.
    ASSERT_TRUE(store.setDWord("\\Software\\\\Vrok\\Palimor\\", "SHOWPROP", 3));
    ASSERT_TRUE(store.setDWord(kKey + "\\Window", "SHOWPROP", 4));
    EXPECT_EQ(store.queryDWord(kKey, "SHOWPROP").value_or(0) * 10 + store.queryDWord(kKey + "\\Window", "SHOWPROP").value_or(0), 34u);

    ASSERT_TRUE(store.setString(kKey, "UserLanguage", "E"));
    ASSERT_TRUE(store.setString("SOFTWARE\\VROK\\PALIMOR", "userlanguage", "D"));
    EXPECT_EQ(store.queryString("software\\VROK\\palimor", "USERLANGUAGE"), QStringLiteral("D"));
    ASSERT_TRUE(store.setDWord(kKey, "b", 1));
    EXPECT_EQ(store.valueNames(kKey), (QStringList{"b", "SHOWPROP", "UserLanguage"}));
    const QJsonObject keys = QJsonDocument::fromJson(fileBytes(path())).object().value("keys").toObject();
    EXPECT_TRUE(keys.contains(kKey) && !keys.contains("SOFTWARE\\VROK\\PALIMOR"));
}

TEST_F(SettingsStoreTest, WriteFailsWhenThePathCannotHoldAFile)
{
    ASSERT_NO_FATAL_FAILURE(expectPathsThatCannotHoldTheFileRefused());
}

TEST_F(SettingsStoreTest, WriteFailsWhenThePathCannotHoldAFileOrTheFileCannotGrow)
{
    // A file that cannot grow, as on a full disk: the write fails, the file stays whole.
    SettingsStore full(dir.filePath(QStringLiteral("full.json")));
    ASSERT_TRUE(full.setString(kKey, "Mode", "0"));
    const QByteArray whole = fileBytes(full.filePath());
    {
        const FileSizeLimit limit(rlim_t(whole.size()));
        ASSERT_TRUE(limit.isSet);
        EXPECT_FALSE(full.setString(kKey, "Long", QString(200, u'x')));
    }
    EXPECT_EQ(fileBytes(full.filePath()), whole);

    ASSERT_NO_FATAL_FAILURE(expectPathsThatCannotHoldTheFileRefused());
}

TEST(SettingsStoreChild, DISABLED_HoldLockUntilKilled)
{
    const QString path = qEnvironmentVariable("PALIMOR_TEST_STORE");
    ASSERT_FALSE(path.isEmpty());
    platform::SettingsFileLock lock(path);
    ASSERT_TRUE(lock.tryLock(30000));
    std::printf("locked\n");
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

TEST_F(SettingsStoreTest, WriteFailsWhileAnotherHoldsTheLockButNotAfterTheHolderIsKilled)
{
    SettingsStore store(path());
    ASSERT_TRUE(store.setString(kKey, "Mode", "0"));
    const QByteArray before = fileBytes(path());
    auto child = platform_test::startChild("SettingsStoreChild.DISABLED_HoldLockUntilKilled",
                                           {{"PALIMOR_TEST_STORE", path()}});
    ASSERT_TRUE(child->waitForStarted());
    while (!child->readAllStandardOutput().contains("locked"))
        ASSERT_TRUE(child->waitForReadyRead(30000)) << child->readAllStandardError().constData();

    store.setLockTimeout(50);
    EXPECT_FALSE(store.setString(kKey, "Mode", "Hidden"));
    EXPECT_FALSE(store.setDWord(kKey, "LOGGING", 1));
    EXPECT_EQ(fileBytes(path()), before);
    EXPECT_EQ(store.queryString(kKey, "Mode"), QStringLiteral("0"));
    EXPECT_EQ(store.queryDWord(kKey, "LOGGING"), std::nullopt);

    child->kill();
    ASSERT_TRUE(child->waitForFinished());
    ASSERT_TRUE(QFile::exists(path() + ".lock"));
    store.setLockTimeout(3000);
    EXPECT_TRUE(store.setString(kKey, "Mode", "Hidden"));
    EXPECT_EQ(SettingsStore(path()).queryString(kKey, "Mode"), QStringLiteral("Hidden"));
}

TEST_F(SettingsStoreTest, WriteWaitsForTheLockOnlyWhileALiveProcessHoldsIt)
{
    SettingsStore store(path());
    ASSERT_TRUE(store.setString(kKey, "Mode", "0"));
    // Left by a run killed while it took the lock, empty or not: no live process holds it.
    store.setLockTimeout(50);
    for (const QByteArray& leftover : {QByteArray(), QByteArray("no process\n")}) {
        writeBytes(path() + ".lock", leftover);
        EXPECT_TRUE(store.setDWord(kKey, "Stale", uint32_t(leftover.size()))) << leftover.constData();
    }
    const QByteArray before = fileBytes(path());
    auto child = platform_test::startChild("SettingsStoreChild.DISABLED_HoldLockUntilKilled",
                                           {{"PALIMOR_TEST_STORE", path()}});
    ASSERT_TRUE(child->waitForStarted());
    while (!child->readAllStandardOutput().contains("locked"))
        ASSERT_TRUE(child->waitForReadyRead(30000)) << child->readAllStandardError().constData();

    EXPECT_FALSE(store.setString(kKey, "Mode", "Hidden"));
    EXPECT_EQ(fileBytes(path()), before);
    EXPECT_EQ(store.queryString(kKey, "Mode"), QStringLiteral("0"));

    child->kill();
    ASSERT_TRUE(child->waitForFinished());
    ASSERT_TRUE(QFile::exists(path() + ".lock"));
    // The kill dropped the lock: taken at once, well within a second.
    store.setLockTimeout(900);
    EXPECT_TRUE(store.setString(kKey, "Mode", "Hidden"));
    EXPECT_EQ(SettingsStore(path()).queryString(kKey, "Mode"), QStringLiteral("Hidden"));
}

// A holder that keeps the lock costs a run one wait: the later changes try it once,
// under one warning, until one gets it. A value already stored needs no lock at all.
TEST_F(SettingsStoreTest, AfterAWaitInVainChangesTryTheLockOnceAndStoredValuesNeedNoLock)
{
    QStringList warnings;
    platform::setSettingsWarningLog([&](const QString& text) { warnings.append(text); });
    const auto restore = qScopeGuard([] { platform::setSettingsWarningLog({}); });
    SettingsStore store(path());
    ASSERT_TRUE(store.setString(kKey, "Mode", "0") && store.setDWord(kKey, "LOGGING", 1));
    const QByteArray before = fileBytes(path());
    constexpr int kWait = 400;
    store.setLockTimeout(kWait);
    QElapsedTimer waited;
    const auto expectOneWaitInVain = [&] {
        // flock belongs to the open file: another one in this process is another holder.
        platform::SettingsFileLock other(path());
        ASSERT_TRUE(other.tryLock(0));
        EXPECT_TRUE(store.setString(kKey, "Mode", "0") && store.setString("SOFTWARE\\vrok\\palimor\\", "mode", "0")
                    && store.setDWord(kKey, "logging", 1) && store.createKey(kKey));
        waited.start();
        EXPECT_FALSE(store.setString(kKey, "Mode", "Hidden"));
        EXPECT_GE(waited.elapsed(), kWait);
        waited.start();
        for (uint32_t i = 0; i < 20; ++i)
            EXPECT_FALSE(store.setDWord(kKey, QStringLiteral("N%1").arg(i), i));
        EXPECT_LT(waited.elapsed(), 5 * kWait) << "the later changes waited too";
        EXPECT_EQ(fileBytes(path()), before);
    };
    ASSERT_NO_FATAL_FAILURE(expectOneWaitInVain());
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(path()) && warnings[0].contains("locked")) << warnings[0].toStdString();
    // Let go: the next change gets the lock, and a later holder is waited for again.
    EXPECT_TRUE(store.setString(kKey, "Mode", "1") && store.setString(kKey, "Mode", "0"));
    ASSERT_NO_FATAL_FAILURE(expectOneWaitInVain());
    EXPECT_EQ(warnings.size(), 2);
}

// An unreadable file is left by reads and kept aside, with one warning, at the first
// write; an empty one holds nothing to keep. (The per-user settings are a store too.)
TEST_F(SettingsStoreTest, AnUnreadableFileIsKeptAsideWithOneWarningAndBadEntriesReadAsMissing)
{
    QStringList warnings;
    platform::setSettingsWarningLog([&](const QString& text) { warnings.append(text); });
    const auto restore = qScopeGuard([] { platform::setSettingsWarningLog({}); });
    const char* corrupt[] = {"LOGGING=1\n", R"({"format":1,"keys":{"Software\\Vrok\\Palimor":{"LOGGING":{"dword":1})",
                             "[1, 2]", R"({"format":1,"keys":[]})", "\x01\x02\xff\xfe", ""};
    const QDir folder = QFileInfo(path()).absoluteDir();
    for (const char* bytes : corrupt) {
        SCOPED_TRACE(bytes);
        for (const QString& old : folder.entryList({QStringLiteral("registry.json.unreadable-*")}))
            QFile::remove(folder.filePath(old));
        warnings.clear();
        writeBytes(path(), bytes);
        SettingsStore store(path());
        EXPECT_FALSE(store.keyExists(kKey));
        EXPECT_EQ(fileBytes(path()), QByteArray(bytes));
        ASSERT_TRUE(store.setDWord(kKey, "SHOWPROP", 2));
        ASSERT_TRUE(store.setDWord(kKey, "LOGGING", 1));
        EXPECT_EQ(SettingsStore(path()).queryDWord(kKey, "SHOWPROP"), 2u);
        const QStringList aside = folder.entryList({QStringLiteral("registry.json.unreadable-\?\?\?\?\?\?\?\?-\?\?\?\?\?\?")});
        ASSERT_EQ(aside.size(), *bytes ? 1 : 0);
        ASSERT_EQ(warnings.size(), aside.size());
        if (*bytes) {
            EXPECT_EQ(fileBytes(folder.filePath(aside[0])), QByteArray(bytes));
            EXPECT_TRUE(warnings[0].contains(path()) && warnings[0].contains(folder.filePath(aside[0])))
                << warnings[0].toStdString();
        }
    }

    writeBytes(path(), R"({"format":1,"keys":{"Software\\Vrok\\Palimor":{
        "Good":{"dword":5}, "Text":{"string":"ok"},
        "Negative":{"dword":-1}, "Fraction":{"dword":1.5}, "TooBig":{"dword":4294967296},
        "QuotedNumber":{"dword":"1"}, "NumberAsText":{"string":5},
        "Both":{"dword":1,"string":"1"}, "Bare":7 }}})");
    SettingsStore store(path());
    EXPECT_TRUE(store.queryDWord(kKey, "Good") == 5u && store.queryString(kKey, "Text") == QStringLiteral("ok"));
    for (const char* name : {"Negative", "Fraction", "TooBig", "QuotedNumber", "NumberAsText", "Both", "Bare"})
        EXPECT_FALSE(store.queryDWord(kKey, name) || store.queryString(kKey, name)) << name;
}

TEST_F(SettingsStoreTest, ChangesByAnotherStoreOrByHandAreSeen)
{
    SettingsStore first(path());
    SettingsStore second(path());
    // Same size each time and quicker than a coarse clock tick.
    for (int i = 0; i < 40; ++i) {
        const QString text = i % 2 ? QStringLiteral("a") : QStringLiteral("b");
        ASSERT_TRUE(second.setString(kKey, "Mode", text));
        ASSERT_EQ(first.queryString(kKey, "Mode"), text) << "round " << i;
    }
    writeBytes(path(), R"({"format":1,"keys":{"Software\\Vrok\\Palimor":{"LOGGING":{"dword":1}}}})");
    EXPECT_TRUE(first.queryDWord(kKey, "LOGGING") == 1u && !first.queryString(kKey, "Mode"));
    ASSERT_TRUE(QFile::remove(path()));
    EXPECT_FALSE(first.keyExists(kKey));
}

constexpr int kWriterValues = 40;

uint32_t writerValue(const QString& prefix, int i) { return uint32_t(prefix[0].unicode()) * 1000 + uint32_t(i); }

void writeValues(const QString& path, const QString& prefix)
{
    SettingsStore store(path);
    for (int i = 0; i < kWriterValues; ++i)
        EXPECT_TRUE(store.setDWord(kKey, QStringLiteral("%1_%2").arg(prefix).arg(i), writerValue(prefix, i)));
}

TEST(SettingsStoreChild, DISABLED_Writer)
{
    const QString path = qEnvironmentVariable("PALIMOR_TEST_STORE");
    const QString prefix = qEnvironmentVariable("PALIMOR_TEST_PREFIX");
    ASSERT_FALSE(path.isEmpty() || prefix.isEmpty());
    writeValues(path, prefix);
}

TEST_F(SettingsStoreTest, WriterThreadsAndProcessesLoseNoValueAndNeverTearTheFile)
{
    const QStringList inProcesses{"A", "B"}, inThreads{"C", "D"};
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QString& prefix : inProcesses)
        children.push_back(platform_test::startChild("SettingsStoreChild.DISABLED_Writer",
                                                     {{"PALIMOR_TEST_STORE", path()}, {"PALIMOR_TEST_PREFIX", prefix}}));
    std::atomic<bool> done{false};
    std::atomic<int> tornReads{0};
    std::thread reader([&] {
        while (!done) {
            const QByteArray bytes = fileBytes(path());
            tornReads += !bytes.isEmpty() && QJsonDocument::fromJson(bytes).isNull();
        }
    });
    std::vector<std::thread> writers;
    for (const QString& prefix : inThreads)
        writers.emplace_back([this, prefix] { writeValues(path(), prefix); });
    for (std::thread& w : writers)
        w.join();
    for (auto& child : children) {
        EXPECT_TRUE(child->waitForFinished(60000));
        EXPECT_EQ(child->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child->exitCode(), 0) << child->readAllStandardOutput().constData();
    }
    done = true;
    reader.join();
    EXPECT_EQ(tornReads, 0);

    SettingsStore check(path());
    EXPECT_EQ(check.valueNames(kKey).size(), 4 * kWriterValues);
    for (const QString& prefix : inProcesses + inThreads)
        for (int i = 0; i < kWriterValues; ++i)
            EXPECT_EQ(check.queryDWord(kKey, QStringLiteral("%1_%2").arg(prefix).arg(i)), writerValue(prefix, i));
}

TEST_F(SettingsStoreTest, MachineSettingsFollowTheEnvironmentAndARedirectKeepsTheObject)
{
    qputenv("PALIMOR_REGISTRY", path().toLocal8Bit());
    SettingsStore& before = platform::machineSettings();
    platform::setMachineSettingsPath(QString());
    EXPECT_TRUE(&platform::machineSettings() == &before && platform::machineSettings().filePath() == path());
    EXPECT_TRUE(platform::machineSettings().setDWord(kKey, "LOGGING", 1));
    EXPECT_EQ(SettingsStore(path()).queryDWord(kKey, "LOGGING"), 1u);
    // The cache follows the file, not the old path.
    platform::setMachineSettingsPath(dir.filePath("other.json"));
    EXPECT_EQ(platform::machineSettings().queryDWord(kKey, "LOGGING"), std::nullopt);

    qunsetenv("PALIMOR_REGISTRY");
    platform::setMachineSettingsPath(QString());
    EXPECT_TRUE(SettingsStore::defaultPath().endsWith("/palimor/registry.json")
                && QFileInfo(SettingsStore::defaultPath()).isAbsolute());
}

// The per-user settings; the enum cache tests use them per application and language.
TEST_F(SettingsStoreTest, UserSettingsKeepAFileOfTheirOwnNamedByTheEnvironment)
{
    const QString file = dir.filePath(QStringLiteral("user.json"));
    const QString app = QStringLiteral("Palimor\\Enums\\Language.2");
    platform::setMachineSettingsPath(path());
    qputenv("PALIMOR_USER_SETTINGS", file.toLocal8Bit());
    platform::setUserSettingsPath(QString());
    for (const auto& [key, value] : {std::pair{"2", "b"}, {"10", "c"}, {"1", "a"}})
        EXPECT_TRUE(platform::saveSetting(app, "zrn.adju", key, value));
    EXPECT_TRUE(QFile::exists(file) && !QFile::exists(path()));
    platform::setMachineSettingsPath(QString());

    qunsetenv("PALIMOR_USER_SETTINGS");
    platform::setUserSettingsPath(file);  // a later run
    using All = QList<std::pair<QString, QString>>;
    EXPECT_EQ(platform::getAllSettings(app, "zrn.adju"), (All{{"1", "a"}, {"10", "c"}, {"2", "b"}}));
    platform::setUserSettingsPath(QString());
    EXPECT_TRUE(platform::userSettings().filePath().endsWith(QStringLiteral("/palimor/user-settings.json")));
}

// The editor's two stores: files named by the environment and apart from each other; a
// redirect keeps the machine store's object. The enum cache tests use the per-user one.
TEST_F(SettingsStoreTest, TheStoresFollowTheEnvironmentAndKeepFilesOfTheirOwn)
{
    const QString user = dir.filePath(QStringLiteral("user.json"));
    const QString app = QStringLiteral("Palimor\\Enums\\Language.2");
    qputenv("PALIMOR_REGISTRY", path().toLocal8Bit());
    qputenv("PALIMOR_USER_SETTINGS", user.toLocal8Bit());
    SettingsStore& before = platform::machineSettings();
    platform::setMachineSettingsPath(QString());
    platform::setUserSettingsPath(QString());
    EXPECT_TRUE(&platform::machineSettings() == &before && platform::machineSettings().filePath() == path());
    EXPECT_TRUE(platform::machineSettings().setDWord(kKey, "LOGGING", 1));
    for (const auto& [key, value] : {std::pair{"2", "b"}, {"10", "c"}, {"1", "a"}})
        EXPECT_TRUE(platform::saveSetting(app, "zrn.adju", key, value));
    EXPECT_EQ(SettingsStore(path()).queryDWord(kKey, "LOGGING"), 1u);
    EXPECT_FALSE(SettingsStore(user).keyExists(kKey) || SettingsStore(path()).keyExists(app));
    // The cache follows the file, not the old path.
    platform::setMachineSettingsPath(dir.filePath("other.json"));
    EXPECT_EQ(platform::machineSettings().queryDWord(kKey, "LOGGING"), std::nullopt);

    qunsetenv("PALIMOR_REGISTRY");
    qunsetenv("PALIMOR_USER_SETTINGS");
    platform::setUserSettingsPath(user);  // a later run
    using All = QList<std::pair<QString, QString>>;
    EXPECT_EQ(platform::getAllSettings(app, "zrn.adju"), (All{{"1", "a"}, {"10", "c"}, {"2", "b"}}));
    platform::setMachineSettingsPath(QString());
    platform::setUserSettingsPath(QString());
    EXPECT_TRUE(SettingsStore::defaultPath().endsWith("/palimor/registry.json")
                && QFileInfo(SettingsStore::defaultPath()).isAbsolute());
    EXPECT_TRUE(platform::userSettings().filePath().endsWith(QStringLiteral("/palimor/user-settings.json")));
}

} // namespace
