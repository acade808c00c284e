// The property dialog's field pages by domain: the enabling rules, the domain-dependent
// inputs and defaults, the resets of the domain and label inputs, and the click
// handlers of the inputs those rules read.
#include "frm_Properties.h"
#include "frm_Properties_Helpers.h"
#include "mod_Validation.h"

#include "mod_VrokGlobal.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Records.h"
#include "mod_TextCaches.h"
#include "mod_Global.h"
#include "Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

using properties::isOneOf;
using properties::label;

namespace {

void enableAll(std::initializer_list<QWidget*> controls, bool enabled)
{
    for (QWidget* w : controls)
        w->setEnabled(enabled);
}

QString number(int64_t n) { return QString::number(n); }

// The leading whole number of a text, as the boxes' numbers are read; 0 for none.
int32_t valueOf(const QLineEdit* box) { return box->text().trimmed().toInt(); }

} // namespace

const DomainRecord& frm_Properties::fieldDomain() const
{
    const int32_t index = hasFieldRecord(lRecordIndex) ? gaFields[size_t(lRecordIndex)].nDomainIndex : 0;
    const DomainRecord* d = properties::domainAt(index);
    return d ? *d : gaDomains.at(0);
}

int16_t frm_Properties::fieldDataType() const { return fieldDomain().lDataType; }

// ---- Enabling rules ------------------------------------------------------------------------

void frm_Properties::mEnableFields(bool& bEnable)
{
    if (bFilling || !hasFieldRecord(lRecordIndex))
        return;
    enableAll({txtDomainPackage, txtDomainCode, cmdDomainZoom}, bEnable && !bIsTableField);
    const QString domain = txtDomainPackage->text().trimmed() + txtDomainCode->text().trimmed();
    bEnable = bEnable && !domain.isEmpty();
    const bool display = properties::isDisplayType(cboFieldType);

    chkMandatoryInput->setEnabled(!(bIsTableField && bTableMandatory));
    txtMessage->setEnabled(!display);
    enableAll({cboFieldType, chkMultiCurrency}, bEnable);
    // A multi-currency field shows element -1, which is not the user's to change.
    txtElement->setEnabled(bEnable && !chkMultiCurrency->isChecked());

    const bool hasLabel = !txtLabelCode->text().isEmpty();
    int16_t t = 0;
    if (!bEnable) {
        enableAll({optStrNormal, optStrList, optStrCombo, optCheckbox, optListbox, optOptionset, cboYesValue}, false);
        cboYesValue->clear();
        enableAll({cboFieldZoom, txtZoomInd, txtSearchDesc, cmdZoomSearchDesc}, false);
        cboLabelPosition->setEnabled(hasLabel);
        chkLinkMaxDisplLenToDomain->setEnabled(false);
    } else {
        const DomainRecord& d = gaDomains[size_t(giFindOrAddDomain(domain))];
        t = d.lDataType;
        txtDispHeight->setEnabled(t == 10);
        if (t == 7) {
            enableAll({cboFieldZoom, txtZoomInd, txtSearchDesc, cmdZoomSearchDesc}, false);
            const bool twoValues = d.nNrOfConstants == 2;
            enableAll({optCheckbox, cboYesValue}, twoValues);
            if (!twoValues)
                cboYesValue->clear();
            enableAll({optListbox, optOptionset}, true);
            if (!optListbox->isChecked()) {
                cboLabelPosition->setEnabled(false);
                msSetEnum(cboLabelPosition, 1);
            }
        } else {
            enableAll({cboFieldZoom, txtZoomInd}, true);
            const bool search = (!gaFields[size_t(lRecordIndex)].sSearchField.isEmpty() || !d.bSegmented)
                                && bIsTableField && bTableRef;
            enableAll({txtSearchDesc, cmdZoomSearchDesc}, search);
            enableAll({optCheckbox, optListbox, optOptionset, cboYesValue}, false);
            cboYesValue->clear();
        }
        enableAll({optStrNormal, optStrList, optStrCombo}, (t == 6 || t == 11) && !d.bSegmented);
        cboLabelPosition->setEnabled(hasLabel && !(t == 7 && !optListbox->isChecked()));
        chkLinkMaxDisplLenToDomain->setEnabled(!d.bSegmented && t != 12);
    }

    chkDefault->setEnabled(bEnable && !display);
    const bool defaultValue = bEnable && !display && chkDefault->isChecked();
    enableAll({txtDefaultValue, cboDefaultValue}, defaultValue);
    txtMinInpLength->setEnabled(bEnable && !display);
    txtMaxDispLen->setEnabled(bEnable && !chkLinkMaxDisplLenToDomain->isChecked() && t != 12);
}

