// The link structure rebuilt from the tree: links read back give the tree again,
// virtual groups for fields beside subgroups, order numbers strictly rising in tree
// order, the link checks, the save-time checks, the form commands of deleted groups
// and fields; and the change marks of the link update, each with its log line.
#include "test_links_support.h"

#include <random>

using namespace links;

namespace {

class LinkRebuild : public HandBuiltForm {};

TEST_F(LinkRebuild, FieldsAndFollowUpsUnderTheRoot)
{
    field(root, 1);
    TreeNode* f2 = field(root, 2);
    TreeNode* f3 = field(f2, 3);
    field(f3, 6);
    field(f2, 4);
    field(root, 5);

    gRebuildPointers();

    EXPECT_EQ(linksText(), treeText(root));
    EXPECT_EQ(orderNumbers(root), (std::vector<int16_t>{10, 20, 30, 40, 50, 60}));
    // The level below the field in the group, kept for the save check of dependent fields.
    EXPECT_EQ(QStringLiteral("%1%2%3%4").arg(gaFields[2].nFieldLevel).arg(gaFields[3].nFieldLevel)
                  .arg(gaFields[6].nFieldLevel).arg(gaFields[4].nFieldLevel), "0121");
    EXPECT_TRUE(liveVirtualGroups() == 0 && gaGroups[0].lFirstField == 10 && gaFields[3].bFollowUp);
    for (int i : {1, 2, 3, 4, 5})
        EXPECT_EQ(gaFields[size_t(i)].Grpi, 1) << i;
    // The sibling before: its order number among follow-ups, its index in a group.
    EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(gaFields[3].lPreviousField).arg(gaFields[4].lPreviousField)
                  .arg(gaFields[5].lPreviousField), "0 30 2");
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'\n').toStdString();
    tree.move(f3, f2, Relationship::Next);
    gRebuildPointers();
    EXPECT_EQ(gaFields[3].nFieldLevel * 10 + gaFields[6].nFieldLevel, 1);
}

TEST_F(LinkRebuild, RunsOfFieldsBesideSubgroupsGetVirtualGroups)
{
    // root: g1(g3(f5)), f1, f2, g2(f3), f4 - with stale subgroup counters.
    TreeNode* g1 = group(root, 1);
    field(group(g1, 3), 5);
    field(root, 1, 0, ControlKind::CheckBox);
    field(root, 2, 0, ControlKind::Input);
    TreeNode* g2 = group(root, 2);
    field(g2, 3);
    TreeNode* f4 = field(root, 4, 0, ControlKind::OptionSet);
    gaGroups[0].iNrOfSubGroups = 0;
    gaGroups[1].iNrOfSubGroups = 7;

    gRebuildPointers();

    EXPECT_EQ(linksText(), treeText(root));
    EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(gaGroups[0].iNrOfSubGroups).arg(gaGroups[1].iNrOfSubGroups)
                  .arg(gaGroups[3].lGroupLevel).arg(gaGroups[0].lFirstField), "2 1 2 0");
    std::vector<int16_t> chain;  // the root's groups in tree order: g1, virtual, g2, virtual
    for (int16_t c = gaGroups[0].lChildGroup; c != 0 && chain.size() < 9; c = gaGroups[size_t(c - 1)].lNextGroup)
        chain.push_back(c);
    ASSERT_EQ(chain.size(), 4u);
    EXPECT_EQ(liveVirtualGroups(), 2);
    for (int k : {1, 3}) {
        const GroupRecord& v = gaGroups[size_t(chain[size_t(k)] - 1)];
        EXPECT_TRUE(v.bVirtualGroup && v.bChanged);
        EXPECT_TRUE(v.iGroupWidth == 1 && v.lGroupLevel == 1 && v.lParentGroup == 1) << k;
        EXPECT_TRUE(v.lAlignmentGroupId == -(chain[size_t(k)] - 1) && v.lPreviousGroup == chain[size_t(k - 1)]) << k;
    }
    EXPECT_TRUE(gaFields[2].Grpi == chain[1] && gaFields[4].Grpi == chain[3]);
    // Check boxes and option sets only: a run with an input field is not.
    EXPECT_TRUE(!gaGroups[size_t(chain[1] - 1)].bCheckboxesOnly && gaGroups[size_t(chain[3] - 1)].bCheckboxesOnly);
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'\n').toStdString();

    // (Rebuilt as stored, they are made again unchanged: the store's round trip.)
    // f4 joins the run of f1 and f2: its virtual group is freed.
    tree.move(f4, g2, Relationship::Previous);
    gRebuildPointers();
    EXPECT_TRUE(linksText() == treeText(root) && liveVirtualGroups() == 1);
}

