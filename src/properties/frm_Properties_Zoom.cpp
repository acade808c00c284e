// The property dialog's windows of the host: the zoom buttons' look-up sessions, the
// icon chooser, the searches of labels by their text and a field's technical
// documentation.
#include "frm_Properties.h"
#include "frm_Properties_Helpers.h"
#include "mod_Validation.h"

#include "mod_DataSets.h"
#include "mod_External.h"
#include "mod_VrokGlobal.h"
#include "mod_ZoomRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

// What the chosen record gives the input besides its last field.
enum class Key {
    Code,        // the field alone
    Domain,      // the package into txtDomainPackage, the code into the input
    ZoomTo,      // package and module written before the code; a menu's parameter too
    Table,       // package and module written before the table number
    TableField,  // the table code, a point and the field name
};

struct ZoomSession {
    const char* button;
    const char* target;  // of the start record
    bool fromFieldName;
    const char* session;
    const char* table;
    Key key;
    const char* field;   // the record's field that ends the key
    const char* input;
};

// The host sessions of the zoom buttons. The zoom-to session and the parent table are
// the Tools menu's sessions of the same tables; the zoom-to button takes the menu row
// when the field zooms to a menu.
const ZoomSession kZooms[] = {
    {"cmdLabelsZoom", "qxzrn140_2", false, "qxzrn1140m000", "qxzrn140", Key::Code, "clab", "txtLabelCode"},
    {"cmdGroupLabelsZoom", "qxzrn140_2", false, "qxzrn1140m000", "qxzrn140", Key::Code, "clab", "txtGroupLabelCode"},
    {"cmdLabelsZoomPict", "qxzrn140_2", false, "qxzrn1140m000", "qxzrn140", Key::Code, "clab", "txtLabelCodePict"},
    {"cmdDomainZoom", "qxzrn400_2", false, "qxzrn4100m000", "qxzrn400", Key::Domain, "cdom", "txtDomainCode"},
    {"cmdMessageZoom", "qxzrn450_2", false, "qxzrn4150m000", "qxzrn450", Key::Code, "cmes", "txtMessage"},
    {"cmdZoomFieldZoom", "qxzrn200_2", false, "qxzrn2100s000", "qxzrn200", Key::ZoomTo, "cses", "txtFieldZoomTo"},
    {"cmdZoomFieldZoom", "qxzrn360_2", false, "qxzrn3160m000", "qxzrn360", Key::ZoomTo, "cmen", "txtFieldZoomTo"},
    {"cmdFieldNameZoom", "qxzrn422_2", true, "qxzrn4529m000", "qxzrn422", Key::TableField, "fdnm", "txtFieldName"},
    {"cmdZoomSessionTable", "qxzrn422_2", false, "qxzrn4529m000", "qxzrn422", Key::TableField, "fdnm",
     "txtZoomReturnField"},
    {"cmdZoomSearchDesc", "searchdesc", false, "qxzrn4529m000", "qxzrn422", Key::TableField, "fdnm", "txtSearchDesc"},
    {"cmdParentTableZoom", "qxzrn420_1", false, "qxzrn2530m000", "qxzrn420", Key::Table, "flno", "txtParentTable"},
};

bool isMenu(const ZoomSession& z) { return QLatin1String(z.table) == QLatin1String("qxzrn360"); }

const ZoomSession* zoomOf(const QString& button, bool menu)
{
    for (const ZoomSession& z : kZooms)
        if (button == QLatin1String(z.button) && (button != QLatin1String("cmdZoomFieldZoom") || menu == isMenu(z)))
            return &z;
    return nullptr;
}

// The fields the session answers: what the key is made of.
QStringList answerFields(const ZoomSession& z)
{
    QStringList fields;
    switch (z.key) {
    case Key::Code:
        break;
    case Key::Domain:
        fields << QStringLiteral("cpac");
        break;
    case Key::ZoomTo:
    case Key::Table:
        fields << QStringLiteral("cpac") << QStringLiteral("cmod");
        break;
    case Key::TableField:
        fields << QStringLiteral("cpac") << QStringLiteral("cmod") << QStringLiteral("flno");
        break;
    }
    fields << QLatin1String(z.field);
    if (isMenu(z))
        fields << QStringLiteral("parm");
    return fields;
}