// ---- Domain-dependent inputs ---------------------------------------------------------------

void frm_Properties::mSetDomainData()
{
    const DomainRecord& d = fieldDomain();
    const int16_t t = d.lDataType;
    const bool amount = t == 4 || t == 5;
    const bool text = t == 6 || t == 11;

    chkSegmented->setEnabled(false);
    fraMaxDispLen->setTitle(label(amount ? QStringLiteral("pzzrn301.maxd2") : QStringLiteral("pzzrn301.maxd1")));
    fraMaxInpLen->setTitle(label(amount ? QStringLiteral("pzzrn301.maxi2") : QStringLiteral("pzzrn301.maxi1")));
    chkLinkMaxDisplLenToDomain->setText(
        label(isOneOf(t, {1, 2, 3, 9, 12}) ? QStringLiteral("pzzrn301.link2") : QStringLiteral("pzzrn301.link")));

    if (amount || text) {
        if (d.bSegmented) {
            chkLinkMaxInpLenToDomain->setEnabled(false);
            chkLinkMaxInpLenToDomain->setChecked(true);
            txtMaxInpLen->setEnabled(false);
        } else {
            chkLinkMaxInpLenToDomain->setEnabled(true);
            txtMaxInpLen->setEnabled(!chkLinkMaxInpLenToDomain->isChecked());
        }
    } else {
        chkLinkMaxInpLenToDomain->setEnabled(false);
        chkLinkMaxInpLenToDomain->setChecked(false);
        txtMaxInpLen->setEnabled(false);
    }

    int16_t index = hasFieldRecord(lRecordIndex) ? gaFields[size_t(lRecordIndex)].nDomainIndex : int16_t(0);
    lblDataTypeText->setText(gsDomainTypeText(index));
    txtLangUnitExpr->setEnabled(isOneOf(t, {4, 5, 9, 12}));
    if (!txtLangUnitExpr->isEnabled())
        txtLangUnitExpr->clear();
    txtStartPosOfString->setEnabled(text);
    chkSegmented->setChecked(text && d.bSegmented);

    // Display format and maximum display length.
    const auto formatAsLinked = [&] {
        chkLinkDisplFormatToDomain->setEnabled(true);
        if (chkLinkDisplFormatToDomain->isChecked()) {
            txtDisplayFormat->setEnabled(false);
            txtDisplayFormat->setText(d.sDisplayFormat);
        } else {
            txtDisplayFormat->setEnabled(true);
        }
    };
    const auto noFormat = [&] {
        chkLinkDisplFormatToDomain->setEnabled(false);
        chkLinkDisplFormatToDomain->setChecked(false);
        txtDisplayFormat->setEnabled(false);
        txtDisplayFormat->clear();
    };
    const auto lengthAsLinked = [&](int16_t linkedLength) {
        if (chkLinkMaxDisplLenToDomain->isChecked()) {
            txtMaxDispLen->setText(number(linkedLength));
            txtMaxDispLen->setEnabled(false);
        } else {
            txtMaxDispLen->setEnabled(true);
        }
    };
    if (amount) {
        formatAsLinked();
        chkLinkMaxDisplLenToDomain->setEnabled(true);
        lengthAsLinked(d.iMaxDispLen);
    } else if (t == 7) {
        noFormat();
        if (optCheckbox->isChecked()) {
            chkLinkMaxDisplLenToDomain->setEnabled(false);
            chkLinkMaxDisplLenToDomain->setChecked(false);
            txtMaxDispLen->setEnabled(false);
        } else {
            lengthAsLinked(d.iMaxDispLen);
        }
    } else if (t == 10) {
        noFormat();
        chkLinkMaxDisplLenToDomain->setEnabled(false);
        chkLinkMaxDisplLenToDomain->setChecked(false);
        txtMaxDispLen->setEnabled(true);
    } else if (t == 12) {
        formatAsLinked();
        chkLinkMaxDisplLenToDomain->setEnabled(false);
        chkLinkMaxDisplLenToDomain->setChecked(true);
        txtMaxDispLen->setEnabled(false);
        if (chkLinkDisplFormatToDomain->isChecked())
            txtMaxDispLen->setText(number(d.iDifl));
    } else if (text) {
        noFormat();
        if (d.bSegmented) {
            chkLinkMaxDisplLenToDomain->setEnabled(false);
            chkLinkMaxDisplLenToDomain->setChecked(true);
        }
        lengthAsLinked(d.iMaxDispLen);
    } else {
        formatAsLinked();
        chkLinkMaxDisplLenToDomain->setEnabled(true);
        if (chkLinkMaxDisplLenToDomain->isChecked()) {
            txtMaxDispLen->setEnabled(false);
            if (chkLinkDisplFormatToDomain->isChecked())
                txtMaxDispLen->setText(number(d.iDifl));
        } else {
            txtMaxDispLen->setEnabled(true);
        }
    }

    if (t == 10) {
        txtDispHeight->setEnabled(true);
        txtMinInpLength->setEnabled(false);
    } else {
        txtDispHeight->setText(QStringLiteral("1"));
        txtDispHeight->setEnabled(false);
    }
    if (t == 7 && (optCheckbox->isChecked() || optOptionset->isChecked())) {
        msSetEnum(cboLabelPosition, 1);
        cboLabelPosition->setEnabled(false);
    }

    if (chkLinkMaxInpLenToDomain->isChecked())
        txtMaxInpLen->setText(number(d.iMaxInpLen));
    else if (isOneOf(t, {1, 2, 3, 6, 11}) && valueOf(txtMaxInpLen) > 0)
        txtMaxInpLen->setText(number(gMin(valueOf(txtMaxInpLen), int32_t(d.iMaxInpLen))));

    if (chkLinkLabLenToDispLen->isChecked()) {
        const int32_t length = txtDisplayFormat->text().trimmed().isEmpty() ? d.iMaxDispLen : mCalculateFieldLength();
        if (valueOf(txtLabelLengthMO) != length) {
            txtLabelLengthMO->setText(number(length));
            gbValidateControl(txtLabelLengthMO, 2, QString());
        }
    }

    if (t == 7) {
        optCheckbox->setEnabled(d.nNrOfConstants == 2);
        enableAll({optListbox, optOptionset}, true);
        cboYesValue->setEnabled(optCheckbox->isChecked());
        if (!optCheckbox->isChecked())
            cboYesValue->clear();
        cboDefaultValue->setVisible(true);
        txtDefaultValue->setVisible(false);
    } else {
        enableAll({optCheckbox, optListbox, optOptionset, cboYesValue}, false);
        cboYesValue->clear();
        cboDefaultValue->setVisible(false);
        txtDefaultValue->setVisible(true);
    }
    enableAll({optStrNormal, optStrList, optStrCombo}, text && !d.bSegmented);

    if (isOneOf(t, {6, 7, 9, 10, 11, 12})) {
        cboDataAli->setEnabled(false);
        cboDataAli->clear();
    } else {
        cboDataAli->setEnabled(true);
        if (cboDataAli->count() == 0) {
            mFillDataAlignment();
            msSetEnum(cboDataAli, 2);
        }
    }

    if (t == 7) {
        enableAll({cboFieldZoom, txtZoomInd, txtSearchDesc, cmdZoomSearchDesc}, false);
    } else {
        enableAll({cboFieldZoom, txtZoomInd}, true);
        const bool noSearchField = hasFieldRecord(lRecordIndex) && gaFields[size_t(lRecordIndex)].sSearchField.isEmpty();
        enableAll({txtSearchDesc, cmdZoomSearchDesc}, bIsTableField && bTableRef && !(noSearchField && d.bSegmented));
    }
}