class OrderNumbers : public HandBuiltForm {
protected:
    // With mixed, every third field goes into a group that comes first in tree order.
    std::vector<int16_t> renumber(const std::vector<int16_t>& before, bool mixed = false)
    {
        SetUp();
        TreeNode* g = group(root, 1);
        for (size_t i = 0; i < before.size(); ++i)
            field(mixed && i % 3 == 2 ? g : root, int32_t(i + 1), before[i]);
        gRenumberFields();
        std::vector<int16_t> fromMap;
        for (size_t i = 1; i < gaIdMap.size(); ++i) {
            EXPECT_EQ(gaIdMap[i].nOmod, gaFields[size_t(gaIdMap[i].lIndex)].nOmod);
            fromMap.push_back(gaIdMap[i].nOmod);
        }
        EXPECT_EQ(fromMap, orderNumbers(root));
        return fromMap;
    }
};

TEST_F(OrderNumbers, RepairKeepsWhatIsInOrderSpreadsTheRestAndPast32000RenumbersAll)
{
    const std::vector<std::pair<std::vector<int16_t>, std::vector<int16_t>>> cases = {
        {{10, 30, 20, 40, 50}, {10, 15, 20, 40, 50}}, {{10, 30, 20, 40}, {10, 11, 12, 40}}, {{20, 10}, {1, 10}},
        {{0, 0, 0}, {10, 20, 30}}, {{10, 0, 25, 0}, {10, 20, 25, 35}},
        // The step is rounded down: never onto the number that closes the run.
        {{10, 90, 80, 70, 16, 200, 300}, {10, 11, 12, 13, 16, 200, 300}},
        {{10, 30, 20, 40, 35, 50, 60}, {10, 15, 21, 27, 35, 50, 60}},
        // Two waiting for a gap of two: no room, the rest renumbered one by one.
        {{10, 30, 20, 12, 40, 50}, {10, 11, 12, 13, 14, 50}},
    };
    for (const auto& [before, after] : cases) {
        EXPECT_EQ(renumber(before), after);
        EXPECT_FALSE(gbRecomputeLinks);
    }

    // Any start rises strictly in tree order.
    std::mt19937 random(6);
    for (int round = 0; round < 300; ++round) {
        std::vector<int16_t> start(size_t(std::uniform_int_distribution<int>(1, 40)(random)));
        for (int16_t& v : start)
            v = int16_t(std::uniform_int_distribution<int>(0, round % 2 ? 60 : 400)(random));
        const std::vector<int16_t> got = renumber(start, true);
        EXPECT_TRUE(strictlyRising(got) && got.front() >= 1) << round;
    }

    // Past 32,000 a full renumbering is due.
    EXPECT_EQ(renumber({31990, 32000, 32010}), (std::vector<int16_t>{31990, 32000, 32010}));
    EXPECT_TRUE(gbRecomputeLinks);
    // New fields beyond the 16-bit range are numbered afresh at once.
    EXPECT_TRUE(strictlyRising(renumber({32760, 0, 0})) && gbRecomputeLinks);
    gUpdatePointers();
    EXPECT_EQ(orderNumbers(root), (std::vector<int16_t>{10, 20, 30}));
    EXPECT_FALSE(gbRecomputeLinks);
}

// The check reports a broken link by name; the editor's own rebuilds never make one.
TEST_F(LinkRebuild, ABrokenLinkIsReportedByName)
{
    const std::vector<std::pair<std::function<void()>, QStringList>> cases = {
        {[] { gaGroups[1].lNextGroup = 0; }, {"Next of group  2 not set correct!"}},
        {[] { gaFields[5].Grpi = 2; },
         {"Parentgroup of field  F5 not set correct!", "Childfield of group  2 not set correct!"}},
        {[] { gaIdMap[4].nOmod = 99; }, {"Next of field  F1 not set correct!"}},  // read through the id map
    };
    for (const auto& [breakIt, messages] : cases) {
        SetUp();
        // root: g1(f1(f2 f3) f4), g2(f5)
        TreeNode* f1 = field(group(root, 1), 1);
        field(f1, 2), field(f1, 3), field(f1->parent(), 4), field(group(root, 2), 5);
        gRebuildPointers();
        breakIt();
        EXPECT_EQ(gCheckLinks(root), int32_t(messages.size()));
        EXPECT_EQ(dialogs->texts(), messages);
        TearDown();
    }
}

