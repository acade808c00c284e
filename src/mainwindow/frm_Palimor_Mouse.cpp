// The main window's tree and the mouse: selecting, the Edit menu as a pop-up, and
// dragging a node to another place or a picker entry onto the form.
#include "frm_Palimor.h"

#include "mod_VrokGlobal.h"
#include "NodeTreeWidget.h"
#include "frm_TableFields.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Records.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "mod_Global.h"

#include <QMenu>

#include <algorithm>

namespace {

// Names of the trees a drag may come from.
const QString kMainTree = QStringLiteral("tvwGroups");
const QString kPickerTree = QStringLiteral("tvwFields");

// How near the top or bottom edge a drag scrolls the tree: 200 twips.
constexpr int kScrollMargin = 200 / kTwipsPerPixel;

int32_t indexOfKey(const QString& key) { return key.mid(2).toInt(); }

bool isRoot(const TreeNode* node) { return node && !node->parent(); }

GroupRecord* groupOf(const TreeNode* node)
{
    if (!node || !gbIsGroupKey(node->key()))
        return nullptr;
    const int32_t g = indexOfKey(node->key());
    return g >= 0 && size_t(g) < gaGroups.size() ? &gaGroups[size_t(g)] : nullptr;
}

// The level of the groups a group node holds; the form's own level carries its version
// mark (below 0), its groups are level 1.
int16_t levelBelow(const TreeNode* groupNode)
{
    const GroupRecord* g = groupOf(groupNode);
    return int16_t((g ? std::max<int16_t>(g->lGroupLevel, 0) : 0) + 1);
}

// Levels of groups below the group node (0 without subgroups).
int16_t groupDepthBelow(const TreeNode* groupNode)
{
    int16_t deepest = 0;
    for (const TreeNode* n = NodeTree::nextDepthFirst(groupNode, groupNode); n;
         n = NodeTree::nextDepthFirst(n, groupNode)) {
        if (!gbIsGroupKey(n->key()))
            continue;
        int16_t depth = 0;
        for (const TreeNode* p = n; p && p != groupNode; p = p->parent())
            depth += gbIsGroupKey(p->key()) ? 1 : 0;
        deepest = std::max(deepest, depth);
    }
    return deepest;
}

// The dragged group may go under the group node: no group of it deeper than the
// deepest level.
bool fitsUnder(const TreeNode* dragged, const TreeNode* groupNode)
{
    return levelBelow(groupNode) + groupDepthBelow(dragged) <= kMaxGroupLevel;
}

// A group node moved under another group: its level and both counters follow.
void regroup(const TreeNode* moved, const TreeNode* newParent)
{
    GroupRecord* g = groupOf(moved);
    if (!g)
        return;
    g->lGroupLevel = levelBelow(newParent);
    if (GroupRecord* p = groupOf(newParent))
        gIncrement(p->iNrOfSubGroups);
}

// The picker's node of key, when the picker is there.
TreeNode* pickerNode(const QString& key)
{
    return tableFieldsWindowExists() ? tableFieldsWindow().tvwFields->nodes().node(key) : nullptr;
}

} // namespace

void frm_Palimor::registerMouseHandlers()
{
    connect(tvwGroups, &NodeTreeWidget::nodeClicked, this, [this](TreeNode* node) { tvwGroups_NodeClick(node); });
    connect(tvwGroups, &NodeTreeWidget::nodeExpanded, this, [this](TreeNode* node) { tvwGroups_Expand(node); });
    connect(tvwGroups, &NodeTreeWidget::nodeCollapsed, this, [this](TreeNode* node) { tvwGroups_Collapse(node); });
    tvwGroups->viewport()->installEventFilter(this);
    tvwGroups->setAutoScrollMargin(kScrollMargin);

    NodeTreeWidget::DragHandler drag;
    drag.starting = [this](TreeNode* node, Qt::MouseButton button) { return tvwGroups_MouseMove(button, node); };
    drag.over = [this](const QString& source, const QString& key, const QPoint& pos) {
        return tvwGroups_DragOver(source, key, pos);
    };
    drag.dropped = [this](const QString& source, const QString& key, const QPoint& pos) {
        // The drop lands where the pointer let go.
        if (tvwGroups_DragOver(source, key, pos))
            tvwGroups_DragDrop(source, key);
    };
    tvwGroups->setDragHandler(std::move(drag));

    // Properties is the default entry only while the menu is a pop-up.
    QMenu* edit = m_actions->menu(QStringLiteral("mnuEdit"));
    connect(edit, &QMenu::aboutToHide, this, [edit] { edit->setDefaultAction(nullptr); });
}

