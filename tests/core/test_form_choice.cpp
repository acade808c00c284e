// The start-up's steps against the local host: the release check and the form-version
// level from the host's DLL version text and the session script's level; the form
// choice, with the form browser scripted. Layout lengths by level: test_data_sets.
#include "support/CoreTestSupport.h"

#include "mod_FormChoice.h"

namespace {

// The editor connected to a fresh local host, logging.
class StartUp : public HostCoreTest {
protected:
    void SetUp() override
    {
        HostCoreTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(connectEditor());
        startLogging();
    }
};

const QString kOlder = QStringLiteral("Older version of Urq Palimor needed");

class Versions : public StartUp {
protected:
    void SetUp() override
    {
        StartUp::SetUp();
        gsPackage = "te", gsModule = "kwy", gsSession = "simple";
    }
    void setHost(const char* dllVersion, int tivn)
    {
        db->exec(QStringLiteral("UPDATE host_meta SET value = '%1' WHERE key = 'dll_version';"
                                "UPDATE qxzrn230 SET tivn = %2 WHERE cprs = 'simple'")
                     .arg(QLatin1String(dllVersion))
                     .arg(tivn));
    }
};

TEST_F(Versions, ReleaseCheckAndLevel)
{
    // Level 0: refused as older.
    const struct { const char* dllVersion; int tivn; int32_t dllClass, backend, backendLevel; bool sessionAsked;
                   int32_t sessionLevel, level; } cases[] = {
        {"x6.0.005", 1080, 4, 5, 10, false, 10, 10}, {"x6.0.006", 1074, 4, 6, 11, true, 10, 10},
        {"x6.0.006", 1075, 4, 6, 11, true, 11, 11},  {"x6.0.003", 1080, 4, 3, 9, false, 10, 9},
        {"x6.0.abc", 1080, 4, 0, 8, false, 10, 8},   {"X6.0.006", 1080, 0, 6, 0, false, 0, 0},
        {"w6.0.006", 1080, 3, 6, 0, false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 / %2").arg(QLatin1String(c.dllVersion)).arg(c.tivn).toStdString());
        resetVersions();
        dialogs->clear();
        host::clearCallLog();
        const qsizetype logFrom = logLines().size();
        const auto logged = [&](const QString& text) {
            const QStringList log = logLines().mid(logFrom);
            return std::any_of(log.begin(), log.end(), [&](const QString& l) { return l.endsWith(" - " + text); });
        };
        setHost(c.dllVersion, c.tivn);
        ASSERT_EQ(gbCheckVersion(), c.level > 0);
        EXPECT_EQ(std::tuple(glDllVersionClass, glBackendVersion), std::tuple(c.dllClass, c.backend));
        EXPECT_EQ(dialogs->texts(), c.level ? QStringList() : QStringList{kOlder});
        if (c.level == 0) {
            EXPECT_TRUE(dialogs->shown()[0].style == platform::MbOk && logged(kOlder));
            continue;
        }
        gInitFormVersion();
        EXPECT_EQ(host::callCount("get.script.tiv("), c.sessionAsked ? 1 : 0);
        EXPECT_EQ(glSessionVersion, c.sessionAsked ? c.tivn : 0);
        EXPECT_EQ(glFormVersionLevel, c.level);
        EXPECT_TRUE(logged(QStringLiteral("Form version supported by backend  %1").arg(c.backendLevel)));
        EXPECT_TRUE(logged(QStringLiteral("Form version supported by session  %1").arg(c.sessionLevel)));
    }
}

TEST_F(Versions, FailedHostCallsNeverRaiseTheLevel)
{
    setHost("x6.0.006", 1080);
    db->exec("UPDATE host_meta SET value = '2' WHERE key = 'bytes_per_char'");
    host::injectError("get.script.tiv(", 7, 1);
    ASSERT_TRUE(gbCheckVersion());
    gInitFormVersion();
    EXPECT_EQ(glBytesPerChar * 100 + glFormVersionLevel, 210);

    host::injectError("init.dllextint(", 7, 1);
    resetVersions();
    EXPECT_FALSE(gbCheckVersion());
    EXPECT_TRUE(dialogs->texts().contains(kOlder));
}

host::FormIdentity form(const char* code, const char* customer = "dev")
{
    return {"te", "kwy", code, "2", "7.6", "a3", customer};
}

class FormChoice : public StartUp {
protected:
    void SetUp() override
    {
        StartUp::SetUp();
        gInitFormDataSets();
        // The start record named no form.
        gsModule = "";
        gsOpenMode = "w";
    }
    // The identity part (clan cpac cmod cfrm vers rele cust) of each browser start.
    static QStringList browserStarts()
    {
        QStringList starts;
        for (const host::SessionRequest& r : host::sessionRequests()) {
            EXPECT_EQ(QStringList({r.session, r.table, r.fields}),
                      QStringList({"qxzrn3500m000", "qxzrn300", "clan ,cpac,cmod ,cfrm ,vers ,rele ,cust ,lanl ,desc"}));
            starts << r.startRecord.left(25);
        }
        return starts;
    }

    const QString defaultStart = QStringLiteral("2tekwysimpled  7.6 a3dev ");
    const QString question = QStringLiteral("You didn't select a form; Do you want to select another?");
};

TEST_F(FormChoice, BrowserChoiceCompletesTheIdentityAndTheSession)
{
    host::scriptSessionAnswer(form("itemsd"));
    gSelectForm();

    EXPECT_EQ(browserStarts(), QStringList{defaultStart});
    EXPECT_TRUE(dialogs->shown().empty() && gbFormTypeChecked);
    EXPECT_EQ(QStringList({gsPackage, gsModule, gsFormCode, gsLanguage, gsVersion, gsRelease, gsCustomer, gsHeader,
                           gsUserLanguage, gsDesignLanguage}),
              QStringList({"te", "kwy", "itemsd", "2", "7.6 ", "a3", "dev ", "Items", "2", "2"}));
    EXPECT_EQ(gsOpenMode, " ") << "a development version opens for editing";
    EXPECT_EQ(QStringList({gsSession, gsSessionVersion, gsSessionRelease, gsSessionCustomer, gsSessionModule,
                           gsProgramScript, gsTable, QString::number(giStartMode)}),
              QStringList({"items   ", "7.6 ", "a3", "dev ", "kwy", "items    ", "tekwy001", "1"}));
    EXPECT_EQ(host::callCount("get.session.info(") * 10 + host::callCount("get.session.vrc("), 10);
    EXPECT_EQ(logLines().last(), QStringLiteral("hh:mm:ss (0.000) - Form Data Loaded"));
}

TEST_F(FormChoice, NothingChosenAsksAndYesBrowsesAgainFromTheDefault)
{
    host::scriptSessionAnswer(host::NothingChosen{});
    host::scriptSessionAnswer(form("olditemd"));
    dialogs->queueAnswer(platform::IdYes);
    gSelectForm();

    EXPECT_EQ(dialogs->texts(), QStringList{question});
    EXPECT_EQ(dialogs->shown()[0].style, platform::MbYesNo | platform::MbIconExclamation);
    EXPECT_EQ(browserStarts(), QStringList({defaultStart, defaultStart}));
    EXPECT_EQ(gsFormCode + u'|' + gsTable + u'|' + QString::number(giStartMode), QStringLiteral("olditemd|tekwy005|5"));
}

TEST_F(FormChoice, NothingChosenAndNoEndsTheRun)
{
    host::scriptSessionAnswer(host::NothingChosen{});
    dialogs->queueAnswer(platform::IdNo);
    EXPECT_EQ(endStatusOf([] { gSelectForm(); }), kNoFormChosenExit);
    EXPECT_EQ(dialogs->texts(), QStringList{question});
    EXPECT_FALSE(goVrokApp) << "the host link was closed";
    EXPECT_EQ(host::callCount("check.form.type("), 0);
}

// Open mode "i", which shows no browser: test_program_runs.
TEST_F(FormChoice, NothingChosenAsksThenYesBrowsesAgainFromTheDefaultAndNoEndsTheRun)
{
    for (const int answer : {platform::IdYes, platform::IdNo}) {
        host::scriptSessionAnswer(host::NothingChosen{});
        dialogs->queueAnswer(answer);
    }
    EXPECT_EQ(endStatusOf([] { gSelectForm(); }), kNoFormChosenExit);
    EXPECT_EQ(dialogs->texts(), QStringList(2, question));
    EXPECT_EQ(dialogs->shown()[0].style, platform::MbYesNo | platform::MbIconExclamation);
    EXPECT_EQ(browserStarts(), QStringList({defaultStart, defaultStart}));
    EXPECT_FALSE(goVrokApp) << "the host link was closed";
    EXPECT_EQ(host::callCount("check.form.type("), 0);
}

TEST_F(FormChoice, OtherVersionOpensReadOnlyAndFallsBackToTheSessionVersion)
{
    // A form of the standard (not development) version, of another type, with its own label language.
    db->exec("INSERT INTO qxzrn300 (clan, cpac, cmod, cfrm, vers, rele, cust, lanl, desc, ftyp)"
             " VALUES ('2', 'te', 'kwy', 'simpled', '7.6', 'a3', '', '3', 'Item groups, standard', 2)");
    giStartMode = 0;
    host::scriptSessionAnswer(form("simpled", ""));
    gSelectForm();

    EXPECT_TRUE(gsCustomer == "    " && gsOpenMode == "r" && !gbFormTypeChecked);
    EXPECT_EQ(host::callCount("get.session.info("), 0);
    // The session is found in its own (development) version.
    EXPECT_EQ(QStringList({gsSessionCustomer, gsProgramScript, gsTable, gsLabelLanguage, gsDesignLanguage,
                           QString::number(giStartMode)}),
              QStringList({"dev ", "simple   ", "tekwy002", "3", "3", "1"}));
}

TEST_F(FormChoice, NamedFormSkipsTheBrowserAndKeepsTheCommandLineWhenTheHostHasNoSession)
{
    gsModule = "kwy";
    gsFormCode = "abcdefghi";
    gsTable = "tekwy009";
    giStartMode = 5;
    gSelectForm();

    EXPECT_TRUE(host::sessionRequests().isEmpty() && dialogs->shown().empty());
    EXPECT_EQ(host::callCount("qxscm.dll.comm.is.dev.vrc("), 0);
    EXPECT_TRUE(gsOpenMode == "w" && !gbFormTypeChecked);
    EXPECT_EQ(gsSession + u'|' + gsTable + u'|' + QString::number(giStartMode), QStringLiteral("abcdefgh|tekwy009|5"));
}

} // namespace
