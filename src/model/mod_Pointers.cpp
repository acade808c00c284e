#include "mod_Pointers.h"

#include <QHash>
#include <algorithm>
#include <limits>
#include <optional>
#include <unordered_map>
#include <vector>

#include "mod_Enumerate.h"
#include "NodeTree.h"
#include "mod_DesignDefinitions.h"
#include "mod_Keys.h"
#include "mod_ModelessErrors.h"
#include "mod_Palimor.h"
#include "mod_Records.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "mod_Global.h"

namespace {

NodeTree* gpMainTree = nullptr;

// Whether the links are as the rebuild made them from the main tree: a node added,
// moved or removed since, or another tree, makes them stale.
class LinkWatch : public NodeTreeObserver {
public:
    ~LinkWatch() override { watch(nullptr); }
    void watch(NodeTree* tree)
    {
        if (m_tree)
            m_tree->removeObserver(this);
        m_tree = tree;
        current = false;
        clean = false;
        if (m_tree)
            m_tree->addObserver(this);
    }
    void nodeAdded(TreeNode*) override { current = false; }
    void nodeAboutToBeRemoved(TreeNode*) override { current = false; }
    void nodeMoved(TreeNode*) override { current = false; }
    void cleared() override { current = false; }
    void treeDestroyed(NodeTree* tree) override
    {
        if (tree == m_tree)
            m_tree = nullptr;
        current = false;
    }

    bool current = false;
    // The last full check of the links found nothing wrong, and what was relinked since
    // was checked clean too.
    bool clean = false;

private:
    NodeTree* m_tree = nullptr;
};

LinkWatch g_linkWatch;

const QString kRootKey = QStringLiteral("g_0");

// Order numbers are 16-bit; past this the next link update numbers them all afresh.
constexpr int32_t kRecomputeAbove = 32000;
constexpr int32_t kOrderStep = 10;

// A node's record: its kind ('g' group, 'f' field or picture) and its index.
struct KeyRef {
    char kind = 0;  // 0: neither, or no index
    int32_t index = -1;
};

// The kind a node's key names: 'g', 'f' (fields and pictures) or 0.
char kindOf(const TreeNode* node)
{
    if (node->keyNumber() < 0)
        return 0;
    const char16_t letter = node->keyLetter();
    return letter == u'g' ? 'g' : (letter == u'f' || letter == u'p') ? 'f' : char(0);
}

bool isGroupIndex(int32_t index) { return index >= 0 && size_t(index) < gaGroups.size(); }

// Highest gaFields index a field walk visits.
int32_t lastFieldIndex() { return std::min<int32_t>(gnFieldCount, int32_t(gaFields.size()) - 1); }

bool isFieldIndex(int32_t index) { return index >= 1 && index <= lastFieldIndex(); }

bool isLiveGroup(int32_t index) { return isGroupIndex(index) && gaGroups[size_t(index)].Grpi != -1; }

// The field slots as the walks of one rebuild read them: which are in use and their
// order numbers, read once into a small array. The walks go over every field several
// times; the records themselves are large, and touching them on every walk makes a
// large form's rebuild slower per field than a small one's.
class FieldSlots {
public:
    FieldSlots()
    {
        const int32_t last = std::max<int32_t>(lastFieldIndex(), 0);
        m_slots.resize(size_t(last) + 1);
        for (int32_t i = 1; i <= last; ++i) {
            const FieldRecord& f = gaFields[size_t(i)];
            m_slots[size_t(i)] = {f.nOmod, f.lFieldId > 0};
        }
    }
    size_t size() const { return m_slots.size(); }
    bool live(int32_t index) const { return index >= 1 && size_t(index) < m_slots.size() && m_slots[size_t(index)].live; }
    int16_t omod(int32_t index) const
    {
        Q_ASSERT(index >= 0 && size_t(index) < m_slots.size());
        return m_slots[size_t(index)].omod;
    }
    // The field's order number, in the record too.
    void setOmod(int32_t index, int16_t number)
    {
        Q_ASSERT(live(index));
        m_slots[size_t(index)].omod = number;
        gaFields[size_t(index)].nOmod = number;
    }

private:
    struct Slot {
        int16_t omod = 0;
        bool live = false;
    };
    std::vector<Slot> m_slots;
};

// The same questions answered from the records themselves, for a walk over a few of them.
class RecordSlots {
public:
    bool live(int32_t index) const
    {
        return index >= 1 && index <= lastFieldIndex() && gaFields[size_t(index)].lFieldId > 0;
    }
    int16_t omod(int32_t index) const { return gaFields[size_t(index)].nOmod; }
};

// A node of a group or field whose record is in use: its kind and index; kind 0 else.
template <typename Slots>
KeyRef recordOf(const TreeNode* node, const Slots& slots)
{
    if (!node)
        return {};
    const KeyRef k{kindOf(node), node->keyNumber()};
    if ((k.kind == 'g' && isLiveGroup(k.index)) || (k.kind == 'f' && slots.live(k.index)))
        return k;
    return {};
}

QString groupText(int32_t index)
{
    const GroupRecord& g = gaGroups[size_t(index)];
    return g.sFrameDesc.isEmpty() ? QString::number(g.Grpi) : g.sFrameDesc;
}

QString boolText(bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); }

void showLinkMessage(const QString& text)
{
    gWriteLog(text);
    platform::dialogs().messageBox(text, platform::MbOk, QString());
}

// ---- Order numbers ----

