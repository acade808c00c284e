// File, Save, Save and Exit and Exit of the main window against the local host: the
// store in one set, a failed commit rolled back, the error list with its question, the
// exit question and the close box, and the unattended runs of open modes "a" and "i".
#include "test_main_window_support.h"

#include "model/mod_ModelessErrors.h"
#include "properties/frm_ModelessErrors.h"

#include <host_database.h>

#include <QLabel>
#include <QListWidget>
#include <QToolButton>

namespace {

const QString kNotStored = QStringLiteral("The form could not be stored; nothing was saved.");
const QString kErrorQuestion = QStringLiteral("The form has errors, listed in the error window. Save it anyway?");
const QString kExitQuestion = QStringLiteral("The form has been changed. Save the changes?");

class MainWindowSave : public MainWindowTest {
protected:
    QStringList rows(const QString& sql) const { return hostRows(host.databasePath(), sql); }
    // maxd of field row sequ of the form.
    QString maxd(const QString& form, int sequ) const
    {
        return rows(QStringLiteral("SELECT maxd FROM qxzrn301 WHERE cfrm = '%1' AND sequ = %2").arg(form).arg(sequ))
            .value(0);
    }
    // Changes the display length of field i as the property dialog would.
    static void editField(int i, int16_t maxDisplay)
    {
        FieldRecord& f = gaFields[size_t(i)];
        f.iMaxDispLen = maxDisplay;
        f.bChanged = f.bChanged301 = true;
        gbFormChanged = true;
    }
    void clickButton(const char* key) { w().toolbarButton(QLatin1String(key))->click(); }
    static int calls(const char* function) { return host::callCount(QLatin1String(function)); }
};

// ---- Save ------------------------------------------------------------------------------------

TEST_F(MainWindowSave, EditsGoInOneSetAndASecondSaveSendsNothing)
{
    open(QStringLiteral("simpled"));
    // f_1 after f_2: rows and links change; f_6 leaves the form.
    tree().setSelectedItem(tree().node(QStringLiteral("f_1")));
    tree().setDropHighlight(tree().node(QStringLiteral("f_2")));
    w().mMoveToDropHighlight();
    w().mDeleteFieldNode(QStringLiteral("f_6"));
    host::clearCallLog();

    clickButton("mnuFSave");
    EXPECT_FALSE(gbFormChanged);
    EXPECT_EQ(calls("execute.velq.set("), 1);
    EXPECT_EQ(calls("am_abort_transaction("), 0);
    EXPECT_EQ(calls("ext.dump.form("), 1);
    EXPECT_EQ(rows(QStringLiteral("SELECT sequ, ypos FROM qxzrn301 WHERE cfrm = 'simpled' ORDER BY sequ")),
              QStringList({"1|2", "2|1", "3|3", "4|4", "5|5"}));
    EXPECT_TRUE(rows(QStringLiteral("SELECT sequ FROM qxzrn308 WHERE cfrm = 'simpled' AND sequ = 6")).isEmpty());
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'|').toStdString();

    // Nothing changed: no record goes out, the dump is still asked for.
    host::clearCallLog();
    w().menuEntry(QStringLiteral("mnuFSave"))->trigger();
    EXPECT_TRUE(sentSetRecords().empty());
    EXPECT_EQ(calls("ext.dump.form("), 1);
    EXPECT_EQ(w().SBarPanel1->text(), QStringLiteral("Ready"));
}

TEST_F(MainWindowSave, AFailedCommitIsAbortedAndTheNextSaveStoresEverything)
{
    open(QStringLiteral("simpled"));
    editField(2, 25);
    w().mDeleteFieldNode(QStringLiteral("f_6"));
    const QStringList before = rows(QStringLiteral("SELECT sequ, maxd FROM qxzrn301 WHERE cfrm = 'simpled'"));
    host::clearCallLog();
    host::injectError(QStringLiteral("execute.velq.set("), 7, 1);

    w().mnuFSave_Click();
    EXPECT_EQ(calls("am_abort_transaction("), 1);
    EXPECT_EQ(calls("ext.dump.form("), 0);
    EXPECT_TRUE(dialogs->texts().contains(kNotStored)) << dialogs->texts().join(u'|').toStdString();
    EXPECT_TRUE(gbFormChanged);
    EXPECT_EQ(rows(QStringLiteral("SELECT sequ, maxd FROM qxzrn301 WHERE cfrm = 'simpled'")), before);
    // The deleted field exists in the host again, so the next save deletes it.
    EXPECT_TRUE(gaFields[6].bExistsInHost);

    dialogs->clear();
    w().mnuFSave_Click();
    EXPECT_FALSE(gbFormChanged);
    EXPECT_EQ(maxd(QStringLiteral("simpled"), 2), QStringLiteral("25"));
    EXPECT_TRUE(rows(QStringLiteral("SELECT sequ FROM qxzrn301 WHERE cfrm = 'simpled' AND sequ = 6")).isEmpty());
    EXPECT_FALSE(dialogs->texts().contains(kNotStored));
}

