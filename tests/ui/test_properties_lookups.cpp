// The property dialog's look-ups in the local host: labels by code and by text, new
// labels, a table field's definition, the zoom buttons' sessions, the icon chooser and
// the technical documentation.
#include "test_properties_support.h"

#include "mod_Validation.h"

#include <functions_labels.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace {

class LookUps : public PropertiesDialog {
protected:
    void TearDown() override
    {
        host::resetSessionWindows();
        host::resetLabelPresenter();
        PropertiesDialog::TearDown();
    }
    int labelRows(const QString& code)
    {
        return rows(QStringLiteral("SELECT 1 FROM qxzrn140 WHERE clab = '%1'").arg(code)).size();
    }
};

struct LabelKind {
    const char* key;
    QLineEdit* frm_Properties::*code;
    QLineEdit* frm_Properties::*search;
    QLineEdit* frm_Properties::*length;  // nullptr: none
    QLabel* frm_Properties::*shown;
    QPushButton* frm_Properties::*searchButton;
    int32_t (*lookUp)(frm_Properties&);
};
const LabelKind kField{"f_10", &frm_Properties::txtLabelCode, &frm_Properties::txtLabelSearchString,
                       &frm_Properties::txtLabelLengthSO, &frm_Properties::lblLabelDescSOText,
                       &frm_Properties::cmdLabelSearch, [](frm_Properties& d) { return d.mlGetLabelData(true); }};
const LabelKind kGroup{"g_2", &frm_Properties::txtGroupLabelCode, &frm_Properties::txtLabelSearchGroups, nullptr,
                       &frm_Properties::lblGroupFrameDescText, &frm_Properties::cmdLabelSearchGroups,
                       [](frm_Properties& d) { return d.mlGetGroupLabelData(); }};
const LabelKind kPicture{"p_13", &frm_Properties::txtLabelCodePict, &frm_Properties::txtLabelSearchPict,
                         &frm_Properties::txtLabelLenPict, &frm_Properties::lblLabelDescTextPict,
                         &frm_Properties::cmdLabelSearchPict, [](frm_Properties& d) { return d.mlGetPictLabelData(); }};