// Makes numbers[1..N] strictly rising, disturbing as few as it can: a run of entries
// out of order is spread evenly into the room below the entry that closes it, or,
// without room, every entry from the run on is set one above its predecessor.
// numbers[0] is 0 and belongs to no field.
void repairOrder(std::vector<int32_t>& numbers)
{
    const int32_t n = int32_t(numbers.size()) - 1;
    int32_t run = 0;   // entries out of order waiting
    int32_t last = 0;  // the entry the waiting run follows
    for (int32_t i = 1; i <= n; ++i) {
        const bool flagged = i == n || numbers[size_t(i)] >= numbers[size_t(i) + 1];
        if (flagged)
            ++run;
        if (run == 0) {
            last = i;
            continue;
        }
        if (i + 1 != n && flagged)
            continue;
        const int32_t between = i - 1 - last;  // entries spread when there is room
        const int32_t gap = numbers[size_t(i)] - numbers[size_t(last)];
        if (i + 1 >= n || between >= gap) {
            for (int32_t k = last + 1; k < i; ++k)
                numbers[size_t(k)] = numbers[size_t(k) - 1] + 1;
            int32_t k = i;
            for (; k <= n; ++k) {
                if (k == n && numbers[size_t(k)] > numbers[size_t(k) - 1])
                    break;
                numbers[size_t(k)] = numbers[size_t(k) - 1] + 1;
            }
            i = k - 1;  // the pass goes on with the first entry not renumbered
        } else {
            // Rounded down, so the last entry spread stays below the one closing the run.
            const int32_t step = gap / (between + 1);
            for (int32_t k = last + 1; k < i; ++k) {
                numbers[size_t(k)] = numbers[size_t(k) - 1] + step;
                last = k;
            }
        }
        run = 0;
    }
}

bool strictlyRisingInRange(const std::vector<int32_t>& numbers)
{
    for (size_t i = 1; i < numbers.size(); ++i)
        if (numbers[i] < 1 || numbers[i] > std::numeric_limits<int16_t>::max() || numbers[i] <= numbers[i - 1])
            return false;
    return true;
}

// numbers[1..]: the order numbers of fields in tree order, 0 for a new field; numbers[0]:
// that of the field before them, 0 at the start of the form (where entry 0 belongs to no
// field). A new field gets the highest number seen so far plus 10, then the order is
// repaired; worked in 32 bits, to be checked against the 16-bit range. True when the
// running number passed 32000.
bool numberAndRepair(std::vector<int32_t>& numbers)
{
    bool recompute = false;
    int32_t running = numbers[0];
    for (size_t i = 1; i < numbers.size(); ++i) {
        running = std::max(running, numbers[i]);
        if (numbers[i] == 0) {
            running += kOrderStep;
            numbers[i] = running;
        }
        if (running > kRecomputeAbove)
            recompute = true;
    }
    repairOrder(numbers);
    return recompute;
}

// Every field numbered afresh in tree order, in steps that keep the numbers in range.
void numberAfresh(std::vector<int32_t>& numbers)
{
    const int32_t count = int32_t(numbers.size()) - 1;
    const int32_t step =
        std::max<int32_t>(1, std::min<int32_t>(kOrderStep, std::numeric_limits<int16_t>::max() / std::max(1, count)));
    for (int32_t i = 1; i <= count; ++i)
        numbers[size_t(i)] = i * step;
}

// nOmod -> gaFields index through the id map, the first entry from 1 up (as
// gvIndexOfId), for the check walk. Right after a renumbering the map rises strictly
// and holds each field's own number: a field is then named by its number, and a number
// is found in one step. Otherwise a hash of the map is made.
class IdIndex {
public:
    explicit IdIndex(const FieldSlots& slots) : m_slots(slots)
    {
        m_mapped.assign(slots.size(), 0);
        for (size_t i = 1; i < gaIdMap.size() && m_current; ++i) {
            const IdMapEntry& e = gaIdMap[i];
            m_current = (i == 1 || gaIdMap[i - 1].nOmod < e.nOmod) && e.lIndex >= 1
                        && size_t(e.lIndex) < slots.size() && slots.omod(e.lIndex) == e.nOmod;
            if (m_current)
                m_mapped[size_t(e.lIndex)] = 1;
        }
        if (m_current) {
            // The map rises, so its last number is the largest: a number is found in one step.
            const int16_t largest = gaIdMap.size() > 1 ? gaIdMap.back().nOmod : int16_t(0);
            m_byNumber.assign(size_t(std::max<int16_t>(largest, 0)) + 1, -1);
            for (size_t i = 1; i < gaIdMap.size(); ++i)
                if (gaIdMap[i].nOmod >= 0)
                    m_byNumber[size_t(gaIdMap[i].nOmod)] = gaIdMap[i].lIndex;
            return;
        }
        m_index.reserve(qsizetype(gaIdMap.size()));
        for (size_t i = 1; i < gaIdMap.size(); ++i)
            if (!m_index.contains(gaIdMap[i].nOmod))
                m_index.insert(gaIdMap[i].nOmod, gaIdMap[i].lIndex);
    }
    // True when link names the field at index.
    bool names(int16_t link, int32_t index) const
    {
        if (m_current)
            return m_mapped[size_t(index)] && m_slots.omod(index) == link;
        const std::optional<int32_t> found = find(link);
        return found && *found == index;
    }
    std::optional<int32_t> find(int16_t link) const
    {
        if (m_current) {
            if (link < 0 || size_t(link) >= m_byNumber.size() || m_byNumber[size_t(link)] < 0)
                return std::nullopt;
            return m_byNumber[size_t(link)];
        }
        const auto it = m_index.constFind(link);
        return it != m_index.constEnd() ? std::optional<int32_t>(*it) : std::nullopt;
    }

private:
    const FieldSlots& m_slots;
    bool m_current = true;
    std::vector<char> m_mapped;  // gaFields indexes the map holds
    std::vector<int32_t> m_byNumber;  // nOmod -> gaFields index, -1 for none
    QHash<int16_t, int32_t> m_index;
};

// The same look-ups by a binary search of the id map, which must rise strictly: for a
// check of a few nodes, without the arrays IdIndex makes.
class MapSearch {
public:
    MapSearch() { Q_ASSERT(!gaIdMap.empty()); }
    std::optional<int32_t> find(int16_t link) const
    {
        const auto it = std::lower_bound(gaIdMap.begin() + 1, gaIdMap.end(), link,
                                         [](const IdMapEntry& e, int16_t n) { return e.nOmod < n; });
        return it != gaIdMap.end() && it->nOmod == link ? std::optional<int32_t>(it->lIndex) : std::nullopt;
    }
    bool names(int16_t link, int32_t index) const
    {
        const std::optional<int32_t> found = find(link);
        return found && *found == index;
    }
};

