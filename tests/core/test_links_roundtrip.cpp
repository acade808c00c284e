// The link rebuild on forms loaded from the local host: a stored form rebuilds to the
// very links it was loaded with and is not marked changed; after scripted tree edits
// the links read back give the edited tree, the order numbers rise strictly, and what
// is stored loads again into the same tree with nothing left to store.
#include "test_links_support.h"

#include "support/LocalHostFixture.h"

#include <session_windows.h>

#include "hostlink/mod_FormChoice.h"
#include "model/mod_Store.h"
#include "model/mod_TextCaches.h"

using namespace links;

namespace {

class LinkRoundTrip : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(env.ok()) << env.error().toStdString();
        platform::setCommandLine(startRecord());
        ASSERT_TRUE(gbConnectVrok());
        gInitFormDataSets();
        resetPointers();
        resetModelessErrors();
        resetRecords();
        resetStore();
        gsetMainTree(&tree);
    }
    void TearDown() override
    {
        tree.clear();
        resetPointers();
        resetModelessErrors();
        resetRecords();
        resetStore();
        host::resetSessionWindows();
        resetTextCaches();
        resetDataSets();
        CoreTest::TearDown();
    }

    void load(const QString& code)
    {
        gsModule = "";
        gsOpenMode = "w";
        host::scriptSessionAnswer(host::FormIdentity{QStringLiteral("te"), QStringLiteral("kwy"), code, QStringLiteral("2"),
                                   QStringLiteral("7.6"), QStringLiteral("a3"), QStringLiteral("dev")});
        gSelectForm();
        glFormVersionLevel = 11;
        gInitDataSets();
        gENUM_FillEnums();
        glObjectSet301 = glOpenObjectSet(QStringLiteral("qxzrn301"));
        ASSERT_GT(glObjectSet301, 0);
        reload();
    }

    // Fresh arrays, the form loaded again and its tree built from the links.
    void reload()
    {
        tree.clear();
        gInitializeArrays();
        ASSERT_TRUE(gLoadDesignDefinitions());
        buildTree();
        dialogs->clear();
    }

    // The tree as the main window fills it: groups along their links, a virtual group
    // standing for its fields; each record learns its node's key.
    void buildTree()
    {
        TreeNode* root = tree.add(QStringLiteral("g_0"), QStringLiteral("form"));
        gaGroups[0].sNodeKey = root->key();
        addGroupChildren(root, 0);
    }
    void addGroupChildren(TreeNode* node, int32_t index)
    {
        for (int16_t c = gaGroups[size_t(index)].lChildGroup; c > 0; c = gaGroups[size_t(c - 1)].lNextGroup) {
            if (gaGroups[size_t(c - 1)].bVirtualGroup) {
                addFields(node, gaGroups[size_t(c - 1)].lFirstField);
            } else {
                TreeNode* g = add(node, Relationship::Child, gsGroupKey(c - 1));
                addGroupChildren(g, c - 1);
            }
        }
        addFields(node, gaGroups[size_t(index)].lFirstField);
    }
    void addFields(TreeNode* node, int16_t first)
    {
        for (int16_t n = first; n > 0;) {
            const std::optional<int32_t> i = gvIndexOfId(n);
            ASSERT_TRUE(i.has_value()) << n;
            TreeNode* f = add(node, Relationship::Child, gsFieldKey(*i));
            addFields(f, gaFields[size_t(*i)].lChildField);
            n = gaFields[size_t(*i)].lNextField;
        }
    }

    TreeNode* add(TreeNode* relative, Relationship relationship, const QString& key)
    {
        TreeNode* n = tree.add(relative, relationship, key, QString());
        if (n && gbIsGroupKey(key))
            gaGroups[size_t(key.mid(2).toInt())].sNodeKey = key;
        else if (n)
            gaFields[size_t(key.mid(2).toInt())].sNodeKey = key;
        return n;
    }

    static QStringList changedRecords()
    {
        QStringList out;
        for (size_t i = 0; i < gaGroups.size(); ++i)
            if (gaGroups[i].bChanged)
                out << gsGroupKey(int32_t(i));
        for (int32_t i = 1; i <= gnFieldCount; ++i)
            if (gaFields[size_t(i)].bChanged)
                out << QStringLiteral("f_%1").arg(i);
        for (size_t i = 1; i < gaSpecificCommands.size(); ++i)
            if (gaSpecificCommands[i].bChanged)
                out << QStringLiteral("c_%1").arg(i);
        return out;
    }

    // The link members of every live record, one line each.
    static QStringList linkLines()
    {
        QStringList out;
        for (size_t i = 0; i < gaGroups.size(); ++i) {
            const GroupRecord& g = gaGroups[i];
            if (g.Grpi != -1)
                out << QStringLiteral("g%1 %2 %3 %4 %5 %6 %7 %8 %9 %10")
                           .arg(i).arg(g.Grpi).arg(g.lParentGroup).arg(g.lPreviousGroup).arg(g.lNextGroup)
                           .arg(g.lChildGroup).arg(g.lFirstField).arg(g.lGroupLevel).arg(g.lAlignmentGroupId)
                           .arg(g.bVirtualGroup);
        }
        for (int32_t i = 1; i <= gnFieldCount; ++i) {
            const FieldRecord& f = gaFields[size_t(i)];
            if (f.lFieldId > 0)
                out << QStringLiteral("f%1 %2 %3 %4 %5 %6 %7")
                           .arg(i).arg(f.nOmod).arg(f.Grpi).arg(f.lParentField).arg(f.lNextField).arg(f.lChildField)
                           .arg(f.bFollowUp);
        }
        return out;
    }

    TreeNode* node(const char* key) const { return tree.node(QString::fromLatin1(key)); }

    LocalHostEnvironment env;
    NodeTree tree;
};