// Each branch of the look-ups by code: found (a length of 0 takes the longest
// variant's size, another length stays), not found, the insert question answered Yes
// or No, the insert or its commit failing; and the searches by text (a row without
// result).
TEST_F(LookUps, LabelsAreFoundByCodeOrTextOrInserted)
{
    open(QStringLiteral("itemsd"));
    const QString question = QStringLiteral("Label %1 does not exist. Create it with the text \"%2\"?");
    // The answer to the insert question; a host function made to fail once; result -1: a
    // search by text; shown and lengthAfter "=": as before; rows: of the code in the host
    // after a later commit.
    const struct { const LabelKind& kind; const char *code, *length, *search; int answer; const char* fails;
                   int32_t result; const char *shown, *lengthAfter; bool searchKept; int rows; const char* message; } rows[] = {
        {kField, "tekwy001.item", "10", "", 0, "", 3, "Item", "10", true, 2, ""},
        {kField, "tekwy001.item", "12", "", 0, "", 3, "Item", "12", true, 2, ""},  // the variant of length 10
        {kField, "tekwy001.item", "0", "", 0, "", 3, "Item code", "30", true, 2, ""},
        {kField, "tekwy001.none", "10", "", 0, "", 0, "=", "10", true, 0,
         "No label text of this length exists for the single occurrence."},
        {kField, "tekwy001.new1", "10", "Brand new", platform::IdYes, "", 3, "Brand new", "9", true, 1, "?"},
        {kField, "tekwy001.new2", "10", "Brand new", platform::IdNo, "", 0, "=", "10", false, 0, "?"},
        {kField, "tekwy001.new3", "10", "Brand new", platform::IdYes, "insert.qxzrn140(", 0, "=", "10", true, 0, ""},
        {kField, "tekwy001.new4", "10", "Brand new", platform::IdYes, "execute.velq.set(", 0, "=", "10", true, 0,
         "Label tekwy001.new4 could not be stored in the host."},
        {kGroup, "tekwy100.stock", "", "", 0, "", 1, "Stock levels and storage place", "", true, 3, ""},
        {kGroup, "tekwy100.none", "", "", 0, "", 0, "=", "", true, 0, "Label tekwy100.none does not exist."},
        {kGroup, "tekwy100.new5", "", "Group text", platform::IdYes, "", 1, "Group text", "", false, 1, "?"},
        {kPicture, "tekwy001.item", "0", "", 0, "", 1, "Item code", "30", true, 2, ""},
        {kPicture, "tekwy001.none", "5", "", 0, "", 0, "=", "5", true, 0, "Label tekwy001.none does not exist."},
        {kField, "tekwy001.wght", "5", "weight in KG", 0, "", -1, "Weight in kg", "30", false, 2, ""},
        {kGroup, "tekwy100.general", "", "General data", 0, "", -1, "General data", "", false, 2, ""},
        {kPicture, "tekwy001.cuni", "5", "unit of measure", 0, "", -1, "Unit of measure", "30", false, 2, ""},
        {kField, "=", "5", "No such text", 0, "", -1, "=", "5", true, 2, "No label has the text \"No such text\"."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code + std::string(" ") + row.search + row.fails);
        frm_Properties& d = openOn(QLatin1String(row.kind.key));
        const auto expected = [](const char* value, const QString& before) {
            return *value == '=' ? before : QLatin1String(value);
        };
        const QString code = expected(row.code, (d.*row.kind.code)->text());
        const QString shown = expected(row.shown, (d.*row.kind.shown)->text());
        (d.*row.kind.search)->setText(QLatin1String(row.search));
        if (row.kind.length)
            (d.*row.kind.length)->setText(QLatin1String(row.length));
        dialogs->clear();
        if (row.answer)
            dialogs->queueAnswer(row.answer);
        if (*row.fails)
            host::injectError(QLatin1String(row.fails), 7, 1);
        const QString codeBefore = (d.*row.kind.code)->text();
        if (row.result < 0) {
            (d.*row.kind.searchButton)->click();
        } else {
            (d.*row.kind.code)->setText(code);
            EXPECT_EQ(row.kind.lookUp(d), row.result);
        }
        EXPECT_EQ((d.*row.kind.shown)->text(), shown);
        if (row.kind.length) {
            EXPECT_EQ((d.*row.kind.length)->text(), QLatin1String(row.lengthAfter));
        }
        EXPECT_EQ((d.*row.kind.search)->text().isEmpty(), !row.searchKept || !*row.search);
        // A picture's code that is not found goes back to what it was.
        EXPECT_EQ((d.*row.kind.code)->text(), row.result == 0 && &row.kind == &kPicture ? codeBefore : code);
        const QStringList texts = dialogs->texts();
        if (*row.message == '?') {
            EXPECT_EQ(texts, QStringList(question.arg(code, QLatin1String(row.search))));
        } else if (*row.message) {
            EXPECT_EQ(texts.last(), QLatin1String(row.message));
        } else if (!*row.fails) {
            EXPECT_EQ(texts, QStringList());
        }
        // What the next save commits holds no label whose commit failed.
        EXPECT_EQ(glCommitVelqSet(), 0);
        EXPECT_EQ(labelRows(code), row.rows);
        d.cmdCancel_Click();
    }
}

// A field name that is a column takes its definition over; an inactive or combined
// column, or no column at all, makes the field no table field and clears the values
// the column before it brought.
TEST_F(LookUps, AFieldNameBringsItsColumnOrClearsTheTableValues)
{
    open(QStringLiteral("itemsd"));
    // Name, a table field, elements, domain, label, kind, mandatory, initial value.
    const std::tuple<const char*, bool, int, const char*, const char*, const char*, bool, const char*> rows[] = {
        {"tekwy001.usag", true, 12, "qty", "Usage", "tablefield", false, ""},
        {"tekwy001.citg", true, 0, "code", "Group", "reffield", false, ""},
        {"tekwy001.item", true, 0, "item", "Item", "tablefield", true, ""},
        {"tekwy001.ityp", true, 0, "ityp", "Type", "tablefield", false, "Purchased"},
        {"tekwy001.oldp", false, 0, "", "", "ntfield", false, ""},  // inactive
        {"tekwy001.wloc", false, 0, "", "", "ntfield", false, ""},  // combined
        {"tekwy001.none", false, 0, "", "", "ntfield", false, ""},
    };
    for (const auto& [name, table, elements, domain, label, kind, mandatory, initial] : rows) {
        SCOPED_TRACE(name);
        frm_Properties& d = openOn(QStringLiteral("f_17"));
        for (const char* typed : {"tekwy001.usag", name}) {
            d.txtFieldName->setText(QLatin1String(typed));
            ASSERT_TRUE(gbValidateControl(d.txtFieldName, 2, QString()));
        }
        // A name that brings no column leaves the label of the one before.
        EXPECT_EQ(QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(d.bIsTableField).arg(d.nTableNrOfElements)
                      .arg(d.txtDomainCode->text(), d.lblLabelDescSOText->text()).arg(d.txtDomainCode->isEnabled())
                      .arg(d.chkMandatoryInput->isChecked()).arg(d.lblTableDefaultVal->text()),
                  QStringLiteral("%1 %2 %3 %4 %5 %6 %7").arg(table).arg(elements)
                      .arg(QLatin1String(domain), QLatin1String(table ? label : "Usage")).arg(!table)
                      .arg(mandatory).arg(QLatin1String(initial)));
        EXPECT_EQ(d.chkMandatoryInput->isEnabled(), !mandatory);
        d.cmdOk_Click();
        ASSERT_FALSE(d.isVisible()) << dialogs->texts().join(u'|').toStdString();
        const FieldRecord& f = gaFields[17];
        EXPECT_EQ(QStringLiteral("%1 %2 %3 %4 %5 %6")
                      .arg(f.bIsTableField).arg(f.bTableRef).arg(f.bTableMandatory).arg(f.nTableNrOfElements)
                      .arg(f.sTableDefault, node("f_17")->image()),
                  QStringLiteral("%1 %2 %3 %4 %5 %6")
                      .arg(table).arg(QLatin1String(kind) == QLatin1String("reffield")).arg(mandatory)
                      .arg(elements).arg(*initial ? QStringLiteral("purchased") : QString())
                      .arg(QLatin1String(table ? kind : "label")));
    }
}

