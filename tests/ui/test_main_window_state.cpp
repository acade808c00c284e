// What the main window offers: menu and toolbar state by the selected node, read-only
// mode, the dialog lock, captions and tooltips from host labels, the views and their
// registry values, the toolbar's commands, and node texts on edge values.
#include "test_main_window_support.h"

#include <host_database.h>

#include <QAction>
#include <QApplication>
#include <QStatusBar>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace {

class WindowState : public MainWindowTest {
protected:
    void select(const QString& key)
    {
        TreeNode* n = tree().node(key);
        ASSERT_TRUE(n) << key.toStdString();
        tree().setSelectedItem(n);
        w().mSetMenuState();
    }
    bool on(const char* name) { return w().entryEnabled(QLatin1String(name)); }
    bool button(const char* key) { return w().buttonEnabled(QLatin1String(key)); }
};

// ---- Menu and toolbar state by the selected node ---------------------------------------------

struct NodeState {
    const char* form;
    const char* key;
    bool remove, move, up, down, left, right;
};

std::ostream& operator<<(std::ostream& os, const NodeState& s) { return os << s.form << ' ' << s.key; }

class NodeMenuState : public WindowState, public ::testing::WithParamInterface<NodeState> {};

TEST_P(NodeMenuState, FollowsTheNodeAndItsNeighbours)
{
    const NodeState& s = GetParam();
    open(QLatin1String(s.form));
    select(QLatin1String(s.key));
    EXPECT_EQ(on("mnuEDelete"), s.remove);
    EXPECT_EQ(button("mnuEDelete"), s.remove);
    EXPECT_EQ(on("mnuMove"), s.move);
    EXPECT_EQ(button("mnuMUp"), s.up);
    EXPECT_EQ(button("mnuMDown"), s.down);
    EXPECT_EQ(button("mnuMLeft"), s.left);
    EXPECT_EQ(button("mnuMRight"), s.right);
    if (s.move) {
        EXPECT_EQ(on("mnuMUp"), s.up);
        EXPECT_EQ(on("mnuMDown"), s.down);
        EXPECT_EQ(on("mnuMLeft"), s.left);
        EXPECT_EQ(on("mnuMRight"), s.right);
    }
    EXPECT_TRUE(on("mnuEInsertGroup"));
    EXPECT_TRUE(button("mnuEInsertGroup"));
}

INSTANTIATE_TEST_SUITE_P(
    Nodes, NodeMenuState,
    ::testing::Values(
        // form, key: delete, move submenu, up, down, left, right
        NodeState{"itemsd", "g_0", false, false, false, false, false, false},
        NodeState{"itemsd", "g_1", true, true, false, true, false, false},   // first below the root
        NodeState{"itemsd", "g_3", true, true, true, true, true, false},     // parent's previous is a group
        NodeState{"itemsd", "g_4", true, true, true, true, true, true},      // previous sibling is a group
        NodeState{"itemsd", "g_6", true, true, true, true, true, false},     // previous sibling is a field
        NodeState{"itemsd", "f_1", true, true, false, true, true, false},    // first field of the first group
        NodeState{"itemsd", "f_2", true, true, false, true, true, false},    // only follow-up field
        NodeState{"itemsd", "f_35", true, true, true, false, true, true},    // last field of the last group
        NodeState{"simpled", "f_1", true, true, false, true, false, false},  // field right below the root
        NodeState{"simpled", "f_6", true, true, true, false, false, true}));

TEST_F(WindowState, InsertGroupStopsAtLevelTwenty)
{
    open(QStringLiteral("itemsd"));
    for (int16_t level : {19, 20, 25}) {
        gaGroups[3].lGroupLevel = level;
        for (const char* key : {"g_3", "f_14"}) {
            select(QLatin1String(key));
            EXPECT_EQ(on("mnuEInsertGroup"), level < kMaxGroupLevel) << level << key;
            EXPECT_EQ(button("mnuEInsertGroup"), level < kMaxGroupLevel) << level << key;
        }
    }
    // Out of slots: a group selection leaves the entry off, a field selection does not.
    gaGroups[3].lGroupLevel = 2;
    gbOutOfResources = true;
    w().setEntryEnabled(QStringLiteral("mnuEInsertGroup"), false);
    select(QStringLiteral("g_3"));
    EXPECT_FALSE(on("mnuEInsertGroup"));
    select(QStringLiteral("f_14"));
    EXPECT_TRUE(on("mnuEInsertGroup"));
}