class SaveChecks : public HandBuiltForm {
protected:
    void SetUp() override
    {
        HandBuiltForm::SetUp();
        useTexts({{QStringLiteral("qxplqx0152"), QStringLiteral("Selection groups %s and %s share a table")},
                  {QStringLiteral("qxplqx0138"), QStringLiteral("Group %s cannot repeat")},
                  {QStringLiteral("qx") + gsGetMessageCode(MessageGroup2, 29),
                   QStringLiteral("Position %s of %s too far")}});
    }
    static QStringList entries()
    {
        QStringList out;
        for (const ModelessErrorEntry& e : gModelessErrors())
            out << e.sCode + u' ' + e.sNodeKey + u' ' + e.sText;
        return out;
    }
};

TEST_F(SaveChecks, SelectionGroupsSharingATableAreListedPairByPair)
{
    const std::vector<std::pair<std::vector<int>, QStringList>> cases = {
        {{1}, {}},
        {{1, 3}, {"plqx0152 g_1 Selection groups G1 and G3 share a table"}},
        {{1, 2, 4},
         {"plqx0152 g_1 Selection groups G1 and G2 share a table",
          "plqx0152 g_1 Selection groups G1 and 5 share a table",
          "plqx0152 g_2 Selection groups G2 and 5 share a table"}},
    };
    for (const auto& [selection, expected] : cases) {
        SetUp();
        for (int i : {1, 2, 3, 4, 5})
            group(root, i);
        gaGroups[4].sFrameDesc.clear();  // listed by its number
        for (int i : selection)
            gaGroups[size_t(i)].bSelectionGroup = true, gaGroups[size_t(i)].sParentTable = QStringLiteral("tekwy003");
        // Not counted: another table, a group that is no selection group, a freed one.
        gaGroups[5].bSelectionGroup = true;
        gaGroups[5].sParentTable = QStringLiteral("tekwy001");
        gaGroups[2].sParentTable = QStringLiteral("tekwy003");
        gaGroups[7] = gaGroups[1];
        gaGroups[7].Grpi = -1;
        int shown = 0;
        gSetModelessErrorsShow([&shown] { ++shown; });
        EXPECT_EQ(gbCheckSelectionGroups(), expected.isEmpty());
        EXPECT_EQ(entries(), expected);
        EXPECT_EQ(shown, expected.size());
        TearDown();
    }
}

TEST_F(SaveChecks, RepeatingGroupsOutOfPlaceAndFieldsBeyondColumn255)
{
    // root: g1(g3(g4)), g2
    TreeNode* g1 = group(root, 1);
    TreeNode* g4 = group(group(g1, 3), 4);
    group(root, 2);
    auto repeating = [](const std::vector<int>& which) {
        for (int i : {1, 2, 3, 4})
            gaGroups[size_t(i)].bRepeatingGroup = std::find(which.begin(), which.end(), i) != which.end();
    };
    const std::vector<std::tuple<std::vector<int>, bool, QStringList>> cases = {
        {{1}, true, {}},
        {{3}, true, {}},
        {{2}, false, {"plqx0138 g_2 Group G2 cannot repeat"}},
        {{1, 4}, false, {}},  // nested: refused, not listed
    };
    for (const auto& [which, ok, expected] : cases) {
        gClearModelessErrors();
        repeating(which);
        EXPECT_EQ(gbCheckRepeatingGroups(), ok);
        EXPECT_EQ(entries(), expected);
    }
    // Why: a group below repeats already, or one above does.
    QString text;
    int16_t reason = 0;
    repeating({4});
    EXPECT_FALSE(gbRepeatingGroupAllowed(g1, text, reason));
    EXPECT_TRUE(reason == RepeatHoldsRepeating && text == QStringLiteral("G4"));
    repeating({1});
    EXPECT_FALSE(gbRepeatingGroupAllowed(g4, text, reason));
    EXPECT_TRUE(reason == RepeatOutOfPlace && text == QStringLiteral("G1"));

    field(root, 1);
    gaFields[1].iFieldXPos = 255;
    EXPECT_TRUE(gbCheckFieldPositions());
    gaFields[2].iFieldXPos = 999;  // a free slot does not count
    field(root, 3);
    gaFields[3].iFieldXPos = 256;
    EXPECT_FALSE(gbCheckFieldPositions());
    ASSERT_EQ(dialogs->texts(), QStringList{"Position 256 of F3 too far"});
    EXPECT_EQ(dialogs->shown()[0].style, platform::MbIconExclamation);
}

