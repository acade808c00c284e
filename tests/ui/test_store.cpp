// Storing a form in the local host: a round trip of tree edits through the link
// rebuild, the store and a fresh load; a failure at each step of the store followed by
// the abort (database and marks as before, marks of an earlier store never flipped
// back, then a retry that stores what a fresh load reads back); records the store must
// not send or must remove; a form without changes sends the set's head only.
// The form is opened, edited and opened again through the main window, whose tree fill
// makes the tree the links are rebuilt from. (Edits of every kind stored and loaded
// again: test_structure_editing, test_clipboard, test_user_session; a form of an older
// level is upgraded and stored by test_program_runs.)
#include "test_main_window_support.h"

#include "core/test_links_support.h"

#include <QLabel>

#include <map>

namespace {

class Store : public MainWindowTest {
protected:
    int64_t count(const QString& sql) const { return rows(sql).value(0, QStringLiteral("-1")).toLongLong(); }
    int64_t documentation(const QString& field) const
    {
        return count(QStringLiteral("SELECT count(*) FROM qxzrn150 WHERE rkey = 'kwy%1%2'")
                         .arg(gsFormCode.leftJustified(9), field));
    }
    // The form read again by a second run; the host's call log starts afresh.
    void reopen()
    {
        restart();
        open(QStringLiteral("itemsd"));
        host::clearCallLog();
    }

    // The marks a store may change and a failed one must give back.
    static QString marks()
    {
        QStringList out;
        for (size_t i = 0; i < gaGroups.size(); ++i)
            out << QStringLiteral("g%1:%2").arg(i).arg(gaGroups[i].bExistsInHost);
        for (size_t i = 1; i < gaFields.size(); ++i)
            out << QStringLiteral("f%1:%2%3").arg(i).arg(gaFields[i].bExistsInHost).arg(gaFields[i].bHas302Row);
        for (size_t i = 1; i < gaSpecificCommands.size(); ++i)
            out << QStringLiteral("c%1:%2").arg(i).arg(gaSpecificCommands[i].bExistsInHost);
        return out.join(u' ');
    }
    static bool anyToggled()
    {
        return std::any_of(gaGroups.begin(), gaGroups.end(), [](const auto& r) { return r.bExistsToggled; })
               || std::any_of(gaFields.begin(), gaFields.end(), [](const auto& r) { return r.bExistsToggled; });
    }

    // Every live record as the store writes it.
    static std::map<QString, QString> designTexts()
    {
        std::map<QString, QString> out;
        for (size_t i = 0; i < gaGroups.size(); ++i)
            if (gaGroups[i].Grpi != -1) {
                msGroupRecord315(int32_t(i));
                out[QStringLiteral("315 %1").arg(i)] = gsDesignRecord;
            }
        for (int32_t i = 1; i <= gnFieldCount; ++i) {
            if (gaFields[size_t(i)].lFieldId == -1)
                continue;
            out[QStringLiteral("301 %1").arg(i)] = msFieldRecord301(i);
            out[QStringLiteral("308 %1").arg(i)] = msFieldRecord308(i);
            if (gaFields[size_t(i)].bHas302Row)
                out[QStringLiteral("302 %1").arg(i)] = msFieldRecord302(i);
        }
        return out;
    }

