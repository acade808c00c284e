// The main window's tree: filling it from the records, the node of an existing
// record, subgroup placement, and the order and move primitives.
#include "frm_Palimor.h"

#include "mod_DataSets.h"
#include "mod_Enumerate.h"
#include "mod_External.h"
#include "mod_VrokGlobal.h"
#include "NodeTreeWidget.h"
#include "NodeTree.h"
#include "mod_DesignDefinitions.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Records.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "mod_Global.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <vector>

namespace {

int32_t indexOfKey(const QString& key) { return key.mid(2).toInt(); }

bool isGroupIndex(int32_t g) { return g >= 0 && size_t(g) < gaGroups.size(); }
bool isFieldIndex(int32_t f) { return f >= 1 && size_t(f) < gaFields.size(); }

// The id map read once for the whole fill of the tree, which changes nothing of it.
const IdIndex* g_fillIds = nullptr;

// The gaFields index of an order number; 0 when the id map has none.
int32_t fieldOfOrder(int16_t nOmod)
{
    return (g_fillIds ? (*g_fillIds)(nOmod) : gvIndexOfId(nOmod)).value_or(0);
}

bool isUnattended() { return gsOpenMode == "a" || gsOpenMode == "i"; }

// Records the walks of one fill have visited, so that links that run in a circle
// end the walk instead of the program.
struct FillVisits {
    std::vector<bool> groups;
    std::vector<bool> fields;
    int depth = 0;
};
FillVisits g_visits;

class FillScope {
public:
    FillScope()
    {
        if (g_visits.depth++ == 0) {
            g_visits.groups.assign(gaGroups.size(), false);
            g_visits.fields.assign(gaFields.size(), false);
        }
    }
    ~FillScope() { --g_visits.depth; }
    FillScope(const FillScope&) = delete;
    FillScope& operator=(const FillScope&) = delete;
};

// True the first time the group (field) is met in the current fill.
bool firstVisit(std::vector<bool>& seen, int32_t index)
{
    if (index < 0)
        return false;
    if (size_t(index) >= seen.size())
        seen.resize(size_t(index) + 1, false);
    if (seen[size_t(index)])
        return false;
    seen[size_t(index)] = true;
    return true;
}

} // namespace

// ---- Nodes of existing records -------------------------------------------------------------

bool frm_Palimor::bGroupHasCommand(int32_t g) const
{
    const int32_t kind = glFindByKey(gaEnumCommandType, g == 0 ? QStringLiteral("session") : QStringLiteral("group"));
    for (size_t j = 1; j < gaSpecificCommands.size(); ++j) {
        const SpecificCommandRecord& c = gaSpecificCommands[j];
        if (c.nSpecificCommandId > -1 && c.lLinkId != -1 && c.nCommandType == kind && (g == 0 || c.Grpi == g))
            return true;
    }
    return false;
}

QString frm_Palimor::fieldImage(int32_t index) const
{
    Q_ASSERT(isFieldIndex(index));
    const FieldRecord& f = gaFields[size_t(index)];
    QString image;
    if (f.sDomainPackage.trimmed().isEmpty())
        image = QStringLiteral("label");
    else if (!f.bIsTableField)
        image = QStringLiteral("ntfield");
    else if (f.bTableRef)
        image = QStringLiteral("reffield");
    else
        image = QStringLiteral("tablefield");
    if (gbFieldHasCommand(index))
        image += QStringLiteral("button");
    return image;
}

