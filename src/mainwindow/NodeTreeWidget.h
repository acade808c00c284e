#pragma once
// A tree view that shows one NodeTree and follows every change of it: items are
// added, moved, removed and relabelled as the nodes are, the tree's selected node is
// the current item and its drop highlight is painted behind its item. A user's
// click or key that changes the current item selects the node in the tree. The copy
// key puts nothing on the clipboard by itself: copying is the owner's command.
//
// Nodes are dragged through the platform's drag machinery: a drag carries the name
// of the tree it left and the dragged node's key, and shows the node's icon and text.
// Whether a drag starts and whether and where a drop lands is the owner's to decide
// (setDragHandler); without a handler no drag starts and nothing is dropped here.
#include <QHash>
#include <QIcon>
#include <QStringList>
#include <QTreeWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "NodeTree.h"

class QMimeData;

class NodeTreeWidget : public QTreeWidget, private NodeTreeObserver {
    Q_OBJECT
public:
    // With a tree of its own.
    explicit NodeTreeWidget(QWidget* parent = nullptr);
    // Showing tree, which must be a tree that others (the form model) also use.
    explicit NodeTreeWidget(NodeTree& tree, QWidget* parent = nullptr);
    ~NodeTreeWidget() override;

    // The tree shown (the tree control's Nodes).
    NodeTree& nodes() { return *m_tree; }
    const NodeTree& nodes() const { return *m_tree; }
    // Shows another tree; nothing gives the widget a fresh tree of its own.
    void setTree(NodeTree* tree);

    // While suspended (the tree control hidden) the view follows only the first few
    // changes of its tree: a single edit then costs no rebuild of a large tree. A longer
    // batch makes the view let go of its items at once, and resume() builds them anew.
    void suspend();
    void resume();

    // The images of the nodes by image key; an unknown key shows no icon.
    void setImageList(const QHash<QString, QIcon>& images);
    void addImage(const QString& key, const QIcon& icon);
    QIcon image(const QString& key) const { return m_images.value(key); }
    // Nodes of these images show an expand mark also while they have no children (the
    // user's expanding them is told by nodeExpanded).
    void setExpandableImages(const QStringList& keys);

    // The node under a point of the viewport (hit test); nothing when there is none.
    TreeNode* nodeAt(const QPoint& pos) const;
    TreeNode* nodeOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* itemOf(const TreeNode* node) const;
    QTreeWidgetItem* dropHighlightItem() const { return m_highlightItem; }

    // ---- Dragging nodes ----
    struct DragHandler {
        // The node pressed with button and then moved: true lets its drag start.
        std::function<bool(TreeNode* node, Qt::MouseButton button)> starting;
        // A drag of key from the tree named source over pos of the viewport: true
        // when a drop there would land.
        std::function<bool(const QString& source, const QString& key, const QPoint& pos)> over;
        std::function<void(const QString& source, const QString& key, const QPoint& pos)> dropped;
    };
    void setDragHandler(DragHandler handler);
    // What a drag of the node key from the tree named source carries; the caller owns it.
    static QMimeData* nodeMimeData(const QString& source, const QString& key);
    // False when the data is not a node's.
    static bool readNodeMimeData(const QMimeData* data, QString& source, QString& key);
    // The image a drag of node shows: its icon and its text.
    QPixmap dragImage(const TreeNode* node) const;

Q_SIGNALS:
    // User actions on an item; the selection has already followed a click.
    void nodeClicked(TreeNode* node);
    void nodeDoubleClicked(TreeNode* node);
    void nodeExpanded(TreeNode* node);
    void nodeCollapsed(TreeNode* node);

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void nodeAdded(TreeNode* node) override;
    void nodeAboutToBeRemoved(TreeNode* node) override;
    void nodeMoved(TreeNode* node) override;
    void nodeChanged(TreeNode* node, NodeChange change) override;
    void selectedItemChanged(TreeNode* selected) override;
    void dropHighlightChanged(TreeNode* highlighted) override;
    void ensureVisibleRequested(TreeNode* node) override;
    void cleared() override;
    void treeDestroyed(NodeTree* tree) override;

    // False when the view does not follow this change: it has let go, or lets go now.
    bool follows();
    void dropItems();
    void setUp();
    void bind(NodeTree* tree);
    void rebuild();
    QTreeWidgetItem* createItem(TreeNode* node);
    void showImage(QTreeWidgetItem* item, const TreeNode* node);
    void insertAtPlace(QTreeWidgetItem* item, const TreeNode* node);
    // Expansion of the items below and at node, as the nodes have it.
    void applyExpansion(const TreeNode* node);
    void expandAsNode(const TreeNode* node);
    void showSelection();
    void showDropHighlight();
    void onCurrentItemChanged(QTreeWidgetItem* current);

    std::unique_ptr<NodeTree> m_ownTree;
    NodeTree* m_tree = nullptr;
    QHash<const TreeNode*, QTreeWidgetItem*> m_items;
    QHash<const QTreeWidgetItem*, TreeNode*> m_nodes;
    QHash<QString, QIcon> m_images;
    QStringList m_expandableImages;
    QTreeWidgetItem* m_highlightItem = nullptr;
    int32_t m_syncing = 0;  // above 0 while the widget follows the tree
    int32_t m_suspendedChanges = -1;  // changes followed while suspended; -1 not suspended
    bool m_letGo = false;             // suspended past the batch limit: no items
    // The node a hidden view scrolls to when it is shown; laying a large tree out
    // while nobody sees it costs for nothing.
    TreeNode* m_scrollTo = nullptr;
    DragHandler m_drag;
    QPoint m_pressedAt;
    Qt::MouseButton m_pressedButton = Qt::NoButton;
};