// ---- Links ----

// level: the nesting level of node's children under their group-level field (1 for
// the follow-ups of a field that stands in a group).
template <typename Slots>
void rebuildFollowUpLinks(const TreeNode* node, int32_t parentIndex, int16_t level, const Slots& slots)
{
    Q_ASSERT(slots.live(parentIndex));
    int32_t previous = -1;
    for (const TreeNode* c = node->child(); c; c = c->next()) {
        const KeyRef k = recordOf(c, slots);
        if (k.kind != 'f')
            continue;
        const int32_t ci = k.index;
        FieldRecord& p = gaFields[size_t(parentIndex)];
        FieldRecord& f = gaFields[size_t(ci)];
        f.lParentField = p.nOmod;
        f.lNextField = 0;
        f.lChildField = 0;
        f.lPreviousField = previous < 0 ? int16_t(0) : gaFields[size_t(previous)].nOmod;
        f.bFollowUp = f.lParentField != 0;
        f.Grpi = p.Grpi;
        f.nFieldLevel = level;
        if (previous < 0)
            p.lChildField = f.nOmod;
        else
            gaFields[size_t(previous)].lNextField = f.nOmod;
        if (c->children() > 0)
            rebuildFollowUpLinks(c, ci, int16_t(level + 1), slots);
        previous = ci;
    }
}

bool isCheckboxControl(ControlKind control)
{
    return control == ControlKind::CheckBox || control == ControlKind::OptionSet;
}

// Virtual group v as the rebuild makes it under parent at level, for the run of fields
// that starts with field fi, linked after the sibling group previousGroup (-1: first
// among the parent's groups).
void fillVirtualGroup(int32_t v, int32_t parent, int32_t previousGroup, int16_t level, int32_t fi)
{
    Q_ASSERT(isGroupIndex(v) && isGroupIndex(parent) && (previousGroup < 0 || isGroupIndex(previousGroup))
             && isFieldIndex(fi));
    GroupRecord& g = gaGroups[size_t(v)];
    const int16_t parentAlignment = gaGroups[size_t(parent)].lAlignmentGroupId;
    g.lNextGroup = 0;
    g.lChildGroup = 0;
    g.bVirtualGroup = true;
    g.bRepeatingGroup = false;
    g.bShowGroupBox = false;
    g.sLabelCode.clear();
    g.iGroupWidth = 1;
    g.iNrOfSubGroups = 0;
    g.lParentGroup = gaGroups[size_t(parent)].Grpi;
    if (level == 1 || parentAlignment < 0)
        g.lAlignmentGroupId = int16_t(-v);
    else
        g.lAlignmentGroupId = parentAlignment > 0 ? int16_t(v) : int16_t(0);
    g.lGroupLevel = level;
    if (previousGroup >= 0) {
        g.lPreviousGroup = gaGroups[size_t(previousGroup)].Grpi;
        gaGroups[size_t(previousGroup)].lNextGroup = g.Grpi;
    } else {
        g.lPreviousGroup = 0;
        gaGroups[size_t(parent)].lChildGroup = g.Grpi;
    }
    FieldRecord& f = gaFields[size_t(fi)];
    g.lFirstField = f.nOmod;
    g.bCheckboxesOnly = isCheckboxControl(f.lControl);
    f.Grpi = g.Grpi;
}

// A new virtual group (see fillVirtualGroup). Returns its index, or -1 when no record
// could be had.
int32_t makeVirtualGroup(int32_t parent, int32_t previousGroup, int16_t level, int32_t fi)
{
    QString key;
    const int32_t v = glNewItem(SlotKind::Group, key);  // may grow gaGroups
    if (v < 1 || !isGroupIndex(v))
        return -1;
    fillVirtualGroup(v, parent, previousGroup, level, fi);
    return v;
}

// The children of a group node that have a record, in order, each read once.
struct Child {
    const TreeNode* node;
    int32_t index;
    bool group;
};
struct Children {
    std::vector<Child> list;
    int16_t subgroups = 0;
    int32_t fields = 0;
    // Groups and fields side by side: each run of fields gets a virtual group.
    bool mixed() const { return subgroups > 0 && fields > 0; }
    int32_t fieldRuns() const
    {
        if (!mixed())
            return 0;
        int32_t runs = 0;
        for (size_t i = 0; i < list.size(); ++i)
            runs += !list[i].group && (i == 0 || list[i - 1].group) ? 1 : 0;
        return runs;
    }
};

template <typename Slots>
Children childrenOf(const TreeNode* node, const Slots& slots)
{
    Children out;
    out.list.reserve(size_t(node->children()));
    for (const TreeNode* c = node->child(); c; c = c->next()) {
        const KeyRef k = recordOf(c, slots);
        if (k.kind == 'g' && k.index > 0) {
            out.list.push_back({c, k.index, true});
            ++out.subgroups;
        } else if (k.kind == 'f') {
            out.list.push_back({c, k.index, false});
            ++out.fields;
        }
    }
    return out;
}

// The root's own members as the rebuild sets them before linking its children.
void relinkRoot(GroupRecord& root, const Children& children)
{
    root.iNrOfSubGroups = children.subgroups;
    root.sLabelCode.clear();
    root.bShowGroupBox = false;
    root.lParentGroup = 0;
    root.lPreviousGroup = 0;
    root.lNextGroup = 0;
    if (children.subgroups == 0) {
        if (root.lChildGroup > 0)
            root.bChanged = true;
        root.lChildGroup = 0;
    } else {
        if (root.lFirstField > 0)
            root.bChanged = true;
        root.lFirstField = 0;
    }
    if (children.subgroups == 0 && children.fields == 0) {
        root.lChildGroup = 0;
        root.lFirstField = 0;
    }
    root.lAlignmentGroupId = 0;
    root.bVirtualGroup = true;
}

