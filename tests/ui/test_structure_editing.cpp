// Structure editing in the main window against the local host: inserting fields,
// groups and table fields, deleting with its questions, selection fields, moving by
// menu, each stored and loaded again, and the refusals of a read-only or locked window.
#include "test_main_window_support.h"

namespace {

class StructureEditing : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // Group 8 aligned to group 3, the stock group.
        hostExec(QStringLiteral("UPDATE qxzrn315 SET algr = 3 WHERE cfrm = 'itemsd' AND grpi = 8"));
        open(QStringLiteral("itemsd"));
    }
    // The rows of itemsd in table that meet condition, columns joined by "|".
    QStringList formRows(const char* columns, const char* table, const char* condition) const
    {
        return rows(QStringLiteral("SELECT %1 FROM %2 WHERE cfrm = 'itemsd' AND %3").arg(QLatin1String(columns), QLatin1String(table), QLatin1String(condition)));
    }
    QString key() { return tree().selectedItem()->key(); }
    // A picker entry of table tekwy001 made for the test; its key.
    static QString pickerEntry(const char* field, const char* domain)
    {
        if (gaTableFields.empty())
            gaTableFields.resize(1);
        TableFieldRecord entry;
        entry.sTableCode = QStringLiteral("tekwy001");
        entry.sFieldName = QLatin1String(field);
        entry.iElement = 1;
        entry.sDomainPackage = QStringLiteral("te");
        entry.sDomainCode = QLatin1String(domain);
        entry.nNrOfElements = 1;
        gaTableFields.push_back(entry);
        gnTableFieldCount = int16_t(gaTableFields.size() - 1);
        return QStringLiteral("t_%1").arg(gnTableFieldCount);
    }
    bool insertTableField(const char* relative, int16_t relationship, const QString& entry, bool from = true,
                          bool checkBox = false)
    {
        const QString text = entry.isEmpty() ? QString() : QStringLiteral("text");
        return w().mbInsertTableField(relationship, QLatin1String(relative), entry, text, QStringLiteral("tablefield"),
                                      from, checkBox, true, false);
    }
    void saveAndReload() { saveAndReopen(QStringLiteral("itemsd")); }
    void expectCounters() { expectSubgroupCounters(tree()); }
};

TEST_F(StructureEditing, FieldsGoAfterTheSelectionOrLastIntoTheGroupAndAreStoredInOrder)
{
    // The last node added is forgotten when its node goes.
    select("f_2");
    trigger("mnuEInsertField");
    ASSERT_EQ(goLastNode, tree().selectedItem());
    dialogs->queueAnswer(platform::IdYes);
    trigger("mnuEDelete");
    EXPECT_EQ(goLastNode, nullptr);

    select("f_2");
    trigger("mnuEInsertField");
    const QString added = key();
    const int32_t f = added.mid(2).toInt();
    EXPECT_TRUE(node(added)->previous() == node("f_2") && gbFormChanged);
    // Its name until it has a label.
    EXPECT_EQ(node(added)->image() + u' ' + node(added)->text(), QStringLiteral("label label.only"));

    // A follow-up of a field that follows another: nothing may come after it.
    select("f_6");
    trigger("mnuEInsertField");
    trigger("mnuMRight");
    ASSERT_EQ(tree().selectedItem()->parent(), node("f_6"));
    const int32_t live = glLiveFieldCount();
    dialogs->clear();
    trigger("mnuEInsertField");
    EXPECT_EQ(dialogs->texts(), QStringList({"A field cannot be inserted after this follow-up field."}));
    EXPECT_EQ(glLiveFieldCount(), live);
    saveScreenshot(w().grab(), QStringLiteral("structure_editing.png"));

    saveAndReload();
    ASSERT_TRUE(node(added));
    EXPECT_EQ(node(added)->previous(), node("f_2"));
    EXPECT_TRUE(gaFields[2].nOmod < gaFields[size_t(f)].nOmod && gaFields[size_t(f)].nOmod < gaFields[3].nOmod);
}

