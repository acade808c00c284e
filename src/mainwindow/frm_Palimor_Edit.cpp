// The main window's structure commands: inserting fields, pictures, groups and table
// fields, deleting nodes, the selection fields of selection groups, and moving nodes
// by menu.
#include "frm_Palimor.h"

#include "mod_Enumerate.h"
#include "mod_VrokGlobal.h"
#include "NodeTree.h"
#include "mod_DesignDefinitions.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Records.h"
#include "mod_TextCaches.h"
#include "mod_Upgrade.h"
#include "Cursor.h"
#include "Dialogs.h"
#include "mod_Global.h"

#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

int32_t indexOfKey(const QString& key) { return key.mid(2).toInt(); }

bool isGroupIndex(int32_t g) { return g >= 0 && size_t(g) < gaGroups.size(); }
bool isFieldIndex(int32_t f) { return f >= 1 && size_t(f) < gaFields.size(); }

GroupRecord* groupOfNode(const TreeNode* node)
{
    if (!node || !gbIsGroupKey(node->key()))
        return nullptr;
    const int32_t g = indexOfKey(node->key());
    return isGroupIndex(g) ? &gaGroups[size_t(g)] : nullptr;
}

// The keyboard and the mouse reach the commands as the menus do: each refuses by
// itself on a read-only form and while another window works on the form.
bool editingRefused(const frm_Palimor& w) { return gsOpenMode == "r" || w.isLocked(); }

const QString kSelectionPrefix = QStringLiteral("sel.use.");

// ---- Table fields ----------------------------------------------------------------------

// Domain data types that no form field can show.
bool isRefusedDataType(int16_t type) { return type == 8 || type == 14; }

// The domain's gaDomains index, its data loaded.
int16_t loadedDomain(int16_t index)
{
    if (index > 0 && size_t(index) < gaDomains.size() && gaDomains[size_t(index)].lDataType == 0)
        gLoadDomains();
    return index;
}

int16_t entryDomain(const TableFieldRecord& e)
{
    if (e.nDomainIndex > 0 && size_t(e.nDomainIndex) < gaDomains.size())
        return loadedDomain(e.nDomainIndex);
    return loadedDomain(giFindOrAddDomain(e.sDomainPackage + e.sDomainCode));
}

// The domain of field index with the control kind and lengths that go with it.
void applyDomain(int32_t index, const QString& package, const QString& code)
{
    FieldRecord& f = gaFields[size_t(index)];
    f.sDomainPackage = package;
    f.sDomainCode = code;
    const int16_t d = loadedDomain(giDomainOfField(index, package + code));
    const int16_t type = gaDomains[size_t(d)].lDataType;
    f.lControl = ControlKind::Input;
    if (type == 6 || type == 11) {
        f.lControl = ControlKind::StringNormal;
    } else if (type == 7) {
        gLoadEnums();
        const DomainRecord& domain = gaDomains[size_t(d)];
        f.lControl = domain.bIsCheckBox ? ControlKind::CheckBox : ControlKind::ListBox;
        if (domain.bIsCheckBox)
            f.iYesValue = domain.iYesValue;
    }
    const DomainRecord& domain = gaDomains[size_t(d)];
    if (type == 10) {
        // Multi-line text: a box of its own size, not the domain's.
        f.iFieldLength = 50;
        f.iFieldHeight = 5;
        f.iMaxDispLen = 50;
        f.bLinkDisplFormatToDomain = false;
        f.bLinkMaxDisplLenToDomain = false;
    } else {
        f.iMaxDispLen = domain.iMaxDispLen;
        f.iMaxInpLen = domain.iMaxInpLen;
        f.sDisplayFormat = domain.sDisplayFormat;
        f.iFieldLength = giDomainDisplayLength(int16_t(index));
    }
}