// ---- Structure errors and their question -------------------------------------------------------

struct QuestionCase {
    const char* name;
    bool saveAndExit;
    int answer;
    bool stored;     // the edit reached the host
    bool ended;      // the program ended
    bool cancelled;  // bSaveCancelled afterwards
};

std::ostream& operator<<(std::ostream& os, const QuestionCase& c) { return os << c.name; }

class ErrorQuestion : public MainWindowSave, public ::testing::WithParamInterface<QuestionCase> {};

TEST_P(ErrorQuestion, ListsTheErrorsThenFollowsTheAnswer)
{
    const QuestionCase& c = GetParam();
    open(QStringLiteral("itemsd"));
    const FieldRecord field15 = gaFields[15], field6 = gaFields[6];
    const GroupRecord group2 = gaGroups[2], group7 = gaGroups[7];
    // Double input field, option values not unique, tab page without label, selection
    // group without parent table.
    gaFields[15].sFieldName = gaFields[14].sFieldName;
    gaFields[6].iLinkedConst = gaFields[5].iLinkedConst;
    gaGroups[2].sLabelCode.clear();
    gaGroups[7].sParentTable.clear();
    editField(3, 9);
    const QString stored = maxd(QStringLiteral("itemsd"), 3);
    ASSERT_NE(stored, QStringLiteral("9"));
    dialogs->queueAnswer(c.answer);

    const std::optional<int> status = endStatusOf([&] {
        if (c.saveAndExit)
            w().mnuFSaveExit_Click();
        else
            w().mnuFSave_Click();
    });

    ASSERT_TRUE(dialogs->texts().contains(kErrorQuestion));
    EXPECT_TRUE(w().bErrorsShown());
    EXPECT_EQ(status, c.ended ? std::optional<int>(0) : std::nullopt);
    EXPECT_EQ(maxd(QStringLiteral("itemsd"), 3), c.stored ? QStringLiteral("9") : stored);
    EXPECT_EQ(gbFormChanged, !c.stored);
    if (c.ended)
        return;  // the exit unloaded the list
    QStringList keys;
    for (const ModelessErrorEntry& e : gModelessErrors())
        keys << e.sNodeKey;
    keys.sort();
    EXPECT_EQ(keys, QStringList({"f_15", "f_4", "g_2", "g_7"}));
    EXPECT_EQ(w().bSaveCancelled(), c.cancelled);
    ASSERT_TRUE(modelessErrorsWindow());
    EXPECT_EQ(modelessErrorsWindow()->lstErrors->count(), 4);

    // Mended, the next save empties the list and closes it.
    gaFields[15].sFieldName = field15.sFieldName;
    gaFields[6].iLinkedConst = field6.iLinkedConst;
    gaGroups[2].sLabelCode = group2.sLabelCode;
    gaGroups[7].sParentTable = group7.sParentTable;
    dialogs->clear();
    w().mnuFSave_Click();
    EXPECT_TRUE(gModelessErrors().empty());
    EXPECT_FALSE(modelessErrorsWindow());
    EXPECT_FALSE(w().bErrorsShown());
    EXPECT_FALSE(dialogs->texts().contains(kErrorQuestion));
    EXPECT_EQ(maxd(QStringLiteral("itemsd"), 3), QStringLiteral("9"));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ErrorQuestion,
    ::testing::Values(QuestionCase{"SaveYes", false, platform::IdYes, true, false, false},
                      QuestionCase{"SaveNo", false, platform::IdNo, false, false, false},
                      QuestionCase{"SaveCancel", false, platform::IdCancel, false, false, true},
                      QuestionCase{"SaveExitYes", true, platform::IdYes, true, true, false},
                      QuestionCase{"SaveExitNo", true, platform::IdNo, false, false, false},
                      QuestionCase{"SaveExitCancel", true, platform::IdCancel, false, false, true}),
    [](const ::testing::TestParamInfo<QuestionCase>& info) { return std::string(info.param.name); });

// ---- Exit ----------------------------------------------------------------------------------------

struct ExitCase {
    const char* name;
    bool closeBox;
    int answer;
    bool ended;
    bool stored;
};

std::ostream& operator<<(std::ostream& os, const ExitCase& c) { return os << c.name; }

class ExitQuestion : public MainWindowSave, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ExitQuestion, OnAChangedFormFollowsTheAnswer)
{
    const ExitCase& c = GetParam();
    open(QStringLiteral("simpled"));
    editField(2, 25);
    dialogs->queueAnswer(c.answer);
    host::clearCallLog();

    const std::optional<int> status = endStatusOf([&] {
        if (c.closeBox)
            w().close();
        else
            w().menuEntry(QStringLiteral("mnuFExit"))->trigger();
    });

