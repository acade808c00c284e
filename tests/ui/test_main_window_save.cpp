// File Save, Save and Exit and Exit of the main window against the local host: the
// store in one set, a failed commit rolled back, the structure checks before saving,
// the error list with its question, the exit question and the close box, and the
// unattended runs of open modes "a" and "i".
#include "test_main_window_support.h"

#include "mod_StructureChecks.h"
#include "frm_ModelessErrors.h"

#include <QEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QTest>
#include <QToolButton>

namespace {

const QString kNotStored = QStringLiteral("The form could not be stored; nothing was saved.");
const QString kErrorQuestion = QStringLiteral("The form has errors, listed in the error window. Save it anyway?");
const QString kExitQuestion = QStringLiteral("The form has been changed. Save the changes?");

class MainWindowSave : public MainWindowTest {
protected:
    QString maxd(const char* form, int sequ) const
    {
        return rows(QStringLiteral("SELECT maxd FROM qxzrn301 WHERE cfrm = '%1' AND sequ = %2").arg(QLatin1String(form)).arg(sequ))
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
    static int calls(const char* function) { return host::callCount(QLatin1String(function)); }
    // The form's group and field rows kept aside under a prefix, or put back from it.
    void keepRows(const char* prefix) const
    {
        formRows("CREATE TABLE %2%1 AS SELECT * FROM qxzrn%1 WHERE cfrm = 'simpled'", prefix);
    }
    void putBackRows(const char* prefix) const
    {
        formRows("DELETE FROM qxzrn%1 WHERE cfrm = 'simpled'; INSERT INTO qxzrn%1 SELECT * FROM %2%1", prefix);
    }
    void formRows(const char* sql, const char* prefix) const
    {
        for (const char* t : {"315", "301", "308"})
            hostExec(QStringLiteral("PRAGMA foreign_keys = OFF;")
                     + QString::fromLatin1(sql).arg(QLatin1String(t), QLatin1String(prefix)));
    }
    // On itemsd: double input field, option values not unique, tab page without label.
    // A selection group without parent table is no structure error. mendErrors puts the
    // values back.
    void seedErrors()
    {
        seeded = {gaFields[15].sFieldName, gaGroups[2].sLabelCode, gaGroups[7].sParentTable};
        seededConst = gaFields[6].iLinkedConst;
        gaFields[15].sFieldName = gaFields[14].sFieldName;
        gaFields[6].iLinkedConst = gaFields[5].iLinkedConst;
        gaGroups[2].sLabelCode.clear();
        gaGroups[7].sParentTable.clear();
    }
    void mendErrors()
    {
        gaFields[15].sFieldName = seeded[0];
        gaGroups[2].sLabelCode = seeded[1];
        gaGroups[7].sParentTable = seeded[2];
        gaFields[6].iLinkedConst = seededConst;
    }

    QStringList seeded;
    int16_t seededConst = 0;
};

TEST_F(MainWindowSave, AFailedCommitIsAbortedThenTheSaveGoesInOneSetAndASecondSendsNothing)
{
    open(QStringLiteral("simpled"));
    // f_1 after f_2: rows and links change; f_2 gets longer; f_6 leaves the form.
    tree().setSelectedItem(node("f_1"));
    tree().setDropHighlight(node("f_2"));
    w().mMoveToDropHighlight();
    editField(2, 25);
    w().mDeleteFieldNode(QStringLiteral("f_6"));
    const QString fieldRows =
        QStringLiteral("SELECT sequ, ypos, maxd FROM qxzrn301 WHERE cfrm = 'simpled' ORDER BY sequ");
    const QStringList before = rows(fieldRows);
    host::clearCallLog();
    // The set's head goes; its commit fails.
    host::injectError(QStringLiteral("execute.velq.set("), 7, 1, 1);

    w().mnuFSave_Click();
    EXPECT_EQ(calls("am_abort_transaction(") * 10 + calls("ext.dump.form("), 10);
    EXPECT_TRUE(dialogs->texts().contains(kNotStored)) << dialogs->texts().join(u'|').toStdString();
    EXPECT_TRUE(gbFormChanged);
    EXPECT_EQ(rows(fieldRows), before);

    dialogs->clear();
    host::clearCallLog();
    w().actions().toolbarButton(QStringLiteral("mnuFSave"))->click();
    EXPECT_FALSE(gbFormChanged);
    EXPECT_EQ(calls("execute.velq.set(") * 100 + calls("am_abort_transaction(") * 10 + calls("ext.dump.form("), 201);
    EXPECT_EQ(rows(fieldRows), QStringList({"1|2|6", "2|1|25", "3|3|6", "4|4|10", "5|5|3"}));
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'|').toStdString();

