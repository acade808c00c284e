// The main window's tree: the demo forms with their keys, order, nesting, images and
// node texts in the views; records the walk misses; the fill on hand-made records;
// the order and move primitives.
#include "test_main_window_support.h"

#include <host_database.h>

#include <QAction>

namespace {

// ---- The demo forms ------------------------------------------------------------------------

class DemoFormTree : public MainWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DemoFormTree, ShowsEveryNodeInItsPlaceInEachView)
{
    open(QString::fromLatin1(GetParam()));
    QString all = QStringLiteral("== view 0 ==\n") + treeText(tree());
    w().menuEntry(QStringLiteral("mnuVGeneral"))->trigger();
    w().menuEntry(QStringLiteral("mnuVExtGrpProps"))->trigger();
    all += QStringLiteral("== view 1 ==\n") + treeText(tree());
    w().menuEntry(QStringLiteral("mnuVLabel"))->trigger();
    all += QStringLiteral("== view 2 ==\n") + treeText(tree());
    all += QStringLiteral("== messages ==\n");
    for (const QString& text : dialogs->texts())
        all += text + QLatin1Char('\n');
    EXPECT_EQ(all, golden(QStringLiteral("tree_") + GetParam(), all));
    // The view shows the same nodes.
    EXPECT_EQ(w().tvwGroups->topLevelItemCount(), 1);
    EXPECT_EQ(w().tvwGroups->itemOf(tree().node(QStringLiteral("g_0")))->text(0), tree().node(QStringLiteral("g_0"))->text());
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoFormTree, ::testing::Values("simpled", "itemsd", "olditemd"));

using FormTree = MainWindowTest;

TEST_F(FormTree, EveryGroupCountsTheSubgroupNodesItHolds)
{
    open(QStringLiteral("itemsd"));
    for (int32_t g = 0; size_t(g) < gaGroups.size(); ++g) {
        const TreeNode* node = tree().node(gsGroupKey(g));
        if (!node)
            continue;
        int16_t groups = 0;
        for (const TreeNode* c = node->child(); c; c = c->next())
            groups += gbIsGroupKey(c->key()) ? 1 : 0;
        EXPECT_EQ(gaGroups[size_t(g)].iNrOfSubGroups, groups) << g;
    }
    EXPECT_EQ(gaGroups[0].iNrOfSubGroups, 5);
}

TEST_F(FormTree, RecordsTheWalkMissesGoUnderTheRootWithAMessage)
{
    auto db = openHostDatabase(host.databasePath());
    db->exec(QStringLiteral("UPDATE qxzrn315 SET next = 0 WHERE cfrm = 'itemsd' AND grpi = 8;"
                            "UPDATE qxzrn308 SET next = 0 WHERE cfrm = 'itemsd' AND sequ = 29;"));
    open(QStringLiteral("itemsd"));
    QStringList lastUnderRoot;
    for (const TreeNode* n = tree().node(QStringLiteral("g_0"))->lastChild(); lastUnderRoot.size() < 7; n = n->previous())
        lastUnderRoot.prepend(n->key());
    EXPECT_EQ(lastUnderRoot, QStringList({"g_8", "f_30", "f_31", "f_32", "p_33", "f_34", "f_35"}));
    const QStringList texts = dialogs->texts();
    EXPECT_TRUE(texts.contains(QStringLiteral("Group 9 was not linked into the form; it has been added at the end.")));
    for (const char* name : {"tekwy001.note", "tekwy001.crdt", "tekwy001.txta", "label.only"})
        EXPECT_TRUE(texts.contains(QStringLiteral("Field %1 was not linked into the form; it has been added at the end.")
                                       .arg(QLatin1String(name))))
            << name;
    EXPECT_EQ(texts.filter(QStringLiteral("was not linked")).size(), 7);
    restart();

    // Runs without the user say nothing.
    dialogs->clear();
    open(QStringLiteral("itemsd"), QStringLiteral("a"));
    EXPECT_TRUE(dialogs->texts().filter(QStringLiteral("was not linked")).isEmpty());
    EXPECT_EQ(tree().node(QStringLiteral("f_35"))->parent()->key(), QStringLiteral("g_0"));
}