    // A new field record in a tree node placed relative to relative.
    int32_t newField(TreeNode* relative, Relationship where, const QString& name)
    {
        QString key;
        const int32_t i = glNewItem(QStringLiteral("field"), key);
        EXPECT_GT(i, 0);
        if (i <= 0)
            return i;
        gaFields[size_t(i)].sFieldName = name;
        gaFields[size_t(i)].sLabelCode = QStringLiteral("tekwy100.new");
        gaFields[size_t(i)].lControl = ControlKind::Input;
        gaFields[size_t(i)].sNodeKey = tree().add(relative, where, key, name)->key();
        return i;
    }
};

TEST_F(Store, EditedTreeStoredAndLoadedAgainIsTheSame)
{
    open(QStringLiteral("itemsd"));
    ASSERT_EQ(documentation(QStringLiteral("tekwy001.item")), 1);

    // A documented field and its follow-up go.
    gDeleteItem(QStringLiteral("field"), 2);
    gDeleteItem(QStringLiteral("field"), 1);
    tree().remove(node("f_1"));
    // The location fields move to the levels group; the emptied group goes.
    tree().move(node("f_18"), node("g_3"), Relationship::Child);
    tree().move(node("f_19"), node("g_3"), Relationship::Child);
    gDeleteItem(QStringLiteral("group"), 4);
    gaGroups[2].iNrOfSubGroups--;
    tree().remove(node("g_4"));
    // A field moves from the first group to the head of the options group.
    tree().move(node("f_11"), node("f_29"), Relationship::Previous);
    // A new group takes the freed group slot, behind the first group; new fields take
    // the freed field slots, the lowest first, and then the gap in the sequence.
    QString key;
    ASSERT_EQ(glNewItem(QStringLiteral("group"), key), 4);
    gaGroups[4].sLabelCode = QStringLiteral("tekwy100.added");
    gaGroups[4].bShowGroupBox = true;
    TreeNode* added = tree().add(node("g_1"), Relationship::Next, key, QStringLiteral("added"));
    gaGroups[4].sNodeKey = key;
    gaGroups[0].iNrOfSubGroups++;
    EXPECT_EQ(newField(added, Relationship::Child, QStringLiteral("tekwy900.nf1")), 1);
    EXPECT_EQ(newField(added, Relationship::Child, QStringLiteral("tekwy900.nf2")), 2);
    // A field straight under the form, between subgroups: the form now mixes them.
    EXPECT_EQ(newField(added, Relationship::Next, QStringLiteral("tekwy900.nf3")), 20);
    gbFormChanged = true;

    gRebuildPointers();
    gUpdatePointers();
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'\n').toStdString();
    // The documentation waits for the save.
    EXPECT_EQ(documentation(QStringLiteral("tekwy001.item")), 1);

    ASSERT_TRUE(gbStoreDesignDefinitions());
    EXPECT_TRUE(!anyToggled() && documentation(QStringLiteral("tekwy001.item")) == 0);
    const std::map<QString, QString> stored = designTexts();
    const QString storedTree = links::treeText(tree().firstRoot());
    int virtualGroups = 0;
    for (const GroupRecord& g : gaGroups)
        virtualGroups += g.Grpi != -1 && g.bVirtualGroup && &g != &gaGroups[0];
    EXPECT_EQ(virtualGroups, 2) << "one for the purchase group's fields, one for the form's";

    reopen();
    EXPECT_EQ(links::treeText(tree().firstRoot()), storedTree);
    EXPECT_EQ(designTexts(), stored);
    EXPECT_TRUE(links::strictlyRising(links::orderNumbers(tree().firstRoot())));

    // Nothing edited: the set's head and its commit go, with no record.
    gRebuildPointers();
    gUpdatePointers();
    ASSERT_TRUE(gbStoreDesignDefinitions());
    EXPECT_TRUE(host::callCount(QStringLiteral("execute.velq.set(")) == 2 && sentSetRecords().empty());
    EXPECT_EQ(designTexts(), stored);
}

enum class FailAt { IntermediatePart, Commit, InputPropertyCall, OverLongRecord };

class StoreFailure : public Store, public ::testing::WithParamInterface<FailAt> {};