bool frm_Palimor::insertFieldNode(int32_t index, bool picture, bool before)
{
    if (!isFieldIndex(index) || gaFields[size_t(index)].lFieldId == -1)
        return false;
    FieldRecord& f = gaFields[size_t(index)];
    if (!picture)
        f.iTableFieldIndex = 0;
    const QString key = (picture ? QStringLiteral("p_") : QStringLiteral("f_")) + QString::number(index);
    const QString text = msFieldProps(index, QString());
    const QString image = picture ? QStringLiteral("picture") : fieldImage(index);

    TreeNode* selected = m_tree->selectedItem();
    TreeNode* node = nullptr;
    if (before) {
        node = m_tree->add(selected, Relationship::Previous, key, text, image);
    } else if (selected && gbIsFieldKey(selected->key())) {
        node = m_tree->add(selected, Relationship::Next, key, text, image);
    } else {
        node = m_tree->add(selected, Relationship::Child, key, text, image);
        if (node && selected)
            m_tree->setExpanded(selected, true);
    }
    if (!node)
        return false;
    goLastNode = node;
    f.sNodeKey = key;
    m_tree->setSelectedItem(node);
    m_tree->setDropHighlight(node);
    if (gbLogging)
        gWriteLog((picture ? QStringLiteral("Picture '") : QStringLiteral("Field '")) + text.trimmed()
                  + QStringLiteral("' Inserted into Tree"));
    return true;
}

namespace {

constexpr int32_t kNewRecord = -1;
constexpr int32_t kNewSelectionField = -2;

// A new field (a selection field of table) or picture record with its defaults and
// change marks; -1 when there is no slot for it.
int32_t newFieldRecord(bool picture, bool selection, const QString& table)
{
    QString key;
    const int32_t index = glNewItem(picture ? SlotKind::Picture : SlotKind::Field, key);
    if (index < 1)
        return -1;
    Q_ASSERT(size_t(index) < gaFields.size());  // a slot glNewItem handed out
    FieldRecord& f = gaFields[size_t(index)];
    if (picture) {
        f.sFieldName = QStringLiteral("picture.field");
    } else if (selection) {
        f.sFieldName = QStringLiteral("sel.use.") + table;
        f.sDomainPackage = QStringLiteral("qx");
        f.sDomainCode = QStringLiteral("stpselection");
        f.nDomainIndex = giFindOrAddDomain(f.sDomainPackage + f.sDomainCode);
        f.lFieldType = 2;
        f.lControl = ControlKind::OptionSet;
        f.bDefault = true;
        f.sDefaultValue = f.sDomainPackage + f.sDomainCode + QStringLiteral(".custom");
    } else {
        f.sFieldName = QStringLiteral("label.only");
    }
    f.iFieldXPos = f.iFieldYPos = 1;
    f.bLinkDisplFormatToDomain = f.bLinkMaxDisplLenToDomain = f.bLinkMaxInpLenToDomain = true;
    f.iMinInpLen = f.iMaxDispLen = f.iMaxInpLen = 0;
    f.iLabelLengthMO = f.iLabelLengthSO;
    f.iLabelHeightMO = f.iLabelHeightSO;
    f.sLabelDescMO = f.sLabelDescSO;
    f.lCommandIndex = -1;
    f.bIsTableField = false;
    f.bChanged = f.bChanged301 = f.bChanged308 = true;
    // A default value lives in the input-property row, which is written only when marked.
    f.bChanged302 = !f.sDefaultValue.isEmpty();
    gbFormChanged = true;
    gWriteLog(QLatin1Char('\'') + f.sFieldName
              + (picture ? QStringLiteral("' : New Picture") : QStringLiteral("' : New Field")));
    return index;
}

// A record just made that got no node is free again.
void giveBackField(int32_t index)
{
    Q_ASSERT(index >= 1 && size_t(index) < gaFields.size());
    FieldRecord& f = gaFields[size_t(index)];
    f.lFieldId = -1;
    f.bChanged = f.bChanged301 = f.bChanged302 = f.bChanged308 = false;
}

} // namespace

bool frm_Palimor::mbInsertField(int32_t& index, const QString& name)
{
    if (index == kNewRecord || index == kNewSelectionField) {
        const bool selection = index == kNewSelectionField;
        const TreeNode* selected = m_tree->selectedItem();
        // A new node needs a place: beside or below the selection, and a selection
        // field stands before its group, which is never the form itself.
        if (!selected || (selection && !selected->parent()))
            return false;
        const int32_t made = newFieldRecord(false, selection, name);
        if (made < 0)
            return false;
        index = made;
        if (insertFieldNode(made, false, selection))
            return true;
        giveBackField(made);
        return false;
    }
    return insertFieldNode(index, isFieldIndex(index) && gaFields[size_t(index)].lControl == ControlKind::Picture);
}

