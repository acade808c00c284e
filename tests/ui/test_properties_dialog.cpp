// The property dialog opened through the main window on the demo forms: kind, size,
// title and page by node; the inputs the node's place and the open mode allow; the
// fill of each kind; Cancel leaving the form as it was; entering a text box.
#include "test_properties_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include <functional>

namespace {

TEST_F(PropertiesDialog, KindSizeTitlePageAndNeighboursFollowTheNode)
{
    open(QStringLiteral("itemsd"));
    const QStringList fields = keysInTreeOrder(tree(), QStringLiteral("f_"));
    const QStringList pictures = keysInTreeOrder(tree(), QStringLiteral("p_"));
    ASSERT_GE(fields.size(), 3);
    ASSERT_EQ(pictures.size(), 2);
    // Node, kind, title, inner height in pixels (the window's height in twips less its
    // frame), page, Prev and Next enabled.
    const std::tuple<QString, QString, const char*, int, const char*, bool, bool> cases[] = {
        {QStringLiteral("g_0"), kKindForm, "Form Properties", 190, "fraForm", false, false},
        {QStringLiteral("g_1"), kKindGroup, "Group Properties", 510, "fraGroups", false, true},
        {QStringLiteral("g_3"), kKindGroup, "Group Properties", 510, "fraGroups", true, true},
        {fields.first(), kKindField, "Field Properties", 423, "tabProperties", false, true},
        {fields[1], kKindField, "Field Properties", 423, "tabProperties", true, true},
        {fields.last(), kKindField, "Field Properties", 423, "tabProperties", true, false},
        {pictures.first(), kKindPicture, "Picture Properties", 423, "fraPictures", false, true},
        {pictures.last(), kKindPicture, "Picture Properties", 423, "fraPictures", true, false},
    };
    for (const auto& [key, kind, title, height, page, prev, next] : cases) {
        SCOPED_TRACE(key.toStdString());
        frm_Properties& d = openOn(key);
        EXPECT_TRUE(d.isVisible() && d.Tag == kind && d.windowTitle() == QLatin1String(title));
        EXPECT_EQ(d.height(), height);
        for (QWidget* p : std::initializer_list<QWidget*>{d.fraForm, d.fraGroups, d.fraPictures, d.tabProperties})
            EXPECT_EQ(p->isVisible(), p->objectName() == QLatin1String(page)) << p->objectName().toStdString();
        // Captions are the host's texts, not label codes; the first of each kind is saved for a look.
        for (QWidget* l : d.findChildren<QWidget*>())
            EXPECT_FALSE(l->isVisible() && l->property("text").toString().startsWith(u"pz")) << l->objectName().toStdString();
        if (!prev)
            screenshot(d, QStringLiteral("properties_%1.png").arg(kind.section(u' ', 0, 0).toLower()));
        // The buttons stand below the page.
        EXPECT_GT(d.cmdOk->y(), d.findChild<QWidget*>(QLatin1String(page))->geometry().bottom());
        EXPECT_LE(d.cmdOk->geometry().bottom(), d.height());
        EXPECT_TRUE(d.cmdPrev->isEnabled() == prev && d.cmdNext->isEnabled() == next);
        // The main window is locked while the dialog is open.
        EXPECT_TRUE(w().isLocked() && gbPropertiesOpen);
        d.cmdCancel_Click();
        EXPECT_FALSE(w().isLocked() || d.isVisible() || gbPropertiesOpen);
    }

    // Next walks the fields in tree order whatever their groups; the tab chosen stays.
    frm_Properties& d = openOn(fields.first());
    d.tabProperties->setCurrentIndex(3);
    for (int i = 1; i < fields.size(); ++i) {
        QTest::mouseClick(d.cmdNext, Qt::LeftButton);
        ASSERT_EQ(tree().selectedItem()->key(), fields[i]);
        EXPECT_EQ(d.lRecordIndex, fields[i].mid(2).toInt());
    }
    EXPECT_TRUE(d.lLastTab == 4 && d.fraProperties[4]->isVisible());
    QTest::mouseClick(d.cmdPrev, Qt::LeftButton);
    EXPECT_EQ(tree().selectedItem()->key(), fields[fields.size() - 2]);
    d.close();
    EXPECT_FALSE(d.isVisible() || w().isLocked());
}

TEST_F(PropertiesDialog, EnablingFollowsVersionModeAndPlaceInTheTree)
{
    open(QStringLiteral("itemsd"));
    gaGroups[2].iGroupWidth = 2;  // g_2's subgroups may stand beside each other
    // Node, an option chosen first, and the inputs enabled (1) or not.
    const std::tuple<const char*, const char*, const char*> places[] = {
        {"g_1", nullptr, "optGroupAlignmentEqu=1 chkRepeatingGroup=1"},  // fields; the first group
        {"g_2", nullptr, "optGroupAlignmentDef=0 optGroupAlignmentSpec=0 chkRepeatingGroup=0"},  // subgroups only; not the first
        {"g_3", nullptr, "chkGrpBeside=1"},
        {"g_5", nullptr, "chkGrpBeside=0"},
        {"f_1", nullptr, "chkAutoEnable=0 chkDependent=0 chkImmediateBehind=1"},  // an input, first, with a follow-up
        {"f_2", nullptr, "cboLinkedValue=0 chkDependent=1"},                      // below an input
        {"f_3", nullptr, "chkDependent=1 chkImmediateBehind=0"},                  // after a field
        {"f_4", nullptr, "chkAutoEnable=1"},  // an option set with its choices
        {"f_4", "optListbox", "chkAutoEnable=0"},
        {"f_4", "optOptionset", "chkAutoEnable=1"},
        {"f_5", nullptr, "cboLinkedValue=1"},           // below an option set
        {"f_12", "optOptionset", "chkAutoEnable=0"},    // without choices below it
        {"f_34", nullptr, "chkImmediateBehind=1"},      // with a command
    };
    for (const auto& [key, click, enabled] : places) {
        frm_Properties& d = openOn(QLatin1String(key));
        if (click)
            d.findChild<QAbstractButton*>(QLatin1String(click))->click();
        for (const QString& c : QString::fromLatin1(enabled).split(u' '))
            EXPECT_EQ(d.findChild<QWidget*>(c.section(u'=', 0, 0))->isEnabled(), c.endsWith(u'1'))
                << key << ' ' << c.toStdString();
        d.cmdCancel_Click();
    }

    // A version without feature 128, on a form without main table: the selection
    // controls are enabled for the group but stay hidden.
    restart();
    open(QStringLiteral("itemsd"));
    glFormVersionLevel = 10;
    giStartMode = 4;
    ASSERT_TRUE(gbNoSessionTable());
    frm_Properties* d = &openOn(QStringLiteral("g_8"));
    for (QWidget* c : std::initializer_list<QWidget*>{d->chkSelection, d->txtParentTable, d->cmdParentTableZoom,
                                                      d->lblParentTable})
        EXPECT_FALSE(c->isVisible()) << c->objectName().toStdString();
    EXPECT_TRUE(d->chkSelection->isEnabled() && d->chkDashboard->isVisible());  // feature 2 is in level 10
    d->cmdCancel_Click();

    // Read-only: every input inside the pages is off but the three label zooms, on
    // every kind; the buttons below the pages stay.
    restart();
    open(QStringLiteral("itemsd"), QStringLiteral("r"));
    const QStringList zooms = {QStringLiteral("cmdLabelsZoom"), QStringLiteral("cmdLabelsZoomPict"),
                               QStringLiteral("cmdGroupLabelsZoom")};
    for (const char* key : {"g_0", "g_1", "f_9", "p_13"}) {
        SCOPED_TRACE(key);
        d = &openOn(QLatin1String(key));
        int inputs = 0;
        for (QWidget* c : d->findChildren<QWidget*>()) {
            const bool input = qobject_cast<QLineEdit*>(c) || qobject_cast<QAbstractButton*>(c)
                               || qobject_cast<QComboBox*>(c);
            if (!input || !c->parentWidget()->objectName().startsWith(QLatin1String("fra")))
                continue;
            ++inputs;
            EXPECT_EQ(c->isEnabled(), zooms.contains(c->objectName())) << c->objectName().toStdString();
        }
        EXPECT_GT(inputs, 100);
        EXPECT_TRUE(d->cmdCancel->isEnabled());
        d->cmdCancel_Click();
    }
}

TEST_F(PropertiesDialog, GroupsBeyondTheFieldArrayOpenWithoutFieldFlags)
{
    open(QStringLiteral("itemsd"));
    const int32_t g = int32_t(gaFields.size()) + 5;
    gaGroups.resize(size_t(g) + 1);
    gInitGroupRecord(g);
    gaGroups[size_t(g)].Grpi = int16_t(g + 1);
    gaGroups[size_t(g)].sLabelCode = QStringLiteral("tekwy100.extra");
    ASSERT_TRUE(tree().add(node("g_0"), Relationship::Child, gsGroupKey(g), QStringLiteral("extra")));
    // A group index that is a field index too gets no field's flags.
    gaFields[1].bIsTableField = gaFields[1].bTableRef = gaFields[1].bTableMandatory = true;
    for (const int32_t index : {g, 1}) {
        frm_Properties& d = openOn(gsGroupKey(index));
        EXPECT_TRUE(d.Tag == kKindGroup && d.txtFormNr->text() == QString::number(index + 1));
        EXPECT_FALSE(d.bIsTableField || d.bTableRef || d.bTableMandatory);
        d.cmdCancel_Click();
    }
}

TEST_F(PropertiesDialog, OpenAndCancelChangeNothingOnTheDemoForms)
{
    for (const char* form : {"simpled", "itemsd", "olditemd"}) {
        SCOPED_TRACE(form);
        restart();
        open(QLatin1String(form));
        const QMap<QString, QString> records = recordValues();
        const QString treeBefore = treeText(tree());
        const bool changed = gbFormChanged;
        for (const QString& key : keysInTreeOrder(tree(), QString())) {
            frm_Properties& d = openOn(key);
            ASSERT_TRUE(d.isVisible()) << key.toStdString();
            d.cmdCancel_Click();
        }
        EXPECT_EQ(changedValues(records, recordValues()), QStringList());
        EXPECT_EQ(treeText(tree()), treeBefore);
        EXPECT_TRUE(gbFormChanged == changed && !w().isLocked());
    }
}

TEST_F(PropertiesDialog, FillShowsTheRecordsEdgeValues)
{
    open(QStringLiteral("itemsd"));
    // Groups: the width above 100 and the alignment id.
    const std::tuple<int16_t, int16_t, const char*, const char*> groups[] = {
        {100, -3, "100", "optGroupAlignmentDef"},
        {101, 0, "1", "optGroupAlignmentEqu"},
        {103, 7, "3", "optGroupAlignmentSpec"},
    };
    for (const auto& [width, alignment, shown, option] : groups) {
        gaGroups[1].iGroupWidth = width;
        gaGroups[1].lAlignmentGroupId = alignment;
        frm_Properties& d = openOn(QStringLiteral("g_1"));
        EXPECT_EQ(d.txtGroupCols->text(), QLatin1String(shown));
        EXPECT_TRUE(d.findChild<QRadioButton*>(QLatin1String(option))->isChecked()) << option;
        EXPECT_EQ(d.txtGroupCols->parentWidget(), d.fraGroups);
        d.cmdCancel_Click();
    }
    // The form page shows the width as stored, in the same box.
    gaGroups[0].iGroupWidth = 101;
    frm_Properties& d = openOn(QStringLiteral("g_0"));
    EXPECT_EQ(d.txtGroupCols->text(), QStringLiteral("101"));
    EXPECT_TRUE(d.txtGroupCols->parentWidget() == d.fraForm && d.txtGroupCols->isVisible());
    d.cmdCancel_Click();

    // A multi-currency field: element -1, disabled, on every page's heading.
    gaFields[14].bMultiCurrency = true;
    // The multi-occurrence label length linked to the display length.
    gaFields[14].iLabelLengthMO = 999;
    gaFields[14].iMaxDispLen = 7;
    openOn(QStringLiteral("f_14"));
    EXPECT_TRUE(d.txtElement->text() == QStringLiteral("-1") && !d.txtElement->isEnabled());
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(d.lblElementText[size_t(i)]->text(), QStringLiteral("-1"));
    EXPECT_TRUE(d.chkLinkLabLenToDispLen->isChecked() && !d.txtLabelLengthMO->isEnabled());
    EXPECT_EQ(d.txtLabelLengthMO->text(), QStringLiteral("7"));
    EXPECT_EQ(d.nSavedDomainIndex, gaFields[14].nDomainIndex);
    d.cmdCancel_Click();

    // A field without domain: no control, and no control kinds or data alignment to
    // choose; its domain index is kept for Cancel all the same.
    ASSERT_TRUE(gaFields[5].sDomainPackage.isEmpty());
    gaFields[5].nDomainIndex = 0;
    openOn(QStringLiteral("f_5"));
    EXPECT_TRUE(d.chkNoControl->isChecked());
    for (QWidget* c : std::initializer_list<QWidget*>{d.optCheckbox, d.optListbox, d.optOptionset, d.optStrNormal,
                                                      d.optStrList, d.optStrCombo, d.cboDataAli, d.cboYesValue})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_TRUE(d.cboDataAli->count() == 0 && d.nSavedDomainIndex == 0 && d.sNodeKind == QStringLiteral("label"));
    d.cmdCancel_Click();
    // An enumerate's default shows in the list of its values, from 1 up with gaps kept;
    // the next field's in the text box.
    ASSERT_TRUE(gaFields[12].bDefault);
    DomainRecord& yesNo = gaDomains[size_t(gaFields[12].nDomainIndex)];
    yesNo.aEnumDesc[0] = QStringLiteral("none");
    yesNo.aEnumDesc[5] = QStringLiteral("maybe");
    openOn(QStringLiteral("f_12"));
    EXPECT_TRUE(d.cboDefaultValue->isVisible() && !d.txtDefaultValue->isVisible());
    EXPECT_EQ(d.cboDefaultValue->currentText(), d.msGetEnumDesc(gaFields[12].sDefaultValue));
    EXPECT_TRUE(d.cboDefaultValue->count() == 3 && d.cboDefaultValue->itemData(2).toInt() == 5);
    // A value not in the list selects the first entry.
    EXPECT_TRUE(frm_Properties::msSetEnum(d.cboDefaultValue, 3) == d.cboDefaultValue->itemText(0)
                && d.cboDefaultValue->currentIndex() == 0);
    d.cmdCancel_Click();
    // The next field with a domain gets its data alignment list back.
    openOn(QStringLiteral("f_17"));
    EXPECT_TRUE(d.cboDataAli->count() == 2 && d.cboDataAli->currentData().toInt() == gaFields[17].iDataAli);
    EXPECT_TRUE(d.txtDefaultValue->isVisible() && d.txtDefaultValue->isReadOnly() && !d.cboDefaultValue->isVisible());
    d.cmdCancel_Click();
}

TEST_F(PropertiesDialog, LabelPositionRightComesAndGoesByItsValue)
{
    open(QStringLiteral("itemsd"));
    // Four positions in the host; "right" is the third.
    gaEnumLabelPos.resize(5);
    gaEnumLabelPos[4] = {QStringLiteral("below"), QStringLiteral("Below the field"), 4};
    frm_Properties& d = openOn(QStringLiteral("f_9"));
    ASSERT_EQ(d.cboLabelPosition->count(), 4);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        d.cboLabelPosition->setCurrentIndex(d.cboLabelPosition->findData(3));
        d.chkNoControl->setChecked(true);
        d.mSetLabelAlignEnum();
        EXPECT_TRUE(d.cboLabelPosition->findData(3) == -1 && d.cboLabelPosition->findData(4) != -1);
        EXPECT_EQ(d.cboLabelPosition->currentData().toInt(), 1);  // the removed one was selected
        d.mSetLabelAlignEnum();  // already without it
        EXPECT_EQ(d.cboLabelPosition->count(), 3);
        d.chkNoControl->setChecked(false);
        d.mSetLabelAlignEnum();
        EXPECT_EQ(d.cboLabelPosition->findData(3), 3);  // back, at the end
    }
    d.cmdCancel_Click();
}

