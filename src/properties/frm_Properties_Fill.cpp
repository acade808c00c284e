// The property dialog filled from the records: the combo lists, the view-field and
// label-position helpers, and the fill of the four kinds.
#include "frm_Properties.h"
#include "frm_Properties_Helpers.h"
#include "mod_Validation.h"

#include "mod_Enumerate.h"
#include "mod_External.h"
#include "mod_Texts.h"
#include "mod_VrokGlobal.h"
#include "NodeTree.h"
#include "mod_DesignDefinitions.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Pointers.h"
#include "mod_Records.h"
#include "mod_TableFields.h"
#include "mod_TextCaches.h"
#include "mod_ViewFields.h"
#include "mod_Global.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QScopedValueRollback>

#include <optional>

namespace {

using properties::domainAt;
using properties::isDisplayType;

int16_t dataTypeOf(const FieldRecord& f)
{
    const DomainRecord* d = domainAt(f.nDomainIndex);
    return d ? d->lDataType : int16_t(0);
}

void fillFixedList(QComboBox* combo, const std::vector<EnumValueRecord>& table)
{
    for (const EnumValueRecord& e : table)
        if (!e.sDesc.isEmpty())
            combo->addItem(e.sDesc, e.lValue);
}

// The constants of a domain, 1 to 127, in rising value.
void fillDomainList(QComboBox* combo, int16_t domainIndex)
{
    combo->clear();
    const DomainRecord* d = domainAt(domainIndex);
    if (!d)
        return;
    for (int v = 1; v < kMaxEnumConstants; ++v)
        if (!d->aEnumDesc[size_t(v)].isEmpty())
            combo->addItem(d->aEnumDesc[size_t(v)], v);
}

void setChecked(QAbstractButton* box, bool value) { box->setChecked(value); }

QString number(int64_t n) { return QString::number(n); }

} // namespace

// ---- Combo lists -------------------------------------------------------------------------

void frm_Properties::mFillCombos()
{
    mFillFieldType();
    mFillFieldZoom();
    mFillLabelPosition();
    mFillDataAlignment();
}

void frm_Properties::mFillFieldType() { fillFixedList(cboFieldType, gaEnumFieldType); }

void frm_Properties::mFillFieldZoom() { fillFixedList(cboFieldZoom, gaEnumZoomType); }

void frm_Properties::mFillLabelPosition()
{
    fillFixedList(cboLabelPosition, gaEnumLabelPos);
    fillFixedList(cboLabelPosPict, gaEnumLabelPos);
}

void frm_Properties::mFillDataAlignment()
{
    cboDataAli->clear();
    for (size_t i = 1; i <= 2 && i < gaEnumDataAlign.size(); ++i)
        cboDataAli->addItem(gaEnumDataAlign[i].sDesc, gaEnumDataAlign[i].lValue);
}

void frm_Properties::mFillYesValue(int16_t domainIndex) { fillDomainList(cboYesValue, domainIndex); }

void frm_Properties::mFillDefaultValue(int16_t domainIndex) { fillDomainList(cboDefaultValue, domainIndex); }

void frm_Properties::mFillLinkedValue(int16_t domainIndex) { fillDomainList(cboLinkedValue, domainIndex); }

QString frm_Properties::msSetEnum(QComboBox* combo, int32_t value)
{
    if (combo->count() == 0) {
        combo->setCurrentIndex(-1);
        return {};
    }
    const int found = combo->findData(value);
    combo->setCurrentIndex(found < 0 ? 0 : found);
    return combo->currentText();
}

// ---- View fields, label positions, control type, reference table ------------------------

bool frm_Properties::gbIsViewField(int32_t index, const TreeNode* node, bool bFromDialog, int16_t& reason,
                                   int32_t& dependsOn)
{
    return ::gbIsViewField(index, node, bFromDialog ? std::optional<bool>(chkDependent->isChecked()) : std::nullopt,
                           reason, dependsOn);
}

void frm_Properties::mSetLabelAlignEnum()
{
    constexpr int kRight = 3;
    const int right = cboLabelPosition->findData(kRight);
    if (!chkNoControl->isChecked()) {
        if (right < 0 && size_t(kRight) < gaEnumLabelPos.size() && !gaEnumLabelPos[kRight].sDesc.isEmpty())
            cboLabelPosition->addItem(gaEnumLabelPos[kRight].sDesc, kRight);
        return;
    }
    if (right < 0)
        return;
    const bool selected = cboLabelPosition->currentIndex() == right;
    cboLabelPosition->removeItem(right);
    if (selected)
        msSetEnum(cboLabelPosition, 1);
}