bool frm_Palimor::mbInsertPicture(int32_t& index)
{
    if (index == kNewRecord) {
        if (!m_tree->selectedItem())
            return false;
        const int32_t made = newFieldRecord(true, false, QString());
        if (made < 0)
            return false;
        index = made;
        if (insertFieldNode(made, true))
            return true;
        giveBackField(made);
        return false;
    }
    return insertFieldNode(index, true);
}

bool frm_Palimor::mbInsertGroup(int32_t& index)
{
    if (index == kNewRecord) {
        const bool root = m_tree->isEmpty();
        if (!root && !m_tree->selectedItem())
            return false;
        QString key = root ? QStringLiteral("0") : QString();
        const int32_t made = glNewItem(SlotKind::Group, key);
        if (made < 0 || !isGroupIndex(made))
            return false;
        GroupRecord& g = gaGroups[size_t(made)];
        // The host knows label codes at the full width of its column; the record keeps
        // the code as it is.
        const int32_t width = glFieldLength(QStringLiteral("qxzrn422"), QStringLiteral("clab"));
        const QString code = g.sLabelCode.leftJustified(width);
        QString tab;
        QString frame;
        if (gbGetGroupLabels(gsPackage, code, tab, frame)) {
            g.sTabDesc = tab;
            g.sFrameDesc = frame;
        }
        if (!g.bExistsInHost)
            g.sFrameDesc.clear();
        g.bChanged = true;
        gbFormChanged = true;
        index = made;
        if (mbInsertGroup(index))
            return true;
        // No node for it: the slot is free again.
        g.Grpi = -1;
        g.bChanged = false;
        return false;
    }
    if (!isGroupIndex(index) || gaGroups[size_t(index)].Grpi == -1)
        return false;
    GroupRecord& g = gaGroups[size_t(index)];
    const QString key = gsGroupKey(index);
    const QString button = bGroupHasCommand(index) ? QStringLiteral("button") : QString();
    TreeNode* node = nullptr;

    if (m_tree->isEmpty()) {
        const QString text = gsPackage + gsModule + gsFormCode;
        g.sFrameDesc = text;
        g.sTabDesc = text;
        node = m_tree->add(key, text, QStringLiteral("session3") + button);
        if (!node)
            return false;
        m_tree->setSelectedItem(node);
        m_tree->setExpanded(node, true);
    } else {
        const QString text = msGroupProps(int16_t(index));
        const QString image = QStringLiteral("group") + button;
        TreeNode* selected = m_tree->selectedItem();
        if (!selected)
            return false;
        if (!selected->parent()) {
            node = m_tree->add(selected, Relationship::Child, key, text, image);
            if (!node)
                return false;
            // The form's own level holds its version mark (below 0): its groups are level 1.
            const int32_t root = indexOfKey(selected->key());
            const int16_t rootLevel = isGroupIndex(root) ? gaGroups[size_t(root)].lGroupLevel : int16_t(0);
            g.lGroupLevel = int16_t(std::max<int16_t>(rootLevel, 0) + 1);
        } else {
            const bool fromField = gbIsFieldKey(selected->key());
            while (selected->parent() && gbIsFieldKey(selected->key())) {
                m_tree->setSelectedItem(selected);
                if (!gbIsFieldKey(selected->parent()->key()))
                    break;
                selected = selected->parent();
            }
            node = m_tree->add(selected, Relationship::Next, key, text, image);
            if (!node)
                return false;
            auto levelOf = [](const TreeNode* n) -> int16_t {
                const int32_t i = n ? indexOfKey(n->key()) : -1;
                return isGroupIndex(i) ? std::max<int16_t>(gaGroups[size_t(i)].lGroupLevel, 0) : int16_t(0);
            };
            // Beside the selected group, or one level below the group of the selected field.
            g.lGroupLevel = fromField ? int16_t(levelOf(node->parent()) + 1) : levelOf(selected);
        }
        // The group that really holds the new node counts it, the root included.
        if (TreeNode* holder = node->parent(); holder && gbIsGroupKey(holder->key())) {
            const int32_t h = indexOfKey(holder->key());
            if (isGroupIndex(h))
                gIncrement(gaGroups[size_t(h)].iNrOfSubGroups);
        }
    }
    goLastNode = node;
    g.sNodeKey = key;
    m_tree->setSelectedItem(node);
    m_tree->setDropHighlight(node);
    if (gbLogging)
        gWriteLog(QStringLiteral("Group '") + node->text().trimmed() + QStringLiteral("' Inserted into Tree"));
    return true;
}