// With the host's label positions left, above and right, the list holds left and above,
// and right as its third entry unless the field has no control: whatever fills, clicks,
// domains and stores did, "the entry of value 3" and "the third entry" are the same.
TEST_F(PropertiesDialog, LabelPositionListKeepsRightThirdInEveryState)
{
    open(QStringLiteral("itemsd"));
    ASSERT_EQ(gaEnumLabelPos.size(), 4u);
    int steps = 0;
    const auto check = [&](frm_Properties& d, const QString& step, bool matchesBox) {
        SCOPED_TRACE(step.toStdString());
        ++steps;
        QList<int> values;
        for (int i = 0; i < d.cboLabelPosition->count(); ++i)
            values << d.cboLabelPosition->itemData(i).toInt();
        EXPECT_TRUE(values == QList<int>({1, 2}) || values == QList<int>({1, 2, 3})) << values.size();
        if (matchesBox) {
            EXPECT_EQ(values.size() == 2, d.chkNoControl->isChecked());
        }
    };
    for (const QString& key : keysInTreeOrder(tree(), QString())) {
        if (gbIsGroupKey(key))
            continue;
        frm_Properties& d = openOn(key);
        check(d, key + QStringLiteral(" filled"), key.startsWith(u'f'));
        if (key.startsWith(u'f') && d.chkNoControl->isEnabled()) {
            for (int click = 0; click < 2; ++click) {
                d.chkNoControl->click();
                check(d, key + QStringLiteral(" clicked"), true);
            }
            if (!d.chkNoControl->isChecked() && d.txtDomainCode->isEnabled()) {
                d.txtDomainPackage->setText(QStringLiteral("te"));
                d.txtDomainCode->setText(QStringLiteral("qty"));
                gbValidateControl(d.txtDomainCode, 2, QString());
                check(d, key + QStringLiteral(" domain"), true);
            }
        }
        d.cmdOk_Click();
        check(d, key + QStringLiteral(" stored"), false);
        if (d.isVisible())
            d.cmdCancel_Click();
    }
    EXPECT_GT(steps, 40);
}

