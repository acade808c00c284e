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
#include "test_properties_support.h"

#include "core/test_links_support.h"
#include "frm_Properties.h"

#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>

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
        EXPECT_TRUE(gsStoreRefusal().contains(QStringLiteral("\nField \"tekwy900.nf\": Language unit \""))
                    && gsStoreRefusal().contains(QStringLiteral("has more than the 20 characters the host keeps")))
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
// A field renamed in the property dialog to a column takes that column's domain. Of
// another table (whose dictionary the load does not ask) the row keeps it; of the main
// table the row leaves it to the dictionary. Either way it opens again with it.
TEST_F(Store, AFieldRenamedToAColumnOpensAgainWithItsDomain)
{
    // The new name, the row's domain, the domain opened again and the node's image.
    const std::tuple<const char*, const char*, const char*, const char*> renames[] = {
        {"tekwy003.nama", "te|name", "te/name", "ntfield"}, {"tekwy001.cost", "|", "te/price", "tablefield"}};
    for (const auto& [name, row, domain, image] : renames) {
        SCOPED_TRACE(name);
        reopen();
        tree().setSelectedItem(node("f_3"));
        w().mnuEProperties_Click();
        frm_Properties& d = propertiesDialog();
        ASSERT_TRUE(activate(d));
        typeInto(d.txtFieldName, QLatin1String(name));
        leave(d.txtFieldName);
        QTest::mouseClick(d.cmdOk, Qt::LeftButton);
        ASSERT_FALSE(d.isVisible()) << dialogs->texts().join(u'|').toStdString();
        EXPECT_EQ(gaFields[3].sDomainPackage + u'/' + gaFields[3].sDomainCode, QLatin1String(domain));
        w().mnuFSave_Click();
        ASSERT_FALSE(gbFormChanged) << dialogs->texts().join(u'|').toStdString();
        EXPECT_EQ(rows(QStringLiteral("SELECT pacd, cdom FROM qxzrn301 WHERE cfrm = 'itemsd' AND sequ = 3")),
                  QStringList{QLatin1String(row)});
        reopen();
        EXPECT_EQ(gaFields[3].sFieldName + u' ' + gaFields[3].sDomainPackage + u'/' + gaFields[3].sDomainCode,
                  QLatin1String(name) + u' ' + QLatin1String(domain));
        EXPECT_EQ(node("f_3")->image(), QString::fromLatin1(image));
    }
}

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

// ---- Values the host cannot keep ------------------------------------------------------------