TEST_F(StructureEditing, GroupsStartAnEmptyTreeAndFollowTheTopLevelFieldOfAFollowUp)
{
    select("f_10");  // follow-up of f_9 in g_1
    trigger("mnuEInsertGroup");
    const QString added = key();
    const int32_t g = added.mid(2).toInt();
    EXPECT_TRUE(node(added)->previous() == node("f_9") && gaGroups[size_t(g)].lGroupLevel == 2);
    // A field in it, so that it keeps its place among the fields when loaded again.
    tree().setExpanded(node(added), false);
    trigger("mnuEInsertField");
    EXPECT_TRUE(tree().selectedItem()->parent() == node(added) && node(added)->expanded());

    saveAndReload();
    ASSERT_TRUE(node(added));
    EXPECT_EQ(node(added)->previous(), node("f_9"));
    expectCounters();

    tree().clear();
    gInitializeArrays();
    trigger("mnuEInsertGroup");
    EXPECT_EQ(treeText(tree()), QStringLiteral("g_0 [session3] tekwyitemsd\n"));
    gaGroups[0].lGroupLevel = -11;  // the version mark a stored form's own row carries
    trigger("mnuEInsertGroup");
    EXPECT_TRUE(tree().firstRoot()->child() == tree().selectedItem() && gaGroups[size_t(key().mid(2).toInt())].lGroupLevel == 1);
    expectCounters();
}

TEST_F(StructureEditing, DeletingAsksFirstAndTheGroupGoesWithItsSubtreeAndCommandLink)
{
    const QString before = treeText(tree());
    select("f_5");
    dialogs->queueAnswer(platform::IdNo);
    trigger("mnuEDelete");
    select("g_0");
    w().mnuEDelete_Click();
    EXPECT_TRUE(treeText(tree()) == before && dialogs->texts() == QStringList({"Delete field Purchased - Purchased?"}));

    // A command deleted with its field is not asked about again when a new field takes the slot.
    select("f_34");
    trigger("mnuEDelete");  // Yes to both questions
    trigger("mnuEInsertField");
    trigger("mnuEInsertField");
    ASSERT_EQ(key(), QStringLiteral("f_34"));
    dialogs->clear();
    trigger("mnuEDelete");
    EXPECT_EQ(dialogs->texts().size(), 1);

    select("g_2");
    gaGroups[8].lAlignmentGroupId = -2;  // aligned to it as well
    dialogs->clear();
    dialogs->queueAnswer(platform::IdYes);
    dialogs->queueAnswer(platform::IdNo);
    trigger("mnuEDelete");
    EXPECT_EQ(dialogs->texts(), QStringList({"Delete group 3 - Stock levels and storage place with all its subgroups "
                                             "and fields?",
                                             "Form command print.stock is linked to group Stock levels and storage "
                                             "place. Delete the command with the group? No links it to the form."}));
    EXPECT_FALSE(node("g_2") || node("g_4") || node("f_19"));
    expectCounters();

    saveAndReload();
    EXPECT_EQ(formRows("count(*)", "qxzrn315", "labl IN ('tekwy100.stock', 'tekwy100.levels', 'tekwy100.location')"),
              QStringList({"0"}));
    EXPECT_EQ(formRows("count(*)", "qxzrn301", "sequ BETWEEN 14 AND 19"), QStringList({"0"}));
    // Linked to the form; the groups that were aligned to the deleted one align by default.
    EXPECT_EQ(formRows("btyp, sequ", "qxzrn316", "mscf = 'print.stock'"), QStringList({"1|0"}));
    EXPECT_EQ(formRows("algr", "qxzrn315", "grpi IN (8, 9) ORDER BY grpi"), QStringList({"-8", "-9"}));
}