void frm_Properties::gSetDomainDefaults()
{
    const DomainRecord& d = fieldDomain();
    const int16_t t = d.lDataType;
    if (isOneOf(t, {1, 2, 3, 9, 12})) {
        chkLinkMaxDisplLenToDomain->setChecked(true);
        chkLinkDisplFormatToDomain->setChecked(true);
    } else if (t == 4 || t == 5) {
        chkLinkMaxDisplLenToDomain->setChecked(true);
        chkLinkDisplFormatToDomain->setChecked(true);
        chkLinkMaxInpLenToDomain->setChecked(true);
    } else if (t == 6 || t == 11) {
        chkLinkMaxDisplLenToDomain->setChecked(true);
        chkLinkMaxInpLenToDomain->setChecked(true);
    } else if (t == 7) {
        txtMaxDispLen->setText(number(d.iMaxDispLen));
        if (chkDefault->isChecked())
            mFillDefaultValue(gaFields[size_t(lRecordIndex)].nDomainIndex);
        else
            cboDefaultValue->clear();
        txtDefaultValue->clear();
        if (d.bIsCheckBox) {
            optCheckbox->setChecked(true);
            lEnumControlKind = ControlKind::CheckBox;
        } else {
            optListbox->setChecked(true);
            lEnumControlKind = ControlKind::ListBox;
        }
        gSetControlDefaults();
    } else if (t == 10) {
        txtMaxDispLen->setText(number(d.iMaxDispLen));
        txtDispHeight->setText(QStringLiteral("5"));
    }
}