// Every value the host cannot keep is listed in the save's one message: the node as the
// tree shows it, the property by the caption the property dialog gives it (a label size
// with its occurrence view). Nothing is sent; the edits stay.
TEST_F(Store, ASaveListsEveryValueTheHostCannotKeepByNodeAndCaption)
{
    open(QStringLiteral("itemsd"));
    tree().setSelectedItem(node("f_3"));
    w().mnuEProperties_Click();
    frm_Properties& d = propertiesDialog();
    const auto framed = [](const QLabel* label, const QGroupBox* frame) {
        return label->text() + QStringLiteral(" (") + frame->title() + QLatin1Char(')');
    };
    const QStringList captions = {d.lblStartPosOfStringCaption->text(), framed(d.lblLabelLengthSOCaption, d.fraLabelSO),
                                  framed(d.lblLabelHeightSOCaption, d.fraLabelSO),
                                  framed(d.lblLabelHeightMOCaption, d.fraLabelMO), d.lblZoomIndCaption->text()};
    d.cmdCancel_Click();

    FieldRecord& f = gaFields[3];
    f.iStartPosOfString = f.iLabelLengthSO = f.iLabelHeightSO = f.iLabelHeightMO = f.iZoomIndex = 32767;
    f.bChanged = f.bChanged301 = f.bChanged308 = true;
    // A label entry: no field name, named as its node.
    FieldRecord& label = gaFields[34];
    label.sFieldName.clear();
    label.iLabelHeightSO = 32767;
    label.bChanged = label.bChanged301 = label.bChanged308 = true;
    gbFormChanged = true;
    const QString before = formDump("itemsd");
    host::clearCallLog();
    dialogs->clear();
    trigger("mnuFSave");

    ASSERT_EQ(dialogs->texts().size(), 1) << dialogs->texts().join(u'|').toStdString();
    const QString message = dialogs->texts().front();
    EXPECT_TRUE(message.startsWith(QStringLiteral("The form was not stored: these values do not fit the host's columns:")))
        << message.toStdString();
    const QString seak = node("f_3")->text().trimmed();
    for (const QString& caption : captions)
        EXPECT_TRUE(message.contains(
            QStringLiteral("\r\nField \"%1\": %2 32767 has more than the 4 digits the host keeps").arg(seak, caption)))
            << caption.toStdString() << "\n"
            << message.toStdString();
    EXPECT_FALSE(node("f_34")->text().trimmed().isEmpty());
    EXPECT_TRUE(message.contains(
        QStringLiteral("\r\nField \"%1\": %2 32767 has").arg(node("f_34")->text().trimmed(), captions[2])))
        << message.toStdString();
    // The rest: rows the label heights push beyond what the host keeps.
    const QStringList lines = message.split(QStringLiteral("\r\n"));
    const QStringList values = lines.filter(QRegularExpression(QStringLiteral("^(Field|Picture) \"")));
    EXPECT_EQ(values.filter(QStringLiteral(" has more than ")).size(), 6) << message.toStdString();
    EXPECT_EQ(values.filter(QStringLiteral("\": the rows above it would start the ")).size(), values.size() - 6)
        << message.toStdString();
    EXPECT_EQ(host::callCount(QStringLiteral("execute.velq.set(")), 0);
    EXPECT_TRUE(formDump("itemsd") == before && gbFormChanged && f.iZoomIndex == 32767);

    // More than a box can show: the first are listed, the rest counted.
    restart();
    open(QStringLiteral("itemsd"));
    int32_t unfit = 0;
    for (int32_t i = 1; i <= gnFieldCount && unfit < kShownUnfitValues + 5; ++i) {
        FieldRecord& e = gaFields[size_t(i)];
        if (e.lFieldId != -1) {
            e.iStartPosOfString = 32767;
            e.bChanged = e.bChanged301 = true;
            ++unfit;
        }
    }
    EXPECT_FALSE(gbStoreDesignDefinitions());
    EXPECT_EQ(gsStoreRefusal().count(QStringLiteral(" has more than ")), kShownUnfitValues);
    EXPECT_TRUE(gsStoreRefusal().endsWith(QStringLiteral("\r\nand 5 more"))) << gsStoreRefusal().toStdString();
}

// A text is measured as the host keeps it: a quote is one character however it is
// written, and the blanks around the text do not count.
TEST_F(Store, TheFitCheckMeasuresTextsAsTheHostKeepsThem)
{
    open(QStringLiteral("itemsd"));
    ASSERT_EQ(glFieldLength("qxzrn301", "fldn"), 17);
    const QString x16(16, u'x');
    const struct {
        QString name;
        bool fits;
    } cases[] = {
        {QString(17, u'"'), true},
        {QString(18, u'"'), false},
        {QStringLiteral("  \"") + x16 + QStringLiteral("   "), true},
        {QStringLiteral(" \"\"") + x16 + u' ', false},
        {QStringLiteral("a\"\"b\"c\"\"\"d") + QString(7, u'y'), true},
        {QStringLiteral("a\"\"b\"c\"\"\"d") + QString(8, u'y'), false},
        {QString(17, u' ') + QString(17, u'z'), true},
    };
    for (const auto& c : cases) {
        FieldRecord f;
        f.sFieldName = c.name;
        FitCheck check;
        check.field(f, FitRows::All);
        QStringList columns;
        for (const UnfitValue& v : check.values())
            columns << v.table + u'.' + v.column;
        EXPECT_EQ(columns.join(u' '), c.fits ? QString() : QStringLiteral("qxzrn301.fldn")) << qPrintable(c.name);
    }
}

