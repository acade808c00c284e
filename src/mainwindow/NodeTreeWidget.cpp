#include "NodeTreeWidget.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace {

// Changes a suspended view still follows; beyond them one rebuild is cheaper.
constexpr int32_t kFollowedWhileSuspended = 64;

// A node drag's data: the source tree's name, a line break, the node's key. Only this
// program reads it.
const QString kNodeMimeType = QStringLiteral("application/x-palimor-node");
// The widest text a drag image shows.
constexpr int kDragTextWidth = 400;

// Holds the widget's syncing mark while it changes items itself, so that the item
// signals this raises are not taken for the user's.
class Syncing {
public:
    explicit Syncing(int32_t& count) : m_count(count) { ++m_count; }
    ~Syncing() { --m_count; }
    Syncing(const Syncing&) = delete;
    Syncing& operator=(const Syncing&) = delete;

private:
    int32_t& m_count;
};

}  // namespace

NodeTreeWidget::NodeTreeWidget(QWidget* parent) : QTreeWidget(parent)
{
    setUp();
    bind(nullptr);
}

NodeTreeWidget::NodeTreeWidget(NodeTree& tree, QWidget* parent) : QTreeWidget(parent)
{
    setUp();
    bind(&tree);
}

NodeTreeWidget::~NodeTreeWidget()
{
    if (m_tree)
        m_tree->removeObserver(this);
}

void NodeTreeWidget::setUp()
{
    setColumnCount(1);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformRowHeights(true);
    header()->setStretchLastSection(true);

    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { onCurrentItemChanged(current); });
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (TreeNode* n = nodeOf(item))
            Q_EMIT nodeClicked(n);
    });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        if (TreeNode* n = nodeOf(item))
            Q_EMIT nodeDoubleClicked(n);
    });
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        TreeNode* n = nodeOf(item);
        if (m_syncing || !n)
            return;
        m_tree->setExpanded(n, true);
        Q_EMIT nodeExpanded(n);
    });
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        TreeNode* n = nodeOf(item);
        if (m_syncing || !n)
            return;
        m_tree->setExpanded(n, false);
        Q_EMIT nodeCollapsed(n);
    });
}

void NodeTreeWidget::bind(NodeTree* tree)
{
    if (m_tree)
        m_tree->removeObserver(this);
    if (tree) {
        m_tree = tree;
        m_ownTree.reset();
    } else {
        m_ownTree = std::make_unique<NodeTree>();
        m_tree = m_ownTree.get();
    }
    m_tree->addObserver(this);
    rebuild();
}

void NodeTreeWidget::setTree(NodeTree* tree)
{
    if (tree && tree == m_tree)
        return;
    // The old tree may be our own, which bind() lets go; keep it until unbound.
    std::unique_ptr<NodeTree> old = std::move(m_ownTree);
    bind(tree);
}

void NodeTreeWidget::suspend()
{
    if (m_suspendedChanges < 0)
        m_suspendedChanges = 0;
}

void NodeTreeWidget::resume()
{
    const bool build = m_letGo;
    m_suspendedChanges = -1;
    m_letGo = false;
    if (build)
        rebuild();
}

bool NodeTreeWidget::follows()
{
    if (m_letGo)
        return false;
    if (m_suspendedChanges < 0 || ++m_suspendedChanges <= kFollowedWhileSuspended)
        return true;
    m_letGo = true;
    dropItems();
    return false;
}

void NodeTreeWidget::dropItems()
{
    Syncing s(m_syncing);
    clear();
    m_items.clear();
    m_nodes.clear();
    m_highlightItem = nullptr;
}