void frm_Properties::gSetControlDefaults()
{
    const DomainRecord& d = fieldDomain();
    if (optCheckbox->isChecked()) {
        txtMaxDispLen->setText(QStringLiteral("1"));
        enableAll({chkLinkMaxDisplLenToDomain, txtMaxDispLen}, false);
        cboYesValue->setEnabled(true);
        mFillYesValue(gaFields[size_t(lRecordIndex)].nDomainIndex);
        msSetEnum(cboYesValue, d.iYesValue);
        chkAutoEnable->setEnabled(false);
        cboLabelPosition->setEnabled(false);
        msSetEnum(cboLabelPosition, 1);
        return;
    }
    if (valueOf(txtMaxDispLen) <= 1)
        txtMaxDispLen->setText(number(d.iMaxDispLen));
    txtMaxDispLen->setEnabled(!chkLinkMaxDisplLenToDomain->isChecked());
    chkLinkMaxDisplLenToDomain->setEnabled(true);
    cboYesValue->setEnabled(false);
    cboYesValue->clear();
    if (optListbox->isChecked()) {
        chkAutoEnable->setEnabled(false);
        cboLabelPosition->setEnabled(!txtLabelCode->text().isEmpty());
        return;
    }
    const TreeNode* node = selectedNode();
    chkAutoEnable->setEnabled(node && node->children() > 0);
    cboLabelPosition->setEnabled(false);
    msSetEnum(cboLabelPosition, 1);
}

// ---- Resets -----------------------------------------------------------------------------------

void frm_Properties::mResetDomainProps()
{
    txtDomainPackage->clear();
    txtDomainCode->clear();
    gsPrevValues[txtDomainPackage->objectName()].clear();
    gsPrevValues[txtDomainCode->objectName()].clear();
    lblDataTypeText->clear();
    chkDefault->setChecked(false);
    txtDefaultValue->clear();
    txtDefaultValue->setEnabled(false);
    cboDefaultValue->setEnabled(false);
    lblTableDefaultVal->clear();
    txtMinInpLength->setText(QStringLiteral("0"));
    chkLinkDisplFormatToDomain->setChecked(true);
    txtDisplayFormat->clear();
    chkLinkMaxDisplLenToDomain->setChecked(true);
    txtMaxDispLen->setText(QStringLiteral("0"));
    chkLinkMaxInpLenToDomain->setChecked(true);
    txtMaxInpLen->setText(QStringLiteral("0"));
    if (chkLinkLabLenToDispLen->isChecked()) {
        const int16_t length = mCalculateFieldLength();
        if (valueOf(txtLabelLengthMO) != length) {
            txtLabelLengthMO->setText(number(length));
            gbValidateControl(txtLabelLengthMO, 2, QString());
        }
    }
}