// A refusal names each record by its kind and as the tree shows it (a field the tree
// shows by its label alone is still a field), each value by its property's caption, and
// a position the layout computes by what leads to it; never a column of the host.
TEST_F(Store, ARefusalNamesKindNodeCaptionAndWhatLeadsToAPosition)
{
    // Node, edit, and the line the message holds ("%1" the node's text, "%2" the
    // field's column).
    const struct {
        const char* key;
        std::function<void()> edit;
        const char* line;
    } cases[] = {
        {"f_3",
         [this] {
             tree().setText(node("f_3"), QStringLiteral("Group"));
             FieldRecord& f = gaFields[3];
             f.sDomainPackage.clear();  // else the domain gives its length back
             f.iFieldLength = 9999;
             f.bChanged = f.bChanged301 = true;
         },
         "Field \"Group\": field length 9999 would end the field at column %2, beyond the 4 digits the host keeps"},
        {"f_3",
         [] {
             FieldRecord& f = gaFields[3];
             f.sDomainPackage.clear();
             f.iFieldLength = 9990;
             f.lLabelPosition = 3;
             f.bChanged = f.bChanged301 = f.bChanged308 = true;
         },
         "Field \"%1\": field length 9990 would put its label at column "},
        {"g_7",
         [] {
             gaGroups[7].sParentTable = QStringLiteral("tekwy0003");
             gaGroups[7].bChanged = true;
         },
         "Group \"%1\": Parent table \"tekwy0003\" has more than the 8 characters the host keeps"},
        {"p_13",
         [] {
             gaFields[13].sIconName = QString(17, u'i');
             gaFields[13].bChanged = gaFields[13].bChanged308 = true;
         },
         "Picture \"%1\": Icon \"iiiiiiiiiiiiiiiii\" has more than the 16 characters the host keeps"},
        {"f_3",
         [] {
             gaFields[3].iZoomIndex = 12345;
             gaFields[3].bChanged = gaFields[3].bChanged308 = true;
         },
         "Field \"%1\": Zoom index 12345 has more than the 4 digits the host keeps"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        restart();
        open(QStringLiteral("itemsd"));
        c.edit();
        gbFormChanged = true;
        dialogs->clear();
        trigger("mnuFSave");  // lays the form out first
        ASSERT_EQ(dialogs->texts().size(), 1) << dialogs->texts().join(u'|').toStdString();
        const QString message = dialogs->texts().front();
        const QString line =
            QString::fromUtf8(c.line)
                .replace(QStringLiteral("%1"), node(c.key)->text().trimmed())
                .replace(QStringLiteral("%2"), QString::number(gaFields[3].iFieldXPos + gaFields[3].iFieldLength - 1));
        EXPECT_TRUE(message.contains(QStringLiteral("\n") + line)) << message.toStdString();
        EXPECT_FALSE(message.contains(QStringLiteral("qxzrn"))) << message.toStdString();
    }
}

// Each row the store writes is asked, whatever else changed: a column of the form
// version's selection groups, a field's layout or input-property row when only it
// changed, and a form command's row.
TEST_F(Store, EveryRowWrittenIsAskedWhetherItsValuesFit)
{
    const struct {
        const char* name;
        const char* key;
        std::function<void()> edit;
        const char* caption;
    } cases[] = {
        {"parent table", "g_7",
         [] {
             gaGroups[7].sParentTable = QStringLiteral("tekwy0003");
             gaGroups[7].bChanged = true;
         },
         "Parent table"},
        {"search field", "f_3",
         [] {
             gaFields[3].sSearchField = QString(18, u's');
             gaFields[3].bChanged = gaFields[3].bChanged308 = true;
         },
         "Search field"},
        {"icon", "p_13",
         [] {
             gaFields[13].sIconName = QString(17, u'i');
             gaFields[13].bChanged = gaFields[13].bChanged308 = true;
         },
         "Icon"},
        {"zoom index", "f_3",
         [] {
             gaFields[3].iZoomIndex = 12345;
             gaFields[3].bChanged = gaFields[3].bChanged308 = true;
         },
         "Zoom index"},
        {"input reference alone", "f_3",
         [] {
             gaFields[3].sInpRefExpr = QString(300, u'r');
             gaFields[3].bChanged = gaFields[3].bChanged302 = true;
         },
         "Input reference"},
        // A form command has no node: it is named by its command.
        {"form command", "Form command \"open.orders\"",
         [] {
             gaSpecificCommands[1].lLinkId = -32767;
             gaSpecificCommands[1].bChanged = true;
         },
         "qxzrn316.sequ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        open(QStringLiteral("itemsd"));
        ASSERT_TRUE(gbFormVersionSupports(kFeatureSelectionGroups));
        c.edit();
        const QString before = formDump("itemsd");
        host::clearCallLog();
        EXPECT_FALSE(gbStoreDesignDefinitions());
        // A node by its text after its kind; the form command's key is its whole name.
        EXPECT_TRUE(gsStoreRefusal().contains(
            (node(c.key) ? node(c.key)->text().trimmed() + QLatin1Char('"') : QString::fromUtf8(c.key))
            + QStringLiteral(": ") + QLatin1String(c.caption) + QLatin1Char(' ')))
            << gsStoreRefusal().toStdString();
        EXPECT_EQ(host::callCount(QStringLiteral("execute.velq.set(")), 0);
        EXPECT_EQ(formDump("itemsd"), before);
    }
}

// ---- A save over another session's save ------------------------------------------------------

// Rows another session stored since this one read them: each difference refuses the
// store inside its transaction, which the abort leaves as the other session left it.
TEST_F(Store, RowsAnotherSessionChangedRefuseTheStoreAndNothingIsWritten)
{
    struct Case {
        QString name;
        std::function<void()> meanwhile;
    };
    std::vector<Case> cases = {
        {"a field row deleted",
         [this] {
             hostExec(QStringLiteral("PRAGMA foreign_keys = OFF; DELETE FROM qxzrn308 WHERE cfrm = 'itemsd' AND sequ = 5;"
                                     " DELETE FROM qxzrn302 WHERE cfrm = 'itemsd' AND sequ = 5;"
                                     " DELETE FROM qxzrn301 WHERE cfrm = 'itemsd' AND sequ = 5"));
         }},
        {"a field's next link alone",
         [this] {
             hostExec(QStringLiteral("UPDATE qxzrn308 SET next = next + 1 WHERE cfrm = 'itemsd' AND sequ = 5"));
         }},
        {"a group in the slot this session takes as new",
         [this] {
             QString key;
             const int32_t g = glNewItem(QStringLiteral("group"), key);
             ASSERT_GT(g, 0);
             gaGroups[size_t(g)].sLabelCode = QStringLiteral("tekwy100.general");
             tree().add(node("g_0"), Relationship::Child, key, QStringLiteral("new group"));
             // Linked as the slot's stored copies say: only its being new tells it apart.
             const GroupRecord& r = gaGroups[size_t(g)];
             hostExec(QStringLiteral("INSERT INTO qxzrn315 (clan, cpac, vers, rele, cust, cmod, cfrm, grpi, levl, labl,"
                                     " pare, prev, next, chld, fld1) VALUES ('2', 'te', '7.6', 'a3', 'dev', 'kwy',"
                                     " 'itemsd', %1, %2, 'other', %3, %4, %5, %6, %7)")
                          .arg(g + 1)
                          .arg(r.lGroupLevelStored)
                          .arg(r.lParentGroupStored)
                          .arg(r.lPreviousGroupStored)
                          .arg(r.lNextGroupStored)
                          .arg(r.lChildGroupStored)
                          .arg(r.lFirstFieldStored));
         }},
        {"a field row in the slot this session takes as new",
         [this] {
             QString key;
             const int32_t f = glNewItem(QStringLiteral("field"), key);
             ASSERT_GT(f, 0);
             gaFields[size_t(f)].sFieldName = QStringLiteral("tekwy001.item");
             tree().add(node("g_1"), Relationship::Child, key, QStringLiteral("new field"));
             // Again linked as the slot's stored copies say.
             const FieldRecord& r = gaFields[size_t(f)];
             const QString links[] = {QStringLiteral("omod = %1").arg(r.nOmodStored),
                                      QStringLiteral("grpi = %1, pare = %2, next = %3, chld = %4, fwup = %5")
                                          .arg(r.GrpiStored)
                                          .arg(r.lParentFieldStored)
                                          .arg(r.lNextFieldStored)
                                          .arg(r.lChildFieldStored)
                                          .arg(r.bFollowUpStored ? 1 : 2)};
             for (const int t : {0, 1})
                 hostExec(
                     QStringLiteral("CREATE TEMP TABLE copy AS SELECT * FROM qxzrn%1 WHERE cfrm = 'itemsd' AND "
                                    "sequ = 5; UPDATE copy SET sequ = %2, %3; INSERT INTO qxzrn%1 SELECT * FROM copy")
                         .arg(t == 0 ? 301 : 308)
                         .arg(f)
                         .arg(links[t]));
         }},
    };
    // Each link of a group row and of a field row changed alone, and a group row deleted.
    const auto changing = [&](const QString& change, const char* row) {
        const QString sql = QStringLiteral("PRAGMA foreign_keys = OFF; ") + change
                            + QStringLiteral(" WHERE cfrm = 'itemsd' AND ") + QLatin1String(row);
        cases.push_back({sql, [this, sql] { hostExec(sql); }});
    };
    for (const char* column : {"levl", "pare", "prev", "next", "chld", "fld1"})
        changing(QStringLiteral("UPDATE qxzrn315 SET %1 = %1 + 1").arg(QLatin1String(column)), "grpi = 3");
    changing(QStringLiteral("DELETE FROM qxzrn315"), "grpi = 5");
    changing(QStringLiteral("UPDATE qxzrn301 SET omod = omod + 1"), "sequ = 5");
    for (const char* column : {"grpi", "pare", "chld"})
        changing(QStringLiteral("UPDATE qxzrn308 SET %1 = %1 + 1").arg(QLatin1String(column)), "sequ = 5");
    changing(QStringLiteral("UPDATE qxzrn308 SET fwup = 3 - fwup"), "sequ = 5");
    // The form's rows as read, put back after each case.
    const auto rowsAsRead = [&](const char* sql) {
        for (const char* t : {"315", "301", "302", "308"})
            hostExec(QStringLiteral("PRAGMA foreign_keys = OFF;") + QString::fromLatin1(sql).arg(QLatin1String(t)));
    };
    rowsAsRead("CREATE TABLE read%1 AS SELECT * FROM qxzrn%1 WHERE cfrm = 'itemsd'");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        rowsAsRead("DELETE FROM qxzrn%1 WHERE cfrm = 'itemsd'; INSERT INTO qxzrn%1 SELECT * FROM read%1");
        restart();
        open(QStringLiteral("itemsd"));
        gaFields[3].iFieldXPos = 50;
        gaFields[3].bChanged = gaFields[3].bChanged301 = true;
        c.meanwhile();
        const QString before = formDump("itemsd");
        EXPECT_FALSE(gbStoreDesignDefinitions());
        EXPECT_TRUE(gsStoreRefusal().contains(QStringLiteral("stored by another session")))
            << gsStoreRefusal().toStdString();
        EXPECT_TRUE(gbAbortStore());
        EXPECT_EQ(formDump("itemsd"), before);
    }
}

} // namespace