ControlKind frm_Properties::mlControlType() const
{
    if (optCheckbox->isEnabled() || optListbox->isEnabled() || optOptionset->isEnabled())
        return optCheckbox->isChecked()  ? ControlKind::CheckBox
               : optListbox->isChecked() ? ControlKind::ListBox
                                         : ControlKind::OptionSet;
    if (optStrNormal->isEnabled() || optStrList->isEnabled() || optStrCombo->isEnabled())
        return optStrList->isChecked()    ? ControlKind::StringList
               : optStrCombo->isChecked() ? ControlKind::StringCombo
                                          : ControlKind::StringNormal;
    return chkNoControl->isChecked() ? ControlKind::NoControl : ControlKind::Input;
}

bool frm_Properties::msGetRefTable(QString& package, QString& module, QString& number)
{
    if (!bIsTableField || !bTableRef)
        return false;
    return gbTableFieldReference(txtFieldName->text(), package, module, number);
}

// ---- Filling from the records -------------------------------------------------------------

bool frm_Properties::mFillProperties()
{
    if (Tag == kKindGroup)
        fillGroup();
    else if (Tag == kKindPicture)
        fillPicture();
    else if (Tag == kKindForm)
        fillForm();
    else if (Tag == kKindField)
        fillField();
    gSaveOldPropValues(*this, Tag);
    return true;
}

void frm_Properties::fillGroup()
{
    if (lRecordIndex < 0 || size_t(lRecordIndex) >= gaGroups.size())
        return;
    const GroupRecord& g = gaGroups[size_t(lRecordIndex)];
    txtLabelSearchGroups->clear();
    txtGroupLabelCode->setText(g.sLabelCode);
    QRadioButton* alignment = g.lAlignmentGroupId < 0    ? optGroupAlignmentDef
                              : g.lAlignmentGroupId == 0 ? optGroupAlignmentEqu
                                                         : optGroupAlignmentSpec;
    alignment->setChecked(true);
    setChecked(chkShowGroupBox, g.bShowGroupBox);
    chkCheckOnBox->setEnabled(g.bShowGroupBox);
    setChecked(chkCheckOnBox, g.bCheckOnGroupBox);
    setChecked(chkGrpBeside, g.bPlaceBeside);
    setChecked(chkRepeatingGroup, g.bRepeatingGroup);
    setChecked(chkGroupInSingleOcc, g.bGroupInSingleOcc);
    setChecked(chkGroupInMultiOcc, g.bGroupInMultiOcc);
    setChecked(chkDashboard, g.bDashboard);
    setChecked(chkSelection, g.bSelectionGroup);
    txtParentTable->setEnabled(chkSelection->isChecked());
    cmdParentTableZoom->setEnabled(chkSelection->isChecked());
    txtParentTable->setText(chkSelection->isChecked() ? g.sParentTable : QString());
    // Widths above 100 mark groups that stand beside each other.
    txtGroupCols->setText(number(g.iGroupWidth >= 101 ? g.iGroupWidth - 100 : g.iGroupWidth));
    lblGroupFrameDescText->setText(g.sFrameDesc);
    lblGroupTabDescText->setText(g.sTabDesc);
    txtFormNr->setText(number(lRecordIndex + 1));
    if (lblGroupFrameDescText->text().isEmpty() && !txtGroupLabelCode->text().isEmpty())
        mlGetGroupLabelData();
}

void frm_Properties::fillForm()
{
    if (gaGroups.empty())
        return;
    const GroupRecord& g = gaGroups[0];
    setChecked(chkSingleOcc, g.bGroupInSingleOcc);
    setChecked(chkMultiOcc, g.bGroupInMultiOcc);
    chkRichView->setEnabled(g.bGroupInMultiOcc);
    setChecked(chkRichView, g.bRichView);
    chkNewPage->setEnabled(g.bGroupInSingleOcc);
    setChecked(chkNewPage, g.bNewPage);
    chkNewPageMO->setEnabled(g.bGroupInMultiOcc);
    setChecked(chkNewPageMO, g.bNewPageMO);
    txtGroupCols->setText(number(g.iGroupWidth));
    lblSessionDescText->setText(gsHeader);
}

