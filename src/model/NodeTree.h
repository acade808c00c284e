#pragma once
// The form's tree as data: nodes with a key, a text and an image key, ordered under
// their parents. The main window's tree view and the table-field picker mirror one
// each; the form model walks and queries it without a widget.
//
// Every neighbour step (parent, first and last child, next, previous, first and
// last sibling, number of children) and the look-up by key take constant time, so
// a walk over the whole tree is linear in its size. Node handles stay valid until
// their node is removed or the tree is cleared.
#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

class NodeTree;

// Where a node goes relative to another. The window code passes the first five
// around as plain numbers (2 next, 4 child), so their values are fixed.
enum class Relationship : int16_t {
    First = 0,     // first among the relative's siblings
    Last = 1,      // last among the relative's siblings
    Next = 2,      // right after the relative
    Previous = 3,  // right before the relative
    Child = 4,     // last child of the relative
    FirstChild = 5,
};

class TreeNode {
public:
    TreeNode(const TreeNode&) = delete;
    TreeNode& operator=(const TreeNode&) = delete;

    const QString& key() const { return m_key; }
    // The key read once: its first letter and the number after "x_" (-1 when the key
    // is not a letter, "_" and digits). Walks over a whole form read these for every node.
    char16_t keyLetter() const { return m_keyLetter; }
    int32_t keyNumber() const { return m_keyNumber; }
    const QString& text() const { return m_text; }
    const QString& image() const { return m_image; }
    bool expanded() const { return m_expanded; }

    // Unique in its tree and rising with the order the nodes were added; kept when
    // the node moves.
    int32_t index() const { return m_index; }

    int32_t children() const { return m_childCount; }
    TreeNode* child() const { return m_firstChild; }  // the first child
    TreeNode* lastChild() const { return m_lastChild; }
    TreeNode* next() const { return m_next; }
    TreeNode* previous() const { return m_previous; }
    // Nothing for a top-level node.
    TreeNode* parent() const;
    // Top-level nodes are each other's siblings.
    TreeNode* firstSibling() const { return m_parent->m_firstChild; }
    TreeNode* lastSibling() const { return m_parent->m_lastChild; }
    // The top-level node above this one (the node itself when it is top-level).
    TreeNode* root() const;

    // True when this node is other or lies below it.
    bool isInSubtreeOf(const TreeNode* other) const;
    NodeTree* tree() const { return m_tree; }

private:
    friend class NodeTree;
    TreeNode(NodeTree* tree, int32_t index) : m_tree(tree), m_index(index) {}

    // What a walk reads of every node comes first, so that it shares a cache line.
    TreeNode* m_parent = nullptr;  // the tree's hidden top for top-level nodes
    TreeNode* m_firstChild = nullptr;
    TreeNode* m_next = nullptr;
    TreeNode* m_previous = nullptr;
    int32_t m_childCount = 0;
    int32_t m_keyNumber = -1;
    char16_t m_keyLetter = 0;
    bool m_expanded = false;
    TreeNode* m_lastChild = nullptr;

    NodeTree* m_tree;
    int32_t m_index;
    QString m_key;
    QString m_text;
    QString m_image;

    // The order of addition, for walks in index order.
    TreeNode* m_nextAdded = nullptr;
    TreeNode* m_previousAdded = nullptr;
};

enum class NodeChange : uint8_t { Text, Image, Expanded };

// Told of every change, after it is made (removal: before). A view mirrors the tree
// through it. The handles passed are live during the call.
class NodeTreeObserver {
public:
    virtual ~NodeTreeObserver() = default;
    virtual void nodeAdded(TreeNode* node) {}
    // The node and everything below it go; the tree is unchanged yet.
    virtual void nodeAboutToBeRemoved(TreeNode* node) {}
    // The node has moved with its subtree; its neighbours are the new ones.
    virtual void nodeMoved(TreeNode* node) {}
    virtual void nodeChanged(TreeNode* node, NodeChange change) {}
    virtual void selectedItemChanged(TreeNode* selected) {}
    virtual void dropHighlightChanged(TreeNode* highlighted) {}
    // The node's parents have been expanded; a view scrolls it into sight.
    virtual void ensureVisibleRequested(TreeNode* node) {}
    // Every node has gone, the selection and the drop highlight with them.
    virtual void cleared() {}
    virtual void treeDestroyed(NodeTree* tree) {}
};

class NodeTree {
public:
    NodeTree();
    ~NodeTree();
    NodeTree(const NodeTree&) = delete;
    NodeTree& operator=(const NodeTree&) = delete;

