// The property dialog's values written back into the records: one change-log line and
// one change mark for each property that changed, the node's text and image after it.
#include "frm_Properties.h"
#include "frm_Properties_Helpers.h"
#include "mod_Validation.h"

#include "mod_VrokGlobal.h"
#include "MainWindowInterface.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Pointers.h"
#include "mod_Records.h"
#include "mod_TextCaches.h"
#include "mod_Global.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <cstdlib>
#include <optional>
#include <type_traits>

namespace {

template <typename T>
QString valueText(const T& value)
{
    if constexpr (std::is_same_v<T, QString>)
        return value;
    else if constexpr (std::is_same_v<T, bool>)
        return value ? QStringLiteral("True") : QStringLiteral("False");
    else if constexpr (std::is_enum_v<T>)
        return QString::number(std::underlying_type_t<T>(value));
    else
        return QString::number(value);
}

// Compares as the dialog's values compare: a text box's text with the member's text,
// anything else by value. Stores the new value into the member when it differs.
template <typename Member, typename Value>
bool storeIfDifferent(Member& member, const Value& value)
{
    if constexpr (std::is_same_v<Value, QString> && !std::is_same_v<Member, QString>) {
        static_assert(std::is_integral_v<Member> && !std::is_same_v<Member, bool>);
        if (valueText(member) == value)
            return false;
        // The checks have accepted the text as a number of the member's width.
        member = Member(value.trimmed().toInt());
        return true;
    } else {
        if (member == Member(value))
            return false;
        member = Member(value);
        return true;
    }
}

template <typename Member, typename Value>
void assignAndLog(const QString& who, bool& changed, Member& member, const Value& value, const QString& name)
{
    const QString oldText = valueText(member);
    if (!storeIfDifferent(member, value))
        return;
    gWriteLog(who + QStringLiteral(" : ") + name + QStringLiteral(" changed from ") + oldText + QStringLiteral(" to ")
              + valueText(value));
    changed = true;
}

// The item data of the selected entry; nothing when no entry is selected, and the
// member then keeps its value.
std::optional<int32_t> selectedData(const QComboBox* combo)
{
    if (combo->currentIndex() < 0)
        return std::nullopt;
    return combo->currentData().toInt();
}

int32_t valueOf(const QLineEdit* box) { return box->text().trimmed().toInt(); }

const QString kButton = QStringLiteral("button");

// The record as the change log names it, read at the moment of the line.
QString fieldLogName(const FieldRecord& f)
{
    return QStringLiteral("Field '") + (f.sFieldName + QStringLiteral(" - ") + f.sLabelDescSO).trimmed() + u'\'';
}

QString groupLogName(const GroupRecord& g)
{
    return QStringLiteral("Group '") + (g.sLabelCode + QStringLiteral(" - ") + g.sFrameDesc).trimmed() + u'\'';
}

} // namespace

template <typename Member, typename Value>
void frm_Properties::mAssignFieldAndSetChanged(bool& changed, Member& member, const Value& value, const QString& name)
{
    assignAndLog(fieldLogName(gaFields[size_t(lRecordIndex)]), changed, member, value, name);
}

template <typename Member, typename Value>
void frm_Properties::mAssignGroupAndSetChanged(bool& changed, Member& member, const Value& value, const QString& name)
{
    assignAndLog(groupLogName(gaGroups[size_t(lRecordIndex)]), changed, member, value, name);
}

int16_t frm_Properties::mCalculateFieldLength() const
{
    const DomainRecord& d = fieldDomain();
    return giDisplayLength(d.lDataType, valueOf(txtMaxDispLen), valueOf(txtMaxInpLen), txtDisplayFormat->text(),
                           chkLinkDisplFormatToDomain->isChecked(), d.iDifl);
}

int16_t frm_Properties::miGetItemData(const QComboBox* combo)
{
    return int16_t(selectedData(combo).value_or(0));
}

