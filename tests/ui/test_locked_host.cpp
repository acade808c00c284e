// A save while another program holds the host database's write lock, through the real
// host link and a second SQLite connection: the texts are read as ever, one box says
// that nothing was stored, and the edits stay for the next save.
#include "test_main_window_support.h"

#include "frm_ModelessErrors.h"

#include <QLabel>
#include <QListWidget>
#include <QTest>

namespace {

const QString kLocked = QStringLiteral("The form was not stored: the host's database is in use by another program; "
                                       "save again when it is free.\r\nNothing was saved; the changes are kept in "
                                       "the window.");
const QString kErrorQuestion = QStringLiteral("The form has errors, listed in the error window. Save it anyway?");

struct LockedCase {
    const char* name;
    bool structureError;  // answered Yes at the error question
};

class LockedHost : public MainWindowTest, public ::testing::WithParamInterface<LockedCase> {
protected:
    // What only a stored set may change, and what the abort must put back.
    static QString records()
    {
        QStringList out;
        for (size_t i = 0; i < gaGroups.size(); ++i) {
            const GroupRecord& g = gaGroups[i];
            out << QStringLiteral("g%1:%2 %3/%4/%5").arg(i).arg(g.bExistsInHost).arg(g.lFirstFieldStored)
                       .arg(g.lChildGroupStored).arg(g.lNextGroupStored);
        }
        for (size_t i = 1; i < gaFields.size(); ++i) {
            const FieldRecord& f = gaFields[i];
            out << QStringLiteral("f%1:%2%3 %4/%5/%6").arg(i).arg(f.bExistsInHost).arg(f.bHas302Row)
                       .arg(f.nOmodStored).arg(f.lNextFieldStored).arg(f.iFieldYPosStored);
        }
        return out.join(u' ');
    }
};

TEST_P(LockedHost, ASaveUnderAnotherProgramsLockShowsOneReadableBoxAndKeepsTheEdits)
{
    open(QStringLiteral("simpled"));
    const QString stored = formDump("simpled");
    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    w().tvwGroups->setFocus();
    tree().setSelectedItem(node("f_1"));
    QTest::keyClick(w().tvwGroups, Qt::Key_Down, Qt::ControlModifier);
    ASSERT_EQ(node("f_2")->next(), node("f_1"));
    const QString name = gaFields[2].sFieldName;
    ASSERT_EQ(gaFields[1].sFieldName.trimmed(), QStringLiteral("tekwy002.citg"));
    if (GetParam().structureError)
        gaFields[2].sFieldName = gaFields[1].sFieldName;
    const QString moved = treeText(tree());
    const QString before = records();

    // The save's texts are not in the text cache yet: they are read from the host.
    ASSERT_TRUE(gsGetRegString(HKEY_LOCAL_MACHINE, gsTextCacheKey(QStringLiteral("2")), QStringLiteral("qxplqx0408"),
                               QString())
                    .isEmpty());

    // Another program, in the middle of its own transaction.
    const auto other = openHostDatabase(host.databasePath());
    ASSERT_TRUE(other);
    other->exec(QStringLiteral("BEGIN EXCLUSIVE"));
    host::clearCallLog();
    if (GetParam().structureError)
        dialogs->queueAnswer(platform::IdYes);
    trigger("mnuFSave");

    QStringList expected{kLocked};
    if (GetParam().structureError) {
        expected.prepend(kErrorQuestion);
        const frm_ModelessErrors* list = modelessErrorsWindow();
        ASSERT_TRUE(list && list->lstErrors->count() == 1);
        EXPECT_EQ(list->lstErrors->item(0)->text(),
                  QStringLiteral("Input field tekwy002.citg occurs twice in group 1 in the same occurrence view."));
    }
    EXPECT_EQ(dialogs->texts(), expected);
    // The set's head met the lock; nothing after it went to the host to wait again.
    EXPECT_EQ(host::callCount(QStringLiteral("execute.velq.set(")), 1);
    EXPECT_EQ(host::callCount(QStringLiteral("am_abort_transaction(")), 1);
    EXPECT_TRUE(gbFormChanged && gaFields[1].bChanged);
    EXPECT_EQ(records(), before);
    EXPECT_EQ(treeText(tree()), moved);
    EXPECT_EQ(w().SBarPanel1->text(), QStringLiteral("Ready"));

    // The other program ends; the next save stores the kept edits, and only them.
    other->exec(QStringLiteral("COMMIT"));
    EXPECT_EQ(formDump("simpled"), stored);
    dialogs->clear();
    if (GetParam().structureError)
        gaFields[2].sFieldName = name;
    trigger("mnuFSave");
    EXPECT_FALSE(gbFormChanged);
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'|').toStdString();
    EXPECT_NE(formDump("simpled"), stored);
    restart();
    open(QStringLiteral("simpled"));
    EXPECT_EQ(node("f_2")->next(), node("f_1"));
}

const LockedCase kLockedCases[] = {{"Plain", false}, {"WithStructureError", true}};

INSTANTIATE_TEST_SUITE_P(Save, LockedHost, ::testing::ValuesIn(kLockedCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