    // ---- Look-ups ----
    // The node with this key; nothing when there is none.
    TreeNode* node(const QString& key) const;
    bool contains(const QString& key) const { return m_byKey.contains(key); }
    // True when node is a live node of this tree.
    bool owns(const TreeNode* node) const;
    int32_t count() const { return int32_t(m_owned.size()); }
    bool isEmpty() const { return m_owned.empty(); }
    TreeNode* firstRoot() const { return m_top.m_firstChild; }
    TreeNode* lastRoot() const { return m_top.m_lastChild; }
    // All nodes in index order.
    std::vector<TreeNode*> nodes() const;
    // The node after node in depth-first order (children before the next sibling),
    // staying inside the subtree of within when one is given.
    static TreeNode* nextDepthFirst(const TreeNode* node, const TreeNode* within = nullptr);
    // The node before node in that order (the deepest last descendant of its previous
    // sibling, else its parent); nothing past within, or past the top without one.
    static TreeNode* previousDepthFirst(const TreeNode* node, const TreeNode* within = nullptr);

    // ---- Structure ----
    // Adds a node placed relative to relative; without a relative it becomes the last
    // top-level node (the first one for First). Refused (nothing) when the key is
    // already used or relative is not a node of this tree. An empty key is allowed;
    // such a node cannot be found by key.
    TreeNode* add(TreeNode* relative, Relationship relationship, const QString& key, const QString& text,
                  const QString& image = QString());
    TreeNode* add(const QString& key, const QString& text, const QString& image = QString())
    {
        return add(nullptr, Relationship::Last, key, text, image);
    }
    // Moves node with everything below it; without a relative it goes to the top
    // level. Refused (false) when the new place lies in node's own subtree.
    bool move(TreeNode* node, TreeNode* relative, Relationship relationship);
    // The tree control's "Parent := newParent": node becomes newParent's last child.
    bool setParent(TreeNode* node, TreeNode* newParent) { return move(node, newParent, Relationship::Child); }
    // Removes node with everything below it; their keys become free. A selection
    // inside the subtree moves to the node's next sibling, else its previous sibling,
    // else its parent; a drop highlight inside it is cleared.
    void remove(TreeNode* node);
    bool remove(const QString& key);
    void clear();

    // ---- Node properties ----
    // Each does nothing for a node that is not this tree's.
    void setText(TreeNode* node, const QString& text);
    void setImage(TreeNode* node, const QString& image);
    void setExpanded(TreeNode* node, bool expanded);
    // Expands every node above node and asks the views to scroll to it.
    void ensureVisible(TreeNode* node);

    // ---- Selection and drop highlight (independent of each other) ----
    TreeNode* selectedItem() const { return m_selected; }
    void setSelectedItem(TreeNode* node);  // nothing clears it
    TreeNode* dropHighlight() const { return m_dropHighlight; }
    void setDropHighlight(TreeNode* node);

    // ---- Observers (not owned) ----
    void addObserver(NodeTreeObserver* observer);
    void removeObserver(NodeTreeObserver* observer);

private:
    template <typename F>
    void notify(F&& f);
    static void link(TreeNode* node, TreeNode* parent, TreeNode* before);
    static void unlink(TreeNode* node);
    // Where a node placed relative to relative goes: its parent and the sibling it
    // goes before (nothing for the end).
    void placeFor(TreeNode* relative, Relationship relationship, TreeNode*& parent, TreeNode*& before);
    void forget(TreeNode* node);

    // Nodes live in blocks, one after the other in the order they were added, so that a
    // walk over a tree built in order reads memory in order; a removed node's place is
    // taken again by the next one added.
    struct NodeBlock;
    TreeNode* newNode();
    void deleteNode(TreeNode* node);
    std::vector<std::unique_ptr<NodeBlock>> m_blocks;
    size_t m_usedInLastBlock = 0;
    std::vector<TreeNode*> m_freeNodes;

    TreeNode m_top{nullptr, 0};  // hidden parent of the top-level nodes
    std::unordered_set<const TreeNode*> m_owned;
    QHash<QString, TreeNode*> m_byKey;
    TreeNode* m_firstAdded = nullptr;
    TreeNode* m_lastAdded = nullptr;
    int32_t m_nextIndex = 1;
    TreeNode* m_selected = nullptr;
    TreeNode* m_dropHighlight = nullptr;
    std::vector<NodeTreeObserver*> m_observers;
};