bool frm_Properties::mbAssignProperties()
{
    // Nothing could be edited, and the disabled inputs must not overwrite the record.
    if (gsOpenMode == QLatin1String("r"))
        return true;
    if (Tag == kKindField)
        return assignField();
    if (Tag == kKindPicture)
        return assignPicture();
    if (Tag == kKindGroup)
        return assignGroup();
    if (Tag == kKindForm)
        return assignForm();
    return true;
}

bool frm_Properties::assignField()
{
    if (!hasFieldRecord(lRecordIndex) || properties::isSelectionField(gaFields[size_t(lRecordIndex)]))
        return true;
    if (!gbCheckFieldControls(*this))
        return false;
    FieldRecord& f = gaFields[size_t(lRecordIndex)];
    const QString button = gbFieldHasCommand(lRecordIndex) ? kButton : QString();

    if (txtFieldName->text() != f.sFieldName) {
        // The name's look-up cleared the pending values when it found no column.
        f.bIsTableField = bIsTableField;
        f.bTableFieldChecked = true;
        f.bTableMandatory = bPendingTableMandatory;
        f.sTableDefault = sTableDefault;
        f.bTableRef = bPendingTableRef;
        f.nTableNrOfElements = nTableNrOfElements;
        if (f.bIsTableField)
            sNodeKind = f.bTableRef ? QStringLiteral("reffield") : QStringLiteral("tablefield");
        else
            sNodeKind = QStringLiteral("ntfield");
        sNodeKind += button;
    }
    if (txtDomainCode->text().isEmpty())
        sNodeKind = QStringLiteral("label") + button;
    mSetLabelAlignEnum();

    bool& c301 = f.bChanged301;
    bool& c302 = f.bChanged302;
    bool& c308 = f.bChanged308;
    const int16_t dataType = fieldDataType();
    mAssignFieldAndSetChanged(c301, f.sFieldName, txtFieldName->text(), QStringLiteral("FieldName"));
    mAssignFieldAndSetChanged(c301, f.iElement, int16_t(std::abs(valueOf(txtElement))), QStringLiteral("Element"));
    mAssignFieldAndSetChanged(c301, f.sDomainPackage, txtDomainPackage->text(), QStringLiteral("DomainPackage"));
    mAssignFieldAndSetChanged(c301, f.sDomainCode, txtDomainCode->text(), QStringLiteral("DomainCode"));
    if (const auto type = selectedData(cboFieldType))
        mAssignFieldAndSetChanged(c301, f.lFieldType, uint8_t(*type), QStringLiteral("FieldType"));
    mAssignFieldAndSetChanged(c301, f.sDisplayFormat, txtDisplayFormat->text(), QStringLiteral("Display Format"));
    mAssignFieldAndSetChanged(c301, f.bLinkDisplFormatToDomain, chkLinkDisplFormatToDomain->isChecked(),
                              QStringLiteral("LinkDisplayFormat"));
    mAssignFieldAndSetChanged(c301, f.iMinInpLen, txtMinInpLength->text(), QStringLiteral("Min Input Length"));
    mAssignFieldAndSetChanged(c301, f.iMaxDispLen, txtMaxDispLen->text(), QStringLiteral("Max Display Length"));
    mAssignFieldAndSetChanged(c301, f.bLinkMaxDisplLenToDomain,
                              dataType != 12 && chkLinkMaxDisplLenToDomain->isChecked(),
                              QStringLiteral("Link Max Display Length"));
    mAssignFieldAndSetChanged(c301, f.iMaxInpLen, txtMaxInpLen->text(), QStringLiteral("Max Input Length"));
    mAssignFieldAndSetChanged(c301, f.bLinkMaxInpLenToDomain, chkLinkMaxInpLenToDomain->isChecked(),
                              QStringLiteral("Link Max Inp Length"));
    mAssignFieldAndSetChanged(c301, f.iStartPosOfString, txtStartPosOfString->text(), QStringLiteral("StartPos String"));
    mAssignFieldAndSetChanged(c301, f.bDefault, chkDefault->isChecked(), QStringLiteral("Default"));
    mAssignFieldAndSetChanged(c301, f.sMessage, txtMessage->text(), QStringLiteral("Message"));
    mAssignFieldAndSetChanged(c301, f.bEchoField, chkEchoField->isChecked(), QStringLiteral("Echo"));
    mAssignFieldAndSetChanged(c301, f.iFieldLength, mCalculateFieldLength(), QStringLiteral("Field Length"));
    // A field the main table makes mandatory is mandatory there; the form does not repeat it.
    mAssignFieldAndSetChanged(c301, f.bMandatoryInput,
                              !(f.bTableMandatory && f.bIsTableField) && chkMandatoryInput->isChecked(),
                              QStringLiteral("Mandatory"));
    mAssignFieldAndSetChanged(c301, f.sLanguageUnitExpression, txtLangUnitExpr->text(),
                              QStringLiteral("Lang Unit Expression"));
    mAssignFieldAndSetChanged(c301, f.sLabelCode, txtLabelCode->text(), QStringLiteral("LabelCode"));
    if (const auto zoom = selectedData(cboFieldZoom))
        mAssignFieldAndSetChanged(c301, f.nZoomField, int16_t(*zoom), QStringLiteral("Zoom Type"));
    mAssignFieldAndSetChanged(c301, f.sZoomTo, txtFieldZoomTo->text(), QStringLiteral("Zoom To"));
    mAssignFieldAndSetChanged(c301, f.sZoomReturnField, txtZoomReturnField->text(), QStringLiteral("Zoom Return Field"));
    mAssignFieldAndSetChanged(c301, f.sParallelMenu, txtZoomToParallelMenus->text(), QStringLiteral("Parallel Menu"));
    mAssignFieldAndSetChanged(c301, f.bMultiCurrency, chkMultiCurrency->isChecked(), QStringLiteral("Multi Currency"));
    mAssignFieldAndSetChanged(c302, f.sInpRefExpr, txtInpRefExpr->text(), QStringLiteral("Input Ref Expression"));
    mAssignFieldAndSetChanged(c302, f.bSyncField, chkSyncField->isChecked(), QStringLiteral("Synchronized Field"));
    mAssignFieldAndSetChanged(c302, f.sDefaultValue, txtDefaultValue->text(), QStringLiteral("Default Value"));

    if (sNodeKind.startsWith(QLatin1String("label")) || sNodeKind.startsWith(QLatin1String("ntfield")))
        f.iTableFieldIndex = 0;
    if (NodeTree* tree = gMainTree(); tree && selectedNode())
        tree->setImage(selectedNode(), sNodeKind);

    mAssignFieldAndSetChanged(c308, f.bImmediateBehind, chkImmediateBehind->isChecked(),
                              QStringLiteral("Immediate Behind"));
    mAssignFieldAndSetChanged(c308, f.bFieldInSingleOcc, chkFieldInSingleOcc->isChecked(),
                              QStringLiteral("Field In SingleOcc"));
    mAssignFieldAndSetChanged(c308, f.bFieldInMultiOcc, chkFieldInMultiOcc->isChecked(),
                              QStringLiteral("Field In MultiOcc"));
    mAssignFieldAndSetChanged(c308, f.iZoomIndex, txtZoomInd->text(), QStringLiteral("Zoom Index"));
    mAssignFieldAndSetChanged(c308, f.sSearchField, txtSearchDesc->text(), QStringLiteral("Field to search with"));
    // No entry chosen (a list that does not apply) stores 0.
    mAssignFieldAndSetChanged(c308, f.iYesValue, miGetItemData(cboYesValue), QStringLiteral("Yes Value"));
    mAssignFieldAndSetChanged(c308, f.iLinkedConst, miGetItemData(cboLinkedValue), QStringLiteral("Linked Value"));
    mAssignFieldAndSetChanged(c308, f.lControl, mlControlType(), QStringLiteral("Control type"));
    mAssignFieldAndSetChanged(c308, f.iFieldHeight, txtDispHeight->text(), QStringLiteral("Display height"));
    mAssignFieldAndSetChanged(c308, f.bAutoEnable, chkAutoEnable->isChecked(),
                              QStringLiteral("Auto en/disable children"));
    if (!cboDataAli->isEnabled())
        mAssignFieldAndSetChanged(c308, f.iDataAli, int16_t(0), QStringLiteral("Data alignment"));
    else if (const auto alignment = selectedData(cboDataAli))
        mAssignFieldAndSetChanged(c308, f.iDataAli, int16_t(*alignment), QStringLiteral("Data alignment"));
    if (!gbNoSessionTable()) {
        mAssignFieldAndSetChanged(c308, f.bIsViewField, chkViewField->isEnabled() && chkViewField->isChecked(),
                                  QStringLiteral("View field"));
        mAssignFieldAndSetChanged(c308, f.bOccIndependentViewField, chkOccIndependent->isChecked(),
                                  QStringLiteral("Occ independent"));
    }
    mAssignFieldAndSetChanged(c308, f.bDependent, chkDependent->isChecked(), QStringLiteral("Dependent"));
    if (const auto position = selectedData(cboLabelPosition))
        mAssignFieldAndSetChanged(c308, f.lLabelPosition, *position, QStringLiteral("Label Position"));

    const bool noLabel = txtLabelCode->text().trimmed().isEmpty();
    if (noLabel && valueOf(txtLabelLengthSO) <= 0) {
        mAssignFieldAndSetChanged(c308, f.iLabelLengthSO, int16_t(0), QStringLiteral("Label Length SO"));
        mAssignFieldAndSetChanged(c308, f.iLabelHeightSO, int16_t(1), QStringLiteral("Label Height SO"));
    } else {
        mAssignFieldAndSetChanged(c308, f.iLabelLengthSO, txtLabelLengthSO->text(), QStringLiteral("Label Length SO"));
        mAssignFieldAndSetChanged(c308, f.iLabelHeightSO, txtLabelHeightSO->text(), QStringLiteral("Label Height SO"));
    }
    if (noLabel && valueOf(txtLabelLengthMO) <= 0) {
        mAssignFieldAndSetChanged(c308, f.iLabelLengthMO, int16_t(0), QStringLiteral("Label Length MO"));
        mAssignFieldAndSetChanged(c308, f.iLabelHeightMO, int16_t(1), QStringLiteral("Label Height MO"));
    } else {
        // 999 links the length to the display length; a one-line label is at least as
        // long as the field.
        int32_t length = valueOf(txtLabelLengthMO);
        if (chkLinkLabLenToDispLen->isChecked())
            length = 999;
        else if (length != 0 && valueOf(txtLabelHeightMO) < 2)
            length = std::max<int32_t>(length, mCalculateFieldLength());
        mAssignFieldAndSetChanged(c308, f.iLabelLengthMO, int16_t(length), QStringLiteral("Label Length MO"));
        mAssignFieldAndSetChanged(c308, f.iLabelHeightMO, txtLabelHeightMO->text(), QStringLiteral("Label Height MO"));
    }
    mAssignFieldAndSetChanged(c308, f.bInGrid, chkGrid->isChecked(), QStringLiteral("Field in grid"));
    mAssignFieldAndSetChanged(c308, f.bInitialHidden, chkInitHidden->isChecked(),
                              QStringLiteral("Field intially hidden"));
    f.sLabelDescSO = lblLabelDescSOText->text();
    f.sLabelDescMO = lblLabelDescMOText->text();

    f.bChanged = f.bChanged || c301 || c302 || c308;
    refreshFieldNodes(f);
    if (f.bChanged)
        gbFormChanged = true;
    return true;
}

