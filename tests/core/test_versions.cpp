// The release check and the current form-version level against the local host, driven
// by the host's DLL version text and the level of the form's session script.
#include "support/CoreTestSupport.h"

#include <call_hooks.h>
#include <host_database.h>
#include <sqlite_util.h>

#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_External.h"
#include "model/mod_Versions.h"
#include "support/LocalHostFixture.h"

namespace {

struct VersionCase {
    const char* dllVersion;
    int tivn;
    int32_t dllClass, backend, backendLevel;
    bool sessionAsked;
    int32_t sessionLevel, level;  // level 0: refused as older
};

std::ostream& operator<<(std::ostream& os, const VersionCase& c) { return os << c.dllVersion << " / " << c.tivn; }

class VersionHost : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        resetVersions();
        resetDataSets();
        ASSERT_TRUE(env.ok()) << env.error().toStdString();
        db = openHostDatabase(env.databasePath());
        ASSERT_TRUE(db);
        platform::setCommandLine(startRecord());
        ASSERT_TRUE(gbConnectVrok());
        gsPackage = "te";
        gsModule = "kwy";
        gsSession = QStringLiteral("simple");
        host::clearCallLog();
        startLogging();
    }
    void TearDown() override
    {
        resetVersions();
        resetDataSets();
        CoreTest::TearDown();
    }
    void setHost(const char* dllVersion, int tivn)
    {
        host::Statement(db->handle(), QStringLiteral("UPDATE host_meta SET value = ?1 WHERE key = 'dll_version'"))
            .bind(1, QString::fromLatin1(dllVersion))
            .exec();
        host::Statement(db->handle(), QStringLiteral("UPDATE qxzrn230 SET tivn = ?1 WHERE cprs = 'simple'"))
            .bind(1, tivn)
            .exec();
    }
    bool logged(const QString& text) const
    {
        const QStringList log = logLines();
        return std::any_of(log.begin(), log.end(), [&](const QString& l) { return l.endsWith(" - " + text); });
    }

    LocalHostEnvironment env;
    std::unique_ptr<host::HostDatabase> db;
};

class Versions : public VersionHost, public ::testing::WithParamInterface<VersionCase> {};

const QString kOlder = QStringLiteral("Older version of Urq Palimor needed");

} // namespace

TEST_P(Versions, ReleaseCheckAndLevel)
{
    const VersionCase& c = GetParam();
    setHost(c.dllVersion, c.tivn);
    ASSERT_EQ(gbCheckVersion(), c.level > 0);
    EXPECT_EQ(glDllVersionClass, c.dllClass);
    EXPECT_EQ(glBackendVersion, c.backend);
    if (c.level == 0) {
        ASSERT_EQ(dialogs->shown().size(), 1u);
        EXPECT_EQ(dialogs->shown()[0].text, kOlder);
        EXPECT_EQ(dialogs->shown()[0].style, platform::MbOk);
        EXPECT_TRUE(logged(kOlder));
        return;
    }
    EXPECT_TRUE(dialogs->shown().empty());

    gInitFormVersion();
    EXPECT_EQ(host::callCount(QStringLiteral("get.script.tiv(")), c.sessionAsked ? 1 : 0);
    EXPECT_EQ(glSessionVersion, c.sessionAsked ? c.tivn : 0);
    EXPECT_EQ(glFormVersionLevel, c.level);
    EXPECT_TRUE(logged(QStringLiteral("Form version supported by backend  ") + QString::number(c.backendLevel)));
    EXPECT_TRUE(logged(QStringLiteral("Form version supported by session  ") + QString::number(c.sessionLevel)));
    // The group layout carries zb_tabp and zb_selg only at level 11.
    gInitDataSets();
    int16_t length = 0;
    gGetRecordLength(QStringLiteral("qxzrn315"), length);
    EXPECT_EQ(length, c.level == 11 ? 78 : 69);
}

INSTANTIATE_TEST_SUITE_P(
    DllVersions, Versions,
    // dll version, script level, class, backend number, its level, session asked, its level, level
    ::testing::Values(VersionCase{"x6.0.005", 1080, 4, 5, 10, false, 10, 10},
                      VersionCase{"x6.0.006", 1074, 4, 6, 11, true, 10, 10},
                      VersionCase{"x6.0.006", 1075, 4, 6, 11, true, 11, 11},
                      VersionCase{"x6.0.003", 1080, 4, 3, 9, false, 10, 9},
                      VersionCase{"x6.0.abc", 1080, 4, 0, 8, false, 10, 8},
                      VersionCase{"X6.0.006", 1080, 0, 6, 0, false, 0, 0},
                      VersionCase{"w6.0.006", 1080, 3, 6, 0, false, 0, 0}));

TEST_F(VersionHost, FailedHostCallsNeverRaiseTheLevel)
{
    setHost("x6.0.006", 1080);
    host::Statement(db->handle(), QStringLiteral("UPDATE host_meta SET value = '2' WHERE key = 'bytes_per_char'"))
        .exec();
    host::injectError(QStringLiteral("get.script.tiv("), 7, 1);
    ASSERT_TRUE(gbCheckVersion());
    EXPECT_EQ(glBytesPerChar, 2);
    gInitFormVersion();
    EXPECT_EQ(glFormVersionLevel, 10);

    host::injectError(QStringLiteral("init.dllextint("), 7, 1);
    resetVersions();
    EXPECT_FALSE(gbCheckVersion());
    EXPECT_TRUE(dialogs->texts().contains(kOlder));
}