// A field of the returned record, held to its width when others follow it in one text.
QString fieldOf(const ZoomSession& z, const QString& record, const QString& field, bool fixedWidth)
{
    int32_t next = 0;
    const QString table = QLatin1String(z.table);
    const QString value = gGetBufferField(table, field, record, next).value_or(QString()).trimmed();
    return fixedWidth ? value.leftJustified(glFieldLength(table, field), QLatin1Char(' ')) : value;
}

} // namespace

ZoomDialogValues frm_Properties::mZoomValues()
{
    ZoomDialogValues v;
    v.kind = Tag == kKindField     ? ZoomDialogKind::Field
             : Tag == kKindGroup   ? ZoomDialogKind::Group
             : Tag == kKindPicture ? ZoomDialogKind::Picture
                                   : ZoomDialogKind::Form;
    v.txtLabelCode = txtLabelCode->text();
    v.txtLabelHeightSO = txtLabelHeightSO->text();
    v.txtLabelLengthSO = txtLabelLengthSO->text();
    v.txtGroupLabelCode = txtGroupLabelCode->text();
    v.txtLabelCodePict = txtLabelCodePict->text();
    v.txtDomainPackage = txtDomainPackage->text();
    v.txtDomainCode = txtDomainCode->text();
    v.txtIcon = txtIcon->text();
    v.txtMessage = txtMessage->text();
    v.txtFieldZoomTo = txtFieldZoomTo->text();
    v.txtZoomToParallelMenus = txtZoomToParallelMenus->text();
    v.txtFieldName = txtFieldName->text();
    v.txtZoomReturnField = txtZoomReturnField->text();
    v.txtParentTable = txtParentTable->text();
    v.gsZoomPackageModule = gsZoomPackageModule;
    msGetRefTable(v.sRefPackage, v.sRefModule, v.sRefNumber);
    return v;
}

bool frm_Properties::mZoom(QPushButton* button)
{
    const ZoomSession* z = zoomOf(button->objectName(), properties::isZoomType(cboFieldZoom, "menu"));
    auto* input = z ? findChild<QLineEdit*>(QLatin1String(z->input)) : nullptr;
    if (!input)
        return false;
    int16_t length = 0;
    gGetRecordLength(QLatin1String(z->table), length);
    // The key is written into blanks as long as one of the table's records.
    QString start(length, QLatin1Char(' '));
    mSetKeyInBuf(QLatin1String(z->target), start, z->fromFieldName, mZoomValues());
    QString record(length, QLatin1Char(' '));
    const QStringList fields = answerFields(*z);
    const bool chosen = gbStartVrokSession(QLatin1String(z->session), QLatin1String(z->table), start, record, 0,
                                           fields.join(QStringLiteral(" ,")), true, QString());
    // The session gave the main window the focus.
    activateWindow();
    const QString key = chosen ? fieldOf(*z, record, QLatin1String(z->field), false) : QString();
    // What cannot be edited (open mode "r") is only looked at.
    if (key.isEmpty() || !input->isEnabled()) {
        button->setFocus();
        return chosen;
    }

    QString prefix;
    for (const QString& field : fields.mid(0, fields.indexOf(QLatin1String(z->field))))
        prefix += fieldOf(*z, record, field, true);
    switch (z->key) {
    case Key::Code:
        input->setText(key);
        break;
    case Key::Domain:
        txtDomainPackage->setText(prefix.trimmed());
        input->setText(key);
        break;
    case Key::ZoomTo:
        input->setText(prefix + key);
        if (isMenu(*z))
            txtZoomToParallelMenus->setText(fieldOf(*z, record, QStringLiteral("parm"), false));
        // The session whose main table the box took over keeps it.
        else if (input->text().trimmed() != gsLastZoomTarget)
            gsZoomPackageModule = prefix;
        break;
    case Key::Table:
        input->setText(prefix + key);
        break;
    case Key::TableField:
        input->setText(prefix + QLatin1Char('.') + key);
        break;
    }
    mFocusInput(input);
    gbValidateControl(input, 2, QString());
    return true;
}

