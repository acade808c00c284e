// Running the form in the host and the Tools menu's sessions against the local host,
// whose session windows answer "nothing chosen". The form identity stays as loaded,
// whatever version or language the host answers.
#include "test_main_window_support.h"
#include "support/SessionPresenters.h"

#include <gui/session_windows_gui.h>

namespace {

class RunInHost : public MainWindowTest {
protected:
    // The session starts of a menu entry (mnu_Tfrm is off for a form of the editor's own
    // type), each answered "nothing chosen", with spares so that no window waits.
    QList<host::SessionRequest> starts(const char* entry)
    {
        const QStringList before{gsPackage, gsModule, gsFormCode, gsLanguage, gsVersion, gsRelease, gsCustomer};
        const qsizetype count = host::sessionRequests().size();
        host::installSessionWindows();
        for (int i = 0; i < 3; ++i)
            host::scriptSessionAnswer(host::NothingChosen{});
        w().actions().setEntryEnabled(QLatin1String(entry), true);
        w().actions().menuEntry(QLatin1String(entry))->trigger();
        while (host::takeScriptedAnswer()) {
        }
        EXPECT_EQ(QStringList({gsPackage, gsModule, gsFormCode, gsLanguage, gsVersion, gsRelease, gsCustomer}), before);
        return host::sessionRequests().mid(count);
    }
    // Changes a field of itemsd as the property dialog would, then File Save, which must
    // go through without a message; the field's stored rows, the columns asked for.
    QStringList editAndSave(const QString& columns)
    {
        dialogs->clear();
        FieldRecord& f = gaFields[2];
        f.iMaxDispLen = 21;
        f.bChanged = f.bChanged301 = gbFormChanged = true;
        w().mnuFSave_Click();
        EXPECT_FALSE(gbFormChanged);
        EXPECT_EQ(dialogs->texts(), QStringList());
        return rows(
            QStringLiteral("SELECT %1 FROM qxzrn301 WHERE cfrm = 'itemsd' AND sequ = %2").arg(columns).arg(f.lFieldId));
    }
};

TEST_F(RunInHost, RunAsksAboutUnsavedChangesThenStartsTheFormsSession)
{
    // Open mode, entry, form changed, answer to the save question (0: not asked), host
    // function failing once, session started, form changed afterwards.
    const struct { const char *mode, *entry; bool change; int answer; const char* fails; bool runs, after; } cases[] = {
        {"w", "mnuOSO", false, 0, "", true, false},
        {"w", "mnuOSO", true, platform::IdNo, "", true, true},
        {"w", "mnuOMO", true, platform::IdYes, "", true, false},
        {"w", "mnuOSO", true, platform::IdYes, "execute.velq.set(", false, true},
        {"w", "mnuOSO", true, platform::IdCancel, "", false, true},
        {"r", "mnuOSO", true, 0, "", true, true},
        {"w", "mnuOMO", false, 0, "check.runtime.form.vrc(", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << ' ' << c.entry << ' ' << c.answer << ' ' << c.fails);
        restart();
        open(QStringLiteral("itemsd"), QLatin1String(c.mode));
        if (c.change) {
            gaFields[2].bMandatoryInput = !gaFields[2].bMandatoryInput;
            gaFields[2].bChanged = gaFields[2].bChanged301 = gbFormChanged = true;
        }
        host::clearCallLog();
        if (c.answer)
            dialogs->queueAnswer(c.answer);
        if (*c.fails)
            host::injectError(QLatin1String(c.fails), 7, 1);
        const auto requests = starts(c.entry);
        ASSERT_EQ(requests.size(), c.runs ? 1 : 0);
        for (const host::SessionRequest& r : requests)
            EXPECT_EQ(QStringList({r.session, r.table, r.startRecord, QString::number(r.mode)}),
                      QStringList({"tekwyitems", "", "", qstrcmp(c.entry, "mnuOMO") ? "1" : "0"}));
        const QString shown = dialogs->texts().join(u'|');
        EXPECT_EQ(shown.contains(QStringLiteral("Save the changes?")), c.answer != 0) << shown.toStdString();
        EXPECT_EQ(shown.contains(QStringLiteral("could not be checked")), *c.fails == 'c') << shown.toStdString();
        EXPECT_EQ(gbFormChanged, c.after);
        EXPECT_EQ(host::callCount(QStringLiteral("execute.velq.set(")) > 0, c.answer == platform::IdYes);
    }
}

// The host runs the form in the version its own derives from when its session is not
// in its own. The form stays in the version it was loaded in: it is checked there
// again, and what the user edits after the run is stored there, nothing refused.
TEST_F(RunInHost, RunKeepsTheVersionTheFormWasLoadedIn)
{
    open(QStringLiteral("itemsd"));
    hostExec(QStringLiteral("DELETE FROM qxzrn205 WHERE cses = 'items';"
                            "UPDATE qxzrn200 SET cust = '' WHERE cses = 'items';"
                            "UPDATE qxscm100 SET orcu = '' WHERE cpac = 'te' AND cust = 'dev'"));
    const auto run = [&] {
        const qsizetype count = host::sessionRequests().size();
        host::scriptSessionAnswer(host::NothingChosen{});
        w().actions().menuEntry(QStringLiteral("mnuOSO"))->trigger();
        EXPECT_EQ(host::sessionRequests().size() - count, 1);
        return QStringList({gsLanguage, gsVersion, gsRelease, gsCustomer}).join(u'|');
    };
    const QString loaded = QStringLiteral("2|7.6 |a3|dev ");
    host::clearCallLog();
    EXPECT_EQ(run(), loaded);
    EXPECT_EQ(run(), loaded);
    const auto checks = host::callLog();
    QStringList sent;
    for (const auto& c : checks)
        if (c.callText.startsWith(QStringLiteral("check.runtime.form.vrc(")))
            sent << c.callText;
    EXPECT_EQ(sent, QStringList(2, R"(check.runtime.form.vrc("tekwyitems","7.6 ","a3","dev "))"));
    EXPECT_EQ(dialogs->texts(), QStringList());

    // An edit after the run, saved: stored in the loaded version, nowhere else.
    EXPECT_EQ(editAndSave(QStringLiteral("vers, rele, cust, maxd")), QStringList{QStringLiteral("7.6|a3|dev|21")});

    // A session the host runs in no version: a warning, the version kept, the run started.
    hostExec(QStringLiteral("UPDATE qxzrn200 SET cust = 'old' WHERE cses = 'items'"));
    EXPECT_EQ(run(), loaded);
    EXPECT_TRUE(dialogs->texts().join(u'|').contains(QStringLiteral("could not be checked")));
}

// The sessions entry starts its window in the form's language; whatever language the
// window ends in, the form keeps its own, and an edit afterwards is stored in it. The
// other entries start theirs in none.
TEST_F(RunInHost, SessionsEntryLeavesTheFormsLanguage)
{
    open(QStringLiteral("itemsd"));
    QString switchTo;
    host::setSessionPresenter(presenterEndingIn(switchTo));
    // Entry, language its window switches to, language sent.
    const char* const cases[][3] = {
        {"mnu_Tses", "3", "2"}, {"mnu_Tses", "", "2"},  {"mnu_Tind", "3", ""},
        {"mnu_Tprs", "3", ""},  {"mnu_Tses", "3", "2"},
    };
    for (const auto& [entry, switched, sent] : cases) {
        SCOPED_TRACE(std::string(entry) + "|" + switched);
        switchTo = QLatin1String(switched);
        const qsizetype count = host::sessionRequests().size();
        w().actions().setEntryEnabled(QLatin1String(entry), true);
        w().actions().menuEntry(QLatin1String(entry))->trigger();
        const QList<host::SessionRequest> requests = host::sessionRequests().mid(count);
        ASSERT_EQ(requests.size(), 1);
        EXPECT_EQ(requests[0].language, QLatin1String(sent));
        EXPECT_EQ(QString(gsLanguage), QStringLiteral("2"));
    }
    EXPECT_EQ(QStringList({gsPackage, gsModule, gsFormCode, gsLanguage, gsVersion, gsRelease, gsCustomer}).join(u'|'),
              QStringLiteral("te|kwy|itemsd|2|7.6 |a3|dev "));

    EXPECT_EQ(editAndSave(QStringLiteral("clan, vers, rele, cust, maxd")),
              QStringList{QStringLiteral("2|7.6|a3|dev|21")});
}

TEST_F(RunInHost, EachToolsEntryStartsItsSessionOnTheKeyOfItsObject)
{
    open(QStringLiteral("itemsd"));
    // The main table exists in a newer version of its own as well.
    hostExec(QStringLiteral("INSERT INTO qxscm100 VALUES ('te', '7.7', 'b1', '', 2, 'te', '7.7', 'b1', '', 1,"
                            " 'Workshop, next'); INSERT INTO qxzrn420 VALUES ('te', 'kwy', '001', '7.7', 'b1', '', 'Items')"));
    const QString form = QStringLiteral("clan=2 cpac=te cmod=kwy cfrm=itemsd vers=7.6 rele=a3 cust=dev");
    const QString session = QStringLiteral("cpac=te cmod=kwy cses=items vers=7.6 rele=a3 cust=dev");
    const struct { const char *entry, *session, *table; QString keys; } cases[] = {
        {"mnu_Tcmd", "qxzrn3518m000", "qxzrn300", form},
        {"mnu_Tdal", "qxzrn2530m000", "qxzrn420", "cpac=te cmod=kwy flno=001 vers=7.7 rele=b1 cust="},
        {"mnu_Tfrm", "qxzrn3100s000", "qxzrn300", form},
        {"mnu_Tind", "qxzrn2101s000", "qxzrn200", session},
        {"mnu_Tprs", "qxzrn2530m000", "qxzrn200", session},
        {"mnu_Tses", "qxzrn2100s000", "qxzrn200", session},
        {"mnu_Tstc", "qxzrn3110s000", "qxzrn300", form},
        {"mnu_Tvtd", "vqrst1400m000", "qxzrn300", form},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        gbLoadCommands = false;
        const auto requests = starts(c.entry);
        ASSERT_EQ(requests.size(), 1);
        const host::SessionRequest& r = requests[0];
        // Only the sessions entry passes the form language.
        EXPECT_EQ(QStringList({r.session, r.table, r.language}),
                  QStringList({c.session, c.table, qstrcmp(c.entry, "mnu_Tses") ? "" : "2"}));
        EXPECT_EQ(startRecordKeys(QLatin1String(c.table), r.startRecord, c.keys), c.keys);
        EXPECT_EQ(r.startRecord.size(), recordLength(QLatin1String(c.table)));
        EXPECT_EQ(gbLoadCommands, qstrcmp(c.entry, "mnu_Tcmd") == 0);
    }
    EXPECT_TRUE(starts("mnu_Tscr").isEmpty());
    ASSERT_EQ(host::scriptEditRequests().size(), 1);
    EXPECT_EQ(host::scriptEditRequests()[0].script, QStringLiteral("items"));
}

// Edit Program Script shows what the host shows for it, as the other entries do: the
// program scripts, the script of the form's session picked out.
TEST_F(RunInHost, EditProgramScriptShowsTheScriptOfTheFormsSession)
{
    open(QStringLiteral("itemsd"));
    QStringList shown;
    host::SessionPresenter presenter;
    presenter.chooseRow = [&](const host::SessionRequest& r, const host::LookUpTable& rows) -> std::optional<int> {
        shown << r.table + u'|' + rows.rows.value(rows.start).join(u' ');
        return 0;
    };
    host::setSessionPresenter(presenter);
    ASSERT_TRUE(w().actions().menuEntry(QStringLiteral("mnu_Tscr"))->isEnabled());
    trigger("mnu_Tscr");
    EXPECT_EQ(shown, QStringList{"qxzrn230|te kwy items 7.6 a3 dev Items"});
    EXPECT_TRUE(host::sessionRequests().isEmpty());
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'|').toStdString();
}

} // namespace