TEST_F(WindowState, ReadOnlyKeepsEveryEditingCommandOff)
{
    open(QStringLiteral("itemsd"), QStringLiteral("r"));
    EXPECT_TRUE(w().windowTitle().endsWith(QStringLiteral("Demo form itemsd (read-only)")));
    const char* const entries[] = {"mnuEDelete", "mnuEInsertField", "mnuEInsertGroup", "mnuMove",
                                   "mnuFSave",   "mnuFSaveExit",    "mnuOGenerateForm", "mnuOOneTableField"};
    const char* const buttons[] = {"mnuEDelete", "mnuEInsertField", "mnuEInsertGroup", "mnuMUp",
                                   "mnuMDown",   "mnuMLeft",        "mnuMRight",       "mnuFSave"};
    for (const char* key : {"g_0", "g_4", "f_2", "f_35"}) {
        select(QLatin1String(key));
        for (const char* e : entries)
            EXPECT_FALSE(on(e)) << key << ' ' << e;
        for (const char* b : buttons)
            EXPECT_FALSE(button(b)) << key << ' ' << b;
    }
    // The lock gives back what it found.
    w().mToggleEnablingPLM();
    w().mToggleEnablingPLM();
    for (const char* e : entries)
        EXPECT_FALSE(on(e)) << e;

    // Save and Exit stays on the toolbar as Exit.
    QToolButton* saveExit = w().toolbarButton(QStringLiteral("mnuFSaveExit"));
    EXPECT_TRUE(button("mnuFSaveExit"));
    EXPECT_EQ(saveExit->toolTip(), w().menuEntry(QStringLiteral("mnuFExit"))->text());
    EXPECT_EQ(endStatusOf([&] { saveExit->click(); }), 0);
    EXPECT_TRUE(record->shutdown);
}

// ---- Dialog lock, option entries, layout ------------------------------------------------------

TEST_F(WindowState, TheLockSavesAndRestoresTheEntries)
{
    open(QStringLiteral("itemsd"));
    select(QStringLiteral("f_1"));
    ASSERT_TRUE(on("mnuEDelete"));
    w().setEntryEnabled(QStringLiteral("mnuOGenerateForm"), false);

    w().mToggleEnablingPLM();
    EXPECT_TRUE(w().isLocked());
    EXPECT_FALSE(w().tvwGroups->isEnabled());
    EXPECT_FALSE(w().Toolbar1->isEnabled());
    for (const char* e : {"mnuHelp", "mnuInsert", "mnuOptions", "mnuFile", "mnuEdit", "mnuFSave", "mnuEDelete",
                          "mnuOPreview", "mnuOSO", "mnuOMO", "mnuFSaveExit", "mnuEInsertGroup", "mnuEInsertField",
                          "mnuOOneTableField", "mnuOGenerateForm", "mnuHContents", "mnuTools"})
        EXPECT_FALSE(on(e)) << e;
    // The buttons keep their own states behind the disabled toolbar.
    EXPECT_TRUE(button("mnuEDelete"));

    gaGroups[0].bGroupInMultiOcc = false;  // as the property dialog may leave it
    w().mToggleEnablingPLM();
    EXPECT_FALSE(w().isLocked());
    EXPECT_TRUE(w().tvwGroups->isEnabled());
    EXPECT_TRUE(w().Toolbar1->isEnabled());
    for (const char* e : {"mnuFSave", "mnuEDelete", "mnuEInsertField", "mnuHContents", "mnuTools", "mnuOSO",
                          "mnuOPreview", "mnuFile", "mnuEdit"})
        EXPECT_TRUE(on(e)) << e;
    EXPECT_FALSE(on("mnuOGenerateForm"));
    EXPECT_FALSE(on("mnuOMO"));
    EXPECT_FALSE(on("mnuOPreviewMO"));
}