TEST_F(PropertiesDialog, ViewFieldAncestorsAreJudgedByTheirRecords)
{
    open(QStringLiteral("itemsd"));
    // f_10 is a follow-up of f_9, whose previous sibling f_4 is a view field; f_9 itself
    // is not marked dependent.
    gaFields[4].bIsViewField = true;
    gaFields[9].bDependent = false;
    gaFields[9].bIsViewField = false;
    frm_Properties& d = openOn(QStringLiteral("f_10"));
    d.chkDependent->setChecked(true);
    int16_t reason = 0;
    int32_t dependsOn = 0;
    EXPECT_FALSE(d.gbIsViewField(10, node("f_10"), true, reason, dependsOn));
    EXPECT_EQ(reason, ViewFieldNone);
    // f_9 dependent by its record: f_10 depends on a view field.
    gaFields[9].bDependent = true;
    EXPECT_TRUE(d.gbIsViewField(10, node("f_10"), true, reason, dependsOn));
    EXPECT_TRUE(reason == ViewFieldDependent && dependsOn == 9);
    d.chkDependent->setChecked(false);
    EXPECT_FALSE(d.gbIsViewField(10, node("f_10"), true, reason, dependsOn));
    // Marked by its record, unless the host lists it (f_1 is tekwy001.item).
    gaFields[1].bIsViewField = true;
    EXPECT_TRUE(d.gbIsViewField(4, node("f_4"), false, reason, dependsOn) && reason == ViewFieldMarked);
    EXPECT_TRUE(!d.gbIsViewField(1, node("f_1"), false, reason, dependsOn) && reason == ViewFieldListed);
    d.cmdCancel_Click();
    // The node texts and the dialog asked the host once between them.
    w().mSetPropertyView(true, 3);
    EXPECT_EQ(host::callCount(QStringLiteral("get.view.fields(")), 1);
}

