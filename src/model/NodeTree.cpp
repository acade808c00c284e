#include "NodeTree.h"

#include <limits>

#include <algorithm>
#include <cstddef>
#include <new>

TreeNode* TreeNode::parent() const
{
    // Top-level nodes hang below the tree's hidden top, which has no parent itself.
    return m_parent->m_parent ? m_parent : nullptr;
}

TreeNode* TreeNode::root() const
{
    const TreeNode* n = this;
    while (n->m_parent->m_parent)
        n = n->m_parent;
    return const_cast<TreeNode*>(n);
}

bool TreeNode::isInSubtreeOf(const TreeNode* other) const
{
    for (const TreeNode* n = this; n; n = n->parent()) {
        if (n == other)
            return true;
    }
    return false;
}

namespace {

constexpr size_t kNodesPerBlock = 256;

} // namespace

struct NodeTree::NodeBlock {
    alignas(TreeNode) std::byte storage[kNodesPerBlock * sizeof(TreeNode)];
    TreeNode* at(size_t i) { return reinterpret_cast<TreeNode*>(storage + i * sizeof(TreeNode)); }
};

NodeTree::NodeTree() { m_top.m_tree = this; }

NodeTree::~NodeTree()
{
    notify([this](NodeTreeObserver* o) { o->treeDestroyed(this); });
    for (TreeNode* n = m_firstAdded; n;) {
        TreeNode* next = n->m_nextAdded;
        n->~TreeNode();
        n = next;
    }
}

TreeNode* NodeTree::newNode()
{
    if (!m_freeNodes.empty()) {
        TreeNode* n = m_freeNodes.back();
        m_freeNodes.pop_back();
        return new (n) TreeNode(this, m_nextIndex++);
    }
    if (m_blocks.empty() || m_usedInLastBlock == kNodesPerBlock) {
        m_blocks.push_back(std::make_unique<NodeBlock>());
        m_usedInLastBlock = 0;
    }
    return new (m_blocks.back()->at(m_usedInLastBlock++)) TreeNode(this, m_nextIndex++);
}

void NodeTree::deleteNode(TreeNode* node)
{
    node->~TreeNode();
    m_freeNodes.push_back(node);
}

template <typename F>
void NodeTree::notify(F&& f)
{
    // An observer may detach itself while it is told.
    const std::vector<NodeTreeObserver*> observers = m_observers;
    for (NodeTreeObserver* o : observers)
        f(o);
}