    // Nothing changed: no record goes out, the dump is still asked for.
    host::clearCallLog();
    trigger("mnuFSave");
    EXPECT_TRUE(sentSetRecords().empty() && calls("ext.dump.form(") == 1);
}

// Two sessions move neighbouring fields of one form. The first stores its move while the
// second holds the form as it read it: the second's save finds rows it did not store,
// is refused with one message and keeps its move; the form opens again fully linked,
// with the first move.
TEST_F(MainWindowSave, ASaveOverAnotherSessionsSaveIsRefusedAndKeepsItsEdits)
{
    const auto move = [&](const char* key, Qt::Key k) {
        w().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
        w().tvwGroups->setFocus();
        tree().setSelectedItem(node(key));
        QTest::keyClick(w().tvwGroups, k, Qt::ControlModifier);
    };
    keepRows("read");
    open(QStringLiteral("simpled"));
    move("f_1", Qt::Key_Down);
    trigger("mnuFSave");
    ASSERT_FALSE(gbFormChanged);
    keepRows("first");
    putBackRows("read");

    restart();
    open(QStringLiteral("simpled"));
    move("f_3", Qt::Key_Up);
    const QString moved = treeText(tree());
    putBackRows("first");  // the first session's commit
    const QStringList first = rows(QStringLiteral("SELECT * FROM qxzrn308 WHERE cfrm = 'simpled'"));
    dialogs->clear();
    trigger("mnuFSave");
    EXPECT_EQ(dialogs->texts().size(), 1);
    EXPECT_TRUE(dialogs->texts().value(0).contains(QStringLiteral("stored by another session")))
        << dialogs->texts().value(0).toStdString();
    EXPECT_TRUE(gbFormChanged && treeText(tree()) == moved);
    EXPECT_EQ(rows(QStringLiteral("SELECT * FROM qxzrn308 WHERE cfrm = 'simpled'")), first);

    restart();
    open(QStringLiteral("simpled"));
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'|').toStdString();
    EXPECT_EQ(node("f_2")->next(), node("f_1"));
}

// The load reads the form table after table, each in a read of its own: another
// session's save that commits between the groups' read and the fields' is taken in half,
// its groups as they were and its fields as they are now. Such a form is never stored:
// its save finds the group rows changed since they were read and is refused.
TEST_F(MainWindowSave, AFormLoadedHalfBeforeAndHalfAfterAnotherSessionsSaveIsNotStored)
{
    // The other session's save: f_1 after f_2, which changes group 1's first field too.
    keepRows("read");
    open(QStringLiteral("simpled"));
    tree().setSelectedItem(node("f_1"));
    tree().setDropHighlight(node("f_2"));
    w().mMoveToDropHighlight();
    trigger("mnuFSave");
    ASSERT_FALSE(gbFormChanged);
    const QString other = formDump("simpled");
    const int32_t firstField = gaGroups[0].lFirstFieldStored;
    keepRows("other");
    putBackRows("read");

    restart();
    setVrokObjectFactory([rec = record](const QString& cls) -> std::unique_ptr<VrokApplication> {
        return std::make_unique<RecordingHost>(createVrokObject(cls), rec);
    });
    bool committed = false;
    record->onCall = [&](const QString& call) {
        if (!committed && call.contains(QStringLiteral("REFERS TO qxzrn308"))) {
            committed = true;
            putBackRows("other");
        }
    };
    open(QStringLiteral("simpled"));
    record->onCall = nullptr;
    ASSERT_TRUE(committed);
    ASSERT_NE(gaGroups[0].lFirstFieldStored, firstField) << "the groups were read before the other save";
    editField(3, 7);
    dialogs->clear();
    trigger("mnuFSave");
    EXPECT_EQ(dialogs->texts().size(), 1);
    EXPECT_TRUE(dialogs->texts().value(0).contains(QStringLiteral("stored by another session"))
                && dialogs->texts().value(0).contains(QStringLiteral("(group 1)")))
        << dialogs->texts().join(u'|').toStdString();
    EXPECT_TRUE(gbFormChanged);
    EXPECT_EQ(formDump("simpled"), other);
}