TEST_F(PropertiesDialog, PictureIconIsFetchedOnceAndRemovedAtExit)
{
    open(QStringLiteral("itemsd"));
    host::clearCallLog();
    frm_Properties& d = openOn(QStringLiteral("p_13"));
    ASSERT_TRUE(!d.imgIcon->pixmap().isNull() && gaIconCache.size() == 2u);
    const IconCacheEntry entry = gaIconCache[1];
    // Cached as its folder and a plain name, which the exit removes.
    EXPECT_TRUE(entry.sIconName == QStringLiteral("box") && QFileInfo(entry.sFileName).fileName() == entry.sFileName);
    const QString file = QDir(entry.sLocalFile).filePath(entry.sFileName);
    EXPECT_TRUE(QFileInfo::exists(file));
    d.cmdCancel_Click();
    openOn(QStringLiteral("p_13"));
    d.cmdCancel_Click();
    const QStringList pictureCalls = callTexts(QStringLiteral("get.picture("));
    ASSERT_EQ(pictureCalls.size(), 1);
    // The icon group is the package followed by "form_".
    EXPECT_TRUE(pictureCalls[0].startsWith(QStringLiteral("get.picture(\"teform_\",\"box"))) << pictureCalls[0].toStdString();
    // The exit removes only plain names in the cache's folder, nothing beside it.
    const QString beside = QDir(entry.sLocalFile).filePath(QStringLiteral("../keep.bmp"));
    ASSERT_TRUE(QFile(beside).open(QIODevice::WriteOnly));
    gaIconCache.push_back({QStringLiteral("keep"), entry.sLocalFile, QStringLiteral("../keep.bmp")});
    EXPECT_EQ(endStatusOf([&] { w().mnuFExit_Click(); }), 0);
    EXPECT_TRUE(!QFileInfo::exists(file) && QFileInfo::exists(beside));
}