TEST_F(WindowState, ToolsEntriesFollowTheSessionAndTheTable)
{
    open(QStringLiteral("itemsd"));
    gsSessionModule = QStringLiteral("kwy");
    gsTableModule = QStringLiteral("   ");
    gbFormTypeChecked = true;
    w().mSetOptionMenus();
    EXPECT_TRUE(on("mnu_Tscr"));
    EXPECT_TRUE(on("mnu_Tprs"));
    EXPECT_FALSE(on("mnu_Tdal"));
    EXPECT_FALSE(on("mnu_Tind"));
    EXPECT_FALSE(on("mnu_Tfrm"));
    EXPECT_FALSE(w().menuEntry(QStringLiteral("mnu_Tfrm"))->isVisible());
    gbFormTypeChecked = false;
    w().mSetOptionMenus();
    EXPECT_TRUE(on("mnu_Tfrm"));
    EXPECT_TRUE(w().menuEntry(QStringLiteral("mnu_Tfrm"))->isVisible());
}

TEST_F(WindowState, TheTreeFillsTheSpaceBetweenToolbarAndStatusBar)
{
    open(QStringLiteral("simpled"));
    for (const QSize size : {QSize(900, 600), QSize(10, 10)}) {
        w().resize(size);
        w().mResetControlPositions();
        EXPECT_GE(w().width(), 5000 / kTwipsPerPixel);
        EXPECT_GE(w().height(), 3000 / kTwipsPerPixel);
        const QRect bar = w().SBarEditor->geometry();
        const QRect treeRect = w().tvwGroups->geometry();
        EXPECT_EQ(bar.bottom(), w().height() - 1);
        EXPECT_EQ(bar.width(), w().width());
        EXPECT_GE(treeRect.top(), w().Toolbar1->geometry().bottom());
        EXPECT_LE(treeRect.bottom(), bar.top());
        EXPECT_EQ(treeRect.width(), w().width());
    }
}

// ---- Captions and tooltips ---------------------------------------------------------------------

TEST_F(WindowState, CaptionsAndTooltipsComeFromTheHostLabels)
{
    auto db = openHostDatabase(host.databasePath());
    db->exec(QStringLiteral("UPDATE qxzrn140 SET desc = 'Sa&ve' WHERE clab = 'pzmnu.FSave';"
                            "UPDATE qxzrn140 SET desc = 'Tools&' WHERE clab = 'pzmnu.Tools';"
                            "DELETE FROM qxzrn140 WHERE clab = 'pzmnu.HAbout';"));
    open(QStringLiteral("itemsd"));
    auto caption = [this](const char* name) { return w().menuEntry(QLatin1String(name))->text(); };
    EXPECT_EQ(caption("mnuFile"), QStringLiteral("&File"));
    EXPECT_EQ(caption("mnuFSave"), QStringLiteral("Sa&ve"));
    EXPECT_EQ(caption("mnuTools"), QStringLiteral("&Tools&"));
    EXPECT_EQ(caption("mnuHAbout"), QStringLiteral("&pzmnu.HAbout"));
    EXPECT_EQ(caption("mnuVEnums"), QStringLiteral("&Control Properties"));

    const QHash<QString, QString> tips = {
        {QStringLiteral("mnuFSaveExit"), QStringLiteral("&Save and Exit")},
        {QStringLiteral("mnuFSave"), QStringLiteral("Sa&ve")},
        {QStringLiteral("mnuEInsertGroup"), QStringLiteral("&Insert &Group")},
        {QStringLiteral("mnuEDelete"), QStringLiteral("&Delete")},
        {QStringLiteral("mnuEProperties"), QStringLiteral("&Properties...")},
        {QStringLiteral("mnuMRight"), QStringLiteral("&Right")},
        {QStringLiteral("mnuHContents"), QStringLiteral("&Help")},
    };
    for (auto it = tips.cbegin(); it != tips.cend(); ++it)
        EXPECT_EQ(w().toolbarButton(it.key())->toolTip(), it.value()) << it.key().toStdString();

    w().EasterEgg();
    for (const QString& key : w().toolbarKeys())
        EXPECT_NE(w().toolbarButton(key)->toolTip(), tips.value(key, QStringLiteral("-"))) << key.toStdString();
    w().mInitializeLablesPLM();
    for (auto it = tips.cbegin(); it != tips.cend(); ++it)
        EXPECT_EQ(w().toolbarButton(it.key())->toolTip(), it.value()) << it.key().toStdString();
}