bool frm_Properties::assignPicture()
{
    if (!hasFieldRecord(lRecordIndex))
        return true;
    if (!gbCheckPictureControls(*this))
        return false;
    FieldRecord& f = gaFields[size_t(lRecordIndex)];
    mSetLabelAlignEnum();
    bool& c301 = f.bChanged301;
    bool& c308 = f.bChanged308;
    mAssignFieldAndSetChanged(c301, f.sFieldName, txtFieldNamePict->text(), QStringLiteral("FieldName"));
    mAssignFieldAndSetChanged(c301, f.sLabelCode, txtLabelCodePict->text(), QStringLiteral("LabelCode"));
    mAssignFieldAndSetChanged(c308, f.bImmediateBehind, chkImmediateBehindPict->isChecked(),
                              QStringLiteral("Immediate Behind"));
    mAssignFieldAndSetChanged(c308, f.bFieldInSingleOcc, chkSingleOccPict->isChecked(),
                              QStringLiteral("Field In SingleOcc"));
    mAssignFieldAndSetChanged(c308, f.bFieldInMultiOcc, chkMultiOccPict->isChecked(),
                              QStringLiteral("Field In MultiOcc"));
    if (const auto position = selectedData(cboLabelPosPict))
        mAssignFieldAndSetChanged(c308, f.lLabelPosition, *position, QStringLiteral("Label Position"));
    mAssignFieldAndSetChanged(c308, f.sIconName, txtIcon->text(), QStringLiteral("Icon name"));

    // One label size serves both occurrences of a picture.
    if (txtLabelCodePict->text().trimmed().isEmpty() && valueOf(txtLabelLenPict) < 1) {
        mAssignFieldAndSetChanged(c308, f.iLabelLengthSO, int16_t(0), QStringLiteral("Label Length SO"));
        mAssignFieldAndSetChanged(c308, f.iLabelHeightSO, int16_t(1), QStringLiteral("Label Height SO"));
        mAssignFieldAndSetChanged(c308, f.iLabelLengthMO, int16_t(0), QStringLiteral("Label Length MO"));
        mAssignFieldAndSetChanged(c308, f.iLabelHeightMO, int16_t(1), QStringLiteral("Label Height MO"));
    } else {
        mAssignFieldAndSetChanged(c308, f.iLabelLengthSO, txtLabelLenPict->text(), QStringLiteral("Label Length SO"));
        mAssignFieldAndSetChanged(c308, f.iLabelHeightSO, txtLabelHghtPict->text(), QStringLiteral("Label Height SO"));
        mAssignFieldAndSetChanged(c308, f.iLabelLengthMO, txtLabelLenPict->text(), QStringLiteral("Label Length MO"));
        mAssignFieldAndSetChanged(c308, f.iLabelHeightMO, txtLabelHghtPict->text(), QStringLiteral("Label Height MO"));
    }
    f.sLabelDescSO = f.sLabelDescMO = lblLabelDescTextPict->text();

    f.bChanged = f.bChanged || c301 || c308;
    refreshFieldNodes(f);
    if (f.bChanged)
        gbFormChanged = true;
    return true;
}