void NodeTreeWidget::rebuild()
{
    dropItems();
    Syncing s(m_syncing);
    // Depth first, so every item is appended behind the siblings before it; the items
    // are put together apart from the widget, which then takes them in one step.
    QList<QTreeWidgetItem*> roots;
    for (TreeNode* n = m_tree->firstRoot(); n; n = NodeTree::nextDepthFirst(n)) {
        QTreeWidgetItem* item = createItem(n);
        if (QTreeWidgetItem* parentItem = itemOf(n->parent()))
            parentItem->addChild(item);
        else
            roots.append(item);
    }
    addTopLevelItems(roots);
    for (TreeNode* r = m_tree->firstRoot(); r; r = r->next())
        applyExpansion(r);
    showSelection();
    showDropHighlight();
}

QTreeWidgetItem* NodeTreeWidget::createItem(TreeNode* node)
{
    // Owned by the widget once inserted.
    auto* item = new QTreeWidgetItem;
    item->setText(0, node->text());
    showImage(item, node);
    m_items.insert(node, item);
    m_nodes.insert(item, node);
    return item;
}

void NodeTreeWidget::insertAtPlace(QTreeWidgetItem* item, const TreeNode* node)
{
    QTreeWidgetItem* parentItem = itemOf(node->parent());
    const int count = parentItem ? parentItem->childCount() : topLevelItemCount();
    int at = 0;
    if (!node->next()) {
        at = count;
    } else if (const TreeNode* before = node->previous()) {
        QTreeWidgetItem* beforeItem = itemOf(before);
        at = 1 + (parentItem ? parentItem->indexOfChild(beforeItem) : indexOfTopLevelItem(beforeItem));
    }
    if (parentItem)
        parentItem->insertChild(at, item);
    else
        insertTopLevelItem(at, item);
}

void NodeTreeWidget::applyExpansion(const TreeNode* node)
{
    for (const TreeNode* n = node; n; n = NodeTree::nextDepthFirst(n, node))
        expandAsNode(n);
}

void NodeTreeWidget::expandAsNode(const TreeNode* node)
{
    QTreeWidgetItem* item = itemOf(node);
    if (item && item->isExpanded() != node->expanded())
        item->setExpanded(node->expanded());
}

void NodeTreeWidget::showSelection()
{
    QTreeWidgetItem* item = itemOf(m_tree->selectedItem());
    if (currentItem() == item && (!item || item->isSelected()))
        return;
    Syncing s(m_syncing);
    if (item) {
        setCurrentItem(item);
    } else {
        setCurrentItem(nullptr);
        clearSelection();
    }
}

void NodeTreeWidget::showDropHighlight()
{
    QTreeWidgetItem* item = itemOf(m_tree->dropHighlight());
    if (item == m_highlightItem)
        return;
    if (m_highlightItem)
        m_highlightItem->setData(0, Qt::BackgroundRole, QVariant());
    m_highlightItem = item;
    if (item) {
        QColor c = palette().color(QPalette::Highlight);
        c.setAlpha(96);
        item->setBackground(0, c);
    }
}

void NodeTreeWidget::onCurrentItemChanged(QTreeWidgetItem* current)
{
    if (m_syncing)
        return;
    if (TreeNode* n = nodeOf(current))
        m_tree->setSelectedItem(n);
}

TreeNode* NodeTreeWidget::nodeAt(const QPoint& pos) const { return nodeOf(itemAt(pos)); }

TreeNode* NodeTreeWidget::nodeOf(const QTreeWidgetItem* item) const { return item ? m_nodes.value(item) : nullptr; }

QTreeWidgetItem* NodeTreeWidget::itemOf(const TreeNode* node) const { return node ? m_items.value(node) : nullptr; }

void NodeTreeWidget::setImageList(const QHash<QString, QIcon>& images)
{
    m_images = images;
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it)
        it.value()->setIcon(0, m_images.value(it.key()->image()));
}

void NodeTreeWidget::setExpandableImages(const QStringList& keys)
{
    m_expandableImages = keys;
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it)
        showImage(it.value(), it.key());
}