// ---- The fill ---------------------------------------------------------------------------------

void frm_Palimor::mFillTreeAndSelect()
{
    FillScope scope;
    {
        const IdIndex ids;
        const QScopedValueRollback<const IdIndex*> fillIds(g_fillIds, &ids);
        mFillGroups(0);
    }

    TreeNode* root = m_tree->node(gsGroupKey(0));
    for (int32_t g = 1; size_t(g) < gaGroups.size(); ++g) {
        GroupRecord& group = gaGroups[size_t(g)];
        if (!group.sNodeKey.isEmpty() || group.bVirtualGroup || group.Grpi <= 0)
            continue;
        m_tree->setSelectedItem(root);
        int32_t index = g;
        mbInsertGroup(index);
        if (!isUnattended())
            glShowMessage(MessageGroup2, 25, platform::MbIconExclamation, numberWithSign(group.Grpi));
    }
    for (int32_t f = 1; f <= gnFieldCount && size_t(f) < gaFields.size(); ++f) {
        FieldRecord& field = gaFields[size_t(f)];
        if (!field.sNodeKey.isEmpty() || field.lFieldId <= 0)
            continue;
        m_tree->setSelectedItem(root);
        int32_t index = f;
        if (field.lControl == ControlKind::Picture)
            mbInsertPicture(index);
        else
            mbInsertField(index, QString());
        if (!isUnattended())
            glShowMessage(MessageGroup2, 24, platform::MbIconExclamation, field.sFieldName);
    }

    mRemoveObsoleteFields();

    mSetMenuState();
    root = m_tree->node(gsGroupKey(0));
    m_tree->setSelectedItem(root);
    m_tree->setDropHighlight(root);
    if (root)
        m_tree->ensureVisible(root);
    mSetMenuState();
}

void frm_Palimor::mFillGroups(int32_t lGroup)
{
    FillScope scope;
    if (lGroup < 1) {
        lGroup = 0;
        if (!firstVisit(g_visits.groups, 0))
            return;
        if (m_tree->isEmpty()) {
            int32_t root = 0;
            mbInsertGroup(root);
        }
    } else {
        if (!isGroupIndex(lGroup) || gaGroups[size_t(lGroup)].Grpi == -1 || !firstVisit(g_visits.groups, lGroup))
            return;
        const GroupRecord& g = gaGroups[size_t(lGroup)];
        if (!g.bVirtualGroup) {
            QString selectKey;
            bool previousVirtual = false;
            if (g.lParentGroup == 1) {
                selectKey = gsGroupKey(0);
            } else if (g.lPreviousGroup > 0) {
                const int32_t p = g.lPreviousGroup - 1;
                const bool virtualBefore = isGroupIndex(p) && gaGroups[size_t(p)].bVirtualGroup;
                selectKey = virtualBefore ? gsGroupKey(gaGroups[size_t(p)].lParentGroup - 1) : gsGroupKey(p);
            } else {
                selectKey = gsGroupKey(g.lParentGroup - 1);
            }
            // A key without a node leaves the selection as it was.
            if (TreeNode* n = m_tree->node(selectKey))
                m_tree->setSelectedItem(n);
            if (g.lPreviousGroup > 0) {
                const int32_t p = g.lPreviousGroup - 1;
                previousVirtual = isGroupIndex(p) && gaGroups[size_t(p)].bVirtualGroup;
            }
            int32_t index = lGroup;
            // A first subgroup, or one after a virtual group, goes below the node above it.
            if (mbInsertGroup(index)
                && (previousVirtual || (g.lPreviousGroup == 0 && g.lParentGroup != 0 && g.lParentGroup != 1)))
                mMoveRight();
        }
    }

    const GroupRecord& g = gaGroups[size_t(lGroup)];
    if (g.lChildGroup > 0)
        mFillGroups(g.lChildGroup - 1);
    if (g.lFirstField > 0)
        mFillFields(fieldOfOrder(g.lFirstField));
    mPlaceSubGroupNodes(lGroup);
    if (g.lNextGroup > 0)
        mFillGroups(g.lNextGroup - 1);
}

