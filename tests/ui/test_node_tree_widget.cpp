// The tree view of a node tree: it shows every change of the tree, and a user's
// click or key selects the node in the tree.
#include "support/CoreTestSupport.h"  // printing of QString

#include <QApplication>
#include <QPixmap>
#include <QStringList>
#include <QTest>

#include <memory>

#include "mainwindow/NodeTreeWidget.h"

namespace {

// The item texts as the user sees them: "a[b,c],d", expanded items marked with "+".
QString shown(const QTreeWidget& w, const QTreeWidgetItem* parent = nullptr)
{
    QStringList parts;
    const int count = parent ? parent->childCount() : w.topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        const QTreeWidgetItem* item = parent ? parent->child(i) : w.topLevelItem(i);
        QString s = item->text(0);
        if (item->isExpanded())
            s += u'+';
        if (item->childCount())
            s += u'[' + shown(w, item) + u']';
        parts << s;
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
        f2 = t.add(f1, Relationship::Child, k("f_2"), k("f_2"), k("label"));
        g2 = t.add(g1, Relationship::Next, k("g_2"), k("g_2"), k("group"));
        f3 = t.add(g2, Relationship::Child, k("f_3"), k("f_3"), k("label"));
        t.setExpanded(root, true);
        t.setExpanded(g1, true);
    }

    NodeTree& tree() { return widget.nodes(); }
    QTreeWidgetItem* item(const TreeNode* n) { return widget.itemOf(n); }

    NodeTreeWidget widget;
    TreeNode *root = nullptr, *g1 = nullptr, *g2 = nullptr, *f1 = nullptr, *f2 = nullptr, *f3 = nullptr;
};

TEST_F(NodeTreeWidgetTest, MirrorsAddsMovesRemovesTextsAndImages)
{
    EXPECT_EQ(shown(widget), k("g_0+[g_1+[f_1[f_2]],g_2[f_3]]"));

    tree().add(f1, Relationship::Previous, k("f_4"), k("f_4"));
    tree().add(root, Relationship::FirstChild, k("g_3"), k("g_3"));
    EXPECT_EQ(shown(widget), k("g_0+[g_3,g_1+[f_4,f_1[f_2]],g_2[f_3]]"));

    // A moved subtree keeps its items and their expansion.
    tree().setExpanded(f1, true);
    ASSERT_TRUE(tree().move(f1, f3, Relationship::Next));
    EXPECT_EQ(shown(widget), k("g_0+[g_3,g_1+[f_4],g_2[f_3,f_1+[f_2]]]"));
    ASSERT_TRUE(tree().move(g1, nullptr, Relationship::Last));
    EXPECT_EQ(shown(widget), k("g_0+[g_3,g_2[f_3,f_1+[f_2]]],g_1+[f_4]"));

    tree().remove(f1);
    EXPECT_EQ(shown(widget), k("g_0+[g_3,g_2[f_3]],g_1+[f_4]"));
    EXPECT_EQ(widget.itemOf(f2), nullptr);

    tree().setText(f3, k("Customer - [mandatory]"));
    EXPECT_EQ(item(f3)->text(0), k("Customer - [mandatory]"));

    // Icons come from the image list by image key, also when either changes later.
    const QIcon group{QPixmap(8, 8)}, ref{QPixmap(8, 8)};
    widget.setImageList({{k("group"), group}});
    EXPECT_EQ(item(g2)->icon(0).cacheKey(), group.cacheKey());
    EXPECT_TRUE(item(f3)->icon(0).isNull());
    tree().setImage(f3, k("reffield"));
    widget.addImage(k("reffield"), ref);
    EXPECT_EQ(item(f3)->icon(0).cacheKey(), ref.cacheKey());

    tree().clear();
    EXPECT_EQ(widget.topLevelItemCount(), 0);
    tree().add(k("g_0"), k("again"));
    EXPECT_EQ(shown(widget), k("again"));
}