void frm_Properties::mResetLabelProps()
{
    txtLabelCode->clear();
    txtLabelLengthSO->setText(QStringLiteral("0"));
    txtLabelHeightSO->setText(QStringLiteral("1"));
    txtLabelLengthMO->setText(QStringLiteral("0"));
    txtLabelHeightMO->setText(QStringLiteral("1"));
    if (cboLabelPosition->count() > 0)
        cboLabelPosition->setCurrentIndex(0);
    lblLabelDescSOText->clear();
    lblLabelDescMOText->clear();
}

void frm_Properties::mResetGroupLabelProps()
{
    lblGroupFrameDescText->clear();
    lblGroupTabDescText->clear();
}

void frm_Properties::mResetPictLabelProps()
{
    txtLabelCodePict->clear();
    lblLabelDescTextPict->clear();
    txtLabelLenPict->setText(QStringLiteral("0"));
    txtLabelHghtPict->setText(QStringLiteral("1"));
    if (cboLabelPosPict->count() > 0)
        cboLabelPosPict->setCurrentIndex(0);
}

void frm_Properties::disableDomainInputs()
{
    enableAll({optCheckbox, optListbox, optOptionset, cboYesValue, cboDataAli, optStrNormal, optStrList, optStrCombo},
               false);
    cboDataAli->clear();
}

void frm_Properties::enableLabelLengthLink(bool linked)
{
    if (!gbNoSessionTable() && !txtDomainPackage->text().isEmpty()) {
        chkLinkLabLenToDispLen->setEnabled(true);
        txtLabelLengthMO->setEnabled(!linked);
        txtLabelHeightMO->setEnabled(true);
    } else {
        enableAll({chkLinkLabLenToDispLen, txtLabelLengthMO, txtLabelHeightMO}, false);
    }
}

// ---- Another domain ------------------------------------------------------------------------------

bool frm_Properties::mbApplyDomain()
{
    if (!hasFieldRecord(lRecordIndex))
        return false;
    const QString package = txtDomainPackage->text().trimmed();
    const QString code = txtDomainCode->text().trimmed();
    QString hostPackage = package, hostCode = code;
    if (!gbDomainExists(hostPackage, hostCode)) {
        glShowMessage(MessageGroup2, 11, platform::MbIconExclamation, package + code);
        return false;
    }
    FieldRecord& f = gaFields[size_t(lRecordIndex)];
    const int16_t before = f.nDomainIndex;
    giDomainOfField(lRecordIndex, package + code);
    loadNewDomains();
    if (fieldDataType() <= 0) {
        f.nDomainIndex = before;
        glShowMessage(MessageGroup3, 11, platform::MbIconExclamation, package + code);
        return false;
    }

    chkNoControl->setChecked(false);
    gSetDomainDefaults();
    mSetDomainData();
    if (cboDataAli->isEnabled() && cboDataAli->currentIndex() < 0)
        msSetEnum(cboDataAli, 2);
    mSetLabelAlignEnum();
    bool enable = true;
    mEnableFields(enable);
    enableLabelLengthLink(chkLinkLabLenToDispLen->isChecked());
    if (!bIsTableField)
        sNodeKind = gbFieldHasCommand(lRecordIndex) ? QStringLiteral("ntfieldbutton") : QStringLiteral("ntfield");
    return true;
}

// ---- Click handlers ----------------------------------------------------------------------------

void frm_Properties::chkNoControl_Click()
{
    const bool noControl = chkNoControl->isChecked();
    if (noControl) {
        mResetDomainProps();
        // The record follows the boxes until Cancel puts the old domain back.
        if (hasFieldRecord(lRecordIndex))
            gaFields[size_t(lRecordIndex)].nDomainIndex = 0;
        disableDomainInputs();
    }
    mSetLabelAlignEnum();
    bool enable = !noControl;
    mEnableFields(enable);
    enableLabelLengthLink(chkLinkLabLenToDispLen->isChecked());
    if (!bIsTableField) {
        sNodeKind = noControl ? QStringLiteral("label") : QStringLiteral("ntfield");
        if (gbFieldHasCommand(lRecordIndex))
            sNodeKind += QStringLiteral("button");
    }
}