TEST_F(LinkRebuild, CommandsOfDeletedTargetsGoToTheFormAndFollowTheirField)
{
    struct Case {
        const char* what;
        uint8_t type;
        int16_t link, grpi, fieldId;
        std::function<void()> edit;
        int16_t linkAfter;
        uint8_t typeAfter;
        bool changed;
    };
    const std::vector<Case> cases = {
        {"group kept", 2, 2, 1, 0, [] {}, 2, 2, false},
        {"group deleted", 2, 2, 1, 0, [] { gaGroups[1].Grpi = -1; }, 0, 1, true},
        {"field kept", 3, 10, 0, 1, [] {}, 10, 3, false},
        {"field renumbered", 3, 10, 0, 1, [] { gaFields[1].nOmod = 5; }, 5, 3, true},
        {"field deleted", 3, 20, 0, 2, [] { gaFields[2].lFieldId = -1; }, 0, 1, true},
        {"the form", 1, 0, 0, 0, [] {}, 0, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        TreeNode* g1 = group(root, 1);
        field(g1, 1), field(g1, 2);
        gRebuildPointers();
        markStored();
        SpecificCommandRecord cmd;
        cmd.nSpecificCommandId = 0;
        cmd.nCommandType = cmd.nCommandTypeStored = c.type;
        cmd.lLinkId = cmd.lLinkIdStored = c.link;
        cmd.Grpi = c.grpi, cmd.lFieldId = c.fieldId;
        gaSpecificCommands = {SpecificCommandRecord{}, cmd};
        c.edit();

        gRelinkSpecificCommands();
        const SpecificCommandRecord& r = gaSpecificCommands[1];
        EXPECT_TRUE(r.lLinkId == c.linkAfter && r.nCommandType == c.typeAfter);
        EXPECT_TRUE(r.bChanged == c.changed && gbFormChanged == c.changed);
        if (c.typeAfter != c.type) {
            EXPECT_TRUE(r.Grpi == 0 && r.lFieldId == 0);
        }
        // No field record is marked for a command's sake.
        EXPECT_TRUE(std::none_of(gaFields.begin(), gaFields.end(), [](const FieldRecord& f) { return f.bChanged308; }));
        TearDown();
    }
}

class ChangeTracking : public HandBuiltForm {
protected:
    // root: g1(f1 f2), g2(f3), stored as it stands.
    void SetUp() override
    {
        HandBuiltForm::SetUp();
        g1 = group(root, 1);
        f1 = field(g1, 1);
        f2 = field(g1, 2);
        g2 = group(root, 2);
        f3 = field(g2, 3);
        gRebuildPointers();
        markStored();
        startLogging();
        linesBefore = logLines().filter(QStringLiteral(" changed from ")).size();
    }

    // The change lines logged since SetUp (the log file outlives it).
    QStringList changeLines() const { return logLines().filter(QStringLiteral(" changed from ")).mid(linesBefore); }

    static QStringList marked()
    {
        QStringList out;
        for (size_t i = 0; i < gaGroups.size(); ++i)
            if (gaGroups[i].bChanged)
                out << gsGroupKey(int32_t(i));
        for (size_t i = 1; i < gaFields.size(); ++i) {
            const FieldRecord& f = gaFields[i];
            if (f.bChanged || f.bChanged301 || f.bChanged308)
                out << QStringLiteral("f_%1:%2%3%4").arg(i).arg(f.bChanged ? "c" : "").arg(f.bChanged301 ? "1" : "")
                           .arg(f.bChanged308 ? "8" : "");
        }
        return out;
    }

    qsizetype linesBefore = 0;
    TreeNode *g1 = nullptr, *g2 = nullptr, *f1 = nullptr, *f2 = nullptr, *f3 = nullptr;
};

// (No mark without a difference: the store's round trip stores a reloaded form unchanged.)
TEST_F(ChangeTracking, NoMarkWhileSuspendedAndAMovedFieldMarksItsLinksOnly)
{
    tree.move(f2, f3, Relationship::Previous);  // to the other group; the order of the fields stays
    gRebuildPointers();
    gbSuspendLinkUpdate = true;
    gUpdatePointers();
    EXPECT_TRUE(marked().isEmpty() && !gbFormChanged && changeLines().isEmpty()) << marked().join(u' ').toStdString();

    gbSuspendLinkUpdate = false;
    gUpdatePointers();
    EXPECT_EQ(marked(), (QStringList{"g_2", "f_1:c8", "f_2:c8"}));
    EXPECT_EQ(changeLines().filter(QStringLiteral("Field 'F2' : GroupId changed from 2 to 3")).size(), 1);
    EXPECT_TRUE(orderNumbers(root) == (std::vector<int16_t>{10, 20, 30}) && gbFormChanged);
}

TEST_F(ChangeTracking, EachMemberMarksItsTableAndLogsTheChange)
{
    struct Case {
        const char* logName;
        std::function<void()> change;
        const char* line;
        const char* marks;
    };
    // One member of each kind of record and mark, with the log's names and value texts.
    const std::vector<Case> cases = {
        {"NextField", [] { gaFields[1].lNextField = 0; }, "Field 'F1' : NextField changed from 20 to 0", "f_1:c8"},
        {"FollowUp", [] { gaFields[1].bFollowUp = true; }, "Field 'F1' : FollowUp changed from False to True", "f_1:c8"},
        {"omod", [] { gaFields[1].nOmod = 11; }, "Field 'F1' : omod changed from 10 to 11", "f_1:c1"},
        {"FieldYPosition", [] { gaFields[1].iFieldYPos = -2; }, "Field 'F1' : FieldYPosition changed from 0 to -2", "f_1:c1"},
        {"ColumnId", [] { gaFields[1].iColumnId = 2; }, "Field 'F1' : ColumnId changed from 0 to 2", "f_1:c8"},
        {"width", [] { gaGroups[1].iGroupWidth = 2; }, "Group 'Stock' : New Page/Groups beside eachother changed from 1 to 2", "g_1"},
        {"first field", [] { gaGroups[1].lFirstField = 20; }, "Group 'Stock' : FirstField changed from 10 to 20", "g_1"},
        {"check boxes", [] { gaGroups[1].bCheckboxesOnly = true; }, "Group 'Stock' : Checkboxes only changed from False to True", "g_1"},
    };
    for (const Case& c : cases) {
        SetUp();
        gaGroups[1].sFrameDesc = QStringLiteral("  Stock  ");  // trimmed in the log
        c.change();
        gDetectGroupChanges();
        gDetectFieldChanges();
        EXPECT_TRUE(marked() == QStringList{QString::fromLatin1(c.marks)} && gbFormChanged) << c.logName;
        ASSERT_EQ(changeLines().size(), 1) << c.logName;
        EXPECT_TRUE(changeLines()[0].endsWith(QLatin1String(c.line))) << changeLines()[0].toStdString();
        TearDown();
    }
}

TEST_F(ChangeTracking, MostFieldsMarkedMeansEveryFieldIsNumberedAndWrittenAfresh)
{
    // Ten fields with order numbers off the grid; k of them carry a 301 or 308 mark.
    for (const int k : {8, 9}) {
        SetUp();
        for (int i = 4; i <= 10; ++i)
            field(g1, i, int16_t(i * 10 + 5));
        gRebuildPointers();
        markStored();
        const std::vector<int16_t> before = orderNumbers(root);
        for (int i = 1; i <= k; ++i)
            (i % 2 ? gaFields[size_t(i)].bChanged301 : gaFields[size_t(i)].bChanged308) = true;

        gUpdatePointers();

        if (k == 8) {
            EXPECT_EQ(orderNumbers(root), before);
            EXPECT_FALSE(gaFields[10].bChanged || gaGroups[1].bChanged);
        } else {
            EXPECT_EQ(orderNumbers(root), (std::vector<int16_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
            for (const FieldRecord& f : std::vector<FieldRecord>(gaFields.begin() + 1, gaFields.begin() + 11))
                EXPECT_TRUE(f.bChanged && f.bChanged301 && f.bChanged308) << f.lFieldId;
            EXPECT_TRUE(gaGroups[1].bChanged && gaGroups[2].bChanged);  // they have a first field
        }
        TearDown();
    }
}

TEST_F(ChangeTracking, CommandsFollowAFullRenumberingAndAFormWithoutFieldsOnlyRelinks)
{
    SpecificCommandRecord cmd;
    cmd.nSpecificCommandId = 0;
    cmd.nCommandType = cmd.nCommandTypeStored = 3;
    cmd.lFieldId = 3, cmd.lLinkId = cmd.lLinkIdStored = 30;
    gaSpecificCommands = {SpecificCommandRecord{}, cmd};
    for (int i = 1; i <= 3; ++i)
        gaFields[size_t(i)].nOmod = int16_t(1000 + i);
    gbRecomputeLinks = true;

    gUpdatePointers();
    EXPECT_TRUE(!gbRecomputeLinks && orderNumbers(root) == (std::vector<int16_t>{10, 20, 30}));
    EXPECT_TRUE(gaSpecificCommands[1].lLinkId == 30 && !gaSpecificCommands[1].bChanged);  // back at its stored link

    for (int i = 1; i <= 3; ++i)
        gaFields[size_t(i)].lFieldId = -1;
    gUpdatePointers();
    EXPECT_TRUE(gaSpecificCommands[1].lLinkId == 0 && gaSpecificCommands[1].nCommandType == 1 && gaSpecificCommands[1].bChanged);
}

} // namespace