void frm_Properties::refreshFieldNodes(const FieldRecord& f)
{
    NodeTree* tree = gMainTree();
    TreeNode* node = selectedNode();
    if (!tree || !node || !m_main)
        return;
    tree->setText(node, m_main->msFieldProps(lRecordIndex, f.sNodeKey));
    // A parent field's text shows its follow-ups.
    if (TreeNode* parent = node->parent(); parent && gbIsFieldKey(parent->key()))
        tree->setText(parent, m_main->msFieldProps(parent->key().mid(2).toInt(), parent->key()));
}

bool frm_Properties::assignGroup()
{
    if (lRecordIndex < 0 || size_t(lRecordIndex) >= gaGroups.size())
        return true;
    if (!gbCheckGroupControls(*this))
        return false;
    GroupRecord& g = gaGroups[size_t(lRecordIndex)];
    const bool wasSelection = g.bSelectionGroup;
    const QString oldTable = g.sParentTable;
    bool& changed = g.bChanged;

    mAssignGroupAndSetChanged(changed, g.sLabelCode, txtGroupLabelCode->text(), QStringLiteral("GroupHeader"));
    // A group aligned by a grid of its own keeps the group it names: another group's
    // grid it shares is not the user's choice to lose by OK.
    const bool keepsItsGrid = optGroupAlignmentSpec->isChecked() && g.lAlignmentGroupId >= 1;
    if (!keepsItsGrid)
        mAssignGroupAndSetChanged(changed, g.lAlignmentGroupId, int16_t(mlGetAlignmentGroupId()),
                                  QStringLiteral("Alignmentgroup Id"));
    mAssignGroupAndSetChanged(changed, g.bShowGroupBox, chkShowGroupBox->isChecked(), QStringLiteral("Show GroupBox"));
    mAssignGroupAndSetChanged(changed, g.bPlaceBeside, chkGrpBeside->isChecked(),
                              QStringLiteral("Group next to other group"));
    mAssignGroupAndSetChanged(changed, g.bRepeatingGroup, chkRepeatingGroup->isChecked(),
                              QStringLiteral("Repeating Group"));
    mAssignGroupAndSetChanged(changed, g.bGroupInSingleOcc, chkGroupInSingleOcc->isChecked(),
                              QStringLiteral("Group in SO"));
    mAssignGroupAndSetChanged(changed, g.bGroupInMultiOcc, chkGroupInMultiOcc->isChecked(),
                              QStringLiteral("Group in MO"));
    mAssignGroupAndSetChanged(changed, g.bCheckOnGroupBox, chkCheckOnBox->isChecked(),
                              QStringLiteral("Checkbox on Groupbox"));
    mAssignGroupAndSetChanged(changed, g.iGroupWidth, txtGroupCols->text(),
                              QStringLiteral("New Page/Groups beside eachother"));
    mAssignGroupAndSetChanged(changed, g.bDashboard, chkDashboard->isChecked(),
                              QStringLiteral("Button Group on Dashboard"));
    mAssignGroupAndSetChanged(changed, g.bSelectionGroup, chkSelection->isChecked(), QStringLiteral("Selection Group"));
    mAssignGroupAndSetChanged(changed, g.sParentTable, txtParentTable->text(), QStringLiteral("Parent Table"));

    mUpdateSelectionField(wasSelection, oldTable, g);
    g.sFrameDesc = lblGroupFrameDescText->text();
    g.sTabDesc = lblGroupTabDescText->text();

    if (NodeTree* tree = gMainTree(); tree && m_main)
        if (TreeNode* node = tree->node(gsGroupKey(lRecordIndex)))
            tree->setText(node, m_main->msGroupProps(int16_t(lRecordIndex)));
    if (g.bChanged)
        gbFormChanged = true;
    return true;
}

