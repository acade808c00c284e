// The form choice at start against the local host, with the form browser scripted.
#include "support/CoreTestSupport.h"
#include "support/LocalHostFixture.h"

#include <call_hooks.h>
#include <host_database.h>
#include <session_windows.h>
#include <sqlite_util.h>

#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_External.h"
#include "hostlink/mod_FormChoice.h"

namespace {

host::FormIdentity form(const char* code, const char* customer = "dev")
{
    return {QStringLiteral("te"), QStringLiteral("kwy"), QString::fromLatin1(code), QStringLiteral("2"),
            QStringLiteral("7.6"), QStringLiteral("a3"), QString::fromLatin1(customer)};
}

class FormChoice : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(env.ok()) << env.error().toStdString();
        platform::setCommandLine(startRecord());
        ASSERT_TRUE(gbConnectVrok());
        gInitFormDataSets();
        // The start record named no form.
        gsModule = "";
        gsOpenMode = "w";
        startLogging();
    }
    void TearDown() override
    {
        host::resetSessionWindows();
        resetExternal();
        resetDataSets();
        CoreTest::TearDown();
    }
    static QStringList browserStarts()
    {
        QStringList starts;
        for (const host::SessionRequest& r : host::sessionRequests()) {
            EXPECT_EQ(r.session, QStringLiteral("qxzrn3500m000"));
            EXPECT_EQ(r.table, QStringLiteral("qxzrn300"));
            EXPECT_EQ(r.fields, QStringLiteral("clan ,cpac,cmod ,cfrm ,vers ,rele ,cust ,lanl ,desc"));
            starts << r.startRecord.left(25);  // clan cpac cmod cfrm vers rele cust
        }
        return starts;
    }

    LocalHostEnvironment env;
    const QString defaultStart = QStringLiteral("2tekwysimpled  7.6 a3dev ");
    const QString question = QStringLiteral("You didn't select a form; Do you want to select another?");
};

TEST_F(FormChoice, BrowserChoiceCompletesTheIdentityAndTheSession)
{
    host::scriptSessionAnswer(form("itemsd"));
    gSelectForm();

    EXPECT_EQ(browserStarts(), QStringList{defaultStart});
    EXPECT_TRUE(dialogs->shown().empty());
    EXPECT_EQ(QStringList({gsPackage, gsModule, gsFormCode, gsLanguage, gsVersion, gsRelease, gsCustomer, gsHeader}),
              QStringList({"te", "kwy", "itemsd", "2", "7.6 ", "a3", "dev ", "Items"}));
    EXPECT_EQ(gsUserLanguage, QStringLiteral("2"));
    EXPECT_EQ(gsOpenMode, " ") << "a development version opens for editing";
    EXPECT_EQ(gsSession, QStringLiteral("items   "));
    EXPECT_TRUE(gbFormTypeChecked);
    EXPECT_EQ(QStringList({gsSessionVersion, gsSessionRelease, gsSessionCustomer, gsSessionModule, gsProgramScript}),
              QStringList({"7.6 ", "a3", "dev ", "kwy", "items    "}));
    EXPECT_EQ(gsTable, QStringLiteral("tekwy001"));
    EXPECT_EQ(giStartMode, 1);
    EXPECT_EQ(gsDesignLanguage, "2");
    EXPECT_EQ(host::callCount(QStringLiteral("get.session.info(")), 1);
    EXPECT_EQ(host::callCount(QStringLiteral("get.session.vrc(")), 0);
    EXPECT_EQ(logLines().last(), QStringLiteral("hh:mm:ss (0.000) - Form Data Loaded"));
}

TEST_F(FormChoice, NothingChosenAsksAndYesBrowsesAgainFromTheDefault)
{
    host::scriptSessionAnswer(host::NothingChosen{});
    host::scriptSessionAnswer(form("olditemd"));
    dialogs->queueAnswer(platform::IdYes);
    gSelectForm();

    ASSERT_EQ(dialogs->shown().size(), 1u);
    EXPECT_EQ(dialogs->shown()[0].text, question);
    EXPECT_EQ(dialogs->shown()[0].style, platform::MbYesNo | platform::MbIconExclamation);
    EXPECT_EQ(browserStarts(), QStringList({defaultStart, defaultStart}));
    EXPECT_EQ(gsFormCode, QStringLiteral("olditemd"));
    EXPECT_EQ(giStartMode, 5);
    EXPECT_EQ(gsTable, QStringLiteral("tekwy005"));
}

TEST_F(FormChoice, NothingChosenAndNoEndsTheRun)
{
    host::scriptSessionAnswer(host::NothingChosen{});
    dialogs->queueAnswer(platform::IdNo);
    EXPECT_EQ(endStatusOf([] { gSelectForm(); }), kNoFormChosenExit);
    EXPECT_EQ(dialogs->texts(), QStringList{question});
    EXPECT_FALSE(goVrokApp) << "the host link was closed";
    EXPECT_EQ(host::callCount(QStringLiteral("check.form.type(")), 0);
}

TEST_F(FormChoice, OtherVersionOpensReadOnlyAndFallsBackToTheSessionVersion)
{
    {
        auto db = openHostDatabase(env.databasePath());
        ASSERT_TRUE(db);
        // A form of the standard (not development) version, of another type, with its
        // own label language.
        host::execScript(db->handle(), QStringLiteral(
            "INSERT INTO qxzrn300 (clan, cpac, cmod, cfrm, vers, rele, cust, lanl, desc, ftyp)"
            " VALUES ('2', 'te', 'kwy', 'simpled', '7.6', 'a3', '', '3', 'Item groups, standard', 2)"));
    }
    giStartMode = 0;
    host::scriptSessionAnswer(form("simpled", ""));
    gSelectForm();

    EXPECT_EQ(gsCustomer, "    ");
    EXPECT_EQ(gsOpenMode, "r");
    EXPECT_FALSE(gbFormTypeChecked);
    EXPECT_EQ(host::callCount(QStringLiteral("get.session.info(")), 0);
    // The session is found in its own (development) version.
    EXPECT_EQ(gsSessionCustomer, QStringLiteral("dev "));
    EXPECT_EQ(gsProgramScript, QStringLiteral("simple   "));
    EXPECT_EQ(gsTable, QStringLiteral("tekwy002"));
    EXPECT_EQ(giStartMode, 1);
    EXPECT_EQ(gsLabelLanguage, "3");
    EXPECT_EQ(gsDesignLanguage, "3");
}

TEST_F(FormChoice, NamedFormSkipsTheBrowserAndKeepsTheCommandLineWhenTheHostHasNoSession)
{
    gsModule = "kwy";
    gsFormCode = QStringLiteral("abcdefghi");
    gsOpenMode = "w";
    gsTable = QStringLiteral("tekwy009");
    giStartMode = 5;
    gSelectForm();

    EXPECT_TRUE(host::sessionRequests().isEmpty());
    EXPECT_TRUE(dialogs->shown().empty());
    EXPECT_EQ(host::callCount(QStringLiteral("qxscm.dll.comm.is.dev.vrc(")), 0);
    EXPECT_EQ(gsOpenMode, "w");
    EXPECT_EQ(gsSession, QStringLiteral("abcdefgh"));
    EXPECT_FALSE(gbFormTypeChecked);
    EXPECT_EQ(gsTable, QStringLiteral("tekwy009"));
    EXPECT_EQ(giStartMode, 5);
}

} // namespace
