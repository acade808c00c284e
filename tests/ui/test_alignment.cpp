// The layout of the form on hand-built trees (labels, lines, choices, alignment groups,
// group columns, pages, the column limit), and on forms from the local host, whose stored
// positions are the computed ones.
#include "core/test_links_support.h"
#include "test_main_window_support.h"

#include <form_generator.h>
#include <host_database.h>

#include "layout/mod_Alignment.h"
#include "mainwindow/mod_StructureChecks.h"
#include "model/mod_ModelessErrors.h"

using namespace links;

namespace {

// x, y, label x, end and column of a field; with stored, their stored copies.
QString at(int32_t i, bool stored = false)
{
    const FieldRecord& f = gaFields[size_t(i)];
    const auto text = [](int64_t x, int64_t y, int64_t label, int64_t end, int64_t column) {
        return QStringLiteral("%1,%2 l%3 e%4 c%5").arg(x).arg(y).arg(label).arg(end).arg(column);
    };
    return stored ? text(f.iFieldXPosStored, f.iFieldYPosStored, f.nLabelXPosStored, f.nFieldEndPosStored,
                         f.iColumnIdStored)
                  : text(f.iFieldXPos, f.iFieldYPos, f.nLabelXPos, f.nFieldEndPos, f.iColumnId);
}

// The positions of every live field; with moved, only those that differ from the copies.
QStringList positions(bool moved = false)
{
    QStringList out;
    for (int32_t i = 1; i <= gnFieldCount; ++i)
        if (gaFields[size_t(i)].lFieldId > 0 && (!moved || at(i) != at(i, true)))
            out << QStringLiteral("sequ %1: %2 -> %3").arg(i).arg(at(i, true), at(i));
    return out;
}

// Spans of fields and side labels that overlap on a row (forms without option sets).
QStringList overlaps()
{
    std::map<int32_t, std::vector<std::pair<int32_t, int32_t>>> rows;
    for (int32_t i = 1; i <= gnFieldCount; ++i) {
        const FieldRecord& f = gaFields[size_t(i)];
        if (f.lFieldId <= 0)
            continue;
        rows[f.iFieldYPos].push_back({f.iFieldXPos, f.nFieldEndPos});
        if (f.iLabelLengthSO > 0 && f.lLabelPosition != 2)
            rows[f.iFieldYPos].push_back({f.nLabelXPos, f.nLabelXPos + f.iLabelLengthSO - 1});
    }
    QStringList out;
    for (auto& [y, spans] : rows) {
        std::sort(spans.begin(), spans.end());
        for (size_t k = 1; k < spans.size(); ++k)
            if (spans[k].first <= spans[k - 1].second)
                out << QStringLiteral("row %1 at %2").arg(y).arg(spans[k].first);
    }
    return out;
}

class Alignment : public HandBuiltForm {
protected:
    TreeNode* put(TreeNode* parent, int32_t index, int16_t length, int16_t label = 0, int32_t position = 1)
    {
        TreeNode* n = field(parent, index);
        FieldRecord& f = gaFields[size_t(index)];
        f.iFieldLength = length;
        f.iLabelLengthSO = label;
        f.lLabelPosition = position;
        return n;
    }
    void align()
    {
        gCalculateAlignment();
        EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'\n').toStdString();
    }
};

TEST_F(Alignment, LabelsLinesAndChoices)
{
    // Labels by position; the left label of 10 sets the label column: fields start at 13.
    put(root, 1, 6, 10);
    put(root, 2, 5, 8, 2);  // above: the label takes row 2
    put(root, 3, 3, 4, 3);  // right
    put(root, 4, 4, 6, 7);  // an unknown position counts as left
    // Follow-ups and an immediately-behind field stand on their parent's row, under the
    // band of the label above one of them.
    TreeNode* f5 = put(root, 5, 6);
    put(f5, 6, 4);
    put(put(f5, 7, 2, 5, 2), 8, 1);
    put(root, 9, 2, 3);
    gaFields[9].bImmediateBehind = true;
    // An option set's choices stand below each other inside it, from its row on.
    TreeNode* set = put(root, 10, 1, 10);
    gaFields[10].lControl = 3;
    for (int32_t c = 11; c <= 13; ++c)
        put(set, c, 1, 5, 3);
    align();
    const QStringList expected = {
        "13,1 l2 e18 c1",   "13,3 l13 e17 c1", "13,4 l17 e15 c1", "13,5 l2 e16 c1",
        "13,7 l0 e18 c1",   "20,7 l0 e23 c1",  "25,7 l25 e26 c1",
        "31,7 l0 e31 c1",  // behind the wider label of field 7
        "37,7 l33 e38 c1",  "13,8 l2 e19 c1",  "13,8 l15 e13 c1", "13,9 l15 e13 c1", "13,10 l15 e13 c1"};
    for (int32_t i = 1; i <= 13; ++i)
        EXPECT_EQ(at(i), expected[i - 1]) << i;
}