// The key of the node a field is placed under: its parent field, or its group (the
// group above, for a field of a virtual group).
static QString parentNodeKey(const FieldRecord& f)
{
    if (f.lParentField != 0)
        return gsFieldKey(fieldOfOrder(f.lParentField));
    const int32_t g = f.Grpi - 1;
    if (isGroupIndex(g) && gaGroups[size_t(g)].bVirtualGroup && f.Grpi > 1)
        return gsGroupKey(gaGroups[size_t(g)].lParentGroup - 1);
    return gsGroupKey(g);
}

void frm_Palimor::mFillFields(int32_t lField)
{
    FillScope scope;
    if (!isFieldIndex(lField) || gaFields[size_t(lField)].lFieldId == -1 || !firstVisit(g_visits.fields, lField))
        return;
    FieldRecord& f = gaFields[size_t(lField)];

    if (TreeNode* n = m_tree->node(parentNodeKey(f)))
        m_tree->setSelectedItem(n);

    int32_t index = lField;
    const bool added = f.lControl == ControlKind::Picture ? mbInsertPicture(index) : mbInsertField(index, QString());

    {
        TreeViewHiddenScope hidden(*this);
        if (added && f.lParentField != 0) {
            m_tree->setSelectedItem(m_tree->node(f.sNodeKey));
            mMoveRight();
        }
    }

    if (f.lChildField > 0)
        mFillFields(fieldOfOrder(f.lChildField));
    if (f.lNextField > 0) {
        const int32_t next = fieldOfOrder(f.lNextField);
        if (isFieldIndex(next) && gaFields[size_t(next)].Grpi == f.Grpi)
            mFillFields(next);
        else
            f.lNextField = 0;  // a chain ends at the edge of its group
    }
}

void frm_Palimor::mPasteGroups(int32_t lGroup)
{
    FillScope scope;
    TreeNode* remembered = m_tree->selectedItem();
    int32_t index = lGroup;
    if (!mbInsertGroup(index))
        return;
    Q_ASSERT(isGroupIndex(lGroup));  // the insert took the record
    firstVisit(g_visits.groups, lGroup);
    const GroupRecord& g = gaGroups[size_t(lGroup)];
    if (g.lChildGroup > 0)
        mFillGroups(g.lChildGroup - 1);
    if (g.lFirstField > 0)
        mFillFields(fieldOfOrder(g.lFirstField));
    mPlaceSubGroupNodes(lGroup);
    if (g.lNextGroup > 0)
        mFillGroups(g.lNextGroup - 1);
    if (m_tree->owns(remembered)) {
        m_tree->setSelectedItem(remembered);
        m_tree->setDropHighlight(remembered);
    }
    tvwGroups->setFocus();
}

void frm_Palimor::mPasteFields(int32_t lField, bool bHidden)
{
    TreeNode* selected = m_tree->selectedItem();
    if (!selected || !isFieldIndex(lField))
        return;
    if (selected->parent() && !bIsFollowUpPlaceAllowed(selected))
        return;
    FillScope scope;
    TreeNode* remembered = selected;
    FieldRecord& f = gaFields[size_t(lField)];
    if (TreeNode* n = m_tree->node(parentNodeKey(f)))
        m_tree->setSelectedItem(n);
    int32_t index = lField;
    const bool added = f.lControl == ControlKind::Picture ? mbInsertPicture(index) : mbInsertField(index, QString());
    firstVisit(g_visits.fields, lField);
    if (added && !bHidden && f.lChildField > 0)
        mFillFields(fieldOfOrder(f.lChildField));
    if (m_tree->owns(remembered)) {
        m_tree->setSelectedItem(remembered);
        m_tree->setDropHighlight(remembered);
    }
    tvwGroups->setFocus();
}

