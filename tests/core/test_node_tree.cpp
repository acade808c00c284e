// The node tree: placing, moving and removing nodes with their subtrees, keys, and the
// selection apart from the drop highlight. (What observers are told is seen through
// the tree widget's tests.)
#include "support/CoreTestSupport.h"  // printing of QString

#include "NodeTree.h"

namespace {

QString s(const char* text) { return QString::fromLatin1(text); }

// The keys below parent (the top level for nothing) in sibling order, children in
// brackets: "f_1[f_2],f_3". Checks every neighbour link and the counts on the way.
QString shape(const NodeTree& tree, const TreeNode* parent = nullptr)
{
    const TreeNode* first = parent ? parent->child() : tree.firstRoot();
    const TreeNode* last = parent ? parent->lastChild() : tree.lastRoot();
    QStringList parts;
    const TreeNode* before = nullptr;
    for (const TreeNode* n = first; n; before = n, n = n->next()) {
        EXPECT_TRUE(n->previous() == before && n->parent() == parent) << n->key().toStdString();
        EXPECT_TRUE(n->firstSibling() == first && n->lastSibling() == last) << n->key().toStdString();
        parts << n->key() + (n->children() ? u'[' + shape(tree, n) + u']' : QString());
    }
    EXPECT_EQ(before, last);
    if (parent) {
        EXPECT_EQ(parent->children(), parts.size());
    }
    return parts.join(u',');
}

const QString kForm = s("g_0[g_1[f_1[f_2],f_3],g_2[f_4]]");

void buildForm(NodeTree& t)
{
    TreeNode* root = t.add(s("g_0"), s("form"), s("session3"));
    TreeNode* g1 = t.add(root, Relationship::Child, s("g_1"), s("Head"), s("group"));
    TreeNode* g2 = t.add(g1, Relationship::Next, s("g_2"), s("Lines"), s("group"));
    TreeNode* f1 = t.add(g1, Relationship::Child, s("f_1"), s("one"));
    t.add(f1, Relationship::Child, s("f_2"), s("two"));
    t.add(f1, Relationship::Next, s("f_3"), s("three"));
    t.add(g2, Relationship::Child, s("f_4"), s("four"));
}

class NodeTreeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        buildForm(tree);
        ASSERT_EQ(shape(tree), kForm);
    }
    TreeNode* n(const char* key) { return tree.node(s(key)); }

    NodeTree tree;
};

TEST_F(NodeTreeTest, AddsInEveryRelationshipToARelative)
{
    const std::pair<Relationship, const char*> cases[] = {
        {Relationship::First, "n,f_1[f_2],f_3"}, {Relationship::Last, "f_1[f_2],f_3,n"},
        {Relationship::Next, "f_1[f_2],n,f_3"},  {Relationship::Previous, "n,f_1[f_2],f_3"},
        {Relationship::Child, "f_1[f_2,n],f_3"}, {Relationship::FirstChild, "f_1[n,f_2],f_3"},
    };
    for (const auto& [relationship, expected] : cases) {
        TreeNode* added = tree.add(n("f_1"), relationship, s("n"), s("new"), s("label"));
        EXPECT_EQ(shape(tree, n("g_1")), s(expected)) << int(relationship);
        EXPECT_EQ(added->root(), n("g_0"));
        tree.remove(added);
    }
    // Top-level nodes are siblings without a parent, each its own root.
    TreeNode* first = tree.add(nullptr, Relationship::First, s("t_1"), {});
    tree.add(s("t_2"), {});
    EXPECT_EQ(shape(tree), s("t_1,") + kForm + s(",t_2"));
    EXPECT_EQ(first->root(), first);
}

TEST_F(NodeTreeTest, KeysFindNodesAndRemovingASubtreeFreesItsKeys)
{
    EXPECT_EQ(n("f_3")->text(), s("three"));
    EXPECT_TRUE(!n("f_9") && !tree.node(QString()) && !tree.remove(s("f_9")));
    EXPECT_EQ(tree.add(n("g_2"), Relationship::Child, s("f_1"), s("again")), nullptr);
    // Unkeyed nodes are allowed, several of them.
    EXPECT_TRUE(tree.add(n("g_2"), Relationship::Child, QString(), {}) && tree.add(n("g_2"), Relationship::Child, QString(), {}));
    tree.remove(n("g_2"));

    tree.remove(n("f_1"));
    EXPECT_EQ(shape(tree), s("g_0[g_1[f_3]]"));
    EXPECT_TRUE(tree.count() == 3 && !n("f_2"));
    TreeNode* again = tree.add(n("g_1"), Relationship::Child, s("f_2"), {});
    EXPECT_EQ(n("f_2"), again);
    // Index order is the order of adding, with the removed nodes gone.
    QStringList order;
    for (const TreeNode* x : tree.nodes())
        order << x->key();
    EXPECT_EQ(order.join(u','), s("g_0,g_1,f_3,f_2"));
    EXPECT_TRUE(tree.remove(s("g_0")) && tree.isEmpty() && !n("f_3"));
}