void frm_Properties::connectZooms()
{
    for (const ZoomSession& z : kZooms)
        if (auto* button = findChild<QPushButton*>(QLatin1String(z.button)); button && !isMenu(z))
            connect(button, &QPushButton::clicked, this, [this, button] { mZoom(button); });
    connect(cmdIconZoom, &QPushButton::clicked, this, &frm_Properties::cmdIconZoom_Click);
    connect(cmdDocuText, &QPushButton::clicked, this, &frm_Properties::cmdDocuText_Click);
    connect(cmdLabelSearch, &QPushButton::clicked, this, &frm_Properties::cmdLabelSearch_Click);
    connect(cmdLabelSearchGroups, &QPushButton::clicked, this, &frm_Properties::cmdLabelSearchGroups_Click);
    connect(cmdLabelSearchPict, &QPushButton::clicked, this, &frm_Properties::cmdLabelSearchPict_Click);
}

// ---- Icons ------------------------------------------------------------------------------------

void frm_Properties::cmdIconZoom_Click()
{
    QString icon = txtIcon->text().trimmed();
    if (glSelectIcon(gsPackage + QStringLiteral("form_"), icon) != 0 || icon.trimmed().isEmpty())
        return;
    txtIcon->setText(icon.trimmed());
    mFocusInput(txtIcon);
    gbValidateControl(txtIcon, 2, QString());
}

// ---- Label searches --------------------------------------------------------------------------

namespace {

// Searches by the box's text; without one the box gets the focus.
template <typename Search>
void searchBy(QLineEdit* box, Search search)
{
    const QString text = box->text().trimmed();
    if (text.isEmpty()) {
        box->setFocus();
        return;
    }
    search(text);
}

} // namespace

void frm_Properties::cmdLabelSearch_Click()
{
    searchBy(txtLabelSearchString, [this](const QString& t) { mGetLabelDataWithDesc(t); });
}

void frm_Properties::cmdLabelSearchGroups_Click()
{
    searchBy(txtLabelSearchGroups, [this](const QString& t) { mGetGroupLabelWithDesc(t); });
}

void frm_Properties::cmdLabelSearchPict_Click()
{
    searchBy(txtLabelSearchPict, [this](const QString& t) { mGetPictLabelWithDesc(t); });
}

// ---- Technical documentation -------------------------------------------------------------

void frm_Properties::cmdDocuText_Click()
{
    if (!hasFieldRecord(lRecordIndex))
        return;
    FieldRecord& f = gaFields[size_t(lRecordIndex)];
    // The documentation belongs to the name the host knows the field by.
    if (f.sFieldName.trimmed().isEmpty())
        return;
    if (gsOpenMode == "r") {
        gReadTechDoc(gsLanguage, gsPackage, gsModule, gsFormCode, gsVersion, gsRelease, gsCustomer, f.sFieldName);
        return;
    }
    gWriteTechDoc(gsLanguage, gsPackage, gsModule, gsFormCode, gsVersion, gsRelease, gsCustomer, f.sFieldName);
    // Saved or emptied: asked again.
    f.bDocuChecked = false;
    mShowDocumentation(true);
}

void frm_Properties::mShowDocumentation(bool ask)
{
    if (Tag != kKindField || !hasFieldRecord(lRecordIndex))
        return;
    FieldRecord& f = gaFields[size_t(lRecordIndex)];
    if (ask && !f.bDocuChecked && !f.sFieldName.trimmed().isEmpty()) {
        f.bDocuAvailable =
            gbCheckTechDocExists(gsPackage, gsModule, gsFormCode, gsVersion, gsRelease, gsCustomer, f.sFieldName);
        f.bDocuChecked = true;
    }
    chkDocu->setChecked(f.bDocuChecked && f.bDocuAvailable);
    if (gsOpenMode == "r")
        cmdDocuText->setEnabled(f.bDocuChecked && f.bDocuAvailable);
}