TEST_F(PropertiesDialog, FailedCheckBringsItsPageForwardAndSkipsTheNextCheck)
{
    open(QStringLiteral("itemsd"));
    frm_Properties& d = openOn(QStringLiteral("f_9"));
    QStringList checked;
    d.setControlCheck([&](QWidget* c, int16_t, const QString&) {
        checked << c->objectName();
        return c != d.txtMaxDispLen;
    });
    d.tabProperties->setCurrentIndex(1);
    EXPECT_FALSE(d.mbValidate_OnLostFocus(d.txtMaxDispLen, 2, QString()));
    EXPECT_TRUE(d.tabProperties->currentIndex() == 3 && d.bSkipValidation);
    EXPECT_TRUE(d.mbValidate_OnLostFocus(d.txtLabelCode, 2, QString()));
    EXPECT_TRUE(d.mbValidate_OnLostFocus(d.txtLabelCode, 2, QString()));
    EXPECT_EQ(checked, (QStringList{QStringLiteral("txtMaxDispLen"), QStringLiteral("txtLabelCode")}));
    // A control inside the default frame brings the general page.
    d.setControlCheck([](QWidget*, int16_t, const QString&) { return false; });
    d.bSkipValidation = false;
    EXPECT_FALSE(d.mbValidate_OnLostFocus(d.chkDefault, 2, QString()));
    EXPECT_EQ(d.tabProperties->currentIndex(), 0);
    d.cmdCancel_Click();
}