bool frm_Properties::assignForm()
{
    if (gaGroups.empty())
        return true;
    if (!gbCheckFormControls(*this))
        return false;
    GroupRecord& g = gaGroups[size_t(lRecordIndex)];
    bool& changed = g.bChanged;
    mAssignGroupAndSetChanged(changed, g.bGroupInSingleOcc, chkSingleOcc->isChecked(), QStringLiteral("Group in SO"));
    mAssignGroupAndSetChanged(changed, g.bGroupInMultiOcc, chkMultiOcc->isChecked(), QStringLiteral("Group in MO"));
    mAssignGroupAndSetChanged(changed, g.bRichView, chkRichView->isChecked(), QStringLiteral("Rich View"));
    mAssignGroupAndSetChanged(changed, g.bNewPage, chkNewPage->isChecked(), QStringLiteral("New Page"));
    mAssignGroupAndSetChanged(changed, g.bNewPageMO, chkNewPageMO->isChecked(), QStringLiteral("New Page"));
    mAssignGroupAndSetChanged(changed, g.iGroupWidth, txtGroupCols->text(),
                              QStringLiteral("New Page/Groups beside eachother"));
    if (NodeTree* tree = gMainTree(); tree && selectedNode() && m_main)
        tree->setText(selectedNode(), m_main->msGroupProps(int16_t(lRecordIndex)));
    if (g.bChanged)
        gbFormChanged = true;
    return true;
}

void frm_Properties::mUpdateSelectionField(bool wasSelection, const QString& oldTable, const GroupRecord& g)
{
    if (!m_main)
        return;
    if (!wasSelection && g.bSelectionGroup)
        m_main->bAddSelectionField(g.sParentTable);
    else if (wasSelection && g.bSelectionGroup && g.sParentTable != oldTable)
        m_main->bRenameSelectionField(oldTable, g.sParentTable);
    else if (wasSelection && !g.bSelectionGroup)
        m_main->bDeleteSelectionField(oldTable);
}