bool frm_Palimor::mbEditingRefused() const { return gsOpenMode == "r" || m_locked; }

// ---- Mouse ---------------------------------------------------------------------------------

void frm_Palimor::tvwGroups_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, const QPoint& pos)
{
    if (TreeNode* node = tvwGroups->nodeAt(pos)) {
        m_tree->setSelectedItem(node);
        m_tree->setDropHighlight(node);
    }
    mSetMenuState();
}

bool frm_Palimor::tvwGroups_MouseMove(Qt::MouseButton Button, TreeNode* node)
{
    TreeNode* selected = m_tree->selectedItem();
    if (Button != Qt::LeftButton || mbEditingRefused() || !node || !selected || isRoot(selected))
        return false;
    msDragKey = selected->key();
    msDragParentKey = selected->parent()->key();
    msDragFirstSiblingKey = selected->firstSibling()->key();
    return true;
}

void frm_Palimor::tvwGroups_MouseUp(Qt::MouseButton Button, Qt::KeyboardModifiers, const QPoint& pos)
{
    if (Button != Qt::RightButton)
        return;
    mSetMenuState();
    mShowEditPopup(pos);
}

void frm_Palimor::mShowEditPopup(const QPoint& pos)
{
    QMenu* edit = m_actions->menu(QStringLiteral("mnuEdit"));
    edit->setDefaultAction(m_actions->menuEntry(QStringLiteral("mnuEProperties")));
    edit->popup(pos);
}

void frm_Palimor::tvwGroups_NodeClick(TreeNode*)
{
    m_tree->setDropHighlight(m_tree->selectedItem());
    tvwGroups->viewport()->update();
    mSetMenuState();
}

void frm_Palimor::tvwGroups_Collapse(TreeNode* Node)
{
    TreeNode* selected = m_tree->selectedItem();
    // A selection the collapse hides goes to the collapsed node.
    if (selected && selected != Node && selected->isInSubtreeOf(Node))
        m_tree->setSelectedItem(Node);
    if (!selected) {
        m_tree->setSelectedItem(Node);
        m_tree->setDropHighlight(Node);
    } else {
        m_tree->setDropHighlight(m_tree->selectedItem());
    }
    if (!m_tree->dropHighlight())
        m_tree->setDropHighlight(Node);
}

void frm_Palimor::tvwGroups_Expand(TreeNode* Node)
{
    if (!m_tree->selectedItem())
        m_tree->setSelectedItem(Node);
    if (!m_tree->dropHighlight())
        m_tree->setDropHighlight(Node);
}

void frm_Palimor::tvwGroups_GotFocus()
{
    if (!m_tree->selectedItem()) {
        TreeNode* root = m_tree->firstRoot();
        m_tree->setSelectedItem(root);
        m_tree->setDropHighlight(root);
    } else {
        m_tree->setDropHighlight(m_tree->selectedItem());
    }
    mSetMenuState();
}

bool frm_Palimor::tvwGroups_KeyPress(int KeyAscii) { return KeyAscii == 13; }

// ---- Dragging over the tree ---------------------------------------------------------------------

bool frm_Palimor::tvwGroups_DragOver(const QString& source, const QString& key, const QPoint& pos)
{
    if (mbEditingRefused())
        return false;
    const bool fromTree = source == kMainTree;
    // Only a drag this tree started, or an entry of the picker.
    if (fromTree ? (key != msDragKey || !m_tree->node(key)) : (source != kPickerTree || !pickerNode(key)))
        return false;

    TreeNode* target = tvwGroups->nodeAt(pos);
    if (target) {
        if (TreeNode* highlighted = m_tree->dropHighlight(); highlighted && highlighted->key() != target->key())
            m_tree->setDropHighlight(nullptr);
        if (!fromTree) {
            mDragOverPickerEntry(target->key(), target);
        } else if (!bIsInSubtree(key, target->key())) {
            if (gbIsGroupKey(key))
                mDragOverGroup(target);
            else
                mDragOverField(target->key(), target);
        }
    }
    const int y = pos.y();
    if (y <= kScrollMargin || y >= tvwGroups->viewport()->height() - kScrollMargin)
        mScrollInView();
    return target && m_tree->dropHighlight() == target;
}