TEST_F(PropertiesDialog, OpensFromMenuToolbarAndDoubleClickAndShowsItsPagesHelp)
{
    open(QStringLiteral("itemsd"));
    tree().setSelectedItem(node("g_1"));
    w().actions().toolbarButton(QStringLiteral("mnuEProperties"))->click();
    frm_Properties& d = propertiesDialog();
    EXPECT_TRUE(d.isVisible() && !w().actions().toolbarButton(QStringLiteral("mnuEProperties"))->isEnabled());
    d.cmdCancel_Click();
    trigger("mnuEProperties");
    EXPECT_EQ(d.Tag, kKindGroup);
    d.cmdCancel_Click();

    // Help opens the page's topic; F1 on an input its own.
    Q_EMIT w().tvwGroups->nodeDoubleClicked(node("f_9"));
    EXPECT_EQ(d.Tag, kKindField);
    d.tabProperties->setCurrentIndex(5);
    gsHelpFile = tmp.path();
    help->clear();
    d.cmdHelp_Click();
    QTest::keyClick(d.txtSearchDesc, Qt::Key_F1);
    // Only a click on a disabled input opens its topic, not the mouse passing over.
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    for (const bool enabled : {true, false}) {
        d.chkGrid->setEnabled(enabled);
        QCoreApplication::sendEvent(d.chkGrid, &enter);
        EXPECT_EQ(help->shown().size(), 2u) << enabled;
        QTest::mouseClick(d.chkGrid, Qt::LeftButton);
    }
    ASSERT_EQ(help->shown().size(), 3u);
    EXPECT_EQ(help->shown()[0].topic + u' ' + help->shown()[1].topic + u' ' + help->shown()[2].topic,
              QStringLiteral("/plm/plm/zoom.htm /plm/plm/zoom.htm#txtSearchDesc /plm/plm/position.htm#chkGrid"));
    d.cmdCancel_Click();
}

