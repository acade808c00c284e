// Editing in the property dialog: the enabling rules, the domain's inputs and
// defaults, the input checks, and OK storing into the records with the change log.
#include "test_properties_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

namespace {

TEST_F(PropertiesDialog, OkWithoutEditsChangesOnlyWhatTheDialogNormalises)
{
    // What a store makes of a field as the dialog shows it: link boxes that the data
    // type does not offer are off, so is the data alignment of types without one and
    // of fields without domain; a segmented text is a plain input; a mandatory table
    // field leaves the mandatory mark to the table; a picture's label size serves
    // both occurrences. "2" is False in the host.
    const QMap<QString, QString> normalised = {
        {QStringLiteral("difl"), QStringLiteral("2")}, {QStringLiteral("mxdl"), QStringLiteral("2")},
        {QStringLiteral("mxil"), QStringLiteral("2")}, {QStringLiteral("za_adju"), QStringLiteral("0")},
        {QStringLiteral("ctrl"), QStringLiteral("0")}, {QStringLiteral("mand"), QStringLiteral("2")},
        {QStringLiteral("llmo"), QStringLiteral("0")},
    };
    for (const char* form : {"simpled", "itemsd", "olditemd"}) {
        SCOPED_TRACE(form);
        restart();
        open(QLatin1String(form));
        const QMap<QString, QString> before = recordValues();
        for (const QString& key : keysInTreeOrder(tree(), QString())) {
            frm_Properties& d = openOn(key);
            d.cmdOk_Click();
            ASSERT_FALSE(d.isVisible()) << key.toStdString() << dialogs->texts().join(u'|').toStdString();
        }
        const QMap<QString, QString> after = recordValues();
        int normalisations = 0;
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            if (before.value(it.key()) == it.value())
                continue;
            const QString column = it.key().section(u'.', 1);
            if (column == QLatin1String("changed")) {
                EXPECT_TRUE(it.value().startsWith(u'1')) << it.key().toStdString();
                continue;
            }
            ++normalisations;
            EXPECT_EQ(normalised.value(column, QStringLiteral("?")), it.value())
                << it.key().toStdString() << ": " << before.value(it.key()).toStdString();
        }
        EXPECT_GT(normalisations, 0);
    }
}

TEST_F(PropertiesDialog, ReadOnlyAndSelectionFieldsStoreNothing)
{
    open(QStringLiteral("itemsd"), QStringLiteral("r"));
    const QMap<QString, QString> before = recordValues();
    for (const QString& key : keysInTreeOrder(tree(), QString())) {
        frm_Properties& d = openOn(key);
        d.cmdOk_Click();
        ASSERT_FALSE(d.isVisible()) << key.toStdString();
    }
    EXPECT_EQ(changedValues(before, recordValues()), QStringList());
    EXPECT_FALSE(gbFormChanged);
    // Next goes on without storing.
    frm_Properties& d = openOn(QStringLiteral("f_1"));
    QTest::mouseClick(d.cmdNext, Qt::LeftButton);
    EXPECT_NE(d.lRecordIndex, 1);
    d.cmdCancel_Click();

    // The selection field of a selection group, in write mode: its disabled inputs
    // would store no data alignment and no view field.
    restart();
    open(QStringLiteral("itemsd"));
    gaFields[9].sDomainPackage = QStringLiteral("qx");
    gaFields[9].sDomainCode = QStringLiteral("stpselection");
    gaFields[9].bIsViewField = true;
    const QMap<QString, QString> selection = recordValues();
    frm_Properties& s = openOn(QStringLiteral("f_9"));
    ASSERT_FALSE(s.cboDataAli->isEnabled());
    s.cmdOk_Click();
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(changedValues(selection, recordValues()), QStringList());
}

} // namespace

