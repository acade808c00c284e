// Editing in the property dialog: Cancel and OK on every node of the demo forms, the
// enabling rules, the domain's inputs and defaults, the input checks, and OK storing
// into the records with the change log.
#include "test_properties_support.h"

#include "frm_Properties_Helpers.h"
#include "mod_Validation.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

#include <tuple>

namespace {

// The demo forms as an older seed stored them, with values the dialog normalises: link
// boxes the data type lacks are off, so is the data alignment of types and fields
// without one; a segmented text is a plain input; the table keeps a table field's
// mandatory mark; a picture's label size serves both occurrences ("2" is False in the
// host). OK without edits changes exactly these values, each to what the dialog
// stores. A group that shares another's grid keeps it.
TEST_F(PropertiesDialog, OkWithoutEditsChangesOnlyWhatTheDialogNormalises)
{
    const QStringList normalised = QStringLiteral("difl=2 mxdl=2 mxil=2 za_adju=0 ctrl=0 mand=2 llmo=0").split(u' ');
    // Form, table, column, the older seed's value and the fields that held it.
    const std::tuple<const char*, const char*, const char*, const char*, const char*> olderRows[] = {
        {"simpled", "qxzrn301", "difl", "1", "1,2,3,4,5"},
        {"simpled", "qxzrn301", "mand", "1", "1"},
        {"simpled", "qxzrn301", "mxdl", "1", "5"},
        {"simpled", "qxzrn301", "mxil", "1", "4,5,6"},
        {"simpled", "qxzrn308", "za_adju", "2", "1,2,3,4,5"},
        {"itemsd", "qxzrn301", "difl", "1", "1,2,3,4,9,10,11,12,18,19,21,22,29,30,32"},
        {"itemsd", "qxzrn301", "mand", "1", "1"},
        {"itemsd", "qxzrn301", "mxdl", "1", "12,30"},
        {"itemsd", "qxzrn301", "mxil", "1", "4,11,12,14,15,16,25,29,30,31,40"},
        {"itemsd", "qxzrn308", "ctrl", "6", "1,3"},
        {"itemsd", "qxzrn308", "llmo", "999", "13,33"},
        {"itemsd", "qxzrn308", "za_adju", "2", "1,2,3,4,5,6,7,8,9,10,11,12,18,19,21,22,25,29,30,31,32,34,35"},
        {"olditemd", "qxzrn301", "difl", "1", "3,4,6,7,12,13,14,15"},
        {"olditemd", "qxzrn301", "mxdl", "1", "15"},
        {"olditemd", "qxzrn301", "mxil", "1", "1,2,5,6,8,9,15"},
        {"olditemd", "qxzrn308", "ctrl", "6", "3"},
        {"olditemd", "qxzrn308", "za_adju", "2", "3,4,6,7,8,9,12,13,14,15"},
    };
    for (const char* form : {"simpled", "itemsd", "olditemd"}) {
        SCOPED_TRACE(form);
        restart();
        QStringList expected;
        for (const auto& [rowForm, table, column, value, fields] : olderRows) {
            if (qstrcmp(rowForm, form) != 0)
                continue;
            hostExec(QStringLiteral("UPDATE %1 SET %2 = %3 WHERE cfrm = '%4' AND sequ IN (%5)")
                         .arg(QLatin1String(table), QLatin1String(column), QLatin1String(value), QLatin1String(form),
                              QLatin1String(fields)));
            QString to;
            for (const QString& n : normalised)
                if (n.section(u'=', 0, 0) == QLatin1String(column))
                    to = n.section(u'=', 1);
            for (const QString& sequ : QString::fromLatin1(fields).split(u','))
                expected << QStringLiteral("f%1.%2: %3 -> %4").arg(sequ, QLatin1String(column), QLatin1String(value), to);
        }
        open(QLatin1String(form));
        if (gaGroups.size() > 3 && gaGroups[3].Grpi != -1)
            gaGroups[3].lAlignmentGroupId = 2;
        const QMap<QString, QString> before = recordValues();
        okOnEveryNode();
        QStringList changes;
        for (const QString& c : changedValues(before, recordValues())) {
            const QString column = c.section(u'.', 1).section(u':', 0, 0);
            const QString value = c.section(QStringLiteral(" -> "), 1);
            if (column == QLatin1String("changed"))
                EXPECT_TRUE(value.startsWith(u'1')) << c.toStdString();
            else
                changes << c;
        }
        EXPECT_GT(changes.size(), 0);
        changes.sort();
        expected.sort();
        EXPECT_EQ(changes, expected);
    }
}

// On every demo form, read-only (Next going on), and on a selection group's selection
// field, whose disabled inputs would store nothing: Cancel on every node, then OK.
TEST_F(PropertiesDialog, OkWithoutEditsStoresNothing)
{
    for (const QString run : {"simpled w", "itemsd w", "olditemd w", "itemsd r", "selection w"}) {
        SCOPED_TRACE(run.toStdString());
        restart();
        const bool selection = run.startsWith(QLatin1String("selection"));
        open(selection ? QStringLiteral("itemsd") : run.section(u' ', 0, 0), run.right(1));
        if (selection) {
            gaFields[9].sDomainPackage = QStringLiteral("qx");
            gaFields[9].sDomainCode = QStringLiteral("stpselection");
            gaFields[9].bIsViewField = true;
            ASSERT_FALSE(openOn(QStringLiteral("f_9")).cboDataAli->isEnabled());
            propertiesDialog().cmdCancel_Click();
        }
        // A group that shares another's grid keeps it.
        if (gaGroups.size() > 3 && gaGroups[3].Grpi != -1)
            gaGroups[3].lAlignmentGroupId = 2;
        const bool changed = gbFormChanged;  // olditemd's upgrade
        const QMap<QString, QString> before = recordValues();
        const QString treeBefore = treeText(tree());
        for (const QString& key : keysInTreeOrder(tree(), QString())) {
            frm_Properties& d = openOn(key);
            ASSERT_TRUE(d.isVisible()) << key.toStdString();
            d.cmdCancel_Click();
        }
        EXPECT_EQ(changedValues(before, recordValues()), QStringList());
        EXPECT_TRUE(treeText(tree()) == treeBefore && gbFormChanged == changed && !w().isLocked());

        okOnEveryNode();
        if (run.endsWith(u'r')) {
            frm_Properties& d = openOn(QStringLiteral("f_1"));
            QTest::mouseClick(d.cmdNext, Qt::LeftButton);
            EXPECT_NE(d.lRecordIndex, 1);
        }
        EXPECT_EQ(changedValues(before, recordValues()), QStringList());
        EXPECT_EQ(gbFormChanged, changed);
    }
}

TEST_F(PropertiesDialog, ReadOnlyAndSelectionFieldsStoreNothing)
{
    open(QStringLiteral("itemsd"), QStringLiteral("r"));
    const QMap<QString, QString> before = recordValues();
    okOnEveryNode();
    EXPECT_EQ(changedValues(before, recordValues()), QStringList());
    EXPECT_FALSE(gbFormChanged);
    frm_Properties& d = openOn(QStringLiteral("f_1"));
    QTest::mouseClick(d.cmdNext, Qt::LeftButton);  // goes on, storing nothing
    EXPECT_NE(d.lRecordIndex, 1);
    d.cmdCancel_Click();

    // A selection group's selection field: its disabled inputs would store nothing.
    restart();
    open(QStringLiteral("itemsd"));
    gaFields[9].sDomainPackage = QStringLiteral("qx");
    gaFields[9].sDomainCode = QStringLiteral("stpselection");
    gaFields[9].bIsViewField = true;
    const QMap<QString, QString> selection = recordValues();
    ASSERT_FALSE(openOn(QStringLiteral("f_9")).cboDataAli->isEnabled());
    propertiesDialog().cmdOk_Click();
    EXPECT_EQ(changedValues(selection, recordValues()), QStringList());
}

// The enabling rules of the field pages, one row per rule, over every combination of
// the inputs they read.
TEST_F(PropertiesDialog, EnablingRulesFollowTheirTable)
{
    open(QStringLiteral("itemsd"));
    frm_Properties& d = openOn(QStringLiteral("f_10"));
    struct Case {
        bool E, T, R, M, D, S, L, listbox, withDefault, linked, searchField;
        int t, constants;  // t 0: no domain
        bool enabled() const { return E && t != 0; }
    };
    using Rule = std::function<bool(const Case&)>;
    const std::vector<std::pair<std::vector<QWidget*>, Rule>> rules = {
        {{d.txtDomainPackage, d.txtDomainCode, d.cmdDomainZoom}, [](const Case& c) { return c.E && !c.T; }},
        {{d.chkMandatoryInput}, [](const Case& c) { return !(c.T && c.M); }},
        {{d.txtMessage}, [](const Case& c) { return !c.D; }},
        {{d.cboFieldType, d.txtElement, d.chkMultiCurrency}, [](const Case& c) { return c.enabled(); }},
        {{d.cboFieldZoom, d.txtZoomInd}, [](const Case& c) { return c.enabled() && c.t != 7; }},
        {{d.txtSearchDesc, d.cmdZoomSearchDesc},
         [](const Case& c) { return c.enabled() && c.t != 7 && (c.searchField || !c.S) && c.T && c.R; }},
        {{d.optCheckbox}, [](const Case& c) { return c.enabled() && c.t == 7 && c.constants == 2; }},
        {{d.optListbox, d.optOptionset}, [](const Case& c) { return c.enabled() && c.t == 7; }},
        {{d.optStrNormal, d.optStrList, d.optStrCombo},
         [](const Case& c) { return c.enabled() && (c.t == 6 || c.t == 11) && !c.S; }},
        {{d.cboLabelPosition}, [](const Case& c) { return c.L && !(c.enabled() && c.t == 7 && !c.listbox); }},
        {{d.chkLinkMaxDisplLenToDomain}, [](const Case& c) { return c.enabled() && !c.S && c.t != 12; }},
        {{d.chkDefault, d.txtMinInpLength}, [](const Case& c) { return c.enabled() && !c.D; }},
        {{d.txtDefaultValue, d.cboDefaultValue}, [](const Case& c) { return c.enabled() && !c.D && c.withDefault; }},
        {{d.txtMaxDispLen}, [](const Case& c) { return c.enabled() && !c.linked && c.t != 12; }},
    };
    const auto domainCode = [](int t, bool S, int n) { return QStringLiteral("t%1s%2n%3").arg(t).arg(S).arg(n); };
    for (int t : {2, 6, 7, 10, 12})
        for (int v = 0; v < 4; ++v) {
            DomainRecord& r = gaDomains[size_t(giFindOrAddDomain(QStringLiteral("zz") + domainCode(t, v & 1, v & 2 ? 3 : 2)))];
            std::tie(r.lDataType, r.bSegmented, r.nNrOfConstants) = std::tuple(t, v & 1, v & 2 ? 3 : 2);
        }
    for (int bits = 0; bits < (1 << 12); ++bits)
        for (int t : {0, 2, 6, 7, 10, 12}) {
            const auto bit = [bits](int i) { return (bits >> i & 1) != 0; };
            const Case c{bit(0), bit(1), bit(2), bit(3), bit(4), bit(5), bit(6), bit(7), bit(8), bit(9), bit(10),
                         t,      bit(11) ? 3 : 2};
            d.bIsTableField = c.T;
            d.bTableRef = c.R;
            d.bTableMandatory = c.M;
            frm_Properties::msSetEnum(d.cboFieldType, c.D ? 3 : 1);  // display.alone, input
            d.txtDomainPackage->setText(t ? QStringLiteral("zz") : QString());
            d.txtDomainCode->setText(t ? domainCode(t, c.S, c.constants) : QString());
            d.txtLabelCode->setText(c.L ? QStringLiteral("tekwy002.dsca") : QString());
            (c.listbox ? d.optListbox : d.optOptionset)->setChecked(true);
            d.chkDefault->setChecked(c.withDefault);
            d.chkLinkMaxDisplLenToDomain->setChecked(c.linked);
            gaFields[10].sSearchField = c.searchField ? QStringLiteral("tekwy003.nama") : QString();
            d.cboYesValue->clear();
            d.cboYesValue->addItem(QStringLiteral("yes"), 1);
            bool enable = c.E;
            d.mEnableFields(enable);
            ASSERT_EQ(enable, c.enabled());
            for (const auto& [controls, rule] : rules)
                for (QWidget* w : controls)
                    ASSERT_EQ(w->isEnabled(), rule(c))
                        << w->objectName().toStdString() << " bits " << bits << " t " << t;
            ASSERT_TRUE(!c.enabled() || t != 10 || d.txtDispHeight->isEnabled());
            // The yes value lives only with a two-valued enumerate.
            ASSERT_EQ(d.cboYesValue->count(), c.enabled() && t == 7 && c.constants == 2 ? 1 : 0) << bits << " " << t;
        }

    // While the fill runs nothing changes.
    d.bFilling = true;
    d.txtMessage->setEnabled(false);
    bool enable = true;
    d.mEnableFields(enable);
    EXPECT_FALSE(d.txtMessage->isEnabled());
}

// The domain's defaults and inputs by data type, as a newly chosen domain sets them.
TEST_F(PropertiesDialog, DomainDataFollowsTheDataType)
{
    open(QStringLiteral("itemsd"));
    frm_Properties& d = openOn(QStringLiteral("f_10"));
    // Per type and number of constants (two make a check box): link boxes (display length,
    // format, input length) checked | display length | format | input length | height |
    // enabled: display length, format, input length, height, unit expression, start
    // position, data alignment, check box, list box, yes value, zoom, string kinds; defaults listed.
    const std::tuple<int, int, const char*> rows[] = {
        {0, 3, "000|5||20|1|1100001000100"}, {1, 3, "110|13|FMT|9|1|0000001000100"}, {2, 3, "110|13|FMT|9|1|0000001000100"},
        {3, 3, "110|13|FMT|9|1|0000001000100"}, {4, 3, "111|11|FMT|9|1|0000101000100"}, {5, 3, "111|11|FMT|9|1|0000101000100"},
        {6, 3, "101|11||9|1|0000010000110"}, {7, 3, "000|11||20|1|1000000010001"}, {8, 3, "000|5||20|1|1100001000100"},
        {9, 3, "110|13|FMT|20|1|0000100000100"}, {10, 3, "000|11||20|5|1001000000100"}, {11, 3, "101|11||9|1|0000010000110"},
        {12, 3, "110|13|FMT|20|1|0000100000100"}, {7, 2, "000|1||20|1|0000000111001"},
    };
    const auto state = [&d] {
        QString actual;
        for (QCheckBox* b : {d.chkLinkMaxDisplLenToDomain, d.chkLinkDisplFormatToDomain, d.chkLinkMaxInpLenToDomain})
            actual += QString::number(b->isChecked());
        for (QLineEdit* box : {d.txtMaxDispLen, d.txtDisplayFormat, d.txtMaxInpLen, d.txtDispHeight})
            actual += u'|' + box->text();
        actual += u'|';
        for (QWidget* w : std::initializer_list<QWidget*>{d.txtMaxDispLen, d.txtDisplayFormat, d.txtMaxInpLen,
                                                          d.txtDispHeight, d.txtLangUnitExpr, d.txtStartPosOfString,
                                                          d.cboDataAli, d.optCheckbox, d.optListbox, d.cboYesValue,
                                                          d.cboFieldZoom, d.optStrNormal})
            actual += QString::number(w->isEnabled());
        return actual + QString::number(!d.cboDefaultValue->isHidden());
    };
    for (const auto& [t, constants, shown] : rows) {
        SCOPED_TRACE(t * 10 + constants);
        const int16_t index = giFindOrAddDomain(QStringLiteral("zztype%1n%2").arg(t).arg(constants));
        DomainRecord& r = gaDomains[size_t(index)];
        std::tie(r.lDataType, r.iMaxDispLen, r.iMaxInpLen, r.iDifl, r.nNrOfConstants, r.bIsCheckBox) =
            std::tuple(t, 11, 9, 13, constants, constants == 2);
        r.sDisplayFormat = QStringLiteral("FMT");
        gaFields[10].nDomainIndex = index;
        for (QCheckBox* b : {d.chkLinkMaxDisplLenToDomain, d.chkLinkDisplFormatToDomain, d.chkLinkMaxInpLenToDomain,
                             d.chkLinkLabLenToDispLen, d.chkDefault})
            b->setChecked(false);
        d.optOptionset->setChecked(true);
        for (auto [box, text] : {std::pair{d.txtMaxDispLen, "5"}, {d.txtMaxInpLen, "20"}, {d.txtDisplayFormat, ""},
                                 {d.txtDispHeight, "3"}, {d.txtLangUnitExpr, "unit"}})
            box->setText(QLatin1String(text));
        d.gSetDomainDefaults();
        d.mSetDomainData();
        EXPECT_EQ(state(), QLatin1String(shown));
        // Amounts caption their lengths as whole and decimal digits.
        EXPECT_EQ(d.fraMaxDispLen->title() == properties::label(QStringLiteral("pzzrn301.maxd2")), t == 4 || t == 5);
        EXPECT_EQ((constants == 2 ? d.optCheckbox : d.optListbox)->isChecked(), t == 7);
    }
    // Without a domain every link is set and every length 0.
    d.mResetDomainProps();
    EXPECT_TRUE(state().startsWith(QLatin1String("111|0||0|")) && d.txtMinInpLength->text() == QStringLiteral("0"));
    d.cmdCancel_Click();
}

TEST_F(PropertiesDialog, EditsThroughTheControlsAreStoredLoggedAndSaved)
{
    // A picture stored with a label length of its own for multi occurrence.
    hostExec(QStringLiteral("UPDATE qxzrn308 SET llmo = 999 WHERE cfrm = 'itemsd' AND sequ = 13"));
    open(QStringLiteral("itemsd"));
    startLogging();
    gaFields[10].sLabelCode.clear();
    frm_Properties& d = openOn(QStringLiteral("f_10"));
    ASSERT_TRUE(activate(d));
    showTab(d, 2);
    // A label code typed and left enables the label position at once.
    ASSERT_FALSE(d.cboLabelPosition->isEnabled());
    typeInto(d.txtLabelCode, QStringLiteral("tekwy002.dsca"));
    leave(d.txtLabelCode);
    EXPECT_TRUE(d.cboLabelPosition->isEnabled());
    // A bad value keeps its page: the box gets the focus and its previous value back.
    typeInto(d.txtLabelLengthSO, QStringLiteral("99999"));
    showTab(d, 1);
    EXPECT_TRUE(d.tabProperties->currentIndex() == 1 && d.txtLabelLengthSO->text() == QStringLiteral("0"));
    EXPECT_EQ(QApplication::focusWidget(), d.txtLabelLengthSO);
    typeInto(d.txtLabelLengthSO, QStringLiteral("25"));
    leave(d.txtLabelLengthSO);
    showTab(d, 1);
    typeInto(d.txtDomainCode, QStringLiteral("qty"));
    leave(d.txtDomainCode);
    clickBox(d.chkMandatoryInput);
    showTab(d, 3);
    clickBox(d.chkFieldInMultiOcc);
    EXPECT_FALSE(d.chkGrid->isEnabled());
    showTab(d, 4);
    screenshot(d, QStringLiteral("properties_field_display.png"));
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
    for (const QString& l : logLines().filter(QStringLiteral(" changed from ")))
        changes << l.mid(l.indexOf(QLatin1String(" - ")) + 3);
    // The domain brings its format and lengths; the picture's one label size serves
    // both occurrences.
    QStringList expected;
    for (const char* line : {"DomainCode changed from dsca to qty", "Display Format changed from  to ZZZZZZ9",
                             "LinkDisplayFormat changed from False to True", "Max Display Length changed from 30 to 7",
                             "Max Input Length changed from 30 to 6", "Link Max Inp Length changed from True to False",
                             "Field Length changed from 30 to 7", "Mandatory changed from False to True",
                             "LabelCode changed from  to tekwy002.dsca", "Field In MultiOcc changed from True to False",
                             "Control type changed from 6 to 0",
                             "Data alignment changed from 0 to 2", "Label Length SO changed from 0 to 25"})
        expected << QStringLiteral("Field 'tekwy002.dsca -' : ") + QLatin1String(line);
    expected << QStringLiteral("Group 'tekwy100.stock - Stock levels and storage place' : Show GroupBox changed from "
                               "True to False")
             << QStringLiteral("Field '-' : Icon name changed from box to truck")
             << QStringLiteral("Field '-' : Label Length MO changed from 999 to 0");
    EXPECT_EQ(changes, expected);
    EXPECT_TRUE(gbFormChanged && node("f_10")->text().contains(QLatin1String("tekwy002.dsca")));

    w().mnuFSave_Click();
    ASSERT_FALSE(gbFormChanged) << dialogs->texts().join(u'|').toStdString();
    restart();
    open(QStringLiteral("itemsd"));
    const FieldRecord& f = gaFields[10];
    EXPECT_EQ(QStringLiteral("%1 %2 %3 %4 %5%6%7 %8 %9").arg(f.sDomainCode, f.sDisplayFormat).arg(f.iMaxDispLen)
                  .arg(f.iLabelLengthSO).arg(f.bMandatoryInput).arg(f.bFieldInMultiOcc).arg(gaGroups[2].bShowGroupBox)
                  .arg(gaFields[13].sIconName).arg(gaFields[13].iLabelLengthMO),
              QStringLiteral("qty ZZZZZZ9 7 25 100 truck 0"));
}

TEST_F(PropertiesDialog, ATypedLabelCodeEnablesTheLabelPositionWhenLeft)
{
    open(QStringLiteral("itemsd"));
    gaFields[17].sLabelCode.clear();
    frm_Properties& d = openOn(QStringLiteral("f_17"));
    ASSERT_TRUE(activate(d));
    showTab(d, 2);
    ASSERT_FALSE(d.cboLabelPosition->isEnabled());
    typeInto(d.txtLabelCode, QStringLiteral("tekwy001.wght"));
    leave(d.txtLabelCode);
    EXPECT_TRUE(d.cboLabelPosition->isEnabled()) << dialogs->texts().join(u'|').toStdString();
    d.cmdCancel_Click();
}

// Each changed property: its line in the change log and its table's change mark only.
TEST_F(PropertiesDialog, EachChangeWritesItsLogLineAndRaisesItsTablesMark)
{
    // The edit, the marks of tables 301, 302 and 308, the log lines after "Field '", the
    // field, what its record holds before the dialog opens and what it holds after OK.
    struct Row { const char* what; std::function<void(frm_Properties&)> edit; const char* marks; QStringList lines;
                 const char* key = "f_17"; std::function<void(FieldRecord&)> arrange = nullptr;
                 std::function<void(const FieldRecord&)> stored = nullptr; };
    const Row rows[] = {
        {"message", [](frm_Properties& d) { d.txtMessage->setText(QStringLiteral("kwym0004")); }, "100",
         {QStringLiteral("tekwy001.wght - Weight' : Message changed from  to kwym0004")}},
        {"synchronized", [](frm_Properties& d) { d.chkSyncField->click(); }, "010",
         {QStringLiteral("tekwy001.wght - Weight' : Synchronized Field changed from False to True")}},
        {"zoom index", [](frm_Properties& d) { d.txtZoomInd->setText(QStringLiteral("2")); }, "001",
         {QStringLiteral("tekwy001.wght - Weight' : Zoom Index changed from 0 to 2")}},
        // Texts are compared as texts: "00" is a change, and stores 0.
        {"text compare", [](frm_Properties& d) { d.txtMinInpLength->setText(QStringLiteral("00")); }, "100",
         {QStringLiteral("tekwy001.wght - Weight' : Min Input Length changed from 0 to 00")}, "f_17", nullptr,
         [](const FieldRecord& f) { EXPECT_EQ(f.iMinInpLen, 0); }},
        // The lines after the name carry the new one. A name that is no column of the
        // table loses the column's domain.
        {"rename", [](frm_Properties& d) { d.txtFieldName->setText(QStringLiteral("tekwy001.wgt2")),
                                           d.txtMessage->setText(QStringLiteral("kwym0004")); }, "100",
         {QStringLiteral("tekwy001.wght - Weight' : FieldName changed from tekwy001.wght to tekwy001.wgt2"),
          QStringLiteral("tekwy001.wgt2 - Weight' : DomainPackage changed from te to "),
          QStringLiteral("tekwy001.wgt2 - Weight' : DomainCode changed from weight to "),
          QStringLiteral("tekwy001.wgt2 - Weight' : Display Format changed from ZZZZZ9.999 to "),
          QStringLiteral("tekwy001.wgt2 - Weight' : Max Display Length changed from 6 to 0"),
          QStringLiteral("tekwy001.wgt2 - Weight' : Max Input Length changed from 3 to 0"),
          QStringLiteral("tekwy001.wgt2 - Weight' : Message changed from  to kwym0004"),
          QStringLiteral("tekwy001.wgt2 - Weight' : Field Length changed from 10 to 1")}},
        // Lists without a chosen entry store 0.
        {"no entry", [](frm_Properties&) { gaFields[17].iYesValue = gaFields[17].iLinkedConst = 2; }, "001",
         {QStringLiteral("tekwy001.wght - Weight' : Yes Value changed from 2 to 0"),
          QStringLiteral("tekwy001.wght - Weight' : Linked Value changed from 2 to 0")}},
        // The main table makes the field mandatory; the box shows it, the form stores False.
        {"mandatory table field", [](frm_Properties& d) { ASSERT_FALSE(d.chkMandatoryInput->isEnabled()); }, "100",
         {QStringLiteral("tekwy001.wght - Weight' : Mandatory changed from True to False")}, "f_17",
         [](FieldRecord& f) { f.bTableMandatory = f.bMandatoryInput = true; }},
        // The element shown as -1, greyed out and kept so, is stored as 1.
        {"multi-currency", [](frm_Properties& d) { d.chkMultiCurrency->click();
                                                   EXPECT_TRUE(d.txtElement->text() == QStringLiteral("-1")
                                                               && !d.txtElement->isEnabled()); }, "100",
         {QStringLiteral("tekwy001.wght - Weight' : Multi Currency changed from False to True")}},
        // A one-line label is at least as long as the field.
        {"label length", [](frm_Properties& d) { d.chkLinkLabLenToDispLen->setChecked(false),
                                                 d.txtLabelLengthMO->setText(QStringLiteral("3")); }, "001",
         {QStringLiteral("tekwy001.wght - Weight' : Label Length MO changed from 999 to 10")}},
        {"string combo", [](frm_Properties& d) { d.optStrCombo->click(); }, "001",
         {QStringLiteral("tekwy001.txta - Item text' : Control type changed from 6 to 8")}, "f_32"},
        // A follow-up that depends on its field cannot be a view field of its own.
        {"view field", [](frm_Properties& d) { ASSERT_FALSE(d.chkViewField->isEnabled()); }, "001",
         {QStringLiteral("label.only - Purchased' : View field changed from True to False")}, "f_5",
         [](FieldRecord& f) { f.bIsViewField = f.bDependent = true; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        restart();
        open(QStringLiteral("itemsd"));
        FieldRecord& f = gaFields[size_t(QString::fromLatin1(row.key).mid(2).toInt())];
        if (row.arrange)
            row.arrange(f);
        startLogging();
        const qsizetype logged = logLines().size();
        frm_Properties& d = openOn(QLatin1String(row.key));
        row.edit(d);
        d.cmdOk_Click();
        ASSERT_FALSE(d.isVisible()) << dialogs->texts().join(u'|').toStdString();
        QStringList lines;
        for (const QString& l : logLines().mid(logged).filter(QStringLiteral(" - Field '")))
            lines << l.mid(l.indexOf(QLatin1String(" - Field '")) + 10);
        EXPECT_EQ(lines, row.lines);
        EXPECT_EQ(QStringLiteral("%1%2%3").arg(f.bChanged301).arg(f.bChanged302).arg(f.bChanged308),
                  QLatin1String(row.marks));
        EXPECT_TRUE(f.bChanged && gbFormChanged);
        if (row.stored)
            row.stored(f);
    }
}

// The check of each kind of input when it is left: the message, and the input's
// previous text back.
TEST_F(PropertiesDialog, InputChecksRefuseWithTheirMessages)
{
    open(QStringLiteral("itemsd"));
    struct Row { const char *key, *control, *text, *message; };  // message "": passes
    const Row rows[] = {
        {"f_17", "txtElement", "-1", "The value -1 is out of range."},  // not multi-currency
        {"f_17", "txtElement", "2", "Element 2 is outside the array of the field."},
        {"f_26", "txtElement", "3", ""},
        {"f_17", "txtMaxDispLen", "32768", "The value 32768 is out of range."},
        {"f_17", "txtMinInpLength", "4", "The minimum input length 4 is above the maximum input length."},
        {"f_17", "txtZoomInd", "70000", "Zoom index 70000 is not valid."},
        {"f_17", "txtMessage", "nosuch", "Message nosuch does not exist in this version."},
        {"f_17", "txtLabelCode", "tekwy001", "Label code tekwy001 is not valid: write package, module, number, a "
                                             "point and a name."},
        {"f_17", "txtLabelCode", "tekwy001.none", "No label text of this length exists for the single occurrence."},
        {"f_9", "txtZoomReturnField", "tekwy002.none", "Field name tekwy002.none is not valid."},
        {"f_21", "txtSearchDesc", "tekwy003.none", "Search field tekwy003.none is not a field of the referenced table."},
        {"f_21", "txtSearchDesc", "tekwy003.namb", ""},
        {"f_10", "txtDomainCode", "nosuch", "Domain tenosuch does not exist in this version."},
        {"f_10", "txtDomainPackage", "qx", ""},  // its code's check decides
        {"f_9", "txtFieldZoomTo", "tekwynosuch", "Session tekwynosuch does not exist in this version."},
        {"f_18", "txtFieldZoomTo", "tekwyorders", "Menu tekwyorders does not exist in this version."},
        {"p_13", "txtIcon", "nosuch", "Icon nosuch does not exist."},
        {"p_13", "txtLabelHghtPict", "0", "The value 0 is out of range."},
        {"g_8", "txtParentTable", "tekwy999", "Table tekwy999 does not exist."},
        {"g_8", "txtParentTable", "tekwy002", ""},
        {"g_2", "txtGroupCols", "101", "The value 101 is out of range."},
    };
    EXPECT_EQ(openOn(QStringLiteral("f_10")).txtDomainCode->maxLength(), 12);  // its host column
    propertiesDialog().cmdCancel_Click();
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.control) + " " + row.text);
        frm_Properties& d = openOn(QLatin1String(row.key));
        auto* box = d.findChild<QLineEdit*>(QLatin1String(row.control));
        ASSERT_TRUE(box);
        const QString before = box->text();
        box->setText(QLatin1String(row.text));
        dialogs->clear();
        const bool passes = gbValidateControl(box, 2, QString());
        EXPECT_EQ(passes, *row.message == 0);
        EXPECT_EQ(dialogs->texts().join(u'|'), QLatin1String(row.message));
        EXPECT_EQ(box->text(), passes ? QLatin1String(row.text) : before);
        d.cmdCancel_Click();
    }
}

