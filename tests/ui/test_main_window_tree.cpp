// The main window's tree: the demo forms against golden files, records the walk misses,
// the fill on hand-made records, and the order and move primitives.
#include "test_main_window_support.h"


namespace {

// The tree under n as "key(child,child(grandchild))".
QString shape(const TreeNode* n)
{
    QStringList children;
    for (const TreeNode* c = n->child(); c; c = c->next())
        children << shape(c);
    return children.isEmpty() ? n->key() : n->key() + u'(' + children.join(u',') + u')';
}

class DemoFormTree : public MainWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(DemoFormTree, ShowsEveryNodeInItsPlaceInEachView)
{
    open(QString::fromLatin1(GetParam()));
    QString all = QStringLiteral("== view 0 ==\n") + treeText(tree());
    trigger("mnuVGeneral");
    trigger("mnuVExtGrpProps");
    all += QStringLiteral("== view 1 ==\n") + treeText(tree());
    trigger("mnuVLabel");
    all += QStringLiteral("== view 2 ==\n") + treeText(tree());
    all += QStringLiteral("== messages ==\n");
    for (const QString& text : dialogs->texts())
        all += text + QLatin1Char('\n');
    EXPECT_EQ(firstDifference(all, golden(QStringLiteral("ui"), QStringLiteral("tree_") + GetParam(), all)), "");
    EXPECT_EQ(w().tvwGroups->itemOf(tree().firstRoot())->text(0), tree().firstRoot()->text());  // what the view shows
    expectSubgroupCounters(tree());
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoFormTree, ::testing::Values("simpled", "itemsd", "olditemd"));

using FormTree = MainWindowTest;

// An obsolete field (f_3) goes, the form changed by it.
TEST_F(FormTree, RecordsTheWalkMissesGoUnderTheRootWithAMessage)
{
    hostExec(QStringLiteral("UPDATE qxzrn315 SET next = 0 WHERE cfrm = 'itemsd' AND grpi = 8;"
                            "UPDATE qxzrn308 SET next = 0 WHERE cfrm = 'itemsd' AND sequ = 29;"
                            "UPDATE qxzrn301 SET fldn = 'actual.occ' WHERE cfrm = 'itemsd' AND sequ = 3;"));
    open(QStringLiteral("itemsd"));
    EXPECT_TRUE(shape(tree().firstRoot()).endsWith(QStringLiteral(",g_7(f_29),g_8,f_30,f_31,f_32,p_33,f_34,f_35)")))
        << shape(tree().firstRoot()).toStdString();
    EXPECT_TRUE(!node("f_3") && gaFields[3].lFieldId == -1 && gbFormChanged);
    const QStringList texts = dialogs->texts();
    EXPECT_TRUE(texts.contains(QStringLiteral("Group 9 was not linked into the form; it has been added at the end."))
                && texts.contains(QStringLiteral("Field label.only was not linked into the form; it has been added at the end.")));
    EXPECT_EQ(texts.filter(QStringLiteral("was not linked")).size(), 7);

    // Runs without the user say nothing.
    restart();
    open(QStringLiteral("itemsd"), QStringLiteral("a"));
    EXPECT_TRUE(dialogs->texts().filter(QStringLiteral("was not linked")).isEmpty() && node("f_35")->parent() == node("g_0"));
}

// Group at index with its links (group numbers, 0 none) and first field (order).
struct GroupRow {
    int32_t index;
    int16_t parent, previous, next, child, firstField;
    bool isVirtual = false;
};
// Field at index with its order number, group number and links (orders).
struct FieldRow {
    int32_t index;
    int16_t order, grpi, next = 0, parent = 0, child = 0;
};

class HandMadeForm : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        gInitializeArrays();
        gaGroups[0].Grpi = 1;
    }
    static void group(const GroupRow& r)
    {
        if (gaGroups.size() <= size_t(r.index))
            gaGroups.resize(size_t(r.index) + 1);
        GroupRecord& g = gaGroups[size_t(r.index)];
        g.Grpi = int16_t(r.index + 1), g.lParentGroup = r.parent, g.lPreviousGroup = r.previous;
        g.lNextGroup = r.next, g.lChildGroup = r.child, g.lFirstField = r.firstField, g.bVirtualGroup = r.isVirtual;
        g.sFrameDesc = QStringLiteral("G%1").arg(r.index);
    }
    static void field(const FieldRow& r)
    {
        if (gaFields.size() <= size_t(r.index))
            gaFields.resize(size_t(r.index) + 1);
        FieldRecord& f = gaFields[size_t(r.index)];
        f.lFieldId = int16_t(r.index), f.nOmod = r.order, f.Grpi = r.grpi, f.lCommandIndex = -1;
        f.lNextField = r.next, f.lParentField = r.parent, f.lChildField = r.child;
        f.sFieldName = QStringLiteral("t.f%1").arg(r.order);
        f.sDomainPackage = QStringLiteral("te"), f.sDomainCode = QStringLiteral("dsca");
        gnFieldCount = std::max<int16_t>(gnFieldCount, int16_t(r.index));
        gaIdMap.push_back(IdMapEntry{r.order, r.index, false});
    }
    void fill()
    {
        gbTreeVisible = false;
        w().setTreeVisible(false);
        w().mFillTreeAndSelect();
        gbTreeVisible = true;
        w().setTreeVisible(true);
    }
    QString shape() { return ::shape(tree().firstRoot()); }
};