// ---- The fill on hand-made records -----------------------------------------------------------

class HandMadeForm : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        gInitializeArrays();
        gaGroups[0].Grpi = 1;
    }
    // Group at index with its links (group numbers, 0 none) and first field (order).
    GroupRecord& group(int32_t index, int16_t parent, int16_t previous, int16_t next, int16_t child,
                       int16_t firstField, bool virtualGroup = false)
    {
        if (gaGroups.size() <= size_t(index))
            gaGroups.resize(size_t(index) + 1);
        GroupRecord& g = gaGroups[size_t(index)];
        g.Grpi = int16_t(index + 1);
        g.lParentGroup = parent;
        g.lPreviousGroup = previous;
        g.lNextGroup = next;
        g.lChildGroup = child;
        g.lFirstField = firstField;
        g.bVirtualGroup = virtualGroup;
        g.sFrameDesc = QStringLiteral("G%1").arg(index);
        return g;
    }
    // Field at index with its order number, group number and links (orders).
    FieldRecord& field(int32_t index, int16_t order, int16_t grpi, int16_t next = 0, int16_t parent = 0,
                       int16_t child = 0)
    {
        if (gaFields.size() <= size_t(index))
            gaFields.resize(size_t(index) + 1);
        FieldRecord& f = gaFields[size_t(index)];
        f.lFieldId = int16_t(index);
        f.nOmod = order;
        f.Grpi = grpi;
        f.lNextField = next;
        f.lParentField = parent;
        f.lChildField = child;
        f.sFieldName = QStringLiteral("t.f%1").arg(order);
        f.sDomainPackage = QStringLiteral("te");
        f.sDomainCode = QStringLiteral("dsca");
        f.lCommandIndex = -1;
        gnFieldCount = std::max<int16_t>(gnFieldCount, int16_t(index));
        gaIdMap.push_back(IdMapEntry{order, index, false});
        return f;
    }
    void fill()
    {
        gbTreeVisible = false;
        w().setTreeVisible(false);
        w().mFillTreeAndSelect();
        gbTreeVisible = true;
        w().setTreeVisible(true);
    }
    QString children(const QString& key)
    {
        QStringList keys;
        for (const TreeNode* c = tree().node(key)->child(); c; c = c->next())
            keys << c->key();
        return keys.join(QLatin1Char(','));
    }
};

TEST_F(HandMadeForm, AFormWithoutGroupsAndFieldsIsTheRootAlone)
{
    gsPackage = "te";
    gsModule = "kwy";
    gsFormCode = QStringLiteral("emptyd");
    fill();
    ASSERT_EQ(tree().count(), 1);
    TreeNode* root = tree().firstRoot();
    EXPECT_EQ(root->key(), QStringLiteral("g_0"));
    EXPECT_EQ(root->text(), QStringLiteral("tekwyemptyd"));
    EXPECT_EQ(root->image(), QStringLiteral("session3"));
    EXPECT_EQ(tree().selectedItem(), root);
    EXPECT_EQ(tree().dropHighlight(), root);
    EXPECT_EQ(gaGroups[0].sNodeKey, QStringLiteral("g_0"));
}

// A subgroup stands among its group's fields by the order of its first real field.
struct PlaceCase {
    int16_t firstOrder;
    const char* children;
};

class SubgroupPlace : public HandMadeForm, public ::testing::WithParamInterface<PlaceCase> {};

