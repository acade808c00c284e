// The table-field picker on the item form with its main table tekwy001: what it lists,
// expanding references, Apply walking down the list with the main tree in step, the
// refusals, and the window following the main window.
#include "test_main_window_support.h"

#include "frm_TableFields.h"

#include <QPushButton>
#include <QTest>

namespace {

class Picker : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        open(QStringLiteral("itemsd"));  // its session runs on tekwy001
        w().mnuOOneTableField_Click();
    }
    void TearDown() override
    {
        resetTableFieldsWindow();
        MainWindowTest::TearDown();
    }
    frm_TableFields& p() { return tableFieldsWindow(); }
    NodeTree& list() { return p().tvwFields->nodes(); }
    // The top-level picker node of a field of the main table.
    TreeNode* entry(const char* field)
    {
        for (TreeNode* n = list().firstRoot(); n; n = n->next())
            if (n->text().startsWith(QStringLiteral("tekwy001.") + QLatin1String(field) + QLatin1Char(' ')))
                return n;
        ADD_FAILURE() << field;
        return nullptr;
    }
    QStringList childNames(const TreeNode* n)
    {
        QStringList names;
        for (const TreeNode* c = n->child(); c; c = c->next())
            names << c->text().section(QLatin1Char(' '), 0, 0);
        return names;
    }
};

TEST_F(Picker, ListsTheMainTableWithItsLabelsOneEntryPerElementAndRefusesCombinedFields)
{
    EXPECT_TRUE(p().isVisible() && gbTableFieldsOpen);
    EXPECT_EQ(p().windowTitle() + u'|' + p().cmdApply->text(), QStringLiteral("Table Fields|Apply"));
    QStringList usage;
    for (TreeNode* n = list().firstRoot(); n; n = n->next())
        if (n->text().startsWith(QStringLiteral("tekwy001.usag(")))
            usage << n->text();
    ASSERT_EQ(usage.size(), 12);
    EXPECT_TRUE(usage.first() == QStringLiteral("tekwy001.usag(1) - Usage")
                && usage.last().startsWith(QStringLiteral("tekwy001.usag(12) - ")));
    // A label the form shows is copied from the form field: the host is not asked.
    EXPECT_EQ(entry("item")->text(), QStringLiteral("tekwy001.item - Item"));
    EXPECT_EQ(entry("seqn")->text(), QStringLiteral("tekwy001.seqn - Sequence"));
    EXPECT_EQ(entry("rnot")->image(), QStringLiteral("tablefield")) << "a multi-line text is no reference";
    for (int32_t i = 1; i <= gnTableFieldCount; ++i) {
        const bool combined = gaTableFields[size_t(i)].sFieldName == QLatin1String("stpl");
        EXPECT_EQ(list().contains(QStringLiteral("t_%1").arg(i)), !combined) << "a combined field without reference";
    }

    TreeNode* combined = entry("wloc");
    ASSERT_EQ(combined->image(), QStringLiteral("reffield"));
    list().setSelectedItem(combined);
    const int32_t live = glLiveFieldCount();
    dialogs->clear();
    p().cmdApply_Click();
    EXPECT_EQ(dialogs->texts(), QStringList{QStringLiteral("A combined field cannot be placed on the form; place its parts instead.")});
    EXPECT_TRUE(list().selectedItem() == combined && glLiveFieldCount() == live);

    saveScreenshot(p().grab(), QStringLiteral("table_field_picker.png"));
}

TEST_F(Picker, ApplyWalksThroughAnExpandedReferenceAndBackToTheReferenceField)
{
    // A new group after the last one.
    select("g_8");
    w().mnuEInsertGroup_Click();
    TreeNode* group = tree().selectedItem();
    ASSERT_TRUE(group && gbIsGroupKey(group->key()) && group->children() == 0);
    // Nothing moves while the property dialog holds the main window.
    TreeNode* citg = entry("citg");
    list().setSelectedItem(citg);
    w().mToggleEnablingPLM();
    p().cmdApply_Click();
    EXPECT_TRUE(group->children() == 0 && list().selectedItem() == citg);
    w().mToggleEnablingPLM();

    QTest::keyClick(p().tvwFields, Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(childNames(citg).mid(0, 3), QStringList({"tekwy002.dsca", "tekwy002.pgrp", "tekwy002.cuni"}));
    // Neither the referring field nor an inactive one.
    EXPECT_FALSE(childNames(citg).contains(QStringLiteral("tekwy002.citg")) || childNames(citg).contains(QStringLiteral("tekwy002.odsc")));

    p().cmdApply_Click();
    TreeNode* reference = group->child();
    ASSERT_TRUE(reference);
    EXPECT_EQ(list().selectedItem(), citg->child());
    EXPECT_EQ(tree().selectedItem(), reference) << "the reference field in the current group";
    for (int guard = 0; list().selectedItem()->parent() == citg && guard < 20; ++guard)
        p().cmdApply_Click();
    EXPECT_EQ(reference->children(), citg->children()) << "each a follow-up of the reference field";
    EXPECT_TRUE(list().selectedItem() == entry("cuni") && tree().selectedItem() == reference
                && tree().dropHighlight() == reference);

    // A table that offers nothing, opened by its expand mark: the entry becomes a plain one.
    TreeNode* classes = entry("icls");
    dialogs->clear();
    p().tvwFields->itemOf(classes)->setExpanded(true);
    EXPECT_EQ(dialogs->texts(),
              QStringList{QStringLiteral("tekwy001.icls - Class has no fields that can be placed on the form.")});
    EXPECT_EQ(classes->image(), QStringLiteral("tablefield"));
}

// What an insert stores is what the next load computes from the domain: a column of
// every kind, inserted and saved, opens unchanged.
TEST_F(Picker, EveryColumnInsertedAndSavedOpensUnchanged)
{
    select("g_8");
    w().mnuEInsertGroup_Click();
    const int32_t live = glLiveFieldCount();
    for (TreeNode* n = list().firstRoot(); n; n = n->next()) {
        list().setSelectedItem(n);
        p().cmdApply_Click();
    }
    ASSERT_GT(glLiveFieldCount(), live + 40);
    saveAndReopen(QStringLiteral("itemsd"));
    EXPECT_FALSE(gbFormChanged);
}

TEST_F(Picker, TheCloseBoxHidesItAndItFollowsTheMainWindow)
{
    w().show();
    w().setWindowState(Qt::WindowMinimized);
    EXPECT_FALSE(p().isVisible());
    w().setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(p().isVisible());

    p().close();
    EXPECT_TRUE(tableFieldsWindowExists() && !p().isVisible() && !gbTableFieldsOpen);
    w().setWindowState(Qt::WindowMinimized);
    w().setWindowState(Qt::WindowNoState);
    EXPECT_FALSE(p().isVisible()) << "a closed picker stays closed";
    w().mnuOOneTableField_Click();
    EXPECT_TRUE(p().isVisible());
}

} // namespace
