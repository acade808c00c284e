// A save the host's database cannot take, through the real host link: another program
// holds its write lock, or reads it while it keeps its journal (the commit, or a part
// whose pages must go out before it, cannot get the file to itself), or it cannot be
// written. The texts are read as ever, one box says why nothing was stored, SQLite's
// own words go to the log, and the edits stay for the next save.
#include "test_main_window_support.h"

#include "frm_ModelessErrors.h"
#include "host_database.h"
#include "local_host.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QTest>

namespace {

const QString kBusy = QStringLiteral("the host's database is in use by another program; save again when it is free");
const QString kErrorQuestion = QStringLiteral("The form has errors, listed in the error window. Save it anyway?");

enum class Cause { WriteLock, JournalReader, PagesUnderJournalReader, ReadOnly };

struct LockedCase {
    const char* name;
    Cause cause;
    bool structureError;  // answered Yes at the error question
    int parts;            // of the set sent, the last one failed
    int mode;             // of that part: 0 the head or a middle part, 1 the last
    QString words;        // why, in the box
    const char* sqlite;   // SQLite's words, in the log
};

class LockedHost : public MainWindowTest, public ::testing::WithParamInterface<LockedCase> {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // The editor's host of the case, kept at hand to set its connection up.
        setVrokObjectFactory([this](const QString&) -> std::unique_ptr<VrokApplication> {
            QString why;
            auto db = GetParam().cause == Cause::ReadOnly ? host::HostDatabase::openReadOnly(host.databasePath(), &why)
                                                          : host::HostDatabase::open(host.databasePath(), &why);
            EXPECT_TRUE(db) << why.toStdString();
            auto inner = std::make_unique<host::LocalHost>(std::move(db));
            local = inner.get();
            return std::make_unique<RecordingHost>(std::move(inner), record);
        });
    }
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

    host::LocalHost* local = nullptr;
};