TEST_F(LinkRoundTrip, StoredFormsRebuildToTheLinksTheyWereLoadedWith)
{
    for (const char* form : {"simpled", "itemsd"}) {
        load(QString::fromLatin1(form));
        const QStringList loaded = linkLines();
        ASSERT_FALSE(loaded.isEmpty());

        gRebuildPointers();
        gUpdatePointers();

        EXPECT_EQ(linkLines(), loaded) << form;
        EXPECT_TRUE(changedRecords().isEmpty()) << form << changedRecords().join(u' ').toStdString();
        EXPECT_FALSE(gbFormChanged) << form;
        EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'\n').toStdString();
        EXPECT_TRUE(strictlyRising(orderNumbers(tree.node(QStringLiteral("g_0")))));
        tree.clear();
    }
}

TEST_F(LinkRoundTrip, EditedTreeIsStoredAndLoadsBackAsEdited)
{
    load(QStringLiteral("itemsd"));
    TreeNode* root = node("g_0");

    // A field of the general group goes; a new one takes its slot at the top of the
    // stock levels.
    tree.remove(node("f_3"));
    gDeleteItem(QStringLiteral("field"), 3);
    QString key;
    const int32_t reused = glNewItem(QStringLiteral("field"), key);
    ASSERT_EQ(reused, 3);
    gaFields[3].sFieldName = QStringLiteral("tekwy001.safe");
    ASSERT_TRUE(add(node("f_14"), Relationship::Previous, key));

    // Fields move between groups: the location fields to the options group.
    tree.move(node("f_18"), node("f_29"), Relationship::Previous);
    tree.move(node("f_19"), node("g_7"), Relationship::Child);

    // The options group gets a subgroup of its own beside its fields: a mixed group.
    QString groupKey;
    const int32_t g = glNewItem(QStringLiteral("group"), groupKey);
    ASSERT_GT(g, 0);
    gaGroups[size_t(g)].sLabelCode = QStringLiteral("tekwy100.extra");
    TreeNode* extra = add(node("f_30"), Relationship::Next, groupKey);
    ASSERT_TRUE(extra);
    tree.move(node("f_31"), extra, Relationship::Child);

    gRebuildPointers();
    gUpdatePointers();
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'\n').toStdString();
    const QString edited = treeText(root);
    EXPECT_EQ(linksText(), edited);
    EXPECT_TRUE(strictlyRising(orderNumbers(root)));
    EXPECT_TRUE(gbFormChanged);
    // The options group now mixes: its fields sit in virtual groups around the subgroup.
    EXPECT_EQ(gaGroups[7].iNrOfSubGroups, 1);
    EXPECT_EQ(gaGroups[7].lFirstField, 0);
    EXPECT_TRUE(gaGroups[size_t(gaGroups[7].lChildGroup - 1)].bVirtualGroup);

    ASSERT_TRUE(gbStoreDesignDefinitions());
    const QStringList stored = linkLines();

    reload();
    EXPECT_EQ(treeText(tree.node(QStringLiteral("g_0"))), edited);
    EXPECT_EQ(linkLines(), stored);
    EXPECT_EQ(gaFields[3].sFieldName, QStringLiteral("tekwy001.safe"));

    // Nothing is left to store.
    gRebuildPointers();
    gUpdatePointers();
    EXPECT_TRUE(changedRecords().isEmpty()) << changedRecords().join(u' ').toStdString();
    EXPECT_EQ(linkLines(), stored);
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'\n').toStdString();
}

} // namespace