struct FillCase {
    const char* name;
    std::vector<GroupRow> groups;  // the root's child is group 2
    std::vector<FieldRow> fields;
    const char* shape;
};

void PrintTo(const FillCase& c, std::ostream* os) { *os << c.name; }

// clang-format off
const FillCase kFills[] = {
    {"NoGroupsAndNoFields", {}, {}, "g_0"},
    // A subgroup stands among its group's fields by the order of its first real field.
    {"SubgroupAmongFields", {{1, 1, 0, 0, 3, 10}, {2, 2, 0, 0, 0, 25}}, {{1, 10, 2, 20}, {2, 20, 2, 30}, {3, 30, 2}, {6, 25, 3}},
     "g_0(g_1(f_1,f_2,g_2(f_6),f_3))"},
    {"SubgroupFirst", {{1, 1, 0, 0, 3, 10}, {2, 2, 0, 0, 0, 5}}, {{1, 10, 2, 20}, {2, 20, 2, 30}, {3, 30, 2}, {6, 5, 3}},
     "g_0(g_1(g_2(f_6),f_1,f_2,f_3))"},
    // f_1's chain leads into g_2: it ends at its group; f_2 follows up f_1.
    {"ChainsEndAtTheirGroup", {{1, 1, 0, 3, 0, 10}, {2, 1, 2, 0, 0, 30}}, {{1, 10, 2, 30, 0, 20}, {2, 20, 2, 0, 10}, {3, 30, 3}},
     "g_0(g_1(f_1(f_2)),g_2(f_3))"},
    {"VirtualGroupsFieldsStandUnderItsParent", {{1, 1, 0, 0, 3, 0}, {2, 2, 0, 4, 0, 10, true}, {3, 2, 3, 0, 0, 20}},
     {{1, 10, 3}, {2, 20, 4}}, "g_0(g_1(f_1,g_3(f_2)))"},
    {"LinksInACircleEndTheWalk", {{1, 1, 0, 2, 0, 10}}, {{1, 10, 2, 20}, {2, 20, 2, 10}}, "g_0(g_1(f_1,f_2))"},
};
// clang-format on

class Fill : public HandMadeForm, public ::testing::WithParamInterface<FillCase> {};