TEST_F(StructureEditing, ASelectionFieldIsAddedOnceBeforeItsGroupAndARenameIsStored)
{
    select("g_7");
    EXPECT_TRUE(w().bAddSelectionField(QStringLiteral("tekwy003")));
    EXPECT_TRUE(tree().selectedItem()->next() == node("g_7") && tree().selectedItem()->image() == QStringLiteral("ntfield"));
    EXPECT_FALSE(w().bAddSelectionField(QStringLiteral("tekwy003")));
    w().mnuFSave_Click();
    ASSERT_FALSE(gbFormChanged);

    EXPECT_TRUE(w().bRenameSelectionField(QStringLiteral("tekwy003"), QStringLiteral("tekwy002")));
    saveAndReload();
    EXPECT_EQ(formRows("fldn, (SELECT defa FROM qxzrn302 d WHERE d.cfrm = f.cfrm AND d.sequ = f.sequ)", "qxzrn301 f",
                   "fldn LIKE 'sel.use.%'"),
              QStringList({"sel.use.tekwy002|qxstpselection.custom"}));
}

TEST_F(StructureEditing, MovesByMenu)
{
    // A group never lands below a field: g_6 first in g_8, which follows the field f_35.
    tree().move(node("f_35"), node("g_8"), Relationship::Previous);
    tree().move(node("g_6"), node("g_8"), Relationship::FirstChild);
    tree().move(node("f_34"), node("g_8"), Relationship::Next);  // and g_6 is followed by nothing
    --gaGroups[5].iNrOfSubGroups;
    ++gaGroups[8].iNrOfSubGroups;
    const QString before = treeText(tree());
    const std::pair<const char*, void (frm_Palimor::*)()> refused[] = {
        {"g_1", &frm_Palimor::mnuMLeft_Click},
        {"g_8", &frm_Palimor::mnuMRight_Click},  // after the field f_35 now
        {"g_0", &frm_Palimor::mnuMUp_Click},
        {"g_6", &frm_Palimor::mnuMUp_Click},
        {"g_6", &frm_Palimor::mnuMDown_Click},  // nor into the field f_34 after g_8
    };
    for (const auto& [k, command] : refused) {
        select(k);
        (w().*command)();
        EXPECT_TRUE(treeText(tree()) == before && w().treeVisible()) << k;
    }

    select("g_3");
    trigger("mnuMLeft");
    EXPECT_TRUE(gaGroups[3].lGroupLevel == 1 && w().treeVisible());
    expectCounters();
    saveAndReload();
    EXPECT_TRUE(node("g_3")->previous() == node("g_2") && gaGroups[3].lGroupLevel == 1);
    expectCounters();
}

TEST_F(StructureEditing, TableFieldsTakeTheirEntrysDomainInEveryVariant)
{
    // Field (nullptr: a free label without an entry), domain, main table, from, check box,
    // name (nullptr: refused), control, default value.
    const std::tuple<const char*, const char*, bool, bool, bool, const char*, ControlKind, const char*> cases[] = {
        {"ityp", "ityp", true, true, false, "tekwy001.ityp", ControlKind::ListBox, ""},
        {"cuni", "unit", true, true, true, "cuni.yn", ControlKind::CheckBox, ""},
        {"stoc", "qty", false, true, false, "stoc.f", ControlKind::Input, ""},
        {"wght", "weight", false, false, false, "wght.t", ControlKind::Input, "999999.999"},
        {"txta", "txta", false, false, false, "txta.t", ControlKind::StringNormal, "fmax($#)"},
        {"actv", "pct", false, true, true, "actv.txt", ControlKind::CheckBox, "teyeno.no"},
        {nullptr, "", false, false, false, "label.only", ControlKind::NoControl, ""},
        {"days", "wdays", false, true, false, nullptr, ControlKind::Input, ""},
        {"pict", "image", true, true, false, nullptr, ControlKind::Input, ""},
    };
    for (const auto& [field, domain, mainTable, from, checkBox, name, control, defaultValue] : cases) {
        SCOPED_TRACE(name ? name : domain);
        gsTable = mainTable ? QStringLiteral("tekwy001") : QString();
        const QString entry = field ? pickerEntry(field, domain) : QString();
        const int32_t live = glLiveFieldCount();
        dialogs->clear();
        const bool inserted = insertTableField("g_3", 4, entry, from, checkBox);
        ASSERT_EQ(inserted, name != nullptr);
        if (!inserted) {
            EXPECT_TRUE(glLiveFieldCount() == live && dialogs->texts().filter(QStringLiteral("cannot be placed on a form")).size() == 1);
            continue;
        }
        const FieldRecord& f = gaFields[size_t(key().mid(2).toInt())];
        EXPECT_EQ(tree().selectedItem()->parent(), node("g_3"));
        EXPECT_EQ(QStringLiteral("%1 %2 %3 %4 %5").arg(f.sFieldName).arg(int32_t(f.lControl)).arg(f.sDefaultValue)
                      .arg(f.bIsTableField).arg(f.iTableFieldIndex),
                  QStringLiteral("%1 %2 %3 %4 %5").arg(QLatin1String(name)).arg(int32_t(control))
                      .arg(QLatin1String(defaultValue)).arg(mainTable && !checkBox).arg(field ? entry.mid(2).toInt() : 0));
    }

    // A field placed behind a field that has follow-ups already: the parent's row says so.
    gsTable = QStringLiteral("tekwy001");
    gaFields[4].bChanged = gaFields[4].bChanged308 = false;
    ASSERT_TRUE(insertTableField("f_4", 4, pickerEntry("xtra", "dsca")));
    // The store writes the layout row only when it is marked.
    const FieldRecord& parent = gaFields[4];
    EXPECT_TRUE(parent.bImmediateBehind && parent.bChanged && parent.bChanged308);
}

