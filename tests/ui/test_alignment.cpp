// The layout of the form on hand-built trees whose positions are worked out by hand
// (labels, follow-ups behind and below, choices, alignment groups, group columns,
// pages, the column limit), and on forms from the local host: no two rectangles
// overlap, stored positions are the computed ones, and a save changes no tree.
#include "core/test_links_support.h"
#include "test_main_window_support.h"

#include <form_generator.h>

#include "mod_Alignment.h"
#include "mod_StructureChecks.h"

#include <map>
#include <set>

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

// The positions of every live field with their stored copies; with moved, only those
// that differ; with current, without the copies.
QStringList positions(bool moved = false, bool current = false)
{
    QStringList out;
    for (int32_t i = 1; i <= gnFieldCount; ++i)
        if (gaFields[size_t(i)].lFieldId > 0 && (!moved || at(i) != at(i, true)))
            out << (current ? QStringLiteral("sequ %1: %2").arg(i).arg(at(i))
                            : QStringLiteral("sequ %1: %2 -> %3").arg(i).arg(at(i, true), at(i)));
    return out;
}

std::optional<int32_t> parentField(int32_t i)
{
    const int16_t p = gaFields[size_t(i)].lParentField;
    return p ? gvIndexOfId(p) : std::nullopt;
}

// Rectangles of fields (every row of a tall one) and labels (above, beside) that
// overlap on one page (opened by a top-level group). An option set is a box around its
// choices: they lie inside it and may overlap only it.
QStringList overlaps()
{
    std::map<int32_t, int32_t> pageOf;  // by top-level group
    for (int16_t c = gaGroups[0].lChildGroup, page = 0; c > 0; c = gaGroups[size_t(c - 1)].lNextGroup)
        pageOf[c - 1] = page = gaGroups[0].bNewPage || gaGroups[size_t(c - 1)].bNewPage ? c : page;
    struct Box {
        int64_t x0, x1, y0, y1;
        int32_t field, page;
        std::vector<size_t> sets;  // the boxes of the option sets it stands in
    };
    std::vector<Box> boxes;
    std::map<int32_t, size_t> setBox;
    for (int32_t i = 1; i <= gnFieldCount; ++i) {
        const FieldRecord& f = gaFields[size_t(i)];
        if (f.lFieldId <= 0)
            continue;
        int32_t page = f.Grpi - 1;
        while (page > 0 && gaGroups[size_t(page)].lParentGroup > 1)
            page = gaGroups[size_t(page)].lParentGroup - 1;
        page = pageOf[page];
        if (f.lControl == ControlKind::OptionSet)
            setBox[i] = boxes.size();
        const int64_t bottom = f.iFieldYPos + std::max<int16_t>(1, f.iFieldHeight) - 1;
        boxes.push_back({f.iFieldXPos, f.nFieldEndPos, f.iFieldYPos, bottom, i, page, {}});
        const int64_t h = std::max<int16_t>(1, f.iLabelHeightSO);
        const int64_t y = f.lLabelPosition == 2 ? f.iFieldYPos - h : f.iFieldYPos;
        if (f.iLabelLengthSO > 0)
            boxes.push_back({f.nLabelXPos, f.nLabelXPos + f.iLabelLengthSO - 1, y, y + h - 1, -i, page, {}});
    }
    for (Box& b : boxes)
        for (auto p = parentField(std::abs(b.field)); p; p = parentField(*p))
            if (setBox.count(*p)) {
                b.sets.push_back(setBox[*p]);
                boxes[setBox[*p]].y1 = std::max(boxes[setBox[*p]].y1, b.y1);
            }
    QStringList out;
    for (size_t a = 0; a < boxes.size(); ++a) {
        const Box& p = boxes[a];
        for (const size_t s : p.sets)
            if (p.x0 < boxes[s].x0 || p.x1 > boxes[s].x1 || p.y0 < boxes[s].y0)
                out << QStringLiteral("%1 outside set %2").arg(p.field).arg(boxes[s].field);
        for (size_t b = a + 1; b < boxes.size(); ++b) {
            const Box& q = boxes[b];
            const bool nested =
                std::count(p.sets.begin(), p.sets.end(), b) || std::count(q.sets.begin(), q.sets.end(), a);
            if (p.page == q.page && !nested && p.x0 <= q.x1 && q.x0 <= p.x1 && p.y0 <= q.y1 && q.y0 <= p.y1)
                out << QStringLiteral("%1 on %2").arg(p.field).arg(q.field);  // a label is the field negated
        }
    }
    return out;
}