TEST_P(StoreFailure, AbortLeavesHostAndMarksAsBeforeAndARetryStores)
{
    open(QStringLiteral("itemsd"));
    // A field of an earlier store: its marks are never flipped back.
    ASSERT_EQ(newField(node("g_1"), Relationship::Child, QStringLiteral("tekwy900.early")), 20);
    gRebuildPointers();
    gUpdatePointers();
    ASSERT_TRUE(gbStoreDesignDefinitions() && gaFields[20].bExistsInHost);
    const QString before = formDump("itemsd");
    // Edits that flip marks of every kind: a new field with an input-property row, a
    // stored field with documentation and a stored group with its fields deleted, a
    // field updated, a command linked elsewhere, a new command and a stored one deleted.
    const size_t added = size_t(newField(node("g_8"), Relationship::Child, QStringLiteral("tekwy900.nf")));
    ASSERT_EQ(added, 36u);
    gaFields[added].bDefault = gaFields[added].bChanged302 = true;
    gaFields[added].sDefaultValue = QStringLiteral("x");
    for (int32_t i : {2, 1, 26, 27, 28})
        gDeleteFieldRecord(i);
    tree().remove(node("f_1"));
    gDeleteItem(QStringLiteral("group"), 6);
    gaGroups[5].iNrOfSubGroups--;
    tree().remove(node("g_6"));
    gRebuildPointers();
    gUpdatePointers();
    gaFields[3].iFieldXPos = 50;
    gaFields[3].bChanged = gaFields[3].bChanged301 = true;
    gaSpecificCommands[2].lLinkId = 4;
    gaSpecificCommands[2].bChanged = true;
    gDeleteItem(QStringLiteral("specificcommand"), 3);
    gaSpecificCommands.push_back(gaSpecificCommands[1]);
    gaSpecificCommands.back().bExistsInHost = false;
    gaSpecificCommands.back().bChanged = true;
    gaSpecificCommands.back().nSequenceNumber = 9;

    switch (GetParam()) {
    case FailAt::IntermediatePart:
        // Enough to send parts before the commit; the first of them fails.
        for (int32_t i = 3; i <= gnFieldCount; ++i)
            if (gaFields[size_t(i)].lFieldId != -1)
                gaFields[size_t(i)].bChanged = gaFields[size_t(i)].bChanged301 = gaFields[size_t(i)].bChanged308 = true;
        host::injectError(QStringLiteral("execute.velq.set("), 5, 1, 1);
        break;
    case FailAt::Commit:
        record->onCall = [](const QString& call) {
            if (call.startsWith(QStringLiteral("execute.velq.set(")) && call.endsWith(QStringLiteral(",1,0)")))
                host::injectError(QStringLiteral("execute.velq.set("), 5, 1);
        };
        break;
    case FailAt::InputPropertyCall:
        // What the set holds so far is sent first; the host function then refuses.
        glBytesPerChar = 2;
        host::injectError(QStringLiteral("insert.qxzrn302("), 5, 1);
        break;
    case FailAt::OverLongRecord:
        gaFields[added].sLanguageUnitExpression = QString(1000, u'x');
        break;
    }
    const QString marksBefore = marks();
    host::clearCallLog();
    dialogs->clear();

    EXPECT_FALSE(gbStoreDesignDefinitions());
    EXPECT_EQ(w().SBarPanel1->text(), QStringLiteral("Ready"));
    if (GetParam() == FailAt::OverLongRecord) {
        // A value its column cannot hold is refused before the set begins: nothing sent,
        // no mark flipped, the reason naming the field for the window to show.
        EXPECT_EQ(marks(), marksBefore);
        EXPECT_EQ(host::callCount(QStringLiteral("execute.velq.set(")), 0);
        EXPECT_TRUE(gsStoreRefusal().startsWith(QStringLiteral("field tekwy900.nf holds"))
                    && gsStoreRefusal().contains(QStringLiteral(" in qxzrn301.dcex")))
            << gsStoreRefusal().toStdString();
    } else {
        EXPECT_NE(marks(), marksBefore) << "the store flipped marks before it failed";
    }
    ASSERT_TRUE(gbAbortStore());
    EXPECT_EQ(formDump("itemsd"), before);
    EXPECT_EQ(marks(), marksBefore);
    EXPECT_FALSE(anyToggled());
    gRestoreExistsMarks();  // twice changes nothing more
    EXPECT_EQ(marks(), marksBefore);
    // The change marks stay, so that the retry sends the same again.
    EXPECT_TRUE(gaFields[added].bChanged && gaFields[3].bChanged301);

    host::clearInjections();
    record->onCall = nullptr;
    gaFields[added].sLanguageUnitExpression.clear();
    ASSERT_TRUE(gbStoreDesignDefinitions());
    const auto stored = designTexts();
    EXPECT_EQ(documentation(QStringLiteral("tekwy001.item")), 0);
    reopen();
    EXPECT_EQ(designTexts(), stored);
    EXPECT_TRUE(gaFields[added].sDefaultValue == QStringLiteral("x") && gaFields[added].bHas302Row);
    EXPECT_EQ(rows(QStringLiteral("SELECT group_concat(sern || ':' || sequ) FROM (SELECT sern, sequ FROM qxzrn316"
                                   " WHERE cfrm = 'itemsd' ORDER BY sern)")),
              QStringList{QStringLiteral("1:0,2:4,4:0,9:0")});
}