// A picture's label length and a field's display length that are no 16-bit number:
// refused before anything is stored, the dialog stays on it.
TEST_F(PropertiesDialog, BadNumbersAreRefusedBeforeAnythingIsStored)
{
    open(QStringLiteral("itemsd"));
    startLogging();
    const QMap<QString, QString> before = recordValues();
    frm_Properties& d = openOn(QStringLiteral("p_13"));
    ASSERT_TRUE(activate(d));
    typeInto(d.txtFieldNamePict, QStringLiteral("renamed"));
    typeInto(d.txtLabelLenPict, QStringLiteral("70000"));
    // The click on OK leaves the box: refused there, and OK does not go on.
    QTest::mouseClick(d.cmdOk, Qt::LeftButton);
    EXPECT_EQ(dialogs->texts().join(u'|'), QStringLiteral("The value 70000 is out of range."));
    EXPECT_TRUE(d.isVisible() && d.txtLabelLenPict->text() == QStringLiteral("0"));
    EXPECT_EQ(QApplication::focusWidget(), d.txtLabelLenPict);

    // Letters do not get in; a text that does is refused by OK itself.
    typeInto(d.txtLabelLenPict, QStringLiteral("abc"));
    EXPECT_EQ(d.txtLabelLenPict->text(), QStringLiteral("0"));
    for (QLineEdit* box : {d.txtLabelLenPict, d.txtMaxDispLen}) {
        if (box == d.txtMaxDispLen)
            d.cmdCancel_Click(), openOn(QStringLiteral("f_17"));
        box->setText(QStringLiteral("abc"));
        dialogs->clear();
        d.cmdOk_Click();
        EXPECT_TRUE(d.isVisible() && dialogs->texts().join(u'|') == QStringLiteral("The value abc is out of range."));
    }
    EXPECT_EQ(changedValues(before, recordValues()), QStringList());
    for (const QString& l : logLines())
        EXPECT_FALSE(l.contains(QLatin1String(" changed from "))) << l.toStdString();

    d.cmdCancel_Click();
}