// A tree far larger than a block of nodes, with subtrees removed and added again in
// between (their places taken again) and cleared: every node keeps its key, text and
// links, and nothing of a removed node is found.
TEST_F(NodeTreeTest, ManyNodesRemovedAndAddedAgainKeepTheirKeysAndLinks)
{
    NodeTree t;
    const auto addGroup = [&t](int g, int fields) {
        TreeNode* group = t.add(t.node(s("g_0")), Relationship::Child,
                                QStringLiteral("g_%1").arg(g), QStringLiteral("group %1").arg(g));
        for (int f = 0; f < fields; ++f)
            t.add(group, Relationship::Child, QStringLiteral("f_%1_%2").arg(g).arg(f),
                  QStringLiteral("text %1 %2").arg(g).arg(f));
    };
    const auto expected = [](const std::vector<int>& groups, int fields) {
        QStringList parts;
        for (const int g : groups) {
            QStringList children;
            for (int f = 0; f < fields; ++f)
                children << QStringLiteral("f_%1_%2").arg(g).arg(f);
            parts << QStringLiteral("g_%1[%2]").arg(g).arg(children.join(u','));
        }
        return s("g_0[") + parts.join(u',') + u']';
    };
    for (int round = 0; round < 2; ++round) {
        t.add(s("g_0"), s("form"));
        std::vector<int> groups;
        for (int g = 1; g <= 30; ++g) {
            addGroup(g, 40);
            groups.push_back(g);
        }
        for (const int g : {7, 8, 20}) {
            t.remove(QStringLiteral("g_%1").arg(g));
            std::erase(groups, g);
        }
        EXPECT_TRUE(!t.node(s("f_8_3")) && t.count() == 1 + 27 * 41);
        for (int g = 31; g <= 35; ++g) {
            addGroup(g, 40);
            groups.push_back(g);
        }
        ASSERT_EQ(shape(t), expected(groups, 40));
        EXPECT_TRUE(t.count() == 1 + 32 * 41 && t.node(s("f_33_39"))->text() == s("text 33 39")
                    && t.node(s("f_1_0"))->text() == s("text 1 0"));
        t.clear();
        EXPECT_TRUE(t.isEmpty() && !t.node(s("g_1")));
    }
}

TEST_F(NodeTreeTest, MovesANodeWithItsSubtreeKeepingKeysAndIndexes)
{
    struct Case {
        const char *node, *relative;
        Relationship relationship;
        const char* shape;  // nullptr: refused, nothing moves
    };
    const Case cases[] = {
        {"f_1", "g_2", Relationship::Child, "g_0[g_1[f_3],g_2[f_4,f_1[f_2]]]"},
        {"f_1", "g_2", Relationship::FirstChild, "g_0[g_1[f_3],g_2[f_1[f_2],f_4]]"},
        {"f_1", "f_3", Relationship::Next, "g_0[g_1[f_3,f_1[f_2]],g_2[f_4]]"},
        {"f_3", "f_1", Relationship::Previous, "g_0[g_1[f_3,f_1[f_2]],g_2[f_4]]"},
        {"f_3", "f_1", Relationship::First, "g_0[g_1[f_3,f_1[f_2]],g_2[f_4]]"},
        {"g_1", "g_2", Relationship::Last, "g_0[g_2[f_4],g_1[f_1[f_2],f_3]]"},
        {"f_2", "f_4", Relationship::Previous, "g_0[g_1[f_1,f_3],g_2[f_2,f_4]]"},
        {"g_2", nullptr, Relationship::First, "g_2[f_4],g_0[g_1[f_1[f_2],f_3]]"},
        // Places it already holds.
        {"f_1", "f_1", Relationship::Next, "g_0[g_1[f_1[f_2],f_3],g_2[f_4]]"},
        {"f_3", "g_1", Relationship::Child, "g_0[g_1[f_1[f_2],f_3],g_2[f_4]]"},
        // Into its own subtree.
        {"g_1", "f_2", Relationship::Child, nullptr},
        {"g_1", "f_1", Relationship::Next, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.node) + " to " + (c.relative ? c.relative : "the top"));
        NodeTree t;
        buildForm(t);
        TreeNode* moved = t.node(s(c.node));
        const int32_t index = moved->index();
        EXPECT_EQ(t.move(moved, c.relative ? t.node(s(c.relative)) : nullptr, c.relationship), c.shape != nullptr);
        EXPECT_EQ(shape(t), c.shape ? s(c.shape) : kForm);
        EXPECT_TRUE(t.node(s(c.node)) == moved && moved->index() == index && t.count() == 7);
    }
    EXPECT_FALSE(tree.setParent(n("f_1"), n("f_1")));
    EXPECT_EQ(shape(tree), kForm);
}

TEST_F(NodeTreeTest, SelectionAndDropHighlightAreApartAndAShownNodesParentsAreExpanded)
{
    tree.ensureVisible(n("f_2"));
    EXPECT_TRUE(n("f_1")->expanded() && n("g_1")->expanded() && n("g_0")->expanded());
    EXPECT_FALSE(n("f_2")->expanded() || n("g_2")->expanded());
    tree.setSelectedItem(n("f_1"));
    tree.setDropHighlight(n("g_2"));
    tree.remove(n("g_2"));  // takes only the highlight
    EXPECT_TRUE(tree.selectedItem() == n("f_1") && !tree.dropHighlight());

    // A selection inside a removed subtree goes to the next sibling, else the
    // previous one, else the parent.
    tree.setSelectedItem(n("f_2"));
    tree.setDropHighlight(n("f_3"));
    tree.remove(n("f_1"));
    EXPECT_TRUE(tree.selectedItem() == n("f_3") && tree.dropHighlight() == n("f_3"));
    TreeNode* f5 = tree.add(n("f_3"), Relationship::Previous, s("f_5"), {});
    tree.remove(n("f_3"));
    EXPECT_EQ(tree.selectedItem(), f5);
    tree.remove(f5);
    EXPECT_EQ(tree.selectedItem(), n("g_1"));

    tree.clear();
    EXPECT_TRUE(!tree.selectedItem() && tree.count() == 0);
}

}  // namespace