TEST_F(StructureEditing, WithoutAFreeSlotNothingIsMade)
{
    gaFields.resize(size_t(gnFieldCount) + 1);
    for (int32_t i = 1; i <= gnFieldCount; ++i)
        gaFields[size_t(i)].lFieldId = int16_t(i);
    select("f_2");
    const QString before = treeText(tree());
    trigger("mnuEInsertField");
    EXPECT_FALSE(insertTableField("f_2", 2, QString()));
    EXPECT_TRUE(treeText(tree()) == before && gaFields.size() == size_t(gnFieldCount) + 1);
    EXPECT_TRUE(dialogs->texts().contains(QStringLiteral("Out of resources, restart the Palimor!")));
    EXPECT_FALSE(w().actions().entryEnabled(QStringLiteral("mnuEInsertField")));
}

TEST_F(StructureEditing, NoCommandActsOnALockedOrReadOnlyWindowOrWithoutASelection)
{
    using Command = void (frm_Palimor::*)();
    const Command commands[] = {&frm_Palimor::mnuEInsertField_Click, &frm_Palimor::mInsertPictureAtSelection,
                                &frm_Palimor::mnuEInsertGroup_Click, &frm_Palimor::mnuEDelete_Click,
                                &frm_Palimor::mnuMUp_Click,          &frm_Palimor::mnuMDown_Click,
                                &frm_Palimor::mnuMLeft_Click,        &frm_Palimor::mnuMRight_Click};
    for (const char situation : {'l', 'n', 'r'}) {  // locked, nothing selected, read-only
        SCOPED_TRACE(situation);
        if (situation == 'r') {
            restart();
            open(QStringLiteral("itemsd"), QStringLiteral("r"));
        }
        select("f_15");
        if (situation == 'n')
            tree().setSelectedItem(nullptr);
        if (situation == 'l')
            w().mToggleEnablingPLM();
        const QString before = treeText(tree());
        const int32_t live = glLiveFieldCount();
        for (const Command c : commands)
            (w().*c)();
        int32_t index = -1;
        EXPECT_FALSE(situation == 'n' ? w().mbInsertField(index, QString()) : insertTableField("f_15", 4, QString()));
        EXPECT_TRUE(treeText(tree()) == before && glLiveFieldCount() == live && !gbFormChanged);
        EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'|').toStdString();
        if (situation == 'l')
            w().mToggleEnablingPLM();
    }
}

} // namespace