// Each zoom button: one session start on its table with the key of its input, the
// windows disabled meanwhile; the row chosen in the host's look-up window goes into
// the input, whose check then runs (and may refuse it).
TEST_F(LookUps, ZoomButtonsStartTheirSessionAndTakeTheChosenKey)
{
    open(QStringLiteral("itemsd"));
    QStringList chosen;  // "field=value" of the row to choose; none: nothing chosen
    QString seen;        // the windows' states while the host's window is open
    host::setSessionPresenter({{}, [&](const host::SessionRequest&, const host::LookUpTable& t) -> std::optional<int> {
                                   seen = QStringLiteral("%1%2").arg(propertiesDialog().isEnabled()).arg(w().isEnabled());
                                   for (int i = 0; i < t.values.size() && !chosen.isEmpty(); ++i)
                                       if (std::all_of(chosen.cbegin(), chosen.cend(), [&](const QString& key) {
                                               return t.values[i].value(key.section(u'=', 0, 0)) == key.section(u'=', 1);
                                           }))
                                           return i;
                                   return std::nullopt;
                               },
                               {}});
    const struct {
        const char *node, *button, *session, *table, *start, *chosen, *input, *text, *message;  // text "": unchanged
    } rows[] = {
        {"f_10", "cmdLabelsZoom", "qxzrn1140m000", "qxzrn140", "clan=2 cpac=te clab=tekwy002.dsca lhgt=+1 leng=+01",
         "clab=tekwy001.wght", "txtLabelCode", "tekwy001.wght", ""},
        {"g_2", "cmdGroupLabelsZoom", "qxzrn1140m000", "qxzrn140", "clab=tekwy100.stock lhgt=+1 leng=+01",
         "clab=tekwy100.general", "txtGroupLabelCode", "tekwy100.general", ""},
        {"p_13", "cmdLabelsZoomPict", "qxzrn1140m000", "qxzrn140", "clab=", "clab=tekwy001.item", "txtLabelCodePict",
         "tekwy001.item", ""},
        {"f_10", "cmdDomainZoom", "qxzrn4100m000", "qxzrn400", "cpac=te cdom=dsca", "cpac=te cdom=qty",
         "txtDomainCode", "qty", ""},
        {"f_17", "cmdMessageZoom", "qxzrn4150m000", "qxzrn450", "clan=2 cpac=te cmes=", "cpac=qx cmes=plqx0101", "txtMessage",
         "", "Message plqx0101 does not exist in this version."},
        {"f_17", "cmdMessageZoom", "qxzrn4150m000", "qxzrn450", "cmes=", "", "txtMessage", "", ""},
        // The zoom type chooses the sessions' or the menus' table.
        {"f_9", "cmdZoomFieldZoom", "qxzrn2100s000", "qxzrn200", "cpac=te cmod=kwy cses=simple",
         "cpac=te cmod=kwy cses=items", "txtFieldZoomTo", "tekwyitems", ""},
        {"f_18", "cmdZoomFieldZoom", "qxzrn3160m000", "qxzrn360", "cpac=te cmod=kwy cmen=stock",
         "cpac=te cmod=kwy cmen=stock parm=2", "txtFieldZoomTo", "tekwystock", ""},
        {"f_10", "cmdFieldNameZoom", "qxzrn4529m000", "qxzrn422", "cpac=te cmod=kwy flno=002 fdnm= vers=7.6",
         "cpac=te cmod=kwy flno=001 fdnm=usag", "txtFieldName", "tekwy001.usag", ""},
        {"f_9", "cmdZoomSessionTable", "qxzrn4529m000", "qxzrn422", "cpac=te cmod=kwy flno=002 fdnm=citg",
         "cpac=te cmod=kwy flno=002 fdnm=dsca", "txtZoomReturnField", "tekwy002.dsca", ""},
        {"f_21", "cmdZoomSearchDesc", "qxzrn4529m000", "qxzrn422", "cpac=te cmod=kwy flno=003 fdnm=",
         "cpac=te cmod=kwy flno=003 fdnm=namb", "txtSearchDesc", "tekwy003.namb", ""},
        {"g_7", "cmdParentTableZoom", "qxzrn2530m000", "qxzrn420", "cpac=te cmod=kwy flno=003 vers=7.6",
         "cpac=te cmod=kwy flno=002", "txtParentTable", "tekwy002", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button + std::string(" ") + row.chosen);
        if (QLatin1String(row.node) == QLatin1String("g_7"))
            giStartMode = 4;  // no main table: the parent table is the user's
        frm_Properties& d = openOn(QLatin1String(row.node));
        auto* input = d.findChild<QLineEdit*>(QLatin1String(row.input));
        const QString before = input->text();
        const QString table = QLatin1String(row.table);
        const qsizetype count = host::sessionRequests().size();
        chosen = QString::fromLatin1(row.chosen).split(u' ', Qt::SkipEmptyParts);
        dialogs->clear();
        d.findChild<QPushButton*>(QLatin1String(row.button))->click();
        const QList<host::SessionRequest> requests = host::sessionRequests().mid(count);
        ASSERT_EQ(requests.size(), 1);
        EXPECT_EQ(requests[0].session + u' ' + requests[0].table + u' ' + seen,
                  QLatin1String(row.session) + u' ' + table + QStringLiteral(" 00"));
        EXPECT_EQ(startRecordKeys(table, requests[0].startRecord, QLatin1String(row.start)), QLatin1String(row.start));
        EXPECT_EQ(requests[0].startRecord.size(), recordLength(table));
        EXPECT_EQ(input->text(), *row.text ? QLatin1String(row.text) : before);
        // The check ran: what it let pass is its new previous text.
        EXPECT_EQ(gsPrevValues.value(input->objectName()), input->text());
        EXPECT_EQ(dialogs->texts().join(u'|'), QLatin1String(row.message));
        EXPECT_TRUE(table != QLatin1String("qxzrn360") || d.txtZoomToParallelMenus->text() == QStringLiteral("2"));
        EXPECT_TRUE(d.isEnabled() && w().isEnabled());
        d.cmdCancel_Click();
    }
}