// The default of the "to" field of a range: the largest value of its domain.
void setRangeEnd(FieldRecord& f)
{
    const int16_t d = f.nDomainIndex;
    const DomainRecord& domain = gaDomains[size_t(d >= 0 && size_t(d) < gaDomains.size() ? d : 0)];
    const QString nines(std::max<int16_t>(domain.iMaxDispLen, 0), QLatin1Char('9'));
    f.bDefault = true;
    switch (domain.lDataType) {
    case 1:
    case 2:
    case 3:
        f.sDefaultValue = nines;
        break;
    case 6:
    case 7:
    case 11:
        f.sDefaultValue = QStringLiteral("fmax($#)");
        break;
    case 9:
    case 12:
        f.bDefault = false;
        f.sDefaultValue.clear();
        break;
    default:
        f.sDefaultValue = nines;
        if (f.iMaxInpLen > 0)
            f.sDefaultValue += QLatin1Char('.') + QString(std::max<int16_t>(domain.iMaxInpLen, 0), QLatin1Char('9'));
        break;
    }
}

void setLabel(FieldRecord& f, const QString& code, int16_t length, int16_t height)
{
    f.sLabelCode = code;
    f.iLabelLengthSO = length;
    f.iLabelHeightSO = height;
    f.sLabelDescSO.clear();  // the label loader fetches the text of the new code
}

void noMultiOccurrenceLabel(FieldRecord& f)
{
    f.iLabelLengthMO = 999;
    f.sLabelDescMO.clear();
    f.iLabelHeightMO = 0;
}

// The parent entries of an expanded reference, outermost first, as table.field.
QString parentChain(const TableFieldRecord& e)
{
    QStringList chain;
    int32_t p = e.iParentEntry;
    // An entry is never its own ancestor; the bound keeps a broken list from looping.
    for (int32_t steps = 0; p > 0 && size_t(p) < gaTableFields.size() && steps <= gnTableFieldCount; ++steps) {
        const TableFieldRecord& parent = gaTableFields[size_t(p)];
        chain.prepend(parent.sTableCode.trimmed() + QLatin1Char('.') + parent.sFieldName.trimmed());
        p = parent.iParentEntry;
    }
    return chain.join(QLatin1Char(','));
}

// ---- Moves -----------------------------------------------------------------------------

// A menu move: the tree stays hidden while the body works and is shown at its end.
void runMenuMove(frm_Palimor& w, void (frm_Palimor::*body)())
{
    if (editingRefused(w))
        return;
    {
        TreeHiddenScope hidden(w, false);
        (w.*body)();
    }
    w.mSetMenuState();
}

void moveFrame(frm_Palimor& w, void (frm_Palimor::*primitive)())
{
    TreeViewHiddenScope hidden(w);
    (w.*primitive)();
    w.mScrollInView();
}

// A step move of a group that leaves its parent lands in the parent's neighbour,
// which must be a group too.
bool groupWouldGoBelowField(const TreeNode* s, bool up)
{
    if (!gbIsGroupKey(s->key()) || (up ? s->previous() : s->next()) || !s->parent())
        return false;
    const TreeNode* target = up ? s->parent()->previous() : s->parent()->next();
    return target && gbIsFieldKey(target->key());
}

// Insert > Field and the insert-picture key: beside a field, or last in a group.
void insertAtSelection(frm_Palimor& w, bool picture)
{
    if (editingRefused(w))
        return;
    const TreeNode* s = w.nodes().selectedItem();
    if (!s)
        return;
    if (!gbIsGroupKey(s->key()) && !w.bIsFollowUpPlaceAllowed(s)) {
        glShowMessage(MessageGroup2, 17, platform::MbIconExclamation);
        return;
    }
    int32_t index = -1;
    if (picture)
        w.mbInsertPicture(index);
    else
        w.mbInsertField(index, QString());
    gLoadFieldLabels(1, true);
    w.mSetMenuState();
}

} // namespace

// ---- Inserting ---------------------------------------------------------------------------

void frm_Palimor::mnuEInsertField_Click() { insertAtSelection(*this, false); }

void frm_Palimor::mInsertPictureAtSelection() { insertAtSelection(*this, true); }