int16_t frm_Palimor::lGetFirstGroupField(int32_t lGroup)
{
    if (!isGroupIndex(lGroup))
        return 0;
    int16_t order = gaGroups[size_t(lGroup)].lFirstField;
    int32_t f = fieldOfOrder(order);
    // Each step goes on along the chain; a chain longer than the array runs in a circle.
    for (size_t steps = 0; isFieldIndex(f) && steps <= gaFields.size(); ++steps) {
        const FieldRecord& field = gaFields[size_t(f)];
        if (!field.sDomainCode.trimmed().isEmpty() || field.iColumnId != 0 || field.lNextField == 0)
            break;
        if (field.lChildField != 0) {
            order = field.lChildField;
            const int32_t child = fieldOfOrder(order);
            if (isFieldIndex(child) && !gaFields[size_t(child)].sDomainCode.trimmed().isEmpty())
                break;
        }
        order = field.lNextField;
        f = fieldOfOrder(order);
    }
    return order;
}

void frm_Palimor::mPlaceSubGroupNodes(int32_t lGroup)
{
    if (!isGroupIndex(lGroup))
        return;
    const GroupRecord& g = gaGroups[size_t(lGroup)];
    int32_t s = -1;
    for (int16_t k = 1; k <= g.iNrOfSubGroups; ++k) {
        s = k == 1 ? g.lChildGroup - 1 : gaGroups[size_t(s)].lNextGroup - 1;
        if (!isGroupIndex(s) || s == 0)
            break;
        if (gaGroups[size_t(s)].lFirstField < 1 || g.lFirstField < 1)
            continue;
        TreeNode* subgroup = m_tree->node(gsGroupKey(s));
        TreeNode* start = m_tree->node(gsFieldKey(fieldOfOrder(g.lFirstField)));
        if (!subgroup || !start)
            continue;

        const int16_t v = lGetFirstGroupField(s);
        TreeNode* stop = start;
        bool move = false;
        int32_t value = lGetFirstGroupField(lGroup);
        for (TreeNode* n = start; n; n = n->next()) {
            if (n != start) {
                const int32_t i = indexOfKey(n->key());
                value = gbIsGroupKey(n->key()) ? lGetFirstGroupField(i)
                                               : (isFieldIndex(i) ? gaFields[size_t(i)].nOmod : 0);
            }
            stop = n;
            if (v < value) {
                if (n->previous())
                    stop = n->previous();
                break;
            }
            move = true;
        }
        if (move && stop != subgroup) {
            m_tree->setSelectedItem(subgroup);
            m_tree->setDropHighlight(stop);
            mMoveToDropHighlight();
        }
    }
}

void frm_Palimor::mFillImageList()
{
    static constexpr int kBases[] = {6, 10, 12, 15, 16, 18};
    constexpr int kButton = 19;
    for (int base : kBases)
        imglstTreeView.add(imglstTreeView.key(base) + QStringLiteral("button"), imglstTreeView.overlay(base, kButton));
    tvwGroups->setImageList(imglstTreeView.icons());
}

void frm_Palimor::SetFocusToNode(QString& sKey)
{
    if (sKey.startsWith(QLatin1String("f_"))) {
        const int32_t f = indexOfKey(sKey);
        if (isFieldIndex(f) && gaFields[size_t(f)].lControl == ControlKind::Picture)
            sKey = QStringLiteral("p_") + QString::number(f);
    }
    if (TreeNode* n = m_tree->node(sKey)) {
        m_tree->setSelectedItem(n);
        m_tree->setDropHighlight(n);
        m_tree->ensureVisible(n);
    }
}

// ---- Fields that go after the fill ------------------------------------------------------------

void frm_Palimor::mRemoveObsoleteFields()
{
    for (int32_t f = 1; f <= gnFieldCount && size_t(f) < gaFields.size(); ++f) {
        const FieldRecord& field = gaFields[size_t(f)];
        if (field.lFieldId == -1 || field.sFieldName.trimmed() != QLatin1String("actual.occ"))
            continue;
        const QString key = QStringLiteral("f_") + QString::number(f);
        TreeNode* node = m_tree->node(key);
        if (node)
            m_tree->setSelectedItem(node);
        mDeleteFieldNode(key);
        if (node)
            m_tree->remove(node);
    }
}