void frm_Properties::fillPicture()
{
    if (!hasFieldRecord(lRecordIndex))
        return;
    const FieldRecord& f = gaFields[size_t(lRecordIndex)];
    showIcon(f.sIconName);
    txtFieldNamePict->setText(f.sFieldName);
    txtIcon->setText(f.sIconName);
    setChecked(chkSingleOccPict, f.bFieldInSingleOcc);
    setChecked(chkMultiOccPict, f.bFieldInMultiOcc);
    setChecked(chkImmediateBehindPict, f.bImmediateBehind);
    txtLabelCodePict->setText(f.sLabelCode);
    txtLabelLenPict->setText(number(f.iLabelLengthSO));
    txtLabelHghtPict->setText(number(f.iLabelHeightSO));
    lblLabelDescTextPict->setText(f.sLabelDescSO);
    msSetEnum(cboLabelPosPict, f.lLabelPosition);
}

void frm_Properties::fillField()
{
    if (!hasFieldRecord(lRecordIndex))
        return;
    QScopedValueRollback<bool> filling(bFilling, true);
    FieldRecord& f = gaFields[size_t(lRecordIndex)];
    const int16_t dataType = dataTypeOf(f);
    gsZoomPackageModule.clear();
    gsLastZoomTarget.clear();

    txtFieldName->setText(f.sFieldName);
    if (f.bMultiCurrency) {
        txtElement->setText(QStringLiteral("-1"));
        txtElement->setEnabled(false);
    } else {
        txtElement->setText(number(f.iElement));
        txtElement->setEnabled(true);
    }
    for (size_t i = 1; i <= 6; ++i) {
        lblFieldNameText[i]->setText(txtFieldName->text());
        lblElementText[i]->setText(txtElement->text());
    }
    txtLabelSearchString->clear();
    txtDomainPackage->setText(f.sDomainPackage);
    txtDomainCode->setText(f.sDomainCode);
    msSetEnum(cboFieldType, f.lFieldType);
    lblTableDefaultVal->setText(msGetEnumDesc(f.sTableDefault.trimmed()));

    if (dataType == 6 || dataType == 11) {
        QRadioButton* kind = f.lControl == ControlKind::StringList    ? optStrList
                             : f.lControl == ControlKind::StringCombo ? optStrCombo
                                                                      : optStrNormal;
        kind->setChecked(true);
    }
    if (dataType == 7) {
        if (f.lControl == ControlKind::CheckBox) {
            lEnumControlKind = ControlKind::CheckBox;
            optCheckbox->setChecked(true);
            mFillYesValue(f.nDomainIndex);
            msSetEnum(cboYesValue, f.iYesValue);
        } else {
            const bool listBox = f.lControl == ControlKind::ListBox;
            lEnumControlKind = listBox ? ControlKind::ListBox : ControlKind::OptionSet;
            (listBox ? optListbox : optOptionset)->setChecked(true);
            cboYesValue->clear();
        }
        if (chkDefault->isChecked())
            mFillDefaultValue(f.nDomainIndex);
        else
            cboDefaultValue->clear();
        cboDefaultValue->setVisible(true);
        txtDefaultValue->setVisible(false);
    }

    if (isDisplayType(cboFieldType)) {
        chkDefault->setChecked(false);
        chkDefault->setEnabled(false);
        txtDefaultValue->clear();
        txtDefaultValue->setEnabled(false);
    } else {
        setChecked(chkDefault, f.bDefault);
        chkDefault->setEnabled(true);
        txtDefaultValue->setText(f.sDefaultValue);
        if (chkDefault->isChecked() && dataType == 7) {
            // What the default box's own click does: the list of the domain's values.
            if (cboDefaultValue->count() == 0)
                mFillDefaultValue(f.nDomainIndex);
            const int16_t i = miGetEnumIndex(f.sDefaultValue);
            if (i == -1)
                cboDefaultValue->setEditText(f.sDefaultValue);
            else
                msSetEnum(cboDefaultValue, i);
        }
        txtDefaultValue->setEnabled(f.bDefault);
    }
    cboDefaultValue->setEnabled(txtDefaultValue->isEnabled());

    setChecked(chkNoControl, f.sDomainPackage.isEmpty());
    lblFieldId->setText(numberWithSign(f.nOmod));
    mSetLabelAlignEnum();
    txtLabelCode->setText(f.sLabelCode);
    mCheckOldField();

    txtDisplayFormat->setText(f.sDisplayFormat);
    setChecked(chkLinkDisplFormatToDomain, f.bLinkDisplFormatToDomain);
    txtMinInpLength->setText(number(f.iMinInpLen));
    txtMaxDispLen->setText(number(f.iMaxDispLen));
    txtDispHeight->setText(number(f.iFieldHeight));
    setChecked(chkLinkMaxDisplLenToDomain, dataType == 12 || f.bLinkMaxDisplLenToDomain);
    txtMaxInpLen->setText(number(f.iMaxInpLen));
    setChecked(chkLinkMaxInpLenToDomain, f.bLinkMaxInpLenToDomain);
    txtStartPosOfString->setText(number(f.iStartPosOfString));

    if (!txtDomainPackage->text().isEmpty()) {
        if (dataType == 0)
            loadNewDomains();
        mSetDomainData();
        if (cboDataAli->isEnabled())
            msSetEnum(cboDataAli, f.iDataAli);
    } else {
        disableDomainInputs();
    }
    // Kept for every field: Cancel puts it back.
    nSavedDomainIndex = f.nDomainIndex;

    // A length of 999 links the multi-occurrence label length to the display length.
    const bool labelLengthLinked = f.iLabelLengthMO == 999;
    enableLabelLengthLink(labelLengthLinked);

    txtMessage->setText(f.sMessage);
    setChecked(chkEchoField, f.bEchoField);
    if (f.bTableMandatory && f.bIsTableField) {
        chkMandatoryInput->setChecked(true);
        chkMandatoryInput->setEnabled(false);
    } else {
        setChecked(chkMandatoryInput, f.bMandatoryInput);
        chkMandatoryInput->setEnabled(true);
    }
    txtLangUnitExpr->setText(f.sLanguageUnitExpression);
    msSetEnum(cboFieldZoom, f.nZoomField);
    txtFieldZoomTo->setText(f.sZoomTo);
    txtZoomReturnField->setText(f.sZoomReturnField);
    txtZoomToParallelMenus->setText(f.sParallelMenu);
    txtZoomInd->setText(number(f.iZoomIndex));
    txtSearchDesc->setText(f.sSearchField);
    setChecked(chkMultiCurrency, f.bMultiCurrency);

    if (f.bExistsInHost && !f.bInputPropsLoaded && f.bDefault) {
        gLoadTable302(lRecordIndex);
        f.bInputPropsLoaded = true;
    }
    txtInpRefExpr->setText(f.sInpRefExpr);
    setChecked(chkSyncField, f.bSyncField);

    const bool readOnly = gsOpenMode == "r";
    if (f.bDocuChecked) {
        setChecked(chkDocu, f.bDocuAvailable);
        cmdDocuText->setEnabled(!(readOnly && !f.bDocuAvailable));
    } else {
        chkDocu->setChecked(false);
        cmdDocuText->setEnabled(!readOnly);
    }

    setChecked(chkImmediateBehind, f.bImmediateBehind);
    setChecked(chkFieldInSingleOcc, f.bFieldInSingleOcc);
    chkGrid->setEnabled(!gbNoSessionTable() && f.bFieldInMultiOcc);
    setChecked(chkGrid, f.bInGrid);
    setChecked(chkFieldInMultiOcc, f.bFieldInMultiOcc);
    setChecked(chkInitHidden, f.bInitialHidden);

    if (gbNoSessionTable()) {
        chkViewField->setEnabled(false);
        chkOccIndependent->setEnabled(false);
    } else {
        fillViewField(f, selectedNode());
    }

    setChecked(chkDependent, f.bDependent);
    setChecked(chkAutoEnable, f.bAutoEnable);
    msSetEnum(cboLabelPosition, f.lLabelPosition);
    txtLabelHeightSO->setText(number(f.iLabelHeightSO));
    txtLabelLengthSO->setText(number(f.iLabelLengthSO));
    lblLabelDescSOText->setText(f.sLabelDescSO);
    txtLabelHeightMO->setText(number(f.iLabelHeightMO));
    if (labelLengthLinked) {
        chkLinkLabLenToDispLen->setChecked(true);
        txtLabelLengthMO->setText(txtMaxDispLen->text());
    } else {
        chkLinkLabLenToDispLen->setChecked(false);
        txtLabelLengthMO->setText(number(f.iLabelLengthMO));
    }
    lblLabelDescMOText->setText(f.sLabelDescMO);
    int16_t domain = f.nDomainIndex;
    lblDataTypeText->setText(gsDomainTypeText(domain));
    lblCommand->setText(gbFieldHasCommand(lRecordIndex) && f.lCommandIndex >= 0
                                && size_t(f.lCommandIndex) < gaSpecificCommands.size()
                            ? gaSpecificCommands[size_t(f.lCommandIndex)].sSpecificCommand
                            : QString());

    // The enabling rules wait for the fill, then apply to the whole field.
    bFilling = false;
    filling.commit();
    bool enable = !chkNoControl->isChecked();
    mEnableFields(enable);

    // The selection field of a selection group is kept by the group.
    if (properties::isSelectionField(f))
        setInputsEnabled(inputsInFrames(), false);
}

