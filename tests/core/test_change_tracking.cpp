// Change marks and the link update: a mark only where a member differs from its
// stored copy, with its log line; nothing while suspended; the full renumbering when
// most fields are marked anyway, and the form commands following it.
#include "test_links_support.h"

using namespace links;

namespace {

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

TEST_F(ChangeTracking, NoMarkWithoutADifferenceNoneWhileSuspendedAndAMovedFieldMarksItsLinksOnly)
{
    gRebuildPointers();
    gUpdatePointers();
    EXPECT_TRUE(marked().isEmpty()) << marked().join(u' ').toStdString();
    EXPECT_FALSE(gbFormChanged);

    tree.move(f2, f3, Relationship::Previous);  // to the other group; the order of the fields stays
    gRebuildPointers();
    gbSuspendLinkUpdate = true;
    gUpdatePointers();
    EXPECT_TRUE(marked().isEmpty()) << marked().join(u' ').toStdString();
    EXPECT_FALSE(gbFormChanged);
    EXPECT_TRUE(changeLines().isEmpty());

    gbSuspendLinkUpdate = false;
    gUpdatePointers();
    EXPECT_EQ(marked(), (QStringList{"g_2", "f_1:c8", "f_2:c8"}));
    EXPECT_EQ(changeLines().filter(QStringLiteral("Field 'F2' : GroupId changed from 2 to 3")).size(), 1);
    EXPECT_EQ(orderNumbers(root), (std::vector<int16_t>{10, 20, 30}));
    EXPECT_TRUE(gbFormChanged);
}

TEST_F(ChangeTracking, EachMemberMarksItsTableAndLogsTheChange)
{
    struct Case {
        const char* logName;
        std::function<void()> change;
        const char* line;
        const char* marks;
    };
    const std::vector<Case> cases = {
        {"ParentField", [] { gaFields[1].lParentField = 7; }, "Field 'F1' : ParentField changed from 0 to 7", "f_1:c8"},
        {"NextField", [] { gaFields[1].lNextField = 0; }, "Field 'F1' : NextField changed from 20 to 0", "f_1:c8"},
        {"ChildField", [] { gaFields[1].lChildField = 30; }, "Field 'F1' : ChildField changed from 0 to 30", "f_1:c8"},
        {"GroupId", [] { gaFields[1].Grpi = 3; }, "Field 'F1' : GroupId changed from 2 to 3", "f_1:c8"},
        {"FollowUp", [] { gaFields[1].bFollowUp = true; }, "Field 'F1' : FollowUp changed from False to True", "f_1:c8"},
        {"omod", [] { gaFields[1].nOmod = 11; }, "Field 'F1' : omod changed from 10 to 11", "f_1:c1"},
        {"FieldXPosition", [] { gaFields[1].iFieldXPos = 40; }, "Field 'F1' : FieldXPosition changed from 0 to 40", "f_1:c1"},
        {"FieldYPosition", [] { gaFields[1].iFieldYPos = -2; }, "Field 'F1' : FieldYPosition changed from 0 to -2", "f_1:c1"},
        {"LabelXPosition", [] { gaFields[1].nLabelXPos = 3; }, "Field 'F1' : LabelXPosition changed from 0 to 3", "f_1:c8"},
        {"FieldEndPosition", [] { gaFields[1].nFieldEndPos = 99; }, "Field 'F1' : FieldEndPosition changed from 0 to 99", "f_1:c8"},
        {"ColumnId", [] { gaFields[1].iColumnId = 2; }, "Field 'F1' : ColumnId changed from 0 to 2", "f_1:c8"},
        {"width", [] { gaGroups[1].iGroupWidth = 2; }, "Group 'Stock' : New Page/Groups beside eachother changed from 1 to 2", "g_1"},
        {"group id", [] { gaGroups[1].Grpi = 9; }, "Group 'Stock' : GroupId changed from 2 to 9", "g_1"},
        {"parent", [] { gaGroups[1].lParentGroup = 0; }, "Group 'Stock' : ParentGroup changed from 1 to 0", "g_1"},
        {"next", [] { gaGroups[1].lNextGroup = 0; }, "Group 'Stock' : NextGroup changed from 3 to 0", "g_1"},
        {"child", [] { gaGroups[1].lChildGroup = 4; }, "Group 'Stock' : ChildGroup changed from 0 to 4", "g_1"},
        {"previous", [] { gaGroups[1].lPreviousGroup = 3; }, "Group 'Stock' : PreviousGroup changed from 0 to 3", "g_1"},
        {"first field", [] { gaGroups[1].lFirstField = 20; }, "Group 'Stock' : FirstField changed from 10 to 20", "g_1"},
        {"level", [] { gaGroups[1].lGroupLevel = 2; }, "Group 'Stock' : GroupLevel changed from 1 to 2", "g_1"},
        {"check boxes", [] { gaGroups[1].bCheckboxesOnly = true; }, "Group 'Stock' : Checkboxes only changed from False to True", "g_1"},
    };
    for (const Case& c : cases) {
        SetUp();
        gaGroups[1].sFrameDesc = QStringLiteral("  Stock  ");  // trimmed in the log
        c.change();
        gDetectGroupChanges();
        gDetectFieldChanges();
        EXPECT_EQ(marked(), QStringList{QString::fromLatin1(c.marks)}) << c.logName;
        EXPECT_TRUE(gbFormChanged) << c.logName;
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

    EXPECT_FALSE(gbRecomputeLinks);
    EXPECT_EQ(orderNumbers(root), (std::vector<int16_t>{10, 20, 30}));
    EXPECT_TRUE(gaSpecificCommands[1].lLinkId == 30 && !gaSpecificCommands[1].bChanged);  // back at its stored link

    for (int i = 1; i <= 3; ++i)
        gaFields[size_t(i)].lFieldId = -1;
    gUpdatePointers();
    EXPECT_TRUE(gaSpecificCommands[1].lLinkId == 0 && gaSpecificCommands[1].nCommandType == 1);
    EXPECT_TRUE(gaSpecificCommands[1].bChanged);
}

} // namespace
