// What the main window offers: menu and toolbar state by the selected node, read-only
// mode, the dialog lock, captions and tooltips from host labels, the views and their
// registry values, and node texts on edge values.
#include "test_main_window_support.h"

#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

class WindowState : public MainWindowTest {
protected:
    bool on(const char* name) { return w().actions().entryEnabled(QLatin1String(name)); }
    bool button(const char* key) { return w().actions().buttonEnabled(QLatin1String(key)); }
    QAction* entry(const char* name) { return w().actions().menuEntry(QLatin1String(name)); }
};

TEST_F(WindowState, MenuAndToolbarFollowTheNodeAndItsNeighbours)
{
    // Form, key: delete, move submenu, up, down, left, right.
    const struct { const char *form, *key; bool remove, move, up, down, left, right; } cases[] = {
        {"itemsd", "g_0", false, false, false, false, false, false},
        {"itemsd", "g_1", true, true, false, true, false, false},   // first below the root
        {"itemsd", "g_3", true, true, true, true, true, false},     // parent's previous is a group
        {"itemsd", "g_4", true, true, true, true, true, true},      // previous sibling is a group
        {"itemsd", "g_6", true, true, true, true, true, false},     // previous sibling is a field
        {"itemsd", "f_1", true, true, false, true, true, false},    // first field of the first group
        {"itemsd", "f_2", true, true, false, true, true, false},    // only follow-up field
        {"itemsd", "f_35", true, true, true, false, true, true},    // last field of the last group
        {"simpled", "f_1", true, true, false, true, false, false},  // field right below the root
        {"simpled", "f_6", true, true, true, false, false, true},
    };
    for (const auto& s : cases) {
        SCOPED_TRACE(std::string(s.form) + " " + s.key);
        if (w().windowTitle() != QStringLiteral("Palimor - Demo form ") + QLatin1String(s.form)) {
            restart();
            open(QLatin1String(s.form));
        }
        select(s.key);
        EXPECT_EQ(on("mnuMove"), s.move);
        const std::pair<const char*, bool> commands[] = {{"mnuEDelete", s.remove}, {"mnuEInsertGroup", true},
                                                         {"mnuMUp", s.up},         {"mnuMDown", s.down},
                                                         {"mnuMLeft", s.left},     {"mnuMRight", s.right}};
        for (const auto& [key, enabled] : commands) {
            EXPECT_EQ(button(key), enabled) << key;
            if (s.move || qstrncmp(key, "mnuM", 4) != 0) {
                EXPECT_EQ(on(key), enabled) << key;
            }
        }
    }
}

TEST_F(WindowState, InsertGroupStopsAtLevelTwentyAndWhenOutOfSlots)
{
    open(QStringLiteral("itemsd"));
    for (int16_t level : {19, 20}) {
        gaGroups[3].lGroupLevel = level;
        for (const char* key : {"g_3", "f_14"}) {
            select(key);
            EXPECT_EQ(on("mnuEInsertGroup"), level < kMaxGroupLevel) << level << key;
            EXPECT_EQ(button("mnuEInsertGroup"), level < kMaxGroupLevel) << level << key;
        }
    }
    // Out of slots: a group selection leaves the entry off, a field selection does not.
    gaGroups[3].lGroupLevel = 2;
    gbOutOfResources = true;
    w().actions().setEntryEnabled(QStringLiteral("mnuEInsertGroup"), false);
    select("g_3");
    EXPECT_FALSE(on("mnuEInsertGroup"));
    select("f_14");
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
    for (const char* key : {"g_0", "g_4", "f_35"}) {
        select(key);
        for (const char* e : entries)
            EXPECT_FALSE(on(e)) << key << ' ' << e;
        for (const char* b : buttons)
            EXPECT_FALSE(button(b)) << key << ' ' << b;
    }

    // Save and Exit stays on the toolbar as Exit.
    QToolButton* saveExit = w().actions().toolbarButton(QStringLiteral("mnuFSaveExit"));
    EXPECT_TRUE(button("mnuFSaveExit") && saveExit->toolTip() == QStringLiteral("Exit"));
    EXPECT_EQ(endStatusOf([&] { saveExit->click(); }), 0);
    EXPECT_TRUE(record->shutdown);
}