TEST(MainWindowAccelerator, IsAnAmpersandBeforeTheLastCharacter)
{
    const std::pair<const char*, bool> cases[] = {{"&File", true}, {"Fi&le", true}, {"File&", false},
                                                  {"File", false}, {"&", false},     {"", false}};
    for (const auto& [text, found] : cases)
        EXPECT_EQ(frm_Palimor::mbHasAccelerator(QLatin1String(text)), found) << text;
}

// ---- Views ------------------------------------------------------------------------------------

TEST_F(WindowState, TheViewsAreStoredAndComeBackOnTheNextStart)
{
    open(QStringLiteral("simpled"));
    auto stored = [](const char* name) {
        return glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QLatin1String(name), QStringLiteral("-1"));
    };
    EXPECT_TRUE(w().menuEntry(QStringLiteral("mnuVDefault"))->isChecked());
    w().menuEntry(QStringLiteral("mnuVDisplay"))->trigger();
    w().menuEntry(QStringLiteral("mnuVExtGrpProps"))->trigger();
    EXPECT_EQ(stored("SHOWPROP"), 4);
    EXPECT_EQ(stored("SHOWGRPPROP"), 1);
    EXPECT_TRUE(w().menuEntry(QStringLiteral("mnuVDisplay"))->isChecked());
    EXPECT_FALSE(w().menuEntry(QStringLiteral("mnuVDefault"))->isChecked());
    EXPECT_EQ(tree().node(QStringLiteral("f_2"))->text(), QStringLiteral("tekwy002.dsca - Max. display length {30} - Max. input length {30}"));

    // The checked entry changes nothing.
    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("SHOWPROP"), 6));
    w().menuEntry(QStringLiteral("mnuVDisplay"))->trigger();
    EXPECT_TRUE(w().menuEntry(QStringLiteral("mnuVDisplay"))->isChecked());
    EXPECT_EQ(stored("SHOWPROP"), 6);
    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("SHOWPROP"), 4));

    restart();
    open(QStringLiteral("simpled"));
    EXPECT_EQ(giFieldView, 4);
    EXPECT_EQ(giGroupView, 1);
    EXPECT_TRUE(w().menuEntry(QStringLiteral("mnuVDisplay"))->isChecked());
    EXPECT_TRUE(w().menuEntry(QStringLiteral("mnuVExtGrpProps"))->isChecked());
    EXPECT_EQ(tree().node(QStringLiteral("f_2"))->text(), QStringLiteral("tekwy002.dsca - Max. display length {30} - Max. input length {30}"));
    // The root keeps the form's name until the view is chosen again.
    EXPECT_EQ(tree().node(QStringLiteral("g_0"))->text(), QStringLiteral("tekwysimpled"));
    w().menuEntry(QStringLiteral("mnuVDefGrpProps"))->trigger();
    EXPECT_EQ(tree().node(QStringLiteral("g_0"))->text(), QStringLiteral("tekwysimpled"));
    EXPECT_EQ(glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("SHOWGRPPROP"), QString()), 0);
}

// ---- The toolbar ------------------------------------------------------------------------------

TEST_F(WindowState, ButtonsAreKeyedByTheirEntryAndRunItsCommand)
{
    open(QStringLiteral("simpled"));
    EXPECT_EQ(w().toolbarKeys(),
              QStringList({"mnuFSaveExit", "mnuFSave", "mnuEInsertGroup", "mnuEInsertField", "mnuEDelete",
                           "mnuEProperties", "mnuMUp", "mnuMDown", "mnuMLeft", "mnuMRight", "mnuHContents"}));
    for (const QString& key : w().toolbarKeys()) {
        EXPECT_EQ(w().toolbarButton(key)->objectName(), key);
        EXPECT_TRUE(w().menuEntry(key)) << key.toStdString();
    }
    // The button is enabled apart from its entry and runs the entry's command.
    w().menuEntry(QStringLiteral("mnuHContents"))->setEnabled(false);
    w().toolbarButton(QStringLiteral("mnuHContents"))->click();
    EXPECT_TRUE(dialogs->texts().contains(QStringLiteral("No help file was found.")));
}