TEST_P(SubgroupPlace, FollowsTheFieldsOfLowerOrder)
{
    gaGroups[0].lChildGroup = 2;
    group(1, 1, 0, 0, 3, 10);
    group(2, 2, 0, 0, 0, GetParam().firstOrder);
    for (int i = 1; i <= 5; ++i)
        field(i, int16_t(i * 10), 2, i < 5 ? int16_t(i * 10 + 10) : int16_t(0));
    field(6, GetParam().firstOrder, 3);
    fill();
    EXPECT_EQ(children(QStringLiteral("g_1")), QLatin1String(GetParam().children));
    EXPECT_EQ(children(QStringLiteral("g_2")), QStringLiteral("f_6"));
    EXPECT_EQ(gaGroups[1].iNrOfSubGroups, 1);
    EXPECT_EQ(gaGroups[2].lGroupLevel, gaGroups[1].lGroupLevel + 1);
}

INSTANTIATE_TEST_SUITE_P(Orders, SubgroupPlace,
                         ::testing::Values(PlaceCase{35, "f_1,f_2,f_3,g_2,f_4,f_5"},
                                           PlaceCase{55, "f_1,f_2,f_3,f_4,f_5,g_2"},
                                           PlaceCase{5, "g_2,f_1,f_2,f_3,f_4,f_5"}));

TEST_F(HandMadeForm, ChainsEndAtTheirGroupAndFollowUpsHangBelowTheirField)
{
    gaGroups[0].lChildGroup = 2;
    group(1, 1, 0, 3, 0, 10);
    group(2, 1, 2, 0, 0, 30);
    field(1, 10, 2, 30, 0, 20);
    field(2, 20, 2, 0, 10);
    field(3, 30, 3);
    fill();
    EXPECT_EQ(children(QStringLiteral("g_1")), QStringLiteral("f_1"));
    EXPECT_EQ(children(QStringLiteral("f_1")), QStringLiteral("f_2"));
    EXPECT_EQ(children(QStringLiteral("g_2")), QStringLiteral("f_3"));
    EXPECT_EQ(gaFields[1].lNextField, 0);
    EXPECT_TRUE(dialogs->texts().filter(QStringLiteral("was not linked")).isEmpty());
}

TEST_F(HandMadeForm, FieldsOfAVirtualGroupStandUnderItsParent)
{
    gaGroups[0].lChildGroup = 2;
    group(1, 1, 0, 0, 3, 0);
    group(2, 2, 0, 4, 0, 10, true);
    group(3, 2, 3, 0, 0, 20);
    field(1, 10, 3);
    field(2, 20, 4);
    fill();
    EXPECT_EQ(children(QStringLiteral("g_1")), QStringLiteral("f_1,g_3"));
    EXPECT_FALSE(tree().contains(QStringLiteral("g_2")));
    EXPECT_EQ(gaGroups[1].iNrOfSubGroups, 1);
}

TEST_F(HandMadeForm, LinksInACircleEndTheWalk)
{
    gaGroups[0].lChildGroup = 2;
    group(1, 1, 0, 2, 0, 10);
    field(1, 10, 2, 20);
    field(2, 20, 2, 10);
    fill();
    EXPECT_EQ(children(QStringLiteral("g_0")), QStringLiteral("g_1"));
    EXPECT_EQ(children(QStringLiteral("g_1")), QStringLiteral("f_1,f_2"));
}

TEST_F(HandMadeForm, SetFocusToNodeFindsAPictureByItsFieldKey)
{
    gaGroups[0].lFirstField = 10;
    field(12, 10, 1).lControl = 4;
    fill();
    QString key = QStringLiteral("f_12");
    w().SetFocusToNode(key);
    EXPECT_EQ(key, QStringLiteral("p_12"));
    EXPECT_EQ(tree().selectedItem()->key(), QStringLiteral("p_12"));
    EXPECT_EQ(tree().dropHighlight()->key(), QStringLiteral("p_12"));
    EXPECT_EQ(tree().selectedItem()->image(), QStringLiteral("picture"));
}

// ---- Order and move primitives ---------------------------------------------------------------