INSTANTIATE_TEST_SUITE_P(EachStep, StoreFailure,
                         ::testing::Values(FailAt::IntermediatePart, FailAt::Commit, FailAt::InputPropertyCall,
                                           FailAt::OverLongRecord));

// A stored field without an input-property row gains one in a store that fails: the
// mark goes back with the abort, so that the retry inserts the row. One whose input
// properties were never read gets none.
TEST_F(Store, AFailedStoreGivesBackTheInputPropertyRowOfAStoredField)
{
    open(QStringLiteral("itemsd"));
    std::vector<int32_t> without;
    for (int32_t i = 1; i <= gnFieldCount && without.size() < 2; ++i)
        if (gaFields[size_t(i)].lFieldId == i && gaFields[size_t(i)].bExistsInHost
            && gaFields[size_t(i)].bInputPropsLoaded && !gaFields[size_t(i)].bHas302Row)
            without.push_back(i);
    ASSERT_EQ(without.size(), 2u) << "itemsd has stored fields without an input-property row";
    const QString rows302 = QStringLiteral("SELECT group_concat(sequ) FROM qxzrn302 WHERE cfrm = 'itemsd'"
                                           " AND sequ IN (%1, %2)").arg(without[0]).arg(without[1]);
    ASSERT_EQ(rows(rows302), QStringList{QString()});
    for (const int32_t i : without) {
        FieldRecord& f = gaFields[size_t(i)];
        f.sInpRefExpr = QStringLiteral("tekwy001.item <> \"\"");
        f.bChanged = f.bChanged302 = true;
    }
    FieldRecord& f = gaFields[size_t(without[0])];
    gaFields[size_t(without[1])].bInputPropsLoaded = false;

    host::injectError(QStringLiteral("execute.velq.set("), 5, 1, 1);
    EXPECT_FALSE(gbStoreDesignDefinitions());
    ASSERT_TRUE(gbAbortStore());
    EXPECT_TRUE(!f.bHas302Row && f.bExistsInHost);
    ASSERT_TRUE(gbStoreDesignDefinitions());
    EXPECT_TRUE(rows(rows302) == QStringList{QString::number(without[0])} && f.bHas302Row);
}

// Every object set a store opened is closed again, however the store ends: a set the
// host does not give at each step, a failed commit, a store that goes through.
TEST_F(Store, EveryObjectSetAStoreOpenedIsClosedHoweverItEnds)
{
    open(QStringLiteral("itemsd"));
    gaFields[3].iFieldXPos = 50;
    gaFields[3].bChanged = gaFields[3].bChanged301 = true;
    const auto opened = [] { return host::callCount(QStringLiteral("am_open_object_set(")); };
    const auto closed = [] { return host::callCount(QStringLiteral("am_close_object_set(")); };
    // The sets of 315, 301, 302, 308 and 316, in that order.
    for (int given = 0; given < 5; ++given) {
        host::clearCallLog();
        host::injectError(QStringLiteral("am_open_object_set("), 5, 1, given);
        EXPECT_FALSE(gbStoreDesignDefinitions()) << given;
        EXPECT_EQ(opened(), given + 1) << given;
        EXPECT_EQ(closed(), given) << given;
        host::clearInjections();
        gbAbortStore();
    }
    host::clearCallLog();
    record->onCall = [](const QString& call) {
        if (call.startsWith(QStringLiteral("execute.velq.set(")) && call.endsWith(QStringLiteral(",1,0)")))
            host::injectError(QStringLiteral("execute.velq.set("), 5, 1);
    };
    EXPECT_FALSE(gbStoreDesignDefinitions());
    EXPECT_TRUE(opened() == 5 && closed() == 5) << opened() << " " << closed();
    record->onCall = nullptr;
    host::clearInjections();
    ASSERT_TRUE(gbAbortStore());

    host::clearCallLog();
    ASSERT_TRUE(gbStoreDesignDefinitions());
    EXPECT_TRUE(opened() == 5 && closed() == 5) << opened() << " " << closed();
}

