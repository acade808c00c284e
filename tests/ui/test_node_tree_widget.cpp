// The tree view of a node tree: it shows every change of the tree, the selection and
// the drop highlight apart, follows a hidden batch, and outlives a tree it was given.
// (Clicks and keys in the view are driven by the main window's tests.)
#include "support/CoreTestSupport.h"  // printing of QString

#include <QPixmap>

#include "NodeTreeWidget.h"

namespace {

// The item texts as the user sees them: "a[b,c],d", expanded items marked with "+".
QString shown(const QTreeWidget& w, const QTreeWidgetItem* parent = nullptr)
{
    QStringList parts;
    const int count = parent ? parent->childCount() : w.topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        const QTreeWidgetItem* item = parent ? parent->child(i) : w.topLevelItem(i);
        parts << item->text(0) + (item->isExpanded() ? QStringLiteral("+") : QString())
                     + (item->childCount() ? u'[' + shown(w, item) + u']' : QString());
    }
    return parts.join(u',');
}

QString k(const char* text) { return QString::fromLatin1(text); }

// The texts are the keys, so what the widget shows names the nodes:
// g_0 [g_1 [f_1 [f_2]], g_2 [f_3]], the root and g_1 expanded.
class NodeTreeWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NodeTree& t = widget.nodes();
        root = t.add(k("g_0"), k("g_0"), k("session3"));
        g1 = t.add(root, Relationship::Child, k("g_1"), k("g_1"), k("group"));
        f1 = t.add(g1, Relationship::Child, k("f_1"), k("f_1"), k("label"));
        t.add(f1, Relationship::Child, k("f_2"), k("f_2"), k("label"));
        g2 = t.add(g1, Relationship::Next, k("g_2"), k("g_2"), k("group"));
        f3 = t.add(g2, Relationship::Child, k("f_3"), k("f_3"), k("label"));
        t.setExpanded(root, true);
        t.setExpanded(g1, true);
    }

    NodeTree& tree() { return widget.nodes(); }
    QTreeWidgetItem* item(const TreeNode* n) { return widget.itemOf(n); }

    NodeTreeWidget widget;
    TreeNode *root = nullptr, *g1 = nullptr, *g2 = nullptr, *f1 = nullptr, *f3 = nullptr;
};

TEST_F(NodeTreeWidgetTest, MirrorsAddsMovesRemovesTextsAndImages)
{
    tree().add(f1, Relationship::Previous, k("f_4"), k("f_4"));
    EXPECT_EQ(shown(widget), k("g_0+[g_1+[f_4,f_1[f_2]],g_2[f_3]]"));
    // A moved subtree keeps its items and their expansion.
    tree().setExpanded(f1, true);
    ASSERT_TRUE(tree().move(f1, f3, Relationship::Next));
    ASSERT_TRUE(tree().move(g1, nullptr, Relationship::Last));
    EXPECT_EQ(shown(widget), k("g_0+[g_2[f_3,f_1+[f_2]]],g_1+[f_4]"));
    tree().remove(f1);
    EXPECT_EQ(shown(widget), k("g_0+[g_2[f_3]],g_1+[f_4]"));
    tree().setText(f3, k("Customer"));
    EXPECT_EQ(item(f3)->text(0), k("Customer"));

    // Icons come from the image list by image key, also when either changes later.
    const QIcon group{QPixmap(8, 8)}, ref{QPixmap(8, 8)};
    widget.setImageList({{k("group"), group}});
    EXPECT_EQ(item(g2)->icon(0).cacheKey(), group.cacheKey());
    tree().setImage(f3, k("reffield"));
    widget.addImage(k("reffield"), ref);
    EXPECT_EQ(item(f3)->icon(0).cacheKey(), ref.cacheKey());
}

TEST_F(NodeTreeWidgetTest, ShowsTheSelectionAndTheDropHighlightApart)
{
    tree().setSelectedItem(f1);
    tree().setDropHighlight(g2);
    EXPECT_TRUE(widget.currentItem() == item(f1) && item(f1)->isSelected());
    EXPECT_EQ(widget.dropHighlightItem(), item(g2));
    EXPECT_NE(item(g2)->background(0), QBrush());
    EXPECT_EQ(item(f1)->background(0), QBrush());
    // Removing the selected node selects what the tree says; a removed highlight goes.
    tree().remove(f1);
    EXPECT_EQ(widget.currentItem(), item(tree().selectedItem()));
    tree().remove(g2);
    EXPECT_EQ(widget.dropHighlightItem(), nullptr);
}

TEST_F(NodeTreeWidgetTest, ASuspendedViewFollowsAFewChangesAndLetsGoOfABatchUntilResumed)
{
    tree().add(root, Relationship::Next, k("g_9"), k("g_9"), k("group"));
    for (const int moves : {1, 100}) {
        widget.suspend();
        for (int i = 1; i <= moves; ++i)
            tree().move(f3, i % 2 ? f1 : g2, Relationship::Child);
        EXPECT_EQ(widget.topLevelItemCount(), moves == 1 ? 2 : 0) << moves;
        widget.resume();
        const NodeTreeWidget fresh(tree());
        EXPECT_EQ(shown(widget), shown(fresh)) << moves;
        EXPECT_EQ(item(f3)->parent(), item(moves == 1 ? f1 : g2)) << moves;
    }
    // Built anew in one batch: every item in its place, expansions kept.
    EXPECT_EQ(shown(widget), k("g_0+[g_1+[f_1[f_2]],g_2[f_3]],g_9"));
}

TEST(NodeTreeWidgetBinding, ShowsAnExistingTreeAndOutlivesIt)
{
    auto shared = std::make_unique<NodeTree>();
    TreeNode* r = shared->add(k("t_1"), k("t_1"));
    TreeNode* c = shared->add(r, Relationship::Child, k("t_2"), k("t_2"));
    shared->setExpanded(r, true);
    shared->setSelectedItem(c);
    NodeTreeWidget view(*shared);
    EXPECT_EQ(shown(view), k("t_1+[t_2]"));
    EXPECT_EQ(view.currentItem(), view.itemOf(c));
    shared.reset();
    EXPECT_EQ(view.topLevelItemCount(), 0);
}

}  // namespace