TEST_F(WindowState, TheLockSavesAndRestoresTheEntriesAndToolsFollowTheSession)
{
    open(QStringLiteral("itemsd"));
    select("f_1");
    w().actions().setEntryEnabled(QStringLiteral("mnuOGenerateForm"), false);
    const char* const restored[] = {"mnuFSave", "mnuEDelete", "mnuEInsertField", "mnuHContents", "mnuTools",
                                    "mnuOSO",   "mnuOPreview", "mnuFile",        "mnuEdit"};

    auto expectLocked = [&](bool locked) {
        EXPECT_TRUE(w().isLocked() == locked && w().tvwGroups->isEnabled() != locked && w().Toolbar1->isEnabled() != locked);
        for (const char* e : restored)
            EXPECT_EQ(on(e), !locked) << e;
    };
    w().mToggleEnablingPLM();
    expectLocked(true);
    for (const char* e : {"mnuHelp", "mnuOMO", "mnuFSaveExit", "mnuEInsertGroup", "mnuOOneTableField"})
        EXPECT_FALSE(on(e)) << e;
    // The buttons keep their own states behind the disabled toolbar.
    EXPECT_TRUE(button("mnuEDelete"));

    gaGroups[0].bGroupInMultiOcc = false;  // as the property dialog may leave it
    w().mToggleEnablingPLM();
    expectLocked(false);
    for (const char* e : {"mnuOGenerateForm", "mnuOMO", "mnuOPreviewMO"})
        EXPECT_FALSE(on(e)) << e;

    // The tools entries follow the session and the table.
    gsSessionModule = QStringLiteral("kwy");
    gsTableModule = QStringLiteral("   ");
    gbFormTypeChecked = true;
    w().actions().mSetOptionMenus();
    EXPECT_TRUE(on("mnu_Tscr") && on("mnu_Tprs"));
    EXPECT_FALSE(on("mnu_Tdal") || on("mnu_Tind") || on("mnu_Tfrm"));
    EXPECT_FALSE(entry("mnu_Tfrm")->isVisible());
    gbFormTypeChecked = false;
    w().actions().mSetOptionMenus();
    EXPECT_TRUE(on("mnu_Tfrm") && entry("mnu_Tfrm")->isVisible());
}

TEST_F(WindowState, CaptionsAndTooltipsComeFromTheHostLabels)
{
    hostExec(QStringLiteral("UPDATE qxzrn140 SET desc = 'S&&a&ve' WHERE clab = 'pzmnu.FSave';"
                            "UPDATE qxzrn140 SET desc = 'Tools&' WHERE clab = 'pzmnu.Tools';"
                            "DELETE FROM qxzrn140 WHERE clab = 'pzmnu.HAbout';"));
    open(QStringLiteral("itemsd"));
    const std::pair<const char*, const char*> captions[] = {{"mnuFile", "&File"},
                                                            {"mnuFSave", "S&&a&ve"},
                                                            {"mnuTools", "&Tools&"},
                                                            {"mnuHAbout", "&pzmnu.HAbout"},
                                                            {"mnuVEnums", "&Control Properties"}};
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(entry(name)->text(), QLatin1String(caption)) << name;

    // The tips without the mnemonic marks.
    const QStringList tips = {"mnuFSaveExit", "Save and Exit", "mnuFSave", "S&ave", "mnuEInsertGroup",
                              "Insert Group", "mnuMRight", "Right", "mnuHContents", "Help"};
    for (qsizetype i = 0; i < tips.size(); i += 2)
        EXPECT_EQ(w().actions().toolbarButton(tips[i])->toolTip(), tips[i + 1]);
}