void frm_Palimor::mnuEInsertGroup_Click()
{
    if (editingRefused(*this))
        return;
    if (const TreeNode* s = m_tree->selectedItem()) {
        const GroupRecord* holder = groupOfNode(gbIsGroupKey(s->key()) ? s : groupNodeOf(s));
        if (holder && holder->lGroupLevel >= kMaxGroupLevel)
            return;
    } else if (!m_tree->isEmpty()) {
        return;
    }
    int32_t index = -1;
    mbInsertGroup(index);
    mSetMenuState();
}

bool frm_Palimor::mbInsertTableField(int16_t& relationship, const QString& relativeKey, const QString& pickerKey,
                                     const QString& pickerText, const QString& pickerImage, bool fromField,
                                     bool textField, bool showMessage, bool hidden, bool bNoSeparateLabels)
{
    if (editingRefused(*this) || gbOutOfResources)
        return false;
    TreeNode* relative = m_tree->node(relativeKey);
    const bool asChild = relationship == int16_t(Relationship::Child);
    if (!relative || (!asChild && relationship != int16_t(Relationship::Next)) || (!asChild && !relative->parent()))
        return false;

    // The entry of the key, not the picker's selection: generation passes entries that
    // are not selected. A free label has no key and no entry.
    const TableFieldRecord* entry = nullptr;
    int32_t entryIndex = 0;
    if (!pickerKey.isEmpty()) {
        entryIndex = indexOfKey(pickerKey);
        if (!pickerKey.startsWith(QLatin1String("t_")) || entryIndex < 1 || entryIndex > gnTableFieldCount
            || size_t(entryIndex) >= gaTableFields.size())
            return false;
        entry = &gaTableFields[size_t(entryIndex)];
        const int16_t d = entryDomain(*entry);
        if (isRefusedDataType(gaDomains[size_t(d)].lDataType)) {
            if (showMessage)
                glShowMessage(MessageGroup2, 28, platform::MbIconExclamation, gaDomains[size_t(d)].sDataTypeDesc);
            return false;
        }
    }
    gWriteLog(QStringLiteral("----- mbInsertTableField ------, ") + relativeKey + QStringLiteral(", ") + pickerKey
              + QStringLiteral(", ") + pickerText);

    QString key;
    const int32_t index = glNewItem(SlotKind::Field, key);
    if (index < 1)
        return false;
    FieldRecord& f = gaFields[size_t(index)];
    if (hidden) {
        f.bInitialHidden = true;
        f.bFieldInSingleOcc = false;
    }
    f.bIsTableField = false;
    f.bDependent = false;
    f.sInpRefExpr = QStringLiteral("1");
    f.bTableRef = false;
    f.sTableDefault.clear();
    f.bTableMandatory = false;
    if (entry) {
        f.iTableFieldIndex = int16_t(entryIndex);
        if (entry->iParentEntry == 0) {
            f.sLabelCode = entry->sLabelCode;
            if (!f.sLabelCode.isEmpty()) {
                f.sLabelDescSO = entry->sLabelDesc;
                f.iLabelLengthSO = entry->iLabelLength;
                f.iLabelHeightSO = entry->iLabelHeight;
            }
        }
    }

    const uint8_t display = uint8_t(glFindByKey(gaEnumFieldType, QStringLiteral("display")));
    // A column reached through a reference is the referenced table's, also when that is
    // the main table itself: it is shown, not typed.
    const bool otherTable =
        entry && (entry->iParentEntry > 0 || entry->sTableCode.trimmed() != gsTable.trimmed());
    const bool fieldOfEntry = entry && (!gbNoSessionTable() || !pickerText.isEmpty());
    if (!fieldOfEntry) {
        // A label: no domain, shown only.
        f.sDomainCode.clear();
        f.sDomainPackage.clear();
        noMultiOccurrenceLabel(f);
        f.iTableFieldIndex = 0;
        f.sFieldName = QStringLiteral("label.only");
        f.lFieldType = display;
        if (gbNoSessionTable()) {
            f.lLabelPosition = bNoSeparateLabels ? 2 : 1;
            if (!fromField)
                setLabel(f, gsPackage + QStringLiteral("gen.to.uc"), 10, 1);
            else if (bNoSeparateLabels)
                setLabel(f, gsPackage + QStringLiteral("gen.from.uc"), 10, 1);
        }
    } else if (gbNoSessionTable()) {
        f.bDependent = !fromField && !textField;
        if (textField) {
            f.sFieldName = entry->sFieldName + QStringLiteral(".txt");
            applyDomain(index, gsPackage, QStringLiteral("yeno"));
        } else {
            f.sFieldName = entry->sFieldName + (fromField ? QStringLiteral(".f") : QStringLiteral(".t"));
            applyDomain(index, entry->sDomainPackage, entry->sDomainCode);
        }
        f.bImmediateBehind = false;
        f.iElement = entry->iElement;
        if (textField) {
            f.bDefault = true;
            f.sDefaultValue = f.sDomainPackage + f.sDomainCode + QStringLiteral(".no");
        } else if (!fromField) {
            setRangeEnd(f);
        }
        if (otherTable) {
            f.lFieldType = display;
            f.bDependent = true;
        } else if (!textField) {
            if (!bNoSeparateLabels) {
                f.lLabelPosition = 3;
                const QString code = fromField ? QStringLiteral("gen.from.lc") : QStringLiteral("gen.to.lc");
                setLabel(f, gsPackage + code, 10, 1);
            } else if (!fromField) {
                setLabel(f, gsPackage + QStringLiteral("gen.hyphen"), 1, 1);
            }
            noMultiOccurrenceLabel(f);
        }
    } else {
        // The check box that goes with a field is no column, nor is a column of another
        // table: the main table's dictionary, which a load asks, knows neither, so their
        // records keep their own domain.
        f.bIsTableField = !textField && entry->sTableCode.trimmed() == gsTable.trimmed();
        if (textField) {
            f.sFieldName = entry->sFieldName + QStringLiteral(".yn");
            applyDomain(index, gsPackage, QStringLiteral("yeno"));
        } else {
            f.bTableRef = !entry->sRefTable.trimmed().isEmpty();
            f.sTableDefault = entry->sInitialValue;
            f.bTableMandatory = entry->bMandatory;
            f.sFieldName = entry->sTableCode + QLatin1Char('.') + entry->sFieldName;
            applyDomain(index, entry->sDomainPackage, entry->sDomainCode);
        }
        f.iElement = entry->iElement;
        f.bImmediateBehind = true;
        if (otherTable) {
            f.lFieldType = display;
            f.bDependent = true;
        }
    }

    f.bMandatoryInput = false;
    if (entry) {
        f.nTableNrOfElements = entry->nNrOfElements;
        if (entry->iParentEntry > 0)
            f.sInpRefExpr = parentChain(*entry);
    }

    // Stored as the next load will find it.
    gbSyncFieldWithDomain(index);
    const QString text = msFieldProps(index, key);
    if (!f.sDefaultValue.isEmpty())
        f.bChanged302 = true;
    // A field that is no column of the main table shows as the next load shows it, not
    // as a table field, whatever the picker's entry looked like.
    const QString image = f.bIsTableField ? pickerImage : fieldImage(index);
    TreeNode* node = m_tree->add(relative, Relationship(relationship), key, text, image);
    if (!node) {
        f.lFieldId = -1;
        f.bChanged = f.bChanged301 = f.bChanged302 = f.bChanged308 = false;
        return false;
    }
    goLastNode = node;
    f.sNodeKey = key;
    gbFormChanged = true;
    if (asChild) {
        m_tree->setExpanded(relative, true);
        // A field placed right behind its parent field: the parent's layout row says so.
        if (!gbNoSessionTable() && gbIsFieldKey(relativeKey) && isFieldIndex(indexOfKey(relativeKey))) {
            FieldRecord& parent = gaFields[size_t(indexOfKey(relativeKey))];
            parent.bImmediateBehind = true;
            parent.bChanged = parent.bChanged308 = true;
        }
    }
    m_tree->setDropHighlight(node);
    m_tree->setSelectedItem(node);
    gWriteLog(QStringLiteral("TableField '") + f.sFieldName.trimmed() + QStringLiteral("' Inserted into Tree"));
    return true;
}