void frm_Properties::fillViewField(const FieldRecord& f, const TreeNode* node)
{
    int16_t reason = 0;
    int32_t dependsOn = 0;
    gbIsViewField(lRecordIndex, node, false, reason, dependsOn);
    switch (reason) {
    case ViewFieldNone:
    case ViewFieldMarked:
    case ViewFieldListed: {
        setChecked(chkViewField, f.bIsViewField);
        const TreeNode* parent = node ? node->parent() : nullptr;
        chkViewField->setEnabled(!(parent && gbIsFieldKey(parent->key()) && f.bDependent));
        const bool independent = !gbIsMainTableField(lRecordIndex) && reason == ViewFieldMarked && f.bFieldInMultiOcc;
        setChecked(chkOccIndependent, independent && f.bOccIndependentViewField);
        chkOccIndependent->setEnabled(independent);
        break;
    }
    case ViewFieldDependent:
        chkViewField->setChecked(true);
        chkViewField->setEnabled(false);
        setChecked(chkOccIndependent, hasFieldRecord(dependsOn) && gaFields[size_t(dependsOn)].bOccIndependentViewField);
        chkOccIndependent->setEnabled(false);
        break;
    default:
        break;
    }
}

void frm_Properties::mCheckOldField()
{
    if (!hasFieldRecord(lRecordIndex))
        return;
    FieldRecord& f = gaFields[size_t(lRecordIndex)];
    if (bIsTableField) {
        chkNoControl->setChecked(false);
        chkNoControl->setEnabled(false);
        bool enable = !chkNoControl->isChecked();
        mEnableFields(enable);
        for (QWidget* w : std::initializer_list<QWidget*>{txtDomainCode, txtDomainPackage, cmdDomainZoom})
            w->setEnabled(false);
        chkMandatoryInput->setEnabled(!bTableMandatory);
    } else {
        chkNoControl->setEnabled(true);
        f.sTableDefault.clear();
        chkMandatoryInput->setEnabled(true);
        // A field that stops being a table field loses the dictionary's domain.
        if (!sOldNodeKind.startsWith(QLatin1String("ntfield")) && !sOldNodeKind.startsWith(QLatin1String("label"))) {
            mResetDomainProps();
            bool enable = !chkNoControl->isChecked();
            mEnableFields(enable);
        }
        sNodeKind = chkNoControl->isChecked() ? QStringLiteral("label") : QStringLiteral("ntfield");
        if (gbFieldHasCommand(lRecordIndex))
            sNodeKind += QStringLiteral("button");
    }
    sOldNodeKind = sNodeKind;
}