// The domain checks set the record's domain before OK: Cancel and the close box put
// it back; the dialog's field length is the load's.
TEST_F(PropertiesDialog, CancelPutsTheDomainBackAndOkKeepsTheLoadsFieldLength)
{
    open(QStringLiteral("itemsd"));
    const int16_t domain = gaFields[10].nDomainIndex;
    // A package changed alone is checked with its code before OK stores it.
    openOn(QStringLiteral("f_10")).txtDomainPackage->setText(QStringLiteral("qx"));
    ASSERT_TRUE(gbValidateControl(propertiesDialog().txtDomainPackage, 2, QString()));
    propertiesDialog().cmdOk_Click();
    EXPECT_EQ(dialogs->texts().last(), QStringLiteral("Domain qxdsca does not exist in this version."));
    EXPECT_EQ(propertiesDialog().txtDomainPackage->text(), QStringLiteral("te"));
    propertiesDialog().cmdCancel_Click();
    for (const bool closeBox : {false, true}) {
        frm_Properties& d = openOn(QStringLiteral("f_10"));
        d.txtDomainCode->setText(QStringLiteral("amnt"));
        ASSERT_TRUE(gbValidateControl(d.txtDomainCode, 2, QString()));
        ASSERT_NE(gaFields[10].nDomainIndex, domain);
        closeBox ? void(d.close()) : d.cmdCancel_Click();
        EXPECT_TRUE(gaFields[10].nDomainIndex == domain && !w().isLocked());
    }

    // An amount without display format: the decimals and the point count when a
    // maximum input length is given.
    frm_Properties& d = openOn(QStringLiteral("f_10"));
    d.txtDomainCode->setText(QStringLiteral("amnt"));
    d.cmdOk_Click();
    ASSERT_FALSE(d.isVisible());
    openOn(QStringLiteral("f_10"));
    d.chkLinkDisplFormatToDomain->click();
    d.txtDisplayFormat->clear();
    d.cmdOk_Click();
    const FieldRecord& f = gaFields[10];
    ASSERT_TRUE(f.sDisplayFormat.isEmpty() && f.iMaxInpLen > 0);
    EXPECT_TRUE(f.iFieldLength == f.iMaxDispLen + f.iMaxInpLen + 1 && f.iFieldLength == giDomainDisplayLength(10));
}