void frm_Properties::cboFieldType_Click()
{
    bool enable = !chkNoControl->isChecked();
    mEnableFields(enable);
}

void frm_Properties::optEnumControl_Click(ControlKind kind)
{
    lEnumControlKind = kind;
    gSetControlDefaults();
}

void frm_Properties::chkDefault_Click()
{
    if (chkDefault->isChecked() && fieldDataType() == 7 && hasFieldRecord(lRecordIndex)) {
        mFillDefaultValue(gaFields[size_t(lRecordIndex)].nDomainIndex);
        const int16_t i = miGetEnumIndex(txtDefaultValue->text());
        if (i >= 0)
            msSetEnum(cboDefaultValue, i);
        else
            cboDefaultValue->setCurrentIndex(-1);
    }
    bool enable = !chkNoControl->isChecked();
    mEnableFields(enable);
}

void frm_Properties::cboDefaultValue_Click()
{
    // The default of an enumerate is stored as the constant's name.
    const int32_t value = cboDefaultValue->currentIndex() < 0 ? -1 : cboDefaultValue->currentData().toInt();
    const DomainRecord& d = fieldDomain();
    if (value >= 1 && value < kMaxEnumConstants)
        txtDefaultValue->setText(d.aEnumName[size_t(value)]);
}

void frm_Properties::chkLinkToDomain_Click()
{
    if (!txtDomainPackage->text().isEmpty())
        mSetDomainData();
    bool enable = !chkNoControl->isChecked();
    mEnableFields(enable);
}

void frm_Properties::chkLinkLabLenToDispLen_Click()
{
    const bool linked = chkLinkLabLenToDispLen->isChecked();
    if (linked)
        txtLabelLengthMO->setText(txtMaxDispLen->text());
    txtLabelLengthMO->setEnabled(!linked && chkLinkLabLenToDispLen->isEnabled());
}

void frm_Properties::chkMultiCurrency_Click()
{
    if (chkMultiCurrency->isChecked()) {
        txtElement->setText(QStringLiteral("-1"));
    } else if (txtElement->text() == QLatin1String("-1")) {
        const int16_t element = hasFieldRecord(lRecordIndex) ? gaFields[size_t(lRecordIndex)].iElement : int16_t(1);
        txtElement->setText(number(element > 0 ? element : 1));
    }
    txtElement->setEnabled(!chkMultiCurrency->isChecked() && chkMultiCurrency->isEnabled());
    for (size_t i = 1; i <= 6; ++i)
        lblElementText[i]->setText(txtElement->text());
}

void frm_Properties::chkFieldInMultiOcc_Click()
{
    chkGrid->setEnabled(!gbNoSessionTable() && chkFieldInMultiOcc->isChecked());
}

void frm_Properties::chkShowGroupBox_Click() { chkCheckOnBox->setEnabled(chkShowGroupBox->isChecked()); }

void frm_Properties::chkSelection_Click()
{
    enableAll({txtParentTable, cmdParentTableZoom}, chkSelection->isChecked());
}

void frm_Properties::chkSingleOcc_Click() { chkNewPage->setEnabled(chkSingleOcc->isChecked()); }

void frm_Properties::chkMultiOcc_Click()
{
    enableAll({chkRichView, chkNewPageMO}, chkMultiOcc->isChecked());
}

void frm_Properties::showIcon(const QString& name)
{
    imgIcon->clear();
    if (name.trimmed().isEmpty())
        return;
    const QPixmap picture(msGetIconFile(name.trimmed()));
    if (!picture.isNull())
        imgIcon->setPixmap(
            picture.scaled(fraIconPreview->contentsRect().size(), Qt::KeepAspectRatio, Qt::FastTransformation));
}