TEST_F(Alignment, AlignmentGroupsShareTheirColumns)
{
    struct Case {
        int16_t id1, id2;
        bool frame1;
        const char* field1;
        const char* field2;
    };
    const Case cases[] = {
        {-1, -2, false, "8,1 l2 e13 c1", "18,2 l2 e23 c1"},  // each its own
        {7, 7, false, "18,1 l2 e23 c1", "18,2 l2 e23 c1"},   // one shared group
        {7, 8, false, "8,1 l2 e13 c1", "18,2 l2 e23 c1"},
        {0, 0, false, "18,1 l2 e23 c1", "18,2 l2 e23 c1"},  // both with the form
        {-1, -2, true, "10,2 l4 e15 c1", "18,4 l2 e23 c1"},
        {7, 7, true, "20,2 l4 e25 c1", "20,4 l4 e25 c1"},  // the innermost left edge
    };
    for (const Case& c : cases) {
        tree.clear();
        root = tree.add(QStringLiteral("g_0"), QStringLiteral("form"));
        put(group(root, 1), 1, 6, 5);
        put(group(root, 2), 2, 6, 15);
        gaGroups[1].lAlignmentGroupId = c.id1;
        gaGroups[2].lAlignmentGroupId = c.id2;
        gaGroups[1].bShowGroupBox = c.frame1;
        align();
        EXPECT_EQ(at(1), QLatin1String(c.field1)) << c.id1 << " " << c.id2 << " " << c.frame1;
        EXPECT_EQ(at(2), QLatin1String(c.field2)) << c.id1 << " " << c.id2 << " " << c.frame1;
    }
}

TEST_F(Alignment, GroupColumnsBesideGroupsAndPages)
{
    // Two columns of lines: the second starts two blanks after the first one's widest line.
    TreeNode* g1 = group(root, 1);
    gaGroups[1].iGroupWidth = 102;  // the hundred does not count
    for (int32_t i = 1; i <= 3; ++i)
        put(g1, i, int16_t(4 * i), 5);
    // A group beside the one before while fewer than two stand in the row.
    gaGroups[0].iGroupWidth = 2;
    for (int32_t g = 2; g <= 4; ++g) {
        put(group(root, g), g + 2, 3, 4);
        gaGroups[size_t(g)].bPlaceBeside = g > 2;
    }
    align();
    EXPECT_EQ(at(1), "8,1 l2 e11 c1");
    EXPECT_EQ(at(2), "28,1 l22 e35 c2");
    EXPECT_EQ(at(3), "8,2 l2 e19 c1");
    EXPECT_EQ(at(4), "7,3 l2 e9 c1");
    EXPECT_EQ(at(5), "17,3 l12 e19 c1");
    EXPECT_EQ(at(6), "7,4 l2 e9 c1");  // the row holds two already

    // Tab pages: every top-level group starts at the first row.
    gaGroups[0].bNewPage = true;
    align();
    for (int32_t i : {1, 4, 5, 6})
        EXPECT_EQ(gaFields[size_t(i)].iFieldYPos, 1) << i;
}

TEST_F(Alignment, WideLinesWrapAndWideGridsDropColumns)
{
    // One line of 40 fields, ten columns wide each, and a line wider than the limit alone.
    TreeNode* g1 = group(root, 1);
    for (int32_t i = 1; i <= 40; ++i) {
        put(g1, i, 10, 3);
        gaFields[size_t(i)].bImmediateBehind = i > 1;
    }
    TreeNode* g2 = group(root, 2);
    gaGroups[2].iGroupWidth = 9;
    for (int32_t i = 41; i <= 58; ++i)
        put(g2, i, int16_t(20 + i), 30);
    align();
    EXPECT_TRUE(overlaps().isEmpty()) << overlaps().join(u' ').toStdString();
    // Fields 2 to 17 follow the first at 15 columns each; 18 would start at 261 and
    // opens the next row where the first field's label starts.
    EXPECT_EQ(at(17), "246,1 l242 e255 c1");
    EXPECT_EQ(at(18), "10,2 l6 e19 c1");
    // Rows 1 to 3 hold the line. Of nine columns the fourth would start at 359: three remain.
    EXPECT_EQ(at(43), "252,4 l221 e314 c3");
    EXPECT_EQ(at(44), "33,5 l2 e96 c1");
}

