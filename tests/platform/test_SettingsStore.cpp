#include "ChildProcess.h"
#include "QtPrinters.h"

#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <atomic>
#include <thread>
#include <variant>

using platform::SettingsStore;

namespace {

const QString kKey = QStringLiteral("Software\\Vrok\\Palimor");

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

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
};

// ---- types ----------------------------------------------------------------

using Setting = std::variant<uint32_t, QString>;

struct TypeCase {
    const char* label;
    std::vector<Setting> writes;  // in order, all to one value name
    std::optional<uint32_t> dword;
    std::optional<QString> text;
};

void PrintTo(const TypeCase& c, std::ostream* os) { *os << c.label; }

class SettingsTypes : public SettingsStoreTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(SettingsTypes, OneTypeNeverReadsAsTheOther)
{
    const TypeCase& c = GetParam();
    SettingsStore store(path());
    for (const Setting& s : c.writes) {
        if (std::holds_alternative<uint32_t>(s))
            ASSERT_TRUE(store.setDWord(kKey, "LOGGING", std::get<uint32_t>(s)));
        else
            ASSERT_TRUE(store.setString(kKey, "LOGGING", std::get<QString>(s)));
    }
    SettingsStore fresh(path());
    for (const SettingsStore* s : {&store, &fresh}) {
        EXPECT_EQ(s->queryDWord(kKey, "LOGGING"), c.dword);
        EXPECT_EQ(s->queryString(kKey, "LOGGING"), c.text);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsTypes,
    ::testing::Values(
        TypeCase{"dword", {uint32_t(1)}, 1u, std::nullopt},
        TypeCase{"stringOfDigits", {QStringLiteral("1")}, std::nullopt, QStringLiteral("1")},
        TypeCase{"stringReplacesDword", {uint32_t(7), QStringLiteral("7")}, std::nullopt, QStringLiteral("7")},
        TypeCase{"dwordReplacesString", {QStringLiteral("x"), uint32_t(0)}, 0u, std::nullopt},
        TypeCase{"lastDwordWins", {uint32_t(1), uint32_t(2)}, 2u, std::nullopt}),
    [](const auto& info) { return std::string(info.param.label); });

struct RoundTripCase {
    const char* label;
    Setting value;
};

void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.label; }