namespace {

// What a user does in the dialog: click into a box, replace its text, and leave it
// with the tab key.
void typeInto(QLineEdit* box, const QString& text)
{
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClicks(box, text);
}

void leave(QWidget* box) { QTest::keyClick(box, Qt::Key_Tab); }

// On the box itself, not on the empty end of a wide check box.
void clickBox(QAbstractButton* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

void showTab(frm_Properties& d, int page)
{
    QTabBar* bar = d.tabProperties->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(page - 1).center());
}

TEST_F(PropertiesDialog, EditsThroughTheControlsAreStoredLoggedAndSaved)
{
    open(QStringLiteral("itemsd"));
    startLogging();
    frm_Properties& d = openOn(QStringLiteral("f_10"));
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    showTab(d, 2);
    typeInto(d.txtLabelLengthSO, QStringLiteral("25"));
    leave(d.txtLabelLengthSO);
    showTab(d, 1);
    typeInto(d.txtDomainCode, QStringLiteral("qty"));
    leave(d.txtDomainCode);
    clickBox(d.chkMandatoryInput);
    showTab(d, 3);
    clickBox(d.chkFieldInMultiOcc);
    EXPECT_FALSE(d.chkGrid->isEnabled());
    QTest::mouseClick(d.cmdOk, Qt::LeftButton);
    ASSERT_FALSE(d.isVisible()) << dialogs->texts().join(u'|').toStdString();

    openOn(QStringLiteral("g_2"));
    clickBox(d.chkShowGroupBox);
    EXPECT_FALSE(d.chkCheckOnBox->isEnabled());
    QTest::mouseClick(d.cmdOk, Qt::LeftButton);
    ASSERT_FALSE(d.isVisible());

    openOn(QStringLiteral("p_13"));
    typeInto(d.txtIcon, QStringLiteral("truck"));
    QTest::mouseClick(d.cmdOk, Qt::LeftButton);
    ASSERT_FALSE(d.isVisible()) << dialogs->texts().join(u'|').toStdString();
    QStringList changes;
    for (const QString& l : logLines())
        if (l.contains(QLatin1String(" changed from ")))
            changes << l.mid(l.indexOf(QLatin1String(" - ")) + 3);
    // The domain brings its format and lengths; the picture's one label size serves
    // both occurrences.
    const QString field = QStringLiteral("Field 'tekwy002.dsca -' : ");
    EXPECT_EQ(changes, (QStringList{
                           field + QStringLiteral("DomainCode changed from dsca to qty"),
                           field + QStringLiteral("Display Format changed from  to ZZZZZZ9"),
                           field + QStringLiteral("Max Display Length changed from 30 to 7"),
                           field + QStringLiteral("Max Input Length changed from 30 to 6"),
                           field + QStringLiteral("Link Max Inp Length changed from True to False"),
                           field + QStringLiteral("Field Length changed from 30 to 7"),
                           field + QStringLiteral("Mandatory changed from False to True"),
                           field + QStringLiteral("Field In MultiOcc changed from True to False"),
                           field + QStringLiteral("Control type changed from 6 to 0"),
                           field + QStringLiteral("Label Length SO changed from 0 to 25"),
                           QStringLiteral("Group 'tekwy100.stock - Stock levels and storage place' : Show GroupBox "
                                          "changed from True to False"),
                           QStringLiteral("Field '-' : Icon name changed from box to truck"),
                           QStringLiteral("Field '-' : Label Length MO changed from 999 to 0"),
                       }));
    EXPECT_TRUE(gbFormChanged);
    EXPECT_TRUE(tree().node(QStringLiteral("f_10"))->text().contains(QLatin1String("tekwy002.dsca")));

    w().mnuFSave_Click();
    ASSERT_FALSE(gbFormChanged) << dialogs->texts().join(u'|').toStdString();
    restart();
    open(QStringLiteral("itemsd"));
    const FieldRecord& f = gaFields[10];
    EXPECT_EQ(f.sDomainCode, QStringLiteral("qty"));
    EXPECT_EQ(f.sDisplayFormat, QStringLiteral("ZZZZZZ9"));
    EXPECT_EQ(f.iMaxDispLen, 7);
    EXPECT_EQ(f.iLabelLengthSO, 25);
    EXPECT_TRUE(f.bMandatoryInput);
    EXPECT_FALSE(f.bFieldInMultiOcc);
    EXPECT_FALSE(gaGroups[2].bShowGroupBox);
    EXPECT_EQ(gaFields[13].sIconName, QStringLiteral("truck"));
}

} // namespace