// A group's selection flag and parent table bring, rename and keep its selection
// field; a selection group needs its parent table.
TEST_F(PropertiesDialog, SelectionGroupsKeepTheirSelectionField)
{
    open(QStringLiteral("itemsd"));
    giStartMode = 4;  // no main table: the selection inputs are the user's
    const auto fieldsNamed = [](const char* name) {
        QList<int32_t> found;
        for (int32_t i = 1; i <= gnFieldCount; ++i)
            if (gaFields[size_t(i)].lFieldId != -1 && gaFields[size_t(i)].sFieldName == QLatin1String(name))
                found << i;
        return found;
    };
    frm_Properties& d = openOn(QStringLiteral("g_3"));
    d.chkSelection->click();
    d.cmdOk_Click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(dialogs->texts().last(), QStringLiteral("A selection group needs a parent table."));
    d.txtParentTable->setText(QStringLiteral("tekwy002"));
    d.cmdOk_Click();
    ASSERT_FALSE(d.isVisible());
    const QList<int32_t> added = fieldsNamed("sel.use.tekwy002");
    ASSERT_TRUE(added.size() == 1 && gaGroups[3].bSelectionGroup);

    gaFields[size_t(added[0])].bChanged = gaFields[size_t(added[0])].bChanged301 = false;
    openOn(QStringLiteral("g_3"));
    d.txtParentTable->setText(QStringLiteral("tekwy005"));
    d.cmdOk_Click();
    EXPECT_TRUE(fieldsNamed("sel.use.tekwy005") == added && gaFields[size_t(added[0])].bChanged301);

    openOn(QStringLiteral("g_3"));
    d.chkSelection->click();
    d.cmdOk_Click();
    EXPECT_TRUE(!gaGroups[3].bSelectionGroup && fieldsNamed("sel.use.tekwy005") == added);
}

} // namespace
