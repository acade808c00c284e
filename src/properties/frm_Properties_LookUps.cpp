// The property dialog's look-ups in the host: labels by code and by text, new labels,
// and a table field's definition from the data dictionary.
#include "frm_Properties.h"
#include "frm_Properties_Helpers.h"
#include "mod_Validation.h"

#include "mod_DataSets.h"
#include "mod_External.h"
#include "mod_Velq.h"
#include "mod_VrokGlobal.h"
#include "mod_Keys.h"
#include "mod_Records.h"
#include "Dialogs.h"
#include "mod_Global.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <optional>

namespace {

// Message numbers the look-ups show: label missing (group 3), no label of that size
// (group 3), label not stored (group 3), no label with the text (group 2), and the
// question to insert a label.
constexpr int32_t kLabelMissing = 1;
constexpr int32_t kNoLabelOfSize = 10;
constexpr int32_t kLabelNotStored = 5;
constexpr int32_t kNoLabelWithText = 26;
constexpr int32_t kInsertLabel = 9;

// The longest variant a label may have: what a length box showing 0 asks for.
constexpr int16_t kLongestLabel = 999;
constexpr int16_t kHighestLabel = 99;

QString padded(const QString& text, const char* set, const char* column)
{
    return text.leftJustified(glFieldLength(QLatin1String(set), QLatin1String(column)), QLatin1Char(' '));
}

QString labelCode(const QLineEdit* box) { return padded(box->text(), "qxzrn422", "clab"); }

int16_t valueOf(const QLineEdit* box) { return valueOfText<int16_t>(box->text().trimmed()); }

QString number(int64_t n) { return QString::number(n); }

// Texts the host gave are taken as checked: their checks need not ask again.
void acceptTexts(std::initializer_list<const QLineEdit*> boxes)
{
    for (const QLineEdit* box : boxes)
        gsPrevValues.insert(box->objectName(), box->text());
}

// Asks the host for the label of code; a length of 0 asks for the longest variant,
// and length and height then come back as found.
bool findLabel(const QString& code, QString& description, int16_t& length, int16_t& height)
{
    if (length == 0) {
        length = kLongestLabel;
        height = kHighestLabel;
    }
    return glGetLabel(gsPackage, code, gsLanguage, description, length, height, 0, 1) == 0;
}

} // namespace

// ---- Table fields ------------------------------------------------------------------------

void frm_Properties::clearPendingTableValues()
{
    bIsTableField = bTableRef = bTableMandatory = false;
    bPendingTableRef = bPendingTableMandatory = false;
    nTableNrOfElements = 0;
    sTableDefault.clear();
}

bool properties::activeTableColumn(const QString& tableField, TableColumn& c)
{
    const QString package = tableField.left(2);
    const QString module = tableField.mid(2, 3);
    const QString number = tableField.mid(5, 3);
    const QString field = tableField.mid(9);
    QString version, release, customer;
    int32_t active = 0, combined = 0;
    return !field.trimmed().isEmpty() && gbGetTableVrc(package, module, number, 0, version, release, customer)
           && gbGetTableFieldInfo(package, module, number, padded(field, "qxzrn422", "fdnm"), c.domainPackage,
                                  c.domainCode, c.mandatory, c.label, c.reference, c.elements, active, combined,
                                  c.initial, version, release, customer)
           && active != 2 && combined != 1;
}