TEST_F(PropertiesDialog, ScreenshotsOfTheFourKinds)
{
    open(QStringLiteral("itemsd"));
    const struct {
        const char* key;
        const char* kind;
    } cases[] = {{"g_0", "form"}, {"g_2", "group"}, {"f_9", "field"}, {"p_13", "picture"}};
    for (const auto& c : cases) {
        frm_Properties& d = openOn(QLatin1String(c.key));
        // Named apart from the pictures of the kind test, which may run at the same time.
        EXPECT_FALSE(screenshot(d, QStringLiteral("properties_%1_%2.png").arg(QLatin1String(c.kind), QLatin1String(c.key)))
                         .isEmpty());
        // Captions are the host's texts, not label codes.
        for (QLabel* l : d.findChildren<QLabel*>())
            EXPECT_FALSE(l->isVisible() && l->text().startsWith(QLatin1String("pz"))) << l->objectName().toStdString();
        for (QAbstractButton* b : d.findChildren<QAbstractButton*>())
            EXPECT_FALSE(b->isVisible() && b->text().startsWith(QLatin1String("pz"))) << b->objectName().toStdString();
        d.cmdCancel_Click();
    }
}

// Message boxes that, with a holder set, take the activation from the dialog while
// they are shown, as a modal box does under a window manager, which gives it back only
// after the box closed.
class ActivatingDialogs : public platform::ScriptedDialogs {
public:
    int messageBox(const QString& text, int style, const QString& title) override
    {
        if (holder) {
            holder->show();
            EXPECT_TRUE(activate(*holder));
            holder->hide();
        }
        return ScriptedDialogs::messageBox(text, style, title);
    }
    QWidget* holder = nullptr;
};