// Fields of one row height with one follow-up: with bImmediateBehind it stands on the
// field's row one blank after the field and its label, else on the next row where the
// field starts. The faults; behind and below count the fields of each kind.
QStringList followUpFaults(int& behind, int& below)
{
    QStringList out;
    behind = below = 0;
    for (int32_t i = 1; i <= gnFieldCount; ++i) {
        const FieldRecord& f = gaFields[size_t(i)];
        const int32_t c = f.lChildField ? gvIndexOfId(f.lChildField).value_or(0) : 0;
        if (f.lFieldId <= 0 || f.lControl == ControlKind::OptionSet || c < 1 || gaFields[size_t(c)].lNextField != 0)
            continue;
        const FieldRecord& u = gaFields[size_t(c)];
        const bool rightLabel = f.lLabelPosition == 3 && f.iLabelLengthSO > 0;
        const int64_t right = rightLabel ? f.nLabelXPos + f.iLabelLengthSO - 1 : f.nFieldEndPos;
        const int64_t left = u.iLabelLengthSO > 0 && u.lLabelPosition != 3 ? u.nLabelXPos : u.iFieldXPos;
        const bool ok = f.bImmediateBehind ? u.iFieldYPos == f.iFieldYPos && left == right + 2
                                           : u.iFieldYPos == f.iFieldYPos + 1 && u.iFieldXPos == f.iFieldXPos;
        ++(f.bImmediateBehind ? behind : below);
        if (!ok)
            out << QStringLiteral("%1 (%2) -> %3 (%4)").arg(i).arg(at(i)).arg(c).arg(at(c));
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

TEST_F(Alignment, LabelsFollowUpsAndChoicesByHand)
{
    // The widest left label that starts a row (10) sets the label column at 2: fields
    // start at 13.
    put(root, 1, 6, 10);     // row 1, label at 2
    put(root, 2, 5, 8, 2);   // label above on row 2, field on row 3
    put(root, 3, 3, 4, 3);   // row 4, label right after one blank: 17
    put(root, 4, 4, 6, 7);   // an unknown position counts as left
    // Behind: 6 and 7 on 5's row (7's label above makes the band of row 6), each one
    // blank after the one before; 7 is not behind, so its 8 takes the next row.
    TreeNode* f5 = put(root, 5, 6);
    gaFields[5].bImmediateBehind = true;
    put(f5, 6, 4);
    put(put(f5, 7, 2, 5, 2), 8, 1);
    // Not behind: 14 takes the row below 9, its label in the label column.
    put(put(root, 9, 2, 3), 14, 3, 7);
    // An option set holds its choices, one a row, their labels right inside it.
    TreeNode* set = put(root, 10, 1, 10);
    gaFields[10].lControl = ControlKind::OptionSet;
    for (int32_t c = 11; c <= 13; ++c)
        put(set, c, 1, 5, 3);
    align();
    const std::map<int32_t, const char*> expected = {
        {1, "13,1 l2 e18 c1"},   {2, "13,3 l13 e17 c1"},  {3, "13,4 l17 e15 c1"},  {4, "13,5 l2 e16 c1"},
        {5, "13,7 l0 e18 c1"},   {6, "20,7 l0 e23 c1"},   {7, "25,7 l25 e26 c1"},  {8, "13,8 l0 e13 c1"},
        {9, "13,9 l2 e14 c1"},   {14, "13,10 l2 e15 c1"}, {10, "13,11 l2 e19 c1"}, {11, "13,11 l15 e13 c1"},
        {12, "13,12 l15 e13 c1"}, {13, "13,13 l15 e13 c1"}};
    for (const auto& [i, text] : expected)
        EXPECT_EQ(at(i), QLatin1String(text)) << i;
    EXPECT_TRUE(overlaps().isEmpty()) << overlaps().join(u' ').toStdString();
}

TEST_F(Alignment, AGroupNamedForAlignmentSharesItsGrid)
{
    // Group 1: a field of 6 with a label of 5; group 2: a label of 15. Alone, fields
    // start at 2 + 5 + 1 = 8 and 2 + 15 + 1 = 18; sharing a grid, both at 18.
    struct Case {
        int16_t id1, id2;
        bool frame1;
        const char* field1;
        const char* field2;
    };
    const Case cases[] = {
        {-1, -2, false, "8,1 l2 e13 c1", "18,2 l2 e23 c1"},   // each its own
        {-1, 1, false, "18,1 l2 e23 c1", "18,2 l2 e23 c1"},   // 2 names 1, which joins
        {2, -2, false, "18,1 l2 e23 c1", "18,2 l2 e23 c1"},   // 1 names 2
        {1, 1, false, "18,1 l2 e23 c1", "18,2 l2 e23 c1"},    // 1 its own, 2 with it
        {2, 1, false, "18,1 l2 e23 c1", "18,2 l2 e23 c1"},    // each names the other
        {0, 0, false, "18,1 l2 e23 c1", "18,2 l2 e23 c1"},    // both with the form
        {-1, 40, false, "8,1 l2 e13 c1", "18,2 l2 e23 c1"},   // no group 40
        {-1, -2, true, "10,2 l4 e15 c1", "18,4 l2 e23 c1"},   // a frame indents by 2
        {-1, 1, true, "20,2 l4 e25 c1", "20,4 l4 e25 c1"},    // the innermost left edge
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
    TreeNode* g3 = nullptr;
    for (int32_t g = 2; g <= 4; ++g) {
        TreeNode* n = group(root, g);
        put(n, g + 2, 3, 4);
        gaGroups[size_t(g)].bPlaceBeside = g > 2;
        if (g == 3)
            g3 = n;
    }
    align();
    EXPECT_EQ(at(6), "7,4 l2 e9 c1");  // the row holds two already
    // A field without a label keeps label position 0 there.
    put(g3, 7, 3);
    align();
    EXPECT_EQ(at(1), "8,1 l2 e11 c1");
    EXPECT_EQ(at(2), "28,1 l22 e35 c2");
    EXPECT_EQ(at(3), "8,2 l2 e19 c1");
    EXPECT_EQ(at(4), "7,3 l2 e9 c1");
    EXPECT_EQ(at(5), "17,3 l12 e19 c1");
    EXPECT_EQ(at(7), "17,4 l0 e19 c1");
    EXPECT_EQ(at(6), "7,5 l2 e9 c1");  // the row holds two already

    // Tab pages: every top-level group starts at the first row.
    gaGroups[0].bNewPage = true;
    align();
    for (int32_t i : {1, 4, 5, 6})
        EXPECT_EQ(gaFields[size_t(i)].iFieldYPos, 1) << i;
}

TEST_F(Alignment, WideRowsWrapAndWideGridsDropColumns)
{
    // 39 follow-ups behind one field, each of 10 with a label of 3: 15 columns apiece.
    TreeNode* g1 = group(root, 1);
    TreeNode* first = put(g1, 1, 10, 3);
    gaFields[1].bImmediateBehind = true;
    for (int32_t i = 2; i <= 40; ++i)
        put(first, i, 10, 3);
    // Nine columns of lines wider than the limit allows.
    TreeNode* g2 = group(root, 2);
    gaGroups[2].iGroupWidth = 9;
    for (int32_t i = 41; i <= 58; ++i)
        put(g2, i, int16_t(20 + i), 30);
    align();
    EXPECT_TRUE(overlaps().isEmpty()) << overlaps().join(u' ').toStdString();
    // 17 ends on 255; 18 would start at 261 and opens the next row where the row starts.
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
    // Lays out; no overlap, the follow-up rules held on both kinds.
    void expectSoundLayout()
    {
        gCalculateAlignment();
        EXPECT_TRUE(overlaps().isEmpty()) << overlaps().mid(0, 10).join(u'\n').toStdString();
        int behind = 0, below = 0;
        const QStringList faults = followUpFaults(behind, below);
        EXPECT_TRUE(faults.isEmpty()) << faults.mid(0, 10).join(u'\n').toStdString();
        EXPECT_GT(behind, 0);
        EXPECT_GT(below, 0);
    }
    // The x of every top-level field of the groups, each once.
    static std::set<int16_t> fieldStarts(std::initializer_list<int32_t> groups)
    {
        std::set<int16_t> xs;
        for (int32_t i = 1; i <= gnFieldCount; ++i) {
            const FieldRecord& f = gaFields[size_t(i)];
            if (f.lFieldId > 0 && f.lParentField == 0 && std::count(groups.begin(), groups.end(), f.Grpi - 1))
                xs.insert(f.iFieldXPos);
        }
        return xs;
    }
    // A demo form as loaded: the layout keeps its stored positions, with no overlap and
    // the same when laid out again; no structure error; saved unchanged (a form of the
    // current level), it sends no row.
    void expectCleanAndUnchangedBySave(bool current)
    {
        gCalculateAlignment();
        EXPECT_TRUE(positions(true).isEmpty()) << positions(true).join(u'\n').toStdString();
        EXPECT_TRUE(overlaps().isEmpty()) << overlaps().join(u'\n').toStdString();
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
    }
    // An opened generated form of at least 42 fields: follow-ups below their fields, an
    // aligned subsection with a longer label, then made wide, all laid out soundly and
    // within the position limit, the same when laid out again.
    void expectGeneratedFormLaysOutSoundly()
    {
        ASSERT_GE(gnFieldCount, 42);
        // Every other field with a follow-up has it below; the third subsection (index 4)
        // names the second (3) and has a longer label.
        int parents = 0;
        for (int32_t i = 1; i <= gnFieldCount; ++i)
            if (gaFields[size_t(i)].lChildField && parents++ % 2)
                gaFields[size_t(i)].bImmediateBehind = false;
        gaGroups[4].lAlignmentGroupId = 3;
        gaFields[41].iLabelLengthSO = 16;
        expectSoundLayout();
        EXPECT_EQ(fieldStarts({3, 4}).size(), 1u);
        EXPECT_NE(fieldStarts({2}), fieldStarts({3}));

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
};

class DemoForm : public HostForms, public ::testing::WithParamInterface<const char*> {};

TEST_P(DemoForm, IsCleanKeepsItsStoredPositionsAndSavedUnchangedSendsNoRow)
{
    // olditemd is stored at an older level: the upgrade changes it.
    const bool current = QLatin1String(GetParam()) != QLatin1String("olditemd");
    open(QString::fromLatin1(GetParam()));
    if (!current)
        dialogs->clear();  // olditemd's upgrade speaks
    ASSERT_GT(gnFieldCount, 0);
    EXPECT_EQ(gbFormChanged, !current);
    expectCleanAndUnchangedBySave(current);
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'\n').toStdString();
}

// The form's rows in the host; of a form stored at an older level, without the columns
// its upgrade rewrites (level, page and view flags, label heights, zoom index, control).
QString formRows(QString dump, bool current)
{
    static const QRegularExpression upgraded(QStringLiteral(" (za_revi|za_misc|za_newp|lhso|lhmo|za_zind|ctrl)=\\S+"));
    return current ? dump : dump.remove(upgraded);
}

// Stored whole, a form of the current level leaves its rows as they were: every column
// read is written back unchanged.
TEST_P(DemoForm, LoadSaveAndLoadAgainGiveTheSameRowsTreeAndPositions)
{
    const bool current = QLatin1String(GetParam()) != QLatin1String("olditemd");
    const QString rowsBefore = formRows(formDump(GetParam()), current);
    open(QString::fromLatin1(GetParam()));
    dialogs->clear();
    const QString tree1 = treeText(tree());
    // Every row is written, so the second load reads only what this save stored.
    for (FieldRecord& f : gaFields)
        f.bChanged = f.bChanged301 = f.bChanged308 = f.lFieldId > 0;
    for (GroupRecord& g : gaGroups)
        g.bChanged = g.Grpi > 0;
    gbFormChanged = true;
    EXPECT_FALSE(save().empty());
    if (current) {
        EXPECT_EQ(firstDifference(formRows(formDump(GetParam()), current), rowsBefore), "");
    }
    const QStringList saved = positions(false, true);
    restart();
    open(QString::fromLatin1(GetParam()));
    EXPECT_FALSE(gbFormChanged);
    EXPECT_EQ(treeText(tree()), tree1);
    EXPECT_EQ(positions(false, true), saved);
    gCalculateAlignment();
    EXPECT_TRUE(positions(true).isEmpty()) << positions(true).join(u'\n').toStdString();
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'\n').toStdString();
}

// Loaded, a demo form is clean, its stored positions are the computed ones, and saved
// unchanged it sends no row. Stored whole, a form leaves its rows as they were: every
// column read is written back unchanged, and every column the editor derives (field
// lengths from the domains, positions, links) holds what it computes; a form of an
// older level changes only where its upgrade says. It loads again the same.
TEST_P(DemoForm, IsCleanAndStoredWholeComesBackTheSame)
{
    // olditemd is stored at an older level: the upgrade changes it, and speaks.
    const bool current = QLatin1String(GetParam()) != QLatin1String("olditemd");
    const QString rowsBefore = formRows(formDump(GetParam()), current);
    open(QString::fromLatin1(GetParam()));
    dialogs->clear();
    ASSERT_GT(gnFieldCount, 0);
    EXPECT_EQ(gbFormChanged, !current);
    expectCleanAndUnchangedBySave(current);

    const QString tree1 = treeText(tree());
    // Every row is written, so the second load reads only what this save stored.
    for (FieldRecord& f : gaFields)
        f.bChanged = f.bChanged301 = f.bChanged308 = f.lFieldId > 0;
    for (GroupRecord& g : gaGroups)
        g.bChanged = g.Grpi > 0;
    gbFormChanged = true;
    EXPECT_FALSE(save().empty());
    EXPECT_EQ(firstDifference(formRows(formDump(GetParam()), current), rowsBefore), "");
    const QStringList saved = positions(false, true);
    restart();
    open(QString::fromLatin1(GetParam()));
    EXPECT_FALSE(gbFormChanged);
    EXPECT_EQ(treeText(tree()), tree1);
    EXPECT_EQ(positions(false, true), saved);
    gCalculateAlignment();
    EXPECT_TRUE(positions(true).isEmpty()) << positions(true).join(u'\n').toStdString();
    EXPECT_TRUE(dialogs->shown().empty()) << dialogs->texts().join(u'\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Demo, DemoForm, ::testing::Values("simpled", "itemsd", "olditemd"));

// A group stored with both fields and a subgroup: the fill puts the subgroup before a
// leading label of column 0. The save writes column ids and virtual groups, and the
// next load shows the same tree.
TEST_F(HostForms, ASubgroupAmongFieldsKeepsItsPlaceThroughASave)
{
    hostExec(QStringLiteral(
        "DELETE FROM qxzrn315 WHERE cfrm = 'itemsd' AND grpi = 10;"
        "UPDATE qxzrn315 SET chld = 7, fld1 = 195 WHERE cfrm = 'itemsd' AND grpi = 6;"
        "UPDATE qxzrn315 SET prev = 0, fld1 = 196 WHERE cfrm = 'itemsd' AND grpi = 7;"
        "UPDATE qxzrn308 SET grpi = 6 WHERE cfrm = 'itemsd' AND grpi = 10;"
        "CREATE TEMP TABLE f AS SELECT * FROM qxzrn301 WHERE cfrm = 'itemsd' AND sequ = 35;"
        "UPDATE f SET sequ = 20, omod = 195; INSERT INTO qxzrn301 SELECT * FROM f;"
        "CREATE TEMP TABLE l AS SELECT * FROM qxzrn308 WHERE cfrm = 'itemsd' AND sequ = 35;"
        "UPDATE l SET sequ = 20, grpi = 6, next = 200, colu = 0; INSERT INTO qxzrn308 SELECT * FROM l;"
        "UPDATE qxzrn301 SET omod = sequ + 170 WHERE cfrm = 'itemsd' AND sequ BETWEEN 26 AND 28;"
        "UPDATE qxzrn308 SET next = sequ + 171 WHERE cfrm = 'itemsd' AND sequ IN (26, 27);"));
    open(QStringLiteral("itemsd"));
    const TreeNode* purchase = node("g_5");
    ASSERT_TRUE(purchase && purchase->child() && purchase->child()->next());
    EXPECT_EQ(purchase->child()->key(), QStringLiteral("g_6"));
    EXPECT_EQ(purchase->child()->next()->key(), QStringLiteral("f_20"));
    const QString tree1 = treeText(tree());
    EXPECT_FALSE(save().empty());
    EXPECT_EQ(gaFields[20].iColumnId, 1);
    restart();
    open(QStringLiteral("itemsd"));
    EXPECT_EQ(treeText(tree()), tree1);
    EXPECT_FALSE(gbFormChanged);
}

// What the domain sync corrects is stored, so the next opening finds nothing to correct.
TEST_F(HostForms, DomainCorrectionsAreStoredOnce)
{
    hostExec(QStringLiteral("UPDATE qxzrn301 SET maxd = 6 WHERE cfrm = 'itemsd' AND sequ = 14;"));
    for (size_t run = 0; run < 2; ++run) {
        if (run)
            restart();
        open(QStringLiteral("itemsd"));
        EXPECT_EQ(gaFields[14].iMaxDispLen, 7) << run;
        EXPECT_EQ(save().size(), run == 0 ? 1u : 0u) << run;
    }
}

TEST_F(HostForms, ItemsdFollowUpsAndAnAlignedGroup)
{
    open(QStringLiteral("itemsd"));
    // 1 and 21 keep their description behind them; 9 has it below.
    gaFields[9].bImmediateBehind = false;
    // Storage place (4) names Stock levels (3); its longer label moves both grids.
    gaGroups[4].lAlignmentGroupId = 3;
    gaFields[18].iLabelLengthSO = 14;
    expectSoundLayout();
    EXPECT_EQ(fieldStarts({3, 4}), std::set<int16_t>{21});
}

TEST_F(HostForms, AGeneratedFormLaysOutSoundlyAndStaysWithinTheLimitWhenMadeWide)
{
    auto db = openHostDatabase(host.databasePath());
    ASSERT_TRUE(db);
    host::GenerateOptions options;
    options.fields = 400;
    const std::optional<host::FormIdentity> id = host::generateForm(*db, options);
    ASSERT_TRUE(id);
    open(id->formCode);
    ASSERT_NO_FATAL_FAILURE(expectGeneratedFormLaysOutSoundly());
}

TEST_F(HostForms, AGeneratedFormOpensUnchangedLaysOutSoundlyAndStaysWithinTheLimitWhenMadeWide)
{
    // Stored as the layout computes it: opened and left as Exit does, nothing changed.
    for (const int n : {1, 4, 5, 19, 21, 201, 400}) {
        SCOPED_TRACE(n);
        restart();
        host::GenerateOptions options;
        options.fields = n;
        const std::optional<host::FormIdentity> id = host::generateForm(*openHostDatabase(host.databasePath()), options);
        ASSERT_TRUE(id);
        open(id->formCode);
        gCalculateAlignment();
        gUpdatePointers();
        EXPECT_FALSE(gbFormChanged);
    }
    ASSERT_NO_FATAL_FAILURE(expectGeneratedFormLaysOutSoundly());
}

} // namespace