TEST_F(Store, FreedRecordsAndTheirDocumentation)
{
    open(QStringLiteral("itemsd"));
    // Inserted and deleted again before saving: nothing is sent or asked for it.
    ASSERT_EQ(newField(node("g_1"), Relationship::Child, QStringLiteral("tekwy900.gone")), 20);
    host::clearCallLog();
    gDeleteFieldRecord(20);
    EXPECT_EQ(host::callCount(QStringLiteral("check.tech.doc.exists(")), 0);
    tree().remove(node("f_20"));
    // A slot whose field had an input-property row, reused and freed again: that row goes
    // with the slot's other rows.
    gDeleteFieldRecord(11);
    tree().remove(node("f_11"));
    EXPECT_EQ(newField(node("g_1"), Relationship::Child, QStringLiteral("tekwy900.brief")), 11);
    gDeleteFieldRecord(11);
    tree().remove(node("f_11"));
    // Fields of one name are asked about once.
    host::clearCallLog();
    gDeleteFieldRecord(26);
    gDeleteFieldRecord(27);
    EXPECT_EQ(host::callCount(QStringLiteral("check.tech.doc.exists(")), 1);
    // A documented field waits for the save; a new field of its name keeps the documentation.
    gDeleteFieldRecord(1);
    tree().remove(node("f_1"));
    ASSERT_EQ(gaDocuDeletes().size(), 1u);
    EXPECT_EQ(documentation(QStringLiteral("tekwy001.item")), 1);
    EXPECT_EQ(newField(node("g_1"), Relationship::Child, QStringLiteral("tekwy001.item")), 1);
    // A form command the host does not hold is written by an update record.
    gaSpecificCommands.push_back(gaSpecificCommands[1]);
    SpecificCommandRecord& c = gaSpecificCommands.back();
    c.bExistsInHost = false;
    c.bChanged = true;
    c.nSequenceNumber = 9;

    host::clearCallLog();
    ASSERT_TRUE(gbStoreDesignDefinitions());
    for (const auto& r : sentSetRecords())
        EXPECT_FALSE((r.key + r.record).contains(QStringLiteral("\"sequ\", 20"))) << r.key.toStdString();
    EXPECT_EQ(count(QStringLiteral("SELECT (SELECT count(*) FROM qxzrn301 WHERE cfrm = 'itemsd' AND sequ = 11)"
                                   " + (SELECT count(*) FROM qxzrn302 WHERE cfrm = 'itemsd' AND sequ = 11)")), 0);
    EXPECT_TRUE(documentation(QStringLiteral("tekwy001.item")) == 1 && gaDocuDeletes().empty());
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM qxzrn316 WHERE cfrm = 'itemsd' AND sern = 9")), 1);
    EXPECT_TRUE(c.bExistsInHost);

    // Nothing changed since: the set's head and its commit go, with no record.
    host::clearCallLog();
    ASSERT_TRUE(gbStoreDesignDefinitions());
    EXPECT_TRUE(host::callCount(QStringLiteral("execute.velq.set(")) == 2 && sentSetRecords().empty());
}

} // namespace