// Entering a text box selects its whole text, whether the focus comes by a click, by
// Tab and Shift+Tab or back from a refused input; a second click inside the focused
// box places the cursor, and an empty or a disabled box is left as it is.
TEST_F(PropertiesDialog, EnteringATextBoxSelectsItsWholeText)
{
    auto port = std::make_shared<ActivatingDialogs>();
    platform::setDialogs(port);
    dialogs = port;
    open(QStringLiteral("itemsd"));
    frm_Properties& d = openOn(QStringLiteral("f_3"));
    ASSERT_TRUE(activate(d));
    showTab(d, 2);
    QLineEdit* const length = d.txtLabelLengthSO;
    QLineEdit* const height = d.txtLabelHeightSO;
    QLineEdit* const search = d.txtLabelSearchString;
    QLineEdit* const disabled = d.txtLabelLengthMO;
    ASSERT_TRUE(length->text() == QLatin1String("10") && height->text() == QLatin1String("1")
                && search->text().isEmpty() && !disabled->isEnabled() && !disabled->text().isEmpty());
    // Before the first character: there a click places the cursor at 0, not at the end.
    const QPoint start(3, length->height() / 2);
    ASSERT_EQ(length->cursorPositionAt(start), 0);
    QDialog messageWindow;
    const auto click = [&](QLineEdit* box) { QTest::mouseClick(box, Qt::LeftButton, {}, start); };
    const auto refuse = [&](const std::function<void()>& leaveBox) {
        dialogs->clear();
        typeInto(length, QStringLiteral("32767"));
        leaveBox();
        EXPECT_EQ(dialogs->texts().join(u'|'), QStringLiteral("The value 32767 is out of range."));
    };
    // The step, the box that has the focus afterwards, and whether all its text is
    // selected (else the cursor stands where the click was, or nothing is selected).
    const struct {
        const char* step;
        std::function<void()> run;
        QLineEdit* focused;
        bool selected;
    } steps[] = {
        {"click", [&] { click(length); }, length, true},
        {"click again", [&] { click(length); }, length, false},
        {"Tab", [&] { QTest::keyClick(length, Qt::Key_Tab); }, height, true},
        {"Shift+Tab", [&] { QTest::keyClick(height, Qt::Key_Backtab, Qt::ShiftModifier); }, length, true},
        {"click into an empty box", [&] { click(search); }, search, false},
        {"click on a disabled box", [&] { click(disabled); }, search, false},
        {"refused, left by a click", [&] { refuse([&] { click(height); }); }, length, true},
        {"refused, left by Tab", [&] { refuse([&] { leave(length); }); }, length, true},
        {"refused while the message holds the window",
         [&] {
             port->holder = &messageWindow;
             refuse([&] { click(height); });
             port->holder = nullptr;
             EXPECT_FALSE(d.isActiveWindow());
             EXPECT_TRUE(activate(d));
         },
         length, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        s.run();
        ASSERT_EQ(QApplication::focusWidget(), s.focused);
        EXPECT_EQ(s.focused->selectedText(), s.selected ? s.focused->text() : QString());
        if (!s.selected && !s.focused->text().isEmpty()) {
            EXPECT_EQ(s.focused->cursorPosition(), 0) << "where the click was";
        }
        EXPECT_FALSE(disabled->hasSelectedText());
    }
    // The routine itself leaves a disabled and an empty box alone.
    gSelectAllText(*disabled);
    gSelectAllText(*search);
    EXPECT_FALSE(disabled->hasSelectedText() || search->hasSelectedText());
    d.cmdCancel_Click();
}

} // namespace