void frm_Palimor::mDeleteFieldNode(const QString& key)
{
    TreeNode* node = m_tree->node(key);
    if (node) {
        std::vector<QString> children;
        for (TreeNode* c = node->child(); c; c = c->next())
            children.push_back(c->key());
        for (const QString& c : children)
            mDeleteFieldNode(c);
    }
    const QString text = node ? node->text() : QString();
    if (gbIsFieldKey(key)) {
        const int32_t index = indexOfKey(key);
        if (gbLoadCommands) {
            gLoadSpecificCommands();
            platform::setMousePointer(platform::Pointer::Default);
        }
        const int32_t session = glFindByKey(gaEnumCommandType, QStringLiteral("session"));
        for (size_t j = 1; j < gaSpecificCommands.size(); ++j) {
            SpecificCommandRecord& c = gaSpecificCommands[j];
            // A command already deleted with an earlier field of this slot is not asked about.
            if (c.nSpecificCommandId == -1 || c.lLinkId == -1 || c.lFieldId != index)
                continue;
            if (glShowMessage(MessageQuestion, 5, platform::MbYesNo | platform::MbIconExclamation, c.sSpecificCommand,
                              text)
                == platform::IdYes) {
                c.lLinkId = -1;
            } else {
                c.lLinkId = 0;
                c.Grpi = 0;
                c.lFieldId = 0;
                c.nCommandType = uint8_t(session);
            }
        }
        if (isFieldIndex(index))
            gDeleteItem(SlotKind::Field, index);
    }
    gbFormChanged = true;
    gWriteLog(QStringLiteral("Field '") + text.trimmed() + QStringLiteral("' Deleted from Tree"));
}

// ---- Order and move primitives ----------------------------------------------------------------

void frm_Palimor::mMoveToDropHighlight()
{
    TreeNode* s = m_tree->selectedItem();
    TreeNode* d = m_tree->dropHighlight();
    if (!s || !d || s == d)
        return;
    // The moved node ends right after the target, under the target's parent.
    TreeViewHiddenScope hidden(*this);
    m_tree->move(s, d, Relationship::Next);
    m_tree->setSelectedItem(s);
    m_tree->setDropHighlight(d);
}

namespace {

// A group node moved from under one group to under another: the subgroup counters follow.
void moveSubgroupCount(const TreeNode* moved, const TreeNode* from, const TreeNode* to)
{
    if (!gbIsGroupKey(moved->key()))
        return;
    if (gbIsGroupKey(from->key()) && isGroupIndex(indexOfKey(from->key())))
        gDecrement(gaGroups[size_t(indexOfKey(from->key()))].iNrOfSubGroups);
    if (gbIsGroupKey(to->key()) && isGroupIndex(indexOfKey(to->key())))
        gIncrement(gaGroups[size_t(indexOfKey(to->key()))].iNrOfSubGroups);
}

} // namespace

void frm_Palimor::mMoveNodeDown()
{
    TreeNode* s = m_tree->selectedItem();
    if (!s)
        return;
    if (TreeNode* next = s->next()) {
        m_tree->move(s, next, Relationship::Next);
    } else if (TreeNode* parent = s->parent(); parent && parent->next()) {
        TreeNode* target = parent->next();
        m_tree->move(s, target, Relationship::FirstChild);
        moveSubgroupCount(s, parent, target);
    }
    m_tree->setSelectedItem(s);
}

void frm_Palimor::mMoveNodeUp()
{
    TreeNode* s = m_tree->selectedItem();
    if (!s)
        return;
    if (TreeNode* previous = s->previous()) {
        m_tree->move(s, previous, Relationship::Previous);
    } else if (TreeNode* parent = s->parent(); parent && parent->previous()) {
        TreeNode* target = parent->previous();
        TreeViewHiddenScope hidden(*this);
        m_tree->move(s, target, Relationship::Child);
        moveSubgroupCount(s, parent, target);
    }
    m_tree->setSelectedItem(s);
}