template <typename Slots>
void rebuildGroupLinks(const TreeNode* node, int32_t parent, int16_t level, const Slots& slots)
{
    Q_ASSERT(isGroupIndex(parent));
    const Children children = childrenOf(node, slots);
    // The tree is the master: the counter follows the group's node.
    gaGroups[size_t(parent)].iNrOfSubGroups = children.subgroups;

    if (level == 0) {
        relinkRoot(gaGroups[size_t(parent)], children);
        level = 1;
    }

    const bool mixed = children.mixed();
    int32_t previousGroup = -1;  // the last sibling group linked, virtual ones included
    int32_t previousField = -1;  // the field linked just before, when it was a field
    int32_t previousNode = 0;    // index of the sibling node linked just before; 0 none
    for (const Child& child : children.list) {
        const TreeNode* c = child.node;
        if (child.group) {
            const int32_t gi = child.index;
            GroupRecord& g = gaGroups[size_t(gi)];
            g.lChildGroup = 0;
            g.lFirstField = 0;
            g.lParentGroup = gaGroups[size_t(parent)].Grpi;
            g.lNextGroup = 0;
            g.lGroupLevel = level;
            if (previousGroup >= 0) {
                g.lPreviousGroup = gaGroups[size_t(previousGroup)].Grpi;
                gaGroups[size_t(previousGroup)].lNextGroup = g.Grpi;
            } else {
                g.lPreviousGroup = 0;
                gaGroups[size_t(parent)].lChildGroup = g.Grpi;
            }
            if (c->children() > 0)
                rebuildGroupLinks(c, gi, int16_t(level + 1), slots);
            else
                gaGroups[size_t(gi)].iNrOfSubGroups = 0;
            previousGroup = gi;
            previousField = -1;
            previousNode = gi;
            continue;
        }
        const int32_t fi = child.index;
        {
            FieldRecord& f = gaFields[size_t(fi)];
            f.Grpi = gaGroups[size_t(parent)].Grpi;
            f.lNextField = 0;
            f.lChildField = 0;
            f.lParentField = 0;
            f.lPreviousField = int16_t(previousNode);
            f.nFieldLevel = 0;
        }
        if (previousField >= 0) {
            FieldRecord& p = gaFields[size_t(previousField)];
            FieldRecord& f = gaFields[size_t(fi)];
            f.Grpi = p.Grpi;
            p.lNextField = f.nOmod;
            if (mixed && !isCheckboxControl(f.lControl) && isGroupIndex(p.Grpi - 1))
                gaGroups[size_t(p.Grpi - 1)].bCheckboxesOnly = false;
        } else if (mixed) {
            if (const int32_t v = makeVirtualGroup(parent, previousGroup, level, fi); v > 0)
                previousGroup = v;
        } else {
            gaGroups[size_t(parent)].lFirstField = gaFields[size_t(fi)].nOmod;
        }
        if (c->children() > 0)
            rebuildFollowUpLinks(c, fi, 1, slots);
        previousField = fi;
        previousNode = fi;
    }
}

// ---- Link checks ----

// Ids answers find(nOmod) and names(nOmod, index) as gvIndexOfId does (IdIndex, MapSearch).
template <typename Ids, typename Slots>
class LinkCheck {
public:
    LinkCheck(const Ids& ids, const Slots& slots) : m_ids(ids), m_slots(slots) {}
    int32_t found() const { return m_found; }

    // The children of node, depth first in sibling order.
    void children(const TreeNode* node)
    {
        const char parentKind = kindOf(node);
        int32_t previousField = -1;  // the sibling before, when it is a field
        for (const TreeNode* n = node->child(); n; n = n->next()) {
            const KeyRef k = recordOf(n, m_slots);
            if (k.kind == 'g' && k.index > 0) {
                group(k.index);
                previousField = -1;
            } else if (k.kind == 'f') {
                field(k.index, !n->previous(), parentKind == 'f', parentKind == 'g', previousField);
                previousField = k.index;
            } else {
                previousField = -1;
            }
            if (n->children() > 0)
                children(n);
        }
    }

    void group(int32_t gi)
    {
        Q_ASSERT(isGroupIndex(gi));
        const GroupRecord& g = gaGroups[size_t(gi)];
        if (g.lPreviousGroup != 0) {
            const int32_t p = g.lPreviousGroup - 1;
            if (!isGroupIndex(p) || gaGroups[size_t(p)].lNextGroup != g.Grpi)
                report(QStringLiteral("Next of group  %1 not set correct!")
                           .arg(isGroupIndex(p) ? gaGroups[size_t(p)].Grpi : g.lPreviousGroup));
        } else {
            const int32_t p = g.lParentGroup - 1;
            if (!isGroupIndex(p) || gaGroups[size_t(p)].lChildGroup != g.Grpi)
                report(QStringLiteral("Childgroup of group  %1 not set correct!")
                           .arg(isGroupIndex(p) ? gaGroups[size_t(p)].Grpi : g.lParentGroup));
        }
        if (g.lFirstField != 0) {
            const std::optional<int32_t> f = m_ids.find(g.lFirstField);
            if (!f || !isFieldIndex(*f))
                report(QStringLiteral("Parentgroup of field  %1 not set correct!").arg(g.lFirstField));
            else if (gaFields[size_t(*f)].Grpi != g.Grpi)
                report(QStringLiteral("Parentgroup of field  %1 not set correct!").arg(gaFields[size_t(*f)].sFieldName));
        }
    }

    void field(int32_t fi, bool first, bool underField, bool underGroup, int32_t previousField)
    {
        const FieldRecord& f = gaFields[size_t(fi)];
        if (first && underField) {
            const std::optional<int32_t> p = m_ids.find(f.lParentField);
            if (!p || !isFieldIndex(*p) || !m_ids.names(gaFields[size_t(*p)].lChildField, fi))
                report(QStringLiteral("Childfield of field  %1 not set correct!")
                           .arg(p && isFieldIndex(*p) ? gaFields[size_t(*p)].sFieldName : QString::number(f.lParentField)));
        } else if (first && underGroup) {
            const int32_t g = f.Grpi - 1;
            if (!isGroupIndex(g) || !m_ids.names(gaGroups[size_t(g)].lFirstField, fi))
                report(QStringLiteral("Childfield of group  %1 not set correct!")
                           .arg(isGroupIndex(g) ? gaGroups[size_t(g)].Grpi : f.Grpi));
        }
        if (previousField > 0 && !m_ids.names(gaFields[size_t(previousField)].lNextField, fi))
            report(QStringLiteral("Next of field  %1 not set correct!").arg(gaFields[size_t(previousField)].sFieldName));
    }

private:
    void report(const QString& text)
    {
        ++m_found;
        showLinkMessage(text);
    }