// A dump the host cannot write (a full disk: test_functions) is reported; the save stands.
TEST_F(MainWindowSave, ADumpThatCannotBeWrittenIsReported)
{
    qputenv("PALIMOR_HOST_DUMP_DIR", host.databasePath().toLocal8Bit());  // a file, no folder
    open(QStringLiteral("simpled"));
    trigger("mnuFSave");
    qunsetenv("PALIMOR_HOST_DUMP_DIR");
    EXPECT_EQ(dialogs->texts(), QStringList{"The form was saved, but the host could not dump it."});
}

// ---- Structure errors, their list and the question -------------------------------------------

TEST_F(MainWindowSave, TheErrorListNamesTheNodesSelectsThemAndLeavesTheWidthAlone)
{
    open(QStringLiteral("itemsd"));
    w().setGeometry(60, 40, 900, 600);
    seedErrors();
    dialogs->queueAnswer(platform::IdNo);
    w().mnuFSave_Click();
    frm_ModelessErrors* errors = modelessErrorsWindow();
    ASSERT_TRUE(errors && errors->isVisible());
    saveScreenshot(errors->grab(), QStringLiteral("error_list.png"));
    QListWidget* list = errors->lstErrors;
    auto keyOf = [list](int row) { return list->item(row)->data(Qt::UserRole).toString(); };
    // Its title says what it lists; each message is shown whole, over more lines when long.
    EXPECT_EQ(errors->windowTitle(), QStringLiteral("Palimor - Structure errors"));
    QStringList lines;
    for (int row = 0; row < list->count(); ++row) {
        lines << keyOf(row) + u' ' + list->item(row)->text();
        const QRect shown = list->visualItemRect(list->item(row));
        const QRect needed = list->fontMetrics().boundingRect(QRect(0, 0, shown.width(), 0), Qt::TextWordWrap,
                                                              list->item(row)->text());
        EXPECT_TRUE(shown.right() < list->viewport()->width() && needed.height() <= shown.height()) << row;
    }
    lines.sort();
    EXPECT_EQ(lines, QStringList({
                         "f_15 Input field tekwy001.stoc occurs twice in group 4 in the same occurrence view.",
                         "f_4 Option set tekwy001.ityp: two options have the same value.",
                         "g_2 Group 3 is a tab page but has no label.",
                     }));

    // Docked to the right of the main window, which is narrowed once and followed.
    auto docked = [&] {
        return errors->frameGeometry().left() == w().frameGeometry().right() + 1
               && errors->frameGeometry().top() == w().frameGeometry().top() && errors->height() == w().height();
    };
    EXPECT_EQ(w().width() + errors->narrowedBy(), 900);
    EXPECT_TRUE(docked());
    gbShowModelessMessage(QStringLiteral("plqx0143"), QString(), QString(), QString(), QStringLiteral("f_13"));
    EXPECT_EQ(w().width() + errors->narrowedBy(), 900);
    w().move(100, 80);
    EXPECT_TRUE(docked());

    // A click, or Enter, selects the entry's node; f_13 is a picture.
    for (int row = 0; row < list->count(); ++row) {
        tree().setSelectedItem(tree().firstRoot());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        const QString key = keyOf(row) == QLatin1String("f_13") ? QStringLiteral("p_13") : keyOf(row);
        EXPECT_TRUE(tree().selectedItem()->key() == key && tree().dropHighlight() == tree().selectedItem()) << row;
    }
    tree().setSelectedItem(tree().firstRoot());
    list->setFocus();
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(tree().selectedItem()->key(), keyOf(1));

    errors->close();
    EXPECT_EQ(w().width(), 900);
    // Shown again by the next entry; the exit writes the full width and unloads the list.
    gbShowModelessMessage(QStringLiteral("plqx0141"), QString(), QString(), QString(), QStringLiteral("g_7"));
    ASSERT_TRUE(errors->isVisible() && w().width() < 900);
    gbFormChanged = false;
    EXPECT_EQ(endStatusOf([&] { w().mnuFExit_Click(); }), 0);
    EXPECT_EQ(gsGetRegString(HKEY_LOCAL_MACHINE, gsRegistryKey + QStringLiteral("\\Window"),
                             QStringLiteral("WindowWidth"), QString()),
              QString::number(900 * kTwipsPerPixel));
    EXPECT_FALSE(modelessErrorsWindow());
}

