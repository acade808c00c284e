#include "mod_Clipboard.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "StructureXml.h"
#include "mod_VrokGlobal.h"
#include "mod_Alignment.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "mod_Records.h"
#include "mod_Store.h"
#include "mod_TextCaches.h"
#include "Clipboard.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "FileViewer.h"
#include "mod_Global.h"

bool gbXslWritten = false;
int32_t gnCopyFileNr = 0;

namespace {

PasteTarget g_target;

// The tree hidden and gbTreeVisible false while a paste adds nodes; both as they were
// again by restore() or, on any other way out, at the end of the scope.
class TreeHiddenForPaste {
public:
    TreeHiddenForPaste() : m_was(g_target.showTree(false)) {}
    ~TreeHiddenForPaste() { restore(); }
    TreeHiddenForPaste(const TreeHiddenForPaste&) = delete;
    TreeHiddenForPaste& operator=(const TreeHiddenForPaste&) = delete;
    void restore()
    {
        if (std::exchange(m_hidden, false))
            g_target.showTree(m_was);
    }

private:
    bool m_was;
    bool m_hidden = true;
};

const QString kXslName = QStringLiteral("plm.xsl");

// Shows the debug file as nested boxes of groups and fields with their properties.
const char kXsl[] = R"xsl(<?xml version="1.0" encoding="UTF-8"?>
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
 <xsl:output method="html" encoding="UTF-8"/>
 <xsl:template match="/body">
  <html>
   <head>
    <title>Palimor structure</title>
    <style>
     body { font-family: sans-serif; font-size: 10pt; }
     .group { border: 1px solid #6a7fa8; margin: 4px 0 4px 12px; padding: 2px 6px; }
     .field { border-left: 3px solid #9bb06a; margin: 3px 0 3px 12px; padding: 0 6px; }
     .title { font-weight: bold; }
     td { padding: 0 8px 0 0; vertical-align: top; }
     td.name { color: #555; }
    </style>
   </head>
   <body>
    <p>Form <xsl:value-of select="header/@key306"/></p>
    <xsl:apply-templates select="definition/group|definition/field"/>
   </body>
  </html>
 </xsl:template>
 <xsl:template match="group">
  <div class="group">
   <div class="title">Group <xsl:value-of select="groupprops/@sLabelCode"/></div>
   <xsl:apply-templates select="groupprops"/>
   <xsl:apply-templates select="group|field"/>
  </div>
 </xsl:template>
 <xsl:template match="field">
  <div class="field">
   <div class="title">Field <xsl:value-of select="fieldprops/@sFieldName"/></div>
   <xsl:apply-templates select="fieldprops"/>
   <xsl:apply-templates select="field"/>
  </div>
 </xsl:template>
 <xsl:template match="groupprops|fieldprops">
  <table>
   <xsl:for-each select="@*">
    <tr><td class="name"><xsl:value-of select="name()"/></td><td><xsl:value-of select="."/></td></tr>
   </xsl:for-each>
  </table>
 </xsl:template>
</xsl:stylesheet>
)xsl";

// The editor's messages of the structure exchange (kind 3): each with its reason.
enum : int32_t { NotPasted = 24, NotCopied = 25, DebugNotWritten = 26, DebugNotOpened = 27 };

void tell(int32_t message, const QString& why)
{
    gWriteLog(QStringLiteral("Structure exchange, message %1: %2").arg(message).arg(why));
    glShowMessage(MessageGroup3, message, platform::MbOk | platform::MbIconExclamation, why);
}

// A reason left empty was told already.
bool refusePaste(const QString& why)
{
    if (!why.isEmpty())
        tell(NotPasted, why);
    return false;
}

bool isRoot(const TreeNode* n) { return n->keyLetter() == u'g' && n->keyNumber() == 0; }
bool isGroupNode(const TreeNode* n) { return n->keyLetter() == u'g'; }

int16_t levelOf(const TreeNode* groupNode)
{
    const int32_t g = groupNode ? groupNode->keyNumber() : -1;
    return g >= 0 && size_t(g) < gaGroups.size() ? gaGroups[size_t(g)].lGroupLevel : int16_t(0);
}

// The group node that holds a field node, over its parent fields.
const TreeNode* groupNodeOf(const TreeNode* n)
{
    const TreeNode* p = n->parent();
    while (p && !isGroupNode(p))
        p = p->parent();
    return p;
}

// ---- Checks before anything is taken -------------------------------------------------------

// A field goes where a follow-up may stand; a group where Insert Group may add one,
// with its own subgroups no deeper than the deepest level.
bool placeAllowed(const TreeNode* place, const StructureText& s, QString& why)
{
    const int16_t deepest = g_target.maxGroupLevel;
    if (!s.nodes[0].group) {
        if (isRoot(place) || g_target.bIsFollowUpPlaceAllowed(place))
            return true;
        why = QStringLiteral("a field may not follow the selected field there");
        return false;
    }
    int32_t level = 1;  // under the root
    if (isGroupNode(place) && !isRoot(place)) {
        level = levelOf(place);  // beside the group
        if (level >= deepest) {
            why = QStringLiteral("no group may be added beside a group of level %1").arg(level);
            return false;
        }
    } else if (!isRoot(place)) {
        const TreeNode* group = groupNodeOf(place);  // into the field's group
        if (group && levelOf(group) >= deepest) {
            why = QStringLiteral("no group may be added inside a group of level %1").arg(levelOf(group));
            return false;
        }
        level = levelOf(group) + 1;
    }
    if (level + s.groupDepth > deepest) {
        why = QStringLiteral("its groups would lie deeper than level %1").arg(deepest);
        return false;
    }
    return true;
}

// Runs of fields in groups that also hold subgroups: each run gets a virtual group, as
// the link rebuild makes them.
int32_t virtualGroupsOf(const StructureText& s)
{
    int32_t runs = 0;
    for (const StagedNode& node : s.nodes) {
        if (!node.group)
            continue;
        const auto isGroup = [&](int32_t c) { return s.nodes[size_t(c)].group; };
        if (std::none_of(node.children.begin(), node.children.end(), isGroup)
            || std::all_of(node.children.begin(), node.children.end(), isGroup))
            continue;
        bool inRun = false;
        for (const int32_t c : node.children) {
            if (!isGroup(c) && !inRun)
                ++runs;
            inRun = !isGroup(c);
        }
    }
    return runs;
}

// How far the fields could reach when the form is laid out, from their records alone:
// the widest item, the rows of all fields stacked, and the number of fields.
struct Reach {
    int64_t widest = 1;
    int64_t rows = 1;
    int64_t fields = 0;
};

inline int64_t fieldRows(const FieldRecord& f)
{
    const int64_t height = std::max<int64_t>(1, f.iFieldHeight);
    const int64_t labelHeight = f.iLabelLengthSO > 0 ? std::max<int64_t>(1, f.iLabelHeightSO) : 0;
    return f.lLabelPosition == 2 ? height + labelHeight : std::max(height, labelHeight);
}

// A field's columns in a row: the field, its label and a blank before and after the
// label and after the field.
int64_t fieldSpan(const FieldRecord& f)
{
    return std::max<int64_t>(1, f.iFieldLength) + std::max<int64_t>(0, f.iLabelLengthSO) + 3;
}

// The field's item: the field, or an option set's block of choices, which are its
// node's descendants once the links are rebuilt.
int64_t itemWidth(const FieldRecord& f, int32_t index, const NodeTree* tree)
{
    int64_t width = std::max<int64_t>(1, f.iFieldLength);
    if (f.lControl != ControlKind::OptionSet)
        return width;
    const TreeNode* set = tree ? tree->node(gsFieldKey(index)) : nullptr;
    int64_t choices = 0;
    for (const TreeNode* c = set ? NodeTree::nextDepthFirst(set, set) : nullptr; c;
         c = NodeTree::nextDepthFirst(c, set)) {
        const int32_t k = c->keyNumber();
        if (c->keyLetter() != u'g' && k >= 1 && size_t(k) < gaFields.size())
            choices += fieldSpan(gaFields[size_t(k)]);
    }
    return std::max(width, choices);
}

// What a paste needs to know of the form's fields, read in one pass over them: the
// free slots (rising), the fields in use, the order numbers in use (the id map's too)
// and the reach of the fields.
struct FieldCensus {
    std::vector<int32_t> freeSlots;
    int32_t live = 0;
    std::vector<bool> usedNumbers = std::vector<bool>(size_t(std::numeric_limits<int16_t>::max()) + 1, false);
    Reach reach;
};

FieldCensus takeCensus()
{
    FieldCensus c;
    const NodeTree* tree = gMainTree();
    for (size_t i = 1; i < gaIdMap.size(); ++i)
        if (gaIdMap[i].nOmod > 0)
            c.usedNumbers[size_t(gaIdMap[i].nOmod)] = true;
    const auto slots = int32_t(gaFields.size());
    const int32_t counted = gnFieldCount;
    for (int32_t i = 1; i < slots; ++i) {
        const FieldRecord& f = gaFields[size_t(i)];
        if (i > counted || f.lFieldId == -1) {
            c.freeSlots.push_back(i);
            continue;
        }
        ++c.live;
        if (f.nOmod > 0)
            c.usedNumbers[size_t(f.nOmod)] = true;
        if (f.lFieldId <= 0)
            continue;
        ++c.reach.fields;
        c.reach.rows += fieldRows(f);
        // Only an option set's item is wider than its field.
        c.reach.widest = std::max(c.reach.widest, f.lControl == ControlKind::OptionSet
                                                      ? itemWidth(f, i, tree)
                                                      : std::max<int64_t>(1, f.iFieldLength));
    }
    for (const GroupRecord& g : gaGroups)
        if (g.Grpi != -1 && g.bShowGroupBox)
            c.reach.rows += 2;
    return c;
}

// Enough free slots that taking them leaves the user a slot and the groups' reserve:
// a paste never runs the form out of resources halfway.
bool roomFor(const StructureText& s, const FieldCensus& census, QString& why)
{
    const int32_t fields = int32_t(s.fields.size());
    if (!gbRoomForFields(fields, census.live)) {
        why.clear();
        return false;
    }
    const auto freeFields = int32_t(census.freeSlots.size());
    if (fields > 0 && fields >= freeFields) {
        why = QStringLiteral("it holds %1 fields and the form has room for %2 more")
                  .arg(fields)
                  .arg(std::max(0, freeFields - 1));
        return false;
    }
    const int32_t groups = int32_t(s.groups.size());
    const int32_t taken = groups + virtualGroupsOf(s);
    int32_t used = 0;
    gbEnoughFreeGroups(SlotKind::Group, used);
    const auto free = int32_t(std::count_if(gaGroups.begin() + std::min<ptrdiff_t>(1, ptrdiff_t(gaGroups.size())),
                                            gaGroups.end(), [](const GroupRecord& g) { return g.Grpi == -1; }));
    if (groups > 0 && free - taken <= used + groups) {
        why = QStringLiteral("it holds %1 groups and the form has too few free group slots for them").arg(groups);
        return false;
    }
    return true;
}

// ---- Taking records and giving them back -----------------------------------------------------

// What a paste may change, as it was before; restored when the paste fails after it
// took records: the id map and counts, the groups unless it adds none (a group added
// counts in its parent, a new one may grow the array; fields change no group), and the
// fields of the given slots. Only the slots it takes are changed, unless the form is
// laid out, which moves every field: then all fields are kept (no slots given).
class Snapshot {
public:
    Snapshot(std::optional<std::vector<int32_t>> fieldSlots, bool groups)
        : m_idMap(gaIdMap), m_slots(std::move(fieldSlots)), m_fieldCount(gnFieldCount),
          m_outOfResources(gbOutOfResources), m_recomputeLinks(gbRecomputeLinks), m_formChanged(gbFormChanged)
    {
        if (groups)
            m_groups = gaGroups;
        if (!m_slots) {
            m_fields = gaFields;
            return;
        }
        m_fields.reserve(m_slots->size());
        for (const int32_t i : *m_slots)
            m_fields.push_back(gaFields[size_t(i)]);
    }

    void restore() const
    {
        if (m_groups)
            gaGroups = *m_groups;
        if (m_slots) {
            for (size_t k = 0; k < m_slots->size(); ++k)
                gaFields[size_t((*m_slots)[k])] = m_fields[k];
        } else {
            gaFields = m_fields;
        }
        gaIdMap = m_idMap;
        gnFieldCount = m_fieldCount;
        gbOutOfResources = m_outOfResources;
        gbRecomputeLinks = m_recomputeLinks;
        gbFormChanged = m_formChanged;
    }

private:
    std::optional<std::vector<GroupRecord>> m_groups;
    std::vector<FieldRecord> m_fields;
    std::vector<IdMapEntry> m_idMap;
    std::optional<std::vector<int32_t>> m_slots;
    int16_t m_fieldCount;
    bool m_outOfResources;
    bool m_recomputeLinks;
    bool m_formChanged;
};

// The slots a paste took for the staged groups and fields, in their order.
struct Taken {
    std::vector<int32_t> groups;
    std::vector<int32_t> fields;
};

// Order numbers no field uses, for the new fields until the links are made: the fill
// finds a field through its number.
std::vector<int16_t> unusedOrderNumbers(size_t count, const FieldCensus& census)
{
    std::vector<int16_t> numbers;
    numbers.reserve(count);
    for (size_t n = 1; n < census.usedNumbers.size() && numbers.size() < count; ++n)
        if (!census.usedNumbers[n])
            numbers.push_back(int16_t(n));
    return numbers;
}

// Takes the free slots of the census from the lowest on: the first of them are
// expectedFields.
bool takeRecords(const StructureText& s, const FieldCensus& census, const std::vector<int32_t>& expectedFields,
                 Taken& t)
{
    const std::vector<int16_t> orders = unusedOrderNumbers(s.fields.size(), census);
    if (orders.size() < s.fields.size())
        return false;
    const FieldSlotBatch batch(census.freeSlots, census.live);
    for (size_t j = 0; j < s.groups.size(); ++j) {
        QString key;
        const int32_t g = glNewItem(SlotKind::Group, key);
        if (g < 1)
            return false;
        t.groups.push_back(g);
        gCopyStructureMembers(gaGroups[size_t(g)], s.groups[j]);
    }
    std::vector<IdMapEntry> entries;
    entries.reserve(s.fields.size());
    for (size_t j = 0; j < s.fields.size(); ++j) {
        QString key;
        const bool picture = s.fields[j].lControl == ControlKind::Picture;
        const int32_t f = glNewItem(picture ? SlotKind::Picture : SlotKind::Field, key);
        if (f < 1)
            return false;
        t.fields.push_back(f);
        Q_ASSERT(f == expectedFields[j]);  // the snapshot keeps these slots
        FieldRecord& field = gaFields[size_t(f)];
        gCopyStructureMembers(field, s.fields[j]);
        field.nOmod = orders[j];
        if (!field.sDomainPackage.isEmpty())
            field.nDomainIndex = giFindOrAddDomain(field.sDomainPackage + field.sDomainCode);
        entries.push_back({field.nOmod, f, false});
    }
    // In front, so that the fill finds the new fields at once.
    if (gaIdMap.empty())
        gaIdMap.resize(1);
    gaIdMap.insert(gaIdMap.begin() + 1, entries.begin(), entries.end());
    // Alignment groups inside the copy follow it to their new slots.
    for (size_t j = 0; j < s.groups.size(); ++j) {
        const int16_t a = s.alignment[j];
        GroupRecord& g = gaGroups[size_t(t.groups[j])];
        g.lAlignmentGroupId = a < 0 ? int16_t(-t.groups[j]) : a == 0 ? int16_t(0) : int16_t(t.groups[size_t(a - 1)]);
    }
    return true;
}

// ---- Links as a loaded form has them, for the fill procedures ----------------------------

class Linker {
public:
    Linker(const StructureText& s, Taken& t) : m_s(s), m_t(t) {}

    GroupRecord& group(int32_t node) { return gaGroups[size_t(m_t.groups[size_t(m_s.nodes[size_t(node)].record)])]; }
    FieldRecord& field(int32_t node) { return gaFields[size_t(m_t.fields[size_t(m_s.nodes[size_t(node)].record)])]; }

    // The children of a group: subgroups chained, fields chained by runs; a group that
    // holds both keeps each run of fields in a virtual group of its own.
    bool linkGroup(int32_t node)
    {
        const StagedNode& n = m_s.nodes[size_t(node)];
        const int16_t grpi = group(node).Grpi;
        const auto groupChild = [&](int32_t c) { return isGroup(c); };
        const bool hasGroups = std::any_of(n.children.begin(), n.children.end(), groupChild);
        const bool hasFields = !std::all_of(n.children.begin(), n.children.end(), groupChild);
        const bool mixed = hasGroups && hasFields;
        int16_t previousGroup = 0;  // Grpi of the sibling group linked last
        int32_t previousField = -1;
        for (const int32_t c : n.children) {
            if (isGroup(c)) {
                chainGroup(grpi, previousGroup, group(c));
                previousGroup = group(c).Grpi;
                previousField = -1;
                if (!linkGroup(c))
                    return false;
                continue;
            }
            FieldRecord& f = field(c);
            if (previousField >= 0) {
                f.Grpi = field(previousField).Grpi;
                field(previousField).lNextField = f.nOmod;
            } else if (mixed) {
                QString key;
                const int32_t v = glNewItem(SlotKind::Group, key);
                if (v < 1)
                    return false;
                GroupRecord& run = gaGroups[size_t(v)];
                run.bVirtualGroup = true;
                run.lFirstField = f.nOmod;
                chainGroup(grpi, previousGroup, run);
                previousGroup = run.Grpi;
                f.Grpi = run.Grpi;
            } else {
                group(node).lFirstField = f.nOmod;
                f.Grpi = grpi;
            }
            linkFollowUps(c);
            previousField = c;
        }
        return true;
    }

    void linkFollowUps(int32_t node)
    {
        const StagedNode& n = m_s.nodes[size_t(node)];
        int32_t previous = -1;
        for (const int32_t c : n.children) {
            FieldRecord& f = field(c);
            f.lParentField = field(node).nOmod;
            f.bFollowUp = true;
            f.Grpi = field(node).Grpi;
            if (previous < 0)
                field(node).lChildField = f.nOmod;
            else
                field(previous).lNextField = f.nOmod;
            linkFollowUps(c);
            previous = c;
        }
    }

private:
    bool isGroup(int32_t node) const { return m_s.nodes[size_t(node)].group; }

    void chainGroup(int16_t parentGrpi, int16_t previousGrpi, GroupRecord& g)
    {
        g.lParentGroup = parentGrpi;
        g.lPreviousGroup = previousGrpi;
        if (previousGrpi > 0)
            gaGroups[size_t(previousGrpi - 1)].lNextGroup = g.Grpi;
        else
            gaGroups[size_t(parentGrpi - 1)].lChildGroup = g.Grpi;
    }

    const StructureText& m_s;
    Taken& m_t;
};

// The top node's links to the place: a field gets the group it goes into, and after a
// selected field it names that field as its parent, which the paste procedure reads as
// "right after it".
void linkTop(const StructureText& s, const Taken& t, const TreeNode* place)
{
    if (s.nodes[0].group)
        return;
    FieldRecord& top = gaFields[size_t(t.fields[0])];
    if (isGroupNode(place)) {
        top.Grpi = int16_t(place->keyNumber() + 1);
        return;
    }
    const FieldRecord& after = gaFields[size_t(place->keyNumber())];
    top.Grpi = after.Grpi;
    top.lParentField = after.nOmod;
}

QString keyOf(const StructureText& s, const Taken& t, size_t node)
{
    const StagedNode& n = s.nodes[node];
    return n.group ? gsGroupKey(t.groups[size_t(n.record)]) : gsFieldKey(t.fields[size_t(n.record)]);
}

// Every staged node has its node, with exactly its children in order, and the top
// stands under the node the place gives.
bool placedAsStaged(const StructureText& s, const Taken& t, const TreeNode* place, const NodeTree& tree)
{
    std::vector<const TreeNode*> nodes(s.nodes.size(), nullptr);
    for (size_t i = 0; i < s.nodes.size(); ++i)
        if (!(nodes[i] = tree.node(keyOf(s, t, i))))
            return false;
    for (size_t i = 0; i < s.nodes.size(); ++i) {
        const TreeNode* c = nodes[i]->child();
        for (const int32_t k : s.nodes[i].children) {
            if (c != nodes[size_t(k)])
                return false;
            c = c->next();
        }
        if (c)
            return false;
    }
    const TreeNode* expected = nullptr;
    if (isRoot(place))
        expected = place;
    else if (s.nodes[0].group)
        expected = isGroupNode(place) ? place->parent() : groupNodeOf(place);
    else
        expected = isGroupNode(place) ? place : place->parent();
    return nodes[0]->parent() == expected;
}

void removeNodes(const StructureText& s, const Taken& t, NodeTree& tree)
{
    for (size_t i = 0; i < s.nodes.size(); ++i)
        tree.remove(keyOf(s, t, i));
}

// ---- Values the host can keep ------------------------------------------------------------------

// What the layout writes of a field.
struct Placement {
    int16_t x, y, label, end, column;
    bool operator==(const Placement&) const = default;
};

Placement placementOf(const FieldRecord& f)
{
    return {f.iFieldXPos, f.iFieldYPos, f.nLabelXPos, f.nFieldEndPos, f.iColumnId};
}

void place(FieldRecord& f, const Placement& p)
{
    f.iFieldXPos = p.x;
    f.iFieldYPos = p.y;
    f.nLabelXPos = p.label;
    f.nFieldEndPos = p.end;
    f.iColumnId = p.column;
}

// The form laid out as it stands: where each field slot is placed.
std::vector<Placement> laidOut()
{
    gCalculateAlignment();
    std::vector<Placement> out;
    out.reserve(gaFields.size());
    for (const FieldRecord& f : gaFields)
        out.push_back(placementOf(f));
    return out;
}

int16_t clampedPosition(int64_t v) { return int16_t(std::min<int64_t>(v, std::numeric_limits<int16_t>::max())); }

// The furthest any position can lie when the form is laid out, from the reach of its
// records. No position is negative, and by the rules of the layout:
// - a field starts at kMaxFieldXPos at the furthest (what lies beyond is moved back
//   onto it), and its left or upper label no further right;
// - its end lies its item's width less one further, a right label two further; an item
//   is as wide as its field, an option set at most as wide as the fields and labels of
//   all its choices side by side, each with blanks before and after its label and after
//   its field;
// - a row is no higher than the fields on it stacked with their labels above and
//   beside, an option set no higher than itself and its choices stacked, a group frame
//   adds a row above and below, so no field starts below all of these stacked;
// - a field's column is at most the number of lines of its group, each a field.
// Records added below one node add their rows, fields and frames; the items they can
// widen are their own and the option sets above that node, whose choices they are.
Placement furthestPlacement(const Reach& r)
{
    const int64_t end = kMaxFieldXPos + r.widest - 1;
    return {kMaxFieldXPos, clampedPosition(r.rows), clampedPosition(end + 2), clampedPosition(end),
            clampedPosition(r.fields)};
}

// True when a position no further than reach might not fit its column: the store's
// check of a blank record placed there and at the start (values added to check).
bool positionsMayNotFit(FitCheck& check, const Placement& reach)
{
    FieldRecord probe;
    const size_t from = check.values().size();
    check.field(probe, FitRows::All);
    const size_t atStart = check.values().size() - from;
    place(probe, reach);
    const size_t further = check.values().size();
    check.field(probe, FitRows::All);
    return check.values().size() - further > atStart;
}

// The values the paste brings that the host could not keep, with the form laid out
// with it: every value of the new records, and each position of another field that the
// new records move to where its column cannot hold it (a position that did not fit
// before the paste is not the paste's).
std::vector<UnfitValue> unfitAfterPaste(const Taken& t, const std::vector<Placement>& before)
{
    const std::vector<Placement> after = laidOut();
    FitCheck check;
    for (const int32_t g : t.groups)
        check.group(g);
    std::vector<bool> pasted(gaFields.size(), false);
    for (const int32_t f : t.fields) {
        pasted[size_t(f)] = true;
        check.field(gaFields[size_t(f)], FitRows::All);
    }
    std::vector<UnfitValue> out = check.values();
    for (size_t i = 1; i < gaFields.size() && i < before.size(); ++i) {
        const FieldRecord& f = gaFields[i];
        if (pasted[i] || f.lFieldId == -1 || after[i] == before[i])
            continue;
        const size_t now = check.values().size();
        check.field(f, FitRows::All);
        if (check.values().size() == now)
            continue;
        FieldRecord was = f;
        place(was, before[i]);
        const size_t then = check.values().size();
        check.field(was, FitRows::All);
        const std::vector<UnfitValue>& v = check.values();
        for (size_t n = now; n < then; ++n) {
            const auto same = [&](const UnfitValue& u) { return u.table == v[n].table && u.column == v[n].column; };
            if (std::none_of(v.begin() + ptrdiff_t(then), v.end(), same))
                out.push_back(v[n]);
        }
    }
    return out;
}

// The values of the new records the host could not keep, when the reach of the form's
// positions shows that no position can leave its column: the form is not laid out.
// Otherwise no value: the caller lays the form out.
std::optional<std::vector<UnfitValue>> unfitValuesOnly(const Taken& t, const Reach& before, const NodeTree& tree,
                                                        const TreeNode* top)
{
    FitCheck check;
    Reach reach = before;
    for (const int32_t g : t.groups) {
        check.group(g);
        reach.rows += gaGroups[size_t(g)].bShowGroupBox ? 2 : 0;
    }
    for (const int32_t i : t.fields) {
        const FieldRecord& f = gaFields[size_t(i)];
        check.field(f, FitRows::All);
        ++reach.fields;
        reach.rows += fieldRows(f);
        reach.widest = std::max(reach.widest, itemWidth(f, i, &tree));
    }
    for (const TreeNode* n = top ? top->parent() : nullptr; n && n->keyLetter() != u'g'; n = n->parent())
        if (const int32_t i = n->keyNumber(); i >= 1 && size_t(i) < gaFields.size())
            reach.widest = std::max(reach.widest, itemWidth(gaFields[size_t(i)], i, &tree));
    std::vector<UnfitValue> out = check.values();
    if (positionsMayNotFit(check, furthestPlacement(reach)))
        return std::nullopt;
    return out;
}

// Labels, domains, enums and the main table's data of the new records, from the host
// of the form they went into; the form's other records stay as they are.
void fetchTexts(const Taken& t)
{
    gLoadTableFieldData(t.fields);
    gLoadDomains(t.fields);
    gLoadEnums();
    gLoadFieldLabels(1, true, t.fields);
    if (!t.groups.empty())
        gLoadGroupLabels(t.groups);
}

bool saveFile(const QString& path, const QByteArray& data, QString& why)
{
    // Unbuffered: a buffered write that fails at the commit's flush (a full disk) would
    // still rename the cut-off file into place.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(data) == data.size() && file.commit())
        return true;
    why = QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
}

bool writeDebugFile(const QString& text, QString& why)
{
    if (gsBaseDir.isEmpty()) {
        why = QStringLiteral("the editor has no base folder");
        return false;
    }
    if (!QDir().mkpath(gsDebugFolder())) {
        why = QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(gsDebugFolder()));
        return false;
    }
    if (!gbXslWritten) {
        if (!saveFile(QDir(gsDebugFolder()).filePath(kXslName), QByteArray(kXsl), why))
            return false;
        gbXslWritten = true;
    }
    if (!saveFile(gsDebugFile(gnCopyFileNr + 1), text.toUtf8(), why))
        return false;
    ++gnCopyFileNr;
    return true;
}

enum class Try { Pasted, Refused, NeedsLayout };

// Takes records for the staged structure, links them and places their nodes at node,
// then asks whether the host can keep what was added. With layOut the form is laid
// out before and after; without, the reach of the positions decides, and a reach that
// could leave a column gives everything back for a try with layOut. A refusal gives
// back every record and node and tells why.
Try tryPaste(TreeNode* node, NodeTree& tree, const StructureText& s, const FieldCensus& counted, bool layOut)
{
    const size_t wanted = std::min(s.fields.size(), counted.freeSlots.size());
    const std::vector<int32_t> slots(counted.freeSlots.begin(), counted.freeSlots.begin() + ptrdiff_t(wanted));
    const bool linksCurrent = gbLinksCurrent();
    const Snapshot before(layOut ? std::nullopt : std::optional(slots), layOut || !s.groups.empty());
    const std::vector<Placement> placedBefore = layOut ? laidOut() : std::vector<Placement>();
    // The layout's link rebuild may have numbered fields afresh.
    const std::optional<FieldCensus> recounted = layOut ? std::optional(takeCensus()) : std::nullopt;
    const FieldCensus& census = recounted ? *recounted : counted;
    Taken t;
    Linker linker(s, t);
    bool ok = takeRecords(s, census, slots, t);
    if (ok && s.nodes[0].group)
        ok = linker.linkGroup(0);
    else if (ok)
        linker.linkFollowUps(0);
    TreeHiddenForPaste hidden;
    const auto giveBack = [&] {
        before.restore();
        tree.setSelectedItem(node);
        tree.setDropHighlight(node);
        hidden.restore();
    };
    const auto refuse = [&](const QString& why) {
        giveBack();
        platform::setMousePointer(platform::Pointer::Default);
        refusePaste(why);
        return Try::Refused;
    };
    bool placed = false;
    if (ok) {
        linkTop(s, t, node);
        fetchTexts(t);
        tree.setSelectedItem(node);
        if (s.nodes[0].group)
            g_target.mPasteGroups(t.groups[0]);
        else
            g_target.mPasteFields(t.fields[0], false);
        placed = placedAsStaged(s, t, node, tree);
        if (!placed)
            removeNodes(s, t, tree);
    }
    if (!placed)
        return refuse(ok ? QStringLiteral("its nodes could not be placed in the tree; nothing was changed")
                         : QStringLiteral("no record could be taken for it; nothing was changed"));

    // The next link rebuild numbers the new fields as new ones.
    for (const int32_t f : t.fields)
        gaFields[size_t(f)].nOmod = 0;
    const std::optional<std::vector<UnfitValue>> unfit =
        layOut ? std::optional(unfitAfterPaste(t, placedBefore))
               : unfitValuesOnly(t, census.reach, tree, tree.node(keyOf(s, t, 0)));
    if (!unfit) {
        removeNodes(s, t, tree);
        giveBack();
        return Try::NeedsLayout;
    }
    if (!unfit->empty()) {
        removeNodes(s, t, tree);
        if (unfit->size() > size_t(kShownUnfitValues))
            gWriteLog(gsUnfitValuesText(*unfit, unfit->size()));
        return refuse(gsUnfitValuesText(*unfit));
    }
    // The layout rebuilt the links; without it the new nodes are linked here.
    if (!layOut)
        gLinkAddedNodes(tree.node(keyOf(s, t, 0)), linksCurrent);
    hidden.restore();
    return Try::Pasted;
}

} // namespace

void gSetPasteTarget(PasteTarget target) { g_target = std::move(target); }

bool gCopyStructure(const TreeNode* node, bool bToClipboard)
{
    QString text;
    QString why;
    if (!gbWriteStructure(node, bToClipboard ? QString() : kXslName, text, why)) {
        tell(NotCopied, why);
        return false;
    }
    if (bToClipboard) {
        platform::clipboard().setText(text);
        gWriteLog(QStringLiteral("Structure of '") + node->text().trimmed() + QStringLiteral("' copied"));
        return true;
    }
    if (!writeDebugFile(text, why)) {
        tell(DebugNotWritten, why);
        return false;
    }
    return true;
}

namespace {

bool checkPaste(const TreeNode* node, const QString& text, StructureText& s, const FieldCensus& census, QString& why)
{
    if (!node || !g_target.bIsFollowUpPlaceAllowed) {
        why = QStringLiteral("there is no place selected to paste it at");
        return false;
    }
    return gbReadStructure(text, g_target.maxGroupLevel, s, why) && placeAllowed(node, s, why)
           && roomFor(s, census, why);
}

} // namespace

bool gbCheckPaste(const TreeNode* node, const QString& text, StructureText& s, QString& why)
{
    return checkPaste(node, text, s, takeCensus(), why);
}

bool gPasteStructure(TreeNode* node)
{
    NodeTree* tree = gMainTree();
    if (gsOpenMode == "r")
        return refusePaste(QStringLiteral("the form is open read-only"));
    if (!tree || !node || !tree->owns(node) || !g_target.mPasteGroups || !g_target.mPasteFields
        || !g_target.bIsFollowUpPlaceAllowed || !g_target.showTree)
        return refusePaste(QStringLiteral("there is no place selected to paste it at"));

    StructureText s;
    QString why;
    FieldCensus census = takeCensus();
    if (!checkPaste(node, platform::clipboard().text(), s, census, why))
        return refusePaste(why);

    // A field pasted after a field finds it by its order number: a field inserted since
    // the last rebuild has none yet.
    if (!isGroupNode(node) && gvIndexOfId(gaFields[size_t(node->keyNumber())].nOmod) != node->keyNumber()) {
        gRebuildPointers();
        census = takeCensus();
    }

    platform::setMousePointer(platform::Pointer::Hourglass);
    Try outcome = tryPaste(node, *tree, s, census, false);
    if (outcome == Try::NeedsLayout)
        outcome = tryPaste(node, *tree, s, census, true);
    if (outcome != Try::Pasted)
        return false;
    gbFormChanged = true;
    platform::setMousePointer(platform::Pointer::Default);
    gWriteLog(QStringLiteral("Structure of form '%1' pasted: %2 groups, %3 fields")
                  .arg(s.key306.simplified())
                  .arg(s.groups.size())
                  .arg(s.fields.size()));
    return true;
}

bool gbClipboardHasStructure() { return gbIsStructureText(platform::clipboard().text()); }

bool gbShowDebugView(const TreeNode* node)
{
    if (!gCopyStructure(node, false))
        return false;
    const QString file = gsDebugFile(gnCopyFileNr);
    if (platform::fileViewer().openFile(file))
        return true;
    tell(DebugNotOpened, QDir::toNativeSeparators(file));
    return false;
}

QString gsDebugFolder() { return QDir(gsBaseDir).filePath(QStringLiteral("tmp")); }

QString gsDebugFile(int32_t nr) { return QDir(gsDebugFolder()).filePath(QStringLiteral("plm%1.xml").arg(nr)); }

void gRemoveDebugFiles()
{
    if (!gbXslWritten)
        return;
    if (!gsBaseDir.isEmpty()) {
        const QDir folder(gsDebugFolder());
        QFile::remove(folder.filePath(kXslName));
        // Only the files the debug view writes: "plm", a number, ".xml".
        static const QRegularExpression numbered(QStringLiteral("^plm[0-9]+\\.xml$"));
        const QStringList names =
            folder.entryList({QStringLiteral("plm*.xml")}, QDir::Files | QDir::System | QDir::Hidden);
        for (const QString& name : names)
            if (numbered.match(name).hasMatch())
                QFile::remove(folder.filePath(name));
    }
    gbXslWritten = false;
}

void resetStructureExchange()
{
    g_target = PasteTarget{};
    gbXslWritten = false;
    gnCopyFileNr = 0;
}