    const Ids& m_ids;
    const Slots& m_slots;
    int32_t m_found = 0;
};

// True when the two records give the same qxzrn315 row.
bool sameGroupRow(const GroupRecord& a, const GroupRecord& b)
{
    for (const DesignColumn<GroupRecord>& c : gColumns315())
        if (c.write(a) != c.write(b))
            return false;
    return true;
}

// ---- Change detection ----

// A member of a record as a 32-bit number, for the tables below.
template <auto Member>
int32_t valueOf(const auto& record)
{
    return int32_t(record.*Member);
}

template <typename Record>
struct TrackedMember {
    const char* logName;
    int32_t (*current)(const Record&);
    int32_t (*stored)(const Record&);
    bool boolean;
    bool table301 = false;  // fields: qxzrn301, else qxzrn308
};

#define TRACKED(R, name, member, ...) \
    {name, valueOf<&R::member>, valueOf<&R::member##Stored>, __VA_ARGS__}

const TrackedMember<FieldRecord> kFieldMembers[] = {
    TRACKED(FieldRecord, "ParentField", lParentField, false, false),
    TRACKED(FieldRecord, "NextField", lNextField, false, false),
    TRACKED(FieldRecord, "ChildField", lChildField, false, false),
    TRACKED(FieldRecord, "GroupId", Grpi, false, false),
    TRACKED(FieldRecord, "FollowUp", bFollowUp, true, false),
    TRACKED(FieldRecord, "omod", nOmod, false, true),
    TRACKED(FieldRecord, "FieldXPosition", iFieldXPos, false, true),
    TRACKED(FieldRecord, "FieldYPosition", iFieldYPos, false, true),
    TRACKED(FieldRecord, "LabelXPosition", nLabelXPos, false, false),
    TRACKED(FieldRecord, "FieldEndPosition", nFieldEndPos, false, false),
    TRACKED(FieldRecord, "ColumnId", iColumnId, false, false),
};

const TrackedMember<GroupRecord> kGroupMembers[] = {
    TRACKED(GroupRecord, "New Page/Groups beside eachother", iGroupWidth, false),
    TRACKED(GroupRecord, "GroupId", Grpi, false),
    TRACKED(GroupRecord, "ParentGroup", lParentGroup, false),
    TRACKED(GroupRecord, "NextGroup", lNextGroup, false),
    TRACKED(GroupRecord, "ChildGroup", lChildGroup, false),
    TRACKED(GroupRecord, "PreviousGroup", lPreviousGroup, false),
    TRACKED(GroupRecord, "FirstField", lFirstField, false),
    TRACKED(GroupRecord, "GroupLevel", lGroupLevel, false),
    TRACKED(GroupRecord, "Checkboxes only", bCheckboxesOnly, true),
};

#undef TRACKED

QString memberText(int32_t value, bool boolean) { return boolean ? boolText(value != 0) : QString::number(value); }

void loadCommandsIfDue()
{
    if (!gbLoadCommands)
        return;
    gLoadSpecificCommands();
    platform::setMousePointer(platform::Pointer::Default);
}

// The root node "g_0" of the form's tree, when there is a tree and a root group.
TreeNode* mainRoot()
{
    if (!gpMainTree || gaGroups.empty() || gaGroups[0].Grpi == -1)
        return nullptr;
    return gpMainTree->node(kRootKey);
}

// Every field numbered afresh, 10, 20, 30 and on in tree order.
void renumberAll()
{
    if (!mainRoot())
        return;
    for (int32_t i = 1; i <= lastFieldIndex(); ++i)
        gaFields[size_t(i)].nOmod = 0;
    gRebuildPointers();
}

void renumberFields(FieldSlots& slots)
{
    TreeNode* root = mainRoot();
    if (!root)
        return;
    gaIdMap.assign(1, IdMapEntry{});
    gaIdMap.reserve(size_t(std::max<int32_t>(gnFieldCount, 0)) + 1);

    std::vector<int32_t> numbers{0};
    numbers.reserve(gaIdMap.capacity());
    for (TreeNode* n = NodeTree::nextDepthFirst(root, root); n; n = NodeTree::nextDepthFirst(n, root)) {
        const KeyRef k = recordOf(n, slots);
        if (k.kind != 'f')
            continue;
        gaIdMap.push_back(IdMapEntry{0, k.index, false});
        numbers.push_back(slots.omod(k.index));
    }
    if (numberAndRepair(numbers))
        gbRecomputeLinks = true;
    // Only out of the 16-bit range (or a map that was out of order below 1) gets here.
    if (!strictlyRisingInRange(numbers))
        numberAfresh(numbers);
    for (size_t i = 1; i < gaIdMap.size(); ++i) {
        gaIdMap[i].nOmod = int16_t(numbers[i]);
        slots.setOmod(gaIdMap[i].lIndex, int16_t(numbers[i]));
    }
}

int32_t checkLinks(const TreeNode* node, const FieldSlots& slots)
{
    const IdIndex ids(slots);
    LinkCheck check(ids, slots);
    check.children(node);
    return check.found();
}

// Frees the virtual groups that match, to be made anew; keepMarks() lets one made again
// with the same row as before keep the change mark it had, so an unchanged form stays
// unchanged.
class VirtualGroupsRemade {
public:
    template <typename Matches>
    explicit VirtualGroupsRemade(Matches matches)
    {
        for (int32_t i = 1; i < int32_t(gaGroups.size()); ++i) {
            const GroupRecord& g = gaGroups[size_t(i)];
            if (g.Grpi != -1 && g.bVirtualGroup && matches(g)) {
                m_freed.emplace(i, g);
                gDeleteItem(SlotKind::Group, i);
            }
        }
    }
    void keepMarks() const
    {
        for (const auto& [i, before] : m_freed) {
            GroupRecord& g = gaGroups[size_t(i)];
            if (g.Grpi != -1 && g.bVirtualGroup && !before.bChanged && sameGroupRow(before, g))
                g.bChanged = false;
        }
    }

private:
    std::unordered_map<int32_t, GroupRecord> m_freed;
};

// What the full rebuild gives after a paste onto links it made (the tree unchanged but
// for top and what is below it, and no order number, link or record in use changed
// since but by the paste), made without walking the whole form; false, with nothing
// changed, when that cannot be shown to be the same. It is when:
// - behind the entries the paste put in front for the added fields, the id map holds
//   the other fields in tree order, rising strictly, as the rebuild left it; the
//   renumbering of the fields from the one before top on, with the added fields new,
//   then gives the added fields their numbers and no other field another one (in
//   front of them the renumbering changes nothing): no link outside top's parent
//   changes;
// - the paste makes no virtual group and takes none away (no added group holds groups
//   and fields, the runs of fields in top's parent are as many as its virtual groups),
//   and the virtual groups lie in tree order in the lowest slots free to them, so each
//   is made again in its own slot, where the full rebuild would make it;
// - no virtual group made would run the groups out of slots (the full rebuild warns).
// The links below top's parent are then made by the rebuild's own walk, every other
// virtual group is made again in its place as the rebuild makes it (its fields'
// controls and its group's alignment may have changed), the form's root gets its own
// members, and the check of what was relinked stands for the whole: the rest was
// checked clean and is unchanged.
bool linkAddedInPlace(const TreeNode* top, const std::vector<int32_t>& added)
{
    const TreeNode* root = mainRoot();
    const TreeNode* parent = top->parent();
    const RecordSlots slots;
    const KeyRef p = recordOf(parent, slots);
    if (p.kind == 0 || (p.kind == 'g' && p.index == 0) || (p.kind == 'f' && kindOf(top) == 'g') || added.empty())
        return false;

    // The id map: the added fields' entries in front, then the others rising.
    std::vector<char> isAdded(gaFields.size(), 0);
    for (const int32_t f : added)
        isAdded[size_t(f)] = 1;
    const size_t front = added.size();
    if (gaIdMap.size() < front + 1)
        return false;
    const auto addedEntry = [&](const IdMapEntry& e) {
        return e.lIndex >= 1 && size_t(e.lIndex) < isAdded.size() && isAdded[size_t(e.lIndex)];
    };
    const auto old = gaIdMap.begin() + ptrdiff_t(front) + 1;
    if (!std::all_of(gaIdMap.begin() + 1, old, addedEntry))
        return false;
    for (auto e = old; e != gaIdMap.end(); ++e)
        if (addedEntry(*e) || e->nOmod < 1 || (e != old && e->nOmod <= (e - 1)->nOmod))
            return false;
    const size_t olds = size_t(gaIdMap.end() - old);
    // An entry names the field whose number it holds.
    const auto holds = [&](size_t k) {
        const IdMapEntry& e = old[ptrdiff_t(k)];
        return slots.live(e.lIndex) && slots.omod(e.lIndex) == e.nOmod;
    };

    // The added fields go right after the last field before top in tree order.
    size_t at = 0;
    for (const TreeNode* n = NodeTree::previousDepthFirst(top); n; n = NodeTree::previousDepthFirst(n)) {
        if (const KeyRef k = recordOf(n, slots); k.kind == 'f') {
            const auto e = std::lower_bound(old, gaIdMap.end(), slots.omod(k.index),
                                            [](const IdMapEntry& x, int16_t number) { return x.nOmod < number; });
            if (e == gaIdMap.end() || e->lIndex != k.index)
                return false;
            at = size_t(e - old) + 1;
            break;
        }
    }
    if ((at > 0 && !holds(at - 1)) || (at < olds && !holds(at)))
        return false;
    std::vector<int32_t> numbers;
    numbers.reserve(olds - at + front + 1);
    numbers.push_back(at > 0 ? old[ptrdiff_t(at - 1)].nOmod : 0);
    numbers.insert(numbers.end(), front, 0);
    for (size_t k = at; k < olds; ++k)
        numbers.push_back(old[ptrdiff_t(k)].nOmod);
    if (numberAndRepair(numbers) || !strictlyRisingInRange(numbers))
        return false;
    for (size_t k = at; k < olds; ++k)
        if (numbers[1 + front + k - at] != old[ptrdiff_t(k)].nOmod)
            return false;

    // The groups whose virtual groups the walk below the parent makes again.
    std::vector<int16_t> below;
    int32_t parentRuns = 0;
    if (p.kind == 'g') {
        for (const TreeNode* n = parent; n; n = NodeTree::nextDepthFirst(n, parent))
            if (const KeyRef k = recordOf(n, slots); k.kind == 'g')
                below.push_back(gaGroups[size_t(k.index)].Grpi);
        for (const TreeNode* n = top; n; n = NodeTree::nextDepthFirst(n, top))
            if (recordOf(n, slots).kind == 'g' && childrenOf(n, slots).mixed())
                return false;
        parentRuns = childrenOf(parent, slots).fieldRuns();
    }
    const auto isBelow = [&](int16_t grpi) { return std::find(below.begin(), below.end(), grpi) != below.end(); };
    const MapSearch ids;
    struct Remade {
        int32_t slot;
        int32_t firstField;
    };
    std::vector<Remade> elsewhere;  // the virtual groups outside the parent, in slot order
    int16_t lastFirst = 0;
    int32_t virtuals = 0;
    int32_t parentVirtuals = 0;
    int32_t free = 0;
    int32_t used = 0;
    size_t lowestFree = gaGroups.size();
    for (size_t g = 1; g < gaGroups.size(); ++g) {
        const GroupRecord& r = gaGroups[g];
        if (r.Grpi == -1) {
            ++free;
            lowestFree = std::min(lowestFree, g);
            continue;
        }
        if (!r.bVirtualGroup) {
            ++used;
            continue;
        }
        // Made in tree order, so in rising slots and first fields.
        if (g > lowestFree || r.lFirstField <= lastFirst)
            return false;
        lastFirst = r.lFirstField;
        ++virtuals;
        if (p.kind == 'g' && r.lParentGroup == gaGroups[size_t(p.index)].Grpi)
            ++parentVirtuals;
        if (isBelow(r.lParentGroup))
            continue;
        const std::optional<int32_t> first = ids.find(r.lFirstField);
        if (!first || !slots.live(*first) || !isLiveGroup(r.lParentGroup - 1)
            || (r.lPreviousGroup != 0 && !isLiveGroup(r.lPreviousGroup - 1)))
            return false;
        elsewhere.push_back({int32_t(g), *first});
    }
    if (parentVirtuals != parentRuns || (virtuals > 0 && free + 1 <= used))
        return false;

    // From here on nothing is refused. The added fields' entries go behind those of the
    // fields before them, with their numbers.
    std::move(old, old + ptrdiff_t(at), gaIdMap.begin() + 1);
    for (size_t j = 0; j < front; ++j) {
        IdMapEntry& e = gaIdMap[1 + at + j];
        e = IdMapEntry{int16_t(numbers[1 + j]), added[j], false};
        gaFields[size_t(added[j])].nOmod = e.nOmod;
    }
    gaIdMap[0] = IdMapEntry{};

    relinkRoot(gaGroups[0], childrenOf(root, slots));
    for (const Remade& v : elsewhere) {
        const GroupRecord before = gaGroups[size_t(v.slot)];
        gInitGroupRecord(v.slot);
        GroupRecord& g = gaGroups[size_t(v.slot)];
        g.bChanged = true;
        fillVirtualGroup(v.slot, before.lParentGroup - 1, before.lPreviousGroup - 1, before.lGroupLevel, v.firstField);
        g.lNextGroup = before.lNextGroup;
        // The run goes on along the next-field links the rebuild made.
        for (int32_t f = v.firstField; g.bCheckboxesOnly && gaFields[size_t(f)].lNextField != 0;) {
            const std::optional<int32_t> next = ids.find(gaFields[size_t(f)].lNextField);
            if (!next || !isFieldIndex(*next))
                break;
            f = *next;
            g.bCheckboxesOnly = isCheckboxControl(gaFields[size_t(f)].lControl);
        }
        if (!before.bChanged && sameGroupRow(before, g))
            g.bChanged = false;
    }

    LinkCheck check(ids, slots);
    if (p.kind == 'f') {
        int16_t level = 0;
        for (const TreeNode* n = parent; n && kindOf(n) == 'f'; n = n->parent())
            ++level;
        rebuildFollowUpLinks(parent, p.index, level, slots);
    } else {
        int16_t level = 0;
        for (const TreeNode* n = parent; n && n != root; n = n->parent())
            ++level;
        const VirtualGroupsRemade remade([&](const GroupRecord& g) { return isBelow(g.lParentGroup); });
        GroupRecord& g = gaGroups[size_t(p.index)];
        g.lChildGroup = 0;
        g.lFirstField = 0;
        {
            const GroupSlotBatch batch;
            rebuildGroupLinks(parent, p.index, int16_t(level + 1), slots);
        }
        remade.keepMarks();
        check.group(p.index);
    }
    check.children(parent);
    g_linkWatch.clean = check.found() == 0;
    g_linkWatch.current = true;
    return true;
}

} // namespace