// The icon chooser answers a picture of the form's icon group; the documentation
// button edits the field's text, or only shows it in open mode "r".
TEST_F(LookUps, IconsAreChosenAndDocumentationIsEdited)
{
    open(QStringLiteral("itemsd"));
    QStringList asked;
    host::setLabelPresenter({[&](const QString& group, const QList<host::IconEntry>& icons, const QString& current) {
                                 asked << group + u':' + current + u':' + QString::number(icons.size());
                                 return std::optional(QStringLiteral("truck"));
                             },
                             [&](const host::TechDocRequest& r, const QString& text, bool editable) {
                                 asked << r.field + u':' + text.left(8) + (editable ? u'*' : u' ');
                                 return editable ? std::optional(QStringLiteral("Weighed empty")) : std::nullopt;
                             }});
    frm_Properties& d = openOn(QStringLiteral("p_13"));
    d.cmdIconZoom->click();
    EXPECT_TRUE(d.txtIcon->text() == QStringLiteral("truck") && !d.imgIcon->pixmap().isNull());  // its check shows it
    d.cmdCancel_Click();

    openOn(QStringLiteral("f_17"));
    d.tabProperties->setCurrentIndex(4);
    const bool before = d.chkDocu->isChecked();
    d.cmdDocuText->click();
    EXPECT_TRUE(!before && d.chkDocu->isChecked());
    d.cmdCancel_Click();
    restart();
    open(QStringLiteral("itemsd"), QStringLiteral("r"));
    frm_Properties& shown = openOn(QStringLiteral("f_17"));
    shown.tabProperties->setCurrentIndex(4);
    ASSERT_TRUE(shown.cmdDocuText->isEnabled());
    shown.cmdDocuText->click();
    EXPECT_EQ(asked, QStringList({"teform_:box:5", "tekwy001.wght:*", "tekwy001.wght:Weighed  "}));
}

} // namespace