TEST_F(WindowState, TheViewsAreStoredAndComeBackOnTheNextStart)
{
    auto stored = [](const char* name) {
        return glGetRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QLatin1String(name), QStringLiteral("-1"));
    };
    const QString f2 = QStringLiteral("tekwy002.dsca - Max. display length {30} - Max. input length {30}");
    open(QStringLiteral("simpled"));
    EXPECT_TRUE(entry("mnuVDefault")->isChecked());
    entry("mnuVDisplay")->trigger();
    entry("mnuVExtGrpProps")->trigger();
    EXPECT_EQ(stored("SHOWPROP") * 10 + stored("SHOWGRPPROP"), 41);
    EXPECT_TRUE(entry("mnuVDisplay")->isChecked() && !entry("mnuVDefault")->isChecked());
    EXPECT_EQ(node("f_2")->text(), f2);

    // The checked entry changes nothing.
    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("SHOWPROP"), 6));
    entry("mnuVDisplay")->trigger();
    EXPECT_EQ(stored("SHOWPROP"), 6);
    ASSERT_TRUE(gbSaveRegDWord(HKEY_LOCAL_MACHINE, gsRegistryKey, QStringLiteral("SHOWPROP"), 4));

    restart();
    open(QStringLiteral("simpled"));
    EXPECT_TRUE(entry("mnuVDisplay")->isChecked() && entry("mnuVExtGrpProps")->isChecked());
    EXPECT_EQ(node("f_2")->text(), f2);
    // The root keeps the form's name until the view is chosen again.
    EXPECT_EQ(node("g_0")->text(), QStringLiteral("tekwysimpled"));
    entry("mnuVDefGrpProps")->trigger();
    EXPECT_EQ(node("g_0")->text(), QStringLiteral("tekwysimpled"));
    EXPECT_EQ(stored("SHOWGRPPROP"), 0);
}

// Texts of views the golden files do not show, and values outside the fixed tables.
TEST_F(WindowState, NodeTextsOfLabelsOccurrencesAndEdgeValues)
{
    open(QStringLiteral("itemsd"));
    auto text = [this](int32_t f, int16_t view, bool withKey = true) {
        giFieldView = view;
        return w().msFieldProps(f, withKey ? gaFields[size_t(f)].sNodeKey : QString());
    };
    FieldRecord& item = gaFields[1];
    item.bFieldInMultiOcc = item.bInGrid = true;
    item.sLabelDescMO = item.sLabelDescSO;
    EXPECT_EQ(text(1, 2), QStringLiteral("tekwy001.item - tekwy001.item - Item"));
    item.sLabelDescMO = QStringLiteral("It.");
    EXPECT_EQ(text(1, 2), QStringLiteral("tekwy001.item - tekwy001.item - Single occurrence (Item) - Multi occurrence (It.)"));
    gaFields[10].bDependent = true;  // follow-up of tekwy001.citg
    EXPECT_TRUE(text(10, 3).contains(QStringLiteral(" - [Dependent]"))) << text(10, 3).toStdString();
    EXPECT_FALSE(text(10, 3, false).contains(QStringLiteral("Dependent")));
    EXPECT_TRUE(text(9, 3).contains(QStringLiteral(" - [Follow-ups behind]")));
    EXPECT_EQ(text(6, 3), QStringLiteral("Made - [Single occurrence] - [Multi occurrence] - Option value (Made in workshop)"));

    // Values outside the enum tables and the domains show empty.
    gaFields[6].iLinkedConst = 300;
    gaFields[12].iYesValue = 128;
    item.sLabelDescMO = item.sLabelDescSO;
    item.lLabelPosition = 99;
    gaFields[14].iDataAli = 40;
    EXPECT_TRUE(text(6, 3).endsWith(QStringLiteral(" - Option value ()")));
    EXPECT_EQ(text(12, 7), QStringLiteral("tekwy001.actv - Check box ()"));
    EXPECT_EQ(text(1, 2), QStringLiteral("tekwy001.item - tekwy001.item - Item -  []"));
    EXPECT_TRUE(text(14, 4).endsWith(QStringLiteral(" - Alignment ()"))) << text(14, 4).toStdString();
    item.lFieldType = 250;
    gaFields[14].nDomainIndex = 999;
    EXPECT_TRUE(text(1, 1).startsWith(QStringLiteral("tekwy001.item -  - teitem")));
    EXPECT_EQ(text(14, 1), QStringLiteral("tekwy001.stoc - Input - teqty ()"));
}

} // namespace