TEST_P(LockedHost, ASaveTheDatabaseCannotTakeShowsOneReadableBoxAndKeepsTheEdits)
{
    const LockedCase& c = GetParam();
    open(QStringLiteral("simpled"));
    startLogging();
    const QString stored = formDump("simpled");
    w().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w()));
    w().tvwGroups->setFocus();
    tree().setSelectedItem(node("f_1"));
    QTest::keyClick(w().tvwGroups, Qt::Key_Down, Qt::ControlModifier);
    ASSERT_EQ(node("f_2")->next(), node("f_1"));
    const QString name = gaFields[2].sFieldName;
    ASSERT_EQ(gaFields[1].sFieldName.trimmed(), QStringLiteral("tekwy002.citg"));
    if (c.structureError)
        gaFields[2].sFieldName = gaFields[1].sFieldName;
    if (c.cause == Cause::PagesUnderJournalReader) {
        // Every row goes again: a set of several parts, whose pages fill a small cache.
        for (int32_t i = 1; i <= gnFieldCount; ++i)
            gaFields[size_t(i)].bChanged = gaFields[size_t(i)].bChanged301 = gaFields[size_t(i)].bChanged308 = true;
        local->database().exec(QStringLiteral("PRAGMA cache_size = 1"));
    }
    const QString moved = treeText(tree());
    const QString before = records();

    // The save's texts are not in the text cache yet: they are read from the host.
    ASSERT_TRUE(gsGetRegString(HKEY_LOCAL_MACHINE, gsTextCacheKey(QStringLiteral("2")), QStringLiteral("qxplqx0408"),
                               QString())
                    .isEmpty());

    // Another program, in the middle of its own transaction: a write, or a read of a
    // database that keeps its journal (made before the log was used).
    const bool journalReader = c.cause == Cause::JournalReader || c.cause == Cause::PagesUnderJournalReader;
    if (journalReader)
        local->database().exec(QStringLiteral("PRAGMA journal_mode = DELETE"));
    QString why;
    const auto other = c.cause == Cause::WriteLock ? openHostDatabase(host.databasePath())
                                                   : host::HostDatabase::openReadOnly(host.databasePath(), &why);
    ASSERT_TRUE(other) << why.toStdString();
    if (c.cause == Cause::WriteLock)
        other->exec(QStringLiteral("BEGIN EXCLUSIVE"));
    else if (journalReader)
        other->exec(QStringLiteral("BEGIN; SELECT count(*) FROM qxzrn315"));
    host::clearCallLog();
    if (c.structureError)
        dialogs->queueAnswer(platform::IdYes);
    QElapsedTimer saving;
    saving.start();
    trigger("mnuFSave");
    // The wait for the lock ends within a second: the window is not left unpainted longer.
    EXPECT_LT(saving.elapsed(), 2500);

    QStringList expected{QStringLiteral("The form was not stored: %1.\r\nNothing was saved; the changes are kept in "
                                        "the window.")
                             .arg(c.words)};
    if (c.structureError) {
        expected.prepend(kErrorQuestion);
        const frm_ModelessErrors* list = modelessErrorsWindow();
        ASSERT_TRUE(list && list->lstErrors->count() == 1);
        EXPECT_EQ(list->lstErrors->item(0)->text(),
                  QStringLiteral("Input field tekwy002.citg occurs twice in group 1 in the same occurrence view."));
    }
    EXPECT_EQ(dialogs->texts(), expected);
    // The part that failed was the last sent; nothing after it went to wait again.
    EXPECT_EQ(host::callCount(QStringLiteral("execute.velq.set(")), c.parts);
    const QList<host::LoggedCall> calls = host::callLog();
    const auto lastPart = std::find_if(calls.rbegin(), calls.rend(), [](const host::LoggedCall& call) {
        return call.function == QLatin1String("execute.velq.set(");
    });
    ASSERT_NE(lastPart, calls.rend());
    EXPECT_TRUE(lastPart->callText.endsWith(QStringLiteral(",%1,0)").arg(c.mode)));
    EXPECT_EQ(host::callCount(QStringLiteral("am_abort_transaction(")), 1);
    EXPECT_EQ(logLines().filter(QStringLiteral("VElq answer -40")).filter(QLatin1String(c.sqlite)).size(), 1)
        << logLines().join(u'\n').toStdString();
    EXPECT_TRUE(gbFormChanged && gaFields[1].bChanged);
    EXPECT_EQ(records(), before);
    EXPECT_EQ(treeText(tree()), moved);
    EXPECT_EQ(w().SBarPanel1->text(), QStringLiteral("Ready"));

    // The other program ends; the next save stores the kept edits, and only them.
    if (c.cause != Cause::ReadOnly)
        other->exec(QStringLiteral("COMMIT"));
    local->database().exec(QStringLiteral("PRAGMA query_only = OFF; PRAGMA cache_size = -2000"));
    EXPECT_EQ(formDump("simpled"), stored);
    dialogs->clear();
    if (c.structureError)
        gaFields[2].sFieldName = name;
    trigger("mnuFSave");
    EXPECT_FALSE(gbFormChanged);
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'|').toStdString();
    EXPECT_NE(formDump("simpled"), stored);
    restart();
    open(QStringLiteral("simpled"));
    EXPECT_EQ(node("f_2")->next(), node("f_1"));
}

const LockedCase kLockedCases[] = {
    {"WriteLock", Cause::WriteLock, false, 1, 0, kBusy, "database is locked"},
    {"WriteLockWithStructureError", Cause::WriteLock, true, 1, 0, kBusy, "database is locked"},
    {"CommitUnderAJournalReader", Cause::JournalReader, false, 2, 1, kBusy, "database is locked"},
    {"PagesUnderAJournalReader", Cause::PagesUnderJournalReader, false, 2, 0, kBusy, "part could not be written"},
    {"ReadOnly", Cause::ReadOnly, false, 1, 0,
     QStringLiteral(
         "the host's database cannot be written: this user may not write its file, its folder or a file beside it"),
     "attempt to write a readonly database"},
};

INSTANTIATE_TEST_SUITE_P(Save, LockedHost, ::testing::ValuesIn(kLockedCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