bool frm_Properties::mbGetTableFieldData(QString& tableField)
{
    properties::TableColumn column;
    if (!properties::activeTableColumn(tableField, column)) {
        clearPendingTableValues();
        return false;
    }
    const QString& label = column.label;
    const QString& initial = column.initial;
    bPendingTableRef = bTableRef = !column.reference.trimmed().isEmpty();
    bPendingTableMandatory = bTableMandatory = column.mandatory == 1;
    nTableNrOfElements = int16_t(std::clamp<int32_t>(column.elements, 0, INT16_MAX));
    sTableDefault = initial.trimmed();
    bIsTableField = true;
    sNodeKind = bTableRef ? QStringLiteral("reffield") : QStringLiteral("tablefield");
    if (gbFieldHasCommand(lRecordIndex))
        sNodeKind += QStringLiteral("button");

    chkMandatoryInput->setChecked(bTableMandatory);
    chkMandatoryInput->setEnabled(!bTableMandatory);
    mResetLabelProps();
    txtLabelCode->setText(label.trimmed().isEmpty() ? tableField : label.trimmed());
    for (QWidget* w : std::initializer_list<QWidget*>{txtLabelCode, txtLabelSearchString, cmdLabelSearch})
        w->setEnabled(true);
    if (!txtLabelCode->text().isEmpty()) {
        txtLabelLengthSO->setText(QStringLiteral("20"));
        if (mlGetLabelData(true) == 0)
            txtLabelCode->clear();
    }

    txtDomainPackage->setText(column.domainPackage.trimmed());
    txtDomainCode->setText(column.domainCode.trimmed());
    if (hasFieldRecord(lRecordIndex)) {
        giDomainOfField(lRecordIndex, txtDomainPackage->text() + txtDomainCode->text());
        loadNewDomains();
    }
    // The previous field's initial value is not this one's.
    lblTableDefaultVal->clear();
    if (!sTableDefault.isEmpty())
        lblTableDefaultVal->setText(fieldDataType() == 7 ? msGetEnumDesc(sTableDefault) : initial);
    chkMandatoryInput->setChecked(bTableMandatory);
    return true;
}

void frm_Properties::mCheckFieldName()
{
    QString name = txtFieldName->text().trimmed();
    if (mbGetTableFieldData(name)) {
        if (!txtDomainCode->text().isEmpty())
            mbApplyDomain();
        acceptTexts({txtDomainPackage, txtDomainCode, txtLabelCode, txtLabelLengthSO, txtLabelHeightSO,
                     txtLabelLengthMO, txtLabelHeightMO, txtLabelSearchString});
    }
    mCheckOldField();
    for (size_t i = 1; i <= 6; ++i)
        lblFieldNameText[i]->setText(txtFieldName->text());
}

// ---- Labels by code ------------------------------------------------------------------------

bool frm_Properties::askToInsertLabel(const QString& code, QLineEdit* search, const QString& kind)
{
    const QString description = search->text().trimmed();
    if (glShowMessage(MessageQuestion, kInsertLabel, platform::MbYesNo | platform::MbIconExclamation, code.trimmed(),
                      description)
        != platform::IdYes) {
        search->clear();
        return false;
    }
    // A label that could not be stored is no label: the text stays for another try.
    return mInsertLabel(code, description, kind);
}

int32_t frm_Properties::mlGetLabelData(bool lookUp)
{
    const int16_t oldLength = valueOf(txtLabelLengthSO);
    const int16_t oldHeight = valueOf(txtLabelHeightSO);
    int32_t result = 0;
    if (lookUp) {
        const QString code = labelCode(txtLabelCode);
        QString description;
        int16_t length = oldLength, height = oldHeight;
        if (findLabel(code, description, length, height)) {
            lblLabelDescSOText->setText(description);
            if (oldLength == 0) {
                txtLabelLengthSO->setText(number(length));
                txtLabelHeightSO->setText(number(height));
            }
        } else if (txtLabelSearchString->text().trimmed().isEmpty()) {
            int16_t kind = 11;
            glShowMessage(MessageGroup3, kNoLabelOfSize, platform::MbIconExclamation,
                          gsGetLabel(QStringLiteral("qxzrn308.inso"), kind));
            return 0;
        } else if (!askToInsertLabel(code, txtLabelSearchString, QStringLiteral("field"))) {
            return 0;
        }
        result = 1;
    }
    return result + multiOccLabel(oldLength, oldHeight, true);
}