// ---- Deleting ----------------------------------------------------------------------------

void frm_Palimor::mnuEDelete_Click() { mDeleteSelectedNode(); }

void frm_Palimor::mDeleteSelectedNode()
{
    if (editingRefused(*this))
        return;
    TreeNode* node = m_tree->selectedItem();
    if (!node)
        return;
    const QString key = node->key();
    const bool group = gbIsGroupKey(key);
    const int32_t index = indexOfKey(key);
    // The form itself is never deleted.
    if (group ? (!node->parent() || !isGroupIndex(index)) : (!gbIsFieldKey(key) || !isFieldIndex(index)))
        return;

    const bool children = node->children() > 0;
    int32_t question = 0;
    QString what;
    if (group) {
        question = children ? 1 : 6;
        what = numberWithSign(index + 1) + QStringLiteral(" - ") + gaGroups[size_t(index)].sFrameDesc.trimmed();
    } else {
        question = children ? 2 : 7;
        what = msDefaultFieldName(index) + QStringLiteral(" - ") + gaFields[size_t(index)].sLabelDescSO.trimmed();
    }
    if (glShowMessage(MessageQuestion, question, platform::MbYesNo | platform::MbIconExclamation, what)
        != platform::IdYes) {
        if (question == 7 && !m_tree->isEmpty())
            m_tree->setDropHighlight(m_tree->selectedItem());
        return;
    }

    if (group)
        mDeleteGroupNode(key);
    else
        mDeleteFieldNode(key);
    if (TreeNode* gone = m_tree->node(key))
        m_tree->remove(gone);
    if (!m_tree->isEmpty())
        m_tree->setDropHighlight(m_tree->selectedItem());
    mSetMenuState();
}