void gsetMainTree(NodeTree* tree)
{
    gpMainTree = tree;
    g_linkWatch.watch(tree);
}

NodeTree* gMainTree() { return gpMainTree; }

void gRenumberFields()
{
    FieldSlots slots;
    renumberFields(slots);
    // The links still name the numbers the fields had.
    g_linkWatch.current = false;
}

void gRebuildGroupLinks(TreeNode* node, int16_t level)
{
    const FieldSlots slots;
    const KeyRef k = recordOf(node, slots);
    if (k.kind != 'g')
        return;
    rebuildGroupLinks(node, k.index, level, slots);
}

int32_t gCheckLinks(TreeNode* node)
{
    if (!node)
        return 0;
    return checkLinks(node, FieldSlots());
}

void gRebuildPointers()
{
    // Without the form's tree there is nothing to derive the links from.
    TreeNode* root = mainRoot();
    if (!root)
        return;

    const VirtualGroupsRemade remade([](const GroupRecord&) { return true; });
    loadCommandsIfDue();

    FieldSlots slots;
    renumberFields(slots);
    {
        const GroupSlotBatch batch;
        rebuildGroupLinks(root, 0, 0, slots);
    }
    remade.keepMarks();
    g_linkWatch.clean = checkLinks(root, slots) == 0;
    g_linkWatch.current = true;
}