TEST_F(NodeTreeWidgetTest, ShowsTheSelectionAndTheDropHighlightApart)
{
    tree().setSelectedItem(f1);
    tree().setDropHighlight(g2);
    EXPECT_EQ(widget.currentItem(), item(f1));
    EXPECT_TRUE(item(f1)->isSelected());
    EXPECT_EQ(widget.dropHighlightItem(), item(g2));
    EXPECT_NE(item(g2)->background(0), QBrush());
    EXPECT_EQ(item(f1)->background(0), QBrush());

    // Moving the selected node keeps it selected; removing it selects what the tree says.
    ASSERT_TRUE(tree().move(f1, f3, Relationship::Next));
    EXPECT_EQ(widget.currentItem(), item(f1));
    tree().remove(f1);
    EXPECT_EQ(tree().selectedItem(), f3);
    EXPECT_EQ(widget.currentItem(), item(f3));

    tree().setDropHighlight(g1);
    EXPECT_EQ(item(g2)->background(0), QBrush());
    EXPECT_NE(item(g1)->background(0), QBrush());
    tree().remove(g1);
    EXPECT_EQ(widget.dropHighlightItem(), nullptr);
}

TEST_F(NodeTreeWidgetTest, ASuspendedViewFollowsAFewChangesAndLetsGoOfABatchUntilResumed)
{
    for (const int moves : {1, 100}) {
        widget.suspend();
        for (int i = 1; i <= moves; ++i)
            tree().move(f3, i % 2 ? f1 : g2, Relationship::Child);
        EXPECT_EQ(widget.topLevelItemCount(), moves == 1 ? 1 : 0) << moves;
        widget.resume();
        const NodeTreeWidget fresh(tree());
        EXPECT_EQ(shown(widget), shown(fresh)) << moves;
        EXPECT_EQ(item(f3)->parent(), item(moves == 1 ? f1 : g2)) << moves;
    }
}

TEST_F(NodeTreeWidgetTest, AClickOrAKeySelectsTheNodeInTheTree)
{
    widget.resize(300, 400);
    widget.show();
    QApplication::processEvents();
    tree().setSelectedItem(root);

    QTreeWidgetItem* target = item(f1);
    const QPoint at = widget.visualItemRect(target).center();
    EXPECT_EQ(widget.nodeAt(at), f1);
    TreeNode* clicked = nullptr;
    QObject::connect(&widget, &NodeTreeWidget::nodeClicked, [&clicked](TreeNode* n) { clicked = n; });
    QTest::mouseClick(widget.viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(tree().selectedItem(), f1);
    EXPECT_EQ(clicked, f1);
    EXPECT_EQ(tree().dropHighlight(), nullptr);  // the click leaves the highlight to the window

    widget.setFocus();
    QTest::keyClick(&widget, Qt::Key_Down);  // f_1 is collapsed: next comes g_2
    EXPECT_EQ(tree().selectedItem(), g2);

    // Expanding by key reaches the node too.
    QTest::keyClick(&widget, Qt::Key_Right);
    EXPECT_TRUE(g2->expanded());
    tree().setExpanded(g2, false);
    EXPECT_FALSE(item(g2)->isExpanded());
}

TEST(NodeTreeWidgetBinding, ShowsAnExistingTreeAndOutlivesIt)
{
    auto shared = std::make_unique<NodeTree>();
    TreeNode* r = shared->add(k("t_1"), k("t_1"));
    TreeNode* c = shared->add(r, Relationship::Child, k("t_2"), k("t_2"));
    shared->add(k("t_3"), k("t_3"));
    shared->setExpanded(r, true);
    shared->setSelectedItem(c);
    shared->ensureVisible(c);

    NodeTreeWidget view(*shared);
    EXPECT_EQ(&view.nodes(), shared.get());
    EXPECT_EQ(shown(view), k("t_1+[t_2],t_3"));
    EXPECT_EQ(view.currentItem(), view.itemOf(c));

    shared.reset();
    EXPECT_EQ(view.topLevelItemCount(), 0);
    view.nodes().add(k("t_1"), k("own"));
    EXPECT_EQ(shown(view), k("own"));
}

}  // namespace