void frm_Palimor::mDeleteGroupNode(const QString& key)
{
    TreeNode* node = m_tree->node(key);
    if (node) {
        std::vector<QString> children;
        for (TreeNode* c = node->child(); c; c = c->next())
            children.push_back(c->key());
        for (const QString& c : children) {
            if (gbIsGroupKey(c))
                mDeleteGroupNode(c);
            else
                mDeleteFieldNode(c);
        }
    }
    const int32_t index = indexOfKey(key);
    if (!gbIsGroupKey(key) || index < 1 || !isGroupIndex(index))
        return;
    const QString text = node ? node->text() : QString();

    mResetAlignmentReferences(key);
    if (gbLoadCommands) {
        gLoadSpecificCommands();
        platform::setMousePointer(platform::Pointer::Default);
    }
    const uint8_t session = uint8_t(glFindByKey(gaEnumCommandType, QStringLiteral("session")));
    for (size_t j = 1; j < gaSpecificCommands.size(); ++j) {
        SpecificCommandRecord& c = gaSpecificCommands[j];
        if (c.nSpecificCommandId == -1 || c.lLinkId == -1 || c.Grpi != index)
            continue;
        if (glShowMessage(MessageQuestion, 4, platform::MbYesNo | platform::MbIconExclamation, c.sSpecificCommand, text)
            == platform::IdYes) {
            c.lLinkId = -1;
        } else {
            // Linked to the form as a whole: no group of the slot, which a new group may take.
            c.nCommandType = session;
            c.Grpi = 0;
            c.lFieldId = 0;
            c.lLinkId = 0;
        }
    }

    gDeleteItem(SlotKind::Group, index);
    if (GroupRecord* parent = groupOfNode(node ? node->parent() : nullptr))
        gDecrement(parent->iNrOfSubGroups);
    gbFormChanged = true;
    gWriteLog(QStringLiteral("Group '") + text.trimmed() + QStringLiteral("' Deleted from Tree"));
}