int32_t frm_Palimor::lSiblingPosition(const TreeNode* node) const
{
    if (!node)
        return 0;
    int32_t position = 0;
    for (const TreeNode* n = node->firstSibling(); n; n = n->next(), ++position)
        if (n->key() == node->key())
            return position;
    return position;
}

bool frm_Palimor::bIsInSubtree(const QString& ancestorKey, const QString& key) const
{
    const TreeNode* n = m_tree->node(key);
    for (n = n ? n->parent() : nullptr; n; n = n->parent())
        if (n->key() == ancestorKey)
            return true;
    return false;
}

bool frm_Palimor::bIsFollowUpPlaceAllowed(const TreeNode* node) const
{
    if (!node)
        return true;
    const TreeNode* n = node;
    int32_t steps = 0;
    while (n->parent() && !n->previous() && !gbIsGroupKey(n->parent()->key())) {
        n = n->parent();
        ++steps;
    }
    const TreeNode* parent = n->parent();
    return !(parent && !gbIsGroupKey(parent->key()) && steps >= 1);
}

bool frm_Palimor::bIsChildPlaceAllowed(const TreeNode* node, int16_t count) const
{
    return !(node && node->children() > 0 && count == 1 && !bIsFollowUpPlaceAllowed(node->child()));
}

void frm_Palimor::mSortGeneratedFieldNode(TreeNode* parent, const QString& list, int16_t n, bool bNoSeparateLabels)
{
    if (!parent)
        return;
    TreeViewHiddenScope hidden(*this, true);  // shown at the end, whatever the flag says
    const bool noSessionTable = gbNoSessionTable();
    for (TreeNode* c = parent->child(); c;) {
        TreeNode* following = c->next();
        QString name;
        if (noSessionTable) {
            const TreeNode* source = bNoSeparateLabels ? c : c->child();
            const int32_t i = source ? indexOfKey(source->key()) : 0;
            const QString fieldName = isFieldIndex(i) ? gaFields[size_t(i)].sFieldName.trimmed() : QString();
            name = gsTablePackage + gsTableModule + gsTableNumber + QLatin1Char('.') + fieldName.left(fieldName.size() - 2);
        } else {
            const int32_t i = indexOfKey(c->key());
            name = isFieldIndex(i) ? gaFields[size_t(i)].sFieldName.trimmed() : QString();
        }
        int32_t k = 0;
        if (gbFindInFixedList(name, list, n, k)) {
            m_tree->setSelectedItem(c);
            const int32_t p = lSiblingPosition(c) + 1;
            const int32_t m = (noSessionTable && bNoSeparateLabels) ? p - k - 1 : p - k;
            for (int32_t i = 0; i < m; ++i)
                mMoveNodeUp();
        }
        c = following;
    }
}

void frm_Palimor::mMoveRight()
{
    TreeNode* s = m_tree->selectedItem();
    if (!s)
        return;
    const QString k = s->key();
    TreeNode* q = s->previous();
    if (!q)
        return;
    if (gbIsFieldKey(q->key())) {
        if (gbIsGroupKey(k))
            return;  // a group never goes below a field
        if (q->child() && !bIsFollowUpPlaceAllowed(q->child()))
            return;
    }
    if (gbIsGroupKey(k)) {
        const int32_t g = indexOfKey(k);
        if (isGroupIndex(g))
            gIncrement(gaGroups[size_t(g)].lGroupLevel);
        if (TreeNode* parent = s->parent(); parent && isGroupIndex(indexOfKey(parent->key())))
            gDecrement(gaGroups[size_t(indexOfKey(parent->key()))].iNrOfSubGroups);
        if (isGroupIndex(indexOfKey(q->key())))
            gIncrement(gaGroups[size_t(indexOfKey(q->key()))].iNrOfSubGroups);
    }
    TreeViewHiddenScope hidden(*this);
    if (q->child()) {
        m_tree->setDropHighlight(q->child()->lastSibling());
        mMoveToDropHighlight();
    } else {
        m_tree->setParent(s, q);
        m_tree->setDropHighlight(s);
    }
    mScrollInView();
}