int32_t frm_Properties::multiOccLabel(int32_t oldLength, int32_t oldHeight, bool zeroFollowsDisplay)
{
    if (gbNoSessionTable())
        return 0;
    const int16_t lengthMO = valueOf(txtLabelLengthMO);
    const bool linked = chkLinkLabLenToDispLen->isChecked();
    if (!txtDomainPackage->text().isEmpty() && (lengthMO != oldLength || valueOf(txtLabelHeightMO) != oldHeight)) {
        int16_t length = lengthMO;
        if (!linked && lengthMO != 0)
            length = std::max<int16_t>(mCalculateFieldLength(), lengthMO);
        int16_t height = valueOf(txtLabelHeightMO);
        QString description;
        if (glGetLabel(gsPackage, labelCode(txtLabelCode), gsLanguage, description, length, height, 0, 1) == 0) {
            lblLabelDescMOText->setText(description);
            return 2;
        }
        lblLabelDescMOText->clear();
        int16_t kind = 11;
        glShowMessage(MessageGroup3, kNoLabelOfSize, platform::MbIconExclamation,
                      gsGetLabel(QStringLiteral("qxzrn308.inmo"), kind));
        return 0;
    }
    lblLabelDescMOText->setText(lblLabelDescSOText->text());
    if (!linked)
        txtLabelLengthMO->setText(txtLabelLengthSO->text());
    else if (zeroFollowsDisplay && txtLabelLengthMO->text() == QLatin1String("0"))
        txtLabelLengthMO->setText(txtMaxDispLen->text());
    txtLabelHeightMO->setText(txtLabelHeightSO->text());
    return 0;
}

int32_t frm_Properties::mlGetGroupLabelData()
{
    const QString code = labelCode(txtGroupLabelCode);
    QString tab, frame;
    if (gbGetGroupLabels(gsPackage, code, tab, frame)) {
        lblGroupFrameDescText->setText(frame.trimmed());
        lblGroupTabDescText->setText(tab.trimmed());
        txtLabelSearchGroups->clear();
        return 1;
    }
    if (txtLabelSearchGroups->text().trimmed().isEmpty()) {
        glShowMessage(MessageGroup3, kLabelMissing, platform::MbIconExclamation, code.trimmed());
        return 0;
    }
    if (!askToInsertLabel(code, txtLabelSearchGroups, QStringLiteral("group")))
        return 0;
    txtLabelSearchGroups->clear();
    return 1;
}

int32_t frm_Properties::mlGetPictLabelData()
{
    const QString previous = gsPrevValues.value(txtLabelCodePict->objectName());
    if (txtLabelCodePict->text() == previous)
        return 0;
    const QString code = labelCode(txtLabelCodePict);
    const int16_t oldLength = valueOf(txtLabelLenPict);
    int16_t length = oldLength, height = valueOf(txtLabelHghtPict);
    QString description;
    if (findLabel(code, description, length, height)) {
        lblLabelDescTextPict->setText(description.trimmed());
        if (oldLength == 0) {
            txtLabelLenPict->setText(number(length));
            txtLabelHghtPict->setText(number(height));
        }
        txtLabelSearchPict->clear();
        return 1;
    }
    if (txtLabelSearchPict->text().trimmed().isEmpty()) {
        glShowMessage(MessageGroup3, kLabelMissing, platform::MbIconExclamation, code.trimmed());
        txtLabelCodePict->setText(previous);
        return 0;
    }
    if (!askToInsertLabel(code, txtLabelSearchPict, QStringLiteral("picture")))
        return 0;
    txtLabelSearchPict->clear();
    return 1;
}

// ---- Labels by text ------------------------------------------------------------------------