void frm_Palimor::mResetAlignmentReferences(const QString& key)
{
    const int32_t g = indexOfKey(key);
    if (g < 1)
        return;
    for (size_t i = 0; i < gaGroups.size(); ++i) {
        GroupRecord& group = gaGroups[i];
        const int32_t own = -int32_t(i);
        if (group.Grpi == -1 || std::abs(int32_t(group.lAlignmentGroupId)) != g || group.lAlignmentGroupId == own)
            continue;
        group.lAlignmentGroupId = int16_t(own);
        // The link update does not compare the alignment: the mark makes the store write it.
        group.bChanged = true;
        gbFormChanged = true;
    }
}

// ---- Selection fields --------------------------------------------------------------------

bool frm_Palimor::bFieldNameExists(const QString& name) const
{
    for (int32_t i = 0; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i)
        if (gaFields[size_t(i)].lFieldId != -1 && gaFields[size_t(i)].sFieldName == name)
            return true;
    return false;
}

bool frm_Palimor::bAddSelectionField(const QString& table)
{
    // Called from the property dialog while it holds the window locked.
    if (gsOpenMode == "r" || bFieldNameExists(kSelectionPrefix + table))
        return false;
    int32_t index = -2;
    return mbInsertField(index, table);
}

bool frm_Palimor::bRenameSelectionField(const QString& oldTable, const QString& newTable)
{
    if (gsOpenMode == "r")
        return false;
    const QString from = kSelectionPrefix + oldTable;
    for (int32_t i = 0; i <= gnFieldCount && size_t(i) < gaFields.size(); ++i) {
        FieldRecord& f = gaFields[size_t(i)];
        if (f.lFieldId == -1 || f.sFieldName != from)
            continue;
        f.sFieldName = kSelectionPrefix + newTable;
        f.bChanged = f.bChanged301 = true;
        gbFormChanged = true;
        const QString key = gsFieldKey(i);
        if (TreeNode* node = m_tree->node(key))
            m_tree->setText(node, msFieldProps(i, key));
    }
    return true;
}

bool frm_Palimor::bDeleteSelectionField(const QString&)
{
    // The field stays until the user deletes it.
    return true;
}

// ---- Moving by menu ----------------------------------------------------------------------

void frm_Palimor::mnuMUp_Click() { runMenuMove(*this, &frm_Palimor::mMoveUp); }
void frm_Palimor::mnuMDown_Click() { runMenuMove(*this, &frm_Palimor::mMoveDown); }
void frm_Palimor::mnuMLeft_Click() { runMenuMove(*this, &frm_Palimor::mMoveLeft); }
void frm_Palimor::mnuMRight_Click() { runMenuMove(*this, &frm_Palimor::mMoveRight); }

void frm_Palimor::mMoveDown()
{
    const TreeNode* s = m_tree->selectedItem();
    if (!s || (!s->next() && !s->parent()) || groupWouldGoBelowField(s, false))
        return;
    moveFrame(*this, &frm_Palimor::mMoveNodeDown);
}

void frm_Palimor::mMoveUp()
{
    const TreeNode* s = m_tree->selectedItem();
    if (!s || (!s->previous() && !s->parent()) || groupWouldGoBelowField(s, true))
        return;
    moveFrame(*this, &frm_Palimor::mMoveNodeUp);
}

void frm_Palimor::mMoveLeft()
{
    TreeNode* s = m_tree->selectedItem();
    TreeNode* p = s ? s->parent() : nullptr;
    // Nothing leaves the form's own node.
    if (!p || !p->parent())
        return;
    const QString k = s->key();
    if (gbIsFieldKey(k) && !bIsFollowUpPlaceAllowed(s) && !bIsFollowUpPlaceAllowed(p))
        return;
    if (gbIsGroupKey(k)) {
        if (GroupRecord* moved = groupOfNode(s))
            gDecrement(moved->lGroupLevel);
        if (GroupRecord* from = groupOfNode(p))
            gDecrement(from->iNrOfSubGroups);
        if (GroupRecord* to = groupOfNode(p->parent()))
            gIncrement(to->iNrOfSubGroups);
    }
    m_tree->setDropHighlight(p);
    moveFrame(*this, &frm_Palimor::mMoveToDropHighlight);
}