void NodeTree::addObserver(NodeTreeObserver* observer)
{
    if (observer && std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void NodeTree::removeObserver(NodeTreeObserver* observer)
{
    std::erase(m_observers, observer);
}

TreeNode* NodeTree::node(const QString& key) const { return m_byKey.value(key, nullptr); }

bool NodeTree::owns(const TreeNode* node) const { return node && m_owned.contains(node); }

std::vector<TreeNode*> NodeTree::nodes() const
{
    std::vector<TreeNode*> all;
    all.reserve(m_owned.size());
    for (TreeNode* n = m_firstAdded; n; n = n->m_nextAdded)
        all.push_back(n);
    return all;
}

TreeNode* NodeTree::nextDepthFirst(const TreeNode* node, const TreeNode* within)
{
    if (!node)
        return nullptr;
    if (node->m_firstChild)
        return node->m_firstChild;
    for (const TreeNode* n = node; n && n != within; n = n->parent()) {
        if (n->m_next)
            return n->m_next;
    }
    return nullptr;
}

TreeNode* NodeTree::previousDepthFirst(const TreeNode* node, const TreeNode* within)
{
    if (!node || node == within)
        return nullptr;
    TreeNode* n = node->m_previous;
    if (!n)
        return node->parent();
    while (n->m_lastChild)
        n = n->m_lastChild;
    return n;
}

void NodeTree::link(TreeNode* node, TreeNode* parent, TreeNode* before)
{
    node->m_parent = parent;
    node->m_next = before;
    node->m_previous = before ? before->m_previous : parent->m_lastChild;
    if (node->m_previous)
        node->m_previous->m_next = node;
    else
        parent->m_firstChild = node;
    if (before)
        before->m_previous = node;
    else
        parent->m_lastChild = node;
    ++parent->m_childCount;
}

void NodeTree::unlink(TreeNode* node)
{
    TreeNode* parent = node->m_parent;
    if (node->m_previous)
        node->m_previous->m_next = node->m_next;
    else
        parent->m_firstChild = node->m_next;
    if (node->m_next)
        node->m_next->m_previous = node->m_previous;
    else
        parent->m_lastChild = node->m_previous;
    --parent->m_childCount;
    node->m_next = node->m_previous = nullptr;
}

void NodeTree::placeFor(TreeNode* relative, Relationship relationship, TreeNode*& parent, TreeNode*& before)
{
    if (!relative) {
        parent = &m_top;
        before = relationship == Relationship::First ? m_top.m_firstChild : nullptr;
        return;
    }
    switch (relationship) {
    case Relationship::First:
        parent = relative->m_parent;
        before = parent->m_firstChild;
        break;
    case Relationship::Last:
        parent = relative->m_parent;
        before = nullptr;
        break;
    case Relationship::Next:
        parent = relative->m_parent;
        before = relative->m_next;
        break;
    case Relationship::Previous:
        parent = relative->m_parent;
        before = relative;
        break;
    case Relationship::FirstChild:
        parent = relative;
        before = relative->m_firstChild;
        break;
    case Relationship::Child:
    default:
        parent = relative;
        before = nullptr;
        break;
    }
}

TreeNode* NodeTree::add(TreeNode* relative, Relationship relationship, const QString& key, const QString& text,
                        const QString& image)
{
    if (relative && !owns(relative))
        return nullptr;
    if (!key.isEmpty() && m_byKey.contains(key))
        return nullptr;

    TreeNode* n = newNode();
    n->m_key = key;
    if (key.size() >= 3 && key.size() <= 11 && key.at(1) == u'_') {
        int64_t number = 0;
        bool digits = true;
        for (qsizetype i = 2; i < key.size() && digits; ++i) {
            const char16_t c = key.at(i).unicode();
            digits = c >= u'0' && c <= u'9';
            number = number * 10 + (c - u'0');
        }
        if (digits && number <= std::numeric_limits<int32_t>::max()) {
            n->m_keyLetter = key.at(0).unicode();
            n->m_keyNumber = int32_t(number);
        }
    }
    n->m_text = text;
    n->m_image = image;
    m_owned.insert(n);
    if (!key.isEmpty())
        m_byKey.insert(key, n);
    n->m_previousAdded = m_lastAdded;
    if (m_lastAdded)
        m_lastAdded->m_nextAdded = n;
    else
        m_firstAdded = n;
    m_lastAdded = n;

    TreeNode* parent = nullptr;
    TreeNode* before = nullptr;
    placeFor(relative, relationship, parent, before);
    link(n, parent, before);
    notify([n](NodeTreeObserver* o) { o->nodeAdded(n); });
    return n;
}

bool NodeTree::move(TreeNode* node, TreeNode* relative, Relationship relationship)
{
    if (!owns(node) || (relative && !owns(relative)))
        return false;
    TreeNode* parent = nullptr;
    TreeNode* before = nullptr;
    placeFor(relative, relationship, parent, before);
    if (parent != &m_top && parent->isInSubtreeOf(node))
        return false;

    // Already there: right before its own place, or at the end where it is last.
    const bool inPlace = parent == node->m_parent
                         && (before == node || before == node->m_next
                             || (!before && parent->m_lastChild == node));
    if (inPlace)
        return true;

    unlink(node);
    link(node, parent, before);
    notify([node](NodeTreeObserver* o) { o->nodeMoved(node); });
    return true;
}

void NodeTree::forget(TreeNode* node)
{
    if (!node->m_key.isEmpty())
        m_byKey.remove(node->m_key);
    if (node->m_previousAdded)
        node->m_previousAdded->m_nextAdded = node->m_nextAdded;
    else
        m_firstAdded = node->m_nextAdded;
    if (node->m_nextAdded)
        node->m_nextAdded->m_previousAdded = node->m_previousAdded;
    else
        m_lastAdded = node->m_previousAdded;
    m_owned.erase(node);
    deleteNode(node);
}

void NodeTree::remove(TreeNode* node)
{
    if (!owns(node))
        return;
    notify([node](NodeTreeObserver* o) { o->nodeAboutToBeRemoved(node); });

    const bool selectionGoes = m_selected && m_selected->isInSubtreeOf(node);
    const bool highlightGoes = m_dropHighlight && m_dropHighlight->isInSubtreeOf(node);
    if (selectionGoes)
        m_selected = node->m_next ? node->m_next : node->m_previous ? node->m_previous : node->parent();
    if (highlightGoes)
        m_dropHighlight = nullptr;

    unlink(node);
    // Children first, so that no freed node is read again.
    std::vector<TreeNode*> doomed{node};
    for (size_t i = 0; i < doomed.size(); ++i) {
        for (TreeNode* c = doomed[i]->m_firstChild; c; c = c->m_next)
            doomed.push_back(c);
    }
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it)
        forget(*it);

    if (selectionGoes) {
        TreeNode* s = m_selected;
        notify([s](NodeTreeObserver* o) { o->selectedItemChanged(s); });
    }
    if (highlightGoes)
        notify([](NodeTreeObserver* o) { o->dropHighlightChanged(nullptr); });
}

bool NodeTree::remove(const QString& key)
{
    TreeNode* n = node(key);
    if (!n)
        return false;
    remove(n);
    return true;
}

void NodeTree::clear()
{
    m_selected = m_dropHighlight = nullptr;
    m_byKey.clear();
    m_top.m_firstChild = m_top.m_lastChild = nullptr;
    m_top.m_childCount = 0;
    for (TreeNode* n = m_firstAdded; n;) {
        TreeNode* next = n->m_nextAdded;
        n->~TreeNode();
        n = next;
    }
    m_firstAdded = m_lastAdded = nullptr;
    m_owned.clear();
    m_blocks.clear();
    m_usedInLastBlock = 0;
    m_freeNodes.clear();
    m_nextIndex = 1;
    notify([](NodeTreeObserver* o) { o->cleared(); });
}

void NodeTree::setText(TreeNode* node, const QString& text)
{
    if (!owns(node) || node->m_text == text)
        return;
    node->m_text = text;
    notify([node](NodeTreeObserver* o) { o->nodeChanged(node, NodeChange::Text); });
}

void NodeTree::setImage(TreeNode* node, const QString& image)
{
    if (!owns(node) || node->m_image == image)
        return;
    node->m_image = image;
    notify([node](NodeTreeObserver* o) { o->nodeChanged(node, NodeChange::Image); });
}

void NodeTree::setExpanded(TreeNode* node, bool expanded)
{
    if (!owns(node) || node->m_expanded == expanded)
        return;
    node->m_expanded = expanded;
    notify([node](NodeTreeObserver* o) { o->nodeChanged(node, NodeChange::Expanded); });
}

void NodeTree::ensureVisible(TreeNode* node)
{
    if (!owns(node))
        return;
    for (TreeNode* p = node->parent(); p; p = p->parent())
        setExpanded(p, true);
    notify([node](NodeTreeObserver* o) { o->ensureVisibleRequested(node); });
}

void NodeTree::setSelectedItem(TreeNode* node)
{
    if (node && !owns(node))
        return;
    if (m_selected == node)
        return;
    m_selected = node;
    notify([node](NodeTreeObserver* o) { o->selectedItemChanged(node); });
}

void NodeTree::setDropHighlight(TreeNode* node)
{
    if (node && !owns(node))
        return;
    if (m_dropHighlight == node)
        return;
    m_dropHighlight = node;
    notify([node](NodeTreeObserver* o) { o->dropHighlightChanged(node); });
}