TEST_P(Fill, BuildsTheTreeFromTheLinks)
{
    const FillCase& c = GetParam();
    gaGroups[0].lChildGroup = c.groups.empty() ? 0 : 2;
    std::for_each(c.groups.begin(), c.groups.end(), group);
    std::for_each(c.fields.begin(), c.fields.end(), field);
    fill();
    EXPECT_EQ(shape(), QString::fromLatin1(c.shape));
    TreeNode* root = tree().firstRoot();
    EXPECT_TRUE(tree().selectedItem() == root && tree().dropHighlight() == root && root->image() == "session3");
    EXPECT_EQ(gaGroups[0].sNodeKey, QStringLiteral("g_0"));
    expectSubgroupCounters(tree());
    for (const GroupRow& g : c.groups)
        if (g.parent > 1 && !g.isVirtual) {
            EXPECT_EQ(gaGroups[size_t(g.index)].lGroupLevel, gaGroups[size_t(g.parent - 1)].lGroupLevel + 1) << g.index;
        }
    EXPECT_TRUE(QLatin1String(c.name) != QLatin1String("ChainsEndAtTheirGroup") || gaFields[1].lNextField == 0);
    EXPECT_TRUE(dialogs->texts().filter(QStringLiteral("was not linked")).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(, Fill, ::testing::ValuesIn(kFills),
                         [](const auto& info) { return std::string(info.param.name); });

class Primitives : public HandMadeForm {
protected:
    void SetUp() override
    {
        HandMadeForm::SetUp();
        for (int16_t g = 1; g <= 3; ++g)
            group({g, 0, 0, 0, 0, 0});
        tree().add(QStringLiteral("g_0"), QStringLiteral("root"));
        for (const auto& [parent, key] : {std::pair{"g_0", "g_1"}, {"g_1", "f_1"}, {"g_1", "f_2"}, {"f_2", "f_3"},
                                          {"g_0", "g_2"}, {"g_2", "g_3"}, {"g_3", "f_4"}, {"g_2", "f_5"}})
            tree().add(node(parent), Relationship::Child, QLatin1String(key), QString());
        gaGroups[0].iNrOfSubGroups = 2;
        gaGroups[2].iNrOfSubGroups = 1;
        ASSERT_EQ(shape(), QStringLiteral("g_0(g_1(f_1,f_2(f_3)),g_2(g_3(f_4),f_5))"));
    }
};

TEST_F(Primitives, StepMovesCrossIntoTheNeighbouringGroupAndKeepTheCounters)
{
    select("f_2");
    w().mMoveNodeDown();  // last child of g_1: first child of g_2
    EXPECT_EQ(shape(), QStringLiteral("g_0(g_1(f_1),g_2(f_2(f_3),g_3(f_4),f_5))"));
    select("g_3");
    w().mMoveNodeUp();
    EXPECT_EQ(shape(), QStringLiteral("g_0(g_1(f_1),g_2(g_3(f_4),f_2(f_3),f_5))"));
    w().mMoveNodeUp();  // first child: last child of g_1
    EXPECT_EQ(shape(), QStringLiteral("g_0(g_1(f_1,g_3(f_4)),g_2(f_2(f_3),f_5))"));
    EXPECT_EQ(tree().selectedItem(), node("g_3"));
    expectSubgroupCounters(tree());

    select("g_2");
    const QString before = shape();
    w().mMoveNodeDown();  // the root's last child has nowhere to go
    EXPECT_EQ(shape(), before);
}

TEST_F(Primitives, MoveRightGoesBelowThePreviousSiblingAndDropsAfterTheTarget)
{
    select("g_2");
    w().mMoveRight();
    EXPECT_TRUE(shape() == QStringLiteral("g_0(g_1(f_1,f_2(f_3),g_2(g_3(f_4),f_5)))") && gaGroups[2].lGroupLevel == 1);
    expectSubgroupCounters(tree());
    select("f_5");  // behind g_3's last field
    w().mMoveRight();
    EXPECT_EQ(shape(), QStringLiteral("g_0(g_1(f_1,f_2(f_3),g_2(g_3(f_4,f_5))))"));
    select("g_2");  // the previous sibling f_2 is a field: refused
    w().mMoveRight();
    EXPECT_EQ(shape(), QStringLiteral("g_0(g_1(f_1,f_2(f_3),g_2(g_3(f_4,f_5))))"));

    select("f_1");
    tree().setDropHighlight(node("f_4"));
    w().mMoveToDropHighlight();
    EXPECT_EQ(shape(), QStringLiteral("g_0(g_1(f_2(f_3),g_2(g_3(f_4,f_1,f_5))))"));
    EXPECT_TRUE(tree().selectedItem() == node("f_1") && tree().dropHighlight() == node("f_4") && w().treeVisible());
}

// A command hides the tree for all its moves: a primitive inside it leaves the tree
// hidden, the command shows it at its end. Only the sort of generated fields shows it
// itself, command or not.
TEST_F(Primitives, TheTreeStaysHiddenUntilTheOutermostCommandEnds)
{
    {
        TreeHiddenScope command(w());
        select("g_2");
        w().mMoveRight();
        select("f_5");
        w().mMoveNodeUp();
        tree().setDropHighlight(node("f_1"));
        w().mMoveToDropHighlight();
        EXPECT_EQ(shape(), QStringLiteral("g_0(g_1(f_1,f_5,f_2(f_3),g_2(g_3(f_4))))"));
        EXPECT_FALSE(w().treeVisible() || gbTreeVisible);
        {
            TreeHiddenScope inner(w(), false);
        }
        EXPECT_FALSE(w().treeVisible() || gbTreeVisible);
        w().mSortGeneratedFieldNode(node("g_1"), QString(), 0);
        EXPECT_TRUE(w().treeVisible() && !gbTreeVisible);
    }
    EXPECT_TRUE(w().treeVisible() && gbTreeVisible);
    select("f_5");
    w().mMoveRight();  // no command around it: shown at once
    EXPECT_TRUE(w().treeVisible() && shape().contains(QStringLiteral("f_1(f_5)")));
}

// (Where a follow-up may go is tried by the drops, the insert and the paste; the generated
// fields' order by the form generator.)

} // namespace