// g_0 ( g_1 ( f_1 f_2 ( f_3 ) ) g_2 ( g_3 ( f_4 ) f_5 ) )
class Primitives : public HandMadeForm {
protected:
    void SetUp() override
    {
        HandMadeForm::SetUp();
        for (int g = 1; g <= 3; ++g)
            group(g, 0, 0, 0, 0, 0);
        NodeTree& t = tree();
        TreeNode* root = t.add(QStringLiteral("g_0"), QStringLiteral("root"));
        TreeNode* g1 = t.add(root, Relationship::Child, QStringLiteral("g_1"), QStringLiteral("g1"));
        t.add(g1, Relationship::Child, QStringLiteral("f_1"), QStringLiteral("f1"));
        TreeNode* f2 = t.add(g1, Relationship::Child, QStringLiteral("f_2"), QStringLiteral("f2"));
        t.add(f2, Relationship::Child, QStringLiteral("f_3"), QStringLiteral("f3"));
        TreeNode* g2 = t.add(root, Relationship::Child, QStringLiteral("g_2"), QStringLiteral("g2"));
        TreeNode* g3 = t.add(g2, Relationship::Child, QStringLiteral("g_3"), QStringLiteral("g3"));
        t.add(g3, Relationship::Child, QStringLiteral("f_4"), QStringLiteral("f4"));
        t.add(g2, Relationship::Child, QStringLiteral("f_5"), QStringLiteral("f5"));
        gaGroups[0].iNrOfSubGroups = 2;
        gaGroups[2].iNrOfSubGroups = 1;
    }
    void select(const char* key) { tree().setSelectedItem(tree().node(QLatin1String(key))); }
};

TEST_F(Primitives, StepMovesCrossIntoTheNeighbouringGroupAndKeepTheCounters)
{
    select("f_2");
    w().mMoveNodeDown();  // last child of g_1: first child of g_2
    EXPECT_EQ(tree().node(QStringLiteral("f_2"))->parent()->key(), QStringLiteral("g_2"));
    EXPECT_EQ(tree().node(QStringLiteral("f_2"))->next()->key(), QStringLiteral("g_3"));
    EXPECT_EQ(tree().node(QStringLiteral("f_3"))->parent()->key(), QStringLiteral("f_2"));

    select("g_3");
    w().mMoveNodeUp();  // after f_2, still in g_2
    EXPECT_EQ(tree().node(QStringLiteral("g_3"))->previous(), nullptr);
    w().mMoveNodeUp();  // first child: last child of g_1
    EXPECT_EQ(tree().node(QStringLiteral("g_3"))->parent()->key(), QStringLiteral("g_1"));
    EXPECT_EQ(tree().node(QStringLiteral("g_1"))->lastChild()->key(), QStringLiteral("g_3"));
    EXPECT_EQ(gaGroups[2].iNrOfSubGroups, 0);
    EXPECT_EQ(gaGroups[1].iNrOfSubGroups, 1);
    EXPECT_EQ(tree().selectedItem()->key(), QStringLiteral("g_3"));

    select("g_2");
    const QString before = treeText(tree());
    w().mMoveNodeDown();  // last child of the root, which has no next sibling
    EXPECT_EQ(treeText(tree()), before);
}

TEST_F(Primitives, MoveToDropHighlightPlacesRightAfterTheTarget)
{
    select("f_1");
    tree().setDropHighlight(tree().node(QStringLiteral("f_5")));
    w().mMoveToDropHighlight();
    EXPECT_EQ(tree().node(QStringLiteral("g_2"))->lastChild()->key(), QStringLiteral("f_1"));
    EXPECT_EQ(tree().selectedItem()->key(), QStringLiteral("f_1"));
    EXPECT_EQ(tree().dropHighlight()->key(), QStringLiteral("f_5"));
    EXPECT_TRUE(w().treeVisible());
}