struct QuestionCase {
    const char* name;
    bool saveAndExit;
    int answer;
    bool stored;     // the edit reached the host
    bool ended;      // the program ended
    bool cancelled;  // bSaveCancelled afterwards
};

class ErrorQuestion : public MainWindowSave, public ::testing::WithParamInterface<QuestionCase> {};

TEST_P(ErrorQuestion, ListsTheErrorsThenFollowsTheAnswer)
{
    const QuestionCase& c = GetParam();
    open(QStringLiteral("itemsd"));
    seedErrors();
    editField(3, 9);
    const QString stored = maxd("itemsd", 3);
    ASSERT_NE(stored, QStringLiteral("9"));
    dialogs->queueAnswer(c.answer);

    const std::optional<int> status =
        endStatusOf([&] { c.saveAndExit ? w().mnuFSaveExit_Click() : w().mnuFSave_Click(); });

    ASSERT_TRUE(dialogs->texts().contains(kErrorQuestion) && w().bErrorsShown());
    EXPECT_EQ(status, c.ended ? std::optional<int>(0) : std::nullopt);
    EXPECT_EQ(maxd("itemsd", 3), c.stored ? QStringLiteral("9") : stored);
    EXPECT_EQ(gbFormChanged, !c.stored);
    if (c.ended)
        return;  // the exit unloaded the list
    EXPECT_EQ(w().bSaveCancelled(), c.cancelled);
    ASSERT_TRUE(modelessErrorsWindow());
    EXPECT_EQ(modelessErrorsWindow()->lstErrors->count(), 3);

    // Mended, the next save empties the list and closes it.
    mendErrors();
    dialogs->clear();
    w().mnuFSave_Click();
    EXPECT_TRUE(gModelessErrors().empty() && !modelessErrorsWindow() && !w().bErrorsShown());
    EXPECT_FALSE(dialogs->texts().contains(kErrorQuestion));
    EXPECT_EQ(maxd("itemsd", 3), QStringLiteral("9"));
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
            trigger("mnuFExit");
    });

    EXPECT_TRUE(dialogs->texts().contains(kExitQuestion));
    EXPECT_EQ(status, c.ended ? std::optional<int>(0) : std::nullopt);
    EXPECT_EQ(maxd("simpled", 2), c.stored ? QStringLiteral("25") : QStringLiteral("30"));
    // One set: its head, then its commit.
    int commits = 0;
    for (const host::LoggedCall& call : host::callLog())
        commits += call.callText.startsWith(u"execute.velq.set(") && call.callText.endsWith(u",1,0)");
    EXPECT_EQ(calls("execute.velq.set(") * 10 + commits, c.stored ? 21 : 0);
    EXPECT_TRUE(record->shutdown == c.ended && w().isVisible() != c.ended && gbFormChanged != c.ended);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ExitQuestion,
    ::testing::Values(ExitCase{"Yes", false, platform::IdYes, true, true},
                      ExitCase{"No", false, platform::IdNo, true, false},
                      ExitCase{"Cancel", false, platform::IdCancel, false, false},
                      ExitCase{"CloseBoxYes", true, platform::IdYes, true, true},
                      ExitCase{"CloseBoxCancel", true, platform::IdCancel, false, false}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.name); });