void NodeTreeWidget::showImage(QTreeWidgetItem* item, const TreeNode* node)
{
    item->setIcon(0, m_images.value(node->image()));
    item->setChildIndicatorPolicy(m_expandableImages.contains(node->image())
                                      ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void NodeTreeWidget::addImage(const QString& key, const QIcon& icon)
{
    m_images.insert(key, icon);
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) {
        if (it.key()->image() == key)
            it.value()->setIcon(0, icon);
    }
}

// ---- Following the tree ----------------------------------------------------------------

void NodeTreeWidget::nodeAdded(TreeNode* node)
{
    if (!follows())
        return;
    Syncing s(m_syncing);
    insertAtPlace(createItem(node), node);
    // A view forgets the expansion of an item that had no children to show.
    expandAsNode(node->parent());
    showSelection();
}

void NodeTreeWidget::nodeAboutToBeRemoved(TreeNode* node)
{
    QTreeWidgetItem* item = itemOf(node);
    if (!item || !follows())
        return;
    Syncing s(m_syncing);
    for (const TreeNode* n = node; n; n = NodeTree::nextDepthFirst(n, node)) {
        QTreeWidgetItem* i = m_items.take(n);
        m_nodes.remove(i);
        if (i == m_highlightItem)
            m_highlightItem = nullptr;
    }
    QTreeWidgetItem* parentItem = item->parent();
    // Deleting the item takes its children with it.
    std::unique_ptr<QTreeWidgetItem> gone(parentItem ? parentItem->takeChild(parentItem->indexOfChild(item))
                                                     : takeTopLevelItem(indexOfTopLevelItem(item)));
}

void NodeTreeWidget::nodeMoved(TreeNode* node)
{
    if (!follows())
        return;
    QTreeWidgetItem* item = itemOf(node);
    if (!item)
        return;
    Syncing s(m_syncing);
    if (QTreeWidgetItem* oldParent = item->parent())
        oldParent->takeChild(oldParent->indexOfChild(item));
    else
        takeTopLevelItem(indexOfTopLevelItem(item));
    insertAtPlace(item, node);
    // Taking an item out of the view loses the expansion below it.
    applyExpansion(node);
    expandAsNode(node->parent());
    showSelection();
}

void NodeTreeWidget::nodeChanged(TreeNode* node, NodeChange change)
{
    if (!follows())
        return;
    QTreeWidgetItem* item = itemOf(node);
    if (!item)
        return;
    Syncing s(m_syncing);
    switch (change) {
    case NodeChange::Text:
        item->setText(0, node->text());
        break;
    case NodeChange::Image:
        showImage(item, node);
        break;
    case NodeChange::Expanded:
        expandAsNode(node);
        break;
    }
}

void NodeTreeWidget::selectedItemChanged(TreeNode*) { showSelection(); }

void NodeTreeWidget::dropHighlightChanged(TreeNode*) { showDropHighlight(); }

void NodeTreeWidget::ensureVisibleRequested(TreeNode* node)
{
    if (!isVisible()) {
        m_scrollTo = node;
        return;
    }
    if (QTreeWidgetItem* item = itemOf(node))
        scrollToItem(item);
}

void NodeTreeWidget::showEvent(QShowEvent* event)
{
    QTreeWidget::showEvent(event);
    TreeNode* node = std::exchange(m_scrollTo, nullptr);
    if (m_tree && m_tree->owns(node))
        ensureVisibleRequested(node);
}

void NodeTreeWidget::cleared() { dropItems(); }

void NodeTreeWidget::treeDestroyed(NodeTree* tree)
{
    if (tree != m_tree)
        return;
    m_tree = nullptr;  // no longer there to be unbound from
    bind(nullptr);
}

// ---- Dragging nodes ----------------------------------------------------------------------

void NodeTreeWidget::setDragHandler(DragHandler handler)
{
    m_drag = std::move(handler);
    setDragEnabled(bool(m_drag.starting));
    setAcceptDrops(bool(m_drag.over));
}

QMimeData* NodeTreeWidget::nodeMimeData(const QString& source, const QString& key)
{
    auto* data = new QMimeData;
    data->setData(kNodeMimeType, (source + QLatin1Char('\n') + key).toUtf8());
    return data;
}

bool NodeTreeWidget::readNodeMimeData(const QMimeData* data, QString& source, QString& key)
{
    if (!data || !data->hasFormat(kNodeMimeType))
        return false;
    const QStringList parts = QString::fromUtf8(data->data(kNodeMimeType)).split(QLatin1Char('\n'));
    if (parts.size() != 2 || parts[1].isEmpty())
        return false;
    source = parts[0];
    key = parts[1];
    return true;
}

QPixmap NodeTreeWidget::dragImage(const TreeNode* node) const
{
    const QIcon icon = m_images.value(node->image());
    const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    const QSize iconSize = this->iconSize().isValid() ? this->iconSize() : QSize(side, side);
    const QFontMetrics metrics(font());
    const QString text = metrics.elidedText(node->text(), Qt::ElideRight, kDragTextWidth);
    const int gap = icon.isNull() ? 0 : 4;
    const int iconWidth = icon.isNull() ? 0 : iconSize.width();
    const QSize size(iconWidth + gap + metrics.horizontalAdvance(text) + 2,
                     std::max(iconSize.height(), metrics.height()));
    const qreal ratio = devicePixelRatio();
    QPixmap image(size * ratio);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (!icon.isNull())
        icon.paint(&painter, QRect(QPoint(0, (size.height() - iconSize.height()) / 2), iconSize));
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRect(iconWidth + gap, 0, size.width() - iconWidth - gap, size.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
    return image;
}

void NodeTreeWidget::mousePressEvent(QMouseEvent* event)
{
    m_pressedAt = event->position().toPoint();
    m_pressedButton = event->button();
    QTreeWidget::mousePressEvent(event);
}

void NodeTreeWidget::keyPressEvent(QKeyEvent* event)
{
    // The view would put the current item's text on the clipboard: what goes there is
    // the owner's to decide (a structure copied before must not be lost).
    if (event->matches(QKeySequence::Copy)) {
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void NodeTreeWidget::startDrag(Qt::DropActions)
{
    TreeNode* node = nodeAt(m_pressedAt);
    if (!node || !m_drag.starting || !m_drag.starting(node, m_pressedButton))
        return;
    // The drag manager deletes it when the drag is over.
    auto* drag = new QDrag(this);
    drag->setMimeData(nodeMimeData(objectName(), node->key()));
    const QPixmap image = dragImage(node);
    drag->setPixmap(image);
    const QRect itemRect = visualItemRect(itemOf(node));
    const QSize shown = image.deviceIndependentSize().toSize();
    drag->setHotSpot(QPoint(std::clamp(m_pressedAt.x() - itemRect.left(), 0, std::max(0, shown.width() - 1)),
                            std::clamp(m_pressedAt.y() - itemRect.top(), 0, std::max(0, shown.height() - 1))));
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

void NodeTreeWidget::dragEnterEvent(QDragEnterEvent* event)
{
    QString source, key;
    if (!m_drag.over || !readNodeMimeData(event->mimeData(), source, key)) {
        event->ignore();
        return;
    }
    // Dragging: the view scrolls near its edges on its own.
    setState(DraggingState);
    event->accept();
}

void NodeTreeWidget::dragMoveEvent(QDragMoveEvent* event)
{
    QString source, key;
    if (!m_drag.over || !readNodeMimeData(event->mimeData(), source, key)) {
        event->ignore();
        return;
    }
    // The view's own handling starts the scrolling near the edges; whether the drop
    // would land is the handler's.
    QTreeWidget::dragMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    if (m_drag.over(source, key, pos)) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void NodeTreeWidget::dragLeaveEvent(QDragLeaveEvent* event)
{
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    event->accept();
}

void NodeTreeWidget::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
    setState(NoState);
    QString source, key;
    if (!m_drag.dropped || !readNodeMimeData(event->mimeData(), source, key)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    m_drag.dropped(source, key, event->position().toPoint());
    viewport()->update();
}