QString frm_Properties::msGetIconFile(const QString& name)
{
    for (size_t i = 1; i < gaIconCache.size(); ++i)
        if (gaIconCache[i].sIconName == name)
            return QDir(gaIconCache[i].sLocalFile).filePath(gaIconCache[i].sFileName);
    QString file;
    if (glGetPicture(gsPackage + QStringLiteral("form_"), name, file) != 0 || file.trimmed().isEmpty())
        return {};
    // Kept as folder and plain name: the exit removes plain names in their folder only.
    const QFileInfo info(file.trimmed());
    IconCacheEntry entry;
    entry.sIconName = name;
    entry.sLocalFile = info.isAbsolute() ? info.absolutePath() : QDir(gsBaseDir).filePath(QStringLiteral("tmp"));
    entry.sFileName = info.fileName();
    if (gaIconCache.empty())
        gaIconCache.resize(1);
    gaIconCache.push_back(entry);
    return QDir(entry.sLocalFile).filePath(entry.sFileName);
}

QString frm_Properties::msGetEnumDesc(const QString& name) const
{
    const int16_t i = miGetEnumIndex(name);
    if (i < 0)
        return name;
    return gaDomains[size_t(gaFields[size_t(lRecordIndex)].nDomainIndex)].aEnumDesc[size_t(i)];
}

int16_t frm_Properties::miGetEnumIndex(const QString& name) const
{
    // Constants without a name are no constants.
    if (name.isEmpty() || !hasFieldRecord(lRecordIndex))
        return -1;
    const DomainRecord* d = domainAt(gaFields[size_t(lRecordIndex)].nDomainIndex);
    if (!d)
        return -1;
    // The dictionary's initial values name a constant without its domain.
    const QString qualified = d->sDomain + QLatin1Char('.') + name;
    for (int16_t i = 1; i < kMaxEnumConstants; ++i)
        if (d->aEnumName[size_t(i)] == name || d->aEnumName[size_t(i)] == qualified)
            return i;
    return -1;
}