TEST_F(MainWindowSave, ExitRemovesTheLocalIconCopiesAndNothingOutsideTheirFolder)
{
    open(QStringLiteral("simpled"));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("icons")));
    const QString icons = dir.filePath(QStringLiteral("icons"));
    for (const QString& f : {icons + QStringLiteral("/lamp.bmp"), dir.filePath(QStringLiteral("keep.bmp"))}) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    gaIconCache.resize(3);
    gaIconCache[1] = {QStringLiteral("lamp"), icons, QStringLiteral("lamp.bmp")};
    gaIconCache[2] = {QStringLiteral("keep"), icons, QStringLiteral("../keep.bmp")};

    EXPECT_EQ(endStatusOf([&] { w().mnuFExit_Click(); }), 0);
    EXPECT_TRUE(!QFileInfo::exists(icons + QStringLiteral("/lamp.bmp")) && QFileInfo::exists(dir.filePath(QStringLiteral("keep.bmp"))));
}

// (Yes to the exit question, by the menu or the close box, stores and ends: test_program_runs.)
TEST_F(MainWindowSave, ExitAsksOnAChangedFormAndNoEndsUnstored)
{
    open(QStringLiteral("simpled"));
    // Cancel, by the close box or the menu, keeps the window; No at last ends unstored.
    editField(2, 25);
    for (const bool closeBox : {true, false}) {
        dialogs->queueAnswer(platform::IdCancel);
        EXPECT_EQ(endStatusOf([&] { closeBox ? (void)w().close() : trigger("mnuFExit"); }), std::nullopt);
        EXPECT_TRUE(w().isVisible() && gbFormChanged && !record->shutdown);
    }
    dialogs->queueAnswer(platform::IdNo);
    EXPECT_EQ(endStatusOf([&] { w().mnuFExit_Click(); }), 0);
    EXPECT_TRUE(dialogs->texts().count(kExitQuestion) == 3 && maxd("simpled", 2) == QStringLiteral("30"));
}

// ---- Unattended runs -------------------------------------------------------------------------------

struct UnattendedCase {
    const char* mode;
    bool failCommit;
};

// Counts the times the watched window was shown.
struct ShowCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += e->type() == QEvent::Show;
        return false;
    }
};

class Unattended : public MainWindowSave, public ::testing::WithParamInterface<UnattendedCase> {};

TEST_P(Unattended, SavesAndEndsWithTheStatusOfTheSave)
{
    const UnattendedCase& c = GetParam();
    const bool hidden = QLatin1String(c.mode) == QLatin1String("i");
    // Stored shorter than its domain: the load corrects it, so there is a change to store.
    // A tab page without label, which the checks would list: unattended runs do not check.
    hostExec(QStringLiteral("UPDATE qxzrn301 SET maxd = 6 WHERE cfrm = 'itemsd' AND sequ = 14;"
                            "UPDATE qxzrn315 SET labl = '' WHERE cfrm = 'itemsd' AND grpi = 3;"));
    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("LOGGING"), 1));
    if (c.failCommit)
        host::injectError(QStringLiteral("execute.velq.set("), 7, 1, 1);
    platform::setCommandLine(demoRecord(QStringLiteral("itemsd"), QLatin1String(c.mode)));
    ShowCounter shows;
    mainWindow().installEventFilter(&shows);

    const std::optional<int> status = endStatusOf([] { mainWindow().Form_Load(); });

    EXPECT_EQ(status, c.failCommit ? kUnattendedSaveFailed : 0);
    EXPECT_EQ(maxd("itemsd", 14), c.failCommit ? QStringLiteral("6") : QStringLiteral("7"));
    EXPECT_EQ(calls("am_abort_transaction(") * 10 + calls("ext.dump.form("), (c.failCommit ? 10 : 0) + (!c.failCommit && !hidden));
    // Every box is logged, shown or not.
    const QString log = logLines().join(u'\n');
    EXPECT_TRUE(!log.contains(kErrorQuestion) && record->shutdown);
    EXPECT_FALSE(platform::machineSettings().keyExists(gsRegistryKey + QStringLiteral("\\Window")));
    EXPECT_EQ(shows.count > 0, !hidden);
    if (hidden) {
        // Nothing may wait for an answer; the failure is in the log.
        EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'|').toStdString();
        EXPECT_EQ(log.contains(QStringLiteral("Not shown (no window): ") + kNotStored), c.failCommit);
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