// ---- Forms from the local host ------------------------------------------------------------

class HostForms : public MainWindowTest {
protected:
    // File Save; the records it sent.
    std::vector<host::updateset::SetRecord> save()
    {
        host::clearCallLog();
        w().mnuFSave_Click();
        EXPECT_FALSE(gbFormChanged);
        return sentSetRecords();
    }
};

class DemoForm : public HostForms, public ::testing::WithParamInterface<const char*> {};

TEST_P(DemoForm, IsCleanKeepsItsStoredPositionsAndSavedUnchangedSendsNoRow)
{
    // olditemd is stored at an older level: the upgrade changes it.
    const bool current = QLatin1String(GetParam()) != QLatin1String("olditemd");
    open(QString::fromLatin1(GetParam()));
    dialogs->clear();  // olditemd's upgrade speaks
    ASSERT_GT(gnFieldCount, 0);
    EXPECT_EQ(gbFormChanged, !current);
    gCalculateAlignment();
    EXPECT_TRUE(positions(true).isEmpty()) << positions(true).join(u'\n').toStdString();
    const QStringList first = positions();
    gCalculateAlignment();
    EXPECT_EQ(positions(), first);
    bool ok = false;
    mCheckStructure(tree().firstRoot(), ok);
    EXPECT_TRUE(ok);
    for (const ModelessErrorEntry& e : gModelessErrors())
        ADD_FAILURE() << e.sCode.toStdString() << " " << e.sNodeKey.toStdString() << " " << e.sText.toStdString();
    if (current) {
        for (const auto& r : save())
            ADD_FAILURE() << QString(r.kind).toStdString() << " "
                          << (r.key + QStringLiteral(" | ") + r.record).right(220).toStdString();
    }
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoForm, ::testing::Values("simpled", "itemsd", "olditemd"));

// What the domain sync corrects is stored, so the next opening finds nothing to correct.
TEST_F(HostForms, DomainCorrectionsAreStoredOnce)
{
    openHostDatabase(host.databasePath())
        ->exec(QStringLiteral("UPDATE qxzrn301 SET maxd = 6 WHERE cfrm = 'itemsd' AND sequ = 14;"));
    for (size_t run = 0; run < 2; ++run) {
        if (run)
            restart();
        open(QStringLiteral("itemsd"));
        EXPECT_EQ(gaFields[14].iMaxDispLen, 7) << run;
        EXPECT_EQ(save().size(), run == 0 ? 1u : 0u) << run;
    }
}

TEST_F(HostForms, AGeneratedFormMadeWideStaysWithinTheLimit)
{
    auto db = openHostDatabase(host.databasePath());
    ASSERT_TRUE(db);
    host::GenerateOptions options;
    options.fields = 400;
    const std::optional<host::FormIdentity> id = host::generateForm(*db, options);
    ASSERT_TRUE(id);
    open(id->formCode);
    // Many columns, long labels and long lines; sections beside each other.
    for (size_t g = 1; g < gaGroups.size(); ++g) {
        gaGroups[g].iGroupWidth = 6;
        gaGroups[g].bPlaceBeside = true;
    }
    gaGroups[0].iGroupWidth = 4;
    for (int32_t i = 1; i <= gnFieldCount; ++i) {
        FieldRecord& f = gaFields[size_t(i)];
        f.iLabelLengthSO = int16_t(10 + i % 30);
        f.iFieldLength = int16_t(5 + i % 40);
        f.bImmediateBehind = i % 3 != 0;
    }
    gCalculateAlignment();
    const QStringList first = positions();
    for (int32_t i = 1; i <= gnFieldCount; ++i)
        EXPECT_LE(gaFields[size_t(i)].iFieldXPos, kMaxFieldXPos) << i;
    EXPECT_TRUE(gbCheckFieldPositions());
    EXPECT_TRUE(overlaps().isEmpty()) << overlaps().mid(0, 10).join(u' ').toStdString();
    gCalculateAlignment();
    EXPECT_EQ(positions(), first);
}

} // namespace