    EXPECT_TRUE(dialogs->texts().contains(kExitQuestion));
    EXPECT_EQ(status, c.ended ? std::optional<int>(0) : std::nullopt);
    EXPECT_EQ(maxd(QStringLiteral("simpled"), 2), c.stored ? QStringLiteral("25") : QStringLiteral("30"));
    EXPECT_EQ(calls("execute.velq.set("), c.stored ? 1 : 0);
    EXPECT_EQ(record->shutdown, c.ended);
    EXPECT_EQ(w().isVisible(), !c.ended);
    EXPECT_EQ(gbFormChanged, !c.ended);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ExitQuestion,
    ::testing::Values(ExitCase{"Yes", false, platform::IdYes, true, true},
                      ExitCase{"No", false, platform::IdNo, true, false},
                      ExitCase{"Cancel", false, platform::IdCancel, false, false},
                      ExitCase{"CloseBoxYes", true, platform::IdYes, true, true},
                      ExitCase{"CloseBoxCancel", true, platform::IdCancel, false, false}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.name); });

TEST_F(MainWindowSave, ExitWritesTheWidthTheErrorListHadTaken)
{
    open(QStringLiteral("simpled"));
    w().setGeometry(60, 40, 900, 600);
    gbShowModelessMessage(QStringLiteral("plqx0142"), QString(), QString(), QString(), QStringLiteral("g_0"));
    ASSERT_TRUE(modelessErrorsWindow() && modelessErrorsWindow()->isVisible());
    ASSERT_LT(w().width(), 900);

    EXPECT_EQ(endStatusOf([&] { w().mnuFExit_Click(); }), 0);
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, gsRegistryKey + QStringLiteral("\\Window"),
                             QStringLiteral("WindowWidth"), QString()),
              QString::number(900 * kTwipsPerPixel));
    EXPECT_FALSE(modelessErrorsWindow());
}

// ---- Unattended runs -------------------------------------------------------------------------------

struct UnattendedCase {
    const char* mode;
    bool failCommit;
};

std::ostream& operator<<(std::ostream& os, const UnattendedCase& c)
{
    return os << c.mode << (c.failCommit ? " failing" : "");
}

class Unattended : public MainWindowSave, public ::testing::WithParamInterface<UnattendedCase> {};

TEST_P(Unattended, SavesAndEndsWithTheStatusOfTheSave)
{
    const UnattendedCase& c = GetParam();
    const bool hidden = QLatin1String(c.mode) == QLatin1String("i");
    // Stored shorter than its domain: the load corrects it, so there is a change to store.
    {
        auto db = openHostDatabase(host.databasePath());
        ASSERT_TRUE(db);
        db->exec(QStringLiteral("UPDATE qxzrn301 SET maxd = 6 WHERE cfrm = 'itemsd' AND sequ = 14;"));
    }
    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("LOGGING"), 1));
    if (c.failCommit)
        host::injectError(QStringLiteral("execute.velq.set("), 7, 1);
    // A tab page without label, which the checks would list: unattended runs do not check.
    {
        auto db = openHostDatabase(host.databasePath());
        db->exec(QStringLiteral("UPDATE qxzrn315 SET labl = '' WHERE cfrm = 'itemsd' AND grpi = 3;"));
    }
    platform::setCommandLine(demoRecord(QStringLiteral("itemsd"), QLatin1String(c.mode)));

    const std::optional<int> status = endStatusOf([] { mainWindow().Form_Load(); });

    EXPECT_EQ(status, c.failCommit ? kUnattendedSaveFailed : 0);
    EXPECT_EQ(maxd(QStringLiteral("itemsd"), 14), c.failCommit ? QStringLiteral("6") : QStringLiteral("7"));
    EXPECT_EQ(calls("am_abort_transaction("), c.failCommit ? 1 : 0);
    EXPECT_EQ(calls("ext.dump.form("), !c.failCommit && !hidden ? 1 : 0);
    // Every box is logged, shown or not.
    EXPECT_FALSE(logLines().join(u'\n').contains(kErrorQuestion));
    EXPECT_TRUE(record->shutdown);
    EXPECT_FALSE(platform::machineSettings().keyExists(gsRegistryKey + QStringLiteral("\\Window")));
    if (hidden) {
        // Nothing may wait for an answer; the failure is in the log.
        EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'|').toStdString();
        if (c.failCommit) {
            EXPECT_TRUE(logLines().join(u'\n').contains(QStringLiteral("Not shown (no window): ") + kNotStored));
        }
    } else {
        EXPECT_EQ(dialogs->texts().contains(kNotStored), c.failCommit);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, Unattended,
                         ::testing::Values(UnattendedCase{"a", false}, UnattendedCase{"a", true},
                                           UnattendedCase{"i", false}, UnattendedCase{"i", true}),
                         [](const ::testing::TestParamInfo<UnattendedCase>& info) {
                             return std::string(info.param.mode) + (info.param.failCommit ? "Failing" : "Saving");
                         });

} // namespace