// ---- The structure checks --------------------------------------------------------------------

class StructureChecks : public MainWindowTest {
public:
    void load()
    {
        open(QStringLiteral("itemsd"));
        gRebuildPointers();
        dialogs->clear();
        gClearModelessErrors();
    }
    bool check()
    {
        bool ok = false;
        mCheckStructure(node("g_0"), ok);
        return ok;
    }
    FieldRecord& field(int32_t i) { return gaFields[size_t(i)]; }
    GroupRecord& group(int32_t i) { return gaGroups[size_t(i)]; }
    void move(const char* key, const char* to, Relationship where)
    {
        tree().move(node(key), node(to), where);
        gRebuildPointers();
    }
    // f takes the name and element of like.
    void rename(int f, int like)
    {
        field(f).sFieldName = field(like).sFieldName;
        field(f).iElement = field(like).iElement;
    }
};

// The errors of a faulty save (double input field, option values not unique, tab page
// without label; a selection group without parent table is none) are listed by the main
// window's save tests with their keys and texts; here the cases around them.
// The items form shows its groups as tab pages; g_1 holds the option set f_4 (options
// f_5 to f_8, values 1 to 4) and the picture p_13; g_3 holds the input fields f_14 to
// f_17, its sibling g_4 holds f_18; g_7 is a selection group; g_5 holds subgroups.
struct Seed {
    const char* name;
    std::function<void(StructureChecks&)> seed;
    const char* code;  // "": nothing listed
    const char* key;
    const char* text;  // "": not compared
};

void PrintTo(const Seed& s, std::ostream* os) { *os << s.name; }