bool gbLinksCurrent() { return g_linkWatch.current && mainRoot(); }

void gLinkAddedNodes(TreeNode* top, bool wereCurrent)
{
    TreeNode* root = mainRoot();
    if (!root || !top || !gpMainTree->owns(top)) {
        gRebuildPointers();
        return;
    }
    // The added fields in tree order.
    std::vector<int32_t> added;
    const RecordSlots records;
    for (const TreeNode* n = top; n; n = NodeTree::nextDepthFirst(n, top))
        if (const KeyRef k = recordOf(n, records); k.kind == 'f')
            added.push_back(k.index);
    const TreeNode* parent = top->parent();
    if (wereCurrent && g_linkWatch.clean && parent && parent != root && !gbLoadCommands && linkAddedInPlace(top, added))
        return;
    // The full rebuild numbers the added fields as new ones.
    for (const int32_t f : added)
        gaFields[size_t(f)].nOmod = 0;
    gRebuildPointers();
}

void gRelinkSpecificCommands()
{
    const uint8_t session = uint8_t(glFindByKey(gaEnumCommandType, QStringLiteral("session")));
    for (size_t i = 1; i < gaSpecificCommands.size(); ++i) {
        SpecificCommandRecord& c = gaSpecificCommands[i];
        if (c.lLinkId < 0 || c.nSpecificCommandId == -1)
            continue;
        const QString kind =
            c.nCommandType < gaEnumCommandType.size() ? gaEnumCommandType[c.nCommandType].sName : QString();
        bool reattach = false;
        if (kind == QLatin1String("group")) {
            const int32_t g = int32_t(c.lLinkId) - 1;
            reattach = !isGroupIndex(g) || gaGroups[size_t(g)].Grpi == -1;
        } else if (kind == QLatin1String("field")) {
            if (!isFieldIndex(c.lFieldId) || gaFields[size_t(c.lFieldId)].lFieldId == -1)
                reattach = true;
            else if (gaFields[size_t(c.lFieldId)].nOmod != c.lLinkId)
                c.lLinkId = gaFields[size_t(c.lFieldId)].nOmod;
        }
        if (reattach) {
            c.Grpi = 0;
            c.lFieldId = 0;
            c.lLinkId = 0;
            c.nCommandType = session;
            c.bChanged = true;
            gbFormChanged = true;
        }
        if (c.lLinkId != c.lLinkIdStored || c.nCommandType != c.nCommandTypeStored) {
            c.bChanged = true;
            gbFormChanged = true;
        }
    }
}