class SettingsRoundTrip : public SettingsStoreTest,
                          public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(SettingsRoundTrip, ValueSurvivesTheFile)
{
    const Setting& v = GetParam().value;
    {
        SettingsStore writer(path());
        if (std::holds_alternative<uint32_t>(v))
            ASSERT_TRUE(writer.setDWord(kKey, "Value", std::get<uint32_t>(v)));
        else
            ASSERT_TRUE(writer.setString(kKey, "Value", std::get<QString>(v)));
    }
    SettingsStore reader(path());
    if (std::holds_alternative<uint32_t>(v))
        EXPECT_EQ(reader.queryDWord(kKey, "Value"), std::get<uint32_t>(v));
    else
        EXPECT_EQ(reader.queryString(kKey, "Value"), std::get<QString>(v));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsRoundTrip,
    ::testing::Values(RoundTripCase{"highBit", uint32_t(0x80000000u)},
                      RoundTripCase{"allOnes", uint32_t(0xFFFFFFFFu)},
                      RoundTripCase{"emptyText", QString()},
                      RoundTripCase{"blanksKept", QStringLiteral(" 3 ")},
                      RoundTripCase{"nonAscii", QStringLiteral("Grüße €\u4e2d")},
                      RoundTripCase{"quotesAndBackslashes", QStringLiteral("a \"b\" \\c\\")},
                      RoundTripCase{"lineBreaks", QStringLiteral("one\r\ntwo")}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SettingsStoreTest, StringReadsUpToTheFirstNul)
{
    SettingsStore store(path());
    ASSERT_TRUE(store.setString(kKey, "Cut", QString::fromUtf16(u"ab\0cd", 5)));
    EXPECT_EQ(store.queryString(kKey, "Cut"), QStringLiteral("ab"));
}

// ---- names ----------------------------------------------------------------

TEST_F(SettingsStoreTest, KeysAndValueNamesIgnoreCase)
{
    SettingsStore store(path());
    ASSERT_TRUE(store.setString(kKey, "UserLanguage", "E"));
    EXPECT_TRUE(store.keyExists("SOFTWARE\\vrok\\PALIMOR"));
    EXPECT_EQ(store.queryString("software\\VROK\\palimor", "USERLANGUAGE"), QStringLiteral("E"));

    // Another spelling changes the same value, which keeps its first spelling.
    ASSERT_TRUE(store.setString("SOFTWARE\\VROK\\PALIMOR", "userlanguage", "D"));
    EXPECT_EQ(store.queryString(kKey, "UserLanguage"), QStringLiteral("D"));
    EXPECT_EQ(store.valueNames(kKey), QStringList{"UserLanguage"});

    const QJsonObject keys = QJsonDocument::fromJson(readBytes(path())).object().value("keys").toObject();
    EXPECT_TRUE(keys.contains(kKey));
    EXPECT_FALSE(keys.contains("SOFTWARE\\VROK\\PALIMOR"));
}

TEST_F(SettingsStoreTest, ValueNamesSortedWithoutRegardToCase)
{
    SettingsStore store(path());
    ASSERT_TRUE(store.setDWord(kKey, "b", 1));
    ASSERT_TRUE(store.setString(kKey, "C", "x"));
    ASSERT_TRUE(store.setDWord(kKey, "A", 2));
    EXPECT_EQ(store.valueNames(kKey), (QStringList{"A", "b", "C"}));
    EXPECT_TRUE(store.valueNames("Software\\Nothing").isEmpty());
}

// ---- missing --------------------------------------------------------------

TEST_F(SettingsStoreTest, MissingFileKeyOrValueReadsAsMissing)
{
    SettingsStore store(path());
    EXPECT_FALSE(store.keyExists(kKey));
    EXPECT_EQ(store.queryDWord(kKey, "LOGGING"), std::nullopt);
    EXPECT_EQ(store.queryString(kKey, "Mode"), std::nullopt);
    EXPECT_FALSE(QFile::exists(path())) << "reading must not create the file";

    ASSERT_TRUE(store.setDWord(kKey, "SHOWPROP", 3));
    EXPECT_EQ(store.queryDWord(kKey, "SHOWGRPPROP"), std::nullopt);
    EXPECT_EQ(store.queryDWord(kKey + "\\Window", "SHOWPROP"), std::nullopt);
    EXPECT_EQ(store.queryDWord("Software\\Other", "SHOWPROP"), std::nullopt);
}

// ---- keys -----------------------------------------------------------------

TEST_F(SettingsStoreTest, CreatingAKeyCreatesItsParents)
{
    SettingsStore store(path());
    ASSERT_TRUE(store.createKey(kKey + "\\Window"));
    EXPECT_TRUE(store.keyExists("Software"));
    EXPECT_TRUE(store.keyExists("Software\\Vrok"));
    EXPECT_TRUE(store.keyExists(kKey));
    EXPECT_TRUE(store.keyExists(kKey + "\\window"));
    EXPECT_FALSE(store.keyExists(kKey + "\\Window\\Deeper"));
    EXPECT_FALSE(store.keyExists("Vrok"));

    SettingsStore fresh(path());
    EXPECT_TRUE(fresh.keyExists("Software\\Vrok"));
}

TEST_F(SettingsStoreTest, ParentAndChildKeysHoldTheirOwnValues)
{
    SettingsStore store(path());
    ASSERT_TRUE(store.setString(kKey + "\\Language.E", "pzmnu.File", "File"));
    ASSERT_TRUE(store.setString(kKey + "\\Language.D", "pzmnu.File", "Datei"));
    ASSERT_TRUE(store.setString(kKey, "pzmnu.File", "parent"));
    EXPECT_EQ(store.queryString(kKey + "\\Language.E", "pzmnu.File"), QStringLiteral("File"));
    EXPECT_EQ(store.queryString(kKey + "\\Language.D", "pzmnu.File"), QStringLiteral("Datei"));
    EXPECT_EQ(store.queryString(kKey, "pzmnu.File"), QStringLiteral("parent"));
}

TEST_F(SettingsStoreTest, EmptySegmentsAreIgnoredAndAnEmptyKeyIsRefused)
{
    SettingsStore store(path());
    EXPECT_FALSE(store.createKey(""));
    EXPECT_FALSE(store.createKey("\\"));
    EXPECT_FALSE(store.setDWord("", "LOGGING", 1));
    EXPECT_FALSE(store.setString("\\\\", "Mode", "0"));
    EXPECT_FALSE(store.keyExists(""));
    EXPECT_FALSE(QFile::exists(path()));
    ASSERT_TRUE(store.setDWord("\\Software\\\\Vrok\\Palimor\\", "LOGGING", 1));
    EXPECT_EQ(store.queryDWord(kKey, "LOGGING"), 1u);
}

// ---- failed writes --------------------------------------------------------

TEST_F(SettingsStoreTest, WriteFailsWhenThePathCannotHoldAFile)
{
    // A regular file where a directory must go, and a directory where the file must go.
    const QString blocker = dir.filePath("blocker");
    writeBytes(blocker, "a regular file");
    ASSERT_TRUE(QDir().mkpath(path()));
    for (const QString& file : {blocker + "/palimor/registry.json", path()}) {
        SettingsStore store(file);
        EXPECT_FALSE(store.setDWord(kKey, "LOGGING", 1)) << file.toStdString();
        EXPECT_FALSE(store.setString(kKey, "Mode", "0"));
        EXPECT_FALSE(store.createKey(kKey));
        EXPECT_EQ(store.queryDWord(kKey, "LOGGING"), std::nullopt);
    }
    EXPECT_EQ(readBytes(blocker), QByteArray("a regular file"));
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

TEST_F(SettingsStoreTest, WriteFailsWhileAnotherHoldsTheLockAndLeavesTheFile)
{
    SettingsStore store(path());
    ASSERT_TRUE(store.setString(kKey, "Mode", "0"));
    const QByteArray before = readBytes(path());

    QLockFile other(path() + ".lock");
    ASSERT_TRUE(other.lock());
    store.setLockTimeout(50);
    EXPECT_FALSE(store.setString(kKey, "Mode", "Hidden"));
    EXPECT_FALSE(store.setDWord(kKey, "LOGGING", 1));
    EXPECT_EQ(readBytes(path()), before);
    EXPECT_EQ(store.queryString(kKey, "Mode"), QStringLiteral("0"));
    EXPECT_EQ(store.queryDWord(kKey, "LOGGING"), std::nullopt);

    other.unlock();
    EXPECT_TRUE(store.setString(kKey, "Mode", "Hidden"));
    EXPECT_EQ(SettingsStore(path()).queryString(kKey, "Mode"), QStringLiteral("Hidden"));
}

TEST(SettingsStoreChild, DISABLED_HoldLockUntilKilled)
{
    const QString path = qEnvironmentVariable("PALIMOR_TEST_STORE");
    ASSERT_FALSE(path.isEmpty());
    QLockFile lock(path + ".lock");
    ASSERT_TRUE(lock.lock());
    std::printf("locked\n");
    std::fflush(stdout);
    for (;;)
        std::this_thread::sleep_for(std::chrono::seconds(1));
}

TEST_F(SettingsStoreTest, LockLeftByAKilledWriterDoesNotBlock)
{
    SettingsStore store(path());
    ASSERT_TRUE(store.setString(kKey, "Mode", "0"));
    auto child = platform_test::startChild("SettingsStoreChild.DISABLED_HoldLockUntilKilled",
                                           {{"PALIMOR_TEST_STORE", path()}});
    ASSERT_TRUE(child->waitForStarted());
    while (!child->readAllStandardOutput().contains("locked"))
        ASSERT_TRUE(child->waitForReadyRead(30000)) << child->readAllStandardError().constData();
    child->kill();
    ASSERT_TRUE(child->waitForFinished());
    ASSERT_TRUE(QFile::exists(path() + ".lock"));

    store.setLockTimeout(3000);
    EXPECT_TRUE(store.setString(kKey, "Mode", "Hidden"));
    EXPECT_EQ(SettingsStore(path()).queryString(kKey, "Mode"), QStringLiteral("Hidden"));
}

// ---- corrupt files --------------------------------------------------------

struct CorruptCase {
    const char* label;
    const char* bytes;
};

void PrintTo(const CorruptCase& c, std::ostream* os) { *os << c.label; }

class SettingsCorrupt : public SettingsStoreTest, public ::testing::WithParamInterface<CorruptCase> {};

TEST_P(SettingsCorrupt, ReadsAsEmptyAndTheFirstWriteReplacesIt)
{
    writeBytes(path(), GetParam().bytes);
    SettingsStore store(path());
    EXPECT_FALSE(store.keyExists(kKey));
    EXPECT_EQ(store.queryDWord(kKey, "LOGGING"), std::nullopt);

    ASSERT_TRUE(store.setDWord(kKey, "SHOWPROP", 2));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(readBytes(path()), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(SettingsStore(path()).queryDWord(kKey, "SHOWPROP"), 2u);
    EXPECT_EQ(SettingsStore(path()).queryDWord(kKey, "LOGGING"), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsCorrupt,
    ::testing::Values(
        CorruptCase{"empty", ""}, CorruptCase{"notJson", "LOGGING=1\n"},
        CorruptCase{"truncated", R"({"format":1,"keys":{"Software\\Vrok\\Palimor":{"LOGGING":{"dword":1})"},
        CorruptCase{"array", "[1, 2]"}, CorruptCase{"keysNotObject", R"({"format":1,"keys":[]})"},
        CorruptCase{"binary", "\x01\x02\xff\xfe"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(SettingsStoreTest, EntriesThatAreNotValuesReadAsMissing)
{
    writeBytes(path(), R"({"format":1,"keys":{"Software\\Vrok\\Palimor":{
        "Good":{"dword":5}, "Text":{"string":"ok"},
        "Negative":{"dword":-1}, "Fraction":{"dword":1.5}, "TooBig":{"dword":4294967296},
        "QuotedNumber":{"dword":"1"}, "NumberAsText":{"string":5},
        "Both":{"dword":1,"string":"1"}, "Bare":7 }}})");
    SettingsStore store(path());
    EXPECT_EQ(store.queryDWord(kKey, "Good"), 5u);
    EXPECT_EQ(store.queryString(kKey, "Text"), QStringLiteral("ok"));
    for (const char* name : {"Negative", "Fraction", "TooBig", "QuotedNumber", "NumberAsText", "Both", "Bare"}) {
        EXPECT_EQ(store.queryDWord(kKey, name), std::nullopt) << name;
        EXPECT_EQ(store.queryString(kKey, name), std::nullopt) << name;
    }
}

// ---- several stores, threads and processes --------------------------------

TEST_F(SettingsStoreTest, ChangeByAnotherStoreIsSeen)
{
    SettingsStore first(path());
    SettingsStore second(path());
    ASSERT_TRUE(second.setString(kKey, "Mode", "a"));
    // Same size each time and quicker than a coarse clock tick.
    for (int i = 0; i < 40; ++i) {
        const QString text = i % 2 ? QStringLiteral("a") : QStringLiteral("b");
        ASSERT_TRUE(second.setString(kKey, "Mode", text));
        ASSERT_EQ(first.queryString(kKey, "Mode"), text) << "round " << i;
        ASSERT_TRUE(second.setDWord(kKey, "SHOWPROP", uint32_t(i % 8)));
        ASSERT_EQ(first.queryDWord(kKey, "SHOWPROP"), uint32_t(i % 8)) << "round " << i;
    }
}

TEST_F(SettingsStoreTest, FileReplacedOrDeletedByHandIsSeen)
{
    SettingsStore store(path());
    ASSERT_TRUE(store.setDWord(kKey, "LOGGING", 0));
    ASSERT_EQ(store.queryDWord(kKey, "LOGGING"), 0u);
    writeBytes(path(), R"({"format":1,"keys":{"Software\\Vrok\\Palimor":{"LOGGING":{"dword":1}}}})");
    EXPECT_EQ(store.queryDWord(kKey, "LOGGING"), 1u);
    ASSERT_TRUE(QFile::remove(path()));
    EXPECT_EQ(store.queryDWord(kKey, "LOGGING"), std::nullopt);
    EXPECT_FALSE(store.keyExists(kKey));
}

TEST_F(SettingsStoreTest, WriterThreadsLoseNoValue)
{
    constexpr int kThreads = 4;
    constexpr int kValues = 25;
    std::atomic<bool> done{false};
    std::atomic<int> failures{0};
    std::atomic<int> tornReads{0};

    std::thread reader([&] {
        while (!done) {
            const QByteArray bytes = readBytes(path());
            if (!bytes.isEmpty() && QJsonDocument::fromJson(bytes).isNull())
                ++tornReads;
        }
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            SettingsStore store(path());
            for (int i = 0; i < kValues; ++i)
                if (!store.setDWord(kKey, QStringLiteral("T%1_%2").arg(t).arg(i), uint32_t(t * 1000 + i)))
                    ++failures;
        });
    }
    for (std::thread& w : writers)
        w.join();
    done = true;
    reader.join();

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(tornReads, 0);
    SettingsStore check(path());
    EXPECT_EQ(check.valueNames(kKey).size(), kThreads * kValues);
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kValues; ++i)
            EXPECT_EQ(check.queryDWord(kKey, QStringLiteral("T%1_%2").arg(t).arg(i)), uint32_t(t * 1000 + i));
}

constexpr int kProcessValues = 40;

void writeProcessValues(SettingsStore& store, const QString& prefix)
{
    for (int i = 0; i < kProcessValues; ++i) {
        const QString name = QStringLiteral("%1_%2").arg(prefix).arg(i);
        if (i % 2)
            ASSERT_TRUE(store.setDWord(kKey, name, uint32_t(i)));
        else
            ASSERT_TRUE(store.setString(kKey, name, QStringLiteral("%1 text %2").arg(prefix).arg(i)));
    }
}

TEST(SettingsStoreChild, DISABLED_Writer)
{
    const QString path = qEnvironmentVariable("PALIMOR_TEST_STORE");
    const QString prefix = qEnvironmentVariable("PALIMOR_TEST_PREFIX");
    ASSERT_FALSE(path.isEmpty());
    ASSERT_FALSE(prefix.isEmpty());
    SettingsStore store(path);
    writeProcessValues(store, prefix);
}

TEST_F(SettingsStoreTest, WriterProcessesLoseNoValueAndNeverTearTheFile)
{
    const QStringList prefixes{"A", "B"};
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QString& prefix : prefixes)
        children.push_back(platform_test::startChild("SettingsStoreChild.DISABLED_Writer",
                                                     {{"PALIMOR_TEST_STORE", path()}, {"PALIMOR_TEST_PREFIX", prefix}}));

    // This process writes too, and reads the raw file between its writes.
    SettingsStore own(path());
    int tornReads = 0;
    for (int i = 0; i < kProcessValues; ++i) {
        ASSERT_TRUE(own.setString(kKey, QStringLiteral("P_%1").arg(i), QStringLiteral("p%1").arg(i)));
        const QByteArray bytes = readBytes(path());
        if (QJsonDocument::fromJson(bytes).isNull())
            ++tornReads;
    }
    for (auto& child : children) {
        while (child->state() != QProcess::NotRunning) {
            const QByteArray bytes = readBytes(path());
            if (!bytes.isEmpty() && QJsonDocument::fromJson(bytes).isNull())
                ++tornReads;
            child->waitForFinished(5);
        }
        EXPECT_EQ(child->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child->exitCode(), 0) << child->readAllStandardOutput().constData();
    }
    EXPECT_EQ(tornReads, 0);

    SettingsStore check(path());
    EXPECT_EQ(check.valueNames(kKey).size(), 3 * kProcessValues);
    for (int i = 0; i < kProcessValues; ++i) {
        for (const QString& prefix : prefixes) {
            const QString name = QStringLiteral("%1_%2").arg(prefix).arg(i);
            if (i % 2)
                EXPECT_EQ(check.queryDWord(kKey, name), uint32_t(i)) << name.toStdString();
            else
                EXPECT_EQ(check.queryString(kKey, name), QStringLiteral("%1 text %2").arg(prefix).arg(i));
        }
        EXPECT_EQ(check.queryString(kKey, QStringLiteral("P_%1").arg(i)), QStringLiteral("p%1").arg(i));
    }
}

// ---- the editor's store ---------------------------------------------------

class MachineSettingsTest : public SettingsStoreTest {
protected:
    void TearDown() override
    {
        qunsetenv("PALIMOR_REGISTRY");
        platform::setMachineSettingsPath(QString());
    }
};

TEST_F(MachineSettingsTest, PathCanBeRedirectedAndTheObjectStays)
{
    SettingsStore& before = platform::machineSettings();
    platform::setMachineSettingsPath(path());
    SettingsStore& after = platform::machineSettings();
    EXPECT_EQ(&before, &after);
    EXPECT_EQ(after.filePath(), path());
    ASSERT_TRUE(after.setDWord(kKey, "LOGGING", 1));
    EXPECT_EQ(SettingsStore(path()).queryDWord(kKey, "LOGGING"), 1u);

    // The cache follows the file, not the old path.
    const QString other = dir.filePath("other.json");
    platform::setMachineSettingsPath(other);
    EXPECT_EQ(platform::machineSettings().queryDWord(kKey, "LOGGING"), std::nullopt);
}

TEST_F(MachineSettingsTest, DefaultPathFollowsTheEnvironment)
{
    qputenv("PALIMOR_REGISTRY", path().toLocal8Bit());
    EXPECT_EQ(SettingsStore::defaultPath(), path());
    platform::setMachineSettingsPath(QString());
    EXPECT_EQ(platform::machineSettings().filePath(), path());

    qunsetenv("PALIMOR_REGISTRY");
    EXPECT_TRUE(SettingsStore::defaultPath().endsWith("/palimor/registry.json"));
    EXPECT_TRUE(QFileInfo(SettingsStore::defaultPath()).isAbsolute());
}

} // namespace