// clang-format off
const Seed kSeeds[] = {
    {"DoubleInputFieldInOtherOccurrenceViews",
     [](auto& t) { t.rename(15, 14), t.field(14).bFieldInMultiOcc = t.field(15).bFieldInSingleOcc = false; }, "", "", ""},
    {"DoubleDisplayField", [](auto& t) { t.rename(15, 14), t.field(15).lFieldType = 2; }, "", "", ""},
    {"SameFieldInSiblingGroups", [](auto& t) { t.rename(18, 14); }, "", "", ""},
    {"OptionValuesOutsideTheEnumRange", [](auto& t) { t.field(6).iLinkedConst = t.field(7).iLinkedConst = 300; },
     "plqx0136", "f_4", ""},
    // The fewest options that can clash.
    {"TwoOptionsOfOneValue",
     [](auto& t) {
         t.move("f_7", "f_14", Relationship::Next), t.move("f_8", "f_14", Relationship::Next);
         t.field(6).iLinkedConst = t.field(5).iLinkedConst;
     },
     "plqx0136", "f_4", ""},
    {"OptionOnTwoLines", [](auto& t) { t.field(7).iFieldHeight = 2; }, "plqx0137", "f_4", ""},
    {"PictureUnderAnOption", [](auto& t) { t.move("p_13", "f_6", Relationship::Child); }, "plqx0137", "f_4", ""},
    {"NoTabPages", [](auto& t) { t.group(2).sLabelCode.clear(), t.group(0).bNewPage = false; }, "", "", ""},
    {"PageWithoutLabelOnlyInMultiOccurrence",
     [](auto& t) { t.group(2).sLabelCode.clear(), t.group(2).bGroupInSingleOcc = false; }, "", "", ""},
    // Two runs of fields among the pages; the first is listed.
    {"FieldsAmongTabPages", [](auto& t) { t.move("f_14", "g_1", Relationship::Next), t.move("f_18", "g_5", Relationship::Next); },
     "plqx0143", "f_14", "Field tekwy001.stoc stands outside a group on a form with tab pages."},
    // Groups without subgroups beside each other, in the form's columns and in g_2's.
    {"GroupsBesideEachOtherInColumns",
     [](auto& t) {
         t.group(0).iGroupWidth = t.group(2).iGroupWidth = 2;
         t.group(4).bPlaceBeside = t.group(7).bPlaceBeside = t.group(8).bPlaceBeside = true;
     },
     "", "", ""},
    {"GroupBesideWithSubgroupsInColumns", [](auto& t) { t.group(0).iGroupWidth = 2, t.group(5).bPlaceBeside = true; },
     "plqx0145", "g_5", ""},
    // The repeating-group check refuses nested repeating groups without listing them.
    {"NestedRepeatingGroups",
     [](auto& t) { t.move("g_2", "g_1", Relationship::Previous), t.group(2).bRepeatingGroup = t.group(3).bRepeatingGroup = true; },
     "plqx0138", "g_2", ""},
};
// clang-format on

class SeededError : public StructureChecks, public ::testing::WithParamInterface<Seed> {};

TEST_P(SeededError, IsListedWithItsNodeAndFailsTheCheck)
{
    const Seed& s = GetParam();
    load();
    s.seed(*this);
    const bool ok = check();
    const std::vector<ModelessErrorEntry>& got = gModelessErrors();
    EXPECT_EQ(ok, got.empty());
    ASSERT_EQ(got.size(), *s.code ? 1u : 0u);
    if (got.empty())
        return;
    EXPECT_EQ(got[0].sCode + u' ' + got[0].sNodeKey, QLatin1String(s.code) + u' ' + QLatin1String(s.key));
    EXPECT_TRUE(tree().node(got[0].sNodeKey));
    EXPECT_TRUE(!*s.text || got[0].sText == QLatin1String(s.text)) << got[0].sText.toStdString();
}

INSTANTIATE_TEST_SUITE_P(, SeededError, ::testing::ValuesIn(kSeeds),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(StructureChecks, StaleLinkedConstantsAndDependentMarksAreClearedAndMarkTheForm)
{
    load();
    field(14).iLinkedConst = 3;         // in a group
    field(11).bDependent = true;        // in a group
    ASSERT_TRUE(field(10).bDependent);    // follow-up of f_9
    ASSERT_EQ(field(5).iLinkedConst, 1);  // option of f_4
    gbFormChanged = false;
    mResetStaleFieldMarks(node("g_0"));
    EXPECT_TRUE(field(14).iLinkedConst == 0 && !field(11).bDependent && gbFormChanged);
    EXPECT_TRUE(field(5).iLinkedConst == 1 && field(10).bDependent);
    for (int i : {5, 10, 11, 14})
        EXPECT_EQ(field(i).bChanged && field(i).bChanged308, i == 11 || i == 14) << i;
}

TEST_F(StructureChecks, TheLinkRebuildStoresEachFieldsLevelBelowItsGroupLevelField)
{
    load();
    EXPECT_EQ(field(9).nFieldLevel * 10 + field(10).nFieldLevel, 1);
    move("f_11", "f_10", Relationship::Child);
    EXPECT_EQ(field(11).nFieldLevel, 2);
    move("f_11", "f_9", Relationship::Next);
    EXPECT_EQ(field(11).nFieldLevel, 0);
}

} // namespace