bool gbCheckSelectionGroups()
{
    auto isSelectionGroup = [](const GroupRecord& g) {
        return !g.sParentTable.isEmpty() && g.bSelectionGroup && g.Grpi > -1;
    };
    bool ok = true;
    for (size_t g = 1; g < gaGroups.size(); ++g) {
        if (!isSelectionGroup(gaGroups[g]))
            continue;
        for (size_t h = g + 1; h < gaGroups.size(); ++h) {
            if (!isSelectionGroup(gaGroups[h]) || gaGroups[h].sParentTable != gaGroups[g].sParentTable)
                continue;
            gbShowModelessMessage(QStringLiteral("plqx0152"), groupText(int32_t(g)), groupText(int32_t(h)),
                                  QString(), gsGroupKey(int32_t(g)));
            ok = false;
        }
    }
    return ok;
}

bool gbCheckRepeatingGroups()
{
    if (!gpMainTree)
        return true;
    for (size_t i = 1; i < gaGroups.size(); ++i) {
        const GroupRecord& g = gaGroups[i];
        if (g.bVirtualGroup || g.Grpi <= -1)
            continue;
        const TreeNode* node = gpMainTree->node(gsGroupKey(int32_t(i)));
        if (!node)
            continue;
        QString text;
        int16_t reason = 0;
        if (!gbRepeatingGroupAllowed(node, text, reason) && g.bRepeatingGroup) {
            if (reason == RepeatNotFirstChild)
                gbShowModelessMessage(QStringLiteral("plqx0138"), groupText(int32_t(i)), QString(), QString(),
                                      node->key());
            return false;
        }
    }
    return true;
}

bool gbCheckFieldPositions()
{
    for (int32_t i = 1; i <= lastFieldIndex(); ++i) {
        const FieldRecord& f = gaFields[size_t(i)];
        if (f.lFieldId > 0 && f.iFieldXPos > 255) {
            glShowMessage(MessageGroup2, 29, platform::MbIconExclamation, QString::number(f.iFieldXPos),
                          f.sFieldName, QString());
            return false;
        }
    }
    return true;
}

void gDetectFieldChanges()
{
    for (int32_t i = 1; i <= lastFieldIndex(); ++i) {
        FieldRecord& f = gaFields[size_t(i)];
        if (f.lFieldId <= -1)
            continue;
        for (const TrackedMember<FieldRecord>& m : kFieldMembers) {
            const int32_t now = m.current(f);
            const int32_t stored = m.stored(f);
            if (now == stored)
                continue;
            f.bChanged = true;
            (m.table301 ? f.bChanged301 : f.bChanged308) = true;
            gbFormChanged = true;
            if (gbLogging)
                gWriteLog(QStringLiteral("Field '") + f.sFieldName + QStringLiteral("' : ") + QLatin1String(m.logName)
                          + QStringLiteral(" changed from ") + memberText(stored, m.boolean) + QStringLiteral(" to ")
                          + memberText(now, m.boolean));
        }
    }
}

void gDetectGroupChanges()
{
    for (GroupRecord& g : gaGroups) {
        if (g.Grpi <= -1)
            continue;
        for (const TrackedMember<GroupRecord>& m : kGroupMembers) {
            const int32_t now = m.current(g);
            const int32_t stored = m.stored(g);
            if (now == stored)
                continue;
            g.bChanged = true;
            gbFormChanged = true;
            if (gbLogging)
                gWriteLog(QStringLiteral("Group '") + g.sFrameDesc.trimmed() + QStringLiteral("' : ")
                          + QLatin1String(m.logName) + QStringLiteral(" changed from ") + memberText(stored, m.boolean)
                          + QStringLiteral(" to ") + memberText(now, m.boolean));
        }
    }
}

void gUpdatePointers()
{
    if (gbSuspendLinkUpdate)
        return;
    if (gbRecomputeLinks) {
        loadCommandsIfDue();
        renumberAll();
    }
    gDetectGroupChanges();
    gDetectFieldChanges();
    if (gbRecomputeLinks) {
        gbRecomputeLinks = false;
        gRelinkSpecificCommands();
        return;
    }

    int32_t used = 0;
    int32_t marked = 0;
    for (int32_t i = 1; i <= lastFieldIndex(); ++i) {
        const FieldRecord& f = gaFields[size_t(i)];
        if (f.lFieldId <= 0)
            continue;
        ++used;
        if (f.bChanged301 || f.bChanged308)
            ++marked;
    }
    if (0.8 * double(used) >= double(marked)) {
        gRelinkSpecificCommands();
        return;
    }

    // Most fields are written anyway: number them all afresh.
    loadCommandsIfDue();
    renumberAll();
    for (int32_t i = 1; i <= lastFieldIndex(); ++i) {
        FieldRecord& f = gaFields[size_t(i)];
        if (f.lFieldId > 0)
            f.bChanged = f.bChanged301 = f.bChanged308 = true;
    }
    for (GroupRecord& g : gaGroups)
        if (g.Grpi > 0 && g.lFirstField > 0)
            g.bChanged = true;
    gRelinkSpecificCommands();
}

void resetPointers() { gsetMainTree(nullptr); }