namespace {

struct FoundLabel {
    QString description, code;
    int16_t length = 0, height = 0;
};

// The label whose text is description, or nothing after the message.
std::optional<FoundLabel> searchLabel(const QString& description, QLineEdit* codeBox)
{
    FoundLabel f;
    f.description = padded(description, "qxzrn140", "desc");
    f.length = 70;
    int16_t found = 0;
    gSearchExistingLabels(gsLanguage, gsPackage, f.description, f.code, f.length, f.height, found);
    if (found != 1) {
        glShowMessage(MessageGroup2, kNoLabelWithText, platform::MbIconExclamation, description);
        // After the message the window may not be active yet: the box is selected here.
        codeBox->setFocus();
        gSelectAllText(*codeBox);
        return std::nullopt;
    }
    f.description = f.description.trimmed();
    f.code = f.code.trimmed();
    return f;
}

} // namespace

void frm_Properties::mGetLabelDataWithDesc(const QString& description)
{
    bLabelSearched = true;
    const int16_t oldLength = valueOf(txtLabelLengthSO);
    const int16_t oldHeight = valueOf(txtLabelHeightSO);
    const std::optional<FoundLabel> f = searchLabel(description, txtLabelCode);
    if (!f)
        return;
    txtLabelSearchString->clear();
    txtLabelCode->setText(f->code);
    txtLabelLengthSO->setText(number(f->length));
    txtLabelHeightSO->setText(number(f->height));
    lblLabelDescSOText->setText(f->description);
    multiOccLabel(oldLength, oldHeight, false);
    acceptTexts({txtLabelCode, txtLabelLengthSO, txtLabelHeightSO, txtLabelLengthMO, txtLabelHeightMO});
}

void frm_Properties::mGetGroupLabelWithDesc(const QString& description)
{
    bGroupLabelSearched = true;
    const std::optional<FoundLabel> f = searchLabel(description, txtGroupLabelCode);
    if (!f)
        return;
    txtLabelSearchGroups->clear();
    txtGroupLabelCode->setText(f->code);
    mlGetGroupLabelData();
    acceptTexts({txtGroupLabelCode});
}

void frm_Properties::mGetPictLabelWithDesc(const QString& description)
{
    bPictLabelSearched = true;
    const std::optional<FoundLabel> f = searchLabel(description, txtLabelCodePict);
    if (!f)
        return;
    txtLabelSearchPict->clear();
    txtLabelCodePict->setText(f->code);
    lblLabelDescTextPict->setText(f->description);
    txtLabelHghtPict->setText(number(f->height));
    txtLabelLenPict->setText(number(f->length));
    acceptTexts({txtLabelCodePict, txtLabelHghtPict, txtLabelLenPict});
}

// ---- A new label ---------------------------------------------------------------------------

bool frm_Properties::mInsertLabel(const QString& code, const QString& description, const QString& kind)
{
    QString origPackage, origVersion, origRelease, origCustomer;
    gGetOrigVrc(gsPackage, gsVersion, gsRelease, gsCustomer, origPackage, origVersion, origRelease, origCustomer);
    int16_t height = 0, length = 0;
    gCompLabelDims(description, height, length);
    const QString searchKey = gsCompSeak(description);
    if (!gbInsertQxzrn140(gsLanguage, origPackage, code, height, length, origVersion, origRelease, origCustomer,
                          description, searchKey)) {
        gWriteLog(QStringLiteral("New label not inserted"));
        return false;
    }
    if (glCommitVelqSet() != 0) {
        gWriteLog(QStringLiteral("New label not inserted"));
        // Left open, the insert would be committed by the next save.
        glAbortTransaction();
        glShowMessage(MessageGroup3, kLabelNotStored, platform::MbIconExclamation, code.trimmed());
        return false;
    }
    gWriteLog(QStringLiteral("New label inserted"));
    if (kind == QLatin1String("field")) {
        lblLabelDescSOText->setText(description);
        txtLabelLengthSO->setText(number(length));
        txtLabelHeightSO->setText(number(height));
    } else if (kind == QLatin1String("group")) {
        lblGroupFrameDescText->setText(description);
        lblGroupTabDescText->setText(description);
    } else {
        lblLabelDescTextPict->setText(description);
        txtLabelLenPict->setText(number(length));
        txtLabelHghtPict->setText(number(height));
    }
    return true;
}