void frm_Palimor::mDragOverGroup(TreeNode* node)
{
    mbResetAlignmentOnDrop = false;
    const TreeNode* dragged = m_tree->node(msDragKey);
    if (isRoot(node)) {
        if (fitsUnder(dragged, node))
            m_tree->setDropHighlight(node);
        return;
    }
    const TreeNode* parent = node->parent();
    if (!gbIsGroupKey(parent->key()))
        return;  // a follow-up field takes no group
    if (const TreeNode* first = node->child(); first && gbIsGroupKey(first->key())) {
        const GroupRecord* g = groupOf(first);
        if (g && g->lGroupLevel >= kMaxGroupLevel)
            return;
    }
    // On a group the dragged group goes below it, on a field beside it.
    if (!fitsUnder(dragged, gbIsGroupKey(node->key()) ? node : parent))
        return;
    m_tree->setDropHighlight(node);
    // Taken out from among its siblings, the group no longer aligns with them.
    mbResetAlignmentOnDrop = gbIsGroupKey(node->key()) && dragged->parent()->key() != parent->key();
}

void frm_Palimor::mDragOverField(const QString&, TreeNode* node) { m_tree->setDropHighlight(node); }

void frm_Palimor::mDragOverPickerEntry(const QString&, TreeNode* node) { m_tree->setDropHighlight(node); }

// ---- Dropping -----------------------------------------------------------------------------------

void frm_Palimor::tvwGroups_DragDrop(const QString& source, const QString& key)
{
    TreeNode* target = m_tree->dropHighlight();
    if (!target || mbEditingRefused())
        return;
    const QString targetKey = target->key();
    platform::setMousePointer(platform::Pointer::Hourglass);
    {
        TreeHiddenScope hidden(*this, false);
        if (TreeNode* entry = source == kPickerTree ? pickerNode(key) : nullptr) {
            // The picker's drop takes its selected entry.
            tableFieldsWindow().tvwFields->nodes().setSelectedItem(entry);
            mDropFromTableFields(targetKey);
        } else if (source == kMainTree && key == msDragKey) {
            msDragKey.clear();
            mDropNode(m_tree->node(key), targetKey);
        }
    }
    platform::setMousePointer(platform::Pointer::Default);
    mSetMenuState();
}

void frm_Palimor::mDropNode(TreeNode* source, const QString& targetKey)
{
    TreeNode* target = m_tree->node(targetKey);
    // Nothing moves onto itself or into its own subtree.
    if (!source || !target || isRoot(source) || target->isInSubtreeOf(source))
        return;
    const bool group = gbIsGroupKey(source->key());
    TreeNode* oldParent = source->parent();
    m_tree->setSelectedItem(source);

    auto follow = [&] {
        // Right after the target, under the target's parent.
        m_tree->setDropHighlight(target);
        mMoveToDropHighlight();
    };
    if (gbIsGroupKey(targetKey)) {
        if (group && mbResetAlignmentOnDrop) {
            GroupRecord* g = groupOf(source);
            g->lAlignmentGroupId = int16_t(-indexOfKey(source->key()));
            // The link update does not compare the alignment: the mark makes the store write it.
            g->bChanged = true;
        }
        {
            TreeViewHiddenScope hidden(*this);
            if (GroupRecord* from = group ? groupOf(oldParent) : nullptr)
                gDecrement(from->iNrOfSubGroups);
            m_tree->setParent(source, target);
            m_tree->setDropHighlight(source);
        }
        if (group)
            regroup(source, target);
    } else if (group) {
        if (!gbIsGroupKey(target->parent()->key()))
            return;  // a group never goes among follow-up fields
        if (GroupRecord* from = groupOf(oldParent))
            gDecrement(from->iNrOfSubGroups);
        follow();
        regroup(source, target->parent());
    } else if (!bIsFollowUpPlaceAllowed(target)) {
        if (target->children() > 0) {
            glShowMessage(MessageGroup2, 9, platform::MbIconExclamation);
            return;
        }
        // The only place left is below the target, as its follow-up field.
        TreeViewHiddenScope hidden(*this);
        m_tree->setParent(source, target);
    } else {
        follow();
    }
    gbFormChanged = true;
    gWriteLog((group ? QStringLiteral("Group '") : QStringLiteral("Field '")) + source->text().trimmed()
              + QStringLiteral("' Dropped on '") + target->text().trimmed() + QLatin1Char('\''));
    mScrollInView();
}