TEST_F(Primitives, PositionsAndAncestors)
{
    EXPECT_EQ(w().lSiblingPosition(tree().node(QStringLiteral("f_1"))), 0);
    EXPECT_EQ(w().lSiblingPosition(tree().node(QStringLiteral("f_5"))), 1);
    EXPECT_FALSE(w().bIsInSubtree(QStringLiteral("g_1"), QStringLiteral("g_1")));
    EXPECT_TRUE(w().bIsInSubtree(QStringLiteral("g_1"), QStringLiteral("f_3")));
    EXPECT_FALSE(w().bIsInSubtree(QStringLiteral("g_2"), QStringLiteral("f_3")));
}

TEST_F(Primitives, FollowUpPlaces)
{
    // f_3 is the first child of f_2, which follows f_6 below the field f_1.
    TreeNode* f6 = tree().add(tree().node(QStringLiteral("f_1")), Relationship::Child, QStringLiteral("f_6"), QString());
    tree().move(tree().node(QStringLiteral("f_2")), f6, Relationship::Next);
    EXPECT_FALSE(w().bIsFollowUpPlaceAllowed(tree().node(QStringLiteral("f_3"))));
    EXPECT_TRUE(w().bIsFollowUpPlaceAllowed(tree().node(QStringLiteral("f_1"))));
    EXPECT_TRUE(w().bIsFollowUpPlaceAllowed(tree().node(QStringLiteral("f_2"))));
    EXPECT_TRUE(w().bIsFollowUpPlaceAllowed(tree().node(QStringLiteral("f_4"))));
    EXPECT_TRUE(w().bIsFollowUpPlaceAllowed(tree().node(QStringLiteral("f_6"))));
    EXPECT_FALSE(w().bIsChildPlaceAllowed(tree().node(QStringLiteral("f_2")), 1));
    EXPECT_TRUE(w().bIsChildPlaceAllowed(tree().node(QStringLiteral("f_2")), 2));
    EXPECT_TRUE(w().bIsChildPlaceAllowed(tree().node(QStringLiteral("f_1")), 1));
}

TEST_F(Primitives, MoveRightGoesBelowThePreviousSibling)
{
    select("g_2");
    w().mMoveRight();  // after g_1's last child
    EXPECT_EQ(tree().node(QStringLiteral("g_1"))->lastChild()->key(), QStringLiteral("g_2"));
    EXPECT_EQ(gaGroups[2].lGroupLevel, 1);
    EXPECT_EQ(gaGroups[0].iNrOfSubGroups, 1);
    EXPECT_EQ(gaGroups[1].iNrOfSubGroups, 1);

    select("f_5");  // previous sibling g_3 has f_4: goes after it
    w().mMoveRight();
    EXPECT_EQ(tree().node(QStringLiteral("g_3"))->lastChild()->key(), QStringLiteral("f_5"));

    select("g_2");  // previous sibling f_2 is a field: refused
    const QString before = treeText(tree());
    w().mMoveRight();
    EXPECT_EQ(treeText(tree()), before);
}

TEST_F(Primitives, GeneratedFieldsTakeTheOrderOfTheList)
{
    NodeTree& t = tree();
    TreeNode* g3 = t.node(QStringLiteral("g_3"));
    for (int i = 6; i <= 8; ++i) {
        field(i, int16_t(i * 10), 4);
        t.add(g3, Relationship::Child, QStringLiteral("f_%1").arg(i), QString());
    }
    field(4, 40, 4);
    gsTable = QStringLiteral("tekwy001");
    giStartMode = 1;
    QString list;
    for (const char* name : {"t.f80", "t.f40", "t.f60", "t.f70"})
        list += padded(QLatin1String(name), 18);
    w().mSortGeneratedFieldNode(g3, list, 4);
    EXPECT_EQ(children(QStringLiteral("g_3")), QStringLiteral("f_8,f_4,f_6,f_7"));
    EXPECT_TRUE(w().treeVisible());
}

} // namespace