// ---- Node texts on edge values ----------------------------------------------------------------

class NodeTexts : public WindowState {
protected:
    void SetUp() override
    {
        WindowState::SetUp();
        open(QStringLiteral("itemsd"));
    }
    QString text(int32_t f, int16_t view, bool withKey = true)
    {
        giFieldView = view;
        return w().msFieldProps(f, withKey ? gaFields[size_t(f)].sNodeKey : QString());
    }
};

TEST_F(NodeTexts, NamesLabelsAndDefaults)
{
    EXPECT_EQ(text(5, 0), QStringLiteral("Purchased"));          // a label field shows its text once
    EXPECT_EQ(text(5, 2), QStringLiteral(" - tekwy100.optbuy - Purchased"));
    EXPECT_EQ(text(26, 0), QStringLiteral("tekwy001.prtr( 1) - Tier price"));
    EXPECT_EQ(text(4, 1), QStringLiteral("tekwy001.ityp - Input - teityp (Enumerate) - Default {purchased}"));
    EXPECT_EQ(text(11, 1), QStringLiteral("tekwy001.cuni - Input - teunit (Enumerate) - Default (teunit.pcs)"));

    FieldRecord& f = gaFields[1];
    f.bFieldInMultiOcc = true;
    f.bInGrid = true;
    f.sLabelDescMO = f.sLabelDescSO;
    EXPECT_EQ(text(1, 2), QStringLiteral("tekwy001.item - tekwy001.item - Item"));
    f.sLabelDescMO = QStringLiteral("It.");
    EXPECT_EQ(text(1, 2), QStringLiteral("tekwy001.item - tekwy001.item - Single occurrence (Item) - Multi occurrence (It.)"));

    giGroupView = 1;
    EXPECT_TRUE(w().msGroupProps(4).startsWith(QStringLiteral("Storage place - 5 - [")));
    giGroupView = 0;
    EXPECT_EQ(w().msGroupProps(4), QStringLiteral("Storage place"));
}

TEST_F(NodeTexts, OccurrenceAndDependenceNeedTheNode)
{
    FieldRecord& f = gaFields[10];  // follow-up of tekwy001.citg
    f.bDependent = true;
    const QString withNode = text(10, 3);
    EXPECT_TRUE(withNode.contains(QStringLiteral(" - [Dependent]"))) << withNode.toStdString();
    EXPECT_FALSE(text(10, 3, false).contains(QStringLiteral("Dependent")));
    EXPECT_TRUE(text(9, 3).contains(QStringLiteral(" - [Follow-ups behind]")));
    // An option of an option set names its value.
    EXPECT_EQ(text(6, 3), QStringLiteral("Made - [Single occurrence] - [Multi occurrence] - Option value (Made in workshop)"));
}

TEST_F(NodeTexts, ValuesOutsideTheFixedTablesShowNoDescription)
{
    gaFields[6].iLinkedConst = 300;
    EXPECT_TRUE(text(6, 3).endsWith(QStringLiteral(" - Option value ()")));
    gaFields[6].iLinkedConst = -4;
    EXPECT_TRUE(text(6, 3).endsWith(QStringLiteral(" - Option value ()")));
    gaFields[12].iYesValue = 128;
    EXPECT_EQ(text(12, 7), QStringLiteral("tekwy001.actv - Check box ()"));
    gaFields[1].lLabelPosition = 99;
    EXPECT_EQ(text(1, 2), QStringLiteral("tekwy001.item - tekwy001.item - Item -  []"));
    gaFields[1].lFieldType = 250;
    EXPECT_TRUE(text(1, 1).startsWith(QStringLiteral("tekwy001.item -  - teitem")));
    gaFields[14].iDataAli = 40;
    EXPECT_TRUE(text(14, 4).endsWith(QStringLiteral(" - Alignment ()"))) << text(14, 4).toStdString();
    gaFields[14].nDomainIndex = 999;
    EXPECT_EQ(text(14, 1), QStringLiteral("tekwy001.stoc - Input - teqty ()"));
}

} // namespace
